// The push button on the headless screen: layout of glyph and caption, colours per state read back from
// the screen, the painter per look, clicks and drop-down menus through real mouse and key messages, hot
// tracking, and a picture board of every kind and state.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "forms/Forms.h"
#include "forms/PngImage.h"
#include "forms/StdCtrls.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxButtons.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"
#include "winapi/WinText.h"

namespace button_test {

uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

void SetSysColor(int index, COLORREF c) { SetSysColors(1, &index, &c); }

// A 16x16 picture per image of a strip: a dark square with a lighter centre on the transparent olive.
TBitmap* MakeGlyph(int images = 1, int size = 16) {
  TBitmap* b = New<TBitmap>();
  b->SetSize(size * images, size);
  b->Canvas()->Brush()->SetColor(clOlive);
  b->Canvas()->FillRect(RECT{0, 0, size * images, size});
  for (int i = 0; i < images; ++i) {
    b->Canvas()->Brush()->SetColor(i == 0 ? clNavy : clMaroon);
    b->Canvas()->FillRect(RECT{i * size + 2, 2, i * size + size - 2, size - 2});
    b->Canvas()->Brush()->SetColor(clAqua);
    b->Canvas()->FillRect(RECT{i * size + 5, 5, i * size + size - 5, size - 5});
  }
  return b;
}

class ButtonTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    SetSysColor(COLOR_BTNFACE, RGB(212, 208, 200));
    SetSysColor(COLOR_WINDOW, RGB(255, 255, 255));
    SetSysColor(COLOR_BTNSHADOW, RGB(128, 128, 128));
    SetSysColor(COLOR_BTNHIGHLIGHT, RGB(250, 250, 250));
    SetSysColor(COLOR_BTNTEXT, RGB(0, 0, 0));
    SetSysColor(COLOR_3DDKSHADOW, RGB(64, 64, 64));
    SetSysColor(COLOR_3DLIGHT, RGB(230, 226, 220));
    SetSysColor(COLOR_GRAYTEXT, RGB(120, 120, 120));
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Edit = New<TEdit>(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(10, 200, 100, 21);
    Button = New<TcxButton>(Form);
    Button->SetParent(Form);
    Button->SetBounds(20, 20, 120, 30);
    Button->SetCaption("Go");
    Button->LookAndFeel()->SetKind(lfUltraFlat);
    Button->OnClick = [this](TObject*) { ++Clicks; };
    Form->Show();
    Idle();
    Edit->SetFocus();
    Idle();
  }
  void TearDown() override {
    if (Application) Application->OnIdle = nullptr;
    DoneForms();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    winapi::SetThemeName("Plain.theme", "Light", "Normal");
    headless::Shutdown();
  }
  // Through the application's own loop, so that keys reach the controls as they do in the program.
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  static void MoveTo(TControl* c, int x, int y) {
    POINT p = c->ClientToScreen(POINT{x, y});
    headless::MouseMove(p.x, p.y);
    Idle();
  }
  static void MoveAway() {
    headless::MouseMove(790, 590);
    Idle();
    headless::AdvanceClock(50);
    Idle();
  }
  void ClickAt(int x, int y) {
    MoveTo(Button, x, y);
    headless::MouseDown();
    Idle();
    headless::MouseUp();
    Idle();
  }
  // While a popup menu runs its loop, notes where it stands and what the button paints, then closes it.
  struct MenuSeen {
    int Count = 0;
    RECT Window{};
    bool MenuVisible = false;
    TcxButtonState State = cxbsNormal;
  };
  void WatchMenus(MenuSeen& seen, bool closeByClickOnButton = false) {
    Application->OnIdle = [this, &seen, closeByClickOnButton](TObject*, bool& done) {
      done = false;
      TPopupMenu* menu = TPopupMenu::ActivePopup();
      if (!menu || !menu->PopupWindow()) return;
      ++seen.Count;
      GetWindowRect(menu->PopupWindow(), &seen.Window);
      seen.MenuVisible = Button->MenuVisible();
      seen.State = Button->PaintedState();
      if (closeByClickOnButton) {
        POINT p = Button->ClientToScreen(POINT{30, 15});
        headless::Click(p.x, p.y);
      } else {
        headless::KeyPress(VK_ESCAPE);
      }
    };
  }
  TPopupMenu* MakeMenu() {
    auto* menu = New<TPopupMenu>(Form);
    for (const char* text : {"One", "Two", "Three"}) {
      auto* item = New<TMenuItem>(menu);
      item->SetCaption(text);
      menu->Items()->Add(item);
    }
    return menu;
  }
  uint32_t FacePixel() { return headless::Pixel(Button->Handle(), 6, Button->Height() / 2); }
  TForm* Form = nullptr;
  TEdit* Edit = nullptr;
  TcxButton* Button = nullptr;
  int Clicks = 0;
};

