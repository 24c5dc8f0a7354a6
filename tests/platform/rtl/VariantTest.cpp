#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "rtl/FormatSettings.h"
#include "rtl/SqlTimSt.h"
#include "rtl/Variants.h"

namespace {

class VariantTest : public ::testing::Test {
protected:
  void SetUp() override { SetFormatSettings(TFormatSettings::Russian()); }
  void TearDown() override { SetFormatSettings(TFormatSettings::Russian()); }
};

template <class E>
void ExpectThrowText(const std::function<void()>& f, const std::string& text) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << text;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), text);
  }
}

TEST_F(VariantTest, ConstructorsPickTheTypeCodes) {
  struct Case {
    Variant v;
    TVarType type;
  } cases[] = {
      {Variant(), varEmpty},
      {Null(), varNull},
      {true, varBoolean},
      {int8_t(-1), varShortInt},
      {uint8_t(1), varByte},
      {int16_t(1), varSmallint},
      {uint16_t(1), varWord},
      {1, varInteger},
      {1u, varLongWord},
      {int64_t(1), varInt64},
      {1LL, varInt64},
      {1.5f, varSingle},
      {1.5, varDouble},
      {Currency::FromInt(1), varCurrency},
      {VarFromDateTime(1.0), varDate},
      {"abc", varString},
      {String("abc"), varString},
      {'x', varString},
      {u'x', varOleStr},
      {WideString(u"abc"), varOleStr},
      {u"abc", varOleStr},
  };
  for (const auto& c : cases) EXPECT_EQ(VarType(c.v), c.type) << VarTypeAsText(c.type);
  EXPECT_THROW(Variant(std::numeric_limits<uint64_t>::max()), EVariantOverflowError);
}

