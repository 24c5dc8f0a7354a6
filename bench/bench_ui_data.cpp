// The data controller at the size a large unbound view could meet: 1,000,000 records of an integer, a
// mixed Cyrillic/Latin text of 10 to 40 characters, a float and a date (1,000 distinct days). Measured:
// sorting by the text (case-insensitive locale-like order) and by the integer, grouping by the date and
// expanding every group; each next to std::sort of the same values in the same process.
//
// Fairness: the baselines sort copies of exactly the values the controller holds, in the same order
// (the text baseline with the controller's own comparison, AnsiCompareText, and once with the plain
// byte order std::string gives), and the copies are made outside the timed part. The controller's
// resets between iterations (clearing the sort or the grouping) are outside the timed part too.
//
// Filtering, summaries and search on the same records: a filter of one condition (text LIKE '%ка%', and
// the integer BETWEEN two bounds that keep about a tenth), removing that filter, the footer's SUM, AVG
// and COUNT, and the incremental search typing the last row's text from the first row. Each is measured
// through the controller's own entry points; the state they start from (filter set, focus on row 0) is
// made outside the timed part. The search is reported per typed character.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/data/cxData.h"

namespace {

constexpr int32_t kRecords = 1000000;
enum { kInt, kText, kFloat, kDate };

String RandomText(std::mt19937& rng) {
  static const char* const syllables[] = {"ка", "ро", "ми", "ль", "ёж", "Ша", "Пе", "тр", "ov", "an", "Ma", "ri",
                                          "de", "Lo", "на", "ст", "Ан", "ва", "x ", "Яр", "бо", "ul", "em", "Зи"};
  const int32_t chars = 10 + static_cast<int32_t>(rng() % 31);
  String s;
  int32_t n = 0;
  while (n < chars) {
    s += syllables[rng() % std::size(syllables)];
    n += 2;
  }
  return Utf8Copy(s, 1, chars);
}

struct Data {
  TcxDataController* DC = nullptr;
  TObject Items[4];
  std::vector<int32_t> Ints;
  std::vector<String> Texts;
  std::vector<double> Dates;
  double BytesPerRecord = 0;

  Data() {
    std::mt19937 rng(20261211);
    Ints.resize(kRecords);
    Texts.resize(kRecords);
    Dates.resize(kRecords);
    for (int32_t i = 0; i < kRecords; ++i) {
      Ints[static_cast<size_t>(i)] = static_cast<int32_t>(rng());
      Texts[static_cast<size_t>(i)] = RandomText(rng);
      Dates[static_cast<size_t>(i)] = 45000.0 + static_cast<double>(rng() % 1000);
    }
    const size_t before = mallinfo2().uordblks;
    DC = New<TcxDataController>(nullptr);
    const TcxValueTypeClass types[] = {TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass(),
                                       TcxFloatValueType::StaticClass(), TcxDateTimeValueType::StaticClass()};
    for (int32_t i = 0; i < 4; ++i) {
      DC->AddItem(&Items[i]);
      DC->ChangeValueTypeClass(i, types[i]);
    }
    DC->SetOptions(DC->GetOptions() + dcoAnsiSort + dcoCaseInsensitive);
    DC->BeginUpdate();
    DC->SetRecordCount(kRecords);
    for (int32_t r = 0; r < kRecords; ++r) {
      const size_t i = static_cast<size_t>(r);
      DC->SetValue(r, kInt, Ints[i]);
      DC->SetValue(r, kText, Texts[i]);
      DC->SetValue(r, kFloat, Ints[i] / 7.0);
      DC->SetValue(r, kDate, VarFromDateTime(Dates[i]));
    }
    DC->EndUpdate();
    BytesPerRecord = static_cast<double>(mallinfo2().uordblks - before) / kRecords;
  }
};

Data& Shared() {
  static Data data;
  return data;
}

void Report(benchmark::State& state) {
  state.counters["bytes_per_record"] = Shared().BytesPerRecord;
  state.counters["records"] = kRecords;
}

void BM_SortByText(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    d.DC->ChangeSorting(kText, soAscending);
    state.PauseTiming();
    d.DC->ClearSorting(false);
    state.ResumeTiming();
  }
  Report(state);
}

void BM_SortByInteger(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    d.DC->ChangeSorting(kInt, soAscending);
    state.PauseTiming();
    d.DC->ClearSorting(false);
    state.ResumeTiming();
  }
  Report(state);
}

void BM_GroupBy1000Dates(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    d.DC->Groups()->ChangeGrouping(kDate, 0);
    state.PauseTiming();
    if (d.DC->GetRowCount() != 1000) state.SkipWithError("expected 1,000 group rows");
    d.DC->Groups()->ClearGrouping();
    state.ResumeTiming();
  }
  Report(state);
}

void BM_ExpandAll(benchmark::State& state) {
  Data& d = Shared();
  d.DC->Groups()->ChangeGrouping(kDate, 0);
  for (auto _ : state) {
    d.DC->Groups()->FullExpand();
    state.PauseTiming();
    if (d.DC->GetRowCount() != kRecords + 1000) state.SkipWithError("expected every row");
    d.DC->Groups()->FullCollapse();
    state.ResumeTiming();
  }
  d.DC->Groups()->ClearGrouping();
  Report(state);
}

