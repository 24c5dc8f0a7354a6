#include "cxContainerTestSupport.h"

#include "forms/StdCtrls.h"

using namespace cxcontainer_test;

namespace {

// A form that remembers whether its caption was last painted active.
class TCaptionForm : public TForm {
  RTL_CLASS(TCaptionForm, TForm)
public:
  using TForm::TForm;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NCACTIVATE) CaptionActive = m.WParam != 0;
    if (m.Msg == WM_SYSKEYDOWN) SysKeys.push_back(static_cast<int>(m.WParam));
    inherited::WndProc(m);
  }
  bool CaptionActive = false;
  std::vector<int> SysKeys;
};

// Closes itself with Esc the way a drop-down editor's popup does: posted, without accepting.
class TEscPopup : public TcxCustomPopupWindow {
  RTL_CLASS(TEscPopup, TcxCustomPopupWindow)
public:
  using TcxCustomPopupWindow::TcxCustomPopupWindow;

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override {
    inherited::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE) {
      PostCloseUp(this);
      Key = 0;
    }
  }
};

class TShrinkingPopup : public TcxCustomPopupWindow {
  RTL_CLASS(TShrinkingPopup, TcxCustomPopupWindow)
public:
  using TcxCustomPopupWindow::TcxCustomPopupWindow;
  bool CanShrinkToWorkArea() override { return true; }
};

class cxPopupTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Main = New<TCaptionForm>(Application, 0);
    Main->SetBounds(100, 100, 400, 300);
    Main->SetCaption("Owner");
    Owner = New<TcxContainer>(Main);
    Owner->SetBounds(20, 20, 150, 24);
    Owner->SetParent(Main);
    Owner->OnMouseDown = TMouseEvent([this](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { ++OwnerClicks; });
    Other = New<TEdit>(Main);
    Other->SetBounds(20, 200, 150, 24);
    Other->SetParent(Main);
    Main->Show();
    Idle();
    Popup = MakePopup<TEscPopup>();
  }
  void TearDown() override {
    for (TcxCustomPopupWindow* p : Made) p->Free();
    ContainerTest::TearDown();
  }
  template <class T>
  T* MakePopup() {
    T* p = New<T>(Owner);
    auto* edit = New<TEdit>(p);
    edit->SetBounds(0, 0, 150, 24);
    edit->SetParent(p);
    auto* panel = New<TEdit>(p);
    panel->SetBounds(0, 24, 150, 40);
    panel->SetParent(p);
    p->SetIsModal(false);
    Made.push_back(p);
    return p;
  }
  TEdit* PopupEdit(TcxCustomPopupWindow* p) { return static_cast<TEdit*>(p->Controls(0)); }
  bool Shown(TcxCustomPopupWindow* p) { return IsPopupWindowShown(p) && p->Visible(); }
  void ClickScreen(POINT p, int button = VK_LBUTTON) {
    headless::Click(p.x, p.y, button);
    Idle();
  }

  TCaptionForm* Main = nullptr;
  TcxContainer* Owner = nullptr;
  TEdit* Other = nullptr;
  TEscPopup* Popup = nullptr;
  int OwnerClicks = 0;
  std::vector<TcxCustomPopupWindow*> Made;
};

TEST_F(cxPopupTest, OpensBelowItsOwnerAndListsItself) {
  EXPECT_TRUE(cxPopupHooksInstalled());
  int showing = 0, showed = 0;
  Popup->OnShowing = TNotifyEvent([&](TObject*) { ++showing; });
  Popup->OnShowed = TNotifyEvent([&](TObject*) { ++showed; });
  Popup->Popup(nullptr);
  Idle();
  ASSERT_TRUE(Shown(Popup));
  POINT below = Owner->ClientToScreen(POINT{0, Owner->Height()});
  EXPECT_EQ(Popup->Left(), below.x);
  EXPECT_EQ(Popup->Top(), below.y);
  ASSERT_EQ(cxShownPopups().size(), 1u);
  // Capturing the focus, the popup is active and its first tab stop has the keyboard.
  EXPECT_EQ(GetActiveWindow(), Popup->Handle());
  EXPECT_EQ(GetFocus(), PopupEdit(Popup)->Handle());
  EXPECT_TRUE(Popup->Focused());
  // Showing again changes nothing.
  Popup->Popup(nullptr);
  EXPECT_EQ(showing, 1);
  EXPECT_EQ(showed, 1);
}

TEST_F(cxPopupTest, OwnerCaptionStaysActiveWhileThePopupHasTheFocus) {
  Main->SetFocus();
  Idle();
  ASSERT_TRUE(Main->CaptionActive);
  Popup->Popup(nullptr);
  Idle();
  EXPECT_EQ(GetActiveWindow(), Popup->Handle());
  EXPECT_TRUE(Main->CaptionActive);
}

