#include "rtl/SqlTimSt.h"

#include <cmath>

namespace {

// Days from 0001-01-01 style civil arithmetic, shifted so that 1899-12-30 is day 0.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468 + 25569;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468 - 25569;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (ts.Year < 1 || ts.Month < 1 || ts.Month > 12 || ts.Day < 1 ||
      ts.Day > kDays[ts.Month - 1] + (ts.Month == 2 && IsLeap(ts.Year) ? 1u : 0u))
    throw EConvertError("Invalid argument to date encode");
  if (ts.Hour > 23 || ts.Minute > 59 || ts.Second > 59 || ts.Fractions > 999)
    throw EConvertError("Invalid argument to time encode");
  double days = static_cast<double>(DaysFromCivil(ts.Year, ts.Month, ts.Day));
  double time = ((ts.Hour * 60 + ts.Minute) * 60 + ts.Second) * 1000.0 + ts.Fractions;
  time /= 86400000.0;
  // Before day 0 the time of day still counts forward, so it is subtracted from a negative whole day.
  return days >= 0 ? days + time : days - time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt) {
  // Work in whole milliseconds so that 23:59:59.9995 rolls over into the next day.
  double whole = std::trunc(dt);
  int64_t ms = static_cast<int64_t>(std::llround(std::fabs(dt - whole) * 86400000.0));
  int64_t day = static_cast<int64_t>(whole);
  if (ms >= 86400000) {
    ms -= 86400000;
    day += dt < 0 ? -1 : 1;
  }
  TSQLTimeStamp ts;
  int64_t y;
  unsigned m, d;
  CivilFromDays(day, y, m, d);
  ts.Year = static_cast<int16_t>(y);
  ts.Month = static_cast<uint16_t>(m);
  ts.Day = static_cast<uint16_t>(d);
  ts.Hour = static_cast<uint16_t>(ms / 3600000);
  ts.Minute = static_cast<uint16_t>(ms / 60000 % 60);
  ts.Second = static_cast<uint16_t>(ms / 1000 % 60);
  ts.Fractions = static_cast<uint32_t>(ms % 1000);
  return ts;
}
