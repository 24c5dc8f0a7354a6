#include "cxContainerTestSupport.h"

#include "ui/editors/cxDropDownEdit.h"

using namespace cxcontainer_test;

namespace {

// A popup whose content has a fixed size, so that auto-sizing is predictable.
class TDropDownTestPopup : public TcxCustomEditPopupWindow {
  RTL_CLASS(TDropDownTestPopup, TcxCustomEditPopupWindow)
public:
  using TcxCustomEditPopupWindow::TcxCustomEditPopupWindow;
  void CalculateContentSize(SIZE& ASize) override { ASize = Content; }
  SIZE Content{200, 100};
};

class DropDownPopupTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Form->SetBounds(0, 0, 800, 600);
    Owner = New<TcxContainer>(Form);
    Owner->SetBounds(20, 20, 150, 24);
    Owner->SetParent(Form);
    Idle();
    Popup = New<TDropDownTestPopup>(Owner);
    Popup->SetIsModal(false);
    Popup->SetCaptureFocus(false);
  }
  void TearDown() override {
    Popup->Free();
    ContainerTest::TearDown();
  }
  void Open() {
    Popup->Popup(nullptr);
    Popup->UpdateContent();
    Idle();
  }
  RECT PopupScreenRect() {
    POINT p = Popup->ClientToScreen(POINT{0, 0});
    return RECT{p.x, p.y, p.x + Popup->Width(), p.y + Popup->Height()};
  }
  RECT OwnerScreenRect() {
    POINT p = Owner->ClientToScreen(POINT{0, 0});
    return RECT{p.x, p.y, p.x + Owner->Width(), p.y + Owner->Height()};
  }
  static int32_t Base() { return TcxCustomEditPopupWindowViewInfo::BaseSysPanelHeight(); }

  TcxContainer* Owner = nullptr;
  TDropDownTestPopup* Popup = nullptr;
};

struct DropDownCornerCase {
  int ownerLeft, ownerTop;
  TcxPopupAlignHorz align;
  int corner;
};

TEST_F(DropDownPopupTest, GripCornerFollowsWhereThePopupLiesAgainstTheEditor) {
  // The form's client area starts where its frame ends; the cases are chosen far from the thresholds.
  const DropDownCornerCase cases[] = {
      {20, 20, phaLeft, cxGripBottomRight},    // below, left edges aligned
      {20, 480, phaLeft, cxGripTopRight},      // no room below: above, extends right
      {650, 20, phaLeft, cxGripBottomLeft},    // pushed left off the right edge
      {650, 480, phaLeft, cxGripTopLeft},      // above and pushed left
      {300, 20, phaRight, cxGripBottomLeft},   // right edges aligned: extends left
      {300, 20, phaCenter, cxGripBottomRight}, // centred with more room to the right
      {500, 20, phaCenter, cxGripBottomLeft},  // centred with more room to the left
  };
  for (const DropDownCornerCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ownerLeft << "," << c.ownerTop << " align " << int(c.align));
    Owner->SetBounds(c.ownerLeft, c.ownerTop, 150, 24);
    Popup->SetHorzAlignment(c.align);
    Open();
    EXPECT_EQ(c.corner, Popup->ViewInfo()->SizeGripCorner);
    RECT p = PopupScreenRect(), o = OwnerScreenRect();
    bool below = c.corner >= cxGripBottomLeft;
    EXPECT_EQ(below, p.top >= o.bottom);
    if (!below) {
      EXPECT_EQ(o.top, p.bottom);
    }
    Popup->CloseUp();
    Idle();
  }
}

TEST_F(DropDownPopupTest, AboveTheEditorWithAShadowMovesDownByTheShadow) {
  Owner->SetBounds(20, 480, 150, 24);
  Popup->SetShadow(true);
  Open();
  EXPECT_EQ(cxGripTopRight, Popup->ViewInfo()->SizeGripCorner);
  EXPECT_EQ(OwnerScreenRect().top + cxEditPopupShadowWidth, PopupScreenRect().bottom);
}

struct DropDownExtentCase {
  TcxEditPopupBorderStyle style;
  bool native, clientEdge, shadow, panel;
  int corner;
  std::array<long, 4> extent;  // before the panel height, which is added by the test
  int panelExtra;
};

