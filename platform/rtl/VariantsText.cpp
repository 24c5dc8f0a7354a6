// The text conversions behind the variant rules, with the process-wide regional settings.

#include <charconv>
#include <cmath>
#include <cstdio>

#include "rtl/SqlTimSt.h"
#include "rtl/VariantsImpl.h"

namespace rtl_variant {

namespace {

String Trim(const String& s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == String::npos ? String() : s.substr(b, e - b + 1);
}

// General float text: `digits` significant digits, trailing zeros dropped, scientific form "1,5E20" when
// the exponent is below -5 or reaches the digit count.
String GeneralText(double v, int digits) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  String s(buf);
  String mant = s, exp;
  size_t e = s.find('e');
  if (e != String::npos) {
    mant = s.substr(0, e);
    int x = std::atoi(s.c_str() + e + 1);
    exp = "E" + std::to_string(x);
  }
  size_t dot = mant.find('.');
  if (dot != String::npos) {
    while (mant.back() == '0') mant.pop_back();
    if (mant.back() == '.') mant.pop_back();
    else mant[dot] = FormatSettings().DecimalSeparator;
  }
  return mant + exp;
}

}  // namespace

String FloatText(double v) { return GeneralText(v, 15); }
String SingleText(float v) { return GeneralText(v, 7); }

bool TextToFloat(const String& s0, double& v) {
  String s = Trim(s0);
  if (s.empty()) return false;
  char sep = FormatSettings().DecimalSeparator;
  String t;
  for (char c : s) {
    if (c == sep) t += '.';
    else if (c == '.' || !(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
    else t += c;
  }
  const char* b = t.data();
  if (*b == '+') ++b;
  auto r = std::from_chars(b, t.data() + t.size(), v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool TextToInt64(const String& s0, int64_t& v) {
  String s = Trim(s0);
  const char* b = s.data();
  if (!s.empty() && *b == '+') ++b;
  auto r = std::from_chars(b, s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

String DateText(TDateTime dt) {
  const TFormatSettings& fs = FormatSettings();
  TSQLTimeStamp ts = DateTimeToSQLTimeStamp(dt);
  char buf[64];
  String s;
  if (std::trunc(dt) != 0 || dt == 0) {
    std::snprintf(buf, sizeof buf, "%02u%c%02u%c%04d", ts.Day, fs.DateSeparator, ts.Month, fs.DateSeparator, ts.Year);
    s = buf;
  }
  if (ts.Hour || ts.Minute || ts.Second) {
    std::snprintf(buf, sizeof buf, "%u%c%02u%c%02u", ts.Hour, fs.TimeSeparator, ts.Minute, fs.TimeSeparator, ts.Second);
    s += (s.empty() ? "" : " ") + String(buf);
  }
  return s;
}

bool TextToDate(const String& s0, TDateTime& dt) {
  const TFormatSettings& fs = FormatSettings();
  String s = Trim(s0);
  TSQLTimeStamp ts;
  unsigned d = 0, m = 0, h = 0, n = 0, sec = 0;
  int y = 0, used = 0;
  String fmt = String("%u") + fs.DateSeparator + "%u" + fs.DateSeparator + "%d%n";
  if (std::sscanf(s.c_str(), fmt.c_str(), &d, &m, &y, &used) < 3) return false;
  String rest = Trim(s.substr(static_cast<size_t>(used)));
  if (!rest.empty()) {
    String tf = String("%u") + fs.TimeSeparator + "%u" + fs.TimeSeparator + "%u%n";
    int used2 = 0;
    int k = std::sscanf(rest.c_str(), tf.c_str(), &h, &n, &sec, &used2);
    if (k < 2) return false;
    if (k == 2) sec = 0;
  }
  ts.Year = static_cast<int16_t>(y);
  ts.Month = static_cast<uint16_t>(m);
  ts.Day = static_cast<uint16_t>(d);
  ts.Hour = static_cast<uint16_t>(h);
  ts.Minute = static_cast<uint16_t>(n);
  ts.Second = static_cast<uint16_t>(sec);
  try {
    dt = SQLTimeStampToDateTime(ts);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

WideString ToWide(const String& s) {
  WideString w;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + static_cast<size_t>(len) > s.size()) {
      w += u'\uFFFD';
      ++i;
      continue;
    }
    cp = len == 1 ? c : c & (0x7F >> len);
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0x3F);
    i += static_cast<size_t>(len);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      w += static_cast<char16_t>(0xD800 + (cp >> 10));
      w += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      w += static_cast<char16_t>(cp);
    }
  }
  return w;
}

String FromWide(const WideString& w) {
  String s;
  for (size_t i = 0; i < w.size(); ++i) {
    uint32_t cp = w[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (w[++i] - 0xDC00);
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
  return s;
}

}  // namespace rtl_variant
