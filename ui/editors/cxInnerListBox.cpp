// The inner list box of a container: input forwarding, painted scroll bars over the native ones, the
// corner between them, automatic dragging for the container and owner-drawn items on the suite's canvas.

#include "ui/editors/cxInnerListBox.h"

#include <memory>

#include "forms/Menus.h"
#include "rtl/ObjLinks.h"
#include "winapi/Messages.h"

namespace {

// The container's input virtuals are protected; the inner list box stands in for the container's own
// window, so it calls them as the container would have been called.
struct TcxInnerListBoxContainerAccess : TcxContainer {
  static constexpr auto MouseMoveP = &TcxInnerListBoxContainerAccess::MouseMove;
  static constexpr auto MouseUpP = &TcxInnerListBoxContainerAccess::MouseUp;
  static constexpr auto KeyDownP = &TcxInnerListBoxContainerAccess::KeyDown;
  static constexpr auto KeyPressP = &TcxInnerListBoxContainerAccess::KeyPress;
  static constexpr auto KeyUpP = &TcxInnerListBoxContainerAccess::KeyUp;
  static constexpr auto DragOverP = &TcxInnerListBoxContainerAccess::DragOver;
  static constexpr auto DragDropP = &TcxInnerListBoxContainerAccess::DragDrop;
  static constexpr auto DoMouseWheelP = &TcxInnerListBoxContainerAccess::DoMouseWheel;
};

// Raises a flag for a scope and puts the old value back, also when an exception passes.
class TcxInnerListBoxFlagLock {
public:
  explicit TcxInnerListBoxFlagLock(bool& AFlag) : FFlag(AFlag), FOld(AFlag) { FFlag = true; }
  ~TcxInnerListBoxFlagLock() { FFlag = FOld; }
  TcxInnerListBoxFlagLock(const TcxInnerListBoxFlagLock&) = delete;
  TcxInnerListBoxFlagLock& operator=(const TcxInnerListBoxFlagLock&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

// A link on the heap: the optimiser otherwise takes the link's registration in the list box for a
// dangling local address.
std::unique_ptr<TObjectLink<TcxCustomInnerListBox>> InnerListBoxAliveLink(TcxCustomInnerListBox* AListBox) {
  return std::make_unique<TObjectLink<TcxCustomInnerListBox>>(AListBox);
}

bool IsScrollBarsUpdateMessage(const TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETREDRAW: return Message.WParam != 0;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case WM_MOUSEWHEEL:
    case CM_WININICHANGE: return true;
    default: return false;
  }
}

}  // namespace

TcxCustomInnerListBox::TcxCustomInnerListBox(TComponent* AOwner) : TListBox(AOwner) {}

void TcxCustomInnerListBox::AfterConstruction() {
  inherited::AfterConstruction();
  FCanvas = New<TcxCanvas>(Canvas());
  FHScrollBar = New<TcxScrollBar>(this);
  FHScrollBar->FreeNotification(this);
  FHScrollBar->SetKind(sbHorizontal);
  FHScrollBar->OnScroll = TScrollEvent(this, &TcxCustomInnerListBox::HScrollHandler);
  FHScrollBar->SetSmallChange(1);
  FHScrollBar->SetVisible(false);
  FLookAndFeel = New<TcxLookAndFeel>(this);
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxCustomInnerListBox::LookAndFeelChanged);
  FVScrollBar = New<TcxScrollBar>(this);
  FVScrollBar->FreeNotification(this);
  FVScrollBar->SetKind(sbVertical);
  FVScrollBar->OnScroll = TScrollEvent(this, &TcxCustomInnerListBox::VScrollHandler);
  FVScrollBar->SetSmallChange(1);
  FVScrollBar->SetVisible(false);
  FHScrollBar->LookAndFeel()->SetMaster(FLookAndFeel);
  FVScrollBar->LookAndFeel()->SetMaster(FLookAndFeel);
  SetBorderStyle(bsNone);
  FControlStyle.Exclude(csOpaque);
  FControlStyle.Include(csDoubleClicks);
  SetParentColor(false);
  SetParentFont(true);
}

void TcxCustomInnerListBox::BeforeDestruction() {
  // The bars are the list box's components: a bar on the container goes with them too, so that the
  // container never keeps a bar whose list box is gone.
  if (FHScrollBar) FHScrollBar->Free();
  if (FVScrollBar) FVScrollBar->Free();
  inherited::BeforeDestruction();
}

TcxCustomInnerListBox::~TcxCustomInnerListBox() {
  FreeAndNil(FLookAndFeel);
  FreeAndNil(FCanvas);
}

int32_t TcxCustomInnerListBox::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

void TcxCustomInnerListBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FHScrollBar) FHScrollBar = nullptr;
  if (AComponent == FVScrollBar) FVScrollBar = nullptr;
}

void TcxCustomInnerListBox::RepaintList() {
  if (HandleAllocated()) Invalidate();
}

void TcxCustomInnerListBox::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) { RepaintList(); }

bool TcxCustomInnerListBox::IsContainerDestroying() const { return FContainer && FContainer->IsDestroying(); }

TComponent* TcxCustomInnerListBox::GetPopupMenu() const {
  return FContainer ? FContainer->PopupMenu() : PopupMenu();
}

// ---- painted scroll bars -----------------------------------------------------------------------------------

void TcxCustomInnerListBox::UpdateScrollBar(TcxScrollBar* AScrollBar) {
  bool visible = false;
  if (Parent()) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof(SCROLLBARINFO);
    LONG object = AScrollBar->Kind() == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL;
    if (GetScrollBarInfo(Handle(), object, &info) &&
        (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0) {
      visible = true;
      AScrollBar->SetEnabled((info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0 && Parent()->Enabled());
      POINT p = Parent()->ScreenToClient(POINT{info.rcScrollBar.left, info.rcScrollBar.top});
      int32_t w = info.rcScrollBar.right - info.rcScrollBar.left, h = info.rcScrollBar.bottom - info.rcScrollBar.top;
      if (p.x < 0 || p.y < 0 || w > Width() || h > Height())
        visible = false;
      else
        AScrollBar->SetBounds(p.x, p.y, w, h);
    }
  }
  if (visible) {
    LockScrollBars();
    try {
      AScrollBar->SetParent(Parent());
    } catch (...) {
      UnlockScrollBars();
      throw;
    }
    UnlockScrollBars();
    AScrollBar->BringToFront();
  } else {
    AScrollBar->SetBounds(0, 0, 0, 0);
  }
  AScrollBar->SetVisible(visible);
  if (!visible || !HandleAllocated()) return;
  SCROLLINFO si{};
  si.cbSize = sizeof(SCROLLINFO);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  GetScrollInfo(Handle(), AScrollBar->Kind() == sbHorizontal ? SB_HORZ : SB_VERT, &si);
  int32_t page = static_cast<int32_t>(si.nPage);
  if (page > si.nMax) page = si.nMax;
  AScrollBar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
}

void TcxCustomInnerListBox::UpdateScrollBars() {
  if (IsDestroying() || FScrollBarsLockCount >= 1 || !IsScrollBarInfoAvailable() || !HandleAllocated()) return;
  TcxInnerListBoxFlagLock calculating(FScrollBarsCalculating);
  if (FHScrollBar) UpdateScrollBar(FHScrollBar);
  if (FVScrollBar) UpdateScrollBar(FVScrollBar);
}

void TcxCustomInnerListBox::HScrollHandler(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos) {
  auto* bar = static_cast<TcxScrollBar*>(Sender);
  if (!bar->HandleAllocated() || !HandleAllocated()) return;
  CallWindowProc(FDefWndProc ? FDefWndProc : DefWindowProc, Handle(), WM_HSCROLL,
                 MAKEWPARAM(static_cast<WORD>(ScrollCode), static_cast<WORD>(ScrollPos)),
                 reinterpret_cast<LPARAM>(bar->Handle()));
  ScrollPos = GetScrollPos(Handle(), SB_HORZ);
}

void TcxCustomInnerListBox::VScrollHandler(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos) {
  auto* bar = static_cast<TcxScrollBar*>(Sender);
  if (ScrollCode == scLineUp || ScrollCode == scLineDown) {
    SetTopIndex(ScrollPos);
    return;
  }
  if (!bar->HandleAllocated() || !HandleAllocated()) return;
  CallWindowProc(FDefWndProc ? FDefWndProc : DefWindowProc, Handle(), WM_VSCROLL,
                 MAKEWPARAM(static_cast<WORD>(ScrollCode), static_cast<WORD>(ScrollPos)),
                 reinterpret_cast<LPARAM>(bar->Handle()));
  ScrollPos = GetScrollPos(Handle(), SB_VERT);
}

bool TcxCustomInnerListBox::GetScrollBarsCornerRect(RECT& R) {
  if (!FHScrollBar || !FVScrollBar || !FHScrollBar->Visible() || !FVScrollBar->Visible() || !Parent() ||
      !HandleAllocated())
    return false;
  POINT p = Parent()->ClientToScreen(POINT{FVScrollBar->Left(), FHScrollBar->Top()});
  RECT window{};
  GetWindowRect(Handle(), &window);
  R.left = p.x - window.left;
  R.top = p.y - window.top;
  R.right = R.left + FVScrollBar->Width();
  R.bottom = R.top + FHScrollBar->Height();
  return true;
}

void TcxCustomInnerListBox::WMNCPaint(TMessage& Message) {
  inherited::WndProc(Message);
  RECT corner;
  if (!IsScrollBarInfoAvailable() || !GetScrollBarsCornerRect(corner)) return;
  HDC dc = GetWindowDC(Handle());
  HBRUSH brush = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &corner, brush);
  ReleaseDC(Handle(), dc);
}

