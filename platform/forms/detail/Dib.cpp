#include "forms/detail/Dib.h"

#include <algorithm>
#include <cstring>

#include "forms/Graphics.h"

namespace forms_detail {

void PutLe16(String& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void PutLe32(String& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

String ReadRest(TStream* stream) {
  int64_t left = stream->Size() - stream->Position();
  if (left <= 0) return String();
  if (left > INT32_MAX) throw EInvalidGraphic("Stream too large for a picture");
  String data(static_cast<size_t>(left), '\0');
  stream->ReadBuffer(data.data(), static_cast<int32_t>(left));
  return data;
}

namespace {

// A mask's shift and width, for bit-field pixels.
struct Field {
  int shift = 0, bits = 0;
  explicit Field(uint32_t mask = 0) {
    if (!mask) return;
    while (!(mask & 1)) mask >>= 1, ++shift;
    while (mask & 1) mask >>= 1, ++bits;
  }
  uint32_t Get(uint32_t v) const {
    if (!bits) return 0;
    uint32_t x = (v >> shift) & ((bits >= 32 ? 0 : (1u << bits)) - 1u);
    if (bits >= 8) return x >> (bits - 8);
    return (x * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
  }
};

}  // namespace

void DecodeDib(const uint8_t* data, size_t size, size_t pixelOffset, bool icon, const String& message,
               TDibImage& out) {
  auto fail = [&]() { throw EInvalidGraphic(message); };
  if (size < 12) fail();
  uint32_t hs = Le32(data);
  bool core = hs == 12;
  if (!core && (hs < 40 || hs > size)) fail();
  int64_t w, h;
  int bpp;
  uint32_t compression = 0, clrUsed = 0;
  if (core) {
    w = Le16(data + 4);
    h = static_cast<int16_t>(Le16(data + 6));
    bpp = Le16(data + 10);
  } else {
    w = static_cast<int32_t>(Le32(data + 4));
    h = static_cast<int32_t>(Le32(data + 8));
    bpp = Le16(data + 14);
    compression = Le32(data + 16);
    clrUsed = Le32(data + 32);
  }
  bool topDown = h < 0;
  if (topDown) h = -h;
  if (icon) h /= 2;
  if (w <= 0 || h <= 0 || w * h > kMaxPixels) fail();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) fail();
  bool rle = compression == 1 || compression == 2;
  bool fields = compression == 3 || compression == 6;
  if (compression > 3 && compression != 6) fail();
  if ((compression == 1 && bpp != 8) || (compression == 2 && bpp != 4) || (fields && bpp != 16 && bpp != 32)) fail();

  // Colour masks: after a 40-byte header, or inside the larger headers.
  size_t pos = hs;
  uint32_t masks[4] = {0, 0, 0, 0};
  if (fields) {
    if (hs == 40) {
      if (size < pos + 12) fail();
      for (int i = 0; i < 3; ++i) masks[i] = Le32(data + pos + 4 * i);
      pos += 12;
    } else {
      for (int i = 0; i < 3; ++i) masks[i] = Le32(data + 40 + 4 * i);
      if (hs >= 56) masks[3] = Le32(data + 52);
    }
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000u;
  }
  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    size_t n = clrUsed ? std::min<uint32_t>(clrUsed, 256) : (1u << bpp);
    size_t entry = core ? 3 : 4;
    if (size < pos + n * entry) fail();
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* e = data + pos + i * entry;
      palette.push_back(0xFF000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0]);
    }
    pos += n * entry;
  }
  if (pixelOffset) pos = pixelOffset;
  if (pos > size) fail();

  const int W = static_cast<int>(w), H = static_cast<int>(h);
  const uint8_t* p = data + pos;
  size_t left = size - pos;
  size_t stride = ((static_cast<size_t>(W) * bpp + 31) / 32) * 4;
  // Uncompressed rows must all be there before anything is allocated for them.
  if (!rle && left < stride * H) fail();
  out.Width = W;
  out.Height = H;
  out.HasAlpha = false;
  out.Pixels.assign(static_cast<size_t>(W) * H, 0xFF000000u);
  out.Mask.clear();
  auto color = [&](size_t index) { return index < palette.size() ? palette[index] : 0xFF000000u; };
  auto rowAt = [&](int fileRow) { return topDown ? fileRow : H - 1 - fileRow; };

