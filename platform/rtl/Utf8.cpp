#include "rtl/Utf8.h"

namespace {

inline bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes the unit at pos; returns its length (0 past the end) and stores the code point.
size_t Decode(const char* p, size_t n, size_t pos, char32_t& cp) {
  if (pos >= n) {
    cp = 0;
    return 0;
  }
  const unsigned char c = static_cast<unsigned char>(p[pos]);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;        // overlong
    else if (c == 0xED) hi = 0x9F;   // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;        // overlong
    else if (c == 0xF4) hi = 0x8F;   // beyond U+10FFFF
  } else {
    cp = 0xFFFD;
    return 1;
  }
  if (pos + len > n) {
    cp = 0xFFFD;
    return 1;
  }
  const unsigned char c1 = static_cast<unsigned char>(p[pos + 1]);
  if (c1 < lo || c1 > hi) {
    cp = 0xFFFD;
    return 1;
  }
  char32_t v = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  v = (v << 6) | (c1 & 0x3F);
  for (size_t i = 2; i < len; ++i) {
    const unsigned char ci = static_cast<unsigned char>(p[pos + i]);
    if (!IsCont(ci)) {
      cp = 0xFFFD;
      return 1;
    }
    v = (v << 6) | (ci & 0x3F);
  }
  cp = v;
  return len;
}

struct PairRange {  // alternating upper/lower pairs starting with an upper-case letter at lo
  char32_t lo, hi;
};
struct OffsetRange {  // upper-case letters lo..hi whose lower case is cp + delta
  char32_t lo, hi;
  int32_t delta;
};
struct Single {
  char32_t upper, lower;
};

constexpr PairRange kPairs[] = {
    {0x0100, 0x012F}, {0x0132, 0x0137}, {0x0139, 0x0148}, {0x014A, 0x0177}, {0x0179, 0x017E},
    {0x0182, 0x0185}, {0x01A0, 0x01A5}, {0x01CD, 0x01DC}, {0x01DE, 0x01EF}, {0x01F8, 0x021F},
    {0x0222, 0x0233}, {0x0246, 0x024F}, {0x03D8, 0x03EF}, {0x0460, 0x0481}, {0x048A, 0x04BF},
    {0x04C1, 0x04CE}, {0x04D0, 0x052F}, {0x1E00, 0x1E95}, {0x1EA0, 0x1EFF},
};

constexpr OffsetRange kOffsets[] = {
    {0x0041, 0x005A, 32},  {0x00C0, 0x00D6, 32},  {0x00D8, 0x00DE, 32},  {0x0388, 0x038A, 37},
    {0x038E, 0x038F, 63},  {0x0391, 0x03A1, 32},  {0x03A3, 0x03AB, 32},  {0x0400, 0x040F, 80},
    {0x0410, 0x042F, 32},  {0x0531, 0x0556, 48},  {0x10A0, 0x10C5, 0x1C60}, {0xFF21, 0xFF3A, 32},
};

// One-to-one pairs outside the regular ranges.
constexpr Single kSingles[] = {
    {0x0178, 0x00FF}, {0x0181, 0x0253}, {0x0186, 0x0254}, {0x0187, 0x0188}, {0x0189, 0x0256},
    {0x018A, 0x0257}, {0x018B, 0x018C}, {0x018E, 0x01DD}, {0x018F, 0x0259}, {0x0190, 0x025B},
    {0x0191, 0x0192}, {0x0193, 0x0260}, {0x0194, 0x0263}, {0x0196, 0x0269}, {0x0197, 0x0268},
    {0x0198, 0x0199}, {0x019C, 0x026F}, {0x019D, 0x0272}, {0x019F, 0x0275}, {0x01A7, 0x01A8},
    {0x01A9, 0x0283}, {0x01AC, 0x01AD}, {0x01AE, 0x0288}, {0x01AF, 0x01B0}, {0x01B1, 0x028A},
    {0x01B2, 0x028B}, {0x01B3, 0x01B4}, {0x01B5, 0x01B6}, {0x01B7, 0x0292}, {0x01B8, 0x01B9},
    {0x01BC, 0x01BD}, {0x01C4, 0x01C6}, {0x01C7, 0x01C9}, {0x01CA, 0x01CC}, {0x01F1, 0x01F3},
    {0x01F4, 0x01F5}, {0x0386, 0x03AC}, {0x038C, 0x03CC}, {0x03F7, 0x03F8}, {0x03FA, 0x03FB},
    {0x04C0, 0x04CF},
};

