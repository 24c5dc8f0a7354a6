// The custom-drawn control base: its messages, its mouse and focus steps, its painted scroll bars and their
// settling pass, and the suite's own drag-and-drop inside a control.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "rtl/Math.h"
#include "ui/base/cxControls.h"
#include "winapi/UtilWindow.h"
#include "winapi/WinGdi.h"

namespace {

POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

TDragObject* gCurrentDragObject = nullptr;
constexpr int cxMaxScrollBarPasses = 16;

bool IsEmptyRect(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

}  // namespace

TDragObject* cxCurrentDragObject() { return gCurrentDragObject; }

// ---- TcxControlScrollBar -----------------------------------------------------------------------------------

TcxControlScrollBar::TcxControlScrollBar(TComponent* AOwner) : TcxScrollBar(AOwner) {}

void TcxControlScrollBar::AfterConstruction() {
  inherited::AfterConstruction();
  SetColor(clBtnFace);
  TControlStyle style = ControlStyle();
  style.Exclude(csFramed);
  style.Include(csNoDesignVisible);
  SetControlStyle(style);
  SetTabStop(false);
  SetVisible(false);
  if (auto* control = dynamic_cast<TcxControl*>(Owner())) LookAndFeel()->SetMaster(control->LookAndFeel());
}

void TcxControlScrollBar::ApplyData() {
  if (FData.Visible) {
    SetScrollParams(FData.Min, FData.Max, FData.Position, FData.PageSize, true);
    SetSmallChange(FData.SmallChange);
    SetLargeChange(FData.LargeChange);
  }
  SetEnabled(FData.Enabled);
  SetVisible(FData.Visible);
}

void TcxControlScrollBar::WndProc(TMessage& m) {
  if (m.Msg == CM_DESIGNHITTEST) {
    m.Result = 1;
    return;
  }
  if (m.Msg == WM_LBUTTONDOWN) {
    TObjectLink<TcxControlScrollBar> alive(this);
    FocusParent();
    if (!alive) return;
  }
  inherited::WndProc(m);
}

void TcxControlScrollBar::FocusParent() {
  TWinControl* parent = Parent();
  if (!parent) return;
  if (auto* control = dynamic_cast<TcxControl*>(parent)) {
    if (control->CanFocusOnScrollBarClick(this)) control->SetFocus();
  } else if (parent->CanFocus())
    parent->SetFocus();
}

// ---- TcxSizeGrip -------------------------------------------------------------------------------------------

TcxSizeGrip::TcxSizeGrip(TComponent* AOwner) : TCustomControl(AOwner) {
  FColor = clBtnFace;
  FParentColor = false;
  FVisible = false;
}

void TcxSizeGrip::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---- TcxSettingsController ---------------------------------------------------------------------------------

namespace {
TcxSettingsController* gSettingsController = nullptr;
}  // namespace

void cxControlsDragFinalize();

void cxControlBaseFinalize() {
  FreeAndNil(gSettingsController);
  cxControlsDragFinalize();
}

TcxSettingsController* cxSettingsController() {
  if (!gSettingsController) gSettingsController = New<TcxSettingsController>();
  return gSettingsController;
}

TcxSettingsController::~TcxSettingsController() {
  if (FWindow) DeallocateHWnd(FWindow);
}

void TcxSettingsController::AddListener(TcxControl* AControl) {
  if (std::find(FList.begin(), FList.end(), AControl) != FList.end()) return;
  FList.push_back(AControl);
  if (!FWindow) FWindow = AllocateHWnd(TWndMethod(this, &TcxSettingsController::WndProc));
}

void TcxSettingsController::RemoveListener(TcxControl* AControl) {
  auto it = std::find(FList.begin(), FList.end(), AControl);
  if (it == FList.end()) return;
  FList.erase(it);
  if (FList.empty() && FWindow) {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }
}

void TcxSettingsController::WndProc(TMessage& Message) {
  try {
    if (Message.Msg == WM_SETTINGCHANGE && Message.WParam == SPI_SETNONCLIENTMETRICS) {
      for (TcxControl* control : std::vector<TcxControl*>(FList))
        if (control->HandleAllocated()) SendNotifyMessage(control->Handle(), CXM_SCROLLBARMETRICS, 0, 0);
      Message.Result = 0;
      return;
    }
    Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

// ---- TcxDragAndDropObject ----------------------------------------------------------------------------------

TcxDragAndDropObject::TcxDragAndDropObject(TcxControl* AControl)
    : FControl(AControl), FCanvas(AControl ? AControl->ControlCanvas() : nullptr) {}

void TcxDragAndDropObject::SetDirty(bool Value) {
  if (FDirty == Value) return;
  FDirty = Value;
  DirtyFlagChanged();
}

TCursor TcxDragAndDropObject::GetDragAndDropCursor(bool AAccepted) { return AAccepted ? crDrag : crNoDrop; }

void TcxDragAndDropObject::DragDropMoved(POINT, bool& AAccepted) {
  SetDirty(false);
  Screen->SetCursor(GetDragAndDropCursor(AAccepted));
}

void TcxDragAndDropObject::DragDropEnding(bool) { SetDirty(true); }

void TcxDragAndDropObject::Init() {
  POINT p;
  GetCursorPos(&p);
  FCurMousePos = FPrevMousePos = FControl->ScreenToClient(p);
  DragDropStarted();
}

void TcxDragAndDropObject::DoMove(POINT P, bool& AAccepted) {
  FPrevMousePos = FCurMousePos;
  FCurMousePos = P;
  DragDropMoved(P, AAccepted);
}

void TcxDragAndDropObject::DoEnd(bool AAccepted) {
  DragDropEnding(AAccepted);
  DragDropFinished(AAccepted);
}

// ---- TcxDragControlObject ----------------------------------------------------------------------------------

TCursor TcxDragControlObject::GetDragCursor(bool AAccepted, int32_t X, int32_t Y) {
  auto* control = dynamic_cast<TcxControl*>(Control());
  if (AAccepted && control && control->IsCopyDragDrop()) return crcxDragCopy;
  return inherited::GetDragCursor(AAccepted, X, Y);
}

void TcxDragControlObject::Finished(TObject* ATarget, int32_t X, int32_t Y, bool AAccepted) {
  inherited::Finished(ATarget, X, Y, AAccepted);
  if (gCurrentDragObject == this) gCurrentDragObject = nullptr;
  Free();
}

// ---- TcxControl: life --------------------------------------------------------------------------------------

TcxControl::TcxControl(TComponent* AOwner) : TCustomControl(AOwner) {}

void TcxControl::AfterConstruction() {
  inherited::AfterConstruction();
  FCanvas = New<TcxCanvas>(TCustomControl::Canvas());
  FDefaultCursor = Cursor();
  FTakesFocusOnClick = true;
  FLookAndFeel = New<TcxLookAndFeel>(this);
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxControl::DoLookAndFeelChanged);
  FScrollBars = ssBoth;
  CreateScrollBars();
  SetTabStop(IsFocusable());
  FLastParentBackground = true;
  SetParentBackground(true);
  if (HasDragImages()) {
    TControlStyle style = ControlStyle();
    style.Include(csDisplayDragImage);
    SetControlStyle(style);
  }
}

void TcxControl::BeforeDestruction() {
  if (!ComponentState().Contains(csDestroying)) Destroying();
  // The bars are owned components, which the inherited step frees; they leave the settings list first.
  DestroyScrollBars();
  inherited::BeforeDestruction();
}

TcxControl::~TcxControl() {
  FFontListeners.clear();
  if (FDragAndDropObject) FreeAndNil(FDragAndDropObject);
  if (FDragImages) FreeAndNil(FDragImages);
  FreeAndNil(FScreenCanvasCache);
  FreeAndNil(FCanvas);
  FreeAndNil(FLookAndFeel);
}

void TcxControl::CreateScrollBars() {
  if (!HasScrollBars()) return;
  FHScrollBar = New<TcxControlScrollBar>(this);
  FHScrollBar->SetKind(sbHorizontal);
  FHScrollBar->OnScroll = TScrollEvent(this, &TcxControl::ScrollBarScroll);
  FVScrollBar = New<TcxControlScrollBar>(this);
  FVScrollBar->SetKind(sbVertical);
  FVScrollBar->SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), 121);
  FVScrollBar->OnScroll = TScrollEvent(this, &TcxControl::ScrollBarScroll);
  FSizeGrip = New<TcxSizeGrip>(this);
  cxSettingsController()->AddListener(this);
}

