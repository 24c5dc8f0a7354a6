#pragma once
// The main window's work apart from its controls: the program's own database and its datasets, the
// database-file list, the report and the run protocol, and the runs (backup, restore, validation and
// repair), the deletion of backups and the project commands.
//
// The data components live in the data module TdmMain, streamed from its form resource. The main window
// (TfmMain) owns one, binds its grids and editors to the module's data sources, and implements
// IMainWindow, through which the module asks for what only the window can do: show a page, a message or a
// question, repaint while a run goes on. Each handler of the window calls the module's command of the
// same job (btBackupAllClick -> BackupDatabases, btBkResClick -> RestoreDatabases, ...), passing what it
// reads from its own controls (the pressed button's tag).
//
// Everything runs on the main thread. A run calls the service manager synchronously and keeps the window
// alive meanwhile: the report takes the output lines as they come and the window handles its messages
// between them (throttled, see TReport). While a run goes on, another run is refused (Running()).

#include <cstdint>
#include <vector>

#include "rtl/Components.h"
#include "rtl/Units.h"

class Exception;
class TBooleanField;
class TDataSet;
class TDataSource;
class TField;
class TStringField;
class TStrings;
class TdxMemData;
class TpZAZBackupService;
class TpZAZDataSet;
class TpZAZDatabase;
class TpZAZRestoreService;
class TpZAZTransaction;
class TpZAZValidationService;
class TpZAZControlAndQueryService;

// The unit of the main window's data side: registers the classes its form resource names.
extern const TUnit mainUnit;

// ---- pages ----------------------------------------------------------------------------------------------

// The pages of pcAll in page order: the value is the page's position.
enum TMainPage : int32_t { mpClean, mpProjects, mpBackup, mpRestore, mpReport };

// The page codes kept in pcAll's tag (stored with the window state, read by the login).
enum TPageCode : int32_t {
  pcNoPage = 0,
  pcProjectsPage = 1,
  pcValidatePage = 2,
  pcBackupPage = 3,
  pcRestorePage = 4,
  pcReportPage = 5
};

// The page command the login runs for a stored tag: 0 and 1 the projects page, 2 to 5 their own page,
// anything else none (pcNoPage).
TPageCode LoginPageCommand(intptr_t tag);

// The code pcAll's tag keeps once `shown` became the visible page (the page control's change event). The
// backup page serves the backup and the validation command, so there the code stays the one of the
// command that showed it (3 when it was neither); the empty page keeps the code it had. Storing the code,
// not the page's position, keeps the next login opening the page the user left.
TPageCode PageCodeOfShownPage(TMainPage shown, intptr_t previousCode);

// ---- what the data side asks of the main window -----------------------------------------------------------

// What the projects page shows of the current project (the window's part of the projects data change).
struct TProjectsView {
  bool HasProjects = false;  // "Удалить", the three run items and the editors
  bool IsRemote = false;     // the server, protocol and server path fields
  String Name;               // the caption of the name panel
};

class IMainWindow {
public:
  virtual TMainPage VisiblePage() = 0;
  virtual void ShowPage(TMainPage page) = 0;
  // A message box with OK.
  virtual void ShowMessageText(const String& text) = 0;
  // A confirmation box with Yes and No; true for Yes.
  virtual bool ConfirmYesNo(const String& text) = 0;
  // The system's default beep that ends a run.
  virtual void Beep() = 0;
  // Repaints what changed and handles the messages that wait, so that the window stays alive during a
  // run (the report calls it throttled).
  virtual void UpdateDuringRun() = 0;
  // A run starts or ended: the window disables or enables its run commands and refuses to close meanwhile.
  virtual void RunStateChanged(bool running) = 0;
  // The projects dataset changed (scroll, post, refresh, first-row move).
  virtual void ProjectsChanged(const TProjectsView& view) = 0;
  // The restore page's backups changed: its two buttons work only while there is a backup.
  virtual void BackupsChanged(bool hasBackups) = 0;
  // The file list was filled anew: the grid views that show it move to their first row.
  virtual void FileListChanged() = 0;

protected:
  ~IMainWindow() = default;
};

// The platform's standard ways for the four window-independent parts of IMainWindow: message boxes
// under the application's title, the confirmation box, the beep, and handling the waiting messages.
class TMainWindowDialogs : public IMainWindow {
public:
  void ShowMessageText(const String& text) override;
  bool ConfirmYesNo(const String& text) override;
  void Beep() override;
  void UpdateDuringRun() override;

protected:
  ~TMainWindowDialogs() = default;
};

// ---- the report ---------------------------------------------------------------------------------------------

// The report: the lines of meReport, the program's only log. Lines are appended at the end as they come;
// they are kept back and handed to the memo together at most every ThrottleInterval milliseconds, after
// which the window repaints and handles its messages, so that a run of ten thousand output lines costs a
// few hundred updates of the memo instead of ten thousand. Flush hands over what waits at once.
class TReport {
public:
  static constexpr uint32_t ThrottleInterval = 50;

