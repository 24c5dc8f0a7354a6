#include "cxContainerTestSupport.h"

#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"

using namespace cxcontainer_test;

namespace {

// A container that hosts an edit, as the text editors do.
// The edit a text editor hosts: no frame of its own, and it tells its container when it gains or loses
// the focus, as the editors' inner edit does.
class TInnerEdit : public TEdit {
  RTL_CLASS(TInnerEdit, TEdit)
public:
  using TEdit::TEdit;
  void WndProc(TMessage& m) override {
    inherited::WndProc(m);
    if ((m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS) && Container) Container->FocusChanged();
  }
  TcxContainer* Container = nullptr;
};

class TEditContainer : public TcxContainer {
  RTL_CLASS(TEditContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  void AfterConstruction() override {
    inherited::AfterConstruction();
    Edit = New<TInnerEdit>(this);
    Edit->SetBorderStyle(bsNone);
    Edit->Container = this;
    Edit->SetParent(this);
    SetInnerControl(Edit);
  }
  TInnerEdit* Edit = nullptr;
};

class TParentColorContainer : public TcxContainer {
  RTL_CLASS(TParentColorContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  bool DefaultParentColor() const override { return true; }
};

constexpr uint32_t kFace = 0xD4D0C8, kWindow = 0xFFFFFF, kFrame = 0x141414, kShadow = 0x808080,
                   kHighlight = 0x0A246A, kDkShadow = 0x404040, kLight = 0xE6E2DC, kBtnHighlight = 0xFAFAFA;

class cxContainerTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    headless::MouseMove(0, 0);
    Container = New<TcxContainer>(Form);
    Container->SetBounds(10, 10, 100, 24);
    Container->SetParent(Form);
    Idle();
  }
  uint32_t Px(int x, int y) { return headless::Pixel(Container->Handle(), x, y); }
  RECT ShapeBox() {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    RECT box{-1, -1, -1, -1};
    if (GetWindowRgn(Container->Handle(), r) != ERROR) GetRgnBox(r, &box);
    DeleteObject(r);
    return box;
  }
  TcxContainer* Container = nullptr;
};

#define EXPECT_RECT(r, l, t, rr, b) EXPECT_EQ(R4(r), R4(RECT{l, t, rr, b})) << #r

TEST_F(cxContainerTest, GeometryAndShapeByBorderSettings) {
  struct Case {
    const char* name;
    TcxContainerBorderStyle border;
    bool transparent, shadow;
    TcxBorders edges;
    RECT client, shape;
    // Pixels (client coordinates of the container) and what they show.
    struct {
      int x, y;
      uint32_t rgb;
    } px[4];
  } cases[] = {
      {"single", cbsSingle, false, false, cxBordersAll, {1, 1, 99, 23}, {0, 0, 100, 24},
       {{0, 0, kFrame}, {99, 23, kFrame}, {1, 1, kWindow}, {50, 12, kWindow}}},
      {"single, transparent border", cbsSingle, true, false, cxBordersAll, {2, 2, 98, 22}, {1, 1, 99, 23},
       {{0, 0, kFace}, {1, 1, kFrame}, {98, 22, kFrame}, {2, 2, kWindow}}},
      {"transparent, no left edge", cbsSingle, true, false, {bTop, bRight, bBottom}, {2, 2, 98, 22}, {2, 1, 99, 23},
       {{1, 10, kFace}, {0, 10, kFace}, {1, 1, kFace}, {98, 10, kFrame}}},
      {"single with shadow", cbsSingle, false, true, cxBordersAll, {1, 1, 96, 20}, {0, 0, 100, 24},
       {{98, 1, kFace}, {98, 10, kShadow}, {2, 22, kFace}, {5, 22, kShadow}}},
      {"thick", cbsThick, false, false, cxBordersAll, {2, 2, 98, 22}, {0, 0, 100, 24},
       {{1, 1, kFrame}, {0, 0, kFrame}, {2, 2, kWindow}, {97, 21, kWindow}}},
      {"3D", cbs3D, false, false, cxBordersAll, {2, 2, 98, 22}, {0, 0, 100, 24},
       {{0, 0, kShadow}, {1, 1, kDkShadow}, {99, 23, kBtnHighlight}, {98, 22, kLight}}},
      {"flat", cbsFlat, false, false, cxBordersAll, {2, 2, 98, 22}, {0, 0, 100, 24},
       {{0, 5, kShadow}, {1, 5, kFace}, {99, 5, kBtnHighlight}, {2, 5, kWindow}}},
      {"none", cbsNone, false, false, cxBordersAll, {0, 0, 100, 24}, {0, 0, 100, 24},
       {{0, 0, kWindow}, {99, 23, kWindow}, {50, 0, kWindow}, {0, 12, kWindow}}},
      {"none, transparent border", cbsNone, true, false, cxBordersAll, {2, 2, 98, 22}, {2, 2, 98, 22},
       {{1, 1, kFace}, {2, 2, kWindow}, {97, 21, kWindow}, {98, 22, kFace}}},
  };
  for (const Case& c : cases) {
    TcxContainerStyle* s = Container->GetStyle();
    s->BeginUpdate();
    s->SetBorderStyle(c.border);
    s->SetTransparentBorder(c.transparent);
    s->SetShadow(c.shadow);
    s->SetEdges(c.edges);
    s->EndUpdate();
    Idle();
    EXPECT_EQ(R4(Container->ViewInfo()->ClientRect), R4(c.client)) << c.name;
    EXPECT_EQ(R4(ShapeBox()), R4(c.shape)) << c.name;
    for (const auto& p : c.px) EXPECT_EQ(Px(p.x, p.y), p.rgb) << c.name << " at " << p.x << "," << p.y;
  }
}

TEST_F(cxContainerTest, ShadowGrowsTheExtentAndTheShape) {
  Container->GetStyle()->SetTransparentBorder(false);
  Container->GetStyle()->SetBorderStyle(cbsSingle);
  Container->GetStyle()->SetShadow(true);
  Idle();
  RECT extent;
  Container->GetBorderExtent(extent);
  EXPECT_RECT(extent, 1, 1, 4, 4);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Container->Handle(), r), ERROR);
  EXPECT_TRUE(PtInRegion(r, 99, 23));   // the shadow's corner
  EXPECT_FALSE(PtInRegion(r, 99, 1));   // right of the frame, above the shadow
  EXPECT_FALSE(PtInRegion(r, 1, 23));   // below the frame, left of the shadow
  DeleteObject(r);
  EXPECT_TRUE(Container->ViewInfo()->Shadow);
}

