// Tool bars worked by mouse and keyboard: selection, clicks on check-group buttons, the pressed look that
// follows the pointer, keyboard menu mode with its arrows, accelerators and keys that leave it, the hit
// test codes of the frame, and the control a drop point stands for.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class ToolbarInputTest : public ToolbarTest {
protected:
  // The five page buttons of the program's tool bar, the middle one down.
  TdxBar* Pages() {
    for (const char* caption : {"Проекты", "Проверка БД", "Резервирование БД", "Восстановление БД", "Отчет"})
      PageButtons.push_back(Button(("bbPage" + std::to_string(PageButtons.size())).c_str(), caption, 1));
    PageButtons[2]->SetDown(true);
    return Toolbar("Pages", std::vector<TdxBarItem*>(PageButtons.begin(), PageButtons.end()), {1, 4});
  }
  std::string Downs() const {
    std::string s;
    for (TdxBarButton* b : PageButtons) s += b->Down() ? '1' : '0';
    return s;
  }
  static int SelectedIndex(TdxBar* ABar) {
    TdxBarItemControl* selection = Window(ABar)->SelectedControl();
    for (int32_t i = 0; i < ABar->ItemLinks()->Count(); ++i)
      if (Control(ABar, i) == selection && selection) return i;
    return -1;
  }
  static void MoveTo(POINT P) {
    headless::MouseMove(P.x, P.y);
    Idle();
  }
  std::vector<TdxBarButton*> PageButtons;
};

TEST_F(ToolbarInputTest, HoverSelectsTheButtonUnderThePointer) {
  TdxBar* bar = Pages();
  MoveTo(Centre(bar, 3));
  EXPECT_EQ(SelectedIndex(bar), 3);
  EXPECT_TRUE(Control(bar, 3)->IsHighlighted());
  EXPECT_FALSE(Window(bar)->Active());  // hovering is not menu mode
  MoveTo(Centre(bar, 0));
  EXPECT_EQ(SelectedIndex(bar), 0);
  EXPECT_FALSE(Control(bar, 3)->IsHighlighted());
  // Leaving the bar drops the selection.
  MoveTo(POINT{600, 250});
  EXPECT_EQ(SelectedIndex(bar), -1);
}

TEST_F(ToolbarInputTest, DisabledButtonIsNotHighlightedByTheMouse) {
  TdxBar* bar = Pages();
  PageButtons[1]->SetEnabled(false);
  int clicks = 0;
  PageButtons[1]->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  MoveTo(Centre(bar, 1));
  EXPECT_FALSE(Control(bar, 1)->IsHighlighted());
  headless::Click(Centre(bar, 1).x, Centre(bar, 1).y);
  Idle();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(Downs(), "00100");
}

TEST_F(ToolbarInputTest, ClickOnCheckGroupButtonMovesTheDownButtonAndClicksOnce) {
  TdxBar* bar = Pages();
  int clicks = 0, managerClicks = 0;
  PageButtons[4]->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  Manager->OnClickItem = TdxBarClickItemEvent([&](TdxBarManager*, TdxBarItem* item) {
    EXPECT_EQ(item, PageButtons[4]);
    ++managerClicks;
  });
  const POINT p = Centre(bar, 4);
  headless::Click(p.x, p.y);
  Idle();
  EXPECT_EQ(Downs(), "00001");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(managerClicks, 1);
  // The click left menu mode; the button under the pointer is hot again.
  EXPECT_FALSE(Window(bar)->Active());
  EXPECT_EQ(Manager->MenuModeBar(), nullptr);
  EXPECT_EQ(SelectedIndex(bar), 4);
  // A second click on the down button keeps it down (the group needs one) and runs its command again.
  headless::Click(p.x, p.y);
  Idle();
  EXPECT_EQ(Downs(), "00001");
  EXPECT_EQ(clicks, 2);
}

