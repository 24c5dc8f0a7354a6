// Shapes: rectangle fills and frames, lines with pens and ROP2 modes, polygons, ellipses, pixels, edges,
// focus rectangles, frame controls and gradients; shaped regions.

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"

namespace winapi::detail {
namespace {

Pen* CurrentPen(DC* dc) {
  Pen* p = AsPen(dc->attrs.pen);
  return p ? p : static_cast<Pen*>(FindObject(GetStockObject(BLACK_PEN), OBJ_PEN));
}

COLORREF PenColor(DC* dc, const Pen* p) { return p->dcPen ? dc->attrs.dcPenColor : p->color; }

// On/off runs of the styled cosmetic pens, in pixels.
const std::vector<int>& StyleRuns(UINT style) {
  static const std::vector<int> solid{}, dash{18, 6}, dot{1, 1}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
  switch (style) {
    case PS_DASH: return dash;
    case PS_DOT:
    case PS_ALTERNATE: return dot;
    case PS_DASHDOT: return dashDot;
    case PS_DASHDOTDOT: return dashDotDot;
    default: return solid;
  }
}

bool StyleOn(const std::vector<int>& runs, int counter) {
  if (runs.empty()) return true;
  int total = 0;
  for (int r : runs) total += r;
  int pos = counter % total;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (pos < runs[i]) return i % 2 == 0;
    pos -= runs[i];
  }
  return true;
}

void FillRegionWithBrush(Canvas& cv, const pixman_region32_t* deviceArea, Brush* b, uint8_t code) {
  PaintArea(cv, deviceArea, b, code);
}

// Fills the pixels of a shape given by an inside test over device pixels inside `bounds`.
void ShapeRegion(pixman_region32_t* out, const RECT& bounds, const std::function<bool(int, int)>& inside) {
  pixman_region32_init(out);
  std::vector<pixman_box32_t> boxes;
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    int x = bounds.left;
    while (x < bounds.right) {
      while (x < bounds.right && !inside(x, y)) ++x;
      int start = x;
      while (x < bounds.right && inside(x, y)) ++x;
      if (x > start) boxes.push_back(pixman_box32_t{start, y, x, y + 1});
    }
  }
  if (!boxes.empty()) {
    pixman_region32_fini(out);
    pixman_region32_init_rects(out, boxes.data(), static_cast<int>(boxes.size()));
  }
}

// Inside test of the ellipse inscribed in [l, r) × [t, b) at pixel centres.
bool InEllipse(double l, double t, double r, double b, int x, int y) {
  double a = (r - l) / 2.0, bb = (b - t) / 2.0;
  if (a <= 0 || bb <= 0) return false;
  double cx = l + a, cy = t + bb;
  double dx = (x + 0.5 - cx) / a, dy = (y + 0.5 - cy) / bb;
  return dx * dx + dy * dy <= 1.0 + 1e-9;
}

bool InRoundRect(const RECT& rc, int ew, int eh, int x, int y) {
  if (x < rc.left || x >= rc.right || y < rc.top || y >= rc.bottom) return false;
  ew = std::min(ew, static_cast<int>(rc.right - rc.left));
  eh = std::min(eh, static_cast<int>(rc.bottom - rc.top));
  if (ew <= 0 || eh <= 0) return true;
  int rx = ew / 2, ry = eh / 2;
  int cxL = rc.left + rx, cxR = rc.right - rx, cyT = rc.top + ry, cyB = rc.bottom - ry;
  if ((x >= cxL && x < cxR) || (y >= cyT && y < cyB)) return true;
  int ex = x < cxL ? rc.left : rc.right - ew;
  int ey = y < cyT ? rc.top : rc.bottom - eh;
  return InEllipse(ex, ey, ex + ew, ey + eh, x, y);
}

// A pixel belongs to the polygon when its top-left corner lies inside, left and top edges included and
// right and bottom edges left out, as the platform fills: small arrows drawn as triangles come out solid.
bool InPolygon(const std::vector<POINT>& pts, bool winding, int x, int y) {
  double px = x, py = y;
  int crossings = 0, wind = 0;
  size_t n = pts.size();
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    double xi = pts[i].x, yi = pts[i].y, xj = pts[j].x, yj = pts[j].y;
    if ((yi > py) != (yj > py)) {
      double xc = xj + (py - yj) * (xi - xj) / (yi - yj);
      if (px < xc) {
        ++crossings;
        wind += yi > yj ? 1 : -1;
      }
    }
  }
  return winding ? wind != 0 : (crossings & 1) != 0;
}

