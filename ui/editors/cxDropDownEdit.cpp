#include <algorithm>

#include "ui/editors/cxDropDownEdit.h"

#include "rtl/Utf8.h"
#include "ui/editors/cxEditListBox.h"

// ---- the tracking frame ---------------------------------------------------------------------------------------

namespace {

// The frame the user drags while sizing a popup. It is a window of its own shaped as a ring, so moving it
// needs no drawing on the screen and nothing under it is ever left damaged.
class TcxSizingFrameWindow : public TForm {
  RTL_CLASS(TcxSizingFrameWindow, TForm)
public:
  using VirtualCtorArg = TComponent*;
  explicit TcxSizingFrameWindow(TComponent* AOwner) : TForm(AOwner, 0) {}
  int32_t Rings = 2;

protected:
  void CreateParams(TCreateParams& Params) override {
    inherited::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  }
  void PaintWindow(HDC DC) override {
    TCanvas canvas;
    canvas.SetHandle(DC);
    {
      TcxCanvas cx(&canvas);
      RECT r{0, 0, Width(), Height()};
      for (int32_t i = 0; i < Rings; ++i) {
        cx.FrameRect(r, clBtnText);
        InflateRect(&r, -1, -1);
      }
    }
    canvas.SetHandle(nullptr);
  }
};

// One popup is sized at a time, so the sizing state is shared by all of them.
struct TcxPopupSizingState {
  bool Sizing = false;
  bool SizingCursor = false;
  TcxSizingDirection Direction;
  POINT GrabOffset{};
  bool StartedOnGrip = false;
  RECT FrameRect{};
  RECT LastFrameRect{};
  TcxSizingFrameWindow* Frame = nullptr;
};
TcxPopupSizingState SizingState;

void HideSizingFrame() {
  if (SizingState.Frame) {
    SizingState.Frame->Free();
    SizingState.Frame = nullptr;
  }
  SizingState.FrameRect = RECT{};
}

bool InRect(const RECT& R, int32_t X, int32_t Y) { return X >= R.left && X < R.right && Y >= R.top && Y < R.bottom; }

}  // namespace

// ---- the view info --------------------------------------------------------------------------------------------

int32_t TcxCustomEditPopupWindowViewInfo::PopupBorderWidth() const {
  if (NativeStyle) return 1;
  static constexpr int32_t kWidths[] = {0, 1, 4, 2};
  return kWidths[PopupBorderStyle];
}

int32_t TcxCustomEditPopupWindowViewInfo::ClientEdgeWidth() const {
  if (!ClientEdge) return 0;
  if (NativeStyle) return 2;
  static constexpr int32_t kWidths[] = {0, 2, 2, 1};
  return kWidths[PopupBorderStyle];
}

int32_t TcxCustomEditPopupWindowViewInfo::BaseSysPanelHeight() {
  return std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
}

int32_t TcxCustomEditPopupWindowViewInfo::SizingOffset() {
  return std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
}

int32_t TcxCustomEditPopupWindowViewInfo::GetSysPanelHeight() {
  int32_t h = BaseSysPanelHeight();
  if (MinSysPanelHeight > 0) h = std::max(h, MinSysPanelHeight);
  return h;
}

void TcxCustomEditPopupWindowViewInfo::GetBorderExtent(RECT& R) {
  int32_t w = PopupBorderWidth() + ClientEdgeWidth();
  R = RECT{w, w, w, w};
  if (Shadow) {
    R.right += cxEditPopupShadowWidth;
    R.bottom += cxEditPopupShadowWidth;
  }
  if (SysPanelStyle) {
    int32_t h = GetSysPanelHeight() + ((NativeStyle || PopupBorderStyle == epbsSingle) ? 1 : 0);
    if (SizeGripCorner == cxGripTopLeft || SizeGripCorner == cxGripTopRight)
      R.top += h;
    else
      R.bottom += h;
  }
}

void TcxCustomEditPopupWindowViewInfo::GetClientExtent(RECT& R) { GetBorderExtent(R); }

void TcxCustomEditPopupWindowViewInfo::Calculate() {
  SysPanelHeight = SysPanelStyle ? GetSysPanelHeight() : 0;
  SizingOffsetValue = SizingOffset();
  RECT e;
  GetBorderExtent(e);
  ClientRect = Bounds;
  ShrinkRectByBorders(ClientRect, e);
  BorderRect = ClientRect;

  int32_t inset = PopupBorderWidth() + (SysPanelStyle ? 0 : ClientEdgeWidth());
  SizingRegionBounds = Bounds;
  InflateRect(&SizingRegionBounds, -inset, -inset);
  if (Shadow) {
    SizingRegionBounds.right -= cxEditPopupShadowWidth;
    SizingRegionBounds.bottom -= cxEditPopupShadowWidth;
  }

  bool top = SizeGripCorner == cxGripTopLeft || SizeGripCorner == cxGripTopRight;
  bool right = SizeGripCorner == cxGripTopRight || SizeGripCorner == cxGripBottomRight;
  SizeGripSizingRect = SizeGripRect = RECT{};
  if (Sizeable && SysPanelStyle) {
    int32_t s = BaseSysPanelHeight() - 2;
    RECT r = SizingRegionBounds;
    if (right) r.left = r.right - s; else r.right = r.left + s;
    if (top) r.bottom = r.top + s; else r.top = r.bottom - s;
    SizeGripSizingRect = r;
    SizeGripRect = r;
    if (right) SizeGripRect.right -= 2; else SizeGripRect.left += 2;
    if (top) SizeGripRect.top += 2; else SizeGripRect.bottom -= 2;
  }

  CloseButtonRect = RECT{};
  if (SysPanelStyle && CloseButton) {
    int32_t s = BaseSysPanelHeight() - 4;
    RECT r;
    if (right) {
      r.left = SizingRegionBounds.left + 3;
      r.right = r.left + s;
    } else {
      r.right = SizingRegionBounds.right - 3;
      r.left = r.right - s;
    }
    if (top) {
      r.top = SizingRegionBounds.top + 2;
      r.bottom = r.top + s;
    } else {
      r.bottom = SizingRegionBounds.bottom - 2;
      r.top = r.bottom - s;
    }
    CloseButtonRect = r;
  }
}

TcxSizingDirection TcxCustomEditPopupWindowViewInfo::GetSizingDirection(int32_t X, int32_t Y) {
  TcxSizingDirection d;
  if (!Sizeable || !InRect(Bounds, X, Y)) return d;
  if (InRect(SizeGripSizingRect, X, Y)) {
    d.X = (SizeGripCorner == cxGripTopRight || SizeGripCorner == cxGripBottomRight) ? 1 : -1;
    d.Y = (SizeGripCorner == cxGripBottomLeft || SizeGripCorner == cxGripBottomRight) ? 1 : -1;
    d.Sizing = true;
    return d;
  }
  if (InRect(SizingRegionBounds, X, Y)) return d;
  bool gripLeft = SizeGripCorner == cxGripTopLeft || SizeGripCorner == cxGripBottomLeft;
  bool gripTop = SizeGripCorner == cxGripTopLeft || SizeGripCorner == cxGripTopRight;
  if (X < Bounds.left + SizingOffsetValue && gripLeft) d.X = -1;
  if (X >= Bounds.right - SizingOffsetValue && !gripLeft) d.X = 1;
  if (Y < Bounds.top + SizingOffsetValue && gripTop) d.Y = -1;
  if (Y >= Bounds.bottom - SizingOffsetValue && !gripTop) d.Y = 1;
  d.Sizing = d.X != 0 || d.Y != 0;
  return d;
}