TEST_F(ToolbarInputTest, PressFollowsThePointerAndReleaseOutsideDoesNotClick) {
  TdxBar* bar = Pages();
  int clicks = 0;
  PageButtons[0]->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  TdxBarControl* window = Window(bar);
  MoveTo(Centre(bar, 0));
  headless::MouseDown();
  Idle();
  EXPECT_EQ(window->CapturedControl(), Control(bar, 0));
  EXPECT_TRUE(window->CapturedControlHot());
  EXPECT_EQ(GetCapture(), window->Handle());
  // Off the button the press is shown released; back on it, pressed again.
  MoveTo(POINT{Centre(bar, 0).x, Centre(bar, 0).y + 60});
  EXPECT_FALSE(window->CapturedControlHot());
  MoveTo(Centre(bar, 0));
  EXPECT_TRUE(window->CapturedControlHot());
  MoveTo(POINT{Centre(bar, 0).x, Centre(bar, 0).y + 60});
  headless::MouseUp();
  Idle();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(Downs(), "00100");
  EXPECT_EQ(window->CapturedControl(), nullptr);
  EXPECT_FALSE(window->Active());
}

// Alt and F10 put the bar into menu mode from the manager's keyboard hook, which calls EnterMenuMode
// without a control; the keys then reach the bar window as they do here.
TEST_F(ToolbarInputTest, MenuModeArrowsHomeEndAndTheKeysThatLeaveIt) {
  TdxBar* bar = Pages();
  TdxBarControl* window = Window(bar);
  window->EnterMenuMode(nullptr);
  EXPECT_TRUE(window->Active());
  EXPECT_EQ(Manager->MenuModeBar(), window);
  EXPECT_EQ(GetActiveBarControl(), window);
  EXPECT_EQ(SelectedIndex(bar), 0);
  Key(bar, VK_RIGHT);
  EXPECT_EQ(SelectedIndex(bar), 1);
  Key(bar, VK_LEFT);
  Key(bar, VK_LEFT);
  EXPECT_EQ(SelectedIndex(bar), 4);  // round to the last
  Key(bar, VK_RIGHT);
  EXPECT_EQ(SelectedIndex(bar), 0);
  Key(bar, VK_END);
  EXPECT_EQ(SelectedIndex(bar), 4);
  Key(bar, VK_HOME);
  EXPECT_EQ(SelectedIndex(bar), 0);
  // Tab and Shift+Tab walk as Right and Left do.
  Key(bar, VK_TAB);
  EXPECT_EQ(SelectedIndex(bar), 1);
  // The keyboard reaches a disabled button too, and shows it selected (the mouse does not).
  PageButtons[2]->SetEnabled(false);
  Key(bar, VK_RIGHT);
  EXPECT_EQ(SelectedIndex(bar), 2);
  EXPECT_TRUE(Control(bar, 2)->IsHighlighted());
  // Each of these leaves menu mode.
  for (uint16_t key : {uint16_t(VK_ESCAPE), uint16_t(VK_MENU), uint16_t(VK_F10)}) {
    window->EnterMenuMode(nullptr);
    ASSERT_TRUE(window->Active()) << key;
    Key(bar, key);
    EXPECT_FALSE(window->Active()) << key;
    EXPECT_EQ(Manager->MenuModeBar(), nullptr) << key;
    EXPECT_EQ(GetActiveBarControl(), nullptr) << key;
    EXPECT_EQ(SelectedIndex(bar), -1) << key;
  }
  // Without UseF10ForMenu, F10 is an ordinary key.
  Manager->SetUseF10ForMenu(false);
  window->EnterMenuMode(nullptr);
  Key(bar, VK_F10);
  EXPECT_TRUE(window->Active());
}

TEST_F(ToolbarInputTest, EnterPerformsTheSelectedButton) {
  TdxBar* bar = Pages();
  int clicks = 0;
  PageButtons[3]->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  Window(bar)->EnterMenuMode(Control(bar, 3));
  EXPECT_EQ(SelectedIndex(bar), 3);
  Key(bar, VK_RETURN);
  EXPECT_EQ(Downs(), "00010");
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(Window(bar)->Active());
}

