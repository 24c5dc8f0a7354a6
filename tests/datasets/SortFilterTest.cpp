// Local sorting of the cached rows, the sort information taken from ORDER BY, a posted row kept in
// order, and the local filter (filter text and OnFilterRecord), against an embedded database.
#include <gtest/gtest.h>
#include <algorithm>

#include "DataSetServicesSupport.h"
#include "db/DBCommon.h"

namespace {

class SortFilterTest : public dss::ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    TR->StartTransaction();
    Exec("CREATE TABLE S (ID INTEGER NOT NULL PRIMARY KEY, GRP INTEGER, NAME VARCHAR(20))");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO S VALUES (1, 2, 'b')");
    Exec("INSERT INTO S VALUES (2, NULL, 'x')");
    Exec("INSERT INTO S VALUES (3, 1, 'a')");
    Exec("INSERT INTO S VALUES (4, 2, 'c')");
    Exec("INSERT INTO S VALUES (5, 1, 'd')");
    Exec("INSERT INTO S VALUES (6, NULL, 'y')");
  }

  TFIBDataSet* Open(const String& select = "SELECT ID, GRP, NAME FROM S ORDER BY ID") {
    auto* ds = NewDataSet<TFIBDataSet>(select);
    ds->UpdateSQL()->SetText("UPDATE S SET GRP = ?GRP, NAME = ?NAME WHERE ID = ?OLD_ID");
    ds->InsertSQL()->SetText("INSERT INTO S (ID, GRP, NAME) VALUES (?ID, ?GRP, ?NAME)");
    ds->DeleteSQL()->SetText("DELETE FROM S WHERE ID = ?OLD_ID");
    ds->RefreshSQL()->SetText("SELECT ID, GRP, NAME FROM S WHERE ID = ?OLD_ID");
    ds->Open();
    return ds;
  }

  static std::vector<int32_t> Ids(TDataSet* ds) {
    std::vector<int32_t> ids;
    for (ds->First(); !ds->Eof(); ds->Next()) ids.push_back(ds->FieldByName("ID")->AsInteger());
    return ids;
  }
};

