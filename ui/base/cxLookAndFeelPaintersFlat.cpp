// The flat and ultra-flat painters (part of the painters' unit).

#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/detail/cxPainterHelpers.h"

using namespace cxpainter_detail;

// ---- TcxFlatLookAndFeelPainter ------------------------------------------------------------------------------
const TcxFlatLookAndFeelPainter* TcxFlatLookAndFeelPainter::Instance() {
  static const TcxFlatLookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxFlatLookAndFeelPainter::PainterStyle() const { return psFlat; }
TColor TcxFlatLookAndFeelPainter::DefaultColor44() const { return static_cast<TColor>(0xD5FFFF); }
int32_t TcxFlatLookAndFeelPainter::ControlBorderWidth() const { return 1; }

void TcxFlatLookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawBevelEdge(R, true, true, cxBordersAll);
}

int32_t TcxFlatLookAndFeelPainter::ButtonFrameWidth(TcxButtonState AState) const {
  return AState == cxbsDefault ? 2 : 1;
}

int32_t TcxFlatLookAndFeelPainter::ButtonCaptionOffset() const { return 1; }
int32_t TcxFlatLookAndFeelPainter::ButtonCaptionPressShift() const { return 1; }

void TcxFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas* ACanvas, const RECT& ARect, TcxButtonState AState) const {
  RECT R = ARect;
  if (AState == cxbsPressed) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, cxBordersAll, 1);
    return;
  }
  if (AState == cxbsDefault) {
    ACanvas->FrameRect(R, clBlack, 1, cxBordersAll);
    InflateRect(&R, -1, -1);
  }
  ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, cxBordersAll, 1);
}

void TcxFlatLookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                  TColor AColor) const {
  PaintButton(ACanvas, R, String(), cxbsNormal, true, AColor, clDefault);
  PaintExpandMark(ACanvas, Shrunk(R, 1), clBtnText, AExpanded);
  ACanvas->ExcludeFromClip(R);
}

int32_t TcxFlatLookAndFeelPainter::ExpandButtonExtent() const { return 11; }

void TcxFlatLookAndFeelPainter::PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  ACanvas->DrawBevelEdge(R, true, true, cxBordersAll);
  ACanvas->FrameRect(Shrunk(R, 1), CheckFaceColor(AState), 1, cxBordersAll);
}

void TcxFlatLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors,
                                                 TcxBorders ABorders) const {
  TcxStandardLookAndFeelPainter::Instance()->PaintHeaderFrame(ACanvas, R, ANeighbors, ABorders);
}

void TcxFlatLookAndFeelPainter::PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R,
                                                               TcxBorders ABorders, TcxButtonState AState) const {
  if (AState == cxbsPressed)
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, ABorders, 1);
  else
    ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, ABorders, 1);
}

void TcxFlatLookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const {
  PaintSortTriangle(ACanvas, R, clBtnShadow, clBtnHighlight, AAscendingSorting);
}

int32_t TcxFlatLookAndFeelPainter::HeaderFrameWidth() const { return 1; }
POINT TcxFlatLookAndFeelPainter::SortingMarkExtent() const { return POINT{8, 7}; }
int32_t TcxFlatLookAndFeelPainter::FooterFrameWidth() const { return 1; }
int32_t TcxFlatLookAndFeelPainter::FooterCellFrameWidth() const { return 1; }
int32_t TcxFlatLookAndFeelPainter::FooterCellSpacing() const { return 1; }

void TcxFlatLookAndFeelPainter::PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawBevelEdge(R, false, false, cxBordersAll);
}

void TcxFlatLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->DrawBevelEdge(R, true, true, cxBordersAll);
}

void TcxFlatLookAndFeelPainter::PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                          bool AIsFilterActive) const {
  PaintStandardFilterDropDownButton(this, ACanvas, R, AState, AIsFilterActive);
}

void TcxFlatLookAndFeelPainter::PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  PaintStandardButtonSymbol(this, ACanvas, R, AState);
}

void TcxFlatLookAndFeelPainter::PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide,
                                              TcxBorders ABorders, bool AVertical) const {
  PaintStandardTabFrame(ACanvas, R, ASide, ABorders, AVertical);
}

void TcxFlatLookAndFeelPainter::PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                              bool AVertical) const {
  (void)AVertical;
  ACanvas->DrawBevelEdge(R, false, false, ABorders);
}

int32_t TcxFlatLookAndFeelPainter::TabFrameWidth(bool AVertical) const {
  (void)AVertical;
  return 1;
}

