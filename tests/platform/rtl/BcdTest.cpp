#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "rtl/FMTBcd.h"
#include "rtl/FormatSettings.h"

namespace {

class BcdTest : public ::testing::Test {
protected:
  void SetUp() override { SetFormatSettings(TFormatSettings::Russian()); }
};

std::string Nibbles(const TBcd& b) {
  std::string s;
  for (int i = 0; i < b.Precision; ++i) s += char('0' + ((i % 2 == 0) ? b.Fraction[i / 2] >> 4 : b.Fraction[i / 2] & 15));
  return s;
}

TEST_F(BcdTest, StrToBcdPacksDigitsSignAndPlaces) {
  TBcd b = StrToBcd("-123,45");
  EXPECT_EQ(b.Precision, 5);
  EXPECT_EQ(b.SignSpecialPlaces, 0x80 | 2);
  EXPECT_EQ(b.Fraction[0], 0x12);
  EXPECT_EQ(b.Fraction[1], 0x34);
  EXPECT_EQ(b.Fraction[2], 0x50);
  EXPECT_EQ(BcdPrecision(b), 3);
  EXPECT_EQ(BcdScale(b), 2);
}

TEST_F(BcdTest, TextRoundTrips) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"0", "0"},
      {"-0", "0"},
      {"007", "7"},
      {"1,50", "1,5"},
      {"-0,001", "-0,001"},
      {",5", "0,5"},
      {"1.25", "1,25"},  // the dot is accepted too
      {"1,5E3", "1500"},
      {"12345678901234567890123456789012,123456789", "12345678901234567890123456789012,123456789"},
      {"-9999999999999999999999999999999999999999999999999999999999999999",
       "-9999999999999999999999999999999999999999999999999999999999999999"},  // 64 digits
  };
  for (const auto& c : cases) EXPECT_EQ(BcdToStr(StrToBcd(c.in)), c.out) << c.in;
  EXPECT_EQ(BcdToStr(StrToBcd("-2,5"), TFormatSettings::English()), "-2.5");
}

TEST_F(BcdTest, InvalidTextAndOverflowThrowTheirTexts) {
  TBcd b;
  for (const char* bad : {"", "abc", "1,2,3", "1e", "--5"}) EXPECT_FALSE(TryStrToBcd(bad, b)) << bad;
  try {
    StrToBcd("12x");
    FAIL();
  } catch (const EBcdException& e) {
    EXPECT_EQ(e.Message(), "12x is not a valid BCD value");
  }
  std::string tooLong(65, '9');
  EXPECT_THROW(StrToBcd(tooLong), EBcdOverflowException);
  // Extra decimals beyond 64 digits are rounded away instead.
  EXPECT_EQ(BcdToStr(StrToBcd("1," + std::string(63, '0') + "5")), "1");
  // Rounding that carries into a new digit still fits.
  EXPECT_EQ(BcdToStr(StrToBcd(std::string(60, '9') + "," + std::string(5, '9'))), "1" + std::string(60, '0'));
}

TEST_F(BcdTest, CurrencyRoundTripsRightAlignedInThePrecision) {
  struct Case {
    int64_t scaled;
    int precision, decimals;
    const char* digits;
    const char* text;
  } cases[] = {
      {15000, 32, 4, "00000000000000000000000000015000", "1,5"},
      {-15000, 32, 4, "00000000000000000000000000015000", "-1,5"},
      {-12345678, 18, 4, "000000000012345678", "-1234,5678"},
      {std::numeric_limits<int64_t>::max(), 19, 4, "9223372036854775807", "922337203685477,5807"},
      {std::numeric_limits<int64_t>::min(), 32, 4, "00000000000009223372036854775808", "-922337203685477,5808"},
      {12345, 10, 2, "0000000123", "1,23"},   // 1.2345 -> 1.23
      {12350, 10, 2, "0000000124", "1,24"},   // 1.235 -> 1.24 (half to even)
      {12250, 10, 2, "0000000122", "1,22"},   // 1.225 -> 1.22 (half to even)
      {10000, 8, 6, "01000000", "1"},
  };
  for (const auto& c : cases) {
    TBcd b;
    ASSERT_TRUE(CurrToBCD(Currency::FromScaled(c.scaled), b, c.precision, c.decimals)) << c.scaled;
    EXPECT_EQ(b.Precision, c.precision);
    EXPECT_EQ(BcdScale(b), c.decimals);
    EXPECT_EQ((b.SignSpecialPlaces & 0x80) != 0, c.scaled < 0);
    EXPECT_EQ(Nibbles(b), c.digits) << c.scaled;
    EXPECT_EQ(BcdToStr(b), c.text);
    Currency back;
    ASSERT_TRUE(BCDToCurr(b, back));
    if (c.decimals >= 4) {
      EXPECT_EQ(back.Value, c.scaled);
    }
  }
  TBcd b;
  EXPECT_FALSE(CurrToBCD(Currency::FromInt(100000), b, 8, 4));  // 9 digits needed
}

