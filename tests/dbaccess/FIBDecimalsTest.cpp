#include <gtest/gtest.h>

#include "dbaccess/FIBDecimals.h"
#include "rtl/SysUtils.h"

namespace {

// Texts below use "." and ","; the locale's separators are put in before comparing.
String Loc(const String& s) {
  String out;
  for (char c : s) {
    if (c == '.') out += FormatSettings().DecimalSeparator;
    else if (c == ',') out += FormatSettings().ThousandSeparator;
    else out += c;
  }
  return out;
}

TEST(FIBDecimals, ScaledIntegerAndBcdRoundTrip) {
  TBcd bcd;
  ASSERT_TRUE(ScaledInt64ToBcd(2, bcd, -12345));
  EXPECT_EQ(BcdToStrDot(bcd), "-123.45");
  int64_t v = 0;
  int32_t s = 0;
  ASSERT_TRUE(BcdToScaledInt64(bcd, v, s));
  EXPECT_EQ(v, -12345);
  EXPECT_EQ(s, 2);
  long double x = 0;
  ASSERT_TRUE(BcdToExtended(bcd, x));
  EXPECT_NEAR(static_cast<double>(x), -123.45, 1e-12);
  TBcd other;
  ScaledInt64ToBcd(1, other, -1234);
  EXPECT_EQ(CompareBcd(bcd, other), -1);
  EXPECT_EQ(CompareBcd(other, bcd), 1);
  EXPECT_EQ(CompareBcd(bcd, bcd), 0);
  ASSERT_TRUE(ScaledInt64ToBcd(0, bcd, INT64_MAX));
  ASSERT_TRUE(BcdToScaledInt64(bcd, v, s));
  EXPECT_EQ(v, INT64_MAX);
}

TEST(FIBDecimals, BcdTooLongForInt64Fails) {
  TBcd bcd = StrToBcd("123456789012345678901234");
  int64_t v = 0;
  int32_t s = 0;
  EXPECT_FALSE(BcdToScaledInt64(bcd, v, s));
  EXPECT_EQ(BcdToStrDot(bcd), "");
}

TEST(FIBDecimals, ScaledTexts) {
  struct Case {
    int32_t s;
    int64_t v;
    const char* text;
  } cases[] = {{2, 12500, "125"},   {2, 12550, "125.5"}, {2, 5, "0.05"},       {3, 1000, "1"},
               {0, 100, "100"},     {0, 0, "0"},         {4, -15, "-0.0015"}, {2, INT64_MIN, "-92233720368547758.08"},
               {0, INT64_MIN, "-9223372036854775808"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ScaledInt64ToStrSep(c.s, '.', c.v), c.text) << c.v;
    EXPECT_EQ(ScaledInt64ToStr(c.s, c.v), Loc(c.text)) << c.v;
  }
  EXPECT_EQ(Int64ToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(Int64ToStr(1000000000000000000LL), "1000000000000000000");
}

TEST(FIBDecimals, RoundDecimalText) {
  struct Case {
    const char* in;
    int32_t n;
    const char* out;
  } cases[] = {{"9.995", 2, "10.00"}, {"0.1449", 2, "0.14"}, {"-1.005", 2, "-1.01"}, {"12", 2, "12"},
               {"1.5", 2, "1.5"},     {"2.5", 0, "3"},       {"0.4", 0, "0"},       {"99.96", 1, "100.0"}};
  for (const Case& c : cases) EXPECT_EQ(RoundDecimalText(Loc(c.in), c.n), Loc(c.out)) << c.in;
}

TEST(FIBDecimals, FormatDecimalText) {
  struct Case {
    const char* mask;
    const char* number;
    const char* out;
  } cases[] = {
      {"#,##0.00", "12345.678", "12,345.68"},
      {"0.00 kg", "1.2345", "1.23 kg"},
      {".00", "0.5", ".50"},
      {".00", "-0.5", "-.50"},
      {"0.00", "7", "7.00"},
      {"#.##", "3", "3"},
      {"", "1.25", "1.25"},
      {"$ 0.0", "2.25", "$ 2.3"},
      {"#,##0.00", "-1234567.1", "-1,234,567.10"},
      {"kg", "5", "5kg"},
      {"#,##0", "1234.6", "1235"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDecimalText(c.mask, Loc(c.number)), Loc(c.out)) << c.mask << " " << c.number;
}

}  // namespace
