// The limited-buffer cache model, the unidirectional ring and the fetch events of the SQL dataset,
// against one embedded database shared by the suite: 10,000 rows with the even keys 2 .. 20000.
#include <gtest/gtest.h>

#include <memory>

#include "MutationLoop.h"
#include "ScratchDatabase.h"
#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/Filer.h"
#include "rtl/StringLists.h"

namespace {

constexpr int32_t RowCount = 10000;

class LimitedCacheTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Dir = new scratch::Folder("vorn-datasets-limited");
    const String path = Dir->File("l.fdb");
    scratch::CreateDatabase(path);
    DB = New<TFIBDatabase>(nullptr);
    DB->SetName("DB1");
    scratch::Configure(DB, path);
    TR = New<TFIBTransaction>(nullptr);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    scratch::Exec(DB, TR, "CREATE TABLE L (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(30), GRP INTEGER)");
    // Walking back from the end reads the keys in descending order: an index of its own serves it.
    scratch::Exec(DB, TR, "CREATE DESCENDING INDEX L_ID_DESC ON L (ID)");
    TR->Commit();
    TR->StartTransaction();
    scratch::Exec(DB, TR,
                  "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 10000) DO BEGIN "
                  "INSERT INTO L VALUES (:I * 2, 'N' || :I, MOD(:I, 7)); I = I + 1; END END");
    TR->Commit();
  }

  static void TearDownTestSuite() {
    ListTableInfo()->RemoveDatabase(DB);
    TR->Free();
    DB->Close();
    DB->Free();
    delete Dir;
  }

  void SetUp() override { TR->StartTransaction(); }

  void TearDown() override {
    for (TFIBCustomDataSet* ds : FDataSets) ds->Free();
    // Every change a test makes is undone for the next one.
    if (TR->InTransaction()) TR->Rollback();
  }

  void Exec(const String& sql) { scratch::Exec(DB, TR, sql); }

  TpZAZDataSet* NewDataSet(const String& select, bool limited = false, int32_t chunks = 100) {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName("ds" + std::to_string(FDataSets.size() + 1));
    FDataSets.push_back(ds);
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    ds->UpdateSQL()->SetText("UPDATE L SET NAME = ?NAME, ID = ?ID WHERE ID = ?OLD_ID");
    ds->InsertSQL()->SetText("INSERT INTO L (ID, NAME, GRP) VALUES (?ID, ?NAME, ?GRP)");
    ds->DeleteSQL()->SetText("DELETE FROM L WHERE ID = ?OLD_ID");
    ds->RefreshSQL()->SetText("SELECT ID, NAME, GRP FROM L WHERE ID = ?OLD_ID");
    ds->SetBufferChunks(chunks);
    if (limited) ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
    return ds;
  }

  TpZAZDataSet* OpenLimited(const String& select = "SELECT ID, NAME, GRP FROM L ORDER BY ID") {
    auto* ds = NewDataSet(select, true);
    ds->Open();
    return ds;
  }

  static int32_t Id(TDataSet* ds) { return ds->FieldByName("ID")->AsInteger(); }
  static int32_t WindowSize(TFIBCustomDataSet* ds) {
    const TCacheWindow* w = ds->CacheWindow();
    return w->FirstIndex < 0 ? 0 : w->LastIndex - w->FirstIndex + 1;
  }

  static scratch::Folder* Dir;
  static TFIBDatabase* DB;
  static TFIBTransaction* TR;
  std::vector<TFIBCustomDataSet*> FDataSets;
};

scratch::Folder* LimitedCacheTest::Dir = nullptr;
TFIBDatabase* LimitedCacheTest::DB = nullptr;
TFIBTransaction* LimitedCacheTest::TR = nullptr;

// --- options --------------------------------------------------------------------------------------------