namespace {
// The flat looks' scroll-bar parts: buttons for arrows and thumb, the checkerboard for the track.
void PaintFlatScrollBarPart(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, bool AHorizontal,
                            RECT R, TcxScrollPart APart, TcxButtonState AState, bool AKeepHot, bool AShrink) {
  if (IsEmptyRect(R) || (APart == spThumb && AState == cxbsDisabled)) return;
  if (AState == cxbsHot && !AKeepHot) AState = cxbsNormal;
  switch (APart) {
    case spLineUp:
    case spLineDown:
    case spThumb:
      APainter->PaintButton(ACanvas, R, String(), AState, true, clDefault, clDefault);
      if (AShrink) R = Shrunk(R, APainter->ButtonFrameWidth(cxbsNormal));
      if (APart != spThumb) APainter->PaintStateArrow(ACanvas, R, AState, ScrollArrowDirection(AHorizontal, APart));
      break;
    case spPageUp:
    case spPageDown:
      PaintTrack(ACanvas, R, AState);
      break;
    case spNone:
      break;
  }
}

void PaintFlatSchedulerSplitter(TcxCanvas* ACanvas, RECT R, const TcxViewParamsRec& AViewParams, bool AHorizontal,
                                TColor AFirst, TColor ASecond) {
  if (AHorizontal) {
    FillColor(ACanvas, RECT{R.left, R.top, R.right, R.top + 1}, AFirst);
    FillColor(ACanvas, RECT{R.left, R.bottom - 1, R.right, R.bottom}, ASecond);
    InflateRect(&R, 1, -1);
  } else {
    FillColor(ACanvas, RECT{R.left, R.top, R.left + 1, R.bottom}, AFirst);
    FillColor(ACanvas, RECT{R.right - 1, R.top, R.right, R.bottom}, ASecond);
    InflateRect(&R, -1, 1);
  }
  ACanvas->FillFramedRect(R, AViewParams, {}, clDefault, 1);
}
}  // namespace

void TcxFlatLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R,
                                                   TcxScrollPart APart, TcxButtonState AState) const {
  PaintFlatScrollBarPart(this, ACanvas, AHorizontal, R, APart, AState, false, true);
}

void TcxFlatLookAndFeelPainter::PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R,
                                                            const TcxViewParamsRec& AViewParams,
                                                            bool AHorizontal) const {
  PaintFlatSchedulerSplitter(ACanvas, R, AViewParams, AHorizontal, clBtnHighlight, clBtnShadow);
}

// ---- TcxUltraFlatLookAndFeelPainter -------------------------------------------------------------------------
const TcxUltraFlatLookAndFeelPainter* TcxUltraFlatLookAndFeelPainter::Instance() {
  static const TcxUltraFlatLookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxUltraFlatLookAndFeelPainter::PainterStyle() const { return psUltraFlat; }
TColor TcxUltraFlatLookAndFeelPainter::DefaultColor11() const { return static_cast<TColor>(0x800000); }
TColor TcxUltraFlatLookAndFeelPainter::DefaultColor42() const { return clBtnShadow; }
TColor TcxUltraFlatLookAndFeelPainter::DefaultColor44() const { return static_cast<TColor>(0xD5FFFF); }
int32_t TcxUltraFlatLookAndFeelPainter::ControlBorderWidth() const { return 1; }

void TcxUltraFlatLookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->FrameRect(R, clBtnShadow, 1, cxBordersAll);
}

int32_t TcxUltraFlatLookAndFeelPainter::ButtonFrameWidth(TcxButtonState AState) const {
  return AState == cxbsDefault ? 2 : 1;
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonFaceColor(TcxButtonState AState) const {
  switch (AState) {
    case cxbsHot:
      return LightHotTrackColor();
    case cxbsPressed:
      return LightPressedColor();
    default:
      return clBtnFace;
  }
}

RECT TcxUltraFlatLookAndFeelPainter::GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  return ShrunkOrSelf(R, 3);
}

RECT TcxUltraFlatLookAndFeelPainter::GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const {
  RECT result{1, 2, 1, 2};
  if (AButtonIndex == 0) ++result.left;
  if (AButtonIndex == AButtonCount - 1) ++result.right;
  return result;
}

int32_t TcxUltraFlatLookAndFeelPainter::ButtonCaptionOffset() const { return 2; }
int32_t TcxUltraFlatLookAndFeelPainter::ButtonCaptionPressShift() const { return 0; }

TColor TcxUltraFlatLookAndFeelPainter::ButtonGlyphColor(TcxButtonState AState) const {
  switch (AState) {
    case cxbsPressed:
      return clHighlightText;
    case cxbsDisabled:
      return clBtnShadow;
    default:
      return clBtnText;
  }
}

TcxButtonState TcxUltraFlatLookAndFeelPainter::ButtonGlyphState(TcxButtonState AState) const {
  (void)AState;
  return cxbsNormal;
}

