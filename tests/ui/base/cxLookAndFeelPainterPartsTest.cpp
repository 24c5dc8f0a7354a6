// Headers, footers, expand buttons, scroll-bar parts, pictures and the Office11 look.

#include <string>
#include <vector>

#include "cxPainterSupport.h"

using namespace uibase_test;

namespace {

using PainterPartsTest = PainterTest;


std::vector<std::string> Picture(const Surface& s, const RECT& r, uint32_t ink) {
  std::vector<std::string> rows;
  for (int y = r.top; y < r.bottom; ++y) {
    std::string row;
    for (int x = r.left; x < r.right; ++x) row += s(x, y) == ink ? 'X' : '.';
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

// ---- headers --------------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, StandardHeaderFrameJoinsNeighboursWithoutCornerDots) {
  Surface s(20, 10, clRed);
  Standard()->PaintHeaderFrame(s.canvas, RECT{0, 0, 20, 10}, TcxBorders{bLeft, bRight}, cxBordersAll);
  EXPECT_EQ(s(0, 5), Rgb(clBtnHighlight));
  EXPECT_EQ(s(19, 5), Rgb(clBtnShadow));
  EXPECT_EQ(s(0, 1), Rgb(clBtnFace));
  EXPECT_EQ(s(0, 8), Rgb(clBtnFace));
  EXPECT_EQ(s(19, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(s(19, 1), Rgb(clBtnFace));
  EXPECT_EQ(s(19, 8), Rgb(clBtnFace));
  Surface lone(20, 10, clRed);
  Standard()->PaintHeaderFrame(lone.canvas, RECT{0, 0, 20, 10}, {}, cxBordersAll);
  EXPECT_EQ(lone(0, 1), Rgb(clBtnHighlight));
  EXPECT_EQ(lone(19, 1), Rgb(clBtnShadow));
}

TEST_F(PainterPartsTest, UltraFlatHeaderFrameAndBounds) {
  Surface s(20, 10, clRed);
  UltraFlat()->PaintHeaderFrame(s.canvas, RECT{0, 0, 20, 10}, {}, TcxBorders{bTop, bRight, bBottom});
  EXPECT_EQ(s(0, 5), Rgb(255, 0, 0)) << "no left line without the left border";
  EXPECT_EQ(s(5, 0), Rgb(clBtnText));
  EXPECT_EQ(s(19, 5), Rgb(clBtnText));
  EXPECT_EQ(s(5, 9), Rgb(clBtnText));
  // A header with a left neighbour leaves its left line out and grows one pixel to the left.
  EXPECT_EQ(UltraFlat()->HeaderFrameSides({bLeft, bTop}), (TcxBorders{bRight, bBottom}));
  RECT r = UltraFlat()->GetHeaderDrawBounds(RECT{10, 0, 30, 10}, {bLeft}, cxBordersAll);
  EXPECT_EQ(r.left, 9);
  EXPECT_EQ(r.right, 30);
  r = Standard()->GetHeaderDrawBounds(RECT{10, 0, 30, 10}, {bLeft}, cxBordersAll);
  EXPECT_EQ(r.left, 10);
  r = Office11()->GetHeaderDrawBounds(RECT{10, 0, 30, 10}, {bLeft, bTop}, cxBordersAll);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 0);
}

TEST_F(PainterPartsTest, HeaderSizes) {
  EXPECT_EQ(Standard()->HeaderHeight(13), 19);
  EXPECT_EQ(Base()->HeaderHeight(13), 17);
  Surface s(10, 10);
  const int text = s.canvas->TextWidth("Name");
  EXPECT_EQ(Standard()->HeaderWidth(s.canvas, {bRight}, "Name", nullptr), text + 4 - 1);
  EXPECT_EQ(Standard()->HeaderWidth(s.canvas, {bLeft, bRight}, "Name", nullptr), text + 4);
  EXPECT_EQ(Standard()->HeaderWidth(s.canvas, {bLeft}, "Name", nullptr), text + 5);
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    POINT extent;
    int sectionNormal, sectionPressed;
  };
  for (const Row& row : {Row{Standard(), {8, 7}, 2, 1}, Row{Flat(), {8, 7}, 1, 1}, Row{UltraFlat(), {7, 8}, 1, 1},
                         Row{Base(), {0, 0}, 1, 1}}) {
    EXPECT_EQ(row.painter->SortingMarkExtent().x, row.extent.x) << row.painter->ClassName();
    EXPECT_EQ(row.painter->SortingMarkExtent().y, row.extent.y) << row.painter->ClassName();
    EXPECT_EQ(row.painter->SortingMarkAreaSize().x, 16);
    EXPECT_EQ(row.painter->SortingMarkAreaSize().y, row.extent.y);
    EXPECT_EQ(row.painter->HeaderControlSectionFrameWidth(cxbsNormal), row.sectionNormal);
    EXPECT_EQ(row.painter->HeaderControlSectionFrameWidth(cxbsPressed), row.sectionPressed);
  }
}

TEST_F(PainterPartsTest, SortingMarks) {
  // The standard mark 8 x 7 in a 16 x 15 area: light edges up and left, shadow at the bottom right.
  Surface s(16, 15, clRed);
  Standard()->PaintSortingMark(s.canvas, RECT{0, 0, 16, 15}, true);
  const uint32_t light = Rgb(clBtnHighlight), dark = Rgb(clBtnShadow);
  RECT box{16, 15, 0, 0};
  int lights = 0, darks = 0;
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 16; ++x)
      if (s(x, y) != 0xFF0000) {
        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
        lights += s(x, y) == light;
        darks += s(x, y) == dark;
      }
  EXPECT_EQ(box.right - box.left, 8);
  EXPECT_EQ(box.bottom - box.top, 7);
  EXPECT_GT(lights, 0);
  EXPECT_GT(darks, 0);
  EXPECT_EQ(s(box.left + 4, box.top), light) << "the apex of an ascending mark is at the top";
  EXPECT_EQ(s(box.left + 3, box.top), dark);
  // The ultra-flat one is 7 wide, 8 high, all in one colour; descending points down.
  Surface u(16, 16, clRed);
  UltraFlat()->PaintSortingMark(u.canvas, RECT{0, 0, 16, 16}, false);
  box = RECT{16, 16, 0, 0};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (u(x, y) != 0xFF0000) {
        EXPECT_EQ(u(x, y), dark);
        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  EXPECT_EQ(box.right - box.left, 7);
  EXPECT_EQ(box.bottom - box.top, 8);
  EXPECT_EQ(u(box.left + 3, box.bottom - 1), dark) << "apex at the bottom";
}

TEST_F(PainterPartsTest, HeaderControlSections) {
  // A disabled ultra-flat section is filled with the button face whatever the colour asked for.
  Surface s(30, 12);
  UltraFlat()->PaintHeaderControlSection(s.canvas, RECT{0, 0, 30, 12}, RECT{0, 0, 30, 12}, {}, cxBordersAll,
                                         cxbsDisabled, taLeftJustify, vaCenter, false, false, "", nullptr, clBlack,
                                         clRed);
  EXPECT_EQ(s(0, 0), Rgb(clBtnShadow));
  EXPECT_EQ(s(15, 6), Rgb(clBtnFace));
  Surface n(30, 12);
  Standard()->PaintHeaderControlSection(n.canvas, RECT{0, 0, 30, 12}, RECT{0, 0, 30, 12}, {}, cxBordersAll,
                                        cxbsNormal, taLeftJustify, vaCenter, false, false, "", nullptr, clBlack,
                                        clRed);
  EXPECT_EQ(n(0, 6), Rgb(clBtnHighlight));
  EXPECT_EQ(n(1, 6), Rgb(cl3DLight));
  EXPECT_EQ(n(2, 6), Rgb(255, 0, 0));
}

// ---- footers ----------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, FooterValuesAndCells) {
  EXPECT_EQ(UltraFlat()->FooterFrameSides(), (TcxBorders{bRight, bBottom}));
  EXPECT_EQ(UltraFlat()->FooterCellSpacing(), 2);
  EXPECT_EQ(Standard()->FooterCellSpacing(), 1);
  EXPECT_EQ(Base()->FooterCellSpacing(), 0);
  RECT t = Standard()->GetFooterCellTextBounds(RECT{0, 0, 40, 20});
  EXPECT_EQ(t.left, 3);
  EXPECT_EQ(t.bottom, 17);
  Surface s(40, 20);
  Standard()->PaintFooterCell(s.canvas, RECT{0, 0, 40, 20}, taLeftJustify, vaCenter, false, "", nullptr, clBlack,
                              clYellow);
  EXPECT_EQ(s(0, 10), Rgb(clBtnShadow));
  EXPECT_EQ(s(39, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(s(1, 10), Rgb(255, 255, 0));
  Surface u(40, 20);
  UltraFlat()->PaintFooterFrame(u.canvas, RECT{0, 0, 40, 20});
  EXPECT_EQ(u(0, 10), 0xFFFFFFu);
  EXPECT_EQ(u(39, 10), Rgb(clBtnShadow));
  EXPECT_EQ(u(10, 19), Rgb(clBtnShadow));
}

// ---- expand buttons ---------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, StandardExpandButtonAndItsClipExclusion) {
  Surface s(12, 12, clRed);
  Standard()->PaintExpandButton(s.canvas, RECT{0, 0, 12, 12}, false);
  const std::vector<std::string> plus = {
      "...........", "...........", "...........", ".....X.....", ".....X.....", "...XXXXX...",
      ".....X.....", ".....X.....", "...........", "...........", "...........",
  };
  EXPECT_EQ(s(0, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(s(11, 11), Rgb(cl3DDkShadow));
  EXPECT_EQ(s(10, 5), Rgb(clBtnShadow));
  EXPECT_EQ(s(9, 5), Rgb(clBtnFace));
  EXPECT_EQ(Picture(s, RECT{1, 1, 10, 10}, Rgb(clBtnText)),
            (std::vector<std::string>{".........", ".........", "....X....", "....X....", "..XXXXX..",
                                      "....X....", "....X....", ".........", "........."}));
  (void)plus;
  // The caller's later fill leaves the button alone.
  s.canvas->SetBrushColor(clBlue);
  s.canvas->FillRect(RECT{0, 0, 12, 12});
  EXPECT_EQ(s(0, 0), Rgb(clBtnHighlight));
  Surface m(11, 11, clRed);
  UltraFlat()->PaintExpandButton(m.canvas, RECT{0, 0, 11, 11}, true, clYellow);
  EXPECT_EQ(m(0, 0), Rgb(clBtnShadow));
  EXPECT_EQ(m(1, 1), Rgb(255, 255, 0));
  EXPECT_EQ(Picture(m, RECT{1, 1, 10, 10}, Rgb(clBtnText))[4], "..XXXXX..") << "a minus";
  EXPECT_EQ(Picture(m, RECT{1, 1, 10, 10}, Rgb(clBtnText))[3], ".........");
  EXPECT_TRUE(Standard()->ExpandButtonDrawnFirst());
  EXPECT_FALSE(Office11()->ExpandButtonDrawnFirst());
  EXPECT_EQ(Standard()->ExpandButtonExtent(), 12);
  EXPECT_EQ(Flat()->ExpandButtonExtent(), 11);
  EXPECT_EQ(Office11()->SmallExpandButtonExtent(), 11);
  EXPECT_EQ(Standard()->SmallExpandButtonExtent(), 9);
}

TEST_F(PainterPartsTest, Office11ExpandButtonsBlendTheirCornersWithWhatIsUnder) {
  Surface s(30, 11);
  s.canvas->SetBrushColor(clRed);
  s.canvas->FillRect(RECT{0, 0, 11, 11});
  s.canvas->SetBrushColor(clBlue);
  s.canvas->FillRect(RECT{15, 0, 26, 11});
  Office11()->PaintExpandButton(s.canvas, RECT{0, 0, 11, 11}, false);
  Office11()->PaintExpandButton(s.canvas, RECT{15, 0, 26, 11}, true);
  EXPECT_EQ(s(0, 0), Rgb(MixColorsPercent(Office11ExpandButtonColor1, clRed, 25)));
  const int w = Office11ExpandBitmap->Width() - 1, h = Office11ExpandBitmap->Height() - 1;
  EXPECT_EQ(s(w, h), Rgb(MixColorsPercent(Office11ExpandButtonColor2, clRed, 25)));
  EXPECT_EQ(s(0, h), Rgb(MixColorsPercent(Office11ExpandButtonColor2, clRed, 25)));
  EXPECT_EQ(s(15, 0), Rgb(MixColorsPercent(Office11ExpandButtonColor1, clBlue, 25)));
  EXPECT_EQ(s(15 + w, 0), Rgb(MixColorsPercent(Office11ExpandButtonColor2, clBlue, 25)));
}

TEST_F(PainterPartsTest, GroupExpandButtonChevrons) {
  Surface s(15, 15);
  UltraFlat()->PaintGroupExpandButton(s.canvas, RECT{0, 0, 15, 15}, true, cxbsNormal);
  EXPECT_EQ(s(0, 0), Rgb(clBtnText));
  auto up = Picture(s, RECT{3, 3, 12, 12}, Rgb(clBtnText));
  Surface d(15, 15);
  UltraFlat()->PaintGroupExpandButton(d.canvas, RECT{0, 0, 15, 15}, false, cxbsNormal);
  auto down = Picture(d, RECT{3, 3, 12, 12}, Rgb(clBtnText));
  EXPECT_NE(up, down);
  // Collapsed chevrons are the expanded ones upside down.
  std::vector<std::string> flipped(up.rbegin(), up.rend());
  EXPECT_EQ(flipped, down);
  // The standard look borrows the flat painter's frame.
  Surface st(15, 15);
  Standard()->PaintGroupExpandButton(st.canvas, RECT{0, 0, 15, 15}, true, cxbsNormal);
  EXPECT_EQ(st(0, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(st(14, 14), Rgb(clBtnShadow));
  EXPECT_EQ(st(1, 1), Rgb(clBtnFace));
}

// ---- small buttons --------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, FilterDropDownButtons) {
  Surface s(15, 20);
  Standard()->PaintFilterDropDownButton(s.canvas, RECT{0, 0, 15, 20}, cxbsNormal, true);
  EXPECT_EQ(s(0, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(s(14, 19), Rgb(clBtnShadow));
  bool blue = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 15; ++x) blue |= s(x, y) == Rgb(0, 0, 255);
  EXPECT_TRUE(blue) << "an active filter shows a blue arrow";
  Surface u(15, 20);
  UltraFlat()->PaintFilterDropDownButton(u.canvas, RECT{0, 0, 15, 20}, cxbsHot, false);
  EXPECT_EQ(u(0, 0), Rgb(clHighlight));
  EXPECT_EQ(u(1, 1), Rgb(LightHotTrackColor()));
  Surface o(15, 20);
  Office11()->PaintFilterDropDownButton(o.canvas, RECT{0, 0, 15, 20}, cxbsNormal, false);
  EXPECT_EQ(o(0, 0), Rgb(Office11()->SchemeColor151()));
}

TEST_F(PainterPartsTest, SmallCloseButtonAndPin) {
  Surface s(16, 14);
  Standard()->PaintSmallCloseButton(s.canvas, RECT{0, 0, 16, 14}, cxbsNormal);
  // The cross is two pixels wide: 7 wide (S = 7), centred.
  int ink = 0;
  for (int y = 2; y < 12; ++y)
    for (int x = 2; x < 14; ++x) ink += s(x, y) == Rgb(clBtnText);
  EXPECT_EQ(ink, 26);
  EXPECT_EQ(s(4, 3), Rgb(clBtnText));
  EXPECT_EQ(s(5, 3), Rgb(clBtnText));
  Surface p(16, 14);
  UltraFlat()->PaintPinButton(p.canvas, RECT{0, 0, 16, 14}, cxbsNormal, false, clDefault);
  // CX_AUTOHIDEON centred: 12 x 12 in the 14 x 12 interior, offsets (1, 0) inside a one-pixel frame.
  EXPECT_EQ(p(0, 0), Rgb(clBtnText));
  EXPECT_EQ(p(2 + 3, 1 + 2), Rgb(clBlack));
  EXPECT_EQ(p(2 + 6, 1 + 3), Rgb(clNavy));
  EXPECT_EQ(p(2 + 0, 1 + 0), Rgb(clBtnFace)) << "transparent around the picture";
}

// ---- scroll-bar parts -------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, ScrollBarParts) {
  struct Row {
    const TcxCustomLookAndFeelPainter* painter;
    bool hotLikeNormal;
  };
  for (const Row& row : {Row{Standard(), true}, Row{Flat(), true}, Row{UltraFlat(), false}}) {
    for (TcxScrollPart part : {spLineUp, spLineDown, spThumb}) {
      Surface hot(17, 17), normal(17, 17);
      row.painter->PaintScrollBarPart(hot.canvas, false, RECT{0, 0, 17, 17}, part, cxbsHot);
      row.painter->PaintScrollBarPart(normal.canvas, false, RECT{0, 0, 17, 17}, part, cxbsNormal);
      EXPECT_EQ(Picture(hot, RECT{0, 0, 17, 17}, 0) == Picture(normal, RECT{0, 0, 17, 17}, 0) &&
                    hot(8, 2) == normal(8, 2),
                row.hotLikeNormal)
          << row.painter->ClassName() << " part " << int(part);
    }
    Surface thumb(17, 17);
    row.painter->PaintScrollBarPart(thumb.canvas, false, RECT{0, 0, 17, 17}, spThumb, cxbsDisabled);
    EXPECT_EQ(thumb(8, 8), 0xFFFFFFu) << "a disabled thumb is not drawn";
    Surface track(16, 16);
    row.painter->PaintScrollBarPart(track.canvas, false, RECT{0, 0, 16, 16}, spPageUp, cxbsNormal);
    EXPECT_EQ(track(0, 0), Rgb(clBtnFace));
    EXPECT_EQ(track(1, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(track(0, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(track(9, 9), Rgb(clBtnFace));
    row.painter->PaintScrollBarPart(track.canvas, false, RECT{0, 0, 16, 16}, spPageDown, cxbsPressed);
    EXPECT_EQ(track(0, 0), 0u);
    EXPECT_EQ(track(1, 0), Rgb(cl3DDkShadow));
  }
  // The ultra-flat hot arrow: highlighted frame on the hot face, arrow in the whole part.
  Surface u(17, 17);
  UltraFlat()->PaintScrollBarPart(u.canvas, true, RECT{0, 0, 17, 17}, spLineUp, cxbsHot);
  EXPECT_EQ(u(0, 0), Rgb(clHighlight));
  EXPECT_EQ(u(2, 2), Rgb(LightHotTrackColor()));
  // The standard thumb frame: face and dark shadow, then highlight and shadow.
  Surface st(17, 17);
  Standard()->PaintScrollBarPart(st.canvas, false, RECT{0, 0, 17, 17}, spThumb, cxbsNormal);
  EXPECT_EQ(st(0, 8), Rgb(clBtnFace));
  EXPECT_EQ(st(16, 8), Rgb(cl3DDkShadow));
  EXPECT_EQ(st(1, 8), Rgb(clBtnHighlight));
  EXPECT_EQ(st(15, 8), Rgb(clBtnShadow));
  // Office11 without visual styles draws exactly the standard parts.
  for (TcxScrollPart part : {spLineUp, spThumb, spPageDown}) {
    Surface a(17, 17), b(17, 17);
    Office11()->PaintScrollBarPart(a.canvas, false, RECT{0, 0, 17, 17}, part, cxbsPressed);
    Standard()->PaintScrollBarPart(b.canvas, false, RECT{0, 0, 17, 17}, part, cxbsPressed);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 17; ++x) ASSERT_EQ(a(x, y), b(x, y)) << int(part) << " " << x << "," << y;
  }
}

// ---- pictures -----------------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, IndicatorGlyphs) {
  ASSERT_EQ(IndicatorImages()->Count(), 5);
  EXPECT_EQ(IndicatorImages()->Width(), 5);
  EXPECT_EQ(IndicatorImages()->Height(), 9);
  const std::vector<std::string> arrow = {"X....", "XX...", "XXX..", "XXXX.", "XXXXX",
                                          "XXXX.", "XXX..", "XX...", "X...."};
  const std::vector<std::string> insert = {".....", "..X..", "X.X.X", ".XXX.", "..X..",
                                           ".XXX.", "X.X.X", "..X..", "....."};
  struct Row {
    TcxIndicatorImage kind;
    const std::vector<std::string>* picture;
  };
  for (const Row& row : {Row{iiArrow, &arrow}, Row{iiInsert, &insert}}) {
    Surface s(15, 19, clYellow);
    // The item is a header-like cell; the glyph sits centred, its white transparent.
    Flat()->PaintIndicatorItem(s.canvas, RECT{0, 0, 15, 19}, row.kind, clYellow);
    auto picture = Picture(s, RECT{5, 5, 10, 14}, 0);
    EXPECT_EQ(picture, *row.picture) << int(row.kind);
    EXPECT_EQ(s(5, 14), Rgb(255, 255, 0));
  }
  Surface none(15, 19, clRed);
  Standard()->PaintIndicatorItem(none.canvas, RECT{0, 0, 15, 19}, iiNone, clYellow);
  EXPECT_EQ(Picture(none, RECT{5, 5, 10, 14}, 0), std::vector<std::string>(9, "....."));
  EXPECT_EQ(none(0, 9), Rgb(clBtnHighlight));
  EXPECT_EQ(none(7, 9), Rgb(255, 255, 0));
}

TEST_F(PainterPartsTest, RadioImages) {
  TcxRadioButtonImageList* list = GetRadioImages();
  EXPECT_EQ(list->Count(), 128);
  const int W = list->Width(), H = list->Height();
  EXPECT_GE(W, 10);
  EXPECT_GE(H, 10);
  EXPECT_EQ(list->Pattern(0, 0), 0) << "corners are outside";
  EXPECT_EQ(list->Pattern(W / 2, H / 2), 6) << "the dot in the middle";
  EXPECT_EQ(list->Pattern(W / 2, 0), 1) << "outer ring at the top";
  EXPECT_EQ(list->Pattern(W / 2, H - 1), 2) << "outer ring at the bottom";
  EXPECT_EQ(list->Pattern(W / 2, 1), 3);
  EXPECT_EQ(list->Pattern(W / 2, H - 2), 4);
  // Every combination has its own image.
  std::vector<bool> seen(128, false);
  for (int k = 0; k < 4; ++k)
    for (int st = cxbsNormal; st <= cxbsDisabled; ++st)
      for (int flags = 0; flags < 8; ++flags) {
        int i = list->ImageIndexOf(TcxLookAndFeelKind(k), TcxButtonState(st), flags & 1, flags & 2, flags & 4);
        ASSERT_GE(i, 0);
        EXPECT_FALSE(seen[i]);
        seen[i] = true;
      }
  // Transparent outside the circle with clDefault, an opaque square with a colour.
  Surface s(2 * W + 4, H, clRed);
  Standard()->PaintRadioButton(s.canvas, 0, 0, cxbsNormal, true, false, clDefault);
  Standard()->PaintRadioButton(s.canvas, W + 4, 0, cxbsNormal, true, false, clYellow);
  EXPECT_EQ(s(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(s(W + 4, 0), Rgb(255, 255, 0));
  EXPECT_EQ(s(W / 2, H / 2), Rgb(clBtnText)) << "the dot";
  EXPECT_EQ(s(W / 2, 0), Rgb(clBtnShadow)) << "standard outer ring";
  EXPECT_EQ(s(W / 2, 1), Rgb(cl3DDkShadow));
  // Unchecked: the dot cells take the body colour.
  Surface u(W, H, clRed);
  Standard()->PaintRadioButton(u.canvas, 0, 0, cxbsNormal, false, false, clDefault);
  EXPECT_EQ(u(W / 2, H / 2), Rgb(clWindow));
  // The ultra-flat ring lights at design time unless disabled; Office11 greys it when disabled.
  Surface d(W * 3, H, clRed);
  UltraFlat()->PaintRadioButton(d.canvas, 0, 0, cxbsNormal, false, false, clDefault, true);
  UltraFlat()->PaintRadioButton(d.canvas, W, 0, cxbsDisabled, false, false, clDefault, true);
  Office11()->PaintRadioButton(d.canvas, 2 * W, 0, cxbsDisabled, false, false, clDefault, true);
  EXPECT_EQ(d(W / 2, 0), Rgb(clHighlight));
  EXPECT_EQ(d(W + W / 2, 0), Rgb(clBtnShadow));
  EXPECT_EQ(d(2 * W + W / 2, 0), Rgb(Office11Color53));
  EXPECT_EQ(d(W + W / 2, H / 2), Rgb(clBtnFace));
  // A colour change rebuilds the pictures in the new colours, same count.
  SetSysColor(COLOR_BTNSHADOW, RGB(1, 2, 3));
  EXPECT_EQ(list->Count(), 128);
  Surface r(W, H, clRed);
  Standard()->PaintRadioButton(r.canvas, 0, 0, cxbsNormal, true, false, clDefault);
  EXPECT_EQ(r(W / 2, 0), Rgb(1, 2, 3));
}

TEST_F(PainterPartsTest, RadioBodyColours) {
  EXPECT_EQ(RadioBodyColor(lfStandard, cxbsPressed), clBtnFace);
  EXPECT_EQ(RadioBodyColor(lfFlat, cxbsHot), clWindow);
  EXPECT_EQ(RadioBodyColor(lfUltraFlat, cxbsHot), LightHotTrackColor());
  EXPECT_EQ(RadioBodyColor(lfUltraFlat, cxbsDisabled), clBtnFace);
  EXPECT_EQ(RadioBodyColor(lfOffice11, cxbsNormal), clWindow);
  EXPECT_EQ(RadioBodyColor(lfOffice11, cxbsHot), Office11Color43);
}

// ---- Office11 ---------------------------------------------------------------------------------------------------
TEST_F(PainterPartsTest, Office11HeaderBackgroundIgnoresStyleAndHandler) {
  Surface s(40, 20);
  int handlerCalls = 0;
  TcxDrawBackgroundEvent handler = [&](TcxCanvas*, const RECT&) { return ++handlerCalls, true; };
  Office11()->PaintHeader(s.canvas, RECT{0, 0, 40, 20}, RECT{0, 0, 40, 20}, {}, cxBordersAll, cxbsNormal,
                          taLeftJustify, vaCenter, false, false, "", nullptr, clBlack, clRed, handler);
  EXPECT_EQ(handlerCalls, 0);
  const TColor A = Office11()->SchemeColor153(), B = Office11()->SchemeColor150();
  EXPECT_EQ(s(20, 5), Rgb(A));
  EXPECT_EQ(s(20, 18), Rgb(GradientColorAt(RECT{1, 15, 39, 19}, 18, A, B, false)));
  EXPECT_EQ(s(20, 19), Rgb(Office11()->SchemeColor151())) << "the bottom line";
  EXPECT_EQ(s(20, 0), Rgb(A)) << "the top line";
  EXPECT_EQ(s(0, 5), Rgb(Office11()->SchemeColor152()));
  EXPECT_EQ(s(39, 5), Rgb(Office11()->SchemeColor151()));
  EXPECT_EQ(s(39, 0), Rgb(MixColorsPercent(A, Office11()->SchemeColor151(), 50)));
}

TEST_F(PainterPartsTest, Office11HotHeaderAndFooter) {
  Surface s(40, 24);
  Office11()->PaintPartContent(s.canvas, RECT{2, 2, 38, 20}, RECT{2, 2, 38, 20}, cxbsHot, taLeftJustify, vaCenter,
                               false, false, "", nullptr, clBlack, clRed, nullptr, false);
  EXPECT_EQ(s(20, 10), Rgb(Office11Color03));
  EXPECT_EQ(s(20, 16), Rgb(Office11Color03)) << "no visible gradient";
  // The hot band reaches one pixel left and one pixel below.
  EXPECT_EQ(s(1, 18), Rgb(Office11Color43));
  EXPECT_EQ(s(20, 20), Rgb(GradientColorAt(RECT{1, 18, 38, 21}, 20, Office11Color43, Office11Color44, false)));
  EXPECT_EQ(s(38, 19), 0xFFFFFFu);
  Surface f(40, 20);
  Office11()->PaintFooterCell(f.canvas, RECT{0, 0, 40, 20}, taLeftJustify, vaCenter, false, "", nullptr, clBlack,
                              clRed);
  EXPECT_EQ(f(20, 17), Rgb(Office11()->SchemeColor153())) << "footers have no gradient";
  EXPECT_EQ(f(0, 0), Rgb(Office11()->SchemeColor151()));
}

TEST_F(PainterPartsTest, Office11DividerBetweenNeighbours) {
  Surface s(20, 20);
  Office11()->PaintHeaderFrame(s.canvas, RECT{0, 0, 20, 20}, {bLeft, bRight}, cxBordersAll);
  const TColor A = Office11()->SchemeColor153(), B = Office11()->SchemeColor150();
  EXPECT_EQ(s(0, 1), Rgb(A));
  EXPECT_EQ(s(0, 2), Rgb(Office11()->SchemeColor152())) << "the light column starts two pixels down";
  EXPECT_EQ(s(0, 17), Rgb(MixColorsPercent(A, B, 25)));
  EXPECT_EQ(s(0, 18), Rgb(B));
  EXPECT_EQ(s(19, 1), Rgb(A));
  EXPECT_EQ(s(19, 18), Rgb(B));
  EXPECT_EQ(s(19, 10), Rgb(Office11()->SchemeColor151()));
}

TEST_F(PainterPartsTest, Office11SectionsValuesAndColours) {
  Surface s(30, 16);
  Office11()->PaintHeaderControlSection(s.canvas, RECT{0, 0, 30, 16}, RECT{0, 0, 30, 16}, {}, cxBordersAll,
                                        cxbsPressed, taLeftJustify, vaCenter, false, false, "", nullptr, clBlack,
                                        clRed);
  const COLORREF fill = ColorToRGB(Office11()->SchemeColor153());
  EXPECT_EQ(s(15, 5), Rgb(255 - GetRValue(fill), 255 - GetGValue(fill), 255 - GetBValue(fill))) << "inverted";
  EXPECT_EQ(Office11()->ButtonGlyphColor(cxbsPressed), clHighlightText) << "visual styles off";
  EXPECT_EQ(Office11()->ButtonGlyphColor(cxbsNormal), Office11Color52);
  EXPECT_EQ(Office11()->ButtonFaceColor(cxbsDefault), Office11Color01);
  EXPECT_EQ(Office11()->CheckFaceColor(cxbsNormal), clWindow);
  EXPECT_EQ(Office11()->CheckFaceColor(cxbsPressed), Office11Color45);
  EXPECT_EQ(Office11()->DefaultHeaderColor(), Office11Color01);
  EXPECT_EQ(Office11()->DefaultFooterColor(), Office11Color01);
  EXPECT_EQ(Office11()->DefaultTabsBackgroundColor(), Office11Color02);
  EXPECT_EQ(Office11()->DefaultColor11(), static_cast<TColor>(0x800000));
  EXPECT_EQ(Office11()->FooterSeparatorColor(), Office11Color21);
  EXPECT_TRUE(Office11()->HeaderHotTracking());
  EXPECT_EQ(Office11()->HeaderFrameSides({bLeft, bTop}), cxBordersAll);
}

TEST_F(PainterPartsTest, DefaultColourTables) {
  struct Row {
    const char* name;
    TColor (TcxCustomLookAndFeelPainter::*op)() const;
    TColor base, standard, flat, ultraFlat;
  };
  using P = TcxCustomLookAndFeelPainter;
  const Row rows[] = {
      {"05", &P::DefaultColor05, TColor(0xF0FBFF), TColor(0xF0FBFF), TColor(0xF0FBFF), TColor(0xF0FBFF)},
      {"11", &P::DefaultColor11, clWindowText, clWindowText, clWindowText, TColor(0x800000)},
      {"42", &P::DefaultColor42, clRed, clRed, clRed, clBtnShadow},
      {"44", &P::DefaultColor44, TColor(0xD5FFFF), clWindow, TColor(0xD5FFFF), TColor(0xD5FFFF)},
      {"RowSeparator", &P::DefaultRowSeparatorColor, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow},
      {"Preview", &P::DefaultPreviewTextColor, clBlue, clBlue, clBlue, clBlue},
      {"GroupByBoxText", &P::DefaultGroupByBoxTextColor, clBtnFace, clBtnFace, clBtnFace, clBtnFace},
      {"Selection", &P::DefaultSelectionColor, clHighlight, clHighlight, clHighlight, clHighlight},
  };
  for (const Row& row : rows) {
    EXPECT_EQ((Base()->*row.op)(), row.base) << row.name;
    EXPECT_EQ((Standard()->*row.op)(), row.standard) << row.name;
    EXPECT_EQ((Flat()->*row.op)(), row.flat) << row.name;
    EXPECT_EQ((UltraFlat()->*row.op)(), row.ultraFlat) << row.name;
  }
  EXPECT_EQ(Standard()->PainterStyle(), psStandard);
  EXPECT_EQ(Flat()->PainterStyle(), psFlat);
  EXPECT_EQ(UltraFlat()->PainterStyle(), psUltraFlat);
  EXPECT_EQ(Office11()->PainterStyle(), psOffice11);
  EXPECT_EQ(TcxWinXPLookAndFeelPainter::Instance()->PainterStyle(), psNative);
}

TEST_F(PainterPartsTest, BackgroundHandlerAndSimpleHeaders) {
  // A handler that draws replaces the painter's fill; one that declines leaves it.
  for (bool handled : {true, false}) {
    Surface s(40, 20);
    int calls = 0;
    TcxDrawBackgroundEvent handler = [&](TcxCanvas* c, const RECT& r) {
      ++calls;
      if (handled) {
        c->SetBrushColor(clLime);
        c->FillRect(r);
      }
      return handled;
    };
    Standard()->PaintHeader(s.canvas, RECT{0, 0, 40, 20}, RECT{0, 0, 40, 20}, {}, cxBordersAll, cxbsNormal,
                            taLeftJustify, vaCenter, false, false, "", nullptr, clBlack, clYellow, handler);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s(20, 10), handled ? Rgb(0, 255, 0) : Rgb(255, 255, 0));
    EXPECT_EQ(s(0, 10), Rgb(clBtnHighlight)) << "the frame stays the painter's";
  }
  // The ultra-flat simple header fills the whole rectangle first, then frames it one pixel inside.
  Surface u(40, 20, clRed);
  UltraFlat()->PaintHeaderSimple(u.canvas, RECT{0, 0, 40, 20}, RECT{0, 0, 40, 20}, {}, cxBordersAll, cxbsNormal,
                                 taLeftJustify, vaCenter, false, false, "", nullptr, clBlack, clYellow);
  EXPECT_EQ(u(0, 0), Rgb(255, 255, 0));
  EXPECT_EQ(u(1, 10), Rgb(clBtnText));
  EXPECT_EQ(u(38, 10), Rgb(clBtnText));
  EXPECT_EQ(u(39, 10), Rgb(255, 255, 0));
  // The simple indicator item frames all four sides.
  Surface i(14, 19, clRed);
  Standard()->PaintIndicatorItemSimple(i.canvas, RECT{0, 0, 14, 19}, iiEdit, clYellow);
  EXPECT_EQ(i(0, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(i(13, 18), Rgb(clBtnShadow));
  EXPECT_EQ(i(6, 6), 0u) << "the edit glyph's stem";
  EXPECT_EQ(i(4, 5), 0u);
  EXPECT_EQ(i(6, 5), Rgb(255, 255, 0));
}
