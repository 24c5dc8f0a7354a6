#include "rtl/DateTime.h"

#include <cmath>
#include <cstdio>

#include "rtl/Clock.h"
#include "rtl/Math.h"

const TDayTable MonthDays[2] = {{{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}},
                                {{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}}};

namespace {

constexpr int32_t D1 = 365;
constexpr int32_t D4 = D1 * 4 + 1;
constexpr int32_t D100 = D4 * 25 - 1;
constexpr int32_t D400 = D100 * 4 + 1;

char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// ASCII case-insensitive "does text at p begin with word".
bool StartsWithI(const char* p, const char* end, const char* word) {
  for (; *word; ++word, ++p)
    if (p >= end || UpCase(*p) != UpCase(*word)) return false;
  return true;
}

// Time-stamp day number (1 = 0001-01-01) to year, month, day; false before day 1.
bool DecodeDayNumber(int32_t t, uint16_t& year, uint16_t& month, uint16_t& day) {
  if (t <= 0) {
    year = month = day = 0;
    return false;
  }
  --t;
  int32_t y = 1;
  y += (t / D400) * 400;
  t %= D400;
  int32_t n = t / D100;
  if (n == 4) n = 3;  // the last day of a 400-year cycle
  y += n * 100;
  t -= n * D100;
  y += (t / D4) * 4;
  t %= D4;
  n = t / D1;
  if (n == 4) n = 3;  // the last day of a leap year
  y += n;
  t -= n * D1;
  const TDayTable& table = MonthDays[IsLeapYear(static_cast<uint16_t>(y))];
  int32_t m = 1;
  while (t >= table[m]) {
    t -= table[m];
    ++m;
  }
  year = static_cast<uint16_t>(y);
  month = static_cast<uint16_t>(m);
  day = static_cast<uint16_t>(t + 1);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Formatting

class TDateFormatter {
public:
  TDateFormatter(TDateTime dt, const TFormatSettings& fs, String& out) : FDateTime(dt), FSettings(fs), FOut(out) {}

  void Append(const String& format) { AppendFormat(format.data(), format.data() + format.size()); }

private:
  TDateTime FDateTime;
  const TFormatSettings& FSettings;
  String& FOut;
  int FLevel = 0;
  bool FDateDecoded = false;
  bool FTimeDecoded = false;
  uint16_t FYear = 0, FMonth = 0, FDay = 0;
  uint16_t FHour = 0, FMin = 0, FSec = 0, FMSec = 0;

  void GetDate() {
    if (!FDateDecoded) DecodeDate(FDateTime, FYear, FMonth, FDay);
    FDateDecoded = true;
  }
  void GetTime() {
    if (!FTimeDecoded) DecodeTime(FDateTime, FHour, FMin, FSec, FMSec);
    FTimeDecoded = true;
  }
  void AppendNumber(unsigned value, int minDigits) {
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%0*u", minDigits, value);
    FOut.append(buf, static_cast<size_t>(n));
  }
  // Day names are indexed from Sunday.
  const String& DayName(bool longName) {
    int dow = DayOfWeek(FDateTime) - 1;
    if (dow < 0) dow = 0;
    return longName ? FSettings.LongDayNames[static_cast<size_t>(dow)]
                    : FSettings.ShortDayNames[static_cast<size_t>(dow)];
  }

  // Nested formats (c, ddddd, dddddd, t, tt) expand one level deep only, so that a format naming
  // itself cannot recurse for ever.
  void AppendFormat(const char* p, const char* end) {
    if (FLevel >= 2) return;
    ++FLevel;
    char lastToken = ' ';
    bool use12HourClock = false;
    while (p < end) {
      char starter = *p++;
      char token = UpCase(starter);
      if (IsAsciiLetter(token)) {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      auto getCount = [&] {
        int count = 1;
        while (p < end && UpCase(*p) == UpCase(starter)) {
          ++p;
          ++count;
        }
        return count;
      };
      switch (token) {
        case 'Y': {
          int count = getCount();
          GetDate();
          if (count <= 2)
            AppendNumber(FYear % 100u, 2);
          else
            AppendNumber(FYear, 4);
          break;
        }
        case 'M': {
          int count = getCount();
          GetDate();
          if (count <= 2)
            AppendNumber(FMonth, count);
          else if (FMonth >= 1)
            FOut += count == 3 ? FSettings.ShortMonthNames[FMonth - 1u] : FSettings.LongMonthNames[FMonth - 1u];
          break;
        }
        case 'D': {
          int count = getCount();
          if (count <= 2) {
            GetDate();
            AppendNumber(FDay, count);
          } else if (count <= 4) {
            FOut += DayName(count == 4);
          } else {
            Append(count == 5 ? FSettings.ShortDateFormat : FSettings.LongDateFormat);
          }
          break;
        }
        case 'H': {
          int count = getCount();
          GetTime();
          // The hour is on the 12-hour clock when the next am/pm marker comes before the next hour
          // token; quoted text is passed over.
          bool quoted = false;
          for (const char* q = p; q < end; ++q) {
            char c = *q;
            if ((c == 'A' || c == 'a') && !quoted) {
              if (StartsWithI(q, end, "AM/PM") || StartsWithI(q, end, "A/P") || StartsWithI(q, end, "AMPM"))
                use12HourClock = true;
              break;
            }
            if (c == 'H' || c == 'h') break;
            if (c == '\'' || c == '"') quoted = !quoted;
          }
          unsigned h = FHour;
          if (use12HourClock) {
            if (h == 0)
              h = 12;
            else if (h > 12)
              h -= 12;
          }
          AppendNumber(h, count > 2 ? 2 : count);
          break;
        }
        case 'N': {
          int count = getCount();
          GetTime();
          AppendNumber(FMin, count > 2 ? 2 : count);
          break;
        }
        case 'S': {
          int count = getCount();
          GetTime();
          AppendNumber(FSec, count > 2 ? 2 : count);
          break;
        }
        case 'Z': {
          int count = getCount();
          GetTime();
          AppendNumber(FMSec, count > 3 ? 3 : count);
          break;
        }
        case 'T': {
          int count = getCount();
          Append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat);
          break;
        }
        case 'A': {
          GetTime();
          const char* q = p - 1;
          if (StartsWithI(q, end, "AM/PM")) {
            // The marker's own letters, in the case the format wrote them.
            FOut.append(FHour >= 12 ? q + 3 : q, 2);
            p += 4;
            use12HourClock = true;
          } else if (StartsWithI(q, end, "A/P")) {
            FOut.append(FHour >= 12 ? q + 2 : q, 1);
            p += 2;
            use12HourClock = true;
          } else if (StartsWithI(q, end, "AMPM")) {
            FOut += FHour < 12 ? FSettings.TimeAMString : FSettings.TimePMString;
            p += 3;
            use12HourClock = true;
          } else if (StartsWithI(q, end, "AAAA")) {
            FOut += DayName(true);
            p += 3;
          } else if (StartsWithI(q, end, "AAA")) {
            FOut += DayName(false);
            p += 2;
          } else {
            FOut += starter;
          }
          break;
        }
        case 'C': {
          getCount();
          Append(FSettings.ShortDateFormat);
          GetTime();
          if (FHour != 0 || FMin != 0 || FSec != 0) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat);
          }
          break;
        }
        case '/':
          if (FSettings.DateSeparator != 0) FOut += FSettings.DateSeparator;
          break;
        case ':':
          if (FSettings.TimeSeparator != 0) FOut += FSettings.TimeSeparator;
          break;
        case '\'':
        case '"': {
          const char* start = p;
          while (p < end && *p != starter) ++p;
          FOut.append(start, static_cast<size_t>(p - start));
          if (p < end) ++p;
          break;
        }
        default:
          FOut += starter;
          break;
      }
    }
    --FLevel;
  }
};

