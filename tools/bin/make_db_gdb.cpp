// make-db-gdb [FILE]: makes the program's own database. The build runs it for the db.gdb beside the
// program; without FILE it makes the user's own one in the program's data folder ($XDG_DATA_HOME/vorn,
// readable by the user only), which an installed program uses. An existing file is never touched.
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>

#include "tools/OwnDatabaseBuilder.h"
#include "app/OwnDatabase.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Files.h"

// The embedded engine and the character-set library it loads keep a few allocations for the life of the
// process (seen only in the sanitizer build, where the build runs this tool too).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libicuuc.so\nleak:libicui18n.so\nleak:libfbclient.so\nleak:libEngine12.so\n";
}
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fprintf(stderr, "usage: make-db-gdb [FILE]\n");
    return 2;
  }
  // File names in any script reach the engine as UTF-8.
  std::setlocale(LC_ALL, "");
  String path;
  if (argc == 2) {
    path = argv[1];
  } else {
    const String folder = owndb::UserDataFolder();
    if (folder.empty()) {
      std::fprintf(stderr, "make-db-gdb: neither XDG_DATA_HOME nor HOME names a folder\n");
      return 1;
    }
    if (!DirectoryExists(folder) && (!ForceDirectories(folder) || ::chmod(folder.c_str(), 0700) != 0)) {
      std::fprintf(stderr, "make-db-gdb: cannot create the folder %s\n", folder.c_str());
      return 1;
    }
    path = IncludeTrailingPathDelimiter(folder) + owndb::FileName;
  }
  PrepareEmbeddedLockFolder();
  int status = 0;
  try {
    const TOwnDatabaseResult made = MakeOwnDatabase(path);
    if (made.Created) std::printf("made %s\n", made.Path.c_str());
    else std::printf("%s exists; left as it is\n", made.Path.c_str());
  } catch (const Exception& e) {
    std::fprintf(stderr, "make-db-gdb: %s\n", e.Message().c_str());
    status = 1;
  }
  // The engine's threads stop before the process tears down; one of them may still be winding down
  // while the engine library's own static destructors would run, so the tool leaves without them once
  // its output is out.
  ShutdownClientLibraries();
  std::fflush(nullptr);
  _exit(status);
}
