#include "rtl/FMTBcd.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"

namespace {

// A decimal in working form: magnitude digits (leading zeros allowed) with `places` of them decimals.
struct Dec {
  bool neg = false;
  std::string digits;
  int places = 0;
};

constexpr int kMaxDigits = 64;
constexpr int kMaxPlaces = 63;

bool IsZero(const Dec& d) { return d.digits.find_first_not_of('0') == std::string::npos; }

// Drops leading zeros of the integer part.
void TrimLeading(Dec& d) {
  size_t intDigits = d.digits.size() - static_cast<size_t>(d.places);
  size_t z = 0;
  while (z < intDigits && d.digits[z] == '0') ++z;
  d.digits.erase(0, z);
}

// Makes the number of decimals `places`: appends zeros or drops digits rounding half to even (or half
// away from zero, as the display formats do).
void SetPlaces(Dec& d, int places, bool halfAway = false) {
  if (places >= d.places) {
    d.digits.append(static_cast<size_t>(places - d.places), '0');
    d.places = places;
    return;
  }
  size_t drop = static_cast<size_t>(d.places - places);
  if ((int)d.digits.size() < d.places) d.digits.insert(0, static_cast<size_t>(d.places) - d.digits.size(), '0');
  std::string kept = d.digits.substr(0, d.digits.size() - drop);
  std::string gone = d.digits.substr(d.digits.size() - drop);
  bool restNonZero = gone.find_first_not_of('0', 1) != std::string::npos;
  int last = kept.empty() ? 0 : kept.back() - '0';
  bool up = gone[0] > '5' || (gone[0] == '5' && (halfAway || restNonZero || last % 2 != 0));
  if (up) {
    int i = static_cast<int>(kept.size()) - 1;
    for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
    if (i >= 0)
      ++kept[i];
    else
      kept.insert(kept.begin(), '1');
  }
  d.digits = kept;
  d.places = places;
}

Dec Read(const TBcd& bcd) {
  Dec d;
  if (bcd.SignSpecialPlaces & 0x40) return d;  // the special (blank) value reads as zero
  int prec = std::min<int>(bcd.Precision, kMaxDigits);
  d.places = bcd.SignSpecialPlaces & 0x3F;
  d.neg = (bcd.SignSpecialPlaces & 0x80) != 0;
  d.digits.reserve(static_cast<size_t>(prec));
  for (int i = 0; i < prec; ++i) {
    int nib = (i % 2 == 0) ? bcd.Fraction[i / 2] >> 4 : bcd.Fraction[i / 2] & 0x0F;
    if (nib > 9) throw EBcdException("Invalid BCD value");
    d.digits += static_cast<char>('0' + nib);
  }
  if (static_cast<int>(d.digits.size()) < d.places)
    d.digits.insert(0, static_cast<size_t>(d.places) - d.digits.size(), '0');
  return d;
}

// Packs the value trimmed to its significant integer digits; false when it needs more than 64 digits
// before the point.
bool Write(Dec d, TBcd& out) {
  TrimLeading(d);
  if (d.places > kMaxPlaces) SetPlaces(d, kMaxPlaces);
  if (static_cast<int>(d.digits.size()) > kMaxDigits) {
    // Trailing decimal zeros go first, then decimals are rounded away.
    while (d.places > 0 && d.digits.back() == '0') {
      d.digits.pop_back();
      --d.places;
    }
    int excess = static_cast<int>(d.digits.size()) - kMaxDigits;
    if (excess > 0) {
      if (excess > d.places) return false;
      SetPlaces(d, d.places - excess);
      TrimLeading(d);
      // A carry out of the rounding can add a digit in front; one more (zero) decimal then goes.
      if (static_cast<int>(d.digits.size()) > kMaxDigits && d.places > 0) SetPlaces(d, d.places - 1);
      if (static_cast<int>(d.digits.size()) > kMaxDigits) return false;
    }
  }
  if (d.digits.empty()) d.digits = "0";
  TBcd r;
  r.Precision = static_cast<uint8_t>(d.digits.size());
  r.SignSpecialPlaces = static_cast<uint8_t>(d.places | ((d.neg && !IsZero(d)) ? 0x80 : 0));
  for (size_t i = 0; i < d.digits.size(); ++i) {
    uint8_t nib = static_cast<uint8_t>(d.digits[i] - '0');
    r.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<uint8_t>(nib << 4) : nib;
  }
  out = r;
  return true;
}

void WriteOrOverflow(const Dec& d, TBcd& out) {
  if (!Write(d, out)) throw EBcdOverflowException("BCD overflow");
}

bool Parse(const String& text, char sep, Dec& d) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  d = Dec();
  if (i < n && (text[i] == '+' || text[i] == '-')) d.neg = text[i++] == '-';
  bool any = false, afterSep = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      any = true;
      d.digits += c;
      if (afterSep) ++d.places;
    } else if ((c == sep || c == '.') && !afterSep) {
      afterSep = true;
    } else {
      break;
    }
  }
  if (!any) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
    if (i >= n) return false;
    int e = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
      e = e * 10 + (text[i] - '0');
      if (e > 1000) return false;
    }
    if (eneg) {
      d.places += e;
    } else if (e <= d.places) {
      d.places -= e;
    } else {
      d.digits.append(static_cast<size_t>(e - d.places), '0');
      d.places = 0;
    }
  }
  return i == n;
}

