// The editor control's input and geometry: the key table, the mouse and the buttons, in-place activation,
// the view info recalculation, layout, painting and the editor's own messages.

#include <algorithm>
#include <utility>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxEdit.h"

namespace {

constexpr const char* kInnerEditHookProp = "cxEditInnerEditHook";

bool IsAlignedVertically(TAlign AAlign) {
  return AAlign == alTop || AAlign == alBottom || AAlign == alClient || AAlign == alCustom;
}

bool IsAlignedHorizontally(TAlign AAlign) {
  return AAlign == alLeft || AAlign == alRight || AAlign == alClient || AAlign == alCustom;
}

// The window procedure put on the inner edit's window while the editor hooks it: the editor's
// InnerEditWindowProc sees every message first.
LRESULT InnerEditHookProc(HWND AWnd, UINT AMsg, WPARAM WParam, LPARAM LParam) {
  auto* edit = static_cast<TcxCustomEdit*>(GetProp(AWnd, kInnerEditHookProp));
  if (!edit) return DefWindowProc(AWnd, AMsg, WParam, LParam);
  TMessage message{};
  message.Msg = AMsg;
  message.WParam = WParam;
  message.LParam = LParam;
  edit->InnerEditWindowProc(message);
  return message.Result;
}

// The visible index of the button a point lies in, -1 when none.
int32_t ButtonAt(TcxCustomEditViewInfo* AViewInfo, POINT P) {
  for (int32_t i = 0; i < AViewInfo->ButtonCount(); ++i)
    if (PtInRect(&AViewInfo->Button(i)->Bounds, P)) return i;
  return -1;
}

}  // namespace

// ---- view data and recalculation ----------------------------------------------------------------------------------

TcxCustomEditViewData* TcxCustomEdit::CreateViewData() {
  TcxCustomEditViewData* viewData = GetActiveProperties()->CreateViewData(GetCurrentEditStyle(), FIsInplace);
  if (!viewData) return nullptr;
  viewData->Edit = (FInnerEdit || !GetInnerEditClass()) ? this : nullptr;
  viewData->WindowHandle = HandleAllocated() ? Handle() : nullptr;
  return viewData;
}

void TcxCustomEdit::InitializeViewData(TcxCustomEditViewData* AViewData) {
  AViewData->Enabled = Enabled();
  AViewData->Focused = IsEditFocused();
  AViewData->IsDesigning = IsDesigning();
}

// The border alone (the rectangle inside it holds the text area and the buttons): the container shapes
// the window from it, so the buttons stay inside the window's region.
void TcxCustomEdit::GetBorderExtent(RECT& R) {
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (!vi) {
    R = RECT{};
    return;
  }
  R = RECT{vi->BorderRect.left - vi->Bounds.left, vi->BorderRect.top - vi->Bounds.top,
           vi->Bounds.right - vi->BorderRect.right, vi->Bounds.bottom - vi->BorderRect.bottom};
}

bool TcxCustomEdit::RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) {
  if (!FDataBinding) return inherited::RefreshContainer(P, AButton, AShift, AIsMouseEvent);
  if (!HandleAllocated() || ControlState().Contains(csDestroyingHandle) || IsEditDestroying()) return false;
  if (FCaptureButtonVisibleIndex >= 0 && GetCapture() != Handle()) FCaptureButtonVisibleIndex = -1;
  TcxCustomEditViewInfo* vi = EditViewInfo();
  // A mouse event is compared with the picture before it; anything else repaints the whole frame.
  TcxCustomEditViewInfo* old = nullptr;
  if (AIsMouseEvent) {
    old = CreateAs<TcxCustomEditViewInfo>(vi->ClassType());
    old->Assign(vi);
  }
  TcxCustomEditViewData* viewData = CreateViewData();
  if (viewData) {
    InitializeViewData(viewData);
    TMouseButton button = AButton == 2 ? mbRight : AButton == 3 ? mbMiddle : mbLeft;
    try {
      viewData->CalculateEditRects(ControlCanvas(), RECT{0, 0, Width(), Height()}, AIsMouseEvent, vi, AShift, button,
                                   P);
    } catch (...) {
      viewData->Free();
      FreeObject(old);
      throw;
    }
    viewData->Free();
  }
  // The frame and the buttons are repainted where they changed; the text area is the inner control's or
  // the kind's own.
  RECT inner = FInnerEditControl && FInnerEditControl->Visible() ? vi->ClientRect : RECT{};
  bool anything = vi->RepaintControlRect(this, inner, old);
  if (!anything && AIsMouseEvent) {
    old->Free();
    return false;
  }
  cx_edit_detail::TAliveLink alive(this);
  AdjustLayout();
  if (!alive) {
    FreeObject(old);
    return true;
  }
  ApplyStyleToInnerControl();
  SetWindowRegionLocked();
  if (vi->ContainerState.Contains(csHotTrack)) {
    RECT visible;
    GetVisibleBounds(visible);
    StartMouseTracking(this, visible, this);
  }
  try {
    if (anything && old) ProcessButtonStateChange(old);
  } catch (...) {
    FreeObject(old);
    throw;
  }
  FreeObject(old);
  return true;
}

