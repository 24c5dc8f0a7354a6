// The native themed painter: theme parts with visual styles on, the standard drawing without them.

#include <string>

#include "cxPainterSupport.h"

using namespace uibase_test;

namespace {

class ThemedPainterTest : public PainterTest {
protected:
  void ThemesOn() {
    winapi::SetThemeActive(true);
    DoneThemeManager();  // the manager reads the switch again when it starts
  }
};

const TcxWinXPLookAndFeelPainter* XP() { return TcxWinXPLookAndFeelPainter::Instance(); }

bool SamePixels(const Surface& a, const Surface& b) {
  for (int y = 0; y < a.get()->Height(); ++y)
    for (int x = 0; x < a.get()->Width(); ++x)
      if (a(x, y) != b(x, y)) return false;
  return true;
}

// The part drawn straight through the theme, for comparison.
void DrawRaw(Surface& s, TdxThemedObjectType type, int part, int state, const RECT& r) {
  DrawThemeBackground(OpenTheme(type), s.canvas->Handle(), part, state, &r, nullptr);
}

}  // namespace

TEST_F(ThemedPainterTest, WithoutVisualStylesItDrawsAsTheStandardPainter) {
  struct Case {
    const char* name;
    void (*paint)(const TcxCustomLookAndFeelPainter*, TcxCanvas*);
  };
  const Case cases[] = {
      {"button", [](auto* p, TcxCanvas* c) { p->PaintButton(c, RECT{0, 0, 40, 20}, "Go", cxbsNormal); }},
      {"check", [](auto* p, TcxCanvas* c) { p->PaintCheckBox(c, RECT{2, 2, 15, 15}, cxbsHot, cbsChecked); }},
      {"header",
       [](auto* p, TcxCanvas* c) {
         p->PaintHeader(c, RECT{0, 0, 40, 20}, RECT{2, 0, 38, 20}, {}, cxBordersAll, cxbsNormal, taLeftJustify,
                        vaCenter, false, false, "H", nullptr, clBtnText, clBtnFace);
       }},
      {"scroll thumb",
       [](auto* p, TcxCanvas* c) { p->PaintScrollBarPart(c, false, RECT{0, 0, 17, 20}, spThumb, cxbsNormal); }},
      {"close", [](auto* p, TcxCanvas* c) { p->PaintSmallCloseButton(c, RECT{0, 0, 16, 14}, cxbsHot); }},
      {"border", [](auto* p, TcxCanvas* c) { p->PaintControlBorder(c, RECT{0, 0, 30, 20}); }},
  };
  for (const Case& k : cases) {
    Surface a(40, 20), b(40, 20);
    k.paint(XP(), a.canvas);
    k.paint(Standard(), b.canvas);
    EXPECT_TRUE(SamePixels(a, b)) << k.name;
  }
  EXPECT_EQ(XP()->ControlBorderWidth(), 2);
  EXPECT_EQ(XP()->ButtonFrameWidth(cxbsNormal), 2);
  EXPECT_EQ(XP()->CheckFrameWidth(), 2);
  EXPECT_EQ(XP()->HeaderFrameWidth(), 1);
  EXPECT_EQ(XP()->TabPartOffset136(false), 0);
  EXPECT_EQ(XP()->ExpandButtonExtent(), 12);
  EXPECT_EQ(XP()->CheckBoxExtent().x, 13);
  // Values that do not depend on the theme.
  EXPECT_EQ(XP()->ButtonCaptionOffset(), 2);
  EXPECT_EQ(XP()->ButtonCaptionPressShift(), 0);
  EXPECT_FALSE(XP()->HeaderPressedInverted());
  EXPECT_FALSE(XP()->FooterSeparatorShown());
  EXPECT_EQ(XP()->SortingMarkExtent().x, 7);
  EXPECT_EQ(XP()->PartExtent127().x, 15);
  EXPECT_EQ(ButtonThemeState(cxbsDefault), 5);
  EXPECT_EQ(ButtonThemeState(cxbsDisabled), 4);
}

