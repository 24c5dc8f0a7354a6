// The service components against real Firebird: embedded, and through the loopback server the test
// command starts.
#include <gtest/gtest.h>

#include <ibase.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <vector>

#include "TestDb.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/StringLists.h"

namespace {
template <class T>
T* EmbeddedService() {
  T* svc = New<T>(nullptr);
  svc->SetLoginPrompt(false);
  svc->Params()->Add("user_name=SYSDBA");
  return svc;
}

struct Output {
  std::vector<String> lines;
  TServiceGetTextNotify Handler() {
    return [this](TObject*, const String& text) { lines.push_back(text); };
  }
  bool Has(const String& part) const {
    for (const String& l : lines)
      if (l.find(part) != String::npos) return true;
    return false;
  }
};

void Backup(const String& db, const String& gbk, Output* out) {
  auto* svc = EmbeddedService<TpZAZBackupService>();
  svc->SetDatabaseName(db);
  svc->BackupFile()->Add(gbk);
  svc->SetVerbose(out != nullptr);
  if (out) svc->SetOnTextNotify(out->Handler());
  try {
    svc->SetActive(true);
    svc->ServiceStart();
    svc->SetActive(false);
  } catch (...) {
    svc->Free();
    throw;
  }
  svc->Free();
}

void Restore(const String& gbk, const String& db, TRestoreOptions options, Output* out,
             const TestServer* server = nullptr) {
  auto* svc = EmbeddedService<TpZAZRestoreService>();
  if (server) {
    svc->SetProtocol(TCP);
    svc->SetServerName(server->Server);
    svc->Params()->Add("password=" + server->Password);
  }
  svc->BackupFile()->Add(gbk);
  svc->DatabaseName()->Add(db);
  svc->SetOptions(options);
  svc->SetVerbose(true);
  if (out) svc->SetOnTextNotify(out->Handler());
  try {
    svc->Attach();
    svc->ServiceStart();
    svc->Detach();
  } catch (...) {
    svc->Free();
    throw;
  }
  svc->Free();
}
}  // namespace

