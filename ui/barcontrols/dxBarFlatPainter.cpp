// The flat bar style: one-pixel frames, the manager's flat brushes, and open menus joined to their items.

#include <algorithm>

#include "forms/Graphics.h"
#include "ui/barcontrols/dxBarPainters.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/dxOffice11.h"

namespace {

HBRUSH FlatSysBrush(int AIndex) { return GetSysColorBrush(AIndex); }

bool IsMenuBar(TCustomdxBarControl* ABar) { return ABar && ABar->IsMenuLike(); }

bool IsMainMenuToolbar(TCustomdxBarControl* ABar) { return ABar && ABar->Bar() && ABar->Bar()->IsMainMenu(); }

void FillPixel(HDC DC, int32_t X, int32_t Y, HBRUSH ABrush) {
  const RECT r{X, Y, X + 1, Y + 1};
  FillRect(DC, &r, ABrush);
}

// A line without its end point (the platform's MoveTo / LineTo rule), in a colour.
void FlatLine(HDC DC, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, COLORREF AColor) {
  HPEN pen = CreatePen(PS_SOLID, 1, AColor);
  HGDIOBJ old = SelectObject(DC, pen);
  MoveToEx(DC, X1, Y1, nullptr);
  LineTo(DC, X2, Y2);
  SelectObject(DC, old);
  DeleteObject(pen);
}

}  // namespace

const TdxBarItemControlFlatPainter* TdxBarItemControlFlatPainter::Instance() {
  static const TdxBarItemControlFlatPainter instance;
  return &instance;
}

// ---- what the flat family adds ----------------------------------------------------------------------------------

void TdxBarItemControlFlatPainter::DrawSelectionFrame(HDC DC, const RECT& R) const {
  if (IsBlackBtnFace())
    FrameRectWithColor(DC, R, clHighlightText);
  else
    DrawHighlightFrame(DC, R);
}

HBRUSH TdxBarItemControlFlatPainter::GetDownFrameBrush(TdxBarItemControl*, int32_t) const {
  return FlatSysBrush(COLOR_BTNSHADOW);
}

void TdxBarItemControlFlatPainter::DrawDroppedFrame(TCustomdxBarControl* ABar, HDC DC, bool AOwner,
                                                    const RECT& R) const {
  DrawJoinedFrame(ABar, DC, nullptr, AOwner, R);
  RECT r = R;
  InflateRect(&r, -1, -1);
  FillRect(DC, &r, GetBarContentBrush(ABar->BarManager()));
}

void TdxBarItemControlFlatPainter::DrawJoinedFrame(TCustomdxBarControl* ABar, HDC DC, TCustomdxBarControl* APopup,
                                                   bool, const RECT& R) const {
  if (!APopup || !IsBarControlAlive(APopup) || !APopup->HandleAllocated()) {
    FrameBarContent(ABar, DC, R);
    return;
  }
  // The edge the element shares with its popup stays open: the two read as one shape.
  const RECT edge = APopup->GetOwnerEdgeRect(true);
  bool hadRegion = false;
  HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
  if (!IsRectEmpty(&edge)) {
    FillItemContent(ABar, DC, nullptr, edge, edge);
    ExcludeClipRect(DC, edge.left, edge.top, edge.right, edge.bottom);
  }
  FrameBarContent(ABar, DC, R);
  RestoreSavedClipRegion(DC, saved, hadRegion);
}

void TdxBarItemControlFlatPainter::FrameBarContent(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  FrameRect(DC, &R, ABar->BarManager()->FlatBrush(0));
}

void TdxBarItemControlFlatPainter::FillItemContent(TCustomdxBarControl* ABar, HDC DC, TdxBarItemControl*,
                                                   const RECT& R, const RECT&) const {
  FillRect(DC, &R, GetBarContentBrush(ABar->BarManager()));
}

HBRUSH TdxBarItemControlFlatPainter::GetSeparatorBrush() const { return FlatSysBrush(COLOR_BTNSHADOW); }

// ---- answers -------------------------------------------------------------------------------------------------------

TColor TdxBarItemControlFlatPainter::GetCaptionColor(TCustomdxBarControl*, bool) const { return clInactiveCaption; }

TColor TdxBarItemControlFlatPainter::GetCaptionButtonColor(TCustomdxBarControl*, int32_t AState) const {
  return AState == 1 ? clBtnText : clCaptionText;
}

