// Measuring and drawing runs of text: extents, TextOut, ExtTextOut and the tabbed forms. Glyph coverage
// is blended onto the 0x00RRGGBB surface in the text colour, clipped by the DC's clip.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/Utf8.h"
#include "winapi/detail/Font.h"
#include "winapi/detail/GdiDraw.h"

namespace winapi::detail {
namespace {

// The surface of a DC and the clip boxes in surface coordinates.
struct Clip {
  PixelBuffer buf{};
  POINT org{};
  std::vector<pixman_box32_t> boxes;
};

bool PrepareClip(DC* dc, const RECT* rect, Clip& c) {
  if (!dc->Target(&c.buf, &c.org)) return false;
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  if (rect) {
    pixman_region32_t rr;
    if (rect->right > rect->left && rect->bottom > rect->top)
      pixman_region32_init_rect(&rr, rect->left, rect->top, static_cast<unsigned>(rect->right - rect->left),
                                static_cast<unsigned>(rect->bottom - rect->top));
    else
      pixman_region32_init(&rr);
    pixman_region32_intersect(&r, &r, &rr);
    pixman_region32_fini(&rr);
  }
  pixman_region32_translate(&r, c.org.x, c.org.y);
  pixman_region32_t bounds;
  pixman_region32_init_rect(&bounds, 0, 0, static_cast<unsigned>(c.buf.width), static_cast<unsigned>(c.buf.height));
  pixman_region32_intersect(&r, &r, &bounds);
  pixman_region32_fini(&bounds);
  int n = 0;
  pixman_box32_t* b = pixman_region32_rectangles(&r, &n);
  c.boxes.assign(b, b + n);
  pixman_region32_fini(&r);
  return !c.boxes.empty();
}

inline uint32_t Blend(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t ia = 255 - a;
  uint32_t r = (((s >> 16) & 0xFF) * a + ((d >> 16) & 0xFF) * ia + 127) / 255;
  uint32_t g = (((s >> 8) & 0xFF) * a + ((d >> 8) & 0xFF) * ia + 127) / 255;
  uint32_t b = ((s & 0xFF) * a + (d & 0xFF) * ia + 127) / 255;
  return (r << 16) | (g << 8) | b;
}

// Blends a glyph whose top-left lies at (gx, gy) in surface coordinates.
void BlendGlyph(const Clip& c, int gx, int gy, const Glyph& g, uint32_t color, bool mono) {
  if (g.width == 0 || g.height == 0) return;
  for (const pixman_box32_t& b : c.boxes) {
    int x1 = std::max(b.x1, gx), x2 = std::min(b.x2, gx + g.width);
    int y1 = std::max(b.y1, gy), y2 = std::min(b.y2, gy + g.height);
    if (x1 >= x2 || y1 >= y2) continue;
    for (int y = y1; y < y2; ++y) {
      const uint8_t* cov = g.coverage.data() + static_cast<size_t>(y - gy) * static_cast<size_t>(g.width) + (x1 - gx);
      uint32_t* p = c.buf.pixels + static_cast<ptrdiff_t>(y) * c.buf.stride + x1;
      for (int x = x1; x < x2; ++x, ++p, ++cov) {
        uint32_t a = *cov;
        if (a == 0 || (mono && a < 128)) continue;  // monochrome surfaces take no partial coverage
        *p = a == 255 || mono ? color : Blend(*p, color, a);
      }
    }
  }
}

// Fills a rectangle given in surface coordinates within the clip boxes.
void FillClipped(const Clip& c, int left, int top, int right, int bottom, uint32_t color) {
  for (const pixman_box32_t& b : c.boxes) {
    int x1 = std::max(b.x1, left), x2 = std::min(b.x2, right);
    int y1 = std::max(b.y1, top), y2 = std::min(b.y2, bottom);
    for (int y = y1; y < y2 && x1 < x2; ++y)
      std::fill(c.buf.pixels + static_cast<ptrdiff_t>(y) * c.buf.stride + x1,
                c.buf.pixels + static_cast<ptrdiff_t>(y) * c.buf.stride + x2, color);
  }
}

uint32_t SurfacePixel(DC* dc, COLORREF c) { return dc->mono ? ToMono(ColorToPixel(c)) : ColorToPixel(c); }

POINT ToDevice(DC* dc, int x, int y) {
  const DCAttrs& a = dc->attrs;
  return POINT{x - a.windowOrg.x + a.viewportOrg.x, y - a.windowOrg.y + a.viewportOrg.y};
}

RECT ToDevice(DC* dc, const RECT& r) {
  POINT a = ToDevice(dc, r.left, r.top), b = ToDevice(dc, r.right, r.bottom);
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Fills the text-space rectangle [u1, u2) x [v1, v2) around the reference point (surface coordinates),
// rotated by the escapement: for backgrounds and strokes of rotated text.
void FillRotated(const Clip& c, int rx, int ry, int u1, int u2, int v1, int v2, double ca, double sa, uint32_t color) {
  double xs[4], ys[4];
  int k = 0;
  for (int u : {u1, u2})
    for (int v : {v1, v2}) {
      xs[k] = rx + u * ca + v * sa;
      ys[k++] = ry - u * sa + v * ca;
    }
  int left = static_cast<int>(std::floor(*std::min_element(xs, xs + 4)));
  int right = static_cast<int>(std::ceil(*std::max_element(xs, xs + 4)));
  int top = static_cast<int>(std::floor(*std::min_element(ys, ys + 4)));
  int bottom = static_cast<int>(std::ceil(*std::max_element(ys, ys + 4)));
  for (const pixman_box32_t& b : c.boxes)
    for (int y = std::max(b.y1, top); y < std::min(b.y2, bottom); ++y)
      for (int x = std::max(b.x1, left); x < std::min(b.x2, right); ++x) {
        double dx = x + 0.5 - rx, dy = y + 0.5 - ry;
        double u = dx * ca - dy * sa, v = dx * sa + dy * ca;
        if (u >= u1 && u < u2 && v >= v1 && v < v2) c.buf.pixels[static_cast<ptrdiff_t>(y) * c.buf.stride + x] = color;
      }
}

void FillDeviceRect(DC* dc, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  pixman_region32_t area;
  pixman_region32_init_rect(&area, r.left, r.top, static_cast<unsigned>(r.right - r.left),
                            static_cast<unsigned>(r.bottom - r.top));
  FillRegionSolid(dc, &area, SurfacePixel(dc, color));
  pixman_region32_fini(&area);
}

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// Tab advances: to the next stop after `pos` (measured from the tab origin).
int NextTabStop(int pos, int tabCount, const int* stops, int defaultInterval) {
  if (tabCount >= 2 && stops) {
    for (int i = 0; i < tabCount; ++i)
      if (std::abs(stops[i]) > pos) return std::abs(stops[i]);
  }
  int interval = tabCount == 1 && stops && stops[0] != 0 ? std::abs(stops[0]) : defaultInterval;
  if (interval <= 0) interval = 1;
  return (pos / interval + 1) * interval;
}

void ExpandRunTabs(Run& run, int start, int tabCount, const int* stops, int defaultInterval) {
  int pos = start;
  for (size_t i = 0; i < run.cps.size(); ++i) {
    if (run.cps[i] == '\t') run.adv[i] = NextTabStop(pos, tabCount, stops, defaultInterval) - pos;
    pos += run.adv[i];
  }
}

std::string Text(LPCSTR text, int count) {
  if (!text || count <= 0) return std::string();
  return std::string(text, static_cast<size_t>(count));
}

}  // namespace

int Run::Width() const {
  int w = 0;
  for (int a : adv) w += a;
  return w;
}

void MakeRun(DC* dc, Face* face, const std::string& text, Run& run) {
  run.cps.clear();
  run.adv.clear();
  run.bytes.clear();
  int extra = dc ? dc->charExtra : 0;
  int breaks = dc ? dc->justBreaks : 0;
  int justExtra = dc ? dc->justExtra : 0;
  int seen = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = 1;
    uint32_t cp = static_cast<uint32_t>(Utf8CodePointAt(text, i, &len));
    if (len == 0) len = 1;
    int a = face->Advance(cp) + extra;
    if (cp == ' ' && breaks > 0) {
      a += justExtra / breaks + (seen < std::abs(justExtra % breaks) ? (justExtra < 0 ? -1 : 1) : 0);
      ++seen;
    }
    run.cps.push_back(cp);
    run.adv.push_back(a);
    run.bytes.push_back(static_cast<int>(len));
    i += len;
  }
}

void ApplyDx(Run& run, const int* dx) {
  if (!dx) return;
  size_t b = 0;
  for (size_t i = 0; i < run.cps.size(); ++i) {
    int a = 0;
    for (int k = 0; k < run.bytes[i]; ++k) a += dx[b++];
    run.adv[i] = a;
  }
}

void OutputRun(DC* dc, int x, int y, UINT options, const RECT* rect, const Run& run) {
  Font* font = DCFont(dc);
  Face* face = font->face;
  const FaceMetrics& m = face->m;
  int width = run.Width();
  if (dc->textAlign & TA_UPDATECP) {
    x = dc->curPos.x;
    y = dc->curPos.y;
  }
  UINT h = dc->textAlign & TA_CENTER;
  UINT v = dc->textAlign & TA_BASELINE;
  int u0 = h == TA_CENTER ? -width / 2 : h == TA_RIGHT ? -width : 0;
  int base = v == TA_BASELINE ? 0 : v == TA_BOTTOM ? -m.descent : m.ascent;
  bool rotated = face->angle != 0;
  double ca = rotated ? std::cos(face->angle) : 1, sa = rotated ? std::sin(face->angle) : 0;
  if (dc->textAlign & TA_UPDATECP) {
    int sign = h == TA_LEFT ? 1 : h == TA_RIGHT ? -1 : 0;
    dc->curPos.x += static_cast<LONG>(std::lround(sign * width * ca));
    dc->curPos.y -= static_cast<LONG>(std::lround(sign * width * sa));
  }
  POINT dev = ToDevice(dc, x, y);  // logical to device from here on
  x = dev.x;
  y = dev.y;
  RECT devRect{};
  if (rect) {
    devRect = ToDevice(dc, *rect);
    rect = &devRect;
  }
  if ((options & ETO_OPAQUE) && rect) FillDeviceRect(dc, *rect, dc->bkColor);
  const RECT* clipRect = (options & ETO_CLIPPED) ? rect : nullptr;
  if (dc->bkMode == OPAQUE && !rotated && !run.cps.empty()) {
    RECT cell{x + u0, y + base - m.ascent, x + u0 + width, y + base + m.descent};
    if (clipRect) cell = Intersect(cell, *clipRect);
    FillDeviceRect(dc, cell, dc->bkColor);
  }
  Clip c;
  if (!PrepareClip(dc, clipRect, c)) return;
  uint32_t color = SurfacePixel(dc, dc->textColor);
  if (rotated && dc->bkMode == OPAQUE && !run.cps.empty())
    FillRotated(c, c.org.x + x, c.org.y + y, u0, u0 + width, base - m.ascent, base + m.descent, ca, sa,
                SurfacePixel(dc, dc->bkColor));
  int u = u0;
  for (size_t i = 0; i < run.cps.size(); ++i) {
    uint32_t cp = run.cps[i];
    if (cp > 0x20) {
      if (!rotated) {
        const Glyph& g = face->Horizontal(cp);
        BlendGlyph(c, c.org.x + x + u + g.left, c.org.y + y + base + g.top, g, color, dc->mono);
      } else {
        const Glyph& g = face->Rotated(cp);
        int px = x + static_cast<int>(std::lround(u * ca + base * sa));
        int py = y + static_cast<int>(std::lround(-u * sa + base * ca));
        BlendGlyph(c, c.org.x + px + g.left, c.org.y + py + g.top, g, color, dc->mono);
      }
    }
    u += run.adv[i];
  }
  if (font->lf.lfUnderline || font->lf.lfStrikeOut) {
    int t = m.underlineThickness;
    auto stroke = [&](int v) {
      if (rotated) FillRotated(c, c.org.x + x, c.org.y + y, u0, u0 + width, v, v + t, ca, sa, color);
      else FillClipped(c, c.org.x + x + u0, c.org.y + y + v, c.org.x + x + u0 + width, c.org.y + y + v + t, color);
    };
    if (font->lf.lfUnderline) stroke(base + m.underlinePos);
    if (font->lf.lfStrikeOut) stroke(base - m.strikeOutPos);
  }
}

void TextStroke(DC* dc, int x1, int x2, int y, int thickness, const RECT* clip) {
  RECT devClip{};
  if (clip) {
    devClip = ToDevice(dc, *clip);
    clip = &devClip;
  }
  POINT a = ToDevice(dc, x1, y), b = ToDevice(dc, x2, y);
  Clip c;
  if (b.x <= a.x || !PrepareClip(dc, clip, c)) return;
  FillClipped(c, c.org.x + a.x, c.org.y + a.y, c.org.x + b.x, c.org.y + a.y + thickness, SurfacePixel(dc, dc->textColor));
}

}  // namespace winapi::detail

