#include "forms/Forms.h"

#include <algorithm>
#include <unistd.h>

#include "forms/ActnList.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Menus.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Files.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "rtl/Threads.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

RTL_MESSAGE(TCustomForm, WM_CLOSE, WMClose);
RTL_MESSAGE(TCustomForm, WM_ACTIVATE, WMActivate);
RTL_MESSAGE(TCustomForm, CM_ACTIVATE, CMActivate);
RTL_MESSAGE(TCustomForm, CM_DEACTIVATE, CMDeactivate);
RTL_MESSAGE(TCustomForm, CM_DIALOGKEY, CMDialogKey);
RTL_MESSAGE(TCustomForm, CM_SHOWINGCHANGED, CMShowingChanged);
RTL_MESSAGE(TCustomForm, CM_RELEASE, CMRelease);
RTL_MESSAGE(TCustomForm, CM_VISIBLECHANGED, CMVisibleChanged);
RTL_MESSAGE(TCustomForm, WM_NCCALCSIZE, WMNCCalcSize);
RTL_MESSAGE(TCustomForm, WM_NCPAINT, WMNCPaint);
RTL_MESSAGE(TCustomForm, WM_NCACTIVATE, WMNCActivate);
RTL_MESSAGE(TCustomForm, WM_NCHITTEST, WMNCHitTest);
RTL_MESSAGE(TCustomForm, WM_NCLBUTTONDOWN, WMNCLButtonDown);
RTL_MESSAGE(TScrollingWinControl, WM_HSCROLL, WMHScroll);
RTL_MESSAGE(TScrollingWinControl, WM_VSCROLL, WMVScroll);
RTL_MESSAGE(TScrollingWinControl, CM_FOCUSCHANGED, CMFocusChanged);

