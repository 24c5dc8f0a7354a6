#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "rtl/SyncObjs.h"
#include "rtl/Threads.h"

namespace {

// A thread whose Execute is a function given by the test.
class TFuncThread : public TThread {
  RTL_CLASS(TFuncThread, TThread)
public:
  TFuncThread(bool suspended, std::function<void(TFuncThread&)> body) : TThread(suspended), FBody(std::move(body)) {}
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;

protected:
  void Execute() override { FBody(*this); }

private:
  std::function<void(TFuncThread&)> FBody;
};

// Drains the main-thread queue until pred holds (or five seconds pass).
template <class Pred>
bool PumpUntil(Pred pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    CheckSynchronize(10);
  }
  return true;
}

TEST(TThread, RunsExecuteAndWaitForGivesTheReturnValue) {
  std::atomic<TThreadID> ran{0};
  auto* t = New<TFuncThread>(false, [&](TFuncThread& self) {
    ran = CurrentThreadID();
    self.SetReturnValue(42);
  });
  EXPECT_NE(t->ThreadID(), 0u) << "known as soon as the thread is started";
  EXPECT_EQ(t->WaitFor(), 42);
  EXPECT_TRUE(t->Finished());
  EXPECT_NE(ran.load(), MainThreadID());
  EXPECT_EQ(ran.load(), t->ThreadID());
  t->Free();
}

TEST(TThread, SuspendedThreadWaitsForStartAndCannotStartTwice) {
  std::atomic<bool> ran{false};
  auto* t = New<TFuncThread>(true, [&](TFuncThread&) { ran = true; });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(t->Suspended());
  t->Start();
  t->WaitFor();
  EXPECT_TRUE(ran.load());
  EXPECT_THROW(t->Start(), EThread);
  t->Free();
}

TEST(TThread, SynchronizeRunsOnTheMainThreadThroughCheckSynchronize) {
  EXPECT_TRUE(IsMainThread());
  std::atomic<TThreadID> ranOn{0};
  std::atomic<bool> returned{false};
  auto* t = New<TFuncThread>(false, [&](TFuncThread& self) {
    self.Synchronize(TThreadMethod([&] { ranOn = CurrentThreadID(); }));
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(returned.load()) << "Synchronize waits for the main thread";
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  EXPECT_EQ(ranOn.load(), MainThreadID());
  t->WaitFor();
  t->Free();
}

TEST(TThread, ExceptionInSynchronizedCodeReturnsToTheCallingThread) {
  String caught;
  auto* t = New<TFuncThread>(false, [&](TFuncThread& self) {
    try {
      self.Synchronize(TThreadMethod([] { throw EConvertError("bad value"); }));
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
  });
  t->WaitFor();  // serves the queue while it waits
  EXPECT_EQ(caught, "bad value");
  t->Free();
}

TEST(TThread, SynchronizeAndQueueOnTheMainThreadRunAtOnce) {
  int calls = 0;
  TThread::Synchronize(nullptr, TThreadMethod([&] { ++calls; }));
  TThread::Queue(nullptr, TThreadMethod([&] { ++calls; }));
  EXPECT_EQ(calls, 2);
}

TEST(TThread, QueuedCallsDoNotBlockAndRunInOrder) {
  std::vector<int> order;
  auto* t = New<TFuncThread>(false, [&](TFuncThread& self) {
    for (int i = 0; i < 3; ++i) self.Queue(TThreadMethod([&order, i] { order.push_back(i); }));
  });
  // WaitFor on another thread would not serve the queue; finish first, then drain.
  std::thread waiter([t] { t->WaitFor(); });
  waiter.join();
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(CheckSynchronize());
  t->Free();
}

std::atomic<bool> gSelfFreeingDestroyed{false};

class TSelfFreeing : public TThread {
  RTL_CLASS(TSelfFreeing, TThread)
public:
  TSelfFreeing() : TThread(true) { SetFreeOnTerminate(true); }
  ~TSelfFreeing() override { gSelfFreeingDestroyed = true; }

protected:
  void Execute() override {}
};

TEST(TThread, FreeOnTerminateFreesItselfAfterOnTerminateRanOnTheMainThread) {
  gSelfFreeingDestroyed = false;
  TThreadID terminateOn = 0;
  TObject* sender = nullptr;
  auto* t = New<TSelfFreeing>();
  t->SetOnTerminate(TNotifyEvent([&](TObject* s) {
    terminateOn = CurrentThreadID();
    sender = s;
  }));
  t->Start();
  EXPECT_TRUE(PumpUntil([&] { return gSelfFreeingDestroyed.load(); }));
  EXPECT_EQ(terminateOn, MainThreadID());
  EXPECT_EQ(sender, static_cast<TObject*>(t));
}

TEST(TThread, FreeingARunningThreadTerminatesAndWaits) {
  std::atomic<int> loops{0};
  auto* t = New<TFuncThread>(false, [&](TFuncThread& self) {
    while (!self.Terminated()) {
      ++loops;
      Sleep(1);
    }
  });
  EXPECT_TRUE(PumpUntil([&] { return loops.load() > 0; }));
  t->Free();
  const int after = loops.load();
  Sleep(10);
  EXPECT_EQ(loops.load(), after);
}

TEST(TThread, ExceptionEscapingExecuteIsKeptAsFatalException) {
  auto* t = New<TFuncThread>(false, [](TFuncThread&) { throw EAbort("stop"); });
  t->WaitFor();
  ASSERT_TRUE(t->FatalException());
  EXPECT_THROW(std::rethrow_exception(t->FatalException()), EAbort);
  t->Free();
}

TEST(CheckSynchronize, RefusesOtherThreadsAndWakesTheMainLoop) {
  bool threw = false;
  std::thread other([&] {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      threw = true;
    }
  });
  other.join();
  EXPECT_TRUE(threw);

  std::atomic<int> wakes{0};
  SetWakeMainThread(TNotifyEvent([&](TObject*) { ++wakes; }));
  std::thread queuer([] { TThread::Queue(nullptr, TThreadMethod([] {})); });
  queuer.join();
  SetWakeMainThread(TNotifyEvent());
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_TRUE(CheckSynchronize());
}

}  // namespace
