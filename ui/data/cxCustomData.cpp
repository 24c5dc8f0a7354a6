// Fields, the provider, the custom data source and the small structures of the row view.
#include "ui/data/cxCustomData.h"

#include <algorithm>

#include "ui/base/cxVariants.h"

void RaiseControllerError(const String& AMessage) { throw EcxInvalidDataControllerOperation(AMessage); }

// ---------------------------------------------------------------------------------------------------
// Unit routines

void SortRecordIndexes(std::vector<int32_t>& AList, int32_t L, int32_t R, TcxCompareRecordsMethod ACompare, void* AContext) {
  int32_t I;
  do {
    I = L;
    int32_t J = R;
    const int32_t P = AList[static_cast<size_t>((L + R) >> 1)];
    do {
      while (ACompare(AContext, AList[static_cast<size_t>(I)], P) < 0) ++I;
      while (ACompare(AContext, AList[static_cast<size_t>(J)], P) > 0) --J;
      if (I <= J) {
        std::swap(AList[static_cast<size_t>(I)], AList[static_cast<size_t>(J)]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) SortRecordIndexes(AList, L, J, ACompare, AContext);
    L = I;
  } while (I < R);
}

int32_t CompareByFieldIndex(TcxValueDef* A, TcxValueDef* B) {
  auto index = [](TcxValueDef* d) {
    TObject* link = d->Link();
    return link && link->Is<TcxCustomDataField>() ? static_cast<TcxCustomDataField*>(link)->Index() : -1;
  };
  return index(A) - index(B);
}

bool IsValueDefInternal(TcxValueDef* ADef) {
  TObject* link = ADef->Link();
  return link && link->Is<TcxCustomDataField>() && static_cast<TcxCustomDataField*>(link)->SkipsInReader();
}

void TcxDataControllerNotifier::Notification(TComponent* AComponent, TOperation AOperation) {
  TComponent::Notification(AComponent, AOperation);
  if (AOperation == opRemove && AComponent != this) FController->NotifyFieldList(AComponent);
}

// ---------------------------------------------------------------------------------------------------
// TcxCustomDataField

TcxCustomDataField::~TcxCustomDataField() {
  if (FFieldList) FFieldList->Remove(this);
  DropValueDef();
}

void TcxCustomDataField::DropValueDef() {
  if (FStorageDef && !FMirroredField) {
    TcxValueDef* def = FStorageDef;
    FStorageDef = nullptr;
    def->Free();
  }
  FStorageDef = nullptr;
}

void TcxCustomDataField::Reassign(TcxCustomDataField* ASource) {
  DropValueDef();
  FStorageDef = ASource->FStorageDef;
  if (FStorageDef) FStorageDef->SetLink(this);
  FTypeClass = ASource->FTypeClass;
  FKeepsText = ASource->FKeepsText;
  FMirroredField = nullptr;
  ASource->FStorageDef = nullptr;
  ASource->FTypeClass = nullptr;
}

bool TcxCustomDataField::CanModify(TcxDataEditValueSource AEditValueSource) {
  (void)AEditValueSource;
  return GetValueDef() != nullptr || GetDataController()->IsProviderMode();
}

int32_t TcxCustomDataField::Index() const { return FFieldList ? FFieldList->IndexOf(this) : -1; }

void TcxCustomDataField::SetIndex(int32_t AIndex) {
  if (FFieldList) FFieldList->Move(Index(), AIndex);
}

TcxCustomDataController* TcxCustomDataField::GetDataController() const { return FFieldList->DataController(); }

void TcxCustomDataField::SetIsInternal(bool AValue) {
  if (FInternalFlag == AValue) return;
  FInternalFlag = AValue;
  if (FFieldList) FFieldList->RecountInternal();
}

void TcxCustomDataField::SetReferenceField(TcxCustomDataField* AField) {
  TcxCustomDataField* last = AField;
  while (last && last->FMirroredField) last = last->FMirroredField;
  if (last == this || last == FMirroredField) return;
  if (!FMirroredField) {
    DropValueDef();
    FTypeClass = nullptr;
  }
  FMirroredField = last;
}

TcxValueDef* TcxCustomDataField::GetValueDef() const {
  const TcxCustomDataField* f = this;
  while (f->FMirroredField) f = f->FMirroredField;
  return f->FStorageDef;
}

TcxValueTypeClass TcxCustomDataField::GetValueTypeClass() const {
  const TcxCustomDataField* f = this;
  while (f->FMirroredField) f = f->FMirroredField;
  return f->FTypeClass;
}

bool TcxCustomDataField::GetTextStored() const {
  const TcxCustomDataField* f = this;
  while (f->FMirroredField) f = f->FMirroredField;
  return f->FKeepsText;
}

void TcxCustomDataField::SetValueTypeClass(TcxValueTypeClass AClass) {
  if (FMirroredField || FTypeClass == AClass) return;
  BeginRecreateData();
  FTypeClass = AClass;
  EndRecreateData();
}

void TcxCustomDataField::SetTextStored(bool AValue) {
  if (FMirroredField || FKeepsText == AValue) return;
  BeginRecreateData();
  FKeepsText = AValue;
  EndRecreateData();
}

void TcxCustomDataField::BeginRecreateData() {
  if (FRecreateLock == 0 && !FMirroredField) DropValueDef();
  ++FRecreateLock;
}

void TcxCustomDataField::EndRecreateData() {
  if (--FRecreateLock != 0) return;
  if (FMirroredField || !FTypeClass) return;
  DropValueDef();
  FStorageDef = GetDataController()->DataStorage()->MainDefs()->Add(FTypeClass, FInternalFlag, GetTextStored(), this);
}

void TcxCustomDataField::Changed() {
  TcxCustomDataProvider* provider = GetDataController()->Provider();
  if (provider->LockNesting() <= 0) provider->LayoutChanged(1);
}

bool TcxCustomDataField::IsValueDefInternal() const { return FInternalFlag; }

// ---------------------------------------------------------------------------------------------------
// TcxCustomDataFieldList

TcxCustomDataFieldList::~TcxCustomDataFieldList() { Clear(); }

void TcxCustomDataFieldList::RemoveNotification(TComponent* AComponent) {
  for (TcxCustomDataField* f : std::vector<TcxCustomDataField*>(FItems)) f->RemoveNotification(AComponent);
}

TcxCustomDataField* TcxCustomDataFieldList::FindByItem(TObject* AItem) const {
  for (TcxCustomDataField* f : FItems)
    if (f->Item() == AItem) return f;
  return nullptr;
}

void TcxCustomDataFieldList::Add(TcxCustomDataField* AField) {
  if (AField->IsInternal())
    FItems.push_back(AField);
  else
    FItems.insert(FItems.begin() + NonInternalCount(), AField);
  RecountInternal();
}

void TcxCustomDataFieldList::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

void TcxCustomDataFieldList::Remove(TcxCustomDataField* AField) {
  auto it = std::find(FItems.begin(), FItems.end(), AField);
  if (it == FItems.end()) return;
  FFieldDestroyed = true;
  FDataController->RemoveFieldReferences(AField);
  // The first field that shared this one's storage takes it over; the others follow that field.
  TcxCustomDataField* heir = nullptr;
  for (TcxCustomDataField* f : FItems) {
    if (f == AField || f->ReferenceField() != AField) continue;
    if (!heir) {
      heir = f;
      f->Reassign(AField);
    } else
      f->FMirroredField = heir;
  }
  it = std::find(FItems.begin(), FItems.end(), AField);
  FItems.erase(it);
  AField->FFieldList = nullptr;
  RecountInternal();
}

void TcxCustomDataFieldList::RecountInternal() {
  FInternalFieldCount = 0;
  for (TcxCustomDataField* f : FItems)
    if (f->IsInternal()) ++FInternalFieldCount;
}

int32_t TcxCustomDataFieldList::IndexOf(const TcxCustomDataField* AField) const {
  auto it = std::find(FItems.begin(), FItems.end(), AField);
  return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

void TcxCustomDataFieldList::Move(int32_t AFrom, int32_t ATo) {
  if (AFrom < 0 || AFrom >= Count() || ATo < 0 || ATo >= Count() || AFrom == ATo) return;
  TcxCustomDataField* f = FItems[static_cast<size_t>(AFrom)];
  FItems.erase(FItems.begin() + AFrom);
  FItems.insert(FItems.begin() + ATo, f);
}

// ---------------------------------------------------------------------------------------------------
// TcxCustomDataSource

TcxCustomDataSource::~TcxCustomDataSource() {
  for (TcxCustomDataProvider* p : std::vector<TcxCustomDataProvider*>(FProviders)) p->SetCustomDataSource(nullptr);
}

String TcxCustomDataSource::GetDisplayText(TcxDataRecordHandle ARecordHandle, TcxDataItemHandle AItemHandle) {
  return VarToStr(GetValue(ARecordHandle, AItemHandle));
}

TcxCustomDataProvider* TcxCustomDataSource::GetProvider() const { return FCurrentProvider ? FCurrentProvider : FProvider; }

TcxCustomDataController* TcxCustomDataSource::GetDataController() const {
  TcxCustomDataProvider* p = GetProvider();
  return p ? p->DataController() : nullptr;
}

TcxDataRecordHandle TcxCustomDataSource::GetRecordHandle(int32_t ARecordIndex) const {
  TcxCustomDataController* dc = GetDataController();
  TcxCustomDataField* f = dc->RecordHandleField();
  if (!f) return 0;
  const Variant v = dc->DataStorage()->RecordValue(ARecordIndex, f->GetValueDef());
  return VarIsNull(v) ? 0 : static_cast<TcxDataRecordHandle>(v.AsInt64());
}

int32_t TcxCustomDataSource::GetRecordIndexByHandle(TcxDataRecordHandle AHandle) const {
  TcxCustomDataController* dc = GetDataController();
  for (int32_t i = 0; i < dc->DataStorage()->RecordCount(); ++i)
    if (GetRecordHandle(i) == AHandle) return i;
  return -1;
}

int32_t TcxCustomDataSource::AddRecordHandle(TcxDataRecordHandle AHandle) {
  TcxCustomDataController* dc = GetDataController();
  const int32_t index = dc->DataStorage()->AddRecord();
  if (dc->RecordHandleField())
    dc->DataStorage()->PutRecordValue(index, dc->RecordHandleField()->GetValueDef(), static_cast<int64_t>(AHandle));
  return index;
}

void TcxCustomDataSource::AddProvider(TcxCustomDataProvider* AProvider) {
  if (!FProvider) FProvider = AProvider;
  FProviders.push_back(AProvider);
}

void TcxCustomDataSource::RemoveProvider(TcxCustomDataProvider* AProvider) {
  auto it = std::find(FProviders.begin(), FProviders.end(), AProvider);
  if (it != FProviders.end()) FProviders.erase(it);
  if (FCurrentProvider == AProvider) FCurrentProvider = nullptr;
  if (FProvider == AProvider) FProvider = FProviders.empty() ? nullptr : FProviders.front();
}

// ---------------------------------------------------------------------------------------------------
// TcxCustomDataProvider

TcxCustomDataProvider::TcxCustomDataProvider(TcxCustomDataController* AController) : FDataController(AController) {}

TcxCustomDataProvider::~TcxCustomDataProvider() {
  ClearSavedRecord();
  if (FSourceObject) FSourceObject->RemoveProvider(this);
}

TcxCustomDataSource* TcxCustomDataProvider::Source() {
  if (FSourceObject) FSourceObject->SetCurrentProvider(this);
  return FSourceObject;
}

void TcxCustomDataProvider::CustomSort() {
  if (TcxCustomDataSource* s = Source()) s->SortRecords();
}

bool TcxCustomDataProvider::IsCustomSorting() {
  TcxCustomDataSource* s = Source();
  return s && s->IsCustomSorting();
}

bool TcxCustomDataProvider::IsRecordIdSupported() {
  TcxCustomDataSource* s = Source();
  return s && s->IsRecordIdSupported();
}

bool TcxCustomDataProvider::CanDelete() { return FDataController->GetRecordCount() > 0; }

bool TcxCustomDataProvider::CanInitEditing(int32_t ARecordIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  if (!IsEditing()) DoEdit();
  if (IsEditing()) SetChanging();
  return true;
}

void TcxCustomDataProvider::SaveRecord() {
  TcxDataStorage* storage = FDataController->DataStorage();
  if (FSavedCopyRecord == 0) FSavedCopyRecord = storage->NewInternalRecord();
  FDataController->CopyRecordData(FEditRecord, FSavedCopyRecord);
}

void TcxCustomDataProvider::ClearSavedRecord() {
  if (FSavedCopyRecord != 0) {
    // The controller frees its storage before its provider; the copy went with the storage then.
    TcxDataStorage* storage = FDataController->DataStorage();
    if (storage && -FSavedCopyRecord <= storage->InternalRecordCount()) storage->FreeInternalRecord(FSavedCopyRecord);
  }
  FSavedCopyRecord = 0;
}

void TcxCustomDataProvider::BeginEdit() {
  TcxCustomDataController* dc = FDataController;
  if (dc->UseNewItemRowForEditing() && dc->IsNewItemRowFocused() && !IsInserting()) {
    Insert();
    return;
  }
  FEditRecord = dc->GetFocusedDataRecordIndex();
  if (FEditRecord >= 0) {
    FEditPrevRecord = cxNullEditingRecordIndex;
    FEditNextRecord = cxNullEditingRecordIndex;
    const int32_t row = dc->GetFocusedRowIndex();
    if (row != -1) {
      if (row < dc->GetRowCount() - 1)
        FEditNextRecord = dc->GetRowInfo(row + 1).RecordIndex;
      else
        FEditPrevRecord = dc->GetRowInfo(row > 0 ? row - 1 : row).RecordIndex;
    }
  }
  if (FEditRecord == cxNullEditingRecordIndex) return;
  if (!FInserting && !(HasSourceState() && !dc->GetFlag73())) SaveRecord();
  dc->Change(dccUpdateRecord);
}

void TcxCustomDataProvider::DoInsert(bool AAppend) {
  TcxCustomDataController* dc = FDataController;
  if (!HasSourceState() && IsInserting() && !FChanging && !FModified) return;
  if (IsEditing() && (FChanging || FModified) && !HasSourceState()) {
    if (FChanging) EndEditing();
    Post();
  }
  dc->DoBeforeInsert();
  TcxDataSummaryValues groupValues;
  dc->LockInfo();
  try {
    int32_t anchor;
    if (dc->UseNewItemRowForEditing()) {
      anchor = dc->GetFocusedRecordIndex();
      if (anchor < 0 && dc->GetRowCount() > 0) anchor = dc->GetRowInfo(0).RecordIndex;
      FEditRecord = dc->GetNewItemRecordIndex();
      dc->SetNewItemRowFocused(true);
    } else {
      if (!AAppend) dc->ClearSelection();
      if (IsGridMode()) {
        anchor = dc->GetFocusedRecordIndexVirtual();
        FEditRecord = anchor;
      } else if (AAppend) {
        const int32_t rows = dc->GetRowCount();
        anchor = rows > 0 ? dc->GetRowInfo(rows - 1).RecordIndex : -1;
        FEditRecord = dc->AppendNewRecord();
        FEditPrevRecord = anchor >= 0 ? anchor : FEditRecord;
      } else {
        const int32_t row = dc->GetFocusedRowIndex();
        anchor = row >= 0 ? dc->GetRowInfo(row).RecordIndex : 0;
        if (anchor < 0) anchor = 0;
        const int32_t at = std::min(anchor, dc->GetRecordCount());
        FEditRecord = dc->InsertRecordAt(at);
        FEditNextRecord = anchor >= FEditRecord ? anchor + 1 : anchor;
        anchor = FEditNextRecord;
        if (anchor >= dc->GetRecordCount()) {
          // Inserted into an empty table: the record stands alone.
          FEditNextRecord = cxNullEditingRecordIndex;
          FEditPrevRecord = FEditRecord;
        }
      }
    }
    groupValues = dc->GroupingValuesOf(anchor);
    InitInsertingRecord(FEditRecord, groupValues);
    ResetChanging();
    FInserting = true;
  } catch (...) {
    dc->UnlockInfo();
    throw;
  }
  dc->UnlockInfo();
  if (!dc->UseNewItemRowForEditing()) dc->ChangeFocusedRecordIndex(FEditRecord);
  dc->DoAfterInsert();
}

void TcxCustomDataProvider::InitInsertingRecord(int32_t ARecordIndex, const TcxDataSummaryValues& AGroupValues) {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataControllerInfo* info = dc->DataControllerInfo();
  if (info->IsGrouped() && dc->GetOptions().Contains(dcoAssignGroupingValues)) {
    for (int32_t level = 0; level < info->GroupingFieldList()->Count() && level < static_cast<int32_t>(AGroupValues.size());
         ++level)
      AssignNewRecordValue(ARecordIndex, info->GroupingFieldList()->Items(level).Field,
                           AGroupValues[static_cast<size_t>(level)]);
  }
  dc->DoNewRecord(ARecordIndex);
}

void TcxCustomDataProvider::AssignNewRecordValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) {
  FDataController->SetValue(ARecordIndex, AField->Index(), AValue);
}

void TcxCustomDataProvider::Post() {
  TcxCustomDataController* dc = FDataController;
  UpdateData();
  int32_t posted;
  bool notified = false;
  if (!IsInserting() || FModified) {
    dc->DoBeforePost();
    posted = FEditRecord;
    if (IsInserting() && dc->UseNewItemRowForEditing() && posted == dc->GetNewItemRecordIndex()) {
      FDataChangeLock = IsProviderMode();
      try {
        const int32_t real = dc->AppendNewRecord();
        FJustInsertedRecord = real;
        dc->CopyRecordData(posted, real);
        posted = real;
      } catch (...) {
        FDataChangeLock = false;
        throw;
      }
      FDataChangeLock = false;
    }
    ResetEditing();
    notified = true;
  } else {
    Cancel();
    posted = -1;
  }
  dc->DataChanged(dcRecord, -1, posted);
  if (notified) dc->DoAfterPost();
}

void TcxCustomDataProvider::Cancel() {
  TcxCustomDataController* dc = FDataController;
  dc->DoBeforeCancel();
  dc->LockInfo();
  try {
    if (IsEditing() && (FEditRecord < dc->GetRecordCount() || FEditRecord == dc->GetNewItemRecordIndex())) {
      if (FInserting) {
        const int32_t record = FEditRecord;
        if (record >= 0) {
          FEditRecord = cxNullEditingRecordIndex;
          dc->DeleteRecordAt(record);
          if (dc->GetFocusedRowIndex() >= dc->GetRowCount() && !dc->SelectionDeleting())
            dc->ChangeFocusedRowIndex(dc->GetRowCount() - 1);
        }
      } else if (FSavedCopyRecord != 0)
        dc->CopyRecordData(FSavedCopyRecord, FEditRecord);
    }
    ResetEditing();
  } catch (...) {
    dc->UnlockInfo();
    throw;
  }
  dc->UnlockInfo();
  dc->DoAfterCancel();
}

void TcxCustomDataProvider::ResetEditing() {
  TcxCustomDataController* dc = FDataController;
  if (FEditRecord < 0 && FEditRecord != cxNullEditingRecordIndex && FEditRecord == dc->GetNewItemRecordIndex()) {
    dc->DataStorage()->FreeInternalRecord(FEditRecord);
  }
  FEditRecord = FEditPrevRecord = FEditNextRecord = cxNullEditingRecordIndex;
  FInserting = false;
  ResetChanging();
  ResetModified();
  ClearSavedRecord();
}

void TcxCustomDataProvider::UpdateData() {
  if (FWritingEditorValues) return;
  FWritingEditorValues = true;
  try {
    if (FChanging) FDataController->DoUpdateData();
  } catch (...) {
    FWritingEditorValues = false;
    throw;
  }
  FWritingEditorValues = false;
}

Variant TcxCustomDataProvider::GetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  if (ARecordIndex == cxNullEditingRecordIndex) RaiseControllerError(cxSDataRecordIndexError);
  return FDataController->GetFieldValue(ARecordIndex, AField);
}

bool TcxCustomDataProvider::SetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                                         TcxDataEditValueSource AEditValueSource) {
  if (AEditValueSource == evsText && VarToStr(AValue).empty())
    FDataController->SetValue(ARecordIndex, AField->Index(), Null());
  else
    FDataController->SetValue(ARecordIndex, AField->Index(), AValue);
  SetModified();
  return true;
}

