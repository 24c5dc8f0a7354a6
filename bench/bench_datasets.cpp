// A million rows opened and fetched into the SQL dataset's records cache and scrolled through, against
// the same select fetched by a bare statement, in the same run on the same database and connection
// (embedded). Both sides' timed parts include freeing what they made: the statement, and the dataset
// with its cache. The cache's bytes per row are reported as a counter.
#include <benchmark/benchmark.h>

#include "BenchDb.h"
#include <ibase.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

namespace {
// VORN_BENCH_ROWS overrides the row count, for a profiler's shorter runs.
const int kRows = [] {
  const char* rows = std::getenv("VORN_BENCH_ROWS");
  return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 1000000;
}();
const char* const kSelect = "SELECT ID, NAME, AMOUNT, CREATED FROM T";

using benchdb::Check;
using benchdb::CreateDatabase;
using benchdb::Lib;
using benchdb::Median;
using benchdb::Seconds;

// One database, connection and transaction for the whole run.
struct Fixture : benchdb::Connection {
  Fixture() : benchdb::Connection("datasets", kRows) {}
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

// The bare statement: prepared, executed, every row fetched, freed. Neither side is inlined, so that a
// profiler can collect exactly one of them by its name.
[[gnu::noinline]] int64_t StatementFetchAll() {
  int64_t sum = 0;
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(Shared().DB);
  q->SetTransaction(Shared().TR);
  q->SQL()->SetText(kSelect);
  q->SetGoToFirstRecordOnExecute(false);
  q->ExecQuery();
  while (TFIBXSQLDA* row = q->FetchNext()) sum += row->GetVar(0)->GetAsInteger();
  q->Free();
  return sum;
}

// The dataset: opened, every row fetched into its records cache, freed with its cache. Returns the
// cache's bytes per row; an empty optional when not every row arrived.
[[gnu::noinline]] std::optional<double> DataSetFetchAll() {
  TFIBDataSet* ds = OpenAll();
  const bool complete = ds->FetchedCount() == kRows;
  const double bytesPerRow = static_cast<double>(ds->RecordsCache()->MemoryUsed()) / ds->FetchedCount();
  ds->Free();
  if (!complete) return std::nullopt;
  return bytesPerRow;
}

void BM_QueryFetchAll(benchmark::State& state) {
  Shared();
  int64_t sum = 0;
  for (auto _ : state) sum += StatementFetchAll();
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_DataSetOpenFetchAll(benchmark::State& state) {
  Shared();
  double bytesPerRow = 0;
  for (auto _ : state) {
    const std::optional<double> result = DataSetFetchAll();
    if (!result) {
      state.SkipWithError("not every row was fetched");
      break;
    }
    bytesPerRow = *result;
  }
  state.counters["cache_bytes_per_row"] = bytesPerRow;
  state.SetItemsProcessed(state.iterations() * kRows);
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The dataset's overhead over the bare statement: the two alternate within each iteration, the first of
// the pair alternating too, so that both meet the same load on a busy machine; the ratio is of medians.
void BM_DataSetOverStatement(benchmark::State& state) {
  Shared();
  std::vector<double> statement, dataset, statementCpu, datasetCpu;
  int64_t sum = 0;
  bool statementFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const auto t0 = std::chrono::steady_clock::now();
      const double c0 = CpuSeconds();
      if ((side == 0) == statementFirst) {
        sum += StatementFetchAll();
        statement.push_back(Seconds(t0));
        statementCpu.push_back(CpuSeconds() - c0);
      } else {
        if (!DataSetFetchAll()) state.SkipWithError("not every row was fetched");
        dataset.push_back(Seconds(t0));
        datasetCpu.push_back(CpuSeconds() - c0);
      }
    }
    statementFirst = !statementFirst;
  }
  benchmark::DoNotOptimize(sum);
  state.counters["statement_s"] = Median(statement);
  state.counters["dataset_s"] = Median(dataset);
  state.counters["ratio"] = Median(dataset) / Median(statement);
  // Processor time of the whole process (the engine's threads too): on a busy machine the wall-clock
  // figures also hold the time spent waiting for a processor.
  state.counters["ratio_cpu"] = Median(datasetCpu) / Median(statementCpu);
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
BENCHMARK(BM_DataSetOverStatement)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DataSetScroll)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
