// Device context state: memory DCs, selected objects, SaveDC/RestoreDC, origins, clipping, colours and
// modes; pen and brush objects; the raster operation evaluator and the Canvas every drawing call opens.

#include <algorithm>
#include <cstring>
#include <mutex>

#include "winapi/Windows.h"
#include "winapi/detail/Font.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"
#include "winapi/detail/Wm.h"

namespace winapi::detail {

Pen* AsPen(HPEN h) { return static_cast<Pen*>(FindObject(h, OBJ_PEN)); }
Bitmap* AsBitmap(HBITMAP h) { return static_cast<Bitmap*>(FindObject(h, OBJ_BITMAP)); }

HBITMAP NewBitmap(int width, int height, bool mono) {
  auto* b = new Bitmap();
  b->width = std::max(width, 0);
  b->height = std::max(height, 0);
  b->mono = mono;
  b->data.assign(static_cast<size_t>(b->width) * b->height, 0);
  RegisterObject(b);
  return reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(b));
}

void InitRectRegion(pixman_region32_t* r, int l, int t, int rr, int b) {
  if (rr > l && b > t)
    pixman_region32_init_rect(r, l, t, static_cast<unsigned>(rr - l), static_cast<unsigned>(b - t));
  else
    pixman_region32_init(r);
}

uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0x00: return 0;
    case 0xFF: return kWhite;
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x55: return ~d & kWhite;
    case 0x33: return ~s & kWhite;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x5A: return p ^ d;
    case 0xC0: return p & s;
    case 0x44: return s & ~d & kWhite;
    case 0xB8: return ((p ^ d) & s) ^ p;  // where the source is set take the destination... of the pattern
    case 0xE2: return (s & p) | (~s & d & kWhite);
    default: break;
  }
  uint32_t out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    out |= m;
  }
  return out & kWhite;
}

uint8_t Rop2ToRop3(int rop2) {
  if (rop2 < 1 || rop2 > 16) rop2 = 13;
  unsigned table = static_cast<unsigned>(rop2 - 1);
  uint8_t code = 0;
  for (int i = 0; i < 8; ++i) {
    int p = (i >> 2) & 1, d = i & 1;
    if ((table >> (p * 2 + d)) & 1) code = static_cast<uint8_t>(code | (1 << i));
  }
  return code;
}

Canvas::Canvas(HDC hdc) : dc(AsDC(hdc)) {
  pixman_region32_init(&clip);
  Open();
}
Canvas::Canvas(DC* d) : dc(d) {
  pixman_region32_init(&clip);
  Open();
}
Canvas::~Canvas() { pixman_region32_fini(&clip); }

void Canvas::Open() {
  if (!dc || !dc->Target(&buf, &org)) return;
  mono = dc->mono;
  dc->EffectiveClip(&clip);
  pixman_region32_translate(&clip, org.x, org.y);
  pixman_region32_t bounds;
  InitRectRegion(&bounds, 0, 0, buf.width, buf.height);
  pixman_region32_intersect(&clip, &clip, &bounds);
  pixman_region32_fini(&bounds);
  ok = true;
}

POINT Canvas::ToDevice(int x, int y) const {
  const DCAttrs& a = dc->attrs;
  return POINT{x - a.windowOrg.x + a.viewportOrg.x, y - a.windowOrg.y + a.viewportOrg.y};
}

