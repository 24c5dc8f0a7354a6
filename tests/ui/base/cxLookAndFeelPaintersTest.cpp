#include "ui/base/cxLookAndFeelPainters.h"

#include <string>
#include <vector>

#include "cxPainterSupport.h"

using namespace uibase_test;

namespace {

using PainterBaseTest = PainterTest;


// The bounding box of the pixels that differ from the background.
RECT InkBounds(const Surface& s, uint32_t background, const RECT& area) {
  RECT r{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (s(x, y) != background) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

}  // namespace

// ---- arrows ---------------------------------------------------------------------------------------------------
TEST_F(PainterBaseTest, ArrowPoints) {
  struct Row {
    RECT r;
    TcxPainterArrowDirection dir;
    bool proportional;
    POINT p[3];
  };
  const Row rows[] = {
      {{0, 0, 16, 16}, padDown, false, {{4, 6}, {10, 6}, {7, 9}}},
      {{0, 0, 16, 16}, padDown, true, {{4, 6}, {10, 6}, {7, 9}}},
      {{0, 0, 16, 16}, padUp, false, {{7, 6}, {4, 9}, {10, 9}}},
      {{0, 0, 16, 16}, padLeft, false, {{6, 8}, {9, 5}, {9, 11}}},
      {{0, 0, 16, 16}, padRight, false, {{6, 5}, {9, 8}, {6, 11}}},
      {{10, 20, 26, 36}, padDown, false, {{14, 26}, {20, 26}, {17, 29}}},
      // A wide rectangle becomes a centred square first when proportional.
      {{0, 0, 32, 16}, padDown, true, {{12, 6}, {18, 6}, {15, 9}}},
      {{0, 0, 32, 16}, padDown, false, {{8, 4}, {22, 4}, {15, 11}}},
  };
  for (const Row& row : rows) {
    POINT p[3];
    GetArrowPoints(row.r, row.dir, row.proportional, p);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(p[i].x, row.p[i].x) << "dir " << int(row.dir) << " point " << i << " left " << row.r.left;
      EXPECT_EQ(p[i].y, row.p[i].y) << "dir " << int(row.dir) << " point " << i << " left " << row.r.left;
    }
  }
}

TEST_F(PainterBaseTest, PaintArrowFillsTheTriangleInTheColour) {
  Surface s(16, 16);
  Standard()->PaintArrow(s.canvas, RECT{0, 0, 16, 16}, padDown, clRed);
  EXPECT_EQ(s(4, 6), Rgb(255, 0, 0));
  EXPECT_EQ(s(10, 6), Rgb(255, 0, 0));
  EXPECT_EQ(s(7, 9), Rgb(255, 0, 0));
  EXPECT_EQ(s(7, 8), Rgb(255, 0, 0)) << "solid inside";
  EXPECT_EQ(s(8, 7), Rgb(255, 0, 0));
  EXPECT_EQ(s(7, 10), Rgb(255, 255, 255));
  EXPECT_EQ(s(3, 6), Rgb(255, 255, 255));
}

TEST_F(PainterBaseTest, DisabledStateArrowIsEmbossed) {
  Surface s(16, 16);
  Standard()->PaintStateArrow(s.canvas, RECT{0, 0, 16, 16}, cxbsDisabled, padDown);
  EXPECT_EQ(s(4, 6), Rgb(clBtnShadow));
  EXPECT_EQ(s(11, 7), Rgb(clBtnHighlight)) << "the light copy one pixel right and down";
  EXPECT_EQ(s(8, 10), Rgb(clBtnHighlight));
  // Pressed moves the arrow by the press shift: one pixel in the standard look, none in the ultra-flat one.
  Surface p(16, 16), u(16, 16, clRed);
  Standard()->PaintStateArrow(p.canvas, RECT{0, 0, 16, 16}, cxbsPressed, padDown);
  UltraFlat()->PaintStateArrow(u.canvas, RECT{0, 0, 16, 16}, cxbsPressed, padDown);
  EXPECT_EQ(InkBounds(p, 0xFFFFFF, RECT{0, 0, 16, 16}).left, 5);
  EXPECT_EQ(InkBounds(u, 0xFF0000, RECT{0, 0, 16, 16}).left, 4);
  EXPECT_EQ(u(4, 6), Rgb(clHighlightText));
}

TEST_F(PainterBaseTest, DownArrowGlyph) {
  Surface s(15, 15);
  Standard()->PaintDownArrowGlyph(s.canvas, RECT{0, 0, 15, 15}, clBlue);
  // B = 7, D = 4: from (4, 6) to (10, 6) down to (7, 9).
  EXPECT_EQ(s(4, 6), Rgb(0, 0, 255));
  EXPECT_EQ(s(10, 6), Rgb(0, 0, 255));
  EXPECT_EQ(s(7, 9), Rgb(0, 0, 255));
  EXPECT_EQ(s(3, 6), Rgb(255, 255, 255));
}

// ---- control borders ----------------------------------------------------------------------------------------
TEST_F(PainterBaseTest, ControlBorders) {
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    int width;
    TColor outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
  };
  const Row rows[] = {
      {Standard(), 2, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight},
      {Flat(), 1, clBtnShadow, clBtnHighlight, clWhite, clWhite},
      {UltraFlat(), 1, clBtnShadow, clBtnShadow, clWhite, clWhite},
  };
  for (const Row& row : rows) {
    Surface s(10, 10);
    row.painter->PaintControlBorder(s.canvas, RECT{0, 0, 10, 10});
    EXPECT_EQ(row.painter->ControlBorderWidth(), row.width);
    EXPECT_EQ(s(0, 5), Rgb(row.outerTopLeft)) << row.painter->ClassName();
    EXPECT_EQ(s(9, 5), Rgb(row.outerBottomRight)) << row.painter->ClassName();
    EXPECT_EQ(s(1, 5), Rgb(row.innerTopLeft)) << row.painter->ClassName();
    EXPECT_EQ(s(8, 5), Rgb(row.innerBottomRight)) << row.painter->ClassName();
  }
  EXPECT_EQ(Base()->ControlBorderWidth(), 0);
  Surface o(10, 10);
  Office11()->PaintControlBorder(o.canvas, RECT{0, 0, 10, 10});
  EXPECT_EQ(o(0, 0), Rgb(Office11Color58));
}

