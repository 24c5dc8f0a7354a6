// The in-process window manager: windows and classes, geometry and z-order, the message queue, timers,
// hooks, input routing, focus, activation, capture and painting.

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "rtl/Clock.h"
#include "winapi/detail/Ctl.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

namespace winapi::detail {
namespace {

// ---- state -------------------------------------------------------------------------------------------
std::mutex gHandleMutex;  // guards gWindows and gQueues: PostMessage comes from any thread
std::unordered_map<uintptr_t, Window*> gWindows;
uintptr_t gNextHandle = 0x10000;
std::unordered_map<DWORD, Queue*> gQueues;

Window* gDesktop = nullptr;
Window* gMessageRoot = nullptr;  // parent of message-only windows; never visible
std::vector<std::unique_ptr<WndClass>> gClasses;
ATOM gNextAtom = 0xC000;
std::vector<Window*> gZombies;

Window* gFocus = nullptr;
Window* gActive = nullptr;
Window* gCapture = nullptr;
bool gAppActive = false;
bool gMaybeDirty = false;

int gScreenW = 1024;
int gScreenH = 768;
RECT gWorkArea{0, 0, 1024, 768};
Backend* gBackend = nullptr;

int32_t gClockListener = 0;  // wakes the queue when a test moves the clock

// timers, ordered by due time then by scheduling order
using TimerKey = std::pair<uint64_t, uint64_t>;
std::map<TimerKey, Timer> gTimers;
// (window, id, thread of a thread timer) -> key in gTimers
std::map<std::tuple<HWND, UINT_PTR, DWORD>, TimerKey> gTimerIndex;
uint64_t gTimerSeq = 0;
UINT_PTR gNextThreadTimerId = 1;

struct Hook {
  int kind;
  HOOKPROC proc;
  DWORD thread;  // 0: every thread
  bool removed;
};
std::vector<Hook*> gHooks;  // newest first
int gHookCount[16] = {};

std::deque<InputEvent> gInput;
uint64_t gInputSeq = 0;
BYTE gSyncKeys[256] = {};
BYTE gAsyncKeys[256] = {};
POINT gCursor{0, 0};
std::atomic<uint64_t> gCursorShared{0};  // the cursor for threads other than the GUI thread

void SetCursorPoint(POINT p) {
  gCursor = p;
  gCursorShared.store((static_cast<uint64_t>(static_cast<uint32_t>(p.x)) << 32) | static_cast<uint32_t>(p.y));
}

POINT SharedCursor() {
  uint64_t v = gCursorShared.load();
  return POINT{static_cast<LONG>(static_cast<int32_t>(v >> 32)), static_cast<LONG>(static_cast<int32_t>(v & 0xFFFFFFFF))};
}

struct Click {
  HWND hwnd = nullptr;
  UINT msg = 0;
  DWORD time = 0;
  POINT pt{};
};
Click gLastClick;
UINT gDoubleClickTime = 500;

struct Tracking {
  HWND hwnd = nullptr;
  DWORD flags = 0;
  DWORD hoverTime = 400;
  uint64_t hoverDue = 0;
  POINT hoverStart{};
};
Tracking gTrack;
// a press on a caption button, completed by the release over the same button
HWND gNcPressWindow = nullptr;
LRESULT gNcPressHit = HTNOWHERE;

thread_local int tDepth = 0;
thread_local std::exception_ptr tPending;
ExceptionHandler gHandler = nullptr;
void* gHandlerContext = nullptr;

DWORD CurrentThread() {
  thread_local DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}

// ---- the boundary around every call out --------------------------------------------------------------
void FreeZombies() {
  if (CurrentThread() != (gDesktop ? gDesktop->thread : 0)) return;
  std::vector<Window*> zombies;
  zombies.swap(gZombies);
  for (Window* w : zombies) delete w;
  for (auto it = gHooks.begin(); it != gHooks.end();) {
    if ((*it)->removed) {
      delete *it;
      it = gHooks.erase(it);
    } else {
      ++it;
    }
  }
}

struct Depth {
  Depth() { ++tDepth; }
  ~Depth() {
    if (--tDepth == 0) FreeZombies();
  }
  Depth(const Depth&) = delete;
  Depth& operator=(const Depth&) = delete;
};

void RethrowPending() {
  if (tDepth == 0 && tPending) {
    std::exception_ptr e = tPending;
    tPending = nullptr;
    std::rethrow_exception(e);
  }
}

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

LRESULT CallProc(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (!proc) return 0;
  try {
    return proc(h, msg, wp, lp);
  } catch (...) {
    HandleCallbackException();
    return 0;
  }
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

bool IsIntResource(LPCSTR p) { return reinterpret_cast<uintptr_t>(p) < 0x10000; }

WndClass* FindClass(LPCSTR name) {
  if (!name) return nullptr;
  for (auto& c : gClasses) {
    if (IsIntResource(name) ? c->atom == reinterpret_cast<uintptr_t>(name) : EqualNoCase(c->name, name))
      return c.get();
  }
  return nullptr;
}

Window* Root(Window* w) {
  while (w && w->parent && w->parent != gDesktop && w->parent != gMessageRoot) w = w->parent;
  return w;
}

bool IsDescendant(const Window* w, const Window* ancestor) {
  for (; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

HWND H(const Window* w) { return w ? w->handle : nullptr; }

Window* Live(Window* w) { return w && !w->destroyed ? w : nullptr; }

RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }
bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

void RegionFromRect(pixman_region32_t* r, const RECT& rc) {
  pixman_region32_fini(r);
  if (rc.right > rc.left && rc.bottom > rc.top)
    pixman_region32_init_rect(r, rc.left, rc.top, static_cast<unsigned>(rc.right - rc.left),
                              static_cast<unsigned>(rc.bottom - rc.top));
  else
    pixman_region32_init(r);
}

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

RECT ClientRectOf(const Window* w) {
  return RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
}

WPARAM MouseKeys(const BYTE* keys) {
  WPARAM k = 0;
  if (keys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

// ---- hooks -------------------------------------------------------------------------------------------
LRESULT CallHookAt(size_t index, int kind, int code, WPARAM wp, LPARAM lp) {
  DWORD self = CurrentThread();
  for (size_t i = index; i < gHooks.size(); ++i) {
    Hook* h = gHooks[i];
    if (h->removed || h->kind != kind || (h->thread && h->thread != self)) continue;
    try {
      return h->proc(code, wp, lp);
    } catch (...) {
      HandleCallbackException();
      return 0;
    }
  }
  return 0;
}

bool HasHooks(int kind) { return kind >= -1 && kind < 15 && gHookCount[kind + 1] > 0; }

LRESULT CallHooks(int kind, int code, WPARAM wp, LPARAM lp) {
  if (!HasHooks(kind)) return 0;
  return CallHookAt(0, kind, code, wp, lp);
}

// ---- queues ------------------------------------------------------------------------------------------
Queue* QueueOf(DWORD thread) {
  auto it = gQueues.find(thread);
  return it == gQueues.end() ? nullptr : it->second;
}

struct QueueOwner {
  Queue* q = nullptr;
  ~QueueOwner() {
    if (!q) return;
    {
      std::lock_guard<std::mutex> lock(gHandleMutex);
      gQueues.erase(q->thread);
    }
    delete q;
  }
};

void Wake() {
  if (gBackend) gBackend->Wake();
}

void PurgePosted(HWND h) {
  std::lock_guard<std::mutex> lock(gHandleMutex);
  for (auto& [id, q] : gQueues) {
    std::lock_guard<std::mutex> ql(q->mutex);
    q->posted.erase(std::remove_if(q->posted.begin(), q->posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
                    q->posted.end());
  }
}

bool PostTo(DWORD thread, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  MSG m{h, msg, wp, lp, GetTickCount(), SharedCursor()};
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    Queue* q = QueueOf(thread);
    if (!q) return false;
    std::lock_guard<std::mutex> ql(q->mutex);
    q->posted.push_back(m);
  }
  Wake();
  return true;
}

// ---- timers ------------------------------------------------------------------------------------------
std::tuple<HWND, UINT_PTR, DWORD> IndexKey(const Timer& t) { return {t.hwnd, t.id, t.hwnd ? 0 : t.thread}; }

void TimerInsert(const Timer& t) {
  TimerKey k{t.due, t.seq};
  gTimers.emplace(k, t);
  gTimerIndex[IndexKey(t)] = k;
}

std::map<TimerKey, Timer>::iterator TimerErase(std::map<TimerKey, Timer>::iterator it) {
  gTimerIndex.erase(IndexKey(it->second));
  return gTimers.erase(it);
}

void RemoveTimersOf(HWND h) {
  for (auto it = gTimers.begin(); it != gTimers.end();) {
    if (h && it->second.hwnd == h)
      it = TimerErase(it);
    else
      ++it;
  }
}

std::map<TimerKey, Timer>::iterator FindTimer(HWND h, UINT_PTR id, DWORD thread) {
  auto it = gTimerIndex.find({h, id, h ? 0 : thread});
  return it == gTimerIndex.end() ? gTimers.end() : gTimers.find(it->second);
}

// ---- geometry ----------------------------------------------------------------------------------------
struct Insets {
  int left = 0, top = 0, right = 0, bottom = 0;
};

Insets FrameInsets(DWORD style, DWORD ex) {
  Insets in;
  int b = 0;
  if (style & WS_THICKFRAME)
    b = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME))
    b = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    b = GetSystemMetrics(SM_CXBORDER);
  in.left = in.right = in.top = in.bottom = b;
  if ((style & WS_CAPTION) == WS_CAPTION)
    in.top += (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  int e = 0;
  if (ex & WS_EX_CLIENTEDGE) e += GetSystemMetrics(SM_CXEDGE);
  if (ex & WS_EX_STATICEDGE) e += GetSystemMetrics(SM_CXBORDER);
  in.left += e;
  in.right += e;
  in.top += e;
  in.bottom += e;
  return in;
}

RECT DefaultClient(const Window* w, const RECT& windowRect) {
  RECT r = windowRect;
  if (w->style & WS_MINIMIZE) return RECT{r.left, r.top, r.left, r.top};
  Insets in = FrameInsets(w->style, w->exStyle);
  r.left += in.left;
  r.top += in.top;
  r.right -= in.right;
  r.bottom -= in.bottom;
  if ((w->style & WS_VSCROLL) && r.right - r.left >= GetSystemMetrics(SM_CXVSCROLL))
    r.right -= GetSystemMetrics(SM_CXVSCROLL);
  if ((w->style & WS_HSCROLL) && r.bottom - r.top >= GetSystemMetrics(SM_CYHSCROLL))
    r.bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void EnsureBuffer(Window* top) {
  int w = std::max(0, top->Width());
  int h = std::max(0, top->Height());
  if (w == top->bufWidth && h == top->bufHeight) return;
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  int cw = std::min(w, top->bufWidth), ch = std::min(h, top->bufHeight);
  for (int y = 0; y < ch; ++y)
    std::copy(top->pixels.begin() + static_cast<ptrdiff_t>(y) * top->bufWidth,
              top->pixels.begin() + static_cast<ptrdiff_t>(y) * top->bufWidth + cw,
              px.begin() + static_cast<ptrdiff_t>(y) * w);
  top->pixels.swap(px);
  top->bufWidth = w;
  top->bufHeight = h;
}

void ReleaseBuffer(Window* w) {
  std::vector<uint32_t>().swap(w->pixels);
  w->bufWidth = w->bufHeight = 0;
}

// Screen rectangle of a window clipped by its window region, as a region in screen coordinates.
void WindowShape(Window* w, pixman_region32_t* out) {
  POINT o = WindowOrigin(w);
  RegionFromRect(out, RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()});
  if (Region* r = AsRegion(w->windowRgn)) {
    Rgn shape;
    pixman_region32_copy(&shape.r, &r->rgn);
    pixman_region32_translate(&shape.r, o.x, o.y);
    pixman_region32_intersect(out, out, &shape.r);
  }
}

bool ShapeContains(Window* w, POINT pt) {
  POINT o = WindowOrigin(w);
  if (!Contains(RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()}, pt)) return false;
  if (Region* r = AsRegion(w->windowRgn)) return pixman_region32_contains_point(&r->rgn, pt.x - o.x, pt.y - o.y, nullptr);
  return true;
}

// ---- z-order -----------------------------------------------------------------------------------------
bool IsTopmost(const Window* w) { return (w->exStyle & WS_EX_TOPMOST) != 0; }

size_t FirstNonTopmost(const std::vector<Window*>& v) {
  size_t i = 0;
  while (i < v.size() && IsTopmost(v[i])) ++i;
  return i;
}

void BringOwnedAbove(Window* w) {
  if (!w->IsTopLevel()) return;
  auto& v = w->parent->children;
  std::vector<Window*> owned;
  for (Window* c : v)
    if (c != w && c->owner && IsDescendantOwner(c, w)) owned.push_back(c);
  if (owned.empty()) return;
  for (Window* c : owned) v.erase(std::find(v.begin(), v.end(), c));
  auto pos = std::find(v.begin(), v.end(), w);
  // owned windows keep their relative order and stay in the topmost band when they are topmost
  std::vector<Window*> normal;
  for (Window* c : owned) {
    if (IsTopmost(c) && !IsTopmost(w)) {
      v.insert(v.begin() + static_cast<ptrdiff_t>(FirstNonTopmost(v)), c);
      pos = std::find(v.begin(), v.end(), w);
    } else {
      normal.push_back(c);
    }
  }
  v.insert(pos, normal.begin(), normal.end());
}

// Moves w in its parent's list; returns whether the order changed.
bool ApplyZOrder(Window* w, HWND after, bool ownerOrder) {
  if (!w->parent) return false;
  auto& v = w->parent->children;
  std::vector<Window*> before = v;
  v.erase(std::find(v.begin(), v.end(), w));
  bool top = w->IsTopLevel();
  size_t pos = 0;
  if (after == HWND_TOP) {
    pos = top && !IsTopmost(w) ? FirstNonTopmost(v) : 0;
  } else if (after == HWND_BOTTOM) {
    if (top) w->exStyle &= ~WS_EX_TOPMOST;
    pos = v.size();
  } else if (after == HWND_TOPMOST) {
    if (top) w->exStyle |= WS_EX_TOPMOST;
    pos = 0;
  } else if (after == HWND_NOTOPMOST) {
    if (top) w->exStyle &= ~WS_EX_TOPMOST;
    pos = FirstNonTopmost(v);
  } else {
    Window* a = FindWindowObj(after);
    auto it = a ? std::find(v.begin(), v.end(), a) : v.end();
    if (it == v.end()) {
      v = before;
      return false;
    }
    pos = static_cast<size_t>(it - v.begin()) + 1;
    if (top && !IsTopmost(w)) pos = std::max(pos, FirstNonTopmost(v));
    if (top && IsTopmost(w)) pos = std::min(pos, FirstNonTopmost(v));
  }
  v.insert(v.begin() + static_cast<ptrdiff_t>(pos), w);
  if (ownerOrder) BringOwnedAbove(w);
  return v != before;
}

// ---- painting state ----------------------------------------------------------------------------------
enum ChildMode { ChildrenByStyle, ChildrenAll, ChildrenNone };

void InvalidateTree(Window* w, pixman_region32_t* clientRgn, bool erase, bool frame, ChildMode mode) {
  Rgn area(ClientRectOf(w));
  if (clientRgn) pixman_region32_intersect(&area.r, &area.r, clientRgn);
  if (!area.Empty()) {
    pixman_region32_union(&w->update, &w->update, &area.r);
    if (erase) w->erase = true;
    gMaybeDirty = true;
  }
  if (frame) {
    w->ncPending = true;
    gMaybeDirty = true;
  }
  bool children = mode == ChildrenAll || (mode == ChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children || area.Empty()) return;
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    // the child's window area in its own window coordinates
    Rgn part;
    pixman_region32_copy(&part.r, &area.r);
    pixman_region32_translate(&part.r, -c->rect.left, -c->rect.top);
    Rgn bounds(RECT{0, 0, c->Width(), c->Height()});
    pixman_region32_intersect(&part.r, &part.r, &bounds.r);
    if (part.Empty()) continue;
    Rgn clientPart(c->client);
    pixman_region32_intersect(&clientPart.r, &clientPart.r, &part.r);
    bool touchesFrame = !pixman_region32_equal(&clientPart.r, &part.r);
    pixman_region32_translate(&part.r, -c->client.left, -c->client.top);
    InvalidateTree(c, &part.r, erase, touchesFrame, mode == ChildrenAll ? ChildrenAll : ChildrenByStyle);
  }
}

void ValidateTree(Window* w, pixman_region32_t* clientRgn, bool noErase, bool noFrame, bool allChildren) {
  if (clientRgn)
    pixman_region32_subtract(&w->update, &w->update, clientRgn);
  else
    pixman_region32_clear(&w->update);
  if (!pixman_region32_not_empty(&w->update)) {
    if (noErase || !clientRgn) w->erase = false;
    if (!noFrame && !clientRgn) w->ncPending = false;
  }
  if (!allChildren) return;
  for (Window* c : w->children) {
    if (clientRgn) {
      Rgn part;
      pixman_region32_copy(&part.r, clientRgn);
      pixman_region32_translate(&part.r, -c->rect.left - c->client.left, -c->rect.top - c->client.top);
      ValidateTree(c, &part.r, noErase, noFrame, true);
    } else {
      ValidateTree(c, nullptr, noErase, noFrame, true);
    }
  }
}

bool NeedsPaint(const Window* w) {
  return pixman_region32_not_empty(const_cast<pixman_region32_t*>(&w->update)) || w->internalPaint;
}

Window* FindDirty(Window* w, DWORD thread, Window* only) {
  if (!(w->style & WS_VISIBLE) && w != gDesktop) return nullptr;
  if (w != gDesktop && w->thread == thread && (!only || only == w) && (NeedsPaint(w) || w->ncPending)) return w;
  for (Window* c : w->children)
    if (Window* d = FindDirty(c, thread, only)) return d;
  return nullptr;
}

void SendNcPaint(Window* w) {
  if (!w->ncPending) return;
  w->ncPending = false;
  if (FrameInsets(w->style, w->exStyle).top || (w->style & (WS_VSCROLL | WS_HSCROLL)) ||
      w->client.left || w->client.top)
    Send(w, WM_NCPAINT, 1, 0);
}

void UpdateNow(Window* w, ChildMode mode) {
  if (!IsVisibleTree(w)) return;
  HWND h = w->handle;
  SendNcPaint(w);
  if (!FindWindowObj(h)) return;
  if (NeedsPaint(w)) Send(w, WM_PAINT, 0, 0);
  if (!FindWindowObj(h)) return;
  bool children = mode == ChildrenAll || (mode == ChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FindWindowObj(k)) UpdateNow(c, mode);
}

void InvalidateParentArea(Window* w, const RECT& oldRect) {
  Window* p = w->parent;
  if (!p || p == gMessageRoot) return;
  if (p == gDesktop) return;  // top-levels have buffers of their own
  Rgn area(oldRect);
  InvalidateTree(p, &area.r, true, false, ChildrenAll);
}

// ---- focus, activation, capture ----------------------------------------------------------------------
HWND SetFocusImpl(Window* w);
void ActivateImpl(Window* w, WORD how);

Window* NextActivatable(Window* except) {
  if (except && except->owner) {
    Window* o = Live(except->owner);
    if (o && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return o;
  }
  for (Window* t : gDesktop->children) {
    if (t == except || t->destroying || IsDescendantOwner(t, except)) continue;
    if ((t->style & WS_VISIBLE) && !(t->style & (WS_DISABLED | WS_CHILD | WS_MINIMIZE)) &&
        !(t->exStyle & WS_EX_NOACTIVATE))
      return t;
  }
  return nullptr;
}

void SendToAllTopLevels(UINT msg, WPARAM wp, LPARAM lp) {
  if (!gDesktop) return;
  std::vector<HWND> tops;
  DWORD self = CurrentThread();
  for (Window* t : gDesktop->children)
    if (t->thread == self) tops.push_back(t->handle);
  for (HWND h : tops)
    if (Window* t = FindWindowObj(h)) Send(t, msg, wp, lp);
}

void ActivateImpl(Window* w, WORD how) {
  Window* old = Live(gActive);
  if (old == w) return;
  if (w && w->destroyed) return;
  if (w && (w->style & WS_CHILD)) return;  // a child floating on the desktop is never active
  gActive = w;
  if (w) ApplyZOrder(w, HWND_TOP, true);
  if (w && !gAppActive) {
    gAppActive = true;
    SendToAllTopLevels(WM_ACTIVATEAPP, TRUE, 0);
  }
  if (old && !old->destroyed) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    if (Live(old)) Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->style & WS_MINIMIZE) ? 1 : 0), (LPARAM)H(w));
  }
  if (gActive != w) return;
  if (w) {
    if (Window* o = Root(w)->owner) {
      while (o->owner) o = o->owner;
      o->lastActivePopup = w;
    }
    Send(w, WM_NCACTIVATE, TRUE, 0);
    if (Live(w) && gActive == w)
      Send(w, WM_ACTIVATE, MAKEWPARAM(how, (w->style & WS_MINIMIZE) ? 1 : 0), (LPARAM)H(old));
    // the keyboard focus lives in the active window or nowhere
    if (gActive == w && Live(gFocus) && Root(gFocus) != w) SetFocusImpl(nullptr);
  } else {
    if (Live(gFocus)) SetFocusImpl(nullptr);
    if (gAppActive) {
      gAppActive = false;
      SendToAllTopLevels(WM_ACTIVATEAPP, FALSE, 0);
    }
  }
}

