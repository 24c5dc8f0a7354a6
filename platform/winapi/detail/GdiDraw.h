#pragma once
// The drawing layer's internal objects and pixel helpers, shared by the Gdi*.cpp files, image lists and
// the theme.

#include <pixman.h>

#include <cstdint>
#include <vector>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"

namespace winapi::detail {

struct Pen : GdiObject {
  Pen() : GdiObject(OBJ_PEN) {}
  UINT style = 0;  // PS_ style (low nibble)
  int width = 1;
  COLORREF color = 0;
  bool dcPen = false;  // the DC_PEN stock object: colour from SetDCPenColor
};

// Pixels are 0x00RRGGBB, rows top-down in memory unless `bottomUp` (device-independent bitmaps with a
// positive height). Monochrome bitmaps hold only 0 and 0x00FFFFFF.
struct Bitmap : GdiObject {
  Bitmap() : GdiObject(OBJ_BITMAP) {}
  ~Bitmap() override;  // a DC still holding the bitmap falls back to its initial one
  int width = 0;
  int height = 0;
  bool mono = false;
  bool dib = false;
  bool bottomUp = false;
  std::vector<uint32_t> data;
  HDC selectedIn = nullptr;
  PixelBuffer View() {
    PixelBuffer b{data.data(), width, height, width};
    if (bottomUp && height > 0) {
      b.pixels = data.data() + static_cast<ptrdiff_t>(height - 1) * width;
      b.stride = -width;
    }
    return b;
  }
  uint32_t& At(int x, int y) { return data[static_cast<size_t>(bottomUp ? height - 1 - y : y) * width + x]; }
};

// Icons and cursors. Colour pixels are 0xAARRGGBB; `mask` holds 1 where the screen shows through.
struct Icon : GdiObject {
  Icon() : GdiObject(0) {}
  bool isIcon = true;
  POINT hotspot{0, 0};
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  std::vector<uint32_t> color;
  std::vector<uint8_t> mask;
};
Icon* AsIcon(HICON h);          // also the pictures of the stock cursors
HICON NewIconHandle(Icon* ic);  // registers a new icon
bool DrawIconPicture(HDC hdc, int x, int y, HICON icon, int w, int h, UINT flags);

Pen* AsPen(HPEN h);
Bitmap* AsBitmap(HBITMAP h);
HBITMAP NewBitmap(int width, int height, bool mono);

constexpr uint32_t kWhite = 0x00FFFFFF;
// Colour to the single bit of a monochrome surface: bright colours become white.
inline uint32_t ToMono(uint32_t px) {
  return (((px >> 16) & 0xFF) + ((px >> 8) & 0xFF) + (px & 0xFF)) >= 384 ? kWhite : 0;
}

// The general ternary raster operation: `code` is the truth table over pattern (bit 2 of the index),
// source (bit 1) and destination (bit 0).
uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d);
// The binary raster mode (R2_*) as a ternary code that ignores the source.
uint8_t Rop2ToRop3(int rop2);

// A DC opened for drawing: its surface, where device (0, 0) lies on it, and the clip in surface coordinates
// (visible region, application clip and surface bounds).
struct Canvas {
  explicit Canvas(HDC hdc);
  explicit Canvas(DC* dc);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  DC* dc = nullptr;
  bool ok = false;
  PixelBuffer buf{};
  POINT org{};
  pixman_region32_t clip;
  bool mono = false;
  uint32_t* Row(int sy) const { return buf.pixels + static_cast<ptrdiff_t>(sy) * buf.stride; }
  bool Visible(int sx, int sy) const {
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&clip), sx, sy, nullptr);
  }
  // Device position of a logical point.
  POINT ToDevice(int x, int y) const;
  // Colour for this surface (monochrome surfaces keep only black and white).
  uint32_t Pixel(COLORREF c) const { return mono ? ToMono(ColorToPixel(c)) : ColorToPixel(c); }

 private:
  void Open();
};

// Applies `code` with the DC's brush over `area` (device coordinates), clipped. A null brush leaves the
// area untouched when the operation reads the pattern.
void PaintArea(Canvas& cv, const pixman_region32_t* area, Brush* brush, uint8_t code);
// The pixel of `brush` at a device position (for hatches and mono tiles: the DC's colours); false when
// the position is transparent (hatch background with TRANSPARENT mode, null brush).
bool BrushPixel(const Canvas& cv, const Brush* brush, int dx, int dy, uint32_t* out);
Brush* CurrentBrush(DC* dc);
void InitRectRegion(pixman_region32_t* r, int l, int t, int rr, int b);
// Device-coordinate logical rectangle, normalised.
RECT ToDeviceRect(const Canvas& cv, const RECT& r);
// Draws a line in device coordinates with the DC's pen (the last point excluded).
void DeviceLine(Canvas& cv, POINT a, POINT b, bool includeLast, int* styleCounter);
void FillSolidRect(Canvas& cv, const RECT& deviceRect, COLORREF color);
void FrameSolidRect(Canvas& cv, const RECT& deviceRect, COLORREF color);
void PutPixel(Canvas& cv, int dx, int dy, uint32_t px, uint8_t code);

// Bitmap helpers for image lists and icons.
void BlitRaw(Canvas& dst, int dx, int dy, int w, int h, const PixelBuffer& src, int sx, int sy, uint8_t code,
             bool srcMono, COLORREF srcBk);
HDC MemoryDCFor(HBITMAP bitmap);  // a memory DC with `bitmap` selected; release with DeleteDC

}  // namespace winapi::detail
