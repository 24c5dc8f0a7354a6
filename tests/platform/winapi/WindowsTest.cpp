// Windows: creation and destruction messages, activation and focus order, positions, coordinates,
// hit testing of windows and of the non-client area.

#include "Support.h"

using namespace wt;

namespace {

class Windows : public WinapiTest {};

TEST_F(Windows, TopLevelCreationSendsMessagesInOrder) {
  Log({WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
       WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED});
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200);
  ASSERT_TRUE(IsWindow(a));
  EXPECT_EQ(Logged(), (Lines{"A GETMINMAXINFO", "A NCCREATE", "A NCCALCSIZE", "A CREATE", "A SIZE", "A MOVE",
                             "A SHOWWINDOW", "A WINDOWPOSCHANGING", "A ACTIVATEAPP", "A NCACTIVATE", "A ACTIVATE",
                             "A SETFOCUS", "A WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_TRUE(IsWindowVisible(a));
}

TEST_F(Windows, ChildCreationNotifiesTheParentAndDoesNotActivate) {
  HWND p = Make("P", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200);
  Log({WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW,
       WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_ACTIVATE});
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 5, 6, 50, 40, p);
  ASSERT_TRUE(IsWindow(c));
  EXPECT_EQ(Logged(), (Lines{"C NCCREATE", "C NCCALCSIZE", "C CREATE", "C SIZE", "C MOVE", "P PARENTNOTIFY",
                             "C SHOWWINDOW", "C WINDOWPOSCHANGING", "C WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetParent(c), p);
  EXPECT_EQ(GetActiveWindow(), p);
}

TEST_F(Windows, CreationFailsWhenCreateReturnsMinusOne) {
  On("X", [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_CREATE) return false;
    r = -1;
    return true;
  });
  Log({WM_DESTROY, WM_NCDESTROY});
  EXPECT_EQ(Make("X", WS_POPUP, 0, 0, 10, 10), nullptr);
  EXPECT_EQ(Logged(), (Lines{"X DESTROY", "X NCDESTROY"}));
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Windows, DestructionGoesOwnedFirstThenParentBeforeChildrenThenNcDestroyUpwards) {
  HWND p = Make("P", WS_POPUP, 0, 0, 300, 200);
  HWND c = Make("C", WS_CHILD, 0, 0, 100, 100, p);
  HWND g = Make("G", WS_CHILD, 0, 0, 10, 10, c);
  HWND o = Make("O", WS_POPUP, 0, 0, 10, 10, p);
  EXPECT_EQ(GetWindow(o, GW_OWNER), p);
  Log({WM_DESTROY, WM_NCDESTROY});
  ASSERT_TRUE(DestroyWindow(p));
  EXPECT_EQ(Logged(), (Lines{"O DESTROY", "O NCDESTROY", "P DESTROY", "C DESTROY", "G DESTROY", "G NCDESTROY",
                             "C NCDESTROY", "P NCDESTROY"}));
  for (HWND h : {p, c, g, o}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(p));
}

TEST_F(Windows, DestroyingTheActiveWindowActivatesItsOwner) {
  HWND f = Make("F", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND d = Make("D", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 100, 100, f);
  ASSERT_EQ(GetActiveWindow(), d);
  DestroyWindow(d);
  EXPECT_EQ(GetActiveWindow(), f);
  EXPECT_EQ(GetFocus(), f);
}

TEST_F(Windows, ActivationDeactivatesTheOldWindowBeforeActivatingTheNewAndKillsFocusBeforeSettingIt) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND b = Make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200);
  ASSERT_EQ(GetActiveWindow(), b);
  std::vector<std::pair<WORD, HWND>> activates;
  auto rec = [&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT&) {
    if (m == WM_ACTIVATE) activates.emplace_back(LOWORD(w), reinterpret_cast<HWND>(l));
    return false;
  };
  On("A", rec);
  On("B", rec);
  Log({WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS, WM_ACTIVATEAPP});
  EXPECT_EQ(SetActiveWindow(a), b);
  EXPECT_EQ(Logged(), (Lines{"B NCACTIVATE", "B ACTIVATE", "A NCACTIVATE", "A ACTIVATE", "B KILLFOCUS",
                             "A SETFOCUS"}));
  EXPECT_EQ(activates, (std::vector<std::pair<WORD, HWND>>{{WA_INACTIVE, a}, {WA_ACTIVE, b}}));
  EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), a);  // activation brings the window to the top
  Clear();
  headless::SwitchToOtherApplication();
  EXPECT_EQ(Logged(), (Lines{"A NCACTIVATE", "A ACTIVATE", "A KILLFOCUS", "A ACTIVATEAPP", "B ACTIVATEAPP"}));
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Windows, FocusMovesWithKillBeforeSetAndNamesTheOtherWindow) {
  HWND p = Make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c1 = Make("C1", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, p);
  HWND c2 = Make("C2", WS_CHILD | WS_VISIBLE, 0, 30, 50, 20, p);
  SetFocus(c1);
  HWND killOther = nullptr, setOther = nullptr, focusDuringKill = nullptr;
  On("C1", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_KILLFOCUS) {
      killOther = reinterpret_cast<HWND>(w);
      focusDuringKill = GetFocus();
    }
    return false;
  });
  On("C2", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_SETFOCUS) setOther = reinterpret_cast<HWND>(w);
    return false;
  });
  Log({WM_KILLFOCUS, WM_SETFOCUS});
  EXPECT_EQ(SetFocus(c2), c1);
  EXPECT_EQ(Logged(), (Lines{"C1 KILLFOCUS", "C2 SETFOCUS"}));
  EXPECT_EQ(killOther, c2);
  EXPECT_EQ(setOther, c1);
  EXPECT_EQ(focusDuringKill, c2);
  Clear();
  EnableWindow(c2, FALSE);  // a disabled window loses the focus
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(Logged(), (Lines{"C2 KILLFOCUS"}));
}

