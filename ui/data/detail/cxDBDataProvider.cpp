// The dataset provider and its data link: every provider operation carried out on the dataset, and the
// dataset's notifications turned into the controller's changes.
#include <algorithm>
#include <functional>

#include "ui/base/cxVariants.h"
#include "ui/data/cxDBData.h"
#include "ui/data/detail/cxScopeGuard.h"

namespace {

struct TProviderGuard {
  explicit TProviderGuard(std::function<void()> AFn) : Fn(std::move(AFn)) {}
  ~TProviderGuard() { Fn(); }
  std::function<void()> Fn;
};

// Every live dataset provider of the process (main thread only).
std::vector<TcxDBDataProvider*>& ProviderList() {
  static std::vector<TcxDBDataProvider*> list;
  return list;
}

bool IsEditState(TDataSetState AState) { return AState == dsEdit || AState == dsInsert || AState == dsSetKey; }

TBookmark BookmarkBytes(const TBookmarkStr& S) { return TBookmark(S.begin(), S.end()); }

}  // namespace

// Raised when a lock of the dataset finds another control's pending edit that cannot be posted: the
// edit is kept (the dataset stays in its edit state) and the operation that needed the lock is refused.
static const char* const cxSDataPendingEditNotPosted = "Несохранённые изменения записи не удалось сохранить: ";

// ---------------------------------------------------------------------------------------------------
// Data link

void TcxDBDataLink::ActiveChanged() {
  // Another clone re-querying the shared detail dataset closes and opens it: not a change of this
  // clone's rows (reloading them would re-query it back, and the clones would take turns for ever).
  if (FProvider->IsOtherProviderRequerying()) return;
  FProvider->FActiveChanging = true;
  {
    TProviderGuard reset{[this] { FProvider->FActiveChanging = false; }};
    FProvider->ActiveChanged(Active());
  }
  if (FProvider->DBController()->IsLoading()) FProvider->DBController()->FFirstCheckDone = true;
  TDataSet* ds = DataSet();
  FProvider->FInsertOnActivation = ds && ds->State() == dsInsert;
  FProvider->DataSetPositionChanged();
}

void TcxDBDataLink::DataEvent(TDataEvent AEvent, intptr_t AInfo) {
  TDataLink::DataEvent(AEvent, AInfo);
  if (AEvent == deDisabledStateChange && AInfo == 0) FLayoutChangePending = true;
  // The dataset moved or changed its rows: its position or record count may differ.
  if (AEvent == deDataSetChange || AEvent == deDataSetScroll) FProvider->DataSetPositionChanged();
}

void TcxDBDataLink::DataSetChanged() {
  // A SQL-mode detail whose dataset holds another master's rows waits for its re-query.
  if (FProvider->DBController()->DetailRequeryNeeded()) return;
  if (FLayoutChangePending) {
    FromEnableControls = true;
    TProviderGuard reset{[this] { FromEnableControls = false; }};
    LayoutChanged();
    return;
  }
  TcxDBDataProvider* p = FProvider;
  if (p->IsOtherProviderHolding() || p->IsOtherProviderRequerying()) return;
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = p->DBController();
  if (p->IsDataSetBusy()) {
    DataSetScrolled(0);
    return;
  }
  if (p->IsGridMode()) {
    p->FGridModeUpdating = true;
    dc->LockInfo();
    try {
      p->RefillGridBuffer();
    } catch (...) {
      p->FGridModeUpdating = false;
      dc->UnlockInfo();
      throw;
    }
    p->FGridModeUpdating = false;
    dc->UnlockInfo();
    // Selected records that went with the change leave the selection.
    if (!dc->IsSingleSelection() && dc->DBSelection()->DropInvalidBookmarks()) {
      dc->LockInfo();
      cxdata::ScopeGuard unlock{[dc] { dc->UnlockInfo(); }};
      dc->DBSelection()->Changed();
    }
    dc->CheckBookmark(-1);
    if (ds->State() == dsInsert) p->TakeInsertOver();
    return;
  }
  if (!IsEditState(ds->State())) {
    if (p->IsSmartRefresh()) {
      p->SmartRefreshRecord();
      DataSetScrolled(0);
    } else
      p->DataChanged(dcTotal, -1, -1);
    p->ResetUpdatingInfo();
    return;
  }
  if (ds->State() == dsInsert && !p->TcxCustomDataProvider::IsInserting() &&
      (!dc->IsDetailMode() || p->DataSetPositioned()) && p->CanSyncInsert() && !p->FInsertingFromSource)
    p->TakeInsertOver();
}

