#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "cxContainerTestSupport.h"
#include "forms/Forms.h"
#include "forms/PngImage.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/dxOffice11.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/base/dxThemeManager.h"
#include "ui/base/dxUxTheme.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using edit_test::Owned;

// A pixel expected at (X, Y) of the painted bitmap.
struct EvpPixel {
  int x, y;
  TColor color;
};

uint32_t EvpRgb(TColor c) { return cxcontainer_test::Rgb(c); }

TColor EvpOffice11ButtonColor() {
  Office11ColorsAcquire();
  TColor c = TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(cxbsNormal);
  Office11ColorsRelease();
  return c;
}

// Paints editors laid out from properties and a style alone onto a white bitmap, with the container
// tests' fixed system colours.
class EditViewInfoPaintTest : public ::testing::Test {
protected:
  static constexpr int W = 460, H = 270;
  void SetUp() override {
    headless::Init(640, 480);
    for (const cxcontainer_test::SysColorEntry& c : cxcontainer_test::kContainerSysColors) {
      int index = c.index;
      COLORREF color = c.color;
      SetSysColors(1, &index, &color);
    }
    Properties.reset(New<TcxCustomEditProperties>(nullptr));
    Style.reset(New<TcxEditStyle>(nullptr, false, cssNormal, nullptr));
    Style->SetBorderStyle(cbsSingle);
    Style->SetShadow(false);
    Style->LookAndFeel()->SetNativeStyle(false);
    Style->SetTransparentBorder(false);
    // Without a control the background would be the face colour; a window colour tells the two apart.
    Style->SetColor(clWindow);
    Bitmap.reset(New<TBitmap>());
    Bitmap->SetSize(W, H);
    Clear();
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
    DoneThemeManager();
    winapi::SetThemeActive(false);
    headless::Shutdown();
  }
  void Clear() {
    Bitmap->Canvas()->Brush()->SetStyle(bsSolid);
    Bitmap->Canvas()->Brush()->SetColor(clWhite);
    Bitmap->Canvas()->FillRect(RECT{0, 0, W, H});
  }
  TcxEditButton* AddButton(TcxEditButtonKind AKind, int32_t AWidth, bool ALeft = false) {
    TcxEditButton* b = Properties->Buttons()->Add();
    b->SetKind(AKind);
    b->SetWidth(AWidth);
    b->SetLeftAlignment(ALeft);
    return b;
  }
  // The mouse states the view data turns into button states.
  enum Mouse { mNone, mHot, mPressed };
  void Layout(const RECT& ABounds, Mouse AMouse = mNone, POINT APoint = POINT{-1, -1}, bool AInplace = false,
              bool AFocused = false) {
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), AInplace));
    data->Focused = AFocused;
    TShiftState shift;
    if (AMouse == mPressed) shift.Include(ssLeft);
    data->CalculateEditRects(Canvas.get(), ABounds, AMouse == mPressed, ViewInfo.get(), shift, mbLeft,
                             AMouse == mNone ? POINT{-1, -1} : APoint);
  }
  void Paint() { ViewInfo->PaintBackground(Canvas.get()); }
  uint32_t Px(int x, int y) const { return Bitmap->ScanLine(y)[x] & 0xFFFFFF; }
  void ExpectPixels(const std::vector<EvpPixel>& APixels, const std::string& ACase) {
    for (const EvpPixel& p : APixels)
      EXPECT_EQ(Px(p.x, p.y), EvpRgb(p.color)) << ACase << " at (" << p.x << ", " << p.y << ")";
  }

  Owned<TcxCustomEditProperties> Properties;
  Owned<TcxEditStyle> Style;
  Owned<TBitmap> Bitmap;
  Owned<TcxCanvas> Canvas;
  Owned<TcxCustomEditViewInfo> ViewInfo;
};