TEST_F(cxPopupTest, ClickOutsideOnTheOwnerFormClosesAndReachesTheTarget) {
  for (bool capture : {true, false}) {
    Popup->SetCaptureFocus(capture);
    Main->SetFocus();
    Idle();
    Popup->Popup(capture ? nullptr : Owner);
    Idle();
    ASSERT_TRUE(Shown(Popup)) << capture;
    int closed = 0;
    Popup->OnClosed = TNotifyEvent([&](TObject*) { ++closed; });
    ClickScreen(Other->ClientToScreen(POINT{10, 10}));
    EXPECT_FALSE(Shown(Popup)) << capture;
    EXPECT_EQ(closed, 1) << capture;
    EXPECT_EQ(GetFocus(), Other->Handle()) << capture;  // the click still reached the edit
    EXPECT_TRUE(Main->CaptionActive) << capture;
    EXPECT_TRUE(cxShownPopups().empty());
  }
}

TEST_F(cxPopupTest, ClicksInsideKeepItOpen) {
  Popup->Popup(nullptr);
  Idle();
  ClickScreen(Popup->ClientToScreen(POINT{10, 30}));
  EXPECT_TRUE(Shown(Popup));
  // A popup opened from a control of this popup counts as inside it.
  auto* nested = New<TcxCustomPopupWindow>(PopupEdit(Popup));
  Made.push_back(nested);
  nested->SetCaptureFocus(false);
  nested->SetIsModal(false);
  nested->SetBounds(0, 0, 80, 40);
  nested->Popup(nullptr);
  Idle();
  ASSERT_TRUE(Shown(nested));
  EXPECT_TRUE(IsWindowInsidePopup(Popup, nested->Handle()));
  ClickScreen(nested->ClientToScreen(POINT{5, 5}));
  EXPECT_TRUE(Shown(Popup));
  EXPECT_TRUE(Shown(nested));
  // Closing the outer one by a click outside takes the nested one along.
  ClickScreen(Other->ClientToScreen(POINT{10, 10}));
  EXPECT_FALSE(Shown(Popup));
  EXPECT_FALSE(Shown(nested));
}

TEST_F(cxPopupTest, RightClickLeavesANonCapturingPopupOpen) {
  Popup->SetCaptureFocus(false);
  Popup->Popup(Owner);
  Idle();
  ClickScreen(Other->ClientToScreen(POINT{10, 10}), VK_RBUTTON);
  EXPECT_TRUE(Shown(Popup));
  EXPECT_FALSE(Popup->Focused());
}

TEST_F(cxPopupTest, ClickOnTheOwnerClosesAndReachesItUnlessClosingHidItsOwner) {
  Popup->SetCaptureFocus(false);
  Popup->Popup(Owner);
  Idle();
  ClickScreen(Owner->ClientToScreen(POINT{5, 5}));
  EXPECT_FALSE(Shown(Popup));
  EXPECT_EQ(OwnerClicks, 1);

  Popup->OnClosed = TNotifyEvent([this](TObject*) { Owner->Hide(); });
  Popup->Popup(Owner);
  Idle();
  ClickScreen(Owner->ClientToScreen(POINT{5, 5}));
  EXPECT_FALSE(Shown(Popup));
  EXPECT_EQ(OwnerClicks, 1);  // swallowed
}

TEST_F(cxPopupTest, FocusLossToAnotherWindowClosesACapturingPopup) {
  auto* second = New<TForm>(Application, 0);
  second->SetBounds(500, 100, 200, 150);
  second->Show();
  Main->SetFocus();
  Idle();
  Popup->Popup(nullptr);
  Idle();
  ASSERT_TRUE(Shown(Popup));
  ClickScreen(second->ClientToScreen(POINT{50, 50}));
  EXPECT_FALSE(Shown(Popup));
  EXPECT_EQ(GetActiveWindow(), second->Handle());
}

TEST_F(cxPopupTest, ApplicationSwitchClosesNonCapturingPopupsAndKeepsTheActiveOne) {
  for (bool capture : {true, false}) {
    Popup->SetCaptureFocus(capture);
    Main->SetFocus();
    Idle();
    Popup->Popup(capture ? nullptr : Owner);
    Idle();
    ASSERT_TRUE(Shown(Popup)) << capture;
    EXPECT_TRUE(Main->CaptionActive) << capture;
    headless::SwitchToOtherApplication();
    Idle();
    EXPECT_EQ(Shown(Popup), capture) << capture;
    EXPECT_FALSE(Main->CaptionActive) << capture;  // repainted inactive
    Popup->CloseUp();
  }
}

