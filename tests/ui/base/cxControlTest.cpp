#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cxControlSupport.h"
#include "forms/ExtCtrls.h"

using namespace uibase_test;

namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// A control whose content has a size of its own, so that its bars follow it.
class TTestControl : public TcxControl {
  RTL_CLASS(TTestControl, TcxControl)
public:
  using TcxControl::TcxControl;
  int ContentW = 0, ContentH = 0;
  bool AllowHide = true;
  bool HideBoth = false;
  bool Refuses = false;       // focus never arrives
  bool Unfocused = false;     // AllowUnfocusedMouseDown
  bool Oscillates = false;    // needs a vertical bar only while it has none
  bool DragAtPress = false;
  std::vector<std::pair<TScrollBarKind, TScrollCode>> Scrolls;

  bool HasFocus() override { return !Refuses && TcxControl::HasFocus(); }
  bool AllowUnfocusedMouseDown() override { return Unfocused; }
  bool AllowsHidingBothScrollBars(TScrollBarKind) override { return HideBoth; }
  bool StartsDragAndDropAt(POINT) override { return DragAtPress; }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) override {
    Scrolls.emplace_back(AKind, ACode);
    (void)APos;
  }
  void ComputeScrollBarsData() override {
    RECT r = ContentRect();
    if (Oscillates) {
      int page = VScrollBar()->Visible() ? 100 : 10;
      SetScrollBarInfo(sbVertical, 0, 49, 1, page, 0, true, true);
      return;
    }
    SetScrollBarInfo(sbHorizontal, 0, ContentW - 1, 1, r.right - r.left, 0, true, AllowHide);
    SetScrollBarInfo(sbVertical, 0, ContentH - 1, 1, r.bottom - r.top, 0, true, AllowHide);
  }
};

// A suite menu that records where it was asked to open.
class TTestMenu : public TComponent, public IcxPopupMenuSupport {
  RTL_CLASS(TTestMenu, TComponent)
public:
  using TComponent::TComponent;
  bool IsShortCut(TMessage&) override { return false; }
  void Popup(int32_t X, int32_t Y) override { At.push_back(POINT{X, Y}); }
  int32_t QueryInterface(const TGUID&, void** obj) override {
    *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  std::vector<POINT> At;
};

class cxControlTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    Log().clear();
    Control = New<TTestControl>(Form);
    Control->SetParent(Form);
    Control->SetBounds(10, 10, 200, 150);
    Idle();
  }
  TTestControl* Control = nullptr;
};

TEST_F(cxControlTest, FreedInsideItsOwnMouseHandlerFinishesSafely) {
  TObjectLink<TTestControl> link(Control);
  Control->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int32_t, int32_t) {
    Log().push_back("down");
    Control->Free();
  };
  Press(Control, 20, 20);
  Release();
  EXPECT_FALSE(link.Assigned());
  EXPECT_EQ(Log(), std::vector<std::string>{"down"});
}

TEST_F(cxControlTest, ClickThatGetsNoFocusReleasesTheCaptureAndFiresNothing) {
  Control->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { Log().push_back("down"); };
  Control->Refuses = true;
  Press(Control, 20, 20);
  EXPECT_TRUE(Log().empty());
  EXPECT_NE(GetCapture(), Control->Handle());
  EXPECT_FALSE(Control->MouseButtonPressed());
  Release();
  // A control that accepts presses without the focus still hears them.
  Control->Unfocused = true;
  Press(Control, 20, 20);
  EXPECT_EQ(Log(), std::vector<std::string>{"down"});
  EXPECT_TRUE(Control->MouseButtonPressed());
  Release();
  EXPECT_FALSE(Control->MouseButtonPressed());
}

TEST_F(cxControlTest, DialogCodesFollowTheWantedKeysAndDropTabWhileCtrlIsDown) {
  struct Case {
    TcxControlKeys keys;
    bool ctrl;
    LRESULT code;
  } cases[] = {
      {{}, false, 0},
      {{ckArrows}, false, DLGC_WANTARROWS},
      {{ckTab}, false, DLGC_WANTTAB},
      {{ckTab}, true, 0},
      {{ckAllKeys, ckArrows, ckChars, ckTab}, false, DLGC_WANTALLKEYS + DLGC_WANTARROWS + DLGC_WANTCHARS + DLGC_WANTTAB},
      {{ckAllKeys, ckArrows, ckChars, ckTab}, true, DLGC_WANTALLKEYS + DLGC_WANTARROWS + DLGC_WANTCHARS},
  };
  for (const Case& c : cases) {
    Control->SetKeys(c.keys);
    if (c.ctrl) headless::KeyDown(VK_CONTROL);
    EXPECT_EQ(SendMessage(Control->Handle(), WM_GETDLGCODE, 0, 0), c.code) << c.ctrl;
    if (c.ctrl) headless::KeyUp(VK_CONTROL);
    Idle();
  }
}

