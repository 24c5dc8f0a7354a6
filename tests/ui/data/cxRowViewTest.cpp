#include <gtest/gtest.h>

#include "DataControllerSupport.h"

namespace {

// Two grouping levels over four records: A/x holds records 0 and 3, A/y record 1, B/x record 2.
class Grouped : public RecordingController {
protected:
  void SetUp() override {
    AddItems({TcxStringValueType::StaticClass(), TcxStringValueType::StaticClass(), TcxIntegerValueType::StaticClass()});
    Fill({{"A", "x", 1}, {"A", "y", 2}, {"B", "x", 3}, {"A", "x", 4}});
    DC->Groups()->ChangeGrouping(0, 0);
    DC->Groups()->ChangeGrouping(1, 1);
    Log.clear();
  }

  struct Row {
    int32_t Level;
    bool Expanded;
    int32_t Record;
    bool operator==(const Row&) const = default;
  };

  std::vector<Row> Rows() const {
    std::vector<Row> rows;
    for (int32_t i = 0; i < DC->GetRowCount(); ++i) {
      const TcxRowInfo info = DC->GetRowInfo(i);
      rows.push_back({info.Level, info.Expanded, info.RecordIndex});
    }
    return rows;
  }
};

}  // namespace

TEST_F(Grouped, RowsNumberGroupsDepthFirst) {
  // Collapsed: one row per top group.
  EXPECT_EQ(Rows(), (std::vector<Row>{{0, false, 0}, {0, false, 2}}));
  DC->Groups()->FullExpand();
  EXPECT_EQ(Rows(), (std::vector<Row>{{0, true, 0},
                                      {1, true, 0},
                                      {2, false, 0},
                                      {2, false, 3},
                                      {1, true, 1},
                                      {2, false, 1},
                                      {0, true, 2},
                                      {1, true, 2},
                                      {2, false, 2}}));
  // Collapsing the top group hides its descendants: they share its row, and it counts one row.
  DC->Groups()->ChangeExpanding(0, false, false);
  EXPECT_EQ(Rows(), (std::vector<Row>{{0, false, 0}, {0, true, 2}, {1, true, 2}, {2, false, 2}}));
  TcxDataGroups* groups = DC->DataControllerInfo()->DataGroups();
  EXPECT_EQ(groups->Items(1).RowIndex, 0);
  EXPECT_EQ(groups->Items(2).RowIndex, 0);
  EXPECT_EQ(DC->Groups()->GetGroupChildCount(-1), 2);
  EXPECT_EQ(DC->Groups()->GetGroupChildCount(0), 2);
  EXPECT_EQ(DC->Groups()->GetGroupChildCount(1), 2);
  EXPECT_EQ(DC->Groups()->GetChildRecordIndex(1, 1), 3);
  EXPECT_EQ(DC->GetRowIndexByRecordIndex(3, false), -1);
  EXPECT_EQ(DC->GetRowIndexByRecordIndex(3, true), 3);  // expands A and A/x
}

TEST_F(Grouped, CollapseMovesTheFocusToTheGroupRowAndExpandKeepsIt) {
  DC->Groups()->FullExpand();
  DC->ChangeFocusedRecordIndex(3);
  ASSERT_EQ(DC->GetFocusedRowIndex(), 3);
  DC->Groups()->ChangeExpanding(1, false, false);  // A/x
  EXPECT_EQ(DC->GetFocusedRowIndex(), 1);
  EXPECT_EQ(DC->GetRowInfo(1).Level, 1);
  DC->Groups()->ChangeExpanding(1, true, false);
  EXPECT_EQ(DC->GetFocusedRowIndex(), 1);
  DC->Groups()->ChangeExpanding(0, false, true);  // A and everything under it
  EXPECT_EQ(DC->GetFocusedRowIndex(), 0);
  EXPECT_EQ(DC->GetRowCount(), 4);
  DC->Groups()->ChangeExpanding(0, true, false);
  EXPECT_EQ(DC->GetFocusedRowIndex(), 0);
  EXPECT_EQ(DC->GetRowCount(), 6);  // A/x and A/y stayed collapsed
}

TEST_F(Grouped, GroupsAlwaysExpandedIgnoreCollapsing) {
  DC->SetOptions(DC->GetOptions() + dcoGroupsAlwaysExpanded);
  EXPECT_EQ(DC->GetRowCount(), 9);
  DC->Groups()->ChangeExpanding(0, false, true);
  EXPECT_EQ(DC->GetRowCount(), 9);
}

TEST_F(Grouped, SavedExpandingSurvivesADataChange) {
  DC->Groups()->ChangeExpanding(0, true, false);  // A only
  ASSERT_EQ(DC->GetRowCount(), 4);
  DC->SetValue(2, 0, String("C"));  // B becomes C: regrouped, A stays expanded
  EXPECT_EQ(DC->GetRowCount(), 4);
  EXPECT_TRUE(DC->GetRowInfo(0).Expanded);
  EXPECT_EQ(VarToStr(DC->GetValue(DC->GetRowInfo(3).RecordIndex, 0)), "C");
}

TEST_F(Grouped, GroupRowsShowTheirGroupingItem) {
  DC->Groups()->FullExpand();
  int32_t item = 2;
  EXPECT_EQ(DC->GetRowDisplayText(DC->GetRowInfo(1), item), "x");
  EXPECT_EQ(item, 1);
  item = 2;
  EXPECT_EQ(DC->GetRowDisplayText(DC->GetRowInfo(3), item), "4");
}

