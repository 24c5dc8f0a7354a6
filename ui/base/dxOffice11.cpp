#include "ui/base/dxOffice11.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/detail/dxOffice11Images.h"
#include "ui/base/dxThemeManager.h"

namespace {

// Each brush with the number of the colour it is made of.
struct BrushSlot {
  HBRUSH* brush;
  int colour;
};
const BrushSlot kBrushes[] = {
    {&Office11Brush19, 19}, {&Office11Brush20, 20}, {&Office11Brush21, 21}, {&Office11Brush22, 22},
    {&Office11Brush32, 32}, {&Office11Brush39, 39}, {&Office11Brush41, 41}, {&Office11Brush42, 42},
    {&Office11Brush47, 47}, {&Office11Brush48, 48}, {&Office11Brush49, 49}, {&Office11Brush50, 50},
    {&Office11Brush56, 56}};

uint8_t gScheme = 0;
bool gLunaActive = false;
int32_t gMidTonePercent = 75;
int32_t gUseCount = 0;

constexpr TColor kBlack = 0x000000, kWhite = 0xFFFFFF;

// A fixed colour given as red, green, blue.
constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b)));
}

TColor& C(int n) { return Office11Colors[n]; }

// Per channel of two RGB values, clamped to 0..255.
template <class F>
COLORREF PerChannel(COLORREF a, COLORREF b, F f) {
  COLORREF r = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int32_t v = f(static_cast<int32_t>((a >> shift) & 0xFF), static_cast<int32_t>((b >> shift) & 0xFF));
    r |= static_cast<COLORREF>(std::clamp(v, 0, 255)) << shift;
  }
  return r;
}

TColor Light(int8_t b, int8_t h, int8_t w) { return NearestScreenColor(CalcLightColor(b, h, w)); }

// The colours of the three Luna schemes, by scheme (blue, olive, silver).
void ComputeSchemeColors(int s) {
  auto pick = [s](TColor blue, TColor olive, TColor silver) { return s == 0 ? blue : s == 1 ? olive : silver; };
  C(1) = pick(Rgb(158, 190, 245), Rgb(217, 217, 167), Rgb(215, 215, 229));
  C(2) = pick(Rgb(195, 218, 249), Rgb(242, 240, 228), Rgb(243, 243, 247));
  C(3) = pick(Rgb(221, 236, 254), Rgb(244, 247, 222), Rgb(243, 244, 250));
  C(4) = pick(Rgb(129, 169, 226), Rgb(183, 198, 145), Rgb(153, 151, 181));
  C(5) = pick(Rgb(117, 166, 241), Rgb(176, 194, 140), Rgb(179, 178, 200));
  C(6) = Rgb(255, 248, 211);
  C(7) = Rgb(254, 149, 82);
  C(8) = pick(Rgb(0, 53, 145), Rgb(96, 119, 107), Rgb(118, 116, 146));
  C(9) = Rgb(255, 193, 118);
  C(10) = Rgb(255, 221, 152);
  C(11) = pick(Rgb(59, 97, 156), Rgb(96, 128, 88), Rgb(124, 124, 148));
  C(12) = pick(Rgb(123, 164, 224), Rgb(181, 196, 143), Rgb(147, 145, 176));
  C(13) = MixColorsPercent(C(5), C(3), 90);
  C(14) = MixColorsPercent(C(6), C(3), 90);
  C(15) = MixColorsPercent(C(7), C(3), 90);
  C(19) = pick(Rgb(39, 65, 118), Rgb(81, 94, 51), Rgb(84, 84, 117));
  C(20) = Rgb(255, 255, 255);
  C(21) = pick(Rgb(106, 140, 203), Rgb(96, 128, 88), Rgb(110, 109, 143));
  C(22) = pick(Rgb(241, 249, 255), Rgb(244, 247, 222), Rgb(255, 255, 255));
  C(23) = kBlack;
  C(24) = kWhite;
  C(25) = pick(Rgb(42, 102, 201), Rgb(116, 134, 94), Rgb(122, 121, 153));
  C(26) = pick(Rgb(196, 219, 249), Rgb(225, 222, 173), Rgb(219, 218, 228));
  C(29) = kWhite;
  C(30) = kBlack;
  C(31) = kBlack;
  C(32) = pick(Rgb(246, 246, 246), Rgb(244, 244, 238), Rgb(253, 250, 255));
  C(39) = pick(Rgb(0, 45, 150), Rgb(117, 141, 94), Rgb(124, 124, 148));
  C(41) = Rgb(255, 238, 194);
  C(42) = pick(Rgb(0, 0, 128), Rgb(63, 93, 56), Rgb(75, 75, 111));
  C(43) = Rgb(255, 244, 204);
  C(44) = Rgb(255, 208, 145);
  C(45) = Rgb(255, 211, 142);
  C(46) = Rgb(254, 145, 78);
  C(47) = pick(Rgb(203, 225, 252), Rgb(216, 227, 182), Rgb(214, 211, 231));
  C(48) = Rgb(255, 192, 111);
  C(49) = Rgb(254, 128, 62);
  C(50) = pick(Rgb(169, 199, 240), Rgb(197, 212, 159), Rgb(192, 192, 211));
  C(52) = Rgb(0, 0, 0);
  C(53) = Rgb(141, 141, 141);
  C(59) = pick(Rgb(190, 218, 251), Rgb(175, 186, 145), Rgb(229, 229, 235));
  C(60) = Rgb(251, 230, 148);
  C(61) = pick(Rgb(0, 45, 150), Rgb(96, 128, 88), Rgb(124, 124, 148));
  C(62) = pick(Rgb(196, 218, 250), Rgb(242, 241, 228), Rgb(243, 243, 247));
  C(63) = Rgb(253, 238, 201);
  C(64) = pick(Rgb(55, 104, 185), Rgb(115, 137, 84), Rgb(112, 111, 145));
  C(65) = C(12);
}

