#include <gtest/gtest.h>

#include <vector>

#include "rtl/Sets.h"

namespace {
enum TOption { opA, opB, opC, opD };
enum class TWide : uint8_t { w0 = 0, w63 = 63, w64 = 64, w200 = 200 };
using TOptions = Set<TOption>;

std::vector<int> Members(const TOptions& s) {
  std::vector<int> r;
  for (TOption o : s) r.push_back(o);
  return r;
}
}  // namespace

TEST(SetTest, OperationsFollowPascalSets) {
  constexpr TOptions a{opA, opB}, b{opB, opC};
  static_assert((a + b) == TOptions{opA, opB, opC});
  static_assert((a - b) == TOptions{opA});
  static_assert((a * b) == TOptions{opB});
  static_assert(TOptions{}.Empty() && !a.Empty());
  static_assert(a.Contains(opA) && !a.Contains(opC));
  static_assert(TOptions{opB} <= a && !(a <= b) && a >= TOptions{opA});
  EXPECT_EQ(Members(a + b), (std::vector<int>{0, 1, 2}));
  TOptions s;
  s.Include(opD).Include(opA).Exclude(opA);
  s += opB;
  EXPECT_EQ(Members(s), (std::vector<int>{1, 3}));
  EXPECT_EQ(s.Count(), 2u);
}

TEST(SetTest, IntegerMaskRoundTripsAndDropsBitsOutOfRange) {
  EXPECT_EQ((TOptions{opA, opC}).ToInt(), 0b101u);
  EXPECT_EQ(TOptions::FromInt(0b1010), (TOptions{opB, opD}));
  EXPECT_EQ((Set<TOption, 3>::FromInt(0xFF)).ToInt(), 0b111u);
}

TEST(SetTest, WideSetsSpanSeveralWords) {
  using TWides = Set<TWide, 256>;
  TWides s{TWide::w0, TWide::w63, TWide::w64, TWide::w200};
  std::vector<int> got;
  for (TWide w : s) got.push_back(static_cast<int>(w));
  EXPECT_EQ(got, (std::vector<int>{0, 63, 64, 200}));
  EXPECT_EQ(s.Word(1), 1u);
  EXPECT_EQ(s.Word(3), uint64_t(1) << (200 - 192));
  Set<char> chars{'a', 'z', '\xFF'};
  EXPECT_TRUE(chars.Contains('\xFF'));
  EXPECT_FALSE(chars.Contains('b'));
  EXPECT_EQ(chars.Count(), 3u);
}
