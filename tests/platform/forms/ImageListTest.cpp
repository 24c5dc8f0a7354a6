// Image lists: pictures added and drawn by index; change links hear every change, once per update.

#include "FormsSupport.h"
#include "forms/ImgList.h"

using namespace ft;

TEST_F(FormsTest, ImageListDrawsByIndexAndTellsItsLinks) {
  auto* list = New<TImageList>(nullptr);
  list->SetWidth(4);
  list->SetHeight(4);
  TChangeLink link;
  int changes = 0;
  link.OnChange = [&](TObject* sender) {
    ++changes;
    EXPECT_EQ(sender, list);
  };
  list->RegisterChanges(&link);

  TBitmap red, blue;
  for (auto [bmp, color] : {std::pair{&red, clRed}, std::pair{&blue, clBlue}}) {
    bmp->SetSize(4, 4);
    bmp->Canvas()->Brush()->SetColor(color);
    bmp->Canvas()->FillRect(RECT{0, 0, 4, 4});
  }
  list->BeginUpdate();
  EXPECT_EQ(list->Add(&red, nullptr), 0);
  EXPECT_EQ(list->AddMasked(&blue, clLime), 1);
  list->EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list->Count(), 2);

  TBitmap target;
  target.SetSize(10, 4);
  list->Draw(target.Canvas(), 0, 0, 0);
  list->Draw(target.Canvas(), 5, 0, 1);
  EXPECT_EQ(target.ScanLine(1)[1], 0xFF0000u);
  EXPECT_EQ(target.ScanLine(1)[6], 0x0000FFu);
  EXPECT_EQ(target.ScanLine(1)[4], 0xFFFFFFu);

  list->Delete(0);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(changes, 2);
  // Freeing the list leaves the link without a sender.
  list->Free();
  EXPECT_EQ(link.Sender(), nullptr);
}
