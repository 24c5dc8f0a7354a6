#include <gtest/gtest.h>

#include "rtl/DateTime.h"

namespace {

struct DateCase {
  uint16_t y, m, d;
  double serial;
  uint16_t dow;  // 1 = Sunday
};

TEST(DateTimeEncodeTest, KnownDatesEncodeToTheirDayNumbers) {
  const DateCase cases[] = {
      {1899, 12, 30, 0, 7},          {1899, 12, 29, -1, 6},   {1900, 1, 1, 2, 2},
      {1900, 3, 1, 61, 5},           {1858, 11, 17, -15018, 4}, {1970, 1, 1, 25569, 5},
      {2000, 1, 1, 36526, 7},        {2000, 2, 29, 36585, 3}, {2024, 1, 1, 45292, 2},
      {1, 1, 1, -693593, 2},         {9999, 12, 31, 2958465, 6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(DayOfWeek(c.serial), c.dow) << c.serial;
    uint16_t y, m, d, dow;
    // A time of day must not move the date, on either side of the origin.
    TDateTime withTime = c.serial >= 0 ? c.serial + 0.75 : c.serial - 0.75;
    EXPECT_EQ(DecodeDateFully(withTime, y, m, d, dow), IsLeapYear(c.y));
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
    EXPECT_EQ(dow, c.dow);
  }
}

TEST(DateTimeEncodeTest, EveryDayRoundTripsAndWeekdaysFollowEachOther) {
  auto check = [](int32_t serial) {
    uint16_t y, m, d;
    DecodeDate(serial, y, m, d);
    TDateTime back;
    ASSERT_TRUE(TryEncodeDate(y, m, d, back)) << serial;
    ASSERT_EQ(back, serial);
    ASSERT_EQ(DayOfWeek(serial), (DayOfWeek(serial - 1) % 7) + 1) << serial;
  };
  // Day by day across the 1899 origin, 1900 (not leap) and 2000 (leap); sparser over the whole range.
  for (int32_t s = -40000; s <= 80000; ++s) check(s);
  for (int32_t s = -693592; s <= 2958465; s += 97) check(s);
}

TEST(DateTimeEncodeTest, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(MonthDays[IsLeapYear(2024)][2], 29);
  EXPECT_EQ(MonthDays[IsLeapYear(2023)][2], 28);
  EXPECT_EQ(MonthDays[false][12], 31);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2000, 4), 30);
}

