// The small shared routines of the data controller: the currency format of the summaries, the start of
// the week of the date filters, and the text match of the incremental filter.
#include <gtest/gtest.h>

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "ui/data/cxDataUtils.h"

namespace {

// Each test changes the regional settings it needs and gets the process's settings back afterwards.
class DataUtils : public ::testing::Test {
protected:
  void TearDown() override { SetFormatSettings(FSaved); }
  void Use(const TFormatSettings& fs) { SetFormatSettings(fs); }

private:
  TFormatSettings FSaved = FormatSettings();
};

TEST_F(DataUtils, CurrencyFormatPlacesTheCurrencyAsTheLocaleSays) {
  const struct {
    const char* Currency;
    uint8_t Format;
    uint8_t Decimals;
    const char* Expected;
  } cases[] = {
      {"р.", 3, 2, ",0.00 р'.'"},  // the dot of the currency stands as a literal, not as the decimal point
      {"", 0, 0, ",0."},           // no currency, no decimals
      {"", 3, 2, ",0.00"},
      {"$", 0, 2, "$,0.00"},
      {"$", 1, 2, ",0.00$"},
      {"$", 2, 1, "$ ,0.0"},
      {"€", 3, 4, ",0.0000 €"},
      {"a,b.", 1, 0, ",0.a','b'.'"},
      {"$", 4, 2, ",0.00"},        // an order the format does not know shows the number alone
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.Currency) + " " + std::to_string(k.Format));
    TFormatSettings fs = TFormatSettings::Russian();
    fs.CurrencyString = k.Currency;
    fs.CurrencyFormat = k.Format;
    fs.CurrencyDecimals = k.Decimals;
    Use(fs);
    EXPECT_EQ(CurrencyNumberFormat(), k.Expected);
  }
}

// The format is meant for FormatFloat: the number keeps the locale's separators and the currency's own
// dot comes out as it is written.
TEST_F(DataUtils, CurrencyFormatFormatsThroughFormatFloat) {
  Use(TFormatSettings::Russian());
  EXPECT_EQ(FormatFloat(CurrencyNumberFormat(), 1234.5), "1\xC2\xA0" "234,50 р.");
  TFormatSettings fs = TFormatSettings::Russian();
  fs.CurrencyString = "";
  fs.CurrencyDecimals = 0;
  Use(fs);
  EXPECT_EQ(FormatFloat(CurrencyNumberFormat(), 1234.5), "1\xC2\xA0" "235");
}

TEST_F(DataUtils, DateAndTimePartsSplitAtTheWholeDay) {
  const TDateTime noonOfADay = EncodeDate(2024, 3, 7) + 0.5;
  EXPECT_EQ(DateOnly(noonOfADay), EncodeDate(2024, 3, 7));
  EXPECT_DOUBLE_EQ(TimeOnly(noonOfADay), 0.5);
  // Before the epoch the whole part is truncated toward zero and the time keeps the sign of the value.
  EXPECT_EQ(DateOnly(-1.25), -1.0);
  EXPECT_DOUBLE_EQ(TimeOnly(-1.25), -0.25);
}

TEST_F(DataUtils, FirstWeekDayCountsFromSunday) {
  // The locale counts from Monday (0) to Sunday (6); the routine from Sunday (0) to Saturday (6).
  const int32_t expected[] = {1, 2, 3, 4, 5, 6, 0};
  for (int32_t localeDay = 0; localeDay < 7; ++localeDay) {
    TFormatSettings fs = TFormatSettings::Russian();
    fs.FirstDayOfWeek = localeDay;
    Use(fs);
    EXPECT_EQ(FirstWeekDay(), expected[localeDay]) << localeDay;
  }
}

// Every day of one week, with the week starting on Monday, on Sunday and on Saturday: the start is the
// latest first day at or before the date, at midnight.
TEST_F(DataUtils, WeekStartIsTheLatestFirstDayAtOrBeforeTheDate) {
  const TDateTime sunday = EncodeDate(2024, 3, 10);
  ASSERT_EQ(DayOfWeek(sunday), 1);
  const struct {
    int32_t LocaleFirstDay;
    TDateTime FirstOfWeek[7];  // for Sunday 10 March .. Saturday 16 March 2024
  } cases[] = {
      {0, {sunday - 6, sunday + 1, sunday + 1, sunday + 1, sunday + 1, sunday + 1, sunday + 1}},  // Monday
      {6, {sunday, sunday, sunday, sunday, sunday, sunday, sunday}},                              // Sunday
      {5, {sunday - 1, sunday - 1, sunday - 1, sunday - 1, sunday - 1, sunday - 1, sunday + 6}},  // Saturday
  };
  for (const auto& k : cases) {
    TFormatSettings fs = TFormatSettings::Russian();
    fs.FirstDayOfWeek = k.LocaleFirstDay;
    Use(fs);
    for (int day = 0; day < 7; ++day) {
      SCOPED_TRACE(::testing::Message() << "first " << k.LocaleFirstDay << ", day " << day);
      EXPECT_EQ(WeekStart(sunday + day), k.FirstOfWeek[day]);
      EXPECT_EQ(WeekStart(sunday + day + 0.75), k.FirstOfWeek[day]);  // the time of day does not count
    }
  }
}

TEST_F(DataUtils, TextMatchesIgnoresCaseAndMatchesPrefixesWhenPartial) {
  const struct {
    const char* Text;
    const char* Pattern;
    bool Partial;
    bool Expected;
  } cases[] = {
      {"Smith", "sm", true, true},
      {"Smith", "sm", false, false},
      {"Smith", "SMITH", false, true},
      {"Smith", "smithson", true, false},  // a pattern longer than the text
      {"Smith", "mi", true, false},        // a prefix, not a part
      {"", "", false, true},
      {"", "", true, true},
      {"Smith", "", true, false},          // an empty pattern matches only an empty text
      {"", "s", true, false},
      {"Иванов", "ИВ", true, true},         // Cyrillic upper-cased as well
      {"ёлка", "ЁЛКА", false, true},
      {"Ivanov", "ИВ", true, false},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(TextMatches(k.Text, k.Pattern, k.Partial), k.Expected)
        << k.Text << " / " << k.Pattern << (k.Partial ? " partial" : "");
  }
}

}  // namespace
