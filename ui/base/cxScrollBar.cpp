#include "ui/base/cxScrollBar.h"

#include <algorithm>

#include "rtl/Math.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxControls.h"
#include "ui/base/dxThemeManager.h"
#include "ui/base/dxUxTheme.h"
#include "winapi/WinGdi.h"

namespace {
// The thumb may be dragged this far beyond the bar's ends and beside it before it snaps back.
constexpr int32_t cxTrackingAlongMargin = 34;
constexpr int32_t cxTrackingAcrossMargin = 136;
constexpr int32_t cxFirstRepeatInterval = 400;
constexpr int32_t cxRepeatInterval = 60;

bool IsRectEmptyOrNull(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }
}  // namespace

RTL_PUBLISHED(TcxScrollBar) {
  prop("Kind", &TcxScrollBar::Kind, &TcxScrollBar::SetKind).Default(sbHorizontal);
  prop("LargeChange", &TcxScrollBar::LargeChange, &TcxScrollBar::SetLargeChange).Default(1);
  prop("Max", &TcxScrollBar::Max, &TcxScrollBar::SetMax).Default(100);
  prop("Min", &TcxScrollBar::Min, &TcxScrollBar::SetMin).Default(0);
  prop("PageSize", &TcxScrollBar::PageSize, &TcxScrollBar::SetPageSize).NoDefault();
  prop("Position", &TcxScrollBar::Position, &TcxScrollBar::SetPosition).Default(0);
  prop("SmallChange", &TcxScrollBar::SmallChange, &TcxScrollBar::SetSmallChange).Default(1);
  prop("UnlimitedTracking", &TcxScrollBar::UnlimitedTracking, &TcxScrollBar::SetUnlimitedTracking).Default(false);
}

TcxScrollBar::TcxScrollBar(TComponent* AOwner) : TCustomControl(AOwner) {}

void TcxScrollBar::AfterConstruction() {
  inherited::AfterConstruction();
  FBitmap = New<TBitmap>();
  FBitmapCanvas = New<TcxCanvas>(FBitmap->Canvas());
  FLookAndFeel = New<TcxLookAndFeel>(this);
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxScrollBar::LookAndFeelChanged);
  FThemeNotificator = New<TdxThemeChangedNotificator>();
  FThemeNotificator->OnThemeChanged = Event<>(this, &TcxScrollBar::ThemeChanged);
  FTimer = New<TcxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(cxFirstRepeatInterval);
  FTimer->SetOnTimer(TNotifyEvent(this, &TcxScrollBar::TimerTick));
  SetControlStyle(TControlStyle{csCaptureMouse, csFramed, csOpaque});
  FKind = sbHorizontal;
  SetBounds(Left(), Top(), 121, GetSystemMetrics(SM_CYHSCROLL));
  CalculateThumbMinSize();
  CalculateArrowRects();
}

TcxScrollBar::~TcxScrollBar() {
  FreeAndNil(FTimer);
  FreeAndNil(FThemeNotificator);
  FreeAndNil(FLookAndFeel);
  FreeAndNil(FBitmapCanvas);
  FreeAndNil(FBitmap);
}

void TcxScrollBar::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  RECT old = BoundsRect();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  RECT now = BoundsRect();
  bool changed = old.left != now.left || old.top != now.top || old.right != now.right || old.bottom != now.bottom;
  if (changed && Width() > 0 && Height() > 0 && FBitmap) {
    FBitmap->SetSize(Width(), Height());
    CalculateArrowRects();
  }
}

void TcxScrollBar::SetScrollParams(int32_t AMin, int32_t AMax, int32_t APosition, int32_t APageSize, bool ARedraw) {
  if (AMax < AMin || AMax < APageSize) throw EInvalidOperation(SScrollBarRange);
  bool repaint = ARedraw && HandleAllocated();
  APosition = std::clamp(APosition, AMin, AMax);
  if (AMin == FMin && AMax == FMax && APageSize == FPageSize && APosition == FPosition)
    repaint = false;
  else {
    FMin = AMin;
    FMax = AMax;
    FPageSize = APageSize;
  }
  if (APosition == FPosition) {
    CalculateThumbRect();
    if (repaint) RepaintNow();
    return;
  }
  SetEnabled(true);
  FPosition = APosition;
  CalculateThumbRect();
  if (repaint) RepaintNow();
  DoChange();
}

void TcxScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  // The bounds stay as they are; only the geometry along the bar changes.
  CalculateArrowRects();
  Invalidate();
}

void TcxScrollBar::SetLookAndFeel(TcxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }

TcxCustomLookAndFeelPainterClass TcxScrollBar::GetScrollBarPainter() const {
  return FLookAndFeel->PainterForThemeType(totScrollBar);
}

POINT TcxScrollBar::GetSystemScrollBarSize() {
  return POINT{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

void TcxScrollBar::RepaintNow() {
  Invalidate();
  Update();
}

// ---- geometry ----------------------------------------------------------------------------------------------

void TcxScrollBar::CalculateArrowRects() {
  int32_t w = Width(), h = Height();
  if (FKind == sbVertical) {
    int32_t a = std::min(GetSystemMetrics(SM_CXVSCROLL), h / 2);
    FFirstArrowRect = RECT{0, 0, w, a};
    FSecondArrowRect = RECT{0, h - a, w, h};
  } else {
    int32_t a = std::min(GetSystemMetrics(SM_CYHSCROLL), w / 2);
    FFirstArrowRect = RECT{0, 0, a, h};
    FSecondArrowRect = RECT{w - a, 0, w, h};
  }
  CalculateThumbRect();
}

int32_t TcxScrollBar::TrackLength() const {
  return FKind == sbVertical ? FSecondArrowRect.top - FFirstArrowRect.bottom
                             : FSecondArrowRect.left - FFirstArrowRect.right;
}

void TcxScrollBar::CalculateThumbRect() {
  FThumbRect = RECT{};
  auto place = [&](int32_t offset, int32_t length) {
    if (FKind == sbVertical)
      FThumbRect = RECT{0, FFirstArrowRect.bottom + offset, Width(), FFirstArrowRect.bottom + offset + length};
    else
      FThumbRect = RECT{FFirstArrowRect.right + offset, 0, FFirstArrowRect.right + offset + length, Height()};
  };
  if (Enabled()) {
    int32_t t = TrackLength();
    if (FPageSize != 0) {
      int32_t l = std::min(t, MulDiv(FPageSize, t, FMax - FMin + 1));
      if (!(t < FThumbMinSize || FMax == FMin)) {
        l = std::max(l, FThumbMinSize);
        int32_t d = FMax - FMin - FPageSize + 1;
        place(MulDiv(t - l, std::min(FPosition - FMin, d), d), l);
      }
    } else {
      int32_t l = GetSystemMetrics(FKind == sbVertical ? SM_CYVTHUMB : SM_CXHTHUMB);
      if (t >= l) {
        int32_t offset = (t - l == 0 || FMax == FMin) ? 0 : MulDiv(t - l, FPosition - FMin, FMax - FMin);
        place(offset, l);
      }
    }
  }
  CalculatePageRects();
}

void TcxScrollBar::CalculatePageRects() {
  if (IsRectEmptyOrNull(FThumbRect)) {
    FPageUpRect = FPageDownRect = RECT{};
    return;
  }
  if (FKind == sbVertical) {
    FPageUpRect = RECT{0, FFirstArrowRect.bottom, Width(), FThumbRect.top};
    FPageDownRect = RECT{0, FThumbRect.bottom, Width(), FSecondArrowRect.top};
  } else {
    FPageUpRect = RECT{FFirstArrowRect.right, 0, FThumbRect.left, Height()};
    FPageDownRect = RECT{FThumbRect.right, 0, FSecondArrowRect.left, Height()};
  }
}

void TcxScrollBar::CalculateThumbMinSize() {
  FThumbMinSize = 8;
  if (GetScrollBarPainter() != TcxWinXPLookAndFeelPainter::Instance()) return;
  HTHEME theme = OpenTheme(totScrollBar);
  if (!theme) return;
  int part = FKind == sbHorizontal ? SBP_GRIPPERVERT : SBP_GRIPPERHORZ;
  HDC dc = GetDC(nullptr);
  SIZE minSize{}, trueSize{};
  bool minOk = GetThemePartSizeSimple(theme, dc, part, 1, TS_MIN, minSize) == S_OK;
  bool trueOk = minOk && GetThemePartSizeSimple(theme, dc, part, 1, TS_TRUE, trueSize) == S_OK;
  ReleaseDC(nullptr, dc);
  if (!minOk) return;
  int32_t along = FKind == sbHorizontal ? minSize.cx : minSize.cy;
  if (trueOk) along = std::max(along, (FKind == sbHorizontal ? trueSize.cx : trueSize.cy) + 4);
  FThumbMinSize = std::max(along, 8);
}

int32_t TcxScrollBar::PositionFromThumb() const {
  int32_t n = FMax - FMin;
  if (FPageSize > 0) n += 1 - FPageSize;
  int32_t offset, length;
  if (FKind == sbVertical) {
    offset = FThumbRect.top - FFirstArrowRect.bottom;
    length = FThumbRect.bottom - FThumbRect.top;
  } else {
    offset = FThumbRect.left - FFirstArrowRect.right;
    length = FThumbRect.right - FThumbRect.left;
  }
  return FMin + MulDiv(n, offset, TrackLength() - length);
}

TcxScrollPart TcxScrollBar::HitTest(POINT P) {
  RECT client = ClientRect();
  if (!PtInRect(&client, P)) return spNone;
  if (PtInRect(&FFirstArrowRect, P)) return spLineUp;
  if (PtInRect(&FSecondArrowRect, P)) return spLineDown;
  if (IsRectEmptyOrNull(FThumbRect)) return spNone;
  if (PtInRect(&FThumbRect, P)) return spThumb;
  if (PtInRect(&FPageUpRect, P)) return spPageUp;
  if (PtInRect(&FPageDownRect, P)) return spPageDown;
  return spNone;
}

// ---- scrolling ---------------------------------------------------------------------------------------------

void TcxScrollBar::DoChange() {
  Changed();
  if (OnChange) OnChange(this);
}

void TcxScrollBar::DoScroll(TScrollCode AScrollCode, int32_t& AScrollPos) {
  if (OnScroll) OnScroll(this, AScrollCode, AScrollPos);
}

void TcxScrollBar::Scroll(TScrollCode AScrollCode) {
  int32_t pos = FPosition;
  switch (AScrollCode) {
    case scLineUp: pos -= FSmallChange; break;
    case scLineDown: pos += FSmallChange; break;
    case scPageUp: pos -= FLargeChange; break;
    case scPageDown: pos += FLargeChange; break;
    case scTop: pos = FMin; break;
    case scBottom: pos = FMax; break;
    default: break;
  }
  pos = std::clamp(pos, FMin, FMax);
  TObjectLink<TcxScrollBar> alive(this);
  DoScroll(AScrollCode, pos);
  if (!alive) return;
  pos = std::clamp(pos, FMin, FMax);
  if (pos == FPosition) return;
  if (AScrollCode == scTrack) {
    FPosition = pos;
    CalculateThumbRect();
    RepaintNow();
  } else
    SetPosition(pos);
}

void TcxScrollBar::ScrollByPart(TcxScrollPart APart) {
  switch (APart) {
    case spLineUp: Scroll(scLineUp); break;
    case spLineDown: Scroll(scLineDown); break;
    case spThumb: Scroll(scTrack); break;
    case spPageUp: Scroll(scPageUp); break;
    case spPageDown: Scroll(scPageDown); break;
    default: break;
  }
}

// ---- mouse -------------------------------------------------------------------------------------------------

void TcxScrollBar::MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
  TObjectLink<TcxScrollBar> alive(this);
  inherited::MouseDown(AButton, AShift, X, Y);
  if (!alive || AButton != mbLeft) return;
  TcxScrollPart part = HitTest(POINT{X, Y});
  if (part == spNone) return;
  if (part == spThumb) {
    FMouseDownPos = POINT{X, Y};
    FSavePosition = FPosition;
    FSaveThumbOrigin = FKind == sbVertical ? FThumbRect.top : FThumbRect.left;
    FPressedPart = FHotPart = part;
    Scroll(scTrack);
  } else {
    FPressedPart = FHotPart = part;
    ScrollByPart(part);
    if (!alive) return;
    FTimer->SetInterval(cxFirstRepeatInterval);
    FTimer->SetEnabled(true);
  }
  if (alive) RepaintNow();
}

void TcxScrollBar::TimerTick(TObject*) {
  bool captured = HandleAllocated() && GetCapture() == Handle();
  bool repeatable = FPressedPart == spLineUp || FPressedPart == spLineDown || FPressedPart == spPageUp ||
                    FPressedPart == spPageDown;
  if (!captured || !repeatable) {
    StopScrolling();
    return;
  }
  if (FTimer->Interval() == cxFirstRepeatInterval) FTimer->SetInterval(cxRepeatInterval);
  TObjectLink<TcxScrollBar> alive(this);
  ScrollByPart(FPressedPart);
  if (!alive) return;
  POINT p;
  GetCursorPos(&p);
  FTimer->SetEnabled(HitTest(ScreenToClient(p)) == FPressedPart);
}

void TcxScrollBar::MouseMove(TShiftState AShift, int32_t X, int32_t Y) {
  TObjectLink<TcxScrollBar> alive(this);
  inherited::MouseMove(AShift, X, Y);
  if (!alive) return;
  POINT p{X, Y};
  if (FPressedPart == spThumb) {
    RECT area = ClientRect();
    if (FKind == sbHorizontal)
      InflateRect(&area, cxTrackingAlongMargin, cxTrackingAcrossMargin);
    else
      InflateRect(&area, cxTrackingAcrossMargin, cxTrackingAlongMargin);
    int32_t before = FPosition;
    if (FUnlimitedTracking || PtInRect(&area, p)) {
      int32_t delta = FKind == sbHorizontal ? X - FMouseDownPos.x : Y - FMouseDownPos.y;
      int32_t length = FKind == sbHorizontal ? FThumbRect.right - FThumbRect.left : FThumbRect.bottom - FThumbRect.top;
      int32_t lo = FKind == sbHorizontal ? FFirstArrowRect.right : FFirstArrowRect.bottom;
      int32_t hi = (FKind == sbHorizontal ? FSecondArrowRect.left : FSecondArrowRect.top) - length;
      int32_t origin = std::max(lo, std::min(FSaveThumbOrigin + delta, hi));
      if (FKind == sbHorizontal)
        FThumbRect = RECT{origin, FThumbRect.top, origin + length, FThumbRect.bottom};
      else
        FThumbRect = RECT{FThumbRect.left, origin, FThumbRect.right, origin + length};
      CalculatePageRects();
      RepaintNow();
      int32_t pos = PositionFromThumb();
      if (pos != FPosition) FPosition = pos;
    } else if (FSavePosition != FPosition) {
      SetPosition(FSavePosition);
    }
    if (alive && FPosition != before) Scroll(scTrack);
    return;
  }
  TcxScrollPart part = HitTest(p);
  if (FPressedPart != spNone) FTimer->SetEnabled(part == FPressedPart);
  if (part != FHotPart) {
    FHotPart = part;
    if (GetScrollBarPainter()->ButtonsTrackHot()) RepaintNow();
  }
}

void TcxScrollBar::MouseUp(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
  TObjectLink<TcxScrollBar> alive(this);
  inherited::MouseUp(AButton, AShift, X, Y);
  if (!alive) return;
  StopScrolling();
  if (alive) FHotPart = HitTest(POINT{X, Y});
}

void TcxScrollBar::StopScrolling() {
  if (FPressedPart == spNone) return;
  TObjectLink<TcxScrollBar> alive(this);
  if (FPressedPart == spThumb) {
    FPosition = PositionFromThumb();
    Scroll(scPosition);
    if (!alive) return;
  }
  FTimer->SetEnabled(false);
  FPressedPart = FHotPart = spNone;
  Scroll(scEndScroll);
  if (!alive) return;
  CalculateThumbRect();
  Invalidate();
}

void TcxScrollBar::MouseEnter(TControl*) {
  if (GetScrollBarPainter()->ButtonsTrackHot() || (FPressedPart != spNone && FPressedPart != spThumb)) Invalidate();
}

void TcxScrollBar::MouseLeave(TControl*) {
  if (FPressedPart != spThumb) FHotPart = spNone;
  if (GetScrollBarPainter()->ButtonsTrackHot() || (FPressedPart != spNone && FPressedPart != spThumb)) Invalidate();
}

// ---- painting ----------------------------------------------------------------------------------------------

TcxButtonState TcxScrollBar::PartState(TcxScrollPart APart) const {
  if (!Enabled()) return cxbsDisabled;
  if (APart == spThumb && !GetScrollBarPainter()->ButtonsTrackHot()) return cxbsNormal;
  if (FPressedPart != spNone) return APart == FPressedPart && APart == FHotPart ? cxbsPressed : cxbsNormal;
  if (APart == FHotPart && !ComponentState().Contains(csDesigning)) return cxbsHot;
  return cxbsNormal;
}

void TcxScrollBar::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  if (FBitmap->Width() != Width() || FBitmap->Height() != Height()) FBitmap->SetSize(Width(), Height());
  TcxCustomLookAndFeelPainterClass painter = GetScrollBarPainter();
  bool horizontal = IsHorizontal();
  if (IsRectEmptyOrNull(FThumbRect))
    painter->PaintScrollBarPart(FBitmapCanvas, horizontal, RECT{0, 0, Width(), Height()}, spPageUp, cxbsNormal);
  else
    painter->PaintScrollBarPart(FBitmapCanvas, horizontal, FThumbRect, spThumb, PartState(spThumb));
  painter->PaintScrollBarPart(FBitmapCanvas, horizontal, FFirstArrowRect, spLineUp, PartState(spLineUp));
  painter->PaintScrollBarPart(FBitmapCanvas, horizontal, FSecondArrowRect, spLineDown, PartState(spLineDown));
  if (!IsRectEmptyOrNull(FPageUpRect))
    painter->PaintScrollBarPart(FBitmapCanvas, horizontal, FPageUpRect, spPageUp, PartState(spPageUp));
  if (!IsRectEmptyOrNull(FPageDownRect))
    painter->PaintScrollBarPart(FBitmapCanvas, horizontal, FPageDownRect, spPageDown, PartState(spPageDown));
  BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), FBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- change reactions --------------------------------------------------------------------------------------

