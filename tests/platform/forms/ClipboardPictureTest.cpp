// The clipboard object with pictures (bitmaps and graphics of other classes going through it, a failed
// paste leaving the picture alone) and the picture file dialogs' default filter.

#include <gtest/gtest.h>

#include "FormsSupport.h"
#include "forms/Clipbrd.h"
#include "forms/ExtDlgs.h"
#include "forms/Graphics.h"
#include "forms/PngImage.h"

namespace {

class ClipboardPictureTest : public ft::FormsTest {
protected:
  void TearDown() override {
    Clipboard()->Clear();
    ft::FormsTest::TearDown();
  }
  static TBitmap* ClipTestBitmap(int w, int h, uint32_t colour) {
    TBitmap* b = New<TBitmap>();
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b->ScanLine(y)[x] = x == 0 ? 0x000000u : colour;
    return b;
  }
};

TEST_F(ClipboardPictureTest, BitmapGoesThroughTheClipboard) {
  TBitmap* src = ClipTestBitmap(5, 3, 0x336699);
  Clipboard()->Assign(src);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_PICTURE()));  // a plain bitmap needs no picture stream
  TBitmap* dst = New<TBitmap>();
  dst->Assign(Clipboard());
  EXPECT_EQ(dst->Width(), 5);
  EXPECT_EQ(dst->Height(), 3);
  EXPECT_EQ(dst->ScanLine(2)[0], 0x000000u);
  EXPECT_EQ(dst->ScanLine(2)[4], 0x336699u);
  TPicture* picture = New<TPicture>();
  picture->Assign(Clipboard());
  EXPECT_NE(dynamic_cast<TBitmap*>(picture->Graphic()), nullptr);
  picture->Free();
  dst->Free();
  src->Free();
}

TEST_F(ClipboardPictureTest, OtherGraphicsKeepTheirClassAndABitmapForOthers) {
  TBitmap* bmp = ClipTestBitmap(4, 4, 0x00FF00);
  TPngImage* png = New<TPngImage>();
  png->Assign(bmp);
  TPicture* src = New<TPicture>();
  src->SetGraphic(png);
  Clipboard()->Assign(src);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_PICTURE()));
  TPicture* dst = New<TPicture>();
  dst->Assign(Clipboard());
  ASSERT_NE(dynamic_cast<TPngImage*>(dst->Graphic()), nullptr);
  EXPECT_EQ(dst->Width(), 4);
  TBitmap* flat = New<TBitmap>();
  flat->Assign(Clipboard());
  EXPECT_EQ(flat->ScanLine(1)[2], 0x00FF00u);
  flat->Free();
  dst->Free();
  src->Free();
  png->Free();
  bmp->Free();
}

TEST_F(ClipboardPictureTest, NothingToPasteRaisesAndKeepsThePicture) {
  Clipboard()->Clear();
  TBitmap* bmp = ClipTestBitmap(2, 2, 0x123456);
  TPicture* picture = New<TPicture>();
  picture->SetGraphic(bmp);
  EXPECT_THROW(picture->Assign(Clipboard()), EInvalidGraphic);
  EXPECT_EQ(picture->Width(), 2);
  // A picture stream that is damaged is no picture either.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, 3);
  auto* p = static_cast<uint8_t*>(GlobalLock(g));
  p[0] = 200;  // a name longer than the block
  GlobalUnlock(g);
  SetClipboardData(CF_PICTURE(), g);
  CloseClipboard();
  EXPECT_THROW(picture->Assign(Clipboard()), EInvalidGraphic);
  EXPECT_EQ(picture->Width(), 2);
  // Assigning nothing empties the clipboard.
  Clipboard()->Assign(bmp);
  Clipboard()->Assign(nullptr);
  EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
  picture->Free();
  bmp->Free();
}

TEST_F(ClipboardPictureTest, PictureDialogsOfferEveryRegisteredFormat) {
  TOpenPictureDialog* open = New<TOpenPictureDialog>(Application);
  TSavePictureDialog* save = New<TSavePictureDialog>(Application);
  EXPECT_EQ(open->Filter(), GraphicFilter(TGraphic::StaticClass()));
  EXPECT_EQ(save->Filter(), GraphicFilter(TGraphic::StaticClass()));
  EXPECT_NE(open->Filter().find("*.png"), String::npos);
  open->Free();
  save->Free();
}

}  // namespace
