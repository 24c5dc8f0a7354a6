// Image lists: images kept as 0xAARRGGBB pixels with a transparency mask, drawn pixel by pixel.

#include <algorithm>
#include <vector>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"

namespace winapi::detail {
namespace {

struct Image {
  std::vector<uint32_t> px;
  std::vector<uint8_t> mask;  // 1: transparent
  bool alpha = false;         // 32-bit images with an alpha channel blend instead of masking
};

struct ImageList : GdiObject {
  ImageList() : GdiObject(0) {}
  int cx = 16;
  int cy = 16;
  UINT flags = 0;
  COLORREF bk = CLR_NONE;
  std::vector<Image> images;
  int overlays[16];
  bool Masked() const { return (flags & ILC_MASK) != 0; }
  bool Color32() const { return (flags & 0xFE) == ILC_COLOR32; }
};

ImageList* AsList(HIMAGELIST h) { return dynamic_cast<ImageList*>(FindObject(h, 0)); }

HIMAGELIST Handle(ImageList* l) { return reinterpret_cast<HIMAGELIST>(static_cast<GdiObject*>(l)); }

Image BlankImage(const ImageList* l) {
  Image im;
  im.px.assign(static_cast<size_t>(l->cx) * l->cy, 0);
  im.mask.assign(static_cast<size_t>(l->cx) * l->cy, 0);
  return im;
}

// Cuts image `k` of a strip; `mask` (monochrome, set = transparent) or `maskColor` decide transparency.
Image Cut(const ImageList* l, Bitmap* bm, int k, Bitmap* mask, bool useColor, COLORREF maskColor) {
  Image im = BlankImage(l);
  uint32_t mc = ColorToPixel(maskColor);
  bool anyAlpha = false;
  for (int y = 0; y < l->cy; ++y)
    for (int x = 0; x < l->cx; ++x) {
      int sx = k * l->cx + x;
      size_t i = static_cast<size_t>(y) * l->cx + x;
      if (sx >= bm->width || y >= bm->height) {
        im.mask[i] = l->Masked() ? 1 : 0;
        continue;
      }
      uint32_t p = bm->At(sx, y);
      if (!l->Color32() || bm->mono) p &= kWhite;
      im.px[i] = p;
      if (p >> 24) anyAlpha = true;
      if (!l->Masked()) continue;
      if (useColor) {
        if ((p & kWhite) == mc) {
          im.mask[i] = 1;
          im.px[i] = 0;
        }
      } else if (mask && sx < mask->width && y < mask->height) {
        im.mask[i] = mask->At(sx, y) ? 1 : 0;
      }
    }
  if (anyAlpha && l->Color32()) {
    im.alpha = true;
    for (size_t i = 0; i < im.px.size(); ++i) im.mask[i] = (im.px[i] >> 24) == 0 ? 1 : 0;
  } else {
    for (uint32_t& p : im.px) p |= 0xFF000000u;
  }
  return im;
}

int AddStrip(ImageList* l, HBITMAP image, HBITMAP mask, bool useColor, COLORREF maskColor) {
  Bitmap* bm = AsBitmap(image);
  if (!l || !bm) return -1;
  Bitmap* m = mask ? AsBitmap(mask) : nullptr;
  int n = std::max(1, bm->width / l->cx);
  int first = static_cast<int>(l->images.size());
  for (int k = 0; k < n; ++k) l->images.push_back(Cut(l, bm, k, m, useColor, maskColor));
  return first;
}

uint32_t Mix(uint32_t a, uint32_t b, unsigned wb) {  // wb of 256 from b
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) {
    unsigned ca = (a >> s) & 0xFF, cb = (b >> s) & 0xFF;
    out |= ((ca * (256 - wb) + cb * wb) >> 8) << s;
  }
  return out;
}

bool DrawCore(const IMAGELISTDRAWPARAMS& p, bool overlayPass) {
  ImageList* l = AsList(p.himl);
  if (!l || p.i < 0 || p.i >= static_cast<int>(l->images.size())) return false;
  Canvas cv(p.hdcDst);
  if (!cv.dc) return false;
  const Image& im = l->images[static_cast<size_t>(p.i)];
  int w = p.cx > 0 ? std::min(p.cx, l->cx) : l->cx;
  int h = p.cy > 0 ? std::min(p.cy, l->cy) : l->cy;
  UINT style = p.fStyle;
  COLORREF bk = p.rgbBk == CLR_DEFAULT ? l->bk : p.rgbBk;
  if (style & ILD_TRANSPARENT) bk = CLR_NONE;
  COLORREF fg = p.rgbFg == CLR_DEFAULT || p.rgbFg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : p.rgbFg;
  unsigned blend = (style & ILD_BLEND50) ? 128 : (style & ILD_BLEND25) ? 64 : 0;
  bool saturate = (p.fState & ILS_SATURATE) != 0;
  unsigned fade = (p.fState & ILS_ALPHA) ? std::min<DWORD>(p.Frame, 255) : 255;
  POINT d = cv.ToDevice(p.x, p.y);
  if (cv.ok) {
    for (int j = 0; j < h; ++j) {
      int iy = j + p.yBitmap;
      if (iy < 0 || iy >= l->cy) continue;
      for (int i = 0; i < w; ++i) {
        int ix = i + p.xBitmap;
        if (ix < 0 || ix >= l->cx) continue;
        int tx = d.x + i + cv.org.x, ty = d.y + j + cv.org.y;
        if (!cv.Visible(tx, ty)) continue;
        uint32_t& dst = cv.Row(ty)[tx];
        size_t k = static_cast<size_t>(iy) * l->cx + ix;
        bool transparent = (l->Masked() || im.alpha) && im.mask[k];
        if (style & ILD_MASK) {
          // The mask as a monochrome picture in the DC's colours: transparent is the set (background) bit.
          uint32_t m = ColorToPixel(transparent ? cv.dc->bkColor : cv.dc->textColor);
          dst = cv.mono ? ToMono(m) : m;
          continue;
        }
        if (transparent) {
          if (bk != CLR_NONE) dst = cv.Pixel(bk);
          continue;
        }
        uint32_t c = im.px[k];
        unsigned a = im.alpha ? (c >> 24) : 255;
        c &= kWhite;
        if (bk != CLR_NONE && a < 255) {
          dst = cv.Pixel(bk);
        }
        if (saturate) {
          unsigned y = (((c >> 16) & 0xFF) * 77 + ((c >> 8) & 0xFF) * 150 + (c & 0xFF) * 29) >> 8;
          c = (y << 16) | (y << 8) | y;
        }
        if (blend) c = Mix(c, ColorToPixel(fg), blend);
        a = a * fade / 255;
        uint32_t out = a >= 255 ? c : Mix(dst & kWhite, c, a + (a >> 7));
        dst = cv.mono ? ToMono(out) : out;
      }
    }
  }
  UINT overlay = (style & ILD_OVERLAYMASK) >> 8;
  if (!overlayPass && overlay >= 1 && overlay <= 15 && l->overlays[overlay] >= 0) {
    IMAGELISTDRAWPARAMS o = p;
    o.i = l->overlays[overlay];
    o.fStyle = (style & ~(ILD_OVERLAYMASK | ILD_BLEND25 | ILD_BLEND50)) | ILD_TRANSPARENT;
    DrawCore(o, true);
  }
  return true;
}

}  // namespace
}  // namespace winapi::detail

