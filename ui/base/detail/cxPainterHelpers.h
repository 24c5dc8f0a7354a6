#pragma once
// Small drawing steps the painters of several looks share; private to the painters' unit.

#include <vector>

#include "ui/base/cxLookAndFeelPainters.h"

namespace cxpainter_detail {

inline int32_t RectWidth(const RECT& R) { return R.right - R.left; }
inline int32_t RectHeight(const RECT& R) { return R.bottom - R.top; }
inline bool IsEmptyRect(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }
inline RECT Shrunk(const RECT& R, int32_t D) { return RECT{R.left + D, R.top + D, R.right - D, R.bottom - D}; }
// R shrunk by D on every side, or R itself when nothing would be left.
inline RECT ShrunkOrSelf(const RECT& R, int32_t D) {
  RECT r = Shrunk(R, D);
  return IsEmptyRect(r) ? R : r;
}
inline int32_t FloorDiv2(int32_t V) { return V >= 0 ? V / 2 : -((-V + 1) / 2); }

void FillColor(TcxCanvas* ACanvas, const RECT& R, TColor AColor);
// A filled polygon whose brush and pen take AColor.
void PolygonIn(TcxCanvas* ACanvas, const std::vector<POINT>& APoints, TColor AColor);
// Transparent text in R; the brush is solid again afterwards.
void DrawTextIn(TcxCanvas* ACanvas, const String& AText, const RECT& R, uint32_t AFlags, TFont* AFont,
                TColor ATextColor, bool AEnabled);
void PaintButtonSymbolCross(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                            TcxButtonState AState);
void PaintStandardButtonSymbol(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                               TcxButtonState AState);
void PaintStandardTabFrame(TcxCanvas* ACanvas, RECT R, TcxBorder ASide, TcxBorders ABorders, bool AVertical);
void PaintStandardFilterDropDownButton(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, RECT R,
                                       TcxButtonState AState, bool AIsFilterActive);
// The checkerboard of a scroll-bar track (the pressed one for cxbsPressed).
void PaintTrack(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState);
TcxPainterArrowDirection ScrollArrowDirection(bool AHorizontal, TcxScrollPart APart);

}  // namespace cxpainter_detail