TEST_F(ThemedPainterTest, WithVisualStylesItDrawsTheThemeParts) {
  ThemesOn();
  struct Case {
    const char* name;
    void (*paint)(TcxCanvas*);
    TdxThemedObjectType type;
    int part, state;
    RECT r;
  };
  const Case cases[] = {
      {"button", [](TcxCanvas* c) { XP()->PaintButton(c, RECT{0, 0, 40, 20}, "", cxbsHot); }, totButton,
       BP_PUSHBUTTON, PBS_HOT, {0, 0, 40, 20}},
      {"checked box", [](TcxCanvas* c) { XP()->PaintCheckBox(c, RECT{2, 2, 15, 15}, cxbsPressed, cbsChecked); },
       totButton, BP_CHECKBOX, CBS_CHECKEDPRESSED, {2, 2, 15, 15}},
      {"drop-down", [](TcxCanvas* c) { XP()->PaintFilterDropDownButton(c, RECT{0, 0, 15, 20}, cxbsDisabled, true); },
       totComboBox, CP_DROPDOWNBUTTON, CBXS_DISABLED, {0, 0, 15, 20}},
      {"close", [](TcxCanvas* c) { XP()->PaintSmallCloseButton(c, RECT{0, 0, 16, 14}, cxbsPressed); }, totWindow,
       WP_SMALLCLOSEBUTTON, 3, {0, 0, 16, 14}},
      {"arrow", [](TcxCanvas* c) { XP()->PaintScrollBarPart(c, true, RECT{0, 0, 17, 17}, spLineDown, cxbsHot); },
       totScrollBar, SBP_ARROWBTN, ABS_RIGHTHOT, {0, 0, 17, 17}},
      {"track", [](TcxCanvas* c) { XP()->PaintScrollBarPart(c, false, RECT{0, 0, 17, 20}, spPageUp, cxbsPressed); },
       totScrollBar, SBP_LOWERTRACKVERT, SCRBS_PRESSED, {0, 0, 17, 20}},
      {"header", [](TcxCanvas* c) {
         XP()->PaintHeader(c, RECT{0, 0, 40, 20}, RECT{0, 0, 40, 20}, {}, cxBordersAll, cxbsDisabled,
                           taLeftJustify, vaCenter, false, false, "", nullptr, clBtnText, clRed);
       }, totHeader, HP_HEADERITEM, HIS_NORMAL, {0, 0, 40, 20}},
  };
  for (const Case& k : cases) {
    Surface a(40, 20), b(40, 20);
    k.paint(a.canvas);
    DrawRaw(b, k.type, k.part, k.state, k.r);
    EXPECT_TRUE(SamePixels(a, b)) << k.name;
  }
  EXPECT_EQ(XP()->CheckFrameWidth(), 0) << "the check box part fills the whole rectangle";
  EXPECT_EQ(XP()->ControlBorderWidth(), 1);
  EXPECT_EQ(XP()->TabPartOffset136(false), 1);
  EXPECT_EQ(XP()->TabPartOffset137(true), 1);
  RECT c;
  const RECT hundred{0, 0, 100, 100};
  GetThemeBackgroundContentRect(OpenTheme(totButton), nullptr, BP_PUSHBUTTON, PBS_NORMAL, &hundred, &c);
  EXPECT_EQ(XP()->ButtonFrameWidth(cxbsNormal), c.left);
  GetThemeBackgroundContentRect(OpenTheme(totHeader), nullptr, HP_HEADERITEM, HIS_NORMAL, &hundred, &c);
  EXPECT_EQ(XP()->HeaderFrameWidth(), (c.left + c.top) / 2);
  EXPECT_EQ(XP()->HeaderControlSectionFrameWidth(cxbsPressed), XP()->HeaderFrameWidth());
}

