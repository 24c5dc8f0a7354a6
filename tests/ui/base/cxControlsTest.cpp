#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Menus.h"
#include "rtl/FormatSettings.h"
#include "ui/base/cxControls.h"
#include "winapi/Headless.h"
#include "winapi/WinGdi.h"

namespace {

// A panel that counts what the tracking sends it.
class TTrackedPanel : public TPanel {
  RTL_CLASS(TTrackedPanel, TPanel)
public:
  using TPanel::TPanel;
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_MOUSELEAVE) ++MouseLeaves;
    if (m.Msg == WM_MOUSEMOVE) Moves.push_back(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    inherited::WndProc(m);
  }
  int MouseLeaves = 0;
  std::vector<POINT> Moves;
};

class TTestCaller : public TInterfacedObject, public IcxMouseTrackingCaller {
  RTL_CLASS(TTestCaller, TInterfacedObject)
  RTL_INTERFACES(IcxMouseTrackingCaller)
public:
  void MouseLeave() override {
    ++Leaves;
    if (StopItself) StopMouseTracking(this);
  }
  int Leaves = 0;
  bool StopItself = false;
};

// A caller that decides by itself what lies inside.
class TAreaCaller : public TTestCaller, public IcxMouseTrackingArea {
  RTL_CLASS(TAreaCaller, TTestCaller)
  RTL_INTERFACES(IcxMouseTrackingArea)
public:
  bool PtInArea(POINT P) override {
    Asked.push_back(P);
    return Inside;
  }
  bool Inside = true;
  std::vector<POINT> Asked;
};

class cxControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(100, 100, 300, 200);
    Panel = New<TTrackedPanel>(Form);
    Panel->SetParent(Form);
    Panel->SetBounds(10, 10, 100, 50);
    Form->Show();
    headless::RunUntilIdle();
  }
  void TearDown() override {
    cxControlsFinalize();
    DoneForms();
    headless::Shutdown();
  }
  static void MoveTo(POINT screen) {
    headless::MouseMove(screen.x, screen.y);
    headless::RunUntilIdle();
  }
  static void Advance(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
  POINT PanelPoint(int x, int y) { return Panel->ClientToScreen(POINT{x, y}); }

  TForm* Form = nullptr;
  TTrackedPanel* Panel = nullptr;
};

// ---- timer -------------------------------------------------------------------------------------------

TEST_F(cxControlsTest, TimerStartsOnlyWithAHandlerAndKeepsItsPhaseForTheSameInterval) {
  auto* timer = New<TcxTimer>(nullptr);
  int ticks = 0;
  EXPECT_FALSE(timer->Running());
  Advance(2000);
  timer->SetOnTimer([&ticks](TObject* sender) {
    EXPECT_NE(sender, nullptr);
    ++ticks;
  });
  EXPECT_TRUE(timer->Running());
  Advance(999);
  EXPECT_EQ(ticks, 0);
  Advance(1);
  EXPECT_EQ(ticks, 1);
  Advance(600);
  timer->SetInterval(1000);  // the same value: no restart
  timer->SetInterval(0);     // ignored
  timer->SetInterval(-5);    // ignored
  EXPECT_EQ(timer->Interval(), 1000);
  Advance(400);
  EXPECT_EQ(ticks, 2);
  Advance(600);
  timer->SetInterval(500);  // another value: a full interval from now
  Advance(499);
  EXPECT_EQ(ticks, 2);
  Advance(1);
  EXPECT_EQ(ticks, 3);
  timer->SetEnabled(false);
  EXPECT_FALSE(timer->Running());
  Advance(2000);
  EXPECT_EQ(ticks, 3);
  timer->Free();
}

TEST_F(cxControlsTest, TimerMayFreeItselfInItsHandler) {
  auto* timer = New<TcxTimer>(nullptr);
  auto* other = New<TcxTimer>(nullptr);
  int otherTicks = 0;
  timer->SetInterval(10);
  other->SetInterval(10);
  timer->SetOnTimer([timer](TObject*) { timer->Free(); });
  other->SetOnTimer([&otherTicks](TObject*) { ++otherTicks; });
  Advance(30);
  EXPECT_EQ(otherTicks, 3);
  other->Free();
}

// ---- mouse tracking ----------------------------------------------------------------------------------