// ---------------------------------------------------------------------------------------------------
// Parsing

enum class TDateOrder { MDY, DMY, YMD };

// The order of the first day, month or year letter of the short date format.
TDateOrder GetDateOrder(const String& format) {
  for (char c : format) {
    switch (UpCase(c)) {
      case 'Y': return TDateOrder::YMD;
      case 'M': return TDateOrder::MDY;
      case 'D': return TDateOrder::DMY;
      default: break;
    }
  }
  return TDateOrder::MDY;
}

class TDateScanner {
public:
  TDateScanner(const String& s, const TFormatSettings& fs) : FText(s), FSettings(fs) {}

  size_t Pos = 0;
  bool AtEnd() const { return Pos >= FText.size(); }

  void ScanBlanks() {
    while (Pos < FText.size() && FText[Pos] == ' ') ++Pos;
  }

  // Up to the first value of 1000 or more (at most four or five digits), as the platform reads numbers.
  bool ScanNumber(uint16_t& number, int& digits) {
    ScanBlanks();
    size_t i = Pos;
    unsigned n = 0;
    while (i < FText.size() && FText[i] >= '0' && FText[i] <= '9' && n < 1000) {
      n = n * 10 + static_cast<unsigned>(FText[i] - '0');
      ++i;
    }
    if (i == Pos) return false;
    digits = static_cast<int>(i - Pos);
    Pos = i;
    number = static_cast<uint16_t>(n);
    return true;
  }

