#include "ui/editors/cxEditPaintUtils.h"

#include <algorithm>
#include <memory>

#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxEditTextUtils.h"
#include "winapi/WinGdi.h"

// ---- the solid brush cache --------------------------------------------------------------------------------
namespace {

uint32_t ColorKey(TColor AColor) { return static_cast<uint32_t>(AColor); }

TcxSolidBrushCache* gSolidBrushCache = nullptr;

constexpr int32_t kSystemColorCount = 31;

bool IsSystemColorIndex(TColor AColor, int32_t& AIndex) {
  if ((ColorKey(AColor) & 0xFF000000u) != ColorKey(clSystemColor)) return false;
  AIndex = static_cast<int32_t>(ColorKey(AColor) & 0xFFu);
  return AIndex < kSystemColorCount;
}

}  // namespace

TcxSolidBrushCache::TcxSolidBrushCache(int32_t ACapacity) : FCapacity(std::max(ACapacity, 1)) {
  FColors.resize(static_cast<size_t>(FCapacity));
  FBrushes.resize(static_cast<size_t>(FCapacity));
  FUseCounts.resize(static_cast<size_t>(FCapacity));
  // Primary, so that the cache is empty before any control repaints with the new system colours.
  FSystemPaletteChangedNotifier = New<TcxSystemPaletteChangedNotifier>(true);
  FSystemPaletteChangedNotifier->OnPaletteChanged = Event<>(this, &TcxSolidBrushCache::SystemPaletteChanged);
}

TcxSolidBrushCache::~TcxSolidBrushCache() {
  FreeAndNil(FSystemPaletteChangedNotifier);
  Clear();
}

bool TcxSolidBrushCache::Find(TColor AColor, int32_t& AIndex) const {
  int32_t lo = 0, hi = FUsed - 1;
  const uint32_t key = ColorKey(AColor);
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const uint32_t c = ColorKey(FColors[static_cast<size_t>(mid)]);
    if (c == key) {
      AIndex = mid;
      return true;
    }
    if (c < key)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  AIndex = lo;
  return false;
}

int32_t TcxSolidBrushCache::IndexOf(TColor AColor) const {
  int32_t index = 0;
  return Find(AColor, index) ? index : -1;
}

void TcxSolidBrushCache::Delete(int32_t AIndex) {
  const auto i = static_cast<size_t>(AIndex);
  DeleteObject(FBrushes[i]);
  const auto used = static_cast<size_t>(FUsed);
  std::move(FColors.begin() + static_cast<ptrdiff_t>(i) + 1, FColors.begin() + static_cast<ptrdiff_t>(used),
            FColors.begin() + static_cast<ptrdiff_t>(i));
  std::move(FBrushes.begin() + static_cast<ptrdiff_t>(i) + 1, FBrushes.begin() + static_cast<ptrdiff_t>(used),
            FBrushes.begin() + static_cast<ptrdiff_t>(i));
  std::move(FUseCounts.begin() + static_cast<ptrdiff_t>(i) + 1, FUseCounts.begin() + static_cast<ptrdiff_t>(used),
            FUseCounts.begin() + static_cast<ptrdiff_t>(i));
  --FUsed;
}

void TcxSolidBrushCache::Clear() {
  for (int32_t i = 0; i < FUsed; ++i) DeleteObject(FBrushes[static_cast<size_t>(i)]);
  FUsed = 0;
}

HBRUSH TcxSolidBrushCache::GetBrush(TColor AColor) {
  int32_t index = 0;
  if (Find(AColor, index)) {
    ++FUseCounts[static_cast<size_t>(index)];
    return FBrushes[static_cast<size_t>(index)];
  }
  if (FUsed == FCapacity) {
    int32_t victim = 0;
    for (int32_t i = 1; i < FUsed; ++i)
      if (FUseCounts[static_cast<size_t>(i)] < FUseCounts[static_cast<size_t>(victim)]) victim = i;
    Delete(victim);
    if (victim < index) --index;
  }
  const auto at = static_cast<ptrdiff_t>(index);
  const auto used = static_cast<ptrdiff_t>(FUsed);
  std::move_backward(FColors.begin() + at, FColors.begin() + used, FColors.begin() + used + 1);
  std::move_backward(FBrushes.begin() + at, FBrushes.begin() + used, FBrushes.begin() + used + 1);
  std::move_backward(FUseCounts.begin() + at, FUseCounts.begin() + used, FUseCounts.begin() + used + 1);
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  FColors[static_cast<size_t>(index)] = AColor;
  FBrushes[static_cast<size_t>(index)] = brush;
  FUseCounts[static_cast<size_t>(index)] = 0;
  ++FUsed;
  return brush;
}