void TcxCustomEditPopupWindowViewInfo::DrawBorder(TcxCanvas* ACanvas, RECT& R) {
  if (NativeStyle || PopupBorderStyle == epbsSingle) {
    ACanvas->FrameRect(R, clBtnText);
    InflateRect(&R, -1, -1);
    return;
  }
  if (PopupBorderStyle == epbsFrame3D || PopupBorderStyle == epbsFlat) {
    ACanvas->DrawBevelEdge(R, false, false);
    InflateRect(&R, -1, -1);
    ACanvas->DrawBevelEdge(R, false, true);
    InflateRect(&R, -1, -1);
    if (PopupBorderStyle == epbsFrame3D) {
      ACanvas->FrameRect(R, ClientEdge ? TColor(clSystemColor | COLOR_INACTIVEBORDER) : clBtnFace);
      InflateRect(&R, -1, -1);
      if (ClientEdge)
        ACanvas->FrameRect(R, clBtnFace);
      else
        ACanvas->DrawBevelEdge(R, true, true);
      InflateRect(&R, -1, -1);
    }
  }
}

void TcxCustomEditPopupWindowViewInfo::PaintBackground(TcxCanvas* ACanvas) {
  RECT r = Bounds;
  if (Shadow) {
    r.right -= cxEditPopupShadowWidth;
    r.bottom -= cxEditPopupShadowWidth;
    DrawContainerShadow(ACanvas, r);
  }
  DrawBorder(ACanvas, r);
  if (ClientEdge) {
    RECT c = ClientRect;
    InflateRect(&c, ClientEdgeWidth(), ClientEdgeWidth());
    ACanvas->DrawBevelEdge(c, true, true);
    if (ClientEdgeWidth() > 1) {
      InflateRect(&c, -1, -1);
      ACanvas->DrawBevelEdge(c, true, false);
    }
  }
  if (!IsRectEmpty(&SizeGripRect)) {
    // Three diagonal ridges facing the grip corner.
    bool right = SizeGripCorner == cxGripTopRight || SizeGripCorner == cxGripBottomRight;
    bool bottom = SizeGripCorner == cxGripBottomLeft || SizeGripCorner == cxGripBottomRight;
    const RECT& g = SizeGripRect;
    int32_t s = std::min(g.right - g.left, g.bottom - g.top);
    // The grip is left out of the background fill below, so it paints its own face first.
    ACanvas->SetBrushColor(clBtnFace);
    ACanvas->FillRect(g);
    for (int32_t k = 3; k < s; k += 4)
      for (int32_t i = 0; i <= k; ++i) {
        int32_t x = right ? g.right - 1 - k + i : g.left + k - i;
        int32_t y = bottom ? g.bottom - 1 - i : g.top + i;
        ACanvas->SetPixel(x, y, clBtnShadow);
      }
    ACanvas->ExcludeFromClip(SizeGripRect);
  }
  if (!IsRectEmpty(&CloseButtonRect)) {
    static constexpr TcxButtonState kStates[] = {cxbsNormal, cxbsNormal, cxbsHot, cxbsPressed};
    LookAndFeelPainterOfKind(PainterKind)->PaintSmallCloseButton(ACanvas, CloseButtonRect,
                                                                  kStates[std::clamp(CloseButtonState, 0, 3)]);
    ACanvas->ExcludeFromClip(CloseButtonRect);
  }
  ACanvas->SetBrushColor(clBtnFace);
  ACanvas->FillRect(r);
}

// ---- the window ------------------------------------------------------------------------------------------------

TcxCustomEditPopupWindow::TcxCustomEditPopupWindow(TControl* AOwnerControl) : TcxCustomPopupWindow(AOwnerControl) {}

TcxCustomEditPopupWindow::~TcxCustomEditPopupWindow() {
  if (SizingState.Sizing) {
    SizingState.Sizing = false;
    HideSizingFrame();
  }
}

void TcxCustomEditPopupWindow::WndProc(TMessage& Message) {
  if (Message.Msg == CM_DROPDOWNFORWARDCHAR) {
    if (Visible()) {
      // Characters are code points: one beyond 16 bits goes to the focus whole rather than cut short.
      if (Message.WParam > 0xFFFF) {
        if (HWND w = GetFocus()) SendMessage(w, WM_CHAR, Message.WParam, 0);
      } else {
        ForwardChar(static_cast<uint16_t>(Message.WParam));
      }
    }
    return;
  }
  inherited::WndProc(Message);
}

void TcxCustomEditPopupWindow::ForwardChar(uint16_t AChar) {
  HWND w = GetFocus();
  if (w) SendMessage(w, WM_CHAR, AChar, 0);
}

void TcxCustomEditPopupWindow::CalculateContentSize(SIZE& ASize) {
  ASize = SIZE{0, 0};
  if (auto* edit = dynamic_cast<TcxCustomDropDownEdit*>(OwnerControl())) edit->CalculatePopupSize(ASize);
}

TcxCustomDropDownEdit* TcxCustomEditPopupWindow::Edit() const {
  return dynamic_cast<TcxCustomDropDownEdit*>(OwnerControl());
}

bool TcxCustomEditPopupWindow::CanShrinkToWorkArea() {
  TcxCustomDropDownEdit* edit = Edit();
  return edit ? edit->ActiveProperties()->IsPopupShrinkable() : true;
}

RECT TcxCustomEditPopupWindow::GetPopupOwnerBounds() {
  RECT r{};
  if (TControl* o = OwnerControl()) {
    // The editor's outer bounds: its client origin would lie inside its border.
    POINT p = o->Parent() ? o->Parent()->ClientToScreen(POINT{o->Left(), o->Top()}) : POINT{o->Left(), o->Top()};
    r = RECT{p.x, p.y, p.x + o->Width(), p.y + o->Height()};
    if (Shadow()) r.right += cxEditPopupShadowWidth;
  }
  return r;
}

void TcxCustomEditPopupWindow::GetMinSize(SIZE& ASize) {
  RECT e;
  ViewInfo()->GetClientExtent(e);
  ASize = SIZE{e.left + e.right, e.top + e.bottom};
  if (Sizeable() && SysPanelStyle()) {
    const RECT& c = ViewInfo()->CloseButtonRect;
    int32_t closeWidth = CloseButton() ? TcxCustomEditPopupWindowViewInfo::BaseSysPanelHeight() - 4 : 0;
    if (!IsRectEmpty(&c)) closeWidth = c.right - c.left;
    ASize.cx += closeWidth + (TcxCustomEditPopupWindowViewInfo::BaseSysPanelHeight() - 2) + 10;
  }
}

void TcxCustomEditPopupWindow::CalculateSize() {
  ViewInfo()->SizeGripCorner = cxGripBottomRight;
  FOwnerBounds = GetPopupOwnerBounds();
  RECT e;
  ViewInfo()->GetClientExtent(e);
  SIZE m, c;
  GetMinSize(m);
  CalculateContentSize(c);
  int32_t w, h;
  if (FPopupAutoSize)
    w = e.left + e.right + c.cx;
  else
    w = FPopupWidth != 0 ? FPopupWidth : (OwnerControl() ? OwnerControl()->Width() : 0);
  if (Sizeable() && FMinWidth > 0) w = std::max(w, FMinWidth);
  if (FPopupAutoSize)
    h = e.top + e.bottom + c.cy;
  else
    h = FPopupHeight > 0 ? FPopupHeight : std::max<int32_t>(FMinHeight, m.cy);
  if (Sizeable() && FMinHeight > 0) h = std::max(h, FMinHeight);
  SetBounds(Left(), Top(), std::max<int32_t>(w, m.cx), std::max<int32_t>(h, m.cy));
}

