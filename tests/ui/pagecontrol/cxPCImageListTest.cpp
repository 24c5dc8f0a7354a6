// The tab image list and the painter base's image and caption drawing: image indexes, the image list's
// changes and destruction, the turned-image cache, errors, embossed and hot captions, owner drawing.

#include <memory>

#include "cxPCSupport.h"
#include "forms/ImgList.h"

using namespace pc_test;

namespace {

class ImageListTest : public PCTest {
protected:
  TImageList* Images(int w, int h, int count, TColor color = clRed) {
    TImageList* images = New<TImageList>(Form);
    images->SetWidth(w);
    images->SetHeight(h);
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
    for (int i = 0; i < count; ++i) images->Add(b.get(), nullptr);
    return images;
  }
  static int Count(TcxCustomTabControl* c, const RECT& r, uint32_t rgb) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (headless::Pixel(c->Handle(), x, y) == rgb) ++n;
    return n;
  }
};

TEST_F(ImageListTest, ImageIndexResolvesOnlyInsideAUsableList) {
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  EXPECT_EQ(c->Tabs()->Tabs(1)->ImageIndex(), -1);  // no images
  EXPECT_EQ(c->Tabs()->Tabs(1)->StoredImageIndex(), 1);
  c->SetImages(Images(8, 8, 2));
  EXPECT_EQ(c->Tabs()->Tabs(0)->ImageIndex(), 0);
  EXPECT_EQ(c->Tabs()->Tabs(1)->ImageIndex(), 1);
  EXPECT_EQ(c->Tabs()->Tabs(2)->ImageIndex(), -1);  // past the count
  c->Tabs()->Tabs(0)->SetImageIndex(-5);
  EXPECT_EQ(c->Tabs()->Tabs(0)->StoredImageIndex(), -1);
  c->OnGetImageIndex = TcxGetTabImageEvent([](TObject*, int32_t tab, int32_t& index) { index = tab == 2 ? 0 : index; });
  EXPECT_EQ(c->Tabs()->Tabs(2)->ImageIndex(), 0);
  TImageList* flat = New<TImageList>(Form);  // a list without width counts as none
  flat->SetWidth(0);
  c->SetImages(flat);
  EXPECT_EQ(c->Tabs()->Tabs(1)->ImageIndex(), -1);
  EXPECT_EQ(c->ImageList()->GetSize().cx, 0);
}

TEST_F(ImageListTest, ListChangesAndDestructionLayTheTabsOutAgain) {
  auto* c = MakeControl(300, 100, {"a", "b"});
  TImageList* images = Images(8, 8, 1);
  c->SetImages(images);
  TTestPainter* p = TestPainter(c);
  int layouts = p->LayoutCount;
  std::unique_ptr<TBitmap> b(New<TBitmap>());
  b->SetSize(8, 8);
  images->Add(b.get(), nullptr);
  EXPECT_EQ(p->LayoutCount, layouts + 1);
  EXPECT_EQ(c->Tabs()->Tabs(1)->ImageIndex(), 1);
  images->Free();
  EXPECT_EQ(c->Images(), nullptr);
  EXPECT_EQ(p->LayoutCount, layouts + 2);
  EXPECT_EQ(c->Tabs()->Tabs(1)->ImageIndex(), -1);
}

