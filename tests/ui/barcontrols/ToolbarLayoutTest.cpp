// Where a tool bar puts its items: a docked row with its separators and mark, the wrapped rows of a
// floating bar with their group rules, the truncated row with its chevrons, and the sizes the painter's
// metrics give.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class ToolbarLayoutTest : public ToolbarTest {
protected:
  // The lefts of the shown links' rectangles, "-" for an empty one.
  static std::string Lefts(TdxBar* ABar) {
    std::string s;
    for (int32_t i = 0; i < ABar->ItemLinks()->Count(); ++i) {
      const RECT r = ItemRect(ABar, i);
      if (!s.empty()) s += ",";
      s += IsRectEmpty(&r) ? "-" : std::to_string(r.left);
    }
    return s;
  }
  // The rows of a wrapped bar: how many links each row holds, and the tops of the rows.
  static std::string Rows(TdxBar* ABar) {
    std::string counts, tops;
    int32_t top = -1, n = 0;
    for (int32_t i = 0; i < ABar->ItemLinks()->Count(); ++i) {
      const RECT r = ItemRect(ABar, i);
      if (r.top != top) {
        if (n) counts += std::to_string(n) + ",";
        tops += std::to_string(r.top) + ",";
        top = r.top;
        n = 0;
      }
      ++n;
    }
    counts += std::to_string(n);
    tops.pop_back();
    return counts + " at " + tops;
  }
};

// The flat style's separator is 5 wide and its grip 6; the base style, which the style without a painter
// of its own uses, has 6 and no grip, and no mark (it offers no quick customizing).
struct TRowCase {
  TdxBarManagerStyle Style;
  const char* Lefts;
  int32_t WindowWidth;
  int32_t ClientWidth;
};

class ToolbarRowTest : public ToolbarLayoutTest, public ::testing::WithParamInterface<TRowCase> {};

TEST_P(ToolbarRowTest, DockedRowPlacesButtonsSeparatorsAndMark) {
  const TRowCase& c = GetParam();
  Manager->SetStyle(c.Style);
  TdxBar* bar = Toolbar("Row", GlyphButtons(4), {2});
  TdxBarControl* window = Window(bar);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Lefts(bar), c.Lefts);
  EXPECT_EQ(window->Width(), c.WindowWidth);
  EXPECT_EQ(window->ClientWidth(), c.ClientWidth);
  EXPECT_EQ(window->ClientHeight(), Manager->ButtonHeight());
  EXPECT_EQ(window->Height(), Manager->ButtonHeight() + 4);  // two pixels of border above and below
  for (int i = 0; i < 4; ++i) {
    const RECT r = ItemRect(bar, i);
    EXPECT_EQ(r.right - r.left, Manager->ButtonWidth()) << i;
    EXPECT_EQ(r.top, 0) << i;
  }
  // The mark keeps 11 pixels after the items of a docked flat bar.
  EXPECT_EQ(window->HasMark(), c.Style == bmsFlat);
  EXPECT_EQ(window->CalcContentWidth(dsTop), 4 * 23 + (c.Style == bmsFlat ? 5 + 11 : 6));
}

INSTANTIATE_TEST_SUITE_P(Styles, ToolbarRowTest,
                         ::testing::Values(TRowCase{bmsFlat, "0,23,51,74", 118, 108},
                                           TRowCase{bmsStandard, "0,23,52,75", 102, 98}));

// Wrapping a floating bar of six 23-pixel buttons: a group that overflows moves to the next row whole, a
// group start that would overflow begins a row, and after a row broken inside a group the next group
// always begins a row. A separator between rows lies across (5 pixels).
struct TWrapCase {
  int32_t Width;
  std::vector<int> Groups;
  const char* Rows;
};

class ToolbarWrapTest : public ToolbarLayoutTest, public ::testing::WithParamInterface<TWrapCase> {};

TEST_P(ToolbarWrapTest, FloatingBarWrapsByGroups) {
  const TWrapCase& c = GetParam();
  TdxBar* bar = FloatingBar("Wrap", GlyphButtons(6), c.Groups, c.Width);
  ASSERT_NE(Window(bar), nullptr);
  EXPECT_EQ(Rows(bar), c.Rows);
}