void TcxCustomEditPopupWindow::ComputePopupPosition(POINT& P) {
  FOwnerBounds = GetPopupOwnerBounds();
  inherited::ComputePopupPosition(P);
  const RECT& o = FOwnerBounds;
  // The side is chosen from the room below and above the editor, and the popup keeps to it: a popup that
  // fits on neither side is shrunk to the work area (CalculatePosition) rather than pushed over its editor.
  RECT workBelow = GetMonitorWorkAreaAtPoint(POINT{o.left, o.bottom});
  RECT workAbove = GetMonitorWorkAreaAtPoint(POINT{o.left, o.top});
  int32_t roomBelow = workBelow.bottom - o.bottom, roomAbove = o.top - workAbove.top;
  P.y = (Height() > roomBelow && roomAbove > roomBelow) ? o.top - Height() : o.bottom;
  RECT work = GetMonitorWorkAreaAtPoint(P);
  bool below = P.y > o.top;
  bool right;
  switch (HorzAlignment()) {
    case phaLeft: right = P.x == o.left || o.left <= work.left; break;
    case phaRight: right = o.left <= work.left || P.x + Width() != o.right; break;
    default: right = o.left <= work.left || !(o.left - work.left > work.right - o.right); break;
  }
  ViewInfo()->SizeGripCorner = below ? (right ? cxGripBottomRight : cxGripBottomLeft)
                                     : (right ? cxGripTopRight : cxGripTopLeft);
  if (!below && Shadow()) P.y += cxEditPopupShadowWidth;
}

void TcxCustomEditPopupWindow::AdjustClientRect(RECT& Rect) {
  inherited::AdjustClientRect(Rect);
  RECT e;
  ViewInfo()->GetClientExtent(e);
  ShrinkRectByBorders(Rect, e);
}

void TcxCustomEditPopupWindow::CalculateViewInfo() {
  ViewInfo()->Bounds = RECT{0, 0, Width(), Height()};
  ViewInfo()->Calculate();
  if (TcxCustomDropDownEdit* edit = Edit())
    if (TcxEditPopupControlLookAndFeel* lf = edit->PopupControlsLookAndFeel()) ViewInfo()->PainterKind = lf->Kind();
}

void TcxCustomEditPopupWindow::UpdateContent() {
  FOwnerBounds = GetPopupOwnerBounds();
  CalculateViewInfo();
  Realign();
  if (TcxCustomDropDownEdit* edit = Edit()) edit->SetPopupContentBounds(ViewInfo()->ClientRect);
  Invalidate();
}

int32_t TcxCustomEditPopupWindow::GetAvailableHeight() {
  RECT o = GetPopupOwnerBounds();
  bool above = ViewInfo()->SizeGripCorner <= cxGripTopRight;
  RECT work = GetMonitorWorkAreaAtPoint(POINT{o.left, above ? o.top : o.bottom});
  return std::max<int32_t>(0, above ? o.top - work.top : work.bottom - o.bottom);
}

void TcxCustomEditPopupWindow::ApplyWindowShape() {
  if (!HandleAllocated()) return;
  RECT r{0, 0, Width(), Height()};
  RECT exclude{};
  if (Shadow() && ViewInfo()->SizeGripCorner <= cxGripTopRight) {
    // The shadow strip at the bottom of a popup above the editor would lie over the editor.
    POINT tl = ClientToScreen(POINT{0, 0});
    exclude = RECT{FOwnerBounds.left - tl.x, r.bottom - cxEditPopupShadowWidth,
                   FOwnerBounds.right - cxEditPopupShadowWidth * 2 - tl.x, r.bottom};
  }
  if (Shadow()) {
    r.right -= cxEditPopupShadowWidth;
    r.bottom -= cxEditPopupShadowWidth;
  }
  SetWindowShapeRegion(Handle(), r, NativeStyle(), exclude, Shadow());
}

void TcxCustomEditPopupWindow::Resize() {
  inherited::Resize();
  ApplyWindowShape();
}

bool TcxCustomEditPopupWindow::CanResize(int32_t& NewWidth, int32_t& NewHeight) {
  if (!Sizeable() || (NewWidth == Width() && NewHeight == Height())) return false;
  SIZE m;
  GetMinSize(m);
  NewWidth = std::max({NewWidth, int32_t(m.cx), FMinWidth});
  NewHeight = std::max({NewHeight, int32_t(m.cy), FMinHeight});
  TcxCustomDropDownEdit* edit = Edit();
  if (edit && edit->UsesLookupList() && edit->ActiveProperties()->UsesLookupData()) {
    RECT e;
    ViewInfo()->GetClientExtent(e);
    SIZE content{NewWidth - e.left - e.right, NewHeight - e.top - e.bottom};
    if (!edit->GetLookupDataIntf()->CanResizeList(content)) return false;
    NewWidth = std::max<int32_t>(e.left + e.right + content.cx, m.cx);
    NewHeight = std::max<int32_t>(e.top + e.bottom + content.cy, m.cy);
  }
  return true;
}

bool TcxCustomEditPopupWindow::CalculateSizingBounds(POINT P, RECT& ANewBounds) {
  const TcxSizingDirection& d = SizingState.Direction;
  RECT b = BoundsRect();
  if (TWinControl* parent = Parent()) {
    POINT tl = parent->ClientToScreen(POINT{b.left, b.top});
    OffsetRect(&b, tl.x - b.left, tl.y - b.top);
  }
  RECT n = b;
  int32_t x = P.x - SizingState.GrabOffset.x, y = P.y - SizingState.GrabOffset.y;
  const TcxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  bool hasGrip = !IsRectEmpty(&vi->SizeGripSizingRect);
  // Inside the popup's own span, growth counts only for a drag that began on the grip and stays over its span.
  auto gripAllows = [&](int32_t pos, int32_t lo, int32_t hi, int32_t gLo, int32_t gHi) {
    if (!hasGrip || pos < lo || pos >= hi) return true;
    return SizingState.StartedOnGrip && pos >= gLo && pos < gHi;
  };
  if (d.X > 0 && gripAllows(P.x, b.left, b.right, b.left + vi->SizeGripSizingRect.left, b.left + vi->SizeGripSizingRect.right))
    n.right = x;
  if (d.X < 0 && gripAllows(P.x, b.left, b.right, b.left + vi->SizeGripSizingRect.left, b.left + vi->SizeGripSizingRect.right))
    n.left = x;
  if (d.Y > 0 && gripAllows(P.y, b.top, b.bottom, b.top + vi->SizeGripSizingRect.top, b.top + vi->SizeGripSizingRect.bottom))
    n.bottom = y;
  if (d.Y < 0 && gripAllows(P.y, b.top, b.bottom, b.top + vi->SizeGripSizingRect.top, b.top + vi->SizeGripSizingRect.bottom))
    n.top = y;
  int32_t w = n.right - n.left, h = n.bottom - n.top;
  if (!CanResize(w, h) || (w == b.right - b.left && h == b.bottom - b.top)) return false;
  // The side away from the grip stays put.
  if (d.X < 0) n.left = b.right - w; else n.right = b.left + w;
  if (d.Y < 0) n.top = b.bottom - h; else n.bottom = b.top + h;
  // At least one pixel of the popup stays beside the editor.
  if (n.left > FOwnerBounds.right - 1) OffsetRect(&n, FOwnerBounds.right - 1 - n.left, 0);
  if (n.right < FOwnerBounds.left + 1) OffsetRect(&n, FOwnerBounds.left + 1 - n.right, 0);
  RECT work = GetMonitorWorkAreaAtPoint(POINT{b.left, b.top});
  IntersectRect(&n, &n, &work);
  if (EqualRect(&n, &b)) return false;
  ANewBounds = n;
  return true;
}

RECT TcxCustomEditPopupWindow::SizingFrameRect() { return SizingState.FrameRect; }
bool TcxCustomEditPopupWindow::IsSizing() { return SizingState.Sizing; }