TEST_F(cxContainerTest, HotTrackingFollowsTheMouse) {
  TcxContainerStyle* s = Container->GetStyle();
  s->SetTransparentBorder(false);  // ultra-flat by the default look-and-feel, painted as a single frame
  Container->GetStyleHot()->SetColor(clYellow);
  Idle();
  EXPECT_EQ(Container->ViewInfo()->HotState, cxHotStateOn);
  EXPECT_EQ(Px(0, 0), kShadow);

  MoveTo(Container, 50, 12);
  EXPECT_TRUE(Container->ViewInfo()->ContainerState.Contains(csHotTrack));
  EXPECT_EQ(Container->ViewInfo()->HotState, cxHotStateHighlighted);
  EXPECT_EQ(Px(0, 0), kHighlight);
  EXPECT_EQ(Px(50, 12), 0xFFFF00u);
  EXPECT_EQ(Container->GetCurrentStyle(), Container->GetStyleHot());

  MoveTo(Form, 300, 200);
  Advance(30);  // the tracking timer notices the mouse has gone
  EXPECT_FALSE(Container->ViewInfo()->ContainerState.Contains(csHotTrack));
  EXPECT_EQ(Px(0, 0), kShadow);
  EXPECT_EQ(Px(50, 12), kWindow);
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST_F(cxContainerTest, NoHotStateWhileAButtonOrAModifierIsDown) {
  headless::KeyDown(VK_CONTROL);
  MoveTo(Container, 50, 12);
  EXPECT_FALSE(Container->ViewInfo()->ContainerState.Contains(csHotTrack));
  headless::KeyUp(VK_CONTROL);
  MoveTo(Container, 51, 12);
  EXPECT_TRUE(Container->ViewInfo()->ContainerState.Contains(csHotTrack));
}

TEST_F(cxContainerTest, StyleChoiceByState) {
  Container->GetStyleFocused()->SetColor(clRed);
  Container->GetStyleDisabled()->SetBorderColor(clBlue);
  struct Case {
    const char* name;
    bool hotTrack, focused, enabled;
    TcxContainerStyleState expected;
    uint8_t hotState;
  } cases[] = {
      {"normal", true, false, true, cssNormal, cxHotStateOn},
      {"focused", true, true, true, cssFocused, cxHotStateHighlighted},
      {"focused without hot tracking", false, true, true, cssNormal, cxHotStateOff},
      {"disabled", true, false, false, cssDisabled, cxHotStateOn},
  };
  for (const Case& c : cases) {
    Container->GetStyle()->SetHotTrack(c.hotTrack);
    Container->SetEnabled(c.enabled);
    if (c.focused)
      Container->SetFocus();
    else
      Form->FocusControl(nullptr);
    Idle();
    EXPECT_EQ(Container->GetCurrentStyle(), Container->Styles()->GetStyle(c.expected)) << c.name;
    EXPECT_EQ(Container->ViewInfo()->HotState, c.hotState) << c.name;
  }
  Container->SetEnabled(false);
  Idle();
  EXPECT_EQ(Container->ViewInfo()->BackgroundColor, clBtnFace);
  EXPECT_EQ(Container->GetNativeState(), 4);
}

TEST_F(cxContainerTest, UltraFlatAndOffice11FramesHighlightWhenFocused) {
  struct Case {
    TcxContainerBorderStyle border;
    TColor normal, focused;
  } cases[] = {{cbsUltraFlat, clBtnShadow, clHighlight}, {cbsOffice11, clBtnShadow, cxOffice11HighlightColor()}};
  for (const Case& c : cases) {
    Container->GetStyle()->SetBorderStyle(c.border);
    Form->FocusControl(nullptr);
    Idle();
    EXPECT_EQ(Container->ViewInfo()->BorderStyle, cbsSingle);
    EXPECT_EQ(Container->ViewInfo()->BorderColor, c.normal);
    Container->SetFocus();
    Idle();
    EXPECT_EQ(Container->ViewInfo()->BorderColor, c.focused);
  }
}

TEST_F(cxContainerTest, ControlColourIsTheNormalStylesColour) {
  Container->SetColor(clAqua);
  EXPECT_TRUE(Container->GetStyle()->AssignedValuesField().Contains(svColor));
  EXPECT_EQ(Container->GetStyle()->Color(), clAqua);
  Container->GetStyle()->SetColor(clLime);
  EXPECT_EQ(Container->Color(), clLime);

  auto* follower = New<TParentColorContainer>(Form);
  follower->SetParent(Form);
  EXPECT_TRUE(follower->ParentColor());
  Form->SetColor(clMaroon);
  EXPECT_EQ(follower->Color(), clMaroon);
  EXPECT_FALSE(follower->GetStyle()->AssignedValuesField().Contains(svColor));
  EXPECT_TRUE(follower->ParentColor());
  // A plain container does not follow its parent.
  EXPECT_FALSE(Container->ParentColor());
}

class cxContainerInnerTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Box = New<TEditContainer>(Form);
    Box->SetBounds(20, 20, 120, 24);
    Box->SetParent(Form);
    Idle();
  }
  TEditContainer* Box = nullptr;
};

