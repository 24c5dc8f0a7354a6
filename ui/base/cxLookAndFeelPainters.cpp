#include "ui/base/cxLookAndFeelPainters.h"

#include <algorithm>

#include "rtl/Math.h"
#include "ui/base/detail/cxPainterHelpers.h"

using namespace cxpainter_detail;

// ---- free routines ------------------------------------------------------------------------------------------
TcxLookAndFeelKind StyleToLookAndFeelKind(TcxPainterStyle AStyle) {
  switch (AStyle) {
    case psFlat:
      return lfFlat;
    case psUltraFlat:
      return lfUltraFlat;
    case psOffice11:
      return lfOffice11;
    case psStandard:
    default:
      return lfStandard;
  }
}

void GetArrowPoints(const RECT& ARect, TcxPainterArrowDirection ADirection, bool AProportional,
                    POINT (&P)[3]) {
  RECT R = ARect;
  if (AProportional) {
    int32_t d = RectWidth(R) - RectHeight(R);
    if (d > 0)
      InflateRect(&R, -(d / 2), 0);
    else
      InflateRect(&R, 0, d / 2);
  }
  const int32_t W = RectWidth(R), H = RectHeight(R);
  int32_t B, D;
  if (ADirection == padUp || ADirection == padDown) {
    B = (W - 1) / 2;
  } else {
    B = (H - 1) / 2;
  }
  if (B % 2 == 0) ++B;
  D = B / 2 + 1;
  switch (ADirection) {
    case padUp:
      P[0] = {(R.left + R.right - 1) / 2, MulDiv(R.top + R.bottom - D, 1, 2)};
      P[1] = {(R.left + R.right - B) / 2, P[0].y + D - 1};
      P[2] = {P[1].x + B - 1, P[1].y};
      break;
    case padDown:
      P[0] = {(R.left + R.right - B) / 2, MulDiv(R.top + R.bottom - D, 1, 2)};
      P[1] = {P[0].x + B - 1, P[0].y};
      P[2] = {(R.left + R.right - 1) / 2, P[0].y + D - 1};
      break;
    case padLeft:
      P[0] = {(R.left + R.right - D) / 2, (R.top + R.bottom) / 2};
      P[1] = {P[0].x + D - 1, MulDiv(R.top + R.bottom - B, 1, 2)};
      P[2] = {P[1].x, P[1].y + B - 1};
      break;
    case padRight:
      P[0] = {(R.left + R.right - D) / 2, MulDiv(R.top + R.bottom - B, 1, 2)};
      P[1] = {P[0].x + D - 1, (R.top + R.bottom) / 2};
      P[2] = {P[0].x, P[0].y + B - 1};
      break;
  }
}

std::vector<POINT> GetArrowPoints(const RECT& R, TcxPainterArrowDirection ADirection, bool AProportional) {
  POINT p[3];
  GetArrowPoints(R, ADirection, AProportional, p);
  return {p[0], p[1], p[2]};
}

uint32_t cxAlignmentFlags(TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis) {
  uint32_t flags = 0;
  switch (AAlignH) {
    case taLeftJustify:
      flags |= tfAlignLeft;
      break;
    case taRightJustify:
      flags |= tfAlignRight;
      break;
    case taCenter:
      flags |= tfAlignHCenter;
      break;
  }
  switch (AAlignV) {
    case vaTop:
      flags |= tfAlignTop;
      break;
    case vaBottom:
      flags |= tfAlignBottom;
      break;
    case vaCenter:
      flags |= tfAlignVCenter;
      break;
  }
  flags |= AMultiLine ? tfWordBreak : tfSingleLine;
  if (AEndEllipsis) flags |= tfShowEndEllipsis;
  return flags;
}

