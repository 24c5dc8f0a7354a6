#include <gtest/gtest.h>

#include "rtl/Clock.h"
#include "rtl/DateTime.h"

namespace {

struct ParseCase {
  const char* text;
  TDateTime expected;
};

class DateTimeParseTest : public ::testing::Test {
protected:
  // Two-digit years and a missing year depend on the current year.
  TScopedTestClock FClock{EncodeDate(2026, 6, 15) + 0.5};
  TFormatSettings FRu = TFormatSettings::Russian();
  TFormatSettings FEn = TFormatSettings::English();
};

TEST_F(DateTimeParseTest, DatesFollowTheShortDateOrderAndSeparator) {
  const ParseCase ru[] = {
      {"07.03.2005", EncodeDate(2005, 3, 7)},
      {"7.3.2005", EncodeDate(2005, 3, 7)},
      {" 7 . 3 . 2005 ", EncodeDate(2005, 3, 7)},
      {"07.03.2005.", EncodeDate(2005, 3, 7)},
      {"7.3", EncodeDate(2026, 3, 7)},       // the current year
      {"7.3.05", EncodeDate(2005, 3, 7)},
      {"7.3.76", EncodeDate(1976, 3, 7)},     // the window starts 50 years back
      {"7.3.75", EncodeDate(2075, 3, 7)},
      {"29.02.2000", EncodeDate(2000, 2, 29)},
      {"2005.03.07", EncodeDate(2005, 3, 7)},  // a long first number is the year
      {"29.12.1899", -1},
  };
  for (const auto& c : ru) EXPECT_EQ(StrToDate(c.text, FRu), c.expected) << c.text;

  const ParseCase en[] = {
      {"3/7/2005", EncodeDate(2005, 3, 7)},
      {"12/31/99", EncodeDate(1999, 12, 31)},
      {"3/7", EncodeDate(2026, 3, 7)},
  };
  for (const auto& c : en) EXPECT_EQ(StrToDate(c.text, FEn), c.expected) << c.text;

  TFormatSettings ymd = FRu;
  ymd.ShortDateFormat = "yyyy-mm-dd";
  ymd.DateSeparator = '-';
  EXPECT_EQ(StrToDate("05-3-7", ymd), EncodeDate(2005, 3, 7));
}

TEST_F(DateTimeParseTest, TwoDigitYearWindowZeroMeansTheCurrentCentury) {
  FRu.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1.1.99", FRu), EncodeDate(2099, 1, 1));
  FRu.TwoDigitYearCenturyWindow = 10;
  EXPECT_EQ(StrToDate("1.1.15", FRu), EncodeDate(2115, 1, 1));
  EXPECT_EQ(StrToDate("1.1.17", FRu), EncodeDate(2017, 1, 1));
}

TEST_F(DateTimeParseTest, BadDatesAreRefused) {
  const char* bad[] = {"", " ", "abc", "07/03/2005", "32.01.2005", "29.02.2005", "07.13.2005", "0.1.2005",
                       "07..2005", "07.03.2005x", "07.03.2005 12:00", "7", "07.03.12345", "-7.3.2005"};
  for (const char* s : bad) {
    TDateTime v = 42;
    EXPECT_FALSE(TryStrToDate(s, v, FRu)) << s;
    EXPECT_EQ(v, 42) << s;
    EXPECT_EQ(StrToDateDef(s, 7, FRu), 7) << s;
    try {
      StrToDate(s, FRu);
      ADD_FAILURE() << s;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid date");
    }
  }
  TDateTime v;
  EXPECT_FALSE(TryStrToDate("7.3.2005", v, FEn));
}

TEST_F(DateTimeParseTest, TimesWithSeparatorsMillisecondsAndMarkers) {
  const ParseCase ru[] = {
      {"14:05:09", EncodeTime(14, 5, 9, 0)},
      {"14:05", EncodeTime(14, 5, 0, 0)},
      {"14", EncodeTime(14, 0, 0, 0)},
      {" 9 : 5 ", EncodeTime(9, 5, 0, 0)},
      {"14:05:09,045", EncodeTime(14, 5, 9, 45)},  // the decimal separator of the profile
      {"2:05 PM", EncodeTime(14, 5, 0, 0)},
      {"2:05 pm", EncodeTime(14, 5, 0, 0)},
      {"PM 2:05", EncodeTime(14, 5, 0, 0)},
      {"12:00 AM", 0},
      {"12:30 PM", EncodeTime(12, 30, 0, 0)},
      {"0:00:00", 0},
      {"23:59:59", EncodeTime(23, 59, 59, 0)},
  };
  for (const auto& c : ru) EXPECT_EQ(StrToTime(c.text, FRu), c.expected) << c.text;
  EXPECT_EQ(StrToTime("2:05:09.500 PM", FEn), EncodeTime(14, 5, 9, 500));
  EXPECT_EQ(StrToTime("14:05:09.045", FEn), EncodeTime(14, 5, 9, 45));

  const char* bad[] = {"", "x", "24:00", "14:60", "14:05:60", "13:00 PM", "0:30 AM", "14:", "14:05:09.045",
                       "14-05", "14:05 xx"};
  for (const char* s : bad) {
    TDateTime v = 42;
    EXPECT_FALSE(TryStrToTime(s, v, FRu)) << s;
    EXPECT_EQ(v, 42);
    EXPECT_EQ(StrToTimeDef(s, 0.25, FRu), 0.25) << s;
    try {
      StrToTime(s, FRu);
      ADD_FAILURE() << s;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid time");
    }
  }
}

TEST_F(DateTimeParseTest, DateAndTimeTogetherOrAlone) {
  const ParseCase ru[] = {
      {"07.03.2005 14:05:09", EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 0)},
      {"07.03.2005", EncodeDate(2005, 3, 7)},
      {"07.03.2005 2:05 PM", EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 0, 0)},
      {"14:05", EncodeTime(14, 5, 0, 0)},
      {"29.12.1899 06:00", -1.25},  // before the origin the time is subtracted
      {"07.03.05 0:00", EncodeDate(2005, 3, 7)},
  };
  for (const auto& c : ru) EXPECT_EQ(StrToDateTime(c.text, FRu), c.expected) << c.text;
  EXPECT_EQ(StrToDateTime("3/7/2005 2:05:09 PM", FEn), EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 0));

  const char* bad[] = {"", "07.03.2005 25:00", "07.03.2005 14:05 junk", "32.03.2005 10:00", "3/7/2005 14:00"};
  for (const char* s : bad) {
    TDateTime v = 42;
    EXPECT_FALSE(TryStrToDateTime(s, v, FRu)) << s;
    EXPECT_EQ(StrToDateTimeDef(s, 1, FRu), 1) << s;
    try {
      StrToDateTime(s, FRu);
      ADD_FAILURE() << s;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid date and time");
    }
  }
}

