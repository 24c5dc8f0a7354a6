#pragma once
// The one clock the whole system reads: local wall time (Now, Date, Time) and a monotonic millisecond tick
// (GetTickCount, window timers). The real clock runs by default; tests install a manual one and move it.

#include <cstdint>
#include <functional>
#include <mutex>

#include "rtl/System.h"

class TClock {
public:
  virtual ~TClock() = default;
  // Local wall time.
  virtual TDateTime Now() const = 0;
  // Milliseconds from an arbitrary start; never goes back.
  virtual uint64_t TickCount64() const = 0;
  // True for a clock that moves only when told to; waits should not sleep for it.
  virtual bool IsManual() const { return false; }
};

// The real clock: the system's local time and its monotonic clock.
TClock& SystemClock();
// The installed clock (SystemClock() unless a test installed another). Safe from any thread.
TClock& CurrentClock();
// Installs a clock (nullptr: the system clock again) and returns the previous one (nullptr when that was
// the system clock). The clock must outlive its installation.
TClock* SetClock(TClock* clock);

// Milliseconds of the installed clock; the 32-bit form wraps after about 49.7 days.
uint32_t GetTickCount();
uint64_t GetTickCount64();

// Listeners hear when a manual clock moves or another clock is installed (timers re-check their due
// times); they run on the thread that moved the clock. The id removes them.
int32_t AddClockListener(std::function<void()> listener);
void RemoveClockListener(int32_t id);
void NotifyClockChanged();

// Installs a clock for the lifetime of the object and puts the previous one back.
class TClockInstaller {
public:
  explicit TClockInstaller(TClock& clock) : FPrevious(SetClock(&clock)) {}
  ~TClockInstaller() { SetClock(FPrevious); }
  TClockInstaller(const TClockInstaller&) = delete;
  TClockInstaller& operator=(const TClockInstaller&) = delete;

private:
  TClock* FPrevious;
};

// A manual clock for tests: wall time and tick move together by Advance; each can also be set.
// Wall time is kept to the millisecond so that repeated advances do not drift.
class TTestClock : public TClock {
public:
  // Starts at 2024-01-01 00:00 with a tick count of 1,000,000 ms (well clear of 0 and of a 32-bit wrap).
  explicit TTestClock(TDateTime now = 45292.0, uint64_t tick = 1000000);

  TDateTime Now() const override;
  uint64_t TickCount64() const override;
  bool IsManual() const override { return true; }

  // Moves wall time and tick forward by ms, then tells the clock listeners.
  void Advance(uint64_t ms);
  // Sets wall time only (the tick keeps counting from where it is).
  void SetNow(TDateTime now);
  // Sets the tick only, e.g. just below a 32-bit wrap.
  void SetTickCount(uint64_t tick);

private:
  mutable std::mutex FLock;
  int64_t FWallMSecs;  // time-stamp milliseconds of the wall time
  uint64_t FTick;
};

// A test clock installed for the lifetime of the object.
class TScopedTestClock : public TTestClock {
public:
  explicit TScopedTestClock(TDateTime now = 45292.0, uint64_t tick = 1000000)
      : TTestClock(now, tick), FInstaller(*this) {}

private:
  TClockInstaller FInstaller;
};
