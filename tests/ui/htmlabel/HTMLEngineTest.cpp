// The HTML engine: entities, the plain text, line breaking, alignment, lists, links, ellipsis, images,
// colours and gradient bands, laid out over a fixed-pitch font.

#include "HTMLabelSupport.h"
#include "../../support/MutationLoop.h"
#include "forms/ImgList.h"
#include "rtl/Streams.h"

using namespace htmlabel_test;

TEST(HTMLEntities, DecodeToUtf8InOnePass) {
  struct Case {
    const char* In;
    const char* Out;
  };
  const Case cases[] = {
      {"&euro;", "\xE2\x82\xAC"},
      {"&amp;quot;", "&quot;"},          // one pass: what an entity gives is not read again
      {"&amp;lt;B&amp;gt;", "&lt;B&gt;"},
      {"&AMP;", "&"},
      {"a&amp;b", "a&b"},
      {"&quot;x&quot;", "\"x\""},
      {"&copy;&reg;&trade;", "\xC2\xA9\xC2\xAE\xE2\x84\xA2"},
      {"&sect;&para;&permil;", "\xC2\xA7\xC2\xB6\xE2\x80\xB0"},
      {"&lt;&gt;&nbsp;", "<> "},
      {"&unknown; &amp &", "&unknown; &amp &"},
      {"&&amp;;", "&&;"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeHTMLEntities(c.In), c.Out) << c.In;
}

TEST(HTMLColors, NamesAndHexValues) {
  struct Case {
    const char* In;
    TColor Out;
  };
  const Case cases[] = {
      {"#FF0000", RGB(255, 0, 0)}, {"#00FF80", RGB(0, 255, 128)}, {"CLRED", RGB(255, 0, 0)},
      {"clTeal", RGB(0, 128, 128)}, {"CLBTNFACE", clBtnFace},     {"clInfoBk", clInfoBk},
      {"CLNOSUCH", clBlack},        {"#12", clBlack},              {"#GG0000", clBlack}, {"", clBlack},
  };
  for (const Case& c : cases) EXPECT_EQ(HTMLColor(c.In), c.Out) << c.In;
}

TEST(HTMLPlainText, BreaksHiddenTextAndTags) {
  struct Case {
    const char* In;
    const char* Out;
  };
  const Case cases[] = {
      {"a<br>b<HR>c", "a\r\nb\r\nc"},
      {"<B>bold</B> <A href=\"x\">link</A>", "bold link"},
      {"show<Z>hidden</Z>n<z>x</z>", "shown"},
      {"open <b", "open "},
  };
  for (const Case& c : cases) EXPECT_EQ(HTMLToPlainText(c.In), c.Out) << c.In;
}

TEST_F(EngineTest, PlainTextOfARun) {
  struct Case {
    const char* In;
    const char* Out;
  };
  const Case cases[] = {
      {"hello <B>world</B>", "hello world"},
      {"x<BR>y", "x\ry"},
      {"a\r\nb", "a\rb"},
      {"<Z>hid</Z>v", "hidv"},
      {"&lt;B&gt;bold?", "<B>bold?"},
      {"a&amp;lt;b", "a&lt;b"},
      {"1 &euro;", "1 \xE2\x82\xAC"},
      {"<#tag>x", "#tagx"},
  };
  for (const Case& c : cases) {
    THTMLRenderInput in = Input(c.In, 40);
    in.MeasureOnly = true;
    EXPECT_EQ(Run(in).StripVal, c.Out) << c.In;
  }
}

// Widths and heights in characters and lines of the fixed font.
TEST_F(EngineTest, LineBreakingTable) {
  struct Case {
    const char* In;
    int Width;  // characters
    bool Wrap;
    int XSize;  // characters
    int Lines;
  };
  const Case cases[] = {
      {"hello", 20, true, 5, 1},
      {"aaaa bbbb cccc", 10, true, 9, 2},      // "aaaa " then "bbbb cccc"
      {"aa bb cc", 4, true, 2, 3},             // every word on its own line
      {"aa&nbsp;bb cc", 4, true, 5, 2},        // "&nbsp;" keeps its neighbours together
      {"averyverylongword x", 5, true, 17, 2},  // a word wider than the line stays alone
      {"bo<B></B>ld", 3, true, 4, 1},          // a word split by a tag is not broken
      {"a<BR>b<BR><BR>c", 20, true, 1, 4},
      {"a<HR>b", 20, true, 1, 2},
      {"aaaa bbbb cccc", 10, false, 14, 1},    // no word wrap: one line
      {"", 10, true, 0, 1},                   // an empty text is one line high
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    THTMLRenderInput in = Input(c.In, c.Width);
    in.WordWrap = c.Wrap;
    in.MeasureOnly = true;
    const auto out = Run(in);
    EXPECT_EQ(out.XSize, c.XSize * Cw);
    EXPECT_EQ(out.YSize, c.Lines * Lh);
  }
}

TEST_F(EngineTest, FontSizes) {
  auto heightAt = [&](int points) {
    Owned<TFont> f(New<TFont>());
    f->Assign(Canvas()->Font());
    f->SetSize(points);
    Owned<TBitmap> b(New<TBitmap>());
    b->SetSize(10, 10);
    b->Canvas()->Font()->Assign(f.get());
    return b->Canvas()->TextHeight("gh");
  };
  struct Case {
    const char* In;
    int Points;
  };
  const Case cases[] = {{"<FONT size=\"1\">x</FONT>", 8},   {"<FONT size=\"3\">x</FONT>", 12},
                        {"<FONT size=\"5\">x</FONT>", 16},  {"<FONT size=\"20\">x</FONT>", 20},
                        {"<FONT size=\"99999999\">x</FONT>", 144}};
  for (const Case& c : cases) {
    THTMLRenderInput in = Input(c.In, 40);
    in.MeasureOnly = true;
    EXPECT_EQ(Run(in).YSize, std::max(Lh, heightAt(c.Points))) << c.In;
  }
}

// Where a link lands shows where its line was placed.
TEST_F(EngineTest, LinksAlignmentAndHitRectangles) {
  struct Case {
    const char* In;
    int Width;     // characters
    int X, Y;      // the point, in characters and lines (centre of that cell)
    const char* Anchor;
    int Link;
    int Left, Top, Right, Bottom;  // the link's rectangle in characters and lines
  };
  const Case cases[] = {
      {"ab <A href=\"one\">cd</A>", 20, 3, 0, "one", 1, 3, 0, 5, 1},
      {"ab <A href=\"one\">cd</A>", 20, 1, 0, "", -1, 0, 0, 0, 0},
      {"<A href=\"a\">x</A> <A href=\"Case\">y</A>", 20, 2, 0, "Case", 2, 2, 0, 3, 1},
      {"<P align=\"center\"><A href=\"c\">ab</A>", 20, 9, 0, "c", 1, 9, 0, 11, 1},
      // the closing P ends the line but not the centring
      {"<P align=\"center\">abcd</P><A href=\"c\">ab</A>", 20, 9, 1, "c", 1, 9, 1, 11, 2},
      {"<P align=\"right\"><A href=\"r\">ab</A>", 20, 18, 0, "r", 1, 18, 0, 20, 1},
      {"<P align=\"right\">x</P><P align=\"left\"><A href=\"l\">ab</A>", 20, 0, 1, "l", 1, 0, 1, 2, 2},
      // a link over two lines: its rectangle starts at the left of the second line
      {"aaaa <A href=\"t\">bbbb cccc</A>", 12, 1, 1, "t", 1, 0, 0, 4, 2},
      {"<A href=\"x?a=1&amp;b=2\">q</A>", 20, 0, 0, "x?a=1&b=2", 1, 0, 0, 1, 1},
      // lists: one bullet place of 12 pixels per level, and 12 more before the text
      {"<UL><LI><A href=\"1\">one</A><UL><LI><A href=\"2\">two</A></UL></UL>", 20, -1, 1, "1", 1, -1, 1, -1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    THTMLRenderInput in = Input(c.In, c.Width);
    in.CheckOnly = true;
    in.XPos = c.X * Cw + Cw / 2;
    in.YPos = c.Y * Lh + Lh / 2;
    if (c.X < 0) in.XPos = 24 + Cw / 2;  // the first item's text starts 24 pixels in
    const auto out = Run(in);
    EXPECT_EQ(out.AnchorVal, c.Anchor);
    EXPECT_EQ(out.MouseLink, c.Link);
    if (c.Link > 0 && c.Left >= 0) {
      EXPECT_EQ(out.HoverRect.left, c.Left * Cw);
      EXPECT_EQ(out.HoverRect.top, c.Top * Lh);
      EXPECT_EQ(out.HoverRect.right, c.Right * Cw);
      EXPECT_EQ(out.HoverRect.bottom, c.Bottom * Lh);
    } else if (c.Link > 0) {
      EXPECT_EQ(out.HoverRect.left, 24);
      EXPECT_EQ(out.HoverRect.right, 24 + 3 * Cw);
    }
  }
}

TEST_F(EngineTest, NestedListsIndentTwelvePixelsPerLevelWithTheirBullets) {
  const String html = "<UL><LI><A href=\"1\">one</A><UL><LI><A href=\"2\">two</A></UL></UL>";
  THTMLRenderInput in = Input(html, 30);
  in.XPos = 36 + Cw / 2;
  in.YPos = 2 * Lh + Lh / 2;
  const auto out = Run(in);
  EXPECT_EQ(out.AnchorVal, "2");
  EXPECT_EQ(out.HoverRect.left, 36);  // level 2: bullet at 24, text 12 after it
  EXPECT_EQ(out.YSize, 3 * Lh);       // the list's opening line, then one line per item
  auto inked = [&](int x0, int x1, int line) {
    int n = 0;
    for (int y = line * Lh; y < (line + 1) * Lh; ++y)
      for (int x = x0; x < x1; ++x) n += Px(x, y) != Rgb(255, 255, 255);
    return n;
  };
  EXPECT_GT(inked(12, 24, 1), 0);  // the filled bullet of level 1
  EXPECT_EQ(inked(0, 12, 1), 0);
  EXPECT_GT(inked(24, 36, 2), 0);  // the "o" of level 2
  EXPECT_EQ(inked(0, 24, 2), 0);
}

TEST_F(EngineTest, EllipsisEndsTheOnlyLineAndDropsTheRest) {
  THTMLRenderInput in = Input("aaaa <B>bbbb</B> cccc<BR>next", 8);
  in.WordWrap = false;
  const auto out = Run(in);
  EXPECT_EQ(out.YSize, Lh);
  EXPECT_EQ(out.StripVal, "aaaa bbbb");
  // Nothing is drawn right of the rectangle.
  for (int y = 0; y < Lh; ++y)
    for (int x = 8 * Cw; x < 20 * Cw; ++x) ASSERT_EQ(Px(x, y), Rgb(255, 255, 255)) << x << "," << y;
  // The overflowing word ends in an ellipsis: ink reaches the last character cell.
  int inkLastCell = 0;
  for (int y = 0; y < Lh; ++y)
    for (int x = 7 * Cw; x < 8 * Cw; ++x) inkLastCell += Px(x, y) != Rgb(255, 255, 255);
  EXPECT_GT(inkLastCell, 0);
}

TEST_F(EngineTest, ImagesTooWideForTheRestOfALineMoveDown) {
  auto bmpItem = [](TPictureContainer* c, const char* name, int w, int h) {
    Owned<TBitmap> b(New<TBitmap>());
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
    TStringStream s;
    b->SaveToStream(&s);
    s.SetPosition(0);
    TPictureItem* item = c->Items()->Add();
    item->SetName(name);
    item->Picture()->LoadFromStream(&s);
  };
  Owned<TPictureContainer> pc(New<TPictureContainer>(nullptr));
  const int room = 6 * Cw;
  bmpItem(pc.get(), "fits", 4 * Cw, 10);
  bmpItem(pc.get(), "narrow", 5 * Cw, 10);
  bmpItem(pc.get(), "wide", 8 * Cw, 10);
  struct Case {
    const char* In;
    int Lines;  // lines of text height (the pictures are lower than the text)
    int ImageLine;
    int ImageLeft;  // characters
  };
  const Case cases[] = {
      {"ab<A href=\"i\"><IMG src=\"fits\"></A>", 1, 0, 2},
      {"ab<A href=\"i\"><IMG src=\"narrow\"></A>", 2, 1, 0},  // too wide for the rest: next line
      {"ab<A href=\"i\"><IMG src=\"wide\"></A>", 1, 0, 2},    // wider than the whole line: stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    THTMLRenderInput in = Input(c.In, 6);
    in.R.right = room;
    in.Container = pc.get();
    in.CheckOnly = true;
    in.XPos = c.ImageLeft * Cw + 1;
    in.YPos = (c.ImageLine + 1) * Lh - 2;
    const auto out = Run(in);
    EXPECT_EQ(out.YSize, c.Lines * Lh);
    EXPECT_EQ(out.AnchorVal, "i");
    EXPECT_EQ(out.HoverRect.left, c.ImageLeft * Cw);
  }
}

TEST_F(EngineTest, ColoursOfTextLinksAndBackgrounds) {
  THTMLRenderInput in = Input("<P bgcolor=\"#00FF00\">x</P><FONT bgcolor=\"clYellow\">y</FONT>", 20);
  Run(in);
  EXPECT_EQ(Px(15 * Cw, Lh / 2), Rgb(0, 255, 0));   // the paragraph's band spans the width
  EXPECT_EQ(Px(Cw / 4, Lh + 1), Rgb(255, 255, 0));  // behind the font's word
  EXPECT_EQ(Px(2 * Cw, Lh + 1), Rgb(255, 255, 255));
  // Red, link blue and black ink on their own lines (underlined, so that every colour has solid pixels
  // besides the smoothed glyph edges).
  Clear();
  Run(Input("<U><FONT color=\"clRed\">WWW</FONT></U><BR><A href=\"x\">WWW</A><BR><U>WWW</U>", 20));
  auto has = [&](int line, uint32_t color) {
    for (int y = line * Lh; y < (line + 1) * Lh; ++y)
      for (int x = 0; x < 3 * Cw; ++x)
        if (Px(x, y) == color) return true;
    return false;
  };
  EXPECT_TRUE(has(0, Rgb(255, 0, 0)));
  EXPECT_TRUE(has(1, Rgb(0, 0, 255)));
  EXPECT_FALSE(has(1, Rgb(0, 0, 0)));
  EXPECT_TRUE(has(2, Rgb(0, 0, 0)));
  EXPECT_FALSE(has(2, Rgb(0, 0, 255)));
}

TEST_F(EngineTest, GradientBands) {
  FillGradientBands(Canvas(), RGB(0, 0, 0), RGB(200, 100, 40), true, RECT{0, 0, 8, 4}, 4);
  // Band i has from + round(i * (to - from) / n); bands start at round(i * width / n).
  const uint32_t expected[] = {Rgb(0, 0, 0), Rgb(50, 25, 10), Rgb(100, 50, 20), Rgb(150, 75, 30)};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Px(x, 2), expected[x / 2]) << x;
  EXPECT_EQ(Px(8, 2), Rgb(255, 255, 255));
  FillGradientBands(Canvas(), RGB(0, 0, 0), RGB(0, 0, 200), false, RECT{20, 0, 22, 10}, 2);
  EXPECT_EQ(Px(20, 0), Rgb(0, 0, 0));
  EXPECT_EQ(Px(21, 9), Rgb(0, 0, 100));
  EXPECT_EQ(Px(22, 9), Rgb(255, 255, 255));
}

TEST_F(EngineTest, TheRunLeavesTheCanvasFontAndBrushAsItFoundThem) {
  Canvas()->Brush()->SetColor(clAqua);
  Run(Input("<B><I><FONT face=\"Arial\" size=\"5\" color=\"clRed\" bgcolor=\"clLime\">x", 20));
  EXPECT_EQ(Canvas()->Font()->Name(), "Courier New");
  EXPECT_EQ(Canvas()->Font()->Height(), -13);
  EXPECT_EQ(Canvas()->Font()->Color(), clBlack);
  EXPECT_TRUE(Canvas()->Font()->Style().Empty());
  EXPECT_EQ(Canvas()->Brush()->Color(), clAqua);
  EXPECT_EQ(Canvas()->Brush()->Style(), bsSolid);
}

// Damaged texts: every run ends, in bounded time, without a sanitizer report.
TEST_F(EngineTest, FuzzedTextsNeitherCrashNorHang) {
  const std::string sample =
      "<BODY bgcolor=\"#E0E0FF\" bgcolorto=\"clWhite\" dir=\"v\"><P align=\"center\" indent=\"4\">"
      "<FONT face=\"Arial\" size=\"4\" color=\"#0000A0\"><B>Title</B></FONT></P>"
      "<SHAD>shadow</SHAD> <U>u</U> <S>s</S> <I>i</I> x<SUB>2</SUB> y<SUP>3</SUP> <E>wrnog</E> <HI>hi</HI>"
      "<BLINK>b</BLINK> <Z>hidden</Z> &amp;&lt;&gt;&euro;&nbsp;&quot;&copy;<BR>"
      "<UL><LI>one<LI>two<UL><LI><A href=\"http://example.org\">link</A></UL></UL>"
      "<IND x=\"40\">ind <IMG src=\"idx:1\" align=\"middle\"><IMG src=\"pic\" width=\"20\" height=\"10\">"
      "<IMG src=\"http://h/x.gif\" alt=\"other\"><R a=\"90\">r</R><HR>"
      "<P bgcolor=\"clYellow\" bgcolorto=\"clRed\">para</P><A href=\"mailto:a@b\">mail</A> end";
  THTMLPictureCache cache;
  for (const bool wrap : {true, false}) {
    mutation::Limits limits;
    limits.Inputs = 2500;
    limits.Seed = wrap ? 29 : 30;
    mutation::Run(
        sample,
        [&](const std::string& html) {
          THTMLRenderInput in = Input(html, 30);
          in.WordWrap = wrap;
          in.Cache = &cache;
          in.XPos = 37;
          in.YPos = 21;
          in.HoverLink = 1;
          in.HoverStyle = true;
          in.HoverColor = clYellow;
          in.HoverFontColor = clRed;
          Run(in);
          in.MeasureOnly = true;
          in.R.bottom += 65535;
          Run(in);
          HTMLToPlainText(html);
        },
        limits);
  }
  cache.FreePictures();
}

TEST_F(EngineTest, RotatedTextTurnsAboutTheWordsTopLeftCorner) {
  auto ink = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Px(x, y) != Rgb(255, 255, 255);
    return n;
  };
  ASSERT_GT(3 * Cw, Lh + 2);
  const auto plain = Run(Input("<BR><BR><BR>WWW", 20));
  EXPECT_GT(ink(Lh + 2, 3 * Lh, 3 * Cw, 4 * Lh), 0);
  EXPECT_EQ(ink(0, 0, 3 * Cw, 3 * Lh), 0);
  Clear();
  const auto turned = Run(Input("<BR><BR><BR><R a=\"90\">WWW</R>", 20));
  EXPECT_EQ(turned.XSize, plain.XSize);  // the layout keeps the unrotated extent
  EXPECT_EQ(ink(Lh + 2, 3 * Lh, 3 * Cw, 4 * Lh), 0);  // nothing to the right of the upright column
  EXPECT_GT(ink(0, 3 * Lh - 3 * Cw, Lh, 3 * Lh), 0);  // the text rises from its line's top
}