void TcxCustomDataProvider::BeginDeleting() {
  TcxCustomDataController* dc = FDataController;
  if (IsGridMode()) return;
  const int32_t row = dc->GetFocusedRowIndex();
  if (row == -1) return;
  const bool focusedGoes = dc->IsSingleSelection() || dc->IsRowSelected(row) || dc->GetSelectedCount() == 0;
  int32_t target = row;
  if (focusedGoes) target = dc->GetNearestRowIndex(row);
  dc->SetNearestRecordIndex(target >= 0 && target != row ? dc->GetRowInfo(target).RecordIndex
                                                         : (target == row ? dc->GetFocusedRecordIndex() : -1));
}

void TcxCustomDataProvider::FocusNearestRecord() { FDataController->SetNearestRecordIndex(-1); }

int32_t TcxCustomDataProvider::DeleteFocused() {
  TcxCustomDataController* dc = FDataController;
  const int32_t record = dc->GetFocusedRecordIndex();
  if (record < 0) return -1;
  dc->DoBeforeDelete(record);
  dc->DeleteRecordAt(record);
  dc->DoAfterDelete();
  return record;
}

void TcxCustomDataProvider::DeleteRecords(const std::vector<int32_t>& AList) {
  TcxCustomDataController* dc = FDataController;
  dc->BeginProviderUpdate();
  dc->BeginUpdate();
  try {
    for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
      dc->DoBeforeDelete(*it);
      dc->DeleteRecordAt(*it);
      dc->DoAfterDelete();
    }
  } catch (...) {
    dc->EndUpdate();
    dc->EndProviderUpdate();
    throw;
  }
  dc->EndUpdate();
  dc->EndProviderUpdate();
}

