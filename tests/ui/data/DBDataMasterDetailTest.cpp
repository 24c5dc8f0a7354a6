// Master and detail controllers over SQL datasets on the embedded engine: the detail level's clones share
// one detail dataset, each reading its master record's rows (located in one dataset, or re-queried with
// the master's key in SQL mode); new detail rows take the master's key; a master record's children are
// asked of the detail dataset; a detail dataset moved by itself takes the master along.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "SuiteDatabase.h"
#include "datasets/pZAZDataSet.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxDBData.h"

namespace {

// A link object owns the clone made for one master record.
class TCloneLink : public TObject {
  RTL_CLASS(TCloneLink, TObject)
public:
  explicit TCloneLink(TcxDBDataController* AClone) : Clone(AClone) {}
  ~TCloneLink() override { Clone->Free(); }
  TcxDBDataController* Clone;
};

// A master that makes a clone of its detail level for each expanded record, as a grid view does.
class TMasterController : public TcxDBDataController {
  RTL_CLASS(TMasterController, TcxDBDataController)
public:
  using TcxDBDataController::TcxDBDataController;
  std::function<TcxDBDataController*(TcxCustomDataRelation*, int32_t)> MakeClone;
  int Clones = 0;
  bool FocusDetails = false;  // what a grid view answers when it shows the focused record's details focused
  bool GetFlag82() override { return FocusDetails; }
  TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) override {
    ++Clones;
    return New<TCloneLink>(MakeClone(ARelation, ARecordIndex));
  }
  TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override {
    auto* link = dynamic_cast<TCloneLink*>(ALinkObject);
    return link ? link->Clone : nullptr;
  }
};

class DBMasterDetail : public scratch::SuiteDatabaseTest {
protected:
  // Masters 1..4; master 3 has no detail rows.
  static void SetUpTestSuite() {
    CreateSuiteDatabase("vorn-ui-data-md",
                        {"CREATE TABLE M (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
                         "CREATE TABLE D (ID INTEGER NOT NULL PRIMARY KEY, MID INTEGER, TXT VARCHAR(20))"},
                        {"INSERT INTO M VALUES (1, 'one')", "INSERT INTO M VALUES (2, 'two')",
                         "INSERT INTO M VALUES (3, 'three')", "INSERT INTO M VALUES (4, 'four')",
                         "INSERT INTO D VALUES (11, 1, 'a')", "INSERT INTO D VALUES (12, 1, 'b')",
                         "INSERT INTO D VALUES (13, 1, 'c')", "INSERT INTO D VALUES (21, 2, 'd')",
                         "INSERT INTO D VALUES (22, 2, 'e')", "INSERT INTO D VALUES (41, 4, 'f')"});
  }

  void TearDown() override {
    if (Master) {
      Master->ClearDetailLinkObjects();
      Pattern->SetMasterRelation(nullptr, -1);
      Master->Free();
    }
    if (Pattern) Pattern->Free();
    scratch::SuiteDatabaseTest::TearDown();
  }

  TpZAZDataSet* NewDataSet(const String& select, const String& table) {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName("ds" + std::to_string(DataSets.size() + 1));
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    if (table == "M") {
      ds->UpdateSQL()->SetText("UPDATE M SET NAME = ?NAME WHERE ID = ?OLD_ID");
      ds->RefreshSQL()->SetText("SELECT ID, NAME FROM M WHERE ID = ?OLD_ID");
    } else {
      ds->UpdateSQL()->SetText("UPDATE D SET MID = ?MID, TXT = ?TXT WHERE ID = ?OLD_ID");
      ds->InsertSQL()->SetText("INSERT INTO D (ID, MID, TXT) VALUES (?ID, ?MID, ?TXT)");
      ds->DeleteSQL()->SetText("DELETE FROM D WHERE ID = ?OLD_ID");
      ds->RefreshSQL()->SetText("SELECT ID, MID, TXT FROM D WHERE ID = ?OLD_ID");
    }
    DataSets.push_back(ds);
    auto* source = New<TDataSource>(Owner);
    source->SetDataSet(ds);
    Sources[ds] = source;
    return ds;
  }

  void Bind(TcxDBDataController* dc, std::initializer_list<const char*> names) {
    for (const char* name : names) {
      Items.push_back(std::make_unique<TObject>());
      dc->AddItem(Items.back().get());
      dc->ChangeFieldName(dc->GetItemCount() - 1, name);
    }
  }

