// The popup window of the drop-down editors and the thread hooks that close shown popups: a popup that
// never takes the focus gets no deactivation, so clicks, application switches and the owner's going away
// are watched on the whole thread's traffic.

#include <algorithm>
#include <memory>

#include "rtl/ObjLinks.h"
#include "ui/editors/cxContainer.h"
#include "winapi/Messages.h"

void cxContainerFreeScreenCanvas();

namespace {

std::vector<TcxCustomPopupWindow*>* gShownPopups = nullptr;
HHOOK gCallWndProcHook = nullptr;
HHOOK gGetMessageHook = nullptr;
HHOOK gMouseHook = nullptr;
// While the mouse hook closes a popup, the owner form's deactivation that follows is not painted.
bool gNCActivateSuppression = false;
// The window procedure put aside for one suppressed message.
HWND gSuppressedWnd = nullptr;
LONG_PTR gSavedWndProc = 0;

std::vector<TcxCustomPopupWindow*>& ShownList() {
  if (!gShownPopups) gShownPopups = new std::vector<TcxCustomPopupWindow*>;
  return *gShownPopups;
}

bool InShownList(TcxCustomPopupWindow* APopup) {
  return gShownPopups && std::find(gShownPopups->begin(), gShownPopups->end(), APopup) != gShownPopups->end();
}

void RemoveFromShownList(TcxCustomPopupWindow* APopup) {
  if (!gShownPopups) return;
  gShownPopups->erase(std::remove(gShownPopups->begin(), gShownPopups->end(), APopup), gShownPopups->end());
}

HWND WindowOf(TControl* AControl) {
  auto* w = dynamic_cast<TWinControl*>(AControl);
  return w && w->HandleAllocated() ? w->Handle() : nullptr;
}

bool IsControlDestroying(TControl* AControl) {
  return !AControl || AControl->ComponentState().Contains(csDestroying);
}

// Wnd is AParent's window or one of its descendants.
bool IsWindowOrDescendant(HWND AParent, HWND AWnd) { return AParent && AWnd && (AParent == AWnd || IsChild(AParent, AWnd)); }

// The popup is the application's active form (it keeps that while another application is active).
bool IsActivePopupForm(TcxCustomPopupWindow* APopup) {
  if (!APopup->HandleAllocated()) return false;
  return GetActiveWindow() == APopup->Handle() || (Screen && Screen->ActiveForm() == APopup);
}

// Holds a flag for a scope, released also when an exception passes.
class TcxPopupFlagLock {
public:
  explicit TcxPopupFlagLock(bool& AFlag) : FFlag(AFlag), FOld(AFlag) { FFlag = true; }
  ~TcxPopupFlagLock() { FFlag = FOld; }
  TcxPopupFlagLock(const TcxPopupFlagLock&) = delete;
  TcxPopupFlagLock& operator=(const TcxPopupFlagLock&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

// Answers the one message it stands in for with 1, unhandled, after putting the saved procedure back.
LRESULT SuppressingWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  (void)msg, (void)wParam, (void)lParam;
  if (hwnd == gSuppressedWnd && gSavedWndProc) {
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, gSavedWndProc);
    gSavedWndProc = 0;
    gSuppressedWnd = nullptr;
  }
  return 1;
}

void SuppressNextMessage(HWND AWnd) {
  if (gSavedWndProc) return;  // one message at a time: the one about to be delivered
  gSavedWndProc = GetWindowLongPtr(AWnd, GWLP_WNDPROC);
  gSuppressedWnd = AWnd;
  SetWindowLongPtr(AWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SuppressingWndProc));
}

