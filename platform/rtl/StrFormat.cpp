// Float and currency to text (FloatToStrF, FormatFloat and their kin) and Format.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

// A decimal number: value = 0.digits × 10^exp; digits without trailing zeros, empty for zero.
struct Dec {
  bool negative = false;
  bool inf = false;
  bool nan = false;
  String digits;
  int32_t exp = 0;
};

void StripTrailingZeros(Dec& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exp = 0;
}

Dec FromDouble(double v) {
  Dec d;
  d.negative = std::signbit(v);
  if (std::isnan(v)) {
    d.nan = true;
    d.negative = false;
    return d;
  }
  if (std::isinf(v)) {
    d.inf = true;
    return d;
  }
  if (v == 0) return d;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(v), std::chars_format::scientific);
  *res.ptr = '\0';
  const char* p = buf;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') d.digits += *p;
  d.exp = std::atoi(p + 1) + 1;  // "d.ddde±x": the first digit is 10^x, i.e. 0.dddd × 10^(x+1)
  StripTrailingZeros(d);
  return d;
}

Dec FromCurrency(Currency c) {
  Dec d;
  d.negative = c.Value < 0;
  const uint64_t mag = c.Value < 0 ? 0 - static_cast<uint64_t>(c.Value) : static_cast<uint64_t>(c.Value);
  if (mag == 0) {
    d.negative = false;
    return d;
  }
  d.digits = std::to_string(mag);
  d.exp = static_cast<int32_t>(d.digits.size()) - 4;
  StripTrailingZeros(d);
  return d;
}

// Keeps at most keep significant digits, rounding half away from zero.
void RoundDigits(Dec& d, int32_t keep) {
  if (d.digits.empty() || static_cast<int32_t>(d.digits.size()) <= keep) return;
  if (keep < 0) {
    d.digits.clear();
    d.exp = 0;
    return;
  }
  const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (up) {
    int32_t i = keep - 1;
    for (; i >= 0; --i) {
      if (d.digits[static_cast<size_t>(i)] == '9') {
        d.digits[static_cast<size_t>(i)] = '0';
      } else {
        ++d.digits[static_cast<size_t>(i)];
        break;
      }
    }
    if (i < 0) {  // carried out of the first digit: 0.999 → 1.000
      d.digits.insert(d.digits.begin(), '1');
      ++d.exp;
    }
  }
  StripTrailingZeros(d);
}

void ToDecimal(Dec& d, int32_t precision, int32_t decimals) {
  if (d.inf || d.nan) return;
  const int64_t byDecimals = static_cast<int64_t>(d.exp) + decimals;
  RoundDigits(d, static_cast<int32_t>(std::clamp<int64_t>(std::min<int64_t>(precision, byDecimals), -1, 100)));
}

void FillFloatRec(TFloatRec& r, const Dec& d) {
  r = TFloatRec();
  r.Negative = d.negative;
  if (d.nan) {
    r.Exponent = -0x8000;
    return;
  }
  if (d.inf) {
    r.Exponent = 0x7FFF;
    return;
  }
  r.Exponent = static_cast<int16_t>(d.exp);
  std::memcpy(r.Digits, d.digits.data(), std::min<size_t>(d.digits.size(), 20));
}

char DigitAt(const Dec& d, int64_t i) {  // i-th digit after "0." (any index)
  return i >= 0 && i < static_cast<int64_t>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
}

String IntegerDigits(const Dec& d) {  // integer part without leading zeros, "" for zero
  String r;
  for (int32_t i = 0; i < d.exp; ++i) r += DigitAt(d, i);
  return r;
}

String GroupThousands(const String& intDigits, const String& sep) {
  if (sep.empty() || intDigits.size() <= 3) return intDigits;
  String r;
  const size_t n = intDigits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) r += sep;
    r += intDigits[i];
  }
  return r;
}

String ExponentText(int32_t e, int32_t minDigits, bool plusSign) {
  String r = "E";
  if (e < 0) r += '-';
  else if (plusSign) r += '+';
  String digits = std::to_string(e < 0 ? -e : e);
  if (static_cast<int32_t>(digits.size()) < minDigits) digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
  return r + digits;
}

String SpecialText(const Dec& d) {
  if (d.nan) return "NAN";
  return d.negative ? "-INF" : "INF";
}

