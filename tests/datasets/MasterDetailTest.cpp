// Detail datasets following their master, and datasets reacting to the end of their transaction and to
// their connection going away, against the embedded engine. Timers run on the test's own main loop.
#include <gtest/gtest.h>

#include "DataSetServicesSupport.h"
#include "dbaccess/FIBTimer.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/MainLoop.h"

namespace {

class MasterDetailTest : public dss::ServicesTest {
protected:
  void SetUp() override {
    dss::ServicesTest::SetUp();
    // Detail rows per master: 1 -> 3 rows, 2 -> 1, 3 -> none, 4 -> 2, 5 -> 1 (U already holds 1/1).
    TR->StartTransaction();
    int id = 2;
    for (int master : {1, 1, 2, 4, 4, 5})
      Exec("INSERT INTO U (ID, T_ID, LABEL) VALUES (" + std::to_string(id++) + ", " + std::to_string(master) +
           ", 'u" + std::to_string(master) + "')");
    TR->Commit();
    Source = New<TDataSource>(Owner);
  }
  void TearDown() override {
    dss::ServicesTest::TearDown();
  }

  void Elapse(uint32_t ms) { Loop.Advance(ms); }

  TpZAZDataSet* NewMaster() {
    TpZAZDataSet* m = NewDataSet();
    Source->SetDataSet(m);
    return m;
  }

  TpZAZDataSet* NewDetail(const String& where = "T_ID = ?MAS_ID") {
    TpZAZDataSet* d = NewDataSet("SELECT ID, T_ID, LABEL FROM U WHERE " + where + " ORDER BY ID");
    d->UpdateSQL()->SetText("UPDATE U SET LABEL = ?LABEL WHERE ID = ?OLD_ID");
    d->InsertSQL()->SetText("INSERT INTO U (ID, T_ID, LABEL) VALUES (?ID, ?T_ID, ?LABEL)");
    d->DeleteSQL()->SetText("DELETE FROM U WHERE ID = ?OLD_ID");
    d->RefreshSQL()->SetText("SELECT ID, T_ID, LABEL FROM U WHERE ID = ?OLD_ID");
    d->SetDataSource(Source);
    d->AfterOpen = TDataSetNotifyEvent([this](TDataSet*) { ++DetailOpens; });
    return d;
  }

  // Walks to the master row of the key (Locate is not used: the walk is what a user's scrolling does).
  static bool GoTo(TDataSet* m, int32_t key) {
    m->First();
    while (!m->Eof() && m->FieldByName("ID")->AsInteger() != key) m->Next();
    return !m->Eof();
  }

  // The master keys of the rows the detail shows, and their count.
  static std::vector<int32_t> DetailKeys(TDataSet* d) {
    std::vector<int32_t> keys;
    d->First();
    while (!d->Eof()) {
      keys.push_back(d->FieldByName("T_ID")->AsInteger());
      d->Next();
    }
    return keys;
  }

