#pragma once
// Timed runs for the benchmarks that compare a backup of ours with the server's own backup tool: a
// program started directly (no shell) with its output captured, a crash at exit after complete output
// repeated and counted, and sides measured in turn, each figure the median of its runs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "BenchDb.h"

extern char** environ;

namespace benchruns {

inline constexpr int kCrashRetries = 3;
using benchdb::Median;
using benchdb::Seconds;

struct TRun {
  int Status = -1;  // as from waitpid
  double Seconds = 0;
  std::string Output;
};

// Starts argv directly (no shell), its standard output and error into one file, and waits for it.
inline TRun Spawn(const std::vector<std::string>& argv, const std::string& outputFile) {
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

inline bool Succeeded(const TRun& run) { return WIFEXITED(run.Status) && WEXITSTATUS(run.Status) == 0; }

inline std::string Describe(const TRun& run) {
  const std::string how = WIFSIGNALED(run.Status) ? "signal " + std::to_string(WTERMSIG(run.Status))
                                                  : "exit code " + std::to_string(WEXITSTATUS(run.Status));
  return how + ": " + run.Output.substr(0, 300);
}

// The last line of the tool's verbose output, and the runner's only one: the backup is complete once it
// has been written.
inline const char* const kToolEnd = "committing, and finishing";
inline const char* const kRunnerEnd = " lines\n";

// One timed run of a program that backs up into backupFile; a crash after its output ended (a fault of
// the embedded engine's shutdown at exit, seen with the tool and the runner alike) is repeated and
// counted. Empty error on success.
inline std::string RunBackupProgram(const std::vector<std::string>& argv, const char* endMarker,
                             const std::string& backupFile, const std::string& outputFile, double& seconds,
                             int& crashes) {
  for (int attempt = 0; attempt <= kCrashRetries; ++attempt) {
    std::filesystem::remove(backupFile);
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

inline void Measure(benchmark::State& state, std::vector<TSide>& sides) {
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

inline double MedianOf(const std::vector<TSide>& sides, const std::string& name) {
  for (const TSide& side : sides)
    if (side.Name == name) return Median(side.Times);
  return 0;
}

inline const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}
// The server's own verbose backup through the service manager of `server`, as SYSDBA with password.
inline std::string RunServerBackupTool(const std::string& server, const std::string& password,
                                       const std::string& database, const std::string& backupFile,
                                       const std::string& outputFile, double& seconds, int& crashes) {
  return RunBackupProgram({"gbak", "-b", "-v", "-se", server + ":service_mgr", database, backupFile, "-user", "SYSDBA",
                           "-password", password},
                          kToolEnd, backupFile, outputFile, seconds, crashes);
}

}  // namespace benchruns
