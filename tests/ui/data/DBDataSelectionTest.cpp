// Multi-selection in grid mode: the rows are a window of the dataset, so the selection is held as
// bookmarks and survives scrolling; range selections from an anchor and select-all walk the dataset.
// Run over an SQL dataset on the embedded engine and over the in-memory dataset.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "DBDataSupport.h"

namespace {

class DBDataSelection : public dbdata::FirebirdSuite, public ::testing::WithParamInterface<bool> {
protected:
  int RowCount() const override { return 300; }

  void TearDown() override {
    Controllers.clear();
    if (Mem) Mem->Free();
    Mem = nullptr;
    dbdata::FirebirdSuite::TearDown();
  }

  // The same 300 rows, from the server or kept in memory.
  TDataSet* Open() {
    if (!GetParam()) return Noted(OpenDataSet());
    Mem = New<TdxMemData>(nullptr);
    for (const char* name : {"ID", "QTY"}) {
      TIntegerField* f = New<TIntegerField>(Mem);
      f->SetFieldName(name);
      f->SetDataSet(Mem);
    }
    TStringField* name = New<TStringField>(Mem);
    name->SetFieldName("NAME");
    name->SetSize(40);
    name->SetDataSet(Mem);
    Mem->Open();
    for (int i = 1; i <= RowCount(); ++i) {
      Mem->Append();
      Mem->FieldByName("ID")->SetAsInteger(i);
      Mem->FieldByName("NAME")->SetAsString("name" + std::to_string(i));
      Mem->FieldByName("QTY")->SetAsInteger(i * 10);
      Mem->Post();
    }
    Source->SetDataSet(Mem);
    return Noted(Mem);
  }

  dbdata::BoundController& GridController(int32_t ABufferCount) {
    dbdata::BoundController& c = NewController();
    c.DC->DataModeController()->SetGridModeBufferCount(ABufferCount);
    c.DC->DataModeController()->SetGridMode(true);
    c.DC->ChangeMultiSelect(true);
    return c;
  }

  // The IDs of the selected records, in selection order, by their bookmarks (moving the dataset to each
  // would move the window too).
  std::vector<int> SelectedIds(TcxDBDataController* dc, TDataSet*) {
    std::vector<int> ids;
    for (int32_t i = 0; i < dc->GetSelectedCount(); ++i) {
      auto it = IdOf.find(dc->GetSelectedBookmark(i));
      ids.push_back(it == IdOf.end() ? -1 : it->second);
    }
    return ids;
  }
  // Notes the bookmark of every record before a controller follows the dataset.
  TDataSet* Noted(TDataSet* ds) {
    for (ds->First(); !ds->Eof(); ds->Next()) IdOf[ds->Bookmark()] = Id(ds);
    ds->First();
    return ds;
  }
  static std::vector<int> Range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i) r.push_back(i);
    return r;
  }
  // The IDs of the window's rows that show as selected.
  static std::vector<String> SelectedRows(dbdata::BoundController& c) {
    std::vector<String> ids;
    for (int32_t row = 0; row < c.DC->GetRowCount(); ++row)
      if (c.DC->IsRowSelected(row)) ids.push_back(VarToStr(c.DC->GetValue(c.DC->GetRowInfo(row).RecordIndex, 0)));
    return ids;
  }
  static int Id(TDataSet* ds) { return ds->FieldByName("ID")->AsInteger(); }

  TdxMemData* Mem = nullptr;
  std::map<TBookmarkStr, int> IdOf;
};

