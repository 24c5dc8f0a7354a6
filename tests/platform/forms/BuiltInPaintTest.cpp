// Controls on the built-in window classes paint through their class's own painting.

#include "FormsSupport.h"
#include "forms/StdCtrls.h"

using namespace ft;

namespace {
// Pixels of the control's client area darker than mid-grey in every channel.
int DarkPixels(TWinControl* c) {
  int dark = 0;
  for (int y = 0; y < c->ClientHeight(); ++y)
    for (int x = 0; x < c->ClientWidth(); ++x) {
      uint32_t p = headless::Pixel(c->Handle(), x, y);
      if (((p >> 16) & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60) ++dark;
    }
  return dark;
}

// A control of class C on the form at the given bounds.
template <class C>
C* Place(TForm* form, int x, int y, int w, int h) {
  auto* c = New<C>(form);
  c->SetBounds(x, y, w, h);
  c->SetParent(form);
  return c;
}

// A system colour as headless::Pixel reports it.
uint32_t Sys(int index) {
  COLORREF c = GetSysColor(index);
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
}  // namespace

TEST_F(FormsTest, EditTextAndButtonCaptionReachTheScreen) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 400, 200);
  auto* edit = New<TEdit>(form);
  edit->SetBounds(20, 20, 180, 24);
  edit->SetParent(form);
  auto* button = New<TButton>(form);
  button->SetBounds(220, 20, 110, 30);
  button->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(DarkPixels(edit), 0);
  edit->SetText("hello");
  button->SetCaption("Press");
  Pump();
  EXPECT_GT(DarkPixels(edit), 10);
  // Caption and the dark lower-right edge of the face.
  EXPECT_GT(DarkPixels(button), 60);
  form->Free();
}

// The built-in window draws with the control's font, also after the font (or the parent's) changes.
TEST_F(FormsTest, BuiltInWindowsGetTheControlsFont) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 400, 200);
  auto* edit = New<TEdit>(form);
  edit->SetParent(form);
  form->Show();
  Pump();
  auto fontOf = [](TWinControl* c) { return reinterpret_cast<HFONT>(SendMessage(c->Handle(), WM_GETFONT, 0, 0)); };
  EXPECT_EQ(fontOf(edit), edit->Font()->Handle());
  form->Font()->SetSize(14);
  EXPECT_EQ(edit->Font()->Size(), 14);
  EXPECT_EQ(fontOf(edit), edit->Font()->Handle());
  edit->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_EQ(fontOf(edit), edit->Font()->Handle());
  form->Free();
}

// A control freed while it is the one under the mouse is forgotten by the application's idle pass.
TEST_F(FormsTest, ControlFreedUnderTheMouseIsForgotten) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 400, 200);
  auto* button = New<TButton>(form);
  button->SetBounds(20, 20, 110, 30);
  button->SetHint("tip");
  button->SetShowHint(true);
  button->SetParent(form);
  form->Show();
  Pump();
  POINT p = Center(button);
  headless::MouseMove(p.x, p.y);
  Pump();
  Application->HandleMessage();  // the idle pass makes the button the control under the mouse
  button->Free();
  headless::MouseMove(p.x + 200, p.y + 100);
  Pump();
  Application->HandleMessage();  // under ASan a stale pointer would be caught here
  form->Free();
}

// An edit and a memo with the default single border show the sunken two-pixel client edge: dark grey above
// and left with white below and right outside, black and light grey inside; the client area lies within.
TEST_F(FormsTest, EditAndMemoWithTheDefaultBorderShowTheSunkenClientEdge) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 400, 260);
  TWinControl* edit = Place<TEdit>(form, 20, 20, 180, 24);
  TWinControl* memo = Place<TMemo>(form, 20, 60, 240, 120);
  form->Show();
  Pump();
  for (TWinControl* c : {edit, memo}) {
    SCOPED_TRACE(c->ClassName());
    EXPECT_EQ(c->ClientWidth(), c->Width() - 4);
    EXPECT_EQ(c->ClientHeight(), c->Height() - 4);
    RECT r;
    GetWindowRect(c->Handle(), &r);
    int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    struct Ring {
      int inset;
      int topLeft, bottomRight;
    };
    for (Ring ring : {Ring{0, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT}, Ring{1, COLOR_3DDKSHADOW, COLOR_3DLIGHT}}) {
      SCOPED_TRACE(ring.inset);
      EXPECT_EQ(headless::Pixel(nullptr, r.left + ring.inset, my), Sys(ring.topLeft));
      EXPECT_EQ(headless::Pixel(nullptr, mx, r.top + ring.inset), Sys(ring.topLeft));
      EXPECT_EQ(headless::Pixel(nullptr, r.right - 1 - ring.inset, my), Sys(ring.bottomRight));
      EXPECT_EQ(headless::Pixel(nullptr, mx, r.bottom - 1 - ring.inset), Sys(ring.bottomRight));
    }
    EXPECT_EQ(headless::Pixel(nullptr, r.left + 2, my), Sys(COLOR_WINDOW));
  }
  form->Free();
}

// A check box's box: the same sunken edge around a 9-pixel well; ticked, the well holds the 7-pixel check
// mark (a column of three pixels per step, down two then up four) and nothing else; unticked, nothing.
TEST_F(FormsTest, CheckBoxShowsTheCheckMarkInASunkenBox) {
  static const char* const kTicked[9] = {
      ".........",  //
      ".......#.",  //
      "......##.",  //
      ".#...###.",  //
      ".##.###..",  //
      ".#####...",  //
      "..###....",  //
      "...#.....",  //
      ".........",
  };
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 300, 120);
  auto* check = Place<TCheckBox>(form, 20, 20, 120, 20);
  check->SetCaption("Check me");
  form->Show();
  Pump();
  const int top = (check->ClientHeight() - 13) / 2;
  auto px = [&](int x, int y) { return headless::Pixel(check->Handle(), x, top + y); };
  for (bool ticked : {true, false}) {
    SCOPED_TRACE(ticked);
    check->SetChecked(ticked);
    Pump();
    EXPECT_EQ(px(0, 6), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(px(6, 0), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(px(12, 6), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(px(6, 12), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(px(1, 6), Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(px(6, 1), Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(px(11, 6), Sys(COLOR_3DLIGHT));
    EXPECT_EQ(px(6, 11), Sys(COLOR_3DLIGHT));
    std::string well;
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 9; ++x) {
        uint32_t p = px(2 + x, 2 + y);
        well += p == Sys(COLOR_WINDOWTEXT) ? '#' : p == Sys(COLOR_WINDOW) ? '.' : '?';
      }
      well += '\n';
    }
    std::string want;
    for (const char* row : kTicked) want += std::string(ticked ? row : ".........") + '\n';
    EXPECT_EQ(well, want);
  }
  form->Free();
}