TEST_F(DropDownPopupTest, BorderExtentsByStyleEdgeShadowAndPanel) {
  const DropDownExtentCase cases[] = {
      {epbsDefault, false, false, false, false, 3, {0, 0, 0, 0}, 0},
      {epbsSingle, false, false, false, false, 3, {1, 1, 1, 1}, 0},
      {epbsSingle, false, true, false, false, 3, {3, 3, 3, 3}, 0},
      {epbsFrame3D, false, true, true, false, 3, {6, 6, 9, 9}, 0},
      {epbsFlat, false, true, false, false, 3, {3, 3, 3, 3}, 0},
      {epbsFlat, true, true, false, false, 3, {3, 3, 3, 3}, 0},
      {epbsSingle, false, false, false, true, 3, {1, 1, 1, 1}, 1},   // panel at the bottom, +1 for single
      {epbsFlat, false, false, false, true, 1, {2, 2, 2, 2}, 0},     // panel at the top
  };
  TcxCustomEditPopupWindowViewInfo* vi = Popup->ViewInfo();
  for (const DropDownExtentCase& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.style) << c.native << c.clientEdge << c.shadow << c.panel);
    vi->PopupBorderStyle = c.style;
    vi->NativeStyle = c.native;
    vi->ClientEdge = c.clientEdge;
    vi->Shadow = c.shadow;
    vi->SysPanelStyle = c.panel;
    vi->SizeGripCorner = c.corner;
    RECT e;
    vi->GetBorderExtent(e);
    std::array<long, 4> want = c.extent;
    if (c.panel) (c.corner <= cxGripTopRight ? want[1] : want[3]) += Base() + c.panelExtra;
    EXPECT_EQ(want, R4(e));
  }
}

TEST_F(DropDownPopupTest, PanelGripCloseButtonAndSizingDirections) {
  TcxCustomEditPopupWindowViewInfo* vi = Popup->ViewInfo();
  vi->PopupBorderStyle = epbsSingle;
  vi->Sizeable = vi->SysPanelStyle = vi->CloseButton = true;
  vi->SizeGripCorner = cxGripBottomRight;
  vi->Bounds = RECT{0, 0, 200, 150};
  vi->Calculate();
  const int b = Base();
  EXPECT_EQ(R4(RECT{1, 1, 199, 149}), R4(vi->SizingRegionBounds));
  EXPECT_EQ(R4(RECT{199 - (b - 2), 149 - (b - 2), 199, 149}), R4(vi->SizeGripSizingRect));
  EXPECT_EQ(R4(RECT{199 - (b - 2), 149 - (b - 2), 197, 147}), R4(vi->SizeGripRect));
  // The close button sits at the end of the panel away from the grip.
  EXPECT_EQ(R4(RECT{4, 147 - (b - 4), 4 + b - 4, 147}), R4(vi->CloseButtonRect));
  EXPECT_EQ(R4(RECT{1, 1, 199, 149 - b - 1}), R4(vi->ClientRect));

  struct Dir {
    int x, y, dx, dy;
    bool sizing;
  };
  const int off = TcxCustomEditPopupWindowViewInfo::SizingOffset();
  const Dir dirs[] = {
      {198, 148, 1, 1, true},   // on the grip
      {100, 60, 0, 0, false},   // inside, off the grip
      {0, 60, 0, 0, false},     // left border, grip on the right: no sizing
      {199, 10, 1, 0, true},    // right border
      {100, 149, 0, 1, true},   // bottom border
      {199, 149, 1, 1, true},   // corner of the border (inside the grip's span too)
      {0, 0, 0, 0, false},      // top-left corner: neither edge is on the grip's side
      {250, 10, 0, 0, false},   // outside
  };
  (void)off;
  for (const Dir& d : dirs) {
    SCOPED_TRACE(testing::Message() << d.x << "," << d.y);
    TcxSizingDirection s = vi->GetSizingDirection(d.x, d.y);
    EXPECT_EQ(d.dx, s.X);
    EXPECT_EQ(d.dy, s.Y);
    EXPECT_EQ(d.sizing, s.Sizing);
  }
  // The grip at the top-left: the button moves to the right end, at the top, and the directions turn.
  vi->SizeGripCorner = cxGripTopLeft;
  vi->Calculate();
  EXPECT_EQ(R4(RECT{199 - 3 - (b - 4), 3, 196, 3 + b - 4}), R4(vi->CloseButtonRect));
  TcxSizingDirection s = vi->GetSizingDirection(2, 2);
  EXPECT_EQ(-1, s.X);
  EXPECT_EQ(-1, s.Y);
  // Not sizeable: nothing sizes.
  vi->Sizeable = false;
  vi->Calculate();
  EXPECT_FALSE(vi->GetSizingDirection(2, 2).Sizing);
}

