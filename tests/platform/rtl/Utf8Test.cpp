#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "rtl/Utf8.h"

namespace {

// Boundaries found by walking forward from the start.
std::vector<size_t> ForwardBoundaries(const String& s) {
  std::vector<size_t> b{0};
  for (size_t p = 0; p < s.size();) b.push_back(p = Utf8NextBoundary(s, p));
  return b;
}

TEST(Utf8, CountsAndIndexesCodePoints) {
  const String s = "aЁ€𝄞z";  // 1 + 2 + 3 + 4 + 1 bytes
  EXPECT_EQ(Utf8Length(s), 5);
  const size_t offsets[] = {0, 1, 3, 6, 10, 11};
  for (int32_t i = 0; i <= 5; ++i) {
    EXPECT_EQ(Utf8ByteOffset(s, i), offsets[i]) << i;
    EXPECT_EQ(Utf8CodePointIndex(s, offsets[i]), i) << i;
  }
  EXPECT_EQ(Utf8ByteOffset(s, 99), s.size());
  EXPECT_EQ(Utf8CodePointIndex(s, 4), 2);  // inside "€": the index of the code point that holds it
  EXPECT_EQ(Utf8CodePointAt(s, 1), U'Ё');
  EXPECT_EQ(Utf8CodePointAt(s, 6), U'𝄞');
  EXPECT_EQ(Utf8Copy(s, 2, 3), "Ё€𝄞");
  EXPECT_EQ(Utf8Copy(s, 0, 1), "a");
  EXPECT_EQ(Utf8Copy(s, 5, 9), "z");
  EXPECT_EQ(Utf8Copy(s, 6, 1), "");
}

TEST(Utf8, NeverSplitsASequence) {
  const String s = "привет";
  EXPECT_EQ(Utf8NextBoundary(s, 0), 2u);
  EXPECT_EQ(Utf8PrevBoundary(s, 4), 2u);
  EXPECT_EQ(Utf8PrevBoundary(s, 3), 2u);  // from inside a sequence: its start
  EXPECT_EQ(Utf8AlignBoundary(s, 5), 4u);
  EXPECT_TRUE(Utf8IsBoundary(s, 4));
  EXPECT_FALSE(Utf8IsBoundary(s, 5));
  EXPECT_EQ(Utf8PrevBoundary(s, 0), 0u);
  EXPECT_EQ(Utf8NextBoundary(s, s.size()), s.size());
}

TEST(Utf8, InvalidBytesAreUnitsOfTheirOwn) {
  // Stray continuation bytes, a truncated sequence, an overlong form, a surrogate, a byte never valid.
  const String samples[] = {"a\x80\x80" "b", "\xD0", "x\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xFF\xFEz",
                            "\xF0\x9D\x84", "ok\xF4\x90\x80\x80"};
  for (const String& s : samples) {
    const auto fwd = ForwardBoundaries(s);
    // Walking back reaches exactly the same boundaries.
    std::vector<size_t> back{s.size()};
    for (size_t p = s.size(); p > 0;) back.insert(back.begin(), p = Utf8PrevBoundary(s, p));
    EXPECT_EQ(back, fwd);
    EXPECT_EQ(static_cast<size_t>(Utf8Length(s)), fwd.size() - 1);
    EXPECT_FALSE(Utf8IsValid(s));
  }
  EXPECT_EQ(Utf8CodePointAt("\x80", 0), 0xFFFDu);
  EXPECT_TRUE(Utf8IsValid("Ёлка 𝄞"));
  const String mixed = "Ё\x80€";
  EXPECT_EQ(ForwardBoundaries(mixed), (std::vector<size_t>{0, 2, 3, 6}));
}

TEST(Utf8, RandomBytesWalkTheSameBoundariesBothWays) {
  // Bytes chosen around the edges of the encoding: ASCII, continuation, lead bytes, never-valid bytes.
  const unsigned char alphabet[] = {'a', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2, 0xD0,
                                    0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    String s;
    const size_t len = rng() % 10;
    for (size_t k = 0; k < len; ++k) s += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    const auto fwd = ForwardBoundaries(s);
    std::vector<size_t> back{s.size()};
    for (size_t p = s.size(); p > 0;) back.insert(back.begin(), p = Utf8PrevBoundary(s, p));
    ASSERT_EQ(back, fwd);
    for (size_t p = 0; p <= s.size(); ++p) {
      const bool isBoundary = std::find(fwd.begin(), fwd.end(), p) != fwd.end();
      ASSERT_EQ(Utf8IsBoundary(s, p), isBoundary);
      const size_t a = Utf8AlignBoundary(s, p);
      ASSERT_TRUE(std::find(fwd.begin(), fwd.end(), a) != fwd.end());
      ASSERT_LE(a, p);
    }
    // Decoding and re-encoding keeps every valid sequence and nothing else.
    String re;
    for (size_t p = 0; p < s.size(); p = Utf8NextBoundary(s, p)) Utf8Append(re, Utf8CodePointAt(s, p));
    ASSERT_TRUE(Utf8IsValid(re));
    ASSERT_EQ(Utf8Length(re), Utf8Length(s));
  }
}

TEST(Utf8, EncodesCodePoints) {
  EXPECT_EQ(Utf8FromCodePoint(U'A'), "A");
  EXPECT_EQ(Utf8FromCodePoint(U'ё'), "ё");
  EXPECT_EQ(Utf8FromCodePoint(U'€'), "€");
  EXPECT_EQ(Utf8FromCodePoint(U'𝄞'), "𝄞");
  EXPECT_EQ(Utf8FromCodePoint(0xD800), "\xEF\xBF\xBD");
}

TEST(Unicode, CaseMappingAndClasses) {
  struct Case {
    char32_t upper, lower;
  } pairs[] = {{U'A', U'a'}, {U'Ё', U'ё'}, {U'Я', U'я'}, {U'Ѣ', U'ѣ'}, {U'Ω', U'ω'}, {U'Ά', U'ά'},
               {U'Ā', U'ā'}, {U'Ž', U'ž'}, {U'Ÿ', U'ÿ'}, {U'Ա', U'ա'}, {U'Ẁ', U'ẁ'}, {U'Ｚ', U'ｚ'}};
  for (const auto& p : pairs) {
    EXPECT_EQ(UnicodeToLower(p.upper), p.lower);
    EXPECT_EQ(UnicodeToUpper(p.lower), p.upper);
    EXPECT_TRUE(UnicodeIsUpper(p.upper));
    EXPECT_TRUE(UnicodeIsLower(p.lower));
    EXPECT_TRUE(UnicodeIsLetter(p.lower));
  }
  EXPECT_EQ(UnicodeToUpper(U'ς'), U'Σ');
  EXPECT_EQ(UnicodeToUpper(U'ı'), U'I');
  EXPECT_EQ(UnicodeToLower(U'×'), U'×');
  EXPECT_EQ(UnicodeToUpper(U'÷'), U'÷');
  EXPECT_FALSE(UnicodeIsLetter(U'×'));
  EXPECT_FALSE(UnicodeIsLetter(U'1'));
  EXPECT_TRUE(UnicodeIsDigit(U'7'));
  EXPECT_TRUE(UnicodeIsSpace(0xA0));
  EXPECT_FALSE(UnicodeIsLetterOrDigit(U'-'));
}

}  // namespace
