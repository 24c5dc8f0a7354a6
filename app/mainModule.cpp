// The data module: its form resource, the program's own database at start-up and shutdown, the project
// commands, the database-file list and the data-change handlers.
#include "app/OwnDatabase.h"
#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "dbaccess/pZAZDatabase.h"
#include "dbaccess/pZAZServices.h"
#include "memdata/dxmdaset.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Files.h"
#include "rtl/Resources.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"

namespace {

// The classes the module's form resource names that no library registers for the streamer itself.
void StartMainUnit() {
  RegisterClasses({TpZAZBackupService::StaticClass(), TpZAZRestoreService::StaticClass(),
                   TpZAZValidationService::StaticClass(), TdmMain::StaticClass()});
}

void FinishMainUnit() {
  UnRegisterClasses({TpZAZBackupService::StaticClass(), TpZAZRestoreService::StaticClass(),
                     TpZAZValidationService::StaticClass(), TdmMain::StaticClass()});
}

}  // namespace

constinit const TUnit mainUnit{"main", {}, &StartMainUnit, &FinishMainUnit};

RTL_PUBLISHED(TdmMain) {
  using T = TdmMain;
  field("Database", &T::Database);
  field("Transaction", &T::Transaction);
  field("qProjects", &T::qProjects);
  field("qBackups", &T::qBackups);
  field("qOptions", &T::qOptions);
  field("mdDbFiles", &T::mdDbFiles);
  field("mdDbFilesfilename", &T::mdDbFilesfilename);
  field("mdDbFilescheck", &T::mdDbFilescheck);
  field("dsProjects", &T::dsProjects);
  field("dsBackups", &T::dsBackups);
  field("dsDbFiles", &T::dsDbFiles);
  field("BackupService", &T::BackupService);
  field("RestoreService", &T::RestoreService);
  field("ValidationService", &T::ValidationService);
  method("dsProjectsDataChange", &T::dsProjectsDataChange);
  method("dsBackupsDataChange", &T::dsBackupsDataChange);
  method("BackupServiceTextNotify", &T::BackupServiceTextNotify);
  method("RestoreServiceTextNotify", &T::RestoreServiceTextNotify);
  method("ValidationServiceTextNotify", &T::ValidationServiceTextNotify);
}

TdmMain::TdmMain(TComponent* AOwner) : TComponent(AOwner) {}

TdmMain::~TdmMain() = default;

void TdmMain::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!ReadComponentResource(this, ClassName())) throw EResNotFound("Resource " + ClassName() + " not found");
}

void TdmMain::BeforeDestruction() {
  // The data sources go quiet before the datasets close with the module: a data change would otherwise
  // reach a handler that reads datasets already freed, or call the window.
  if (dsProjects) dsProjects->OnDataChange = TDataChangeEvent();
  if (dsBackups) dsBackups->OnDataChange = TDataChangeEvent();
  FWindow = nullptr;
  FReport.SetWindow(nullptr);
  FReport.SetLines(nullptr);
  TComponent::BeforeDestruction();
}

void TdmMain::SetWindow(IMainWindow* window) {
  FWindow = window;
  FReport.SetWindow(window);
}

// ---- start-up and shutdown --------------------------------------------------------------------------------

String TdmMain::FindOwnDatabase(const String& programFolder, String& dataFolder) {
  dataFolder.clear();
  for (const String& folder : {programFolder, owndb::UserDataFolder()}) {
    if (folder.empty()) continue;
    TFilenameCaseMatch match = mkNone;
    const String path = ExpandFileNameCase(IncludeTrailingPathDelimiter(folder) + owndb::FileName, match);
    if (match != mkNone && FileExists(path)) {
      dataFolder = ExcludeTrailingPathDelimiter(folder);
      return path;
    }
  }
  return String();
}

bool TdmMain::OpenOwnDatabase(const String& programFolder) {
  try {
    const String path = FindOwnDatabase(programFolder, FDataFolder);
    if (path.empty()) {
      if (FWindow) FWindow->ShowMessageText("Не найдена база данных DB.GDB! Программа будет закрыта.");
      return false;
    }
    Database->Close();
    Database->SetDBName(path);
    Database->Open();
    qBackups->Open();
    qProjects->Open();
    qOptions->Open();
  } catch (const Exception& e) {
    if (FWindow) FWindow->ShowMessageText(e.Message());
  }
  return true;
}

