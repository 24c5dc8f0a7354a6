// A log-style memo: lines appended one at a time, the memo repainted after each. Reports the cost of
// one append-and-repaint once the memo holds about 10,000 and about 100,000 lines, with long lines
// wrapped (the report page's memo) and with a horizontal scroll bar instead (no wrapping).

#include <benchmark/benchmark.h>

#include <string>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "winapi/Headless.h"

namespace {

// A service output line; every tenth one is long enough to wrap at the memo's width.
std::string ReportLine(int i) {
  std::string s = "gbak: запись данных таблицы BACKUPS, строка " + std::to_string(i);
  if (i % 10 == 0) s += " — подробности: страница данных прочитана, индексы проверены, контрольные суммы совпали";
  return s;
}

void BM_MemoAppendAndRepaint(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const bool wrap = state.range(1) != 0;
  constexpr int kMeasured = 100;  // the appends timed, the last ones before reaching `lines`
  headless::Init(1024, 768);
  InitForms();
  auto* form = New<TForm>(Application);
  form->SetClientWidth(600);
  form->SetClientHeight(400);
  auto* memo = New<TMemo>(form);
  memo->SetParent(form);
  memo->SetAlign(alClient);
  memo->SetScrollBars(wrap ? ssVertical : ssBoth);
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) {
    state.PauseTiming();
    memo->Lines()->Clear();
    for (int i = 0; i < lines - kMeasured; ++i) memo->Lines()->Add(ReportLine(i));
    state.ResumeTiming();
    for (int i = lines - kMeasured; i < lines; ++i) {
      memo->Lines()->Add(ReportLine(i));
      memo->Repaint();
    }
  }
  state.SetItemsProcessed(state.iterations() * kMeasured);
  state.counters["per_line"] = benchmark::Counter(static_cast<double>(state.iterations() * kMeasured),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  form->Free();
  DoneForms();
  headless::Shutdown();
}
BENCHMARK(BM_MemoAppendAndRepaint)
    ->ArgNames({"lines", "wrap"})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

