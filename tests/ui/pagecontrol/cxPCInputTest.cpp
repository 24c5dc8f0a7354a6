// Mouse and keyboard: the navigator's auto-repeat, clicks in the button-like styles, multi-select, keys,
// accelerators, the wheel, hot tracking and the go-to-page menu, all through real messages.

#include "cxPCSupport.h"

using namespace pc_test;

namespace {

class InputTest : public PCTest {
protected:
  // Six 60-pixel tabs in a 150-pixel strip: two show, the arrows sit at 110..150.
  TcxCustomTabControl* Strip(TcxPCOptions options = {}) {
    auto* c = MakeControl(150, 100);
    c->SetOptions(options);
    for (const char* t : {"60", "60", "60", "60", "60", "60"}) c->Tabs()->Add(t);
    Idle();
    return c;
  }
  static POINT ButtonCentre(TcxCustomTabControl* c, TcxPCNavigatorButton b) {
    for (auto& x : TestPainter(c)->Buttons)
      if (x.first == b) return Centre(x.second);
    return POINT{-1, -1};
  }
  static void Key(int vk, bool ctrl = false, bool shift = false) {
    if (ctrl) headless::KeyDown(VK_CONTROL);
    if (shift) headless::KeyDown(VK_SHIFT);
    headless::KeyPress(vk);
    if (shift) headless::KeyUp(VK_SHIFT);
    if (ctrl) headless::KeyUp(VK_CONTROL);
    Idle();
  }
};

TEST_F(InputTest, HeldArrowScrollsAtOnceThenAfter300ThenEvery150UntilDisabled) {
  auto* c = Strip();
  POINT p = ButtonCentre(c, nbBottomRight);
  Press(c, p.x, p.y);
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsPressed);
  Advance(299);
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  Advance(1);
  EXPECT_EQ(c->FirstVisibleTab(), 2);
  Advance(149);
  EXPECT_EQ(c->FirstVisibleTab(), 2);
  Advance(1);
  EXPECT_EQ(c->FirstVisibleTab(), 3);
  Advance(300);  // 4, then 5: the last tab shows whole and the arrow disables itself
  EXPECT_EQ(c->FirstVisibleTab(), 5);
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsDisabled);
  EXPECT_FALSE(c->RepeatTimer()->Enabled());
  Advance(1000);
  EXPECT_EQ(c->FirstVisibleTab(), 5);
  Release();
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsNormal);
}

TEST_F(InputTest, DraggingOffAPressedArrowReleasesItWithoutFurtherScroll) {
  auto* c = Strip();
  POINT p = ButtonCentre(c, nbBottomRight);
  Press(c, p.x, p.y);
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  MoveTo(c, 20, 60);
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsNormal);
  EXPECT_TRUE(c->PressedNavigatorButtons().Empty());
  Advance(1000);
  Release();
  EXPECT_EQ(c->FirstVisibleTab(), 1);
}

TEST_F(InputTest, ButtonLikeStylesSelectOnReleaseAndCancelWhenDraggedOff) {
  Metrics().ButtonLike = true;
  auto* c = MakeControl(300, 100, {"60", "60", "60"});
  POINT p = Centre(c->GetTabVisibleRect(1));
  Press(c, p.x, p.y);
  EXPECT_EQ(c->PressedTabVisibleIndex(), 1);
  EXPECT_EQ(c->TabIndex(), 0);
  Release();
  EXPECT_EQ(c->TabIndex(), 1);
  EXPECT_EQ(c->PressedTabVisibleIndex(), -1);
  p = Centre(c->GetTabVisibleRect(2));
  Press(c, p.x, p.y);
  MoveTo(c, p.x, 80);
  EXPECT_EQ(c->PressedTabVisibleIndex(), -1);
  Release();
  EXPECT_EQ(c->TabIndex(), 1);
}

TEST_F(InputTest, CtrlClickTogglesExtraSelectionOnceMultiSelectIsOn) {
  Metrics().MultiSelect = true;
  auto* c = MakeControl(300, 100, {"60", "60", "60"});
  c->SetMultiSelect(true);
  POINT p = Centre(c->GetTabVisibleRect(2));
  headless::KeyDown(VK_CONTROL);
  Click(c, p.x, p.y);
  EXPECT_TRUE(c->Tabs()->Tabs(2)->Selected());
  EXPECT_EQ(c->TabIndex(), 0);
  Click(c, p.x, p.y);
  EXPECT_FALSE(c->Tabs()->Tabs(2)->Selected());
  p = Centre(c->GetTabVisibleRect(0));
  Click(c, p.x, p.y);  // the selected tab: deselects
  EXPECT_EQ(c->TabIndex(), -1);
  headless::KeyUp(VK_CONTROL);
  Idle();
  Click(c, p.x, p.y);
  EXPECT_EQ(c->TabIndex(), 0);
}

