#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxEditTextUtils.h"

namespace {

using edit_test::Owned;
using edit_test::PaintTest;

class EditTextTest : public PaintTest {
protected:
  TcxEditTextParams Params(uint32_t flags) {
    TcxEditTextParams p;
    GetEditTextParams(DC(), flags, p);
    return p;
  }
  // A rectangle widthChars characters wide and rows font heights high at (0, 0).
  RECT Rect(int widthChars, int rows) const { return RECT{0, 0, widthChars * Cw, rows * Fh}; }
  std::vector<std::string> Rows(const String& text, const RECT& r, uint32_t flags, int maxLines = 0,
                                bool* fitted = nullptr) {
    const TcxEditTextParams p = Params(flags);
    int32_t count = 0;
    const bool all = BreakEditTextRows(DC(), text, r, maxLines, count, FRows, p);
    if (fitted) *fitted = all;
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.emplace_back(FRows[i].Start, static_cast<size_t>(FRows[i].ByteLength));
    return out;
  }
  TcxTextRows FRows;
};

TEST_F(EditTextTest, ParamsFollowTheFlagsAndTheFont) {
  TcxEditTextParams p = Params(TOF_CENTER_HORZ | TOF_BOTTOM | TOF_END_ELLIPSIS | TOF_WORDBREAK | 0x1000);
  EXPECT_EQ(p.HorzAlignment, TOF_CENTER_HORZ);
  EXPECT_EQ(p.VertAlignment, TOF_BOTTOM);
  EXPECT_TRUE(p.WordBreak);
  EXPECT_FALSE(p.SingleLine);
  EXPECT_EQ(p.FontHeight, Fh);
  EXPECT_EQ(p.Leading, 0);
  EXPECT_EQ(p.RowStep, Fh);
  EXPECT_EQ(p.EllipsisWidth, 3 * Cw);
  EXPECT_EQ(p.FontBreakChar, U' ');
  EXPECT_EQ(Params(0).EllipsisWidth, 0);
}

// Rows of the breaking algorithm; widths in characters of the fixed font, the rectangle 10 rows high.
TEST_F(EditTextTest, BreakingTable) {
  struct Case {
    const char* text;
    int width;
    uint32_t flags;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"one two three", 8, TOF_WORDBREAK, {"one two ", "three"}},
      {"one two three", 7, TOF_WORDBREAK, {"one two ", "three"}},  // the overflowing blank ends the row
      {"one two three", 8, TOF_JUSTIFY, {"one two", "three"}},     // trailing blank dropped when justified
      {"one  two", 4, TOF_WORDBREAK, {"one  ", "two"}},            // the blanks after a break are skipped
      {"abcdefghij", 4, TOF_WORDBREAK, {"abcdefghij"}},            // a long word overflows
      {"abcdefghij", 4, TOF_WORDBREAK | TOF_CHARBREAK, {"abcd", "efgh", "ij"}},
      {"abcdefghij xy", 4, TOF_WORDBREAK, {"abcdefghij ", "xy"}},
      {"ab cdefghij", 4, TOF_WORDBREAK | TOF_CHARBREAK, {"ab ", "cdef", "ghij"}},
      {"a\r\nb", 20, 0, {"a", "b"}},
      {"a\r\n", 20, 0, {"a"}},  // no empty last row
      {"a\r\n\r\nb", 20, 0, {"a", "", "b"}},
      {"a\nb\rc", 20, 0, {"a", "b", "c"}},
      {"a\r\nb", 20, TOF_SINGLELINE, {"a\r\nb"}},  // line ends are characters
      {"one two three", 5, TOF_SINGLELINE, {"one tw"}},  // cut at the first character that does not fit
      {"one two three", 5, 0, {"one two three"}},  // no wrapping: the whole line
      {"\tab cd", 20, TOF_WORDBREAK, {"\tab cd"}},
      {"ab\t\tcd", 3, TOF_WORDBREAK | TOF_EXPANDTABS, {"ab\t", "cd"}},  // one tab is skipped after a break
      {"ab\t\t\tcd", 3, TOF_WORDBREAK | TOF_EXPANDTABS, {"ab\t", "\t", "cd"}},
      {"абв где", 4, TOF_WORDBREAK, {"абв ", "где"}},  // characters are code points
      {"жжжжжж", 4, TOF_WORDBREAK | TOF_CHARBREAK, {"жжжж", "жж"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SCOPED_TRACE(c.width);
    EXPECT_EQ(Rows(c.text, Rect(c.width, 10), c.flags), c.rows);
  }
}

TEST_F(EditTextTest, RowsCountCodePointsAndBreaks) {
  Rows("абв где ёж", Rect(4, 10), TOF_WORDBREAK);
  const int expected[][4] = {
      // Length, Offset, Breaks, Width in characters
      {4, 0, 1, 4},
      {4, 4, 1, 4},
      {2, 8, 0, 2},
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(FRows[i].Length, expected[i][0]);
    EXPECT_EQ(FRows[i].Offset, expected[i][1]);
    EXPECT_EQ(FRows[i].Breaks, expected[i][2]);
    EXPECT_EQ(FRows[i].Width, expected[i][3] * Cw);
  }
}

TEST_F(EditTextTest, JustifiedRowsCountOnlyInnerBreaksAndParagraphEndsHaveNone) {
  Rows("aa bb cc dd\r\nee ff", Rect(6, 10), TOF_JUSTIFY | TOF_WORDBREAK);
  // "aa bb", "cc dd" (paragraph end), "ee ff" (text end)
  ASSERT_GE(FRows.size(), 3u);
  EXPECT_EQ(FRows[0].Breaks, 1);
  EXPECT_EQ(FRows[1].Breaks, 0);
  EXPECT_EQ(FRows[2].Breaks, 0);
  Rows("aa bb cc dd\r\nee ff", Rect(6, 10), TOF_DISTRIBUTE | TOF_WORDBREAK);
  EXPECT_EQ(FRows[1].Breaks, 1);  // distribution stretches paragraph ends too
  EXPECT_EQ(FRows[2].Breaks, 1);
}

TEST_F(EditTextTest, ExpandedTabsAreMeasuredAtTheTabStops) {
  TEXTMETRIC tm{};
  GetTextMetrics(DC(), &tm);
  Rows("a\tb", Rect(40, 1), TOF_EXPANDTABS);
  EXPECT_EQ(FRows[0].Width, 8 * tm.tmAveCharWidth + Cw);
}

// Which rows are made for a rectangle two rows high (or the max line count), and whether all text fitted.
TEST_F(EditTextTest, LastRowTable) {
  struct Case {
    uint32_t flags;
    int maxLines;
    int rows;
    bool fitted;
  };
  const char* text = "aaa bbb ccc ddd";  // four rows of a rectangle 4 characters wide
  const Case cases[] = {
      {TOF_WORDBREAK, 0, 2, true},                      // the second row reaches the bottom
      {TOF_WORDBREAK | TOF_FULLROWS, 0, 2, true},        // only whole rows
      {TOF_WORDBREAK | TOF_FULLROWS | TOF_NOCLIP, 0, 2, true},
      {TOF_WORDBREAK, 1, 2, false},                    // top aligned: the height decides
      {TOF_WORDBREAK | TOF_CENTER_VERT, 2, 2, false},  // otherwise the max line count
      {TOF_WORDBREAK | TOF_CENTER_VERT, 0, 4, true},
      {TOF_WORDBREAK | TOF_CALCRECT, 0, 4, true},
      {TOF_WORDBREAK | TOF_CALCRECT, 3, 3, true},  // measuring never reports a cut
      {TOF_WORDBREAK | TOF_SINGLELINE, 0, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    SCOPED_TRACE(c.maxLines);
    bool fitted = false;
    EXPECT_EQ(static_cast<int>(Rows(text, Rect(4, 2), c.flags, c.maxLines, &fitted).size()), c.rows);
    EXPECT_EQ(fitted, c.fitted);
  }
}

TEST_F(EditTextTest, EllipsisCutTakesTheOverflowingCharacterOnTheLastRow) {
  const RECT r{0, 0, 4 * Cw, Fh + Fh / 2};  // the second row is the last, partly visible
  EXPECT_EQ(Rows("aaa bbb ccc ddd", r, TOF_WORDBREAK | TOF_END_ELLIPSIS), (std::vector<std::string>{"aaa ", "bbb c"}));
  // Only whole rows: the first row is the last and is broken as usual.
  EXPECT_EQ(Rows("aaa bbb ccc ddd", r, TOF_WORDBREAK | TOF_END_ELLIPSIS | TOF_FULLROWS),
            (std::vector<std::string>{"aaa "}));
  // A line end still ends the last row.
  EXPECT_EQ(Rows("a\r\nbb\r\ncc", RECT{0, 0, 20 * Cw, Fh + Fh / 2}, TOF_END_ELLIPSIS),
            (std::vector<std::string>{"a", "bb"}));
}

TEST_F(EditTextTest, LastRowCutAtALineEndGetsTheEllipsis) {
  RECT r{0, 0, 10 * Cw, 2 * Fh};
  EditTextOut(DC(), "1st\r\n2nd\r\n3rd", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_END_ELLIPSIS);
  RefText(0, 0, "1st");
  RefText(0, Fh, "2nd...");
  EXPECT_EQ(FirstDifference().x, -1);
  // Nothing follows: no ellipsis.
  Clear(A.get());
  Clear(B.get());
  r = RECT{0, 0, 10 * Cw, 2 * Fh};
  EditTextOut(DC(), "1st\r\n2nd\r\n", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_END_ELLIPSIS);
  RefText(0, 0, "1st");
  RefText(0, Fh, "2nd");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, PartlyVisibleRowIsTheLastOne) {
  const RECT r{0, 0, 4 * Cw, 2 * Fh + Fh / 2};
  EXPECT_EQ(Rows("aaa bbb ccc ddd", r, TOF_WORDBREAK).size(), 3u);
  EXPECT_EQ(Rows("aaa bbb ccc ddd", r, TOF_WORDBREAK | TOF_FULLROWS).size(), 2u);
}

TEST_F(EditTextTest, RectangleAnExactNumberOfRowsHighShowsTheEllipsisOnItsLastRow) {
  RECT r{0, 0, 4 * Cw, 2 * Fh};
  EditTextOut(DC(), "aaa bbb ccc ddd", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_WORDBREAK | TOF_END_ELLIPSIS);
  RefText(0, 0, "aaa ");
  RefText(0, Fh, "b...");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, EmptyTextHasNoRowsAndDrawsNothing) {
  EXPECT_TRUE(Rows("", Rect(4, 2), TOF_WORDBREAK).empty());
  RECT r = Rect(10, 2);
  EXPECT_EQ(EditTextOut(DC(), "", r, 0, 0, 0, clWhite, clBlack, 0, 0, 0), 0);
  EXPECT_TRUE(Blank(A.get()));
}

TEST_F(EditTextTest, PlacementTable) {
  struct Case {
    uint32_t flags;
    RECT r;
    int tops[3];
    int lefts[3];
  };
  // Rows "a", "bb", "ccc" in a rectangle 10 characters wide and 6 rows high at (5, 7); lefts in characters.
  const int w = 10 * Cw, h = 6 * Fh;
  const RECT r{5, 7, 5 + w, 7 + h};
  const RECT small{5, 7, 5 + 2 * Cw, 7 + Fh};
  const int mid = 7 + (h - 3 * Fh) / 2;
  const Case cases[] = {
      {0, r, {7, 7 + Fh, 7 + 2 * Fh}, {0, 0, 0}},
      {TOF_RIGHT, r, {7, 7 + Fh, 7 + 2 * Fh}, {9, 8, 7}},
      {TOF_CENTER_HORZ | TOF_CENTER_VERT, r, {mid, mid + Fh, mid + 2 * Fh}, {-1, -1, -1}},
      {TOF_BOTTOM, r, {7 + 3 * Fh, 7 + 4 * Fh, 7 + 5 * Fh}, {0, 0, 0}},
      {TOF_RIGHT | TOF_BOTTOM, small, {7 - 2 * Fh, 7 - Fh, 7}, {1, 0, -1}},
      {TOF_RIGHT | TOF_BOTTOM | TOF_KEEP_LEFT | TOF_KEEP_TOP, small, {7, 7 + Fh, 7 + 2 * Fh}, {1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const TcxEditTextParams p = Params(c.flags);
    Rows("a\r\nbb\r\nccc", RECT{0, 0, 1000, 1000}, c.flags & ~TOF_VERT_MASK);
    ASSERT_EQ(PlaceEditTextRows(DC(), c.r, p, FRows, 3), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(FRows[i].Top, c.tops[i]) << i;
      const int expectedLeft =
          (c.flags & TOF_HORZ_MASK) == TOF_CENTER_HORZ ? c.r.left + (w - (i + 1) * Cw) / 2 : c.r.left + c.lefts[i] * Cw;
      EXPECT_EQ(FRows[i].Left, expectedLeft) << i;
    }
  }
}

TEST_F(EditTextTest, VerticalDistributionSpreadsRowsAndHandsOutTheRemainder) {
  const TcxEditTextParams p = Params(TOF_DISTRIBUTE_VERT);
  Rows("a\r\nb\r\nc", RECT{0, 0, 100, 1000}, 0);
  const RECT r{0, 0, 100, Fh + 2 * (3 * Fh) + 1};  // spare = 6 Fh + 1 over two gaps
  PlaceEditTextRows(DC(), r, p, FRows, 3);
  EXPECT_EQ(FRows[0].Top, 0);
  EXPECT_EQ(FRows[1].Top, 3 * Fh + 1);  // the odd pixel goes to the first gap
  EXPECT_EQ(FRows[2].Top, 6 * Fh + 1);
  // A rectangle too low to spread the rows keeps the plain row step.
  PlaceEditTextRows(DC(), RECT{0, 0, 100, 3 * Fh}, p, FRows, 3);
  EXPECT_EQ(FRows[2].Top, 2 * Fh);
}

TEST_F(EditTextTest, MaxWidthOfRows) {
  Rows("a\r\nbbb\r\ncc", RECT{0, 0, 1000, 1000}, 0);
  EXPECT_EQ(GetEditTextRowsMaxWidth(FRows, 3), 3 * Cw);
  EXPECT_EQ(GetEditTextRowsMaxWidth(FRows, 1), Cw);
  EXPECT_EQ(GetEditTextRowsMaxWidth(FRows, 99), 3 * Cw);
  EXPECT_EQ(GetEditTextRowsMaxWidth(FRows, 0), 0);
}

TEST_F(EditTextTest, CalcRectMeasuresWithoutDrawing) {
  struct Case {
    const char* text;
    uint32_t flags;
    int maxLines;
    int width;  // characters
    int rows;
  };
  const Case cases[] = {
      {"one two three", TOF_WORDBREAK, 0, 8, 2},  // "one two " is the widest row
      {"one two three", TOF_WORDBREAK, 1, 8, 1},
      {"a\r\nbbb", 0, 0, 3, 2},
      {"a\r\nbbbbbbbbbbbbbbb", TOF_SINGLELINE, 0, 18, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RECT r{3, 4, 3 + 8 * Cw, 4 + Fh};
    const int result = EditTextOut(DC(), c.text, r, 0, 0, c.maxLines, clWhite, clBlack, 0, 0, c.flags | TOF_CALCRECT);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.top, 4);
    if (c.flags & TOF_SINGLELINE) {
      SIZE s{};
      GetTextExtentPoint32(DC(), c.text, static_cast<int>(strlen(c.text)), &s);
      EXPECT_EQ(r.right, 3 + s.cx);
    } else {
      EXPECT_EQ(r.right, 3 + c.width * Cw);
    }
    EXPECT_EQ(r.bottom - r.top, c.rows * Fh);
    EXPECT_EQ(result, c.rows * Fh);
  }
  EXPECT_TRUE(Blank(A.get()));
}

TEST_F(EditTextTest, CalcRectHeightLeavesOutTheLastLeadingAndIndentsComeBack) {
  TcxEditTextParams p = Params(TOF_EXTERNALLEADING);
  RECT r{0, 0, 20 * Cw, 10};
  EditTextOut(DC(), "a\r\nb\r\nc", r, 5, 7, 0, clWhite, clBlack, 0, 0, TOF_CALCRECT | TOF_EXTERNALLEADING);
  EXPECT_EQ(r.bottom, 3 * p.RowStep - p.Leading);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 7 + Cw + 5);
}

TEST_F(EditTextTest, ResultIsTheHeightOrTheRowCount) {
  RECT r = Rect(10, 5);
  EXPECT_EQ(EditTextOut(DC(), "a\r\nb", r, 0, 0, 0, clWhite, clBlack, 0, 0, 0), 2 * Fh);
  r = Rect(10, 5);
  EXPECT_EQ(EditTextOut(DC(), "a\r\nb", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_CALCROWCOUNT), 2);
  r = RECT{0, 0, 0, 50};  // no room: nothing
  EXPECT_EQ(EditTextOut(DC(), "a", r, 0, 0, 0, clWhite, clBlack, 0, 0, 0), 0);
  r = Rect(10, 5);  // indents that eat the rectangle
  EXPECT_EQ(EditTextOut(DC(), "a", r, 5 * Cw, 5 * Cw, 0, clWhite, clBlack, 0, 0, 0), 0);
}

// Drawing is compared with the same rows drawn by plain text output on the reference bitmap.
TEST_F(EditTextTest, DrawsRowsWhereTheyArePlaced) {
  RECT r{10, 5, 10 + 8 * Cw, 5 + 4 * Fh};
  EditTextOut(DC(), "one two three", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_WORDBREAK | TOF_RIGHT);
  RefText(10, 5, "one two ");
  RefText(10 + 3 * Cw, 5 + Fh, "three");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, IndentsNarrowTheRectangle) {
  RECT r{0, 0, 20 * Cw, 2 * Fh};
  EditTextOut(DC(), "ab", r, 4 * Cw, 3 * Cw, 0, clWhite, clBlack, 0, 0, TOF_RIGHT);
  RefText(14 * Cw, 0, "ab");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, JustificationStretchesRowsWithBreaksButNotParagraphEnds) {
  RECT r{0, 0, 9 * Cw, 4 * Fh};
  // Rows "one two" (stretched by two characters), "three" (no inner break) and "four" (the text's end).
  EditTextOut(DC(), "one two three four", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_JUSTIFY | TOF_WORDBREAK);
  RefText(0, 0, "one");
  RefText(6 * Cw, 0, "two");
  RefText(0, Fh, "three");
  RefText(0, 2 * Fh, "four");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, JustificationLeavesTheParagraphsLastRowAndDistributionDoesNot) {
  RECT r{0, 0, 9 * Cw, 4 * Fh};
  EditTextOut(DC(), "one two\r\nab cd", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_JUSTIFY | TOF_WORDBREAK);
  RefText(0, 0, "one two");
  RefText(0, Fh, "ab cd");
  EXPECT_EQ(FirstDifference().x, -1);
  r = RECT{0, 2 * Fh, 9 * Cw, 4 * Fh};
  EditTextOut(DC(), "one two", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_DISTRIBUTE | TOF_WORDBREAK);
  RefText(0, 2 * Fh, "one");
  RefText(6 * Cw, 2 * Fh, "two");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, EndEllipsisOnAWideSingleLine) {
  RECT r{0, 0, 6 * Cw, Fh};
  EditTextOut(DC(), "abcdefghij\r\nk", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_SINGLELINE | TOF_END_ELLIPSIS);
  RefText(0, 0, "abc...");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, CentredMaxLineCountForcesTheEllipsisWithFullRows) {
  // Three rows of text, two allowed: the second row ends in "...".
  RECT r{0, 0, 4 * Cw, 4 * Fh};
  EditTextOut(DC(), "aaa bbb ccc", r, 0, 0, 2, clWhite, clBlack, 0, 0,
              TOF_WORDBREAK | TOF_CENTER_VERT | TOF_END_ELLIPSIS | TOF_FULLROWS);
  RefText(0, Fh, "aaa ");
  RefText(0, 2 * Fh, "b...");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, TopAlignedMaxLineCountOnlyCutsTheRows) {
  RECT r{0, 0, 4 * Cw, 4 * Fh};
  EditTextOut(DC(), "aaa bbb ccc", r, 0, 0, 2, clWhite, clBlack, 0, 0,
              TOF_WORDBREAK | TOF_END_ELLIPSIS | TOF_FULLROWS);
  RefText(0, 0, "aaa ");
  RefText(0, Fh, "bbb ");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, RowsAreClippedToTheRectangleUnlessNoClip) {
  RECT r{0, 0, 3 * Cw, Fh / 2};
  EditTextOut(DC(), "abcdef", r, 0, 0, 0, clWhite, clBlack, 0, 0, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (x >= 3 * Cw || y >= Fh / 2) {
        ASSERT_EQ(PaintTest::Px(A.get(), x, y), 0xFFFFFFu) << x << "," << y;
      }
  EXPECT_FALSE(Blank(A.get()));
  r = RECT{0, 0, 3 * Cw, Fh / 2};
  Clear(A.get());
  EditTextOut(DC(), "abcdef", r, 0, 0, 0, clWhite, clBlack, 0, 0, TOF_NOCLIP);
  RefText(0, 0, "abcdef");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, SelectionIsPaintedInSelectionColours) {
  RECT r{0, 0, 10 * Cw, 3 * Fh};
  const TColor selBk = static_cast<TColor>(RGB(0, 0, 255));
  EditTextOut(DC(), "ab cd\r\nжзи", r, 0, 0, 0, clWhite, selBk, 3, 4, 0);
  // Offsets: a0 b1 _2 c3 d4 \r5 \n6 ж7. Selecting 4..6 covers "d" only in row one (the line end is no row).
  const uint32_t blue = edit_test::Rgb(0, 0, 255);
  EXPECT_EQ(PaintTest::Px(A.get(), 4 * Cw + 1, Fh - 1), blue);
  EXPECT_EQ(PaintTest::Px(A.get(), 4 * Cw - 1, Fh - 1), 0xFFFFFFu);
  EXPECT_EQ(PaintTest::Px(A.get(), 5 * Cw + 1, Fh - 1), 0xFFFFFFu);
  EXPECT_EQ(PaintTest::Px(A.get(), 1, 2 * Fh - 1), 0xFFFFFFu);
  // Selecting "зи" of the second row by code points.
  Clear(A.get());
  r = RECT{0, 0, 10 * Cw, 3 * Fh};
  EditTextOut(DC(), "ab cd\r\nжзи", r, 0, 0, 0, clWhite, selBk, 2, 8, 0);
  EXPECT_EQ(PaintTest::Px(A.get(), Cw - 1, 2 * Fh - 1), 0xFFFFFFu);
  EXPECT_EQ(PaintTest::Px(A.get(), Cw + 1, 2 * Fh - 1), blue);
  EXPECT_EQ(PaintTest::Px(A.get(), 3 * Cw - 1, 2 * Fh - 1), blue);
  EXPECT_EQ(PaintTest::Px(A.get(), 3 * Cw + 1, 2 * Fh - 1), 0xFFFFFFu);
}

TEST_F(EditTextTest, SelectionOutsideTheTextIsIgnoredAndLongOnesAreShortened) {
  RECT r{0, 0, 10 * Cw, 2 * Fh};
  EditTextOut(DC(), "abc", r, 0, 0, 0, clWhite, clBlue, 2, 4, 0);  // starts beyond the length
  RefText(0, 0, "abc");
  EXPECT_EQ(FirstDifference().x, -1);
  Clear(A.get());
  EditTextOut(DC(), "abc", r, 0, 0, 0, clWhite, clBlue, 2, -1, 0);
  EXPECT_EQ(FirstDifference().x, -1);
  EditTextOut(DC(), "abc", r, 0, 0, 0, clWhite, clBlue, 100, 2, 0);  // shortened to "c"
  EXPECT_EQ(PaintTest::Px(A.get(), 2 * Cw + 1, Fh - 1), edit_test::Rgb(0, 0, 255));
  EXPECT_EQ(PaintTest::Px(A.get(), 3 * Cw + 1, Fh - 1), 0xFFFFFFu);
}

TEST_F(EditTextTest, ExpandedTabsAreDrawnAtTheTabStopsAndSelectedThere) {
  TEXTMETRIC tm{};
  GetTextMetrics(DC(), &tm);
  const int tab = 8 * tm.tmAveCharWidth;
  RECT r{0, 0, 30 * Cw, 2 * Fh};
  EditTextOut(DC(), "a\tb", r, 0, 0, 0, clWhite, clBlue, 1, 2, TOF_EXPANDTABS);  // "b" selected
  EXPECT_EQ(PaintTest::Px(A.get(), tab + 1, Fh - 1), edit_test::Rgb(0, 0, 255));
  EXPECT_EQ(PaintTest::Px(A.get(), tab - 1, Fh - 1), 0xFFFFFFu);
  EXPECT_EQ(PaintTest::Px(A.get(), tab + Cw + 1, Fh - 1), 0xFFFFFFu);
  Clear(A.get());
  r = RECT{0, 0, 30 * Cw, 2 * Fh};
  EditTextOut(DC(), "a\tb", r, 0, 0, 0, clWhite, clBlue, 0, 0, TOF_EXPANDTABS);
  RefText(0, 0, "a");
  RefText(tab, 0, "b");
  EXPECT_EQ(FirstDifference().x, -1);
}

TEST_F(EditTextTest, PushAndPopClipRestoreTheClipRegion) {
  HRGN saved = PushClipRect(DC(), RECT{0, 0, 5, 5});
  EXPECT_EQ(saved, nullptr);  // there was none
  HRGN inner = PushClipRect(DC(), RECT{2, 2, 10, 10});
  ASSERT_NE(inner, nullptr);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  const RECT all{0, 0, 20, 20};
  FillRect(DC(), &all, black);
  PopClipRgn(DC(), inner);
  EXPECT_EQ(inner, nullptr);
  PopClipRgn(DC(), saved);
  FillRect(DC(), &all, black);  // no clip any more
  DeleteObject(black);
  EXPECT_EQ(PaintTest::Px(A.get(), 15, 15), 0u);
  A->Canvas()->Brush()->SetStyle(bsSolid);
  A->Canvas()->FillRect(RECT{0, 0, W, H});
  saved = PushClipRect(DC(), RECT{0, 0, 5, 5});
  inner = PushClipRect(DC(), RECT{2, 2, 10, 10});
  black = CreateSolidBrush(RGB(0, 0, 0));
  FillRect(DC(), &all, black);
  DeleteObject(black);
  PopClipRgn(DC(), inner);
  PopClipRgn(DC(), saved);
  EXPECT_EQ(PaintTest::Px(A.get(), 3, 3), 0u);
  EXPECT_EQ(PaintTest::Px(A.get(), 6, 3), 0xFFFFFFu);  // outside the first clip
  EXPECT_EQ(PaintTest::Px(A.get(), 1, 1), 0xFFFFFFu);  // outside the second
}

// Seeded random texts (Latin, Cyrillic, blanks, tabs, line ends, stray bytes) through every mode: the rows
// follow each other through the text, start on character boundaries, count their offsets in code points,
// and breaking always ends.
TEST_F(EditTextTest, RandomTextsBreakIntoConsistentRows) {
  std::mt19937 rng(20261211);
  const char* pieces[] = {"a", "bb", "ж", "ёё", " ", "  ", "\t", "\r\n", "\n", "\r", "word", "\xC3", "\x80"};
  const uint32_t flagChoices[] = {0,
                                  TOF_WORDBREAK,
                                  TOF_WORDBREAK | TOF_CHARBREAK,
                                  TOF_JUSTIFY | TOF_WORDBREAK,
                                  TOF_DISTRIBUTE,
                                  TOF_SINGLELINE | TOF_END_ELLIPSIS,
                                  TOF_WORDBREAK | TOF_END_ELLIPSIS,
                                  TOF_WORDBREAK | TOF_FULLROWS | TOF_CENTER_VERT,
                                  TOF_WORDBREAK | TOF_EXPANDTABS | TOF_CHARBREAK,
                                  TOF_CALCRECT | TOF_WORDBREAK};
  for (int iteration = 0; iteration < 400; ++iteration) {
    String text;
    const int n = static_cast<int>(rng() % 30);
    for (int k = 0; k < n; ++k) text += pieces[rng() % std::size(pieces)];
    const uint32_t flags = flagChoices[rng() % std::size(flagChoices)];
    const RECT r{0, 0, static_cast<LONG>(rng() % (12 * Cw)), static_cast<LONG>(rng() % (6 * Fh))};
    const int maxLines = static_cast<int>(rng() % 4);
    SCOPED_TRACE(iteration);
    const TcxEditTextParams p = Params(flags);
    int32_t count = 0;
    BreakEditTextRows(DC(), text, r, maxLines, count, FRows, p);
    ASSERT_LE(count, static_cast<int32_t>(FRows.size()));
    const char* prevEnd = text.data();
    for (int32_t i = 0; i < count; ++i) {
      const TcxEditTextRow& row = FRows[i];
      const auto start = static_cast<size_t>(row.Start - text.data());
      ASSERT_GE(row.Start, prevEnd);
      ASSERT_LE(start + static_cast<size_t>(row.ByteLength), text.size());
      EXPECT_TRUE(Utf8IsBoundary(text, start));
      EXPECT_TRUE(Utf8IsBoundary(text, start + static_cast<size_t>(row.ByteLength)));
      EXPECT_EQ(row.Offset, Utf8CodePointIndex(text, start));
      EXPECT_GE(row.Breaks, 0);
      prevEnd = row.Start + row.ByteLength;
    }
    // Drawing the same text never fails either.
    RECT out = r;
    EditTextOut(DC(), text, out, 0, 0, maxLines, clWhite, clBlue, static_cast<int32_t>(rng() % 5),
                static_cast<int32_t>(rng() % 8) - 2, flags);
  }
}

// A board of layouts, framed, for a person to look at: word wrap, right alignment, justification, an end
// ellipsis on a wrapped and on a single line, a selection across a line end, centring both ways.
TEST_F(EditTextTest, LayoutBoardPicture) {
  Owned<TBitmap> board(New<TBitmap>());
  const int cellW = 14 * Cw + 8, cellH = 4 * Fh + 8;
  board->SetSize(3 * cellW, 3 * cellH);
  TCanvas* c = board->Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(RECT{0, 0, board->Width(), board->Height()});
  c->Font()->SetName("Courier New");
  c->Font()->SetHeight(-13);
  c->Font()->SetColor(clBlack);
  struct Cell {
    const char* text;
    uint32_t flags;
    int maxLines;
    int selStart, selLength;
  };
  const Cell cells[] = {
      {"one two three four five six seven", TOF_WORDBREAK, 0, 0, 0},
      {"one two three four five six seven", TOF_WORDBREAK | TOF_RIGHT, 0, 0, 0},
      {"one two three four five six seven", TOF_JUSTIFY | TOF_WORDBREAK, 0, 0, 0},
      {"one two three four five six seven eight nine ten eleven", TOF_WORDBREAK | TOF_END_ELLIPSIS, 0, 0, 0},
      {"a single line\r\nthat is far too long", TOF_SINGLELINE | TOF_END_ELLIPSIS, 0, 0, 0},
      {"aaa bbb ccc ddd eee fff ggg hhh", TOF_WORDBREAK | TOF_CENTER_VERT | TOF_END_ELLIPSIS | TOF_FULLROWS, 2, 0, 0},
      {"first line\r\nsecond line\r\nthird", 0, 0, 6, 10},
      {"1st\r\n2nd\r\n3rd\r\n4th\r\n5th", TOF_END_ELLIPSIS | TOF_CENTER_HORZ, 0, 0, 0},
      {"Текст по-русски переносится по словам", TOF_WORDBREAK | TOF_CHARBREAK, 0, 0, 0},
  };
  for (int i = 0; i < 9; ++i) {
    const int x = (i % 3) * cellW, y = (i / 3) * cellH;
    c->Brush()->SetColor(clSilver);
    c->FrameRect(RECT{x + 3, y + 3, x + cellW - 3, y + cellH - 3});
    RECT r{x + 4, y + 4, x + cellW - 4, y + cellH - 4};
    c->Brush()->SetStyle(bsClear);
    EditTextOutOnCanvas(c, cells[i].text, r, 0, 0, cells[i].maxLines, clWhite, clNavy, cells[i].selLength,
                        cells[i].selStart, cells[i].flags);
    c->Brush()->SetStyle(bsSolid);
  }
  edit_test::WriteArtifact(board.get(), "edit-text-layout");
  SUCCEED();
}

}  // namespace