  TDataSource* Source = nullptr;
  TManualMainLoop Loop;  // the idle and master-wait timers run on it
  int DetailOpens = 0;
};

const std::map<int, size_t> DetailRowsOf = {{1, 3}, {2, 1}, {3, 0}, {4, 2}, {5, 1}};

TEST_F(MasterDetailTest, ScrollingTheMasterReopensTheDetailWithItsRows) {
  // A MAS_ parameter names the master field after the prefix; a plain name takes the field of its name.
  for (const char* where : {"T_ID = ?MAS_ID", "T_ID = ?ID", "T_ID = ?mas_ID"}) {
    SCOPED_TRACE(where);
    TpZAZDataSet* master = NewMaster();
    TpZAZDataSet* detail = NewDetail(where);
    master->Open();
    detail->Open();
    for (const auto& [key, rows] : DetailRowsOf) {
      ASSERT_TRUE(GoTo(master, key));
      const std::vector<int32_t> keys = DetailKeys(detail);
      EXPECT_EQ(keys.size(), rows) << "master " << key;
      for (int32_t k : keys) EXPECT_EQ(k, key);
    }
    // A master event that leaves its key as it was does not reopen the detail.
    ASSERT_TRUE(GoTo(master, 1));
    const int opens = DetailOpens;
    master->Refresh();
    EXPECT_EQ(master->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(DetailOpens, opens);
    EXPECT_EQ(DetailKeys(detail).size(), DetailRowsOf.at(1));
    master->Close();
  }
}

TEST_F(MasterDetailTest, ClosingTheMasterClosesTheDetailUnlessToldToStay) {
  struct Case {
    TDetailConditions Conditions;
    bool StaysOpen;
  };
  for (const Case& c : {Case{{}, false}, Case{{dcIgnoreMasterClose}, true}}) {
    TpZAZDataSet* master = NewMaster();
    TpZAZDataSet* detail = NewDetail();
    detail->SetDetailConditions(c.Conditions);
    master->Open();
    detail->Open();
    master->Close();
    EXPECT_EQ(detail->Active(), c.StaysOpen);
    // Reopening the master reopens a detail that stayed open; a closed one stays closed.
    master->Open();
    EXPECT_EQ(detail->Active(), c.StaysOpen);
    master->Close();
    detail->Close();
  }
  // With dcForceOpen a closed detail is opened by its master.
  TpZAZDataSet* master = NewMaster();
  TpZAZDataSet* detail = NewDetail();
  detail->SetDetailConditions({dcForceOpen});
  master->Open();
  EXPECT_TRUE(detail->Active());
  EXPECT_EQ(DetailKeys(detail).size(), DetailRowsOf.at(1));
}

TEST_F(MasterDetailTest, NewDetailRowTakesTheMasterKey) {
  TpZAZDataSet* master = NewMaster();
  TpZAZDataSet* detail = NewDetail();
  detail->AutoUpdateOptions()->ParamsToFieldsLinks()->Add("T_ID=MAS_ID");
  detail->SetDetailConditions({dcWaitEndMasterScroll});
  master->Open();
  detail->Open();
  ASSERT_TRUE(GoTo(master, 3));
  // The delayed refresh is still pending: the insert runs it first, so the row belongs to master 3.
  EXPECT_TRUE(detail->MasterWaitPending());
  detail->Append();
  EXPECT_FALSE(detail->MasterWaitPending());
  detail->FieldByName("ID")->SetAsInteger(100);
  detail->FieldByName("LABEL")->SetAsString("new");
  EXPECT_EQ(detail->FieldByName("T_ID")->AsInteger(), 3);
  detail->Post();
  TR->Commit();
  EXPECT_EQ(Committed("SELECT T_ID FROM U WHERE ID = 100").AsInteger(), 3);
}

TEST_F(MasterDetailTest, DeletingInTheDetailRefreshesTheMasterWhenAsked) {
  for (bool force : {false, true}) {
    SCOPED_TRACE(force ? "dcForceMasterRefresh" : "no master refresh");
    TpZAZDataSet* master =
        NewDataSet("SELECT T.ID, (SELECT COUNT(*) FROM U WHERE U.T_ID = T.ID) AS CNT FROM T ORDER BY ID");
    master->RefreshSQL()->SetText(
        "SELECT T.ID, (SELECT COUNT(*) FROM U WHERE U.T_ID = T.ID) AS CNT FROM T WHERE T.ID = ?OLD_ID");
    Source->SetDataSet(master);
    TpZAZDataSet* detail = NewDetail();
    if (force) detail->SetDetailConditions({dcForceMasterRefresh});
    master->Open();
    detail->Open();
    ASSERT_EQ(master->FieldByName("CNT")->AsInteger(), 3);
    detail->Delete();
    EXPECT_EQ(master->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(master->FieldByName("CNT")->AsInteger(), force ? 2 : 3);
    EXPECT_EQ(DetailKeys(detail).size(), 2u);
    TR->Rollback();
  }
}

TEST_F(MasterDetailTest, WaitIntervalCoalescesFastScrolling) {
  TpZAZDataSet* master = NewMaster();
  TpZAZDataSet* detail = NewDetail();
  detail->SetDetailConditions({dcWaitEndMasterScroll, dcForceMasterRefresh});
  ASSERT_NE(detail->MasterWaitTimer(), nullptr);
  EXPECT_EQ(detail->MasterWaitTimer()->Interval(), 300u);
  EXPECT_TRUE(detail->DetailConditions().Contains(dcWaitEndMasterScroll));
  EXPECT_TRUE(detail->DetailConditions().Contains(dcForceMasterRefresh));
  master->Open();
  detail->Open();
  const int opens = DetailOpens;
  for (int i = 0; i < 4; ++i) {
    master->Next();
    Elapse(100);
  }
  // Still waiting: the detail shows the rows of the first master.
  EXPECT_EQ(DetailOpens, opens);
  EXPECT_EQ(DetailKeys(detail), std::vector<int32_t>(3, 1));
  Elapse(300);
  EXPECT_EQ(DetailOpens, opens + 1);
  EXPECT_EQ(DetailKeys(detail), std::vector<int32_t>(1, 5));
  Elapse(1000);
  EXPECT_EQ(DetailOpens, opens + 1);

  detail->SetDetailConditions({dcForceMasterRefresh});
  EXPECT_EQ(detail->MasterWaitTimer(), nullptr);
  EXPECT_FALSE(detail->DetailConditions().Contains(dcWaitEndMasterScroll));
  master->Prior();
  EXPECT_EQ(DetailOpens, opens + 2);
  EXPECT_EQ(DetailKeys(detail), std::vector<int32_t>(2, 4));
}

TEST_F(MasterDetailTest, DetailOfAReopeningDetailDoesNotWaitAgain) {
  TpZAZDataSet* master = NewMaster();
  TpZAZDataSet* middle = NewDetail();
  middle->SetDetailConditions({dcWaitEndMasterScroll});
  auto* middleSource = New<TDataSource>(Owner);
  middleSource->SetDataSet(middle);
  TpZAZDataSet* last = NewDataSet("SELECT ID, T_ID, LABEL FROM U WHERE ID = ?MAS_ID");
  last->SetDataSource(middleSource);
  last->SetDetailConditions({dcWaitEndMasterScroll});
  master->Open();
  middle->Open();
  last->Open();
  EXPECT_EQ(last->FieldByName("ID")->AsInteger(), 1);
  ASSERT_TRUE(GoTo(master, 2));
  Elapse(300);
  // The middle dataset reopened for master 2 and its own detail followed at once.
  EXPECT_EQ(middle->FieldByName("ID")->AsInteger(), 4);
  EXPECT_FALSE(last->MasterWaitPending());
  EXPECT_EQ(last->FieldByName("ID")->AsInteger(), 4);
  // A move of the middle dataset itself is waited for.
  ASSERT_TRUE(GoTo(master, 1));
  Elapse(300);
  middle->Next();
  EXPECT_TRUE(last->MasterWaitPending());
  Elapse(300);
  EXPECT_EQ(last->FieldByName("ID")->AsInteger(), middle->FieldByName("ID")->AsInteger());
}

TEST_F(MasterDetailTest, MasterFieldOfAnUnsupportedTypeFailsTheOpen) {
  TpZAZDataSet* master = NewDataSet("SELECT ID, CAST(NAME AS BLOB SUB_TYPE TEXT) AS MEMO FROM T ORDER BY ID");
  Source->SetDataSet(master);
  TpZAZDataSet* detail = NewDetail("LABEL = ?MAS_MEMO");
  master->Open();
  ASSERT_EQ(master->FieldByName("MEMO")->DataType(), ftMemo);
  try {
    detail->Open();
    ADD_FAILURE() << "the open succeeded";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Unsupported feature."), String::npos) << e.Message();
  }
  EXPECT_FALSE(detail->Active());
}

TEST_F(MasterDetailTest, DisconnectingKeepsTheRowsOfCachedUpdatesOnly) {
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "cached updates" : "no cached updates");
    if (!DB->Connected()) DB->Open();
    TpZAZDataSet* ds = NewDataSet();
    ds->SetBufferChunks(2);
    ds->SetCachedUpdates(cached);
    int disconnecting = 0;
    ds->DatabaseDisconnecting = TNotifyEvent([&](TObject*) { ++disconnecting; });
    ds->Open();
    DB->Close();
    EXPECT_EQ(disconnecting, 1);
    EXPECT_EQ(ds->Active(), cached);
    if (cached) {
      ds->Last();
      EXPECT_EQ(ds->RecordCount(), 5);
      EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
      ds->Close();
    }
    ds->DatabaseDisconnecting = TNotifyEvent();
  }
  DB->Open();
}

TEST_F(MasterDetailTest, EndOfScrollIsReportedOnceScrollingStops) {
  TpZAZDataSet* ds = NewDataSet();
  int ends = 0;
  ds->SetOnEndScroll(TDataSetNotifyEvent([&](TDataSet* sender) {
    EXPECT_EQ(sender, ds);
    ++ends;
  }));
  ASSERT_NE(ds->EndScrollTimer(), nullptr);
  ds->Open();
  for (int i = 0; i < 3; ++i) {
    ds->Next();
    Elapse(50);
  }
  EXPECT_EQ(ends, 0);
  Elapse(300);
  EXPECT_EQ(ends, 1);
  Elapse(1000);
  EXPECT_EQ(ends, 1);
  ds->SetOnEndScroll(TDataSetNotifyEvent());
  EXPECT_EQ(ds->EndScrollTimer(), nullptr);
}

TEST_F(MasterDetailTest, EndOfTheReadTransactionClosesOrKeepsTheDataSet) {
  struct Case {
    TTransactionAction Action;
    bool Cached;
    bool StaysOpen;
  };
  const Case cases[] = {
      {TACommitRetaining, false, true}, {TARollbackRetaining, false, true}, {TACommit, false, false},
      {TARollback, false, false},       {TACommit, true, true},             {TARollback, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "action " << int(c.Action) << " cached " << c.Cached);
    TpZAZDataSet* ds = NewDataSet();
    ds->SetBufferChunks(2);
    ds->SetCachedUpdates(c.Cached);
    int ending = 0, ended = 0;
    TObject* sender = nullptr;
    ds->TransactionEnding = TNotifyEvent([&](TObject* s) {
      ++ending;
      sender = s;
    });
    ds->TransactionEnded = TNotifyEvent([&](TObject*) { ++ended; });
    ds->Open();
    ASSERT_LT(ds->FetchedCount(), 5);
    TR->EndTransaction(c.Action, false);
    EXPECT_EQ(ending, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(sender, ds->LinkObject());
    EXPECT_EQ(ds->Active(), c.StaysOpen);
    if (c.StaysOpen) {
      // Every row is there, also those a hard end left to be fetched.
      ds->Last();
      EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
      EXPECT_EQ(ds->RecordCount(), 5);
      ds->Close();
    }
    if (TR->InTransaction()) TR->Rollback();
    ds->TransactionEnding = TNotifyEvent();
    ds->TransactionEnded = TNotifyEvent();
  }
}

TEST_F(MasterDetailTest, FreeingTheConnectionOrTransactionFirstLeavesNothingDangling) {
  for (bool databaseFirst : {true, false}) {
    SCOPED_TRACE(databaseFirst ? "database first" : "transaction first");
    auto* db = New<TFIBDatabase>(nullptr);
    db->SetDBName(DB->DBName());
    db->SetSQLDialect(3);
    db->DBParams()->Add("user_name=SYSDBA");
    db->DBParams()->Add("lc_ctype=UTF8");
    auto* tr = New<TFIBTransaction>(nullptr);
    tr->SetDefaultDatabase(db);
    db->Open();
    TFIBDataSet* ds = NewDataSet<TFIBDataSet>();
    ds->SetTransaction(tr);
    ds->SetDatabase(db);
    int disconnecting = 0, dbFree = 0, trFree = 0;
    ds->DatabaseDisconnecting = TNotifyEvent([&](TObject*) { ++disconnecting; });
    ds->DatabaseFree = TNotifyEvent([&](TObject*) { ++dbFree; });
    ds->TransactionFree = TNotifyEvent([&](TObject*) { ++trFree; });
    ds->Open();
    ds->Next();
    if (databaseFirst) {
      db->Free();
      EXPECT_EQ(disconnecting, 1);
      EXPECT_EQ(dbFree, 1);
      EXPECT_FALSE(ds->Active());
      EXPECT_EQ(ds->Database(), nullptr);
      tr->Free();
    } else {
      tr->Free();
      EXPECT_EQ(trFree, 1);
      EXPECT_FALSE(ds->Active());
      EXPECT_EQ(ds->Transaction(), nullptr);
      db->Free();
      EXPECT_EQ(ds->Database(), nullptr);
    }
    EXPECT_EQ(ds->Transaction(), nullptr);
    EXPECT_EQ(ds->UpdateTransaction(), nullptr);
    // The dataset is usable again with the fixture's connection.
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->Open();
    EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
    ds->Close();
    ds->DatabaseDisconnecting = ds->DatabaseFree = ds->TransactionFree = TNotifyEvent();
  }
}

}  // namespace
