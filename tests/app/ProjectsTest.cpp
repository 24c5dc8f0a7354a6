// Projects (add, delete, save, the folder pickers), the database-file list with the extension masks, the
// password change and the options.
#include "AppSupport.h"
#include "app/bkOptions.h"
#include "app/login.h"
#include "app/password.h"
#include "rtl/Files.h"

namespace apptest {
namespace {

using Projects = AppTest;

TEST_F(Projects, AddMakesANewProjectWithTheDefaultConnectionAndCommitsIt) {
  OpenModule();
  Module->AddProject();
  TDataSet* q = Module->qProjects;
  EXPECT_EQ(q->State(), dsBrowse);
  EXPECT_EQ(q->FieldByName("NAME")->AsString(), "Новый проект");
  EXPECT_EQ(q->FieldByName("OPTIONSDB")->AsString(), "user_name=SYSDBA\r\npassword=plumtrove");
  const int32_t id = q->FieldByName("ID")->AsInteger();
  EXPECT_GT(id, 0);
  // Committed: another connection sees it, with every other column null.
  EXPECT_EQ(OwnValue("SELECT COUNT(*) FROM PROJECTS WHERE ID = " + IntToStr(id) +
                     " AND NAME = 'Новый проект' AND BKFOLDER IS NULL AND RSFOLDER IS NULL AND SERVERNAME IS NULL "
                     "AND PROTOCOL IS NULL AND RMFOLDER IS NULL AND ISREMOTE IS NULL")
                .AsInteger(),
            1);
  EXPECT_EQ(OwnValue("SELECT GEN_ID(PROJECTS_ID, 0) FROM RDB$DATABASE").AsInteger(), id);
}

TEST_F(Projects, DeleteAsksFirstAndKeepsTheProjectsBackups) {
  OpenModule();
  AddLocalProject("Склад", DatabasesFolder);
  ExecOwn("INSERT INTO BACKUPS (BKDATE, IDPROJECT) VALUES ('2026-12-01 10:00:00', " +
          IntToStr(Module->qProjects->FieldByName("ID")->AsInteger()) + ")");
  Window.Answers = {false};
  EXPECT_FALSE(Module->DeleteProject());
  EXPECT_EQ(Window.Questions, std::vector<String>{"Удалить проект Склад?"});
  EXPECT_EQ(OwnValue("SELECT COUNT(*) FROM PROJECTS").AsInteger(), 1);
  Window.Answers = {true};
  EXPECT_TRUE(Module->DeleteProject());
  EXPECT_EQ(OwnValue("SELECT COUNT(*) FROM PROJECTS").AsInteger(), 0);
  EXPECT_EQ(OwnValue("SELECT COUNT(*) FROM BACKUPS").AsInteger(), 1);
}

TEST_F(Projects, SaveAndTheFolderPickers) {
  OpenModule();
  AddLocalProject("Склад", DatabasesFolder);
  // A picker's choice waits in edit state, neither posted nor committed.
  Module->SetProjectFolder("BKFOLDER", BackupsFolder);
  EXPECT_EQ(Module->qProjects->State(), dsEdit);
  EXPECT_EQ(Module->qProjects->FieldByName("BKFOLDER")->AsString(), BackupsFolder);
  EXPECT_TRUE(VarIsNull(OwnValue("SELECT BKFOLDER FROM PROJECTS")));
  Module->SaveProject();
  EXPECT_EQ(Module->qProjects->State(), dsBrowse);
  EXPECT_EQ(OwnValue("SELECT BKFOLDER FROM PROJECTS").AsString(), BackupsFolder);
  // Saving with nothing pending commits too.
  EXPECT_NO_THROW(Module->SaveProject());
}

TEST_F(Projects, TheDataChangeTellsTheWindowAboutTheCurrentProject) {
  OpenModule();
  Module->qProjects->First();
  EXPECT_FALSE(Window.Projects.HasProjects);
  AddLocalProject("Архив 2026", DatabasesFolder);
  EXPECT_TRUE(Window.Projects.HasProjects);
  EXPECT_EQ(Window.Projects.Name, "Архив 2026");
  EXPECT_FALSE(Window.Projects.IsRemote);
  // "Сетевая БД" posts at once; the change shows the network fields.
  for (const char* remote : {"T", "t", "Y", "y"}) {
    Module->qProjects->Edit();
    Module->qProjects->FieldByName("ISREMOTE")->SetAsString(remote);
    Module->qProjects->Post();
    EXPECT_TRUE(Window.Projects.IsRemote) << remote;
  }
  for (const char* local : {"F", "N", "1", ""}) {
    Module->qProjects->Edit();
    Module->qProjects->FieldByName("ISREMOTE")->SetAsString(local);
    Module->qProjects->Post();
    EXPECT_FALSE(Window.Projects.IsRemote) << local;
  }
  Window.Answers = {true};
  Module->DeleteProject();
  EXPECT_FALSE(Window.Projects.HasProjects);
}

class FileListTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    for (const char* name : {"b.gdb", "A.GDB", "c.gdba", "склад запасов.gdb", "d.fdb", "notes.txt", ".hidden.gdb",
                             "e.gdb~"})
      std::ofstream(DatabasesFolder + "/" + name) << "x";
    ForceDirectories(DatabasesFolder + "/folder.gdb");
  }
};

