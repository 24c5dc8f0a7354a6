// The tool bar window: its window, painting, keyboard menu mode and input.

#include <algorithm>

#include "forms/Forms.h"
#include "winapi/WinText.h"
#include "rtl/ScopeExit.h"
#include "ui/barcontrols/detail/dxBarControlsState.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItemControls.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/cxClasses.h"
#include "ui/base/dxOffice11.h"

using dxbarcontrols_detail::BarControlsState;
using dxbarcontrols_detail::BarControlsStateOrNull;

const char* const sdxBarMoreButtons = "Еще кнопки";

namespace {

constexpr UINT_PTR kMarkTimerId = 1;

POINT ToolbarMessagePoint(const TMessage& Message) {
  return POINT{static_cast<int16_t>(LOWORD(Message.LParam)), static_cast<int16_t>(HIWORD(Message.LParam))};
}

bool IsButtonControl(TdxBarItemControl* AControl) { return dynamic_cast<TdxBarButtonControl*>(AControl) != nullptr; }
bool IsSubItemControl(TdxBarItemControl* AControl) { return dynamic_cast<TdxBarSubItemControl*>(AControl) != nullptr; }

}  // namespace

// ---- the window ----------------------------------------------------------------------------------------------------

void TdxBarControl::BeforeDestruction() {
  StopMarkTimer();
  TCustomdxBarControl::BeforeDestruction();
  if (FRotatedFont) DeleteObject(FRotatedFont);
  FRotatedFont = nullptr;
}

void TdxBarControl::SetBar(TdxBar* ABar) {
  TCustomdxBarControl::SetBar(ABar);
  FHasCaption = true;
}

TCustomForm* TdxBarControl::GetOwnerForm() {
  if (FDockingStyle != dsNone && FDockControl) return FDockControl->GetOwnerForm();
  return BarManager()->OwnerForm();
}

bool TdxBarControl::Wraps() const { return FDockingStyle == dsNone || (FBar && FBar->MultiLine()); }

void TdxBarControl::CreateParams(TCreateParams& Params) {
  TCustomdxBarControl::CreateParams(Params);
  if (FDockingStyle != dsNone && Parent()) {
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.WndParent = Parent()->Handle();
  } else {
    Params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU | WS_THICKFRAME;
    TCustomForm* form = GetOwnerForm();
    Params.WndParent = form ? form->Handle() : nullptr;
  }
  Params.ExStyle = 0;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
}

void TdxBarControl::CreateWnd() {
  TCustomdxBarControl::CreateWnd();
  if (FBar) SetWindowText(Handle(), FBar->Caption().c_str());
  SendMessage(Handle(), WM_NCACTIVATE, 1, 0);
}

void TdxBarControl::UpdateMetrics() {
  TCustomdxBarControl::UpdateMetrics();
  FCaptionButtonWidth = GetSystemMetrics(SM_CXMENUSIZE) - 2;
  FCaptionButtonHeight = GetSystemMetrics(SM_CYMENUSIZE) - 4;
}

bool TdxBarControl::IsLastItemControl(TdxBarItemControl* AControl) {
  if (!FItemLinks || FItemLinks->AvailableItemCount() == 0 || !AControl) return false;
  return FItemLinks->AvailableItems(FItemLinks->AvailableItemCount() - 1) == AControl->Link();
}

bool TdxBarControl::AllowsItemCustomizing() {
  return TCustomdxBarControl::AllowsItemCustomizing() || (FBar && FBar->AllowCustomizing());
}

int32_t TdxBarControl::GetSeparatorSize() { return GetPainter()->GetToolbarSeparatorSize(this, !IsVertical()); }

HFONT TdxBarControl::GetFontHandle() {
  if (FBar && FBar->UseOwnFont() && FBar->FontHandle()) return FBar->FontHandle();
  return TCustomdxBarControl::GetFontHandle();
}

RECT TdxBarControl::GetItemRect(TdxBarItemControl* AControl) {
  if (!AControl || !AControl->Link()) return RECT{};
  RECT r = AControl->Link()->ItemRect();
  if (IsRectEmpty(&r)) return r;
  // Stretched across the whole row, centred on the item.
  const int32_t row = AControl->Link()->RowHeight();
  if (IsVertical()) {
    const int32_t extra = row - (r.right - r.left);
    if (extra > 0) {
      r.left -= extra / 2;
      r.right = r.left + row;
    }
  } else {
    const int32_t extra = row - (r.bottom - r.top);
    if (extra > 0) {
      r.top -= extra / 2;
      r.bottom = r.top + row;
    }
  }
  return r;
}

