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
constexpr int kCrashRetries = 3;

namespace fs = std::filesystem;
using benchdb::CreateDatabase;
using benchdb::Median;
using benchdb::Seconds;

struct TScratch {
  TScratch() {
    char templ[] = "/tmp/vorn-bench-backup-XXXXXX";
    Dir = mkdtemp(templ);
  }
  ~TScratch() { fs::remove_all(Dir); }
  std::string Dir;
};

struct TRun {
  int Status = -1;  // as from waitpid
  double Seconds = 0;
  std::string Output;
};

// Starts argv directly (no shell), its standard output and error into one file, and waits for it.
TRun Spawn(const std::vector<std::string>& argv, const std::string& outputFile) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  TRun run;
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) waitpid(pid, &run.Status, 0);
  run.Seconds = Seconds(t0);
  std::ifstream in(outputFile);
  std::stringstream text;
  text << in.rdbuf();
  run.Output = text.str();
  return run;
}

bool Succeeded(const TRun& run) { return WIFEXITED(run.Status) && WEXITSTATUS(run.Status) == 0; }

std::string Describe(const TRun& run) {
  const std::string how = WIFSIGNALED(run.Status) ? "signal " + std::to_string(WTERMSIG(run.Status))
                                                  : "exit code " + std::to_string(WEXITSTATUS(run.Status));
  return how + ": " + run.Output.substr(0, 300);
}

// The last line of the tool's verbose output, and the runner's only one: the backup is complete once it
// has been written.
const char* const kToolEnd = "committing, and finishing";
const char* const kRunnerEnd = " lines\n";

// One timed run of a program that backs up into backupFile; a crash after its output ended (a fault of
// the embedded engine's shutdown at exit, seen with the tool and the runner alike) is repeated and
// counted. Empty error on success.
std::string RunBackupProgram(const std::vector<std::string>& argv, const char* endMarker,
                             const std::string& backupFile, const std::string& outputFile, double& seconds,
                             int& crashes) {
  for (int attempt = 0; attempt <= kCrashRetries; ++attempt) {
    fs::remove(backupFile);
    const TRun run = Spawn(argv, outputFile);
    const bool ended = run.Output.find(endMarker) != std::string::npos;
    if (Succeeded(run) && ended) {
      seconds = run.Seconds;
      return {};
    }
    if (!ended || !WIFSIGNALED(run.Status)) return argv[0] + " failed, " + Describe(run);
    ++crashes;
  }
  return argv[0] + " crashed at exit on every retry";
}

// Runs the named sides once untimed (first opens, file cache), then once each per iteration in an order
// rotated each iteration; reports each side's median seconds and every ratio asked for.
struct TSide {
  TSide(std::string name, std::function<std::string(double&)> run) : Name(std::move(name)), Run(std::move(run)) {}
  std::string Name;
  std::function<std::string(double&)> Run;  // error text, or empty with the seconds set
  std::vector<double> Times;
};

void Measure(benchmark::State& state, std::vector<TSide>& sides) {
  double unused = 0;
  for (TSide& side : sides)
    if (std::string error = side.Run(unused); !error.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }
  size_t rotation = 0;
  for (auto _ : state) {
    for (size_t k = 0; k < sides.size(); ++k) {
      TSide& side = sides[(k + rotation) % sides.size()];
      double seconds = 0;
      if (std::string error = side.Run(seconds); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
      }
      side.Times.push_back(seconds);
    }
    ++rotation;
  }
  for (const TSide& side : sides) state.counters[side.Name + "_s"] = Median(side.Times);
}

double MedianOf(const std::vector<TSide>& sides, const std::string& name) {
  for (const TSide& side : sides)
    if (side.Name == name) return Median(side.Times);
  return 0;
}

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}
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
         return RunBackupProgram({"gbak", "-b", "-v", "-se", std::string(server) + ":service_mgr", db, gbk,
                                  "-user", "SYSDBA", "-password", password},
                                 kToolEnd, gbk, out, s, crashes);
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
