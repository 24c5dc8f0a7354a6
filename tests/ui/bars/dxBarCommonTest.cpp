// The bar unit's drawing and window routines and its registries.

#include <filesystem>

#include "BarsSupport.h"
#include "forms/ImgList.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

using namespace bars_test;

namespace {

class BarCommonTest : public BarsTest {
protected:
  static uint32_t Pixel(TBitmap& b, int x, int y) { return b.ScanLine(y)[x] & 0xFFFFFF; }
  static uint32_t Rgb(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
  }
  static uint32_t Sys(int index) { return Rgb(GetSysColor(index)); }
};

TEST_F(BarCommonTest, RemoveAmpersands) {
  struct Case {
    const char* In;
    const char* Out;
  } cases[] = {{"&File", "File"}, {"A&&B", "A&B"}, {"End&", "End&"}, {"&&&x", "&x"}, {"", ""}, {"Пр&авка", "Правка"}};
  for (const Case& c : cases) EXPECT_EQ(RemoveAmpersands(c.In), c.Out) << c.In;
}

TEST_F(BarCommonTest, SizeGripCornerOfADropDown) {
  const RECT edit{100, 100, 200, 120};
  EXPECT_EQ(GetSizeGripCorner(edit, RECT{100, 120, 200, 220}), 3);  // below, to the right
  EXPECT_EQ(GetSizeGripCorner(edit, RECT{100, 0, 200, 100}), 1);    // above
  EXPECT_EQ(GetSizeGripCorner(edit, RECT{0, 120, 90, 220}), 2);
  EXPECT_EQ(GetSizeGripCorner(edit, RECT{0, 0, 90, 100}), 0);
}

TEST_F(BarCommonTest, SmallRules) {
  int32_t w = 19;
  EnsureMinItemWidth(w);
  EXPECT_EQ(w, 20);
  w = 20;
  EnsureMinItemWidth(w);
  EXPECT_EQ(w, 20);
  EXPECT_EQ(BooleanToItemVisible(true), ivAlways);
  EXPECT_EQ(BooleanToItemVisible(false), ivNever);
  EXPECT_EQ(GetDropDownGripHeight(),
            std::max(GetSystemMetrics(SM_CYHSCROLL) + 2, GetSystemMetrics(SM_CYSIZE)) + 1);
  // Without a theme colour for tool bars the button face stands in.
  EXPECT_EQ(GetThemedToolbarColor(), clBtnFace);
  const LONG before = GetWindowLong(Form->Handle(), GWL_EXSTYLE);
  SetLayeredAlpha(Form->Handle(), 255);
  EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_EXSTYLE), before);
}

TEST_F(BarCommonTest, CheckeredBrushAlternatesFaceAndHighlight) {
  TBitmap b;
  b.SetSize(8, 8);
  RECT r{0, 0, 8, 8};
  FillRect(b.Canvas()->Handle(), &r, CheckeredBrush());
  EXPECT_EQ(Pixel(b, 0, 0), Sys(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(b, 1, 0), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(b, 0, 1), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(b, 1, 1), Sys(COLOR_BTNFACE));
}

TEST_F(BarCommonTest, GradientBandsRunFromTopToBottom) {
  TBitmap b;
  b.SetSize(4, 512);
  FillGradientBands(b.Canvas(), RECT{0, 0, 4, 512}, clBlack, clWhite);
  EXPECT_EQ(Pixel(b, 0, 0), 0u);
  EXPECT_EQ(Pixel(b, 0, 1), 0u);  // two rows per band
  EXPECT_EQ(Pixel(b, 0, 2), 0x010101u);
  EXPECT_EQ(Pixel(b, 3, 511), 0xFFFFFFu);
}

TEST_F(BarCommonTest, TilesContinueFromTheOrigin) {
  TBitmap tile;
  tile.SetSize(2, 1);
  tile.ScanLine(0)[0] = 0x112233;
  tile.ScanLine(0)[1] = 0x445566;
  TBitmap b;
  b.SetSize(6, 2);
  // The area is the part of a larger picture that starts one pixel in: the first pixel is the tile's second.
  FillRectOrBitmap(b.Canvas()->Handle(), RECT{0, 0, 6, 2}, RECT{1, 0, 7, 2}, &tile, clNone, nullptr);
  EXPECT_EQ(Pixel(b, 0, 0), 0x445566u);
  EXPECT_EQ(Pixel(b, 1, 0), 0x112233u);
  EXPECT_EQ(Pixel(b, 5, 1), 0x112233u);
  TBitmap empty;
  FillRectOrBitmap(b.Canvas()->Handle(), RECT{0, 0, 6, 2}, RECT{0, 0, 6, 2}, &empty, clRed, nullptr);
  EXPECT_EQ(Pixel(b, 3, 1), 0xFF0000u);
}

TEST_F(BarCommonTest, ArrowsInTheirStatesColours) {
  TBitmap b;
  b.SetSize(40, 20);
  RECT all{0, 0, 40, 20};
  FillRect(b.Canvas()->Handle(), &all, GetSysColorBrush(COLOR_BTNFACE));
  DrawArrow(b.Canvas()->Handle(), RECT{0, 0, 20, 20}, false, false, false, true);
  EXPECT_EQ(Pixel(b, 10, 10), Sys(COLOR_BTNTEXT));
  DrawArrow(b.Canvas()->Handle(), RECT{20, 0, 40, 20}, false, false, false, false);
  EXPECT_EQ(Pixel(b, 30, 10), Sys(COLOR_BTNSHADOW));
  int highlights = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) highlights += Pixel(b, x, y) == Sys(COLOR_BTNHIGHLIGHT);
  EXPECT_GT(highlights, 0) << "a disabled arrow is embossed";
}