TEST_F(LimitedCacheTest, BufferChunksFollowTheRulesOfTheModel) {
  const struct {
    bool limited;
    int32_t set;
    int32_t expected;
  } cases[] = {{false, 0, 32}, {false, -5, 32}, {false, 50, 50}, {true, 50, 100}, {true, 0, 100}, {true, 250, 250}};
  for (const auto& c : cases) {
    auto* ds = NewDataSet("SELECT ID FROM L ORDER BY ID", c.limited, 32);
    ds->SetBufferChunks(c.set);
    EXPECT_EQ(ds->BufferChunks(), c.expected) << c.limited << " " << c.set;
  }
  // Choosing the limited model raises a standard ring of 32 to 100; going back frees the window.
  auto* ds = NewDataSet("SELECT ID FROM L ORDER BY ID", false, 32);
  ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
  EXPECT_EQ(ds->BufferChunks(), 100);
  EXPECT_NE(ds->CacheWindow(), nullptr);
  ds->CacheModelOptions()->SetCacheModelKind(cmkStandard);
  EXPECT_EQ(ds->CacheWindow(), nullptr);
}

TEST_F(LimitedCacheTest, OptionsTravelInFormResources) {
  auto* ds = New<TpZAZDataSet>(nullptr);
  FDataSets.push_back(ds);
  // While loading the model is taken as given: the select is not known yet.
  ReadComponentFromText(
      "object qLimited: TpZAZDataSet\n"
      "  CacheModelOptions.CacheModelKind = cmkLimitedBufferSize\n"
      "  CacheModelOptions.PlanForDescSQLs = 'PLAN (L ORDER L_ID_DESC)'\n"
      "  BufferChunks = 50\n"
      "end\n",
      ds);
  EXPECT_EQ(ds->CacheModelOptions()->CacheModelKind(), cmkLimitedBufferSize);
  EXPECT_EQ(ds->BufferChunks(), 100);
  const String text = ComponentToText(ds);
  EXPECT_NE(text.find("CacheModelOptions.CacheModelKind = cmkLimitedBufferSize"), String::npos) << text;
  EXPECT_NE(text.find("CacheModelOptions.BufferChunks = 100"), String::npos) << text;
  // The plan goes to the two statements that read backwards.
  ds->SetDatabase(DB);
  ds->SetTransaction(TR);
  ds->SelectSQL()->SetText("SELECT ID, NAME FROM L ORDER BY ID");
  ds->Open();
  for (const char* name : {"SelectDescQuery", "SelectPartDescQuery"}) {
    auto* q = static_cast<TFIBQuery*>(ds->FindComponent(name));
    ASSERT_NE(q, nullptr) << name;
    EXPECT_NE(q->SQL()->Text().find("PLAN (L ORDER L_ID_DESC)"), String::npos) << q->SQL()->Text();
  }
  ds->Last();
  EXPECT_EQ(Id(ds), 20000);
}

TEST_F(LimitedCacheTest, TheLimitedModelIsRefusedWhereItCannotWork) {
  const char* const selects[] = {"SELECT ID FROM L", "SELECT ID FROM L WHERE ID > ?NEW_ID ORDER BY ID"};
  for (const char* select : selects) {
    auto* ds = NewDataSet(select);
    try {
      ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
      ADD_FAILURE() << select;
    } catch (const EFIBClientError& e) {
      EXPECT_NE(e.Message().find("Can't use limited cache"), String::npos);
    }
    EXPECT_EQ(ds->CacheModelOptions()->CacheModelKind(), cmkStandard);
  }
  auto* cached = NewDataSet("SELECT ID FROM L ORDER BY ID");
  cached->SetCachedUpdates(true);
  EXPECT_THROW(cached->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize), EFIBClientError);
  // An open dataset keeps its model and ring size.
  auto* open = OpenLimited();
  EXPECT_THROW(open->CacheModelOptions()->SetCacheModelKind(cmkStandard), EDatabaseError);
  EXPECT_THROW(open->SetBufferChunks(500), EDatabaseError);
  // An order field the select does not return cannot page.
  auto* bad = NewDataSet("SELECT ID, NAME FROM L ORDER BY GRP, ID", true);
  try {
    bad->Open();
    ADD_FAILURE();
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("Field GRP use in order, but not presented"), String::npos) << e.Message();
  }
}