// ---- buttons --------------------------------------------------------------------------------------------------
TEST_F(PainterBaseTest, ButtonFramesPerPainterAndState) {
  // Pixels on the left edge (x = 0, 1, 2 at mid height) and right edge (x = w-1, w-2) of a 20 x 12 frame.
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    TcxButtonState state;
    int frameWidth;
    TColor l0, l1, l2, r0, r1;
  };
  const TColor W = clWhite;
  const Row rows[] = {
      {Standard(), cxbsNormal, 2, clBtnHighlight, cl3DLight, W, cl3DDkShadow, clBtnShadow},
      {Standard(), cxbsHot, 2, clBtnHighlight, cl3DLight, W, cl3DDkShadow, clBtnShadow},
      {Standard(), cxbsDisabled, 2, clBtnHighlight, cl3DLight, W, cl3DDkShadow, clBtnShadow},
      {Standard(), cxbsPressed, 2, clBlack, clBtnShadow, W, clBlack, clBtnShadow},
      {Standard(), cxbsDefault, 3, clBlack, clBtnHighlight, cl3DLight, clBlack, cl3DDkShadow},
      {Flat(), cxbsNormal, 1, clBtnHighlight, W, W, clBtnShadow, W},
      {Flat(), cxbsPressed, 1, clBtnShadow, W, W, clBtnHighlight, W},
      {Flat(), cxbsDefault, 2, clBlack, clBtnHighlight, W, clBlack, clBtnShadow},
      {UltraFlat(), cxbsNormal, 1, clBtnText, W, W, clBtnText, W},
      {UltraFlat(), cxbsHot, 1, clHighlight, W, W, clHighlight, W},
      {UltraFlat(), cxbsPressed, 1, clHighlight, W, W, clHighlight, W},
      {UltraFlat(), cxbsDisabled, 1, clBtnShadow, W, W, clBtnShadow, W},
      {UltraFlat(), cxbsDefault, 2, clWindowFrame, clWindowFrame, W, clWindowFrame, clWindowFrame},
      {Office11(), cxbsNormal, 1, clBtnText, W, W, clBtnText, W},
      {Office11(), cxbsHot, 1, Office11Color42, W, W, Office11Color42, W},
      {Office11(), cxbsDisabled, 1, Office11Color53, W, W, Office11Color53, W},
      {Office11(), cxbsDefault, 2, clWindowFrame, clWindowFrame, W, clWindowFrame, clWindowFrame},
  };
  for (const Row& row : rows) {
    Surface s(20, 12);
    row.painter->PaintButtonFrame(s.canvas, RECT{0, 0, 20, 12}, row.state);
    const std::string what = std::string(row.painter->ClassName()) + " state " + std::to_string(row.state);
    EXPECT_EQ(row.painter->ButtonFrameWidth(row.state), row.frameWidth) << what;
    EXPECT_EQ(s(0, 6), Rgb(row.l0)) << what;
    EXPECT_EQ(s(1, 6), Rgb(row.l1)) << what;
    EXPECT_EQ(s(2, 6), Rgb(row.l2)) << what;
    EXPECT_EQ(s(19, 6), Rgb(row.r0)) << what;
    EXPECT_EQ(s(18, 6), Rgb(row.r1)) << what;
  }
}

