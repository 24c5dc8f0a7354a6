#include "rtl/MainLoop.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

std::mutex gServicesLock;
TMainLoopServices& Services() {
  static TMainLoopServices services;
  return services;
}

}  // namespace

void SetMainLoopServices(const TMainLoopServices& services) {
  std::lock_guard<std::mutex> lock(gServicesLock);
  Services() = services;
}

TMainLoopServices MainLoopServices() {
  std::lock_guard<std::mutex> lock(gServicesLock);
  return Services();
}

// Each call copies the member it needs and calls it outside the lock: a callback may itself set or kill
// timers, and the installer may be replaced meanwhile.
uintptr_t SetMainLoopTimer(uint32_t intervalMs, TMainLoopTimerProc onTimer) {
  auto set = MainLoopServices().SetTimer;
  return set && onTimer ? set(intervalMs, std::move(onTimer)) : 0;
}

void KillMainLoopTimer(uintptr_t id) {
  if (id == 0) return;
  auto kill = MainLoopServices().KillTimer;
  if (kill) kill(id);
}

void PostMainLoopQuit(int32_t exitCode) {
  auto quit = MainLoopServices().Quit;
  if (quit) quit(exitCode);
}

uintptr_t NewMainLoopTimerId() {
  static std::atomic<uintptr_t> next{0};
  return ++next;
}

// ---- TManualMainLoop --------------------------------------------------------------------------------------

TManualMainLoop::TManualMainLoop() : FPrevious(MainLoopServices()) {
  SetMainLoopServices(TMainLoopServices{
      [this](uint32_t ms, TMainLoopTimerProc onTimer) { return SetTimer(ms, std::move(onTimer)); },
      [this](uintptr_t id) { FTimers.erase(id); },
      [this](int32_t exitCode) {
        FQuit = true;
        FExitCode = exitCode;
      }});
}

TManualMainLoop::~TManualMainLoop() { SetMainLoopServices(FPrevious); }

uintptr_t TManualMainLoop::SetTimer(uint32_t intervalMs, TMainLoopTimerProc onTimer) {
  // A zero interval would never let the clock move past the timer.
  const uint32_t interval = std::max<uint32_t>(intervalMs, 1);
  const uintptr_t id = NewMainLoopTimerId();
  FTimers.emplace(id, Timer{interval, FNow + interval, ++FSeq, std::move(onTimer)});
  return id;
}

void TManualMainLoop::Advance(uint32_t ms) {
  const uint64_t target = FNow + ms;
  for (;;) {
    auto next = FTimers.end();
    for (auto it = FTimers.begin(); it != FTimers.end(); ++it)
      if (it->second.Due <= target && (next == FTimers.end() || it->second.Due < next->second.Due ||
                                       (it->second.Due == next->second.Due && it->second.Seq < next->second.Seq)))
        next = it;
    if (next == FTimers.end()) break;
    FNow = next->second.Due;
    next->second.Due += next->second.Interval;
    next->second.Seq = ++FSeq;
    // A copy: the callback may kill its own timer.
    TMainLoopTimerProc onTimer = next->second.OnTimer;
    onTimer();
  }
  FNow = target;
}

bool TManualMainLoop::TakeQuit() {
  const bool quit = FQuit;
  FQuit = false;
  FExitCode = 0;
  return quit;
}