TEST_F(Windows, SetWindowPosSendsChangingCalcSizeChangedThenMoveAndSize) {
  HWND p = Make("P", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 50, 40, p);
  Log({WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE, WM_GETMINMAXINFO});
  ASSERT_TRUE(SetWindowPos(c, nullptr, 20, 30, 100, 60, SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(Logged(), (Lines{"C WINDOWPOSCHANGING", "C NCCALCSIZE", "C WINDOWPOSCHANGED", "C MOVE", "C SIZE"}));
  RECT r, cr;
  GetWindowRect(c, &r);
  GetClientRect(c, &cr);
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{20, 30, 120, 90}));
  EXPECT_EQ((std::vector<LONG>{cr.right, cr.bottom}), (std::vector<LONG>{98, 58}));  // one-pixel border
  Clear();
  SetWindowPos(c, nullptr, 25, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(Logged(), (Lines{"C WINDOWPOSCHANGING", "C WINDOWPOSCHANGED", "C MOVE"}));
}

TEST_F(Windows, MinMaxInfoLimitsTheSizeOfResizableWindows) {
  On("A", [](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{150, 120};
    return false;
  });
  HWND a = Make("A", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
  MoveWindow(a, 0, 0, 100, 100, TRUE);
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r.right - r.left, 150);
  EXPECT_EQ(r.bottom - r.top, 120);
  ShowWindow(a, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(a));
  GetWindowRect(a, &r);
  EXPECT_EQ(r.right - r.left, 800 + 8);
  ShowWindow(a, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(a));
  GetWindowRect(a, &r);
  EXPECT_EQ(r.right - r.left, 150);
}

TEST_F(Windows, CoordinatesMapThroughFramesAndParents) {
  HWND f = Make("F", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 50, 300, 200);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 10, 20, 50, 40, f);
  POINT pt{0, 0};
  ClientToScreen(f, &pt);
  EXPECT_EQ(pt.x, 104);  // sizing frame 4
  EXPECT_EQ(pt.y, 73);   // frame 4 + caption 19
  pt = POINT{1, 2};
  ClientToScreen(c, &pt);
  EXPECT_EQ(pt.x, 115);
  EXPECT_EQ(pt.y, 95);
  ScreenToClient(f, &pt);
  EXPECT_EQ(pt.x, 11);
  EXPECT_EQ(pt.y, 22);
  POINT pts[2] = {{0, 0}, {5, 5}};
  MapWindowPoints(c, f, pts, 2);
  EXPECT_EQ(pts[1].x, 15);
  EXPECT_EQ(pts[1].y, 25);
  RECT adj{0, 0, 100, 100};
  AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ((std::vector<LONG>{adj.left, adj.top, adj.right, adj.bottom}), (std::vector<LONG>{-4, -23, 104, 104}));
  EXPECT_EQ(WindowFromPoint(POINT{115, 95}), c);
  EXPECT_EQ(WindowFromPoint(POINT{200, 150}), f);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
  EXPECT_EQ(ChildWindowFromPoint(f, POINT{11, 21}), c);
  EXPECT_EQ(ChildWindowFromPoint(f, POINT{100, 100}), f);
}

