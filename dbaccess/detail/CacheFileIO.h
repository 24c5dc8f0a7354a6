#pragma once
// Little-endian integers, length-prefixed strings and flag bytes of the metadata, dataset-information and
// error-message cache files.

#include "rtl/Streams.h"
#include "rtl/System.h"

namespace cachefile {

inline void WriteInt(TStream* s, int32_t v) { s->WriteBuffer(&v, 4); }

inline void WriteStr(TStream* s, const String& v) {
  WriteInt(s, static_cast<int32_t>(v.size()));
  if (!v.empty()) s->WriteBuffer(v.data(), static_cast<int32_t>(v.size()));
}

inline void WriteByte(TStream* s, bool v) {
  const uint8_t b = v ? 1 : 0;
  s->WriteBuffer(&b, 1);
}

inline int32_t ReadInt(TStream* s) {
  int32_t v;
  s->ReadBuffer(&v, 4);
  return v;
}

// A length beyond the end of the stream means a damaged file, not a huge allocation.
inline String ReadStr(TStream* s) {
  const int32_t n = ReadInt(s);
  if (n < 0 || n > s->Size() - s->Position()) throw EReadError("Stream read error");
  String v(static_cast<size_t>(n), '\0');
  if (n) s->ReadBuffer(v.data(), n);
  return v;
}

inline bool ReadByte(TStream* s) {
  uint8_t b;
  s->ReadBuffer(&b, 1);
  return b != 0;
}

}  // namespace cachefile