void TcxCustomEdit::SetWindowRegionLocked() {
  if (!HandleAllocated()) return;
  bool saved = std::exchange(FSettingWindowRegion, true);
  RECT r;
  GetBorderBounds(r);
  RECT none{0, 0, 0, 0};
  TcxContainerViewInfo* vi = ViewInfo();
  SetWindowShapeRegion(Handle(), r, vi->NativeStyle && vi->BorderStyle != cbsNone, none, vi->Shadow);
  FSettingWindowRegion = saved;
}

void TcxCustomEdit::RecalculateAtCursor() {
  if (!HandleAllocated() || IsEditDestroying() || FRefreshing || !FDataBinding) return;
  bool saved = std::exchange(FRefreshing, true);
  try {
    POINT p;
    GetMouseCursorPos(p);
    RefreshContainer(ScreenToClient(p), 0, GetCurrentShiftState(), false);
  } catch (...) {
    FRefreshing = saved;
    throw;
  }
  FRefreshing = saved;
}

void TcxCustomEdit::UpdateStateAtCursor() {
  if (!HandleAllocated() || IsEditDestroying() || !FDataBinding) return;
  TcxCustomEditViewData* viewData = CreateViewData();
  if (!viewData) return;
  InitializeViewData(viewData);
  POINT p;
  GetMouseCursorPos(p);
  p = ScreenToClient(p);
  viewData->CalculateEditRects(ControlCanvas(), RECT{0, 0, Width(), Height()}, false, EditViewInfo(),
                               GetCurrentShiftState(), mbLeft, p);
  viewData->Free();
}

void TcxCustomEdit::ProcessButtonStateChange(TcxCustomEditViewInfo* AOldViewInfo) {
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (AOldViewInfo->PressedButton == vi->PressedButton && AOldViewInfo->HotButton == vi->HotButton) return;
  cx_edit_detail::TAliveLink alive(this);
  int32_t oldPressed = AOldViewInfo->PressedButton;
  if (oldPressed >= 0 && oldPressed != vi->PressedButton) {
    bool releasedOver = oldPressed == vi->HotButton;
    DoButtonUp(oldPressed);
    if (alive && releasedOver) DoButtonClick(oldPressed);
    if (!alive) return;
  }
  if (vi->PressedButton >= 0 && oldPressed < 0) DoButtonDown(vi->PressedButton);
}

// ---- layout ------------------------------------------------------------------------------------------------

void TcxCustomEdit::GetSizeRequest(TcxEditSizeProperties& ASizeProperties) {
  ASizeProperties.MaxLineCount = 1;
  ASizeProperties.Width = Width();
}

bool TcxCustomEdit::CanAutoWidth() {
  return FAutoSize && GetActiveProperties()->ButtonsViewStyle() == bvsButtonsAutoWidth && !FIsInplace;
}