TEST_F(SortFilterTest, SortsByTwoFieldsWithNullsAndADescendingOne) {
  TFIBDataSet* ds = Open();
  ds->Locate("ID", Variant(4), {});
  ds->DoSort({"GRP", "NAME"}, {true, false});
  // Null sorts below every value: first ascending, last descending.
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{6, 2, 5, 3, 4, 1}));
  EXPECT_TRUE(ds->LocalSortActive());
  EXPECT_EQ(ds->OrderFieldNames(), "GRP;NAME");
  TSortFieldInfo info;
  ASSERT_TRUE(ds->GetSortInfoOfField(ds->FieldByName("NAME"), info));
  EXPECT_EQ(info.OrderPosition, 2);
  EXPECT_FALSE(info.Ascending);

  ds->Locate("ID", Variant(3), {});
  ds->DoSort({ds->FieldByName("GRP"), 2}, {false, true});
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);  // the current record stays current
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 4, 3, 5, 2, 6}));

  // The local order serves the sorted search.
  ASSERT_TRUE(ds->LocateExt("GRP;NAME", VarArrayOf({Variant(1), Variant("d")}), {LocateInSortOrder}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
}

TEST_F(SortFilterTest, AnInvalidSortFieldLeavesTheOrder) {
  TFIBDataSet* ds = Open();
  try {
    ds->DoSort({"NOPE"}, {true});
    FAIL() << "sorted by a missing field";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can't sort. Invalid parameter: Fields[0]");
  }
  EXPECT_FALSE(ds->HasOrderInfo());
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(ds->ControlsDisabled());
}

TEST_F(SortFilterTest, OrderInformationComesFromTheSelect) {
  TFIBDataSet* ds = Open("SELECT S.ID, S.NAME AS TITLE FROM S ORDER BY S.NAME DESC, 1");
  ASSERT_EQ(ds->OrderFieldCount(), 2);
  TSortFieldInfo info;
  ds->GetSortFieldInfo(1, info);
  EXPECT_EQ(info.SortField, "TITLE");
  EXPECT_FALSE(info.Ascending);
  ds->GetSortFieldInfo(2, info);
  EXPECT_EQ(info.SortField, "ID");
  EXPECT_EQ(info.FieldIndex, 0);
  ds->GetSortFieldInfo(3, info);
  EXPECT_EQ(info.SortField, "Unknown");
  ds->GetSortFieldInfo(0, info);
  EXPECT_EQ(info.SortField, "Unknown");
  EXPECT_EQ(info.FieldIndex, -1);
  EXPECT_EQ(info.OrderPosition, -1);

  // Nulls placed as the server places them: a sorted search steps over them the right way.
  TFIBDataSet* byGroup = Open("SELECT ID, GRP, NAME FROM S ORDER BY GRP, NAME");
  ASSERT_TRUE(byGroup->GetSortInfoOfField(byGroup->FieldByName("GRP"), info));
  EXPECT_TRUE(info.NullsFirst);
  byGroup->FetchAll();
  ASSERT_TRUE(byGroup->LocateExt("GRP;NAME", VarArrayOf({Variant(1), Variant("d")}), {LocateInSortOrder}));
  EXPECT_EQ(byGroup->FieldByName("ID")->AsInteger(), 5);
  ASSERT_TRUE(byGroup->LocateExt("GRP;NAME", VarArrayOf({Variant::Null(), Variant("y")}), {LocateInSortOrder}));
  EXPECT_EQ(byGroup->FieldByName("ID")->AsInteger(), 6);

  // Without psGetOrderInfo there is none.
  auto* other = NewDataSet<TFIBDataSet>("SELECT ID FROM S ORDER BY ID");
  TpPrepareOptions po = other->PrepareOptions();
  po.Exclude(psGetOrderInfo);
  other->SetPrepareOptions(po);
  other->Open();
  EXPECT_FALSE(other->HasOrderInfo());
}

TEST_F(SortFilterTest, APostedRowMovesToItsPlaceWithKeepSorting) {
  TFIBDataSet* ds = Open("SELECT ID, GRP, NAME FROM S ORDER BY NAME");
  TpZAZDsOptions o = ds->Options();
  o.Include(poKeepSorting);
  ds->SetOptions(o);
  ds->FetchAll();
  ASSERT_TRUE(ds->Locate("ID", Variant(3), {}));  // 'a', the first
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("c2");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(ds->RecNo(), 3);  // b, c, c2, d, x, y
  EXPECT_EQ(ds->RepositionRecNo(), -1);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 4, 3, 5, 2, 6}));

  ds->Locate("ID", Variant(5), {});  // 'd' to the end
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("zz");
  ds->Post();
  EXPECT_EQ(ds->RecNo(), 6);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 4, 3, 2, 6, 5}));

  // An inserted row takes its place too.
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(7);
  ds->FieldByName("NAME")->SetAsString("bb");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 7, 4, 3, 2, 6, 5}));
}

