// The controller: items, records, the edit cycle, navigation, selection, locking, structure changes,
// notifications and the controller stream.
#include <algorithm>
#include <exception>

#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxCustomData.h"

namespace {

// Runs the unlock half of a bracket on the way out, also when an exception passes. The unlock may throw
// itself (it refilters and recalculates): on a normal exit that exception goes on instead of ending the
// process; while another exception is on its way, that one wins.
template <class F>
struct Finally {
  F Fn;
  int Pending = std::uncaught_exceptions();
  ~Finally() noexcept(false) {
    if (std::uncaught_exceptions() > Pending) {
      try {
        Fn();
      } catch (...) {
      }
    } else {
      Fn();
    }
  }
};
template <class F>
Finally(F) -> Finally<F>;

const char* const cxDataControllerStreamHeader = "DataController1";

}  // namespace

TcxCustomDataController::TcxCustomDataController(TComponent* AOwner) : FOwner(AOwner) {
  FOptions = TcxDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding};
}

void TcxCustomDataController::AfterConstruction() {
  TPersistent::AfterConstruction();
  FDataStorage = New<TcxDataStorage>();
  FGroups = New<TcxDataControllerGroups>(this);
  FFields = New<TcxCustomDataFieldList>(this);
  FFilter = CreateFilter();
  FSearch = CreateSearch();
  FSummary = CreateSummary();
  FProvider = CreateDataProvider();
  FDataControllerInfo = New<TcxCustomDataControllerInfo>(this);
  ResetDataChangeInfo();
  FNotifier = New<TcxDataControllerNotifier>(this);
  FDataStorage->OnInternalRecordsCleared = TNotifyEvent(this, &TcxCustomDataController::ResetNewItemRecord);
  UpdateUseRecordIDs();
}

void TcxCustomDataController::BeforeDestruction() {
  FDestroying = true;
  TPersistent::BeforeDestruction();
}

TcxCustomDataController::~TcxCustomDataController() {
  FDestroying = true;
  FreeAndNil(FNotifier);
  if (FMasterRelation && FMasterRelation->BoundDetailController() == this) FMasterRelation->SetBoundDetailController(nullptr);
  FMasterRelation = nullptr;
  FreeAndNil(FRelations);
  FreeAndNil(FFilterList);
  FreeAndNil(FDataControllerInfo);
  FreeAndNil(FSummary);
  FreeAndNil(FFilter);
  if (FDataStorage) FDataStorage->Reset(false);
  FreeAndNil(FGroups);
  FreeAndNil(FFields);
  FreeAndNil(FDataStorage);
  FreeAndNil(FProvider);
  FreeAndNil(FSearch);
  for (TcxDataListenerLink* link : FListenerLinks) link->Ref = nullptr;
  FListenerLinks.clear();
}

void TcxCustomDataController::Assign(TPersistent* ASource) {
  if (ASource && ASource->Is<TcxCustomDataController>()) {
    auto* src = static_cast<TcxCustomDataController*>(ASource);
    SetOptions(src->FOptions);
    OnCompare = src->OnCompare;
    OnDataChanged = src->OnDataChanged;
    OnDetailCollapsing = src->OnDetailCollapsing;
    OnDetailCollapsed = src->OnDetailCollapsed;
    OnDetailExpanding = src->OnDetailExpanding;
    OnDetailExpanded = src->OnDetailExpanded;
    OnGroupingChanged = src->OnGroupingChanged;
    OnRecordChanged = src->OnRecordChanged;
    OnSortingChanged = src->OnSortingChanged;
  } else
    TPersistent::Assign(ASource);
}

TcxCustomDataProvider* TcxCustomDataController::CreateDataProvider() { return New<TcxCustomDataProvider>(this); }
TcxDataSelection* TcxCustomDataController::CreateDataSelection() { return New<TcxDataSelection>(this); }
TcxCustomDataField* TcxCustomDataController::CreateField() { return New<TcxCustomDataField>(FFields); }
TcxDataFilterCriteria* TcxCustomDataController::CreateFilter() { return New<TcxDataFilterCriteria>(this); }
TcxDataSummary* TcxCustomDataController::CreateSummary() { return New<TcxDataSummary>(this); }

TCollectionItemClass TcxCustomDataController::GetSummaryItemClass() { return TcxDataSummaryItem::StaticClass(); }

TCollectionItemClass TcxCustomDataController::GetSummaryGroupItemLinkClass() { return TcxDataSummaryGroupItemLink::StaticClass(); }
TcxDataControllerSearch* TcxCustomDataController::CreateSearch() { return New<TcxDataControllerSearch>(this); }

bool TcxCustomDataController::IsLoading() const {
  return FOwner && FOwner->ComponentState().Contains(csLoading);
}

bool TcxCustomDataController::IsDestroying() const {
  return FDestroying || (FOwner && FOwner->ComponentState().Contains(csDestroying));
}

bool TcxCustomDataController::IsReading() const { return FOwner && FOwner->ComponentState().Contains(csReading); }

void TcxCustomDataController::SetOptions(TcxDataControllerOptions AValue) {
  if (FOptions == AValue) return;
  FOptions = AValue;
  Refresh();
}

// ---------------------------------------------------------------------------------------------------
// Items and fields

TcxCustomDataField* TcxCustomDataController::AddField() {
  TcxCustomDataField* f = CreateField();
  FFields->Add(f);
  return f;
}

TcxCustomDataField* TcxCustomDataController::AddInternalField() {
  TcxCustomDataField* f = CreateField();
  f->SetIsInternal(true);
  FFields->Add(f);
  return f;
}

TcxCustomDataField* TcxCustomDataController::AddItem(TObject* AItem) {
  if (FFields->FindByItem(AItem)) RaiseControllerError(cxSDataItemExistError);
  TcxCustomDataField* f = AddField();
  f->SetItem(AItem);
  return f;
}

void TcxCustomDataController::RemoveItem(TObject* AItem) {
  TcxCustomDataField* f = FFields->FindByItem(AItem);
  if (!f) return;
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FDataControllerInfo->RemoveField(f);
  f->Free();
}

void TcxCustomDataController::UpdateItemIndexes() {
  for (int32_t i = 0; i < GetItemCount(); ++i) {
    TcxCustomDataField* f = FFields->FindByItem(GetItem(i));
    if (f) f->SetIndex(i);
  }
  Change(dccLayout);
}

TObject* TcxCustomDataController::GetItem(int32_t AIndex) { return FFields->Fields(AIndex)->Item(); }

int32_t TcxCustomDataController::GetItemCount() { return FFields->NonInternalCount(); }

void TcxCustomDataController::CheckItemRange(int32_t AItemIndex) {
  if (AItemIndex < 0 || AItemIndex >= GetItemCount()) RaiseControllerError(cxSDataItemRangeError);
}

TcxCustomDataField* TcxCustomDataController::Fields(int32_t AItemIndex) {
  CheckItemRange(AItemIndex);
  return FFields->Fields(AItemIndex);
}

void TcxCustomDataController::ChangeValueTypeClass(int32_t AItemIndex, TcxValueTypeClass AClass) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (f->GetValueTypeClass() == AClass) return;
  f->SetValueTypeClass(AClass);
  if (IsProviderMode()) UpdateStructure();
  FDataControllerInfo->RecheckField(f);
  DoValueTypeClassChanged(AItemIndex);
}

void TcxCustomDataController::ChangeTextStored(int32_t AItemIndex, bool AValue) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (f->GetTextStored() == AValue) return;
  f->SetTextStored(AValue);
  FDataControllerInfo->RecheckField(f);
}

void TcxCustomDataController::ChangeItemCompareFlag(int32_t AItemIndex, bool AValue) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (f->CompareFlag() == AValue) return;
  f->SetCompareFlag(AValue);
  FDataControllerInfo->RecheckField(f);
}

TcxValueTypeClass TcxCustomDataController::GetItemValueTypeClass(int32_t AItemIndex) {
  return Fields(AItemIndex)->GetValueTypeClass();
}

bool TcxCustomDataController::GetItemTextStored(int32_t AItemIndex) { return Fields(AItemIndex)->GetTextStored(); }