void TcxCustomDataProvider::DeleteSelection() {
  TcxCustomDataController* dc = FDataController;
  std::vector<int32_t> records;
  for (int32_t i = 0; i < dc->GetSelectedCount(); ++i) {
    const int32_t row = dc->GetSelectedRowIndex(i);
    const TcxRowInfo info = dc->GetRowInfo(row);
    if (info.Level < dc->Groups()->GetGroupingItemCount())
      dc->Groups()->GetGroupRecords(records, row);
    else
      records.push_back(info.RecordIndex);
  }
  dc->DeleteRecords(records);
}

int32_t TcxCustomDataProvider::AppendSourceRecord() {
  TcxCustomDataSource* s = Source();
  if (!s) return -1;
  const TcxDataRecordHandle h = s->AppendRecord();
  return s->AddRecordHandle(h);
}

void TcxCustomDataProvider::DeleteSourceRecord(int32_t ARecordIndex) {
  if (TcxCustomDataSource* s = Source()) s->DeleteRecord(s->GetRecordHandle(ARecordIndex));
}

bool TcxCustomDataProvider::HasDetailRecords(int32_t ARecordIndex, int32_t ARelationIndex) {
  TcxCustomDataSource* s = Source();
  return s && s->HasDetails(ARecordIndex, ARelationIndex);
}

