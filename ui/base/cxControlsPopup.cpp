// The suite's drop-down window.
#include <algorithm>

#include "ui/base/cxControls.h"
#include "winapi/WinGdi.h"

TcxPopupWindow::TcxPopupWindow(TComponent*) : TForm(nullptr, 0) {}

void TcxPopupWindow::AfterConstruction() {
  inherited::AfterConstruction();
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  FAutoFitSize = true;
  FVertAlignment = pvaBottom;
  FDirection = pdrVertical;
  FFrameLineColor = clWindowText;
  FFrameCanvas = New<TCanvas>();
  FPopupCanvas = New<TcxCanvas>(FFrameCanvas);
}

TcxPopupWindow::~TcxPopupWindow() {
  FreeAndNil(FPopupCanvas);
  FreeAndNil(FFrameCanvas);
}

int32_t TcxPopupWindow::GetFrameWidth(TcxBorder) {
  switch (FBorderStyle) {
    case pbsSingle:
    case pbsRaised: return 1;
    case pbsDoubleRaised: return 2;
    default: return 0;
  }
}

int32_t TcxPopupWindow::GetClientOffset(TcxBorder ASide) { return GetFrameWidth(ASide) + FFrameSpacing; }

void TcxPopupWindow::TakeOwnerFont() {
  if (FAnchorParent) Font()->Assign(FAnchorParent->Font());
}

void TcxPopupWindow::RestoreControlsBounds() {
  int32_t dx = GetClientOffset(bLeft), dy = GetClientOffset(bTop);
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() - dx, c->Top() - dy, c->Width(), c->Height());
  }
}

void TcxPopupWindow::SetPopupBorderStyle(TcxPopupBorderStyle AValue) {
  RestoreControlsBounds();
  FBorderStyle = AValue;
}

void TcxPopupWindow::FitSizeToControls() {
  if (!FAutoFitSize) return;
  int32_t dx = GetClientOffset(bLeft), dy = GetClientOffset(bTop);
  int32_t right = 0, bottom = 0;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    RECT r = c->BoundsRect();
    right = std::max<int32_t>(right, r.right);
    bottom = std::max<int32_t>(bottom, r.bottom);
    c->SetBounds(r.left + dx, r.top + dy, c->Width(), c->Height());
  }
  if (ControlCount() > 0 || right != 0 || bottom != 0) {
    SetWidth(dx + right + GetClientOffset(bRight));
    SetHeight(dy + bottom + GetClientOffset(bBottom));
  }
}

void TcxPopupWindow::ComputePopupPosition(POINT& P) {
  TcxPopupAlignHorz horz = FHorzAlignment;
  TcxPopupAlignVert vert = FVertAlignment;
  RECT r = FAnchorBounds;
  if (FAnchorParent) {
    POINT tl = FAnchorParent->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl.x - r.left, tl.y - r.top);
  }
  POINT origin = P;
  if (horz == phaCenter) origin.x = P.x = (r.left + r.right - Width()) / 2;
  if (vert == pvaCenter) origin.y = P.y = (r.top + r.bottom - Height()) / 2;
  auto place = [&] {
    if (FDirection == pdrHorizontal) {
      if (horz == phaLeft) P.x = r.left - Width(), origin.x = r.left;
      if (horz == phaRight) P.x = r.right, origin.x = r.right;
      if (vert == pvaTop) P.y = r.top, origin.y = r.top;
      if (vert == pvaBottom) P.y = r.bottom - Height(), origin.y = r.bottom;
    } else {
      if (horz == phaLeft) P.x = r.left, origin.x = r.left;
      if (horz == phaRight) P.x = r.right - Width(), origin.x = r.right;
      if (vert == pvaTop) P.y = r.top - Height(), origin.y = r.top;
      if (vert == pvaBottom) P.y = r.bottom, origin.y = r.bottom;
    }
  };
  place();
  RECT w = GetMonitorWorkAreaAtPoint(origin);
  if (FDirection == pdrHorizontal) {
    bool moreLeft = w.right - r.right < r.left - w.left;
    if (horz == phaRight && w.right < P.x + Width() && moreLeft) horz = phaLeft;
    else if (horz == phaLeft && P.x < w.left && !moreLeft) horz = phaRight;
  } else {
    bool moreAbove = w.bottom - r.bottom < r.top - w.top;
    if (vert == pvaBottom && w.bottom < P.y + Height() && moreAbove) vert = pvaTop;
    else if (vert == pvaTop && P.y < w.top && !moreAbove) vert = pvaBottom;
  }
  place();
  // Across the direction the window slides into the work area; along it, a window that fits on neither side
  // of its rectangle is pushed in as well rather than left hanging off the screen.
  if (w.right < P.x + Width()) P.x = w.right - Width();
  if (P.x < w.left) P.x = w.left;
  if (w.bottom < P.y + Height()) P.y = w.bottom - Height();
  if (P.y < w.top) P.y = w.top;
}

void TcxPopupWindow::ShowPopup() {
  TakeOwnerFont();
  FitSizeToControls();
  POINT p{Left(), Top()};
  ComputePopupPosition(p);
  SetLeft(p.x);
  POINT q{Left(), Top()};
  ComputePopupPosition(q);
  SetTop(q.y);
  Show();
}

void TcxPopupWindow::ClosePopup() { Hide(); }

void TcxPopupWindow::DrawFrame() {
  RECT r{0, 0, Width(), Height()};
  switch (FBorderStyle) {
    case pbsSingle:
      FPopupCanvas->FrameRect(r, FFrameLineColor, 1, cxBordersAll);
      break;
    case pbsRaised:
      FPopupCanvas->DrawBevelEdge(r, false, false, cxBordersAll);
      break;
    case pbsDoubleRaised:
      FPopupCanvas->DrawBevelEdge(r, false, true, cxBordersAll);
      InflateRect(&r, -1, -1);
      FPopupCanvas->DrawBevelEdge(r, false, false, cxBordersAll);
      break;
    default:
      break;
  }
}

void TcxPopupWindow::PaintWindow(HDC DC) {
  inherited::PaintWindow(DC);
  FFrameCanvas->SetHandle(DC);
  DrawFrame();
  FFrameCanvas->SetHandle(nullptr);
}

void TcxPopupWindow::Deactivate() {
  TObjectLink<TcxPopupWindow> alive(this);
  inherited::Deactivate();
  if (alive) ClosePopup();
}

void TcxPopupWindow::WndProc(TMessage& m) {
  TObjectLink<TcxPopupWindow> alive(this);
  switch (m.Msg) {
    case WM_ACTIVATE:
      inherited::WndProc(m);
      if (alive && LOWORD(m.WParam) != WA_INACTIVE) {
        FDeactivatedWindow = reinterpret_cast<HWND>(m.LParam);
        if (FDeactivatedWindow) SendMessage(FDeactivatedWindow, WM_NCACTIVATE, TRUE, 0);
      }
      return;
    case WM_ACTIVATEAPP:
      if (m.WParam == 0) {
        if (HandleAllocated()) m.Result = DefWindowProc(Handle(), m.Msg, m.WParam, m.LParam);
        if (FDeactivatedWindow) SendMessage(FDeactivatedWindow, WM_NCACTIVATE, FALSE, 0);
        ClosePopup();
        return;
      }
      break;
    case CM_VISIBLECHANGED:
      inherited::WndProc(m);
      if (alive) VisibilityChanged();
      return;
    default:
      break;
  }
  inherited::WndProc(m);
}
