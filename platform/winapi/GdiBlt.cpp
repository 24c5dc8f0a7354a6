// Block transfers: PatBlt, BitBlt, StretchBlt, MaskBlt with ternary raster operations, TransparentBlt,
// AlphaBlend and ScrollDC. Colour and monochrome surfaces convert as the platform does: a colour source
// becomes white where it equals the source DC's background colour and black elsewhere; a monochrome
// source takes the destination DC's background colour for set bits and its text colour for clear bits.

#include <algorithm>
#include <vector>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"

namespace winapi::detail {
namespace {

bool UsesSource(uint8_t code) { return ((code >> 2) & 0x33) != (code & 0x33); }
bool UsesPattern(uint8_t code) { return ((code >> 4) & 0x0F) != (code & 0x0F); }

// Source pixels for a w×h destination block, sampled (nearest) from the source rectangle and converted to
// the destination's kind. `valid` marks pixels that fell inside the source surface.
struct Gathered {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  std::vector<uint8_t> valid;
};

void Gather(Canvas& src, const Canvas& dst, int sx, int sy, int sw, int sh, int w, int h, Gathered* out) {
  out->w = w;
  out->h = h;
  out->px.assign(static_cast<size_t>(w) * h, 0);
  out->valid.assign(static_cast<size_t>(w) * h, 0);
  bool toMono = dst.mono && !src.mono, fromMono = src.mono && !dst.mono;
  uint32_t srcBk = ColorToPixel(src.dc->bkColor);
  uint32_t dstBk = ColorToPixel(dst.dc->bkColor), dstText = ColorToPixel(dst.dc->textColor);
  for (int j = 0; j < h; ++j) {
    int y = sy + static_cast<int>((static_cast<int64_t>(j) * sh) / h) - (sh < 0 ? 1 : 0);
    int ssy = y + src.org.y;
    if (ssy < 0 || ssy >= src.buf.height) continue;
    const uint32_t* row = src.Row(ssy);
    for (int i = 0; i < w; ++i) {
      int x = sw >= 0 ? sx + static_cast<int>((static_cast<int64_t>(i) * sw) / w)
                      : sx + static_cast<int>((static_cast<int64_t>(i) * sw) / w) - 1;
      int ssx = x + src.org.x;
      if (ssx < 0 || ssx >= src.buf.width) continue;
      uint32_t s = row[ssx] & kWhite;
      if (toMono) s = s == srcBk ? kWhite : 0;
      else if (fromMono) s = s ? dstBk : dstText;
      size_t k = static_cast<size_t>(j) * w + i;
      out->px[k] = s;
      out->valid[k] = 1;
    }
  }
}

// Applies per-pixel raster operations over the destination block at device (dx, dy). `codeAt` picks the
// operation for a block position (MaskBlt's two operations); `skip` leaves a pixel untouched.
template <typename CodeAt, typename Skip>
void Apply(Canvas& dst, int dx, int dy, int w, int h, const Gathered* src, CodeAt codeAt, Skip skip) {
  Brush* brush = CurrentBrush(dst.dc);
  pixman_region32_t area;
  InitRectRegion(&area, dx + dst.org.x, dy + dst.org.y, dx + dst.org.x + w, dy + dst.org.y + h);
  pixman_region32_intersect(&area, &area, &dst.clip);
  int n = 0;
  pixman_box32_t* boxes = pixman_region32_rectangles(&area, &n);
  for (int b = 0; b < n; ++b) {
    for (int y = boxes[b].y1; y < boxes[b].y2; ++y) {
      uint32_t* row = dst.Row(y);
      int j = y - dst.org.y - dy;
      for (int x = boxes[b].x1; x < boxes[b].x2; ++x) {
        int i = x - dst.org.x - dx;
        size_t k = static_cast<size_t>(j) * w + i;
        uint8_t code = codeAt(i, j);
        uint32_t s = 0;
        if (src && UsesSource(code)) {
          if (!src->valid[k]) continue;
          s = src->px[k];
        }
        if (skip(k, s)) continue;
        uint32_t p = 0;
        if (UsesPattern(code) && !BrushPixel(dst, brush, x - dst.org.x, y - dst.org.y, &p)) continue;
        uint32_t v = Rop3(code, p, s, row[x] & kWhite);
        row[x] = dst.mono ? ToMono(v) : v;
      }
    }
  }
  pixman_region32_fini(&area);
}

bool StretchCore(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, uint8_t code,
                 Bitmap* mask, int mx, int my, uint8_t backCode, COLORREF transparent, bool useTransparent) {
  Canvas dst(hdst);
  if (!dst.dc) return false;
  if (!dst.ok) return true;
  // A negative destination extent mirrors: fold it into the source direction.
  if (w < 0) {
    x += w;
    w = -w;
    sx += sw;
    sw = -sw;
  }
  if (h < 0) {
    y += h;
    h = -h;
    sy += sh;
    sh = -sh;
  }
  if (w == 0 || h == 0) return true;
  POINT d = dst.ToDevice(x, y);
  bool needSource = UsesSource(code) || (mask && UsesSource(backCode)) || useTransparent;
  Gathered g;
  if (needSource) {
    Canvas src(hsrc);
    if (!src.dc) return false;
    if (!src.ok) return true;
    POINT s = src.ToDevice(sx, sy);
    Gather(src, dst, s.x, s.y, sw, sh, w, h, &g);
  }
  uint32_t tpx = ColorToPixel(transparent);
  auto skip = [&](size_t k, uint32_t) { return useTransparent && g.px[k] == tpx; };
  if (mask) {
    auto codeAt = [&](int i, int j) {
      int px = mx + i, py = my + j;
      bool fore = px >= 0 && py >= 0 && px < mask->width && py < mask->height && mask->At(px, py) != 0;
      return fore ? code : backCode;
    };
    Apply(dst, d.x, d.y, w, h, needSource ? &g : nullptr, codeAt, skip);
  } else {
    Apply(dst, d.x, d.y, w, h, needSource ? &g : nullptr, [&](int, int) { return code; }, skip);
  }
  return true;
}

}  // namespace

void BlitRaw(Canvas& dst, int dx, int dy, int w, int h, const PixelBuffer& src, int sx, int sy, uint8_t code,
             bool srcMono, COLORREF srcBk) {
  Gathered g;
  g.w = w;
  g.h = h;
  g.px.assign(static_cast<size_t>(w) * h, 0);
  g.valid.assign(static_cast<size_t>(w) * h, 0);
  uint32_t bk = ColorToPixel(srcBk);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      int x = sx + i, y = sy + j;
      if (x < 0 || y < 0 || x >= src.width || y >= src.height) continue;
      uint32_t s = src.pixels[static_cast<ptrdiff_t>(y) * src.stride + x] & kWhite;
      if (dst.mono && !srcMono) s = s == bk ? kWhite : 0;
      else if (srcMono && !dst.mono) s = s ? ColorToPixel(dst.dc->bkColor) : ColorToPixel(dst.dc->textColor);
      size_t k = static_cast<size_t>(j) * w + i;
      g.px[k] = s;
      g.valid[k] = 1;
    }
  Apply(dst, dx, dy, w, h, &g, [&](int, int) { return code; }, [](size_t, uint32_t) { return false; });
}

}  // namespace winapi::detail