INSTANTIATE_TEST_SUITE_P(DataSets, DBDataSelection, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Mem" : "Sql"; });

TEST_P(DBDataSelection, SelectedRecordsSurviveScrolling) {
  TDataSet* ds = Open();
  dbdata::BoundController& c = GridController(10);
  // Rows 2 and 7 of the first window (records 3 and 8), then record 25 after a scroll.
  c.DC->ChangeRowSelection(2, true);
  c.DC->ChangeRowSelection(7, true);
  c.DC->Provider()->Scroll(15);  // window 16..25
  ASSERT_EQ(Id(ds), 25);
  EXPECT_EQ(SelectedRows(c), std::vector<String>{});
  c.DC->ChangeRowSelection(9, true);
  // Selected are the focused row (record 1, from switching multi-selection on) and the three above.
  EXPECT_EQ(SelectedIds(c.DC, ds), (std::vector<int>{1, 3, 8, 25}));
  EXPECT_EQ(c.DC->GetSelectedRowIndex(0), -1);  // outside the window
  EXPECT_EQ(c.DC->GetSelectedRowIndex(3), 9);
  EXPECT_EQ(SelectedRows(c), std::vector<String>{"25"});
  c.DC->Provider()->Scroll(-100);  // back to the first window
  EXPECT_EQ(SelectedRows(c), (std::vector<String>{"1", "3", "8"}));
  EXPECT_EQ(c.DC->GetSelectedRowIndex(1), 2);
  EXPECT_EQ(c.DC->GetSelectedRowIndex(3), -1);
  EXPECT_EQ(c.DC->GetSelectedRecordKey(2), Variant(c.DC->GetSelectedBookmark(1)));
  // Unselecting a row drops its bookmark only.
  c.DC->ChangeRowSelection(2, false);
  EXPECT_EQ(SelectedIds(c.DC, ds), (std::vector<int>{1, 8, 25}));
  // Leaving grid mode ends a selection that means nothing to the loaded rows.
  c.DC->DataModeController()->SetGridMode(false);
  EXPECT_EQ(c.DC->GetSelectedCount(), 0);
}

TEST_P(DBDataSelection, SelectFromAnchorCoversTheRangeInDataSetOrder) {
  TDataSet* ds = Open();
  dbdata::BoundController& c = GridController(10);
  c.DC->Provider()->Scroll(5);  // window 6..15, cursor on 15
  c.DC->SetSelectionAnchor(4);  // record 10
  EXPECT_EQ(c.DC->GetSelectionAnchorRowIndex(), -1);
  EXPECT_TRUE(c.DC->IsSelectionAnchorSet());
  EXPECT_EQ(IdOf[c.DC->GetSelectionAnchorBookmark()], 10);

  struct Step {
    const char* what;
    int scroll;  // moves the window before selecting (0: none)
    int row;
    bool keep;
    std::vector<int> ids;
  };
  const Step steps[] = {
      {"forward to 13", 0, 7, false, Range(10, 13)},
      {"one further", 0, 8, false, Range(10, 14)},
      {"one back", 0, 7, false, Range(10, 13)},
      {"the anchor alone", 0, 4, false, {10}},
      {"backward to 7", 0, 1, false, Range(7, 10)},
      {"one further back", 0, 0, false, Range(6, 10)},
      {"one back again", 0, 1, false, Range(7, 10)},
      {"across the window to 40", 25, 9, false, Range(10, 40)},  // window 31..40
      {"back to 35", 0, 4, false, Range(10, 35)},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.scroll) c.DC->Provider()->Scroll(s.scroll);
    const int cursor = Id(ds);
    c.DC->SelectFromAnchor(s.row, s.keep);
    EXPECT_EQ(SelectedIds(c.DC, ds), s.ids);
    EXPECT_EQ(Id(ds), cursor);  // the walk puts the cursor back
  }
  // Growing the range by one record looks at the neighbour of the new end only; jumping walks the range.
  int scrolls = 0;
  ds->AfterScroll = [&scrolls](TDataSet*) { ++scrolls; };
  c.DC->SelectFromAnchor(5, false);  // 36
  EXPECT_EQ(SelectedIds(c.DC, ds), Range(10, 36));
  EXPECT_LT(scrolls, 8);
  scrolls = 0;
  c.DC->SelectFromAnchor(7, false);  // 38
  EXPECT_EQ(SelectedIds(c.DC, ds), Range(10, 38));
  EXPECT_GT(scrolls, 28);
  ds->AfterScroll = TDataSetNotifyEvent();
  // Keeping the selection adds a second range to the first one, in dataset order.
  c.DC->Provider()->Scroll(-100);  // window 1..10
  c.DC->SetSelectionAnchor(0);
  c.DC->SelectFromAnchor(2, true);
  std::vector<int> both = Range(1, 3);
  for (int id : Range(10, 38)) both.push_back(id);
  EXPECT_EQ(SelectedIds(c.DC, ds), both);
  EXPECT_THROW(c.DC->SetSelectionAnchor(10), EcxInvalidDataControllerOperation);
}

TEST_P(DBDataSelection, SelectAllForEachRowAndDeleteTheSelection) {
  TDataSet* ds = Open();
  dbdata::BoundController& c = GridController(10);
  c.DC->Provider()->Scroll(30);  // window 31..40, cursor on 40
  c.DC->SelectAll();
  EXPECT_EQ(c.DC->GetSelectedCount(), 300);
  EXPECT_EQ(Id(ds), 40);
  EXPECT_EQ(SelectedRows(c).size(), 10u);

  c.DC->ClearSelection();
  for (int32_t row : {1, 4, 8}) c.DC->ChangeRowSelection(row, true);  // records 32, 35, 39
  std::vector<int> visited;
  c.DC->ForEachRow(true, [&](int32_t row, const TcxRowInfo& info) {
    EXPECT_EQ(row, c.DC->GetFocusedRowIndex());
    visited.push_back(c.DC->GetValue(info.RecordIndex, 0).AsInteger());
  });
  EXPECT_EQ(visited, (std::vector<int>{32, 35, 39}));
  EXPECT_TRUE(c.DC->FocusSelectedRow(1));
  EXPECT_EQ(Id(ds), 35);
  EXPECT_EQ(c.FocusedText(0), "35");

  // A selected record deleted elsewhere leaves the selection at the next change of the window.
  ds->SetBookmark(c.DC->GetSelectedBookmark(0));
  ds->Delete();
  EXPECT_EQ(SelectedIds(c.DC, ds), (std::vector<int>{35, 39}));

  c.DC->DeleteSelection();
  EXPECT_EQ(c.DC->GetSelectedCount(), 0);
  EXPECT_EQ(ds->RecordCount(), 297);
  if (!GetParam()) {
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM P WHERE ID IN (32, 35, 39)").AsInteger(), 0);
  }
  std::set<int> left;
  for (ds->First(); !ds->Eof(); ds->Next()) left.insert(Id(ds));
  for (int id : {32, 35, 39}) EXPECT_EQ(left.count(id), 0u);
  EXPECT_EQ(left.size(), 297u);
}

TEST_P(DBDataSelection, OutsideGridModeTheRowsHoldTheSelection) {
  Open();
  dbdata::BoundController& c = NewController();
  c.DC->ChangeMultiSelect(true);
  c.DC->SetSelectionAnchor(3);
  c.DC->SelectFromAnchor(6, false);
  EXPECT_EQ(c.DC->GetSelectedCount(), 4);
  EXPECT_EQ(c.DC->GetSelectionAnchorRowIndex(), 3);
  EXPECT_EQ(c.DC->GetSelectedRecordKey(5), Variant(5));
  EXPECT_THROW(c.DC->GetSelectionAnchorBookmark(), EcxInvalidDataControllerOperation);
  EXPECT_THROW(c.DC->GetSelectedBookmark(0), EcxInvalidDataControllerOperation);
}

}  // namespace
