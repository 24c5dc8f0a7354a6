#include "rtl/Currency.h"

#include <algorithm>
#include <limits>

#include "rtl/FormatSettings.h"
#include "rtl/System.h"

namespace {

using i128 = __int128;

[[noreturn]] void Overflow() { throw EMathError("Floating point overflow"); }

Currency Checked(i128 v) {
  if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min()) Overflow();
  return Currency::FromScaled(static_cast<int64_t>(v));
}

// n / d rounded half to even; d is not zero.
i128 DivRoundEven(i128 n, i128 d) {
  i128 q = n / d;
  i128 r = n % d;
  if (r == 0) return q;
  i128 r2 = r < 0 ? -r : r;
  i128 d2 = d < 0 ? -d : d;
  bool away = 2 * r2 > d2 || (2 * r2 == d2 && (q % 2 != 0));
  if (away) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

Currency FromLongDouble(long double v) {
  long double r = std::nearbyint(v);
  // 2^63 exactly is out of range; anything at or beyond it overflows.
  if (!(r < 9223372036854775808.0L && r >= -9223372036854775808.0L)) Overflow();
  return Currency::FromScaled(static_cast<int64_t>(r));
}

bool IsBlank(char c) { return c == ' '; }

}  // namespace

Currency operator*(Currency a, int64_t b) { return Checked(static_cast<i128>(a.Value) * b); }
Currency operator*(Currency a, double b) { return FromLongDouble(static_cast<long double>(a.Value) * b); }
Currency operator*(Currency a, Currency b) { return Checked(DivRoundEven(static_cast<i128>(a.Value) * b.Value, 10000)); }
Currency operator/(Currency a, int64_t b) {
  if (b == 0) throw EZeroDivide("Floating point division by zero");
  return Checked(DivRoundEven(a.Value, b));
}
Currency operator/(Currency a, double b) {
  if (b == 0) throw EZeroDivide("Floating point division by zero");
  return FromLongDouble(static_cast<long double>(a.Value) / b);
}

std::string CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }

std::string CurrToStr(Currency value, const TFormatSettings& fs) {
  bool neg = value.Value < 0;
  // Unsigned magnitude so that the most negative amount has one too.
  uint64_t mag = neg ? 0 - static_cast<uint64_t>(value.Value) : static_cast<uint64_t>(value.Value);
  std::string s = std::to_string(mag / 10000);
  unsigned frac = static_cast<unsigned>(mag % 10000);
  if (frac != 0) {
    char buf[5] = {char('0' + frac / 1000), char('0' + frac / 100 % 10), char('0' + frac / 10 % 10),
                   char('0' + frac % 10), 0};
    std::string f(buf);
    while (f.back() == '0') f.pop_back();
    s += fs.DecimalSeparator;
    s += f;
  }
  return neg ? "-" + s : s;
}

bool TryStrToCurr(const std::string& text, Currency& value) { return TryStrToCurr(text, value, FormatSettings()); }

bool TryStrToCurr(const std::string& text, Currency& value, const TFormatSettings& fs) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  bool neg = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  std::string digits;  // significant digits; the value is digits x 10^exp
  int64_t exp = 0;
  bool anyDigit = false, afterSep = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (!(digits.empty() && c == '0')) digits += c;
      if (afterSep) --exp;
    } else if (c == fs.DecimalSeparator && !afterSep) {
      afterSep = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
    if (i >= n) return false;
    int64_t e = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
      if (e < 100000) e = e * 10 + (text[i] - '0');
    exp += eneg ? -e : e;
  }
  if (i != n) return false;
  exp += 4;  // to ten-thousandths
  if (digits.empty()) {
    value = Currency();
    return true;
  }
  // Keep the digits that land left of the point, round the dropped ones half to even.
  int64_t keep = static_cast<int64_t>(digits.size()) + std::min<int64_t>(exp, 0);
  const i128 limit = static_cast<i128>(std::numeric_limits<int64_t>::max()) + 1;
  i128 acc = 0;
  for (int64_t k = 0; k < keep; ++k) {
    acc = acc * 10 + (digits[k] - '0');
    if (acc > limit) return false;
  }
  if (keep < static_cast<int64_t>(digits.size())) {
    size_t first = keep < 0 ? 0 : static_cast<size_t>(keep);
    bool up = false;
    if (keep >= 0) {
      char d = digits[first];
      bool restNonZero = digits.find_first_not_of('0', first + 1) != std::string::npos;
      up = d > '5' || (d == '5' && (restNonZero || acc % 2 != 0));
    }
    if (up) ++acc;
  } else {
    for (int64_t k = 0; k < exp; ++k) {
      acc *= 10;
      if (acc > limit) return false;
    }
  }
  if (acc > limit || (!neg && acc == limit)) return false;
  if (neg) acc = -acc;
  value = Currency::FromScaled(static_cast<int64_t>(acc));
  return true;
}

Currency StrToCurr(const std::string& text) { return StrToCurr(text, FormatSettings()); }

Currency StrToCurr(const std::string& text, const TFormatSettings& fs) {
  Currency c;
  if (!TryStrToCurr(text, c, fs)) throw EConvertError("'" + text + "' is not a valid floating point value");
  return c;
}