void TcxDBDataLink::DataSetScrolled(int32_t ADistance) {
  FProvider->DataScrolled(ADistance);
}

void TcxDBDataLink::EditingChanged() {
  TcxDBDataProvider* p = FProvider;
  if (!p->IsSyncMode()) return;
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = p->DBController();
  if (Active() && ds && IsEditState(ds->State())) {
    if (ds->State() == dsEdit) {
      dc->FUnboundCopy = true;
      TProviderGuard reset{[dc] { dc->FUnboundCopy = false; }};
      p->BeginEdit();
    } else if (ds->State() == dsInsert && p->FInsertOnActivation && !ds->ControlsDisabled() && p->IsGridMode() &&
               !p->FInInsert)
      p->TakeInsertOver();
  } else {
    // The dataset left its edit state inside a locate or a notification lock: the change that follows
    // must be handled in full, not taken for the provider's own cursor movement.
    if (p->LocateNesting() > 0 || p->LockNesting() > 0)
      for (TcxDBDataProvider* q : p->SameDataSetProviders()) q->FPostLocate = true;
    p->ResetEditing();
  }
  p->FInsertOnActivation = false;
}

void TcxDBDataLink::FocusControl(TField** AField) {
  if (!AField || !*AField) return;
  TcxDBDataController* dc = FProvider->DBController();
  for (int32_t i = 0; i < dc->GetItemCount(); ++i)
    if (dc->DBField(i)->Field() == *AField) {
      // The request is taken only when the owning view did start editing the item.
      bool started = false;
      dc->GetItemFlag150(i, started);
      if (started) *AField = nullptr;
      return;
    }
}

void TcxDBDataLink::LayoutChanged() {
  // Reloading would re-query the dataset for this clone's master while it is another's.
  if (FProvider->IsOtherProviderRequerying() || FProvider->DBController()->DetailRequeryNeeded()) return;
  TDataSet* ds = DataSet();
  FLayoutChangePending = false;
  // The platform's dataset reports every EnableControls as a disabled-state change; when the fields the
  // controller is bound to are all still the dataset's, nothing of the layout changed and the event is
  // the data change it announces (a smart refresh stays a one-record update).
  const bool bindingsIntact = ds && ds->Active() && FProvider->DBController()->FieldsStillBound();
  if ((ds && ds->State() == dsInsert) || (FProvider->IsSmartRefresh() && FLayoutChangeBlocked) ||
      (FromEnableControls && bindingsIntact)) {
    DataSetChanged();
    return;
  }
  FProvider->TcxCustomDataProvider::LayoutChanged(3);
}

void TcxDBDataLink::RecordChanged(TField* AField) { FProvider->RecordChanged(AField); }

void TcxDBDataLink::UpdateData() {
  FProvider->TcxCustomDataProvider::UpdateData();
  if (FProvider->IsSmartRefresh()) RecordChanged(nullptr);
  FProvider->ResetChanging();
}

// ---------------------------------------------------------------------------------------------------
// Provider: lifetime and coordination

TcxDBDataProvider::TcxDBDataProvider(TcxCustomDataController* AController) : TcxCustomDataProvider(AController) {
  FDataLink = New<TcxDBDataLink>(this);
  ProviderList().push_back(this);
}

TcxDBDataProvider::~TcxDBDataProvider() {
  auto& list = ProviderList();
  for (TcxDBDataProvider* p : list) {
    auto& w = p->FWaitingProviders;
    w.erase(std::remove(w.begin(), w.end(), this), w.end());
  }
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  FDataLink->SetDataSource(nullptr);
  FDataLink->Free();
}

TcxDBDataController* TcxDBDataProvider::DBController() const {
  return static_cast<TcxDBDataController*>(DataController());
}

std::vector<TcxDBDataProvider*> TcxDBDataProvider::SameDataSetProviders() {
  std::vector<TcxDBDataProvider*> result;
  TDataSet* ds = DataSet();
  if (!ds) return result;
  for (TcxDBDataProvider* p : ProviderList())
    if (p->DataSet() == ds) result.push_back(p);
  return result;
}