void TcxCustomEditPopupWindow::MoveSizingFrame(const RECT& R) {
  if (!SizingState.Frame) {
    SizingState.Frame = New<TcxSizingFrameWindow>(nullptr);
    SizingState.Frame->Rings = std::max(2, ViewInfo()->PopupBorderWidth());
  }
  RECT r = R;
  if (Shadow()) {
    r.right -= cxEditPopupShadowWidth;
    r.bottom -= cxEditPopupShadowWidth;
  }
  TcxSizingFrameWindow* f = SizingState.Frame;
  f->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  HRGN outer = CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top);
  HRGN inner = CreateRectRgn(f->Rings, f->Rings, r.right - r.left - f->Rings, r.bottom - r.top - f->Rings);
  CombineRgn(outer, outer, inner, RGN_DIFF);
  DeleteObject(inner);
  SetWindowRgn(f->Handle(), outer, TRUE);
  ShowWindow(f->Handle(), SW_SHOWNOACTIVATE);
  SizingState.FrameRect = R;
  if (!IsRectEmpty(&R)) SizingState.LastFrameRect = R;
}

void TcxCustomEditPopupWindow::SetSizingCursor(const TcxSizingDirection& D) {
  TCursor c = crDefault;
  if (D.X != 0 && D.Y != 0)
    c = D.X == D.Y ? crSizeNWSE : crSizeNESW;
  else if (D.X != 0)
    c = crSizeWE;
  else if (D.Y != 0)
    c = crSizeNS;
  SizingState.SizingCursor = c != crDefault;
  SetCursor(c);
}

void TcxCustomEditPopupWindow::SetCloseButtonState(int32_t AState) {
  if (ViewInfo()->CloseButtonState == AState) return;
  ViewInfo()->CloseButtonState = AState;
  if (HandleAllocated()) InvalidateRect(Handle(), &ViewInfo()->CloseButtonRect, FALSE);
}

void TcxCustomEditPopupWindow::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TcxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  if (InRect(vi->CloseButtonRect, X, Y)) {
    if (vi->CloseButtonState != cxCloseButtonPressed) SetCloseButtonState(cxCloseButtonPressed);
    return;
  }
  TcxSizingDirection d = vi->GetSizingDirection(X, Y);
  if (!d.Sizing) return;
  SetCapture(Handle());
  SizingState.Sizing = true;
  SizingState.Direction = d;
  SizingState.StartedOnGrip = InRect(vi->SizeGripSizingRect, X, Y);
  SizingState.GrabOffset = POINT{d.X > 0 ? X - Width() : (d.X < 0 ? X : 0), d.Y > 0 ? Y - Height() : (d.Y < 0 ? Y : 0)};
  SizeChangedByMouse = false;
  SizingState.LastFrameRect = RECT{};
  POINT tl = ClientToScreen(POINT{0, 0});
  MoveSizingFrame(RECT{tl.x, tl.y, tl.x + Width(), tl.y + Height()});
}

void TcxCustomEditPopupWindow::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  TcxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  if (!SizingState.Sizing) {
    bool on = InRect(vi->CloseButtonRect, X, Y);
    if (vi->CloseButtonState != cxCloseButtonNormal && !on)
      SetCloseButtonState(cxCloseButtonNormal);
    else if (vi->CloseButtonState == cxCloseButtonNormal && on && Shift.Empty())
      SetCloseButtonState(cxCloseButtonHot);
    SetSizingCursor(vi->GetSizingDirection(X, Y));
    return;
  }
  RECT n;
  if (CalculateSizingBounds(ClientToScreen(POINT{X, Y}), n) && !EqualRect(&n, &SizingState.FrameRect)) {
    SizeChangedByMouse = true;
    MoveSizingFrame(n);
  }
}

void TcxCustomEditPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  TcxCustomEditPopupWindowViewInfo* vi = ViewInfo();
  if (SizingState.Sizing) {
    ReleaseCapture();
    SizingState.Sizing = false;
    RECT r = SizingState.LastFrameRect;
    HideSizingFrame();
    if (!IsRectEmpty(&r)) {
      POINT tl = r.left == r.right ? POINT{} : POINT{r.left, r.top};
      if (TWinControl* parent = Parent()) tl = parent->ScreenToClient(tl);
      SetBounds(tl.x, tl.y, r.right - r.left, r.bottom - r.top);
      UpdateContent();
    }
    SetSizingCursor(vi->GetSizingDirection(X, Y));
    return;
  }
  if (vi->CloseButtonState == cxCloseButtonPressed) {
    if (!InRect(vi->CloseButtonRect, X, Y)) {
      SetCloseButtonState(cxCloseButtonNormal);
      return;
    }
    cx_edit_detail::TAliveLink alive(this);
    if (!OnCloseButtonQuery || OnCloseButtonQuery()) {
      if (OnCloseButtonClick)
        OnCloseButtonClick();
      else
        CloseUp(false);
    }
    if (alive && Visible()) SetCloseButtonState(cxCloseButtonHot);
  }
}

void TcxCustomEditPopupWindow::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  SetCloseButtonState(cxCloseButtonNormal);
  if (SizingState.SizingCursor) SetSizingCursor(TcxSizingDirection{});
}

void TcxCustomEditPopupWindow::DoClosing() {
  if (SizingState.Sizing) HideSizingFrame();
  inherited::DoClosing();
}

void TcxCustomEditPopupWindow::DoClosed() {
  if (SizingState.Sizing) {
    SizingState.Sizing = false;
    ReleaseCapture();
  }
  inherited::DoClosed();
}


// ---- the properties ------------------------------------------------------------------------------------------


TcxCustomDropDownEditProperties::TcxCustomDropDownEditProperties(TPersistent* AOwner)
    : TcxCustomMaskEditProperties(AOwner) {}

void TcxCustomDropDownEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  TcxEditButton* b = Buttons()->Add();
  b->SetKind(bkDown);
  FDropDownButtonIndex = GetDropDownButtonIndex();
}

TcxCustomEditViewDataClass TcxCustomDropDownEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomDropDownEditViewData>();
}