RECT ToDeviceRect(const Canvas& cv, const RECT& r) {
  POINT a = cv.ToDevice(r.left, r.top), b = cv.ToDevice(r.right, r.bottom);
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

Brush* CurrentBrush(DC* dc) {
  Brush* b = AsBrush(dc->brush);
  return b ? b : static_cast<Brush*>(FindObject(GetStockObject(WHITE_BRUSH), OBJ_BRUSH));
}

bool BrushPixel(const Canvas& cv, const Brush* b, int dx, int dy, uint32_t* out) {
  if (!b || b->style == BS_NULL) return false;
  if (b->tile.empty()) {
    COLORREF c = b->sysColorIndex >= 0 ? GetSysColor(b->sysColorIndex) : b->color;
    if (b->stock && b->style == BS_SOLID && b->hatch == -2) c = cv.dc->attrs.dcBrushColor;
    *out = cv.Pixel(c);
    return true;
  }
  const POINT& o = cv.dc->attrs.brushOrg;
  int tx = ((dx - o.x) % b->tileW + b->tileW) % b->tileW;
  int ty = ((dy - o.y) % b->tileH + b->tileH) % b->tileH;
  uint32_t t = b->tile[static_cast<size_t>(ty) * b->tileW + tx];
  if (b->style == BS_HATCHED) {
    if (t) {
      *out = cv.Pixel(b->color);
      return true;
    }
    if (cv.dc->bkMode == TRANSPARENT) return false;
    *out = cv.Pixel(cv.dc->bkColor);
    return true;
  }
  if (b->monoTile) {
    // Monochrome patterns: set bits take the background colour, clear bits the text colour.
    *out = cv.Pixel(t ? cv.dc->bkColor : cv.dc->textColor);
    return true;
  }
  *out = cv.mono ? ToMono(t) : t;
  return true;
}

void PaintArea(Canvas& cv, const pixman_region32_t* area, Brush* brush, uint8_t code) {
  if (!cv.ok) return;
  bool usesPattern = ((code >> 4) & 0xF) != (code & 0xF);
  bool usesDest = ((code >> 1) & 0x55) != (code & 0x55);
  if (usesPattern && (!brush || brush->style == BS_NULL)) return;
  pixman_region32_t r;
  pixman_region32_init(&r);
  pixman_region32_copy(&r, const_cast<pixman_region32_t*>(area));
  pixman_region32_translate(&r, cv.org.x, cv.org.y);
  pixman_region32_intersect(&r, &r, &cv.clip);
  int n = 0;
  pixman_box32_t* boxes = pixman_region32_rectangles(&r, &n);
  bool solid = !usesPattern || brush->tile.empty();
  uint32_t solidPx = 0;
  if (usesPattern && solid) BrushPixel(cv, brush, 0, 0, &solidPx);
  for (int i = 0; i < n; ++i) {
    const pixman_box32_t& b = boxes[i];
    for (int y = b.y1; y < b.y2; ++y) {
      uint32_t* row = cv.Row(y);
      if (solid && !usesDest) {
        std::fill(row + b.x1, row + b.x2, Rop3(code, solidPx, 0, 0));
        continue;
      }
      for (int x = b.x1; x < b.x2; ++x) {
        uint32_t p = solidPx;
        if (!solid && !BrushPixel(cv, brush, x - cv.org.x, y - cv.org.y, &p)) continue;
        uint32_t v = Rop3(code, p, 0, row[x] & kWhite);
        row[x] = cv.mono ? ToMono(v) : v;
      }
    }
  }
  pixman_region32_fini(&r);
}

void PutPixel(Canvas& cv, int dx, int dy, uint32_t px, uint8_t code) {
  int sx = dx + cv.org.x, sy = dy + cv.org.y;
  if (!cv.Visible(sx, sy)) return;
  uint32_t& d = cv.Row(sy)[sx];
  uint32_t v = Rop3(code, px, 0, d & kWhite);
  d = cv.mono ? ToMono(v) : v;
}

void FillSolidRect(Canvas& cv, const RECT& r, COLORREF color) {
  pixman_region32_t area;
  InitRectRegion(&area, r.left, r.top, r.right, r.bottom);
  Brush b;
  b.color = color;
  PaintArea(cv, &area, &b, 0xF0);
  pixman_region32_fini(&area);
}

void FrameSolidRect(Canvas& cv, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillSolidRect(cv, RECT{r.left, r.top, r.right, r.top + 1}, color);
  FillSolidRect(cv, RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
  FillSolidRect(cv, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
  FillSolidRect(cv, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

namespace {

void SelectBitmapInto(DC* dc, Bitmap* bm) {
  dc->attrs.bitmap = reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(bm));
  dc->surface = bm->View();
  dc->mono = bm->mono;
  pixman_region32_fini(&dc->vis);
  InitRectRegion(&dc->vis, 0, 0, bm->width, bm->height);
}

HGDIOBJ StockPen(int index) {
  static Pen* pens[4] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i < 4; ++i) {
      pens[i] = new Pen();
      pens[i]->stock = true;
      pens[i]->color = i == 0 ? RGB(255, 255, 255) : 0;
      pens[i]->style = i == 2 ? PS_NULL : PS_SOLID;
      pens[i]->dcPen = i == 3;
      RegisterObject(pens[i]);
    }
  });
  int i = index == DC_PEN ? 3 : index - WHITE_PEN;
  return static_cast<GdiObject*>(pens[i]);
}

HGDIOBJ StockDCBrush() {
  static Brush* b = [] {
    auto* x = new Brush();
    x->stock = true;
    x->hatch = -2;  // marks the DC brush: colour from SetDCBrushColor
    RegisterObject(x);
    return x;
  }();
  return static_cast<GdiObject*>(b);
}

HBITMAP StockBitmap() {
  static HBITMAP b = [] {
    HBITMAP h = NewBitmap(1, 1, true);
    AsBitmap(h)->stock = true;
    return h;
  }();
  return b;
}

void SetClip(DC* dc, const pixman_region32_t* r) {
  if (!r) {
    dc->hasClip = false;
    pixman_region32_clear(&dc->clip);
    return;
  }
  pixman_region32_copy(&dc->clip, const_cast<pixman_region32_t*>(r));
  dc->hasClip = true;
}

int ClipResult(DC* dc) {
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  int t = RegionType(&r);
  pixman_region32_fini(&r);
  return t;
}

// The application clip, or everything when none is set (for combining).
void CurrentClip(DC* dc, pixman_region32_t* out) {
  if (dc->hasClip)
    pixman_region32_copy(out, &dc->clip);
  else
    InitRectRegion(out, -0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF);
}

}  // namespace

HGDIOBJ StockObjectOfDrawing(int index) {
  if ((index >= WHITE_PEN && index <= NULL_PEN) || index == DC_PEN) return StockPen(index);
  if (index == DC_BRUSH) return StockDCBrush();
  return nullptr;
}

Bitmap::~Bitmap() {
  if (DC* dc = selectedIn ? AsDC(selectedIn) : nullptr) {
    if (dc->attrs.bitmap == reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(this))) {
      Bitmap* initial = AsBitmap(StockBitmap());
      initial->selectedIn = nullptr;
      SelectBitmapInto(dc, initial);
    }
  }
}

