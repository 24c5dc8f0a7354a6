#include <gtest/gtest.h>

#include <limits>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

TEST(PascalStrings, CopyIsOneBasedAndClamped) {
  const String s = "Hello";
  struct Case {
    int32_t index, count;
    const char* expected;
  } cases[] = {
      {1, 2, "He"}, {2, 3, "ell"}, {4, 100, "lo"}, {5, 1, "o"}, {6, 1, ""}, {0, 2, "He"},
      {-5, 3, "Hel"}, {3, 0, ""}, {3, -1, ""}, {1, std::numeric_limits<int32_t>::max(), "Hello"},
  };
  for (const auto& c : cases) EXPECT_EQ(Copy(s, c.index, c.count), c.expected) << c.index << "," << c.count;
  EXPECT_EQ(Copy(s, 3), "llo");
  EXPECT_EQ(Copy(String(), 1, 1), "");
}

TEST(PascalStrings, PosAndPosEx) {
  EXPECT_EQ(Pos("lo", "Hello lo"), 4);
  EXPECT_EQ(Pos("x", "Hello"), 0);
  EXPECT_EQ(Pos("", "Hello"), 0);
  EXPECT_EQ(Pos('e', "Hello"), 2);
  EXPECT_EQ(PosEx("lo", "Hello lo", 5), 7);
  EXPECT_EQ(PosEx("lo", "Hello lo", 4), 4);
  EXPECT_EQ(PosEx("lo", "Hello lo", 0), 0);
  EXPECT_EQ(PosEx("o", "Hello", 6), 0);
  EXPECT_EQ(PosEx("o", "Hello", 5), 5);
  EXPECT_EQ(Pos("lo", "Hello lo", 5), 7);
}

TEST(PascalStrings, DeleteAndInsertEdges) {
  struct DelCase {
    int32_t index, count;
    const char* expected;
  } dels[] = {{1, 1, "ello"}, {2, 2, "Hlo"}, {4, 10, "Hel"}, {0, 2, "Hello"}, {6, 1, "Hello"}, {2, 0, "Hello"}, {5, 1, "Hell"}};
  for (const auto& c : dels) {
    String s = "Hello";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }
  struct InsCase {
    int32_t index;
    const char* expected;
  } ins[] = {{1, "--abc"}, {2, "a--bc"}, {4, "abc--"}, {99, "abc--"}, {0, "--abc"}, {-3, "--abc"}};
  for (const auto& c : ins) {
    String s = "abc";
    Insert("--", s, c.index);
    EXPECT_EQ(s, c.expected) << c.index;
  }
}

TEST(PascalStrings, TrimRemovesControlCharactersAndSpaces) {
  EXPECT_EQ(Trim(" \t\r\n ab c \x01"), "ab c");
  EXPECT_EQ(TrimLeft("  ab  "), "ab  ");
  EXPECT_EQ(TrimRight("  ab  "), "  ab");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" привет "), "привет");  // multi-byte characters are never trimmed
}

TEST(PascalStrings, HelpersOfTheStringFamily) {
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', -1), "");
  EXPECT_EQ(DupeString("ab", 3), "ababab");
  EXPECT_EQ(LeftStr("abcdef", 2), "ab");
  EXPECT_EQ(RightStr("abcdef", 2), "ef");
  EXPECT_EQ(RightStr("ab", 5), "ab");
  EXPECT_EQ(MidStr("abcdef", 2, 3), "bcd");
  EXPECT_EQ(LastDelimiter("/\\", "C:\\dir/sub\\file.txt"), 11);
  EXPECT_EQ(LastDelimiter(".", "noext"), 0);
  EXPECT_TRUE(IsDelimiter(",;", "a;b", 2));
  EXPECT_FALSE(IsDelimiter(",;", "a;b", 1));
  EXPECT_FALSE(IsDelimiter(",;", "a;b", 4));
  EXPECT_TRUE(IsValidIdent("_Form1"));
  EXPECT_FALSE(IsValidIdent("1Form"));
  EXPECT_FALSE(IsValidIdent("a b"));
  EXPECT_FALSE(IsValidIdent(""));
}

TEST(PascalStrings, AsciiCaseRoutinesLeaveOtherBytesAlone) {
  EXPECT_EQ(UpperCase("abc Привет"), "ABC Привет");
  EXPECT_EQ(LowerCase("ABC ПРИВЕТ"), "abc ПРИВЕТ");
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_LT(CompareStr("ABC", "abc"), 0);  // ordinal: upper case first
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Привет", "ПРИВЕТ"));
}

