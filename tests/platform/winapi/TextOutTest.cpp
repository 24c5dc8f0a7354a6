// Text output: reference point alignment, current position, colours and backgrounds, clipping, spacing,
// rotation and the caption text of the frame.

#include "TextSupport.h"

namespace tt {
namespace {

using TextOutTest = TextTest;

TEST_F(TextOutTest, AlignmentAroundTheReferencePoint) {
  TEXTMETRIC tm = Metrics();
  TextOut(dc, 0, 0, "H", 1);
  RECT ink0 = Ink();  // where "H" inks relative to a top-left reference
  int w = W("H");
  struct Case {
    UINT align;
    int dx, dy;
  } cases[] = {
      {TA_LEFT | TA_TOP, 0, 0},
      {TA_RIGHT | TA_TOP, -w, 0},
      {TA_CENTER | TA_TOP, -w / 2, 0},
      {TA_LEFT | TA_BASELINE, 0, -tm.tmAscent},
      {TA_LEFT | TA_BOTTOM, 0, -tm.tmHeight},
  };
  for (const Case& c : cases) {
    Clear();
    SetTextAlign(dc, c.align);
    TextOut(dc, 100, 100, "H", 1);
    RECT ink = Ink();
    EXPECT_EQ(ink.left, ink0.left + 100 + c.dx) << c.align;
    EXPECT_EQ(ink.top, ink0.top + 100 + c.dy) << c.align;
  }
  // "H" stands on the baseline.
  Clear();
  SetTextAlign(dc, TA_BASELINE);
  TextOut(dc, 50, 60, "H", 1);
  EXPECT_EQ(Ink().bottom, 60);
}

TEST_F(TextOutTest, UpdateCurrentPosition) {
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 10, 20, nullptr);
  TextOut(dc, 300, 300, "ab", 2);  // the coordinates are ignored
  POINT p{};
  GetCurrentPositionEx(dc, &p);
  EXPECT_EQ(p.x, 10 + W("ab"));
  EXPECT_EQ(p.y, 20);
  EXPECT_LT(Ink().right, 10 + W("ab") + 2);
  SetTextAlign(dc, TA_UPDATECP | TA_RIGHT);
  TextOut(dc, 0, 0, "ab", 2);
  GetCurrentPositionEx(dc, &p);
  EXPECT_EQ(p.x, 10);
}

TEST_F(TextOutTest, ColoursAndBackground) {
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkColor(dc, RGB(0, 255, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  TextOut(dc, 10, 10, "M", 1);
  bool red = false;
  for (int y = 10; y < 23; ++y)
    for (int x = 10; x < 10 + W("M"); ++x) {
      EXPECT_NE(Px(x, y), 0x00FF00u);
      red = red || Px(x, y) == 0xFF0000u;
    }
  EXPECT_TRUE(red);
  // An opaque background fills the text's cell.
  Clear();
  SetBkMode(dc, OPAQUE);
  TextOut(dc, 10, 10, "M", 1);
  EXPECT_EQ(Px(10, 10), 0x00FF00u);
  EXPECT_EQ(Px(10 + W("M") - 1, 22), 0x00FF00u);
  RECT ink = Ink();
  EXPECT_EQ(Str(ink), Str(RECT{10, 10, 10 + W("M"), 23}));
}

TEST_F(TextOutTest, OpaqueAndClippedRectangles) {
  SetBkColor(dc, RGB(0, 0, 255));
  RECT r{5, 5, 50, 30};
  ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
  EXPECT_EQ(Str(Ink()), Str(r));
  EXPECT_EQ(Px(5, 5), 0x0000FFu);
  EXPECT_EQ(Px(49, 29), 0x0000FFu);
  Clear();
  RECT clip{20, 0, 60, 200};
  ExtTextOut(dc, 10, 10, ETO_CLIPPED, &clip, "WWWWWWWW", 8, nullptr);
  RECT ink = Ink();
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 60);
  // The DC's clip region clips text too.
  Clear();
  HRGN rgn = CreateRectRgn(0, 0, 30, 200);
  SelectObject(dc, rgn);
  TextOut(dc, 10, 10, "WWWWWWWW", 8);
  EXPECT_LE(Ink().right, 30);
  DeleteObject(rgn);
}

TEST_F(TextOutTest, SpacingArrayPlacesCodePoints) {
  TextOut(dc, 10, 10, "ab", 2);
  RECT natural = Ink();
  Clear();
  int dx[] = {40, 40};
  ExtTextOut(dc, 10, 10, 0, nullptr, "ab", 2, dx);
  EXPECT_EQ(Ink().right - natural.right, 40 - W("a"));
  // A code point of several bytes takes the sum of its bytes' entries.
  Clear();
  int dz[] = {20, 20, 5};
  ExtTextOut(dc, 10, 10, 0, nullptr, "\xD0\x96" "b", 3, dz);
  RECT b = Ink();
  Clear();
  TextOut(dc, 10 + 40, 10, "b", 1);
  EXPECT_EQ(Ink().right, b.right);
}

TEST_F(TextOutTest, RotatedText) {
  int width = W("Hello");
  struct Case {
    int escapement;
    RECT expect;  // where the ink must lie for a top-left reference at (200, 100)
  } cases[] = {
      {900, RECT{200, 100 - width - 1, 200 + 14, 101}},
      {2700, RECT{200 - 14, 100 - 1, 201, 100 + width + 1}},
      {1800, RECT{200 - width - 1, 100 - 14, 201, 101}},
  };
  for (const Case& c : cases) {
    Clear();
    HFONT f = MakeFont(-11, FW_NORMAL, "DejaVu Sans", c.escapement);
    SelectObject(dc, f);
    SIZE sz{};
    GetTextExtentPoint32(dc, "Hello", 5, &sz);
    EXPECT_EQ(sz.cx, width);  // extents are along the baseline
    TextOut(dc, 200, 100, "Hello", 5);
    RECT ink = Ink();
    EXPECT_GE(ink.left, c.expect.left) << c.escapement;
    EXPECT_GE(ink.top, c.expect.top) << c.escapement;
    EXPECT_LE(ink.right, c.expect.right) << c.escapement;
    EXPECT_LE(ink.bottom, c.expect.bottom) << c.escapement;
    int along = c.escapement == 1800 ? ink.right - ink.left : ink.bottom - ink.top;
    EXPECT_GE(along, width - 3) << c.escapement;
    // An opaque background covers the rotated cell exactly.
    Clear();
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 255, 0));
    TextOut(dc, 200, 100, "Hello", 5);
    SetBkMode(dc, TRANSPARENT);
    RECT cell = Ink();
    int across = c.escapement == 1800 ? cell.bottom - cell.top : cell.right - cell.left;
    along = c.escapement == 1800 ? cell.right - cell.left : cell.bottom - cell.top;
    EXPECT_EQ(across, 13) << c.escapement;
    EXPECT_EQ(along, width) << c.escapement;
    SelectObject(dc, font);
    DeleteObject(f);
  }
}