TEST_F(ImageListTest, TurnedImagesAreCachedPerBackgroundColour) {
  auto* c = MakeControl(300, 100, {"a"});
  TImageList* images = Images(6, 10, 2);
  c->SetImages(images);
  c->SetRotate(true);  // captions on a horizontal strip run vertically: images turn with them
  EXPECT_EQ(c->ImageList()->Rotation(), 1);
  EXPECT_EQ(c->ImageList()->GetRotatedSize().cx, 10);
  ASSERT_EQ(c->ImageList()->RotatedImages().size(), 2u);
  std::unique_ptr<TBitmap> target(New<TBitmap>());
  target->SetSize(40, 40);
  TcxCanvas canvas(target->Canvas());
  c->ImageList()->Draw(&canvas, 0, 0, 1, true, clWhite);
  const auto& e = c->ImageList()->RotatedImages()[1];
  EXPECT_TRUE(e.Valid);
  EXPECT_EQ(e.Bitmap->Width(), 10);
  EXPECT_EQ(e.Bitmap->Height(), 6);
  TBitmap* cached = e.Bitmap;
  c->ImageList()->Draw(&canvas, 0, 0, 1, true, clWhite);
  EXPECT_EQ(c->ImageList()->RotatedImages()[1].Bitmap, cached);
  EXPECT_EQ(c->ImageList()->RotatedImages()[1].BackgroundColor, clWhite);
  c->ImageList()->Draw(&canvas, 0, 0, 1, true, clBlue);
  EXPECT_EQ(c->ImageList()->RotatedImages()[1].BackgroundColor, clBlue);
  EXPECT_EQ(target->ScanLine(5)[9] & 0xFFFFFF, Rgb(clRed));
}

TEST_F(ImageListTest, DrawErrors) {
  auto* c = MakeControl(300, 100, {"a"});
  std::unique_ptr<TBitmap> target(New<TBitmap>());
  target->SetSize(10, 10);
  TcxCanvas canvas(target->Canvas());
  try {
    c->ImageList()->Draw(&canvas, 0, 0, 0, true, clWhite);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TcxPCImageList.Draw: BaseImages не задан");
  }
  c->SetImages(Images(8, 8, 2));
  try {
    c->ImageList()->Draw(&canvas, 0, 0, 2, true, clWhite);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TcxPCImageList.Draw: Индекс (2) должен быть между 0 и 1");
  }
}

TEST_F(ImageListTest, CaptionsShowEmbossedWhenUnusableAndHotLightWhenHot) {
  Metrics().DrawContent = true;
  auto* c = MakeControl(300, 100, {"Projects", "Backup", "Report"});
  c->SetImages(Images(8, 8, 3, clLime));
  c->Tabs()->Tabs(1)->SetEnabled(false);
  c->SetHotTrack(true);
  Idle();
  POINT p = Centre(c->GetTabVisibleRect(2));
  MoveTo(c, p.x, p.y);
  ASSERT_EQ(c->HotTabVisibleIndex(), 2);
  c->Invalidate();
  Idle();
  const RECT r0 = c->GetTabVisibleRect(0), r1 = c->GetTabVisibleRect(1), r2 = c->GetTabVisibleRect(2);
  EXPECT_GT(Count(c, r0, Rgb(clLime)), 40);  // its image
  EXPECT_GT(Count(c, r0, Rgb(clBlack)), 5);  // a dark caption on the selected tab
  EXPECT_GT(Count(c, r1, Rgb(clBtnHighlight)), 5);
  EXPECT_GT(Count(c, r1, Rgb(clBtnShadow)), 5);
  EXPECT_EQ(Count(c, r1, Rgb(clBlack)), 0);
  EXPECT_GT(Count(c, r2, Rgb(cxPCHotLightColor())), 5);
  EXPECT_EQ(Count(c, r2, Rgb(clBlack)), 0);
}

TEST_F(ImageListTest, OwnerDrawnTabIsLeftToTheApplication) {
  auto* c = MakeControl(300, 100, {"60", "60", "60"});
  c->SetOwnerDraw(true);
  int calls = 0;
  c->OnDrawTab = TcxDrawTabEvent([&calls](TcxCustomTabControl*, TcxTab* tab, bool& defaultDraw) {
    ++calls;
    defaultDraw = tab->Index() != 1;
  });
  c->Invalidate();
  Idle();
  EXPECT_EQ(TestPainter(c)->DrawnTabs, (std::vector<int32_t>{0, 2}));
  EXPECT_GE(calls, 3);
  EXPECT_EQ(headless::Pixel(c->Handle(), 150, 60), Rgb(clBtnFace));  // the page is still drawn
  c->OnDrawTab = nullptr;
}

}  // namespace
