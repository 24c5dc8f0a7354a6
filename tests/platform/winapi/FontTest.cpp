// Fonts: realisation of logical fonts, metrics, extents and the font objects.

#include "TextSupport.h"

namespace tt {
namespace {

using FontTest = TextTest;

TEST_F(FontTest, HeightsOfDejaVuSans) {
  // Negative heights are the character height, positive ones the cell height.
  struct Case {
    int height, tmHeight, ascent, descent, internalLeading;
  } cases[] = {{-11, 13, 10, 3, 2}, {13, 13, 10, 3, 2}, {-16, 19, 15, 4, 3}, {19, 19, 15, 4, 3}, {-32, 38, 30, 8, 6}};
  for (const Case& c : cases) {
    HFONT f = MakeFont(c.height);
    HGDIOBJ old = SelectObject(dc, f);
    TEXTMETRIC tm = Metrics();
    EXPECT_EQ(tm.tmHeight, c.tmHeight) << c.height;
    EXPECT_EQ(tm.tmAscent, c.ascent) << c.height;
    EXPECT_EQ(tm.tmDescent, c.descent) << c.height;
    EXPECT_EQ(tm.tmInternalLeading, c.internalLeading) << c.height;
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    SIZE sz{};
    GetTextExtentPoint32(dc, "Ag", 2, &sz);
    EXPECT_EQ(sz.cy, tm.tmHeight);
    SelectObject(dc, old);
    DeleteObject(f);
  }
}

TEST_F(FontTest, ExtentsAddUpByCodePoint) {
  const char* pairs[][2] = {{"a", "b"}, {"Hello", " World"}, {"W", "AV"}, {"\xD0\x96", "\xD1\x83\xD0\xBA"}};
  for (auto& p : pairs) {
    std::string both = std::string(p[0]) + p[1];
    EXPECT_EQ(W(both.c_str()), W(p[0]) + W(p[1])) << both;
  }
  int zh = 0, u = 0, k = 0;
  GetCharWidth32(dc, 0x416, 0x416, &zh);
  GetCharWidth32(dc, 0x443, 0x443, &u);
  GetCharWidth32(dc, 0x43A, 0x43A, &k);
  EXPECT_GT(zh, 0);
  EXPECT_EQ(W("\xD0\x96\xD1\x83\xD0\xBA"), zh + u + k);  // three code points in six bytes
  int widths[3] = {};
  GetCharWidth32(dc, 'a', 'c', widths);
  EXPECT_EQ(widths[0], W("a"));
  EXPECT_EQ(widths[2], W("c"));
}

TEST_F(FontTest, ExtentExPointFitsWholeCodePoints) {
  const char* text = "\xD0\x96\xD1\x83\xD0\xBA!";  // "Жук!"
  int fit = -1, dx[7] = {};
  SIZE sz{};
  ASSERT_TRUE(GetTextExtentExPoint(dc, text, 7, W("\xD0\x96\xD1\x83") + 1, &fit, dx, &sz));
  EXPECT_EQ(fit, 4);
  EXPECT_EQ(sz.cx, W(text));
  EXPECT_EQ(dx[0], W("\xD0\x96"));
  EXPECT_EQ(dx[1], dx[0]);
  EXPECT_EQ(dx[3], W("\xD0\x96\xD1\x83"));
  EXPECT_EQ(dx[6], sz.cx);
  GetTextExtentExPoint(dc, "abc", 3, 0, &fit, nullptr, &sz);
  EXPECT_EQ(fit, 0);
}

TEST_F(FontTest, WeightItalicAndMapping) {
  int normal = W("Hello world");
  HFONT bold = MakeFont(-11, FW_BOLD);
  SelectObject(dc, bold);
  EXPECT_GT(W("Hello world"), normal);
  EXPECT_EQ(Metrics().tmWeight, FW_BOLD);
  HFONT italic = MakeFont(-11, FW_NORMAL, "DejaVu Sans", 0, true);
  SelectObject(dc, italic);
  EXPECT_EQ(Metrics().tmItalic, 1);
  // The platform's face names stand in with installed fonts that draw Cyrillic.
  for (const char* face : {"MS Sans Serif", "Tahoma", "Arial", "Verdana", "Segoe UI", "Times New Roman", "Courier New"}) {
    HFONT f = MakeFont(-11, FW_NORMAL, face);
    SelectObject(dc, f);
    int zh = 0;
    GetCharWidth32(dc, 0x416, 0x416, &zh);
    EXPECT_GT(zh, 0) << face;
    char name[32] = {};
    GetTextFace(dc, sizeof name, name);
    EXPECT_STREQ(name, face);
    SelectObject(dc, font);
    DeleteObject(f);
  }
  HFONT mono = MakeFont(-11, FW_NORMAL, "Courier New");
  SelectObject(dc, mono);
  EXPECT_EQ(W("iiii"), W("WWWW"));
  EXPECT_EQ(Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  SelectObject(dc, font);
  EXPECT_NE(Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  DeleteObject(bold);
  DeleteObject(italic);
  DeleteObject(mono);
}

TEST_F(FontTest, ObjectsAndStockFonts) {
  LOGFONT lf{};
  lf.lfHeight = -13;
  lf.lfWeight = FW_BOLD;
  lf.lfUnderline = 1;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT f = CreateFontIndirect(&lf);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetObjectType(f), OBJ_FONT);
  LOGFONT back{};
  EXPECT_EQ(GetObject(f, sizeof back, &back), static_cast<int>(sizeof back));
  EXPECT_EQ(back.lfHeight, -13);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  EXPECT_EQ(back.lfUnderline, 1);
  EXPECT_STREQ(back.lfFaceName, "Arial");
  EXPECT_EQ(SelectObject(dc, f), static_cast<HGDIOBJ>(font));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), static_cast<HGDIOBJ>(f));
  EXPECT_EQ(SelectObject(dc, font), static_cast<HGDIOBJ>(f));
  EXPECT_TRUE(DeleteObject(f));
  EXPECT_EQ(GetObjectType(f), 0u);

