// Floating and docking a tool bar by a double click on its grip or caption, the floating bar's position
// written back and kept on screen, and its close button.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class ToolbarDockingTest : public ToolbarTest {
protected:
  static std::vector<TdxBarItem*> ItemsOf(TdxBar* ABar) {
    std::vector<TdxBarItem*> items;
    for (int32_t i = 0; i < ABar->ItemLinks()->Count(); ++i) items.push_back(ABar->ItemLinks()->Items(i)->Item());
    return items;
  }
  // Every link of the bar shows in its window through a control of its item.
  static void ExpectShown(TdxBar* ABar, const std::vector<TdxBarItem*>& AItems) {
    ASSERT_EQ(ItemsOf(ABar), AItems);
    for (int32_t i = 0; i < ABar->ItemLinks()->Count(); ++i) {
      TdxBarItemControl* c = Control(ABar, i);
      ASSERT_NE(c, nullptr) << i;
      EXPECT_EQ(c->Parent(), Window(ABar)) << i;
      const RECT r = ItemRect(ABar, i);
      EXPECT_FALSE(IsRectEmpty(&r)) << i;
    }
  }
  static void DoubleClickGrip(TdxBar* ABar) {
    headless::DoubleClickAt(Window(ABar)->Handle(), -3, 8);
    Idle();
  }
  static void DoubleClickCaption(TdxBar* ABar) {
    TdxBarControl* window = Window(ABar);
    RECT caption = window->GetCaptionRect();
    const POINT offset = window->GetClientOffset();
    headless::DoubleClickAt(window->Handle(), caption.left + 6 - offset.x, caption.top + 4 - offset.y);
    Idle();
  }
};

TEST_F(ToolbarDockingTest, FloatingAndDockingAgainKeepTheItems) {
  TdxBar* bar = Toolbar("Edit", GlyphButtons(4), {2});
  const std::vector<TdxBarItem*> items = ItemsOf(bar);
  bar->SetFloatLeft(150);
  bar->SetFloatTop(120);
  ASSERT_NE(Window(bar)->Parent(), nullptr);
  DoubleClickGrip(bar);
  ASSERT_EQ(bar->GetDockingStyle(), dsNone);
  TdxBarControl* window = Window(bar);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Parent(), nullptr);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  RECT w;
  GetWindowRect(window->Handle(), &w);
  EXPECT_EQ(w.left, 150);
  EXPECT_EQ(w.top, 120);
  ExpectShown(bar, items);
  EXPECT_TRUE(ItemRect(bar, 2).top == ItemRect(bar, 0).top);  // one row: the bar never floated before
  // Back where it was docked.
  DoubleClickCaption(bar);
  ASSERT_EQ(bar->GetDockingStyle(), dsTop);
  window = Window(bar);
  EXPECT_EQ(window->DockControl(), Manager->Bars()->DockControls(dsTop));
  EXPECT_EQ(window->DockingStyle(), dsTop);
  ExpectShown(bar, items);
  // And floats again at the place and width it had.
  DoubleClickGrip(bar);
  GetWindowRect(Window(bar)->Handle(), &w);
  EXPECT_EQ(w.left, 150);
  ExpectShown(bar, items);
}

TEST_F(ToolbarDockingTest, BarNeverDockedGoesToANewLastRowOfTheTopDock) {
  TdxBar* docked = Toolbar("Docked", GlyphButtons(2));
  TdxBar* floating = FloatingBar("Floating", {GlyphButton("bbF1"), GlyphButton("bbF2")}, {}, 0);
  TdxDockControl* top = Manager->Bars()->DockControls(dsTop);
  ASSERT_EQ(top->GetRowCount(), 1);
  DoubleClickCaption(floating);
  ASSERT_EQ(floating->GetDockingStyle(), dsTop);
  EXPECT_EQ(top->GetRowCount(), 2);
  int32_t row = -1, col = -1;
  ASSERT_TRUE(top->FindBarControl(Window(floating), row, col));
  EXPECT_EQ(row, 1);
  EXPECT_TRUE(floating->OneOnRow());
  EXPECT_TRUE(top->FindBarControl(Window(docked), row, col));
  EXPECT_EQ(row, 0);
}

TEST_F(ToolbarDockingTest, BarThatMayNotFloatStaysDocked) {
  TdxBar* bar = Toolbar("Fixed", GlyphButtons(2));
  bar->SetNotDocking(TdxBarDockingStyles{dsNone});
  Idle();
  DoubleClickGrip(bar);
  EXPECT_EQ(bar->GetDockingStyle(), dsTop);
}

TEST_F(ToolbarDockingTest, FloatingPositionIsWrittenBackAndKeptOnScreen) {
  TdxBar* bar = FloatingBar("Moved", GlyphButtons(3), {}, 0);
  TdxBarControl* window = Window(bar);
  SetWindowPos(window->Handle(), nullptr, 210, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Idle();
  EXPECT_EQ(bar->FloatLeft(), 210);
  EXPECT_EQ(bar->FloatTop(), 160);
  EXPECT_EQ(bar->FloatClientWidth(), window->ClientWidth());
  // Entirely left of the screen: back to the work area's left edge (the other coordinate as asked).
  SetCursorPos(500, 300);
  SetWindowPos(window->Handle(), nullptr, -900, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Idle();
  RECT w;
  GetWindowRect(window->Handle(), &w);
  const RECT work = GetWorkAreaAtPoint(POINT{500, 300});
  EXPECT_EQ(w.left, work.left);
  EXPECT_EQ(w.top, 180);
  SetWindowPos(window->Handle(), nullptr, 100, 5000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Idle();
  GetWindowRect(window->Handle(), &w);
  EXPECT_EQ(w.bottom, work.bottom);
}

TEST_F(ToolbarDockingTest, CloseButtonHidesTheBarOnlyWhenReleasedOnIt) {
  TdxBar* bar = FloatingBar("Closing", GlyphButtons(3), {}, 0);
  std::vector<TdxBar*> closed;
  Manager->OnBarClose = TdxBarEvent([&](TdxBarManager*, TdxBar* b) { closed.push_back(b); });
  TdxBarControl* window = Window(bar);
  const RECT close = window->GetCloseButtonRect();
  const POINT on = window->ClientToScreen(POINT{(close.left + close.right) / 2, (close.top + close.bottom) / 2});
  // Pressed, moved off, released: cancelled.
  headless::MouseMove(on.x, on.y);
  headless::MouseDown();
  headless::MouseMove(on.x - 60, on.y + 30);
  headless::MouseUp();
  Idle();
  EXPECT_TRUE(bar->Visible());
  EXPECT_TRUE(closed.empty());
  EXPECT_EQ(Window(bar)->CloseButtonState(), 0);
  headless::AdvanceClock(1000);  // not a double click
  headless::Click(on.x, on.y);
  Idle();
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(bar->GetControl(), nullptr);
  EXPECT_EQ(closed, std::vector<TdxBar*>{bar});
}

TEST_F(ToolbarDockingTest, CloseButtonIsHotUnderThePointer) {
  TdxBar* bar = FloatingBar("Hot", GlyphButtons(3), {}, 0);
  TdxBarControl* window = Window(bar);
  const RECT close = window->GetCloseButtonRect();
  const POINT on = window->ClientToScreen(POINT{(close.left + close.right) / 2, (close.top + close.bottom) / 2});
  headless::MouseMove(on.x, on.y);
  Idle();
  EXPECT_EQ(window->CloseButtonState(), 1);
  headless::MouseMove(on.x - 60, on.y + 20);
  Idle();
  EXPECT_EQ(window->CloseButtonState(), 0);
}

}  // namespace