String FormatGeneral(Dec d, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  ToDecimal(d, precision, 9999);
  if (d.digits.empty()) return "0";
  String r = d.negative ? "-" : "";
  if (d.exp > precision || d.exp < -3) {
    r += d.digits[0];
    if (d.digits.size() > 1) {
      r += fs.DecimalSeparator;
      r.append(d.digits, 1, String::npos);
    }
    return r + ExponentText(d.exp - 1, std::clamp(digits, 0, 4), false);
  }
  if (d.exp <= 0) {
    r += '0';
    r += fs.DecimalSeparator;
    r.append(static_cast<size_t>(-d.exp), '0');
    return r + d.digits;
  }
  r += IntegerDigits(d);
  if (static_cast<int32_t>(d.digits.size()) > d.exp) {
    r += fs.DecimalSeparator;
    r.append(d.digits, static_cast<size_t>(d.exp), String::npos);
  }
  return r;
}

String FormatExponent(Dec d, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  ToDecimal(d, precision, 9999);
  String r = d.negative && !d.digits.empty() ? "-" : "";
  r += DigitAt(d, 0);
  if (precision > 1) {
    r += fs.DecimalSeparator;
    for (int32_t i = 1; i < precision; ++i) r += DigitAt(d, i);
  }
  return r + ExponentText(d.digits.empty() ? 0 : d.exp - 1, std::clamp(digits, 0, 4), true);
}

String ApplyCurrencyFormat(const String& number, bool negative, const TFormatSettings& fs) {
  const String& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 0: return c + number;
      case 1: return number + c;
      case 2: return c + " " + number;
      default: return number + " " + c;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return "(" + c + number + ")";
    case 1: return "-" + c + number;
    case 2: return c + "-" + number;
    case 3: return c + number + "-";
    case 4: return "(" + number + c + ")";
    case 5: return "-" + number + c;
    case 6: return number + "-" + c;
    case 7: return number + c + "-";
    case 8: return "-" + number + " " + c;
    case 9: return "-" + c + " " + number;
    case 10: return number + " " + c + "-";
    case 11: return c + " " + number + "-";
    case 12: return c + " -" + number;
    case 13: return number + "- " + c;
    case 14: return "(" + c + " " + number + ")";
    default: return "(" + number + " " + c + ")";
  }
}

// ffFixed, ffNumber and ffCurrency.
String FormatFixedFamily(Dec d, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  digits = std::clamp(digits, 0, 18);
  Dec rounded = d;
  ToDecimal(rounded, precision, digits);
  if (rounded.exp > precision) return FormatGeneral(d, precision, 0, fs);
  String intPart = IntegerDigits(rounded);
  if (intPart.empty()) intPart = "0";
  if (format != ffFixed) intPart = GroupThousands(intPart, fs.ThousandSeparator);
  String number = intPart;
  if (digits > 0) {
    number += fs.DecimalSeparator;
    for (int32_t i = 0; i < digits; ++i) number += DigitAt(rounded, static_cast<int64_t>(rounded.exp) + i);
  }
  const bool negative = rounded.negative && !rounded.digits.empty();
  if (format == ffCurrency) return ApplyCurrencyFormat(number, negative, fs);
  return negative ? "-" + number : number;
}

String FloatText(const Dec& d, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  if (d.nan || d.inf) return SpecialText(d);
  precision = std::clamp(precision, 1, 19);
  switch (format) {
    case ffGeneral: return FormatGeneral(d, precision, digits, fs);
    case ffExponent: return FormatExponent(d, precision, digits, fs);
    default: return FormatFixedFamily(d, format, precision, digits, fs);
  }
}

// ---------------------------------------------------------------------------------------------------
// FormatFloat masks

struct Section {
  String text;
  int32_t intPlaces = 0;   // '0' and '#' before the decimal point (or the exponent)
  int32_t minInt = 0;      // placeholders from the first '0' to the decimal point
  int32_t minFrac = 0;     // up to the last '0' after the decimal point
  int32_t maxFrac = 0;     // all placeholders after the decimal point
  bool thousands = false;
  bool scientific = false;
  bool hasPlaceholders = false;
};

bool IsExponentAt(const String& s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

std::vector<String> SplitSections(const String& mask) {
  std::vector<String> parts(1);
  char quote = 0;
  for (char c : mask) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  return parts;
}

Section Analyze(const String& text) {
  Section s;
  s.text = text;
  bool afterPoint = false;
  int32_t firstZero = -1, fracIndex = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const size_t end = text.find(c, i + 1);
      i = end == String::npos ? text.size() : end;
    } else if (c == '0' || c == '#') {
      s.hasPlaceholders = true;
      if (afterPoint) {
        ++fracIndex;
        if (c == '0') s.minFrac = fracIndex;
      } else {
        if (c == '0' && firstZero < 0) firstZero = s.intPlaces;
        ++s.intPlaces;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      s.thousands = true;
    } else if (IsExponentAt(text, i)) {
      s.scientific = true;
      break;  // the exponent's own digits follow
    }
  }
  s.maxFrac = fracIndex;
  s.minInt = firstZero < 0 ? 0 : s.intPlaces - firstZero;
  return s;
}

