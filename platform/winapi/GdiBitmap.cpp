// Bitmaps: device-dependent colour (32-bit) and monochrome bitmaps, DIB sections, and the transfer of
// pixels in and out in device-independent formats (1, 24 and 32 bits per pixel).

#include <algorithm>
#include <cstring>

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/GdiDraw.h"

using namespace winapi::detail;

namespace {

int MonoRowBytes(int width, int align) { return ((width + align * 8 - 1) / (align * 8)) * align; }

// Rows of a device-independent image: stride in bytes and whether row 0 is the bottom one.
int DibStride(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

uint32_t ReadDibPixel(const uint8_t* row, int x, int bpp, const RGBQUAD* colors) {
  switch (bpp) {
    case 1: {
      int bit = (row[x / 8] >> (7 - x % 8)) & 1;
      const RGBQUAD& q = colors[bit];
      return (static_cast<uint32_t>(q.rgbRed) << 16) | (static_cast<uint32_t>(q.rgbGreen) << 8) | q.rgbBlue;
    }
    case 24: return (static_cast<uint32_t>(row[x * 3 + 2]) << 16) | (static_cast<uint32_t>(row[x * 3 + 1]) << 8) | row[x * 3];
    default: {
      uint32_t v;
      std::memcpy(&v, row + x * 4, 4);
      return v;
    }
  }
}

void WriteDibPixel(uint8_t* row, int x, int bpp, uint32_t px) {
  switch (bpp) {
    case 1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
      if (px & kWhite) row[x / 8] |= mask;
      else row[x / 8] &= static_cast<uint8_t>(~mask);
      break;
    }
    case 24:
      row[x * 3] = px & 0xFF;
      row[x * 3 + 1] = (px >> 8) & 0xFF;
      row[x * 3 + 2] = (px >> 16) & 0xFF;
      break;
    default: {
      uint32_t v = px & kWhite;
      std::memcpy(row + x * 4, &v, 4);
      break;
    }
  }
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32)) return nullptr;
  HBITMAP h = NewBitmap(width, height, bpp == 1);
  if (bits) SetBitmapBits(h, 0xFFFFFFFF, bits);
  return h;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  DC* dc = AsDC(hdc);
  if (hdc && !dc) return nullptr;
  // A memory DC still holding its initial bitmap is monochrome, and so are its compatible bitmaps.
  HBITMAP h = NewBitmap(width, height, dc && dc->mono);
  return h;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  if (!info || info->bmiHeader.biBitCount != 32 || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0)
    return nullptr;
  int w = info->bmiHeader.biWidth, h = std::abs(info->bmiHeader.biHeight);
  HBITMAP hb = NewBitmap(w, h, false);
  Bitmap* bm = AsBitmap(hb);
  bm->dib = true;
  bm->bottomUp = info->bmiHeader.biHeight > 0;
  if (bits) *bits = bm->data.data();
  return hb;
}

LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, void* bits) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || !bits) return 0;
  auto* out = static_cast<uint8_t*>(bits);
  if (bm->mono) {
    int rb = MonoRowBytes(bm->width, 2);
    LONG total = std::min<LONG>(bytes, rb * bm->height);
    std::memset(out, 0, static_cast<size_t>(total));
    for (int y = 0; y < bm->height; ++y)
      for (int x = 0; x < bm->width; ++x) {
        LONG at = y * rb + x / 8;
        if (at < total && bm->At(x, y)) out[at] = static_cast<uint8_t>(out[at] | (0x80 >> (x % 8)));
      }
    return total;
  }
  LONG total = std::min<LONG>(bytes, bm->width * bm->height * 4);
  for (LONG i = 0; i < total / 4; ++i) {
    uint32_t v = bm->At(i % bm->width, i / bm->width);
    std::memcpy(out + i * 4, &v, 4);
  }
  return total;
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD bytes, const void* bits) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || !bits) return 0;
  const auto* in = static_cast<const uint8_t*>(bits);
  if (bm->mono) {
    int rb = MonoRowBytes(bm->width, 2);
    LONG total = static_cast<LONG>(std::min<uint64_t>(bytes, static_cast<uint64_t>(rb) * bm->height));
    for (int y = 0; y < bm->height; ++y)
      for (int x = 0; x < bm->width; ++x) {
        LONG at = y * rb + x / 8;
        if (at < total) bm->At(x, y) = ((in[at] >> (7 - x % 8)) & 1) ? kWhite : 0;
      }
    return total;
  }
  LONG total = static_cast<LONG>(std::min<uint64_t>(bytes, static_cast<uint64_t>(bm->width) * bm->height * 4));
  for (LONG i = 0; i < total / 4; ++i) {
    uint32_t v;
    std::memcpy(&v, in + i * 4, 4);
    bm->At(i % bm->width, i / bm->width) = v & kWhite;
  }
  return total;
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || !size) return FALSE;
  *size = SIZE{0, 0};
  return TRUE;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || !info) return 0;
  BITMAPINFOHEADER& hd = info->bmiHeader;
  if (!bits && hd.biBitCount == 0) {
    hd.biWidth = bm->width;
    hd.biHeight = bm->height;
    hd.biPlanes = 1;
    hd.biBitCount = static_cast<WORD>(bm->mono ? 1 : 32);
    hd.biCompression = BI_RGB;
    hd.biSizeImage = static_cast<DWORD>(DibStride(bm->width, hd.biBitCount) * bm->height);
    return bm->height;
  }
  int bpp = hd.biBitCount;
  if (bpp != 1 && bpp != 24 && bpp != 32) return 0;
  if (bpp == 1) {
    info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    info->bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  }
  if (!bits) return static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(bm->height)));
  bool topDown = hd.biHeight < 0;
  int stride = DibStride(bm->width, bpp);
  auto* out = static_cast<uint8_t*>(bits);
  int copied = 0;
  for (UINT line = start; line < start + lines && static_cast<int>(line) < bm->height; ++line) {
    // Scan line numbers count from the bottom of a bottom-up image and from the top of a top-down one.
    int y = topDown ? static_cast<int>(line) : bm->height - 1 - static_cast<int>(line);
    uint8_t* row = out + static_cast<size_t>(line - start) * stride;
    std::memset(row, 0, static_cast<size_t>(stride));
    for (int x = 0; x < bm->width; ++x) {
      uint32_t px = bm->At(x, y);
      WriteDibPixel(row, x, bpp, bpp == 1 && !bm->mono ? ToMono(px) : px);
    }
    ++copied;
  }
  return copied;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
  Bitmap* bm = AsBitmap(bitmap);
  if (!bm || !info || !bits) return 0;
  const BITMAPINFOHEADER& hd = info->bmiHeader;
  int bpp = hd.biBitCount;
  if (bpp != 1 && bpp != 24 && bpp != 32) return 0;
  bool topDown = hd.biHeight < 0;
  int srcH = std::abs(hd.biHeight), stride = DibStride(hd.biWidth, bpp);
  const auto* in = static_cast<const uint8_t*>(bits);
  int copied = 0;
  for (UINT line = start; line < start + lines && static_cast<int>(line) < srcH; ++line) {
    int y = topDown ? static_cast<int>(line) : srcH - 1 - static_cast<int>(line);
    if (y >= bm->height) continue;
    const uint8_t* row = in + static_cast<size_t>(line - start) * stride;
    for (int x = 0; x < std::min<int>(bm->width, hd.biWidth); ++x) {
      uint32_t px = ReadDibPixel(row, x, bpp, info->bmiColors) & kWhite;
      bm->At(x, y) = bm->mono ? ToMono(px) : px;
    }
    ++copied;
  }
  return copied;
}

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) {
  // Only the system's check box sheet exists: 4 × 3 cells of 13 × 13 (check boxes, radio buttons, 3-state
  // boxes; unchecked, checked, pushed unchecked, pushed checked), drawn by our frame controls.
  if (instance || reinterpret_cast<uintptr_t>(name) != OBM_CHECKBOXES) return nullptr;
  const int cell = 13;
  HBITMAP bmp = NewBitmap(cell * 4, cell * 3, false);
  HDC dc = MemoryDCFor(bmp);
  const UINT kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
  const UINT states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col) {
      RECT r{col * cell, row * cell, col * cell + cell, row * cell + cell};
      RECT bg = r;
      FillRect(dc, &bg, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
      DrawFrameControl(dc, &r, DFC_BUTTON, kinds[row] | states[col]);
    }
  DeleteDC(dc);
  return bmp;
}
