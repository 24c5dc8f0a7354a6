#include "ui/base/cxGraphics.h"

#include <algorithm>

#include "cxGraphicsSupport.h"

using namespace uibase_test;

namespace {

class CanvasTest : public UiBaseTest {
protected:
  void SetUp() override {
    UiBaseTest::SetUp();
    Bitmap = MakeBitmap(40, 40);
    Canvas = New<TcxCanvas>(Bitmap->Canvas());
  }
  void TearDown() override {
    FreeAndNil(Canvas);
    Bitmap.reset();
    UiBaseTest::TearDown();
  }
  // The bounding box of the pixels that pass a test.
  template <class F>
  RECT BoxOf(F pass) {
    RECT r{1000, 1000, -1, -1};
    for (int y = 0; y < Bitmap->Height(); ++y)
      for (int x = 0; x < Bitmap->Width(); ++x)
        if (pass(Px(Bitmap.get(), x, y))) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  std::unique_ptr<TBitmap> Bitmap;
  TcxCanvas* Canvas = nullptr;
};

// An 8x8 picture whose every pixel tells where it came from.
std::unique_ptr<TBitmap> Tile() {
  auto b = MakeBitmap(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) b->ScanLine(y)[x] = Rgb(x * 30, y * 30, 200);
  return b;
}

}  // namespace

TEST(TextFlags, ConvertToDrawTextFlags) {
  struct Case {
    uint32_t flags;
    UINT expected;
  } cases[] = {
      {0, DT_NOPREFIX},
      {tfAlignLeft | tfAlignTop, DT_NOPREFIX},
      {tfAlignRight, DT_NOPREFIX | DT_RIGHT},
      {tfAlignHCenter | tfAlignVCenter, DT_NOPREFIX | DT_CENTER | DT_VCENTER},
      {tfAlignBottom | tfSingleLine, DT_NOPREFIX | DT_BOTTOM | DT_SINGLELINE},
      {tfDontClip | tfExpandTabs, DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS},
      {tfShowPrefix, 0},
      {tfWordBreak, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL},
      {tfShowEndEllipsis | tfCalcOnly, DT_NOPREFIX | DT_END_ELLIPSIS | DT_CALCRECT},
      {tfShowPathEllipsis | tfShowPrefix, DT_PATH_ELLIPSIS},
  };
  for (const Case& c : cases) EXPECT_EQ(TextFlagsToDrawTextFlags(c.flags), c.expected) << std::hex << c.flags;
}

TEST(Region, CombineModesMapToGdiModes) {
  EXPECT_EQ(RegionCombineMode(rcmCopy), RGN_COPY);
  EXPECT_EQ(RegionCombineMode(rcmAdd), RGN_OR);
  EXPECT_EQ(RegionCombineMode(rcmSubtract), RGN_DIFF);
  EXPECT_EQ(RegionCombineMode(rcmIntersect), RGN_AND);
}

TEST_F(CanvasTest, RegionCopyTakesTheOtherRegionAndFreesIt) {
  TcxRegion* own = New<TcxRegion>(0, 0, 5, 5);
  TcxRegion* other = New<TcxRegion>(10, 10, 20, 30);
  HRGN copy = CreateRectRgn(10, 10, 20, 30);
  own->CombineWith(other, rcmCopy, true);  // frees other: the sanitizer build catches a second free
  EXPECT_TRUE(own->SameAsHandle(copy));
  DeleteObject(copy);
  own->Free();
}

TEST_F(CanvasTest, RegionCombineSameAsAndArea) {
  std::unique_ptr<TcxRegion> a(New<TcxRegion>(RECT{0, 0, 10, 10}));
  std::unique_ptr<TcxRegion> b(New<TcxRegion>(5, 0, 10, 10));
  a->CombineWith(b.get(), rcmSubtract, false);
  std::unique_ptr<TcxRegion> left(New<TcxRegion>(0, 0, 5, 10));
  EXPECT_TRUE(a->SameAs(left.get()));
  a->CombineWith(b.get(), rcmIntersect, false);
  EXPECT_TRUE(a->HasNoArea());
  std::unique_ptr<TcxRegion> empty(New<TcxRegion>());
  EXPECT_TRUE(a->SameAs(empty.get())) << "two empty regions are the same";
  EXPECT_FALSE(a->SameAs(nullptr));
  b->Offset(-5, 0);
  EXPECT_TRUE(b->SameAs(left.get()));
}

TEST_F(CanvasTest, FillRectTilesFromTheCanvasOrigin) {
  auto tile = Tile();
  Canvas->FillRect(RECT{3, 3, 19, 19}, tile.get());
  struct Probe {
    int x, y;
    uint32_t expected;
  } probes[] = {
      {3, 3, Px(tile.get(), 3, 3)},   {8, 8, Px(tile.get(), 0, 0)},   {7, 12, Px(tile.get(), 7, 4)},
      {18, 18, Px(tile.get(), 2, 2)}, {16, 3, Px(tile.get(), 0, 3)},  {2, 2, Rgb(clWhite)},
      {19, 10, Rgb(clWhite)},         {10, 19, Rgb(clWhite)},
  };
  for (const Probe& p : probes) EXPECT_EQ(Px(Bitmap.get(), p.x, p.y), p.expected) << p.x << "," << p.y;
  // A second fill next to the first continues the same pattern.
  Canvas->FillRect(RECT{19, 3, 27, 19}, tile.get());
  EXPECT_EQ(Px(Bitmap.get(), 19, 5), Px(tile.get(), 3, 5));
}

TEST_F(CanvasTest, FillRectTilesNegativeLogicalCoordinates) {
  // A scrolled canvas: logical (-5, -5) is device (3, 3). The tile grid stays anchored at logical 0, 0.
  auto tile = Tile();
  SetWindowOrgEx(Canvas->Handle(), -8, -8, nullptr);
  Canvas->FillRect(RECT{-5, -5, 3, 3}, tile.get());
  EXPECT_EQ(Px(Bitmap.get(), 3, 3), Px(tile.get(), 3, 3));
  EXPECT_EQ(Px(Bitmap.get(), 7, 7), Px(tile.get(), 7, 7));
  EXPECT_EQ(Px(Bitmap.get(), 8, 8), Px(tile.get(), 0, 0));
  EXPECT_EQ(Px(Bitmap.get(), 2, 2), Rgb(clWhite));
}

TEST_F(CanvasTest, FillRectWithoutBitmapUsesTheBrush) {
  Canvas->SetBrushColor(clRed);
  Canvas->FillRect(RECT{1, 1, 3, 3});
  Canvas->FillRect(RECT{5, 5, 5, 9});  // empty: nothing
  EXPECT_EQ(Px(Bitmap.get(), 2, 2), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 3, 3), Rgb(clWhite));
  EXPECT_EQ(Px(Bitmap.get(), 5, 5), Rgb(clWhite));
}