INSTANTIATE_TEST_SUITE_P(Groups, ToolbarWrapTest,
                         ::testing::Values(TWrapCase{100, {}, "4,2 at 0,22"},        // overflow alone
                                           TWrapCase{100, {3}, "3,3 at 0,27"},       // the group moves down whole
                                           TWrapCase{100, {4}, "4,2 at 0,27"},       // the group start begins a row
                                           TWrapCase{80, {4}, "3,1,2 at 0,22,49"},  // after a break, groups do not join
                                           TWrapCase{200, {2}, "6 at 0"}));

TEST_F(ToolbarLayoutTest, FloatingBarTakesTheWidthOfItsWrappedLayout) {
  TdxBar* bar = FloatingBar("Wrap", GlyphButtons(6), {}, 100);
  TdxBarControl* window = Window(bar);
  // Four buttons fit into 100 pixels: the bar is as wide as they are, and two rows high.
  EXPECT_EQ(window->ClientWidth(), 92);
  EXPECT_EQ(window->ClientHeight(), 44);
  // Sizing from the right edge to a width between two wrap points snaps to the wrapped layout.
  RECT r;
  GetWindowRect(window->Handle(), &r);
  const int32_t extra = bar->GetExtraWidth(dsNone);
  RECT sizing{r.left, r.top, r.left + extra + 60, r.bottom};
  SendMessage(window->Handle(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&sizing));
  EXPECT_EQ(sizing.right - sizing.left, extra + 46);  // two buttons a row
  EXPECT_EQ(sizing.bottom - sizing.top, bar->GetExtraHeight(dsNone) + 3 * 22);
  // A corner does not size the bar; no top goes above -15.
  RECT corner{r.left - 40, -100, r.right, r.bottom};
  SendMessage(window->Handle(), WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&corner));
  EXPECT_EQ(corner.left, r.left);
  EXPECT_EQ(corner.right - corner.left, r.right - r.left);
}

TEST_F(ToolbarLayoutTest, NeverFloatedBarFloatsInOneRow) {
  TdxBar* bar = FloatingBar("One row", GlyphButtons(5), {}, 0);
  EXPECT_EQ(Rows(bar), "5 at 0");
  EXPECT_EQ(Window(bar)->ClientWidth(), 5 * 23);
}

TEST_F(ToolbarLayoutTest, TooShortRowShowsWhatFitsAndTheChevrons) {
  Form->SetClientWidth(150);
  TdxBar* bar = Toolbar("Short", GlyphButtons(8));
  TdxBarControl* window = Window(bar);
  ASSERT_TRUE(window->Truncated);
  ASSERT_TRUE(window->HasMark());
  // The row holds the buttons that fit before the mark; the others have no rectangle and cannot be hit.
  const int32_t fit = (window->ClientWidth() - 11) / 23;
  for (int i = 0; i < 8; ++i) {
    const RECT r = ItemRect(bar, i);
    EXPECT_EQ(IsRectEmpty(&r), i >= fit) << i;
  }
  EXPECT_EQ(window->GetItemControlAt(POINT{fit * 23 + 3, 5}), nullptr);
  // The mark shows the arrow and, for the hidden buttons, two chevrons in the button text colour.
  const RECT mark = Manager->PainterClass()->GetMarkArea(window);
  EXPECT_EQ(mark.right - mark.left, 11);
  EXPECT_EQ(mark.right, window->ClientWidth());
  int dark = 0;
  for (int x = mark.left; x < mark.right; ++x)
    for (int y = mark.top + 3; y < mark.top + 10; ++y)
      if (Pixel(bar, x, y) == 0x000000) ++dark;
  EXPECT_GE(dark, 12);
}