// ---- layout ----------------------------------------------------------------------------------------------

struct LayoutCase {
  const char* name;
  TButtonLayout layout;
  int margin, spacing;
  const char* caption;
  bool glyph;
  // expected glyph position and caption rectangle, in characters of the fixed-pitch font where noted
  std::function<POINT(int cw, int fh)> glyphPos;
  std::function<RECT(int cw, int fh)> text;
};

TEST_F(ButtonTest, GlyphAndCaptionLayoutTable) {
  // Client 100x40 at (10, 5), offset (1, 2); glyph 16x16; "Abcd" is four characters of a fixed-pitch font.
  std::unique_ptr<TBitmap, void (*)(TBitmap*)> canvasHost(New<TBitmap>(), [](TBitmap* b) { b->Free(); });
  canvasHost->SetSize(200, 100);
  canvasHost->Canvas()->Font()->SetName("Courier New");
  canvasHost->Canvas()->Font()->SetHeight(-13);
  canvasHost->Canvas()->TextWidth("x");
  const int cw = canvasHost->Canvas()->TextWidth("x");
  TEXTMETRIC tm{};
  GetTextMetrics(canvasHost->Canvas()->Handle(), &tm);
  const int fh = tm.tmHeight;
  const int tw = 4 * cw;
  const int L = 10 + 1, T = 5 + 2;  // client origin plus offset
  std::vector<LayoutCase> cases = {
      {"left, centred", blGlyphLeft, -1, 4, "Abcd", true,
       [&](int, int) { return POINT{L + (100 - (16 + 4 + tw)) / 2, T + 12}; },
       [&](int, int fh) {
         int x = L + (100 - (16 + 4 + tw)) / 2 + 20;
         return RECT{x, T + (40 - fh - 1) / 2, x + tw, T + (40 - fh - 1) / 2 + fh};
       }},
      {"right, margin 3", blGlyphRight, 3, 4, "Abcd", true, [&](int, int) { return POINT{L + 100 - 3 - 16, T + 12}; },
       [&](int, int fh) {
         int x = L + 100 - 3 - 16 - 4 - tw;
         return RECT{x, T + (40 - fh - 1) / 2, x + tw, T + (40 - fh - 1) / 2 + fh};
       }},
      {"top, centred", blGlyphTop, -1, 2, "Abcd", true,
       [&](int, int fh) { return POINT{L + 42, T + (40 - (16 + 2 + fh)) / 2}; },
       [&](int, int fh) {
         int y = T + (40 - (16 + 2 + fh)) / 2 + 18;
         return RECT{L + (100 - tw) / 2, y, L + (100 - tw) / 2 + tw, y + fh};
       }},
      {"bottom, margin 0", blGlyphBottom, 0, 2, "Abcd", true, [&](int, int) { return POINT{L + 42, T + 40 - 16}; },
       [&](int, int fh) {
         int y = T + 40 - 16 - 2 - fh;
         return RECT{L + (100 - tw) / 2, y, L + (100 - tw) / 2 + tw, y + fh};
       }},
      {"three equal gaps", blGlyphLeft, -1, -1, "Abcd", true,
       [&](int, int) { return POINT{L + (100 - (16 + tw)) / 3, T + 12}; },
       [&](int, int fh) {
         int g = (100 - (16 + tw)) / 3;
         return RECT{L + g + 16 + g, T + (40 - fh - 1) / 2, L + g + 16 + g + tw, T + (40 - fh - 1) / 2 + fh};
       }},
      {"three equal gaps, top", blGlyphTop, -1, -1, "Abcd", true,
       [&](int, int fh) { return POINT{L + 42, T + (40 - (16 + fh)) / 3}; },
       [&](int, int fh) {
         int g = (40 - (16 + fh)) / 3;
         return RECT{L + (100 - tw) / 2, T + g + 16 + g, L + (100 - tw) / 2 + tw, T + g + 16 + g + fh};
       }},
      {"margin given, spacing spread", blGlyphLeft, 5, -1, "Abcd", true, [&](int, int) { return POINT{L + 5, T + 12}; },
       [&](int, int fh) {
         int s = ((100 - (5 + 16)) - tw) / 2;
         return RECT{L + 5 + 16 + s, T + (40 - fh - 1) / 2, L + 5 + 16 + s + tw, T + (40 - fh - 1) / 2 + fh};
       }},
      {"empty caption: no spacing", blGlyphLeft, -1, 4, "", true, [&](int, int) { return POINT{L + 42, T + 12}; },
       [&](int, int) { return RECT{L + 42 + 16, T + 19, L + 42 + 16, T + 19}; }},
      {"no glyph: caption centred, no spacing", blGlyphLeft, -1, 4, "Abcd", false,
       [&](int, int) { return POINT{L + (100 - tw) / 2, T + 20}; },
       [&](int, int fh) {
         return RECT{L + (100 - tw) / 2, T + (40 - fh - 1) / 2, L + (100 - tw) / 2 + tw, T + (40 - fh - 1) / 2 + fh};
       }},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* glyph = New<TcxButtonGlyph>();
    if (c.glyph) {
      TBitmap* b = MakeGlyph();
      glyph->SetGlyph(b);
      b->Free();
    }
    TcxCanvas canvas(canvasHost->Canvas());
    TcxButtonGlyphLayout r = glyph->CalcLayout(&canvas, RECT{10, 5, 110, 45}, POINT{1, 2}, c.caption, c.layout,
                                               c.margin, c.spacing, 0, false);
    POINT g = c.glyphPos(cw, fh);
    RECT t = c.text(cw, fh);
    EXPECT_EQ(r.GlyphPos.x, g.x);
    EXPECT_EQ(r.GlyphPos.y, g.y);
    EXPECT_EQ(r.TextBounds.left, t.left);
    EXPECT_EQ(r.TextBounds.top, t.top);
    EXPECT_EQ(r.TextBounds.right, t.right);
    EXPECT_EQ(r.TextBounds.bottom, t.bottom);
    glyph->Free();
  }
}