HWND SetFocusImpl(Window* w) {
  Window* prev = Live(gFocus);
  if (w == prev) return H(prev);
  if (w) {
    if (w->destroyed) return nullptr;
    Window* top = Root(w);
    if (top != Live(gActive) && top->parent == gDesktop && !(top->style & WS_CHILD)) {
      ActivateImpl(top, WA_ACTIVE);
      if (Live(gFocus) == w) return H(prev);
    }
  }
  Window* old = Live(gFocus);
  if (w == old) return H(prev);
  gFocus = w;
  if (old) Send(old, WM_KILLFOCUS, (WPARAM)H(w), 0);
  if (w && gFocus == w && !w->destroyed) Send(w, WM_SETFOCUS, (WPARAM)H(old), 0);
  return H(prev);
}

HWND SetCaptureImpl(Window* w) {
  Window* prev = Live(gCapture);
  gCapture = w;
  if (prev && prev != w) Send(prev, WM_CAPTURECHANGED, 0, (LPARAM)H(w));
  return H(prev);
}

BOOL ReleaseCaptureImpl() {
  Window* prev = Live(gCapture);
  gCapture = nullptr;
  if (prev) Send(prev, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

// ---- window positions --------------------------------------------------------------------------------
BOOL SetWindowPosImpl(Window* w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!w || w == gDesktop || w->destroyed) return FALSE;
  HWND h = w->handle;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if ((flags & SWP_SHOWWINDOW) && wasVisible) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !wasVisible) flags &= ~SWP_HIDEWINDOW;
  if (flags & SWP_SHOWWINDOW) flags &= ~SWP_HIDEWINDOW;
  WINDOWPOS wp{h, after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->Width();
    wp.cy = w->Height();
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(w, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);
    if (!Live(w)) return FALSE;
  }
  flags = wp.flags;
  RECT oldRect = w->rect;
  RECT oldClient = w->client;
  RECT newRect = oldRect;
  if (!(flags & SWP_NOMOVE)) {
    newRect.left = wp.x;
    newRect.top = wp.y;
  }
  if (!(flags & SWP_NOSIZE)) {
    newRect.right = newRect.left + std::max(0, wp.cx);
    newRect.bottom = newRect.top + std::max(0, wp.cy);
  } else {
    newRect.right = newRect.left + (oldRect.right - oldRect.left);
    newRect.bottom = newRect.top + (oldRect.bottom - oldRect.top);
  }
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  bool sized = newRect.right - newRect.left != oldRect.right - oldRect.left ||
               newRect.bottom - newRect.top != oldRect.bottom - oldRect.top;
  RECT newClient = oldClient;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p{};
    p.rgrc[0] = newRect;
    p.rgrc[1] = oldRect;
    p.rgrc[2] = Offset(oldClient, oldRect.left, oldRect.top);
    p.lppos = &wp;
    Send(w, WM_NCCALCSIZE, TRUE, (LPARAM)&p);
    if (!Live(w)) return FALSE;
    newClient = Offset(p.rgrc[0], -newRect.left, -newRect.top);
  }
  bool clientMoved = moved || newClient.left != oldClient.left || newClient.top != oldClient.top;
  bool clientSized = newClient.right - newClient.left != oldClient.right - oldClient.left ||
                     newClient.bottom - newClient.top != oldClient.bottom - oldClient.top;
  bool redraw = !(flags & SWP_NOREDRAW);
  if (wasVisible && redraw && (moved || sized || (flags & SWP_HIDEWINDOW))) InvalidateParentArea(w, oldRect);
  w->rect = newRect;
  w->client = newClient;
  bool zChanged = false;
  if (!(flags & SWP_NOZORDER)) zChanged = ApplyZOrder(w, wp.hwndInsertAfter, !(flags & SWP_NOOWNERZORDER));
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  if (w->IsTopLevel() && sized) EnsureBuffer(w);
  if (redraw && (w->style & WS_VISIBLE) &&
      ((flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) || sized || (moved && !w->IsTopLevel()) ||
       (zChanged && !w->IsTopLevel())))
    InvalidateTree(w, nullptr, true, true, ChildrenAll);
  if (w->IsTopLevel() && gBackend && (moved || sized || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) || zChanged))
    gBackend->TopLevelChanged(h);
  if (w->IsTopLevel() && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE) && !(w->exStyle & WS_EX_NOACTIVATE))
    ActivateImpl(w, WA_ACTIVE);
  if (!Live(w)) return FALSE;
  wp.flags = flags | (clientSized ? 0 : SWP_NOCLIENTSIZE) | (clientMoved ? 0 : SWP_NOCLIENTMOVE);
  wp.x = w->rect.left;
  wp.y = w->rect.top;
  wp.cx = w->Width();
  wp.cy = w->Height();
  Send(w, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
  if (!Live(w)) return TRUE;
  if ((flags & SWP_HIDEWINDOW)) {
    if (Live(gActive) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
  }
  return TRUE;
}

MINMAXINFO DefaultMinMax(Window* w) {
  MINMAXINFO mmi{};
  Insets in = FrameInsets(w->style, w->exStyle);
  int frame = in.left;
  RECT work = w->IsTopLevel() ? gWorkArea : ClientRectOf(w->parent);
  mmi.ptMaxSize = POINT{(work.right - work.left) + 2 * frame, (work.bottom - work.top) + 2 * frame};
  mmi.ptMaxPosition = POINT{work.left - frame, work.top - frame};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  return mmi;
}

bool WantsMinMax(const Window* w) {
  return (w->style & (WS_POPUP | WS_CHILD)) == 0 || (w->style & WS_THICKFRAME);
}

BOOL ShowWindowImpl(Window* w, int cmd) {
  if (!w || w == gDesktop) return FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool top = w->IsTopLevel();
  UINT base = SWP_NOMOVE | SWP_NOSIZE;
  if (!top) base |= SWP_NOZORDER | SWP_NOACTIVATE;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      Send(w, WM_SHOWWINDOW, FALSE, 0);
      if (!Live(w)) return TRUE;
      SetWindowPosImpl(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    case SW_SHOWMAXIMIZED: {
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      if (!(w->style & WS_MAXIMIZE)) {
        if (!(w->style & WS_MINIMIZE)) w->normalRect = w->rect;
        w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
        MINMAXINFO mmi = DefaultMinMax(w);
        if (WantsMinMax(w)) Send(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
        SetWindowPosImpl(w, HWND_TOP, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
                         SWP_FRAMECHANGED | SWP_SHOWWINDOW | (top ? 0 : SWP_NOZORDER | SWP_NOACTIVATE));
      } else {
        SetWindowPosImpl(w, HWND_TOP, 0, 0, 0, 0, base | SWP_SHOWWINDOW);
      }
      return wasVisible;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: {
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      if (!(w->style & WS_MINIMIZE)) {
        if (!(w->style & WS_MAXIMIZE)) w->normalRect = w->rect;
        w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
        SetWindowPosImpl(w, HWND_TOP, -32000, -32000, GetSystemMetrics(SM_CXMINIMIZED),
                         GetSystemMetrics(SM_CYMINIMIZED), SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        if (Live(w) && Live(gActive) == w && cmd != SW_SHOWMINIMIZED) ActivateImpl(NextActivatable(w), WA_ACTIVE);
      }
      return wasVisible;
    }
    default: {
      bool activate = top && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE;
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      bool restore = (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT) &&
                     (w->style & (WS_MAXIMIZE | WS_MINIMIZE));
      UINT flags = base | SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE);
      if (cmd == SW_SHOWNA && top) flags |= SWP_NOZORDER;
      if (restore) {
        w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
        RECT r = w->normalRect;
        SetWindowPosImpl(w, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         (flags & ~(SWP_NOMOVE | SWP_NOSIZE)) | SWP_FRAMECHANGED);
      } else {
        SetWindowPosImpl(w, HWND_TOP, 0, 0, 0, 0, flags);
      }
      return wasVisible;
    }
  }
}

// ---- creation and destruction ------------------------------------------------------------------------
void ParentNotify(Window* w, WORD event) {
  if (!(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
  for (Window* p = w->parent; p && p != gDesktop && p != gMessageRoot; p = p->parent) {
    Send(p, WM_PARENTNOTIFY, MAKEWPARAM(event, static_cast<WORD>(w->id)), (LPARAM)w->handle);
    if (!(p->style & WS_CHILD) || (p->exStyle & WS_EX_NOPARENTNOTIFY)) break;
  }
}

void Unlink(Window* w) {
  if (w->parent) {
    auto& v = w->parent->children;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
  }
  w->parent = nullptr;
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
  for (auto it = gInput.begin(); it != gInput.end(); ++it)
    if (it->target == h) it->resolved = false;
  if (gFocus == w) gFocus = nullptr;
  if (gActive == w) gActive = nullptr;
  if (gCapture == w) gCapture = nullptr;
  if (gTrack.hwnd == h) gTrack = Tracking{};
  if (gLastClick.hwnd == h) gLastClick = Click{};
  if (gNcPressWindow == h) gNcPressWindow = nullptr;
  for (Window* t : gDesktop->children) {
    if (t->owner == w) t->owner = nullptr;
    if (t->lastActivePopup == w) t->lastActivePopup = nullptr;
  }
  bool top = w->IsTopLevel();
  Unlink(w);
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    gWindows.erase(reinterpret_cast<uintptr_t>(h));
  }
  w->destroyed = true;
  if (top && gBackend) gBackend->TopLevelChanged(h);
  gZombies.push_back(w);
}

BOOL DestroyWindowImpl(Window* w) {
  if (!w || w == gDesktop || w->destroying) return FALSE;
  if (w->thread != CurrentThread()) return FALSE;
  w->destroying = true;
  HWND h = w->handle;
  // owned windows go first
  std::vector<HWND> owned;
  for (Window* t : gDesktop->children)
    if (t->owner == w) owned.push_back(t->handle);
  for (HWND o : owned)
    if (Window* t = FindWindowObj(o)) DestroyWindowImpl(t);
  if (!FindWindowObj(h)) return TRUE;
  if (w->style & WS_VISIBLE) {
    bool wasActive = Live(gActive) == w;
    SetWindowPosImpl(w, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!FindWindowObj(h)) return TRUE;
    if (wasActive && Live(gActive) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
  } else if (Live(gActive) == w) {
    ActivateImpl(NextActivatable(w), WA_ACTIVE);
  }
  if (Live(gFocus) && IsDescendant(gFocus, w)) {
    Window* f = gFocus;
    gFocus = nullptr;
    Send(f, WM_KILLFOCUS, 0, 0);
  }
  if (Live(gCapture) && IsDescendant(gCapture, w)) ReleaseCaptureImpl();
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
    std::lock_guard<std::mutex> lock(gHandleMutex);
    gWindows.erase(reinterpret_cast<uintptr_t>(w->handle));
  }
  w->destroyed = true;
  delete w;
}

HWND CreateWindowImpl(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                      HWND parentArg, HMENU menu, HINSTANCE instance, LPVOID param) {
  // windows made before a backend was chosen live on an invisible screen of a default size; classes
  // registered before that first window keep their registration (the reset would free them under us)
  if (!gDesktop) {
    std::vector<std::unique_ptr<WndClass>> kept;
    for (auto& c : gClasses)
      if (!c->system) kept.push_back(std::move(c));
    gClasses.erase(std::remove(gClasses.begin(), gClasses.end(), nullptr), gClasses.end());
    ResetWindowManager(1024, 768);
    for (auto& c : kept) gClasses.push_back(std::move(c));
  }
  WndClass* cls = FindClass(className);
  if (!cls) return nullptr;
  CurrentQueue();
  Window* parent = nullptr;
  Window* owner = nullptr;
  if (parentArg == HWND_MESSAGE) {
    parent = gMessageRoot;
  } else if (style & WS_CHILD) {
    parent = FindWindowObj(parentArg);
    if (!parent) return nullptr;
  } else {
    parent = gDesktop;
    if (parentArg) {
      Window* o = FindWindowObj(parentArg);
      if (!o) return nullptr;
      owner = Root(o);
    }
  }
  bool top = parent == gDesktop;
  if (top && !(style & (WS_CHILD | WS_POPUP))) {
    style |= WS_CAPTION | WS_CLIPSIBLINGS;
    exStyle |= WS_EX_WINDOWEDGE;
  }
  if (top && x == CW_USEDEFAULT) {
    static int cascade = 0;
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    x = y = 8 + step * (cascade++ % 8);
  } else {
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
  }
  if (cx == CW_USEDEFAULT) {
    cx = top ? gScreenW * 3 / 4 : 0;
    cy = top ? gScreenH * 3 / 4 : 0;
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
    std::lock_guard<std::mutex> lock(gHandleMutex);
    w->handle = reinterpret_cast<HWND>(gNextHandle);
    gNextHandle += 4;
    gWindows[reinterpret_cast<uintptr_t>(w->handle)] = w;
  }
  HWND h = w->handle;
  auto& sib = parent->children;
  sib.insert(sib.begin() + static_cast<ptrdiff_t>(top && !IsTopmost(w) ? FirstNonTopmost(sib) : 0), w);
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

// ---- hit testing -------------------------------------------------------------------------------------
struct Hit {
  Window* w = nullptr;
  LRESULT code = HTNOWHERE;
};

// The deepest window under pt below `w`, asking windows of this thread for their hit code; windows that
// answer HTTRANSPARENT let the search go on beneath them.
Hit HitIn(Window* w, POINT pt) {
  if (w->style & WS_DISABLED) {
    if (w->IsTopLevel()) return Hit{w, HTERROR};
    return Hit{};
  }
  POINT co = ClientOrigin(w);
  RECT client = Offset(ClientRectOf(w), co.x, co.y);
  if (Contains(client, pt)) {
    for (Window* c : w->children) {
      if (!(c->style & WS_VISIBLE) || !ShapeContains(c, pt)) continue;
      if (c->style & WS_DISABLED) break;  // a disabled child's clicks belong to its parent
      Hit r = HitIn(c, pt);
      if (r.w) return r;
    }
  }
  LRESULT code = w->thread == CurrentThread() ? Send(w, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) : HTCLIENT;
  if (code == HTTRANSPARENT) return Hit{};
  return Hit{w, code};
}

Hit HitTestScreen(POINT pt) {
  if (!gDesktop) return Hit{};
  for (Window* t : gDesktop->children) {
    if (!(t->style & WS_VISIBLE) || !ShapeContains(t, pt)) continue;
    Hit r = HitIn(t, pt);
    if (r.w) return r;
  }
  return Hit{};
}

LRESULT DefHitTest(Window* w, POINT pt) {
  POINT o = WindowOrigin(w);
  RECT wr{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  if (!Contains(wr, pt)) return HTNOWHERE;
  RECT cr = Offset(w->client, o.x, o.y);
  if (Contains(cr, pt)) return HTCLIENT;
  Insets in = FrameInsets(w->style, w->exStyle);
  if ((w->style & WS_MINIMIZE)) return HTCAPTION;
  // scroll bars sit between the client area and the edges
  if (w->style & WS_VSCROLL) {
    RECT vs{cr.right, cr.top, cr.right + GetSystemMetrics(SM_CXVSCROLL), cr.bottom};
    if (Contains(vs, pt)) return HTVSCROLL;
  }
  if (w->style & WS_HSCROLL) {
    RECT hs{cr.left, cr.bottom, cr.right, cr.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    if (Contains(hs, pt)) return HTHSCROLL;
  }
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT box{cr.right, cr.bottom, cr.right + GetSystemMetrics(SM_CXVSCROLL), cr.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    if (Contains(box, pt)) return (w->style & WS_THICKFRAME) ? HTSIZE : HTNOWHERE;
  }
  int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME)
              : ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) ? GetSystemMetrics(SM_CXDLGFRAME)
              : (w->style & WS_BORDER)                                            ? GetSystemMetrics(SM_CXBORDER)
                                                                                  : 0;
  if (w->style & WS_THICKFRAME) {
    int corner = GetSystemMetrics(SM_CXSIZE) + frame;
    bool left = pt.x < wr.left + frame, right = pt.x >= wr.right - frame;
    bool topE = pt.y < wr.top + frame, bottom = pt.y >= wr.bottom - frame;
    if (left || right || topE || bottom) {
      bool nearTop = pt.y < wr.top + corner, nearBottom = pt.y >= wr.bottom - corner;
      bool nearLeft = pt.x < wr.left + corner, nearRight = pt.x >= wr.right - corner;
      if ((left && nearTop) || (topE && nearLeft)) return HTTOPLEFT;
      if ((right && nearTop) || (topE && nearRight)) return HTTOPRIGHT;
      if ((left && nearBottom) || (bottom && nearLeft)) return HTBOTTOMLEFT;
      if ((right && nearBottom) || (bottom && nearRight)) return HTBOTTOMRIGHT;
      if (left) return HTLEFT;
      if (right) return HTRIGHT;
      if (topE) return HTTOP;
      return HTBOTTOM;
    }
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    int capH = (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    RECT cap{wr.left + frame, wr.top + frame, wr.right - frame, wr.top + frame + capH - 1};
    if (Contains(cap, pt)) {
      int bw = (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE);
      int xr = cap.right;
      if (w->style & WS_SYSMENU) {
        if (pt.x >= xr - bw) return HTCLOSE;
        xr -= bw + 2;
        if (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
          if (pt.x >= xr - bw && pt.x < xr) return HTMAXBUTTON;
          xr -= bw;
          if (pt.x >= xr - bw && pt.x < xr) return HTMINBUTTON;
        } else if (w->exStyle & WS_EX_CONTEXTHELP) {
          if (pt.x >= xr - bw && pt.x < xr) return HTHELP;
        }
        if (!(w->exStyle & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)) && pt.x < cap.left + bw) return HTSYSMENU;
      }
      return HTCAPTION;
    }
  }
  (void)in;
  return HTBORDER;
}

// ---- input -------------------------------------------------------------------------------------------
void UpdateKeyState(BYTE* keys, int vk, bool down) {
  auto set = [&](int k) {
    if (down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 0x01;
      keys[k] |= 0x80;
    } else {
      keys[k] &= static_cast<BYTE>(~0x80);
    }
  };
  set(vk);
  auto pair = [&](int generic, int l, int r) {
    if (vk == generic) set(l);
    if (vk == l || vk == r || vk == generic) {
      bool any = (keys[l] & 0x80) || (keys[r] & 0x80);
      keys[generic] = static_cast<BYTE>((keys[generic] & 0x01) | (any ? 0x80 : 0));
    }
  };
  pair(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  pair(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  pair(VK_MENU, VK_LMENU, VK_RMENU);
}

int GenericVk(int vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

void PushInput(InputEvent e) {
  e.seq = ++gInputSeq;
  e.time = GetTickCount();
  if (e.kind == InputEvent::Mouse && e.msg == WM_MOUSEMOVE && !gInput.empty()) {
    InputEvent& last = gInput.back();
    if (last.kind == InputEvent::Mouse && last.msg == WM_MOUSEMOVE && !last.resolved) {
      last = e;  // consecutive moves collapse into the last one
      return;
    }
  }
  gInput.push_back(e);
  Wake();
}

void ResolveEvent(InputEvent& e) {
  if (e.resolved) return;
  e.resolved = true;
  e.target = nullptr;
  if (e.kind == InputEvent::Key || e.kind == InputEvent::Char) {
    Window* f = Live(gFocus);
    Window* a = Live(gActive);
    e.finalMsg = e.msg;
    if (f) {
      e.target = f->handle;
    } else if (a) {
      e.target = a->handle;
      if (e.msg == WM_KEYDOWN) e.finalMsg = WM_SYSKEYDOWN;
      if (e.msg == WM_KEYUP) e.finalMsg = WM_SYSKEYUP;
    }
    return;
  }
  if (e.msg == WM_MOUSEWHEEL || e.msg == WM_MOUSEHWHEEL) {
    Window* f = Live(gFocus) ? Live(gFocus) : Live(gActive);
    e.target = H(f);
    e.finalMsg = e.msg;
    e.hit = HTCLIENT;
    return;
  }
  if (Window* c = Live(gCapture)) {
    e.target = c->handle;
    e.hit = HTCLIENT;
    e.finalMsg = e.msg;
  } else {
    Hit hit = HitTestScreen(e.pt);
    if (!hit.w) return;
    e.target = hit.w->handle;
    e.hit = hit.code;
    e.finalMsg = hit.code == HTCLIENT ? e.msg : e.msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
  }
  bool isDown = e.msg == WM_LBUTTONDOWN || e.msg == WM_RBUTTONDOWN || e.msg == WM_MBUTTONDOWN;
  if (isDown) {
    Window* t = FindWindowObj(e.target);
    bool allowed = e.hit != HTCLIENT || (t && (t->cls->style & CS_DBLCLKS));
    int dx = std::abs(e.pt.x - gLastClick.pt.x), dy = std::abs(e.pt.y - gLastClick.pt.y);
    if (allowed && gLastClick.hwnd == e.target && gLastClick.msg == e.msg && e.time - gLastClick.time <= gDoubleClickTime &&
        dx <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 && dy <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      e.finalMsg += 2;  // xBUTTONDOWN -> xBUTTONDBLCLK
    }
  }
}

MSG MessageOf(const InputEvent& e) {
  MSG m{e.target, e.finalMsg, e.wParam, e.lParam, e.time, e.pt};
  if (e.kind == InputEvent::Mouse && e.msg != WM_MOUSEWHEEL && e.msg != WM_MOUSEHWHEEL) {
    Window* w = FindWindowObj(e.target);
    if (e.finalMsg >= WM_MOUSEFIRST && e.finalMsg <= WM_MOUSELAST && w) {
      POINT co = ClientOrigin(w);
      m.lParam = MAKELPARAM(static_cast<WORD>(e.pt.x - co.x), static_cast<WORD>(e.pt.y - co.y));
    } else {
      m.wParam = static_cast<WPARAM>(e.hit);
      m.lParam = MAKELPARAM(static_cast<WORD>(e.pt.x), static_cast<WORD>(e.pt.y));
    }
  }
  return m;
}

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

// The side effects of taking a mouse or key message out of the queue. Returns false when the message is
// swallowed (by a hook, by mouse activation, or because it hit a disabled window).
bool TakeInput(const InputEvent& e, MSG& m) {
  if (e.kind == InputEvent::Key) {
    UpdateKeyState(gSyncKeys, e.vk, e.down);
    if (HasHooks(WH_KEYBOARD) && CallHooks(WH_KEYBOARD, HC_ACTION, m.wParam, m.lParam) != 0) return false;
    return true;
  }
  if (e.kind == InputEvent::Char) return true;
  if (e.vk) UpdateKeyState(gSyncKeys, e.vk, e.down);
  HWND h = e.target;
  if (HasHooks(WH_MOUSE)) {
    MOUSEHOOKSTRUCT mh{e.pt, h, static_cast<UINT>(e.hit), 0};
    if (CallHooks(WH_MOUSE, HC_ACTION, e.finalMsg, (LPARAM)&mh) != 0) return false;
  }
  Window* w = FindWindowObj(h);
  if (!w) return false;
  bool captured = Live(gCapture) == w;
  bool eat = false;
  if (e.msg == WM_MOUSEWHEEL || e.msg == WM_MOUSEHWHEEL) return true;
  if (IsButtonDown(e.msg) && !captured && e.hit != HTERROR) {
    Window* top = Root(w);
    if (top->parent == gDesktop && top != Live(gActive)) {
      LRESULT r = Send(w, WM_MOUSEACTIVATE, (WPARAM)top->handle, MAKELPARAM(static_cast<WORD>(e.hit), static_cast<WORD>(e.msg)));
      if (!FindWindowObj(h)) return false;
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) && !(top->exStyle & WS_EX_NOACTIVATE))
        ActivateImpl(top, WA_CLICKACTIVE);
      eat = r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT;
      if (!FindWindowObj(h)) return false;
    }
  }
  if (!captured) {
    Send(w, WM_SETCURSOR, (WPARAM)h, MAKELPARAM(static_cast<WORD>(e.hit), static_cast<WORD>(e.msg)));
    if (!FindWindowObj(h)) return false;
  }
  // leaving the tracked window ends the tracking
  if (gTrack.hwnd && (gTrack.flags & TME_LEAVE)) {
    bool nc = (gTrack.flags & TME_NONCLIENT) != 0;
    bool inside = gTrack.hwnd == h && (nc ? e.hit != HTCLIENT : e.hit == HTCLIENT);
    if (!inside) {
      Window* t = FindWindowObj(gTrack.hwnd);
      HWND th = gTrack.hwnd;
      gTrack = Tracking{};
      if (t) PostTo(t->thread, th, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    }
  }
  if (gTrack.hwnd && (gTrack.flags & TME_HOVER) && e.msg == WM_MOUSEMOVE) {
    int hw = 4, hh = 4;
    if (std::abs(e.pt.x - gTrack.hoverStart.x) > hw / 2 || std::abs(e.pt.y - gTrack.hoverStart.y) > hh / 2) {
      gTrack.hoverStart = e.pt;
      gTrack.hoverDue = Now() + gTrack.hoverTime;
    }
  }
  if (IsButtonDown(e.msg)) {
    if (e.finalMsg == e.msg + 2 || (e.finalMsg >= WM_NCLBUTTONDOWN && (e.finalMsg - WM_NCLBUTTONDOWN) % 3 == 2))
      gLastClick = Click{};
    else
      gLastClick = Click{h, e.msg, e.time, e.pt};
  }
  if (e.hit == HTERROR) return false;
  return !eat;
}

void CheckHover() {
  if (!gTrack.hwnd || !(gTrack.flags & TME_HOVER) || Now() < gTrack.hoverDue) return;
  Window* w = FindWindowObj(gTrack.hwnd);
  HWND h = gTrack.hwnd;
  gTrack.flags &= ~TME_HOVER;
  if (!(gTrack.flags & TME_LEAVE)) gTrack = Tracking{};
  if (!w) return;
  POINT co = ClientOrigin(w);
  PostTo(w->thread, h, WM_MOUSEHOVER, MouseKeys(gAsyncKeys),
         MAKELPARAM(static_cast<WORD>(gCursor.x - co.x), static_cast<WORD>(gCursor.y - co.y)));
}

// ---- the queue ---------------------------------------------------------------------------------------
bool MatchRange(UINT m, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }

bool Deliverable(MSG* out, UINT remove) {
  if (HasHooks(WH_GETMESSAGE)) CallHooks(WH_GETMESSAGE, HC_ACTION, remove & PM_REMOVE, (LPARAM)out);
  return true;
}

BOOL PeekImpl(MSG* out, HWND hwnd, UINT lo, UINT hi, UINT flags) {
  Queue* q = CurrentQueue();
  if (gBackend) gBackend->ProcessEvents();
  bool remove = (flags & PM_REMOVE) != 0;
  UINT qs = flags >> 16;
  if (qs == 0) qs = QS_ALLINPUT;
  bool onlyNull = hwnd == reinterpret_cast<HWND>(-1);
  if (hwnd && !onlyNull && !FindWindowObj(hwnd)) return FALSE;
  auto matchWnd = [&](HWND h) { return onlyNull ? h == nullptr : (!hwnd || h == hwnd); };
  DWORD self = q->thread;
  MSG m{};
  // posted messages
  if (qs & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) {
    bool found = false;
    {
      // same lock order as the posting side: handles, then the queue
      std::scoped_lock lock(gHandleMutex, q->mutex);
      for (auto it = q->posted.begin(); it != q->posted.end();) {
        if (it->hwnd && !gWindows.count(reinterpret_cast<uintptr_t>(it->hwnd))) {
          it = q->posted.erase(it);
          continue;
        }
        if (matchWnd(it->hwnd) && MatchRange(it->message, lo, hi)) {
          m = *it;
          if (remove) q->posted.erase(it);
          found = true;
          break;
        }
        ++it;
      }
    }
    if (found) {
      *out = m;
      Deliverable(out, flags);
      if (remove) q->last = *out;
      return TRUE;
    }
  }
  if (q->quit) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0, GetTickCount(), gCursor};
    if (remove) q->quit = false;
    return TRUE;
  }
  // input, on the thread that owns the windows
  if ((qs & QS_INPUT) && gDesktop && self == gDesktop->thread) {
    for (size_t i = 0; i < gInput.size();) {
      uint64_t seq = gInput[i].seq;
      ResolveEvent(gInput[i]);
      auto it = std::find_if(gInput.begin(), gInput.end(), [seq](const InputEvent& e) { return e.seq == seq; });
      if (it == gInput.end()) {
        i = 0;
        continue;
      }
      i = static_cast<size_t>(it - gInput.begin());
      InputEvent e = *it;
      if (!e.target || !FindWindowObj(e.target)) {
        if (e.kind == InputEvent::Key) UpdateKeyState(gSyncKeys, e.vk, e.down);
        gInput.erase(it);
        continue;
      }
      MSG im = MessageOf(e);
      if (!matchWnd(im.hwnd) || !MatchRange(im.message, lo, hi)) {
        ++i;
        continue;
      }
      if (remove) {
        gInput.erase(it);
        SetCursorPoint(e.pt);
        if (!TakeInput(e, im)) {
          i = 0;
          continue;
        }
        im = MessageOf(e);  // positions may have moved during the callbacks
        im.hwnd = e.target;
        if (!FindWindowObj(im.hwnd)) {
          i = 0;
          continue;
        }
      } else if (e.kind == InputEvent::Key && HasHooks(WH_KEYBOARD)) {
        if (CallHooks(WH_KEYBOARD, HC_NOREMOVE, im.wParam, im.lParam) != 0) {
          auto again = std::find_if(gInput.begin(), gInput.end(), [seq](const InputEvent& x) { return x.seq == seq; });
          if (again != gInput.end()) gInput.erase(again);
          i = 0;
          continue;
        }
      }
      *out = im;
      Deliverable(out, flags);
      if (remove) q->last = *out;
      return TRUE;
    }
  }
  // paint
  if ((qs & QS_PAINT) && MatchRange(WM_PAINT, lo, hi) && gMaybeDirty && !onlyNull) {
    Window* only = hwnd ? FindWindowObj(hwnd) : nullptr;
    while (Window* d = FindDirty(gDesktop, self, only)) {
      HWND dh = d->handle;
      SendNcPaint(d);
      Window* again = FindWindowObj(dh);
      if (again && NeedsPaint(again)) {
        *out = MSG{dh, WM_PAINT, 0, 0, GetTickCount(), gCursor};
        Deliverable(out, flags);
        if (remove) q->last = *out;
        return TRUE;
      }
    }
    if (!only) gMaybeDirty = false;
  }
  // timers
  if (qs & QS_TIMER) {
    CheckHover();
    if (MatchRange(WM_TIMER, lo, hi) && !gTimers.empty()) {
      uint64_t now = Now();
      for (auto it = gTimers.begin(); it != gTimers.end() && it->first.first <= now; ++it) {
        Timer t = it->second;
        if (t.thread != self || !matchWnd(t.hwnd)) continue;
        if (remove) {
          TimerErase(it);
          t.due = now + t.elapse;
          t.seq = ++gTimerSeq;
          TimerInsert(t);
        }
        *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), GetTickCount(), gCursor};
        Deliverable(out, flags);
        if (remove) q->last = *out;
        return TRUE;
      }
    }
  }
  return FALSE;
}

DWORD NextTimerWait(DWORD self) {
  uint64_t now = Now();
  for (auto& [key, t] : gTimers) {
    if (t.thread != self) continue;
    if (key.first <= now) return 0;
    // a manual clock moves only when told to: sleeping for it would never end
    if (CurrentClock().IsManual()) return INFINITE;
    return static_cast<DWORD>(std::min<uint64_t>(key.first - now, 0x7FFFFFFF));
  }
  return INFINITE;
}

void WaitForEvents(DWORD timeout) {
  if (gBackend) gBackend->WaitEvents(timeout);
}

}  // namespace

bool IsDescendantOwner(const Window* w, const Window* owner) {
  for (const Window* o = w ? w->owner : nullptr; o; o = o->owner)
    if (o == owner) return true;
  return false;
}

// ---- shared with the other files ---------------------------------------------------------------------
Window::Window() { pixman_region32_init(&update); }
Window::~Window() {
  pixman_region32_fini(&update);
  if (windowRgn) DeleteObject(windowRgn);
}
bool Window::IsTopLevel() const { return parent && parent == gDesktop; }

Window* FindWindowObj(HWND h) {
  if (!h) return nullptr;
  std::lock_guard<std::mutex> lock(gHandleMutex);
  auto it = gWindows.find(reinterpret_cast<uintptr_t>(h));
  return it == gWindows.end() ? nullptr : it->second;
}

Window* Desktop() { return gDesktop; }

Queue* CurrentQueue() {
  thread_local QueueOwner owner;
  if (!owner.q) {
    owner.q = new Queue();
    owner.q->thread = CurrentThread();
    std::lock_guard<std::mutex> lock(gHandleMutex);
    gQueues[owner.q->thread] = owner.q;
  }
  return owner.q;
}

uint64_t Now() { return CurrentClock().TickCount64(); }
int ScreenWidth() { return gScreenW; }
int ScreenHeight() { return gScreenH; }
RECT WorkArea() { return gWorkArea; }
void SetWorkAreaRect(const RECT& r) { gWorkArea = r; }
POINT CursorPos() { return gCursor; }
BYTE* AsyncKeyState() { return gAsyncKeys; }

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
  if (gHandler) {
    try {
      gHandler(gHandlerContext);
    } catch (...) {
    }
    return;
  }
  if (!tPending) tPending = std::current_exception();
}

POINT WindowOrigin(const Window* w) {
  if (!w || w == gDesktop || !w->parent) return POINT{w ? w->rect.left : 0, w ? w->rect.top : 0};
  POINT p = ClientOrigin(w->parent);
  return POINT{p.x + w->rect.left, p.y + w->rect.top};
}

POINT ClientOrigin(const Window* w) {
  if (!w || w == gDesktop) return POINT{0, 0};
  POINT p = WindowOrigin(w);
  return POINT{p.x + w->client.left, p.y + w->client.top};
}

bool IsVisibleTree(const Window* w) {
  for (; w && w != gDesktop; w = w->parent) {
    if (w == gMessageRoot) return false;
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return w == gDesktop;
}

Window* TopLevelOf(Window* w) {
  if (!w || w == gDesktop) return w;
  while (w->parent && w->parent != gDesktop) w = w->parent;
  return w->parent == gDesktop ? w : nullptr;
}

POINT BufferOffset(const Window* w) {
  Window* top = TopLevelOf(const_cast<Window*>(w));
  POINT a = WindowOrigin(w), b = WindowOrigin(top);
  return POINT{a.x - b.x, a.y - b.y};
}

void VisibleRegion(Window* w, bool clientArea, bool clipChildren, bool clipSiblings, pixman_region32_t* out) {
  pixman_region32_clear(out);
  if (!w) return;
  if (w == gDesktop) {
    RegionFromRect(out, RECT{0, 0, gScreenW, gScreenH});
    return;
  }
  if (!IsVisibleTree(w)) return;
  POINT org = clientArea ? ClientOrigin(w) : WindowOrigin(w);
  Rgn vis;
  if (clientArea) {
    RegionFromRect(&vis.r, Offset(ClientRectOf(w), org.x, org.y));
    Rgn shape;
    WindowShape(w, &shape.r);
    pixman_region32_intersect(&vis.r, &vis.r, &shape.r);
  } else {
    WindowShape(w, &vis.r);
  }
  // ancestors clip to their client areas; windows with WS_CLIPSIBLINGS lose what siblings above cover
  Window* c = w;
  bool siblings = clipSiblings;
  while (c->parent && c->parent != gDesktop) {
    Window* p = c->parent;
    if (siblings) {
      for (Window* s : p->children) {
        if (s == c) break;
        if (!(s->style & WS_VISIBLE)) continue;
        Rgn sh;
        WindowShape(s, &sh.r);
        pixman_region32_subtract(&vis.r, &vis.r, &sh.r);
      }
    }
    POINT po = ClientOrigin(p);
    Rgn pc(Offset(ClientRectOf(p), po.x, po.y));
    pixman_region32_intersect(&vis.r, &vis.r, &pc.r);
    Rgn ps;
    WindowShape(p, &ps.r);
    pixman_region32_intersect(&vis.r, &vis.r, &ps.r);
    c = p;
    siblings = (c->style & WS_CLIPSIBLINGS) != 0;
  }
  if (clipChildren) {
    for (Window* k : w->children) {
      if (!(k->style & WS_VISIBLE)) continue;
      Rgn sh;
      WindowShape(k, &sh.r);
      pixman_region32_subtract(&vis.r, &vis.r, &sh.r);
    }
  }
  pixman_region32_translate(&vis.r, -org.x, -org.y);
  pixman_region32_copy(out, &vis.r);
}

void InjectMouseMove(int x, int y) {
  SetCursorPoint(POINT{x, y});
  InputEvent e;
  e.kind = InputEvent::Mouse;
  e.msg = WM_MOUSEMOVE;
  e.pt = gCursor;
  e.wParam = MouseKeys(gAsyncKeys);
  PushInput(e);
}

void InjectMouseButton(int vk, bool down) {
  UpdateKeyState(gAsyncKeys, vk, down);
  InputEvent e;
  e.kind = InputEvent::Mouse;
  UINT base = vk == VK_RBUTTON ? WM_RBUTTONDOWN : vk == VK_MBUTTON ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  e.msg = down ? base : base + 1;
  e.pt = gCursor;
  e.wParam = MouseKeys(gAsyncKeys);
  e.vk = vk;
  e.down = down;
  PushInput(e);
}

void InjectWheel(int delta, bool horizontal) {
  InputEvent e;
  e.kind = InputEvent::Mouse;
  e.msg = horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
  e.pt = gCursor;
  e.wParam = MAKEWPARAM(static_cast<WORD>(MouseKeys(gAsyncKeys)), static_cast<WORD>(static_cast<SHORT>(delta)));
  e.lParam = MAKELPARAM(static_cast<WORD>(gCursor.x), static_cast<WORD>(gCursor.y));
  PushInput(e);
}

void InjectKey(int vk, bool down) {
  bool wasDown = (gAsyncKeys[vk] & 0x80) != 0;
  bool altBefore = (gAsyncKeys[VK_MENU] & 0x80) != 0;
  UpdateKeyState(gAsyncKeys, vk, down);
  int gvk = GenericVk(vk);
  bool alt = (gAsyncKeys[VK_MENU] & 0x80) != 0;
  bool ctrl = (gAsyncKeys[VK_CONTROL] & 0x80) != 0;
  bool sys;
  if (down)
    sys = (alt && !ctrl) || gvk == VK_F10;
  else
    sys = (gvk == VK_MENU ? altBefore && !ctrl : (alt && !ctrl)) || gvk == VK_F10;
  bool ext = false;
  UINT scan = LayoutScanCode(vk, &ext);
  LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | (ext ? (1 << 24) : 0) | (alt ? (1 << 29) : 0) |
              (wasDown || !down ? (1 << 30) : 0);
  if (!down) lp |= static_cast<LPARAM>(static_cast<int32_t>(0x80000000u));
  InputEvent e;
  e.kind = InputEvent::Key;
  e.msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  e.wParam = static_cast<WPARAM>(gvk);
  e.lParam = lp;
  e.pt = gCursor;
  e.vk = vk;
  e.down = down;
  PushInput(e);
}

void InjectChar(uint32_t cp) {
  InputEvent e;
  e.kind = InputEvent::Char;
  e.msg = WM_CHAR;
  e.wParam = cp;
  e.lParam = 1;
  e.pt = gCursor;
  PushInput(e);
}

void ResetInput() {
  gInput.clear();
  std::memset(gSyncKeys, 0, sizeof gSyncKeys);
  std::memset(gAsyncKeys, 0, sizeof gAsyncKeys);
  gLastClick = Click{};
  gTrack = Tracking{};
}

uint64_t NextTimerDue() {
  uint64_t best = UINT64_MAX;
  DWORD self = CurrentThread();
  for (auto& [key, t] : gTimers)
    if (t.thread == self) {
      best = key.first;
      break;
    }
  if (gTrack.hwnd && (gTrack.flags & TME_HOVER)) best = std::min(best, gTrack.hoverDue);
  return best;
}

void RedrawAll() {
  if (!gDesktop) return;
  for (Window* t : gDesktop->children) InvalidateTree(t, nullptr, true, true, ChildrenAll);
}

void ResizeScreen(int w, int h) {
  if (!gDesktop) {
    ResetWindowManager(w, h);
    return;
  }
  gScreenW = w;
  gScreenH = h;
  gWorkArea = RECT{0, 0, w, h};
  gDesktop->rect = RECT{0, 0, w, h};
  gDesktop->client = RECT{0, 0, w, h};
  gDesktop->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
  gDesktop->bufWidth = w;
  gDesktop->bufHeight = h;
  BroadcastSend(WM_DISPLAYCHANGE, 32, MAKELPARAM(static_cast<WORD>(w), static_cast<WORD>(h)));
  BroadcastSend(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
}

void BroadcastSend(UINT msg, WPARAM wp, LPARAM lp) {
  Api([&] { SendToAllTopLevels(msg, wp, lp); });
}

void ResetWindowManager(int w, int h) {
  tPending = nullptr;
  FreeZombies();
  if (gDesktop) DestroySilently(gDesktop);
  if (gMessageRoot) DestroySilently(gMessageRoot);
  gZombies.clear();
  gClasses.erase(std::remove_if(gClasses.begin(), gClasses.end(), [](const auto& c) { return !c->system; }),
                 gClasses.end());
  size_t builtinFrom = gClasses.size();  // the built-in control classes join the platform's own classes
  RegisterControlClasses();
  for (size_t i = builtinFrom; i < gClasses.size(); ++i) gClasses[i]->system = true;
  for (Hook* hk : gHooks) delete hk;
  gHooks.clear();
  std::fill(std::begin(gHookCount), std::end(gHookCount), 0);
  gTimers.clear();
  gTimerIndex.clear();
  gNextThreadTimerId = 1;
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    for (auto& [id, q] : gQueues) {
      std::lock_guard<std::mutex> ql(q->mutex);
      q->posted.clear();
      q->quit = false;
    }
  }
  ResetInput();
  gFocus = gActive = gCapture = nullptr;
  gAppActive = false;
  gMaybeDirty = false;
  gDoubleClickTime = 500;
  gScreenW = w;
  gScreenH = h;
  gWorkArea = RECT{0, 0, w, h};
  SetCursorPoint(POINT{0, 0});
  auto make = [](RECT r) {
    auto* win = new Window();
    win->style = WS_VISIBLE | WS_CLIPCHILDREN;
    win->rect = r;
    win->client = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    win->thread = CurrentThread();
    std::lock_guard<std::mutex> lock(gHandleMutex);
    win->handle = reinterpret_cast<HWND>(gNextHandle);
    gNextHandle += 4;
    gWindows[reinterpret_cast<uintptr_t>(win->handle)] = win;
    return win;
  };
  gDesktop = make(RECT{0, 0, w, h});
  gDesktop->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
  gDesktop->bufWidth = w;
  gDesktop->bufHeight = h;
  gMessageRoot = make(RECT{0, 0, 0, 0});
  gMessageRoot->style = 0;
  CurrentQueue();
}

}  // namespace winapi::detail

using namespace winapi::detail;

namespace winapi {

void SetExceptionHandler(ExceptionHandler handler, void* context) {
  gHandler = handler;
  gHandlerContext = context;
}

bool GetWindowBuffer(HWND hwnd, PixelBuffer* buffer, POINT* origin) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gDesktop;
  if (!w) return false;
  Window* top = TopLevelOf(w);
  if (!top || top->pixels.empty()) return false;
  *buffer = PixelBuffer{top->pixels.data(), top->bufWidth, top->bufHeight, top->bufWidth};
  if (origin) *origin = w == gDesktop ? POINT{0, 0} : BufferOffset(w);
  return true;
}

void SetBackend(Backend* backend, int screenWidth, int screenHeight) {
  gBackend = backend;
  if (!gClockListener) gClockListener = AddClockListener([] { Wake(); });
  ResetWindowManager(screenWidth, screenHeight);
}
Backend* GetBackend() { return gBackend; }

}  // namespace winapi

