#pragma once
// Process-wide settings of a test executable that opens databases on the embedded engine. Include it from
// exactly one source of the executable: it defines the leak checker's settings for the whole process.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "dbaccess/FIBSQLMonitor.h"
#include "rtl/NamedObjects.h"

// The embedded engine and the character-set library it loads keep a few allocations for the life of
// the process; they are theirs, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libicuuc.so\nleak:libicui18n.so\nleak:libfbclient.so\nleak:libEngine12.so\n";
}

// At exit the leak checker walks the dynamic thread-local blocks of the libraries the engine loaded and
// sometimes meets a stale block there and crashes; thread-local storage is left out of its roots.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }

namespace scratch {

// Every test process traces into a channel of its own and stops the trace writer before it exits, so
// that tests never meet another process's monitor and leave no named objects behind.
class EngineTestEnvironment : public ::testing::Environment {
public:
  explicit EngineTestEnvironment(const char* channelPrefix) : FPrefix(channelPrefix) {}

  void SetUp() override {
    FChannel = FPrefix + std::to_string(getpid());
    SetMonitorChannel(FChannel);
  }
  void TearDown() override {
    FinalizeSQLMonitor();
    // The embedded engine's threads outlive the last detach; the leak checker cannot walk them safely at
    // exit, so the engine is shut down here (a test-only call straight into the client library).
    if (void* lib = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD)) {
      using ShutdownFn = int (*)(unsigned, int);
      if (auto shutdown = reinterpret_cast<ShutdownFn>(dlsym(lib, "fb_shutdown"))) shutdown(0, 1);
      dlclose(lib);
    }
    TNamedSharedMemory::Unlink(FChannel + ".SharedMem");
    TNamedMutex::Unlink(FChannel + ".Mutex");
    for (const char* s : {".WriteEvent", ".WriteFinishedEvent", ".ReadEvent", ".ReadFinishedEvent"})
      TNamedEvent::Unlink(FChannel + s);
  }

private:
  String FPrefix;
  String FChannel;
};

}  // namespace scratch