String TcxCustomDataProvider::GetSourceDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
  TcxCustomDataSource* s = Source();
  if (!s) return String();
  return s->GetDisplayText(s->GetRecordHandle(ARecordIndex), s->GetItemHandle(AField->Index()));
}

Variant TcxCustomDataProvider::GetSourceRecordId(int32_t ARecordIndex) {
  TcxCustomDataSource* s = Source();
  return s ? s->GetRecordId(s->GetRecordHandle(ARecordIndex)) : Null();
}

Variant TcxCustomDataProvider::GetSourceValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  TcxCustomDataSource* s = Source();
  if (!s) return Null();
  return s->GetValue(s->GetRecordHandle(ARecordIndex), s->GetItemHandle(AField->Index()));
}

int32_t TcxCustomDataProvider::InsertSourceRecord(int32_t ARecordIndex) {
  TcxCustomDataSource* s = Source();
  if (!s) return -1;
  TcxDataRecordHandle h;
  if (s->IsInsertSupported() && ARecordIndex < FDataController->GetRecordCount())
    h = s->InsertRecord(s->GetRecordHandle(ARecordIndex));
  else
    h = s->AppendRecord();
  return s->AddRecordHandle(h);
}

int32_t TcxCustomDataProvider::CompareRecords(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField) {
  TcxDataStorage* storage = FDataController->DataStorage();
  TcxValueDef* def = AField->GetValueDef();
  if (!def) return 0;
  if (ARecordIndex1 < 0 && ARecordIndex2 < 0) return storage->CompareRecords(ARecordIndex1, ARecordIndex2, def);
  TcxCustomDataSource* s = Source();
  auto side = [&](int32_t record, const void*& ref) -> bool {
    if (record < 0 || !s) return !storage->CompareRef(record, def, ref);
    return !s->GetInfoForCompare(s->GetRecordHandle(record), s->GetItemHandle(AField->Index()), ref);
  };
  const void *r1 = nullptr, *r2 = nullptr;
  const bool n1 = side(ARecordIndex1, r1), n2 = side(ARecordIndex2, r2);
  return def->CompareNullable(n1, n2, r1, r2);
}

int32_t TcxCustomDataProvider::CompareSourceRecords(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField) {
  TcxCustomDataSource* s = Source();
  if (!s) return 0;
  return s->CompareRecords(s->GetRecordHandle(ARecordIndex1), s->GetRecordHandle(ARecordIndex2),
                           s->GetItemHandle(AField->Index()));
}

void TcxCustomDataProvider::SetSourceRecordCount(int32_t ACount) {
  if (TcxCustomDataSource* s = Source()) s->SetRecordCount(ACount);
}

void TcxCustomDataProvider::SetSourceValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) {
  if (TcxCustomDataSource* s = Source())
    s->SetValue(s->GetRecordHandle(ARecordIndex), s->GetItemHandle(AField->Index()), AValue);
}

void TcxCustomDataProvider::ActiveChanged(bool AActive) {
  FDataController->SetActive(AActive);
  ResetEditing();
}

void TcxCustomDataProvider::DataChanged(TcxDataChange AKind, int32_t AItemIndex, int32_t ARecordIndex) {
  if (FLockNesting <= 0) FDataController->DataChanged(AKind, AItemIndex, ARecordIndex);
  if (FDataChangeLock)
    ResetChanging();
  else
    ResetEditing();
}

void TcxCustomDataProvider::DataScrolled(int32_t ADistance) {
  (void)ADistance;
  FDataController->UpdateFocusing();
  ResetChanging();
}

void TcxCustomDataProvider::LayoutChanged(int32_t AKind) { FDataController->LayoutChanged(AKind); }

void TcxCustomDataProvider::SetCustomDataSource(TcxCustomDataSource* ASource) {
  if (!CanKeepLoadedRecords() || FSourceObject == ASource) return;
  if (FSourceObject) FSourceObject->RemoveProvider(this);
  FSourceObject = ASource;
  if (FSourceObject) FSourceObject->AddProvider(this);
  if (!FDataController->IsDestroying()) FDataController->UpdateStructure();
}