void TcxSolidBrushCache::SystemPaletteChanged() { Clear(); }

TcxSolidBrushCache* SolidBrushCache() {
  if (!gSolidBrushCache) gSolidBrushCache = New<TcxSolidBrushCache>(TcxSolidBrushCache::DefaultCapacity);
  return gSolidBrushCache;
}

void DoneEditPaintUtils() { FreeAndNil(gSolidBrushCache); }

HBRUSH GetSolidBrush(TColor AColor) {
  int32_t index = 0;
  // The platform keeps one brush per system colour and follows colour changes in it.
  if (IsSystemColorIndex(AColor, index)) return GetSysColorBrush(index);
  return SolidBrushCache()->GetBrush(AColor);
}

HBRUSH GetSolidBrushForPlatformCanvas(TCanvas*, TColor AColor) { return GetSolidBrush(AColor); }

HBRUSH GetSolidBrushForCanvas(TcxCanvas*, TColor AColor) { return GetSolidBrush(AColor); }

// ---- fills, lines and shapes ------------------------------------------------------------------------------
namespace {

bool PaintRectEmpty(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

void FillPixels(HDC ADC, int32_t ALeft, int32_t ATop, int32_t ARight, int32_t ABottom, HBRUSH ABrush) {
  const RECT r{ALeft, ATop, ARight, ABottom};
  if (!PaintRectEmpty(r)) FillRect(ADC, &r, ABrush);
}

}  // namespace

void FillRectWithBrush(HDC ADC, const RECT& R, HBRUSH ABrush) { FillRect(ADC, &R, ABrush); }

void FillRectExcept(TcxCanvas* ACanvas, const RECT& AOuter, const RECT& AInner, HBRUSH ABrush) {
  if (PaintRectEmpty(AOuter) || EqualRect(&AOuter, &AInner)) return;
  HDC dc = ACanvas->Handle();
  if (PaintRectEmpty(AInner)) {
    FillRect(dc, &AOuter, ABrush);
    return;
  }
  FillPixels(dc, AOuter.left, AOuter.top, AInner.left, AOuter.bottom, ABrush);
  FillPixels(dc, AInner.right, AOuter.top, AOuter.right, AOuter.bottom, ABrush);
  FillPixels(dc, AInner.left, AOuter.top, AInner.right, AInner.top, ABrush);
  FillPixels(dc, AInner.left, AInner.bottom, AInner.right, AOuter.bottom, ABrush);
}

void DrawPolyLine(TcxCanvas* ACanvas, const POINT* APoints, int32_t ASegmentCount, TColor AColor,
                  bool ARectangles) {
  if (!APoints || ASegmentCount < 0) return;
  const POINT& last = APoints[ASegmentCount];
  if (!ARectangles) {
    ACanvas->Pen()->SetColor(AColor);
    ACanvas->Polyline(std::vector<POINT>(APoints, APoints + ASegmentCount + 1));
    ACanvas->SetPixel(last.x, last.y, AColor);
    return;
  }
  HDC dc = ACanvas->Handle();
  HBRUSH brush = GetSolidBrush(AColor);
  for (int32_t i = 0; i < ASegmentCount; ++i) {
    const POINT a = APoints[i], b = APoints[i + 1];
    if (a.y == b.y) {
      if (a.x <= b.x)
        FillPixels(dc, a.x, a.y, b.x, a.y + 1, brush);
      else
        FillPixels(dc, b.x + 1, a.y, a.x + 1, a.y + 1, brush);
    } else if (a.x == b.x) {
      if (a.y <= b.y)
        FillPixels(dc, a.x, a.y, a.x + 1, b.y, brush);
      else
        FillPixels(dc, a.x, b.y + 1, a.x + 1, a.y + 1, brush);
    }
  }
  FillPixels(dc, last.x, last.y, last.x + 1, last.y + 1, brush);
}

void DrawPolyLine(TcxCanvas* ACanvas, const std::vector<POINT>& APoints, TColor AColor, bool ARectangles) {
  if (APoints.empty()) return;
  DrawPolyLine(ACanvas, APoints.data(), static_cast<int32_t>(APoints.size()) - 1, AColor, ARectangles);
}

void DrawRectEdges(TcxCanvas* ACanvas, RECT& R, uint32_t AEdges, TColor AColor) {
  ACanvas->Pen()->SetColor(AColor);
  auto line = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
    const POINT pts[2] = {POINT{x1, y1}, POINT{x2, y2}};
    DrawPolyLine(ACanvas, pts, 1, AColor, true);
  };
  if (AEdges & cxEdgeLeft) {
    line(R.left, R.top, R.left, R.bottom - 1);
    ++R.left;
  }
  if (AEdges & cxEdgeRight) {
    line(R.right - 1, R.top, R.right - 1, R.bottom - 1);
    --R.right;
  }
  if (AEdges & cxEdgeTop) {
    line(R.left, R.top, R.right - 1, R.top);
    ++R.top;
  }
  if (AEdges & cxEdgeBottom) {
    line(R.left, R.bottom - 1, R.right - 1, R.bottom - 1);
    --R.bottom;
  }
}