// The outline of a filled pixel set: pixels of the set with a 4-neighbour outside it.
void OutlineOf(const pixman_region32_t* shape, pixman_region32_t* out) {
  pixman_region32_t shrunk, tmp;
  pixman_region32_init(&shrunk);
  pixman_region32_init(&tmp);
  pixman_region32_copy(&shrunk, const_cast<pixman_region32_t*>(shape));
  const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (auto& o : d) {
    pixman_region32_copy(&tmp, const_cast<pixman_region32_t*>(shape));
    pixman_region32_translate(&tmp, o[0], o[1]);
    pixman_region32_intersect(&shrunk, &shrunk, &tmp);
  }
  pixman_region32_subtract(out, const_cast<pixman_region32_t*>(shape), &shrunk);
  pixman_region32_fini(&shrunk);
  pixman_region32_fini(&tmp);
}

// Fills `shape` with the brush and outlines it with the pen (both through the ROP2 mode).
void DrawShape(Canvas& cv, pixman_region32_t* shape) {
  DC* dc = cv.dc;
  uint8_t code = Rop2ToRop3(dc->attrs.rop2);
  Pen* pen = CurrentPen(dc);
  pixman_region32_t outline;
  pixman_region32_init(&outline);
  if (pen->style != PS_NULL) {
    pixman_region32_t inner;
    pixman_region32_init(&inner);
    pixman_region32_copy(&inner, shape);
    for (int i = 0; i < pen->width; ++i) {
      pixman_region32_t ring;
      pixman_region32_init(&ring);
      OutlineOf(&inner, &ring);
      pixman_region32_union(&outline, &outline, &ring);
      pixman_region32_subtract(&inner, &inner, &ring);
      pixman_region32_fini(&ring);
    }
    FillRegionWithBrush(cv, &inner, CurrentBrush(dc), code);
    pixman_region32_fini(&inner);
    Brush pb;
    pb.color = PenColor(dc, pen);
    PaintArea(cv, &outline, &pb, code);
  } else {
    FillRegionWithBrush(cv, shape, CurrentBrush(dc), code);
  }
  pixman_region32_fini(&outline);
}

}  // namespace

void DeviceLine(Canvas& cv, POINT a, POINT b, bool includeLast, int* styleCounter) {
  DC* dc = cv.dc;
  Pen* pen = CurrentPen(dc);
  if (pen->style == PS_NULL) return;
  uint8_t code = Rop2ToRop3(dc->attrs.rop2);
  uint32_t ink = cv.Pixel(PenColor(dc, pen));
  uint32_t gap = cv.Pixel(dc->bkColor);
  bool paintGaps = dc->bkMode == OPAQUE;
  const std::vector<int>& runs = pen->width > 1 ? StyleRuns(PS_SOLID) : StyleRuns(pen->style);
  int counter = styleCounter ? *styleCounter : 0;
  int w = pen->width;
  auto plot = [&](int x, int y) {
    bool on = StyleOn(runs, counter++);
    if (!on && !paintGaps) return;
    uint32_t px = on ? ink : gap;
    if (w <= 1) {
      PutPixel(cv, x, y, px, code);
      return;
    }
    int h = w / 2;
    for (int yy = y - h; yy < y - h + w; ++yy)
      for (int xx = x - h; xx < x - h + w; ++xx) PutPixel(cv, xx, yy, px, code);
  };
  int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x, y = a.y;
  while (true) {
    if (x == b.x && y == b.y) {
      if (includeLast) plot(x, y);
      break;
    }
    plot(x, y);
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  if (styleCounter) *styleCounter = counter;
}

}  // namespace winapi::detail

using namespace winapi::detail;

// ---- rectangles ----------------------------------------------------------------------------------------
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  Brush* b = AsBrush(brush);
  if (!rect || !b) return FALSE;
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT d = ToDeviceRect(cv, *rect);
  pixman_region32_t area;
  InitRectRegion(&area, d.left, d.top, d.right, d.bottom);
  PaintArea(cv, &area, b, 0xF0);
  pixman_region32_fini(&area);
  return TRUE;
}

