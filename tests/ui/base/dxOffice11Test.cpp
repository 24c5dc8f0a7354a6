#include "ui/base/dxOffice11.h"

#include <cstdlib>
#include <vector>

#include "cxGraphicsSupport.h"
#include "forms/PngImage.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeelPainters.h"

using namespace uibase_test;

namespace {

class Office11Test : public UiBaseTest {
protected:
  void TearDown() override {
    while (Office11ColorsUseCount() > 0) Office11ColorsRelease();
    UiBaseTest::TearDown();
  }
  static void UseLuna(const char* colorName) {
    winapi::SetThemeName("themes/Luna/luna.msstyles", colorName, "NormalSize");
    winapi::SetThemeActive(true);
  }
};

// The widths and colours of the runs of equal pixels along row 0.
struct ColorRun {
  int width;
  uint32_t color;
};
std::vector<ColorRun> RunsOf(TBitmap* b) {
  std::vector<ColorRun> runs;
  for (int x = 0; x < b->Width(); ++x) {
    uint32_t p = Px(b, x, 0);
    if (runs.empty() || runs.back().color != p)
      runs.push_back({1, p});
    else
      ++runs.back().width;
  }
  return runs;
}

}  // namespace

TEST_F(Office11Test, FallbackColoursFollowTheSystemColours) {
  // Face 212,208,200; window white; shadow 128; highlight 10,36,106 (the fixture's table).
  Office11ColorsAcquire();
  EXPECT_EQ(LunaScheme(), 0);
  EXPECT_FALSE(IsLunaSchemeActive());
  EXPECT_EQ(Office11MidTonePercent(), 75);
  struct Case {
    int number;
    uint32_t expected;
  } cases[] = {
      {1, Rgb(212, 208, 200)},  {2, Rgb(246, 246, 244)},  {3, Rgb(246, 245, 243)},  {4, Rgb(214, 210, 202)},
      {5, Rgb(161, 161, 161)},  {8, Rgb(128, 128, 128)},  {20, Rgb(255, 255, 255)}, {22, Rgb(255, 255, 255)},
      {26, Rgb(214, 210, 202)}, {37, Rgb(226, 225, 224)}, {41, Rgb(183, 191, 212)}, {42, Rgb(10, 36, 106)},
      {45, Rgb(136, 147, 177)}, {46, Rgb(136, 147, 177)}, {48, Rgb(210, 211, 216)}, {49, Rgb(136, 147, 177)},
      {53, Rgb(120, 120, 120)}, {60, Rgb(210, 211, 216)}, {62, Rgb(212, 208, 200)}, {65, Rgb(128, 128, 128)},
  };
  for (const Case& c : cases) EXPECT_EQ(Rgb(Office11Color(c.number)), c.expected) << "colour " << c.number;
  EXPECT_EQ(Office11Color01, clBtnFace) << "system colours stay system colours";
  EXPECT_EQ(Office11Color(0), clNone);
}

TEST_F(Office11Test, SchemeColumnsFollowTheThemesColourName) {
  struct Case {
    const char* colorName;
    uint8_t scheme;
    uint32_t color01, color39, color13;
    int midTone;
  } cases[] = {
      {"NormalColor", 1, Rgb(158, 190, 245), Rgb(0, 45, 150), Rgb(127, 173, 242), 41},
      {"homestead", 2, Rgb(217, 217, 167), Rgb(117, 141, 94), Rgb(182, 200, 148), 125},
      {"METALLIC", 3, Rgb(215, 215, 229), Rgb(124, 124, 148), Rgb(185, 184, 205), 40},
      {"Royale", 0, Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(192, 192, 192), 75},
  };
  Office11ColorsAcquire();
  for (const Case& c : cases) {
    UseLuna(c.colorName);
    Office11ColorsRecalc();
    EXPECT_EQ(LunaScheme(), c.scheme) << c.colorName;
    EXPECT_EQ(IsLunaSchemeActive(), c.scheme != 0) << c.colorName;
    EXPECT_EQ(Rgb(Office11Color01), c.color01) << c.colorName;
    EXPECT_EQ(Rgb(Office11Color39), c.color39) << c.colorName;
    EXPECT_EQ(Rgb(Office11Color13), c.color13) << c.colorName;
    EXPECT_EQ(Office11MidTonePercent(), c.midTone) << c.colorName;
  }
  // Another theme file is no Luna scheme, whatever its colour name.
  winapi::SetThemeName("themes/Other/other.msstyles", "NormalColor", "NormalSize");
  EXPECT_EQ(DetectLunaScheme(), 0);
  winapi::SetThemeName("themes/Luna/luna.msstyles", "NormalColor", "NormalSize");
  winapi::SetThemeActive(false);
  EXPECT_EQ(DetectLunaScheme(), 0) << "styles off";
}

