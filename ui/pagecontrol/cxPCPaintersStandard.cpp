// The standard tab painter (navigator, tab content, classic page frame, table-driven metrics) and the three
// classic styles built on it: Tabs, Buttons and FlatButtons.

#include "ui/pagecontrol/cxPCPaintersStandard.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "ui/base/dxThemeManager.h"

namespace cxpc_standard_detail {


bool PtInBounds(const RECT& R, int32_t X, int32_t Y) { return X >= R.left && X < R.right && Y >= R.top && Y < R.bottom; }

// Per-style tables (0 Tabs, 1 Buttons, 2 FlatButtons), (left, top, right, bottom) for a tab on top.
struct Insets {
  int32_t l, t, r, b;
};
const Insets kImageInsets[3][2] = {{{6, 1, 0, 0}, {8, 1, 0, 3}}, {{6, -1, 0, 1}, {7, -1, 0, 1}}, {{6, -1, 0, 1}, {7, -1, 0, 1}}};
const Insets kTextInsets[3][2] = {{{5, 1, 5, -1}, {5, 1, 5, 2}}, {{6, 0, 4, 1}, {6, 0, 4, 1}}, {{6, 0, 4, 1}, {6, 0, 4, 1}}};
const int32_t kMinTabNormalHeight[3] = {18, 20, 20};
const POINT kTabsSpacing[3] = {{0, 0}, {3, 3}, {10, 3}};

bool IsFlippedVariant(int32_t AVariant) { return AVariant == 5 || AVariant == 7 || AVariant == 10; }
bool IsSwappedMarginsVariant(int32_t AVariant) { return AVariant == 3 || AVariant == 6 || AVariant == 11; }

// A caption as units the user sees: "&&" is one "&", "&x" is an underlined x, anything else one character.
std::vector<std::pair<size_t, size_t>> CaptionUnits(const String& S) {
  std::vector<std::pair<size_t, size_t>> units;  // (start, byte length)
  size_t i = 0;
  auto cpLen = [&](size_t at) {
    const auto c = static_cast<unsigned char>(S[at]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    return std::min(n, S.size() - at);
  };
  while (i < S.size()) {
    size_t n = cpLen(i);
    if (S[i] == '&' && i + 1 < S.size()) n = 1 + cpLen(i + 1);
    units.emplace_back(i, n);
    i += n;
  }
  return units;
}

}  // namespace cxpc_standard_detail

using namespace cxpc_standard_detail;

// ---- measuring ----------------------------------------------------------------------------------------------

TcxCanvas* TcxPCStandardPainter::MeasureCanvas() {
  TcxCanvas* c = Canvas();
  c->Font()->Assign(Control()->Font());
  return c;
}

int32_t TcxPCStandardPainter::CalculateTabNormalWidth(TcxTab* ATab) {
  if (ParentInfo()->TabWidth() > 0) return ParentInfo()->TabWidth();
  const SIZE img = ImageSize();
  const int32_t imagePart = img.cx > 0 ? img.cx + 2 * ParentInfo()->ImageBorder() + 6 : 0;
  const String caption = ATab->DisplayCaption();
  const int32_t text = caption.empty() ? 12 : MeasureCanvas()->TextWidth(caption) + 12;
  return std::max(imagePart + text, GetMinTabNormalWidth());
}

int32_t TcxPCStandardPainter::GetMinTabNormalWidth() {
  const SIZE img = ImageSize();
  const int32_t imagePart = img.cx > 0 ? img.cx + 2 * ParentInfo()->ImageBorder() + 6 : 0;
  return std::max(GetMinTabWidth(), imagePart + 12);
}

void TcxPCStandardPainter::GetMinTabVisiblePart(POINT& P) { P = POINT{4, 4}; }

void TcxPCStandardPainter::GetTabsSpacing(POINT& P) { P = kTabsSpacing[StandardStyle()]; }

int32_t TcxPCStandardPainter::GetMinTabNormalHeight() { return kMinTabNormalHeight[StandardStyle()]; }

int32_t TcxPCStandardPainter::CalculateTextTabHeight() {
  int32_t h = MeasureCanvas()->TextHeight("Zg") + 8;
  const SIZE img = ImageSize();
  if (img.cy > 0) h = std::max(h, static_cast<int32_t>(img.cy) + 2 * ParentInfo()->ImageBorder() + 6);
  return h;
}

int32_t TcxPCStandardPainter::CalculateTabNormalHeight() {
  const int32_t h = std::max(CalculateTextTabHeight(), GetMinTabNormalHeight());
  const int32_t tabHeight = ParentInfo()->TabHeight();
  return tabHeight >= GetMinTabNormalHeight() && tabHeight > h ? tabHeight : h;
}

void TcxPCStandardPainter::CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons,
                                                     TcxPCTabsAreaGeometry& AGeometry) {
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  AGeometry.TabsRect = RECT{0, 0, w, h};
  const int32_t L = GetNavigatorAreaLength(AButtons);
  if (Control()->IsVerticalStrip()) {
    AGeometry.AvailableLength = h - L;
    if (np == npLeftBottom || np == npRightBottom) AGeometry.TabsRect.bottom -= L;
    else AGeometry.TabsRect.top += L;
  } else {
    AGeometry.AvailableLength = w - L;
    if (np == npRightTop || np == npRightBottom) AGeometry.TabsRect.right -= L;
    else AGeometry.TabsRect.left += L;
  }
  AGeometry.RowsRect = AGeometry.TabsRect;
  AGeometry.NearAreaExtension = 0;
  AGeometry.FarAreaExtension = 0;
  POINT spacing;
  GetTabsSpacing(spacing);
  AGeometry.AreaGap = spacing.y;
  CalculateNavigatorButtons(AButtons);
}

void TcxPCStandardPainter::GetPageFrameRect(RECT& R) {
  R = RECT{0, 0, ParentInfo()->Width(), ParentInfo()->Height()};
  if (ParentInfo()->HideTabs()) return;
  // Only a side with rows moves: a row area without rows lies past the control's edge.
  const RECT nearArea = ParentInfo()->NearRowArea(), farArea = ParentInfo()->FarRowArea();
  const bool hasNear = ParentInfo()->NearRowCount() > 0;
  const bool hasFar = ParentInfo()->NearRowCount() < ParentInfo()->RowCount();
  if (Control()->IsVerticalStrip()) {
    if (hasNear) R.left = nearArea.right;
    if (hasFar) R.right = farArea.left;
  } else {
    if (hasNear) R.top = nearArea.bottom;
    if (hasFar) R.bottom = farArea.top;
  }
}

void TcxPCStandardPainter::GetPageClientRect(RECT& R) { GetPageFrameRect(R); }

// ---- navigator ----------------------------------------------------------------------------------------------

int32_t TcxPCStandardPainter::GetNavigatorButtonThickness() { return 20; }

int32_t TcxPCStandardPainter::GetNavigatorButtonLength(TcxPCNavigatorButton AKind) {
  if (AKind != nbGoDialog) return 20;
  return Control()->IsVerticalStrip() ? 13 : 12;
}

