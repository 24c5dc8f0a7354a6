// Icons and cursors: objects built from a mask and a colour bitmap, our own pictures of the stock icons and
// cursors, and drawing through the mask (or the alpha channel when the colour image carries one).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"
#include "winapi/detail/Wm.h"

namespace winapi::detail {

namespace {

constexpr int kCursorSize = 32;

Icon* NewIcon(int w, int h) {
  auto* ic = new Icon();
  ic->width = w;
  ic->height = h;
  ic->color.assign(static_cast<size_t>(w) * h, 0);
  ic->mask.assign(static_cast<size_t>(w) * h, 1);
  return ic;
}

void Put(Icon* ic, int x, int y, uint32_t rgb) {
  if (x < 0 || y < 0 || x >= ic->width || y >= ic->height) return;
  size_t k = static_cast<size_t>(y) * ic->width + x;
  ic->color[k] = rgb & kWhite;
  ic->mask[k] = 0;
}

// Pictures drawn from text: 'X' black, 'o' white, anything else transparent.
void Art(Icon* ic, int x0, int y0, std::initializer_list<const char*> rows) {
  int y = y0;
  for (const char* r : rows) {
    for (int x = 0; r[x]; ++x) {
      if (r[x] == 'X') Put(ic, x0 + x, y, 0);
      else if (r[x] == 'o') Put(ic, x0 + x, y, kWhite);
    }
    ++y;
  }
}

// A double-headed arrow through (cx, cy) along (dx, dy) (unit steps), black with a white outline.
void SizeArrow(Icon* ic, int cx, int cy, int dx, int dy, int len) {
  std::vector<std::pair<int, int>> ink;
  for (int t = -len; t <= len; ++t) ink.emplace_back(cx + t * dx, cy + t * dy);
  for (int side = -1; side <= 1; side += 2)
    for (int k = 1; k <= 4; ++k) {
      int tx = cx + side * len * dx, ty = cy + side * len * dy;
      // The head: two strokes back from the tip at 45 degrees to the shaft.
      int bx = -side * dx, by = -side * dy;
      int px = -dy, py = dx;
      ink.emplace_back(tx + k * bx + k * px, ty + k * by + k * py);
      ink.emplace_back(tx + k * bx - k * px, ty + k * by - k * py);
      if (dx != 0 && dy != 0) {
        ink.emplace_back(tx + k * bx, ty);
        ink.emplace_back(tx, ty + k * by);
      }
    }
  for (auto [x, y] : ink)
    for (int oy = -1; oy <= 1; ++oy)
      for (int ox = -1; ox <= 1; ++ox) {
        size_t k = static_cast<size_t>(y + oy) * ic->width + (x + ox);
        if (x + ox >= 0 && y + oy >= 0 && x + ox < ic->width && y + oy < ic->height && ic->mask[k]) Put(ic, x + ox, y + oy, kWhite);
      }
  for (auto [x, y] : ink) Put(ic, x, y, 0);
}

void ArrowArt(Icon* ic, int x, int y) {
  Art(ic, x, y,
      {"X", "XX", "XoX", "XooX", "XoooX", "XooooX", "XoooooX", "XooooooX", "XoooooooX", "XooooooooX", "XoooooXXXXX",
       "XooXooX", "XoX XooX", "XX  XooX", "X    XooX", "     XooX", "      XooX", "      XooX", "       XX"});
}

Icon* MakeCursor(uintptr_t id) {
  Icon* ic = NewIcon(kCursorSize, kCursorSize);
  ic->isIcon = false;
  const int c = 15;
  switch (id) {
    case 32513:  // I-beam
      Art(ic, c - 3, c - 8,
          {"XXX XXX", "   X", "   X", "   X", "   X", "   X", "   X", "   X", "   X", "   X", "   X", "   X", "   X",
           "   X", "   X", "   X", "XXX XXX"});
      ic->hotspot = POINT{c, c};
      break;
    case 32514:  // wait: an hourglass
      Art(ic, c - 6, c - 10,
          {"XXXXXXXXXXXXX", "XoooooooooooX", " XoooooooooX", " XoXoXoXoXoX", "  XoXoXoXoX", "   XoXoXoX", "    XoXoX",
           "     XoX", "     XoX", "    XoooX", "   XooXooX", "  XooooooooX", " XoooXoXoooX", " XooXoXoXooX",
           "XooXoXoXoXooX", "XXXXXXXXXXXXX"});
      ic->hotspot = POINT{c, c};
      break;
    case 32515:  // cross
      for (int t = -10; t <= 10; ++t) {
        Put(ic, c + t, c, 0);
        Put(ic, c, c + t, 0);
      }
      ic->hotspot = POINT{c, c};
      break;
    case 32516:  // up arrow
      Art(ic, c - 4, c - 10,
          {"    X", "   XoX", "  XoooX", " XoooooX", "XoooooooX", "XXXXoXXXX", "   XoX", "   XoX", "   XoX", "   XoX",
           "   XoX", "   XoX", "   XoX", "   XXX"});
      ic->hotspot = POINT{c, c - 10};
      break;
    case 32640:  // size (legacy)
    case 32646:  // size all
      SizeArrow(ic, c, c, 1, 0, 9);
      SizeArrow(ic, c, c, 0, 1, 9);
      ic->hotspot = POINT{c, c};
      break;
    case 32642: SizeArrow(ic, c, c, 1, 1, 7); ic->hotspot = POINT{c, c}; break;   // NW-SE
    case 32643: SizeArrow(ic, c, c, 1, -1, 7); ic->hotspot = POINT{c, c}; break;  // NE-SW
    case 32644: SizeArrow(ic, c, c, 1, 0, 10); ic->hotspot = POINT{c, c}; break;  // W-E
    case 32645: SizeArrow(ic, c, c, 0, 1, 10); ic->hotspot = POINT{c, c}; break;  // N-S
    case 32648: {  // no: a ring with a bar
      for (int y = 0; y < kCursorSize; ++y)
        for (int x = 0; x < kCursorSize; ++x) {
          double d = std::hypot(x - c, y - c);
          bool ring = d >= 7 && d <= 10;
          bool bar = std::abs((x - c) - (y - c)) <= 1 && d < 8;
          if (ring || bar) Put(ic, x, y, 0);
          else if (d > 10 && d <= 11) Put(ic, x, y, kWhite);
        }
      ic->hotspot = POINT{c, c};
      break;
    }
    case 32649:  // hand, pointing up with the index finger
      Art(ic, 8, 0,
          {"     XX", "    XooX", "    XooX", "    XooX", "    XooX", "    XooXXX", "    XooXooXXX", "    XooXooXooXX",
           " XX XooXooXooXoX", "XooXXoooooooooooX", "XoooXoooooooooooX", " XooXoooooooooooX", "  XoXoooooooooooX",
           "  XooooooooooooooX", "   XoooooooooooooX", "   XooooooooooooX", "    XoooooooooooX", "     XoooooooooX",
           "     XoooooooooX", "      XXXXXXXXX"});
      ic->hotspot = POINT{13, 0};
      break;
    case 32650:  // arrow with a small hourglass
      ArrowArt(ic, 0, 0);
      Art(ic, 12, 12, {"XXXXXXX", "XoooooX", " XoXoX", "  XoX", "  XoX", " XoooX", "XoXoXoX", "XXXXXXX"});
      break;
    case 32651:  // arrow with a question mark
      ArrowArt(ic, 0, 0);
      Art(ic, 13, 2, {" XXXX", "XooooX", "XoXXooX", " X  XoX", "   XoX", "  XoX", "  XoX", "  XXX", "  XoX", "  XXX"});
      break;
    default: ArrowArt(ic, 0, 0); break;  // arrow and anything unknown
  }
  return ic;
}

Icon* MakeStockIcon(uintptr_t id) {
  Icon* ic = NewIcon(32, 32);
  auto disc = [&](uint32_t fill) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        double d = std::hypot(x + 0.5 - 16, y + 0.5 - 16);
        if (d <= 14) Put(ic, x, y, d > 13 ? 0 : fill);
      }
  };
  switch (id) {
    case 32513:  // hand / error: red disc with a white cross
      disc(0xCC0000);
      for (int t = -6; t <= 6; ++t)
        for (int w = 0; w < 3; ++w) {
          Put(ic, 16 + t + w - 1, 16 + t, kWhite);
          Put(ic, 16 + t + w - 1, 16 - t, kWhite);
        }
      break;
    case 32514:  // question: blue disc with a white question mark
      disc(0x2050C0);
      Art(ic, 12, 7, {" oooooo", "oo    oo", "      oo", "     oo", "    oo", "   oo", "   oo", "", "   oo", "   oo"});
      break;
    case 32515:  // exclamation: yellow triangle with a black bar
      for (int y = 3; y < 29; ++y) {
        int half = (y - 3) / 2 + 1;
        for (int x = 16 - half; x < 16 + half; ++x) Put(ic, x, y, (x == 16 - half || x == 15 + half || y == 28) ? 0 : 0xF0C000);
      }
      for (int y = 10; y < 21; ++y) Put(ic, 15, y, 0), Put(ic, 16, y, 0);
      for (int y = 23; y < 26; ++y) Put(ic, 15, y, 0), Put(ic, 16, y, 0);
      break;
    case 32516:  // asterisk / information: blue disc with a white "i"
      disc(0x2050C0);
      for (int y = 8; y < 11; ++y) Put(ic, 15, y, kWhite), Put(ic, 16, y, kWhite);
      for (int y = 13; y < 25; ++y) Put(ic, 15, y, kWhite), Put(ic, 16, y, kWhite);
      break;
    default:  // application: a window with a title bar
      for (int y = 4; y < 28; ++y)
        for (int x = 2; x < 30; ++x) {
          bool frame = x == 2 || x == 29 || y == 4 || y == 27;
          Put(ic, x, y, frame ? 0 : (y < 9 ? 0x000080 : kWhite));
        }
      break;
  }
  return ic;
}

