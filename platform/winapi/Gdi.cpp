// GDI objects the window manager needs: the object registry, rectangle regions over pixman, solid
// brushes, device contexts with their visible region, and FillRect.

#include <algorithm>
#include <mutex>
#include <unordered_set>

#include "winapi/Windows.h"
#include "winapi/detail/Font.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

namespace winapi::detail {
namespace {

std::mutex& ObjectsMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<GdiObject*>& Objects() {
  static std::unordered_set<GdiObject*> s;
  return s;
}

pixman_box32_t Box(const RECT& r) { return pixman_box32_t{r.left, r.top, r.right, r.bottom}; }

void InitRect(pixman_region32_t* r, const RECT& rc) {
  if (rc.right > rc.left && rc.bottom > rc.top)
    pixman_region32_init_rect(r, rc.left, rc.top, static_cast<unsigned>(rc.right - rc.left),
                              static_cast<unsigned>(rc.bottom - rc.top));
  else
    pixman_region32_init(r);
}

}  // namespace

Region::Region() : GdiObject(OBJ_REGION) { pixman_region32_init(&rgn); }
Region::~Region() { pixman_region32_fini(&rgn); }

DC::DC() : GdiObject(OBJ_DC) {
  pixman_region32_init(&vis);
  pixman_region32_init(&clip);
}
DC::~DC() {
  pixman_region32_fini(&vis);
  pixman_region32_fini(&clip);
}

bool DC::Target(PixelBuffer* out, POINT* origin) const {
  if (hwnd) {
    POINT corner{};
    if (!GetWindowBuffer(hwnd, out, &corner)) return false;
    Window* w = FindWindowObj(hwnd);
    if (!windowDC && w) {
      corner.x += w->client.left;
      corner.y += w->client.top;
    }
    *origin = corner;
    return true;
  }
  if (!surface.pixels) return false;
  *out = surface;
  *origin = POINT{0, 0};
  return true;
}

void DC::EffectiveClip(pixman_region32_t* out) const {
  pixman_region32_copy(out, const_cast<pixman_region32_t*>(&vis));
  if (hasClip) pixman_region32_intersect(out, out, const_cast<pixman_region32_t*>(&clip));
}

void RegisterObject(GdiObject* obj) {
  std::lock_guard<std::mutex> lock(ObjectsMutex());
  Objects().insert(obj);
}
void UnregisterObject(GdiObject* obj) {
  std::lock_guard<std::mutex> lock(ObjectsMutex());
  Objects().erase(obj);
}
GdiObject* FindObject(HGDIOBJ handle, DWORD type) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(ObjectsMutex());
  auto* obj = static_cast<GdiObject*>(handle);
  if (!Objects().count(obj)) return nullptr;
  if (type && obj->type != type && !(type == OBJ_DC && obj->type == OBJ_MEMDC)) return nullptr;
  return obj;
}
Region* AsRegion(HRGN h) { return static_cast<Region*>(FindObject(h, OBJ_REGION)); }
Brush* AsBrush(HBRUSH h) {
  auto v = reinterpret_cast<uintptr_t>(h);
  if (v >= 1 && v <= static_cast<uintptr_t>(COLOR_COUNT)) return AsBrush(GetSysColorBrush(static_cast<int>(v - 1)));
  return static_cast<Brush*>(FindObject(h, OBJ_BRUSH));
}
DC* AsDC(HDC h) { return static_cast<DC*>(FindObject(h, OBJ_DC)); }

HRGN NewRegion(const pixman_region32_t* src) {
  auto* r = new Region();
  if (src) pixman_region32_copy(&r->rgn, const_cast<pixman_region32_t*>(src));
  RegisterObject(r);
  return reinterpret_cast<HRGN>(static_cast<GdiObject*>(r));
}

int RegionType(const pixman_region32_t* r) {
  int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(r));
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void FillRegionSolid(DC* dc, const pixman_region32_t* area, uint32_t pixel) {
  PixelBuffer buf{};
  POINT org{};
  if (!dc->Target(&buf, &org)) return;
  pixman_region32_t r;
  pixman_region32_init(&r);
  dc->EffectiveClip(&r);
  pixman_region32_intersect(&r, &r, const_cast<pixman_region32_t*>(area));
  pixman_region32_translate(&r, org.x, org.y);
  pixman_region32_t bounds;
  pixman_region32_init_rect(&bounds, 0, 0, static_cast<unsigned>(buf.width), static_cast<unsigned>(buf.height));
  pixman_region32_intersect(&r, &r, &bounds);
  pixman_region32_fini(&bounds);
  int n = 0;
  pixman_box32_t* boxes = pixman_region32_rectangles(&r, &n);
  for (int i = 0; i < n; ++i)
    for (int y = boxes[i].y1; y < boxes[i].y2; ++y)
      std::fill(buf.pixels + static_cast<ptrdiff_t>(y) * buf.stride + boxes[i].x1,
                buf.pixels + static_cast<ptrdiff_t>(y) * buf.stride + boxes[i].x2, pixel);
  pixman_region32_fini(&r);
}

}  // namespace winapi::detail

using namespace winapi::detail;

