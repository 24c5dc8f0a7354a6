// Pixels of the drawing calls: line ends, shapes, frames, brushes, clipping, origins and edges.

#include <gtest/gtest.h>

#include "GdiSupport.h"
#include "winapi/Windows.h"

using namespace gt;
using GdiDraw = GdiTest;

TEST_F(GdiDraw, LinesLeaveOutTheirLastPixel) {
  Surface s(12, 12);
  MoveToEx(s.dc, 1, 1, nullptr);
  LineTo(s.dc, 6, 1);
  EXPECT_EQ(s.Row(1, kBlack, 0, 8), ".#####..");
  MoveToEx(s.dc, 3, 3, nullptr);
  LineTo(s.dc, 3, 7);
  EXPECT_EQ(s.Col(3, kBlack).substr(2, 6), ".####.");
  // Diagonal from (8,2) to (11,5): pixels (8,2) (9,3) (10,4), not (11,5).
  MoveToEx(s.dc, 8, 2, nullptr);
  LineTo(s.dc, 11, 5);
  EXPECT_EQ(s.At(10, 4), kBlack);
  EXPECT_EQ(s.At(11, 5), kWhiteC);
  POINT pos{};
  GetCurrentPositionEx(s.dc, &pos);
  EXPECT_EQ(pos.x, 11);
  EXPECT_EQ(pos.y, 5);
  // A polyline closes back at its start without painting it twice in XOR mode.
  s.Fill(kWhiteC);
  SetROP2(s.dc, R2_XORPEN);
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(s.dc, white);
  POINT box[5] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
  Polyline(s.dc, box, 5);
  EXPECT_EQ(s.Row(2, kBlack, 0, 8), "..#####.");
  EXPECT_EQ(s.Row(6, kBlack, 0, 8), "..#####.");
  EXPECT_EQ(s.Col(2, kBlack).substr(0, 8), "..#####.");
  SelectObject(s.dc, oldPen);
  DeleteObject(white);
}

TEST_F(GdiDraw, DottedAndNullPens) {
  Surface s(10, 3);
  HPEN dot = CreatePen(PS_DOT, 1, kBlack);
  SelectObject(s.dc, dot);
  SetBkMode(s.dc, TRANSPARENT);
  MoveToEx(s.dc, 0, 1, nullptr);
  LineTo(s.dc, 10, 1);
  EXPECT_EQ(s.Row(1, kBlack), "#.#.#.#.#.");
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kRed);
  MoveToEx(s.dc, 0, 0, nullptr);
  LineTo(s.dc, 4, 0);
  EXPECT_EQ(s.Row(0, kRed, 0, 4), ".#.#");
  SelectObject(s.dc, GetStockObject(NULL_PEN));
  DeleteObject(dot);
  MoveToEx(s.dc, 0, 2, nullptr);
  LineTo(s.dc, 10, 2);
  EXPECT_EQ(s.Row(2, kBlack), "..........");
}

