// The window manager's message queues, posting and sending, timers and hooks.

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

namespace winapi::detail::wm {

// ---- hooks -------------------------------------------------------------------------------------------
LRESULT CallHookAt(size_t index, int kind, int code, WPARAM wp, LPARAM lp) {
  DWORD self = CurrentThread();
  for (size_t i = index; i < gWm.hooks.size(); ++i) {
    Hook* h = gWm.hooks[i];
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

LRESULT CallHooks(int kind, int code, WPARAM wp, LPARAM lp) {
  if (!HasHooks(kind)) return 0;
  return CallHookAt(0, kind, code, wp, lp);
}

// ---- queues ------------------------------------------------------------------------------------------
Queue* QueueOf(DWORD thread) {
  auto it = gWm.queues.find(thread);
  return it == gWm.queues.end() ? nullptr : it->second;
}

struct QueueOwner {
  Queue* q = nullptr;
  ~QueueOwner() {
    if (!q) return;
    {
      std::lock_guard<std::mutex> lock(gWm.handleMutex);
      gWm.queues.erase(q->thread);
    }
    delete q;
  }
};

void Wake() {
  if (gWm.backend) gWm.backend->Wake();
}

void PurgePosted(HWND h) {
  std::lock_guard<std::mutex> lock(gWm.handleMutex);
  for (auto& [id, q] : gWm.queues) {
    std::lock_guard<std::mutex> ql(q->mutex);
    q->posted.erase(std::remove_if(q->posted.begin(), q->posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
                    q->posted.end());
  }
}

bool PostTo(DWORD thread, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  MSG m{h, msg, wp, lp, GetTickCount(), SharedCursor()};
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
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
  // every insertion takes a fresh sequence number, and a timer's earlier entry is erased before
  bool freshTimer = gWm.timers.emplace(k, t).second;
  bool freshIndex = gWm.timerIndex.insert_or_assign(IndexKey(t), k).second;
  VORN_ASSERT(freshTimer && freshIndex);
  VORN_ASSERT(t.seq <= gWm.timerSeq);
}

// Each timer is indexed once under its own (window, id, thread), and each index entry finds its timer.
void CheckTimers() {
#if VORN_ASSERTIONS_ON
  VORN_ASSERT(gWm.timers.size() == gWm.timerIndex.size());
  for (const auto& [key, timerKey] : gWm.timerIndex) {
    auto it = gWm.timers.find(timerKey);
    VORN_ASSERT(it != gWm.timers.end());
    VORN_ASSERT(IndexKey(it->second) == key);
    VORN_ASSERT(TimerKey(it->second.due, it->second.seq) == timerKey);
  }
#endif
}

std::map<TimerKey, Timer>::iterator TimerErase(std::map<TimerKey, Timer>::iterator it) {
  gWm.timerIndex.erase(IndexKey(it->second));
  return gWm.timers.erase(it);
}

void RemoveTimersOf(HWND h) {
  for (auto it = gWm.timers.begin(); it != gWm.timers.end();) {
    if (h && it->second.hwnd == h)
      it = TimerErase(it);
    else
      ++it;
  }
}

std::map<TimerKey, Timer>::iterator FindTimer(HWND h, UINT_PTR id, DWORD thread) {
  auto it = gWm.timerIndex.find({h, id, h ? 0 : thread});
  return it == gWm.timerIndex.end() ? gWm.timers.end() : gWm.timers.find(it->second);
}

// ---- the queue ---------------------------------------------------------------------------------------

bool Deliverable(MSG* out, UINT remove) {
  if (HasHooks(WH_GETMESSAGE)) CallHooks(WH_GETMESSAGE, HC_ACTION, remove & PM_REMOVE, (LPARAM)out);
  return true;
}

BOOL PeekImpl(MSG* out, HWND hwnd, UINT lo, UINT hi, UINT flags) {
  Queue* q = CurrentQueue();
  if (gWm.backend) gWm.backend->ProcessEvents();
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
      std::scoped_lock lock(gWm.handleMutex, q->mutex);
      for (auto it = q->posted.begin(); it != q->posted.end();) {
        if (it->hwnd && !gWm.windows.count(reinterpret_cast<uintptr_t>(it->hwnd))) {
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
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0, GetTickCount(), gWm.cursor};
    if (remove) q->quit = false;
    return TRUE;
  }
  // input, on the thread that owns the windows
  if ((qs & QS_INPUT) && gWm.desktop && self == gWm.desktop->thread) {
    for (size_t i = 0; i < gWm.input.size();) {
      uint64_t seq = gWm.input[i].seq;
      ResolveEvent(gWm.input[i]);
      auto it = std::find_if(gWm.input.begin(), gWm.input.end(), [seq](const InputEvent& e) { return e.seq == seq; });
      if (it == gWm.input.end()) {
        i = 0;
        continue;
      }
      i = static_cast<size_t>(it - gWm.input.begin());
      InputEvent e = *it;
      if (!e.target || !FindWindowObj(e.target)) {
        if (e.kind == InputEvent::Key) UpdateKeyState(gWm.syncKeys, e.vk, e.down);
        gWm.input.erase(it);
        continue;
      }
      MSG im = MessageOf(e);
      if (!matchWnd(im.hwnd) || !MatchRange(im.message, lo, hi)) {
        ++i;
        continue;
      }
      if (remove) {
        gWm.input.erase(it);
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
          auto again = std::find_if(gWm.input.begin(), gWm.input.end(), [seq](const InputEvent& x) { return x.seq == seq; });
          if (again != gWm.input.end()) gWm.input.erase(again);
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
  if ((qs & QS_PAINT) && MatchRange(WM_PAINT, lo, hi) && gWm.maybeDirty && !onlyNull) {
    Window* only = hwnd ? FindWindowObj(hwnd) : nullptr;
    while (Window* d = FindDirty(gWm.desktop, self, only)) {
      HWND dh = d->handle;
      SendNcPaint(d);
      Window* again = FindWindowObj(dh);
      if (again && NeedsPaint(again)) {
        *out = MSG{dh, WM_PAINT, 0, 0, GetTickCount(), gWm.cursor};
        Deliverable(out, flags);
        if (remove) q->last = *out;
        return TRUE;
      }
    }
    if (!only) gWm.maybeDirty = false;
  }
  // timers
  if (qs & QS_TIMER) {
    CheckHover();
    if (MatchRange(WM_TIMER, lo, hi) && !gWm.timers.empty()) {
      uint64_t now = Now();
      for (auto it = gWm.timers.begin(); it != gWm.timers.end() && it->first.first <= now; ++it) {
        Timer t = it->second;
        if (t.thread != self || !matchWnd(t.hwnd)) continue;
        if (remove) {
          TimerErase(it);
          t.due = now + t.elapse;
          t.seq = ++gWm.timerSeq;
          TimerInsert(t);
        }
        *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), GetTickCount(), gWm.cursor};
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
  for (auto& [key, t] : gWm.timers) {
    if (t.thread != self) continue;
    if (key.first <= now) return 0;
    // a manual clock moves only when told to: sleeping for it would never end
    if (CurrentClock().IsManual()) return INFINITE;
    return static_cast<DWORD>(std::min<uint64_t>(key.first - now, 0x7FFFFFFF));
  }
  return INFINITE;
}

void WaitForEvents(DWORD timeout) {
  if (gWm.backend) gWm.backend->WaitEvents(timeout);
}

}  // namespace winapi::detail::wm

namespace winapi::detail {
using namespace wm;

Queue* CurrentQueue() {
  thread_local QueueOwner owner;
  if (!owner.q) {
    owner.q = new Queue();
    owner.q->thread = CurrentThread();
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    gWm.queues[owner.q->thread] = owner.q;
  }
  return owner.q;
}

uint64_t NextTimerDue() {
  uint64_t best = UINT64_MAX;
  DWORD self = CurrentThread();
  for (auto& [key, t] : gWm.timers)
    if (t.thread == self) {
      best = key.first;
      break;
    }
  if (gWm.track.hwnd && (gWm.track.flags & TME_HOVER)) best = std::min(best, gWm.track.hoverDue);
  return best;
}

}  // namespace winapi::detail

using namespace winapi::detail;
using namespace winapi::detail::wm;

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
    // any thread may broadcast while the main thread reorders, creates and destroys top-levels: the list
    // is read under the lock its writers take
    std::vector<std::pair<DWORD, HWND>> tops;
    {
      std::lock_guard<std::mutex> lock(gWm.handleMutex);
      if (!gWm.desktop) return FALSE;
      for (Window* t : gWm.desktop->children) tops.emplace_back(t->thread, t->handle);
    }
    for (auto& [th, h] : tops) PostTo(th, h, msg, wp, lp);
    return TRUE;
  }
  if (!hwnd) return PostThreadMessage(GetCurrentThreadId(), msg, wp, lp);
  DWORD thread;
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    auto it = gWm.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == gWm.windows.end()) return FALSE;
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
  if (gWm.desktop && q->thread == gWm.desktop->thread) {
    for (const InputEvent& e : gWm.input) {
      if (e.kind != InputEvent::Mouse)
        s |= QS_KEY;
      else if (e.msg == WM_MOUSEMOVE)
        s |= QS_MOUSEMOVE;
      else
        s |= QS_MOUSEBUTTON;
    }
  }
  if (gWm.maybeDirty && gWm.desktop && FindDirty(gWm.desktop, q->thread, nullptr)) s |= QS_PAINT;
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
  if (gWm.backend) gWm.backend->ProcessEvents();
  return HIWORD(GetQueueStatus(wakeMask)) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

UINT RegisterWindowMessage(LPCSTR name) {
  if (!name) return 0;
  std::string key;
  for (const char* p = name; *p; ++p) key += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
  std::lock_guard<std::mutex> lock(gWm.nameMutex);
  auto& names = gWm.messageNames;
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
  bool shift = gWm.syncKeys[VK_SHIFT] & 0x80, ctrl = gWm.syncKeys[VK_CONTROL] & 0x80, alt = gWm.syncKeys[VK_MENU] & 0x80;
  bool caps = gWm.syncKeys[VK_CAPITAL] & 0x01, num = gWm.syncKeys[VK_NUMLOCK] & 0x01;
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
      if (it == gWm.timers.end() || it->second.proc != proc) return 0;  // only callbacks the program set
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

// ---- timers: the calls -------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  DWORD self = CurrentThread();
  if (hwnd) {
    Window* w = FindWindowObj(hwnd);
    if (!w || w->thread != self) return 0;
  }
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  auto it = FindTimer(hwnd, id, self);
  if (!hwnd && (id == 0 || it == gWm.timers.end())) {
    id = gWm.nextThreadTimerId++;
    it = gWm.timers.end();
  }
  if (it != gWm.timers.end()) TimerErase(it);
  Timer t{hwnd, id, elapse, proc, self, Now() + elapse, ++gWm.timerSeq};
  TimerInsert(t);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto it = FindTimer(hwnd, id, CurrentThread());
  if (it == gWm.timers.end()) return FALSE;
  TimerErase(it);
  return TRUE;
}

// ---- hooks: the calls --------------------------------------------------------------------------------
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
  gWm.hooks.insert(gWm.hooks.begin(), h);
  ++gWm.hookCount[idHook + 1];
  return reinterpret_cast<HHOOK>(h);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto* h = reinterpret_cast<Hook*>(hook);
  auto it = std::find(gWm.hooks.begin(), gWm.hooks.end(), h);
  if (it == gWm.hooks.end() || h->removed) return FALSE;
  h->removed = true;  // freed once no call is running
  --gWm.hookCount[h->kind + 1];
  if (ThisThread().depth == 0) FreeZombies();
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wp, LPARAM lp) {
  auto* h = reinterpret_cast<Hook*>(hook);
  auto it = std::find(gWm.hooks.begin(), gWm.hooks.end(), h);
  if (it == gWm.hooks.end()) return 0;
  return CallHookAt(static_cast<size_t>(it - gWm.hooks.begin()) + 1, h->kind, code, wp, lp);
}