void TcxScrollBar::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
  CalculateThumbMinSize();
  CalculateArrowRects();
  Invalidate();
}

void TcxScrollBar::ThemeChanged() {
  CalculateThumbMinSize();
  CalculateArrowRects();
  RefreshScrollTrackBitmaps();
  Invalidate();
  if (Parent()) Parent()->Realign();
}

void TcxScrollBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      TObjectLink<TcxScrollBar> alive(this);
      inherited::WndProc(m);
      if (!alive) return;
      auto* control = reinterpret_cast<TControl*>(m.LParam);
      if (!control) control = this;
      if (m.Msg == CM_MOUSEENTER)
        MouseEnter(control);
      else
        MouseLeave(control);
      return;
    }
    case CM_ENABLEDCHANGED:
      inherited::WndProc(m);
      CalculateArrowRects();
      if (!Enabled()) StopScrolling();
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      if (m.WParam == 0) StopScrolling();
      inherited::WndProc(m);
      return;
    case CM_SYSCOLORCHANGE:
      RefreshScrollTrackBitmaps();
      inherited::WndProc(m);
      return;
    case CN_CTLCOLORSCROLLBAR:
      RefreshScrollTrackBitmaps();
      if (HandleAllocated()) m.Result = DefWindowProc(Handle(), m.Msg, m.WParam, m.LParam);
      return;
    case CN_HSCROLL:
    case CN_VSCROLL:
      Scroll(static_cast<TScrollCode>(LOWORD(m.WParam)));
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_CANCELMODE: {
      TObjectLink<TcxScrollBar> alive(this);
      StopScrolling();
      if (alive) inherited::WndProc(m);
      return;
    }
    default:
      inherited::WndProc(m);
  }
}
