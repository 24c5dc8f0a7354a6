// Cached updates of the SQL datasets and the update objects of the extended dataset.
//
// In cached-update mode a post or delete only changes the records cache: each row carries its state in the
// status byte, and before a row's first change its values as fetched are logged in the cache. Those logged
// values are the old values when the change is applied (so OLD_ parameters find the row on the server
// however often it was edited) and what CancelUpdates and RevertRecord restore.

#include <ibase.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Assert.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/Variants.h"

namespace {

int32_t LoadInt32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StoreInt32(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

uint8_t StatusOf(const uint8_t* row) { return row[0] & 7; }

const char* const CRLF = "\r\n";

}  // namespace

// --- states and visibility ----------------------------------------------------------------------------------

void TFIBCustomDataSet::SetCachedUpdates(bool value) {
  if (value == FCachedUpdates) return;
  if (!value) {
    if (Active()) CancelUpdates();
    FCachedUpdates = false;
    if (FCache) FCache->SetLogOldValues(false);
    return;
  }
  if (!ComponentState().Contains(csReading) && Active())
    RaiseClientError(28, {" change CachedUpdates mode ", FullComponentName(this)});
  FCachedUpdates = true;
  if (FCache) FCache->SetLogOldValues(true);
}

void TFIBCustomDataSet::SetUpdateRecordTypes(TFIBUpdateRecordTypes value) {
  FUpdateRecordTypes = value;
  if (!Active() || !FCache) return;
  RecountHidden();
  First();
}

void TFIBCustomDataSet::RecountHidden() {
  FHiddenCount = 0;
  for (int32_t p = 0; p < FFetchedCount; ++p)
    if (!IsStatusVisible(FCache->RowAddress(p + 1)[0])) ++FHiddenCount;
}

void TFIBCustomDataSet::ResetCachedUpdates() {
  if (FCache) FCache->SetLogOldValues(FCachedUpdates);
  FPendingChanges = 0;
  FHasPendingChanges = false;
}

int32_t TFIBCustomDataSet::ActivePosition() const {
  const auto* b = reinterpret_cast<const uint8_t*>(ActiveBuffer());
  if (!b || !FCache) return -1;
  return FCache->PositionOfPhysical(LoadInt32(b + RecordNumberOffset) + 1);
}

void TFIBCustomDataSet::SetRowStatus(int32_t position0, uint8_t status) {
  VORN_ASSERT(status <= cusDeletedApplied);
  VORN_ASSERT(position0 >= 0 && position0 < FFetchedCount);
  uint8_t* row = FCache->RowAddress(position0 + 1);
  const bool wasVisible = IsStatusVisible(row[0]);
  row[0] = static_cast<uint8_t>((row[0] & ~7) | status);
  const bool nowVisible = IsStatusVisible(row[0]);
  if (wasVisible && !nowVisible) ++FHiddenCount;
  if (!wasVisible && nowVisible) --FHiddenCount;
  VORN_ASSERT(FHiddenCount >= 0 && FHiddenCount <= FFetchedCount);
}

TCachedUpdateStatus TFIBCustomDataSet::CachedStatus() const {
  const auto* b = reinterpret_cast<const uint8_t*>(ActiveBuffer());
  if (!Active() || !b || IsEmpty()) return cusUnmodified;
  return static_cast<TCachedUpdateStatus>(StatusOf(b + CacheRowOffset));
}

TUpdateStatus TFIBCustomDataSet::UpdateStatus() const {
  if (!Active()) return usUnmodified;
  if (State() == dsInsert) return usInserted;
  switch (CachedStatus()) {
    case cusUnmodified: return State() == dsEdit && Modified() ? usModified : usUnmodified;
    case cusModified: return usModified;
    case cusInserted: return usInserted;
    // A row deleted on the server or dropped from the cache reads as deleted too.
    default: return usDeleted;
  }
}

bool TFIBCustomDataSet::CurrentRowIsCachedInsert() const {
  return FCachedUpdates && CachedStatus() == cusInserted;
}

// --- the editing path in cached-update mode -------------------------------------------------------------------

void TFIBCustomDataSet::SaveOriginalValues() {
  if (!FCachedUpdates || !FCache) return;
  const int32_t position = ActivePosition();
  if (position < 0 || position >= FFetchedCount) return;
  // Logged only before the first change: a second edit must not take the first edit's values as the
  // row's values on the server.
  if (StatusOf(FCache->RowAddress(position + 1)) == cusUnmodified) FCache->LogRow(position + 1);
}

void TFIBCustomDataSet::PostToCache(bool inserting) {
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  if (inserting) {
    InsertIntoCache(b, cusInserted);
    ++FPendingChanges;
  } else {
    const int32_t position = ActivePosition();
    const uint8_t status = StatusOf(FCache->RowAddress(position + 1));
    uint8_t next = status;
    if (status == cusUnmodified) next = cusModified;
    if (status == cusUninserted) next = cusInserted;
    // Deleted rows are not shown, so they are never edited.
    VORN_ASSERT(status != cusDeleted && status != cusDeletedApplied);
    if (next != status) ++FPendingChanges;
    // Stored under the row's present state first, so that the change of state counts its visibility once.
    b[CacheRowOffset] = static_cast<uint8_t>((b[CacheRowOffset] & ~7) | status);
    FCache->WriteRow(position + 1, b + CacheRowOffset, false);
    SetRowStatus(position, next);
    b[CacheRowOffset] = static_cast<uint8_t>((b[CacheRowOffset] & ~7) | next);
    FCurrentIndex = position;
  }
  FHasPendingChanges = true;
  FHasOldBuffer = false;
  VORN_ASSERT(FPendingChanges >= 0);
}

void TFIBCustomDataSet::DeleteInCache() {
  const int32_t position = ActivePosition();
  if (position < 0) return;
  const uint8_t status = StatusOf(FCache->RowAddress(position + 1));
  if (status == cusInserted) {
    SetRowStatus(position, cusUninserted);
    --FPendingChanges;
  } else if (status == cusUnmodified || status == cusModified) {
    if (status == cusUnmodified) {
      FCache->LogRow(position + 1);
      ++FPendingChanges;
    }
    SetRowStatus(position, cusDeleted);
  }
  FHasPendingChanges = FPendingChanges > 0;
  FHasOldBuffer = false;
  VORN_ASSERT(FPendingChanges >= 0);
}

// --- cancelling ---------------------------------------------------------------------------------------------

bool TFIBCustomDataSet::RevertRowAt(int32_t position0) {
  uint8_t* row = FCache->RowAddress(position0 + 1);
  switch (StatusOf(row)) {
    case cusModified:
    case cusDeleted: {
      const bool wasVisible = IsStatusVisible(row[0]);
      FCache->RevertRow(position0 + 1);  // the values as fetched, status byte included
      ClearBlobSlotsOfRow(position0);
      row = FCache->RowAddress(position0 + 1);
      row[0] = static_cast<uint8_t>(row[0] & ~7);
      if (!wasVisible && IsStatusVisible(row[0])) --FHiddenCount;
      if (wasVisible && !IsStatusVisible(row[0])) ++FHiddenCount;
      --FPendingChanges;
      VORN_ASSERT(FPendingChanges >= 0);
      return true;
    }
    case cusInserted:
      SetRowStatus(position0, cusUninserted);
      --FPendingChanges;
      return true;
    default:
      return false;
  }
}

void TFIBCustomDataSet::ResyncAfterCachedChange() {
  if (FCurrentIndex >= 0 && FCurrentIndex < FFetchedCount && RowIsVisible(FCurrentIndex))
    Resync({});
  else
    First();
}

void TFIBCustomDataSet::CancelUpdates() {
  DisableControls();
  try {
    Cancel();
    if (FCachedUpdates && FCache) {
      UpdateCursorPos();
      for (int32_t p = 0; p < FFetchedCount; ++p) RevertRowAt(p);
      FPendingChanges = 0;
      FHasPendingChanges = false;
      FCache->ClearLog();
      if (Active()) ResyncAfterCachedChange();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TFIBCustomDataSet::RevertRecord() {
  CheckActive();
  Cancel();
  if (!FCachedUpdates || !FCache || IsEmpty()) return;
  UpdateCursorPos();
  if (!RevertRowAt(ActivePosition())) return;
  FHasPendingChanges = FPendingChanges > 0;
  ResyncAfterCachedChange();
}

void TFIBCustomDataSet::CommitUpdates() {
  if (!Active() || !FCache) return;
  CheckBrowseMode();
  for (int32_t p = 0; p < FFetchedCount; ++p) {
    switch (StatusOf(FCache->RowAddress(p + 1))) {
      case cusModified:
      case cusInserted: SetRowStatus(p, cusUnmodified); break;
      case cusDeleted: SetRowStatus(p, cusDeletedApplied); break;
      default: break;
    }
  }
  FCache->ClearLog();
  FPendingChanges = 0;
  FHasPendingChanges = false;
  UpdateCursorPos();
  ResyncAfterCachedChange();
}

// --- applying -----------------------------------------------------------------------------------------------

void TFIBCustomDataSet::LoadRowForApply(int32_t position0, TUpdateKind kind) {
  // The row becomes the record that fields, OLD_ and NEW_ parameters and the handlers read.
  auto* b = reinterpret_cast<uint8_t*>(ActiveBuffer());
  FCache->ReadRow(position0 + 1, b + CacheRowOffset, false);
  StoreInt32(b + RecordNumberOffset, FCache->PhysicalOfPosition(position0) - 1);
  b[BookmarkFlagOffset] = bfCurrent;
  if (kind == ukInsert) {
    InternalInitRecord(reinterpret_cast<TRecordBuffer>(FOldBuffer.data()));
  } else {
    FCache->ReadRow(position0 + 1, FOldBuffer.data() + CacheRowOffset, true);
    std::memcpy(FOldBuffer.data(), b, CacheRowOffset);
  }
  FHasOldBuffer = true;
  FCurrentIndex = position0;
  GetCalcFields(ActiveBuffer());
}

namespace {

[[noreturn]] void RaiseUserAbort(TComponent* dataSet) {
  const String owner = dataSet->Owner() ? dataSet->Owner()->Name() + "." : String();
  throw EFIBError(0, Format("User abort apply updates for %s %s", {owner, dataSet->Name()}));
}

}  // namespace

bool TFIBCustomDataSet::ApplyRow(int32_t position0, TUpdateKind kind) {
  LoadRowForApply(position0, kind);
  if (OnUpdateRecord.Assigned()) {
    TUpdateAction action = uaFail;
    try {
      OnUpdateRecord(this, kind, action);
    } catch (EFIBError& e) {
      action = uaFail;
      if (OnUpdateError.Assigned()) OnUpdateError(this, e, kind, action);
      if (action == uaFail) throw;
      if (action == uaAbort) RaiseUserAbort(this);
    }
    // Applied by the handler, or left as it is; only a retry hands the row to the dataset's statements.
    if (action != uaRetry) return action == uaApplied;
  }
  for (;;) {
    try {
      switch (kind) {
        case ukModify:
          if (CanEdit()) PostOnServer(false);
          break;
        case ukInsert:
          if (CanInsert()) PostOnServer(true);
          break;
        case ukDelete:
          if (CanDelete()) DeleteOnServer();
          break;
      }
      break;
    } catch (EFIBError& e) {
      TUpdateAction action = uaFail;
      if (OnUpdateError.Assigned()) OnUpdateError(this, e, kind, action);
      if (action == uaRetry) continue;
      if (action == uaFail) throw;
      if (action == uaAbort) RaiseUserAbort(this);
      return action == uaApplied;
    }
  }
  // Values a handler corrected before a retry stay with the row.
  if (kind != ukDelete) FCache->WriteRow(position0 + 1, reinterpret_cast<uint8_t*>(ActiveBuffer()) + CacheRowOffset, false);
  if (kind != ukDelete && FOptions.Contains(poRefreshAfterPost)) {
    // The applied values are what the refresh statement looks the row up by.
    std::memcpy(FOldBuffer.data(), ActiveBuffer(), FOldBuffer.size());
    RefreshRecord();
  }
  return true;
}

void TFIBCustomDataSet::ApplyUpdates() {
  CheckActive();
  CheckBrowseMode();
  if (!FCachedUpdates || !FCache || FFetchedCount == 0) return;
  TFIBTransaction* tr = FUpdate->Transaction();
  if (tr && !tr->InTransaction() && FOptions.Contains(poStartTransaction)) tr->StartTransaction();
  const int32_t saved = FCurrentIndex;
  DisableControls();
  auto restore = [this, saved] {
    FHasOldBuffer = false;
    FCurrentIndex = saved;
  };
  try {
    for (int32_t p = 0; p < FFetchedCount; ++p) {
      TUpdateKind kind;
      switch (StatusOf(FCache->RowAddress(p + 1))) {
        case cusModified: kind = ukModify; break;
        case cusInserted: kind = ukInsert; break;
        case cusDeleted: kind = ukDelete; break;
        default: continue;
      }
      const TDataSetState state = SetTempState(kind == ukInsert ? dsInsert : dsEdit);
      try {
        ApplyRow(p, kind);
      } catch (...) {
        RestoreState(state);
        throw;
      }
      RestoreState(state);
    }
  } catch (...) {
    restore();
    try {
      ResyncAfterCachedChange();
    } catch (...) {
    }
    EnableControls();
    throw;
  }
  // With AutoCommit the whole apply is committed once, after the last row.
  AutoCommitUpdate();
  restore();
  ResyncAfterCachedChange();
  EnableControls();
}

// --- preloading -------------------------------------------------------------------------------------------

void TFIBCustomDataSet::PreloadForCachedUpdates(const std::function<void()>& load) {
  if (!FDatabase) RaiseClientError(21, {FullComponentName(this)});
  if (!FTransaction) RaiseClientError(22, {FullComponentName(this)});
  const bool connectedHere = !FDatabase->Connected();
  if (connectedHere) FDatabase->Open();
  bool startedHere = false;
  std::exception_ptr failure;
  try {
    if (!FTransaction->InTransaction()) {
      FTransaction->StartTransaction();
      startedHere = true;
    }
    load();
    if (startedHere) {
      startedHere = false;
      FTransaction->Commit();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  // Whatever happened, nothing opened for the load stays open; a failing cleanup never hides the failure
  // that caused it.
  if (startedHere && FTransaction->InTransaction()) {
    try {
      FTransaction->Rollback();
    } catch (...) {
    }
  }
  if (connectedHere && FDatabase->Connected()) {
    if (failure) {
      try {
        FDatabase->Close();
      } catch (...) {
      }
    } else {
      FDatabase->Close();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

// --- the extended dataset: update objects and statements per post ----------------------------------------------

void TpZAZDataSet::AddUpdateObject(TpZAZUpdateObject* object) { FUpdateObjects.Add(object); }

void TpZAZDataSet::RemoveUpdateObject(TpZAZUpdateObject* object) { FUpdateObjects.Remove(object); }

void TpZAZDataSet::RunUpdateObjects(TUpdateKind kind, TFIBOrderExecUO order) {
  FUpdateObjects.Execute(kind, order, this, Options().Contains(poStartTransaction));
}

bool TpZAZDataSet::AllowedBeyondStatements(TUpdateKind kind) const {
  if (FUpdateObjects.HasActive(kind)) return true;
  if (CachedUpdates() && OnUpdateRecord.Assigned()) return true;
  // Statements written per post: the update and insert texts are made from the record's fields.
  TAutoUpdateOptions* a = FAutoUpdateOptions;
  return kind != ukDelete && a->UpdateOnlyModifiedFields() && !Trim(a->KeyFields()).empty() &&
         !a->UpdateTableName().empty();
}

bool TpZAZDataSet::CanEdit() const {
  return (TFIBDataSet::CanEdit() || AllowedBeyondStatements(ukModify)) && AllowedUpdateKinds().Contains(ukModify);
}
bool TpZAZDataSet::CanInsert() const {
  return (TFIBDataSet::CanInsert() || AllowedBeyondStatements(ukInsert)) && AllowedUpdateKinds().Contains(ukInsert);
}
bool TpZAZDataSet::CanDelete() const {
  return (TFIBDataSet::CanDelete() || AllowedBeyondStatements(ukDelete)) && AllowedUpdateKinds().Contains(ukDelete);
}

String TpZAZDataSet::GenerateModifiedFieldsSQL(TpZAZStatementKind kind) {
  const String table = FAutoUpdateOptions->GetModifyTable();
  if (table.empty() || (kind != skUpdate && kind != skInsert)) return GenerateSQLText(kind);
  std::vector<TUpdateColumn> columns;
  for (const TUpdateColumn& c : UpdateColumns()) {
    const Variant value = FieldValue(c.FieldName, false);
    const bool wanted = kind == skInsert ? !VarIsNull(value) : !VarSameValue(value, FieldValue(c.FieldName, true));
    if (wanted) columns.push_back(c);
  }
  String where;
  if (kind == skUpdate && !columns.empty()) {
    where = KeyCondition();
    if (where.empty()) return GenerateSQLText(kind);  // raises the missing-key error
  }
  return ModifyStatementText(kind, columns, where);
}

void TpZAZDataSet::PostOnServer(bool inserting) {
  const TUpdateKind kind = inserting ? ukInsert : ukModify;
  TAutoUpdateOptions* a = FAutoUpdateOptions;
  if (a->UpdateOnlyModifiedFields() && !Trim(a->KeyFields()).empty() && !a->UpdateTableName().empty()) {
    const String text = GenerateModifiedFieldsSQL(inserting ? skInsert : skUpdate);
    TStrings* target = inserting ? InsertSQL() : UpdateSQL();
    if (Trim(target->Text()) != text) target->SetText(text);
  }
  RunUpdateObjects(kind, oeBeforeDefault);
  TFIBDataSet::PostOnServer(inserting);
  RunUpdateObjects(kind, oeAfterDefault);
}