void CallWndProcRules(const CWPSTRUCT& cwp) {
  std::vector<TcxCustomPopupWindow*>& list = ShownList();
  HWND wnd = cwp.hwnd;
  switch (cwp.message) {
    case WM_DESTROY:
      for (TcxCustomPopupWindow* p : std::vector<TcxCustomPopupWindow*>(list)) {
        if (p->IsDestroying()) continue;
        if (WindowOf(p) == wnd) {
          p->Close();
          break;
        }
      }
      break;
    case WM_CLOSE:
      for (TcxCustomPopupWindow* p : std::vector<TcxCustomPopupWindow*>(list)) {
        if (p->IsDestroying() || !InShownList(p)) continue;
        if (WindowOf(p) == wnd) {
          TObjectLink<TcxCustomPopupWindow> alive(p);
          p->Close();
          if (alive && !InShownList(p) && p->TakesFocus() && !IsControlDestroying(p->OwnerControl()))
            if (TCustomForm* form = GetParentForm(p->OwnerControl()))
              if (form->HandleAllocated()) SendMessage(form->Handle(), WM_CLOSE, 0, 0);
          break;
        }
        if (!p->TakesFocus() && !IsControlDestroying(p->OwnerControl())) {
          TCustomForm* form = GetParentForm(p->OwnerControl());
          if (!form || !form->HandleAllocated() || form->Handle() == wnd) p->CloseUp(false);
          break;
        }
      }
      break;
    case WM_SHOWWINDOW:
      if (cwp.wParam != 0) break;
      for (size_t i = list.size(); i-- > 0;) {
        TcxCustomPopupWindow* p = list[i];
        if (p->IsDestroying()) continue;
        if (WindowOf(p->OwnerControl()) == wnd) {
          std::vector<TcxCustomPopupWindow*> toClose(list.begin() + static_cast<ptrdiff_t>(i), list.end());
          for (auto it = toClose.rbegin(); it != toClose.rend(); ++it)
            if (InShownList(*it)) (*it)->CloseUp(false);
          break;
        }
      }
      break;
    case WM_WINDOWPOSCHANGED:
      for (bool again = true; again;) {
        again = false;
        for (TcxCustomPopupWindow* p : list) {
          if (p->IsDestroying() || !p->HandleAllocated() || IsControlDestroying(p->OwnerControl())) continue;
          HWND owner = WindowOf(p->OwnerControl());
          if (owner && owner == wnd && !IsWindowVisible(owner)) {
            p->CloseUp(false);
            again = true;
            break;
          }
        }
      }
      break;
    case WM_ACTIVATEAPP:
      if (cwp.wParam != 0) break;
      for (bool again = true; again;) {
        again = false;
        for (TcxCustomPopupWindow* p : list) {
          if (TCustomForm* form = GetParentForm(p->OwnerControl()))
            if (form->HandleAllocated()) PostMessage(form->Handle(), WM_NCACTIVATE, FALSE, 0);
          if (p->TakesFocus() && IsActivePopupForm(p)) continue;
          TControl* owner = p->OwnerControl();
          p->CloseUp(false);
          if (auto* container = dynamic_cast<TcxContainer*>(owner)) container->FocusChanged();
          again = true;
          break;
        }
      }
      break;
    case WM_NCACTIVATE: {
      if (cwp.wParam != 0) break;
      bool suppress = gNCActivateSuppression;
      if (!suppress)
        for (TcxCustomPopupWindow* p : list) {
          if (p->IsDestroying()) continue;
          TCustomForm* form = GetParentForm(p->OwnerControl());
          if (form && form->HandleAllocated() && form->Handle() == wnd) {
            suppress = true;
            break;
          }
        }
      if (suppress) SuppressNextMessage(wnd);
      break;
    }
    default:
      break;
  }
}

LRESULT CallWndProcHook(int ACode, WPARAM wParam, LPARAM lParam) {
  if (ACode == HC_ACTION && gShownPopups && !gShownPopups->empty()) {
    try {
      CallWndProcRules(*reinterpret_cast<CWPSTRUCT*>(lParam));
    } catch (...) {
      if (Application) Application->HandleException(nullptr);
    }
  }
  return CallNextHookEx(gCallWndProcHook, ACode, wParam, lParam);
}

