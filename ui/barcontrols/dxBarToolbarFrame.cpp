// The tool bar window's frame and its life between docks: the non-client area of a docked bar (border,
// drag grip, size grip) and of a floating one (frame, small caption, close button), the hit-test codes
// that decide what a press on the frame does, the close button's own loop, keeping a floating bar on
// screen, floating and docking by a double click, and the position written back to the bar.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/ScopeExit.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/bars/dxBarCommon.h"

// ---- non-client size and hit test -----------------------------------------------------------------------------

void TdxBarControl::CalcNonClientSize(const RECT& AWindow, RECT& R) {
  TdxBarManager* manager = BarManager();
  TdxBarItemControlPainterClass painter = GetPainter();
  FSizeGripShown = FBar->HasSizeGrip();
  if (FDockingStyle != dsNone) {
    if (FBar->BorderStyle() == bbsSingle) {
      const RECT b = painter->GetDockedBorderSizes(FBar, FDockingStyle);
      const int32_t grip = manager->GetGripSize(FBar);
      R.left += b.left + (IsVertical() ? 0 : grip);
      R.top += b.top + (IsVertical() ? grip : 0);
      R.right -= b.right;
      R.bottom -= b.bottom;
    } else if (FBar->IsBottomWholeRow()) {
      R.top += painter->GetBottomBarExtraHeight(manager);
      if (FSizeGripShown) R.right -= painter->GetSizeGripSize(manager).cx;
    }
  } else {
    if (!painter->UsesDefaultNonClientSize()) {
      // The frame is the painter's: the window rectangle loses the manager's floating frame.
      R = AWindow;
      InflateRect(&R, -manager->GetFloatingFrameWidth(), -manager->GetFloatingFrameHeight());
    }
    if (FHasCaption) {
      R.top += painter->GetCaptionHeight() + painter->GetFloatingInnerTop();
      R.left += painter->GetFloatingInnerBorder();
      R.right -= painter->GetFloatingInnerBorder();
      R.bottom -= painter->GetFloatingInnerBottom();
    }
  }
  if (R.right < R.left) R.right = R.left;
  if (R.bottom < R.top) R.bottom = R.top;
}