namespace cxpainter_detail {

void FillColor(TcxCanvas* ACanvas, const RECT& R, TColor AColor) {
  ACanvas->SetBrushColor(AColor);
  ACanvas->FillRect(R);
}

void PolygonIn(TcxCanvas* ACanvas, const std::vector<POINT>& APoints, TColor AColor) {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(AColor);
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->Polygon(APoints);
}

void DrawTextIn(TcxCanvas* ACanvas, const String& AText, const RECT& R, uint32_t AFlags, TFont* AFont,
                TColor ATextColor, bool AEnabled) {
  ACanvas->Brush()->SetStyle(bsClear);
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->DrawText(AText, R, AFlags, AEnabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

// The cross of PaintButtonSymbol in R: a light pass one pixel right and down, then a dark pass at R.
void PaintButtonSymbolCross(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                            TcxButtonState AState) {
  TColor light, dark;
  if (AState == cxbsDisabled) {
    light = clBtnHighlight;
    dark = clBtnShadow;
  } else {
    light = dark = APainter->DefaultColor11();
  }
  InflateRect(&R, -1, -1);
  auto cross = [&](const RECT& r, TColor color) {
    const int32_t M = r.top + RectHeight(r) / 2 - 1;
    const int32_t C = r.left + RectWidth(r) / 2 - 1;
    ACanvas->Pen()->SetColor(color);
    ACanvas->MoveTo(r.left, M);
    ACanvas->LineTo(r.right - 1, M);
    ACanvas->MoveTo(C, r.top);
    ACanvas->LineTo(C, r.bottom - 1);
  };
  RECT lightR = R;
  OffsetRect(&lightR, 1, 1);
  cross(lightR, light);
  {
    const int32_t M = lightR.top + RectHeight(lightR) / 2 - 1;
    const int32_t C = lightR.left + RectWidth(lightR) / 2 - 1;
    ACanvas->SetPixel(lightR.left - 1, M, light);
    ACanvas->SetPixel(C, lightR.top - 1, light);
  }
  cross(R, dark);
  const int32_t M = R.top + RectHeight(R) / 2 - 1;
  const int32_t C = R.left + RectWidth(R) / 2 - 1;
  ACanvas->SetPixel(R.right - 1, M, light);
  ACanvas->SetPixel(C, R.bottom - 1, light);
}

void PaintStandardButtonSymbol(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                               TcxButtonState AState) {
  --R.right;
  --R.bottom;
  if (AState == cxbsPressed) OffsetRect(&R, 1, 1);
  PaintButtonSymbolCross(APainter, ACanvas, R, AState);
}

void PaintStandardTabFrame(TcxCanvas* ACanvas, RECT R, TcxBorder ASide, TcxBorders ABorders, bool AVertical) {
  TColor fill = clBtnHighlight;
  if (AVertical) {
    if (ASide == bLeft) {
      R.top += ABorders.Contains(bTop) ? 2 : 1;
      R.bottom -= ABorders.Contains(bBottom) ? 2 : 1;
      ACanvas->SetPixel(R.left + 1, R.top - 1, clBtnHighlight);
      ACanvas->SetPixel(R.left + 1, R.bottom, clBtnHighlight);
    } else if (ASide == bTop || ASide == bBottom) {
      if (ABorders.Contains(bLeft)) ++R.left;
    }
    if (ASide == bBottom) fill = clBtnShadow;
  } else {
    if (ASide == bLeft || ASide == bRight) {
      if (ABorders.Contains(bTop)) R.top += 2;
      if (ABorders.Contains(bBottom)) --R.bottom;
    } else if (ASide == bTop) {
      ++R.left;
      --R.right;
      ACanvas->SetPixel(R.left - 1, R.top + 1, clBtnHighlight);
      ACanvas->SetPixel(R.right, R.top + 1, clBtnHighlight);
    }
    if (ASide == bRight) fill = clBtnShadow;
  }
  FillColor(ACanvas, R, fill);
}

void PaintStandardFilterDropDownButton(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                                       TcxButtonState AState, bool AIsFilterActive) {
  ACanvas->DrawBevelEdge(R, AState == cxbsPressed, AState == cxbsPressed, cxBordersAll);
  InflateRect(&R, -1, -1);
  FillColor(ACanvas, R, clBtnFace);
  APainter->PaintDownArrowGlyph(ACanvas, R, AIsFilterActive ? clBlue : clBtnText);
}

void PaintTrack(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) {
  TBitmap* pattern = ScrollTrackBitmaps(AState == cxbsPressed ? 1 : 0);
  ACanvas->FillRect(R, pattern);
  ACanvas->Brush()->SetStyle(bsSolid);
}

TcxPainterArrowDirection ScrollArrowDirection(bool AHorizontal, TcxScrollPart APart) {
  if (AHorizontal) return APart == spLineUp ? padLeft : padRight;
  return APart == spLineUp ? padUp : padDown;
}

}  // namespace cxpainter_detail

// ---- TcxCustomLookAndFeelPainter ---------------------------------------------------------------------------
const TcxCustomLookAndFeelPainter* TcxCustomLookAndFeelPainter::Instance() {
  static const TcxCustomLookAndFeelPainter instance;
  return &instance;
}

void TcxCustomLookAndFeelPainter::PaintDownArrowGlyph(TcxCanvas* ACanvas, const RECT& R, TColor AColor) const {
  int32_t B = RectWidth(R) / 2;
  if (B % 2 == 0) ++B;
  const int32_t D = B / 2 + 1;
  POINT p0{(R.left + R.right - B) / 2, MulDiv(R.top + R.bottom - D, 1, 2)};
  POINT p1{p0.x + B - 1, p0.y};
  POINT p2{p0.x + B / 2, p0.y + D - 1};
  PolygonIn(ACanvas, {p0, p1, p2}, AColor);
}

void TcxCustomLookAndFeelPainter::PaintPartContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                   TcxButtonState AState, TAlignment AAlignH,
                                                   TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                                                   const String& AText, TFont* AFont, TColor ATextColor,
                                                   TColor ABkColor, const TcxDrawBackgroundEvent& AOnDrawBackground,
                                                   bool AIsFooter) const {
  (void)AState;
  (void)AIsFooter;
  if (!(AOnDrawBackground.Assigned() && AOnDrawBackground(ACanvas, R))) FillColor(ACanvas, R, ABkColor);
  if (!AText.empty())
    DrawTextIn(ACanvas, AText, ATextR, cxAlignmentFlags(AAlignH, AAlignV, AMultiLine, AEndEllipsis), AFont,
               ATextColor, true);
}

RECT TcxCustomLookAndFeelPainter::GetFooterCellContentBounds(const RECT& R) const {
  RECT r = R;
  InflateRect(&r, -FooterCellFrameWidth(), -FooterCellFrameWidth());
  return r;
}

RECT TcxCustomLookAndFeelPainter::GetFooterCellTextBounds(const RECT& R) const {
  RECT r = GetFooterCellContentBounds(R);
  InflateRect(&r, -2, -2);
  return r;
}

TcxPainterStyle TcxCustomLookAndFeelPainter::PainterStyle() const { return psStandard; }

// Default colours.
TColor TcxCustomLookAndFeelPainter::DefaultColor05() const { return static_cast<TColor>(0xF0FBFF); }
TColor TcxCustomLookAndFeelPainter::DefaultColor06() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor07() const { return static_cast<TColor>(0xF0FBFF); }
TColor TcxCustomLookAndFeelPainter::DefaultColor08() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor09() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor10() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor11() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor12() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor13() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor14() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor15() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor16() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultContentColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultContentTextColor() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultFilterBoxColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultFilterBoxTextColor() const { return clBtnHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultDetailFrameColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultFooterColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultFooterTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultGridLineColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupByBoxColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupByBoxTextColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor31() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor32() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultInactiveColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultInactiveTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultPreviewTextColor() const { return clBlue; }
TColor TcxCustomLookAndFeelPainter::DefaultRowSeparatorColor() const { return DefaultGridLineColor(); }
TColor TcxCustomLookAndFeelPainter::DefaultColor37() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultDateNavigatorSelectionColor() const { return clHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultDateNavigatorSelectionTextColor() const { return clHighlightText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor40() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultColor41() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor42() const { return clRed; }
TColor TcxCustomLookAndFeelPainter::DefaultColor43() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultColor44() const { return static_cast<TColor>(0xD5FFFF); }
TColor TcxCustomLookAndFeelPainter::DefaultColor45() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultSelectionColor() const { return clHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultSelectionTextColor() const { return clHighlightText; }
TColor TcxCustomLookAndFeelPainter::DefaultColor48() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTabColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTabTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultTabsBackgroundColor() const { return clBtnFace; }

// Arrows.
void TcxCustomLookAndFeelPainter::PaintArrow(TcxCanvas* ACanvas, const RECT& R, TcxPainterArrowDirection ADirection,
                                             TColor AColor) const {
  PolygonIn(ACanvas, GetArrowPoints(R, ADirection, true), AColor);
}

void TcxCustomLookAndFeelPainter::PaintArrowButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                   TcxPainterArrowDirection ADirection, bool AAsButton) const {
  std::vector<POINT> points = GetArrowPoints(R, ADirection, false);
  ACanvas->Brush()->SetStyle(bsSolid);
  if (AAsButton)
    PaintFilledButton(ACanvas, R, AState);
  else
    FillColor(ACanvas, R, ButtonFaceColor(AState));
  PolygonIn(ACanvas, points, ButtonGlyphColor(AState));
}

void TcxCustomLookAndFeelPainter::PaintFilledButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  ACanvas->Brush()->SetStyle(bsSolid);
  FillColor(ACanvas, R, ButtonFaceColor(AState));
  PaintButtonFrame(ACanvas, R, AState);
}

void TcxCustomLookAndFeelPainter::PaintStateArrow(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                  TcxPainterArrowDirection ADirection) const {
  RECT r = R;
  if (AState == cxbsPressed) OffsetRect(&r, ButtonCaptionPressShift(), ButtonCaptionPressShift());
  std::vector<POINT> points = GetArrowPoints(r, ADirection, true);
  if (AState == cxbsDisabled) {
    std::vector<POINT> shifted = points;
    for (POINT& p : shifted) {
      ++p.x;
      ++p.y;
    }
    PolygonIn(ACanvas, shifted, clBtnHighlight);
    PolygonIn(ACanvas, points, clBtnShadow);
  } else {
    PolygonIn(ACanvas, points, ButtonGlyphColor(AState));
  }
}

// Control border.
int32_t TcxCustomLookAndFeelPainter::ControlBorderWidth() const { return 0; }
void TcxCustomLookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  (void)R;
}

// Buttons.
int32_t TcxCustomLookAndFeelPainter::ButtonFrameWidth(TcxButtonState AState) const {
  (void)AState;
  return 0;
}

TColor TcxCustomLookAndFeelPainter::ButtonFaceColor(TcxButtonState AState) const {
  (void)AState;
  return clBtnFace;
}

RECT TcxCustomLookAndFeelPainter::GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  return ShrunkOrSelf(R, 4);
}

RECT TcxCustomLookAndFeelPainter::GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const {
  (void)AButtonCount;
  (void)AButtonIndex;
  const int32_t w = ButtonFrameWidth(cxbsNormal);
  return RECT{w, w, w, w};
}

int32_t TcxCustomLookAndFeelPainter::ButtonCaptionOffset() const { return 0; }
int32_t TcxCustomLookAndFeelPainter::ButtonCaptionPressShift() const { return 0; }

TColor TcxCustomLookAndFeelPainter::ButtonGlyphColor(TcxButtonState AState) const {
  return AState == cxbsDisabled ? clBtnShadow : clBtnText;
}

TcxButtonState TcxCustomLookAndFeelPainter::ButtonGlyphState(TcxButtonState AState) const { return AState; }

void TcxCustomLookAndFeelPainter::PaintButton(TcxCanvas* ACanvas, const RECT& ARect, const String& ACaption,
                                              TcxButtonState AState, bool AWithFrame, TColor ABkColor,
                                              TColor ATextColor) const {
  RECT R = ARect;
  if (AWithFrame) {
    PaintButtonFrame(ACanvas, R, AState);
    InflateRect(&R, -ButtonFrameWidth(AState), -ButtonFrameWidth(AState));
  }
  if (ABkColor == clDefault) ABkColor = ButtonFaceColor(AState);
  FillColor(ACanvas, R, ABkColor);
  if (ATextColor == clDefault) ATextColor = ButtonGlyphColor(AState);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  // An odd height centres the caption one pixel low; small buttons lift it back.
  if (RectHeight(R) % 2 != 0) {
    --R.bottom;
    if (RectHeight(R) < 18) --R.top;
  }
  if (AState == cxbsPressed) OffsetRect(&R, ButtonCaptionPressShift(), ButtonCaptionPressShift());
  if (!ACaption.empty())
    ACanvas->DrawText(ACaption, R, tfAlignHCenter | tfAlignVCenter | tfSingleLine | tfShowPrefix,
                      AState != cxbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintEmptyButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                   int32_t AButtonCount, int32_t AButtonIndex,
                                                   TColor AFrameColor) const {
  (void)AButtonCount;
  (void)AButtonIndex;
  (void)AFrameColor;
  PaintButton(ACanvas, R, String(), AState, true, clDefault, clDefault);
}

void TcxCustomLookAndFeelPainter::PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  (void)ACanvas;
  (void)R;
  (void)AState;
}

void TcxCustomLookAndFeelPainter::PaintFlatButtonFrame(TcxCanvas* ACanvas, const RECT& R, bool AActive,
                                                       bool AHot) const {
  (void)ACanvas;
  (void)R;
  (void)AActive;
  (void)AHot;
}

// Expand buttons.
void TcxCustomLookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                    TColor AColor) const {
  (void)ACanvas;
  (void)R;
  (void)AExpanded;
  (void)AColor;
}

