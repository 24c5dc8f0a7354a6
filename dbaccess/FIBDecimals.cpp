#include "dbaccess/FIBDecimals.h"

#include <cstdlib>

#include "dbaccess/FIBMiscellaneous.h"
#include "rtl/SysUtils.h"

bool ScaledInt64ToBcd(int32_t s, TBcd& bcd, int64_t v) {
  // The record's digits are right-aligned, so the four-place form of v holds exactly v's digits; only
  // the places byte has to say s instead of 4.
  bool ok = CurrToBCD(Currency::FromScaled(v), bcd, 32, 4);
  bcd.SignSpecialPlaces = static_cast<uint8_t>((s & 63) | (v < 0 ? 128 : 0));
  return ok;
}

bool BcdToScaledInt64(const TBcd& bcd, int64_t& v, int32_t& s) {
  s = bcd.SignSpecialPlaces & 127;
  if (s >= 64) {
    v = 0;
    return true;
  }
  TBcd copy = bcd;
  copy.SignSpecialPlaces = 4;
  Currency c;
  if (!BCDToCurr(copy, c)) return false;
  v = (bcd.SignSpecialPlaces & 128) ? -c.Value : c.Value;
  return true;
}

bool BcdToExtended(const TBcd& bcd, long double& x) {
  int64_t v = 0;
  int32_t s = 0;
  if (!BcdToScaledInt64(bcd, v, s)) return false;
  x = static_cast<long double>(v);
  if (s >= 64) s = 0;
  if (s <= 18) {
    x *= E10[18 - s];
  } else {
    for (int32_t i = 0; i < s; ++i) x /= 10;
  }
  return true;
}

int32_t CompareBcd(const TBcd& a, const TBcd& b) {
  long double x = 0, y = 0;
  BcdToExtended(a, x);
  BcdToExtended(b, y);
  if (x == y) return 0;
  return x < y ? -1 : 1;
}

String BcdToStrDot(const TBcd& bcd) {
  int64_t v = 0;
  int32_t s = 0;
  if (!BcdToScaledInt64(bcd, v, s)) return String();
  return ScaledInt64ToStrSep(s >= 64 ? 0 : s, '.', v);
}

String Int64ToStr(int64_t v) { return std::to_string(v); }

String ScaledInt64ToStrSep(int32_t s, char separator, int64_t v) {
  if (v == 0) return "0";
  String text = Int64ToStr(v);
  if (s <= 0) return text;
  String sign;
  if (text[0] == '-') {
    sign = "-";
    text.erase(0, 1);
  }
  int32_t k = static_cast<int32_t>(text.size()) - s;
  String result;
  if (k > 0) {
    result = sign + text.substr(0, static_cast<size_t>(k)) + separator + text.substr(static_cast<size_t>(k));
  } else {
    result = sign + "0" + separator + String(static_cast<size_t>(-k), '0') + text;
  }
  while (!result.empty() && result.back() == '0') {
    result.pop_back();
    if (!result.empty() && result.back() == separator) {
      result.pop_back();
      break;
    }
  }
  return result;
}

String ScaledInt64ToStr(int32_t s, int64_t v) {
  return ScaledInt64ToStrSep(s, FormatSettings().DecimalSeparator, v);
}