using namespace winapi::detail;

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  uint8_t code = static_cast<uint8_t>((rop >> 16) & 0xFF);
  if (UsesSource(code)) return FALSE;
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT d = ToDeviceRect(cv, RECT{x, y, x + w, y + h});
  pixman_region32_t area;
  InitRectRegion(&area, d.left, d.top, d.right, d.bottom);
  PaintArea(cv, &area, UsesPattern(code) ? CurrentBrush(cv.dc) : nullptr, code);
  pixman_region32_fini(&area);
  return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  uint8_t code = static_cast<uint8_t>((rop >> 16) & 0xFF);
  if (!UsesSource(code)) return PatBlt(dst, x, y, w, h, rop);
  return StretchCore(dst, x, y, w, h, src, sx, sy, w, h, code, nullptr, 0, 0, 0, 0, false) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  uint8_t code = static_cast<uint8_t>((rop >> 16) & 0xFF);
  if (!UsesSource(code)) return PatBlt(dst, x, y, w, h, rop);
  if (sw == 0 || sh == 0) return FALSE;
  return StretchCore(dst, x, y, w, h, src, sx, sy, sw, sh, code, nullptr, 0, 0, 0, 0, false) ? TRUE : FALSE;
}

BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my, DWORD rop4) {
  uint8_t fore = static_cast<uint8_t>((rop4 >> 16) & 0xFF);
  uint8_t back = static_cast<uint8_t>((rop4 >> 24) & 0xFF);
  Bitmap* m = mask ? AsBitmap(mask) : nullptr;
  if (mask && (!m || !m->mono)) return FALSE;
  if (!m) return BitBlt(dst, x, y, w, h, src, sx, sy, static_cast<DWORD>(fore) << 16);
  return StretchCore(dst, x, y, w, h, src, sx, sy, w, h, fore, m, mx, my, back, 0, false) ? TRUE : FALSE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, UINT transparent) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return FALSE;
  return StretchCore(dst, x, y, w, h, src, sx, sy, sw, sh, 0xCC, nullptr, 0, 0, 0, transparent & 0xFFFFFF, true)
             ? TRUE
             : FALSE;
}

