#include <string>
#include <vector>

#include "EditSupport.h"
#include "ui/editors/cxEditTextUtils.h"
#include "winapi/Messages.h"

namespace {

using edit_test::Owned;
using edit_test::PaintTest;
using edit_test::Rgb;

class EditPaintTest : public PaintTest {
protected:
  void SetUp() override {
    PaintTest::SetUp();
    Canvas.reset(New<TcxCanvas>(A->Canvas()));
  }
  void TearDown() override {
    Canvas.reset();
    PaintTest::TearDown();
  }
  uint32_t P(int x, int y) { return PaintTest::Px(A.get(), x, y); }
  // The pixels of a small area as rows of '#' (the colour) and '.' (anything else).
  std::vector<std::string> Picture(int left, int top, int w, int h, uint32_t color) {
    std::vector<std::string> out;
    for (int y = top; y < top + h; ++y) {
      std::string row;
      for (int x = left; x < left + w; ++x) row += P(x, y) == color ? '#' : '.';
      out.push_back(row);
    }
    return out;
  }
  Owned<TcxCanvas> Canvas;
};

constexpr TColor kRed = static_cast<TColor>(RGB(255, 0, 0));

TEST(EditFlagConversion, DrawTextFlagsToTextOutFlagsTable) {
  struct Case {
    uint32_t canvas;
    uint32_t textOut;
  };
  const Case cases[] = {
      {tfAlignHCenter | tfAlignVCenter | tfSingleLine, 0x211},
      {tfAlignLeft | tfAlignTop, TOF_LEFT | TOF_TOP},
      {tfAlignRight | tfAlignBottom, TOF_RIGHT | TOF_BOTTOM},
      {tfWordBreak, TOF_WORDBREAK},
      {tfShowEndEllipsis | tfShowPrefix | tfExpandTabs | tfDontClip, 0},  // not carried over
      {tfAlignHCenter | tfWordBreak | tfAlignBottom, TOF_CENTER_HORZ | TOF_WORDBREAK | TOF_BOTTOM},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertDrawTextFlags(c.canvas), c.textOut) << std::hex << c.canvas;
}

TEST(EditFlagConversion, TextOutFlagsToDrawTextFlagsTable) {
  struct Case {
    uint32_t textOut;
    uint32_t canvas;
  };
  const Case cases[] = {
      {0x211, tfAlignHCenter | tfAlignVCenter | tfSingleLine},
      {TOF_LEFT | TOF_TOP, 0},  // left and top cannot come back
      {TOF_RIGHT | TOF_BOTTOM | TOF_WORDBREAK, tfAlignRight | tfAlignBottom | tfWordBreak},
      {TOF_END_ELLIPSIS | TOF_EXPANDTABS | TOF_CALCRECT | TOF_NOCLIP, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertTextOutFlags(c.textOut), c.canvas) << std::hex << c.textOut;
}

TEST(EditHotkeyPrefix, StripTable) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Open", "Open"}, {"Sa&ve", "Save"},       {"A && B", "A & B"}, {"End&", "End_"},
      {"", ""},          {"&&&x", "&x"},          {"Файл &Ж", "Файл Ж"}, {"plain", "plain"},
      {"&", "_"},        {"a&&", "a&"},
  };
  for (const auto& [caption, text] : cases) EXPECT_EQ(StripHotkeyPrefix(caption), text) << caption;
}

TEST(EditArrowSize, CalcArrowSizeTable) {
  struct Case {
    SIZE size;
    TcxPainterArrowDirection dir;
    SIZE arrow;
  };
  const Case cases[] = {
      {{15, 9}, padDown, {5, 3}}, {{15, 9}, padLeft, {3, 5}}, {{15, 9}, padUp, {5, 3}},
      {{9, 15}, padRight, {3, 5}}, {{17, 17}, padDown, {9, 5}}, {{7, 20}, padDown, {3, 2}},
      {{12, 12}, padDown, {5, 3}},  // (12 - 1) div 2 = 5, already odd
  };
  for (const Case& c : cases) {
    SIZE s{};
    CalcArrowSize(c.size, c.dir, s);
    EXPECT_EQ(s.cx, c.arrow.cx) << c.size.cx << "x" << c.size.cy << " " << int(c.dir);
    EXPECT_EQ(s.cy, c.arrow.cy) << c.size.cx << "x" << c.size.cy << " " << int(c.dir);
  }
}

