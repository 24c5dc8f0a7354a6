#pragma once
// The window manager's one state object and the helpers its files share. Only the files of the window
// manager (platform/winapi/wm) include this; the rest of winapi sees the window manager through Wm.h.
//
// Threads: the window manager runs on one thread, the one that made the desktop ("the main thread"). Other
// threads may post messages and create queues of their own; everything they may touch is named below
// together with the lock that guards it. A field marked "main thread" is read and written by the main
// thread alone.

#include <pixman.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "winapi/detail/Wm.h"
#include "winapi/detail/WmAssert.h"

namespace winapi::detail::wm {

// timers, ordered by due time then by scheduling order
using TimerKey = std::pair<uint64_t, uint64_t>;
using TimerMap = std::map<TimerKey, Timer>;

struct Hook {
  int kind;
  HOOKPROC proc;
  DWORD thread;  // 0: every thread
  bool removed;
};

// the last button press, to turn the next one into a double click
struct Click {
  HWND hwnd = nullptr;
  UINT msg = 0;
  DWORD time = 0;
  POINT pt{};
};

// TrackMouseEvent's request: leave and hover notifications for one window
struct Tracking {
  HWND hwnd = nullptr;
  DWORD flags = 0;
  DWORD hoverTime = 400;
  uint64_t hoverDue = 0;
  POINT hoverStart{};
};

struct WmState {
  // ---- any thread, under handleMutex ---------------------------------------------------------------
  // PostMessage, PostThreadMessage and FindWindowObj come from any thread. Lock order: handleMutex, then a
  // queue's own mutex.
  std::mutex handleMutex;
  std::unordered_map<uintptr_t, Window*> windows;  // every window not yet destroyed, by handle
  uintptr_t nextHandle = 0x10000;
  std::unordered_map<DWORD, Queue*> queues;  // one per thread that asked for one
  // The desktop, and the child lists of every window: the main thread writes them under handleMutex and
  // reads them freely; other threads read them only under handleMutex (a broadcast walks the top-levels).
  Window* desktop = nullptr;

  // ---- main thread ---------------------------------------------------------------------------------
  Window* messageRoot = nullptr;  // parent of message-only windows; never visible
  std::vector<std::unique_ptr<WndClass>> classes;
  ATOM nextAtom = 0xC000;
  std::vector<Window*> zombies;  // destroyed windows, freed once no call out is running
  int cascade = 0;               // the next default position of a top-level window

  // focus, activation and capture: null or a window that is not destroyed
  Window* focus = nullptr;
  Window* active = nullptr;
  Window* capture = nullptr;
  bool appActive = false;
  bool maybeDirty = false;  // some window may need painting: the queue looks for it
  int paintDepth = 0;       // BeginPaint calls not yet ended

  // the screen
  int screenW = 1024;
  int screenH = 768;
  RECT workArea{0, 0, 1024, 768};
  Backend* backend = nullptr;
  int32_t clockListener = 0;  // wakes the queue when a test moves the clock

  // timers; each timer has exactly one entry in timerIndex, keyed by (window, id, thread of a thread timer)
  TimerMap timers;
  std::map<std::tuple<HWND, UINT_PTR, DWORD>, TimerKey> timerIndex;
  uint64_t timerSeq = 0;
  UINT_PTR nextThreadTimerId = 1;

  // hooks, newest first; removed hooks stay listed until no call out is running
  std::vector<Hook*> hooks;
  int hookCount[16] = {};  // live hooks per kind (kind + 1)

  // input: the raw event queue and the key states as the queue has delivered them (sync) and as the
  // devices have them now (async)
  std::deque<InputEvent> input;
  uint64_t inputSeq = 0;
  BYTE syncKeys[256] = {};
  BYTE asyncKeys[256] = {};
  POINT cursor{0, 0};
  Click lastClick;
  UINT doubleClickTime = 500;
  Tracking track;
  // a press on a caption button, completed by the release over the same button
  HWND ncPressWindow = nullptr;
  LRESULT ncPressHit = HTNOWHERE;

  // the handler of callbacks' exceptions; set by the program before its threads start
  ExceptionHandler handler = nullptr;
  void* handlerContext = nullptr;

  // ---- any thread, lock-free -----------------------------------------------------------------------
  std::atomic<uint64_t> cursorShared{0};  // the cursor for threads other than the main thread

  // ---- any thread, under nameMutex -----------------------------------------------------------------
  std::mutex nameMutex;
  std::map<std::string, UINT> messageNames;  // RegisterWindowMessage, by lower-case name
};

extern WmState gWm;

// Per thread: how deep this thread is in calls out, and the callback exception to rethrow at the top.
struct ThreadState {
  int depth = 0;
  std::exception_ptr pending;
};
ThreadState& ThisThread();

// ---- the boundary around every call out -------------------------------------------------------------
DWORD CurrentThread();
bool OnMainThread();  // the thread that made the desktop
void FreeZombies();
void RethrowPending();
void CheckInvariants();  // the window manager's invariants, in builds with assertions

struct Depth {
  Depth() { ++ThisThread().depth; }
  ~Depth() {
    if (--ThisThread().depth == 0) {
      CheckInvariants();
      FreeZombies();
    }
  }
  Depth(const Depth&) = delete;
  Depth& operator=(const Depth&) = delete;
};

// Runs an entry point of the API: callbacks' exceptions surface only once the outermost call is done.
template <class F>
auto Api(F&& f) -> decltype(f()) {
  if constexpr (std::is_void_v<decltype(f())>) {
    {
      Depth d;
      f();
    }
    RethrowPending();
  } else {
    auto r = [&] {
      Depth d;
      return f();
    }();
    RethrowPending();
    return r;
  }
}

LRESULT CallProc(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp);

// ---- small helpers ----------------------------------------------------------------------------------
inline HWND H(const Window* w) { return w ? w->handle : nullptr; }
inline Window* Live(Window* w) { return w && !w->destroyed ? w : nullptr; }
inline RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }
inline bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
inline bool IsIntResource(LPCSTR p) { return reinterpret_cast<uintptr_t>(p) < 0x10000; }
inline bool IsTopmost(const Window* w) { return (w->exStyle & WS_EX_TOPMOST) != 0; }
inline RECT ClientRectOf(const Window* w) {
  return RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
}
inline bool MatchRange(UINT m, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }

void RegionFromRect(pixman_region32_t* r, const RECT& rc);

struct Rgn {
  pixman_region32_t r;
  Rgn() { pixman_region32_init(&r); }
  explicit Rgn(const RECT& rc) {
    pixman_region32_init(&r);
    RegionFromRect(&r, rc);
  }
  ~Rgn() { pixman_region32_fini(&r); }
  Rgn(const Rgn&) = delete;
  Rgn& operator=(const Rgn&) = delete;
  bool Empty() { return !pixman_region32_not_empty(&r); }
};

// ---- windows and classes (WindowManager.cpp) ----------------------------------------------------------
WndClass* FindClass(LPCSTR name);
void ParentNotify(Window* w, WORD event);
BOOL DestroyWindowImpl(Window* w);
void DestroySilently(Window* w);
HWND CreateWindowImpl(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                      HWND parentArg, HMENU menu, HINSTANCE instance, LPVOID param);

// ---- queues, timers and hooks (Queue.cpp) -----------------------------------------------------------
LRESULT CallHookAt(size_t index, int kind, int code, WPARAM wp, LPARAM lp);
inline bool HasHooks(int kind) { return kind >= -1 && kind < 15 && gWm.hookCount[kind + 1] > 0; }
LRESULT CallHooks(int kind, int code, WPARAM wp, LPARAM lp);
Queue* QueueOf(DWORD thread);  // under handleMutex
void Wake();
void PurgePosted(HWND h);
bool PostTo(DWORD thread, HWND h, UINT msg, WPARAM wp, LPARAM lp);
void TimerInsert(const Timer& t);
TimerMap::iterator TimerErase(TimerMap::iterator it);
void RemoveTimersOf(HWND h);
TimerMap::iterator FindTimer(HWND h, UINT_PTR id, DWORD thread);
void CheckTimers();
BOOL PeekImpl(MSG* out, HWND hwnd, UINT lo, UINT hi, UINT flags);
DWORD NextTimerWait(DWORD self);
void WaitForEvents(DWORD timeout);

// ---- geometry and z-order (Geometry.cpp) ------------------------------------------------------------
struct Insets {
  int left = 0, top = 0, right = 0, bottom = 0;
};
Insets FrameInsets(DWORD style, DWORD ex);
RECT DefaultClient(const Window* w, const RECT& windowRect);
Window* Root(Window* w);
bool IsDescendant(const Window* w, const Window* ancestor);
void EnsureBuffer(Window* top);
void ReleaseBuffer(Window* w);
void WindowShape(Window* w, pixman_region32_t* out);
bool ShapeContains(Window* w, POINT pt);
size_t FirstNonTopmost(const std::vector<Window*>& v);
// The child lists change only through these, under handleMutex (a broadcast reads the top-levels from any
// thread).
void InsertChild(Window* parent, Window* w);  // at the top of its band
void Unlink(Window* w);
void BringOwnedAbove(Window* w);
bool ApplyZOrder(Window* w, HWND after, bool ownerOrder);
void CheckChildList(const Window* parent);
BOOL SetWindowPosImpl(Window* w, HWND after, int x, int y, int cx, int cy, UINT flags);
MINMAXINFO DefaultMinMax(Window* w);
bool WantsMinMax(const Window* w);
BOOL ShowWindowImpl(Window* w, int cmd);

// ---- painting (Paint.cpp) -----------------------------------------------------------------------------
enum ChildMode { ChildrenByStyle, ChildrenAll, ChildrenNone };
void InvalidateTree(Window* w, pixman_region32_t* clientRgn, bool erase, bool frame, ChildMode mode);
void ValidateTree(Window* w, pixman_region32_t* clientRgn, bool noErase, bool noFrame, bool allChildren);
bool NeedsPaint(const Window* w);
Window* FindDirty(Window* w, DWORD thread, Window* only);
void SendNcPaint(Window* w);
void UpdateNow(Window* w, ChildMode mode);
void InvalidateParentArea(Window* w, const RECT& oldRect);

// ---- input, focus, activation and capture (Input.cpp) -------------------------------------------------
void SetCursorPoint(POINT p);
POINT SharedCursor();
WPARAM MouseKeys(const BYTE* keys);
Window* NextActivatable(Window* except);
void SendToAllTopLevels(UINT msg, WPARAM wp, LPARAM lp);
void ActivateImpl(Window* w, WORD how);
HWND SetFocusImpl(Window* w);
HWND SetCaptureImpl(Window* w);
BOOL ReleaseCaptureImpl();
struct Hit {
  Window* w = nullptr;
  LRESULT code = HTNOWHERE;
};
Hit HitTestScreen(POINT pt);
LRESULT DefHitTest(Window* w, POINT pt);
void UpdateKeyState(BYTE* keys, int vk, bool down);
void ResolveEvent(InputEvent& e);
MSG MessageOf(const InputEvent& e);
bool TakeInput(const InputEvent& e, MSG& m);
void CheckHover();

}  // namespace winapi::detail::wm