// Mappings that only go one way (title-case digraphs, dotted/dotless i, long s, final sigma, micro sign).
constexpr Single kToLowerOnly[] = {
    {0x0130, 0x0069}, {0x01C5, 0x01C6}, {0x01C8, 0x01C9}, {0x01CB, 0x01CC}, {0x01F2, 0x01F3}, {0x1E9E, 0x00DF},
};
constexpr Single kToUpperOnly[] = {
    {0x0049, 0x0131}, {0x0053, 0x017F}, {0x039C, 0x00B5}, {0x03A3, 0x03C2},
    {0x01C4, 0x01C5}, {0x01C7, 0x01C8}, {0x01CA, 0x01CB}, {0x01F1, 0x01F2},
};

struct Range {
  char32_t lo, hi;
};
constexpr Range kLetterRanges[] = {
    {0x00AA, 0x00AA}, {0x00BA, 0x00BA}, {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x02AF},
    {0x0370, 0x0373}, {0x0376, 0x0377}, {0x037B, 0x037D}, {0x0386, 0x0386}, {0x0388, 0x03FF},
    {0x0400, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556}, {0x0561, 0x0587}, {0x05D0, 0x05EA},
    {0x0620, 0x064A}, {0x0671, 0x06D3}, {0x0904, 0x0939}, {0x0E01, 0x0E30}, {0x10A0, 0x10FF},
    {0x1100, 0x11FF}, {0x1E00, 0x1FFF}, {0x2D00, 0x2D25}, {0x3041, 0x3096}, {0x30A1, 0x30FA},
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFF21, 0xFF3A},
    {0xFF41, 0xFF5A}, {0xFF66, 0xFF9F},
};

char32_t SlowToLower(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  for (const auto& r : kOffsets)
    if (cp >= r.lo && cp <= r.hi) return static_cast<char32_t>(static_cast<int32_t>(cp) + r.delta);
  for (const auto& r : kPairs)
    if (cp >= r.lo && cp <= r.hi) return ((cp - r.lo) & 1) == 0 ? cp + 1 : cp;
  for (const auto& p : kSingles)
    if (p.upper == cp) return p.lower;
  for (const auto& p : kToLowerOnly)
    if (p.upper == cp) return p.lower;
  return cp;
}

char32_t SlowToUpper(char32_t cp) {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  for (const auto& r : kOffsets) {
    const char32_t lo = static_cast<char32_t>(static_cast<int32_t>(r.lo) + r.delta);
    const char32_t hi = static_cast<char32_t>(static_cast<int32_t>(r.hi) + r.delta);
    if (cp >= lo && cp <= hi) return static_cast<char32_t>(static_cast<int32_t>(cp) - r.delta);
  }
  for (const auto& r : kPairs)
    if (cp >= r.lo && cp <= r.hi) return ((cp - r.lo) & 1) == 1 ? cp - 1 : cp;
  for (const auto& p : kSingles)
    if (p.lower == cp) return p.upper;
  for (const auto& p : kToUpperOnly)
    if (p.lower == cp) return p.upper;
  return cp;
}

bool SlowIsLetter(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z');
  for (const auto& r : kLetterRanges)
    if (cp >= r.lo && cp <= r.hi) return cp != 0x03F6;
  return false;
}


// The scripts most text uses (below U+0800: Latin, Greek, Cyrillic, Armenian, Hebrew, Arabic) go through
// tables built once from the range lists; sorting and case-insensitive search call these per character.
constexpr char32_t kTableSize = 0x800;
struct CaseTables {
  char16_t lower[kTableSize];
  char16_t upper[kTableSize];
  bool letter[kTableSize];
  CaseTables() {
    for (char32_t c = 0; c < kTableSize; ++c) {
      lower[c] = static_cast<char16_t>(SlowToLower(c));
      upper[c] = static_cast<char16_t>(SlowToUpper(c));
      letter[c] = SlowIsLetter(c);
    }
  }
};
const CaseTables& Tables() {
  static const CaseTables t;
  return t;
}

}  // namespace

char32_t UnicodeToLower(char32_t cp) { return cp < kTableSize ? Tables().lower[cp] : SlowToLower(cp); }
char32_t UnicodeToUpper(char32_t cp) { return cp < kTableSize ? Tables().upper[cp] : SlowToUpper(cp); }
bool UnicodeIsLetter(char32_t cp) { return cp < kTableSize ? Tables().letter[cp] : SlowIsLetter(cp); }

size_t Utf8UnitLength(const String& s, size_t pos) {
  char32_t cp;
  return Decode(s.data(), s.size(), pos, cp);
}

char32_t Utf8CodePointAt(const String& s, size_t pos, size_t* len) {
  char32_t cp;
  const size_t l = Decode(s.data(), s.size(), pos, cp);
  if (len) *len = l;
  return cp;
}

size_t Utf8NextBoundary(const String& s, size_t pos) {
  if (pos >= s.size()) return s.size();
  return pos + Utf8UnitLength(s, pos);
}

