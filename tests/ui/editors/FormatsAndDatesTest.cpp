#include <gtest/gtest.h>

#include <random>

#include "rtl/Clock.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxDateUtils.h"
#include "ui/editors/cxFormats.h"
#include "ui/editors/cxRegExpr.h"
#include "ui/editors/cxStandardMask.h"

namespace {

bool Matches(const String& pattern, const String& text) {
  TcxRegExpr re;
  re.SetCaseInsensitive(true);
  re.Compile(pattern);
  for (size_t i = 0; i < text.size();) {
    size_t len = 0;
    char32_t c = Utf8CodePointAt(text, i, &len);
    if (!re.Next(c)) return false;
    i += len;
  }
  return re.Accepting();
}

class FormatsTest : public ::testing::Test {
protected:
  void TearDown() override { SetFormatSettings(TFormatSettings::Russian()); }
  static TFormatSettings British() {
    TFormatSettings fs = TFormatSettings::English();
    fs.ShortDateFormat = "dd/MM/yyyy";
    fs.DateSeparator = '/';
    fs.LongTimeFormat = "h:mm:ss AMPM";
    fs.TimeAMString = "AM";
    fs.TimePMString = "PM";
    fs.TimeSeparator = ':';
    return fs;
  }
};

TEST_F(FormatsTest, DerivesMasksAndDisplayFormats) {
  SetFormatSettings(British());
  TcxFormatController fc;
  EXPECT_EQ(fc.DateStandardMask(), "!99/99/9999;1; ");
  EXPECT_EQ(fc.DateMaskDisplayFormat(), "dd/mm/yyyy");
  EXPECT_EQ(fc.DateTimeMaskDisplayFormat(), "dd/mm/yyyy' 'hh:nn:ss' 'ampm");
  ASSERT_EQ(fc.TimeItems().ItemList.size(), 7u);
  EXPECT_EQ(fc.TimeItems().ItemList[0].Data, "12H");
  EXPECT_EQ(TcxFormatController::TimeRegExpr(fc.TimeItems()), "(0?[1-9]|1[012])\\:[0-5]?\\d\\:[0-5]?\\d' '('AM'|'PM')?");
  EXPECT_EQ(TcxFormatController::StandardMask(fc.TimeItems(), TcxFormatController::mfTime), "00:00:00\\ cc;1;0");

  // The derived masks compile and take dates, times and keywords (now only with the time).
  EXPECT_TRUE(Matches(fc.DateRegExprMask(), "13/02/2024"));
  EXPECT_TRUE(Matches(fc.DateRegExprMask(), "1/2/2024"));
  EXPECT_FALSE(Matches(fc.DateRegExprMask(), "32/02/2024"));
  EXPECT_TRUE(Matches(fc.DateRegExprMask(), "сегодня+3"));
  EXPECT_TRUE(Matches(fc.DateRegExprMask(), "Суббота"));
  EXPECT_FALSE(Matches(fc.DateRegExprMask(), "now"));
  EXPECT_TRUE(Matches(fc.DateTimeRegExprMask(), "13/02/2024 11:30:00 PM"));
  EXPECT_TRUE(Matches(fc.DateTimeRegExprMask(), "now-1"));
  TcxStandardMask mask;
  mask.SetMask(fc.DateTimeStandardMask());
  EXPECT_EQ(mask.GetBlankText(), "  /  /       :  :     ");  // blank " ", the AM/PM place two wide
}

TEST_F(FormatsTest, ParsingTable) {
  TFormatSettings fs = British();
  SetFormatSettings(fs);
  struct Case {
    const char* format;
    const char* standard;  // date standard mask
    const char* display;
  } cases[] = {
      {"dd.MM.yyyy", "!99\\.99\\.9999;1; ", "dd'.'mm'.'yyyy"},
      {"yyy", "!9999;1; ", "yyyy"},
      {"mmmmm", "!lll;1; ", "mmm"},
      {"d/m/yy yy", "!99/99/99\\ ;1; ", "dd/mm/yy' '"},  // a second year is ignored
      {"dddd", "!lll;1; ", "ddd"},
      {"ggyy", "", ""},                                // "G" cannot be parsed
      {"'at' dd", "!\\a\\t\\ 99;1; ", "'at 'dd"},
  };
  for (const auto& c : cases) {
    TcxDateTimeFormatInfo info;
    TcxFormatController::ParseFormat(c.format, info);
    EXPECT_EQ(TcxFormatController::StandardMask(info, TcxFormatController::mfDate), c.standard) << c.format;
    EXPECT_EQ(TcxFormatController::DisplayFormat(info), c.display) << c.format;
  }
  TcxDateTimeFormatInfo info;
  TcxFormatController::ParseFormat("nn:ss AM/PM", info);
  EXPECT_FALSE(info.KindPresent[8]);  // no hour: no marker
  TcxFormatController::ParseFormat("hh:mm", info);
  EXPECT_TRUE(info.KindPresent[5]);  // "m" after "h" is minutes
  EXPECT_EQ(info.ItemList[0].Data, "24HH");
  EXPECT_EQ(TcxFormatController::GetItemsWidth(info), 5);
  uint8_t kind = 0, style = 0;
  int32_t start = 0, width = 0;
  EXPECT_TRUE(TcxFormatController::FindItemAtPos(info, 4, kind, start, width, style));
  EXPECT_EQ(kind, 5);
  EXPECT_EQ(start, 4);
  EXPECT_FALSE(TcxFormatController::FindItemAtPos(info, 0, kind, start, width, style));
  EXPECT_FALSE(TcxFormatController::FindItemAtPos(info, 6, kind, start, width, style));
}

TEST_F(FormatsTest, FirstWeekDayAndCurrency) {
  TFormatSettings fs = TFormatSettings::Russian();
  fs.FirstDayOfWeek = 6;
  SetFormatSettings(fs);
  EXPECT_EQ(TcxFormatController().FirstWeekDay(), 0);
  fs.FirstDayOfWeek = 0;
  SetFormatSettings(fs);
  TcxFormatController fc;
  EXPECT_EQ(fc.FirstWeekDay(), 1);
  EXPECT_EQ(fc.CurrencyDisplayFormat(), ",0.00 р'.';-,0.00 р'.'");
  EXPECT_EQ(TcxFormatController::CurrencyFormatOf("$", 0, 0, 2), "$,0.00;($,0.00)");
  EXPECT_EQ(TcxFormatController::CurrencyFormatOf("$", 2, 14, 0), "$ ,0.;($ ,0.)");
  EXPECT_EQ(TcxFormatController::CurrencyFormatOf("$", 4, 3, 1), ";$,0.0-");
}

struct Listener : IcxFormatChangeListener, IcxTimeChangeListener {
  TcxFormatController* fc = nullptr;
  int formats = 0;
  int times = 0;
  String maskSeen;
  void FormatChanged() override {
    ++formats;
    maskSeen = fc->DateStandardMask();
  }
  void TimeChanged() override { ++times; }
};

TEST_F(FormatsTest, RegionalChangesReDeriveMasksAndReachListeners) {
  SetFormatSettings(TFormatSettings::Russian());
  TcxFormatController fc;
  EXPECT_EQ(fc.DateStandardMask(), "!99\\.99\\.9999;1; ");
  Listener l;
  l.fc = &fc;
  fc.AddListener(&l);
  fc.AddListener(&l);  // once only
  EXPECT_EQ(fc.ListenerCount(), 1);
  SetFormatSettings(British());
  EXPECT_EQ(l.formats, 1);
  EXPECT_EQ(l.maskSeen, "!99/99/9999;1; ");  // re-derived before the listener hears
  EXPECT_TRUE(Matches(fc.DateRegExprMask(), "13/02/2024"));

  TTestClock clock;
  {
    TClockInstaller installed(clock);
    clock.Advance(1000);
  }
  EXPECT_GE(l.times, 1);

  fc.RemoveListener(&l);
  SetFormatSettings(TFormatSettings::Russian());
  EXPECT_EQ(l.formats, 1);                                  // no longer told
  EXPECT_EQ(fc.DateStandardMask(), "!99/99/9999;1; ");      // nor watching without listeners
  fc.FormatSettingsChanged();
  EXPECT_EQ(fc.DateStandardMask(), "!99\\.99\\.9999;1; ");
}

class DatesTest : public ::testing::Test {
protected:
  void SetUp() override { SetFormatSettings(TFormatSettings::Russian()); }
  void TearDown() override { SetFormatSettings(TFormatSettings::Russian()); }
};

TEST_F(DatesTest, SmartKeywordsOnAFixedClock) {
  const TDateTime tuesday = EncodeDate(2024, 2, 13);  // a Tuesday in a leap-year February
  TScopedTestClock clock(tuesday + 0.5);
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"сегодня", tuesday},          {"СЕГОДНЯ", tuesday},       {"сегодня+3", tuesday + 3},
      {"сегодня + 3", tuesday + 3},  {"сегодня+", tuesday},      {"сегодня+x", tuesday},
      {"  вчера ", tuesday - 1},     {"завтра-2", tuesday - 1},  {"Понедельник", tuesday + 6},
      {"вторник", tuesday},          {"Суббота", tuesday + 4},   {"суббота+1", tuesday + 5},
      {"Воскресенье", tuesday + 5},  {"первый", tuesday - 2},    {"седьмой", tuesday + 4},
      {"bom", EncodeDate(2024, 2, 1)}, {"EOM", EncodeDate(2024, 2, 29)}, {"now-1", tuesday + 0.5 - 1},
      {"now", tuesday + 0.5},
  };
  for (const auto& c : cases) {
    TDateTime date = 0;
    ASSERT_TRUE(SmartTextToDate(c.text, date)) << c.text;
    EXPECT_DOUBLE_EQ(date, c.expected) << c.text;
  }
  TDateTime untouched = 7;
  EXPECT_FALSE(SmartTextToDate("послезавтра", untouched));
  EXPECT_EQ(untouched, 7);

  clock.SetNow(EncodeDate(2024, 2, 12));  // a Monday
  TDateTime date = 0;
  ASSERT_TRUE(SmartTextToDate("Понедельник", date));
  EXPECT_EQ(date, EncodeDate(2024, 2, 12));
}