TEST_F(SortFilterTest, FilterTextSelectsRows) {
  struct Case {
    const char* Text;
    TFilterOptions Options;
    std::vector<int32_t> Ids;
  };
  const Case cases[] = {
      {"GRP = 1", {}, {3, 5}},
      {"NAME LIKE 'x%' OR GRP IS NULL", {}, {2, 6}},
      {"NAME = 'X'", {foCaseInsensitive}, {2}},
      {"ID IN (1, 4, 6)", {}, {1, 4, 6}},
      {"UPPER(NAME) = 'C' AND NOT (ID > 4)", {}, {4}},
      {"GRP <> 2", {}, {2, 3, 5, 6}},
      {" \t ", {}, {1, 2, 3, 4, 5, 6}},
  };
  TFIBDataSet* ds = Open();
  ds->SetFiltered(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    ds->SetFilterOptions(c.Options);
    ds->SetFilter(c.Text);
    EXPECT_EQ(Ids(ds), c.Ids);
    EXPECT_EQ(ds->RecordCount(), static_cast<int32_t>(c.Ids.size()));
  }
  EXPECT_EQ(ds->FilterParser(), nullptr);  // the blank text makes none
  ds->SetFilter("GRP = 2");
  EXPECT_EQ(ds->FilteredRecords(), (std::vector<int32_t>{1, 4}));
  EXPECT_FALSE(ds->Locate("ID", Variant(3), {}));  // hidden rows are not found
  EXPECT_TRUE(ds->Locate("ID", Variant(4), {}));
  EXPECT_EQ(ds->RecNo(), 2);
  ds->SetFiltered(false);
  EXPECT_EQ(ds->RecordCount(), 6);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);

  EXPECT_THROW(ds->SetFilter("NOPE = 1"), EDatabaseError);
}

TEST_F(SortFilterTest, OnFilterRecordAndTheTextBothDecide) {
  TFIBDataSet* ds = Open();
  ds->SetOnFilterRecord(TFilterRecordEvent([](TDataSet* d, bool& accept) {
    accept = d->FieldByName("ID")->AsInteger() % 2 == 0;
  }));
  ds->SetFiltered(true);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{2, 4, 6}));
  ds->SetFilter("GRP IS NOT NULL");
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{4}));
  EXPECT_EQ(ds->RecordCount(), 1);
}

TEST_F(SortFilterTest, AFilterAppliesAtOpenAndWithCachedUpdates) {
  auto* ds = NewDataSet<TFIBDataSet>("SELECT ID, GRP, NAME FROM S ORDER BY ID");
  ds->DeleteSQL()->SetText("DELETE FROM S WHERE ID = ?OLD_ID");
  ds->SetCachedUpdates(true);
  ds->SetFilter("GRP = 1 OR GRP = 2");
  ds->SetFiltered(true);
  ds->Open();
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 3, 4, 5}));
  ds->Locate("ID", Variant(3), {});
  ds->Delete();
  // The deleted row is hidden by its cached state, the others by the filter.
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 4, 5}));
  EXPECT_EQ(ds->RecordCount(), 3);
  // Counting the rows of the shown states leaves the filter out of the hidden count.
  ds->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted});
  ds->SetFiltered(false);
  EXPECT_EQ(ds->RecordCount(), 5);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 2, 4, 5, 6}));
}

TEST_F(SortFilterTest, CalculatedFieldsSortFilterAndLocate) {
  auto* ds = NewDataSet<TFIBDataSet>("SELECT ID, GRP, NAME FROM S ORDER BY ID");
  for (const char* name : {"ID", "GRP"}) {
    auto* f = New<TFIBIntegerField>(ds);
    f->SetFieldName(name);
    f->SetDataSet(ds);
  }
  auto* name = New<TFIBStringField>(ds);
  name->SetFieldName("NAME");
  name->SetSize(20);
  name->SetDataSet(ds);
  auto* rev = New<TIntegerField>(ds);
  rev->SetFieldName("REV");
  rev->SetFieldKind(fkCalculated);
  rev->SetDataSet(ds);
  ds->OnCalcFields = [](TDataSet* d) { d->FieldByName("REV")->SetAsInteger(10 - d->FieldByName("ID")->AsInteger()); };
  ds->Open();
  ds->DoSort({"REV"}, {true});
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{6, 5, 4, 3, 2, 1}));
  ASSERT_TRUE(ds->Locate("REV", Variant(7), {}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  ds->SetFilter("REV > 7");
  ds->SetFiltered(true);
  EXPECT_EQ(rev->FieldKind(), fkCalculated);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{2, 1}));
  // A rejected text keeps the previous parser and gives the calculated field its kind back.
  EXPECT_THROW(ds->SetFilter("REV >"), EDatabaseError);
  EXPECT_EQ(rev->FieldKind(), fkCalculated);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{2, 1}));
}