  bool ScanChar(char c) {
    ScanBlanks();
    if (Pos < FText.size() && FText[Pos] == c) {
      ++Pos;
      return true;
    }
    return false;
  }

  bool ScanString(const String& symbol) {
    if (symbol.empty()) return false;
    ScanBlanks();
    const char* p = FText.data() + Pos;
    if (!StartsWithI(p, FText.data() + FText.size(), symbol.c_str())) return false;
    Pos += symbol.size();
    return true;
  }

  bool ScanDate(TDateTime& date) {
    TDateOrder order = GetDateOrder(FSettings.ShortDateFormat);
    uint16_t n1 = 0, n2 = 0, n3 = 0, y = 0, m = 0, d = 0;
    int l1 = 0, l2 = 0, l3 = 0;
    if (!(ScanNumber(n1, l1) && ScanChar(FSettings.DateSeparator) && ScanNumber(n2, l2))) return false;
    if (ScanChar(FSettings.DateSeparator)) {
      if (!ScanNumber(n3, l3)) return false;
      int yearLen;
      // A year written with three or more digits first reads as year-month-day whatever the order.
      if (order == TDateOrder::YMD || l1 > 2) {
        y = n1, yearLen = l1, m = n2, d = n3;
      } else if (order == TDateOrder::MDY) {
        y = n3, yearLen = l3, m = n1, d = n2;
      } else {
        y = n3, yearLen = l3, m = n2, d = n1;
      }
      if (yearLen <= 2) {
        int window = FSettings.TwoDigitYearCenturyWindow;
        int centuryBase = CurrentYear() - window;
        int year = y + centuryBase / 100 * 100;
        if (window > 0 && year < centuryBase) year += 100;
        y = static_cast<uint16_t>(year);
      }
    } else {
      y = CurrentYear();
      if (order == TDateOrder::MDY) {
        m = n1, d = n2;
      } else {
        d = n1, m = n2;
      }
    }
    ScanChar(FSettings.DateSeparator);
    ScanBlanks();
    return TryEncodeDate(y, m, d, date);
  }

  bool ScanTime(TDateTime& time) {
    int baseHour = -1;
    if (ScanString(FSettings.TimeAMString) || ScanString("AM"))
      baseHour = 0;
    else if (ScanString(FSettings.TimePMString) || ScanString("PM"))
      baseHour = 12;
    if (baseHour >= 0) ScanBlanks();
    uint16_t hour = 0, min = 0, sec = 0, msec = 0;
    int digits = 0;
    if (!ScanNumber(hour, digits)) return false;
    if (ScanChar(FSettings.TimeSeparator)) {
      if (!ScanNumber(min, digits)) return false;
      if (ScanChar(FSettings.TimeSeparator)) {
        if (!ScanNumber(sec, digits)) return false;
        if (ScanChar(FSettings.DecimalSeparator))
          if (!ScanNumber(msec, digits)) return false;
      }
    }
    if (baseHour < 0) {
      if (ScanString(FSettings.TimeAMString) || ScanString("AM"))
        baseHour = 0;
      else if (ScanString(FSettings.TimePMString) || ScanString("PM"))
        baseHour = 12;
    }
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour = static_cast<uint16_t>(hour + baseHour);
    }
    ScanBlanks();
    return TryEncodeTime(hour, min, sec, msec, time);
  }

private:
  const String& FText;
  const TFormatSettings& FSettings;
};

