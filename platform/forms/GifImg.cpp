#include "forms/GifImg.h"

#include <algorithm>

#include "forms/detail/Dib.h"

using forms_detail::Le16;

namespace {

struct GifFrame {
  int32_t screenW = 0, screenH = 0, left = 0, top = 0, w = 0, h = 0;
  bool transparent = false;
  std::vector<uint32_t> pixels;
};

class GifReader {
public:
  GifReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}

  void Read(GifFrame& f) {
    if (n_ < 13 || (std::string_view(reinterpret_cast<const char*>(p_), 6) != "GIF87a" &&
                    std::string_view(reinterpret_cast<const char*>(p_), 6) != "GIF89a"))
      Fail("not a GIF file");
    pos_ = 6;
    f.screenW = U16();
    f.screenH = U16();
    uint8_t flags = U8();
    U8();  // background colour index
    U8();  // aspect ratio
    std::vector<uint32_t> global;
    if (flags & 0x80) global = Palette(2u << (flags & 7));
    int transparentIndex = -1;
    for (;;) {
      uint8_t block = U8();
      if (block == 0x21) {
        uint8_t label = U8();
        if (label == 0xF9) {
          uint8_t size = U8();
          if (size < 4) Fail("bad graphic control block");
          uint8_t gce = U8();
          U16();  // delay
          uint8_t index = U8();
          Skip(size - 4u);
          transparentIndex = (gce & 1) ? index : -1;
          SkipSubBlocks();
        } else {
          SkipSubBlocks();
        }
      } else if (block == 0x2C) {
        f.left = U16();
        f.top = U16();
        f.w = U16();
        f.h = U16();
        uint8_t iflags = U8();
        if (f.w == 0 || f.h == 0) Fail("empty image");
        std::vector<uint32_t> local;
        if (iflags & 0x80) local = Palette(2u << (iflags & 7));
        const std::vector<uint32_t>& palette = (iflags & 0x80) ? local : global;
        int minCode = U8();
        if (minCode < 2 || minCode > 11) Fail("bad code size");
        std::vector<uint8_t> data;
        for (;;) {
          uint8_t len = U8();
          if (!len) break;
          Need(len);
          data.insert(data.end(), p_ + pos_, p_ + pos_ + len);
          pos_ += len;
        }
        std::vector<uint8_t> indices = Lzw(data, minCode, static_cast<size_t>(f.w) * f.h);
        f.pixels.resize(indices.size());
        f.transparent = transparentIndex >= 0;
        // Interlaced rows come in four passes.
        std::vector<int32_t> order;
        if (iflags & 0x40) {
          static const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
          for (int pass = 0; pass < 4; ++pass)
            for (int32_t y = starts[pass]; y < f.h; y += steps[pass]) order.push_back(y);
        } else {
          for (int32_t y = 0; y < f.h; ++y) order.push_back(y);
        }
        for (int32_t r = 0; r < f.h; ++r)
          for (int32_t x = 0; x < f.w; ++x) {
            uint8_t i = indices[static_cast<size_t>(r) * f.w + x];
            uint32_t c = i < palette.size() ? palette[i] : 0;
            if (i != transparentIndex) c |= 0xFF000000u;
            f.pixels[static_cast<size_t>(order[static_cast<size_t>(r)]) * f.w + x] = c;
          }
        return;
      } else if (block == 0x3B) {
        Fail("no image in the file");
      } else {
        Fail("unknown block");
      }
    }
  }

private:
  [[noreturn]] static void Fail(const char* what) { throw EGIFError(String("GIF image is not valid (") + what + ")"); }
  void Need(size_t k) {
    if (k > n_ - pos_) Fail("truncated data");
  }
  uint8_t U8() {
    Need(1);
    return p_[pos_++];
  }
  uint16_t U16() {
    Need(2);
    uint16_t v = Le16(p_ + pos_);
    pos_ += 2;
    return v;
  }
  void Skip(size_t k) {
    Need(k);
    pos_ += k;
  }
  void SkipSubBlocks() {
    for (uint8_t len = U8(); len; len = U8()) Skip(len);
  }
  std::vector<uint32_t> Palette(size_t count) {
    Need(count * 3);
    std::vector<uint32_t> pal(count);
    for (size_t i = 0; i < count; ++i, pos_ += 3)
      pal[i] = (uint32_t(p_[pos_]) << 16) | (uint32_t(p_[pos_ + 1]) << 8) | p_[pos_ + 2];
    return pal;
  }

