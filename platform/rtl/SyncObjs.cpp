#include "rtl/SyncObjs.h"

#include <chrono>

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FSignaled = true;
  }
  // Every waiter wakes; with auto reset the first one to retake the lock consumes the signal and the
  // others go back to waiting.
  FCond.notify_all();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> lock(FMutex);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(FMutex);
  auto ready = [this] { return FSignaled; };
  if (timeoutMs == INFINITE) {
    FCond.wait(lock, ready);
  } else if (!FCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return wrTimeout;
  }
  if (!FManualReset) FSignaled = false;
  return wrSignaled;
}

// ---------------------------------------------------------------------------------------------------

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const auto self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(FMutex);
  auto it = FReaders.find(self);
  // A nested read and a read by the writer never wait: waiting would deadlock against ourselves.
  if ((it != FReaders.end() && it->second > 0) || FWriter == self) {
    ++FReaders[self];
    return;
  }
  FCond.wait(lock, [this] { return FWriteDepth == 0 && FWaitingWriters == 0; });
  ++FReaders[self];
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  const auto self = std::this_thread::get_id();
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    auto it = FReaders.find(self);
    if (it == FReaders.end()) return;
    if (--it->second <= 0) {
      FReaders.erase(it);
      wake = true;
    }
  }
  if (wake) FCond.notify_all();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const auto self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(FMutex);
  if (FWriter == self) {
    ++FWriteDepth;
    return true;
  }
  const uint32_t revision = FRevision;
  // A reading thread sets its reads aside while it waits, so that two readers asking to write at the
  // same time do not wait for each other.
  int32_t ownReads = 0;
  auto it = FReaders.find(self);
  if (it != FReaders.end()) {
    ownReads = it->second;
    FReaders.erase(it);
    FCond.notify_all();
  }
  ++FWaitingWriters;
  FCond.wait(lock, [this] { return FWriteDepth == 0 && FReaders.empty(); });
  --FWaitingWriters;
  FWriter = self;
  FWriteDepth = 1;
  if (ownReads > 0) FReaders[self] = ownReads;
  return FRevision == revision;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  const auto self = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FWriter != self || FWriteDepth == 0) return;
    if (--FWriteDepth > 0) return;
    FWriter = std::thread::id();
    ++FRevision;
  }
  FCond.notify_all();
}

uint32_t TMultiReadExclusiveWriteSynchronizer::RevisionLevel() {
  std::lock_guard<std::mutex> lock(FMutex);
  return FRevision;
}

// ---------------------------------------------------------------------------------------------------

int32_t InterlockedIncrement(int32_t& target) { return __atomic_add_fetch(&target, 1, __ATOMIC_SEQ_CST); }
int32_t InterlockedDecrement(int32_t& target) { return __atomic_sub_fetch(&target, 1, __ATOMIC_SEQ_CST); }
int32_t InterlockedExchange(int32_t& target, int32_t value) {
  return __atomic_exchange_n(&target, value, __ATOMIC_SEQ_CST);
}
int32_t InterlockedExchangeAdd(int32_t& target, int32_t value) {
  return __atomic_fetch_add(&target, value, __ATOMIC_SEQ_CST);
}
int32_t InterlockedCompareExchange(int32_t& target, int32_t exchange, int32_t comparand) {
  __atomic_compare_exchange_n(&target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

void Sleep(uint32_t ms) {
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
