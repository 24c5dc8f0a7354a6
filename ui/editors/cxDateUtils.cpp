#include "ui/editors/cxDateUtils.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxFormats.h"

namespace {

// Index order: today, yesterday, tomorrow, Sunday .. Saturday, first .. seventh day of the week, beginning
// and end of the month, now.
const char* const SmartKeywords[20] = {
    "сегодня", "вчера",  "завтра", "Воскресенье", "Понедельник", "Вторник",  "Среда",
    "Четверг", "Пятница", "Суббота", "первый",     "второй",      "третий",   "четвертый",
    "пятый",   "шестой", "седьмой", "bom",         "eom",         "now"};

const int32_t DaysPerMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The earliest and the first no longer valid day numbers (1 January 0001 and 1 January 10000).
constexpr double FirstValidDay = -693593.0;
constexpr double PastLastValidDay = 2958466.0;

// Text in the user's regional format; blanks may stand for the date separator (they do after the
// "." of a typed date have been blanked).
TDateTime LocaleTextToDateTime(const String& text) {
  TDateTime value = 0;
  if (TryStrToDateTime(text, value)) return value;
  // The first two runs of blanks may separate the date's numbers.
  String joined;
  int runs = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ' && runs < 2 && !joined.empty()) {
      while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
      joined += FormatSettings().DateSeparator;
      ++runs;
    } else {
      joined += text[i];
    }
  }
  if (runs > 0 && TryStrToDateTime(joined, value)) return value;
  throw EConvertError("'" + text + "' is not a valid date and time");
}

}  // namespace

String SmartDateKeyword(int32_t index) {
  if (index < 0 || index >= 20) return String();
  return TranslateString(String(SmartKeywords[index]));
}

bool SmartTextToDate(const String& text, TDateTime& date) {
  std::vector<String> keywords;
  for (int32_t i = 0; i < 20; ++i) keywords.push_back(SmartDateKeyword(i));
  const String s = Trim(text);
  std::vector<int32_t> order(20);
  for (int32_t i = 0; i < 20; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const int32_t la = Utf8Length(keywords[a]), lb = Utf8Length(keywords[b]);
    if (la != lb) return la > lb;
    return AnsiCompareText(keywords[a], keywords[b]) > 0;
  });
  int32_t match = -1;
  for (int32_t i : order) {
    const int32_t len = Utf8Length(keywords[i]);
    if (len > 0 && AnsiCompareText(Utf8Copy(s, 1, len), keywords[i]) == 0) {
      match = i;
      break;
    }
  }
  if (match < 0) return false;

  const TDateTime today = Date();
  const int32_t dow = DayOfWeek(today);  // 1 Sunday .. 7 Saturday
  TDateTime result = today;
  if (match == 1) {
    result = today - 1;
  } else if (match == 2) {
    result = today + 1;
  } else if (match >= 3 && match <= 9) {
    const int32_t d = (match - 2) - dow;
    result = d >= 0 ? today + d : today + 7 + d;
  } else if (match >= 10 && match <= 16) {
    result = today - dow + (match - 9);
  } else if (match == 17 || match == 18) {
    uint16_t y, m, d;
    DecodeDate(today, y, m, d);
    result = EncodeDate(y, m, match == 17 ? 1 : static_cast<uint16_t>(GetDaysInMonth(y, m)));
  } else if (match == 19) {
    result = Now();
  }

  const String rest = Trim(Utf8Copy(s, Utf8Length(keywords[match]) + 1, Utf8Length(s)));
  if (rest.size() > 1 && (rest[0] == '+' || rest[0] == '-')) {
    int32_t days = 0;
    if (TryStrToInt(Trim(rest.substr(1)), days)) result += rest[0] == '+' ? days : -static_cast<double>(days);
  }
  date = result;
  return true;
}

