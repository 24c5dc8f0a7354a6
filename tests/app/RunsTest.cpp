// The runs against real databases on the embedded engine: backup of all and of the checked databases, the
// backup list, restore with its side copy (also from a cut backup), deleting a backup, validation and
// repair of a damaged copy, and the refusals before a run starts.
#include <sys/stat.h>
#include <unistd.h>

#include "AppSupport.h"
#include "rtl/Files.h"

namespace apptest {
namespace {

const char* const kStamp = "11-12-2026-06-00-00";
const char* const kTimeLine = "============== 11.12.2026 6:00:00 ==============";

class Runs : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    MakeSampleDatabase(DatabasesFolder + "/a.gdb", 300);
    MakeSampleDatabase(DatabasesFolder + "/b.gdb", 20);
    MakeSampleDatabase(DatabasesFolder + "/склад запасов.gdb", 1500);
    OpenModule();
    ProjectID = AddLocalProject("Склад", DatabasesFolder, BackupsFolder);
    ASSERT_EQ(FileList(), (std::vector<String>{"склад запасов.gdb", "b.gdb", "a.gdb"}));
  }

  String BackupFolder() const { return BackupsFolder + "/" + kStamp; }
  int BackupRows() { return OwnValue("SELECT COUNT(*) FROM BACKUPS").AsInteger(); }
  // The report without the service's own lines (those between a run's empty lines), for exact frames.
  bool ReportHas(const String& line) const {
    for (const String& l : ReportLines())
      if (l == line) return true;
    return false;
  }
  int CountLinesStartingWith(const String& prefix) const {
    int n = 0;
    for (const String& l : ReportLines()) n += l.rfind(prefix, 0) == 0;
    return n;
  }
  void ShowRestorePage() {
    Window.Page = mpRestore;
    Module->qBackups->First();
  }

  int32_t ProjectID = 0;
};

TEST_F(Runs, BackupOfAllMakesTheDatedFolderInsideTheRootAndRecordsIt) {
  Module->BackupDatabases(0);
  EXPECT_TRUE(Window.Messages.empty()) << Window.Messages.front();
  // The dated folder lies inside the chosen root, one .gbk per database.
  ASSERT_TRUE(DirectoryExists(BackupFolder()));
  for (const char* name : {"a.gdb", "b.gdb", "склад запасов.gdb"})
    EXPECT_GT(FileSize(BackupFolder() + "/" + name + ".gbk"), 0) << name;
  EXPECT_FALSE(DirectoryExists(BackupsFolder + kStamp));
  // One row, with the run's moment and the project.
  EXPECT_EQ(BackupRows(), 1);
  EXPECT_EQ(OwnValue("SELECT IDPROJECT FROM BACKUPS").AsInteger(), ProjectID);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", OwnValue("SELECT BKDATE FROM BACKUPS").AsDateTime()), "11.12.2026 06:00:00");
  // The refreshed row shows its project's columns.
  Module->qBackups->First();
  EXPECT_EQ(Module->qBackups->FieldByName("NAME")->AsString(), "Склад");
  // The frame around the service's lines.
  const std::vector<String> lines = ReportLines();
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0], kTimeLine);
  EXPECT_EQ(lines[1], "Будет производится резервирование БД");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[lines.size() - 3], "Резервирование успешно завершено!");
  EXPECT_EQ(lines[lines.size() - 2], kTimeLine);
  EXPECT_EQ(lines[lines.size() - 1], "");
  EXPECT_EQ(CountLinesStartingWith("gbak:closing file, committing, and finishing"), 3);
  EXPECT_EQ(Window.Beeps, 1);
  EXPECT_EQ(Window.PagesShown, (std::vector<TMainPage>{mpReport, mpReport}));
  EXPECT_EQ(Window.RunStates, (std::vector<bool>{true, false}));
  EXPECT_FALSE(Module->Running());
}

