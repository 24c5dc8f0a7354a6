#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "rtl/NamedObjects.h"

namespace {

// Names unique to this process and test, removed afterwards.
class NamedObjectsTest : public ::testing::Test {
protected:
  String Name(const char* what) {
    static int counter = 0;
    String n = "VornTest." + std::to_string(::getpid()) + "." + std::to_string(++counter) + "." + what;
    FNames.push_back(n);
    return n;
  }
  void TearDown() override {
    for (const String& n : FNames) TNamedSharedMemory::Unlink(n);
  }

private:
  std::vector<String> FNames;
};

// Runs body in a child process and gives its pid; the child's exit code is body's result.
pid_t Fork(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    ::_exit(code);
  }
  return pid;
}

int Join(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SharedObjectName, PrefixesAndSanitises) {
  EXPECT_EQ(SharedObjectName("ZAZ.SQL.MONITOR.SharedMem"), "/vorn.ZAZ.SQL.MONITOR.SharedMem");
  const String slashed = SharedObjectName("Global\\a/b c");
  EXPECT_EQ(slashed.rfind("/vorn.Global_a_b_c-", 0), 0u) << slashed;
  EXPECT_EQ(slashed.find('/', 1), String::npos);
  EXPECT_NE(SharedObjectName("a/b"), SharedObjectName("a_b"));
  EXPECT_LE(SharedObjectName(String(1000, 'x')).size(), 255u);
}

TEST_F(NamedObjectsTest, SharedMemoryIsCreatedOnceAndOpenedAfterwards) {
  const String name = Name("mem");
  EXPECT_THROW(TNamedSharedMemory(name, 2048, nomOpenExisting), EOSError);
  auto* first = New<TNamedSharedMemory>(name, 2048);
  EXPECT_TRUE(first->Created());
  ASSERT_EQ(first->Size(), 2048u);
  const auto* bytes = static_cast<const char*>(first->Memory());
  EXPECT_EQ(std::count(bytes, bytes + 2048, 0), 2048) << "a new block is zeroed";

  auto* second = New<TNamedSharedMemory>(name, 16);
  EXPECT_FALSE(second->Created());
  EXPECT_EQ(second->Size(), 2048u) << "an opener gets the creator's size";
  std::strcpy(static_cast<char*>(first->Memory()), "hello");
  EXPECT_STREQ(static_cast<const char*>(second->Memory()), "hello");
  first->Free();
  second->Free();

  // Objects of another kind under the same name are refused.
  EXPECT_THROW(TNamedMutex(name, nomCreateOrOpen), EOSError);
}

TEST_F(NamedObjectsTest, TwoProcessesShareMemoryCountersAndEvents) {
  const String memName = Name("mem"), goName = Name("go"), doneName = Name("done");
  auto* mem = New<TNamedSharedMemory>(memName, 2048);
  auto* go = New<TNamedEvent>(goName, true, false);
  auto* done = New<TNamedEvent>(doneName, true, false);
  auto* counter = reinterpret_cast<int32_t*>(static_cast<char*>(mem->Memory()) + 2044);

  const pid_t child = Fork([&] {
    TNamedSharedMemory m(memName, 2048, nomOpenExisting);
    TNamedEvent g(goName, true, false, nomOpenExisting);
    TNamedEvent d(doneName, true, false, nomOpenExisting);
    if (g.WaitFor(5000) != wrSignaled) return 1;
    std::strcpy(static_cast<char*>(m.Memory()), "from the child");
    auto* c = reinterpret_cast<int32_t*>(static_cast<char*>(m.Memory()) + 2044);
    for (int i = 0; i < 20000; ++i) InterlockedIncrement(*c);
    d.SetEvent();
    return 0;
  });
  EXPECT_EQ(done->WaitFor(50), wrTimeout);
  go->SetEvent();
  for (int i = 0; i < 20000; ++i) InterlockedIncrement(*counter);
  EXPECT_EQ(done->WaitFor(5000), wrSignaled);
  EXPECT_EQ(Join(child), 0);
  EXPECT_STREQ(static_cast<const char*>(mem->Memory()), "from the child");
  EXPECT_EQ(*counter, 40000);
  mem->Free();
  go->Free();
  done->Free();
}