  // A detail controller of the level: the pattern (record -1) or a clone for a master record.
  TcxDBDataController* Detail(TcxCustomDataRelation* ARelation, int32_t ARecord) {
    auto* dc = New<TcxDBDataController>(nullptr);
    Bind(dc, {"ID", "MID", "TXT"});
    dc->SetKeyFieldNames("ID");
    dc->SetDetailKeyFieldNames("MID");
    dc->SetMasterKeyFieldNames("ID");
    if (Pattern) dc->SetDataModeController(Pattern->DataModeController());
    if (Pattern) dc->SetOptions(Pattern->GetOptions());
    dc->SetDataSource(Sources[DetailSet]);
    dc->SetMasterRelation(ARelation, ARecord);
    return dc;
  }

  // The master over M and its detail level over the detail dataset (SQL mode when asked).
  void Build(const String& detailSelect = "SELECT ID, MID, TXT FROM D ORDER BY MID, ID",
             const std::function<void(TcxDBDataModeController*)>& ADetailMode = nullptr) {
    MasterSet = NewDataSet("SELECT ID, NAME FROM M ORDER BY ID", "M");
    DetailSet = NewDataSet(detailSelect, "D");
    MasterSet->Open();
    Master = New<TMasterController>(nullptr);
    Bind(Master, {"ID", "NAME"});
    Master->SetKeyFieldNames("ID");
    Master->SetDataSource(Sources[MasterSet]);
    Master->MakeClone = [this](TcxCustomDataRelation* r, int32_t record) { return Detail(r, record); };
    Relation = Master->GetRelations()->Add(&Level);
    Pattern = Detail(nullptr, -1);
    if (ADetailMode) ADetailMode(Pattern->DataModeController());
    Pattern->SetMasterRelation(Relation, -1);
    if (!DetailSet->Active()) DetailSet->Open();
  }

  TcxDBDataController* Clone(int32_t AMasterRecord) {
    return static_cast<TcxDBDataController*>(Master->GetDetailDataController(AMasterRecord, 0));
  }
  static std::vector<int> Ids(TcxDBDataController* dc) {
    std::vector<int> ids;
    for (int32_t row = 0; row < dc->GetRowCount(); ++row) ids.push_back(dc->GetValue(dc->GetRowInfo(row).RecordIndex, 0).AsInteger());
    return ids;
  }
  static int FocusedId(TcxDBDataController* dc) {
    const int32_t record = dc->GetFocusedRecordIndex();
    return record < 0 ? -1 : dc->GetValue(record, 0).AsInteger();
  }
  static int Id(TDataSet* ds) { return ds->FieldByName("ID")->AsInteger(); }

  std::map<TDataSet*, TDataSource*> Sources;
  std::vector<std::unique_ptr<TObject>> Items;
  TObject Level;
  TpZAZDataSet* MasterSet = nullptr;
  TpZAZDataSet* DetailSet = nullptr;
  TMasterController* Master = nullptr;
  TcxDBDataController* Pattern = nullptr;
  TcxCustomDataRelation* Relation = nullptr;
};

TEST_F(DBMasterDetail, ClonesReadTheirMastersRowsAndChildrenAreAskedOfTheDetailDataSet) {
  Build();
  EXPECT_EQ(Pattern->GetRecordCount(), 0);
  const std::vector<std::vector<int>> rows = {{11, 12, 13}, {21, 22}, {}, {41}};
  // Before any clone exists the detail dataset is asked; the cursor stays where it was.
  const int cursor = Id(DetailSet);
  for (int32_t r = 0; r < 4; ++r) EXPECT_EQ(Master->GetDetailHasChildren(r, 0), !rows[static_cast<size_t>(r)].empty()) << r;
  EXPECT_EQ(Master->Clones, 0);
  EXPECT_EQ(Id(DetailSet), cursor);
  for (int32_t r = 0; r < 4; ++r) EXPECT_EQ(Ids(Clone(r)), rows[static_cast<size_t>(r)]) << r;
  EXPECT_EQ(Master->Clones, 4);

  // A handler answers instead of the dataset, told the detail's key names and the master's key.
  std::vector<String> asked;
  Master->OnDetailHasChildren = [&](TcxDBDataController* sender, int32_t record, int32_t relation, const String& names,
                                    const Variant& keys, bool& has) {
    EXPECT_EQ(sender, Master);
    EXPECT_EQ(relation, 0);
    EXPECT_TRUE(has);
    asked.push_back(names + "=" + VarToStr(keys));
    has = record == 2;
  };
  Master->ClearDetailLinkObjects();
  EXPECT_TRUE(Master->GetDetailHasChildren(2, 0));
  EXPECT_FALSE(Master->GetDetailHasChildren(0, 0));
  EXPECT_EQ(asked, (std::vector<String>{"MID=3", "MID=1"}));
}