TEST_F(FileListTest, ListsTheProjectFolderByTheMasksInTheOrderTheInsertsLeave) {
  OpenModule();
  const int before = Window.FileListChanges;
  AddLocalProject("Склад", DatabasesFolder);
  EXPECT_GT(Window.FileListChanges, before);
  // Sorted by name (case ignored), each file inserted before the one listed before it.
  EXPECT_EQ(FileList(), (std::vector<String>{"склад запасов.gdb", "d.fdb", "c.gdba", "b.gdb", "A.GDB"}));
  Module->mdDbFiles->First();
  for (; !Module->mdDbFiles->Eof(); Module->mdDbFiles->Next())
    EXPECT_FALSE(Module->mdDbFilescheck->AsBoolean());
}

TEST_F(FileListTest, TheMasksOfTheOptionsApplyFromTheNextList) {
  OpenModule();
  AddLocalProject("Склад", DatabasesFolder);
  const struct {
    const char* masks;
    std::vector<String> files;
  } cases[] = {
      {"*.gdb", {"склад запасов.gdb", "b.gdb", "A.GDB"}},
      {" *.FDB ;*.txt", {"notes.txt", "d.fdb"}},
      {"", {}},
      {"a.*, c.*", {"c.gdba", "A.GDB"}},
  };
  for (const auto& c : cases) {
    SaveDatabaseExtensions(Module, c.masks);
    EXPECT_EQ(ReadDatabaseExtensions(Module), c.masks);
    EXPECT_EQ(OwnValue("SELECT COALESCE(EXTENSION, '') FROM OPTIONS").AsString(), Trim(c.masks).empty() ? String() : String(c.masks));
    Module->qProjects->First();  // the next data change builds the list anew
    EXPECT_EQ(FileList(), c.files) << c.masks;
  }
}

TEST_F(FileListTest, AFolderThatDoesNotExistGivesAnEmptyList) {
  OpenModule();
  AddLocalProject("Склад", DatabasesFolder + "/нет такой");
  EXPECT_TRUE(FileList().empty());
  AddLocalProject("Пустой", String());
  EXPECT_TRUE(FileList().empty());
}

using Password = AppTest;

TEST_F(Password, TheOldPasswordMustMatchAndTheNewOneItsConfirmation) {
  OpenModule();
  struct Case {
    const char* oldPassword;
    const char* newPassword;
    const char* confirmation;
    bool changed;
    const char* message;
    const char* stored;  // null: PASS is null afterwards
  } cases[] = {
      {"x", "a", "a", false, "Неверно указан старый пароль!", nullptr},
      {"", "Пароль1", "пароль1", false, "Новый пароль не совпадает с подтверждением!", nullptr},
      {"", "Пароль1", "Пароль1", true, "Пароль успешно изменен!", "Пароль1"},
      {"пароль1", "b", "b", false, "Неверно указан старый пароль!", "Пароль1"},
      {"Пароль1", "", "", true, "Пароль успешно изменен!", nullptr},
  };
  for (const Case& c : cases) {
    const TPasswordChange r = ChangeLoginPassword(Module, c.oldPassword, c.newPassword, c.confirmation);
    EXPECT_EQ(r.Changed, c.changed) << c.oldPassword << " -> " << c.newPassword;
    EXPECT_EQ(r.Message, c.message);
    const Variant stored = OwnValue("SELECT PASS FROM OPTIONS");
    if (c.stored) EXPECT_EQ(stored.AsString(), c.stored);
    else EXPECT_TRUE(VarIsNull(stored));
  }
  // The empty password stored as null lets an empty entry in.
  EXPECT_TRUE(LoginPasswordMatches(Module->qOptions, ""));
  EXPECT_FALSE(LoginPasswordMatches(Module->qOptions, "Пароль1"));
}

TEST_F(Password, ATooLongPasswordIsRefusedByThePostAndStaysInEdit) {
  OpenModule();
  EXPECT_THROW(ChangeLoginPassword(Module, "", String(60, 'x'), String(60, 'x')), Exception);
  EXPECT_EQ(Module->qOptions->State(), dsEdit);
  Module->qOptions->Cancel();
  EXPECT_TRUE(VarIsNull(OwnValue("SELECT PASS FROM OPTIONS")));
}

}  // namespace
}  // namespace apptest
