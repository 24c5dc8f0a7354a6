#include "rtl/Filer.h"

#include <utility>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "rtl/ClassRegistry.h"
#include "rtl/Collections.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

bool SameIdent(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

[[noreturn]] void ReadErrorText(const String& msg) { throw EReadError(msg); }

// --- 80-bit extended floats -------------------------------------------------------------------------
// On x86-64 long double is the 80-bit format itself; elsewhere the value is packed by hand.

void ExtendedToBytes(long double v, uint8_t out[10]) {
  if constexpr (std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10) {
    std::memcpy(out, &v, 10);
  } else {
    uint16_t sign = std::signbit(v) ? 0x8000 : 0;
    uint64_t mant = 0;
    uint16_t exp = 0;
    if (std::isnan(v)) {
      exp = 0x7FFF;
      mant = 0xC000000000000000ull;
    } else if (std::isinf(v)) {
      exp = 0x7FFF;
      mant = 0x8000000000000000ull;
    } else if (v != 0) {
      int e = 0;
      long double m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1)
      mant = static_cast<uint64_t>(std::ldexp(m, 64));
      exp = static_cast<uint16_t>(e - 1 + 16383);
    }
    std::memcpy(out, &mant, 8);
    uint16_t se = static_cast<uint16_t>(sign | exp);
    std::memcpy(out + 8, &se, 2);
  }
}

long double BytesToExtended(const uint8_t in[10]) {
  if constexpr (std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10) {
    long double v = 0;
    std::memcpy(&v, in, 10);
    return v;
  } else {
    uint64_t mant;
    uint16_t se;
    std::memcpy(&mant, in, 8);
    std::memcpy(&se, in + 8, 2);
    bool neg = se & 0x8000;
    int exp = se & 0x7FFF;
    long double v;
    if (exp == 0x7FFF)
      v = (mant << 1) ? std::numeric_limits<long double>::quiet_NaN() : std::numeric_limits<long double>::infinity();
    else if (exp == 0 && mant == 0)
      v = 0;
    else
      v = std::ldexp(static_cast<long double>(mant), exp - 16383 - 63);
    return neg ? -v : v;
  }
}

// --- UTF-8 / UTF-16 ---------------------------------------------------------------------------------

// Decodes one code point at s[i]; an invalid sequence yields its first byte as is (length 1) and sets
// *valid to false.
uint32_t DecodeUtf8(const String& s, size_t& i, bool* valid = nullptr) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (valid) *valid = true;
  int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (n > 0 && i + static_cast<size_t>(n) < s.size() + 0) {
    uint32_t cp = c & (0x3F >> n);
    bool ok = true;
    for (int k = 1; k <= n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((d & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (d & 0x3F);
    }
    if (ok) {
      i += static_cast<size_t>(n) + 1;
      return cp;
    }
  }
  if (n != 0 && valid) *valid = false;
  ++i;
  return c;
}

// Shortest text that reads back as the same value, always with a decimal point or an exponent.
// A value that is a double (as most floating properties are) is written as the shortest text of that
// double, which reads back as the same double.
String FloatText(long double v) {
  char buf[64];
  double d = static_cast<double>(v);
  if (std::isfinite(v) && static_cast<long double>(d) == v) {
    for (int prec = 1; prec <= 17; ++prec) {
      std::snprintf(buf, sizeof buf, "%.*g", prec, d);
      if (std::strtod(buf, nullptr) == d) break;
    }
  } else {
    for (int prec = 1; prec <= 21; ++prec) {
      std::snprintf(buf, sizeof buf, "%.*Lg", prec, v);
      if (std::strtold(buf, nullptr) == v) break;
    }
  }
  String s = buf;
  if (s.find_first_of(".eEin") == String::npos) s += ".0";
  return s;
}

}  // namespace

// ===================================================================================================
// TFiler

TFiler::TFiler(TStream* stream, int32_t bufSize) : FStream(stream), FBuffer(static_cast<size_t>(bufSize > 16 ? bufSize : 16)) {}

TFiler::~TFiler() = default;

void TFiler::SetRoot(TComponent* value) {
  FRoot = value;
  FLookupRoot = value;
}

// ===================================================================================================
// TReader: raw values

// A component reference read before the component it names exists; resolved after the tree is read.
struct TReader::Fixup {
  TPersistent* instance;
  const TPropInfo* prop;
  TComponent* root;
  String name;
};

TReader::TReader(TStream* stream, int32_t bufSize) : TFiler(stream, bufSize) {}

TReader::~TReader() {
  delete FFixups;
  if (FStream && FBufEnd > FBufPos) FStream->Seek(static_cast<int64_t>(FBufPos) - FBufEnd, soCurrent);
}

void TReader::FlushBuffer() {
  if (FStream && FBufEnd > FBufPos) FStream->Seek(static_cast<int64_t>(FBufPos) - FBufEnd, soCurrent);
  FBufPos = FBufEnd = 0;
}

void TReader::ReadBuffer() {
  FBufEnd = FStream->Read(FBuffer.data(), static_cast<int32_t>(FBuffer.size()));
  FBufPos = 0;
  if (FBufEnd <= 0) {
    FBufEnd = 0;
    ReadErrorText("Stream read error");
  }
}

void TReader::Read(void* buf, int32_t count) {
  auto* out = static_cast<uint8_t*>(buf);
  while (count > 0) {
    if (FBufPos >= FBufEnd) ReadBuffer();
    int32_t n = std::min(count, FBufEnd - FBufPos);
    std::memcpy(out, FBuffer.data() + FBufPos, static_cast<size_t>(n));
    FBufPos += n;
    out += n;
    count -= n;
  }
}

uint8_t TReader::ReadByte() {
  if (FBufPos >= FBufEnd) ReadBuffer();
  return FBuffer[static_cast<size_t>(FBufPos++)];
}

int64_t TReader::BytesLeft() {
  int64_t size = FStream->Size();
  int64_t pos = FStream->Position();
  if (size < 0 || pos < 0) return -1;
  return std::max<int64_t>(size - pos, 0) + (FBufEnd - FBufPos);
}

int32_t TReader::ReadCount(int32_t unitSize) {
  int32_t n = 0;
  Read(&n, 4);
  if (n < 0) ReadErrorText("Invalid stream format");
  int64_t left = BytesLeft();
  if (left >= 0 && static_cast<int64_t>(n) * unitSize > left) ReadErrorText("Stream read error");
  return n;
}

// Fills out with count units in steps, so that a stream that cannot tell its size still only costs
// memory for the bytes it really delivers.
template <class Container>
void TReader::ReadUnits(Container& out, int32_t count) {
  using Unit = typename Container::value_type;
  constexpr size_t kStep = (size_t{1} << 20) / sizeof(Unit);
  out.clear();
  size_t have = 0;
  while (have < static_cast<size_t>(count)) {
    size_t step = std::min(kStep, static_cast<size_t>(count) - have);
    out.resize(have + step);
    Read(out.data() + have, static_cast<int32_t>(step * sizeof(Unit)));
    have += step;
  }
}

TReader::Nesting::Nesting(TReader& reader) : FReader(reader) {
  if (++FReader.FDepth > kMaxNesting) {
    --FReader.FDepth;
    ReadErrorText("Invalid stream format");
  }
}

int64_t TReader::Position() { return FStream->Position() - (FBufEnd - FBufPos); }

void TReader::SetPosition(int64_t value) {
  FStream->SetPosition(value);
  FBufPos = FBufEnd = 0;
}

TValueType TReader::ReadValue() { return static_cast<TValueType>(ReadByte()); }

TValueType TReader::NextValue() {
  TValueType v = ReadValue();
  --FBufPos;
  return v;
}

void TReader::PropValueError() { ReadErrorText("Invalid property value"); }

void TReader::CheckValue(TValueType value) {
  if (ReadValue() != value) {
    --FBufPos;
    SkipValue();
    PropValueError();
  }
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

void TReader::ReadListBegin() { CheckValue(vaList); }

void TReader::ReadListEnd() { CheckValue(vaNull); }

void TReader::SkipBytes(int64_t count) {
  uint8_t tmp[256];
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, sizeof tmp));
    Read(tmp, n);
    count -= n;
  }
}

void TReader::SkipSetBody() {
  while (!ReadStr().empty()) {
  }
}

void TReader::SkipValue() {
  Nesting nesting(*this);
  int32_t n = 0;
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: SkipBytes(1); break;
    case vaInt16: SkipBytes(2); break;
    case vaInt32:
    case vaSingle: SkipBytes(4); break;
    case vaInt64:
    case vaCurrency:
    case vaDate: SkipBytes(8); break;
    case vaExtended: SkipBytes(10); break;
    case vaString:
    case vaIdent: ReadStr(); break;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
      n = ReadCount(1);
      SkipBytes(n);
      break;
    case vaWString:
      n = ReadCount(2);
      SkipBytes(int64_t(n) * 2);
      break;
    case vaSet: SkipSetBody(); break;
    case vaCollection:
      while (!EndOfList()) {
        TValueType t = NextValue();
        if (t == vaInt8 || t == vaInt16 || t == vaInt32) SkipValue();
        ReadListBegin();
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      break;
    default: ReadErrorText("Invalid stream format");
  }
}

