// The service component's backup in a fresh process of its own, so that it pays the same process and
// engine start-up as the server's backup tool started for each run.
// Usage: backup_runner <database> <backup file> [<server> <password>]
// Prints the number of output lines; exits 1 with the error text on failure.
#include <cstdio>
#include <exception>
#include <string>

#include "BenchBackup.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: %s <database> <backup file> [<server> <password>]\n", argv[0]);
    return 2;
  }
  try {
    const int64_t lines =
        benchbackup::Backup(argv[1], argv[2], argc == 5 ? argv[3] : "", argc == 5 ? argv[4] : "");
    std::printf("%lld lines\n", static_cast<long long>(lines));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "backup failed: %s\n", e.what());
    return 1;
  }
}
