#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/MainLoop.h"

namespace {

TEST(MainLoopServices, WithoutAnInstalledLoopTimersAreRefusedAndQuitIsDropped) {
  const TMainLoopServices previous = MainLoopServices();
  SetMainLoopServices(TMainLoopServices());
  int fired = 0;
  EXPECT_EQ(SetMainLoopTimer(10, [&] { ++fired; }), 0u);
  KillMainLoopTimer(12345);  // nothing to stop, and no failure for it
  PostMainLoopQuit(3);
  SetMainLoopServices(previous);
  EXPECT_EQ(fired, 0);
}

TEST(ManualMainLoop, FiresDueTimersInTimeOrderAsOftenAsTheTimeSays) {
  TManualMainLoop loop;
  std::string trace;
  SetMainLoopTimer(30, [&] { trace += 'a'; });
  SetMainLoopTimer(20, [&] { trace += 'b'; });
  SetMainLoopTimer(20, [&] { trace += 'c'; });  // due with b: set later, fires after it
  loop.Advance(19);
  EXPECT_EQ(trace, "");
  loop.Advance(41);  // t=20: b c, t=30: a, t=40: b c, t=60: a b c
  EXPECT_EQ(trace, "bcabcabc");
  EXPECT_EQ(loop.Now(), 60u);
}

TEST(ManualMainLoop, CallbacksMaySetAndKillTimersIncludingTheirOwn) {
  TManualMainLoop loop;
  std::vector<std::string> trace;
  uintptr_t self = 0, other = 0;
  self = SetMainLoopTimer(10, [&] {
    trace.push_back("self");
    KillMainLoopTimer(self);
    SetMainLoopTimer(5, [&] { trace.push_back("new"); });
  });
  other = SetMainLoopTimer(25, [&] { trace.push_back("other"); });
  loop.Advance(25);  // t=10 self (gone afterwards), t=15 and 20 and 25 new, t=25 other (set before new)
  EXPECT_EQ(trace, (std::vector<std::string>{"self", "new", "new", "other", "new"}));
  KillMainLoopTimer(other);
  EXPECT_EQ(loop.TimerCount(), 1u);
}

TEST(ManualMainLoop, ZeroIntervalStillLetsTheClockMoveAndExceptionsStopAtTheirTick) {
  TManualMainLoop loop;
  int ticks = 0;
  const uintptr_t id = SetMainLoopTimer(0, [&] { ++ticks; });
  loop.Advance(5);
  EXPECT_EQ(ticks, 5);
  KillMainLoopTimer(id);
  SetMainLoopTimer(7, [] { throw std::runtime_error("tick"); });
  EXPECT_THROW(loop.Advance(100), std::runtime_error);
  EXPECT_EQ(loop.Now(), 12u);
}

TEST(ManualMainLoop, RecordsQuitAndPutsBackThePreviousServicesWhenItGoes) {
  const TMainLoopServices previous = MainLoopServices();
  SetMainLoopServices(TMainLoopServices());
  {
    TManualMainLoop outer;
    {
      TManualMainLoop inner;
      PostMainLoopQuit(7);
      EXPECT_TRUE(inner.QuitRequested());
      EXPECT_EQ(inner.ExitCode(), 7);
      EXPECT_FALSE(outer.QuitRequested());
      EXPECT_TRUE(inner.TakeQuit());
      EXPECT_FALSE(inner.TakeQuit());
    }
    PostMainLoopQuit(1);
    EXPECT_TRUE(outer.TakeQuit());
  }
  EXPECT_FALSE(static_cast<bool>(MainLoopServices().SetTimer));
  SetMainLoopServices(previous);
}

TEST(ManualMainLoop, TimerIdsAreNeverReusedAcrossLoops) {
  uintptr_t first = 0;
  {
    TManualMainLoop loop;
    first = SetMainLoopTimer(10, [] {});
  }
  TManualMainLoop loop;
  int fired = 0;
  const uintptr_t second = SetMainLoopTimer(10, [&] { ++fired; });
  EXPECT_NE(first, second);
  KillMainLoopTimer(first);  // a stale id from the old loop stops nothing here
  loop.Advance(10);
  EXPECT_EQ(fired, 1);
}

}  // namespace