TEST_F(CanvasTest, FrameRectStripsStayInsideTheRectangle) {
  struct Case {
    int width;
    TcxBorders borders;
    const char* rows;  // 10 rows of columns 0..9 around R = (2, 2, 8, 8): 'x' framed
  } cases[] = {
      {1, cxBordersAll,
       ".........."
       ".........."
       "..xxxxxx.."
       "..x....x.."
       "..x....x.."
       "..x....x.."
       "..x....x.."
       "..xxxxxx.."
       ".........."
       ".........."},
      {2, TcxBorders{bLeft, bBottom},
       ".........."
       ".........."
       "..xx......"
       "..xx......"
       "..xx......"
       "..xx......"
       "..xxxxxx.."
       "..xxxxxx.."
       ".........."
       ".........."},
      {5, cxBordersAll,  // wider than half: the whole rectangle, nothing outside it
       ".........."
       ".........."
       "..xxxxxx.."
       "..xxxxxx.."
       "..xxxxxx.."
       "..xxxxxx.."
       "..xxxxxx.."
       "..xxxxxx.."
       ".........."
       ".........."},
  };
  for (const Case& c : cases) {
    Canvas->SetBrushColor(clWhite);
    Canvas->FillRect(RECT{0, 0, 40, 40});
    Canvas->FrameRect(RECT{2, 2, 8, 8}, clBlue, c.width, c.borders);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Px(Bitmap.get(), x, y), c.rows[y * 10 + x] == 'x' ? Rgb(clBlue) : Rgb(clWhite))
            << "width " << c.width << " at " << x << "," << y;
  }
}

TEST_F(CanvasTest, BevelEdgeColourPairs) {
  struct Case {
    bool sunken, outer;
    TColor leftTop, rightBottom;
  } cases[] = {
      {true, true, clBtnShadow, clBtnHighlight},
      {true, false, cl3DDkShadow, cl3DLight},
      {false, true, cl3DLight, cl3DDkShadow},
      {false, false, clBtnHighlight, clBtnShadow},
  };
  for (const Case& c : cases) {
    Canvas->DrawBevelEdge(RECT{4, 4, 14, 12}, c.sunken, c.outer);
    EXPECT_EQ(Px(Bitmap.get(), 4, 8), Rgb(c.leftTop)) << c.sunken << c.outer;
    EXPECT_EQ(Px(Bitmap.get(), 8, 4), Rgb(c.leftTop)) << c.sunken << c.outer;
    EXPECT_EQ(Px(Bitmap.get(), 13, 8), Rgb(c.rightBottom)) << c.sunken << c.outer;
    EXPECT_EQ(Px(Bitmap.get(), 8, 11), Rgb(c.rightBottom)) << c.sunken << c.outer;
    EXPECT_EQ(Px(Bitmap.get(), 8, 8), Rgb(clWhite));
  }
}

