// Input: mouse activation, popups that do not activate, double clicks, mouse leave and hover, capture,
// disabled windows, keyboard messages, layouts and key state.

#include "Support.h"

using namespace wt;

namespace {

class Input : public WinapiTest {};

TEST_F(Input, ClickOnAnInactiveWindowAsksMouseActivateThenActivatesThenDelivers) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  HWND b = Make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 0, 200, 200);
  Run();
  ASSERT_EQ(GetActiveWindow(), b);
  Log({WM_MOUSEACTIVATE, WM_ACTIVATE, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP});
  headless::Click(100, 100);
  Run();
  EXPECT_EQ(Logged(), (Lines{"A SETCURSOR", "A MOUSEMOVE", "A MOUSEACTIVATE", "B ACTIVATE", "A ACTIVATE", "A SETCURSOR", "A LBUTTONDOWN",
                             "A SETCURSOR", "A LBUTTONUP"}));
  EXPECT_EQ(GetActiveWindow(), a);
  Clear();
  headless::Click(110, 100);  // the active window is not asked again
  Run();
  EXPECT_EQ(Logged(), (Lines{"A SETCURSOR", "A MOUSEMOVE", "A SETCURSOR", "A LBUTTONDOWN", "A SETCURSOR",
                             "A LBUTTONUP"}));
}

TEST_F(Input, PopupShownWithoutActivationKeepsTheOwnersFocus) {
  HWND f = Make("F", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300);
  HWND e = Make("E", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, f);
  SetFocus(e);
  HWND p = Make("P", WS_POPUP | WS_BORDER, 50, 50, 100, 100, f);
  On("P", [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_MOUSEACTIVATE) return false;
    r = MA_NOACTIVATE;
    return true;
  });
  Log({WM_ACTIVATE, WM_NCACTIVATE, WM_KILLFOCUS, WM_SETFOCUS, WM_LBUTTONDOWN});
  ShowWindow(p, SW_SHOWNA);
  SetWindowPos(p, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(p));
  EXPECT_EQ(GetTopWindow(nullptr), p);
  EXPECT_EQ(GetActiveWindow(), f);
  EXPECT_EQ(GetFocus(), e);
  headless::Click(100, 100);
  Run();
  EXPECT_EQ(Logged(), (Lines{"P LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), f);
  EXPECT_EQ(GetFocus(), e);
}

TEST_F(Input, AChildWindowFloatingOnTheDesktopIsNeverActivated) {
  HWND f = Make("F", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300);
  HWND e = Make("E", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, f);
  SetFocus(e);
  HWND d = Make("D", WS_CHILD | WS_BORDER, 0, 0, 100, 100, f, WS_EX_TOOLWINDOW);
  SetParent(d, nullptr);
  SetWindowPos(d, HWND_TOPMOST, 400, 50, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetAncestor(d, GA_PARENT), GetDesktopWindow());
  Log({WM_LBUTTONDOWN, WM_ACTIVATE, WM_KILLFOCUS});
  headless::Click(450, 100);
  Run();
  EXPECT_EQ(Logged(), (Lines{"D LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), f);
  EXPECT_EQ(GetFocus(), e);
}

TEST_F(Input, DoubleClicksNeedTheClassStyleAndTheSystemTimeAndDistance) {
  struct Case {
    const char* cls;
    uint32_t gap;
    int dx;
    bool dbl;
  };
  const Case cases[] = {
      {"RecDbl", 100, 0, true}, {"RecDbl", 500, 2, true}, {"RecDbl", 501, 0, false},
      {"RecDbl", 100, 3, false}, {"Rec", 100, 0, false},
  };
  for (const Case& c : cases) {
    headless::Init(800, 600);
    S().log.clear();
    S().names.clear();
    WNDCLASS wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.style = std::string(c.cls) == "RecDbl" ? CS_DBLCLKS : 0;
    wc.lpszClassName = c.cls;
    RegisterClass(&wc);
    Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, 0, c.cls);
    Log({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    headless::Click(50, 50);
    Run();
    headless::AdvanceClock(c.gap);
    headless::Click(50 + c.dx, 50);
    Run();
    Lines expected = c.dbl ? Lines{"W LBUTTONDOWN", "W LBUTTONDBLCLK"} : Lines{"W LBUTTONDOWN", "W LBUTTONDOWN"};
    EXPECT_EQ(Logged(), expected) << c.cls << " gap " << c.gap << " dx " << c.dx;
  }
}

TEST_F(Input, ATripleClickIsADoubleClickFollowedByADown) {
  Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, 0, "RecDbl");
  Log({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
  for (int i = 0; i < 3; ++i) headless::Click(20, 20);
  Run();
  EXPECT_EQ(Logged(), (Lines{"W LBUTTONDOWN", "W LBUTTONDBLCLK", "W LBUTTONDOWN"}));
}

TEST_F(Input, TrackedWindowGetsOneMouseLeaveWhenTheMouseGoes) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Make("B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  headless::MouseMove(50, 50);
  Run();
  TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, a, HOVER_DEFAULT};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  Log({WM_MOUSELEAVE, WM_MOUSEMOVE});
  headless::MouseMove(60, 50);
  Run();
  headless::MouseMove(250, 50);
  Run();
  headless::MouseMove(260, 50);
  Run();
  EXPECT_EQ(Logged(), (Lines{"A MOUSEMOVE", "B MOUSEMOVE", "A MOUSELEAVE", "B MOUSEMOVE"}));
  Clear();
  ASSERT_TRUE(TrackMouseEvent(&tme));  // asked while the mouse is elsewhere: the leave comes at once
  Run();
  EXPECT_EQ(Logged(), (Lines{"A MOUSELEAVE"}));
}

TEST_F(Input, HoverIsReportedAfterTheHoverTime) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  headless::MouseMove(50, 50);
  Run();
  TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, a, HOVER_DEFAULT};
  TrackMouseEvent(&tme);
  Log({WM_MOUSEHOVER});
  headless::AdvanceClock(399);
  EXPECT_TRUE(Logged().empty());
  headless::AdvanceClock(1);
  EXPECT_EQ(Logged(), (Lines{"A MOUSEHOVER"}));
}

TEST_F(Input, CaptureTakesEveryMouseMessageUntilReleasedOrTaken) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  std::vector<std::pair<int, int>> points;
  std::vector<HWND> changedTo;
  On("A", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_MOUSEMOVE) points.emplace_back(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    if (m == WM_CAPTURECHANGED) changedTo.push_back(reinterpret_cast<HWND>(l));
    return false;
  });
  On("B", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_CAPTURECHANGED) changedTo.push_back(reinterpret_cast<HWND>(l));
    return false;
  });
  Log({WM_MOUSEMOVE, WM_CAPTURECHANGED, WM_CANCELMODE});
  SetCapture(a);
  headless::MouseMove(250, 20);
  Run();
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{{250, 20}}));
  EXPECT_EQ(GetCapture(), a);
  SetCapture(b);
  ReleaseCapture();
  EXPECT_EQ(changedTo, (std::vector<HWND>{b, nullptr}));
  EXPECT_EQ(GetCapture(), nullptr);
  SetCapture(b);
  Clear();
  EnableWindow(b, FALSE);  // disabling cancels modes, which releases the capture
  EXPECT_EQ(Logged(), (Lines{"B CANCELMODE", "B CAPTURECHANGED"}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, ClickOnADisabledWindowBeepsAndDeliversNothing) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  EnableWindow(a, FALSE);
  std::vector<LRESULT> hits;
  On("A", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_SETCURSOR) hits.push_back(static_cast<SHORT>(LOWORD(l)));
    return false;
  });
  Log({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEACTIVATE});
  int beeps = headless::BeepCount();
  headless::Click(100, 100);
  Run();
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(hits.back(), HTERROR);
}

