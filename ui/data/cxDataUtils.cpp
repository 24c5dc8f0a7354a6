#include "ui/data/cxDataUtils.h"

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"

String CurrencyNumberFormat() {
  const TFormatSettings& fs = FormatSettings();
  const String f = ",0." + String(fs.CurrencyDecimals, '0');
  String c;
  for (char ch : fs.CurrencyString) {
    if (ch == ',' || ch == '.') {
      c += '\'';
      c += ch;
      c += '\'';
    } else
      c += ch;
  }
  if (c.empty()) return f;
  switch (fs.CurrencyFormat) {
    case 0: return c + f;
    case 1: return f + c;
    case 2: return c + " " + f;
    case 3: return f + " " + c;
    default: return f;
  }
}

TDateTime DateOnly(TDateTime AValue) { return static_cast<TDateTime>(Trunc(AValue)); }

TDateTime TimeOnly(TDateTime AValue) { return Frac(AValue); }

int32_t FirstWeekDay() { return (FormatSettings().FirstDayOfWeek + 1) % 7; }

TDateTime WeekStart(TDateTime ADate) {
  const int32_t f = FirstWeekDay();
  const int32_t b = DayOfWeek(ADate) - 1;
  return b < f ? DateOnly(ADate) - 7 + (f - b) : DateOnly(ADate) - (b - f);
}

bool TextMatches(const String& AText, const String& APattern, bool APartial) {
  const String s = AnsiUpperCase(AText), p = AnsiUpperCase(APattern);
  if (p.empty()) return s.empty();
  if (!APartial) return s == p;
  return s.size() >= p.size() && s.compare(0, p.size(), p) == 0;
}