TEST_F(Grouped, NearestRowPrefersASiblingOfTheSameLevel) {
  DC->Groups()->FullExpand();
  struct Case {
    int32_t Row, Nearest;
  };
  for (const Case& c : {Case{2, 3}, Case{3, 2}, Case{0, 1}, Case{8, 7}, Case{5, 6}}) {
    SCOPED_TRACE(c.Row);
    EXPECT_EQ(DC->GetNearestRowIndex(c.Row), c.Nearest);
  }
}

TEST(NearestRow, OnlyRowAndLastRow) {
  FreeingPtr<TcxDataController> dc(New<TcxDataController>(nullptr));
  TObject item;
  dc->AddItem(&item);
  dc->ChangeValueTypeClass(0, TcxStringValueType::StaticClass());
  dc->SetRecordCount(1);
  dc->SetValue(0, 0, String("g"));
  EXPECT_EQ(dc->GetNearestRowIndex(0), -1);
  dc->Groups()->ChangeGrouping(0, 0);
  EXPECT_EQ(dc->GetNearestRowIndex(0), 0);
  dc->Groups()->ClearGrouping();
  dc->SetRecordCount(3);
  EXPECT_EQ(dc->GetNearestRowIndex(2), 1);
  EXPECT_EQ(dc->GetNearestRowIndex(0), 1);
}

// A controller whose owner is still loading until told otherwise.
class LoadingOwnerController : public TcxDataController {
  RTL_CLASS(LoadingOwnerController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  bool Loading = true;
  bool IsLoading() const override { return Loading; }
};

// A controller whose first item identifies its records.
class KeyedController : public TcxDataController {
  RTL_CLASS(KeyedController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  std::vector<TcxCustomDataField*> GetKeyFields() override { return {Fields(0)}; }
};

TEST(KeyRestore, SelectedRecordsAreFoundAgainByKeyAfterAReload) {
  FreeingPtr<KeyedController> dc(New<KeyedController>(nullptr));
  TObject item;
  dc->AddItem(&item);
  dc->ChangeValueTypeClass(0, TcxStringValueType::StaticClass());
  auto load = [&](std::vector<const char*> keys) {
    for (size_t r = 0; r < keys.size(); ++r) dc->SetValue(static_cast<int32_t>(r), 0, String(keys[r]));
  };
  dc->SetRecordCount(4);
  load({"a", "b", "c", "d"});
  dc->ChangeMultiSelect(true);
  dc->ChangeRowSelection(1, true);
  dc->ChangeRowSelection(3, true);
  ASSERT_EQ(dc->GetSelectedCount(), 2);
  dc->BeginFullUpdate();
  load({"d", "x", "c", "a"});  // b is gone, d moved to record 0
  dc->EndFullUpdate();
  ASSERT_EQ(dc->GetSelectedCount(), 1);
  EXPECT_EQ(dc->GetSelectedRowIndex(0), 0);
  EXPECT_EQ(VarToStr(dc->GetValue(dc->GetRowInfo(0).RecordIndex, 0)), "d");
}

TEST_F(Grouped, MultiSelectSendsAnEmptySelectionInfoForASecondRow) {
  DC->Groups()->ClearGrouping();
  DC->ChangeFocusedRowIndex(0);
  DC->ChangeMultiSelect(true);
  Log.clear();
  DC->ChangeRowSelection(2, true);
  EXPECT_EQ(Joined(), "Sel()");
  EXPECT_EQ(DC->GetSelectedCount(), 2);
}

TEST_F(Grouped, DeferredDataChangedWhileTheOwnerLoads) {
  // A fresh controller owned by a component that is loading.
  FreeingPtr<TComponent> owner(New<TComponent>(nullptr));
  FreeingPtr<LoadingOwnerController> dc(New<LoadingOwnerController>(owner.get()));
  TObject item;
  dc->AddItem(&item);
  dc->ChangeValueTypeClass(0, TcxIntegerValueType::StaticClass());
  int calls = 0;
  dc->OnDataChanged = [&](TObject*) { ++calls; };
  dc->SetRecordCount(2);
  dc->SetValue(0, 0, 1);
  EXPECT_EQ(calls, 0);
  dc->Loading = false;
  dc->DoDeferredNotifications();
  EXPECT_EQ(calls, 1);
  dc->DoDeferredNotifications();
  EXPECT_EQ(calls, 1);
}

TEST_F(Grouped, ListenerLinksOutliveTheController) {
  auto* dc = New<TcxDataController>(nullptr);
  TcxDataListenerLink* link = dc->AddListenerLink();
  EXPECT_EQ(link->Ref, dc);
  dc->Free();
  EXPECT_EQ(link->Ref, nullptr);
  TcxCustomDataController::RemoveListenerLink(link);
}

TEST_F(Grouped, StartingAnEditSendsARecordUpdateOnly) {
  DC->Groups()->ClearGrouping();
  DC->ChangeFocusedRowIndex(2);
  Log.clear();
  int listened = 0;
  TNotifyEvent listener = [&](TObject*) { ++listened; };
  DC->AddChangeListener(listener);
  DC->Edit();
  EXPECT_EQ(Joined(), "Record(2)");
  DC->SetValue(0, 2, 7);
  EXPECT_EQ(listened, 1);
  DC->RemoveChangeListener(listener);
  DC->SetValue(0, 2, 8);
  EXPECT_EQ(listened, 1);
}