void TcxCustomInnerListBox::WMWindowPosChanged(TMessage& Message) {
  inherited::WndProc(Message);
  if (IsDestroying()) return;
  RECT corner;
  if (GetScrollBarsCornerRect(corner)) {
    HRGN region = CreateRectRgnIndirect(&corner);
    SendMessage(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    DeleteObject(region);
  }
}

// ---- messages -------------------------------------------------------------------------------------------

void TcxCustomInnerListBox::WndProc(TMessage& Message) {
  if (FContainer && FContainer->CheckInnerControlKey(Message)) return;
  TObjectLink<TcxCustomInnerListBox> alive(this);
  switch (Message.Msg) {
    case WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case WM_LBUTTONDOWN: WMLButtonDown(Message); return;
    case WM_NCPAINT: WMNCPaint(Message); return;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(Message);
      if (alive) UpdateScrollBars();
      return;
    case WM_NCCALCSIZE:
      inherited::WndProc(Message);
      if (alive && !FScrollBarsCalculating) UpdateScrollBars();
      return;
    case CN_DRAWITEM: CNDrawItem(Message); return;
    case CM_MOUSEENTER: {
      inherited::WndProc(Message);
      if (alive) MouseEnter(Message.LParam ? reinterpret_cast<TControl*>(Message.LParam) : this);
      return;
    }
    case CM_MOUSELEAVE: {
      inherited::WndProc(Message);
      if (alive) MouseLeave(Message.LParam ? reinterpret_cast<TControl*>(Message.LParam) : this);
      return;
    }
    default: break;
  }
  inherited::WndProc(Message);
  if (alive && IsScrollBarsUpdateMessage(Message)) UpdateScrollBars();
}

void TcxCustomInnerListBox::DefaultHandler(TMessage& Message) {
  if (FContainer && FContainer->HandleInnerControlMessage(Message)) return;
  inherited::DefaultHandler(Message);
}

void TcxCustomInnerListBox::WMGetDlgCode(TMessage& Message) {
  inherited::WndProc(Message);
  if (!FContainer) return;
  Message.Result |= DLGC_WANTCHARS;
  if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
}

void TcxCustomInnerListBox::WMKillFocus(TMessage& Message) {
  TObjectLink<TcxCustomInnerListBox> alive(this);
  inherited::WndProc(Message);
  if (alive && FContainer && !FContainer->IsDestroying()) FContainer->FocusChanged();
}

void TcxCustomInnerListBox::WMSetFocus(TMessage& Message) {
  TObjectLink<TcxCustomInnerListBox> alive(this);
  inherited::WndProc(Message);
  if (!alive || !FContainer || IsDestroying() || FContainer->IsDestroying()) return;
  HWND from = reinterpret_cast<HWND>(Message.WParam);
  if (FContainer->HandleAllocated() && from == FContainer->Handle()) return;
  FContainer->FocusChanged();
}

void TcxCustomInnerListBox::WMLButtonDown(TMessage& Message) {
  if (!FContainer || FContainer->DragMode() != dmAutomatic || FContainer->ComponentState().Contains(csDesigning)) {
    inherited::WndProc(Message);
    return;
  }
  // The container drags, not the list box: the platform would otherwise start a drag of the list box.
  TDragMode saved = DragMode();
  SetDragMode(dmManual);
  TObjectLink<TcxCustomInnerListBox> alive(this);
  try {
    TShiftState shift = KeysToShiftState(static_cast<WORD>(Message.WParam));
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    bool shiftOnly = shift.Contains(ssShift) && !shift.Contains(ssCtrl);
    int32_t index = MultiSelect() && !shiftOnly ? ItemAtPos(p, true) : -1;
    if (index >= 0 && Selected(index)) {
      // Pressing a selected item of a multiple selection drags it all: the press must not reach the list.
      FContainer->BeginDrag(false);
    } else {
      inherited::WndProc(Message);
      if (alive && FContainer && !(MultiSelect() && (shift.Contains(ssCtrl) || shift.Contains(ssShift))))
        FContainer->BeginDrag(false);
    }
  } catch (...) {
    if (alive) SetDragMode(saved);
    throw;
  }
  if (alive) SetDragMode(saved);
}

void TcxCustomInnerListBox::CNDrawItem(TMessage& Message) {
  const auto& d = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  TOwnerDrawState state = OwnerDrawStateOf(d.itemState);
  Canvas()->SetHandle(d.hDC);
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetStyle(bsSolid);
  FCanvas->Brush()->SetColor(Color());
  int32_t index = static_cast<int32_t>(d.itemID);
  if (index >= 0 && state.Contains(odSelected)) {
    FCanvas->Brush()->SetColor(clHighlight);
    FCanvas->Font()->SetColor(clHighlightText);
  }
  if (index < 0)
    FCanvas->FillRect(d.rcItem);
  else
    DrawItem(index, d.rcItem, state);
  if (state.Contains(odFocused) && !OnDrawItem.Assigned()) Canvas()->DrawFocusRect(d.rcItem);
  Canvas()->SetHandle(nullptr);
  Message.Result = 1;
}

// ---- traffic to the container --------------------------------------------------------------------------

void TcxCustomInnerListBox::Click() {
  inherited::Click();
  if (FVScrollBar) FVScrollBar->SetPosition(TopIndex());
  if (FContainer) FContainer->Click();
}

void TcxCustomInnerListBox::DblClick() {
  inherited::DblClick();
  if (FContainer) FContainer->DblClick();
}

bool TcxCustomInnerListBox::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  if (FContainer && (FContainer->*TcxInnerListBoxContainerAccess::DoMouseWheelP)(Shift, WheelDelta, MousePos))
    return true;
  return inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TcxCustomInnerListBox::DragDrop(TObject* Source, int32_t X, int32_t Y) {
  if (FContainer)
    (FContainer->*TcxInnerListBoxContainerAccess::DragDropP)(Source, X + Left(), Y + Top());
  else
    inherited::DragDrop(Source, X, Y);
}

void TcxCustomInnerListBox::DragOver(TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept) {
  if (FContainer)
    (FContainer->*TcxInnerListBoxContainerAccess::DragOverP)(Source, X + Left(), Y + Top(), State, Accept);
  else
    inherited::DragOver(Source, X, Y, State, Accept);
}

void TcxCustomInnerListBox::DoContextPopup(POINT MousePos, bool& Handled) {
  inherited::DoContextPopup(MousePos, Handled);
  if (Handled || !FContainer || PopupMenu()) return;
  // The platform shows only the control's own menu; the container's stands in for it.
  POINT screen = (MousePos.x == -1 && MousePos.y == -1) ? ClientToScreen(POINT{0, 0}) : ClientToScreen(MousePos);
  Handled = PopupMenuAtPoint(FContainer, GetPopupMenu(), screen.x, screen.y);
}

void TcxCustomInnerListBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  auto link = InnerListBoxAliveLink(this);
  TObjectLink<TcxCustomInnerListBox>& alive = *link;
  if (FContainer) (FContainer->*TcxInnerListBoxContainerAccess::KeyDownP)(Key, Shift);
  if (alive && Key != 0) inherited::KeyDown(Key, Shift);
}