bool TcxDBDataProvider::IsDataSetBusy() {
  TcxDBDataController* dc = DBController();
  const bool countLocates = dc->IsKeyFieldMode() || IsGridMode();
  for (TcxDBDataProvider* q : SameDataSetProviders()) {
    if (q->LockNesting() > 0 || q->FNotifying || (countLocates && q->LocateNesting() > 0)) {
      if (q->FNotifying) return !FPostLocate;
      return !FPostLocate && !(IsGridMode() && dc->LocateCount() > 0);
    }
  }
  return false;
}

bool TcxDBDataProvider::IsOtherProviderHolding() {
  const bool keyMode = DBController()->IsKeyFieldMode();
  for (TcxDBDataProvider* q : SameDataSetProviders()) {
    if (q == this) continue;
    if (q->LockNesting() > 0 || (keyMode && q->LocateNesting() > 0)) {
      if (q->DBController()->LocateCount() == 0 &&
          std::find(q->FWaitingProviders.begin(), q->FWaitingProviders.end(), this) == q->FWaitingProviders.end())
        q->FWaitingProviders.push_back(this);
      return true;
    }
  }
  return false;
}

bool TcxDBDataProvider::IsOtherProviderRequerying() {
  for (TcxDBDataProvider* q : SameDataSetProviders())
    if (q != this && q->FInFirst && q->DBController()->IsDetailMode()) return true;
  return false;
}

void TcxDBDataProvider::NotifyWaitingProviders() {
  if (FNotifying) return;
  FNotifying = true;
  TProviderGuard reset{[this] { FNotifying = false; }};
  // One round over those waiting now: a provider that finds the dataset still held (this one's lock is
  // released only after the notification) waits again for the next round instead of being told for ever.
  std::vector<TcxDBDataProvider*> waiting;
  waiting.swap(FWaitingProviders);
  while (!waiting.empty()) {
    TcxDBDataProvider* p = waiting.back();
    waiting.pop_back();
    const auto& live = ProviderList();
    if (std::find(live.begin(), live.end(), p) != live.end()) p->FDataLink->DataSetChanged();
  }
}

// ---------------------------------------------------------------------------------------------------
// State queries

bool TcxDBDataProvider::IsGridMode() {
  TcxDBDataController* dc = DBController();
  if (!dc || !dc->DataModeController() || !dc->DataModeController()->GridMode()) return false;
  TDataSet* ds = DataSet();
  if (ds && ds->IsUniDirectional()) return false;
  if (dc->DataControllerInfo() && dc->DataControllerInfo()->IsGrouped()) return false;
  return !dc->IsPattern();
}

bool TcxDBDataProvider::HasSourceState() {
  TDataSet* ds = DataSet();
  return ds && ds->State() != dsInactive;
}

bool TcxDBDataProvider::IsOtherProviderInserting() {
  for (TcxDBDataProvider* q : SameDataSetProviders())
    if (q != this && q->FInInsert) return true;
  return false;
}

bool TcxDBDataProvider::IsSyncMode() {
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBController();
  if (!ds || !ds->Active() || ds->IsUniDirectional() || !dc->DataModeController()) return false;
  if (!IsGridMode() && !dc->DataModeController()->SyncMode()) return false;
  if (!dc->IsDetailMode()) return true;
  // The clones of a detail level share their dataset: only the one it is positioned for follows it.
  if (!dc->DataModeController()->DetailSyncEnabled()) return false;
  if (dc->DataModeController()->DetailInSQLMode()) return FDataSetCurrent;
  return dc->IsKeyFieldMode() || IsGridMode();
}

bool TcxDBDataProvider::IsActive() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && !ds->ControlsDisabled();
}

bool TcxDBDataProvider::HasFields() {
  TDataSet* ds = DataSet();
  return ds && ds->FieldCount() > 0 && (ds->Active() || !ds->DefaultFields());
}

bool TcxDBDataProvider::IsBOF() {
  TDataSet* ds = DataSet();
  return !ds || ds->Bof() || !FDataLink->Active();
}

bool TcxDBDataProvider::IsEOF() {
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBController();
  if (!ds || !dc || !dc->IsDetailMode() || IsGridMode()) return !ds || ds->Eof() || !FDataLink->Active();
  // A detail reads the run of rows that carry its master's key, from where the first step put the cursor.
  if (VarIsEmpty(dc->MasterKeyValues()) || ds->Eof()) return true;
  if (IsEditState(ds->State())) return false;
  return !VariantValuesEqual(ds->FieldValues(dc->DetailKeyFieldNames()), dc->MasterKeyValues());
}

