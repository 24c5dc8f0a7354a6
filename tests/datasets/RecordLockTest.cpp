// Locking the current record before an edit: the dummy update that holds the row, the statuses the
// server's answers give, and the lock-error handler's actions, against a second transaction that holds
// or removes the row.
#include "DataSetServicesSupport.h"

namespace {

class RecordLockTest : public dss::ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    // Wait-less, so that a held row is refused at once instead of blocking the test.
    for (const char* p : {"write", "nowait", "rec_version", "read_committed"}) TR->TRParams()->Add(p);
    Other = NewTransaction();
    for (const char* p : {"write", "nowait", "rec_version", "read_committed"}) Other->TRParams()->Add(p);
  }

  TpZAZDataSet* ProtectedDataSet(const String& select = "SELECT ID, NAME, QTY FROM T ORDER BY ID") {
    auto* ds = NewDataSet(select);
    ds->SetOptions(ds->Options() + poProtectedEdit);
    return ds;
  }

  // A statement the server is expected to refuse; the query is freed either way.
  bool Refused(const String& sql, TFIBTransaction* tr) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(tr);
    q->SQL()->SetText(sql);
    bool refused = false;
    try {
      q->ExecQuery();
    } catch (const EFIBError&) {
      refused = true;
    }
    q->Free();
    return refused;
  }

  TFIBTransaction* Other = nullptr;
};

TEST_F(RecordLockTest, LockStatementWritesAColumnOfTheUpdateTableBackToItself) {
  auto* ds = NewDataSet();
  ds->Open();
  EXPECT_EQ(ds->LockSQLText(), "UPDATE T SET ID= ?ID WHERE ID = ?OLD_ID");

  // Without an update statement the key list gives the condition.
  ds->UpdateSQL()->Clear();
  TAutoUpdateOptions* au = ds->AutoUpdateOptions();
  au->SetUpdateTableName("T");
  au->SetKeyFields("ID");
  au->SetAutoReWriteSqls(true);
  EXPECT_EQ(ds->LockSQLText(), "UPDATE T SET ID= ?ID WHERE ID=?ID");

  au->SetAutoReWriteSqls(false);
  try {
    ds->LockSQLText();
    FAIL() << "no statement to lock with";
  } catch (const EFIBError& e) {
    EXPECT_EQ(String(e.Message()), "Unable to lock record. Update query is empty");
  }
}

TEST_F(RecordLockTest, LockHoldsTheRowAgainstOtherWriters) {
  auto* ds = ProtectedDataSet();
  ds->Open();
  ds->Next();
  ds->Edit();
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(Trim(ds->QLock()->SQL()->Text()), "UPDATE T SET ID= ?ID WHERE ID = ?OLD_ID");
  Other->StartTransaction();
  EXPECT_TRUE(Refused("UPDATE T SET QTY = 9 WHERE ID = 2", Other));
  Exec("UPDATE T SET QTY = 9 WHERE ID = 3", Other);  // other rows stay free
  Other->Rollback();
  ds->Cancel();
}

struct LockActionCase {
  const char* name;
  TDataAction action;
};

class LockErrorActions : public RecordLockTest, public ::testing::WithParamInterface<LockActionCase> {};

TEST_P(LockErrorActions, HeldRowGivesDeadLockAndTheHandlerDecides) {
  auto* ds = ProtectedDataSet();
  ds->Open();
  ds->Next();
  Other->StartTransaction();
  Exec("UPDATE T SET QTY = 8 WHERE ID = 2", Other);
  EXPECT_EQ(ds->LockRecord(false), lsDeadLock);

  int calls = 0;
  ds->OnLockError = [&](TDataSet* d, TLockStatus status, String& message, TDataAction& action) {
    ++calls;
    EXPECT_EQ(d, ds);
    EXPECT_EQ(status, lsDeadLock);
    EXPECT_EQ(message, "Error of record updating:Deadlock detected");
    action = GetParam().action;
    // Retrying is worth it once the other writer is gone.
    if (action == daRetry) Other->Commit();
  };
  switch (GetParam().action) {
    case daFail:
      try {
        ds->Edit();
        FAIL() << "the lock was refused";
      } catch (const EFIBError& e) {
        EXPECT_EQ(String(e.Message()), "Error of record updating:Deadlock detected");
      }
      EXPECT_EQ(ds->State(), dsBrowse);
      break;
    case daAbort:
      EXPECT_THROW(ds->Edit(), EAbort);
      EXPECT_EQ(ds->State(), dsBrowse);
      break;
    case daRetry:
      ds->Edit();
      EXPECT_EQ(ds->State(), dsEdit);
      // The row was re-read before locking: the other writer's value is what gets edited.
      EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 8);
      ds->FieldByName("NAME")->SetAsString("locked");
      ds->Post();
      TR->Commit();
      EXPECT_EQ(Committed("SELECT NAME FROM T WHERE ID = 2").AsString(), "locked");
      break;
  }
  EXPECT_EQ(calls, 1);
  if (Other->InTransaction()) Other->Rollback();
}

INSTANTIATE_TEST_SUITE_P(Actions, LockErrorActions,
                         ::testing::Values(LockActionCase{"Fail", daFail}, LockActionCase{"Abort", daAbort},
                                           LockActionCase{"Retry", daRetry}),
                         [](const auto& info) { return String(info.param.name); });

TEST_F(RecordLockTest, RowDeletedByAnotherClientDoesNotExist) {
  auto* ds = ProtectedDataSet();
  ds->Open();
  ds->MoveBy(2);
  ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  Other->StartTransaction();
  Exec("DELETE FROM T WHERE ID = 3", Other);
  Other->Commit();
  EXPECT_EQ(ds->LockRecord(false), lsNotExist);
  try {
    ds->Edit();
    FAIL() << "the row is gone";
  } catch (const EFIBError& e) {
    EXPECT_EQ(String(e.Message()), "Error of record updating:Record does not exist");
  }
}

TEST_F(RecordLockTest, ConditionMatchingSeveralRowsGivesMultiplyAndLeavesThemAlone) {
  auto* ds = ProtectedDataSet("SELECT NAME, QTY, ID FROM T ORDER BY ID");
  ds->UpdateSQL()->SetText("UPDATE T SET QTY = ?QTY WHERE QTY >= ?OLD_QTY");
  ds->Open();
  TLockStatus seen = lsSuccess;
  ds->OnLockError = [&](TDataSet*, TLockStatus status, String& message, TDataAction&) {
    seen = status;
    EXPECT_EQ(message, "Error of record updating:Attempt to edit multiple records");
  };
  EXPECT_THROW(ds->Edit(), EFIBError);
  EXPECT_EQ(seen, lsMultiply);
  // The dummy update would have written "row1" into every row; seen from its own transaction, none was.
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(DB);
  q->SetTransaction(TR);
  q->SQL()->SetText("SELECT COUNT(*) FROM T WHERE NAME = 'row1'");
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 1);
  q->Free();
}

}  // namespace