HRGN TdxBarControl::CreateItemRegion(TdxBarItemControl* AControl) {
  const RECT r = GetItemRect(AControl);
  HRGN region = CreateRectRgnIndirect(&r);
  if (AControl && !IsRectEmpty(&AControl->SeparatorRect)) {
    HRGN separator = CreateRectRgnIndirect(&AControl->SeparatorRect);
    CombineRgn(region, region, separator, RGN_OR);
    DeleteObject(separator);
  }
  return region;
}

HBRUSH TdxBarControl::GetBkBrush() { return GetPainter()->GetToolbarBkBrush(this); }

TdxBarItemControl* TdxBarControl::GetItemControlAtPos(POINT P, bool& ABeyondItem, bool& AVertical,
                                                      bool& ANearerStart) {
  TdxBarItemControl* found = TCustomdxBarControl::GetItemControlAtPos(P, ABeyondItem, AVertical, ANearerStart);
  const RECT client = ClientRect();
  if (found || !PtInRect(&client, P) || !FItemLinks) return found;
  ABeyondItem = false;
  ANearerStart = false;
  const bool vertical = IsVertical();
  const int32_t along = vertical ? P.y : P.x, across = vertical ? P.x : P.y;
  auto inRow = [&](const RECT& r) { return vertical ? across >= r.left && across < r.right : across >= r.top && across < r.bottom; };
  // The row the point lies in: its band across is the one of the control that ends it.
  TdxBarItemControl* rowEnd = nullptr;
  for (int32_t i = 0; i < FItemLinks->VisibleItemCount() && !rowEnd; ++i) {
    TdxBarItemControl* control = FItemLinks->VisibleItems(i)->Control();
    if (control && control->IsCustomizable() && control->EndsRow && inRow(GetItemRect(control))) rowEnd = control;
  }
  if (!rowEnd) return nullptr;
  const RECT endRect = GetItemRect(rowEnd);
  if (along >= (vertical ? endRect.top : endRect.left)) return rowEnd;
  ANearerStart = true;
  const TdxBarItemAlign align = rowEnd->GetAlign();
  if (align == iaCenter || align == iaRight) return rowEnd;
  // Before the row's last control on no item (a control a drop may not land on, or the space beside a
  // shorter one): the control of this row nearest the point, so that a drop lands in the row under it.
  TdxBarItemControl* nearest = rowEnd;
  int32_t best = (vertical ? endRect.top : endRect.left) - along;
  for (int32_t i = 0; i < FItemLinks->VisibleItemCount(); ++i) {
    TdxBarItemControl* control = FItemLinks->VisibleItems(i)->Control();
    if (!control || control == rowEnd || !control->IsCustomizable()) continue;
    const RECT r = GetItemRect(control);
    if (IsRectEmpty(&r) || !inRow(r)) continue;
    const int32_t start = vertical ? r.top : r.left, end = vertical ? r.bottom : r.right;
    const int32_t distance = along < start ? start - along : along - end + 1;
    if (distance < best) {
      best = distance;
      nearest = control;
      ANearerStart = along < start;
    }
  }
  return nearest;
}

bool TdxBarControl::HasMark() {
  if (!FBar || !FBar->ShowMark()) return false;
  return Truncated || (GetPainter()->IsQuickCustomizingSupported() && FBar->AllowQuickCustomizing());
}

bool TdxBarControl::IsSameMousePos(POINT AClientPoint) {
  if (TCustomdxBarControl::IsSameMousePos(AClientPoint)) return true;
  if (FDockingStyle == dsNone) return false;
  // A docked bar does not track the pointer while its form is not the active one.
  TCustomForm* form = GetOwnerForm();
  if (!form || !form->HandleAllocated()) return false;
  if (form->FormStyle() == fsMDIForm) return Application && !Application->Active();
  HWND active = GetActiveWindow();
  return active != form->Handle() && !IsChildWindowOf(active, form->Handle());
}

void TdxBarControl::RepaintItem(TdxBarItemControl* AControl) {
  TCustomdxBarControl::RepaintItem(AControl);
  if (!AControl || !AControl->Link() || BarManager()->UpdateLock() || !HandleAllocated()) return;
  const RECT r = GetItemRect(AControl);
  if (IsRectEmpty(&r)) return;
  InvalidateRect(Handle(), &r, FALSE);
  // Outside a rearrangement of the selection the item is drawn at once.
  if (!RepaintingSelection()) UpdateWindow(Handle());
}