// --- scrolling --------------------------------------------------------------------------------------------

TEST_F(LimitedCacheTest, ScrollsTenThousandRowsBothWaysWithinTheWindow) {
  auto* ds = OpenLimited();
  int32_t seen = 0, widest = 0;
  for (; !ds->Eof(); ds->Next()) {
    ++seen;
    ASSERT_EQ(Id(ds), seen * 2);
    widest = std::max(widest, WindowSize(ds));
  }
  EXPECT_EQ(seen, RowCount);
  EXPECT_EQ(widest, 100);
  EXPECT_LE(ds->RecordCount(), 100);
  EXPECT_LE(ds->RecordsCache()->RowCount(), 100);
  EXPECT_FALSE(ds->CacheWindow()->BofReached);
  EXPECT_EQ(ds->CacheWindow()->LastIndex - ds->CacheWindow()->FirstIndex, 99);
  for (int32_t expected = RowCount * 2; !ds->Bof(); ds->Prior(), expected -= 2) {
    ASSERT_EQ(Id(ds), expected);
    ASSERT_LE(WindowSize(ds), 100);
    --seen;
  }
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(Id(ds), 2);
  EXPECT_TRUE(ds->CacheWindow()->BofReached);
}

TEST_F(LimitedCacheTest, LastReadsTheEndBackwardsAndFirstStartsAgain) {
  auto* ds = OpenLimited();
  ds->Last();
  EXPECT_EQ(Id(ds), 20000);
  EXPECT_EQ(WindowSize(ds), 100);
  EXPECT_TRUE(ds->CacheWindow()->EofReached);
  // Past the window's start the rows before its first key come from the server; the end leaves.
  for (int32_t i = 0; i < 150; ++i) ds->Prior();
  EXPECT_EQ(Id(ds), 20000 - 300);
  EXPECT_LE(WindowSize(ds), 100);
  EXPECT_FALSE(ds->CacheWindow()->EofReached);
  for (int32_t i = 0; i < 149; ++i) ds->Next();
  EXPECT_EQ(Id(ds), 19998);
  ds->Next();
  ds->Next();
  EXPECT_TRUE(ds->Eof());
  ds->First();
  EXPECT_EQ(Id(ds), 2);
  EXPECT_EQ(ds->ActiveSelect(), ds->QSelect());

  auto* small = OpenLimited("SELECT ID, NAME, GRP FROM L WHERE ID <= 60 ORDER BY ID");
  small->Last();
  EXPECT_EQ(Id(small), 60);
  EXPECT_EQ(WindowSize(small), 30);
  EXPECT_TRUE(small->CacheWindow()->EofReached);
  small->First();
  EXPECT_EQ(Id(small), 2);
}

TEST_F(LimitedCacheTest, ADescendingOrderPagesTheOtherWay) {
  auto* ds = OpenLimited("SELECT ID, NAME, GRP FROM L ORDER BY ID DESC");
  auto* part = static_cast<TFIBQuery*>(ds->FindComponent("SelectPartQuery"));
  auto* partDesc = static_cast<TFIBQuery*>(ds->FindComponent("SelectPartDescQuery"));
  ASSERT_NE(part, nullptr);
  EXPECT_NE(part->SQL()->Text().find("<?NEW_ID"), String::npos) << part->SQL()->Text();
  EXPECT_NE(partDesc->SQL()->Text().find(">?NEW_ID"), String::npos) << partDesc->SQL()->Text();
  for (int32_t i = 0; i < 249; ++i) ds->Next();
  EXPECT_EQ(Id(ds), 20000 - 249 * 2);
  for (int32_t i = 0; i < 200; ++i) ds->Prior();
  EXPECT_EQ(Id(ds), 20000 - 49 * 2);
  EXPECT_LE(WindowSize(ds), 100);
}

// --- locate, bookmarks, lookup ------------------------------------------------------------------------------