void TcxControl::DestroyScrollBars() {
  if (!FHScrollBar) return;
  if (gSettingsController) gSettingsController->RemoveListener(this);
  FreeAndNil(FSizeGrip);
  FreeAndNil(FVScrollBar);
  FreeAndNil(FHScrollBar);
}

void TcxControl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TcxControl::CreateWnd() {
  inherited::CreateWnd();
  AttachScrollBars();
}

void TcxControl::AttachScrollBars() {
  if (!HasScrollBars() || !FHScrollBar) return;
  FHScrollBar->SetParent(this);
  FVScrollBar->SetParent(this);
  FSizeGrip->SetParent(this);
}

void TcxControl::Resize() {
  TObjectLink<TcxControl> alive(this);
  inherited::Resize();
  if (alive) ClientAreaChanged();
}

void TcxControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

// ---- simple operations -------------------------------------------------------------------------------------

TcxCanvas* TcxControl::GetDrawingCanvas() {
  if (HandleAllocated()) {
    FreeAndNil(FScreenCanvasCache);
    return FCanvas;
  }
  if (!FScreenCanvasCache) FScreenCanvasCache = New<TcxScreenCanvas>();
  return FScreenCanvasCache;
}

bool TcxControl::GetHScrollBarVisible() const {
  if (!FHScrollBar) return false;
  return FCalculatingScrollBars ? FHScrollBar->Data().Visible : FHScrollBar->Visible();
}