TDateTime Combine(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

[[noreturn]] void ConvertError(const String& s, const char* what) {
  throw EConvertError("'" + s + "' is not a valid " + what);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

bool IsLeapYear(uint16_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

uint16_t DaysInAMonth(uint16_t year, uint16_t month) {
  if (month < 1 || month > 12) return 0;
  return MonthDays[IsLeapYear(year)][month];
}

bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  const TDayTable& table = MonthDays[IsLeapYear(year)];
  if (day < 1 || day > table[month]) return false;
  int32_t days = day;
  for (int m = 1; m < month; ++m) days += table[m];
  int32_t i = year - 1;
  date = static_cast<TDateTime>(i * 365 + i / 4 - i / 100 + i / 400 + days - DateDelta);
  return true;
}

bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = static_cast<TDateTime>(hour * 3600000 + min * 60000 + sec * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result)) throw EConvertError("Invalid argument to time encode");
  return result;
}

void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day) {
  DecodeDayNumber(DateTimeToTimeStamp(date).Date, year, month, day);
}

void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  int32_t ms = DateTimeToTimeStamp(time).Time;
  hour = static_cast<uint16_t>(ms / 3600000);
  ms %= 3600000;
  min = static_cast<uint16_t>(ms / 60000);
  ms %= 60000;
  sec = static_cast<uint16_t>(ms / 1000);
  msec = static_cast<uint16_t>(ms % 1000);
}

bool DecodeDateFully(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& dow) {
  int32_t t = DateTimeToTimeStamp(date).Date;
  if (!DecodeDayNumber(t, year, month, day)) {
    dow = 0;
    return false;
  }
  dow = static_cast<uint16_t>(t % 7 + 1);
  return IsLeapYear(year);
}

uint16_t DayOfWeek(TDateTime date) {
  int32_t t = DateTimeToTimeStamp(date).Date;
  int32_t r = t % 7;
  if (r < 0) r += 7;
  return static_cast<uint16_t>(r + 1);
}

TDateTime IncMonth(TDateTime date, int32_t numberOfMonths) {
  uint16_t year, month, day;
  DecodeDate(date, year, month, day);
  int64_t total = static_cast<int64_t>(year) * 12 + (month - 1) + numberOfMonths;
  int64_t newYear = total >= 0 ? total / 12 : (total - 11) / 12;
  uint16_t newMonth = static_cast<uint16_t>(total - newYear * 12 + 1);
  if (newYear < 1 || newYear > 9999) throw EConvertError("Invalid argument to date encode");
  uint16_t days = DaysInAMonth(static_cast<uint16_t>(newYear), newMonth);
  TDateTime result = EncodeDate(static_cast<uint16_t>(newYear), newMonth, day > days ? days : day);
  ReplaceTime(result, date);
  return result;
}

void ReplaceTime(TDateTime& dateTime, TDateTime newTime) {
  dateTime = std::trunc(dateTime);
  double t = std::fabs(Frac(newTime));
  dateTime = dateTime >= 0 ? dateTime + t : dateTime - t;
}

void ReplaceDate(TDateTime& dateTime, TDateTime newDate) {
  TDateTime temp = newDate;
  ReplaceTime(temp, dateTime);
  dateTime = temp;
}

TDateTime Now() { return CurrentClock().Now(); }
TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() { return Frac(Now()); }

uint16_t CurrentYear() {
  uint16_t y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime) {
  int64_t ms = Round(dateTime * MSecsPerDay);
  bool negative = ms < 0;
  if (negative) ms = -ms;
  TTimeStamp ts;
  ts.Time = static_cast<int32_t>(ms % MSecsPerDay);
  int64_t days = ms / MSecsPerDay;
  ts.Date = static_cast<int32_t>((negative ? -days : days) + DateDelta);
  return ts;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  int64_t ms = Round(msecs);
  TTimeStamp ts;
  ts.Date = static_cast<int32_t>(ms / MSecsPerDay);
  ts.Time = static_cast<int32_t>(ms % MSecsPerDay);
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp) {
  if (timeStamp.Time < 0 || timeStamp.Date <= 0)
    throw EConvertError("'" + std::to_string(timeStamp.Date) + "." + std::to_string(timeStamp.Time) +
                        "' is not a valid timestamp");
  // One division of the whole millisecond count, so the result is the nearest double.
  int64_t ms = static_cast<int64_t>(timeStamp.Date - DateDelta) * MSecsPerDay;
  ms = ms >= 0 ? ms + timeStamp.Time : ms - timeStamp.Time;
  return static_cast<double>(ms) / MSecsPerDay;
}