int32_t TdxBarItemControlFlatPainter::GetMarkArrowColor(TCustomdxBarControl* ABar) const {
  return IsWhiteBtnFace() && ABar->MarkState() == 1 ? COLOR_BTNFACE : COLOR_BTNTEXT;
}

int32_t TdxBarItemControlFlatPainter::GetLoweredButtonMargin(TdxBarItemControl*) const { return 1; }

int32_t TdxBarItemControlFlatPainter::GetMenuItemIndent(TdxBarItemControl* AItem) const {
  return IsMenuBar(AItem->Parent()) ? AItem->Parent()->LineHeight() + 3 : 0;
}

int32_t TdxBarItemControlFlatPainter::GetButtonArrowWidth(TdxBarManager* ABarManager) const {
  return TdxBarItemControlPainter::GetButtonArrowWidth(ABarManager) - 1;
}

int32_t TdxBarItemControlFlatPainter::GetLargeButtonArrowWidth(TdxBarManager* ABarManager) const {
  return TdxBarItemControlPainter::GetLargeButtonArrowWidth(ABarManager) - 1;
}

bool TdxBarItemControlFlatPainter::HasBarContentBrush(TCustomdxBarControl*) const { return true; }

bool TdxBarItemControlFlatPainter::IsFloatingToolbarFramed(TCustomdxBarControl* ABar) const {
  return ABar && ABar->DockingStyle() == dsNone;
}

HBRUSH TdxBarItemControlFlatPainter::GetBkBrush(TCustomdxBarControl* ABar) const {
  return ABar->BarManager()->FlatBrush(1);
}

HBRUSH TdxBarItemControlFlatPainter::GetToolbarBkBrush(TCustomdxBarControl* ABar) const {
  TdxBar* bar = ABar->Bar();
  if (bar && (bar->IsMainMenu() || bar->IsBottomWholeRow())) return FlatSysBrush(COLOR_BTNFACE);
  return GetBkBrush(ABar);
}

HBRUSH TdxBarItemControlFlatPainter::GetCheckedBrush(TCustomdxBarControl* ABar) const {
  return ABar->BarManager()->FlatBrush(2);
}

HBRUSH TdxBarItemControlFlatPainter::GetFaceBrush(TCustomdxBarControl* ABar) const {
  return ABar->BarManager()->FlatBrush(3);
}

HBRUSH TdxBarItemControlFlatPainter::GetHighlightBrush(TCustomdxBarControl* ABar) const {
  return ABar->BarManager()->FlatBrush(4);
}

int32_t TdxBarItemControlFlatPainter::GetSeparatorMargin(TCustomdxBarControl* ABar) const {
  return (GetToolbarSeparatorSize(ABar, true) - 1) / 2;
}

int32_t TdxBarItemControlFlatPainter::GetToolbarSeparatorSize(TCustomdxBarControl*, bool) const { return 5; }

void TdxBarItemControlFlatPainter::AdjustMenuItemWidth(TdxBarItemControl*, int32_t& AWidth) const { AWidth += 9; }

int32_t TdxBarItemControlFlatPainter::GetSubItemTextIndent(TdxBarItemControl* AItem) const {
  return IsMainMenuToolbar(AItem->Parent()) ? 8 : TdxBarItemControlPainter::GetSubItemTextIndent(AItem);
}

int32_t TdxBarItemControlFlatPainter::GetSubItemHeight(TdxBarItemControl* AItem) const {
  return TdxBarItemControlPainter::GetSubItemHeight(AItem) + (IsMenuBar(AItem->Parent()) ? 2 : 0);
}

int32_t TdxBarItemControlFlatPainter::GetSubItemWidth(TdxBarItemControl* AItem) const {
  return TdxBarItemControlPainter::GetSubItemWidth(AItem) + (IsMenuBar(AItem->Parent()) ? 9 : 0);
}

RECT TdxBarItemControlFlatPainter::GetMarkArea(TCustomdxBarControl* ABar) const {
  if (!ABar->HandleAllocated()) return RECT{};
  const RECT client = ABar->ClientRect();
  switch (ABar->DockingStyle()) {
    case dsLeft:
    case dsRight: return RECT{client.left, client.bottom - 11, client.right, client.bottom};
    case dsTop:
    case dsBottom: return RECT{client.right - 11, client.top, client.right, client.bottom};
    default: break;
  }
  // Floating: a square button in the caption, left of the close button, never left of the caption.
  RECT r = ABar->GetCloseButtonRect();
  r.left = r.right - (r.bottom - r.top);
  if (ABar->HasCloseButton()) OffsetRect(&r, -((r.right - r.left) + 1), 0);
  RECT caption = ABar->GetCaptionRect();
  const POINT offset = ABar->GetClientOffset();
  OffsetRect(&caption, -offset.x, -offset.y);
  r.left = std::max(r.left, caption.left);
  return r;
}