TEST_F(DBMasterDetail, ANewDetailRowTakesItsMastersKey) {
  Build();
  TcxDBDataController* second = Clone(1);  // master 2
  ASSERT_EQ(Ids(second), (std::vector<int>{21, 22}));
  second->Append();
  ASSERT_EQ(DetailSet->State(), dsInsert);
  EXPECT_EQ(DetailSet->FieldByName("MID")->AsInteger(), 2);
  ASSERT_TRUE(second->SetEditValue(0, 23, evsValue));
  ASSERT_TRUE(second->SetEditValue(2, Variant("new"), evsValue));
  second->Post();
  EXPECT_EQ(Value("SELECT MID FROM D WHERE ID = 23").AsInteger(), 2);
  // Read again in key order, the new row is among its master's.
  Master->ClearDetailLinkObjects();
  DetailSet->Close();
  DetailSet->Open();
  EXPECT_EQ(Ids(Clone(1)), (std::vector<int>{21, 22, 23}));

  // Without the option the key is left to the code that inserts.
  TcxDBDataController* fourth = Clone(3);
  ASSERT_EQ(Ids(fourth), std::vector<int>{41});
  fourth->SetOptions(fourth->GetOptions() - TcxDataControllerOptions{dcoAssignMasterDetailKeys});
  fourth->Append();
  EXPECT_TRUE(DetailSet->FieldByName("MID")->IsNull());
  fourth->Cancel();
  EXPECT_EQ(DetailSet->State(), dsBrowse);
}

TEST_F(DBMasterDetail, OneCloneAtATimeOwnsTheSharedDetailDataSet) {
  Build();
  TcxDBDataController* first = Clone(0);
  TcxDBDataController* second = Clone(1);
  std::vector<String> currents;
  struct Step {
    TcxDBDataController* focus;
    int32_t row;
    int cursor;
    int firstFocus, secondFocus;
  };
  const Step steps[] = {
      {first, 1, 12, 12, -1},
      {second, 0, 21, -1, 21},
      {first, 2, 13, 13, -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.cursor);
    s.focus->ChangeFocusedRowIndex(s.row);
    EXPECT_EQ(Id(DetailSet), s.cursor);
    EXPECT_EQ(FocusedId(first), s.firstFocus);
    EXPECT_EQ(FocusedId(second), s.secondFocus);
    EXPECT_TRUE(s.focus->DBProvider()->DataSetCurrent());
    EXPECT_FALSE((s.focus == first ? second : first)->DBProvider()->DataSetCurrent());
  }
  // Focusing in a detail posts the master's pending edit first.
  Master->ChangeFocusedRowIndex(1);
  ASSERT_TRUE(Master->SetEditValue(1, Variant("edited"), evsValue));
  ASSERT_EQ(MasterSet->State(), dsEdit);
  first->ChangeFocusedRowIndex(0);
  EXPECT_EQ(MasterSet->State(), dsBrowse);
  EXPECT_EQ(VarToStr(Value("SELECT NAME FROM M WHERE ID = 2")), "edited");
}

TEST_F(DBMasterDetail, AMovedDetailDataSetTakesTheMasterAlong) {
  Build();
  ASSERT_EQ(FocusedId(Master), 1);
  struct Step {
    int detailId;
    int masterId;
    int32_t masterRecord;
  };
  for (const Step& s : {Step{41, 4, 3}, Step{22, 2, 1}, Step{11, 1, 0}}) {
    SCOPED_TRACE(s.detailId);
    ASSERT_TRUE(DetailSet->Locate("ID", s.detailId, TLocateOptions()));
    EXPECT_EQ(Id(MasterSet), s.masterId);
    EXPECT_EQ(FocusedId(Master), s.masterId);
    EXPECT_TRUE(Master->GetDetailExpanding(s.masterRecord));
    TcxDBDataController* clone = Clone(s.masterRecord);
    EXPECT_EQ(FocusedId(clone), s.detailId);
    EXPECT_EQ(Id(DetailSet), s.detailId);
  }
}

