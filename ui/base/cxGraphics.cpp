#include "ui/base/cxGraphics.h"

#include <algorithm>
#include <memory>

#include "forms/ImgList.h"
#include "rtl/Math.h"
#include "winapi/CommCtrl.h"

namespace {

// The platform canvas keeps RequiredState to itself; the suite selects the font and brush before it
// calls the device context directly, as the canvas's own text calls do.
struct TCanvasAccess : TCanvas {
  static constexpr auto Required = &TCanvasAccess::RequiredState;
};

void Require(TCanvas* ACanvas, TCanvasState AState) { (ACanvas->*TCanvasAccess::Required)(AState); }

int32_t Width(const RECT& R) { return R.right - R.left; }
int32_t Height(const RECT& R) { return R.bottom - R.top; }
bool IsEmpty(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

// Division that rounds toward minus infinity, so that tiles stay anchored at the origin for negative
// coordinates too (a scrolled canvas).
int32_t FloorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// The large rectangle that stands for "no clip region".
constexpr int32_t kNoClipExtent = 107374182;

}  // namespace

UINT TextFlagsToDrawTextFlags(uint32_t AFlags) {
  UINT r = DT_NOPREFIX;
  if (AFlags & tfAlignRight) r |= DT_RIGHT;
  if (AFlags & tfAlignHCenter) r |= DT_CENTER;
  if (AFlags & tfAlignBottom) r |= DT_BOTTOM;
  if (AFlags & tfAlignVCenter) r |= DT_VCENTER;
  if (AFlags & tfSingleLine) r |= DT_SINGLELINE;
  if (AFlags & tfDontClip) r |= DT_NOCLIP;
  if (AFlags & tfExpandTabs) r |= DT_EXPANDTABS;
  if (AFlags & tfShowPrefix) r &= ~DT_NOPREFIX;
  if (AFlags & tfWordBreak) r |= DT_WORDBREAK | DT_EDITCONTROL;
  if (AFlags & tfShowEndEllipsis) r |= DT_END_ELLIPSIS;
  if (AFlags & tfCalcOnly) r |= DT_CALCRECT;
  if (AFlags & tfShowPathEllipsis) r |= DT_PATH_ELLIPSIS;
  return r;
}

int RegionCombineMode(TcxRegionOperation AOperation) {
  static const int modes[] = {RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND};
  return modes[AOperation];
}

// ---- TcxRegion --------------------------------------------------------------------------------------------

TcxRegion::TcxRegion() : FHandle(CreateRectRgn(0, 0, 0, 0)) {}
TcxRegion::TcxRegion(HRGN AHandle) : FHandle(AHandle) {}
TcxRegion::TcxRegion(const RECT& R) : FHandle(CreateRectRgnIndirect(&R)) {}
TcxRegion::TcxRegion(int32_t ALeft, int32_t ATop, int32_t ARight, int32_t ABottom)
    : FHandle(CreateRectRgn(ALeft, ATop, ARight, ABottom)) {}

TcxRegion::~TcxRegion() {
  if (FHandle) DeleteObject(FHandle);
}

bool TcxRegion::HasNoArea() const {
  RECT r{};
  return GetRgnBox(FHandle, &r) == NULLREGION;
}

void TcxRegion::CombineWith(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion) {
  if (!ARegion) return;
  if (AOperation == rcmCopy)
    CombineRgn(FHandle, ARegion->Handle(), nullptr, RGN_COPY);
  else
    CombineRgn(FHandle, FHandle, ARegion->Handle(), RegionCombineMode(AOperation));
  if (ADestroyRegion) ARegion->Free();
}

bool TcxRegion::SameAs(TcxRegion* ARegion) const {
  if (!ARegion) return false;
  if (HasNoArea() && ARegion->HasNoArea()) return true;
  return SameAsHandle(ARegion->Handle());
}

bool TcxRegion::SameAsHandle(HRGN AHandle) const { return EqualRgn(FHandle, AHandle) != FALSE; }

void TcxRegion::Offset(int32_t DX, int32_t DY) { OffsetRgn(FHandle, DX, DY); }

// ---- TcxCanvas --------------------------------------------------------------------------------------------

void TcxCanvas::GetWindowOrg(POINT& P) const { GetWindowOrgEx(GetHandle(), &P); }

POINT TcxCanvas::WindowOrg() const {
  POINT p{0, 0};
  GetWindowOrg(p);
  return p;
}

void TcxCanvas::SetBrushColor(TColor AColor) {
  if (FCanvas->Brush()->Color() != AColor) FCanvas->Brush()->SetColor(AColor);
}

void TcxCanvas::ApplyViewParams(const TcxViewParamsRec& AParams) {
  SetBrushColor(AParams.Color);
  if (AParams.Font) SetFont(AParams.Font);
  FCanvas->Font()->SetColor(AParams.TextColor);
}

void TcxCanvas::SetPixel(int32_t X, int32_t Y, TColor AColor) { FCanvas->SetPixels(X, Y, AColor); }

void TcxCanvas::CopyRect(const RECT& ADest, TCanvas* ACanvas, const RECT& ASource) {
  FCanvas->CopyRect(ADest, ACanvas, ASource);
}

void TcxCanvas::Draw(int32_t X, int32_t Y, TGraphic* AGraphic) { FCanvas->Draw(X, Y, AGraphic); }
void TcxCanvas::MoveTo(int32_t X, int32_t Y) { FCanvas->MoveTo(X, Y); }
void TcxCanvas::LineTo(int32_t X, int32_t Y) { FCanvas->LineTo(X, Y); }
void TcxCanvas::Polygon(const std::vector<POINT>& APoints) { FCanvas->Polygon(APoints); }
void TcxCanvas::Polyline(const std::vector<POINT>& APoints) { FCanvas->Polyline(APoints); }

void TcxCanvas::FillRect(const RECT& R, TBitmap* ABitmap) {
  if (IsEmpty(R)) return;
  if (!ABitmap || ABitmap->Empty()) {
    FCanvas->FillRect(R);
    return;
  }
  const int32_t W = ABitmap->Width(), H = ABitmap->Height();
  const int32_t firstCol = FloorDiv(R.left, W), lastCol = FloorDiv(R.right - 1, W);
  const int32_t firstRow = FloorDiv(R.top, H), lastRow = FloorDiv(R.bottom - 1, H);
  TCanvas* source = ABitmap->Canvas();
  for (int32_t j = firstRow; j <= lastRow; ++j)
    for (int32_t i = firstCol; i <= lastCol; ++i) {
      RECT tile{i * W, j * H, i * W + W, j * H + H};
      RECT dest{std::max(tile.left, R.left), std::max(tile.top, R.top), std::min(tile.right, R.right),
                std::min(tile.bottom, R.bottom)};
      RECT part = dest;
      OffsetRect(&part, -i * W, -j * H);
      CopyRect(dest, source, part);
    }
}

void TcxCanvas::FrameRect(const RECT& R, TColor AColor, int32_t ALineWidth, TcxBorders ABorders) {
  if (IsEmpty(R)) return;
  if (AColor != clDefault) SetBrushColor(AColor);
  const int32_t W = ALineWidth;
  if (ABorders.Contains(bLeft)) FCanvas->FillRect(RECT{R.left, R.top, std::min(R.left + W, R.right), R.bottom});
  if (ABorders.Contains(bRight)) FCanvas->FillRect(RECT{std::max(R.right - W, R.left), R.top, R.right, R.bottom});
  if (ABorders.Contains(bTop)) FCanvas->FillRect(RECT{R.left, R.top, R.right, std::min(R.top + W, R.bottom)});
  if (ABorders.Contains(bBottom))
    FCanvas->FillRect(RECT{R.left, std::max(R.bottom - W, R.top), R.right, R.bottom});
}

void TcxCanvas::DrawTwoColorFrame(const RECT& R, TColor ALeftTopColor, TColor ARightBottomColor,
                                  TcxBorders ABorders, int32_t ALineWidth) {
  const int32_t W = ALineWidth;
  for (TcxBorder side : {bLeft, bTop, bRight, bBottom}) {
    if (!ABorders.Contains(side)) continue;
    RECT strip = R;
    switch (side) {
      case bLeft: strip.right = R.left + W; break;
      case bTop: strip.bottom = R.top + W; break;
      case bRight: strip.left = R.right - W; break;
      case bBottom: strip.top = R.bottom - W; break;
    }
    SetBrushColor(side == bLeft || side == bTop ? ALeftTopColor : ARightBottomColor);
    FCanvas->FillRect(strip);
  }
}

void TcxCanvas::DrawBevelEdge(const RECT& R, bool ASunken, bool AOuter, TcxBorders ABorders) {
  // Left/top and right/bottom colours of the four bevel lines.
  static const TColor pairs[2][2][2] = {
      {{clBtnHighlight, clBtnShadow}, {cl3DLight, cl3DDkShadow}},  // raised: inner, outer
      {{cl3DDkShadow, cl3DLight}, {clBtnShadow, clBtnHighlight}},  // sunken: inner, outer
  };
  const TColor* pair = pairs[ASunken ? 1 : 0][AOuter ? 1 : 0];
  DrawTwoColorFrame(R, pair[0], pair[1], ABorders, 1);
}

void TcxCanvas::FillFramedRect(const RECT& R, const TcxViewParamsRec& AParams, TcxBorders ABorders,
                               TColor ABorderColor, int32_t ABorderWidth) {
  FrameRect(R, ABorderColor, ABorderWidth, ABorders);
  RECT inner = R;
  if (ABorders.Contains(bLeft)) inner.left += ABorderWidth;
  if (ABorders.Contains(bTop)) inner.top += ABorderWidth;
  if (ABorders.Contains(bRight)) inner.right -= ABorderWidth;
  if (ABorders.Contains(bBottom)) inner.bottom -= ABorderWidth;
  SetBrushColor(AParams.Color);
  FillRect(inner, AParams.Bitmap);
}

void TcxCanvas::DrawFocusRect(const RECT& R) {
  SetBrushColor(clWhite);
  FCanvas->Font()->SetColor(clBlack);
  Require(FCanvas, TCanvasState{csHandleValid, csFontValid});
  FCanvas->DrawFocusRect(R);
}

void TcxCanvas::InvertRect(const RECT& R) {
  HDC dc = GetHandle();
  BitBlt(dc, R.left, R.top, Width(R), Height(R), dc, R.left, R.top, DSTINVERT);
}

void TcxCanvas::DrawBitmapGlyph(int32_t X, int32_t Y, TBitmap* ABitmap, bool AEnabled, TColor ABackgroundColor) {
  if (!ABitmap || ABitmap->Empty()) return;
  const int32_t W = ABitmap->Width(), H = ABitmap->Height();
  const TColor transparent = ABitmap->TransparentColor();
  if (AEnabled) {
    const TBrushStyle savedStyle = FCanvas->Brush()->Style();
    if (ABackgroundColor == clNone) {
      FCanvas->Brush()->SetStyle(bsClear);
      // A clear brush leaves the destination where the bitmap has its transparent colour.
      Require(FCanvas, TCanvasState{csHandleValid});
      TransparentBlt(GetHandle(), X, Y, W, H, ABitmap->Canvas()->Handle(), 0, 0, W, H, ColorToRGB(transparent));
    } else {
      SetBrushColor(ABackgroundColor);
      std::unique_ptr<TBitmap> copy(New<TBitmap>());
      copy->Assign(ABitmap);
      const uint32_t key = ColorToRGB(transparent) & 0xFFFFFF;
      const COLORREF brush = ColorToRGB(ABackgroundColor);
      const uint32_t fill = (GetRValue(brush) << 16) | (GetGValue(brush) << 8) | GetBValue(brush);
      const uint32_t keyPixel = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
      for (int32_t y = 0; y < H; ++y) {
        uint32_t* row = copy->ScanLine(y);
        for (int32_t x = 0; x < W; ++x)
          if ((row[x] & 0xFFFFFF) == keyPixel) row[x] = fill;
      }
      FCanvas->CopyRect(RECT{X, Y, X + W, Y + H}, copy->Canvas(), RECT{0, 0, W, H});
    }
    FCanvas->Brush()->SetStyle(savedStyle);
    return;
  }
  TImageList* images = New<TImageList>(nullptr);
  try {
    images->SetWidth(W);
    images->SetHeight(H);
    // The bitmap's own transparent colour: the fixed one, or its bottom-left pixel.
    images->AddMasked(ABitmap, transparent);
    if (ABackgroundColor != clNone) {
      std::unique_ptr<TBitmap> back(New<TBitmap>());
      back->SetSize(W, H);
      back->Canvas()->Brush()->SetColor(ABackgroundColor);
      back->Canvas()->FillRect(RECT{0, 0, W, H});
      images->Draw(back->Canvas(), 0, 0, 0, false);
      FCanvas->Draw(X, Y, back.get());
    } else {
      images->Draw(FCanvas, X, Y, 0, false);
    }
  } catch (...) {
    images->Free();
    throw;
  }
  images->Free();
}

void TcxCanvas::RotateBitmap(TBitmap* ABitmap, int32_t ARotation, bool AFlip) {
  if (!ABitmap || (ARotation == 0 && !AFlip) || ABitmap->Empty()) return;
  if (ARotation < 0 || ARotation > 3) return;
  const int32_t W = ABitmap->Width(), H = ABitmap->Height();
  const size_t count = static_cast<size_t>(W) * static_cast<size_t>(H);
  std::vector<uint32_t> source(count), target(count);
  for (int32_t y = 0; y < H; ++y) std::copy_n(ABitmap->ScanLine(y), W, source.begin() + static_cast<size_t>(y) * W);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      int64_t index = 0;
      switch (ARotation) {
        case 0: index = int64_t(H - 1 - y) * W + x; break;
        case 1: index = AFlip ? y + int64_t(x) * H : y + int64_t(W - 1 - x) * H; break;
        case 2: index = AFlip ? int64_t(W - 1 - x) * H + (H - 1 - y) : int64_t(x) * H + (H - 1 - y); break;
        case 3: index = AFlip ? int64_t(y) * W + (W - 1 - x) : int64_t(H - 1 - y) * W + (W - 1 - x); break;
      }
      target[static_cast<size_t>(index)] = source[static_cast<size_t>(y) * W + x];
    }
  int32_t newW = W, newH = H;
  if (ARotation == 1 || ARotation == 2) {
    ABitmap->SetHeight(0);
    ABitmap->SetSize(H, W);
    newW = H;
    newH = W;
  }
  for (int32_t y = 0; y < newH; ++y)
    std::copy_n(target.begin() + static_cast<size_t>(y) * newW, newW, ABitmap->ScanLine(y));
}

