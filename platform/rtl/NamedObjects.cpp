#include "rtl/NamedObjects.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace {

constexpr uint32_t kReady = 0x4E524F56;  // written last by the creator
enum : uint32_t { kindMemory = 1, kindMutex = 2, kindEvent = 3 };

struct RegionHeader {
  uint32_t Ready;
  uint32_t Kind;
  uint64_t DataSize;
  uint8_t Reserved[48];
};
static_assert(sizeof(RegionHeader) == 64, "the data starts on a cache line");

struct EventData {
  uint32_t State;  // 1 signalled; the futex word
  uint32_t ManualReset;
};

String Hex64(uint64_t v) {
  static const char digits[] = "0123456789abcdef";
  String r(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) r[static_cast<size_t>(i)] = digits[v & 0xF];
  return r;
}

timespec DeadlineAfter(uint32_t ms) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  ts.tv_sec += ms / 1000;
  ts.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (ts.tv_nsec >= 1000000000L) {
    ts.tv_sec += 1;
    ts.tv_nsec -= 1000000000L;
  }
  return ts;
}

[[noreturn]] void Fail(const String& what, const String& name, int err) {
  throw EOSError(what + " '" + name + "': " + std::strerror(err), err);
}

}  // namespace

String SharedObjectName(const String& name) {
  String body;
  bool changed = false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '_' || c == '-';
    body += ok ? c : '_';
    changed |= !ok;
  }
  if (body.size() > 200) {
    body.resize(180);
    changed = true;
  }
  if (changed || body.empty()) {
    uint64_t h = 1469598103934665603ULL;  // FNV-1a of the original name
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ULL;
    body += "-" + Hex64(h);
  }
  return "/vorn." + body;
}

namespace rtl_detail {

// One shared-memory object: a header, then the kind's data.
struct SharedRegion {
  void* Base = nullptr;
  size_t MappedSize = 0;
  bool Created = false;
  bool KeepMapped = false;

  RegionHeader* Header() const { return static_cast<RegionHeader*>(Base); }
  void* Data() const { return static_cast<char*>(Base) + sizeof(RegionHeader); }
  size_t DataSize() const { return MappedSize - sizeof(RegionHeader); }

  ~SharedRegion() {
    if (Base && !KeepMapped) ::munmap(Base, MappedSize);
  }

  template <class Init>
  void Open(const String& name, uint32_t kind, size_t dataSize, TNamedOpenMode mode, Init init) {
    const String shm = SharedObjectName(name);
    for (int attempt = 0; attempt < 100; ++attempt) {
      if (mode == nomCreateOrOpen) {
        const int fd = ::shm_open(shm.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
          try {
            CreateIn(fd, name, kind, dataSize, init);
          } catch (...) {
            ::shm_unlink(shm.c_str());  // never leave a half-made object for openers to wait on
            throw;
          }
          return;
        }
        if (errno != EEXIST) Fail("Cannot create shared object", name, errno);
      }
      const int fd = ::shm_open(shm.c_str(), O_RDWR | O_CLOEXEC, 0);
      if (fd >= 0) {
        OpenIn(fd, name, kind);
        return;
      }
      // Gone between our create and open (its owner removed it): try again.
      if (errno != ENOENT || mode == nomOpenExisting) Fail("Cannot open shared object", name, errno);
    }
    Fail("Cannot create shared object", name, EAGAIN);
  }

  template <class Init>
  void CreateIn(int fd, const String& name, uint32_t kind, size_t dataSize, Init init) {
    ::fchmod(fd, 0666);  // every account may open it, whatever the umask
    MappedSize = sizeof(RegionHeader) + dataSize;
    if (::ftruncate(fd, static_cast<off_t>(MappedSize)) != 0) {
      const int err = errno;
      ::close(fd);
      Fail("Cannot size shared object", name, err);
    }
    Map(fd, name);
    Header()->Kind = kind;
    Header()->DataSize = dataSize;
    init(Data());
    __atomic_store_n(&Header()->Ready, kReady, __ATOMIC_RELEASE);
    Created = true;
  }

