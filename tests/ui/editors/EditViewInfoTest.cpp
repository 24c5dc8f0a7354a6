#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "ui/base/cxGraphics.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace {

using edit_test::Owned;

struct ButtonSetup {
  bool left;
  int32_t width;
  bool stretchable = true;
};

struct Rect {
  int32_t l, t, r, b;
};
bool operator==(const RECT& a, const Rect& b) { return a.left == b.l && a.top == b.t && a.right == b.r && a.bottom == b.b; }
std::string Str(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "}";
}

// Lays out one editor of bounds (0, 0, width, 20) with a single border, from properties and a style alone.
class EditViewInfoTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(320, 240);
    Properties.reset(New<TcxCustomEditProperties>(nullptr));
    // Not in direct-access mode: such a style always has a transparent border.
    Style.reset(New<TcxEditStyle>(nullptr, false, cssNormal, nullptr));
    Style->SetBorderStyle(cbsSingle);
    Style->SetShadow(false);
    // Plain painting: the geometry below is that of the drawn borders, not of a theme.
    Style->LookAndFeel()->SetNativeStyle(false);
    Style->SetTransparentBorder(false);
    Bitmap.reset(New<TBitmap>());
    Bitmap->SetSize(200, 40);
    Canvas.reset(New<TcxCanvas>(Bitmap->Canvas()));
    ViewInfo.reset(CreateAs<TcxCustomEditViewInfo>(Properties->GetViewInfoClass()));
  }
  void TearDown() override {
    ViewInfo.reset();
    Canvas.reset();
    Bitmap.reset();
    Style.reset();
    Properties.reset();
    cxEditFinalize();
    DoneEditPaintUtils();
    headless::Shutdown();
  }
  void AddButtons(const std::vector<ButtonSetup>& ASetups) {
    for (const ButtonSetup& s : ASetups) {
      TcxEditButton* b = Properties->Buttons()->Add();
      b->SetLeftAlignment(s.left);
      b->SetWidth(s.width);
      b->SetStretchable(s.stretchable);
    }
  }
  void Layout(int32_t AWidth, bool AInplace = false, bool AFocused = false, POINT AMouse = POINT{-1, -1},
              TShiftState AShift = {}, bool AMouseEvent = false) {
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), AInplace));
    data->Focused = AFocused;
    data->CalculateEditRects(Canvas.get(), RECT{0, 0, AWidth, 20}, AMouseEvent, ViewInfo.get(), AShift, mbLeft,
                             AMouse);
  }
  RECT BoundsOf(int32_t AVisibleIndex) const { return ViewInfo->Button(AVisibleIndex)->Bounds; }

  Owned<TcxCustomEditProperties> Properties;
  Owned<TcxEditStyle> Style;
  Owned<TBitmap> Bitmap;
  Owned<TcxCanvas> Canvas;
  Owned<TcxCustomEditViewInfo> ViewInfo;
};