TEST_F(LimitedCacheTest, LocateOnTheServerCentresTheWindowOnTheRow) {
  auto* ds = OpenLimited();
  ASSERT_TRUE(ds->Locate("ID", 10000, {}));
  EXPECT_EQ(Id(ds), 10000);
  const TCacheWindow* w = ds->CacheWindow();
  EXPECT_EQ(ds->RecNo() - 1 - w->FirstIndex, 50);
  EXPECT_EQ(WindowSize(ds), 99);
  // The window moves on from there in both directions.
  for (int32_t i = 0; i < 80; ++i) ds->Prior();
  EXPECT_EQ(Id(ds), 10000 - 160);
  for (int32_t i = 0; i < 200; ++i) ds->Next();
  EXPECT_EQ(Id(ds), 10000 + 240);
  EXPECT_LE(WindowSize(ds), 100);

  ASSERT_TRUE(ds->Locate("NAME", "N7", {}));
  EXPECT_EQ(Id(ds), 14);
  ds->Prior();
  EXPECT_EQ(Id(ds), 12);
  // A key that is not there leaves the position.
  EXPECT_FALSE(ds->Locate("ID", 10001, {}));
  EXPECT_EQ(Id(ds), 12);
  EXPECT_THROW(ds->LocateOnServer("", 1, {}), EFIBClientError);
}

TEST_F(LimitedCacheTest, ABookmarkOutsideTheWindowIsFoundThroughTheServer) {
  auto* ds = OpenLimited();
  for (int32_t i = 0; i < 9; ++i) ds->Next();
  ASSERT_EQ(Id(ds), 20);
  const TBookmark bookmark = ds->GetBookmark();
  ASSERT_TRUE(ds->Locate("ID", 16000, {}));
  ASSERT_TRUE(ds->BookmarkValid(bookmark));
  ds->GotoBookmark(bookmark);
  EXPECT_EQ(Id(ds), 20);
  ds->Prior();
  EXPECT_EQ(Id(ds), 18);
  // One the window holds is found there.
  ds->Next();
  ds->Next();
  ds->GotoBookmark(bookmark);
  EXPECT_EQ(Id(ds), 20);
}

// A damaged bookmark is refused by its size or finds its row, or none, through the server.
TEST_F(LimitedCacheTest, DamagedBookmarksAreReadSafely) {
  auto* ds = OpenLimited();
  ASSERT_TRUE(ds->Locate("ID", 900, {}));
  const TBookmark valid = ds->GetBookmark();
  ASSERT_TRUE(ds->Locate("ID", 12000, {}));
  mutation::Limits limits;
  limits.Inputs = 400;
  mutation::Run(
      std::string(valid.begin(), valid.end()),
      [&](const std::string& input) {
        const TBookmark bookmark(input.begin(), input.end());
        if (ds->BookmarkValid(bookmark)) ds->GotoBookmark(bookmark);
        ASSERT_LE(WindowSize(ds), 100);
      },
      limits);
  ds->GotoBookmark(valid);
  EXPECT_EQ(Id(ds), 900);
}

TEST_F(LimitedCacheTest, LookupLeavesTheCurrentRecord) {
  auto* ds = OpenLimited();
  ds->Next();
  EXPECT_EQ(ds->Lookup("ID", 7000, "NAME").AsString(), "N3500");
  EXPECT_TRUE(VarIsNull(ds->Lookup("ID", 7001, "NAME")));
  const Variant both = ds->Lookup("ID", 40, "NAME;GRP");
  EXPECT_EQ(VarArrayGet(both, {0}).AsString(), "N20");
  EXPECT_EQ(VarArrayGet(both, {1}).AsInteger(), 6);
  EXPECT_EQ(Id(ds), 4);
  // A row of the window answers without the server; so does one outside it.
  EXPECT_EQ(ds->Lookup("NAME", "N50", "ID").AsInteger(), 100);
  EXPECT_EQ(ds->Lookup("NAME", "N9000", "ID").AsInteger(), 18000);
  EXPECT_EQ(Id(ds), 4);
}