RTL_PUBLISHED(TControlScrollBar) {
  prop("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).Default(8);
  prop("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).Default(0);
  prop("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).Default(0);
  prop("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
  prop("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking).Default(false);
}

RTL_PUBLISHED(TScrollingWinControl) {
  prop("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll).Default(true);
  prop("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar);
  prop("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
}

RTL_PUBLISHED(TScrollBox) {
  prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
}

RTL_PUBLISHED(TCustomForm) {
  prop("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  prop("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  prop("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  prop("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
  prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  prop("ClientWidth", &TCustomForm::ClientWidthProp, &TCustomForm::SetClientWidthProp);
  prop("ClientHeight", &TCustomForm::ClientHeightProp, &TCustomForm::SetClientHeightProp);
  prop("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  prop("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon);
  event("OnCreate", &TCustomForm::OnCreate, &TCustomForm::OnCreate);
  event("OnShow", &TCustomForm::OnShow, &TCustomForm::OnShow);
  event("OnActivate", &TCustomForm::OnActivate, &TCustomForm::OnActivate);
  event("OnDeactivate", &TCustomForm::OnDeactivate, &TCustomForm::OnDeactivate);
  event("OnHide", &TCustomForm::OnHide, &TCustomForm::OnHide);
  event("OnDestroy", &TCustomForm::OnDestroy, &TCustomForm::OnDestroy);
  event("OnClose", &TCustomForm::OnClose, &TCustomForm::OnClose);
  event("OnCloseQuery", &TCustomForm::OnCloseQuery, &TCustomForm::OnCloseQuery);
}

// ===================================================================================================
// TControlScrollBar

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : FControl(control), FKind(kind) {}

void TControlScrollBar::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TControlScrollBar*>(source)) {
    FIncrement = b->FIncrement;
    FVisible = b->FVisible;
    FTracking = b->FTracking;
    SetRange(b->FRange);
    SetPosition(b->FPosition);
    return;
  }
  inherited::Assign(source);
}

int32_t TControlScrollBar::ControlSize() {
  if (!FControl) return 0;
  return FKind == sbHorizontal ? FControl->ClientWidth() : FControl->ClientHeight();
}

int32_t TControlScrollBar::MaxPosition() { return std::max<int32_t>(0, FRange - ControlSize()); }

bool TControlScrollBar::IsScrollBarVisible() { return FVisible && FRange > ControlSize(); }

void TControlScrollBar::SetRange(int32_t v) {
  v = std::max<int32_t>(v, 0);
  if (FRange == v) return;
  FRange = v;
  if (FControl) FControl->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int32_t v) {
  if (FControl && FControl->ComponentState().Contains(csLoading)) {
    FPosition = v;
    return;
  }
  v = std::clamp<int32_t>(v, 0, MaxPosition());
  if (v == FPosition) return;
  int32_t old = FPosition;
  FPosition = v;
  if (!FControl) return;
  if (FKind == sbHorizontal)
    FControl->ScrollBy(old - v, 0);
  else
    FControl->ScrollBy(0, old - v);
  if (FControl->HandleAllocated()) SetScrollPos(FControl->Handle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, FPosition, TRUE);
}

void TControlScrollBar::SetVisible(bool v) {
  if (FVisible == v) return;
  FVisible = v;
  if (FControl) FControl->UpdateScrollBars();
}

void TControlScrollBar::ScrollMessage(TMessage& m) {
  int32_t page = std::max<int32_t>(ControlSize() * 9 / 10, FIncrement);
  switch (LOWORD(m.WParam)) {
    case SB_LINEUP: SetPosition(FPosition - FIncrement); break;
    case SB_LINEDOWN: SetPosition(FPosition + FIncrement); break;
    case SB_PAGEUP: SetPosition(FPosition - page); break;
    case SB_PAGEDOWN: SetPosition(FPosition + page); break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(MaxPosition()); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      if (LOWORD(m.WParam) == SB_THUMBTRACK && !FTracking) break;
      // The message carries 16 bits of the thumb's place; longer ranges read it from the bar.
      SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
      int32_t pos = HIWORD(m.WParam);
      if (FRange > 0xFFFF && FControl && FControl->HandleAllocated() &&
          GetScrollInfo(FControl->Handle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, &si))
        pos = si.nTrackPos;
      SetPosition(pos);
      break;
    }
    default: break;
  }
  m.Result = 0;
}

// ===================================================================================================
// TScrollingWinControl

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {
  FHorzScrollBar = New<TControlScrollBar>(this, sbHorizontal);
  FVertScrollBar = New<TControlScrollBar>(this, sbVertical);
}

TScrollingWinControl::~TScrollingWinControl() {
  FreeAndNil(FHorzScrollBar);
  FreeAndNil(FVertScrollBar);
}

void TScrollingWinControl::SetAutoScroll(bool v) {
  if (FAutoScroll == v) return;
  FAutoScroll = v;
  if (!v) {
    FHorzScrollBar->SetPosition(0);
    FVertScrollBar->SetPosition(0);
    FHorzScrollBar->FRange = FVertScrollBar->FRange = 0;
  }
  UpdateScrollBars();
}

void TScrollingWinControl::CreateWnd() {
  inherited::CreateWnd();
  UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
  // The children's extent, measured from the unscrolled origin; aligned children other than to the left
  // or the top follow the client area and do not count.
  int32_t h = 0, v = 0;
  for (TControl* c : FControls) {
    if (!c->Visible()) continue;
    TAlign a = c->Align();
    if (a == alNone || a == alLeft) h = std::max<int32_t>(h, c->Left() + c->Width() + FHorzScrollBar->FPosition);
    if (a == alNone || a == alTop) v = std::max<int32_t>(v, c->Top() + c->Height() + FVertScrollBar->FPosition);
  }
  FHorzScrollBar->FRange = h;
  FVertScrollBar->FRange = v;
}

void TScrollingWinControl::UpdateBar(TControlScrollBar* bar) {
  int kind = bar->FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  if (bar->IsScrollBarVisible()) {
    if (bar->FPosition > bar->MaxPosition()) bar->SetPosition(bar->MaxPosition());
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, bar->FRange - 1,
                  static_cast<UINT>(bar->ControlSize()), bar->FPosition, 0};
    SetScrollInfo(FHandle, kind, &si, TRUE);
  } else {
    // The whole area fits: it scrolls back to its origin and the bar goes.
    bar->SetPosition(0);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    SetScrollInfo(FHandle, kind, &si, TRUE);
  }
}

void TScrollingWinControl::UpdateScrollBars() {
  if (FUpdatingScrollBars || !FHandle || ComponentState().Contains(csLoading) ||
      ComponentState().Contains(csDestroying))
    return;
  FUpdatingScrollBars = true;
  try {
    if (FAutoScroll) CalcAutoRange();
    // Twice: a bar that appears narrows the client area along the other one.
    for (int pass = 0; pass < 2; ++pass) {
      UpdateBar(FHorzScrollBar);
      UpdateBar(FVertScrollBar);
    }
  } catch (...) {
    FUpdatingScrollBars = false;
    throw;
  }
  FUpdatingScrollBars = false;
}

void TScrollingWinControl::AdjustClientRect(RECT& rect) {
  // Aligned children are laid out over the whole scrolled area.
  int32_t w = std::max<int32_t>(FHorzScrollBar->FRange, rect.right - rect.left);
  int32_t h = std::max<int32_t>(FVertScrollBar->FRange, rect.bottom - rect.top);
  if (!FHorzScrollBar->IsScrollBarVisible()) w = rect.right - rect.left;
  if (!FVertScrollBar->IsScrollBarVisible()) h = rect.bottom - rect.top;
  rect = RECT{rect.left - FHorzScrollBar->FPosition, rect.top - FVertScrollBar->FPosition,
              rect.left - FHorzScrollBar->FPosition + w, rect.top - FVertScrollBar->FPosition + h};
}

void TScrollingWinControl::AlignControls(TControl* control, RECT& rect) {
  RECT before = ClientRect();
  inherited::AlignControls(control, rect);
  if (FUpdatingScrollBars) return;
  UpdateScrollBars();
  // A bar that came or went changed the client area: the aligned children follow.
  RECT after = ClientRect();
  if (after.right != before.right || after.bottom != before.bottom) {
    FUpdatingScrollBars = true;
    try {
      inherited::AlignControls(control, after);
    } catch (...) {
      FUpdatingScrollBars = false;
      throw;
    }
    FUpdatingScrollBars = false;
  }
}

void TScrollingWinControl::ScrollBy(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  bool updating = FUpdatingScrollBars;
  FUpdatingScrollBars = true;
  DisableAlign();
  try {
    for (TControl* c : FControls) c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    EnableAlign();
  } catch (...) {
    FUpdatingScrollBars = updating;
    throw;
  }
  FUpdatingScrollBars = updating;
  Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control || control == this || !ContainsControl(control) || !control->Parent()) return;
  POINT tl = ScreenToClient(control->Parent()->ClientToScreen(POINT{control->Left(), control->Top()}));
  RECT r{tl.x, tl.y, tl.x + control->Width(), tl.y + control->Height()};
  auto bring = [](TControlScrollBar* bar, int32_t lo, int32_t hi) {
    if (!bar->IsScrollBarVisible()) return;
    int32_t size = bar->ControlSize();
    if (lo < 0)
      bar->SetPosition(bar->Position() + lo);
    else if (hi > size)
      bar->SetPosition(bar->Position() + std::min(hi - size, lo));
  };
  bring(FHorzScrollBar, r.left, r.right);
  bring(FVertScrollBar, r.top, r.bottom);
}

void TScrollingWinControl::WMHScroll(TMessage& m) {
  if (m.LParam == 0) FHorzScrollBar->ScrollMessage(m);
  else DefaultHandler(m);
}

void TScrollingWinControl::WMVScroll(TMessage& m) {
  if (m.LParam == 0) FVertScrollBar->ScrollMessage(m);
  else DefaultHandler(m);
}

void TScrollingWinControl::CMFocusChanged(TMessage& m) {
  auto* c = reinterpret_cast<TWinControl*>(m.LParam);
  if (c && c != this && ContainsControl(c)) ScrollInView(c);
  inherited::CMFocusChanged(m);
}

bool TScrollingWinControl::DoMouseWheel(TShiftState shift, int32_t wheelDelta, POINT mousePos) {
  if (inherited::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  // Shift turns the wheel sideways.
  TControlScrollBar* bar = shift.Contains(ssShift) ? FHorzScrollBar : FVertScrollBar;
  if (!bar->IsScrollBarVisible()) return false;
  bar->SetPosition(bar->Position() - wheelDelta * 3 * bar->Increment() / WHEEL_DELTA);
  return true;
}

// ===================================================================================================
// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FWidth = 185;
  FHeight = 41;
}

void TScrollBox::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

// ===================================================================================================
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner) {}
TCustomForm::TCustomForm(TComponent* AOwner, int) : TScrollingWinControl(AOwner) { FStreamed = false; }
TCustomForm::~TCustomForm() { FreeAndNil(FIcon); }

void TCustomForm::AfterConstruction() {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FVisible = false;
  FColor = clBtnFace;
  FParentColor = false;
  FParentFont = false;
  FLeft = 0;
  FTop = 0;
  FWidth = 320;
  FHeight = 240;
  if (Screen) FPixelsPerInch = Screen->PixelsPerInch();
  inherited::AfterConstruction();
  if (Screen) Screen->AddForm(this);
  if (FStreamed && ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass()) {
    FFormState.Include(fsCreating);
    try {
      if (!InitInheritedComponent(this, TForm::StaticClass()))
        throw EResNotFound("Resource " + ClassName() + " not found");
    } catch (...) {
      // The form never existed: take it off every list before the constructor's caller deletes it.
      FFormState.Exclude(fsCreating);
      if (Screen) Screen->RemoveForm(this);
      Destroying();
      DestroyComponents();
      if (Owner()) Owner()->RemoveComponent(this);
      throw;
    }
    FFormState.Exclude(fsCreating);
  }
  DoCreate();
  if (FVisible) UpdateControlState();
}

void TCustomForm::BeforeDestruction() {
  if (Screen) Screen->RemoveForm(this);
  if (FMenu && FMenu->WindowForm() == this) FMenu->SetWindowForm(nullptr);
  if (!ComponentState().Contains(csDestroying)) Destroying();
  if (FVisible && FHandle) {
    FVisible = false;
    UpdateControlState();
  }
  DoDestroy();
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  // The application must not keep the form's controls as the ones under the mouse or showing a hint:
  // the next idle pass would touch them after they are gone.
  if (Application) {
    auto mine = [this](TControl* c) { return c == this || (c && GetParentForm(c) == this); };
    if (mine(Application->FHintControl)) Application->CancelHint();
    if (mine(Application->FMouseControl)) Application->FMouseControl = nullptr;
  }
  inherited::BeforeDestruction();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}
void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}
void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}
void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}
void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}
void TCustomForm::SetBorderIcons(TBorderIcons v) {
  if (FBorderIcons == v) return;
  FBorderIcons = v;
  RecreateWnd();
}
void TCustomForm::SetFormStyle(TFormStyle v) {
  if (FFormStyle == v) return;
  FFormStyle = v;
  if (FHandle)
    SetWindowPos(FHandle, v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() const {
  if (FHandle) {
    if (IsIconic(FHandle)) return wsMinimized;
    if (IsZoomed(FHandle)) return wsMaximized;
    return wsNormal;
  }
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState v) {
  FWindowState = v;
  if (FHandle && FShowing) {
    static const int cmds[] = {SW_RESTORE, SW_MINIMIZE, SW_SHOWMAXIMIZED};
    ShowWindow(FHandle, cmds[v]);
  }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMenu) SetMenu(nullptr);
  if (component == FActiveControl) FActiveControl = nullptr;
  if (component == FFocusedControl) FFocusedControl = nullptr;
  if (component == FLastFocused) FLastFocused = nullptr;
}

void TCustomForm::SetMenu(TMainMenu* v) {
  if (FMenu == v) return;
  if (FMenu && FMenu->WindowForm() == this) FMenu->SetWindowForm(nullptr);
  FMenu = v;
  if (v) {
    // A menu shows on one form at a time.
    if (v->WindowForm() && v->WindowForm() != this) v->WindowForm()->SetMenu(nullptr);
    v->SetWindowForm(this);
    v->FreeNotification(this);
  }
  MenuBarChanged();
}

// ---- the menu bar ----------------------------------------------------------------------------------
// The bar lives in the non-client area: WM_NCCALCSIZE takes its height off the top of the client area,
// WM_NCPAINT draws it, WM_NCHITTEST reports it as HTMENU and a press there starts the bar's menu mode.

void TCustomForm::MenuBarChanged() {
  if (!FHandle || ComponentState().Contains(csDestroying)) return;
  RECT before;
  ::GetClientRect(FHandle, &before);
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  RECT after;
  ::GetClientRect(FHandle, &after);
  if (after.bottom != before.bottom || after.right != before.right) Realign();
  RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

RECT TCustomForm::MenuBarRect() {
  if (!FHandle || !HasMenuBar()) return RECT{0, 0, 0, 0};
  RECT wr, cr;
  GetWindowRect(FHandle, &wr);
  ::GetClientRect(FHandle, &cr);
  POINT o{0, 0};
  ::ClientToScreen(FHandle, &o);
  int32_t left = o.x - wr.left, top = o.y - wr.top;
  return RECT{left, top - TMainMenu::BarHeight(), left + cr.right, top};
}

void TCustomForm::PaintMenuBar() {
  if (!FHandle || !HasMenuBar() || !IsWindowVisible(FHandle)) return;
  HDC dc = GetWindowDC(FHandle);
  RECT r = MenuBarRect();
  FMenu->PaintBar(dc, r);
  ReleaseDC(FHandle, dc);
}

RECT TCustomForm::ClientRect() {
  RECT r = inherited::ClientRect();
  if (!FHandle && HasMenuBar()) r.bottom = std::max<int32_t>(0, r.bottom - TMainMenu::BarHeight());
  return r;
}

POINT TCustomForm::ClientOrigin() {
  POINT p = inherited::ClientOrigin();
  if (!FHandle && HasMenuBar()) p.y += TMainMenu::BarHeight();
  return p;
}

void TCustomForm::WMNCCalcSize(TMessage& m) {
  DefaultHandler(m);
  if (!HasMenuBar() || !m.LParam) return;
  RECT* r = reinterpret_cast<RECT*>(m.LParam);  // rgrc[0] when wParam is TRUE: the same address
  r->top = std::min<LONG>(r->bottom, r->top + TMainMenu::BarHeight());
}

void TCustomForm::WMNCPaint(TMessage& m) {
  DefaultHandler(m);
  PaintMenuBar();
}

void TCustomForm::WMNCActivate(TMessage& m) {
  DefaultHandler(m);
  PaintMenuBar();
}

void TCustomForm::WMNCHitTest(TMessage& m) {
  DefaultHandler(m);
  if (!HasMenuBar() || !FHandle) return;
  RECT wr;
  GetWindowRect(FHandle, &wr);
  POINT p{GET_X_LPARAM(m.LParam) - wr.left, GET_Y_LPARAM(m.LParam) - wr.top};
  RECT bar = MenuBarRect();
  if (PtInRect(&bar, p)) m.Result = HTMENU;
}

void TCustomForm::WMNCLButtonDown(TMessage& m) {
  if (m.WParam == static_cast<WPARAM>(HTMENU) && HasMenuBar()) {
    RECT wr;
    GetWindowRect(FHandle, &wr);
    RECT bar = MenuBarRect();
    POINT p{GET_X_LPARAM(m.LParam) - wr.left - bar.left, GET_Y_LPARAM(m.LParam) - wr.top - bar.top};
    int32_t i = FMenu->BarItemAt(p);
    if (i >= 0) FMenu->TrackBar(i, true, false);
    m.Result = 0;
    return;
  }
  DefaultHandler(m);
}

void TCustomForm::SetClientWidthProp(int32_t v) {
  if (ComponentState().Contains(csReading))
    FClientWidth = v;
  else
    SetClientWidth(v);
}
void TCustomForm::SetClientHeightProp(int32_t v) {
  if (ComponentState().Contains(csReading))
    FClientHeight = v;
  else
    SetClientHeight(v);
}

void TCustomForm::ReadState(TReader* reader) {
  DisableAlign();
  try {
    inherited::ReadState(reader);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TCustomForm::GetChildren(TGetChildProc proc, TComponent* root) {
  inherited::GetChildren(proc, root);
  if (root != this) return;
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (TComponent* c = Components(i); !c->HasParent()) proc(c);
}

void TCustomForm::Loaded() {
  // The stored client size is applied once the frame (border style, icons) is known.
  TComponent::Loaded();
  if (FClientWidth >= 0) SetClientWidth(FClientWidth);
  if (FClientHeight >= 0) SetClientHeight(FClientHeight);
  FClientWidth = FClientHeight = -1;
  Realign();
  ResetAnchorsOfChildren();
}

void TCustomForm::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  if (Parent()) {
    // A form placed on another control is a child window of it, framed by its border style alone.
    p.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle || FBorderStyle == bsDialog) p.Style |= WS_BORDER;
    if (FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin) p.Style |= WS_THICKFRAME;
    p.WindowClass.hbrBackground = nullptr;
    return;
  }
  p.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS);
  p.Style |= WS_CLIPCHILDREN;
  p.WndParent = nullptr;
  if (Application && Application->MainForm() && Application->MainForm() != this &&
      Application->MainForm()->HandleAllocated())
    p.WndParent = Application->MainForm()->Handle();
  TBorderIcons icons = FBorderIcons;
  switch (FBorderStyle) {
    case bsNone: p.Style |= WS_POPUP; icons = {}; break;
    case bsSingle: p.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME;
      icons = icons * TBorderIcons{biSystemMenu, biHelp};
      break;
    case bsToolWindow:
      p.Style |= WS_CAPTION;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      icons = icons * TBorderIcons{biSystemMenu};
      break;
    case bsSizeToolWin:
      p.Style |= WS_CAPTION | WS_THICKFRAME;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      icons = icons * TBorderIcons{biSystemMenu};
      break;
  }
  if (icons.Contains(biSystemMenu)) p.Style |= WS_SYSMENU;
  if (icons.Contains(biMinimize)) p.Style |= WS_MINIMIZEBOX;
  if (icons.Contains(biMaximize)) p.Style |= WS_MAXIMIZEBOX;
  if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  if (FPosition == poDefault || FPosition == poDefaultPosOnly) p.X = p.Y = CW_USEDEFAULT;
  p.WindowClass.hbrBackground = nullptr;
}

void TCustomForm::CreateWnd() {
  inherited::CreateWnd();
}

void TCustomForm::SetActiveControl(TWinControl* v) {
  if (FActiveControl == v) return;
  if (v && !ComponentState().Contains(csLoading)) {
    if (v == this || GetParentForm(v) != this || (FShowing && !v->CanFocus()))
      throw EInvalidOperation("Cannot focus a disabled or invisible window");
  }
  FActiveControl = v;
  if (!ComponentState().Contains(csLoading) && FActive && FHandle) {
    ::SetFocus(v ? v->Handle() : FHandle);
  }
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool wasActive = FActive;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (!FActive || !FHandle || GetFocus() == nullptr) {
    if (!FVisible || !FEnabled) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    HWND target = FActiveControl ? FActiveControl->Handle() : Handle();
    ::SetFocus(target);
  }
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (ComponentState().Contains(csDestroying)) return false;
  if (control != this) FActiveControl = control;
  FFocusedControl = control;
  if (Screen) {
    TCustomForm* old = Screen->FActiveForm;
    Screen->SetFocusedForm(this, control);
    if (old != this) {
      if (old) old->Perform(CM_DEACTIVATE);
      Perform(CM_ACTIVATE);
    }
  }
  if (FLastFocused != control) {
    TWinControl* last = FLastFocused;
    while (last && !last->ContainsControl(control)) {
      TWinControl* parent = last->Parent();
      last->Perform(CM_EXIT);
      last = parent;
    }
    std::vector<TWinControl*> chain;
    for (TWinControl* c = control; c && c != last && c != this; c = c->Parent()) chain.push_back(c);
    FLastFocused = control;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->Perform(CM_ENTER);
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  return true;
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(FFocusedControl)) FFocusedControl = control->Parent();
  if (control->ContainsControl(FLastFocused)) {
    TWinControl* p = control->Parent();
    FLastFocused = (removing && p != this) ? p : nullptr;
  }
  if (control->ContainsControl(FActiveControl)) {
    FActiveControl = nullptr;
    if (FHandle && !removing && FActive) ::SetFocus(FHandle);
  }
  if (Screen && control->ContainsControl(Screen->FActiveControl)) Screen->FActiveControl = nullptr;
}

void TCustomForm::SendCancelMode(TControl* sender) {
  if (FActive && FActiveControl) FActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

bool TCustomForm::IsShortCut(TMessage& m) {
  if (FMenu && FMenu->IsShortCut(m)) return true;
  // The popup menus of the form's components answer their shortcuts too.
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* pm = dynamic_cast<TPopupMenu*>(Components(i)))
      if (pm->IsShortCut(m)) return true;
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* al = dynamic_cast<TActionList*>(Components(i)))
      if (al->IsShortCut(m)) return true;
  return false;
}