int32_t TcxPCStandardPainter::GetNavigatorAreaLength(TcxPCNavigatorButtons AButtons) {
  int32_t L = 0;
  for (TcxPCNavigatorButton b : {nbTopLeft, nbBottomRight, nbGoDialog})
    if (AButtons.Contains(b)) L += GetNavigatorButtonLength(b);
  return L;
}

void TcxPCStandardPainter::CalculateNavigatorAreaBounds(TcxPCNavigatorButtons AButtons) {
  const int32_t L = GetNavigatorAreaLength(AButtons), T = GetNavigatorButtonThickness();
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  RECT& a = FNavigatorAreaBounds;
  if (Control()->IsVerticalStrip()) {
    a.left = tp == tpLeft ? 0 : w - T;
    a.right = a.left + T;
    a.top = (np == npLeftBottom || np == npRightBottom) ? h - L : 0;
    a.bottom = a.top + L;
  } else {
    a.left = (np == npRightTop || np == npRightBottom) ? w - L : 0;
    a.right = a.left + L;
    a.top = tp == tpTop ? 0 : h - T;
    a.bottom = a.top + T;
  }
}

void TcxPCStandardPainter::BuildNavigatorButtonList(TcxPCNavigatorButtons AButtons) {
  FNavigatorButtons.clear();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const bool goFirst = Control()->IsVerticalStrip() ? (np == npLeftBottom || np == npRightBottom)
                                                    : (np == npRightTop || np == npRightBottom);
  if (goFirst && AButtons.Contains(nbGoDialog)) FNavigatorButtons.push_back({nbGoDialog, {}});
  for (TcxPCNavigatorButton b : {nbTopLeft, nbBottomRight})
    if (AButtons.Contains(b)) FNavigatorButtons.push_back({b, {}});
  if (!goFirst && AButtons.Contains(nbGoDialog)) FNavigatorButtons.push_back({nbGoDialog, {}});
}

void TcxPCStandardPainter::CalculateNavigatorButtons(TcxPCNavigatorButtons AButtons) {
  if (AButtons.Empty()) {
    FNavigatorButtons.clear();
    FNavigatorAreaBounds = RECT{};
    return;
  }
  CalculateNavigatorAreaBounds(AButtons);
  BuildNavigatorButtonList(AButtons);
  const int32_t T = GetNavigatorButtonThickness();
  int32_t pos = Control()->IsVerticalStrip() ? FNavigatorAreaBounds.top : FNavigatorAreaBounds.left;
  for (TcxPCNavigatorButtonInfo& b : FNavigatorButtons) {
    const int32_t len = GetNavigatorButtonLength(b.Kind);
    if (Control()->IsVerticalStrip())
      b.Bounds = RECT{FNavigatorAreaBounds.left, pos, FNavigatorAreaBounds.left + T, pos + len};
    else
      b.Bounds = RECT{pos, FNavigatorAreaBounds.top, pos + len, FNavigatorAreaBounds.top + T};
    pos += len;
  }
}

bool TcxPCStandardPainter::GetNavigatorButtonAt(int32_t X, int32_t Y, TcxPCNavigatorButton& AButton) {
  if (ParentInfo()->NavigatorButtons().Empty()) return false;
  for (const TcxPCNavigatorButtonInfo& b : FNavigatorButtons)
    if (PtInBounds(b.Bounds, X, Y)) {
      AButton = b.Kind;
      return true;
    }
  return false;
}

void TcxPCStandardPainter::GetGoDialogButtonBounds(RECT& R) {
  R = RECT{};
  if (!ParentInfo()->NavigatorButtons().Contains(nbGoDialog)) return;
  for (const TcxPCNavigatorButtonInfo& b : FNavigatorButtons)
    if (b.Kind == nbGoDialog) R = b.Bounds;
}

TcxPCStandardPainter::TGlyphDirection TcxPCStandardPainter::GlyphDirection(TcxPCNavigatorButton AKind) const {
  if (AKind == nbGoDialog) return TGlyphDirection::Down;
  const bool vertical = Control()->IsVerticalStrip();
  if (AKind == nbTopLeft) return vertical ? TGlyphDirection::Up : TGlyphDirection::Left;
  return vertical ? TGlyphDirection::Down : TGlyphDirection::Right;
}

void TcxPCStandardPainter::DrawGlyph(TcxPCNavigatorButton AKind, int32_t X, int32_t Y, int32_t ASize, TColor AColor) {
  const int32_t k = ASize - 1;
  std::vector<POINT> p;
  switch (GlyphDirection(AKind)) {
    case TGlyphDirection::Up: p = {{0, k}, {k, 0}, {2 * k, k}}; break;
    case TGlyphDirection::Down: p = {{0, 0}, {2 * k, 0}, {k, k}}; break;
    case TGlyphDirection::Left: p = {{0, k}, {k, 0}, {k, 2 * k}}; break;
    case TGlyphDirection::Right: p = {{0, 0}, {k, k}, {0, 2 * k}}; break;
  }
  for (POINT& q : p) {
    q.x += X;
    q.y += Y;
  }
  TcxCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(AColor);
  c->Pen()->SetColor(AColor);
  c->Polygon(p);
}

void TcxPCStandardPainter::FillWithColor(const RECT& R, TColor AColor) {
  if (RectIsEmpty(R)) return;
  TcxCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(AColor);
  c->FillRect(R);
}

void TcxPCStandardPainter::FillLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor AColor) {
  FillWithColor(RECT{std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2) + 1, std::max(Y1, Y2) + 1}, AColor);
}

void TcxPCStandardPainter::DrawRaisedFrame(const RECT& R) {
  Canvas()->DrawTwoColorFrame(R, cl3DLight, cl3DDkShadow);
  Canvas()->DrawTwoColorFrame(InflateBy(R, -1, -1), clBtnHighlight, clBtnShadow);
}

void TcxPCStandardPainter::DrawSunkenFrame(const RECT& R) {
  Canvas()->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight);
  Canvas()->DrawTwoColorFrame(InflateBy(R, -1, -1), cl3DDkShadow, cl3DLight);
}

void TcxPCStandardPainter::DrawThinFrame(const RECT& R, bool ASunken) {
  if (ASunken) Canvas()->DrawTwoColorFrame(R, cl3DDkShadow, cl3DLight);
  else Canvas()->DrawTwoColorFrame(R, cl3DLight, cl3DDkShadow);
}

void TcxPCStandardPainter::DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R) {
  const TcxPCNavigatorButtonState state = ParentInfo()->NavigatorButtonState(AKind);
  const bool pressed = state == nbsPressed;
  if (pressed) DrawSunkenFrame(R);
  else DrawRaisedFrame(R);
  FillWithColor(InflateBy(R, -2, -2), clBtnFace);
  int32_t x, y, size = 5;
  switch (GlyphDirection(AKind)) {
    case TGlyphDirection::Up:
    case TGlyphDirection::Down: x = 5, y = 7; break;
    case TGlyphDirection::Left: x = 6, y = 5; break;
    default: x = 8, y = 5; break;
  }
  if (AKind == nbGoDialog) {
    size = 4;
    if (Control()->IsVerticalStrip()) x = 6, y = 4;
    else x = 3, y = 8;
  }
  if (pressed) ++x, ++y;
  x += R.left;
  y += R.top;
  if (state == nbsDisabled || !Control()->Enabled()) {
    DrawGlyph(AKind, x + 1, y + 1, size, clBtnHighlight);
    DrawGlyph(AKind, x, y, size, clBtnShadow);
  } else {
    DrawGlyph(AKind, x, y, size, state == nbsHotTrack ? ParentInfo()->HotTrackColor() : clBtnText);
  }
}

