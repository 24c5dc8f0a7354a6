// The queue: sent messages, posted messages from other threads, filters, nested loops and WM_QUIT,
// timers on the test clock, hooks, and exceptions at the window procedure boundary.

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Support.h"
#include "rtl/Clock.h"

using namespace wt;

namespace {

class Queue : public WinapiTest {};

TEST_F(Queue, SentMessagesNestInsideSentMessagesAndReturnTheirResults) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("B", WS_POPUP, 0, 0, 10, 10);
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT& r) {
    if (m == WM_USER) {
      r = 100 + SendMessage(b, WM_USER + 1, 0, 0);
      S().log.push_back("A back");
      return true;
    }
    if (m == WM_USER + 2) {
      r = static_cast<LRESULT>(w) * 2;
      return true;
    }
    return false;
  });
  On("B", [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_USER + 1) return false;
    r = 10 + SendMessage(a, WM_USER + 2, 3, 0);
    S().log.push_back("B back");
    return true;
  });
  Log({WM_USER, WM_USER + 1, WM_USER + 2});
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 116);
  EXPECT_EQ(Logged(), (Lines{"A USER", "B USER+1", "A USER+2", "B back", "A back"}));
}

TEST_F(Queue, MessagesPostedFromAnotherThreadArriveInOrder) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  std::vector<WPARAM> got;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_USER) got.push_back(w);
    return false;
  });
  DWORD main = GetCurrentThreadId();
  std::thread t([a, main] {
    for (WPARAM i = 0; i < 500; ++i) PostMessage(a, WM_USER, i, 0);
    PostThreadMessage(main, WM_APP, 7, 0);
  });
  MSG m;
  WPARAM threadMsg = 0;
  while (GetMessage(&m, nullptr, 0, 0)) {
    if (!m.hwnd && m.message == WM_APP) {
      threadMsg = m.wParam;
      break;
    }
    DispatchMessage(&m);
  }
  t.join();
  EXPECT_EQ(threadMsg, 7u);
  ASSERT_EQ(got.size(), 500u);
  for (WPARAM i = 0; i < 500; ++i) ASSERT_EQ(got[i], i);
}

TEST_F(Queue, BroadcastsFromOtherThreadsReachALastingWindowWhileTopLevelsComeAndGo) {
  HWND keep = Make("Keep", WS_POPUP, 0, 0, 10, 10);
  ASSERT_TRUE(keep);
  int kept = 0;
  On("Keep", [&](HWND, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_APP + 1) ++kept;
    return false;
  });
  constexpr int kThreads = 3;
  constexpr int kPosts = 1000;
  std::atomic<int> running{kThreads};
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&running] {
      for (int i = 0; i < kPosts; ++i) PostMessage(HWND_BROADCAST, WM_APP + 1, 0, 0);
      --running;
    });
  // meanwhile the top-level list the broadcasts walk keeps growing, moving and shrinking
  std::vector<HWND> churn;
  MSG m;
  for (int round = 0; running > 0 || round < 40; ++round) {
    churn.push_back(Make("Churn", WS_POPUP, 0, 0, 10, 10));
    SetWindowPos(churn.front(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (churn.size() > 6) {
      DestroyWindow(churn.front());
      churn.erase(churn.begin());
    }
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }
  for (std::thread& t : posters) t.join();
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  EXPECT_EQ(kept, kThreads * kPosts);
}

TEST_F(Queue, PeekMessageFiltersByWindowAndRangeAndCanLeaveMessagesQueued) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("B", WS_POPUP, 0, 0, 10, 10);
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER + 1, 2, 0);
  PostThreadMessage(GetCurrentThreadId(), WM_APP, 3, 0);
  MSG m;
  struct Case {
    HWND hwnd;
    UINT lo, hi;
    UINT remove;
    bool found;
    WPARAM wParam;
  };
  const Case cases[] = {
      {b, 0, 0, PM_NOREMOVE, true, 2},
      {nullptr, WM_USER + 1, WM_USER + 2, PM_NOREMOVE, true, 2},
      {reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE, true, 3},
      {a, WM_USER + 1, WM_USER + 5, PM_NOREMOVE, false, 0},
      {nullptr, 0, 0, PM_REMOVE, true, 1},
      {nullptr, 0, 0, PM_REMOVE, true, 2},
      {a, 0, 0, PM_REMOVE, false, 0},
      {nullptr, 0, 0, PM_REMOVE, true, 3},
      {nullptr, 0, 0, PM_REMOVE, false, 0},
  };
  int i = 0;
  for (const Case& c : cases) {
    BOOL r = PeekMessage(&m, c.hwnd, c.lo, c.hi, c.remove);
    EXPECT_EQ(r != FALSE, c.found) << "case " << i;
    if (r && c.found) {
      EXPECT_EQ(m.wParam, c.wParam) << "case " << i;
    }
    ++i;
  }
}