void TcxCanvas::TextExtent(const String& AText, SIZE& ASize) {
  Require(FCanvas, TCanvasState{csHandleValid, csFontValid});
  ASize = SIZE{0, 0};
  GetTextExtentPoint(GetHandle(), AText.data(), static_cast<int>(AText.size()), &ASize);
}

int32_t TcxCanvas::TextWidth(const String& AText) {
  SIZE s;
  TextExtent(AText, s);
  return s.cx;
}

int32_t TcxCanvas::TextHeight(const String& AText) {
  SIZE s;
  TextExtent(AText, s);
  return s.cy;
}

int32_t TcxCanvas::FontHeight(TFont* AFont) {
  SetFont(AFont);
  return TextHeight("Qq");
}

void TcxCanvas::MeasureTextRect(const String& AText, RECT& R, uint32_t AFlags) {
  const int32_t boxWidth = Width(R), boxHeight = Height(R);
  const UINT flags = TextFlagsToDrawTextFlags(AFlags);
  Require(FCanvas, TCanvasState{csHandleValid, csFontValid});
  ::DrawText(GetHandle(), AText.data(), static_cast<int>(AText.size()), &R, (flags & ~DT_VCENTER) | DT_CALCRECT);
  if (flags & DT_CENTER)
    OffsetRect(&R, (boxWidth - Width(R)) / 2, 0);
  else if (flags & DT_RIGHT)
    OffsetRect(&R, boxWidth - Width(R), 0);
  if (flags & DT_VCENTER)
    OffsetRect(&R, 0, (boxHeight - Height(R)) / 2);
  else if (flags & DT_BOTTOM)
    OffsetRect(&R, 0, boxHeight - Height(R));
}