namespace {
// A region handed to the fill calls is in logical units; the drawing works in device units.
void DeviceRegion(Canvas& cv, const Region* r, pixman_region32_t* out) {
  pixman_region32_init(out);
  pixman_region32_copy(out, const_cast<pixman_region32_t*>(&r->rgn));
  POINT o = cv.ToDevice(0, 0);
  pixman_region32_translate(out, o.x, o.y);
}
}  // namespace

int FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  Brush* b = AsBrush(brush);
  Region* r = AsRegion(rgn);
  Canvas cv(hdc);
  if (!cv.dc || !b || !r) return FALSE;
  pixman_region32_t area;
  DeviceRegion(cv, r, &area);
  PaintArea(cv, &area, b, 0xF0);
  pixman_region32_fini(&area);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN rgn) {
  Canvas cv(hdc);
  Region* r = AsRegion(rgn);
  if (!cv.dc || !r) return FALSE;
  pixman_region32_t area;
  DeviceRegion(cv, r, &area);
  PaintArea(cv, &area, CurrentBrush(cv.dc), Rop2ToRop3(cv.dc->attrs.rop2));
  pixman_region32_fini(&area);
  return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
  Canvas cv(hdc);
  Region* r = AsRegion(rgn);
  if (!cv.dc || !r) return FALSE;
  pixman_region32_t area;
  DeviceRegion(cv, r, &area);
  PaintArea(cv, &area, nullptr, 0x55);
  pixman_region32_fini(&area);
  return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int w, int h) {
  Canvas cv(hdc);
  Region* r = AsRegion(rgn);
  Brush* b = AsBrush(brush);
  if (!cv.dc || !r || !b) return FALSE;
  pixman_region32_t area, inner, tmp;
  DeviceRegion(cv, r, &area);
  pixman_region32_init(&inner);
  pixman_region32_init(&tmp);
  pixman_region32_copy(&inner, &area);
  // The frame is what the region loses when shrunk by w horizontally and h vertically.
  for (int dx = -w; dx <= w; dx += std::max(1, w)) {
    pixman_region32_copy(&tmp, &area);
    pixman_region32_translate(&tmp, dx, 0);
    pixman_region32_intersect(&inner, &inner, &tmp);
  }
  for (int dy = -h; dy <= h; dy += std::max(1, h)) {
    pixman_region32_copy(&tmp, &area);
    pixman_region32_translate(&tmp, 0, dy);
    pixman_region32_intersect(&inner, &inner, &tmp);
  }
  pixman_region32_subtract(&area, &area, &inner);
  PaintArea(cv, &area, b, 0xF0);
  pixman_region32_fini(&area);
  pixman_region32_fini(&inner);
  pixman_region32_fini(&tmp);
  return TRUE;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  Brush* b = AsBrush(brush);
  Canvas cv(hdc);
  if (!cv.dc || !rect || !b) return FALSE;
  RECT d = ToDeviceRect(cv, *rect);
  if (d.right <= d.left || d.bottom <= d.top) return TRUE;
  pixman_region32_t area, inner;
  InitRectRegion(&area, d.left, d.top, d.right, d.bottom);
  InitRectRegion(&inner, d.left + 1, d.top + 1, d.right - 1, d.bottom - 1);
  pixman_region32_subtract(&area, &area, &inner);
  PaintArea(cv, &area, b, 0xF0);
  pixman_region32_fini(&area);
  pixman_region32_fini(&inner);
  return TRUE;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  Canvas cv(hdc);
  if (!cv.dc || !rect) return FALSE;
  RECT d = ToDeviceRect(cv, *rect);
  pixman_region32_t area;
  InitRectRegion(&area, d.left, d.top, d.right, d.bottom);
  PaintArea(cv, &area, nullptr, 0x55);
  pixman_region32_fini(&area);
  return TRUE;
}