// The colours without a known scheme: system colours and blends of them.
void ComputeSystemColors() {
  C(1) = clBtnFace;
  C(2) = MixColorsPercent(clBtnFace, clWindow, 20);
  C(3) = MixColorsPercent(clBtnFace, clWindow, 22);
  C(4) = MixColorsPercent(clBtnFace, clWindow, 96);
  C(5) = MixColorsPercent(clBtnShadow, clWindow, 74);
  C(6) = Light(-15, 29, 86);
  C(7) = Light(42, 11, 47);
  C(8) = clBtnShadow;
  C(9) = Light(-15, 29, 86);
  C(10) = Light(42, 11, 47);
  C(11) = MixColorsPercent(clBtnFace, clWindow, 85);
  C(12) = clBtnFace;
  C(13) = MixColorsPercent(C(8), clWindow, 50);
  C(14) = MixColorsPercent(C(9), clWindow, 50);
  C(15) = MixColorsPercent(C(10), clWindow, 50);
  C(19) = MixColorsPercent(clBtnShadow, clWindow, 76);
  C(20) = clWindow;
  C(21) = MixColorsPercent(clBtnShadow, clWindow, 70);
  C(22) = kWhite;
  C(23) = clBtnText;
  C(24) = clWindow;
  C(25) = clBtnShadow;
  C(26) = C(4);
  C(29) = clBtnHighlight;
  C(30) = clBtnText;
  C(31) = clBtnText;
  C(32) = clWindow;
  C(39) = clBtnShadow;
  C(41) = Light(-2, 30, 72);
  C(42) = clHighlight;
  C(43) = C(41);
  C(44) = C(41);
  C(47) = C(4);
  C(48) = CalcLightColor(41, 11, 48);
  C(49) = Light(14, 44, 40);
  C(45) = C(49);
  C(46) = C(49);
  C(50) = C(47);
  C(52) = clBtnText;
  C(53) = clGrayText;
  C(59) = clBtnFace;
  C(60) = C(48);
  C(61) = C(39);
  C(62) = C(1);
  C(63) = clBtnFace;
  C(64) = clBtnShadow;
  C(65) = clBtnShadow;
}

// The rows that copy or mix other colours the same way whatever the scheme; computed after the colours
// they name.
void ComputeCommonColors() {
  C(16) = MixColorsPercent(C(8), C(12), 50);
  C(17) = MixColorsPercent(C(9), C(12), 50);
  C(18) = MixColorsPercent(C(10), C(12), 50);
  C(27) = C(3);
  C(28) = C(25);
  C(33) = C(3);
  C(34) = C(4);
  C(35) = C(3);
  C(36) = C(4);
  C(37) = MixColorsPercent(C(35), kBlack, 92);
  C(38) = MixColorsPercent(C(36), kBlack, 92);
  C(40) = C(32);
  C(51) = C(41);
  C(54) = C(39);
  C(55) = C(1);
  C(56) = C(16);
  C(57) = C(29);
  C(58) = C(39);
}