TEST_F(ToolbarInputTest, AcceleratorSelectsAndAUniqueOnePerforms) {
  auto* open = Button("bbOpen", "&Open");
  auto* save = Button("bbSave", "&Save");
  auto* settings = Button("bbSettings", "&Settings");
  int opens = 0, saves = 0;
  open->OnClick = TNotifyEvent([&](TObject*) { ++opens; });
  save->OnClick = TNotifyEvent([&](TObject*) { ++saves; });
  TdxBar* bar = Toolbar("Keys", {open, save, settings});
  TdxBarControl* window = Window(bar);
  window->EnterMenuMode(nullptr);
  // "S" is shared: it only moves the selection, to the next link that has it.
  Key(bar, 'S');
  EXPECT_EQ(SelectedIndex(bar), 1);
  Key(bar, 'S');
  EXPECT_EQ(SelectedIndex(bar), 2);
  Key(bar, 'S');
  EXPECT_EQ(SelectedIndex(bar), 1);
  EXPECT_EQ(saves, 0);
  EXPECT_TRUE(window->Active());
  // "O" is unique: it performs the button.
  Key(bar, 'O');
  EXPECT_EQ(opens, 1);
  EXPECT_FALSE(window->Active());
}

TEST_F(ToolbarInputTest, VerticalBarTurnsTheArrows) {
  TdxBar* bar = Toolbar("Vertical", GlyphButtons(3), {}, dsLeft);
  Window(bar)->EnterMenuMode(nullptr);
  Key(bar, VK_DOWN);
  EXPECT_EQ(SelectedIndex(bar), 1);
  Key(bar, VK_UP);
  EXPECT_EQ(SelectedIndex(bar), 0);
  // Left and Right go across the bar: they do not move along it.
  Key(bar, VK_RIGHT);
  EXPECT_EQ(SelectedIndex(bar), 0);
}

TEST_F(ToolbarInputTest, CtrlTabSwitchesToTheNextToolbarWithItems) {
  TdxBar* first = Toolbar("First", GlyphButtons(2));
  TdxBar* empty = Toolbar("Empty", {});
  TdxBar* second = Toolbar("Second", {GlyphButton("bbX"), GlyphButton("bbY")});
  (void)empty;
  Window(first)->EnterMenuMode(nullptr);
  headless::KeyDown(VK_CONTROL);
  Idle();
  Key(first, VK_TAB);
  EXPECT_FALSE(Window(first)->Active());
  EXPECT_TRUE(Window(second)->Active());
  EXPECT_EQ(SelectedIndex(second), 0);
  Key(second, VK_TAB);
  EXPECT_TRUE(Window(first)->Active());
  headless::KeyUp(VK_CONTROL);
  Idle();
}