size_t Utf8PrevBoundary(const String& s, size_t pos) {
  if (pos > s.size()) pos = s.size();
  if (pos == 0) return 0;
  // Every byte that is not a continuation byte starts a unit; look back for the nearest one.
  const size_t limit = pos >= 4 ? pos - 4 : 0;
  for (size_t lead = pos; lead-- > limit;) {
    if (!IsCont(static_cast<unsigned char>(s[lead]))) {
      const size_t len = Utf8UnitLength(s, lead);
      return lead + len >= pos ? lead : pos - 1;
    }
  }
  return pos - 1;  // a run of stray continuation bytes: each is its own unit
}

size_t Utf8AlignBoundary(const String& s, size_t pos) {
  if (pos >= s.size()) return s.size();
  if (!IsCont(static_cast<unsigned char>(s[pos]))) return pos;
  const size_t prev = Utf8PrevBoundary(s, pos);
  return prev + Utf8UnitLength(s, prev) > pos ? prev : pos;
}

bool Utf8IsBoundary(const String& s, size_t pos) { return pos <= s.size() && Utf8AlignBoundary(s, pos) == pos; }

int32_t Utf8Length(const String& s) {
  int32_t n = 0;
  for (size_t i = 0; i < s.size(); i += Utf8UnitLength(s, i)) ++n;
  return n;
}

size_t Utf8ByteOffset(const String& s, int32_t cpIndex) {
  size_t pos = 0;
  for (int32_t i = 0; i < cpIndex && pos < s.size(); ++i) pos += Utf8UnitLength(s, pos);
  return pos;
}

int32_t Utf8CodePointIndex(const String& s, size_t byteOffset) {
  int32_t n = 0;
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t next = pos + Utf8UnitLength(s, pos);
    if (next > byteOffset) break;
    pos = next;
    ++n;
  }
  return n;
}

String Utf8Copy(const String& s, int32_t index, int32_t count) {
  if (index < 1) index = 1;
  if (count <= 0) return String();
  const size_t from = Utf8ByteOffset(s, index - 1);
  size_t to = from;
  for (int32_t i = 0; i < count && to < s.size(); ++i) to += Utf8UnitLength(s, to);
  return s.substr(from, to - from);
}

bool Utf8IsValid(const String& s) {
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    const size_t len = Decode(s.data(), s.size(), i, cp);
    if (len == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
    i += len;
  }
  return true;
}

void Utf8Append(String& s, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

String Utf8FromCodePoint(char32_t cp) {
  String s;
  Utf8Append(s, cp);
  return s;
}

WideString Utf8ToUtf16(const String& s) {
  WideString r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t len;
    const char32_t cp = Utf8CodePointAt(s, i, &len);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      r += static_cast<char16_t>(0xD800 + (v >> 10));
      r += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      r += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return r;
}

String Utf16ToUtf8(const WideString& s) {
  String r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    Utf8Append(r, c);  // lone surrogates become U+FFFD
  }
  return r;
}

bool UnicodeIsUpper(char32_t cp) { return UnicodeToLower(cp) != cp; }
bool UnicodeIsLower(char32_t cp) { return UnicodeToUpper(cp) != cp || cp == 0xDF || cp == 0x138; }

bool UnicodeIsDigit(char32_t cp) {
  return (cp >= '0' && cp <= '9') || (cp >= 0x0660 && cp <= 0x0669) || (cp >= 0x06F0 && cp <= 0x06F9) ||
         (cp >= 0x0966 && cp <= 0x096F) || (cp >= 0xFF10 && cp <= 0xFF19);
}

bool UnicodeIsLetterOrDigit(char32_t cp) { return UnicodeIsLetter(cp) || UnicodeIsDigit(cp); }

bool UnicodeIsSpace(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
         cp == 0x3000;
}

namespace {
template <class Map>
String MapCase(const String& s, Map map) {
  String r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      r += static_cast<char>(map(c));
      ++i;
      continue;
    }
    char32_t cp;
    const size_t len = Decode(s.data(), s.size(), i, cp);
    if (len == 1)
      r += s[i];  // an invalid byte stays as it is
    else
      Utf8Append(r, map(cp));
    i += len;
  }
  return r;
}
}  // namespace

String Utf8UpperCase(const String& s) { return MapCase(s, UnicodeToUpper); }
String Utf8LowerCase(const String& s) { return MapCase(s, UnicodeToLower); }

std::u32string Utf8ToCodePoints(const String& s) {
  std::u32string result;
  result.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t len = 0;
    result.push_back(Utf8CodePointAt(s, i, &len));
    i += len ? len : 1;
  }
  return result;
}

String Utf8FromCodePoints(const std::u32string& cps) {
  String result;
  result.reserve(cps.size());
  for (char32_t c : cps) Utf8Append(result, c);
  return result;
}
