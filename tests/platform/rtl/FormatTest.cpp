#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "rtl/SysUtils.h"

namespace {

const String kNbsp = "\xC2\xA0";  // the Russian thousand separator

// Every test here runs under the Russian profile: decimal ",", thousands no-break space, "1 р.".
class FormatRu : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = FormatSettings();
    SetFormatSettings(TFormatSettings::Russian());
  }
  void TearDown() override { SetFormatSettings(saved_); }
  static String Nb(String s) { return StringReplace(s, "_", kNbsp, {rfReplaceAll}); }

private:
  TFormatSettings saved_;
};

TEST_F(FormatRu, IntegerStringAndPointerConversions) {
  int dummy = 0;
  // Arguments hold strings by reference: keep them alive as long as the table.
  const String a = "a";
  const WideString tree = u"Ёлка";
  struct Case {
    String fmt;
    std::initializer_list<FormatArg> args;
    String expected;
  };
  const Case cases[] = {
      {"%d", {42}, "42"},
      {"%5d|%-5d|", {42, 42}, "   42|42   |"},
      {"%.5d", {-12}, "-00012"},
      {"%3d", {-12345}, "-12345"},
      {"%d", {int64_t{-9223372036854775807} - 1}, "-9223372036854775808"},
      {"%d", {uint64_t{18446744073709551615u}}, "18446744073709551615"},
      {"%u", {-1}, "4294967295"},
      {"%x", {255}, "FF"},
      {"%.8x", {255}, "000000FF"},
      {"%-8.8x|", {0xABC}, "00000ABC|"},
      {"%-8x|", {0xABC}, "ABC     |"},
      {"%8x|", {0xABC}, "     ABC|"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%X", {int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
      {"%s", {"abc"}, "abc"},
      {"%s-%s", {a, 'c'}, "a-c"},
      {"%1:s %0:s", {"a", "b"}, "b a"},
      {"%1:s %s %0:s", {"a", "b", "c"}, "b c a"},
      {"%0:s%0:s", {"ab"}, "abab"},
      {"100%%", {}, "100%"},
      {"%*d|", {5, 42}, "   42|"},
      {"%-*d|", {4, 7}, "7   |"},
      {"%*.*d", {6, 4, 42}, "  0042"},
      {"%.3s", {"привет"}, "при"},
      {"%6s|%-4s|", {"ёж", "ёж"}, "    ёж|ёж  |"},
      {"%s %d", {true, false}, "True 0"},
      {"%s", {tree}, "Ёлка"},
      {"%S %D", {"up", 3}, "up 3"},
      {"%p", {static_cast<const void*>(reinterpret_cast<const char*>(&dummy) - reinterpret_cast<uintptr_t>(&dummy) + 0x1234)},
       "0000000000001234"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.fmt, c.args), c.expected) << c.fmt;
}

TEST_F(FormatRu, FloatConversionsUseTheSettings) {
  struct Case {
    String fmt;
    std::initializer_list<FormatArg> args;
    String expected;
  };
  const Case cases[] = {
      {"%f", {3.14159}, "3,14"},
      {"%5.2f", {3.14159}, " 3,14"},
      {"%.0f", {2.5}, "3"},
      {"%.1f", {2.25}, "2,3"},
      {"%.*f", {3, 1.0}, "1,000"},
      {"%*.*f", {8, 3, -3.14159}, "  -3,142"},
      {"%f", {-0.001}, "0,00"},
      {"%e", {1234.5}, "1,23450000000000E+003"},
      {"%.3e", {1234.5}, "1,23E+003"},
      {"%e", {-0.00012345}, "-1,23450000000000E-004"},
      {"%e", {0.0}, "0,00000000000000E+000"},
      {"%g", {1234.5}, "1234,5"},
      {"%g", {0.5}, "0,5"},
      {"%g", {100.0}, "100"},
      {"%.3g", {3.14159}, "3,14"},
      {"%n", {1234567.891}, Nb("1_234_567,89")},
      {"%.0n", {1234.5}, Nb("1_235")},
      {"%n", {-999.999}, Nb("-1_000,00")},
      {"%m", {1234.5}, Nb("1_234,50 р.")},
      {"%m", {-1234.5}, Nb("-1_234,50 р.")},
      {"%.0m", {5.0}, "5 р."},
      {"%m", {Currency::FromInt(5)}, "5,00 р."},
      {"%f", {Currency::FromScaled(123456)}, "12,35"},
      {"%12.2f|", {1.5}, "        1,50|"},
      {"%s: %5.1f%%", {"CPU", 99.44}, "CPU:  99,4%"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.fmt, c.args), c.expected) << c.fmt;
}

TEST_F(FormatRu, ExplicitSettingsOverload) {
  const TFormatSettings en = TFormatSettings::English();
  EXPECT_EQ(Format("%n", {1234567.891}, en), "1,234,567.89");
  EXPECT_EQ(Format("%m", {1234.5}, en), "$1,234.50");
  EXPECT_EQ(Format("%m", {-1234.5}, en), "($1,234.50)");
  EXPECT_EQ(Format("%5.2f", {3.14159}, en), " 3.14");
}

TEST_F(FormatRu, CurrencyLayoutsFollowTheSettings) {
  TFormatSettings fs = TFormatSettings::English();
  fs.CurrencyString = "€";
  const char* negative[16] = {"(€1.50)", "-€1.50", "€-1.50", "€1.50-", "(1.50€)", "-1.50€", "1.50-€", "1.50€-",
                              "-1.50 €", "-€ 1.50", "1.50 €-", "€ 1.50-", "€ -1.50", "1.50- €", "(€ 1.50)", "(1.50 €)"};
  for (uint8_t f = 0; f < 16; ++f) {
    fs.NegCurrFormat = f;
    EXPECT_EQ(Format("%m", {-1.5}, fs), negative[f]) << int(f);
  }
  const char* positive[4] = {"€1.50", "1.50€", "€ 1.50", "1.50 €"};
  for (uint8_t f = 0; f < 4; ++f) {
    fs.CurrencyFormat = f;
    EXPECT_EQ(CurrToStrF(Currency::FromScaled(15000), ffCurrency, 2, fs), positive[f]) << int(f);
  }
}

TEST_F(FormatRu, BadFormatsAndArgumentsRaiseConvertError) {
  struct Case {
    String fmt;
    std::initializer_list<FormatArg> args;
    String message;
  };
  const Case cases[] = {
      {"%d", {"x"}, "Format '%d' invalid or incompatible with argument"},
      {"%s", {1}, "Format '%s' invalid or incompatible with argument"},
      {"%f", {1}, "Format '%f' invalid or incompatible with argument"},
      {"%x", {1.5}, "Format '%x' invalid or incompatible with argument"},
      {"%p", {1}, "Format '%p' invalid or incompatible with argument"},
      {"%z", {1}, "Format '%z' invalid or incompatible with argument"},
      {"abc%", {}, "Format 'abc%' invalid or incompatible with argument"},
      {"%5", {1}, "Format '%5' invalid or incompatible with argument"},
      {"%*d", {"w", 1}, "Format '%*d' invalid or incompatible with argument"},
      {"%d %d", {1}, "No argument for format '%d %d'"},
      {"%2:d", {1}, "No argument for format '%2:d'"},
      {"a rather long format string with %d in it", {"x"},
       "Format 'a rather long format string wit' invalid or incompatible with argument"},
  };
  for (const auto& c : cases) {
    try {
      Format(c.fmt, c.args);
      ADD_FAILURE() << c.fmt;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST_F(FormatRu, FloatToStrGeneralFormat) {
  struct Case {
    double value;
    const char* expected;
  } cases[] = {
      {0, "0"},
      {1234.5, "1234,5"},
      {-1.5, "-1,5"},
      {0.1 + 0.2, "0,3"},
      {1.0 / 3, "0,333333333333333"},
      {2.0 / 3, "0,666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1e100, "1E100"},
      {0.0001, "0,0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1,5E-7"},
      {-2.5e-10, "-2,5E-10"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.expected) << c.value;
  EXPECT_EQ(FloatToStr(1234.5, TFormatSettings::English()), "1234.5");
}

TEST_F(FormatRu, FloatToStrFFormats) {
  struct Case {
    double value;
    TFloatFormat format;
    int32_t precision, digits;
    String expected;
  } cases[] = {
      {1234.5678, ffFixed, 15, 2, "1234,57"},
      {1234.5678, ffNumber, 15, 2, Nb("1_234,57")},
      {1234.5678, ffNumber, 15, 0, Nb("1_235")},
      {1234.5678, ffExponent, 6, 2, "1,23457E+03"},
      {1234.5678, ffExponent, 4, 0, "1,235E+3"},
      {1234.5678, ffGeneral, 6, 0, "1234,57"},
      {1234.5678, ffGeneral, 3, 0, "1,23E3"},
      {1234.5678, ffCurrency, 15, 2, Nb("1_234,57 р.")},
      {-1234.5678, ffCurrency, 15, 1, Nb("-1_234,6 р.")},
      {0.5, ffFixed, 15, 0, "1"},
      {-2.5, ffFixed, 15, 0, "-3"},
      {999.995, ffFixed, 15, 2, "1000,00"},
      {0.000123, ffFixed, 15, 5, "0,00012"},
      {1e20, ffFixed, 15, 2, "1E20"},
      {123456.0, ffNumber, 15, 2, Nb("123_456,00")},
      {-123.0, ffNumber, 15, 0, "-123"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.expected) << c.value << " " << int(c.format);
}

TEST_F(FormatRu, FormatFloatMasks) {
  struct Case {
    const char* mask;
    double value;
    String expected;
  } cases[] = {
      {"0.00", 1.005, "1,01"},
      {"0.00", 2.675, "2,68"},
      {"0.00", -0.001, "0,00"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"000", 7, "007"},
      {"#", 0, ""},
      {"#.##", 0.5, ",5"},
      {"0.##", 1, "1"},
      {"0.##", 1.5, "1,5"},
      {"0.0#", 1.256, "1,26"},
      {"#,##0.00", 1234567.891, Nb("1_234_567,89")},
      {"#,##0.00", -1234.5, Nb("-1_234,50")},
      {"#,##0", 999.5, Nb("1_000")},
      {"#,##0", 12, "12"},
      {",0.00", 1234.5, Nb("1_234,50")},
      {"#,##0;-#,##0", -1234567, Nb("-1_234_567")},
      {"0.00;-0.00", -0.001, "0,00"},
      {"#,##0.00;(#,##0.00);\"zero\"", 1234.5, Nb("1_234,50")},
      {"#,##0.00;(#,##0.00);\"zero\"", -1234.5, Nb("(1_234,50)")},
      {"#,##0.00;(#,##0.00);\"zero\"", 0, "zero"},
      {"#,##0.00;(#,##0.00);\"zero\"", 0.001, "zero"},
      {"0.00;;Zero", -5, "-5,00"},
      {"0.00;;Zero", 0, "Zero"},
      {"\"Итого: \"#,##0.00' р.'", 1500, Nb("Итого: 1_500,00 р.")},
      {"0.00E+00", 1234.5, "1,23E+03"},
      {"00.000E+00", 1234.5, "12,345E+02"},
      {"0.00E+00", 0.00012345, "1,23E-04"},
      {"0.0E-0", 1234.5, "1,2E3"},
      {"0.0e-0", 0.00012, "1,2e-4"},
      {"0.00", 1e20, "1E20"},
      {"", 1234.5, "1234,5"},
      {"0%", 50, "50%"},
      {"(000) 000-0000", 5551234567.0, "(555) 123-4567"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.mask, c.value), c.expected) << c.mask << " " << c.value;
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, TFormatSettings::English()), "1,234.50");
}

TEST_F(FormatRu, CurrencyToText) {
  EXPECT_EQ(CurrToStr(Currency::FromScaled(12345000)), "1234,5");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(std::numeric_limits<int64_t>::max())), "922337203685477,5807");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0,0001");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(12345000), ffCurrency, 2), Nb("1_234,50 р."));
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(12345000), ffFixed, 0), "1235");
  EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromScaled(12345678)), Nb("1_234,57"));
  EXPECT_EQ(FormatCurr("0.0000", Currency::FromScaled(-1)), "-0,0001");
  EXPECT_EQ(FormatCurr("#,##0", Currency::FromScaled(std::numeric_limits<int64_t>::max())),
            Nb("922_337_203_685_478"));
}