TEST_F(ToolbarLayoutTest, ButtonSizesFollowTheFontAndThePainter) {
  auto* caption = Button("bbCaption", "Резервирование");
  auto* lowered = Button("bbLowered", "Резервирование");
  lowered->SetLowered(true);
  auto* glyph = GlyphButton("bbGlyph");
  auto* both = GlyphButton("bbBoth");
  both->SetPaintStyle(psCaptionGlyph);
  TdxBar* bar = Toolbar("Sizes", {caption, lowered, glyph, both});
  TdxBarControl* window = Window(bar);
  TCanvas* canvas = window->Canvas();
  const int32_t text = canvas->TextWidth("Резервирование");
  EXPECT_EQ(window->LineHeight(), canvas->TextHeight("0") + 6);
  EXPECT_EQ(window->Indent(), std::max(window->LineHeight() / 5, 4));
  const int32_t height = std::max(window->LineHeight(), Manager->ButtonHeight());
  // A caption button: the text and the font's point size; lowered, one pixel more on each side.
  EXPECT_EQ(Control(bar, 0)->GetWidth(), text + canvas->Font()->Size());
  EXPECT_EQ(Control(bar, 0)->GetHeight(), height);
  EXPECT_EQ(Control(bar, 1)->GetWidth(), text + canvas->Font()->Size() + 2);
  EXPECT_EQ(Control(bar, 1)->GetHeight(), height + 2);
  // A glyph button: the manager's button size (glyph 16 + the painter's 7 and 6).
  EXPECT_EQ(Control(bar, 2)->GetWidth(), 23);
  EXPECT_EQ(Control(bar, 2)->GetHeight(), 22);
  // Caption and glyph: the text after the glyph's button and 4 pixels.
  EXPECT_EQ(Control(bar, 3)->GetWidth(), canvas->TextWidth("bbBoth") + 23 + 4);
  // A psStandard button without glyph shows its caption; a glyph turns it into a glyph button.
  auto* plain = Button("bbPlain", "Текст");
  TdxBar* second = Toolbar("Plain", {plain});
  auto* control = dynamic_cast<TdxBarButtonControl*>(Control(second, 0));
  EXPECT_EQ(control->GetPaintStyle(), psCaption);
  TBitmap picture;
  picture.SetSize(16, 16);
  plain->SetGlyph(&picture);
  Idle();
  control = dynamic_cast<TdxBarButtonControl*>(Control(second, 0));
  EXPECT_EQ(control->GetPaintStyle(), TdxBarPaintStyle::psStandard);
  EXPECT_EQ(control->GetWidth(), 23);
}

TEST_F(ToolbarLayoutTest, LastItemAlignsInTheRow) {
  auto items = GlyphButtons(3);
  items[2]->SetAlign(iaRight);
  Form->SetClientWidth(400);
  TdxBar* bar = Toolbar("Align", items);
  bar->SetWholeRow(true);
  Idle();
  TdxBarControl* window = Window(bar);
  // A bar that fills its row: the right-aligned last button ends where the mark begins.
  EXPECT_EQ(ItemRect(bar, 2).right, window->ClientWidth() - 11);
  items[2]->SetAlign(iaClient);
  Idle();
  EXPECT_EQ(ItemRect(bar, 2).left, 46);
  EXPECT_EQ(ItemRect(bar, 2).right, window->ClientWidth() - 11);
  items[2]->SetAlign(iaCenter);
  Idle();
  const int32_t rowLength = window->ClientWidth() - 11;
  EXPECT_EQ(ItemRect(bar, 2).left, 46 + (rowLength - 69) / 2);
}

TEST_F(ToolbarLayoutTest, UserWidthIsNeverBelowTwenty) {
  TdxBar* bar = Toolbar("Width", GlyphButtons(1));
  bar->ItemLinks()->Items(0)->SetUserWidth(5);
  EXPECT_EQ(bar->ItemLinks()->Items(0)->UserWidth(), 20);
  bar->ItemLinks()->Items(0)->SetUserWidth(37);
  EXPECT_EQ(bar->ItemLinks()->Items(0)->UserWidth(), 37);
}

TEST_F(ToolbarLayoutTest, VerticalBarStacksItemsAndTurnsCaptions) {
  auto* text = Button("bbText", "Текст");
  TdxBar* bar = Toolbar("Vertical", {GlyphButton("bbA"), GlyphButton("bbB"), text}, {1}, dsLeft);
  TdxBarControl* window = Window(bar);
  ASSERT_TRUE(window->IsVertical());
  EXPECT_EQ(ItemRect(bar, 0).top, 0);
  EXPECT_EQ(ItemRect(bar, 1).top, 22 + 5);  // 22 high, then the separator
  EXPECT_EQ(ItemRect(bar, 2).top, 22 + 5 + 22);
  // A turned caption button is as high as its text is wide.
  const RECT r = ItemRect(bar, 2);
  EXPECT_GT(r.bottom - r.top, r.right - r.left);
  EXPECT_EQ(r.bottom - r.top, Control(bar, 2)->GetHeight());
  // The grip lies above the items.
  EXPECT_EQ(window->GetDragGripRect().bottom, 0);
}

}  // namespace