TEST_F(NamedObjectsTest, MutexOfADeadHolderIsAbandonedNotBlocking) {
  // The holder dies with its mutex object alive, or after freeing the object without releasing.
  for (bool freeObjectFirst : {false, true}) {
    const String mutexName = Name("mutex"), lockedName = Name("locked");
    auto* mutex = New<TNamedMutex>(mutexName);
    auto* locked = New<TNamedEvent>(lockedName, true, false);
    const pid_t child = Fork([&] {
      auto* m = New<TNamedMutex>(mutexName, nomOpenExisting);
      TNamedEvent l(lockedName, true, false, nomOpenExisting);
      if (m->WaitFor(INFINITE) != wrSignaled) return 1;
      if (freeObjectFirst) m->Free();
      l.SetEvent();
      ::_exit(0);  // dies holding the mutex
    });
    ASSERT_EQ(locked->WaitFor(5000), wrSignaled);
    EXPECT_EQ(Join(child), 0);
    EXPECT_EQ(mutex->WaitFor(2000), wrAbandoned) << freeObjectFirst;
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(mutex->WaitFor(0), wrSignaled) << "usable again after recovery";
    EXPECT_TRUE(mutex->Release());
    mutex->Free();
    locked->Free();
  }
}

TEST_F(NamedObjectsTest, MutexWaitTimesOutWhileAnotherProcessHoldsIt) {
  const String mutexName = Name("mutex"), lockedName = Name("locked"), releaseName = Name("release");
  auto* mutex = New<TNamedMutex>(mutexName);
  auto* locked = New<TNamedEvent>(lockedName, true, false);
  auto* release = New<TNamedEvent>(releaseName, true, false);
  const pid_t child = Fork([&] {
    TNamedMutex m(mutexName, nomOpenExisting);
    TNamedEvent l(lockedName, true, false, nomOpenExisting);
    TNamedEvent r(releaseName, true, false, nomOpenExisting);
    if (m.WaitFor(INFINITE) != wrSignaled) return 1;
    l.SetEvent();
    if (r.WaitFor(5000) != wrSignaled) return 2;
    return m.Release() ? 0 : 3;
  });
  ASSERT_EQ(locked->WaitFor(5000), wrSignaled);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mutex->WaitFor(60), wrTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  EXPECT_EQ(mutex->WaitFor(0), wrTimeout);
  release->SetEvent();
  EXPECT_EQ(mutex->WaitFor(5000), wrSignaled);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(Join(child), 0);
  mutex->Free();
  locked->Free();
  release->Free();
}

TEST_F(NamedObjectsTest, MutexIsRecursiveForItsOwner) {
  TNamedMutex mutex(Name("mutex"));
  EXPECT_EQ(mutex.WaitFor(), wrSignaled);
  EXPECT_EQ(mutex.WaitFor(0), wrSignaled);
  bool otherGot = true;
  std::thread other([&] { otherGot = mutex.WaitFor(0) != wrTimeout; });
  other.join();
  EXPECT_FALSE(otherGot);
  EXPECT_TRUE(mutex.Release());
  EXPECT_TRUE(mutex.Release());
  EXPECT_FALSE(mutex.Release()) << "not owned any more";
}

TEST_F(NamedObjectsTest, EventsKeepTheCreatorsResetKindAndState) {
  struct Case {
    bool manual, initial;
    TWaitResult first, second;
  } cases[] = {
      {true, true, wrSignaled, wrSignaled},
      {true, false, wrTimeout, wrTimeout},
      {false, true, wrSignaled, wrTimeout},
      {false, false, wrTimeout, wrTimeout},
  };
  for (const Case& c : cases) {
    const String name = Name("event");
    TNamedEvent creator(name, c.manual, c.initial);
    TNamedEvent opener(name, !c.manual, !c.initial);  // ignored: the event exists
    EXPECT_TRUE(creator.Created());
    EXPECT_FALSE(opener.Created());
    EXPECT_EQ(opener.ManualReset(), c.manual);
    EXPECT_EQ(opener.WaitFor(0), c.first);
    EXPECT_EQ(creator.WaitFor(0), c.second);
    opener.SetEvent();
    EXPECT_EQ(creator.WaitFor(0), wrSignaled);
    creator.ResetEvent();
    EXPECT_EQ(opener.WaitFor(0), wrTimeout);
  }
}

TEST_F(NamedObjectsTest, EventWaitTimesOutOrWakesOnSetFromAnotherProcess) {
  const String name = Name("event");
  TNamedEvent e(name, false, false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(e.WaitFor(50), wrTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  const pid_t child = Fork([&] {
    TNamedEvent other(name, false, false, nomOpenExisting);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    other.SetEvent();
    return 0;
  });
  EXPECT_EQ(e.WaitFor(5000), wrSignaled);
  EXPECT_EQ(e.WaitFor(0), wrTimeout) << "auto reset";
  EXPECT_EQ(Join(child), 0);
}

}  // namespace