  // Variable-length LZW codes, least significant bit first, as GIF packs them.
  static std::vector<uint8_t> Lzw(const std::vector<uint8_t>& data, int minCode, size_t count) {
    const int clear = 1 << minCode, end = clear + 1;
    std::vector<uint16_t> prefix(4096, 0);
    std::vector<uint8_t> suffix(4096, 0), stack;
    stack.reserve(4096);
    for (int i = 0; i < clear; ++i) suffix[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    // Every code is at least minCode + 1 bits and gives at most one string of the 4096-entry table:
    // a size the data cannot fill is refused before room is made for it.
    const size_t most = data.size() * 8 / static_cast<size_t>(minCode + 1) * 4096;
    if (count > most) Fail("truncated image data");
    std::vector<uint8_t> out;
    out.reserve(count);
    int size = minCode + 1, next = end + 1, prev = -1;
    uint8_t first = 0;
    size_t bitPos = 0, totalBits = data.size() * 8;
    while (out.size() < count) {
      if (bitPos + static_cast<size_t>(size) > totalBits) Fail("truncated image data");
      int code = 0;
      for (int b = 0; b < size; ++b, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
      if (code == clear) {
        size = minCode + 1;
        next = end + 1;
        prev = -1;
        continue;
      }
      if (code == end) break;
      int cur = code;
      if (prev < 0) {
        if (code >= clear) Fail("bad code");
        out.push_back(static_cast<uint8_t>(code));
        first = static_cast<uint8_t>(code);
        prev = code;
        continue;
      }
      stack.clear();
      if (code > next || (code == next && next >= 4096)) Fail("bad code");
      if (code == next) {  // the code being defined: the previous string plus its own first byte
        stack.push_back(first);
        cur = prev;
      }
      while (cur >= clear) {
        if (cur > 4095 || stack.size() >= 4096) Fail("bad code");
        stack.push_back(suffix[static_cast<size_t>(cur)]);
        cur = prefix[static_cast<size_t>(cur)];
      }
      stack.push_back(static_cast<uint8_t>(cur));
      first = static_cast<uint8_t>(cur);
      for (auto it = stack.rbegin(); it != stack.rend() && out.size() < count; ++it) out.push_back(*it);
      if (next < 4096) {
        prefix[static_cast<size_t>(next)] = static_cast<uint16_t>(prev);
        suffix[static_cast<size_t>(next)] = first;
        ++next;
        if (next == (1 << size) && size < 12) ++size;
      }
      prev = code;
    }
    if (out.size() < count) Fail("truncated image data");
    return out;
  }

  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

}  // namespace

void TGIFImage::Assign(TPersistent* source) {
  if (auto* g = dynamic_cast<TGIFImage*>(source)) {
    FData = g->FData;
    FWidth = g->FWidth;
    FHeight = g->FHeight;
    FScreenWidth = g->FScreenWidth;
    FScreenHeight = g->FScreenHeight;
    FLeft = g->FLeft;
    FTop = g->FTop;
    FPixels = g->FPixels;
    FTransparent = g->FTransparent;
    Changed();
    return;
  }
  if (!source) {
    FData.clear();
    FWidth = FHeight = FScreenWidth = FScreenHeight = FLeft = FTop = 0;
    FPixels.clear();
    Changed();
    return;
  }
  inherited::Assign(source);
}

uint32_t TGIFImage::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) throw EGIFError("Pixel out of range");
  return FPixels[static_cast<size_t>(y) * FWidth + x];
}

void TGIFImage::Draw(TCanvas* canvas, const RECT& rect) {
  if (Empty()) return;
  if (FTransparent) {
    DrawAlphaPixels(canvas, rect, FPixels.data(), FWidth, FHeight);
    return;
  }
  std::vector<uint32_t> opaque(FPixels);
  for (uint32_t& p : opaque) p |= 0xFF000000u;
  DrawAlphaPixels(canvas, rect, opaque.data(), FWidth, FHeight);
}

void TGIFImage::LoadFromStream(TStream* stream) {
  String data = forms_detail::ReadRest(stream);
  GifFrame f;
  GifReader(reinterpret_cast<const uint8_t*>(data.data()), data.size()).Read(f);
  FData = std::move(data);
  FWidth = f.w;
  FHeight = f.h;
  FScreenWidth = f.screenW;
  FScreenHeight = f.screenH;
  FLeft = f.left;
  FTop = f.top;
  FPixels = std::move(f.pixels);
  FTransparent = f.transparent;
  Changed();
}

void TGIFImage::SaveToStream(TStream* stream) {
  if (!FData.empty()) stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}
