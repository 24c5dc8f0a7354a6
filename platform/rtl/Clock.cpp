#include "rtl/Clock.h"

#include <time.h>

#include <atomic>
#include <map>

#include "rtl/DateTime.h"

namespace {

class TSystemClock : public TClock {
public:
  TDateTime Now() const override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    TDateTime date = EncodeDate(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                                static_cast<uint16_t>(local.tm_mday));
    // A leap second shows as :60; fold it into :59 rather than fail.
    uint16_t sec = static_cast<uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
    TDateTime time = EncodeTime(static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min), sec,
                                static_cast<uint16_t>(ts.tv_nsec / 1000000));
    return date + time;
  }
  uint64_t TickCount64() const override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  }
};

TSystemClock& TheSystemClock() {
  static TSystemClock clock;
  return clock;
}

std::atomic<TClock*> gInstalled{nullptr};

std::mutex& ListenerLock() {
  static std::mutex m;
  return m;
}

std::map<int32_t, std::function<void()>>& Listeners() {
  static std::map<int32_t, std::function<void()>> l;
  return l;
}

int64_t ToMSecs(TDateTime dt) { return static_cast<int64_t>(TimeStampToMSecs(DateTimeToTimeStamp(dt))); }

}  // namespace

TClock& SystemClock() { return TheSystemClock(); }

TClock& CurrentClock() {
  TClock* c = gInstalled.load(std::memory_order_acquire);
  return c ? *c : TheSystemClock();
}

TClock* SetClock(TClock* clock) {
  if (clock == &TheSystemClock()) clock = nullptr;
  TClock* previous = gInstalled.exchange(clock, std::memory_order_acq_rel);
  NotifyClockChanged();
  return previous;
}

uint32_t GetTickCount() { return static_cast<uint32_t>(CurrentClock().TickCount64()); }
uint64_t GetTickCount64() { return CurrentClock().TickCount64(); }

int32_t AddClockListener(std::function<void()> listener) {
  static int32_t next = 0;
  std::lock_guard<std::mutex> g(ListenerLock());
  int32_t id = ++next;
  Listeners()[id] = std::move(listener);
  return id;
}

void RemoveClockListener(int32_t id) {
  std::lock_guard<std::mutex> g(ListenerLock());
  Listeners().erase(id);
}

void NotifyClockChanged() {
  // A copy, so that a listener may add or remove listeners.
  std::map<int32_t, std::function<void()>> listeners;
  {
    std::lock_guard<std::mutex> g(ListenerLock());
    listeners = Listeners();
  }
  for (auto& [id, fn] : listeners) fn();
}

TTestClock::TTestClock(TDateTime now, uint64_t tick) : FWallMSecs(ToMSecs(now)), FTick(tick) {}

TDateTime TTestClock::Now() const {
  int64_t ms;
  {
    std::lock_guard<std::mutex> g(FLock);
    ms = FWallMSecs;
  }
  return TimeStampToDateTime(MSecsToTimeStamp(static_cast<double>(ms)));
}

uint64_t TTestClock::TickCount64() const {
  std::lock_guard<std::mutex> g(FLock);
  return FTick;
}

void TTestClock::Advance(uint64_t ms) {
  {
    std::lock_guard<std::mutex> g(FLock);
    FWallMSecs += static_cast<int64_t>(ms);
    FTick += ms;
  }
  NotifyClockChanged();
}

void TTestClock::SetNow(TDateTime now) {
  int64_t ms = ToMSecs(now);
  {
    std::lock_guard<std::mutex> g(FLock);
    FWallMSecs = ms;
  }
  NotifyClockChanged();
}

void TTestClock::SetTickCount(uint64_t tick) {
  {
    std::lock_guard<std::mutex> g(FLock);
    FTick = tick;
  }
  NotifyClockChanged();
}