bool TcxCustomLookAndFeelPainter::ExpandButtonDrawnFirst() const { return true; }

void TcxCustomLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                         TcxButtonState AState) const {
  PaintButton(ACanvas, R, String(), AState, true, clDefault, clDefault);
  PaintGroupExpandMark(ACanvas, R, AExpanded, AState);
}

void TcxCustomLookAndFeelPainter::PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                         TColor AFrameColor, TColor AFillColor) const {
  ACanvas->SetBrushColor(AFrameColor);
  ACanvas->FrameRect(R, clDefault, 1, cxBordersAll);
  if (AFillColor != clDefault) FillColor(ACanvas, Shrunk(R, 1), AFillColor);
  PaintExpandMark(ACanvas, R, clBtnText, AExpanded);
}

int32_t TcxCustomLookAndFeelPainter::ExpandButtonExtent() const { return 0; }
int32_t TcxCustomLookAndFeelPainter::GroupExpandButtonExtent() const { return 15; }
bool TcxCustomLookAndFeelPainter::ButtonsTrackHot() const { return false; }
bool TcxCustomLookAndFeelPainter::IsPointOnGroupExpandButton(const RECT& R, POINT P) const {
  return PtInRect(&R, P) != FALSE;
}
int32_t TcxCustomLookAndFeelPainter::SmallExpandButtonExtent() const { return 9; }

// Check box and radio button.
int32_t TcxCustomLookAndFeelPainter::CheckFrameWidth() const { return 2; }

TColor TcxCustomLookAndFeelPainter::CheckFaceColor(TcxButtonState AState) const {
  return (AState == cxbsPressed || AState == cxbsDisabled) ? clBtnFace : clWindow;
}

void TcxCustomLookAndFeelPainter::PaintCheckInterior(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                     bool AChecked, TColor AMarkColor) const {
  FillColor(ACanvas, R, CheckFaceColor(AState));
  if (AChecked) PaintCheckMark(ACanvas, R, AMarkColor);
}

void TcxCustomLookAndFeelPainter::PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  (void)ACanvas;
  (void)R;
  (void)AState;
}

