// The Flat tab style: tabs on a band of a lighter face colour, the selected tab in the face colour with
// white and dark edges joining the page, thin shadow lines between the others.

#include <algorithm>

#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/cxPCPaintersStandard.h"

TColor cxPCLightBrushColor() {
  // Asked of the system colours each time: a value kept from start-up would miss WM_SYSCOLORCHANGE.
  const COLORREF face = ColorToRGB(clBtnFace);
  auto lighter = [](int c) { return c + 20 > 235 ? 255 : c + 20; };
  return static_cast<TColor>(RGB(lighter(GetRValue(face)), lighter(GetGValue(face)), lighter(GetBValue(face))));
}

bool TcxPCFlatPainter::IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel) {
  if (!ALookAndFeel) return false;
  if (ALookAndFeel->GetNativeStyle() && AreThemeTypesAvailable(TdxThemedObjectTypes{totTab})) return false;
  const TcxLookAndFeelKind kind = ALookAndFeel->GetKind();
  return kind == lfFlat || kind == lfUltraFlat || kind == lfOffice11;
}

// ---- measuring ----------------------------------------------------------------------------------------------

int32_t TcxPCFlatPainter::GetMinTabNormalWidth() {
  const SIZE img = ImageSize();
  return img.cx > 0 ? img.cx + 2 * ParentInfo()->ImageBorder() + 4 : 0;
}

int32_t TcxPCFlatPainter::CalculateTabNormalWidth(TcxTab* ATab) {
  if (ParentInfo()->TabWidth() > 0) return std::max<int32_t>(ParentInfo()->TabWidth(), GetMinTabNormalWidth());
  const String caption = ATab->DisplayCaption();
  const int32_t text = caption.empty() ? 12 : MeasureCanvas()->TextWidth(caption) + 9;
  return std::max(GetMinTabNormalWidth() + text, GetMinTabNormalWidth());
}

int32_t TcxPCFlatPainter::CalculateTextTabHeight() { return TcxPCStandardPainter::CalculateTextTabHeight() - 4; }

int32_t TcxPCFlatPainter::CalculateTabNormalHeight() {
  const int32_t h = std::max(CalculateTextTabHeight(), 17);
  const int32_t fromTabHeight = ParentInfo()->TabHeight() - 4;
  return fromTabHeight >= 17 && fromTabHeight > h ? fromTabHeight : h;
}

void TcxPCFlatPainter::GetTabsSpacing(POINT& P) { P = ParentInfo()->Rotate() ? POINT{6, 1} : POINT{1, 6}; }

TColor TcxPCFlatPainter::GetTabColor(int32_t VisibleIndex) {
  if (Control()->Tabs()->VisibleTabs(VisibleIndex)->Highlighted()) return clHighlight;
  return IsMainTab(VisibleIndex) ? clBtnFace : cxPCLightBrushColor();
}

void TcxPCFlatPainter::GetTabCorrection(int32_t VisibleIndex, RECT& R) {
  R = IsMainTab(VisibleIndex) ? RECT{-1, -1, 1, 1} : RECT{0, 0, 0, 0};
}

void TcxPCFlatPainter::GetImageInsets(int32_t VisibleIndex, RECT& R) {
  R = IsMainTab(VisibleIndex) ? RECT{3, 0, 0, 0} : RECT{2, 0, 0, 0};
}

void TcxPCFlatPainter::GetTextInsets(int32_t VisibleIndex, RECT& R) {
  const bool selected = IsMainTab(VisibleIndex);
  R = selected ? RECT{6, 2, 3, 0} : RECT{5, 2, 3, 0};
  const int32_t variant = Control()->GetTabDrawingVariant(VisibleIndex);
  if (variant == 5 || variant == 7 || variant == 10) R.top = R.bottom = 0;
  if (TabShowsImage(VisibleIndex)) R.left += selected ? 1 : 2;
}

void TcxPCFlatPainter::GetContentMargins(int32_t VisibleIndex, POINT& P) {
  P = IsMainTab(VisibleIndex) ? POINT{3, 3} : POINT{2, 2};
}

void TcxPCFlatPainter::GetShortContentMargins(int32_t VisibleIndex, POINT& P) { GetContentMargins(VisibleIndex, P); }

// ---- geometry -----------------------------------------------------------------------------------------------

int32_t TcxPCFlatPainter::GetNavigatorAreaLength(TcxPCNavigatorButtons AButtons) {
  int32_t n = 0;
  for (TcxPCNavigatorButton b : {nbTopLeft, nbBottomRight, nbGoDialog})
    if (AButtons.Contains(b)) ++n;
  return n ? 17 * n - 2 : 0;
}