bool TcxDBDataProvider::IsEditing() {
  if (!CanModify()) return TcxCustomDataProvider::IsEditing();
  return IsEditState(DataSet()->State());
}

bool TcxDBDataProvider::IsInserting() {
  if (!CanModify()) return TcxCustomDataProvider::IsInserting();
  return DataSet()->State() == dsInsert;
}

bool TcxDBDataProvider::IsModified() {
  TDataSet* ds = DataSet();
  return TcxCustomDataProvider::IsModified() || (ds && ds->Modified());
}

bool TcxDBDataProvider::CanModify() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && ds->CanModify() && IsSyncMode();
}

bool TcxDBDataProvider::CanDelete() { return CanModify() && !DataSet()->IsEmpty(); }

int32_t TcxDBDataProvider::GetSyncRecordIndex() {
  if (!FGridModeUpdating && IsInserting() && EditRecord() != cxNullEditingRecordIndex) return EditRecord();
  return FCursorRecord;
}

bool TcxDBDataProvider::IsSmartRefresh() {
  TcxDBDataController* dc = DBController();
  return dc->DataModeController() && dc->IsKeyFieldMode() && !IsGridMode() && dc->DataModeController()->SmartRefresh();
}

bool TcxDBDataProvider::CanSyncInsert() {
  TcxDBDataController* dc = DBController();
  return !dc->IsPattern() && dc->DataModeController()->InsertSyncEnabled() && IsSyncMode();
}

// ---------------------------------------------------------------------------------------------------
// Cursor

void TcxDBDataProvider::First() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  FInFirst = true;
  TProviderGuard reset{[this] { FInFirst = false; }};
  FFieldsRecreated = false;
  TcxDBDataController* dc = DBController();
  if (!dc || !dc->IsDetailMode() || IsGridMode()) {
    ds->First();
    return;
  }
  // Without a master key there is nothing to read, and the shared dataset stays where it is.
  if (VarIsEmpty(dc->MasterKeyValues())) return;
  bool reopened = false;
  dc->DataModeController()->DetailFirst(dc->MasterDetailKeyFieldNames(), dc->MasterKeyValues(), reopened);
  if (reopened) SavePos();
  // Reading the rows of a located detail puts the cursor back afterwards: the dataset stays positioned
  // for the clone it was before. A re-query leaves this clone's rows in the dataset for good.
  if (!dc->FReadingRecords || dc->DataModeController()->DetailInSQLMode()) dc->SetDataSetCurrent(true);
}

void TcxDBDataProvider::Prior() {
  if (TDataSet* ds = DataSet()) ds->Prior();
}

void TcxDBDataProvider::Next() {
  if (TDataSet* ds = DataSet()) ds->Next();
}

void TcxDBDataProvider::Last() {
  if (TDataSet* ds = DataSet()) ds->Last();
}

void TcxDBDataProvider::MoveBy(int32_t ADistance) {
  if (TDataSet* ds = DataSet()) ds->MoveBy(ADistance);
}

void TcxDBDataProvider::Scroll(int32_t ADistance) {
  if (ADistance == 0 || !IsGridMode() || !IsActive()) return;
  TDataSet* ds = DataSet();
  if (ADistance < 0)
    ds->MoveBy(ADistance - FDataLink->ActiveRecord());
  else
    ds->MoveBy(ADistance + FDataLink->RecordCount() - FDataLink->ActiveRecord() - 1);
  DBController()->SetFocusedSelected(true);
}

void TcxDBDataProvider::SavePos() {
  TDataSet* ds = DataSet();
  FSavePos = TcxDBDataProviderSavePosInfo();
  FHasSavedBookmark = false;
  if (!ds) return;
  if (ds->BookmarkAvailable()) {
    FSavePos.Bookmark = ds->Bookmark();
    FHasSavedBookmark = !FSavePos.Bookmark.empty();
  }
  FSavePos.ActiveRecord = FDataLink->ActiveRecord();
  FSavePos.Bof = ds->Bof();
  FSavePos.Eof = ds->Eof();
}