bool TcxControl::GetVScrollBarVisible() const {
  if (!FVScrollBar) return false;
  return FCalculatingScrollBars ? FVScrollBar->Data().Visible : FVScrollBar->Visible();
}

void TcxControl::InvalidateRect(const RECT& R, bool AErase) {
  if (HandleAllocated()) ::InvalidateRect(Handle(), &R, AErase);
}

void TcxControl::InvalidateRegion(TcxRegion* ARegion, bool AErase) {
  if (!HandleAllocated() || !ARegion || ARegion->HasNoArea()) return;
  InvalidateRgn(Handle(), ARegion->Handle(), AErase);
}

void TcxControl::UpdateWindowAndChildren() {
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool TcxControl::IsCloseToMouseDownPoint(int32_t X, int32_t Y) const {
  return IsWithinDragThreshold(FMouseDownPos, X, Y);
}

bool TcxControl::IsCopyDragDrop() const { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

void TcxControl::SetCaptureObject(TObject* AObject) {
  if (AObject == FCaptureObject) return;
  bool hadCapture = MouseCapture();
  if (FCaptureObject)
    if (auto* old = Supports<IcxMouseCaptureObject>(FCaptureObject)) old->CaptureLost();
  FCaptureObject = AObject;
  SetMouseCapture(AObject != nullptr);
  if (hadCapture && !MouseCapture() && FDragAndDropState == ddPending) Perform(WM_CANCELMODE);
}

void TcxControl::SetScrollBars(TScrollStyle AValue) {
  if (FScrollBars == AValue) return;
  FScrollBars = AValue;
  ClientAreaChanged();
}

void TcxControl::SetBorderStyle(TcxControlBorderStyle AValue) {
  if (FBorderStyle == AValue) return;
  FBorderStyle = AValue;
  ClientAreaChanged();
}

void TcxControl::SetPopupMenu(TComponent* AValue) {
  if (AValue && !dynamic_cast<TPopupMenu*>(AValue) && !Supports<IcxPopupMenuSupport>(AValue)) AValue = nullptr;
  if (FPopupMenu == AValue) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = AValue;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

TPopupMenu* TcxControl::GetPopupMenu() const { return dynamic_cast<TPopupMenu*>(FPopupMenu); }

void TcxControl::AddFontListener(IcxFontListener* AListener) { FFontListeners.emplace_back(AListener); }

void TcxControl::RemoveFontListener(IcxFontListener* AListener) {
  auto it = std::find_if(FFontListeners.begin(), FFontListeners.end(),
                         [&](const IPtr<IcxFontListener>& l) { return l.get() == AListener; });
  if (it != FFontListeners.end()) FFontListeners.erase(it);
}

bool TcxControl::IsMenuShortCutKey(TMessage& Message) {
  if (IsDesigning()) return false;
  for (TControl* c = this; c; c = c->Parent())
    if (auto* control = dynamic_cast<TcxControl*>(c))
      if (control->FPopupMenu && IsPopupMenuShortCut(control->FPopupMenu, Message)) return true;
  return false;
}

void TcxControl::NotifyDesignerModified() {
  if (!IsDesigning()) return;
  for (TControl* c = this; c; c = c->Parent()) {
    auto state = c->ComponentState();
    if (state.Contains(csLoading) || state.Contains(csWriting) || state.Contains(csDestroying)) return;
  }
  SetDesignerModified(this);
}

// ---- extension points with base behaviour --------------------------------------------------------------------

bool TcxControl::ShowPopupMenu(TComponent* AMenu, int32_t X, int32_t Y) { return PopupMenuAtPoint(this, AMenu, X, Y); }

void TcxControl::BringScrollBarsToFront() {
  if (!FHScrollBar) return;
  FHScrollBar->BringToFront();
  FVScrollBar->BringToFront();
  FSizeGrip->BringToFront();
}

void TcxControl::FinishMouseOperations() {
  TObjectLink<TcxControl> alive(this);
  FinishDragAndDrop(true);
  if (alive) SetCaptureObject(nullptr);
}

bool TcxControl::CanFocusOnClick() { return !IsDesigning() && FTakesFocusOnClick && IsFocusable() && CanFocus(); }

int32_t TcxControl::GetBorderSize() { return FBorderStyle == cxcbsNone ? 0 : GetPainter()->ControlBorderWidth(); }

void TcxControl::GetControlRect(RECT& R) {
  if (!IsEmptyRect(FExplicitBounds))
    R = FExplicitBounds;
  else if (HandleAllocated())
    R = ClientRect();
  else
    R = RECT{0, 0, Width(), Height()};
}

void TcxControl::GetContentRect(RECT& R) {
  GetControlRect(R);
  int32_t b = GetBorderSize();
  InflateRect(&R, -b, -b);
  if (GetHScrollBarVisible()) R.bottom -= FHScrollBar->Height();
  if (GetVScrollBarVisible()) R.right -= FVScrollBar->Width();
}

TClass TcxControl::GetDragAndDropObjectClass() const {
  return FDragAndDropObjectClass ? FDragAndDropObjectClass : TcxDragAndDropObject::StaticClass();
}

bool TcxControl::CanFocusWithForm() {
  if (!CanFocus()) return false;
  TCustomForm* form = GetParentForm(this);
  return !form || (form->CanFocus() && form->Enabled() && form->Visible());
}

bool TcxControl::IsNearMouseDownPos(int32_t X, int32_t Y) {
  return DragMode() == dmManual || IsCloseToMouseDownPoint(X, Y);
}

void TcxControl::CancelMouseOperations() {
  FMouseButtonPressed = false;
  SetCaptureObject(nullptr);
}

void TcxControl::FocusChanged() {
  if (OnFocusChanged) OnFocusChanged(this);
}

void TcxControl::FontChanged() {
  TObjectLink<TcxControl> alive(this);
  for (auto listener : std::vector<IPtr<IcxFontListener>>(FFontListeners)) {
    listener->Changed(this, Font());
    if (!alive) return;
  }
  Invalidate();
}

TClass TcxControl::GetDragObjectClass() const { return TcxDragControlObject::StaticClass(); }

void TcxControl::AddChildComponent(TcxControlChildComponent* AChild) { AChild->SetControl(this); }

void TcxControl::RemoveChildComponent(TcxControlChildComponent* AChild) { AChild->SetControl(nullptr); }

bool TcxControl::AllowDesignHitTest(int32_t, int32_t, TShiftState) {
  return FDragAndDropState != ddIdle || FMouseButtonPressed;
}

void TcxControl::MouseEnter(TControl* AControl) {
  if (OnMouseEnterControl) OnMouseEnterControl(this, AControl);
}

void TcxControl::MouseLeave(TControl* AControl) {
  if (OnMouseLeaveControl) OnMouseLeaveControl(this, AControl);
}

// ---- messages ----------------------------------------------------------------------------------------------

void TcxControl::WndProc(TMessage& m) {
  TObjectLink<TcxControl> alive(this);
  POINT p = PointOf(m.LParam);
  if (HandleAllocated() && (Width() > 32768 || Height() > 32768)) {
    GetCursorPos(&p);
    p = ScreenToClient(p);
  }
  auto after = [&] {
    if (!alive) return;
    if (m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS) FocusChanged();
    if (!alive) return;
    if (m.Msg == WM_PAINT && ParentBackground() != FLastParentBackground) {
      FLastParentBackground = ParentBackground();
      ParentBackgroundChanged();
      if (!alive) return;
    }
    if (m.Msg == WM_LBUTTONDOWN) MouseButtonDown(mbLeft, p.x, p.y);
    if (m.Msg == WM_RBUTTONDOWN) MouseButtonDown(mbRight, p.x, p.y);
    if (m.Msg == WM_MBUTTONDOWN) MouseButtonDown(mbMiddle, p.x, p.y);
  };
  try {
    bool bypass = (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && !::Dragging() &&
                  ((IsDesigning() && AllowDesignHitTest(p.x, p.y, TShiftState{ssLeft})) ||
                   (!IsDesigning() && DragMode() == dmAutomatic));
    if (bypass) {
      // The platform would start its own drag at once; the control decides after the drag-detect loop.
      if (!IsControlMouseMsg(m)) {
        FControlState.Include(csLButtonDown);
        Dispatch(m);
        if (alive) FControlState.Exclude(csLButtonDown);
      }
    } else if (!HandleMessage(m))
      inherited::WndProc(m);
  } catch (...) {
    after();
    throw;
  }
  after();
}

// The messages the control answers itself; false sends the message on to the platform.
bool TcxControl::HandleMessage(TMessage& m) {
  TObjectLink<TcxControl> alive(this);
  switch (m.Msg) {
    case WM_CANCELMODE:
      inherited::WndProc(m);
      if (!alive) return true;
      FinishDragAndDrop(false);
      if (alive) CancelMouseOperations();
      return true;
    case WM_CONTEXTMENU: {
      if (m.Result != 0) return true;
      if (IsDesigning()) return false;
      POINT screen = PointOf(m.LParam);
      POINT client{-1, -1};
      if (!(screen.x == -1 && screen.y == -1)) {
        client = ScreenToClient(screen);
        RECT r = ClientRect();
        if (!PtInRect(&r, client)) return false;
      }
      bool handled = false;
      DoContextPopup(client, handled);
      if (!alive) return true;
      m.Result = handled ? 1 : 0;
      return handled;
    }
    case WM_ERASEBKGND:
      if (ErasesBackground()) return false;
      m.Result = 1;
      return true;
    case WM_GETDLGCODE: {
      LRESULT r = 0;
      if (FKeys.Contains(ckAllKeys)) r += DLGC_WANTALLKEYS;
      if (FKeys.Contains(ckArrows)) r += DLGC_WANTARROWS;
      if (FKeys.Contains(ckChars)) r += DLGC_WANTCHARS;
      if (FKeys.Contains(ckTab) && !IsCtrlPressed()) r += DLGC_WANTTAB;
      m.Result = r;
      return true;
    }
    case WM_NCCALCSIZE:
      inherited::WndProc(m);
      if (alive && HandleAllocated()) PostMessage(Handle(), CXM_SCROLLBARMETRICS, 0, 0);
      return true;
    case WM_SETCURSOR:
      if (IsDesigning() && FDragAndDropState == ddIdle) {
        POINT c;
        GetCursorPos(&c);
        c = ScreenToClient(c);
        if (AllowDesignHitTest(c.x, c.y, TShiftState{ssLeft})) {
          ::SetCursor(Screen->Cursors(GetCursorAt(c.x, c.y)));
          m.Result = 1;
          return true;
        }
      }
      return false;
    case CM_COLORCHANGED:
      ApplyColorChange();
      return false;
    case CM_CURSORCHANGED:
      StoreDefaultCursor();
      return false;
    case CM_DESIGNHITTEST:
      inherited::WndProc(m);
      if (alive && m.Result == 0) {
        POINT c = PointOf(m.LParam);
        m.Result = AllowDesignHitTest(c.x, c.y, KeysToShiftState(static_cast<WORD>(m.WParam))) ? 1 : 0;
      }
      return true;
    case CM_FONTCHANGED:
      inherited::WndProc(m);
      if (alive) FontChanged();
      return true;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      inherited::WndProc(m);
      if (!alive) return true;
      auto* control = reinterpret_cast<TControl*>(m.LParam);
      if (!control) control = this;
      if (m.Msg == CM_MOUSEENTER)
        MouseEnter(control);
      else
        MouseLeave(control);
      return true;
    }
    case CM_TEXTCHANGED:
      inherited::WndProc(m);
      if (alive) TextChanged();
      return true;
    case CM_VISIBLECHANGED:
      inherited::WndProc(m);
      if (alive) VisibleChanged();
      return true;
    case CN_KEYDOWN:
      if (IsMenuShortCutKey(m)) {
        m.Result = 1;
        return true;
      }
      if (alive && FDragAndDropState != ddIdle && m.WParam == VK_ESCAPE) {
        Perform(WM_KEYDOWN, m.WParam, m.LParam);
        m.Result = 1;
        return true;
      }
      return false;
    case CN_SYSKEYDOWN:
      if (IsMenuShortCutKey(m)) {
        m.Result = 1;
        return true;
      }
      return false;
    case WM_TIMER:
      // The middle-button loop's timer; a test clock or a nested loop may dispatch it here.
      if (FScrollingContent && m.WParam == reinterpret_cast<WPARAM>(this)) {
        MiddleScrollTick();
        return true;
      }
      return false;
    case CXM_SCROLLBARMETRICS:
      CheckScrollBarMetrics();
      return true;
    default:
      return false;
  }
}

void TcxControl::CheckScrollBarMetrics() {
  if (!HasScrollBars() || !FHScrollBar) return;
  int32_t h = GetSystemMetrics(SM_CYHSCROLL), w = GetSystemMetrics(SM_CXVSCROLL);
  if (FHScrollBar->Height() == h && FVScrollBar->Width() == w) return;
  FHScrollBar->SetHeight(h);
  FVScrollBar->SetWidth(w);
  ClientAreaChanged();
}

void TcxControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && FDragAndDropState != ddIdle) {
    TObjectLink<TcxControl> alive(this);
    FinishDragAndDrop(false);
    if (!alive) return;
  }
  inherited::KeyDown(Key, Shift);
}

void TcxControl::DoContextPopup(POINT MousePos, bool& Handled) {
  TObjectLink<TcxControl> alive(this);
  inherited::DoContextPopup(MousePos, Handled);
  if (Handled || !alive) return;
  POINT p = (MousePos.x == -1 && MousePos.y == -1) ? POINT{0, 0} : MousePos;
  p = ClientToScreen(p);
  Handled = ShowPopupMenu(FPopupMenu, p.x, p.y);
}

bool TcxControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  TObjectLink<TcxControl> alive(this);
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!alive) return true;
  uint8_t kind = GetMouseWheelScrollingKind();
  if (kind == 0) return false;
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  TcxScrollDirection direction = kind == 1 ? (WheelDelta >= 0 ? dirLeft : dirRight) : (WheelDelta >= 0 ? dirUp : dirDown);
  for (UINT i = 0; i < lines && alive; ++i) ScrollInDirection(direction);
  return true;
}

