#include "rtl/Threads.h"

#include <unistd.h>

#include <chrono>
#include <deque>
#include <memory>

namespace {

thread_local TThread* tCurrentThread = nullptr;

struct SyncItem {
  TThread* Thread = nullptr;
  TThreadMethod Method;
  bool Synchronous = false;
  bool Done = false;
  std::exception_ptr Error;
};

// The main thread's work queue. Never destroyed: threads may still hand work over while the program
// ends, and a destroyed queue would be worse than an unrun call.
struct MainQueue {
  std::mutex Mutex;
  std::condition_variable Arrived;  // work arrived or a thread finished
  std::condition_variable Done;     // a synchronous call finished
  std::deque<SyncItem*> Items;
  uint64_t WakeCount = 0;
  TNotifyEvent Wake;
};

MainQueue& Q() {
  static MainQueue* q = new MainQueue();
  return *q;
}

void Hand(SyncItem* item) {
  MainQueue& q = Q();
  TNotifyEvent wake;
  {
    std::lock_guard<std::mutex> lock(q.Mutex);
    q.Items.push_back(item);
    ++q.WakeCount;
    wake = q.Wake;
  }
  q.Arrived.notify_all();
  if (wake) wake(item->Thread);
}

void NotifyThreadFinished() {
  MainQueue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.Mutex);
    ++q.WakeCount;
  }
  q.Arrived.notify_all();
}

uint64_t WakeCount() {
  std::lock_guard<std::mutex> lock(Q().Mutex);
  return Q().WakeCount;
}

// Waits until work waits or the wake count moves past seen (or the time runs out), then runs the work
// that was waiting when the wait ended.
bool DrainQueue(uint64_t seen, uint32_t timeoutMs) {
  MainQueue& q = Q();
  size_t count;
  {
    std::unique_lock<std::mutex> lock(q.Mutex);
    auto ready = [&] { return !q.Items.empty() || q.WakeCount != seen; };
    if (timeoutMs == INFINITE)
      q.Arrived.wait(lock, ready);
    else if (timeoutMs > 0)
      q.Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    count = q.Items.size();
  }
  bool ran = false;
  for (; count > 0; --count) {
    SyncItem* item;
    {
      std::lock_guard<std::mutex> lock(q.Mutex);
      if (q.Items.empty()) break;
      item = q.Items.front();
      q.Items.pop_front();
    }
    ran = true;
    if (item->Synchronous) {
      try {
        item->Method();
      } catch (...) {
        item->Error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(q.Mutex);
        item->Done = true;
      }
      q.Done.notify_all();
    } else {
      std::unique_ptr<SyncItem> owned(item);
      owned->Method();
    }
  }
  return ran;
}

}  // namespace

// Not cached per thread: a forked child's first thread inherits the parent's thread-local values.
TThreadID CurrentThreadID() { return static_cast<TThreadID>(::gettid()); }

// The program's first thread has the process's id; after a fork the child's first thread has the
// child's id, which keeps a forked test's main thread the main thread.
TThreadID MainThreadID() { return static_cast<TThreadID>(::getpid()); }

bool IsMainThread() { return CurrentThreadID() == MainThreadID(); }

bool CheckSynchronize(uint32_t timeoutMs) {
  if (!IsMainThread())
    throw EThread("CheckSynchronize called from thread " + std::to_string(CurrentThreadID()) +
                  ", which is NOT the main thread");
  return DrainQueue(WakeCount(), timeoutMs);
}

void SetWakeMainThread(const TNotifyEvent& handler) {
  std::lock_guard<std::mutex> lock(Q().Mutex);
  Q().Wake = handler;
}

// ---------------------------------------------------------------------------------------------------

TThread::TThread(bool createSuspended) : FCreateSuspended(createSuspended) { RequireNewAndFree(); }

TThread::~TThread() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id()) {
      FThread.detach();  // freed by its own thread (FreeOnTerminate)
    } else {
      if (!FFinished) {
        Terminate();
        WaitFor();
      }
      FThread.join();
    }
  }
  RemoveQueuedEvents(this);
}