TEST(EditCenterSize, CenterSizeInRectTable) {
  struct Case {
    RECT r;
    SIZE size;
    bool pressed;
    int left, top;
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, {4, 4}, false, 3, 3},
      {{0, 0, 10, 10}, {4, 4}, true, 4, 4},
      {{0, 0, 10, 10}, {10, 10}, true, 0, 0},  // no room to move
      {{2, 2, 6, 6}, {7, 7}, false, 1, 1},     // larger than the rectangle: truncated toward zero
      {{0, 0, 10, 4}, {5, 4}, true, 3, 0},
  };
  for (const Case& c : cases) {
    int32_t l = 0, t = 0;
    CenterSizeInRect(c.r, c.size, l, t, c.pressed);
    EXPECT_EQ(l, c.left);
    EXPECT_EQ(t, c.top);
  }
}

// ---- the brush cache ----------------------------------------------------------------------------------------
TEST_F(EditPaintTest, SameColourGivesTheSameBrushAndCountsUses) {
  HBRUSH a = GetSolidBrush(kRed);
  HBRUSH b = GetSolidBrush(kRed);
  EXPECT_EQ(a, b);
  TcxSolidBrushCache* cache = SolidBrushCache();
  EXPECT_EQ(cache->Capacity(), 128);
  EXPECT_EQ(cache->Used(), 1);
  EXPECT_EQ(cache->UseCounts(cache->IndexOf(kRed)), 1);
  EXPECT_EQ(GetSolidBrushForCanvas(Canvas.get(), kRed), a);
  EXPECT_EQ(GetSolidBrushForPlatformCanvas(A->Canvas(), kRed), a);
  EXPECT_EQ(cache->UseCounts(cache->IndexOf(kRed)), 3);
  // The brush paints its colour.
  const RECT r{0, 0, 4, 4};
  FillRectWithBrush(DC(), r, a);
  EXPECT_EQ(P(2, 2), Rgb(255, 0, 0));
}

TEST_F(EditPaintTest, SystemColoursUseTheSystemBrushes) {
  EXPECT_EQ(GetSolidBrush(clBtnFace), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetSolidBrush(clWindow), GetSysColorBrush(COLOR_WINDOW));
  EXPECT_EQ(SolidBrushCache()->Used(), 0);
}

TEST_F(EditPaintTest, CacheKeepsColoursSortedAsUnsignedNumbers) {
  TcxSolidBrushCache cache(8);
  for (TColor c : {TColor(0x00FF0000), TColor(5), TColor(0x00000100), TColor(0x0A000000)}) cache.GetBrush(c);
  ASSERT_EQ(cache.Used(), 4);
  for (int i = 1; i < cache.Used(); ++i)
    EXPECT_LT(static_cast<uint32_t>(cache.Colors(i - 1)), static_cast<uint32_t>(cache.Colors(i)));
}

