// The window manager's windows and classes: the state object, the boundary around every call out,
// creation and destruction, window attributes and the reset between tests.

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

namespace winapi::detail::wm {

WmState gWm;

ThreadState& ThisThread() {
  thread_local ThreadState state;
  return state;
}

DWORD CurrentThread() {
  thread_local DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}

// ---- the boundary around every call out --------------------------------------------------------------
bool OnMainThread() {
  std::lock_guard<std::mutex> lock(gWm.handleMutex);
  return gWm.desktop && gWm.desktop->thread == CurrentThread();
}

void FreeZombies() {
  if (!OnMainThread()) return;
  std::vector<Window*> zombies;
  zombies.swap(gWm.zombies);
  for (Window* w : zombies) delete w;
  for (auto it = gWm.hooks.begin(); it != gWm.hooks.end();) {
    if ((*it)->removed) {
      delete *it;
      it = gWm.hooks.erase(it);
    } else {
      ++it;
    }
  }
}

void RethrowPending() {
  ThreadState& t = ThisThread();
  if (t.depth == 0 && t.pending) {
    std::exception_ptr e = t.pending;
    t.pending = nullptr;
    std::rethrow_exception(e);
  }
}

LRESULT CallProc(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (!proc) return 0;
  try {
    return proc(h, msg, wp, lp);
  } catch (...) {
    HandleCallbackException();
    return 0;
  }
}

// The invariants that hold whenever the main thread is outside every call out: focus, activation and
// capture name registered windows that are not destroyed, the top-level list is consistent, every zombie
// is destroyed and unregistered, paints are not ended more often than begun, and the timer index matches
// the timers.
void CheckInvariants() {
#if VORN_ASSERTIONS_ON
  if (!OnMainThread()) return;
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    for (const Window* w : {gWm.focus, gWm.active, gWm.capture}) {
      if (!w) continue;
      VORN_ASSERT(!w->destroyed);
      auto it = gWm.windows.find(reinterpret_cast<uintptr_t>(w->handle));
      VORN_ASSERT(it != gWm.windows.end() && it->second == w);
    }
    for (const Window* z : gWm.zombies) {
      VORN_ASSERT(z->destroyed && !z->parent);
      VORN_ASSERT(!gWm.windows.count(reinterpret_cast<uintptr_t>(z->handle)));
    }
  }
  VORN_ASSERT(gWm.paintDepth >= 0);
  CheckChildList(gWm.desktop);
  CheckTimers();
#endif
}

// ---- helpers -----------------------------------------------------------------------------------------
bool EqualNoCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

WndClass* FindClass(LPCSTR name) {
  if (!name) return nullptr;
  for (auto& c : gWm.classes) {
    if (IsIntResource(name) ? c->atom == reinterpret_cast<uintptr_t>(name) : EqualNoCase(c->name, name))
      return c.get();
  }
  return nullptr;
}

