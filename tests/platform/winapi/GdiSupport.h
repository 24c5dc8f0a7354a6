#pragma once
// A memory DC drawing into a top-down 32-bit DIB section, with direct access to its pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "winapi/Headless.h"
#include "winapi/Windows.h"

namespace gt {

// Every test starts from a fresh headless screen with the default system colours.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { headless::Init(320, 240); }
};

struct Surface {
  Surface(int w, int h, COLORREF fill = RGB(255, 255, 255)) : w(w), h(h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    px = static_cast<uint32_t*>(bits);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bmp);
    Fill(fill);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  void Fill(COLORREF c) {
    for (int i = 0; i < w * h; ++i) px[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  COLORREF At(int x, int y) const {
    uint32_t p = px[y * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // One character per pixel of a row range: '#' for `ink`, '.' for anything else.
  std::string Row(int y, COLORREF ink, int x0 = 0, int x1 = -1) const {
    std::string s;
    for (int x = x0; x < (x1 < 0 ? w : x1); ++x) s += At(x, y) == ink ? '#' : '.';
    return s;
  }
  std::string Col(int x, COLORREF ink) const {
    std::string s;
    for (int y = 0; y < h; ++y) s += At(x, y) == ink ? '#' : '.';
    return s;
  }
  int w, h;
  HBITMAP bmp;
  uint32_t* px;
  HDC dc;
  HGDIOBJ old;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhiteC = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

}  // namespace gt