LRESULT GetMessageHook(int ACode, WPARAM wParam, LPARAM lParam) {
  if (ACode == HC_ACTION && (wParam & PM_REMOVE) && gShownPopups && !gShownPopups->empty()) {
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == WM_SYSKEYDOWN) {
      TcxCustomPopupWindow* top = gShownPopups->back();
      if (!(top->TakesFocus() && top->IsModal()) && !top->IsPopupKey(static_cast<uint16_t>(msg->wParam)))
        msg->message = WM_NULL;
    }
  }
  return CallNextHookEx(gGetMessageHook, ACode, wParam, lParam);
}

// The owner's rectangle on the screen, as the popup keeps it.
RECT OwnerScreenBounds(TcxCustomPopupWindow* APopup) {
  RECT r = APopup->AnchorBounds();
  if (TControl* parent = APopup->AnchorParent()) {
    POINT tl = parent->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl.x - r.left, tl.y - r.top);
  }
  return r;
}

// Closes the popups a left click outside them leaves behind; true when the click must be swallowed.
bool MouseRules(UINT AMsg, HWND AWnd, POINT APoint) {
  std::vector<TcxCustomPopupWindow*>& list = ShownList();
  bool discard = false;
  for (size_t i = 0; i < list.size();) {
    TcxCustomPopupWindow* p = list[i];
    // A focus-capturing popup that is not active closes by its deactivation instead.
    if (p->TakesFocus() && !IsActivePopupForm(p)) {
      ++i;
      continue;
    }
    if ((p->HandleAllocated() && AWnd == p->Handle()) || IsWindowInsidePopup(p, AWnd)) {
      ++i;
      continue;
    }
    TControl* owner = p->OwnerControl();
    TCustomForm* ownerForm = GetParentForm(owner);
    auto* ownerPopup = dynamic_cast<TcxCustomPopupWindow*>(ownerForm);
    if (IsWindowOnControlForm(owner, AWnd) || (ownerPopup && !IsPopupWindowShown(ownerPopup))) {
      HWND ownerWnd = WindowOf(owner);
      RECT ownerBounds = OwnerScreenBounds(p);
      bool onOwner = IsWindowOrDescendant(ownerWnd, AWnd) && (AMsg == WM_LBUTTONDOWN || AMsg == WM_LBUTTONDBLCLK) &&
                     PtInRect(&ownerBounds, APoint);
      TObjectLink<TControl> ownerAlive(owner);
      {
        TcxPopupFlagLock suppression(gNCActivateSuppression);
        p->CloseUpByHook();
      }
      if (onOwner && (!ownerAlive || IsControlDestroying(owner) || !owner->Visible())) discard = true;
      i = 0;
      continue;
    }
    ++i;
  }
  return discard;
}

LRESULT MouseHook(int ACode, WPARAM wParam, LPARAM lParam) {
  if (ACode == HC_ACTION && gShownPopups && !gShownPopups->empty()) {
    UINT msg = static_cast<UINT>(wParam);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONDBLCLK) {
      auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam);
      bool discard = false;
      try {
        discard = MouseRules(msg, mh->hwnd, mh->pt);
      } catch (...) {
        if (Application) Application->HandleException(nullptr);
      }
      if (discard) return 1;
    }
  }
  return CallNextHookEx(gMouseHook, ACode, wParam, lParam);
}

}  // namespace

// ---- the unit's life ---------------------------------------------------------------------------------------

void cxContainerInitialize() {
  ShownList();
  DWORD thread = GetCurrentThreadId();
  if (!gCallWndProcHook) gCallWndProcHook = SetWindowsHookEx(WH_CALLWNDPROC, &CallWndProcHook, nullptr, thread);
  if (!gGetMessageHook) gGetMessageHook = SetWindowsHookEx(WH_GETMESSAGE, &GetMessageHook, nullptr, thread);
  if (!gMouseHook) gMouseHook = SetWindowsHookEx(WH_MOUSE, &MouseHook, nullptr, thread);
}

bool cxPopupHooksInstalled() { return gCallWndProcHook && gGetMessageHook && gMouseHook; }