// ---- classes -----------------------------------------------------------------------------------------
ATOM RegisterClassEx(const WNDCLASSEX* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (FindClass(wc->lpszClassName)) return 0;
  auto c = std::make_unique<WndClass>();
  c->name = wc->lpszClassName;
  c->atom = gNextAtom++;
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
  gClasses.push_back(std::move(c));
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
    std::lock_guard<std::mutex> lock(gHandleMutex);
    for (auto& [h, w] : gWindows)
      if (w->cls == c) return FALSE;
  }
  gClasses.erase(std::find_if(gClasses.begin(), gClasses.end(), [c](const auto& p) { return p.get() == c; }));
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
  return w && w != gMessageRoot ? TRUE : FALSE;
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
      if (Live(gFocus) && IsDescendant(gFocus, w)) SetFocusImpl(nullptr);
      if (Live(w)) Send(w, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
  });
}

BOOL ShowWindow(HWND hwnd, int cmd) { return Api([&] { return ShowWindowImpl(FindWindowObj(hwnd), cmd); }); }

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return Api([&] { return SetWindowPosImpl(FindWindowObj(hwnd), insertAfter, x, y, cx, cy, flags); });
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !wp) return FALSE;
  wp->flags = 0;
  wp->showCmd = !(w->style & WS_VISIBLE)      ? SW_HIDE
                : (w->style & WS_MAXIMIZE)   ? SW_SHOWMAXIMIZED
                : (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                                             : SW_SHOWNORMAL;
  wp->ptMinPosition = POINT{-1, -1};
  wp->ptMaxPosition = POINT{-1, -1};
  wp->rcNormalPosition = (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
  return Api([&]() -> BOOL {
    Window* w = FindWindowObj(hwnd);
    if (!w || !wp) return FALSE;
    if (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) {
      w->normalRect = wp->rcNormalPosition;
    } else {
      const RECT& r = wp->rcNormalPosition;
      SetWindowPosImpl(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Live(w)) ShowWindowImpl(w, static_cast<int>(wp->showCmd));
    return TRUE;
  });
}

HWND SetParent(HWND child, HWND newParent) {
  return Api([&]() -> HWND {
    Window* w = FindWindowObj(child);
    if (!w || w == gDesktop) return nullptr;
    Window* p = newParent ? FindWindowObj(newParent) : gDesktop;
    if (!p || IsDescendant(p, w)) return nullptr;
    Window* old = w->parent;
    if (old == p) return H(old == gDesktop ? nullptr : old);
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    if (wasVisible) InvalidateParentArea(w, w->rect);
    bool wasTop = w->IsTopLevel();
    Unlink(w);
    w->parent = p;
    auto& v = p->children;
    v.insert(v.begin() + static_cast<ptrdiff_t>(p == gDesktop && !IsTopmost(w) ? FirstNonTopmost(v) : 0), w);
    if (w->IsTopLevel() && !wasTop) {
      EnsureBuffer(w);
    } else if (!w->IsTopLevel() && wasTop) {
      ReleaseBuffer(w);
      if (Live(gActive) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
      if (gBackend) gBackend->TopLevelChanged(w->handle);
    }
    if (wasVisible) InvalidateTree(w, nullptr, true, true, ChildrenAll);
    if (w->IsTopLevel() && gBackend) gBackend->TopLevelChanged(w->handle);
    return old == gDesktop ? nullptr : H(old);
  });
}

HWND GetParent(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent == gDesktop || w->parent == gMessageRoot ? nullptr : H(w->parent);
  return H(w->owner);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = FindWindowObj(hwnd);
  if (!w || w == gDesktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return H(w->parent);
    case GA_ROOT: return H(Root(w));
    case GA_ROOTOWNER: {
      Window* r = Root(w);
      while (r->owner) r = r->owner;
      return H(r);
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : H(w->children.front());
  if (cmd == GW_OWNER) return H(w->owner);
  if (cmd == GW_ENABLEDPOPUP) {
    for (Window* t : gDesktop->children)
      if (t->owner == w && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED)) return H(t);
    return nullptr;
  }
  if (!w->parent) return nullptr;
  auto& v = w->parent->children;
  auto it = std::find(v.begin(), v.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return H(v.front());
    case GW_HWNDLAST: return H(v.back());
    case GW_HWNDNEXT: return it + 1 < v.end() ? H(*(it + 1)) : nullptr;
    case GW_HWNDPREV: return it > v.begin() ? H(*(it - 1)) : nullptr;
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gDesktop;
  return w && !w->children.empty() ? H(w->children.front()) : nullptr;
}

HWND GetDesktopWindow() { return H(gDesktop); }

HWND GetLastActivePopup(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  Window* p = Live(w->lastActivePopup);
  return p && (p->style & WS_VISIBLE) && !(p->style & WS_DISABLED) ? H(p) : hwnd;
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
  Window* w = parent ? FindWindowObj(parent) : gDesktop;
  if (!w || !proc) return FALSE;
  return Api([&] { return EnumTree(w, proc, lp) ? TRUE : FALSE; });
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lp) {
  if (!proc || !gDesktop) return FALSE;
  return Api([&]() -> BOOL {
    std::vector<HWND> tops;
    for (Window* t : gDesktop->children) tops.push_back(t->handle);
    for (HWND h : tops)
      if (FindWindowObj(h) && !proc(h, lp)) return FALSE;
    return TRUE;
  });
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lp) {
  if (!proc || !gDesktop) return FALSE;
  return Api([&]() -> BOOL {
    std::vector<HWND> tops;
    for (Window* t : gDesktop->children)
      if (t->thread == threadId) tops.push_back(t->handle);
    for (HWND h : tops)
      if (FindWindowObj(h) && !proc(h, lp)) return FALSE;
    return TRUE;
  });
}

HWND FindWindow(LPCSTR className, LPCSTR windowName) {
  if (!gDesktop) return nullptr;
  for (Window* t : gDesktop->children) {
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
    if (w->IsTopLevel() && gBackend) gBackend->TopLevelChanged(hwnd);
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

// ---- geometry ----------------------------------------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !rect) return FALSE;
  POINT o = WindowOrigin(w);
  *rect = RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ClientRectOf(w);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Window* a = from ? FindWindowObj(from) : gDesktop;
  Window* b = to ? FindWindowObj(to) : gDesktop;
  if (!a || !b) return 0;
  POINT oa = ClientOrigin(a), ob = ClientOrigin(b);
  int dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  Insets in = FrameInsets(style, exStyle);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  if (menu) rect->top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  return Api([&] { return H(HitTestScreen(pt).w); });
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Window* p = FindWindowObj(parent);
  if (!p) return nullptr;
  if (!Contains(ClientRectOf(p), pt)) return nullptr;
  POINT co = ClientOrigin(p);
  POINT sp{pt.x + co.x, pt.y + co.y};
  for (Window* c : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (ShapeContains(c, sp)) return c->handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

HWND RealChildWindowFromPoint(HWND parent, POINT pt) {
  return Api([&]() -> HWND {
    Window* p = FindWindowObj(parent);
    if (!p) return nullptr;
    POINT co = ClientOrigin(p);
    POINT sp{pt.x + co.x, pt.y + co.y};
    for (Window* c : p->children) {
      if (!(c->style & WS_VISIBLE) || !ShapeContains(c, sp)) continue;
      if (Send(c, WM_NCHITTEST, 0, MAKELPARAM(sp.x, sp.y)) == HTTRANSPARENT) continue;
      return c->handle;
    }
    return parent;
  });
}

// ---- messages ----------------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (hwnd == HWND_BROADCAST) {
    Api([&] { SendToAllTopLevels(msg, wp, lp); });
    return 0;
  }
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  return Api([&] { return Send(w, msg, wp, lp); });
}

LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT, UINT, DWORD_PTR* result) {
  Window* w = FindWindowObj(hwnd);
  if (!w || w->thread != CurrentThread()) return 0;
  LRESULT r = SendMessage(hwnd, msg, wp, lp);
  if (result) *result = static_cast<DWORD_PTR>(r);
  return 1;
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  if (w->thread != CurrentThread()) return PostMessage(hwnd, msg, wp, lp);
  SendMessage(hwnd, msg, wp, lp);
  return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (hwnd == HWND_BROADCAST) {
    if (!gDesktop) return FALSE;
    std::vector<std::pair<DWORD, HWND>> tops;
    for (Window* t : gDesktop->children) tops.emplace_back(t->thread, t->handle);
    for (auto& [th, h] : tops) PostTo(th, h, msg, wp, lp);
    return TRUE;
  }
  if (!hwnd) return PostThreadMessage(GetCurrentThreadId(), msg, wp, lp);
  DWORD thread;
  {
    std::lock_guard<std::mutex> lock(gHandleMutex);
    auto it = gWindows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == gWindows.end()) return FALSE;
    thread = it->second->thread;
  }
  return PostTo(thread, hwnd, msg, wp, lp) ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wp, LPARAM lp) {
  if (threadId == CurrentThread()) CurrentQueue();
  return PostTo(threadId, nullptr, msg, wp, lp) ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
  if (!msg) return FALSE;
  return Api([&] { return PeekImpl(msg, hwnd, lo, hi, remove); });
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !FindWindowObj(hwnd)) return -1;
  return Api([&]() -> BOOL {
    Queue* q = CurrentQueue();
    for (;;) {
      if (PeekImpl(msg, hwnd, lo, hi, PM_REMOVE)) return msg->message != WM_QUIT;
      WaitForEvents(NextTimerWait(q->thread));
    }
  });
}

BOOL WaitMessage() {
  Queue* q = CurrentQueue();
  MSG m;
  if (PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) return TRUE;
  WaitForEvents(NextTimerWait(q->thread));
  return TRUE;
}

DWORD GetQueueStatus(UINT flags) {
  Queue* q = CurrentQueue();
  UINT s = 0;
  {
    std::lock_guard<std::mutex> lock(q->mutex);
    if (!q->posted.empty()) s |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  }
  if (q->quit) s |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  if (gDesktop && q->thread == gDesktop->thread) {
    for (const InputEvent& e : gInput) {
      if (e.kind != InputEvent::Mouse)
        s |= QS_KEY;
      else if (e.msg == WM_MOUSEMOVE)
        s |= QS_MOUSEMOVE;
      else
        s |= QS_MOUSEBUTTON;
    }
  }
  if (gMaybeDirty && gDesktop && FindDirty(gDesktop, q->thread, nullptr)) s |= QS_PAINT;
  if (NextTimerWait(q->thread) == 0) s |= QS_TIMER;
  s &= flags;
  return MAKELONG(static_cast<WORD>(s), static_cast<WORD>(s));
}

BOOL InSendMessage() { return FALSE; }
DWORD GetMessageTime() { return CurrentQueue()->last.time; }
DWORD GetMessagePos() {
  POINT p = CurrentQueue()->last.pt;
  return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}
LPARAM GetMessageExtraInfo() { return 0; }

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD ms, DWORD wakeMask) {
  if (count > 0) return WAIT_FAILED;  // waiting on kernel objects is not supported
  if (HIWORD(GetQueueStatus(wakeMask))) return WAIT_OBJECT_0;
  Queue* q = CurrentQueue();
  DWORD wait = ms;
  if (wakeMask & QS_TIMER) wait = std::min(wait, NextTimerWait(q->thread));
  WaitForEvents(wait);
  if (gBackend) gBackend->ProcessEvents();
  return HIWORD(GetQueueStatus(wakeMask)) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

UINT RegisterWindowMessage(LPCSTR name) {
  static std::mutex m;
  static std::map<std::string, UINT> names;
  if (!name) return 0;
  std::string key;
  for (const char* p = name; *p; ++p) key += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
  std::lock_guard<std::mutex> lock(m);
  auto it = names.find(key);
  if (it != names.end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(names.size());
  names[key] = id;
  return id;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
    return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP ? TRUE : FALSE;
  }
  int vk = static_cast<int>(msg->wParam);
  bool shift = gSyncKeys[VK_SHIFT] & 0x80, ctrl = gSyncKeys[VK_CONTROL] & 0x80, alt = gSyncKeys[VK_MENU] & 0x80;
  bool caps = gSyncKeys[VK_CAPITAL] & 0x01, num = gSyncKeys[VK_NUMLOCK] & 0x01;
  uint32_t ch = 0;
  switch (vk) {
    case VK_BACK: ch = ctrl ? 0x7F : 0x08; break;
    case VK_TAB: ch = ctrl ? 0 : 0x09; break;
    case VK_RETURN: ch = ctrl ? 0x0A : 0x0D; break;
    case VK_ESCAPE: ch = 0x1B; break;
    case VK_CANCEL: ch = ctrl ? 0x03 : 0; break;
    case VK_MULTIPLY: ch = '*'; break;
    case VK_ADD: ch = '+'; break;
    case VK_SUBTRACT: ch = '-'; break;
    case VK_DIVIDE: ch = '/'; break;
    case VK_DECIMAL: ch = num ? '.' : 0; break;
    default:
      if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        ch = num ? static_cast<uint32_t>('0' + vk - VK_NUMPAD0) : 0;
      } else if (ctrl && alt) {
        ch = 0;  // no third level in the built-in layouts
      } else if (ctrl) {
        if (vk >= 'A' && vk <= 'Z')
          ch = static_cast<uint32_t>(vk - 'A' + 1);
        else if (vk == VK_OEM_4)
          ch = 0x1B;
        else if (vk == VK_OEM_5)
          ch = 0x1C;
        else if (vk == VK_OEM_6)
          ch = 0x1D;
        else if (vk == VK_SPACE)
          ch = ' ';
      } else {
        ch = LayoutChar(vk, shift, caps);
      }
  }
  if (ch) {
    UINT m = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    Window* w = FindWindowObj(msg->hwnd);
    if (w) PostTo(w->thread, msg->hwnd, m, ch, msg->lParam);
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  return Api([&]() -> LRESULT {
    if (msg->message == WM_TIMER && msg->lParam) {
      auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
      auto it = FindTimer(msg->hwnd, msg->wParam, CurrentThread());
      if (it == gTimers.end() || it->second.proc != proc) return 0;  // only callbacks the program set
      try {
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
      } catch (...) {
        HandleCallbackException();
      }
      return 0;
    }
    Window* w = FindWindowObj(msg->hwnd);
    if (!w || w->thread != CurrentThread()) return 0;
    return CallProc(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
  });
}

void PostQuitMessage(int exitCode) {
  Queue* q = CurrentQueue();
  q->quit = true;
  q->quitCode = exitCode;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Api([&] { return CallProc(proc, hwnd, msg, wp, lp); });
}

DWORD GetCurrentThreadId() { return CurrentThread(); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return w->thread;
}


// ---- timers ------------------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  DWORD self = CurrentThread();
  if (hwnd) {
    Window* w = FindWindowObj(hwnd);
    if (!w || w->thread != self) return 0;
  }
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  auto it = FindTimer(hwnd, id, self);
  if (!hwnd && (id == 0 || it == gTimers.end())) {
    id = gNextThreadTimerId++;
    it = gTimers.end();
  }
  if (it != gTimers.end()) TimerErase(it);
  Timer t{hwnd, id, elapse, proc, self, Now() + elapse, ++gTimerSeq};
  TimerInsert(t);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto it = FindTimer(hwnd, id, CurrentThread());
  if (it == gTimers.end()) return FALSE;
  TimerErase(it);
  return TRUE;
}

// ---- hooks -------------------------------------------------------------------------------------------
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  switch (idHook) {
    case WH_KEYBOARD:
    case WH_MOUSE:
    case WH_GETMESSAGE:
    case WH_CALLWNDPROC:
    case WH_CALLWNDPROCRET: break;
    default: return nullptr;  // other hook kinds are not implemented
  }
  if (!proc) return nullptr;
  auto* h = new Hook{idHook, proc, threadId, false};
  gHooks.insert(gHooks.begin(), h);
  ++gHookCount[idHook + 1];
  return reinterpret_cast<HHOOK>(h);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto* h = reinterpret_cast<Hook*>(hook);
  auto it = std::find(gHooks.begin(), gHooks.end(), h);
  if (it == gHooks.end() || h->removed) return FALSE;
  h->removed = true;  // freed once no call is running
  --gHookCount[h->kind + 1];
  if (tDepth == 0) FreeZombies();
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wp, LPARAM lp) {
  auto* h = reinterpret_cast<Hook*>(hook);
  auto it = std::find(gHooks.begin(), gHooks.end(), h);
  if (it == gHooks.end()) return 0;
  return CallHookAt(static_cast<size_t>(it - gHooks.begin()) + 1, h->kind, code, wp, lp);
}

// ---- painting ----------------------------------------------------------------------------------------
namespace {

void ClientRegionFrom(Window* w, const RECT* rect, HRGN rgn, pixman_region32_t* out) {
  RegionFromRect(out, ClientRectOf(w));
  if (rect) {
    Rgn r(*rect);
    pixman_region32_intersect(out, out, &r.r);
  }
  if (Region* rr = AsRegion(rgn)) pixman_region32_intersect(out, out, &rr->rgn);
}

BOOL Redraw(Window* w, const RECT* rect, HRGN rgn, UINT flags) {
  if (!w) return FALSE;
  bool whole = !rect && !rgn;
  Rgn area;
  ClientRegionFrom(w, rect, rgn, &area.r);
  ChildMode mode = (flags & RDW_ALLCHILDREN) ? ChildrenAll : (flags & RDW_NOCHILDREN) ? ChildrenNone : ChildrenByStyle;
  if (flags & RDW_INVALIDATE) {
    InvalidateTree(w, &area.r, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) && whole, mode);
  } else if (flags & RDW_VALIDATE) {
    ValidateTree(w, whole ? nullptr : &area.r, (flags & RDW_NOERASE) != 0, (flags & RDW_NOFRAME) != 0,
                 mode == ChildrenAll);
  }
  if (flags & RDW_INTERNALPAINT) {
    w->internalPaint = true;
    gMaybeDirty = true;
  }
  if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  if (flags & RDW_UPDATENOW) {
    UpdateNow(w, mode);
  } else if (flags & RDW_ERASENOW) {
    HWND h = w->handle;
    SendNcPaint(w);
    if (Window* again = FindWindowObj(h); again && again->erase) {
      again->erase = false;
      HDC dc = GetDCEx(h, nullptr, DCX_CACHE);
      if (dc) {
        if (DC* d = AsDC(dc)) pixman_region32_intersect(&d->vis, &d->vis, &again->update);
        Send(again, WM_ERASEBKGND, (WPARAM)dc, 0);
        ReleaseDC(h, dc);
      }
    }
  }
  return TRUE;
}

HDC MakeDC(Window* w, bool windowDC, bool clipChildren, bool clipSiblings) {
  auto* dc = new DC();
  dc->hwnd = w == gDesktop ? nullptr : w->handle;
  dc->windowDC = windowDC;
  if (w == gDesktop) {
    dc->surface = winapi::PixelBuffer{gDesktop->pixels.data(), gDesktop->bufWidth, gDesktop->bufHeight, gDesktop->bufWidth};
    RegionFromRect(&dc->vis, RECT{0, 0, gScreenW, gScreenH});
  } else {
    VisibleRegion(w, !windowDC, clipChildren, clipSiblings, &dc->vis);
  }
  dc->brush = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterObject(dc);
  return reinterpret_cast<HDC>(static_cast<GdiObject*>(dc));
}

void NotifyPainted(Window* w, const pixman_region32_t* vis, bool windowDC) {
  if (!gBackend || !w) return;
  Window* top = TopLevelOf(w);
  if (!top || top == gDesktop) return;
  pixman_box32_t* e = pixman_region32_extents(const_cast<pixman_region32_t*>(vis));
  POINT off = BufferOffset(w);
  if (!windowDC) {
    off.x += w->client.left;
    off.y += w->client.top;
  }
  gBackend->TopLevelPainted(top->handle, RECT{e->x1 + off.x, e->y1 + off.y, e->x2 + off.x, e->y2 + off.y});
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    RedrawAll();
    return TRUE;
  }
  return Redraw(FindWindowObj(hwnd), rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  return Redraw(w, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return Redraw(FindWindowObj(hwnd), rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  return Redraw(FindWindowObj(hwnd), nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  Api([&] { UpdateNow(w, ChildrenNone); });
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gDesktop;
  if (!w) return FALSE;
  return Api([&] {
    if (w == gDesktop) {
      for (Window* t : std::vector<Window*>(gDesktop->children))
        if (!t->destroyed) Redraw(t, nullptr, nullptr, flags);
      return TRUE;
    }
    return Redraw(w, rect, rgn, flags);
  });
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  bool any = pixman_region32_not_empty(&w->update);
  if (rect) {
    pixman_box32_t* e = pixman_region32_extents(&w->update);
    *rect = any ? RECT{e->x1, e->y1, e->x2, e->y2} : RECT{0, 0, 0, 0};
  }
  if (any && erase) Api([&] { Redraw(w, nullptr, nullptr, RDW_ERASENOW | RDW_NOCHILDREN); });
  return any ? TRUE : FALSE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  Region* r = AsRegion(rgn);
  if (!w || !r) return ERROR;
  pixman_region32_copy(&r->rgn, &w->update);
  if (erase && pixman_region32_not_empty(&w->update)) Api([&] { Redraw(w, nullptr, nullptr, RDW_ERASENOW | RDW_NOCHILDREN); });
  return RegionType(&r->rgn);
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
                   UINT flags) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return ERROR;
  return Api([&]() -> int {
    RECT cr = ClientRectOf(w);
    Rgn src(cr), clipR(cr);
    if (scroll) {
      Rgn s(*scroll);
      pixman_region32_intersect(&src.r, &src.r, &s.r);
    }
    if (clip) {
      Rgn c(*clip);
      pixman_region32_intersect(&clipR.r, &clipR.r, &c.r);
    }
    Rgn vis;
    VisibleRegion(w, true, false, (w->style & WS_CLIPSIBLINGS) != 0, &vis.r);
    // what can be copied: visible source pixels whose destination is visible and inside the clip
    Rgn dest;
    pixman_region32_intersect(&dest.r, &src.r, &vis.r);
    pixman_region32_translate(&dest.r, dx, dy);
    pixman_region32_intersect(&dest.r, &dest.r, &clipR.r);
    pixman_region32_intersect(&dest.r, &dest.r, &vis.r);
    winapi::PixelBuffer buf{};
    POINT org{};
    if (winapi::GetWindowBuffer(hwnd, &buf, &org)) {
      org.x += w->client.left;
      org.y += w->client.top;
      // copy the source of the movable area aside first: source and destination overlap
      pixman_box32_t* e = pixman_region32_extents(&dest.r);
      int sx0 = std::max(0, e->x1 - dx + org.x), sy0 = std::max(0, e->y1 - dy + org.y);
      int sx1 = std::min(buf.width, e->x2 - dx + org.x), sy1 = std::min(buf.height, e->y2 - dy + org.y);
      int cw = std::max(0, sx1 - sx0), chh = std::max(0, sy1 - sy0);
      std::vector<uint32_t> copy(static_cast<size_t>(cw) * static_cast<size_t>(chh));
      for (int y = 0; y < chh; ++y)
        std::copy(buf.pixels + static_cast<size_t>(sy0 + y) * buf.stride + sx0,
                  buf.pixels + static_cast<size_t>(sy0 + y) * buf.stride + sx0 + cw, copy.begin() + static_cast<ptrdiff_t>(y) * cw);
      int n = 0;
      pixman_box32_t* b = pixman_region32_rectangles(&dest.r, &n);
      for (int i = 0; i < n; ++i)
        for (int y = b[i].y1; y < b[i].y2; ++y) {
          int ty = y + org.y, sy = y - dy + org.y;
          if (ty < 0 || ty >= buf.height || sy < sy0 || sy >= sy1) continue;
          for (int x = b[i].x1; x < b[i].x2; ++x) {
            int tx = x + org.x, sx = x - dx + org.x;
            if (tx < 0 || tx >= buf.width || sx < sx0 || sx >= sx1) continue;
            buf.pixels[static_cast<size_t>(ty) * buf.stride + tx] = copy[static_cast<size_t>(sy - sy0) * cw + (sx - sx0)];
          }
        }
    }
    // the uncovered part, and the pending update region moved with the pixels
    Rgn uncovered;
    pixman_region32_intersect(&uncovered.r, &src.r, &clipR.r);
    pixman_region32_subtract(&uncovered.r, &uncovered.r, &dest.r);
    Rgn moving;
    pixman_region32_intersect(&moving.r, &w->update, &src.r);
    pixman_region32_subtract(&w->update, &w->update, &moving.r);
    pixman_region32_translate(&moving.r, dx, dy);
    pixman_region32_intersect(&moving.r, &moving.r, &clipR.r);
    pixman_region32_union(&w->update, &w->update, &moving.r);
    if (flags & SW_SCROLLCHILDREN) {
      std::vector<HWND> kids;
      for (Window* c : w->children) {
        RECT rc = c->rect;
        if (!scroll || (rc.right > scroll->left && rc.left < scroll->right && rc.bottom > scroll->top && rc.top < scroll->bottom))
          kids.push_back(c->handle);
      }
      for (HWND k : kids)
        if (Window* c = FindWindowObj(k))
          SetWindowPosImpl(c, nullptr, c->rect.left + dx, c->rect.top + dy, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    if (flags & SW_INVALIDATE) InvalidateTree(w, &uncovered.r, (flags & SW_ERASE) != 0, false, ChildrenByStyle);
    if (Region* u = AsRegion(update)) pixman_region32_copy(&u->rgn, &uncovered.r);
    if (updateRect) {
      pixman_box32_t* e = pixman_region32_extents(&uncovered.r);
      *updateRect = uncovered.Empty() ? RECT{0, 0, 0, 0} : RECT{e->x1, e->y1, e->x2, e->y2};
    }
    NotifyPainted(w, &vis.r, false);
    return RegionType(&uncovered.r);
  });
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr,
                        SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !ps) return nullptr;
  return Api([&]() -> HDC {
    SendNcPaint(w);
    if (!Live(w)) return nullptr;
    HDC hdc = MakeDC(w, false, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
    DC* dc = AsDC(hdc);
    dc->paintDC = true;
    pixman_region32_intersect(&dc->vis, &dc->vis, &w->update);
    pixman_box32_t* e = pixman_region32_extents(&w->update);
    ps->rcPaint = pixman_region32_not_empty(&w->update) ? RECT{e->x1, e->y1, e->x2, e->y2} : RECT{0, 0, 0, 0};
    bool erase = w->erase;
    w->erase = false;
    w->internalPaint = false;
    pixman_region32_clear(&w->update);
    ps->hdc = hdc;
    ps->fRestore = FALSE;
    ps->fIncUpdate = FALSE;
    ps->fErase = erase ? (Send(w, WM_ERASEBKGND, (WPARAM)hdc, 0) ? FALSE : TRUE) : FALSE;
    return hdc;
  });
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  DC* dc = AsDC(ps->hdc);
  if (!dc) return FALSE;
  NotifyPainted(FindWindowObj(hwnd), &dc->vis, false);
  UnregisterObject(dc);
  delete dc;
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gDesktop;
  if (!w) return nullptr;
  bool windowDC = (flags & DCX_WINDOW) != 0;
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->style & WS_CLIPSIBLINGS);
  HDC hdc = MakeDC(w, windowDC, clipChildren, clipSiblings);
  DC* dc = AsDC(hdc);
  if (Region* r = AsRegion(clip); r && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    // the region is in screen coordinates
    Rgn local;
    pixman_region32_copy(&local.r, &r->rgn);
    POINT o = w == gDesktop ? POINT{0, 0} : windowDC ? WindowOrigin(w) : ClientOrigin(w);
    pixman_region32_translate(&local.r, -o.x, -o.y);
    if (flags & DCX_INTERSECTRGN)
      pixman_region32_intersect(&dc->vis, &dc->vis, &local.r);
    else
      pixman_region32_subtract(&dc->vis, &dc->vis, &local.r);
  }
  return hdc;
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_CACHE); }
HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_CACHE); }

int ReleaseDC(HWND, HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc || dc->paintDC) return 0;
  if (dc->hwnd) NotifyPainted(FindWindowObj(dc->hwnd), &dc->vis, dc->windowDC);
  UnregisterObject(dc);
  delete dc;
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc) return nullptr;
  return dc->hwnd ? dc->hwnd : (dc->surface.pixels == (gDesktop ? gDesktop->pixels.data() : nullptr) ? H(gDesktop) : nullptr);
}