void TcxPCFlatPainter::CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) {
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const bool vertical = Control()->IsVerticalStrip();
  const int32_t L = GetNavigatorAreaLength(AButtons);
  RECT rows{0, 0, w, h};
  if (vertical) rows.top += 6, rows.bottom -= 6;
  else rows.left += 6, rows.right -= 6;
  switch (tp) {
    case tpTop: rows.top += 3; break;
    case tpBottom: rows.bottom -= 3; break;
    case tpLeft: rows.left += 3; break;
    case tpRight: rows.right -= 3; break;
  }
  const bool navAtEnd = vertical ? (np == npLeftBottom || np == npRightBottom) : (np == npRightTop || np == npRightBottom);
  if (vertical) {
    if (navAtEnd) rows.bottom -= L;
    else rows.top += L;
  } else {
    if (navAtEnd) rows.right -= L;
    else rows.left += L;
  }
  AGeometry.RowsRect = rows;
  AGeometry.AvailableLength = (vertical ? h : w) - L - 12;
  RECT tabs = InflateBy(rows, 1, 1);
  switch (tp) {  // not towards the page
    case tpTop: tabs.bottom = rows.bottom; break;
    case tpBottom: tabs.top = rows.top; break;
    case tpLeft: tabs.right = rows.right; break;
    case tpRight: tabs.left = rows.left; break;
  }
  AGeometry.TabsRect = tabs;
  AGeometry.NearAreaExtension = (tp == tpTop || tp == tpLeft) ? 1 : 0;
  AGeometry.FarAreaExtension = (tp == tpBottom || tp == tpRight) ? -1 : 0;
  POINT spacing;
  GetTabsSpacing(spacing);
  AGeometry.AreaGap = spacing.y - 1;
  CalculateNavigatorButtons(AButtons);
}

void TcxPCFlatPainter::CalculateNavigatorAreaBounds(TcxPCNavigatorButtons AButtons) {
  const int32_t L = GetNavigatorAreaLength(AButtons);
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  RECT& a = FNavigatorAreaBounds;
  if (Control()->IsVerticalStrip()) {
    a.left = tp == tpLeft ? 6 : w - 19;
    a.right = a.left + 13;
    const bool atEnd = np == npLeftBottom || np == npRightBottom;
    a.top = atEnd ? h - 6 - L : 6;
    a.bottom = a.top + L;
  } else {
    a.top = tp == tpTop ? 6 : h - 19;
    a.bottom = a.top + 13;
    const bool atEnd = np == npRightTop || np == npRightBottom;
    a.left = atEnd ? w - 6 - L : 6;
    a.right = a.left + L;
  }
}

void TcxPCFlatPainter::CalculateNavigatorButtons(TcxPCNavigatorButtons AButtons) {
  if (AButtons.Empty()) {
    FNavigatorButtons.clear();
    FNavigatorAreaBounds = RECT{};
    return;
  }
  CalculateNavigatorAreaBounds(AButtons);
  BuildNavigatorButtonList(AButtons);
  const bool vertical = Control()->IsVerticalStrip();
  int32_t pos = (vertical ? FNavigatorAreaBounds.top : FNavigatorAreaBounds.left) + 1;
  for (TcxPCNavigatorButtonInfo& b : FNavigatorButtons) {
    if (vertical) b.Bounds = RECT{FNavigatorAreaBounds.left, pos, FNavigatorAreaBounds.left + 13, pos + 13};
    else b.Bounds = RECT{pos, FNavigatorAreaBounds.top, pos + 13, FNavigatorAreaBounds.top + 13};
    pos += 13 + 4;
  }
}

void TcxPCFlatPainter::GetPageClientRect(RECT& R) {
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  R = RECT{0, 0, w, h};
  const bool hide = ParentInfo()->HideTabs();
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  if (!hide) {
    const RECT nearArea = ParentInfo()->NearRowArea(), farArea = ParentInfo()->FarRowArea();
    const bool hasNear = ParentInfo()->NearRowCount() > 0;
    const bool hasFar = ParentInfo()->NearRowCount() < ParentInfo()->RowCount();
    const bool farSide = tp == tpBottom || tp == tpRight;
    // Only a side that has rows moves; the other keeps the control's edge.
    if (Control()->IsVerticalStrip()) {
      if (hasNear) R.left = nearArea.right + (farSide ? 5 : 2);
      if (hasFar) R.right = farArea.left - (farSide ? 2 : 5);
    } else {
      if (hasNear) R.top = nearArea.bottom + (farSide ? 5 : 2);
      if (hasFar) R.bottom = farArea.top - (farSide ? 2 : 5);
    }
  }
  if (ParentInfo()->ShowFrame()) {
    R = InflateBy(R, -1, -1);
    if (!hide) {
      switch (tp) {
        case tpTop: --R.top; break;
        case tpBottom: ++R.bottom; break;
        case tpLeft: --R.left; break;
        case tpRight: ++R.right; break;
      }
    }
  }
  R.right = std::max(R.right, R.left);
  R.bottom = std::max(R.bottom, R.top);
}