// ---- creation and destruction ------------------------------------------------------------------------
void ParentNotify(Window* w, WORD event) {
  if (!(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
  for (Window* p = w->parent; p && p != gWm.desktop && p != gWm.messageRoot; p = p->parent) {
    Send(p, WM_PARENTNOTIFY, MAKEWPARAM(event, static_cast<WORD>(w->id)), (LPARAM)w->handle);
    if (!(p->style & WS_CHILD) || (p->exStyle & WS_EX_NOPARENTNOTIFY)) break;
  }
}

void SendDestroy(Window* w) {
  std::vector<HWND> kids;
  Send(w, WM_DESTROY, 0, 0);
  for (Window* c : w->children) {
    c->destroying = true;
    kids.push_back(c->handle);
  }
  for (HWND k : kids)
    if (Window* c = FindWindowObj(k)) SendDestroy(c);
}

void FinishDestroy(Window* w) {
  std::vector<Window*> kids = w->children;
  for (Window* c : kids)
    if (!c->destroyed) FinishDestroy(c);
  Send(w, WM_NCDESTROY, 0, 0);
  HWND h = w->handle;
  RemoveTimersOf(h);
  PurgePosted(h);
  for (auto it = gWm.input.begin(); it != gWm.input.end(); ++it)
    if (it->target == h) it->resolved = false;
  if (gWm.focus == w) gWm.focus = nullptr;
  if (gWm.active == w) gWm.active = nullptr;
  if (gWm.capture == w) gWm.capture = nullptr;
  if (gWm.track.hwnd == h) gWm.track = Tracking{};
  if (gWm.lastClick.hwnd == h) gWm.lastClick = Click{};
  if (gWm.ncPressWindow == h) gWm.ncPressWindow = nullptr;
  for (Window* t : gWm.desktop->children) {
    if (t->owner == w) t->owner = nullptr;
    if (t->lastActivePopup == w) t->lastActivePopup = nullptr;
  }
  bool top = w->IsTopLevel();
  Unlink(w);
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    gWm.windows.erase(reinterpret_cast<uintptr_t>(h));
  }
  w->destroyed = true;
  if (top && gWm.backend) gWm.backend->TopLevelChanged(h);
  gWm.zombies.push_back(w);
}

BOOL DestroyWindowImpl(Window* w) {
  if (!w || w == gWm.desktop || w->destroying) return FALSE;
  if (w->thread != CurrentThread()) return FALSE;
  w->destroying = true;
  HWND h = w->handle;
  // owned windows go first
  std::vector<HWND> owned;
  for (Window* t : gWm.desktop->children)
    if (t->owner == w) owned.push_back(t->handle);
  for (HWND o : owned)
    if (Window* t = FindWindowObj(o)) DestroyWindowImpl(t);
  if (!FindWindowObj(h)) return TRUE;
  if (w->style & WS_VISIBLE) {
    bool wasActive = Live(gWm.active) == w;
    SetWindowPosImpl(w, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!FindWindowObj(h)) return TRUE;
    if (wasActive && Live(gWm.active) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
  } else if (Live(gWm.active) == w) {
    ActivateImpl(NextActivatable(w), WA_ACTIVE);
  }
  if (Live(gWm.focus) && IsDescendant(gWm.focus, w)) {
    Window* f = gWm.focus;
    gWm.focus = nullptr;
    Send(f, WM_KILLFOCUS, 0, 0);
  }
  if (Live(gWm.capture) && IsDescendant(gWm.capture, w)) ReleaseCaptureImpl();
  if (!FindWindowObj(h)) return TRUE;
  ParentNotify(w, static_cast<WORD>(WM_DESTROY));
  if (!FindWindowObj(h)) return TRUE;
  SendDestroy(w);
  if (!FindWindowObj(h)) return TRUE;
  FinishDestroy(w);
  return TRUE;
}

void DestroySilently(Window* w) {
  for (Window* c : std::vector<Window*>(w->children)) DestroySilently(c);
  Unlink(w);
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    gWm.windows.erase(reinterpret_cast<uintptr_t>(w->handle));
  }
  w->destroyed = true;
  delete w;
}

HWND CreateWindowImpl(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                      HWND parentArg, HMENU menu, HINSTANCE instance, LPVOID param) {
  // windows made before a backend was chosen live on an invisible screen of a default size; classes
  // registered before that first window keep their registration (the reset would free them under us)
  if (!gWm.desktop) {
    std::vector<std::unique_ptr<WndClass>> kept;
    for (auto& c : gWm.classes)
      if (!c->system) kept.push_back(std::move(c));
    gWm.classes.erase(std::remove(gWm.classes.begin(), gWm.classes.end(), nullptr), gWm.classes.end());
    ResetWindowManager(1024, 768);
    for (auto& c : kept) gWm.classes.push_back(std::move(c));
  }
  WndClass* cls = FindClass(className);
  if (!cls) return nullptr;
  CurrentQueue();
  Window* parent = nullptr;
  Window* owner = nullptr;
  if (parentArg == HWND_MESSAGE) {
    parent = gWm.messageRoot;
  } else if (style & WS_CHILD) {
    parent = FindWindowObj(parentArg);
    if (!parent) return nullptr;
  } else {
    parent = gWm.desktop;
    if (parentArg) {
      Window* o = FindWindowObj(parentArg);
      if (!o) return nullptr;
      owner = Root(o);
    }
  }
  bool top = parent == gWm.desktop;
  if (top && !(style & (WS_CHILD | WS_POPUP))) {
    style |= WS_CAPTION | WS_CLIPSIBLINGS;
    exStyle |= WS_EX_WINDOWEDGE;
  }
  if (top && x == CW_USEDEFAULT) {
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    x = y = 8 + step * (gWm.cascade++ % 8);
  } else {
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
  }
  if (cx == CW_USEDEFAULT) {
    cx = top ? gWm.screenW * 3 / 4 : 0;
    cy = top ? gWm.screenH * 3 / 4 : 0;
  }
  auto* w = new Window();
  w->cls = cls;
  w->proc = cls->proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->parent = parent;
  w->owner = owner;
  w->instance = instance;
  w->thread = CurrentThread();
  w->extra.assign(static_cast<size_t>(std::max(0, cls->wndExtra)), 0);
  if (style & WS_CHILD)
    w->id = reinterpret_cast<LONG_PTR>(menu);
  else
    w->menu = menu;
  w->rect = RECT{x, y, x + std::max(0, cx), y + std::max(0, cy)};
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    w->handle = reinterpret_cast<HWND>(gWm.nextHandle);
    gWm.nextHandle += 4;
    gWm.windows[reinterpret_cast<uintptr_t>(w->handle)] = w;
  }
  HWND h = w->handle;
  InsertChild(parent, w);
  if (top) {
    BringOwnedAbove(w);
    EnsureBuffer(w);
  }
  if (WantsMinMax(w)) {
    MINMAXINFO mmi = DefaultMinMax(w);
    Send(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
    if (!Live(w)) return nullptr;
    cx = std::clamp<int>(w->Width(), mmi.ptMinTrackSize.x, std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
    cy = std::clamp<int>(w->Height(), mmi.ptMinTrackSize.y, std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
    if ((style & (WS_POPUP | WS_CHILD)) == 0 || (style & WS_THICKFRAME)) {
      w->rect.right = w->rect.left + cx;
      w->rect.bottom = w->rect.top + cy;
      if (top) EnsureBuffer(w);
    }
  }
  CREATESTRUCT cs{param, instance, menu, parentArg, w->Height(), w->Width(), w->rect.top, w->rect.left,
                  static_cast<LONG>(style), name, className, exStyle};
  if (!Send(w, WM_NCCREATE, 0, (LPARAM)&cs)) {
    if (Live(w)) DestroyWindowImpl(w);
    return nullptr;
  }
  if (!Live(w)) return nullptr;
  RECT calc = w->rect;
  Send(w, WM_NCCALCSIZE, FALSE, (LPARAM)&calc);
  if (!Live(w)) return nullptr;
  w->client = Offset(calc, -w->rect.left, -w->rect.top);
  if (Send(w, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    if (Live(w)) DestroyWindowImpl(w);
    return nullptr;
  }
  if (!FindWindowObj(h)) return nullptr;
  w->created = true;
  Send(w, WM_SIZE, SIZE_RESTORED,
       MAKELPARAM(static_cast<WORD>(w->client.right - w->client.left),
                  static_cast<WORD>(w->client.bottom - w->client.top)));
  if (!FindWindowObj(h)) return nullptr;
  Send(w, WM_MOVE, 0,
       MAKELPARAM(static_cast<WORD>(w->rect.left + w->client.left), static_cast<WORD>(w->rect.top + w->client.top)));
  if (!FindWindowObj(h)) return nullptr;
  ParentNotify(w, static_cast<WORD>(WM_CREATE));
  if (!FindWindowObj(h)) return nullptr;
  if (style & WS_VISIBLE) {
    int cmd = (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
    w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
    ShowWindowImpl(w, cmd);
  }
  return FindWindowObj(h) ? h : nullptr;
}

}  // namespace winapi::detail::wm

namespace winapi::detail {
using namespace wm;

void AssertionFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: window manager invariant broken: %s\n", file, line, condition);
  std::abort();
}

// ---- shared with the other files ---------------------------------------------------------------------
Window::Window() { pixman_region32_init(&update); }
Window::~Window() {
  pixman_region32_fini(&update);
  if (windowRgn) DeleteObject(windowRgn);
}
bool Window::IsTopLevel() const { return parent && parent == gWm.desktop; }

Window* FindWindowObj(HWND h) {
  if (!h) return nullptr;
  std::lock_guard<std::mutex> lock(gWm.handleMutex);
  auto it = gWm.windows.find(reinterpret_cast<uintptr_t>(h));
  return it == gWm.windows.end() ? nullptr : it->second;
}

Window* Desktop() { return gWm.desktop; }

uint64_t Now() { return CurrentClock().TickCount64(); }
int ScreenWidth() { return gWm.screenW; }
int ScreenHeight() { return gWm.screenH; }
RECT WorkArea() { return gWm.workArea; }
void SetWorkAreaRect(const RECT& r) { gWm.workArea = r; }
POINT CursorPos() { return gWm.cursor; }
BYTE* AsyncKeyState() { return gWm.asyncKeys; }

LRESULT Send(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w || w->destroyed) return 0;
  if (w->thread != CurrentThread()) return 0;  // messages are not sent across threads
  HWND h = w->handle;
  if (HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp{lp, wp, msg, h};
    CallHooks(WH_CALLWNDPROC, HC_ACTION, 1, (LPARAM)&cwp);
    if (!Live(w)) return 0;
  }
  LRESULT r = CallProc(w->proc, h, msg, wp, lp);
  if (HasHooks(WH_CALLWNDPROCRET)) {
    CWPRETSTRUCT ret{r, lp, wp, msg, h};
    CallHooks(WH_CALLWNDPROCRET, HC_ACTION, 1, (LPARAM)&ret);
  }
  return r;
}

void HandleCallbackException() {
  if (gWm.handler) {
    try {
      gWm.handler(gWm.handlerContext);
    } catch (...) {
    }
    return;
  }
  if (!ThisThread().pending) ThisThread().pending = std::current_exception();
}

void ResizeScreen(int w, int h) {
  if (!gWm.desktop) {
    ResetWindowManager(w, h);
    return;
  }
  gWm.screenW = w;
  gWm.screenH = h;
  gWm.workArea = RECT{0, 0, w, h};
  gWm.desktop->rect = RECT{0, 0, w, h};
  gWm.desktop->client = RECT{0, 0, w, h};
  gWm.desktop->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
  gWm.desktop->bufWidth = w;
  gWm.desktop->bufHeight = h;
  BroadcastSend(WM_DISPLAYCHANGE, 32, MAKELPARAM(static_cast<WORD>(w), static_cast<WORD>(h)));
  BroadcastSend(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
}

void BroadcastSend(UINT msg, WPARAM wp, LPARAM lp) {
  Api([&] { SendToAllTopLevels(msg, wp, lp); });
}

void ResetWindowManager(int w, int h) {
  ThisThread().pending = nullptr;
  FreeZombies();
  if (Window* desktop = gWm.desktop) {
    {
      // a broadcast from another thread starts from the desktop
      std::lock_guard<std::mutex> lock(gWm.handleMutex);
      gWm.desktop = nullptr;
    }
    DestroySilently(desktop);
  }
  if (gWm.messageRoot) DestroySilently(gWm.messageRoot);
  gWm.zombies.clear();
  gWm.classes.erase(std::remove_if(gWm.classes.begin(), gWm.classes.end(), [](const auto& c) { return !c->system; }),
                 gWm.classes.end());
  size_t builtinFrom = gWm.classes.size();  // the built-in control classes join the platform's own classes
  RegisterControlClasses();
  for (size_t i = builtinFrom; i < gWm.classes.size(); ++i) gWm.classes[i]->system = true;
  for (Hook* hk : gWm.hooks) delete hk;
  gWm.hooks.clear();
  std::fill(std::begin(gWm.hookCount), std::end(gWm.hookCount), 0);
  gWm.timers.clear();
  gWm.timerIndex.clear();
  gWm.nextThreadTimerId = 1;
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    for (auto& [id, q] : gWm.queues) {
      std::lock_guard<std::mutex> ql(q->mutex);
      q->posted.clear();
      q->quit = false;
    }
  }
  ResetInput();
  gWm.focus = gWm.active = gWm.capture = nullptr;
  gWm.appActive = false;
  gWm.maybeDirty = false;
  gWm.paintDepth = 0;
  gWm.doubleClickTime = 500;
  gWm.screenW = w;
  gWm.screenH = h;
  gWm.workArea = RECT{0, 0, w, h};
  SetCursorPoint(POINT{0, 0});
  auto make = [](RECT r) {
    auto* win = new Window();
    win->style = WS_VISIBLE | WS_CLIPCHILDREN;
    win->rect = r;
    win->client = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    win->thread = CurrentThread();
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    win->handle = reinterpret_cast<HWND>(gWm.nextHandle);
    gWm.nextHandle += 4;
    gWm.windows[reinterpret_cast<uintptr_t>(win->handle)] = win;
    return win;
  };
  Window* desktop = make(RECT{0, 0, w, h});
  desktop->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
  desktop->bufWidth = w;
  desktop->bufHeight = h;
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    gWm.desktop = desktop;
  }
  gWm.messageRoot = make(RECT{0, 0, 0, 0});
  gWm.messageRoot->style = 0;
  CurrentQueue();
}

}  // namespace winapi::detail

using namespace winapi::detail;
using namespace winapi::detail::wm;

namespace winapi {

void SetExceptionHandler(ExceptionHandler handler, void* context) {
  gWm.handler = handler;
  gWm.handlerContext = context;
}

bool GetWindowBuffer(HWND hwnd, PixelBuffer* buffer, POINT* origin) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gWm.desktop;
  if (!w) return false;
  Window* top = TopLevelOf(w);
  if (!top || top->pixels.empty()) return false;
  *buffer = PixelBuffer{top->pixels.data(), top->bufWidth, top->bufHeight, top->bufWidth};
  if (origin) *origin = w == gWm.desktop ? POINT{0, 0} : BufferOffset(w);
  return true;
}

void SetBackend(Backend* backend, int screenWidth, int screenHeight) {
  gWm.backend = backend;
  if (!gWm.clockListener) gWm.clockListener = AddClockListener([] { Wake(); });
  ResetWindowManager(screenWidth, screenHeight);
}
Backend* GetBackend() { return gWm.backend; }

}  // namespace winapi