TEST_F(EditViewInfoPaintTest, EachBorderStylePaintsItsFrameAroundTheBackground) {
  struct Case {
    const char* name;
    TcxContainerBorderStyle border;
    bool focused;
    TcxBorders edges;
    std::vector<EvpPixel> pixels;  // editor (0, 0, 60, 20)
  };
  const TColor office11 = GetHighlightBorderColor(true);
  const Case cases[] = {
      {"single", cbsSingle, false, cxBordersAll,
       {{0, 0, clWindowFrame}, {59, 19, clWindowFrame}, {30, 0, clWindowFrame}, {1, 1, clWindow}, {58, 18, clWindow}}},
      {"thick", cbsThick, false, cxBordersAll,
       {{0, 0, clWindowFrame}, {1, 1, clWindowFrame}, {58, 18, clWindowFrame}, {2, 2, clWindow}}},
      {"flat", cbsFlat, false, cxBordersAll,
       {{0, 5, clBtnShadow}, {59, 5, clBtnHighlight}, {1, 5, clBtnFace}, {58, 5, clBtnFace}, {2, 2, clWindow}}},
      {"3D", cbs3D, false, cxBordersAll,
       {{0, 5, clBtnShadow}, {59, 5, clBtnHighlight}, {1, 5, cl3DDkShadow}, {58, 5, cl3DLight}, {2, 2, clWindow}}},
      {"none", cbsNone, false, cxBordersAll, {{0, 0, clWindow}, {59, 19, clWindow}}},
      {"ultra-flat resting", cbsUltraFlat, false, cxBordersAll, {{0, 0, clBtnShadow}, {1, 1, clWindow}}},
      {"ultra-flat focused", cbsUltraFlat, true, cxBordersAll, {{0, 0, clHighlight}, {59, 10, clHighlight}}},
      {"Office11 focused", cbsOffice11, true, cxBordersAll, {{0, 0, office11}, {1, 1, clWindow}}},
      // A side without an edge has no border inside the bounds: the background reaches the edge there.
      {"single without left edge", cbsSingle, false, TcxBorders{bTop, bRight, bBottom},
       {{0, 10, clWindow}, {59, 10, clWindowFrame}, {10, 0, clWindowFrame}}},
  };
  for (const Case& c : cases) {
    Clear();
    Style->SetBorderStyle(c.border);
    Style->SetEdges(c.edges);
    Layout(RECT{0, 0, 60, 20}, mNone, POINT{-1, -1}, false, c.focused);
    Paint();
    ExpectPixels(c.pixels, c.name);
  }
}

TEST_F(EditViewInfoPaintTest, AShadowFallsRightAndBelowTheFrame) {
  Style->SetShadow(true);
  Layout(RECT{0, 0, 60, 20});
  Paint();
  // The frame is (0, 0, 57, 17); the shadow is 3 pixels deep, starting 3 pixels in.
  ExpectPixels({{56, 16, clWindowFrame},
                {57, 10, clBtnShadow},
                {59, 19, clBtnShadow},
                {10, 18, clBtnShadow},
                {58, 1, clWhite},
                {1, 18, clWhite},
                {55, 15, clWindow}},
               "shadow");
}