void TcxPCFlatPainter::GetPageFrameRect(RECT& R) {
  GetPageClientRect(R);
  if (!ParentInfo()->ShowFrame()) return;
  R = InflateBy(R, 1, 1);
  if (ParentInfo()->HideTabs()) return;
  switch (ParentInfo()->TabPosition()) {
    case tpTop: --R.top; break;
    case tpBottom: ++R.bottom; break;
    case tpLeft: --R.left; break;
    case tpRight: ++R.right; break;
  }
}

// ---- painting -----------------------------------------------------------------------------------------------

void TcxPCFlatPainter::PaintControl() {
  DrawPageFrame();
  if (ParentInfo()->HideTabs()) return;
  DrawTabsAreaBackground();
  DrawNavigatorButtons();
  DrawTabs();
}

void TcxPCFlatPainter::DrawPageFrame() {
  RECT R;
  GetPageFrameRect(R);
  if (!BeginClippedDraw(R, true)) return;
  if (ParentInfo()->ShowFrame()) {
    const bool hide = ParentInfo()->HideTabs();
    const TcxTabPosition tp = ParentInfo()->TabPosition();
    TcxBorders lightBorders{bLeft, bTop}, darkBorders{bRight, bBottom};
    if (!hide) {
      const TcxBorder open = tp == tpTop ? bTop : tp == tpBottom ? bBottom : tp == tpLeft ? bLeft : bRight;
      lightBorders.Exclude(open);
      darkBorders.Exclude(open);
    }
    Canvas()->FrameRect(R, clBtnHighlight, 1, lightBorders);
    Canvas()->FrameRect(R, clBtnShadow, 1, darkBorders);
    R = InflateBy(R, -1, -1);
    if (!hide) {
      switch (tp) {
        case tpTop: --R.top; break;
        case tpBottom: ++R.bottom; break;
        case tpLeft: --R.left; break;
        case tpRight: ++R.right; break;
      }
    }
  }
  FillWithColor(R, clBtnFace);
  RestoreClipRegion();
  RECT frame;
  GetPageFrameRect(frame);
  Canvas()->ExcludeFromClip(frame);
}

void TcxPCFlatPainter::DrawTabs() {
  if (ParentInfo()->VisibleTabCount() == 0 || ParentInfo()->RowCount() == 0) return;
  TcxCustomTabControl* control = Control();
  const int32_t first = control->FirstDrawnTab(), last = control->LastDrawnTab();
  const int32_t main = control->MainTabVisibleIndex();
  const bool verticalStrip = control->IsVerticalStrip();
  const bool verticalText = control->IsVerticalText();
  const bool reversed = control->IsReversedRows();
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  for (int32_t row = 0; row < ParentInfo()->RowCount(); ++row) {
    RECT cells{};
    bool any = false;
    TcxTabPosition side = tpTop;
    for (int32_t vi = first; vi <= last; ++vi) {
      TcxTab* tab = control->Tabs()->VisibleTabs(vi);
      if (tab->VisibleRow() != row) continue;
      side = control->GetTabRowSide(vi);
      const RECT cell = control->GetTabCellRect(vi);
      if (!any) cells = cell;
      else UnionRect(&cells, &cells, &cell);
      any = true;
      DrawTab(vi);
      // The separator: a shadow line in the spacing after a tab, unless the selected tab is on either side.
      if (vi == last || vi == main || vi + 1 == main) continue;
      TcxTab* next = control->Tabs()->VisibleTabs(vi + 1);
      if (next->VisibleRow() != row || RectIsEmpty(control->GetTabVisibleRect(vi))) continue;
      if (!verticalText) {
        FillLine(cell.right, cell.top + 1, cell.right, cell.bottom - 1, clBtnShadow);
        Canvas()->ExcludeFromClip(RECT{cell.right, cell.top, cell.right + 1, cell.bottom});
      } else {
        const int32_t y = reversed ? cell.top - 1 : cell.bottom;
        FillLine(cell.left + 1, y, cell.right - 1, y, clBtnShadow);
        Canvas()->ExcludeFromClip(RECT{cell.left, y, cell.right, y + 1});
      }
    }
    if (!any) continue;
    // The band of the row: a light line along its page side, a face-coloured strip beyond it, the lighter
    // face everywhere the tabs left free.
    RECT band = verticalStrip ? RECT{cells.left - 3, 0, cells.right + 3, h} : RECT{0, cells.top - 3, w, cells.bottom + 3};
    RECT edge = band;
    TColor lineColor = clWhite;
    switch (side) {
      case tpTop: edge.top = band.bottom - 3; break;
      case tpBottom: edge.bottom = band.top + 3, lineColor = clBtnText; break;
      case tpLeft: edge.left = band.right - 3; break;
      case tpRight: edge.right = band.left + 3, lineColor = clBtnText; break;
    }
    RECT line = edge, strip = edge;
    switch (side) {
      case tpTop: line.bottom = line.top + 1, strip.top = line.bottom; break;
      case tpBottom: line.top = line.bottom - 1, strip.bottom = line.top; break;
      case tpLeft: line.right = line.left + 1, strip.left = line.right; break;
      case tpRight: line.left = line.right - 1, strip.right = line.left; break;
    }
    FillWithColor(line, lineColor);
    FillWithColor(strip, clBtnFace);
    Canvas()->ExcludeFromClip(edge);
    FillWithColor(band, cxPCLightBrushColor());
    Canvas()->ExcludeFromClip(band);
  }
}