void TdmMain::CloseOwnDatabase() {
  if (qProjects->State() == dsEdit || qProjects->State() == dsInsert) qProjects->Post();
  if (Transaction->InTransaction()) Transaction->CommitRetaining();
}

String TdmMain::FallbackBackupRoot() const {
  return IncludeTrailingPathDelimiter(FDataFolder) + owndb::FallbackBackupFolder;
}

// ---- projects -------------------------------------------------------------------------------------------------

void TdmMain::AddProject() {
  qProjects->Insert();
  qProjects->FieldByName("NAME")->SetAsString("Новый проект");
  qProjects->FieldByName("OPTIONSDB")->SetAsString("user_name=SYSDBA\r\npassword=plumtrove");
  qProjects->Post();
  Transaction->CommitRetaining();
}

bool TdmMain::DeleteProject() {
  const String name = qProjects->FieldByName("NAME")->AsString();
  if (!FWindow || !FWindow->ConfirmYesNo("Удалить проект " + name + "?")) return false;
  qProjects->Delete();
  Transaction->CommitRetaining();
  return true;
}

void TdmMain::SaveProject() {
  if (qProjects->State() == dsEdit || qProjects->State() == dsInsert) qProjects->Post();
  Transaction->CommitRetaining();
}

void TdmMain::SetProjectFolder(const String& fieldName, const String& folder) {
  qProjects->Edit();
  qProjects->FieldByName(fieldName)->SetAsString(folder);
}

// ---- the file list ------------------------------------------------------------------------------------------

void TdmMain::FillFileList(const String& folder, const String& masks) {
  mdDbFiles->Close();
  mdDbFiles->Open();
  const std::vector<String> names = ListFilesByMasks(folder, masks);
  if (names.empty()) return;
  mdDbFiles->DisableControls();
  ScopeExit enable([&] { mdDbFiles->EnableControls(); });
  for (const String& name : names) {
    // Inserted at the current row, not appended: each file goes before the one listed before it.
    mdDbFiles->Insert();
    mdDbFilesfilename->SetAsString(name);
    mdDbFilescheck->SetAsBoolean(false);
    mdDbFiles->Post();
  }
}

std::vector<String> TdmMain::ListedFiles(bool all) {
  std::vector<String> names;
  if (!mdDbFiles->Active()) return names;
  mdDbFiles->First();
  while (!mdDbFiles->Eof()) {
    if (all || mdDbFilescheck->AsBoolean()) names.push_back(mdDbFilesfilename->AsString());
    mdDbFiles->Next();
  }
  mdDbFiles->First();
  return names;
}

void TdmMain::dsProjectsDataChange(TObject*, TField*) {
  TProjectsView view;
  view.HasProjects = qProjects->Active() && !qProjects->IsEmpty();
  String folder;
  if (view.HasProjects) {
    const TProjectSettings project = ReadProjectSettings(qProjects);
    view.IsRemote = project.IsRemote;
    view.Name = project.Name;
    folder = project.RsFolder;
  }
  if (FWindow) FWindow->ProjectsChanged(view);
  const String masks = qOptions->Active() && !qOptions->IsEmpty() ? qOptions->FieldByName("EXTENSION")->AsString() : String();
  FillFileList(folder, masks);
  if (FWindow) FWindow->FileListChanged();
}

// ---- the backups ----------------------------------------------------------------------------------------------

String TdmMain::BackupRootOf(const TProjectSettings& project) const {
  return project.BkFolder.empty() ? FallbackBackupRoot() : project.BkFolder;
}

String TdmMain::CurrentBackupFolder() {
  if (!qBackups->Active() || qBackups->IsEmpty()) return String();
  const TProjectSettings project = ReadProjectSettings(qBackups, "ID1");
  return BackupFolderOf(BackupRootOf(project), qBackups->FieldByName("BKDATE")->AsDateTime());
}

void TdmMain::dsBackupsDataChange(TObject*, TField*) {
  if (!FWindow || FWindow->VisiblePage() != mpRestore) return;
  FillFileList(CurrentBackupFolder(), "*.gbk");
  FWindow->FileListChanged();
  FWindow->BackupsChanged(qBackups->Active() && !qBackups->IsEmpty());
}