// ---- lines ------------------------------------------------------------------------------------------------
BOOL LineTo(HDC hdc, int x, int y) {
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  POINT a = cv.ToDevice(cv.dc->curPos.x, cv.dc->curPos.y), b = cv.ToDevice(x, y);
  if (cv.ok) DeviceLine(cv, a, b, false, nullptr);
  cv.dc->curPos = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
  Canvas cv(hdc);
  if (!cv.dc || !pts || count < 2) return FALSE;
  int counter = 0;
  if (cv.ok)
    for (int i = 1; i < count; ++i)
      DeviceLine(cv, cv.ToDevice(pts[i - 1].x, pts[i - 1].y), cv.ToDevice(pts[i].x, pts[i].y), false, &counter);
  return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* pts, const DWORD* counts, DWORD polylines) {
  if (!pts || !counts) return FALSE;
  for (DWORD i = 0; i < polylines; ++i) {
    Polyline(hdc, pts, static_cast<int>(counts[i]));
    pts += counts[i];
  }
  return TRUE;
}

// ---- filled shapes -------------------------------------------------------------------------------------
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT d = ToDeviceRect(cv, RECT{left, top, right, bottom});
  if (CurrentPen(cv.dc)->style == PS_NULL) {
    // Without a pen the fill stops one pixel short on the right and bottom.
    --d.right;
    --d.bottom;
  }
  pixman_region32_t shape;
  InitRectRegion(&shape, d.left, d.top, d.right, d.bottom);
  DrawShape(cv, &shape);
  pixman_region32_fini(&shape);
  return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int w, int h) {
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT d = ToDeviceRect(cv, RECT{left, top, right, bottom});
  pixman_region32_t shape;
  ShapeRegion(&shape, d, [&](int x, int y) { return InRoundRect(d, w, h, x, y); });
  DrawShape(cv, &shape);
  pixman_region32_fini(&shape);
  return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  Canvas cv(hdc);
  if (!cv.dc) return FALSE;
  RECT d = ToDeviceRect(cv, RECT{left, top, right, bottom});
  pixman_region32_t shape;
  ShapeRegion(&shape, d, [&](int x, int y) { return InEllipse(d.left, d.top, d.right, d.bottom, x, y); });
  DrawShape(cv, &shape);
  pixman_region32_fini(&shape);
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
  Canvas cv(hdc);
  if (!cv.dc || !pts || count < 2) return FALSE;
  std::vector<POINT> dev;
  RECT bounds{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int i = 0; i < count; ++i) {
    POINT p = cv.ToDevice(pts[i].x, pts[i].y);
    dev.push_back(p);
    bounds.left = std::min(bounds.left, p.x);
    bounds.top = std::min(bounds.top, p.y);
    bounds.right = std::max(bounds.right, p.x + 1);
    bounds.bottom = std::max(bounds.bottom, p.y + 1);
  }
  pixman_region32_t shape;
  ShapeRegion(&shape, bounds, [&](int x, int y) { return InPolygon(dev, false, x, y); });
  uint8_t code = Rop2ToRop3(cv.dc->attrs.rop2);
  PaintArea(cv, &shape, CurrentBrush(cv.dc), code);
  pixman_region32_fini(&shape);
  int counter = 0;
  for (size_t i = 0; i < dev.size(); ++i) DeviceLine(cv, dev[i], dev[(i + 1) % dev.size()], false, &counter);
  return TRUE;
}