TEST_F(DropDownPopupTest, TheGripPaintsItsOwnFaceOverWhateverWasThere) {
  TcxCustomEditPopupWindowViewInfo* vi = Popup->ViewInfo();
  vi->PopupBorderStyle = epbsSingle;
  vi->Sizeable = vi->SysPanelStyle = true;
  vi->SizeGripCorner = cxGripBottomRight;
  vi->Bounds = RECT{0, 0, 200, 150};
  vi->Calculate();
  auto* b = New<TBitmap>();
  b->SetSize(200, 150);
  b->Canvas()->Brush()->SetColor(clBlack);
  RECT all{0, 0, 200, 150};
  b->Canvas()->FillRect(all);
  {
    TcxCanvas cx(b->Canvas());
    vi->PaintBackground(&cx);
  }
  // Painting leaves the grip clipped out; read the pixels without the clip.
  SelectClipRgn(b->Canvas()->Handle(), 0);
  const RECT g = vi->SizeGripRect;
  ASSERT_FALSE(IsRectEmpty(&g));
  auto rgb = [&](int x, int y) { return ColorToRGB(b->Canvas()->Pixels(x, y)) & 0xFFFFFF; };
  // The top-left corner of the grip lies off every ridge; a ridge crosses the bottom-right corner's diagonal.
  EXPECT_EQ(ColorToRGB(clBtnFace) & 0xFFFFFF, rgb(g.left, g.top));
  EXPECT_EQ(ColorToRGB(clBtnShadow) & 0xFFFFFF, rgb(g.right - 1 - 3, g.bottom - 1));
  b->Free();
}

TEST_F(DropDownPopupTest, SizeRules) {
  Popup->SetBorderStyle(epbsSingle);
  struct SizeCase {
    bool autoSize, sizeable;
    int width, height, minWidth, minHeight;
    int wantW, wantH;
  };
  const SizeCase cases[] = {
      {true, false, 0, 0, 0, 0, 202, 102},        // content plus the frame
      {false, false, 0, 0, 0, 0, 150, 2},         // the editor's width; the minimum height
      {false, false, 300, 80, 0, 0, 300, 80},
      {false, false, 50, 0, 0, 40, 50, 40},       // no height: the min height
      {false, false, 50, 30, 100, 60, 50, 30},    // minimums count only when sizeable
      {false, true, 50, 30, 100, 60, 100, 60},
      {true, true, 0, 0, 250, 0, 250, 102},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.autoSize << c.sizeable << " " << c.width << "x" << c.height);
    Popup->SetPopupAutoSize(c.autoSize);
    Popup->SetSizeable(c.sizeable);
    Popup->SetPopupWidth(c.width);
    Popup->SetPopupHeight(c.height);
    Popup->SetMinWidth(c.minWidth);
    Popup->SetMinHeight(c.minHeight);
    Popup->CalculateSize();
    EXPECT_EQ(c.wantW, Popup->Width());
    EXPECT_EQ(c.wantH, Popup->Height());
  }
  // A sizeable popup with a panel is never narrower than the panel's button, grip and gap.
  Popup->SetSysPanelStyle(true);
  Popup->SetCloseButton(true);
  Popup->SetPopupAutoSize(false);
  Popup->SetPopupWidth(5);
  Popup->SetMinWidth(0);
  Popup->CalculateSize();
  EXPECT_EQ(2 + (Base() - 4) + (Base() - 2) + 10, Popup->Width());
}