TEST_F(TextOutTest, UnderlineAndStrikeOut) {
  HFONT u = MakeFont(-11, FW_NORMAL, "DejaVu Sans", 0, false, true);
  SelectObject(dc, u);
  TextOut(dc, 10, 10, "ab", 2);
  TEXTMETRIC tm = Metrics();
  EXPECT_EQ(tm.tmUnderlined, 1);
  int row = -1;
  for (int y = 10 + tm.tmAscent; y < 10 + tm.tmHeight; ++y)
    if (Px(10, y) == 0 && Px(10 + W("ab") - 1, y) == 0) row = y;
  EXPECT_GT(row, 0);
  SelectObject(dc, font);
  DeleteObject(u);
}

TEST_F(TextOutTest, CaptionText) {
  HWND framed = CreateWindowEx(0, "TextWnd", "Caption", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 450, 10, 300, 120, nullptr,
                               nullptr, nullptr, nullptr);
  HWND bare = CreateWindowEx(0, "TextWnd", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 450, 200, 300, 120, nullptr,
                             nullptr, nullptr, nullptr);
  headless::RunUntilIdle();
  auto captionTextPixels = [](HWND h) {
    winapi::PixelBuffer buf{};
    POINT org{};
    EXPECT_TRUE(winapi::GetWindowBuffer(h, &buf, &org));
    int frame = GetSystemMetrics(SM_CYFRAME);
    COLORREF c = GetSysColor(GetActiveWindow() == h ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT);
    uint32_t px = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    int n = 0;
    for (int y = frame; y < frame + GetSystemMetrics(SM_CYCAPTION) - 1; ++y)
      for (int x = frame; x < 120; ++x) n += (buf.pixels[(org.y + y) * buf.stride + org.x + x] & 0xFFFFFF) == px;
    return n;
  };
  EXPECT_GT(captionTextPixels(framed), 10);
  EXPECT_EQ(captionTextPixels(bare), 0);
  DestroyWindow(framed);
  DestroyWindow(bare);
}

}  // namespace
}  // namespace tt