TEST_F(cxContainerInnerTest, InnerControlFillsTheClientRectangleAndTakesTheStyle) {
  EXPECT_EQ(R4(Box->Edit->BoundsRect()), R4(Box->ViewInfo()->ClientRect));
  Box->GetStyle()->SetTransparentBorder(false);
  Box->GetStyle()->SetBorderStyle(cbsThick);
  Box->GetStyle()->SetColor(clYellow);
  Box->GetStyle()->SetTextColor(clRed);
  Idle();
  EXPECT_EQ(R4(Box->Edit->BoundsRect()), R4(RECT{2, 2, 118, 22}));
  EXPECT_EQ(Box->Edit->Color(), clYellow);
  EXPECT_EQ(Box->Edit->Font()->Color(), clRed);
}

TEST_F(cxContainerInnerTest, FocusGoesOnToTheInnerControl) {
  Box->SetFocus();
  Idle();
  EXPECT_EQ(GetFocus(), Box->Edit->Handle());
  EXPECT_TRUE(Box->Focused());
  EXPECT_FALSE(Box->IsFocusable());
  EXPECT_FALSE(Box->CanFocusOnClick());
  EXPECT_TRUE(Box->ViewInfo()->ContainerState.Contains(csActive));
  // Focus coming to the container's own window from elsewhere moves on as well; focus coming back from
  // the inner control itself stays (the container does not bounce it back).
  ::SetFocus(Form->Handle());
  Idle();
  ::SetFocus(Box->Handle());
  Idle();
  EXPECT_EQ(GetFocus(), Box->Edit->Handle());
}

