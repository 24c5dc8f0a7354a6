#include "ui/data/cxDBFilter.h"

#include "db/DBDataSetKinds.h"
#include "ui/data/cxDBData.h"

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

TcxDBDataFilterCriteria* TcxDBDataFilterCriteriaItem::DBCriteria() {
  return static_cast<TcxDBDataFilterCriteria*>(GetCriteria());
}

int32_t TcxDBDataFilterCriteriaItem::ItemIndex() {
  TcxDBDataFilterCriteria* c = DBCriteria();
  return c ? c->GetIDByItemLink(ItemLink()) : -1;
}

void TcxDBDataFilterCriteriaItem::GetDataValue(int32_t ARecordIndex, Variant& AValue) {
  TcxDBDataController* dc = DBCriteria()->DataController();
  const int32_t item = ItemIndex();
  AValue = item < 0 ? Null() : dc->GetFilterDataValue(ARecordIndex, dc->Fields(item));
}

String TcxDBDataFilterCriteriaItem::GetFieldCaption() {
  const int32_t item = ItemIndex();
  return item < 0 ? String() : DBCriteria()->DataController()->GetItemFieldName(item);
}

String TcxDBDataFilterCriteriaItem::GetFieldName() {
  const int32_t item = ItemIndex();
  return item < 0 ? String() : DBCriteria()->DataController()->GetItemFilterName(item);
}

TcxFilterOperatorClass TcxDBDataFilterCriteriaItem::GetOperatorClass() {
  TcxFilterOperatorClass result = TcxFilterCriteriaItem::GetOperatorClass();
  TcxDBDataFilterCriteria* criteria = DBCriteria();
  if (!criteria) return result;
  TDataSet* ds = criteria->DataController()->GetDataSet();
  if (TcxDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(ds)) adapter->PrepareOperatorClass(this, ds, result);
  return result;
}

// ---------------------------------------------------------------------------------------------------
// Criteria

TcxDBDataFilterCriteria::TcxDBDataFilterCriteria(TcxDBDataController* AController) : FDataController(AController) {}

void TcxDBDataFilterCriteria::BeforeDestruction() {
  FDestroying = true;
  TcxFilterCriteria::BeforeDestruction();
}

void TcxDBDataFilterCriteria::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxDBDataFilterCriteria*>(ASource)) {
    BeginUpdate();
    try {
      TcxFilterCriteria::Assign(ASource);
      SetActive(source->Active());
      SetAutoDataSetFilter(source->AutoDataSetFilter());
      SetIgnoreOrigin(source->IgnoreOrigin());
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  } else
    TcxFilterCriteria::Assign(ASource);
}

void TcxDBDataFilterCriteria::CopyEvents(TPersistent* ASource) {
  TcxFilterCriteria::CopyEvents(ASource);
  if (auto* source = dynamic_cast<TcxDBDataFilterCriteria*>(ASource)) {
    OnBeforeChange = source->OnBeforeChange;
    OnFormatFilterTextValue = source->OnFormatFilterTextValue;
  }
}

void TcxDBDataFilterCriteria::RestoreDefaults() {
  BeginUpdate();
  TcxFilterCriteria::RestoreDefaults();
  SetAutoDataSetFilter(false);
  SetIgnoreOrigin(true);
  EndUpdate();
}

void TcxDBDataFilterCriteria::DoReserved6(TcxFilterCriteriaItem* AItem, const Variant& AValue, String& AText) {
  TcxFilterCriteria::DoReserved6(AItem, AValue, AText);
  // The dataset's filter parser reads '' inside a literal as one apostrophe; an undoubled one would end
  // the literal early (O'Brien) and let the rest of the value be read as filter syntax.
  if (VarIsStr(AValue)) AText = QuotedFilterString(VarToStr(AValue));
  if (OnFormatFilterTextValue.Assigned()) OnFormatFilterTextValue(this, AValue, AText);
}

int32_t TcxDBDataFilterCriteria::GetIDByItemLink(TObject* AItemLink) {
  TcxCustomDataField* f = FDataController->Fields()->FindByItem(AItemLink);
  return f && !f->IsInternal() ? f->Index() : -1;
}

TObject* TcxDBDataFilterCriteria::GetItemLinkByID(int32_t AID) {
  if (AID < 0 || AID >= FDataController->GetItemCount()) return nullptr;
  return FDataController->GetItem(AID);
}

TcxFilterCriteriaItem* TcxDBDataFilterCriteria::CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                           TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                           const String& ADisplayValue) {
  return New<TcxDBDataFilterCriteriaItem>(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

void TcxDBDataFilterCriteria::SetActive(bool AValue) {
  if (FActive == AValue) return;
  FActive = AValue;
  Changed();
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
  return FAutoDataSetFilter && !FDataController->DBProvider()->IsSmartRefresh();
}

bool TcxDBDataFilterCriteria::IsFiltering() {
  return FActive && !IsEmpty() && !FDataController->IsGridMode() && !OnBeforeChange.Assigned() && !IsDataSetFilterInUse();
}

void TcxDBDataFilterCriteria::ApplyDataSetFilter(TDataSet* ADataSet) {
  const String text = GetFilterText();
  const TFilterOptions options =
      (Options() & fcoCaseInsensitive) ? TFilterOptions{foCaseInsensitive} : TFilterOptions();
  const bool filtered = FActive && !text.empty();
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
  const bool destroying = FDestroying || FDataController->IsDestroying();
  TDataSet* ds = FDataController->GetDataSet();
  if (!destroying) {
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert || ds->State() == dsSetKey)) {
      try {
        FDataController->CheckBrowseMode();
      } catch (...) {
        FActive = false;
        throw;
      }
    }
    if (OnBeforeChange.Assigned() && !FDataController->IsLoading()) OnBeforeChange(this, ds, GetFilterText());
    if (IsDataSetFilterInUse() && ds) ApplyDataSetFilter(ds);
  }
  if (!destroying && !FDataController->IsLoading()) {
    FDataController->FilterChanged();
    TcxFilterCriteria::DoChanged();
  }
  if (!destroying && FDataController->Provider()->IsSyncMode()) FDataController->FocusFirstRowIfNone();
}

void TcxDBDataFilterHook::RemoveItemByField(TcxCustomDataField* AField) {
  if (FCriteria && AField->Item()) FCriteria->RemoveItemByItemLink(AField->Item());
}