  for (int stock : {SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT, ANSI_FIXED_FONT}) {
    HGDIOBJ s = GetStockObject(stock);
    ASSERT_NE(s, nullptr) << stock;
    EXPECT_EQ(GetObjectType(s), OBJ_FONT);
    EXPECT_TRUE(DeleteObject(s));  // stock objects survive
    EXPECT_EQ(GetObjectType(s), OBJ_FONT);
  }
  GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof back, &back);
  EXPECT_EQ(back.lfHeight, -11);
  // A fresh DC draws with the system font.
  HDC fresh = GetDC(wnd);
  EXPECT_EQ(GetCurrentObject(fresh, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  TEXTMETRIC tm{};
  GetTextMetrics(fresh, &tm);
  EXPECT_EQ(tm.tmHeight, 16);
  ReleaseDC(wnd, fresh);
}

TEST_F(FontTest, CharacterExtraAndJustification) {
  int plain = W("a b c");
  SetTextCharacterExtra(dc, 2);
  EXPECT_EQ(W("a b c"), plain + 10);
  SetTextCharacterExtra(dc, 0);
  SetTextJustification(dc, 7, 2);
  EXPECT_EQ(W("a b c"), plain + 7);
  SetTextJustification(dc, 0, 0);
  EXPECT_EQ(W("a b c"), plain);
}

TEST_F(FontTest, TabbedExtent) {
  int ave = Metrics().tmAveCharWidth;
  DWORD e = GetTabbedTextExtent(dc, "a\tb", 3, 0, nullptr);
  EXPECT_EQ(LOWORD(e), 8 * ave + W("b"));
  EXPECT_EQ(HIWORD(e), 13);
  int stop = 50;
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(dc, "a\tb\tc", 5, 1, &stop)), 100 + W("c"));
  int stops[] = {30, 70};
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(dc, "a\tb\tc", 5, 2, stops)), 70 + W("c"));
}

}  // namespace
}  // namespace tt
