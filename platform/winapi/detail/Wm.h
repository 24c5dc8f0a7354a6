#pragma once
// The window manager's internal state, shared by the files of platform/winapi.

#include <pixman.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "winapi/Backend.h"
#include "winapi/Windows.h"

namespace winapi::detail {

struct WndClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSm = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  std::vector<char> extra;
  bool system = false;  // registered by the platform; survives a reset
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT disabled = 0;  // ESB_DISABLE_LTUP / ESB_DISABLE_RTDN bits
};

struct Window {
  HWND handle = nullptr;
  WndClass* cls = nullptr;
  WNDPROC proc = nullptr;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<Window*> children;  // front (top of the z-order) first
  RECT rect{};    // window rectangle in the parent's client coordinates (screen for top-levels)
  RECT client{};  // client rectangle in window coordinates
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;
  std::vector<char> extra;
  std::map<std::string, HANDLE> props;
  HRGN windowRgn = nullptr;  // window coordinates, owned
  pixman_region32_t update;  // client coordinates
  bool erase = false;
  bool ncPending = false;
  bool internalPaint = false;
  bool ncActive = false;
  DWORD thread = 0;
  bool destroying = false;
  bool destroyed = false;
  bool created = false;
  RECT normalRect{};  // restored rectangle while maximised or minimised
  Window* lastActivePopup = nullptr;
  ScrollBarState scroll[3];  // SB_HORZ, SB_VERT, SB_CTL
  // top-level windows (and the desktop) own the pixels of their whole tree
  std::vector<uint32_t> pixels;
  int bufWidth = 0;
  int bufHeight = 0;

  Window();
  ~Window();
  bool IsTopLevel() const;
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  DWORD thread;
  uint64_t due;
  uint64_t seq;
};

struct InputEvent {
  enum Kind { Mouse, Key, Char } kind = Mouse;
  UINT msg = 0;  // client mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...), key message or WM_CHAR
  POINT pt{};    // screen
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  int vk = 0;  // the key or button as injected (left/right variants kept)
  bool down = false;
  uint64_t seq = 0;
  // resolved once, the first time the queue looks at the event
  bool resolved = false;
  HWND target = nullptr;
  LRESULT hit = 0;
  UINT finalMsg = 0;
};

struct Queue {
  DWORD thread = 0;
  std::mutex mutex;
  std::deque<MSG> posted;  // guarded by mutex
  bool quit = false;
  int quitCode = 0;
  MSG last{};
};

// ---- global state ------------------------------------------------------------------------------------
Window* FindWindowObj(HWND h);  // nullptr for stale handles
Window* Desktop();
Queue* CurrentQueue();
uint64_t Now();
int ScreenWidth();
int ScreenHeight();
RECT WorkArea();
void SetWorkAreaRect(const RECT& r);
POINT CursorPos();

// ---- calls out ---------------------------------------------------------------------------------------
LRESULT Send(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
void HandleCallbackException();  // inside a catch block

// ---- geometry ----------------------------------------------------------------------------------------
POINT WindowOrigin(const Window* w);  // screen position of the window's corner
POINT ClientOrigin(const Window* w);  // screen position of the client corner
bool IsVisibleTree(const Window* w);
bool IsDescendantOwner(const Window* w, const Window* owner);  // w is owned, directly or not, by owner
Window* TopLevelOf(Window* w);        // the window whose buffer holds w's pixels
POINT BufferOffset(const Window* w);  // w's corner in its top-level buffer
void VisibleRegion(Window* w, bool clientArea, bool clipChildren, bool clipSiblings, pixman_region32_t* out);

// ---- scroll bars of the non-client area ----------------------------------------------------------------
void PaintScrollBars(Window* w, HDC windowDC);
void ScrollBarClick(Window* w, int bar, POINT screen);
// The scroll bar control: its SB_CTL state drawn in (and hit-tested against) a client rectangle.
void PaintScrollBarControl(Window* w, HDC dc, const RECT& r, bool vertical);
int ScrollBarControlHit(Window* w, const RECT& r, bool vertical, POINT client);  // SB_* code or -1

// ---- input -------------------------------------------------------------------------------------------
void InjectMouseMove(int x, int y);
void InjectMouseButton(int vkButton, bool down);
void InjectWheel(int delta, bool horizontal);
void InjectKey(int vk, bool down);
void InjectChar(uint32_t codePoint);
void ResetInput();
BYTE* AsyncKeyState();

// ---- keyboard layouts --------------------------------------------------------------------------------
UINT LayoutScanCode(int vk, bool* extended);
int LayoutVkFromScan(UINT scan);
// The character a key makes with the given modifier state, or 0.
uint32_t LayoutChar(int vk, bool shift, bool caps);
HKL ActiveLayout();
void ResetKeyboardLayout();

// ---- system values -----------------------------------------------------------------------------------
void ResetSystemValues();
void ResetClipboard();
void ResetCaretAndCursor();
HCURSOR StockCursor(LPCSTR id);
void BeepRecorded(UINT type);
int BeepCounter();
void ResetBeeps();

uint64_t NextTimerDue();  // earliest due time of a timer or hover of this thread, UINT64_MAX when none

// ---- window manager reset ----------------------------------------------------------------------------
void ResetWindowManager(int screenWidth, int screenHeight);
void RedrawAll();
void ResizeScreen(int width, int height);  // keeps the windows; tells them with WM_DISPLAYCHANGE
void BroadcastSend(UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace winapi::detail