TObject* TcxCustomDataController::FindItemByID(int32_t AID) {
  for (int32_t i = 0; i < GetItemCount(); ++i)
    if (GetItemID(GetItem(i)) == AID) return GetItem(i);
  return nullptr;
}

void TcxCustomDataController::RemoveFieldReferences(TcxCustomDataField* AField) {
  if (FRecordHandleField == AField) FRecordHandleField = nullptr;
  if (FFilter) FFilter->RemoveItemByField(AField);
  if (FFilterList) FFilterList->RemoveFieldReferences(AField);
  if (FSummary) FSummary->RemoveItemsByField(AField);
  if (FRelations) FRelations->FieldDestroyed(AField);
  if (FIncrementalFilterField == AField) {
    FIncrementalFilterField = nullptr;
    FIncrementalFilterText.clear();
  }
  if (FIncrementalSearchField == AField) {
    if (FSearch && !FDestroying) FSearch->Cancel();
    FIncrementalSearchField = nullptr;
    FIncrementalSearching = false;
    FIncrementalSearchText.clear();
  }
}

void TcxCustomDataController::NotifyFieldList(TComponent* AComponent) {
  if (FFields) FFields->RemoveNotification(AComponent);
}

// ---------------------------------------------------------------------------------------------------
// Records and values

void TcxCustomDataController::CheckRecordRange(int32_t ARecordIndex) {
  if ((ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) &&
      (ARecordIndex == cxNullEditingRecordIndex || ARecordIndex != FNewItemRecordIndex || ARecordIndex == 0))
    RaiseControllerError(cxSDataRecordIndexError);
}

bool TcxCustomDataController::IsProviderField(TcxCustomDataField* AField) {
  if (!AField->IsInternal()) return true;
  TcxCustomDataField* ref = AField->ReferenceField();
  return ref && !ref->IsInternal();
}

Variant TcxCustomDataController::GetStoredValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (IsGridMode() && IsProviderField(AField)) return FProvider->GetValue(ARecordIndex, AField);
  TcxValueDef* def = AField->GetValueDef();
  return def ? FDataStorage->RecordValue(ARecordIndex, def) : Null();
}

String TcxCustomDataController::GetStoredDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (IsGridMode() && IsProviderField(AField)) return FProvider->GetDisplayText(ARecordIndex, AField);
  TcxValueDef* def = AField->GetValueDef();
  return def ? FDataStorage->RecordText(ARecordIndex, def) : String();
}

Variant TcxCustomDataController::GetFieldValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField))
    return FProvider->GetSourceValue(ARecordIndex, AField);
  return GetStoredValue(ARecordIndex, AField);
}

String TcxCustomDataController::GetFieldDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField))
    return FProvider->GetSourceDisplayText(ARecordIndex, AField);
  return GetStoredDisplayText(ARecordIndex, AField);
}

Variant TcxCustomDataController::GetValue(int32_t ARecordIndex, int32_t AItemIndex) {
  TcxCustomDataField* f = Fields(AItemIndex);
  CheckRecordRange(ARecordIndex);
  return GetFieldValue(ARecordIndex, f);
}

String TcxCustomDataController::GetDisplayText(int32_t ARecordIndex, int32_t AItemIndex) {
  TcxCustomDataField* f = Fields(AItemIndex);
  CheckRecordRange(ARecordIndex);
  return GetFieldDisplayText(ARecordIndex, f);
}

void TcxCustomDataController::SetValue(int32_t ARecordIndex, int32_t AItemIndex, const Variant& AValue) {
  if (IsGridMode()) return;
  TcxCustomDataField* f = Fields(AItemIndex);
  CheckRecordRange(ARecordIndex);
  if (IsProviderMode() && ARecordIndex >= 0)
    FProvider->SetSourceValue(ARecordIndex, f, AValue);
  else if (TcxValueDef* def = f->GetValueDef())
    FDataStorage->PutRecordValue(ARecordIndex, def, AValue);
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

void TcxCustomDataController::SetDisplayText(int32_t ARecordIndex, int32_t AItemIndex, const String& AText) {
  if (IsGridMode()) return;
  TcxCustomDataField* f = Fields(AItemIndex);
  CheckRecordRange(ARecordIndex);
  if (IsProviderMode() && ARecordIndex >= 0)
    FProvider->SetSourceValue(ARecordIndex, f, AText);
  else if (TcxValueDef* def = f->GetValueDef())
    FDataStorage->PutRecordText(ARecordIndex, def, AText);
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

int32_t TcxCustomDataController::GetRecordCount() { return FDataStorage->RecordCount(); }

void TcxCustomDataController::CheckSelectionAndBookmark() {
  FDataControllerInfo->CheckSelection();
  if (FBookmarkRecordIndex >= GetRecordCount()) ClearBookmarkAndNotify();
}

void TcxCustomDataController::SetRecordCount(int32_t ACount) {
  if (IsGridMode()) return;
  if (ACount < 0) ACount = 0;
  const int32_t old = GetRecordCount();
  if (ACount == old) return;
  if (IsProviderMode()) {
    FProvider->SetSourceRecordCount(ACount);
    return;
  }
  FDataStorage->ResizeTo(ACount);
  CheckSelectionAndBookmark();
  CheckEditingRecordIndex(-1);
  DataChanged(ACount > old ? dcNew : dcDeleted, -1, -1);
}

void TcxCustomDataController::CheckEditingRecordIndex(int32_t ARecordIndex) {
  (void)ARecordIndex;
  const int32_t edit = FProvider->EditRecord();
  if (edit != cxNullEditingRecordIndex && edit >= 0 && edit >= GetRecordCount()) FProvider->ResetEditing();
}

int32_t TcxCustomDataController::AppendNewRecord() {
  if (IsProviderMode()) return FProvider->AppendSourceRecord();
  const int32_t index = FDataStorage->AddRecord();
  DataChanged(dcNew, -1, -1);
  return index;
}

int32_t TcxCustomDataController::InsertRecordAt(int32_t AIndex) {
  if (AIndex < 0 || AIndex > GetRecordCount()) RaiseControllerError(cxSDataRecordIndexError);
  if (IsProviderMode()) return FProvider->InsertSourceRecord(AIndex);
  const int32_t index = FDataStorage->InsertEmptyRecord(AIndex);
  FProvider->ShiftEditRecords(index, 1);
  ShiftDetailsAfterInsert(index);
  DataChanged(dcNew, -1, -1);
  return index;
}

void TcxCustomDataController::DeleteStorageRecord(int32_t ARecordIndex) {
  if (IsProviderMode()) FProvider->DeleteSourceRecord(ARecordIndex);
  FDataStorage->RemoveRecord(ARecordIndex);
}

void TcxCustomDataController::DeleteRecordAt(int32_t ARecordIndex) {
  CheckRecordRange(ARecordIndex);
  if (FProvider->EditRecord() == ARecordIndex) FProvider->ClearEditRecord();
  if (IsProviderMode() && ARecordIndex >= 0) {
    FProvider->DeleteSourceRecord(ARecordIndex);
    FDataStorage->RemoveRecord(ARecordIndex);
  } else {
    FDataStorage->RemoveRecord(ARecordIndex);
    if (ARecordIndex >= 0) {
      FProvider->ShiftEditRecords(ARecordIndex + 1, -1);
      // Selection entries and the bookmark follow the records that moved down.
      TcxDataSelection* sel = FDataControllerInfo->GetSelection();
      for (int32_t i = sel->GetCount() - 1; i >= 0; --i) {
        TcxDataSelectionInfo& e = sel->Items(i);
        if (e.Level == -1) continue;
        if (e.Index == ARecordIndex)
          sel->DeleteItem(i);
        else if (e.Index > ARecordIndex)
          --e.Index;
      }
      if (FBookmarkRecordIndex == ARecordIndex)
        ClearBookmarkAndNotify();
      else if (FBookmarkRecordIndex > ARecordIndex)
        --FBookmarkRecordIndex;
    }
  }
  if (ARecordIndex >= 0) ShiftDetailsAfterDelete(ARecordIndex);
  CheckSelectionAndBookmark();
  if (FNewItemRecordIndex == ARecordIndex) FNewItemRecordIndex = 0;
  DataChanged(dcDeleted, -1, -1);
}

Variant TcxCustomDataController::GetRecordId(int32_t ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) RaiseControllerError(cxSDataRecordIndexError);
  if (IsProviderMode() && FProvider->IsRecordIdSupported()) return FProvider->GetSourceRecordId(ARecordIndex);
  return Null();
}

Variant TcxCustomDataController::GetRecordValues(int32_t ARecordIndex, const std::vector<TcxCustomDataField*>& AFields) {
  if (AFields.empty()) return IsProviderMode() ? FProvider->GetSourceRecordId(ARecordIndex) : Null();
  if (AFields.size() == 1) return GetFieldValue(ARecordIndex, AFields[0]);
  Variant v = VarArrayCreate({0, static_cast<int32_t>(AFields.size()) - 1}, varVariant);
  for (size_t i = 0; i < AFields.size(); ++i) v[static_cast<int32_t>(i)] = GetFieldValue(ARecordIndex, AFields[i]);
  return v;
}

void TcxCustomDataController::GetGroupingValues(int32_t ARecordIndex, TcxDataSummaryValues& AValues) {
  TcxGroupingFieldList* list = FDataControllerInfo->GroupingFieldList();
  AValues.assign(static_cast<size_t>(list->Count()), Null());
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) return;
  for (int32_t i = 0; i < list->Count(); ++i)
    AValues[static_cast<size_t>(i)] = GetGroupingValue(ARecordIndex, list->Items(i).Field);
}