TEST_F(EditViewInfoTest, ButtonsTakeTheirPlacesInEachOrderAndViewStyle) {
  struct Case {
    const char* name;
    std::vector<ButtonSetup> buttons;
    int32_t width;
    bool inplace;
    bool shadow;
    TcxEditButtonsViewStyle viewStyle;
    std::vector<Rect> bounds;  // by visible index
    Rect client;
  };
  const Case cases[] = {
      {"two right-aligned: A then B", {{false, 15}, {false, 20}}, 100, false, false, bvsNormal,
       {{64, 1, 79, 19}, {79, 1, 99, 19}}, {1, 1, 64, 19}},
      {"two left-aligned: B then A", {{true, 15}, {true, 20}}, 100, false, false, bvsNormal,
       {{21, 1, 36, 19}, {1, 1, 21, 19}}, {36, 1, 99, 19}},
      {"left, right, left", {{true, 15}, {false, 20}, {true, 10}}, 100, false, false, bvsNormal,
       {{11, 1, 26, 19}, {79, 1, 99, 19}, {1, 1, 11, 19}}, {26, 1, 79, 19}},
      {"in place: no border", {{false, 15}, {false, 20}}, 100, true, false, bvsNormal,
       {{65, 0, 80, 20}, {80, 0, 100, 20}}, {0, 0, 65, 20}},
      {"with a shadow", {{false, 15}, {false, 20}}, 100, false, true, bvsNormal,
       {{61, 1, 76, 16}, {76, 1, 96, 16}}, {1, 1, 61, 16}},
      {"buttons only: 10 spare pixels over three", {{false, 20}, {false, 20}, {false, 20}}, 72, false, false,
       bvsButtonsOnly, {{1, 1, 25, 19}, {25, 1, 48, 19}, {48, 1, 71, 19}}, {1, 1, 1, 19}},
      {"buttons only: only the stretchable one grows", {{false, 20, false}, {false, 20}}, 52, false, false,
       bvsButtonsOnly, {{1, 1, 21, 19}, {21, 1, 51, 19}}, {1, 1, 1, 19}},
      {"buttons only, left group grows rightwards", {{true, 20}, {true, 20}}, 52, false, false, bvsButtonsOnly,
       {{26, 1, 51, 19}, {1, 1, 26, 19}}, {1, 1, 1, 19}},
      {"auto width stand-alone keeps the text area", {{false, 20}}, 52, false, false, bvsButtonsAutoWidth,
       {{31, 1, 51, 19}}, {1, 1, 31, 19}},
  };
  for (const Case& c : cases) {
    Properties->Buttons()->Clear();
    AddButtons(c.buttons);
    Properties->SetButtonsViewStyle(c.viewStyle);
    Style->SetShadow(c.shadow);
    Layout(c.width, c.inplace);
    ASSERT_EQ(ViewInfo->ButtonCount(), static_cast<int32_t>(c.bounds.size())) << c.name;
    for (size_t i = 0; i < c.bounds.size(); ++i)
      EXPECT_TRUE(BoundsOf(static_cast<int32_t>(i)) == c.bounds[i]) << c.name << " button " << i << " "
                                                                     << Str(BoundsOf(static_cast<int32_t>(i)));
    EXPECT_TRUE(ViewInfo->ClientRect == c.client) << c.name << " " << Str(ViewInfo->ClientRect);
  }
}

TEST_F(EditViewInfoTest, AButtonWiderThanTheRoomKeepsItsBoundsButNotItsVisibleRect) {
  AddButtons({{false, 15}, {false, 15}, {false, 20}});
  Layout(30);
  ASSERT_EQ(ViewInfo->ButtonCount(), 3);
  EXPECT_TRUE(BoundsOf(2) == (Rect{9, 1, 29, 19}));
  EXPECT_TRUE(BoundsOf(1) == (Rect{-6, 1, 9, 19}));
  EXPECT_TRUE(ViewInfo->Button(1)->Data.VisibleRect == (Rect{1, 1, 9, 19}));
  EXPECT_TRUE(BoundsOf(0) == (Rect{0, 0, 0, 0}));
  EXPECT_TRUE(ViewInfo->Button(0)->Data.VisibleRect == (Rect{0, 0, 0, 0}));
  EXPECT_TRUE(ViewInfo->ClientRect == (Rect{1, 1, 1, 19})) << Str(ViewInfo->ClientRect);
}

TEST_F(EditViewInfoTest, GroupEdgesAreMarked) {
  AddButtons({{true, 10}, {true, 10}, {false, 10}, {false, 10}});
  Layout(100);
  std::vector<std::pair<bool, bool>> edges;
  for (int32_t i = 0; i < 4; ++i) edges.emplace_back(ViewInfo->Button(i)->Data.Leftmost, ViewInfo->Button(i)->Data.Rightmost);
  // Visible 1 is the leftmost left-aligned, 0 the rightmost of that group; 2 and 3 the right group's.
  std::vector<std::pair<bool, bool>> expected{{false, true}, {true, false}, {true, false}, {false, true}};
  EXPECT_EQ(edges, expected);

  // Buttons alone: the two groups meet, and every button counts as right-aligned.
  Properties->SetButtonsViewStyle(bvsButtonsOnly);
  Layout(100);
  EXPECT_FALSE(ViewInfo->Button(0)->Data.Rightmost);
  EXPECT_FALSE(ViewInfo->Button(2)->Data.Leftmost);
  for (int32_t i = 0; i < 4; ++i) EXPECT_FALSE(ViewInfo->Button(i)->Data.LeftAlignment);
}

