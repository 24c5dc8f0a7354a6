// The base of the bar windows: item controls, the selection, the chain of active bar windows, the mouse and
// keyboard rules tool bars and menus share, and the background they paint through their painter.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/bars/detail/dxBarState.h"

namespace {

POINT MessagePoint(const TMessage& Message) {
  return POINT{static_cast<int16_t>(LOWORD(Message.LParam)), static_cast<int16_t>(HIWORD(Message.LParam))};
}

// The long part of a hint "short|long" (the whole hint when it has no bar).
String LongHintOf(const String& AHint) {
  const size_t bar = AHint.find('|');
  return bar == String::npos ? AHint : AHint.substr(bar + 1);
}

bool IsKeyDown(int AKey) { return GetKeyState(AKey) < 0; }

}  // namespace

// ---- construction ------------------------------------------------------------------------------------------------

TCustomdxBarControl::TCustomdxBarControl(TComponent* AOwner) : TCustomControl(AOwner) {
  if (!dynamic_cast<TdxBarManager*>(AOwner))
    throw EInvalidCast("A bar window is owned by its bar manager, not by " +
                       (AOwner ? AOwner->ClassName() : String("nothing")));
}

TCustomdxBarControl::~TCustomdxBarControl() { delete FBackgroundCache; }

void TCustomdxBarControl::AfterConstruction() {
  TCustomControl::AfterConstruction();
  AddBarControl(this);
  TControlStyle style = ControlStyle();
  style.Exclude(csCaptureMouse);
  SetControlStyle(style);
  UpdateOpaque();
  SetColor(clBtnFace);
  SetVisible(false);
  SetBounds(100, 100, 50, 30);
  FBackgroundCache = New<TBitmap>();
}

void TCustomdxBarControl::BeforeDestruction() {
  TdxBarManager* manager = BarManager();
  // The chain closes first: a tool bar leaves menu mode, a menu its place in the chain.
  if (FBar)
    CloseAll();
  else
    SetActive(false);
  FDestroying = true;
  if (TdxBarItemControl* selection = manager->SelectedControl(); selection && selection->Parent() == this)
    manager->ClearSelectedControl();
  if (FItemLinks) {
    DestroyItemControls();
    if (FItemLinks->BarControl() == this) FItemLinks->SetBarControl(nullptr);
  }
  FSelectedControl = nullptr;
  FCapturedControl = nullptr;
  RemoveBarControl(this);
  if (FDockControl) FDockControl->RemoveBar(this, nullptr, !manager->IsBeingDestroyed());
  if (manager->Bars() && manager->Bars()->DraggedControl() == this) manager->Bars()->SetDraggedControl(nullptr);
  TCustomControl::BeforeDestruction();
}

TdxBarManager* TCustomdxBarControl::BarManager() const { return static_cast<TdxBarManager*>(Owner()); }

TdxBarItemControlPainterClass TCustomdxBarControl::GetPainter() const {
  TdxBarItemControlPainterClass painter = BarManager()->PainterClass();
  return painter ? painter : TdxBarItemControlPainter::Instance();
}

void TCustomdxBarControl::CreateWnd() {
  TCustomControl::CreateWnd();
  CreateItemControls();
  UpdateAlphaBlend();
  UpdateFont();
  Canvas()->Font()->Assign(Font());
  UpdateMetrics();
}

void TCustomdxBarControl::DestroyWnd() {
  DestroyItemControls();
  TCustomControl::DestroyWnd();
}

// ---- item controls ---------------------------------------------------------------------------------------------

void TCustomdxBarControl::CreateItemControls() {
  if (!FItemLinks) return;
  for (int32_t i = 0; i < FItemLinks->AvailableItemCount(); ++i) FItemLinks->AvailableItems(i)->CreateControl();
}

void TCustomdxBarControl::DestroyItemControls() {
  if (!FItemLinks) return;
  const bool old = FDestroying;
  FDestroying = true;
  ScopeExit restore([&] { FDestroying = old; });
  for (int32_t i = 0; i < FItemLinks->Count(); ++i) FItemLinks->Items(i)->DestroyControl();
}

