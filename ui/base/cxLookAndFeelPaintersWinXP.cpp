// The native themed painter (part of the painters' unit): elements drawn as parts of the window system's
// visual style; where a theme class does not open, the standard painter's drawing.

#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/detail/cxPainterHelpers.h"
#include "ui/base/dxThemeManager.h"

using namespace cxpainter_detail;

int32_t ButtonThemeState(TcxButtonState AState) {
  static const int32_t states[] = {PBS_DEFAULTED, PBS_NORMAL, PBS_HOT, PBS_PRESSED, PBS_DISABLED};
  return states[AState];
}

const TcxWinXPLookAndFeelPainter* TcxWinXPLookAndFeelPainter::Instance() {
  static const TcxWinXPLookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxWinXPLookAndFeelPainter::PainterStyle() const { return psNative; }

void TcxWinXPLookAndFeelPainter::PaintThemedText(TcxCanvas* ACanvas, HTHEME ATheme, int32_t APartId,
                                                 int32_t AStateId, const RECT& AClipR, const RECT& R,
                                                 TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                                 bool AEndEllipsis, const String& AText, TFont* AFont,
                                                 TColor ATextColor, TColor ABkColor) const {
  (void)AClipR;
  (void)ABkColor;
  if (AText.empty()) return;
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  DWORD flags = DT_EDITCONTROL | DT_NOPREFIX;
  flags |= AAlignH == taRightJustify ? DT_RIGHT : (AAlignH == taCenter ? DT_CENTER : DT_LEFT);
  flags |= AAlignV == vaBottom ? DT_BOTTOM : (AAlignV == vaCenter ? DT_VCENTER : DT_TOP);
  flags |= AMultiLine ? DT_WORDBREAK : DT_SINGLELINE;
  if (AEndEllipsis) flags |= DT_END_ELLIPSIS;
  // The window system's text calls take UTF-8, which the platform's wide string would only round-trip.
  DrawThemeText(ATheme, ACanvas->Handle(), APartId, AStateId, AText.c_str(), -1, flags, 0, &R);
}
