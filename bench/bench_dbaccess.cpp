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
// of some engine versions crashes at exit in embedded mode after its output is complete: such a run is
// repeated, not counted; a tool run that fails before its output is complete fails the benchmark.
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

// The tool's last verbose line: the backup file is complete once it has been written.
bool OutputEnded(const TRun& run) { return run.Output.find("committing, and finishing") != std::string::npos; }

// One timed run of the tool; a crash after its output ended is repeated. Empty error on success.
std::string RunTool(const std::vector<std::string>& argv, const std::string& backupFile,
                    const std::string& outputFile, double& seconds, int& crashes) {
  for (int attempt = 0; attempt <= kCrashRetries; ++attempt) {
    fs::remove(backupFile);
    const TRun run = Spawn(argv, outputFile);
    if (Succeeded(run) && OutputEnded(run)) {
      seconds = run.Seconds;
      return {};
    }
    if (!OutputEnded(run)) return "the backup tool failed: " + run.Output.substr(0, 300);
    ++crashes;
  }
  return "the backup tool crashed at exit on every retry";
}

std::string RunRunner(const std::vector<std::string>& argv, const std::string& backupFile,
                      const std::string& outputFile, double& seconds) {
  fs::remove(backupFile);
  const TRun run = Spawn(argv, outputFile);
  if (!Succeeded(run)) return "the backup runner failed: " + run.Output.substr(0, 300);
  seconds = run.Seconds;
  return {};
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
  int crashes = 0;
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
       [&](double& s) { return RunRunner({VORN_BACKUP_RUNNER, db, gbk, server, password}, gbk, out, s); }},
      {"gbak",
       [&](double& s) {
         return RunTool({"gbak", "-b", "-v", "-se", std::string(server) + ":service_mgr", db, gbk, "-user",
                         "SYSDBA", "-password", password},
                        gbk, out, s, crashes);
       }},
  };
  Measure(state, sides);
  const double gbak = MedianOf(sides, "gbak");
  state.counters["ratio"] = MedianOf(sides, "component") / gbak;
  state.counters["ratio_process"] = MedianOf(sides, "component_process") / gbak;
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["gbak_crashes"] = crashes;
  if (fs::exists(gbk)) state.counters["backup_MB"] = static_cast<double>(fs::file_size(gbk)) / 1e6;
}
BENCHMARK(BM_BackupServer)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_BackupFreshProcess(benchmark::State& state) {
  TScratch scratch;
  const std::string db = scratch.Dir + "/bench.fdb", gbk = scratch.Dir + "/backup.gbk",
                    out = scratch.Dir + "/output.txt";
  // Created here through the embedded engine and detached before any side opens it.
  CreateDatabase(db, kRows);
  int crashes = 0;
  std::vector<TSide> sides{
      {"component_process", [&](double& s) { return RunRunner({VORN_BACKUP_RUNNER, db, gbk}, gbk, out, s); }},
      {"gbak",
       [&](double& s) {
         return RunTool({"gbak", "-b", "-v", "-se", "service_mgr", db, gbk, "-user", "SYSDBA"}, gbk, out, s,
                        crashes);
       }},
      {"gbak_direct",
       [&](double& s) { return RunTool({"gbak", "-b", "-v", db, gbk, "-user", "SYSDBA"}, gbk, out, s, crashes); }},
  };
  Measure(state, sides);
  const double component = MedianOf(sides, "component_process");
  state.counters["ratio"] = component / MedianOf(sides, "gbak");
  state.counters["ratio_direct"] = component / MedianOf(sides, "gbak_direct");
  state.counters["gbak_crashes"] = crashes;
  if (fs::exists(gbk)) state.counters["backup_MB"] = static_cast<double>(fs::file_size(gbk)) / 1e6;
}
BENCHMARK(BM_BackupFreshProcess)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
