// The registered tab styles on real tab controls of the headless window system: registration and the
// look-and-feel defaults, measuring tables per style, geometry of the strip, the navigator, caption
// shortening, and pinned pixels of each style's selected and normal tabs; the flat style's light face
// following a change of the system colours.

#include <filesystem>
#include <memory>
#include <string>

#include "cxPCSupport.h"
#include "forms/ImgList.h"
#include "ui/pagecontrol/cxPCPaintersStandard.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

using namespace pc_test;

namespace {

inline uint32_t Rgb3(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

class StandardPaintersTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    UnregisterPainterClass(TcxPCPainterClassOf<TTestPainter>());
    RegisterStandardPCPainters();
  }
  TcxCustomTabControl* Make(TcxPCStyleID style, int w, int h, std::initializer_list<const char*> captions) {
    TcxCustomTabControl* c = MakeControl(w, h, captions);
    c->SetStyle(style);
    Idle();
    return c;
  }
  static uint32_t Px(TcxCustomTabControl* c, int x, int y) {
    c->Update();
    return headless::Pixel(c->Handle(), x, y);
  }
  static int TextWidth(TcxCustomTabControl* c, const char* s) {
    TcxCanvas* canvas = c->Painter()->Canvas();
    canvas->Font()->Assign(c->Font());
    return canvas->TextWidth(s);
  }
  static int TextHeight(TcxCustomTabControl* c) {
    TcxCanvas* canvas = c->Painter()->Canvas();
    canvas->Font()->Assign(c->Font());
    return canvas->TextHeight("Zg");
  }
  TImageList* Images(int size) {
    TImageList* images = New<TImageList>(Form);
    images->SetWidth(size);
    images->SetHeight(size);
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    b->SetSize(size, size);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(RECT{0, 0, size, size});
    for (int i = 0; i < 4; ++i) images->Add(b.get(), nullptr);
    return images;
  }
};

// ---- registration ---------------------------------------------------------------------------------------

TEST_F(StandardPaintersTest, TheFourStylesAreRegisteredInOrderWithTheirNames) {
  ASSERT_NE(PaintersFactory(), nullptr);
  const auto& classes = PaintersFactory()->PainterClasses();
  ASSERT_EQ(classes.size(), 4u);
  const struct {
    TcxPCStyleID id;
    const char* name;
    const char* cls;
    bool multiSelect, pressesLikeButtons, mirrors;
  } expected[] = {{1, "Tabs", "TcxPCTabsPainter", false, false, true},
                  {2, "Buttons", "TcxPCButtonsPainter", true, true, false},
                  {3, "FlatButtons", "TcxPCFlatButtonsPainter", true, true, false},
                  {5, "Flat", "TcxPCFlatPainter", false, false, true}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(classes[i]->GetStyleID(), expected[i].id);
    EXPECT_EQ(classes[i]->GetStyleName(), expected[i].name);
    EXPECT_STREQ(classes[i]->PainterClassName(), expected[i].cls);
    EXPECT_EQ(classes[i]->AllowsMultiSelect(), expected[i].multiSelect);
    EXPECT_EQ(classes[i]->PressesTabsLikeButtons(), expected[i].pressesLikeButtons);
    EXPECT_EQ(classes[i]->MirrorsContentForFlippedTabs(), expected[i].mirrors);
    EXPECT_TRUE(classes[i]->KeepsMainRowNextToPage());
    EXPECT_EQ(FindPainterClass(expected[i].id), classes[i]);
  }
  EXPECT_EQ(FindPainterClass(4), nullptr);
  RegisterStandardPCPainters();  // again: nothing doubles
  EXPECT_EQ(PaintersFactory()->Count(), 4);
  UnregisterStandardPCPainters();
  EXPECT_EQ(PaintersFactory(), nullptr);
}

TEST_F(StandardPaintersTest, EachLookAndFeelGetsItsStyle) {
  std::unique_ptr<TcxLookAndFeel, void (*)(TcxLookAndFeel*)> lf(New<TcxLookAndFeel>(nullptr),
                                                                [](TcxLookAndFeel* l) { l->Free(); });
  const struct {
    TcxLookAndFeelKind kind;
    bool native;
    TcxPCStyleID style;
    TcxPCStyleID defaultStyle;
  } cases[] = {{lfStandard, false, 1, 1}, {lfFlat, false, 5, 1},   {lfUltraFlat, false, 5, 1},
               {lfOffice11, false, 5, 1}, {lfStandard, true, 1, 1}, {lfUltraFlat, true, 5, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << " native " << c.native);
    lf->SetKind(c.kind);
    lf->SetNativeStyle(c.native);
    EXPECT_EQ(GetStyleForLookAndFeel(lf.get()), c.style);
    EXPECT_EQ(GetDefaultStyleID(lf.get()), c.defaultStyle);
  }
  // The application's page control: ultra-flat, style 0, takes the flat painter.
  TcxCustomTabControl* c = MakeControl(200, 100, {"One"});
  c->LookAndFeel()->SetKind(lfUltraFlat);
  Idle();
  EXPECT_NE(dynamic_cast<TcxPCFlatPainter*>(c->Painter()), nullptr);
  c->LookAndFeel()->SetKind(lfStandard);
  Idle();
  EXPECT_NE(dynamic_cast<TcxPCTabsPainter*>(c->Painter()), nullptr);
}

