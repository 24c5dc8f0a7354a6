// A log-style memo: lines appended one at a time, the memo repainted after each. Reports the cost of
// one append-and-repaint once the memo holds about 1,000 and about 10,000 lines.

#include <benchmark/benchmark.h>

#include <string>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "winapi/Headless.h"

namespace {

void BM_MemoAppendAndRepaint(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  constexpr int kMeasured = 100;  // the appends timed, the last ones before reaching `lines`
  headless::Init(1024, 768);
  InitForms();
  auto* form = New<TForm>(Application);
  form->SetClientWidth(600);
  form->SetClientHeight(400);
  auto* memo = New<TMemo>(form);
  memo->SetParent(form);
  memo->SetAlign(alClient);
  memo->SetScrollBars(ssVertical);
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) {
    state.PauseTiming();
    memo->Lines()->Clear();
    for (int i = 0; i < lines - kMeasured; ++i) memo->Lines()->Add("Backup step " + std::to_string(i) + " done");
    state.ResumeTiming();
    for (int i = lines - kMeasured; i < lines; ++i) {
      memo->Lines()->Add("Backup step " + std::to_string(i) + " done");
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
BENCHMARK(BM_MemoAppendAndRepaint)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