TEST_F(Office11Test, GroupRowColoursFollowTheScheme) {
  struct Case {
    const char* colorName;  // nullptr: styles off
    uint32_t background, text, line;
  } cases[] = {
      {nullptr, Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(128, 128, 128)},
      {"NormalColor", Rgb(190, 218, 251), Rgb(55, 104, 185), Rgb(123, 164, 224)},
      {"HomeStead", Rgb(175, 186, 145), Rgb(115, 137, 84), Rgb(181, 196, 143)},
      {"Metallic", Rgb(229, 229, 235), Rgb(112, 111, 145), Rgb(147, 145, 176)},
  };
  Office11ColorsAcquire();
  for (const Case& c : cases) {
    if (c.colorName)
      UseLuna(c.colorName);
    else
      winapi::SetThemeActive(false);
    Office11ColorsRecalc();
    const char* name = c.colorName ? c.colorName : "styles off";
    EXPECT_EQ(Rgb(Office11GroupBackgroundColor), c.background) << name;
    EXPECT_EQ(Rgb(Office11GroupTextColor), c.text) << name;
    EXPECT_EQ(Rgb(Office11GroupLineColor), c.line) << name;
  }
  // The background is the Office11 painter's group colour.
  EXPECT_EQ(Office11GroupBackgroundColor, TcxOffice11LookAndFeelPainter::Instance()->DefaultGroupColor());
}

TEST_F(Office11Test, AcquireAndReleaseCountUsers) {
  Office11ColorsAcquire();
  Office11ColorsAcquire();
  ASSERT_NE(Office11Brush42, nullptr);
  ASSERT_NE(Office11SubmenuArrowBitmap, nullptr);
  Office11ColorsRelease();
  ASSERT_NE(Office11Brush42, nullptr) << "one user still holds the set";
  auto b = MakeBitmap(4, 4);
  RECT r{0, 0, 4, 4};
  FillRect(b->Canvas()->Handle(), &r, Office11Brush42);
  EXPECT_EQ(Px(b.get(), 1, 1), Rgb(Office11Color42));
  Office11ColorsRelease();
  EXPECT_EQ(Office11Brush42, nullptr);
  EXPECT_EQ(Office11Brush19, nullptr);
  EXPECT_EQ(Office11SubmenuArrowBitmap, nullptr);
  Office11ColorsRelease();  // one release too many changes nothing
  EXPECT_EQ(Office11ColorsUseCount(), 0);
}

TEST_F(Office11Test, RecalcRemakesTheBrushesOfTheNewScheme) {
  Office11ColorsAcquire();
  UseLuna("NormalColor");
  Office11ColorsRecalc();
  auto b = MakeBitmap(4, 4);
  RECT r{0, 0, 4, 4};
  FillRect(b->Canvas()->Handle(), &r, Office11Brush39);
  EXPECT_EQ(Px(b.get(), 0, 0), Rgb(0, 45, 150));
}

