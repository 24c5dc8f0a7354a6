// The grid data controller (its questions to the view, its interfaces, the "Data" property) and the item
// binding with its default-values provider and remembered filter values.

#include "ui/grid/cxGridDataController.h"

#include "rtl/Filer.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxVariants.h"
#include "ui/grid/cxGridLevel.h"

namespace {

inline constexpr const char* kUnknownValueType = "Тип значения \"%s\" не зарегистрирован";

}  // namespace

// ---- TcxGridDataController --------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxGridDataController) {
  using C = TcxGridDataController;
  prop("Filter", &C::GetFilter, &C::SetFilter);
  prop("Options", &C::Options, &C::SetOptions)
      .Default(TcxDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding});
  prop("Summary", &C::GetSummary, &C::SetSummary);
  event("OnAfterCancel", &C::OnAfterCancel, &C::OnAfterCancel);
  event("OnAfterDelete", &C::OnAfterDelete, &C::OnAfterDelete);
  event("OnAfterInsert", &C::OnAfterInsert, &C::OnAfterInsert);
  event("OnAfterPost", &C::OnAfterPost, &C::OnAfterPost);
  event("OnBeforeCancel", &C::OnBeforeCancel, &C::OnBeforeCancel);
  event("OnBeforeDelete", &C::OnBeforeDelete, &C::OnBeforeDelete);
  event("OnBeforeInsert", &C::OnBeforeInsert, &C::OnBeforeInsert);
  event("OnBeforePost", &C::OnBeforePost, &C::OnBeforePost);
  event("OnNewRecord", &C::OnNewRecord, &C::OnNewRecord);
  event("OnCompare", &C::OnCompare, &C::OnCompare);
  event("OnDataChanged", &C::OnDataChanged, &C::OnDataChanged);
  event("OnDetailCollapsing", &C::OnDetailCollapsing, &C::OnDetailCollapsing);
  event("OnDetailCollapsed", &C::OnDetailCollapsed, &C::OnDetailCollapsed);
  event("OnDetailExpanding", &C::OnDetailExpanding, &C::OnDetailExpanding);
  event("OnDetailExpanded", &C::OnDetailExpanded, &C::OnDetailExpanded);
  event("OnFilterRecord", &C::OnFilterRecord, &C::OnFilterRecord);
  event("OnGroupingChanged", &C::OnGroupingChanged, &C::OnGroupingChanged);
  event("OnRecordChanged", &C::OnRecordChanged, &C::OnRecordChanged);
  event("OnSortingChanged", &C::OnSortingChanged, &C::OnSortingChanged);
}

TcxGridDataController::~TcxGridDataController() { delete FHeldData; }

IcxGridDataItem* TcxGridDataController::DataItem(int32_t AItemIndex) {
  return dynamic_cast<IcxGridDataItem*>(GetItem(AItemIndex));
}

bool TcxGridDataController::CanSelectRow(int32_t ARow) {
  IcxGridDataOwner* owner = DataOwner();
  return !owner || owner->CanSelectRecord(ARow);
}

int32_t TcxGridDataController::GetDefaultActiveRelationIndex() {
  TcxCustomGridView* view = GridView();
  TcxGridLevel* level = view ? view->Level() : nullptr;
  if (!level || (view->Control() && view->Control()->IsDestroying())) return -1;
  TcxGridLevel* first = level->FirstVisibleItem();
  return first ? first->Index() : -1;
}

int32_t TcxGridDataController::GetItemID(TObject* AItem) {
  auto* item = dynamic_cast<IcxGridDataItem*>(AItem);
  return item ? item->GetID() : -1;
}

TCollectionItemClass TcxGridDataController::GetSummaryItemClass() {
  IcxGridDataOwner* owner = DataOwner();
  TCollectionItemClass cls = owner ? owner->GetSummaryItemClass() : nullptr;
  return cls ? cls : inherited::GetSummaryItemClass();
}

TCollectionItemClass TcxGridDataController::GetSummaryGroupItemLinkClass() {
  IcxGridDataOwner* owner = DataOwner();
  TCollectionItemClass cls = owner ? owner->GetSummaryGroupItemLinkClass() : nullptr;
  return cls ? cls : inherited::GetSummaryGroupItemLinkClass();
}