BOOL LockWindowUpdate(HWND) { return TRUE; }

// ---- focus, activation, capture ----------------------------------------------------------------------
HWND SetFocus(HWND hwnd) {
  Window* w = nullptr;
  if (hwnd) {
    w = FindWindowObj(hwnd);
    if (!w || w->thread != CurrentThread()) return nullptr;
  }
  return Api([&] { return SetFocusImpl(w); });
}

HWND GetFocus() { return H(Live(gFocus)); }

HWND SetActiveWindow(HWND hwnd) {
  Window* w = hwnd ? FindWindowObj(hwnd) : nullptr;
  if (hwnd && !w) return nullptr;
  if (w) w = Root(w);
  HWND prev = H(Live(gActive));
  Api([&] { ActivateImpl(w, WA_ACTIVE); });
  return prev;
}

HWND GetActiveWindow() { return H(Live(gActive)); }
BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd) || GetActiveWindow() == hwnd ? TRUE : FALSE; }
HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  return Api([&] { return SetCaptureImpl(w); });
}

BOOL ReleaseCapture() { return Api([&] { return ReleaseCaptureImpl(); }); }
HWND GetCapture() { return H(Live(gCapture)); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return FALSE;
  if (tme->dwFlags & TME_QUERY) {
    *tme = TRACKMOUSEEVENT{sizeof(TRACKMOUSEEVENT), gTrack.flags, gTrack.hwnd, gTrack.hoverTime};
    return TRUE;
  }
  Window* w = FindWindowObj(tme->hwndTrack);
  if (!w) return FALSE;
  if (tme->dwFlags & TME_CANCEL) {
    if (gTrack.hwnd == tme->hwndTrack) {
      gTrack.flags &= ~(tme->dwFlags & (TME_HOVER | TME_LEAVE));
      if (!(gTrack.flags & (TME_HOVER | TME_LEAVE))) gTrack = Tracking{};
    }
    return TRUE;
  }
  return Api([&]() -> BOOL {
    bool nc = (tme->dwFlags & TME_NONCLIENT) != 0;
    Hit hit = Live(gCapture) ? Hit{gCapture, HTCLIENT} : HitTestScreen(gCursor);
    bool inside = hit.w == w && (nc ? hit.code != HTCLIENT : hit.code == HTCLIENT);
    if (!inside) {
      if (tme->dwFlags & TME_LEAVE) PostTo(w->thread, w->handle, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
      return TRUE;
    }
    if (gTrack.hwnd != tme->hwndTrack) gTrack = Tracking{};
    gTrack.hwnd = tme->hwndTrack;
    gTrack.flags |= tme->dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT);
    if (tme->dwFlags & TME_HOVER) {
      UINT hover = 400;
      SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0);
      gTrack.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? hover : tme->dwHoverTime;
      gTrack.hoverStart = gCursor;
      gTrack.hoverDue = Now() + gTrack.hoverTime;
    }
    return TRUE;
  });
}