  void OpenIn(int fd, const String& name, uint32_t kind) {
    // The creator may still be sizing and initialising it; give it two seconds.
    struct stat st;
    for (int waited = 0;; ++waited) {
      if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Cannot open shared object", name, err);
      }
      if (static_cast<size_t>(st.st_size) >= sizeof(RegionHeader)) break;
      if (waited >= 2000) {
        ::close(fd);
        Fail("Shared object was never initialised", name, ETIMEDOUT);
      }
      ::usleep(1000);
    }
    MappedSize = static_cast<size_t>(st.st_size);
    Map(fd, name);
    for (int waited = 0; __atomic_load_n(&Header()->Ready, __ATOMIC_ACQUIRE) != kReady; ++waited) {
      if (waited >= 2000) Fail("Shared object was never initialised", name, ETIMEDOUT);
      ::usleep(1000);
    }
    if (Header()->Kind != kind) Fail("A shared object of another kind has the name", name, EINVAL);
  }

  void Map(int fd, const String& name) {
    void* p = ::mmap(nullptr, MappedSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int err = errno;
    ::close(fd);
    if (p == MAP_FAILED) Fail("Cannot map shared object", name, err);
    Base = p;
  }
};

}  // namespace rtl_detail

using rtl_detail::SharedRegion;

namespace {
bool UnlinkShared(const String& name) { return ::shm_unlink(SharedObjectName(name).c_str()) == 0; }
}  // namespace

// --- shared memory ---------------------------------------------------------------------------------

TNamedSharedMemory::TNamedSharedMemory(const String& name, size_t size, TNamedOpenMode mode)
    : FName(name), FRegion(std::make_unique<SharedRegion>()) {
  FRegion->Open(name, kindMemory, size, mode, [](void*) {});
}

TNamedSharedMemory::~TNamedSharedMemory() = default;
void* TNamedSharedMemory::Memory() const { return FRegion->Data(); }
size_t TNamedSharedMemory::Size() const { return FRegion->DataSize(); }
bool TNamedSharedMemory::Created() const { return FRegion->Created; }
bool TNamedSharedMemory::Unlink(const String& name) { return UnlinkShared(name); }

// --- mutex -----------------------------------------------------------------------------------------

TNamedMutex::TNamedMutex(const String& name, TNamedOpenMode mode)
    : FName(name), FRegion(std::make_unique<SharedRegion>()) {
  FRegion->Open(name, kindMutex, sizeof(pthread_mutex_t), mode, [&](void* data) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    const int r = pthread_mutex_init(static_cast<pthread_mutex_t*>(data), &attr);
    pthread_mutexattr_destroy(&attr);
    if (r != 0) Fail("Cannot create mutex", name, r);
  });
}

// A mutex still held when its object goes keeps its mapping: the system can then still hand it on as
// abandoned when the holding thread ends, instead of leaving it locked for good.
TNamedMutex::~TNamedMutex() {
  if (FHeld.load() > 0) FRegion->KeepMapped = true;
}

TWaitResult TNamedMutex::WaitFor(uint32_t timeoutMs) {
  auto* m = static_cast<pthread_mutex_t*>(FRegion->Data());
  int r;
  if (timeoutMs == INFINITE) {
    r = pthread_mutex_lock(m);
  } else if (timeoutMs == 0) {
    r = pthread_mutex_trylock(m);
    if (r == EBUSY) r = ETIMEDOUT;
  } else {
    const timespec deadline = DeadlineAfter(timeoutMs);
    r = pthread_mutex_clocklock(m, CLOCK_MONOTONIC, &deadline);
  }
  switch (r) {
    case 0:
      ++FHeld;
      return wrSignaled;
    case EOWNERDEAD:
      // Its owner died holding it: we own it now, and it stays usable for everyone.
      pthread_mutex_consistent(m);
      ++FHeld;
      return wrAbandoned;
    case ETIMEDOUT:
      return wrTimeout;
    default:
      return wrError;
  }
}