TEST_F(EditPaintTest, FullCacheEvictsTheFirstLeastUsedEntry) {
  TcxSolidBrushCache* cache = SolidBrushCache();
  for (int i = 0; i < 128; ++i) GetSolidBrush(static_cast<TColor>(RGB(i, 0, 1)));
  ASSERT_EQ(cache->Used(), 128);
  HBRUSH kept = GetSolidBrush(static_cast<TColor>(RGB(0, 0, 1)));  // now used once
  // Colour 129: the first entry with the fewest uses (count 0) goes, i.e. RGB(1, 0, 1).
  GetSolidBrush(static_cast<TColor>(RGB(200, 0, 1)));
  EXPECT_EQ(cache->Used(), 128);
  EXPECT_EQ(cache->IndexOf(static_cast<TColor>(RGB(1, 0, 1))), -1);
  EXPECT_NE(cache->IndexOf(static_cast<TColor>(RGB(2, 0, 1))), -1);
  EXPECT_NE(cache->IndexOf(static_cast<TColor>(RGB(200, 0, 1))), -1);
  // A colour still cached returns its handle again and its count grows.
  EXPECT_EQ(GetSolidBrush(static_cast<TColor>(RGB(0, 0, 1))), kept);
  EXPECT_EQ(cache->UseCounts(cache->IndexOf(static_cast<TColor>(RGB(0, 0, 1)))), 2);
  for (int i = 1; i < cache->Used(); ++i)
    EXPECT_LT(static_cast<uint32_t>(cache->Colors(i - 1)), static_cast<uint32_t>(cache->Colors(i)));
}

TEST_F(EditPaintTest, EvictionKeepsTheInsertPositionRight) {
  TcxSolidBrushCache cache(3);
  cache.GetBrush(10);
  cache.GetBrush(20);
  cache.GetBrush(30);
  cache.GetBrush(20);
  cache.GetBrush(30);
  cache.GetBrush(25);  // evicts 10 (count 0) before the insert place
  EXPECT_EQ(cache.Colors(0), 20);
  EXPECT_EQ(cache.Colors(1), 25);
  EXPECT_EQ(cache.Colors(2), 30);
  cache.GetBrush(5);  // evicts 25 (count 0) after the insert place
  EXPECT_EQ(cache.Colors(0), 5);
  EXPECT_EQ(cache.Colors(1), 20);
  EXPECT_EQ(cache.Colors(2), 30);
}

TEST_F(EditPaintTest, SystemPaletteChangeEmptiesTheCache) {
  GetSolidBrush(kRed);
  GetSolidBrush(clBlue);
  ASSERT_EQ(SolidBrushCache()->Used(), 2);
  SetColor(COLOR_BTNFACE, RGB(200, 200, 200));  // broadcasts the colour change
  headless::RunUntilIdle();
  EXPECT_EQ(SolidBrushCache()->Used(), 0);
  GetSolidBrush(kRed);
  EXPECT_EQ(SolidBrushCache()->Used(), 1);
}

// ---- fills and lines ----------------------------------------------------------------------------------------
TEST_F(EditPaintTest, FillRectExceptFillsTheRingOnly) {
  HBRUSH red = GetSolidBrush(kRed);
  FillRectExcept(Canvas.get(), RECT{0, 0, 6, 5}, RECT{2, 1, 4, 3}, red);
  EXPECT_EQ(Picture(0, 0, 7, 6, Rgb(255, 0, 0)), (std::vector<std::string>{
                                                     "######.",
                                                     "##..##.",
                                                     "##..##.",
                                                     "######.",
                                                     "######.",
                                                     ".......",
                                                 }));
}

TEST_F(EditPaintTest, FillRectExceptEdgeCases) {
  HBRUSH red = GetSolidBrush(kRed);
  FillRectExcept(Canvas.get(), RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, red);  // equal: nothing
  FillRectExcept(Canvas.get(), RECT{5, 5, 5, 9}, RECT{}, red);            // empty outer: nothing
  EXPECT_TRUE(Blank(A.get()));
  FillRectExcept(Canvas.get(), RECT{0, 0, 3, 2}, RECT{1, 1, 1, 1}, red);  // empty inner: all
  EXPECT_EQ(Picture(0, 0, 4, 3, Rgb(255, 0, 0)), (std::vector<std::string>{"###.", "###.", "...."}));
}