TEST_F(PainterBaseTest, ButtonValues) {
  EXPECT_EQ(Standard()->ButtonCaptionOffset(), 1);
  EXPECT_EQ(UltraFlat()->ButtonCaptionOffset(), 2);
  EXPECT_EQ(Base()->ButtonCaptionPressShift(), 0);
  EXPECT_EQ(Flat()->ButtonCaptionPressShift(), 1);
  EXPECT_EQ(UltraFlat()->ButtonGlyphState(cxbsPressed), cxbsNormal);
  EXPECT_EQ(Standard()->ButtonGlyphState(cxbsPressed), cxbsPressed);
  EXPECT_EQ(Standard()->ButtonGlyphColor(cxbsDisabled), clBtnShadow);
  EXPECT_EQ(Standard()->ButtonGlyphColor(cxbsPressed), clBtnText);
  EXPECT_EQ(UltraFlat()->ButtonGlyphColor(cxbsPressed), clHighlightText);
  EXPECT_EQ(UltraFlat()->ButtonFaceColor(cxbsHot), LightHotTrackColor());
  EXPECT_EQ(UltraFlat()->ButtonFaceColor(cxbsPressed), LightPressedColor());
  EXPECT_EQ(Flat()->ButtonFaceColor(cxbsHot), clBtnFace);
  EXPECT_TRUE(UltraFlat()->ButtonsTrackHot());
  EXPECT_FALSE(Standard()->ButtonsTrackHot());
  // Focus bounds: 4 in, or 3 in the ultra-flat look; a rectangle too small keeps itself.
  RECT f = Standard()->GetButtonFocusBounds(nullptr, RECT{0, 0, 20, 20});
  EXPECT_EQ(f.left, 4);
  EXPECT_EQ(f.bottom, 16);
  f = UltraFlat()->GetButtonFocusBounds(nullptr, RECT{0, 0, 20, 20});
  EXPECT_EQ(f.left, 3);
  f = Standard()->GetButtonFocusBounds(nullptr, RECT{0, 0, 8, 20});
  EXPECT_EQ(f.left, 0);
  EXPECT_EQ(f.right, 8);
  EXPECT_EQ(f.top, 0);
}

TEST_F(PainterBaseTest, ButtonGroupFrameWidths) {
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    int count, index;
    RECT widths;
  };
  const Row rows[] = {
      {UltraFlat(), 3, 0, {2, 2, 1, 2}}, {UltraFlat(), 3, 1, {1, 2, 1, 2}}, {UltraFlat(), 3, 2, {1, 2, 2, 2}},
      {UltraFlat(), 1, 0, {2, 2, 2, 2}}, {Standard(), 3, 1, {2, 2, 2, 2}},  {Flat(), 3, 0, {1, 1, 1, 1}},
  };
  for (const Row& row : rows) {
    RECT w = row.painter->GetButtonGroupFrameWidths(row.count, row.index);
    EXPECT_EQ(w.left, row.widths.left) << row.painter->ClassName() << " " << row.index;
    EXPECT_EQ(w.top, row.widths.top) << row.painter->ClassName() << " " << row.index;
    EXPECT_EQ(w.right, row.widths.right) << row.painter->ClassName() << " " << row.index;
    EXPECT_EQ(w.bottom, row.widths.bottom) << row.painter->ClassName() << " " << row.index;
  }
}

