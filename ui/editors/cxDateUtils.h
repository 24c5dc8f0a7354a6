#pragma once
// Turning the text typed into a date editor into a date and back: the regional date format plus smart
// keywords (today, yesterday, tomorrow, a weekday, the n-th day of this week, the beginning or end of the
// month, now), each optionally followed by a signed number of days; the month and day arithmetic of the
// calendar. "Today" and "now" come from the installed clock (rtl Clock.h), so tests pin them.

#include <cstdint>

#include "rtl/System.h"

// No date: what a date editor without a value holds.
constexpr TDateTime NullDate = -700000.0;

// The 20 keywords (today, yesterday, tomorrow, Sunday..Saturday, first..seventh day of the week, bom, eom,
// now), each passed through the string translation.
String SmartDateKeyword(int32_t index);
bool ParseDateText(const String& text, TDateTime& date);
bool SmartTextToDate(const String& text, TDateTime& date);
bool TextToDateValue(const String& text, bool variantConversion, TDateTime& date);
void FormatDateValue(bool useMaskFormat, bool withTime, String& text, TDateTime date);
void DateTimeToLocaleText(String& text, TDateTime date);
void AddSmartDateAlternatives(String& mask, bool withNow);
void QuoteRegExprLiteral(String& mask, const String& text);
void MonthStepBack(uint16_t& year, uint16_t& month);
void MonthStepForward(uint16_t& year, uint16_t& month);
void MonthShift(uint16_t& year, uint16_t& month, int32_t delta);
uint16_t GetDateComponent(int32_t kind, TDateTime date);
bool IsLeapYearNumber(int32_t year);
int32_t GetDaysInMonth(int32_t year, int32_t month);
int32_t ClampDayOfMonth(int32_t year, int32_t month, int32_t day);
double TimeOfValue(TDateTime date);
double DateOfValue(TDateTime date);
