// The headless backend: a memory screen, a manual clock, input from the test driver, PNG capture.

#include "winapi/Headless.h"

#include <png.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rtl/Clock.h"
#include "winapi/Backend.h"
#include "winapi/Messages.h"
#include "winapi/WinCtrls.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

using namespace winapi::detail;

namespace {

class HeadlessBackend : public winapi::Backend {
public:
  void WaitEvents(DWORD timeoutMs) override {
    // The GUI thread would block: a scripted step answers the dialog instead.
    if (timeoutMs != 0 && std::this_thread::get_id() == guiThread_ && !steps_.empty()) {
      std::function<void()> step = std::move(steps_.front());
      steps_.pop_front();
      step();
      return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (timeoutMs == INFINITE && std::this_thread::get_id() == guiThread_) {
      // A test that opens a dialog without queuing its answer would hang here: say so once.
      if (!cv_.wait_for(lock, std::chrono::seconds(20), [this] { return woken_; })) {
        lock.unlock();
        ReportStuck();
        lock.lock();
        cv_.wait(lock, [this] { return woken_; });
      }
    } else if (timeoutMs == INFINITE)
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
  static void ReportStuck() {
    HWND active = GetActiveWindow();
    char caption[256] = {};
    if (active) GetWindowText(active, caption, sizeof(caption));
    std::fprintf(stderr,
                 "headless: the GUI thread has waited 20 s for input with no WhenIdle step queued; active window "
                 "\"%s\" (an unanswered dialog?)\n",
                 caption);
  }
  std::deque<std::function<void()>> steps_;  // GUI thread only
  std::thread::id guiThread_;

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
  gBackend.steps_.clear();
  gBackend.guiThread_ = std::this_thread::get_id();
  winapi::SetBackend(&gBackend, width, height);
  winapi::InstallMainLoopServices(true);
  ResetCaretAndCursor();
  gBackend.cursor_ = GetCursor();
}

void Shutdown() {
  gBackend.steps_.clear();
  winapi::InstallMainLoopServices(false);
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

// ---- answering dialogs ------------------------------------------------------------------------------------

void WhenIdle(std::function<void()> step) { gBackend.steps_.push_back(std::move(step)); }
int PendingIdleSteps() { return static_cast<int>(gBackend.steps_.size()); }
void ClearIdleSteps() { gBackend.steps_.clear(); }

namespace {

std::string TextOf(HWND h) {
  int n = GetWindowTextLength(h);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowText(h, s.data(), n + 1);
  s.resize(std::strlen(s.c_str()));
  return s;
}

// "&Да" reads "Да"; "&&" stays one ampersand.
std::string WithoutAccel(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += s[i];
  }
  return out;
}

bool Matches(HWND h, const char* className, const char* text) {
  if (className) {
    char cls[256] = {};
    GetClassName(h, cls, sizeof(cls));
    if (std::strcmp(cls, className) != 0) return false;
  }
  return !text || WithoutAccel(TextOf(h)) == WithoutAccel(text);
}

template <class Pred>
HWND FindDescendant(HWND parent, const Pred& pred) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    if (pred(c)) return c;
    if (HWND d = FindDescendant(c, pred)) return d;
  }
  return nullptr;
}

POINT ToScreen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace

HWND ActiveWindow() { return GetActiveWindow(); }

HWND FindTopLevel(const char* caption) {
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w) && Matches(w, nullptr, caption)) return w;
  return nullptr;
}

HWND FindChild(HWND parent, const char* className, const char* text) {
  if (!parent) return nullptr;
  return FindDescendant(parent, [&](HWND c) { return Matches(c, className, text); });
}

HWND FindChildById(HWND parent, int id) {
  if (!parent) return nullptr;
  return FindDescendant(parent, [&](HWND c) { return GetDlgCtrlID(c) == id; });
}

void ClickAt(HWND hwnd, int x, int y, int button) {
  POINT p = ToScreen(hwnd, x, y);
  Click(p.x, p.y, button);
}

void DoubleClickAt(HWND hwnd, int x, int y) {
  POINT p = ToScreen(hwnd, x, y);
  Click(p.x, p.y);
  Click(p.x, p.y);
}

void ClickWindow(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  ClickAt(hwnd, r.right / 2, r.bottom / 2);
}

bool ClickButton(HWND dialog, const char* caption) {
  HWND b = FindChild(dialog, nullptr, caption);
  if (!b) return false;
  ClickWindow(b);
  return true;
}

void TypeInto(HWND edit, const char* utf8) {
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 0, -1);
  if (utf8 && *utf8)
    TypeText(utf8);
  else
    KeyPress(VK_DELETE);
}

bool ClickListBoxItem(HWND list, const char* text, bool doubleClick) {
  LRESULT i = SendMessage(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (i < 0) return false;
  SendMessage(list, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
  RECT r{};
  if (SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) == LB_ERR) return false;
  int x = r.left + 4, y = (r.top + r.bottom) / 2;
  if (doubleClick)
    DoubleClickAt(list, x, y);
  else
    ClickAt(list, x, y);
  return true;
}

bool ClickTreeItem(HWND tree, const char* text, bool doubleClick) {
  for (auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)); item;
       item = reinterpret_cast<HTREEITEM>(
           SendMessage(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
    char buf[1024] = {};
    TVITEM tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = sizeof(buf);
    SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&tv));
    if (std::strcmp(buf, text) != 0) continue;
    SendMessage(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT r{};
    TreeItemToRect(item, &r);
    if (!SendMessage(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) return false;
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    if (doubleClick)
      DoubleClickAt(tree, x, y);
    else
      ClickAt(tree, x, y);
    return true;
  }
  return false;
}

bool SelectComboItem(HWND combo, const char* text) {
  LRESULT target = SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (target < 0) return false;
  SetFocus(combo);
  LRESULT current = SendMessage(combo, CB_GETCURSEL, 0, 0);
  if (current < 0) {
    KeyPress(VK_HOME);
    current = 0;
  }
  for (; current < target; ++current) KeyPress(VK_DOWN);
  for (; current > target; --current) KeyPress(VK_UP);
  return true;
}

}  // namespace headless