void TdxBarControl::SetDockingStyle(TdxBarDockingStyle AStyle) {
  if (AStyle != FDockingStyle) Truncated = false;
  TCustomdxBarControl::SetDockingStyle(AStyle);
}

void TdxBarControl::UpdateFont() {
  if (FBar) SetFont(FBar->Font());
}

void TdxBarControl::UpdateAlphaBlend() {
  if (!HandleAllocated()) return;
  const uint8_t alpha = FDockingStyle == dsNone && FBar && !IsQuickCustomizeBar() ? FBar->AlphaBlendValue() : 255;
  SetLayeredAlpha(Handle(), alpha);
}

void TdxBarControl::UpdateRotatedFont() {
  if (FRotatedFont) DeleteObject(FRotatedFont);
  FRotatedFont = nullptr;
  if (!IsRotatedVerticalToolbar(this)) return;
  LOGFONT lf = Font()->LogFont();
  lf.lfEscapement = -900;
  lf.lfOrientation = -900;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  FRotatedFont = CreateFontIndirect(&lf);
}

bool TdxBarControl::IsNonClientHit(LRESULT AHitTest) { return AHitTest != HTCLIENT && FCloseButtonState != 1; }

void TdxBarControl::PainterChanged() {
  UpdateOpaque();
  UpdateMetrics();
  if (FDockingStyle != dsNone) {
    RebuildAndRepaint();
  } else if (HandleAllocated() && IsWindowVisible(Handle())) {
    ShowWindow(Handle(), SW_HIDE);
    RebuildAndRepaint();
    ShowWindow(Handle(), SW_SHOWNA);
  }
}