void TcxDBDataProvider::RestorePos() {
  TDataSet* ds = DataSet();
  if (!ds || !FHasSavedBookmark || !BookmarkValid(FSavePos.Bookmark)) return;
  try {
    ds->SetBookmark(FSavePos.Bookmark);
    const int32_t current = FDataLink->ActiveRecord();
    if (FSavePos.ActiveRecord < current) {
      const int32_t n = FDataLink->BufferCount() - FSavePos.ActiveRecord - 1;
      ds->MoveBy(n);
      ds->MoveBy(-n);
    } else if (FSavePos.ActiveRecord > current) {
      ds->MoveBy(-FSavePos.ActiveRecord);
      ds->MoveBy(FSavePos.ActiveRecord);
    }
    if (FSavePos.Bof && !ds->Bof()) ds->Prior();
    if (FSavePos.Eof && !ds->Eof()) ds->Next();
  } catch (const EDatabaseError&) {
  }
}

void TcxDBDataProvider::LockNotify() {
  TcxCustomDataProvider::LockNotify();
  TDataSet* ds = DataSet();
  if (!ds) return;
  ds->DisableControls();
  if (ds->Active() && IsEditState(ds->State())) {
    for (TcxDBDataProvider* q : SameDataSetProviders())
      if (!q->DBController()->IsPattern()) q->FPostLocate = true;
    // A pending edit may belong to another control on this dataset: it is posted, never dropped. When it
    // cannot be posted the lock is refused and the edit stays pending.
    try {
      ds->CheckBrowseMode();
    } catch (const Exception& e) {
      ds->EnableControls();
      TcxCustomDataProvider::UnlockNotify();
      throw EcxInvalidDataControllerOperation(cxSDataPendingEditNotPosted + e.Message());
    } catch (...) {
      ds->EnableControls();
      TcxCustomDataProvider::UnlockNotify();
      throw;
    }
  }
}

void TcxDBDataProvider::UnlockNotify() {
  TDataSet* ds = DataSet();
  TProviderGuard unlock{[this] { TcxCustomDataProvider::UnlockNotify(); }};
  if (ds) ds->EnableControls();
}

bool TcxDBDataProvider::BookmarkValid(const TBookmarkStr& ABookmark) {
  TDataSet* ds = DataSet();
  return ds && !ABookmark.empty() && ds->BookmarkValid(BookmarkBytes(ABookmark));
}

namespace {

String DataSetDisplayText(TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  if (!f) return String();
  if (f->IsComposite() && !f->IsLookup()) {
    String text;
    for (int32_t i = 0; i < f->FieldCount(); ++i) text += (i ? ";" : "") + DataSetDisplayText(f->SubFields(i));
    return text;
  }
  TField* field = f->Field();
  return field ? field->DisplayText() : String();
}

}  // namespace

bool TcxDBDataProvider::SearchInDataSet(TcxCustomDataField* AField, const String& AText, bool AForward, bool ANext) {
  TDataSet* ds = DataSet();
  if (!ds || !AField || IsEditing() || !ds->Active() || (ds->Bof() && ds->Eof())) return false;
  const String pattern = AnsiUpperCase(AText);
  auto matches = [&] { return AnsiUpperCase(DataSetDisplayText(AField)).rfind(pattern, 0) == 0; };
  if (!ANext && matches()) return true;
  bool found = false;
  LockNotify();
  TProviderGuard unlock{[this] { UnlockNotify(); }};
  SavePos();
  const TBookmarkStr start = FHasSavedBookmark ? FSavePos.Bookmark : TBookmarkStr();
  bool wrapped = false;
  // Bounded: a next-match search ends at the first end it meets, a new search wraps once and ends at
  // the second end or at its start.
  for (;;) {
    if (AForward)
      Next();
    else
      Prior();
    if (AForward ? ds->Eof() : ds->Bof()) {
      if (ANext || wrapped) break;
      wrapped = true;
      if (AForward)
        First();
      else
        Last();
    }
    if (wrapped && !start.empty() && ds->Bookmark() == start) break;
    if (matches()) {
      found = true;
      break;
    }
  }
  if (!found) RestorePos();
  return found;
}

int32_t TcxDBDataProvider::CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B) {
  if (!FDataLink->Active()) return -1;
  return DataSet()->CompareBookmarks(BookmarkBytes(A), BookmarkBytes(B));
}

// ---------------------------------------------------------------------------------------------------
// Reading

template <class F>
auto TcxDBDataProvider::WithActiveRecord(int32_t ARecordIndex, F AReader) -> decltype(AReader()) {
  const int32_t saved = FDataLink->ActiveRecord();
  FDataLink->SetActiveRecord(ARecordIndex);
  TProviderGuard restore{[this, saved] { FDataLink->SetActiveRecord(saved); }};
  return AReader();
}

