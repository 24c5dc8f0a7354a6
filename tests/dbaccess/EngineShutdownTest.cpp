// The end of the embedded engine at program exit, and the lock folder a user's embedded engine works in.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "TestDb.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Files.h"

namespace {

// The engine cannot run again once shut down, so the shutdown runs in a process of its own: the
// "threadsafe" death test style starts this executable anew for it.
void ShutDownThenAttach(const String& db) {
  CreateTestDatabase(db, 3);
  const bool ok = ShutdownClientLibraries();
  int code = ok ? 0 : 1;
  try {
    CountRows(db);
    code = 2;  // the engine still answered
  } catch (const EFIBError&) {
  }
  std::_Exit(code);
}

TEST(EngineShutdownDeathTest, StopsTheEngineOfTheLoadedClient) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDir dir;
  EXPECT_EXIT(ShutDownThenAttach(dir.File("s.fdb")), ::testing::ExitedWithCode(0), "");
}

// FIREBIRD_LOCK set back to its value (or unset) at the end of a test.
class LockVariable {
public:
  LockVariable() : FHad(getenv("FIREBIRD_LOCK") != nullptr), FOld(FHad ? getenv("FIREBIRD_LOCK") : "") {}
  ~LockVariable() {
    if (FHad) setenv("FIREBIRD_LOCK", FOld.c_str(), 1);
    else unsetenv("FIREBIRD_LOCK");
    if (FHadRuntime) setenv("XDG_RUNTIME_DIR", FOldRuntime.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    if (FHadTemp) setenv("TMPDIR", FOldTemp.c_str(), 1);
    else unsetenv("TMPDIR");
  }

private:
  bool FHad;
  String FOld;
  bool FHadRuntime = getenv("XDG_RUNTIME_DIR") != nullptr;
  String FOldRuntime = FHadRuntime ? getenv("XDG_RUNTIME_DIR") : "";
  bool FHadTemp = getenv("TMPDIR") != nullptr;
  String FOldTemp = FHadTemp ? getenv("TMPDIR") : "";
};

TEST(EmbeddedLockFolder, KeepsAGivenFolderElseMakesAPrivateOne) {
  LockVariable restore;
  TempDir dir;
  setenv("FIREBIRD_LOCK", "/somewhere/given", 1);
  EXPECT_EQ(PrepareEmbeddedLockFolder(), "/somewhere/given");

  unsetenv("FIREBIRD_LOCK");
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  const String made = PrepareEmbeddedLockFolder();
  EXPECT_EQ(made, dir.File("firebird"));
  EXPECT_EQ(GetEnvironmentVariable("FIREBIRD_LOCK"), made);
  struct stat st {};
  ASSERT_EQ(lstat(made.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(EmbeddedLockFolder, NeverTakesALinkOrAFolderOthersMayRead) {
  LockVariable restore;
  TempDir dir, outside, temp;
  setenv("TMPDIR", temp.Path().c_str(), 1);  // the fallback is made here, not in the system's folder
  struct Case {
    const char* name;
    void (*make)(const String& path, const String& outside);
  } cases[] = {
      {"a link to a folder", [](const String& p, const String& o) { symlink(o.c_str(), p.c_str()); }},
      {"a folder others may read", [](const String& p, const String&) { mkdir(p.c_str(), 0755); chmod(p.c_str(), 0755); }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const String runtime = dir.File("run" + std::to_string(n++));
    mkdir(runtime.c_str(), 0700);
    c.make(runtime + "/firebird", outside.Path());
    unsetenv("FIREBIRD_LOCK");
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const String used = PrepareEmbeddedLockFolder();
    EXPECT_NE(used, runtime + "/firebird");
    EXPECT_EQ(used, temp.Path() + "/firebird-" + std::to_string(geteuid()));
  }
}

}  // namespace
