// The window manager's message paths and timer scheduling, on the headless backend.

#include <benchmark/benchmark.h>

#include "winapi/Headless.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"

namespace {

int64_t gHandled = 0;

LRESULT CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER || m == WM_TIMER) {
    ++gHandled;
    return 1;
  }
  return DefWindowProc(h, m, w, l);
}

HWND Setup() {
  headless::Init(1024, 768);
  WNDCLASS wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "Bench";
  RegisterClass(&wc);
  return CreateWindowEx(0, "Bench", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

void BM_SendMessage(benchmark::State& state) {
  HWND h = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(SendMessage(h, WM_USER, 1, 2));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendMessage);

void BM_PostPeekDispatch(benchmark::State& state) {
  HWND h = Setup();
  const int batch = static_cast<int>(state.range(0));
  MSG m;
  for (auto _ : state) {
    for (int i = 0; i < batch; ++i) PostMessage(h, WM_USER, static_cast<WPARAM>(i), 0);
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }
  state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostPeekDispatch)->Arg(1)->Arg(1000);

// 1,000 window timers with spread intervals; each iteration moves the clock one second, stopping at every
// due time, so every WM_TIMER of that second is scheduled, found and dispatched.
void BM_ThousandTimers(benchmark::State& state) {
  HWND h = Setup();
  for (UINT_PTR id = 1; id <= 1000; ++id) SetTimer(h, id, static_cast<UINT>(10 + (id * 7) % 990), nullptr);
  gHandled = 0;
  for (auto _ : state) headless::AdvanceClock(1000);
  state.SetItemsProcessed(gHandled);
  state.counters["timers/s"] = benchmark::Counter(static_cast<double>(gHandled), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ThousandTimers)->Unit(benchmark::kMillisecond);

void BM_SetAndKillTimerAmongThousand(benchmark::State& state) {
  HWND h = Setup();
  for (UINT_PTR id = 1; id <= 1000; ++id) SetTimer(h, id, 100 + static_cast<UINT>(id), nullptr);
  UINT_PTR id = 1;
  for (auto _ : state) {
    SetTimer(h, id, 50, nullptr);
    KillTimer(h, id);
    SetTimer(h, id, 100 + static_cast<UINT>(id), nullptr);
    id = id % 1000 + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetAndKillTimerAmongThousand);

}  // namespace