// ---- measuring ------------------------------------------------------------------------------------------

TEST_F(StandardPaintersTest, TabWidthsPerStyle) {
  const struct {
    TcxPCStyleID style;
    const char* caption;
    int imageSize, imageBorder, tabWidth;
    // expected = textWidth + add, at least min
    int add, min;
  } cases[] = {
      // The classic styles: caption + 12, the image part (image + 2 x border + 6), at least 42.
      {1, "Databases and backups", 0, 0, 0, 12, 42},
      {1, "Tab", 0, 0, 0, 12, 42},
      {1, "", 0, 0, 0, 0, 42},
      {2, "Backups", 8, 2, 0, 18 + 12, 42},
      {2, "Restore from the archive", 8, 2, 0, 18 + 12, 42},
      {3, "Report", 16, 0, 0, 22 + 12, 42},
      {1, "Report", 0, 0, 30, -1, 30},  // TabWidth wins, even under 42
      // Flat: caption + 9 (12 when empty), the image part is image + 2 x border + 4, no fixed minimum.
      {5, "Tab", 0, 0, 0, 9, 0},
      {5, "", 0, 0, 0, -2, 12},
      {5, "Backups", 8, 2, 0, 16 + 9, 0},
      {5, "A long caption", 0, 0, 20, -1, 20},  // TabWidth smaller than the caption
      {5, "Img", 8, 2, 10, -1, 16},              // TabWidth below the image part
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(testing::Message() << "style " << t.style << " '" << t.caption << "' image " << t.imageSize
                                    << " tab width " << t.tabWidth);
    TcxCustomTabControl* c = Make(t.style, 500, 100, {t.caption});
    if (t.imageSize) {
      c->SetImages(Images(t.imageSize));
      c->SetImageBorder(t.imageBorder);
    }
    c->SetTabWidth(static_cast<int16_t>(t.tabWidth));
    Idle();
    const int text = t.add == -2 ? 0 : TextWidth(c, t.caption);
    const int expected = t.add == -1 ? t.min : std::max(text + t.add, t.min);
    EXPECT_EQ(c->Tabs()->Tabs(0)->NormalWidth(), expected);
    c->Free();
  }
}

TEST_F(StandardPaintersTest, TabHeightsPerStyle) {
  const struct {
    TcxPCStyleID style;
    int16_t tabHeight;
    int fromText;  // text height + this
    int min;
    int expected;  // 0: max(text + fromText, min)
  } cases[] = {
      {1, 0, 8 - 3, 18, 0}, {1, 15, 8 - 3, 18, 0}, {1, 30, 0, 0, 30},   // Tabs: 15 is below the minimum
      {2, 0, 8, 20, 0},     {3, 0, 8, 20, 0},      {2, 40, 0, 0, 40},   //
      {5, 0, 8 - 4, 17, 0}, {5, 20, 8 - 4, 17, 0}, {5, 25, 0, 0, 21},  // Flat: TabHeight - 4 when >= 17
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(testing::Message() << "style " << t.style << " TabHeight " << t.tabHeight);
    TcxCustomTabControl* c = Make(t.style, 300, 100, {"One", "Two"});
    c->SetTabHeight(t.tabHeight);
    Idle();
    const int expected = t.expected ? t.expected : std::max(TextHeight(c) + t.fromText, t.min);
    EXPECT_EQ(c->Tabs()->StandardTabHeight(), expected);
    c->Free();
  }
}

TEST_F(StandardPaintersTest, AFlatTabWithAThirteenPixelFontIsSeventeenHigh) {
  TcxCustomTabControl* c = Make(5, 300, 100, {"One"});
  ASSERT_EQ(TextHeight(c), 13) << "the test font changed";
  EXPECT_EQ(c->Tabs()->StandardTabHeight(), 17);
}

// ---- geometry -------------------------------------------------------------------------------------------