TEST_F(FormatRu, MalformedFormatsNeverReadOutOfBounds) {
  // Random fragments of format syntax: each call either formats or raises EConvertError.
  const char* fragments[] = {"%", "%%", "d", "s", "x", "f", "-", ".", "*", ":", "0", "1", "9", "a", "ё", "m", "g"};
  const String text = "привет";
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    String fmt;
    const int n = static_cast<int>(rng() % 8);
    for (int k = 0; k < n; ++k) fmt += fragments[rng() % (sizeof fragments / sizeof *fragments)];
    try {
      Format(fmt, {3, text, 2.5, 7, Currency::FromInt(2)});
    } catch (const EConvertError&) {
    }
  }
}

TEST_F(FormatRu, FloatToDecimalDigits) {
  TFloatRec r;
  FloatToDecimal(r, 123.456, 15, 2);
  EXPECT_STREQ(r.Digits, "12346");
  EXPECT_EQ(r.Exponent, 3);
  EXPECT_FALSE(r.Negative);
  FloatToDecimal(r, -0.000123, 2, 9999);
  EXPECT_STREQ(r.Digits, "12");
  EXPECT_EQ(r.Exponent, -3);
  EXPECT_TRUE(r.Negative);
  FloatToDecimal(r, 0.0, 15, 2);
  EXPECT_STREQ(r.Digits, "");
  FloatToDecimal(r, Currency::FromScaled(99995), 19, 0);
  EXPECT_STREQ(r.Digits, "1");
  EXPECT_EQ(r.Exponent, 2);
}