TEST_F(Runs, BackupOfTheCheckedDatabasesOnly) {
  CheckFiles({"склад запасов.gdb"});
  Module->BackupDatabases(1);
  std::vector<String> made;
  for (const auto& e : std::filesystem::directory_iterator(BackupFolder())) made.push_back(e.path().filename().string());
  EXPECT_EQ(made, std::vector<String>{"склад запасов.gdb.gbk"});
  EXPECT_EQ(BackupRows(), 1);
  EXPECT_TRUE(ReportHas("Резервирование успешно завершено!"));
}

TEST_F(Runs, NothingBackedUpRecordsNoBackup) {
  // Nothing checked: the frame and success, but no row and no dated folder left.
  Module->BackupDatabases(1);
  EXPECT_EQ(BackupRows(), 0);
  EXPECT_FALSE(DirectoryExists(BackupFolder()));
  EXPECT_EQ(ReportLines(), (std::vector<String>{kTimeLine, "Будет производится резервирование БД", "",
                                                "Резервирование успешно завершено!", kTimeLine, ""}));
  EXPECT_EQ(Window.Beeps, 1);
}

TEST_F(Runs, WhenEveryFileFailsNoRowClaimsABackup) {
  std::ofstream(DatabasesFolder + "/a.gdb", std::ios::binary | std::ios::trunc) << String(65536, 'Z');
  CheckFiles({"a.gdb"});
  Module->BackupDatabases(1);
  EXPECT_EQ(BackupRows(), 0);
  EXPECT_EQ(CountLinesStartingWith("Произошла ошибка : "), 1);
  EXPECT_TRUE(ReportHas("Резервирование завершено c ошибками! Не удалось резервировать:\r\ra.gdb\r"));
  EXPECT_FALSE(PathExists(BackupFolder() + "/a.gdb.gbk"));
}

TEST_F(Runs, AFailedFileIsListedAndMarkedWhileTheOthersAreRecorded) {
  std::ofstream(DatabasesFolder + "/b.gdb", std::ios::binary | std::ios::trunc) << String(65536, 'Z');
  Module->BackupDatabases(0);
  EXPECT_EQ(BackupRows(), 1);
  EXPECT_TRUE(ReportHas("Резервирование завершено c ошибками! Не удалось резервировать:\r\rb.gdb\r"));
  EXPECT_GT(FileSize(BackupFolder() + "/a.gdb.gbk"), 0);
  EXPECT_FALSE(PathExists(BackupFolder() + "/b.gdb.gbk"));
  // The restore page lists only the good backups.
  ShowRestorePage();
  EXPECT_EQ(FileList(), (std::vector<String>{"склад запасов.gdb.gbk", "a.gdb.gbk"}));
}