TEST_F(Input, TheCursorIsTheClassCursorOfTheWindowUnderTheMouse) {
  WNDCLASS wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "Beam";
  wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
  RegisterClass(&wc);
  HWND p = Make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300);
  Make("E", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, p, 0, "Beam");
  struct Case {
    int x, y;
    LPCSTR cursor;
  };
  const Case cases[] = {{20, 40, IDC_IBEAM}, {150, 150, IDC_ARROW}, {1, 150, IDC_SIZEWE}, {20, 40, IDC_IBEAM}};
  for (const Case& c : cases) {
    headless::MouseMove(c.x, c.y);
    Run();
    EXPECT_EQ(headless::CurrentCursor(), LoadCursor(nullptr, c.cursor)) << c.x << "," << c.y;
  }
}

TEST_F(Input, RightButtonUpBecomesAContextMenuAtTheScreenPoint) {
  HWND p = Make("P", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
  Make("C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, p);
  std::pair<int, int> at{};
  On("P", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_CONTEXTMENU) at = {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    return false;
  });
  Log({WM_RBUTTONUP, WM_CONTEXTMENU});
  headless::Click(120, 130, VK_RBUTTON);
  Run();
  EXPECT_EQ(Logged(), (Lines{"C RBUTTONUP", "C CONTEXTMENU", "P CONTEXTMENU"}));
  EXPECT_EQ(at, std::make_pair(120, 130));
}

TEST_F(Input, MouseMessagesCarryKeyStateFlagsAndTheWheelGoesToTheFocus) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, a);
  SetFocus(c);
  std::vector<WPARAM> flags;
  SHORT delta = 0;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_LBUTTONDOWN) flags.push_back(w);
    if (m == WM_MOUSEWHEEL) delta = GET_WHEEL_DELTA_WPARAM(w);
    return false;
  });
  Log({WM_MOUSEWHEEL});
  headless::KeyDown(VK_CONTROL);
  headless::MouseMove(100, 100);
  headless::MouseDown();
  headless::Wheel(-120);
  headless::MouseUp();
  headless::KeyUp(VK_CONTROL);
  Run();
  EXPECT_EQ(flags, (std::vector<WPARAM>{MK_LBUTTON | MK_CONTROL}));
  EXPECT_EQ(Logged(), (Lines{"C MOUSEWHEEL", "A MOUSEWHEEL"}));  // unhandled wheels climb to the parent
  EXPECT_EQ(delta, -120);
}