TEST_F(InputTest, KeysMoveTheSelection) {
  auto* c = MakeControl(400, 100, {"60", "60", "60", "60"});
  c->Tabs()->Tabs(2)->SetEnabled(false);
  c->SetFocus();
  Idle();
  struct Step {
    int vk;
    bool ctrl, shift;
    int tab;
  };
  const Step steps[] = {
      {VK_RIGHT, false, false, 1}, {VK_RIGHT, false, false, 3},  // the disabled tab is skipped
      {VK_RIGHT, false, false, 3},                               // the end: nothing moves
      {VK_TAB, true, false, 0},                                  // Ctrl+Tab wraps
      {VK_TAB, true, true, 3},   {VK_HOME, false, false, 0}, {VK_END, false, false, 3},
      {VK_LEFT, false, false, 1}, {VK_UP, false, false, 0},     {VK_DOWN, false, false, 1},
  };
  for (const Step& s : steps) {
    Key(s.vk, s.ctrl, s.shift);
    EXPECT_EQ(c->TabIndex(), s.tab) << s.vk;
  }
  uint16_t key = VK_RIGHT;
  c->SetTabIndex(3);
  EXPECT_TRUE(c->HandleTabKey(key, TShiftState{}));  // consumed even at the end
  key = 'A';
  EXPECT_FALSE(c->HandleTabKey(key, TShiftState{}));
}

TEST_F(InputTest, ArrowKeysMoveOnlyTheKeyboardTabInButtonLikeStyles) {
  Metrics().ButtonLike = true;
  auto* c = MakeControl(400, 100, {"60", "60", "60"});
  c->SetFocus();
  Idle();
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  EXPECT_EQ(c->FocusedTabVisibleIndex(), 2);
  EXPECT_EQ(c->TabIndex(), 0);
  Key(VK_RETURN);
  EXPECT_EQ(c->TabIndex(), 2);
  Key(VK_TAB, true);
  EXPECT_EQ(c->TabIndex(), 0);
}

TEST_F(InputTest, AcceleratorSelectsTheFirstUsableTab) {
  auto* c = MakeControl(400, 100, {"&Alpha", "&Beta", "B&ig"});
  TMessage m{CM_DIALOGCHAR, 'b', 0, 0};
  c->WndProc(m);
  EXPECT_EQ(m.Result, 1);
  EXPECT_EQ(c->TabIndex(), 1);
  c->Tabs()->Tabs(1)->SetEnabled(false);
  TMessage m2{CM_DIALOGCHAR, 'i', 0, 0};
  c->WndProc(m2);
  EXPECT_EQ(c->TabIndex(), 2);
  TMessage m3{CM_DIALOGCHAR, 'z', 0, 0};
  c->WndProc(m3);
  EXPECT_EQ(m3.Result, 0);
}

TEST_F(InputTest, WheelScrollsOnlyOverTheTabBand) {
  auto* c = Strip();
  c->SetFocus();  // the wheel goes to the focused control
  MoveTo(c, 20, 10);
  headless::Wheel(-120);
  Idle();
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  headless::Wheel(120);
  Idle();
  EXPECT_EQ(c->FirstVisibleTab(), 0);
  MoveTo(c, 20, 60);
  headless::Wheel(-120);
  Idle();
  EXPECT_EQ(c->FirstVisibleTab(), 0);
}

TEST_F(InputTest, HotTrackingSkipsDisabledTabsAndPressedButtons) {
  auto* c = MakeControl(400, 100, {"60", "60", "60"});
  c->SetHotTrack(true);
  c->Tabs()->Tabs(1)->SetEnabled(false);
  MoveTo(c, 30, 10);
  EXPECT_EQ(c->HotTabVisibleIndex(), 0);
  MoveTo(c, 90, 10);
  EXPECT_EQ(c->HotTabVisibleIndex(), -1);
  MoveTo(c, 150, 10);
  EXPECT_EQ(c->HotTabVisibleIndex(), 2);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  MoveTo(c, 30, 10);
  EXPECT_EQ(c->HotTabVisibleIndex(), -1);
  Release();
  EXPECT_EQ(c->HotTabVisibleIndex(), 0);
  c->SetHotTrack(false);
  MoveTo(c, 150, 10);
  EXPECT_EQ(c->HotTabVisibleIndex(), -1);
}

TEST_F(InputTest, GoToPageMenuListsUsableTabsSortedAndSelectsTheChosenOne) {
  auto* c = MakeControl(150, 100, {"delta", "&Alpha", "charlie", "Bravo", "echo"});
  c->SetOptions(TcxPCOptions{pcoGoDialog, pcoSort, pcoNoArrows});
  c->Tabs()->Tabs(4)->SetEnabled(false);
  Idle();
  ASSERT_EQ(c->NavigatorButtons(), TcxPCNavigatorButtons{nbGoDialog});
  std::vector<std::string> items;
  headless::WhenIdle([&] {
    TMenuItem* root = c->GoDialog()->Items();
    for (int i = 0; i < root->Count(); ++i) items.push_back(root->Items(i)->Caption() + "=" + IntToStr(root->Items(i)->Tag()));
    EXPECT_TRUE(c->GoDialogOpen());
    EXPECT_EQ(c->NavigatorButtonState(nbGoDialog), nbsPressed);
    headless::KeyPress(VK_DOWN);
    headless::KeyPress(VK_DOWN);
    headless::KeyPress(VK_RETURN);
  });
  POINT p = ButtonCentre(c, nbGoDialog);
  Click(c, p.x, p.y);
  Idle();
  EXPECT_EQ(items, (std::vector<std::string>{"Alpha=1", "Bravo=3", "charlie=2", "delta=0"}));
  EXPECT_FALSE(c->GoDialogOpen());
  EXPECT_EQ(c->NavigatorButtonState(nbGoDialog), nbsNormal);
  EXPECT_EQ(c->TabIndex(), 3);
}

}  // namespace