TEST_F(Runs, TheRefusalsBeforeABackupStarts) {
  struct Case {
    const char* name;
    std::function<void(TDataSet*)> set;
    const char* message;
  } cases[] = {
      {"no root", [&](TDataSet* q) { q->FieldByName("BKFOLDER")->SetAsString(BackupsFolder + "/нет"); },
       "Не найден путь до резервных копий БД!"},
      {"network without backup folder",
       [](TDataSet* q) {
         q->FieldByName("ISREMOTE")->SetAsString("T");
         q->FieldByName("PROTOCOL")->SetAsInteger(3);
         q->FieldByName("BKFOLDER")->Clear();
       },
       "При работе с сетевой БД необходимо указывать директорию для архивных копий!"},
      {"network without protocol", [](TDataSet* q) { q->FieldByName("ISREMOTE")->SetAsString("T"); },
       "Для сетевой БД не указан сетевой протокол!"},
      {"network with protocol 0",
       [](TDataSet* q) {
         q->FieldByName("ISREMOTE")->SetAsString("T");
         q->FieldByName("PROTOCOL")->SetAsInteger(0);
       },
       "Для сетевой БД не указан сетевой протокол!"},
      {"SPX",
       [](TDataSet* q) {
         q->FieldByName("ISREMOTE")->SetAsString("T");
         q->FieldByName("PROTOCOL")->SetAsInteger(1);
       },
       "Сетевой протокол Novell SPX не поддерживается, используйте TCP/IP!"},
      {"NetBEUI",
       [](TDataSet* q) {
         q->FieldByName("ISREMOTE")->SetAsString("T");
         q->FieldByName("PROTOCOL")->SetAsInteger(2);
       },
       "Сетевой протокол NetBEUI не поддерживается, используйте TCP/IP!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Module->qProjects->Edit();
    Module->qProjects->FieldByName("ISREMOTE")->SetAsString("F");
    Module->qProjects->FieldByName("PROTOCOL")->Clear();
    Module->qProjects->FieldByName("BKFOLDER")->SetAsString(BackupsFolder);
    c.set(Module->qProjects);
    Module->qProjects->Post();
    Window.Messages.clear();
    Module->BackupDatabases(0);
    EXPECT_EQ(Window.Messages, std::vector<String>{c.message});
    EXPECT_EQ(Lines->Count(), 0);  // nothing written
    EXPECT_FALSE(PathExists(BackupFolder()));
    EXPECT_EQ(Window.Beeps, 0);
  }
  EXPECT_EQ(BackupRows(), 0);
}

TEST_F(Runs, TwoBackupsInOneSecondAndTheFallbackRoot) {
  CheckFiles({"b.gdb"});
  Module->BackupDatabases(1);
  Module->BackupDatabases(1);
  EXPECT_EQ(Window.Messages, std::vector<String>{"Не удается создать файлы резервных копий БД!"});
  Clock.Advance(1000);
  // A local project without a backup folder backs up into "bk" beside db.gdb.
  Module->qProjects->Edit();
  Module->qProjects->FieldByName("BKFOLDER")->Clear();
  Module->qProjects->Post();
  CheckFiles({"b.gdb"});
  Module->BackupDatabases(1);
  EXPECT_GT(FileSize(ProgramFolder + "/bk/11-12-2026-06-00-01/b.gdb.gbk"), 0);
  EXPECT_EQ(BackupRows(), 2);
}

TEST_F(Runs, ARunCannotBeStartedWhileOneGoesOn) {
  int nested = 0;
  Window.OnUpdate = [&] {
    // The user presses a run button again while the window handles its messages.
    ++nested;
    Module->BackupDatabases(0);
    Module->ValidateDatabases(0);
    Module->RestoreDatabases();
    EXPECT_FALSE(Module->DeleteBackup());
  };
  Module->BackupDatabases(0);
  Window.OnUpdate = nullptr;
  EXPECT_GT(nested, 0);
  EXPECT_EQ(CountLinesStartingWith("============== "), 2);  // one frame only
  EXPECT_EQ(BackupRows(), 1);
  EXPECT_EQ(Window.RunStates, (std::vector<bool>{true, false}));
}

TEST_F(Runs, TheBackupListShowsTheFilesOfTheSelectedBackupOnTheRestorePageOnly) {
  Module->BackupDatabases(0);
  Clock.Advance(60000);
  CheckFiles({"b.gdb"});
  Module->BackupDatabases(1);
  // Elsewhere a backup row does not touch the list.
  Window.Page = mpProjects;
  Module->qProjects->First();
  Module->qBackups->First();
  EXPECT_EQ(FileList().size(), 3u);
  EXPECT_TRUE(Window.Backups.empty());
  ShowRestorePage();
  // Newest first: the second backup holds one file.
  EXPECT_EQ(FileList(), std::vector<String>{"b.gdb.gbk"});
  EXPECT_EQ(Window.Backups.back(), true);
  Module->qBackups->Next();
  EXPECT_EQ(FileList(), (std::vector<String>{"склад запасов.gdb.gbk", "b.gdb.gbk", "a.gdb.gbk"}));
}

TEST_F(Runs, RestoreMakesTheSideCopyFirstAndBringsTheBackupsRowsBack) {
  CheckFiles({"склад запасов.gdb"});
  Module->BackupDatabases(1);
  const String database = DatabasesFolder + "/склад запасов.gdb";
  // Rows added after the backup are gone after the restore, and live on in the side copy.
  scratch::Folder scratchCopy("vorn-app-copy");
  {
    TFIBDatabase* db = New<TFIBDatabase>(nullptr);
    TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
    scratch::Configure(db, database, 3);
    tr->SetDefaultDatabase(db);
    db->Open();
    tr->StartTransaction();
    scratch::Exec(db, tr, "INSERT INTO T VALUES (100000, 'после копии')");
    tr->Commit();
    tr->Free();
    db->Close();
    db->Free();
  }
  const std::string before = FileBytes(database);
  Lines->Clear();
  ShowRestorePage();
  CheckFiles({"склад запасов.gdb.gbk"});
  Module->RestoreDatabases();
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_EQ(FileBytes(database + "~"), before);
  EXPECT_EQ(CountSampleRows(database), 1500);
  EXPECT_EQ(CountSampleRows(database + "~"), 1501);
  const std::vector<String> lines = ReportLines();
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[0], kTimeLine);
  EXPECT_EQ(lines[1], "Будет производится восстановление БД");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "Создана копия файла : " + database + "~");
  EXPECT_EQ(lines[4], "Файл архива : " + BackupFolder() + "/склад запасов.gdb.gbk");
  EXPECT_EQ(lines[5], "Файл БД : " + database);
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[lines.size() - 3], "Восстановление успешно завершено!");
  EXPECT_EQ(CountLinesStartingWith("gbak:finishing, closing, and going home"), 1);
  // A second restore replaces the older side copy.
  Lines->Clear();
  Module->RestoreDatabases();
  EXPECT_EQ(CountSampleRows(database + "~"), 1500);
}