void TcxUltraFlatLookAndFeelPainter::PaintEmptyButton(TcxCanvas* ACanvas, const RECT& ARect, TcxButtonState AState,
                                                      int32_t AButtonCount, int32_t AButtonIndex,
                                                      TColor AFrameColor) const {
  RECT R = ARect;
  ++R.top;
  --R.bottom;
  if (AButtonIndex == 0) ++R.left;
  if (AButtonIndex == AButtonCount - 1) --R.right;
  if (AState == cxbsNormal || AState == cxbsDisabled) {
    ACanvas->FrameRect(R, AFrameColor, 1, cxBordersAll);
    InflateRect(&R, -1, -1);
  } else {
    // A lit button shows separators towards its neighbours and no frame at the top and bottom.
    ACanvas->SetBrushColor(HotFrameColor());
    if (AButtonIndex > 0) {
      ACanvas->FillRect(RECT{R.left, R.top, R.left + 1, R.bottom});
      ++R.left;
    }
    if (AButtonIndex < AButtonCount - 1) {
      ACanvas->FillRect(RECT{R.right - 1, R.top, R.right, R.bottom});
      --R.right;
    }
  }
  FillColor(ACanvas, R, ButtonFaceColor(AState));
}

void TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  TColor color;
  switch (AState) {
    case cxbsDefault:
      ACanvas->FrameRect(R, clWindowFrame, 1, cxBordersAll);
      ACanvas->FrameRect(Shrunk(R, 1), clWindowFrame, 1, cxBordersAll);
      return;
    case cxbsNormal:
      color = clBtnText;
      break;
    case cxbsDisabled:
      color = clBtnShadow;
      break;
    default:
      color = clHighlight;
      break;
  }
  ACanvas->FrameRect(R, color, 1, cxBordersAll);
}

void TcxUltraFlatLookAndFeelPainter::PaintFlatButtonFrame(TcxCanvas* ACanvas, const RECT& R, bool AActive,
                                                          bool AHot) const {
  ACanvas->FrameRect(R, AActive ? clBtnText : (AHot ? HotFrameColor() : clBtnShadow), 1, cxBordersAll);
}

void TcxUltraFlatLookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                       TColor AColor) const {
  ACanvas->FrameRect(R, clBtnShadow, 1, cxBordersAll);
  const RECT inner = Shrunk(R, 1);
  FillColor(ACanvas, inner, AColor == clDefault ? clBtnFace : AColor);
  PaintExpandMark(ACanvas, inner, clBtnText, AExpanded);
  ACanvas->ExcludeFromClip(R);
}

int32_t TcxUltraFlatLookAndFeelPainter::ExpandButtonExtent() const { return 11; }
bool TcxUltraFlatLookAndFeelPainter::ButtonsTrackHot() const { return true; }

void TcxUltraFlatLookAndFeelPainter::PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  ACanvas->FrameRect(R, clBtnText, 1, cxBordersAll);
  ACanvas->FrameRect(Shrunk(R, 1), CheckFaceColor(AState), 1, cxBordersAll);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderSimple(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                       TcxBorders ANeighbors, TcxBorders ABorders,
                                                       TcxButtonState AState, TAlignment AAlignH,
                                                       TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                                                       const String& AText, TFont* AFont, TColor ATextColor,
                                                       TColor ABkColor,
                                                       const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintPartContent(ACanvas, R, Shrunk(ATextR, 1), AState, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText, AFont,
                   ATextColor, ABkColor, AOnDrawBackground, false);
  PaintHeaderFrame(ACanvas, Shrunk(R, 1), ANeighbors, ABorders);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors,
                                                      TcxBorders ABorders) const {
  (void)ANeighbors;
  ACanvas->SetBrushColor(clBtnText);
  if (ABorders.Contains(bLeft)) ACanvas->FillRect(RECT{R.left, R.top, R.left + 1, R.bottom});
  if (ABorders.Contains(bTop)) ACanvas->FillRect(RECT{R.left, R.top, R.right, R.top + 1});
  ACanvas->FillRect(RECT{R.right - 1, R.top, R.right, R.bottom});
  ACanvas->FillRect(RECT{R.left, R.bottom - 1, R.right, R.bottom});
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R,
                                                                    TcxBorders ABorders,
                                                                    TcxButtonState AState) const {
  const TColor c = AState == cxbsDisabled ? clBtnShadow : clBlack;
  ACanvas->DrawTwoColorFrame(R, c, c, ABorders, 1);
}

void TcxUltraFlatLookAndFeelPainter::PaintHeaderControlSectionContent(
    TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxButtonState AState, TAlignment AAlignH,
    TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis, const String& AText, TFont* AFont,
    TColor ATextColor, TColor ABkColor) const {
  if (AState == cxbsHot || AState == cxbsPressed || AState == cxbsDisabled) ABkColor = ButtonFaceColor(AState);
  FillColor(ACanvas, R, ABkColor);
  ACanvas->Font()->SetColor(ATextColor);
  PaintHeaderControlSectionText(ACanvas, ATextR, AState, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText, AFont,
                                ATextColor);
}

void TcxUltraFlatLookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R,
                                                      bool AAscendingSorting) const {
  PaintSortTriangle(ACanvas, R, clBtnShadow, clBtnShadow, AAscendingSorting);
}

TcxBorders TcxUltraFlatLookAndFeelPainter::HeaderFrameSides(TcxBorders ANeighbors) const {
  TcxBorders result = cxBordersAll;
  if (ANeighbors.Contains(bLeft)) result.Exclude(bLeft);
  if (ANeighbors.Contains(bTop)) result.Exclude(bTop);
  return result;
}

int32_t TcxUltraFlatLookAndFeelPainter::HeaderFrameWidth() const { return 1; }

int32_t TcxUltraFlatLookAndFeelPainter::HeaderControlSectionFrameWidth(TcxButtonState AState) const {
  (void)AState;
  return 1;
}

POINT TcxUltraFlatLookAndFeelPainter::SortingMarkExtent() const { return POINT{7, 8}; }
TcxBorders TcxUltraFlatLookAndFeelPainter::FooterFrameSides() const { return TcxBorders{bRight, bBottom}; }
int32_t TcxUltraFlatLookAndFeelPainter::FooterFrameWidth() const { return 1; }
int32_t TcxUltraFlatLookAndFeelPainter::FooterCellFrameWidth() const { return 1; }
int32_t TcxUltraFlatLookAndFeelPainter::FooterCellSpacing() const { return 2; }

void TcxUltraFlatLookAndFeelPainter::PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->SetBrushColor(FooterSeparatorColor());
  ACanvas->FillRect(RECT{R.right - 1, R.top, R.right, R.bottom});
  ACanvas->FillRect(RECT{R.left, R.bottom - 1, R.right, R.bottom});
}

void TcxUltraFlatLookAndFeelPainter::PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->FrameRect(R, FooterSeparatorColor(), 1, cxBordersAll);
}

void TcxUltraFlatLookAndFeelPainter::PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R,
                                                               TcxButtonState AState, bool AIsFilterActive) const {
  ACanvas->FrameRect(R, ButtonFrameStateColor(AState), 1, cxBordersAll);
  const RECT inner = Shrunk(R, 1);
  FillColor(ACanvas, inner, ButtonFaceColor(AState));
  PaintDownArrowGlyph(ACanvas, inner, AIsFilterActive ? clBlue : ButtonGlyphColor(AState));
}

POINT TcxUltraFlatLookAndFeelPainter::SmallCloseButtonExtent() const { return POINT{16, 15}; }
POINT TcxUltraFlatLookAndFeelPainter::PartExtent127() const { return POINT{12, 12}; }

void TcxUltraFlatLookAndFeelPainter::PaintTabFrame(TcxCanvas* ACanvas, const RECT& ARect, TcxBorder ASide,
                                                   TcxBorders ABorders, bool AVertical) const {
  (void)ABorders;
  RECT R = ARect;
  if ((AVertical && ASide == bBottom) || (!AVertical && ASide == bRight)) {
    if (!AVertical) R.bottom -= TabFrameWidth(AVertical);
    FillColor(ACanvas, R, FrameColor148());
  } else {
    FillColor(ACanvas, R, FrameColor147());
  }
}

void TcxUltraFlatLookAndFeelPainter::PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                                   bool AVertical) const {
  ACanvas->DrawTwoColorFrame(R, FrameColor147(), FrameColor147(), ABorders, TabFrameWidth(AVertical));
}

int32_t TcxUltraFlatLookAndFeelPainter::TabFrameWidth(bool AVertical) const {
  (void)AVertical;
  return 1;
}

void TcxUltraFlatLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R,
                                                        TcxScrollPart APart, TcxButtonState AState) const {
  PaintFlatScrollBarPart(this, ACanvas, AHorizontal, R, APart, AState, true, false);
}

void TcxUltraFlatLookAndFeelPainter::PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R,
                                                                 const TcxViewParamsRec& AViewParams,
                                                                 bool AHorizontal) const {
  PaintFlatSchedulerSplitter(ACanvas, R, AViewParams, AHorizontal, DefaultColor42(), DefaultColor42());
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonFrameStateColor(TcxButtonState AState) const {
  return AState == cxbsNormal ? clBtnShadow : clHighlight;
}

TColor TcxUltraFlatLookAndFeelPainter::FrameColor147() const { return clBtnShadow; }
TColor TcxUltraFlatLookAndFeelPainter::FrameColor148() const { return clBtnText; }
TColor TcxUltraFlatLookAndFeelPainter::HotFrameColor() const { return clHighlight; }