void TCustomdxBarControl::UpdateMetrics() {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, Canvas()->Font()->Handle());
  SIZE zero = GetTextExtentString(screen, "0");
  FLineHeight = zero.cy + 6;
  FIndent = std::max(FLineHeight / 5, 4);
  SelectObject(screen, GetFontHandle());
  zero = GetTextExtentString(screen, "0");
  FEditHeight = GetPainter()->CalcEditHeight(this, screen, zero.cy);
  FDropDownButtonWidth = GetPainter()->GetDropDownButtonWidth(this, screen, zero.cx);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
}

bool TCustomdxBarControl::IsLastItemControl(TdxBarItemControl*) { return false; }
bool TCustomdxBarControl::AllowsItemCustomizing() { return BarManager()->IsDesigning(); }
bool TCustomdxBarControl::AttachesMenusToItems() { return GetPainter()->HasBarContentBrush(this); }

HFONT TCustomdxBarControl::GetFontHandle() {
  HFONT font = BarManager()->FontHandle();
  return font ? font : Canvas()->Font()->Handle();
}

RECT TCustomdxBarControl::GetItemRect(TdxBarItemControl* AControl) {
  return AControl && AControl->Link() ? AControl->Link()->ItemRect() : RECT{};
}

bool TCustomdxBarControl::IsCustomizing() { return BarManager()->IsCustomizing(); }

bool TCustomdxBarControl::NeedsShadow() {
  return GetPainter()->IsFloatingToolbarFramed(this) && HandleAllocated() && IsWindowVisible(Handle());
}

RECT TCustomdxBarControl::GetItemFullRect(TdxBarItemControl* AControl, bool) { return GetItemRect(AControl); }

HRGN TCustomdxBarControl::CreateItemRegion(TdxBarItemControl* AControl) {
  const RECT r = GetItemFullRect(AControl, true);
  return CreateRectRgnIndirect(&r);
}

TCustomdxBarControl* TCustomdxBarControl::GetAnchorControl() {
  return IsRectEmpty(&FOwnerRect) ? nullptr : FAnchorControl;
}

HBRUSH TCustomdxBarControl::GetBkBrush() { return GetPainter()->GetBkBrush(this); }
HBRUSH TCustomdxBarControl::GetCheckedBrush() { return GetPainter()->GetCheckedBrush(this); }
HBRUSH TCustomdxBarControl::GetFaceBrush() { return GetPainter()->GetFaceBrush(this); }
HBRUSH TCustomdxBarControl::GetHighlightBrush() { return GetPainter()->GetHighlightBrush(this); }
HBRUSH TCustomdxBarControl::GetManagerBkBrush() { return GetPainter()->GetBarContentBrush(BarManager()); }

bool TCustomdxBarControl::IsAncestorOf(TCustomdxBarControl* AOther) {
  for (TCustomdxBarControl* c = AOther ? AOther->FParentBarControl : nullptr; c; c = c->FParentBarControl)
    if (c == this) return true;
  return false;
}

bool TCustomdxBarControl::IsAttachedToOwnerRect() {
  if (IsRectEmpty(&FOwnerRect) || !HandleAllocated()) return false;
  RECT w;
  GetWindowRect(Handle(), &w);
  const RECT& o = FOwnerRect;
  const bool acrossX = w.left < o.right && o.left < w.right;
  const bool acrossY = w.top < o.bottom && o.top < w.bottom;
  return ((w.bottom == o.top || w.top == o.bottom) && acrossX) || ((w.right == o.left || w.left == o.right) && acrossY);
}

TdxBarItemControl* TCustomdxBarControl::GetItemControlAtPos(POINT P, bool& ABeyondItem, bool& AVertical,
                                                            bool& ANearerStart) {
  ABeyondItem = false;
  ANearerStart = false;
  AVertical = IsVerticalToolbar(this) || IsMenuLike();
  if (!FItemLinks) return nullptr;
  for (int32_t i = 0; i < FItemLinks->VisibleItemCount(); ++i) {
    TdxBarItemControl* control = FItemLinks->VisibleItems(i)->Control();
    if (!control || !control->IsCustomizable()) continue;
    HRGN region = CreateItemRegion(control);
    const bool hit = PtInRegion(region, P.x, P.y);
    DeleteObject(region);
    if (!hit) continue;
    const RECT item = GetItemRect(control);
    ABeyondItem = !PtInRect(&item, P);
    const RECT r = ABeyondItem ? control->SeparatorRect : item;
    if (P.y < item.top) AVertical = true;
    ANearerStart = AVertical ? P.y - r.top < r.bottom - P.y : P.x - r.left < r.right - P.x;
    return control;
  }
  return nullptr;
}