void TcxCanvas::DrawText(const String& AText, RECT R, uint32_t AFlags, bool AEnabled) {
  if (AText.empty()) return;
  const bool byDrawText =
      !(AFlags & tfSingleLine) || (AFlags & (tfShowPrefix | tfShowEndEllipsis | tfShowPathEllipsis));
  const int32_t D = AEnabled ? 0 : 1;
  SIZE extent;
  TextExtent(AText, extent);
  if (extent.cx < Width(R) && extent.cy < Height(R)) AFlags |= tfDontClip;
  UINT format = 0, options = 0;
  if (byDrawText) {
    if (!(AFlags & tfSingleLine) && (AFlags & (tfAlignBottom | tfAlignVCenter))) {
      RECT block{R.left, R.top, R.right - D, R.bottom};
      MeasureTextRect(AText, block, AFlags);
      if (AFlags & tfAlignBottom)
        R.top = R.bottom - Height(block) - D;
      else
        R.top = (R.top + R.bottom - Height(block)) / 2;
    }
    format = TextFlagsToDrawTextFlags(AFlags);
  } else {
    if (extent.cx < Width(R)) {
      if (AFlags & tfAlignRight)
        R.left = R.right - extent.cx - D;
      else if (AFlags & tfAlignHCenter)
        R.left = (R.left + R.right - extent.cx) / 2;
    }
    if (extent.cy < Height(R)) {
      if ((AFlags & (tfAlignTop | tfAlignBottom | tfAlignVCenter)) == tfAlignBottom)
        R.top = R.bottom - extent.cy - D;
      else if (AFlags & tfAlignVCenter)
        R.top = (R.top + R.bottom - extent.cy) / 2;
    }
    options = (AFlags & tfDontClip) ? 0 : ETO_CLIPPED;
  }
  auto output = [&] {
    Require(FCanvas, TCanvasState{csHandleValid, csFontValid, csBrushValid});
    if (byDrawText) {
      RECT r = R;
      ::DrawText(GetHandle(), AText.data(), static_cast<int>(AText.size()), &r, format);
    } else {
      ExtTextOut(GetHandle(), R.left, R.top, options, &R, AText.data(), static_cast<UINT>(AText.size()), nullptr);
    }
  };
  const TBrushStyle savedStyle = FCanvas->Brush()->Style();
  const TColor savedColor = FCanvas->Font()->Color();
  if (!AEnabled) {
    ++R.left;
    ++R.top;
    FCanvas->Brush()->SetStyle(bsClear);
    FCanvas->Font()->SetColor(clBtnHighlight);
    output();
    OffsetRect(&R, -1, -1);
    FCanvas->Font()->SetColor(clBtnShadow);
  }
  output();
  if (FCanvas->Brush()->Style() != savedStyle) FCanvas->Brush()->SetStyle(savedStyle);
  FCanvas->Font()->SetColor(savedColor);
}