TEST_F(ToolbarInputTest, HitTestCodesOfTheDockedFrame) {
  auto items = GlyphButtons(3);
  TdxBar* bar = Toolbar("Frame", items);
  TdxBarControl* window = Window(bar);
  RECT w;
  GetWindowRect(window->Handle(), &w);
  auto hit = [&](POINT p) {
    return SendMessage(window->Handle(), WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  };
  // The drag grip before the items: the window takes the press itself and starts a drag.
  EXPECT_EQ(hit(POINT{w.left + 4, w.top + 10}), HTCLIENT);
  EXPECT_EQ(window->LastHitTest(), HTCAPTION);
  // A button: an ordinary client press.
  EXPECT_EQ(hit(Centre(bar, 1)), HTCLIENT);
  EXPECT_EQ(window->LastHitTest(), HTCLIENT);
  // The mark keeps its own code.
  const RECT mark = Manager->PainterClass()->GetMarkArea(window);
  EXPECT_EQ(hit(window->ClientToScreen(POINT{mark.left + 3, mark.top + 3})), HTCLIENT);
  EXPECT_EQ(window->LastHitTest(), HTCLIENT);
  // Buttons are found by their rectangles; the grip and the mark hold none.
  EXPECT_EQ(window->GetItemControlAt(POINT{23 + 5, 5}), Control(bar, 1));
  EXPECT_EQ(window->GetItemControlAt(POINT{mark.left + 3, 5}), nullptr);
}

TEST_F(ToolbarInputTest, HitTestCodesOfTheFloatingFrame) {
  TdxBar* bar = FloatingBar("Float", GlyphButtons(4), {}, 100);
  TdxBarControl* window = Window(bar);
  RECT w;
  GetWindowRect(window->Handle(), &w);
  auto hit = [&](POINT p) {
    return SendMessage(window->Handle(), WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  };
  const RECT caption = window->GetCaptionRect();
  EXPECT_EQ(hit(POINT{w.left + caption.left + 10, w.top + caption.top + 3}), HTCLIENT);
  EXPECT_EQ(window->LastHitTest(), HTCAPTION);
  const RECT close = window->GetCloseButtonRect();
  EXPECT_EQ(hit(window->ClientToScreen(POINT{(close.left + close.right) / 2, (close.top + close.bottom) / 2})), HTCLIENT);
  EXPECT_EQ(window->LastHitTest(), HTCLOSE);
  // Corners act as the edge they lie on.
  EXPECT_EQ(hit(POINT{w.left + 1, w.top + 20}), HTLEFT);
  EXPECT_EQ(hit(POINT{w.left + 1, w.top + 1}), HTTOP);
  EXPECT_EQ(hit(POINT{w.right - 2, w.bottom - 1}), HTBOTTOM);
}

TEST_F(ToolbarInputTest, DropPointBeforeARowsLastControlStandsForAControlOfThatRow) {
  // A command of another form's manager may be shown, but a drop can never land on it.
  auto* other = New<TForm>(Application, 0);
  other->SetName("fmOther");
  auto* otherManager = New<TdxBarManager>(other);
  (void)otherManager;
  auto* foreign = New<TdxBarButton>(other);
  foreign->SetName("bbForeign");
  TBitmap glyph;
  glyph.SetSize(16, 16);
  foreign->SetGlyph(&glyph);
  auto items = GlyphButtons(6);
  items.insert(items.begin() + 4, foreign);  // the second row: G3, foreign, G4, G5
  TdxBar* bar = FloatingBar("Drop", items, {}, 70);
  TdxBarControl* window = Window(bar);
  ASSERT_EQ(ItemRect(bar, 3).top, ItemRect(bar, 5).top);  // one row
  ASSERT_NE(ItemRect(bar, 0).top, ItemRect(bar, 4).top);
  ASSERT_FALSE(Control(bar, 4)->IsCustomizable());
  bool beyond = false, vertical = false, nearerStart = false;
  const RECT onForeign = ItemRect(bar, 4);
  TdxBarItemControl* c = window->GetItemControlAtPos(POINT{onForeign.left + 3, onForeign.top + 5}, beyond, vertical,
                                                     nearerStart);
  // The control of the row under the point, nearest it (not a control of another row).
  EXPECT_EQ(c, Control(bar, 3));
  EXPECT_FALSE(nearerStart);
  c = window->GetItemControlAtPos(POINT{onForeign.right - 2, onForeign.top + 5}, beyond, vertical, nearerStart);
  EXPECT_EQ(c, Control(bar, 5));
  EXPECT_TRUE(nearerStart);
  // Beyond the last control of a row: that control, the drop going after it.
  const RECT last = ItemRect(bar, 2);
  if (last.right < window->ClientWidth()) {
    c = window->GetItemControlAtPos(POINT{window->ClientWidth() - 1, last.top + 5}, beyond, vertical, nearerStart);
    EXPECT_EQ(c, Control(bar, 2));
    EXPECT_FALSE(nearerStart);
  }
}

}  // namespace
