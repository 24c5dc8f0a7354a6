// Painting: windowed and graphic controls draw on their canvas at their own origin, clipped to
// themselves; hints appear after the pause.

#include "FormsSupport.h"

using namespace ft;

TEST_F(FormsTest, GraphicControlPaintsAtItsOwnOriginClippedToItself) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  form->SetColor(clWhite);
  auto* box = New<TPaintBox>(form);
  box->SetBounds(50, 40, 30, 20);
  box->SetParent(form);
  std::vector<SIZE> textSizes;
  box->OnPaint = [&](TObject*) {
    TCanvas* c = box->Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(RECT{0, 0, 100, 100});  // larger than the box: clipped
    c->Pen()->SetColor(clBlue);
    c->MoveTo(0, 0);
    c->LineTo(10, 0);
    textSizes.push_back(c->TextExtent("Hello"));
  };
  form->Show();
  Pump();
  HWND h = form->Handle();
  EXPECT_EQ(headless::Pixel(h, 55, 50), 0xFF0000u);  // inside the box: red (0x00RRGGBB)
  EXPECT_EQ(headless::Pixel(h, 51, 40), 0x0000FFu);  // the line on the box's top row
  EXPECT_EQ(headless::Pixel(h, 85, 50), 0xFFFFFFu);  // right of the box: the form's colour
  EXPECT_EQ(headless::Pixel(h, 55, 65), 0xFFFFFFu);  // below it
  ASSERT_FALSE(textSizes.empty());
  EXPECT_GT(textSizes[0].cx, 10);
  EXPECT_GT(textSizes[0].cy, 5);
  form->Free();
}

TEST_F(FormsTest, PanelPaintsItsColorAndRepaintsWhenChanged) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  auto* panel = New<TPanel>(form);
  panel->SetBounds(10, 10, 100, 50);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clLime);
  panel->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(headless::Pixel(panel->Handle(), 5, 5), 0x00FF00u);
  panel->SetColor(clNavy);
  Pump();
  EXPECT_EQ(headless::Pixel(panel->Handle(), 5, 5), 0x000080u);
  form->Free();
}

TEST_F(FormsTest, HintShowsAfterThePauseOverAControlThatAsksForIt) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  auto* panel = New<TPanel>(form);
  panel->SetBounds(10, 10, 100, 50);
  panel->SetHint("Start the backup|Starts the backup of the selected database");
  panel->SetShowHint(true);
  panel->SetParent(form);
  form->Show();
  Pump();
  THintInfo seen;
  Application->OnShowHint = [&](String& s, bool&, THintInfo& info) {
    seen = info;
    seen.HintStr = s;
  };
  POINT p = Center(panel);
  RunScript({[&] { headless::MouseMove(p.x, p.y); },
             [&] { EXPECT_TRUE(!Application->HintWindow() || !Application->HintWindow()->IsHintVisible()); },
             [&] { headless::AdvanceClock(static_cast<uint32_t>(Application->HintPause()) + 10); }, [] {}});
  Application->Run();
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->IsHintVisible());
  EXPECT_EQ(seen.HintStr, "Start the backup");
  EXPECT_EQ(seen.HintControl, panel);
  EXPECT_EQ(seen.HintPos.x, p.x);
  EXPECT_EQ(seen.HintPos.y, p.y + 20);
  RECT wr;
  GetWindowRect(Application->HintWindow()->Handle(), &wr);
  EXPECT_EQ(wr.left, p.x);
  EXPECT_EQ(wr.top, p.y + 20);
  form->Free();
}