TEST_F(cxControlTest, KeyboardContextMenuOpensAtTheClientOrigin) {
  auto* menu = New<TTestMenu>(Form);
  Control->SetPopupMenu(menu);
  ASSERT_EQ(Control->PopupMenu(), menu);
  EXPECT_EQ(Control->GetPopupMenu(), nullptr);  // the platform never sees a suite menu
  SendMessage(Control->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Control->Handle()), MAKELPARAM(-1, -1));
  POINT origin = Control->ClientToScreen(POINT{0, 0});
  ASSERT_EQ(menu->At.size(), 1u);
  EXPECT_EQ(menu->At[0].x, origin.x);
  EXPECT_EQ(menu->At[0].y, origin.y);
  // From the mouse: at the mouse; outside the client area: not opened.
  POINT p = Control->ClientToScreen(POINT{30, 40});
  SendMessage(Control->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(p.x, p.y));
  ASSERT_EQ(menu->At.size(), 2u);
  EXPECT_EQ(menu->At[1].x, p.x);
  // Neither a popup menu nor a suite menu: stored as nil.
  auto* other = New<TPanel>(Form);
  Control->SetPopupMenu(other);
  EXPECT_EQ(Control->PopupMenu(), nullptr);
}

TEST_F(cxControlTest, BarsAppearFitAndLeaveTheContentTheRestOfTheClientArea) {
  struct Case {
    int w, h;
    TScrollStyle style;
    bool hideBoth;
    bool hVisible, vVisible, grip;
  } cases[] = {
      {100, 100, ssBoth, false, false, false, false},
      {100, 400, ssBoth, false, false, true, false},
      {400, 100, ssBoth, false, true, false, false},
      {400, 400, ssBoth, false, true, true, true},
      {400, 400, ssVertical, false, false, true, false},
      // The horizontal bar takes the room that makes the vertical one necessary.
      {210, 140, ssBoth, false, true, true, true},
      {100, 140, ssBoth, false, false, false, false},
  };
  for (const Case& c : cases) {
    Control->ContentW = c.w;
    Control->ContentH = c.h;
    Control->HideBoth = c.hideBoth;
    Control->SetScrollBars(c.style);
    Control->ClientAreaChanged();
    EXPECT_EQ(Control->HScrollBar()->Visible(), c.hVisible) << c.w << "x" << c.h;
    EXPECT_EQ(Control->VScrollBar()->Visible(), c.vVisible) << c.w << "x" << c.h;
    EXPECT_EQ(Control->SizeGrip()->Visible(), c.grip) << c.w << "x" << c.h;
    RECT content = Control->ContentRect();
    if (c.vVisible) {
      EXPECT_EQ(Control->VScrollBar()->Left(), content.right);
      EXPECT_EQ(content.right, 200 - GetSystemMetrics(SM_CXVSCROLL));
    }
    if (c.hVisible) {
      EXPECT_EQ(Control->HScrollBar()->Top(), content.bottom);
    }
  }
}

TEST_F(cxControlTest, ExactFitHidesABarThatMayHideAndDisablesOneThatMayNot) {
  Control->ContentW = 100;
  // With bars that never hide, the horizontal one stays (disabled) and leaves exactly this much height.
  Control->ContentH = 150 - GetSystemMetrics(SM_CYHSCROLL);
  Control->ClientAreaChanged();
  EXPECT_FALSE(Control->VScrollBar()->Visible());
  Control->AllowHide = false;
  Control->ClientAreaChanged();
  EXPECT_TRUE(Control->VScrollBar()->Visible());
  EXPECT_FALSE(Control->VScrollBar()->Enabled());
  EXPECT_TRUE(Control->HScrollBar()->Visible());
  EXPECT_FALSE(Control->HScrollBar()->Enabled());
}