TEST_F(cxControlsTest, LeavingTheTrackedRectCallsMouseLeaveOnceAndEndsTracking) {
  IPtr<TTestCaller> caller(New<TTestCaller>());
  MoveTo(PanelPoint(50, 25));
  StartMouseTracking(Panel, RECT{0, 0, 100, 50}, caller.get());
  StartMouseTracking(Panel, RECT{0, 0, 100, 50}, caller.get());
  EXPECT_EQ(MouseTrackingCount(), 1);
  EXPECT_TRUE(IsMouseTracking(caller.get()));
  Advance(55);
  EXPECT_EQ(caller->Leaves, 0);
  MoveTo(POINT{5, 5});
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
  EXPECT_EQ(Panel->MouseLeaves, 1);
  EXPECT_FALSE(IsMouseTracking(caller.get()));
  Advance(100);
  EXPECT_EQ(caller->Leaves, 1);
  EXPECT_EQ(caller->RefCount(), 1);  // the entry let go of the caller
}

TEST_F(cxControlsTest, LeavingOnlyTheTrackedPartTellsTheCallerButNotTheControl) {
  IPtr<TTestCaller> caller(New<TTestCaller>());
  MoveTo(PanelPoint(5, 5));
  StartMouseTracking(Panel, RECT{0, 0, 20, 20}, caller.get());
  MoveTo(PanelPoint(20, 5));  // the right edge lies outside
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
  EXPECT_EQ(Panel->MouseLeaves, 0);
}

TEST_F(cxControlsTest, AnAreaCallerDecidesWithClientPoints) {
  IPtr<TAreaCaller> caller(New<TAreaCaller>());
  MoveTo(PanelPoint(30, 40));
  StartMouseTracking(Panel, RECT{0, 0, 1, 1}, caller.get());
  Advance(10);
  EXPECT_EQ(caller->Leaves, 0);
  ASSERT_FALSE(caller->Asked.empty());
  EXPECT_EQ(caller->Asked.back().x, 30);
  EXPECT_EQ(caller->Asked.back().y, 40);
  caller->Inside = false;
  caller->StopItself = true;  // stopping from inside MouseLeave is fine
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(cxControlsTest, AnAreaCallerWithoutAControlIsOutside) {
  IPtr<TAreaCaller> caller(New<TAreaCaller>());
  StartMouseTracking(nullptr, RECT{0, 0, 800, 600}, caller.get());
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
  EXPECT_TRUE(caller->Asked.empty());
}

TEST_F(cxControlsTest, TrackedControlFreedFirstIsNoLongerTouched) {
  IPtr<TTestCaller> caller(New<TTestCaller>());
  MoveTo(PanelPoint(5, 5));
  StartMouseTracking(Panel, RECT{0, 0, 20, 20}, caller.get());
  Panel->Free();
  Panel = nullptr;
  MoveTo(POINT{1, 1});
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
}

TEST_F(cxControlsTest, FinalizingWithTrackedCallersFreesTheEntriesQuietly) {
  IPtr<TTestCaller> caller(New<TTestCaller>());
  IPtr<TTestCaller> another(New<TTestCaller>());
  MoveTo(PanelPoint(5, 5));
  StartMouseTracking(Panel, RECT{0, 0, 20, 20}, caller.get());
  StartMouseTracking(nullptr, RECT{0, 0, 800, 600}, another.get());
  EXPECT_EQ(caller->RefCount(), 2);
  EXPECT_NO_THROW(cxControlsFinalize());
  EXPECT_EQ(MouseTrackingCount(), 0);
  EXPECT_EQ(caller->RefCount(), 1);
  EXPECT_EQ(another->RefCount(), 1);
  MoveTo(POINT{1, 1});
  Advance(50);
  EXPECT_EQ(caller->Leaves, 0);
  // The unit works again afterwards.
  StartMouseTracking(nullptr, RECT{0, 0, 10, 10}, caller.get());
  MoveTo(POINT{20, 20});
  Advance(10);
  EXPECT_EQ(caller->Leaves, 1);
}

// ---- cursors -----------------------------------------------------------------------------------------

TEST_F(cxControlsTest, HourglassNests) {
  Screen->SetCursor(crCross);
  PopHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crCross);
  EXPECT_EQ(HourglassNesting(), 0);
  PushHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  Screen->SetCursor(crIBeam);  // a change inside is not what the outermost pop restores
  PushHourglassCursor();
  PopHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crIBeam);
  PopHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crCross);
  PopHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crCross);
  EXPECT_EQ(HourglassNesting(), 0);
}