void TcxCustomLookAndFeelPainter::PaintCheckBox(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                TcxCheckBoxState ACheckState) const {
  PaintCheckFrame(ACanvas, R, AState);
  RECT r = Shrunk(R, CheckFrameWidth());
  PaintCheckInterior(ACanvas, r, AState, ACheckState != cbsUnchecked,
                     AState == cxbsDisabled ? clGrayText : clBtnText);
}

void TcxCustomLookAndFeelPainter::PaintRadioButton(TcxCanvas* ACanvas, int32_t X, int32_t Y, TcxButtonState AState,
                                                   bool AChecked, bool AFocused, TColor ABkColor,
                                                   bool AIsDesigning) const {
  GetRadioImages()->PaintImage(ACanvas, X, Y, ABkColor, StyleToLookAndFeelKind(PainterStyle()), AState, AChecked,
                               AFocused, AIsDesigning);
}

// Headers.
void TcxCustomLookAndFeelPainter::PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                              TcxBorders ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                              TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                              bool AEndEllipsis, const String& AText, TFont* AFont,
                                              TColor ATextColor, TColor ABkColor,
                                              const TcxDrawBackgroundEvent& AOnDrawBackground, bool AIsLast) const {
  (void)AIsLast;
  PaintHeaderFrame(ACanvas, R, ANeighbors, ABorders);
  PaintPartContent(ACanvas, GetHeaderContentBounds(R, ABorders), ATextR, AState, AAlignH, AAlignV, AMultiLine,
                   AEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false);
}

void TcxCustomLookAndFeelPainter::PaintHeaderSimple(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                    TcxBorders ANeighbors, TcxBorders ABorders,
                                                    TcxButtonState AState, TAlignment AAlignH,
                                                    TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                                                    const String& AText, TFont* AFont, TColor ATextColor,
                                                    TColor ABkColor,
                                                    const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintHeader(ACanvas, R, ATextR, ANeighbors, ABorders, AState, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText,
              AFont, ATextColor, ABkColor, AOnDrawBackground, false);
}

void TcxCustomLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors,
                                                   TcxBorders ABorders) const {
  (void)ACanvas;
  (void)R;
  (void)ANeighbors;
  (void)ABorders;
}

void TcxCustomLookAndFeelPainter::PaintHeaderPressed(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->InvertRect(R);
}

void TcxCustomLookAndFeelPainter::PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                            TcxBorders ANeighbors, TcxBorders ABorders,
                                                            TcxButtonState AState, TAlignment AAlignH,
                                                            TcxAlignmentVert AAlignV, bool AMultiLine,
                                                            bool AEndEllipsis, const String& AText, TFont* AFont,
                                                            TColor ATextColor, TColor ABkColor) const {
  (void)ANeighbors;
  PaintHeaderControlSectionFrame(ACanvas, R, ABorders, AState);
  PaintHeaderControlSectionContent(ACanvas, GetHeaderControlSectionContentBounds(R, AState), ATextR, AState, AAlignH,
                                   AAlignV, AMultiLine, AEndEllipsis, AText, AFont, ATextColor, ABkColor);
}

void TcxCustomLookAndFeelPainter::PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R,
                                                                 TcxBorders ABorders, TcxButtonState AState) const {
  (void)ACanvas;
  (void)R;
  (void)ABorders;
  (void)AState;
}

void TcxCustomLookAndFeelPainter::PaintHeaderControlSectionContent(
    TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxButtonState AState, TAlignment AAlignH,
    TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis, const String& AText, TFont* AFont,
    TColor ATextColor, TColor ABkColor) const {
  FillColor(ACanvas, R, ABkColor);
  PaintHeaderControlSectionText(ACanvas, GetHeaderControlSectionTextBounds(ATextR, AState), AState, AAlignH, AAlignV,
                                AMultiLine, AEndEllipsis, AText, AFont, ATextColor);
}

