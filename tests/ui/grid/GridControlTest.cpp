// The grid control's own behaviour: notification receivers (context menu by key and by right button), focus
// reports, drag-opening of levels after the wait, and the unit's shared objects.

#include "GridTestSupport.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/ObjLinks.h"

namespace grid_test {
namespace {

class TReceiver : public IcxGridNotificationReceiver {
public:
  TcxGridNotificationKinds Kinds{gnkContextMenu, gnkFocusedViewChanged};
  std::vector<std::pair<TcxGridNotificationKind, bool>> Heard;  // kind, parameter given
  TcxGridNotificationKinds GetSupportedNotificationKinds() override { return Kinds; }
  void Notify(TcxGridNotificationKind AKind, void* AParam) override { Heard.emplace_back(AKind, AParam != nullptr); }
};

// A controller for which every point of the grid is the tab of its last top level.
class TAnyTabController : public TcxGridController {
  RTL_CLASS(TAnyTabController, TcxGridController)
public:
  using TcxGridController::TcxGridController;
  static TcxGridLevel* Target;
  TcxCustomGridDragOpenInfo* GetDragOpenInfo(TcxCustomGridHitTest*) override {
    return Target ? New<TcxGridDragOpenInfoTab>(Target) : nullptr;
  }
};
TcxGridLevel* TAnyTabController::Target = nullptr;

class TDragOpenGrid : public TcxGrid {
  RTL_CLASS(TDragOpenGrid, TcxGrid)
public:
  using TcxGrid::TcxGrid;
  TClass GetControllerClass() override { return TAnyTabController::StaticClass(); }
};

class GridControlTest : public GridTest {};

TEST_F(GridControlTest, TheContextMenuIsAnnouncedByKeyFromTheSiteAndByRightButtonFromTheGrid) {
  TcxGrid* grid = MakeGrid(300, 200);
  grid->RootLevelOptions()->SetDetailFrameWidth(10);
  TTestView* view = MakeView(grid);
  AddLevel(grid, view);
  TReceiver receiver;
  grid->AddNotificationReceiver(&receiver);
  view->Site()->SetFocus();
  Idle();
  headless::KeyPress(93);
  Idle();
  ASSERT_EQ(receiver.Heard.size(), 1u);
  EXPECT_EQ(receiver.Heard[0], std::make_pair(gnkContextMenu, true)) << "once, with a marker";
  receiver.Heard.clear();
  MoveTo(grid, 4, 4);  // in the frame, outside the site
  headless::MouseDown(VK_RBUTTON);
  headless::MouseUp(VK_RBUTTON);
  Idle();
  ASSERT_EQ(receiver.Heard.size(), 1u);
  EXPECT_EQ(receiver.Heard[0], std::make_pair(gnkContextMenu, false));
  receiver.Kinds = TcxGridNotificationKinds{gnkFocusedViewChanged};
  receiver.Heard.clear();
  MoveTo(grid, 4, 4);
  headless::MouseDown(VK_RBUTTON);
  headless::MouseUp(VK_RBUTTON);
  Idle();
  EXPECT_TRUE(receiver.Heard.empty()) << "a receiver hears only the kinds it asks for";
  grid->RemoveNotificationReceiver(&receiver);
}

TEST_F(GridControlTest, TheFocusedViewChangeIsAnnouncedOnce) {
  TcxGrid* grid = MakeGrid();
  TTestView* first = MakeView(grid);
  TTestView* second = MakeView(grid);
  TcxGridLevel* a = AddLevel(grid, first);
  AddLevel(grid, second);
  TReceiver receiver;
  grid->AddNotificationReceiver(&receiver);
  std::vector<std::pair<TcxCustomGridView*, TcxCustomGridView*>> changes;
  grid->OnFocusedViewChanged = [&](TcxCustomGrid*, TcxCustomGridView* APrev, TcxCustomGridView* AView) {
    changes.emplace_back(APrev, AView);
  };
  second->SetFocused(true);
  EXPECT_EQ(grid->ActiveLevel(), second->Level()) << "a focused top view's level becomes active";
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].first, first);
  EXPECT_EQ(changes[0].second, second);
  EXPECT_EQ(receiver.Heard.size(), 1u);
  a->SetActive(true);
  EXPECT_EQ(grid->FocusedView(), first);
  grid->RemoveNotificationReceiver(&receiver);
}