TEST_F(StandardPaintersTest, StripAndPageRectanglesPerStyle) {
  const struct {
    TcxPCStyleID style;
    POINT firstTab;     // of the first (unselected) tab's cell
    int pageTopFromRow;  // page client top = first cell bottom + this
    int pageInset;       // page client left and right inset
  } cases[] = {
      {1, {2, 2}, 2, 2},  // Tabs: rows 2 in; the page frame 2 pixels from the edges
      {2, {0, 0}, 2, 0},  // Buttons: 2 pixels between rows and page, no frame
      {3, {0, 0}, 2, 0},
      {5, {6, 3}, 3, 0},  // Flat: 6 in along, 3 from the top; the page starts below the band
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.style);
    TcxCustomTabControl* c = Make(t.style, 300, 120, {"One", "Two", "Three"});
    c->SetTabIndex(2);
    Idle();
    const RECT cell = c->GetTabCellRect(0);
    EXPECT_EQ(cell.left, t.firstTab.x);
    EXPECT_EQ(cell.top, t.firstTab.y);
    const RECT page = c->GetPageClientRect();
    EXPECT_EQ(page.top, cell.bottom + t.pageTopFromRow);
    EXPECT_EQ(page.left, t.pageInset);
    EXPECT_EQ(page.right, 300 - t.pageInset);
    EXPECT_EQ(page.bottom, 120 - t.pageInset);
    c->Free();
  }
}

TEST_F(StandardPaintersTest, TheSelectedTabsGrowAsTheirStylesSay) {
  const struct {
    TcxPCStyleID style;
    RECT correction;
  } cases[] = {{1, {-2, -2, 2, 1}}, {2, {0, 0, 0, 0}}, {3, {0, 0, 0, 0}}, {5, {-1, -1, 1, 1}}};
  for (const auto& t : cases) {
    SCOPED_TRACE(t.style);
    TcxCustomTabControl* c = Make(t.style, 300, 120, {"One", "Two", "Three"});
    c->SetTabIndex(1);
    Idle();
    const RECT cell = c->GetTabCellRect(1), full = c->GetTabFullRect(1);
    EXPECT_EQ(RectStr(full), RectStr(RECT{cell.left + t.correction.left, cell.top + t.correction.top,
                                          cell.right + t.correction.right, cell.bottom + t.correction.bottom}));
    EXPECT_EQ(RectStr(c->GetTabFullRect(0)), RectStr(c->GetTabCellRect(0)));
    c->Free();
  }
}

TEST_F(StandardPaintersTest, NavigatorButtonsOfTheClassicAndTheFlatStyles) {
  const char* many[] = {"Projects", "Databases", "Backups", "Restore", "Validation", "Report", "Options"};
  const struct {
    TcxPCStyleID style;
    int areaLength;
    int buttonThickness;
  } cases[] = {{1, 52, 20}, {2, 52, 20}, {5, 17 * 3 - 2, 13}};
  for (const auto& t : cases) {
    SCOPED_TRACE(t.style);
    TcxCustomTabControl* c = Make(t.style, 260, 100, {});
    for (const char* s : many) c->Tabs()->Add(s);
    c->SetOptions(TcxPCOptions{pcoGoDialog});
    Idle();
    ASSERT_EQ(c->NavigatorButtons(), (TcxPCNavigatorButtons{nbTopLeft, nbBottomRight, nbGoDialog}));
    auto* p = dynamic_cast<TcxPCStandardPainter*>(c->Painter());
    ASSERT_NE(p, nullptr);
    const RECT area = p->NavigatorAreaBounds();
    EXPECT_EQ(area.right - area.left, t.areaLength);
    EXPECT_EQ(area.bottom - area.top, t.buttonThickness);
    // At the right end of a top strip; the go-to-page button comes first there.
    ASSERT_EQ(p->NavigatorButtonList().size(), 3u);
    EXPECT_EQ(p->NavigatorButtonList()[0].Kind, nbGoDialog);
    RECT go;
    p->GetGoDialogButtonBounds(go);
    EXPECT_EQ(RectStr(go), RectStr(p->NavigatorButtonList()[0].Bounds));
    if (t.style != 5) {
      EXPECT_EQ(go.right - go.left, 12);
    }
    TcxPCNavigatorButton hit = nbTopLeft;
    const RECT last = p->NavigatorButtonList()[2].Bounds;
    ASSERT_TRUE(p->GetNavigatorButtonAt(last.left + 2, last.top + 2, hit));
    EXPECT_EQ(hit, nbBottomRight);
    // Every tab shown whole stays left of the navigator (a last, cut tab runs on under it).
    const int32_t lastWhole = c->LastTabFitsCompletely() ? c->LastVisibleTab() : c->LastVisibleTab() - 1;
    ASSERT_GE(lastWhole, c->FirstVisibleTab());
    for (int32_t vi = c->FirstVisibleTab(); vi <= lastWhole; ++vi)
      EXPECT_LE(c->GetTabVisibleRect(vi).right, area.left) << vi;
    // The navigator is drawn over it: its frame shows at the area's left edge.
    EXPECT_NE(Px(c, area.left, area.top + 6), Rgb(clBtnFace));
    c->Free();
  }
}