TEST_F(DatesTest, ParseDateText) {
  TScopedTestClock clock(EncodeDate(2024, 2, 13));
  TDateTime date = 5;
  EXPECT_FALSE(ParseDateText("   ", date));
  EXPECT_EQ(date, 5);
  ASSERT_TRUE(ParseDateText("01.02.2003", date));  // the "." become blanks before conversion
  EXPECT_EQ(date, EncodeDate(2003, 2, 1));
  ASSERT_TRUE(ParseDateText("завтра", date));
  EXPECT_EQ(date, EncodeDate(2024, 2, 14));
  EXPECT_FALSE(ParseDateText("сегодня+3000000", date));  // past the year 9999
  EXPECT_FALSE(ParseDateText("чепуха", date));
  EXPECT_EQ(date, NullDate);

  String text;
  FormatDateValue(true, false, text, EncodeDate(2003, 2, 1) + 0.25);
  EXPECT_EQ(text, "01.02.2003");
  FormatDateValue(false, false, text, NullDate);
  EXPECT_EQ(text, "");
  DateTimeToLocaleText(text, EncodeDate(2003, 2, 1) + 0.5);
  EXPECT_EQ(text, "01.02.2003 12:00:00");
  EXPECT_TRUE(TextToDateValue("01.02.2003", false, date));
  EXPECT_FALSE(TextToDateValue("x", false, date));
  EXPECT_EQ(date, NullDate);
}

