// A verbose backup through the service component with an output handler, against the same backup by
// the server's own backup tool through the service manager, in the same run on the same database.
#include <benchmark/benchmark.h>
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

IIBClientLibrary* Lib() { return GetClientLibraryByName(DefaultClientLibraryName).get(); }

void Check(ISC_STATUS status) {
  if (status != 0) RaiseServerError(Lib(), nullptr);
}

struct Teb {
  isc_db_handle* Db;
  long TpbLength;
  const char* Tpb;
};

void Exec(isc_db_handle* db, isc_tr_handle* tr, const std::string& sql) {
  Check(Lib()->isc_dsql_execute_immediate(StatusVector(), db, tr, static_cast<unsigned short>(0), sql.c_str(),
                                          static_cast<unsigned short>(3), nullptr));
}

void CreateDatabase(const std::string& path) {
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  Exec(&db, &tr, "CREATE DATABASE '" + path + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8");
  auto start = [&] {
    Teb teb{&db, 0, nullptr};
    Check(Lib()->isc_start_multiple(StatusVector(), &tr, static_cast<short>(1), static_cast<void*>(&teb)));
  };
  start();
  Exec(&db, &tr,
       "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), "
       "CREATED TIMESTAMP)");
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  start();
  Exec(&db, &tr,
       "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(kRows) +
           ") DO BEGIN INSERT INTO T VALUES (:I, 'row number ' || :I, :I * 1.25, CURRENT_TIMESTAMP); "
           "I = I + 1; END END");
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  Check(Lib()->isc_detach_database(StatusVector(), &db));
}

double Seconds(const std::chrono::steady_clock::time_point& from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

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
  CreateDatabase(db);
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
