#pragma once
// A white popup window with a DC holding DejaVu Sans at 11 pixels, and helpers that measure and find ink.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "winapi/Headless.h"
#include "winapi/Windows.h"

namespace tt {

inline std::string Str(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "}";
}

class TextTest : public ::testing::Test {
protected:
  HWND wnd = nullptr;
  HDC dc = nullptr;
  HFONT font = nullptr;

  void SetUp() override {
    headless::Init(800, 600);
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "TextWnd";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_NE(RegisterClass(&wc), 0);
    wnd = CreateWindowEx(0, "TextWnd", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    headless::RunUntilIdle();
    dc = GetDC(wnd);
    font = MakeFont(-11);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    Clear();
  }
  void TearDown() override {
    ReleaseDC(wnd, dc);
    DeleteObject(font);
    headless::Init(800, 600);
  }

  static HFONT MakeFont(int height, int weight = FW_NORMAL, const char* face = "DejaVu Sans", int escapement = 0,
                        bool italic = false, bool underline = false) {
    return CreateFont(height, 0, escapement, escapement, weight, italic, underline, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                      face);
  }
  int W(const char* s) const {
    SIZE sz{};
    EXPECT_TRUE(GetTextExtentPoint32(dc, s, static_cast<int>(std::strlen(s)), &sz));
    return sz.cx;
  }
  TEXTMETRIC Metrics() const {
    TEXTMETRIC tm{};
    EXPECT_TRUE(GetTextMetrics(dc, &tm));
    return tm;
  }
  void Clear() {
    RECT r{0, 0, 400, 200};
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  uint32_t Px(int x, int y) const { return headless::Pixel(wnd, x, y); }
  // The bounding box of every pixel that is not white ({0,0,0,0} when there is none).
  RECT Ink() const {
    winapi::PixelBuffer buf{};
    POINT org{};
    EXPECT_TRUE(winapi::GetWindowBuffer(wnd, &buf, &org));
    RECT b{400, 200, -1, -1};
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 400; ++x)
        if ((buf.pixels[(org.y + y) * buf.stride + org.x + x] & 0xFFFFFF) != 0xFFFFFF) {
          b.left = std::min<LONG>(b.left, x);
          b.top = std::min<LONG>(b.top, y);
          b.right = std::max<LONG>(b.right, x + 1);
          b.bottom = std::max<LONG>(b.bottom, y + 1);
        }
    return b.right < 0 ? RECT{0, 0, 0, 0} : b;
  }
  // DT_CALCRECT from (0, 0) with the given width; the rectangle's size and the answer.
  SIZE Calc(const char* text, UINT flags, int width = 0, int* answer = nullptr) const {
    RECT r{0, 0, width, 0};
    int h = DrawText(dc, text, -1, &r, flags | DT_CALCRECT);
    if (answer) *answer = h;
    return SIZE{r.right - r.left, r.bottom - r.top};
  }
};

}  // namespace tt