// The glyph looks: a black square with a red dot on a fuchsia (transparent) ground.
TBitmap* MakeGlyph() {
  auto* g = New<TBitmap>();
  g->SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) g->ScanLine(y)[x] = (x >= 3 && x < 13 && y >= 3 && y < 13) ? 0x000000 : 0xFF00FF;
  g->ScanLine(7)[7] = 0xFF0000;
  return g;
}

TEST_F(BarCommonTest, GlyphLooks) {
  std::unique_ptr<TBitmap> glyph(MakeGlyph());
  TBitmap b;
  b.SetSize(20, 20);
  auto draw = [&](auto tweak) {
    TdxBarGlyphParams p;
    p.BackgroundBrush = GetSysColorBrush(COLOR_BTNFACE);
    p.PaintRect = RECT{0, 0, 20, 20};
    p.GlyphRect = RECT{2, 2, 18, 18};
    p.Bitmap = glyph.get();
    tweak(p);
    DrawBarGlyph(b.Canvas()->Handle(), p);
  };
  draw([](TdxBarGlyphParams&) {});
  EXPECT_EQ(Pixel(b, 0, 0), Sys(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(b, 2, 2), Sys(COLOR_BTNFACE));  // transparent
  EXPECT_EQ(Pixel(b, 6, 6), 0u);
  EXPECT_EQ(Pixel(b, 9, 9), 0xFF0000u);
  // Disabled without a tint: the shape in the shadow colour with a highlight one pixel down and right.
  draw([](TdxBarGlyphParams& p) { p.Enabled = false; });
  EXPECT_EQ(Pixel(b, 6, 6), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(b, 15, 15), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(b, 4, 4), Sys(COLOR_BTNFACE));
  // Disabled with a tint: three quarters of the tint and a quarter of the pixel's grey.
  draw([](TdxBarGlyphParams& p) {
    p.Enabled = false;
    p.TintColor = clBlue;
  });
  EXPECT_EQ(Pixel(b, 6, 6), 0x0000BFu);
  EXPECT_EQ(Pixel(b, 15, 15), Sys(COLOR_BTNFACE));
  // Faded: each channel a third of the way to white.
  draw([](TdxBarGlyphParams& p) { p.Faded = true; });
  EXPECT_EQ(Pixel(b, 6, 6), 0x4C4C4Cu);
  // Hot and faded with a shadow: the glyph lifts up and left over its shadow.
  draw([](TdxBarGlyphParams& p) {
    p.Faded = true;
    p.Hot = true;
    p.ShadowStyle = true;
  });
  EXPECT_EQ(Pixel(b, 4, 4), 0u);
  EXPECT_EQ(Pixel(b, 14, 14), Sys(COLOR_BTNSHADOW));
  draw([](TdxBarGlyphParams& p) { p.Grayscale = true; });
  EXPECT_EQ(Pixel(b, 9, 9), 0x555555u);
}

// The looks side by side, written as a picture to look at.
class TGlyphSheet : public TCustomControl {
  RTL_CLASS(TGlyphSheet, TCustomControl)
public:
  explicit TGlyphSheet(TComponent* AOwner) : TCustomControl(AOwner), FGlyph(MakeGlyph()) {}
  ~TGlyphSheet() override { delete FGlyph; }

protected:
  void Paint() override {
    HDC dc = Canvas()->Handle();
    RECT all{0, 0, Width(), Height()};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < 7; ++i) {
      TdxBarGlyphParams p;
      p.BackgroundBrush = GetSysColorBrush(COLOR_BTNFACE);
      p.PaintRect = RECT{4 + i * 72, 4, 72 + i * 72, 72};
      p.GlyphRect = RECT{6 + i * 72, 6, 70 + i * 72, 70};  // stretched to four times the size
      p.Bitmap = FGlyph;
      p.Enabled = i != 1 && i != 2;
      if (i == 2) p.TintColor = clBlue;
      p.Faded = i == 3 || i == 4;
      p.Hot = i == 4;
      p.ShadowStyle = i == 4;
      p.Grayscale = i == 5;
      DrawBarGlyph(dc, p);
    }
    DrawArrow(dc, RECT{510, 4, 540, 34}, true, false, false, true);
    DrawArrow(dc, RECT{510, 40, 540, 70}, false, false, false, false);
    RECT grip{550, 4, 590, 72};
    DrawSizeGrip(dc, grip, 3);
  }

private:
  TBitmap* FGlyph;
};