LRESULT TdxBarControl::HitTest(POINT AScreenPoint) {
  TMessage test{WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(AScreenPoint.x), static_cast<WORD>(AScreenPoint.y)), 0};
  TCustomControl::WndProc(test);
  LRESULT result = test.Result;
  // A part of the window outside the client area and outside any frame the window system knows of.
  if (result == HTBORDER) result = HTNOWHERE;
  FLastHitTest = 0;
  const POINT p = ScreenToClient(AScreenPoint);
  TdxBarItemControl* control = result == HTCLIENT ? GetItemControlAt(p) : nullptr;
  const bool usable =
      control && (IsCustomizing() || (control->GetEnabled() && control->IsSelectable()));
  const RECT mark = GetMarkRect();
  if (FDockingStyle != dsNone) {
    if ((result == HTCLIENT && usable) || (result != HTCLIENT && result != HTNOWHERE)) {
      FLastHitTest = static_cast<int32_t>(result);
      return HTCLIENT;
    }
    const bool inRow = IsVertical() ? p.y >= 0 : p.x >= 0;
    if (inRow && (CaptionButtonAt(p) >= 0 || (HasMark() && PtInRect(&mark, p)))) {
      FLastHitTest = static_cast<int32_t>(result);
      return result;
    }
    if (FSizeGripShown) {
      RECT window;
      GetWindowRect(Handle(), &window);
      const SIZE grip = GetPainter()->GetSizeGripSize(BarManager());
      const RECT gripRect{window.right - grip.cx, window.bottom - grip.cy, window.right, window.bottom};
      if (PtInRect(&gripRect, AScreenPoint)) {
        FLastHitTest = HTBOTTOMRIGHT;
        return HTBOTTOMRIGHT;
      }
    }
    FLastHitTest = HTCAPTION;
    return HTCLIENT;
  }
  switch (result) {
    case HTNOWHERE: {
      if (!IsCustomizing() && HasCaptionMark() && PtInRect(&mark, p)) {
        FLastHitTest = HTCLIENT;
        return HTCLIENT;
      }
      const RECT close = GetCloseButtonRect();
      if (!FBar->CanClose() || !PtInRect(&close, p)) {
        FLastHitTest = HTCAPTION;
        return HTCLIENT;
      }
      if (!GetPainter()->ReportsCloseButtonHit()) {
        FLastHitTest = HTCLOSE;
        return HTCLIENT;
      }
      FLastHitTest = HTCLIENT;
      return HTCLOSE;
    }
    case HTCLIENT:
      FLastHitTest = usable || CaptionButtonAt(p) >= 0 ? HTCLIENT : HTCAPTION;
      return HTCLIENT;
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT: {
      // Corners act as the edge they lie on: a floating bar sizes along one direction at a time.
      RECT window;
      GetWindowRect(Handle(), &window);
      const int32_t frame = BarManager()->GetFloatingFrameHeight();
      const bool top = result == HTTOPLEFT || result == HTTOPRIGHT;
      const bool left = result == HTTOPLEFT || result == HTBOTTOMLEFT;
      LRESULT code;
      if (top)
        code = AScreenPoint.y < window.top + frame ? HTTOP : (left ? HTLEFT : HTRIGHT);
      else
        code = AScreenPoint.y >= window.bottom - frame ? HTBOTTOM : (left ? HTLEFT : HTRIGHT);
      FLastHitTest = static_cast<int32_t>(code);
      return code;
    }
    default:
      FLastHitTest = static_cast<int32_t>(result);
      return result;
  }
}

// ---- caption and close button ---------------------------------------------------------------------------------

RECT TdxBarControl::GetCaptionRect() {
  if (!HandleAllocated() || FDockingStyle != dsNone) return RECT{};
  TdxBarManager* manager = BarManager();
  const int32_t fw = manager->GetFloatingFrameWidth(), fh = manager->GetFloatingFrameHeight();
  return RECT{fw, fh, Width() - fw, fh + GetPainter()->GetSmallCaptionHeight()};
}

RECT TdxBarControl::GetCloseButtonRect() {
  const RECT caption = GetCaptionRect();
  if (IsRectEmpty(&caption)) return RECT{};
  const int32_t side = caption.bottom - caption.top;
  RECT r{caption.right - side, caption.top, caption.right, caption.bottom};
  const SIZE glyph = GetPainter()->GetCaptionButtonSize();
  if (glyph.cx < side) {
    r.left += (side - glyph.cx) / 2;
    r.right = r.left + glyph.cx;
  }
  if (glyph.cy < side) {
    r.top += (side - glyph.cy) / 2;
    r.bottom = r.top + glyph.cy;
  }
  // Kept in client coordinates (above the client area, so its y values are negative).
  const POINT offset = GetClientOffset();
  OffsetRect(&r, -offset.x, -offset.y);
  return r;
}

bool TdxBarControl::HasCloseButton() { return FDockingStyle == dsNone && FHasCaption && FBar && FBar->CanClose(); }

bool TdxBarControl::HasCaptionMark() { return FDockingStyle == dsNone && FHasCaption && HasMark(); }

void TdxBarControl::DrawCloseButton(HDC DC) {
  RECT r = GetCloseButtonRect();
  const POINT offset = GetClientOffset();
  OffsetRect(&r, offset.x, offset.y);
  GetPainter()->DrawCloseButton(this, DC, r);
}

void TdxBarControl::DrawCaptionMark(HDC DC) {
  RECT r = GetMarkRect();
  const POINT offset = GetClientOffset();
  OffsetRect(&r, offset.x, offset.y);
  GetPainter()->DrawCaptionMenuButton(this, DC, r);
}