TEST_F(StandardPaintersTest, ArrowGlyphsStandWhereTheStyleSays) {
  TcxCustomTabControl* c = Make(1, 200, 100, {"Projects", "Databases", "Backups", "Restore", "Report"});
  auto* p = dynamic_cast<TcxPCStandardPainter*>(c->Painter());
  ASSERT_EQ(p->NavigatorButtonList().size(), 2u);
  // The left arrow (left-top of the glyph at 6, 5) is disabled at the start: embossed in the shadow
  // colour over a light copy one pixel down and right; the right arrow (8, 5) in the button text colour.
  const RECT left = p->NavigatorButtonList()[0].Bounds, right = p->NavigatorButtonList()[1].Bounds;
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsDisabled);
  EXPECT_EQ(Px(c, left.left + 6 + 4, left.top + 5 + 4), Rgb(clBtnShadow));
  EXPECT_EQ(Px(c, left.left + 6 + 5, left.top + 5 + 9), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, right.left + 8, right.top + 5 + 4), Rgb(clBtnText));
  EXPECT_EQ(Px(c, right.left + 8 + 6, right.top + 5), Rgb(clBtnFace));
  // Raised frames: light outside on the left and top, dark on the right and bottom.
  EXPECT_EQ(Px(c, left.left, left.top + 10), Rgb(cl3DLight));
  EXPECT_EQ(Px(c, left.right - 1, left.top + 10), Rgb(cl3DDkShadow));
}

TEST_F(StandardPaintersTest, ACaptionTooWideForItsTabEndsInAnEllipsis) {
  TcxCustomTabControl* c = Make(1, 300, 100, {"Backups of the main database"});
  auto* p = dynamic_cast<TcxPCStandardPainter*>(c->Painter());
  const String caption = "Backups of the main database";
  const struct {
    int width;
  } cases[] = {{40}, {60}, {100}, {TextWidth(c, "Backups of the main database...")}};
  for (const auto& t : cases) {
    SCOPED_TRACE(t.width);
    const String s = p->ShortenCaption(caption, t.width);
    ASSERT_GE(s.size(), 4u);
    EXPECT_EQ(s.substr(s.size() - 3), "...");
    EXPECT_LE(TextWidth(c, s.c_str()), t.width);
    // One character more would not have fitted.
    const String kept = s.substr(0, s.size() - 3);
    if (kept.size() < caption.size()) {
      EXPECT_GT(TextWidth(c, (caption.substr(0, kept.size() + 1) + "...").c_str()), t.width);
    }
  }
  // Not even one character with the ellipsis: the first character alone.
  EXPECT_EQ(p->ShortenCaption(caption, 3), "B");
  // Accelerator marks stay in the text and count as what they show.
  const String withAccel = p->ShortenCaption("&Backups of the main database", TextWidth(c, "Backups..."));
  EXPECT_EQ(withAccel, "&Backups...");
}

TEST_F(StandardPaintersTest, ANarrowTabDrawsItsShortenedCaption) {
  TcxCustomTabControl* c = Make(5, 300, 100, {"Backups of the main database", "Two"});
  c->SetTabWidth(70);
  Idle();
  auto* p = dynamic_cast<TcxPCStandardPainter*>(c->Painter());
  RECT image, text;
  String s;
  p->CalculateTabContent(0, image, s, text);
  EXPECT_EQ(s.substr(s.size() - 3), "...");
  const RECT cell = c->GetTabFullRect(0);
  EXPECT_GE(text.left, cell.left);
  EXPECT_LE(text.right, cell.right);
}

// ---- pixels of the selected and the normal tabs ---------------------------------------------------------

// A y of kBelow + n reads n pixels below the tab's full rectangle.
constexpr int kBelow = 1000;

struct PixelCase {
  TcxPCStyleID style;
  int tab;          // visible index; tab 1 is the selected one
  const char* where;
  int x, y;         // from the tab's full rectangle: negative counts from its right or bottom edge
  uint32_t rgb;
};