// ---- pixels --------------------------------------------------------------------------------------------
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Canvas cv(hdc);
  if (!cv.ok) return CLR_INVALID;
  POINT d = cv.ToDevice(x, y);
  int sx = d.x + cv.org.x, sy = d.y + cv.org.y;
  if (!cv.Visible(sx, sy)) return CLR_INVALID;
  uint32_t px = cv.Pixel(color);
  cv.Row(sy)[sx] = px;
  return PixelToColor(px);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) { return SetPixel(hdc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC hdc, int x, int y) {
  Canvas cv(hdc);
  if (!cv.ok) return CLR_INVALID;
  POINT d = cv.ToDevice(x, y);
  int sx = d.x + cv.org.x, sy = d.y + cv.org.y;
  if (!cv.Visible(sx, sy)) return CLR_INVALID;
  return PixelToColor(cv.Row(sy)[sx] & kWhite);
}

// ---- edges and focus -----------------------------------------------------------------------------------
namespace {

// One ring of an edge: `tl` along the top and left, `br` along the bottom and right; the bottom-right
// colour owns the top-right and bottom-left corners.
void EdgeRing(Canvas& cv, const RECT& r, UINT flags, COLORREF tl, COLORREF br) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (flags & BF_TOP) FillSolidRect(cv, RECT{r.left, r.top, r.right - 1, r.top + 1}, tl);
  if (flags & BF_LEFT) FillSolidRect(cv, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, tl);
  if (flags & BF_BOTTOM) FillSolidRect(cv, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
  if (flags & BF_RIGHT) FillSolidRect(cv, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
}

}  // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  Canvas cv(hdc);
  if (!cv.dc || !rect) return FALSE;
  RECT d = ToDeviceRect(cv, *rect);
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  auto sys = [](int i) { return static_cast<COLORREF>(GetSysColor(i)); };
  COLORREF otl = 0, obr = 0, itl = 0, ibr = 0;
  if (flags & BF_MONO) {
    otl = obr = sys(COLOR_WINDOWFRAME);
    itl = ibr = sys(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    otl = obr = sys(COLOR_BTNSHADOW);
    itl = ibr = sys(COLOR_BTNFACE);
  } else {
    bool soft = (flags & BF_SOFT) != 0;
    if (outer == BDR_RAISEDOUTER) {
      otl = soft ? sys(COLOR_BTNHIGHLIGHT) : sys(COLOR_3DLIGHT);
      obr = sys(COLOR_3DDKSHADOW);
    } else if (outer == BDR_SUNKENOUTER) {
      otl = soft ? sys(COLOR_3DDKSHADOW) : sys(COLOR_BTNSHADOW);
      obr = sys(COLOR_BTNHIGHLIGHT);
    }
    if (inner == BDR_RAISEDINNER) {
      itl = soft ? sys(COLOR_3DLIGHT) : sys(COLOR_BTNHIGHLIGHT);
      ibr = sys(COLOR_BTNSHADOW);
    } else if (inner == BDR_SUNKENINNER) {
      itl = soft ? sys(COLOR_BTNSHADOW) : sys(COLOR_3DDKSHADOW);
      ibr = sys(COLOR_3DLIGHT);
    }
  }
  RECT r = d;
  bool hasOuter = outer == BDR_RAISEDOUTER || outer == BDR_SUNKENOUTER;
  bool hasInner = inner == BDR_RAISEDINNER || inner == BDR_SUNKENINNER;
  auto shrink = [&](RECT& x) {
    if (flags & BF_LEFT) ++x.left;
    if (flags & BF_TOP) ++x.top;
    if (flags & BF_RIGHT) --x.right;
    if (flags & BF_BOTTOM) --x.bottom;
  };
  if (cv.ok && hasOuter) EdgeRing(cv, r, flags, otl, obr);
  if (hasOuter) shrink(r);
  if (cv.ok && hasInner) EdgeRing(cv, r, flags, itl, ibr);
  if (hasInner) shrink(r);
  if ((flags & BF_MIDDLE) && cv.ok)
    FillSolidRect(cv, r, sys((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) {
    RECT& o = *rect;
    o.left += r.left - d.left;
    o.top += r.top - d.top;
    o.right += r.right - d.right;
    o.bottom += r.bottom - d.bottom;
  }
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  Canvas cv(hdc);
  if (!cv.dc || !rect) return FALSE;
  if (!cv.ok) return TRUE;
  RECT d = ToDeviceRect(cv, *rect);
  if (d.right <= d.left || d.bottom <= d.top) return TRUE;
  // Every other pixel of the frame, XORed with white, so a second call restores the pixels.
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) PutPixel(cv, x, y, kWhite, 0x5A);
  };
  for (int x = d.left; x < d.right; ++x) {
    dot(x, d.top);
    if (d.bottom - 1 > d.top) dot(x, d.bottom - 1);
  }
  for (int y = d.top + 1; y < d.bottom - 1; ++y) {
    dot(d.left, y);
    if (d.right - 1 > d.left) dot(d.right - 1, y);
  }
  return TRUE;
}

// ---- frame controls -------------------------------------------------------------------------------------
namespace {

void FrameGlyph(Canvas& cv, const RECT& r, UINT type, UINT state, COLORREF color) {
  int w = r.right - r.left, h = r.bottom - r.top;
  int cx = r.left + w / 2, cy = r.top + h / 2;
  int s = std::max(2, std::min(w, h) / 4);
  if (state & DFCS_PUSHED) {
    ++cx;
    ++cy;
  }
  auto hline = [&](int x0, int x1, int y) { FillSolidRect(cv, RECT{x0, y, x1, y + 1}, color); };
  if (type == DFC_SCROLL) {
    UINT kind = state & 0xFF;
    if (kind == DFCS_SCROLLSIZEGRIP) return;
    // A solid triangle pointing the scroll direction.
    for (int i = 0; i < s; ++i) {
      switch (kind) {
        case DFCS_SCROLLUP: hline(cx - i, cx + i + 1, cy - s / 2 + i); break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX: hline(cx - i, cx + i + 1, cy + s / 2 - i); break;
        case DFCS_SCROLLLEFT: FillSolidRect(cv, RECT{cx - s / 2 + i, cy - i, cx - s / 2 + i + 1, cy + i + 1}, color); break;
        case DFCS_SCROLLRIGHT: FillSolidRect(cv, RECT{cx + s / 2 - i, cy - i, cx + s / 2 - i + 1, cy + i + 1}, color); break;
        default: break;
      }
    }
    return;
  }
  if (type == DFC_CAPTION) {
    UINT kind = state & 0xFF;
    switch (kind) {
      case DFCS_CAPTIONCLOSE:
        for (int i = -s; i <= s; ++i) {
          FillSolidRect(cv, RECT{cx + i, cy + i, cx + i + 2, cy + i + 1}, color);
          FillSolidRect(cv, RECT{cx + i, cy - i, cx + i + 2, cy - i + 1}, color);
        }
        break;
      case DFCS_CAPTIONMIN: FillSolidRect(cv, RECT{cx - s, cy + s - 1, cx + s, cy + s + 1}, color); break;
      case DFCS_CAPTIONMAX:
        FrameSolidRect(cv, RECT{cx - s, cy - s, cx + s + 1, cy + s + 1}, color);
        hline(cx - s, cx + s + 1, cy - s + 1);
        break;
      case DFCS_CAPTIONRESTORE:
        FrameSolidRect(cv, RECT{cx - s + 2, cy - s, cx + s + 1, cy + s - 1}, color);
        FrameSolidRect(cv, RECT{cx - s, cy - s + 2, cx + s - 1, cy + s + 1}, color);
        break;
      case DFCS_CAPTIONHELP:
        FrameSolidRect(cv, RECT{cx - s / 2, cy - s, cx + s / 2 + 1, cy}, color);
        FillSolidRect(cv, RECT{cx, cy + s - 1, cx + 1, cy + s}, color);
        break;
      default: break;
    }
  }
}

void CheckMark(Canvas& cv, const RECT& r, COLORREF color) {
  int x = r.left + (r.right - r.left) / 2 - 3, y = r.top + (r.bottom - r.top) / 2 - 1;
  for (int i = 0; i < 7; ++i) {
    int dy = i < 3 ? i : 4 - i;
    FillSolidRect(cv, RECT{x + i, y + dy, x + i + 1, y + dy + 3}, color);
  }
}

}  // namespace

BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state) {
  Canvas cv(hdc);
  if (!cv.dc || !rect) return FALSE;
  if (!cv.ok) return TRUE;
  auto sys = [](int i) { return static_cast<COLORREF>(GetSysColor(i)); };
  RECT d = ToDeviceRect(cv, *rect);
  bool inactive = (state & DFCS_INACTIVE) != 0;
  COLORREF ink = inactive ? sys(COLOR_GRAYTEXT) : sys(COLOR_BTNTEXT);
  if (type == DFC_BUTTON && (state & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK))) {
    int size = std::min(d.right - d.left, d.bottom - d.top);
    RECT c{d.left, d.top, d.left + size, d.top + size};
    auto disc = [&](RECT b, COLORREF col) {
      pixman_region32_t shape;
      ShapeRegion(&shape, b, [&](int x, int y) { return InEllipse(b.left, b.top, b.right, b.bottom, x, y); });
      Brush br;
      br.color = col;
      PaintArea(cv, &shape, &br, 0xF0);
      pixman_region32_fini(&shape);
    };
    if (state & DFCS_BUTTONRADIOMASK) {
      // The mask: black where the button is opaque, white around it.
      FillSolidRect(cv, c, kWhite);
      disc(c, 0);
      return TRUE;
    }
    disc(c, (state & DFCS_FLAT) ? sys(COLOR_BTNSHADOW) : sys(COLOR_BTNSHADOW));
    disc(RECT{c.left + 1, c.top + 1, c.right - 1, c.bottom - 1},
         (state & (DFCS_PUSHED | DFCS_INACTIVE)) ? sys(COLOR_BTNFACE) : sys(COLOR_WINDOW));
    if (state & DFCS_CHECKED) {
      int m = size / 3;
      disc(RECT{c.left + m, c.top + m, c.right - m, c.bottom - m}, ink);
    }
    return TRUE;
  }
  if (type == DFC_BUTTON && (state & DFCS_BUTTONPUSH) == 0) {
    // Check box (two- or three-state).
    int size = std::min(d.right - d.left, d.bottom - d.top);
    RECT c{d.left, d.top, d.left + size, d.top + size};
    RECT inner = c;
    if (state & (DFCS_FLAT | DFCS_MONO)) {
      FrameSolidRect(cv, c, (state & DFCS_MONO) ? sys(COLOR_WINDOWFRAME) : sys(COLOR_BTNSHADOW));
      inner = RECT{c.left + 1, c.top + 1, c.right - 1, c.bottom - 1};
    } else {
      RECT e = c;
      EdgeRing(cv, e, BF_RECT, sys(COLOR_BTNSHADOW), sys(COLOR_BTNHIGHLIGHT));
      e = RECT{e.left + 1, e.top + 1, e.right - 1, e.bottom - 1};
      EdgeRing(cv, e, BF_RECT, sys(COLOR_3DDKSHADOW), sys(COLOR_3DLIGHT));
      inner = RECT{e.left + 1, e.top + 1, e.right - 1, e.bottom - 1};
    }
    bool grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) || ((state & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED));
    FillSolidRect(cv, inner, grey ? sys(COLOR_BTNFACE) : sys(COLOR_WINDOW));
    if (state & DFCS_CHECKED) CheckMark(cv, inner, (state & DFCS_BUTTON3STATE) ? sys(COLOR_BTNSHADOW) : ink);
    return TRUE;
  }
  if (type == DFC_MENU) {
    if (!(state & DFCS_TRANSPARENT)) FillSolidRect(cv, d, kWhite);
    if ((state & 0xFF) == DFCS_MENUCHECK) CheckMark(cv, d, 0);
    else if ((state & 0xFF) == DFCS_MENUBULLET) {
      int cx = (d.left + d.right) / 2, cy = (d.top + d.bottom) / 2;
      FillSolidRect(cv, RECT{cx - 2, cy - 2, cx + 2, cy + 2}, 0);
    } else {
      FrameGlyph(cv, d, DFC_SCROLL, DFCS_SCROLLRIGHT, 0);
    }
    return TRUE;
  }
  // Push buttons, scroll arrows and caption buttons share the button face.
  if (type == DFC_SCROLL && (state & 0xFF) == DFCS_SCROLLSIZEGRIP) {
    if (!(state & DFCS_TRANSPARENT)) FillSolidRect(cv, d, sys(COLOR_BTNFACE));
    for (int i = 0; i < 3; ++i) {
      int o = 4 * i + 2;
      for (int k = 0; k < 2; ++k) {
        POINT a{d.right - 1, d.bottom - o - 1 - k}, b{d.right - o - 1 - k, d.bottom - 1};
        COLORREF col = k == 0 ? sys(COLOR_BTNSHADOW) : sys(COLOR_BTNHIGHLIGHT);
        for (int t = 0; a.x - t >= b.x; ++t) FillSolidRect(cv, RECT{a.x - t, a.y + t, a.x - t + 1, a.y + t + 1}, col);
      }
    }
    return TRUE;
  }
  RECT face = d;
  if (state & DFCS_FLAT) {
    FrameSolidRect(cv, face, sys(COLOR_BTNSHADOW));
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  } else if (state & DFCS_MONO) {
    FrameSolidRect(cv, face, sys(COLOR_WINDOWFRAME));
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  } else if (state & (DFCS_PUSHED | DFCS_CHECKED)) {
    if (type == DFC_BUTTON) {
      EdgeRing(cv, face, BF_RECT, sys(COLOR_3DDKSHADOW), sys(COLOR_BTNHIGHLIGHT));
      face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
      EdgeRing(cv, face, BF_RECT, sys(COLOR_BTNSHADOW), sys(COLOR_3DLIGHT));
    } else {
      FrameSolidRect(cv, face, sys(COLOR_BTNSHADOW));
      face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
      FrameSolidRect(cv, face, sys(COLOR_BTNFACE));
    }
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  } else {
    EdgeRing(cv, face, BF_RECT, sys(COLOR_3DLIGHT), sys(COLOR_3DDKSHADOW));
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
    EdgeRing(cv, face, BF_RECT, sys(COLOR_BTNHIGHLIGHT), sys(COLOR_BTNSHADOW));
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  }
  FillSolidRect(cv, face, sys(COLOR_BTNFACE));
  if (type == DFC_SCROLL || type == DFC_CAPTION) {
    if (inactive) FrameGlyph(cv, RECT{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1}, type, state & ~DFCS_PUSHED,
                        sys(COLOR_BTNHIGHLIGHT));
    FrameGlyph(cv, face, type, state, inactive ? sys(COLOR_BTNSHADOW) : sys(COLOR_BTNTEXT));
  }
  if ((state & DFCS_ADJUSTRECT) && type == DFC_BUTTON) {
    rect->left += 2;
    rect->top += 2;
    rect->right -= 2;
    rect->bottom -= 2;
  }
  return TRUE;
}