void TcxCustomLookAndFeelPainter::PaintHeaderControlSectionText(TcxCanvas* ACanvas, const RECT& R,
                                                                TcxButtonState AState, TAlignment AAlignH,
                                                                TcxAlignmentVert AAlignV, bool AMultiLine,
                                                                bool AEndEllipsis, const String& AText, TFont* AFont,
                                                                TColor ATextColor) const {
  ACanvas->Brush()->SetStyle(bsClear);
  if (!AText.empty()) {
    if (AFont) ACanvas->SetFont(AFont);
    const uint32_t flags = cxAlignmentFlags(AAlignH, AAlignV, AMultiLine, AEndEllipsis);
    if (AState == cxbsDisabled) {
      RECT r = R;
      OffsetRect(&r, 1, 1);
      ACanvas->Font()->SetColor(clBtnHighlight);
      ACanvas->DrawText(AText, r, flags, true);
      ACanvas->Font()->SetColor(clBtnShadow);
      ACanvas->DrawText(AText, R, flags, true);
    } else {
      ACanvas->Font()->SetColor(ATextColor);
      ACanvas->DrawText(AText, R, flags, true);
    }
  }
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const {
  (void)ACanvas;
  (void)R;
  (void)AAscendingSorting;
}

TcxBorders TcxCustomLookAndFeelPainter::HeaderFrameSides(TcxBorders ANeighbors) const {
  (void)ANeighbors;
  return cxBordersAll;
}

int32_t TcxCustomLookAndFeelPainter::HeaderFrameWidth() const { return 0; }

RECT TcxCustomLookAndFeelPainter::GetHeaderDrawBounds(const RECT& R, TcxBorders ANeighbors,
                                                      TcxBorders ABorders) const {
  RECT r = R;
  const TcxBorders grow = ABorders - HeaderFrameSides(ANeighbors);
  const int32_t w = HeaderFrameWidth();
  if (grow.Contains(bLeft)) r.left -= w;
  if (grow.Contains(bTop)) r.top -= w;
  if (grow.Contains(bRight)) r.right += w;
  if (grow.Contains(bBottom)) r.bottom += w;
  return r;
}

RECT TcxCustomLookAndFeelPainter::GetHeaderContentBounds(const RECT& R, TcxBorders ABorders) const {
  RECT r = R;
  const int32_t w = HeaderFrameWidth();
  if (ABorders.Contains(bLeft)) r.left += w;
  if (ABorders.Contains(bTop)) r.top += w;
  if (ABorders.Contains(bRight)) r.right -= w;
  if (ABorders.Contains(bBottom)) r.bottom -= w;
  return r;
}

bool TcxCustomLookAndFeelPainter::HeaderPressedInverted() const { return true; }

int32_t TcxCustomLookAndFeelPainter::HeaderHeight(int32_t AFontHeight) const {
  return AFontHeight + 2 * (HeaderFrameWidth() + 2);
}

int32_t TcxCustomLookAndFeelPainter::HeaderControlSectionFrameWidth(TcxButtonState AState) const {
  (void)AState;
  return 1;
}

RECT TcxCustomLookAndFeelPainter::GetHeaderControlSectionTextBounds(const RECT& R, TcxButtonState AState) const {
  RECT r = R;
  if (AState == cxbsPressed) OffsetRect(&r, 1, 1);
  return r;
}

RECT TcxCustomLookAndFeelPainter::GetHeaderControlSectionContentBounds(const RECT& R, TcxButtonState AState) const {
  return Shrunk(R, HeaderControlSectionFrameWidth(AState));
}

int32_t TcxCustomLookAndFeelPainter::HeaderWidth(TcxCanvas* ACanvas, TcxBorders ABorders, const String& AText,
                                                 TFont* AFont) const {
  if (AFont) ACanvas->SetFont(AFont);
  int32_t result = ACanvas->TextWidth(AText) + 4;
  if (ABorders.Contains(bLeft)) result += HeaderFrameWidth();
  if (ABorders.Contains(bRight)) result -= HeaderFrameWidth();
  return result;
}

bool TcxCustomLookAndFeelPainter::HeaderHotTracking() const { return false; }

POINT TcxCustomLookAndFeelPainter::SortingMarkAreaSize() const { return POINT{16, SortingMarkExtent().y}; }
POINT TcxCustomLookAndFeelPainter::SortingMarkExtent() const { return POINT{0, 0}; }

// Footers.
void TcxCustomLookAndFeelPainter::PaintFooterCell(TcxCanvas* ACanvas, const RECT& R, TAlignment AAlignH,
                                                  TcxAlignmentVert AAlignV, bool AMultiLine, const String& AText,
                                                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                  const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintFooterCellFrame(ACanvas, R);
  PaintPartContent(ACanvas, GetFooterCellContentBounds(R), GetFooterCellTextBounds(R), cxbsDefault, AAlignH, AAlignV,
                   AMultiLine, false, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, true);
}

TcxBorders TcxCustomLookAndFeelPainter::FooterFrameSides() const { return cxBordersAll; }
int32_t TcxCustomLookAndFeelPainter::FooterFrameWidth() const { return 0; }
int32_t TcxCustomLookAndFeelPainter::FooterCellFrameWidth() const { return 0; }
int32_t TcxCustomLookAndFeelPainter::FooterCellSpacing() const { return 0; }
bool TcxCustomLookAndFeelPainter::FooterSeparatorShown() const { return true; }
TColor TcxCustomLookAndFeelPainter::FooterSeparatorColor() const { return clBtnShadow; }
int32_t TcxCustomLookAndFeelPainter::FooterSeparatorWidth() const { return 1; }
void TcxCustomLookAndFeelPainter::PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  (void)R;
}
void TcxCustomLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  (void)R;
}
void TcxCustomLookAndFeelPainter::PaintFooterSeparator(TcxCanvas* ACanvas, const RECT& R) const {
  FillColor(ACanvas, R, FooterSeparatorColor());
}

// Filter and small buttons.
void TcxCustomLookAndFeelPainter::PaintFilterCheckBox(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                      TcxCheckBoxState ACheckState) const {
  RECT r = R;
  PaintCheckBox(ACanvas, r, AState, ACheckState);
}

void TcxCustomLookAndFeelPainter::PaintSmallCloseButton(TcxCanvas* ACanvas, const RECT& R,
                                                        TcxButtonState AState) const {
  PaintButtonFrame(ACanvas, R, AState);
  RECT r = Shrunk(R, ButtonFrameWidth(cxbsNormal));
  FillColor(ACanvas, r, ButtonFaceColor(AState));
  PaintCloseCross(ACanvas, r, ButtonGlyphState(AState), ButtonGlyphColor(AState));
}

void TcxCustomLookAndFeelPainter::PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R,
                                                            TcxButtonState AState, bool AIsFilterActive) const {
  (void)ACanvas;
  (void)R;
  (void)AState;
  (void)AIsFilterActive;
}

POINT TcxCustomLookAndFeelPainter::CheckBoxExtent() const { return POINT{13, 13}; }
POINT TcxCustomLookAndFeelPainter::SmallCloseButtonExtent() const { return POINT{16, 14}; }
POINT TcxCustomLookAndFeelPainter::FilterDropDownButtonExtent() const { return POINT{15, 0}; }
int32_t TcxCustomLookAndFeelPainter::FilterActiveShown() const { return 1; }
POINT TcxCustomLookAndFeelPainter::PartExtent125() const { return POINT{16, 14}; }
POINT TcxCustomLookAndFeelPainter::PartExtent126() const { return POINT{16, 14}; }
POINT TcxCustomLookAndFeelPainter::PartExtent127() const { return POINT{13, 13}; }
POINT TcxCustomLookAndFeelPainter::PinButtonExtent() const { return POINT{16, 14}; }
POINT TcxCustomLookAndFeelPainter::PartExtent129() const { return POINT{16, 14}; }

void TcxCustomLookAndFeelPainter::PaintSymbolButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  PaintButtonFrame(ACanvas, R, AState);
  RECT r = Shrunk(R, ButtonFrameWidth(cxbsNormal));
  FillColor(ACanvas, r, ButtonFaceColor(AState));
  PaintButtonSymbol(ACanvas, r, AState);
}

void TcxCustomLookAndFeelPainter::PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  PaintButtonSymbolCross(this, ACanvas, R, AState);
}

void TcxCustomLookAndFeelPainter::PaintPinButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                 bool APinned, TColor ABkColor) const {
  (void)ABkColor;
  PaintButtonFrame(ACanvas, R, AState);
  RECT r = Shrunk(R, ButtonFrameWidth(cxbsNormal));
  FillColor(ACanvas, r, ButtonFaceColor(AState));
  TBitmap* picture = AutoHideBitmaps(APinned ? 1 : 0);
  int32_t x = r.left + (RectWidth(r) - picture->Width()) / 2;
  int32_t y = r.top + (RectHeight(r) - picture->Height()) / 2;
  if (AState == cxbsPressed) {
    ++x;
    ++y;
  }
  ACanvas->Draw(x, y, picture);
}

// Tabs.
void TcxCustomLookAndFeelPainter::PaintTab(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                           const String& AText, TcxButtonState AState, bool AVertical, TFont* AFont,
                                           TColor ATextColor, TColor ABkColor) const {
  (void)ACanvas;
  (void)R;
  (void)ABorders;
  (void)AText;
  (void)AState;
  (void)AVertical;
  (void)AFont;
  (void)ATextColor;
  (void)ABkColor;
}