TEST_F(Runs, RestoreFromACutBackupFailsAndKeepsTheSideCopy) {
  CheckFiles({"a.gdb"});
  Module->BackupDatabases(1);
  const String gbk = BackupFolder() + "/a.gdb.gbk";
  std::filesystem::resize_file(gbk, static_cast<uintmax_t>(FileSize(gbk) / 2));
  const String database = DatabasesFolder + "/a.gdb";
  const std::string before = FileBytes(database);
  Lines->Clear();
  ShowRestorePage();
  CheckFiles({"a.gdb.gbk"});
  Module->RestoreDatabases();
  EXPECT_EQ(FileBytes(database + "~"), before);
  EXPECT_EQ(CountSampleRows(database + "~"), 300);
  EXPECT_EQ(CountLinesStartingWith("Произошла ошибка : "), 1);
  EXPECT_TRUE(ReportHas("Копия файла до восстановления сохранена : " + database + "~"));
  EXPECT_TRUE(ReportHas("Восстановление завершено c ошибками! Не восстановлены файлы:\r\ra.gdb\r"));
  EXPECT_FALSE(ReportHas("Восстановление успешно завершено!"));
}

TEST_F(Runs, RestoreWithNothingCheckedWritesTheFrameAndTheRefusals) {
  Module->BackupDatabases(0);
  Lines->Clear();
  ShowRestorePage();
  Module->RestoreDatabases();
  EXPECT_EQ(ReportLines(), (std::vector<String>{kTimeLine, "Будет производится восстановление БД", "",
                                                "Восстановление успешно завершено!", kTimeLine, ""}));
  // A missing root is refused before anything is written.
  Lines->Clear();
  std::filesystem::rename(BackupsFolder, BackupsFolder + ".moved");
  Module->RestoreDatabases();
  EXPECT_EQ(Window.Messages, std::vector<String>{"Не найден путь до резервных копий БД!"});
  EXPECT_EQ(Lines->Count(), 0);
}