void TReader::SkipProperty() {
  ReadStr();
  SkipValue();
}

void TReader::SkipComponent(bool skipHeader) {
  Nesting nesting(*this);
  if (skipHeader) {
    TFilerFlags flags;
    int32_t pos = 0;
    ReadPrefix(flags, pos);
    ReadStr();
    ReadStr();
  }
  while (!EndOfList()) SkipProperty();
  ReadListEnd();
  while (!EndOfList()) SkipComponent(true);
  ReadListEnd();
}

bool TReader::ReadBoolean() {
  TValueType v = ReadValue();
  if (v == vaTrue) return true;
  if (v == vaFalse) return false;
  --FBufPos;
  SkipValue();
  PropValueError();
}

char TReader::ReadChar() {
  String s = ReadString();
  if (s.size() != 1) PropValueError();
  return s[0];
}

int32_t TReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: {
      int8_t v;
      Read(&v, 1);
      return v;
    }
    case vaInt16: {
      int16_t v;
      Read(&v, 2);
      return v;
    }
    case vaInt32: {
      int32_t v;
      Read(&v, 4);
      return v;
    }
    default:
      --FBufPos;
      SkipValue();
      PropValueError();
  }
}

int64_t TReader::ReadInt64() {
  if (NextValue() == vaInt64) {
    ReadValue();
    int64_t v;
    Read(&v, 8);
    return v;
  }
  return ReadInteger();
}

long double TReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: {
      ReadValue();
      uint8_t b[10];
      Read(b, 10);
      return BytesToExtended(b);
    }
    case vaSingle: return ReadSingle();
    case vaDate: return ReadDate();
    case vaCurrency: return static_cast<long double>(ReadCurrency().Value) / 10000.0L;
    default: return static_cast<long double>(ReadInt64());
  }
}

float TReader::ReadSingle() {
  if (NextValue() == vaSingle) {
    ReadValue();
    float v;
    Read(&v, 4);
    return v;
  }
  if (NextValue() == vaExtended) return static_cast<float>(ReadFloat());
  return static_cast<float>(ReadInt64());
}

Currency TReader::ReadCurrency() {
  if (NextValue() == vaCurrency) {
    ReadValue();
    int64_t v;
    Read(&v, 8);
    return Currency::FromScaled(v);
  }
  if (NextValue() == vaExtended || NextValue() == vaSingle || NextValue() == vaDate)
    return Currency::FromDouble(static_cast<double>(ReadFloat()));
  return Currency::FromInt(ReadInt64());
}

TDateTime TReader::ReadDate() {
  if (NextValue() == vaDate) {
    ReadValue();
    double v;
    Read(&v, 8);
    return v;
  }
  if (NextValue() == vaExtended || NextValue() == vaSingle) return static_cast<double>(ReadFloat());
  return static_cast<double>(ReadInt64());
}

String TReader::ReadStr() {
  uint8_t len = ReadByte();
  String s(len, '\0');
  if (len) Read(s.data(), len);
  return s;
}

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default:
      --FBufPos;
      SkipValue();
      PropValueError();
  }
}

String TReader::ReadString() {
  int32_t n = 0;
  switch (ReadValue()) {
    case vaString: return ReadStr();
    case vaLString:
    case vaUTF8String: {
      n = ReadCount(1);
      String s;
      ReadUnits(s, n);
      return s;
    }
    case vaWString: {
      n = ReadCount(2);
      WideString w;
      ReadUnits(w, n);
      return Utf16ToUtf8(w);
    }
    default:
      --FBufPos;
      SkipValue();
      PropValueError();
  }
}

WideString TReader::ReadWideString() {
  if (NextValue() == vaWString) {
    ReadValue();
    WideString w;
    ReadUnits(w, ReadCount(2));
    return w;
  }
  return Utf8ToUtf16(ReadString());
}

std::vector<String> TReader::ReadSetNames() {
  std::vector<String> names;
  for (String s = ReadStr(); !s.empty(); s = ReadStr()) names.push_back(std::move(s));
  return names;
}

std::vector<uint8_t> TReader::ReadBinary() {
  CheckValue(vaBinary);
  std::vector<uint8_t> data;
  ReadUnits(data, ReadCount(1));
  return data;
}

void TReader::ReadSignature() {
  char sig[4];
  Read(sig, 4);
  if (std::memcmp(sig, kSignature, 4) != 0) ReadErrorText("Invalid stream format");
}

void TReader::ReadPrefix(TFilerFlags& flags, int32_t& childPos) {
  flags = TFilerFlags();
  childPos = 0;
  uint8_t b = static_cast<uint8_t>(NextValue());
  if ((b & 0xF0) == 0xF0) {
    b = ReadByte();
    flags = TFilerFlags::FromInt(b & 0x0F);
    if (flags.Contains(ffChildPos)) childPos = ReadInteger();
  }
}

void TReader::CopyValue(TWriter* writer) {
  Nesting nesting(*this);
  switch (NextValue()) {
    case vaNull:
      ReadValue();
      writer->WriteValue(vaNull);
      break;
    case vaList:
      ReadValue();
      writer->WriteListBegin();
      while (!EndOfList()) CopyValue(writer);
      ReadListEnd();
      writer->WriteListEnd();
      break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: writer->WriteInteger(ReadInt64()); break;
    case vaExtended: writer->WriteFloat(ReadFloat()); break;
    case vaSingle: writer->WriteSingle(ReadSingle()); break;
    case vaCurrency: writer->WriteCurrency(ReadCurrency()); break;
    case vaDate: writer->WriteDate(ReadDate()); break;
    case vaString:
    case vaLString: writer->WriteString(ReadString()); break;
    case vaUTF8String: writer->WriteUTF8Str(ReadString()); break;
    case vaWString: writer->WriteWideString(ReadWideString()); break;
    case vaIdent:
    case vaFalse:
    case vaTrue:
    case vaNil: writer->WriteIdent(ReadIdent()); break;
    case vaBinary: {
      auto data = ReadBinary();
      writer->WriteBinary(data.data(), static_cast<int32_t>(data.size()));
      break;
    }
    case vaSet:
      ReadValue();
      writer->WriteSetNames(ReadSetNames());
      break;
    case vaCollection:
      ReadValue();
      writer->WriteValue(vaCollection);
      while (!EndOfList()) {
        TValueType t = NextValue();
        if (t == vaInt8 || t == vaInt16 || t == vaInt32) writer->WriteInteger(ReadInteger());
        ReadListBegin();
        writer->WriteListBegin();
        while (!EndOfList()) {
          writer->WriteStr(ReadStr());
          CopyValue(writer);
        }
        ReadListEnd();
        writer->WriteListEnd();
      }
      ReadListEnd();
      writer->WriteListEnd();
      break;
    default: ReadErrorText("Invalid stream format");
  }
}

// ===================================================================================================
// TWriter: raw values

TWriter::TWriter(TStream* stream, int32_t bufSize) : TFiler(stream, bufSize) {}

TWriter::~TWriter() {
  try {
    WriteBuffer();
  } catch (...) {
    // A destructor cannot report; callers that care call FlushBuffer themselves.
  }
}

void TWriter::FlushBuffer() { WriteBuffer(); }

void TWriter::WriteBuffer() {
  if (FBufPos > 0) {
    int32_t n = FBufPos;
    FBufPos = 0;
    FStream->WriteBuffer(FBuffer.data(), n);
  }
}

void TWriter::Write(const void* buf, int32_t count) {
  auto* in = static_cast<const uint8_t*>(buf);
  int32_t size = static_cast<int32_t>(FBuffer.size());
  while (count > 0) {
    if (FBufPos >= size) WriteBuffer();
    int32_t n = std::min(count, size - FBufPos);
    std::memcpy(FBuffer.data() + FBufPos, in, static_cast<size_t>(n));
    FBufPos += n;
    in += n;
    count -= n;
  }
}

int64_t TWriter::Position() { return FStream->Position() + FBufPos; }

void TWriter::WriteValue(TValueType value) {
  uint8_t b = value;
  Write(&b, 1);
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char value) { WriteString(String(1, value)); }