// One ellipsis button of width 17 at (42, 1, 59, 19) in a single-bordered editor (0, 0, 60, 20); the
// dots of a resting button start at (45, 9), a pressed button's one pixel right and down.
TEST_F(EditViewInfoPaintTest, EachButtonStylePaintsEachState) {
  struct Case {
    const char* name;
    TcxEditButtonStyle style;
    int state;  // 0 disabled, 1 normal, 2 pressed, 3 hot
    bool inplace;
    std::vector<EvpPixel> pixels;
  };
  const TColor hotFace = GetFlatButtonColor(false, false), pressedFace = GetFlatButtonColor(true, false);
  const TColor hotFace11 = GetFlatButtonColor(false, true), pressedFace11 = GetFlatButtonColor(true, true);
  const TColor h11 = GetHighlightBorderColor(true);
  const TColor face11 = EvpOffice11ButtonColor();
  const Case cases[] = {
      {"3D normal", bts3D, 1, false,
       {{42, 10, cl3DLight}, {43, 10, clBtnHighlight}, {58, 10, cl3DDkShadow}, {57, 10, clBtnShadow},
        {50, 5, clBtnFace}, {45, 9, clBtnText}, {49, 10, clBtnText}}},
      {"3D hot", bts3D, 3, false, {{42, 10, cl3DLight}, {58, 10, cl3DDkShadow}, {45, 9, clBtnText}}},
      {"3D pressed", bts3D, 2, false,
       {{42, 10, clBtnShadow}, {58, 10, clBtnShadow}, {43, 10, clBtnFace}, {45, 9, clBtnFace}, {46, 10, clBtnText}}},
      {"3D disabled", bts3D, 0, false,
       {{42, 10, cl3DLight}, {45, 9, clBtnShadow}, {47, 11, clBtnHighlight}}},
      {"flat normal", btsFlat, 1, false,
       {{42, 10, clBtnFace}, {43, 10, clBtnHighlight}, {50, 1, clBtnHighlight}, {57, 10, clBtnFace},
        {58, 10, clBtnShadow}, {45, 9, clBtnText}}},
      {"flat pressed", btsFlat, 2, false,
       {{43, 10, clBtnShadow}, {50, 1, clBtnShadow}, {58, 10, clBtnHighlight}, {46, 10, clBtnText}}},
      {"simple normal", btsSimple, 1, false,
       {{42, 10, clWindow}, {58, 10, clWindow}, {50, 1, clWindow}, {43, 10, clBtnFace}, {45, 9, clBtnText}}},
      // Hot and pressed simple buttons show as flat ones.
      {"simple hot", btsSimple, 3, false, {{42, 10, clBtnFace}, {43, 10, clBtnHighlight}, {58, 10, clBtnShadow}}},
      {"hot-flat normal", btsHotFlat, 1, false,
       {{42, 10, clBtnShadow}, {58, 10, clBtnShadow}, {50, 1, clBtnShadow}, {43, 10, clBtnFace}, {45, 9, clBtnText}}},
      {"hot-flat hot", btsHotFlat, 3, false,
       {{42, 10, clBtnShadow}, {43, 10, clBtnShadow}, {50, 5, clBtnShadow}, {45, 9, clWindow}}},
      {"hot-flat pressed", btsHotFlat, 2, false, {{50, 5, clBtnText}, {46, 10, clWindow}, {45, 9, clBtnText}}},
      {"ultra-flat normal", btsUltraFlat, 1, false,
       {{42, 10, clWindow}, {50, 1, clWindow}, {43, 10, clBtnFace}, {50, 5, clBtnFace}, {45, 9, clBtnText}}},
      // A highlighted stand-alone button draws its inner side in the highlight colour and leaves the side on
      // the editor's border to the border.
      {"ultra-flat hot", btsUltraFlat, 3, false,
       {{42, 10, clHighlight}, {58, 10, hotFace}, {43, 10, hotFace}, {50, 1, hotFace}, {50, 5, hotFace}}},
      {"ultra-flat pressed", btsUltraFlat, 2, false, {{42, 10, clHighlight}, {50, 5, pressedFace}}},
      {"ultra-flat disabled", btsUltraFlat, 0, false, {{42, 10, clWindow}, {43, 10, clBtnFace}, {45, 9, clBtnShadow}}},
      {"Office11 normal", btsOffice11, 1, false, {{42, 10, clWindow}, {43, 10, face11}, {50, 5, face11}}},
      {"Office11 hot", btsOffice11, 3, false, {{42, 10, h11}, {43, 10, hotFace11}, {50, 5, hotFace11}}},
      {"Office11 pressed", btsOffice11, 2, false, {{42, 10, h11}, {50, 5, pressedFace11}}},
      // In place the editor has no border, so the button (43, 0, 60, 20) is framed all round.
      {"ultra-flat hot in place", btsUltraFlat, 3, true,
       {{43, 10, clHighlight}, {59, 10, clHighlight}, {50, 0, clHighlight}, {50, 19, clHighlight},
        {44, 10, hotFace}, {50, 5, hotFace}}},
  };
  TcxEditButton* button = AddButton(bkEllipsis, 17);
  for (const Case& c : cases) {
    Clear();
    Style->SetButtonStyle(c.style);
    button->SetEnabled(c.state != 0);
    Mouse mouse = c.state == 2 ? mPressed : c.state == 3 ? mHot : mNone;
    Layout(RECT{0, 0, 60, 20}, mouse, POINT{50, 10}, c.inplace);
    ASSERT_EQ(ViewInfo->ButtonCount(), 1);
    ASSERT_EQ(ViewInfo->Button(0)->Data.State, c.state) << c.name;
    Paint();
    ExpectPixels(c.pixels, c.name);
  }
}