HDC MemoryDCFor(HBITMAP bitmap) {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bitmap);
  return dc;
}

}  // namespace winapi::detail

using namespace winapi::detail;

// ---- device contexts ---------------------------------------------------------------------------------
HDC CreateCompatibleDC(HDC) {
  auto* dc = new DC();
  dc->type = OBJ_MEMDC;
  RegisterObject(dc);
  SelectBitmapInto(dc, AsBitmap(StockBitmap()));
  return reinterpret_cast<HDC>(static_cast<GdiObject*>(dc));
}

BOOL DeleteDC(HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  if (dc->hwnd) return ReleaseDC(dc->hwnd, hdc);
  if (Bitmap* bm = AsBitmap(dc->attrs.bitmap)) bm->selectedIn = nullptr;
  UnregisterObject(dc);
  delete dc;
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  DC* dc = AsDC(hdc);
  GdiObject* o = FindObject(obj, 0);
  if (!dc || !o) return nullptr;
  switch (o->type) {
    case OBJ_PEN: {
      HGDIOBJ old = dc->attrs.pen ? static_cast<HGDIOBJ>(dc->attrs.pen) : StockPen(BLACK_PEN);
      dc->attrs.pen = static_cast<HPEN>(obj);
      return old;
    }
    case OBJ_BRUSH: {
      HGDIOBJ old = dc->brush ? static_cast<HGDIOBJ>(dc->brush) : GetStockObject(WHITE_BRUSH);
      dc->brush = static_cast<HBRUSH>(obj);
      return old;
    }
    case OBJ_BITMAP: {
      if (dc->type != OBJ_MEMDC) return nullptr;
      auto* bm = static_cast<Bitmap*>(o);
      if (bm->selectedIn && bm->selectedIn != hdc && !bm->stock) return nullptr;
      HGDIOBJ old = dc->attrs.bitmap;
      if (Bitmap* prev = AsBitmap(dc->attrs.bitmap)) prev->selectedIn = nullptr;
      bm->selectedIn = hdc;
      SelectBitmapInto(dc, bm);
      return old;
    }
    case OBJ_REGION: {
      int t = SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(t));
    }
    case OBJ_FONT: return SelectFont(dc, static_cast<HFONT>(obj));
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DC* dc = AsDC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->attrs.pen ? static_cast<HGDIOBJ>(dc->attrs.pen) : StockPen(BLACK_PEN);
    case OBJ_BRUSH: return dc->brush ? static_cast<HGDIOBJ>(dc->brush) : GetStockObject(WHITE_BRUSH);
    case OBJ_BITMAP: return dc->attrs.bitmap;
    case OBJ_FONT: return CurrentFont(dc);
    default: return nullptr;
  }
}