void TcxPCStandardPainter::DrawNavigatorButtons() {
  if (ParentInfo()->NavigatorButtons().Empty()) return;
  for (const TcxPCNavigatorButtonInfo& b : FNavigatorButtons) {
    if (BeginClippedDraw(b.Bounds, true)) {
      DrawNavigatorButton(b.Kind, b.Bounds);
      RestoreClipRegion();
    }
    Canvas()->ExcludeFromClip(b.Bounds);
  }
}

void TcxPCStandardPainter::RepaintNavigatorButton(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AOldState) {
  (void)AOldState;
  for (const TcxPCNavigatorButtonInfo& b : FNavigatorButtons)
    if (b.Kind == AButton) InvalidateRect(b.Bounds);
}

void TcxPCStandardPainter::RepaintNavigatorArea() {
  if (!ParentInfo()->NavigatorButtons().Empty()) InvalidateRect(FNavigatorAreaBounds);
}

// ---- painting -----------------------------------------------------------------------------------------------

void TcxPCStandardPainter::Paint() {
  PaintControl();
  // Whatever the elements left inside the clip.
  FillWithColor(RECT{0, 0, ParentInfo()->Width(), ParentInfo()->Height()}, GetTabsAreaColor());
}

void TcxPCStandardPainter::DrawPageFrame() {
  RECT R;
  GetPageFrameRect(R);
  if (RectIsEmpty(R)) return;
  FillWithColor(R, ParentInfo()->Color());
  Canvas()->DrawTwoColorFrame(InflateBy(R, 2, 2), clBtnHighlight, cl3DDkShadow);
  Canvas()->DrawTwoColorFrame(InflateBy(R, 1, 1), cl3DLight, clBtnShadow);
  Canvas()->ExcludeFromClip(InflateBy(R, 2, 2));
}

void TcxPCStandardPainter::DrawTabs() {
  if (ParentInfo()->VisibleTabCount() == 0 || ParentInfo()->RowCount() == 0) return;
  for (int32_t vi = Control()->FirstDrawnTab(); vi <= Control()->LastDrawnTab(); ++vi) DrawTab(vi);
}

void TcxPCStandardPainter::GetTabDrawBounds(int32_t VisibleIndex, RECT& R, bool& AIntersectClip) {
  R = Control()->GetTabVisibleRect(VisibleIndex);
  AIntersectClip = true;
}

void TcxPCStandardPainter::DrawTab(int32_t VisibleIndex) {
  RECT r;
  bool intersect = true;
  GetTabDrawBounds(VisibleIndex, r, intersect);
  if (RectIsEmpty(r)) return;
  if (BeginClippedDraw(r, intersect)) {
    if (!DoCustomDraw(VisibleIndex)) {
      if (IsNativePainting()) DrawNativeTab(VisibleIndex);
      PrepareTabCanvasFont(VisibleIndex);
      RECT imageRect, textRect;
      String text;
      CalculateTabContent(VisibleIndex, imageRect, text, textRect);
      SetTabDrawData(VisibleIndex, imageRect, text, textRect);
      Canvas()->Font()->SetColor(ParentInfo()->FontColor());
      DrawTabImageAndText(GetTabColor(VisibleIndex));
      DrawTabFrame(VisibleIndex);
    }
    RestoreClipRegion();
  }
  Canvas()->ExcludeFromClip(r);
}

void TcxPCStandardPainter::SetTabDrawData(int32_t VisibleIndex, const RECT& AImageRect, const String& AText,
                                          const RECT& ATextRect) {
  SetCurrentTab(VisibleIndex, AImageRect, AText, ATextRect);
}

void TcxPCStandardPainter::RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  (void)AKind;
  if (Control()->IsVerticalText()) Control()->Tabs()->VisibleTabs(VisibleIndex)->FreeTextBitmap();
  InvalidateTabRect(VisibleIndex);
}

void TcxPCStandardPainter::DrawFocusRectIfNeeded(int32_t VisibleIndex, const RECT& R) {
  TcxTab* tab = Control()->Tabs()->VisibleTabs(VisibleIndex);
  if (!tab->RealEnabled() || !IsMainTab(VisibleIndex) || !Control()->HasFocus()) return;
  TcxCanvas* c = Canvas();
  c->Font()->SetColor(ParentInfo()->FontColor());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(GetTabColor(VisibleIndex));
  c->DrawFocusRect(InflateBy(R, -1, -1));
}

// ---- tables -------------------------------------------------------------------------------------------------

bool TcxPCStandardPainter::IsTabDrawnActive(int32_t VisibleIndex) {
  TcxTab* tab = Control()->Tabs()->VisibleTabs(VisibleIndex);
  const bool mainOrPicked = IsMainTab(VisibleIndex) || tab->Selected() || VisibleIndex == Control()->PressedTabVisibleIndex();
  switch (StandardStyle()) {
    case 1: return mainOrPicked || VisibleIndex == Control()->FocusedTabVisibleIndex();
    case 2: return mainOrPicked && VisibleIndex != Control()->FocusedTabVisibleIndex();
    default: return IsMainTab(VisibleIndex);
  }
}

TColor TcxPCStandardPainter::GetTabColor(int32_t VisibleIndex) {
  TcxTab* tab = Control()->Tabs()->VisibleTabs(VisibleIndex);
  if (StandardStyle() == 0) return tab->Highlighted() && tab->RealEnabled() ? GetHighlightedTabBodyColor() : clBtnFace;
  if (tab->Highlighted()) return GetHighlightedTabBodyColor();
  return IsMainTab(VisibleIndex) ? clBtnHighlight : clBtnFace;
}

void TcxPCStandardPainter::GetImageInsets(int32_t VisibleIndex, RECT& R) {
  const Insets& i = kImageInsets[StandardStyle()][IsTabDrawnActive(VisibleIndex) ? 1 : 0];
  R = RECT{i.l, i.t, i.r, i.b};
  if (StandardStyle() == 0 && IsFlippedVariant(Control()->GetTabDrawingVariant(VisibleIndex))) ++R.bottom;
}

void TcxPCStandardPainter::GetTextInsets(int32_t VisibleIndex, RECT& R) {
  const bool active = IsTabDrawnActive(VisibleIndex);
  const Insets& i = kTextInsets[StandardStyle()][active ? 1 : 0];
  R = RECT{i.l, i.t, i.r, i.b};
  if (StandardStyle() != 0) return;
  if (IsFlippedVariant(Control()->GetTabDrawingVariant(VisibleIndex))) ++R.bottom;
  if (active && !TabShowsImage(VisibleIndex)) R.left += 2;
}

