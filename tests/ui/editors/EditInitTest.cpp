#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cxContainerTestSupport.h"
#include "forms/Forms.h"
#include "rtl/Classes.h"
#include "ui/base/cxClasses.h"
#include "ui/data/cxFilter.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/WinGdi.h"

namespace {

class EditInitTest : public cxcontainer_test::ContainerTest {
protected:
  void TearDown() override {
    SetTranslationLists(nullptr, nullptr);
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  // A number no one registers: the screen answers its default cursor for it.
  static constexpr TCursor kUnknownCursor = 4999;
};

TEST_F(EditInitTest, TheMouseWheelCursorIsScreenCursor4101UntilFinalized) {
  HCURSOR before = Screen->Cursors(crcxEditMouseWheel);
  EXPECT_EQ(before, Screen->Cursors(kUnknownCursor));
  cxEditInitialize();
  HCURSOR cursor = Screen->Cursors(crcxEditMouseWheel);
  ASSERT_NE(cursor, nullptr);
  EXPECT_NE(cursor, Screen->Cursors(kUnknownCursor));

  // Its picture: 32 x 32, the hot spot on the dot in the middle, the corners see-through.
  int width = 0, height = 0;
  POINT hot{};
  ASSERT_TRUE(winapi::GetCursorImage(cursor, &width, &height, &hot, nullptr));
  ASSERT_EQ(width, 32);
  ASSERT_EQ(height, 32);
  EXPECT_EQ(hot.x, 15);
  EXPECT_EQ(hot.y, 15);
  std::vector<uint32_t> argb(32 * 32);
  ASSERT_TRUE(winapi::GetCursorImage(cursor, &width, &height, &hot, argb.data()));
  EXPECT_EQ(argb[15 * 32 + 15], 0xFF000000u);  // the dot: opaque black
  EXPECT_EQ(argb[15 * 32 + 13] >> 24, 0xFFu);  // its white rim
  EXPECT_EQ(argb[15 * 32 + 13] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(argb[0] >> 24, 0u);
  EXPECT_EQ(argb[31 * 32 + 31] >> 24, 0u);

  // A second start changes nothing.
  cxEditInitialize();
  EXPECT_EQ(Screen->Cursors(crcxEditMouseWheel), cursor);

  cxEditFinalize();
  EXPECT_NE(Screen->Cursors(crcxEditMouseWheel), cursor);
}

TEST_F(EditInitTest, FilterOperatorCaptionsPassThroughTheTranslationAfterStartUp) {
  TStringList* sources = New<TStringList>();
  TStringList* translations = New<TStringList>();
  sources->Add("равно");
  translations->Add("equals");
  SetTranslationLists(sources, translations);
  auto freer = [](TObject* o) { o->Free(); };
  std::unique_ptr<TcxFilterOperator, decltype(freer)> equal(CreateFilterOperator(foEqual, nullptr), freer);

  EXPECT_EQ(equal->DisplayCaption(), "равно");  // before start-up: as it stands
  cxEditInitialize();
  EXPECT_EQ(equal->DisplayCaption(), "equals");
  EXPECT_NE(GetEditStyleController(), nullptr);
  cxEditFinalize();
  EXPECT_EQ(equal->DisplayCaption(), "равно");
}

}  // namespace