TEST_F(Windows, TransparentHitsAndWindowRegionsLetTheMouseThrough) {
  HWND p = Make("P", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, p);
  On("C", [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_NCHITTEST) return false;
    r = HTTRANSPARENT;
    return true;
  });
  EXPECT_EQ(WindowFromPoint(POINT{50, 50}), p);
  HWND q = Make("Q", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  SetWindowRgn(q, CreateRectRgn(100, 100, 200, 200), TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{150, 150}), q);
  EXPECT_EQ(WindowFromPoint(POINT{150, 50}), p);
  (void)c;
}

TEST_F(Windows, NonClientHitCodesFollowTheFrameLayout) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_VISIBLE, 100, 100, 300, 200);
  struct Case {
    int x, y;
    LRESULT code;
  };
  const Case cases[] = {
      {250, 110, HTCAPTION}, {390, 110, HTCLOSE},     {365, 110, HTMAXBUTTON}, {350, 110, HTMINBUTTON},
      {110, 110, HTSYSMENU}, {101, 200, HTLEFT},      {398, 200, HTRIGHT},     {250, 101, HTTOP},
      {250, 298, HTBOTTOM},  {101, 101, HTTOPLEFT},   {101, 115, HTTOPLEFT},   {398, 298, HTBOTTOMRIGHT},
      {398, 101, HTTOPRIGHT}, {101, 298, HTBOTTOMLEFT}, {200, 200, HTCLIENT},  {390, 200, HTVSCROLL},
      {50, 50, HTNOWHERE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.code) << c.x << "," << c.y;
  HWND b = Make("B", WS_POPUP | WS_BORDER | WS_VISIBLE, 500, 100, 100, 100);
  EXPECT_EQ(SendMessage(b, WM_NCHITTEST, 0, MAKELPARAM(500, 150)), HTBORDER);
}

TEST_F(Windows, AWindowMayComputeItsOwnClientArea) {
  On("A", [](HWND, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
    if (m != WM_NCCALCSIZE) return false;
    RECT* rc = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
    InflateRect(rc, -10, -10);
    r = 0;
    return true;
  });
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100);
  RECT cr;
  GetClientRect(a, &cr);
  EXPECT_EQ(cr.right, 80);
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(105, 150)), HTBORDER);
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(111, 150)), HTCLIENT);
  MoveWindow(a, 100, 100, 200, 100, TRUE);
  GetClientRect(a, &cr);
  EXPECT_EQ(cr.right, 180);
  POINT p{0, 0};
  ClientToScreen(a, &p);
  EXPECT_EQ(p.x, 110);
}

TEST_F(Windows, ZOrderKeepsTopmostWindowsAndOwnedWindowsAbove) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  HWND t = Make("T", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, WS_EX_TOPMOST);
  HWND o = Make("O", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a);
  HWND b = Make("B", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  auto order = [] {
    std::vector<HWND> v;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) v.push_back(h);
    return v;
  };
  EXPECT_EQ(order(), (std::vector<HWND>{t, b, o, a}));
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(order(), (std::vector<HWND>{t, o, a, b}));
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{b, t, o, a}));
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{t, b, o, a}));
}