TEST_F(StandardPaintersTest, PixelsOfSelectedAndNormalTabs) {
  const uint32_t face = Rgb3(212, 208, 200), light = Rgb3(250, 250, 250), light3d = Rgb3(230, 226, 220),
                 dark = Rgb3(64, 64, 64), shadow = Rgb3(128, 128, 128), black = 0, white = 0xFFFFFF,
                 lightFace = Rgb3(232, 228, 220);
  const PixelCase cases[] = {
      // Tabs: classic outline with cut corners; the selected tab is bigger and open towards the page.
      {1, 0, "normal: face inside", 3, 3, face},
      {1, 0, "normal: light left edge", 0, 5, light},
      {1, 0, "normal: inner light left", 1, 5, light3d},
      {1, 0, "normal: light top edge", 5, 0, light},
      {1, 0, "normal: cut corner", 0, 0, face},
      {1, 0, "normal: under the bigger selected tab", -1, 5, light3d},
      {1, 3, "normal: dark right edge", -1, 5, dark},
      {1, 3, "normal: shadow inside it", -2, 5, shadow},
      {1, 3, "normal: dark cut corner", -2, 1, dark},
      {1, 3, "normal: page frame below it", 5, kBelow, light},
      {1, 3, "normal: inner page frame", 5, kBelow + 1, light3d},
      {1, 1, "selected: face inside", 3, 3, face},
      {1, 1, "selected: light left edge", 0, 5, light},
      {1, 1, "selected: dark right edge", -1, 5, dark},
      {1, 1, "selected: open over the frame", 6, -1, face},
      // Buttons: raised normal, sunken selected in the button highlight colour.
      {2, 0, "normal: light outer left", 0, 5, light},
      {2, 0, "normal: dark outer right", -1, 5, dark},
      {2, 0, "normal: face inside", 3, 3, face},
      {2, 1, "selected: dark outer left", 0, 5, dark},
      {2, 1, "selected: light outer right", -1, 5, light},
      {2, 1, "selected: shadow inner left", 1, 5, shadow},
      {2, 1, "selected: highlight inside", 3, 3, light},
      // FlatButtons: no frame on a normal tab, sunken selected.
      {3, 0, "normal: face at the edge", 0, 5, face},
      {3, 0, "normal: face inside", 3, 3, face},
      {3, 1, "selected: dark outer left", 0, 5, dark},
      {3, 1, "selected: highlight inside", 3, 3, light},
      // Flat: light face for normal tabs, the selected one in the face colour with white and black edges.
      {5, 0, "normal: light face inside", 3, 3, lightFace},
      {5, 0, "normal: light face at the edge", 0, 3, lightFace},
      {5, 1, "selected: white left edge", 0, 5, white},
      {5, 1, "selected: white top edge", 5, 0, white},
      {5, 1, "selected: black right edge", -1, 5, black},
      {5, 1, "selected: face inside", 3, 3, face},
      {5, 1, "selected: open towards the page", 5, -1, face},
  };
  TcxPCStyleID style = 0;
  TcxCustomTabControl* c = nullptr;
  for (const PixelCase& t : cases) {
    if (t.style != style) {
      if (c) c->Free();
      style = t.style;
      c = Make(style, 320, 120, {"Projects", "Backups", "Report", "Options"});
      c->SetTabIndex(1);
      Idle();
    }
    SCOPED_TRACE(testing::Message() << "style " << t.style << ": " << t.where);
    const RECT r = c->GetTabFullRect(t.tab);
    const int x = t.x >= 0 ? r.left + t.x : r.right + t.x;
    const int y = t.y >= kBelow ? r.bottom + t.y - kBelow : t.y >= 0 ? r.top + t.y : r.bottom + t.y;
    EXPECT_EQ(Px(c, x, y), t.rgb) << std::hex << Px(c, x, y);
  }
  if (c) c->Free();
}

TEST_F(StandardPaintersTest, TabsOnTheBottomAreTurnedWithTheirOpenSideUp) {
  TcxCustomTabControl* c = Make(1, 320, 120, {"Projects", "Backups", "Report", "Options"});
  c->SetTabPosition(tpBottom);
  c->SetTabIndex(1);
  Idle();
  const RECT sel = c->GetTabFullRect(1), normal = c->GetTabFullRect(3);
  EXPECT_EQ(RectStr(sel), RectStr(RECT{c->GetTabCellRect(1).left - 2, c->GetTabCellRect(1).top - 1,
                                       c->GetTabCellRect(1).right + 2, c->GetTabCellRect(1).bottom + 2}));
  EXPECT_EQ(normal.bottom, 118);  // 2 pixels from the control's bottom
  EXPECT_EQ(Px(c, sel.left + 6, sel.top - 1), Rgb(clBtnFace));          // open over the page frame
  EXPECT_EQ(Px(c, normal.left + 6, normal.bottom - 1), Rgb(cl3DDkShadow));  // dark far side
  EXPECT_EQ(Px(c, normal.left + 6, normal.bottom - 2), Rgb(clBtnShadow));
  EXPECT_EQ(Px(c, normal.left, normal.top + 4), Rgb(clBtnHighlight));       // light left side
  EXPECT_EQ(Px(c, normal.left, normal.bottom - 1), Rgb(clBtnFace));         // cut corner
  EXPECT_EQ(Px(c, normal.left + 6, normal.top - 1), Rgb(cl3DDkShadow));     // the page frame's bottom lines
  EXPECT_EQ(Px(c, normal.left + 6, normal.top - 2), Rgb(clBtnShadow));
}