TEST_F(Runs, DeletingABackupAsksAndRemovesFolderAndRow) {
  Module->BackupDatabases(0);
  ShowRestorePage();
  Window.Answers = {false};
  EXPECT_FALSE(Module->DeleteBackup());
  ASSERT_EQ(Window.Questions.size(), 1u);
  EXPECT_EQ(Window.Questions[0],
            "Удалить резервную копию БД от " + Module->qBackups->FieldByName("BKDATE")->AsString() + "?");
  EXPECT_TRUE(DirectoryExists(BackupFolder()));
  EXPECT_EQ(BackupRows(), 1);
  Window.Answers = {true};
  const String cwd = GetCurrentDir();
  EXPECT_TRUE(Module->DeleteBackup());
  EXPECT_FALSE(PathExists(BackupFolder()));
  EXPECT_EQ(BackupRows(), 0);
  EXPECT_EQ(GetCurrentDir(), cwd);
  EXPECT_TRUE(Window.Messages.empty());
}

TEST_F(Runs, DeletingABackupRemovesALinkInsideItNotWhatItPointsTo) {
  Module->BackupDatabases(0);
  scratch::Folder outside("vorn-app-outside");
  std::ofstream(outside.File("precious.gdb")) << "keep me";
  ASSERT_EQ(symlink(outside.Path().c_str(), (BackupFolder() + "/link").c_str()), 0);
  ASSERT_EQ(symlink(outside.File("precious.gdb").c_str(), (BackupFolder() + "/file-link").c_str()), 0);
  ShowRestorePage();
  Window.Answers = {true};
  EXPECT_TRUE(Module->DeleteBackup());
  EXPECT_FALSE(PathExists(BackupFolder()));
  EXPECT_EQ(FileBytes(outside.File("precious.gdb")), "keep me");
  EXPECT_EQ(BackupRows(), 0);
}

TEST_F(Runs, ABackupWhoseFolderCannotBeDeletedKeepsItsRow) {
  CheckFiles({"b.gdb"});
  Module->BackupDatabases(1);
  const String locked = BackupFolder() + "/b.gdb.gbk";
  if (!ProtectFromDeletion(locked, true)) GTEST_SKIP() << "no way to protect a file here";
  ShowRestorePage();
  Window.Answers = {true};
  const bool deleted = Module->DeleteBackup();
  ProtectFromDeletion(locked, false);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(Window.Messages, std::vector<String>{"Не могу удалить файл: b.gdb.gbk"});
  EXPECT_TRUE(DirectoryExists(BackupFolder()));
  EXPECT_EQ(BackupRows(), 1);
  // Once the file may go, the same command deletes both.
  Window.Answers = {true};
  EXPECT_TRUE(Module->DeleteBackup());
  EXPECT_EQ(BackupRows(), 0);
}

TEST_F(Runs, ABackupWhoseFolderIsGoneLosesItsRowAfterTheMessage) {
  Module->BackupDatabases(0);
  std::filesystem::remove_all(BackupFolder());
  ShowRestorePage();
  Window.Answers = {true};
  EXPECT_TRUE(Module->DeleteBackup());
  EXPECT_EQ(Window.Messages, std::vector<String>{"Не могу открыть каталог: " + BackupFolder()});
  EXPECT_EQ(BackupRows(), 0);
}

TEST_F(Runs, ValidationOfCleanDatabasesAndOfAMissingOne) {
  CheckFiles({"a.gdb", "b.gdb"});
  DeleteFile(DatabasesFolder + "/b.gdb");  // deleted after the list was built
  Module->ValidateDatabases(1);
  EXPECT_EQ(ReportLines(), (std::vector<String>{kTimeLine, "Будет производится проверка БД", "",
                                                "Будет обрбатываться " + DatabasesFolder + "/a.gdb", "",
                                                "Проверка завершена c ошибками! Не найдены файлы:\r\rb.gdb\r",
                                                kTimeLine, ""}));
  EXPECT_EQ(Window.Beeps, 1);
  Lines->Clear();
  // Repairing a sound database finds nothing to mend.
  Module->ValidateDatabases(2);
  EXPECT_EQ(ReportLines()[1], "Будет производится исправление БД");
  EXPECT_EQ(ReportLines()[3], "Будет обрбатываться " + DatabasesFolder + "/a.gdb");
  EXPECT_TRUE(ReportHas("Исправление завершено c ошибками! Не найдены файлы:\r\rb.gdb\r"));
  // With nothing checked the frame alone.
  Lines->Clear();
  Module->qProjects->First();
  Module->ValidateDatabases(2);
  EXPECT_EQ(ReportLines(), (std::vector<String>{kTimeLine, "Будет производится исправление БД", "",
                                                "Исправление завершено!", kTimeLine, ""}));
}