String TcxDBDataProvider::GetDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  TField* field = f ? f->Field() : nullptr;
  if (!field) return TcxCustomDataProvider::GetDisplayText(ARecordIndex, AField);
  if (ARecordIndex >= 0 && ARecordIndex < FDataLink->RecordCount())
    return WithActiveRecord(ARecordIndex, [field] { return field->DisplayText(); });
  if (IsInserting() || FIncrementalSearching) return field->DisplayText();
  return String();
}

Variant TcxDBDataProvider::GetValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  TField* field = f ? f->Field() : nullptr;
  if (!field) return TcxCustomDataProvider::GetValue(ARecordIndex, AField);
  auto read = [field] {
    Variant v;
    GetFieldVariant(field, v);
    return v;
  };
  if (ARecordIndex >= 0 && ARecordIndex < FDataLink->RecordCount()) return WithActiveRecord(ARecordIndex, read);
  if (IsInserting() || FIncrementalSearching) return read();
  return Null();
}

void TcxDBDataProvider::RecordLoaded(int32_t ARecordIndex) {
  if (DBController()->IsKeyFieldMode() || !FHasSavedBookmark || FCursorRecord != -1) return;
  if (DataSet()->Bookmark() == FSavePos.Bookmark) FCursorRecord = ARecordIndex;
}

void TcxDBDataProvider::LoadGridModeRecords() {
  TcxDBDataController* dc = DBController();
  FDataLink->SetBufferCount(dc->GridModeBufferCountValue());
  dc->DataStorage()->ResizeTo(0);
  dc->DataStorage()->ResizeTo(FDataLink->Active() ? FDataLink->RecordCount() : 0);
  FCursorRecord = FDataLink->ActiveRecord();
}

void TcxDBDataProvider::DataSetPositionChanged() {
  TcxDBDataController* dc = DBController();
  if (!dc->IsDestroying()) dc->DataSetPositionChanged();
}

void TcxDBDataProvider::RefillGridBuffer() {
  if (!FDataLink->Active() || !IsGridMode()) return;
  TcxDBDataController* dc = DBController();
  const int32_t old = dc->GetRecordCount();
  FDataLink->SetBufferCount(dc->GridModeBufferCountValue());
  FCursorRecord = FDataLink->ActiveRecord();
  if (FDataLink->RecordCount() != old || IsInserting())
    DataChanged(dcTotal, -1, -1);
  else {
    DataChanged(dcRecord, -1, -1);
    dc->CheckFocusing();
  }
}

void TcxDBDataProvider::ActiveChanged(bool AActive) {
  TcxCustomDataProvider::ActiveChanged(AActive);
  TDataSet* ds = DataSet();
  if (!AActive && (!ds || ds->DefaultFields())) DBController()->DropFieldBindings();
  // A closed dataset shows no records; the copy of the open one goes with it.
  if (!AActive && DBController()->GetRecordCount() > 0) DBController()->ReloadStorage();
}

void TcxDBDataProvider::DataScrolled(int32_t ADistance) {
  TcxDBDataController* dc = DBController();
  if (IsGridMode()) {
    FCursorRecord = FDataLink->ActiveRecord();
    dc->LockInfo();
    try {
      if (ADistance != 0) dc->PostLayoutChange();
    } catch (...) {
      dc->UnlockInfo();
      throw;
    }
    dc->UnlockInfo();
  } else
    FCursorRecord += ADistance;
  TcxCustomDataProvider::DataScrolled(ADistance);
  if (IsGridMode() && dc->IsSequenced()) dc->DoReserved202();
}

void TcxDBDataProvider::RecordChanged(TField* AField) {
  (void)AField;
  TcxDBDataController* dc = DBController();
  // A clone the shared detail dataset is not positioned for has no record under the dataset's edit.
  const bool otherClones = dc->IsDetailMode() && dc->DataModeController()->DetailSyncEnabled() && !DataSetPositioned();
  if (!otherClones && IsEditing() && EditRecord() != cxNullEditingRecordIndex && CanModify()) {
    FEditedRecord = EditRecord();
    FEditedIsInsert = IsInserting();
    if (!IsGridMode()) DBController()->ReadRecordFromDataSet(EditRecord());
  }
  ResetChanging();
}