TEST_F(EditViewInfoTest, HiddenButtonsFollowTheTransparencyRule) {
  AddButtons({{false, 15}});
  struct Case {
    TcxEditButtonTransparency transparency;
    bool focused, mouseInside;
    int32_t shown;
  };
  const Case cases[] = {
      {ebtHideInactive, false, false, 0},   {ebtHideInactive, false, true, 0},  {ebtHideInactive, true, false, 1},
      {ebtHideUnselected, false, false, 0}, {ebtHideUnselected, false, true, 1}, {ebtHideUnselected, true, false, 1},
      {ebtNone, false, false, 1},
  };
  for (const Case& c : cases) {
    Style->SetButtonTransparency(c.transparency);
    Layout(100, false, c.focused, c.mouseInside ? POINT{10, 10} : POINT{-1, -1});
    EXPECT_EQ(ViewInfo->ButtonCount(), c.shown) << int(c.transparency) << c.focused << c.mouseInside;
  }
}

TEST_F(EditViewInfoTest, ButtonStatesFollowTheMouse) {
  AddButtons({{false, 15}, {false, 20}});
  Properties->Buttons()->Items(0)->SetEnabled(false);
  Layout(100, false, false, POINT{85, 10});
  EXPECT_EQ(ViewInfo->Button(1)->Data.State, cxEditButtonStateHot);
  EXPECT_EQ(ViewInfo->HotButton, 1);
  EXPECT_EQ(ViewInfo->Button(0)->Data.State, cxEditButtonStateDisabled);
  EXPECT_TRUE(ViewInfo->ContainerState.Contains(csHotTrack));

  TShiftState left;
  left.Include(ssLeft);
  Layout(100, false, false, POINT{85, 10}, left, true);
  EXPECT_EQ(ViewInfo->Button(1)->Data.State, cxEditButtonStatePressed);
  EXPECT_EQ(ViewInfo->PressedButton, 1);
  EXPECT_TRUE(ViewInfo->IsButtonReallyPressed);

  Layout(100, false, false, POINT{30, 10});
  EXPECT_EQ(ViewInfo->Button(1)->Data.State, cxEditButtonStateNormal);
  EXPECT_EQ(ViewInfo->HotButton, -1);
}

TEST_F(EditViewInfoTest, BorderColorsAndPopupBorders) {
  struct Case {
    TcxContainerBorderStyle border;
    bool focused;
    TColor color;  // clNone: the style's own border colour
    TcxEditPopupBorderStyle popup;
    TcxEditBorderStyle painted;
  };
  const Case cases[] = {
      {cbsSingle, false, clNone, epbsSingle, ebsSingle},
      {cbsUltraFlat, false, clBtnShadow, epbsSingle, ebsSingle},
      {cbsUltraFlat, true, GetHighlightBorderColor(false), epbsSingle, ebsSingle},
      {cbsOffice11, true, GetHighlightBorderColor(true), epbsSingle, ebsSingle},
      {cbsNone, false, clNone, epbsFlat, ebsNone},
      {cbsFlat, false, clNone, epbsFlat, ebsFlat},
  };
  for (const Case& c : cases) {
    Style->SetBorderStyle(c.border);
    Layout(100, false, c.focused);
    EXPECT_EQ(ViewInfo->BorderColor, c.color == clNone ? Style->BorderColor() : c.color) << int(c.border);
    EXPECT_EQ(ViewInfo->PopupBorderStyle, c.popup) << int(c.border);
    EXPECT_EQ(ViewInfo->EditBorderStyle, c.painted) << int(c.border);
  }
}