void TWriter::WriteInteger(int64_t value) {
  if (value >= INT8_MIN && value <= INT8_MAX) {
    WriteValue(vaInt8);
    int8_t v = static_cast<int8_t>(value);
    Write(&v, 1);
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    WriteValue(vaInt16);
    int16_t v = static_cast<int16_t>(value);
    Write(&v, 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    WriteValue(vaInt32);
    int32_t v = static_cast<int32_t>(value);
    Write(&v, 4);
  } else {
    WriteValue(vaInt64);
    Write(&value, 8);
  }
}

void TWriter::WriteFloat(long double value) {
  WriteValue(vaExtended);
  uint8_t b[10];
  ExtendedToBytes(value, b);
  Write(b, 10);
}

void TWriter::WriteSingle(float value) {
  WriteValue(vaSingle);
  Write(&value, 4);
}

void TWriter::WriteCurrency(Currency value) {
  WriteValue(vaCurrency);
  Write(&value.Value, 8);
}

void TWriter::WriteDate(TDateTime value) {
  WriteValue(vaDate);
  Write(&value, 8);
}

void TWriter::WriteIdent(const String& ident) {
  if (SameIdent(ident, "False"))
    WriteValue(vaFalse);
  else if (SameIdent(ident, "True"))
    WriteValue(vaTrue);
  else if (SameIdent(ident, "nil"))
    WriteValue(vaNil);
  else if (SameIdent(ident, "Null"))
    WriteValue(vaNull);
  else {
    WriteValue(vaIdent);
    WriteStr(ident);
  }
}

void TWriter::WriteStr(const String& value) {
  uint8_t len = static_cast<uint8_t>(std::min<size_t>(value.size(), 255));
  Write(&len, 1);
  Write(value.data(), len);
}

void TWriter::WriteString(const String& value) {
  if (value.size() <= 255) {
    WriteValue(vaString);
    WriteStr(value);
  } else {
    WriteValue(vaLString);
    int32_t n = static_cast<int32_t>(value.size());
    Write(&n, 4);
    Write(value.data(), n);
  }
}

void TWriter::WriteUTF8Str(const String& value) {
  WriteValue(vaUTF8String);
  int32_t n = static_cast<int32_t>(value.size());
  Write(&n, 4);
  Write(value.data(), n);
}

void TWriter::WriteWideString(const WideString& value) {
  WriteValue(vaWString);
  int32_t n = static_cast<int32_t>(value.size());
  Write(&n, 4);
  Write(value.data(), n * 2);
}

void TWriter::WriteListBegin() { WriteValue(vaList); }

void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WriteSetNames(const std::vector<String>& names) {
  WriteValue(vaSet);
  for (const String& n : names) WriteStr(n);
  WriteStr(String());
}

void TWriter::WriteBinary(const void* data, int32_t count) {
  WriteValue(vaBinary);
  Write(&count, 4);
  Write(data, count);
}

void TWriter::WriteSignature() { Write(kSignature, 4); }

void TWriter::WritePrefix(TFilerFlags flags, int32_t childPos) {
  if (flags.Empty()) return;
  uint8_t b = static_cast<uint8_t>(0xF0 | (flags.ToInt() & 0x0F));
  Write(&b, 1);
  if (flags.Contains(ffChildPos)) WriteInteger(childPos);
}

// ===================================================================================================
// Text form

namespace {

const char* const kEol = "\r\n";
constexpr size_t kLineLength = 64;  // code points of a string per line before it is split with "+"

class TextOut {
public:
  String text;
  void Indent(int n) { text.append(static_cast<size_t>(n), ' '); }
  void Eol() { text += kEol; }
};

// A string literal: runs of printable ASCII in quotes, everything else as #code-point; long strings go
// on their own lines in pieces joined by "+".
void WriteStringLiteral(TextOut& out, const String& s, int indent) {
  if (s.empty()) {
    out.text += "''";
    return;
  }
  std::vector<std::pair<uint32_t, bool>> cps;  // code point, was valid UTF-8
  for (size_t i = 0; i < s.size();) {
    bool valid = true;
    uint32_t cp = DecodeUtf8(s, i, &valid);
    cps.emplace_back(cp, valid);
  }
  bool multiline = cps.size() > kLineLength;
  if (multiline) {
    out.Eol();
    out.Indent(indent + 2);
  }
  size_t lineStart = 0;
  bool inQuote = false;
  for (size_t i = 0; i < cps.size(); ++i) {
    if (multiline && i > lineStart && i - lineStart >= kLineLength) {
      if (inQuote) out.text += '\'';
      inQuote = false;
      out.text += " +";
      out.Eol();
      out.Indent(indent + 2);
      lineStart = i;
    }
    uint32_t cp = cps[i].first;
    if (cp >= 32 && cp < 127 && cp != '\'') {
      if (!inQuote) out.text += '\'';
      inQuote = true;
      out.text += static_cast<char>(cp);
    } else {
      if (inQuote) out.text += '\'';
      inQuote = false;
      out.text += '#';
      out.text += std::to_string(cp);
    }
  }
  if (inQuote) out.text += '\'';
}

void ConvertValueToText(TReader& r, TextOut& out, int indent);

void ConvertPropertyToText(TReader& r, TextOut& out, int indent) {
  out.Indent(indent);
  out.text += r.ReadStr();
  out.text += " = ";
  ConvertValueToText(r, out, indent);
  out.Eol();
}

void ConvertValueToText(TReader& r, TextOut& out, int indent) {
  TReader::Nesting nesting(r);
  static const char* hex = "0123456789ABCDEF";
  switch (r.NextValue()) {
    case vaList:
      r.ReadValue();
      out.text += '(';
      while (!r.EndOfList()) {
        out.Eol();
        out.Indent(indent + 2);
        ConvertValueToText(r, out, indent + 2);
      }
      r.ReadListEnd();
      out.text += ')';
      break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: out.text += std::to_string(r.ReadInt64()); break;
    case vaExtended: out.text += FloatText(r.ReadFloat()); break;
    case vaSingle: out.text += FloatText(r.ReadSingle()) + "s"; break;
    case vaCurrency: out.text += std::to_string(r.ReadCurrency().Value) + "c"; break;
    case vaDate: out.text += FloatText(r.ReadDate()) + "d"; break;
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString: WriteStringLiteral(out, r.ReadString(), indent); break;
    case vaIdent:
    case vaFalse:
    case vaTrue:
    case vaNil:
    case vaNull: out.text += r.ReadIdent(); break;
    case vaBinary: {
      auto data = r.ReadBinary();
      out.text += '{';
      for (size_t i = 0; i < data.size(); ++i) {
        if (i % 32 == 0) {
          out.Eol();
          out.Indent(indent + 2);
        }
        out.text += hex[data[i] >> 4];
        out.text += hex[data[i] & 15];
      }
      out.text += '}';
      break;
    }
    case vaSet: {
      r.ReadValue();
      out.text += '[';
      bool first = true;
      for (const String& n : r.ReadSetNames()) {
        if (!first) out.text += ", ";
        first = false;
        out.text += n;
      }
      out.text += ']';
      break;
    }
    case vaCollection:
      r.ReadValue();
      out.text += '<';
      while (!r.EndOfList()) {
        out.Eol();
        out.Indent(indent + 2);
        out.text += "item";
        TValueType t = r.NextValue();
        if (t == vaInt8 || t == vaInt16 || t == vaInt32) out.text += " [" + std::to_string(r.ReadInteger()) + "]";
        out.Eol();
        r.ReadListBegin();
        while (!r.EndOfList()) ConvertPropertyToText(r, out, indent + 4);
        r.ReadListEnd();
        out.Indent(indent + 2);
        out.text += "end";
      }
      r.ReadListEnd();
      out.text += '>';
      break;
    default: throw EReadError("Invalid stream format");
  }
}

void ConvertObjectToText(TReader& r, TextOut& out, int indent) {
  TReader::Nesting nesting(r);
  TFilerFlags flags;
  int32_t pos = 0;
  r.ReadPrefix(flags, pos);
  String className = r.ReadStr();
  String objectName = r.ReadStr();
  out.Indent(indent);
  out.text += flags.Contains(ffInherited) ? "inherited " : flags.Contains(ffInline) ? "inline " : "object ";
  if (!objectName.empty()) out.text += objectName + ": ";
  out.text += className;
  if (flags.Contains(ffChildPos)) out.text += " [" + std::to_string(pos) + "]";
  out.Eol();
  while (!r.EndOfList()) ConvertPropertyToText(r, out, indent + 2);
  r.ReadListEnd();
  while (!r.EndOfList()) ConvertObjectToText(r, out, indent + 2);
  r.ReadListEnd();
  out.Indent(indent);
  out.text += "end";
  out.Eol();
}

// --- text parser ------------------------------------------------------------------------------------

enum class Tok { Eof, Symbol, String, Integer, Float, Char };

class TextParser {
public:
  explicit TextParser(const String& text) : FText(text) { Next(); }

  Tok token = Tok::Eof;
  String str;         // symbol text, string value (UTF-8), or the char
  int64_t integer = 0;
  long double number = 0;
  char floatType = 0;  // 's', 'c', 'd' or 0

  [[noreturn]] void Error(const String& msg) const {
    throw EParserError(msg + " on line " + std::to_string(FTokenLine));
  }
  bool IsSymbol(const char* s) const { return token == Tok::Symbol && SameIdent(str, s); }
  bool IsChar(char c) const { return token == Tok::Char && str[0] == c; }
  void CheckChar(char c) {
    if (!IsChar(c)) Error(String("'") + c + "' expected");
  }
  String CheckSymbol() {
    if (token != Tok::Symbol) Error("Identifier expected");
    return str;
  }
  size_t Pos() const { return FPos; }

  // One nested value or object for its time; text nested past the reader's limit is refused here, as
  // it would be when read back.
  class Level {
  public:
    explicit Level(TextParser& parser) : FParser(parser) {
      if (++FParser.FDepth > TReader::kMaxNesting) {
        --FParser.FDepth;
        FParser.Error("Nesting too deep");
      }
    }
    ~Level() { --FParser.FDepth; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

  private:
    TextParser& FParser;
  };

  void Next() {
    SkipBlanks();
    FTokenLine = FLine;
    str.clear();
    floatType = 0;
    if (FPos >= FText.size()) {
      token = Tok::Eof;
      return;
    }
    char c = FText[FPos];
    if (IsAlpha(c)) {
      size_t start = FPos;
      while (FPos < FText.size() && (IsAlpha(FText[FPos]) || IsDigit(FText[FPos]))) ++FPos;
      str = FText.substr(start, FPos - start);
      token = Tok::Symbol;
    } else if (c == '\'' || c == '#') {
      ReadStringToken();
    } else if (c == '$') {
      ++FPos;
      size_t start = FPos;
      while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
      if (start == FPos) Error("Number expected");
      integer = static_cast<int64_t>(std::strtoull(FText.substr(start, FPos - start).c_str(), nullptr, 16));
      token = Tok::Integer;
    } else if (IsDigit(c) || ((c == '-' || c == '+') && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1]))) {
      ReadNumber();
    } else {
      str = String(1, c);
      ++FPos;
      token = Tok::Char;
    }
  }

  // Hex digits up to the closing brace, blanks and line breaks ignored.
  std::vector<uint8_t> ReadBinaryBody() {
    std::vector<uint8_t> data;
    int nibble = -1;
    while (true) {
      if (FPos >= FText.size()) Error("Invalid binary value");
      char c = FText[FPos++];
      if (c == '}') break;
      if (c == '\n') ++FLine;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
      int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
              : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                          : -1;
      if (v < 0) Error("Invalid binary value");
      if (nibble < 0) {
        nibble = v;
      } else {
        data.push_back(static_cast<uint8_t>(nibble * 16 + v));
        nibble = -1;
      }
    }
    if (nibble >= 0) Error("Invalid binary value");
    Next();
    return data;
  }

private:
  static bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\n') {
        ++FLine;
        ++FPos;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
        ++FPos;
      } else if (FPos == 0 && FText.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        FPos += 3;  // a byte order mark
      } else {
        break;
      }
    }
  }

  void ReadStringToken() {
    token = Tok::String;
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\'') {
        ++FPos;
        while (true) {
          if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r') Error("Unterminated string");
          char d = FText[FPos++];
          if (d == '\'') {
            if (FPos < FText.size() && FText[FPos] == '\'') {
              str += '\'';
              ++FPos;
            } else {
              break;
            }
          } else {
            str += d;
          }
        }
      } else if (c == '#') {
        ++FPos;
        uint32_t cp = 0;
        if (FPos < FText.size() && FText[FPos] == '$') {
          ++FPos;
          size_t start = FPos;
          while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
          if (start == FPos) Error("Number expected");
          cp = static_cast<uint32_t>(std::strtoul(FText.substr(start, FPos - start).c_str(), nullptr, 16));
        } else {
          size_t start = FPos;
          while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
          if (start == FPos) Error("Number expected");
          cp = static_cast<uint32_t>(std::strtoul(FText.substr(start, FPos - start).c_str(), nullptr, 10));
        }
        if (cp > 0x10FFFF) Error("Invalid character code");
        Utf8Append(str, cp);
      } else {
        break;
      }
    }
  }

  void ReadNumber() {
    size_t start = FPos;
    if (FText[FPos] == '-' || FText[FPos] == '+') ++FPos;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    bool isFloat = false;
    if (FPos < FText.size() && FText[FPos] == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1])) {
      isFloat = true;
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      size_t save = FPos++;
      if (FPos < FText.size() && (FText[FPos] == '-' || FText[FPos] == '+')) ++FPos;
      if (FPos < FText.size() && IsDigit(FText[FPos])) {
        isFloat = true;
        while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
      } else {
        FPos = save;
      }
    }
    String num = FText.substr(start, FPos - start);
    if (FPos < FText.size()) {
      char s = static_cast<char>(std::tolower(static_cast<unsigned char>(FText[FPos])));
      if (s == 's' || s == 'c' || s == 'd') {
        bool followedByIdent = FPos + 1 < FText.size() && (IsAlpha(FText[FPos + 1]) || IsDigit(FText[FPos + 1]));
        if (!followedByIdent) {
          floatType = s;
          isFloat = true;
          ++FPos;
        }
      }
    }
    if (isFloat) {
      number = std::strtold(num.c_str(), nullptr);
      token = Tok::Float;
      str = num;
    } else {
      errno = 0;
      integer = std::strtoll(num.c_str(), nullptr, 10);
      if (errno == ERANGE) Error("Number out of range");
      token = Tok::Integer;
    }
  }

  const String& FText;
  size_t FPos = 0;
  int FLine = 1;
  int FTokenLine = 1;
  int FDepth = 0;
};

