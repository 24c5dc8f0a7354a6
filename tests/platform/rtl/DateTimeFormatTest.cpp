#include <gtest/gtest.h>

#include "rtl/DateTime.h"

namespace {

struct FormatCase {
  const char* format;
  const char* expected;
};

// Monday, 7 March 2005, 14:05:09.045.
const TDateTime kAfternoon = EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 45);

TEST(DateTimeFormatTest, TokensUnderTheRussianProfile) {
  const TFormatSettings fs = TFormatSettings::Russian();
  const FormatCase cases[] = {
      {"dd-mm-yyyy-hh-nn-ss", "07-03-2005-14-05-09"},
      {"dd.mm.yyyy hh:mm:ss", "07.03.2005 14:05:09"},
      {"d/m/yy", "7.3.05"},
      {"d m y", "7 3 05"},
      {"yyy", "2005"},
      {"ddd dddd", "Пн понедельник"},
      {"mmm mmmm", "мар Март"},
      {"ddddd", "07.03.2005"},
      {"dddddd", "7 Март 2005 г."},
      {"c", "07.03.2005 14:05:09"},
      {"t", "14:05"},
      {"tt", "14:05:09"},
      {"h:n:s", "14:5:9"},
      {"h:m", "14:5"},                     // m right after h is minutes
      {"hh mm", "14 05"},
      {"z zz zzz zzzz", "45 45 045 045"},
      {"hhh nnn sss", "14 05 09"},
      {"YYYY-MM-DD HH:NN:SS", "2005-03-07 14:05:09"},
      {"Dd.Mm.yYyY", "07.03.2005"},
      {"'dd' \"mm\" yyyy", "dd mm 2005"},  // quoted text is copied
      {"yyyy 'год'", "2005 год"},
      {"hh 'h' nn", "14 h 05"},
      {"yyyy 'unclosed", "2005 unclosed"},
      {"hh:nn ampm", "02:05 "},            // the profile has no AM/PM strings, but the clock is 12-hour
      {"[hh]|nn,ss;", "[14]|05,09;"},
      {"aaa aaaa", "Пн понедельник"},
      {"", "07.03.2005 14:05:09"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, kAfternoon, fs), c.expected) << c.format;
}

TEST(DateTimeFormatTest, TokensUnderTheEnglishProfile) {
  const TFormatSettings fs = TFormatSettings::English();
  const FormatCase cases[] = {
      {"c", "3/7/2005 2:05:09 PM"},
      {"ddddd", "3/7/2005"},
      {"dddddd", "Monday, March 7, 2005"},
      {"t", "2:05 PM"},
      {"tt", "2:05:09 PM"},
      {"ddd, mmm d", "Mon, Mar 7"},
      {"dd/mm/yyyy", "07/03/2005"},
      {"hh:nn:ss", "14:05:09"},
      {"h AM/PM", "2 PM"},
      {"h am/pm", "2 pm"},
      {"h Am/Pm", "2 Pm"},
      {"h a/p", "2 p"},
      {"h A/P", "2 P"},
      {"h ampm", "2 PM"},
      {"h 'a/p' ampm", "2 a/p PM"},  // quoted markers do not count
      {"h:nn' x 'h AM/PM", "14:05 x 2 PM"},  // the marker belongs to the nearer hour
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, kAfternoon, fs), c.expected) << c.format;
}

TEST(DateTimeFormatTest, TwelveHourClockAtMidnightNoonAndLateEvening) {
  const TFormatSettings en = TFormatSettings::English();
  const TFormatSettings ru = TFormatSettings::Russian();
  const TDateTime day = EncodeDate(2005, 3, 7);
  const struct {
    TDateTime t;
    const char* h12;
    const char* ap;
    const char* h24;
  } cases[] = {
      {EncodeTime(0, 0, 0, 0), "12:00 AM", "12 a", "00:00"},
      {EncodeTime(0, 30, 0, 0), "12:30 AM", "12 a", "00:30"},
      {EncodeTime(11, 59, 0, 0), "11:59 AM", "11 a", "11:59"},
      {EncodeTime(12, 0, 0, 0), "12:00 PM", "12 p", "12:00"},
      {EncodeTime(13, 0, 0, 0), "01:00 PM", "1 p", "13:00"},
      {EncodeTime(23, 59, 0, 0), "11:59 PM", "11 p", "23:59"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime("hh:nn AM/PM", day + c.t, en), c.h12);
    EXPECT_EQ(FormatDateTime("h a/p", day + c.t, en), c.ap);
    EXPECT_EQ(FormatDateTime("hh:nn", day + c.t, ru), c.h24);
  }
  EXPECT_EQ(FormatDateTime("tt", day, en), "12:00:00 AM");
  EXPECT_EQ(FormatDateTime("tt", day, ru), "0:00:00");
}

TEST(DateTimeFormatTest, DateTimeToStrOmitsAMidnightTime) {
  const TFormatSettings en = TFormatSettings::English();
  const TFormatSettings ru = TFormatSettings::Russian();
  const TDateTime day = EncodeDate(2005, 3, 7);
  EXPECT_EQ(DateTimeToStr(day, ru), "07.03.2005");
  EXPECT_EQ(DateTimeToStr(day, en), "3/7/2005");
  EXPECT_EQ(DateTimeToStr(day + 0.5, ru), "07.03.2005 12:00:00");
  EXPECT_EQ(DateTimeToStr(0.5, ru), "30.12.1899 12:00:00");
  EXPECT_EQ(DateTimeToStr(-1.25, ru), "29.12.1899 6:00:00");
  EXPECT_EQ(DateToStr(kAfternoon, ru), "07.03.2005");
  EXPECT_EQ(TimeToStr(kAfternoon, ru), "14:05:09");
  EXPECT_EQ(TimeToStr(kAfternoon, en), "2:05:09 PM");
}

TEST(DateTimeFormatTest, ShortFormsReadTheProcessSettings) {
  TFormatSettings saved = FormatSettings();
  SetFormatSettings(TFormatSettings::Russian());
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", kAfternoon), "07.03.2005");
  EXPECT_EQ(DateTimeToStr(kAfternoon), "07.03.2005 14:05:09");
  SetFormatSettings(TFormatSettings::English());
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", kAfternoon), "07/03/2005");
  EXPECT_EQ(DateToStr(kAfternoon), "3/7/2005");
  String s;
  DateTimeToString(s, "yyyy", kAfternoon);
  EXPECT_EQ(s, "2005");
  SetFormatSettings(saved);
}

TEST(DateTimeFormatTest, NestedFormatsStopAtOneLevel) {
  TFormatSettings fs = TFormatSettings::Russian();
  fs.ShortDateFormat = "ddddd|dd";  // names itself
  EXPECT_EQ(FormatDateTime("ddddd", kAfternoon, fs), "|07");
  fs.LongTimeFormat = String(1, 'c');  // (a one-letter literal trips a false -Wrestrict in g++ 12 -O3)
  EXPECT_EQ(FormatDateTime("tt", kAfternoon, fs), " ");  // only the blank before the time is left
}

TEST(DateTimeFormatTest, EmptySeparatorsAreLeftOut) {
  TFormatSettings fs = TFormatSettings::Russian();
  fs.DateSeparator = 0;
  fs.TimeSeparator = 0;
  EXPECT_EQ(FormatDateTime("dd/mm hh:nn", kAfternoon, fs), "0703 1405");
}

}  // namespace