void TcxCustomEdit::DoSetAutoSize(bool Value) {
  if (FIsInplace || FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustLayout();
}

void TcxCustomEdit::AdjustLayout() {
  if (!HandleAllocated() || IsEditDestroying() || !FDataBinding || FAdjustingLayout) return;
  bool saved = std::exchange(FAdjustingLayout, true);
  TcxCustomEditViewData* viewData = CreateViewData();
  if (!viewData) {
    FAdjustingLayout = saved;
    return;
  }
  try {
    InitializeViewData(viewData);
    TcxCanvas* canvas = GetContainerScreenCanvas();
    RECT extent{};
    viewData->Calculate(canvas, EditViewInfo(), extent);
    if (FAutoSize && CanAutoSize()) {
      TcxEditSizeProperties request;
      GetSizeRequest(request);
      SIZE size{};
      viewData->GetEditSize(canvas, GetEditValue(), size, nullptr, request);
      int32_t width = Width(), height = Height();
      if (CanAutoWidth() && (FIsInplace || !IsAlignedVertically(Align()))) width = size.cx;
      if (FIsInplace || !IsAlignedHorizontally(Align())) height = size.cy;
      if (width != Width() || height != Height()) SetBounds(Left(), Top(), width, height);
    }
    if (FInnerEdit) AdjustInnerEditPosition(Height() - extent.top - extent.bottom);
  } catch (...) {
    viewData->Free();
    FAdjustingLayout = saved;
    throw;
  }
  viewData->Free();
  FAdjustingLayout = saved;
}

void TcxCustomEdit::AdjustInnerEditPosition(int32_t AvailableHeight) {
  (void)AvailableHeight;
  if (!FInnerEditControl) return;
  RECT r = EditViewInfo()->ClientRect;
  RECT b = FInnerEditControl->BoundsRect();
  if (!EqualRect(&r, &b)) FInnerEditControl->SetBoundsRect(r);
}

bool TcxCustomEdit::CanResize(int32_t NewWidth, int32_t& NewHeight) {
  (void)NewWidth;
  if (!FDataBinding || !FAutoSize || IsLoading()) return true;
  if (!FIsInplace && IsAlignedHorizontally(Align())) return true;
  TcxCustomEditViewData* viewData = CreateViewData();
  if (!viewData) return true;
  InitializeViewData(viewData);
  TcxEditSizeProperties request;
  GetSizeRequest(request);
  SIZE size{};
  try {
    viewData->GetEditSize(GetContainerScreenCanvas(), GetEditValue(), size, nullptr, request);
  } catch (...) {
    viewData->Free();
    throw;
  }
  viewData->Free();
  NewHeight = size.cy;
  return true;
}

void TcxCustomEdit::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (FDataBinding && FAutoSize && !FAdjustingLayout && HandleAllocated()) CanResize(AWidth, AHeight);
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

int32_t TcxCustomEdit::GetHeight() {
  if (!HandleAllocated() && !FHandleCreating && Parent() && Parent()->HandleAllocated()) {
    bool saved = std::exchange(FHandleCreating, true);
    try {
      HandleNeeded();
    } catch (...) {
      FHandleCreating = saved;
      throw;
    }
    FHandleCreating = saved;
  }
  return TControl::Height();
}

void TcxCustomEdit::CreateHandle() {
  inherited::CreateHandle();
  if (FInnerEdit && Focused()) FocusInnerControl();
}

void TcxCustomEdit::Paint() {
  if (IsPaintCopyOfDataEdit())
    PaintCopy();
  else
    EditViewInfo()->Draw(ControlCanvas());
}

// A copy for a grid of data controls shows the stored value on a view info of its own.
void TcxCustomEdit::PaintCopy() {
  TcxCustomEditViewData* viewData = CreateViewData();
  if (!viewData) return;
  auto* vi = CreateAs<TcxCustomEditViewInfo>(GetViewInfoClass());
  try {
    InitializeViewData(viewData);
    POINT none{-1, -1};
    viewData->CalculateEditRects(ControlCanvas(), RECT{0, 0, Width(), Height()}, false, vi, TShiftState{}, mbLeft,
                                 none);
    vi->Draw(ControlCanvas());
    ControlCanvas()->ExcludeFromClip(RECT{0, 0, Width(), Height()});
  } catch (...) {
    vi->Free();
    viewData->Free();
    throw;
  }
  vi->Free();
  viewData->Free();
}

// ---- keys -------------------------------------------------------------------------------------------------------

bool TcxCustomEdit::IsClickKey(uint16_t Key, TShiftState Shift) {
  return DefaultButtonVisibleIndex() >= 0 && ShortCut(Key, Shift) == GetActiveProperties()->ClickKey();
}

bool TcxCustomEdit::IsValidChar(char32_t AChar) {
  IcxEditDefaultValuesProvider* provider = GetActiveProperties()->DefaultValuesProvider();
  if (!provider || AChar > 0x7F) return true;
  return provider->IsValidChar(static_cast<char>(AChar));
}

void TcxCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  FEscapeConsumed = false;
  cx_edit_detail::TAliveLink alive(this);
  // The click key skips the container (and OnKeyDown): it belongs to the default button.
  if (!IsClickKey(Key, Shift)) {
    inherited::KeyDown(Key, Shift);
    if (!alive) return;
  }
  if (Key != 0) DoEditKeyDown(Key, Shift);
}