TEST_F(EditViewInfoPaintTest, ButtonKindsDrawTheirContent) {
  Style->SetButtonStyle(btsFlat);
  // Content of a flat button of bounds (42, 1, 59, 19): (44, 2, 57, 18).
  {
    SCOPED_TRACE("drop-down arrow");
    TcxEditButton* b = AddButton(bkDown, 17);
    Layout(RECT{0, 0, 60, 20});
    Paint();
    // The arrow is centred on the whole button: its widest row is in the middle columns of the button.
    EXPECT_EQ(Px(50, 9), EvpRgb(clBtnText));
    EXPECT_EQ(Px(50, 4), EvpRgb(clBtnFace));
    EXPECT_EQ(Px(45, 9), EvpRgb(clBtnFace));
    b->SetEnabled(false);
    Clear();
    Layout(RECT{0, 0, 60, 20});
    Paint();
    EXPECT_EQ(Px(50, 9), EvpRgb(clBtnShadow));
    Properties->Buttons()->Clear();
  }
  {
    SCOPED_TRACE("glyph");
    TcxEditButton* b = AddButton(bkGlyph, 0);
    Owned<TBitmap> glyph(New<TBitmap>());
    glyph->SetSize(6, 6);
    glyph->Canvas()->Brush()->SetColor(clRed);
    glyph->Canvas()->FillRect(RECT{0, 0, 6, 6});
    glyph->Canvas()->Brush()->SetColor(clLime);  // the bottom-left pixel's colour is the transparent one
    glyph->Canvas()->FillRect(RECT{0, 3, 6, 6});
    b->SetGlyph(glyph.get());
    Clear();
    Layout(RECT{0, 0, 60, 20});
    Paint();
    // The button is 6 + 4 wide: (49, 1, 59, 19); its content (51, 2, 57, 18) holds the 6 x 6 glyph at
    // (51, 7); its transparent half shows the face.
    EXPECT_EQ(ViewInfo->Button(0)->Bounds.left, 49);
    EXPECT_EQ(Px(51, 7), EvpRgb(clRed));
    EXPECT_EQ(Px(56, 9), EvpRgb(clRed));
    EXPECT_EQ(Px(53, 11), EvpRgb(clBtnFace));
    EXPECT_EQ(Px(53, 6), EvpRgb(clBtnFace));
    EXPECT_EQ(Px(53, 13), EvpRgb(clBtnFace));
    Properties->Buttons()->Clear();
  }
  {
    SCOPED_TRACE("text");
    TcxEditButton* b = AddButton(bkText, 30);
    b->SetCaption("&Go");
    b->SetTextColor(clRed);
    Clear();
    Layout(RECT{0, 0, 60, 20});
    Paint();
    // The caption is drawn in the button's text colour inside its content, nothing of it elsewhere.
    int red = 0, outside = 0;
    const RECT bounds = ViewInfo->Button(0)->Bounds;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x) {
        if (Px(x, y) != EvpRgb(clRed)) continue;
        ++red;
        if (x < bounds.left + 2 || x >= bounds.right - 2) ++outside;
      }
    EXPECT_GT(red, 3);
    EXPECT_EQ(outside, 0);
  }
}

TEST_F(EditViewInfoPaintTest, AButtonWiderThanTheEditorIsClippedToItsVisiblePart) {
  Style->SetButtonStyle(bts3D);
  AddButton(bkEllipsis, 100);
  Layout(RECT{0, 0, 60, 20});
  ASSERT_EQ(ViewInfo->Button(0)->Bounds.left, -41);
  Paint();
  // The button's left side lies outside the editor: the border stays whole and the face starts inside it.
  ExpectPixels({{0, 10, clWindowFrame}, {0, 0, clWindowFrame}, {1, 10, clBtnFace}, {58, 10, cl3DDkShadow}},
               "wide button");
}