// ---- drawing ------------------------------------------------------------------------------------------------------

void TdxBarItemControlFlatPainter::DrawGlyphFrame(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits,
                                                  const RECT& ACell, const TdxBarPaintFlags& AFlags) const {
  if (AFlags.Down || (AFlags.Hot && AFlags.Kind != dxBarPaintMenu)) {
    TCustomdxBarControl* popup = AFlags.OpensMenu && AFlags.Down ? AItem->GetSubMenuControl() : nullptr;
    if (popup)
      DrawJoinedFrame(AItem->Parent(), DC, popup, true, ACell);
    else
      DrawSelectionFrame(DC, ACell);
  } else if (AGlyphFits) {
    const bool fill = AFlags.Down || AFlags.Hot || AFlags.Pressed || AItem->RarelyUsed;
    FrameItemRect(AItem, DC, fill, ABrush, ACell);
  }
}

void TdxBarItemControlFlatPainter::DrawGlyph(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits,
                                             const RECT& ACell, const RECT& AGlyphRect, TBitmap* AGlyph,
                                             TCustomImageList* AImages, int32_t AImageIndex,
                                             const TdxBarPaintFlags& AFlags) const {
  DrawGlyphImage(AItem, DC, ABrush, AGlyphFits, ACell, AGlyphRect, AGlyph, AImages, AImageIndex, AFlags, true);
}

void TdxBarItemControlFlatPainter::DrawCheckTick(TdxBarItemControl* AItem, HDC DC, int32_t AScale, int32_t ATop,
                                                 int32_t ALeft) const {
  const bool enabled = AItem->GetEnabled();
  COLORREF color = GetSysColor(COLOR_BTNSHADOW);
  if (enabled) color = IsWhiteBtnFace() || IsBlackFaceWithoutWhiteText() ? RGB(255, 255, 255) : RGB(0, 0, 0);
  const int32_t s = AScale;
  int32_t r = enabled ? 0 : 1;
  for (int32_t pass = 0; pass < 2 * s; ++pass, ++r) {
    FlatLine(DC, ALeft + s, ATop + r + 2 * s, ALeft + 3 * s, ATop + r + 4 * s, color);
    FlatLine(DC, ALeft + 3 * s, ATop + r + 4 * s, ALeft + 8 * s, ATop + r - s, color);
  }
}

void TdxBarItemControlFlatPainter::DrawButtonEdge(TdxBarItemControl*, HDC DC, RECT& R) const {
  FrameRect(DC, &R, FlatSysBrush(COLOR_BTNSHADOW));
  InflateRect(&R, -1, -1);
}

void TdxBarItemControlFlatPainter::DrawDownButtonEdge(TdxBarItemControl* AItem, HDC DC, int32_t AEdgeState, int32_t,
                                                      RECT& R) const {
  for (int32_t i = 0; i < AEdgeState; ++i) {
    FrameRect(DC, &R, GetDownFrameBrush(AItem, AEdgeState));
    InflateRect(&R, -1, -1);
  }
}

void TdxBarItemControlFlatPainter::DrawCheckedButton(TdxBarItemControl* AItem, HDC DC, bool AState, bool AEdge,
                                                     const RECT& R) const {
  TCustomdxBarControl* bar = AItem->Parent();
  HBRUSH barBrush = bar->CachedBkBrush();
  HBRUSH fill = barBrush;
  if (AEdge) {
    DrawSelectionFrame(DC, R);
    fill = AState ? GetFaceBrush(bar) : GetHighlightBrush(bar);
  } else {
    FrameRect(DC, &R, barBrush);
  }
  RECT r = R;
  InflateRect(&r, -1, -1);
  FillRect(DC, &r, fill);
}

void TdxBarItemControlFlatPainter::GetItemColors(TdxBarItemControl* AItem, int32_t, bool, bool AHot, bool APressed,
                                                 HBRUSH& ABrush, int32_t& ATextColor) const {
  TCustomdxBarControl* bar = AItem->Parent();
  ATextColor = COLOR_BTNTEXT;
  if (!AHot) {
    ABrush = bar->CachedBkBrush();
  } else if (APressed || IsWhiteBtnFace()) {
    ABrush = GetFaceBrush(bar);
    ATextColor = COLOR_HIGHLIGHTTEXT;
  } else {
    ABrush = GetHighlightBrush(bar);
  }
}