TEST_F(DropDownPopupTest, DraggingTheGripResizesOnRelease) {
  Popup->SetBorderStyle(epbsSingle);
  Popup->SetSizeable(true);
  Popup->SetSysPanelStyle(true);
  Open();
  RECT before = PopupScreenRect();
  const RECT g = Popup->ViewInfo()->SizeGripSizingRect;
  POINT start{before.left + g.right - 2, before.top + g.bottom - 2};
  headless::MouseMove(start.x, start.y);
  Idle();
  headless::MouseDown(VK_LBUTTON);
  Idle();
  ASSERT_TRUE(TcxCustomEditPopupWindow::IsSizing());
  EXPECT_EQ(R4(before), R4(TcxCustomEditPopupWindow::SizingFrameRect()));
  headless::MouseMove(start.x + 40, start.y + 25);
  Idle();
  // The frame follows; the popup keeps its size until release.
  EXPECT_EQ(R4(RECT{before.left, before.top, before.right + 40, before.bottom + 25}),
            R4(TcxCustomEditPopupWindow::SizingFrameRect()));
  EXPECT_EQ(before.right - before.left, Popup->Width());
  EXPECT_TRUE(Popup->SizeChangedByMouse);
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_FALSE(TcxCustomEditPopupWindow::IsSizing());
  EXPECT_EQ(R4(RECT{before.left, before.top, before.right + 40, before.bottom + 25}), R4(PopupScreenRect()));
}

TEST_F(DropDownPopupTest, ResizingAPopupAboveTheEditorMovesItsTopOnly) {
  Owner->SetBounds(20, 480, 150, 24);
  Popup->SetBorderStyle(epbsSingle);
  Popup->SetSizeable(true);
  Popup->SetSysPanelStyle(true);
  Open();
  ASSERT_EQ(cxGripTopRight, Popup->ViewInfo()->SizeGripCorner);
  RECT before = PopupScreenRect();
  POINT start{before.right - 2, before.top + 2};
  headless::MouseMove(start.x, start.y);
  Idle();
  headless::MouseDown(VK_LBUTTON);
  Idle();
  headless::MouseMove(start.x + 10, start.y - 30);
  Idle();
  headless::MouseUp(VK_LBUTTON);
  Idle();
  RECT after = PopupScreenRect();
  EXPECT_EQ(before.top - 30, after.top);
  EXPECT_EQ(before.bottom, after.bottom);
  EXPECT_EQ(before.right + 10, after.right);
  EXPECT_EQ(before.left, after.left);
}

TEST_F(DropDownPopupTest, ShrinkingStopsAtTheMinimumAndTheEditorOverlap) {
  Popup->SetBorderStyle(epbsSingle);
  Popup->SetSizeable(true);
  Popup->SetMinWidth(120);
  Open();
  RECT before = PopupScreenRect();
  POINT start{before.right - 1, before.bottom - 1};
  headless::MouseMove(start.x, start.y);
  Idle();
  headless::MouseDown(VK_LBUTTON);
  Idle();
  headless::MouseMove(start.x - 500, start.y - 500);
  Idle();
  headless::MouseUp(VK_LBUTTON);
  Idle();
  SIZE m;
  Popup->GetMinSize(m);
  EXPECT_EQ(120, Popup->Width());
  EXPECT_EQ(m.cy, Popup->Height());
  EXPECT_EQ(before.left, PopupScreenRect().left);
}

TEST_F(DropDownPopupTest, CloseButtonStates) {
  Popup->SetBorderStyle(epbsSingle);
  Popup->SetSysPanelStyle(true);
  Popup->SetCloseButton(true);
  int closes = 0;
  bool allow = false;
  Popup->OnCloseButtonQuery = [&] { return allow; };
  Popup->OnCloseButtonClick = [&] {
    ++closes;
    Popup->CloseUp();
  };
  Open();
  TcxCustomEditPopupWindowViewInfo* vi = Popup->ViewInfo();
  ASSERT_FALSE(IsRectEmpty(&vi->CloseButtonRect));
  POINT c{(vi->CloseButtonRect.left + vi->CloseButtonRect.right) / 2,
          (vi->CloseButtonRect.top + vi->CloseButtonRect.bottom) / 2};
  EXPECT_EQ(cxCloseButtonNormal, vi->CloseButtonState);
  MoveTo(Popup, c.x, c.y);
  EXPECT_EQ(cxCloseButtonHot, vi->CloseButtonState);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  EXPECT_EQ(cxCloseButtonPressed, vi->CloseButtonState);
  EXPECT_FALSE(TcxCustomEditPopupWindow::IsSizing());
  // Refused: stays open, the button turns hot.
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_EQ(0, closes);
  EXPECT_TRUE(Popup->Visible());
  EXPECT_EQ(cxCloseButtonHot, vi->CloseButtonState);
  // Pressed, moved off and released: nothing happens.
  allow = true;
  headless::MouseDown(VK_LBUTTON);
  Idle();
  MoveTo(Popup, 60, 20);
  EXPECT_EQ(cxCloseButtonNormal, vi->CloseButtonState);
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_EQ(0, closes);
  // Pressed and released on it: closes.
  MoveTo(Popup, c.x, c.y);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_EQ(1, closes);
  EXPECT_FALSE(Popup->Visible());
}

