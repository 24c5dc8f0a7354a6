// Start-up and shutdown over the program's own database, the data module's components as its form
// resource declares them, the login check and the page codes.
#include "AppSupport.h"
#include "app/OwnDatabase.h"
#include "app/VORN.h"
#include "app/login.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/Files.h"

namespace apptest {
namespace {

using StartUp = AppTest;

TEST_F(StartUp, FindsDbGdbInTheProgramFolderAndOpensTheThreeDatasets) {
  OpenModule();
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_EQ(Module->Database->DBName(), ProgramFolder + "/db.gdb");
  EXPECT_TRUE(Module->Database->Connected());
  EXPECT_TRUE(Module->qBackups->Active());
  EXPECT_TRUE(Module->qProjects->Active());
  EXPECT_TRUE(Module->qOptions->Active());
  EXPECT_EQ(Module->DataFolder(), ProgramFolder);
  EXPECT_EQ(Module->FallbackBackupRoot(), ProgramFolder + "/bk");
}

TEST_F(StartUp, TheFileMayBeSpeltInAnyLetterCase) {
  ASSERT_TRUE(CopyFile(TemplateOwnDatabase(), ProgramFolder + "/DB.GDB", true));
  OpenModule(false);
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_EQ(Module->Database->DBName(), ProgramFolder + "/DB.GDB");
  EXPECT_TRUE(Module->qOptions->Active());
}

TEST_F(StartUp, AnInstalledProgramUsesTheUsersDataFolder) {
  const String dataFolder = GetEnvironmentVariable("XDG_DATA_HOME") + "/vorn";
  ForceDirectories(dataFolder);
  ASSERT_TRUE(CopyFile(TemplateOwnDatabase(), dataFolder + "/db.gdb", false));
  OpenModule(false);
  DeleteFile(dataFolder + "/db.gdb");
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_EQ(Module->DataFolder(), dataFolder);
  EXPECT_EQ(Module->FallbackBackupRoot(), dataFolder + "/bk");
  EXPECT_TRUE(Module->qProjects->Active());
}

TEST_F(StartUp, WithoutDbGdbTheProgramSaysSoAndEnds) {
  Module = New<TdmMain>(nullptr);
  Module->SetWindow(&Window);
  EXPECT_FALSE(Module->OpenOwnDatabase(ProgramFolder));
  EXPECT_EQ(Window.Messages, std::vector<String>{"Не найдена база данных DB.GDB! Программа будет закрыта."});
  EXPECT_FALSE(Module->Database->Connected());
  EXPECT_FALSE(Module->qBackups->Active());
  EXPECT_FALSE(Module->qProjects->Active());
  EXPECT_FALSE(Module->qOptions->Active());
}

TEST_F(StartUp, AFileThatIsNoDatabaseIsReportedAndTheProgramGoesOn) {
  std::ofstream(ProgramFolder + "/db.gdb", std::ios::binary) << String(65536, 'Z');
  OpenModule(false);
  ASSERT_EQ(Window.Messages.size(), 1u);
  EXPECT_NE(Window.Messages[0].find("db.gdb"), String::npos) << Window.Messages[0];
  EXPECT_FALSE(Module->qProjects->Active());
}

TEST_F(StartUp, AnOlderDatabaseInWin1251StillOpens) {
  const String path = ProgramFolder + "/db.gdb";
  scratch::CreateDatabase(path, 1, "WIN1251");
  {
    TFIBDatabase* db = New<TFIBDatabase>(nullptr);
    TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
    scratch::Configure(db, path, 1, "UTF8");  // the text is transliterated into the columns' WIN1251
    tr->SetDefaultDatabase(db);
    db->Open();
    tr->StartTransaction();
    for (const char* sql : owndb::Schema) {
      scratch::Exec(db, tr, sql);
      tr->Commit();
      tr->StartTransaction();
    }
    scratch::Exec(db, tr, "INSERT INTO OPTIONS (PASS, EXTENSION) VALUES ('пароль', '*.gdb')");
    scratch::Exec(db, tr, "INSERT INTO PROJECTS (ID, NAME) VALUES (1, 'Бухгалтерия')");
    tr->Commit();
    tr->Free();
    db->Close();
    db->Free();
  }
  OpenModule(false);
  EXPECT_TRUE(Window.Messages.empty());
  EXPECT_EQ(Module->qProjects->FieldByName("NAME")->AsString(), "Бухгалтерия");
  EXPECT_TRUE(LoginPasswordMatches(Module->qOptions, "пароль"));
}

TEST_F(StartUp, TheComponentsCarryTheirSettings) {
  OpenModule();
  EXPECT_EQ(Module->Name(), "dmMain");
  TStrings* params = Module->Database->DBParams();
  ASSERT_EQ(params->Count(), 4);
  EXPECT_EQ(params->Strings(0), "lc_ctype=UTF8");
  EXPECT_EQ(params->Strings(2), "user_name=SYSDBA");
  EXPECT_EQ(params->Strings(3), "password=plumtrove");
  EXPECT_EQ(Module->Database->SQLDialect(), 1);
  EXPECT_EQ(Module->qProjects->SelectSQL()->Text(), "SELECT * FROM projects ORDER BY name\r\n");
  EXPECT_EQ(Module->qBackups->SelectSQL()->Text(),
            "SELECT backups.*, projects.* FROM backups LEFT JOIN projects ON (projects.id = backups.idproject) "
            "ORDER BY  bkdate DESC\r\n");
  EXPECT_EQ(Module->qOptions->SelectSQL()->Text(), "SELECT * FROM options\r\n");
  EXPECT_NE(Module->qProjects->RefreshSQL()->Text().find("PROJECTS.ID = ?OLD_ID"), String::npos);
  // The backups dataset wrote its own statements for BACKUPS on its first open.
  EXPECT_NE(Module->qBackups->InsertSQL()->Text().find("Insert into BACKUPS"), String::npos);
  EXPECT_EQ(Module->qBackups->FieldByName("BKDATE")->ClassType()->ClassName(), String("TFIBDateTimeField"));
  EXPECT_TRUE(Module->BackupService->Verbose());
  EXPECT_FALSE(Module->BackupService->LoginPrompt());
  EXPECT_TRUE(Module->BackupService->Options() == (TBackupOptions{IgnoreChecksums, IgnoreLimbo}));
  EXPECT_EQ(Module->RestoreService->PageSize(), 4096);
  EXPECT_TRUE(Module->RestoreService->Options() == (TRestoreOptions{Replace, CreateNewDB}));
  EXPECT_FALSE(Module->ValidationService->LoginPrompt());
  EXPECT_EQ(Module->mdDbFilesfilename->Size(), 255);
  EXPECT_TRUE(Module->dsProjects->OnDataChange.Assigned());
  EXPECT_TRUE(Module->BackupService->OnTextNotify().Assigned());
}

TEST_F(StartUp, ClosingPostsAPendingEditAndCommits) {
  OpenModule();
  AddLocalProject("Склад", DatabasesFolder);
  Module->qProjects->Edit();
  Module->qProjects->FieldByName("NAME")->SetAsString("Склад «Восток»");
  Module->CloseOwnDatabase();
  EXPECT_EQ(OwnValue("SELECT NAME FROM PROJECTS").AsString(), "Склад «Восток»");
}

TEST(Login, ThePasswordMustMatchExactly) {
  struct Case {
    const char* stored;  // null: no password
    const char* entered;
    bool matches;
  } cases[] = {
      {nullptr, "", true},       {nullptr, "x", false},          {"", "", true},
      {"Секрет", "Секрет", true}, {"Секрет", "секрет", false},    {"secret", "Secret", false},
      {"secret", "secret ", false},
  };
  for (const Case& c : cases) {
    auto* md = New<TdxMemData>(nullptr);
    auto* pass = New<TStringField>(md);
    pass->SetFieldName("PASS");
    pass->SetSize(200);
    pass->SetDataSet(md);
    md->Open();
    md->Append();
    if (c.stored) pass->SetAsString(c.stored);
    md->Post();
    EXPECT_EQ(LoginPasswordMatches(md, c.entered), c.matches) << (c.stored ? c.stored : "<null>") << " / " << c.entered;
    md->Free();
  }
  EXPECT_FALSE(LoginPasswordMatches(nullptr, ""));
}

TEST(Pages, TheLoginOpensThePageOfTheStoredCode) {
  const std::pair<intptr_t, TPageCode> cases[] = {
      {0, pcProjectsPage}, {1, pcProjectsPage}, {2, pcValidatePage}, {3, pcBackupPage},
      {4, pcRestorePage},  {5, pcReportPage},   {6, pcNoPage},       {-1, pcNoPage}};
  for (const auto& [tag, page] : cases) EXPECT_EQ(LoginPageCommand(tag), page) << tag;
}

TEST(Pages, TheTagKeepsPageCodesNotPositions) {
  struct Case {
    TMainPage shown;
    intptr_t previous;
    TPageCode code;
  } cases[] = {
      {mpProjects, 5, pcProjectsPage}, {mpBackup, 2, pcValidatePage}, {mpBackup, 3, pcBackupPage},
      {mpBackup, 1, pcBackupPage},     {mpRestore, 1, pcRestorePage}, {mpReport, 2, pcReportPage},
      {mpClean, 4, pcRestorePage},     {mpClean, 9, pcNoPage},
  };
  for (const Case& c : cases) EXPECT_EQ(PageCodeOfShownPage(c.shown, c.previous), c.code) << c.shown << "/" << c.previous;
  // A run that switches to the report leaves the report's code, which the login reads as the report.
  EXPECT_EQ(LoginPageCommand(PageCodeOfShownPage(mpReport, pcBackupPage)), pcReportPage);
}

TEST(ProgramBlock, TheLocaleTakesFileNamesAsUtf8) {
  EXPECT_TRUE(LocaleIsUtf8());
  EXPECT_EQ(String(ProductTitle), "Vorn");
  EXPECT_FALSE(GetEnvironmentVariable("FIREBIRD_LOCK").empty());
}

}  // namespace
}  // namespace apptest