BOOL AlphaBlend(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || bf.BlendOp != AC_SRC_OVER) return FALSE;
  Canvas dst(hdst), src(hsrc);
  if (!dst.dc || !src.dc) return FALSE;
  if (!dst.ok || !src.ok) return TRUE;
  POINT d = dst.ToDevice(x, y), s = src.ToDevice(sx, sy);
  unsigned ca = bf.SourceConstantAlpha;
  bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
  for (int j = 0; j < h; ++j) {
    int ty = d.y + j + dst.org.y;
    int ssy = s.y + (j * sh) / h + src.org.y;
    if (ssy < 0 || ssy >= src.buf.height) continue;
    for (int i = 0; i < w; ++i) {
      int tx = d.x + i + dst.org.x;
      int ssx = s.x + (i * sw) / w + src.org.x;
      if (ssx < 0 || ssx >= src.buf.width || !dst.Visible(tx, ty)) continue;
      uint32_t sp = src.Row(ssy)[ssx];
      uint32_t& dp = dst.Row(ty)[tx];
      unsigned a = perPixel ? (sp >> 24) & 0xFF : 255;
      unsigned sa = a * ca / 255;
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        unsigned sc = (sp >> shift) & 0xFF, dc = (dp >> shift) & 0xFF;
        // Per-pixel alpha sources are premultiplied; a constant alpha scales the source as well.
        unsigned scaled = perPixel ? sc * ca / 255 : sc * ca / 255;
        unsigned v = std::min(255u, scaled + dc * (255 - sa) / 255);
        out |= v << shift;
      }
      dp = dst.mono ? ToMono(out) : out;
    }
  }
  return TRUE;
}

BOOL ScrollDC(HDC hdc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect) {
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT all{};
  GetClipBox(hdc, &all);
  RECT sr = scroll ? *scroll : all;
  RECT cr = clip ? *clip : sr;
  if (!scroll && clip) sr = all;
  RECT ds = ToDeviceRect(cv, sr), dc = ToDeviceRect(cv, cr);
  pixman_region32_t srcArea, dstArea, clipArea, moved;
  InitRectRegion(&srcArea, ds.left, ds.top, ds.right, ds.bottom);
  InitRectRegion(&clipArea, dc.left, dc.top, dc.right, dc.bottom);
  pixman_region32_init(&dstArea);
  pixman_region32_init(&moved);
  if (cv.ok) {
    // Only pixels visible at the source move; the destination is clipped by the clip rectangle and the DC.
    pixman_region32_t vis;
    pixman_region32_init(&vis);
    pixman_region32_copy(&vis, &cv.clip);
    pixman_region32_translate(&vis, -cv.org.x, -cv.org.y);
    pixman_region32_intersect(&moved, &srcArea, &vis);
    pixman_region32_translate(&moved, dx, dy);
    pixman_region32_intersect(&moved, &moved, &clipArea);
    pixman_region32_intersect(&moved, &moved, &vis);
    pixman_region32_fini(&vis);
    std::vector<uint32_t> copy(static_cast<size_t>(cv.buf.width) * cv.buf.height);
    for (int y = 0; y < cv.buf.height; ++y) std::copy(cv.Row(y), cv.Row(y) + cv.buf.width, copy.begin() + static_cast<ptrdiff_t>(y) * cv.buf.width);
    int n = 0;
    pixman_box32_t* boxes = pixman_region32_rectangles(&moved, &n);
    for (int b = 0; b < n; ++b)
      for (int y = boxes[b].y1; y < boxes[b].y2; ++y)
        for (int x = boxes[b].x1; x < boxes[b].x2; ++x) {
          int tx = x + cv.org.x, ty = y + cv.org.y;
          int fx = tx - dx, fy = ty - dy;
          cv.Row(ty)[tx] = copy[static_cast<size_t>(fy) * cv.buf.width + fx];
        }
  }
  // Uncovered: the scrolled area inside the clip that received no pixels.
  pixman_region32_intersect(&dstArea, &srcArea, &clipArea);
  pixman_region32_subtract(&dstArea, &dstArea, &moved);
  POINT o = cv.ToDevice(0, 0);
  pixman_region32_translate(&dstArea, -o.x, -o.y);
  if (Region* r = AsRegion(update)) pixman_region32_copy(&r->rgn, &dstArea);
  if (updateRect) {
    if (pixman_region32_not_empty(&dstArea)) {
      pixman_box32_t* e = pixman_region32_extents(&dstArea);
      *updateRect = RECT{e->x1, e->y1, e->x2, e->y2};
    } else {
      *updateRect = RECT{0, 0, 0, 0};
    }
  }
  pixman_region32_fini(&srcArea);
  pixman_region32_fini(&dstArea);
  pixman_region32_fini(&clipArea);
  pixman_region32_fini(&moved);
  return TRUE;
}