// ---- classes -----------------------------------------------------------------------------------------
ATOM RegisterClassEx(const WNDCLASSEX* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (FindClass(wc->lpszClassName)) return 0;
  auto c = std::make_unique<WndClass>();
  c->name = wc->lpszClassName;
  c->atom = gWm.nextAtom++;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->clsExtra = wc->cbClsExtra;
  c->wndExtra = wc->cbWndExtra;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->iconSm = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  if (wc->lpszMenuName && !IsIntResource(wc->lpszMenuName)) c->menuName = wc->lpszMenuName;
  c->extra.assign(static_cast<size_t>(std::max(0, wc->cbClsExtra)), 0);
  ATOM a = c->atom;
  gWm.classes.push_back(std::move(c));
  return a;
}

ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc) return 0;
  WNDCLASSEX ex{sizeof(WNDCLASSEX), wc->style,  wc->lpfnWndProc,   wc->cbClsExtra,
                wc->cbWndExtra,     wc->hInstance, wc->hIcon, wc->hCursor, wc->hbrBackground,
                wc->lpszMenuName,   wc->lpszClassName, nullptr};
  return RegisterClassEx(&ex);
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  WndClass* c = FindClass(className);
  if (!c) return FALSE;
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    for (auto& [h, w] : gWm.windows)
      if (w->cls == c) return FALSE;
  }
  gWm.classes.erase(std::find_if(gWm.classes.begin(), gWm.classes.end(), [c](const auto& p) { return p.get() == c; }));
  return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE, LPCSTR className, WNDCLASSEX* wc) {
  WndClass* c = FindClass(className);
  if (!c || !wc) return FALSE;
  *wc = WNDCLASSEX{sizeof(WNDCLASSEX), c->style, c->proc, c->clsExtra, c->wndExtra, c->instance, c->icon,
                   c->cursor, c->background, nullptr, className, c->iconSm};
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE instance, LPCSTR className, WNDCLASS* wc) {
  WNDCLASSEX ex{};
  if (!wc || !GetClassInfoEx(instance, className, &ex)) return FALSE;
  *wc = WNDCLASS{ex.style, ex.lpfnWndProc, ex.cbClsExtra, ex.cbWndExtra, ex.hInstance, ex.hIcon,
                 ex.hCursor, ex.hbrBackground, nullptr, className};
  return TRUE;
}

