// The headless backend: a memory screen, a manual clock, input from the test driver, PNG capture.

#include "winapi/Headless.h"

#include <png.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

#include "rtl/Clock.h"
#include "winapi/Backend.h"
#include "winapi/Messages.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

using namespace winapi::detail;

namespace {

class HeadlessBackend : public winapi::Backend {
public:
  void WaitEvents(DWORD timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (timeoutMs == INFINITE)
      cv_.wait(lock, [this] { return woken_; });
    else
      cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return woken_; });
    woken_ = false;
  }
  void Wake() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      woken_ = true;
    }
    cv_.notify_all();
  }
  void CursorChanged(HCURSOR c) override { cursor_ = c; }
  HCURSOR cursor_ = nullptr;

private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool woken_ = false;
};

TTestClock gClock;
HeadlessBackend gBackend;

std::vector<uint32_t> Screen(int* w, int* h) {
  winapi::PixelBuffer desk{};
  POINT o{};
  *w = ScreenWidth();
  *h = ScreenHeight();
  std::vector<uint32_t> out(static_cast<size_t>(*w) * static_cast<size_t>(*h), 0);
  if (winapi::GetWindowBuffer(nullptr, &desk, &o))
    for (int y = 0; y < std::min(*h, desk.height); ++y)
      for (int x = 0; x < std::min(*w, desk.width); ++x)
        out[static_cast<size_t>(y) * *w + x] = desk.pixels[static_cast<size_t>(y) * desk.stride + x];
  Window* d = Desktop();
  for (auto it = d->children.rbegin(); it != d->children.rend(); ++it) {
    Window* t = *it;
    if (!(t->style & WS_VISIBLE) || t->pixels.empty()) continue;
    Region* shape = AsRegion(t->windowRgn);
    for (int y = 0; y < t->bufHeight; ++y) {
      int sy = t->rect.top + y;
      if (sy < 0 || sy >= *h) continue;
      for (int x = 0; x < t->bufWidth; ++x) {
        int sx = t->rect.left + x;
        if (sx < 0 || sx >= *w) continue;
        if (shape && !pixman_region32_contains_point(&shape->rgn, x, y, nullptr)) continue;
        out[static_cast<size_t>(sy) * *w + sx] = t->pixels[static_cast<size_t>(y) * t->bufWidth + x];
      }
    }
  }
  return out;
}