double TimeStampToMSecs(const TTimeStamp& timeStamp) {
  return static_cast<double>(static_cast<int64_t>(timeStamp.Date) * MSecsPerDay + timeStamp.Time);
}

// ---------------------------------------------------------------------------------------------------

void DateTimeToString(String& result, const String& format, TDateTime dateTime, const TFormatSettings& settings) {
  result.clear();
  TDateFormatter f(dateTime, settings, result);
  f.Append(format.empty() ? String("C") : format);
}

void DateTimeToString(String& result, const String& format, TDateTime dateTime) {
  DateTimeToString(result, format, dateTime, FormatSettings());
}

String FormatDateTime(const String& format, TDateTime dateTime, const TFormatSettings& settings) {
  String result;
  DateTimeToString(result, format, dateTime, settings);
  return result;
}

String FormatDateTime(const String& format, TDateTime dateTime) {
  return FormatDateTime(format, dateTime, FormatSettings());
}

String DateToStr(TDateTime date, const TFormatSettings& settings) {
  return FormatDateTime(settings.ShortDateFormat, date, settings);
}
String DateToStr(TDateTime date) { return DateToStr(date, FormatSettings()); }

String TimeToStr(TDateTime time, const TFormatSettings& settings) {
  return FormatDateTime(settings.LongTimeFormat, time, settings);
}
String TimeToStr(TDateTime time) { return TimeToStr(time, FormatSettings()); }

String DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
  return FormatDateTime(String(), dateTime, settings);
}
String DateTimeToStr(TDateTime dateTime) { return DateTimeToStr(dateTime, FormatSettings()); }

// ---------------------------------------------------------------------------------------------------

bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner sc(s, settings);
  TDateTime date;
  if (!sc.ScanDate(date) || !sc.AtEnd()) return false;
  value = date;
  return true;
}

bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& settings) {
  TDateScanner sc(s, settings);
  TDateTime time;
  if (!sc.ScanTime(time) || !sc.AtEnd()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& settings) {
  {
    TDateScanner sc(s, settings);
    TDateTime date = 0, time = 0;
    if (sc.ScanDate(date) && (sc.AtEnd() || (sc.ScanTime(time) && sc.AtEnd()))) {
      value = Combine(date, time);
      return true;
    }
  }
  return TryStrToTime(s, value, settings);
}

bool TryStrToDate(const String& s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings()); }
bool TryStrToTime(const String& s, TDateTime& value) { return TryStrToTime(s, value, FormatSettings()); }
bool TryStrToDateTime(const String& s, TDateTime& value) { return TryStrToDateTime(s, value, FormatSettings()); }

TDateTime StrToDate(const String& s, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDate(s, v, settings)) ConvertError(s, "date");
  return v;
}
TDateTime StrToTime(const String& s, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToTime(s, v, settings)) ConvertError(s, "time");
  return v;
}
TDateTime StrToDateTime(const String& s, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, settings)) ConvertError(s, "date and time");
  return v;
}
TDateTime StrToDate(const String& s) { return StrToDate(s, FormatSettings()); }
TDateTime StrToTime(const String& s) { return StrToTime(s, FormatSettings()); }
TDateTime StrToDateTime(const String& s) { return StrToDateTime(s, FormatSettings()); }

TDateTime StrToDateDef(const String& s, TDateTime def, const TFormatSettings& settings) {
  TDateTime v;
  return TryStrToDate(s, v, settings) ? v : def;
}
TDateTime StrToTimeDef(const String& s, TDateTime def, const TFormatSettings& settings) {
  TDateTime v;
  return TryStrToTime(s, v, settings) ? v : def;
}
TDateTime StrToDateTimeDef(const String& s, TDateTime def, const TFormatSettings& settings) {
  TDateTime v;
  return TryStrToDateTime(s, v, settings) ? v : def;
}
TDateTime StrToDateDef(const String& s, TDateTime def) { return StrToDateDef(s, def, FormatSettings()); }
TDateTime StrToTimeDef(const String& s, TDateTime def) { return StrToTimeDef(s, def, FormatSettings()); }
TDateTime StrToDateTimeDef(const String& s, TDateTime def) { return StrToDateTimeDef(s, def, FormatSettings()); }