int GetClassName(HWND hwnd, LPSTR buffer, int maxCount) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !w->cls || !buffer || maxCount <= 0) return 0;
  int n = std::min<int>(static_cast<int>(w->cls->name.size()), maxCount - 1);
  std::memcpy(buffer, w->cls->name.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c->background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c->instance);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c->proc);
    case GCL_STYLE: return c->style;
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c->wndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c->clsExtra);
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= c->extra.size()) {
        ULONG_PTR v;
        std::memcpy(&v, c->extra.data() + index, sizeof v);
        return v;
      }
      return 0;
  }
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  ULONG_PTR old = GetClassLongPtr(hwnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: c->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c->icon = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC: c->proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c->style = static_cast<UINT>(value); break;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= c->extra.size())
        std::memcpy(c->extra.data() + index, &value, sizeof value);
      else
        return 0;
  }
  return old;
}

DWORD GetClassLong(HWND hwnd, int index) { return static_cast<DWORD>(GetClassLongPtr(hwnd, index)); }

// ---- windows -----------------------------------------------------------------------------------------
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return Api([&] {
    return CreateWindowImpl(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                            param);
  });
}

BOOL DestroyWindow(HWND hwnd) { return Api([&] { return DestroyWindowImpl(FindWindowObj(hwnd)); }); }

