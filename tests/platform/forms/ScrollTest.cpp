// Scrolling controls: ranges from the children's extent, scrolling by the bars' messages, the bar
// itself, the wheel, and the focused control brought into view.

#include "FormsSupport.h"

using namespace ft;

namespace {

// A scroll box of 200 x 100 (client) whose children reach 460 across and 320 down.
struct ScrollFixture {
  TForm* Form;
  TScrollBox* Box;
  TTestControl* TopLeft;
  TTestControl* Bottom;
  TTestControl* Right;

  ScrollFixture() {
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 500, 400);
    Box = New<TScrollBox>(Form);
    Box->SetBorderStyle(bsNone);
    Box->SetBounds(10, 10, 200, 100);
    Box->SetParent(Form);
    TopLeft = Make("TopLeft", 10, 10);
    Bottom = Make("Bottom", 10, 300);
    Right = Make("Right", 400, 10);
  }
  TTestControl* Make(const char* name, int left, int top) {
    auto* c = New<TTestControl>(Form);
    c->SetName(name);
    c->SetBounds(left, top, 60, 20);
    c->SetParent(Box);
    return c;
  }
  void Show() {
    Form->SetActiveControl(TopLeft);
    Form->Show();
    Application->ProcessMessages();
  }
};

}  // namespace

TEST_F(FormsTest, ScrollBoxRangesFollowTheChildrenAndBarsShowWhenTheyExceedIt) {
  ScrollFixture f;
  f.Show();
  TControlScrollBar* v = f.Box->VertScrollBar();
  TControlScrollBar* h = f.Box->HorzScrollBar();
  EXPECT_EQ(v->Range(), 320);
  EXPECT_EQ(h->Range(), 460);
  EXPECT_TRUE(v->IsScrollBarVisible());
  EXPECT_TRUE(h->IsScrollBarVisible());
  LONG style = GetWindowLong(f.Box->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  // The bars take their room from the client area.
  EXPECT_EQ(f.Box->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(f.Box->ClientHeight(), 100 - GetSystemMetrics(SM_CYHSCROLL));

  // Everything brought inside: no bars, the whole client area back.
  f.Bottom->SetTop(40);
  f.Right->SetLeft(100);
  EXPECT_EQ(v->Range(), 60);
  EXPECT_FALSE(v->IsScrollBarVisible());
  EXPECT_FALSE(h->IsScrollBarVisible());
  style = GetWindowLong(f.Box->Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(f.Box->ClientWidth(), 200);
  EXPECT_EQ(f.Box->ClientHeight(), 100);

  // Without AutoScroll the children's extent does not count.
  f.Bottom->SetTop(300);
  EXPECT_TRUE(v->IsScrollBarVisible());
  f.Box->SetAutoScroll(false);
  EXPECT_EQ(v->Range(), 0);
  EXPECT_FALSE(v->IsScrollBarVisible());
  f.Form->Free();
}

TEST_F(FormsTest, ScrollBarMessagesMoveTheChildren) {
  ScrollFixture f;
  f.Show();
  TControlScrollBar* v = f.Box->VertScrollBar();
  int32_t client = f.Box->ClientHeight();
  int32_t page = client * 9 / 10;
  struct Step {
    WORD code;
    int32_t position;
  };
  const Step steps[] = {
      {SB_LINEDOWN, 8},      {SB_LINEDOWN, 16},  {SB_LINEUP, 8},  {SB_PAGEDOWN, 8 + page},
      {SB_BOTTOM, 320 - client}, {SB_LINEDOWN, 320 - client},  // clamped at the end
      {SB_TOP, 0},           {SB_LINEUP, 0},
  };
  for (const Step& s : steps) {
    SendMessage(f.Box->Handle(), WM_VSCROLL, MAKEWPARAM(s.code, 0), 0);
    EXPECT_EQ(v->Position(), s.position) << "code " << s.code;
    EXPECT_EQ(f.Bottom->Top(), 300 - s.position) << "code " << s.code;
    EXPECT_EQ(GetScrollPos(f.Box->Handle(), SB_VERT), s.position);
  }
  // The thumb scrolls while it moves only with Tracking; its release always does.
  SendMessage(f.Box->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50), 0);
  EXPECT_EQ(v->Position(), 0);
  SendMessage(f.Box->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), 0);
  EXPECT_EQ(v->Position(), 50);
  EXPECT_EQ(f.TopLeft->Top(), 10 - 50);
  // The children's window moved with them.
  RECT r;
  GetWindowRect(f.Bottom->Handle(), &r);
  EXPECT_EQ(r.top, f.Box->ClientOrigin().y + 300 - 50);
  SendMessage(f.Box->Handle(), WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  EXPECT_EQ(f.Box->HorzScrollBar()->Position(), f.Box->ClientWidth() * 9 / 10);
  EXPECT_EQ(f.Right->Left(), 400 - f.Box->HorzScrollBar()->Position());
  // The extent stays what it was, measured from the unscrolled origin.
  EXPECT_EQ(v->Range(), 320);
  f.Form->Free();
}

TEST_F(FormsTest, ScrollBoxScrollsByItsBarAndTheWheel) {
  ScrollFixture f;
  f.Show();
  TControlScrollBar* v = f.Box->VertScrollBar();
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetScrollBarInfo(f.Box->Handle(), OBJID_VSCROLL, &info));
  // The down arrow at the bottom of the bar.
  int x = (info.rcScrollBar.left + info.rcScrollBar.right) / 2;
  headless::Click(x, info.rcScrollBar.bottom - info.dxyLineButton / 2);
  Pump();
  EXPECT_EQ(v->Position(), v->Increment());

  // The wheel over the focused child is left to its parent: three increments a notch.
  ASSERT_TRUE(f.TopLeft->Focused());
  headless::Wheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(v->Position(), 4 * v->Increment());
  headless::Wheel(WHEEL_DELTA);
  Pump();
  EXPECT_EQ(v->Position(), v->Increment());
  f.Form->Free();
}

TEST_F(FormsTest, FocusBringsTheControlIntoView) {
  ScrollFixture f;
  f.Show();
  TControlScrollBar* v = f.Box->VertScrollBar();
  TControlScrollBar* h = f.Box->HorzScrollBar();
  // Tab order: TopLeft, Bottom, Right.
  headless::KeyPress(VK_TAB);
  Pump();
  ASSERT_TRUE(f.Bottom->Focused());
  EXPECT_EQ(v->Position(), 320 - f.Box->ClientHeight());
  EXPECT_EQ(f.Bottom->Top() + f.Bottom->Height(), f.Box->ClientHeight());
  EXPECT_EQ(h->Position(), 0);
  headless::KeyPress(VK_TAB);
  Pump();
  ASSERT_TRUE(f.Right->Focused());
  // Up to its top edge, and right to its right edge.
  EXPECT_EQ(f.Right->Top(), 0);
  EXPECT_EQ(f.Right->Left() + f.Right->Width(), f.Box->ClientWidth());
  // ScrollInView called directly does the same.
  f.Box->ScrollInView(f.TopLeft);
  EXPECT_EQ(f.TopLeft->Left(), 0);
  EXPECT_EQ(f.TopLeft->Top(), 0);
  f.Form->Free();
}