void TcxPCStandardPainter::GetImageOffset(int32_t VisibleIndex, POINT& P) {
  P = POINT{0, 0};
  if (StandardStyle() != 0 || !IsTabDrawnActive(VisibleIndex) || !ParentInfo()->Rotate()) return;
  P = IsSwappedMarginsVariant(Control()->GetTabDrawingVariant(VisibleIndex)) ? POINT{2, 1} : POINT{1, 2};
}

void TcxPCStandardPainter::GetContentMargins(int32_t VisibleIndex, POINT& P) {
  switch (StandardStyle()) {
    case 1: P = TabShowsImage(VisibleIndex) ? POINT{2, 3} : POINT{3, 3}; return;
    case 2: P = POINT{2, 3}; return;
    default: break;
  }
  if (IsTabDrawnActive(VisibleIndex)) P = ParentInfo()->Rotate() ? POINT{3, 4} : POINT{4, 4};
  else P = POINT{2, 2};
  if (IsSwappedMarginsVariant(Control()->GetTabDrawingVariant(VisibleIndex))) std::swap(P.x, P.y);
}

void TcxPCStandardPainter::GetShortContentMargins(int32_t VisibleIndex, POINT& P) { GetContentMargins(VisibleIndex, P); }

// ---- image and caption ------------------------------------------------------------------------------------

void TcxPCStandardPainter::DrawCaption(TCanvas* ACanvas, const RECT& R, bool AUsable, TColor ATextColor) {
  ACanvas->Brush()->SetStyle(bsClear);
  auto draw = [&](RECT r, TColor color) {
    ACanvas->Font()->SetColor(color);
    ACanvas->TextExtent("");  // selects the font and its colour into the device context
    // Transparent, so that the shadow copy of an embossed caption does not wipe out the light one.
    const HDC dc = ACanvas->Handle();
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    ::DrawText(dc, CurrentText().c_str(), -1, &r, DT_SINGLELINE);
    SetBkMode(dc, oldMode);
  };
  if (!AUsable) {
    draw(RECT{R.left + 1, R.top + 1, R.right + 1, R.bottom + 1}, GetDisabledTextFaceColor());
    ATextColor = GetDisabledTextShadowColor();
  }
  draw(R, ATextColor);
}

void TcxPCStandardPainter::DrawTabImageAndText(TColor ATextBackgroundColor) {
  const int32_t vi = CurrentTabVisibleIndex();
  TcxCustomTabControl* control = Control();
  TcxTab* tab = control->Tabs()->VisibleTabs(vi);
  const bool usable = tab->RealEnabled();
  const bool native = IsNativePainting();
  TcxCanvas* canvas = Canvas();
  const RECT imageRect = CurrentImageRect(), textRect = CurrentTextRect();

  const int32_t image = control->GetTabImageIndex(tab->Index());
  if (image != -1 && TabShowsImage(vi)) {
    if (native && tab->PaintBuffer()) {
      TcxCanvas buffer(tab->PaintBuffer()->Canvas());
      control->ImageList()->Draw(&buffer, imageRect.left, imageRect.top, image, usable, ATextBackgroundColor);
    } else {
      control->ImageList()->Draw(canvas, imageRect.left, imageRect.top, image, usable, ATextBackgroundColor);
      canvas->ExcludeFromClip(imageRect);
    }
  }
  if (CurrentText().empty()) return;
  const int32_t w = textRect.right - textRect.left, h = textRect.bottom - textRect.top;
  if (w <= 0 || h <= 0) return;
  const TColor textColor = usable ? GetTextColor(vi) : GetDisabledTextShadowColor();
  const TcxPCTextOrientation orientation = control->TextOrientation();
  if (native && tab->PaintBuffer() && orientation == pctoHorizontal) {
    // Straight onto the themed tab in its buffer, so that the theme's background shows around the letters.
    TCanvas* bc = tab->PaintBuffer()->Canvas();
    bc->Font()->Assign(canvas->Font());
    DoDrawTabEx(vi, bc->Font());
    DrawCaption(bc, textRect, usable, textColor);
    return;
  }
  // The caption goes onto a picture of its rectangle first: flicker-free, and turnable for vertical text.
  auto prepare = [&](TBitmap* b, int32_t bw, int32_t bh) {
    b->SetSize(bw, bh);
    TCanvas* bc = b->Canvas();
    bc->Font()->Assign(canvas->Font());
    bc->Pen()->Assign(canvas->Pen());
    bc->Brush()->SetStyle(bsSolid);
    bc->Brush()->SetColor(ATextBackgroundColor);
    bc->FillRect(RECT{0, 0, bw, bh});
    DoDrawTabEx(vi, bc->Font());
    DrawCaption(bc, RECT{0, 0, bw, bh}, usable, textColor);
  };
  if (orientation != pctoHorizontal) {
    if (!tab->TextBitmap()) {
      TBitmap* b = New<TBitmap>();
      prepare(b, h, w);
      TcxCanvas::RotateBitmap(b, orientation == pctoBottomToTop ? 1 : 2);
      tab->SetTextBitmap(b);
    }
    canvas->Draw(textRect.left, textRect.top, tab->TextBitmap());
  } else {
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    prepare(b.get(), w, h);
    canvas->Draw(textRect.left, textRect.top, b.get());
  }
  canvas->ExcludeFromClip(textRect);
}

// ---- tab content --------------------------------------------------------------------------------------------

String TcxPCStandardPainter::ShortenCaption(const String& ACaption, int32_t AWidth) {
  TcxCanvas* c = Canvas();
  const auto units = CaptionUnits(ACaption);
  if (units.empty()) return ACaption;
  auto shown = [&](size_t n) {
    const String prefix = ACaption.substr(0, n ? units[n - 1].first + units[n - 1].second : 0);
    return c->TextWidth(TcxCustomTabControl::RemoveAccelChars(prefix) + "...");
  };
  size_t fit = 0;
  while (fit < units.size() && shown(fit + 1) <= AWidth) ++fit;
  if (fit == 0) return ACaption.substr(0, units[0].second);  // not even one character with "...": no ellipsis
  return ACaption.substr(0, units[fit - 1].first + units[fit - 1].second) + "...";
}

