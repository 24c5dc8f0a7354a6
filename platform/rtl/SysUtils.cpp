#include "rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "rtl/Utf8.h"

namespace {

[[noreturn]] void ConvertError(const char* before, const String& s, const char* after) {
  throw EConvertError(String(before) + s + after);
}

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

// The case-insensitive key of the unit at pos: the folded code point, or a value of its own for an
// invalid byte so that different invalid bytes never match each other.
char32_t FoldAt(const String& s, size_t pos, size_t& len) {
  const unsigned char c = U(s[pos]);
  if (c < 0x80) {
    len = 1;
    return (c >= 'A' && c <= 'Z') ? c + 32u : c;
  }
  const char32_t cp = Utf8CodePointAt(s, pos, &len);
  if (len == 1 && U(s[pos]) >= 0x80) return 0x110000 + U(s[pos]);
  return UnicodeToLower(UnicodeToUpper(cp));
}

// End of the case-insensitive match of pattern at pos of s, or npos.
size_t MatchFolded(const String& s, size_t pos, const String& pattern) {
  size_t pi = 0;
  while (pi < pattern.size()) {
    if (pos >= s.size()) return String::npos;
    size_t ls, lp;
    if (FoldAt(s, pos, ls) != FoldAt(pattern, pi, lp)) return String::npos;
    pos += ls;
    pi += lp;
  }
  return pos;
}

// Byte position of the first case-insensitive match at or after from (a unit boundary), or npos.
size_t FindFolded(const String& s, const String& pattern, size_t from) {
  if (pattern.empty()) return String::npos;
  for (size_t pos = from; pos < s.size(); pos = Utf8NextBoundary(s, pos))
    if (MatchFolded(s, pos, pattern) != String::npos) return pos;
  return String::npos;
}

// Sort weight for the locale-like comparisons: symbols, then digits, then letters in alphabet order.
// "ё" weighs as "е" here; the difference counts only between otherwise equal texts, as a diacritic does.
uint64_t PrimaryWeight(char32_t folded) {
  if (folded < 0x80) {
    const uint64_t w = folded;
    if (folded >= 'a' && folded <= 'z') return (uint64_t{2} << 40) | w;
    if (folded >= '0' && folded <= '9') return (uint64_t{1} << 40) | w;
    return w;
  }
  if (folded == 0x0451) folded = 0x0435;
  if (UnicodeIsLetter(folded)) return (uint64_t{2} << 40) | folded;
  if (UnicodeIsDigit(folded)) return (uint64_t{1} << 40) | folded;
  return folded;
}

// Three levels, as locale-aware comparison goes: letters, then marks (ё against е), then case (lower first).
int32_t AnsiCompare(const String& a, const String& b, bool ignoreCase) {
  size_t i = 0, j = 0;
  int32_t markDiff = 0, caseDiff = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j] && U(a[i]) < 0x80) {  // the common case: the same ASCII character
      ++i;
      ++j;
      continue;
    }
    size_t la, lb;
    const char32_t fa = FoldAt(a, i, la), fb = FoldAt(b, j, lb);
    if (la == lb && a.compare(i, la, b, j, lb) == 0) {  // the very same character
      i += la;
      j += lb;
      continue;
    }
    if (fa != fb) {
      const uint64_t wa = PrimaryWeight(fa), wb = PrimaryWeight(fb);
      if (wa != wb) return wa < wb ? -1 : 1;
      if (!markDiff) markDiff = fa < fb ? -1 : 1;
    } else if (!caseDiff && !ignoreCase) {
      const char32_t ca = Utf8CodePointAt(a, i), cb = Utf8CodePointAt(b, j);
      if (ca != cb) {
        const bool lowA = UnicodeIsLower(ca), lowB = UnicodeIsLower(cb);
        caseDiff = lowA != lowB ? (lowA ? -1 : 1) : (ca < cb ? -1 : 1);
      }
    }
    i += la;
    j += lb;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return markDiff ? markDiff : caseDiff;
}

