// The Office11 painter (part of the painters' unit). Its colours are the shared Office11 set, read at each
// call, so a recomputation after a colour or theme change shows at the next paint.

#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/detail/cxPainterHelpers.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"

using namespace cxpainter_detail;

const TcxOffice11LookAndFeelPainter* TcxOffice11LookAndFeelPainter::Instance() {
  static const TcxOffice11LookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxOffice11LookAndFeelPainter::PainterStyle() const { return psOffice11; }

TColor TcxOffice11LookAndFeelPainter::DefaultColor09() const { return Office11Color56; }
TColor TcxOffice11LookAndFeelPainter::DefaultFilterBoxColor() const { return Office11Color25; }
TColor TcxOffice11LookAndFeelPainter::DefaultFilterBoxTextColor() const { return Office11Color29; }
TColor TcxOffice11LookAndFeelPainter::DefaultFooterColor() const { return DefaultHeaderColor(); }
TColor TcxOffice11LookAndFeelPainter::DefaultFooterTextColor() const { return DefaultHeaderTextColor(); }
TColor TcxOffice11LookAndFeelPainter::DefaultGroupColor() const { return Office11Color59; }
TColor TcxOffice11LookAndFeelPainter::DefaultGroupByBoxColor() const { return Office11Color56; }
TColor TcxOffice11LookAndFeelPainter::DefaultGroupByBoxTextColor() const { return Office11Color03; }
TColor TcxOffice11LookAndFeelPainter::DefaultHeaderColor() const { return Office11Color01; }
TColor TcxOffice11LookAndFeelPainter::DefaultColor31() const { return DefaultGroupByBoxColor(); }
TColor TcxOffice11LookAndFeelPainter::DefaultColor37() const { return Office11Color01; }
TColor TcxOffice11LookAndFeelPainter::DefaultDateNavigatorSelectionColor() const { return Office11Color60; }
TColor TcxOffice11LookAndFeelPainter::DefaultDateNavigatorSelectionTextColor() const { return clWindowText; }
TColor TcxOffice11LookAndFeelPainter::DefaultColor42() const { return Office11Color61; }
TColor TcxOffice11LookAndFeelPainter::DefaultColor43() const { return Office11Color62; }
TColor TcxOffice11LookAndFeelPainter::DefaultTabColor() const { return Office11Color02; }
TColor TcxOffice11LookAndFeelPainter::DefaultTabsBackgroundColor() const { return DefaultTabColor(); }

void TcxOffice11LookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->FrameRect(R, Office11Color58, 1, cxBordersAll);
}

TColor TcxOffice11LookAndFeelPainter::ButtonFaceColor(TcxButtonState AState) const {
  switch (AState) {
    case cxbsHot:
      return Office11Color43;
    case cxbsPressed:
      return Office11Color45;
    case cxbsDisabled:
      return clBtnFace;
    default:
      return Office11Color01;
  }
}

TColor TcxOffice11LookAndFeelPainter::ButtonGlyphColor(TcxButtonState AState) const {
  if (AState == cxbsPressed && !IsLunaSchemeActive()) return clHighlightText;
  if (AState == cxbsDisabled) return Office11Color53;
  return Office11Color52;
}

void TcxOffice11LookAndFeelPainter::PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  TColor color;
  switch (AState) {
    case cxbsDefault:
      TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(ACanvas, R, AState);
      return;
    case cxbsNormal:
      color = clBtnText;
      break;
    case cxbsDisabled:
      color = Office11Color53;
      break;
    default:
      color = Office11Color42;
      break;
  }
  ACanvas->FrameRect(R, color, 1, cxBordersAll);
}

// The bitmap button's corners take the colours under it, so the caller paints the row first.
void TcxOffice11LookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                      TColor AColor) const {
  (void)AColor;
  InitPainterImages();  // keeps the Office11 set, and so its bitmaps, alive
  TBitmap* bitmap = AExpanded ? Office11CollapseBitmap : Office11ExpandBitmap;
  if (!bitmap) return;
  const TColor topLeft = ACanvas->Canvas()->Pixels(R.left, R.top);
  bitmap->Canvas()->SetPixels(0, 0, MixColorsPercent(Office11ExpandButtonColor1, topLeft, 25));
  const TColor bottomRight = ACanvas->Canvas()->Pixels(R.right - 1, R.bottom - 1);
  const TColor corner = MixColorsPercent(Office11ExpandButtonColor2, bottomRight, 25);
  // The far corners of the picture, whatever its size.
  const int32_t right = bitmap->Width() - 1, bottom = bitmap->Height() - 1;
  bitmap->Canvas()->SetPixels(right, bottom, corner);
  bitmap->Canvas()->SetPixels(0, bottom, corner);
  bitmap->Canvas()->SetPixels(right, 0, corner);
  ACanvas->Draw(R.left, R.top, bitmap);
}