bool TNamedMutex::Release() {
  if (pthread_mutex_unlock(static_cast<pthread_mutex_t*>(FRegion->Data())) != 0) return false;
  --FHeld;
  return true;
}
bool TNamedMutex::Created() const { return FRegion->Created; }
bool TNamedMutex::Unlink(const String& name) { return UnlinkShared(name); }

// --- events ----------------------------------------------------------------------------------------
// The event is one futex word: waiters sleep on it while it reads 0. Nothing is locked, so a process
// that dies while waiting or signalling leaves nothing behind.

namespace {
long Futex(uint32_t* word, int op, uint32_t value, const timespec* deadline) {
  return ::syscall(SYS_futex, word, op, value, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
}
}  // namespace

TNamedEvent::TNamedEvent(const String& name, bool manualReset, bool initialState, TNamedOpenMode mode)
    : FName(name), FRegion(std::make_unique<SharedRegion>()) {
  FRegion->Open(name, kindEvent, sizeof(EventData), mode, [&](void* data) {
    auto* e = static_cast<EventData*>(data);
    e->ManualReset = manualReset ? 1 : 0;
    e->State = initialState ? 1 : 0;
  });
}

TNamedEvent::~TNamedEvent() = default;

void TNamedEvent::SetEvent() {
  auto* e = static_cast<EventData*>(FRegion->Data());
  __atomic_store_n(&e->State, 1u, __ATOMIC_RELEASE);
  // All waiters wake; with auto reset one takes the signal and the others sleep again.
  Futex(&e->State, FUTEX_WAKE, INT_MAX, nullptr);
}

void TNamedEvent::ResetEvent() {
  auto* e = static_cast<EventData*>(FRegion->Data());
  __atomic_store_n(&e->State, 0u, __ATOMIC_RELEASE);
}

TWaitResult TNamedEvent::WaitFor(uint32_t timeoutMs) {
  auto* e = static_cast<EventData*>(FRegion->Data());
  const bool manual = __atomic_load_n(&e->ManualReset, __ATOMIC_RELAXED) != 0;
  const timespec deadline = DeadlineAfter(timeoutMs == INFINITE ? 0 : timeoutMs);
  for (;;) {
    uint32_t s = __atomic_load_n(&e->State, __ATOMIC_ACQUIRE);
    if (s == 1) {
      if (manual) return wrSignaled;
      if (__atomic_compare_exchange_n(&e->State, &s, 0u, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
        return wrSignaled;
      continue;
    }
    if (timeoutMs == 0) return wrTimeout;
    // FUTEX_WAIT_BITSET takes an absolute CLOCK_MONOTONIC deadline, so spurious wake-ups keep it.
    const long r = Futex(&e->State, FUTEX_WAIT_BITSET, 0, timeoutMs == INFINITE ? nullptr : &deadline);
    if (r != 0 && errno == ETIMEDOUT) {
      s = __atomic_load_n(&e->State, __ATOMIC_ACQUIRE);
      if (s == 1 && (manual || __atomic_compare_exchange_n(&e->State, &s, 0u, false, __ATOMIC_ACQ_REL,
                                                           __ATOMIC_ACQUIRE)))
        return wrSignaled;
      return wrTimeout;
    }
    if (r != 0 && errno != EAGAIN && errno != EINTR) return wrError;
  }
}

bool TNamedEvent::ManualReset() const { return static_cast<EventData*>(FRegion->Data())->ManualReset != 0; }
bool TNamedEvent::Created() const { return FRegion->Created; }
bool TNamedEvent::Unlink(const String& name) { return UnlinkShared(name); }
