#include "forms/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "forms/detail/Dib.h"

namespace {

// libjpeg reports errors through error_exit, which must not return. Ours jumps back to the setjmp in the
// coding functions below; those hold only plain data (the compressor or decompressor record), so the
// jump skips no C++ destructor, and whatever they allocate lives in the job, which the caller frees.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int code;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings are silent, except that data ending early is a broken file, not a picture with a grey tail.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorExit(cinfo);
  if (level == -1) cinfo->err->num_warnings++;
}

struct JpegJob {
  JpegErrorManager err;
  // Decoding
  const uint8_t* data = nullptr;
  size_t size = 0;
  int scaleDenom = 1;
  bool grayscale = false;
  bool fast = false;
  uint32_t width = 0, height = 0;
  uint8_t* pixels = nullptr;  // 0xAARRGGBB... as 32-bit words, malloc'ed
  // Encoding
  const uint32_t* source = nullptr;
  int quality = 90;
  bool progressive = false;
  unsigned char* out = nullptr;  // made by libjpeg's memory destination (malloc'ed)
  unsigned long outSize = 0;
  uint8_t* row = nullptr;  // malloc'ed
};

void InitErrors(JpegJob* job) {
  jpeg_std_error(&job->err.pub);
  job->err.pub.error_exit = ErrorExit;
  job->err.pub.emit_message = EmitMessage;
  job->err.message[0] = '\0';
  job->err.code = 0;
}

