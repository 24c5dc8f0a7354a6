// The container's inner list box: painted bars over the native ones, its input handed to the container
// in the container's coordinates, automatic dragging for the container and owner-drawn items.

#include "cxContainerTestSupport.h"

#include <cstdlib>
#include <vector>

#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxInnerListBox.h"
#include "winapi/Messages.h"

using namespace cxcontainer_test;

namespace {

// An inner list box that may scroll sideways when its items are given a horizontal extent.
class TInnerListBoxTestWide : public TcxCustomInnerListBox {
  RTL_CLASS(TInnerListBoxTestWide, TcxCustomInnerListBox)
public:
  using TcxCustomInnerListBox::TcxCustomInnerListBox;

protected:
  void CreateParams(TCreateParams& Params) override {
    inherited::CreateParams(Params);
    Params.Style |= WS_HSCROLL;
  }
};

// A container that hosts an inner list box on its client rectangle, as the list editors do.
class TInnerListBoxTestContainer : public TcxContainer {
  RTL_CLASS(TInnerListBoxTestContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  void AfterConstruction() override {
    inherited::AfterConstruction();
    List = New<TInnerListBoxTestWide>(this);
    List->SetContainer(this);
    List->SetParent(this);
    SetInnerControl(List);
  }
  TcxCustomInnerListBox* List = nullptr;
};

// What reached the container.
struct InnerListBoxTestLog : TObject {
  std::vector<String> events;
  void OnKeyDown(TObject*, uint16_t& Key, TShiftState) { events.push_back("down " + IntToStr(Key)); }
  void OnKeyPress(TObject*, char32_t& Key) { events.push_back("press " + IntToStr(int32_t(Key))); }
  void OnKeyUp(TObject*, uint16_t& Key, TShiftState) { events.push_back("up " + IntToStr(Key)); }
  void OnMouseDown(TObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
    events.push_back("mousedown " + IntToStr(X) + "," + IntToStr(Y));
  }
  void OnMouseUp(TObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
    events.push_back("mouseup " + IntToStr(X) + "," + IntToStr(Y));
  }
  void OnClick(TObject*) { events.push_back("click"); }
  void OnListKeyPress(TObject*, char32_t& Key) { events.push_back("list press " + IntToStr(int32_t(Key))); }
  bool TakeWheel = false;
  void OnMouseWheel(TObject*, TShiftState, int32_t Delta, POINT, bool& Handled) {
    events.push_back("wheel " + IntToStr(Delta));
    Handled = TakeWheel;
  }
  bool Has(const String& e) const {
    for (const String& s : events)
      if (s == e) return true;
    return false;
  }
};

class InnerListBoxTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    headless::MouseMove(0, 0);
    Box = New<TInnerListBoxTestContainer>(Form);
    Box->SetBounds(10, 10, 150, 100);
    Box->GetStyle()->SetBorderStyle(cbsSingle);
    Box->GetStyle()->SetTransparentBorder(false);
    Box->SetParent(Form);
    List = Box->List;
    Idle();
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) List->Items()->Add("Item " + IntToStr(i));
    Idle();
  }
  RECT NativeBarInBox(LONG object) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    GetScrollBarInfo(List->Handle(), object, &info);
    POINT p = Box->ScreenToClient(POINT{info.rcScrollBar.left, info.rcScrollBar.top});
    return RECT{p.x, p.y, p.x + info.rcScrollBar.right - info.rcScrollBar.left,
                p.y + info.rcScrollBar.bottom - info.rcScrollBar.top};
  }
  static RECT BoundsOf(TControl* c) { return RECT{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()}; }
  TInnerListBoxTestContainer* Box = nullptr;
  TcxCustomInnerListBox* List = nullptr;
};