TEST(ServiceRun, VerboseBackupAndRestoreKeepTheRows) {
  TempDir dir;
  String db = dir.File("source.fdb"), gbk = dir.File("source.gbk"), restored = dir.File("restored.fdb");
  CreateTestDatabase(db, 2500);
  Output backupOut;
  Backup(db, gbk, &backupOut);
  ASSERT_GE(backupOut.lines.size(), 10u);
  EXPECT_EQ(backupOut.lines.back(), "");
  EXPECT_TRUE(backupOut.Has("gbak:")) << backupOut.lines.front();
  struct stat st {};
  ASSERT_EQ(stat(gbk.c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);

  Output restoreOut;
  Restore(gbk, restored, {CreateNewDB}, &restoreOut);
  EXPECT_GE(restoreOut.lines.size(), 10u);
  int64_t sumA = 0, sumB = 0;
  EXPECT_EQ(CountRows(db, &sumA), 2500);
  EXPECT_EQ(CountRows(restored, &sumB), 2500);
  EXPECT_EQ(sumA, sumB);
}

namespace {
// The process's standard input replaced by a pipe whose writing end stays open, as under a terminal
// nobody answers: a read from it waits until Release closes that end.
class OpenStandardInput {
public:
  OpenStandardInput() {
    int fds[2];
    if (pipe(fds) != 0) throw Exception("pipe failed");
    FSaved = dup(0);
    dup2(fds[0], 0);
    close(fds[0]);
    FWriter = fds[1];
    fstat(0, &FPipe);
  }
  ~OpenStandardInput() {
    Release();
    if (FSaved >= 0) {
      dup2(FSaved, 0);
      close(FSaved);
    } else {
      close(0);
    }
    clearerr(stdin);
  }
  void Release() {
    if (FWriter >= 0) close(FWriter);
    FWriter = -1;
  }
  // Whether descriptor 0 is still this pipe.
  bool InPlace() const {
    struct stat st {};
    return fstat(0, &st) == 0 && st.st_ino == FPipe.st_ino && st.st_dev == FPipe.st_dev;
  }

private:
  int FSaved = -1;
  int FWriter = -1;
  struct stat FPipe {};
};

// The restore of a backup file cut to `keep` of its bytes, run on a thread with a time limit while
// standard input waits; returns the error message ("" when it reported success).
String RestoreCutBackup(const String& gbk, const String& cut, size_t keep, const String& db, Output* out,
                        const TestServer* server = nullptr) {
  std::filesystem::copy_file(gbk, cut, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(cut, keep);
  OpenStandardInput input;
  auto run = std::async(std::launch::async, [&]() -> String {
    try {
      Restore(cut, db, {CreateNewDB}, out, server);
    } catch (const EFIBError& e) {
      return e.Message();
    }
    return String();
  });
  if (run.wait_for(std::chrono::seconds(60)) == std::future_status::timeout) {
    ADD_FAILURE() << "the restore waits on standard input";
    input.Release();  // end of file lets it go on
  }
  String message = run.get();
  EXPECT_TRUE(input.InPlace()) << "standard input was not given back";
  return message;
}

const char* const kRestoreIncomplete = "the restore did not complete: the backup file may be damaged or cut short";
}  // namespace

namespace {
// The length of a backup file without the zero bytes that fill its last block: a cut inside them
// loses nothing.
size_t ContentLength(const String& gbk) {
  std::ifstream in(gbk, std::ios::binary);
  String bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t n = bytes.size();
  while (n > 0 && bytes[n - 1] == '\0') --n;
  return n;
}
}  // namespace

TEST(ServiceRun, RestoreOfACutBackupFailsAndNeverWaitsOnInput) {
  TempDir dir;
  String db = dir.File("source.fdb"), gbk = dir.File("source.gbk");
  CreateTestDatabase(db, 3000);
  Backup(db, gbk, nullptr);
  const size_t content = ContentLength(gbk);
  struct Case {
    const char* name;
    size_t keep;
  } cases[] = {{"half", content / 2},
               {"90%", content * 9 / 10},
               {"99.9%", content * 999 / 1000},
               {"all but the last byte", content - 1}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Output out;
    String restored = dir.File("cut" + std::to_string(n++) + ".fdb");
    EXPECT_EQ(RestoreCutBackup(gbk, dir.File("cut.gbk"), c.keep, restored, &out), kRestoreIncomplete);
    EXPECT_FALSE(out.Has("going home"));
  }
  // Without only the filling of the last block the whole backup is still there, and restores.
  Output out;
  EXPECT_EQ(RestoreCutBackup(gbk, dir.File("whole.gbk"), content, dir.File("whole.fdb"), &out), "");
  EXPECT_TRUE(out.Has("gbak:finishing, closing, and going home"));
  EXPECT_EQ(CountRows(dir.File("whole.fdb")), 3000);
}

TEST(ServiceRun, LoopbackServerRestoreOfACutBackupFails) {
  TestServer server = LoopbackServer();
  if (server.Server.empty()) GTEST_SKIP() << "no loopback server in this environment";
  TempDir dir;
  String db = dir.File("source.fdb"), gbk = dir.File("source.gbk");
  CreateTestDatabase(db, 1000);
  Backup(db, gbk, nullptr);
  // Depending on the server the service ends quietly (then the missing closing line tells) or drops
  // the connection; either way the restore must not count as done.
  Output out;
  String error = RestoreCutBackup(gbk, dir.File("cut.gbk"), ContentLength(gbk) * 9 / 10, dir.File("cut.fdb"),
                                  &out, &server);
  EXPECT_NE(error, "");
  EXPECT_FALSE(out.Has("going home"));
}

TEST(ServiceRun, RestoreOverAnExistingDatabaseNeedsReplace) {
  TempDir dir;
  String db = dir.File("a.fdb"), gbk = dir.File("a.gbk");
  CreateTestDatabase(db, 10);
  Backup(db, gbk, nullptr);
  try {
    Restore(gbk, db, {CreateNewDB}, nullptr);
    ADD_FAILURE() << "restored over an existing database";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), 336330766) << e.Message();
  }
  Restore(gbk, db, {Replace}, nullptr);
  EXPECT_EQ(CountRows(db), 10);
}

TEST(ServiceRun, BackupOfAMissingFileGivesTheServersError) {
  TempDir dir;
  try {
    Backup(dir.File("missing.fdb"), dir.File("x.gbk"), nullptr);
    ADD_FAILURE() << "backed up a missing file";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.IBMessage().find("missing.fdb"), String::npos) << e.Message();
  }
}

TEST(ServiceRun, RestoreOfADamagedBackupFails) {
  TempDir dir;
  String gbk = dir.File("junk.gbk");
  std::ofstream(gbk) << String(4096, 'x');
  Output out;
  try {
    Restore(gbk, dir.File("r.fdb"), {CreateNewDB}, &out);
    ADD_FAILURE() << "restored garbage";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.IBErrorCode(), 0) << e.Message();
  }
}