TBitmap* TcxCustomDropDownEditProperties::ButtonGlyph() {
  if (FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return nullptr;
  return Buttons()->Items(FDropDownButtonIndex)->Glyph();
}

void TcxCustomDropDownEditProperties::SetButtonGlyph(TBitmap* Value) {
  if (FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return;
  Buttons()->Items(FDropDownButtonIndex)->SetGlyph(Value);
  CheckButtonKind();
}

void TcxCustomDropDownEditProperties::CheckButtonKind() {
  if (FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return;
  TcxEditButton* b = Buttons()->Items(FDropDownButtonIndex);
  bool glyph = b->HasGlyph() && !b->Glyph()->Empty();
  if (glyph && b->Kind() != bkGlyph)
    b->SetKind(bkGlyph);
  else if (!glyph && b->Kind() == bkGlyph)
    b->SetKind(bkDown);
}

void TcxCustomDropDownEditProperties::SetDropDownButtonIndex(int32_t Value) {
  if (Value == FDropDownButtonIndex) return;
  BeginUpdate();
  try {
    TBitmap* glyph = nullptr;
    TcxEditButton* old = nullptr;
    if (FDropDownButtonIndex >= 0 && FDropDownButtonIndex < Buttons()->Count()) {
      old = Buttons()->Items(FDropDownButtonIndex);
      if (old->HasGlyph() && !old->Glyph()->Empty()) glyph = old->Glyph();
    }
    FDropDownButtonIndex = Value;
    if (glyph && Value >= 0 && Value < Buttons()->Count()) {
      Buttons()->Items(Value)->SetGlyph(glyph);
      Buttons()->Items(Value)->SetKind(bkGlyph);
    }
    if (old && glyph) {
      old->SetGlyph(nullptr);
      if (old->Kind() == bkGlyph) old->SetKind(bkDown);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomDropDownEditProperties::Changed() {
  if (FChanging) return;
  FChanging = true;
  try {
    CheckButtonKind();
  } catch (...) {
    FChanging = false;
    throw;
  }
  FChanging = false;
  inherited::Changed();
}

void TcxCustomDropDownEditProperties::SetPopupAlignment(TAlignment Value) {
  if (Value == FPopupAlignment) return;
  FPopupAlignment = Value;
  Changed();
}

void TcxCustomDropDownEditProperties::SetPopupClientEdge(bool Value) {
  if (Value == FPopupClientEdge) return;
  FPopupClientEdge = Value;
  Changed();
}

void TcxCustomDropDownEditProperties::SetPopupSizeable(bool Value) {
  if (Value == FPopupSizeable) return;
  FPopupSizeable = Value;
  Changed();
}

void TcxCustomDropDownEditProperties::SetPopupSysPanelStyle(bool Value) {
  if (Value == FPopupSysPanelStyle) return;
  FPopupSysPanelStyle = Value;
  Changed();
}

void TcxCustomDropDownEditProperties::SetPopupHeight(int32_t Value) {
  FPopupHeight = std::max(Value, FPopupMinHeight);
}

void TcxCustomDropDownEditProperties::SetPopupMinHeight(int32_t Value) {
  FPopupMinHeight = std::max(Value, 0);
  SetPopupHeight(FPopupHeight);
}

void TcxCustomDropDownEditProperties::SetPopupMinWidth(int32_t Value) {
  FPopupMinWidth = std::max(Value, 0);
  SetPopupWidth(FPopupWidth);
}

void TcxCustomDropDownEditProperties::SetPopupWidth(int32_t Value) {
  // 0 keeps meaning "as wide as the editor"; only a real width is held to the minimum.
  FPopupWidth = Value <= 0 ? 0 : std::max(Value, FPopupMinWidth);
}

void TcxCustomDropDownEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomDropDownEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetButtonGlyph(source->ButtonGlyph());
    SetImmediateDropDown(source->ImmediateDropDown());
    SetImmediatePopup(source->ImmediatePopup());
    SetPopupAlignment(source->PopupAlignment());
    SetPopupAutoSize(source->PopupAutoSize());
    SetPopupClientEdge(source->PopupClientEdge());
    SetPopupHeight(source->PopupHeight());
    SetPopupMinHeight(source->PopupMinHeight());
    SetPopupMinWidth(source->PopupMinWidth());
    SetPopupSizeable(source->PopupSizeable());
    SetPopupSysPanelStyle(source->PopupSysPanelStyle());
    SetPopupWidth(source->PopupWidth());
    SetPostPopupValueOnTab(source->PostPopupValueOnTab());
    OnCloseQuery = source->OnCloseQuery;
    OnCloseUp = source->OnCloseUp;
    OnInitPopup = source->OnInitPopup;
    OnPopup = source->OnPopup;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- the popup-controls look-and-feel --------------------------------------------------------------------------

TcxEditPopupControlLookAndFeel::TcxEditPopupControlLookAndFeel(TPersistent* AOwner) : TcxLookAndFeel(AOwner) {}

TcxCustomDropDownEdit* TcxEditPopupControlLookAndFeel::Edit() const {
  return dynamic_cast<TcxCustomDropDownEdit*>(Owner());
}

TcxLookAndFeelKind TcxEditPopupControlLookAndFeel::ResolveKind() {
  TcxCustomDropDownEdit* edit = Edit();
  if (!edit) return inherited::ResolveKind();
  if (edit->IsInplace()) return edit->Style()->LookAndFeel()->Kind();
  TcxCustomEditViewInfo* vi = edit->EditViewInfo();
  if (!vi || vi->ButtonCount() == 0) return lfStandard;
  switch (vi->Button(0)->Data.Style) {
    case btsFlat:
    case btsSimple:
    case btsHotFlat: return lfFlat;
    case btsUltraFlat: return lfUltraFlat;
    case btsOffice11: return lfOffice11;
    default: return lfStandard;
  }
}

bool TcxEditPopupControlLookAndFeel::ResolveNativeStyle() {
  TcxCustomDropDownEdit* edit = Edit();
  if (!edit) return inherited::ResolveNativeStyle();
  TcxCustomEditViewInfo* vi = edit->EditViewInfo();
  return vi && vi->NativeStyle;
}

void TcxEditPopupControlLookAndFeel::Refresh() {
  SaveState();
  CheckChanged();
}

// ---- the inner edit and the view data ----------------------------------------------------------------------

void TcxCustomDropDownInnerEdit::WndProc(TMessage& Message) {
  if (Message.Msg == CM_HINTSHOW) {
    // No hint over an open popup.
    auto* edit = dynamic_cast<TcxCustomDropDownEdit*>(Container());
    if (edit && edit->HasPopupWindow()) {
      Message.Result = 1;
      return;
    }
  }
  inherited::WndProc(Message);
}

bool TcxCustomDropDownEditViewData::CanPressButton(TcxCustomEditViewInfo* AViewInfo, int32_t AButtonVisibleIndex) {
  if (IsHotAndPopup) {
    auto* p = dynamic_cast<TcxCustomDropDownEditProperties*>(Properties);
    if (p && AButtonVisibleIndex == p->DropDownButtonIndex()) return false;
  }
  return inherited::CanPressButton(AViewInfo, AButtonVisibleIndex);
}

void TcxCustomDropDownEditViewData::CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                                       TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                                       TMouseButton AButton, POINT AMousePos) {
  inherited::CalculateEditRects(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);
  auto* vi = dynamic_cast<TcxCustomTextEditViewInfo*>(AViewInfo);
  if (!vi) return;
  auto* p = dynamic_cast<TcxCustomTextEditProperties*>(Properties);
  bool fixedList = p && p->GetEditingStyle() == esFixedList;
  vi->DrawSelectionBar = !IsInplace && fixedList && Focused && !vi->Transparent && !HasPopupWindow;
  if (auto* edit = dynamic_cast<TcxCustomTextEdit*>(Edit))
    if (p && p->FixedListSelection() && edit->FindSelection()) vi->DrawSelectionBar = false;
}

// ---- the editor ----------------------------------------------------------------------------------------------

namespace {

// A lookup data of the text editor's family can make a list only when it names a list box class; other
// lookup data classes bring their own list.
bool DropDownLookupHasList(IcxTextEditLookupData* ALookup) {
  if (!ALookup) return false;
  if (auto* data = dynamic_cast<TcxCustomTextEditLookupData*>(ALookup->GetInstance()))
    return data->GetListBoxClass() != nullptr;
  return true;
}

}  // namespace

TcxCustomDropDownEdit::TcxCustomDropDownEdit(TComponent* AOwner) : TcxCustomMaskEdit(AOwner) {}

TcxCustomDropDownEdit::~TcxCustomDropDownEdit() {
  if (FPopupWindow) {
    FPopupWindow->OnClosed = nullptr;
    FPopupWindow->OnClosing = nullptr;
    FPopupWindow->OnShowed = nullptr;
    FPopupWindow->OnShowing = nullptr;
    FPopupWindow->OnCloseQuery = nullptr;
    FPopupWindow->OnCloseButtonQuery = nullptr;
    FPopupWindow->OnCloseButtonClick = nullptr;
    FPopupWindow->Free();
    FPopupWindow = nullptr;
  }
  if (FPopupControlsLookAndFeel) {
    FPopupControlsLookAndFeel->OnChanged = nullptr;
    FPopupControlsLookAndFeel->Free();
    FPopupControlsLookAndFeel = nullptr;
  }
}

void TcxCustomDropDownEdit::BeforeDestruction() {
  // A hook for lookup data of other kinds; the text editor's lookup data answers itself.
  if (IcxTextEditLookupData* lookup = GetLookupDataIntf()) (void)lookup->GetInstance();
  inherited::BeforeDestruction();
}

void TcxCustomDropDownEdit::InitializeEdit() {
  inherited::InitializeEdit();
  if (!FPopupControlsLookAndFeel) {
    FPopupControlsLookAndFeel = New<TcxEditPopupControlLookAndFeel>(this);
    FPopupControlsLookAndFeel->OnChanged =
        TcxLookAndFeelChangedEvent(this, &TcxCustomDropDownEdit::PopupControlsLookAndFeelChanged);
  }
  if (!FPopupWindow && !ComponentState().Contains(csDesigning)) CreatePopupWindow();
}

void TcxCustomDropDownEdit::CreatePopupWindow() {
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  FPopupWindow = CreateAs<TcxCustomEditPopupWindow>(p->GetPopupWindowClass(), static_cast<TControl*>(this));
  FPopupWindow->SetCaptureFocus(p->PopupCapturesFocus());
  // The popup shows from a posted message; a loop of its own inside that message would hold the caller's
  // loop until it closed, so the editor's popups keep the caller's loop.
  FPopupWindow->SetIsModal(false);
  FPopupWindow->SetTopMostAsOwner(!IsInplace());
  FPopupWindow->OnClosed = TNotifyEvent(this, &TcxCustomDropDownEdit::PopupWindowClosed);
  FPopupWindow->OnClosing = TNotifyEvent(this, &TcxCustomDropDownEdit::PopupWindowClosing);
  FPopupWindow->OnShowed = TNotifyEvent(this, &TcxCustomDropDownEdit::PopupWindowShowed);
  FPopupWindow->OnShowing = TNotifyEvent(this, &TcxCustomDropDownEdit::PopupWindowShowing);
  FPopupWindow->OnCloseQuery = TCloseQueryEvent(this, &TcxCustomDropDownEdit::PopupWindowCloseQuery);
  FPopupWindow->OnCloseButtonQuery = [this] {
    bool can = true;
    PopupWindowCloseQuery(FPopupWindow, can);
    return can;
  };
  FPopupWindow->OnCloseButtonClick = [this] { ClosePopup(false); };
}

bool TcxCustomDropDownEdit::UsesLookupList() {
  IcxTextEditLookupData* lookup = GetLookupDataIntf();
  return lookup && !ComponentState().Contains(csDesigning) && ActiveProperties()->UsesDropDownLookup() &&
         DropDownLookupHasList(lookup);
}

TWinControl* TcxCustomDropDownEdit::LookupListControl() {
  IcxTextEditLookupData* lookup = GetLookupDataIntf();
  return lookup ? lookup->GetListControl() : nullptr;
}

void TcxCustomDropDownEdit::DoInitPopup() {
  cx_edit_detail::TAliveLink alive(this);
  if (auto* own = dynamic_cast<TcxCustomDropDownEditProperties*>(TcxCustomEdit::Properties()))
    if (own->OnInitPopup) own->OnInitPopup(this);
  if (!alive) return;
  if (auto* item = dynamic_cast<TcxCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnInitPopup) item->OnInitPopup(this);
}

void TcxCustomDropDownEdit::DoPopup() {
  cx_edit_detail::TAliveLink alive(this);
  if (auto* own = dynamic_cast<TcxCustomDropDownEditProperties*>(TcxCustomEdit::Properties()))
    if (own->OnPopup) own->OnPopup(this);
  if (!alive) return;
  if (auto* item = dynamic_cast<TcxCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnPopup) item->OnPopup(this);
}

void TcxCustomDropDownEdit::DoCloseUp() {
  cx_edit_detail::TAliveLink alive(this);
  if (auto* own = dynamic_cast<TcxCustomDropDownEditProperties*>(TcxCustomEdit::Properties()))
    if (own->OnCloseUp) own->OnCloseUp(this);
  if (!alive) return;
  if (auto* item = dynamic_cast<TcxCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnCloseUp) item->OnCloseUp(this);
}

void TcxCustomDropDownEdit::PopupWindowCloseQuery(TObject*, bool& CanClose) {
  cx_edit_detail::TAliveLink alive(this);
  if (auto* own = dynamic_cast<TcxCustomDropDownEditProperties*>(TcxCustomEdit::Properties()))
    if (own->OnCloseQuery) own->OnCloseQuery(this, CanClose);
  if (!alive) return;
  if (auto* item = dynamic_cast<TcxCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnCloseQuery) item->OnCloseQuery(this, CanClose);
}

TWinControl* TcxCustomDropDownEdit::GetPopupFocusedControl() {
  if (ActiveProperties()->PopupCapturesFocus() && UsesLookupList())
    if (TWinControl* list = LookupListControl()) return list;
  return InnerControl();
}

void TcxCustomDropDownEdit::AttachLookupList() {
  if (UsesLookupList()) GetLookupDataIntf()->InitializeList(FPopupWindow);
}

void TcxCustomDropDownEdit::SetupPopupWindow() {
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  TcxCustomEditPopupWindow* w = FPopupWindow;
  w->SetAnchorParent(Parent());
  w->SetHorzAlignment(p->PopupAlignment() == taRightJustify ? phaRight
                      : p->PopupAlignment() == taCenter    ? phaCenter
                                                           : phaLeft);
  w->SetClientEdge(p->PopupClientEdge());
  w->SetMinHeight(p->PopupMinHeight());
  w->SetMinWidth(p->PopupMinWidth());
  w->SetPopupAutoSize(p->PopupAutoSize());
  w->SetSizeable(p->PopupSizeable());
  w->SetSysPanelStyle(p->PopupSysPanelStyle());
  w->SetCloseButton(Style()->PopupCloseButton());
  TcxCustomDropDownEditData* data = DropDownEditData();
  if (IsInplace() && p->PopupSizeable() && data) {
    w->SetPopupWidth(data->Width);
    w->SetPopupHeight(data->Height);
  } else {
    w->SetPopupWidth(p->PopupWidth());
    w->SetPopupHeight(p->PopupHeight());
  }
  TcxCustomEditViewInfo* vi = EditViewInfo();
  TcxEditPopupBorderStyle border = vi ? vi->PopupBorderStyle : epbsDefault;
  if (border == epbsDefault) border = GetCurrentEditStyle()->PopupBorderStyle();
  w->SetBorderStyle(border);
  w->SetNativeStyle(vi ? vi->NativeStyle : false);
  w->SetShadow(vi ? vi->Shadow : false);
}

void TcxCustomDropDownEdit::PopupControlsLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {}

void TcxCustomDropDownEdit::SetPopupContentBounds(const RECT& ARect) {
  if (UsesLookupList() && LookupListControl()) GetLookupDataIntf()->SetListBounds(ARect);
}

void TcxCustomDropDownEdit::PreparePopup() {
  TcxCustomEditPopupWindow* w = FPopupWindow;
  // The controls put into the popup below take the look-and-feel as it is now.
  if (FPopupControlsLookAndFeel) FPopupControlsLookAndFeel->Refresh();
  w->SetCaptureFocus(ActiveProperties()->PopupCapturesFocus());
  AttachLookupList();
  SetupPopupWindow();
  w->SetAnchorBounds(BoundsRect());
  w->SetAnchorParent(Parent());
  w->CalculateSize();
  POINT p{w->Left(), w->Top()};
  w->ComputePopupPosition(p);
  w->CalculatePosition(p);
  w->SetBounds(p.x, p.y, w->Width(), w->Height());
  w->UpdateContent();
  SetPopupContentBounds(w->ViewInfo()->ClientRect);
  w->ApplyWindowShape();
}

void TcxCustomDropDownEdit::DropDown() {
  cx_edit_detail::TAliveLink alive(this);
  DoInitPopup();
  if (!alive || !FPopupWindow || !CanDropDown() || HasPopupWindow()) return;
  PreparePopup();
  FPopupWindow->SizeChangedByMouse = false;
  FPopupWindow->SetFocusedControl(GetPopupFocusedControl());
  PostMessage(FPopupWindow->Handle(), CM_SHOWPOPUPWINDOW, 0, 0);
}

void TcxCustomDropDownEdit::ClosePopup(bool Accept) {
  if (!HasPopupWindow()) return;
  cx_edit_detail::TAliveLink alive(this);
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  LockChangeEvents(true);
  try {
    IcxTextEditLookupData* lookup = GetLookupDataIntf();
    if (Accept && lookup && p->UsesLookupData()) {
      Variant before = lookup->GetCurrentIndex();
      LockClick(true);
      try {
        lookup->SelectListItem();
      } catch (...) {
        if (alive) LockClick(false);
        throw;
      }
      if (!alive) return;
      LockClick(false);
      if (ModifiedAfterEnter() && !VarEqualsExact(before, lookup->GetCurrentIndex())) Click();
      if (!alive) return;
    }
    if (Accept && !p->PostsPopupValueItself() && p->ImmediatePost() && CanPostEditValue()) PostEditValue(true);
  } catch (...) {
    if (alive) LockChangeEvents(false);
    throw;
  }
  if (!alive) return;
  LockChangeEvents(false);
  if (alive && HasPopupWindow()) FPopupWindow->CloseUp(false);
}

void TcxCustomDropDownEdit::SetDroppedDown(bool Value) {
  if (Value == HasPopupWindow()) return;
  if (Value)
    DropDown();
  else
    ClosePopup(false);
}

void TcxCustomDropDownEdit::PopupWindowShowed(TObject*) {
  cx_edit_detail::TAliveLink alive(this);
  RecalculateAtCursor();
  if (!alive) return;
  FPopupWindow->CalculateViewInfo();
  SetPopupContentBounds(FPopupWindow->ViewInfo()->ClientRect);
  DoPopup();
  if (!alive) return;
  UpdateDrawValue();
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  if (IcxTextEditLookupData* lookup = GetLookupDataIntf())
    if (p->UsesLookupData() && FindSelection() && p->ImmediateDropDown() && p->PopupCapturesFocus())
      lookup->Notify5();
  if (FPopupWindow) FPopupWindow->SizeChangedByMouse = false;
}

void TcxCustomDropDownEdit::PopupWindowClosed(TObject*) {
  cx_edit_detail::TAliveLink alive(this);
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  if (p->PopupSizeable() && FPopupWindow->SizeChangedByMouse) {
    FPopupSizeChanged = true;
    TcxCustomDropDownEditData* data = DropDownEditData();
    if (IsInplace() && data) {
      data->SizeChanged = true;
      data->Width = FPopupWindow->Width();
      data->Height = FPopupWindow->Height();
    } else {
      p->SetPopupWidth(FPopupWindow->Width());
      p->SetPopupHeight(FPopupWindow->Height());
    }
  }
  if (IcxTextEditLookupData* lookup = GetLookupDataIntf()) lookup->SyncListIndex();
  if (p->GetEditingStyle() == esFixedList) RecalculateAtCursor();
  if (!alive) return;
  DoCloseUp();
  if (!alive) return;
  p = ActiveProperties();
  if (p->PostsPopupValueItself() && p->ImmediatePost() && CanPostEditValue())
    WithEditChangeEventsLocked([&] {
      if (DoValidateEdit(true)) PostEditValue(false);
    });
}

void TcxCustomDropDownEdit::SynchronizeLookupWithText() {
  IcxTextEditLookupData* lookup = GetLookupDataIntf();
  if (!HasPopupWindow() || !lookup) return;
  cx_edit_detail::TAliveLink alive(this);
  Variant before = lookup->GetCurrentIndex();
  LockClick(true);
  try {
    lookup->TextChanged();
    lookup->SyncListIndex();
  } catch (...) {
    if (alive) LockClick(false);
    throw;
  }
  if (!alive) return;
  LockClick(false);
  if (!VarEqualsExact(before, lookup->GetCurrentIndex())) Click();
  if (!alive) return;
  TcxEditEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style == esEdit) {
    String text = Text();
    bool atEnd = SelLength() == 0 && SelStart() == int32_t(Utf8Length(text));
    SetFindSelection(atEnd && lookup->ContainsText(text));
  } else if (style == esFixedList) {
    SetFindSelection(true);
  }
}

// ---- keys ----

void TcxCustomDropDownEdit::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  cx_edit_detail::TAliveLink alive(this);
  bool alt = Shift.Contains(ssAlt);
  if ((alt && (Key == VK_UP || Key == VK_DOWN)) || (Key == VK_F4 && !alt)) {
    if (HasPopupWindow())
      ClosePopup(true);
    else
      DropDown();
    Key = 0;
    return;
  }
  if (!alt && HasPopupWindow() && (Key == VK_RETURN || Key == VK_ESCAPE)) {
    bool escape = Key == VK_ESCAPE;
    bool saved = KeyboardAction();
    SetKeyboardAction(true);
    try {
      SetPopupJustClosed(true);
      ClosePopup(!escape && DoEditing());
    } catch (...) {
      if (alive) SetKeyboardAction(saved);
      throw;
    }
    if (!alive) return;
    SetKeyboardAction(saved);
    if (!HasPopupWindow()) {
      if (escape) ReleaseCapture();
      Key = 0;
      return;
    }
  }
  inherited::DoEditKeyDown(Key, Shift);
}

void TcxCustomDropDownEdit::DoEditKeyPress(char32_t& Key) {
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  if (Key >= 32) {
    cx_edit_detail::TAliveLink alive(this);
    // The popup window outlives its first showing, so its mere existence says nothing: a character goes
    // to it only while it is open or when this very key asked it to open (it shows from a posted
    // message). Otherwise the character belongs to the editor's own text.
    bool opening = false;
    if (p->ImmediateDropDown() && !HasPopupWindow()) {
      if (HandleAllocated()) {
        SendMessage(Handle(), CM_DROPDOWNPOPUP, 0, 0);
        opening = true;
      }
      if (!alive) return;
    }
    p = ActiveProperties();
    if ((opening || HasPopupWindow()) && p->PopupCapturesFocus() && Key != U'\r' && CanDropDown() &&
        FPopupWindow && GetPopupFocusedControl()) {
      PostMessage(FPopupWindow->Handle(), CM_DROPDOWNFORWARDCHAR, WPARAM(Key), 0);
      Key = 0;
      return;
    }
  }
  inherited::DoEditKeyPress(Key);
}

void TcxCustomDropDownEdit::HandleTabKey(TShiftState Shift) {
  if (HasPopupWindow() && ActiveProperties()->PostPopupValueOnTab()) {
    cx_edit_detail::TAliveLink alive(this);
    ClosePopup(true);
    if (!alive) return;
  }
  inherited::HandleTabKey(Shift);
}

bool TcxCustomDropDownEdit::IsClickKey(uint16_t Key, TShiftState Shift) {
  if (inherited::IsClickKey(Key, Shift)) return true;
  // Keys an open in-place popup handles itself skip the container's key-down stage.
  return IsInplace() && HasPopupWindow() &&
         (Shift.Contains(ssCtrl) || Shift.Contains(ssAlt) || Key < 32 || Key > 255);
}

void TcxCustomDropDownEdit::PasteFromClipboard() {
  if (!KeyboardAction()) {
    inherited::PasteFromClipboard();
    return;
  }
  cx_edit_detail::TAliveLink alive(this);
  String before = Text();
  inherited::PasteFromClipboard();
  if (!alive || Text() == before) return;
  if (ActiveProperties()->ImmediateDropDown() && !HasPopupWindow()) {
    if (HandleAllocated()) SendMessage(Handle(), CM_DROPDOWNPOPUP, 0, 0);
    if (!alive) return;
    if (GetLookupDataIntf() && HandleAllocated()) PostMessage(Handle(), CM_DROPDOWNSYNCLOOKUP, 0, 0);
  }
}

// ---- mouse and focus ----

void TcxCustomDropDownEdit::DoButtonDown(int32_t AVisibleIndex) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::DoButtonDown(AVisibleIndex);
  if (!alive) return;
  if (ButtonIndexOfVisible(AVisibleIndex) == ActiveProperties()->DropDownButtonIndex() && !HasPopupWindow())
    DropDown();
}

void TcxCustomDropDownEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!alive || Button != mbLeft || !ActiveProperties()->IsPopupOnlyEditing()) return;
  if (!Focused() || HasPopupWindow() || FIsActivatingByMouse || FIsHotAndPopup) return;
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (!vi) return;
  POINT p{X, Y};
  for (int32_t i = 0; i < vi->ButtonCount(); ++i)
    if (PtInRect(&vi->Button(i)->Bounds, p)) return;
  DropDown();
}

