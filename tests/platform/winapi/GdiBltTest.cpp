// Raster operations, monochrome conversion, stretching, masks, transparency, alpha and DIB transfer.

#include <gtest/gtest.h>

#include "GdiSupport.h"
#include "winapi/Windows.h"

using namespace gt;
using GdiBlt = GdiTest;

// With pattern 0xF0, source 0xCC and destination 0xAA in every channel, any ternary operation leaves its
// own code in every channel: one table covers the evaluation of all 256 codes.
TEST_F(GdiBlt, EveryTernaryCodeEvaluatesItsTruthTable) {
  Surface src(1, 1, RGB(0xCC, 0xCC, 0xCC));
  Surface dst(1, 1);
  HBRUSH pat = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
  SelectObject(dst.dc, pat);
  for (int code = 0; code < 256; ++code) {
    dst.Fill(RGB(0xAA, 0xAA, 0xAA));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, static_cast<DWORD>(code) << 16));
    ASSERT_EQ(dst.At(0, 0), RGB(code, code, code)) << "code " << code;
  }
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pat);
}

TEST_F(GdiBlt, NamedOperationsOnMixedColours) {
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF expect;
  };
  const COLORREF P = RGB(0x0F, 0xF0, 0x33), S = RGB(0x55, 0x0F, 0xF0), D = RGB(0x3C, 0x99, 0x0F);
  auto r = [](int v) { return static_cast<BYTE>(v & 0xFF); };
  auto op = [&](auto f) {
    return RGB(r(f(GetRValue(P), GetRValue(S), GetRValue(D))), r(f(GetGValue(P), GetGValue(S), GetGValue(D))),
               r(f(GetBValue(P), GetBValue(S), GetBValue(D))));
  };
  const Case cases[] = {
      {"SRCCOPY", SRCCOPY, S},
      {"SRCAND", SRCAND, op([](int, int s, int d) { return s & d; })},
      {"SRCPAINT", SRCPAINT, op([](int, int s, int d) { return s | d; })},
      {"SRCINVERT", SRCINVERT, op([](int, int s, int d) { return s ^ d; })},
      {"SRCERASE", SRCERASE, op([](int, int s, int d) { return s & ~d; })},
      {"NOTSRCCOPY", NOTSRCCOPY, op([](int, int s, int) { return ~s; })},
      {"DSTINVERT", DSTINVERT, op([](int, int, int d) { return ~d; })},
      {"PATCOPY", PATCOPY, P},
      {"PATINVERT", PATINVERT, op([](int p, int, int d) { return p ^ d; })},
      {"MERGECOPY", MERGECOPY, op([](int p, int s, int) { return p & s; })},
      {"B8074A", 0xB8074A, op([](int p, int s, int d) { return (s & d) | (~s & p); })},
      {"E20746", 0xE20746, op([](int p, int s, int d) { return (s & p) | (~s & d); })},
  };
  Surface src(1, 1, S), dst(1, 1);
  HBRUSH pat = CreateSolidBrush(P);
  SelectObject(dst.dc, pat);
  for (const Case& c : cases) {
    dst.Fill(D);
    BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop);
    EXPECT_EQ(dst.At(0, 0), c.expect) << c.name;
  }
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pat);
}