TEST_F(DateTimeParseTest, FormattedTextParsesBack) {
  for (const TFormatSettings* fs : {&FRu, &FEn})
    for (TDateTime dt : {EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 0), EncodeDate(1999, 12, 31),
                         EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0), EncodeDate(2024, 2, 29) + 0.5,
                         EncodeDate(1850, 1, 1) - EncodeTime(23, 59, 59, 0)})
      EXPECT_EQ(StrToDateTime(DateTimeToStr(dt, *fs), *fs), dt) << DateTimeToStr(dt, *fs);
}

TEST_F(DateTimeParseTest, ShortFormsReadTheProcessSettings) {
  TFormatSettings saved = FormatSettings();
  SetFormatSettings(FEn);
  EXPECT_EQ(StrToDate("3/7/2005"), EncodeDate(2005, 3, 7));
  EXPECT_EQ(StrToDateTime("3/7/2005 1:00 AM"), EncodeDate(2005, 3, 7) + EncodeTime(1, 0, 0, 0));
  SetFormatSettings(FRu);
  EXPECT_EQ(StrToDate("7.3.2005"), EncodeDate(2005, 3, 7));
  EXPECT_EQ(StrToTime("1:00"), EncodeTime(1, 0, 0, 0));
  TDateTime v;
  EXPECT_FALSE(TryStrToDate("3/7/2005", v));
  EXPECT_TRUE(TryStrToTime("1:00", v));
  EXPECT_TRUE(TryStrToDateTime("7.3.2005", v));
  EXPECT_EQ(StrToDateDef("x", 3), 3);
  EXPECT_EQ(StrToTimeDef("x", 3), 3);
  EXPECT_EQ(StrToDateTimeDef("x", 3), 3);
  SetFormatSettings(saved);
}

}  // namespace