TEST_F(VariantTest, ToTextFollowsTheRussianSettings) {
  struct Case {
    Variant v;
    const char* text;
  } cases[] = {
      {Variant(), ""},
      {Null(), ""},
      {true, "True"},
      {false, "False"},
      {-5, "-5"},
      {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
      {std::numeric_limits<uint32_t>::max(), "4294967295"},
      {1.5, "1,5"},
      {-0.25f, "-0,25"},
      {0.1f, "0,1"},
      {1e20, "1E20"},
      {Currency::FromScaled(-12345678), "-1234,5678"},
      {Currency::FromScaled(std::numeric_limits<int64_t>::max()), "922337203685477,5807"},
      {u"Привет", "Привет"},
      {VarFromDateTime(45000.0), "15.03.2023"},
      {VarFromDateTime(45000.5), "15.03.2023 12:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToStr(c.v), c.text) << c.text;
  EXPECT_EQ(VarToStrDef(Null(), "n/a"), "n/a");
  EXPECT_EQ(VarToStrDef(Variant(), "n/a"), "");
  EXPECT_EQ(VarToStrDef(0, "n/a"), "0");
  EXPECT_EQ(VarToWideStr(Variant("Ёж")), u"Ёж");
  EXPECT_EQ(VarToWideStr(Null()), u"");

  SetFormatSettings(TFormatSettings::English());
  EXPECT_EQ(VarToStr(1.5), "1.5");
}

TEST_F(VariantTest, TextToNumbersUsesTheSettingsSeparator) {
  EXPECT_DOUBLE_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(" 42 ").AsInteger(), 42);
  EXPECT_EQ(Variant("2,5").AsInteger(), 2);   // rounds half to even
  EXPECT_EQ(Variant("3,5").AsInteger(), 4);
  EXPECT_EQ(Variant("-1,0001").AsCurrency().Value, -10001);
  EXPECT_EQ(Variant("9223372036854775807").AsInt64(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Variant(u"12").AsInteger(), 12);
  EXPECT_THROW(Variant("1.5").AsDouble(), EVariantTypeCastError);  // "." is not the Russian separator
  ExpectThrowText<EVariantTypeCastError>([] { Variant("abc").AsInteger(); },
                                         "Could not convert variant of type (String) into type (Integer)");
  ExpectThrowText<EVariantTypeCastError>([] { Variant(u"abc").AsDouble(); },
                                         "Could not convert variant of type (OleStr) into type (Double)");
}

TEST_F(VariantTest, BooleansAreMinusOneAndTheirTexts) {
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(false).AsInteger(), 0);
  EXPECT_DOUBLE_EQ(Variant(true).AsDouble(), -1.0);
  struct Case {
    const char* text;
    bool value;
  } cases[] = {{"True", true}, {"true", true}, {" TRUE ", true}, {"False", false}, {"fAlSe", false},
               {"0", false},   {"-1", true},   {"2", true},       {"0,5", true}};
  for (const auto& c : cases) EXPECT_EQ(Variant(c.text).AsBoolean(), c.value) << c.text;
  EXPECT_TRUE(Variant(0.5).AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());
  ExpectThrowText<EVariantTypeCastError>([] { Variant("yes").AsBoolean(); },
                                         "Could not convert variant of type (String) into type (Boolean)");
}

TEST_F(VariantTest, NullCastsFailEmptyReadsAsZero) {
  ExpectThrowText<EVariantTypeCastError>([] { Null().AsInteger(); },
                                         "Could not convert variant of type (Null) into type (Integer)");
  ExpectThrowText<EVariantTypeCastError>([] { Null().AsString(); },
                                         "Could not convert variant of type (Null) into type (String)");
  ExpectThrowText<EVariantTypeCastError>([] { VarAsType(Null(), varDate); },
                                         "Could not convert variant of type (Null) into type (Date)");
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_DOUBLE_EQ(Variant().AsDouble(), 0);
  EXPECT_TRUE(VarIsNull(VarAsType(Variant(5), varNull)));
  EXPECT_TRUE(VarIsEmpty(VarAsType(Null(), varEmpty)));
}

TEST_F(VariantTest, RangeAndExactness) {
  ExpectThrowText<EVariantOverflowError>([] { Variant(int64_t(1) << 31).AsInteger(); }, "Variant overflow");
  EXPECT_THROW(VarAsType(Variant(40000), varSmallint), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(-1), varByte), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(1e300), varSingle), EVariantOverflowError);
  EXPECT_THROW(Variant(1e19).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(std::numeric_limits<int64_t>::max()).AsCurrency(), EVariantOverflowError);
  EXPECT_EQ(VarAsType(Variant(255), varByte).AsInteger(), 255);
  EXPECT_THROW(Variant(922337203685477.6).AsCurrency(), EVariantOverflowError);
  EXPECT_THROW(Variant(-1e300).AsCurrency(), EVariantOverflowError);
  // Int64 keeps every digit through text, and Currency converts without a double on the way.
  Variant big = VarAsType(Variant("9007199254740993"), varInt64);
  EXPECT_EQ(big.AsInt64(), 9007199254740993LL);
  EXPECT_EQ(VarToStr(big), "9007199254740993");
  EXPECT_EQ(VarAsType(Variant("922337203685477,5807"), varCurrency).AsCurrency().Value,
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2);   // 2.5 -> 2
  EXPECT_EQ(Variant(Currency::FromScaled(-35000)).AsInteger(), -4);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(0.1).AsCurrency().Value, 1000);
}

TEST_F(VariantTest, VarAsTypeProducesTheRequestedType) {
  struct Case {
    Variant v;
    TVarType type;
    const char* text;
  } cases[] = {
      {"12", varInteger, "12"},       {"12", varSmallint, "12"},     {12, varString, "12"},
      {12, varOleStr, "12"},          {"1,25", varDouble, "1,25"},   {"1,25", varCurrency, "1,25"},
      {true, varString, "True"},      {"true", varBoolean, "True"},  {-1, varBoolean, "True"},
      {1.5, varCurrency, "1,5"},      {45000, varDate, "15.03.2023"}, {"15.03.2023", varDate, "15.03.2023"},
      {u"x", varString, "x"},         {3.75, varInteger, "4"},       {7, varDouble, "7"},
  };
  for (const auto& c : cases) {
    Variant r = VarAsType(c.v, c.type);
    EXPECT_EQ(VarType(r), c.type) << c.text;
    EXPECT_EQ(VarToStr(r), c.text);
  }
  ExpectThrowText<EVariantTypeCastError>([] { VarAsType(Variant(1), varDispatch); },
                                         "Invalid variant type conversion");
}