TEST_F(CanvasTest, TwoColorFrameDrawsRightAndBottomLast) {
  Canvas->DrawTwoColorFrame(RECT{0, 0, 10, 10}, clRed, clBlue, cxBordersAll, 2);
  EXPECT_EQ(Px(Bitmap.get(), 0, 0), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 9, 0), Rgb(clBlue)) << "the right strip covers the top one's end";
  EXPECT_EQ(Px(Bitmap.get(), 0, 9), Rgb(clBlue)) << "the bottom strip covers the left one's end";
  EXPECT_EQ(Px(Bitmap.get(), 2, 2), Rgb(clWhite));
}

TEST_F(CanvasTest, FillFramedRectFillsInsideTheBorders) {
  TcxViewParamsRec params;
  params.Color = clYellow;
  Canvas->FillFramedRect(RECT{0, 0, 10, 10}, params, TcxBorders{bLeft, bTop}, clRed, 2);
  EXPECT_EQ(Px(Bitmap.get(), 1, 5), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 5, 1), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 2, 2), Rgb(clYellow));
  EXPECT_EQ(Px(Bitmap.get(), 9, 9), Rgb(clYellow));
  EXPECT_EQ(Px(Bitmap.get(), 10, 10), Rgb(clWhite));
}

TEST_F(CanvasTest, InvertRectInvertsOnlyTheRectangle) {
  Canvas->InvertRect(RECT{0, 0, 4, 4});
  EXPECT_EQ(Px(Bitmap.get(), 3, 3), 0u);
  EXPECT_EQ(Px(Bitmap.get(), 4, 4), Rgb(clWhite));
}

TEST_F(CanvasTest, DisabledTextIsEmbossed) {
  SetSysColor(COLOR_BTNHIGHLIGHT, RGB(255, 0, 0));
  SetSysColor(COLOR_BTNSHADOW, RGB(0, 0, 255));
  Canvas->Font()->SetColor(clGreen);
  Canvas->Font()->SetSize(14);
  auto ink = [](uint32_t p) { return p != 0xFFFFFF; };
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->DrawText("Hx", RECT{2, 2, 38, 38}, tfAlignLeft | tfAlignTop | tfSingleLine, true);
  const RECT enabled = BoxOf(ink);
  ASSERT_LT(enabled.left, enabled.right);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->SetBrushColor(clWhite);
  Canvas->FillRect(RECT{0, 0, 40, 40});
  Canvas->DrawText("Hx", RECT{2, 2, 38, 38}, tfAlignLeft | tfAlignTop | tfSingleLine, false);
  const RECT disabled = BoxOf(ink);
  EXPECT_EQ(disabled.left, enabled.left);
  EXPECT_EQ(disabled.top, enabled.top);
  EXPECT_EQ(disabled.right, enabled.right + 1) << "the light copy sticks out one pixel to the right";
  EXPECT_EQ(disabled.bottom, enabled.bottom + 1) << "and one pixel down";
  RECT light = BoxOf([](uint32_t p) { return p == 0xFF0000; });
  RECT dark = BoxOf([](uint32_t p) { return p == 0x0000FF; });
  EXPECT_LT(light.left, light.right) << "the light copy shows in clBtnHighlight";
  EXPECT_LT(dark.left, dark.right) << "the text itself is in clBtnShadow";
  EXPECT_EQ(Canvas->Brush()->Style(), bsSolid) << "restored";
  EXPECT_EQ(Canvas->Font()->Color(), clGreen) << "restored";
}

TEST_F(CanvasTest, MultiLineBottomTextEndsAtTheBottom) {
  Canvas->Font()->SetColor(clBlack);
  Canvas->Brush()->SetStyle(bsClear);
  const int lineHeight = Canvas->TextHeight("Qq");
  Canvas->DrawText("Ag\nAg", RECT{0, 0, 40, 40}, tfAlignBottom);
  RECT ink = BoxOf([](uint32_t p) { return (p & 0xFF) < 128; });
  EXPECT_LE(ink.bottom, 40);
  EXPECT_GT(ink.bottom, 40 - lineHeight / 2) << "the last line's descender is near the bottom";
  EXPECT_GE(ink.top, 40 - 2 * lineHeight);
}

