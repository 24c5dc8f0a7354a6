// The controller's filter: conditions bound to its fields, the value lists of the filter drop-downs, the
// incremental filter, and the order in which the row view applies them.
#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxCustomData.h"
#include "ui/data/cxDataUtils.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace {
const char* const sFilterAll = "(Все)";
const char* const sFilterCustom = "(Выбор...)";
const char* const sFilterBlanks = "(Пустые)";
const char* const sFilterNonBlanks = "(Непустые)";
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Conditions

void TcxDataFilterCriteriaItem::AfterConstruction() {
  // The link never changes, so its field is found once instead of at every record.
  FField = dynamic_cast<TcxCustomDataField*>(ItemLink());
  TcxFilterCriteriaItem::AfterConstruction();
}

TcxCustomDataController* TcxDataFilterCriteriaItem::GetDataController() {
  // A condition stays in its criteria, so the controller is looked up once (every record asks).
  if (!FDataController) {
    auto* criteria = dynamic_cast<TcxDataFilterCriteria*>(GetCriteria());
    FDataController = criteria ? criteria->DataController() : nullptr;
  }
  return FDataController;
}

TObject* TcxDataFilterCriteriaItem::GetItem() const { return FField ? FField->Item() : nullptr; }

void TcxDataFilterCriteriaItem::GetDataValue(int32_t ARecordIndex, Variant& AValue) {
  TcxCustomDataController* dc = FField ? GetDataController() : nullptr;
  AValue = dc ? dc->GetFilterDataValue(ARecordIndex, FField) : Null();
}

bool TcxDataFilterCriteriaItem::GetDataText(int32_t ARecordIndex, const String*& AText) {
  TcxCustomDataController* dc = FField ? GetDataController() : nullptr;
  return dc && dc->GetFilterDataTextRef(ARecordIndex, FField, AText);
}

String TcxDataFilterCriteriaItem::GetFieldCaption() {
  TcxCustomDataController* dc = GetDataController();
  if (!dc || !FField || !GetItem()) return String();
  return dc->GetItemCaption(FField->Index());
}

String TcxDataFilterCriteriaItem::GetFieldName() {
  TcxCustomDataController* dc = GetDataController();
  if (!dc || !FField || !GetItem()) return String();
  return dc->GetItemFilterName(FField->Index());
}

// ---------------------------------------------------------------------------------------------------
// The criteria

RTL_PUBLISHED(TcxDataFilterCriteria) {
  prop("Active", &TcxDataFilterCriteria::Active, &TcxDataFilterCriteria::SetActive).Default(false);
}

void TcxDataFilterCriteria::BeforeDestruction() {
  FDestroying = true;
  if (TcxDataFilterList* list = FDataController->FilterList()) list->Remove(this);
  FActive = false;
  TcxFilterCriteria::BeforeDestruction();
}

void TcxDataFilterCriteria::SetActive(bool AValue) {
  if (FActive == AValue) return;
  FActive = AValue;
  Changed();
}

bool TcxDataFilterCriteria::IsFiltering() { return FActive && !IsEmpty() && !FDataController->IsGridMode(); }

void TcxDataFilterCriteria::Assign(TPersistent* ASource) {
  if (auto* source = dynamic_cast<TcxDataFilterCriteria*>(ASource)) {
    BeginUpdate();
    cxdata::ScopeGuard unlock{[this] { EndUpdate(); }};
    TcxFilterCriteria::Assign(source);
    SetActive(source->Active());
  } else {
    TcxFilterCriteria::Assign(ASource);
  }
}

void TcxDataFilterCriteria::DefineProperties(TFiler* AFiler) {
  TcxFilterCriteria::DefineProperties(AFiler);
  AFiler->DefineBinaryProperty("Criteria", TStreamProc(this, &TcxDataFilterCriteria::ReadData),
                               TStreamProc(this, &TcxDataFilterCriteria::WriteData), HasCriteriaData());
}

int32_t TcxDataFilterCriteria::GetIDByItemLink(TObject* AItemLink) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AItemLink);
  return field && field->Item() ? FDataController->GetItemID(field->Item()) : -1;
}

TObject* TcxDataFilterCriteria::GetItemLinkByID(int32_t AID) {
  TObject* item = FDataController->FindItemByID(AID);
  return item ? FDataController->Fields()->FindByItem(item) : nullptr;
}