void ConvertValueToBinary(TextParser& p, TWriter& w);

void ConvertPropertyToBinary(TextParser& p, TWriter& w) {
  String name = p.CheckSymbol();
  p.Next();
  while (p.IsChar('.')) {
    p.Next();
    name += "." + p.CheckSymbol();
    p.Next();
  }
  w.WriteStr(name);
  p.CheckChar('=');
  p.Next();
  ConvertValueToBinary(p, w);
}

void ConvertValueToBinary(TextParser& p, TWriter& w) {
  TextParser::Level level(p);
  switch (p.token) {
    case Tok::String: {
      String s = p.str;
      p.Next();
      while (p.IsChar('+')) {
        p.Next();
        if (p.token != Tok::String) p.Error("String expected");
        s += p.str;
        p.Next();
      }
      w.WriteString(s);
      return;
    }
    case Tok::Integer:
      w.WriteInteger(p.integer);
      p.Next();
      return;
    case Tok::Float:
      switch (p.floatType) {
        case 's': w.WriteSingle(static_cast<float>(p.number)); break;
        case 'c': w.WriteCurrency(Currency::FromScaled(static_cast<int64_t>(std::llround(p.number)))); break;
        case 'd': w.WriteDate(static_cast<double>(p.number)); break;
        default: w.WriteFloat(p.number);
      }
      p.Next();
      return;
    case Tok::Symbol: {
      String ident = p.str;
      p.Next();
      while (p.IsChar('.')) {
        p.Next();
        ident += "." + p.CheckSymbol();
        p.Next();
      }
      w.WriteIdent(ident);
      return;
    }
    case Tok::Char: break;
    case Tok::Eof: p.Error("Invalid property value");
  }
  if (p.IsChar('[')) {
    p.Next();
    std::vector<String> names;
    if (!p.IsChar(']')) {
      while (true) {
        names.push_back(p.CheckSymbol());
        p.Next();
        if (p.IsChar(']')) break;
        p.CheckChar(',');
        p.Next();
      }
    }
    p.Next();
    w.WriteSetNames(names);
  } else if (p.IsChar('(')) {
    p.Next();
    w.WriteListBegin();
    while (!p.IsChar(')')) {
      if (p.token == Tok::Eof) p.Error("')' expected");
      ConvertValueToBinary(p, w);
    }
    p.Next();
    w.WriteListEnd();
  } else if (p.IsChar('{')) {
    auto data = p.ReadBinaryBody();
    w.WriteBinary(data.data(), static_cast<int32_t>(data.size()));
  } else if (p.IsChar('<')) {
    p.Next();
    w.WriteValue(vaCollection);
    while (!p.IsChar('>')) {
      if (!p.IsSymbol("item")) p.Error("'item' expected");
      p.Next();
      if (p.IsChar('[')) {
        p.Next();
        if (p.token != Tok::Integer) p.Error("Number expected");
        w.WriteInteger(p.integer);
        p.Next();
        p.CheckChar(']');
        p.Next();
      }
      w.WriteListBegin();
      while (!p.IsSymbol("end")) {
        if (p.token == Tok::Eof) p.Error("'end' expected");
        ConvertPropertyToBinary(p, w);
      }
      p.Next();
      w.WriteListEnd();
    }
    p.Next();
    w.WriteListEnd();
  } else {
    p.Error("Invalid property value");
  }
}

void ConvertObjectToBinary(TextParser& p, TWriter& w) {
  TextParser::Level level(p);
  TFilerFlags flags;
  if (p.IsSymbol("inherited"))
    flags.Include(ffInherited);
  else if (p.IsSymbol("inline"))
    flags.Include(ffInline);
  else if (!p.IsSymbol("object"))
    p.Error("'object' expected");
  p.Next();
  String objectName;
  String className = p.CheckSymbol();
  p.Next();
  if (p.IsChar(':')) {
    p.Next();
    objectName = className;
    className = p.CheckSymbol();
    p.Next();
  }
  int32_t pos = 0;
  if (p.IsChar('[')) {
    p.Next();
    if (p.token != Tok::Integer) p.Error("Number expected");
    pos = static_cast<int32_t>(p.integer);
    flags.Include(ffChildPos);
    p.Next();
    p.CheckChar(']');
    p.Next();
  }
  w.WritePrefix(flags, pos);
  w.WriteStr(className);
  w.WriteStr(objectName);
  while (!(p.IsSymbol("end") || p.IsSymbol("object") || p.IsSymbol("inherited") || p.IsSymbol("inline"))) {
    if (p.token == Tok::Eof) p.Error("'end' expected");
    ConvertPropertyToBinary(p, w);
  }
  w.WriteListEnd();
  while (!p.IsSymbol("end")) {
    if (p.token == Tok::Eof) p.Error("'end' expected");
    ConvertObjectToBinary(p, w);
  }
  w.WriteListEnd();
  p.Next();
}

}  // namespace

