// The program's own database as the build makes it: schema, dialect, character set, first rows and file
// modes; an existing file never touched; the tool's command line; the db.gdb the build made.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <spawn.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "EngineTestEnvironment.h"
#include "ScratchDatabase.h"
#include "ScratchFolder.h"
#include "app/OwnDatabase.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Variants.h"
#include "tools/OwnDatabaseBuilder.h"

extern char** environ;

namespace {

[[maybe_unused]] ::testing::Environment* const gEngine =
    ::testing::AddGlobalTestEnvironment(new scratch::EngineTestEnvironment("VORN.TOOLS.TEST."));

// Runs a statement's first column of every row on a dialect 1 connection of its own.
std::vector<String> Column(const String& path, const String& sql) {
  std::vector<String> values;
  TFIBDatabase* db = New<TFIBDatabase>(nullptr);
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  scratch::Configure(db, path, 1);
  tr->SetDefaultDatabase(db);
  db->Open();
  tr->StartTransaction();
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText(sql);
  q->ExecQuery();
  for (; !q->Eof(); q->FetchNext()) values.push_back(q->Fields(0)->GetIsNull() ? String("<null>") : Trim(q->Fields(0)->GetAsString()));
  q->Free();
  tr->Commit();
  tr->Free();
  db->Close();
  db->Free();
  return values;
}

std::string Bytes(const String& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

mode_t Mode(const String& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

// What a made database must hold.
void ExpectOwnSchema(const String& path) {
  EXPECT_EQ(Column(path, "SELECT MON$SQL_DIALECT FROM MON$DATABASE"), std::vector<String>{"1"});
  EXPECT_EQ(Column(path, "SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE"), std::vector<String>{"UTF8"});
  EXPECT_EQ(Column(path, "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1"),
            (std::vector<String>{"BACKUPS", "OPTIONS", "PROJECTS"}));
  EXPECT_EQ(Column(path, "SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'PROJECTS' "
                         "ORDER BY RDB$FIELD_POSITION"),
            (std::vector<String>{"ID", "NAME", "BKFOLDER", "RSFOLDER", "SERVERNAME", "PROTOCOL", "RMFOLDER",
                                 "ISREMOTE", "OPTIONSDB"}));
  EXPECT_EQ(Column(path, "SELECT F.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON "
                         "F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE WHERE R.RDB$RELATION_NAME = 'PROJECTS' AND "
                         "F.RDB$CHARACTER_LENGTH IS NOT NULL ORDER BY R.RDB$FIELD_POSITION"),
            (std::vector<String>{"255", "510", "510", "255", "510", "1", "512"}));
  EXPECT_EQ(Column(path, "SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'BACKUPS' "
                         "ORDER BY RDB$FIELD_POSITION"),
            (std::vector<String>{"ID", "BKDATE", "IDPROJECT"}));
  EXPECT_EQ(Column(path, "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1"),
            (std::vector<String>{"BACKUPS_ID", "PROJECTS_ID"}));
  EXPECT_EQ(Column(path, "SELECT RDB$TRIGGER_NAME FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1"),
            (std::vector<String>{"BACKUPS_BI", "PROJECTS_BI"}));
  EXPECT_EQ(Column(path, "SELECT COALESCE(PASS, '<null>') || '|' || EXTENSION FROM OPTIONS"),
            std::vector<String>{String("<null>|") + owndb::DefaultExtensions});
}

TEST(OwnDatabase, MadeWithTheProgramsSchemaReadableByTheUserOnly) {
  scratch::Folder dir("vorn-tools");
  const String path = dir.File("db.gdb");
  const TOwnDatabaseResult made = MakeOwnDatabase(path);
  EXPECT_TRUE(made.Created);
  EXPECT_EQ(made.Path, path);
  ExpectOwnSchema(path);
  EXPECT_EQ(Mode(path), 0600u);
  EXPECT_EQ(Mode(dir.File("bk")), 0700u);
  // Nothing but the file and the backup folder is left in the folder (no temporary copy).
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(OwnDatabase, TriggersGiveAKeyToARowInsertedWithoutOne) {
  scratch::Folder dir("vorn-tools");
  const String path = dir.File("db.gdb");
  CreateOwnDatabase(path);
  TFIBDatabase* db = New<TFIBDatabase>(nullptr);
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  scratch::Configure(db, path, 1);
  tr->SetDefaultDatabase(db);
  db->Open();
  tr->StartTransaction();
  scratch::Exec(db, tr, "INSERT INTO PROJECTS (NAME) VALUES ('Склад')");
  scratch::Exec(db, tr, "INSERT INTO BACKUPS (BKDATE, IDPROJECT) VALUES ('2026-12-11 06:00:00', 1)");
  tr->Commit();
  tr->Free();
  db->Close();
  db->Free();
  EXPECT_EQ(Column(path, "SELECT ID || '|' || NAME || '|' || COALESCE(PROTOCOL, '-') || '|' || COALESCE(ISREMOTE, '-') FROM PROJECTS"),
            std::vector<String>{"1|Склад|-|-"});
  EXPECT_EQ(Column(path, "SELECT ID FROM BACKUPS"), std::vector<String>{"1"});
}

TEST(OwnDatabase, AFileOfThatNameInAnyLetterCaseIsLeftAlone) {
  struct Case {
    const char* existing;
    const char* content;
  } cases[] = {{"db.gdb", "not a database"}, {"DB.GDB", "mine"}, {"Db.Gdb", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.existing);
    scratch::Folder dir("vorn-tools");
    const String existing = dir.File(c.existing);
    std::ofstream(existing, std::ios::binary) << c.content;
    chmod(existing.c_str(), 0644);
    const TOwnDatabaseResult made = MakeOwnDatabase(dir.File("db.gdb"));
    EXPECT_FALSE(made.Created);
    EXPECT_EQ(made.Path, existing);
    EXPECT_EQ(Bytes(existing), c.content);
    EXPECT_EQ(Mode(existing), 0644u);
    EXPECT_FALSE(FileExists(dir.File("db.gdb")) && String(c.existing) != "db.gdb");
  }
}

TEST(OwnDatabase, AFailureLeavesNoFileBehind) {
  scratch::Folder dir("vorn-tools");
  // The folder cannot be made: a file stands where it should be.
  std::ofstream(dir.File("file"), std::ios::binary) << "x";
  EXPECT_THROW(MakeOwnDatabase(dir.File("file/db.gdb")), Exception);
  // The engine refuses a name that cannot be a database file (a folder of that name exists).
  ForceDirectories(dir.File("taken"));
  EXPECT_THROW(CreateOwnDatabase(dir.File("taken")), Exception);
  EXPECT_TRUE(DirectoryExists(dir.File("taken")));
}

// ---- the tool ---------------------------------------------------------------------------------------------

struct ToolRun {
  int Status = -1;
  std::string Out;
};

ToolRun RunTool(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
  scratch::Folder dir("vorn-tools-run");
  const std::string out = dir.File("out");
  args.insert(args.begin(), MAKE_DB_GDB);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.push_back(*e);
  for (const auto& e : env) envStrings.push_back(e);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  ToolRun run;
  if (posix_spawn(&pid, MAKE_DB_GDB, &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.Out = Bytes(out);
  return run;
}

TEST(MakeDbGdbTool, MakesOnceThenLeavesTheFileAlone) {
  scratch::Folder dir("vorn-tools");
  const std::string path = dir.File("sub/db.gdb");
  ToolRun first = RunTool({path});
  EXPECT_EQ(first.Status, 0) << first.Out;
  EXPECT_NE(first.Out.find("made " + path), std::string::npos) << first.Out;
  ExpectOwnSchema(path);
  struct stat before {};
  stat(path.c_str(), &before);
  const std::string bytes = Bytes(path);
  ToolRun second = RunTool({path});
  EXPECT_EQ(second.Status, 0) << second.Out;
  EXPECT_NE(second.Out.find("exists; left as it is"), std::string::npos) << second.Out;
  struct stat after {};
  stat(path.c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(Bytes(path), bytes);
}

TEST(MakeDbGdbTool, WithoutAFileMakesTheUsersOwnInThePrivateDataFolder) {
  scratch::Folder dir("vorn-tools");
  ToolRun run = RunTool({}, {"XDG_DATA_HOME=" + dir.Path()});
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_EQ(Mode(dir.File("vorn")), 0700u);
  EXPECT_EQ(Mode(dir.File("vorn/db.gdb")), 0600u);
  EXPECT_EQ(Mode(dir.File("vorn/bk")), 0700u);
}

TEST(MakeDbGdbTool, FailuresAndMisuseEndWithAStatus) {
  scratch::Folder dir("vorn-tools");
  std::ofstream(dir.File("file"), std::ios::binary) << "x";
  ToolRun failed = RunTool({dir.File("file/db.gdb")});
  EXPECT_EQ(failed.Status, 1);
  EXPECT_NE(failed.Out.find("make-db-gdb: "), std::string::npos) << failed.Out;
  EXPECT_EQ(RunTool({"a", "b"}).Status, 2);
  EXPECT_EQ(RunTool({"--help"}).Status, 2);
}

TEST(BuiltProgram, HasItsOwnDatabaseBesideIt) {
  ASSERT_TRUE(FileExists(VORN_BUILT_DB));
  ExpectOwnSchema(VORN_BUILT_DB);
  EXPECT_EQ(Mode(VORN_BUILT_DB), 0600u);
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(VORN_BUILT_DB) + "bk"));
}

}  // namespace
