#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "rtl/SyncObjs.h"

namespace {

using Clock = std::chrono::steady_clock;

// Polls until pred holds or two seconds pass.
template <class Pred>
bool Eventually(Pred pred) {
  const auto end = Clock::now() + std::chrono::seconds(2);
  while (!pred()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(TCriticalSection, OwnerMayEnterAgainOthersWaitForTheLastLeave) {
  TCriticalSection cs;
  cs.Enter();
  cs.Enter();
  auto tryFromOther = [&] {
    bool got = false;
    std::thread t([&] {
      got = cs.TryEnter();
      if (got) cs.Leave();
    });
    t.join();
    return got;
  };
  EXPECT_FALSE(tryFromOther());
  cs.Leave();
  EXPECT_FALSE(tryFromOther());
  cs.Leave();
  EXPECT_TRUE(tryFromOther());
}

TEST(TEvent, ResetKindsDecideWhetherAWaitConsumesTheSignal) {
  struct Case {
    bool manual;
    TWaitResult second;
  } cases[] = {{true, wrSignaled}, {false, wrTimeout}};
  for (const Case& c : cases) {
    TEvent e(c.manual, false);
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), c.second) << "manual=" << c.manual;
    e.ResetEvent();
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
  }
  TEvent initially(true, true);
  EXPECT_EQ(initially.WaitFor(0), wrSignaled);
  TSimpleEvent simple;
  EXPECT_TRUE(simple.ManualReset());
  EXPECT_EQ(simple.WaitFor(0), wrTimeout);
}

TEST(TEvent, TimedWaitTimesOutThenWakesOnSetFromAnotherThread) {
  TEvent e(false, false);
  const auto start = Clock::now();
  EXPECT_EQ(e.WaitFor(40), wrTimeout);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    e.SetEvent();
  });
  EXPECT_EQ(e.WaitFor(INFINITE), wrSignaled);
  setter.join();
}

TEST(TEvent, AutoResetReleasesOneWaiterPerSignal) {
  TEvent e(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      ASSERT_EQ(e.WaitFor(5000), wrSignaled);
      ++released;
    });
  for (int k = 1; k <= 3; ++k) {
    e.SetEvent();
    ASSERT_TRUE(Eventually([&] { return released.load() >= k; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(released.load(), k);
  }
  for (auto& t : waiters) t.join();
}

TEST(TMultiReadExclusiveWriteSynchronizer, WriterEntersAgainAndReadsWhileOthersWait) {
  TMultiReadExclusiveWriteSynchronizer sync;
  EXPECT_TRUE(sync.BeginWrite());
  EXPECT_TRUE(sync.BeginWrite());
  sync.BeginRead();
  std::atomic<bool> otherRead{false};
  std::thread reader([&] {
    sync.BeginRead();
    otherRead = true;
    sync.EndRead();
  });
  sync.EndRead();
  sync.EndWrite();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(otherRead.load()) << "still inside the outer write";
  sync.EndWrite();
  EXPECT_TRUE(Eventually([&] { return otherRead.load(); }));
  reader.join();
  EXPECT_EQ(sync.RevisionLevel(), 1u);
}

TEST(TMultiReadExclusiveWriteSynchronizer, ReadersShareWritersExclude) {
  TMultiReadExclusiveWriteSynchronizer sync;
  // Two readers inside at once.
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  auto read = [&] {
    sync.BeginRead();
    const int n = ++inside;
    int m = maxInside;
    while (n > m && !maxInside.compare_exchange_weak(m, n)) {
    }
    Eventually([&] { return maxInside.load() >= 2; });
    --inside;
    sync.EndRead();
  };
  std::thread r1(read), r2(read);
  r1.join();
  r2.join();
  EXPECT_EQ(maxInside.load(), 2);

  // Writers exclude each other and readers: an unprotected counter stays exact.
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        sync.BeginWrite();
        sync.BeginRead();  // a writer may read
        const int v = counter;
        sync.EndRead();
        counter = v + 1;
        sync.EndWrite();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 2000);
}

TEST(TMultiReadExclusiveWriteSynchronizer, ReadersAskingToWriteTogetherDoNotDeadlock) {
  TMultiReadExclusiveWriteSynchronizer sync;
  std::atomic<int> reading{0};
  std::atomic<int> unchanged{0};
  auto upgrade = [&] {
    sync.BeginRead();
    ++reading;
    Eventually([&] { return reading.load() == 2; });
    if (sync.BeginWrite()) ++unchanged;
    sync.EndWrite();
    sync.EndRead();
  };
  std::thread a(upgrade), b(upgrade);
  a.join();
  b.join();
  // The second one in saw the first one's write.
  EXPECT_EQ(unchanged.load(), 1);
}

TEST(Interlocked, OperationsReturnThePlatformsValues) {
  int32_t v = 5;
  EXPECT_EQ(InterlockedIncrement(v), 6);
  EXPECT_EQ(InterlockedDecrement(v), 5);
  EXPECT_EQ(InterlockedExchange(v, 9), 5);
  EXPECT_EQ(v, 9);
  EXPECT_EQ(InterlockedExchangeAdd(v, 3), 9);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 12);  // no match: unchanged
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 12), 12);
  EXPECT_EQ(v, 1);

  int32_t shared = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) InterlockedIncrement(shared);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared, 40000);
}

TEST(Sleep, WaitsAtLeastTheTimeAsked) {
  const auto start = Clock::now();
  Sleep(15);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(15));
  Sleep(0);
}

}  // namespace