TEST_F(BcdTest, BcdToCurrReinterpretsPlacesAndRejectsOverflow) {
  TBcd b;
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(-12345), b));
  b.SignSpecialPlaces = 0x80 | 2;  // same digits, now 123.45
  Currency c;
  ASSERT_TRUE(BCDToCurr(b, c));
  EXPECT_EQ(c.Value, -1234500);
  EXPECT_TRUE(BCDToCurr(StrToBcd("0,00005"), c));
  EXPECT_EQ(c.Value, 0);
  EXPECT_TRUE(BCDToCurr(StrToBcd("0,00015"), c));
  EXPECT_EQ(c.Value, 2);
  EXPECT_FALSE(BCDToCurr(StrToBcd("922337203685478"), c));
}

TEST_F(BcdTest, NumbersAndComparison) {
  EXPECT_EQ(BcdToStr(IntegerToBcd(std::numeric_limits<int64_t>::min())), "-9223372036854775808");
  EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), "0,1");
  EXPECT_EQ(BcdToStr(DoubleToBcd(-1.0 / 3)), "-0,333333333333333");
  EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), "100000000000000000000");
  EXPECT_EQ(BcdScale(DoubleToBcd(1.5)), 1);
  EXPECT_EQ(BcdScale(DoubleToBcd(0)), 0);
  EXPECT_EQ(BcdPrecision(DoubleToBcd(-1234.5)), 4);
  EXPECT_DOUBLE_EQ(BcdToDouble(StrToBcd("-123,456")), -123.456);
  EXPECT_EQ(BcdToInteger(StrToBcd("2,5")), 2);
  EXPECT_EQ(BcdToInteger(StrToBcd("-2,7"), true), -2);

  struct Case {
    const char* a;
    const char* b;
    int r;
  } cases[] = {
      {"1,5", "1,50", 0}, {"-0", "0", 0}, {"-1", "1", -1}, {"-2", "-1", -1},
      {"10", "9,999", 1}, {"0,001", "0,0009", 1}, {"123456789012345678901234567890", "123456789012345678901234567891", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BcdCompare(StrToBcd(c.a), StrToBcd(c.b)), c.r) << c.a << " vs " << c.b;
    EXPECT_EQ(BcdCompare(StrToBcd(c.b), StrToBcd(c.a)), -c.r) << c.b << " vs " << c.a;
  }
}

TEST_F(BcdTest, FormattedText) {
  struct Case {
    const char* value;
    TFloatFormat format;
    int precision, digits;
    const char* text;
  } cases[] = {
      {"-1234567,125", ffGeneral, 0, 0, "-1234567,125"},
      {"12345678901234567890,5", ffGeneral, 0, 0, "12345678901234567890,5"},
      {"1234567,125", ffFixed, 0, 2, "1234567,13"},  // half away from zero, as the float formats
      {"-1234567,125", ffNumber, 0, 2, "-1\xC2\xA0" "234\xC2\xA0" "567,13"},
      {"-0,001", ffFixed, 0, 2, "0,00"},
      {"999,999", ffNumber, 0, 0, "1\xC2\xA0" "000"},
      {"12345678901234567890,5", ffFixed, 0, 1, "12345678901234567890,5"},
      {"-1234,5", ffCurrency, 0, 2, "-1\xC2\xA0" "234,50 р."},
  };
  for (const auto& c : cases) EXPECT_EQ(BcdToStrF(StrToBcd(c.value), c.format, c.precision, c.digits), c.text) << c.value;
}