// ---- gradients -------------------------------------------------------------------------------------------
BOOL GradientFill(HDC hdc, const TRIVERTEX* v, ULONG nv, const void* mesh, ULONG nMesh, ULONG mode) {
  Canvas cv(hdc);
  if (!cv.dc || !v || !mesh) return FALSE;
  if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V) return FALSE;
  if (!cv.ok) return TRUE;
  const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
  for (ULONG i = 0; i < nMesh; ++i) {
    if (rects[i].UpperLeft >= nv || rects[i].LowerRight >= nv) return FALSE;
    const TRIVERTEX& a = v[rects[i].UpperLeft];
    const TRIVERTEX& b = v[rects[i].LowerRight];
    RECT d = ToDeviceRect(cv, RECT{a.x, a.y, b.x, b.y});
    bool horz = mode == GRADIENT_FILL_RECT_H;
    int span = horz ? d.right - d.left : d.bottom - d.top;
    bool swapped = horz ? a.x > b.x : a.y > b.y;
    const TRIVERTEX& from = swapped ? b : a;
    const TRIVERTEX& to = swapped ? a : b;
    for (int k = 0; k < span; ++k) {
      auto mix = [&](COLOR16 c0, COLOR16 c1) {
        return static_cast<BYTE>(((c0 >> 8) * (span - k) + (c1 >> 8) * k) / std::max(span, 1));
      };
      COLORREF c = RGB(mix(from.Red, to.Red), mix(from.Green, to.Green), mix(from.Blue, to.Blue));
      RECT strip = horz ? RECT{d.left + k, d.top, d.left + k + 1, d.bottom} : RECT{d.left, d.top + k, d.right, d.top + k + 1};
      FillSolidRect(cv, strip, c);
    }
  }
  return TRUE;
}