void TcxPCStandardPainter::CalculateTabContent(int32_t VisibleIndex, RECT& AImageRect, String& AText,
                                               RECT& ATextRect) {
  TcxCustomTabControl* control = Control();
  TcxTab* tab = control->Tabs()->VisibleTabs(VisibleIndex);
  RECT box = control->GetTabFullRect(VisibleIndex);
  if (IsNativePainting() && tab->PaintBuffer())
    box = RECT{0, 0, tab->PaintBuffer()->Width(), tab->PaintBuffer()->Height()};
  const TcxPCTextOrientation orientation = control->TextOrientation();
  const bool vertical = orientation != pctoHorizontal;
  const int32_t variant = control->GetTabDrawingVariant(VisibleIndex);
  const bool active = IsTabDrawnActive(VisibleIndex);
  const bool mirrors = PainterClass() ? PainterClass()->MirrorsContentForFlippedTabs() : StandardStyle() == 0;
  const bool presses = PainterClass() ? PainterClass()->PressesTabsLikeButtons() : StandardStyle() != 0;
  const int32_t border = ParentInfo()->ImageBorder();
  TcxCanvas* canvas = Canvas();

  // Everything below runs along the text and across it; the tab box in that frame.
  const int32_t length = vertical ? box.bottom - box.top : box.right - box.left;
  const int32_t thickness = vertical ? box.right - box.left : box.bottom - box.top;

  RECT imageInsets, textInsets;
  GetImageInsets(VisibleIndex, imageInsets);
  GetTextInsets(VisibleIndex, textInsets);
  if (mirrors && IsFlippedVariant(variant)) {
    std::swap(imageInsets.left, imageInsets.right);
    std::swap(textInsets.left, textInsets.right);
  }
  const bool showsImage = TabShowsImage(VisibleIndex);
  const SIZE img = showsImage ? ImageSize() : SIZE{0, 0};
  if (!presses && ParentInfo()->Rotate()) imageInsets.top = imageInsets.bottom = 0;
  int32_t imageAcross = imageInsets.top + (thickness - imageInsets.top - imageInsets.bottom - img.cy) / 2;
  const int32_t textHeight = canvas->TextHeight("Zg");
  if (showsImage) textInsets.left += border;
  const int32_t textAcross = textInsets.top + (thickness - textInsets.top - textInsets.bottom - textHeight) / 2;

  POINT margins;
  GetContentMargins(VisibleIndex, margins);
  if (active && presses && orientation == pctoBottomToTop) ++margins.x, --margins.y;
  const int32_t imagePart = showsImage ? img.cx + 2 * border + GetImageTextGap() : 0;
  AText = tab->Caption();
  int32_t textWidth = canvas->TextWidth(tab->DisplayCaption());
  int32_t space = length - margins.x - margins.y;
  bool shortened = false;
  if (textWidth > space - imagePart) {
    GetShortContentMargins(VisibleIndex, margins);
    space = length - margins.x - margins.y;
    AText = ShortenCaption(tab->Caption(), space - imagePart);
    textWidth = canvas->TextWidth(TcxCustomTabControl::RemoveAccelChars(AText));
    shortened = true;
  }
  int32_t imageAlong = margins.x + border, textAlong = margins.x + imagePart;
  if (!shortened) {
    if (ParentInfo()->Rotate() && showsImage) {
      textAlong = margins.x + imagePart + std::max(0, space - imagePart - textWidth) / 2;
    } else {
      const int32_t offset = std::max(0, space - imagePart - textWidth) / 2;
      imageAlong += offset;
      textAlong += offset;
    }
  }
  POINT offset;
  GetImageOffset(VisibleIndex, offset);
  imageAlong += offset.x;
  imageAcross += offset.y;
  if (presses && active) imageAlong += orientation == pctoBottomToTop ? -1 : 1;
  const int32_t textEnd = std::min(textAlong + textWidth, length - margins.y);

  // Back to the screen: bottom-to-top text runs from the box's end backwards, its glyph tops to the left;
  // top-to-bottom text has its glyph tops to the right.
  auto place = [&](int32_t along, int32_t alongLen, int32_t across, int32_t acrossLen) {
    switch (orientation) {
      case pctoBottomToTop:
        return RECT{box.left + across, box.bottom - along - alongLen, box.left + across + acrossLen, box.bottom - along};
      case pctoTopToBottom:
        return RECT{box.right - across - acrossLen, box.top + along, box.right - across, box.top + along + alongLen};
      default:
        return RECT{box.left + along, box.top + across, box.left + along + alongLen, box.top + across + acrossLen};
    }
  };
  AImageRect = showsImage ? place(imageAlong, img.cx, imageAcross, img.cy) : RECT{};
  ATextRect = place(textAlong, std::max(0, textEnd - textAlong), textAcross, textHeight);
}

// ---- Tabs ---------------------------------------------------------------------------------------------------

bool TcxPCTabsPainter::IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel) {
  return ALookAndFeel && ALookAndFeel->GetKind() == lfStandard;
}

bool TcxPCTabsPainter::IsNativeStyleSupported(TcxLookAndFeel* ALookAndFeel) {
  return ALookAndFeel && ALookAndFeel->GetNativeStyle();
}

void TcxPCTabsPainter::GetTabCorrection(int32_t VisibleIndex, RECT& R) {
  R = RECT{0, 0, 0, 0};
  if (!IsMainTab(VisibleIndex)) return;
  switch (Control()->GetTabRowSide(VisibleIndex)) {
    case tpTop: R = RECT{-2, -2, 2, 1}; break;
    case tpBottom: R = RECT{-2, -1, 2, 2}; break;
    case tpLeft: R = RECT{-2, -2, 1, 2}; break;
    case tpRight: R = RECT{-1, -2, 2, 2}; break;
  }
}

void TcxPCTabsPainter::CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) {
  const int32_t w = ParentInfo()->Width(), h = ParentInfo()->Height();
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  const TcxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const bool vertical = Control()->IsVerticalStrip();
  const int32_t L = GetNavigatorAreaLength(AButtons);
  AGeometry.TabsRect = RECT{0, 0, w, h};
  RECT rows{0, 0, w, h};
  switch (tp) {
    case tpTop: rows.top += 2; break;
    case tpBottom: rows.bottom -= 2; break;
    case tpLeft: rows.left += 2; break;
    case tpRight: rows.right -= 2; break;
  }
  const int32_t stripLength = vertical ? h : w;
  const bool navAtStart = vertical ? !(np == npLeftBottom || np == npRightBottom) : !(np == npRightTop || np == npRightBottom);
  int32_t start;
  if (ParentInfo()->MultiLine()) {
    start = 2;
    AGeometry.AvailableLength = stripLength - 4;
  } else {
    start = (Control()->IsReversedRows() ? 0 : 2) + (navAtStart ? L : 0);
    AGeometry.AvailableLength = stripLength - L - 2;
  }
  if (vertical) rows.top = start;
  else rows.left = start;
  AGeometry.RowsRect = rows;
  AGeometry.NearAreaExtension = (tp == tpTop || tp == tpLeft) ? 1 : 0;
  AGeometry.FarAreaExtension = (tp == tpBottom || tp == tpRight) ? -1 : 0;
  AGeometry.AreaGap = 0;
  CalculateNavigatorButtons(AButtons);
}

void TcxPCTabsPainter::GetPageFrameRect(RECT& R) {
  R = InflateBy(RECT{0, 0, ParentInfo()->Width(), ParentInfo()->Height()}, -2, -2);
  if (ParentInfo()->HideTabs()) return;
  const TcxTabPosition tp = ParentInfo()->TabPosition();
  const RECT nearArea = ParentInfo()->NearRowArea(), farArea = ParentInfo()->FarRowArea();
  const bool hasNear = ParentInfo()->NearRowCount() > 0;
  const bool hasFar = ParentInfo()->NearRowCount() < ParentInfo()->RowCount();
  if (Control()->IsVerticalStrip()) {
    if (hasNear) R.left = nearArea.right + (tp == tpLeft ? 1 : 2);
    if (hasFar) R.right = farArea.left - (tp == tpRight ? 1 : 2);
  } else {
    if (hasNear) R.top = nearArea.bottom + (tp == tpTop ? 1 : 2);
    if (hasFar) R.bottom = farArea.top - (tp == tpBottom ? 1 : 2);
  }
}