// Recolours the submenu picture to the scheme: the lightest shades take the first colour, the darkest the
// second; the background (pixel 0, 0) and black stay.
void RecolorSubmenuArrow(TBitmap* bitmap) {
  const int32_t W = bitmap->Width(), H = bitmap->Height();
  if (W == 0 || H == 0) return;
  const uint32_t background = bitmap->ScanLine(0)[0] & 0xFFFFFF;
  COLORREF first = ColorToRGB(Office11Color03) & 0xFFFFFF, second = ColorToRGB(Office11Color04) & 0xFFFFFF;
  if (first == second) second = first == 0 ? kWhite : kBlack;
  auto shaded = [background](uint32_t p) { return (p & 0xFFFFFF) != background && (p & 0xFFFFFF) != 0; };
  int32_t smallest = 255, largest = 1;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      uint32_t p = bitmap->ScanLine(y)[x];
      if (!shaded(p)) continue;
      int32_t red = static_cast<int32_t>((p >> 16) & 0xFF);
      smallest = std::min(smallest, red);
      largest = std::max(largest, red);
    }
  for (int32_t y = 0; y < H; ++y) {
    uint32_t* row = bitmap->ScanLine(y);
    for (int32_t x = 0; x < W; ++x) {
      if (!shaded(row[x])) continue;
      int32_t red = static_cast<int32_t>((row[x] >> 16) & 0xFF);
      // A picture of one shade only has no darker pixels: all of it takes the first colour.
      int32_t percent = largest > smallest ? MulDiv(red - smallest, 100, largest - smallest) : 100;
      COLORREF c = ColorToRGB(MixColorsPercent(static_cast<TColor>(first), static_cast<TColor>(second), percent));
      row[x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  }
}

TBitmap* MakeBitmap(const char* name) {
  TBitmap* b = New<TBitmap>();
  cx_detail::LoadOffice11Image(b, name);
  return b;
}

void CreateResources() {
  for (const BrushSlot& s : kBrushes) *s.brush = CreateSolidBrush(ColorToRGB(C(s.colour)));
  Office11SubmenuArrowBitmap = MakeBitmap("DXSUBMENUEXPAND");
  RecolorSubmenuArrow(Office11SubmenuArrowBitmap);
  Office11CollapseBitmap = MakeBitmap("DXEXPANDBUTTON_MINUS");
  Office11ExpandBitmap = MakeBitmap("DXEXPANDBUTTON_PLUS");
}

void FreeResources() {
  for (const BrushSlot& s : kBrushes)
    if (*s.brush) {
      DeleteObject(*s.brush);
      *s.brush = nullptr;
    }
  FreeAndNil(Office11SubmenuArrowBitmap);
  FreeAndNil(Office11CollapseBitmap);
  FreeAndNil(Office11ExpandBitmap);
}

int32_t Extent(const RECT& R, bool AHorizontal) { return AHorizontal ? R.right - R.left : R.bottom - R.top; }

// The band of a gradient: from..to along the axis, across the whole of R.
RECT Band(const RECT& R, int32_t from, int32_t to, bool AHorizontal) {
  return AHorizontal ? RECT{from, R.top, to, R.bottom} : RECT{R.left, from, R.right, to};
}

COLORREF BandColor(COLORREF c1, COLORREF c2, int32_t i, int32_t n) {
  if (n <= 1) return c1;
  return PerChannel(c1, c2, [i, n](int32_t a, int32_t b) { return a + MulDiv(i, b - a, n - 1); });
}

}  // namespace

uint8_t LunaScheme() { return gScheme; }
bool IsLunaSchemeActive() { return gLunaActive; }
int32_t Office11MidTonePercent() { return gMidTonePercent; }
int32_t Office11ColorsUseCount() { return gUseCount; }

TColor Office11Color(int32_t n) { return n >= 1 && n <= 65 ? Office11Colors[n] : clNone; }

uint8_t DetectLunaScheme() {
  if (!AreThemeTypesAvailable({})) return 0;
  constexpr int kChars = 1024;
  std::string file(kChars, '\0'), color(kChars, '\0'), size(kChars, '\0');
  if (FAILED(GetCurrentThemeName(file.data(), kChars, color.data(), kChars, size.data(), kChars))) return 0;
  file.resize(std::strlen(file.c_str()));
  color.resize(std::strlen(color.c_str()));
  // The file part of the theme's path, whichever separator it uses.
  const size_t slash = file.find_last_of("/\\");
  if (UpperCase(slash == std::string::npos ? file : file.substr(slash + 1)) != "LUNA.MSSTYLES") return 0;
  const String scheme = UpperCase(color);
  if (scheme == "NORMALCOLOR") return 1;
  if (scheme == "HOMESTEAD") return 2;
  if (scheme == "METALLIC") return 3;
  return 0;
}