// --- refresh and editing ----------------------------------------------------------------------------------

TEST_F(LimitedCacheTest, FullRefreshReadsTheServerAroundTheCurrentRow) {
  for (bool withRefreshSQL : {true, false}) {
    auto* ds = NewDataSet("SELECT ID, NAME, GRP FROM L ORDER BY ID", true);
    if (!withRefreshSQL) ds->RefreshSQL()->Clear();
    ds->Open();
    ASSERT_TRUE(ds->Locate("ID", 5000, {}));
    Exec("UPDATE L SET NAME = 'changed' WHERE ID IN (5000, 5002)");
    ds->FullRefresh();
    EXPECT_EQ(Id(ds), 5000);
    EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed");
    ds->Next();
    EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed");
    // A row deleted on the server leaves the dataset on the row after it.
    Exec("DELETE FROM L WHERE ID = 5002");
    ds->FullRefresh();
    EXPECT_EQ(Id(ds), 5004) << withRefreshSQL;
    EXPECT_LE(WindowSize(ds), 100);
    ds->Prior();
    EXPECT_EQ(Id(ds), 5000);
    TR->Rollback();
    TR->StartTransaction();
  }
}

TEST_F(LimitedCacheTest, PostedRowsTakeTheirPlaceInTheOrder) {
  auto* ds = OpenLimited();
  ASSERT_TRUE(ds->Locate("ID", 3000, {}));
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("edited");
  ds->Post();
  EXPECT_EQ(Id(ds), 3000);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "edited");
  // A new key moves the row: the window is rebuilt where the order puts it.
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(15001);
  ds->Post();
  EXPECT_EQ(Id(ds), 15001);
  ds->Prior();
  EXPECT_EQ(Id(ds), 15000);
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(7001);
  ds->FieldByName("NAME")->SetAsString("new");
  ds->Post();
  EXPECT_EQ(Id(ds), 7001);
  ds->Next();
  EXPECT_EQ(Id(ds), 7002);
  ds->Delete();
  EXPECT_EQ(Id(ds), 7004);
  ds->Prior();
  EXPECT_EQ(Id(ds), 7001);
}

// --- failures -----------------------------------------------------------------------------------------------

// Row 19900 fails to compute; from the end it is the 51st row read.
TEST_F(LimitedCacheTest, AFailureWhileReadingTheEndIsRaised) {
  auto* ds = OpenLimited("SELECT ID, 100 / (ID - 19900) AS Q FROM L ORDER BY ID");
  EXPECT_EQ(Id(ds), 2);
  EXPECT_THROW(ds->Last(), EFIBError);
}

// --- unidirectional ring and fetch events ------------------------------------------------------------------

TEST_F(LimitedCacheTest, UniDirectionalRecordCountStaysWithinTheRing) {
  auto* ds = NewDataSet("SELECT ID, NAME FROM L ORDER BY ID", false, 32);
  ds->SetUniDirectional(true);
  ds->Open();
  int32_t seen = 0, largest = 0;
  for (; !ds->Eof(); ds->Next()) {
    ASSERT_EQ(Id(ds), ++seen * 2);
    largest = std::max(largest, ds->RecordCount());
  }
  EXPECT_EQ(seen, RowCount);
  EXPECT_EQ(largest, 32);
  EXPECT_EQ(ds->FetchedCount(), RowCount);
  EXPECT_LE(ds->RecordsCache()->RowCount(), 32);
  EXPECT_THROW(ds->Prior(), EDatabaseError);
  EXPECT_THROW(ds->SetUniDirectional(false), EFIBClientError);
  EXPECT_THROW(ds->FullRefresh(), EFIBClientError);
}