// ---- mouse ---------------------------------------------------------------------------------------------------

void TcxControl::MouseButtonDown(TMouseButton AButton, int32_t X, int32_t Y) {
  if (DragMode() == dmAutomatic && AButton == mbLeft && MouseCapture() &&
      (!IsDesigning() || AllowsAutoDragAt(X, Y, 0)) && CanBeginDrag(X, Y)) {
    TObjectLink<TcxControl> alive(this);
    uint8_t r = DetectDragStart(Handle());
    if (alive && r == 1) BeginDrag(true, -1);
    return;
  }
  if (AButton == mbMiddle) ScrollContentWithMiddleButton();
}

void TcxControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseDownPos = POINT{X, Y};
  TObjectLink<TcxControl> alive(this);
  auto finally = [&] {
    if (alive && MouseCapture()) FMouseButtonPressed = true;
  };
  try {
    if (CanFocusOnClick() && !Shift.Contains(ssDouble)) {
      SetFocus();
      if (!alive) return;
      TCustomForm* form = GetParentForm(this);
      if (form && form->ActiveControl() == this && !HasFocus()) ::SetFocus(Handle());
      if (!HasFocus() && !AllowUnfocusedMouseDown()) {
        SetMouseCapture(false);
        finally();
        return;
      }
    }
    if (Button == mbLeft && !Shift.Contains(ssDouble) && StartsDragAndDropAt(POINT{X, Y})) {
      if (DragAndDropObject()->StartsImmediately())
        StartDragAndDrop(POINT{X, Y});
      else
        SetDragAndDropState(ddPending);
    } else
      FinishDragAndDrop(false);
    if (alive) BeforeMouseDown(Button, Shift, X, Y);
    if (alive) inherited::MouseDown(Button, Shift, X, Y);
  } catch (...) {
    finally();
    throw;
  }
  finally();
}

void TcxControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxControl> alive(this);
  TCursor keep = FDefaultCursor;
  SetCursor(GetCursorAt(X, Y));
  FDefaultCursor = keep;
  inherited::MouseMove(Shift, X, Y);
  if (!alive) return;
  if (FDragAndDropState == ddPending && !IsCloseToMouseDownPoint(X, Y)) StartDragAndDrop(POINT{X, Y});
  if (alive && FDragAndDropState == ddActive) {
    bool accepted = false;
    DragAndDropMove(POINT{X, Y}, accepted);
  }
}

void TcxControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxControl> alive(this);
  FMouseButtonPressed = false;
  FinishMouseOperations();
  if (alive) inherited::MouseUp(Button, Shift, X, Y);
}

void TcxControl::Paint() {
  if (FBorderStyle == cxcbsDefault) {
    RECT r = ControlRect();
    GetPainter()->PaintControlBorder(FCanvas, r);
    r = ContentRect();
    FCanvas->IntersectClip(r);
  }
  inherited::Paint();
}

// ---- drag-and-drop inside the control ------------------------------------------------------------------------

TcxDragAndDropObject* TcxControl::DragAndDropObject() {
  if (!FDragAndDropObject) {
    TClass cls = GetDragAndDropObjectClass();
    FDragAndDropObject = static_cast<TcxDragAndDropObject*>(cls->Create(this));
  }
  return FDragAndDropObject;
}

