#pragma once
// Device-independent bitmaps as files store them: the reader behind bitmap and icon files and the
// writers of the formats we save. Pixels are 0xAARRGGBB, top-down.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rtl/Streams.h"

namespace forms_detail {

struct TDibImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint32_t> Pixels;  // alpha 0xFF where the image has no alpha of its own
  bool HasAlpha = false;         // 32-bit images whose alpha bytes are not all zero
  std::vector<uint8_t> Mask;     // icons: 1 where the screen shows through
};

// Decodes the DIB at data (its header first). pixelOffset, when not zero, is where the pixel rows start
// (counted from data); otherwise they follow the colour table. An icon image holds twice its height:
// the colour rows and then the 1-bit mask. Raises EInvalidGraphic with message on bad data.
void DecodeDib(const uint8_t* data, size_t size, size_t pixelOffset, bool icon, const String& message,
               TDibImage& out);

// A bitmap file of 32 bits per pixel (bottom-up rows, alpha bytes zero).
String EncodeBitmapFile(const uint32_t* pixels, int32_t width, int32_t height);
// An icon image: a 32-bit DIB with alpha followed by its 1-bit mask (mask may be null: from alpha).
String EncodeIconDib(const uint32_t* argb, const uint8_t* mask, int32_t width, int32_t height);

// Little-endian helpers for the readers.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
void PutLe16(String& s, uint16_t v);
void PutLe32(String& s, uint32_t v);

// The rest of a stream from its position (a graphic's stream data is everything that follows).
String ReadRest(TStream* stream);

// The largest picture we decode (pixels): more is taken as damage, not as a picture.
constexpr int64_t kMaxPixels = int64_t(1) << 26;

}  // namespace forms_detail