void TdxBarControl::UpdateFrame() {
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TdxBarControl::UpdateCaption() {
  if (!HandleAllocated() || !FBar) return;
  SetWindowText(Handle(), FBar->Caption().c_str());
  SendMessage(Handle(), WM_NCPAINT, 1, 0);
}

void TdxBarControl::RebuildAndRepaint() {
  UpdateDoubleBuffered();
  UpdateFrame();
  Rebuild();
}

void TdxBarControl::Rebuild() {
  if (FDestroying || !HandleAllocated() || BarManager()->UpdateLock()) return;
  if (IsCustomizing()) SelectControl(nullptr);
  DestroyItemControls();
  CreateItemControls();
  if (FDockingStyle != dsNone && FDockControl) {
    FDockControl->UpdateLayout();
  } else if (FDockingStyle == dsNone) {
    const SIZE size = CalcSizeForWidth(dsNone, ClientWidth());
    if (size.cx != ClientWidth() || size.cy != ClientHeight()) {
      BeginInternalChange();
      ScopeExit end([&] { EndInternalChange(); });
      SetClientWidth(size.cx);
      SetClientHeight(size.cy);
    }
  }
  CalcItemRects();
  Invalidate();
  if (IsDoubleBufferNeeded()) SendMessage(Handle(), WM_NCPAINT, 1, 0);
}

// ---- background and painting --------------------------------------------------------------------------------

void TdxBarControl::DrawBackground(HDC DC, const RECT& R, bool AClientCoords, TColor AColor, HBRUSH ABrush) {
  TBitmap* own = FBar ? FBar->BackgroundBitmap() : nullptr;
  RECT origin = R;
  if (AClientCoords) {
    const POINT offset = GetClientOffset();
    OffsetRect(&origin, offset.x, offset.y);
  }
  if (own && !own->Empty()) {
    FillRectOrBitmap(DC, R, origin, own, AColor, ABrush);
  } else if (FBar && FBar->IsBottomWholeRow() && BarManager()->Backgrounds()->Bar()->Empty()) {
    RECT window{0, 0, Width(), Height()};
    if (AClientCoords) {
      const POINT offset = GetClientOffset();
      OffsetRect(&window, -offset.x, -offset.y);
    }
    bool hadRegion = false;
    HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
    AddClipRect(DC, R);
    GetPainter()->DrawToolbarBackground(this, DC, AColor, ABrush, window, origin);
    RestoreSavedClipRegion(DC, saved, hadRegion);
  } else if (!FBar || FBar->Color() == clDefault) {
    TCustomdxBarControl::DrawBackground(DC, R, AClientCoords, AColor, ABrush);
  } else {
    FillRectWithColor(DC, R, FBar->Color());
  }
}

bool TdxBarControl::HasBackgroundBitmap() {
  return TCustomdxBarControl::HasBackgroundBitmap() || (FBar && !FBar->BackgroundBitmap()->Empty()) ||
         !BarManager()->Backgrounds()->Bar()->Empty();
}

bool TdxBarControl::IsDoubleBufferNeeded() {
  return (FBar && (FBar->Color() != clDefault || !FBar->BackgroundBitmap()->Empty())) ||
         !BarManager()->Backgrounds()->Bar()->Empty() || TCustomdxBarControl::IsDoubleBufferNeeded();
}

POINT TdxBarControl::GetClientOffset() {
  if (!HandleAllocated()) return POINT{0, 0};
  POINT client{0, 0};
  ::ClientToScreen(Handle(), &client);
  RECT window;
  GetWindowRect(Handle(), &window);
  return POINT{client.x - window.left, client.y - window.top};
}

RECT TdxBarControl::GetMarkRect() { return GetPainter()->GetMarkRect(this); }

void TdxBarControl::DrawItem(HDC DC, TdxBarItemControl* AControl) {
  const RECT r = GetItemRect(AControl);
  if (IsRectEmpty(&r)) return;
  bool hadRegion = false;
  HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
  AddClipRect(DC, r);
  AControl->Draw(r, AControl->PaintType());
  RestoreSavedClipRegion(DC, saved, hadRegion);
}

void TdxBarControl::Paint() {
  TCustomForm* form = GetOwnerForm();
  if (FDestroying || !FItemLinks || (form && form->HandleAllocated() && !IsWindowVisible(form->Handle()))) return;
  CalcItemRects();
  HDC dc = Canvas()->Handle();
  HGDIOBJ oldFont = SelectObject(dc, FRotatedFont ? FRotatedFont : Canvas()->Font()->Handle());
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  FCachedBkBrush = GetBkBrush();
  const RECT client = ClientRect();
  HRGN rest = CreateRectRgnIndirect(&client);
  const bool vertical = IsVertical();
  const int32_t sepSize = GetSeparatorSize();
  const int32_t markAllowance = FDockingStyle != dsNone && HasMark() ? 11 : 0;
  TdxBarItemControlPainterClass painter = GetPainter();
  for (int32_t i = 0; i < FItemLinks->VisibleItemCount(); ++i) {
    TdxBarItemLink* link = FItemLinks->VisibleItems(i);
    TdxBarItemControl* control = link->Control();
    if (!control) continue;
    control->SeparatorRect = RECT{};
    const RECT item = link->ItemRect();
    if (IsRectEmpty(&item)) continue;
    DrawItem(dc, control);
    ExcludeRectFromRegion(rest, GetItemRect(control));
    if (!link->GetBeginGroup()) continue;
    const int32_t row = link->RowHeight();
    RECT sep;
    bool lineAcross;  // the separator line runs horizontally
    if (!vertical) {
      const int32_t rowTop = item.top - (row - (item.bottom - item.top)) / 2;
      if (item.left == 0 && item.top > 0) {
        sep = RECT{0, rowTop - sepSize, client.right - markAllowance, rowTop};
        lineAcross = true;
      } else {
        sep = RECT{item.left - sepSize, rowTop, item.left, rowTop + row};
        lineAcross = false;
      }
    } else {
      const int32_t colLeft = item.left - (row - (item.right - item.left)) / 2;
      if (item.top > 0) {
        sep = RECT{colLeft, item.top - sepSize, colLeft + row, item.top};
        lineAcross = true;
      } else {
        const int32_t right = item.right + (row - (item.right - item.left)) / 2;
        sep = RECT{right, 0, right + sepSize, client.bottom - markAllowance};
        lineAcross = false;
      }
    }
    control->SeparatorRect = sep;
    ExcludeRectFromRegion(rest, sep);
    painter->DrawSeparator(this, dc, lineAcross, FCachedBkBrush, sep);
  }
  if (HasCaptionButtons()) {
    auto& S = BarControlsState();
    const int32_t first = BarManager()->GetActiveMDIChild() ? 0 : 2;
    for (int32_t i = first; i <= 2; ++i) {
      DrawCaptionButton(i, S.CaptionButtonHot && S.HotCaptionButton == i,
                        S.CaptionButtonPressed && S.PressedCaptionButton == i);
      ExcludeRectFromRegion(rest, GetCaptionButtonRect(i));
    }
  }
  if (FDockingStyle != dsNone && HasMark()) {
    const RECT mark = painter->GetMarkArea(this);
    painter->DrawMark(this, dc, FCachedBkBrush, mark);
    ExcludeRectFromRegion(rest, mark);
  }
  FillNonClientArea(dc, rest, true, FCachedBkBrush);
  DeleteObject(rest);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

void TdxBarControl::DrawCaptionButton(int32_t AIndex, bool AHot, bool APressed) {
  if (!HandleAllocated()) return;
  HDC dc = GetDC(Handle());
  GetPainter()->DrawMDIButton(this, AIndex, GetCaptionButtonRect(AIndex), dc, APressed, AHot);
  ReleaseDC(Handle(), dc);
}

// ---- the mark -------------------------------------------------------------------------------------------------------

void TdxBarControl::SetMarkState(uint8_t AState) {
  if (IsCustomizing() || AState == FMarkState) return;
  FMarkState = AState;
  StopMarkTimer();
  if (AState == 2) {
    // The quick-customize bar drops from the mark here; until it exists the mark only shows it pressed.
    PlayMenuSound(0);
  } else if (AState == 1 && FDockingStyle == dsNone && HandleAllocated()) {
    FMarkTimer = SetTimer(Handle(), kMarkTimerId, 50, nullptr) != 0;
  }
  if (AState == 1) SetHint(TranslateString(sdxBarMoreButtons));
  if (AState == 0 && !FSelectedControl) SetHint(String());
  GetPainter()->InvalidateMark(this);
}

void TdxBarControl::StopMarkTimer() {
  if (FMarkTimer && HandleAllocated()) KillTimer(Handle(), kMarkTimerId);
  FMarkTimer = false;
}

void TdxBarControl::MarkTimerTick() {
  POINT p;
  GetCursorPos(&p);
  p = ScreenToClient(p);
  const RECT mark = GetMarkRect();
  if (HandleAllocated() && IsWindowVisible(Handle()) && PtInRect(&mark, p)) return;
  StopMarkTimer();
  if (FMarkState == 1) SetMarkState(0);
}

// ---- menu mode --------------------------------------------------------------------------------------------------

void TdxBarControl::EnterMenuMode(TdxBarItemControl* AControl) {
  POINT cursor;
  GetCursorPos(&cursor);
  if (HWND under = FindDeepestWindowAtPoint(cursor); under && under != Handle())
    if (auto* other = dynamic_cast<TCustomdxBarControl*>(FindControl(under)))
      CancelMouseLeaveTracking(other->Handle());
  TCustomForm* form = GetOwnerForm();
  if (form) form->SendCancelMode(this);
  FSavedFocus = GetFocus();
  if (!IsCustomizing() && form && form->HandleAllocated())
    SetWindowPos(form->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!AControl && FItemLinks)
    if (TdxBarItemLink* first = FItemLinks->GetFirstSelectableLink())
      for (int32_t i = FItemLinks->IndexOfVisible(first); i >= 0 && i < FItemLinks->VisibleItemCount(); ++i)
        if (TdxBarItemControl* c = FItemLinks->VisibleItems(i)->Control()) {
          AControl = c;
          break;
        }
  SelectControl(AControl);
  if (!IsBarControlAlive(this)) return;
  SetActive(true);
  BarManager()->SetMenuModeBar(this);
}

void TdxBarControl::ExitMenuMode() {
  TdxBarManager* manager = BarManager();
  if (manager->MenuModeBar() != this) return;
  manager->SetMenuModeBar(nullptr);
  SelectControl(nullptr);
  SetActive(false);
  // The bar window under the pointer takes it up again where it is.
  POINT cursor;
  GetCursorPos(&cursor);
  if (HWND under = FindDeepestWindowAtPoint(cursor))
    if (auto* other = dynamic_cast<TCustomdxBarControl*>(FindControl(under))) {
      other->SetLastMousePos(POINT{-1, -1});
      POINT p = cursor;
      ::ScreenToClient(under, &p);
      PostMessage(under, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
    }
  TCustomForm* form = GetOwnerForm();
  if (Application && Application->Active() && form && form->Active() && FSavedFocus && IsWindowVisible(FSavedFocus))
    ::SetFocus(FSavedFocus);
}

void TdxBarControl::SetActive(bool AValue) {
  if (!AValue) {
    if (IsCustomizing()) SelectControlAndOpen(nullptr);
    if (FActive && FSelectedControl && FSelectedControl->DroppedDown()) FSelectedControl->Deactivate(true);
    FMenusDropped = false;
    if (!IsCustomizing()) ExitMenuMode();
  }
  TCustomdxBarControl::SetActive(AValue);
  if (IsBarControlAlive(this) && !AValue) ExitMenuMode();
}

void TdxBarControl::SelectControl(TdxBarItemControl* AControl) {
  TCustomdxBarControl::SelectControl(AControl);
  if (!IsBarControlAlive(this) || !AControl || FSelectedControl != AControl || AControl->IsActive() ||
      IsCustomizing())
    return;
  if (IsSubItemControl(AControl))
    AControl->PrepareClick(false);
  else
    AControl->Activate(false);
}

void TdxBarControl::CloseAll() {
  ExitMenuMode();
  if (IsBarControlAlive(this)) TCustomdxBarControl::CloseAll();
}

// ---- input ----------------------------------------------------------------------------------------------------------

bool TdxBarControl::HasCaptionButtons() {
  return FBar && FBar->IsMainMenu() && (BarManager()->GetActiveMDIChild() || BarManager()->ShowCloseButton());
}

int32_t TdxBarControl::CaptionButtonAt(POINT P) {
  if (!HasCaptionButtons()) return -1;
  const int32_t first = BarManager()->GetActiveMDIChild() ? 0 : 2;
  for (int32_t i = first; i <= 2; ++i) {
    const RECT r = GetCaptionButtonRect(i);
    if (PtInRect(&r, P)) return i;
  }
  return -1;
}

void TdxBarControl::BarLButtonDown(TMessage& Message) {
  if (FIgnoreNextClick) return;
  TdxBarManager* manager = BarManager();
  TCustomForm* form = GetOwnerForm();
  if (!manager->HideFloatingBarsWhenInactive() && FDockingStyle == dsNone && !IsQuickCustomizeBar() && form &&
      form->HandleAllocated())
    SetActiveWindow(form->Handle());
  const POINT p = ToolbarMessagePoint(Message);
  const RECT client = ClientRect();
  TdxBarItemControl* control = PtInRect(&client, p) ? GetItemControlAt(p) : nullptr;
  const bool counts =
      control && ((control->GetEnabled() && control->IsSelectable()) || manager->IsDesigning());
  if (counts) {
    if (IsCustomizing()) {
      if (!FActive) EnterMenuMode(control);
    } else {
      const bool wasDropped = FMenusDropped;
      if (FActive && FSelectedControl != control) {
        FMenusDropped = false;
        SelectControl(control);
      } else if (!FActive) {
        EnterMenuMode(control);
      } else if (!IsButtonControl(control) && wasDropped) {
        ExitMenuMode();
      }
      if (!IsBarControlAlive(this)) return;
      if (FActive && !control->IsWindowControl()) FMenusDropped = true;
    }
  } else if (FActive) {
    SetActive(false);
  }
  if (!IsBarControlAlive(this)) return;
  TCustomdxBarControl::BarLButtonDown(Message);
  if (!IsBarControlAlive(this)) return;
  if (!IsCustomizing()) {
    const int32_t button = CaptionButtonAt(p);
    if (button >= 0) {
      auto& S = BarControlsState();
      S.CaptionButtonPressed = S.CaptionButtonHot = true;
      S.PressedCaptionButton = S.HotCaptionButton = button;
      DrawCaptionButton(button, true, true);
      SetCapture(Handle());
      return;
    }
  }
  if (FLastHitTest == HTCAPTION) {
    // The bars' drag loop takes the bar from here: it needs the point of the window the pointer holds.
    POINT screen = ClientToScreen(p);
    RECT window;
    GetWindowRect(Handle(), &window);
    FDragGrabX = screen.x - window.left;
    FDragGrabY = screen.y - window.top;
    FDragWidth = window.right - window.left;
    FDragHeight = window.bottom - window.top;
    return;
  }
  const RECT mark = GetMarkRect();
  if (GetPainter()->IsQuickCustomizingSupported() && HasMark() && PtInRect(&mark, p)) {
    SetMarkState(FMarkState != 2 ? 2 : 1);
    return;
  }
  if (!IsCustomizing() && !PtInRect(&client, p)) {
    const POINT screen = ClientToScreen(p);
    SendMessage(Handle(), WM_NCLBUTTONDOWN, static_cast<WPARAM>(FLastHitTest),
                MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
  }
}

void TdxBarControl::BarLButtonUp(TMessage& Message) {
  FIgnoreNextClick = false;
  auto& S = BarControlsState();
  if (HasCaptionButtons() && S.CaptionButtonPressed) {
    const int32_t pressed = S.PressedCaptionButton;
    ReleaseCapture();
    S.CaptionButtonPressed = S.CaptionButtonHot = false;
    DrawCaptionButton(pressed, false, false);
    if (CaptionButtonAt(ToolbarMessagePoint(Message)) == pressed) {
      static const WPARAM kCommands[] = {SC_MINIMIZE, SC_RESTORE, SC_CLOSE};
      if (HWND child = BarManager()->GetActiveMDIChild())
        SendMessage(child, WM_SYSCOMMAND, kCommands[pressed], 0);
      else
        BarManager()->DoCloseButtonClick();
    }
  }
  if (!IsBarControlAlive(this)) return;
  TCustomdxBarControl::BarLButtonUp(Message);
}

void TdxBarControl::BarMouseMove(TMessage& Message) {
  const POINT p = ToolbarMessagePoint(Message);
  auto& S = BarControlsState();
  if (HasCaptionButtons()) {
    if (S.CaptionButtonPressed) {
      const bool hot = CaptionButtonAt(p) == S.PressedCaptionButton;
      if (hot != S.CaptionButtonHot) {
        S.CaptionButtonHot = hot;
        DrawCaptionButton(S.PressedCaptionButton, hot, true);
      }
      return;
    }
    const int32_t hotButton = CaptionButtonAt(p);
    const bool hot = hotButton >= 0;
    if (hot != S.CaptionButtonHot || (hot && hotButton != S.HotCaptionButton)) {
      const int32_t old = S.CaptionButtonHot ? S.HotCaptionButton : -1;
      S.CaptionButtonHot = hot;
      S.HotCaptionButton = hotButton;
      if (old >= 0) DrawCaptionButton(old, false, false);
      if (hot) DrawCaptionButton(hotButton, true, false);
    }
  }
  bool resetMark = false;
  if (!IsSameMousePos(p) && !GetActiveBarControl()) {
    TdxBarItemControlPainterClass painter = GetPainter();
    if (painter->IsQuickCustomizingSupported() && HasMark() && FMarkState != 2) {
      const RECT mark = GetMarkRect();
      if (PtInRect(&mark, p))
        SetMarkState(1);
      else
        resetMark = true;
    }
    if (FDockingStyle == dsNone && FBar && FBar->CanClose() && painter->AllowsFloatingDragByCaption()) {
      const RECT close = GetCloseButtonRect();
      if (PtInRect(&close, p)) {
        if (!IsMouseLeaveTracked(Handle())) StartMouseLeaveTracking(Handle());
        SetCloseButtonState(1);
      } else {
        SetCloseButtonState(0);
      }
    }
  }
  TCustomdxBarControl::BarMouseMove(Message);
  if (resetMark && IsBarControlAlive(this)) SetMarkState(0);
}

void TdxBarControl::BarMouseLeave(TMessage& Message) {
  if (FActive) {
    if (FSelectedControl && IsButtonControl(FSelectedControl)) FSelectedControl->Repaint();
    return;
  }
  TCustomdxBarControl::BarMouseLeave(Message);
  if (!IsBarControlAlive(this)) return;
  SetCloseButtonState(0);
  auto& S = BarControlsState();
  if (HasCaptionButtons() && S.CaptionButtonHot && !S.CaptionButtonPressed) {
    S.CaptionButtonHot = false;
    DrawCaptionButton(S.HotCaptionButton, false, false);
  }
}

void TdxBarControl::BarLButtonDblClk(TMessage& Message) {
  const POINT p = ToolbarMessagePoint(Message);
  const RECT mark = GetMarkRect();
  if (GetPainter()->IsQuickCustomizingSupported() && HasMark() && PtInRect(&mark, p)) {
    SetMarkState(FMarkState != 2 ? 2 : 1);
  }
  TCustomdxBarControl::BarLButtonDblClk(Message);
}

void TdxBarControl::BarRButtonDown(TMessage& Message) {
  if (GetCapture() == Handle()) ReleaseCapture();
  if (IsCustomizing()) SetActive(false);
  TCustomdxBarControl::BarRButtonDown(Message);
}

void TdxBarControl::BarKeyDown(TMessage& Message) {
  if (GetActiveBarControl() && ForwardKey(static_cast<uint16_t>(Message.WParam))) return;
  TCustomdxBarControl::BarKeyDown(Message);
  if (!IsBarControlAlive(this) || !GetActiveBarControl()) return;
  const uint16_t key = static_cast<uint16_t>(Message.WParam);
  TdxBarItemControl* selection = FSelectedControl;
  switch (key) {
    case VK_RETURN:
    case VK_UP:
    case VK_DOWN:
      if (!selection) return;
      if (IsSubItemControl(selection)) {
        if (selection->GetEnabled()) FMenusDropped = true;
        selection->PerformClick(false);
      } else if (key == VK_RETURN) {
        selection->PerformClick(false);
      }
      return;
    case VK_ESCAPE:
      Message.WParam = 0;
      CloseAll();
      return;
    default: return;
  }
}

// ---- messages -------------------------------------------------------------------------------------------------------

void TdxBarControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
      return;
    case WM_NCCALCSIZE: {
      if (!FBar) break;
      RECT* r = reinterpret_cast<RECT*>(Message.LParam);
      const RECT window = *r;
      TCustomdxBarControl::WndProc(Message);
      CalcNonClientSize(window, *r);
      return;
    }
    case WM_NCHITTEST:
      if (!FBar) break;
      Message.Result = HitTest(POINT{static_cast<int16_t>(LOWORD(Message.LParam)),
                                     static_cast<int16_t>(HIWORD(Message.LParam))});
      if (IsNonClientHit(Message.Result) && HandleAllocated()) CancelMouseLeaveTracking(Handle());
      return;
    case WM_NCPAINT:
      TCustomdxBarControl::WndProc(Message);
      PaintNonClient();
      return;
    case WM_NCLBUTTONDOWN: {
      CloseAll();
      if (!IsBarControlAlive(this)) return;
      if (Message.WParam != HTCLOSE) break;
      CloseButtonLoop();
      return;
    }
    case WM_GETMINMAXINFO: {
      TCustomdxBarControl::WndProc(Message);
      auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
      info->ptMinTrackSize = POINT{10, 10};
      info->ptMaxTrackSize = info->ptMaxSize = info->ptMaxPosition = POINT{30000, 30000};
      return;
    }
    case WM_WINDOWPOSCHANGING:
      TCustomdxBarControl::WndProc(Message);
      if (FDockingStyle == dsNone && !IsInternalChange())
        KeepOnScreen(*reinterpret_cast<WINDOWPOS*>(Message.LParam));
      return;
    case WM_WINDOWPOSCHANGED:
      TCustomdxBarControl::WndProc(Message);
      if (!IsInternalChange() && !FDestroying && !ComponentState().Contains(csDestroying)) StorePosition();
      return;
    case WM_SIZING:
      TCustomdxBarControl::WndProc(Message);
      if (FDockingStyle == dsNone) {
        Sizing(static_cast<UINT>(Message.WParam), *reinterpret_cast<RECT*>(Message.LParam));
        Message.Result = 1;
      }
      return;
    case WM_SIZE:
      if (ComponentState().Contains(csDestroying)) return;
      break;
    case WM_SETCURSOR:
      if (static_cast<int16_t>(LOWORD(Message.LParam)) == HTCLIENT && FBar && !FDragging && FBar->IsDockable() &&
          reinterpret_cast<HWND>(Message.WParam) == Handle()) {
        POINT p;
        GetCursorPos(&p);
        p = ScreenToClient(p);
        const RECT grip = GetDragGripRect();
        if (PtInRect(&grip, p)) {
          ::SetCursor(Screen ? Screen->Cursors(crSizeAll) : LoadCursor(nullptr, IDC_SIZEALL));
          Message.Result = 1;
          return;
        }
      }
      break;
    case WM_MOUSEACTIVATE:
      TCustomdxBarControl::WndProc(Message);
      if (FDockingStyle == dsNone && !FActive && HandleAllocated())
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return;
    case WM_CANCELMODE: {
      auto& S = BarControlsState();
      if (S.CaptionButtonPressed || S.CaptionButtonHot) {
        if (GetCapture() == Handle()) ReleaseCapture();
        const int32_t hot = S.HotCaptionButton, pressed = S.PressedCaptionButton;
        S.CaptionButtonPressed = S.CaptionButtonHot = false;
        if (hot >= 0) DrawCaptionButton(hot, false, false);
        if (pressed >= 0 && pressed != hot) DrawCaptionButton(pressed, false, false);
      }
      break;
    }
    case WM_SETFOCUS:
      return;
    case WM_TIMER:
      if (Message.WParam == kMarkTimerId) {
        MarkTimerTick();
        return;
      }
      break;
    case WM_DESTROY:
      StopMarkTimer();
      break;
    case WM_LBUTTONDBLCLK:
      if (FLastHitTest == HTCAPTION && FBar && !BarManager()->IsDesigning()) {
        // The window goes away on the way: nothing touches it afterwards.
        ToggleDocking();
        return;
      }
      break;
    case CM_FONTCHANGED: {
      Canvas()->Font()->Assign(Font());
      UpdateRotatedFont();
      UpdateMetrics();
      if (!IsInternalChange()) {
        SelectControlAndOpen(nullptr);
        Rebuild();
      }
      TCustomControl::WndProc(Message);
      return;
    }
    default:
      break;
  }
  TCustomdxBarControl::WndProc(Message);
}
