#include "ui/data/cxDBFilter.h"

#include "db/DBDataSetKinds.h"
#include "rtl/TypInfo.h"
#include "ui/data/cxDBData.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace {

struct TFilterOperatorAdapters {
  TFilterOperatorAdapters() {
    List = New<TcxDBAdapterList>();
    List->RegisterAdapter(TDataSet::StaticClass(), cxDBAdapterClass<TcxDBFilterOperatorAdapter>());
  }
  ~TFilterOperatorAdapters() { List->Free(); }
  TcxDBAdapterList* List;
};

String QuotedFilterString(const String& S) {
  String result = "'";
  for (char c : S) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result + "'";
}

}  // namespace

TcxDBAdapterList* cxFilterOperatorAdapters() {
  static TFilterOperatorAdapters adapters;
  return adapters.List;
}

TcxDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet) {
  if (!ADataSet) return nullptr;
  int32_t index = -1;
  TcxDBAdapterList* list = cxFilterOperatorAdapters();
  if (!list->Find(ADataSet->ClassType(), index)) return nullptr;
  return dynamic_cast<TcxDBFilterOperatorAdapter*>(list->GetAdapter(index));
}

void TcxDBFilterOperatorAdapter::PrepareOperatorClass(TcxFilterCriteriaItem* AItem, TDataSet* ADataSet,
                                                      TcxFilterOperatorClass& AOperatorClass) {
  (void)AItem;
  if (!IsQueryDataSet(ADataSet)) return;
  if (AOperatorClass == FilterOperatorClass(foNull))
    AOperatorClass = FilterSQLNullOperatorClass();
  else if (AOperatorClass == FilterOperatorClass(foNotNull))
    AOperatorClass = FilterSQLNotNullOperatorClass();
}

// ---------------------------------------------------------------------------------------------------
// Conditions

TcxFilterOperatorClass TcxDBDataFilterCriteriaItem::GetOperatorClass() {
  TcxFilterOperatorClass result = TcxDataFilterCriteriaItem::GetOperatorClass();
  auto* criteria = dynamic_cast<TcxDBDataFilterCriteria*>(GetCriteria());
  if (!criteria) return result;
  TDataSet* ds = criteria->DataController()->GetDataSet();
  if (TcxDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(ds)) adapter->PrepareOperatorClass(this, ds, result);
  return result;
}

// ---------------------------------------------------------------------------------------------------
// Criteria

RTL_PUBLISHED(TcxDBDataFilterCriteria) {
  prop("AutoDataSetFilter", &TcxDBDataFilterCriteria::AutoDataSetFilter, &TcxDBDataFilterCriteria::SetAutoDataSetFilter)
      .Default(false);
  prop("DateTimeFormat", &TcxDBDataFilterCriteria::DateTimeFormat, &TcxDBDataFilterCriteria::SetDateTimeFormat);
  prop("IgnoreOrigin", &TcxDBDataFilterCriteria::IgnoreOrigin, &TcxDBDataFilterCriteria::SetIgnoreOrigin).Default(true);
  prop("TranslateBetween", &TcxDBDataFilterCriteria::TranslateBetween, &TcxDBDataFilterCriteria::SetTranslateBetween)
      .Default(false);
}

TcxDBDataFilterCriteria::TcxDBDataFilterCriteria(TcxDBDataController* AController) : TcxDataFilterCriteria(AController) {}

TcxDBDataController* TcxDBDataFilterCriteria::DataController() const {
  return static_cast<TcxDBDataController*>(TcxDataFilterCriteria::DataController());
}

void TcxDBDataFilterCriteria::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxDBDataFilterCriteria*>(ASource)) {
    BeginUpdate();
    try {
      TcxDataFilterCriteria::Assign(ASource);
      SetAutoDataSetFilter(source->AutoDataSetFilter());
      SetIgnoreOrigin(source->IgnoreOrigin());
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  } else
    TcxDataFilterCriteria::Assign(ASource);
}

void TcxDBDataFilterCriteria::CopyEvents(TPersistent* ASource) {
  TcxDataFilterCriteria::CopyEvents(ASource);
  if (auto* source = dynamic_cast<TcxDBDataFilterCriteria*>(ASource)) {
    OnBeforeChange = source->OnBeforeChange;
    OnFormatFilterTextValue = source->OnFormatFilterTextValue;
  }
}

void TcxDBDataFilterCriteria::RestoreDefaults() {
  BeginUpdate();
  TcxDataFilterCriteria::RestoreDefaults();
  SetAutoDataSetFilter(false);
  SetIgnoreOrigin(true);
  EndUpdate();
}