using namespace winapi::detail;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0) return nullptr;
  auto* l = new ImageList();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  std::fill(std::begin(l->overlays), std::end(l->overlays), -1);
  RegisterObject(l);
  return Handle(l);
}

BOOL ImageList_Destroy(HIMAGELIST himl) {
  ImageList* l = AsList(himl);
  if (!l) return FALSE;
  UnregisterObject(l);
  delete l;
  return TRUE;
}

int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask) { return AddStrip(AsList(himl), image, mask, false, 0); }

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF maskColor) {
  return AddStrip(AsList(himl), image, nullptr, true, maskColor & 0xFFFFFF);
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON icon) {
  ImageList* l = AsList(himl);
  Icon* ic = AsIcon(icon);
  if (!l || !ic || i < -1 || i >= static_cast<int>(l->images.size())) return -1;
  Image im = BlankImage(l);
  for (int y = 0; y < l->cy; ++y)
    for (int x = 0; x < l->cx; ++x) {
      int sx = x * ic->width / l->cx, sy = y * ic->height / l->cy;
      size_t k = static_cast<size_t>(sy) * ic->width + sx, t = static_cast<size_t>(y) * l->cx + x;
      im.px[t] = ic->hasAlpha ? ic->color[k] : (ic->color[k] | 0xFF000000u);
      im.mask[t] = ic->mask[k];
    }
  im.alpha = ic->hasAlpha && l->Color32();
  if (i == -1) {
    l->images.push_back(std::move(im));
    return static_cast<int>(l->images.size()) - 1;
  }
  l->images[static_cast<size_t>(i)] = std::move(im);
  return i;
}