TEST_F(Windows, LongsSubclassingPropertiesAndText) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  static WNDPROC previous = nullptr;
  static int seen = 0;
  seen = 0;
  WNDPROC sub = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) {
      ++seen;
      return 42;
    }
    return CallWindowProc(previous, h, m, w, l);
  };
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub)));
  EXPECT_EQ(previous, &RecordingProc);
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 42);
  EXPECT_EQ(seen, 1);
  SetWindowLongPtr(a, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongPtr(a, GWLP_USERDATA), 1234);
  SetWindowLong(a, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_BORDER));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLong(a, GWL_STYLE)), WS_POPUP | WS_BORDER);
  int token = 7;
  SetProp(a, "Owner", &token);
  EXPECT_EQ(GetProp(a, "Owner"), &token);
  EXPECT_EQ(RemoveProp(a, "Owner"), &token);
  EXPECT_EQ(GetProp(a, "Owner"), nullptr);
  SetWindowText(a, "Привет");
  char buf[32];
  EXPECT_EQ(GetWindowText(a, buf, sizeof buf), 12);
  EXPECT_STREQ(buf, "Привет");
  EXPECT_EQ(GetWindowTextLength(a), 12);
}

}  // namespace

namespace {

class WindowTree : public WinapiTest {};

TEST_F(WindowTree, MinimiseMaximiseAndRestoreReportTheirSizeKinds) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200);
  std::vector<WPARAM> kinds;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_SIZE) kinds.push_back(w);
    return false;
  });
  ShowWindow(a, SW_MAXIMIZE);
  ShowWindow(a, SW_RESTORE);
  ShowWindow(a, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(a));
  ShowWindow(a, SW_RESTORE);
  EXPECT_EQ(kinds, (std::vector<WPARAM>{SIZE_MAXIMIZED, SIZE_RESTORED, SIZE_MINIMIZED, SIZE_RESTORED}));
  WINDOWPLACEMENT wp{sizeof wp, 0, 0, {}, {}, {}};
  GetWindowPlacement(a, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(wp.rcNormalPosition.left, 10);
  EXPECT_EQ(wp.rcNormalPosition.right, 310);
}

TEST_F(WindowTree, SetParentMovesAWindowIntoAnotherTreeAndItsPixelsWithIt) {
  HWND p1 = Make("P1", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND p2 = Make("P2", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, p1);
  On("C", [](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r{0, 0, 20, 20};
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(h, &ps);
    return true;
  });
  Run();
  EXPECT_EQ(headless::Pixel(nullptr, 15, 15), 0xFFFFFFu);
  EXPECT_EQ(SetParent(c, p2), p1);
  Run();
  EXPECT_EQ(GetParent(c), p2);
  EXPECT_EQ(headless::Pixel(nullptr, 215, 15), 0xFFFFFFu);
  EXPECT_TRUE(IsChild(p2, c));
  EXPECT_FALSE(IsChild(p1, c));
  EXPECT_EQ(SetParent(p1, c), nullptr);  // no cycles
}

TEST_F(WindowTree, CaptionButtonsBecomeSystemCommands) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  std::vector<WPARAM> commands;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_SYSCOMMAND) commands.push_back(w & 0xFFF0);
    return false;
  });
  Log({WM_CLOSE, WM_DESTROY});
  headless::Click(365, 110);  // maximise
  Run();
  EXPECT_TRUE(IsZoomed(a));
  RECT r;
  GetWindowRect(a, &r);
  headless::AdvanceClock(1000);
  headless::Click(r.right - 10, r.top + 10);  // close
  Run();
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_MAXIMIZE, SC_CLOSE}));
  EXPECT_EQ(Logged(), (Lines{"A CLOSE", "A DESTROY"}));
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(WindowTree, EnumerationAndRelationsFollowTheZOrder) {
  HWND p = Make("P", WS_POPUP, 0, 0, 100, 100);
  HWND a = Make("A", WS_CHILD, 0, 0, 10, 10, p);
  HWND b = Make("B", WS_CHILD, 0, 0, 10, 10, p);
  HWND g = Make("G", WS_CHILD, 0, 0, 10, 10, a);
  static std::vector<HWND> seen;
  seen.clear();
  EnumChildWindows(p, [](HWND h, LPARAM) -> BOOL {
    seen.push_back(h);
    return TRUE;
  }, 0);
  EXPECT_EQ(seen, (std::vector<HWND>{b, a, g}));  // newest on top, each followed by its own children
  EXPECT_EQ(GetWindow(p, GW_CHILD), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDPREV), b);
  EXPECT_EQ(GetAncestor(g, GA_ROOT), p);
  EXPECT_EQ(GetAncestor(g, GA_PARENT), a);
  EXPECT_EQ(GetAncestor(p, GA_PARENT), GetDesktopWindow());
  SetWindowPos(b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(p, GW_CHILD), a);
}

}  // namespace