void TcxGridDataController::FilterChanged() {
  inherited::FilterChanged();
  if (IcxGridDataOwner* owner = DataOwner()) owner->FilterChanged();
}

void TcxGridDataController::BeginUpdate() {
  // The view's bracket is the outer one: taken first, released last.
  if (TcxCustomGridView* view = GridView()) view->BeginUpdate();
  inherited::BeginUpdate();
}

void TcxGridDataController::EndUpdate() {
  TcxCustomGridView* view = GridView();
  ScopeExit endView([view] {
    if (view) view->EndUpdate();
  });
  inherited::EndUpdate();
}

TObject* TcxGridDataController::CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) {
  auto* level = dynamic_cast<TcxGridLevel*>(ARelation->Item());
  return level ? level->CreateLinkedView(ARelation, ARecordIndex) : nullptr;
}

TcxCustomDataController* TcxGridDataController::GetDetailDataControllerByLinkObject(TObject* ALinkObject) {
  auto* view = dynamic_cast<TcxCustomGridView*>(ALinkObject);
  return view ? view->DataController() : nullptr;
}

String TcxGridDataController::GetDisplayText(int32_t ARecordIndex, int32_t AItemIndex) {
  IcxGridDataItem* item = DataItem(AItemIndex);
  TcxCustomEditProperties* properties = item ? item->GetProperties() : nullptr;
  String text;
  if (properties && properties->GetEditValueSource(false) == evsValue)
    text = Utf16ToUtf8(properties->GetDisplayText(GetValue(ARecordIndex, AItemIndex)));
  else
    text = inherited::GetDisplayText(ARecordIndex, AItemIndex);
  if (item) item->DoGetDataText(ARecordIndex, text);
  return text;
}

String TcxGridDataController::GetItemCaption(int32_t AItemIndex) {
  IcxGridDataItem* item = DataItem(AItemIndex);
  return item ? item->GetCaption() : String();
}

TObject* TcxGridDataController::GetItem(int32_t AIndex) {
  IcxGridDataOwner* owner = DataOwner();
  if (!owner) return inherited::GetItem(AIndex);
  return AIndex >= 0 && AIndex < owner->GetItemCount() ? owner->GetItem(AIndex) : nullptr;
}

bool TcxGridDataController::GetItemSortByDisplayText(int32_t AItemIndex, bool ADefault) {
  IcxGridDataItem* item = DataItem(AItemIndex);
  return item ? item->GetSortByDisplayText(ADefault) : ADefault;
}

void TcxGridDataController::DoDeferredNotifications() {
  inherited::DoDeferredNotifications();
  if (!FHeldData) return;
  TMemoryStream* data = FHeldData;
  FHeldData = nullptr;
  ScopeExit freeData([data] { delete data; });
  // Bytes that end early are as damaged as bytes that do not match: one error for both.
  try {
    LoadFromStream(data);
  } catch (const EReadError&) {
    RaiseControllerError(cxSDataInvalidStreamFormat);
  }
}

void TcxGridDataController::DoUpdateData() {
  inherited::DoUpdateData();
  if (IcxGridDataOwner* owner = DataOwner()) owner->UpdateEditingValue();
}

TClass TcxGridDataController::GetItemDataBindingClass() { return TcxGridItemDataBinding::StaticClass(); }

TClass TcxGridDataController::GetItemDefaultValuesProviderClass() { return TcxGridDefaultValuesProvider::StaticClass(); }

bool TcxGridDataController::GetNavigatorIsBOF() {
  IcxGridDataOwner* owner = DataOwner();
  return owner && owner->IsFirstRecordFocused();
}

bool TcxGridDataController::GetNavigatorIsEOF() {
  IcxGridDataOwner* owner = DataOwner();
  return owner && owner->IsLastRecordFocused();
}

void TcxGridDataController::AssignData(TcxCustomDataController* ADataController) {
  TMemoryStream stream;
  ADataController->SaveToStream(&stream);
  stream.SetPosition(0);
  LoadFromStream(&stream);
}

void TcxGridDataController::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty("Data", TStreamProc(this, &TcxGridDataController::ReadData),
                              TStreamProc(this, &TcxGridDataController::WriteData), GetRecordCount() > 0);
}