TcxDataSummaryValues TcxCustomDataController::GroupingValuesOf(int32_t ARecordIndex) {
  TcxDataSummaryValues values;
  GetGroupingValues(ARecordIndex, values);
  return values;
}

void TcxCustomDataController::CopyRecordData(int32_t AFromRecordIndex, int32_t AToRecordIndex) {
  for (int32_t i = 0; i < FFields->Count(); ++i) {
    TcxCustomDataField* f = FFields->Fields(i);
    TcxValueDef* def = f->GetValueDef();
    if (!def || f->ReferenceField()) continue;
    const Variant v = GetFieldValue(AFromRecordIndex, f);
    if (IsProviderMode() && AToRecordIndex >= 0 && IsProviderField(f))
      WriteValueToSource(AToRecordIndex, f, v);
    else {
      FDataStorage->PutRecordValue(AToRecordIndex, def, v);
      if (def->KeepsText()) FDataStorage->PutRecordText(AToRecordIndex, def, FDataStorage->RecordText(AFromRecordIndex, def));
    }
  }
  if (AToRecordIndex >= 0) DataChanged(dcRecord, -1, AToRecordIndex);
}

void TcxCustomDataController::WriteValueToSource(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) {
  FProvider->SetSourceValue(ARecordIndex, AField, AValue);
}

// ---------------------------------------------------------------------------------------------------
// Editing

int32_t TcxCustomDataController::GetEditState() {
  int32_t state = 0;
  if (FProvider->IsInserting())
    state = dceInsert;
  else if (FProvider->IsEditing())
    state = dceEdit;
  if (state) {
    if (FProvider->IsChanging()) state |= dceChanging;
    if (FProvider->IsModified()) state |= dceModified;
  }
  return state;
}

bool TcxCustomDataController::IsEditing() {
  return (GetEditState() & (dceInsert | dceEdit)) && FProvider->EditRecord() != cxNullEditingRecordIndex;
}

int32_t TcxCustomDataController::GetEditOperations() {
  int32_t ops = 0;
  if (FProvider->CanAppend()) ops |= dceoAppend;
  if (FProvider->CanDelete()) ops |= dceoDelete;
  if (FProvider->CanModify()) ops |= dceoEdit;
  if (FProvider->CanInsert()) ops |= dceoInsert;
  if (!(FProvider->HasSourceState() && !FProvider->IsSyncMode())) ops |= dceoShowEdit;
  return ops;
}

void TcxCustomDataController::PostEditingData() {
  if (IsEditing()) Post();
}

void TcxCustomDataController::Edit() {
  if (FProvider->CanModify()) FProvider->Edit();
}

void TcxCustomDataController::Insert() {
  if (FProvider->CanInsert()) FProvider->Insert();
}

void TcxCustomDataController::Append() {
  if (FProvider->CanAppend()) FProvider->Append();
}

void TcxCustomDataController::Post() {
  TcxDataListenerLink* link = AddListenerLink();
  try {
    FRefocusAfterFilter = true;
    if (FProvider->IsEditing()) FProvider->Post();
  } catch (...) {
    if (link->Ref) {
      FRefocusAfterFilter = false;
      FProvider->SetJustInsertedRecord(-1);
    }
    RemoveListenerLink(link);
    throw;
  }
  if (link->Ref) {
    FRefocusAfterFilter = false;
    FProvider->SetJustInsertedRecord(-1);
  }
  RemoveListenerLink(link);
}

void TcxCustomDataController::Cancel() {
  if (FCancelGuard) return;
  FCancelGuard = true;
  Finally guard{[this] { FCancelGuard = false; }};
  const int32_t row = GetFocusedRowIndex();
  if (FProvider->IsEditing()) FProvider->Cancel();
  if (row != -1 && !FNewItemRowFocused) ChangeFocusedRowIndex(std::min(row, GetRowCount() - 1));
}

void TcxCustomDataController::DeleteFocused() {
  const int32_t row = GetFocusedRowIndex();
  if (row == -1 || !FProvider->CanDelete()) return;
  if (!IsGridMode()) FProvider->BeginDeleting();
  Finally reset{[this] { FNearestRecordIndex = -1; }};
  const TcxRowInfo info = GetRowInfo(row);
  if (info.Level < FGroups->GetGroupingItemCount()) {
    std::vector<int32_t> records;
    FGroups->GetGroupRecords(records, row);
    DeleteRecords(records);
  } else
    DeleteFocusedRecord();
  FDataControllerInfo->ClearSelection();
}

void TcxCustomDataController::DeleteSelection() {
  if (GetSelectedCount() == 0 || !FProvider->CanDelete()) return;
  if (!IsGridMode()) FProvider->BeginDeleting();
  Finally reset{[this] {
    FNearestRecordIndex = -1;
    FSelectionDeleting = false;
  }};
  if (IsSingleSelection())
    DeleteFocusedRecord();
  else {
    FSelectionDeleting = true;
    FProvider->DeleteSelection();
    FSelectionDeleting = false;
    FDataControllerInfo->ClearSelection();
  }
}

namespace {
void FocusAfterDelete(TcxCustomDataController* dc) {
  if (dc->NearestRecordIndex() >= 0 && dc->NearestRecordIndex() < dc->GetRecordCount())
    dc->ChangeFocusedRecordIndex(dc->NearestRecordIndex());
  else if (!dc->IsInfoLocked() && dc->GetFocusedRecordIndex() == -1 && dc->GetRowCount() > 0)
    dc->ChangeFocusedRowIndex(dc->GetRowCount() - 1);
}
}  // namespace

void TcxCustomDataController::DeleteRecords(std::vector<int32_t> AList) {
  std::sort(AList.begin(), AList.end());
  AList.erase(std::unique(AList.begin(), AList.end()), AList.end());
  if (FNearestRecordIndex >= 0) {
    const int32_t nearest = FNearestRecordIndex;
    for (int32_t r : AList)
      if (r <= nearest) --FNearestRecordIndex;
  }
  FProvider->DeleteRecords(AList);
  FocusAfterDelete(this);
}

void TcxCustomDataController::DeleteFocusedRecord() {
  const int32_t record = GetFocusedRecordIndex();
  if (record < 0) return;
  if (FNearestRecordIndex >= record) --FNearestRecordIndex;
  BeginUpdate();
  try {
    FProvider->DeleteFocused();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  FocusAfterDelete(this);
}

Variant TcxCustomDataController::GetEditValue(int32_t AItemIndex, TcxDataEditValueSource AEditValueSource) {
  (void)AEditValueSource;
  TcxCustomDataField* f = Fields(AItemIndex);
  if (FUseNewItemRowForEditing && FNewItemRowFocused && !IsEditing()) return Null();
  return FProvider->GetEditValue(GetEditingRecordIndex(), f);
}

bool TcxCustomDataController::SetEditValue(int32_t AItemIndex, const Variant& AValue, TcxDataEditValueSource AEditValueSource) {
  if (!CanInitEditing(AItemIndex)) return false;
  const bool ok = FProvider->SetEditValue(GetEditingRecordIndex(), Fields(AItemIndex), AValue, AEditValueSource);
  if (ok && IsImmediatePost()) Post();
  return ok;
}

bool TcxCustomDataController::CanInitEditing(int32_t AItemIndex) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (!FProvider->CanModify() && !f->CanModify(evsValue)) return false;
  if (!CanEditItem(AItemIndex)) return false;
  return FProvider->CanInitEditing(GetEditingRecordIndex());
}