TEST_F(FormsTest, AControlMayPlaceItsHint) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  auto* panel = New<TPanel>(form);
  panel->SetBounds(10, 10, 100, 50);
  panel->SetHint("Placed");
  panel->SetShowHint(true);
  panel->SetParent(form);
  form->Show();
  Pump();
  Application->OnShowHint = [&](String&, bool&, THintInfo& info) { info.HintPos = POINT{5, 7}; };
  POINT p = Center(panel);
  RunScript({[&] { headless::MouseMove(p.x, p.y); },
             [&] { headless::AdvanceClock(static_cast<uint32_t>(Application->HintPause()) + 10); }, [] {}});
  Application->Run();
  ASSERT_NE(Application->HintWindow(), nullptr);
  RECT wr;
  GetWindowRect(Application->HintWindow()->Handle(), &wr);
  EXPECT_EQ(wr.left, 5);
  EXPECT_EQ(wr.top, 7);
  form->Free();
}

TEST_F(FormsTest, DoubleBufferedControlPaintsTheSamePicture) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  auto* panel = New<TPanel>(form);
  panel->SetBounds(10, 10, 100, 50);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clYellow);
  panel->SetDoubleBuffered(true);
  panel->SetParent(form);
  auto* box = New<TPaintBox>(form);
  box->SetBounds(20, 10, 10, 10);
  box->SetParent(panel);
  box->OnPaint = [&](TObject*) {
    box->Canvas()->Brush()->SetColor(clRed);
    box->Canvas()->FillRect(RECT{0, 0, 10, 10});
  };
  form->Show();
  Pump();
  EXPECT_EQ(headless::Pixel(panel->Handle(), 5, 5), 0xFFFF00u);
  EXPECT_EQ(headless::Pixel(panel->Handle(), 25, 15), 0xFF0000u);
  EXPECT_EQ(headless::Pixel(panel->Handle(), 35, 15), 0xFFFF00u);
  form->Free();
}

TEST_F(FormsTest, ParentBackgroundErasesWithTheParentsColor) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  form->SetColor(clTeal);
  auto* panel = New<TTestControl>(form);
  panel->SetBounds(10, 10, 100, 50);
  panel->SetColor(clLime);
  panel->SetParentBackground(true);
  panel->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(headless::Pixel(panel->Handle(), 5, 5), 0x008080u);
  form->Free();
}

TEST_F(FormsTest, ImageDrawsItsBitmapStretchedAndTransparent) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(20, 20, 300, 200);
  form->SetColor(clWhite);
  auto* image = New<TImage>(form);
  image->SetBounds(10, 10, 40, 40);
  image->SetParent(form);
  TBitmap* bmp = image->Picture()->Bitmap();
  bmp->SetSize(4, 4);
  bmp->Canvas()->Brush()->SetColor(clBlue);
  bmp->Canvas()->FillRect(RECT{0, 0, 4, 4});
  bmp->Canvas()->SetPixels(3, 0, clRed);  // the top-right corner
  bmp->Canvas()->SetPixels(0, 3, clLime);  // bottom-left: the transparent colour in auto mode
  EXPECT_EQ(bmp->ScanLine(0)[3], 0xFF0000u);
  EXPECT_EQ(bmp->TransparentColor(), clLime);
  image->SetStretch(true);
  image->SetTransparent(true);
  form->Show();
  Pump();
  HWND h = form->Handle();
  EXPECT_EQ(headless::Pixel(h, 15, 15), 0x0000FFu);  // stretched blue
  EXPECT_EQ(headless::Pixel(h, 45, 12), 0xFF0000u);  // the red corner, ten times larger
  EXPECT_EQ(headless::Pixel(h, 12, 45), 0xFFFFFFu);  // transparent: the form shows through
  // A copy through TPicture keeps the pixels.
  TPicture copy;
  copy.Assign(image->Picture());
  ASSERT_NE(dynamic_cast<TBitmap*>(copy.Graphic()), nullptr);
  EXPECT_EQ(static_cast<TBitmap*>(copy.Graphic())->ScanLine(0)[3], 0xFF0000u);
  EXPECT_THROW(copy.LoadFromFile("picture.unknown"), EInvalidGraphic);
  form->Free();
}
