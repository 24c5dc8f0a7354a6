#pragma once
// Named objects shared between processes: a block of shared memory, a mutex and events, found by name
// by every process of the machine (the trace channel to an external monitor is built on them).
//
// Each object lives in its own POSIX shared-memory object named after the platform name (see
// SharedObjectName). Unlike the platform's objects, they outlive the last process that had them open
// until Unlink removes them; a later process then opens what was left, which the robust mutex and the
// events keep usable. Creation races are settled by an exclusive create and a ready flag that openers
// wait for.

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <memory>

#include "rtl/SyncObjs.h"
#include "rtl/System.h"

enum TNamedOpenMode {
  nomCreateOrOpen,  // create it, or open it when another process already did (Created tells which)
  nomOpenExisting   // open only; fails with EOSError (ENOENT) when it does not exist
};

// "ZAZ.SQL.MONITOR.SharedMem" -> "/vorn.ZAZ.SQL.MONITOR.SharedMem". Characters other than letters,
// digits, ".", "_" and "-" become "_", and then a hash of the original name is appended so that two
// names never meet; overlong names are shortened the same way.
String SharedObjectName(const String& name);

namespace rtl_detail {
struct SharedRegion;
}

class TNamedSharedMemory : public TObject {
  RTL_CLASS(TNamedSharedMemory, TObject)
public:
  // A new block is filled with zeros. An opened block keeps the size its creator gave it.
  TNamedSharedMemory(const String& name, size_t size, TNamedOpenMode mode = nomCreateOrOpen);
  ~TNamedSharedMemory() override;

  void* Memory() const;
  size_t Size() const;
  bool Created() const;
  const String& Name() const { return FName; }
  // Removes the name; processes that have it open keep their mapping.
  static bool Unlink(const String& name);

private:
  String FName;
  std::unique_ptr<rtl_detail::SharedRegion> FRegion;
};

// A recursive mutex owned by a thread, as the platform's: the owner may take it again and releases it as
// often as it took it. When its owner dies holding it, the next waiter gets it with wrAbandoned.
class TNamedMutex : public TObject {
  RTL_CLASS(TNamedMutex, TObject)
public:
  explicit TNamedMutex(const String& name, TNamedOpenMode mode = nomCreateOrOpen);
  ~TNamedMutex() override;

  // wrSignaled or wrAbandoned: the caller owns the mutex. wrTimeout: it does not.
  TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);
  // False when the calling thread does not own it.
  bool Release();
  bool Created() const;
  const String& Name() const { return FName; }
  static bool Unlink(const String& name);

private:
  String FName;
  std::unique_ptr<rtl_detail::SharedRegion> FRegion;
  std::atomic<int32_t> FHeld{0};  // holds taken through this object and not yet released
};

// A manual-reset or auto-reset event. The reset kind and initial state count only for the process that
// creates it; an opener gets the event as it is.
class TNamedEvent : public TObject {
  RTL_CLASS(TNamedEvent, TObject)
public:
  TNamedEvent(const String& name, bool manualReset, bool initialState, TNamedOpenMode mode = nomCreateOrOpen);
  ~TNamedEvent() override;

  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);
  bool ManualReset() const;
  bool Created() const;
  const String& Name() const { return FName; }
  static bool Unlink(const String& name);

private:
  String FName;
  std::unique_ptr<rtl_detail::SharedRegion> FRegion;
};