void TcxControl::StartDragAndDrop(POINT) {
  DragAndDropObject()->Init();
  SetMouseCapture(true);
  FDragAndDropPrevCursor = Screen->Cursor();
  SetDragAndDropState(ddActive);
}

void TcxControl::DragAndDropMove(POINT P, bool& AAccepted) { DragAndDropObject()->DoMove(P, AAccepted); }

void TcxControl::DragAndDropEnd(bool AAccepted) {
  FDragAndDropState = ddIdle;
  Screen->SetCursor(FDragAndDropPrevCursor);
  SetMouseCapture(false);
  SetCaptureObject(nullptr);
  DragAndDropObject()->DoEnd(AAccepted);
}

void TcxControl::FinishDragAndDrop(bool AAccepted) {
  if (FFinishingDragAndDrop) return;
  FFinishingDragAndDrop = true;
  TObjectLink<TcxControl> alive(this);
  auto cleanup = [&] {
    if (!alive) return;
    FreeAndNil(FDragAndDropObject);
    FFinishingDragAndDrop = false;
  };
  try {
    if (FDragAndDropState == ddActive)
      DragAndDropEnd(AAccepted);
    else
      FDragAndDropState = ddIdle;
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
}

void TcxControl::SetDragAndDropState(TcxDragAndDropState AState) {
  if (FDragAndDropState == AState) return;
  FDragAndDropState = AState;
  if (AState == ddIdle && !FFinishingDragAndDrop) CancelMouseOperations();
}

void TcxControl::DoStartDrag(TDragObject*& ADragObject) {
  inherited::DoStartDrag(ADragObject);
  if (!ADragObject) {
    if (TClass cls = GetDragObjectClass()) {
      auto* object = static_cast<TcxDragControlObject*>(cls->Create(nullptr));
      object->SetControl(this);
      ADragObject = object;
    }
  }
  if (ADragObject && !AcceptsDragObject(ADragObject)) {
    ADragObject->Free();
    ADragObject = nullptr;
    CancelDrag();
  }
}

void TcxControl::DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) {
  inherited::DoEndDrag(ATarget, X, Y);
  if (FDragImages) FreeAndNil(FDragImages);
}