void TcxCustomInnerListBox::KeyPress(char32_t& Key) {
  auto link = InnerListBoxAliveLink(this);
  TObjectLink<TcxCustomInnerListBox>& alive = *link;
  if (Key == U'\t') Key = 0;
  if (FContainer) (FContainer->*TcxInnerListBoxContainerAccess::KeyPressP)(Key);
  if (Key == U'\r') Key = 0;
  if (alive && Key != 0) inherited::KeyPress(Key);
}

void TcxCustomInnerListBox::KeyUp(uint16_t& Key, TShiftState Shift) {
  auto link = InnerListBoxAliveLink(this);
  TObjectLink<TcxCustomInnerListBox>& alive = *link;
  if (Key == VK_TAB) Key = 0;
  if (FContainer) (FContainer->*TcxInnerListBoxContainerAccess::KeyUpP)(Key, Shift);
  if (alive && Key != 0) inherited::KeyUp(Key, Shift);
}

void TcxCustomInnerListBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerListBox> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (alive && FContainer) FContainer->MouseDownFromInnerControl(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerListBox> alive(this);
  inherited::MouseMove(Shift, X, Y);
  if (alive && FContainer) (FContainer->*TcxInnerListBoxContainerAccess::MouseMoveP)(Shift, X + Left(), Y + Top());
}

void TcxCustomInnerListBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomInnerListBox> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (alive && FContainer)
    (FContainer->*TcxInnerListBoxContainerAccess::MouseUpP)(Button, Shift, X + Left(), Y + Top());
}

void TcxCustomInnerListBox::MouseLeave(TControl* AControl) {
  (void)AControl;
  if (FContainer) FContainer->RefreshHotTrackState(true);
}