TEST_F(GdiBlt, MonochromeConversionBothWays) {
  // Colour to mono: the source DC's background colour becomes white, everything else black.
  Surface colour(3, 1);
  colour.px[0] = 0x00FF0000;  // red
  colour.px[1] = 0x0000FF00;  // green
  colour.px[2] = 0x00FFFFFF;
  HDC monoDC = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateBitmap(3, 1, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(monoDC, mono);
  SetBkColor(colour.dc, kRed);
  BitBlt(monoDC, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(monoDC, 0, 0), kWhiteC);
  EXPECT_EQ(GetPixel(monoDC, 1, 0), kBlack);
  EXPECT_EQ(GetPixel(monoDC, 2, 0), kBlack);  // white, but not the background colour
  // Mono to colour: set bits take the destination's background colour, clear bits its text colour.
  Surface out(3, 1);
  SetBkColor(out.dc, RGB(0, 0, 255));
  SetTextColor(out.dc, RGB(0, 255, 0));
  BitBlt(out.dc, 0, 0, 3, 1, monoDC, 0, 0, SRCCOPY);
  EXPECT_EQ(out.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(out.At(1, 0), RGB(0, 255, 0));
  // A bitmap compatible with a fresh memory DC is monochrome.
  HDC fresh = CreateCompatibleDC(nullptr);
  HBITMAP compat = CreateCompatibleBitmap(fresh, 4, 4);
  BITMAP bm{};
  GetObject(compat, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(compat);
  DeleteDC(fresh);
  SelectObject(monoDC, old);
  DeleteObject(mono);
  DeleteDC(monoDC);
}

TEST_F(GdiBlt, StretchMaskTransparentAndAlpha) {
  Surface src(2, 2);
  src.px[0] = 0x00FF0000;
  src.px[1] = 0x0000FF00;
  src.px[2] = 0x000000FF;
  src.px[3] = 0x00FFFFFF;
  Surface dst(4, 4, kBlack);
  StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.At(1, 1), kRed);
  EXPECT_EQ(dst.At(2, 1), RGB(0, 255, 0));
  EXPECT_EQ(dst.At(3, 3), kWhiteC);
  // Mirrored: a negative destination width flips the columns.
  StretchBlt(dst.dc, 4, 0, -4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(dst.At(3, 0), kRed);

  dst.Fill(kBlack);
  TransparentBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 2, 2, RGB(0, 255, 0));
  EXPECT_EQ(dst.At(0, 0), kRed);
  EXPECT_EQ(dst.At(1, 0), kBlack);

  // MaskBlt: set mask bits use the foreground operation (copy), clear ones the background one (keep).
  dst.Fill(kBlack);
  WORD maskRows[2] = {0x0080, 0x0040};  // bytes: row 0 = 0x80 (x=0), row 1 = 0x40 (x=1)
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskRows);
  MaskBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
  EXPECT_EQ(dst.At(0, 0), kRed);
  EXPECT_EQ(dst.At(1, 0), kBlack);
  EXPECT_EQ(dst.At(0, 1), kBlack);
  EXPECT_EQ(dst.At(1, 1), kWhiteC);
  DeleteObject(mask);

  dst.Fill(kBlack);
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  AlphaBlend(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 2, 2, half);
  EXPECT_EQ(dst.At(1, 1), RGB(128, 128, 128));
  // Per-pixel alpha (premultiplied): a half-transparent white over red.
  Surface a(1, 1);
  a.px[0] = 0x80808080;
  dst.Fill(kRed);
  BLENDFUNCTION pp{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dst.dc, 0, 0, 1, 1, a.dc, 0, 0, 1, 1, pp);
  EXPECT_EQ(dst.At(0, 0), RGB(255, 128, 128));
}

TEST_F(GdiBlt, PatBltAndOverlappingScroll) {
  Surface s(6, 3);
  SelectObject(s.dc, GetStockObject(BLACK_BRUSH));
  PatBlt(s.dc, 1, 0, 2, 1, PATCOPY);
  EXPECT_EQ(s.Row(0, kBlack), ".##...");
  PatBlt(s.dc, 0, 0, 6, 1, DSTINVERT);
  EXPECT_EQ(s.Row(0, kBlack), "#..###");
  // Overlapping copy within one DC reads the original pixels.
  BitBlt(s.dc, 1, 0, 5, 1, s.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(s.Row(0, kBlack), "##..##");
  RECT upd{};
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ScrollDC(s.dc, 0, 1, nullptr, nullptr, rgn, &upd);
  EXPECT_EQ(s.Row(1, kBlack), "##..##");
  EXPECT_EQ(upd.top, 0);
  EXPECT_EQ(upd.bottom, 1);
  EXPECT_EQ(upd.right, 6);
  DeleteObject(rgn);
}

TEST_F(GdiBlt, DibTransferRoundTrips) {
  HBITMAP bmp = CreateBitmap(3, 2, 1, 32, nullptr);
  // Bottom-up 24-bit input: the first row in memory is the bottom row of the image.
  uint8_t rows[2][12] = {{0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}, {255, 255, 255, 0, 0, 0, 9, 9, 9, 0, 0, 0}};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  EXPECT_EQ(SetDIBits(nullptr, bmp, 0, 2, rows, &bi, DIB_RGB_COLORS), 2);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  EXPECT_EQ(GetPixel(dc, 0, 1), kRed);
  EXPECT_EQ(GetPixel(dc, 0, 0), kWhiteC);
  SelectObject(dc, old);
  // Read back as a top-down 1-bit image: bright pixels are set.
  BITMAPINFO mi{};
  mi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  mi.bmiHeader.biWidth = 3;
  mi.bmiHeader.biHeight = -2;
  mi.bmiHeader.biPlanes = 1;
  mi.bmiHeader.biBitCount = 1;
  uint8_t bits[8] = {};
  EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, bits, &mi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(bits[0], 0x80);  // top row: white, black, dark
  EXPECT_EQ(mi.bmiColors[1].rgbRed, 255);
  BITMAPINFO q{};
  q.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  GetDIBits(dc, bmp, 0, 0, nullptr, &q, DIB_RGB_COLORS);
  EXPECT_EQ(q.bmiHeader.biBitCount, 32);
  EXPECT_EQ(q.bmiHeader.biWidth, 3);
  DeleteDC(dc);
  DeleteObject(bmp);
}