void cxContainerFinalize() {
  cxContainerFreeScreenCanvas();
  if (gMouseHook) UnhookWindowsHookEx(gMouseHook);
  if (gGetMessageHook) UnhookWindowsHookEx(gGetMessageHook);
  if (gCallWndProcHook) UnhookWindowsHookEx(gCallWndProcHook);
  gMouseHook = gGetMessageHook = gCallWndProcHook = nullptr;
  delete gShownPopups;
  gShownPopups = nullptr;
  gNCActivateSuppression = false;
  gSuppressedWnd = nullptr;
  gSavedWndProc = 0;
}

const std::vector<TcxCustomPopupWindow*>& cxShownPopups() { return ShownList(); }

bool IsPopupWindowShown(TCustomForm* AForm) {
  auto* p = dynamic_cast<TcxCustomPopupWindow*>(AForm);
  return p && InShownList(p);
}

void PostCloseUp(TcxCustomPopupWindow* APopup) {
  if (APopup && APopup->HandleAllocated()) PostMessage(APopup->Handle(), CM_CLOSEPOPUPWINDOW, 0, 0);
}

namespace {
bool IsWindowInsideControl(TWinControl* AControl, HWND AWnd) {
  for (int32_t i = 0; i < AControl->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(AControl->Controls(i));
    if (!child || !child->HandleAllocated()) continue;
    if (child->Handle() == AWnd || IsChild(child->Handle(), AWnd) || IsWindowInsideControl(child, AWnd)) return true;
  }
  return false;
}
}  // namespace

bool IsWindowInsidePopup(TCustomForm* APopup, HWND AWnd) {
  if (!APopup || !AWnd || !APopup->HandleAllocated() || APopup->Handle() == AWnd) return false;
  if (IsChild(APopup->Handle(), AWnd)) return true;
  if (IsWindowInsideControl(APopup, AWnd)) return true;
  if (dynamic_cast<TcxCustomPopupWindow*>(APopup) && gShownPopups)
    for (TcxCustomPopupWindow* other : std::vector<TcxCustomPopupWindow*>(*gShownPopups)) {
      if (other == APopup || GetParentForm(other->OwnerControl()) != APopup) continue;
      if ((other->HandleAllocated() && other->Handle() == AWnd) || IsWindowInsidePopup(other, AWnd)) return true;
    }
  return false;
}

bool IsWindowOnControlForm(TControl* AControl, HWND AWnd) {
  if (!AControl) return false;
  TCustomForm* form = GetParentForm(AControl);
  if (!form || !form->HandleAllocated()) return false;
  if (form->Handle() == AWnd || IsWindowInsidePopup(form, AWnd)) return true;
  if (!form->Parent() && (GetWindowLong(form->Handle(), GWL_STYLE) & WS_CHILD)) {
    HWND top = GetAncestor(form->Handle(), GA_ROOT);
    return top == AWnd || IsChild(top, AWnd);
  }
  return false;
}

// ---- TcxCustomPopupWindow ------------------------------------------------------------------------------------

TcxCustomPopupWindow::TcxCustomPopupWindow(TControl* AOwnerControl)
    : TcxPopupWindow(nullptr), FOwnerControl(AOwnerControl) {}

void TcxCustomPopupWindow::AfterConstruction() {
  inherited::AfterConstruction();
  cxContainerInitialize();
  SetFormStyle(fsNormal);
  SetVisible(false);
  FStyle = GetStyleClass().Create(this, false, cssNormal, nullptr);
  FStyle->OnChanged = TNotifyEvent(this, &TcxCustomPopupWindow::StyleChanged);
  FViewInfo = CreateAs<TcxContainerViewInfo>(GetViewInfoClass());
  FTakesFocus = true;
  SetKeyPreview(true);
  FIsModal = true;
  if (FOwnerControl) FOwnerControl->FreeNotification(this);
  if (FOwnerControl) {
    SetAnchorBounds(FOwnerControl->BoundsRect());
    SetAnchorParent(FOwnerControl->Parent());
  }
}

