// The service component's backup in a fresh process of its own, so that it pays the same process and
// engine start-up as the server's backup tool started for each run.
// Usage: backup_runner <database> <backup file> [<server> <password>]
// Prints the number of output lines; exits 1 with the error text on failure.
#include <dlfcn.h>
#include <ibase.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "BenchBackup.h"
#include "dbaccess/IB_Intf.h"

namespace {
// The embedded engine's threads otherwise outlive main, and one of them crashes on a mutex already
// destroyed by the exit handlers (about every other run): the engine is shut down in order first.
// Even then one of its threads can still be running while the engine library's own static destructors
// run, so the runner leaves by _exit once its output is flushed and the engine is down. A crash at exit
// still happens now and then (as with the server's own tool), after the output: the benchmark repeats
// such a run.
void ShutDownEngine() {
  void* lib = dlopen(DefaultClientLibraryName, RTLD_NOW | RTLD_NOLOAD);
  if (!lib) return;
  using TShutdown = int (*)(unsigned int, int);
  if (auto shutdown = reinterpret_cast<TShutdown>(dlsym(lib, "fb_shutdown"))) shutdown(0, fb_shutrsn_app_stopped);
  dlclose(lib);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: %s <database> <backup file> [<server> <password>]\n", argv[0]);
    return 2;
  }
  int status = 0;
  try {
    const int64_t lines =
        benchbackup::Backup(argv[1], argv[2], argc == 5 ? argv[3] : "", argc == 5 ? argv[4] : "");
    std::printf("%lld lines\n", static_cast<long long>(lines));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "backup failed: %s\n", e.what());
    status = 1;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  ShutDownEngine();
  _exit(status);
}