// Rounds the value as the section asks and returns the digits to print.
Dec RoundForSection(Dec d, const Section& s, int32_t& sciExponent) {
  sciExponent = 0;
  if (s.scientific) {
    const int32_t sig = std::max(1, s.intPlaces + s.maxFrac);
    RoundDigits(d, std::min(sig, 18));
    if (!d.digits.empty()) {
      sciExponent = d.exp - s.intPlaces;
      d.exp = s.intPlaces;
    }
  } else {
    ToDecimal(d, 18, s.maxFrac);
  }
  return d;
}

String Emit(const Section& s, const Dec& d, int32_t sciExponent, bool minus, const TFormatSettings& fs) {
  String intDigits = IntegerDigits(d);
  if (static_cast<int32_t>(intDigits.size()) < s.minInt)
    intDigits.insert(0, static_cast<size_t>(s.minInt) - intDigits.size(), '0');
  String frac;
  for (int32_t i = 0; i < s.maxFrac; ++i) frac += DigitAt(d, static_cast<int64_t>(d.exp) + i);
  while (static_cast<int32_t>(frac.size()) > s.minFrac && frac.back() == '0') frac.pop_back();

  const int32_t total = static_cast<int32_t>(intDigits.size());
  String r = minus ? "-" : "";
  int32_t intSeen = 0, fracSeen = 0;
  bool afterPoint = false, pointDone = false;
  auto putIntDigit = [&](int32_t pos) {  // pos: power of ten of the digit
    r += intDigits[static_cast<size_t>(total - 1 - pos)];
    if (s.thousands && !s.scientific && pos > 0 && pos % 3 == 0) r += fs.ThousandSeparator;
  };
  auto putPoint = [&]() {
    if (pointDone) return;
    pointDone = true;
    if (s.intPlaces == 0)  // no integer placeholders: the integer part still has to show
      for (int32_t p = total - 1; p >= 0; --p) putIntDigit(p);
    if (!frac.empty()) r += fs.DecimalSeparator;
  };
  const String& t = s.text;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '\'' || c == '"') {
      const size_t end = t.find(c, i + 1);
      const size_t stop = end == String::npos ? t.size() : end;
      r.append(t, i + 1, stop - i - 1);
      i = stop;
    } else if (c == '0' || c == '#') {
      if (!afterPoint) {
        const int32_t pos = s.intPlaces - 1 - intSeen;
        if (intSeen == 0)
          for (int32_t p = total - 1; p > pos; --p) putIntDigit(p);  // digits beyond the placeholders
        if (pos < total) putIntDigit(pos);
        ++intSeen;
      } else {
        if (fracSeen < static_cast<int32_t>(frac.size())) r += frac[static_cast<size_t>(fracSeen)];
        ++fracSeen;
      }
    } else if (c == '.') {
      if (!afterPoint) {
        afterPoint = true;
        putPoint();
      }
    } else if (c == ',') {
      // a flag, not text
    } else if (IsExponentAt(t, i)) {
      if (!afterPoint) putPoint();
      r += c;
      if (t[i + 1] == '+' || sciExponent < 0) r += sciExponent < 0 ? '-' : '+';
      i += 2;
      int32_t zeros = 0;
      while (i < t.size() && t[i] == '0') {
        ++zeros;
        ++i;
      }
      --i;
      String e = std::to_string(sciExponent < 0 ? -sciExponent : sciExponent);
      if (static_cast<int32_t>(e.size()) < std::min(zeros, 4)) e.insert(0, static_cast<size_t>(std::min(zeros, 4)) - e.size(), '0');
      r += e;
      afterPoint = true;
      pointDone = true;
    } else {
      r += c;
    }
  }
  return r;
}