void TcxGridDataController::ReadData(TStream* AStream) {
  // The length comes from the file: it must fit in what follows before anything is allocated for it.
  const int64_t left = AStream->Size() - AStream->Position();
  if (left < 4) RaiseControllerError(cxSDataInvalidStreamFormat);
  int32_t length = 0;
  AStream->ReadBuffer(&length, 4);
  if (length < 0 || length > left - 4) RaiseControllerError(cxSDataInvalidStreamFormat);
  auto* data = new TMemoryStream();
  ScopeExit freeData([data] { delete data; });
  if (length > 0) data->CopyFrom(AStream, length);
  data->SetPosition(0);
  delete FHeldData;
  FHeldData = data;
  freeData.Dismiss();
}

void TcxGridDataController::WriteData(TStream* AStream) {
  TMemoryStream data;
  SaveToStream(&data);
  const int32_t length = static_cast<int32_t>(data.Size());
  AStream->WriteBuffer(&length, 4);
  if (length > 0) AStream->WriteBuffer(data.Memory(), length);
}

// ---- remembered filter values -----------------------------------------------------------------------------------

bool TcxGridFilterMRUValueItem::Matches(TcxMRUItem* AItem) {
  auto* other = dynamic_cast<TcxGridFilterMRUValueItem*>(AItem);
  return other && CompareVariantValues(Value, other->Value) == 0;
}

void TcxGridFilterMRUValueItems::Add(const Variant& AValue, const String& ADisplayText) {
  TcxMRUItems::Add(New<TcxGridFilterMRUValueItem>(AValue, ADisplayText));
}

void TcxGridFilterMRUValueItems::AddToValueList(TcxDataFilterValueList* AValueList) {
  for (int32_t i = 0; i < Count(); ++i) AValueList->Add(fviMRU, Items(i)->Value, Items(i)->DisplayText, true);
}

// ---- TcxGridDefaultValuesProvider ----------------------------------------------------------------------------------

TcxGridItemDataBinding* TcxGridDefaultValuesProvider::DataBinding() const {
  return dynamic_cast<TcxGridItemDataBinding*>(Owner());
}

bool TcxGridDefaultValuesProvider::HasDisplayFormat(bool AIsCurrencyValueAccepted) {
  TcxGridItemDataBinding* binding = DataBinding();
  if (!binding) return false;
  IcxGridDataItem* item = binding->DataItem();
  if (item && item->HasDataTextHandler()) return true;
  TcxCustomDataController* dataController = binding->DataController();
  const int32_t index = binding->ItemIndex();
  if (!dataController || index < 0 || index >= dataController->GetItemCount()) return false;
  if (dataController->IsItemTextStored(index)) return true;
  return AIsCurrencyValueAccepted && dataController->GetItemValueTypeClass(index) == TcxCurrencyValueType::StaticClass();
}

// ---- TcxGridItemDataBinding ----------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxGridItemDataBinding) {
  prop("ValueType", &TcxGridItemDataBinding::ValueType, &TcxGridItemDataBinding::SetValueType)
      .Stored(&TcxGridItemDataBinding::IsValueTypeStored);
}

TcxGridItemDataBinding::~TcxGridItemDataBinding() {
  FreeObject(FFilterMRUValueItems);
  FreeObject(FDefaultValuesProvider);
}

void TcxGridItemDataBinding::AfterConstruction() {
  inherited::AfterConstruction();
  TClass providerClass = TcxGridDefaultValuesProvider::StaticClass();
  if (auto* info = dynamic_cast<IcxGridDataControllerInfo*>(DataController()))
    providerClass = info->GetItemDefaultValuesProviderClass();
  FDefaultValuesProvider = CreateAs<TcxCustomEditDefaultValuesProvider>(providerClass, this);
  FFilterMRUValueItems = CreateAs<TcxGridFilterMRUValueItems>(GetFilterMRUValueItemsClass());
  UpdateFilterMRUValueItemsLimit();
}

void TcxGridItemDataBinding::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxGridItemDataBinding*>(Source)) {
    SetData(source->Data());
    SetValueType(source->ValueType());
    return;
  }
  inherited::Assign(Source);
}

TcxCustomGridView* TcxGridItemDataBinding::GridView() const {
  IcxGridDataItem* item = DataItem();
  return item ? item->GetGridView() : nullptr;
}

TcxCustomDataController* TcxGridItemDataBinding::DataController() const {
  TcxCustomGridView* view = GridView();
  return view ? view->DataController() : nullptr;
}