TEST_F(CanvasTest, SingleLineRightAndCentredText) {
  Canvas->Font()->SetColor(clBlack);
  Canvas->Brush()->SetStyle(bsClear);
  const int width = Canvas->TextWidth("W");
  Canvas->DrawText("W", RECT{0, 0, 40, 20}, tfAlignRight | tfSingleLine);
  RECT ink = BoxOf([](uint32_t p) { return (p & 0xFF) < 128; });
  EXPECT_GE(ink.left, 40 - width);
  EXPECT_LE(ink.right, 40);
  Canvas->SetBrushColor(clWhite);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->FillRect(RECT{0, 0, 40, 40});
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->DrawText("W", RECT{0, 0, 40, 40}, tfAlignHCenter | tfAlignVCenter | tfSingleLine);
  ink = BoxOf([](uint32_t p) { return (p & 0xFF) < 128; });
  EXPECT_NEAR((ink.left + ink.right) / 2, 20, 2);
  EXPECT_NEAR((ink.top + ink.bottom) / 2, 20, 4);
}

TEST_F(CanvasTest, MeasureTextRectPlacesTheTextInTheBox) {
  const int width = Canvas->TextWidth("Abc"), height = Canvas->TextHeight("Abc");
  struct Case {
    uint32_t flags;
    RECT expected;
  } cases[] = {
      {tfSingleLine, {10, 10, 10 + width, 10 + height}},
      {tfSingleLine | tfAlignRight | tfAlignBottom, {110 - width, 60 - height, 110, 60}},
      {tfSingleLine | tfAlignHCenter | tfAlignVCenter,
       {10 + (100 - width) / 2, 10 + (50 - height) / 2, 10 + (100 - width) / 2 + width,
        10 + (50 - height) / 2 + height}},
  };
  for (const Case& c : cases) {
    RECT r{10, 10, 110, 60};
    Canvas->MeasureTextRect("Abc", r, c.flags);
    EXPECT_EQ(r.left, c.expected.left) << c.flags;
    EXPECT_EQ(r.top, c.expected.top) << c.flags;
    EXPECT_EQ(r.right, c.expected.right) << c.flags;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.flags;
  }
  SIZE s;
  Canvas->TextExtent("", s);
  EXPECT_EQ(s.cx, 0);
}

TEST_F(CanvasTest, RotateBitmapMovesEveryPixel) {
  // A 2x3 picture whose pixel (x, y) holds y * 2 + x + 1.
  struct Case {
    int rotation;
    bool flip;
    int width, height;
    uint32_t topLeft, bottomRight;
  } cases[] = {
      {0, false, 2, 3, 1, 6}, {0, true, 2, 3, 5, 2},  {1, false, 3, 2, 2, 5}, {1, true, 3, 2, 1, 6},
      {2, false, 3, 2, 5, 2}, {2, true, 3, 2, 6, 1},  {3, false, 2, 3, 6, 1}, {3, true, 2, 3, 2, 5},
  };
  for (const Case& c : cases) {
    auto b = MakeBitmap(2, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 2; ++x) b->ScanLine(y)[x] = static_cast<uint32_t>(y * 2 + x + 1);
    TcxCanvas::RotateBitmap(b.get(), c.rotation, c.flip);
    ASSERT_EQ(b->Width(), c.width) << c.rotation << c.flip;
    ASSERT_EQ(b->Height(), c.height) << c.rotation << c.flip;
    EXPECT_EQ(Px(b.get(), 0, 0), c.topLeft) << c.rotation << c.flip;
    EXPECT_EQ(Px(b.get(), c.width - 1, c.height - 1), c.bottomRight) << c.rotation << c.flip;
    uint32_t sum = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) sum += Px(b.get(), x, y);
    EXPECT_EQ(sum, 21u) << "every pixel lands once";
  }
}