TEST_F(BcdTest, NormalizeSetsPrecisionAndScale) {
  TBcd out;
  ASSERT_TRUE(NormalizeBcd(StrToBcd("-12,345"), out, 10, 2));
  EXPECT_EQ(out.Precision, 10);
  EXPECT_EQ(BcdScale(out), 2);
  EXPECT_EQ(BcdToStr(out), "-12,34");  // 12.345 -> 12.34 (half to even)
  EXPECT_FALSE(NormalizeBcd(StrToBcd("12345"), out, 6, 2));
}

TEST_F(BcdTest, ArithmeticIsExact) {
  struct Case {
    const char* a;
    const char* b;
    const char* sum;
    const char* diff;
    const char* prod;
  } cases[] = {
      {"1,5", "2,25", "3,75", "-0,75", "3,375"},
      {"-1,5", "2,25", "0,75", "-3,75", "-3,375"},
      {"0,1", "0,2", "0,3", "-0,1", "0,02"},
      {"99999999999999999999", "1", "100000000000000000000", "99999999999999999998", "99999999999999999999"},
      {"-3", "-3", "-6", "0", "9"},
  };
  for (const auto& c : cases) {
    TBcd r;
    BcdAdd(StrToBcd(c.a), StrToBcd(c.b), r);
    EXPECT_EQ(BcdToStr(r), c.sum) << c.a << " + " << c.b;
    BcdSubtract(StrToBcd(c.a), StrToBcd(c.b), r);
    EXPECT_EQ(BcdToStr(r), c.diff) << c.a << " - " << c.b;
    BcdMultiply(StrToBcd(c.a), StrToBcd(c.b), r);
    EXPECT_EQ(BcdToStr(r), c.prod) << c.a << " * " << c.b;
  }
  TBcd r;
  EXPECT_THROW(BcdMultiply(StrToBcd(std::string(40, '9')), StrToBcd(std::string(40, '9')), r), EBcdOverflowException);
}

TEST_F(BcdTest, VariantKind) {
  Variant v = VarFMTBcdCreate(StrToBcd("-12,5"));
  EXPECT_TRUE(VarIsFMTBcd(v));
  EXPECT_EQ(VarType(v), VarFMTBcd());
  EXPECT_FALSE(VarIsNumeric(v));
  EXPECT_EQ(VarToStr(v), "-12,5");
  EXPECT_DOUBLE_EQ(v.AsDouble(), -12.5);
  EXPECT_EQ(v.AsCurrency().Value, -125000);
  EXPECT_EQ(v.AsInteger(), -12);  // half to even
  EXPECT_EQ(BcdToStr(VarToBcd(Variant("3,25"))), "3,25");
  EXPECT_EQ(BcdToStr(VarToBcd(Variant(int64_t(-7)))), "-7");
  EXPECT_EQ(BcdToStr(VarToBcd(Variant(Currency::FromScaled(5)))), "0,0005");
  EXPECT_EQ(BcdToStr(VarToBcd(VarAsType(Variant(2.5), VarFMTBcd()))), "2,5");
  EXPECT_THROW(VarToBcd(Null()), EVariantTypeCastError);

  Variant copy = v;
  EXPECT_TRUE(copy == v);
  EXPECT_TRUE(v < Variant(-12));
  EXPECT_TRUE(v == Variant("-12,5"));
  Variant sum = v + Variant(1);
  EXPECT_TRUE(VarIsFMTBcd(sum));
  EXPECT_EQ(VarToStr(sum), "-11,5");
  EXPECT_EQ(VarToStr(VarFMTBcdCreate(1.23456, 10, 2)), "1,23");
}

}  // namespace