TEST_F(EditViewInfoPaintTest, AnInPlaceEditorFillsItsBoundsOrOnlyItsContentOffset) {
  Style->SetColor(clYellow);
  // A whole fill.
  Layout(RECT{10, 10, 60, 30}, mNone, POINT{-1, -1}, true);
  Paint();
  ExpectPixels({{10, 10, clYellow}, {59, 29, clYellow}, {9, 9, clWhite}}, "in place");
  // Without the fill of everything only the ring of the content offset is painted.
  Clear();
  Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), true));
  data->ContentOffset = RECT{2, 1, 2, 1};
  data->CalculateEditRects(Canvas.get(), RECT{10, 10, 60, 30}, false, ViewInfo.get(), {}, mbLeft, POINT{-1, -1});
  ViewInfo->PaintEditButtons(Canvas.get(), false);
  ExpectPixels({{10, 10, clYellow}, {11, 20, clYellow}, {30, 10, clYellow}, {12, 11, clWhite}, {57, 28, clWhite}},
               "content offset");
}

TEST_F(EditViewInfoPaintTest, ThemedEditorsPaintTheThemesFrameAndButtonParts) {
  winapi::SetThemeActive(true);
  DoneThemeManager();
  Style->LookAndFeel()->SetNativeStyle(true);
  TcxEditButton* button = AddButton(bkEllipsis, 17);
  AddButton(bkEllipsis, 17);
  Owned<TBitmap> ref(New<TBitmap>());
  ref->SetSize(W, H);
  auto refPx = [&](int x, int y) { return ref->ScanLine(y)[x] & 0xFFFFFF; };
  struct Case {
    const char* name;
    Mouse mouse;
    int editState, buttonState;
  };
  const Case cases[] = {{"resting", mNone, 1, 1}, {"hot", mHot, 2, 2}, {"pressed", mPressed, 1, 3}};
  for (const Case& c : cases) {
    Clear();
    Layout(RECT{0, 0, 80, 20}, c.mouse, POINT{70, 10});
    ASSERT_TRUE(ViewInfo->NativeStyle);
    EXPECT_EQ(ViewInfo->NativeState, c.editState) << c.name;
    const TcxEditButtonViewInfo* b = ViewInfo->Button(1);
    EXPECT_EQ(b->Data.NativePart, 1) << c.name;
    EXPECT_EQ(b->Data.NativeState, c.buttonState) << c.name;
    Paint();
    // The same parts drawn straight with the theme: the editor's frame, then the button under the mouse.
    ref->Canvas()->Brush()->SetColor(clWhite);
    ref->Canvas()->FillRect(RECT{0, 0, W, H});
    DrawThemeBackgroundRect(OpenTheme(totEdit), ref->Canvas()->Handle(), 1, c.editState, RECT{0, 0, 80, 20});
    DrawThemeBackgroundRect(OpenTheme(totButton), ref->Canvas()->Handle(), 1, c.buttonState, b->Bounds);
    const RECT r = b->Bounds;
    for (POINT p : {POINT{0, 10}, POINT{20, 0}, POINT{20, 19}, POINT{r.left, 10}, POINT{r.right - 1, 10},
                    POINT{(r.left + r.right) / 2, r.top}, POINT{(r.left + r.right) / 2, r.bottom - 1}})
      EXPECT_EQ(Px(p.x, p.y), refPx(p.x, p.y)) << c.name << " at (" << p.x << ", " << p.y << ")";
  }

  // A lone drop-down button is the combo box's drop-down part, and nothing is drawn over it.
  Properties->Buttons()->Clear();
  button = AddButton(bkDown, 17);
  Clear();
  Layout(RECT{0, 0, 80, 20});
  const TcxEditButtonViewInfo* b = ViewInfo->Button(0);
  ASSERT_TRUE(b->Data.IsOnlyDropDownButton);
  EXPECT_EQ(b->Data.NativePart, 1);
  Paint();
  ref->Canvas()->FillRect(RECT{0, 0, W, H});
  DrawThemeBackgroundRect(OpenTheme(totComboBox), ref->Canvas()->Handle(), 1, 1, b->Bounds);
  int differing = 0;
  for (int y = b->Bounds.top; y < b->Bounds.bottom; ++y)
    for (int x = b->Bounds.left; x < b->Bounds.right; ++x) differing += Px(x, y) != refPx(x, y);
  EXPECT_EQ(differing, 0);

  // A disabled themed editor takes the theme's fill of a disabled edit.
  Style->SetColor(clYellow);
  {
    Owned<TcxCustomEditViewData> data(Properties->CreateViewData(Style.get(), false));
    data->Enabled = false;
    data->CalculateEditRects(Canvas.get(), RECT{0, 0, 80, 20}, false, ViewInfo.get(), {}, mbLeft, POINT{-1, -1});
  }
  EXPECT_EQ(ViewInfo->NativeState, 4);
  COLORREF fill = 0;
  ASSERT_EQ(GetThemeColor(OpenTheme(totEdit), 1, 4, TMT_FILLCOLOR, &fill), S_OK);
  EXPECT_EQ(ColorToRGB(ViewInfo->BackgroundColor), fill);
  Layout(RECT{0, 0, 80, 20});
  EXPECT_EQ(ViewInfo->BackgroundColor, clYellow);

  // A themed button's margins are the theme's (3 on each side here), not the plain 2.
  button->SetKind(bkGlyph);
  button->SetWidth(0);
  Owned<TBitmap> glyph(New<TBitmap>());
  glyph->SetSize(6, 6);
  button->SetGlyph(glyph.get());
  Layout(RECT{0, 0, 80, 20});
  EXPECT_EQ(ViewInfo->Button(0)->Bounds.right - ViewInfo->Button(0)->Bounds.left, 12);
  Style->LookAndFeel()->SetNativeStyle(false);
  Layout(RECT{0, 0, 80, 20});
  EXPECT_EQ(ViewInfo->Button(0)->Bounds.right - ViewInfo->Button(0)->Bounds.left, 10);
}