TEST_F(GdiDraw, RectangleOutlineAndFillExtents) {
  Surface s(10, 10);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(s.dc, red);
  Rectangle(s.dc, 1, 1, 6, 5);
  EXPECT_EQ(s.Row(1, kBlack, 0, 8), ".#####..");
  EXPECT_EQ(s.Row(2, kRed, 0, 8), "..###...");
  EXPECT_EQ(s.Row(4, kBlack, 0, 8), ".#####..");
  EXPECT_EQ(s.At(1, 5), kWhiteC);
  // Without a pen the fill covers one pixel less on the right and the bottom.
  s.Fill(kWhiteC);
  SelectObject(s.dc, GetStockObject(NULL_PEN));
  Rectangle(s.dc, 1, 1, 6, 5);
  EXPECT_EQ(s.Row(1, kRed, 0, 8), ".####...");
  EXPECT_EQ(s.Row(4, kRed, 0, 8), "........");
  SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST_F(GdiDraw, EllipseAndPolygonStayInsideTheirBounds) {
  Surface s(20, 20);
  SelectObject(s.dc, GetStockObject(BLACK_BRUSH));
  Ellipse(s.dc, 2, 2, 12, 8);
  int minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (s.At(x, y) == kBlack) {
        minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  EXPECT_EQ(minX, 2);
  EXPECT_EQ(maxX, 11);
  EXPECT_EQ(minY, 2);
  EXPECT_EQ(maxY, 7);
  EXPECT_EQ(s.At(2, 2), kWhiteC);  // corners stay clear
  s.Fill(kWhiteC);
  POINT tri[3] = {{0, 10}, {10, 10}, {5, 15}};
  Polygon(s.dc, tri, 3);
  EXPECT_EQ(s.At(5, 12), kBlack);
  EXPECT_EQ(s.At(1, 14), kWhiteC);
}

TEST_F(GdiDraw, SmallTrianglesFillSolid) {
  // The down arrow of a 16-pixel button, pen and brush in one colour: no holes along the slanted edges.
  Surface s(16, 12);
  SelectObject(s.dc, GetStockObject(BLACK_BRUSH));
  SelectObject(s.dc, GetStockObject(BLACK_PEN));
  POINT tri[3] = {{4, 6}, {10, 6}, {7, 9}};
  Polygon(s.dc, tri, 3);
  EXPECT_EQ(s.Row(5, kBlack), "................");
  EXPECT_EQ(s.Row(6, kBlack), "....#######.....");
  EXPECT_EQ(s.Row(7, kBlack), ".....#####......");
  EXPECT_EQ(s.Row(8, kBlack), "......###.......");
  EXPECT_EQ(s.Row(9, kBlack), ".......#........");
  EXPECT_EQ(s.Row(10, kBlack), "................");
}

TEST_F(GdiDraw, FrameRectPaintsOnePixelStrips) {
  Surface s(8, 6);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT r{1, 1, 7, 5};
  FrameRect(s.dc, &r, red);
  EXPECT_EQ(s.Row(0, kRed), "........");
  EXPECT_EQ(s.Row(1, kRed), ".######.");
  EXPECT_EQ(s.Row(2, kRed), ".#....#.");
  EXPECT_EQ(s.Row(4, kRed), ".######.");
  EXPECT_EQ(s.Row(5, kRed), "........");
  InvertRect(s.dc, &r);
  EXPECT_EQ(s.At(1, 1), RGB(0, 255, 255));
  EXPECT_EQ(s.At(2, 2), kBlack);
  DeleteObject(red);
}

TEST_F(GdiDraw, PatternBrushesAnchorAtTheBrushOrigin) {
  // Checkerboard with a marker: only (0,0) of the 8×8 tile is black (bit 0), the rest white.
  WORD rows[8];
  for (WORD& r : rows) r = 0x00FF;  // little-endian: the first byte holds the row's 8 pixels
  rows[0] = 0x007F;
  HBITMAP pat = CreateBitmap(8, 8, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(pat);
  Surface s(20, 20, kRed);
  SetTextColor(s.dc, kBlack);
  SetBkColor(s.dc, kWhiteC);
  RECT a{0, 0, 20, 20};
  FillRect(s.dc, &a, brush);
  EXPECT_EQ(s.At(0, 0), kBlack);
  EXPECT_EQ(s.At(8, 8), kBlack);
  EXPECT_EQ(s.At(1, 0), kWhiteC);
  // The tile stays put across separate fills: anchored to the DC, not to the rectangle.
  s.Fill(kRed);
  RECT b{3, 3, 20, 20};
  FillRect(s.dc, &b, brush);
  EXPECT_EQ(s.At(8, 8), kBlack);
  EXPECT_EQ(s.At(3, 3), kWhiteC);
  // Moving the brush origin moves the tile; mono pattern colours follow the text and background colours.
  SetBrushOrgEx(s.dc, 3, 2, nullptr);
  SetTextColor(s.dc, RGB(0, 0, 255));
  FillRect(s.dc, &a, brush);
  EXPECT_EQ(s.At(3, 2), RGB(0, 0, 255));
  EXPECT_EQ(s.At(11, 10), RGB(0, 0, 255));
  EXPECT_EQ(s.At(0, 0), kWhiteC);
  DeleteObject(brush);
  DeleteObject(pat);
}

TEST_F(GdiDraw, HatchBrushesHonourTheBackgroundMode) {
  Surface s(8, 8, kRed);
  HBRUSH h = CreateHatchBrush(HS_HORIZONTAL, kBlack);
  RECT r{0, 0, 8, 8};
  SetBkMode(s.dc, TRANSPARENT);
  FillRect(s.dc, &r, h);
  EXPECT_EQ(s.Row(7, kBlack), "########");
  EXPECT_EQ(s.Row(0, kRed), "########");
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kWhiteC);
  FillRect(s.dc, &r, h);
  EXPECT_EQ(s.Row(0, kWhiteC), "########");
  DeleteObject(h);
}

TEST_F(GdiDraw, ClipRegionsLimitFillsAndBlits) {
  Surface s(10, 10);
  HRGN clip = CreateRectRgn(2, 2, 5, 5);
  EXPECT_EQ(SelectClipRgn(s.dc, clip), SIMPLEREGION);
  RECT all{0, 0, 10, 10};
  FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.Row(1, kBlack), "..........");
  EXPECT_EQ(s.Row(2, kBlack), "..###.....");
  RECT box{};
  EXPECT_EQ(GetClipBox(s.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 5);
  RECT outside{6, 6, 8, 8};
  EXPECT_FALSE(RectVisible(s.dc, &outside));
  EXPECT_EQ(ExcludeClipRect(s.dc, 3, 3, 4, 4), COMPLEXREGION);
  s.Fill(kWhiteC);
  FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.Row(3, kBlack), "..#.#.....");
  // The clip copy belongs to the DC: changing the region afterwards has no effect.
  OffsetRgn(clip, 4, 4);
  s.Fill(kWhiteC);
  Surface src(10, 10, kRed);
  BitBlt(s.dc, 0, 0, 10, 10, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(s.Row(4, kRed), "..###.....");
  SelectClipRgn(s.dc, nullptr);
  IntersectClipRect(s.dc, 8, 0, 10, 10);
  FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.Row(0, kBlack), "........##");
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(s.dc, got), 1);
  RECT gb{};
  GetRgnBox(got, &gb);
  EXPECT_EQ(gb.left, 8);
  DeleteObject(got);
  DeleteObject(clip);
}