void BM_StdSortTextAnsiCompareText(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<String> v = d.Texts;
    state.ResumeTiming();
    std::sort(v.begin(), v.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
    benchmark::DoNotOptimize(v.data());
  }
}

void BM_StdSortTextBytes(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<String> v = d.Texts;
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
}

void BM_StdSortInteger(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<int32_t> v = d.Ints;
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
}

// Grouping's equivalent done by hand: sort the dates, then count the runs.
void BM_StdSortDatesAndCountRuns(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<double> v = d.Dates;
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    int32_t runs = v.empty() ? 0 : 1;
    for (size_t i = 1; i < v.size(); ++i) runs += v[i] != v[i - 1];
    benchmark::DoNotOptimize(runs);
  }
}

void SetFilter(Data& d, int32_t AItem, TcxFilterOperatorKind AKind, const Variant& AValue) {
  TcxDataFilterCriteria* f = d.DC->Filter();
  f->BeginUpdate();
  f->Clear();
  f->AddItem(nullptr, &d.Items[AItem], AKind, AValue, String());
  f->SetActive(true);
  f->EndUpdate();
}

void ClearFilter(Data& d) {
  d.DC->Filter()->BeginUpdate();
  d.DC->Filter()->Clear();
  d.DC->Filter()->SetActive(false);
  d.DC->Filter()->EndUpdate();
}

void BM_FilterTextLike(benchmark::State& state) {
  Data& d = Shared();
  int32_t rows = 0;
  for (auto _ : state) {
    SetFilter(d, kText, foLike, "%ка%");
    state.PauseTiming();
    rows = d.DC->GetRowCount();
    if (rows == 0 || rows == kRecords) state.SkipWithError("the filter should keep some rows");
    ClearFilter(d);
    state.ResumeTiming();
  }
  state.counters["rows_kept"] = rows;
  Report(state);
}

void BM_FilterIntegerRange(benchmark::State& state) {
  Data& d = Shared();
  int32_t rows = 0;
  const int32_t low = 0, high = 429496729;  // about a tenth of the unsigned range the values come from
  for (auto _ : state) {
    SetFilter(d, kInt, foBetween, VarArrayOf({low, high}));
    state.PauseTiming();
    rows = d.DC->GetRowCount();
    if (rows == 0 || rows == kRecords) state.SkipWithError("the filter should keep some rows");
    ClearFilter(d);
    state.ResumeTiming();
  }
  state.counters["rows_kept"] = rows;
  Report(state);
}

void BM_Unfilter(benchmark::State& state) {
  Data& d = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    SetFilter(d, kText, foLike, "%ка%");
    state.ResumeTiming();
    d.DC->Filter()->SetActive(false);
    state.PauseTiming();
    if (d.DC->GetRowCount() != kRecords) state.SkipWithError("expected every row back");
    d.DC->Filter()->Clear();
    state.ResumeTiming();
  }
  Report(state);
}

void BM_FooterSumAvgCount(benchmark::State& state) {
  Data& d = Shared();
  TcxDataSummary* s = d.DC->Summary();
  s->BeginUpdate();
  s->FooterSummaryItems()->Add(&d.Items[kInt], spFooter, skSum);
  s->FooterSummaryItems()->Add(&d.Items[kFloat], spFooter, skAverage);
  s->FooterSummaryItems()->Add(&d.Items[kText], spFooter, skCount);
  s->EndUpdate();
  for (auto _ : state) {
    s->CalculateFooterSummary();
    benchmark::DoNotOptimize(s->FooterSummaryValues().data());
  }
  if (s->GetFooterSummaryValue(2) != Variant(kRecords)) state.SkipWithError("the count should be every record");
  s->FooterSummaryItems()->Clear();
  Report(state);
}

// Types the last row's text character by character from the first row, as a user searching a column.
void BM_IncrementalSearchToLastRow(benchmark::State& state) {
  Data& d = Shared();
  const String target = d.Texts.back();
  std::vector<String> prefixes;
  for (int32_t n = 1; n <= Utf8Length(target); ++n) prefixes.push_back(Utf8Copy(target, 1, n));
  double worst = 0, total = 0;
  int64_t typed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    d.DC->ChangeFocusedRowIndex(0);
    d.DC->Search()->Cancel();
    state.ResumeTiming();
    for (const String& p : prefixes) {
      const auto start = std::chrono::steady_clock::now();
      d.DC->Search()->Locate(kText, p);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      worst = std::max(worst, ms);
      total += ms;
      ++typed;
    }
    state.PauseTiming();
    if (d.DC->GetFocusedRecordIndex() != kRecords - 1 && d.DC->GetDisplayText(d.DC->GetFocusedRecordIndex(), kText) != target)
      state.SkipWithError("the search should end on the last row's text");
    state.ResumeTiming();
  }
  state.counters["chars"] = static_cast<double>(prefixes.size());
  state.counters["avg_char_ms"] = typed ? total / static_cast<double>(typed) : 0;
  state.counters["worst_char_ms"] = worst;
  Report(state);
}

}  // namespace

BENCHMARK(BM_FilterTextLike)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FilterIntegerRange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Unfilter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FooterSumAvgCount)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IncrementalSearchToLastRow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StdSortTextAnsiCompareText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdSortTextBytes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortByInteger)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StdSortInteger)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GroupBy1000Dates)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StdSortDatesAndCountRuns)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExpandAll)->Unit(benchmark::kMillisecond)->Iterations(5);