TEST_F(DropDownPopupTest, PropertiesDefaultsAndSizeRules) {
  auto* p = New<TcxCustomDropDownEditProperties>(nullptr);
  int changes = 0;
  p->OnPropertiesChanged = TNotifyEvent([&](TObject*) { ++changes; });
  ASSERT_EQ(1, p->Buttons()->Count());
  EXPECT_EQ(bkDown, p->Buttons()->Items(0)->Kind());
  EXPECT_EQ(0, p->DropDownButtonIndex());
  EXPECT_TRUE(p->ImmediateDropDown());
  EXPECT_TRUE(p->PopupAutoSize());
  EXPECT_FALSE(p->ImmediatePopup());
  EXPECT_EQ(taLeftJustify, p->PopupAlignment());

  p->SetPopupMinWidth(100);
  p->SetPopupWidth(50);
  EXPECT_EQ(100, p->PopupWidth());
  p->SetPopupWidth(-5);
  EXPECT_EQ(0, p->PopupWidth());
  p->SetPopupMinWidth(-3);
  EXPECT_EQ(0, p->PopupMinWidth());
  p->SetPopupHeight(10);
  p->SetPopupMinHeight(40);
  EXPECT_EQ(40, p->PopupHeight());
  EXPECT_EQ(0, changes);  // the size setters only store

  p->SetPopupSizeable(true);
  p->SetPopupSizeable(true);
  p->SetPopupSysPanelStyle(true);
  p->SetPopupClientEdge(true);
  p->SetPopupAlignment(taRightJustify);
  EXPECT_EQ(4, changes);

  // A glyph turns the drop-down button into a glyph button; clearing it turns it back.
  auto* glyph = New<TBitmap>();
  glyph->SetSize(8, 8);
  p->SetButtonGlyph(glyph);
  EXPECT_EQ(bkGlyph, p->Buttons()->Items(0)->Kind());
  auto* copy = New<TcxCustomDropDownEditProperties>(nullptr);
  copy->Assign(p);
  EXPECT_EQ(bkGlyph, copy->Buttons()->Items(0)->Kind());
  EXPECT_EQ(40, copy->PopupHeight());
  EXPECT_TRUE(copy->PopupSizeable());
  EXPECT_EQ(taRightJustify, copy->PopupAlignment());
  p->SetButtonGlyph(nullptr);
  EXPECT_EQ(bkDown, p->Buttons()->Items(0)->Kind());
  glyph->Free();
  copy->Free();
  p->Free();
}

class TDropDownTestEdit : public TcxCustomDropDownEdit {
  RTL_CLASS(TDropDownTestEdit, TcxCustomDropDownEdit)
public:
  using TcxCustomDropDownEdit::TcxCustomDropDownEdit;
  bool CanDropDown() override { return true; }
  void CalculatePopupSize(SIZE& ASize) override { ASize = SIZE{120, 80}; }
};

class DropDownEditTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Form->SetBounds(0, 0, 800, 600);
    Edit = New<TDropDownTestEdit>(Form);
    Edit->SetBounds(20, 20, 150, 24);
    Edit->SetParent(Form);
    Other = New<TcxContainer>(Form);
    Other->SetBounds(20, 300, 100, 24);
    Other->SetParent(Form);
    Idle();
    Edit->SetFocus();
    Idle();
  }
  void TearDown() override {
    Edit->Free();
    ContainerTest::TearDown();
  }
  static void Key(int vk, int modifier = 0) {
    if (modifier) headless::KeyDown(modifier);
    headless::KeyPress(vk);
    if (modifier) headless::KeyUp(modifier);
    Idle();
  }
  TDropDownTestEdit* Edit = nullptr;
  TcxContainer* Other = nullptr;
};

