// Cells: the press-and-release state machine driven by real mouse messages through the site, mouse tracking
// of hot cells, text flags, measuring, hints of texts that do not fit, custom drawing, and the hit-test cache.

#include <memory>

#include "GridTestSupport.h"

namespace grid_test {
namespace {

class CellsTest : public GridTest {
protected:
  void SetUp() override {
    GridTest::SetUp();
    Grid = MakeGrid(300, 200);
    View = MakeView(Grid);
    AddLevel(Grid, View);
    Fill(View, {"first", "second", "third"});
  }
  TTestCell* Cell(size_t AIndex) { return View->TestViewInfo()->Cells.at(AIndex); }
  // The cells are made anew with AMake applied.
  void Remake(std::function<void(TTestCell*)> AMake) {
    View->TestViewInfo()->OnCellMade = std::move(AMake);
    View->ViewInfo()->Recalculate();
    Idle();
  }
  POINT CellCentre(size_t AIndex) {
    const RECT& b = Cell(AIndex)->Bounds();
    return POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  void Press(size_t AIndex, int AButton = VK_LBUTTON) {
    const POINT p = CellCentre(AIndex);
    MoveTo(View->Site(), p.x, p.y);
    headless::MouseDown(AButton);
    Idle();
  }
  void Release(int AButton = VK_LBUTTON) {
    headless::MouseUp(AButton);
    Idle();
  }
  TcxGrid* Grid = nullptr;
  TTestView* View = nullptr;
};

TEST_F(CellsTest, APressAndReleaseInsideClicksOnce) {
  Press(1);
  EXPECT_EQ(Cell(1)->State(), gcsPressed);
  EXPECT_TRUE(Cell(1)->HasCapture());
  Release();
  EXPECT_EQ(Cell(1)->Clicks, 1);
  EXPECT_EQ(Cell(1)->State(), gcsNormal);
  EXPECT_FALSE(Cell(1)->HasCapture());
}

TEST_F(CellsTest, AReleaseOutsideTheCellDoesNotClick) {
  Press(1);
  const POINT outside = CellCentre(2);
  MoveTo(View->Site(), outside.x, outside.y);
  EXPECT_EQ(Cell(1)->State(), gcsHot) << "the captured cell stays hot while the mouse is away";
  EXPECT_EQ(Cell(2)->State(), gcsNormal) << "the capture keeps the others out";
  Release();
  EXPECT_EQ(Cell(1)->Clicks, 0);
  EXPECT_EQ(Cell(2)->Clicks, 0);
}

TEST_F(CellsTest, ARightButtonPressLeavesTheStateAlone) {
  Press(0, VK_RBUTTON);
  EXPECT_NE(Cell(0)->State(), gcsPressed);
  Release(VK_RBUTTON);
  EXPECT_EQ(Cell(0)->Clicks, 0);
}

TEST_F(CellsTest, AKeepPressedCellTogglesAndIgnoresMovesWhilePressed) {
  Remake([](TTestCell* c) {
    c->KeepsPressed = true;
    c->Captures = false;
  });
  const POINT p = CellCentre(0);
  MoveTo(View->Site(), p.x, p.y);
  EXPECT_EQ(Cell(0)->State(), gcsHot);
  Press(0);
  Release();
  EXPECT_EQ(Cell(0)->State(), gcsPressed);
  EXPECT_EQ(Cell(0)->Clicks, 0) << "no click: the release does not end a kept press";
  const POINT q = CellCentre(2);
  MoveTo(View->Site(), q.x, q.y);
  EXPECT_EQ(Cell(0)->State(), gcsPressed) << "moves are ignored while pressed";
  MoveTo(View->Site(), p.x, p.y);
  Press(0);
  Release();
  EXPECT_EQ(Cell(0)->State(), gcsHot);
}

TEST_F(CellsTest, LeavingAHotCellReturnsItToNormal) {
  const POINT p = CellCentre(0);
  MoveTo(View->Site(), p.x, p.y);
  ASSERT_EQ(Cell(0)->State(), gcsHot);
  headless::MouseMove(5, 590);  // far outside the form
  Advance(30);
  EXPECT_EQ(Cell(0)->State(), gcsNormal);
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(CellsTest, TheCellsHitTestGivesTheSitesCursor) {
  const POINT p = CellCentre(1);
  EXPECT_EQ(View->Site()->GetCursorAt(p.x, p.y), crcxGridSelectRow);
  EXPECT_EQ(View->Site()->GetCursorAt(p.x, 190), View->Site()->DefaultCursor()) << "no cell below the rows";
}

TEST_F(CellsTest, HitTestsOfOneClassAreOneSharedObject) {
  TcxCustomGridHitTest* first = GetGridHitTest<TcxGridViewNoneHitTest>(POINT{1, 2});
  TcxCustomGridHitTest* second = GetGridHitTest<TcxGridViewNoneHitTest>(POINT{7, 9});
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->Pos().x, 7);
  EXPECT_EQ(first->Pos().y, 9);
  EXPECT_NE(static_cast<TcxCustomGridHitTest*>(GetGridHitTest<TcxGridNoneHitTest>(POINT{})), first);
  EXPECT_EQ(first->HitTestCode(), htNone);
  auto* ofOther = GetGridHitTest<TcxGridViewNoneHitTest>(POINT{});
  TTestView* other = MakeView(Grid);
  ofOther->SetGridView(other);
  EXPECT_FALSE(View->Controller()->CanHandleHitTest(ofOther)) << "a hit test of another view";
  ofOther->SetGridView(View);
  EXPECT_TRUE(View->Controller()->CanHandleHitTest(ofOther));
}

// A cell with the alignments and modes of the text-flag table.
class TFlagCell : public TTestCell {
  RTL_CLASS(TFlagCell, TTestCell)
public:
  using TTestCell::TTestCell;
  TAlignment Horz = taLeftJustify;
  TcxAlignmentVert Vert = vaTop;
  bool Lines = false, Ellipsis = false;
  TAlignment GetAlignmentHorz() override { return Horz; }
  TcxAlignmentVert GetAlignmentVert() override { return Vert; }
  bool GetMultiLinePainting() override { return Lines; }
  bool GetShowEndEllipsis() override { return Ellipsis; }
};

TEST_F(CellsTest, TextFlagsTable) {
  struct TCase {
    TAlignment Horz;
    TcxAlignmentVert Vert;
    bool Lines, Ellipsis;
    uint32_t Painting, Measuring;
  };
  const TCase cases[] = {
      {taCenter, vaBottom, true, true, 3092, 2132},
      {taLeftJustify, vaTop, false, false, 73, 73},
      {taRightJustify, vaCenter, false, true, 2146, 2146},
  };
  for (const TCase& c : cases) {
    std::unique_ptr<TFlagCell, FreeDeleter> cell(New<TFlagCell>(View->ViewInfo(), "text"));
    cell->Horz = c.Horz;
    cell->Vert = c.Vert;
    cell->Lines = c.Lines;
    cell->Ellipsis = c.Ellipsis;
    cell->Calculate(0, 0, 100, 20);
    EXPECT_EQ(cell->GetTextFlags(true), c.Painting);
    EXPECT_EQ(cell->GetTextFlags(false), c.Measuring);
  }
}

TEST_F(CellsTest, CalculateTakesTheCalculatedSizeForMinusOne) {
  std::unique_ptr<TTestCell, FreeDeleter> cell(New<TTestCell>(View->ViewInfo(), "x"));
  cell->Width = 77;
  cell->Calculate(5, 6);
  EXPECT_EQ(cell->Bounds().left, 5);
  EXPECT_EQ(cell->GetWidth(), 77);
  EXPECT_EQ(cell->GetHeight(), 20);
  EXPECT_EQ(cell->ContentBounds().bottom, 6 + 20 - 1) << "the bottom border";
  RECT border;
  cell->GetBorderBounds(bBottom, border);
  EXPECT_EQ(border.top, 6 + 19);
  EXPECT_EQ(border.bottom, 6 + 20);
}

TEST_F(CellsTest, AHintIsNeededOnlyForATextThatDoesNotFit) {
  std::unique_ptr<TTestCell, FreeDeleter> cell(New<TTestCell>(View->ViewInfo(), "x"));
  TcxCanvas* canvas = View->ViewInfo()->Canvas();
  canvas->SetFont(Grid->Font());
  String wide = "W";
  while (canvas->TextWidth(wide) < 120) wide += "W";
  struct TCase {
    String Text;
    bool Needs;
  };
  const TCase cases[] = {{wide, true}, {"ab", false}};
  for (const TCase& c : cases) {
    cell->CellText = c.Text;
    cell->Recalculate();
    cell->Calculate(0, 0, 104, 20);  // a text area of 100 pixels
    String text;
    RECT area{};
    bool multiLine = true;
    EXPECT_EQ(cell->NeedsHint(POINT{10, 10}, text, area, multiLine), c.Needs) << c.Text;
    if (c.Needs) {
      EXPECT_EQ(text, c.Text);
      EXPECT_FALSE(multiLine);
      EXPECT_EQ(area.right - area.left, 100);
    }
  }
}

TEST_F(CellsTest, AHintFollowsTheMouseOverTextsThatDoNotFitAndGoesWhenItLeaves) {
  String wide = "W";
  View->ViewInfo()->Canvas()->SetFont(Grid->Font());
  while (View->ViewInfo()->Canvas()->TextWidth(wide) < 400) wide += "W";
  Fill(View, {wide, "short", wide + "2"});
  Remake([](TTestCell* c) { c->Hint = true; });
  TcxCustomGridController* controller = View->Controller();
  const POINT shortCell = CellCentre(1);
  MoveTo(View->Site(), shortCell.x, shortCell.y);
  EXPECT_TRUE(!controller->HintWindow() || !controller->HintWindow()->IsHintVisible()) << "a text that fits";
  const POINT first = CellCentre(0);
  MoveTo(View->Site(), first.x, first.y);
  ASSERT_NE(controller->HintWindow(), nullptr);
  EXPECT_TRUE(controller->HintWindow()->IsHintVisible());
  EXPECT_EQ(controller->HintWindow()->Caption(), wide);
  EXPECT_TRUE(controller->HintTimerRunning());
  const POINT third = CellCentre(2);
  MoveTo(View->Site(), third.x, third.y);
  EXPECT_EQ(controller->HintWindow()->Caption(), wide + "2") << "another cell's hint replaces it";
  headless::MouseMove(5, 590);
  Advance(120);
  EXPECT_FALSE(controller->HintWindow()->IsHintVisible());
  EXPECT_FALSE(controller->HintTimerRunning());
}

// Draws with the colour its custom-draw handler put on the canvas, without drawing itself.
class TCustomDrawnCell : public TTestCell {
  RTL_CLASS(TCustomDrawnCell, TTestCell)
public:
  using TTestCell::TTestCell;
  bool HasCustomDraw() override { return true; }
  bool DoCustomDraw(TcxCanvas* ACanvas) override {
    ACanvas->Brush()->SetColor(clLime);
    return false;
  }
};

TEST_F(CellsTest, ACustomDrawHandlerMayChangeTheColoursOfTheDefaultDrawing) {
  std::unique_ptr<TBitmap, FreeDeleter> bitmap(New<TBitmap>());
  bitmap->SetSize(120, 30);
  TcxCanvas canvas(bitmap->Canvas());
  std::unique_ptr<TCustomDrawnCell, FreeDeleter> cell(New<TCustomDrawnCell>(View->ViewInfo(), ""));
  cell->Calculate(0, 0, 100, 20);
  cell->Paint(&canvas);
  EXPECT_EQ(bitmap->Canvas()->Pixels(50, 10) & 0xFFFFFF, static_cast<TColor>(ColorToRGB(clLime)));
  EXPECT_EQ(cell->Params().Color, clWindow) << "the cell's own values come back after painting";
  EXPECT_EQ(bitmap->Canvas()->Pixels(50, 19) & 0xFFFFFF, static_cast<TColor>(ColorToRGB(clBtnShadow))) << "its border";
}

}  // namespace
}  // namespace grid_test