TEST(AnsiStrings, CaseMappingOfCyrillicGreekAndLatin) {
  struct Case {
    const char* lower;
    const char* upper;
  } cases[] = {
      {"привет", "ПРИВЕТ"},
      {"ёлка", "ЁЛКА"},
      {"щука, эхо, юла, ясли, ъ", "ЩУКА, ЭХО, ЮЛА, ЯСЛИ, Ъ"},
      {"їжак ґанок єнот і ў ђ ћ џ", "ЇЖАК ҐАНОК ЄНОТ І Ў Ђ Ћ Џ"},
      {"αβγ ωμέγα", "ΑΒΓ ΩΜΈΓΑ"},
      {"àéîõü ç ñ ø æ þ", "ÀÉÎÕÜ Ç Ñ Ø Æ Þ"},
      {"łódź ščř ő ÿ", "ŁÓDŹ ŠČŘ Ő Ÿ"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiUpperCase(c.lower), c.upper);
    EXPECT_EQ(AnsiLowerCase(c.upper), c.lower);
  }
  EXPECT_EQ(AnsiLowerCase("Ёлка"), "ёлка");
  EXPECT_EQ(AnsiUpperCase("Ёлка"), "ЁЛКА");
  EXPECT_EQ(AnsiUpperCase("straße"), "STRAßE");  // no one-to-many mapping
  EXPECT_EQ(AnsiUpperCase("a\xFF" "b"), "A\xFF" "B");  // invalid bytes survive
}

TEST(AnsiStrings, ComparisonIgnoresCaseAndFollowsTheAlphabet) {
  EXPECT_EQ(AnsiCompareText("привет", "ПРИВЕТ"), 0);
  EXPECT_TRUE(AnsiSameText("Ёлка", "ёЛКА"));
  EXPECT_FALSE(AnsiSameText("Ёлка", "ёлк"));
  EXPECT_FALSE(AnsiSameStr("Ёлка", "ёлка"));
  EXPECT_GT(AnsiCompareText("ель", "ёлка"), 0);   // ё sorts with е …
  EXPECT_LT(AnsiCompareText("елка", "ёлка"), 0);  // … and after it only between equal texts
  EXPECT_LT(AnsiCompareText("ёлка", "жук"), 0);
  EXPECT_LT(AnsiCompareStr("Елка", "ёлка"), 0);    // the mark weighs more than case
  EXPECT_LT(AnsiCompareText("яблоко", "Ящик"), 0);
  EXPECT_LT(AnsiCompareText("Zebra", "ящик"), 0);  // Latin before Cyrillic
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);          // unlike the ordinal CompareStr
  EXPECT_LT(AnsiCompareStr("abc", "Abc"), 0);      // equal letters: lower case first
  EXPECT_GT(AnsiCompareStr("Abc", "abc"), 0);
  EXPECT_LT(AnsiCompareStr("9", "a"), 0);
  EXPECT_LT(AnsiCompareStr("_", "0"), 0);          // symbols before digits
  EXPECT_LT(AnsiCompareText("abc", "abcd"), 0);
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
}

TEST(AnsiStrings, SearchingWithCaseMapping) {
  EXPECT_TRUE(AnsiStartsText("ПРИ", "привет"));
  EXPECT_FALSE(AnsiStartsText("приветик", "привет"));
  EXPECT_TRUE(AnsiEndsText("ВЕТ", "привет"));
  EXPECT_TRUE(AnsiContainsText("Новогодняя Ёлка", "ЁЛК"));
  EXPECT_TRUE(AnsiStartsStr("при", "привет"));
  EXPECT_FALSE(AnsiStartsStr("ПРИ", "привет"));
  EXPECT_TRUE(AnsiEndsStr("вет", "привет"));
  EXPECT_EQ(AnsiPos("вет", "привет"), 7);
  EXPECT_EQ(AnsiPos("\xB2", "\xD0\xB2"), 0);  // never inside a sequence
  EXPECT_EQ(AnsiIndexText("ЛОЖЬ", {"истина", "ложь"}), 1);
  EXPECT_EQ(AnsiIndexStr("ЛОЖЬ", {"истина", "ложь"}), -1);
}