namespace tt {
namespace {

// Ink of a memory DC, read back through GetPixel.
RECT MemInk(HDC mem, int w, int h, uint32_t paper) {
  RECT b{w, h, -1, -1};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (GetPixel(mem, x, y) != paper) {
        b.left = std::min<LONG>(b.left, x);
        b.top = std::min<LONG>(b.top, y);
        b.right = std::max<LONG>(b.right, x + 1);
        b.bottom = std::max<LONG>(b.bottom, y + 1);
      }
  return b;
}

TEST_F(TextOutTest, MemoryDCsOriginsAndMonochrome) {
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bm = CreateCompatibleBitmap(dc, 100, 40);
  HGDIOBJ oldBm = SelectObject(mem, bm);
  SelectObject(mem, font);
  RECT all{0, 0, 100, 40};
  FillRect(mem, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(mem, TRANSPARENT);
  TextOut(mem, 0, 0, "H", 1);
  RECT plain = MemInk(mem, 100, 40, RGB(255, 255, 255));
  FillRect(mem, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetViewportOrgEx(mem, 20, 5, nullptr);
  TextOut(mem, 0, 0, "H", 1);
  SetViewportOrgEx(mem, 0, 0, nullptr);
  RECT moved = MemInk(mem, 100, 40, RGB(255, 255, 255));
  EXPECT_EQ(moved.left, plain.left + 20);
  EXPECT_EQ(moved.top, plain.top + 5);
  SelectObject(mem, oldBm);
  DeleteObject(bm);

  // A monochrome surface takes text without grey levels.
  HBITMAP mono = CreateBitmap(60, 20, 1, 1, nullptr);
  SelectObject(mem, mono);
  RECT m{0, 0, 60, 20};
  FillRect(mem, &m, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  TextOut(mem, 2, 2, "Ab", 2);
  int black = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF c = GetPixel(mem, x, y);
      EXPECT_TRUE(c == RGB(0, 0, 0) || c == RGB(255, 255, 255)) << x << "," << y;
      black += c == RGB(0, 0, 0);
    }
  EXPECT_GT(black, 10);
  SelectObject(mem, oldBm);
  DeleteObject(mono);
  DeleteDC(mem);
}

}  // namespace
}  // namespace tt

namespace tt {
namespace {

TEST_F(TextOutTest, TabbedOutputFromTheTabOrigin) {
  int ave = Metrics().tmAveCharWidth;
  TextOut(dc, 0, 0, "b", 1);
  RECT b = Ink();
  Clear();
  LONG r = TabbedTextOut(dc, 10, 0, "a\tb", 3, 0, nullptr, 10);
  EXPECT_EQ(LOWORD(static_cast<DWORD>(r)), 8 * ave + W("b"));
  EXPECT_EQ(HIWORD(static_cast<DWORD>(r)), 13);
  EXPECT_EQ(Ink().right, 10 + 8 * ave + b.right);
  // Stops count from the tab origin, not from where the text starts.
  Clear();
  int stop = 40;
  r = TabbedTextOut(dc, 30, 0, "a\tb", 3, 1, &stop, 0);
  EXPECT_EQ(LOWORD(static_cast<DWORD>(r)), 40 - 30 + W("b"));
  EXPECT_EQ(Ink().right, 40 + b.right);
}

}  // namespace
}  // namespace tt