TEST_F(StandardPaintersTest, SelectedButtonsLookPressed) {
  TcxCustomTabControl* c = Make(2, 320, 120, {"Projects", "Backups", "Report", "Options"});
  c->SetTabIndex(1);
  Idle();
  const RECT r = c->GetTabFullRect(3);
  EXPECT_EQ(Px(c, r.left, r.top + 5), Rgb(clBtnHighlight));
  c->Tabs()->Tabs(3)->SetSelected(true);  // a second selected tab: the style allows several
  Idle();
  EXPECT_TRUE(c->Tabs()->Tabs(3)->Selected());
  EXPECT_EQ(Px(c, r.left, r.top + 5), Rgb(cl3DDkShadow));
  EXPECT_EQ(Px(c, r.right - 1, r.top + 5), Rgb(clBtnHighlight));
}

// How many pixels of the rectangle have exactly the colour.
int CountColour(TcxCustomTabControl* c, const RECT& r, uint32_t rgb) {
  c->Update();
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (headless::Pixel(c->Handle(), x, y) == rgb) ++n;
  return n;
}

TEST_F(StandardPaintersTest, ADisabledCaptionIsEmbossed) {
  TcxCustomTabControl* c = Make(1, 320, 120, {"Projects", "Backups", "Report"});
  c->SetTabIndex(1);
  Idle();
  const RECT cell = c->GetTabCellRect(2);
  const RECT inside{cell.left + 3, cell.top + 3, cell.right - 3, cell.bottom - 1};
  const int blackBefore = CountColour(c, inside, 0);
  EXPECT_GT(blackBefore, 0);
  EXPECT_EQ(CountColour(c, inside, Rgb(clBtnShadow)), 0);
  c->Tabs()->Tabs(2)->SetEnabled(false);
  Idle();
  EXPECT_EQ(CountColour(c, inside, 0), 0);
  EXPECT_GT(CountColour(c, inside, Rgb(clBtnShadow)), 0);
  // The light copy shows where the shadow copy leaves it: pixels clearly lighter than the face.
  c->Update();
  int light = 0;
  for (int y = inside.top; y < inside.bottom; ++y)
    for (int x = inside.left; x < inside.right; ++x) {
      const uint32_t p = headless::Pixel(c->Handle(), x, y);
      if (((p >> 16) & 0xFF) > 235 && ((p >> 8) & 0xFF) > 235 && (p & 0xFF) > 235) ++light;
    }
  EXPECT_GT(light, 0);
}

TEST_F(StandardPaintersTest, TheHotFlatButtonRisesAndItsCaptionTakesTheHotLightColour) {
  TcxCustomTabControl* c = Make(3, 320, 120, {"Projects", "Backups", "Report"});
  c->SetTabIndex(1);
  c->SetHotTrack(true);
  Idle();
  const RECT r = c->GetTabFullRect(0);
  const RECT inside{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  const uint32_t hot = Rgb(cxPCHotLightColor());
  EXPECT_EQ(Px(c, r.left, r.top + 5), Rgb(clBtnFace));
  EXPECT_EQ(CountColour(c, inside, hot), 0);
  MoveTo(c, r.left + 5, r.top + 5);
  EXPECT_EQ(c->HotTabVisibleIndex(), 0);
  EXPECT_EQ(Px(c, r.left, r.top + 5), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, r.right - 1, r.top + 5), Rgb(clBtnShadow));
  EXPECT_GT(CountColour(c, inside, hot), 0);
  MoveTo(c, 300, 100);  // off the tabs
  EXPECT_EQ(c->HotTabVisibleIndex(), -1);
  EXPECT_EQ(Px(c, r.left, r.top + 5), Rgb(clBtnFace));
  EXPECT_EQ(CountColour(c, inside, hot), 0);
}

