// Icons: icon files with several images, the image nearest to the wanted size picked for drawing.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "forms/Graphics.h"
#include "forms/PngImage.h"
#include "forms/detail/Dib.h"

using forms_detail::Le16;
using forms_detail::Le32;

namespace {
const char kIconError[] = "Icon image is not valid";

bool IsPng(const String& data) { return data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0; }

// The pixels and mask of an icon image, whichever way it is stored.
void DecodeIconImage(const String& data, forms_detail::TDibImage& out) {
  if (IsPng(data)) {
    ReadPngPixels(data.data(), data.size(), out.Width, out.Height, out.Pixels);
    out.HasAlpha = true;
    out.Mask.resize(out.Pixels.size());
    for (size_t k = 0; k < out.Pixels.size(); ++k) out.Mask[k] = (out.Pixels[k] >> 24) == 0;
    return;
  }
  forms_detail::DecodeDib(reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0, true, kIconError, out);
}

HBITMAP NewDib(int32_t w, int32_t h, uint32_t** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  if (!b) throw EOutOfResources("Out of system resources");
  *bits = static_cast<uint32_t*>(p);
  return b;
}
}  // namespace

TIcon::TIcon() { FTransparent = true; }

TIcon::~TIcon() { FreeHandle(); }

void TIcon::FreeHandle() {
  if (FHandle) DestroyIcon(FHandle);
  FHandle = nullptr;
}

void TIcon::Assign(TPersistent* source) {
  if (auto* icon = dynamic_cast<TIcon*>(source)) {
    if (icon == this) return;
    FreeHandle();
    FImages = icon->FImages;
    FRequestedWidth = icon->FRequestedWidth;
    FRequestedHeight = icon->FRequestedHeight;
    Changed();
    return;
  }
  if (!source) {
    FreeHandle();
    FImages.clear();
    Changed();
    return;
  }
  inherited::Assign(source);
}

bool TIcon::Empty() const { return FImages.empty(); }

int32_t TIcon::PickImage() const {
  if (FImages.empty()) return -1;
  int32_t wantW = FRequestedWidth > 0 ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
  int32_t wantH = FRequestedHeight > 0 ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
  // Nearest size first; among equals the richer colours, then the larger image (shrinking looks better).
  int32_t best = 0;
  auto key = [&](const TIconImage& im) {
    return std::make_tuple(-(std::abs(im.Width - wantW) + std::abs(im.Height - wantH)), im.BitCount, im.Width);
  };
  for (int32_t i = 1; i < ImageCount(); ++i)
    if (key(FImages[static_cast<size_t>(i)]) > key(FImages[static_cast<size_t>(best)])) best = i;
  return best;
}

int32_t TIcon::Width() const {
  int32_t i = PickImage();
  return i < 0 ? 0 : FImages[static_cast<size_t>(i)].Width;
}

int32_t TIcon::Height() const {
  int32_t i = PickImage();
  return i < 0 ? 0 : FImages[static_cast<size_t>(i)].Height;
}

SIZE TIcon::ImageSize(int32_t index) const {
  if (index < 0 || index >= ImageCount()) throw EInvalidGraphic("Icon image index out of range");
  return SIZE{FImages[static_cast<size_t>(index)].Width, FImages[static_cast<size_t>(index)].Height};
}

void TIcon::SetSize(int32_t w, int32_t h) {
  if (w == FRequestedWidth && h == FRequestedHeight) return;
  FRequestedWidth = w;
  FRequestedHeight = h;
  FreeHandle();
  Changed();
}

HICON TIcon::MakeHandle(const TIconImage& image) {
  forms_detail::TDibImage dib;
  DecodeIconImage(image.Data, dib);
  uint32_t *color = nullptr, *mask = nullptr;
  HBITMAP hc = NewDib(dib.Width, dib.Height, &color);
  HBITMAP hm = nullptr;
  try {
    hm = NewDib(dib.Width, dib.Height, &mask);
  } catch (...) {
    DeleteObject(hc);
    throw;
  }
  for (size_t k = 0; k < dib.Pixels.size(); ++k) {
    // Without alpha of its own the image is drawn through its mask, so no alpha byte may remain.
    color[k] = dib.HasAlpha ? dib.Pixels[k] : dib.Pixels[k] & 0x00FFFFFFu;
    mask[k] = dib.Mask[k] ? 0x00FFFFFFu : 0;
  }
  ICONINFO info{TRUE, 0, 0, hm, hc};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(hc);
  DeleteObject(hm);
  if (!icon) throw EOutOfResources("Out of system resources");
  return icon;
}

