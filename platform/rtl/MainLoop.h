#pragma once
// Main-loop services: what code beneath the window system needs from the program's message loop (periodic
// timers fired inside the loop, and a request to end it). The window system installs them when its backend
// starts; a program or test without a window system installs a TManualMainLoop. With nothing installed a
// timer cannot be made (SetMainLoopTimer answers 0) and a quit request is dropped: there is no loop to run
// or end.

#include <cstdint>
#include <functional>
#include <map>

using TMainLoopTimerProc = std::function<void()>;

struct TMainLoopServices {
  // Starts a periodic timer owned by the calling thread; onTimer runs inside that thread's message loop
  // every intervalMs. Answers the timer's id, never reused while the process lives, or 0 when none could
  // be made.
  std::function<uintptr_t(uint32_t intervalMs, TMainLoopTimerProc onTimer)> SetTimer;
  // Stops a timer of the calling thread; an unknown or already stopped id is ignored.
  std::function<void(uintptr_t id)> KillTimer;
  // Asks the calling thread's message loop to end with exitCode.
  std::function<void(int32_t exitCode)> Quit;
};

// Installs the services; a value with empty members removes them. Installed once at start-up, before other
// threads ask for timers.
void SetMainLoopServices(const TMainLoopServices& services);
// The services installed now (members empty when none are).
TMainLoopServices MainLoopServices();

// The calls code beneath the window system makes; each goes to the installed service.
uintptr_t SetMainLoopTimer(uint32_t intervalMs, TMainLoopTimerProc onTimer);
void KillMainLoopTimer(uintptr_t id);
void PostMainLoopQuit(int32_t exitCode);

// A main loop of its own for a program or test without a window system: its clock moves only through
// Advance, which fires the timers that fall due on the way, in order, each as often as the elapsed time
// says. It installs itself as the main-loop services while it lives and puts back what was there before.
// One thread drives it.
class TManualMainLoop {
public:
  TManualMainLoop();
  ~TManualMainLoop();
  TManualMainLoop(const TManualMainLoop&) = delete;
  TManualMainLoop& operator=(const TManualMainLoop&) = delete;

  // Moves the clock forward by ms, running every timer that falls due up to the new time. A timer callback
  // may set or kill timers, itself included; an exception it raises leaves Advance with the clock at that
  // tick.
  void Advance(uint32_t ms);
  uint64_t Now() const { return FNow; }
  size_t TimerCount() const { return FTimers.size(); }
  // Whether a quit was asked for since the last TakeQuit, and with which exit code; TakeQuit clears it.
  bool QuitRequested() const { return FQuit; }
  int32_t ExitCode() const { return FExitCode; }
  bool TakeQuit();

private:
  struct Timer {
    uint32_t Interval;
    uint64_t Due;
    uint64_t Seq;  // keeps timers due at the same tick in the order they were set
    TMainLoopTimerProc OnTimer;
  };
  uintptr_t SetTimer(uint32_t intervalMs, TMainLoopTimerProc onTimer);

  TMainLoopServices FPrevious;
  std::map<uintptr_t, Timer> FTimers;
  uint64_t FNow = 0;
  uint64_t FSeq = 0;
  bool FQuit = false;
  int32_t FExitCode = 0;
};

// A fresh timer id for an installer of the services: process-wide, never 0, never reused.
uintptr_t NewMainLoopTimerId();