void TcxPCTabsPainter::GetPageClientRect(RECT& R) {
  GetPageFrameRect(R);
  if (!IsNativePainting() || RectIsEmpty(R)) return;
  // Inside the themed pane: its frame grown back by 2, less the pane's own content margins.
  RECT content;
  if (GetThemeContentRect(OpenTheme(totTab), nullptr, TABP_PANE, 0, InflateBy(R, 2, 2), content) == S_OK) R = content;
}

int32_t TcxPCTabsPainter::CalculateTextTabHeight() { return TcxPCStandardPainter::CalculateTextTabHeight() - 3; }

void TcxPCTabsPainter::GetTabDrawBounds(int32_t VisibleIndex, RECT& R, bool& AIntersectClip) {
  TcxPCStandardPainter::GetTabDrawBounds(VisibleIndex, R, AIntersectClip);
  if (!IsMainTab(VisibleIndex) || RectIsEmpty(R)) return;
  // The selected tab reaches one pixel further, over the page frame's edge.
  switch (Control()->GetTabRowSide(VisibleIndex)) {
    case tpTop: ++R.bottom; break;
    case tpBottom: --R.top; break;
    case tpLeft: ++R.right; break;
    case tpRight: --R.left; break;
  }
  AIntersectClip = false;
}

void TcxPCTabsPainter::DrawTabs() {
  if (ParentInfo()->VisibleTabCount() == 0 || ParentInfo()->RowCount() == 0) return;
  const int32_t first = Control()->FirstDrawnTab(), last = Control()->LastDrawnTab();
  const int32_t main = Control()->MainTabVisibleIndex();
  const bool mainShown = main >= first && main <= last && !RectIsEmpty(Control()->GetTabVisibleRect(main));
  if (mainShown) DrawTab(main);
  for (int32_t vi = first; vi <= last; ++vi)
    if (!(mainShown && vi == main)) DrawTab(vi);
}

void TcxPCTabsPainter::RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  if (AKind == tpcIsMainTab && !IsMainTab(VisibleIndex)) {
    if (Control()->IsVerticalText()) Control()->Tabs()->VisibleTabs(VisibleIndex)->FreeTextBitmap();
    InvalidateTabRowArea(VisibleIndex);
    return;
  }
  TcxPCStandardPainter::RepaintTab(VisibleIndex, AKind);
}

void TcxPCTabsPainter::RepaintTabsArea() {
  TcxPCStandardPainter::RepaintTabsArea();
  if (ParentInfo()->MultiLine() || ParentInfo()->RowCount() == 0) return;
  // The page edge under the strip changes with the selected tab.
  const RECT a = ParentInfo()->NearRowCount() > 0 ? ParentInfo()->NearRowArea() : ParentInfo()->FarRowArea();
  RECT line = a;
  switch (ParentInfo()->TabPosition()) {
    case tpTop: line.top = a.bottom, line.bottom = a.bottom + 1; break;
    case tpBottom: line.bottom = a.top, line.top = a.top - 1; break;
    case tpLeft: line.left = a.right, line.right = a.right + 1; break;
    case tpRight: line.right = a.left, line.left = a.left - 1; break;
  }
  InvalidateRect(line);
}

// The classic outline (the Tabs style's look).
void TcxPCStandardPainter::DrawTabFrame(int32_t VisibleIndex) {
  const bool selected = IsMainTab(VisibleIndex);
  const RECT full = Control()->GetTabFullRect(VisibleIndex);
  const TcxTabPosition side = Control()->GetTabRowSide(VisibleIndex);
  // The outline in the frame of a tab on top: x along the tab's edge (0..w-1), y from the far side (0) to the
  // page side; turned to the real side so that light colours stay on the left and top edges.
  const bool turned = side == tpLeft || side == tpRight;
  const int32_t w = turned ? full.bottom - full.top : full.right - full.left;
  const int32_t h = turned ? full.right - full.left : full.bottom - full.top;
  auto toScreen = [&](int32_t x, int32_t y) -> POINT {
    switch (side) {
      case tpBottom: return POINT{full.left + x, full.bottom - 1 - y};
      case tpLeft: return POINT{full.left + y, full.top + x};
      case tpRight: return POINT{full.right - 1 - y, full.top + x};
      default: return POINT{full.left + x, full.top + y};
    }
  };
  auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor c) {
    const POINT a = toScreen(x1, y1), b = toScreen(x2, y2);
    FillLine(a.x, a.y, b.x, b.y, c);
  };
  const bool farIsLight = side == tpTop || side == tpLeft;
  const TColor lightOuter = clBtnHighlight, lightInner = cl3DLight, darkOuter = cl3DDkShadow, darkInner = clBtnShadow;
  const TColor farOuter = farIsLight ? lightOuter : darkOuter, farInner = farIsLight ? lightInner : darkInner;
  // The lateral edge at x = 0 is physically left (or top); the one at w - 1 right (or bottom).
  const int32_t pageEnd = selected ? h : h - 1;  // the selected tab runs on over the frame's edge

  // Inside first, then the outline over it.
  RECT inside = full;
  switch (side) {
    case tpTop: inside = RECT{full.left + 2, full.top + 2, full.right - 2, full.bottom}; break;
    case tpBottom: inside = RECT{full.left + 2, full.top, full.right - 2, full.bottom - 2}; break;
    case tpLeft: inside = RECT{full.left + 2, full.top + 2, full.right, full.bottom - 2}; break;
    case tpRight: inside = RECT{full.left, full.top + 2, full.right - 2, full.bottom - 2}; break;
  }
  FillWithColor(inside, GetTabColor(VisibleIndex));
  if (selected) {
    const POINT a = toScreen(2, h), b = toScreen(w - 3, h);
    FillLine(a.x, a.y, b.x, b.y, clBtnFace);
  }
  line(2, 0, w - 3, 0, farOuter);
  line(2, 1, w - 3, 1, farInner);
  line(0, 2, 0, pageEnd, lightOuter);
  line(1, 2, 1, pageEnd, lightInner);
  line(1, 1, 1, 1, lightOuter);
  line(w - 1, 2, w - 1, pageEnd, darkOuter);
  line(w - 2, 2, w - 2, pageEnd, darkInner);
  line(w - 2, 1, w - 2, 1, darkOuter);
  // The cut corners show the face colour.
  for (const POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{0, 1}, POINT{w - 1, 0}, POINT{w - 2, 0}, POINT{w - 1, 1}})
    line(p.x, p.y, p.x, p.y, clBtnFace);
  DrawFocusRectIfNeeded(VisibleIndex, inside);
}

// ---- Buttons and FlatButtons --------------------------------------------------------------------------------