void TcxDBDataFilterCriteria::DoReserved6(TcxFilterCriteriaItem* AItem, const Variant& AValue, String& AText) {
  TcxDataFilterCriteria::DoReserved6(AItem, AValue, AText);
  // The dataset's filter parser reads '' inside a literal as one apostrophe; an undoubled one would end
  // the literal early (O'Brien) and let the rest of the value be read as filter syntax.
  if (VarIsStr(AValue)) AText = QuotedFilterString(VarToStr(AValue));
  if (OnFormatFilterTextValue.Assigned()) OnFormatFilterTextValue(this, AValue, AText);
}

int32_t TcxDBDataFilterCriteria::GetIDByItemLink(TObject* AItemLink) {
  auto* f = dynamic_cast<TcxCustomDataField*>(FieldOfLink(AItemLink));
  return f && !f->IsInternal() && f->Item() ? f->Index() : -1;
}

TObject* TcxDBDataFilterCriteria::GetItemLinkByID(int32_t AID) {
  TcxDBDataController* dc = DataController();
  if (AID < 0 || AID >= dc->GetItemCount()) return nullptr;
  return dc->Fields()->FindByItem(dc->GetItem(AID));
}

TcxFilterCriteriaItem* TcxDBDataFilterCriteria::CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                           TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                           const String& ADisplayValue) {
  return New<TcxDBDataFilterCriteriaItem>(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

void TcxDBDataFilterCriteria::SetAutoDataSetFilter(bool AValue) {
  if (FAutoDataSetFilter == AValue) return;
  FAutoDataSetFilter = AValue;
  Changed();
}

void TcxDBDataFilterCriteria::SetIgnoreOrigin(bool AValue) {
  if (FIgnoreOrigin == AValue) return;
  FIgnoreOrigin = AValue;
  Changed();
}

bool TcxDBDataFilterCriteria::IsDataSetFilterInUse() {
  return FAutoDataSetFilter && !DataController()->DBProvider()->IsSmartRefresh();
}

bool TcxDBDataFilterCriteria::IsFiltering() {
  return TcxDataFilterCriteria::IsFiltering() && !OnBeforeChange.Assigned() && !IsDataSetFilterInUse();
}

void TcxDBDataFilterCriteria::ApplyDataSetFilter(TDataSet* ADataSet) {
  const String text = GetFilterText();
  const TFilterOptions options =
      (Options() & fcoCaseInsensitive) ? TFilterOptions{foCaseInsensitive} : TFilterOptions();
  const bool filtered = Active() && !text.empty();
  if (ADataSet->Filter() == text && ADataSet->FilterOptions() == options && ADataSet->Filtered() == filtered) return;
  ADataSet->DisableControls();
  try {
    ADataSet->SetFilter(text);
    ADataSet->SetFilterOptions(options);
    ADataSet->SetFiltered(filtered);
  } catch (...) {
    ADataSet->EnableControls();
    throw;
  }
  ADataSet->EnableControls();
}

void TcxDBDataFilterCriteria::DoChanged() {
  if (FSwitchingOff) return;
  // Asked through the base: while the controller is torn down its dataset-bound part is gone already.
  TcxCustomDataController* owner = TcxDataFilterCriteria::DataController();
  // An extra filter of the controller only holds conditions: the dataset and the rows ignore it.
  if (owner->FilterList() && owner->FilterList()->Contains(this)) return;
  const bool destroying = IsDestroying() || owner->IsDestroying();
  if (destroying) {
    TcxDataFilterCriteria::DoChanged();
    return;
  }
  TcxDBDataController* dc = DataController();
  {
    TDataSet* ds = dc->GetDataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert || ds->State() == dsSetKey)) {
      try {
        dc->CheckBrowseMode();
      } catch (...) {
        // The filter goes off rather than half applied (without another round of change handling,
        // which would only meet the same failed post); the failure is the caller's to see.
        FSwitchingOff = true;
        cxdata::ScopeGuard done{[this] { FSwitchingOff = false; }};
        SetActive(false);
        throw;
      }
    }
    if (OnBeforeChange.Assigned() && !dc->IsLoading()) OnBeforeChange(this, ds, GetFilterText());
    if (IsDataSetFilterInUse() && ds) ApplyDataSetFilter(ds);
  }
  TcxDataFilterCriteria::DoChanged();
  if (dc->Provider()->IsSyncMode()) dc->FocusFirstRowIfNone();
}
