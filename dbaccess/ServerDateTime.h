#pragma once
// The server's own date and time formats, one codec per server type. A date counts days from 1858-11-17;
// a time of day counts ten-thousandths of a second from midnight; a time stamp is the two side by side.
// The platform counts days from 1899-12-30 (TDateTime) or from 0001-01-01 plus one (TTimeStamp, with the
// time of day in milliseconds). Statement values, array elements and the dataset record cache all go
// through these, so that the three never disagree about a day or a fraction of a second.

#include "dbaccess/IB_Intf.h"  // the client's date and time types

#include <cmath>
#include <cstdint>

#include "rtl/DateTime.h"

namespace server_datetime {
constexpr int32_t DateTimeDayDelta = 15018;    // server day of 1899-12-30
constexpr int32_t TimeStampDayDelta = 678576;  // TTimeStamp.Date of the server's day 0
constexpr double TicksPerDay = 864000000.0;    // ten-thousandths of a second
constexpr uint32_t TicksPerMSec = 10;
}  // namespace server_datetime

struct TServerDate {
  static TDateTime ToDateTime(ISC_DATE d) { return d - server_datetime::DateTimeDayDelta; }
  // TTimeStamp.Date of the day.
  static int32_t ToTimeStampDate(ISC_DATE d) { return d + server_datetime::TimeStampDayDelta; }
  static ISC_DATE FromTimeStampDate(int32_t date) { return date - server_datetime::TimeStampDayDelta; }
  // The day of v; its time of day is dropped.
  static ISC_DATE FromDateTime(TDateTime v) { return FromTimeStampDate(DateTimeToTimeStamp(v).Date); }
};

struct TServerTime {
  static TDateTime ToDateTime(ISC_TIME t) { return t / server_datetime::TicksPerDay; }
  // Milliseconds since midnight (finer fractions are cut off).
  static int32_t ToMSecs(ISC_TIME t) { return static_cast<int32_t>(t / server_datetime::TicksPerMSec); }
  static ISC_TIME FromMSecs(int32_t ms) { return static_cast<ISC_TIME>(ms) * server_datetime::TicksPerMSec; }
  // The time of day of v to the millisecond; its day is dropped.
  static ISC_TIME FromDateTime(TDateTime v) { return FromMSecs(DateTimeToTimeStamp(v).Time); }
};

struct TServerTimeStamp {
  static TDateTime ToDateTime(const fbapi::ISC_TIMESTAMP& ts) {
    const TDateTime day = TServerDate::ToDateTime(ts.timestamp_date);
    const TDateTime time = TServerTime::ToDateTime(ts.timestamp_time);
    // Before 1899-12-30 the platform counts the time of day away from zero.
    return day < 0 ? day - time : day + time;
  }
  static TTimeStamp ToTimeStamp(const fbapi::ISC_TIMESTAMP& ts) {
    TTimeStamp r;
    r.Date = TServerDate::ToTimeStampDate(ts.timestamp_date);
    r.Time = TServerTime::ToMSecs(ts.timestamp_time);
    return r;
  }
  // Milliseconds since 0001-01-01 minus one day, the form the record cache keeps.
  static double ToMSecs(const fbapi::ISC_TIMESTAMP& ts) { return TimeStampToMSecs(ToTimeStamp(ts)); }
  static fbapi::ISC_TIMESTAMP FromTimeStamp(const TTimeStamp& v) {
    fbapi::ISC_TIMESTAMP ts;
    ts.timestamp_date = TServerDate::FromTimeStampDate(v.Date);
    ts.timestamp_time = TServerTime::FromMSecs(v.Time);
    return ts;
  }
  static fbapi::ISC_TIMESTAMP FromDateTime(TDateTime v) { return FromTimeStamp(DateTimeToTimeStamp(v)); }
};
