// Joining paths, the backup stamp and names, protocols, listing by masks, the side copy and the deletion of
// a folder tree that never follows a link.
#include <sys/stat.h>
#include <unistd.h>

#include "AppSupport.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/Files.h"

namespace apptest {
namespace {

TEST(Paths, JoinUsesTheSeparatorTheFolderAlreadyUses) {
  struct Case {
    const char* folder;
    const char* name;
    const char* joined;
  } cases[] = {
      {"/data/db", "a.gdb", "/data/db/a.gdb"},
      {"/data/db/", "a.gdb", "/data/db/a.gdb"},
      {"D:\\base", "a.gdb", "D:\\base\\a.gdb"},    // a server that runs Windows
      {"D:\\base\\", "a.gdb", "D:\\base\\a.gdb"},
      {"D:/base\\x", "a.gdb", "D:/base\\x/a.gdb"},  // a slash anywhere: "/"
      {"/архив", "11-12-2026-06-00-00", "/архив/11-12-2026-06-00-00"},
      {"/", "a.gdb", "/a.gdb"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder;
  try {
    JoinPath("", "a.gdb");
    ADD_FAILURE() << "joined to an empty folder";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Не указана директория для файла a.gdb!");
  }
}

TEST(Paths, StampNamesAndTheBackupFolder) {
  const TDateTime moment = EncodeDate(2026, 1, 2) + EncodeTime(3, 4, 5, 600);
  EXPECT_EQ(BackupStamp(moment), "02-01-2026-03-04-05");
  EXPECT_EQ(BackupFolderOf("/arc", moment), "/arc/02-01-2026-03-04-05");
  EXPECT_EQ(BackupFolderOf("/arc/", moment), "/arc/02-01-2026-03-04-05");
  const std::pair<const char*, const char*> names[] = {
      {"x.gdb.gbk", "x.gdb"}, {"база.gdb.gbk", "база.gdb"}, {".gbk", ""}, {"a.gb", ""}, {"ab.gbk", "ab"}};
  for (const auto& [file, name] : names) EXPECT_EQ(DatabaseNameOfBackup(file), name) << file;
}

TEST(Paths, TheProtocolOfANetworkProject) {
  struct Case {
    bool remote;
    int32_t protocol;
    const char* refusal;
  } cases[] = {
      {false, 0, ""},
      {false, 1, ""},
      {true, 3, ""},
      {true, 0, "Для сетевой БД не указан сетевой протокол!"},
      {true, 7, "Для сетевой БД не указан сетевой протокол!"},
      {true, 1, "Сетевой протокол Novell SPX не поддерживается, используйте TCP/IP!"},
      {true, 2, "Сетевой протокол NetBEUI не поддерживается, используйте TCP/IP!"},
  };
  for (const Case& c : cases) {
    TProjectSettings p;
    p.IsRemote = c.remote;
    p.Protocol = c.protocol;
    EXPECT_EQ(CheckRunProtocol(p), c.refusal) << c.remote << "/" << c.protocol;
  }
  // The service follows the project whatever the previous run left in it.
  auto* svc = New<TpZAZBackupService>(nullptr);
  TProjectSettings remote;
  remote.IsRemote = true;
  remote.Protocol = 3;
  remote.ServerName = "db.example/3055";
  remote.OptionsDB = "user_name=SYSDBA\r\npassword=x\r\nsql_role_name=ADMIN";
  ConnectServiceTo(svc, remote);
  EXPECT_EQ(svc->Protocol(), TCP);
  EXPECT_EQ(svc->ServerName(), "db.example/3055");
  EXPECT_EQ(svc->Params()->Count(), 3);
  EXPECT_EQ(svc->ServiceName(), "db.example/3055:service_mgr");
  ConnectServiceTo(svc, TProjectSettings{});
  EXPECT_EQ(svc->Protocol(), Local);
  EXPECT_EQ(svc->ServerName(), "");
  EXPECT_EQ(svc->Params()->Count(), 0);
  svc->Free();
}

class FolderTest : public ::testing::Test {
protected:
  scratch::Folder Dir{"vorn-app-paths"};
  scratch::Folder Outside{"vorn-app-outside"};
  void Write(const String& path, const char* text = "x") { std::ofstream(path, std::ios::binary) << text; }
};

TEST_F(FolderTest, ListsRegularVisibleFilesByTheMasksSorted) {
  for (const char* name : {"b.gdb", "A.gdb", "в.GDB", "a.txt", ".h.gdb", "z.gdba"}) Write(Dir.File(name));
  ForceDirectories(Dir.File("d.gdb"));
  symlink(Dir.File("b.gdb").c_str(), Dir.File("link.gdb").c_str());
  EXPECT_EQ(ListFilesByMasks(Dir.Path(), "*.gdb; *.gdba"),
            (std::vector<String>{"A.gdb", "b.gdb", "link.gdb", "z.gdba", "в.GDB"}));
  EXPECT_TRUE(ListFilesByMasks(Dir.Path(), "").empty());
  EXPECT_TRUE(ListFilesByMasks(Dir.Path(), " ; ").empty());
  EXPECT_TRUE(ListFilesByMasks(Dir.File("none"), "*.*").empty());
  EXPECT_TRUE(ListFilesByMasks("", "*.*").empty());
}

TEST_F(FolderTest, TheSideCopyReplacesAnOlderOneAndNeverWritesThroughALink) {
  const String db = Dir.File("a.gdb");
  Write(db, "first");
  ASSERT_TRUE(MakeSideCopy(db));
  EXPECT_EQ(FileBytes(db + "~"), "first");
  Write(db, "second");
  ASSERT_TRUE(MakeSideCopy(db));
  EXPECT_EQ(FileBytes(db + "~"), "second");
  // A link put where the side copy goes is replaced; its target stays as it was.
  DeleteFile(db + "~");
  Write(Outside.File("target"), "untouched");
  symlink(Outside.File("target").c_str(), (db + "~").c_str());
  ASSERT_TRUE(MakeSideCopy(db));
  EXPECT_EQ(FileBytes(Outside.File("target")), "untouched");
  EXPECT_EQ(FileBytes(db + "~"), "second");
  // No source: no copy, and nothing left behind.
  EXPECT_FALSE(MakeSideCopy(Dir.File("missing.gdb")));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Dir.Path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST_F(FolderTest, DeletingATreeRemovesLinksAndNeverEntersThem) {
  const String tree = Dir.File("11-12-2026-06-00-00");
  ForceDirectories(tree + "/вложенная/глубже");
  Write(tree + "/a.gdb.gbk");
  Write(tree + "/вложенная/b.gbk");
  Write(tree + "/вложенная/глубже/c");
  Write(Outside.File("keep.gdb"), "keep");
  ForceDirectories(Outside.File("folder"));
  Write(Outside.File("folder/inner"), "inner");
  symlink(Outside.Path().c_str(), (tree + "/to-outside").c_str());
  symlink(Outside.File("keep.gdb").c_str(), (tree + "/вложенная/to-file").c_str());
  symlink(Outside.File("folder").c_str(), (tree + "/вложенная/глубже/to-folder").c_str());
  symlink("/nonexistent/target", (tree + "/dangling").c_str());
  const String cwd = GetCurrentDir();
  String message;
  EXPECT_TRUE(DeleteFolderTree(tree, message)) << message;
  EXPECT_EQ(message, "");
  EXPECT_FALSE(PathExists(tree));
  EXPECT_EQ(GetCurrentDir(), cwd);
  EXPECT_EQ(FileBytes(Outside.File("keep.gdb")), "keep");
  EXPECT_EQ(FileBytes(Outside.File("folder/inner")), "inner");
}

TEST_F(FolderTest, ABackupFolderThatIsItselfALinkLosesTheLinkOnly) {
  Write(Outside.File("keep.gbk"), "keep");
  const String link = Dir.File("11-12-2026-06-00-00");
  symlink(Outside.Path().c_str(), link.c_str());
  String message;
  EXPECT_TRUE(DeleteFolderTree(link, message));
  EXPECT_FALSE(PathExists(link));
  EXPECT_EQ(FileBytes(Outside.File("keep.gbk")), "keep");
}

TEST_F(FolderTest, AFolderThatCannotBeOpenedIsNamed) {
  String message;
  EXPECT_FALSE(DeleteFolderTree(Dir.File("нет"), message));
  EXPECT_EQ(message, "Не могу открыть каталог: " + Dir.File("нет"));
  Write(Dir.File("file"));
  EXPECT_FALSE(DeleteFolderTree(Dir.File("file"), message));
  EXPECT_EQ(message, "Не могу открыть каталог: " + Dir.File("file"));
  EXPECT_TRUE(FileExists(Dir.File("file")));
}

TEST_F(FolderTest, AFileThatCannotBeDeletedStopsTheDeletionWithItsName) {
  const String tree = Dir.File("tree");
  ForceDirectories(tree + "/locked");
  Write(tree + "/locked/a.gbk");
  if (!ProtectFromDeletion(tree + "/locked/a.gbk", true)) GTEST_SKIP() << "no way to protect a file here";
  String message;
  const bool deleted = DeleteFolderTree(tree, message);
  ProtectFromDeletion(tree + "/locked/a.gbk", false);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(message, "Не могу удалить файл: a.gbk");
  EXPECT_TRUE(FileExists(tree + "/locked/a.gbk"));
}

}  // namespace
}  // namespace apptest