void TcxPCButtonedPainter::GetPageFrameRect(RECT& R) {
  TcxPCStandardPainter::GetPageFrameRect(R);
  if (!ParentInfo()->HideTabs() && ParentInfo()->RowCount() > 0) {
    const TcxTabPosition tp = ParentInfo()->TabPosition();
    const bool hasNear = ParentInfo()->NearRowCount() > 0;
    const bool hasFar = ParentInfo()->NearRowCount() < ParentInfo()->RowCount();
    if (Control()->IsVerticalStrip()) {
      if (hasNear) R.left += 2;
      if (hasFar) R.right -= 2;
    } else {
      if (hasNear) R.top += 2;
      if (hasFar) R.bottom -= 2;
    }
    (void)tp;
  }
  if (ParentInfo()->ShowFrame()) R = InflateBy(R, -2, -2);
}

void TcxPCButtonedPainter::DrawPageFrame() {
  if (ParentInfo()->ShowFrame()) TcxPCStandardPainter::DrawPageFrame();
}

void TcxPCButtonsPainter::DrawTabFrame(int32_t VisibleIndex) {
  const RECT r = Control()->GetTabFullRect(VisibleIndex);
  if (IsTabDrawnActive(VisibleIndex)) {
    Canvas()->DrawTwoColorFrame(r, cl3DDkShadow, clBtnHighlight);
    Canvas()->DrawTwoColorFrame(InflateBy(r, -1, -1), clBtnShadow, cl3DLight);
  } else {
    Canvas()->DrawTwoColorFrame(r, clBtnHighlight, cl3DDkShadow);
    Canvas()->DrawTwoColorFrame(InflateBy(r, -1, -1), cl3DLight, clBtnShadow);
  }
  FillWithColor(InflateBy(r, -2, -2), GetTabColor(VisibleIndex));
  DrawFocusRectIfNeeded(VisibleIndex, InflateBy(r, -1, -1));
}

void TcxPCFlatButtonsPainter::DrawTabFrame(int32_t VisibleIndex) {
  RECT r = Control()->GetTabFullRect(VisibleIndex);
  const RECT full = r;
  if (IsTabDrawnActive(VisibleIndex)) {
    Canvas()->DrawTwoColorFrame(r, cl3DDkShadow, clBtnHighlight);
    Canvas()->DrawTwoColorFrame(InflateBy(r, -1, -1), clBtnShadow, cl3DLight);
    r = InflateBy(r, -2, -2);
  } else if (VisibleIndex == Control()->HotTabVisibleIndex() || VisibleIndex == Control()->FocusedTabVisibleIndex()) {
    Canvas()->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow);
    r = InflateBy(r, -1, -1);
  }
  FillWithColor(r, GetTabColor(VisibleIndex));
  DrawFocusRectIfNeeded(VisibleIndex, InflateBy(full, -1, -1));
}

void TcxPCFlatButtonsPainter::DrawTabs() {
  if (ParentInfo()->VisibleTabCount() == 0 || ParentInfo()->RowCount() == 0) return;
  const int32_t first = Control()->FirstDrawnTab(), last = Control()->LastDrawnTab();
  POINT spacing;
  GetTabsSpacing(spacing);
  const bool verticalText = Control()->IsVerticalText();
  const bool reversed = Control()->IsReversedRows();
  for (int32_t vi = first; vi <= last; ++vi) {
    DrawTab(vi);
    if (vi == last) continue;
    TcxTab* tab = Control()->Tabs()->VisibleTabs(vi);
    TcxTab* next = Control()->Tabs()->VisibleTabs(vi + 1);
    if (RectIsEmpty(Control()->GetTabVisibleRect(vi))) continue;
    const bool sameRow = ParentInfo()->Rotate() ? next->Position().x == tab->Position().x || next->Position().y == tab->Position().y
                                                : next->Row() == tab->Row();
    if (!sameRow) continue;
    const RECT cell = Control()->GetTabCellRect(vi);
    // The groove in the middle of the spacing: shadow, then light beside it.
    const int32_t gap = spacing.x;
    const int32_t off = (gap - 2) / 2;
    RECT space;
    if (!verticalText) {
      space = RECT{cell.right, cell.top, cell.right + gap, cell.bottom};
      FillWithColor(space, ParentInfo()->Color());
      FillLine(cell.right + off, cell.top + 1, cell.right + off, cell.bottom - 2, clBtnShadow);
      FillLine(cell.right + off + 1, cell.top + 1, cell.right + off + 1, cell.bottom - 2, clBtnHighlight);
    } else if (!reversed) {
      space = RECT{cell.left, cell.bottom, cell.right, cell.bottom + gap};
      FillWithColor(space, ParentInfo()->Color());
      FillLine(cell.left + 1, cell.bottom + off, cell.right - 2, cell.bottom + off, clBtnShadow);
      FillLine(cell.left + 1, cell.bottom + off + 1, cell.right - 2, cell.bottom + off + 1, clBtnHighlight);
    } else {
      space = RECT{cell.left, cell.top - gap, cell.right, cell.top};
      FillWithColor(space, ParentInfo()->Color());
      FillLine(cell.left + 1, cell.top - gap + off, cell.right - 2, cell.top - gap + off, clBtnShadow);
      FillLine(cell.left + 1, cell.top - gap + off + 1, cell.right - 2, cell.top - gap + off + 1, clBtnHighlight);
    }
    Canvas()->ExcludeFromClip(space);
  }
}

// ---- registration -------------------------------------------------------------------------------------------

void RegisterStandardPCPainters() {
  RegisterPainterClass(TcxPCPainterClassOf<TcxPCTabsPainter>());
  RegisterPainterClass(TcxPCPainterClassOf<TcxPCButtonsPainter>());
  RegisterPainterClass(TcxPCPainterClassOf<TcxPCFlatButtonsPainter>());
  RegisterPainterClass(TcxPCPainterClassOf<TcxPCFlatPainter>());
}

void UnregisterStandardPCPainters() {
  UnregisterPainterClass(TcxPCPainterClassOf<TcxPCTabsPainter>());
  UnregisterPainterClass(TcxPCPainterClassOf<TcxPCButtonsPainter>());
  UnregisterPainterClass(TcxPCPainterClassOf<TcxPCFlatButtonsPainter>());
  UnregisterPainterClass(TcxPCPainterClassOf<TcxPCFlatPainter>());
}

// ---- Tabs through visual styles -----------------------------------------------------------------------------

bool TcxPCTabsPainter::IsNativePainting() {
  TcxCustomTabControl* c = Control();
  // Vertical captions stay classic: the themed buffer is laid out for horizontal text only.
  return !c->IsDestroying() && c->LookAndFeel()->GetNativeStyle() && VisualStylesActive() &&
         OpenTheme(totTab) != nullptr && !c->IsVerticalText();
}