using namespace winapi::detail;

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int count, SIZE* size) {
  DC* dc = AsDC(hdc);
  if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
  Face* face = DCFace(dc);
  Run run;
  MakeRun(dc, face, Text(text, count), run);
  size->cx = run.Width();
  size->cy = face->m.ascent + face->m.descent;
  return TRUE;
}

BOOL GetTextExtentPoint(HDC hdc, LPCSTR text, int count, SIZE* size) {
  return GetTextExtentPoint32(hdc, text, count, size);
}

BOOL GetTextExtentExPoint(HDC hdc, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
  DC* dc = AsDC(hdc);
  if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
  Face* face = DCFace(dc);
  Run run;
  MakeRun(dc, face, Text(text, count), run);
  int ext = 0, fitBytes = 0, byte = 0;
  bool fitting = true;
  for (size_t i = 0; i < run.cps.size(); ++i) {
    ext += run.adv[i];
    if (fitting && ext <= maxExtent) fitBytes = byte + run.bytes[i];
    else fitting = false;
    for (int k = 0; k < run.bytes[i]; ++k) {
      if (dx) dx[byte] = ext;
      ++byte;
    }
  }
  if (fit) *fit = fitBytes;
  size->cx = ext;
  size->cy = face->m.ascent + face->m.descent;
  return TRUE;
}

