// A million rows opened and fetched into the SQL dataset's records cache and scrolled through, against
// the same select fetched by a bare statement, in the same run on the same database. The cache's bytes
// per row are reported as a counter.
#include <benchmark/benchmark.h>

#include "BenchDb.h"
#include <ibase.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

namespace {
constexpr int kRows = 1000000;
const char* const kSelect = "SELECT ID, NAME, AMOUNT, CREATED FROM T";

using benchdb::Check;
using benchdb::CreateDatabase;
using benchdb::Lib;

// One database, connection and transaction for the whole run.
struct Fixture {
  Fixture() {
    char templ[] = "/tmp/vorn-bench-datasets-XXXXXX";
    Dir = mkdtemp(templ);
    const std::string path = Dir + "/bench.fdb";
    CreateDatabase(path, kRows);
    DB = New<TFIBDatabase>(nullptr);
    DB->SetDBName(path);
    DB->SetSQLDialect(3);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("lc_ctype=UTF8");
    TR = New<TFIBTransaction>(nullptr);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
  }
  ~Fixture() {
    TR->Commit();
    TR->Free();
    DB->Close();
    DB->Free();
    std::filesystem::remove_all(Dir);
  }
  std::string Dir;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

TFIBDataSet* OpenAll() {
  auto* ds = New<TFIBDataSet>(nullptr);
  ds->SetDatabase(Shared().DB);
  ds->SetTransaction(Shared().TR);
  ds->SelectSQL()->SetText(kSelect);
  ds->Open();
  ds->FetchAll();
  return ds;
}

void BM_QueryFetchAll(benchmark::State& state) {
  Shared();
  int64_t sum = 0;
  for (auto _ : state) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(Shared().DB);
    q->SetTransaction(Shared().TR);
    q->SQL()->SetText(kSelect);
    q->SetGoToFirstRecordOnExecute(false);
    q->ExecQuery();
    while (TFIBXSQLDA* row = q->FetchNext()) sum += row->GetVar(0)->GetAsInteger();
    q->Free();
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_DataSetOpenFetchAll(benchmark::State& state) {
  Shared();
  double bytesPerRow = 0;
  for (auto _ : state) {
    TFIBDataSet* ds = OpenAll();
    state.PauseTiming();
    bytesPerRow = static_cast<double>(ds->RecordsCache()->MemoryUsed()) / ds->FetchedCount();
    if (ds->FetchedCount() != kRows) state.SkipWithError("not every row was fetched");
    ds->Free();
    state.ResumeTiming();
  }
  state.counters["cache_bytes_per_row"] = bytesPerRow;
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_DataSetScroll(benchmark::State& state) {
  TFIBDataSet* ds = OpenAll();
  TField* id = ds->FieldByName("ID");
  TField* name = ds->FieldByName("NAME");
  int64_t sum = 0;
  for (auto _ : state) {
    ds->First();
    while (!ds->Eof()) {
      sum += id->AsInteger() + static_cast<int64_t>(name->AsString().size());
      ds->Next();
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRows);
  ds->Free();
}
}  // namespace

BENCHMARK(BM_QueryFetchAll)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataSetOpenFetchAll)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataSetScroll)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