void TcxCustomDataProvider::LoadSourceRecordHandles() {
  if (TcxCustomDataSource* s = Source()) s->LoadRecordHandles();
}

void TcxCustomDataProvider::ShiftEditRecords(int32_t AFromIndex, int32_t ADelta) {
  auto shift = [&](int32_t& r) {
    if (r != cxNullEditingRecordIndex && r >= AFromIndex) r += ADelta;
  };
  shift(FEditRecord);
  shift(FEditPrevRecord);
  shift(FEditNextRecord);
}

bool TcxCustomDataProvider::IsProviderMode() { return FSourceObject != nullptr; }

// ---------------------------------------------------------------------------------------------------
// Sorting and grouping lists

void TcxSortingFieldList::Changed() {
  if (OnChanged.Assigned()) OnChanged(this);
}

void TcxSortingFieldList::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  const int32_t i = Find(AField);
  if (i != -1) {
    if (ASortOrder != soNone)
      SetSortOrder(i, ASortOrder);
    else
      Delete(i);
  } else if (ASortOrder != soNone)
    Add(AField, ASortOrder);
}

void TcxSortingFieldList::Add(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  FItems.push_back({AField, ASortOrder});
  Changed();
}

void TcxSortingFieldList::Insert(int32_t AIndex, TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  FItems.insert(FItems.begin() + std::clamp(AIndex, 0, Count()), {AField, ASortOrder});
  Changed();
}

void TcxSortingFieldList::Delete(int32_t AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed();
}

void TcxSortingFieldList::Remove(TcxCustomDataField* AField) {
  const int32_t i = Find(AField);
  if (i != -1) Delete(i);
}

void TcxSortingFieldList::Clear() {
  while (Count() > 0) Delete(0);
}

int32_t TcxSortingFieldList::Find(TcxCustomDataField* AField) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].Field == AField) return i;
  return -1;
}

TcxDataSortOrder TcxSortingFieldList::SortOrderOf(TcxCustomDataField* AField) const {
  const int32_t i = Find(AField);
  return i == -1 ? soNone : FItems[static_cast<size_t>(i)].SortOrder;
}

void TcxSortingFieldList::SetSortOrder(int32_t AIndex, TcxDataSortOrder ASortOrder) {
  TcxDataSortInfo& e = FItems.at(static_cast<size_t>(AIndex));
  if (e.SortOrder == ASortOrder) return;
  e.SortOrder = ASortOrder;
  Changed();
}

void TcxSortingFieldList::Move(int32_t AFrom, int32_t ATo) {
  if (AFrom == ATo) return;
  const TcxDataSortInfo e = FItems.at(static_cast<size_t>(AFrom));
  FItems.erase(FItems.begin() + AFrom);
  FItems.insert(FItems.begin() + ATo, e);
  Changed();
}

void TcxSortingFieldList::SetFieldIndex(TcxCustomDataField* AField, int32_t AIndex) {
  const int32_t i = Find(AField);
  if (AIndex < 0) {
    if (i != -1) Delete(i);
  } else if (i == -1)
    Insert(std::min(AIndex, Count()), AField, soAscending);
  else
    Move(i, std::min(AIndex, Count() - 1));
}

void TcxSortingFieldList::AppendMissing(const TcxSortingFieldList* AOther) {
  for (const TcxDataSortInfo& e : AOther->FItems)
    if (Find(e.Field) == -1) FItems.push_back(e);
}

void TcxSortingFieldList::CheckField(TcxCustomDataField* AField) {
  if (Find(AField) != -1) Changed();
}

void TcxGroupingFieldList::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  TcxSortingFieldList::ChangeSorting(AField, ASortOrder == soNone ? soAscending : ASortOrder);
}

void TcxGroupingFieldList::SyncSortOrders(const TcxSortingFieldList* ASortingList) {
  for (int32_t i = 0; i < Count(); ++i) {
    const TcxDataSortOrder o = ASortingList->SortOrderOf(Items(i).Field);
    SetSortOrder(i, o == soNone ? soAscending : o);
  }
}

// ---------------------------------------------------------------------------------------------------
// TcxDataGroups

TcxDataGroupInfo* TcxDataGroups::AddGroup() {
  FItems.emplace_back();
  FDataGroups.clear();
  return &FItems.back();
}

void TcxDataGroups::Clear() {
  FFields.clear();
  FItems.clear();
  FDataGroups.clear();
}

int32_t TcxDataGroups::LevelOf(int32_t AIndex) const {
  return AIndex >= 0 && AIndex < Count() ? Items(AIndex).Level : -1;
}

int32_t TcxDataGroups::ChildCount(int32_t AIndex) const {
  if (AIndex == -1) {
    int32_t n = 0;
    for (const TcxDataGroupInfo& g : FItems)
      if (g.Level == 0) ++n;
    return n;
  }
  if (AIndex < 0 || AIndex >= Count()) return 0;
  const TcxDataGroupInfo& g = Items(AIndex);
  if (g.Level == LevelCount() - 1) return g.LastIndex - g.FirstIndex + 1;
  int32_t n = 0;
  for (int32_t i = g.FirstIndex; i <= g.LastIndex; ++i)
    if (Items(i).Level == g.Level + 1) ++n;
  return n;
}

int32_t TcxDataGroups::ChildGroupIndex(int32_t AIndex, int32_t N) const {
  if (N < 0) return -1;
  int32_t from = 0, to = Count() - 1, level = 0;
  if (AIndex != -1) {
    if (AIndex < 0 || AIndex >= Count()) return -1;
    const TcxDataGroupInfo& g = Items(AIndex);
    if (g.Level == LevelCount() - 1) return -1;
    from = g.FirstIndex;
    to = g.LastIndex;
    level = g.Level + 1;
  }
  for (int32_t i = from; i <= to; ++i)
    if (Items(i).Level == level && N-- == 0) return i;
  return -1;
}

int32_t TcxDataGroups::ChildRecordListIndex(int32_t AIndex, int32_t N) const {
  if (AIndex < 0 || AIndex >= Count()) return -1;
  const TcxDataGroupInfo& g = Items(AIndex);
  if (g.Level != LevelCount() - 1 || N < 0 || g.FirstIndex + N > g.LastIndex) return -1;
  return g.FirstIndex + N;
}

int32_t TcxDataGroups::FindByRowIndex(int32_t ARow, int32_t& AGroupIndex) const {
  // The first group numbered at the row is the one shown there; the others are hidden inside it.
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARow,
                             [](const TcxDataGroupInfo& g, int32_t row) { return g.RowIndex < row; });
  const int32_t i = static_cast<int32_t>(it - FItems.begin());
  if (it != FItems.end() && it->RowIndex == ARow) {
    AGroupIndex = i;
    return i;
  }
  AGroupIndex = i - 1;
  return -1;
}

bool TcxDataGroups::IsVisibleGroup(int32_t AIndex) const {
  for (int32_t p = ParentGroupIndex(AIndex); p != -1; p = ParentGroupIndex(p))
    if (!Items(p).Expanded) return false;
  return true;
}