void TcxCustomLookAndFeelPainter::PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide,
                                                TcxBorders ABorders, bool AVertical) const {
  (void)ACanvas;
  (void)R;
  (void)ASide;
  (void)ABorders;
  (void)AVertical;
}

void TcxCustomLookAndFeelPainter::PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                                bool AVertical) const {
  (void)ACanvas;
  (void)R;
  (void)ABorders;
  (void)AVertical;
}

int32_t TcxCustomLookAndFeelPainter::TabPartOffset136(bool AVertical) const {
  (void)AVertical;
  return 0;
}
int32_t TcxCustomLookAndFeelPainter::TabPartOffset137(bool AVertical) const {
  (void)AVertical;
  return 0;
}
int32_t TcxCustomLookAndFeelPainter::TabFrameWidth(bool AVertical) const {
  (void)AVertical;
  return 0;
}

// Indicator, scroll bar, month header, splitters.
void TcxCustomLookAndFeelPainter::PaintIndicatorItem(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind,
                                                     TColor ABkColor,
                                                     const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  const TcxBorders neighbors{bTop, bBottom};
  PaintHeader(ACanvas, R, R, neighbors, HeaderFrameSides(neighbors), cxbsNormal, taLeftJustify, vaTop, false, false,
              String(), nullptr, clNone, ABkColor, AOnDrawBackground, false);
  PaintIndicatorImage(ACanvas, R, AKind);
}

void TcxCustomLookAndFeelPainter::PaintIndicatorItemSimple(TcxCanvas* ACanvas, const RECT& R,
                                                           TcxIndicatorImage AKind, TColor ABkColor,
                                                           const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintHeaderSimple(ACanvas, R, R, {}, cxBordersAll, cxbsNormal, taLeftJustify, vaTop, false, false, String(),
                    nullptr, clNone, ABkColor, AOnDrawBackground);
  PaintIndicatorImage(ACanvas, R, AKind);
}

bool TcxCustomLookAndFeelPainter::IndicatorFlag141() const { return true; }

void TcxCustomLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R,
                                                     TcxScrollPart APart, TcxButtonState AState) const {
  (void)ACanvas;
  (void)AHorizontal;
  (void)R;
  (void)APart;
  (void)AState;
}

void TcxCustomLookAndFeelPainter::PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText,
                                                   TcxBorders ANeighbors, const TcxViewParamsRec& AViewParams,
                                                   int32_t AArrows, int32_t AArrowIndent,
                                                   const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintHeader(ACanvas, R, R, ANeighbors, HeaderFrameSides(ANeighbors), cxbsNormal, taCenter, vaCenter, false, false,
              AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground, false);
  PaintMonthArrows(ACanvas, R, AArrows, AArrowIndent, clWindowText);
}

void TcxCustomLookAndFeelPainter::PaintSplitterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  RECT r = R;
  PaintControlBorder(ACanvas, r);
}

void TcxCustomLookAndFeelPainter::PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R,
                                                              const TcxViewParamsRec& AViewParams,
                                                              bool AHorizontal) const {
  (void)ACanvas;
  (void)R;
  (void)AViewParams;
  (void)AHorizontal;
}

// ---- shared drawing steps -------------------------------------------------------------------------------------
void TcxCustomLookAndFeelPainter::PaintSortTriangle(TcxCanvas* ACanvas, const RECT& R, TColor AShadowColor,
                                                    TColor AHighlightColor, bool AAscending) const {
  const int32_t S = AAscending ? 1 : -1;
  const POINT ext = SortingMarkExtent();
  const int32_t W = ext.x, H = ext.y;
  int32_t CX = (R.left + R.right) / 2;
  if (W % 2 == 0) --CX;
  const int32_t Y0 = AAscending ? (R.top + R.bottom - H) / 2 : (R.top + R.bottom + H) / 2 - 1;
  const int32_t A = W / 2;
  const int32_t B = W % 2 == 0 ? A - 1 : A;
  ACanvas->Pen()->SetColor(AHighlightColor);
  ACanvas->MoveTo(CX + A, Y0 + (H - 2) * S);
  ACanvas->LineTo(CX + A - B, Y0);
  ACanvas->LineTo(CX + A, Y0 + (H - 1) * S);
  if (!AAscending) ACanvas->Pen()->SetColor(AShadowColor);
  ACanvas->LineTo(CX - B, Y0 + (H - 1) * S);
  if (AAscending) ACanvas->Pen()->SetColor(AShadowColor);
  ACanvas->LineTo(CX, Y0);
  ACanvas->LineTo(CX - B, Y0 + (H - (W % 2)) * S);
}

void TcxCustomLookAndFeelPainter::PaintCloseCross(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                  TColor AColor) const {
  int32_t S = SmallCloseButtonExtent().x / 2;
  if (S % 2 == 0) --S;
  ACanvas->Pen()->SetColor(AColor);
  for (int32_t d = 0; d <= 1; ++d) {
    int32_t X0 = (R.left + R.right - S) / 2 + d;
    int32_t Y0 = (R.top + R.bottom - S) / 2;
    if (AState == cxbsPressed) {
      ++X0;
      ++Y0;
    }
    ACanvas->MoveTo(X0, Y0);
    ACanvas->LineTo(X0 + S, Y0 + S);
    ACanvas->MoveTo(X0, Y0 + S - 1);
    ACanvas->LineTo(X0 + S, Y0 - 1);
  }
}

void TcxCustomLookAndFeelPainter::PaintExpandMark(TcxCanvas* ACanvas, const RECT& R, TColor AColor,
                                                  bool AExpanded) const {
  const int32_t CX = FloorDiv2(R.left + R.right);
  const int32_t CY = FloorDiv2(R.top + R.bottom);
  const int32_t L = (RectWidth(R) - 4) / 2;
  ACanvas->SetBrushColor(AColor);
  ACanvas->FillRect(RECT{CX - L, CY, CX + L + 1, CY + 1});
  if (!AExpanded) ACanvas->FillRect(RECT{CX, CY - L, CX + 1, CY + L + 1});
}