TEST_F(cxPopupTest, EscClosesThroughThePostedMessageAndTheOwnerGetsTheFocusBack) {
  auto* box = New<TEdit>(Main);
  box->SetBounds(200, 20, 100, 24);
  box->SetParent(Main);
  Main->SetFocus();
  box->SetFocus();
  Idle();
  Popup->Popup(nullptr);
  Idle();
  ASSERT_EQ(GetFocus(), PopupEdit(Popup)->Handle());
  headless::KeyPress(VK_ESCAPE);
  Idle();
  EXPECT_FALSE(Shown(Popup));
  EXPECT_EQ(GetActiveWindow(), Main->Handle());
  EXPECT_TRUE(Main->CaptionActive);
}

TEST_F(cxPopupTest, EscWithTheMouseCapturedOnlyReleasesTheCapture) {
  auto* plain = MakePopup<TcxCustomPopupWindow>();
  plain->Popup(nullptr);
  Idle();
  SetCapture(plain->Handle());
  headless::KeyPress(VK_ESCAPE);
  Idle();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Shown(plain));
}

TEST_F(cxPopupTest, HidingTheOwnerClosesItsPopupAndTheOnesOpenedAfter) {
  auto later = [&] {
    auto* p = New<TcxCustomPopupWindow>(Other);
    Made.push_back(p);
    p->SetCaptureFocus(false);
    p->SetIsModal(false);
    p->SetBounds(0, 0, 60, 30);
    return p;
  };
  auto* earlier = later();
  auto* after = later();
  earlier->Popup(Other);
  Popup->SetCaptureFocus(false);
  Popup->Popup(Owner);
  after->Popup(Other);
  Idle();
  ASSERT_EQ(cxShownPopups().size(), 3u);
  ShowWindow(Owner->Handle(), SW_HIDE);
  Idle();
  EXPECT_EQ(cxShownPopups(), (std::vector<TcxCustomPopupWindow*>{earlier}));

  // Hiding the control closes only the popups of that control.
  ShowWindow(Owner->Handle(), SW_SHOW);
  Popup->Popup(Owner);
  after->Popup(Other);
  Idle();
  Owner->Hide();
  Idle();
  EXPECT_EQ(cxShownPopups(), (std::vector<TcxCustomPopupWindow*>{earlier, after}));
}

TEST_F(cxPopupTest, AltShortcutsAreMutedWhileANonModalPopupIsUp) {
  Popup->SetCaptureFocus(false);
  Popup->Popup(Owner);
  Idle();
  PostMessage(Main->Handle(), WM_SYSKEYDOWN, 'X', 0);
  PostMessage(Main->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0);
  PostMessage(Main->Handle(), WM_SYSKEYDOWN, VK_F4, 0);
  Idle();
  EXPECT_EQ(Main->SysKeys, (std::vector<int>{VK_DOWN, VK_F4}));
  Popup->CloseUp();
  PostMessage(Main->Handle(), WM_SYSKEYDOWN, 'X', 0);
  Idle();
  EXPECT_EQ(Main->SysKeys.back(), 'X');
}

TEST_F(cxPopupTest, ModalPopupRunsItsOwnLoopUntilAClickOutside) {
  Popup->SetIsModal(true);
  POINT outside = Other->ClientToScreen(POINT{10, 10});
  bool sawShown = false;
  headless::WhenIdle([&] {
    sawShown = Shown(Popup);
    headless::Click(outside.x, outside.y);
  });
  Popup->Popup(nullptr);  // returns once the loop has seen the popup hidden
  EXPECT_TRUE(sawShown);
  EXPECT_FALSE(Shown(Popup));
}

TEST_F(cxPopupTest, CloseQueryCanRefuseAnAskedClose) {
  Popup->OnCloseQuery = TCloseQueryEvent([](TObject*, bool& can) { can = false; });
  Popup->Popup(nullptr);
  Idle();
  Popup->SetModalResult(mrOk);
  Popup->CloseUp(true);
  EXPECT_TRUE(Shown(Popup));
  EXPECT_EQ(Popup->ModalResult(), mrNone);
  Popup->CloseUp(false);
  EXPECT_FALSE(Shown(Popup));
}

TEST_F(cxPopupTest, ShrinksIntoTheWorkArea) {
  auto* p = MakePopup<TShrinkingPopup>();
  RECT work = GetMonitorWorkAreaAtPoint(POINT{10, 10});
  p->SetBounds(0, 0, 150, 64);
  POINT at{work.left - 30, work.top + 10};
  p->CalculatePosition(at);
  EXPECT_EQ(at.x, work.left);
  EXPECT_EQ(p->Width(), 120);
  at = POINT{work.right - 50, work.top + 10};
  p->CalculatePosition(at);
  EXPECT_EQ(p->Width(), 50);
  EXPECT_TRUE(p->IsPopupKey(VK_F4));
  EXPECT_FALSE(p->IsPopupKey('A'));
}

}  // namespace