int32_t TcxDataGroups::ParentGroupIndex(int32_t AIndex) const {
  const int32_t level = Items(AIndex).Level;
  if (level == 0) return -1;
  for (int32_t i = AIndex - 1; i >= 0; --i)
    if (Items(i).Level < level) return i;
  return -1;
}

int32_t TcxDataGroups::GroupIndexByRowIndex(int32_t ARow, int32_t ALevel) const {
  int32_t g;
  FindByRowIndex(ARow, g);
  if (g < 0 || ALevel == -1) return g;
  if (Items(g).Level < ALevel) {
    for (int32_t i = g; i < Count(); ++i)
      if (Items(i).Level == ALevel) return i;
  } else {
    for (int32_t i = g; i >= 0; --i)
      if (Items(i).Level == ALevel) return i;
  }
  return -1;
}

int32_t TcxDataGroups::DataGroupIndexByRecordListIndex(int32_t APosition) const {
  if (FDataGroups.empty())
    for (int32_t i = 0; i < Count(); ++i)
      if (Items(i).Level == LevelCount() - 1) FDataGroups.push_back(i);
  auto it = std::upper_bound(FDataGroups.begin(), FDataGroups.end(), APosition,
                             [this](int32_t pos, int32_t g) { return pos < Items(g).FirstIndex; });
  if (it == FDataGroups.begin()) return -1;
  const int32_t g = *(it - 1);
  return APosition <= Items(g).LastIndex ? g : -1;
}

int32_t TcxDataGroups::GroupIndexByRecordListIndex(int32_t APosition, int32_t ALevel) const {
  const int32_t g = DataGroupIndexByRecordListIndex(APosition);
  for (int32_t i = g; i >= 0; --i)
    if (Items(i).Level == ALevel) return i;
  return -1;
}

int32_t TcxDataGroups::FirstRecordListIndex(int32_t AIndex) const {
  int32_t i = AIndex;
  while (Items(i).Level < LevelCount() - 1) i = Items(i).FirstIndex;
  return Items(i).FirstIndex;
}

void TcxDataGroups::GetRowInfo(int32_t ARow, TcxRowInfo& AInfo, int32_t& ARecordListIndex) const {
  int32_t g;
  if (FindByRowIndex(ARow, g) != -1) {
    const TcxDataGroupInfo& gi = Items(g);
    AInfo.Level = gi.Level;
    AInfo.Expanded = gi.Expanded;
    ARecordListIndex = FirstRecordListIndex(g);
  } else {
    AInfo.Level = LevelCount();
    AInfo.Expanded = false;
    const TcxDataGroupInfo& gi = Items(g);
    ARecordListIndex = ARow + gi.FirstIndex - gi.RowIndex - 1;
  }
}

int32_t TcxDataGroups::RowCount() const {
  if (FItems.empty()) return 0;
  const TcxDataGroupInfo& last = FItems.back();
  int32_t v;
  FindByRowIndex(last.RowIndex, v);
  const TcxDataGroupInfo& shown = Items(v);
  int32_t n = last.RowIndex + 1;
  if (shown.Expanded && shown.Level == LevelCount() - 1) n += shown.LastIndex - shown.FirstIndex + 1;
  return n;
}

void TcxDataGroups::ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive) {
  int32_t g;
  if (FindByRowIndex(ARow, g) == -1) return;
  const int32_t level = Items(g).Level;
  Items(g).Expanded = AExpanded;
  if (ARecursive && level < LevelCount() - 1)
    for (int32_t i = g + 1; i < Count() && Items(i).Level > level; ++i) Items(i).Expanded = AExpanded;
  RecalculateRowIndexes();
}

void TcxDataGroups::SetAllExpanded(bool AExpanded) {
  for (TcxDataGroupInfo& g : FItems) g.Expanded = AExpanded;
  RecalculateRowIndexes();
}

bool TcxDataGroups::ExpandParents(int32_t AIndex, bool AExpandSelf) {
  bool changed = false;
  if (AExpandSelf && !Items(AIndex).Expanded) {
    Items(AIndex).Expanded = true;
    changed = true;
  }
  for (int32_t p = ParentGroupIndex(AIndex); p != -1; p = ParentGroupIndex(p))
    if (!Items(p).Expanded) {
      Items(p).Expanded = true;
      changed = true;
    }
  if (changed) RecalculateRowIndexes();
  return changed;
}

void TcxDataGroups::RecalculateRowIndexes() {
  // shownRow[level]: the row a group of that level is numbered with when hidden (the row of its
  // nearest visible ancestor); open[level]: whether children at level+1 are visible.
  const int32_t levels = LevelCount();
  std::vector<int32_t> shownRow(static_cast<size_t>(levels) + 1, 0);
  std::vector<bool> open(static_cast<size_t>(levels) + 1, true);
  int32_t row = 0;
  for (TcxDataGroupInfo& g : FItems) {
    const size_t l = static_cast<size_t>(g.Level);
    const bool visible = g.Level == 0 || open[l - 1];
    if (visible) {
      g.RowIndex = row++;
      if (g.Expanded && g.Level == levels - 1) row += g.LastIndex - g.FirstIndex + 1;
    } else
      g.RowIndex = shownRow[l - 1];
    shownRow[l] = g.RowIndex;
    open[l] = visible && g.Expanded;
  }
}

void TcxDataGroups::SortBySummary() {
  // Group order by summary belongs to the summaries; the groups keep their order until they fill it.
}

// ---------------------------------------------------------------------------------------------------
// Focus, expanding infos, selection

void TcxDataFocusingInfo::Assign(const TcxDataFocusingInfo* AOther) {
  Level = AOther->Level;
  PreviousRecord = AOther->PreviousRecord;
  RecordIndex = AOther->RecordIndex;
  RowIndex = AOther->RowIndex;
  Changed = false;
  SavedNewItemRowFocus = false;
}

void TcxDataFocusingInfo::Clear() { Level = RecordIndex = RowIndex = -1; }

bool TcxDataFocusingInfo::IsEqual(const TcxDataFocusingInfo* AOther) const {
  if (RecordIndex != AOther->RecordIndex || Level != AOther->Level) return false;
  if (Info->Changes() & dcicSorting) return RowIndex == AOther->RowIndex;
  return true;
}

void TcxDataFocusingInfo::UpdateFromRow() {
  if (RowIndex == -1) {
    Level = -1;
    RecordIndex = -1;
  } else {
    TcxRowInfo info;
    Info->GetRowInfo(RowIndex, info);
    Level = info.Level;
    RecordIndex = info.RecordIndex;
  }
  PreviousRecord = RecordIndex;
}

void TcxDataExpandingInfos::AddField(TcxCustomDataField* AField) {
  if (FieldIndexOf(AField) != -1) RaiseControllerError(cxSDataItemExistError);
  FFields.push_back(AField);
  FItems.clear();
}

uint8_t TcxDataExpandingInfos::AddItem(int32_t ALevel, const std::vector<Variant>& AValues, uint8_t AState) {
  FItems.push_back({ALevel, AValues, AState});
  return AState;
}