void TcxPCTabsPainter::GetTabThemeParts(int32_t VisibleIndex, int32_t& APartId, int32_t& AStateId) {
  TcxCustomTabControl* c = Control();
  TcxTab* tab = c->Tabs()->VisibleTabs(VisibleIndex);
  const bool selected = IsMainTab(VisibleIndex);
  const bool first = VisibleIndex == c->FirstDrawnTab() || c->Tabs()->VisibleTabs(VisibleIndex - 1)->Row() != tab->Row();
  const bool stretched = ParentInfo()->MultiLine() && !ParentInfo()->RaggedRight();
  bool last;
  if (stretched)
    last = VisibleIndex == c->LastDrawnTab() || c->Tabs()->VisibleTabs(VisibleIndex + 1)->Row() != tab->Row();
  else
    last = VisibleIndex == ParentInfo()->VisibleTabCount() - 1 && !selected;
  APartId = first ? TABP_TABITEMLEFTEDGE : last ? TABP_TABITEMRIGHTEDGE : TABP_TABITEM;
  if (selected) APartId += TABP_TOPTABITEM - TABP_TABITEM;
  AStateId = selected ? 3 : VisibleIndex == c->HotTabVisibleIndex() ? 2 : 1;
}

void TcxPCTabsPainter::Paint() {
  if (!IsNativePainting()) {
    TcxPCStandardPainter::Paint();
    return;
  }
  PaintControl();
  // What is left shows the parent's themed background.
  const RECT all{0, 0, ParentInfo()->Width(), ParentInfo()->Height()};
  ::DrawThemeParentBackground(Control()->Handle(), Canvas()->Handle(), all);
}

void TcxPCTabsPainter::DrawPageFrame() {
  if (!IsNativePainting()) {
    TcxPCStandardPainter::DrawPageFrame();
    return;
  }
  RECT R;
  GetPageFrameRect(R);
  if (RectIsEmpty(R)) return;
  R = InflateBy(R, 2, 2);
  HTHEME theme = OpenTheme(totTab);
  if (IsThemeBackgroundPartiallyTransparent(theme, TABP_PANE, 0))
    ::DrawThemeParentBackground(Control()->Handle(), Canvas()->Handle(), R);
  DrawThemeBackgroundRect(theme, Canvas()->Handle(), TABP_PANE, 0, R);
  Canvas()->ExcludeFromClip(R);
}

void TcxPCTabsPainter::DrawNativeTab(int32_t VisibleIndex) {
  TcxCustomTabControl* c = Control();
  TcxTab* tab = c->Tabs()->VisibleTabs(VisibleIndex);
  const RECT full = c->GetTabFullRect(VisibleIndex);
  const int32_t w = full.right - full.left, h = full.bottom - full.top;
  const TcxTabPosition side = c->GetTabRowSide(VisibleIndex);
  const bool sideways = side == tpLeft || side == tpRight;
  TBitmap* b = New<TBitmap>();
  // The theme draws tabs standing on top; the buffer gets that shape and is then turned to the real side.
  const int32_t bw = sideways ? h : w, bh = sideways ? w : h;
  b->SetSize(bw, bh);
  b->Canvas()->Brush()->SetStyle(bsSolid);
  b->Canvas()->Brush()->SetColor(c->Parent() ? c->Parent()->Color() : clBtnFace);
  b->Canvas()->FillRect(RECT{0, 0, bw, bh});
  int32_t part = 0, state = 0;
  GetTabThemeParts(VisibleIndex, part, state);
  DrawThemeBackgroundRect(OpenTheme(totTab), b->Canvas()->Handle(), part, state, RECT{0, 0, bw, bh});
  // Turns of the canvas: 1 a quarter counter-clockwise, 2 a quarter clockwise, 3 a half.
  switch (c->GetTabDrawingVariant(VisibleIndex)) {
    case 10: TcxCanvas::RotateBitmap(b, 0, true); break;       // on the bottom: upside down
    case 6: TcxCanvas::RotateBitmap(b, 1, true); break;        // on the left
    case 9: TcxCanvas::RotateBitmap(b, 2, false); break;       // on the right
    default: break;
  }
  tab->SetPaintBuffer(b);
}

void TcxPCTabsPainter::SetTabDrawData(int32_t VisibleIndex, const RECT& AImageRect, const String& AText,
                                      const RECT& ATextRect) {
  RECT image = AImageRect, text = ATextRect;
  const int32_t variant = Control()->GetTabDrawingVariant(VisibleIndex);
  if (IsNativePainting() && IsMainTab(VisibleIndex) && (variant == 5 || variant == 7 || variant == 10)) {
    OffsetRect(&image, 0, 1);
    OffsetRect(&text, 0, 1);
  }
  TcxPCStandardPainter::SetTabDrawData(VisibleIndex, image, AText, text);
}

void TcxPCTabsPainter::DrawTabFrame(int32_t VisibleIndex) {
  TcxTab* tab = Control()->Tabs()->VisibleTabs(VisibleIndex);
  if (!IsNativePainting() || !tab->PaintBuffer()) {
    TcxPCStandardPainter::DrawTabFrame(VisibleIndex);
    return;
  }
  const RECT full = Control()->GetTabFullRect(VisibleIndex);
  Canvas()->Draw(full.left, full.top, tab->PaintBuffer());
  DrawFocusRectIfNeeded(VisibleIndex, InflateBy(full, -2, -2));
  tab->SetPaintBuffer(nullptr);
}

int32_t TcxPCTabsPainter::GetNavigatorButtonThickness() {
  return IsNativePainting() ? 17 : TcxPCStandardPainter::GetNavigatorButtonThickness();
}

int32_t TcxPCTabsPainter::GetNavigatorButtonLength(TcxPCNavigatorButton AKind) {
  if (!IsNativePainting()) return TcxPCStandardPainter::GetNavigatorButtonLength(AKind);
  if (AKind == nbGoDialog) {
    SIZE size{0, 0};
    if (GetThemePartSizeSimple(OpenTheme(totSpin), Canvas()->Handle(), SPNP_DOWN, 1, TS_TRUE, size) == S_OK &&
        size.cx > 0)
      return size.cx;
  }
  return 17;
}

void TcxPCTabsPainter::DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R) {
  if (!IsNativePainting()) {
    TcxPCStandardPainter::DrawNavigatorButton(AKind, R);
    return;
  }
  int32_t part = SPNP_DOWN;
  switch (GlyphDirection(AKind)) {
    case TGlyphDirection::Up: part = SPNP_UP; break;
    case TGlyphDirection::Down: part = SPNP_DOWN; break;
    case TGlyphDirection::Right: part = SPNP_UPHORZ; break;
    case TGlyphDirection::Left: part = SPNP_DOWNHORZ; break;
  }
  int32_t state = 1;
  switch (ParentInfo()->NavigatorButtonState(AKind)) {
    case nbsHotTrack: state = 2; break;
    case nbsPressed: state = 3; break;
    case nbsDisabled: state = 4; break;
    default: break;
  }
  if (!Control()->Enabled()) state = 4;
  HTHEME theme = OpenTheme(totSpin);
  if (IsThemeBackgroundPartiallyTransparent(theme, part, state))
    ::DrawThemeParentBackground(Control()->Handle(), Canvas()->Handle(), R);
  DrawThemeBackgroundRect(theme, Canvas()->Handle(), part, state, R);
}