bool TcxCustomDropDownEdit::CanLookupNow(bool AForMouseWheel) {
  if (IsEditDestroying() || (GetInnerEditClass() && !InnerEdit())) return false;
  if (IsInplace()) return AForMouseWheel || HasPopupWindow();
  return true;
}

bool TcxCustomDropDownEdit::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  IcxTextEditLookupData* lookup = GetLookupDataIntf();
  if (!CanLookupNow(true) || !HasPopupWindow() || !lookup || !ActiveProperties()->UsesLookupData() ||
      lookup->IsEmpty())
    return false;
  TWinControl* list = lookup->GetListControl();
  if (!list || !list->HandleAllocated()) return false;
  SendMessage(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, uint16_t(int16_t(WheelDelta))),
              MAKELPARAM(MousePos.x, MousePos.y));
  return true;
}

bool TcxCustomDropDownEdit::RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) {
  cx_edit_detail::TAliveLink alive(this);
  bool result = inherited::RefreshContainer(P, AButton, AShift, AIsMouseEvent);
  if (!alive) return result;
  bool buttonHeld = AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
  // Only a press counts: the release of the click that opened the popup must leave it open.
  if (HasPopupWindow() && AIsMouseEvent && AButton != 0 && buttonHeld) {
    TcxCustomEditViewInfo* vi = EditViewInfo();
    bool overButton = false;
    if (vi)
      for (int32_t i = 0; i < vi->ButtonCount(); ++i)
        if (PtInRect(&vi->Button(i)->Bounds, P)) overButton = true;
    if (!overButton) {
      ClosePopup(false);
      if (!alive) return result;
    }
  }
  TcxCustomEditViewInfo* vi = EditViewInfo();
  // A press that closed the popup (the hooks close it before the editor sees the click) still finds the
  // flag set, so the same press does not open the popup again; the release clears it.
  bool hotAndPopup = HasPopupWindow() && vi && vi->ContainerState.Contains(csHotTrack);
  if (hotAndPopup || !(AIsMouseEvent && buttonHeld)) FIsHotAndPopup = hotAndPopup;
  if (FPopupControlsLookAndFeel) FPopupControlsLookAndFeel->Refresh();
  return result;
}