void TcxCustomEdit::DoAfterKeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnAfterKeyDown) OnAfterKeyDown(this, Key, Shift);
}

bool TcxCustomEdit::CanProcessKeyDown(uint16_t& Key, TShiftState Shift) {
  return FDataBinding->GetModified() || !IsModifyingKey(Key, Shift) || DoEditing();
}

bool TcxCustomEdit::CanProcessKeyPress(char32_t& Key) {
  bool printable = Key >= 32 && Key != 127;
  if (printable && !IsValidChar(Key)) {
    Key = 0;
    return false;
  }
  if (IsModifyingChar(Key) && !FDataBinding->GetModified() && !DoEditing()) {
    Key = 0;
    return false;
  }
  return true;
}

void TcxCustomEdit::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  cx_edit_detail::TAliveLink alive(this);
  TcxCustomEditProperties* properties = GetActiveProperties();
  TShortCut shortCut = ShortCut(Key, Shift);
  if (properties->ClearKey() != 0 && shortCut == properties->ClearKey()) {
    bool saved = std::exchange(FKeyboardAction, true);
    try {
      ApplyEditValue(Null());
    } catch (...) {
      if (alive) FKeyboardAction = saved;
      throw;
    }
    if (!alive) return;
    FKeyboardAction = saved;
    FValidated = true;
    Key = 0;
    return;
  }
  if (IsClickKey(Key, Shift)) {
    RemoveCharMessage();
    Key = 0;
    ClickDefaultButton();
    return;
  }
  if (!CanProcessKeyDown(Key, Shift)) {
    if (!alive) return;
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  if (!alive) return;
  switch (Key) {
    case VK_TAB:
      if (Focused() && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) && !properties->WantsTabKey()) {
        HandleTabKey(Shift);
        if (!alive) return;
        DoAfterKeyDown(Key, Shift);
        if (!alive || Key == 0) return;
        Key = 0;
        if (TCustomForm* form = GetParentForm(this)) {
          form->SelectNext(form->ActiveControl(), !Shift.Contains(ssShift), true);
          if (alive && HandleAllocated() && GetFocus() == Handle() && FInnerEdit) FocusInnerControl();
        }
        return;
      }
      break;
    case VK_RETURN:
      if (properties->ValidateOnEnter()) {
        Key = 0;
        WithEditChangeEventsLocked([&] {
          if (DoValidateEdit(true) && CanPostEditValue()) PostEditValue(false);
        });
        return;
      }
      break;
    case VK_ESCAPE:
      if (FModifiedAfterEnter) {
        Reset();
        if (!alive) return;
        FEscapeConsumed = true;
        Key = 0;
        return;
      }
      break;
    default:
      break;
  }
  if (!HandlesCursorKeys() && Key >= VK_PRIOR && Key <= VK_DOWN) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
  }
}

void TcxCustomEdit::KeyPress(char32_t& Key) {
  if (Key == 27 && FEscapeConsumed) {
    FEscapeConsumed = false;
    Key = 0;
    return;
  }
  cx_edit_detail::TAliveLink alive(this);
  inherited::KeyPress(Key);
  if (alive && Key != 0) DoEditKeyPress(Key);
}

void TcxCustomEdit::KeyUp(uint16_t& Key, TShiftState Shift) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::KeyUp(Key, Shift);
  if (alive && Key != 0) DoEditKeyUp(Key, Shift);
}

