#include "FIBDatabaseTest.h"

#include <gtest/gtest.h>

namespace {

class FIBTransactionTest : public ::testing::Test {
protected:
  void SetUp() override {
    CreateDialectDatabase(Dir.File("a.fdb"), 3);
    DB = Own(NewDatabase(Dir.File("a.fdb")));
    DB->SetSynchronizeTime(false);
    DB->Open();
    TR = Own(NewTransaction(DB));
  }
  int64_t Rows(const String& file = "a.fdb") { return CountRows(Dir.File(file)); }

  TempDir Dir;
  Owned Own;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
};

class TrRecorder : public TComponent {
  RTL_CLASS(TrRecorder, TComponent)
public:
  using TComponent::TComponent;
  std::vector<String> Log;
  void StartA(TObject*) { Log.push_back("start A"); }
  void StartB(TObject*) { Log.push_back("start B"); }
  void StartedA(TObject*) { Log.push_back("started A"); }
  void StartedB(TObject*) { Log.push_back("started B"); }
  void FreeA(TObject*) { Log.push_back("free A"); }
  void FreeB(TObject*) { Log.push_back("free B"); }
  void EndA(TFIBTransaction* tr, TTransactionAction, bool) { Log.push_back("end A " + std::to_string(tr->State())); }
  void EndB(TFIBTransaction* tr, TTransactionAction, bool) { Log.push_back("end B " + std::to_string(tr->State())); }
  void EndedA(TFIBTransaction* tr, TTransactionAction a, bool force) {
    Log.push_back("ended A " + std::to_string(a) + (force ? " forced" : "") + (tr->Active() ? " active" : ""));
  }
  void LinkStarting(TObject*) { Log.push_back("link starting"); }
  void LinkStarted(TObject*) { Log.push_back("link started"); }
  void LinkEnding(TObject*) { Log.push_back("link ending"); }
  void LinkEnded(TObject*) { Log.push_back("link ended"); }
  void LinkFree(TObject*) { Log.push_back("link free"); }
  void Timeout(TObject*) { Log.push_back("OnTimeout"); }
};

TEST_F(FIBTransactionTest, StartNeedsConnectionsThatAreOpen) {
  auto* lonely = Own(NewTransaction(nullptr, "Lonely"));
  EXPECT_EQ(RaisedMessage([&] { lonely->StartTransaction(); }),
            "Lonely :No databases are listed in transaction component.");
  DB->Close();
  EXPECT_EQ(RaisedMessage([&] { TR->StartTransaction(); }), "DB1: Cannot perform operation -- DB is not open.");
  EXPECT_FALSE(TR->Active());
  EXPECT_EQ(RaisedMessage([&] { TR->Commit(); }), "TR1 :Transaction is not active.");
}

TEST_F(FIBTransactionTest, EndsInEveryForm) {
  struct Case {
    TTransactionAction action;
    bool keeps;       // the inserted row survives
    bool stayActive;  // retaining forms keep the transaction
  } cases[] = {{TACommit, true, false},
               {TARollback, false, false},
               {TACommitRetaining, true, true},
               {TARollbackRetaining, false, true}};
  int32_t expected = 0;
  for (const Case& c : cases) {
    TR->StartTransaction();
    EXPECT_EQ(TR->State(), trsActive);
    EXPECT_GT(TR->TransactionID(), 0);
    ExecSQL(DB, TR, "INSERT INTO T VALUES (" + std::to_string(100 + c.action) + ", 'x')");
    TR->EndTransaction(c.action, false);
    EXPECT_EQ(TR->Active(), c.stayActive) << c.action;
    EXPECT_EQ(TR->State(), c.stayActive ? trsActive : trsInactive);
    if (c.stayActive) {
      // A retaining end gives a fresh context that still works.
      ExecSQL(DB, TR, "DELETE FROM T WHERE ID = -1");
      TR->Commit();
    }
    if (c.keeps) ++expected;
    EXPECT_EQ(Rows(), expected) << c.action;
  }
}

TEST_F(FIBTransactionTest, SpansTwoDatabases) {
  CreateDialectDatabase(Dir.File("b.fdb"), 3);
  auto* db2 = Own(NewDatabase(Dir.File("b.fdb"), "DB2"));
  db2->SetSynchronizeTime(false);
  db2->Open();
  EXPECT_EQ(TR->AddDatabase(db2), 1);
  EXPECT_EQ(TR->AddDatabase(db2), 1);
  EXPECT_EQ(TR->AddDatabase(DB), 0);
  EXPECT_EQ(TR->MainDatabase(), DB);
  for (bool commit : {false, true}) {
    TR->StartTransaction();
    ExecSQL(DB, TR, "INSERT INTO T VALUES (1, 'a')");
    ExecSQL(db2, TR, "INSERT INTO T VALUES (2, 'b')");
    if (commit)
      TR->Commit();
    else
      TR->Rollback();
    EXPECT_EQ(Rows("a.fdb"), commit ? 1 : 0);
    EXPECT_EQ(Rows("b.fdb"), commit ? 1 : 0);
  }
  // Closing one of the connections ends the transaction over both.
  TR->StartTransaction();
  db2->Close();
  EXPECT_FALSE(TR->Active());
}

TEST_F(FIBTransactionTest, RefusesAConnectionOfAnotherClientLibrary) {
  auto* other = Own(New<TFIBDatabase>(nullptr));
  other->SetLibraryName("libother.so");
  EXPECT_EQ(RaisedMessage([&] { TR->AddDatabase(other); }),
            "TR1.\r\nTransaction can't work with different client library.");
  EXPECT_EQ(TR->AddDatabase(nullptr), -1);
  EXPECT_EQ(TR->GetDatabaseCount(), 1);
}

TEST_F(FIBTransactionTest, HandlersRunInTheirOrders) {
  auto* rec = Own(New<TrRecorder>(nullptr));
  TR->AddEvent(tekBeforeStart, TNotifyEvent(rec, &TrRecorder::StartA));
  TR->AddEvent(tekBeforeStart, TNotifyEvent(rec, &TrRecorder::StartB));
  TR->AddEvent(tekAfterStart, TNotifyEvent(rec, &TrRecorder::StartedA));
  TR->AddEvent(tekAfterStart, TNotifyEvent(rec, &TrRecorder::StartedB));
  TR->AddEvent(tekAfterStart, TNotifyEvent(rec, &TrRecorder::StartedB));  // listed once
  TR->AddEndEvent(tekBeforeEnd, TEndTrEvent(rec, &TrRecorder::EndA));
  TR->AddEndEvent(tekBeforeEnd, TEndTrEvent(rec, &TrRecorder::EndB));
  TR->AddEndEvent(tekAfterEnd, TEndTrEvent(rec, &TrRecorder::EndedA));
  TR->AddEndEvent(7, TEndTrEvent(rec, &TrRecorder::EndedA));  // unknown kinds are ignored
  TFIBBase link(rec);
  link.SetOnTransactionStarting(TNotifyEvent(rec, &TrRecorder::LinkStarting));
  link.SetOnTransactionStarted(TNotifyEvent(rec, &TrRecorder::LinkStarted));
  link.SetOnTransactionEnding(TNotifyEvent(rec, &TrRecorder::LinkEnding));
  link.SetOnTransactionEnded(TNotifyEvent(rec, &TrRecorder::LinkEnded));
  link.SetTransaction(TR);
  EXPECT_EQ(link.Database(), DB);

  TR->StartTransaction();
  TR->CommitRetaining();
  TR->Commit();
  const std::vector<String> expected = {
      "link starting", "start B", "start A", "started B", "started A", "link started",
      "link ending", "end A 5", "end B 5", "link ended", "ended A 3 active",
      "link ending", "end A 4", "end B 4", "link ended", "ended A 2"};
  EXPECT_EQ(rec->Log, expected);

  rec->Log.clear();
  TR->RemoveEvent(tekBeforeStart, TNotifyEvent(rec, &TrRecorder::StartB));
  TR->RemoveEndEvent(tekBeforeEnd, TEndTrEvent(rec, &TrRecorder::EndA));
  TR->SetActive(true);
  TR->SetActive(false);  // rolls back
  EXPECT_EQ(rec->Log, (std::vector<String>{"link starting", "start A", "started B", "started A", "link started",
                                           "link ending", "end B 2", "link ended", "ended A 0"}));
}

TEST_F(FIBTransactionTest, ParametersAreFixedWhileActive) {
  TR->TRParams()->Add("read");
  TR->StartTransaction();
  EXPECT_EQ(RaisedMessage([&] { TR->TRParams()->Add("write"); }), "TR1 :Transaction is active.");
  EXPECT_EQ(RaisedMessage([&] { TR->SetDefaultDatabase(nullptr); }), "TR1 :Transaction is active.");
  // A read-only transaction cannot write.
  EXPECT_NE(RaisedMessage([&] { ExecSQL(DB, TR, "INSERT INTO T VALUES (1, 'a')"); }), "");
  TR->Rollback();
  TR->TRParams()->Clear();
  TR->TRParams()->Add("bogus");
  EXPECT_EQ(RaisedMessage([&] { TR->StartTransaction(); }), "TPB Constant (bogus) is unknown.");
  EXPECT_EQ(RaisedMessage([&] { TR->StartTransaction(); }), "TPB Constant (bogus) is unknown.");
  EXPECT_FALSE(TR->Active());
}

TEST_F(FIBTransactionTest, IdleTransactionEndsByItsTimeoutAction) {
  TestLoop clock;
  auto* rec = Own(New<TrRecorder>(nullptr));
  TR->SetOnTimeout(TNotifyEvent(rec, &TrRecorder::Timeout));
  TR->SetTimeout(500);
  EXPECT_EQ(TR->Timeout(), 500u);
  TR->SetTimeoutAction(TACommit);
  TR->StartTransaction();
  ExecSQL(DB, TR, "INSERT INTO T VALUES (1, 'a')");
  clock.Elapse(500);
  EXPECT_TRUE(TR->Active());
  EXPECT_TRUE(TR->Idle());
  EXPECT_TRUE(rec->Log.empty());
  ExecSQL(DB, TR, "INSERT INTO T VALUES (2, 'b')");  // a call through the transaction counts as use
  EXPECT_FALSE(TR->Idle());
  clock.Elapse(500);
  EXPECT_TRUE(TR->Active());
  clock.Elapse(500);
  EXPECT_FALSE(TR->Active());
  EXPECT_EQ(rec->Log, std::vector<String>{"OnTimeout"});
  EXPECT_EQ(Rows(), 2);
  TR->SetTimeout(0);
}

TEST_F(FIBTransactionTest, ClosingTheConnectionEndsRetainingActionsCompletely) {
  auto* rec = Own(New<TrRecorder>(nullptr));
  TR->AddEndEvent(tekAfterEnd, TEndTrEvent(rec, &TrRecorder::EndedA));
  TR->SetTimeoutAction(TACommitRetaining);
  TR->StartTransaction();
  ExecSQL(DB, TR, "INSERT INTO T VALUES (1, 'a')");
  DB->Close();
  EXPECT_FALSE(TR->Active());
  EXPECT_EQ(rec->Log, std::vector<String>{"ended A 2 forced"});
  EXPECT_EQ(Rows(), 1);
}

TEST_F(FIBTransactionTest, ALostTransactionOnlyForgetsItsHandle) {
  TR->SetTimeoutAction(TARollback);
  TR->StartTransaction();
  const isc_tr_handle handle = TR->Handle();
  TR->SetLost(true);
  EXPECT_EQ(RaisedMessage([&] { TR->Commit(); }),
            "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.");
  EXPECT_TRUE(TR->Active());
  TR->EndTransaction(TACommit, true);
  EXPECT_FALSE(TR->Active());
  EXPECT_FALSE(TR->Lost());
  // The server still holds it; end it there so the connection closes cleanly.
  isc_tr_handle h = handle;
  DB->ClientLibrary()->isc_rollback_transaction(StatusVector(), &h);
}

TEST_F(FIBTransactionTest, AForcedEndAlwaysEndsInactive) {
  TR->StartTransaction();
  // The server forgets the transaction behind the component's back: a plain commit fails and keeps it,
  // a forced one gives it up.
  isc_tr_handle h = TR->Handle();
  ASSERT_EQ(DB->ClientLibrary()->isc_rollback_transaction(StatusVector(), &h), 0);
  EXPECT_NE(RaisedMessage([&] { TR->Commit(); }), "");
  EXPECT_TRUE(TR->Active());
  EXPECT_EQ(TR->State(), trsCommitting);
  TR->EndTransaction(TACommit, true);
  EXPECT_FALSE(TR->Active());
  EXPECT_EQ(TR->State(), trsInactive);
}

TEST_F(FIBTransactionTest, FreeingTellsHandlersAndLinksLastFirst) {
  auto* rec = Own(New<TrRecorder>(nullptr));
  auto* tr = NewTransaction(DB, "TR2");
  tr->AddEvent(tekOnFree, TNotifyEvent(rec, &TrRecorder::FreeA));
  tr->AddEvent(tekOnFree, TNotifyEvent(rec, &TrRecorder::FreeB));
  TFIBBase link(rec);
  link.SetOnTransactionFree(TNotifyEvent(rec, &TrRecorder::LinkFree));
  link.SetTransaction(tr);
  tr->StartTransaction();
  ExecSQL(DB, tr, "INSERT INTO T VALUES (1, 'a')");
  tr->Free();  // TimeoutAction rollback
  EXPECT_EQ(rec->Log, (std::vector<String>{"free B", "free A", "link free"}));
  EXPECT_EQ(link.Transaction(), nullptr);
  EXPECT_EQ(link.Database(), DB);
  EXPECT_EQ(DB->FirstActiveTransaction(), nullptr);
  EXPECT_EQ(Rows(), 0);
}

TEST_F(FIBTransactionTest, WorksInDialect1) {
  CreateDialectDatabase(Dir.File("d1.fdb"), 1);
  auto* db = Own(NewDatabase(Dir.File("d1.fdb"), "D1", 3));
  db->Open();
  EXPECT_EQ(db->SQLDialect(), 1);
  auto* tr = Own(NewTransaction(db, "T1"));
  tr->StartTransaction();
  ExecSQL(db, tr, "INSERT INTO T VALUES (1, 'a')");
  tr->CommitRetaining();
  ExecSQL(db, tr, "INSERT INTO T VALUES (2, 'b')");
  tr->RollbackRetaining();
  tr->Commit();
  // Row 1 was committed, row 2 rolled back.
  tr->StartTransaction();
  EXPECT_EQ(RaisedMessage([&] { ExecSQL(db, tr, "INSERT INTO T VALUES (2, 'b')"); }), "");
  EXPECT_NE(RaisedMessage([&] { ExecSQL(db, tr, "INSERT INTO T VALUES (1, 'a')"); }), "");
  tr->Rollback();
}

}  // namespace