TEST_F(InnerListBoxTest, CreatedBorderlessWithHiddenBarsMasteredByItsLookAndFeel) {
  EXPECT_EQ(List->BorderStyle(), bsNone);
  auto* alone = New<TcxCustomInnerListBox>(Form);
  EXPECT_FALSE(alone->ParentColor());
  EXPECT_TRUE(alone->ParentFont());
  EXPECT_TRUE(alone->ControlStyle().Contains(csDoubleClicks));
  EXPECT_FALSE(alone->ControlStyle().Contains(csOpaque));
  ASSERT_NE(List->HScrollBar(), nullptr);
  ASSERT_NE(List->VScrollBar(), nullptr);
  EXPECT_EQ(List->HScrollBar()->Kind(), sbHorizontal);
  EXPECT_EQ(List->VScrollBar()->Kind(), sbVertical);
  EXPECT_FALSE(List->VScrollBar()->Visible());
  EXPECT_EQ(List->VScrollBar()->LookAndFeel()->GetMaster(), List->LookAndFeel());
  EXPECT_EQ(List->HScrollBar()->LookAndFeel()->GetMaster(), List->LookAndFeel());
  EXPECT_EQ(GetInnerControlContainer(List), Box);
  IcxContainerInnerControl* inner = nullptr;
  ASSERT_EQ(List->QueryInterface(IcxContainerInnerControl::IID, reinterpret_cast<void**>(&inner)), RTL_S_OK);
  EXPECT_EQ(inner->GetControl(), List);
  EXPECT_EQ(inner->GetControlContainer(), Box);
}

TEST_F(InnerListBoxTest, PaintedBarCoversTheNativeBarWhileTheListNeedsOne) {
  // Table: item count -> whether the bar shows.
  struct Case {
    int count;
    bool shows;
  } cases[] = {{3, false}, {30, true}, {0, false}, {12, true}};
  for (const Case& c : cases) {
    List->Items()->Clear();
    Fill(c.count);
    TcxScrollBar* bar = List->VScrollBar();
    EXPECT_EQ(bar->Visible(), c.shows) << c.count;
    if (!c.shows) {
      EXPECT_EQ(R4(BoundsOf(bar)), R4(RECT{0, 0, 0, 0})) << c.count;
      continue;
    }
    EXPECT_EQ(bar->Parent(), Box);
    EXPECT_EQ(R4(BoundsOf(bar)), R4(NativeBarInBox(OBJID_VSCROLL))) << c.count;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    GetScrollInfo(List->Handle(), SB_VERT, &si);
    EXPECT_EQ(bar->Max(), si.nMax) << c.count;
    EXPECT_EQ(bar->PageSize(), int32_t(si.nPage)) << c.count;
    EXPECT_EQ(bar->Position(), si.nPos) << c.count;
    // The painted bar is what shows over the native one.
    RECT b = BoundsOf(bar);
    POINT screen = Box->ClientToScreen(POINT{b.left + 2, (b.top + b.bottom) / 2});
    EXPECT_EQ(WindowFromPoint(screen), bar->Handle()) << c.count;
  }
  EXPECT_FALSE(List->HScrollBar()->Visible());
}

TEST_F(InnerListBoxTest, BarsFollowSizeAndStayHiddenWhileLocked) {
  Fill(30);
  Box->SetBounds(10, 10, 180, 140);
  Idle();
  EXPECT_EQ(R4(BoundsOf(List->VScrollBar())), R4(NativeBarInBox(OBJID_VSCROLL)));
  List->Items()->Clear();
  Idle();
  List->LockScrollBars();
  Fill(30);
  EXPECT_FALSE(List->VScrollBar()->Visible());
  List->UnlockScrollBars();
  List->UpdateScrollBars();
  EXPECT_TRUE(List->VScrollBar()->Visible());
}