std::mutex gIconsMutex;

// Pictures of stock cursors (owned by the window manager) and stock icons, made on first use.
Icon* StockPicture(HICON h) {
  static const uintptr_t cursorIds[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642, 32643,
                                        32644, 32645, 32646, 32648, 32649, 32650, 32651};
  static std::map<HICON, Icon*>* pictures = new std::map<HICON, Icon*>();
  std::lock_guard<std::mutex> lock(gIconsMutex);
  auto it = pictures->find(h);
  if (it != pictures->end()) return it->second;
  for (uintptr_t id : cursorIds)
    if (StockCursor(reinterpret_cast<LPCSTR>(id)) == h) {
      Icon* ic = MakeCursor(id);
      (*pictures)[h] = ic;
      return ic;
    }
  return nullptr;
}

}  // namespace

Icon* AsIcon(HICON h) {
  GdiObject* o = FindObject(h, 0);
  if (!o) return nullptr;
  if (auto* ic = dynamic_cast<Icon*>(o)) return ic;
  return StockPicture(h);
}

HICON NewIconHandle(Icon* ic) {
  RegisterObject(ic);
  return reinterpret_cast<HICON>(static_cast<GdiObject*>(ic));
}

namespace {
HICON Handle(Icon* ic) { return reinterpret_cast<HICON>(static_cast<GdiObject*>(ic)); }
}  // namespace