void TCustomForm::ShowControlChain(TControl*) { SetVisible(true); }

void TCustomForm::Show() {
  SetVisible(true);
  if (FHandle) BringWindowToTop(FHandle);
}

void TCustomForm::Hide() { SetVisible(false); }

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  switch (action) {
    case caNone: FModalResult = mrNone; break;
    case caFree: Release(); break;
    default: break;
  }
}

TModalResult TCustomForm::ShowModal() {
  CancelDrag();
  if (FVisible || !FEnabled || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND cap = GetCapture()) {
    SendMessage(cap, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  FFormState.Include(fsModal);
  HWND activeWindow = GetActiveWindow();
  // Every other top-level window of ours is disabled while the modal form runs.
  std::vector<HWND> disabled;
  if (Screen)
    for (TCustomForm* f : Screen->FForms)
      if (f != this && f->HandleAllocated() && IsWindowEnabled(f->FHandle) && IsWindowVisible(f->FHandle)) {
        EnableWindow(f->FHandle, FALSE);
        disabled.push_back(f->FHandle);
      }
  auto restore = [&] {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    if (activeWindow && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
    FFormState.Exclude(fsModal);
  };
  TModalResult result = mrNone;
  try {
    Show();
    try {
      FModalResult = mrNone;
      do {
        try {
          Application->HandleMessage();
        } catch (...) {
          Application->HandleException(this);
        }
        if (Application->Terminated())
          FModalResult = mrCancel;
        else if (FModalResult != mrNone)
          CloseModal();
      } while (FModalResult == mrNone);
      result = FModalResult;
    } catch (...) {
      Hide();
      throw;
    }
    Hide();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void TCustomForm::Release() {
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) { Free(); }

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMActivate(TMessage& m) {
  DefaultHandler(m);
  SetActive(LOWORD(m.WParam) != WA_INACTIVE);
}

void TCustomForm::WMSetFocus(TMessage& m) { DefaultHandler(m); }

void TCustomForm::SetActive(bool v) {
  FActive = v;
  if (!v) return;
  if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true, false);
  if (FActiveControl && FActiveControl->CanFocus())
    ::SetFocus(FActiveControl->Handle());
  else
    ::SetFocus(FHandle);
}

void TCustomForm::CMActivate(TMessage&) {
  FFormState.Include(fsActivated);
  Activate();
}
void TCustomForm::CMDeactivate(TMessage&) { Deactivate(); }

void TCustomForm::CMDialogKey(TMessage& m) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (m.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          m.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl && FActiveControl->Parent()) {
          FActiveControl->Parent()->SelectNext(FActiveControl, m.WParam == VK_RIGHT || m.WParam == VK_DOWN, false);
          m.Result = 1;
        }
        return;
    }
  }
  inherited::CMDialogKey(m);
}

void TCustomForm::CMVisibleChanged(TMessage& m) { inherited::CMVisibleChanged(m); }

void TCustomForm::CMShowingChanged(TMessage&) {
  if (FShowing) {
    DoShow();
    // Position applies when the form first appears.
    int32_t left = FLeft, top = FTop;
    RECT work = Screen ? Screen->WorkAreaRect() : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TCustomForm* center = nullptr;
    switch (FPosition) {
      case poScreenCenter:
      case poDesktopCenter:
        left = work.left + (work.right - work.left - FWidth) / 2;
        top = work.top + (work.bottom - work.top - FHeight) / 2;
        break;
      case poMainFormCenter:
        center = Application ? Application->MainForm() : nullptr;
        break;
      case poOwnerFormCenter:
        center = dynamic_cast<TCustomForm*>(Owner());
        if (!center && Application) center = Application->MainForm();
        break;
      default:
        break;
    }
    if (center && center != this) {
      left = center->Left() + (center->Width() - FWidth) / 2;
      top = center->Top() + (center->Height() - FHeight) / 2;
    }
    if (FPosition != poDesigned && FPosition != poDefault && FPosition != poDefaultPosOnly) {
      left = std::max<int32_t>(work.left, std::min<int32_t>(left, work.right - FWidth));
      top = std::max<int32_t>(work.top, std::min<int32_t>(top, work.bottom - FHeight));
      SetBounds(left, top, FWidth, FHeight);
      FPosition = poDesigned;
    }
    static const int cmds[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(FHandle, cmds[FWindowState]);
    FFormState.Include(fsVisible);
  } else {
    DoHide();
    if (Screen && Screen->FActiveForm == this) {
      Screen->FActiveForm = nullptr;
      Screen->FActiveControl = nullptr;
      Perform(CM_DEACTIVATE);
    }
    ShowWindow(FHandle, SW_HIDE);
    FActive = false;
    FFormState.Exclude(fsVisible);
  }
}

// ===================================================================================================
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  winapi::SetExceptionHandler(&TApplication::ExceptionHandlerThunk, this);
}

TApplication::~TApplication() { FreeAndNil(FIcon); }

TIcon* TApplication::Icon() {
  if (!FIcon) FIcon = New<TIcon>();
  return FIcon;
}

void TApplication::BeforeDestruction() {
  if (FHintWindow) FreeAndNil(FHintWindow);
  inherited::BeforeDestruction();
}

void TApplication::ExceptionHandlerThunk(void* context) { static_cast<TApplication*>(context)->HandleException(nullptr); }

void TApplication::Initialize() { winapi::SetExceptionHandler(&TApplication::ExceptionHandlerThunk, this); }

void TApplication::CreateForm(TFormClass formClass, void* reference) {
  // The reference is set before the form's own creation code runs, as the program's forms expect.
  auto** ref = static_cast<TComponent**>(reference);
  TComponent* instance = CreateAs<TComponent>(formClass, this);
  if (ref) *ref = instance;
  if (!FMainForm)
    if (auto* f = dynamic_cast<TCustomForm*>(instance)) FMainForm = f;
}

void TApplication::Run() {
  FRunning = true;
  winapi::SetExceptionHandler(&TApplication::ExceptionHandlerThunk, this);
  try {
    if (FMainForm) FMainForm->SetVisible(true);
  } catch (...) {
    HandleException(this);
  }
  while (!FTerminated) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
  FRunning = false;
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  if (::Dragging() && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    CancelDrag();
    return true;
  }
  HWND h = GetCapture();
  if (!h || !TWinControl::FindControl(h)) {
    h = msg.hwnd;
    while (h && !TWinControl::FindControl(h)) h = GetParent(h);
  }
  TWinControl* c = h ? TWinControl::FindControl(h) : nullptr;
  if (!c) return false;
  return c->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::IsHintMsg(MSG& msg) {
  if (FHintWindow && FHintWindow->IsHintVisible() &&
      ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) || msg.message == WM_LBUTTONDOWN ||
       msg.message == WM_RBUTTONDOWN || msg.message == WM_ACTIVATE))
    CancelHint();
  return false;
}