TEST_F(StandardPaintersTest, ChangingTheSelectedTabRepaintsBothShapes) {
  for (TcxPCStyleID style : {1, 5}) {
    SCOPED_TRACE(style);
    TcxCustomTabControl* c = Make(style, 320, 120, {"Projects", "Backups", "Report", "Options"});
    c->SetTabIndex(1);
    Idle();
    const RECT big = c->GetTabFullRect(1);
    const RECT cell = c->GetTabCellRect(1);
    const uint32_t before = Px(c, big.left + 6, big.top);
    c->SetTabIndex(3);
    Idle();
    // The old selected tab shrank back into its cell: above it the strip's own colour shows again, and
    // the page (or band) edge under it is closed.
    const uint32_t strip = style == 1 ? Rgb(clBtnFace) : Rgb3(232, 228, 220);
    EXPECT_NE(before, strip);
    EXPECT_EQ(Px(c, big.left + 6, big.top), strip);
    EXPECT_EQ(Px(c, cell.left + 6, cell.bottom), style == 1 ? Rgb3(250, 250, 250) : 0xFFFFFFu);
    // The new one stands out.
    const RECT now = c->GetTabFullRect(3);
    EXPECT_EQ(Px(c, now.left + 6, now.top), style == 1 ? Rgb3(250, 250, 250) : 0xFFFFFFu);
    c->Free();
  }
}

TEST_F(StandardPaintersTest, FlatTabsOnTheBottomAndAFramedPage) {
  TcxCustomTabControl* c = Make(5, 300, 120, {"Projects", "Backups"});
  c->SetTabPosition(tpBottom);
  c->SetTabIndex(0);
  Idle();
  const RECT cell = c->GetTabCellRect(1);
  EXPECT_EQ(cell.bottom, 120 - 3);
  RECT page = c->GetPageClientRect();
  EXPECT_EQ(RectStr(page), RectStr(RECT{0, 0, 300, cell.top - 3}));
  // The band's edge towards the page: a dark line, then the face colour.
  EXPECT_EQ(Px(c, cell.left + 5, cell.top - 1), 0u);
  EXPECT_EQ(Px(c, cell.left + 5, cell.top - 2), Rgb(clBtnFace));
  c->SetShowFrame(true);
  Idle();
  page = c->GetPageClientRect();
  EXPECT_EQ(RectStr(page), RectStr(RECT{1, 1, 299, cell.top - 3}));
  EXPECT_EQ(Px(c, 0, 50), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, 299, 50), Rgb(clBtnShadow));
  EXPECT_EQ(Px(c, 150, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, 150, page.bottom), Rgb(clBtnFace));  // no frame on the tabs' side
}

TEST_F(StandardPaintersTest, NativeTabsDrawThroughTheTabTheme) {
  winapi::SetThemeActive(true);
  struct ThemesOff {
    ~ThemesOff() { winapi::SetThemeActive(false); }
  } themesOff;
  DoneThemeManager();
  TcxCustomTabControl* c = Make(1, 320, 120, {"Projects", "Backups", "Report", "Options"});
  c->LookAndFeel()->SetNativeStyle(true);
  c->SetTabIndex(1);
  Idle();
  ASSERT_TRUE(c->Painter()->IsNativePainting());
  // Parts: left edge for the first tab, the top forms for the selected one, right edge for the last.
  const struct {
    int vi, part, state;
  } parts[] = {{0, TABP_TABITEMLEFTEDGE, 1}, {1, TABP_TOPTABITEM, 3}, {2, TABP_TABITEM, 1}, {3, TABP_TABITEMRIGHTEDGE, 1}};
  for (const auto& t : parts) {
    int32_t part = 0, state = 0;
    c->Painter()->GetTabThemeParts(t.vi, part, state);
    EXPECT_EQ(part, t.part) << t.vi;
    EXPECT_EQ(state, t.state) << t.vi;
  }
  const uint32_t border = Rgb3(137, 140, 149);
  const RECT tab = c->GetTabFullRect(0);
  EXPECT_EQ(Px(c, tab.left + 5, tab.top), border);   // the themed tab's outline
  EXPECT_EQ(Px(c, tab.left, tab.top + 5), border);
  EXPECT_EQ(Px(c, 0, 100), border);                  // the pane's frame
  // The caption is on the themed tab.
  int dark = 0;
  for (int y = tab.top + 2; y < tab.bottom - 1; ++y)
    for (int x = tab.left + 2; x < tab.right - 2; ++x)
      if ((Px(c, x, y) & 0xFF) < 80) ++dark;
  EXPECT_GT(dark, 10);
  // Hot tabs take the hot state only with hot tracking (always through themes).
  MoveTo(c, c->GetTabFullRect(2).left + 5, c->GetTabFullRect(2).top + 5);
  int32_t part = 0, state = 0;
  c->Painter()->GetTabThemeParts(2, part, state);
  EXPECT_EQ(state, 2);
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  headless::SavePng(c->Handle(), (std::string(VORN_ARTIFACT_DIR) + "/pagecontrol-tabs-themed.png").c_str());
  c->Free();
}

