// The drawing layer: small rectangle fills on a window DC, and blits with raster operations.

#include <benchmark/benchmark.h>

#include "winapi/Headless.h"
#include "winapi/Windows.h"

namespace {

HWND Setup() {
  headless::Init(1280, 800);
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "BenchGdi";
  RegisterClass(&wc);
  HWND h = CreateWindowEx(0, "BenchGdi", "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800, nullptr, nullptr, nullptr,
                          nullptr);
  headless::RunUntilIdle();
  return h;
}

// 100,000 rectangles of 16×12 pixels per iteration, spread over the window, in alternating colours.
void BM_FillSmallRects(benchmark::State& state) {
  HWND h = Setup();
  HDC dc = GetDC(h);
  HBRUSH brushes[2] = {CreateSolidBrush(RGB(200, 30, 30)), CreateSolidBrush(RGB(30, 30, 200))};
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      int x = (i * 37) % 1260, y = (i * 53) % 784;
      RECT r{x, y, x + 16, y + 12};
      FillRect(dc, &r, brushes[i & 1]);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  DeleteObject(brushes[0]);
  DeleteObject(brushes[1]);
  ReleaseDC(h, dc);
  DestroyWindow(h);
}
BENCHMARK(BM_FillSmallRects)->Unit(benchmark::kMillisecond);

// A 256×256 block through a ternary operation that reads pattern, source and destination.
void BM_BitBltTernary(benchmark::State& state) {
  HWND h = Setup();
  HDC dc = GetDC(h);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 256, 256);
  HGDIOBJ old = SelectObject(mem, bmp);
  SelectObject(dc, GetStockObject(GRAY_BRUSH));
  const DWORD rop = static_cast<DWORD>(state.range(0));
  for (auto _ : state) BitBlt(dc, 10, 10, 256, 256, mem, 0, 0, rop);
  state.SetItemsProcessed(state.iterations() * 256 * 256);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(h, dc);
  DestroyWindow(h);
}
BENCHMARK(BM_BitBltTernary)->Arg(0x00CC0020)->Arg(0x00B8074A)->Arg(0x001E0000);

}  // namespace
