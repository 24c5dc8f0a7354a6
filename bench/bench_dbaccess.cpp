// A verbose backup through the service component with an output handler, against the same backup by
// the server's own backup tool through the service manager, in the same run on the same database.
#include <benchmark/benchmark.h>

#include "BenchDb.h"
#include <ibase.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/StringLists.h"

namespace {
constexpr int kRows = 200000;

using benchdb::Check;
using benchdb::CreateDatabase;
using benchdb::Lib;

using benchdb::Seconds;

class TLineCounter : public TObject {
  RTL_CLASS(TLineCounter, TObject)
public:
  void OnText(TObject*, const String& text) {
    ++Lines;
    Bytes += text.size();
  }
  int64_t Lines = 0;
  int64_t Bytes = 0;
};
}  // namespace

static void BM_BackupServiceVersusGbak(benchmark::State& state) {
  namespace fs = std::filesystem;
  char templ[] = "/tmp/vorn-bench-XXXXXX";
  std::string dir = mkdtemp(templ);
  std::string db = dir + "/bench.fdb", gbk1 = dir + "/service.gbk", gbk2 = dir + "/gbak.gbk";
  CreateDatabase(db, kRows);
  TLineCounter* counter = New<TLineCounter>();
  double serviceTotal = 0, gbakTotal = 0, gbakQuietTotal = 0;
  // The tool with verbose output (the same work as the component) and without it.
  std::string gbak = "gbak -b -v -se service_mgr '" + db + "' '" + gbk2 + "' -user SYSDBA > /dev/null 2>&1";
  std::string gbakQuiet = "gbak -b -se service_mgr '" + db + "' '" + gbk2 + "' -user SYSDBA > /dev/null 2>&1";
  for (auto _ : state) {
    fs::remove(gbk1);
    fs::remove(gbk2);
    auto t0 = std::chrono::steady_clock::now();
    TpZAZBackupService* svc = New<TpZAZBackupService>(nullptr);
    svc->SetLoginPrompt(false);
    svc->Params()->Add("user_name=SYSDBA");
    svc->SetDatabaseName(db);
    svc->BackupFile()->Add(gbk1);
    svc->SetVerbose(true);
    svc->SetOnTextNotify(TServiceGetTextNotify(counter, &TLineCounter::OnText));
    svc->Attach();
    svc->ServiceStart();
    svc->Detach();
    svc->Free();
    serviceTotal += Seconds(t0);

    auto t1 = std::chrono::steady_clock::now();
    if (std::system(gbak.c_str()) != 0) state.SkipWithError("gbak failed");
    gbakTotal += Seconds(t1);

    fs::remove(gbk2);
    auto t2 = std::chrono::steady_clock::now();
    if (std::system(gbakQuiet.c_str()) != 0) state.SkipWithError("gbak failed");
    gbakQuietTotal += Seconds(t2);
  }
  auto n = static_cast<double>(state.iterations());
  state.counters["service_s"] = serviceTotal / n;
  state.counters["gbak_s"] = gbakTotal / n;
  state.counters["gbak_quiet_s"] = gbakQuietTotal / n;
  state.counters["ratio"] = serviceTotal / gbakTotal;
  state.counters["ratio_quiet"] = serviceTotal / gbakQuietTotal;
  state.counters["lines"] = static_cast<double>(counter->Lines) / n;
  state.counters["backup_MB"] = static_cast<double>(fs::file_size(gbk1)) / 1e6;
  counter->Free();
  fs::remove_all(dir);
}
BENCHMARK(BM_BackupServiceVersusGbak)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