TdxBarItemControl* TCustomdxBarControl::GetItemControlAt(POINT P) {
  if (!FItemLinks || (IsCustomizing() && !AllowsItemCustomizing())) return nullptr;
  for (int32_t i = 0; i < FItemLinks->VisibleItemCount(); ++i) {
    TdxBarItemLink* link = FItemLinks->VisibleItems(i);
    const RECT r = link->ItemRect();
    if (link->Control() && PtInRect(&r, P)) return link->Control();
  }
  return nullptr;
}

bool TCustomdxBarControl::IsSameMousePos(POINT AClientPoint) {
  if (IsCustomizing()) return true;
  const POINT p = ClientToScreen(AClientPoint);
  return p.x == FLastMousePos.x && p.y == FLastMousePos.y;
}

void TCustomdxBarControl::RepaintItem(TdxBarItemControl*) { FCachedBkBrush = GetBkBrush(); }

void TCustomdxBarControl::RepaintItemAndSelected(TdxBarItemControl* AControl) {
  if (FDestroying) return;
  FRepaintingSelection = true;
  ScopeExit done([&] { FRepaintingSelection = false; });
  if (AControl && AControl->Item() && !AControl->Item()->IsDestroying()) AControl->Repaint();
  if (FSelectedControl) FSelectedControl->Repaint();
}

bool TCustomdxBarControl::OwnsControl(TdxBarItemControl* AControl) const {
  if (!FItemLinks || !AControl) return false;
  for (int32_t i = 0; i < FItemLinks->Count(); ++i)
    if (FItemLinks->Items(i)->Control() == AControl) return true;
  return false;
}

// ---- selection and the active chain ------------------------------------------------------------------------------

void TCustomdxBarControl::SetActive(bool AValue) { ChangeActive(AValue); }

void TCustomdxBarControl::ChangeActive(bool AValue) {
  if (FActive == AValue) return;
  auto& state = dxbar_detail::BarState();
  if (AValue) {
    if (!state.ActiveBarControl) state.MenusExpanded = IsCustomizing();
    FNextActive = state.ActiveBarControl;
    state.ActiveBarControl = this;
    FActive = true;
    if (!IsCustomizing() && FItemLinks) FItemLinks->UpdateActions();
    return;
  }
  if (IsCustomizing())
    FSelectedControl = nullptr;
  else
    SelectControl(nullptr);
  if (!IsBarControlAlive(this)) return;
  FActive = false;
  if (state.ActiveBarControl == this) {
    TCustomdxBarControl* next = FNextActive;
    if (!IsBarControlAlive(next) || !next->FActive) next = nullptr;
    state.ActiveBarControl = next;
  }
  FNextActive = nullptr;
}

void TCustomdxBarControl::SelectControl(TdxBarItemControl* AControl) {
  if (AControl == FSelectedControl) return;
  TdxBarItemControl* old = FSelectedControl;
  if (old && old->IsActive()) old->Deactivate(false);
  if (!IsBarControlAlive(this)) return;
  if (AControl) {
    AControl->OpenedByMouse = false;
    AControl->SetSelectedByMouse(false);
  }
  ChangeSelectedControl(AControl);
}

void TCustomdxBarControl::SelectControlAndOpen(TdxBarItemControl* AControl) {
  if (!HandleAllocated() || AControl == FSelectedControl) return;
  // Activating and deactivating here is not a click: a sub-item on a menu line opens and closes its menu
  // only after the delay that lets the pointer pass over it.
  TdxBarItemControl* old = FSelectedControl;
  if (old && old->IsActive()) old->Deactivate(false);
  if (!IsBarControlAlive(this)) return;
  if (AControl) AControl->SetSelectedByMouse(true);
  ChangeSelectedControl(AControl);
  if (!IsBarControlAlive(this) || !FSelectedControl) return;
  FSelectedControl->OpenedByMouse = true;
  FSelectedControl->Activate(false);
}