TEST_F(Office11Test, SubmenuArrowIsRecolouredToTheScheme) {
  UseLuna("NormalColor");
  Office11ColorsAcquire();
  TBitmap* arrow = Office11SubmenuArrowBitmap;
  EXPECT_EQ(Px(arrow, 0, 0), Rgb(255, 0, 255)) << "background stays";
  EXPECT_EQ(Px(arrow, 3, 2), 0u) << "black stays";
  EXPECT_EQ(Px(arrow, 3, 0), Rgb(Office11Color03)) << "the lightest shade takes the first colour";
  EXPECT_EQ(Px(arrow, 3, 10), Rgb(Office11Color04)) << "the darkest the second";
  EXPECT_EQ(Office11ExpandBitmap->Width(), 9);
  EXPECT_EQ(Px(Office11ExpandBitmap, 4, 2), 0u) << "the plus has its upright";
  EXPECT_NE(Px(Office11CollapseBitmap, 4, 2), 0u) << "the minus has none";
}

TEST_F(Office11Test, GradientBandWidths) {
  struct Case {
    int width;
    size_t bands;
    int minWidth, maxWidth;
  } cases[] = {{1000, 256, 3, 4}, {10, 10, 1, 1}, {1, 1, 1, 1}, {256, 256, 1, 1}, {300, 256, 1, 2}};
  for (const Case& c : cases) {
    auto b = MakeBitmap(c.width, 2);
    RECT r{0, 0, c.width, 2};
    FillGradientRect(b->Canvas()->Handle(), r, clBlack, clWhite, true);
    std::vector<ColorRun> runs = RunsOf(b.get());
    ASSERT_EQ(runs.size(), c.bands) << c.width;
    for (const ColorRun& run : runs) {
      EXPECT_GE(run.width, c.minWidth) << c.width;
      EXPECT_LE(run.width, c.maxWidth) << c.width;
    }
    EXPECT_EQ(runs.front().color, 0u) << c.width;
    if (c.bands > 1) {
      EXPECT_EQ(runs.back().color, 0xFFFFFFu) << c.width;
    }
    // GradientColorAt names the colour painted at every position.
    for (int x = 0; x < c.width; ++x)
      ASSERT_EQ(Rgb(GradientColorAt(r, x, clBlack, clWhite, true)), Px(b.get(), x, 0)) << c.width << " at " << x;
  }
}

TEST_F(Office11Test, VerticalGradientAndEqualColours) {
  auto b = MakeBitmap(3, 20);
  FillGradientRect(b->Canvas()->Handle(), RECT{0, 0, 3, 20}, clRed, clBlue, false);
  EXPECT_EQ(Px(b.get(), 1, 0), Rgb(clRed));
  EXPECT_EQ(Px(b.get(), 1, 19), Rgb(clBlue));
  FillGradientRect(b->Canvas()->Handle(), RECT{0, 0, 3, 20}, clLime, clLime, false);
  EXPECT_EQ(Px(b.get(), 2, 10), Rgb(clLime));
}

TEST_F(Office11Test, MidToneGradientPassesTheMiddleTone) {
  Office11ColorsAcquire();  // other styles: the middle tone sits 75/200 of the way
  auto b = MakeBitmap(10, 1);
  FillMidToneGradientRect(b->Canvas()->Handle(), RECT{0, 0, 10, 1}, static_cast<TColor>(RGB(0, 0, 0)),
                          static_cast<TColor>(RGB(200, 200, 200)), true);
  EXPECT_EQ(Px(b.get(), 0, 0), 0u);
  EXPECT_EQ(Px(b.get(), 5, 0), Rgb(75, 75, 75));
  EXPECT_EQ(Px(b.get(), 9, 0), Rgb(200, 200, 200));
  for (int x = 1; x < 10; ++x) EXPECT_GE(Px(b.get(), x, 0) & 0xFF, Px(b.get(), x - 1, 0) & 0xFF) << x;
}