BOOL IsWindow(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && w != gWm.messageRoot ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && IsVisibleTree(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = FindWindowObj(parent);
  Window* w = FindWindowObj(hwnd);
  if (!p || !w) return FALSE;
  for (Window* c = w; c && (c->style & WS_CHILD); c = c->parent)
    if (c->parent == p) return TRUE;
  return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  return Api([&]() -> BOOL {
    Window* w = FindWindowObj(hwnd);
    if (!w) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
      w->style &= ~WS_DISABLED;
      Send(w, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
      Send(w, WM_CANCELMODE, 0, 0);
      if (!Live(w)) return FALSE;
      w->style |= WS_DISABLED;
      if (Live(gWm.focus) && IsDescendant(gWm.focus, w)) SetFocusImpl(nullptr);
      if (Live(w)) Send(w, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
  });
}

namespace {
bool EnumTree(Window* w, WNDENUMPROC proc, LPARAM lp) {
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) {
    Window* c = FindWindowObj(k);
    if (!c) continue;
    if (!proc(k, lp)) return false;
    if ((c = FindWindowObj(k)) && !EnumTree(c, proc, lp)) return false;
  }
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lp) {
  Window* w = parent ? FindWindowObj(parent) : gWm.desktop;
  if (!w || !proc) return FALSE;
  return Api([&] { return EnumTree(w, proc, lp) ? TRUE : FALSE; });
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lp) {
  if (!proc || !gWm.desktop) return FALSE;
  return Api([&]() -> BOOL {
    std::vector<HWND> tops;
    for (Window* t : gWm.desktop->children) tops.push_back(t->handle);
    for (HWND h : tops)
      if (FindWindowObj(h) && !proc(h, lp)) return FALSE;
    return TRUE;
  });
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lp) {
  if (!proc || !gWm.desktop) return FALSE;
  return Api([&]() -> BOOL {
    std::vector<HWND> tops;
    for (Window* t : gWm.desktop->children)
      if (t->thread == threadId) tops.push_back(t->handle);
    for (HWND h : tops)
      if (FindWindowObj(h) && !proc(h, lp)) return FALSE;
    return TRUE;
  });
}

HWND FindWindow(LPCSTR className, LPCSTR windowName) {
  if (!gWm.desktop) return nullptr;
  for (Window* t : gWm.desktop->children) {
    if (className && !(IsIntResource(className) ? t->cls->atom == reinterpret_cast<uintptr_t>(className)
                                                : EqualNoCase(t->cls->name, className)))
      continue;
    if (windowName && t->text != windowName) continue;
    return t->handle;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  return w && (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

HWND GetDlgItem(HWND parent, int id) {
  Window* p = FindWindowObj(parent);
  if (!p) return nullptr;
  for (Window* c : p->children)
    if (c->id == id) return c->handle;
  return nullptr;
}

int GetWindowText(HWND hwnd, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  Window* w = FindWindowObj(hwnd);
  if (!w) {
    buffer[0] = 0;
    return 0;
  }
  if (w->thread == CurrentThread())
    return static_cast<int>(Api([&] { return Send(w, WM_GETTEXT, static_cast<WPARAM>(maxCount), (LPARAM)buffer); }));
  int n = std::min<int>(static_cast<int>(w->text.size()), maxCount - 1);
  std::memcpy(buffer, w->text.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

int GetWindowTextLength(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  if (w->thread == CurrentThread()) return static_cast<int>(Api([&] { return Send(w, WM_GETTEXTLENGTH, 0, 0); }));
  return static_cast<int>(w->text.size());
}

BOOL SetWindowText(HWND hwnd, LPCSTR text) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  return static_cast<BOOL>(Api([&] { return Send(w, WM_SETTEXT, 0, (LPARAM)(text ? text : "")); }));
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->IsTopLevel() ? H(w->owner) : H(w->parent));
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
      }
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= w->extra.size()) {
        LONG v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
      }
      return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  return Api([&]() -> LONG_PTR {
    Window* w = FindWindowObj(hwnd);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtr(hwnd, index);
    switch (index) {
      case GWLP_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); break;
      case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
      case GWLP_HWNDPARENT:
        if (w->IsTopLevel()) {
          Window* o = FindWindowObj(reinterpret_cast<HWND>(value));
          w->owner = o ? Root(o) : nullptr;
        }
        break;
      case GWLP_ID: w->id = value; break;
      case GWLP_USERDATA: w->userData = value; break;
      case GWL_STYLE:
      case GWL_EXSTYLE: {
        STYLESTRUCT ss{index == GWL_STYLE ? w->style : w->exStyle, static_cast<DWORD>(value)};
        Send(w, WM_STYLECHANGING, static_cast<WPARAM>(index), (LPARAM)&ss);
        if (!Live(w)) return old;
        if (index == GWL_STYLE)
          w->style = ss.styleNew;
        else
          w->exStyle = ss.styleNew;
        Send(w, WM_STYLECHANGED, static_cast<WPARAM>(index), (LPARAM)&ss);
        break;
      }
      default:
        if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
          std::memcpy(w->extra.data() + index, &value, sizeof value);
        } else if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= w->extra.size()) {
          LONG v = static_cast<LONG>(value);
          std::memcpy(w->extra.data() + index, &v, sizeof v);
        } else {
          return 0;
        }
    }
    return old;
  });
}

LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }
LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, index == GWL_STYLE || index == GWL_EXSTYLE
                                                             ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                                                             : value));
}