  TReport() = default;
  TReport(const TReport&) = delete;
  TReport& operator=(const TReport&) = delete;

  // The memo's lines (meReport->Lines()); null: the report keeps nothing.
  void SetLines(TStrings* lines);
  TStrings* Lines() const { return FLines; }
  void SetWindow(IMainWindow* window) { FWindow = window; }

  // Appends one line; a text holding line breaks is appended as one text, as it is.
  void Add(const String& text);
  // Hands the waiting lines to the memo and lets the window update.
  void Flush();
  size_t Pending() const { return FPending.size(); }

private:
  TStrings* FLines = nullptr;
  IMainWindow* FWindow = nullptr;
  std::vector<String> FPending;
  uint64_t FLastFlush = 0;
};

// The run kinds and their texts.
enum TRunKind : uint8_t { rkBackup, rkRestore, rkValidation, rkRepair };

struct TRunTexts {
  const char* Opening;
  const char* Success;
  const char* Failure;  // followed by two carriage returns and the failure list
};
const TRunTexts& RunTexts(TRunKind kind);

// The frame every run writes around its work.
class TRunProtocol {
public:
  TRunProtocol(TReport& report, TRunKind kind) : FReport(report), FKind(kind) {}

  // Clears the failure list; the time line, the opening line and an empty line.
  void Begin();
  // A file the run gave up itself: named in the failure list only.
  void Failed(const String& name);
  // A file whose work raised: named in the failure list, and "Произошла ошибка : " with the message.
  void Error(const String& name, const Exception& error);
  bool HasFailures() const { return !FFailures.empty(); }
  const String& FailureList() const { return FFailures; }
  // The success line, or the failure line with two carriage returns and the failure list as one text.
  void Result();
  // The closing time line and an empty line.
  void End();

  // "============== <date and time> ==============" in the short date and long time format.
  static String TimeLine();

private:
  TReport& FReport;
  TRunKind FKind;
  String FFailures;  // each name followed by one carriage return
};

// Writes the lines to the file as UTF-8 text, each followed by CR LF; a carriage return or a line feed
// alone inside a line becomes a line end too. The file is replaced; a failure raises the stream error
// and leaves the report as it was.
void SaveReportToFile(TStrings* lines, const String& fileName);

// ---- paths, names and protocols ---------------------------------------------------------------------------

// A folder and a name joined with one separator unless the folder ends with one. The separator is the
// one the folder's text uses: "\" when it holds a backslash and no slash (a path on a server that runs
// Windows), else "/". An empty folder raises Exception (the per-file handler reports it): a name alone
// would be taken relative to the program's current folder.
String JoinPath(const String& folder, const String& name);
// The backup stamp "dd-mm-yyyy-hh-nn-ss" of a run's moment.
String BackupStamp(TDateTime moment);
// The folder of the backup made at moment under root: root and the stamp joined with a separator.
String BackupFolderOf(const String& root, TDateTime moment);
// The database file a listed backup file was made of: its name without the last four characters (the
// ".gbk" the backup run appended); empty for four characters or fewer.
String DatabaseNameOfBackup(const String& backupFileName);
// ISREMOTE read as a boolean: true when its first character is "T", "t", "Y" or "y".
bool IsRemoteText(const String& text);
// The names of the files (not folders, not hidden) of a folder that match any of the ";"-separated masks,
// sorted as the hidden file list box sorts them (letter case ignored). No masks, no files.
std::vector<String> ListFilesByMasks(const String& folder, const String& masks);

// The settings of a project as a run reads them (from the projects row, or from a backup row's joined
// project columns).
struct TProjectSettings {
  int32_t ID = 0;
  String Name;
  String BkFolder;
  String RsFolder;
  String ServerName;
  int32_t Protocol = 0;  // 0 for null
  String RmFolder;
  bool IsRemote = false;
  String OptionsDB;
};
TProjectSettings ReadProjectSettings(TDataSet* dataSet, const String& idField = "ID");

// Sets a service's connection from the project: its Params from OPTIONSDB, and for a network project the
// server and TCP/IP, for a local one the embedded engine. The service is deactivated first. A network
// project whose protocol is not TCP/IP is refused before (CheckRunProtocol).
void ConnectServiceTo(TpZAZControlAndQueryService* service, const TProjectSettings& project);
// "" when a run may use the project's protocol; otherwise the message that refuses the run: a network
// project needs a protocol, and of the three only TCP/IP exists here.
String CheckRunProtocol(const TProjectSettings& project);

// Deletes a folder tree by its path, never changing the process's current folder and never following a
// symbolic link: a link (to a file or a folder, inside the tree or the tree's own path) is removed, not
// entered. On the first failure it stops, sets message ("Не могу открыть каталог: " with the path, "Не могу
// удалить файл: " with the name, or "Не могу удалить каталог: " with the path of an emptied folder that
// stays) and returns false.
bool DeleteFolderTree(const String& path, String& message);

