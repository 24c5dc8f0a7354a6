#pragma once
// Fixture for the built-in controls: a fixed-pitch measure (8 pixels a code point, 16-pixel lines) so
// tests pin geometry, a parent form that records the notifications it receives, and input helpers.

#include <string>
#include <vector>

#include "Support.h"
#include "winapi/WinCtrls.h"

namespace wt {

inline winapi::ControlTextExtent FixedMeasure(HFONT, const char* s, int n) {
  int cps = 0;
  for (int i = 0; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++cps;
  return {cps * 8, 16};
}

class CtlTest : public WinapiTest {
protected:
  void SetUp() override {
    WinapiTest::SetUp();
    winapi::SetControlTextMeasure(FixedMeasure);
    form = Make("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400);
    On("form", [this](HWND, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
      if (m == WM_COMMAND) {
        notes.push_back(Note(reinterpret_cast<HWND>(l), HIWORD(w)));
        return false;
      }
      if (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORSTATIC || m == WM_CTLCOLORLISTBOX || m == WM_CTLCOLORBTN) {
        colorAsks.push_back(m);
        if (colorBrush) {
          r = reinterpret_cast<LRESULT>(colorBrush);
          return true;
        }
      }
      return false;
    });
    Run();
  }
  void TearDown() override {
    DestroyWindow(form);  // controls free their state on WM_NCDESTROY
    winapi::SetControlTextMeasure(nullptr);
    WinapiTest::TearDown();
  }
  HWND Child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id = 100) {
    HWND c = CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form,
                            reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    names[c] = cls;
    return c;
  }
  // Notifications are written "<code>" with the code's name where the test named it.
  virtual std::string Note(HWND, WORD code) { return std::to_string(code); }
  static std::string Text(HWND h) {
    std::string s(static_cast<size_t>(GetWindowTextLength(h)) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowText(h, s.data(), static_cast<int>(s.size()))));
    return s;
  }
  static void Chord(int mod, int vk) {
    headless::KeyDown(mod);
    headless::KeyPress(vk);
    headless::KeyUp(mod);
    Run();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Run();
  }
  static POINT Screen(HWND h, int x, int y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    return p;
  }
  static void ClickAt(HWND h, int x, int y) {
    POINT p = Screen(h, x, y);
    headless::Click(p.x, p.y);
    Run();
  }

  HWND form = nullptr;
  std::vector<std::string> notes;
  std::vector<UINT> colorAsks;
  HBRUSH colorBrush = nullptr;
  std::map<HWND, std::string> names;
};

}  // namespace wt