void CalcArrowSize(const SIZE& ASize, TcxPainterArrowDirection ADirection, SIZE& AArrowSize) {
  const LONG m = std::min(ASize.cx, ASize.cy);
  LONG w = (m - 1) / 2;
  if (w % 2 == 0) ++w;
  const LONG h = w / 2 + 1;
  if (ADirection == padUp || ADirection == padDown)
    AArrowSize = SIZE{w, h};
  else
    AArrowSize = SIZE{h, w};
}

void DrawArrows(TcxCanvas* ACanvas, int32_t ASize, const RECT& R, TcxPainterArrowDirection ADirection, bool ADouble,
                bool APressed, TColor AColor) {
  if (ASize <= 0) return;
  const int32_t count = ADouble ? 2 : 1;
  const bool vertical = ADirection == padUp || ADirection == padDown;
  const int32_t blockW = vertical ? 2 * ASize - 1 : count * ASize;
  const int32_t blockH = vertical ? count * ASize : 2 * ASize - 1;
  int32_t left = R.left + (R.right - R.left - blockW) / 2;
  int32_t top = R.top + (R.bottom - R.top - blockH) / 2;
  if (APressed) {
    ++left;
    ++top;
  }
  HDC dc = ACanvas->Handle();
  HBRUSH brush = GetSolidBrush(AColor);
  for (int32_t n = 0; n < count; ++n) {
    const int32_t x0 = vertical ? left : left + n * ASize;
    const int32_t y0 = vertical ? top + n * ASize : top;
    for (int32_t k = 0; k < ASize; ++k) {
      // The line's half-width: growing from the apex, or shrinking from the base.
      const int32_t half = (ADirection == padUp || ADirection == padLeft) ? k : ASize - 1 - k;
      const int32_t centre = ASize - 1;
      if (vertical)
        FillPixels(dc, x0 + centre - half, y0 + k, x0 + centre + half + 1, y0 + k + 1, brush);
      else
        FillPixels(dc, x0 + k, y0 + centre - half, x0 + k + 1, y0 + centre + half + 1, brush);
    }
  }
}

void CenterSizeInRect(const RECT& R, const SIZE& ASize, int32_t& ALeft, int32_t& ATop, bool APressed) {
  ALeft = R.left + (R.right - R.left - ASize.cx) / 2;
  ATop = R.top + (R.bottom - R.top - ASize.cy) / 2;
  if (APressed) {
    if (ALeft + ASize.cx < R.right) ++ALeft;
    if (ATop + ASize.cy < R.bottom) ++ATop;
  }
}

// ---- glyphs -----------------------------------------------------------------------------------------------
void DrawEditGlyph(TcxCanvas* ACanvas, int32_t X, int32_t Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor,
                   TBitmap* ABuffer) {
  if (!IsGlyphAssigned(AGlyph)) return;
  if (!ABuffer) {
    ACanvas->DrawBitmapGlyph(X, Y, AGlyph, AEnabled, ABackgroundColor);
    return;
  }
  // The buffer's own content shows where the glyph is transparent.
  TcxCanvas buffer(ABuffer->Canvas());
  buffer.DrawBitmapGlyph(0, 0, AGlyph, AEnabled, clNone);
  ACanvas->Draw(X, Y, ABuffer);
}

