#pragma once
// The program's data side over real databases on the embedded engine: a program folder holding a fresh
// db.gdb, the data module opened on it, a window that records what the module asks of it, and project
// databases with rows to back up, restore and validate.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "ScratchDatabase.h"
#include "ScratchFolder.h"
#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "dbaccess/pZAZDatabase.h"
#include "memdata/dxmdaset.h"
#include "rtl/Clock.h"
#include "rtl/DateTime.h"
#include "rtl/StringLists.h"
#include "rtl/Variants.h"
#include "tools/OwnDatabaseBuilder.h"

namespace apptest {

// A window that remembers every request and answers the questions from a queue (No when it is empty).
class TTestWindow : public IMainWindow {
public:
  TMainPage VisiblePage() override { return Page; }
  void ShowPage(TMainPage page) override {
    Page = page;
    PagesShown.push_back(page);
  }
  void ShowMessageText(const String& text) override { Messages.push_back(text); }
  bool ConfirmYesNo(const String& text) override {
    Questions.push_back(text);
    if (Answers.empty()) return false;
    const bool a = Answers.front();
    Answers.pop_front();
    return a;
  }
  void Beep() override { ++Beeps; }
  void UpdateDuringRun() override {
    ++Updates;
    if (OnUpdate) OnUpdate();
  }
  void RunStateChanged(bool running) override { RunStates.push_back(running); }
  void ProjectsChanged(const TProjectsView& view) override {
    Projects = view;
    ++ProjectsChanges;
  }
  void BackupsChanged(bool hasBackups) override { Backups.push_back(hasBackups); }
  void FileListChanged() override { ++FileListChanges; }

  TMainPage Page = mpClean;
  std::vector<TMainPage> PagesShown;
  std::vector<String> Messages;
  std::vector<String> Questions;
  std::deque<bool> Answers;
  int Beeps = 0;
  int Updates = 0;
  std::function<void()> OnUpdate;
  std::vector<bool> RunStates;
  TProjectsView Projects;
  int ProjectsChanges = 0;
  std::vector<bool> Backups;
  int FileListChanges = 0;
};

// The bytes of a file ("" when it cannot be read).
inline std::string FileBytes(const String& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool PathExists(const String& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Makes a file impossible to delete for this process and back: the immutable flag for the administrator
// (who may delete from any folder), a folder without write access for anyone else. False when neither
// works on this file system.
bool ProtectFromDeletion(const String& file, bool protect);

// A dialect 3 database with table T (ID, NAME) holding `rows` rows.
void MakeSampleDatabase(const String& path, int32_t rows);
// The rows of T and the sum of their IDs.
int64_t CountSampleRows(const String& path, int64_t* idSum = nullptr);
// The program's own database made once per process, copied for each test.
const String& TemplateOwnDatabase();

// The module over a fresh db.gdb in a program folder of its own, on a manual clock.
class AppTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the module on the program folder (the test may place db.gdb first).
  void OpenModule(bool withDatabase = true);
  // A statement on a connection of its own, committed (what another program would see).
  void ExecOwn(const String& sql);
  Variant OwnValue(const String& sql);

  // A project row through the module's dataset; returns its ID.
  int32_t AddLocalProject(const String& name, const String& rsFolder, const String& bkFolder = String());
  // The report as one text, each line followed by CR LF.
  String ReportText() const;
  std::vector<String> ReportLines() const;
  // The rows of the file list in list order.
  std::vector<String> FileList();
  void CheckFiles(std::initializer_list<const char*> names);

  scratch::Folder Root{"vorn-app"};
  String ProgramFolder;
  String DatabasesFolder;  // the project's database files
  String BackupsFolder;    // the project's backup root
  TTestClock Clock{EncodeDate(2026, 12, 11) + EncodeTime(6, 0, 0, 0)};
  std::unique_ptr<TClockInstaller> ClockInstalled;
  TTestWindow Window;
  TStringList* Lines = nullptr;
  TdmMain* Module = nullptr;
  String SavedDataHome;
};

}  // namespace apptest