void TdxBarControl::SetCloseButtonState(uint8_t AState) {
  if (FCloseButtonState == AState) return;
  FCloseButtonState = AState;
  if (HandleAllocated() && FDockingStyle == dsNone) {
    HDC dc = GetWindowDC(Handle());
    DrawCloseButton(dc);
    ReleaseDC(Handle(), dc);
  }
}

void TdxBarControl::CloseButtonLoop() {
  TdxBarManager* manager = BarManager();
  TdxBar* bar = FBar;
  TCustomForm* form = GetOwnerForm();
  if (!manager->HideFloatingBarsWhenInactive() && form && form->HandleAllocated()) SetActiveWindow(form->Handle());
  SetCloseButtonState(2);
  SetCapture(Handle());
  bool released = false;
  MSG msg;
  while (GetCapture() == Handle()) {
    const BOOL got = GetMessage(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (!got) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == Handle()) {
      const POINT p{static_cast<int16_t>(LOWORD(msg.lParam)), static_cast<int16_t>(HIWORD(msg.lParam))};
      const RECT close = GetCloseButtonRect();
      SetCloseButtonState(PtInRect(&close, p) ? 2 : 1);
    } else if (msg.message == WM_LBUTTONUP) {
      released = FCloseButtonState == 2;
      break;
    } else {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  if (GetCapture() == Handle()) ReleaseCapture();
  SetCloseButtonState(0);
  if (!released) return;
  // Hiding the bar frees this window: only the bar and the manager are used from here on.
  bar->SetVisible(false);
  manager->DoBarClose(bar);
}

// ---- non-client painting --------------------------------------------------------------------------------------

void TdxBarControl::PaintNonClient() {
  if (!FBar || !HandleAllocated()) return;
  HDC dc = GetWindowDC(Handle());
  TdxBarItemControlPainterClass painter = GetPainter();
  const RECT window{0, 0, Width(), Height()};
  const POINT offset = GetClientOffset();
  RECT client = ClientRect();
  OffsetRect(&client, offset.x, offset.y);
  FCachedBkBrush = GetBkBrush();
  const bool docked = FDockingStyle != dsNone;
  if ((docked && FBar->BorderStyle() == bbsSingle) || !docked) {
    RECT inner;
    if (docked) {
      const RECT b = painter->GetBorderSizes(this, FDockingStyle);
      inner = RECT{window.left + b.left, window.top + b.top, window.right - b.right, window.bottom - b.bottom};
    } else {
      painter->DrawFloatingFrame(this, dc, FCachedBkBrush, BarManager()->GetFloatingFrameWidth(), window);
      inner = client;
      if (FHasCaption) {
        inner.left -= painter->GetFloatingInnerBorder();
        inner.right += painter->GetFloatingInnerBorder();
        inner.top -= painter->GetFloatingInnerTop();
        inner.bottom += painter->GetFloatingInnerBottom();
      }
    }
    HRGN ring = CreateRectRgnIndirect(&inner);
    ExcludeRectFromRegion(ring, client);
    FillNonClientArea(dc, ring, false, FCachedBkBrush);
    DeleteObject(ring);
    if (docked)
      painter->DrawDockedBorder(this, dc, FCachedBkBrush, window);
    else if (FHasCaption)
      painter->DrawFloatingCaption(this, dc, FCachedBkBrush, true, GetCaptionRect());
  } else if (FBar->IsBottomWholeRow()) {
    const int32_t top = painter->GetBottomBarExtraHeight(BarManager());
    painter->DrawBarSizeGripArea(this, dc, FCachedBkBrush, RECT{0, 0, window.right, top});
    if (FSizeGripShown) {
      const int32_t grip = painter->GetSizeGripSize(BarManager()).cx;
      painter->DrawBarSizeGrip(this, dc, FCachedBkBrush, RECT{window.right - grip, top, window.right, window.bottom});
    }
  }
  ReleaseDC(Handle(), dc);
}

// ---- docking -------------------------------------------------------------------------------------------------------

void TdxBarControl::RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) {
  if (!FBar || ComponentState().Contains(csDestroying)) return;
  BeginInternalChange();
  ScopeExit end([&] { EndInternalChange(); });
  if (HandleAllocated()) DestroyHandle();
  SetDockControl(ADock);
  SetDockingStyle(AStyle);
  SetParent(ADock);
  HandleNeeded();
  UpdateFrame();
}

void TdxBarControl::SetDragging(bool AValue) {
  if (FDragging == AValue) return;
  FDragging = AValue;
  TdxBars* bars = BarManager()->Bars();
  if (AValue) {
    bars->SetDraggedControl(this);
  } else {
    if (bars->DraggedControl() == this) bars->SetDraggedControl(nullptr);
    StorePosition();
  }
  SetSizingCursor(AValue);
  if (HandleAllocated()) Rebuild();
}

void TdxBarControl::StorePosition() {
  if (!FBar || !FBar->Visible() || FDragging || BarManager()->IsBeingDestroyed()) return;
  if (FDockingStyle != dsNone && (!FDockControl || FDockControl->ComponentState().Contains(csDestroying))) return;
  TCustomdxBarControl::StorePosition();
}

void TdxBarControl::KeepOnScreen(WINDOWPOS& APos) {
  if ((APos.flags & SWP_NOMOVE) && (APos.flags & SWP_NOSIZE)) return;
  RECT bounds;
  GetWindowRect(Handle(), &bounds);
  const int32_t w = (APos.flags & SWP_NOSIZE) ? bounds.right - bounds.left : APos.cx;
  const int32_t h = (APos.flags & SWP_NOSIZE) ? bounds.bottom - bounds.top : APos.cy;
  const int32_t x = (APos.flags & SWP_NOMOVE) ? bounds.left : APos.x;
  const int32_t y = (APos.flags & SWP_NOMOVE) ? bounds.top : APos.y;
  const RECT wanted{x, y, x + w, y + h};
  RECT work = GetWorkAreaAtPoint(POINT{wanted.left, wanted.top}), common;
  if (IntersectRect(&common, &wanted, &work)) return;
  // Off every monitor: back to the edge of the work area under the pointer.
  POINT cursor;
  GetCursorPos(&cursor);
  work = GetWorkAreaAtPoint(cursor);
  APos.x = x;
  APos.y = y;
  if (wanted.right <= work.left) APos.x = work.left;
  if (wanted.bottom <= work.top) APos.y = work.top;
  if (wanted.left >= work.right) APos.x = work.right - w;
  if (wanted.top >= work.bottom) APos.y = work.bottom - h;
  APos.flags &= ~UINT(SWP_NOMOVE);
}

void TdxBarControl::ToggleDocking() {
  TdxBar* bar = FBar;
  TdxBarManager* manager = BarManager();
  TdxBars* bars = manager->Bars();
  TdxBarDockingStyle target = dsNone;
  TdxDockControl* dock = nullptr;
  bool neverDocked = false;
  if (FDockingStyle == dsNone) {
    if (bar->HasDockedPosition()) {
      target = bar->GetDockedDockingStyle();
      dock = bar->DockedDockControl();
      if (!dock) dock = bars->DockControls(target);
    } else {
      target = dsTop;
      dock = bars->DockControls(dsTop);
      neverDocked = true;
    }
  }
  if (!manager->CanDock(bar, target, dock)) return;
  // Hiding the bar frees this window: from here on only the bar and its manager are used.
  bar->SetVisible(false);
  if (target == dsNone) {
    bar->SetDockingStyle(dsNone);
  } else {
    if (neverDocked && dock) {
      bar->SetOneOnRow(true);
      bar->SetRow(dock->GetRowCount());
    }
    bar->ChangeDocking(target, dock);
  }
  bar->SetVisible(true);
}
