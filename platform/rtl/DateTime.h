#pragma once
// Dates and times: TDateTime (days since 1899-12-30, the time of day as the fraction), its encoding and
// decoding, the time-stamp pair, the clock-driven Now/Date/Time, and formatting and parsing by the
// regional settings.
//
// Before 1899-12-30 a TDateTime is negative and its fraction is still the time of day, taken as an
// absolute value: -1.25 is 1899-12-29 06:00. Every routine here follows that rule.

#include <cstdint>

#include "rtl/FormatSettings.h"
#include "rtl/System.h"

constexpr int32_t HoursPerDay = 24;
constexpr int32_t MinsPerDay = HoursPerDay * 60;
constexpr int32_t SecsPerDay = MinsPerDay * 60;
constexpr int32_t MSecsPerDay = SecsPerDay * 1000;
// Days from 0001-01-01 (time-stamp day 1 is that day) to 1899-12-30, minus one.
constexpr int32_t DateDelta = 693594;
// Days from 1899-12-30 to 1970-01-01.
constexpr int32_t UnixDateDelta = 25569;
constexpr TDateTime MinDateTime = -657434.0;       // 0001-01-01
constexpr TDateTime MaxDateTime = 2958465.99999;   // 9999-12-31 23:59:59.999

// A date and a time of day as two integers.
struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight
  int32_t Date = 0;  // days since 0001-01-01, plus one
  friend bool operator==(const TTimeStamp&, const TTimeStamp&) = default;
};

// The days of each month, indexed 1..12 like the platform's table: MonthDays[IsLeapYear(y)][m].
struct TDayTable {
  uint16_t Days[12];
  constexpr uint16_t operator[](int month) const { return Days[month - 1]; }
};
extern const TDayTable MonthDays[2];

bool IsLeapYear(uint16_t year);
// Days in the month of the year; 0 for a month outside 1..12.
uint16_t DaysInAMonth(uint16_t year, uint16_t month);

// Encoding fails for a year outside 1..9999, a month outside 1..12, a day outside the month, an hour
// above 23, minutes or seconds above 59, milliseconds above 999. The Encode forms throw EConvertError
// ("Invalid argument to date encode" / "Invalid argument to time encode").
bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& date);
bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& time);
TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day);
TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec);

void DecodeDate(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime time, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
// Also gives the day of the week (1 = Sunday) and returns whether the year is a leap year. Dates before
// 0001-01-01 decode to all zeros and false.
bool DecodeDateFully(TDateTime date, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& dow);
// 1 = Sunday … 7 = Saturday.
uint16_t DayOfWeek(TDateTime date);

// The same time of day months later (or earlier); the day is clamped to the target month's length.
TDateTime IncMonth(TDateTime date, int32_t numberOfMonths = 1);
// Keeps the date part and takes the time of day of newTime (sign rules above), and the reverse.
void ReplaceTime(TDateTime& dateTime, TDateTime newTime);
void ReplaceDate(TDateTime& dateTime, TDateTime newDate);

// Read the installed clock (rtl/Clock.h): the current local date and time, the date alone, the time alone.
TDateTime Now();
TDateTime Date();
TDateTime Time();
uint16_t CurrentYear();

// Milliseconds are rounded half to even from the day fraction, as the platform does.
TTimeStamp DateTimeToTimeStamp(TDateTime dateTime);
// Whole days and the remaining milliseconds of a millisecond count.
TTimeStamp MSecsToTimeStamp(double msecs);
// EConvertError "'<date>.<time>' is not a valid timestamp" for a negative time or a day number below 1.
TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp);
// Days times MSecsPerDay plus the time, as a whole-valued double (the platform's Comp).
double TimeStampToMSecs(const TTimeStamp& timeStamp);

// Formats by the platform's tokens (letters in any case):
//   c        short date, then a blank and the long time when the time of day is not midnight
//   d dd     day without / with a leading zero; ddd dddd short / long day name;
//   ddddd    short date format; dddddd long date format
//   m mm     month without / with a leading zero; mmm mmmm short / long month name;
//            right after an h or hh, m and mm are minutes
//   yy yyyy  two-digit / four-digit year
//   h hh     hour (12-hour when an am/pm token follows), n nn minutes, s ss seconds, z zzz milliseconds
//   t tt     short / long time format
//   am/pm a/p  the token's own letters for before / after noon; ampm the settings' AM and PM strings
//   /  :     the date and time separators of the settings
//   '…' "…"  literal text; any other character is copied
// An empty format is "c".
String FormatDateTime(const String& format, TDateTime dateTime);
String FormatDateTime(const String& format, TDateTime dateTime, const TFormatSettings& settings);
void DateTimeToString(String& result, const String& format, TDateTime dateTime);
void DateTimeToString(String& result, const String& format, TDateTime dateTime, const TFormatSettings& settings);

// The short date format; the long time format; "c" (the time omitted when it is midnight).
String DateToStr(TDateTime date);
String DateToStr(TDateTime date, const TFormatSettings& settings);
String TimeToStr(TDateTime time);
String TimeToStr(TDateTime time, const TFormatSettings& settings);
String DateTimeToStr(TDateTime dateTime);
String DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings);

// Parsing. A date is two or three numbers joined by the date separator, ordered as the short date
// format orders day, month and year (the current year when it is left out); a year of one or two digits
// falls into the hundred years that TwoDigitYearCenturyWindow defines around the current year. A time is
// hours[:minutes[:seconds[<decimal separator>milliseconds]]] with the time separator and an optional AM/PM
// marker (the settings' strings or "AM"/"PM") before or after it. A date and time is a date, then
// optionally a time, or a time alone. Blanks between the parts are allowed; nothing else may follow.
// The StrTo forms throw EConvertError "'<text>' is not a valid date" / "… time" / "… date and time".
bool TryStrToDate(const String& s, TDateTime& value);
bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(const String& s, TDateTime& value);
bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(const String& s, TDateTime& value);
bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(const String& s);
TDateTime StrToDate(const String& s, const TFormatSettings& settings);
TDateTime StrToTime(const String& s);
TDateTime StrToTime(const String& s, const TFormatSettings& settings);
TDateTime StrToDateTime(const String& s);
TDateTime StrToDateTime(const String& s, const TFormatSettings& settings);
TDateTime StrToDateDef(const String& s, TDateTime def);
TDateTime StrToDateDef(const String& s, TDateTime def, const TFormatSettings& settings);
TDateTime StrToTimeDef(const String& s, TDateTime def);
TDateTime StrToTimeDef(const String& s, TDateTime def, const TFormatSettings& settings);
TDateTime StrToDateTimeDef(const String& s, TDateTime def);
TDateTime StrToDateTimeDef(const String& s, TDateTime def, const TFormatSettings& settings);