void Office11ColorsCompute() {
  gScheme = DetectLunaScheme();
  gLunaActive = AreThemeTypesAvailable({}) && gScheme != 0;
  if (gLunaActive)
    ComputeSchemeColors(gScheme - 1);
  else
    ComputeSystemColors();
  ComputeCommonColors();
  static const int32_t midTones[] = {41, 125, 40};
  gMidTonePercent = gLunaActive ? midTones[gScheme - 1] : 75;
}

void Office11ColorsAcquire() {
  if (gUseCount == 0) {
    Office11ColorsCompute();
    CreateResources();
  }
  ++gUseCount;
}

void Office11ColorsRelease() {
  if (gUseCount <= 0) return;
  if (--gUseCount == 0) FreeResources();
}

void Office11ColorsRecalc() {
  Office11ColorsCompute();
  if (gUseCount > 0) {
    FreeResources();
    CreateResources();
  }
}

TColor MixColorsPercent(TColor AColor1, TColor AColor2, int32_t APercent) {
  COLORREF mixed = PerChannel(ColorToRGB(AColor1), ColorToRGB(AColor2), [APercent](int32_t a, int32_t b) {
    return MulDiv(a, APercent, 100) + MulDiv(b, 100 - APercent, 100);
  });
  return NearestScreenColor(static_cast<TColor>(mixed));
}

TColor CalcLightColor(int8_t ABtnFacePercent, int8_t AHighlightPercent, int8_t AWindowPercent) {
  return CalcSystemLightColor(ABtnFacePercent, AHighlightPercent, AWindowPercent);
}

bool IsBlackBtnFace() { return (GetSysColor(COLOR_BTNFACE) & 0xFFFFFF) == 0; }
bool IsWhiteBtnFace() { return (GetSysColor(COLOR_BTNFACE) & 0xFFFFFF) == 0xFFFFFF; }
bool IsBlackFaceWithoutWhiteText() {
  return IsBlackBtnFace() && (GetSysColor(COLOR_BTNTEXT) & 0xFFFFFF) != 0xFFFFFF;
}

void FillRectWithColor(HDC DC, const RECT& R, TColor AColor) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  ::FillRect(DC, &R, brush);
  DeleteObject(brush);
}

void FrameRectWithColor(HDC DC, const RECT& R, TColor AColor) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  ::FrameRect(DC, &R, brush);
  DeleteObject(brush);
}

void FrameOffice11Rect(HDC DC, const RECT& R) {
  if (IsBlackBtnFace())
    FrameRectWithColor(DC, R, clHighlightText);
  else if (Office11Brush42)
    ::FrameRect(DC, &R, Office11Brush42);
  else
    FrameRectWithColor(DC, R, Office11Color42);  // the set is not held: the same colour, brush made here
}

void FillGradientRect(HDC DC, const RECT& R, TColor AColor1, TColor AColor2, bool AHorizontal) {
  const COLORREF c1 = ColorToRGB(AColor1) & 0xFFFFFF, c2 = ColorToRGB(AColor2) & 0xFFFFFF;
  if (c1 == c2) {
    FillRectWithColor(DC, R, static_cast<TColor>(c1));
    return;
  }
  const int32_t E = Extent(R, AHorizontal), N = std::min(E, 256);
  if (N < 1) return;
  const int32_t start = AHorizontal ? R.left : R.top, stop = AHorizontal ? R.right : R.bottom;
  int32_t from = start;
  for (int32_t i = 0; i < N; ++i) {
    const int32_t to = start + MulDiv(i + 1, E, N);
    if (to > from) FillRectWithColor(DC, Band(R, from, to, AHorizontal), static_cast<TColor>(BandColor(c1, c2, i, N)));
    from = to;
    if (to >= stop) break;
  }
}

TColor GradientColorAt(const RECT& R, int32_t X, TColor AColor1, TColor AColor2, bool AHorizontal) {
  const COLORREF c1 = ColorToRGB(AColor1) & 0xFFFFFF, c2 = ColorToRGB(AColor2) & 0xFFFFFF;
  const int32_t E = Extent(R, AHorizontal), N = std::min(E, 256);
  if (c1 == c2 || N < 1) return static_cast<TColor>(c1);
  const int32_t offset = X - (AHorizontal ? R.left : R.top);
  // The band whose pixels FillGradientRect paints at offset: band i covers MulDiv(i, E, N) up to
  // MulDiv(i + 1, E, N). The quick estimate can be one band off where the rounding of the band ends falls.
  int32_t band = std::clamp(MulDiv(offset + 1, N, E) - 1, 0, N - 1);
  while (band + 1 < N && MulDiv(band + 1, E, N) <= offset) ++band;
  while (band > 0 && MulDiv(band, E, N) > offset) --band;
  return static_cast<TColor>(BandColor(c1, c2, band, N));
}