TEST_F(Queue, QuitIsDeliveredAfterPostedMessagesAndIgnoresFilters) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  PostQuitMessage(3);
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&m, a, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, MsgWaitReportsQueuedMessagesByKind) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
  PostMessage(a, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_KEY), WAIT_TIMEOUT);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_POSTMESSAGE), WAIT_OBJECT_0);
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_ALLINPUT)), QS_POSTMESSAGE);
  headless::KeyPress('A');
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_KEY)), QS_KEY);
  HANDLE h = reinterpret_cast<HANDLE>(1);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &h, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);  // kernel objects: none
}

TEST_F(Queue, NestedLoopEndsOnQuitAndPostsItAgainForTheOuterLoop) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  On("A", [&](HWND h, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg != WM_USER) return false;
    PostMessage(h, WM_USER + 1, 0, 0);
    PostQuitMessage(5);
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
    S().log.push_back("inner loop ended");
    PostQuitMessage(static_cast<int>(m.wParam));
    return true;
  });
  Log({WM_USER, WM_USER + 1, WM_USER + 2});
  PostMessage(a, WM_USER, 0, 0);
  PostMessage(a, WM_USER + 2, 0, 0);
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 5u);
  // the inner loop drains what was posted before the quit, the outer loop ends at the re-posted quit
  EXPECT_EQ(Logged(), (Lines{"A USER", "A USER+2", "A USER+1", "inner loop ended"}));
}

TEST_F(Queue, TimersFireInOrderOnTheTestClock) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  std::vector<UINT_PTR> ids;
  std::vector<DWORD> times;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
    if (m == WM_TIMER) {
      ids.push_back(w);
      times.push_back(GetTickCount());
    }
    return false;
  });
  DWORD start = GetTickCount();
  SetTimer(a, 1, 100, nullptr);
  SetTimer(a, 2, 250, nullptr);
  headless::AdvanceClock(99);
  EXPECT_TRUE(ids.empty());
  headless::AdvanceClock(401);
  EXPECT_EQ(ids, (std::vector<UINT_PTR>{1, 1, 2, 1, 1, 2, 1}));
  EXPECT_EQ(times.front() - start, 100u);
  EXPECT_EQ(times.back() - start, 500u);
  ids.clear();
  KillTimer(a, 1);
  headless::AdvanceClock(500);
  EXPECT_EQ(ids, (std::vector<UINT_PTR>{2, 2}));
  ids.clear();
  DestroyWindow(a);
  headless::AdvanceClock(1000);
  EXPECT_TRUE(ids.empty());
}

