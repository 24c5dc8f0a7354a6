// A built-in button on a double-buffered control paints into the memory bitmap it is handed, so that what
// it draws (itself or, owner-drawn, through its owner) is what reaches the screen.

#include "FormsSupport.h"
#include "forms/Buttons.h"
#include "forms/StdCtrls.h"

using namespace ft;

namespace double_buffered_button_test {

// Pixels of the control's client area darker than mid-grey in every channel: its caption and dark edges.
int DarkPixels(TWinControl* c) {
  int dark = 0;
  for (int y = 0; y < c->ClientHeight(); ++y)
    for (int x = 0; x < c->ClientWidth(); ++x) {
      uint32_t p = headless::Pixel(c->Handle(), x, y);
      if (((p >> 16) & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60) ++dark;
    }
  return dark;
}

template <class C>
void ExpectFaceShown(TForm* form, bool doubleBuffered) {
  SCOPED_TRACE(testing::Message() << C::StaticClass()->ClassName() << (doubleBuffered ? " buffered" : " direct"));
  auto* button = New<C>(form);
  button->SetBounds(20, 20, 110, 30);
  button->SetParent(form);
  button->SetCaption("Press");
  button->SetDoubleBuffered(doubleBuffered);
  button->Invalidate();
  Application->ProcessMessages();
  headless::RunUntilIdle();
  // Caption and the dark lower-right edge, but not a face left black.
  EXPECT_GT(DarkPixels(button), 60);
  EXPECT_LT(DarkPixels(button), 110 * 30 / 2);
  button->Free();
}

TEST_F(FormsTest, DoubleBufferedBuiltInButtonsReachTheScreen) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(60, 60, 400, 200);
  form->Show();
  Application->ProcessMessages();
  for (bool buffered : {false, true}) {
    ExpectFaceShown<TButton>(form, buffered);
    ExpectFaceShown<TBitBtn>(form, buffered);
  }
  form->Free();
}

}  // namespace double_buffered_button_test
