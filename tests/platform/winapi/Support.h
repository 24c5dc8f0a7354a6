#pragma once
// A recording window class for the window manager tests: every window logs the messages a test asks
// for as "<name> <MESSAGE>", and a test can take over any message of a named window.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "winapi/Headless.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"

namespace wt {

// Returns true when it handled the message (with `result` set); false lets DefWindowProc run.
using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

struct State {
  std::vector<std::string> log;
  std::set<UINT> logged;
  std::map<HWND, std::string> names;
  std::map<std::string, Handler> handlers;
  std::string pending;
};

inline State& S() {
  static State s;
  return s;
}

inline std::string MsgName(UINT m) {
  static const std::map<UINT, const char*> names = {
      {WM_CREATE, "CREATE"}, {WM_DESTROY, "DESTROY"}, {WM_MOVE, "MOVE"}, {WM_SIZE, "SIZE"},
      {WM_ACTIVATE, "ACTIVATE"}, {WM_SETFOCUS, "SETFOCUS"}, {WM_KILLFOCUS, "KILLFOCUS"}, {WM_ENABLE, "ENABLE"},
      {WM_PAINT, "PAINT"}, {WM_CLOSE, "CLOSE"}, {WM_ERASEBKGND, "ERASEBKGND"}, {WM_SHOWWINDOW, "SHOWWINDOW"},
      {WM_ACTIVATEAPP, "ACTIVATEAPP"}, {WM_CANCELMODE, "CANCELMODE"}, {WM_SETCURSOR, "SETCURSOR"},
      {WM_MOUSEACTIVATE, "MOUSEACTIVATE"}, {WM_GETMINMAXINFO, "GETMINMAXINFO"},
      {WM_WINDOWPOSCHANGING, "WINDOWPOSCHANGING"}, {WM_WINDOWPOSCHANGED, "WINDOWPOSCHANGED"},
      {WM_NCCREATE, "NCCREATE"}, {WM_NCDESTROY, "NCDESTROY"}, {WM_NCCALCSIZE, "NCCALCSIZE"},
      {WM_NCHITTEST, "NCHITTEST"}, {WM_NCPAINT, "NCPAINT"}, {WM_NCACTIVATE, "NCACTIVATE"},
      {WM_KEYDOWN, "KEYDOWN"}, {WM_KEYUP, "KEYUP"}, {WM_CHAR, "CHAR"}, {WM_SYSKEYDOWN, "SYSKEYDOWN"},
      {WM_SYSKEYUP, "SYSKEYUP"}, {WM_SYSCHAR, "SYSCHAR"}, {WM_TIMER, "TIMER"}, {WM_MOUSEMOVE, "MOUSEMOVE"},
      {WM_LBUTTONDOWN, "LBUTTONDOWN"}, {WM_LBUTTONUP, "LBUTTONUP"}, {WM_LBUTTONDBLCLK, "LBUTTONDBLCLK"},
      {WM_RBUTTONDOWN, "RBUTTONDOWN"}, {WM_RBUTTONUP, "RBUTTONUP"}, {WM_MOUSEWHEEL, "MOUSEWHEEL"},
      {WM_NCMOUSEMOVE, "NCMOUSEMOVE"}, {WM_NCLBUTTONDOWN, "NCLBUTTONDOWN"}, {WM_NCLBUTTONUP, "NCLBUTTONUP"},
      {WM_NCLBUTTONDBLCLK, "NCLBUTTONDBLCLK"}, {WM_PARENTNOTIFY, "PARENTNOTIFY"},
      {WM_CAPTURECHANGED, "CAPTURECHANGED"}, {WM_MOUSELEAVE, "MOUSELEAVE"}, {WM_MOUSEHOVER, "MOUSEHOVER"},
      {WM_CONTEXTMENU, "CONTEXTMENU"}, {WM_HELP, "HELP"}, {WM_SYSCOLORCHANGE, "SYSCOLORCHANGE"}, {WM_USER, "USER"},
      {WM_USER + 1, "USER+1"}, {WM_USER + 2, "USER+2"}, {WM_APP, "APP"}};
  auto it = names.find(m);
  return it == names.end() ? "#" + std::to_string(m) : it->second;
}

inline LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  State& s = S();
  auto it = s.names.find(h);
  if (it == s.names.end()) it = s.names.emplace(h, s.pending).first;
  std::string name = it->second;
  if (s.logged.count(m)) s.log.push_back(name + " " + MsgName(m));
  auto hd = s.handlers.find(name);
  if (hd != s.handlers.end()) {
    Handler handler = hd->second;  // the handler may replace itself
    LRESULT r = 0;
    if (handler(h, m, w, l, r)) return r;
  }
  return DefWindowProc(h, m, w, l);
}

class WinapiTest : public ::testing::Test {
protected:
  void SetUp() override {
    S() = State{};
    headless::Init(800, 600);
    WNDCLASS wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Rec";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClass(&wc), 0);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "RecDbl";
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  void TearDown() override { headless::Init(800, 600); }

  static HWND Make(const char* name, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
                   DWORD ex = 0, const char* cls = "Rec") {
    S().pending = name;
    HWND r = CreateWindowEx(ex, cls, name, style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    S().pending.clear();
    return r;
  }
  static void Log(std::initializer_list<UINT> msgs) { S().logged = msgs; }
  static std::vector<std::string>& Logged() { return S().log; }
  static void Clear() { S().log.clear(); }
  static void On(const std::string& name, Handler h) { S().handlers[name] = std::move(h); }
  static bool Run() { return headless::RunUntilIdle(); }
};

using Lines = std::vector<std::string>;

}  // namespace wt