int SaveDC(HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc) return 0;
  auto s = std::make_unique<DCSaved>();
  s->attrs = dc->attrs;
  s->brush = dc->brush;
  s->mono = dc->mono;
  s->hasClip = dc->hasClip;
  pixman_region32_copy(&s->clip, &dc->clip);
  s->font = dc->font;
  s->textColor = dc->textColor;
  s->bkColor = dc->bkColor;
  s->bkMode = dc->bkMode;
  s->textAlign = dc->textAlign;
  s->charExtra = dc->charExtra;
  s->curPos = dc->curPos;
  dc->saved.push_back(std::move(s));
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int level) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  int n = static_cast<int>(dc->saved.size());
  int target = level < 0 ? n + 1 + level : level;
  if (target < 1 || target > n) return FALSE;
  DCSaved& s = *dc->saved[static_cast<size_t>(target - 1)];
  // The saved bitmap comes back when it still exists; otherwise the current one stays.
  if (dc->type == OBJ_MEMDC && s.attrs.bitmap != dc->attrs.bitmap && AsBitmap(s.attrs.bitmap))
    SelectObject(hdc, s.attrs.bitmap);
  HBITMAP current = dc->attrs.bitmap;
  dc->attrs = s.attrs;
  dc->attrs.bitmap = current;
  dc->brush = s.brush;
  dc->hasClip = s.hasClip;
  pixman_region32_copy(&dc->clip, &s.clip);
  dc->font = s.font;
  dc->textColor = s.textColor;
  dc->bkColor = s.bkColor;
  dc->bkMode = s.bkMode;
  dc->textAlign = s.textAlign;
  dc->charExtra = s.charExtra;
  dc->curPos = s.curPos;
  dc->saved.resize(static_cast<size_t>(target - 1));
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  DC* dc = AsDC(hdc);
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return dc && dc->mono ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return 0;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
    default: return 0;
  }
}