HICON TIcon::Handle() {
  if (!FHandle) {
    int32_t i = PickImage();
    if (i >= 0) FHandle = MakeHandle(FImages[static_cast<size_t>(i)]);
  }
  return FHandle;
}

void TIcon::SetHandle(HICON value) {
  std::vector<TIconImage> images;
  if (value) {
    ICONINFO info{};
    if (!GetIconInfo(value, &info)) throw EInvalidGraphic(kIconError);
    BITMAP bm{};
    GetObject(info.hbmColor, sizeof(bm), &bm);
    int32_t w = bm.bmWidth, h = bm.bmHeight;
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    std::vector<uint8_t> maskBits(static_cast<size_t>((w + 15) / 16 * 2) * h);
    GetBitmapBits(info.hbmColor, static_cast<LONG>(argb.size() * 4), argb.data());
    GetBitmapBits(info.hbmMask, static_cast<LONG>(maskBits.size()), maskBits.data());
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    std::vector<uint8_t> mask(argb.size());
    size_t rb = static_cast<size_t>((w + 15) / 16 * 2);
    bool anyAlpha = std::any_of(argb.begin(), argb.end(), [](uint32_t p) { return (p >> 24) != 0; });
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        size_t k = static_cast<size_t>(y) * w + x;
        mask[k] = (maskBits[y * rb + x / 8] >> (7 - x % 8)) & 1;
        // An image without alpha becomes opaque where the mask shows it, clear elsewhere.
        if (!anyAlpha) argb[k] = mask[k] ? 0 : (argb[k] | 0xFF000000u);
      }
    images.push_back(TIconImage{w, h, 32, forms_detail::EncodeIconDib(argb.data(), mask.data(), w, h)});
  }
  FreeHandle();
  FImages = std::move(images);
  FHandle = value;
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON h = Handle();
  FHandle = nullptr;
  return h;
}

void TIcon::Draw(TCanvas* canvas, const RECT& rect) {
  if (Empty()) return;
  DrawIconEx(canvas->Handle(), rect.left, rect.top, Handle(), rect.right - rect.left, rect.bottom - rect.top, 0, nullptr,
             DI_NORMAL);
}

void TIcon::LoadFromStream(TStream* stream) {
  String data = forms_detail::ReadRest(stream);
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  if (data.size() < 6 || Le16(p) != 0 || Le16(p + 2) != 1) throw EInvalidGraphic(kIconError);
  size_t count = Le16(p + 4);
  if (count == 0 || data.size() < 6 + 16 * count) throw EInvalidGraphic(kIconError);
  std::vector<TIconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = p + 6 + 16 * i;
    uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
    if (offset > data.size() || bytes > data.size() - offset || bytes < 12) throw EInvalidGraphic(kIconError);
    TIconImage image;
    image.Data = data.substr(offset, bytes);
    // The sizes come from the image itself; the directory's bytes cannot say 256 and are often wrong.
    forms_detail::TDibImage dib;
    DecodeIconImage(image.Data, dib);
    image.Width = dib.Width;
    image.Height = dib.Height;
    image.BitCount = IsPng(image.Data) ? 32 : Le16(reinterpret_cast<const uint8_t*>(image.Data.data()) + 14);
    images.push_back(std::move(image));
  }
  FreeHandle();
  FImages = std::move(images);
  Changed();
}

void TIcon::SaveToStream(TStream* stream) {
  if (FImages.empty()) return;
  String out;
  forms_detail::PutLe16(out, 0);
  forms_detail::PutLe16(out, 1);
  forms_detail::PutLe16(out, static_cast<uint16_t>(FImages.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * FImages.size());
  for (auto& im : FImages) {
    out.push_back(static_cast<char>(im.Width >= 256 ? 0 : im.Width));
    out.push_back(static_cast<char>(im.Height >= 256 ? 0 : im.Height));
    out.push_back(static_cast<char>(im.BitCount <= 4 ? 1 << im.BitCount : 0));
    out.push_back('\0');
    forms_detail::PutLe16(out, 1);
    forms_detail::PutLe16(out, static_cast<uint16_t>(im.BitCount));
    forms_detail::PutLe32(out, static_cast<uint32_t>(im.Data.size()));
    forms_detail::PutLe32(out, offset);
    offset += static_cast<uint32_t>(im.Data.size());
  }
  for (auto& im : FImages) out += im.Data;
  stream->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}
