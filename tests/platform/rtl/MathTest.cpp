#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rtl/Math.h"

namespace {

struct MulDivCase {
  int32_t a, b, c, expected;
};

TEST(MathTest, MulDivRoundsHalfAwayFromZeroInSixtyFourBits) {
  const MulDivCase cases[] = {
      {10, 3, 4, 8},            // 7.5 -> 8
      {5, 1, 2, 3},             // 2.5 -> 3
      {3, 1, 2, 2},             // 1.5 -> 2 (away from zero, not to even)
      {1, 1, 3, 0},             // 0.33 -> 0
      {2, 1, 3, 1},             // 0.67 -> 1
      {-5, 1, 2, -3},           // -2.5 -> -3
      {5, -1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, -2, -3},
      {-5, -1, 2, 3},
      {7, 0, 3, 0},
      {100000, 100000, 100000, 100000},     // the product needs 64 bits
      {2147483647, 2, 2, 2147483647},
      {-2147483647 - 1, 1, 1, -2147483647 - 1},
      {96, 120, 96, 120},
      {1, 1, 0, -1},            // zero divisor
      {0, 0, 0, -1},
      {2147483647, 2, 1, -1},   // overflow
      {-2147483647 - 1, -1, 1, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(MathTest, RoundGoesHalfToEvenAndTruncTowardsZero) {
  const struct {
    double x;
    int64_t round, trunc;
  } cases[] = {
      {0.5, 0, 0},    {1.5, 2, 1},    {2.5, 2, 2},     {3.5, 4, 3},     {-0.5, 0, 0}, {-1.5, -2, -1},
      {-2.5, -2, -2}, {2.4999, 2, 2}, {2.5001, 3, 2},  {-2.7, -3, -2},  {0.0, 0, 0},
      {4503599627370497.0, 4503599627370497, 4503599627370497},  // above 2^52: already whole
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Round(c.x), c.round) << c.x;
    EXPECT_EQ(Trunc(c.x), c.trunc) << c.x;
  }
}

TEST(MathTest, RoundAndTruncRejectValuesWithoutAnInt64) {
  EXPECT_THROW(Round(std::numeric_limits<double>::quiet_NaN()), EMathError);
  EXPECT_THROW(Round(1e19), EMathError);
  EXPECT_THROW(Trunc(-std::numeric_limits<double>::infinity()), EMathError);
  EXPECT_THROW(Ceil(3e9), EMathError);
}

TEST(MathTest, IntFracCeilFloorKeepTheirSigns) {
  EXPECT_DOUBLE_EQ(Int(-2.75), -2.0);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_DOUBLE_EQ(Frac(2.75), 0.75);
  EXPECT_EQ(Ceil(-2.5), -2);
  EXPECT_EQ(Floor(-2.5), -3);
  EXPECT_EQ(Ceil(2.0), 2);
  EXPECT_EQ(Floor64(-1e12 - 0.5), -1000000000001);
}

TEST(MathTest, MinMaxMixSignedAndUnsignedWithoutWrapping) {
  EXPECT_EQ(Min(-1, 1u), -1);
  EXPECT_EQ(Max(-1, 1u), 1);
  EXPECT_EQ(Min(int64_t{5}, 3), 3);
  EXPECT_DOUBLE_EQ(Max(2, 2.5), 2.5);
  static_assert(std::is_same_v<decltype(Min(1, 2)), int>);
  static_assert(std::is_same_v<decltype(Min(int64_t{1}, 2)), int64_t>);
}

TEST(MathTest, RangeHelpers) {
  EXPECT_TRUE(InRange(1, 1, 5));
  EXPECT_TRUE(InRange(5, 1, 5));
  EXPECT_FALSE(InRange(6, 1, 5));
  EXPECT_FALSE(InRange(-1, 0u, 5u));
  EXPECT_EQ(EnsureRange(-3, 0, 10), 0);
  EXPECT_EQ(EnsureRange(30, 0, 10), 10);
  EXPECT_EQ(EnsureRange(7, 0, 10), 7);
  EXPECT_EQ(Sign(-0.1), -1);
  EXPECT_EQ(Sign(0), 0);
  EXPECT_EQ(Sign(int64_t{9}), 1);
}

TEST(MathTest, FuzzyComparisons) {
  EXPECT_TRUE(IsZero(1e-13));
  EXPECT_FALSE(IsZero(1e-11));
  EXPECT_TRUE(IsZero(0.05, 0.1));
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_TRUE(SameValue(1e20, 1e20 + 1e6));  // the tolerance scales with magnitude
  EXPECT_FALSE(SameValue(1.0, 1.0001));
  EXPECT_TRUE(SameValue(1.0, 1.05, 0.1));
}

TEST(MathTest, PowersAndDecimalRounding) {
  EXPECT_DOUBLE_EQ(IntPower(2.0, 10), 1024.0);
  EXPECT_DOUBLE_EQ(IntPower(2.0, -2), 0.25);
  EXPECT_DOUBLE_EQ(IntPower(-3.0, 3), -27.0);
  EXPECT_DOUBLE_EQ(Power(0.0, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(Power(0.0, 2.0), 0.0);
  EXPECT_DOUBLE_EQ(Power(-2.0, 3.0), -8.0);
  EXPECT_NEAR(Power(2.0, 0.5), std::sqrt(2.0), 1e-15);
  EXPECT_THROW(Power(-2.0, 0.5), EMathError);

  EXPECT_DOUBLE_EQ(RoundTo(1234.5678, -2), 1234.57);
  EXPECT_DOUBLE_EQ(RoundTo(1250.0, 2), 1200.0);  // half to even
  EXPECT_DOUBLE_EQ(RoundTo(1350.0, 2), 1400.0);
  EXPECT_DOUBLE_EQ(RoundTo(0.125, -2), 0.12);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(0.125), 0.13);   // half away from zero
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-0.125), -0.13);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1250.0, 2), 1300.0);
}

}  // namespace