// ---- origins ------------------------------------------------------------------------------------------
namespace {
BOOL SetOrg(HDC hdc, POINT DCAttrs::*field, int x, int y, POINT* old, bool offset) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  POINT& p = dc->attrs.*field;
  if (old) *old = p;
  p = offset ? POINT{p.x + x, p.y + y} : POINT{x, y};
  return TRUE;
}
BOOL GetOrg(HDC hdc, POINT DCAttrs::*field, POINT* out) {
  DC* dc = AsDC(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->attrs.*field;
  return TRUE;
}
}  // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) { return SetOrg(hdc, &DCAttrs::windowOrg, x, y, old, false); }
BOOL GetWindowOrgEx(HDC hdc, POINT* org) { return GetOrg(hdc, &DCAttrs::windowOrg, org); }
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetOrg(hdc, &DCAttrs::windowOrg, dx, dy, old, true);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetOrg(hdc, &DCAttrs::viewportOrg, x, y, old, false);
}
BOOL GetViewportOrgEx(HDC hdc, POINT* org) { return GetOrg(hdc, &DCAttrs::viewportOrg, org); }
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetOrg(hdc, &DCAttrs::viewportOrg, dx, dy, old, true);
}
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* old) { return SetOrg(hdc, &DCAttrs::brushOrg, x, y, old, false); }
BOOL GetBrushOrgEx(HDC hdc, POINT* org) { return GetOrg(hdc, &DCAttrs::brushOrg, org); }

BOOL LPtoDP(HDC hdc, POINT* pts, int count) {
  DC* dc = AsDC(hdc);
  if (!dc || (!pts && count)) return FALSE;
  for (int i = 0; i < count; ++i) {
    pts[i].x += dc->attrs.viewportOrg.x - dc->attrs.windowOrg.x;
    pts[i].y += dc->attrs.viewportOrg.y - dc->attrs.windowOrg.y;
  }
  return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* pts, int count) {
  DC* dc = AsDC(hdc);
  if (!dc || (!pts && count)) return FALSE;
  for (int i = 0; i < count; ++i) {
    pts[i].x -= dc->attrs.viewportOrg.x - dc->attrs.windowOrg.x;
    pts[i].y -= dc->attrs.viewportOrg.y - dc->attrs.windowOrg.y;
  }
  return TRUE;
}

// ---- clipping -----------------------------------------------------------------------------------------
int SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode) {
  DC* dc = AsDC(hdc);
  if (!dc) return ERROR;
  Region* r = AsRegion(rgn);
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    SetClip(dc, nullptr);
    return ClipResult(dc);
  }
  pixman_region32_t cur, out;
  pixman_region32_init(&cur);
  pixman_region32_init(&out);
  CurrentClip(dc, &cur);
  switch (mode) {
    case RGN_COPY: pixman_region32_copy(&out, &r->rgn); break;
    case RGN_AND: pixman_region32_intersect(&out, &cur, &r->rgn); break;
    case RGN_OR: pixman_region32_union(&out, &cur, &r->rgn); break;
    case RGN_DIFF: pixman_region32_subtract(&out, &cur, &r->rgn); break;
    case RGN_XOR: {
      pixman_region32_t a, b;
      pixman_region32_init(&a);
      pixman_region32_init(&b);
      pixman_region32_subtract(&a, &cur, &r->rgn);
      pixman_region32_subtract(&b, &r->rgn, &cur);
      pixman_region32_union(&out, &a, &b);
      pixman_region32_fini(&a);
      pixman_region32_fini(&b);
      break;
    }
    default:
      pixman_region32_fini(&cur);
      pixman_region32_fini(&out);
      return ERROR;
  }
  SetClip(dc, &out);
  pixman_region32_fini(&cur);
  pixman_region32_fini(&out);
  return ClipResult(dc);
}