void DrawImageListGlyph(TcxCanvas* ACanvas, TCustomImageList* AImages, int32_t AIndex, const RECT& R,
                        TColor ABackgroundColor, bool AEnabled, TBitmap* ABitmap) {
  if (!IsImageListUsable(AImages)) return;
  std::unique_ptr<TBitmap> own;
  TBitmap* target = ABitmap;
  if (!target) {
    own.reset(New<TBitmap>());
    own->SetSize(AImages->Width(), AImages->Height());
    own->Canvas()->Brush()->SetColor(ABackgroundColor == clNone ? clWindow : ABackgroundColor);
    own->Canvas()->FillRect(RECT{0, 0, AImages->Width(), AImages->Height()});
    target = own.get();
  }
  AImages->Draw(target->Canvas(), 0, 0, AIndex, AEnabled);
  ACanvas->Draw(R.left, R.top, target);
}

bool IsGlyphAssigned(TBitmap* AGlyph) {
  return AGlyph && !AGlyph->Empty() && AGlyph->Width() >= 1 && AGlyph->Height() >= 1;
}

bool IsImageListUsable(TCustomImageList* AImages) {
  return AImages && AImages->Width() > 0 && AImages->Height() > 0;
}

// ---- looks and colours ------------------------------------------------------------------------------------
TcxCustomLookAndFeelPainterClass GetEditPainterClass(bool ANativeStyle, TcxLookAndFeelKind AKind) {
  if (ANativeStyle && AreThemeTypesAvailable({})) return TcxWinXPLookAndFeelPainter::Instance();
  return LookAndFeelPainterOfKind(AKind);
}

TColor GetHotTrackColor() { return clSystemColor | COLOR_HOTLIGHT; }

TColor GetHighlightBorderColor(bool AOffice11) {
  if (!AOffice11) return clHighlight;
  Office11ColorsAcquire();
  const TColor result = Office11Color(42);
  Office11ColorsRelease();
  return result;
}

TColor GetFlatButtonColor(bool APressed, bool AOffice11) {
  TcxCustomLookAndFeelPainterClass painter = AOffice11
                                                 ? static_cast<TcxCustomLookAndFeelPainterClass>(
                                                       TcxOffice11LookAndFeelPainter::Instance())
                                                 : TcxUltraFlatLookAndFeelPainter::Instance();
  return painter->ButtonFaceColor(APressed ? cxbsPressed : cxbsHot);
}

// ---- text -------------------------------------------------------------------------------------------------
namespace {

struct TFlagPair {
  uint32_t Canvas;
  uint32_t TextOut;
};
// Left and top are 0 among the text-output flags, so they have no pair and never come back.
constexpr TFlagPair kFlagPairs[] = {
    {tfAlignHCenter, TOF_CENTER_HORZ}, {tfAlignRight, TOF_RIGHT},       {tfAlignVCenter, TOF_CENTER_VERT},
    {tfAlignBottom, TOF_BOTTOM},       {tfSingleLine, TOF_SINGLELINE}, {tfWordBreak, TOF_WORDBREAK},
};

}  // namespace

uint32_t ConvertDrawTextFlags(uint32_t AFlags) {
  uint32_t result = 0;
  for (const TFlagPair& p : kFlagPairs)
    if (AFlags & p.Canvas) result |= p.TextOut;
  return result;
}

uint32_t ConvertTextOutFlags(uint32_t AFlags) {
  uint32_t result = 0;
  for (const TFlagPair& p : kFlagPairs)
    if (AFlags & p.TextOut) result |= p.Canvas;
  return result;
}

void StripHotkeyPrefix(const String& ACaption, String& AText) {
  AText.clear();
  AText.reserve(ACaption.size());
  for (size_t i = 0; i < ACaption.size(); ++i) {
    if (ACaption[i] != '&') {
      AText += ACaption[i];
      continue;
    }
    if (i + 1 == ACaption.size()) {
      AText += '_';
      break;
    }
    // The byte after the prefix stays whatever it is, so a second "&" is kept as a plain one.
    AText += ACaption[++i];
  }
}

String StripHotkeyPrefix(const String& ACaption) {
  String result;
  StripHotkeyPrefix(ACaption, result);
  return result;
}
