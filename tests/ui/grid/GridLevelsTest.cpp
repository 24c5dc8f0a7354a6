// The grid control and its level tree: a new grid, the active level and focused view as levels are added,
// hidden and given other views, the data controllers' pattern state, and the site of the active view.

#include "GridTestSupport.h"

namespace grid_test {
namespace {

class GridLevelsTest : public GridTest {};

TEST_F(GridLevelsTest, ANewGridIsEmptyWithATablessFramelessRoot) {
  TcxGrid* grid = MakeGrid(0, 0);
  auto* fresh = New<TcxGrid>(Form);
  EXPECT_EQ(fresh->Width(), 250);
  EXPECT_EQ(fresh->Height(), 200);
  EXPECT_EQ(fresh->RootLevelOptions()->DetailFrameWidth(), 0);
  EXPECT_EQ(fresh->RootLevelOptions()->DetailTabsPosition(), dtpNone);
  EXPECT_FALSE(fresh->RootLevelOptions()->IsDetailFrameWidthStored());
  EXPECT_EQ(fresh->ViewCount(), 0);
  EXPECT_EQ(fresh->ActiveLevel(), nullptr);
  EXPECT_EQ(fresh->FocusedView(), nullptr);
  EXPECT_EQ(fresh->BorderStyle(), cxcbsDefault);
  EXPECT_TRUE(fresh->DragOpening());
  EXPECT_EQ(fresh->DragOpeningWaitTime(), 800);
  fresh->SetDragOpeningWaitTime(-5);
  EXPECT_EQ(fresh->DragOpeningWaitTime(), 0);
  (void)grid;
}

TEST_F(GridLevelsTest, TheFirstVisibleLevelBecomesActiveAndItsViewFocused) {
  TcxGrid* grid = MakeGrid();
  TTestView* view = MakeView(grid);
  EXPECT_TRUE(view->IsPattern()) << "a view no level shows holds no data";
  TcxGridLevel* level = AddLevel(grid, view);
  EXPECT_TRUE(level->IsTop());
  EXPECT_EQ(grid->ActiveLevel(), level);
  EXPECT_EQ(grid->ActiveView(), view);
  EXPECT_EQ(grid->FocusedView(), view);
  EXPECT_FALSE(view->IsPattern()) << "a top level's view shows its own data";
  EXPECT_TRUE(view->IsVisible());
  EXPECT_EQ(view->Site()->Parent(), grid);
}

TEST_F(GridLevelsTest, TheActiveViewsSiteCoversTheGridsContent) {
  TcxGrid* grid = MakeGrid(300, 200);
  TTestView* view = MakeView(grid);
  AddLevel(grid, view);
  Fill(view, {"one", "two", "three"});
  const RECT content = grid->ContentRect();
  EXPECT_EQ(view->Site()->BoundsRect().left, content.left);
  EXPECT_EQ(view->Site()->BoundsRect().top, content.top);
  EXPECT_EQ(view->Site()->Width(), content.right - content.left);
  EXPECT_EQ(view->Site()->Height(), content.bottom - content.top);
  ASSERT_EQ(view->TestViewInfo()->Cells.size(), 3u);
  EXPECT_EQ(view->TestViewInfo()->Cells[1]->Text(), "two");
  EXPECT_GT(view->TestPainter()->Paints, 0);
}

TEST_F(GridLevelsTest, HidingTheActiveLevelActivatesTheNextAndHidingAllLeavesNone) {
  TcxGrid* grid = MakeGrid();
  TTestView* first = MakeView(grid);
  TTestView* second = MakeView(grid);
  TcxGridLevel* a = AddLevel(grid, first);
  TcxGridLevel* b = AddLevel(grid, second);
  ASSERT_EQ(grid->ActiveLevel(), a);
  a->SetVisible(false);
  EXPECT_EQ(grid->ActiveLevel(), b);
  EXPECT_EQ(grid->FocusedView(), second);
  EXPECT_TRUE(first->IsPattern()) << "a hidden level's view is a detached pattern";
  b->SetVisible(false);
  EXPECT_EQ(grid->ActiveLevel(), nullptr);
  EXPECT_EQ(grid->FocusedView(), nullptr);
  a->SetVisible(true);
  EXPECT_EQ(grid->ActiveLevel(), a);
  EXPECT_FALSE(first->IsPattern()) << "showing it again re-attaches it";
}

TEST_F(GridLevelsTest, ADetailLevelsViewIsAPattern) {
  TcxGrid* grid = MakeGrid();
  TTestView* master = MakeView(grid);
  TTestView* detail = MakeView(grid);
  TcxGridLevel* top = AddLevel(grid, master);
  TcxGridLevel* child = AddLevel(top, detail);
  EXPECT_FALSE(child->IsTop());
  EXPECT_NE(child->DataRelation(), nullptr);
  EXPECT_TRUE(detail->IsPattern());
  EXPECT_FALSE(master->IsPattern());
  EXPECT_TRUE(master->HasDetailLevels());
  EXPECT_FALSE(detail->IsVisible());
}

TEST_F(GridLevelsTest, MovingAViewToAnotherLevelEmptiesTheFirstAndKeepsTheFocus) {
  TcxGrid* grid = MakeGrid();
  TTestView* view = MakeView(grid);
  TcxGridLevel* a = AddLevel(grid, view);
  TcxGridLevel* b = AddLevel(grid, nullptr);
  ASSERT_EQ(grid->FocusedView(), view);
  b->SetGridView(view);
  EXPECT_EQ(a->GridView(), nullptr);
  EXPECT_EQ(b->GridView(), view);
  EXPECT_EQ(view->Level(), b);
  EXPECT_EQ(grid->FocusedView(), view);
  EXPECT_EQ(grid->ActiveLevel(), b) << "the focused view's level became active";
}

TEST_F(GridLevelsTest, CheckHeightClampsToMaxDetailHeight) {
  TcxGrid* grid = MakeGrid();
  TcxGridLevel* level = AddLevel(grid, nullptr);
  struct TCase {
    int32_t Max, Height, Expected;
  };
  const TCase cases[] = {{0, 400, 400}, {150, 400, 150}, {150, 100, 100}, {0, -5, 0}, {150, -5, 0}};
  for (const TCase& c : cases) {
    level->SetMaxDetailHeight(c.Max);
    int32_t height = c.Height;
    level->CheckHeight(height);
    EXPECT_EQ(height, c.Expected) << c.Max << " " << c.Height;
  }
  level->SetMaxDetailHeight(-3);
  EXPECT_EQ(level->MaxDetailHeight(), 0);
  level->Options()->SetDetailFrameWidth(-2);
  EXPECT_EQ(level->Options()->DetailFrameWidth(), 0);
  EXPECT_TRUE(level->Options()->IsDetailFrameWidthStored()) << "a non-root level's default is 1";
}

TEST_F(GridLevelsTest, RenamingTheGridRenamesItsPrefixedViewsAndLevels) {
  TcxGrid* grid = MakeGrid();
  grid->SetName("G");
  TTestView* view = MakeView(grid);
  view->SetName("GView");
  TcxGridLevel* level = AddLevel(grid, view);
  level->SetName("gLevel1");
  TTestView* same = MakeView(grid);
  same->SetName("Gx");
  auto* other = New<TForm>(Application, 0);
  auto* foreign = New<TTestView>(other);
  foreign->SetParentComponent(grid);
  foreign->SetName("GForeign");
  auto* blocker = New<TComponent>(Form);
  blocker->SetName("Mx");
  grid->SetName("M");
  EXPECT_EQ(view->Name(), "MView");
  EXPECT_EQ(level->Name(), "MLevel1") << "the prefix test ignores case";
  EXPECT_EQ(same->Name(), "Gx") << "a name conflict keeps the old name";
  EXPECT_EQ(foreign->Name(), "GForeign") << "a view of another form keeps its name";
  foreign->Free();
  other->Free();
}

}  // namespace
}  // namespace grid_test
