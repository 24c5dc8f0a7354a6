// The service component's verbose backup against the server's own backup tool, each pair doing the same
// work under the same conditions, on the same database into the same kind of output (a backup file
// written by the engine, the verbose lines handed to the client):
//  - BM_BackupServer: both are clients of the private loopback server (started by scripts/bench.sh) and
//    the backup runs inside it through its service manager; neither side starts an engine. The
//    component runs in this process (ratio) and in a fresh process of its own (ratio_process), the
//    tool is started for each run.
//  - BM_BackupFreshProcess: both sides start a process and an embedded engine for each run: the backup
//    runner (the component in a command-line program) and the tool through the embedded service manager
//    (ratio); the tool's direct backup without the service manager is reported too (ratio_direct).
// Sides alternate their order from run to run and each figure is the median over the runs. The tool
// of some engine versions crashes at exit in embedded mode after its output is complete, and so does the
// runner now and then (the embedded engine's shutdown): such a run of either is repeated, not timed,
// and counted ("gbak_crashes", "runner_crashes"); a run that fails otherwise fails the benchmark.
#include <benchmark/benchmark.h>

#include "BenchBackup.h"
#include "BenchDb.h"
#include "BenchRuns.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace {
constexpr int kRows = 200000;

namespace fs = std::filesystem;
using benchdb::CreateDatabase;
using benchdb::Median;
using benchdb::Seconds;
using namespace benchruns;

struct TScratch {
  TScratch() {
    char templ[] = "/tmp/vorn-bench-backup-XXXXXX";
    Dir = mkdtemp(templ);
  }
  ~TScratch() { fs::remove_all(Dir); }
  std::string Dir;
};

}  // namespace

static void BM_BackupServer(benchmark::State& state) {
  const char* server = Env("VORN_FB_SERVER");
  const char* password = Env("VORN_FB_SERVER_PASSWORD");
  if (!server || !password) {
    state.SkipWithError("no private server: run through scripts/bench.sh");
    for (auto _ : state) {
    }
    return;
  }
  TScratch scratch;
  const std::string db = scratch.Dir + "/bench.fdb", gbk = scratch.Dir + "/backup.gbk",
                    out = scratch.Dir + "/output.txt";
  CreateDatabase(std::string(server) + ":" + db, kRows, false, password);
  int crashes = 0, runnerCrashes = 0;
  int64_t lines = 0;
  std::vector<TSide> sides{
      {"component",
       [&](double& s) {
         fs::remove(gbk);
         const auto t0 = std::chrono::steady_clock::now();
         lines = benchbackup::Backup(db, gbk, server, password);
         s = Seconds(t0);
         return std::string();
       }},
      {"component_process",
       [&](double& s) {
         return RunBackupProgram({VORN_BACKUP_RUNNER, db, gbk, server, password}, kRunnerEnd, gbk, out, s,
                                 runnerCrashes);
       }},
      {"gbak",
       [&](double& s) {
         return RunServerBackupTool(server, password, db, gbk, out, s, crashes);
       }},
  };
  Measure(state, sides);
  const double gbak = MedianOf(sides, "gbak");
  state.counters["ratio"] = MedianOf(sides, "component") / gbak;
  state.counters["ratio_process"] = MedianOf(sides, "component_process") / gbak;
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["gbak_crashes"] = crashes;
  state.counters["runner_crashes"] = runnerCrashes;
  if (fs::exists(gbk)) state.counters["backup_MB"] = static_cast<double>(fs::file_size(gbk)) / 1e6;
}
BENCHMARK(BM_BackupServer)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_BackupFreshProcess(benchmark::State& state) {
  TScratch scratch;
  const std::string db = scratch.Dir + "/bench.fdb", gbk = scratch.Dir + "/backup.gbk",
                    out = scratch.Dir + "/output.txt";
  // Created here through the embedded engine and detached before any side opens it.
  CreateDatabase(db, kRows);
  int crashes = 0, runnerCrashes = 0;
  std::vector<TSide> sides{
      {"component_process",
       [&](double& s) {
         return RunBackupProgram({VORN_BACKUP_RUNNER, db, gbk}, kRunnerEnd, gbk, out, s, runnerCrashes);
       }},
      {"gbak",
       [&](double& s) {
         return RunBackupProgram({"gbak", "-b", "-v", "-se", "service_mgr", db, gbk, "-user", "SYSDBA"}, kToolEnd,
                                 gbk, out, s, crashes);
       }},
      {"gbak_direct",
       [&](double& s) {
         return RunBackupProgram({"gbak", "-b", "-v", db, gbk, "-user", "SYSDBA"}, kToolEnd, gbk, out, s, crashes);
       }},
  };
  Measure(state, sides);
  const double component = MedianOf(sides, "component_process");
  state.counters["ratio"] = component / MedianOf(sides, "gbak");
  state.counters["ratio_direct"] = component / MedianOf(sides, "gbak_direct");
  state.counters["gbak_crashes"] = crashes;
  state.counters["runner_crashes"] = runnerCrashes;
  if (fs::exists(gbk)) state.counters["backup_MB"] = static_cast<double>(fs::file_size(gbk)) / 1e6;
}
BENCHMARK(BM_BackupFreshProcess)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
