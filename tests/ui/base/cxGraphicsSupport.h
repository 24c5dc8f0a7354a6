#pragma once
// Shared pieces of the look-and-feel base tests: a fresh headless window system per case with a fixed
// system colour table, memory bitmaps to paint on, and pixel helpers.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "forms/Graphics.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/Headless.h"

namespace uibase_test {

// The colour table every case starts from; each colour distinct so that a wrong pick shows.
struct SysColor {
  int index;
  COLORREF color;
};
inline constexpr SysColor kSysColors[] = {
    {COLOR_BTNFACE, RGB(212, 208, 200)},   {COLOR_WINDOW, RGB(255, 255, 255)},
    {COLOR_HIGHLIGHT, RGB(10, 36, 106)},   {COLOR_BTNSHADOW, RGB(128, 128, 128)},
    {COLOR_BTNTEXT, RGB(0, 0, 0)},         {COLOR_BTNHIGHLIGHT, RGB(250, 250, 250)},
    {COLOR_GRAYTEXT, RGB(120, 120, 120)},  {COLOR_3DDKSHADOW, RGB(64, 64, 64)},
    {COLOR_3DLIGHT, RGB(230, 226, 220)},   {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
    {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
};

inline void SetSysColor(int index, COLORREF color) { SetSysColors(1, &index, &color); }

class UiBaseTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(640, 480);
    for (const SysColor& c : kSysColors) SetSysColor(c.index, c.color);
  }
  void TearDown() override {
    DoneThemeManager();
    winapi::SetThemeActive(false);
    winapi::SetThemeName("Plain.theme", "Light", "Normal");
    headless::Shutdown();
  }
};

// A memory bitmap filled with one colour.
inline std::unique_ptr<TBitmap> MakeBitmap(int w, int h, TColor fill = clWhite) {
  std::unique_ptr<TBitmap> b(New<TBitmap>());
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(fill);
  b->Canvas()->FillRect(RECT{0, 0, w, h});
  return b;
}

// A pixel as 0xRRGGBB, and a colour (system colours resolved) the same way.
inline uint32_t Px(TBitmap* b, int x, int y) { return b->ScanLine(y)[x] & 0xFFFFFF; }
inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (GetRValue(v) << 16) | (GetGValue(v) << 8) | GetBValue(v);
}
inline uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

}  // namespace uibase_test