bool DecodeJpeg(JpegJob* job) {
  jpeg_decompress_struct cinfo;
  InitErrors(job);
  cinfo.err = &job->err.pub;
  if (setjmp(job->err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
  jpeg_read_header(&cinfo, TRUE);
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : job->grayscale ? JCS_GRAYSCALE : JCS_RGB;
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(job->scaleDenom);
  if (job->fast) {
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
  }
  jpeg_calc_output_dimensions(&cinfo);
  if (cinfo.output_width == 0 || cinfo.output_height == 0 ||
      static_cast<int64_t>(cinfo.output_width) * cinfo.output_height > forms_detail::kMaxPixels) {
    std::snprintf(job->err.message, sizeof job->err.message, "Image too large");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  job->width = cinfo.output_width;
  job->height = cinfo.output_height;
  int comps = cinfo.output_components;
  job->pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->width) * job->height * 4));
  job->row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->width) * comps));
  if (!job->pixels || !job->row) {
    std::snprintf(job->err.message, sizeof job->err.message, "Out of memory");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  auto* out = reinterpret_cast<uint32_t*>(job->pixels);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {job->row};
    uint32_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, rows, 1);
    uint32_t* dst = out + static_cast<size_t>(y) * job->width;
    for (uint32_t x = 0; x < job->width; ++x) {
      const uint8_t* p = job->row + static_cast<size_t>(x) * comps;
      uint32_t r, g, b;
      if (comps == 1) {
        r = g = b = p[0];
      } else if (comps == 4) {
        // Adobe's CMYK is stored inverted: the samples are 255 - ink.
        r = p[0] * p[3] / 255, g = p[1] * p[3] / 255, b = p[2] * p[3] / 255;
      } else {
        r = p[0], g = p[1], b = p[2];
      }
      if (cmyk && job->grayscale) r = g = b = (r * 77 + g * 150 + b * 29) >> 8;
      dst[x] = (r << 16) | (g << 8) | b;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool EncodeJpeg(JpegJob* job) {
  jpeg_compress_struct cinfo;
  InitErrors(job);
  cinfo.err = &job->err.pub;
  if (setjmp(job->err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &job->out, &job->outSize);
  cinfo.image_width = job->width;
  cinfo.image_height = job->height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (job->grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&cinfo, job->quality, TRUE);
  if (job->progressive) jpeg_simple_progression(&cinfo);
  job->row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->width) * 3));
  if (!job->row) {
    std::snprintf(job->err.message, sizeof job->err.message, "Out of memory");
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint32_t* src = job->source + static_cast<size_t>(cinfo.next_scanline) * job->width;
    for (uint32_t x = 0; x < job->width; ++x) {
      job->row[3 * x] = static_cast<uint8_t>(src[x] >> 16);
      job->row[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
      job->row[3 * x + 2] = static_cast<uint8_t>(src[x]);
    }
    JSAMPROW rows[1] = {job->row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

[[noreturn]] void RaiseJpeg(const JpegJob& job) {
  if (job.err.code) throw EJPEG("JPEG error #" + std::to_string(job.err.code) + ": " + job.err.message);
  throw EJPEG(String("JPEG error: ") + job.err.message);
}

}  // namespace

TJPEGImage::~TJPEGImage() { FreeBitmap(); }

void TJPEGImage::FreeBitmap() {
  FreeAndNil(FBitmap);
}

void TJPEGImage::BitmapChanged(TObject*) {
  // The picture was edited: the bytes no longer show it.
  FData.clear();
  FDataFromBitmap = false;
  Changed();
}

void TJPEGImage::Assign(TPersistent* source) {
  if (auto* j = dynamic_cast<TJPEGImage*>(source)) {
    if (j == this) return;
    FreeBitmap();
    FData = j->FData;
    FDataFromBitmap = j->FDataFromBitmap;
    FQuality = j->FQuality;
    FGrayscale = j->FGrayscale;
    FScale = j->FScale;
    FPerformance = j->FPerformance;
    FPixelFormat = j->FPixelFormat;
    FProgressiveEncoding = j->FProgressiveEncoding;
    FProgressiveDisplay = j->FProgressiveDisplay;
    FSmoothing = j->FSmoothing;
    if (j->FBitmap && FData.empty()) {
      FBitmap = New<TBitmap>();
      FBitmap->Assign(j->FBitmap);
      FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
    }
    Changed();
    return;
  }
  if (!source) {
    NewImage();
    Changed();
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source)) {
    auto* bmp = New<TBitmap>();
    try {
      bmp->Assign(g);
    } catch (...) {
      bmp->Free();
      throw;
    }
    FreeBitmap();
    FData.clear();
    FBitmap = bmp;
    FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
    Changed();
    return;
  }
  inherited::Assign(source);
}

int32_t TJPEGImage::Width() const {
  if (FData.empty() && !FBitmap) return 0;
  const_cast<TJPEGImage*>(this)->DIBNeeded();
  return FBitmap->Width();
}

int32_t TJPEGImage::Height() const {
  if (FData.empty() && !FBitmap) return 0;
  const_cast<TJPEGImage*>(this)->DIBNeeded();
  return FBitmap->Height();
}

bool TJPEGImage::Empty() const { return FData.empty() && (!FBitmap || FBitmap->Empty()); }

void TJPEGImage::SetCompressionQuality(TJPEGQualityRange v) {
  v = std::clamp(v, 1, 100);
  if (v == FQuality) return;
  FQuality = v;
  // Bytes we compressed ourselves are redone with the new quality; loaded bytes stay as they are.
  if (FDataFromBitmap && FBitmap) FData.clear();
}

void TJPEGImage::SetProgressiveEncoding(bool v) {
  if (v == FProgressiveEncoding) return;
  FProgressiveEncoding = v;
  if (FDataFromBitmap && FBitmap) FData.clear();
}

void TJPEGImage::SetGrayscale(bool v) {
  if (v == FGrayscale) return;
  FGrayscale = v;
  if (!FData.empty()) FreeBitmap();
  Changed();
}

void TJPEGImage::SetScale(TJPEGScale v) {
  if (v == FScale) return;
  FScale = v;
  if (!FData.empty()) FreeBitmap();
  Changed();
}

void TJPEGImage::SetPerformance(TJPEGPerformance v) {
  if (v == FPerformance) return;
  FPerformance = v;
  if (!FData.empty()) FreeBitmap();
  Changed();
}

void TJPEGImage::Decode() {
  JpegJob job;
  job.data = reinterpret_cast<const uint8_t*>(FData.data());
  job.size = FData.size();
  job.scaleDenom = 1 << FScale;
  job.grayscale = FGrayscale;
  job.fast = FPerformance == jpBestSpeed;
  bool ok = DecodeJpeg(&job);
  std::free(job.row);
  if (!ok) {
    std::free(job.pixels);
    RaiseJpeg(job);
  }
  auto* bmp = New<TBitmap>();
  try {
    bmp->SetSize(static_cast<int32_t>(job.width), static_cast<int32_t>(job.height));
    const auto* px = reinterpret_cast<const uint32_t*>(job.pixels);
    for (uint32_t y = 0; y < job.height; ++y)
      std::memcpy(bmp->ScanLine(static_cast<int32_t>(y)), px + static_cast<size_t>(y) * job.width, job.width * 4u);
  } catch (...) {
    std::free(job.pixels);
    bmp->Free();
    throw;
  }
  std::free(job.pixels);
  FreeBitmap();
  FBitmap = bmp;
  FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
}

void TJPEGImage::DIBNeeded() {
  if (FBitmap) return;
  if (FData.empty()) {
    FBitmap = New<TBitmap>();
    FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
    return;
  }
  Decode();
}

void TJPEGImage::Compress() {
  if (!FBitmap || FBitmap->Empty()) {
    if (FData.empty()) throw EJPEG("JPEG error: no image to compress");
    return;
  }
  JpegJob job;
  job.width = static_cast<uint32_t>(FBitmap->Width());
  job.height = static_cast<uint32_t>(FBitmap->Height());
  job.source = FBitmap->ScanLine(0);
  job.quality = FQuality;
  job.grayscale = FGrayscale;
  job.progressive = FProgressiveEncoding;
  bool ok = EncodeJpeg(&job);
  std::free(job.row);
  if (!ok) {
    std::free(job.out);
    RaiseJpeg(job);
  }
  FData.assign(reinterpret_cast<const char*>(job.out), job.outSize);
  std::free(job.out);
  FDataFromBitmap = true;
}

void TJPEGImage::JPEGNeeded() {
  if (FData.empty()) Compress();
}

TBitmap* TJPEGImage::Bitmap() {
  DIBNeeded();
  return FBitmap;
}

void TJPEGImage::NewBitmap() {
  FreeBitmap();
  FData.clear();
  FDataFromBitmap = false;
  FBitmap = New<TBitmap>();
  FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
}

void TJPEGImage::NewImage() {
  FreeBitmap();
  FData.clear();
  FDataFromBitmap = false;
}

void TJPEGImage::Draw(TCanvas* canvas, const RECT& rect) {
  if (Empty()) return;
  DIBNeeded();
  FBitmap->Draw(canvas, rect);
}

void TJPEGImage::LoadFromStream(TStream* stream) {
  // Decoded at once, so that a damaged file fails here and leaves this image as it was.
  TJPEGImage loaded;
  loaded.FData = forms_detail::ReadRest(stream);
  loaded.FGrayscale = FGrayscale;
  loaded.FScale = FScale;
  loaded.FPerformance = FPerformance;
  if (loaded.FData.empty()) throw EJPEG("JPEG error: no data");
  loaded.Decode();
  FreeBitmap();
  FData = std::move(loaded.FData);
  FDataFromBitmap = false;
  FBitmap = loaded.FBitmap;
  loaded.FBitmap = nullptr;
  FBitmap->OnChange = TNotifyEvent(this, &TJPEGImage::BitmapChanged);
  Changed();
}

void TJPEGImage::SaveToStream(TStream* stream) {
  if (Empty()) return;
  JPEGNeeded();
  stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::ReadData(TStream* stream) {
  int32_t size = 0;
  stream->ReadBuffer(&size, 4);
  if (size < 0 || size > stream->Size() - stream->Position()) throw EJPEG("JPEG error: bad data size");
  String bytes(static_cast<size_t>(size), '\0');
  if (size) stream->ReadBuffer(bytes.data(), size);
  TStringStream data(std::move(bytes));
  LoadFromStream(&data);
}

void TJPEGImage::WriteData(TStream* stream) {
  if (!Empty()) JPEGNeeded();
  auto size = static_cast<int32_t>(FData.size());
  stream->WriteBuffer(&size, 4);
  if (size) stream->WriteBuffer(FData.data(), size);
}
