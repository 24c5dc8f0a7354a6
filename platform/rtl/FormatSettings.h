#pragma once
// Regional format settings: one process-wide default (a Russian profile), replaceable by tests, and a
// change broadcast for the components that cache what they read from it.

#include <array>
#include <functional>

#include "rtl/System.h"

struct TFormatSettings {
  String CurrencyString;
  uint8_t CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  uint8_t NegCurrFormat = 0;    // the platform's 16 negative currency layouts
  String ThousandSeparator;     // a String: the Russian separator (no-break space) is two bytes in UTF-8
  char DecimalSeparator = '.';
  uint8_t CurrencyDecimals = 2;
  char DateSeparator = '/';
  String ShortDateFormat;
  String LongDateFormat;
  char TimeSeparator = ':';
  String TimeAMString;
  String TimePMString;
  String ShortTimeFormat;
  String LongTimeFormat;
  std::array<String, 12> ShortMonthNames;
  std::array<String, 12> LongMonthNames;
  std::array<String, 7> ShortDayNames;  // index 0 is Sunday
  std::array<String, 7> LongDayNames;
  uint16_t TwoDigitYearCenturyWindow = 50;
  char ListSeparator = ',';
  int32_t FirstDayOfWeek = 0;  // 0 Monday … 6 Sunday, as the locale's first day

  // The Russian profile the program runs with: decimal ",", date "dd.mm.yyyy", time "H:mm:ss",
  // first day Monday, currency "р.".
  static TFormatSettings Russian();
  // A neutral English profile (decimal ".", "M/d/yyyy", "h:mm:ss AMPM") for tests and invariant text.
  static TFormatSettings English();
};

// The process-wide settings that the routines without an explicit settings argument read.
const TFormatSettings& FormatSettings();
// Replaces the process-wide settings and tells every listener.
void SetFormatSettings(const TFormatSettings& fs);
// Listeners run on the thread that changes the settings; the id removes them.
int32_t AddFormatSettingsListener(std::function<void()> listener);
void RemoveFormatSettingsListener(int32_t id);
