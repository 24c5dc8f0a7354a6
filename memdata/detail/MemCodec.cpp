#include "memdata/detail/MemCodec.h"

#include <algorithm>
#include <cstring>

#include "rtl/Streams.h"

namespace memdata {

namespace {

// Reads exactly count bytes; false when the stream ends first.
bool ReadExact(TStream* s, void* buf, int64_t count) {
  if (count <= 0) return true;
  return s->Read(buf, static_cast<int32_t>(count)) == count;
}

bool ReadInt32(TStream* s, int32_t& v) { return ReadExact(s, &v, 4); }

bool Skip(TStream* s, int64_t count) {
  if (count <= 0) return true;
  const int64_t pos = s->Position();
  if (pos + count > s->Size()) return false;
  s->Seek(count, soCurrent);
  return true;
}

bool IsStringOrBlobCode(int16_t code) { return code == 1 || (code >= 13 && code <= 19); }

}  // namespace

double ReadMemDataStream(TStream* stream, const TMemStreamHandler& handler) {
  const int64_t start = stream->Position();
  const int64_t streamSize = stream->Size();
  double version = 0;
  char sig[3];
  if (ReadExact(stream, sig, 3) && std::memcmp(sig, "Ver", 3) == 0 && ReadExact(stream, &version, 8)) {
    if (!(version >= 1)) version = 1;
  } else {
    version = 0;
    stream->SetPosition(start);
  }
  // An oversized length reads as far as the stream goes.
  auto cut = [&](int32_t len) -> int64_t { return std::min<int64_t>(len, streamSize); };
  // Whether count more bytes are there: checked before a value's buffer is sized, so that a damaged
  // width or length makes the value short (the record is dropped) instead of asking for its size.
  auto holds = [&](int64_t count) { return count <= streamSize - stream->Position(); };

  std::vector<TMemStreamColumn> columns;
  int32_t count = 0;
  if (ReadInt32(stream, count)) {
    for (int32_t i = 0; i < count; ++i) {
      TMemStreamColumn c;
      int16_t nameLen = 0;
      if (!ReadInt32(stream, c.Size) || !ReadExact(stream, &c.TypeCode, 2) || !ReadExact(stream, &nameLen, 2)) break;
      if (nameLen >= 256) throw EDatabaseError("The data is incorrect");
      c.Name.resize(static_cast<size_t>(std::max<int16_t>(nameLen, 0)));
      if (!ReadExact(stream, c.Name.data(), static_cast<int64_t>(c.Name.size()))) break;
      columns.push_back(std::move(c));
    }
  }
  if (columns.empty() || stream->Position() >= streamSize) return version;

  const std::vector<TMemStreamTarget> targets = handler.Columns(columns);
  std::vector<TMemStreamValue> values(columns.size());
  for (;;) {
    const int64_t recordStart = stream->Position();
    if (recordStart >= streamSize) break;
    bool ok = true;
    for (size_t i = 0; ok && i < columns.size(); ++i) {
      const TMemStreamColumn& c = columns[i];
      const TMemStreamTarget t = i < targets.size() ? targets[i] : TMemStreamTarget{};
      TMemStreamValue& v = values[i];
      v.Null = true;
      v.Bytes.clear();
      v.Wide.clear();
      int32_t len = 0;
      uint8_t flag = 1;
      switch (t.Kind) {
        case TMemTarget::tkFixed:
          if (version > 0 && !ReadExact(stream, &flag, 1)) { ok = false; break; }
          if (!holds(c.Size)) { ok = false; break; }
          v.Bytes.resize(static_cast<size_t>(std::max(c.Size, 0)));
          if (!ReadExact(stream, v.Bytes.data(), static_cast<int64_t>(v.Bytes.size()))) { ok = false; break; }
          v.Null = flag == 0;
          break;
        case TMemTarget::tkString: {
          if (!ReadInt32(stream, len)) { ok = false; break; }
          const int64_t n = cut(len);
          const int64_t take = std::min<int64_t>(n, std::max(c.Size, t.DataSize));
          if (!holds(take)) { ok = false; break; }
          v.Bytes.resize(static_cast<size_t>(std::max<int64_t>(take, 0)));
          if (!ReadExact(stream, v.Bytes.data(), take) || !Skip(stream, n - take)) { ok = false; break; }
          v.Null = n <= 0;
          break;
        }
        case TMemTarget::tkWideString:
          if (!ReadInt32(stream, len)) { ok = false; break; }
          if (len > 0) {
            const int64_t n = cut(len);
            if (!ReadExact(stream, &flag, 1) || !holds(2 * n)) { ok = false; break; }
            v.Wide.resize(static_cast<size_t>(n));
            if (!ReadExact(stream, v.Wide.data(), 2 * n)) { ok = false; break; }
            v.Null = flag == 0;
          }
          break;
        case TMemTarget::tkBlob: {
          if (!ReadInt32(stream, len)) { ok = false; break; }
          const int64_t n = cut(len);
          if (!holds(n)) { ok = false; break; }
          v.Bytes.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
          if (!ReadExact(stream, v.Bytes.data(), n)) { ok = false; break; }
          v.Null = n <= 0;
          break;
        }
        case TMemTarget::tkNone:
          if (IsStringOrBlobCode(c.TypeCode)) {
            ok = ReadInt32(stream, len) && Skip(stream, cut(len));
          } else if (c.TypeCode == 20) {
            ok = ReadInt32(stream, len) && (len <= 0 || Skip(stream, 1 + 2 * cut(len)));
          } else {
            ok = (version <= 0 || Skip(stream, 1)) && Skip(stream, c.Size);
          }
          break;
      }
    }
    if (!ok) break;
    // Columns that take no bytes (fixed widths of 0 without the header's null flags) would repeat
    // the same empty record until memory runs out: such a stream is damaged.
    if (stream->Position() == recordStart) throw EDatabaseError("The data is incorrect");
    handler.Record(values);
  }
  return version;
}

String EncodeTextValue(const String& value, char delimiter) {
  const bool quote = (!value.empty() && value[0] == '"') ||
                     value.find_first_of(String{delimiter, '\r', '\n'}) != String::npos;
  if (!quote) return value;
  String out;
  out.reserve(value.size() + 2);
  out += '"';
  for (char ch : value) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
  return out;
}

String JoinTextLine(const std::vector<String>& values, char delimiter) {
  String line;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) line += delimiter;
    line += EncodeTextValue(values[i], delimiter);
  }
  return line;
}

std::vector<std::vector<String>> SplitTextFile(const String& text, char delimiter) {
  std::vector<std::vector<String>> lines;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    std::vector<String> cells;
    String cell;
    bool lineEnded = false;
    while (i < n && !lineEnded) {
      if (cell.empty() && text[i] == '"') {
        // A quoted value: up to the quote that is not doubled; text after it joins the value as it is.
        ++i;
        while (i < n) {
          if (text[i] == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              cell += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          cell += text[i++];
        }
      }
      while (i < n) {
        const char ch = text[i];
        if (ch == delimiter) {
          cells.push_back(std::move(cell));
          cell.clear();
          ++i;
          break;
        }
        if (ch == '\r' || ch == '\n') {
          i += (ch == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
          lineEnded = true;
          break;
        }
        cell += ch;
        ++i;
      }
    }
    cells.push_back(std::move(cell));
    lines.push_back(std::move(cells));
  }
  return lines;
}

}  // namespace memdata