// ---- shaped regions ---------------------------------------------------------------------------------------
namespace {
HRGN WrapRegion(pixman_region32_t* r) {
  HRGN h = NewRegion(r);
  pixman_region32_fini(r);
  return h;
}
RECT Normalised(int l, int t, int r, int b) { return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}; }
}  // namespace

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  RECT d = Normalised(left, top, right, bottom);
  pixman_region32_t shape;
  ShapeRegion(&shape, d, [&](int x, int y) { return InEllipse(d.left, d.top, d.right, d.bottom, x, y); });
  return WrapRegion(&shape);
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h) {
  RECT d = Normalised(left, top, right, bottom);
  pixman_region32_t shape;
  ShapeRegion(&shape, d, [&](int x, int y) { return InRoundRect(d, w, h, x, y); });
  return WrapRegion(&shape);
}

HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode) {
  if (!pts || count < 3) return CreateRectRgn(0, 0, 0, 0);
  std::vector<POINT> p(pts, pts + count);
  RECT b{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const POINT& q : p) {
    b.left = std::min(b.left, q.x);
    b.top = std::min(b.top, q.y);
    b.right = std::max(b.right, q.x);
    b.bottom = std::max(b.bottom, q.y);
  }
  pixman_region32_t shape;
  ShapeRegion(&shape, b, [&](int x, int y) { return InPolygon(p, fillMode == WINDING, x, y); });
  return WrapRegion(&shape);
}