TEST_F(DBMasterDetail, InSqlModeEachCloneReQueriesTheDetailDataSetWithItsMastersKey) {
  int requeries = 0;
  Build("SELECT ID, MID, TXT FROM D WHERE MID = :MID ORDER BY ID", [&](TcxDBDataModeController* mode) {
    mode->SetDetailInSQLMode(true);
    mode->OnDetailIsCurrentQuery = [](TcxDBDataModeController*, TDataSet* ds, const String& names, const Variant& keys,
                                      bool& current) {
      auto* zaz = static_cast<TpZAZDataSet*>(ds);
      current = ds->Active() && VariantValuesEqual(zaz->ParamValue(names), keys);
    };
    mode->OnDetailFirst = [&requeries](TcxDBDataModeController*, TDataSet* ds, const String& names, const Variant& keys,
                                       bool& reopened) {
      auto* zaz = static_cast<TpZAZDataSet*>(ds);
      if (ds->Active() && VariantValuesEqual(zaz->ParamValue(names), keys)) {
        ds->First();
        return;
      }
      int32_t index = -1;
      ASSERT_TRUE(zaz->ParamExist(names, index));
      ds->Close();
      zaz->SetParamValue(index, keys);
      ds->Open();
      reopened = true;
      ++requeries;
    };
  });
  TcxDBDataController* first = Clone(0);
  TcxDBDataController* second = Clone(1);
  EXPECT_EQ(Ids(first), (std::vector<int>{11, 12, 13}));
  EXPECT_EQ(Ids(second), (std::vector<int>{21, 22}));
  EXPECT_EQ(requeries, 2);
  // The dataset holds master 2's rows: the first clone waits for its re-query and keeps its rows.
  EXPECT_TRUE(first->DetailRequeryNeeded());
  EXPECT_FALSE(second->DetailRequeryNeeded());

  first->ChangeFocusedRowIndex(1);
  EXPECT_EQ(requeries, 3);
  EXPECT_EQ(DetailSet->ParamValue("MID").AsInteger(), 1);
  EXPECT_EQ(Id(DetailSet), 12);
  EXPECT_EQ(FocusedId(first), 12);
  EXPECT_EQ(FocusedId(second), -1);
  EXPECT_TRUE(second->DetailRequeryNeeded());
  EXPECT_EQ(Ids(second), (std::vector<int>{21, 22}));

  // The detail's own check re-queries only when another master's rows are in the dataset.
  first->CheckDetailSync();
  EXPECT_EQ(requeries, 3);
  second->CheckDetailSync();
  EXPECT_EQ(requeries, 4);
  EXPECT_EQ(Id(DetailSet), 21);
  EXPECT_TRUE(second->DBProvider()->DataSetCurrent());
  EXPECT_FALSE(first->DBProvider()->DataSetCurrent());
  EXPECT_EQ(Ids(first), (std::vector<int>{11, 12, 13}));
  // A SQL-mode detail is not searched for children: they are assumed.
  EXPECT_TRUE(Master->GetDetailHasChildren(2, 0));
}

TEST_F(DBMasterDetail, InGridModeExpandingFocusesTheMasterRecordFirst) {
  Build();
  Master->DataModeController()->SetGridModeBufferCount(3);
  Master->DataModeController()->SetGridMode(true);
  ASSERT_TRUE(Master->IsGridMode());
  ASSERT_EQ(Master->GetFocusedRecordIndex(), 0);
  EXPECT_TRUE(Master->ChangeDetailExpanding(2, true));
  EXPECT_EQ(Master->GetFocusedRecordIndex(), 2);
  EXPECT_EQ(Id(MasterSet), 3);
  EXPECT_TRUE(Master->GetDetailExpanding(2));
}

TEST_F(DBMasterDetail, OpenDetailsFollowTheirMasterKeysThroughAReopenedDataSet) {
  Build();
  Master->ChangeDetailExpanding(0, true);  // ID 1
  Master->ChangeDetailExpanding(3, true);  // ID 4
  ASSERT_NE(Clone(3), nullptr);
  // The master's rows come back in the other order: the details open on the records of the same keys.
  Master->BeginFullUpdate();
  MasterSet->Close();
  MasterSet->SelectSQL()->SetText("SELECT ID, NAME FROM M ORDER BY ID DESC");
  MasterSet->Open();
  Master->EndFullUpdate();
  std::vector<int> open;
  for (int32_t r = 0; r < Master->GetRecordCount(); ++r)
    if (Master->GetDetailExpanding(r)) open.push_back(Master->GetValue(r, 0).AsInteger());
  EXPECT_EQ(open, (std::vector<int>{4, 1}));
}

TEST_F(DBMasterDetail, InSyncModeTheViewMayHaveTheFocusedRecordsDetailsFocused) {
  Build();
  for (const bool focusDetails : {false, true}) {
    Master->FocusDetails = focusDetails;
    Master->ChangeFocusedRowIndex(0);
    TcxDBDataController* clone = Clone(1);
    ASSERT_NE(clone, nullptr);
    clone->ChangeFocusedRowIndex(-1);
    ASSERT_EQ(clone->GetFocusedRowIndex(), -1);
    Master->ChangeFocusedRowIndex(1);
    EXPECT_EQ(clone->GetFocusedRowIndex(), focusDetails ? 0 : -1) << focusDetails;
  }
}

}  // namespace