HBRUSH TdxBarItemControlFlatPainter::GetButtonFaceBrush(TdxBarItemControl* AItem,
                                                        const TdxBarPaintFlags& AFlags) const {
  TCustomdxBarControl* bar = AItem->Parent();
  if (AFlags.Hot && (AFlags.Pressed || AFlags.Down))
    return AFlags.OpensMenu && AFlags.Down ? GetBarContentBrush(bar->BarManager()) : GetFaceBrush(bar);
  if (AFlags.Hot) return GetHighlightBrush(bar);
  if (AFlags.Down) return GetCheckedBrush(bar);
  return AFlags.Kind == dxBarPaintMenu ? bar->BarManager()->FlatBrush(1) : bar->CachedBkBrush();
}

void TdxBarItemControlFlatPainter::DrawButtonArrowPart(TdxBarItemControl* AItem, HDC DC, const RECT& R,
                                                       HBRUSH ABrush, int32_t, bool AHot, bool APressed,
                                                       bool ADroppedDown, bool ADropDownEnabled, bool AHasMenu,
                                                       int32_t AKind) const {
  const bool menu = AKind == dxBarPaintMenu;
  RECT r = R;
  if (!menu) --r.left;
  // A part whose menu is open is covered by the joined frame of the whole button.
  if (menu || !(ADroppedDown && AHasMenu)) {
    if (AHot)
      DrawSelectionFrame(DC, r);
    else if (menu)
      FrameRect(DC, &r, FlatSysBrush(COLOR_BTNSHADOW));
    else
      FrameRect(DC, &r, AItem->Parent()->CachedBkBrush());
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    DrawItemBackground(AItem, DC, ADroppedDown || APressed || AHot || AItem->RarelyUsed, ABrush, inner);
  }
  const bool enabled = AItem->GetEnabled() && ADropDownEnabled;
  const bool white = IsWhiteBtnFace();
  if (menu)
    DrawArrowOfSize(DC, r, true, true, ADroppedDown || (AHot && white), enabled, AItem->Parent()->Indent());
  else
    DrawArrowInRect(DC, r, false, true, AHot && !ADroppedDown && white, enabled);
}

void TdxBarItemControlFlatPainter::DrawSeparator(TCustomdxBarControl* ABar, HDC DC, bool AHorizontal, HBRUSH ABrush,
                                                 const RECT& R) const {
  const int32_t margin = GetSeparatorMargin(ABar);
  ABar->DrawBackground(DC, R, true, clNone, ABrush);
  RECT line = R;
  if (AHorizontal) {
    line.top += margin;
    line.bottom = line.top + 1;
  } else {
    line.left += margin;
    line.right = line.left + 1;
  }
  if (line.right > line.left && line.bottom > line.top) FillRect(DC, &line, FlatSysBrush(COLOR_BTNSHADOW));
}

void TdxBarItemControlFlatPainter::DrawMarkBackground(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush,
                                                      const RECT& R) const {
  RECT inner = R;
  InflateRect(&inner, -1, -1);
  switch (ABar->MarkState()) {
    case 2:
      DrawDroppedFrame(ABar, DC, true, R);
      break;
    case 1:
      DrawSelectionFrame(DC, R);
      FillRect(DC, &inner, GetHighlightBrush(ABar));
      break;
    default:
      FrameRect(DC, &R, ABrush);
      ABar->DrawBackground(DC, inner, true, clNone, ABrush);
      break;
  }
}

