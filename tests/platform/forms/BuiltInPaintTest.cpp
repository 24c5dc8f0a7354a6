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