TEST_F(DropDownEditTest, OpeningIsPostedAndKeysToggle) {
  struct KeyCase {
    int vk, modifier;
    bool openBefore, openAfter;
  };
  const KeyCase cases[] = {
      {VK_DOWN, VK_MENU, false, true},  {VK_DOWN, VK_MENU, true, false}, {VK_UP, VK_MENU, false, true},
      {VK_F4, 0, true, false},          {VK_F4, 0, false, true},         {VK_ESCAPE, 0, true, false},
      {VK_F4, 0, false, true},          {VK_RETURN, 0, true, false},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.vk << " with " << c.modifier);
    ASSERT_EQ(c.openBefore, Edit->HasPopupWindow());
    Key(c.vk, c.modifier);
    EXPECT_EQ(c.openAfter, Edit->HasPopupWindow());
  }
  // Opening waits for the posted request.
  Edit->DropDown();
  EXPECT_FALSE(Edit->HasPopupWindow());
  Idle();
  EXPECT_TRUE(Edit->HasPopupWindow());
}

TEST_F(DropDownEditTest, FocusLossAndOutsideClickClose) {
  Key(VK_F4);
  ASSERT_TRUE(Edit->HasPopupWindow());
  Other->SetFocus();
  Idle();
  EXPECT_FALSE(Edit->HasPopupWindow());
  Edit->SetFocus();
  Idle();
  Key(VK_F4);
  ASSERT_TRUE(Edit->HasPopupWindow());
  Click(Form, 600, 400);
  EXPECT_FALSE(Edit->HasPopupWindow());
}

TEST_F(DropDownEditTest, PopupSizeAndSideOfTheEditor) {
  Edit->ActiveProperties()->SetPopupAutoSize(false);
  Key(VK_F4);
  TcxCustomEditPopupWindow* w = Edit->PopupWindow();
  ASSERT_TRUE(Edit->HasPopupWindow());
  EXPECT_EQ(Edit->Width(), w->Width());  // as wide as the editor
  POINT e = Form->ClientToScreen(POINT{Edit->Left(), Edit->Top()});
  EXPECT_EQ(e.y + Edit->Height(), w->Top());
  EXPECT_EQ(e.x, w->Left());
  Key(VK_ESCAPE);
  // Near the bottom of the screen there is more room above: it opens above.
  Edit->SetBounds(20, 540, 150, 24);
  Edit->ActiveProperties()->SetPopupAutoSize(true);
  Idle();
  Key(VK_F4);
  ASSERT_TRUE(Edit->HasPopupWindow());
  e = Form->ClientToScreen(POINT{Edit->Left(), Edit->Top()});
  EXPECT_EQ(e.y, w->Top() + w->Height());
  EXPECT_EQ(122, w->Width());
  EXPECT_EQ(cxGripTopRight, w->ViewInfo()->SizeGripCorner);
}

TEST_F(DropDownEditTest, AResizedStandAlonePopupReopensAtTheNewSize) {
  Edit->ActiveProperties()->SetPopupSizeable(true);
  Edit->ActiveProperties()->SetPopupSysPanelStyle(true);
  Key(VK_F4);
  TcxCustomEditPopupWindow* w = Edit->PopupWindow();
  ASSERT_TRUE(Edit->HasPopupWindow());
  int w0 = w->Width(), h0 = w->Height();
  const RECT g = w->ViewInfo()->SizeGripSizingRect;
  POINT start = w->ClientToScreen(POINT{g.right - 2, g.bottom - 2});
  headless::MouseMove(start.x, start.y);
  Idle();
  headless::MouseDown(VK_LBUTTON);
  Idle();
  headless::MouseMove(start.x + 30, start.y + 20);
  Idle();
  headless::MouseUp(VK_LBUTTON);
  Idle();
  Key(VK_ESCAPE);
  ASSERT_FALSE(Edit->HasPopupWindow());
  EXPECT_TRUE(Edit->PopupSizeChanged());
  EXPECT_EQ(w0 + 30, Edit->ActiveProperties()->PopupWidth());
  EXPECT_EQ(h0 + 20, Edit->ActiveProperties()->PopupHeight());
  Edit->ActiveProperties()->SetPopupAutoSize(false);
  Key(VK_F4);
  EXPECT_EQ(w0 + 30, w->Width());
  EXPECT_EQ(h0 + 20, w->Height());
}

}  // namespace
