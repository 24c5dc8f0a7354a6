// Views: pattern and clones kept equal (also when a clone is off screen), listener links, the site's focus and
// parking, its painting (background bitmap, focus frame) and resizing; records and view data.

#include <memory>

#include "GridTestSupport.h"

namespace grid_test {
namespace {

class ViewTest : public GridTest {
protected:
  void SetUp() override {
    GridTest::SetUp();
    Grid = MakeGrid(300, 200);
    Master = MakeView(Grid);
    Master->SetName("Master");
    Pattern = MakeView(Grid);
    Pattern->SetName("Pattern");
    Top = AddLevel(Grid, Master);
    Child = AddLevel(Top, Pattern);
    Fill(Master, {"a", "b", "c"});
  }
  // The clone that shows the detail of a master record.
  TTestView* CloneOf(int32_t ARecordIndex) {
    TcxCustomDataController* detail = Master->DataController()->GetDetailDataController(ARecordIndex, 0);
    return static_cast<TTestView*>(GridViewOfDataController(detail));
  }
  TcxGrid* Grid = nullptr;
  TTestView* Master = nullptr;
  TTestView* Pattern = nullptr;
  TcxGridLevel* Top = nullptr;
  TcxGridLevel* Child = nullptr;
};

TEST_F(ViewTest, TheLevelMakesACloneOfThePatternPerMasterRecord) {
  TTestView* clone = CloneOf(0);
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, Pattern);
  EXPECT_EQ(clone->PatternGridView(), Pattern);
  EXPECT_EQ(Pattern->CloneCount(), 1);
  EXPECT_EQ(clone->Level(), Child);
  EXPECT_TRUE(clone->IsDetail());
  EXPECT_FALSE(clone->IsPattern());
  EXPECT_EQ(clone->MasterGridView(), Master);
  EXPECT_EQ(clone->MasterRecordIndex(), 0);
  EXPECT_TRUE(clone->HasAsMaster(Master));
  EXPECT_EQ(Grid->ViewCount(), 2) << "clones only know the grid";
  EXPECT_EQ(CloneOf(0), clone) << "one clone per master record";
}

TEST_F(ViewTest, PatternChangesReachVisibleClonesAtOnceAndInvisibleOnesWhenShown) {
  Master->ShownDetails = {0};
  TTestView* shown = CloneOf(0);
  TTestView* hidden = CloneOf(1);
  ASSERT_TRUE(shown->IsVisible());
  ASSERT_FALSE(hidden->IsVisible());
  Pattern->SetMarker(5);
  EXPECT_EQ(shown->Marker(), 5);
  EXPECT_EQ(hidden->Marker(), 0) << "postponed";
  EXPECT_TRUE(hidden->SyncPostponed());
  Master->ShownDetails.insert(1);
  hidden->CheckPendingSynchronization();
  EXPECT_EQ(hidden->Marker(), 5);
  EXPECT_FALSE(hidden->SyncPostponed());
}

TEST_F(ViewTest, WithoutPostponingEveryCloneFollowsAtOnce) {
  Master->ShownDetails = {0};
  TTestView* shown = CloneOf(0);
  TTestView* hidden = CloneOf(1);
  Pattern->OptionsBehavior()->SetPostponedSynchronization(false);
  EXPECT_FALSE(hidden->OptionsBehavior()->PostponedSynchronization()) << "a clone reads its pattern's option";
  Pattern->SetMarker(9);
  EXPECT_EQ(shown->Marker(), 9);
  EXPECT_EQ(hidden->Marker(), 9);
}

TEST_F(ViewTest, InsideThePatternsBracketClonesFollowOnceWhenItCloses) {
  Master->ShownDetails = {0};
  TTestView* clone = CloneOf(0);
  Pattern->BeginUpdate();
  Pattern->SetMarker(3);
  Pattern->SetMarker(4);
  EXPECT_EQ(clone->Marker(), 0);
  EXPECT_TRUE(Pattern->SyncPending());
  Pattern->EndUpdate();
  EXPECT_EQ(clone->Marker(), 4);
}

TEST_F(ViewTest, ACloneChangeGoesBackToThePatternAndTheOtherClones) {
  Master->ShownDetails = {0, 1};
  TTestView* first = CloneOf(0);
  TTestView* second = CloneOf(1);
  first->SetMarker(13);
  EXPECT_EQ(Pattern->Marker(), 13);
  EXPECT_EQ(second->Marker(), 13);
  Pattern->SetSynchronization(false);
  EXPECT_FALSE(first->Synchronization()) << "a clone answers its pattern's value";
  first->SetSynchronization(true);
  EXPECT_FALSE(Pattern->Synchronization()) << "only the pattern takes it";
  first->SetMarker(21);
  EXPECT_EQ(Pattern->Marker(), 13);
  EXPECT_EQ(second->Marker(), 13);
  Pattern->SetSynchronization(true);
  Pattern->SetDragMode(dmAutomatic);
  EXPECT_EQ(first->Site()->DragMode(), dmAutomatic);
  EXPECT_EQ(second->Site()->DragMode(), dmAutomatic);
}

TEST_F(ViewTest, TheDetailsOfAMasterBeingDestroyedAreDestroyingToo) {
  TTestView* clone = CloneOf(0);
  EXPECT_FALSE(clone->IsDestroying());
  Master->Destroying();
  EXPECT_TRUE(clone->IsDestroying());
}

TEST_F(ViewTest, AListenerLinkTellsWhetherTheViewSurvived) {
  TTestView* view = MakeView(Grid);
  TcxGridListenerLink* link = view->AddListenerLink();
  EXPECT_EQ(link->GridView(), view);
  view->Free();
  EXPECT_EQ(link->GridView(), nullptr);
  TcxCustomGridView::RemoveListenerLink(link);
}

TEST_F(ViewTest, AHiddenSiteThatHoldsTheFocusIsParkedAndKeepsIt) {
  Grid->SetFocusedView(Master);
  Master->Site()->SetFocus();
  Idle();
  ASSERT_EQ(GetFocus(), Master->Site()->Handle());
  EXPECT_TRUE(Grid->HasFocus()) << "a site inside the grid has the focus";
  Master->ViewInfo()->UpdateSiteVisibility(false);
  EXPECT_EQ(Master->Site()->Left(), TcxCustomGridViewInfo::ParkedSiteLeft);
  EXPECT_EQ(Master->Site()->Parent(), Grid);
  EXPECT_EQ(GetFocus(), Master->Site()->Handle());
  const int paints = Master->TestPainter()->Paints;
  Master->Site()->Invalidate();
  Idle();
  EXPECT_EQ(Master->TestPainter()->Paints, paints) << "a parked site does not paint";
  Grid->InvalidateLayout();
  Idle();
  EXPECT_EQ(Master->Site()->Left(), Grid->ContentRect().left) << "the grid's next layout brings it back";
}

TEST_F(ViewTest, AHiddenSiteWithoutTheFocusLeavesTheGrid) {
  TTestView* view = MakeView(Grid);
  TcxGridLevel* level = AddLevel(Grid, view);
  level->SetActive(true);
  Idle();
  ASSERT_EQ(view->Site()->Parent(), Grid);
  Top->SetActive(true);
  Idle();
  EXPECT_EQ(view->Site()->Parent(), nullptr) << "the inactive level's view has no site on screen";
}

TEST_F(ViewTest, ResizingTheGridRecalculatesTheViewOnce) {
  const int before = Master->TestViewInfo()->Calculations;
  Grid->SetBounds(10, 10, 320, 220);
  Idle();
  EXPECT_EQ(Master->TestViewInfo()->Calculations, before + 1);
  EXPECT_EQ(Master->Site()->Width(), Grid->ContentRect().right - Grid->ContentRect().left);
}

TEST_F(ViewTest, ABackgroundBitmapTilesOnlyWhatNoCellCovers) {
  std::unique_ptr<TBitmap, FreeDeleter> tile(New<TBitmap>());
  tile->SetSize(4, 4);
  tile->Canvas()->Brush()->SetColor(clLime);
  tile->Canvas()->FillRect(RECT{0, 0, 4, 4});
  Master->BackgroundBitmaps()->SetBackground(tile.get());
  Idle();
  HWND site = Master->Site()->Handle();
  EXPECT_EQ(headless::Pixel(site, 50, 10), Rgb(clWindow)) << "a cell";
  EXPECT_EQ(headless::Pixel(site, 50, 100), Rgb(clLime)) << "below the rows";
  Master->BackgroundBitmaps()->SetBackground(nullptr);
  Idle();
  EXPECT_EQ(headless::Pixel(site, 50, 100), Rgb(Master->LookAndFeelPainter()->DefaultContentColor()));
}

// Paints the focus frame over the first row after the cells.
class TFocusFramePainter : public TTestPainter {
  RTL_CLASS(TFocusFramePainter, TTestPainter)
public:
  using TTestPainter::TTestPainter;
  static bool HideWhenUnfocused;
  void PaintContent() override {
    inherited::PaintContent();
    DrawFocusFrame(RECT{10, 2, 60, 18}, HideWhenUnfocused);
  }
};
bool TFocusFramePainter::HideWhenUnfocused = false;

class TFramedView : public TTestView {
  RTL_CLASS(TFramedView, TTestView)
public:
  using TTestView::TTestView;
  TClass GetPainterClass() override { return TFocusFramePainter::StaticClass(); }
};

TEST_F(ViewTest, AnUnfocusedGridInvertsTheFocusFrameUnlessHidden) {
  auto* view = New<TFramedView>(Form);
  view->SetParentComponent(Grid);
  view->SetValueTypes("TcxStringValueType");
  AddLevel(Grid, view)->SetActive(true);
  Fill(view, {"row"});
  HWND site = view->Site()->Handle();
  ASSERT_FALSE(Grid->HasFocus());
  EXPECT_EQ(headless::Pixel(site, 30, 2), 0x000000u) << "white cell inverted to black on the frame";
  EXPECT_EQ(headless::Pixel(site, 30, 8), Rgb(clWindow)) << "inside the frame";
  TFocusFramePainter::HideWhenUnfocused = true;
  view->Site()->Invalidate();
  Idle();
  EXPECT_EQ(headless::Pixel(site, 30, 2), Rgb(clWindow));
  TFocusFramePainter::HideWhenUnfocused = false;
}

// ---- records and view data -----------------------------------------------------------------------------------

TEST_F(ViewTest, RecordsAreMadeOnFirstUseAndDroppedByARefresh) {
  TTestViewData* data = Master->TestViewData();
  ASSERT_EQ(data->RecordCount(), 3);
  TcxCustomGridRecord* record = data->GetRecord(1);
  EXPECT_EQ(data->GetRecord(1), record);
  EXPECT_EQ(record->GetDisplayText(0), "b");
  EXPECT_EQ(data->GetRecordByRecordIndex(2), data->GetRecord(2));
  EXPECT_EQ(data->RecordAt(3), nullptr);
  EXPECT_TRUE(record->IsValid());
  EXPECT_EQ(record->GetParentRecord(), nullptr) << "a level-0 record of a top view";
  EXPECT_FALSE(record->GetIsFirst());
  EXPECT_TRUE(data->GetRecord(2)->GetIsLast());
  auto* hitTest = GetGridHitTest<TcxGridRecordHitTest>(POINT{});
  hitTest->SetGridRecord(data->GetRecord(2));
  EXPECT_EQ(hitTest->GridRecord(), data->GetRecord(2));
  Fill(Master, {"only"});
  EXPECT_EQ(data->RecordCount(), 1);
  EXPECT_EQ(hitTest->GridRecord(), nullptr) << "the hit test kept the row, not the record";
  EXPECT_TRUE(hitTest->CanClick());
  EXPECT_FALSE(GetGridHitTest<TcxGridExpandButtonHitTest>(POINT{})->CanClick());
}

TEST_F(ViewTest, ACloneRecordsParentIsItsMasterRecord) {
  Master->ShownDetails = {1};
  TTestView* clone = CloneOf(1);
  clone->SetValueTypes("TcxStringValueType");
  Fill(clone, {"x"});
  TcxCustomGridRecord* record = clone->TestViewData()->GetRecord(0);
  EXPECT_EQ(record->GetParentRecord(), Master->TestViewData()->GetRecordByRecordIndex(1));
}

TEST_F(ViewTest, GroupRowsAreTheParentsOfTheirDataRows) {
  Fill(Master, {"a", "a", "b"});
  TcxCustomDataController* dc = Master->DataController();
  dc->Groups()->ChangeGrouping(0, 0);
  dc->Groups()->FullExpand();
  Idle();
  TTestViewData* data = Master->TestViewData();
  ASSERT_EQ(data->RecordCount(), 5);  // group a, two rows, group b, one row
  TcxCustomGridRecord* groupA = data->GetRecord(0);
  EXPECT_EQ(groupA->Level(), 0);
  EXPECT_EQ(data->GetRecord(1)->GetParentRecord(), groupA);
  EXPECT_EQ(data->GetRecord(2)->GetParentRecord(), groupA);
  EXPECT_EQ(data->GetRecord(1)->GetLastParentRecordCount(), 0);
  EXPECT_EQ(data->GetRecord(2)->GetLastParentRecordCount(), 1) << "the last row of its group";
  EXPECT_EQ(data->GetRecord(4)->GetLastParentRecordCount(), 1);
}

TEST_F(ViewTest, PlusExpandsARecordWithoutTypingThePlus) {
  auto* record = static_cast<TTestRecord*>(Master->TestViewData()->GetRecord(0));
  record->Expandable = true;
  uint16_t key = VK_ADD;
  record->KeyDown(key, TShiftState());
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(record->Expanded);
  EXPECT_TRUE(record->ExpandKeyHandled());
  key = VK_SUBTRACT;
  record->KeyDown(key, TShiftState());
  EXPECT_FALSE(record->Expanded);
  key = VK_RETURN;
  record->KeyDown(key, TShiftState{ssShift});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(Master->EditStarts, 1);
  key = VK_F2;
  record->KeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(key, VK_F2) << "F2 with Ctrl starts nothing";
  char32_t ch = U'z';
  record->KeyPress(ch);
  EXPECT_EQ(ch, 0u);
  EXPECT_EQ(Master->EditKeys, std::vector<char32_t>{U'z'});
}

TEST_F(ViewTest, ARecordRepaintIsCoveredByItsViewsLayoutOrSizeOnly) {
  TcxCustomGridRecord* record = Master->TestViewData()->GetRecord(0);
  auto own = [&](TcxCustomGridChange* AChange) { return std::unique_ptr<TcxCustomGridChange, FreeDeleter>(AChange); };
  auto repaint = own(New<TcxGridRecordChange>(Master, record, 0, nullptr));
  auto same = own(New<TcxGridRecordChange>(Master, record, 0, nullptr));
  auto ofItem = own(New<TcxGridRecordChange>(Master, record, 0, Master->Items[0]));
  EXPECT_TRUE(repaint->SameAs(same.get()));
  EXPECT_FALSE(repaint->SameAs(ofItem.get()));
  EXPECT_TRUE(repaint->IsCoveredBy(own(New<TcxGridLayoutChange>(Master)).get()));
  EXPECT_TRUE(repaint->IsCoveredBy(own(New<TcxGridSizeChange>(Master)).get()));
  EXPECT_FALSE(repaint->IsCoveredBy(own(New<TcxGridLayoutChange>(nullptr)).get())) << "not the whole grid's";
  EXPECT_FALSE(repaint->IsCoveredBy(own(New<TcxGridLayoutChange>(Pattern)).get()));
  EXPECT_FALSE(own(New<TcxGridDataChange>(Master))->CanBePostponed());
}

}  // namespace
}  // namespace grid_test
