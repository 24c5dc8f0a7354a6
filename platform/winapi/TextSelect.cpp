// Selecting objects into DCs, describing them, and the current position: the parts text output needs.
// Pens and bitmaps join these when the drawing layer brings them.

#include <cstring>

#include "winapi/detail/Font.h"

using namespace winapi::detail;

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  DC* dc = AsDC(hdc);
  GdiObject* o = FindObject(obj, 0);
  if (!dc || !o) return nullptr;
  switch (o->type) {
    case OBJ_FONT: {
      HFONT old = dc->font ? dc->font : StockFont(SYSTEM_FONT);
      dc->font = reinterpret_cast<HFONT>(obj);
      return old;
    }
    case OBJ_BRUSH: {
      HBRUSH old = dc->brush;
      dc->brush = reinterpret_cast<HBRUSH>(obj);
      return old;
    }
    case OBJ_REGION: {
      // As SelectClipRgn: a copy of the region becomes the clip; the answer is the region's type.
      auto* r = static_cast<Region*>(o);
      pixman_region32_copy(&dc->clip, &r->rgn);
      dc->hasClip = true;
      return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(RegionType(&dc->clip)));
    }
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DC* dc = AsDC(hdc);
  if (!dc) return nullptr;
  if (type == OBJ_FONT) return dc->font ? dc->font : StockFont(SYSTEM_FONT);
  if (type == OBJ_BRUSH) return dc->brush;
  return nullptr;
}

int GetObject(HGDIOBJ obj, int size, LPVOID out) {
  GdiObject* o = FindObject(obj, 0);
  if (!o) return 0;
  if (o->type == OBJ_FONT) {
    if (!out) return static_cast<int>(sizeof(LOGFONT));
    int n = std::min(size, static_cast<int>(sizeof(LOGFONT)));
    if (n <= 0) return 0;
    std::memcpy(out, &static_cast<Font*>(o)->lf, static_cast<size_t>(n));
    return n;
  }
  if (o->type == OBJ_BRUSH) {
    if (!out) return static_cast<int>(sizeof(LOGBRUSH));
    if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
    auto* b = static_cast<Brush*>(o);
    LOGBRUSH lb{};
    lb.lbStyle = b->style;
    lb.lbColor = b->color;
    std::memcpy(out, &lb, sizeof lb);
    return static_cast<int>(sizeof lb);
  }
  return 0;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->curPos;
  dc->curPos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* pos) {
  DC* dc = AsDC(hdc);
  if (!dc || !pos) return FALSE;
  *pos = dc->curPos;
  return TRUE;
}