namespace {
std::string PropKey(LPCSTR name) {
  if (IsIntResource(name)) {
    std::string key = std::to_string(reinterpret_cast<uintptr_t>(name));
    key.insert(key.begin(), '#');
    return key;
  }
  return name;
}
}  // namespace

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !name) return FALSE;
  w->props[PropKey(name)] = data;
  return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !name) return nullptr;
  auto it = w->props.find(PropKey(name));
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !name) return nullptr;
  auto it = w->props.find(PropKey(name));
  if (it == w->props.end()) return nullptr;
  HANDLE h = it->second;
  w->props.erase(it);
  return h;
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  return Api([&]() -> int {
    Window* w = FindWindowObj(hwnd);
    if (!w) return 0;
    if (rgn && !AsRegion(rgn)) return 0;
    RECT old = w->rect;
    if (w->windowRgn) DeleteObject(w->windowRgn);
    w->windowRgn = rgn;  // the window owns the region from now on
    if (redraw && (w->style & WS_VISIBLE)) {
      InvalidateParentArea(w, old);
      InvalidateTree(w, nullptr, true, true, ChildrenAll);
    }
    if (w->IsTopLevel() && gWm.backend) gWm.backend->TopLevelChanged(hwnd);
    return 1;
  });
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  Window* w = FindWindowObj(hwnd);
  Region* dst = AsRegion(rgn);
  Region* src = w ? AsRegion(w->windowRgn) : nullptr;
  if (!dst || !src) return ERROR;
  pixman_region32_copy(&dst->rgn, &src->rgn);
  return RegionType(&dst->rgn);
}