TEST_F(Input, KeysBecomeCharactersThroughTheActiveLayout) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  std::u32string typed;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_CHAR) typed += static_cast<char32_t>(w);
    return false;
  });
  headless::TypeText("Hi, World!");
  Run();
  EXPECT_EQ(typed, U"Hi, World!");
  typed.clear();
  ActivateKeyboardLayout(HKL_RU, 0);
  headless::TypeText("Привет, Ёж");
  Run();
  EXPECT_EQ(typed, U"Привет, Ёж");
  typed.clear();
  headless::KeyPress(VK_CAPITAL);
  headless::KeyPress('Q');
  headless::KeyDown(VK_SHIFT);
  headless::KeyPress('Q');
  headless::KeyUp(VK_SHIFT);
  Run();
  EXPECT_EQ(typed, U"Йй");
  (void)a;
}

TEST_F(Input, AltMakesSystemKeysAndSystemCharacters) {
  Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  std::vector<std::pair<std::string, WPARAM>> seen;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m >= WM_KEYDOWN && m <= WM_SYSCHAR) seen.emplace_back(MsgName(m), w);
    return false;
  });
  headless::KeyDown(VK_MENU);
  headless::KeyPress('F');
  headless::KeyUp(VK_MENU);
  headless::KeyPress(VK_F10);
  Run();
  using P = std::pair<std::string, WPARAM>;
  EXPECT_EQ(seen, (std::vector<P>{{"SYSKEYDOWN", VK_MENU}, {"SYSKEYDOWN", 'F'}, {"SYSCHAR", 'f'}, {"SYSKEYUP", 'F'},
                                  {"SYSKEYUP", VK_MENU}, {"SYSKEYDOWN", VK_F10}, {"SYSKEYUP", VK_F10}}));
}

TEST_F(Input, KeyDataAndKeyStateFollowTheQueue) {
  Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  std::vector<LPARAM> data;
  std::vector<bool> shiftSeen;
  On("A", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_KEYDOWN || m == WM_KEYUP) {
      data.push_back(l);
      shiftSeen.push_back(GetKeyState(VK_SHIFT) < 0);
    }
    return false;
  });
  headless::KeyDown(VK_SHIFT);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);  // at once
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);       // only once the queue got there
  headless::KeyDown('A');
  headless::KeyDown('A');
  headless::KeyUp('A');
  headless::KeyUp(VK_SHIFT);
  Run();
  ASSERT_EQ(data.size(), 5u);
  EXPECT_EQ(data[1] & 0xFFFF, 1);
  EXPECT_EQ((data[1] >> 16) & 0xFF, 0x1E);  // scan code of A
  EXPECT_EQ((data[1] >> 30) & 1, 0);        // first press
  EXPECT_EQ((data[2] >> 30) & 1, 1);        // repeat
  EXPECT_EQ((data[3] >> 30) & 3, 3);        // release
  EXPECT_EQ(shiftSeen, (std::vector<bool>{true, true, true, true, false}));
  headless::KeyPress(VK_CAPITAL);
  Run();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
  BYTE state[256];
  GetKeyboardState(state);
  EXPECT_EQ(state[VK_CAPITAL] & 1, 1);
  EXPECT_EQ(state['A'] & 0x80, 0);
}

TEST_F(Input, F1AsksForHelpUpTheParentChain) {
  HWND p = Make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  SetFocus(c);
  HANDLE item = nullptr;
  On("P", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
    if (m == WM_HELP) item = reinterpret_cast<HELPINFO*>(l)->hItemHandle;
    return false;
  });
  Log({WM_HELP});
  headless::KeyPress(VK_F1);
  Run();
  EXPECT_EQ(Logged(), (Lines{"C HELP", "P HELP"}));
  EXPECT_EQ(item, c);
}

TEST_F(Input, LayoutTablesMapKeysScanCodesAndCharacters) {
  struct Case {
    HKL layout;
    uint32_t ch;
    SHORT scan;
  };
  const Case cases[] = {{HKL_US, 'a', 'A'},          {HKL_US, 'A', 0x100 | 'A'},     {HKL_US, '!', 0x100 | '1'},
                        {HKL_US, '/', VK_OEM_2},     {HKL_RU, 0x0444, 'A'},          {HKL_RU, 0x0424, 0x100 | 'A'},
                        {HKL_RU, '.', VK_OEM_2},     {HKL_RU, 0x0451, VK_OEM_3},     {HKL_US, 0x0444, -1}};
  for (const Case& c : cases) EXPECT_EQ(VkKeyScanExW(c.ch, c.layout), c.scan) << c.ch;
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_VSC), 0x1Eu);
  EXPECT_EQ(MapVirtualKey(0x1E, MAPVK_VSC_TO_VK), static_cast<UINT>('A'));
  EXPECT_EQ(MapVirtualKey(VK_OEM_MINUS, MAPVK_VK_TO_CHAR), static_cast<UINT>('-'));
  EXPECT_EQ(VkKeyScan('z'), 'Z');
}

}  // namespace