void TcxCustomDataController::UpdateData() { FProvider->UpdateData(); }

int32_t TcxCustomDataController::GetEditingRecordIndex() {
  const int32_t r = FProvider->EditRecord();
  return r == cxNullEditingRecordIndex ? GetFocusedDataRecordIndex() : r;
}

int32_t TcxCustomDataController::GetFocusedDataRecordIndex() {
  if (IsNewItemRowEditing()) return GetNewItemRecordIndex();
  const int32_t row = GetFocusedRowIndex();
  if (row == -1) return cxNullEditingRecordIndex;
  return GetRowInfo(row).RecordIndex;
}

int32_t TcxCustomDataController::GetNewItemRecordIndex() {
  if (FNewItemRecordIndex == 0) FNewItemRecordIndex = FDataStorage->NewInternalRecord();
  return FNewItemRecordIndex;
}

void TcxCustomDataController::ResetNewItemRecord(TObject* ASender) {
  (void)ASender;
  FNewItemRecordIndex = 0;
}

bool TcxCustomDataController::CanFocusRecord(int32_t ARecordIndex) {
  if (!FProvider->HasSourceState() && ARecordIndex != FProvider->EditRecord()) PostEditingData();
  return true;
}

void TcxCustomDataController::SetNewItemRowFocused(bool AValue) {
  if (FNewItemRowFocused != AValue) {
    LockInfo();
    Finally unlock{[this] { UnlockInfo(); }};
    if (AValue) {
      FDataControllerInfo->ChangeFocusedRow(-1, true);
      FNewItemRowFocused = true;
    } else {
      FNewItemRowFocused = false;
      if (!IsDestroying()) PostEditingData();
    }
    FDataControllerInfo->MarkFocusedRecordChanged(true);
  }
  if (FOptions.Contains(dcoInsertOnNewItemRowFocusing) && IsNewItemRowEditing() && !FProvider->IsInserting()) Insert();
}

void TcxCustomDataController::SetUseNewItemRowForEditing(bool AValue) {
  if (FUseNewItemRowForEditing == AValue) return;
  Cancel();
  ClearSelection();
  FUseNewItemRowForEditing = AValue;
  Change(dccData);
}

// ---------------------------------------------------------------------------------------------------
// Navigation and focus

void TcxCustomDataController::GotoFirst() {
  if (IsGridMode())
    FProvider->First();
  else
    ChangeFocusedRowIndex(0);
}

void TcxCustomDataController::GotoLast() {
  if (IsGridMode())
    FProvider->Last();
  else
    ChangeFocusedRowIndex(GetRowCount() - 1);
}

void TcxCustomDataController::GotoNext() {
  if (IsGridMode())
    FProvider->Next();
  else
    ChangeFocusedRowIndex(GetFocusedRowIndex() + 1);
}

void TcxCustomDataController::GotoPrev() {
  if (IsGridMode())
    FProvider->Prior();
  else
    ChangeFocusedRowIndex(std::max(GetFocusedRowIndex() - 1, 0));
}

void TcxCustomDataController::MoveFocusedRowBy(int32_t ADistance) {
  if (IsGridMode())
    FProvider->MoveBy(ADistance);
  else
    ChangeFocusedRowIndex(std::max(GetFocusedRowIndex() + ADistance, 0));
}

// Scrolls the grid-mode window: the distance counts from the window's edge, so that the window moves by
// exactly that many records whatever row the cursor stands on.
void TcxCustomDataController::MoveBy(int32_t ADistance) {
  if (IsGridMode()) FProvider->Scroll(ADistance);
}

bool TcxCustomDataController::IsBOF() {
  if (IsGridMode()) return FProvider->IsBOF();
  return GetRowCount() == 0 || GetFocusedRowIndex() == 0;
}

bool TcxCustomDataController::IsEOF() {
  if (IsGridMode()) return FProvider->IsEOF();
  return GetRowCount() == 0 || GetFocusedRowIndex() == GetRowCount() - 1;
}

bool TcxCustomDataController::ChangeFocusedRowIndex(int32_t ARow) {
  if (FProvider->IsSyncMode() && !FProvider->IsInserting() && ARow != GetFocusedRowIndex() && !CanChangeFocusedRow())
    return false;
  if (ARow != GetFocusedRowIndex()) CheckDetailsBrowseMode();
  {
    LockInfo();
    Finally unlock{[this] { UnlockInfo(); }};
    FDataControllerInfo->ChangeFocusedRow(ARow, false);
  }
  // In sync mode the view may want the newly focused record's open details to show a focused row too.
  if (FProvider->IsSyncMode() && !FFocusingDetails && GetFlag82()) {
    const int32_t record = GetFocusedRecordIndex();
    if (record != -1) {
      FFocusingDetails = true;
      Finally done{[this] { FFocusingDetails = false; }};
      FocusDetails(record);
    }
  }
  return true;
}

void TcxCustomDataController::ChangeFocusedRecordIndex(int32_t ARecordIndex) {
  ChangeFocusedRowIndex(GetRowIndexByRecordIndex(ARecordIndex, true));
}

int32_t TcxCustomDataController::GetSyncFocusedRecordIndex() {
  if (FProvider->HasSourceState() && FProvider->IsSyncMode()) return FProvider->GetSyncRecordIndex();
  return GetFocusedRecordIndex();
}

int32_t TcxCustomDataController::GetFocusedRowIndex() const { return FDataControllerInfo->GetFocusedRowIndex(); }

int32_t TcxCustomDataController::GetFocusedRecordIndex() const { return FDataControllerInfo->GetFocusedRecordIndex(); }

void TcxCustomDataController::FocusFirstRowIfNone() {
  if (GetFocusedRowIndex() == -1 && !IsNewItemRowEditing()) ChangeFocusedRowIndex(0);
}

int32_t TcxCustomDataController::GetRowCount() const { return FDataControllerInfo->GetRowCount(); }

TcxRowInfo TcxCustomDataController::GetRowInfo(int32_t ARow) const {
  TcxRowInfo info;
  FDataControllerInfo->GetRowInfo(ARow, info);
  return info;
}

int32_t TcxCustomDataController::GetRowIndexByRecordIndex(int32_t ARecordIndex, bool AMakeVisible) {
  return FDataControllerInfo->GetRowIndexByRecordIndex(ARecordIndex, AMakeVisible);
}

int32_t TcxCustomDataController::GetNearestRowIndex(int32_t ARow) const { return FDataControllerInfo->GetNearestRowIndex(ARow); }

String TcxCustomDataController::GetRowDisplayText(const TcxRowInfo& ARowInfo, int32_t& AItemIndex) {
  if (ARowInfo.RecordIndex != FNewItemRecordIndex || FNewItemRecordIndex == 0)
    if (ARowInfo.Level < FGroups->GetGroupingItemCount()) AItemIndex = FGroups->GetGroupingItemIndex(ARowInfo.Level);
  return GetDisplayText(ARowInfo.RecordIndex, AItemIndex);
}

Variant TcxCustomDataController::GetRowValue(const TcxRowInfo& ARowInfo, int32_t AItemIndex) {
  if (ARowInfo.RecordIndex != FNewItemRecordIndex || FNewItemRecordIndex == 0)
    if (ARowInfo.Level < FGroups->GetGroupingItemCount()) AItemIndex = FGroups->GetGroupingItemIndex(ARowInfo.Level);
  return GetValue(ARowInfo.RecordIndex, AItemIndex);
}

