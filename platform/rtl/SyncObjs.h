#pragma once
// Locks and events for the threads of one process: a re-entrant critical section, manual- and auto-reset
// events with timed waits, the multi-reader/exclusive-writer synchronizer, interlocked 32-bit operations
// and Sleep. The named, cross-process counterparts live in rtl/NamedObjects.h.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "rtl/System.h"

// "Wait without a time limit", as the platform spells it. Defined as the same macro the window layer
// would use, so that both may be included together.
#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

RTL_EXCEPTION(ESyncObjectException, Exception)

class TSynchroObject : public TObject {
  RTL_CLASS(TSynchroObject, TObject)
public:
  virtual void Acquire() {}
  virtual void Release() {}
};

// Re-entrant: the owning thread may enter again; each Enter needs its Leave.
class TCriticalSection : public TSynchroObject {
  RTL_CLASS(TCriticalSection, TSynchroObject)
public:
  void Acquire() override { FMutex.lock(); }
  void Release() override { FMutex.unlock(); }
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }

private:
  std::recursive_mutex FMutex;
};

// An event of this process. Manual reset: stays signalled until ResetEvent, releasing every waiter.
// Auto reset: one successful wait consumes the signal.
class TEvent : public TSynchroObject {
  RTL_CLASS(TEvent, TSynchroObject)
public:
  // The platform's parameterless event: manual reset, initially not signalled.
  TEvent() = default;
  TEvent(bool manualReset, bool initialState) : FManualReset(manualReset), FSignaled(initialState) {}

  void SetEvent();
  void ResetEvent();
  // Waits up to timeoutMs milliseconds (INFINITE: no limit); 0 only tests the state.
  TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);
  bool ManualReset() const { return FManualReset; }

private:
  std::mutex FMutex;
  std::condition_variable FCond;
  bool FManualReset = true;
  bool FSignaled = false;
};

class TSimpleEvent : public TEvent {
  RTL_CLASS(TSimpleEvent, TEvent)
public:
  TSimpleEvent() : TEvent(true, false) {}
};

// Many readers or one writer. The writer may enter again and may read while writing; a reader may nest
// its reads even while a writer waits. A reader that asks to write gives up its reads while it waits;
// BeginWrite then returns false when another writer got in between (the protected data may have changed).
// New readers wait while a writer waits, so writers are not starved.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  RTL_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)
public:
  void BeginRead();
  void EndRead();
  bool BeginWrite();
  void EndWrite();
  // The number of completed write sections so far.
  uint32_t RevisionLevel();

private:
  std::mutex FMutex;
  std::condition_variable FCond;
  std::unordered_map<std::thread::id, int32_t> FReaders;  // read depth per reading thread
  std::thread::id FWriter;
  int32_t FWriteDepth = 0;
  int32_t FWaitingWriters = 0;
  uint32_t FRevision = 0;
};
using TMREWSync = TMultiReadExclusiveWriteSynchronizer;

// Atomic operations on a 32-bit integer; they work on integers in memory shared between processes too.
// Increment and Decrement return the new value; Exchange and CompareExchange the previous one.
int32_t InterlockedIncrement(int32_t& target);
int32_t InterlockedDecrement(int32_t& target);
int32_t InterlockedExchange(int32_t& target, int32_t value);
int32_t InterlockedExchangeAdd(int32_t& target, int32_t value);
int32_t InterlockedCompareExchange(int32_t& target, int32_t exchange, int32_t comparand);

// Suspends the calling thread for ms milliseconds; Sleep(0) yields.
void Sleep(uint32_t ms);
