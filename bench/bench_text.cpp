// Text through the headless backend: short strings drawn, measured and laid out by DrawText.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "winapi/Headless.h"
#include "winapi/Windows.h"

namespace {

struct Canvas {
  HWND wnd;
  HDC dc;
  HFONT font;
  Canvas() {
    headless::Init(1280, 800);
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "BenchText";
    RegisterClass(&wc);
    wnd = CreateWindowEx(0, "BenchText", "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800, nullptr, nullptr, nullptr, nullptr);
    headless::RunUntilIdle();
    dc = GetDC(wnd);
    font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
  }
  ~Canvas() {
    ReleaseDC(wnd, dc);
    DeleteObject(font);
  }
};

// 10,000 short strings (Latin and Cyrillic) drawn with TextOut per iteration.
void BM_TextOut10k(benchmark::State& state) {
  Canvas c;
  char texts[10][32];
  for (int i = 0; i < 10; ++i) std::snprintf(texts[i], sizeof texts[i], i % 2 ? "Item %d" : "\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 %d", i);
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) {
      const char* t = texts[i % 10];
      TextOut(c.dc, (i * 37) % 1200, (i * 13) % 780, t, static_cast<int>(std::strlen(t)));
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_TextOut10k)->Unit(benchmark::kMillisecond);

void BM_DrawTextEllipsis(benchmark::State& state) {
  Canvas c;
  const char* text = "A rather long caption that will not fit in its cell";
  for (auto _ : state) {
    RECT r{10, 10, 150, 30};
    benchmark::DoNotOptimize(DrawText(c.dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawTextEllipsis);

void BM_CalcRectWordBreak(benchmark::State& state) {
  Canvas c;
  const char* text = "Backups run every night; the last one finished without errors and took four minutes.";
  for (auto _ : state) {
    RECT r{0, 0, 160, 0};
    benchmark::DoNotOptimize(DrawText(c.dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalcRectWordBreak);

void BM_TextExtent(benchmark::State& state) {
  Canvas c;
  SIZE sz;
  for (auto _ : state) benchmark::DoNotOptimize(GetTextExtentPoint32(c.dc, "Database size", 13, &sz));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextExtent);

}  // namespace