void TcxCustomDataController::ForEachRow(bool ASelectedOnly, const TcxForEachRowProc& AProc) {
  if (ASelectedOnly) {
    for (int32_t i = 0; i < GetSelectedCount(); ++i) {
      const int32_t row = GetSelectedRowIndex(i);
      AProc(row, GetRowInfo(row));
    }
  } else
    for (int32_t row = 0; row < GetRowCount(); ++row) AProc(row, GetRowInfo(row));
}

void TcxCustomDataController::CheckFocusing() {
  if (FLocateCount > 0) return;
  FDataControllerInfo->CheckFocusing();
}

// ---------------------------------------------------------------------------------------------------
// Sorting and grouping

void TcxCustomDataController::ChangeSorting(int32_t AItemIndex, TcxDataSortOrder AOrder) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (FDataControllerInfo->SortingFieldList()->SortOrderOf(f) == AOrder) return;
  PostEditingData();
  FSortingChanged = true;
  FDataControllerInfo->ChangeSorting(f, AOrder);
}

void TcxCustomDataController::ClearSorting(bool AKeepGroupedItems) { FDataControllerInfo->ClearSorting(AKeepGroupedItems); }

TcxDataSortOrder TcxCustomDataController::GetItemSortOrder(int32_t AItemIndex) {
  TcxCustomDataField* f = Fields(AItemIndex);
  TcxDataSortOrder o = FDataControllerInfo->SortingFieldList()->SortOrderOf(f);
  if (o == soNone) o = FDataControllerInfo->GroupingFieldList()->SortOrderOf(f);
  return o;
}

int32_t TcxCustomDataController::GetItemSortingIndex(int32_t AItemIndex) {
  return FDataControllerInfo->SortingFieldList()->Find(Fields(AItemIndex));
}

int32_t TcxCustomDataController::GetSortingItemCount() const { return FDataControllerInfo->SortingFieldList()->Count(); }

int32_t TcxCustomDataController::GetSortingItemIndex(int32_t I) const {
  return FDataControllerInfo->SortingFieldList()->Items(I).Field->Index();
}

void TcxCustomDataController::ChangeItemSortingIndex(int32_t AItemIndex, int32_t AIndex) {
  TcxCustomDataField* f = Fields(AItemIndex);
  if (GetItemSortingIndex(AItemIndex) == AIndex) return;
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  if (FGroups->GetItemGroupIndex(AItemIndex) != -1 && GetItemSortOrder(AItemIndex) == soAscending && AIndex == -1) {
    ChangeSorting(AItemIndex, soNone);
    return;
  }
  const TcxDataSortOrder order = GetItemSortOrder(AItemIndex);
  if (order == soNone) return;
  if (GetItemSortingIndex(AItemIndex) == -1) FDataControllerInfo->SortingFieldList()->Add(f, order);
  FDataControllerInfo->ChangeSortIndex(f, AIndex);
}