TEST_F(CanvasTest, GlyphsEnabledAndGreyed) {
  // A 4x4 glyph: red centre on a fuchsia transparent surround (its bottom-left pixel).
  auto glyph = MakeBitmap(4, 4, clFuchsia);
  glyph->Canvas()->Brush()->SetColor(clRed);
  glyph->Canvas()->FillRect(RECT{1, 1, 3, 3});
  Canvas->SetBrushColor(clLime);
  Canvas->FillRect(RECT{0, 0, 40, 40});

  Canvas->DrawBitmapGlyph(0, 0, glyph.get(), true, clNone);
  EXPECT_EQ(Px(Bitmap.get(), 0, 0), Rgb(clLime)) << "transparent pixels leave the canvas";
  EXPECT_EQ(Px(Bitmap.get(), 1, 1), Rgb(clRed));

  Canvas->DrawBitmapGlyph(10, 0, glyph.get(), true, clBlue);
  EXPECT_EQ(Px(Bitmap.get(), 10, 0), Rgb(clBlue)) << "transparent pixels take the background colour";
  EXPECT_EQ(Px(Bitmap.get(), 11, 1), Rgb(clRed));
  EXPECT_EQ(Canvas->Brush()->Style(), bsSolid);

  Canvas->DrawBitmapGlyph(20, 0, glyph.get(), false, clNone);
  EXPECT_EQ(Px(Bitmap.get(), 20, 0), Rgb(clLime));
  uint32_t grey = Px(Bitmap.get(), 21, 1);
  EXPECT_EQ(grey >> 16, (grey >> 8) & 0xFF) << "greyed";
  EXPECT_EQ(grey >> 16, grey & 0xFF) << "greyed";

  Canvas->DrawBitmapGlyph(30, 0, glyph.get(), false, clYellow);
  EXPECT_EQ(Px(Bitmap.get(), 30, 0), Rgb(clYellow));
  EXPECT_EQ(Px(Bitmap.get(), 31, 1), grey);
}

TEST_F(CanvasTest, ClipRegionWithoutClipIsHuge) {
  TcxRegion* clip = Canvas->GetClipRegion();
  RECT box{};
  GetRgnBox(clip->Handle(), &box);
  EXPECT_EQ(box.right, 107374182);
  Canvas->SetClipRegion(clip, rcmCopy);
  Canvas->SetBrushColor(clRed);
  Canvas->FillRect(RECT{0, 0, 40, 40});
  EXPECT_EQ(Px(Bitmap.get(), 0, 0), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 39, 39), Rgb(clRed));
}

TEST_F(CanvasTest, ClipRegionInLogicalAndDeviceCoordinates) {
  SetWindowOrgEx(Canvas->Handle(), 10, 10, nullptr);
  TcxRegion* keep = New<TcxRegion>(10, 10, 30, 30);  // logical: device 0..20
  Canvas->SetClipRegion(keep, rcmIntersect, false);
  RECT box{};
  GetRgnBox(keep->Handle(), &box);
  EXPECT_EQ(box.left, 10) << "a region not destroyed is back at its logical place";
  Canvas->SetClipRegion(keep, rcmSubtract, true);  // nothing left
  TcxRegion* device = Canvas->GetClipRegion();
  EXPECT_TRUE(device->HasNoArea());
  device->Free();

  Canvas->SetClipRegion(New<TcxRegion>(5, 5, 15, 15), rcmCopy);  // device coordinates
  Canvas->ExcludeFromClip(RECT{15, 15, 20, 20});                  // logical: device 5..10
  Canvas->SetBrushColor(clRed);
  Canvas->FillRect(RECT{-10, -10, 50, 50});
  EXPECT_EQ(Px(Bitmap.get(), 4, 4), Rgb(clWhite));
  EXPECT_EQ(Px(Bitmap.get(), 12, 12), Rgb(clRed));
  EXPECT_EQ(Px(Bitmap.get(), 7, 7), Rgb(clWhite)) << "excluded";
  EXPECT_TRUE(Canvas->RectVisible(RECT{20, 20, 30, 30}));
  EXPECT_FALSE(Canvas->RectVisible(RECT{30, 30, 40, 40}));
}

TEST_F(CanvasTest, LightColoursFromTheSystemColours) {
  // Face 212,208,200, highlight 10,36,106, window white.
  EXPECT_EQ(Rgb(CalcSystemLightColor(14, 44, 40)), Rgb(136, 147, 177));
  EXPECT_EQ(Rgb(CalcSystemLightColor(-2, 30, 72)), Rgb(183, 191, 212));
  EXPECT_EQ(Rgb(LightPressedColor()), Rgb(136, 147, 177));
  EXPECT_EQ(Rgb(CalcSystemLightColor(100, 100, 100)), Rgb(255, 255, 255)) << "clamped";
  SetSysColor(COLOR_BTNFACE, RGB(0, 0, 0));
  EXPECT_EQ(Rgb(LightHotTrackColor()), Rgb(clHighlight)) << "a black face gives the highlight colour";
}

TEST_F(CanvasTest, ScreenCanvasDrawsOnTheScreen) {
  TcxScreenCanvas* screen = New<TcxScreenCanvas>();
  EXPECT_NE(screen->Handle(), nullptr);
  EXPECT_GT(screen->TextHeight("Qq"), 0);
  screen->Free();
}