// ---- repainting what changed ----------------------------------------------------------------------------

class EditViewInfoRepaintTest : public EditViewInfoPaintTest {
protected:
  void SetUp() override {
    EditViewInfoPaintTest::SetUp();
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(20, 20, 200, 100);
    Form->Show();
    headless::RunUntilIdle();
  }
  void TearDown() override {
    DoneForms();
    cxControlsFinalize();
    DoneLookAndFeels();
    EditViewInfoPaintTest::TearDown();
  }
  void Validate() { ValidateRect(Form->Handle(), nullptr); }
  // Which of the points are waiting to be painted.
  std::vector<bool> Invalid(const std::vector<POINT>& APoints) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(Form->Handle(), rgn, FALSE);
    std::vector<bool> result;
    for (POINT p : APoints) result.push_back(PtInRegion(rgn, p.x, p.y) != FALSE);
    DeleteObject(rgn);
    return result;
  }
  TForm* Form = nullptr;
};

TEST_F(EditViewInfoRepaintTest, OnlyWhatChangedIsInvalidatedAndNeverTheTextArea) {
  AddButton(bkEllipsis, 17);
  Layout(RECT{0, 0, 60, 20});
  ViewInfo->Left = 5;
  ViewInfo->Top = 7;
  Owned<TcxCustomEditViewInfo> old(New<TcxCustomEditViewInfo>());
  old->Assign(ViewInfo.get());
  // Points in the painted position (offset by 5, 7): the border, the text area, the button.
  const std::vector<POINT> points{{5, 7}, {25, 17}, {55, 17}};
  const RECT text{1, 1, 42, 19};

  Validate();
  EXPECT_FALSE(ViewInfo->RepaintControlRect(Form, text, nullptr));
  EXPECT_EQ(Invalid(points), (std::vector<bool>{true, false, true})) << "without an old view info";

  Validate();
  EXPECT_FALSE(ViewInfo->RepaintControlRect(Form, text, old.get()));
  EXPECT_EQ(Invalid(points), (std::vector<bool>{false, false, false})) << "nothing changed";

  Validate();
  Layout(RECT{0, 0, 60, 20}, mHot, POINT{50, 10});
  EXPECT_TRUE(ViewInfo->RepaintControlRect(Form, text, old.get()));
  // The editor turned hot too, which a text-painting view info repaints around its text.
  EXPECT_EQ(Invalid(points), (std::vector<bool>{true, false, true})) << "hot";

  // Only the button: the same container state, the button pressed.
  old->Assign(ViewInfo.get());
  Validate();
  ViewInfo->Button(0)->Data.State = cxEditButtonStatePressed;
  EXPECT_TRUE(ViewInfo->RepaintControlRect(Form, text, old.get()));
  EXPECT_EQ(Invalid(points), (std::vector<bool>{false, false, true})) << "button only";

  // A new border colour: the border ring.
  ViewInfo->Button(0)->Data.State = old->Button(0)->Data.State;
  Validate();
  ViewInfo->BorderColor = clRed;
  EXPECT_TRUE(ViewInfo->RepaintControl(Form, old.get()));
  EXPECT_EQ(Invalid(points), (std::vector<bool>{true, false, false})) << "border";
}