String Format(Dec d, char sep) {
  TrimLeading(d);
  while (d.places > 0 && d.digits.back() == '0') {
    d.digits.pop_back();
    --d.places;
  }
  if (d.digits.empty()) return "0";
  size_t intDigits = d.digits.size() - static_cast<size_t>(d.places);
  String s = d.neg ? "-" : "";
  s += intDigits ? d.digits.substr(0, intDigits) : "0";
  if (d.places > 0) {
    s += sep;
    s += d.digits.substr(intDigits);
  }
  return s;
}

// Compares magnitudes of two values brought to the same places.
int CompareMag(const std::string& a, const std::string& b) {
  size_t za = a.find_first_not_of('0'), zb = b.find_first_not_of('0');
  std::string_view va = za == std::string::npos ? "" : std::string_view(a).substr(za);
  std::string_view vb = zb == std::string::npos ? "" : std::string_view(b).substr(zb);
  if (va.size() != vb.size()) return va.size() < vb.size() ? -1 : 1;
  int c = va.compare(vb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void Align(Dec& a, Dec& b) {
  int p = std::max(a.places, b.places);
  SetPlaces(a, p);
  SetPlaces(b, p);
  size_t n = std::max(a.digits.size(), b.digits.size());
  a.digits.insert(0, n - a.digits.size(), '0');
  b.digits.insert(0, n - b.digits.size(), '0');
}

std::string AddMag(const std::string& a, const std::string& b) {  // same length
  std::string r(a.size() + 1, '0');
  int carry = 0;
  for (size_t i = a.size(); i-- > 0;) {
    int s = (a[i] - '0') + (b[i] - '0') + carry;
    r[i + 1] = static_cast<char>('0' + s % 10);
    carry = s / 10;
  }
  r[0] = static_cast<char>('0' + carry);
  return r;
}

std::string SubMag(const std::string& a, const std::string& b) {  // same length, a >= b
  std::string r(a.size(), '0');
  int borrow = 0;
  for (size_t i = a.size(); i-- > 0;) {
    int s = (a[i] - '0') - (b[i] - '0') - borrow;
    borrow = s < 0;
    r[i] = static_cast<char>('0' + (s + 10) % 10);
  }
  return r;
}

Dec Sum(Dec a, Dec b) {
  Align(a, b);
  Dec r;
  r.places = a.places;
  if (a.neg == b.neg) {
    r.neg = a.neg;
    r.digits = AddMag(a.digits, b.digits);
  } else if (CompareMag(a.digits, b.digits) >= 0) {
    r.neg = a.neg;
    r.digits = SubMag(a.digits, b.digits);
  } else {
    r.neg = b.neg;
    r.digits = SubMag(b.digits, a.digits);
  }
  return r;
}

const TFormatSettings& DotSettings() {
  static const TFormatSettings fs = TFormatSettings::English();
  return fs;
}

}  // namespace

bool TryStrToBcd(const String& text, TBcd& bcd) { return TryStrToBcd(text, bcd, FormatSettings()); }

bool TryStrToBcd(const String& text, TBcd& bcd, const TFormatSettings& fs) {
  Dec d;
  return Parse(text, fs.DecimalSeparator, d) && Write(d, bcd);
}

TBcd StrToBcd(const String& text) { return StrToBcd(text, FormatSettings()); }

TBcd StrToBcd(const String& text, const TFormatSettings& fs) {
  Dec d;
  if (!Parse(text, fs.DecimalSeparator, d)) throw EBcdException(text + " is not a valid BCD value");
  TBcd r;
  WriteOrOverflow(d, r);
  return r;
}

String BcdToStr(const TBcd& bcd) { return BcdToStr(bcd, FormatSettings()); }
String BcdToStr(const TBcd& bcd, const TFormatSettings& fs) { return Format(Read(bcd), fs.DecimalSeparator); }

String BcdToStrF(const TBcd& bcd, TFloatFormat format, int32_t precision, int32_t digits) {
  return BcdToStrF(bcd, format, precision, digits, FormatSettings());
}

String BcdToStrF(const TBcd& bcd, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs) {
  Dec d = Read(bcd);
  TrimLeading(d);
  digits = std::clamp(digits, 0, kMaxPlaces);
  switch (format) {
    case ffGeneral: {
      Dec t = d;
      while (t.places > 0 && t.digits.back() == '0') {
        t.digits.pop_back();
        --t.places;
      }
      if (precision <= 0 || static_cast<int>(t.digits.size()) <= precision) return Format(d, fs.DecimalSeparator);
      break;
    }
    case ffFixed:
    case ffNumber: {
      SetPlaces(d, digits, true);
      TrimLeading(d);
      size_t intDigits = d.digits.size() - static_cast<size_t>(d.places);
      String ip = intDigits ? d.digits.substr(0, intDigits) : "0";
      if (format == ffNumber)
        for (size_t k = ip.size(); k > 3; k -= 3) ip.insert(k - 3, fs.ThousandSeparator);
      String s = (d.neg && !IsZero(d)) ? "-" + ip : ip;
      if (digits > 0) s += fs.DecimalSeparator + d.digits.substr(intDigits);
      return s;
    }
    case ffCurrency: {
      Currency c;
      if (digits <= 4 && BCDToCurr(bcd, c)) return CurrToStrF(c, ffCurrency, digits, fs);
      break;
    }
    default:
      break;
  }
  return FloatToStrF(BcdToDouble(bcd), format, precision, digits, fs);
}

bool CurrToBCD(Currency curr, TBcd& bcd, int32_t precision, int32_t decimals) {
  if (precision < 1 || precision > kMaxDigits || decimals < 0 || decimals > kMaxPlaces || decimals > precision)
    return false;
  Dec d;
  d.neg = curr.Value < 0;
  uint64_t mag = d.neg ? 0 - static_cast<uint64_t>(curr.Value) : static_cast<uint64_t>(curr.Value);
  d.digits = std::to_string(mag);
  d.places = 4;
  SetPlaces(d, decimals);
  TrimLeading(d);
  if (static_cast<int>(d.digits.size()) > precision) return false;
  // Right-aligned in exactly `precision` digits, as the callers that reinterpret the places expect.
  d.digits.insert(0, static_cast<size_t>(precision) - d.digits.size(), '0');
  TBcd r;
  r.Precision = static_cast<uint8_t>(precision);
  r.SignSpecialPlaces = static_cast<uint8_t>(decimals | ((d.neg && !IsZero(d)) ? 0x80 : 0));
  for (int i = 0; i < precision; ++i) {
    uint8_t nib = static_cast<uint8_t>(d.digits[i] - '0');
    r.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<uint8_t>(nib << 4) : nib;
  }
  bcd = r;
  return true;
}

bool BCDToCurr(const TBcd& bcd, Currency& curr) {
  Dec d = Read(bcd);
  return TryStrToCurr(Format(d, '.'), curr, DotSettings());
}

TBcd DoubleToBcd(double value) {
  if (!std::isfinite(value)) throw EBcdException("Invalid BCD value");
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15e", value);
  // %.15e gives 16 significant digits; the float text routines show 15, so round through them.
  std::snprintf(buf, sizeof buf, "%.14e", value);
  Dec d;
  Parse(buf, '.', d);
  while (d.places > 0 && d.digits.back() == '0') {
    d.digits.pop_back();
    --d.places;
  }
  TBcd r;
  WriteOrOverflow(d, r);
  return r;
}

double BcdToDouble(const TBcd& bcd) {
  Dec d = Read(bcd);
  TrimLeading(d);
  if (d.digits.empty()) return 0.0;
  std::string s = d.digits + "e-" + std::to_string(d.places);
  double v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return d.neg ? -v : v;
}

TBcd IntegerToBcd(int64_t value) {
  Dec d;
  d.neg = value < 0;
  d.digits = std::to_string(d.neg ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
  TBcd r;
  Write(d, r);
  return r;
}

int32_t BcdToInteger(const TBcd& bcd, bool truncate) {
  Dec d = Read(bcd);
  if (truncate) {
    d.digits.resize(d.digits.size() - static_cast<size_t>(d.places));
    d.places = 0;
  } else {
    SetPlaces(d, 0);
  }
  TrimLeading(d);
  if (d.digits.size() > 10) throw EBcdOverflowException("BCD overflow");
  int64_t v = d.digits.empty() ? 0 : std::stoll(d.digits);
  if (d.neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) throw EBcdOverflowException("BCD overflow");
  return static_cast<int32_t>(v);
}

int32_t BcdPrecision(const TBcd& bcd) {
  Dec d = Read(bcd);
  TrimLeading(d);
  return static_cast<int32_t>(d.digits.size()) - d.places;
}

int32_t BcdScale(const TBcd& bcd) { return (bcd.SignSpecialPlaces & 0x40) ? 0 : bcd.SignSpecialPlaces & 0x3F; }

bool NormalizeBcd(const TBcd& in, TBcd& out, int32_t precision, int32_t places) {
  if (precision < 1 || precision > kMaxDigits || places < 0 || places > kMaxPlaces || places > precision) return false;
  Dec d = Read(in);
  SetPlaces(d, places);
  TrimLeading(d);
  if (static_cast<int>(d.digits.size()) > precision) return false;
  d.digits.insert(0, static_cast<size_t>(precision) - d.digits.size(), '0');
  TBcd r;
  r.Precision = static_cast<uint8_t>(precision);
  r.SignSpecialPlaces = static_cast<uint8_t>(places | ((d.neg && !IsZero(d)) ? 0x80 : 0));
  for (int i = 0; i < precision; ++i) {
    uint8_t nib = static_cast<uint8_t>(d.digits[i] - '0');
    r.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<uint8_t>(nib << 4) : nib;
  }
  out = r;
  return true;
}

int32_t BcdCompare(const TBcd& a, const TBcd& b) {
  Dec x = Read(a), y = Read(b);
  bool xneg = x.neg && !IsZero(x), yneg = y.neg && !IsZero(y);
  if (xneg != yneg) return xneg ? -1 : 1;
  Align(x, y);
  int c = CompareMag(x.digits, y.digits);
  return xneg ? -c : c;
}

void BcdAdd(const TBcd& a, const TBcd& b, TBcd& out) { WriteOrOverflow(Sum(Read(a), Read(b)), out); }

void BcdSubtract(const TBcd& a, const TBcd& b, TBcd& out) {
  Dec nb = Read(b);
  nb.neg = !nb.neg;
  WriteOrOverflow(Sum(Read(a), nb), out);
}

void BcdMultiply(const TBcd& a, const TBcd& b, TBcd& out) {
  Dec x = Read(a), y = Read(b);
  std::vector<int> acc(x.digits.size() + y.digits.size(), 0);
  for (size_t i = x.digits.size(); i-- > 0;)
    for (size_t j = y.digits.size(); j-- > 0;) acc[i + j + 1] += (x.digits[i] - '0') * (y.digits[j] - '0');
  for (size_t k = acc.size(); k-- > 1;) {
    acc[k - 1] += acc[k] / 10;
    acc[k] %= 10;
  }
  Dec r;
  r.neg = x.neg != y.neg;
  r.places = x.places + y.places;
  for (int v : acc) r.digits += static_cast<char>('0' + v);
  WriteOrOverflow(r, out);
}

Variant VarFMTBcdCreate(double value, uint16_t precision, uint16_t scale) {
  TBcd b = DoubleToBcd(value), n;
  if (!NormalizeBcd(b, n, precision, scale)) throw EBcdOverflowException("BCD overflow");
  return VarFMTBcdCreate(n);
}

Variant VarFMTBcdCreate(const String& value, uint16_t precision, uint16_t scale) {
  TBcd b = StrToBcd(value), n;
  if (!NormalizeBcd(b, n, precision, scale)) throw EBcdOverflowException("BCD overflow");
  return VarFMTBcdCreate(n);
}