void TCustomdxBarControl::ChangeSelectedControl(TdxBarItemControl* AControl) {
  if (AControl == FSelectedControl) return;
  TdxBarItemControl* old = FSelectedControl;
  FSelectedControl = AControl;
  TdxBarManager* manager = BarManager();
  if (IsCustomizing()) {
    manager->SetSelectedControl(AControl);
    if (!IsBarControlAlive(this)) return;
  }
  RepaintItemAndSelected(old);
  GetCursorPos(&FLastMousePos);
  if (!AControl) SetCursor(crDefault);
  const bool showHint = AControl && (AControl->GetEnabled() || manager->ShowHintForDisabledItems());
  SetHint(showHint ? LongHintOf(AControl->GetHint()) : String());
}

void TCustomdxBarControl::CloseAll() {
  SetActive(false);
  if (IsBarControlAlive(this) && FParentBarControl && IsBarControlAlive(FParentBarControl))
    FParentBarControl->CloseAll();
}

void TCustomdxBarControl::SelectAdjacentToolbar(bool AForward) {
  TCustomdxBarControl* root = GetRootToolbarControl(GetActiveBarControl() ? GetActiveBarControl() : this);
  if (!root || !root->FBar) return;
  TdxBars* bars = BarManager()->Bars();
  const int32_t n = bars->Count(), start = root->FBar->Index();
  for (int32_t step = 1; step < n; ++step) {
    const int32_t index = ((start + (AForward ? step : -step)) % n + n) % n;
    TCustomdxBarControl* window = bars->Items(index)->GetControl();
    if (!window || !window->HandleAllocated() || !IsWindowVisible(window->Handle()) || !window->FItemLinks) continue;
    TdxBarItemLink* link = window->FItemLinks->GetFirstSelectableLink();
    if (!link || !link->Control()) continue;
    root->ExitMenuMode();
    if (IsBarControlAlive(window)) window->EnterMenuMode(link->Control());
    return;
  }
}

bool TCustomdxBarControl::ForwardKey(uint16_t AKey) {
  TdxBarItemControl* selection = FSelectedControl;
  if (!selection || !selection->GetEnabled() || !selection->HandleChar(AKey)) return false;
  selection->KeyDown(AKey);
  return true;
}

void TCustomdxBarControl::ItemDblClick(TdxBarItemControl* AControl) {
  if (BarManager()->IsDesigning()) return;
  if (!AControl->HasSubMenu()) AControl->DoDblClick();
}

bool TCustomdxBarControl::IsUnderCursor() {
  if (!HandleAllocated()) return false;
  POINT p;
  GetCursorPos(&p);
  return FindDeepestWindowAtPoint(p) == Handle();
}

// ---- background and look ---------------------------------------------------------------------------------------

void TCustomdxBarControl::DrawBackground(HDC DC, const RECT& R, bool AClientCoords, TColor AColor, HBRUSH ABrush) {
  RECT origin = R;
  if (AClientCoords) {
    const POINT offset = GetClientOffset();
    OffsetRect(&origin, offset.x, offset.y);
  }
  if (FDockingStyle != dsNone && FDockControl)
    GetPainter()->DrawBarBackground(this, DC, AColor, ABrush, R, origin);
  else
    GetPainter()->FillBarBackground(this, DC, AColor, ABrush, R, origin);
}

void TCustomdxBarControl::FillNonClientArea(HDC DC, HRGN ARegion, bool AClientCoords, HBRUSH ABrush) {
  bool hadRegion = false;
  HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
  ExtSelectClipRgn(DC, ARegion, RGN_AND);
  DrawBackground(DC, RECT{0, 0, Width(), Height()}, AClientCoords, clNone, ABrush);
  RestoreSavedClipRegion(DC, saved, hadRegion);
}

bool TCustomdxBarControl::IsQuickCustomizing() { return false; }
bool TCustomdxBarControl::HasBackgroundBitmap() { return FDockControl && FDockControl->HasBackgroundBitmap(); }
bool TCustomdxBarControl::IsDoubleBufferNeeded() { return FDockControl && FDockControl->IsDoubleBufferNeeded(); }

void TCustomdxBarControl::ClearBackgroundCache() {
  if (FBackgroundCache) FBackgroundCache->SetSize(0, 0);
}