bool TApplication::IsMenuKey(MSG& msg) {
  // A click while Alt is down makes its release no longer "Alt alone".
  if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN ||
      msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCRBUTTONDOWN)
    FMenuAltAlone = false;
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  bool altAlone = FMenuAltAlone;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
    FMenuAltAlone = msg.wParam == VK_MENU && !(msg.lParam & (1 << 30)) ? true : (msg.wParam == VK_MENU && FMenuAltAlone);
  if (msg.message != WM_SYSKEYUP && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR) return false;
  // The form the key is for: the one of the window, else the active one.
  TCustomForm* form = nullptr;
  for (HWND h = msg.hwnd; h && !form; h = GetParent(h))
    if (TWinControl* c = TWinControl::FindControl(h)) form = GetParentForm(c);
  if (!form && Screen) form = Screen->ActiveForm();
  if (!form || !form->HasMenuBar() || !form->HandleAllocated() || !form->Enabled()) return false;
  TMainMenu* menu = form->Menu();
  switch (msg.message) {
    case WM_SYSKEYUP:
      if (msg.wParam == VK_MENU && altAlone && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
        FMenuAltAlone = false;
        menu->TrackBar(0, false, true);
        return true;
      }
      return false;
    case WM_SYSKEYDOWN:
      if (msg.wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
        menu->TrackBar(0, false, true);
        return true;
      }
      return false;
    case WM_SYSCHAR: {
      // Alt+letter: the menu's accelerators come before the dialog characters of the controls.
      int32_t i = menu->FindBarHotkey(UnicodeToUpper(static_cast<char32_t>(msg.wParam)));
      if (i < 0) return false;
      menu->TrackBar(i, true, true);
      return true;
    }
    default: return false;
  }
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(msg, handled);
  if (!handled && IsMenuKey(msg)) return true;
  if (!IsHintMsg(msg) && !handled && !IsKeyMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::Idle(const MSG&) {
  DoMouseIdle();
  if (FHintPending && static_cast<int32_t>(GetTickCount() - FHintDueTick) >= 0) HintTimerExpired();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleException(this);
  }
  if (done) {
    // Linked actions refresh their state while the program waits.
    if (Screen)
      for (int32_t i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Visible()) UpdateFormActions(Screen->Forms(i));
  }
  if (CheckSynchronize()) done = false;
  if (done && !FTerminated) WaitMessage();
}