TEST_F(cxControlsTest, SuiteCursorsAreRegisteredWithTheirPictures) {
  RegistercxCursors();
  std::set<HCURSOR> handles;
  for (TCursor c = crcxDragCopy; c <= crcxDrag; ++c) {
    HCURSOR h = Screen->Cursors(c);
    ASSERT_NE(h, nullptr) << c;
    ASSERT_NE(h, Screen->Cursors(crDefault)) << c;
    handles.insert(h);
  }
  EXPECT_EQ(handles.size(), 14u);
  EXPECT_STREQ(cxCursorResourceName(crcxDragCopy), "CX_DRAGCOPYCURSOR");
  EXPECT_STREQ(cxCursorResourceName(crcxDrag), "CX_DRAGCURSOR");
  EXPECT_EQ(cxCursorResourceName(2114), nullptr);
  EXPECT_EQ(LoadcxCursor("CX_NOSUCHCURSOR"), nullptr);

  struct TPixel {
    TCursor Cursor;
    int X, Y;
    uint32_t Argb;
  };
  const TPixel pixels[] = {
      {crcxDrag, 0, 0, 0xFF000000},       {crcxDrag, 1, 2, 0xFFFFFFFF},        {crcxDrag, 31, 31, 0},
      {crcxDrag, 8, 18, 0xFF000000},      {crcxDrag, 12, 22, 0xFFFFFFFF},      {crcxDragCopy, 24, 26, 0xFF000000},
      {crcxNoDrop, 15, 15, 0xFF000000},   {crcxNoDrop, 0, 0, 0},               {crcxFullScroll, 15, 15, 0xFF000000},
      {crcxUpScroll, 15, 7, 0xFF000000},  {crcxUpScroll, 15, 23, 0xFFFFFFFF},  {crcxVertSize, 15, 3, 0xFF000000},
      {crcxHorzSize, 3, 15, 0xFF000000},  {crcxHorzSize, 15, 3, 0},
  };
  std::vector<uint32_t> argb(32 * 32);
  for (const auto& p : pixels) {
    int w = 0, h = 0;
    POINT hot{};
    ASSERT_TRUE(winapi::GetCursorImage(Screen->Cursors(p.Cursor), &w, &h, &hot, argb.data()));
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 32);
    EXPECT_EQ(argb[static_cast<size_t>(p.Y) * 32 + p.X], p.Argb) << p.Cursor << " at " << p.X << "," << p.Y;
  }
  POINT hot{};
  winapi::GetCursorImage(Screen->Cursors(crcxDrag), nullptr, nullptr, &hot, nullptr);
  EXPECT_EQ(hot.x, 0);
  winapi::GetCursorImage(Screen->Cursors(crcxNoDrop), nullptr, nullptr, &hot, nullptr);
  EXPECT_EQ(hot.x, 15);
  EXPECT_EQ(hot.y, 15);
}

// ---- popup menus -------------------------------------------------------------------------------------

class TSuiteMenu : public TComponent, public IcxPopupMenuSupport {
  RTL_CLASS(TSuiteMenu, TComponent)
public:
  using TComponent::TComponent;
  int32_t QueryInterface(const TGUID&, void** obj) override {
    *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  bool IsShortCut(TMessage&) override { return ShortCut; }
  void Popup(int32_t X, int32_t Y) override { PoppedAt.push_back(POINT{X, Y}); }
  bool ShortCut = true;
  std::vector<POINT> PoppedAt;
};

TEST_F(cxControlsTest, PopupRoutinesAcceptSuiteMenusAndPlatformMenus) {
  auto* suiteMenu = New<TSuiteMenu>(Form);
  auto* platformMenu = New<TPopupMenu>(Form);
  platformMenu->SetAutoPopup(false);
  auto* other = New<TComponent>(Form);
  EXPECT_FALSE(PopupMenuAtPoint(Panel, nullptr, 1, 2));
  EXPECT_TRUE(PopupMenuAtPoint(Panel, suiteMenu, 30, 40));
  ASSERT_EQ(suiteMenu->PoppedAt.size(), 1u);
  EXPECT_EQ(suiteMenu->PoppedAt[0].x, 30);
  EXPECT_EQ(suiteMenu->PoppedAt[0].y, 40);
  EXPECT_FALSE(PopupMenuAtPoint(Panel, platformMenu, 30, 40));
  EXPECT_FALSE(PopupMenuAtPoint(Panel, other, 30, 40));

  TMessage key{WM_KEYDOWN, 'Q', 0, 0};
  EXPECT_TRUE(IsPopupMenuShortCut(suiteMenu, key));
  suiteMenu->ShortCut = false;
  EXPECT_FALSE(IsPopupMenuShortCut(suiteMenu, key));
  EXPECT_FALSE(IsPopupMenuShortCut(nullptr, key));
  EXPECT_FALSE(IsPopupMenuShortCut(other, key));
}

TEST_F(cxControlsTest, PopupMenuHeightCountsVisibleItems) {
  auto* menu = New<TPopupMenu>(Form);
  const int32_t empty = CalcPopupMenuHeight(menu);
  EXPECT_EQ(empty, 4);
  for (int i = 0; i < 3; ++i) {
    auto* item = New<TMenuItem>(menu);
    item->SetCaption("Item");
    menu->Items()->Add(item);
  }
  const int32_t three = CalcPopupMenuHeight(menu);
  menu->Items()->Items(1)->SetVisible(false);
  const int32_t two = CalcPopupMenuHeight(menu);
  const int32_t itemHeight = three - two;
  EXPECT_GT(itemHeight, 8);
  EXPECT_EQ(three, 3 * itemHeight + 4);
}

// ---- window, monitor and input routines --------------------------------------------------------------

TEST_F(cxControlsTest, FitRectToWorkAreaShiftsWithoutResizing) {
  RECT area;
  GetMonitorWorkAreaAtPoint(POINT{10, 10}, area);
  ASSERT_GT(area.right - area.left, 400);
  struct TCase {
    const char* Name;
    RECT In, Out;  // relative to the work area's top-left corner
  };
  const LONG w = area.right - area.left, h = area.bottom - area.top;
  const TCase cases[] = {
      {"inside stays", {10, 10, 110, 60}, {10, 10, 110, 60}},
      {"past the right edge", {w - 50, 10, w + 50, 60}, {w - 100, 10, w, 60}},
      {"past the bottom", {10, h - 10, 110, h + 40}, {10, h - 50, 110, h}},
      {"before the top-left corner", {-20, -30, 80, 70}, {0, 0, 100, 100}},
      {"wider than the area keeps its left edge in", {-5, 0, w + 195, 10}, {0, 0, w + 200, 10}},
  };
  for (const auto& c : cases) {
    RECT r = c.In;
    OffsetRect(&r, area.left, area.top);
    FitRectToWorkArea(r, POINT{area.left + 1, area.top + 1});
    OffsetRect(&r, -area.left, -area.top);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
              (std::vector<LONG>{c.Out.left, c.Out.top, c.Out.right, c.Out.bottom}))
        << c.Name;
  }
}