TEST_F(Office11Test, GripDotsAlongAVerticalRectangle) {
  Office11ColorsAcquire();
  auto b = MakeBitmap(4, 14, clRed);
  DrawOffice11GripDots(b->Canvas()->Handle(), RECT{0, 0, 4, 14}, true);
  // 14 = 3 * 4 + 2: the cells start one pixel down; three dots fit.
  for (int top : {1, 5, 9}) {
    EXPECT_EQ(Px(b.get(), 0, top), Rgb(Office11Color19)) << top;
    EXPECT_EQ(Px(b.get(), 1, top + 1), Rgb(Office11Color19)) << top;
    EXPECT_EQ(Px(b.get(), 2, top + 2), Rgb(Office11Color20)) << top;
    EXPECT_EQ(Px(b.get(), 3, top + 3), Rgb(clRed)) << top;
  }
  EXPECT_EQ(Px(b.get(), 0, 0), Rgb(clRed));
  EXPECT_EQ(Px(b.get(), 0, 13), Rgb(clRed)) << "no fourth dot";
}

TEST_F(Office11Test, ArrowsAreSolidTriangles) {
  Office11ColorsAcquire();
  struct Case {
    bool down, enabled;
    TColor color;
    const char* rows;  // rows 3..11, columns 3..11 of a 16x16 rectangle; 'x' painted
  } cases[] = {
      {true, true, Office11Color52,  // width 16: S = 8, size 3
       "........."
       "........."
       "........."
       "..xxxxx.."
       "...xxx..."
       "....x...."
       "........."
       "........."
       "........."},
      {false, false, Office11Color53,  // height 16: S = 10, size 4; disabled
       "........."
       "...x....."
       "...xx...."
       "...xxx..."
       "...xxxx.."
       "...xxx..."
       "...xx...."
       "...x....."
       "........."},
  };
  for (const Case& c : cases) {
    auto b = MakeBitmap(16, 16);
    DrawOffice11ArrowInRect(b->Canvas()->Handle(), RECT{0, 0, 16, 16}, c.down, c.enabled, false);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x)
        EXPECT_EQ(Px(b.get(), x + 3, y + 3), c.rows[y * 9 + x] == 'x' ? Rgb(c.color) : Rgb(clWhite))
            << (c.down ? "down" : "right") << " at " << x + 3 << "," << y + 3;
  }
  SetSysColor(COLOR_BTNFACE, RGB(255, 255, 255));
  auto b = MakeBitmap(16, 16, clBlack);
  DrawOffice11Arrow(b->Canvas()->Handle(), RECT{0, 0, 16, 16}, true, 3, true, true);
  EXPECT_EQ(Px(b.get(), 7, 8), Rgb(clWhite)) << "selected on a white face";
}

TEST_F(Office11Test, FramesAndBlackFaces) {
  Office11ColorsAcquire();
  auto b = MakeBitmap(8, 8);
  FrameOffice11Rect(b->Canvas()->Handle(), RECT{0, 0, 8, 8});
  EXPECT_EQ(Px(b.get(), 0, 4), Rgb(Office11Color42));
  EXPECT_EQ(Px(b.get(), 4, 4), Rgb(clWhite));
  EXPECT_FALSE(IsBlackBtnFace());
  SetSysColor(COLOR_BTNFACE, RGB(0, 0, 0));
  SetSysColor(COLOR_HIGHLIGHTTEXT, RGB(0, 255, 0));
  EXPECT_TRUE(IsBlackBtnFace());
  EXPECT_TRUE(IsBlackFaceWithoutWhiteText());
  FrameOffice11Rect(b->Canvas()->Handle(), RECT{0, 0, 8, 8});
  EXPECT_EQ(Px(b.get(), 0, 4), Rgb(0, 255, 0));
  SetSysColor(COLOR_BTNFACE, RGB(255, 255, 255));
  EXPECT_TRUE(IsWhiteBtnFace());
}