TEST_F(GdiDraw, SaveAndRestoreKeepOriginsClipAndObjects) {
  Surface s(10, 10);
  HBRUSH red = CreateSolidBrush(kRed);
  SetViewportOrgEx(s.dc, 2, 3, nullptr);
  RECT r{0, 0, 1, 1};
  FillRect(s.dc, &r, red);
  EXPECT_EQ(s.At(2, 3), kRed);
  int level = SaveDC(s.dc);
  EXPECT_EQ(level, 1);
  SetWindowOrgEx(s.dc, 1, 1, nullptr);
  SelectObject(s.dc, red);
  SetTextColor(s.dc, kRed);
  IntersectClipRect(s.dc, 0, 0, 2, 2);  // logical: device (1,2)-(3,4)
  SaveDC(s.dc);
  SetViewportOrgEx(s.dc, 0, 0, nullptr);
  EXPECT_TRUE(RestoreDC(s.dc, -1));
  POINT vp{}, wo{};
  GetViewportOrgEx(s.dc, &vp);
  GetWindowOrgEx(s.dc, &wo);
  EXPECT_EQ(vp.x, 2);
  EXPECT_EQ(wo.x, 1);
  s.Fill(kWhiteC);
  RECT big{-5, -5, 20, 20};
  FillRect(s.dc, &big, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.Row(2, kBlack, 0, 5), ".##..");
  POINT lp{1, 1};
  LPtoDP(s.dc, &lp, 1);
  EXPECT_EQ(lp.x, 2);
  EXPECT_EQ(lp.y, 3);
  EXPECT_TRUE(RestoreDC(s.dc, level));
  EXPECT_EQ(GetTextColor(s.dc), kBlack);
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_FALSE(RestoreDC(s.dc, 1));  // that level is gone
  s.Fill(kWhiteC);
  FillRect(s.dc, &big, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(s.At(0, 0), kBlack);  // no clip any more
  DeleteObject(red);
}

TEST_F(GdiDraw, DrawEdgeUsesThePlatformColourPairs) {
  struct Case {
    UINT edge;
    int outerTL, outerBR, innerTL, innerBR;
  } cases[] = {
      {EDGE_RAISED, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_SUNKEN, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
      {EDGE_ETCHED, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW},
      {EDGE_BUMP, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
  };
  // Distinct colours so each pixel names its source.
  int idx[] = {COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE};
  COLORREF saved[5], mine[5] = {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3), RGB(4, 4, 4), RGB(5, 5, 5)};
  for (int i = 0; i < 5; ++i) saved[i] = GetSysColor(idx[i]);
  SetSysColors(5, idx, mine);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edge);
    Surface s(10, 10);
    RECT r{0, 0, 10, 10};
    DrawEdge(s.dc, &r, c.edge, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(s.At(0, 0), GetSysColor(c.outerTL));
    EXPECT_EQ(s.At(8, 0), GetSysColor(c.outerTL));
    EXPECT_EQ(s.At(9, 0), GetSysColor(c.outerBR));  // the top-right corner belongs to the bottom-right colour
    EXPECT_EQ(s.At(0, 9), GetSysColor(c.outerBR));
    EXPECT_EQ(s.At(9, 9), GetSysColor(c.outerBR));
    EXPECT_EQ(s.At(1, 1), GetSysColor(c.innerTL));
    EXPECT_EQ(s.At(8, 8), GetSysColor(c.innerBR));
    EXPECT_EQ(s.At(5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
  }
  // Flat and mono edges: one colour around, the inner ring in the face or window colour.
  Surface s(6, 6);
  RECT r{0, 0, 6, 6};
  DrawEdge(s.dc, &r, EDGE_SUNKEN, BF_RECT | BF_FLAT);
  EXPECT_EQ(s.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(s.At(5, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(s.At(1, 1), GetSysColor(COLOR_BTNFACE));
  DrawEdge(s.dc, &r, BDR_SUNKENOUTER, BF_TOP | BF_MONO);
  EXPECT_EQ(s.At(2, 0), GetSysColor(COLOR_WINDOWFRAME));
  SetSysColors(5, idx, saved);
}

TEST_F(GdiDraw, FocusRectanglesXorDottedAndUndoThemselves) {
  Surface s(6, 5);
  RECT r{0, 0, 6, 5};
  DrawFocusRect(s.dc, &r);
  EXPECT_EQ(s.Row(0, kBlack), "#.#.#.");
  EXPECT_EQ(s.Row(2, kBlack), "#.....");
  EXPECT_EQ(s.At(2, 2), kWhiteC);
  DrawFocusRect(s.dc, &r);
  EXPECT_EQ(s.Row(0, kWhiteC), "######");
}

TEST_F(GdiDraw, FrameControlsDrawInsideTheirRectangle) {
  Surface s(20, 20, kRed);
  RECT r{2, 2, 18, 18};
  DrawFrameControl(s.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
  EXPECT_EQ(s.At(2, 2), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(s.At(17, 17), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(s.At(1, 1), kRed);
  DrawFrameControl(s.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  int ink = 0;
  for (int y = 4; y < 16; ++y)
    for (int x = 4; x < 16; ++x) ink += s.At(x, y) == GetSysColor(COLOR_BTNTEXT);
  EXPECT_GT(ink, 5);
  s.Fill(kRed);
  DrawFrameControl(s.dc, &r, DFC_SCROLL, DFCS_SCROLLUP);
  int arrow = 0;
  for (int y = 4; y < 16; ++y)
    for (int x = 4; x < 16; ++x) arrow += s.At(x, y) == GetSysColor(COLOR_BTNTEXT);
  EXPECT_GT(arrow, 3);
}

TEST_F(GdiDraw, TextFollowsTheWindowOrigin) {
  Surface a(60, 30), b(60, 30);
  RECT ra{10, 5, 50, 25}, rb{0, 0, 40, 20};
  SetBkColor(a.dc, kRed);
  SetBkColor(b.dc, kRed);
  ExtTextOut(a.dc, 10, 5, ETO_OPAQUE, &ra, "Hi", 2, nullptr);
  // With the window origin at (-10, -5), logical (0, 0) is device (10, 5): the same pixels.
  SetWindowOrgEx(b.dc, -10, -5, nullptr);
  ExtTextOut(b.dc, 0, 0, ETO_OPAQUE, &rb, "Hi", 2, nullptr);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(b.At(x, y), a.At(x, y)) << x << "," << y;
  EXPECT_EQ(b.At(9, 5), kWhiteC);
  EXPECT_EQ(b.At(10, 5), kRed);
}