TEST_F(cxContainerInnerTest, ClickInTheInnerControlPaintsTheFocusedStyle) {
  Box->GetStyleFocused()->SetColor(clAqua);
  Click(Box->Edit, 5, 5);
  EXPECT_EQ(GetFocus(), Box->Edit->Handle());
  EXPECT_EQ(Box->GetCurrentStyle(), Box->GetStyleFocused());
  EXPECT_EQ(Box->Edit->Color(), clAqua);
  EXPECT_EQ(headless::Pixel(Box->Edit->Handle(), Box->Edit->ClientWidth() - 3, 3), 0x00FFFFu);
  auto* other = New<TEdit>(Form);
  other->SetBounds(20, 100, 100, 24);
  other->SetParent(Form);
  other->SetFocus();
  MoveTo(Form, 300, 250);
  Advance(30);
  EXPECT_EQ(Box->GetCurrentStyle(), Box->GetStyle());
  EXPECT_EQ(Box->Edit->Color(), clWindow);
}

TEST_F(cxContainerInnerTest, KeysReachingTheContainerGoToTheInnerControl) {
  SendMessage(Box->Handle(), WM_CHAR, 'a', 0);
  SendMessage(Box->Handle(), WM_CHAR, 'b', 0);
  EXPECT_EQ(Box->Edit->Text(), "ab");
  SendMessage(Box->Handle(), WM_KEYDOWN, VK_HOME, 0);
  SendMessage(Box->Handle(), WM_CHAR, 'x', 0);
  EXPECT_EQ(Box->Edit->Text(), "xab");
}

TEST_F(cxContainerInnerTest, AnInnerControlFreedFirstIsForgotten) {
  Box->Edit->Free();
  EXPECT_EQ(Box->InnerControl(), nullptr);
  Box->GetStyle()->SetColor(clYellow);  // refreshes without the edit
  SendMessage(Box->Handle(), WM_CHAR, 'a', 0);
  Idle();
  EXPECT_EQ(headless::Pixel(Box->Handle(), 60, 12), 0xFFFF00u);
  Box->Edit = nullptr;
}

TEST_F(cxContainerInnerTest, TabStopsAtTheInnerControlOnceEachWay) {
  auto* before = New<TEdit>(Form);
  before->SetParent(Form);
  before->SetBounds(20, 100, 100, 24);
  before->SetTabOrder(0);
  auto* after = New<TEdit>(Form);
  after->SetParent(Form);
  after->SetBounds(20, 140, 100, 24);
  before->SetFocus();
  Idle();
  auto tab = [](bool back) {
    if (back) headless::KeyDown(VK_SHIFT);
    headless::KeyPress(VK_TAB);
    if (back) headless::KeyUp(VK_SHIFT);
    Application->ProcessMessages();  // the application's loop turns Tab into navigation
  };
  tab(false);
  EXPECT_EQ(GetFocus(), Box->Edit->Handle());
  tab(false);
  EXPECT_EQ(GetFocus(), after->Handle());
  tab(true);
  EXPECT_EQ(GetFocus(), Box->Edit->Handle());
  tab(true);
  EXPECT_EQ(GetFocus(), before->Handle());
}

TEST_F(cxContainerInnerTest, ArrowCursorOverTheFrame) {
  Box->GetStyle()->SetTransparentBorder(false);
  Box->GetStyle()->SetBorderStyle(cbsThick);
  Idle();
  MoveTo(Box, 1, 10);
  EXPECT_EQ(headless::CurrentCursor(), LoadCursor(nullptr, IDC_ARROW));
}

TEST_F(cxContainerInnerTest, ScrollBarPlacementInClientCoordinates) {
  POINT origin = Box->ClientToScreen(POINT{0, 0});
  struct Case {
    RECT screen;
    RECT placement;
  } cases[] = {
      {{origin.x + 100, origin.y + 2, origin.x + 117, origin.y + 22}, {100, 2, 17, 20}},
      {{origin.x - 1, origin.y + 2, origin.x + 16, origin.y + 22}, {0, 0, 0, 0}},   // starts left of it
      {{origin.x + 2, origin.y - 3, origin.x + 19, origin.y + 10}, {0, 0, 0, 0}},   // starts above it
      {{origin.x + 2, origin.y + 2, origin.x + 200, origin.y + 19}, {0, 0, 0, 0}},  // wider than it
  };
  for (const Case& c : cases) {
    RECT placement;
    Box->ScrollBarRectToClient(c.screen, placement);
    EXPECT_EQ(R4(placement), R4(c.placement));
  }
}