// A sample of what the Office11 routines and the canvas draw, written as a PNG for a person to look at.
TEST_F(Office11Test, SamplePicture) {
  UseLuna("NormalColor");
  Office11ColorsAcquire();
  auto b = MakeBitmap(240, 120);
  HDC dc = b->Canvas()->Handle();
  TcxCanvas* canvas = New<TcxCanvas>(b->Canvas());
  FillGradientRect(dc, RECT{0, 0, 240, 24}, Office11Color03, Office11Color04, false);
  for (int i = 0; i < 5; ++i) {
    RECT button{30 + i * 22, 4, 50 + i * 22, 20};
    if (i == 1) FillGradientRect(dc, button, Office11Color43, Office11Color44, false);
    if (i == 2) FillGradientRect(dc, button, Office11Color45, Office11Color46, false);
    if (i == 1 || i == 2) FrameOffice11Rect(dc, button);
    DrawOffice11ArrowInRect(dc, button, true, i != 4, false);
  }
  DrawOffice11GripDots(dc, RECT{4, 3, 8, 21}, true);
  FillMidToneGradientRect(dc, RECT{0, 28, 240, 44}, Office11Color01, Office11Color12, false);
  canvas->DrawBitmapGlyph(150, 30, Office11SubmenuArrowBitmap, true, clNone);
  canvas->Draw(170, 31, Office11ExpandBitmap);
  canvas->Draw(185, 31, Office11CollapseBitmap);
  auto tile = MakeBitmap(6, 6, static_cast<TColor>(RGB(221, 236, 254)));
  tile->Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(129, 169, 226)));
  tile->Canvas()->FillRect(RECT{0, 0, 3, 3});
  canvas->FillRect(RECT{4, 50, 60, 90}, tile.get());
  canvas->DrawBevelEdge(RECT{70, 50, 110, 90}, true, true);
  canvas->DrawBevelEdge(RECT{71, 51, 109, 89}, true, false);
  canvas->FrameRect(RECT{120, 50, 160, 90}, Office11Color39, 2);
  canvas->SetBrushColor(clBtnFace);
  canvas->FillRect(RECT{0, 92, 240, 120});
  canvas->Font()->SetColor(clBlack);
  canvas->Brush()->SetStyle(bsClear);
  canvas->DrawText("Enabled", RECT{4, 92, 116, 118}, tfAlignLeft | tfAlignVCenter | tfSingleLine);
  canvas->DrawText("Disabled", RECT{120, 92, 236, 118}, tfAlignRight | tfAlignVCenter | tfSingleLine, false);
  auto glyph = MakeBitmap(12, 12, clFuchsia);
  glyph->Canvas()->Brush()->SetColor(clRed);
  glyph->Canvas()->FillRect(RECT{2, 2, 10, 6});
  glyph->Canvas()->Brush()->SetColor(clBlue);
  glyph->Canvas()->FillRect(RECT{2, 6, 6, 10});
  canvas->DrawBitmapGlyph(170, 55, glyph.get(), true, clNone);
  canvas->DrawBitmapGlyph(190, 55, glyph.get(), false, clNone);
  TcxCanvas::RotateBitmap(glyph.get(), 1);
  canvas->DrawBitmapGlyph(210, 55, glyph.get(), true, clNone);
  canvas->Free();

  EXPECT_EQ(Px(b.get(), 0, 0), Rgb(Office11Color03));
  EXPECT_EQ(Px(b.get(), 0, 23), Rgb(Office11Color04));
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
  if (!dir) return;  // written only on request, so that test runs leave no files behind
  // Four times the size, so that single pixels can be told apart.
  auto zoom = MakeBitmap(b->Width() * 4, b->Height() * 4);
  StretchBlt(zoom->Canvas()->Handle(), 0, 0, zoom->Width(), zoom->Height(), dc, 0, 0, b->Width(), b->Height(),
             SRCCOPY);
  TPngImage png;
  png.Assign(zoom.get());
  png.SaveToFile(String(dir) + "/ui-base-office11-sample.png");
}