TEST_F(BarCommonTest, GlyphSheetPicture) {
  auto* sheet = New<TGlyphSheet>(Form);
  sheet->SetParent(Form);
  sheet->SetBounds(0, 0, 596, 76);
  Idle();
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  const std::string path = std::string(VORN_ARTIFACT_DIR) + "/bars-glyphs.png";
  ASSERT_TRUE(headless::SavePng(sheet->Handle(), path.c_str()));
}

// A window that counts the mouse-leave messages it gets.
class TLeaveCounter : public TCustomControl {
  RTL_CLASS(TLeaveCounter, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  int Leaves = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_MOUSELEAVE) ++Leaves;
    TCustomControl::WndProc(m);
  }
};

TEST_F(BarCommonTest, MouseLeavePollingFallback) {
  SetUsesSystemMouseLeaveTracking(false);
  auto* a = New<TLeaveCounter>(Form);
  a->SetParent(Form);
  a->SetBounds(10, 10, 50, 50);
  auto* b = New<TLeaveCounter>(Form);
  b->SetParent(Form);
  b->SetBounds(100, 10, 50, 50);
  Idle();
  const POINT inA = a->ClientToScreen(POINT{5, 5});
  headless::MouseMove(inA.x, inA.y);
  Idle();
  StartMouseLeaveTracking(a->Handle());
  StartMouseLeaveTracking(a->Handle());  // tracked already: nothing changes
  EXPECT_TRUE(IsMouseLeaveTracked(a->Handle()));
  headless::AdvanceClock(60);
  Idle();
  EXPECT_EQ(a->Leaves, 0);
  const POINT inB = b->ClientToScreen(POINT{5, 5});
  headless::MouseMove(inB.x, inB.y);
  headless::AdvanceClock(60);
  Idle();
  EXPECT_EQ(a->Leaves, 1);
  EXPECT_FALSE(IsMouseLeaveTracked(a->Handle()));
  // Tracking another window ends the first one's tracking with its leave.
  StartMouseLeaveTracking(a->Handle());
  StartMouseLeaveTracking(b->Handle());
  EXPECT_EQ(a->Leaves, 2);
  CancelMouseLeaveTracking(a->Handle());  // not tracked: nothing sent
  EXPECT_EQ(a->Leaves, 2);
  CancelMouseLeaveTracking(b->Handle());
  EXPECT_EQ(b->Leaves, 1);
  SetUsesSystemMouseLeaveTracking(true);
}

TEST_F(BarCommonTest, ItemClassRegistry) {
  const int32_t before = GetDesignItemClassCount();
  RegisterItemClass(TTestMenuItem::StaticClass(), nullptr, false);  // registered again: replaced
  EXPECT_EQ(GetDesignItemClassCount(), before - 1);
  ASSERT_NE(FindRegItemRecord(TTestMenuItem::StaticClass()), nullptr);
  EXPECT_EQ(FindRegItemRecord(TTestMenuItem::StaticClass())->ControlClass, nullptr);
  EXPECT_EQ(GetDesignItemClass(0), TTestItem::StaticClass());
  EXPECT_EQ(GetClass("TTestMenuItem"), TTestMenuItem::StaticClass());
  UnregisterItemClass(TTestMenuItem::StaticClass());
  EXPECT_EQ(FindRegItemRecord(TTestMenuItem::StaticClass()), nullptr);
  EXPECT_EQ(GetClass("TTestMenuItem"), nullptr);
  // Links of an item class with no control class show nothing.
  TdxBarManager* m = MakeManager();
  auto* item = New<TTestMenuItem>(Form);
  TdxBar* bar = MakeBar(m, "Tools", {item});
  bar->SetDockingStyle(dsTop);
  bar->SetVisible(true);
  EXPECT_EQ(bar->ItemLinks()->Items(0)->Control(), nullptr);
}

TEST_F(BarCommonTest, AfterTheUnitFinishesNothingIsRegistered) {
  FinishUnits();
  EXPECT_EQ(GetClass("TdxBarManager"), nullptr);
  EXPECT_EQ(GetClass("TTestItem"), nullptr);
  EXPECT_EQ(BarManagerCount(), 0);
  EXPECT_THROW(BarControlCount(), EInvalidOperation);
  StartUnits({&dxBarUnit});
  EXPECT_NE(GetClass("TdxBarManager"), nullptr);
}

TEST_F(BarCommonTest, DeepestWindowAndChildWindows) {
  auto* a = New<TLeaveCounter>(Form);
  a->SetParent(Form);
  a->SetBounds(10, 10, 50, 50);
  Idle();
  const POINT inA = a->ClientToScreen(POINT{5, 5});
  EXPECT_EQ(FindDeepestWindowAtPoint(inA), a->Handle());
  EXPECT_TRUE(IsChildWindowOf(a->Handle(), Form->Handle()));
  EXPECT_FALSE(IsChildWindowOf(Form->Handle(), a->Handle()));
  EXPECT_EQ(FindControlFromWindow(a->Handle()), a);
}

}  // namespace