TEST_F(EditViewInfoTest, OnlyChangedButtonsAreReportedAsChanged) {
  AddButtons({{false, 15}, {false, 20}});
  Layout(100);
  Owned<TcxCustomEditViewInfo> old(New<TcxCustomEditViewInfo>());
  old->Assign(ViewInfo.get());
  std::unique_ptr<TcxRegion> same(ViewInfo->GetChangedRegion(old.get()));
  EXPECT_TRUE(same->HasNoArea());

  Layout(100, false, false, POINT{85, 10});  // button 1 turns hot; so does the editor, but its border stays
  std::unique_ptr<TcxRegion> hot(ViewInfo->GetChangedRegion(old.get()));
  std::unique_ptr<TcxRegion> button(new TcxRegion(ViewInfo->Button(1)->Bounds));
  EXPECT_TRUE(hot->SameAs(button.get()));

  Style->SetBorderStyle(cbs3D);
  Layout(100);
  std::unique_ptr<TcxRegion> all(ViewInfo->GetChangedRegion(old.get()));
  std::unique_ptr<TcxRegion> bounds(new TcxRegion(ViewInfo->Bounds));
  EXPECT_TRUE(all->SameAs(bounds.get()));
}

TEST_F(EditViewInfoTest, TextButtonsAreAsWideAsTheirCaption) {
  TcxEditButton* b = Properties->Buttons()->Add();
  b->SetKind(bkText);
  b->SetCaption("&Wide caption text");
  Layout(200);
  Canvas->Font()->Assign(Style->GetVisibleFont());
  int32_t expected = std::max<int32_t>(GetSystemMetrics(SM_CYHSCROLL), 4 + Canvas->TextWidth("Wide caption text") + 3);
  EXPECT_EQ(BoundsOf(0).right - BoundsOf(0).left, expected);
  Properties->Buttons()->Items(0)->SetKind(bkEllipsis);
  Layout(200);
  EXPECT_EQ(BoundsOf(0).right - BoundsOf(0).left, GetSystemMetrics(SM_CYHSCROLL));
}

TEST_F(EditViewInfoTest, MeasuringAddsTheFrameToTheContent) {
  AddButtons({{false, 15}, {true, 20}});
  struct Case {
    const char* name;
    bool inplace;
    TcxEditButtonsViewStyle viewStyle;
    int32_t available;
    int32_t width;
    int32_t height;  // -1: a text line plus its vertical room, plus the frame
  };
  const Case cases[] = {
      {"unlimited", false, bvsNormal, -1, 2 + 35, 2},
      {"wide enough", false, bvsNormal, 100, 2 + 35, 2},
      {"narrower than the frame", false, bvsNormal, 20, 20, 2},
      {"in place", true, bvsNormal, -1, 35, 0},
      {"auto-width buttons in place", true, bvsButtonsAutoWidth, -1, 35, -1},
  };
  for (const Case& c : cases) {
    Properties->SetButtonsViewStyle(c.viewStyle);
    TcxEditSizeProperties request;
    request.Width = c.available;
    SIZE size{};
    Properties->GetEditSize(Canvas.get(), Style.get(), c.inplace, Variant(Null()), request, size);
    int32_t height = c.height;
    if (height < 0) {
      Canvas->Font()->Assign(Style->GetVisibleFont());
      height = Canvas->TextHeight("Zg") + 2;
    }
    EXPECT_EQ(size.cx, c.width) << c.name;
    EXPECT_EQ(size.cy, height) << c.name;
  }
}

TEST_F(EditViewInfoTest, AnInPlaceGlyphButtonAsksForItsHeight) {
  TcxEditButton* b = Properties->Buttons()->Add();
  b->SetKind(bkGlyph);
  Owned<TBitmap> glyph(New<TBitmap>());
  glyph->SetSize(12, 30);
  b->SetGlyph(glyph.get());
  Style->SetButtonStyle(bts3D);
  SIZE size{};
  Properties->GetEditSize(Canvas.get(), Style.get(), true, Variant(Null()), TcxEditSizeProperties(), size);
  EXPECT_EQ(size.cx, 12 + 4);
  EXPECT_EQ(size.cy, 30 + 4);  // the glyph and the raised frame of the button face
}

}  // namespace