TClass TcxControl::GetDragImagesClass() const { return TcxDragImageList::StaticClass(); }

TcxDragImageList* TcxControl::GetDragImages() {
  if (!HasDragImages()) return nullptr;
  if (!FDragImages) {
    FDragImages = static_cast<TcxDragImageList*>(GetDragImagesClass()->Create(nullptr));
    InitDragImages(FDragImages);
  }
  return FDragImages->Count() > 0 ? FDragImages : nullptr;
}

void TcxControl::InitDragImages(TcxDragImageList* AList) {
  POINT size{0, 0};
  GetDragImagesSize(size);
  AList->SetWidth(size.x);
  AList->SetHeight(size.y);
  if (size.x <= 0 || size.y <= 0) return;
  std::unique_ptr<TBitmap> bitmap(New<TBitmap>());
  bitmap->SetSize(size.x, size.y);
  {
    TcxCanvas canvas(bitmap->Canvas());
    DrawDragImage(&canvas, RECT{0, 0, size.x, size.y});
  }
  AList->AddMasked(bitmap.get(), bitmap->TransparentColor());
}

void TcxControl::DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) {
  if (auto* drag = dynamic_cast<TDragObject*>(ASource)) gCurrentDragObject = AState == dsDragLeave ? nullptr : drag;
  inherited::DragOver(ASource, X, Y, AState, AAccept);
}

// ---- scroll bars ---------------------------------------------------------------------------------------------

void TcxControl::ScrollBarScroll(TObject* Sender, TScrollCode ACode, int32_t& APos) {
  Scroll(static_cast<TcxScrollBar*>(Sender)->Kind(), ACode, APos);
}

void TcxControl::GetHScrollBarBounds(RECT& R) {
  GetContentRect(R);
  R.top = R.bottom;
  R.bottom = R.top + FHScrollBar->Height();
}

void TcxControl::GetVScrollBarBounds(RECT& R) {
  GetContentRect(R);
  R.left = R.right;
  R.right = R.left + FVScrollBar->Width();
}

void TcxControl::GetSizeGripBounds(RECT& R) {
  RECT h, v;
  GetHScrollBarBounds(h);
  GetVScrollBarBounds(v);
  R = RECT{v.left, h.top, v.right, h.bottom};
}

void TcxControl::SetScrollBarsBounds() {
  RECT r;
  if (FHScrollBar->Visible()) {
    GetHScrollBarBounds(r);
    FHScrollBar->SetBoundsRect(r);
  }
  if (FVScrollBar->Visible()) {
    GetVScrollBarBounds(r);
    FVScrollBar->SetBoundsRect(r);
  }
  if (FSizeGrip->Visible()) {
    GetSizeGripBounds(r);
    FSizeGrip->SetBoundsRect(r);
  }
}