void TdxBarItemControlFlatPainter::DrawMarkContents(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  const int32_t color = GetMarkArrowColor(ABar);
  const bool vertical = IsVerticalToolbar(ABar);
  const bool low = IsLowHeight(ABar, R);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(color));
  HGDIOBJ oldPen = SelectObject(DC, pen), oldBrush = SelectObject(DC, FlatSysBrush(color));
  if (vertical) {
    const int32_t x = R.left + 5, y = R.top + 3;
    const POINT pts[3] = {{x, y}, {x, y + 4}, {x - 2, y + 2}};
    Polygon(DC, pts, 3);
  } else {
    const int32_t x = R.left + 3, y = R.bottom - 7 + (low ? 1 : 0);
    const POINT pts[3] = {{x, y}, {x + 4, y}, {x + 2, y + 2}};
    Polygon(DC, pts, 3);
  }
  SelectObject(DC, oldBrush);
  SelectObject(DC, oldPen);
  DeleteObject(pen);
  if (!ABar->Truncated) return;
  // Two chevrons, each two pixels thick, pointing along the bar: more buttons than fit.
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  auto chevron = [&](int32_t APosition) {
    const int32_t t = low ? 3 : 4;
    for (int32_t k = 0; k < 2; ++k) {
      if (vertical) {
        const int32_t x = ABar->ClientWidth() - 8, y = APosition + k;
        FlatLine(DC, x, y, x + 2, y + 2, text);
        FlatLine(DC, x + 2, y + 2, x + 5, y - 1, text);
      } else {
        const int32_t x = APosition + k, y = R.top + t;
        FlatLine(DC, x, y, x + 2, y + 2, text);
        FlatLine(DC, x + 2, y + 2, x - 1, y + 5, text);
      }
    }
  };
  if (vertical) {
    chevron(R.bottom - 9);
    chevron(R.bottom - 5);
  } else {
    chevron(R.left + 2);
    chevron(R.left + 6);
  }
}

void TdxBarItemControlFlatPainter::DrawDockedBorder(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush,
                                                    const RECT& R) const {
  HBRUSH face = FlatSysBrush(COLOR_BTNFACE);
  RECT r = R;
  FrameRect(DC, &r, face);
  InflateRect(&r, -1, -1);
  // Rounded corners: the corner pixels of the second ring take the dock's face colour too.
  FillPixel(DC, r.left, r.top, face);
  FillPixel(DC, r.right - 1, r.top, face);
  FillPixel(DC, r.left, r.bottom - 1, face);
  FillPixel(DC, r.right - 1, r.bottom - 1, face);
  InflateRect(&r, -1, -1);
  TdxBar* bar = ABar->Bar();
  if (!bar || !bar->IsDockable()) return;
  HBRUSH shadow = FlatSysBrush(COLOR_BTNSHADOW);
  const int32_t indent = GetDragGripIndent(), finger = GetGripFingerWidth();
  if (IsVerticalToolbar(ABar)) {
    const int32_t top = r.top + indent;
    for (int32_t x = r.left + 3; x < r.right - 3; ++x) {
      const RECT column{x, top, x + 1, top + finger};
      FillRect(DC, &column, (x - r.left - 3) % 2 == 0 ? shadow : ABrush);
    }
  } else {
    const int32_t left = r.left + indent;
    for (int32_t y = r.top + 3; y < r.bottom - 3; ++y) {
      const RECT row{left, y, left + finger, y + 1};
      FillRect(DC, &row, (y - r.top - 3) % 2 == 0 ? shadow : ABrush);
    }
  }
}

void TdxBarItemControlFlatPainter::DrawFloatingFrame(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush,
                                                     int32_t ABorderWidth, const RECT& R) const {
  RECT r = R;
  FrameRect(DC, &r, ABar->BarManager()->FlatBrush(0));
  InflateRect(&r, -1, -1);
  FrameRect(DC, &r, FlatSysBrush(COLOR_BTNHIGHLIGHT));
  for (int32_t i = 2; i < ABorderWidth; ++i) {
    InflateRect(&r, -1, -1);
    FrameRect(DC, &r, ABrush);
  }
}

void TdxBarItemControlFlatPainter::GetCaptionButtonsLeft(TCustomdxBarControl* ABar, int32_t& X, RECT& R) const {
  X += 2;
  const POINT offset = ABar->GetClientOffset();
  R.right = std::min<int32_t>(R.right, GetMarkRect(ABar).left + offset.x);
}

void TdxBarItemControlFlatPainter::DrawCloseButton(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  const int32_t state = ABar->CloseButtonState();
  DrawCaptionButtonBackground(ABar, DC, state, R);
  RECT r = R;
  InflateRect(&r, -3, -4);
  int32_t w = r.right - r.left;
  if (w % 2 != 0) --w;
  const int32_t h = w - 1;
  if (h <= 0) return;
  HBRUSH brush = CreateSolidBrush(ColorToRGB(GetCaptionButtonColor(ABar, state)));
  for (int32_t k = 0; k < h; ++k) {
    FillPixel(DC, r.left + k, r.top + k, brush);
    FillPixel(DC, r.left + k + 1, r.top + k, brush);
    FillPixel(DC, r.left + w - 1 - k, r.top + k, brush);
    FillPixel(DC, r.left + w - 2 - k, r.top + k, brush);
  }
  DeleteObject(brush);
}