void TcxPCFlatPainter::DrawTabFrame(int32_t VisibleIndex) {
  RECT r = Control()->GetTabFullRect(VisibleIndex);
  const TcxTabPosition side = Control()->GetTabRowSide(VisibleIndex);
  const bool selected = IsMainTab(VisibleIndex);
  if (selected) {
    // White on the leading sides, dark on the trailing one; the side towards the page stays open.
    TcxBorders white{bLeft, bTop}, dark{bRight, bBottom};
    const TcxBorder open = side == tpTop ? bBottom : side == tpBottom ? bTop : side == tpLeft ? bRight : bLeft;
    white.Exclude(open);
    dark.Exclude(open);
    Canvas()->FrameRect(r, clWhite, 1, white);
    Canvas()->FrameRect(r, clBtnText, 1, dark);
    if (white.Contains(bLeft)) ++r.left;
    if (white.Contains(bTop)) ++r.top;
    if (dark.Contains(bRight)) --r.right;
    if (dark.Contains(bBottom)) --r.bottom;
  }
  FillWithColor(r, GetTabColor(VisibleIndex));
  RECT focus = r;
  if (selected) {
    switch (side) {
      case tpTop: focus = RECT{r.left - 1, r.top - 1, r.right, r.bottom + 2}; break;
      case tpBottom: focus = RECT{r.left, r.top - 2, r.right, r.bottom}; break;
      case tpLeft: focus = RECT{r.left - 1, r.top - 1, r.right + 2, r.bottom}; break;
      case tpRight: focus = RECT{r.left - 2, r.top, r.right, r.bottom}; break;
    }
  }
  DrawFocusRectIfNeeded(VisibleIndex, focus);
}

void TcxPCFlatPainter::DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R) {
  const TcxPCNavigatorButtonState state = ParentInfo()->NavigatorButtonState(AKind);
  const bool pressed = state == nbsPressed;
  if (pressed || state == nbsHotTrack) {
    DrawThinFrame(R, pressed);
    FillWithColor(InflateBy(R, -1, -1), clBtnFace);
  } else {
    FillWithColor(R, cxPCLightBrushColor());
  }
  int32_t x = 3, y = 4, size = 4;
  if (AKind != nbGoDialog) {
    size = 5;
    switch (GlyphDirection(AKind)) {
      case TGlyphDirection::Up: x = 2, y = 5; break;
      case TGlyphDirection::Down: x = 2, y = 3; break;
      case TGlyphDirection::Left: x = 5, y = 2; break;
      case TGlyphDirection::Right: x = 3, y = 2; break;
    }
  }
  if (pressed) ++y;
  x += R.left;
  y += R.top;
  if (!Control()->Enabled()) {
    DrawGlyph(AKind, x, y, size, clSilver);
  } else if (state == nbsDisabled) {
    DrawGlyph(AKind, x + 1, y + 1, size, clBtnHighlight);
    DrawGlyph(AKind, x, y, size, clBtnShadow);
  } else {
    DrawGlyph(AKind, x, y, size, pressed ? clBtnHighlight : clBtnText);
  }
}

void TcxPCFlatPainter::RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  if (Control()->IsVerticalText()) Control()->Tabs()->VisibleTabs(VisibleIndex)->FreeTextBitmap();
  if (AKind == tpcIsMainTab && !IsMainTab(VisibleIndex)) InvalidateTabRowArea(VisibleIndex);
  else InvalidateTabRect(VisibleIndex);
}