void ObjectBinaryToText(TStream* input, TStream* output) {
  TextOut out;
  {
    TReader r(input, 4096);
    r.ReadSignature();
    ConvertObjectToText(r, out, 0);
  }
  output->WriteBuffer(out.text.data(), static_cast<int32_t>(out.text.size()));
}

void ObjectTextToBinary(TStream* input, TStream* output) {
  String text;
  char buf[4096];
  for (int32_t n; (n = input->Read(buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  TextParser p(text);
  TWriter w(output, 4096);
  w.WriteSignature();
  ConvertObjectToBinary(p, w);
  w.FlushBuffer();
  // Leave the input right after the object, as a reader of a text stream would.
  input->Seek(static_cast<int64_t>(p.Pos()) - static_cast<int64_t>(text.size()), soCurrent);
}

String ObjectBinaryToText(const String& binary) {
  TStringStream in(binary), out;
  ObjectBinaryToText(&in, &out);
  return out.DataString();
}

String ObjectTextToBinary(const String& text) {
  TStringStream in(text), out;
  ObjectTextToBinary(&in, &out);
  return out.DataString();
}

TStreamOriginalFormat TestStreamFormat(TStream* stream) {
  int64_t pos = stream->Position();
  char sig[4] = {};
  int32_t n = stream->Read(sig, 4);
  stream->SetPosition(pos);
  if ((n >= 1 && static_cast<uint8_t>(sig[0]) == 0xFF) || (n == 4 && std::memcmp(sig, kSignature, 4) == 0))
    return sofBinary;
  if (n >= 1) {
    char c = sig[0];
    if (c == '\t' || c == '\v' || c == '\r' || c == '\n' || c == ' ' || c == 'I' || c == 'O' || c == 'i' || c == 'o')
      return sofText;
    if (n >= 4 && std::memcmp(sig, "\xEF\xBB\xBF", 3) == 0) return sofText;
  }
  return sofUnknown;
}

// ===================================================================================================
// TReader: components

void TReader::DefineProperty(const String& name, TReaderProc readData, TWriterProc, bool) {
  if (readData.Assigned() && SameIdent(name, FPropName)) {
    readData(this);
    FPropName.clear();
  }
}

void TReader::DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc, bool) {
  if (!readData.Assigned() || !SameIdent(name, FPropName)) return;
  if (NextValue() != vaBinary) {
    SkipValue();
    FCanHandleExcepts = true;
    PropValueError();
  }
  auto data = ReadBinary();
  TMemoryStream stream;
  if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  stream.SetPosition(0);
  FCanHandleExcepts = true;
  readData(&stream);
  FPropName.clear();
}

bool TReader::Error(const String& message) {
  bool handled = false;
  if (OnError.Assigned()) OnError(this, message, handled);
  return handled;
}

void TReader::SetName(TComponent* component, String& name) {
  if (OnSetName.Assigned()) OnSetName(this, component, name);
  component->SetName(name);
}

void TReader::ReferenceName(String& name) {
  if (OnReferenceName.Assigned()) OnReferenceName(this, name);
}

TComponentClass TReader::FindComponentClass(const String& className) {
  TComponentClass cls = GetClass(className);
  if (OnFindComponentClass.Assigned()) OnFindComponentClass(this, className, cls);
  if (!cls || !cls->InheritsFrom(TComponent::StaticClass())) throw EClassNotFound("Class " + className + " not found");
  return cls;
}

TComponent* TReader::FindAncestorComponent(const String& name, TClass) {
  TComponent* lookup = FLookupRoot ? FLookupRoot : FRoot;
  TComponent* result = lookup ? lookup->FindComponent(name) : nullptr;
  if (!result) ReadErrorText("Ancestor for '" + name + "' not found");
  return result;
}

void TReader::BeginReferences() {
  if (!FFixups) FFixups = new std::vector<Fixup>();
}

void TReader::FixupReferences() { DoFixupReferences(); }

void TReader::EndReferences() {
  delete FFixups;
  FFixups = nullptr;
}

void TReader::ReadData(TComponent* instance) {
  if (!FFixups) {
    FFixups = new std::vector<Fixup>();
    try {
      ReadDataInner(instance);
      DoFixupReferences();
    } catch (...) {
      delete FFixups;
      FFixups = nullptr;
      throw;
    }
    delete FFixups;
    FFixups = nullptr;
  } else {
    ReadDataInner(instance);
  }
}

void TReader::ReadDataInner(TComponent* instance) {
  while (!EndOfList()) ReadProperty(instance);
  ReadListEnd();
  TComponent* oldParent = FParent;
  TComponent* oldOwner = FOwner;
  FParent = instance->GetChildParent();
  try {
    FOwner = instance->GetChildOwner();
    if (!FOwner) FOwner = FRoot;
    while (!EndOfList()) ReadComponent(nullptr);
    ReadListEnd();
  } catch (...) {
    FParent = oldParent;
    FOwner = oldOwner;
    throw;
  }
  FParent = oldParent;
  FOwner = oldOwner;
}

namespace rtl_detail {
void MarkNextComponentLoading(bool value);
}

TComponent* TReader::ReadComponent(TComponent* component) {
  Nesting nesting(*this);
  TFilerFlags flags;
  int32_t position = 0;
  ReadPrefix(flags, position);
  String compClass = ReadStr();
  String compName = ReadStr();
  TComponent* oldParent = FParent;
  TComponent* oldLookupRoot = FLookupRoot;
  TComponent* result = component;
  bool created = false;
  auto restore = [&] {
    FParent = oldParent;
    FLookupRoot = oldLookupRoot;
  };
  // A component that cannot be made is skipped whole when the error hook accepts that.
  auto recover = [&](const Exception& e) {
    if (created && result) result->Free();
    result = nullptr;
    created = false;
    SkipComponent(false);
    return Error(e.Message());
  };
  try {
    if (!result) {
      if (flags.Contains(ffInherited)) {
        try {
          result = FindAncestorComponent(compName, FindComponentClass(compClass));
          FParent = result->GetParentComponent();
          if (!FParent) FParent = FRoot;
        } catch (const Exception& e) {
          if (!recover(e)) throw;
        }
      } else {
        try {
          TComponentClass cls = FindComponentClass(compClass);
          if (OnCreateComponent.Assigned()) OnCreateComponent(this, cls, result);
          if (!result) {
            rtl_detail::MarkNextComponentLoading(true);
            try {
              result = CreateAs<TComponent>(cls, FOwner);
            } catch (...) {
              rtl_detail::MarkNextComponentLoading(false);
              throw;
            }
            rtl_detail::MarkNextComponentLoading(false);
            if (flags.Contains(ffInline)) {
              if (FRoot && FRoot->ComponentState().Contains(csDesigning)) result->SetDesigning(true);
              result->SetInline(true);
            }
          }
          created = true;
          result->FComponentState.Include(csLoading);
        } catch (const Exception& e) {
          if (!recover(e)) throw;
        }
      }
    }
    if (result) {
      try {
        result->FComponentState.Include(csLoading);
        if (!flags.Contains(ffInherited)) {
          String name = compName;
          SetName(result, name);
        }
        if (result->ComponentState().Contains(csInline)) FLookupRoot = result;
        if (FParent && result != FRoot && result->HasParent() && result->GetParentComponent() != FParent)
          result->SetParentComponent(FParent);
        result->FComponentState.Include(csReading);
        result->ReadState(this);
        result->FComponentState.Exclude(csReading);
        if (flags.Contains(ffChildPos) && FParent) FParent->SetChildOrder(result, position);
        if (FLoaded) {
          if (std::find(FLoaded->begin(), FLoaded->end(), result) == FLoaded->end()) FLoaded->push_back(result);
        }
      } catch (...) {
        if (created) result->Free();
        throw;
      }
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
  ReadSignature();
  TComponent* result = nullptr;
  TFilerFlags flags;
  int32_t pos = 0;
  std::vector<TComponent*> loaded;
  try {
    ReadPrefix(flags, pos);
    if (!root) {
      TComponentClass cls = FindClass(ReadStr());
      if (!cls->InheritsFrom(TComponent::StaticClass())) throw EClassNotFound("Class " + cls->ClassName() + " not found");
      result = CreateAs<TComponent>(cls, nullptr);
      result->SetName(ReadStr());
    } else {
      result = root;
      ReadStr();  // the class name of an existing root is not checked
      String name = ReadStr();
      if (result->ComponentState().Contains(csDesigning)) {
        // the designer keeps its own name
      } else {
        result->FComponentState.Include(csLoading);
        result->FComponentState.Include(csReading);
        // A second instance of a form takes the next free name, as "Form1_1".
        String unique = name;
        for (int i = 1; !unique.empty() && FindGlobalComponent(unique) && FindGlobalComponent(unique) != result; ++i)
          unique = name + "_" + std::to_string(i);
        result->SetName(unique);
      }
    }
    SetRoot(result);
    FLoaded = &loaded;
    loaded.push_back(result);
    FOwner = result;
    result->FComponentState.Include(csLoading);
    result->FComponentState.Include(csReading);
    result->ReadState(this);
    result->FComponentState.Exclude(csReading);
    FLoaded = nullptr;
    for (TComponent* c : loaded) c->Loaded();
  } catch (...) {
    FLoaded = nullptr;
    if (!root && result) result->Free();
    throw;
  }
  return result;
}

void TReader::ReadComponents(TComponent* owner, TComponent* parent, Event<TComponent*> proc) {
  std::vector<TComponent*> loaded;
  SetRoot(owner);
  FOwner = owner;
  FParent = parent;
  FLoaded = &loaded;
  try {
    BeginReferences();
    while (!EndOfList()) {
      ReadSignature();
      TComponent* c = ReadComponent(nullptr);
      if (c && proc.Assigned()) proc(c);
    }
    ReadListEnd();
    DoFixupReferences();
  } catch (...) {
    FLoaded = nullptr;
    EndReferences();
    throw;
  }
  FLoaded = nullptr;
  EndReferences();
  for (TComponent* c : loaded) c->Loaded();
}

// ===================================================================================================
// TWriter: components

void TWriter::DefineProperty(const String& name, TReaderProc, TWriterProc writeData, bool hasData) {
  if (SameIdent(name, "Strings")) FStringsDefined = true;
  if (hasData && writeData.Assigned()) {
    WritePropName(name);
    writeData(this);
  }
}

void TWriter::DefineBinaryProperty(const String& name, TStreamProc, TStreamProc writeData, bool hasData) {
  if (!hasData || !writeData.Assigned()) return;
  WritePropName(name);
  TMemoryStream stream;
  writeData(&stream);
  WriteBinary(stream.Memory(), static_cast<int32_t>(stream.Size()));
}

void TWriter::WritePropName(const String& name) { WriteStr(FPropPath + name); }

void TWriter::AddAncestor(TComponent* component) { FAncestorList.push_back(component); }

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor) {
  FRootAncestor = ancestor;
  FAncestor = ancestor;
  SetRoot(root);
  WriteSignature();
  WriteComponent(root);
}

void TWriter::WriteRootComponent(TComponent* root) { WriteDescendent(root, nullptr); }

void TWriter::WriteComponent(TComponent* component) {
  TPersistent* oldAncestor = FAncestor;
  TComponent* oldRootAncestor = FRootAncestor;
  auto setWriting = [component](bool on) {
    if (on)
      component->FComponentState.Include(csWriting);
    else
      component->FComponentState.Exclude(csWriting);
    for (TComponent* c : component->FComponents)
      if (c->ComponentStyle().Contains(csSubComponent)) {
        if (on)
          c->FComponentState.Include(csWriting);
        else
          c->FComponentState.Exclude(csWriting);
      }
  };
  try {
    setWriting(true);
    if (FAncestorListActive) {
      FAncestor = nullptr;
      for (TComponent* a : FAncestorList)
        if (SameIdent(a->Name(), component->Name())) {
          FAncestor = a;
          break;
        }
    }
    if (OnFindAncestor.Assigned()) {
      TComponent* ancestor = dynamic_cast<TComponent*>(FAncestor);
      if (!FAncestor || ancestor) {
        OnFindAncestor(this, component, component->Name(), ancestor, FRootAncestor);
        FAncestor = ancestor;
      }
    }
    component->WriteState(this);
  } catch (...) {
    setWriting(false);
    FAncestor = oldAncestor;
    FRootAncestor = oldRootAncestor;
    throw;
  }
  setWriting(false);
  FAncestor = oldAncestor;
  FRootAncestor = oldRootAncestor;
}

void TWriter::WriteData(TComponent* instance) {
  TFilerFlags flags;
  if (instance->ComponentState().Contains(csInline)) {
    if (FAncestor && instance->ComponentState().Contains(csAncestor) && !FAncestorList.empty())
      flags.Include(ffInherited);
    else
      flags.Include(ffInline);
  } else if (FAncestor) {
    flags.Include(ffInherited);
  }
  bool haveList = !FAncestorList.empty() && FAncestorPos < static_cast<int32_t>(FAncestorList.size());
  if (haveList && (!FAncestor || FAncestorList[static_cast<size_t>(FAncestorPos)] != FAncestor)) flags.Include(ffChildPos);
  WritePrefix(flags, FChildPos);
  WriteStr(instance->ClassName());
  WriteStr(instance->Name());
  if (haveList) {
    if (FAncestor) ++FAncestorPos;
    ++FChildPos;
  }
  WriteProperties(instance);
  WriteListEnd();

  std::vector<TComponent*> oldList;
  oldList.swap(FAncestorList);
  int32_t oldPos = FAncestorPos, oldChildPos = FChildPos;
  bool oldActive = FAncestorListActive;
  FAncestorListActive = false;
  TComponent* oldRoot = FRoot;
  TComponent* oldLookupRoot = FLookupRoot;
  TComponent* oldRootAncestor = FRootAncestor;
  FAncestorPos = 0;
  FChildPos = 0;
  auto restore = [&] {
    FAncestorList.swap(oldList);
    FAncestorPos = oldPos;
    FChildPos = oldChildPos;
    FAncestorListActive = oldActive;
    FRoot = oldRoot;
    FLookupRoot = oldLookupRoot;
    FRootAncestor = oldRootAncestor;
  };
  try {
    if (!FIgnoreChildren) {
      if (auto* ancestor = dynamic_cast<TComponent*>(FAncestor)) {
        if (ancestor->ComponentState().Contains(csInline)) FRootAncestor = ancestor;
        ancestor->GetChildren(TGetChildProc(this, &TWriter::AddAncestor), FRootAncestor);
        FAncestorListActive = true;
      }
      if (instance->ComponentState().Contains(csInline)) {
        FRoot = instance;
        FLookupRoot = instance;
      }
      instance->GetChildren(TGetChildProc(this, &TWriter::WriteComponent), FRoot);
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  WriteListEnd();
}

void TWriter::WriteCollection(TCollection* value) {
  TPersistent* oldAncestor = FAncestor;
  FAncestor = nullptr;
  // Items name their properties from the item itself, also when the collection is a nested property
  // ("Properties.Buttons"): the reader reads each item as a root of its own.
  String oldPath = std::exchange(FPropPath, String());
  try {
    WriteValue(vaCollection);
    if (value)
      for (int32_t i = 0; i < value->Count(); ++i) {
        WriteListBegin();
        WriteProperties(value->Items(i));
        WriteListEnd();
      }
    WriteListEnd();
  } catch (...) {
    FAncestor = oldAncestor;
    FPropPath = oldPath;
    throw;
  }
  FAncestor = oldAncestor;
  FPropPath = oldPath;
}

String TWriter::ReferenceNameOf(TComponent* c) {
  TComponent* lookup = FLookupRoot;
  if (c->Owner() == lookup) return c->Name();
  if (c == lookup) return "Owner";
  if (c->Owner() && !c->Owner()->Name().empty() && !c->Name().empty()) return c->Owner()->Name() + "." + c->Name();
  if (!c->Name().empty()) return c->Name() + ".Owner";
  return String();
}

// ===================================================================================================
// Convenience

void WriteComponentToStream(TStream* stream, TComponent* component) {
  TWriter w(stream, 4096);
  w.WriteDescendent(component, nullptr);
  w.FlushBuffer();
}

TComponent* ReadComponentFromStream(TStream* stream, TComponent* instance) {
  TReader r(stream, 4096);
  return r.ReadRootComponent(instance);
}

String ComponentToBinary(TComponent* component) {
  TStringStream s;
  WriteComponentToStream(&s, component);
  return s.DataString();
}

String ComponentToText(TComponent* component) { return ObjectBinaryToText(ComponentToBinary(component)); }

TComponent* ReadComponentFromText(const String& text, TComponent* root) {
  TStringStream in(text);
  if (TestStreamFormat(&in) == sofBinary) return ReadComponentFromStream(&in, root);
  TStringStream bin;
  ObjectTextToBinary(&in, &bin);
  bin.SetPosition(0);
  return ReadComponentFromStream(&bin, root);
}


// ===================================================================================================
// Published properties

namespace {

bool IsDateType(PTypeInfo t) {
  for (; t; t = t->BaseType)
    if (t == TypeInfoDateTime() || t->Name == "TDateTime") return true;
  return false;
}

// "Form1.Panel1.Button1" or "Owner": each part looked up among the previous component's owned ones.
TComponent* FindNestedComponent(TComponent* root, const String& path) {
  if (!root) return nullptr;
  TComponent* result = nullptr;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = i;
    while (j < path.size() && path[j] != '.' && path[j] != '-') ++j;
    String part = path.substr(i, j - i);
    if (j < path.size() && path[j] == '-' && j + 1 < path.size() && path[j + 1] == '>') ++j;
    i = j + 1;
    if (part.empty()) {
      if (j >= path.size()) break;
      continue;
    }
    result = root->FindComponent(part);
    if (!result && SameIdent(part, "Owner")) result = root;
    if (!result) return nullptr;
    root = result;
  }
  return result;
}

TComponent* ResolveReference(TComponent* root, const String& name) {
  if (TComponent* c = FindNestedComponent(root, name)) return c;
  size_t dot = name.find('.');
  if (dot == String::npos) return FindGlobalComponent(name);
  TComponent* global = FindGlobalComponent(name.substr(0, dot));
  return global ? FindNestedComponent(global, name.substr(dot + 1)) : nullptr;
}

}  // namespace

void TReader::PropertyError(const String& name) {
  SkipValue();
  ReadErrorText("Property " + name + " does not exist");
}

bool TReader::PropertyNotFound(TPersistent* instance, String& name, bool isPath) {
  if (!OnPropertyNotFound.Assigned()) return false;
  bool handled = false, skip = false;
  String original = name;
  OnPropertyNotFound(this, instance, name, isPath, handled, skip);
  if (handled) return true;
  if (skip) {
    SkipValue();
    return true;
  }
  return false;  // the caller retries when name was changed
}

bool TReader::ReadStringsFallback(TPersistent* instance) {
  // String lists stream their lines as the defined property "Strings", a list of strings.
  auto* strings = dynamic_cast<TStrings*>(instance);
  if (!strings || !SameIdent(FPropName, "Strings")) return false;
  FPropName.clear();
  ReadListBegin();
  strings->BeginUpdate();
  try {
    strings->Clear();
    while (!EndOfList()) strings->Add(ReadString());
  } catch (...) {
    strings->EndUpdate();
    throw;
  }
  strings->EndUpdate();
  ReadListEnd();
  return true;
}

void TReader::ReadProperty(TPersistent* instance) {
  String path;
  try {
    path = ReadStr();
    try {
      FCanHandleExcepts = true;
      TPersistent* obj = instance;
      size_t start = 0;
      while (true) {
        size_t dot = path.find('.', start);
        FPropName = path.substr(start, dot == String::npos ? String::npos : dot - start);
        if (dot == String::npos) break;
        start = dot + 1;
        const TPropInfo* prop = GetPropInfo(obj->ClassType(), FPropName);
        if (!prop) {
          String name = FPropName;
          if (PropertyNotFound(obj, name, true)) return;
          prop = name != FPropName ? GetPropInfo(obj->ClassType(), name) : nullptr;
          if (!prop) PropertyError(FPropName);
        }
        TObject* value = prop->Kind() == tkClass && prop->Readable() ? GetObjectProp(obj, prop) : nullptr;
        auto* next = dynamic_cast<TPersistent*>(value);
        if (!next) {
          SkipValue();
          ReadErrorText("Invalid property path");
        }
        obj = next;
      }
      const TPropInfo* prop = GetPropInfo(obj->ClassType(), FPropName);
      if (prop) {
        ReadPropValue(obj, prop);
      } else {
        // A defined property's reader cannot be recovered from half-way; errors there end the read.
        FCanHandleExcepts = false;
        obj->DefineProperties(this);
        FCanHandleExcepts = true;
        if (!FPropName.empty() && !ReadStringsFallback(obj)) {
          String name = FPropName;
          if (PropertyNotFound(obj, name, false)) return;
          if (name != FPropName) {
            if (const TPropInfo* other = GetPropInfo(obj->ClassType(), name)) {
              ReadPropValue(obj, other);
              return;
            }
            FPropName = name;
            FCanHandleExcepts = false;
            obj->DefineProperties(this);
            FCanHandleExcepts = true;
            if (FPropName.empty()) return;
          }
          PropertyError(FPropName);
        }
      }
    } catch (const Exception& e) {
      String name;
      if (auto* c = dynamic_cast<TComponent*>(instance)) name = c->Name();
      if (name.empty()) name = instance->ClassName();
      throw EReadError("Error reading " + name + "." + path + ": " + e.Message());
    }
  } catch (const Exception& e) {
    if (!FCanHandleExcepts || !Error(e.Message())) throw;
  }
}

TMethod TReader::FindMethod(TComponent* root, const String& methodName) {
  TMethod method = ::FindMethod(root, methodName);
  bool error = !method.Code.Assigned();
  if (OnFindMethod.Assigned()) OnFindMethod(this, methodName, method, error);
  if (error) PropValueError();
  return method;
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo* prop) {
  PTypeInfo type = prop->PropType;
  if (!prop->Writable() && prop->Kind() != tkClass) {
    SkipValue();
    ReadErrorText("Property is read-only");
  }
  switch (prop->Kind()) {
    case tkInteger:
      if (NextValue() == vaIdent) {
        String ident = ReadIdent();
        int32_t value = 0;
        TIdentToInt map = FindIdentToInt(type);
        if (!map || !map(ident, value)) PropValueError();
        SetOrdProp(instance, prop, value);
      } else {
        SetOrdProp(instance, prop, ReadInt64());
      }
      break;
    case tkChar: SetOrdProp(instance, prop, static_cast<unsigned char>(ReadChar())); break;
    case tkWChar: {
      WideString w = ReadWideString();
      if (w.size() != 1) PropValueError();
      SetOrdProp(instance, prop, w[0]);
      break;
    }
    case tkEnumeration: {
      int64_t value = GetEnumValue(type, ReadIdent());
      if (value < 0) PropValueError();
      SetOrdProp(instance, prop, value);
      break;
    }
    case tkFloat:
      if (type->FloatType == ftCurr)
        SetCurrencyProp(instance, prop, ReadCurrency());
      else if (IsDateType(type))
        SetFloatProp(instance, prop, ReadDate());
      else if (type->FloatType == ftSingle)
        SetFloatProp(instance, prop, ReadSingle());
      else
        SetFloatProp(instance, prop, static_cast<double>(ReadFloat()));
      break;
    case tkString:
    case tkLString: SetStrProp(instance, prop, ReadString()); break;
    case tkWString: SetWideStrProp(instance, prop, ReadWideString()); break;
    case tkInt64: SetInt64Prop(instance, prop, ReadInt64()); break;
    case tkSet: {
      if (ReadValue() != vaSet) {
        --FBufPos;
        SkipValue();
        PropValueError();
      }
      TSetBits bits;
      PTypeInfo comp = type->CompType;
      for (String name = ReadStr(); !name.empty(); name = ReadStr()) {
        int64_t v = GetEnumValue(comp, name);
        if (v < 0) {
          SkipSetBody();
          PropValueError();
        }
        if (v < 256) bits.Words[v / 64] |= uint64_t(1) << (v % 64);
      }
      SetSetBits(instance, prop, bits);
      break;
    }
    case tkClass:
      switch (NextValue()) {
        case vaNil:
          ReadValue();
          if (!prop->Writable()) ReadErrorText("Property is read-only");
          SetObjectProp(instance, prop, nullptr);
          break;
        case vaCollection: {
          ReadValue();
          auto* collection = dynamic_cast<TCollection*>(GetObjectProp(instance, prop));
          if (!collection) {
            --FBufPos;
            SkipValue();
            PropValueError();
          }
          ReadCollection(collection);
          break;
        }
        default: {
          if (!prop->Writable()) {
            SkipValue();
            ReadErrorText("Property is read-only");
          }
          String name = ReadIdent();
          ReferenceName(name);
          TComponent* root = FLookupRoot ? FLookupRoot : FRoot;
          if (FFixups)
            FFixups->push_back(Fixup{instance, prop, root, name});
          else if (TComponent* c = ResolveReference(root, name))
            SetObjectProp(instance, prop, c);
        }
      }
      break;
    case tkMethod:
      if (NextValue() == vaNil) {
        ReadValue();
        SetMethodProp(instance, prop, TMethod());
      } else {
        String name = ReadIdent();
        TMethod method = FindMethod(FRoot, name);
        if (method.Assigned()) SetMethodProp(instance, prop, method);
      }
      break;
    case tkVariant: {
      Variant v = ReadVariant();
      SetVariantProp(instance, prop, v);
      break;
    }
    case tkInterface:
      // Only the empty interface has a stream form that can be read back.
      if (NextValue() == vaNil) {
        ReadValue();
        SetInterfaceProp(instance, prop, nullptr);
      } else {
        SkipValue();
      }
      break;
    default:
      SkipValue();
      PropValueError();
  }
}

void TReader::DoFixupReferences() {
  if (!FFixups) return;
  std::vector<Fixup> fixups;
  fixups.swap(*FFixups);
  for (const Fixup& f : fixups) {
    // An unresolved reference leaves the property as it was.
    if (TComponent* c = ResolveReference(f.root, f.name)) SetObjectProp(f.instance, f.prop, c);
  }
}

void TReader::ReadCollection(TCollection* collection) {
  Nesting nesting(*this);
  collection->BeginUpdate();
  try {
    if (!EndOfList()) collection->Clear();
    while (!EndOfList()) {
      TValueType t = NextValue();
      if (t == vaInt8 || t == vaInt16 || t == vaInt32) ReadInteger();
      TCollectionItem* item = collection->Add();
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(instance->ClassType())) {
    if (prop->Readable() && IsStoredProp(instance, prop)) WriteProperty(instance, prop);
  }
  bool oldDefined = FStringsDefined;
  FStringsDefined = false;
  instance->DefineProperties(this);
  if (auto* strings = dynamic_cast<TStrings*>(instance); strings && !FStringsDefined) {
    auto* ancestor = dynamic_cast<TStrings*>(FAncestor);
    bool hasData = ancestor ? !strings->Equals(ancestor) : strings->Count() > 0;
    if (hasData) {
      WritePropName("Strings");
      WriteListBegin();
      for (int32_t i = 0; i < strings->Count(); ++i) WriteString(strings->Strings(i));
      WriteListEnd();
    }
  }
  FStringsDefined = oldDefined;
}

bool TWriter::CollectionsEqual(TCollection* a, TCollection* b) {
  if (!a || !b) return a == b;
  if (a->Count() != b->Count()) return false;
  auto image = [this](TCollection* c) {
    TStringStream s;
    {
      TWriter w(&s, 1024);
      w.SetRoot(FRoot);
      w.FLookupRoot = FLookupRoot;
      w.WriteCollection(c);
      w.FlushBuffer();
    }
    return s.DataString();
  };
  return image(a) == image(b);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo* prop) {
  PTypeInfo type = prop->PropType;
  TPersistent* ancestor = FAncestor;
  bool ancestorValid = ancestor && (ancestor->ClassType() == instance->ClassType() || instance == FRoot) &&
                       ancestor->InheritsFrom(prop->Owner);
  if (!prop->Writable() && prop->Kind() != tkClass) return;
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration: {
      int64_t value = GetOrdProp(instance, prop);
      bool isDefault = ancestorValid ? value == GetOrdProp(ancestor, prop) : prop->HasDefault && value == prop->Default;
      if (isDefault) return;
      WritePropName(prop->Name);
      if (prop->Kind() == tkEnumeration) {
        WriteIdent(GetEnumName(type, value));
      } else if (prop->Kind() == tkChar) {
        WriteChar(static_cast<char>(value));
      } else if (prop->Kind() == tkWChar) {
        WriteWideString(WideString(1, static_cast<char16_t>(value)));
      } else {
        String ident;
        TIntToIdent map = FindIntToIdent(type);
        if (map && map(static_cast<int32_t>(value), ident))
          WriteIdent(ident);
        else
          WriteInteger(value);
      }
      return;
    }
    case tkInt64: {
      int64_t value = GetInt64Prop(instance, prop);
      bool isDefault = ancestorValid ? value == GetInt64Prop(ancestor, prop) : prop->HasDefault && value == prop->Default;
      if (isDefault) return;
      WritePropName(prop->Name);
      WriteInteger(value);
      return;
    }
    case tkSet: {
      TSetBits bits = GetSetBits(instance, prop);
      TSetBits def;
      if (ancestorValid)
        def = GetSetBits(ancestor, prop);
      else if (prop->HasDefault)
        def.Words[0] = static_cast<uint64_t>(prop->Default);
      if ((ancestorValid || prop->HasDefault) && bits == def) return;
      std::vector<String> names;
      for (size_t i = 0; i < 256 && i < type->SetSize; ++i)
        if ((bits.Words[i / 64] >> (i % 64)) & 1u) names.push_back(GetEnumName(type->CompType, static_cast<int64_t>(i)));
      WritePropName(prop->Name);
      WriteSetNames(names);
      return;
    }
    case tkFloat: {
      if (type->FloatType == ftCurr) {
        Currency value = GetCurrencyProp(instance, prop);
        Currency def = ancestorValid ? GetCurrencyProp(ancestor, prop) : Currency();
        if (value == def) return;
        WritePropName(prop->Name);
        WriteCurrency(value);
        return;
      }
      double value = GetFloatProp(instance, prop);
      double def = ancestorValid ? GetFloatProp(ancestor, prop) : 0.0;
      if (value == def) return;
      WritePropName(prop->Name);
      if (IsDateType(type))
        WriteDate(value);
      else if (type->FloatType == ftSingle)
        WriteSingle(static_cast<float>(value));
      else
        WriteFloat(value);
      return;
    }
    case tkString:
    case tkLString: {
      String value = GetStrProp(instance, prop);
      if (ancestorValid ? value == GetStrProp(ancestor, prop) : value.empty()) return;
      WritePropName(prop->Name);
      WriteString(value);
      return;
    }
    case tkWString: {
      WideString value = GetWideStrProp(instance, prop);
      if (ancestorValid ? value == GetWideStrProp(ancestor, prop) : value.empty()) return;
      WritePropName(prop->Name);
      WriteWideString(value);
      return;
    }
    case tkClass: {
      TObject* value = GetObjectProp(instance, prop);
      TObject* ancestorValue = ancestorValid ? GetObjectProp(ancestor, prop) : nullptr;
      if (!value) {
        if (ancestorValue && prop->Writable()) {
          WritePropName(prop->Name);
          WriteValue(vaNil);
        }
        return;
      }
      auto* component = dynamic_cast<TComponent*>(value);
      if (component && !component->ComponentStyle().Contains(csSubComponent)) {
        if (!prop->Writable()) return;
        auto* ancestorComponent = dynamic_cast<TComponent*>(ancestorValue);
        if (ancestorComponent && SameIdent(ancestorComponent->Name(), component->Name())) return;
        String name = ReferenceNameOf(component);
        if (name.empty()) return;
        WritePropName(prop->Name);
        WriteIdent(name);
        return;
      }
      if (auto* collection = dynamic_cast<TCollection*>(value)) {
        if (!ancestorValid || !CollectionsEqual(collection, dynamic_cast<TCollection*>(ancestorValue))) {
          WritePropName(prop->Name);
          WriteCollection(collection);
        }
        return;
      }
      if (auto* nested = dynamic_cast<TPersistent*>(value)) {
        String oldPath = FPropPath;
        FPropPath += prop->Name + ".";
        FAncestor = ancestorValid ? dynamic_cast<TPersistent*>(ancestorValue) : nullptr;
        try {
          WriteProperties(nested);
        } catch (...) {
          FPropPath = oldPath;
          FAncestor = ancestor;
          throw;
        }
        FPropPath = oldPath;
        FAncestor = ancestor;
      }
      return;
    }
    case tkMethod: {
      TMethod value = GetMethodProp(instance, prop);
      TComponent* lookup = FLookupRoot ? FLookupRoot : FRoot;
      String name = lookup && value.Code.Assigned() ? MethodName(lookup->ClassType(), value.Code) : String();
      if (ancestorValid) {
        TMethod av = GetMethodProp(ancestor, prop);
        String ancestorName = av.Code.Assigned() && FRootAncestor ? MethodName(FRootAncestor->ClassType(), av.Code)
                              : av.Code.Assigned() && lookup   ? MethodName(lookup->ClassType(), av.Code)
                                                               : String();
        if (SameIdent(name, ancestorName)) return;
        if (name.empty()) {
          WritePropName(prop->Name);
          WriteValue(vaNil);
          return;
        }
      }
      // Handlers that are no published method of the root (plain callables) have no stream form.
      if (name.empty()) return;
      WritePropName(prop->Name);
      WriteIdent(name);
      return;
    }
    case tkVariant: {
      Variant value;
      GetVariantProp(instance, prop, value);
      if (ancestorValid) {
        Variant av;
        GetVariantProp(ancestor, prop, av);
        if (VarType(av) == VarType(value) && (VarIsEmpty(value) || VarIsNull(value) || VarSameValue(av, value))) return;
      } else if (VarIsEmpty(value)) {
        return;
      }
      WritePropName(prop->Name);
      WriteVariant(value);
      return;
    }
    default: return;
  }
}

// ===================================================================================================
// Variants

Variant TReader::ReadVariant() {
  switch (NextValue()) {
    case vaNil:
      ReadValue();
      return Variant();
    case vaNull:
      ReadValue();
      return Variant::Null();
    case vaInt8: return Variant(static_cast<int8_t>(ReadInteger()));
    case vaInt16: return Variant(static_cast<int16_t>(ReadInteger()));
    case vaInt32: return Variant(ReadInteger());
    case vaInt64: return Variant(ReadInt64());
    case vaExtended: return Variant(static_cast<double>(ReadFloat()));
    case vaSingle: return Variant(ReadSingle());
    case vaCurrency: return Variant(ReadCurrency());
    case vaDate: return Variant::FromDateTime(ReadDate());
    case vaString:
    case vaLString:
    case vaUTF8String: return Variant(ReadString());
    case vaWString: return Variant(ReadWideString());
    case vaFalse:
    case vaTrue: return Variant(ReadBoolean());
    default:
      SkipValue();
      PropValueError();
  }
}

void TWriter::WriteVariant(const Variant& value) {
  if (VarIsArray(value)) throw EWriteError("Invalid variant type");
  switch (VarType(value) & varTypeMask) {
    case varEmpty: WriteValue(vaNil); break;
    case varNull: WriteValue(vaNull); break;
    case varOleStr: WriteWideString(value.AsWideString()); break;
    case varString: WriteString(value.AsString()); break;
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64: WriteInteger(value.AsInt64()); break;
    case varSingle: WriteSingle(static_cast<float>(value.AsDouble())); break;
    case varDouble: WriteFloat(value.AsDouble()); break;
    case varDate: WriteDate(value.AsDateTime()); break;
    case varCurrency: WriteCurrency(value.AsCurrency()); break;
    case varBoolean: WriteBoolean(value.AsBoolean()); break;
    default:
      // Custom kinds (BCD, SQL time stamps) travel as their text.
      WriteString(value.AsString());
  }
}
