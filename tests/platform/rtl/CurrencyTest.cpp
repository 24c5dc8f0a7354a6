#include <gtest/gtest.h>

#include <limits>

#include "rtl/Currency.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"

namespace {

class CurrencyText : public ::testing::Test {
protected:
  void SetUp() override { SetFormatSettings(TFormatSettings::Russian()); }
};

TEST_F(CurrencyText, CurrToStrIsExactWithoutTrailingZeros) {
  struct Case {
    int64_t scaled;
    const char* text;
  } cases[] = {
      {0, "0"},
      {10000, "1"},
      {15000, "1,5"},
      {-15000, "-1,5"},
      {1, "0,0001"},
      {-1, "-0,0001"},
      {12345678, "1234,5678"},
      {10, "0,001"},
      {std::numeric_limits<int64_t>::max(), "922337203685477,5807"},
      {std::numeric_limits<int64_t>::min(), "-922337203685477,5808"},
  };
  for (const auto& c : cases) EXPECT_EQ(CurrToStr(Currency::FromScaled(c.scaled)), c.text) << c.scaled;
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-15000), TFormatSettings::English()), "-1.5");
}

TEST_F(CurrencyText, StrToCurrParsesExactlyAndRoundsHalfToEven) {
  struct Case {
    const char* text;
    int64_t scaled;
  } cases[] = {
      {"0", 0},
      {"1,5", 15000},
      {" -1,5 ", -15000},
      {"+2", 20000},
      {",5", 5000},
      {"5,", 50000},
      {"0,00005", 0},        // half, even neighbour 0
      {"0,00015", 2},        // half, even neighbour 2
      {"0,00025", 2},
      {"0,000251", 3},       // above half
      {"-0,00015", -2},
      {"1,5E3", 15000000},
      {"15e-1", 15000},
      {"922337203685477,5807", std::numeric_limits<int64_t>::max()},
      {"-922337203685477,5808", std::numeric_limits<int64_t>::min()},
      {"0000000000000000000000001", 10000},
      {"1234567890,1234", 12345678901234},
  };
  for (const auto& c : cases) {
    Currency v;
    ASSERT_TRUE(TryStrToCurr(c.text, v)) << c.text;
    EXPECT_EQ(v.Value, c.scaled) << c.text;
  }
}

TEST_F(CurrencyText, InvalidTextFailsWithThePlatformMessage) {
  for (const char* bad : {"", " ", "abc", "1.5", "1,5,0", "1e", "--1", "1 000", "922337203685477,5808", "1e30", "-"}) {
    Currency v;
    EXPECT_FALSE(TryStrToCurr(bad, v)) << bad;
  }
  try {
    StrToCurr("1.5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.5' is not a valid floating point value");
  }
  EXPECT_EQ(StrToCurr("1.5", TFormatSettings::English()).Value, 15000);
}

TEST_F(CurrencyText, TextRoundTripsEveryScale) {
  for (int64_t v : {int64_t(1), int64_t(-99999), int64_t(123456789012345), int64_t(-700000000000001)}) {
    Currency c = Currency::FromScaled(v);
    EXPECT_EQ(StrToCurr(CurrToStr(c)), c) << v;
  }
}

TEST(CurrencyArithmetic, ProductsAndQuotientsRoundHalfToEvenAtFourPlaces) {
  EXPECT_EQ((Currency::FromScaled(15001) * 3).Value, 45003);
  EXPECT_EQ((uint8_t(2) * Currency::FromScaled(-7)).Value, -14);
  EXPECT_EQ((Currency::FromScaled(1) * 0.5).Value, 0);   // 0.00005 -> 0
  EXPECT_EQ((Currency::FromScaled(3) * 0.5).Value, 2);   // 0.00015 -> 0.0002
  EXPECT_EQ((Currency::FromScaled(10000) * 1.5).Value, 15000);
  EXPECT_EQ((Currency::FromScaled(10000) / 3).Value, 3333);
  EXPECT_EQ((Currency::FromScaled(5) / int64_t(2)).Value, 2);   // 2.5 -> 2
  EXPECT_EQ((Currency::FromScaled(7) / int64_t(2)).Value, 4);   // 3.5 -> 4
  EXPECT_EQ((Currency::FromScaled(-7) / int64_t(2)).Value, -4);
  EXPECT_EQ((Currency::FromScaled(20000) / 0.5).Value, 40000);
  EXPECT_EQ((Currency::FromScaled(15000) * Currency::FromScaled(15000)).Value, 22500);  // 1.5 * 1.5
  EXPECT_EQ((Currency::FromScaled(1) * Currency::FromScaled(5000)).Value, 0);  // 0.00005 -> 0
}

TEST(CurrencyArithmetic, OverflowAndZeroDivisorThrow) {
  Currency big = Currency::FromScaled(std::numeric_limits<int64_t>::max());
  EXPECT_THROW(big * 2, EMathError);
  EXPECT_THROW(big * 2.0, EMathError);
  EXPECT_THROW(Currency::FromInt(1) / 0, EZeroDivide);
  EXPECT_THROW(Currency::FromInt(1) / 0.0, EZeroDivide);
}

}  // namespace