namespace {
int CombineClipRect(HDC hdc, int l, int t, int r, int b, bool exclude) {
  DC* dc = AsDC(hdc);
  if (!dc) return ERROR;
  Canvas cv(dc);
  RECT d = ToDeviceRect(cv, RECT{l, t, r, b});
  pixman_region32_t cur, rect;
  pixman_region32_init(&cur);
  CurrentClip(dc, &cur);
  InitRectRegion(&rect, d.left, d.top, d.right, d.bottom);
  if (exclude)
    pixman_region32_subtract(&cur, &cur, &rect);
  else
    pixman_region32_intersect(&cur, &cur, &rect);
  SetClip(dc, &cur);
  pixman_region32_fini(&cur);
  pixman_region32_fini(&rect);
  return ClipResult(dc);
}
}  // namespace

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b) { return CombineClipRect(hdc, l, t, r, b, true); }
int IntersectClipRect(HDC hdc, int l, int t, int r, int b) { return CombineClipRect(hdc, l, t, r, b, false); }

int OffsetClipRgn(HDC hdc, int dx, int dy) {
  DC* dc = AsDC(hdc);
  if (!dc) return ERROR;
  if (dc->hasClip) pixman_region32_translate(&dc->clip, dx, dy);
  return ClipResult(dc);
}

BOOL RectVisible(HDC hdc, const RECT* rect) {
  DC* dc = AsDC(hdc);
  if (!dc || !rect) return FALSE;
  Canvas cv(dc);
  RECT d = ToDeviceRect(cv, *rect);
  if (d.right <= d.left || d.bottom <= d.top) return FALSE;
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  pixman_box32_t box{d.left, d.top, d.right, d.bottom};
  BOOL res = pixman_region32_contains_rectangle(&r, &box) != PIXMAN_REGION_OUT ? TRUE : FALSE;
  pixman_region32_fini(&r);
  return res;
}

BOOL PtVisible(HDC hdc, int x, int y) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  Canvas cv(dc);
  POINT d = cv.ToDevice(x, y);
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  BOOL res = pixman_region32_contains_point(&r, d.x, d.y, nullptr) ? TRUE : FALSE;
  pixman_region32_fini(&r);
  return res;
}

int GetClipBox(HDC hdc, RECT* rect) {
  DC* dc = AsDC(hdc);
  if (!dc || !rect) return ERROR;
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  int type = RegionType(&r);
  pixman_box32_t* e = pixman_region32_extents(&r);
  *rect = type == NULLREGION ? RECT{0, 0, 0, 0} : RECT{e->x1, e->y1, e->x2, e->y2};
  pixman_region32_fini(&r);
  if (type != NULLREGION) DPtoLP(hdc, reinterpret_cast<POINT*>(rect), 2);
  return type;
}

// ---- colours and modes --------------------------------------------------------------------------------
namespace {
template <typename T>
T Swap(HDC hdc, T DCAttrs::*field, T value, T fail) {
  DC* dc = AsDC(hdc);
  if (!dc) return fail;
  T old = dc->attrs.*field;
  dc->attrs.*field = value;
  return old;
}
template <typename T>
T Read(HDC hdc, T DCAttrs::*field, T fail) {
  DC* dc = AsDC(hdc);
  return dc ? dc->attrs.*field : fail;
}
}  // namespace

int SetROP2(HDC hdc, int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  return Swap(hdc, &DCAttrs::rop2, mode, 0);
}
int GetROP2(HDC hdc) { return Read(hdc, &DCAttrs::rop2, 0); }
int SetStretchBltMode(HDC hdc, int mode) { return Swap(hdc, &DCAttrs::stretchMode, mode, 0); }
int GetStretchBltMode(HDC hdc) { return Read(hdc, &DCAttrs::stretchMode, 0); }
COLORREF SetDCBrushColor(HDC hdc, COLORREF c) {
  return Swap(hdc, &DCAttrs::dcBrushColor, c & 0xFFFFFF, CLR_INVALID);
}
COLORREF SetDCPenColor(HDC hdc, COLORREF c) { return Swap(hdc, &DCAttrs::dcPenColor, c & 0xFFFFFF, CLR_INVALID); }
COLORREF GetNearestColor(HDC hdc, COLORREF c) {
  DC* dc = AsDC(hdc);
  if (!dc) return CLR_INVALID;
  return dc->mono ? PixelToColor(ToMono(ColorToPixel(c))) : (c & 0xFFFFFF);
}