TEST_F(Queue, ThreadTimersCallTheirCallbackAndComeAfterPostedMessages) {
  static std::vector<UINT_PTR> calls;
  calls.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 50, [](HWND h, UINT m, UINT_PTR i, DWORD) {
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(m, WM_TIMER);
    calls.push_back(i);
  });
  ASSERT_NE(id, 0u);
  headless::AdvanceClock(200);
  EXPECT_EQ(calls, (std::vector<UINT_PTR>{id, id, id, id}));
  KillTimer(nullptr, id);
  headless::AdvanceClock(200);
  EXPECT_EQ(calls.size(), 4u);
  // a timer that is due waits for the posted messages
  TScopedTestClock clock;
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  SetTimer(a, 9, 10, nullptr);
  clock.Advance(20);
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  std::vector<UINT> order;
  while (PeekMessage(&m, a, 0, 0, PM_REMOVE) && order.size() < 3) order.push_back(m.message);
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_TIMER}));
}

TEST_F(Queue, KeyboardHookSeesKeysBeforeTranslationAndCanDiscardThem) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100);
  static std::vector<std::string> seen;
  static HHOOK first = nullptr, second = nullptr;
  seen.clear();
  first = SetWindowsHookEx(WH_KEYBOARD, [](int code, WPARAM vk, LPARAM data) -> LRESULT {
    seen.push_back("first " + std::string(1, static_cast<char>(vk)) + ((data < 0) ? " up" : " down"));
    if (code == HC_ACTION && vk == 'X') return 1;
    return CallNextHookEx(first, code, vk, data);
  }, nullptr, GetCurrentThreadId());
  second = SetWindowsHookEx(WH_KEYBOARD, [](int code, WPARAM vk, LPARAM data) -> LRESULT {
    seen.push_back("second " + std::string(1, static_cast<char>(vk)));
    return CallNextHookEx(second, code, vk, data);
  }, nullptr, GetCurrentThreadId());
  Log({WM_KEYDOWN, WM_KEYUP, WM_CHAR});
  headless::KeyPress('A');
  headless::KeyPress('X');
  Run();
  EXPECT_EQ(seen, (Lines{"second A", "first A down", "second A", "first A up", "second X", "first X down",
                         "second X", "first X up"}));
  EXPECT_EQ(Logged(), (Lines{"A KEYDOWN", "A CHAR", "A KEYUP"}));
  UnhookWindowsHookEx(second);
  UnhookWindowsHookEx(first);
  Clear();
  headless::KeyPress('X');
  Run();
  EXPECT_EQ(Logged(), (Lines{"A KEYDOWN", "A CHAR", "A KEYUP"}));
  (void)a;
}

TEST_F(Queue, MouseHookSeesPointWindowAndHitCodeAndCanDiscard) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 150);
  Run();
  static std::vector<std::tuple<WPARAM, HWND, UINT, LONG, LONG>> seen;
  static HHOOK hook = nullptr;
  seen.clear();
  hook = SetWindowsHookEx(WH_MOUSE, [](int code, WPARAM msg, LPARAM l) -> LRESULT {
    auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(l);
    seen.emplace_back(msg, mh->hwnd, mh->wHitTestCode, mh->pt.x, mh->pt.y);
    if (msg == WM_LBUTTONDOWN) return 1;
    return CallNextHookEx(hook, code, msg, l);
  }, nullptr, GetCurrentThreadId());
  Log({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_NCLBUTTONDOWN});
  headless::Click(150, 150);
  headless::Click(150, 110);
  Run();
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[1], std::make_tuple(WPARAM{WM_LBUTTONDOWN}, a, UINT{HTCLIENT}, 150, 150));
  EXPECT_EQ(seen[4], std::make_tuple(WPARAM{WM_NCLBUTTONDOWN}, a, UINT{HTCAPTION}, 150, 110));
  EXPECT_EQ(Logged(), (Lines{"A LBUTTONUP", "A NCLBUTTONDOWN"}));
  UnhookWindowsHookEx(hook);
}