bool ParseDateText(const String& text, TDateTime& date) {
  try {
    String s = Trim(text);
    if (s.empty()) return false;
    if (!GetFormatController()->UsePlatformDateConversion() && FormatSettings().DateSeparator == '.') {
      int replaced = 0;
      for (char& c : s)
        if (c == '.' && replaced < 2) {
          c = ' ';
          ++replaced;
        }
    }
    if (!SmartTextToDate(s, date))
      date = GetFormatController()->UsePlatformDateConversion() ? StrToDateTime(s) : LocaleTextToDateTime(s);
    // Past year 9999 (or a day number beyond any calendar) there is no day to decode.
    return date > -2147483648.0 && date < 2147483647.0 && date >= FirstValidDay && date < PastLastValidDay;
  } catch (const Exception&) {
    date = NullDate;
    return false;
  }
}

bool TextToDateValue(const String& text, bool variantConversion, TDateTime& date) {
  date = NullDate;
  try {
    date = variantConversion ? LocaleTextToDateTime(text) : StrToDateTime(text);
    return true;
  } catch (const Exception&) {
    date = NullDate;
    return false;
  }
}

void FormatDateValue(bool useMaskFormat, bool withTime, String& text, TDateTime date) {
  if (date == NullDate) {
    text.clear();
  } else if (useMaskFormat) {
    TcxFormatController* fc = GetFormatController();
    text = withTime ? FormatDateTime(fc->DateTimeMaskDisplayFormat(), date)
                    : FormatDateTime(fc->DateMaskDisplayFormat(), DateOfValue(date));
  } else {
    DateTimeToLocaleText(text, date);
  }
}

void DateTimeToLocaleText(String& text, TDateTime date) {
  if (date == NullDate) {
    text.clear();
    return;
  }
  if (GetFormatController()->UsePlatformDateConversion()) {
    text = DateTimeToStr(date);
    return;
  }
  try {
    text = DateToStr(date);
    if (TimeOfValue(date) != 0) text += " " + TimeToStr(date);
  } catch (const Exception&) {
    text.clear();
  }
}

void QuoteRegExprLiteral(String& mask, const String& text) {
  bool open = false;
  for (char c : text) {
    if (c == '\'') {
      if (open) mask += '\'';
      open = false;
      mask += "\\'";
    } else {
      if (!open) mask += '\'';
      open = true;
      mask += c;
    }
  }
  if (open) mask += '\'';
}

void AddSmartDateAlternatives(String& mask, bool withNow) {
  String result = "(" + mask + ")|(";
  QuoteRegExprLiteral(result, SmartDateKeyword(0));
  for (int32_t i = 1; i < (withNow ? 20 : 19); ++i) {
    result += "|";
    QuoteRegExprLiteral(result, SmartDateKeyword(i));
  }
  mask = result + ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
}

void MonthStepBack(uint16_t& year, uint16_t& month) {
  if (month == 1) {
    month = 12;
    --year;
  } else {
    --month;
  }
}

void MonthStepForward(uint16_t& year, uint16_t& month) {
  if (month == 12) {
    month = 1;
    ++year;
  } else {
    ++month;
  }
}

void MonthShift(uint16_t& year, uint16_t& month, int32_t delta) {
  int32_t y = year + delta / 12;
  int32_t m = month + delta % 12;
  if (m <= 0) {
    m += 12;
    --y;
  } else if (m > 12) {
    m -= 12;
    ++y;
  }
  year = static_cast<uint16_t>(y);
  month = static_cast<uint16_t>(m);
}

uint16_t GetDateComponent(int32_t kind, TDateTime date) {
  uint16_t y, m, d;
  DecodeDate(date, y, m, d);
  return kind == 0 ? y : kind == 1 ? m : d;
}

bool IsLeapYearNumber(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t GetDaysInMonth(int32_t year, int32_t month) {
  if (month < 1 || month > 12) return 0;
  return DaysPerMonth[month - 1] + (month == 2 && IsLeapYearNumber(year) ? 1 : 0);
}

int32_t ClampDayOfMonth(int32_t year, int32_t month, int32_t day) {
  if (day <= 0) return 1;
  return std::min(day, GetDaysInMonth(year, month));
}

double TimeOfValue(TDateTime date) { return date - std::trunc(date); }

double DateOfValue(TDateTime date) { return std::trunc(date); }