bool TcxOffice11LookAndFeelPainter::ExpandButtonDrawnFirst() const { return false; }

void TcxOffice11LookAndFeelPainter::PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                           TColor AFrameColor, TColor AFillColor) const {
  (void)AFrameColor;
  PaintExpandButton(ACanvas, R, AExpanded, AFillColor);
}

int32_t TcxOffice11LookAndFeelPainter::ExpandButtonExtent() const { return 11; }
int32_t TcxOffice11LookAndFeelPainter::SmallExpandButtonExtent() const { return ExpandButtonExtent(); }

TColor TcxOffice11LookAndFeelPainter::CheckFaceColor(TcxButtonState AState) const {
  if (AState == cxbsHot || AState == cxbsPressed || AState == cxbsDisabled) return ButtonFaceColor(AState);
  return TcxCustomLookAndFeelPainter::CheckFaceColor(AState);
}

void TcxOffice11LookAndFeelPainter::PaintPartContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                     TcxButtonState AState, TAlignment AAlignH,
                                                     TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                                                     const String& AText, TFont* AFont, TColor ATextColor,
                                                     TColor ABkColor,
                                                     const TcxDrawBackgroundEvent& AOnDrawBackground,
                                                     bool AIsFooter) const {
  (void)ABkColor;
  if (!(AOnDrawBackground.Assigned() && AOnDrawBackground(ACanvas, R))) {
    TColor c1, c2;
    if (AState == cxbsHot) {
      c1 = c2 = Office11Color03;
    } else {
      c1 = SchemeColor153();
      c2 = SchemeColor150();
    }
    if (AIsFooter) {
      FillRectWithColor(ACanvas->Handle(), R, c1);
    } else {
      FillRectWithColor(ACanvas->Handle(), RECT{R.left, R.top, R.right, R.bottom - 3}, c1);
      FillGradientRect(ACanvas->Handle(), RECT{R.left, R.bottom - 4, R.right, R.bottom}, c1, c2, false);
    }
  }
  if (!AText.empty())
    DrawTextIn(ACanvas, AText, ATextR, cxAlignmentFlags(AAlignH, AAlignV, AMultiLine, AEndEllipsis), AFont,
               ATextColor, true);
  if (AState == cxbsHot)
    FillGradientRect(ACanvas->Handle(), RECT{R.left - 1, R.bottom - 2, R.right, R.bottom + 1}, Office11Color43,
                     Office11Color44, false);
}

void TcxOffice11LookAndFeelPainter::PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                TcxBorders ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                                TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                                bool AEndEllipsis, const String& AText, TFont* AFont,
                                                TColor ATextColor, TColor ABkColor,
                                                const TcxDrawBackgroundEvent& AOnDrawBackground, bool AIsLast) const {
  // The look's header background is its own: a caller's background handler never replaces it.
  (void)AOnDrawBackground;
  TcxCustomLookAndFeelPainter::PaintHeader(ACanvas, R, ATextR, ANeighbors, ABorders, AState, AAlignH, AAlignV,
                                           AMultiLine, AEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr,
                                           AIsLast);
}

void TcxOffice11LookAndFeelPainter::PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors,
                                                     TcxBorders ABorders) const {
  const TColor A = SchemeColor153(), B = SchemeColor150(), dark = SchemeColor151();
  if (ABorders.Contains(bTop)) FillColor(ACanvas, RECT{R.left, R.top, R.right, R.top + 1}, A);
  if (ABorders.Contains(bBottom)) FillColor(ACanvas, RECT{R.left, R.bottom - 1, R.right, R.bottom}, dark);
  if (ABorders.Contains(bLeft)) {
    int32_t y0, y1;
    ACanvas->SetPixel(R.left, R.top + 1, A);
    if (ANeighbors.Contains(bLeft)) {
      y0 = R.top + 2;
      y1 = R.bottom - 3;
      ACanvas->SetPixel(R.left, R.top + 2, A);
      ACanvas->SetPixel(R.left, R.bottom - 3, MixColorsPercent(A, B, 25));
      ACanvas->SetPixel(R.left, R.bottom - 2, B);
    } else {
      y0 = R.top + 1;
      y1 = R.bottom - 2;
      ACanvas->SetPixel(R.left, R.bottom - 2, B);
    }
    if (y1 > y0) FillColor(ACanvas, RECT{R.left, y0, R.left + 1, y1}, SchemeColor152());
  }
  if (ABorders.Contains(bRight)) {
    const int32_t X = R.right - 1;
    int32_t y0, y1;
    TColor K;
    if (ANeighbors.Contains(bRight)) {
      y0 = R.top + 2;
      y1 = R.bottom - 3;
      ACanvas->SetPixel(X, R.top + 1, A);
      ACanvas->SetPixel(X, R.top + 2, A);
      ACanvas->SetPixel(X, R.bottom - 3, MixColorsPercent(A, B, 25));
      K = B;
    } else {
      y0 = R.top + 1;
      y1 = R.bottom - 2;
      ACanvas->SetPixel(X, R.top, MixColorsPercent(A, dark, 50));
      K = MixColorsPercent(B, dark, 50);
    }
    ACanvas->SetPixel(X, R.bottom - 2, K);
    if (y1 > y0) FillColor(ACanvas, RECT{X, y0, X + 1, y1}, dark);
  }
}

