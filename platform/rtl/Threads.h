#pragma once
// TThread and the main thread's work queue. Work handed to the main thread (Synchronize, Queue, the
// OnTerminate event) waits in one process-wide queue until the main thread drains it with
// CheckSynchronize; the message loop does that whenever it is woken, tests call it directly.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

#include "rtl/Events.h"
#include "rtl/SyncObjs.h"
#include "rtl/System.h"

using TThreadID = uint64_t;  // the kernel's thread id
using TThreadMethod = Event<>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

RTL_EXCEPTION(EThread, Exception)

// The id of the calling thread and of the thread that started the program.
TThreadID CurrentThreadID();
TThreadID MainThreadID();
bool IsMainThread();

class TThread : public TObject {
  RTL_CLASS(TThread, TObject)
public:
  // A thread created suspended waits for Start; otherwise it starts right after construction
  // (in AfterConstruction, so that Execute reaches the final class).
  explicit TThread(bool createSuspended = false);
  ~TThread() override;
  void AfterConstruction() override;

  void Start();
  void Resume() { Start(); }
  // Asks Execute to finish; Execute polls Terminated.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  // Waits until Execute has returned and gives ReturnValue. On the main thread it keeps draining the
  // main-thread queue meanwhile, so a thread inside Synchronize can finish.
  int32_t WaitFor();

  bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
  void SetFreeOnTerminate(bool v) { FFreeOnTerminate = v; }
  // Runs on the main thread after Execute, with the thread as sender.
  const TNotifyEvent& OnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(const TNotifyEvent& v) { FOnTerminate = v; }
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority v) { FPriority = v; }  // kept, not applied: all threads run alike
  TThreadID ThreadID() const { return FThreadID.load(); }
  bool Suspended() const { return !FStarted; }
  bool Finished() const { return FFinished.load(); }
  int32_t ReturnValue() const { return FReturnValue; }
  // The exception that escaped Execute, if any; WaitFor does not rethrow it.
  std::exception_ptr FatalException() const { return FFatalException; }

  // Runs method on the main thread and waits for it; an exception it throws comes back to the caller.
  // On the main thread it runs at once. The thread argument may be null (any thread may call it).
  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // Hands method to the main thread without waiting; on the main thread it runs at once.
  static void Queue(TThread* thread, const TThreadMethod& method);
  // Drops the queued (not yet started) calls that a thread handed over.
  static void RemoveQueuedEvents(TThread* thread);
  // The TThread whose Execute runs on the calling thread, or null.
  static TThread* CurrentThread();

protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  void Queue(const TThreadMethod& method) { Queue(this, method); }
  void SetReturnValue(int32_t v) { FReturnValue = v; }

private:
  void Run();
  void CallOnTerminateNoArg();

  std::thread FThread;
  std::mutex FStateMutex;
  std::condition_variable FStateCond;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<TThreadID> FThreadID{0};
  bool FCreateSuspended;
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FFreeOnTerminate{false};
  TThreadPriority FPriority = tpNormal;
  int32_t FReturnValue = 0;
  TNotifyEvent FOnTerminate;
  std::exception_ptr FFatalException;
};

// Runs the calls waiting for the main thread, waiting up to timeoutMs for the first one when none
// waits. Returns whether any ran. Only the main thread may call it. An exception thrown by a queued
// call leaves here (a synchronized call's exception goes back to its own thread instead).
bool CheckSynchronize(uint32_t timeoutMs = 0);

// Called (on the handing thread) whenever work is handed to the main thread, so that a message loop
// blocked in its wait can wake up and call CheckSynchronize. Sender is the handing TThread or null.
void SetWakeMainThread(const TNotifyEvent& handler);