// Copies file to file + "~", replacing an older side copy (and never writing through a link put there);
// false when the copy could not be made.
bool MakeSideCopy(const String& file);

// ---- the data module ----------------------------------------------------------------------------------------

class TdmMain : public TComponent {
  RTL_CLASS(TdmMain, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TdmMain(TComponent* AOwner);
  ~TdmMain() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // The components of the form resource.
  TpZAZDatabase* Database = nullptr;
  TpZAZTransaction* Transaction = nullptr;
  TpZAZDataSet* qProjects = nullptr;
  TpZAZDataSet* qBackups = nullptr;
  TpZAZDataSet* qOptions = nullptr;
  TdxMemData* mdDbFiles = nullptr;
  TStringField* mdDbFilesfilename = nullptr;
  TBooleanField* mdDbFilescheck = nullptr;
  TDataSource* dsProjects = nullptr;
  TDataSource* dsBackups = nullptr;
  TDataSource* dsDbFiles = nullptr;
  TpZAZBackupService* BackupService = nullptr;
  TpZAZRestoreService* RestoreService = nullptr;
  TpZAZValidationService* ValidationService = nullptr;

  void SetWindow(IMainWindow* window);
  IMainWindow* Window() const { return FWindow; }
  TReport& Report() { return FReport; }

  // ---- start-up and shutdown ----
  // The program's own database: "db.gdb" (any letter case) in the program's folder, else in the user's
  // data folder (owndb::UserDataFolder); "" when neither holds it. dataFolder is set to the folder found.
  static String FindOwnDatabase(const String& programFolder, String& dataFolder);
  // The window's creation: finds db.gdb, connects with UTF8 through the embedded engine and opens the
  // backups, projects and options datasets. Missing: the message "Не найдена база данных DB.GDB!
  // Программа будет закрыта." and false (the program ends). A failure to connect or open: its message,
  // and true (the window comes up with what was opened).
  bool OpenOwnDatabase(const String& programFolder);
  // The window's close: posts a pending edit of the projects, commits with retaining.
  void CloseOwnDatabase();
  // The folder db.gdb was found in; the fallback backup root lives there.
  const String& DataFolder() const { return FDataFolder; }
  String FallbackBackupRoot() const;

  // ---- projects and the file list ----
  // "Добавить": a new project "Новый проект" with the administrator's default connection options, posted
  // and committed. The window then puts the focus into the name editor.
  void AddProject();
  // "Удалить": asks "Удалить проект <name>?"; on Yes deletes the project and commits. True when deleted.
  bool DeleteProject();
  // "Сохранить изменения": posts a pending edit, commits with retaining.
  void SaveProject();
  // A folder picker's choice: the projects row in edit state with the field (BKFOLDER or RSFOLDER) set;
  // neither posted nor committed.
  void SetProjectFolder(const String& fieldName, const String& folder);
  // Fills the file list from a folder and masks, in the order the inserts leave (each file inserted
  // before the one listed before it); an unknown folder leaves the list empty.
  void FillFileList(const String& folder, const String& masks);

  // ---- runs ----
  bool Running() const { return FRunning; }
  // "Резервировать все БД" (tag 0) / "Резервировать выбранные БД" (any other tag).
  void BackupDatabases(intptr_t tag);
  // "Восстановить БД из резервной копии".
  void RestoreDatabases();
  // "Удалить резервную копию": asks, deletes the folder and, when the folder is gone, the row.
  bool DeleteBackup();
  // "Проверить все БД" (0), "Проверить выбранные БД" (1), "Исправить выбранные БД" (2 and more).
  void ValidateDatabases(intptr_t tag);

  // ---- handlers named by the form resource ----
  void dsProjectsDataChange(TObject* Sender, TField* Field);
  void dsBackupsDataChange(TObject* Sender, TField* Field);
  void BackupServiceTextNotify(TObject* Sender, const String& Text);
  void RestoreServiceTextNotify(TObject* Sender, const String& Text);
  void ValidationServiceTextNotify(TObject* Sender, const String& Text);

private:
  class TRunScope;
  // The names of the list's rows in list order: every row, or the checked ones.
  std::vector<String> ListedFiles(bool all);
  // The root of the backups of a project (its backup folder, or the fallback root when empty).
  String BackupRootOf(const TProjectSettings& project) const;
  // The folder of the current backup row; false (folder empty) when the row has no root to join.
  String CurrentBackupFolder();

  IMainWindow* FWindow = nullptr;
  TReport FReport;
  String FDataFolder;
  bool FRunning = false;
};

// Password change, options and the other dialogs keep their logic in their own units (password.h,
// bkOptions.h, login.h).