TEST_F(cxControlTest, OscillatingLayoutSettlesWithTheBarShownDisabled) {
  Control->Oscillates = true;
  Control->ClientAreaChanged();
  EXPECT_TRUE(Control->VScrollBar()->Visible());
  EXPECT_FALSE(Control->VScrollBar()->Enabled());
}

TEST_F(cxControlTest, WheelAndBarsReachScroll) {
  Control->ContentW = 100;
  Control->ContentH = 1000;
  Control->ClientAreaChanged();
  Control->SetFocus();
  Control->ScrollInDirection(dirNone);
  EXPECT_TRUE(Control->Scrolls.empty());
  MoveTo(Control, 20, 20);
  headless::Wheel(-120);
  Idle();
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  ASSERT_EQ(Control->Scrolls.size(), lines);
  EXPECT_EQ(Control->Scrolls[0], std::make_pair(sbVertical, scLineDown));
  Control->Scrolls.clear();
  TcxControlScrollBar* bar = Control->VScrollBar();
  Press(bar, 2, 3);
  Release();
  ASSERT_FALSE(Control->Scrolls.empty());
  EXPECT_EQ(Control->Scrolls[0], std::make_pair(sbVertical, scLineUp));
  EXPECT_EQ(Control->Scrolls.back(), std::make_pair(sbVertical, scEndScroll));
}

TEST_F(cxControlTest, SystemMetricsChangeBringsTheBarsBackToTheSystemWidth) {
  Control->ContentW = 400;
  Control->ContentH = 400;
  Control->ClientAreaChanged();
  int system = GetSystemMetrics(SM_CXVSCROLL);
  Control->VScrollBar()->SetWidth(system + 9);  // as if the system size had been different until now
  SendMessage(cxSettingsController()->Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  Idle();
  EXPECT_EQ(Control->VScrollBar()->Width(), system);
  EXPECT_EQ(Control->ContentRect().right, 200 - system);
  EXPECT_EQ(Control->VScrollBar()->Left(), 200 - system);
}

// ---- drag-and-drop inside the control ------------------------------------------------------------------

class TTestDragObject : public TcxDragAndDropObject {
  RTL_CLASS(TTestDragObject, TcxDragAndDropObject)
public:
  explicit TTestDragObject(TcxControl* AControl) : TcxDragAndDropObject(AControl) { Log().push_back("create"); }
  ~TTestDragObject() override { Log().push_back("free"); }

protected:
  void DragDropStarted() override { Log().push_back("started"); }
  void DragDropMoved(POINT P, bool& AAccepted) override {
    AAccepted = true;
    Log().push_back("moved");
    TcxDragAndDropObject::DragDropMoved(P, AAccepted);
  }
  void DragDropFinished(bool AAccepted) override { Log().push_back(AAccepted ? "accepted" : "cancelled"); }
};

TEST_F(cxControlTest, DragStateMachine) {
  Control->DragAtPress = true;
  Control->SetDragAndDropObjectClass(TTestDragObject::StaticClass());
  // Press and release in place: pending, then idle, with nothing but the object's life.
  Press(Control, 50, 50);
  EXPECT_EQ(Control->DragAndDropState(), ddPending);
  Release();
  EXPECT_EQ(Control->DragAndDropState(), ddIdle);
  EXPECT_EQ(Log(), (std::vector<std::string>{"create", "free"}));
  // Leaving the threshold starts it; moves follow; the release accepts it.
  Log().clear();
  Advance(1000);  // not a double click
  Press(Control, 50, 50);
  MoveTo(Control, 51, 51);
  EXPECT_EQ(Control->DragAndDropState(), ddPending);
  MoveTo(Control, 70, 50);
  EXPECT_EQ(Control->DragAndDropState(), ddActive);
  MoveTo(Control, 80, 50);
  Release();
  // The move that starts it is also its first move.
  EXPECT_EQ(Log(), (std::vector<std::string>{"create", "started", "moved", "moved", "accepted", "free"}));
  // Esc cancels and gives the screen its cursor back.
  Log().clear();
  Screen->SetCursor(crDefault);
  Advance(1000);
  Press(Control, 50, 50);
  MoveTo(Control, 70, 50);
  MoveTo(Control, 80, 50);
  EXPECT_EQ(Screen->Cursor(), crDrag);
  headless::KeyPress(VK_ESCAPE);
  Idle();
  EXPECT_EQ(Control->DragAndDropState(), ddIdle);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(Log().back(), "free");
  EXPECT_EQ(Log()[Log().size() - 2], "cancelled");
  Release();
}

TEST(cxMiddleScroll, SpeedTable) {
  const POINT anchor{400, 300};
  const RECT screen{0, 0, 800, 600};
  struct Case {
    POINT p;
    bool h, v;
    TcxScrollDirection dir;
    int speed;
  } cases[] = {
      {{400, 310}, true, true, dirNone, 0},   // inside the 32 x 32 square
      {{400, 390}, true, true, dirDown, 12},  // 90 below: (90 - 16) / 5 + 1 = 15, capped
      {{400, 317}, true, true, dirDown, 1},
      {{400, 330}, true, true, dirDown, 3},
      {{400, 250}, true, true, dirUp, 7},
      {{340, 310}, true, true, dirLeft, 9},
      {{700, 300}, false, true, dirNone, 0},  // vertical only: sideways never leaves the zone
      {{430, 300}, true, false, dirRight, 3},
      {{430, 340}, true, true, dirDown, 5},   // |dy| >= |dx|: vertical
  };
  for (const Case& c : cases) {
    TcxScrollDirection dir;
    int speed;
    bool left;
    cxMiddleScrollSpeed(anchor, c.p, 32, c.h, c.v, screen, dir, speed, left);
    EXPECT_EQ(dir, c.dir) << c.p.x << "," << c.p.y;
    EXPECT_EQ(speed, c.speed) << c.p.x << "," << c.p.y;
    EXPECT_EQ(left, c.dir != dirNone);
  }
}

TEST_F(cxControlTest, MiddleButtonScrollsTowardTheMouseAndALeftClickEndsItUnseen) {
  Control->ContentW = 100;
  Control->ContentH = 1000;
  Control->ClientAreaChanged();
  Control->OnMouseDown = [](TObject*, TMouseButton b, TShiftState, int32_t, int32_t) {
    Log().push_back(b == mbLeft ? "left" : "other");
  };
  POINT at = ScreenPt(Control, 60, 60);
  headless::WhenIdle([&] {
    EXPECT_TRUE(Control->ScrollingContent());
    headless::MouseMove(at.x, at.y + 90);  // speed 12: a step every 20 ms
  });
  headless::WhenIdle([&] { headless::AdvanceClock(100); });
  headless::WhenIdle([&] {
    headless::MouseDown(VK_LBUTTON);
    headless::MouseUp(VK_LBUTTON);
  });
  headless::MouseMove(at.x, at.y);
  headless::MouseDown(VK_MBUTTON);
  Idle();
  EXPECT_FALSE(Control->ScrollingContent());
  EXPECT_EQ(Control->Scrolls.size(), 5u);
  for (auto& s : Control->Scrolls) EXPECT_EQ(s, std::make_pair(sbVertical, scLineDown));
  headless::MouseUp(VK_MBUTTON);
  Idle();
  EXPECT_TRUE(std::find(Log().begin(), Log().end(), "left") == Log().end());
}

}  // namespace