TEST_F(EditPaintTest, DrawRectEdgesDrawsRequestedSidesAndShrinks) {
  struct Case {
    uint32_t edges;
    RECT after;
    std::vector<std::string> picture;
  };
  const Case cases[] = {
      {cxEdgeAll, {1, 1, 4, 3}, {"#####", "#...#", "#...#", "#####"}},
      {cxEdgeLeft | cxEdgeBottom, {1, 0, 5, 3}, {"#....", "#....", "#....", "#####"}},
      {cxEdgeRight | cxEdgeTop, {0, 1, 4, 4}, {"#####", "....#", "....#", "....#"}},
      {0, {0, 0, 5, 4}, {".....", ".....", ".....", "....."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edges);
    A->Canvas()->Brush()->SetStyle(bsSolid);
    A->Canvas()->Brush()->SetColor(clWhite);
    A->Canvas()->FillRect(RECT{0, 0, 10, 10});
    RECT r{0, 0, 5, 4};
    DrawRectEdges(Canvas.get(), r, c.edges, kRed);
    EXPECT_TRUE(EqualRect(&r, &c.after));
    EXPECT_EQ(Picture(0, 0, 5, 4, Rgb(255, 0, 0)), c.picture);
  }
}

TEST_F(EditPaintTest, PolyLineWithRectanglesCoversStartsAndTheLastPoint) {
  // Right, down, left, up: each segment covers its start, not its end; the last point is set.
  const std::vector<POINT> pts{{1, 1}, {4, 1}, {4, 3}, {2, 3}, {2, 2}};
  DrawPolyLine(Canvas.get(), pts, kRed, true);
  EXPECT_EQ(Picture(0, 0, 6, 5, Rgb(255, 0, 0)), (std::vector<std::string>{
                                                     "......",
                                                     ".####.",
                                                     "..#.#.",
                                                     "..###.",
                                                     "......",
                                                 }));
}

TEST_F(EditPaintTest, PolyLineWithThePenMatchesTheRectangles) {
  const std::vector<POINT> pts{{1, 1}, {4, 1}, {4, 3}, {2, 3}};
  DrawPolyLine(Canvas.get(), pts, kRed, false);
  EXPECT_EQ(Picture(0, 0, 6, 5, Rgb(255, 0, 0)), (std::vector<std::string>{
                                                     "......",
                                                     ".####.",
                                                     "....#.",
                                                     "..###.",
                                                     "......",
                                                 }));
}

TEST_F(EditPaintTest, ArrowsTable) {
  struct Case {
    TcxPainterArrowDirection dir;
    bool twice;
    bool pressed;
    std::vector<std::string> picture;  // in the rectangle (0, 0, 7, 7)
  };
  const Case cases[] = {
      {padDown, false, false, {".......", ".......", ".#####.", "..###..", "...#...", ".......", "......."}},
      {padUp, false, false, {".......", ".......", "...#...", "..###..", ".#####.", ".......", "......."}},
      {padDown, false, true, {".......", ".......", ".......", "..#####", "...###.", "....#..", "......."}},
      {padRight, false, false, {".......", "..#....", "..##...", "..###..", "..##...", "..#....", "......."}},
      {padLeft, false, false, {".......", "....#..", "...##..", "..###..", "...##..", "....#..", "......."}},
      {padDown, true, false, {".#####.", "..###..", "...#...", ".#####.", "..###..", "...#...", "......."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.dir) * 10 + c.twice * 2 + c.pressed);
    A->Canvas()->Brush()->SetStyle(bsSolid);
    A->Canvas()->Brush()->SetColor(clWhite);
    A->Canvas()->FillRect(RECT{0, 0, 10, 10});
    DrawArrows(Canvas.get(), 3, RECT{0, 0, 7, 7}, c.dir, c.twice, c.pressed, kRed);
    EXPECT_EQ(Picture(0, 0, 7, 7, Rgb(255, 0, 0)), c.picture);
  }
}

// ---- glyphs and looks ---------------------------------------------------------------------------------------
TEST_F(EditPaintTest, GlyphIsDrawnOverItsBackgroundColour) {
  Owned<TBitmap> glyph(New<TBitmap>());
  EXPECT_FALSE(IsGlyphAssigned(nullptr));
  EXPECT_FALSE(IsGlyphAssigned(glyph.get()));
  glyph->SetSize(3, 2);
  glyph->Canvas()->Brush()->SetColor(clFuchsia);
  glyph->Canvas()->FillRect(RECT{0, 0, 3, 2});
  glyph->Canvas()->SetPixels(1, 0, clBlack);
  glyph->SetTransparent(true);
  glyph->SetTransparentColor(clFuchsia);
  EXPECT_TRUE(IsGlyphAssigned(glyph.get()));
  DrawEditGlyph(Canvas.get(), 2, 2, glyph.get(), true, kRed);
  EXPECT_EQ(Picture(2, 2, 3, 2, 0), (std::vector<std::string>{".#.", "..."}));
  EXPECT_EQ(P(2, 2), Rgb(255, 0, 0));
  // clNone leaves the background as it was.
  DrawEditGlyph(Canvas.get(), 10, 2, glyph.get(), true, clNone);
  EXPECT_EQ(P(10, 2), 0xFFFFFFu);
  EXPECT_EQ(P(11, 2), 0u);
}

TEST_F(EditPaintTest, GlyphOverABufferKeepsTheBufferWhereTransparent) {
  Owned<TBitmap> glyph(New<TBitmap>());
  glyph->SetSize(2, 1);
  glyph->Canvas()->Brush()->SetColor(clFuchsia);
  glyph->Canvas()->FillRect(RECT{0, 0, 2, 1});
  glyph->Canvas()->SetPixels(0, 0, clBlack);
  glyph->SetTransparent(true);
  glyph->SetTransparentColor(clFuchsia);
  Owned<TBitmap> buffer(New<TBitmap>());
  buffer->SetSize(2, 1);
  buffer->Canvas()->Brush()->SetColor(clLime);
  buffer->Canvas()->FillRect(RECT{0, 0, 2, 1});
  DrawEditGlyph(Canvas.get(), 0, 0, glyph.get(), true, clNone, buffer.get());
  EXPECT_EQ(P(0, 0), 0u);
  EXPECT_EQ(P(1, 0), Rgb(0, 255, 0));
}

TEST_F(EditPaintTest, PainterClassOfALook) {
  EXPECT_EQ(GetEditPainterClass(false, lfFlat), TcxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(GetEditPainterClass(false, lfStandard), TcxStandardLookAndFeelPainter::Instance());
  EXPECT_EQ(GetEditPainterClass(false, lfUltraFlat), TcxUltraFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(GetEditPainterClass(false, lfOffice11), TcxOffice11LookAndFeelPainter::Instance());
  // Native only while the platform's visual styles are on.
  EXPECT_EQ(GetEditPainterClass(true, lfFlat), TcxFlatLookAndFeelPainter::Instance());
  winapi::SetThemeActive(true);
  EXPECT_EQ(GetEditPainterClass(true, lfFlat), TcxWinXPLookAndFeelPainter::Instance());
  winapi::SetThemeActive(false);
}

TEST_F(EditPaintTest, ButtonStateColours) {
  EXPECT_EQ(GetHighlightBorderColor(false), clHighlight);
  EXPECT_EQ(GetFlatButtonColor(true, false), TcxUltraFlatLookAndFeelPainter::Instance()->ButtonFaceColor(cxbsPressed));
  EXPECT_EQ(GetFlatButtonColor(false, false), TcxUltraFlatLookAndFeelPainter::Instance()->ButtonFaceColor(cxbsHot));
  EXPECT_EQ(GetFlatButtonColor(false, true), TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(cxbsHot));
  // Without a known colour scheme the Office11 highlight is the highlight colour.
  EXPECT_EQ(ColorToRGB(GetHighlightBorderColor(true)), ColorToRGB(clHighlight));
  EXPECT_EQ(GetHotTrackColor(), clSystemColor | COLOR_HOTLIGHT);
}

}  // namespace