TEST_F(ButtonTest, RightToLeftReadingSwapsTheGlyphSide) {
  auto* glyph = New<TcxButtonGlyph>();
  TBitmap* b = MakeGlyph();
  glyph->SetGlyph(b);
  b->Free();
  std::unique_ptr<TBitmap, void (*)(TBitmap*)> host(New<TBitmap>(), [](TBitmap* x) { x->Free(); });
  host->SetSize(10, 10);
  TcxCanvas canvas(host->Canvas());
  TcxButtonGlyphLayout r =
      glyph->CalcLayout(&canvas, RECT{0, 0, 100, 40}, POINT{0, 0}, "", blGlyphLeft, 3, 4, DT_RIGHT, false);
  EXPECT_EQ(r.GlyphPos.x, 100 - 3 - 16);
  glyph->Free();
}

TEST_F(ButtonTest, NumGlyphsFollowsTheStripWidth) {
  struct Case {
    int width, height, before, after;
  } cases[] = {{64, 16, 1, 4}, {96, 16, 1, 1}, {40, 16, 2, 2}, {32, 16, 1, 2}, {16, 16, 3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    Button->SetNumGlyphs(c.before);
    TBitmap* b = New<TBitmap>();
    b->SetSize(c.width, c.height);
    Button->SetGlyph(b);
    b->Free();
    EXPECT_EQ(Button->NumGlyphs(), c.after);
  }
  Button->SetNumGlyphs(9);
  EXPECT_EQ(Button->NumGlyphs(), 4);
}

TEST_F(ButtonTest, PressedImageIsTheDownPictureOnlyWithThreeOrMoreImages) {
  TBitmap* b = MakeGlyph(3);
  Button->SetGlyph(b);
  b->Free();
  EXPECT_EQ(Button->GlyphObject()->CreateButtonGlyph(cxbsPressed), 2);
  Button->SetNumGlyphs(2);
  EXPECT_EQ(Button->GlyphObject()->CreateButtonGlyph(cxbsPressed), 0);
  EXPECT_EQ(Button->GlyphObject()->CreateButtonGlyph(cxbsHot), 0);
  EXPECT_EQ(Button->GlyphObject()->CreateButtonGlyph(cxbsDisabled), 1);
  Button->SetGlyph(nullptr);
  EXPECT_EQ(Button->GlyphObject()->CreateButtonGlyph(cxbsNormal), -1);
}

TEST_F(ButtonTest, MarginBelowMinusOneIsRefused) {
  Button->SetMargin(7);
  Button->SetMargin(-2);
  EXPECT_EQ(Button->Margin(), 7);
  Button->SetMargin(-1);
  EXPECT_EQ(Button->Margin(), -1);
}

// ---- colours and states ----------------------------------------------------------------------------------

TEST_F(ButtonTest, EachStatePaintsItsOwnColour) {
  Button->Colors()->SetNormal(TColor(0x0000C0));    // red
  Button->Colors()->SetHot(TColor(0x00C000));       // green
  Button->Colors()->SetPressed(TColor(0xC00000));   // blue
  Button->Colors()->SetDefault(TColor(0x00C0C0));   // olive-yellow
  Button->Colors()->SetDisabled(TColor(0x808000));  // teal
  Idle();
  struct Step {
    const char* name;
    std::function<void()> go;
    TcxButtonState state;
    uint32_t face;
  } steps[] = {
      {"normal", [] { MoveAway(); }, cxbsNormal, 0xC00000},
      {"hot", [this] { MoveTo(Button, 60, 15); }, cxbsHot, 0x00C000},
      {"pressed",
       [this] {
         headless::MouseDown();
         Idle();
       },
       cxbsPressed, 0x0000C0},
      {"default (focused)",
       [this] {
         headless::MouseUp();
         Idle();
         MoveAway();
       },
       cxbsDefault, 0xC0C000},
      {"disabled",
       [this] {
         Button->SetEnabled(false);
         Idle();
       },
       cxbsDisabled, 0x008080},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.go();
    EXPECT_EQ(Button->PaintedState(), s.state);
    EXPECT_EQ(FacePixel(), s.face);
  }
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ButtonTest, ClearedColourGoesBackToThePainter) {
  Button->Colors()->SetHot(TColor(0x00C000));
  EXPECT_TRUE(Button->Colors()->AssignedColors().Contains(cxbsHot));
  Button->Colors()->SetHot(clNone);
  EXPECT_FALSE(Button->Colors()->AssignedColors().Contains(cxbsHot));
  EXPECT_EQ(Button->Colors()->Hot(), clDefault);
  MoveTo(Button, 60, 15);
  ASSERT_EQ(Button->PaintedState(), cxbsHot);
  EXPECT_EQ(FacePixel(), Rgb(Button->GetPainterClass()->ButtonFaceColor(cxbsHot)));
  // Assigned colours change only at design time.
  Button->Colors()->SetAssignedColors(TcxButtonAssignedColors{cxbsHot});
  EXPECT_FALSE(Button->Colors()->AssignedColors().Contains(cxbsHot));
}

TEST_F(ButtonTest, DrawParamsEventChangesColourAndFont) {
  Button->OnGetDrawParams = [](TObject*, TcxButtonState, TColor& c, TFont*) { c = TColor(0x00FF00); };
  Button->Invalidate();
  Idle();
  EXPECT_EQ(FacePixel(), 0x00FF00u);
}

TEST_F(ButtonTest, DisabledGlyphIsEmbossedAndCaptionDoubled) {
  TBitmap* b = MakeGlyph();
  Button->SetGlyph(b);
  b->Free();
  Button->SetEnabled(false);
  Idle();
  TBitmap* image = Button->GlyphObject()->Image(1);
  ASSERT_NE(image, nullptr);
  // The square's top-left ink is shadow; the highlight copy sits one pixel down-right of the last ink.
  EXPECT_EQ(image->ScanLine(2)[2] & 0xFFFFFF, Rgb(clBtnShadow));
  EXPECT_EQ(image->ScanLine(14)[14] & 0xFFFFFF, Rgb(clBtnHighlight));
  EXPECT_EQ(image->ScanLine(0)[0] & 0xFFFFFF, Rgb(clBtnFace));
  // Somewhere on the face the caption's highlight copy shows.
  bool highlight = false;
  for (int y = 0; y < Button->Height() && !highlight; ++y)
    for (int x = 40; x < Button->Width() && !highlight; ++x)
      highlight = headless::Pixel(Button->Handle(), x, y) == Rgb(clBtnHighlight);
  EXPECT_TRUE(highlight);
}

// ---- painter per look ------------------------------------------------------------------------------------

TEST_F(ButtonTest, PainterPerLookAndFeelKind) {
  struct Case {
    TcxLookAndFeelKind kind;
    bool native, themes;
    const char* painter;
  } cases[] = {
      {lfFlat, false, false, "TcxFlatLookAndFeelPainter"},
      {lfStandard, false, false, "TcxStandardLookAndFeelPainter"},
      {lfUltraFlat, false, false, "TcxUltraFlatLookAndFeelPainter"},
      {lfOffice11, false, false, "TcxStandardLookAndFeelPainter"},
      {lfOffice11, false, true, "TcxWinXPLookAndFeelPainter"},
      {lfStandard, true, true, "TcxWinXPLookAndFeelPainter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.painter << " " << int(c.kind) << c.themes);
    winapi::SetThemeActive(c.themes);
    DoneThemeManager();
    Button->LookAndFeel()->SetKind(c.kind);
    Button->LookAndFeel()->SetNativeStyle(c.native);
    Idle();
    EXPECT_STREQ(Button->GetPainterClass()->ClassName(), c.painter);
    EXPECT_NE(Button->Handle(), nullptr);
  }
}

// ---- clicks, menus and keys ------------------------------------------------------------------------------

TEST_F(ButtonTest, StandardButtonClicksByMouseSpaceAndEnter) {
  ClickAt(60, 15);
  EXPECT_EQ(Clicks, 1);
  headless::KeyPress(VK_SPACE);
  Idle();
  EXPECT_EQ(Clicks, 2);
  headless::KeyPress(VK_RETURN);
  Idle();
  EXPECT_EQ(Clicks, 3);
}

TEST_F(ButtonTest, DropDownOpensItsMenuUnderTheButtonAndNeverClicks) {
  Button->SetKind(cxbkDropDown);
  Button->SetDropDownMenu(MakeMenu());
  Idle();
  MenuSeen seen;
  WatchMenus(seen);
  ClickAt(60, 15);
  EXPECT_EQ(seen.Count, 1);
  POINT bottomLeft = Button->ClientToScreen(POINT{0, Button->Height()});
  EXPECT_EQ(seen.Window.left, bottomLeft.x);
  EXPECT_EQ(seen.Window.top, bottomLeft.y);
  EXPECT_TRUE(seen.MenuVisible);
  EXPECT_EQ(seen.State, cxbsPressed);
  EXPECT_FALSE(Button->MenuVisible());
  EXPECT_EQ(Clicks, 0);
  // Space opens it too, without a click.
  headless::KeyPress(VK_SPACE);
  Idle();
  EXPECT_EQ(seen.Count, 2);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(ButtonTest, DropDownButtonClicksOnItsMainPartAndOpensOnItsArrow) {
  Button->SetKind(cxbkDropDownButton);
  Button->SetDropDownMenu(MakeMenu());
  Idle();
  MenuSeen seen;
  WatchMenus(seen);
  ClickAt(30, 15);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(seen.Count, 0);
  ClickAt(Button->Width() - 7, 15);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(seen.Count, 1);
  // With its menu open the button paints pressed.
  EXPECT_EQ(seen.State, cxbsPressed);
  // Alt+Down opens it from the keyboard.
  headless::KeyDown(VK_MENU);
  headless::KeyPress(VK_DOWN);
  headless::KeyUp(VK_MENU);
  Idle();
  EXPECT_EQ(seen.Count, 2);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ButtonTest, MenuThatDoesNotFitBelowOpensAbove) {
  Form->SetBounds(50, 600 - 80, 400, 80);
  Button->SetBounds(20, 10, 120, 30);
  Button->SetKind(cxbkDropDown);
  TPopupMenu* menu = MakeMenu();
  Button->SetDropDownMenu(menu);
  Idle();
  MenuSeen seen;
  WatchMenus(seen);
  ClickAt(60, 15);
  ASSERT_EQ(seen.Count, 1);
  POINT top = Button->ClientToScreen(POINT{0, 0});
  EXPECT_EQ(seen.Window.top, top.y - CalcPopupMenuHeight(menu) - 2);
  EXPECT_LE(seen.Window.bottom, top.y);
}

TEST_F(ButtonTest, PressOnTheButtonWhileItsMenuIsOpenOnlyClosesIt) {
  for (TcxButtonKind kind : {cxbkDropDown, cxbkDropDownButton}) {
    SCOPED_TRACE(int(kind));
    Button->SetKind(kind);
    Button->SetDropDownMenu(MakeMenu());
    Idle();
    MenuSeen seen;
    WatchMenus(seen, true);
    ClickAt(Button->Width() - 5, 15);
    Application->OnIdle = nullptr;
    Idle();
    EXPECT_EQ(seen.Count, 1);
    EXPECT_FALSE(Button->MenuVisible());
    EXPECT_EQ(Clicks, 0);
  }
}

TEST_F(ButtonTest, PopupAlignmentPlacesTheMenuAndIsGivenBack) {
  Button->SetKind(cxbkDropDown);
  TPopupMenu* menu = MakeMenu();
  menu->SetAlignment(paCenter);
  Button->SetDropDownMenu(menu);
  Idle();
  const POINT tl = Button->ClientToScreen(POINT{0, 0});
  struct Case {
    TPopupAlignment alignment;
    std::function<int(const RECT&)> edge;
    int expected;
  } cases[] = {
      {paLeft, [](const RECT& r) { return int(r.left); }, tl.x},
      {paRight, [](const RECT& r) { return int(r.right); }, tl.x + Button->Width()},
      {paCenter, [](const RECT& r) { return int(r.left + r.right) / 2; }, tl.x + Button->Width() / 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.alignment));
    Button->SetPopupAlignment(c.alignment);
    MenuSeen seen;
    WatchMenus(seen);
    ClickAt(60, 15);
    ASSERT_EQ(seen.Count, 1);
    EXPECT_NEAR(c.edge(seen.Window), c.expected, 1);
    EXPECT_EQ(menu->Alignment(), paCenter);
  }
}

TEST_F(ButtonTest, DropDownMenuPopupEventMayTakeOver) {
  Button->SetKind(cxbkDropDown);
  Button->SetDropDownMenu(MakeMenu());
  int asked = 0;
  Button->OnDropDownMenuPopup = [&](TObject*, TPopupMenu*&, bool& handled) {
    ++asked;
    handled = true;
  };
  Idle();
  MenuSeen seen;
  WatchMenus(seen);
  ClickAt(60, 15);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(seen.Count, 0);
}

TEST_F(ButtonTest, FreedDropDownMenuIsForgotten) {
  TPopupMenu* menu = MakeMenu();
  Button->SetDropDownMenu(menu);
  menu->Free();
  EXPECT_EQ(Button->DropDownMenu(), nullptr);
  Button->SetPopupMenu(Edit);  // not a menu
  EXPECT_EQ(Button->PopupMenu(), nullptr);
}

// ---- hot tracking ----------------------------------------------------------------------------------------

TEST_F(ButtonTest, HotTrackingFollowsTheMouse) {
  MoveTo(Button, 60, 15);
  EXPECT_TRUE(Button->IsHot());
  EXPECT_EQ(Button->PaintedState(), cxbsHot);
  MoveAway();
  EXPECT_FALSE(Button->IsHot());
  EXPECT_EQ(Button->PaintedState(), cxbsNormal);
  // A look whose buttons do not track the mouse stays normal.
  Button->LookAndFeel()->SetKind(lfStandard);
  Idle();
  MoveTo(Button, 60, 15);
  EXPECT_FALSE(Button->IsHot());
  EXPECT_EQ(Button->PaintedState(), cxbsNormal);
}

// ---- picture board ---------------------------------------------------------------------------------------

TEST_F(ButtonTest, PictureBoardOfEveryKindAndState) {
  const int cw = 112, ch = 34, cols = 5;
  const TcxLookAndFeelKind looks[] = {lfStandard, lfFlat, lfUltraFlat};
  const TcxButtonKind kinds[] = {cxbkStandard, cxbkDropDown, cxbkDropDownButton};
  std::unique_ptr<TBitmap, void (*)(TBitmap*)> board(New<TBitmap>(), [](TBitmap* b) { b->Free(); });
  board->SetSize(cols * cw, 9 * ch);
  board->Canvas()->Brush()->SetColor(clWhite);
  board->Canvas()->FillRect(RECT{0, 0, board->Width(), board->Height()});
  TBitmap* glyph = MakeGlyph();
  Button->SetGlyph(glyph);
  glyph->Free();
  Button->SetBounds(20, 20, 104, 28);
  auto grab = [&](int row, int col, bool idle = true) {
    if (idle) Idle();
    for (int y = 0; y < Button->Height(); ++y)
      for (int x = 0; x < Button->Width(); ++x)
        board->ScanLine(row * ch + 3 + y)[col * cw + 4 + x] = headless::Pixel(Button->Handle(), x, y);
  };
  int row = 0;
  // A drop-down kind shows its pressed face only while its menu runs: it is taken from inside the loop.
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    TPopupMenu* menu = TPopupMenu::ActivePopup();
    if (!menu || !menu->PopupWindow()) return;
    grab(row, 2, false);
    headless::KeyPress(VK_ESCAPE);
  };
  Button->SetDropDownMenu(MakeMenu());
  for (TcxLookAndFeelKind look : looks)
    for (TcxButtonKind kind : kinds) {
      Button->SetEnabled(true);
      Button->LookAndFeel()->SetKind(look);
      Button->SetKind(kind);
      Edit->SetFocus();
      MoveAway();
      grab(row, 0);  // normal
      MoveTo(Button, 30, 14);
      grab(row, 1);  // hot
      headless::MouseDown();
      Idle();
      if (kind != cxbkDropDown) grab(row, 2);  // pressed
      headless::MouseUp();
      Idle();
      MoveAway();
      grab(row, 3);  // default (focused)
      Button->SetEnabled(false);
      grab(row, 4);  // disabled
      ++row;
    }
  board->Modified();
  if (const char* dir = std::getenv("VORN_ARTIFACT_DIR")) {
    std::unique_ptr<TBitmap, void (*)(TBitmap*)> big(New<TBitmap>(), [](TBitmap* b) { b->Free(); });
    big->SetSize(board->Width() * 2, board->Height() * 2);
    StretchBlt(big->Canvas()->Handle(), 0, 0, big->Width(), big->Height(), board->Canvas()->Handle(), 0, 0,
               board->Width(), board->Height(), SRCCOPY);
    TPngImage png;
    png.Assign(big.get());
    png.SaveToFile(String(dir) + "/cxButton-kinds-and-states.png");
  }
  EXPECT_EQ(Clicks, 6);  // the presses on standard buttons and on main parts; a drop-down never clicks
}

}  // namespace button_test