void TcxCustomEdit::Reset() {
  if (!FModifiedAfterEnter || !GetActiveProperties()->CanResetEditValue()) return;
  WithEditChangeEventsLocked([&] {
    FModifiedAfterEnter = false;
    if (IsBoundToData())
      ApplyEditValue(FDataBinding->StoredValue());
    else
      ApplyEditValue(FPrevEditValue);
    SetModified(true);
    SelectAll();
    if (GetActiveProperties()->ImmediatePost() && CanPostEditValue()) PostEditValue(false);
  });
}

// The character that follows the click key is dropped from the queue, so that neither the editor nor its
// inner edit sees it; a quit request met there is put back.
void TcxCustomEdit::RemoveCharMessage() {
  auto removeFrom = [](HWND AWnd) {
    if (!AWnd) return;
    MSG msg{};
    if (PeekMessage(&msg, AWnd, WM_CHAR, WM_CHAR, PM_REMOVE) && msg.message == WM_QUIT)
      PostQuitMessage(static_cast<int>(msg.wParam));
  };
  if (HandleAllocated()) removeFrom(Handle());
  if (FInnerEditControl && FInnerEditControl->HandleAllocated()) removeFrom(FInnerEditControl->Handle());
}

// ---- buttons ------------------------------------------------------------------------------------------------

int32_t TcxCustomEdit::DefaultButtonVisibleIndex() {
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (vi && vi->ButtonCount() > 0) {
    for (int32_t i = 0; i < vi->ButtonCount(); ++i)
      if (vi->Button(i)->Data.Default) return i;
    return -1;
  }
  // Not laid out yet: the visible buttons in collection order.
  TcxEditButtons* buttons = GetActiveProperties()->Buttons();
  int32_t visible = 0;
  for (int32_t i = 0; i < buttons->Count(); ++i) {
    TcxEditButton* button = buttons->Items(i);
    if (!button->Visible()) continue;
    if (button->Default()) return visible;
    ++visible;
  }
  return -1;
}

int32_t TcxCustomEdit::ButtonIndexOfVisible(int32_t AVisibleIndex) {
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (vi && AVisibleIndex >= 0 && AVisibleIndex < vi->ButtonCount()) return vi->Button(AVisibleIndex)->Data.ButtonIndex;
  TcxEditButtons* buttons = GetActiveProperties()->Buttons();
  int32_t visible = 0;
  for (int32_t i = 0; i < buttons->Count(); ++i) {
    if (!buttons->Items(i)->Visible()) continue;
    if (visible == AVisibleIndex) return i;
    ++visible;
  }
  return -1;
}

void TcxCustomEdit::ClickDefaultButton() {
  int32_t index = DefaultButtonVisibleIndex();
  if (index >= 0) DoButtonClick(index);
}

void TcxCustomEdit::DoButtonClick(int32_t AVisibleIndex) {
  int32_t index = ButtonIndexOfVisible(AVisibleIndex);
  if (index < 0) return;
  TcxCustomEditProperties* item = GetRepositoryItemProperties();
  cx_edit_detail::TAliveLink alive(this);
  if (FProperties->OnButtonClick) FProperties->OnButtonClick(this, index);
  if (alive && item && item->OnButtonClick) item->OnButtonClick(this, index);
}

// ---- mouse ---------------------------------------------------------------------------------------------------

void TcxCustomEdit::DoubleClickTimerTick(TObject*) { StopDoubleClickTimer(); }

void TcxCustomEdit::StartDoubleClickTimer() {
  if (!FDblClickTimer) return;
  FDblClickTimer->SetEnabled(false);
  FDblClickTimer->SetEnabled(true);
}

void TcxCustomEdit::StopDoubleClickTimer() {
  if (FDblClickTimer) FDblClickTimer->SetEnabled(false);
}

void TcxCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  cx_edit_detail::TAliveLink alive(this);
  // The second click of an activating click pair is a double click.
  if (Button == mbLeft && FDblClickTimer && FDblClickTimer->Enabled()) {
    StopDoubleClickTimer();
    if (ButtonAt(EditViewInfo(), POINT{X, Y}) < 0) {
      DblClick();
      if (!alive) return;
    }
  }
  POINT screen = HandleAllocated() ? ClientToScreen(POINT{X, Y}) : POINT{X, Y};
  HWND before = HandleAllocated() ? WindowFromPoint(screen) : nullptr;
  inherited::MouseDown(Button, Shift, X, Y);
  if (!alive) return;
  // The press made the inner edit appear under the mouse: it gets the same press.
  if (before && before == Handle()) {
    HWND now = WindowFromPoint(screen);
    if (now && now != Handle()) {
      if (TWinControl* control = TWinControl::FindControl(now)) {
        POINT p = control->ScreenToClient(screen);
        UINT msg = Button == mbLeft ? WM_LBUTTONDOWN : Button == mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
        TMessage m{};
        m.Msg = msg;
        m.WParam = ShiftStateToMouseKeys(Shift + MouseButtonToShift(Button));
        m.LParam = MAKELPARAM(p.x, p.y);
        control->WndProc(m);
        if (!alive) return;
      }
    }
  }
  if (Button == mbLeft && HandleAllocated() && GetCapture() == Handle() && EditViewInfo()->PressedButton >= 0)
    FCaptureButtonVisibleIndex = EditViewInfo()->PressedButton;
}

void TcxCustomEdit::MouseLeave(TControl* AControl) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::MouseLeave(AControl);
  if (!alive || !HandleAllocated()) return;
  TcxCustomEditViewInfo* vi = EditViewInfo();
  for (int32_t i = 0; i < vi->ButtonCount(); ++i) {
    TcxEditButtonViewInfo* button = vi->Button(i);
    if (button->Data.State != cxEditButtonStateHot) continue;
    button->Data.State = cxEditButtonStateNormal;
    ::InvalidateRect(Handle(), &button->Bounds, FALSE);
  }
  vi->HotButton = -1;
}

void TcxCustomEdit::Click() {
  if (IsEditDestroying() || FClickLockCount > 0 || (IsLoading() && !CanClickWhileLoading())) return;
  inherited::Click();
}

void TcxCustomEdit::DblClick() {
  POINT p{};
  GetMouseCursorPos(p);
  if (HandleAllocated()) p = ScreenToClient(p);
  if (ButtonAt(EditViewInfo(), p) < 0) {
    inherited::DblClick();
    return;
  }
  cx_edit_detail::TAliveLink alive(this);
  MouseDown(mbLeft, GetCurrentShiftState() + ssLeft, p.x, p.y);
  if (alive) Click();
}

bool TcxCustomEdit::CanHandleMouseWheel(TShiftState Shift) {
  return !FIsInplace || GetActiveProperties()->UseMouseWheel() || Shift.Contains(ssCtrl);
}

void TcxCustomEdit::GetTabOrderList(std::vector<TWinControl*>& List) {
  inherited::GetTabOrderList(List);
  if (FIsInplace && Visible() && Parent()) List.erase(std::remove(List.begin(), List.end(), Parent()), List.end());
}

// ---- in-place activation ------------------------------------------------------------------------------------------

void TcxCustomEdit::Activate(TcxCustomEditData*& AEditData) {
  if (!AEditData && GetEditDataClass()) AEditData = CreateAs<TcxCustomEditData>(GetEditDataClass(), this);
  FEditData = AEditData;
  if (FEditData && FEditData->Cleared) {
    InitializeEditData();
    FEditData->Cleared = false;
  }
  cx_edit_detail::TAliveLink alive(this);
  Show();
  if (!alive) return;
  if (HandleAllocated() && CanFocus()) {
    SetFocus();
    if (!alive) return;
    if (GetActiveProperties()->AutoSelect()) SelectAll();
  }
  RefreshDisplayFromEditValue();
  SetModified(false);
}

void TcxCustomEdit::ActivateByKey(char32_t AKey, TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  HookInnerEditWindowProc();
  try {
    Activate(AEditData);
    if (alive && SendsActivationKey(AKey)) SendChar(this, AKey);
  } catch (...) {
    if (alive) UnhookInnerEditWindowProc();
    throw;
  }
  if (alive) UnhookInnerEditWindowProc();
}

