// Locking the current record: a dummy update that writes a column back to its own value, so that the
// server holds the row for the update transaction and other writers are refused at once.
#include <ibase.h>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {

// The server's "lock conflict on no wait transaction".
constexpr int32_t kLockConflict = 335544345;

}  // namespace

String TpZAZDataSet::LockSQLText() {
  const String update = Trim(UpdateSQL()->Text());
  String table, condition;
  if (update.empty() || (FAutoUpdateOptions->AutoReWriteSqls() && FAutoUpdateOptions->UpdateOnlyModifiedFields())) {
    TStrings* keys = FAutoUpdateOptions->KeyFieldList();
    if (!FAutoUpdateOptions->AutoReWriteSqls() || keys->Count() == 0)
      throw EFIBError(0, "Unable to lock record. Update query is empty");
    table = FAutoUpdateOptions->UpdateTableName();
    for (int32_t k = 0; k < keys->Count(); ++k) {
      const String key = Trim(keys->Strings(k));
      if (key.empty()) continue;
      if (!condition.empty()) condition += " and ";
      condition += key + "=?" + key;
    }
  } else {
    table = MainTableFromSQL(update, true);
    int32_t wherePos = 0, endPos = 0;
    GetWhereClauseOfSQL(update, MainWhereIndexOfSQL(update), wherePos, condition, endPos);
  }
  // Only a column of the locked table can be written back.
  const bool quoted = !table.empty() && table.front() == '"';
  const String bare = UnquoteIdentifier(table);
  if (!QSelect()->Prepared()) QSelect()->Prepare();
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    const int32_t column = f->FieldNo() - 1;
    if (f->FieldKind() != fkData || column < 0 || column >= QSelect()->GetFieldCount()) continue;
    TFIBXSQLVAR* var = QSelect()->Fields(column);
    const String relation = var->GetRelationName();
    if (quoted ? relation != bare : !SameText(relation, bare)) continue;
    const int32_t dialect = ConnectionSQLDialect();
    return "UPDATE " + table + " SET " + FormatIdentifier(dialect, var->GetSQLName(), false) + "= ?" +
           FormatIdentifier(dialect, f->FieldName(), false) + " WHERE " + condition;
  }
  return UpdateSQL()->Text();
}

TLockStatus TpZAZDataSet::ExecuteLock() {
  TFIBTransaction* tr = FLockQuery->Transaction();
  if (!tr) RaiseClientError(22, {FullComponentName(FLockQuery)});
  if (!tr->InTransaction() && Options().Contains(poStartTransaction)) tr->StartTransaction();
  try {
    if (!FLockQuery->Prepared()) FLockQuery->Prepare();
    AssignSQLObjectParams(FLockQuery, {this});
    if (CachedUpdates()) {
      // In the cache the row may carry new values already; the server row still has the old ones.
      for (int32_t i = 0; i < FLockQuery->ParamCount(); ++i) {
        TField* f = FindField(FLockQuery->ParamName(i));
        if (!f || dynamic_cast<TBlobField*>(f)) continue;
        FLockQuery->SetParamValue(i, f->OldValue());
      }
    }
    // A condition that matches several rows would write this record's value into all of them; the
    // savepoint lets that write be taken back.
    FLockSavepoint->ExecQuery();
    FLockQuery->ExecQuery();
    const int32_t rows = FLockQuery->GetRowsAffected();
    if (FLockQuery->Open()) FLockQuery->CloseCursor();
    if (rows > 1) FLockUndo->ExecQuery();
    if (rows == 1) return lsSuccess;
    return rows == 0 ? lsNotExist : lsMultiply;
  } catch (const EFIBError& e) {
    if (e.SQLCode() == -913 || (e.SQLCode() == -901 && e.IBErrorCode() == kLockConflict)) return lsDeadLock;
    FLockErrorText = e.Message();
    return lsUnknownError;
  }
}

TLockStatus TpZAZDataSet::LockRecord(bool raiseErrors) {
  if (!FLockQuery) {
    FLockQuery = CreateOwnedStatement("LockQuery");
    FLockSavepoint = CreateOwnedStatement("LockSavepoint");
    FLockSavepoint->SQL()->SetText("SAVEPOINT VORN_RECORD_LOCK");
    FLockUndo = CreateOwnedStatement("LockUndo");
    FLockUndo->SQL()->SetText("ROLLBACK TO SAVEPOINT VORN_RECORD_LOCK");
  }
  const String text = LockSQLText();
  if (Trim(FLockQuery->SQL()->Text()) != Trim(text)) FLockQuery->SQL()->SetText(text);
  FLockQuery->SetDatabase(Database());
  FLockQuery->SetTransaction(UpdateTransaction());
  for (TFIBQuery* q : {FLockSavepoint, FLockUndo}) {
    q->SetDatabase(Database());
    q->SetTransaction(UpdateTransaction());
  }
  for (;;) {
    // The row is re-read before every attempt: after a retry the other writer may have changed it, and
    // editing the values read before would overwrite that change.
    if (!CachedUpdates() && State() != dsEdit && State() != dsInsert) RefreshRecord();
    FLockErrorText.clear();
    const TLockStatus status = ExecuteLock();
    if (status == lsSuccess || !raiseErrors) return status;
    String message = "Error of record updating:";
    switch (status) {
      case lsDeadLock: message += "Deadlock detected"; break;
      case lsNotExist: message += "Record does not exist"; break;
      case lsMultiply: message += "Attempt to edit multiple records"; break;
      default: message += FLockErrorText; break;
    }
    TDataAction action = daFail;
    if (OnLockError.Assigned()) OnLockError(this, status, message, action);
    if (action == daFail) throw EFIBError(0, message);
    if (action == daAbort) Abort();
  }
}