// ---- pens and brushes -----------------------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color) {
  auto* p = new Pen();
  p->style = static_cast<UINT>(style) & PS_STYLE_MASK;
  p->width = std::max(width, 1);
  p->color = color & 0xFFFFFF;
  RegisterObject(p);
  return reinterpret_cast<HPEN>(static_cast<GdiObject*>(p));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  return lp ? CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor) : nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*) {
  if (!brush) return nullptr;
  return CreatePen(static_cast<int>(style & PS_STYLE_MASK), static_cast<int>(width), brush->lbColor);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto* b = new Brush();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color & 0xFFFFFF;
  b->tileW = b->tileH = 8;
  b->tile.assign(64, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool h = y == 7, v = x == 7, f = x == y, bd = x + y == 7;
      bool on = hatch == HS_HORIZONTAL ? h
                : hatch == HS_VERTICAL ? v
                : hatch == HS_FDIAGONAL ? f
                : hatch == HS_BDIAGONAL ? bd
                : hatch == HS_CROSS ? (h || v)
                                    : (f || bd);
      b->tile[static_cast<size_t>(y) * 8 + x] = on ? 1 : 0;
    }
  RegisterObject(b);
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject*>(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || bm->width <= 0 || bm->height <= 0) return nullptr;
  auto* b = new Brush();
  b->style = BS_PATTERN;
  b->monoTile = bm->mono;
  b->tileW = bm->width;
  b->tileH = bm->height;
  b->tile.resize(static_cast<size_t>(bm->width) * bm->height);
  for (int y = 0; y < bm->height; ++y)
    for (int x = 0; x < bm->width; ++x)
      b->tile[static_cast<size_t>(y) * bm->width + x] = bm->At(x, y) & kWhite;
  RegisterObject(b);
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject*>(b));
}

int GetObject(HGDIOBJ obj, int size, void* out) {
  GdiObject* o = FindObject(obj, 0);
  if (!o) return 0;
  switch (o->type) {
    case OBJ_FONT: return DescribeFont(o, size, out);
    case OBJ_PEN: {
      auto* p = static_cast<Pen*>(o);
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      LOGPEN lp{p->style, POINT{p->width, 0}, p->color};
      std::memcpy(out, &lp, sizeof lp);
      return sizeof lp;
    }
    case OBJ_BRUSH: {
      auto* b = static_cast<Brush*>(o);
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      COLORREF c = b->sysColorIndex >= 0 ? GetSysColor(b->sysColorIndex) : b->color;
      LOGBRUSH lb{b->style, c, static_cast<ULONG_PTR>(b->hatch < 0 ? 0 : b->hatch)};
      std::memcpy(out, &lb, sizeof lb);
      return sizeof lb;
    }
    case OBJ_BITMAP: {
      auto* bm = static_cast<Bitmap*>(o);
      BITMAP info{};
      info.bmWidth = bm->width;
      info.bmHeight = bm->height;
      info.bmPlanes = 1;
      info.bmBitsPixel = bm->mono ? 1 : 32;
      info.bmWidthBytes = bm->mono ? ((bm->width + 15) / 16) * 2 : bm->width * 4;
      info.bmBits = bm->dib ? bm->data.data() : nullptr;
      if (!out) return bm->dib ? sizeof(DIBSECTION) : sizeof(BITMAP);
      if (bm->dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds{};
        ds.dsBm = info;
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = bm->width;
        ds.dsBmih.biHeight = bm->bottomUp ? bm->height : -bm->height;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = 32;
        ds.dsBmih.biSizeImage = static_cast<DWORD>(bm->width * bm->height * 4);
        std::memcpy(out, &ds, sizeof ds);
        return sizeof ds;
      }
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      std::memcpy(out, &info, sizeof info);
      return sizeof info;
    }
    default: return 0;
  }
}
