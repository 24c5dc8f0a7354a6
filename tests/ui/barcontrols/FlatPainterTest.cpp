// The flat painter's pixels: a tool bar button normal, hot, pressed, checked, checked and hot, and
// disabled; the separator; the docked border with its grip; and the metrics the style gives.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class FlatPainterTest : public ToolbarTest {
protected:
  TdxBar* Buttons() {
    for (const char* caption : {"Обычная", "Горячая", "Нажатая", "Отмечена", "Выключена"})
      Items.push_back(Button(("bb" + std::to_string(Items.size())).c_str(), caption));
    Items[3]->SetButtonStyle(bsChecked);
    Items[3]->SetDown(true);
    Items[4]->SetEnabled(false);
    return Toolbar("States", std::vector<TdxBarItem*>(Items.begin(), Items.end()), {3});
  }
  uint32_t Face() const { return BrushColor(Manager->FlatBrush(1)); }
  uint32_t Checked() const { return BrushColor(Manager->FlatBrush(2)); }
  uint32_t Pressed() const { return BrushColor(Manager->FlatBrush(3)); }
  uint32_t Hot() const { return BrushColor(Manager->FlatBrush(4)); }
  static constexpr uint32_t kHighlight = 0x0A246A;
  // The frame pixel and an inner pixel clear of the caption, of button i.
  static std::pair<uint32_t, uint32_t> FrameAndFill(TdxBar* ABar, int AIndex) {
    const RECT r = Window(ABar)->GetItemRect(Control(ABar, AIndex));
    return {Pixel(ABar, r.left, r.top + 5), Pixel(ABar, r.left + 2, r.top + 2)};
  }
  std::vector<TdxBarButton*> Items;
};

TEST_F(FlatPainterTest, ButtonStates) {
  TdxBar* bar = Buttons();
  // Normal: the tool bar's light face, no frame.
  EXPECT_EQ(FrameAndFill(bar, 0), std::make_pair(Face(), Face()));
  // Checked: a highlight frame around the checked colour.
  EXPECT_EQ(FrameAndFill(bar, 3), std::make_pair(kHighlight, Checked()));
  // Disabled: the plain face; its caption in the grey text colour, without the white emboss.
  EXPECT_EQ(FrameAndFill(bar, 4), std::make_pair(Face(), Face()));
  const RECT off = ItemRect(bar, 4);
  int grey = 0, white = 0;
  for (int x = off.left; x < off.right; ++x)
    for (int y = off.top; y < off.bottom; ++y) {
      const uint32_t p = Pixel(bar, x, y);
      grey += p == 0x808080;
      white += p == 0xFFFFFF;
    }
  EXPECT_GT(grey, 10);
  EXPECT_EQ(white, 0);
  // Hot: a highlight frame around the hot colour.
  headless::MouseMove(Centre(bar, 1).x, Centre(bar, 1).y);
  Idle();
  EXPECT_EQ(FrameAndFill(bar, 1), std::make_pair(kHighlight, Hot()));
  EXPECT_EQ(FrameAndFill(bar, 0), std::make_pair(Face(), Face()));
  // Checked and hot: the pressed colour inside the frame.
  headless::MouseMove(Centre(bar, 3).x, Centre(bar, 3).y);
  Idle();
  EXPECT_EQ(FrameAndFill(bar, 3), std::make_pair(kHighlight, Pressed()));
  // Pressed (held down): the pressed colour; the caption turns to the highlight text colour.
  headless::MouseMove(Centre(bar, 2).x, Centre(bar, 2).y);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(FrameAndFill(bar, 2), std::make_pair(kHighlight, Pressed()));
  // Moved off while held: still the selection, drawn hot, no longer pressed.
  headless::MouseMove(Centre(bar, 2).x, Centre(bar, 2).y + 80);
  Idle();
  EXPECT_EQ(FrameAndFill(bar, 2), std::make_pair(kHighlight, Hot()));
  headless::MouseUp();
  Idle();
}

TEST_F(FlatPainterTest, SeparatorIsOneShadowLineInTheMiddle) {
  TdxBar* bar = Buttons();
  const RECT sep = Control(bar, 3)->SeparatorRect;
  ASSERT_EQ(sep.right - sep.left, 5);
  ASSERT_EQ(sep.right, ItemRect(bar, 3).left);
  const int y = (sep.top + sep.bottom) / 2;
  const uint32_t expected[] = {Face(), Face(), 0x808080, Face(), Face()};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Pixel(bar, sep.left + i, y), expected[i]) << i;
}

TEST_F(FlatPainterTest, DockedBorderHasRoundedCornersAndADottedGrip) {
  TdxBar* bar = Buttons();
  HWND window = Window(bar)->Handle();
  HDC dc = GetWindowDC(window);
  auto at = [&](int x, int y) { return Rgb(GetPixel(dc, x, y)); };
  const uint32_t face = 0xD4D0C8;
  EXPECT_EQ(at(0, 0), face);
  EXPECT_EQ(at(1, 1), face);  // the rounded corner
  EXPECT_EQ(at(2, 1), Face());
  // The grip: three pixels wide, one pixel in, every other row in the shadow colour, 3 rows short at the ends.
  EXPECT_EQ(at(3, 5), 0x808080);
  EXPECT_EQ(at(3, 6), Face());
  EXPECT_EQ(at(5, 7), 0x808080);
  EXPECT_EQ(at(3, 3), Face());
  ReleaseDC(window, dc);
}

TEST_F(FlatPainterTest, MetricsOfTheStyle) {
  const TdxBarItemControlPainter* flat = TdxBarItemControlFlatPainter::Instance();
  EXPECT_EQ(Manager->PainterClass(), flat);
  EXPECT_TRUE(flat->IsFlatStyle());
  EXPECT_EQ(flat->GetDragGripIndent(), 1);
  EXPECT_EQ(flat->GetGripAreaSize(), 6);
  EXPECT_EQ(flat->GetMenuSeparatorIndent(), 8);
  EXPECT_EQ(flat->GetToolbarSeparatorSize(nullptr, true), 5);
  EXPECT_EQ(flat->GetButtonArrowWidth(Manager), 10);  // the base's 11, less one
  EXPECT_EQ(flat->GetEditHeightExtra(), 7);
  EXPECT_TRUE(flat->IsQuickCustomizingSupported());
  EXPECT_TRUE(flat->AllowsFloatingDragByCaption());
  EXPECT_EQ(Manager->GripAreaSize(), 6);
  // The flat colours: the tool bar is the face lightened by 16 %, the border the shadow darkened to 80 %.
  EXPECT_EQ(BrushColor(Manager->FlatBrush(0)), 0x666666);
  EXPECT_EQ(Face(), 0xDAD7D0u);
}

}  // namespace