BOOL GetCharWidth32(HDC hdc, UINT first, UINT last, int* widths) {
  DC* dc = AsDC(hdc);
  if (!dc || !widths || last < first) return FALSE;
  Face* face = DCFace(dc);
  for (UINT cp = first; cp <= last; ++cp) widths[cp - first] = face->Advance(cp);
  return TRUE;
}

BOOL GetCharWidth(HDC hdc, UINT first, UINT last, int* widths) { return GetCharWidth32(hdc, first, last, widths); }

DWORD GetTabbedTextExtent(HDC hdc, LPCSTR text, int count, int tabCount, const int* tabStops) {
  DC* dc = AsDC(hdc);
  if (!dc || count < 0 || (count > 0 && !text)) return 0;
  Face* face = DCFace(dc);
  Run run;
  MakeRun(dc, face, Text(text, count), run);
  ExpandRunTabs(run, 0, tabCount, tabStops, 8 * face->m.aveCharWidth);
  return MAKELONG(static_cast<WORD>(run.Width()), static_cast<WORD>(face->m.ascent + face->m.descent));
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const int* dx) {
  DC* dc = AsDC(hdc);
  if (!dc || (count > 0 && !text)) return FALSE;
  Run run;
  MakeRun(dc, DCFace(dc), Text(text, static_cast<int>(count)), run);
  ApplyDx(run, dx);
  OutputRun(dc, x, y, options, rect, run);
  return TRUE;
}

BOOL TextOut(HDC hdc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOut(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

LONG TabbedTextOut(HDC hdc, int x, int y, LPCSTR text, int count, int tabCount, const int* tabStops, int tabOrigin) {
  DC* dc = AsDC(hdc);
  if (!dc || count < 0 || (count > 0 && !text)) return 0;
  Face* face = DCFace(dc);
  Run run;
  MakeRun(dc, face, Text(text, count), run);
  int start = ((dc->textAlign & TA_UPDATECP) ? dc->curPos.x : x) - tabOrigin;
  ExpandRunTabs(run, start, tabCount, tabStops, 8 * face->m.aveCharWidth);
  OutputRun(dc, x, y, 0, nullptr, run);
  return static_cast<LONG>(MAKELONG(static_cast<WORD>(run.Width()), static_cast<WORD>(face->m.ascent + face->m.descent)));
}
