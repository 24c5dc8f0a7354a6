// The service components against real Firebird: embedded, and through the loopback server the test
// command starts.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
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

void Restore(const String& gbk, const String& db, TRestoreOptions options, Output* out) {
  auto* svc = EmbeddedService<TpZAZRestoreService>();
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