void TCustomdxBarControl::UpdateDoubleBuffered() { SetDoubleBuffered(IsDoubleBufferNeeded()); }

void TCustomdxBarControl::UpdateOpaque() {
  TControlStyle style = ControlStyle();
  if (BarManager()->GetEffectiveStyle() != bmsStandard || IsCustomizing())
    style.Include(csOpaque);
  else
    style.Exclude(csOpaque);
  SetControlStyle(style);
}

void TCustomdxBarControl::SetSizingCursor(bool AOn) { SetCursor(AOn ? crSizeAll : crDefault); }

RECT TCustomdxBarControl::GetOwnerEdgeRect(bool AInParentCoords) {
  if (IsRectEmpty(&FOwnerRect) || !IsAttachedToOwnerRect()) return RECT{};
  RECT window;
  GetWindowRect(Handle(), &window);
  RECT owner = FOwnerRect;
  OffsetRect(&owner, -window.left, -window.top);
  const POINT origin{window.left, window.top};
  OffsetRect(&window, -window.left, -window.top);
  // Beside the owner rather than above or below it: work in turned coordinates.
  const bool beside = owner.right <= window.left || owner.left >= window.right;
  auto turn = [](RECT& r) {
    std::swap(r.left, r.top);
    std::swap(r.right, r.bottom);
  };
  if (beside) {
    turn(window);
    turn(owner);
  }
  const bool below = owner.bottom <= window.top;
  RECT edge{std::max(owner.left + 1, window.left + 1), below ? window.top : window.bottom - 1,
            std::min(owner.right - 1, window.right - 1), below ? window.top + 1 : window.bottom};
  if (AInParentCoords) OffsetRect(&edge, 0, below ? -1 : 1);
  if (beside) turn(edge);
  if (AInParentCoords) {
    OffsetRect(&edge, origin.x, origin.y);
    if (TCustomdxBarControl* anchor = GetAnchorControl(); anchor && anchor->HandleAllocated()) {
      POINT p{edge.left, edge.top};
      ::ScreenToClient(anchor->Handle(), &p);
      OffsetRect(&edge, p.x - edge.left, p.y - edge.top);
    }
  }
  return edge;
}

// ---- docking -------------------------------------------------------------------------------------------------------

void TCustomdxBarControl::SetDockingStyle(TdxBarDockingStyle AStyle) {
  if (FDockingStyle == AStyle) return;
  FDockingStyle = AStyle;
  ClearBackgroundCache();
  if (HandleAllocated()) Perform(CM_FONTCHANGED);
  UpdateAlphaBlend();
}

void TCustomdxBarControl::SetDockControl(TdxDockControl* ADock) {
  FDockControl = ADock;
  UpdateDoubleBuffered();
}

void TCustomdxBarControl::RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) {
  FDockingStyle = AStyle;
  FDockControl = ADock;
  if (ADock) SetParent(ADock);
}

void TCustomdxBarControl::StorePosition() {
  if (!FBar) return;
  if (FDockingStyle == dsNone) {
    FBar->SetFloatLeft(Left());
    FBar->SetFloatTop(Top());
    FBar->SetFloatClientWidth(ClientWidth());
    FBar->SetFloatClientHeight(ClientHeight());
    return;
  }
  FBar->SetHasDockedPosition(true);
  FBar->SetDockedDockingStyle(FDockingStyle);
  FBar->SetDockedDockControl(FDockControl && !FDockControl->IsImplicit()
                                 ? static_cast<TdxBarDockControl*>(FDockControl)
                                 : nullptr);
  int32_t row = 0, col = 0;
  if (FDockControl && FDockControl->FindBarControl(this, row, col)) {
    FBar->SetRow(row);
    FBar->SetOneOnRow(FDockControl->GetRow(row)->GetColumnCount() == 1);
  }
  FBar->SetDockedLeft(Left());
  FBar->SetDockedTop(Top());
}

SIZE TCustomdxBarControl::CalcSize(TdxBarDockingStyle AStyle) {
  SIZE size{CalcContentWidth(AStyle), CalcContentHeight(AStyle)};
  if (FBar) {
    size.cx += FBar->GetExtraWidth(AStyle);
    size.cy += FBar->GetExtraHeight(AStyle);
  }
  return size;
}