TEST_F(Runs, ValidationFindsTheDamageOfACopyAndRepairMendsIt) {
  const String damaged = DatabasesFolder + "/копия.gdb";
  MakeSampleDatabase(damaged, 20000);
  {
    // Pages in the middle of the file, where the rows live, zeroed.
    std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(0, std::ios::end);
    const auto size = static_cast<std::streamoff>(f.tellg());
    const String zeros(8192 * 4, '\0');
    f.seekp(size / 2 / 8192 * 8192);
    f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  Module->qProjects->First();  // the list again, with the copy
  CheckFiles({"копия.gdb"});
  Module->ValidateDatabases(1);
  EXPECT_EQ(CountLinesStartingWith("Произошла ошибка : "), 1);
  EXPECT_NE(ReportText().find("Summary of validation errors"), String::npos) << ReportText();
  EXPECT_NE(ReportText().find("data page errors"), String::npos) << ReportText();
  EXPECT_TRUE(ReportHas("Проверка завершена c ошибками! Не найдены файлы:\r\rкопия.gdb\r"));
  // The repair mends the data pages (the server reports what it found as the run's error).
  Lines->Clear();
  Module->ValidateDatabases(2);
  EXPECT_EQ(ReportLines()[1], "Будет производится исправление БД");
  EXPECT_TRUE(ReportHas("Будет обрбатываться " + damaged));
  EXPECT_NE(ReportText().find("data page errors"), String::npos) << ReportText();
  EXPECT_TRUE(ReportHas("Исправление завершено c ошибками! Не найдены файлы:\r\rкопия.gdb\r"));
  // Validated again, the data pages are sound.
  Lines->Clear();
  Module->ValidateDatabases(1);
  EXPECT_EQ(ReportText().find("data page errors"), String::npos) << ReportText();
}

TEST_F(Runs, ANetworkProjectRunsThroughTheServer) {
  const char* server = getenv("VORN_FB_SERVER");
  const char* password = getenv("VORN_FB_SERVER_PASSWORD");
  if (!server || !*server) GTEST_SKIP() << "no loopback server in this environment";
  // The server writes the files: the folders must be open to it.
  chmod(DatabasesFolder.c_str(), 0777);
  chmod(BackupsFolder.c_str(), 0777);
  for (const char* f : {"a.gdb", "b.gdb", "склад запасов.gdb"}) chmod((DatabasesFolder + "/" + f).c_str(), 0666);
  Module->qProjects->Edit();
  Module->qProjects->FieldByName("ISREMOTE")->SetAsString("T");
  Module->qProjects->FieldByName("PROTOCOL")->SetAsInteger(3);
  Module->qProjects->FieldByName("SERVERNAME")->SetAsString(server);
  Module->qProjects->FieldByName("RMFOLDER")->SetAsString(DatabasesFolder);
  Module->qProjects->FieldByName("OPTIONSDB")->SetAsString(String("user_name=SYSDBA\r\npassword=") + password);
  Module->qProjects->Post();
  CheckFiles({"b.gdb"});
  Module->BackupDatabases(1);
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_TRUE(ReportHas("Резервирование успешно завершено!")) << ReportText();
  EXPECT_GT(FileSize(BackupFolder() + "/b.gdb.gbk"), 0);
  Lines->Clear();
  Module->ValidateDatabases(1);
  EXPECT_TRUE(ReportHas("Проверка завершена!")) << ReportText();
}

}  // namespace
}  // namespace apptest
