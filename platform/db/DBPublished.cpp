// Published properties of the framework's components, so that datasets, persistent fields and data
// sources stream through form resources; and their registration with the class registry.
#include "db/DB.h"
#include "rtl/ClassRegistry.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

RTL_PUBLISHED(TDataSet) {
  prop("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  prop("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields).Default(true);
  prop("Filter", [](TDataSet& d) { return d.Filter(); }, &TDataSet::SetFilterText);
  prop("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).Default(false);
  prop("FilterOptions", &TDataSet::FilterOptions, &TDataSet::SetFilterOptions).Default(TFilterOptions());
  event("BeforeOpen", &TDataSet::BeforeOpen, &TDataSet::BeforeOpen);
  event("AfterOpen", &TDataSet::AfterOpen, &TDataSet::AfterOpen);
  event("BeforeClose", &TDataSet::BeforeClose, &TDataSet::BeforeClose);
  event("AfterClose", &TDataSet::AfterClose, &TDataSet::AfterClose);
  event("BeforeInsert", &TDataSet::BeforeInsert, &TDataSet::BeforeInsert);
  event("AfterInsert", &TDataSet::AfterInsert, &TDataSet::AfterInsert);
  event("BeforeEdit", &TDataSet::BeforeEdit, &TDataSet::BeforeEdit);
  event("AfterEdit", &TDataSet::AfterEdit, &TDataSet::AfterEdit);
  event("BeforePost", &TDataSet::BeforePost, &TDataSet::BeforePost);
  event("AfterPost", &TDataSet::AfterPost, &TDataSet::AfterPost);
  event("BeforeCancel", &TDataSet::BeforeCancel, &TDataSet::BeforeCancel);
  event("AfterCancel", &TDataSet::AfterCancel, &TDataSet::AfterCancel);
  event("BeforeDelete", &TDataSet::BeforeDelete, &TDataSet::BeforeDelete);
  event("AfterDelete", &TDataSet::AfterDelete, &TDataSet::AfterDelete);
  event("BeforeScroll", &TDataSet::BeforeScroll, &TDataSet::BeforeScroll);
  event("AfterScroll", &TDataSet::AfterScroll, &TDataSet::AfterScroll);
  event("BeforeRefresh", &TDataSet::BeforeRefresh, &TDataSet::BeforeRefresh);
  event("AfterRefresh", &TDataSet::AfterRefresh, &TDataSet::AfterRefresh);
  event("OnCalcFields", &TDataSet::OnCalcFields, &TDataSet::OnCalcFields);
  event("OnDeleteError", &TDataSet::OnDeleteError, &TDataSet::OnDeleteError);
  event("OnEditError", &TDataSet::OnEditError, &TDataSet::OnEditError);
  event("OnFilterRecord", [](TDataSet& d) { return d.OnFilterRecord(); }, &TDataSet::SetOnFilterRecord);
  event("OnNewRecord", &TDataSet::OnNewRecord, &TDataSet::OnNewRecord);
  event("OnPostError", &TDataSet::OnPostError, &TDataSet::OnPostError);
}

RTL_PUBLISHED(TField) {
  prop("Alignment", &TField::Alignment, &TField::SetAlignment).Stored([](TField& f) { return f.FAlignmentSet; });
  prop("ConstraintErrorMessage", [](TField& f) { return f.ConstraintErrorMessage(); }, &TField::SetConstraintErrorMessage);
  prop("DefaultExpression", [](TField& f) { return f.DefaultExpression(); }, &TField::SetDefaultExpression);
  prop("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel).Stored([](TField& f) { return !f.FDisplayLabel.empty(); });
  prop("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth).Stored([](TField& f) { return f.FDisplayWidth > 0; });
  prop("EditMask", &TField::EditMask, &TField::SetEditMask);
  prop("FieldKind", &TField::FieldKind, &TField::SetFieldKind).Default(fkData);
  prop("FieldName", [](TField& f) { return f.FieldName(); }, &TField::SetFieldName);
  prop("KeyFields", [](TField& f) { return f.KeyFields(); }, &TField::SetKeyFields);
  prop("LookupCache", &TField::LookupCache, &TField::SetLookupCache).Default(false);
  prop("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  prop("LookupKeyFields", [](TField& f) { return f.LookupKeyFields(); }, &TField::SetLookupKeyFields);
  prop("LookupResultField", [](TField& f) { return f.LookupResultField(); }, &TField::SetLookupResultField);
  prop("Origin", [](TField& f) { return f.Origin(); }, &TField::SetOrigin);
  prop("ProviderFlags", &TField::ProviderFlags, &TField::SetProviderFlags).Default(TProviderFlags{pfInUpdate, pfInWhere});
  prop("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  prop("Required", &TField::Required, &TField::SetRequired).Default(false);
  prop("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  event("OnChange", &TField::OnChange, &TField::OnChange);
  event("OnGetText", &TField::OnGetText, &TField::OnGetText);
  event("OnSetText", &TField::OnSetText, &TField::OnSetText);
  event("OnValidate", &TField::OnValidate, &TField::OnValidate);
}

RTL_PUBLISHED(TStringField) {
  prop("FixedChar", &TStringField::FixedChar, &TStringField::SetFixedChar).Default(false);
  prop("Size", &TStringField::Size, &TStringField::SetSize).Default(20);
  prop("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate).Default(true);
}

RTL_PUBLISHED(TNumericField) {
  prop("DisplayFormat", [](TNumericField& f) { return f.DisplayFormat(); }, &TNumericField::SetDisplayFormat);
  prop("EditFormat", [](TNumericField& f) { return f.EditFormat(); }, &TNumericField::SetEditFormat);
}

RTL_PUBLISHED(TIntegerField) {
  prop("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue).Default(0);
  prop("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue).Default(0);
}

RTL_PUBLISHED(TLargeintField) {
  prop("MaxValue", &TLargeintField::MaxValue, &TLargeintField::SetMaxValue).Default(int64_t{0});
  prop("MinValue", &TLargeintField::MinValue, &TLargeintField::SetMinValue).Default(int64_t{0});
}

RTL_PUBLISHED(TFloatField) {
  prop("Currency", &TFloatField::IsCurrency, &TFloatField::SetCurrency).Default(false);
  prop("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue);
  prop("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue);
  prop("Precision", &TFloatField::Precision, &TFloatField::SetPrecision).Default(15);
}

RTL_PUBLISHED(TBooleanField) {
  prop("DisplayValues", [](TBooleanField& f) { return f.DisplayValues(); }, &TBooleanField::SetDisplayValues);
}

RTL_PUBLISHED(TDateTimeField) {
  prop("DisplayFormat", [](TDateTimeField& f) { return f.DisplayFormat(); }, &TDateTimeField::SetDisplayFormat);
}

RTL_PUBLISHED(TBCDField) {
  prop("Currency", &TBCDField::IsCurrency, &TBCDField::SetCurrency).Default(false);
  prop("Precision", &TBCDField::Precision, &TBCDField::SetPrecision).Default(0);
  prop("Size", &TBCDField::Size, &TBCDField::SetSize).Default(4);
}

RTL_PUBLISHED(TBinaryField) {
  prop("Size", &TBinaryField::Size, &TBinaryField::SetSize).Default(16);
}

RTL_PUBLISHED(TBlobField) {
  prop("Size", &TBlobField::Size, &TBlobField::SetSize).Default(0);
}

RTL_PUBLISHED(TDataSource) {
  prop("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  prop("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  event("OnDataChange", &TDataSource::OnDataChange, &TDataSource::OnDataChange);
  event("OnStateChange", &TDataSource::OnStateChange, &TDataSource::OnStateChange);
  event("OnUpdateData", &TDataSource::OnUpdateData, &TDataSource::OnUpdateData);
}

namespace {
// The field classes and the data source, found by name when form resources are read.
const bool kRegistered = [] {
  RegisterClasses({TStringField::StaticClass(), TWideStringField::StaticClass(), TGuidField::StaticClass(),
                   TIntegerField::StaticClass(), TSmallintField::StaticClass(), TWordField::StaticClass(),
                   TAutoIncField::StaticClass(), TLargeintField::StaticClass(), TFloatField::StaticClass(),
                   TCurrencyField::StaticClass(), TBooleanField::StaticClass(), TDateTimeField::StaticClass(),
                   TDateField::StaticClass(), TTimeField::StaticClass(), TBCDField::StaticClass(),
                   TFMTBCDField::StaticClass(), TBytesField::StaticClass(), TVarBytesField::StaticClass(),
                   TBlobField::StaticClass(), TMemoField::StaticClass(), TGraphicField::StaticClass(),
                   TDataSource::StaticClass()});
  return true;
}();
}  // namespace

// Referenced from DB.cpp so that the registration above is always linked in.
void RegisterDBClasses() { (void)kRegistered; }