TEST_F(PainterBaseTest, UltraFlatJoinedButtons) {
  // The middle one of three hot buttons: separators on both sides, no frame at the top and bottom.
  Surface s(20, 16);
  UltraFlat()->PaintEmptyButton(s.canvas, RECT{0, 0, 20, 16}, cxbsHot, 3, 1, clRed);
  EXPECT_EQ(s(5, 0), 0xFFFFFFu) << "one-pixel inset at the top";
  EXPECT_EQ(s(0, 8), Rgb(clHighlight));
  EXPECT_EQ(s(19, 8), Rgb(clHighlight));
  EXPECT_EQ(s(5, 1), Rgb(LightHotTrackColor()));
  EXPECT_EQ(s(5, 14), Rgb(LightHotTrackColor()));
  // The first of two normal buttons: inset at the outer end, frame in the given colour.
  Surface n(20, 16);
  UltraFlat()->PaintEmptyButton(n.canvas, RECT{0, 0, 20, 16}, cxbsNormal, 2, 0, clRed);
  EXPECT_EQ(n(0, 8), 0xFFFFFFu);
  EXPECT_EQ(n(1, 8), Rgb(255, 0, 0));
  EXPECT_EQ(n(19, 8), Rgb(255, 0, 0));
  EXPECT_EQ(n(5, 1), Rgb(255, 0, 0));
  EXPECT_EQ(n(5, 2), Rgb(clBtnFace));
  // The standard look paints a whole framed button.
  Surface st(20, 16);
  Standard()->PaintEmptyButton(st.canvas, RECT{0, 0, 20, 16}, cxbsNormal, 2, 0, clRed);
  EXPECT_EQ(st(0, 8), Rgb(clBtnHighlight));
}

TEST_F(PainterBaseTest, FlatButtonFrame) {
  struct Row {
    bool active, hot;
    TColor color;
  };
  for (const Row& row : {Row{true, true, clBtnText}, Row{false, true, clHighlight}, Row{false, false, clBtnShadow}}) {
    Surface s(10, 10);
    UltraFlat()->PaintFlatButtonFrame(s.canvas, RECT{0, 0, 10, 10}, row.active, row.hot);
    EXPECT_EQ(s(0, 0), Rgb(row.color));
    EXPECT_EQ(s(5, 5), 0xFFFFFFu);
  }
  Surface s(10, 10);
  Standard()->PaintFlatButtonFrame(s.canvas, RECT{0, 0, 10, 10}, true, true);
  EXPECT_EQ(s(0, 0), 0xFFFFFFu) << "nothing in the standard look";
}

TEST_F(PainterBaseTest, ButtonCaptionMovesByThePressShift) {
  auto captionLeft = [](const TcxCustomLookAndFeelPainter* painter, TcxButtonState state) {
    Surface s(60, 20);
    painter->PaintButton(s.canvas, RECT{0, 0, 60, 20}, "Wq", state, true, clWhite, clBlack);
    return InkBounds(s, 0xFFFFFF, RECT{4, 4, 56, 16});
  };
  RECT normal = captionLeft(Standard(), cxbsNormal), pressed = captionLeft(Standard(), cxbsPressed);
  EXPECT_EQ(pressed.left, normal.left + 1);
  EXPECT_EQ(pressed.top, normal.top + 1);
  RECT uNormal = captionLeft(UltraFlat(), cxbsNormal), uPressed = captionLeft(UltraFlat(), cxbsPressed);
  EXPECT_EQ(uPressed.left, uNormal.left);
  EXPECT_EQ(uPressed.top, uNormal.top);
}