TEST_F(InnerListBoxTest, BothBarsLeaveTheCornerBetweenThemInButtonFace) {
  Fill(30);
  SendMessage(List->Handle(), LB_SETHORIZONTALEXTENT, 400, 0);
  Idle();
  TcxScrollBar* h = List->HScrollBar();
  TcxScrollBar* v = List->VScrollBar();
  ASSERT_TRUE(h->Visible());
  ASSERT_TRUE(v->Visible());
  EXPECT_EQ(R4(BoundsOf(h)), R4(NativeBarInBox(OBJID_HSCROLL)));
  EXPECT_EQ(R4(BoundsOf(v)), R4(NativeBarInBox(OBJID_VSCROLL)));
  EXPECT_EQ(h->Max(), 399);
  RECT corner{v->Left(), h->Top(), v->Left() + v->Width(), h->Top() + h->Height()};
  ASSERT_GT(corner.right - corner.left, 2);
  ASSERT_GT(corner.bottom - corner.top, 2);
  // Make sure the corner is really the list box's own, repainted after a move.
  Box->SetBounds(12, 12, 150, 100);
  Idle();
  for (int dx : {1, (corner.right - corner.left) / 2}) {
    POINT screen = Box->ClientToScreen(POINT{corner.left + dx, corner.top + 1});
    EXPECT_EQ(WindowFromPoint(screen), List->Handle());
    EXPECT_EQ(headless::Pixel(nullptr, screen.x, screen.y), 0xD4D0C8u) << dx;
  }
  if (const char* dir = std::getenv("VORN_ARTIFACT_DIR"))
    headless::SavePng(Box->Handle(), (String(dir) + "/inner-list-box-both-bars.png").c_str());
  // The painted horizontal bar scrolls the list through its own scrolling.
  RECT right = h->SecondArrowRect();
  Click(h, (right.left + right.right) / 2, (right.top + right.bottom) / 2);
  EXPECT_GT(GetScrollPos(List->Handle(), SB_HORZ), 0);
  EXPECT_EQ(h->Position(), GetScrollPos(List->Handle(), SB_HORZ));
}

TEST_F(InnerListBoxTest, ArrowScrollsByOneItemAndTheThumbThroughTheListsOwnScrolling) {
  Fill(40);
  TcxScrollBar* bar = List->VScrollBar();
  ASSERT_TRUE(bar->Visible());
  RECT down = bar->SecondArrowRect();
  Click(bar, (down.left + down.right) / 2, (down.top + down.bottom) / 2);
  EXPECT_EQ(List->TopIndex(), 1);
  EXPECT_EQ(bar->Position(), 1);
  RECT up = bar->FirstArrowRect();
  Click(bar, (up.left + up.right) / 2, (up.top + up.bottom) / 2);
  EXPECT_EQ(List->TopIndex(), 0);
  // Dragging the thumb down.
  RECT thumb = bar->ThumbRect();
  int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
  MoveTo(bar, x, y);
  headless::MouseDown();
  Idle();
  MoveTo(bar, x, y + 20);
  headless::MouseUp();
  Idle();
  EXPECT_GT(List->TopIndex(), 0);
  EXPECT_EQ(bar->Position(), GetScrollPos(List->Handle(), SB_VERT));
  // Scrolling the list itself moves the painted bar.
  List->SetTopIndex(10);
  EXPECT_EQ(bar->Position(), 10);
}

TEST_F(InnerListBoxTest, KeysGoToTheContainerFirstAndTabAndEnterStayOutOfTheList) {
  InnerListBoxTestLog log;
  Box->OnKeyDown = TKeyEvent(&log, &InnerListBoxTestLog::OnKeyDown);
  Box->OnKeyPress = TKeyPressEvent(&log, &InnerListBoxTestLog::OnKeyPress);
  Box->OnKeyUp = TKeyEvent(&log, &InnerListBoxTestLog::OnKeyUp);
  List->OnKeyPress = TKeyPressEvent(&log, &InnerListBoxTestLog::OnListKeyPress);
  Fill(5);
  List->SetFocus();
  Idle();
  ASSERT_EQ(GetFocus(), List->Handle());
  EXPECT_TRUE(Box->Focused());

  headless::KeyPress('B');
  Idle();
  EXPECT_TRUE(log.Has("down " + IntToStr('B')));
  EXPECT_TRUE(log.Has("press " + IntToStr('b')));
  EXPECT_TRUE(log.Has("list press " + IntToStr('b')));
  EXPECT_TRUE(log.Has("up " + IntToStr('B')));

  log.events.clear();
  headless::KeyPress(VK_RETURN);
  Idle();
  EXPECT_TRUE(log.Has("press 13"));
  EXPECT_FALSE(log.Has("list press 13"));

  // Tab is the container's: the list box neither sees it typed nor lets it up.
  log.events.clear();
  headless::KeyPress(VK_TAB);
  Idle();
  EXPECT_TRUE(log.Has("down 9"));
  EXPECT_FALSE(log.Has("list press 9"));
  EXPECT_FALSE(log.Has("press 9"));
  EXPECT_FALSE(log.Has("up 9"));
}