char16_t MapWide(char16_t c, bool upper) {
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const char32_t m = upper ? UnicodeToUpper(c) : UnicodeToLower(c);
  return m <= 0xFFFF ? static_cast<char16_t>(m) : c;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Pascal string routines

String Copy(const String& s, int32_t index, int32_t count) {
  if (index < 1) index = 1;
  const int64_t len = static_cast<int64_t>(s.size());
  if (count <= 0 || index > len) return String();
  const int64_t n = std::min<int64_t>(count, len - index + 1);
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(n));
}

String Copy(const String& s, int32_t index) { return Copy(s, index, std::numeric_limits<int32_t>::max()); }

WideString Copy(const WideString& s, int32_t index, int32_t count) {
  if (index < 1) index = 1;
  const int64_t len = static_cast<int64_t>(s.size());
  if (count <= 0 || index > len) return WideString();
  const int64_t n = std::min<int64_t>(count, len - index + 1);
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(n));
}

int32_t Pos(const String& substr, const String& s) { return PosEx(substr, s, 1); }

int32_t Pos(char c, const String& s) {
  const size_t p = s.find(c);
  return p == String::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t PosEx(const String& substr, const String& s, int32_t offset) {
  if (substr.empty() || offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
  const size_t p = s.find(substr, static_cast<size_t>(offset - 1));
  return p == String::npos ? 0 : static_cast<int32_t>(p + 1);
}

void Delete(String& s, int32_t index, int32_t count) {
  if (index < 1 || static_cast<size_t>(index) > s.size() || count <= 0) return;
  s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void Insert(const String& source, String& s, int32_t index) {
  if (index < 1) index = 1;
  const size_t at = std::min(static_cast<size_t>(index - 1), s.size());
  s.insert(at, source);
}

String StringOfChar(char c, int32_t count) { return count > 0 ? String(static_cast<size_t>(count), c) : String(); }

String DupeString(const String& s, int32_t count) {
  String r;
  if (count <= 0) return r;
  r.reserve(s.size() * static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) r += s;
  return r;
}

String LeftStr(const String& s, int32_t count) { return Copy(s, 1, count); }

String RightStr(const String& s, int32_t count) {
  if (count <= 0) return String();
  const int32_t len = Length(s);
  return count >= len ? s : s.substr(static_cast<size_t>(len - count));
}

String MidStr(const String& s, int32_t start, int32_t count) { return Copy(s, start, count); }

String ReverseString(const String& s) { return String(s.rbegin(), s.rend()); }

String Trim(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && U(s[b]) <= ' ') ++b;
  while (e > b && U(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

String TrimLeft(const String& s) {
  size_t b = 0;
  while (b < s.size() && U(s[b]) <= ' ') ++b;
  return s.substr(b);
}

String TrimRight(const String& s) {
  size_t e = s.size();
  while (e > 0 && U(s[e - 1]) <= ' ') --e;
  return s.substr(0, e);
}

char UpCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

String UpperCase(const String& s) {
  String r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

String LowerCase(const String& s) {
  String r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

int32_t CompareStr(const String& s1, const String& s2) {
  const size_t n = std::min(s1.size(), s2.size());
  for (size_t i = 0; i < n; ++i)
    if (s1[i] != s2[i]) return static_cast<int32_t>(U(s1[i])) - static_cast<int32_t>(U(s2[i]));
  return static_cast<int32_t>(s1.size()) - static_cast<int32_t>(s2.size());
}

int32_t CompareText(const String& s1, const String& s2) {
  const size_t n = std::min(s1.size(), s2.size());
  for (size_t i = 0; i < n; ++i) {
    const int32_t a = U(UpCase(s1[i])), b = U(UpCase(s2[i]));
    if (a != b) return a - b;
  }
  return static_cast<int32_t>(s1.size()) - static_cast<int32_t>(s2.size());
}

bool SameStr(const String& s1, const String& s2) { return s1 == s2; }
bool SameText(const String& s1, const String& s2) { return s1.size() == s2.size() && CompareText(s1, s2) == 0; }

String AnsiUpperCase(const String& s) { return Utf8UpperCase(s); }
String AnsiLowerCase(const String& s) { return Utf8LowerCase(s); }
int32_t AnsiCompareStr(const String& s1, const String& s2) { return AnsiCompare(s1, s2, false); }
int32_t AnsiCompareText(const String& s1, const String& s2) { return AnsiCompare(s1, s2, true); }
bool AnsiSameStr(const String& s1, const String& s2) { return s1 == s2; }

bool AnsiSameText(const String& s1, const String& s2) {
  return MatchFolded(s1, 0, s2) == s1.size();
}

int32_t AnsiPos(const String& substr, const String& s) {
  if (substr.empty()) return 0;
  for (size_t p = s.find(substr); p != String::npos; p = s.find(substr, p + 1))
    if (Utf8IsBoundary(s, p)) return static_cast<int32_t>(p + 1);
  return 0;
}

bool AnsiStartsStr(const String& subText, const String& text) { return text.compare(0, subText.size(), subText) == 0; }

bool AnsiEndsStr(const String& subText, const String& text) {
  return subText.size() <= text.size() && text.compare(text.size() - subText.size(), subText.size(), subText) == 0;
}

bool AnsiContainsStr(const String& text, const String& subText) { return subText.empty() || AnsiPos(subText, text) > 0; }

bool AnsiStartsText(const String& subText, const String& text) { return MatchFolded(text, 0, subText) != String::npos; }

bool AnsiEndsText(const String& subText, const String& text) {
  if (subText.empty()) return true;
  // Case mapping may change byte lengths, so try every boundary whose match runs to the end.
  for (size_t pos = 0; pos < text.size(); pos = Utf8NextBoundary(text, pos))
    if (MatchFolded(text, pos, subText) == text.size()) return true;
  return false;
}

bool AnsiContainsText(const String& text, const String& subText) {
  return subText.empty() || FindFolded(text, subText, 0) != String::npos;
}

int32_t AnsiIndexStr(const String& text, std::initializer_list<String> values) {
  int32_t i = 0;
  for (const String& v : values) {
    if (v == text) return i;
    ++i;
  }
  return -1;
}

int32_t AnsiIndexText(const String& text, std::initializer_list<String> values) {
  int32_t i = 0;
  for (const String& v : values) {
    if (AnsiSameText(v, text)) return i;
    ++i;
  }
  return -1;
}

WideString WideUpperCase(const WideString& s) {
  WideString r = s;
  for (char16_t& c : r) c = MapWide(c, true);
  return r;
}

WideString WideLowerCase(const WideString& s) {
  WideString r = s;
  for (char16_t& c : r) c = MapWide(c, false);
  return r;
}

int32_t WideCompareStr(const WideString& s1, const WideString& s2) { return AnsiCompareStr(Utf16ToUtf8(s1), Utf16ToUtf8(s2)); }
int32_t WideCompareText(const WideString& s1, const WideString& s2) { return AnsiCompareText(Utf16ToUtf8(s1), Utf16ToUtf8(s2)); }
bool WideSameText(const WideString& s1, const WideString& s2) { return AnsiSameText(Utf16ToUtf8(s1), Utf16ToUtf8(s2)); }

String StringReplace(const String& s, const String& oldPattern, const String& newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  const bool all = flags.Contains(rfReplaceAll);
  String r;
  size_t pos = 0;
  if (!flags.Contains(rfIgnoreCase)) {
    for (size_t p = s.find(oldPattern); p != String::npos; p = s.find(oldPattern, pos)) {
      r.append(s, pos, p - pos);
      r += newPattern;
      pos = p + oldPattern.size();
      if (!all) break;
    }
    r.append(s, pos, String::npos);
    return r;
  }
  while (pos < s.size()) {
    const size_t end = MatchFolded(s, pos, oldPattern);
    if (end != String::npos) {
      r += newPattern;
      pos = end;
      if (!all) break;
      continue;
    }
    const size_t next = Utf8NextBoundary(s, pos);
    r.append(s, pos, next - pos);
    pos = next;
  }
  r.append(s, pos, String::npos);
  return r;
}

String AnsiReplaceStr(const String& text, const String& fromText, const String& toText) {
  return StringReplace(text, fromText, toText, {rfReplaceAll});
}

String AnsiReplaceText(const String& text, const String& fromText, const String& toText) {
  return StringReplace(text, fromText, toText, {rfReplaceAll, rfIgnoreCase});
}

String QuotedStr(const String& s) { return AnsiQuotedStr(s, '\''); }

String AnsiQuotedStr(const String& s, char quote) {
  String r;
  r.reserve(s.size() + 2);
  r += quote;
  for (char c : s) {
    if (c == quote) r += quote;
    r += c;
  }
  r += quote;
  return r;
}

String AnsiExtractQuotedStr(const char*& src, char quote) {
  String r;
  if (!src || *src != quote) return r;
  const char* p = src + 1;
  while (*p) {
    if (*p == quote) {
      if (p[1] == quote) {
        r += quote;
        p += 2;
        continue;
      }
      ++p;  // the closing quote
      break;
    }
    r += *p++;
  }
  src = p;
  return r;
}

String AnsiDequotedStr(const String& s, char quote) {
  const char* p = s.c_str();
  String r = AnsiExtractQuotedStr(p, quote);
  if ((r.empty() || *p == '\0') && !s.empty() && (s.front() != quote || s.back() != quote || s.size() < 2)) return s;
  return r;
}

int32_t LastDelimiter(const String& delimiters, const String& s) {
  const size_t p = s.find_last_of(delimiters);
  return p == String::npos ? 0 : static_cast<int32_t>(p + 1);
}

bool IsDelimiter(const String& delimiters, const String& s, int32_t index) {
  if (index < 1 || static_cast<size_t>(index) > s.size()) return false;
  return delimiters.find(s[static_cast<size_t>(index - 1)]) != String::npos;
}

String AdjustLineBreaks(const String& s, TTextLineBreakStyle style) {
  const char* lb = style == tlbsCRLF ? "\r\n" : "\n";
  String r;
  r.reserve(s.size() + s.size() / 16);
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\r') {
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
      r += lb;
    } else if (c == '\n') {
      r += lb;
    } else {
      r += c;
    }
  }
  return r;
}

bool IsValidIdent(const String& s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Integers and booleans

String IntToStr(int32_t value) { return std::to_string(value); }
String IntToStr(int64_t value) { return std::to_string(value); }
String IntToStr(long long value) { return std::to_string(value); }
String IntToStr(uint32_t value) { return std::to_string(value); }
String IntToStr(uint64_t value) { return std::to_string(value); }
String UIntToStr(uint32_t value) { return std::to_string(value); }
String UIntToStr(uint64_t value) { return std::to_string(value); }

String IntToHex(uint64_t value, int32_t digits) {
  static const char kHex[] = "0123456789ABCDEF";
  char buf[16];
  int n = 0;
  do {
    buf[n++] = kHex[value & 15];
    value >>= 4;
  } while (value);
  String r;
  if (digits > n) r.assign(static_cast<size_t>(digits - n), '0');
  while (n) r += buf[--n];
  return r;
}

String IntToHex(int32_t value, int32_t digits) { return IntToHex(static_cast<uint64_t>(static_cast<uint32_t>(value)), digits); }
String IntToHex(uint32_t value, int32_t digits) { return IntToHex(static_cast<uint64_t>(value), digits); }
String IntToHex(int64_t value, int32_t digits) { return IntToHex(static_cast<uint64_t>(value), digits); }

namespace {

// The integer grammar of the original Val: blanks, sign, decimal or "$"/"0x"/"x" hexadecimal.
bool ParseInteger(const String& s, bool wide, int64_t& out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < n && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t v = 0;
  if (hex) {
    const uint64_t max = wide ? std::numeric_limits<uint64_t>::max() : 0xFFFFFFFFull;
    for (; i < n; ++i) {
      const char c = s[i];
      unsigned d;
      if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
      else return false;
      if (v > (max >> 4)) return false;
      v = (v << 4) | d;
    }
    // Hexadecimal fills the type's whole width: wrap to the signed value, then apply the sign.
    int64_t sv = wide ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    if (neg) sv = static_cast<int64_t>(0 - static_cast<uint64_t>(sv));
    if (!wide) sv = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sv)));
    out = sv;
    return true;
  }
  const uint64_t limit = wide ? (neg ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1)
                              : (neg ? uint64_t{2147483648u} : uint64_t{2147483647u});
  for (; i < n; ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return false;
    const unsigned d = static_cast<unsigned>(c - '0');
    if (v > (limit - d) / 10) return false;
    v = v * 10 + d;
  }
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

bool TryStrToInt(const String& s, int32_t& value) {
  int64_t v;
  if (!ParseInteger(s, false, v)) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(const String& s) {
  int32_t v;
  if (!TryStrToInt(s, v)) ConvertError("'", s, "' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(const String& s, int32_t def) {
  int32_t v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(const String& s, int64_t& value) { return ParseInteger(s, true, value); }

int64_t StrToInt64(const String& s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) ConvertError("'", s, "' is not a valid integer value");
  return v;
}

int64_t StrToInt64Def(const String& s, int64_t def) {
  int64_t v;
  return TryStrToInt64(s, v) ? v : def;
}

String BoolToStr(bool b, bool useBoolStrs) {
  if (useBoolStrs) return b ? "True" : "False";
  return b ? "-1" : "0";
}

bool TryStrToBool(const String& s, bool& value) {
  double d;
  if (TryStrToFloat(s, d)) {
    value = d != 0;
    return true;
  }
  if (SameText(s, "True")) {
    value = true;
    return true;
  }
  if (SameText(s, "False")) {
    value = false;
    return true;
  }
  return false;
}

bool StrToBool(const String& s) {
  bool b;
  if (!TryStrToBool(s, b)) ConvertError("'", s, "' is not a valid boolean value");
  return b;
}

bool StrToBoolDef(const String& s, bool def) {
  bool b;
  return TryStrToBool(s, b) ? b : def;
}

// ---------------------------------------------------------------------------------------------------
// Text to floating point and currency

namespace {

// A number read from text: its significant digits and the power of ten of the last one.
struct DecimalText {
  bool negative = false;
  String digits;       // without leading zeros
  int64_t exponent = 0;  // value = digits * 10^exponent
};

bool ParseDecimalText(const String& s, char decimalSeparator, DecimalText& out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  if (i < n && (s[i] == '+' || s[i] == '-')) out.negative = s[i++] == '-';
  bool any = false;
  int64_t exp = 0;
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
    any = true;
    if (!(out.digits.empty() && s[i] == '0')) out.digits += s[i];
  }
  if (i < n && s[i] == decimalSeparator) {
    for (++i; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
      any = true;
      if (!(out.digits.empty() && s[i] == '0')) out.digits += s[i];
      --exp;
    }
  }
  if (!any) return false;
  if (i < n && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool eneg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    if (i >= n || s[i] < '0' || s[i] > '9') return false;
    int64_t e = 0;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i)
      if (e < 100000) e = e * 10 + (s[i] - '0');
    exp += eneg ? -e : e;
  }
  while (i < n && s[i] == ' ') ++i;
  if (i != n) return false;
  out.exponent = exp;
  return true;
}

}  // namespace

bool TryStrToFloat(const String& s, double& value, const TFormatSettings& fs) {
  DecimalText t;
  if (!ParseDecimalText(s, fs.DecimalSeparator, t)) return false;
  if (t.digits.empty()) {
    value = t.negative ? -0.0 : 0.0;
    return true;
  }
  const int64_t magnitude = t.exponent + static_cast<int64_t>(t.digits.size());  // value < 10^magnitude
  if (magnitude > 400) return false;
  if (magnitude < -400) {
    value = t.negative ? -0.0 : 0.0;
    return true;
  }
  String norm = t.digits + "e" + std::to_string(t.exponent);
  double v = 0;
  const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    if (magnitude > 0) return false;
    v = 0;
  } else if (res.ec != std::errc()) {
    return false;
  }
  if (std::isinf(v)) return false;
  value = t.negative ? -v : v;
  return true;
}

bool TryStrToFloat(const String& s, double& value) { return TryStrToFloat(s, value, FormatSettings()); }

double StrToFloat(const String& s, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(s, v, fs)) ConvertError("'", s, "' is not a valid floating point value");
  return v;
}

double StrToFloat(const String& s) { return StrToFloat(s, FormatSettings()); }

double StrToFloatDef(const String& s, double def, const TFormatSettings& fs) {
  double v;
  return TryStrToFloat(s, v, fs) ? v : def;
}

double StrToFloatDef(const String& s, double def) { return StrToFloatDef(s, def, FormatSettings()); }

bool TryStrToCurr(const String& s, Currency& value, const TFormatSettings& fs) {
  DecimalText t;
  if (!ParseDecimalText(s, fs.DecimalSeparator, t)) return false;
  // Scale to ten-thousandths: keep the digits down to 10^-4, round half to even on the rest.
  const int64_t shift = t.exponent + 4;  // power of ten of the last digit in units of 10^-4
  String digits = t.digits;
  bool roundUp = false;
  if (shift < 0) {
    const int64_t drop = -shift;
    if (drop > static_cast<int64_t>(digits.size())) {
      digits.clear();
    } else {
      const String dropped = digits.substr(digits.size() - static_cast<size_t>(drop));
      digits.resize(digits.size() - static_cast<size_t>(drop));
      const char first = dropped[0];
      const bool restNonZero = dropped.find_first_not_of('0', 1) != String::npos;
      const bool lastOdd = !digits.empty() && ((digits.back() - '0') & 1);
      roundUp = first > '5' || (first == '5' && (restNonZero || lastOdd));
    }
  } else if (!digits.empty()) {
    if (shift + static_cast<int64_t>(digits.size()) > 19) return false;
    digits.append(static_cast<size_t>(shift), '0');
  }
  if (digits.size() > 19) return false;
  uint64_t v = 0;
  for (char c : digits) v = v * 10 + static_cast<uint64_t>(c - '0');
  if (roundUp) ++v;
  const uint64_t limit = t.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (v > limit) return false;
  value = Currency::FromScaled(t.negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v));
  return true;
}

bool TryStrToCurr(const String& s, Currency& value) { return TryStrToCurr(s, value, FormatSettings()); }

Currency StrToCurr(const String& s, const TFormatSettings& fs) {
  Currency v;
  if (!TryStrToCurr(s, v, fs)) ConvertError("'", s, "' is not a valid floating point value");
  return v;
}

Currency StrToCurr(const String& s) { return StrToCurr(s, FormatSettings()); }

Currency StrToCurrDef(const String& s, Currency def, const TFormatSettings& fs) {
  Currency v;
  return TryStrToCurr(s, v, fs) ? v : def;
}

Currency StrToCurrDef(const String& s, Currency def) { return StrToCurrDef(s, def, FormatSettings()); }

bool TextToFloat(const String& text, double& value, const TFormatSettings& fs) { return TryStrToFloat(text, value, fs); }
bool TextToFloat(const String& text, double& value) { return TryStrToFloat(text, value, FormatSettings()); }
bool TextToFloat(const String& text, Currency& value, const TFormatSettings& fs) { return TryStrToCurr(text, value, fs); }
bool TextToFloat(const String& text, Currency& value) { return TryStrToCurr(text, value, FormatSettings()); }