TEST_F(StandardPaintersTest, SeparatorsBetweenTabs) {
  // FlatButtons: an etched groove in the middle of the 10-pixel spacing, in every gap.
  TcxCustomTabControl* fb = Make(3, 320, 120, {"Projects", "Backups", "Report"});
  fb->SetTabIndex(1);
  Idle();
  for (int vi = 0; vi < 2; ++vi) {
    const RECT cell = fb->GetTabCellRect(vi);
    const int mid = (cell.top + cell.bottom) / 2;
    EXPECT_EQ(fb->GetTabCellRect(vi + 1).left, cell.right + 10);
    EXPECT_EQ(Px(fb, cell.right + 4, mid), Rgb(clBtnShadow)) << vi;
    EXPECT_EQ(Px(fb, cell.right + 5, mid), Rgb(clBtnHighlight)) << vi;
    EXPECT_EQ(Px(fb, cell.right + 1, mid), Rgb(clBtnFace)) << vi;
  }
  // Flat: a shadow line between two unselected tabs, none beside the selected one.
  TcxCustomTabControl* f = Make(5, 320, 120, {"Projects", "Backups", "Report", "Options"});
  f->SetTabIndex(1);
  Idle();
  const uint32_t lightFace = Rgb3(232, 228, 220);
  auto after = [&](int vi) {
    const RECT cell = f->GetTabCellRect(vi);
    return Px(f, cell.right, (cell.top + cell.bottom) / 2);
  };
  EXPECT_EQ(after(2), Rgb(clBtnShadow));
  EXPECT_NE(after(0), Rgb(clBtnShadow));  // the selected tab covers that gap
  // The band's edge under an unselected tab: a white line, then the face colour.
  const RECT cell = f->GetTabCellRect(3);
  EXPECT_EQ(Px(f, cell.left + 5, cell.bottom), 0xFFFFFFu);
  EXPECT_EQ(Px(f, cell.left + 5, cell.bottom + 1), Rgb(clBtnFace));
  EXPECT_EQ(Px(f, cell.left + 5, cell.bottom + 2), Rgb(clBtnFace));
  // Above the tabs and right of them the band shows the light face.
  EXPECT_EQ(Px(f, cell.left + 5, 1), lightFace);
  EXPECT_EQ(Px(f, 310, cell.top + 5), lightFace);
}

TEST_F(StandardPaintersTest, TheFlatLightFaceFollowsTheSystemColours) {
  const struct {
    COLORREF face;
    uint32_t light;
  } cases[] = {{RGB(212, 208, 200), Rgb3(232, 228, 220)},
               {RGB(240, 200, 100), Rgb3(255, 220, 120)},
               {RGB(215, 216, 236), Rgb3(235, 255, 255)}};
  TcxCustomTabControl* c = Make(5, 320, 120, {"Projects", "Backups", "Report"});
  c->SetTabIndex(1);
  Idle();
  for (const auto& t : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << t.face);
    const int index = COLOR_BTNFACE;
    SetSysColors(1, &index, &t.face);
    Idle();
    EXPECT_EQ(static_cast<uint32_t>(ColorToRGB(cxPCLightBrushColor())),
              static_cast<uint32_t>(RGB((t.light >> 16) & 0xFF, (t.light >> 8) & 0xFF, t.light & 0xFF)));
    c->Invalidate();
    const RECT r = c->GetTabFullRect(0);
    EXPECT_EQ(Px(c, r.left + 3, r.top + 3), t.light);
    // The selected tab and the page are in the face colour itself.
    const RECT s = c->GetTabFullRect(1);
    const uint32_t face = (GetRValue(t.face) << 16) | (GetGValue(t.face) << 8) | GetBValue(t.face);
    EXPECT_EQ(Px(c, s.left + 3, s.top + 3), face);
    EXPECT_EQ(Px(c, 160, 100), face);
  }
}

TEST_F(StandardPaintersTest, AFlatControlWithHiddenTabsDrawsOnlyThePage) {
  TcxCustomTabControl* c = Make(5, 200, 100, {"Projects", "Backups"});
  c->SetHideTabs(true);
  Idle();
  EXPECT_EQ(RectStr(c->GetPageClientRect()), RectStr(RECT{0, 0, 200, 100}));
  for (POINT p : {POINT{0, 0}, POINT{5, 5}, POINT{199, 99}, POINT{100, 10}}) EXPECT_EQ(Px(c, p.x, p.y), Rgb(clBtnFace));
  c->SetShowFrame(true);
  Idle();
  EXPECT_EQ(RectStr(c->GetPageClientRect()), RectStr(RECT{1, 1, 199, 99}));
  EXPECT_EQ(Px(c, 0, 50), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, 100, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(Px(c, 199, 50), Rgb(clBtnShadow));
  EXPECT_EQ(Px(c, 100, 99), Rgb(clBtnShadow));
  EXPECT_EQ(Px(c, 100, 50), Rgb(clBtnFace));
}

}  // namespace