TEST_F(InnerListBoxTest, TabFromTheListMovesToTheNeighboursInTabOrder) {
  TEdit* next = New<TEdit>(Form);
  next->SetBounds(10, 150, 100, 20);
  next->SetParent(Form);
  TEdit* last = New<TEdit>(Form);
  last->SetBounds(10, 180, 100, 20);
  last->SetParent(Form);
  Fill(3);
  List->SetFocus();
  Idle();
  ASSERT_EQ(GetFocus(), List->Handle());

  headless::KeyPress(VK_TAB);
  Idle();
  EXPECT_EQ(GetFocus(), next->Handle());

  List->SetFocus();
  Idle();
  headless::KeyDown(VK_SHIFT);
  headless::KeyPress(VK_TAB);
  headless::KeyUp(VK_SHIFT);
  Idle();
  EXPECT_EQ(GetFocus(), last->Handle());
}

TEST_F(InnerListBoxTest, DialogCodeAsksForCharsAndTabOnlyWithAContainer) {
  LRESULT hosted = SendMessage(List->Handle(), WM_GETDLGCODE, 0, 0);
  EXPECT_TRUE(hosted & DLGC_WANTCHARS);
  EXPECT_TRUE(hosted & DLGC_WANTTAB);
  headless::KeyDown(VK_CONTROL);
  Idle();
  EXPECT_FALSE(SendMessage(List->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  headless::KeyUp(VK_CONTROL);
  Idle();
  List->SetContainer(nullptr);
  EXPECT_FALSE(SendMessage(List->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  List->SetContainer(Box);
}

TEST_F(InnerListBoxTest, MouseAndClicksReachTheContainerInItsCoordinates) {
  InnerListBoxTestLog log;
  Box->OnMouseDown = TMouseEvent(&log, &InnerListBoxTestLog::OnMouseDown);
  Box->OnMouseUp = TMouseEvent(&log, &InnerListBoxTestLog::OnMouseUp);
  Box->OnClick = TNotifyEvent(&log, &InnerListBoxTestLog::OnClick);
  Box->GetStyle()->SetHotTrack(false);  // the frame stays as it is while the mouse is over it
  Fill(5);
  Idle();
  int y = List->ItemRect(2).top + 2;
  String at = IntToStr(5 + List->Left()) + "," + IntToStr(y + List->Top());
  Click(List, 5, y);
  EXPECT_EQ(List->ItemIndex(), 2);
  EXPECT_TRUE(log.Has("mousedown " + at)) << at;
  EXPECT_TRUE(log.Has("mouseup " + at));
  EXPECT_TRUE(log.Has("click"));
  EXPECT_FALSE(Box->InnerControlMouseDown());
}

TEST_F(InnerListBoxTest, TheWheelIsOfferedToTheContainerFirst) {
  InnerListBoxTestLog log;
  Box->OnMouseWheel = TMouseWheelEvent(&log, &InnerListBoxTestLog::OnMouseWheel);
  Fill(40);
  List->SetFocus();
  MoveTo(List, 20, 20);
  log.TakeWheel = true;
  headless::Wheel(-WHEEL_DELTA);
  Idle();
  EXPECT_TRUE(log.Has("wheel -120"));
  EXPECT_EQ(List->TopIndex(), 0);
  log.TakeWheel = false;
  headless::Wheel(-WHEEL_DELTA);
  Idle();
  EXPECT_GT(List->TopIndex(), 0);
  EXPECT_EQ(List->VScrollBar()->Position(), List->TopIndex());
}

TEST_F(InnerListBoxTest, FocusInTheListMakesTheContainerFocused) {
  TEdit* other = New<TEdit>(Form);
  other->SetBounds(10, 150, 80, 20);
  other->SetParent(Form);
  Fill(3);
  List->SetFocus();
  Idle();
  EXPECT_TRUE(Box->ViewInfo()->ContainerState.Contains(csActive));
  other->SetFocus();
  Idle();
  EXPECT_FALSE(Box->ViewInfo()->ContainerState.Contains(csActive));
}

TEST_F(InnerListBoxTest, PressOnASelectedItemOfAMultiSelectionDragsTheContainer) {
  List->SetMultiSelect(true);
  Fill(6);
  List->SetSelected(1, true);
  List->SetSelected(3, true);
  Box->SetDragMode(dmAutomatic);
  Idle();
  ASSERT_EQ(List->DragMode(), dmAutomatic);
  MoveTo(List, 5, List->ItemRect(3).top + 2);
  headless::MouseDown();
  Idle();
  EXPECT_TRUE(Box->Dragging());
  EXPECT_FALSE(List->Dragging());
  EXPECT_EQ(List->DragMode(), dmAutomatic);  // put back after the press
  headless::MouseUp();
  Idle();
  if (Box->Dragging()) Box->EndDrag(false);
  EXPECT_TRUE(List->Selected(1));
  EXPECT_TRUE(List->Selected(3));
  EXPECT_EQ(List->SelCount(), 2);
}

TEST_F(InnerListBoxTest, PressOnAnItemOfASingleSelectionSelectsItAndDrags) {
  Fill(6);
  Box->SetDragMode(dmAutomatic);
  Idle();
  MoveTo(List, 5, List->ItemRect(4).top + 2);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(List->ItemIndex(), 4);
  EXPECT_TRUE(Box->Dragging());
  headless::MouseUp();
  Idle();
  if (Box->Dragging()) Box->EndDrag(false);
}

// Owner-drawn items: the selected item on the highlight, the others on the list's colour.
class TInnerListBoxTestDrawn : public TcxCustomInnerListBox {
  RTL_CLASS(TInnerListBoxTestDrawn, TcxCustomInnerListBox)
public:
  using TcxCustomInnerListBox::TcxCustomInnerListBox;
  std::vector<int> Drawn;

protected:
  void DrawItem(int32_t AIndex, RECT ARect, TOwnerDrawState) override {
    Drawn.push_back(AIndex);
    cxCanvas()->FillRect(ARect);
  }
};

TEST_F(InnerListBoxTest, ItemsAreDrawnWithTheHighlightForTheSelectedOne) {
  auto* list = New<TInnerListBoxTestDrawn>(Form);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(16);
  list->SetColor(clWindow);
  list->SetBounds(200, 10, 100, 100);
  list->SetParent(Form);
  for (int i = 0; i < 4; ++i) list->Items()->Add("x");
  list->SetItemIndex(1);
  Idle();
  list->Repaint();
  Idle();
  EXPECT_FALSE(list->Drawn.empty());
  struct {
    int y;
    uint32_t rgb;
  } px[] = {{8, 0xFFFFFF}, {16 + 8, 0x0A246A}, {32 + 8, 0xFFFFFF}, {48 + 8, 0xFFFFFF}, {90, 0xFFFFFF}};
  for (const auto& p : px) EXPECT_EQ(headless::Pixel(list->Handle(), 50, p.y), p.rgb) << p.y;
}

}  // namespace