BOOL DragDetect(HWND hwnd, POINT pt) {
  // Follows queued input until the button is released (no drag) or the mouse leaves the drag rectangle.
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  POINT s = pt;
  ClientToScreen(hwnd, &s);
  int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
  while (!gInput.empty()) {
    InputEvent e = gInput.front();
    gInput.pop_front();
    if (e.kind != InputEvent::Mouse) continue;
    if (e.vk) UpdateKeyState(gSyncKeys, e.vk, e.down);
    if (e.msg == WM_LBUTTONUP) return FALSE;
    if (e.msg == WM_MOUSEMOVE && (std::abs(e.pt.x - s.x) > cx || std::abs(e.pt.y - s.y) > cy)) return TRUE;
  }
  return FALSE;
}

UINT GetDoubleClickTime() { return gDoubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  gDoubleClickTime = ms ? ms : 500;
  return TRUE;
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE s = gSyncKeys[vk];
  return static_cast<SHORT>(((s & 0x80) ? 0xFF80 : 0) | (s & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((gAsyncKeys[vk] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
  if (!state) return FALSE;
  std::memcpy(state, gSyncKeys, 256);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (!state) return FALSE;
  std::memcpy(gSyncKeys, state, 256);
  return TRUE;
}

// ---- default window procedure -------------------------------------------------------------------------
namespace {

HCURSOR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return StockCursor(IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM: return StockCursor(IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return StockCursor(IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return StockCursor(IDC_SIZENESW);
    default: return StockCursor(IDC_ARROW);
  }
}

void FillStrip(HDC hdc, RECT r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

void DrawEdgePair(HDC hdc, RECT r, int topLeft, int bottomRight) {
  FillStrip(hdc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  FillStrip(hdc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  FillStrip(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  FillStrip(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

// The title in the caption band, left-aligned, shortened with an ellipsis before the caption buttons.
void DrawCaptionText(Window* w, HDC hdc, RECT band) {
  if (w->text.empty()) return;
  bool tool = w->exStyle & WS_EX_TOOLWINDOW;
  NONCLIENTMETRICS ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  int buttons = !(w->style & WS_SYSMENU) ? 0 : (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 3 : 1;
  band.left += 3;
  band.right -= buttons * (tool ? ncm.iSmCaptionWidth : ncm.iCaptionWidth) + 2;
  HFONT font = CreateFontIndirect(tool ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, GetSysColor(w->ncActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  DrawText(hdc, w->text.c_str(), -1, &band, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(hdc, old);
  DeleteObject(font);
}

// The classic frame, drawn with plain fills: raised edges, the caption band, a sunken client edge.
void DefNcPaint(Window* w) {
  HDC hdc = GetDCEx(w->handle, nullptr, DCX_WINDOW | DCX_CACHE);
  DC* dc = AsDC(hdc);
  if (!dc) return;
  Rgn client(w->client);
  pixman_region32_subtract(&dc->vis, &dc->vis, &client.r);
  RECT r{0, 0, w->Width(), w->Height()};
  DWORD s = w->style, ex = w->exStyle;
  bool frame3d = (s & (WS_THICKFRAME | WS_DLGFRAME)) || (ex & WS_EX_DLGMODALFRAME);
  if (frame3d) {
    FillStrip(hdc, r, COLOR_BTNFACE);
    DrawEdgePair(hdc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    DrawEdgePair(hdc, in, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  } else if (s & WS_BORDER) {
    DrawEdgePair(hdc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
  }
  Insets in = FrameInsets(s, ex & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  if ((s & WS_CAPTION) == WS_CAPTION) {
    int b = in.left;
    int capH = (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    FillStrip(hdc, RECT{b, b, r.right - b, b + capH - 1}, w->ncActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    DrawCaptionText(w, hdc, RECT{b, b, r.right - b, b + capH - 1});
  }
  RECT edge{in.left, in.top, r.right - in.right, r.bottom - in.bottom};
  if (ex & WS_EX_CLIENTEDGE) {
    DrawEdgePair(hdc, edge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
    DrawEdgePair(hdc, edge, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
  }
  if (ex & WS_EX_STATICEDGE) {
    DrawEdgePair(hdc, edge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
  }
  PaintScrollBars(w, hdc);
  ReleaseDC(w->handle, hdc);
}

bool IsChildWindow(const Window* w) {
  return (w->style & WS_CHILD) && w->parent && w->parent != gDesktop && w->parent != gMessageRoot;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  return Api([&]() -> LRESULT {
    switch (msg) {
      case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        if (cs && cs->lpszName && !IsIntResource(cs->lpszName)) w->text = cs->lpszName;
        return TRUE;
      }
      case WM_NCCALCSIZE: {
        RECT* r = reinterpret_cast<RECT*>(lp);  // rgrc[0] when wParam is TRUE: same address
        if (r) *r = DefaultClient(w, *r);
        return 0;
      }
      case WM_NCHITTEST: return DefHitTest(w, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      case WM_NCPAINT: DefNcPaint(w); return 0;
      case WM_NCACTIVATE:
        w->ncActive = wp != 0;
        if ((w->style & WS_CAPTION) == WS_CAPTION && (w->style & WS_VISIBLE)) DefNcPaint(w);
        return TRUE;
      case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && !(w->style & WS_MINIMIZE) && !(Live(gFocus) && IsDescendant(gFocus, w)))
          SetFocusImpl(w);
        return 0;
      case WM_SETTEXT:
        w->text = lp ? reinterpret_cast<const char*>(lp) : "";
        if ((w->style & WS_CAPTION) == WS_CAPTION) {
          w->ncPending = true;
          gMaybeDirty = true;
        }
        return TRUE;
      case WM_GETTEXT: {
        char* buf = reinterpret_cast<char*>(lp);
        if (!buf || wp == 0) return 0;
        size_t n = std::min(w->text.size(), static_cast<size_t>(wp) - 1);
        std::memcpy(buf, w->text.data(), n);
        buf[n] = 0;
        return static_cast<LRESULT>(n);
      }
      case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
      case WM_CLOSE: DestroyWindowImpl(w); return 0;
      case WM_SYSCOMMAND:
        switch (wp & 0xFFF0) {
          case SC_CLOSE: Send(w, WM_CLOSE, 0, 0); break;
          case SC_MINIMIZE: ShowWindowImpl(w, SW_MINIMIZE); break;
          case SC_MAXIMIZE: ShowWindowImpl(w, SW_MAXIMIZE); break;
          case SC_RESTORE: ShowWindowImpl(w, SW_RESTORE); break;
          default: break;
        }
        return 0;
      case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (pos && !(pos->flags & SWP_NOSIZE) && WantsMinMax(w) && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
          MINMAXINFO mmi = DefaultMinMax(w);
          Send(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
          pos->cx = std::clamp<int>(pos->cx, mmi.ptMinTrackSize.x, std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
          pos->cy = std::clamp<int>(pos->cy, mmi.ptMinTrackSize.y, std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
        }
        return 0;
      }
      case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (!pos) return 0;
        HWND h = w->handle;
        if (!(pos->flags & SWP_NOCLIENTMOVE))
          Send(w, WM_MOVE, 0,
               MAKELPARAM(static_cast<WORD>(w->rect.left + w->client.left), static_cast<WORD>(w->rect.top + w->client.top)));
        if (FindWindowObj(h) && !(pos->flags & SWP_NOCLIENTSIZE)) {
          WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
          Send(w, WM_SIZE, kind,
               MAKELPARAM(static_cast<WORD>(w->client.right - w->client.left),
                          static_cast<WORD>(w->client.bottom - w->client.top)));
        }
        return 0;
      }
      case WM_ERASEBKGND: {
        HBRUSH b = w->cls ? w->cls->background : nullptr;
        if (!b) return 0;
        RECT r = ClientRectOf(w);
        FillRect(reinterpret_cast<HDC>(wp), &r, b);
        return 1;
      }
      case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
      }
      case WM_SETCURSOR: {
        LRESULT hit = static_cast<SHORT>(LOWORD(lp));
        UINT mouse = HIWORD(lp);
        if (hit == HTERROR) {
          if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN) MessageBeep(0);
          return FALSE;
        }
        if (IsChildWindow(w) && Send(w->parent, WM_SETCURSOR, wp, lp)) return TRUE;
        if (reinterpret_cast<HWND>(wp) != hwnd) return FALSE;  // a child's cursor is the child's business
        if (hit == HTCLIENT) {
          if (w->cls && w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
          }
          return FALSE;
        }
        SetCursor(CursorForHit(hit));
        return FALSE;
      }
      case WM_MOUSEACTIVATE: {
        if (IsChildWindow(w)) {
          LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wp, lp);
          if (r) return r;
        }
        return (w->exStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
      }
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL:
      case WM_CONTEXTMENU:
        if (IsChildWindow(w)) return Send(w->parent, msg, wp, lp);
        return 0;
      case WM_RBUTTONUP: {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        POINT o = ClientOrigin(w);
        Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, MAKELPARAM(static_cast<WORD>(p.x + o.x), static_cast<WORD>(p.y + o.y)));
        return 0;
      }
      case WM_NCRBUTTONUP: Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, lp); return 0;
      case WM_NCLBUTTONDOWN:
        if (wp == HTVSCROLL || wp == HTHSCROLL)
          ScrollBarClick(w, wp == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        gNcPressWindow = (wp == HTCLOSE || wp == HTMAXBUTTON || wp == HTMINBUTTON) ? hwnd : nullptr;
        gNcPressHit = static_cast<LRESULT>(wp);
        return 0;
      case WM_NCLBUTTONUP: {
        bool same = gNcPressWindow == hwnd && gNcPressHit == static_cast<LRESULT>(wp);
        gNcPressWindow = nullptr;
        if (!same) return 0;
        WPARAM cmd = wp == HTCLOSE ? SC_CLOSE : wp == HTMINBUTTON ? SC_MINIMIZE : (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
        Send(w, WM_SYSCOMMAND, cmd, lp);
        return 0;
      }
      case WM_NCLBUTTONDBLCLK:
        if (wp == HTVSCROLL || wp == HTHSCROLL)  // a quick second click on a bar is one more click
          ScrollBarClick(w, wp == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (wp == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
          ShowWindowImpl(w, (w->style & WS_MAXIMIZE) ? SW_RESTORE : SW_MAXIMIZE);
        return 0;
      case WM_SETREDRAW:
        // switching redraw off hides the window from painting without hiding it from the program
        if (wp) {
          w->style |= WS_VISIBLE;
        } else {
          w->style &= ~WS_VISIBLE;
        }
        return 0;
      case WM_KEYDOWN:
        if (wp == VK_F1 && !(gSyncKeys[VK_SHIFT] & 0x80) && !(gSyncKeys[VK_CONTROL] & 0x80)) {
          HELPINFO hi{sizeof(HELPINFO), HELPINFO_WINDOW, static_cast<int>(w->id), hwnd, 0, gCursor};
          Send(w, WM_HELP, 0, (LPARAM)&hi);
        }
        return 0;
      case WM_HELP:
        if (IsChildWindow(w)) return Send(w->parent, msg, wp, lp);
        return 0;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        if (wp == VK_APPS) Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, -1);
        return 0;
      case WM_SYSKEYDOWN:
        if (wp == VK_F4 && (HIWORD(lp) & 0x2000)) {
          Window* r = Root(w);
          PostTo(r->thread, r->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (wp == VK_F10 && (gSyncKeys[VK_SHIFT] & 0x80)) {
          Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, -1);
        }
        return 0;
      case WM_CANCELMODE:
        if (Live(gCapture) == w) ReleaseCaptureImpl();
        return 0;
      case WM_QUERYENDSESSION:
      case WM_QUERYOPEN: return TRUE;
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<LRESULT>(
            GetSysColorBrush(msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW
                             : msg == WM_CTLCOLORSCROLLBAR                        ? COLOR_SCROLLBAR
                                                                                  : COLOR_BTNFACE));
      default: return 0;
    }
  });
}