void TcxCanvas::ExcludeFromClip(const RECT& R) { ExcludeClipRect(GetHandle(), R.left, R.top, R.right, R.bottom); }

void TcxCanvas::IntersectClip(const RECT& R) { IntersectClipRect(GetHandle(), R.left, R.top, R.right, R.bottom); }

TcxRegion* TcxCanvas::GetClipRegion() {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(GetHandle(), rgn) == 1) return New<TcxRegion>(rgn);
  DeleteObject(rgn);
  return New<TcxRegion>(0, 0, kNoClipExtent, kNoClipExtent);
}

void TcxCanvas::SetClipRegion(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion) {
  if (!ARegion) return;
  HDC dc = GetHandle();
  if (AOperation == rcmCopy) {
    SelectClipRgn(dc, ARegion->Handle());
  } else {
    // Logical to device: the window origin and the viewport origin both move what is drawn.
    POINT window{0, 0}, viewport{0, 0};
    GetWindowOrgEx(dc, &window);
    GetViewportOrgEx(dc, &viewport);
    const int32_t dx = viewport.x - window.x, dy = viewport.y - window.y;
    ARegion->Offset(dx, dy);
    TcxRegion* clip = GetClipRegion();
    clip->CombineWith(ARegion, AOperation, false);
    SelectClipRgn(dc, clip->Handle());
    clip->Free();
    if (!ADestroyRegion) ARegion->Offset(-dx, -dy);
  }
  if (ADestroyRegion) ARegion->Free();
}