void TdxBarItemControlFlatPainter::DrawCaptionMenuButton(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  if (ABar->HasCloseButton()) FillRectWithColor(DC, RECT{R.right, R.top, R.right + 1, R.bottom}, GetCaptionColor(ABar, true));
  if (ABar->MarkState() == 2)
    DrawDroppedFrame(ABar, DC, true, R);
  else
    DrawCaptionButtonBackground(ABar, DC, ABar->MarkState(), R);
  DrawTriangle(ABar, DC, R);
}

void TdxBarItemControlFlatPainter::DrawMDIButton(TCustomdxBarControl* ABar, int32_t AKind, const RECT& R, HDC DC,
                                                 bool ADown, bool AHot) const {
  RECT inner = R;
  InflateRect(&inner, -1, -1);
  const int32_t w = inner.right - inner.left + 1, h = inner.bottom - inner.top + 1;
  if (w <= 1 || h <= 1) return;
  HBRUSH brush = nullptr;
  if (ADown && AHot)
    brush = GetFaceBrush(ABar);
  else if (ADown)
    brush = GetCheckedBrush(ABar);
  else if (AHot)
    brush = GetHighlightBrush(ABar);
  if (brush)
    FillRect(DC, &inner, brush);
  else
    ABar->DrawBackground(DC, inner, true, clNone, ABar->CachedBkBrush());
  TBitmap glyph;
  glyph.SetSize(w, h);
  RECT all{0, 0, w, h};
  static const UINT kKinds[] = {DFCS_CAPTIONMIN, DFCS_CAPTIONRESTORE, DFCS_CAPTIONCLOSE};
  DrawFrameControl(glyph.Canvas()->Handle(), &all, DFC_CAPTION, kKinds[std::clamp(AKind, 0, 2)] | DFCS_FLAT);
  TdxBarGlyphParams p;
  p.PaintRect = inner;
  p.KeepBackground = true;
  p.Bitmap = &glyph;
  p.GlyphRect = RECT{inner.left, inner.top, inner.left + w, inner.top + h};
  DrawBarGlyph(DC, p);
  if (AHot || ADown) DrawSelectionFrame(DC, R);
}

void TdxBarItemControlFlatPainter::DrawItemCaption(TdxBarItemControl* AItem, HDC DC, RECT& R, bool AHot,
                                                   bool AGlyphColumn, bool ADown) const {
  TCustomdxBarControl* bar = AItem->Parent();
  HBRUSH barBrush = bar->CachedBkBrush();
  HBRUSH column = bar->BarManager()->FlatBrush(1);
  HBRUSH hot = GetHighlightBrush(bar);
  const bool fill = AHot || AItem->RarelyUsed;
  const int32_t height = R.bottom - R.top;
  if (AHot) {
    DrawSelectionFrame(DC, R);
  } else {
    bool hadRegion = false;
    HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
    ExcludeClipRect(DC, R.left + 1, R.top + 1, R.right - 1, R.bottom - 1);
    DrawItemBackground(AItem, DC, fill, column, RECT{R.left, R.top, R.left + height + 1, R.bottom});
    DrawItemBackground(AItem, DC, fill, barBrush, RECT{R.left + height + 1, R.top, R.right, R.bottom});
    RestoreSavedClipRegion(DC, saved, hadRegion);
  }
  InflateRect(&R, -1, -1);
  const RECT cell{R.left, R.top, R.left + (R.bottom - R.top), R.bottom};
  TdxBarPaintFlags flags;
  flags.Kind = dxBarPaintMenu;
  flags.NoGlyph = !AGlyphColumn;
  flags.Hot = AHot;
  flags.Down = ADown;
  DrawItemGlyph(AItem, cell, nullptr, flags, false);
  DrawItemBackground(AItem, DC, fill, AHot ? hot : column, RECT{cell.right, R.top, cell.right + 2, R.bottom});
  DrawItemBackground(AItem, DC, fill, AHot ? hot : barBrush, RECT{cell.right + 2, R.top, R.right, R.bottom});
  R.left = cell.right + 2 + 8;
  DrawItemText(AItem, DC, AItem->GetCaption(), R, 0, AItem->GetEnabled(), AHot, false, true, !IsWhiteBtnFace());
}

void TdxBarItemControlFlatPainter::DrawSubItem(TdxBarItemControl* AItem, HDC DC, const RECT& R, bool AHot, bool ADown,
                                               int32_t AKind) const {
  DrawSubItemParts(AItem, DC, R, AHot, ADown, AKind, true);
}
