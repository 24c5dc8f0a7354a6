#include "forms/PngImage.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forms/detail/Dib.h"


namespace {

// libpng reports errors by jumping back to the setjmp in the decoding and encoding functions below.
// Those functions hold only plain data, so the jump skips no C++ destructor; what they allocate lives in
// the job record, which the caller owns and cleans up.
struct PngJob {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  char message[256] = {};
  uint32_t width = 0, height = 0;
  uint8_t* pixels = nullptr;  // RGBA rows, malloc'ed
  png_bytep* rows = nullptr;  // malloc'ed
  // Writing
  const uint32_t* argb = nullptr;
  bool alpha = false;
  String* out = nullptr;
};

void OnError(png_structp png, png_const_charp msg) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", msg ? msg : "error");
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (count > job->size - job->pos) png_error(png, "Truncated data");
  std::memcpy(out, job->data + job->pos, count);
  job->pos += count;
}

bool DecodePng(PngJob* job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, job, OnRead);
  png_read_info(png, info);
  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  if (job->width == 0 || job->height == 0 ||
      static_cast<int64_t>(job->width) * job->height > forms_detail::kMaxPixels)
    png_error(png, "Image too large");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(job->width) * 4) png_error(png, "Unexpected pixel layout");
  job->pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->width) * job->height * 4));
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * job->height));
  if (!job->pixels || !job->rows) png_error(png, "Out of memory");
  for (uint32_t y = 0; y < job->height; ++y) job->rows[y] = job->pixels + static_cast<size_t>(y) * job->width * 4;
  png_read_image(png, job->rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

void OnWrite(png_structp png, png_bytep data, png_size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  job->out->append(reinterpret_cast<const char*>(data), count);
}
void OnFlush(png_structp) {}

bool EncodePng(PngJob* job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, job, OnWrite, OnFlush);
  png_set_IHDR(png, info, job->width, job->height, 8, job->alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  size_t channels = job->alpha ? 4 : 3;
  for (uint32_t y = 0; y < job->height; ++y) {
    png_bytep row = job->pixels + static_cast<size_t>(y) * job->width * channels;
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void ReadPngPixels(const void* data, size_t size, int32_t& width, int32_t& height, std::vector<uint32_t>& argb) {
  PngJob job;
  job.data = static_cast<const uint8_t*>(data);
  job.size = size;
  bool ok = DecodePng(&job);
  if (ok) {
    width = static_cast<int32_t>(job.width);
    height = static_cast<int32_t>(job.height);
    argb.resize(static_cast<size_t>(width) * height);
    for (size_t k = 0; k < argb.size(); ++k) {
      const uint8_t* p = job.pixels + 4 * k;
      argb[k] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
  }
  std::free(job.pixels);
  std::free(job.rows);
  if (!ok) throw EPNGError(String("PNG image is not valid (") + (job.message[0] ? job.message : "out of memory") + ")");
}

void TPngImage::Assign(TPersistent* source) {
  if (auto* png = dynamic_cast<TPngImage*>(source)) {
    FWidth = png->FWidth;
    FHeight = png->FHeight;
    FHasAlpha = png->FHasAlpha;
    FPixels = png->FPixels;
    FTransparent = png->FTransparent;
    Changed();
    return;
  }
  if (!source) {
    FWidth = FHeight = 0;
    FHasAlpha = false;
    FPixels.clear();
    Changed();
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(source)) {
    FWidth = bmp->Width();
    FHeight = bmp->Height();
    FHasAlpha = false;
    FPixels.assign(static_cast<size_t>(FWidth) * FHeight, 0);
    for (int32_t y = 0; y < FHeight; ++y) {
      const uint32_t* row = bmp->ScanLine(y);
      for (int32_t x = 0; x < FWidth; ++x) FPixels[static_cast<size_t>(y) * FWidth + x] = row[x] | 0xFF000000u;
    }
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TPngImage::SetSize(int32_t w, int32_t h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == FWidth && h == FHeight) return;
  std::vector<uint32_t> px(static_cast<size_t>(w) * h, 0);
  for (int32_t y = 0; y < std::min(h, FHeight); ++y)
    std::copy_n(&FPixels[static_cast<size_t>(y) * FWidth], std::min(w, FWidth), &px[static_cast<size_t>(y) * w]);
  FPixels = std::move(px);
  if (w > FWidth || h > FHeight) FHasAlpha = true;
  FWidth = w;
  FHeight = h;
  Changed();
}

uint32_t TPngImage::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) throw EPNGError("Pixel out of range");
  return FPixels[static_cast<size_t>(y) * FWidth + x];
}

void TPngImage::Draw(TCanvas* canvas, const RECT& rect) {
  if (Empty()) return;
  DrawAlphaPixels(canvas, rect, FPixels.data(), FWidth, FHeight);
}

void TPngImage::LoadFromStream(TStream* stream) {
  String data = forms_detail::ReadRest(stream);
  int32_t w = 0, h = 0;
  std::vector<uint32_t> px;
  ReadPngPixels(data.data(), data.size(), w, h, px);
  FWidth = w;
  FHeight = h;
  FPixels = std::move(px);
  FHasAlpha = std::any_of(FPixels.begin(), FPixels.end(), [](uint32_t p) { return (p >> 24) != 0xFF; });
  Changed();
}

void TPngImage::SaveToStream(TStream* stream) {
  if (Empty()) return;
  size_t channels = FHasAlpha ? 4 : 3;
  std::vector<uint8_t> rows(FPixels.size() * channels);
  for (size_t k = 0; k < FPixels.size(); ++k) {
    uint32_t p = FPixels[k];
    uint8_t* d = &rows[k * channels];
    d[0] = static_cast<uint8_t>(p >> 16);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p);
    if (FHasAlpha) d[3] = static_cast<uint8_t>(p >> 24);
  }
  String out;
  PngJob job;
  job.width = static_cast<uint32_t>(FWidth);
  job.height = static_cast<uint32_t>(FHeight);
  job.pixels = rows.data();
  job.alpha = FHasAlpha;
  job.out = &out;
  if (!EncodePng(&job)) throw EPNGError(String("Cannot save the PNG image (") + job.message + ")");
  stream->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}