TEST_F(Queue, CallWndProcHookSeesSentButNotPostedMessagesAndGetMessageHookCanRewrite) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  static std::vector<UINT> sent;
  static HHOOK cwp = nullptr, gm = nullptr;
  sent.clear();
  cwp = SetWindowsHookEx(WH_CALLWNDPROC, [](int code, WPARAM w, LPARAM l) -> LRESULT {
    auto* c = reinterpret_cast<CWPSTRUCT*>(l);
    if (c->message >= WM_USER) sent.push_back(c->message);
    return CallNextHookEx(cwp, code, w, l);
  }, nullptr, GetCurrentThreadId());
  gm = SetWindowsHookEx(WH_GETMESSAGE, [](int code, WPARAM w, LPARAM l) -> LRESULT {
    auto* m = reinterpret_cast<MSG*>(l);
    if (w == PM_REMOVE && m->message == WM_USER + 1) m->message = WM_USER + 2;
    return CallNextHookEx(gm, code, w, l);
  }, nullptr, GetCurrentThreadId());
  Log({WM_USER, WM_USER + 1, WM_USER + 2});
  SendMessage(a, WM_USER, 0, 0);
  PostMessage(a, WM_USER + 1, 0, 0);
  Run();
  EXPECT_EQ(sent, (std::vector<UINT>{WM_USER}));
  EXPECT_EQ(Logged(), (Lines{"A USER", "A USER+2"}));
  UnhookWindowsHookEx(cwp);
  UnhookWindowsHookEx(gm);
}

TEST_F(Queue, ExceptionsFromWindowProceduresSurfaceAfterTheOutermostCall) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("B", WS_POPUP, 0, 0, 10, 10);
  On("B", [](HWND, UINT m, WPARAM, LPARAM, LRESULT&) -> bool {
    if (m == WM_USER) throw std::runtime_error("boom");
    return false;
  });
  On("A", [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_USER) return false;
    r = SendMessage(b, WM_USER, 0, 0);
    S().log.push_back("A continues");
    return true;
  });
  EXPECT_THROW(SendMessage(a, WM_USER, 0, 0), std::runtime_error);
  EXPECT_EQ(Logged(), (Lines{"A continues"}));
  // with a handler installed nothing escapes
  static std::string caught;
  winapi::SetExceptionHandler(
      [](void*) {
        try {
          throw;
        } catch (const std::exception& e) {
          caught = e.what();
        }
      },
      nullptr);
  PostMessage(b, WM_USER, 0, 0);
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(caught, "boom");
}

}  // namespace

namespace {

class Reentrancy : public WinapiTest {};

// A window may destroy itself inside any message; the manager must not touch it afterwards.
TEST_F(Reentrancy, WindowsDestroyingThemselvesInsideMessagesLeaveTheManagerSound) {
  const UINT messages[] = {WM_MOUSEACTIVATE, WM_SETCURSOR, WM_LBUTTONDOWN, WM_NCHITTEST, WM_ACTIVATE, WM_SETFOCUS,
                           WM_NCACTIVATE, WM_PAINT, WM_TIMER, WM_WINDOWPOSCHANGING, WM_SHOWWINDOW, WM_KEYDOWN,
                           WM_CHAR, WM_CREATE, WM_NCCALCSIZE, WM_SIZE};
  for (UINT victim : messages) {
    HWND other = Make("O", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 0, 100, 100);
    On("V", [victim](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
      if (m == victim) DestroyWindow(h);
      return false;
    });
    HWND v = Make("V", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
    if (v) {
      SetTimer(v, 1, 10, nullptr);
      ShowWindow(v, SW_SHOW);
      InvalidateRect(v, nullptr, TRUE);
    }
    SetActiveWindow(other);
    headless::Click(100, 100);
    headless::TypeText("a");
    headless::AdvanceClock(20);
    EXPECT_FALSE(IsWindow(v)) << MsgName(victim);
    EXPECT_TRUE(IsWindow(other)) << MsgName(victim);
    DestroyWindow(other);
    S().handlers.clear();
    S().names.clear();
  }
}

}  // namespace