TEST_F(SortFilterTest, PersistentSortingSurvivesAReopen) {
  TFIBDataSet* ds = Open();
  ds->DoSort({"NAME"}, {false});
  ds->Close();
  ds->Open();
  EXPECT_FALSE(ds->LocalSortActive());  // without poPersistentSorting the select's order is back
  EXPECT_EQ(ds->OrderFieldNames(), "ID");
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));

  TpZAZDsOptions o = ds->Options();
  o.Include(poPersistentSorting);
  ds->SetOptions(o);
  ds->DoSort({"NAME"}, {false});
  ds->Close();
  ds->Open();
  EXPECT_TRUE(ds->LocalSortActive());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 6);
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{6, 2, 5, 4, 1, 3}));
}

TEST_F(SortFilterTest, SortingOneRowOnlyDescribesTheOrder) {
  TFIBDataSet* ds = Open("SELECT ID, GRP, NAME FROM S WHERE ID = 4");
  EXPECT_FALSE(ds->HasOrderInfo());
  ds->DoSort({0}, {false});
  EXPECT_TRUE(ds->LocalSortActive());
  EXPECT_EQ(ds->OrderFieldNames(), "ID");
  EXPECT_EQ(Ids(ds), (std::vector<int32_t>{4}));
}

TEST_F(SortFilterTest, APostedRowWithAnEqualKeyStaysNearItsTwin) {
  TFIBDataSet* ds = Open("SELECT ID, GRP, NAME FROM S ORDER BY GRP");
  TpZAZDsOptions o = ds->Options();
  o.Include(poKeepSorting);
  ds->SetOptions(o);
  ds->FetchAll();
  ASSERT_TRUE(ds->Locate("ID", Variant(3), {}));
  ds->Edit();
  ds->FieldByName("GRP")->SetAsInteger(2);
  ds->Post();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  // Every row is still in GRP order, nulls first as the server sent them.
  std::vector<int32_t> groups;
  for (ds->First(); !ds->Eof(); ds->Next())
    groups.push_back(ds->FieldByName("GRP")->IsNull() ? 0 : ds->FieldByName("GRP")->AsInteger());
  EXPECT_TRUE(std::is_sorted(groups.begin(), groups.end()));
}

TEST_F(SortFilterTest, FilterFunctions) {
  struct Case {
    const char* Text;
    std::vector<int32_t> Ids;
  };
  const Case cases[] = {
      {"YEAR(DAY_) = 2026 AND MONTH(DAY_) = 5 AND DAY(DAY_) = 4", {1, 2, 3, 4, 5}},
      {"SUBSTRING(NAME, 4, 1) = '3'", {3}},
      {"SUBSTRING(NAME, '4,1') = '2'", {2}},
      {"TRIM(NOTE) = 'abc' AND ID > 3", {4, 5}},
      {"LOWER(UPPER(NAME)) LIKE 'row_'", {1, 2, 3, 4, 5}},
      {"QTY * 2 - 1 >= 7", {4, 5}},
      {"NOT (QTY IN (2, 3))", {1, 4, 5}},
  };
  auto* ds = NewDataSet<TFIBDataSet>("SELECT ID, NAME, QTY, NOTE, DAY_ FROM T ORDER BY ID");
  ds->Open();
  ds->SetFiltered(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    ds->SetFilter(c.Text);
    EXPECT_EQ(Ids(ds), c.Ids);
  }
  try {
    ds->SetFilter("FOO(NAME) = 1");
    Ids(ds);
    FAIL() << "an unknown function was accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("FOO"), String::npos) << e.Message();
  }
}

}  // namespace