TEST_F(VariantTest, DatesConvertThroughTheRussianDateText) {
  Variant d = Variant("15.03.2023 12:00:00");
  EXPECT_DOUBLE_EQ(d.AsDateTime(), 45000.5);
  EXPECT_DOUBLE_EQ(VarToDateTime(Variant("01.01.1900")), 2.0);
  EXPECT_EQ(VarToStr(VarAsType(Variant(45000.25), varDate)), "15.03.2023 6:00:00");
  EXPECT_THROW(Variant("2023-03-15x").AsDateTime(), EVariantTypeCastError);
  EXPECT_DOUBLE_EQ(Variant(7).AsDateTime(), 7.0);
  // A date compares with text read as a date.
  EXPECT_TRUE(VarFromDateTime(45000.0) == Variant("15.03.2023"));
  EXPECT_TRUE(VarFromDateTime(45000.0) < Variant("16.03.2023"));
}

TEST_F(VariantTest, ComparisonTable) {
  // r: -1 a < b, 0 equal, 1 a > b
  struct Case {
    Variant a, b;
    int r;
  } cases[] = {
      {Null(), Null(), 0},
      {Null(), 5, -1},
      {5, Null(), 1},
      {Null(), Variant(), -1},
      {Variant(), Variant(), 0},
      {Variant(), 0, 0},
      {Variant(), "", 0},
      {Variant(), -1, 1},
      {Variant(), "a", -1},
      {5, 7, -1},
      {5, 5.0, 0},
      {5, Currency::FromScaled(50001), -1},
      {Currency::FromScaled(50000), 5, 0},
      {int64_t(9007199254740993), int64_t(9007199254740992), 1},
      {int64_t(9007199254740993), 9007199254740992.0, 1},
      {"9007199254740993", int64_t(9007199254740992), 1},
      {"10", 9, 1},              // text against a number compares numerically
      {int16_t(2), "10", -1},
      {"1,5", 1.5, 0},
      {"abc", "abd", -1},
      {"B", "a", 1},             // alphabet first,
      {"a", "A", -1},            // then lower case before upper
      {"ёж", "жук", -1},
      {"ёж", "еж", 1},
      {"10", "9", -1},           // two texts compare as text
      {u"Ёж", "Ёж", 0},
      {true, false, 1},
      {true, -1, 0},
      {true, "True", 0},
      {false, "false", 0},
      {std::numeric_limits<uint32_t>::max(), -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VarToStr(c.a) + " ? " + VarToStr(c.b));
    EXPECT_EQ(c.a == c.b, c.r == 0);
    EXPECT_EQ(c.a < c.b, c.r < 0);
    EXPECT_EQ(c.a > c.b, c.r > 0);
    EXPECT_EQ(c.a <= c.b, c.r <= 0);
    EXPECT_EQ(c.a >= c.b, c.r >= 0);
    EXPECT_EQ(c.b == c.a, c.r == 0);
    EXPECT_EQ(c.b < c.a, c.r > 0);
  }
  ExpectThrowText<EVariantTypeCastError>([] { (void)(Variant("abc") == Variant(5)); },
                                         "Could not convert variant of type (String) into type (Double)");
}

TEST_F(VariantTest, VarCompareValueAndVarSameValueSetNullAndEmptyApart) {
  struct Case {
    Variant a, b;
    TVariantRelationship rel;
    bool same;
  } cases[] = {
      {Variant(), Variant(), vrEqual, true},   {Null(), Null(), vrEqual, true},
      {Null(), Variant(), vrNotEqual, false},  {Variant(), 0, vrNotEqual, false},
      {Null(), 5, vrNotEqual, false},          {5, Null(), vrNotEqual, false},
      {"", Variant(), vrNotEqual, false},      {1, 2, vrLessThan, false},
      {2.5, 1, vrGreaterThan, false},          {"7", 7, vrEqual, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VarCompareValue(c.a, c.b), c.rel) << VarToStr(c.a) << " ? " << VarToStr(c.b);
    EXPECT_EQ(VarSameValue(c.a, c.b), c.same);
  }
}