void TcxDataExpandingInfos::CheckField(TcxCustomDataField* AField) {
  if (FieldIndexOf(AField) != -1) Clear();
}

void TcxDataExpandingInfos::Clear() {
  FFields.clear();
  FItems.clear();
  StatesToKeep = {};
}

int32_t TcxDataExpandingInfos::FieldIndexOf(TcxCustomDataField* AField) const {
  auto it = std::find(FFields.begin(), FFields.end(), AField);
  return it == FFields.end() ? -1 : static_cast<int32_t>(it - FFields.begin());
}

void TcxDataSelection::InsertItem(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel) {
  const TcxDataSelectionInfo e{ALevel, AIndex, ARowIndex};
  if (APosition < 0)
    FItems.push_back(e);
  else
    FItems.insert(FItems.begin() + APosition, e);
}

void TcxDataSelection::DeleteItem(int32_t APosition) {
  if (FItems.at(static_cast<size_t>(APosition)).RowIndex == FSelectionAnchorRow) ClearAnchor();
  FItems.erase(FItems.begin() + APosition);
}

void TcxDataSelection::SetInternalCount(int32_t ACount) {
  while (GetCount() > ACount) FItems.pop_back();
  for (int32_t k = GetCount(); k < ACount; ++k) FItems.push_back({0, k, k});
}

void TcxDataSelection::Add(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel) {
  InsertItem(APosition, ARowIndex, AIndex, ALevel);
  Changed();
}

bool TcxDataSelection::FindByRowIndex(int32_t ARowIndex, int32_t& APosition) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARowIndex,
                             [](const TcxDataSelectionInfo& e, int32_t row) { return e.RowIndex < row; });
  APosition = static_cast<int32_t>(it - FItems.begin());
  return it != FItems.end() && it->RowIndex == ARowIndex;
}

void TcxDataSelection::Clear() {
  ClearItems();
  Changed();
}

void TcxDataSelection::ClearAll() {
  ClearAnchor();
  ClearItems();
  Changed();
}

void TcxDataSelection::Delete(int32_t APosition) {
  DeleteItem(APosition);
  Changed();
}

int32_t TcxDataSelection::FindGroupRow(int32_t AGroupIndex) const {
  for (int32_t i = 0; i < GetCount(); ++i)
    if (FItems[static_cast<size_t>(i)].Level == -1 && FItems[static_cast<size_t>(i)].Index == AGroupIndex) return i;
  return -1;
}

int32_t TcxDataSelection::FindRecord(int32_t ARecordIndex) const {
  for (int32_t i = 0; i < GetCount(); ++i)
    if (FItems[static_cast<size_t>(i)].Level != -1 && FItems[static_cast<size_t>(i)].Index == ARecordIndex) return i;
  return -1;
}

void TcxDataSelection::SortByRowIndex() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const TcxDataSelectionInfo& a, const TcxDataSelectionInfo& b) { return a.RowIndex < b.RowIndex; });
}

void TcxDataSelection::Changed() {
  if (OnChanged.Assigned()) OnChanged(this);
}

void TcxDataSelection::RemoveHiddenRecords() {
  for (int32_t i = GetCount() - 1; i >= 0; --i) {
    const TcxDataSelectionInfo& e = FItems[static_cast<size_t>(i)];
    if (e.Level != -1 && FDataController->DataControllerInfo()->GetRowIndexByRecordIndex(e.Index, false) == -1)
      DeleteItem(i);
  }
}

// ---------------------------------------------------------------------------------------------------
// Keys

void TcxKeys::Save(TcxCustomDataController* AController) {
  Clear();
  FDataController = AController;
  FKeyFields = AController->GetKeyFields();
  CollectKeys();
  std::stable_sort(FKeys.begin(), FKeys.end(),
                   [](const TcxKeyInfo& a, const TcxKeyInfo& b) { return CompareVariantValues(a.KeyValue, b.KeyValue) < 0; });
}

void TcxKeys::Restore(TcxCustomDataController* AController) {
  FDataController = AController;
  FKeyFields = AController->GetKeyFields();
  if (!FKeys.empty()) ApplyKeys();
  Clear();
}

void TcxKeys::FreeKeyInfo(TcxKeyInfo& AInfo) {
  if (AInfo.DetailState) FreeAndNil(AInfo.DetailState);
}

void TcxKeys::Clear() {
  // While the list is being destroyed this reaches the base FreeKeyInfo, which frees what any list keeps.
  for (TcxKeyInfo& info : FKeys) FreeKeyInfo(info);
  FKeys.clear();
}

void TcxKeys::Delete(int32_t AIndex) {
  FreeKeyInfo(FKeys.at(static_cast<size_t>(AIndex)));
  FKeys.erase(FKeys.begin() + AIndex);
}

bool TcxKeys::FindRecordKey(int32_t ARecordIndex, int32_t& AIndex) const {
  const Variant key = FDataController->GetRecordValues(ARecordIndex, FKeyFields);
  for (int32_t i = 0; i < Count(); ++i)
    if (VariantValuesEqual(FKeys[static_cast<size_t>(i)].KeyValue, key)) {
      AIndex = i;
      return true;
    }
  return false;
}

void TcxSelectedKeys::CollectKeys() {
  TcxDataSelection* sel = FDataController->DataControllerInfo()->GetSelection();
  for (int32_t i = 0; i < sel->GetCount(); ++i) {
    const TcxDataSelectionInfo& e = sel->Items(i);
    if (e.Level == -1 || e.Index >= FDataController->GetRecordCount()) continue;
    FKeys.push_back({FDataController->GetRecordValues(e.Index, FKeyFields), i});
  }
}

void TcxSelectedKeys::ApplyKeys() {
  TcxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TcxDataSelection* sel = info->GetSelection();
  if (sel->GetCount() == 0) return;
  for (int32_t r = 0; r < FDataController->GetRecordCount() && !FKeys.empty(); ++r) {
    int32_t k;
    if (!FindRecordKey(r, k)) continue;
    const int32_t pos = FKeys[static_cast<size_t>(k)].SelectionIndex;
    if (pos >= 0 && pos < sel->GetCount()) sel->Items(pos).Index = r;
    Delete(k);
  }
  for (const TcxKeyInfo& key : FKeys)
    if (key.SelectionIndex >= 0 && key.SelectionIndex < sel->GetCount()) sel->Items(key.SelectionIndex).Index = -1;
  for (int32_t i = sel->GetCount() - 1; i >= 0; --i)
    if (sel->Items(i).Index == -1) sel->DeleteItem(i);
  info->RefreshSelectionRows();
}

