// The runs over the service manager: backup, restore, validation and repair, and the deletion of a backup.
//
// A run reads what it works on when it starts: the project's settings and the names of the files to
// handle. The window handles its messages while the run goes on, so the user may select another project
// or backup meanwhile (which rebuilds the file list); the run goes on with what it started with, and
// records its backup under the project it backed up.
#include <sys/stat.h>

#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "dbaccess/pZAZDatabase.h"
#include "dbaccess/pZAZServices.h"
#include "memdata/dxmdaset.h"
#include "rtl/DateTime.h"
#include "rtl/Files.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"

// Marks a run as going on for its lifetime and tells the window both ways; a run asked for meanwhile
// (the window handles its messages during a run) is refused.
class TdmMain::TRunScope {
public:
  explicit TRunScope(TdmMain& module) : FModule(module), FStarted(!module.FRunning) {
    if (!FStarted) return;
    FModule.FRunning = true;
    if (FModule.FWindow) FModule.FWindow->RunStateChanged(true);
  }
  ~TRunScope() {
    if (!FStarted) return;
    try {
      FModule.FReport.Flush();
    } catch (...) {
      // the lines that could not be handed over are lost with the failure that ends the run
    }
    FModule.FRunning = false;
    if (FModule.FWindow) FModule.FWindow->RunStateChanged(false);
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;
  bool Started() const { return FStarted; }

private:
  TdmMain& FModule;
  bool FStarted;
};

namespace {

// The services stay detached between runs: a run leaves nothing attached to a server.
template <class TService>
struct TDetachAtEnd {
  TService* Service;
  ~TDetachAtEnd() {
    try {
      Service->SetActive(false);
    } catch (...) {
      // a failed detach leaves nothing to clean up
    }
  }
};

// The lines a finished service left for FetchNextLine (none when its output event took them).
void AppendRemainingOutput(TpZAZControlAndQueryService* service, TReport& report) {
  while (!service->Eof()) report.Add(service->FetchNextLine());
}

}  // namespace

// ---- backup -----------------------------------------------------------------------------------------------

void TdmMain::BackupDatabases(intptr_t tag) {
  TRunScope run(*this);
  if (!run.Started()) return;
  IMainWindow* window = FWindow;
  auto message = [&](const String& text) {
    if (window) window->ShowMessageText(text);
  };
  if (window) window->ShowPage(mpReport);
  const TDateTime moment = Now();
  const TProjectSettings project = ReadProjectSettings(qProjects);
  String root;
  if (project.IsRemote) {
    if (project.BkFolder.empty()) {
      message("При работе с сетевой БД необходимо указывать директорию для архивных копий!");
      return;
    }
    root = project.BkFolder;
  } else {
    root = BackupRootOf(project);
  }
  if (const String refusal = CheckRunProtocol(project); !refusal.empty()) {
    message(refusal);
    return;
  }
  if (!DirectoryExists(root)) {
    message("Не найден путь до резервных копий БД!");
    return;
  }
  const String folder = BackupFolderOf(root, moment);
  if (!CreateDir(folder)) {
    message("Не удается создать файлы резервных копий БД!");
    return;
  }
  const std::vector<String> files = ListedFiles(tag == 0);

  TRunProtocol protocol(FReport, rkBackup);
  protocol.Begin();
  TDetachAtEnd<TpZAZBackupService> detach{BackupService};
  int32_t backedUp = 0;
  for (const String& file : files) {
    const String target = JoinPath(folder, file + ".gbk");
    try {
      ConnectServiceTo(BackupService, project);
      BackupService->SetDatabaseName(JoinPath(project.IsRemote ? project.RmFolder : project.RsFolder, file));
      BackupService->BackupFile()->Clear();
      BackupService->BackupFile()->Add(target);
      BackupService->SetActive(true);
      BackupService->ServiceStart();
      FReport.Add(String());
      ++backedUp;
    } catch (const Exception& e) {
      protocol.Error(file, e);
      // What a failed backup wrote is no backup: renamed out of the "*.gbk" the restore page lists.
      if (FileExists(target)) RenameFile(target, target + ".failed");
    }
    FReport.Flush();
  }
  if (window) window->ShowPage(mpReport);
  protocol.Result();
  if (backedUp > 0) {
    qBackups->Insert();
    qBackups->FieldByName("BKDATE")->SetAsDateTime(moment);
    qBackups->FieldByName("IDPROJECT")->SetAsInteger(project.ID);
    qBackups->Post();
    Transaction->CommitRetaining();
  } else {
    // Nothing was backed up: no row claims a usable backup, and an empty dated folder goes too.
    RemoveDir(folder);
  }
  protocol.End();
  if (window) window->Beep();
}

// ---- restore ----------------------------------------------------------------------------------------------

void TdmMain::RestoreDatabases() {
  TRunScope run(*this);
  if (!run.Started()) return;
  IMainWindow* window = FWindow;
  if (window) window->ShowPage(mpReport);
  const TProjectSettings project = ReadProjectSettings(qBackups, "ID1");
  const String root = BackupRootOf(project);
  if (!DirectoryExists(root)) {
    if (window) window->ShowMessageText("Не найден путь до резервных копий БД!");
    return;
  }
  if (const String refusal = CheckRunProtocol(project); !refusal.empty()) {
    if (window) window->ShowMessageText(refusal);
    return;
  }
  const TDateTime moment = qBackups->FieldByName("BKDATE")->AsDateTime();
  const std::vector<String> files = ListedFiles(false);

  TRunProtocol protocol(FReport, rkRestore);
  protocol.Begin();
  TDetachAtEnd<TpZAZRestoreService> detach{RestoreService};
  const String folder = BackupFolderOf(root, moment);
  for (const String& file : files) {
    const String name = DatabaseNameOfBackup(file);
    String sideCopy;
    try {
      const String database = JoinPath(project.RsFolder, name);
      if (!MakeSideCopy(database)) {
        protocol.Failed(name);
        continue;
      }
      sideCopy = database + "~";
      FReport.Add("Создана копия файла : " + sideCopy);
      ConnectServiceTo(RestoreService, project);
      RestoreService->DatabaseName()->Clear();
      RestoreService->DatabaseName()->Add(project.IsRemote ? JoinPath(project.RmFolder, name) : database);
      const String backupFile = JoinPath(folder, file);
      FReport.Add("Файл архива : " + backupFile);
      FReport.Add("Файл БД : " + database);
      FReport.Add(String());
      RestoreService->BackupFile()->Clear();
      RestoreService->BackupFile()->Add(backupFile);
      RestoreService->SetActive(true);
      RestoreService->ServiceStart();
      FReport.Add(String());
    } catch (const Exception& e) {
      protocol.Error(name, e);
      // The database may now hold part of the backup; the copy made before the restore is kept.
      if (!sideCopy.empty()) FReport.Add("Копия файла до восстановления сохранена : " + sideCopy);
    }
    FReport.Flush();
  }
  if (window) window->ShowPage(mpReport);
  protocol.Result();
  protocol.End();
  if (window) window->Beep();
}

// ---- deleting a backup ----------------------------------------------------------------------------------

bool TdmMain::DeleteBackup() {
  if (FRunning || !qBackups->Active() || qBackups->IsEmpty()) return false;
  const String question = "Удалить резервную копию БД от " + qBackups->FieldByName("BKDATE")->AsString() + "?";
  if (!FWindow || !FWindow->ConfirmYesNo(question)) return false;
  const String folder = CurrentBackupFolder();
  String message;
  if (!DeleteFolderTree(folder, message) && FWindow) FWindow->ShowMessageText(message);
  // The row goes only with its folder: a backup that could not be deleted stays listed.
  struct stat st {};
  if (::lstat(folder.c_str(), &st) == 0) return false;
  qBackups->Delete();
  Transaction->CommitRetaining();
  return true;
}

// ---- validation and repair ----------------------------------------------------------------------------

void TdmMain::ValidateDatabases(intptr_t tag) {
  TRunScope run(*this);
  if (!run.Started()) return;
  IMainWindow* window = FWindow;
  const bool repair = static_cast<uintptr_t>(tag) >= 2;
  if (window) window->ShowPage(mpReport);
  const TProjectSettings project = ReadProjectSettings(qProjects);
  if (const String refusal = CheckRunProtocol(project); !refusal.empty()) {
    if (window) window->ShowMessageText(refusal);
    return;
  }
  const std::vector<String> files = ListedFiles(tag == 0);

  TRunProtocol protocol(FReport, repair ? rkRepair : rkValidation);
  protocol.Begin();
  TDetachAtEnd<TpZAZValidationService> detach{ValidationService};
  for (const String& file : files) {
    try {
      const String local = JoinPath(project.RsFolder, file);
      if (!FileExists(local)) {
        protocol.Failed(file);
        continue;
      }
      ConnectServiceTo(ValidationService, project);
      ValidationService->SetDatabaseName(project.IsRemote ? JoinPath(project.RmFolder, file) : local);
      FReport.Add("Будет обрбатываться " + ValidationService->DatabaseName());
      ValidationService->SetOptions(repair ? TValidateOptions{MendDB, ValidateFull} : TValidateOptions{ValidateDB, ValidateFull});
      ValidationService->SetActive(true);
      ValidationService->ServiceStart();
      FReport.Flush();
      AppendRemainingOutput(ValidationService, FReport);
    } catch (const Exception& e) {
      protocol.Error(file, e);
    }
    FReport.Flush();
  }
  if (window) window->ShowPage(mpReport);
  protocol.Result();
  protocol.End();
  if (window) window->Beep();
}

// ---- the services' output ---------------------------------------------------------------------------------

void TdmMain::BackupServiceTextNotify(TObject*, const String& Text) { FReport.Add(Text); }
void TdmMain::RestoreServiceTextNotify(TObject*, const String& Text) { FReport.Add(Text); }
void TdmMain::ValidationServiceTextNotify(TObject*, const String& Text) { FReport.Add(Text); }