TEST_F(VariantTest, TypeTests) {
  EXPECT_TRUE(VarIsNumeric(true));
  EXPECT_TRUE(VarIsOrdinal(true));
  EXPECT_TRUE(VarIsNumeric(Currency()));
  EXPECT_TRUE(VarIsFloat(Currency()));
  EXPECT_FALSE(VarIsOrdinal(1.0));
  EXPECT_FALSE(VarIsNumeric(VarFromDateTime(1)));
  EXPECT_FALSE(VarIsNumeric("1"));
  EXPECT_TRUE(VarIsStr(u"x"));
  EXPECT_TRUE(VarIsStr("x"));
  EXPECT_TRUE(VarIsClear(Variant()));
  EXPECT_FALSE(VarIsClear(Null()));
  EXPECT_TRUE(VarIsType(5, {varSmallint, varInteger}));
  EXPECT_FALSE(VarIsType(5, varInt64));
  EXPECT_EQ(VarTypeAsText(varArray | varInteger), "Array Integer");
  EXPECT_EQ(VarTypeAsText(varLongWord), "LongWord");
}

TEST_F(VariantTest, ArithmeticTypePromotion) {
  struct Case {
    Variant r;
    TVarType type;
    const char* text;
  } cases[] = {
      {Variant(2) + Variant(3), varInteger, "5"},
      {Variant(int16_t(2)) * Variant(int8_t(3)), varInteger, "6"},
      {Variant(2147483647) + Variant(1), varInt64, "2147483648"},
      {Variant(int64_t(2)) + Variant(1), varInt64, "3"},
      {Variant(2) + Variant(0.5), varDouble, "2,5"},
      {Variant(1.5f) + Variant(1.5f), varSingle, "3"},
      {Variant(1.5f) + Variant(0.5), varDouble, "2"},
      {Variant("ab") + Variant("cd"), varString, "abcd"},
      {Variant("ab") + Variant(u"cd"), varOleStr, "abcd"},
      {Variant("1,5") + Variant(2), varDouble, "3,5"},
      {Variant(2) - Variant("0,5"), varDouble, "1,5"},
      {Variant("2") * Variant("3"), varDouble, "6"},
      {Variant(Currency::FromScaled(15000)) + Variant(1), varCurrency, "2,5"},
      {Variant(Currency::FromScaled(1)) * Variant(3), varCurrency, "0,0003"},
      {Variant(Currency::FromScaled(15000)) * Variant(Currency::FromScaled(15000)), varCurrency, "2,25"},
      {Variant(Currency::FromScaled(15000)) + Variant(0.5), varDouble, "2"},
      {Variant(true) + Variant(1), varInteger, "0"},
      {Variant(7) / Variant(2), varDouble, "3,5"},
      {VarIntDiv(Variant(7), Variant(2)), varInteger, "3"},
      {VarIntDiv(Variant(-7), Variant(2)), varInteger, "-3"},
      {Variant(-7) % Variant(2), varInteger, "-1"},
      {VarIntDiv(Variant(7.6), Variant(2)), varInteger, "4"},   // operands rounded first
      {Variant(6) & Variant(3), varInteger, "2"},
      {Variant(6) | Variant(3), varInteger, "7"},
      {Variant(6) ^ Variant(3), varInteger, "5"},
      {Variant(true) & Variant(false), varBoolean, "False"},
      {Variant(true) | Variant(false), varBoolean, "True"},
      {Variant(true) ^ Variant(true), varBoolean, "False"},
      {Variant("True") & Variant(true), varBoolean, "True"},
      {~Variant(true), varBoolean, "False"},
      {~Variant(0), varInteger, "-1"},
      {-Variant(5), varInteger, "-5"},
      {-Variant(int16_t(5)), varSmallint, "-5"},
      {-Variant(-2147483647 - 1), varInt64, "2147483648"},
      {-Variant("1,5"), varDouble, "-1,5"},
      {-Variant(true), varInteger, "1"},
      {Variant() + Variant(5), varInteger, "5"},
      {Variant() + Variant("x"), varString, "x"},
      {VarFromDateTime(45000) + Variant(1), varDate, "16.03.2023"},
      {VarFromDateTime(45000) - Variant(0.5), varDate, "14.03.2023 12:00:00"},
      {VarFromDateTime(45001) - VarFromDateTime(45000), varDouble, "1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VarTypeAsText(VarType(c.r)), VarTypeAsText(c.type)) << c.text;
    EXPECT_EQ(VarToStr(c.r), c.text);
  }
}

TEST_F(VariantTest, NullPropagatesThroughEveryOperator) {
  Variant n = Null();
  for (const Variant& r : {n + 1, Variant(1) - n, n * n, n / 2, n % 2, VarIntDiv(5, n), n & true, n | 1, n ^ 1,
                           -n, ~n, Variant("x") + n})
    EXPECT_TRUE(VarIsNull(r));
}

TEST_F(VariantTest, ArithmeticErrors) {
  ExpectThrowText<EVariantTypeCastError>([] { Variant("abc") + Variant(1); },
                                         "Could not convert variant of type (String) into type (Double)");
  ExpectThrowText<EVariantOverflowError>(
      [] { Variant(std::numeric_limits<int64_t>::max()) + Variant(1); }, "Variant overflow");
  EXPECT_THROW(VarIntDiv(Variant(1), Variant(0)), EZeroDivide);
  EXPECT_THROW(Variant(1) % Variant(0), EZeroDivide);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(VarIntDiv(Variant(std::numeric_limits<int64_t>::min()), Variant(-1)), EVariantOverflowError);
}

TEST_F(VariantTest, ValueSemantics) {
  Variant a = "text";
  Variant b = a;
  b = b + Variant("!");
  EXPECT_EQ(VarToStr(a), "text");
  EXPECT_EQ(VarToStr(b), "text!");
  a = b;
  a = a;
  EXPECT_EQ(VarToStr(a), "text!");
  Variant c = std::move(a);
  EXPECT_TRUE(VarIsEmpty(a));
  EXPECT_EQ(VarToStr(c), "text!");
  c = 5;
  EXPECT_EQ(VarType(c), varInteger);
  c.Clear();
  EXPECT_TRUE(VarIsEmpty(c));
}

TEST_F(VariantTest, SQLTimeStampKind) {
  TSQLTimeStamp ts;
  ts.Year = 2023;
  ts.Month = 3;
  ts.Day = 15;
  ts.Hour = 18;
  ts.Minute = 30;
  ts.Second = 15;
  ts.Fractions = 250;
  Variant v = VarSQLTimeStampCreate(ts);
  EXPECT_TRUE(VarIsSQLTimeStamp(v));
  EXPECT_EQ(VarType(v), VarSQLTimeStamp());
  EXPECT_EQ(VarToSQLTimeStamp(v), ts);
  double expected = 45000 + (18 * 3600 + 30 * 60 + 15.25) / 86400.0;
  EXPECT_NEAR(v.AsDateTime(), expected, 1e-9);
  EXPECT_EQ(DateTimeToSQLTimeStamp(SQLTimeStampToDateTime(ts)), ts);
  EXPECT_EQ(VarToStr(v), "15.03.2023 18:30:15");
  EXPECT_TRUE(v > VarFromDateTime(45000.5));
  EXPECT_EQ(VarToSQLTimeStamp(VarFromDateTime(-1.25)).Day, 29u);
  EXPECT_EQ(VarToSQLTimeStamp(VarFromDateTime(-1.25)).Hour, 6u);
  ts.Month = 13;
  EXPECT_THROW(SQLTimeStampToDateTime(ts), EConvertError);
}

}  // namespace