String FormatMask(const String& mask, const Dec& value, const TFormatSettings& fs, bool currency) {
  if (value.nan || value.inf) return SpecialText(value);
  const std::vector<String> parts = SplitSections(mask);
  if (mask.empty()) return FloatText(value, ffGeneral, currency ? 19 : 15, 0, fs);
  Section s0 = Analyze(parts[0]);
  if (!s0.scientific && value.exp > 18) return FloatText(value, ffGeneral, currency ? 19 : 15, 0, fs);
  int32_t sciExp;
  Dec d = RoundForSection(value, s0, sciExp);
  if (d.digits.empty()) {
    if (parts.size() >= 3 && !parts[2].empty()) {
      const Section z = Analyze(parts[2]);
      Dec zero;
      return Emit(z, zero, 0, false, fs);
    }
    return Emit(s0, d, sciExp, false, fs);
  }
  if (value.negative) {
    if (parts.size() >= 2 && !parts[1].empty()) {
      const Section n = Analyze(parts[1]);
      Dec mag = value;
      mag.negative = false;
      Dec dn = RoundForSection(mag, n, sciExp);
      return Emit(n, dn, sciExp, false, fs);
    }
    return Emit(s0, d, sciExp, true, fs);
  }
  return Emit(s0, d, sciExp, false, fs);
}

}  // namespace

void FloatToDecimal(TFloatRec& result, double value, int32_t precision, int32_t decimals) {
  Dec d = FromDouble(value);
  ToDecimal(d, std::clamp(precision, 1, 18), decimals);
  FillFloatRec(result, d);
}

void FloatToDecimal(TFloatRec& result, Currency value, int32_t precision, int32_t decimals) {
  Dec d = FromCurrency(value);
  ToDecimal(d, std::clamp(precision, 1, 19), decimals);
  FillFloatRec(result, d);
}

String FloatToStr(double value, const TFormatSettings& fs) { return FloatText(FromDouble(value), ffGeneral, 15, 0, fs); }
String FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

String FloatToStrF(double value, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  return FloatText(FromDouble(value), format, std::min(precision, 18), digits, fs);
}

String FloatToStrF(double value, TFloatFormat format, int32_t precision, int32_t digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

String FormatFloat(const String& format, double value, const TFormatSettings& fs) {
  return FormatMask(format, FromDouble(value), fs, false);
}
String FormatFloat(const String& format, double value) { return FormatFloat(format, value, FormatSettings()); }

String FormatCurr(const String& format, Currency value, const TFormatSettings& fs) {
  return FormatMask(format, FromCurrency(value), fs, true);
}
String FormatCurr(const String& format, Currency value) { return FormatCurr(format, value, FormatSettings()); }

String CurrToStrF(Currency value, TFloatFormat format, int32_t digits, const TFormatSettings& fs) {
  return FloatText(FromCurrency(value), format, 19, digits, fs);
}
String CurrToStrF(Currency value, TFloatFormat format, int32_t digits) {
  return CurrToStrF(value, format, digits, FormatSettings());
}
String CurrToStr(Currency value, const TFormatSettings& fs) { return CurrToStrF(value, ffGeneral, 0, fs); }
String CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }

// ---------------------------------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void FormatError(const String& format, bool missing) {
  // The message quotes at most the first 31 bytes of the format, cut at a character boundary.
  String shown = format.size() > 31 ? format.substr(0, Utf8AlignBoundary(format, 31)) : format;
  if (missing) throw EConvertError("No argument for format '" + shown + "'");
  throw EConvertError("Format '" + shown + "' invalid or incompatible with argument");
}

bool IsInteger(const FormatArg& a) {
  return a.kind == FormatArg::akInt32 || a.kind == FormatArg::akInt64 || a.kind == FormatArg::akUInt64;
}

String PadTo(String text, int32_t width, bool left) {
  if (width <= 0) return text;
  const int32_t len = Utf8Length(text);
  if (len >= width) return text;
  const String pad(static_cast<size_t>(width - len), ' ');
  return left ? text + pad : pad + text;
}

}  // namespace