TEST_F(PainterBaseTest, ButtonDefaultColoursComeFromTheState) {
  Surface s(40, 20);
  UltraFlat()->PaintButton(s.canvas, RECT{0, 0, 40, 20}, "", cxbsHot);
  EXPECT_EQ(s(0, 0), Rgb(clHighlight));
  EXPECT_EQ(s(1, 1), Rgb(LightHotTrackColor()));
  Surface d(40, 20);
  Standard()->PaintButton(d.canvas, RECT{0, 0, 40, 20}, "Off", cxbsDisabled);
  // An embossed caption: the light copy shows beside the shadow-coloured text.
  bool shadow = false, light = false;
  for (int y = 2; y < 18; ++y)
    for (int x = 2; x < 38; ++x) {
      shadow |= d(x, y) == Rgb(clBtnShadow);
      light |= d(x, y) == Rgb(clBtnHighlight);
    }
  EXPECT_TRUE(shadow);
  EXPECT_TRUE(light);
}

// ---- check boxes ------------------------------------------------------------------------------------------------
TEST_F(PainterBaseTest, CheckBoxFramesAndFaces) {
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    TcxButtonState state;
    TColor outer, outerBottomRight, second, face;
  };
  const Row rows[] = {
      {Standard(), cxbsNormal, cl3DDkShadow, cl3DLight, clBtnShadow, clWindow},
      {Standard(), cxbsPressed, cl3DDkShadow, cl3DLight, clBtnShadow, clBtnFace},
      {Flat(), cxbsNormal, clBtnShadow, clBtnHighlight, clWindow, clWindow},
      {Flat(), cxbsDisabled, clBtnShadow, clBtnHighlight, clBtnFace, clBtnFace},
      {UltraFlat(), cxbsNormal, clBtnText, clBtnText, clWindow, clWindow},
      {UltraFlat(), cxbsHot, clBtnText, clBtnText, clWindow, clWindow},
      {Office11(), cxbsHot, clBtnText, clBtnText, Office11Color43, Office11Color43},
      {Office11(), cxbsNormal, clBtnText, clBtnText, clWindow, clWindow},
  };
  for (const Row& row : rows) {
    Surface s(13, 13, clRed);
    row.painter->PaintCheckBox(s.canvas, RECT{0, 0, 13, 13}, row.state, cbsUnchecked);
    const std::string what = std::string(row.painter->ClassName()) + " state " + std::to_string(row.state);
    EXPECT_EQ(s(0, 6), Rgb(row.outer)) << what;
    EXPECT_EQ(s(12, 6), Rgb(row.outerBottomRight)) << what;
    EXPECT_EQ(s(1, 6), Rgb(row.second)) << what;
    EXPECT_EQ(s(6, 6), Rgb(row.face)) << what;
  }
}

TEST_F(PainterBaseTest, CheckMarks) {
  auto tick = [](TcxCheckBoxState check, TcxButtonState state) {
    Surface s(13, 13);
    Standard()->PaintCheckBox(s.canvas, RECT{0, 0, 13, 13}, state, check);
    std::vector<uint32_t> pixels;
    for (int y = 2; y < 11; ++y)
      for (int x = 2; x < 11; ++x) pixels.push_back(s(x, y));
    return pixels;
  };
  const auto checked = tick(cbsChecked, cxbsNormal);
  EXPECT_EQ(tick(cbsGrayed, cxbsNormal), checked) << "a grayed box shows the tick";
  EXPECT_NE(tick(cbsUnchecked, cxbsNormal), checked);
  // The tick of a 9 x 9 interior: three rows thick, lowest point at the centre column.
  Surface s(13, 13);
  Standard()->PaintCheckBox(s.canvas, RECT{0, 0, 13, 13}, cxbsNormal, cbsChecked);
  const std::vector<std::string> expected = {
      ".........", ".......X.", "......XX.", ".X...XXX.", ".XX.XXX..", ".XXXXX...", "..XXX....", "...X.....",
      ".........",
  };
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(s(2 + x, 2 + y) == Rgb(clBtnText), expected[y][x] == 'X') << x << "," << y;
  // Disabled: a grey tick on the button face.
  Surface d(13, 13);
  Standard()->PaintCheckBox(d.canvas, RECT{0, 0, 13, 13}, cxbsDisabled, cbsChecked);
  EXPECT_EQ(d(5, 8), Rgb(clGrayText));
  EXPECT_EQ(d(9, 9), Rgb(clBtnFace));
}