void TcxOffice11LookAndFeelPainter::PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                              TcxBorders ANeighbors, TcxBorders ABorders,
                                                              TcxButtonState AState, TAlignment AAlignH,
                                                              TcxAlignmentVert AAlignV, bool AMultiLine,
                                                              bool AEndEllipsis, const String& AText, TFont* AFont,
                                                              TColor ATextColor, TColor ABkColor) const {
  PaintHeader(ACanvas, R, ATextR, ANeighbors, ABorders, AState, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText,
              AFont, ATextColor, ABkColor, nullptr, false);
  if (AState == cxbsPressed) PaintHeaderPressed(ACanvas, R);
}

void TcxOffice11LookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R,
                                                     bool AAscendingSorting) const {
  PaintSortTriangle(ACanvas, R, SchemeColor151(), SchemeColor152(), AAscendingSorting);
}

TcxBorders TcxOffice11LookAndFeelPainter::HeaderFrameSides(TcxBorders ANeighbors) const {
  (void)ANeighbors;
  return cxBordersAll;
}

int32_t TcxOffice11LookAndFeelPainter::HeaderFrameWidth() const { return 1; }
bool TcxOffice11LookAndFeelPainter::HeaderHotTracking() const { return true; }
TColor TcxOffice11LookAndFeelPainter::FooterSeparatorColor() const { return SchemeColor151(); }

// Scroll bars do not take the look's colours: the themed bar when the theme has one, else the classic bar.
void TcxOffice11LookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R,
                                                       TcxScrollPart APart, TcxButtonState AState) const {
  if (AreThemeTypesAvailable({totScrollBar}))
    TcxWinXPLookAndFeelPainter::Instance()->PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
  else
    TcxStandardLookAndFeelPainter::Instance()->PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
}

void TcxOffice11LookAndFeelPainter::PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText,
                                                     TcxBorders ANeighbors, const TcxViewParamsRec& AViewParams,
                                                     int32_t AArrows, int32_t AArrowIndent,
                                                     const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  (void)ANeighbors;
  const RECT inner = Shrunk(R, 1);
  if (!(AOnDrawBackground.Assigned() && AOnDrawBackground(ACanvas, inner)))
    ACanvas->FillFramedRect(inner, AViewParams, {}, clDefault, 1);
  if (!AText.empty())
    DrawTextIn(ACanvas, AText, inner, tfAlignHCenter | tfAlignVCenter | tfSingleLine, AViewParams.Font,
               AViewParams.TextColor, true);
  PaintMonthArrows(ACanvas, R, AArrows, AArrowIndent, clWindowText);
}

void TcxOffice11LookAndFeelPainter::PaintSplitterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->FrameRect(R, DefaultColor42(), 1, cxBordersAll);
}

TColor TcxOffice11LookAndFeelPainter::ButtonFrameStateColor(TcxButtonState AState) const {
  return AState == cxbsNormal ? SchemeColor151() : Office11Color42;
}

TColor TcxOffice11LookAndFeelPainter::FrameColor147() const { return SchemeColor151(); }
TColor TcxOffice11LookAndFeelPainter::FrameColor148() const { return clBtnText; }
TColor TcxOffice11LookAndFeelPainter::HotFrameColor() const { return Office11Color42; }

TColor TcxOffice11LookAndFeelPainter::SchemeColor150() const { return Office11Color04; }
TColor TcxOffice11LookAndFeelPainter::SchemeColor151() const { return Office11Color21; }
TColor TcxOffice11LookAndFeelPainter::SchemeColor152() const { return Office11Color22; }
TColor TcxOffice11LookAndFeelPainter::SchemeColor153() const {
  return MixColorsPercent(Office11Color03, Office11Color04, 50);
}
