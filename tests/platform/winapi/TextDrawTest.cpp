// DrawText geometry: measured rectangles, line and word breaks, ellipses, prefixes, tabs and alignment.

#include "TextSupport.h"

namespace tt {
namespace {

using DrawTextTest = TextTest;

TEST_F(DrawTextTest, CalcRectLines) {
  struct Case {
    const char* text;
    UINT flags;
    const char* widest;
    int lines;
  } cases[] = {
      {"Hello", DT_SINGLELINE, "Hello", 1},
      {"Hello", 0, "Hello", 1},
      {"a\r\nbb\nccc", 0, "ccc", 3},
      {"a\r\n", 0, "a", 1},          // a final line end opens no line
      {"a\r\n\r\nb", 0, "a", 3},     // an empty line in between counts
      {"ab\ncd", DT_SINGLELINE, "abcd", 1},  // line ends are no breaks on a single line
      {"", 0, "", 0},
  };
  for (const Case& c : cases) {
    int answer = -1;
    SIZE s = Calc(c.text, c.flags, 0, &answer);
    EXPECT_EQ(s.cx, W(c.widest)) << c.text;
    EXPECT_EQ(s.cy, 13 * c.lines) << c.text;
    EXPECT_EQ(answer, 13 * c.lines) << c.text;
  }
  // External leading joins the line height only on request.
  EXPECT_EQ(Calc("a\nb", DT_EXTERNALLEADING).cy, 2 * (13 + Metrics().tmExternalLeading));
}

TEST_F(DrawTextTest, WordBreaks) {
  int w = W("one two");
  SIZE s = Calc("one two three", DT_WORDBREAK, w + 2);
  EXPECT_EQ(s.cy, 26);
  EXPECT_EQ(s.cx, w);  // the blank at the break does not count
  EXPECT_EQ(Calc("one two three", DT_WORDBREAK, W("one two three")).cy, 13);
  EXPECT_EQ(Calc("one two three", DT_WORDBREAK, W("one") + 1).cy, 39);
  EXPECT_EQ(Calc("one  two", DT_WORDBREAK, W("one") + 1).cx, W("one"));
  // A word wider than the line overflows it, unless the edit control's rules break it between characters.
  int a5 = 5 * W("a");
  EXPECT_EQ(Calc("aaaaaaaaaa", DT_WORDBREAK, a5).cy, 13);
  EXPECT_EQ(Calc("aaaaaaaaaa", DT_WORDBREAK, a5).cx, 10 * W("a"));
  SIZE e = Calc("aaaaaaaaaa", DT_WORDBREAK | DT_EDITCONTROL, a5);
  EXPECT_EQ(e.cy, 26);
  EXPECT_EQ(e.cx, a5);
  EXPECT_EQ(Calc("x aaaaaaaaaa", DT_WORDBREAK | DT_EDITCONTROL, a5).cy, 39);
  // Line ends still break lines when words wrap.
  EXPECT_EQ(Calc("one\ntwo three", DT_WORDBREAK, W("two three")).cy, 26);
}

TEST_F(DrawTextTest, EllipsesModifyTheString) {
  int dots = W("...");
  struct Case {
    const char* text;
    UINT flags;
    int width;
    const char* result;
  } cases[] = {
      {"Hello World", DT_END_ELLIPSIS, W("Hel") + dots, "Hel..."},
      {"Hello World", DT_END_ELLIPSIS, W("Hel") + dots + 1, "Hel..."},
      {"Hello World", DT_END_ELLIPSIS, W("Hello World"), "Hello World"},
      {"Hello World again", DT_WORD_ELLIPSIS, W("Hello World") + dots + 2, "Hello World..."},
      {"Hello World again", DT_WORD_ELLIPSIS, W("Hello Wor") + dots, "Hello..."},
      {"C:\\Program Files\\Vendor\\file.txt", DT_PATH_ELLIPSIS, W("C:\\Pro") + dots + W("\\file.txt"),
       "C:\\Pro...\\file.txt"},
      {"\xD0\x96\xD1\x83\xD0\xBA\xD0\xB8", DT_END_ELLIPSIS, W("\xD0\x96\xD1\x83") + dots, "\xD0\x96\xD1\x83..."},
  };
  for (const Case& c : cases) {
    char buf[64] = {};
    std::strcpy(buf, c.text);
    RECT r{0, 0, c.width, 20};
    DrawText(dc, buf, -1, &r, c.flags | DT_SINGLELINE | DT_MODIFYSTRING | DT_NOPREFIX);
    EXPECT_STREQ(buf, c.result) << c.text;
    // The measured width is that of the shortened text.
    std::strcpy(buf, c.text);
    RECT m{0, 0, c.width, 0};
    DrawText(dc, buf, -1, &m, c.flags | DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(m.right, W(c.result)) << c.text;
    EXPECT_STREQ(buf, c.text);  // untouched without DT_MODIFYSTRING
  }
  // Measuring from an empty rectangle gives the natural size, ellipsis flags or not.
  EXPECT_EQ(Calc("Hello World", DT_SINGLELINE | DT_END_ELLIPSIS).cx, W("Hello World"));
}

TEST_F(DrawTextTest, Prefixes) {
  EXPECT_EQ(Calc("&File", DT_SINGLELINE).cx, W("File"));
  EXPECT_EQ(Calc("a&&b", DT_SINGLELINE).cx, W("a&b"));
  EXPECT_EQ(Calc("&File", DT_SINGLELINE | DT_NOPREFIX).cx, W("&File"));
  EXPECT_EQ(Calc("ab&", DT_SINGLELINE).cx, W("ab"));

  // The prefixed character is underlined below the baseline across its advance.
  TEXTMETRIC tm = Metrics();
  RECT r{10, 10, 200, 40};
  DrawText(dc, "F&ile", -1, &r, DT_SINGLELINE);
  int fx = 10 + W("F"), ix = fx + W("i");
  int row = -1;
  for (int y = 10 + tm.tmAscent; y < 10 + tm.tmHeight && row < 0; ++y)
    if (Px(fx, y) == 0) row = y;
  ASSERT_GT(row, 10 + tm.tmAscent - 1);
  for (int x = fx; x < ix; ++x) EXPECT_EQ(Px(x, row), 0u) << x;
  EXPECT_EQ(Px(fx - 2, row), 0xFFFFFFu);
  EXPECT_EQ(Px(ix + 1, row), 0xFFFFFFu);
  Clear();
  DrawText(dc, "F&ile", -1, &r, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(Px(fx + 1, row), 0xFFFFFFu);
  Clear();
  DrawText(dc, "F&ile", -1, &r, DT_SINGLELINE | DT_PREFIXONLY);
  RECT ink = Ink();
  EXPECT_EQ(ink.left, fx);
  EXPECT_EQ(ink.right, ix);
  EXPECT_EQ(ink.top, row);
}

TEST_F(DrawTextTest, Tabs) {
  int ave = Metrics().tmAveCharWidth;
  EXPECT_EQ(Calc("a\tb", DT_SINGLELINE | DT_EXPANDTABS).cx, 8 * ave + W("b"));
  // DT_TABSTOP takes the tab length from bits 8-15 of the format (so it cannot measure).
  RECT r{0, 0, 200, 20};
  DrawText(dc, "a\tb", -1, &r, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (4 << 8));
  EXPECT_EQ(r.right, 200);
  RECT withStop = Ink();
  Clear();
  DRAWTEXTPARAMS four{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
  char t4[] = "a\tb";
  DrawTextEx(dc, t4, -1, &r, DT_SINGLELINE | DT_EXPANDTABS, &four);
  RECT withParams = Ink();
  EXPECT_EQ(withStop.right, withParams.right);
  EXPECT_EQ(withStop.left, withParams.left);
  EXPECT_GT(withStop.right, 4 * ave);
  EXPECT_LT(withStop.right, 4 * ave + W("bb"));
  DRAWTEXTPARAMS p{sizeof(DRAWTEXTPARAMS), 2, 5, 3, 0};
  char text[] = "a\tb";
  RECT q{0, 0, 0, 0};
  DrawTextEx(dc, text, -1, &q, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT, &p);
  EXPECT_EQ(q.right, 5 + 2 * ave + W("b") + 3);
  EXPECT_EQ(p.uiLengthDrawn, 3u);
}

TEST_F(DrawTextTest, Alignment) {
  RECT r{20, 20, 220, 80};
  struct Case {
    UINT flags;
    int left, top, answer;
  } cases[] = {
      {DT_SINGLELINE, 20, 20, 13},
      {DT_SINGLELINE | DT_RIGHT, 220 - W("Hi"), 20, 13},
      {DT_SINGLELINE | DT_CENTER, 20 + (200 - W("Hi")) / 2, 20, 13},
      {DT_SINGLELINE | DT_VCENTER, 20, 20 + (60 - 13) / 2, (60 - 13) / 2 + 13},
      {DT_SINGLELINE | DT_BOTTOM, 20, 80 - 13, 60},
      {DT_VCENTER, 20, 20, 13},  // vertical alignment needs a single line
  };
  // Measure where "Hi" puts ink relative to its cell once, then compare every placement against it.
  Clear();
  RECT base{0, 0, 100, 100};
  DrawText(dc, "Hi", -1, &base, DT_SINGLELINE);
  RECT ink0 = Ink();
  for (const Case& c : cases) {
    Clear();
    RECT rc = r;
    EXPECT_EQ(DrawText(dc, "Hi", -1, &rc, c.flags), c.answer) << c.flags;
    RECT ink = Ink();
    EXPECT_EQ(ink.left - ink0.left, c.left) << c.flags;
    EXPECT_EQ(ink.top - ink0.top, c.top) << c.flags;
  }
}

TEST_F(DrawTextTest, ClippingAndPartialLines) {
  RECT r{10, 10, 10 + W("WWW"), 30};
  DrawText(dc, "WWWWWWWW", -1, &r, DT_SINGLELINE);
  EXPECT_LE(Ink().right, r.right);
  Clear();
  DrawText(dc, "WWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(Ink().right, r.right + W("WWW"));
  // The edit control's rules leave out a line that would show only partly.
  Clear();
  RECT two{10, 10, 200, 10 + 13 + 6};
  DrawText(dc, "one\ntwo", -1, &two, 0);
  EXPECT_GT(Ink().bottom, 10 + 13);
  Clear();
  DrawText(dc, "one\ntwo", -1, &two, DT_EDITCONTROL);
  EXPECT_LE(Ink().bottom, 10 + 13);
  // Word-broken text running below the rectangle ends its last whole line in an ellipsis.
  Clear();
  char buf[64] = "one two three four";
  RECT box{10, 10, 10 + W("one two") + 2, 10 + 13 + 6};
  DrawText(dc, buf, -1, &box, DT_WORDBREAK | DT_END_ELLIPSIS | DT_MODIFYSTRING);
  std::string shown = buf;
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_LE(W(buf), box.right - box.left);
}

}  // namespace
}  // namespace tt