TEST_F(LimitedCacheTest, StopFetchingEndsTheFetchSilently) {
  auto* ds = NewDataSet("SELECT ID FROM L ORDER BY ID");
  ds->AfterFetchRecord = [](TFIBQuery*, int32_t number, bool& stop) { stop = number == 10; };
  ds->Open();
  EXPECT_THROW(ds->FetchAll(), EAbort);
  EXPECT_EQ(ds->RecordCount(), 11);
  EXPECT_FALSE(ds->AllRowsFetched());

  auto* before = NewDataSet("SELECT ID FROM L ORDER BY ID");
  int32_t asked = 0;
  before->BeforeFetchRecord = [&](TFIBQuery* q, int32_t number, bool& stop) {
    EXPECT_EQ(q, before->QSelect());
    ++asked;
    stop = number == 5;
  };
  before->Open();
  EXPECT_THROW(before->FetchAll(), EAbort);
  EXPECT_EQ(before->RecordCount(), 5);
  EXPECT_EQ(asked, 6);
}

TEST_F(LimitedCacheTest, GetRecordErrorsGoThroughTheHandler) {
  const struct {
    TDataAction action;
    bool aborts;
  } cases[] = {{daFail, false}, {daAbort, true}};
  for (const auto& c : cases) {
    auto* ds = NewDataSet("SELECT ID, 1 / (ID - 20) AS Q FROM L ORDER BY ID");
    int32_t calls = 0;
    ds->OnGetRecordError = [&](TDataSet*, EDatabaseError* e, TDataAction& action) {
      ++calls;
      EXPECT_NE(dynamic_cast<EFIBError*>(e), nullptr);
      action = c.action;
    };
    ds->Open();
    try {
      for (int32_t i = 0; i < 20; ++i) ds->Next();
      ADD_FAILURE();
    } catch (const EAbort&) {
      EXPECT_TRUE(c.aborts);
    } catch (const EFIBError&) {
      EXPECT_FALSE(c.aborts);
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Id(ds), 18);
  }
}

TEST_F(LimitedCacheTest, ScrollEventsWaitWhileDisabledAndFetchAllRowsKeepsThePlace) {
  auto* ds = NewDataSet("SELECT ID FROM L ORDER BY ID");
  int32_t scrolls = 0;
  ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
  ds->BeforeScroll = [&](TDataSet*) { ++scrolls; };
  ds->Open();
  scrolls = 0;
  ds->DisableScrollEvents();
  ds->Next();
  EXPECT_EQ(scrolls, 0);
  ds->EnableScrollEvents();
  ds->EnableScrollEvents();
  EXPECT_EQ(ds->ScrollEventsDisabled(), 0);
  ds->Next();
  EXPECT_EQ(scrolls, 2);
  ds->FetchAllRows();
  EXPECT_TRUE(ds->AllRowsFetched());
  EXPECT_EQ(ds->RecordCount(), RowCount);
  EXPECT_EQ(Id(ds), 6);
}

// --- record counts of every select shape ----------------------------------------------------------------------

TEST_F(LimitedCacheTest, RecordCountsOfGroupedUnionAndDistinctSelects) {
  const struct {
    const char* select;
    int32_t count;
  } cases[] = {
      {"SELECT GRP, COUNT(*) FROM L GROUP BY GRP", 7},
      {"SELECT GRP, COUNT(*) FROM L GROUP BY GRP HAVING COUNT(*) > 1428", 4},
      {"SELECT DISTINCT GRP FROM L", 7},
      {"SELECT ID FROM L WHERE ID <= 10 UNION SELECT ID FROM L WHERE ID >= 19990", 11},
      {"SELECT FIRST 5 ID FROM L", 5},
      {"SELECT ID, NAME FROM L WHERE ID <= 100", 50},
  };
  for (const auto& c : cases) {
    auto* ds = NewDataSet(c.select);
    EXPECT_EQ(ds->AskServerRecordCount(), c.count) << c.select;
  }
  // The FROM-and-WHERE count of older servers is given only where it is right.
  for (const auto& c : cases) {
    const String count = MakeRecordCountSQL(c.select);
    if (count.empty()) continue;
    auto* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(count);
    q->ExecQuery();
    EXPECT_EQ(q->Fields(0)->GetAsInteger(), c.count) << count;
    q->Free();
  }
}

}  // namespace
