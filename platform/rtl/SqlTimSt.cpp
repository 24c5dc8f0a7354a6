#include "rtl/SqlTimSt.h"

#include "rtl/DateTime.h"

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
  if (ts.Year < 1) throw EConvertError("Invalid argument to date encode");
  TDateTime date = EncodeDate(static_cast<uint16_t>(ts.Year), ts.Month, ts.Day);
  if (ts.Fractions > 999) throw EConvertError("Invalid argument to time encode");
  TDateTime time = EncodeTime(ts.Hour, ts.Minute, ts.Second, static_cast<uint16_t>(ts.Fractions));
  // Before day 0 the time of day still counts forward, so it moves a negative date further down.
  return date >= 0 ? date + time : date - time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt) {
  uint16_t y, m, d, h, n, s, ms;
  DecodeDate(dt, y, m, d);
  DecodeTime(dt, h, n, s, ms);
  TSQLTimeStamp ts;
  ts.Year = static_cast<int16_t>(y);
  ts.Month = m;
  ts.Day = d;
  ts.Hour = h;
  ts.Minute = n;
  ts.Second = s;
  ts.Fractions = ms;
  return ts;
}
