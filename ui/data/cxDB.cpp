#include "ui/data/cxDB.h"

#include "rtl/SysUtils.h"

namespace {

bool IsByteOrObjectType(TFieldType AType) {
  return AType == ftBytes || AType == ftVarBytes || (AType >= ftBlob && AType <= ftCursor) ||
         (AType >= ftADT && AType <= ftDataSet);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Field utilities

bool CanModifyLookupField(TField* AField) {
  if (!AField || !AField->DataSet()) return false;
  std::vector<TField*> keys;
  AField->DataSet()->GetFieldList(keys, AField->KeyFields());
  if (keys.empty()) return false;
  for (TField* f : keys)
    if (!f->CanModify()) return false;
  return true;
}

void QuoteFieldName(String& AName) {
  if (!IsValidIdent(AName)) AName = "[" + AName + "]";
}

void GetFilterFieldName(TField* AField, bool AIgnoreOrigin, String& AName) {
  AName.clear();
  if (!AField) return;
  if (!AIgnoreOrigin) AName = AField->Origin();
  if (AName.empty()) AName = AField->FieldName();
  QuoteFieldName(AName);
}

bool IsSameFieldName(const String& A, const String& B) { return AnsiUpperCase(A) == AnsiUpperCase(B); }

bool CanEditField(TField* AField, bool AAllowAnyType) {
  if (!AField || !AField->CanModify()) return false;
  if (AAllowAnyType) return true;
  return !IsByteOrObjectType(AField->DataType()) || AField->OnSetText.Assigned();
}

bool NeedsStoredText(TField* AField, bool AForOtherTypes) {
  if (!AField) return false;
  if (AField->OnGetText.Assigned() || !AField->EditMask().empty()) return true;
  if (IsByteOrObjectType(AField->DataType()) || AField->Is<TBooleanField>()) return AForOtherTypes;
  if (auto* numeric = dynamic_cast<TNumericField*>(AField)) {
    if (!numeric->DisplayFormat().empty() || !numeric->EditFormat().empty()) return true;
    if (auto* fl = dynamic_cast<TFloatField*>(AField)) return fl->IsCurrency();
    if (auto* bcd = dynamic_cast<TBCDField*>(AField)) return bcd->IsCurrency();
    return false;
  }
  if (auto* dt = dynamic_cast<TDateTimeField*>(AField)) return !dt->DisplayFormat().empty();
  return false;
}

void SplitFieldNames(const String& ANames, std::vector<String>& AList) {
  AList.clear();
  size_t pos = 0;
  while (pos <= ANames.size()) {
    size_t end = ANames.find(';', pos);
    if (end == String::npos) end = ANames.size();
    const String name = Trim(ANames.substr(pos, end - pos));
    // The platform's extraction skips an empty tail after the last separator.
    if (!name.empty() || end < ANames.size()) AList.push_back(name);
    pos = end + 1;
  }
}

int32_t GetFieldNameCount(const String& ANames) {
  std::vector<String> names;
  SplitFieldNames(ANames, names);
  return static_cast<int32_t>(names.size());
}

bool HasMultipleFieldNames(const String& ANames) { return GetFieldNameCount(ANames) > 1; }

bool IsCurrencyField(TField* AField) {
  auto* numeric = dynamic_cast<TNumericField*>(AField);
  if (!numeric || !numeric->DisplayFormat().empty() || AField->OnGetText.Assigned()) return false;
  if (auto* fl = dynamic_cast<TFloatField*>(AField)) return fl->IsCurrency();
  if (auto* bcd = dynamic_cast<TBCDField*>(AField)) return bcd->IsCurrency();
  return false;
}

void GetFieldVariant(TField* AField, Variant& AValue) {
  if (AField->IsNull())
    AValue = Null();
  else if (auto* wide = dynamic_cast<TWideStringField*>(AField))
    AValue = Variant(wide->AsWideString());
  else
    AValue = AField->AsVariant();
}

void GetFieldValues(TDataSet* ADataSet, const std::vector<TField*>& AFields, Variant& AValue) {
  (void)ADataSet;
  if (AFields.empty()) {
    AValue = Null();
    return;
  }
  if (AFields.size() == 1) {
    GetFieldVariant(AFields[0], AValue);
    return;
  }
  std::vector<Variant> values(AFields.size());
  for (size_t i = 0; i < AFields.size(); ++i) GetFieldVariant(AFields[i], values[i]);
  AValue = VarArrayOf(values);
}

void SetFieldValues(TDataSet* ADataSet, const std::vector<TField*>& AFields, const Variant& AValue) {
  (void)ADataSet;
  if (AFields.empty()) return;
  if (AFields.size() == 1) {
    SetFieldVariant(AFields[0], AValue);
    return;
  }
  for (size_t i = 0; i < AFields.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    SetFieldVariant(AFields[i], VarIsArray(AValue) && index <= VarArrayHighBound(AValue, 1)
                                    ? VarArrayGet(AValue, {index})
                                    : Null());
  }
}

void SetFieldVariant(TField* AField, const Variant& AValue) {
  if (AField->Is<TDateTimeField>() && VarType(AValue) == varDouble)
    AField->SetAsDateTime(AValue.AsDouble());
  else
    AField->SetAsVariant(AValue);
}

TcxValueTypeClass GetValueTypeClassForField(TField* AField) {
  if (!AField) return TcxStringValueType::StaticClass();
  switch (AField->DataType()) {
    case ftString: return TcxStringValueType::StaticClass();
    case ftSmallint: return TcxSmallintValueType::StaticClass();
    case ftInteger:
    case ftAutoInc: return TcxIntegerValueType::StaticClass();
    case ftWord: return TcxWordValueType::StaticClass();
    case ftBoolean: return TcxBooleanValueType::StaticClass();
    case ftFloat:
    case ftCurrency: return TcxFloatValueType::StaticClass();
    case ftBCD: return TcxCurrencyValueType::StaticClass();
    case ftDate:
    case ftTime:
    case ftDateTime: return TcxDateTimeValueType::StaticClass();
    case ftWideString: return TcxWideStringValueType::StaticClass();
    case ftLargeint: return TcxLargeIntValueType::StaticClass();
    case ftFMTBcd: return TcxFMTBcdValueType::StaticClass();
    default: return TcxVariantValueType::StaticClass();
  }
}

// ---------------------------------------------------------------------------------------------------
// Adapter registries

TcxDBAdapterList::~TcxDBAdapterList() { Clear(); }

void TcxDBAdapterList::Clear() {
  for (TcxDBAdapterItem* a : FAdapters) a->Free();
  FAdapters.clear();
}

bool TcxDBAdapterList::Find(TClass ADataSetClass, int32_t& AIndex) {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    TClass registered = FAdapters[static_cast<size_t>(i)]->RegisteredClass();
    if (ADataSetClass->InheritsFrom(registered)) {
      AIndex = i;
      return true;
    }
    if (registered->InheritsFrom(ADataSetClass)) AIndex = i;
  }
  return false;
}

void TcxDBAdapterList::RegisterAdapter(TClass ADataSetClass, TcxDBAdapterItemClass AAdapterClass) {
  int32_t index = -1;
  const bool found = Find(ADataSetClass, index);
  TcxDBAdapterItem* adapter = AAdapterClass->Create(ADataSetClass);
  if (found)
    FAdapters.insert(FAdapters.begin() + index + 1, adapter);
  else if (index == -1)
    FAdapters.push_back(adapter);
  else
    FAdapters.insert(FAdapters.begin() + index, adapter);
}

void TcxDBAdapterList::UnregisterAdapter(TClass ADataSetClass, TcxDBAdapterItemClass AAdapterClass) {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    TcxDBAdapterItem* a = FAdapters[static_cast<size_t>(i)];
    if (a->RegisteredClass() == ADataSetClass && a->ClassType() == AAdapterClass->Class) {
      FAdapters.erase(FAdapters.begin() + i);
      a->Free();
    }
  }
}