void TThread::AfterConstruction() {
  inherited::AfterConstruction();
  if (!FCreateSuspended) Start();
}

namespace {
// Start waits on this until the new thread has published its id; shared, because either side may be
// the last to let go of it.
struct StartSignal {
  std::mutex Mutex;
  std::condition_variable Cond;
  bool Done = false;
};
}  // namespace

void TThread::Start() {
  auto signal = std::make_shared<StartSignal>();
  {
    std::lock_guard<std::mutex> lock(FStateMutex);
    if (FStarted || FFinished) throw EThread("Cannot call Start on a running or terminated thread");
    FStarted = true;
    FThread = std::thread([this, signal] {
      {
        // Held by Start until FThread is assigned: a thread that frees itself must not get ahead of it.
        std::lock_guard<std::mutex> lock(FStateMutex);
      }
      FThreadID = CurrentThreadID();
      {
        std::lock_guard<std::mutex> lock(signal->Mutex);
        signal->Done = true;
      }
      signal->Cond.notify_all();
      Run();
    });
  }
  // Only the signal is touched from here on: the thread may already have finished and freed itself.
  std::unique_lock<std::mutex> lock(signal->Mutex);
  signal->Cond.wait(lock, [&] { return signal->Done; });
}

void TThread::Terminate() { FTerminated = true; }

void TThread::Run() {
  tCurrentThread = this;
  try {
    if (!Terminated()) Execute();
  } catch (...) {
    FFatalException = std::current_exception();
  }
  const bool freeIt = FFreeOnTerminate;
  try {
    DoTerminate();
  } catch (...) {
    if (!FFatalException) FFatalException = std::current_exception();
  }
  tCurrentThread = nullptr;
  {
    // Notified under the lock: once it is released a waiter may free this object.
    std::lock_guard<std::mutex> lock(FStateMutex);
    FFinished = true;
    FStateCond.notify_all();
  }
  NotifyThreadFinished();
  if (freeIt) Free();
}

void TThread::DoTerminate() {
  if (FOnTerminate) Synchronize(TThreadMethod(this, &TThread::CallOnTerminateNoArg));
}

void TThread::CallOnTerminateNoArg() { FOnTerminate(this); }

int32_t TThread::WaitFor() {
  {
    std::lock_guard<std::mutex> lock(FStateMutex);
    if (!FStarted) throw EThread("Cannot wait for a thread that was not started");
  }
  if (FThread.get_id() == std::this_thread::get_id()) throw EThread("A thread cannot wait for itself");
  if (IsMainThread()) {
    // Keep serving the queue: the thread may be inside Synchronize, or firing OnTerminate.
    for (;;) {
      const uint64_t seen = WakeCount();
      if (FFinished) break;
      DrainQueue(seen, 1000);
    }
  } else {
    std::unique_lock<std::mutex> lock(FStateMutex);
    FStateCond.wait(lock, [this] { return FFinished.load(); });
  }
  return FReturnValue;
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  SyncItem item;
  item.Thread = thread;
  item.Method = method;
  item.Synchronous = true;
  Hand(&item);
  MainQueue& q = Q();
  {
    std::unique_lock<std::mutex> lock(q.Mutex);
    q.Done.wait(lock, [&] { return item.Done; });
  }
  if (item.Error) std::rethrow_exception(item.Error);
}

void TThread::Queue(TThread* thread, const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  auto item = std::make_unique<SyncItem>();
  item->Thread = thread;
  item->Method = method;
  Hand(item.release());
}

void TThread::RemoveQueuedEvents(TThread* thread) {
  MainQueue& q = Q();
  std::lock_guard<std::mutex> lock(q.Mutex);
  for (auto it = q.Items.begin(); it != q.Items.end();) {
    SyncItem* item = *it;
    if (item->Thread == thread && !item->Synchronous) {
      delete item;
      it = q.Items.erase(it);
    } else {
      ++it;
    }
  }
}

TThread* TThread::CurrentThread() { return tCurrentThread; }