TEST(AnsiStrings, StringReplaceFlags) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {}), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {rfReplaceAll}), "a+b+c");
  EXPECT_EQ(StringReplace("Ab ab AB", "ab", "x", {rfReplaceAll}), "Ab x AB");
  EXPECT_EQ(StringReplace("Ab ab AB", "ab", "x", {rfReplaceAll, rfIgnoreCase}), "x x x");
  EXPECT_EQ(StringReplace("Ёлка и ёлка", "ЁЛКА", "ель", {rfIgnoreCase}), "ель и ёлка");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", {rfReplaceAll}), "aaaaaa");  // replacement is not rescanned
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
  TReplaceFlags f;
  f.Include(rfIgnoreCase);
  EXPECT_TRUE(f.Contains(rfIgnoreCase));
  EXPECT_FALSE(f.Contains(rfReplaceAll));
  f.Exclude(rfIgnoreCase);
  EXPECT_FALSE(f.Contains(rfIgnoreCase));
}

TEST(PascalStrings, QuotingAndDequoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  const char* src = "'it''s' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "it's");
  EXPECT_STREQ(src, " rest");
  const char* plain = "plain";
  EXPECT_EQ(AnsiExtractQuotedStr(plain, '\''), "");
  EXPECT_STREQ(plain, "plain");
  EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "'open");
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
}

TEST(PascalStrings, AdjustLineBreaksMakesCrLf) {
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(AdjustLineBreaks("a\n\rb"), "a\r\n\r\nb");
  EXPECT_EQ(AdjustLineBreaks("a\r\nb\r", tlbsLF), "a\nb\n");
}

TEST(Unicode, Utf8AndUtf16RoundTrip) {
  const String s = "Ёлка €𝄞z";
  const WideString w = Utf8ToUtf16(s);
  EXPECT_EQ(w, u"Ёлка €𝄞z");
  EXPECT_EQ(Utf16ToUtf8(w), s);
  EXPECT_EQ(Utf8ToUtf16("a\xC0\x80z"), u"a\uFFFD\uFFFDz");  // overlong: two invalid units
  EXPECT_EQ(Utf16ToUtf8(WideString(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(u"x" + WideString(1, char16_t(0xDC00))), "x\xEF\xBF\xBD");  // a lone low half
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");             // an encoded surrogate
  EXPECT_EQ(WideUpperCase(u"ёлка"), u"ЁЛКА");
  EXPECT_EQ(WideCompareText(u"ЁЛКА", u"ёлка"), 0);
}

TEST(IntConversions, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(int64_t{-9223372036854775807} - 1), "-9223372036854775808");
  EXPECT_EQ(IntToStr(4000000000u), "4000000000");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234ABCD, 2), "1234ABCD");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0, 0), "0");
}

TEST(IntConversions, StrToIntAcceptsThePlatformGrammar) {
  struct Case {
    const char* text;
    int32_t value;
  } good[] = {
      {"0", 0},          {"123", 123},        {"-123", -123},      {"+7", 7},
      {"   42", 42},     {"$FF", 255},        {"$ff", 255},        {"0x1A", 26},
      {"x10", 16},       {"-$10", -16},       {"$FFFFFFFF", -1},   {"$80000000", -2147483647 - 1},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"007", 7},
  };
  for (const auto& c : good) {
    int32_t v = 99;
    EXPECT_TRUE(TryStrToInt(c.text, v)) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  const char* bad[] = {"", " ", "-", "+", "$", "0x", "12 ", "1.0", "1e3", "2147483648", "-2147483649",
                       "$100000000", "12a", "--1", "1,000", "\t5"};
  for (const char* b : bad) {
    int32_t v = 99;
    EXPECT_FALSE(TryStrToInt(b, v)) << b;
    EXPECT_EQ(v, 99) << b;
  }
  EXPECT_EQ(StrToIntDef("x", -5), -5);
  EXPECT_EQ(StrToInt64("9223372036854775807"), int64_t{9223372036854775807});
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), int64_t{4294967296});
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 3), 3);
}

TEST(IntConversions, ErrorsCarryThePlatformText) {
  try {
    StrToInt("12x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(""), EConvertError);
  try {
    StrToBool("maybe");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'maybe' is not a valid boolean value");
  }
}

TEST(BoolConversions, BoolToStrAndBack) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("FALSE"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBoolDef("x", true));
}

}  // namespace