void TcxDBDataProvider::ResetUpdatingInfo() {
  FEditedRecord = cxNullEditingRecordIndex;
  FNewRowCopyRecord = -1;
  FEditedIsInsert = false;
}

void TcxDBDataProvider::ForgetRecord(int32_t ARecordIndex) {
  if (FEditedRecord == ARecordIndex) ResetUpdatingInfo();
  if (FFocusBeforeDelete == ARecordIndex) FFocusBeforeDelete = -1;
}

void TcxDBDataProvider::SmartRefreshRecord() {
  TcxDBDataController* dc = DBController();
  int32_t record = FEditedRecord;
  if (record == cxNullEditingRecordIndex) return;
  if (record < 0 && FNewRowCopyRecord != -1) record = FNewRowCopyRecord;
  if (record < 0 || record >= dc->GetRecordCount()) return;
  const Variant stored = dc->GetRecordId(record);
  const Variant current = dc->GetDataSetKeyValues();
  if (VariantValuesEqual(stored, current) || (FEditedIsInsert && VarIsNull(stored))) {
    // The record itself (an insert whose key the server assigned included): re-read in place.
    dc->ReadRecordFromDataSet(record);
  } else {
    const int32_t other = dc->LocateByKeyFields();
    if (other == -1 || other == record) {
      dc->DeleteRecordAt(record);
      record = -1;
      dc->CheckFocusing();
    } else
      record = other;
  }
  if (record != -1) dc->DataChanged(dcRecord, -1, record);
  dc->FilterChanged();
  FPostLocate = false;
}

// ---------------------------------------------------------------------------------------------------
// Editing

bool TcxDBDataProvider::CanInitEditing(int32_t ARecordIndex) {
  if (!CanModify()) return TcxCustomDataProvider::CanInitEditing(ARecordIndex);
  TcxDBDataController* dc = DBController();
  FInCanInitEditing = true;
  TProviderGuard reset{[this] { FInCanInitEditing = false; }};
  bool result;
  if (dc->UseNewItemRowForEditing() && dc->IsNewItemRowFocused() && !IsInserting()) {
    Insert();
    result = true;
  } else
    result = FDataLink->Edit();
  if (result) SetChanging();
  return result;
}

void TcxDBDataProvider::Edit() {
  if (!CanModify()) {
    TcxCustomDataProvider::Edit();
    return;
  }
  DataSet()->Edit();
}

void TcxDBDataProvider::Post() {
  if (!CanModify()) {
    TcxCustomDataProvider::Post();
    return;
  }
  DataSet()->CheckBrowseMode();
}

void TcxDBDataProvider::Cancel() {
  if (!CanModify()) {
    TcxCustomDataProvider::Cancel();
    return;
  }
  TcxDBDataController* dc = DBController();
  if (dc->GetFlag73()) {
    dc->FUnboundCopy = true;
    TProviderGuard reset{[dc] { dc->FUnboundCopy = false; }};
    TcxCustomDataProvider::Cancel();
  }
  DataSet()->Cancel();
}

void TcxDBDataProvider::UpdateData() {
  if (!CanModify()) {
    TcxCustomDataProvider::UpdateData();
    return;
  }
  FDataLink->UpdateRecord();
}

void TcxDBDataProvider::Append() { DoInsertOrAppend(true); }

void TcxDBDataProvider::Insert() { DoInsertOrAppend(false); }

void TcxDBDataProvider::DoInsertOrAppend(bool AAppend) {
  if (!CanModify()) {
    if (AAppend)
      TcxCustomDataProvider::Append();
    else
      TcxCustomDataProvider::Insert();
    return;
  }
  TDataSet* ds = DataSet();
  FInInsert = true;
  TProviderGuard reset{[this] { FInInsert = false; }};
  if (IsEditState(ds->State())) {
    if (!IsSmartRefresh()) {
      if (ds->State() == dsInsert) ds->CheckBrowseMode();
      if (IsEditState(ds->State())) FDataLink->UpdateRecord();
    } else {
      ds->DisableControls();
      try {
        ds->CheckBrowseMode();
        SmartRefreshRecord();
        ResetUpdatingInfo();
      } catch (...) {
        ds->EnableControls();
        throw;
      }
      ds->EnableControls();
    }
  }
  if (AAppend)
    ds->Append();
  else
    ds->Insert();
}

void TcxDBDataProvider::TakeInsertOver() {
  FInsertingFromSource = true;
  TProviderGuard reset{[this] { FInsertingFromSource = false; }};
  DoInsert(IsEOF());
}