namespace {

// The detail controller of a record for a relation when it is of the master's own kind (its state is then
// kept and brought back with the master's); nil otherwise. Only AMake makes one that does not exist yet.
TcxCustomDataController* SameKindDetail(TcxCustomDataController* AMaster, int32_t ARecordIndex, int32_t ARelationIndex,
                                        bool AMake) {
  if (ARelationIndex < 0 || (!AMake && !AMaster->HasDetailDataController(ARecordIndex, ARelationIndex))) return nullptr;
  TcxCustomDataController* detail = AMaster->GetDetailDataController(ARecordIndex, ARelationIndex);
  return detail && detail->ClassType() == AMaster->ClassType() ? detail : nullptr;
}

}  // namespace

void TcxDetailKeys::CollectKeys() {
  TcxCustomDataRelationList* relations = FDataController->Relations();
  if (!relations || !relations->DetailField()) return;
  for (int32_t r = 0; r < FDataController->GetRecordCount(); ++r) {
    TcxDetailObject* object = relations->PeekDetailObject(r);
    if (!object || !object->Expanded) continue;
    TcxKeyInfo info;
    info.KeyValue = FDataController->GetRecordValues(r, FKeyFields);
    info.RelationIndex = object->CurrentRelationIndex;
    info.DetailState = New<TcxSaveObject>();
    FKeys.push_back(info);
    if (TcxCustomDataController* detail = SameKindDetail(FDataController, r, info.RelationIndex, false))
      info.DetailState->SaveState(detail);
  }
}

void TcxDetailKeys::ApplyKeys() {
  for (int32_t r = 0; r < FDataController->GetRecordCount(); ++r) {
    int32_t k;
    if (!FindRecordKey(r, k)) continue;
    const TcxKeyInfo& info = FKeys[static_cast<size_t>(k)];
    FDataController->ChangeDetailExpanding(r, true);
    FDataController->ChangeDetailActiveRelationIndex(r, info.RelationIndex);
    if (!info.DetailState || !FDataController->GetDetailExpanding(r) ||
        FDataController->GetDetailActiveRelationIndex(r) != info.RelationIndex)
      continue;
    // A reload took the record's detail controller with it; one that has open rows of its own to bring
    // back is made again now, before a view asks for it, so that the whole open tree returns.
    const bool make = !info.DetailState->IsEmpty();
    if (TcxCustomDataController* detail = SameKindDetail(FDataController, r, info.RelationIndex, make))
      info.DetailState->RestoreState(detail);
  }
}

void TcxSaveObject::SaveState(TcxCustomDataController* AController) {
  if (AController->IsCreatingDetail() || AController->IsDestroying() || AController->GetKeyFields().empty()) return;
  FDetailKeyList.Save(AController);
  FSelectedKeyList.Save(AController);
}

void TcxSaveObject::RestoreState(TcxCustomDataController* AController) {
  if (AController->IsCreatingDetail()) return;
  // Without keys the records cannot be found again: no detail stays open on a record it did not belong to.
  if (AController->GetKeyFields().empty()) {
    AController->CollapseDetails();
    return;
  }
  FDetailKeyList.Restore(AController);
  FSelectedKeyList.Restore(AController);
}

// ---------------------------------------------------------------------------------------------------
// TcxDataControllerGroups

TcxDataGroups* TcxDataControllerGroups::Groups() const { return FDataController->DataControllerInfo()->DataGroups(); }

void TcxDataControllerGroups::ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive) {
  FDataController->DataControllerInfo()->ChangeExpanding(ARow, AExpanded, ARecursive);
}

void TcxDataControllerGroups::ChangeGrouping(int32_t AItemIndex, int32_t AGroupIndex) {
  FDataController->CheckItemRange(AItemIndex);
  if (GetItemGroupIndex(AItemIndex) == AGroupIndex) return;
  FDataController->PostEditingData();
  FDataController->SetGroupingChanged();
  FDataController->DataControllerInfo()->ChangeGrouping(FDataController->Fields(AItemIndex), AGroupIndex);
}

void TcxDataControllerGroups::ClearGrouping() {
  if (GetGroupingItemCount() > 0) {
    FDataController->PostEditingData();
    FDataController->SetGroupingChanged();
  }
  FDataController->DataControllerInfo()->ClearGrouping();
}

void TcxDataControllerGroups::FullExpand() { FDataController->DataControllerInfo()->FullExpand(); }

void TcxDataControllerGroups::FullCollapse() { FDataController->DataControllerInfo()->FullCollapse(); }

int32_t TcxDataControllerGroups::GetGroupingItemCount() const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Count();
}

int32_t TcxDataControllerGroups::GetGroupingItemIndex(int32_t ALevel) const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Items(ALevel).Field->Index();
}

int32_t TcxDataControllerGroups::GetItemGroupIndex(int32_t AItemIndex) const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Find(FDataController->Fields(AItemIndex));
}

int32_t TcxDataControllerGroups::GetDataGroupIndexByRowIndex(int32_t ARow) const {
  TcxDataGroups* g = Groups();
  if (g->Count() == 0) return -1;
  const int32_t i = g->GroupIndexByRowIndex(ARow, -1);
  if (i < 0) return -1;
  if (g->Items(i).Level == g->LevelCount() - 1) return i;
  return g->DataGroupIndexByRecordListIndex(g->FirstRecordListIndex(i));
}

int32_t TcxDataControllerGroups::GetLevelByGroupIndex(int32_t AIndex) const { return Groups()->LevelOf(AIndex); }

int32_t TcxDataControllerGroups::GetGroupChildCount(int32_t AGroupIndex) const { return Groups()->ChildCount(AGroupIndex); }

int32_t TcxDataControllerGroups::GetChildGroupIndex(int32_t AGroupIndex, int32_t I) const {
  return Groups()->ChildGroupIndex(AGroupIndex, I);
}

int32_t TcxDataControllerGroups::GetChildRecordIndex(int32_t AGroupIndex, int32_t I) const {
  const int32_t p = Groups()->ChildRecordListIndex(AGroupIndex, I);
  return p == -1 ? -1 : FDataController->DataControllerInfo()->GetRecordListItem(p);
}

bool TcxDataControllerGroups::IsRowInGroup(int32_t ARow, int32_t AGroupRow) const {
  TcxDataGroups* g = Groups();
  const int32_t group = g->GroupIndexByRowIndex(AGroupRow, -1);
  int32_t i = g->GroupIndexByRowIndex(ARow, -1);
  if (group < 0 || i < 0) return false;
  int32_t d;
  if (g->FindByRowIndex(AGroupRow, d) == -1) return false;
  for (; i != -1; i = g->ParentGroupIndex(i))
    if (i == group) return true;
  return false;
}

void TcxDataControllerGroups::GetGroupRecords(std::vector<int32_t>& AList, int32_t ARow) const {
  TcxDataGroups* g = Groups();
  int32_t i;
  if (g->FindByRowIndex(ARow, i) == -1) return;
  int32_t last = i;
  while (g->Items(last).Level < g->LevelCount() - 1) last = g->Items(last).LastIndex;
  const int32_t from = g->FirstRecordListIndex(i), to = g->Items(last).LastIndex;
  for (int32_t p = from; p <= to; ++p) AList.push_back(FDataController->DataControllerInfo()->GetRecordListItem(p));
}
