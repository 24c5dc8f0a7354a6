// The program's backup run against the server's own backup tool on a database of 200,000 rows.
//
// Fair: both are clients of the private loopback server (started by scripts/bench.sh) whose service
// manager does the backup into a file in the same folder, verbose, with every output line handed to the
// client; neither side starts an engine. The program side is the whole run as the backup button starts
// it: the dated folder, the protocol frame, the service run with every line appended to the report memo
// of a shown window that handles its messages and repaints as the run goes (headless backend, real time
// clock, so the report's throttle works as on a screen), the BACKUPS row with its commit, and the beep.
// The tool side is "gbak -b -v -se" started for each run, its output read to the end. Sides alternate
// their order and each figure is the median of the runs; "ratio" is program / tool ("library_ratio" is
// the service component alone, the library's own figure of 0.97-1.00, for the baseline).
#include <benchmark/benchmark.h>

#include "BenchBackup.h"
#include "BenchDb.h"
#include "BenchRuns.h"
#include "app/VORN.h"
#include "app/main.h"
#include "datasets/pZAZDataSet.h"
#include "db/DB.h"
#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "rtl/Clock.h"
#include "rtl/Files.h"
#include "rtl/StringLists.h"
#include "tools/OwnDatabaseBuilder.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxMemo.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace {

constexpr int kProgramRows = 200000;

// The report page always shown; messages in a box would stop the run, so they fail the benchmark.
class BenchWindow : public TMainWindowDialogs {
public:
  TMainPage VisiblePage() override { return mpReport; }
  void ShowPage(TMainPage) override {}
  void ShowMessageText(const String& text) override { Messages.push_back(text); }
  void Beep() override {}
  void RunStateChanged(bool) override {}
  void ProjectsChanged(const TProjectsView&) override {}
  void BackupsChanged(bool) override {}
  void FileListChanged() override {}
  std::vector<String> Messages;
};

struct TProgramScratch {
  TProgramScratch() {
    char templ[] = "/tmp/vorn-bench-app-XXXXXX";
    Dir = mkdtemp(templ);
    std::filesystem::permissions(Dir, std::filesystem::perms::all);  // the server writes here too
  }
  ~TProgramScratch() { std::filesystem::remove_all(Dir); }
  std::string Dir;
};

}  // namespace

static void BM_ProgramBackupServer(benchmark::State& state) {
  using namespace benchruns;
  const char* server = Env("VORN_FB_SERVER");
  const char* password = Env("VORN_FB_SERVER_PASSWORD");
  if (!server || !password) {
    state.SkipWithError("no private server: run through scripts/bench.sh");
    for (auto _ : state) {
    }
    return;
  }
  PrepareProcessEnvironment();
  StartUnits({&VornUnit});
  TProgramScratch scratch;
  const std::string programDir = scratch.Dir + "/program", dbDir = scratch.Dir + "/databases",
                    backups = scratch.Dir + "/backups", toolGbk = backups + "/tool.gbk", out = scratch.Dir + "/out";
  for (const std::string& d : {programDir, dbDir, backups}) {
    ForceDirectories(d);
    std::filesystem::permissions(d, std::filesystem::perms::all);
  }
  const std::string db = dbDir + "/bench.gdb";
  benchdb::CreateDatabase(std::string(server) + ":" + db, kProgramRows, false, password);
  CreateOwnDatabase(programDir + "/db.gdb");

  headless::Init(1280, 800);
  SetClock(nullptr);  // real time: the report's throttle and the window's timers as on a screen
  InitForms();
  InstallDialogs();
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(0, 0, 800, 600);
  auto* memo = New<TcxMemo>(form);
  memo->SetParent(form);
  memo->SetAlign(alClient);
  memo->Properties()->SetScrollBars(ssVertical);
  form->Show();
  Application->ProcessMessages();

  BenchWindow window;
  TdmMain* module = New<TdmMain>(nullptr);
  module->SetWindow(&window);
  module->Report().SetLines(memo->Lines());
  module->OpenOwnDatabase(programDir);
  module->AddProject();
  module->qProjects->Edit();
  module->qProjects->FieldByName("RSFOLDER")->SetAsString(dbDir);
  module->qProjects->FieldByName("RMFOLDER")->SetAsString(dbDir);
  module->qProjects->FieldByName("BKFOLDER")->SetAsString(backups);
  module->qProjects->FieldByName("ISREMOTE")->SetAsString("T");
  module->qProjects->FieldByName("PROTOCOL")->SetAsInteger(3);
  module->qProjects->FieldByName("SERVERNAME")->SetAsString(server);
  module->qProjects->FieldByName("OPTIONSDB")->SetAsString(std::string("user_name=SYSDBA\r\npassword=") + password);
  module->SaveProject();

  int crashes = 0;
  int32_t memoLines = 0;
  std::vector<TSide> sides{
      {"program",
       [&](double& s) {
         memo->Lines()->Clear();
         const auto t0 = std::chrono::steady_clock::now();
         module->BackupDatabases(0);
         s = Seconds(t0);
         memoLines = memo->Lines()->Count();
         // Every run makes a new dated folder: the stamp must move on, and the files go.
         for (const auto& e : std::filesystem::directory_iterator(backups))
           if (e.is_directory()) std::filesystem::remove_all(e.path());
         sleep(1);
         if (!window.Messages.empty()) return std::string("the run said: ") + window.Messages.front();
         const String text = VarToStr(memo->EditValue());
         if (text.find("Резервирование успешно завершено!") == String::npos) return std::string("the run failed");
         return std::string();
       }},
      {"library",
       [&](double& s) {
         std::filesystem::remove(toolGbk);
         const auto t0 = std::chrono::steady_clock::now();
         benchbackup::Backup(db, toolGbk, server, password);
         s = Seconds(t0);
         return std::string();
       }},
      {"gbak",
       [&](double& s) {
         return RunServerBackupTool(server, password, db, toolGbk, out, s, crashes);
       }},
  };
  Measure(state, sides);
  const double gbak = MedianOf(sides, "gbak");
  state.counters["ratio"] = MedianOf(sides, "program") / gbak;
  state.counters["library_ratio"] = MedianOf(sides, "library") / gbak;
  state.counters["report_lines"] = memoLines;
  state.counters["gbak_crashes"] = crashes;

  module->Free();
  DoneForms();
  cxEditFinalize();
  DoneEditPaintUtils();
  cxContainerFinalize();
  cxControlsFinalize();
  DoneLookAndFeels();
  DoneThemeManager();
  headless::Shutdown();
  FinishUnits();
}
// The program's timing leaves out the one-second pause that gives each run a stamp of its own.
BENCHMARK(BM_ProgramBackupServer)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