namespace {

class TTestChild : public TcxControlChildComponent {
  RTL_CLASS(TTestChild, TcxControlChildComponent)
public:
  using TcxControlChildComponent::TcxControlChildComponent;
  void SetupDefaults() override { Defaults = true; }
  bool Defaults = false;
};

class TTestFontListener : public TInterfacedObject, public IcxFontListener {
  RTL_CLASS(TTestFontListener, TInterfacedObject)
  RTL_INTERFACES(IcxFontListener)
public:
  void Changed(TObject*, TFont* AFont) override { Sizes.push_back(AFont->Size()); }
  std::vector<int> Sizes;
};

TEST_F(cxControlTest, ChildComponentsAndFontListeners) {
  auto* child = TcxControlChildComponent::CreateForControl<TTestChild>(Control);
  EXPECT_TRUE(child->Defaults);
  EXPECT_EQ(child->Owner(), Form);
  EXPECT_EQ(child->GetParentComponent(), Control);
  EXPECT_TRUE(child->HasParent());
  child->Free();

  IPtr<TTestFontListener> listener(New<TTestFontListener>());
  Control->AddFontListener(listener.get());
  Control->Font()->SetSize(13);
  Idle();
  Control->RemoveFontListener(listener.get());
  Control->Font()->SetSize(15);
  Idle();
  EXPECT_EQ(listener->Sizes, std::vector<int>{13});
}

TEST_F(cxControlTest, AutomaticDragWaitsForTheMouseToLeaveTheThreshold) {
  Control->SetDragMode(dmAutomatic);
  int starts = 0;
  Control->OnStartDrag = [&](TObject*, TDragObject*&) { ++starts; };
  POINT at = ScreenPt(Control, 50, 50);
  // Released in place: no drag.
  headless::WhenIdle([&] { headless::MouseUp(VK_LBUTTON); });
  headless::MouseMove(at.x, at.y);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  EXPECT_EQ(starts, 0);
  EXPECT_FALSE(Dragging());
  Advance(1000);
  // Moved beyond the threshold: the platform drag begins, with the suite's drag object.
  headless::WhenIdle([&] { headless::MouseMove(at.x + 20, at.y); });
  headless::MouseDown(VK_LBUTTON);
  Idle();
  EXPECT_EQ(starts, 1);
  ASSERT_TRUE(Dragging());
  EXPECT_TRUE(DragObject()->Is<TcxDragControlObject>());
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_FALSE(Dragging());
}

// A control whose drag shows a picture: red inside a white frame.
class TPictureControl : public TcxControl {
  RTL_CLASS(TPictureControl, TcxControl)
public:
  using TcxControl::TcxControl;
  POINT Size{30, 20};
  std::vector<RECT> Drawn;
  bool HasDragImages() override { return true; }
  void GetDragImagesSize(POINT& ASize) override { ASize = Size; }
  void DrawDragImage(TcxCanvas* ACanvas, const RECT& R) override {
    Drawn.push_back(R);
    ACanvas->SetBrushColor(clRed);
    ACanvas->FillRect(R);
    ACanvas->FrameRect(R, clWhite);
  }
};

TEST_F(cxControlTest, DragPictureIsDrawnOnceADragAndOnlyByControlsThatHaveOne) {
  EXPECT_EQ(Control->GetDragImages(), nullptr) << "the base has no drag picture";
  EXPECT_FALSE(Control->ControlStyle().Contains(csDisplayDragImage));

  auto* pictured = New<TPictureControl>(Form);
  pictured->SetParent(Form);
  pictured->SetBounds(220, 10, 100, 100);
  Idle();
  EXPECT_TRUE(pictured->ControlStyle().Contains(csDisplayDragImage));
  TcxDragImageList* list = pictured->GetDragImages();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Width(), 30);
  EXPECT_EQ(list->Height(), 20);
  EXPECT_EQ(list->Count(), 1);
  ASSERT_EQ(pictured->Drawn.size(), 1u);
  EXPECT_EQ(pictured->Drawn[0].right, 30);
  EXPECT_EQ(pictured->Drawn[0].bottom, 20);
  EXPECT_EQ(pictured->GetDragImages(), list) << "one picture a drag";
  EXPECT_EQ(pictured->Drawn.size(), 1u);

