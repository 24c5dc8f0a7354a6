// The report page's memo: service output lines appended one at a time to a memo with a vertical scroll
// bar, the main window (and the memo in it) repainted after each line, as the program does while a backup
// runs. Every run starts from an empty memo and appends all of its lines, so the figure per line is the
// average over the whole run; "last_1000" is the cost per line of the last thousand appends alone, which
// shows whether a line costs more once the memo is long. The platform's own memo runs the same loop with
// the same lines, form and repaint, as the floor the editor adds its work to.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxMemo.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace {

// A service output line; every tenth one is long enough to wrap at the memo's width.
std::string MemoBenchLine(int i) {
  std::string s = "gbak: запись данных таблицы BACKUPS, строка " + std::to_string(i);
  if (i % 10 == 0) s += " — подробности: страница данных прочитана, индексы проверены, контрольные суммы совпали";
  return s;
}

void RepaintWindow(TForm* form) {
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

template <class Setup>
void RunReport(benchmark::State& state, Setup setup) {
  const int lines = static_cast<int>(state.range(0));
  constexpr int kTail = 1000;
  double tailSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    headless::Init(1024, 768);
    InitForms();
    auto* form = New<TForm>(Application);
    form->SetClientWidth(600);
    form->SetClientHeight(400);
    TStrings* target = setup(form);
    form->Show();
    Application->ProcessMessages();
    state.ResumeTiming();
    auto tailStart = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i) {
      if (i == lines - kTail) tailStart = std::chrono::steady_clock::now();
      target->Add(MemoBenchLine(i));
      RepaintWindow(form);
    }
    tailSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - tailStart).count();
    state.PauseTiming();
    Application->ProcessMessages();
    form->Free();
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["per_line"] =
      benchmark::Counter(n * lines, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["last_1000_us"] = benchmark::Counter(tailSeconds / (n * kTail) * 1e6);
}

void BM_MemoReportAppend(benchmark::State& state) {
  RunReport(state, [](TForm* form) -> TStrings* {
    auto* memo = New<TcxMemo>(form);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    memo->Properties()->SetScrollBars(ssVertical);
    return memo->Lines();
  });
}

void BM_PlatformMemoReportAppend(benchmark::State& state) {
  RunReport(state, [](TForm* form) -> TStrings* {
    auto* memo = New<TMemo>(form);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    memo->SetScrollBars(ssVertical);
    return memo->Lines();
  });
}

// Wall-clock time throughout: the per-line figure and the last thousand lines are measured alike.
BENCHMARK(BM_MemoReportAppend)
    ->ArgName("lines")
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_PlatformMemoReportAppend)
    ->ArgName("lines")
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