void TcxCustomLookAndFeelPainter::PaintGroupExpandMark(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                       TcxButtonState AState) const {
  ACanvas->Pen()->SetColor(ButtonGlyphColor(AState));
  const int32_t X0 = (R.left + R.right - 7) / 2;
  const int32_t Y0 = (R.top + R.bottom - 8) / 2;
  const int32_t S = AExpanded ? 1 : -1;
  for (int32_t row : {0, 1, 4, 5}) {
    const int32_t y = Y0 + row;
    const int32_t yy = AExpanded ? y + 3 : y;
    int32_t f = row % 2;
    if (!AExpanded) f = 1 - f;
    ACanvas->MoveTo(X0 + f, yy - f * S);
    ACanvas->LineTo(X0 + 3, yy - 3 * S);
    ACanvas->LineTo(X0 + 7 - f, yy + (1 - f) * S);
  }
}

void TcxCustomLookAndFeelPainter::PaintCheckMark(TcxCanvas* ACanvas, const RECT& R, TColor AColor) const {
  const int32_t SW = RectWidth(R) - 2, SH = RectHeight(R) - 4;
  const int32_t CX = (R.left + R.right) / 2 - 1;
  ACanvas->Pen()->SetColor(AColor);
  for (int32_t d = 0; d <= 2; ++d) {
    const int32_t y = (R.top + R.bottom + SH) / 2 - 2 + d;
    ACanvas->MoveTo(CX - (SW / 2 - 1), y - SH / 2);
    ACanvas->LineTo(CX, y);
    ACanvas->LineTo(CX + SW / 2 + 2, y - SH);
  }
}

void TcxCustomLookAndFeelPainter::PaintMonthArrows(TcxCanvas* ACanvas, const RECT& ARect, int32_t AArrows,
                                                   int32_t AArrowIndent, TColor AColor) const {
  RECT R = ARect;
  R.top += ControlBorderWidth();
  InflateRect(&R, 0, -1);
  int32_t H = RectHeight(R) / 2;
  if (H % 2 == 0) ++H;
  const int32_t Y = (R.top + R.bottom - H) / 2 - 1;
  auto arrow = [&](bool left) {
    const int32_t X = left ? R.left + (AArrowIndent - 1) : R.right - (AArrowIndent - 1);
    const int32_t apexX = left ? X - (H / 2 + 1) : X + (H / 2 + 1);
    PolygonIn(ACanvas, {POINT{X, Y}, POINT{X, Y + H + 1}, POINT{apexX, Y + H / 2 + 1}}, AColor);
  };
  if (AArrows & 1) arrow(true);
  if (AArrows & 2) arrow(false);
}

void TcxCustomLookAndFeelPainter::PaintIndicatorImage(TcxCanvas* ACanvas, const RECT& R,
                                                      TcxIndicatorImage AKind) const {
  if (AKind == iiNone) return;
  TImageList* images = IndicatorImages();
  images->Draw(ACanvas->Canvas(), (R.left + R.right - images->Width()) / 2,
               (R.top + R.bottom - images->Height()) / 2, static_cast<int32_t>(AKind) - 1, true);
}

// ---- TcxStandardLookAndFeelPainter ----------------------------------------------------------------------------
const TcxStandardLookAndFeelPainter* TcxStandardLookAndFeelPainter::Instance() {
  static const TcxStandardLookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxStandardLookAndFeelPainter::PainterStyle() const { return psStandard; }
TColor TcxStandardLookAndFeelPainter::DefaultColor44() const { return clWindow; }
int32_t TcxStandardLookAndFeelPainter::ControlBorderWidth() const { return 2; }

void TcxStandardLookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, cxBordersAll, 1);
  ACanvas->DrawTwoColorFrame(Shrunk(R, 1), cl3DDkShadow, cl3DLight, cxBordersAll, 1);
}

int32_t TcxStandardLookAndFeelPainter::ButtonFrameWidth(TcxButtonState AState) const {
  return AState == cxbsDefault ? 3 : 2;
}

int32_t TcxStandardLookAndFeelPainter::ButtonCaptionOffset() const { return 1; }
int32_t TcxStandardLookAndFeelPainter::ButtonCaptionPressShift() const { return 1; }

void TcxStandardLookAndFeelPainter::PaintButtonFrame(TcxCanvas* ACanvas, const RECT& ARect,
                                                     TcxButtonState AState) const {
  RECT R = ARect;
  if (AState == cxbsPressed) {
    ACanvas->FrameRect(R, clBlack, 1, cxBordersAll);
    InflateRect(&R, -1, -1);
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnShadow, cxBordersAll, 1);
    return;
  }
  if (AState == cxbsDefault) {
    ACanvas->FrameRect(R, clBlack, 1, cxBordersAll);
    InflateRect(&R, -1, -1);
  }
  ACanvas->DrawTwoColorFrame(R, clBtnHighlight, cl3DDkShadow, cxBordersAll, 1);
  InflateRect(&R, -1, -1);
  ACanvas->DrawTwoColorFrame(R, cl3DLight, clBtnShadow, cxBordersAll, 1);
}

void TcxStandardLookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& ARect, bool AExpanded,
                                                      TColor AColor) const {
  RECT R = ARect;
  ACanvas->DrawBevelEdge(R, false, false, TcxBorders{bLeft, bTop});
  ACanvas->DrawBevelEdge(R, false, true, TcxBorders{bRight, bBottom});
  InflateRect(&R, -1, -1);
  ACanvas->DrawBevelEdge(R, false, false, TcxBorders{bRight, bBottom});
  --R.right;
  --R.bottom;
  FillColor(ACanvas, R, AColor == clDefault ? clBtnFace : AColor);
  PaintExpandMark(ACanvas, R, clBtnText, AExpanded);
  // The caller fills the row around the button afterwards and must leave it alone.
  ACanvas->ExcludeFromClip(ARect);
}

void TcxStandardLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                           TcxButtonState AState) const {
  // The group button keeps the thin flat look in the standard style.
  TcxFlatLookAndFeelPainter::Instance()->TcxCustomLookAndFeelPainter::PaintGroupExpandButton(ACanvas, R, AExpanded,
                                                                                             AState);
}

int32_t TcxStandardLookAndFeelPainter::ExpandButtonExtent() const { return 12; }

void TcxStandardLookAndFeelPainter::PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  (void)AState;
  ACanvas->DrawBevelEdge(R, true, false, cxBordersAll);
  ACanvas->DrawBevelEdge(Shrunk(R, 1), true, true, cxBordersAll);
}

void TcxStandardLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors,
                                                     TcxBorders ABorders) const {
  (void)ABorders;
  ACanvas->DrawBevelEdge(R, false, false, cxBordersAll);
  if (ANeighbors.Contains(bLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.left, R.bottom - 2, clBtnFace);
  }
  if (ANeighbors.Contains(bRight)) {
    ACanvas->SetPixel(R.right - 1, R.top, clBtnHighlight);
    ACanvas->SetPixel(R.right - 1, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.right - 1, R.bottom - 2, clBtnFace);
  }
}