  if (rle) {
    // Run-length data: pixels not reached stay the first palette colour.
    std::fill(out.Pixels.begin(), out.Pixels.end(), color(0));
    int x = 0, y = 0;
    size_t i = 0;
    auto put = [&](size_t index) {
      if (x < W && y < H) out.Pixels[static_cast<size_t>(rowAt(y)) * W + x] = color(index);
      ++x;
    };
    while (i + 1 < left && y < H) {
      uint8_t n = p[i], v = p[i + 1];
      i += 2;
      if (n) {
        for (int k = 0; k < n; ++k) put(compression == 1 ? v : (k % 2 ? v & 0x0F : v >> 4));
      } else if (v == 0) {
        x = 0, ++y;
      } else if (v == 1) {
        break;
      } else if (v == 2) {
        if (i + 1 >= left) fail();
        x += p[i], y += p[i + 1];
        i += 2;
      } else {
        size_t bytes = compression == 1 ? v : (v + 1u) / 2;
        if (i + bytes > left) fail();
        for (int k = 0; k < v; ++k) put(compression == 1 ? p[i + k] : (k % 2 ? p[i + k / 2] & 0x0F : p[i + k / 2] >> 4));
        i += (bytes + 1) & ~size_t(1);
      }
    }
    return;
  }

  if (left < stride * H) fail();
  Field fr(masks[0]), fg(masks[1]), fb(masks[2]), fa(masks[3]);
  bool anyAlpha = false;
  for (int fy = 0; fy < H; ++fy) {
    const uint8_t* row = p + stride * fy;
    uint32_t* dst = out.Pixels.data() + static_cast<size_t>(rowAt(fy)) * W;
    for (int x = 0; x < W; ++x) {
      switch (bpp) {
        case 1: dst[x] = color((row[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: dst[x] = color(x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4); break;
        case 8: dst[x] = color(row[x]); break;
        case 24: dst[x] = 0xFF000000u | (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x]; break;
        default: {
          uint32_t v = bpp == 16 ? Le16(row + 2 * x) : Le32(row + 4 * x);
          uint32_t a = fa.bits ? fa.Get(v) : 0;
          if (a) anyAlpha = true;
          dst[x] = (a << 24) | (fr.Get(v) << 16) | (fg.Get(v) << 8) | fb.Get(v);
        }
      }
    }
  }
  if (bpp == 16 || bpp == 32) {
    // Alpha counts only for icons and for images that really use it; all-zero alpha is opaque.
    out.HasAlpha = anyAlpha && (icon || fields || bpp == 32);
    if (!out.HasAlpha)
      for (uint32_t& px : out.Pixels) px |= 0xFF000000u;
  }
  if (icon) {
    size_t mstride = ((static_cast<size_t>(W) + 31) / 32) * 4;
    out.Mask.assign(static_cast<size_t>(W) * H, 0);
    const uint8_t* m = p + stride * H;
    if (left >= stride * H + mstride * H) {
      for (int fy = 0; fy < H; ++fy)
        for (int x = 0; x < W; ++x)
          out.Mask[static_cast<size_t>(rowAt(fy)) * W + x] = (m[mstride * fy + x / 8] >> (7 - x % 8)) & 1;
    } else if (!out.HasAlpha) {
      fail();
    }
    if (out.HasAlpha)
      for (size_t k = 0; k < out.Mask.size(); ++k) out.Mask[k] = (out.Pixels[k] >> 24) == 0;
  }
}

namespace {
void PutInfoHeader(String& s, int32_t w, int32_t h, uint32_t imageBytes) {
  PutLe32(s, 40);
  PutLe32(s, static_cast<uint32_t>(w));
  PutLe32(s, static_cast<uint32_t>(h));
  PutLe16(s, 1);
  PutLe16(s, 32);
  PutLe32(s, 0);  // BI_RGB
  PutLe32(s, imageBytes);
  PutLe32(s, 3780);  // 96 pixels per inch
  PutLe32(s, 3780);
  PutLe32(s, 0);
  PutLe32(s, 0);
}
}  // namespace

String EncodeBitmapFile(const uint32_t* pixels, int32_t width, int32_t height) {
  uint32_t imageBytes = static_cast<uint32_t>(width) * height * 4;
  String s;
  s.reserve(54 + imageBytes);
  s += "BM";
  PutLe32(s, 54 + imageBytes);
  PutLe32(s, 0);
  PutLe32(s, 54);
  PutInfoHeader(s, width, height, imageBytes);
  for (int32_t y = height - 1; y >= 0; --y)
    for (int32_t x = 0; x < width; ++x) PutLe32(s, pixels[static_cast<size_t>(y) * width + x] & 0x00FFFFFFu);
  return s;
}

String EncodeIconDib(const uint32_t* argb, const uint8_t* mask, int32_t width, int32_t height) {
  size_t mstride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  String s;
  PutInfoHeader(s, width, height * 2, static_cast<uint32_t>(width * height * 4 + mstride * height));
  for (int32_t y = height - 1; y >= 0; --y)
    for (int32_t x = 0; x < width; ++x) PutLe32(s, argb[static_cast<size_t>(y) * width + x]);
  for (int32_t y = height - 1; y >= 0; --y) {
    String row(mstride, '\0');
    for (int32_t x = 0; x < width; ++x) {
      size_t k = static_cast<size_t>(y) * width + x;
      bool clear = mask ? mask[k] != 0 : (argb[k] >> 24) == 0;
      if (clear) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    s += row;
  }
  return s;
}

}  // namespace forms_detail