void TcxCustomDropDownEdit::StyleChanged(TObject* Sender) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::StyleChanged(Sender);
  if (!alive) return;
  // The popup's controls follow the button style the view info resolves, so it is laid out first.
  RecalculateAtCursor();
  if (alive && FPopupControlsLookAndFeel) FPopupControlsLookAndFeel->Refresh();
}

bool TcxCustomDropDownEdit::Focused() { return inherited::Focused() || HasPopupWindow(); }

TcxCustomEditViewData* TcxCustomDropDownEdit::CreateViewData() {
  TcxCustomEditViewData* viewData = inherited::CreateViewData();
  if (auto* d = dynamic_cast<TcxCustomDropDownEditViewData*>(viewData)) {
    d->HasPopupWindow = HasPopupWindow();
    d->IsHotAndPopup = FIsHotAndPopup;
  }
  return viewData;
}

void TcxCustomDropDownEdit::FocusChanged() {
  cx_edit_detail::TAliveLink alive(this);
  // The popup closes before the editor looks at its focus, so that a focus that went elsewhere is not
  // taken for the open popup's.
  if (HasPopupWindow() && !ActiveProperties()->PopupCapturesFocus()) {
    TWinControl* inner = InnerControl();
    bool innerFocused = inner ? inner->Focused() : inherited::Focused();
    if (!innerFocused) ClosePopup(false);
    if (!alive) return;
  }
  inherited::FocusChanged();
}