TEST_F(cxControlsTest, CharacterKindsAndDragThreshold) {
  const char sep = FormatSettings().DecimalSeparator;
  struct TCase {
    char Ch;
    int32_t Kind;
    bool Expected;
  };
  const TCase cases[] = {{'5', 0, true}, {'+', 0, true}, {'-', 3, true}, {sep, 0, false}, {sep, 1, true},
                         {sep, 2, true}, {'e', 1, false}, {'e', 2, true}, {'E', 2, true}, {'x', 2, false}};
  for (const auto& c : cases) EXPECT_EQ(IsNumericChar(c.Ch, c.Kind), c.Expected) << c.Ch << " kind " << c.Kind;
  EXPECT_TRUE(IsPrintableChar(U' '));
  EXPECT_FALSE(IsPrintableChar(U'\t'));
  EXPECT_TRUE(IsPrintableChar(U'я'));
  EXPECT_EQ(TranslateKey(VK_RETURN), VK_RETURN);

  Mouse->SetDragThreshold(5);
  const POINT p{10, 10};
  EXPECT_TRUE(IsWithinDragThreshold(p, 14, 6));
  EXPECT_FALSE(IsWithinDragThreshold(p, 15, 10));
  EXPECT_FALSE(IsWithinDragThreshold(p, 10, 5));
}

TEST_F(cxControlsTest, WindowRoutines) {
  EXPECT_TRUE(HasParentWithHandle(Panel));
  EXPECT_FALSE(HasParentWithHandle(Form));
  EXPECT_FALSE(IsLoadingComponent(Panel));

  MoveTo(PanelPoint(7, 9));
  Panel->Moves.clear();
  PostCursorMouseMove(Panel);
  headless::RunUntilIdle();
  ASSERT_EQ(Panel->Moves.size(), 1u);
  EXPECT_EQ(Panel->Moves[0].x, 7);
  EXPECT_EQ(Panel->Moves[0].y, 9);

  RECT r{0, 0, 10, 10};
  MapRectBetweenWindows(Panel->Handle(), nullptr, r);
  const POINT origin = PanelPoint(0, 0);
  EXPECT_EQ(r.left, origin.x);
  EXPECT_EQ(r.bottom, origin.y + 10);
  POINT c;
  GetCursorScreenPos(c);
  EXPECT_EQ(c.x, PanelPoint(7, 9).x);
}

TEST_F(cxControlsTest, HotTrackingNeedsTheControlUnderTheCursorOnAnActiveForm) {
  MoveTo(PanelPoint(5, 5));
  EXPECT_TRUE(CanHotTrackControl(Panel));
  MoveTo(POINT{790, 590});
  EXPECT_FALSE(CanHotTrackControl(Panel));
  MoveTo(PanelPoint(5, 5));
  headless::SwitchToOtherApplication();
  headless::RunUntilIdle();
  EXPECT_FALSE(CanHotTrackControl(Panel));
}

}  // namespace