void TcxCustomPopupWindow::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FFocusedControl) FFocusedControl = nullptr;
  if (AComponent == FOwnerControl) FOwnerControl = nullptr;
}

void TcxCustomPopupWindow::BeforeDestruction() {
  RemoveFromShownList(this);
  if (FOwnerControl) FOwnerControl->RemoveFreeNotification(this);
  if (FFocusedControl) FFocusedControl->RemoveFreeNotification(this);
  inherited::BeforeDestruction();
}

TcxCustomPopupWindow::~TcxCustomPopupWindow() {
  RemoveFromShownList(this);
  FreeAndNil(FViewInfo);
  if (FStyle) {
    FStyle->OnChanged = TNotifyEvent();
    FreeAndNil(FStyle);
  }
}

void TcxCustomPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  TCustomForm* ownerForm = GetParentForm(FOwnerControl);
  if (FTakesFocus) {
    if (ownerForm && ownerForm->HandleAllocated()) Params.WndParent = ownerForm->Handle();
    Params.Style &= ~WS_CHILD;
    Params.Style |= WS_POPUP;
    if (FTopMostAsOwner &&
        (!ownerForm || !ownerForm->HandleAllocated() ||
         (GetWindowLong(ownerForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST)))
      Params.ExStyle |= WS_EX_TOPMOST;
  } else {
    Params.Style = WS_CHILD;
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (!Params.WndParent) Params.WndParent = WindowOf(FOwnerControl);
    if (!Params.WndParent && ownerForm && ownerForm->HandleAllocated()) Params.WndParent = ownerForm->Handle();
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TcxCustomPopupWindow::CreateWnd() {
  inherited::CreateWnd();
  // Detached, the window floats over the desktop without ever becoming active.
  if (!FTakesFocus && HandleAllocated()) ::SetParent(Handle(), nullptr);
}

void TcxCustomPopupWindow::CreateHandle() {
  // The hooks treat a popup whose window is being made as shown.
  bool listed = InShownList(this);
  if (!listed) ShownList().push_back(this);
  try {
    inherited::CreateHandle();
  } catch (...) {
    if (!listed) RemoveFromShownList(this);
    throw;
  }
  if (!listed) RemoveFromShownList(this);
}

bool TcxCustomPopupWindow::IsPopupKey(uint16_t AKey) { return (AKey >= VK_PRIOR && AKey <= VK_DOWN) || AKey == VK_F4; }

void TcxCustomPopupWindow::DoClosed() {
  if (OnClosed) OnClosed(this);
}
void TcxCustomPopupWindow::DoClosing() {
  if (OnClosing) OnClosing(this);
}
void TcxCustomPopupWindow::DoShowed() {
  if (OnShowed) OnShowed(this);
}

void TcxCustomPopupWindow::CalculatePosition(POINT& P) {
  if (!CanShrinkToWorkArea()) return;
  RECT r = GetMonitorWorkAreaAtPoint(P);
  int32_t w = Width(), h = Height();
  if (P.x < r.left) {
    w -= r.left - P.x;
    P.x = r.left;
  }
  if (P.y < r.top) {
    h -= r.top - P.y;
    P.y = r.top;
  }
  w = std::min<int32_t>(w, r.right - P.x);
  h = std::min<int32_t>(h, r.bottom - P.y);
  SetWidth(w);
  SetHeight(h);
  // Constraints may have refused the height asked for; a popup at the top edge then moves down by it.
  if (Height() != h && P.y == r.top) P.y += h - Height();
}

void TcxCustomPopupWindow::Popup(TWinControl* AFocusedControl) {
  if (InShownList(this)) return;
  TObjectLink<TcxCustomPopupWindow> alive(this);
  if (FOwnerControl) {
    SetAnchorBounds(FOwnerControl->BoundsRect());
    SetAnchorParent(FOwnerControl->Parent());
  }
  TakeOwnerFont();
  FitSizeToControls();
  POINT p{Left(), Top()};
  ComputePopupPosition(p);
  CalculatePosition(p);

  ShownList().push_back(this);
  if (OnShowing) OnShowing(this);
  if (!alive) return;

  SetBounds(p.x, p.y, Width(), Height());
  Show();
  if (!alive) return;

  if (FTakesFocus) {
    if (AFocusedControl && AFocusedControl->CanFocus() && AFocusedControl->TabStop())
      FFocusedControl = AFocusedControl;
    else
      FFocusedControl = FindNextControl(nullptr, true, true, false);
    if (!FFocusedControl) FFocusedControl = this;
  } else {
    FFocusedControl = AFocusedControl;
  }
  if (FFocusedControl && FFocusedControl != this) FFocusedControl->FreeNotification(this);
  // Without its own focus, a popup leaves the keyboard where it is when there is nothing to focus.
  if (FFocusedControl)
    FFocusedControl->SetFocus();
  else if (FTakesFocus)
    SetFocus();
  if (!alive) return;

  TCustomForm* ownerForm = GetParentForm(FOwnerControl);
  bool topMost = !ownerForm || !ownerForm->HandleAllocated() ||
                 (GetWindowLong(ownerForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  if (!FTakesFocus && !topMost && Screen) {
    // A floating list stays above every visible stay-on-top form, or it would open beneath one.
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f != this && f->FormStyle() == fsStayOnTop && f->Visible()) topMost = true;
    }
  }
  if (HandleAllocated())
    SetWindowPos(Handle(), topMost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetModalResult(mrNone);
  DoShowed();
  if (alive && FTakesFocus && FIsModal) ModalLoop();
}

void TcxCustomPopupWindow::ModalLoop() {
  // On the heap: the optimiser otherwise takes the link's registration for a dangling local address.
  auto link = std::make_unique<TObjectLink<TcxCustomPopupWindow>>(this);
  TObjectLink<TcxCustomPopupWindow>& alive = *link;
  while (alive && Visible() && Application && !Application->Terminated()) {
    MSG m;
    // Alt+Enter, Alt and Alt+Space do nothing while the popup is up.
    if (PeekMessage(&m, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
        (m.wParam == VK_RETURN || m.wParam == VK_MENU || m.wParam == VK_SPACE))
      PeekMessage(&m, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
    if (ModalResult() != mrNone) CloseUp(true);
    if (!alive || !Visible()) break;
    Application->HandleMessage();
  }
}

void TcxCustomPopupWindow::CloseUp(bool AAskCloseQuery) {
  if (!InShownList(this)) return;
  TObjectLink<TcxCustomPopupWindow> alive(this);
  if (AAskCloseQuery && !CloseQuery()) {
    if (alive) SetModalResult(mrNone);
    return;
  }
  if (!alive) return;
  RemoveFromShownList(this);
  DoClosing();
  if (!alive) return;
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  Hide();
  if (!alive) return;
  DoClosed();
  if (!alive) return;
  HWND capture = GetCapture();
  if (capture && HandleAllocated() && (capture == Handle() || IsChild(Handle(), capture))) ReleaseCapture();
}

void TcxCustomPopupWindow::CloseUpByHook() {
  TcxPopupFlagLock lock(FClosingByHook);
  CloseUp(false);
}

void TcxCustomPopupWindow::VisibilityChanged() {
  if (Visible()) return;
  TCustomForm* form = GetParentForm(FOwnerControl);
  auto* owner = dynamic_cast<TWinControl*>(FOwnerControl);
  if (!form || !owner || !form->HandleAllocated()) return;
  if (GetFocus() == form->Handle() && owner->CanFocus() && !form->ComponentState().Contains(csDesigning))
    owner->SetFocus();
}

bool TcxCustomPopupWindow::Focused() {
  if (!InShownList(this) || !FTakesFocus || !HandleAllocated()) return false;
  HWND focus = GetFocus();
  return focus == Handle() || IsWindowInsidePopup(this, focus);
}

void TcxCustomPopupWindow::Deactivate() {
  if (FClosingByHook || !gShownPopups || gShownPopups->empty()) return;
  TObjectLink<TcxCustomPopupWindow> alive(this);
  HWND active = GetActiveWindow();
  std::vector<TcxCustomPopupWindow*> snapshot(*gShownPopups);
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    TcxCustomPopupWindow* p = *it;
    if (!InShownList(p)) continue;
    // The popups below the active one, this one included, stay open.
    if (p->HandleAllocated() && p->Handle() == active) return;
    if (p->HandleAllocated() && IsWindowEnabled(p->Handle())) p->CloseUp(false);
  }
  if (alive && gShownPopups && !gShownPopups->empty()) CloseUp(false);
}

void TcxCustomPopupWindow::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && InShownList(this) && HandleAllocated()) {
    HWND capture = GetCapture();
    if (capture && (capture == Handle() || IsChild(Handle(), capture))) {
      ReleaseCapture();
      Key = 0;
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

void TcxCustomPopupWindow::PaintWindow(HDC DC) {
  // The view info paints the popup; a popup that laid out nothing fills its client area.
  if (IsRectEmpty(&FViewInfo->Bounds)) {
    RECT r{0, 0, Width(), Height()};
    FViewInfo->Bounds = FViewInfo->BorderRect = FViewInfo->ClientRect = r;
    FViewInfo->BorderStyle = cbsNone;
    FViewInfo->SetBackgroundColor(FStyle->Color());
  }
  TCanvas canvas;
  canvas.SetHandle(DC);
  {
    TcxCanvas cx(&canvas);
    FViewInfo->Draw(&cx);
  }
  canvas.SetHandle(nullptr);
  inherited::PaintWindow(DC);
}

void TcxCustomPopupWindow::ReshowAfterWindowChange() {
  if (HandleAllocated()) RecreateWnd();
  if (InShownList(this)) {
    TWinControl* focused = FFocusedControl;
    CloseUp(false);
    Popup(focused);
  }
}

void TcxCustomPopupWindow::SetCaptureFocus(bool Value) {
  if (FTakesFocus == Value) return;
  FTakesFocus = Value;
  ReshowAfterWindowChange();
}

void TcxCustomPopupWindow::SetTopMostAsOwner(bool Value) {
  if (FTopMostAsOwner == Value) return;
  FTopMostAsOwner = Value;
  ReshowAfterWindowChange();
}

void TcxCustomPopupWindow::WndProc(TMessage& Message) {
  TObjectLink<TcxCustomPopupWindow> alive(this);
  switch (Message.Msg) {
    case WM_ACTIVATEAPP:
      // The hooks decide what an application switch closes.
      if (HandleAllocated()) Message.Result = DefWindowProc(Handle(), Message.Msg, Message.WParam, Message.LParam);
      return;
    case WM_ERASEBKGND:
      if (GetFlag74()) break;
      Message.Result = 1;
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      inherited::WndProc(Message);
      if (!alive) return;
      auto* control = reinterpret_cast<TControl*>(Message.LParam);
      if (!control) control = this;
      if (Message.Msg == CM_MOUSEENTER)
        MouseEnter(control);
      else
        MouseLeave(control);
      return;
    }
    case CM_CLOSEPOPUPWINDOW: {
      {
        TcxPopupFlagLock lock(FClosingByHook);
        CloseUp(false);
      }
      if (!alive) return;
      if (HWND owner = WindowOf(FOwnerControl)) SendMessage(owner, WM_SETFOCUS, 0, 0);
      return;
    }
    case CM_SHOWPOPUPWINDOW:
      Popup(FFocusedControl);
      return;
    case WM_ACTIVATE:
      inherited::WndProc(Message);
      // The form hears of its deactivation only when the focus moves to a control of another form; a
      // popup must close also when the newly active window has no control to focus.
      // An application switch (no window of ours becomes active) is left to the hooks.
      if (alive && LOWORD(Message.WParam) == WA_INACTIVE && Message.LParam != 0 && FTakesFocus) Deactivate();
      return;
    default:
      break;
  }
  inherited::WndProc(Message);
}