void TApplication::DoMouseIdle() {
  POINT p;
  GetCursorPos(&p);
  TControl* target = FindDragTarget(p, true);
  if (target == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = target;
  if (old) {
    old->Perform(CM_MOUSELEAVE);
    CancelHint();
  }
  if (target) {
    target->Perform(CM_MOUSEENTER);
    // A hint appears after the pause when the control asks for one.
    TControl* c = target;
    bool show = c->ShowHint();
    if (show && FShowHint && !c->Hint().empty()) {
      FHintControl = c;
      FHintCursor = p;
      FHintPending = true;
      FHintDueTick = GetTickCount() + static_cast<uint32_t>(FHintPause);
    }
  }
}

void TApplication::HintTimerExpired() {
  FHintPending = false;
  if (FHintControl) ActivateHint(FHintCursor);
}

void TApplication::ActivateHint(POINT cursorPos) {
  if (!FHintControl) return;
  THintInfo info;
  info.HintControl = FHintControl;
  info.CursorPos = FHintControl->ScreenToClient(cursorPos);
  info.HintStr = FHintControl->Hint();
  // The part before "|" is the short hint shown in the window.
  if (auto bar = info.HintStr.find('|'); bar != String::npos) info.HintStr.resize(bar);
  info.HideTimeout = FHintHidePause;
  info.HintColor = FHintColor;
  info.HintPos = POINT{cursorPos.x, cursorPos.y + 20};
  if (FHintControl->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0) return;
  bool canShow = true;
  if (OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) return;
  if (!FHintWindow) FHintWindow = New<THintWindow>(this);
  FHintWindow->SetColor(info.HintColor);
  RECT r = FHintWindow->CalcHintRect(Screen ? Screen->Width() : 640, info.HintStr);
  OffsetRect(&r, info.HintPos.x, info.HintPos.y);
  FHintWindow->ActivateHint(r, info.HintStr);
  FHintActive = true;
}

void TApplication::CancelHint() {
  FHintPending = false;
  HideHint();
  FHintControl = nullptr;
}

void TApplication::HideHint() {
  if (FHintWindow && FHintWindow->HandleAllocated()) ShowWindow(FHintWindow->Handle(), SW_HIDE);
  FHintActive = false;
}

void TApplication::SetHint(const String& v) {
  if (FHint == v) return;
  FHint = v;
  if (OnHint) OnHint(this);
}

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (EAbort&) {
    return;
  } catch (Exception& e) {
    if (OnException)
      OnException(sender, &e);
    else
      ShowException(&e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    if (OnException)
      OnException(sender, &wrapped);
    else
      ShowException(&wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (OnException)
      OnException(sender, &wrapped);
    else
      ShowException(&wrapped);
  }
}

void TApplication::ShowException(Exception* e) {
  String msg = e->Message();
  if (!msg.empty() && msg.back() != '.') msg += ".";
  FLastExceptionMessage = msg;
  ++FShownExceptionCount;
  // In a box once the dialogs are installed (InstallDialogs); before that the message is only kept.
  String title = FTitle.empty() ? ExtractFileName(ExeName()) : FTitle;
  ::MessageBox(nullptr, msg.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

int32_t TApplication::MessageBox(const String& text, const String& caption, int32_t flags) {
  HWND owner = Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()
                   ? Screen->ActiveForm()->Handle()
                   : nullptr;
  return ::MessageBox(owner, text.c_str(), caption.c_str(), static_cast<UINT>(flags));
}

String TApplication::ExeName() const {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  return n > 0 ? String(buf, static_cast<size_t>(n)) : String();
}

// ===================================================================================================
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  FHintFont = New<TFont>();
  FMenuFont = New<TFont>();
  static const std::pair<TCursor, LPCSTR> stock[] = {
      {crDefault, IDC_ARROW}, {crArrow, IDC_ARROW},     {crCross, IDC_CROSS},      {crIBeam, IDC_IBEAM},
      {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS}, {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},
      {crUpArrow, IDC_UPARROW}, {crHourGlass, IDC_WAIT}, {crDrag, IDC_ARROW},     {crNoDrop, IDC_NO},
      {crHSplit, IDC_SIZEWE},  {crVSplit, IDC_SIZENS},  {crMultiDrag, IDC_ARROW}, {crSQLWait, IDC_WAIT},
      {crNo, IDC_NO},          {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP}, {crHandPoint, IDC_HAND},
      {crSizeAll, IDC_SIZEALL}};
  for (auto& [c, id] : stock) FCursorList.emplace_back(c, LoadCursor(nullptr, id));
}

TScreen::~TScreen() {
  FreeAndNil(FHintFont);
  FreeAndNil(FMenuFont);
  FreeAndNil(FFonts);
}

TStrings* TScreen::Fonts() {
  if (!FFonts) {
    FFonts = New<TStringList>();
    for (const String& name : GetFontFamilyNames()) FFonts->Add(name);
  }
  return FFonts;
}

HCURSOR TScreen::Cursors(TCursor index) const {
  if (index == crNone) return nullptr;
  for (auto& [c, h] : FCursorList)
    if (c == index) return h;
  return FCursorList.front().second;
}

void TScreen::SetCursors(TCursor index, HCURSOR handle) {
  for (auto& e : FCursorList)
    if (e.first == index) {
      e.second = handle ? handle : LoadCursor(nullptr, IDC_ARROW);
      return;
    }
  FCursorList.emplace_back(index, handle);
}

void TScreen::SetCursor(TCursor v) {
  if (FCursor == v) return;
  FCursor = v;
  if (v == crDefault) {
    // The window under the mouse chooses again.
    POINT p;
    GetCursorPos(&p);
    HWND h = WindowFromPoint(p);
    if (h) SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  } else {
    ::SetCursor(Cursors(v));
  }
}

RECT TScreen::WorkAreaRect() const {
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::AddForm(TCustomForm* f) {
  if (std::find(FForms.begin(), FForms.end(), f) == FForms.end()) FForms.push_back(f);
}

void TScreen::RemoveForm(TCustomForm* f) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
  if (FActiveForm == f) {
    FActiveForm = nullptr;
    FActiveControl = nullptr;
  }
}

void TScreen::SetFocusedForm(TCustomForm* f, TWinControl* control) {
  bool formChanged = FActiveForm != f;
  FActiveForm = f;
  bool controlChanged = FActiveControl != control;
  FActiveControl = control;
  // The active form moves to the front of the list, as the platform keeps it in z-order.
  auto it = std::find(FForms.begin(), FForms.end(), f);
  if (it != FForms.end() && it != FForms.begin()) std::rotate(FForms.begin(), it, it + 1);
  if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
  if (controlChanged && OnActiveControlChange) OnActiveControlChange(this);
}

// ===================================================================================================
// THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FColor = clInfoBk;
  FParentColor = false;
  FVisible = false;
}

void THintWindow::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  p.WndParent = nullptr;
  p.WindowClass.style |= CS_SAVEBITS;
}

RECT THintWindow::CalcHintRect(int32_t maxWidth, const String& hint) {
  RECT r{0, 0, maxWidth, 0};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Screen ? Screen->HintFont()->Handle() : Font()->Handle());
  ::DrawText(dc, hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(RECT rect, const String& hint) {
  SetCaption(hint);
  HWND h = Handle();
  SetWindowPos(h, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  UpdateBounds();
  Invalidate();
}

void THintWindow::Paint() {
  RECT r = ClientRect();
  FCanvas->Brush()->SetColor(Color());
  FCanvas->FillRect(r);
  if (Screen) FCanvas->Font()->Assign(Screen->HintFont());
  FCanvas->Font()->SetColor(clInfoText);
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->TextExtent(Caption());
  InflateRect(&r, -2, -1);
  ::DrawText(FCanvas->Handle(), Caption().c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ===================================================================================================

void InitForms() {
  RegisterClasses({TForm::StaticClass(), TPanel::StaticClass(), TPaintBox::StaticClass(), TTimer::StaticClass(),
                   TMainMenu::StaticClass(), TPopupMenu::StaticClass(), TMenuItem::StaticClass(),
                   TActionList::StaticClass(), TAction::StaticClass(), TBevel::StaticClass(), TImage::StaticClass(),
                   TScrollBox::StaticClass()});
  RegisterStdControls();
  RegisterComCtrls();
  if (!Application) Application = New<TApplication>(nullptr);
  if (!Screen) Screen = New<TScreen>(nullptr);
  winapi::SetExceptionHandler(&TApplication::ExceptionHandlerThunk, Application);
}

void DoneForms() {
  CancelDrag();
  TApplication* app = Application;
  if (app) {
    app->Free();
    Application = nullptr;
  }
  if (Screen) {
    Screen->Free();
    Screen = nullptr;
  }
  winapi::SetExceptionHandler(nullptr, nullptr);
}