  // The picture keeps its inside; the frame's colour (the picture's transparent colour) lets the ground through.
  std::unique_ptr<TBitmap> ground(New<TBitmap>());
  ground->SetSize(30, 20);
  ground->Canvas()->Brush()->SetColor(clLime);
  ground->Canvas()->FillRect(RECT{0, 0, 30, 20});
  list->Draw(ground->Canvas(), 0, 0, 0);
  EXPECT_EQ(Px(ground.get(), 15, 10), Rgb(255, 0, 0));
  EXPECT_EQ(Px(ground.get(), 0, 0), Rgb(0, 255, 0));

  // The drag's end frees the list; the next drag draws its picture again.
  pictured->SetDragMode(dmAutomatic);
  POINT at = ScreenPt(pictured, 50, 50);
  headless::MouseMove(at.x, at.y);
  headless::WhenIdle([&] { headless::MouseMove(at.x + 20, at.y); });
  headless::MouseDown(VK_LBUTTON);
  Idle();
  ASSERT_TRUE(Dragging());
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_FALSE(Dragging());
  ASSERT_NE(pictured->GetDragImages(), nullptr);
  EXPECT_EQ(pictured->Drawn.size(), 2u);

  // Without a size there is no picture to hand out.
  pictured->DoEndDragPublic(nullptr, 0, 0);
  pictured->Size = POINT{0, 20};
  EXPECT_EQ(pictured->GetDragImages(), nullptr);
}

}  // namespace