// A live editor on a form paints through the same view info: its frame and a button that follows the mouse.
TEST_F(EditViewInfoRepaintTest, ALiveEditorPaintsItsFrameAndAButtonFollowingTheMouse) {
  TcxCustomEdit* edit = New<TcxCustomEdit>(Form);
  edit->SetAutoSize(false);
  edit->Style()->LookAndFeel()->SetNativeStyle(false);
  edit->Style()->SetBorderStyle(cbsSingle);
  edit->Style()->SetTransparentBorder(false);
  edit->Style()->SetButtonStyle(bts3D);
  edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
  static_cast<TControl*>(edit)->SetBounds(10, 10, 100, 21);
  edit->SetParent(Form);
  headless::RunUntilIdle();
  HWND wnd = edit->Handle();
  const RECT b = edit->EditViewInfo()->Button(0)->Bounds;
  ASSERT_EQ(b.right, 99);
  EXPECT_EQ(headless::Pixel(wnd, 0, 0) & 0xFFFFFF, EvpRgb(edit->Style()->BorderColor()));
  EXPECT_EQ(headless::Pixel(wnd, b.left, 10) & 0xFFFFFF, EvpRgb(cl3DLight));

  const POINT centre = edit->ClientToScreen(POINT{(b.left + b.right) / 2, 10});
  headless::MouseMove(centre.x, centre.y);
  headless::MouseDown(VK_LBUTTON);
  headless::RunUntilIdle();
  // The click focuses the editor, whose focused single border is a thick one: the button moves inwards.
  const TcxEditButtonViewInfo* button = edit->EditViewInfo()->Button(0);
  EXPECT_EQ(button->Data.State, cxEditButtonStatePressed);
  EXPECT_EQ(edit->EditViewInfo()->EditBorderStyle, ebsThick);
  EXPECT_EQ(headless::Pixel(wnd, 1, 1) & 0xFFFFFF, EvpRgb(edit->Style()->BorderColor()));
  EXPECT_EQ(headless::Pixel(wnd, button->Bounds.left, 10) & 0xFFFFFF, EvpRgb(clBtnShadow));
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  headless::SavePng(Form->Handle(), (std::string(VORN_ARTIFACT_DIR) + "/editor-live-pressed.png").c_str());
  headless::MouseUp(VK_LBUTTON);
  headless::RunUntilIdle();
  EXPECT_EQ(headless::Pixel(wnd, button->Bounds.left, 10) & 0xFFFFFF, EvpRgb(cl3DLight));
}

// ---- the picture ----------------------------------------------------------------------------------------

