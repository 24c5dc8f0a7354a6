// The runtime's main-loop services on top of the window manager: thread timers whose callbacks run when
// the owning thread's loop dispatches their WM_TIMER, a quit request as WM_QUIT, and the main thread's
// wake-up for work handed to it by other threads as a null message in its queue.

#include <map>
#include <mutex>

// The window layer's headers first: they declare INFINITE themselves, which the runtime's macro of the
// same name would otherwise rewrite.
#include "winapi/Backend.h"
#include "winapi/Messages.h"
#include "rtl/MainLoop.h"
#include "rtl/Threads.h"

namespace {

struct Entry {
  UINT_PTR WinId;
  TMainLoopTimerProc OnTimer;
};

// The runtime hands out its own ids (never reused), so a timer id kept across a restart of the window
// manager can never stop a newer timer that happens to get the same window-manager id.
std::mutex gLock;
std::map<uintptr_t, Entry> gTimers;
std::map<UINT_PTR, uintptr_t> gByWinId;

void TimerProc(HWND, UINT, UINT_PTR winId, DWORD) {
  TMainLoopTimerProc onTimer;
  {
    std::lock_guard<std::mutex> lock(gLock);
    auto w = gByWinId.find(winId);
    if (w == gByWinId.end()) return;
    onTimer = gTimers.at(w->second).OnTimer;  // a copy: the callback may kill its own timer
  }
  onTimer();
}

uintptr_t SetServiceTimer(uint32_t intervalMs, TMainLoopTimerProc onTimer) {
  const UINT_PTR winId = SetTimer(nullptr, 0, intervalMs, &TimerProc);
  if (winId == 0) return 0;
  const uintptr_t id = NewMainLoopTimerId();
  std::lock_guard<std::mutex> lock(gLock);
  gTimers[id] = Entry{winId, std::move(onTimer)};
  gByWinId[winId] = id;
  return id;
}

void KillServiceTimer(uintptr_t id) {
  UINT_PTR winId = 0;
  {
    std::lock_guard<std::mutex> lock(gLock);
    auto it = gTimers.find(id);
    if (it == gTimers.end()) return;
    winId = it->second.WinId;
    gByWinId.erase(winId);
    gTimers.erase(it);
  }
  KillTimer(nullptr, winId);
}

}  // namespace

namespace winapi {

void InstallMainLoopServices(bool install) {
  {
    // Starting or stopping a backend resets the window manager's timers: forget their callbacks.
    std::lock_guard<std::mutex> lock(gLock);
    gTimers.clear();
    gByWinId.clear();
  }
  if (!install) {
    SetMainLoopServices(TMainLoopServices());
    SetWakeMainThread(TNotifyEvent());
    return;
  }
  SetMainLoopServices(TMainLoopServices{&SetServiceTimer, &KillServiceTimer, [](int32_t code) { PostQuitMessage(code); }});
  const DWORD mainThread = GetCurrentThreadId();
  SetWakeMainThread(TNotifyEvent([mainThread](TObject*) { PostThreadMessage(mainThread, WM_NULL, 0, 0); }));
}

}  // namespace winapi