// ---- regions -----------------------------------------------------------------------------------------
HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* r = new Region();
  RECT rc{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  pixman_region32_fini(&r->rgn);
  InitRect(&r->rgn, rc);
  RegisterObject(r);
  return reinterpret_cast<HRGN>(static_cast<GdiObject*>(r));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  Region* d = AsRegion(dst);
  Region* a = AsRegion(src1);
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    pixman_region32_copy(&d->rgn, &a->rgn);
    return RegionType(&d->rgn);
  }
  Region* b = AsRegion(src2);
  if (!b) return ERROR;
  switch (mode) {
    case RGN_AND: pixman_region32_intersect(&d->rgn, &a->rgn, &b->rgn); break;
    case RGN_OR: pixman_region32_union(&d->rgn, &a->rgn, &b->rgn); break;
    case RGN_DIFF: pixman_region32_subtract(&d->rgn, &a->rgn, &b->rgn); break;
    case RGN_XOR: {
      pixman_region32_t ab, ba;
      pixman_region32_init(&ab);
      pixman_region32_init(&ba);
      pixman_region32_subtract(&ab, &a->rgn, &b->rgn);
      pixman_region32_subtract(&ba, &b->rgn, &a->rgn);
      pixman_region32_union(&d->rgn, &ab, &ba);
      pixman_region32_fini(&ab);
      pixman_region32_fini(&ba);
      break;
    }
    default: return ERROR;
  }
  return RegionType(&d->rgn);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  Region* r = AsRegion(rgn);
  if (!r) return ERROR;
  pixman_region32_translate(&r->rgn, dx, dy);
  return RegionType(&r->rgn);
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  Region* r = AsRegion(rgn);
  return r && pixman_region32_contains_point(&r->rgn, x, y, nullptr) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  Region* r = AsRegion(rgn);
  if (!r || !rect) return FALSE;
  pixman_box32_t b = Box(*rect);
  return pixman_region32_contains_rectangle(&r->rgn, &b) != PIXMAN_REGION_OUT ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  Region* ra = AsRegion(a);
  Region* rb = AsRegion(b);
  if (!ra || !rb) return ERROR;
  return pixman_region32_equal(&ra->rgn, &rb->rgn) ? TRUE : FALSE;
}

int GetRgnBox(HRGN rgn, RECT* rect) {
  Region* r = AsRegion(rgn);
  if (!r || !rect) return ERROR;
  if (!pixman_region32_not_empty(&r->rgn)) {
    *rect = RECT{0, 0, 0, 0};
    return NULLREGION;
  }
  pixman_box32_t* e = pixman_region32_extents(&r->rgn);
  *rect = RECT{e->x1, e->y1, e->x2, e->y2};
  return RegionType(&r->rgn);
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  Region* r = AsRegion(rgn);
  if (!r) return FALSE;
  pixman_region32_fini(&r->rgn);
  InitRect(&r->rgn, RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
  return TRUE;
}

// ---- brushes and objects -----------------------------------------------------------------------------
HGDIOBJ GetStockObject(int index) {
  static Brush* brushes[6] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    const COLORREF colors[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                RGB(64, 64, 64),    RGB(0, 0, 0),       0};
    for (int i = 0; i < 6; ++i) {
      brushes[i] = new Brush();
      brushes[i]->stock = true;
      brushes[i]->color = colors[i];
      brushes[i]->style = i == NULL_BRUSH ? BS_NULL : BS_SOLID;
      RegisterObject(brushes[i]);
    }
  });
  if (HFONT f = StockFont(index)) return f;
  // Pens arrive with the drawing layer.
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return static_cast<GdiObject*>(brushes[index]);
  return StockObjectOfDrawing(index);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new Brush();
  b->color = color & 0x00FFFFFF;
  RegisterObject(b);
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject*>(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  if (lb->lbStyle == BS_NULL) return reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (lb->lbStyle == BS_HATCHED) return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
  if (lb->lbStyle == BS_PATTERN) return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
  if (lb->lbStyle != BS_SOLID) return nullptr;
  return CreateSolidBrush(lb->lbColor);
}

BOOL DeleteObject(HGDIOBJ obj) {
  GdiObject* o = FindObject(obj, 0);
  if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) return FALSE;
  if (o->stock) return TRUE;
  UnregisterObject(o);
  delete o;
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ obj) {
  GdiObject* o = FindObject(obj, 0);
  return o ? o->type : 0;
}

// ---- device contexts ---------------------------------------------------------------------------------
int GetClipRgn(HDC hdc, HRGN rgn) {
  DC* dc = AsDC(hdc);
  Region* r = AsRegion(rgn);
  if (!dc || !r) return -1;
  if (!dc->hasClip) return 0;
  pixman_region32_copy(&r->rgn, &dc->clip);
  return 1;
}

BOOL GetDCOrgEx(HDC hdc, POINT* origin) {
  DC* dc = AsDC(hdc);
  if (!dc || !origin) return FALSE;
  *origin = POINT{0, 0};
  if (dc->hwnd) {
    Window* w = FindWindowObj(dc->hwnd);
    if (!w) return FALSE;
    *origin = dc->windowDC ? WindowOrigin(w) : ClientOrigin(w);
  }
  return TRUE;
}