String RoundDecimalText(const String& text, int32_t n) {
  if (n < 0) n = 0;
  String sign;
  String s = text;
  if (!s.empty() && s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  char sep = FormatSettings().DecimalSeparator;
  size_t pos = s.find(sep);
  if (pos == String::npos || s.size() - pos - 1 <= static_cast<size_t>(n)) return text;
  size_t keep = pos + static_cast<size_t>(n) + 1;  // up to the n-th decimal (or the separator)
  bool up = s[keep] >= '5';
  s.resize(keep);
  if (n == 0) s.pop_back();
  if (up) {
    int32_t i = static_cast<int32_t>(s.size()) - 1;
    for (; i >= 0; --i) {
      char& c = s[static_cast<size_t>(i)];
      if (c == sep) continue;
      if (c == '9') {
        c = '0';
        continue;
      }
      if (c >= '0' && c <= '8') ++c;
      break;
    }
    if (i < 0) s.insert(s.begin(), '1');
  }
  return sign + s;
}

namespace {
bool IsFormatChar(char c) { return c == '#' || c == '0' || c == ',' || c == '.'; }
}  // namespace

String FormatDecimalText(const String& mask, const String& number) {
  String result = number;
  String m = mask;
  while (!m.empty() && (m.back() == ' ' || m.back() == '\t')) m.pop_back();
  if (m.empty()) return result;
  const TFormatSettings& fs = FormatSettings();
  const char sep = fs.DecimalSeparator;
  // Suffix and the format section.
  int32_t lastFmt = -1;
  for (int32_t i = static_cast<int32_t>(m.size()) - 1; i >= 0; --i) {
    if (IsFormatChar(m[static_cast<size_t>(i)])) {
      lastFmt = i;
      break;
    }
  }
  if (lastFmt < 0) return result + mask;
  String suffix = mask.substr(static_cast<size_t>(lastFmt) + 1);
  String section = m.substr(0, static_cast<size_t>(lastFmt) + 1);
  String prefix;
  if (section.size() > 1 && !IsFormatChar(section[0])) {
    size_t f = 0;
    while (f < section.size() && !IsFormatChar(section[f])) ++f;
    prefix = section.substr(0, f);
  }
  const int32_t e = static_cast<int32_t>(section.size());
  const size_t dot = section.find('.');
  const int32_t b = dot == String::npos ? 0 : static_cast<int32_t>(dot) + 1;
  int32_t maxDec = 0, minDec = 0;
  String litBefore, litAfter;
  if (b > 0) {
    maxDec = e - b;
    for (int32_t i = e; i > b; --i) {
      if (section[static_cast<size_t>(i - 1)] == '0') {
        minDec = i - b;
        for (int32_t j = b + 1; j < i; ++j)
          if (!IsFormatChar(section[static_cast<size_t>(j - 1)])) --minDec;
        break;
      }
    }
    if (b >= 3 && !IsFormatChar(section[static_cast<size_t>(b - 2)])) {
      int32_t j = b - 1;
      while (j >= 1 && !IsFormatChar(section[static_cast<size_t>(j - 1)])) --j;
      litBefore = section.substr(static_cast<size_t>(j), static_cast<size_t>(b - 1 - j));
    }
    if (b < e && !IsFormatChar(section[static_cast<size_t>(b)])) {
      int32_t j = b + 1;
      while (j <= e && !IsFormatChar(section[static_cast<size_t>(j - 1)])) ++j;
      litAfter = section.substr(static_cast<size_t>(b), static_cast<size_t>(j - 1 - b));
    }
  } else if (result.find(sep) != String::npos) {
    // No point in the mask: a whole number.
    result = RoundDecimalText(result, 0);
  }
  size_t sp = result.find(sep);
  if (sp == String::npos && minDec > 0) {
    result += sep;
    sp = result.size() - 1;
  }
  if (sp != String::npos) {
    int32_t dec = static_cast<int32_t>(result.size() - sp - 1);
    if (dec >= minDec) {
      if (dec > maxDec) result = RoundDecimalText(result, maxDec);
    } else {
      result += String(static_cast<size_t>(minDec - dec), '0');
    }
  }
  sp = result.find(sep);
  if (sp != String::npos) {
    result.insert(sp + 1, litAfter);
    result.insert(sp, litBefore);
    sp += litBefore.size();
  }
  if (m.find(',') != String::npos && sp != String::npos && !fs.ThousandSeparator.empty()) {
    size_t start = (!result.empty() && result[0] == '-') ? 1 : 0;
    size_t lastDigit = sp - litBefore.size();  // one past the last integer digit
    for (size_t p = lastDigit; p > start + 3; p -= 3) result.insert(p - 3, fs.ThousandSeparator);
  }
  if (b == 1) {
    if (result.size() >= 2 && result[0] == '0' && result[1] == sep) {
      result.erase(0, 1);
    } else if (result.size() >= 3 && result[0] == '-' && result[1] == '0' && result[2] == sep) {
      result.erase(1, 1);
    }
  }
  if (!result.empty() && result.back() == sep) result.pop_back();
  return prefix + result + suffix;
}