TEST(DateTimeEncodeTest, InvalidArgumentsAreConvertErrors) {
  const uint16_t badDates[][3] = {{0, 1, 1}, {10000, 1, 1}, {2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1},
                                  {2024, 0, 1}, {2024, 4, 31}, {2024, 1, 0}};
  for (const auto& b : badDates) {
    TDateTime dt = 123;
    EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], dt));
    EXPECT_EQ(dt, 123);
    try {
      EncodeDate(b[0], b[1], b[2]);
      ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  const uint16_t badTimes[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& b : badTimes) {
    TDateTime t;
    EXPECT_FALSE(TryEncodeTime(b[0], b[1], b[2], b[3], t));
    try {
      EncodeTime(b[0], b[1], b[2], b[3]);
      ADD_FAILURE();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
  }
}

TEST(DateTimeEncodeTest, TimesRoundTripToTheMillisecond) {
  for (uint16_t h : {0, 1, 11, 12, 13, 23})
    for (uint16_t n : {0, 1, 30, 59})
      for (uint16_t s : {0, 29, 59})
        for (uint16_t ms : {0, 1, 499, 500, 999}) {
          TDateTime t = EncodeTime(h, n, s, ms);
          for (TDateTime dt : {EncodeDate(2005, 3, 7) + t, EncodeDate(1850, 6, 1) - t}) {
            uint16_t h2, n2, s2, ms2;
            DecodeTime(dt, h2, n2, s2, ms2);
            ASSERT_EQ(h2, h);
            ASSERT_EQ(n2, n);
            ASSERT_EQ(s2, s);
            ASSERT_EQ(ms2, ms);
          }
        }
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTimeEncodeTest, BeforeTheOriginTheFractionIsTheAbsoluteTimeOfDay) {
  // 1899-12-29 06:00 is -1 - 0.25, not -1 + 0.25.
  TDateTime dt = -1.25;
  uint16_t y, m, d, h, n, s, ms;
  DecodeDate(dt, y, m, d);
  DecodeTime(dt, h, n, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(DayOfWeek(dt), 6);

  // Between -1 and 0 the day is the origin day itself.
  DecodeDate(-0.75, y, m, d);
  DecodeTime(-0.75, h, n, s, ms);
  EXPECT_EQ(d, 30);
  EXPECT_EQ(h, 18);

  TTimeStamp ts = DateTimeToTimeStamp(dt);
  EXPECT_EQ(ts.Date, DateDelta - 1);
  EXPECT_EQ(ts.Time, 6 * 3600000);
  EXPECT_EQ(TimeStampToDateTime(ts), dt);
}

TEST(DateTimeEncodeTest, TimeStampConversions) {
  EXPECT_EQ(DateTimeToTimeStamp(0), (TTimeStamp{0, DateDelta}));
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)), (TTimeStamp{0, 1}));
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(2005, 3, 7) + 0.5), (TTimeStamp{43200000, 732012}));
  // The millisecond count is rounded, not truncated.
  EXPECT_EQ(DateTimeToTimeStamp(EncodeTime(0, 0, 0, 1)).Time, 1);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeTime(23, 59, 59, 999)).Time, MSecsPerDay - 1);
  EXPECT_EQ(DateTimeToTimeStamp(1.0 - 0.4 / MSecsPerDay), (TTimeStamp{0, DateDelta + 1}));

  TTimeStamp ts{43200000, 732012};
  EXPECT_EQ(TimeStampToMSecs(ts), 732012.0 * 86400000.0 + 43200000.0);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(ts)), ts);
  EXPECT_EQ(TimeStampToDateTime(ts), EncodeDate(2005, 3, 7) + 0.5);

  // Day 1 at noon ends in .5; a day-0 time stamp is refused.
  EXPECT_EQ(TimeStampToDateTime(TTimeStamp{43200000, 1}), -693593.5);
  try {
    TimeStampToDateTime(TTimeStamp{43200000, 0});
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'0.43200000' is not a valid timestamp");
  }
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
}

TEST(DateTimeEncodeTest, IncMonthClampsTheDayAndKeepsTheTime) {
  const struct {
    uint16_t y, m, d;
    int32_t n;
    uint16_t ey, em, ed;
  } cases[] = {
      {2005, 1, 31, 1, 2005, 2, 28},   {2004, 1, 31, 1, 2004, 2, 29},  {2005, 3, 31, -1, 2005, 2, 28},
      {2005, 12, 15, 1, 2006, 1, 15},  {2005, 1, 15, -13, 2003, 12, 15}, {2005, 1, 15, 0, 2005, 1, 15},
      {2004, 2, 29, 12, 2005, 2, 28},  {2005, 5, 31, -24, 2003, 5, 31}, {2005, 10, 31, 14, 2006, 12, 31},
  };
  for (const auto& c : cases) {
    TDateTime r = IncMonth(EncodeDate(c.y, c.m, c.d) + 0.75, c.n);
    EXPECT_EQ(r, EncodeDate(c.ey, c.em, c.ed) + 0.75) << c.y << "-" << c.m << "-" << c.d << " " << c.n;
  }
  EXPECT_EQ(IncMonth(EncodeDate(1899, 11, 30) - 0.25), EncodeDate(1899, 12, 30) + 0.25);
}

TEST(DateTimeEncodeTest, ReplaceDateAndTime) {
  TDateTime dt = EncodeDate(2005, 3, 7) + 0.25;
  ReplaceTime(dt, EncodeDate(1990, 1, 1) + 0.75);
  EXPECT_EQ(dt, EncodeDate(2005, 3, 7) + 0.75);
  ReplaceDate(dt, EncodeDate(1850, 6, 1));
  EXPECT_EQ(dt, EncodeDate(1850, 6, 1) - 0.75);
}

}  // namespace