TEST_F(ThemedPainterTest, PressedHeaderTextMovesAndIsNeverInverted) {
  ThemesOn();
  auto paint = [](TcxButtonState state) {
    auto s = std::make_unique<Surface>(60, 20);
    XP()->PaintHeader(s->canvas, RECT{0, 0, 60, 20}, RECT{4, 0, 56, 20}, {}, cxBordersAll, state, taLeftJustify,
                      vaCenter, false, false, "Ab", nullptr, clBlack, clWhite);
    return s;
  };
  auto normal = paint(cxbsNormal), pressed = paint(cxbsPressed);
  auto inkLeft = [](const Surface& s) {
    for (int x = 0; x < 60; ++x)
      for (int y = 3; y < 17; ++y)
        if (s(x, y) == 0) return x;
    return -1;
  };
  ASSERT_GE(inkLeft(*normal), 0);
  EXPECT_EQ(inkLeft(*pressed), inkLeft(*normal) + 1);
  Surface s(10, 10, clRed);
  XP()->PaintHeaderPressed(s.canvas, RECT{0, 0, 10, 10});
  EXPECT_EQ(s(5, 5), Rgb(255, 0, 0));
}

TEST_F(ThemedPainterTest, RightmostHeaderPartFollowsTheScheme) {
  ThemesOn();
  winapi::SetThemeName("C:/Windows/Resources/Themes/Luna/Luna.msstyles", "NormalColor", "NormalSize");
  DoneThemeManager();
  Office11ColorsRecalc();
  ASSERT_EQ(LunaScheme(), 1);
  auto paint = [](TcxButtonState state, bool last, Surface& s) {
    XP()->PaintHeader(s.canvas, RECT{0, 0, 40, 20}, RECT{0, 0, 40, 20}, {}, cxBordersAll, state, taLeftJustify,
                      vaCenter, false, false, "", nullptr, clBlack, clWhite, nullptr, last);
  };
  Surface last(40, 20), rawRight(40, 20), hot(40, 20), rawItem(40, 20);
  paint(cxbsNormal, true, last);
  DrawRaw(rawRight, totHeader, HP_HEADERITEMRIGHT, HIS_NORMAL, RECT{0, 0, 40, 20});
  EXPECT_TRUE(SamePixels(last, rawRight));
  paint(cxbsHot, true, hot);
  DrawRaw(rawItem, totHeader, HP_HEADERITEM, HIS_HOT, RECT{0, 0, 40, 20});
  EXPECT_TRUE(SamePixels(hot, rawItem));
}

TEST_F(ThemedPainterTest, UnpinnedPinIsThePinnedPictureTurned) {
  ThemesOn();
  Surface pinned(16, 16), unpinned(16, 16);
  XP()->PaintPinButton(pinned.canvas, RECT{0, 0, 16, 16}, cxbsNormal, true, clWhite);
  XP()->PaintPinButton(unpinned.canvas, RECT{0, 0, 16, 16}, cxbsNormal, false, clWhite);
  // A quarter turn counter-clockwise: the pixel (x, y) goes to (y, 15 - x).
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(unpinned(y, 15 - x), pinned(x, y)) << x << "," << y;
}

TEST_F(ThemedPainterTest, TabsAreWholePartsWithTheSelectedOneReachingLower) {
  ThemesOn();
  Surface normal(60, 24), selected(60, 24);
  XP()->PaintTab(normal.canvas, RECT{0, 0, 60, 20}, {bLeft, bTop, bRight}, "", cxbsNormal, false, nullptr, clBlack,
                 clWhite);
  XP()->PaintTab(selected.canvas, RECT{0, 0, 60, 20}, {bLeft, bTop, bRight}, "", cxbsPressed, false, nullptr,
                 clBlack, clWhite);
  // The unselected tab is clipped one row shorter.
  // The unselected tab is clipped one row shorter; the selected one's part reaches one row lower.
  EXPECT_NE(normal(30, 18), 0xFFFFFFu);
  EXPECT_EQ(normal(30, 19), 0xFFFFFFu);
  Surface raw(60, 24);
  const RECT part{0, 0, 60, 21}, clip{0, 0, 60, 20};
  DrawThemeBackground(OpenTheme(totTab), raw.canvas->Handle(), TABP_TABITEM, TIS_SELECTED, &part, &clip);
  EXPECT_TRUE(SamePixels(selected, raw));
}