TEST_F(FormatRu, TextToFloatUsesTheDecimalSeparator) {
  struct Case {
    const char* text;
    double value;
  } good[] = {{"1,5", 1.5}, {"  -1,5e3 ", -1500}, {",5", 0.5}, {"5,", 5}, {"+2E-2", 0.02}, {"0", 0},
              {"1e-400", 0}, {"123456789012345678901234567890", 1.2345678901234568e29}};
  for (const auto& c : good) {
    double v = -1;
    EXPECT_TRUE(TryStrToFloat(c.text, v)) << c.text;
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
  }
  const char* bad[] = {"", "1.5", ",", "1e", "1e+", "1,5,0", "1 000", "e5", "1e400", "--1", "INF", "0x10"};
  for (const char* b : bad) {
    double v = -1;
    EXPECT_FALSE(TryStrToFloat(b, v)) << b;
  }
  EXPECT_EQ(StrToFloat("1.5", TFormatSettings::English()), 1.5);
  EXPECT_EQ(StrToFloatDef("x", 7.5), 7.5);
  try {
    StrToFloat("1.5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.5' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloat(FloatToStr(0.1 + 0.2)), 0.3);
  for (double v : {1.0 / 3, 1e-300, 123456.789, -2.5e-10})
    EXPECT_EQ(StrToFloat(FloatToStrF(v, ffExponent, 17, 0)), v);  // 17 digits read back exactly
}

TEST_F(FormatRu, TextToCurrencyIsExact) {
  struct Case {
    const char* text;
    int64_t scaled;
  } good[] = {{"1234,5678", 12345678}, {"0,00005", 0}, {"0,00015", 2}, {"0,000051", 1}, {"-0,00025", -2},
              {"922337203685477,5807", std::numeric_limits<int64_t>::max()},
              {"-922337203685477,5808", std::numeric_limits<int64_t>::min()}, {"1e3", 10000000}, {"12,5e-1", 12500}};
  for (const auto& c : good) {
    Currency v;
    EXPECT_TRUE(TryStrToCurr(c.text, v)) << c.text;
    EXPECT_EQ(v.Value, c.scaled) << c.text;
  }
  Currency v;
  EXPECT_FALSE(TryStrToCurr("922337203685477,5808", v));
  EXPECT_FALSE(TryStrToCurr("1e20", v));
  EXPECT_FALSE(TryStrToCurr("1.5", v));
  EXPECT_THROW(StrToCurr("abc"), EConvertError);
  EXPECT_EQ(StrToCurr(CurrToStr(Currency::FromScaled(-12345))).Value, -12345);
}

}  // namespace