int32_t TcxGridItemDataBinding::ItemIndex() const {
  auto* owner = dynamic_cast<IcxGridDataOwner*>(GridView());
  return owner ? owner->IndexOfItem(FItem) : -1;
}

void TcxGridItemDataBinding::SetData(TObject* Value) {
  if (FData == Value) return;
  FData = Value;
  if (IcxGridDataItem* item = DataItem()) item->BindingDataChanged();
}

TcxValueTypeClass TcxGridItemDataBinding::GetValueTypeClass() const {
  TcxCustomDataController* dataController = DataController();
  const int32_t index = ItemIndex();
  if (!dataController || index < 0 || index >= dataController->GetItemCount()) return nullptr;
  return dataController->GetItemValueTypeClass(index);
}

String TcxGridItemDataBinding::ValueType() const {
  TcxValueTypeClass cls = GetValueTypeClass();
  return cls ? String(cls->ClassName()) : String();
}

void TcxGridItemDataBinding::SetValueType(const String& Value) {
  TcxValueTypeClass cls = nullptr;
  if (!Value.empty()) {
    cls = cxValueTypeClassList()->FindByClassName(Value);
    // An item without a value type would silently read and write nothing: an unknown name is an error.
    if (!cls) RaiseControllerError(Format(kUnknownValueType, {Value}));
  }
  if (cls == GetValueTypeClass()) return;
  TcxCustomDataController* dataController = DataController();
  const int32_t index = ItemIndex();
  if (!dataController || index < 0 || index >= dataController->GetItemCount()) return;
  dataController->ChangeValueTypeClass(index, cls);
  ValueTypeClassChanged();
  if (IcxGridDataItem* item = DataItem()) item->ValueTypeClassChanged();
}

void TcxGridItemDataBinding::ValueTypeClassChanged() { FFilterMRUValueItems->Clear(); }

void TcxGridItemDataBinding::UpdateFilterMRUValueItemsLimit() {
  if (auto* owner = dynamic_cast<IcxGridDataOwner*>(GridView()))
    FFilterMRUValueItems->SetLimit(owner->GetFilterMRUItemsListCount());
}

TcxFilterCriteriaItem* TcxGridItemDataBinding::AddToFilter(TcxFilterCriteriaItemList* AParent,
                                                         TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                         const String& ADisplayText, bool AReplace) {
  String displayText = ADisplayText;
  if (displayText.empty() && !VarIsNull(AValue)) displayText = VarToStr(AValue);
  if (IcxGridDataItem* item = DataItem()) item->DoGetFilterDisplayText(AValue, displayText);
  TcxDataFilterCriteria* filter = DataController()->Filter();
  if (AReplace) filter->RemoveItemByItemLink(FItem);
  return filter->AddItem(AParent, FItem, AOperatorKind, AValue, displayText);
}

void TcxGridItemDataBinding::GetFilterStrings(TStrings* AStrings, TcxDataFilterValueList* AValueList) {
  IcxGridDataItem* item = DataItem();
  AValueList->Load(ItemIndex());
  if (item) item->DoGetFilterValues(AValueList);
  auto* owner = dynamic_cast<IcxGridDataOwner*>(GridView());
  if (owner && item && owner->GetFilterMRUItemsList() && item->GetFilteringMRUItemsList())
    FFilterMRUValueItems->AddToValueList(AValueList);
  AStrings->BeginUpdate();
  ScopeExit endUpdate([AStrings] { AStrings->EndUpdate(); });
  AStrings->Clear();
  // Line i stands for entry i of the value list.
  for (int32_t i = 0; i < AValueList->Count(); ++i) {
    const TcxFilterValueItem& entry = AValueList->GetItem(i);
    String text = entry.EntryText;
    if (item) item->DoGetFilterDisplayText(entry.ItemValue, text);
    AStrings->AddObject(text, nullptr);
  }
}

bool TcxGridItemDataBinding::GetFiltered() {
  TcxCustomDataController* dataController = DataController();
  return dataController && dataController->Filter()->FindItemByItemLink(FItem) != nullptr;
}

void TcxGridItemDataBinding::SetFiltered(bool Value) {
  if (Value) return;
  if (TcxCustomDataController* dataController = DataController()) dataController->Filter()->RemoveItemByItemLink(FItem);
}