void FillMidToneGradientRect(HDC DC, const RECT& R, TColor AColor1, TColor AColor2, bool AHorizontal) {
  const COLORREF c1 = ColorToRGB(AColor1) & 0xFFFFFF, c2 = ColorToRGB(AColor2) & 0xFFFFFF;
  if (c1 == c2) {
    FillRectWithColor(DC, R, static_cast<TColor>(c1));
    return;
  }
  const int32_t E = Extent(R, AHorizontal);
  if (E < 1) return;
  const int32_t H = E / 2;
  const COLORREF mid = PerChannel(c1, c2, [](int32_t a, int32_t b) {
    return a - MulDiv(a - b, gMidTonePercent, 200);
  });
  const int32_t start = AHorizontal ? R.left : R.top, stop = AHorizontal ? R.right : R.bottom;
  for (int32_t i = 0; i < E; ++i) {
    COLORREF c;
    if (i < H)
      c = PerChannel(c1, mid, [i, H](int32_t a, int32_t m) { return a + MulDiv(i, m - a, H); });
    else if (i == H || E - 1 == H)
      c = mid;
    else
      c = PerChannel(mid, c2, [i, H, E](int32_t m, int32_t b) { return m + MulDiv(i - H, b - m, E - 1 - H); });
    FillRectWithColor(DC, Band(R, start + i, start + i + 1, AHorizontal), static_cast<TColor>(c));
    if (start + i + 1 >= stop) break;
  }
}

void DrawOffice11GripDots(HDC DC, const RECT& R, bool AVertical) {
  const int32_t extent = AVertical ? R.bottom - R.top : R.right - R.left;
  const int32_t remainder = ((extent % 4) + 4) % 4;
  const int32_t shift = remainder <= 1 ? remainder : remainder / 2;
  RECT cell{R.left, R.top, R.left + 4, R.top + 4};
  if (AVertical)
    OffsetRect(&cell, 0, shift);
  else
    OffsetRect(&cell, shift, 0);
  do {
    RECT dot{cell.left + 1, cell.top + 1, cell.left + 3, cell.top + 3};
    ::FillRect(DC, &dot, Office11Brush20);
    OffsetRect(&dot, -1, -1);
    ::FillRect(DC, &dot, Office11Brush19);
    if (AVertical)
      OffsetRect(&cell, 0, 4);
    else
      OffsetRect(&cell, 4, 0);
  } while (AVertical ? cell.bottom <= R.bottom : cell.right <= R.right);
}

void DrawOffice11ArrowInRect(HDC DC, const RECT& R, bool ADown, bool AEnabled, bool ASelected) {
  const int32_t S = ADown ? (R.right - R.left) - 8 : (R.bottom - R.top) - 6;
  int32_t size = (S - 1) / 2 + ((S & 1) ? 1 : 0);
  size = std::max(size, 3);
  DrawOffice11Arrow(DC, R, ADown, size, AEnabled, ASelected);
}

void DrawOffice11Arrow(HDC DC, const RECT& R, bool ADown, int32_t ASize, bool AEnabled, bool ASelected) {
  TColor color = !AEnabled ? Office11Color53 : ASelected && IsWhiteBtnFace() ? kWhite : Office11Color52;
  // The solid triangle with corners (x0, y0), its mirror across the arrow's axis and the tip, painted one
  // line at a time: a polygon fill leaves pixels on its right and bottom edges out, and a triangle this
  // small would show holes between its outline and its inside.
  HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  if (ADown) {
    const int32_t x0 = (R.left + R.right - (2 * ASize - 1)) / 2, y0 = (R.top + R.bottom - ASize) / 2;
    for (int32_t k = 0; k < ASize; ++k) {
      RECT line{x0 + k, y0 + k, x0 + 2 * ASize - 1 - k, y0 + k + 1};
      ::FillRect(DC, &line, brush);
    }
  } else {
    const int32_t x0 = (R.left + R.right - ASize) / 2, y0 = (R.top + R.bottom - (2 * ASize - 1)) / 2;
    for (int32_t k = 0; k < ASize; ++k) {
      RECT line{x0 + k, y0 + k, x0 + k + 1, y0 + 2 * ASize - 1 - k};
      ::FillRect(DC, &line, brush);
    }
  }
  DeleteObject(brush);
}