TEST(ServiceRun, ValidationOfACleanDatabaseSucceedsSilently) {
  TempDir dir;
  String db = dir.File("v.fdb");
  CreateTestDatabase(db, 100);
  struct Case {
    TValidateOptions options;
  } cases[] = {{{ValidateDB, ValidateFull}}, {{ValidateDB, CheckDB}}, {{SweepDB}}};
  for (const Case& c : cases) {
    auto* svc = EmbeddedService<TpZAZValidationService>();
    Output out;
    svc->SetOnTextNotify(out.Handler());
    svc->SetDatabaseName(db);
    svc->SetOptions(c.options);
    svc->Attach();
    EXPECT_NO_THROW(svc->ServiceStart());
    EXPECT_EQ(out.lines, std::vector<String>{""});
    svc->Free();
  }
}

TEST(ServiceRun, ValidationOfAMissingFileFailsAtStart) {
  TempDir dir;
  auto* svc = EmbeddedService<TpZAZValidationService>();
  svc->SetDatabaseName(dir.File("missing.fdb"));
  svc->SetOptions({ValidateDB});
  svc->Attach();
  EXPECT_THROW(svc->ServiceStart(), EFIBInterBaseError);
  EXPECT_FALSE(svc->Active());
  svc->Free();
}

TEST(ServiceRun, IncompatibleRepairOptionsAreRefusedByTheServer) {
  TempDir dir;
  String db = dir.File("m.fdb");
  CreateTestDatabase(db, 1);
  auto* svc = EmbeddedService<TpZAZValidationService>();
  svc->SetDatabaseName(db);
  svc->SetOptions({MendDB, ValidateDB});
  svc->Attach();
  try {
    svc->ServiceStart();
    ADD_FAILURE();
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), 335740932) << e.Message();
  }
  svc->Free();
}

TEST(ServiceRun, LoopbackServerBackupAndWrongPassword) {
  TestServer server = LoopbackServer();
  if (server.Server.empty()) GTEST_SKIP() << "no loopback server in this environment";
  TempDir dir;
  String db = dir.File("remote.fdb"), gbk = dir.File("remote.gbk");
  CreateTestDatabase(server.Server + ":" + db, 300, "SYSDBA", server.Password);

  auto* svc = New<TpZAZBackupService>(nullptr);
  svc->SetLoginPrompt(false);
  svc->SetProtocol(TCP);
  svc->SetServerName(server.Server);
  svc->Params()->Add("user_name=SYSDBA");
  svc->Params()->Add("password=" + server.Password);
  svc->SetDatabaseName(db);
  svc->BackupFile()->Add(gbk);
  svc->SetVerbose(true);
  Output out;
  svc->SetOnTextNotify(out.Handler());
  svc->Attach();
  svc->ServiceStart();
  svc->Detach();
  EXPECT_GE(out.lines.size(), 10u);
  struct stat st {};
  EXPECT_EQ(stat(gbk.c_str(), &st), 0);

  svc->Params()->SetValues("password", "wrong-" + server.Password);
  try {
    svc->Attach();
    ADD_FAILURE() << "attached with a wrong password";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), 335544472) << e.Message();
    EXPECT_FALSE(svc->Active());
  }
  svc->Free();
}

TEST(ServiceRun, DamagedDatabaseFileGivesTheServersError) {
  TempDir dir;
  String junk = dir.File("junk.fdb");
  std::ofstream(junk, std::ios::binary) << String(65536, '\x5A');
  try {
    Backup(junk, dir.File("junk.gbk"), nullptr);
    ADD_FAILURE() << "backed up garbage";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), isc_bad_db_format) << e.Message();
    EXPECT_NE(e.IBMessage().find("junk.fdb"), String::npos) << e.Message();
  }
}

TEST(ServiceRun, ValidationReportsDamagedDataPages) {
  TempDir dir;
  String db = dir.File("damaged.fdb");
  CreateTestDatabase(db, 20000);
  {
    // Zero pages in the middle of the file, where the rows live.
    std::fstream f(db, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(0, std::ios::end);
    auto size = static_cast<std::streamoff>(f.tellg());
    String garbage(8192 * 4, '\0');
    f.seekp(size / 2 / 8192 * 8192);
    f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  auto* svc = EmbeddedService<TpZAZValidationService>();
  svc->SetDatabaseName(db);
  svc->SetOptions({ValidateDB, ValidateFull});
  svc->Attach();
  try {
    svc->ServiceStart();
    ADD_FAILURE() << "a damaged database validated clean";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.IBErrorCode(), 335740952) << e.Message();
    EXPECT_NE(e.IBMessage().find("Summary of validation errors"), String::npos) << e.Message();
  }
  svc->Free();
}
