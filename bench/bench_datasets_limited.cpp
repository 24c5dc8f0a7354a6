// Scrolling through a million rows in pages of 50, as a grid of 50 rows does, with the limited-buffer
// cache model (a window of 100 rows) against the whole-cache model, in the same run.
//
// Fair by construction: both sides open the same select (with the same ORDER BY, which the limited
// model needs) on the same database, connection and transaction, with a data link of 50 buffers like a
// grid's; both walk every page row by row to the end and read each row's ID and NAME on the way;
// both timed parts include opening, and freeing the dataset with its cache. The two sides alternate
// within each iteration, the first of the pair alternating too, so that both meet the same load.
//
// Memory: before each side the process's peak resident set is reset (/proc/self/clear_refs 5), so its
// peak afterwards is that side's own; reported as the growth over the resident set at the side's start.
// The engine's page cache is filled before either side runs.
// The limited side also samples its records cache after the first and the last page: it stays flat.
#include <benchmark/benchmark.h>

#include "BenchDb.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

namespace {

const int kRows = [] {
  const char* rows = std::getenv("VORN_BENCH_ROWS");
  return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 1000000;
}();
constexpr int kPage = 50;
const char* const kSelect = "SELECT ID, NAME, AMOUNT, CREATED FROM T ORDER BY ID";

using benchdb::Median;
using benchdb::Seconds;

struct Fixture : benchdb::Connection {
  Fixture() : benchdb::Connection("limited", kRows) {
    // The engine's page cache fills on the first read of the table: done here once, so that neither
    // side's memory figures hold it.
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(kSelect);
    q->ExecQuery();
    while (q->FetchNext()) {
    }
    q->Free();
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

// Kilobytes of a /proc/self/status line ("VmRSS", "VmHWM").
double StatusKB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) return std::atof(line.c_str() + prefix.size());
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct SideResult {
  double Seconds = 0;
  double PeakGrowthMB = 0;  // peak resident set over the one at the start
  double CacheFirstPageKB = 0;
  double CacheLastPageKB = 0;
  int64_t Rows = 0;
};

[[gnu::noinline]] SideResult ScrollInPages(bool limited) {
  SideResult r;
  ResetPeak();
  const double startKB = StatusKB("VmRSS");
  const auto t0 = std::chrono::steady_clock::now();
  auto* ds = New<TFIBDataSet>(nullptr);
  ds->SetDatabase(Shared().DB);
  ds->SetTransaction(Shared().TR);
  ds->SelectSQL()->SetText(kSelect);
  if (limited) {
    ds->SetBufferChunks(100);
    ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
  }
  auto* source = New<TDataSource>(nullptr);
  source->SetDataSet(ds);
  auto* link = New<TDataLink>();
  link->SetBufferCount(kPage);
  link->SetDataSource(source);
  ds->Open();
  TField* id = ds->FieldByName("ID");
  TField* name = ds->FieldByName("NAME");
  int64_t sum = 0;
  bool first = true;
  while (!ds->Eof()) {
    // One page: the rows the grid shows, then the move to the next page.
    for (int i = 0; i < kPage && !ds->Eof(); ++i) {
      sum += id->AsInteger() + static_cast<int64_t>(name->AsString().size());
      ++r.Rows;
      ds->Next();
    }
    if (first) {
      r.CacheFirstPageKB = static_cast<double>(ds->RecordsCache()->MemoryUsed()) / 1024;
      first = false;
    }
  }
  r.CacheLastPageKB = static_cast<double>(ds->RecordsCache()->MemoryUsed()) / 1024;
  benchmark::DoNotOptimize(sum);
  link->SetDataSource(nullptr);
  link->Free();
  source->Free();
  ds->Free();
  r.Seconds = Seconds(t0);
  r.PeakGrowthMB = (StatusKB("VmHWM") - startKB) / 1024;
  return r;
}

void BM_ScrollPagesLimitedVsWholeCache(benchmark::State& state) {
  Shared();
  std::vector<double> limitedS, wholeS, limitedPeak, wholePeak;
  SideResult lastLimited, lastWhole;
  bool limitedFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool limited = (side == 0) == limitedFirst;
      const SideResult r = ScrollInPages(limited);
      if (r.Rows != kRows) state.SkipWithError("not every row was seen");
      (limited ? limitedS : wholeS).push_back(r.Seconds);
      (limited ? limitedPeak : wholePeak).push_back(r.PeakGrowthMB);
      (limited ? lastLimited : lastWhole) = r;
    }
    limitedFirst = !limitedFirst;
  }
  state.counters["limited_s"] = Median(limitedS);
  state.counters["whole_s"] = Median(wholeS);
  state.counters["limited_peak_MB"] = Median(limitedPeak);
  state.counters["whole_peak_MB"] = Median(wholePeak);
  state.counters["limited_cache_first_KB"] = lastLimited.CacheFirstPageKB;
  state.counters["limited_cache_last_KB"] = lastLimited.CacheLastPageKB;
  state.counters["whole_cache_first_KB"] = lastWhole.CacheFirstPageKB;
  state.counters["whole_cache_last_KB"] = lastWhole.CacheLastPageKB;
  state.SetItemsProcessed(state.iterations() * 2 * kRows);
}

}  // namespace

BENCHMARK(BM_ScrollPagesLimitedVsWholeCache)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