// Rows of editors: one per button style with an ellipsis button in each state (normal, hot, pressed,
// disabled), one with each button kind, and one with each border style.
TEST_F(EditViewInfoPaintTest, PictureOfFramesAndButtons) {
  constexpr int kW = 84, kH = 21, kGap = 6;
  TcxEditButton* button = AddButton(bkEllipsis, 0);
  const TcxEditButtonStyle styles[] = {bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11};
  const TcxContainerBorderStyle borders[] = {cbs3D, cbsFlat, cbsSingle, cbsSingle, cbsUltraFlat, cbsOffice11};
  int y = kGap;
  for (int row = 0; row < 6; ++row, y += kH + kGap) {
    Style->SetBorderStyle(borders[row]);
    Style->SetButtonStyle(styles[row]);
    for (int col = 0; col < 4; ++col) {
      const RECT r{kGap + col * (kW + kGap), y, kGap + col * (kW + kGap) + kW, y + kH};
      button->SetEnabled(col != 3);
      const POINT p{r.right - 8, r.top + 10};
      Layout(r, col == 1 ? mHot : col == 2 ? mPressed : mNone, p, false, col == 1 || col == 2);
      Paint();
    }
  }
  button->SetEnabled(true);
  Style->SetBorderStyle(cbsSingle);
  Style->SetButtonStyle(btsDefault);
  const TcxEditButtonKind kinds[] = {bkEllipsis, bkDown, bkGlyph, bkText};
  Owned<TBitmap> glyph(New<TBitmap>());
  glyph->SetSize(8, 8);
  glyph->Canvas()->Brush()->SetColor(clFuchsia);
  glyph->Canvas()->FillRect(RECT{0, 0, 8, 8});
  glyph->Canvas()->Brush()->SetColor(clGreen);
  glyph->Canvas()->FillRect(RECT{1, 1, 7, 6});
  for (int col = 0; col < 4; ++col) {
    button->SetKind(kinds[col]);
    button->SetGlyph(kinds[col] == bkGlyph ? glyph.get() : nullptr);
    button->SetCaption(kinds[col] == bkText ? "&OK" : "");
    Layout(RECT{kGap + col * (kW + kGap), y, kGap + col * (kW + kGap) + kW, y + kH});
    Paint();
  }
  y += kH + kGap;
  Properties->Buttons()->Clear();
  const TcxContainerBorderStyle frames[] = {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D};
  for (int col = 0; col < 5; ++col) {
    Style->SetBorderStyle(frames[col]);
    Style->SetShadow(col == 1);
    Style->SetColor(clInfoBk);
    Layout(RECT{kGap + col * (64 + kGap), y, kGap + col * (64 + kGap) + 64, y + kH});
    Paint();
  }
  Style->SetShadow(false);
  y += kH + kGap;

  // Themed: an ellipsis button resting, hot, pressed and disabled, then a lone drop-down button.
  winapi::SetThemeActive(true);
  DoneThemeManager();
  Style->LookAndFeel()->SetNativeStyle(true);
  Style->SetColor(clWindow);
  Style->SetBorderStyle(cbsSingle);
  button = AddButton(bkEllipsis, 0);
  for (int col = 0; col < 5; ++col) {
    const RECT r{kGap + col * (kW + kGap), y, kGap + col * (kW + kGap) + kW, y + kH};
    button->SetEnabled(col != 3);
    if (col == 4) button->SetKind(bkDown);
    Layout(r, col == 1 ? mHot : col == 2 ? mPressed : mNone, POINT{r.right - 8, r.top + 10});
    Paint();
  }

  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  Owned<TBitmap> big(New<TBitmap>());
  constexpr int kZoom = 3;
  const int height = y + kH + kGap;
  big->SetSize(W * kZoom, height * kZoom);
  StretchBlt(big->Canvas()->Handle(), 0, 0, W * kZoom, height * kZoom, Bitmap->Canvas()->Handle(), 0, 0, W, height,
             SRCCOPY);
  TPngImage png;
  png.Assign(big.get());
  const String path = String(VORN_ARTIFACT_DIR) + "/editor-frames-and-buttons.png";
  png.SaveToFile(path);
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