// Draws an icon (or cursor) picture scaled to w×h at logical (x, y).
bool DrawIconPicture(HDC hdc, int x, int y, HICON icon, int w, int h, UINT flags) {
  Icon* ic = AsIcon(icon);
  Canvas cv(hdc);
  if (!ic || !cv.dc) return false;
  if (!cv.ok) return true;
  if (w <= 0) w = ic->width;
  if (h <= 0) h = ic->height;
  POINT d = cv.ToDevice(x, y);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      int sx = i * ic->width / w, sy = j * ic->height / h;
      size_t k = static_cast<size_t>(sy) * ic->width + sx;
      uint32_t c = ic->color[k];
      bool transparent = ic->mask[k] != 0;
      if ((flags & DI_NORMAL) == DI_NORMAL && ic->hasAlpha) {
        unsigned a = c >> 24;
        if (a == 0) continue;
        int tx = d.x + i + cv.org.x, ty = d.y + j + cv.org.y;
        if (!cv.Visible(tx, ty)) continue;
        uint32_t& px = cv.Row(ty)[tx];
        uint32_t out = 0;
        for (int s = 0; s <= 16; s += 8) {
          unsigned sc = (c >> s) & 0xFF, dc = (px >> s) & 0xFF;
          out |= ((sc * a + dc * (255 - a)) / 255) << s;
        }
        px = cv.mono ? ToMono(out) : out;
        continue;
      }
      if ((flags & DI_NORMAL) == DI_MASK) {
        PutPixel(cv, d.x + i, d.y + j, transparent ? kWhite : 0, 0xA0);
      } else if ((flags & DI_NORMAL) == DI_IMAGE) {
        PutPixel(cv, d.x + i, d.y + j, c & kWhite, 0xF0);
      } else {
        // (screen AND mask) XOR image: transparent pixels keep the screen, XOR-ed with their image.
        if (!transparent) PutPixel(cv, d.x + i, d.y + j, 0, 0xA0);
        if (c & kWhite) PutPixel(cv, d.x + i, d.y + j, c & kWhite, 0x5A);
      }
    }
  return true;
}

}  // namespace winapi::detail

using namespace winapi::detail;

