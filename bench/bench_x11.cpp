// The X11 backend putting a full 1280x800 window on the screen, through shared memory and through
// XPutImage. Needs an X server: VORN_X11_DISPLAY (set by scripts/test.sh's Xvfb) or DISPLAY.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/X11Backend.h"

namespace {

COLORREF gColor = 0;

LRESULT FillProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HBRUSH b = CreateSolidBrush(gColor);
    FillRect(dc, &ps.rcPaint, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

const char* Display() {
  const char* d = std::getenv("VORN_X11_DISPLAY");
  if (!d || !*d) d = std::getenv("DISPLAY");
  return d && *d ? d : nullptr;
}

void Present(benchmark::State& state, bool sharedMemory) {
  const char* display = Display();
  // a server started without -noreset restarts when its last client leaves and refuses connections a while
  bool installed = false;
  for (int attempt = 0; display && !installed && attempt < 50; ++attempt) {
    installed = winapi::InstallX11Backend(display, sharedMemory);
    if (!installed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!installed) {
    state.SkipWithError("no X display (set VORN_X11_DISPLAY or DISPLAY, e.g. under Xvfb)");
    return;
  }
  if (sharedMemory && !winapi::X11BackendUsesShm()) {
    winapi::UninstallX11Backend();
    state.SkipWithError("the X server offers no shared memory");
    return;
  }
  WNDCLASS wc{};
  wc.lpfnWndProc = FillProc;
  wc.lpszClassName = "BenchX11";
  RegisterClass(&wc);
  HWND h = CreateWindowEx(0, "BenchX11", "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800, nullptr, nullptr, nullptr,
                          nullptr);
  UpdateWindow(h);
  winapi::FlushX11Backend();
  for (auto _ : state) {
    gColor = gColor == RGB(0x20, 0x40, 0x80) ? RGB(0x80, 0x40, 0x20) : RGB(0x20, 0x40, 0x80);
    InvalidateRect(h, nullptr, FALSE);
    UpdateWindow(h);             // the window paints its whole buffer
    winapi::FlushX11Backend();  // and the server has drawn it when this returns
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 1280 * 800 * 4);
  DestroyWindow(h);
  winapi::UninstallX11Backend();
}

void BM_PresentFullWindowShm(benchmark::State& state) { Present(state, true); }
void BM_PresentFullWindowPutImage(benchmark::State& state) { Present(state, false); }
BENCHMARK(BM_PresentFullWindowShm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullWindowPutImage)->Unit(benchmark::kMillisecond);

}  // namespace