TcxFilterCriteriaItem* TcxDataFilterCriteria::CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                         TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                         const String& ADisplayValue) {
  return New<TcxDataFilterCriteriaItem>(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

TcxFilterValueList* TcxDataFilterCriteria::CreateValueListOfClass() { return CreateValueList(); }

TcxDataFilterValueList* TcxDataFilterCriteria::CreateValueList() { return New<TcxDataFilterValueList>(this); }

TObject* TcxDataFilterCriteria::FieldOfLink(TObject* AItemLink) {
  if (AItemLink == nullptr || dynamic_cast<TcxCustomDataField*>(AItemLink)) return AItemLink;
  TcxCustomDataField* field = FDataController->Fields()->FindByItem(AItemLink);
  return field ? field : AItemLink;
}

TcxFilterCriteriaItem* TcxDataFilterCriteria::AddItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                      TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                      const String& ADisplayValue) {
  return TcxFilterCriteria::AddItem(AParent, FieldOfLink(AItemLink), AOperatorKind, AValue, ADisplayValue);
}

TcxFilterCriteriaItem* TcxDataFilterCriteria::FindItemByItemLink(TObject* AItemLink) {
  return TcxFilterCriteria::FindItemByItemLink(FieldOfLink(AItemLink));
}

void TcxDataFilterCriteria::CopyEvents(TPersistent* ASource) {
  TcxFilterCriteria::CopyEvents(ASource);
  if (auto* source = dynamic_cast<TcxDataFilterCriteria*>(ASource)) OnGetValueList = source->OnGetValueList;
}

void TcxDataFilterCriteria::DoChanged() {
  TcxCustomDataController* dc = FDataController;
  if (FDestroying || dc->IsDestroying() || dc->IsLoading()) return;
  if (dc->FilterList() && dc->FilterList()->Contains(this)) return;
  if (!dc->Provider()->HasSourceState() && dc->IsEditing()) dc->Post();
  dc->FilterChanged();
  TcxFilterCriteria::DoChanged();
}

// ---------------------------------------------------------------------------------------------------
// Value lists

void TcxDataFilterValueList::Load(int32_t AItemIndex) {
  auto* criteria = static_cast<TcxDataFilterCriteria*>(Criteria());
  TcxCustomDataController* dc = criteria->DataController();
  TcxCustomDataField* field = dc->Fields(AItemIndex);
  Clear();
  SetByDisplayText(dc->IsItemSortedByText(AItemIndex));
  Add(fviAll, Null(), FilterResourceText(sFilterAll), false);
  Add(fviCustom, Null(), FilterResourceText(sFilterCustom), false);
  bool blanks = false;
  if (dc->IsGridMode()) {
    blanks = true;
  } else {
    for (int32_t r = 0; r < dc->GetRecordCount(); ++r) {
      const Variant value = dc->GetFilterDataValue(r, field);
      if (criteria->IsNullValue(value))
        blanks = true;
      else
        Add(fviValue, value, dc->GetFilterDisplayText(r, AItemIndex), false);
    }
  }
  if (blanks) {
    Add(fviBlanks, Null(), FilterResourceText(sFilterBlanks), false);
    Add(fviNonBlanks, Null(), FilterResourceText(sFilterNonBlanks), false);
  }
  if (criteria->OnGetValueList.Assigned()) criteria->OnGetValueList(criteria, AItemIndex, this);
}

// ---------------------------------------------------------------------------------------------------
// Extra filters

TcxDataFilterCriteria* TcxDataFilterList::AddFilter() {
  TcxDataFilterCriteria* filter = FDataController->CreateFilter();
  FItems.push_back(filter);
  return filter;
}

void TcxDataFilterList::Clear() {
  while (!FItems.empty()) {
    TcxDataFilterCriteria* filter = FItems.back();
    FItems.pop_back();
    filter->Free();
  }
}

void TcxDataFilterList::Remove(TcxDataFilterCriteria* AFilter) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AFilter) {
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
}

bool TcxDataFilterList::Contains(const TcxDataFilterCriteria* AFilter) const {
  for (const TcxDataFilterCriteria* f : FItems)
    if (f == AFilter) return true;
  return false;
}

void TcxDataFilterList::RemoveFieldReferences(TcxCustomDataField* AField) {
  for (TcxDataFilterCriteria* f : FItems) f->RemoveItemByField(AField);
}

// ---------------------------------------------------------------------------------------------------
// The controller's side

int32_t TcxCustomDataController::SetIncrementalFilter(int32_t AItemIndex, const String& AText) {
  FIncrementalFilterField = Fields(AItemIndex);
  FIncrementalFilterText = AText;
  Refresh();
  return FDataControllerInfo->GetRecordListCount() > 0 ? FDataControllerInfo->GetRecordListItem(0) : -1;
}

void TcxCustomDataController::ResetIncrementalFilter() {
  const bool wasActive = HasIncrementalFilter();
  FIncrementalFilterField = nullptr;
  FIncrementalFilterText.clear();
  if (wasActive && !IsDestroying()) Refresh();
}

bool TcxCustomDataController::ChangeIncrementalFilterText(const String& AText) {
  if (!FIncrementalFilterField || AText == FIncrementalFilterText) return false;
  SetIncrementalFilter(FIncrementalFilterField->Index(), AText);
  return true;
}

bool TcxCustomDataController::IsIncrementalFilterMatch(int32_t ARecordIndex) {
  return TextMatches(GetFieldDisplayText(ARecordIndex, FIncrementalFilterField), FIncrementalFilterText, true);
}

bool TcxCustomDataController::GetStoredTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) {
  if (ARecordIndex < 0 || IsProviderMode() || IsGridMode()) return false;
  TcxValueDef* def = AField->GetValueDef();
  if (!def || def->KeepsText() || def->TypeClass() != TcxStringValueType::StaticClass()) return false;
  static const String empty;
  const void* ref = nullptr;
  if (!FDataStorage->CompareRef(ARecordIndex, def, ref))
    AText = nullptr;
  else
    AText = ref ? static_cast<const String*>(ref) : &empty;
  return true;
}