TEST_F(GridControlTest, ASiteTakingTheFocusReportsItToTheGrid) {
  TcxGrid* grid = MakeGrid();
  TTestView* view = MakeView(grid);
  AddLevel(grid, view);
  EXPECT_FALSE(grid->ReportedFocus());
  view->Site()->SetFocus();
  Idle();
  EXPECT_TRUE(grid->HasFocus());
  EXPECT_TRUE(grid->ReportedFocus());
  EXPECT_TRUE(view->Site()->TabStop()) << "the focused view's site is the tab stop";
  auto* other = New<TEdit>(Form);
  other->SetParent(Form);
  other->SetBounds(400, 10, 80, 20);
  other->SetFocus();
  Idle();
  EXPECT_FALSE(grid->HasFocus());
  EXPECT_FALSE(grid->ReportedFocus());
}

TEST_F(GridControlTest, DraggingOverATabOpensItsLevelAfterTheWait) {
  auto* grid = New<TDragOpenGrid>(Form);
  grid->SetParent(Form);
  grid->SetBounds(10, 10, 300, 200);
  TTestView* first = MakeView(grid);
  TTestView* second = MakeView(grid);
  TTestView* third = MakeView(grid);
  TcxGridLevel* a = AddLevel(grid, first);
  TcxGridLevel* b = AddLevel(grid, second);
  TcxGridLevel* c = AddLevel(grid, third);
  ASSERT_EQ(grid->ActiveLevel(), a);
  auto* controller = grid->Controller();
  bool accept = false;
  TAnyTabController::Target = b;
  controller->DragOver(nullptr, 5, 5, dsDragMove, accept);
  Advance(500);
  controller->DragOver(nullptr, 6, 6, dsDragMove, accept);  // the same tab: the wait goes on
  Advance(400);
  EXPECT_EQ(grid->ActiveLevel(), b);
  EXPECT_FALSE(controller->DragOpenWaiting());
  TAnyTabController::Target = a;
  controller->DragOver(nullptr, 5, 5, dsDragMove, accept);
  Advance(500);
  TAnyTabController::Target = c;
  controller->DragOver(nullptr, 5, 5, dsDragMove, accept);  // another tab: the wait starts again
  Advance(500);
  EXPECT_EQ(grid->ActiveLevel(), b);
  Advance(400);
  EXPECT_EQ(grid->ActiveLevel(), c);
  TAnyTabController::Target = a;
  controller->DragOver(nullptr, 5, 5, dsDragMove, accept);
  controller->DragOver(nullptr, 5, 5, dsDragLeave, accept);  // leaving stops the wait
  Advance(1000);
  EXPECT_EQ(grid->ActiveLevel(), c);
  grid->SetDragOpening(false);
  controller->DragOver(nullptr, 5, 5, dsDragMove, accept);
  EXPECT_FALSE(controller->DragOpenWaiting());
  TAnyTabController::Target = nullptr;
}

TEST_F(GridControlTest, TheUnitKeepsTheViewKindsAndTheRowSelectionCursor) {
  ASSERT_NE(cxGridRegisteredViews(), nullptr);
  EXPECT_TRUE(cxGridRegisteredViews()->StreamRegistration());
  EXPECT_NE(Screen->Cursors(crcxGridSelectRow), Screen->Cursors(crDefault));
  EXPECT_NE(GetClass("TcxGridLevel"), nullptr);
  EXPECT_NE(GetClass("TcxStyle"), nullptr);
}

TEST_F(GridControlTest, AGridBeingDestroyedFreesQueuedChangesAndFiresNoFocusEvent) {
  TcxGrid* grid = MakeGrid();
  TTestView* view = MakeView(grid);
  AddLevel(grid, view);
  int focusEvents = 0;
  grid->OnFocusedViewChanged = [&](TcxCustomGrid*, TcxCustomGridView*, TcxCustomGridView*) { ++focusEvents; };
  TObjectLink<TTestView> viewAlive(view);
  grid->BeginUpdate();
  view->Invalidate();
  view->InvalidateLayout(false);
  grid->Free();
  EXPECT_EQ(focusEvents, 0);
  EXPECT_FALSE(viewAlive) << "the grid frees the views registered with it";
}

}  // namespace
}  // namespace grid_test
