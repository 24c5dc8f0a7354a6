#include "cxControlSupport.h"
#include "forms/ExtCtrls.h"

using namespace uibase_test;

namespace {

class cxPopupWindowTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    Popup = New<TcxPopupWindow>();
    Child = New<TPanel>(Popup);
    Child->SetParent(Popup);
    Child->SetBounds(0, 0, 100, 50);
    Work = GetMonitorWorkAreaAtPoint(POINT{400, 300});
  }
  void TearDown() override {
    Popup->Free();
    ControlTest::TearDown();
  }
  TcxPopupWindow* Popup = nullptr;
  TPanel* Child = nullptr;
  RECT Work{};
};

TEST_F(cxPopupWindowTest, PositionsAtEveryScreenEdge) {
  const RECT& w = Work;
  struct Case {
    const char* name;
    TcxPopupDirection dir;
    TcxPopupAlignHorz horz;
    TcxPopupAlignVert vert;
    int childHeight;
    RECT anchor;
    POINT expected;
  } cases[] = {
      {"below", pdrVertical, phaLeft, pvaBottom, 50, {100, 100, 180, 120}, {100, 120}},
      {"bottom edge opens above", pdrVertical, phaLeft, pvaBottom, 50, {100, w.bottom - 30, 180, w.bottom - 10},
       {100, w.bottom - 80}},
      {"too tall either way stays below, pushed up", pdrVertical, phaLeft, pvaBottom, 400, {100, 250, 180, 270},
       {100, w.bottom - 400}},
      {"right edge shifts left", pdrVertical, phaLeft, pvaBottom, 50, {w.right - 40, 100, w.right - 10, 120},
       {w.right - 100, 120}},
      {"left edge never starts outside", pdrVertical, phaRight, pvaBottom, 50, {w.left + 5, 100, w.left + 30, 120},
       {w.left, 120}},
      {"top edge opens below", pdrVertical, phaLeft, pvaTop, 50, {100, w.top + 10, 180, w.top + 30},
       {100, w.top + 30}},
      {"centred", pdrVertical, phaCenter, pvaBottom, 50, {100, 100, 180, 120}, {90, 120}},
      {"beside, right edge flips left", pdrHorizontal, phaRight, pvaBottom, 50, {w.right - 60, 100, w.right - 20, 120},
       {w.right - 160, 70}},
      {"beside, left edge flips right", pdrHorizontal, phaLeft, pvaTop, 50, {w.left + 10, 100, w.left + 40, 120},
       {w.left + 40, 100}},
      {"beside, top edge clamps down", pdrHorizontal, phaRight, pvaBottom, 50, {300, w.top + 5, 340, w.top + 20},
       {340, w.top}},
      {"beside, bottom edge clamps up", pdrHorizontal, phaRight, pvaTop, 50, {300, w.bottom - 20, 340, w.bottom - 5},
       {340, w.bottom - 50}},
  };
  for (const Case& c : cases) {
    Popup->ClosePopup();
    Child->SetBounds(0, 0, 100, c.childHeight);
    Popup->SetPopupDirection(c.dir);
    Popup->SetHorzAlignment(c.horz);
    Popup->SetVertAlignment(c.vert);
    Popup->SetAnchorBounds(c.anchor);
    Popup->ShowPopup();
    Idle();
    EXPECT_EQ(Popup->Left(), c.expected.x) << c.name;
    EXPECT_EQ(Popup->Top(), c.expected.y) << c.name;
    EXPECT_EQ(Popup->Width(), 100) << c.name;
    // The fields stay as they were set: flipping works on copies.
    EXPECT_EQ(Popup->HorzAlignment(), c.horz);
    EXPECT_EQ(Popup->VertAlignment(), c.vert);
  }
}

TEST_F(cxPopupWindowTest, AnchorParentCoordinatesAndItsFont) {
  auto* edit = New<TPanel>(Form);
  edit->SetParent(Form);
  edit->SetBounds(20, 30, 120, 21);
  edit->Font()->SetSize(14);
  Popup->SetAnchorParent(edit);
  Popup->SetAnchorBounds(RECT{0, 0, 120, 21});
  Popup->ShowPopup();
  Idle();
  POINT below = edit->ClientToScreen(POINT{0, 21});
  EXPECT_EQ(Popup->Left(), below.x);
  EXPECT_EQ(Popup->Top(), below.y);
  EXPECT_EQ(Popup->Font()->Size(), 14);
}

TEST_F(cxPopupWindowTest, DoubleRaisedFrameWithSpacingMovesChildrenAndGrowsTheWindow) {
  Popup->SetPopupBorderStyle(pbsDoubleRaised);
  Popup->SetFrameSpacing(2);
  Popup->SetAnchorBounds(RECT{100, 100, 180, 120});
  Popup->ShowPopup();
  Idle();
  EXPECT_EQ(Child->Left(), 4);
  EXPECT_EQ(Child->Top(), 4);
  EXPECT_EQ(Popup->Width(), 108);
  EXPECT_EQ(Popup->Height(), 58);
  // Another style takes the children back first, so the next fit applies the new offsets once.
  Popup->ClosePopup();
  Popup->SetPopupBorderStyle(pbsSingle);
  Popup->SetFrameSpacing(0);
  Popup->ShowPopup();
  Idle();
  EXPECT_EQ(Child->Left(), 1);
  EXPECT_EQ(Popup->Width(), 102);
  Popup->Repaint();
  EXPECT_EQ(headless::Pixel(Popup->Handle(), 0, 0), Rgb(clWindowText));
  EXPECT_EQ(headless::Pixel(Popup->Handle(), 101, 51), Rgb(clWindowText));
}

TEST_F(cxPopupWindowTest, ClosesWhenTheApplicationIsLeft) {
  Popup->SetAnchorBounds(RECT{100, 100, 180, 120});
  Popup->ShowPopup();
  Idle();
  EXPECT_TRUE(Popup->Visible());
  headless::SwitchToOtherApplication();
  Idle();
  EXPECT_FALSE(Popup->Visible());
}

}  // namespace