TEST_F(cxContainerInnerTest, ClipOfAnInnerControlReachingOutside) {
  TcxContainerInnerControlBounds clip;
  Box->Edit->SetBounds(-3, 4, 50, 30);
  Box->ClipControlRect(RECT{0, 0, 120, 24}, Box->Edit, clip);
  EXPECT_FALSE(clip.IsEmpty);
  EXPECT_EQ(R4(clip.Rect), R4(RECT{3, 0, 50, 20}));
  Box->ClipControlRect(RECT{-10, 0, 120, 40}, Box->Edit, clip);
  EXPECT_TRUE(clip.IsEmpty);
}

}  // namespace

namespace {

// A container that mirrors the scroll bars of a memo it hosts.
class TMemoContainer : public TcxContainer {
  RTL_CLASS(TMemoContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  bool HasScrollBars() const override { return true; }
  void AfterConstruction() override {
    inherited::AfterConstruction();
    Memo = New<TMemo>(this);
    Memo->SetBorderStyle(bsNone);
    Memo->SetScrollBars(ssVertical);
    Memo->SetParent(this);
    SetInnerControl(Memo);
  }
  TMemo* Memo = nullptr;
};

TEST_F(cxContainerTest, PaintedScrollBarsMirrorTheInnerControls) {
  auto* box = New<TMemoContainer>(Form);
  box->SetBounds(20, 60, 160, 90);
  box->SetParent(Form);
  for (int i = 0; i < 30; ++i) box->Memo->Lines()->Add("line " + IntToStr(i));
  Idle();
  box->UpdateScrollBars(false);
  TcxScrollBar* v = box->VScrollBar();
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->Visible());
  EXPECT_FALSE(box->HScrollBar()->Visible());

  SCROLLBARINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetScrollBarInfo(box->Memo->Handle(), OBJID_VSCROLL, &info));
  RECT placement;
  box->ScrollBarRectToClient(info.rcScrollBar, placement);
  EXPECT_EQ(R4(v->BoundsRect()),
            R4(RECT{placement.left, placement.top, placement.left + placement.right, placement.top + placement.bottom}));
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(box->Memo->Handle(), SB_VERT, &si);
  EXPECT_EQ(v->Max(), si.nMax);
  EXPECT_EQ(v->PageSize(), static_cast<int32_t>(si.nPage));

  // Scrolling the memo moves the painted thumb along.
  SendMessage(box->Memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  box->UpdateScrollBars(true);
  EXPECT_EQ(v->Position(), GetScrollPos(box->Memo->Handle(), SB_VERT));
  EXPECT_GT(v->Position(), 0);
}

}  // namespace

namespace {

TEST_F(cxContainerTest, NativeStyleDrawsTheThemedFrameWithoutAWindowShape) {
  TcxContainerStyle* s = Container->GetStyle();
  s->SetTransparentBorder(false);
  s->SetBorderStyle(cbsSingle);
  Idle();
  EXPECT_NE(ShapeBox().left, -1);  // plain painting shapes the window
  winapi::SetThemeActive(true);
  DoneThemeManager();
  s->LookAndFeel()->SetNativeStyle(true);
  Idle();
  ASSERT_TRUE(Container->IsNativeStyle());
  TcxContainerViewInfo* vi = Container->ViewInfo();
  EXPECT_TRUE(vi->NativeStyle);
  EXPECT_EQ(vi->ThemedObjectType, totEdit);
  EXPECT_EQ(vi->NativeState, 1);
  EXPECT_EQ(R4(vi->ClientRect), R4(RECT{2, 2, 98, 22}));
  EXPECT_EQ(ShapeBox().left, -1);  // the theme draws the whole rectangle: no shape
  COLORREF ring = 0;
  ASSERT_EQ(GetThemeColor(OpenTheme(totComboBox), 1, 1, TMT_BORDERCOLOR, &ring), S_OK);
  EXPECT_EQ(Px(0, 10), Rgb(static_cast<TColor>(ring)));
  EXPECT_EQ(Px(50, 12), kWindow);
  Container->SetFocus();
  Idle();
  EXPECT_EQ(vi->NativeState, 5);
  // Without a border the whole control is the background.
  s->SetBorderStyle(cbsNone);
  Idle();
  EXPECT_EQ(Px(0, 0), kWindow);
}

}  // namespace