bool TcxCanvas::RectVisible(const RECT& R) { return ::RectVisible(GetHandle(), &R) != FALSE; }

// ---- screen canvases --------------------------------------------------------------------------------------

TScreenCanvas::~TScreenCanvas() { FreeHandle(); }

void TScreenCanvas::CreateHandle() {
  FDeviceContext = GetDC(nullptr);
  SetHandle(FDeviceContext);
}

void TScreenCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  HDC dc = FDeviceContext;
  SetHandle(nullptr);
  FDeviceContext = nullptr;
  ReleaseDC(nullptr, dc);
}

TcxScreenCanvas::TcxScreenCanvas() : TcxCanvas(New<TScreenCanvas>()) {}

TcxScreenCanvas::~TcxScreenCanvas() { FCanvas->Free(); }

// ---- light colours ----------------------------------------------------------------------------------------

TColor CalcSystemLightColor(int8_t BtnFacePercent, int8_t HighlightPercent, int8_t WindowPercent) {
  const COLORREF face = ColorToRGB(clBtnFace), highlight = ColorToRGB(clHighlight), window = ColorToRGB(clWindow);
  if ((face & 0xFFFFFF) == 0 || (face & 0xFFFFFF) == 0xFFFFFF) return static_cast<TColor>(highlight);
  auto channel = [&](int shift) {
    auto c = [shift](COLORREF v) { return static_cast<int32_t>((v >> shift) & 0xFF); };
    int32_t v = MulDiv(c(face), BtnFacePercent, 100) + MulDiv(c(highlight), HighlightPercent, 100) +
                MulDiv(c(window), WindowPercent, 100);
    return static_cast<uint32_t>(std::clamp(v, 0, 255)) << shift;
  };
  return static_cast<TColor>(channel(0) | channel(8) | channel(16));
}

TColor NearestScreenColor(TColor AColor) {
  HDC dc = GetDC(nullptr);
  COLORREF c = GetNearestColor(dc, ColorToRGB(AColor));
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(c);
}

TColor LightPressedColor() { return NearestScreenColor(CalcSystemLightColor(14, 44, 40)); }

TColor LightHotTrackColor() { return NearestScreenColor(CalcSystemLightColor(-2, 30, 72)); }
