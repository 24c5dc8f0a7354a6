// The dataset-bound data controller over a million-row SQL dataset (embedded engine), against the dataset
// alone, in the same run on the same database, connection and transaction:
// - grid mode: open, then page to the end 50 rows at a time, reading every shown cell of each page; the
//   dataset alone does the same through a plain data link of 50 buffered rows;
// - loaded: open, read every record, sort by NAME; the dataset alone fetches every row into its cache
//   and sorts the cache by NAME.
// Both sides' timed parts include freeing what they made. The two sides alternate within each iteration
// (which goes first alternating too) so that both meet the same load; the figures are medians. Memory is
// the growth of the resident set while the side's objects are alive, measured from a trimmed heap: as it
// stands at the end (freed scratch memory the heap kept included) and after trimming the heap again.
// Both sides pay for the trims inside their timed parts alike.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchDb.h"
#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/StringLists.h"
#include "ui/data/cxDBData.h"

namespace {
// VORN_BENCH_ROWS overrides the row count, for shorter runs.
const int kRows = [] {
  const char* rows = std::getenv("VORN_BENCH_ROWS");
  return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 1000000;
}();
const int kPage = 50;
const char* const kSelect = "SELECT ID, NAME, AMOUNT, CREATED FROM T ORDER BY ID";

using benchdb::Median;
using benchdb::Seconds;

double ResidentMB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Fixture : benchdb::Connection {
  Fixture() : benchdb::Connection("uidata", kRows) {}
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

TpZAZDataSet* NewDataSet() {
  auto* ds = New<TpZAZDataSet>(nullptr);
  ds->SetDatabase(Shared().DB);
  ds->SetTransaction(Shared().TR);
  ds->SelectSQL()->SetText(kSelect);
  return ds;
}

// What one side reports: the checksum of what it read and the resident growth while alive.
struct Outcome {
  int64_t Sum = 0;
  double MB = 0;      // growth of the resident set, freed-but-kept heap included
  double KeptMB = 0;  // the same after the heap returned what is free
};

void Measure(Outcome& AOut, double ABefore) {
  AOut.MB = ResidentMB() - ABefore;
  malloc_trim(0);
  AOut.KeptMB = ResidentMB() - ABefore;
}

// A grid's view of the dataset without a controller: a data link of one page of buffered rows.
class TPageLink : public TDataLink {
  RTL_CLASS(TPageLink, TDataLink)
};

[[gnu::noinline]] Outcome DataSetPages() {
  malloc_trim(0);
  const double before = ResidentMB();
  Outcome out;
  TpZAZDataSet* ds = NewDataSet();
  TDataSource* source = New<TDataSource>(nullptr);
  source->SetDataSet(ds);
  TPageLink* link = New<TPageLink>();
  link->SetBufferCount(kPage);
  link->SetDataSource(source);
  ds->Open();
  std::vector<TField*> fields;
  for (int32_t i = 0; i < ds->FieldCount(); ++i) fields.push_back(ds->Fields()->Fields(i));
  for (;;) {
    const int32_t saved = link->ActiveRecord();
    for (int32_t row = 0; row < link->RecordCount(); ++row) {
      link->SetActiveRecord(row);
      for (TField* f : fields) out.Sum += static_cast<int64_t>(VarToStr(f->AsVariant()).size());
    }
    link->SetActiveRecord(saved);
    if (ds->Eof()) break;
    ds->MoveBy(kPage + link->RecordCount() - link->ActiveRecord() - 1);
  }
  Measure(out, before);
  link->Free();
  source->Free();
  ds->Free();
  return out;
}

[[gnu::noinline]] Outcome ControllerPages() {
  malloc_trim(0);
  const double before = ResidentMB();
  Outcome out;
  TpZAZDataSet* ds = NewDataSet();
  TDataSource* source = New<TDataSource>(nullptr);
  source->SetDataSet(ds);
  auto* dc = New<TcxDBDataController>(nullptr);
  std::vector<std::unique_ptr<TObject>> items;
  for (const char* name : {"ID", "NAME", "AMOUNT", "CREATED"}) {
    items.push_back(std::make_unique<TObject>());
    dc->AddItem(items.back().get());
    dc->ChangeFieldName(static_cast<int32_t>(items.size()) - 1, name);
  }
  dc->DataModeController()->SetGridModeBufferCount(kPage);
  dc->DataModeController()->SetGridMode(true);
  dc->SetDataSource(source);
  ds->Open();
  for (;;) {
    for (int32_t row = 0; row < dc->GetRowCount(); ++row) {
      const int32_t record = dc->GetRowInfo(row).RecordIndex;
      for (int32_t item = 0; item < 4; ++item) out.Sum += static_cast<int64_t>(VarToStr(dc->GetValue(record, item)).size());
    }
    if (ds->Eof()) break;
    dc->Provider()->Scroll(kPage);
  }
  Measure(out, before);
  dc->Free();
  source->Free();
  ds->Free();
  return out;
}

[[gnu::noinline]] Outcome DataSetLoadSort() {
  malloc_trim(0);
  const double before = ResidentMB();
  Outcome out;
  TpZAZDataSet* ds = NewDataSet();
  ds->Open();
  ds->FetchAll();
  ds->DoSort({TSortFieldRef("NAME")}, {true});
  ds->First();
  out.Sum = ds->RecordCount() + static_cast<int64_t>(ds->FieldByName("NAME")->AsString().size());
  Measure(out, before);
  ds->Free();
  return out;
}

[[gnu::noinline]] Outcome ControllerLoadSort() {
  malloc_trim(0);
  const double before = ResidentMB();
  Outcome out;
  TpZAZDataSet* ds = NewDataSet();
  TDataSource* source = New<TDataSource>(nullptr);
  source->SetDataSet(ds);
  auto* dc = New<TcxDBDataController>(nullptr);
  std::vector<std::unique_ptr<TObject>> items;
  for (const char* name : {"ID", "NAME", "AMOUNT", "CREATED"}) {
    items.push_back(std::make_unique<TObject>());
    dc->AddItem(items.back().get());
    dc->ChangeFieldName(static_cast<int32_t>(items.size()) - 1, name);
  }
  dc->SetDataSource(source);
  ds->Open();
  dc->ChangeSorting(1, soAscending);
  out.Sum = dc->GetRowCount() + static_cast<int64_t>(VarToStr(dc->GetValue(dc->GetRowInfo(0).RecordIndex, 1)).size());
  Measure(out, before);
  dc->Free();
  source->Free();
  ds->Free();
  return out;
}

template <Outcome (*Alone)(), Outcome (*Controlled)()>
void Compare(benchmark::State& state, int64_t AExpectedRows) {
  Shared();
  std::vector<double> alone, controlled, aloneMB, controlledMB, aloneKept, controlledKept;
  bool aloneFirst = true;
  int64_t sums[2] = {0, 0};
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool runAlone = (side == 0) == aloneFirst;
      const auto t0 = std::chrono::steady_clock::now();
      const Outcome o = runAlone ? Alone() : Controlled();
      (runAlone ? alone : controlled).push_back(Seconds(t0));
      (runAlone ? aloneMB : controlledMB).push_back(o.MB);
      (runAlone ? aloneKept : controlledKept).push_back(o.KeptMB);
      sums[runAlone ? 0 : 1] = o.Sum;
    }
    aloneFirst = !aloneFirst;
  }
  (void)AExpectedRows;
  // Both sides read the same cells (pages) or end on the same first sorted row (loaded).
  state.counters["same_result"] = sums[0] == sums[1] ? 1 : 0;
  state.counters["dataset_s"] = Median(alone);
  state.counters["controller_s"] = Median(controlled);
  state.counters["ratio"] = Median(controlled) / Median(alone);
  state.counters["dataset_MB"] = Median(aloneMB);
  state.counters["controller_MB"] = Median(controlledMB);
  state.counters["dataset_kept_MB"] = Median(aloneKept);
  state.counters["controller_kept_MB"] = Median(controlledKept);
}

void BM_GridModePagesToTheEnd(benchmark::State& state) { Compare<DataSetPages, ControllerPages>(state, kRows); }

void BM_LoadedOpenLoadSort(benchmark::State& state) { Compare<DataSetLoadSort, ControllerLoadSort>(state, kRows); }
}  // namespace

BENCHMARK(BM_GridModePagesToTheEnd)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadedOpenLoadSort)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