HICON CreateIconIndirect(ICONINFO* info) {
  if (!info) return nullptr;
  Bitmap* mask = AsBitmap(info->hbmMask);
  Bitmap* color = info->hbmColor ? AsBitmap(info->hbmColor) : nullptr;
  if (!mask || (info->hbmColor && !color)) return nullptr;
  int w = mask->width, h = color ? color->height : mask->height / 2;
  if (color) w = color->width;
  Icon* ic = NewIcon(w, h);
  ic->isIcon = info->fIcon != FALSE;
  ic->hotspot = info->fIcon ? POINT{w / 2, h / 2} : POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t k = static_cast<size_t>(y) * w + x;
      bool inMask = x < mask->width && y < mask->height;
      ic->mask[k] = inMask && mask->At(x, y) ? 1 : 0;
      if (color) {
        ic->color[k] = color->At(x, y);
        if (ic->color[k] >> 24) ic->hasAlpha = true;
      } else if (y + h < mask->height) {
        ic->color[k] = mask->At(x, y + h) & kWhite;  // the lower half of a monochrome icon is its image
      }
    }
  RegisterObject(ic);
  return Handle(ic);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  Icon* ic = AsIcon(icon);
  if (!ic || !info) return FALSE;
  info->fIcon = ic->isIcon ? TRUE : FALSE;
  info->xHotspot = static_cast<DWORD>(ic->hotspot.x);
  info->yHotspot = static_cast<DWORD>(ic->hotspot.y);
  info->hbmMask = NewBitmap(ic->width, ic->height, true);
  info->hbmColor = NewBitmap(ic->width, ic->height, false);
  Bitmap* m = AsBitmap(info->hbmMask);
  Bitmap* c = AsBitmap(info->hbmColor);
  for (int y = 0; y < ic->height; ++y)
    for (int x = 0; x < ic->width; ++x) {
      size_t k = static_cast<size_t>(y) * ic->width + x;
      m->At(x, y) = ic->mask[k] ? kWhite : 0;
      c->At(x, y) = ic->color[k];
    }
  return TRUE;
}

BOOL DestroyIcon(HICON icon) {
  GdiObject* o = FindObject(icon, 0);
  auto* ic = dynamic_cast<Icon*>(o);
  if (!ic) return o ? TRUE : FALSE;  // stock pictures stay
  if (ic->stock) return TRUE;
  UnregisterObject(ic);
  delete ic;
  return TRUE;
}

HICON CopyIcon(HICON icon) {
  Icon* ic = AsIcon(icon);
  if (!ic) return nullptr;
  auto* copy = new Icon(*ic);
  copy->stock = false;
  RegisterObject(copy);
  return Handle(copy);
}

HICON LoadIcon(HINSTANCE, LPCSTR name) {
  static std::map<uintptr_t, Icon*>* stock = new std::map<uintptr_t, Icon*>();
  auto id = reinterpret_cast<uintptr_t>(name);
  if (id < 32512 || id > 32517) return nullptr;
  std::lock_guard<std::mutex> lock(gIconsMutex);
  auto it = stock->find(id);
  if (it != stock->end()) return Handle(it->second);
  Icon* ic = MakeStockIcon(id);
  ic->stock = true;
  RegisterObject(ic);
  (*stock)[id] = ic;
  return Handle(ic);
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
  Icon* ic = AsIcon(icon);
  if (!ic) return FALSE;
  if (!ic->isIcon) {
    x -= ic->hotspot.x;
    y -= ic->hotspot.y;
  }
  return DrawIconPicture(hdc, x, y, icon, 0, 0, DI_NORMAL) ? TRUE : FALSE;
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int w, int h, UINT, HBRUSH flicker, UINT flags) {
  Icon* ic = AsIcon(icon);
  if (!ic) return FALSE;
  if ((flags & DI_NORMAL) == 0) flags |= DI_NORMAL;
  if (w == 0 && (flags & DI_DEFAULTSIZE)) w = GetSystemMetrics(ic->isIcon ? SM_CXICON : SM_CXCURSOR);
  if (h == 0 && (flags & DI_DEFAULTSIZE)) h = GetSystemMetrics(ic->isIcon ? SM_CYICON : SM_CYCURSOR);
  if (flicker) {
    // Drawn off screen over the brush, then copied in one piece.
    int cw = w > 0 ? w : ic->width, ch = h > 0 ? h : ic->height;
    HBITMAP bmp = NewBitmap(cw, ch, false);
    HDC mem = MemoryDCFor(bmp);
    RECT r{0, 0, cw, ch};
    FillRect(mem, &r, flicker);
    DrawIconPicture(mem, 0, 0, icon, cw, ch, flags);
    BitBlt(hdc, x, y, cw, ch, mem, 0, 0, SRCCOPY);
    DeleteDC(mem);
    DeleteObject(bmp);
    return TRUE;
  }
  return DrawIconPicture(hdc, x, y, icon, w, h, flags) ? TRUE : FALSE;
}

namespace winapi {

bool GetCursorImage(HCURSOR cursor, int* width, int* height, POINT* hotspot, uint32_t* argb) {
  Icon* ic = AsIcon(cursor);
  if (!ic) return false;
  if (width) *width = ic->width;
  if (height) *height = ic->height;
  if (hotspot) *hotspot = ic->hotspot;
  if (argb)
    for (size_t k = 0; k < ic->color.size(); ++k) {
      if (ic->mask[k]) argb[k] = 0;
      else argb[k] = ic->hasAlpha ? ic->color[k] : (0xFF000000u | (ic->color[k] & kWhite));
    }
  return true;
}

}  // namespace winapi