void TcxControl::SetScrollBarInfo(TScrollBarKind AKind, int32_t AMin, int32_t AMax, int32_t AStep, int32_t APage,
                                  int32_t APos, bool AAllowShow, bool AAllowHide) {
  if (!FHScrollBar) return;
  TcxScrollBarData& d = (AKind == sbHorizontal ? FHScrollBar : FVScrollBar)->Data();
  bool admitted = AKind == sbHorizontal ? (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
                                        : (FScrollBars == ssVertical || FScrollBars == ssBoth);
  bool allowed = AAllowShow && admitted;
  d.AllowShow = allowed;
  d.AllowHide = AAllowHide;
  if (!allowed) {
    d.Visible = false;
    return;
  }
  if (AMin > AMax || APage >= AMax - AMin + 1 || APos < AMin) {
    if (AAllowHide)
      d.Visible = false;
    else {
      d.Enabled = false;
      d.Visible = true;
    }
    return;
  }
  d.Min = AMin;
  d.Max = AMax;
  d.Position = APos;
  d.PageSize = APage;
  d.SmallChange = static_cast<TScrollBarInc>(AStep);
  d.LargeChange = static_cast<TScrollBarInc>(APage);
  d.Enabled = true;
  d.Visible = true;
}

void TcxControl::CalculateScrollBarsData() {
  if (FCalculatingScrollBars) return;
  FCalculatingScrollBars = true;
  try {
    FHScrollBar->Data().Visible = false;
    FVScrollBar->Data().Visible = false;
    // Each pass sees the room the bars of the previous one left; a pass that changes neither bar ends it.
    // A descendant whose answer flips with every pass would hold the program here for ever; after as many
    // passes as any settling layout needs, the last answer stands.
    for (int pass = 0; pass < cxMaxScrollBarPasses; ++pass) {
      bool h = GetHScrollBarVisible(), v = GetVScrollBarVisible();
      ComputeScrollBarsData();
      if (h == GetHScrollBarVisible() && v == GetVScrollBarVisible()) break;
    }
    HideBothScrollBarsIfPossible();
  } catch (...) {
    FCalculatingScrollBars = false;
    throw;
  }
  FCalculatingScrollBars = false;
}

void TcxControl::HideBothScrollBarsIfPossible() {
  TcxScrollBarData& h = FHScrollBar->Data();
  TcxScrollBarData& v = FVScrollBar->Data();
  if (!(h.Visible && h.Enabled && h.AllowHide && v.Visible && v.Enabled && v.AllowHide)) return;
  int32_t vWidth = FVScrollBar->Width(), hHeight = FHScrollBar->Height();
  bool hFits = AllowsHidingBothScrollBars(sbHorizontal) && vWidth + h.PageSize >= h.Max - h.Min + 1;
  bool vFits = AllowsHidingBothScrollBars(sbVertical) && hHeight + v.PageSize >= v.Max - v.Min + 1;
  if (!(hFits && vFits)) return;
  TcxScrollBarData hd = h, vd = v;
  SetScrollBarInfo(sbHorizontal, hd.Min, hd.Max, hd.SmallChange, hd.PageSize + vWidth, hd.Position, hd.AllowShow,
                   hd.AllowHide);
  SetScrollBarInfo(sbVertical, vd.Min, vd.Max, vd.SmallChange, vd.PageSize + hHeight, vd.Position, vd.AllowShow,
                   vd.AllowHide);
}

void TcxControl::RefreshScrollBars() {
  if (!HasScrollBars() || !FHScrollBar) return;
  bool outermost = !FUpdatingScrollBars;
  if (outermost) {
    FInitialHScrollBarVisible = FHScrollBar->Visible();
    FInitialVScrollBarVisible = FVScrollBar->Visible();
  }
  bool prevUpdating = FUpdatingScrollBars;
  FUpdatingScrollBars = true;
  TObjectLink<TcxControl> alive(this);
  auto finally = [&] {
    if (!alive) return;
    if (outermost) FScrollBarsSettled = false;
    FUpdatingScrollBars = prevUpdating;
  };
  try {
    bool hWas = FHScrollBar->Visible(), vWas = FVScrollBar->Visible();
    if (!FScrollBarsSettled) {
      CalculateScrollBarsData();
      if (!outermost && FHScrollBar->Data().Visible == FInitialHScrollBarVisible &&
          FVScrollBar->Data().Visible == FInitialVScrollBarVisible) {
        // Showing a bar made it unnecessary and hiding it made it necessary: keep it shown, disabled.
        FScrollBarsSettled = true;
        for (TcxControlScrollBar* bar : {FHScrollBar, FVScrollBar}) {
          bool initial = bar == FHScrollBar ? FInitialHScrollBarVisible : FInitialVScrollBarVisible;
          if (bar->Visible() != initial) {
            bar->SetEnabled(false);
            bar->SetVisible(true);
          }
        }
      } else {
        FHScrollBar->ApplyData();
        FVScrollBar->ApplyData();
      }
    }
    if (FHScrollBar->Visible() != hWas || FVScrollBar->Visible() != vWas)
      ClientAreaChanged();
    else {
      FSizeGrip->SetVisible(FHScrollBar->Visible() && FVScrollBar->Visible());
      SetScrollBarsBounds();
      if (KeepScrollBarsOnTop()) BringScrollBarsToFront();
    }
  } catch (...) {
    finally();
    throw;
  }
  finally();
}

void TcxControl::ScrollInDirection(TcxScrollDirection ADirection) {
  if (ADirection == dirNone || !HasScrollBars() || !FHScrollBar) return;
  bool horizontal = ADirection == dirLeft || ADirection == dirRight;
  TcxControlScrollBar* bar = horizontal ? FHScrollBar : FVScrollBar;
  int32_t pos = bar->Position();
  Scroll(horizontal ? sbHorizontal : sbVertical,
         (ADirection == dirLeft || ADirection == dirUp) ? scLineUp : scLineDown, pos);
}

void TcxControl::ScrollWindow(int32_t DX, int32_t DY, const RECT& R) {
  if (!HandleAllocated()) return;
  ScrollWindowEx(Handle(), DX, DY, &R, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
}

// ---- child components ----------------------------------------------------------------------------------------

void TcxControlChildComponent::AfterConstruction() {
  inherited::AfterConstruction();
  SetupDefaults();
}

void TcxControlChildComponent::BeforeDestruction() {
  if (FControl) FControl->RemoveChildComponent(this);
  inherited::BeforeDestruction();
}

void TcxControlChildComponent::SetParentComponent(TComponent* Value) {
  inherited::SetParentComponent(Value);
  if (auto* control = dynamic_cast<TcxControl*>(Value)) control->AddChildComponent(this);
}