void TcxCustomEdit::ActivateByMouse(TShiftState Shift, int32_t X, int32_t Y, TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  Activate(AEditData);
  if (!alive || !HandleAllocated()) return;
  POINT p{X, Y};
  if (Parent()) p = ScreenToClient(Parent()->ClientToScreen(p));
  LPARAM at = MAKELPARAM(p.x, p.y);
  if (Shift.Contains(ssLeft)) {
    SendMessage(Handle(), WM_LBUTTONDOWN, ShiftStateToMouseKeys(Shift), at);
    if (!alive) return;
    if (GetCapture() == Handle() && !(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) ReleaseCapture();
  } else {
    SendMessage(Handle(), WM_LBUTTONUP, ShiftStateToMouseKeys(Shift), at);
    if (!alive) return;
  }
  StartDoubleClickTimer();
}

void TcxCustomEdit::InnerEditWindowProc(TMessage& Message) {
  HWND wnd = FInnerEditControl && FInnerEditControl->HandleAllocated() ? FInnerEditControl->Handle() : nullptr;
  if (!wnd || !FInnerEditDefWindowProc) {
    Message.Result = 0;
    return;
  }
  Message.Result = CallWindowProc(FInnerEditDefWindowProc, wnd, Message.Msg, Message.WParam, Message.LParam);
}

void TcxCustomEdit::HookInnerEditWindowProc() {
  if (FInnerEditDefWindowProc || !FInnerEditControl || !FInnerEditControl->HandleAllocated()) return;
  HWND wnd = FInnerEditControl->Handle();
  SetProp(wnd, kInnerEditHookProp, static_cast<HANDLE>(this));
  FInnerEditDefWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InnerEditHookProc)));
}

void TcxCustomEdit::UnhookInnerEditWindowProc() {
  if (!FInnerEditDefWindowProc) return;
  WNDPROC previous = std::exchange(FInnerEditDefWindowProc, nullptr);
  if (!FInnerEditControl || !FInnerEditControl->HandleAllocated()) return;
  HWND wnd = FInnerEditControl->Handle();
  SetWindowLongPtr(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  RemoveProp(wnd, kInnerEditHookProp);
}

// ---- messages -----------------------------------------------------------------------------------------------------

void TcxCustomEdit::WndProc(TMessage& Message) {
  if (!FDataBinding) {
    inherited::WndProc(Message);
    return;
  }
  switch (Message.Msg) {
    case WM_NCCALCSIZE:
      if (FSettingWindowRegion) {
        Message.Result = 0;
        return;
      }
      break;
    case WM_CUT: {
      bool saved = std::exchange(FKeyboardAction, true);
      cx_edit_detail::TAliveLink alive(this);
      try {
        if (GetActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable())
          CopyToClipboard();
        else
          CutToClipboard();
      } catch (...) {
        if (alive) FKeyboardAction = saved;
        throw;
      }
      if (alive) FKeyboardAction = saved;
      return;
    }
    case WM_COPY:
      CopyToClipboard();
      return;
    case WM_PASTE: {
      if (GetActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable()) return;
      bool saved = std::exchange(FKeyboardAction, true);
      cx_edit_detail::TAliveLink alive(this);
      try {
        PasteFromClipboard();
      } catch (...) {
        if (alive) FKeyboardAction = saved;
        throw;
      }
      if (alive) FKeyboardAction = saved;
      return;
    }
    case CM_DIALOGCHAR: {
      TcxCustomEditViewInfo* vi = EditViewInfo();
      auto key = static_cast<char32_t>(Message.WParam);
      for (int32_t i = 0; i < vi->ButtonCount(); ++i) {
        const TcxEditButtonViewInfoData& data = vi->Button(i)->Data;
        if (data.State == cxEditButtonStateDisabled) continue;
        if (!IsAccel(key, data.Caption)) continue;
        DoButtonClick(i);
        Message.Result = 1;
        return;
      }
      break;
    }
    case CM_SHOWINGCHANGED: {
      cx_edit_detail::TAliveLink alive(this);
      inherited::WndProc(Message);
      if (alive && Showing()) AdjustLayout();
      return;
    }
    default:
      break;
  }
  inherited::WndProc(Message);
}