bool TcxCustomDataController::RefreshItemSorting(int32_t AItemIndex) {
  if (AItemIndex == -1 || GetItemSortOrder(AItemIndex) != soNone) {
    Refresh();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// Comparison

bool TcxCustomDataController::IsFieldStringCompare(TcxCustomDataField* AField) {
  if (!(FOptions.Contains(dcoAnsiSort) || FOptions.Contains(dcoCaseInsensitive))) return false;
  TcxValueTypeClass t = AField->GetValueTypeClass();
  return t && t->IsTextual();
}

bool TcxCustomDataController::IsFieldSortByDisplayText(TcxCustomDataField* AField) {
  if (FCompareByValue || AField->IsInternal() || AField->Index() < 0 || AField->Index() >= GetItemCount()) return false;
  return GetItemSortByDisplayText(AField->Index(), FOptions.Contains(dcoSortByDisplayText));
}

bool TcxCustomDataController::NeedsCustomCompare(TcxCustomDataField* AField) {
  if (AField->FCompareCache != 0) return AField->FCompareCache > 0;
  if (AField->CompareFlag() || IsFieldStringCompare(AField) || IsFieldSortByDisplayText(AField)) return true;
  if (IsProviderMode()) {
    TcxCustomDataSource* s = FProvider->CustomDataSource();
    return !(s && s->SupportsCompareInfo());
  }
  return false;
}

Variant TcxCustomDataController::GetCompareValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (AField->FCompareCache == 2) return GetFieldDisplayText(ARecordIndex, AField);
  return GetFieldValue(ARecordIndex, AField);
}

int32_t TcxCustomDataController::CompareStringValues(const Variant& V1, const Variant& V2) {
  const bool ansi = FOptions.Contains(dcoAnsiSort), ci = FOptions.Contains(dcoCaseInsensitive);
  if (ansi && ci) return AnsiCompareText(VarToStr(V1), VarToStr(V2));
  if (ansi) return AnsiCompareStr(VarToStr(V1), VarToStr(V2));
  if (ci) return CompareStr(AnsiUpperCase(VarToStr(V1)), AnsiUpperCase(VarToStr(V2)));
  return CompareVariantValues(V1, V2);
}

int32_t TcxCustomDataController::CompareStoredValues(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField) {
  TcxValueDef* def = AField->GetValueDef();
  if (!def) return 0;
  if (IsProviderMode()) return FProvider->CompareRecords(ARecordIndex1, ARecordIndex2, AField);
  return FDataStorage->CompareRecords(ARecordIndex1, ARecordIndex2, def);
}

int32_t TcxCustomDataController::CompareByField(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField) {
  if ((OnCompare.Assigned() && !AField->IsInternal()) || NeedsCustomCompare(AField)) {
    if (!OnCompare.Assigned() && IsProviderMode() && FProvider->CustomDataSource()->IsNativeCompare() &&
        ARecordIndex1 >= 0 && ARecordIndex2 >= 0)
      return FProvider->CompareSourceRecords(ARecordIndex1, ARecordIndex2, AField);
    const Variant v1 = GetCompareValue(ARecordIndex1, AField), v2 = GetCompareValue(ARecordIndex2, AField);
    if (OnCompare.Assigned()) {
      int32_t compare = 0;
      OnCompare(this, ARecordIndex1, ARecordIndex2, AField->Index(), v1, v2, compare);
      return compare;
    }
    if (VarIsStr(v1) && VarIsStr(v2)) return CompareStringValues(v1, v2);
    return CompareVariantValues(v1, v2);
  }
  return CompareStoredValues(ARecordIndex1, ARecordIndex2, AField);
}

int32_t TcxCustomDataController::CompareRecordsBySortInfo(int32_t ARecordIndex1, int32_t ARecordIndex2,
                                                          const TcxDataSortInfo& AInfo) {
  const int32_t c = CompareByField(ARecordIndex1, ARecordIndex2, AInfo.Field);
  return AInfo.SortOrder == soDescending ? -c : c;
}

// ---------------------------------------------------------------------------------------------------
// Filtering hooks

bool TcxCustomDataController::DoFilterRecord(int32_t ARecordIndex) {
  bool accept = true;
  if (OnFilterRecord.Assigned()) OnFilterRecord(this, ARecordIndex, accept);
  return accept;
}

TcxDataFilterList* TcxCustomDataController::GetFilterList() {
  if (!FFilterList) FFilterList = New<TcxDataFilterList>(this);
  return FFilterList;
}

void TcxCustomDataController::FilterChanged() {
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FRefocusAfterFilter = true;
  FDataControllerInfo->DataChanged();
  RefreshPrevSelectionInfo();
}

// ---------------------------------------------------------------------------------------------------
// Selection

int32_t TcxCustomDataController::GetSelectedCount() const {
  if (IsSingleSelection()) return FFocusedRowSelected && GetFocusedRowIndex() != -1 ? 1 : 0;
  return FDataControllerInfo->GetSelectedCount();
}

int32_t TcxCustomDataController::GetSelectedRowIndex(int32_t I) const {
  if (IsSingleSelection()) return GetFocusedRowIndex();
  return FDataControllerInfo->GetSelectedRowIndex(I);
}

bool TcxCustomDataController::IsRowSelected(int32_t ARow) const {
  if (IsSingleSelection()) return FFocusedRowSelected && ARow == GetFocusedRowIndex() && ARow != -1;
  return FDataControllerInfo->IsRowSelected(ARow);
}

void TcxCustomDataController::SetFocusedSelected(bool AValue) {
  if (!IsSingleSelection()) return;
  FFocusedRowSelected = AValue;
  if (GetFocusedRowIndex() != -1) {
    FPrevSelectionCount = 1;
    FPrevSelectionRow = FDataControllerInfo->PrevFocusingInfo()->RowIndex;
    Change(dccSelection);
  }
}

void TcxCustomDataController::ChangeMultiSelect(bool AValue) {
  if (FMultiSelect == AValue) return;
  FMultiSelect = AValue;
  FFocusedRowSelected = true;
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FDataControllerInfo->ClearSelection();
  if (AValue && GetFocusedRowIndex() != -1) FDataControllerInfo->ChangeRowSelection(GetFocusedRowIndex(), true);
}

void TcxCustomDataController::ChangeRowSelection(int32_t ARow, bool ASelect) {
  if (IsSingleSelection()) return;
  FDataControllerInfo->ChangeRowSelection(ARow, ASelect);
}

void TcxCustomDataController::SelectAll() { SelectRows(0, GetRowCount() - 1); }

void TcxCustomDataController::SelectRows(int32_t AFrom, int32_t ATo) {
  if (IsSingleSelection() || GetRowCount() == 0) return;
  if (AFrom > ATo) std::swap(AFrom, ATo);
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  for (int32_t row = std::max(AFrom, 0); row <= std::min(ATo, GetRowCount() - 1); ++row)
    FDataControllerInfo->ChangeRowSelection(row, true);
}

void TcxCustomDataController::SetSelectionAnchor(int32_t ARow) {
  FDataControllerInfo->CheckRowIndex(ARow);
  FDataControllerInfo->GetSelection()->SetSelectionAnchorRow(ARow);
}

int32_t TcxCustomDataController::GetSelectionAnchorRowIndex() const {
  return FDataControllerInfo->GetSelection()->SelectionAnchorRow();
}

void TcxCustomDataController::SelectFromAnchor(int32_t ARow, bool AKeepSelection) {
  const int32_t anchor = GetSelectionAnchorRowIndex();
  if (anchor == -1) return;
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  if (!AKeepSelection) {
    FDataControllerInfo->GetSelection()->Clear();
    FDataControllerInfo->GetSelection()->SetSelectionAnchorRow(anchor);
  }
  SelectRows(anchor, ARow);
}

void TcxCustomDataController::SelectFocusedRowOnly() {
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FDataControllerInfo->ClearSelection();
  if (GetFocusedRowIndex() != -1 && !IsSingleSelection()) FDataControllerInfo->ChangeRowSelection(GetFocusedRowIndex(), true);
}

void TcxCustomDataController::ResyncSelectionToFocus() {
  if (!IsSingleSelection()) SelectFocusedRowOnly();
}

bool TcxCustomDataController::FocusSelectedRow(int32_t I) {
  const int32_t row = GetSelectedRowIndex(I);
  ChangeFocusedRowIndex(row);
  return GetFocusedRowIndex() == row;
}

void TcxCustomDataController::ClearSelection() { FDataControllerInfo->ClearSelection(); }

// ---------------------------------------------------------------------------------------------------
// Bookmark

bool TcxCustomDataController::SaveBookmark() {
  const int32_t r = GetFocusedRecordIndex();
  if (r == FBookmarkRecordIndex) return false;
  FBookmarkRecordIndex = r;
  return true;
}

void TcxCustomDataController::SaveBookmarkAndNotify() {
  if (SaveBookmark()) Change(dccBookmark);
}

void TcxCustomDataController::ClearBookmark() { FBookmarkRecordIndex = -1; }

void TcxCustomDataController::ClearBookmarkAndNotify() {
  const bool was = IsBookmarkAvailable();
  ClearBookmark();
  if (was) Change(dccBookmark);
}

void TcxCustomDataController::GotoBookmark() {
  if (IsBookmarkAvailable()) ChangeFocusedRecordIndex(FBookmarkRecordIndex);
}

bool TcxCustomDataController::IsBookmarkRow(int32_t ARow) const {
  if (!IsBookmarkAvailable() || ARow < 0 || ARow >= GetRowCount()) return false;
  const TcxRowInfo info = GetRowInfo(ARow);
  return info.RecordIndex == FBookmarkRecordIndex && info.Level == FGroups->GetGroupingItemCount();
}

bool TcxCustomDataController::IsBookmarkAffected(int32_t ARecordIndex) {
  if (!IsBookmarkAvailable()) return false;
  return ARecordIndex == FBookmarkRecordIndex || FDataControllerInfo->IndexOfRecord(FBookmarkRecordIndex) == -1;
}

void TcxCustomDataController::CheckBookmark(int32_t ARecordIndex) {
  if (IsBookmarkAffected(ARecordIndex)) ClearBookmarkAndNotify();
}

// ---------------------------------------------------------------------------------------------------
// Update locking

void TcxCustomDataController::UnlockInfo() {
  FDataControllerInfo->EndUpdate();
  CheckChanges();
}

void TcxCustomDataController::BeginFullUpdate() {
  if (FFullUpdateCount++ == 0) {
    LockInfo();
    FFullUpdateState = New<TcxSaveObject>();
    FFullUpdateState->SaveState(this);
  }
}

void TcxCustomDataController::EndFullUpdate() {
  if (--FFullUpdateCount != 0) return;
  Finally finish{[this] {
    FreeAndNil(FFullUpdateState);
    UnlockInfo();
  }};
  FFullUpdateState->RestoreState(this);
}

void TcxCustomDataController::UnlockUpdateFields() {
  if (--FUpdateFieldsLockCount == 0 && FUpdateFieldsPending) {
    FUpdateFieldsPending = false;
    LayoutChanged(1);
  }
}

void TcxCustomDataController::BeginLocate() {
  ++FLocateCount;
  FProvider->BeginLocate();
}

void TcxCustomDataController::EndLocate() {
  --FLocateCount;
  FProvider->EndLocate();
}

void TcxCustomDataController::Refresh() {
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FDataControllerInfo->DataChanged();
}

// ---------------------------------------------------------------------------------------------------
// Structure and loading

void TcxCustomDataController::SetActive(bool AValue) {
  FActive = AValue;
  UpdateItemsStructure(FProvider->IsActive());
}

void TcxCustomDataController::LayoutChanged(int32_t AKind) {
  (void)AKind;
  UpdateItemsStructure(FProvider->IsActive());
}

void TcxCustomDataController::UpdateItemsStructure(bool AProviderActive) {
  if (FItemsUpdateGuard) return;
  // A grid-mode structure change waits for the flush of the change bits (CheckChanges), which applies it
  // with one layout change; that layout change itself is not put off again.
  if (!FApplyingGridModeStructure && IsGridModeStructureChanged()) FGridModeStructureChanged = true;
  if (GetFlag70()) UpdateItemsCore(AProviderActive);
}

void TcxCustomDataController::UpdateItemsCore(bool AProviderActive) {
  FItemsUpdateGuard = true;
  LockInfo();
  Finally unlock{[this] {
    FItemsUpdateGuard = false;
    FStructureRecreated = false;
    UnlockInfo();
  }};
  if (AProviderActive || FProvider->HasFields()) {
    if (FUpdateFieldsLockCount > 0)
      FUpdateFieldsPending = true;
    else
      UpdateFields();
    if (!FGridModeStructureChanged) ReloadStorage();
  }
  FDataControllerInfo->DataChanged();
}

void TcxCustomDataController::UpdateFields() {
  std::vector<TcxCustomDataField*> done;
  FFields->SetFieldDestroyed(false);
  for (bool restart = true; restart;) {
    restart = false;
    for (int32_t i = 0; i < FFields->Count(); ++i) {
      TcxCustomDataField* f = FFields->Fields(i);
      if (std::find(done.begin(), done.end(), f) != done.end()) continue;
      done.push_back(f);
      UpdateField(f);
      if (FFields->FieldDestroyed()) {
        FFields->SetFieldDestroyed(false);
        restart = true;
        break;
      }
    }
  }
}

void TcxCustomDataController::UpdateStructure() {
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FProvider->ResetEditing();
  if (!IsSmartLoad()) FDataStorage->Reset(false);
  ClearBookmark();
  CheckSelectionAndBookmark();
  FDataStorage->SetSlottedOnly(IsProviderMode() || IsGridMode());
  UpdateUseRecordIDs();
  if (IsProviderMode()) {
    if (!FRecordHandleField) {
      FRecordHandleField = AddInternalField();
      FRecordHandleField->SetValueTypeClass(TcxLargeIntValueType::StaticClass());
    }
  } else if (FRecordHandleField) {
    TcxCustomDataField* f = FRecordHandleField;
    FRecordHandleField = nullptr;
    f->Free();
  }
  FStructureRecreated = true;
  LayoutChanged(2);
}

void TcxCustomDataController::ReadRecords() {
  if (IsGridMode()) {
    FDataStorage->StartLoading();
    FProvider->LoadGridModeRecords();
    FDataStorage->FinishLoading();
    return;
  }
  if (IsProviderMode()) {
    FProvider->LoadSourceRecordHandles();
    return;
  }
}

void TcxCustomDataController::ReloadStorage() {
  FDataStorage->Reset(FProvider->LockNesting() > 0);
  if (FProvider->IsActive()) {
    if (!IsPattern()) ReadRecords();
    FReloadNoticeGuard = true;
    Finally guard{[this] { FReloadNoticeGuard = false; }};
    FDataControllerInfo->DataChanged();
    CheckSelectionAndBookmark();
    CheckFocusing();
  } else {
    // The records went with the provider's data (a closed or unbound dataset): the rows built on them go
    // too, or a view would still count them and read records the storage no longer has.
    FDataControllerInfo->DataChanged();
    CheckSelectionAndBookmark();
  }
  Change(dccData);
  DataLoaded();
}

void TcxCustomDataController::DataLoaded() { DoDataLoaded(); }

void TcxCustomDataController::BeginReadRecords() {
  FProvider->LockNotify();
  FDataStorage->StartLoading();
}

int32_t TcxCustomDataController::AppendLoadedRecord(TcxValueDefReader* AReader) {
  const int32_t index = IsProviderMode() ? FProvider->AppendSourceRecord() : FDataStorage->AddRecord();
  if (index >= 0) {
    FDataStorage->FillRecord(index, AReader, true);
    FProvider->RecordLoaded(index);
  }
  return index;
}

void TcxCustomDataController::EndReadRecords() {
  FDataStorage->FinishLoading();
  FProvider->UnlockNotify();
  CheckFocusing();
  FDataControllerInfo->DataChanged();
}

void TcxCustomDataController::SetPatternMode(bool AValue) {
  const bool was = IsPattern();
  FPatternMode = AValue;
  if (IsPattern() != was && !IsDestroying()) UpdateStructure();
}

// ---------------------------------------------------------------------------------------------------
// Change notifications

void TcxCustomDataController::Change(uint16_t AChanges) {
  FChanges |= AChanges;
  CheckChanges();
}

void TcxCustomDataController::CheckChanges() {
  if (FChanges == 0 || IsInfoLocked()) return;
  if (FGridModeStructureChanged) {
    FGridModeStructureChanged = false;
    FApplyingGridModeStructure = true;
    Finally applied{[this] { FApplyingGridModeStructure = false; }};
    LayoutChanged(1);
  }
  FlushChanges();
}

void TcxCustomDataController::ClearUpdateFlags() {
  FGroupingChanged = false;
  FSortingChanged = false;
  FStorageReloaded = false;
  FRefocusPending = false;
}

void TcxCustomDataController::UpdateControl(TcxUpdateControlInfo* AInfo) {
  if (OnUpdateControl.Assigned()) OnUpdateControl(AInfo);
}

void TcxCustomDataController::SendUpdateControlInfo(TcxUpdateControlInfo* AInfo) {
  FDelivering = true;
  Finally done{[this, AInfo] {
    AInfo->Free();
    FDelivering = false;
  }};
  UpdateControl(AInfo);
}

void TcxCustomDataController::FlushChanges() {
  const uint16_t changes = FChanges;
  FChanges = 0;
  if (changes & dccData)
    NotifyDataChangedInfo();
  else if (changes & (dccLayout | dccDetail | dccSummary))
    SendUpdateControlInfo(New<TcxLayoutChangedInfo>());
  else if (changes & dccUpdateRecord) {
    SendUpdateControlInfo(New<TcxUpdateRecordInfo>(GetFocusedRecordIndex()));
    FSearch->Cancel();
  }
  if (changes & dccFocus) NotifyFocusChanged();
  if (changes & dccSelection) NotifySelectionChanged();
  if (changes & dccSearch) SendUpdateControlInfo(New<TcxSearchChangedInfo>());
  if (changes & dccBookmark) SendUpdateControlInfo(New<TcxBookmarkChangedInfo>());
  if ((changes & dccGrouping) && !IsReading() && OnGroupingChanged.Assigned()) OnGroupingChanged(this);
  if ((changes & dccSorting) && !IsReading() && !FSortingEventGuard && OnSortingChanged.Assigned()) {
    FSortingEventGuard = true;
    Finally guard{[this] { FSortingEventGuard = false; }};
    OnSortingChanged(this);
  }
}

void TcxCustomDataController::ResetDataChangeInfo() {
  FDataChangeKind = dcTotal;
  FDataChangeItemIndex = -1;
  FDataChangeRecordIndex = -1;
}

void TcxCustomDataController::NotifyDataChangedInfo() {
  Finally reset{[this] { ResetDataChangeInfo(); }};
  if (FDataChangeKind == dcField && FDataChangeItemIndex == -1) FDataChangeKind = dcRecord;
  const bool newItem = FNewItemRecordIndex != 0 && FDataChangeRecordIndex == FNewItemRecordIndex && FUseNewItemRowForEditing;
  if ((FDataChangeKind == dcField || FDataChangeKind == dcRecord) && FDataChangeRecordIndex == -1 && !newItem)
    FDataChangeKind = dcTotal;
  SendUpdateControlInfo(New<TcxDataChangedInfo>(FDataChangeKind, FDataChangeItemIndex, FDataChangeRecordIndex));
  NotifyDataChanged();
}

void TcxCustomDataController::MarkInfoChanged(bool AOneItem) { FDataControllerInfo->MarkChanged(AOneItem); }

int32_t TcxCustomDataController::GetFilteredRecordCount() const { return FDataControllerInfo->GetRecordListCount(); }

void TcxCustomDataController::DataChanged(TcxDataChange AKind, int32_t AItemIndex, int32_t ARecordIndex) {
  const bool isRecord =
      FDataChangeRecordIndex != -1 || (FNewItemRecordIndex != 0 && FDataChangeRecordIndex == FNewItemRecordIndex && FUseNewItemRowForEditing);
  if (isRecord && ARecordIndex != FDataChangeRecordIndex)
    FDataChangeKind = dcTotal;
  else if (AKind != dcField || FDataChangeItemIndex == -1 || AItemIndex == FDataChangeItemIndex)
    FDataChangeKind = AKind;
  else {
    FDataChangeKind = dcRecord;
    AItemIndex = -1;
  }
  FDataChangeItemIndex = AItemIndex;
  FDataChangeRecordIndex = ARecordIndex;
  if (AKind == dcTotal)
    UpdateItemsCore(false);
  else {
    if (AKind == dcNew || AKind == dcDeleted) FDataControllerInfo->MarkFocusedRecordChanged(false);
    FDataControllerInfo->DataChanged();
  }
  CheckChanges();
}

bool TcxCustomDataController::HasDataChangedHandlers() const {
  return OnDataChanged.Assigned() || OnRecordChanged.Assigned() || !FDataChangedListeners.empty();
}

void TcxCustomDataController::NotifyDataChanged() {
  if (IsDestroying() || !HasDataChangedHandlers()) return;
  if (IsLoading()) {
    FDataChangedPending = true;
    return;
  }
  FDataChangedPending = false;
  DoDataChangedNotify();
}

void TcxCustomDataController::DoDataChangedNotify() {
  if (!IsPattern()) {
    const bool isRecord = FDataChangeRecordIndex != -1 ||
                          (FNewItemRecordIndex != 0 && FDataChangeRecordIndex == FNewItemRecordIndex && FUseNewItemRowForEditing);
    if ((FDataChangeKind == dcField || FDataChangeKind == dcRecord) && isRecord && OnRecordChanged.Assigned())
      OnRecordChanged(this, FDataChangeRecordIndex, FDataChangeItemIndex);
    if (OnDataChanged.Assigned()) OnDataChanged(this);
  }
  if (IsGridMode() && FLocateCount > 0) return;
  for (const TListenerItem& item : std::vector<TListenerItem>(FDataChangedListeners)) item.Method(this);
}

void TcxCustomDataController::DoDeferredNotifications() {
  if (FDataChangedPending) NotifyDataChanged();
  if (FAfterSummaryPending) {
    FAfterSummaryPending = false;
    FSummary->DoAfterSummary();
  }
}

void TcxCustomDataController::NotifyFocusChanged() {
  TcxDataFocusingInfo* prev = FDataControllerInfo->PrevFocusingInfo();
  TcxDataFocusingInfo* focus = FDataControllerInfo->FocusingInfo();
  if (prev->RowIndex != focus->RowIndex)
    SendUpdateControlInfo(New<TcxFocusedRowChangedInfo>(focus->RowIndex, prev->RowIndex));
  if (prev->RecordIndex >= 0 || focus->RecordIndex >= 0 || prev->Changed) {
    SendUpdateControlInfo(New<TcxFocusedRecordChangedInfo>(prev->RecordIndex, focus->RecordIndex, focus->RowIndex,
                                                           prev->RowIndex, prev->Changed));
    FSearch->Cancel();
  }
  prev->Assign(focus);
}

void TcxCustomDataController::NotifySelectionChanged() {
  FSelectionCount = GetSelectedCount();
  if (FSelectionCount <= 1) {
    FSelectionRow = FSelectionCount == 1 ? GetSelectedRowIndex(0) : -1;
    if (FPrevSelectionCount <= 1)
      SendUpdateControlInfo(New<TcxSelectionChangedInfo>(FPrevSelectionCount == 1 ? FPrevSelectionRow : -1, FSelectionRow));
    else
      SendUpdateControlInfo(New<TcxSelectionChangedInfo>());
  } else
    SendUpdateControlInfo(New<TcxSelectionChangedInfo>());
  FPrevSelectionCount = FSelectionCount;
  FPrevSelectionRow = FSelectionRow;
}

void TcxCustomDataController::RefreshPrevSelectionInfo() {
  if (FPrevSelectionCount != 1) return;
  FPrevSelectionCount = GetSelectedCount();
  FPrevSelectionRow = FPrevSelectionCount == 1 ? GetSelectedRowIndex(0) : -1;
}

void TcxCustomDataController::AddDataChangedListener(TObject* AInstance, const TNotifyEvent& AMethod) {
  FDataChangedListeners.push_back({AInstance, AMethod});
}

void TcxCustomDataController::RemoveDataChangedListener(TObject* AInstance, const TNotifyEvent& AMethod) {
  for (auto it = FDataChangedListeners.begin(); it != FDataChangedListeners.end(); ++it)
    if (it->Instance == AInstance && it->Method == AMethod) {
      FDataChangedListeners.erase(it);
      return;
    }
}

TcxDataListenerLink* TcxCustomDataController::AddListenerLink() {
  auto* link = new TcxDataListenerLink(this);
  FListenerLinks.push_back(link);
  return link;
}

void TcxCustomDataController::RemoveListenerLink(TcxDataListenerLink* ALink) {
  if (ALink->Ref) {
    auto& links = ALink->Ref->FListenerLinks;
    links.erase(std::remove(links.begin(), links.end(), ALink), links.end());
  }
  delete ALink;
}

// ---------------------------------------------------------------------------------------------------
// Events

void TcxCustomDataController::DoAfterCancel() {
  if (OnAfterCancel.Assigned()) OnAfterCancel(this);
}
void TcxCustomDataController::DoAfterDelete() {
  if (OnAfterDelete.Assigned()) OnAfterDelete(this);
}
void TcxCustomDataController::DoAfterInsert() {
  if (OnAfterInsert.Assigned()) OnAfterInsert(this);
}
void TcxCustomDataController::DoAfterPost() {
  if (OnAfterPost.Assigned()) OnAfterPost(this);
}
void TcxCustomDataController::DoBeforeCancel() {
  if (OnBeforeCancel.Assigned()) OnBeforeCancel(this);
}
void TcxCustomDataController::DoBeforeDelete(int32_t ARecordIndex) {
  if (OnBeforeDelete.Assigned()) OnBeforeDelete(this, ARecordIndex);
}
void TcxCustomDataController::DoBeforeInsert() {
  if (OnBeforeInsert.Assigned()) OnBeforeInsert(this);
}
void TcxCustomDataController::DoBeforePost() {
  if (OnBeforePost.Assigned()) OnBeforePost(this);
}
void TcxCustomDataController::DoNewRecord(int32_t ARecordIndex) {
  if (OnNewRecord.Assigned()) OnNewRecord(this, ARecordIndex);
}

// ---------------------------------------------------------------------------------------------------
// Stream

void TcxCustomDataController::SaveToStream(TMemoryStream* AStream) {
  // A provider-mode controller keeps its records in the source; a stream of its storage could not be
  // read back, so saving is refused as loading is.
  if (IsProviderMode()) RaiseControllerError(cxSDataProviderModeError);
  TcxWriter writer(AStream);
  TcxValueDefs* defs = FDataStorage->MainDefs();
  int32_t stored = 0;
  for (int32_t i = 0; i < defs->Count(); ++i) {
    TcxValueDef* d = defs->Defs(i);
    d->SetStreamed(!IsValueDefInternal(d));
    if (d->Streamed()) ++stored;
  }
  FDataStorage->OpenStreamOrder(&CompareByFieldIndex);
  Finally close{[this] { FDataStorage->CloseStreamOrder(); }};
  writer.WriteAnsiString(cxDataControllerStreamHeader);
  writer.WriteInt32(stored);
  for (int32_t i = 0; i < defs->Count(); ++i)
    if (defs->Defs(i)->Streamed()) writer.WriteAnsiString(defs->Defs(i)->TypeClass()->ClassName());
  const int32_t n = GetRecordCount();
  writer.WriteInt32(n);
  for (int32_t r = 0; r < n; ++r) FDataStorage->SaveRecord(r, AStream);
}

void TcxCustomDataController::LoadFromStream(TMemoryStream* AStream) {
  if (IsProviderMode()) RaiseControllerError(cxSDataProviderModeError);
  TcxReader reader(AStream);
  auto bad = [] { RaiseControllerError(cxSDataInvalidStreamFormat); };
  auto left = [AStream] { return AStream->Size() - AStream->Position(); };
  // Lengths and counts are checked against the bytes left before anything is allocated for them.
  auto readString = [&]() -> String {
    if (left() < 4) bad();
    const int64_t at = AStream->Position();
    const int32_t len = StreamReadInt32(AStream);
    AStream->SetPosition(at);
    if (len < 0 || len > left() - 4) bad();
    return reader.ReadAnsiString();
  };
  if (readString() != cxDataControllerStreamHeader) bad();
  if (left() < 4) bad();
  const int32_t count = reader.ReadInt32();
  TcxValueDefs* defs = FDataStorage->MainDefs();
  int32_t stored = 0;
  for (int32_t i = 0; i < defs->Count(); ++i) {
    TcxValueDef* d = defs->Defs(i);
    d->SetStreamed(!IsValueDefInternal(d));
    if (d->Streamed()) ++stored;
  }
  if (count != stored) bad();
  FDataStorage->OpenStreamOrder(&CompareByFieldIndex);
  Finally close{[this] { FDataStorage->CloseStreamOrder(); }};
  for (int32_t i = 0; i < defs->Count(); ++i)
    if (defs->Defs(i)->Streamed() && readString() != defs->Defs(i)->TypeClass()->ClassName()) bad();
  LockInfo();
  Finally unlock{[this] { UnlockInfo(); }};
  FDataControllerInfo->ClearSelection();
  if (left() < 4) bad();
  const int32_t n = reader.ReadInt32();
  // Every record takes at least its one flag byte.
  if (n > left()) bad();
  SetRecordCount(n);
  for (int32_t r = 0; r < GetRecordCount(); ++r) FDataStorage->LoadRecord(r, AStream);
  FDataControllerInfo->DataChanged();
}