bool WritePng(const char* path, const uint32_t* px, int w, int h, int stride) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    if (png) png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = px[static_cast<size_t>(y) * stride + x];
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>((p >> 16) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>((p >> 8) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(p & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

void DecodeUtf8(const char* s, std::vector<uint32_t>* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t cp;
    int len;
    if (*p < 0x80) {
      cp = *p;
      len = 1;
    } else if ((*p >> 5) == 6) {
      cp = *p & 0x1F;
      len = 2;
    } else if ((*p >> 4) == 14) {
      cp = *p & 0x0F;
      len = 3;
    } else {
      cp = *p & 0x07;
      len = 4;
    }
    int k = 1;
    for (; k < len && p[k]; ++k) cp = (cp << 6) | (p[k] & 0x3F);
    p += k;
    out->push_back(cp);
  }
}

}  // namespace

namespace headless {

void Init(int width, int height) {
  SetClock(&gClock);
  gClock.SetTickCount(1000000);
  ResetSystemValues();
  ResetClipboard();
  ResetKeyboardLayout();
  ResetBeeps();
  winapi::SetExceptionHandler(nullptr, nullptr);
  winapi::SetBackend(&gBackend, width, height);
  ResetCaretAndCursor();
  gBackend.cursor_ = GetCursor();
}

void Shutdown() {
  winapi::SetBackend(nullptr, 0, 0);
  SetClock(nullptr);
}

void ResizeScreen(int width, int height) { winapi::detail::ResizeScreen(width, height); }

void MouseMove(int x, int y) { InjectMouseMove(x, y); }
void MouseDown(int button) { InjectMouseButton(button, true); }
void MouseUp(int button) { InjectMouseButton(button, false); }
void Click(int x, int y, int button) {
  InjectMouseMove(x, y);
  InjectMouseButton(button, true);
  InjectMouseButton(button, false);
}
void Wheel(int delta, bool horizontal) { InjectWheel(delta, horizontal); }
void SwitchToOtherApplication() { SetActiveWindow(nullptr); }

void KeyDown(int vk) { InjectKey(vk, true); }
void KeyUp(int vk) { InjectKey(vk, false); }
void KeyPress(int vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

void TypeText(const char* utf8) {
  if (!utf8) return;
  std::vector<uint32_t> cps;
  DecodeUtf8(utf8, &cps);
  for (uint32_t cp : cps) {
    SHORT k = VkKeyScanExW(cp, nullptr);
    if (k == -1) {
      InjectChar(cp);
      continue;
    }
    int vk = k & 0xFF;
    bool shift = (k & 0x100) != 0;
    bool caps = (AsyncKeyState()[VK_CAPITAL] & 0x01) != 0;
    // Caps Lock turns letters around; press Shift only when the result needs it
    bool letter = (vk >= 'A' && vk <= 'Z') || LayoutChar(vk, false, true) != LayoutChar(vk, false, false);
    if (letter && caps) shift = !shift;
    bool held = (AsyncKeyState()[VK_SHIFT] & 0x80) != 0;
    if (shift && !held) InjectKey(VK_SHIFT, true);
    if (!shift && held) InjectKey(VK_SHIFT, false);
    InjectKey(vk, true);
    InjectKey(vk, false);
    if (shift && !held) InjectKey(VK_SHIFT, false);
    if (!shift && held) InjectKey(VK_SHIFT, true);
  }
}

bool RunUntilIdle() {
  MSG m;
  bool quit = false;
  int code = 0;
  for (int guard = 0; guard < 1000000; ++guard) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) break;
    if (m.message == WM_QUIT) {
      quit = true;
      code = static_cast<int>(m.wParam);
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (quit) PostQuitMessage(code);
  return quit;
}

void AdvanceClock(uint32_t ms) {
  TClock& clock = CurrentClock();
  auto* manual = dynamic_cast<TTestClock*>(&clock);
  if (!manual) {
    RunUntilIdle();
    return;
  }
  uint64_t target = manual->TickCount64() + ms;
  for (;;) {
    if (RunUntilIdle()) break;
    uint64_t now = manual->TickCount64();
    uint64_t next = NextTimerDue();
    if (next > target) break;
    if (next > now) {
      manual->Advance(next - now);
    } else if (!RunUntilIdle() && NextTimerDue() <= manual->TickCount64()) {
      // a timer that keeps falling due must still let the clock move
      manual->Advance(1);
    }
  }
  uint64_t now = manual->TickCount64();
  if (now < target) manual->Advance(target - now);
  RunUntilIdle();
}

uint64_t Now() { return CurrentClock().TickCount64(); }

uint32_t Pixel(HWND hwnd, int x, int y) {
  if (!hwnd) {
    int w, h;
    if (x < 0 || y < 0 || x >= ScreenWidth() || y >= ScreenHeight()) return 0;
    std::vector<uint32_t> s = Screen(&w, &h);
    return s[static_cast<size_t>(y) * w + x];
  }
  winapi::PixelBuffer buf{};
  POINT o{};
  Window* win = FindWindowObj(hwnd);
  if (!win || !winapi::GetWindowBuffer(hwnd, &buf, &o)) return 0;
  int bx = o.x + win->client.left + x, by = o.y + win->client.top + y;
  if (bx < 0 || by < 0 || bx >= buf.width || by >= buf.height) return 0;
  return buf.pixels[static_cast<size_t>(by) * buf.stride + bx];
}

bool SavePng(HWND hwnd, const char* path) {
  if (!path) return false;
  if (!hwnd) {
    int w, h;
    std::vector<uint32_t> s = Screen(&w, &h);
    return WritePng(path, s.data(), w, h, w);
  }
  winapi::PixelBuffer buf{};
  POINT o{};
  Window* win = FindWindowObj(hwnd);
  if (!win || !winapi::GetWindowBuffer(hwnd, &buf, &o)) return false;
  int w = std::min(win->Width(), buf.width - o.x), h = std::min(win->Height(), buf.height - o.y);
  if (w <= 0 || h <= 0 || o.x < 0 || o.y < 0) return false;
  return WritePng(path, buf.pixels + static_cast<size_t>(o.y) * buf.stride + o.x, w, h, buf.stride);
}

int BeepCount() { return BeepCounter(); }
HCURSOR CurrentCursor() { return GetCursor(); }

}  // namespace headless
