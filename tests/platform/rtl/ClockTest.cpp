#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "rtl/Clock.h"
#include "rtl/DateTime.h"

namespace {

TEST(ClockTest, TestClockDrivesNowDateTimeAndTicks) {
  TScopedTestClock clock(EncodeDate(2026, 12, 31) + EncodeTime(23, 59, 59, 500), 5000);
  EXPECT_TRUE(CurrentClock().IsManual());
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", Now()), "31.12.2026 23:59:59.500");
  EXPECT_EQ(GetTickCount64(), 5000u);

  clock.Advance(600);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", Now()), "01.01.2027 00:00:00.100");
  EXPECT_EQ(Date(), EncodeDate(2027, 1, 1));
  EXPECT_NEAR(Time(), EncodeTime(0, 0, 0, 100), 1e-12);
  EXPECT_EQ(CurrentYear(), 2027);
  EXPECT_EQ(GetTickCount(), 5600u);

  clock.SetNow(EncodeDate(2000, 2, 29));
  EXPECT_EQ(Now(), EncodeDate(2000, 2, 29));
  EXPECT_EQ(GetTickCount64(), 5600u);  // setting the wall time leaves the tick alone
}

TEST(ClockTest, ManyAdvancesDoNotDrift) {
  TScopedTestClock clock(EncodeDate(2024, 1, 1));
  for (int i = 0; i < 86400; ++i) clock.Advance(1000);
  EXPECT_EQ(Now(), EncodeDate(2024, 1, 2));
}

TEST(ClockTest, ThirtyTwoBitTickWraps) {
  TScopedTestClock clock;
  clock.SetTickCount(0xFFFFFFF0ull);
  clock.Advance(0x20);
  EXPECT_EQ(GetTickCount64(), 0x100000010ull);
  EXPECT_EQ(GetTickCount(), 0x10u);
}

TEST(ClockTest, InstallersNestAndRestore) {
  TClock* before = &CurrentClock();
  EXPECT_EQ(before, &SystemClock());
  {
    TScopedTestClock outer(EncodeDate(2001, 1, 1));
    {
      TScopedTestClock inner(EncodeDate(2002, 2, 2));
      EXPECT_EQ(Now(), EncodeDate(2002, 2, 2));
    }
    EXPECT_EQ(Now(), EncodeDate(2001, 1, 1));
  }
  EXPECT_EQ(&CurrentClock(), &SystemClock());
  EXPECT_FALSE(CurrentClock().IsManual());
}

TEST(ClockTest, ListenersHearAdvancesAndInstallation) {
  int calls = 0;
  int32_t id = AddClockListener([&] { ++calls; });
  {
    TScopedTestClock clock;  // installed: 1
    clock.Advance(10);       // 2
    clock.SetTickCount(5);   // 3
  }                          // restored: 4
  RemoveClockListener(id);
  TScopedTestClock again;
  again.Advance(1);
  EXPECT_EQ(calls, 4);
}

TEST(ClockTest, SystemClockIsLocalTimeAndMonotonic) {
  uint64_t t0 = SystemClock().TickCount64();
  uint64_t t1 = SystemClock().TickCount64();
  EXPECT_LE(t0, t1);
  TDateTime now = SystemClock().Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(2200, 1, 1));
}

TEST(ClockTest, ReadsFromOtherThreadsSeeAConsistentClock) {
  TScopedTestClock clock(EncodeDate(2024, 1, 1), 0);
  std::atomic<bool> ok{true};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&] {
      uint64_t last = 0;
      for (int i = 0; i < 2000; ++i) {
        uint64_t now = GetTickCount64();
        if (now < last) ok = false;
        last = now;
      }
    });
  for (int i = 0; i < 2000; ++i) clock.Advance(1);
  for (auto& th : readers) th.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(GetTickCount64(), 2000u);
}

}  // namespace