// Whatever is typed, parsing answers in bounded time and either gives a valid day or the null date.
TEST_F(DatesTest, SeededRandomTexts) {
  TScopedTestClock clock(EncodeDate(2024, 2, 13));
  const char* pieces[] = {"сегодня", "now", "eom", "+", "-", " ", ".", "1", "31", "12", "2003", "99999999999",
                          ":", "x", "Суббота", "\xD0", "0", "bom+", "-2147483648"};
  std::mt19937 rng(1311);
  for (int iteration = 0; iteration < 3000; ++iteration) {
    String text;
    for (int i = static_cast<int>(rng() % 6); i >= 0; --i) text += pieces[rng() % std::size(pieces)];
    TDateTime date = 0;
    if (ParseDateText(text, date)) {
      EXPECT_TRUE(date >= -693593.0 && date < 2958466.0) << text;
    } else {
      EXPECT_TRUE(date == NullDate || date == 0 || date >= 2958466.0 || date < -693593.0) << text;
    }
  }
}

TEST_F(DatesTest, CalendarArithmetic) {
  const struct {
    uint16_t y, m;
    int32_t delta;
    uint16_t ey, em;
  } shifts[] = {{2003, 1, -1, 2002, 12}, {2003, 1, 13, 2004, 2}, {2003, 1, -13, 2001, 12}, {2003, 12, 1, 2004, 1},
                {2003, 6, 0, 2003, 6}};
  for (const auto& s : shifts) {
    uint16_t y = s.y, m = s.m;
    MonthShift(y, m, s.delta);
    EXPECT_EQ(y, s.ey);
    EXPECT_EQ(m, s.em);
  }
  uint16_t y = 2003, m = 1;
  MonthStepBack(y, m);
  EXPECT_EQ(m, 12);
  MonthStepForward(y, m);
  EXPECT_EQ(y, 2003);
  EXPECT_EQ(GetDaysInMonth(2000, 2), 29);
  EXPECT_EQ(GetDaysInMonth(1900, 2), 28);
  EXPECT_EQ(ClampDayOfMonth(2024, 2, 31), 29);
  EXPECT_EQ(ClampDayOfMonth(2024, 2, 0), 1);
  String mask;
  QuoteRegExprLiteral(mask, "it's");
  EXPECT_EQ(mask, "'it'\\''s'");
}

}  // namespace