String Format(const String& format, const FormatArg* args, size_t count, const TFormatSettings& fs) {
  String out;
  out.reserve(format.size() + 16 * count);
  size_t argIndex = 0;
  const size_t n = format.size();
  auto next = [&]() -> const FormatArg& {
    if (argIndex >= count) FormatError(format, true);
    return args[argIndex++];
  };
  size_t i = 0;
  // A number or "*" (the next argument, which must be an integer); -1 when absent.
  auto readNumber = [&]() -> int64_t {
    if (i < n && format[i] == '*') {
      ++i;
      const FormatArg& a = next();
      if (a.kind != FormatArg::akInt32 && a.kind != FormatArg::akInt64) FormatError(format, false);
      return std::clamp<int64_t>(a.i, 0, 1 << 20);
    }
    if (i >= n || format[i] < '0' || format[i] > '9') return -1;
    int64_t v = 0;
    for (; i < n && format[i] >= '0' && format[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (format[i] - '0'), 1 << 20);
    return v;
  };

  while (i < n) {
    const char ch = format[i];
    if (ch != '%') {
      const size_t pct = format.find('%', i);
      const size_t stop = pct == String::npos ? n : pct;
      out.append(format, i, stop - i);
      i = stop;
      continue;
    }
    if (++i >= n) FormatError(format, false);
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    int64_t num = readNumber();
    if (num >= 0 && i < n && format[i] == ':') {
      argIndex = static_cast<size_t>(num);
      ++i;
      num = -1;
    }
    bool left = false;
    if (num < 0) {
      if (i < n && format[i] == '-') {
        left = true;
        ++i;
      }
      num = readNumber();
    }
    const int32_t width = static_cast<int32_t>(num);
    int32_t prec = -1;
    if (i < n && format[i] == '.') {
      ++i;
      const int64_t p = readNumber();
      prec = p < 0 ? 0 : static_cast<int32_t>(p);
    }
    if (i >= n) FormatError(format, false);
    const char type = static_cast<char>(UpCase(format[i++]));
    String text;
    switch (type) {
      case 'D': {
        const FormatArg& a = next();
        String digits;
        bool negative = false;
        if (a.kind == FormatArg::akBool) {
          digits = a.b ? "1" : "0";
        } else if (a.kind == FormatArg::akUInt64) {
          digits = std::to_string(a.u);
        } else if (IsInteger(a)) {
          negative = a.i < 0;
          digits = std::to_string(negative ? 0 - static_cast<uint64_t>(a.i) : static_cast<uint64_t>(a.i));
        } else {
          FormatError(format, false);
        }
        if (prec > static_cast<int32_t>(digits.size())) digits.insert(0, static_cast<size_t>(prec) - digits.size(), '0');
        text = negative ? "-" + digits : digits;
        break;
      }
      case 'U':
      case 'X': {
        const FormatArg& a = next();
        uint64_t v;
        if (a.kind == FormatArg::akInt32) v = static_cast<uint32_t>(static_cast<int32_t>(a.i));
        else if (IsInteger(a)) v = a.u;
        else FormatError(format, false);
        if (type == 'X') {
          text = IntToHex(v, prec < 0 ? 0 : prec);
        } else {
          text = std::to_string(v);
          if (prec > static_cast<int32_t>(text.size())) text.insert(0, static_cast<size_t>(prec) - text.size(), '0');
        }
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        const FormatArg& a = next();
        Dec d;
        if (a.kind == FormatArg::akDouble) d = FromDouble(a.d);
        else if (a.kind == FormatArg::akCurrency) d = FromCurrency(Currency::FromScaled(a.i));
        else FormatError(format, false);
        const int32_t maxPrecision = a.kind == FormatArg::akCurrency ? 19 : 18;
        switch (type) {
          case 'E': text = FloatText(d, ffExponent, prec < 0 || prec > 18 ? 15 : prec, 3, fs); break;
          case 'G': text = FloatText(d, ffGeneral, prec < 0 || prec > 18 ? 15 : prec, 3, fs); break;
          case 'F': text = FloatText(d, ffFixed, maxPrecision, prec < 0 ? 2 : prec, fs); break;
          case 'N': text = FloatText(d, ffNumber, maxPrecision, prec < 0 ? 2 : prec, fs); break;
          default: text = FloatText(d, ffCurrency, maxPrecision, prec < 0 ? fs.CurrencyDecimals : prec, fs); break;
        }
        break;
      }
      case 'S': {
        const FormatArg& a = next();
        switch (a.kind) {
          case FormatArg::akString: text.assign(a.s.data(), a.s.size()); break;
          case FormatArg::akWideString: text = Utf16ToUtf8(*a.w); break;
          case FormatArg::akChar: text.assign(1, a.c); break;
          case FormatArg::akBool: text = a.b ? "True" : "False"; break;
          default: FormatError(format, false);
        }
        if (prec >= 0 && prec < static_cast<int32_t>(text.size())) text.resize(Utf8ByteOffset(text, prec));
        break;
      }
      case 'P': {
        const FormatArg& a = next();
        if (a.kind != FormatArg::akPointer) FormatError(format, false);
        text = IntToHex(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(a.p)), static_cast<int32_t>(sizeof(void*) * 2));
        break;
      }
      default:
        FormatError(format, false);
    }
    out += PadTo(std::move(text), width, left);
  }
  return out;
}

String Format(const String& format, std::initializer_list<FormatArg> args, const TFormatSettings& fs) {
  return Format(format, args.begin(), args.size(), fs);
}

String Format(const String& format, std::initializer_list<FormatArg> args) {
  return Format(format, args.begin(), args.size(), FormatSettings());
}