void TcxCustomDropDownEdit::DoExit() {
  cx_edit_detail::TAliveLink alive(this);
  if (HasPopupWindow()) ClosePopup(false);
  if (!alive) return;
  inherited::DoExit();
}

// ---- in-place activation ----

void TcxCustomDropDownEdit::InitializeEditData() {
  inherited::InitializeEditData();
  if (TcxCustomDropDownEditData* data = DropDownEditData()) {
    data->SizeChanged = false;
    data->Width = ActiveProperties()->PopupWidth();
    data->Height = ActiveProperties()->PopupHeight();
  }
}

void TcxCustomDropDownEdit::Activate(TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::Activate(AEditData);
  if (!alive) return;
  TcxCustomDropDownEditData* data = DropDownEditData();
  FPopupSizeChanged = data && data->SizeChanged && ActiveProperties()->PopupSizeable();
  if (ActiveProperties()->ImmediatePopup()) DropDown();
}

void TcxCustomDropDownEdit::ActivateByKey(char32_t AKey, TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::ActivateByKey(AKey, AEditData);
  if (!alive || AKey < 32) return;
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  bool sent = SendsActivationKey(AKey);
  if (p->ImmediateDropDown() && !p->ImmediatePopup() && !sent) {
    DropDown();
    if (!alive) return;
  }
  if (!sent && CanDropDown() && FPopupWindow && GetPopupFocusedControl())
    PostMessage(FPopupWindow->Handle(), CM_DROPDOWNFORWARDCHAR, WPARAM(AKey), 0);
}

void TcxCustomDropDownEdit::ActivateByMouse(TShiftState Shift, int32_t X, int32_t Y, TcxCustomEditData*& AEditData) {
  cx_edit_detail::TAliveLink alive(this);
  FIsActivatingByMouse = true;
  try {
    inherited::ActivateByMouse(Shift, X, Y, AEditData);
  } catch (...) {
    if (alive) FIsActivatingByMouse = false;
    throw;
  }
  if (alive) FIsActivatingByMouse = false;
}

bool TcxCustomDropDownEdit::SendsActivationKey(char32_t Key) {
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  if (!p->ImmediateDropDown()) return true;
  return !(p->PopupCapturesFocus() && Key != U'\r');
}

void TcxCustomDropDownEdit::RemovePendingPopupRequests() {
  if (!FPopupWindow || !FPopupWindow->HandleAllocated()) return;
  MSG msg;
  while (PeekMessage(&msg, FPopupWindow->Handle(), CM_SHOWPOPUPWINDOW, CM_SHOWPOPUPWINDOW, PM_REMOVE)) {
  }
}

void TcxCustomDropDownEdit::ValidateInput() {
  cx_edit_detail::TAliveLink alive(this);
  if (HasPopupWindow()) {
    ClosePopup(false);
    if (!alive) return;
  }
  if (TcxCustomDropDownEditData* data = DropDownEditData()) data->SizeChanged = FPopupSizeChanged;
  try {
    inherited::ValidateInput();
  } catch (...) {
    if (alive) RemovePendingPopupRequests();
    throw;
  }
  if (alive) RemovePendingPopupRequests();
}

void TcxCustomDropDownEdit::PropertiesChanged(TObject* Sender) {
  TcxCustomDropDownEditProperties* p = ActiveProperties();
  if (!p->PopupSizeable()) FPopupSizeChanged = false;
  if (HasPopupWindow()) PreparePopup();
  inherited::PropertiesChanged(Sender);
}

void TcxCustomDropDownEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DROPDOWNPOPUP:
      DropDown();
      return;
    case CM_DROPDOWNSYNCLOOKUP:
      SynchronizeLookupWithText();
      return;
    case CM_HINTSHOW:
      if (HasPopupWindow()) {
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  inherited::WndProc(Message);
}