int ImageList_AddIcon(HIMAGELIST himl, HICON icon) { return ImageList_ReplaceIcon(himl, -1, icon); }

BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP image, HBITMAP mask) {
  ImageList* l = AsList(himl);
  Bitmap* bm = AsBitmap(image);
  if (!l || !bm || i < 0 || i >= static_cast<int>(l->images.size())) return FALSE;
  l->images[static_cast<size_t>(i)] = Cut(l, bm, 0, mask ? AsBitmap(mask) : nullptr, false, 0);
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST himl, int i) {
  ImageList* l = AsList(himl);
  if (!l || i < -1 || i >= static_cast<int>(l->images.size())) return FALSE;
  if (i == -1) {
    l->images.clear();
    std::fill(std::begin(l->overlays), std::end(l->overlays), -1);
  } else {
    l->images.erase(l->images.begin() + i);
    for (int& o : l->overlays)
      if (o == i) o = -1;
      else if (o > i) --o;
  }
  return TRUE;
}

BOOL ImageList_RemoveAll(HIMAGELIST himl) { return ImageList_Remove(himl, -1); }

int ImageList_GetImageCount(HIMAGELIST himl) {
  ImageList* l = AsList(himl);
  return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT count) {
  ImageList* l = AsList(himl);
  if (!l) return FALSE;
  l->images.resize(count, BlankImage(l));
  return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
  ImageList* l = AsList(himl);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy) {
  ImageList* l = AsList(himl);
  if (!l || cx <= 0 || cy <= 0) return FALSE;
  l->cx = cx;
  l->cy = cy;
  ImageList_Remove(himl, -1);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF color) {
  ImageList* l = AsList(himl);
  if (!l) return CLR_NONE;
  COLORREF old = l->bk;
  l->bk = color == CLR_NONE ? CLR_NONE : (color & 0xFFFFFF);
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST himl) {
  ImageList* l = AsList(himl);
  return l ? l->bk : CLR_NONE;
}

BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int image, int overlay) {
  ImageList* l = AsList(himl);
  if (!l || overlay < 1 || overlay > 15 || image < -1 || image >= static_cast<int>(l->images.size())) return FALSE;
  l->overlays[overlay] = image;
  return TRUE;
}

BOOL ImageList_DrawIndirect(IMAGELISTDRAWPARAMS* p) { return p && DrawCore(*p, false) ? TRUE : FALSE; }

BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
  IMAGELISTDRAWPARAMS p{};
  p.cbSize = sizeof p;
  p.himl = himl;
  p.i = i;
  p.hdcDst = hdc;
  p.x = x;
  p.y = y;
  p.cx = dx;
  p.cy = dy;
  p.rgbBk = bk;
  p.rgbFg = fg;
  p.fStyle = style;
  return ImageList_DrawIndirect(&p);
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdc, int x, int y, UINT style) {
  return ImageList_DrawEx(himl, i, hdc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

HICON ImageList_GetIcon(HIMAGELIST himl, int i, UINT) {
  ImageList* l = AsList(himl);
  if (!l || i < 0 || i >= static_cast<int>(l->images.size())) return nullptr;
  const Image& im = l->images[static_cast<size_t>(i)];
  auto* ic = new Icon();
  ic->width = l->cx;
  ic->height = l->cy;
  ic->hotspot = POINT{l->cx / 2, l->cy / 2};
  ic->hasAlpha = im.alpha;
  ic->color = im.px;
  if (!im.alpha)
    for (uint32_t& p : ic->color) p &= kWhite;
  ic->mask = im.mask;
  if (!l->Masked() && !im.alpha) std::fill(ic->mask.begin(), ic->mask.end(), 0);
  return NewIconHandle(ic);
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST himl) {
  ImageList* l = AsList(himl);
  if (!l) return nullptr;
  auto* copy = new ImageList(*l);
  RegisterObject(copy);
  return Handle(copy);
}

BOOL ImageList_Copy(HIMAGELIST dst, int iDst, HIMAGELIST src, int iSrc, UINT flags) {
  ImageList* d = AsList(dst);
  ImageList* s = AsList(src);
  if (!d || !s || d != s) return FALSE;  // copies within one list, as the platform supports
  int n = static_cast<int>(d->images.size());
  if (iDst < 0 || iSrc < 0 || iDst >= n || iSrc >= n) return FALSE;
  if (flags & ILCF_SWAP)
    std::swap(d->images[static_cast<size_t>(iDst)], d->images[static_cast<size_t>(iSrc)]);
  else
    d->images[static_cast<size_t>(iDst)] = d->images[static_cast<size_t>(iSrc)];
  return TRUE;
}