void TcxStandardLookAndFeelPainter::PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R,
                                                                   TcxBorders ABorders,
                                                                   TcxButtonState AState) const {
  if (AState == cxbsPressed) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnShadow, ABorders, 1);
    return;
  }
  ACanvas->DrawTwoColorFrame(R, clBtnHighlight, cl3DDkShadow, ABorders, 1);
  ACanvas->DrawTwoColorFrame(Shrunk(R, 1), cl3DLight, clBtnShadow, ABorders, 1);
}

void TcxStandardLookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R,
                                                     bool AAscendingSorting) const {
  PaintSortTriangle(ACanvas, R, clBtnShadow, clBtnHighlight, AAscendingSorting);
}

int32_t TcxStandardLookAndFeelPainter::HeaderFrameWidth() const { return 1; }

int32_t TcxStandardLookAndFeelPainter::HeaderControlSectionFrameWidth(TcxButtonState AState) const {
  return AState == cxbsPressed ? 1 : 2;
}

POINT TcxStandardLookAndFeelPainter::SortingMarkExtent() const { return POINT{8, 7}; }
int32_t TcxStandardLookAndFeelPainter::FooterFrameWidth() const { return 1; }
int32_t TcxStandardLookAndFeelPainter::FooterCellFrameWidth() const { return 1; }
int32_t TcxStandardLookAndFeelPainter::FooterCellSpacing() const { return 1; }

void TcxStandardLookAndFeelPainter::PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawBevelEdge(R, false, false, cxBordersAll);
}

void TcxStandardLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawBevelEdge(R, true, true, cxBordersAll);
}

void TcxStandardLookAndFeelPainter::PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R,
                                                              TcxButtonState AState, bool AIsFilterActive) const {
  PaintStandardFilterDropDownButton(this, ACanvas, R, AState, AIsFilterActive);
}

void TcxStandardLookAndFeelPainter::PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R,
                                                      TcxButtonState AState) const {
  PaintStandardButtonSymbol(this, ACanvas, R, AState);
}

void TcxStandardLookAndFeelPainter::PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide,
                                                  TcxBorders ABorders, bool AVertical) const {
  PaintStandardTabFrame(ACanvas, R, ASide, ABorders, AVertical);
}

void TcxStandardLookAndFeelPainter::PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                                  bool AVertical) const {
  (void)AVertical;
  ACanvas->DrawBevelEdge(R, false, false, ABorders);
}

int32_t TcxStandardLookAndFeelPainter::TabFrameWidth(bool AVertical) const {
  (void)AVertical;
  return 1;
}

void TcxStandardLookAndFeelPainter::PaintScrollBarButtonFrame(TcxCanvas* ACanvas, RECT R, bool APressedArrow) const {
  if (APressedArrow) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnShadow, cxBordersAll, 1);
    InflateRect(&R, -1, -1);
    ACanvas->DrawTwoColorFrame(R, clBtnFace, clBtnFace, cxBordersAll, 1);
  } else {
    ACanvas->DrawTwoColorFrame(R, clBtnFace, cl3DDkShadow, cxBordersAll, 1);
    InflateRect(&R, -1, -1);
    ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, cxBordersAll, 1);
  }
}

void TcxStandardLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& ARect,
                                                       TcxScrollPart APart, TcxButtonState AState) const {
  RECT R = ARect;
  if (IsEmptyRect(R) || (APart == spThumb && AState == cxbsDisabled)) return;
  if (AState == cxbsHot) AState = cxbsNormal;
  switch (APart) {
    case spPageUp:
    case spPageDown:
      PaintTrack(ACanvas, R, AState);
      break;
    case spThumb:
      PaintScrollBarButtonFrame(ACanvas, R, false);
      FillColor(ACanvas, Shrunk(R, ButtonFrameWidth(cxbsNormal)), clBtnFace);
      break;
    case spLineUp:
    case spLineDown: {
      UINT kind;
      if (AHorizontal)
        kind = APart == spLineUp ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
      else
        kind = APart == spLineUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
      if (AState == cxbsDisabled) kind |= DFCS_INACTIVE;
      if (AState == cxbsPressed) {
        kind |= DFCS_FLAT;
        OffsetRect(&R, 1, 1);
      }
      DrawFrameControl(ACanvas->Handle(), &R, DFC_SCROLL, kind);
      if (AState == cxbsPressed) OffsetRect(&R, -1, -1);
      PaintScrollBarButtonFrame(ACanvas, R, AState == cxbsPressed);
      break;
    }
    case spNone:
      break;
  }
}

void TcxStandardLookAndFeelPainter::PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText,
                                                     TcxBorders ANeighbors, const TcxViewParamsRec& AViewParams,
                                                     int32_t AArrows, int32_t AArrowIndent,
                                                     const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  TcxBorders sides;
  const bool left = ANeighbors.Contains(bLeft), right = ANeighbors.Contains(bRight);
  if (!left && !right)
    sides = cxBordersAll;
  else if (right && !left)
    sides = TcxBorders{bLeft, bTop, bBottom};
  else if (left && !right)
    sides = TcxBorders{bTop, bRight, bBottom};
  else
    sides = TcxBorders{bTop, bBottom};
  ACanvas->FrameRect(R, clBlack, 1, sides);
  const RECT inner = GetHeaderContentBounds(R, sides);
  PaintHeader(ACanvas, inner, inner, ANeighbors, cxBordersAll, cxbsNormal, taCenter, vaCenter, false, false, AText,
              AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground, false);
  PaintMonthArrows(ACanvas, R, AArrows, AArrowIndent, clWindowText);
}

void TcxStandardLookAndFeelPainter::PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& ARect,
                                                                const TcxViewParamsRec& AViewParams,
                                                                bool AHorizontal) const {
  RECT R = ARect;
  auto lines = [&](TColor first, TColor second) {
    if (AHorizontal) {
      FillColor(ACanvas, RECT{R.left, R.top, R.right, R.top + 1}, first);
      FillColor(ACanvas, RECT{R.left, R.bottom - 1, R.right, R.bottom}, second);
      InflateRect(&R, 1, -1);
    } else {
      FillColor(ACanvas, RECT{R.left, R.top, R.left + 1, R.bottom}, first);
      FillColor(ACanvas, RECT{R.right - 1, R.top, R.right, R.bottom}, second);
      InflateRect(&R, -1, 1);
    }
  };
  lines(clBtnFace, cl3DDkShadow);
  lines(clBtnHighlight, clBtnShadow);
  ACanvas->FillFramedRect(R, AViewParams, {}, clDefault, 1);
}