POINT TCustomdxBarControl::GetDragGrabPoint(TdxBarDockingStyle) { return POINT{0, 0}; }
int32_t TCustomdxBarControl::CalcMinWidth(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcMinHeight(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcContentWidth(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcContentHeight(TdxBarDockingStyle) { return 0; }

SIZE TCustomdxBarControl::CalcSizeForWidth(TdxBarDockingStyle AStyle, int32_t AWidth) {
  return SIZE{AWidth, CalcContentHeight(AStyle)};
}

SIZE TCustomdxBarControl::CalcSizeForHeight(TdxBarDockingStyle AStyle, int32_t AHeight) {
  return SIZE{CalcContentWidth(AStyle), AHeight};
}

bool TCustomdxBarControl::IsAtParentBottom() {
  TControl* c = this;
  while (TWinControl* parent = c->Parent()) {
    if (c->Top() + c->Height() != parent->ClientHeight()) return false;
    if (auto* form = dynamic_cast<TCustomForm*>(parent); form && form->FormStyle() == fsMDIChild) break;
    c = parent;
  }
  return true;
}

// ---- messages ----------------------------------------------------------------------------------------------------

void TCustomdxBarControl::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  // While a chain of bar windows is open, windows outside it see no mouse input.
  if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSEWHEEL) || (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK)) {
    TCustomdxBarControl* head = GetActiveBarControl();
    if (head && head != this && !IsAncestorOf(head)) return;
  }
  switch (msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_MOUSEACTIVATE:
      TCustomControl::WndProc(Message);
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_SETCURSOR:
      if (static_cast<int16_t>(LOWORD(Message.LParam)) == HTCLIENT &&
          reinterpret_cast<HWND>(Message.WParam) == Handle()) {
        ::SetCursor(Screen ? Screen->Cursors(Cursor()) : LoadCursor(nullptr, IDC_ARROW));
        Message.Result = 1;
        return;
      }
      break;
    case WM_NCHITTEST:
      TCustomControl::WndProc(Message);
      if (IsNonClientHit(Message.Result) && HandleAllocated()) CancelMouseLeaveTracking(Handle());
      return;
    case WM_CAPTURECHANGED:
      TCustomControl::WndProc(Message);
      FCapturedControl = nullptr;
      return;
    case WM_DESTROY:
      if (!ComponentState().Contains(csDestroying)) {
        CancelMouseLeaveTracking(Handle());
        SetMarkState(0);
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      TCustomControl::WndProc(Message);
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
      if (pos && (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        RefreshShadow();
        ClearBackgroundCache();
      }
      return;
    }
    case WM_DXBAR_DEFERREDREBUILD:
      Rebuild();
      return;
    case WM_LBUTTONDOWN:
      BarLButtonDown(Message);
      return;
    case WM_LBUTTONUP:
      BarLButtonUp(Message);
      return;
    case WM_MOUSEMOVE:
      BarMouseMove(Message);
      return;
    case WM_MOUSELEAVE:
      BarMouseLeave(Message);
      return;
    case WM_LBUTTONDBLCLK:
      BarLButtonDblClk(Message);
      return;
    case WM_RBUTTONDOWN:
      BarRButtonDown(Message);
      return;
    case WM_KEYDOWN:
      BarKeyDown(Message);
      return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      Message.Result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      return;
    }
    case WM_KILLFOCUS:
      TCustomControl::WndProc(Message);
      if (Message.WParam == 0) CloseAll();
      return;
    case WM_NCACTIVATE:
      // A floating bar keeps an active caption; activating it tells its form.
      if (Message.WParam && !IsCustomizing() && HandleAllocated())
        if (HWND owner = GetWindow(Handle(), GW_OWNER)) SendMessage(owner, WM_NCACTIVATE, 1, 0);
      Message.WParam = 1;
      break;
    case WM_SETFOCUS: {
      // Bar windows never keep the focus: it goes back to the form.
      TCustomForm* form = BarManager()->OwnerForm();
      if (form && form->HandleAllocated() && IsWindowVisible(form->Handle()))
        ::SetFocus(form->Handle());
      else if (HWND next = GetWindow(Handle(), GW_HWNDNEXT))
        ::SetFocus(next);
      return;
    }
    case WM_COMMAND:
      TCustomControl::WndProc(Message);
      if (Message.Result == 0 && HIWORD(Message.WParam) == EN_CHANGE && Message.LParam)
        SendMessage(reinterpret_cast<HWND>(Message.LParam), WM_COMMAND, Message.WParam, Message.LParam);
      return;
    case CM_FONTCHANGED:
      Canvas()->Font()->Assign(Font());
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

// ---- mouse and keyboard ----------------------------------------------------------------------------------------

void TCustomdxBarControl::BarLButtonDown(TMessage& Message) {
  if (FIgnoreNextClick || !FItemLinks || FItemLinks->VisibleItemCount() == 0) return;
  TCustomControl::WndProc(Message);
  const POINT p = MessagePoint(Message);
  const RECT client = ClientRect();
  TdxBarItemControl* control = nullptr;
  if (PtInRect(&client, p)) {
    control = GetItemControlAt(p);
    if (control && !IsCustomizing() && !(control->GetEnabled() && control->IsSelectable())) control = nullptr;
  }
  if (IsCustomizing()) {
    if (control && !control->IsCustomizable()) return;
    SelectControlAndOpen(control);
    return;
  }
  if (!control) return;
  SelectControl(control);
  if (!IsBarControlAlive(this)) return;
  if (TdxBarItemControl* selection = FSelectedControl) {
    selection->PressedByMouse = true;
    selection->OpenedByMouse = true;
  }
  control->PrepareClick(true);
  if (!IsBarControlAlive(this) || !OwnsControl(control)) return;
  control->PressedByMouse = false;
  if (FBar && FSelectedControl == control && control->NeedsMouseCapture()) SetCapturedControl(control, true);
}

void TCustomdxBarControl::SetCapturedControl(TdxBarItemControl* AControl, bool AHot) {
  FCapturedControl = AControl;
  FCapturedControlHot = AHot;
  if (!AControl) return;
  SetCapture(Handle());
  FCapturedControl = AControl;  // taking the capture may have told an old holder it lost it
  AControl->Repaint();
}

void TCustomdxBarControl::BarLButtonUp(TMessage& Message) {
  if (FIgnoreNextClick) {
    FIgnoreNextClick = false;
    return;
  }
  TCustomControl::WndProc(Message);
  const bool hadCaptured = FCapturedControl != nullptr;
  if (hadCaptured) ReleaseCapture();
  const POINT p = MessagePoint(Message);
  const RECT client = ClientRect();
  if (PtInRect(&client, p) && FActive && !IsCustomizing()) {
    TdxBarItemControl* control = GetItemControlAt(p);
    if (control && control->IsSelectable()) {
      if (control->GetEnabled() && control == FSelectedControl) {
        control->Click(true);
      } else if (!control->GetEnabled() && control != FSelectedControl && FBar) {
        if (!(FSelectedControl && FSelectedControl->DroppedDown())) CloseAll();
      }
    }
  }
  if (hadCaptured && IsBarControlAlive(this)) CloseAll();
}

void TCustomdxBarControl::BarMouseMove(TMessage& Message) {
  if (FDestroying) return;
  const POINT p = MessagePoint(Message);
  if (FCapturedControl) {
    const RECT r = GetItemRect(FCapturedControl);
    const bool hot = PtInRect(&r, p);
    if (hot != FCapturedControlHot) {
      FCapturedControlHot = hot;
      FCapturedControl->Repaint();
    }
  }
  const RECT client = ClientRect();
  if (!PtInRect(&client, p)) return;
  TCustomControl::WndProc(Message);
  if (IsSameMousePos(p)) return;
  FLastMousePos = ClientToScreen(p);
  TCustomdxBarControl* head = GetActiveBarControl();
  if (!head || head == this) SetCursor(crDefault);
  if (!IsMouseLeaveTracked(Handle())) {
    StartMouseLeaveTracking(Handle());
    if (FSelectedControl && GetItemControlAt(p) == FSelectedControl) FSelectedControl->Repaint();
  }
  TdxBarItemControl* control = GetItemControlAt(p);
  if (control && !control->CanHotTrack()) control = nullptr;
  if (FBar && FActive && !control) return;
  if (FCapturedControl) return;
  if (!control && FSelectedControl && FSelectedControl->HasSubMenu() && FSelectedControl->GetSubMenuControl()) return;
  SelectControlAndOpen(control);
}

void TCustomdxBarControl::BarMouseLeave(TMessage& Message) {
  if (FMarkState == 1) SetMarkState(0);
  TCustomControl::WndProc(Message);
  if ((FChildMenu && IsBarControlAlive(FChildMenu)) || IsCustomizing()) return;
  if (FSelectedControl && FSelectedControl->DroppedDown()) return;
  SelectControlAndOpen(nullptr);
}

void TCustomdxBarControl::BarLButtonDblClk(TMessage& Message) {
  TCustomControl::WndProc(Message);
  if (!FSelectedControl) return;
  const POINT p = MessagePoint(Message);
  const RECT client = ClientRect();
  if (!PtInRect(&client, p) || GetItemControlAt(p) != FSelectedControl) return;
  if (FSelectedControl->WantsDblClick())
    ItemDblClick(FSelectedControl);
  else
    SendMessage(Handle(), WM_LBUTTONDOWN, Message.WParam, Message.LParam);
}

void TCustomdxBarControl::BarRButtonDown(TMessage& Message) { TCustomControl::WndProc(Message); }

void TCustomdxBarControl::BarKeyDown(TMessage& Message) {
  TCustomControl::WndProc(Message);
  if (!GetActiveBarControl() || !FItemLinks) return;
  uint16_t key = static_cast<uint16_t>(Message.WParam);
  if (IsVerticalToolbar(this)) {
    // Arrows follow the bar: along it Up and Down, across it Left and Right.
    switch (key) {
      case VK_LEFT: key = VK_UP; break;
      case VK_UP: key = VK_LEFT; break;
      case VK_RIGHT: key = VK_DOWN; break;
      case VK_DOWN: key = VK_RIGHT; break;
      default: break;
    }
    Message.WParam = key;
  }
  bool previous = false, next = false;
  if (IsMenuLike()) {
    if (key == VK_LEFT || key == VK_RIGHT) return;
    previous = key == VK_UP;
    next = key == VK_DOWN;
  } else {
    previous = key == VK_LEFT;
    next = key == VK_RIGHT;
  }
  const bool ctrl = IsKeyDown(VK_CONTROL), shift = IsKeyDown(VK_SHIFT);
  if (key == VK_TAB) {
    if (ctrl) {
      SelectAdjacentToolbar(!shift);
      return;
    }
    (shift ? previous : next) = true;
  }
  TdxBarItemLink* current = FSelectedControl ? FSelectedControl->Link() : nullptr;
  TdxBarItemLink* target = nullptr;
  if (key == VK_HOME)
    target = FItemLinks->GetFirstSelectableLink();
  else if (key == VK_END)
    target = FItemLinks->GetLastSelectableLink();
  else if (previous)
    target = current ? FItemLinks->GetPrevSelectableLink(current) : FItemLinks->GetFirstSelectableLink();
  else if (next)
    target = current ? FItemLinks->GetNextSelectableLink(current) : FItemLinks->GetFirstSelectableLink();
  if (key == VK_HOME || key == VK_END || previous || next) {
    if (target && target->Control()) SelectControl(target->Control());
    return;
  }
  if ((key == VK_F10 && BarManager()->UseF10ForMenu()) || key == VK_MENU) {
    Message.WParam = 0;
    CloseAll();
    return;
  }
  const UINT ch = MapVirtualKey(key, MAPVK_VK_TO_CHAR);
  const bool accelerator = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
  if (!accelerator) return;
  TShiftState keyShift;
  if (shift) keyShift.Include(ssShift);
  if (ctrl) keyShift.Include(ssCtrl);
  if (IsKeyDown(VK_MENU)) keyShift.Include(ssAlt);
  TdxBarItemLink* found = FItemLinks->FindAcceleratedLink(key, keyShift, current);
  if (!found || !found->Item() || !found->Item()->GetEnabled() || !found->Control()) return;
  TdxBarItemLink* other = FItemLinks->FindAcceleratedLink(key, keyShift, found);
  const bool unique = !other || other == found;
  SelectControl(found->Control());
  if (unique && IsBarControlAlive(this) && HandleAllocated()) SendMessage(Handle(), WM_KEYDOWN, VK_RETURN, 0);
}