void TcxDBDataProvider::AssignNewRecordValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  TField* field = f ? f->Field() : nullptr;
  if (!field || !CanModify()) {
    TcxCustomDataProvider::AssignNewRecordValue(ARecordIndex, AField, AValue);
    return;
  }
  if (field->Lookup() && !field->KeyFields().empty())
    DataSet()->SetFieldValues(field->KeyFields(), AValue);
  else
    field->SetAsVariant(AValue);
}

Variant TcxDBDataProvider::GetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  TField* field = f ? f->Field() : nullptr;
  if (!field || !CanModify()) {
    if (!field && f && !f->IsUnbound() && CanModify()) return Null();
    return TcxCustomDataProvider::GetEditValue(ARecordIndex, AField);
  }
  Variant v;
  GetFieldVariant(field, v);
  return v;
}

bool TcxDBDataProvider::SetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                                     TcxDataEditValueSource AEditValueSource) {
  auto* f = dynamic_cast<TcxDBDataField*>(AField);
  TField* field = f ? f->Field() : nullptr;
  if (!CanModify()) return TcxCustomDataProvider::SetEditValue(ARecordIndex, AField, AValue, AEditValueSource);
  if (!field) {
    if (f && f->IsUnbound()) return TcxCustomDataProvider::SetEditValue(ARecordIndex, AField, AValue, AEditValueSource);
    return false;
  }
  if (AEditValueSource == evsText || field->OnSetText.Assigned())
    field->SetText(VarToStr(AValue));
  else if (AEditValueSource == evsKey && !field->KeyFields().empty())
    DataSet()->SetFieldValues(field->KeyFields(), AValue);
  else
    SetFieldVariant(field, AValue);
  return true;
}

int32_t TcxDBDataProvider::DeleteFocused() {
  if (!CanModify()) return TcxCustomDataProvider::DeleteFocused();
  TcxDBDataController* dc = DBController();
  const int32_t record = dc->GetFocusedRecordIndex();
  if (record < 0) return -1;
  TDataSet* ds = DataSet();
  const bool smart = IsSmartRefresh();
  if (smart) FFocusBeforeDelete = record;
  ds->DisableControls();
  try {
    ds->Delete();
    FDataLink->FLayoutChangeBlocked = true;
    if (!IsGridMode()) {
      // The cursor now stands on the record after the deleted one, or on the new last record.
      FCursorRecord = record < ds->RecordCount() ? record : record - 1;
      const int32_t nearest = dc->NearestRecordIndex();
      if (nearest >= 0 && nearest < dc->GetRecordCount() - 1) dc->IsDataSetCurrentRecord(nearest);
    }
  } catch (...) {
    FDataLink->FLayoutChangeBlocked = false;
    ds->EnableControls();
    throw;
  }
  FDataLink->FLayoutChangeBlocked = false;
  if (smart) {
    // The copy loses the one record instead of being reloaded.
    if (FFocusBeforeDelete >= 0 && FFocusBeforeDelete < dc->GetRecordCount()) {
      LockNotify();
      TProviderGuard unlock{[this] { UnlockNotify(); }};
      dc->DeleteRecordAt(FFocusBeforeDelete);
    }
    FFocusBeforeDelete = -1;
  }
  ds->EnableControls();
  if (smart) dc->CheckFocusing();
  return record;
}

void TcxDBDataProvider::DeleteRecords(const std::vector<int32_t>& AList) {
  if (!CanModify()) {
    TcxCustomDataProvider::DeleteRecords(AList);
    return;
  }
  if (AList.empty()) return;
  TcxDBDataController* dc = DBController();
  TDataSet* ds = DataSet();
  ds->DisableControls();
  TProviderGuard enable{[ds] { ds->EnableControls(); }};
  if (dc->IsKeyFieldMode()) {
    std::vector<Variant> keys;
    for (int32_t r : AList) keys.push_back(dc->GetRecordId(r));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
      if (ds->Locate(dc->KeyFieldNames(), *it, TLocateOptions())) ds->Delete();
    return;
  }
  if (!dc->IsDataSetCurrentRecord(AList.back())) return;
  for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
    dc->IsDataSetCurrentRecord(*it);
    ds->Delete();
    FCursorRecord = *it < ds->RecordCount() ? *it : *it - 1;
  }
}