TEST_F(EngineTest, ImageListPicturesByIndex) {
  Owned<TImageList> images(New<TImageList>(nullptr));
  images->SetWidth(20);
  images->SetHeight(20);
  Owned<TBitmap> red(New<TBitmap>());
  red->SetSize(20, 20);
  red->Canvas()->Brush()->SetColor(clRed);
  red->Canvas()->FillRect(RECT{0, 0, 20, 20});
  images->Add(red.get(), nullptr);
  struct Case {
    const char* In;
    int XSize, YSize;
    bool Drawn;
  };
  const Case cases[] = {
      {"<IMG src=\"idx:0\">", 20, 20, true},
      {"<IMG src=\"IDX:0\">ab", 20 + 2 * Cw, 20, true},
      {"<IMG src=\"idx:1\">", 0, Lh, false},   // no such image: nothing, no room
      {"<IMG src=\"idx:-1\">", 0, Lh, false},
      {"<IMG src=\"idx:x\">", 0, Lh, false},
      {"<IMG src=\"ssys:1\">", 0, Lh, false},  // no shell icons here
  };
  ASSERT_LT(Lh, 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    Clear();
    THTMLRenderInput in = Input(c.In, 20);
    in.Images = images.get();
    const auto out = Run(in);
    EXPECT_EQ(out.XSize, c.XSize);
    EXPECT_EQ(out.YSize, c.YSize);
    EXPECT_EQ(Px(10, 10) == Rgb(255, 0, 0), c.Drawn);
  }
}
