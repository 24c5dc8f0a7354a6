#include <gtest/gtest.h>

#include <thread>

#include "dbaccess/StrUtil.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {
struct Lines {
  TStringList* L = New<TStringList>();
  Lines(std::initializer_list<const char*> items) {
    for (const char* s : items) L->Add(s);
  }
  ~Lines() { L->Free(); }
};
}  // namespace

TEST(StrUtil, TrimAndCopy) {
  EXPECT_EQ(TrimStr(" \t\r\nabc \x01"), "abc");
  EXPECT_EQ(TrimStr("   "), "");
  EXPECT_EQ(CopyStr("abcdef", 2, 3), "bcd");
  EXPECT_EQ(CopyStr("abcdef", 5, 10), "ef");
  EXPECT_EQ(CopyStr("abcdef", 7, 1), "");
  EXPECT_EQ(CopyStr("abcdef", 1, 0), "");
  String t = "xx";
  CopyStrInto("abcdef", t, 3, 2);
  EXPECT_EQ(t, "cd");
  EXPECT_EQ(ReplicateChar('-', 3), "---");
  EXPECT_EQ(ReplicateChar('-', -1), "");
  String u = "abcdef";
  AsciiUpperCaseRange(u, 2, 3);
  EXPECT_EQ(u, "aBCdef");
  AsciiUpperCaseRange(u, 5, 0);
  EXPECT_EQ(u, "aBCdEF");
  EXPECT_EQ(AsciiUpperCase("abc\xd0\xb0"), "ABC\xd0\xb0");  // only ASCII letters change
}

TEST(StrUtil, StrEqualsFoldsLettersOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"abc", "ABC", true}, {"aBc", "AbC", true}, {"0", "P", false},  // 48 and 80 are 32 apart
      {"@", "`", false},    {"[", "{", false},    {"abc", "abd", false}, {"abc", "ab", false},
  };
  for (const Case& c : cases) EXPECT_EQ(StrEquals(c.a, c.b, false), c.equal) << c.a << " " << c.b;
  EXPECT_FALSE(StrEquals("abc", "ABC", true));
  EXPECT_TRUE(EqualStrings(true, "Привет", "пРИВЕТ"));
  EXPECT_FALSE(EqualStrings(false, "abc", "ABC"));
}

TEST(StrUtil, Searching) {
  EXPECT_EQ(CharPosFrom('a', "banana", 3), 4);
  EXPECT_EQ(CharPosFrom('a', "banana", 7), 0);
  EXPECT_EQ(FirstPosOfChars(TCharSet("xn"), "banana"), 3);
  EXPECT_EQ(PosText("NaN", "banana"), 3);
  EXPECT_EQ(PosInRange("an", "banana", 3, 5), 4);
  EXPECT_EQ(PosInRange("an", "banana", 3, 4), 0);
  EXPECT_EQ(PosInRange("", "banana", 1, 6), 0);
  EXPECT_EQ(PosFrom("na", "banana", 4), 5);
  const TCharSet blanks(" ,");
  EXPECT_EQ(PosWordBounded("ID", "XID, ID", blanks, blanks), 6);
  EXPECT_EQ(PosWordBounded("ID", "IDX ID", blanks, blanks), 5);
  EXPECT_EQ(PosWordText("id", "a Id", blanks, false, blanks), 3);
  EXPECT_TRUE(StrStartsWith("", "abc"));
  EXPECT_FALSE(StrStartsWith("abcd", "abc"));
}

TEST(StrUtil, Replacing) {
  EXPECT_EQ(ReplaceAllStr("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAllStr("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAllStr("a.b.c", ".", ".."), "a..b..c");  // inserted text is not searched again
  EXPECT_EQ(ReplaceAllText("Select x FROM t from", "from", "in", false), "Select x in t in");
}

TEST(StrUtil, Words) {
  const TCharSet delims(" ,");
  EXPECT_EQ(CountWords("one, two", delims), 2);
  EXPECT_EQ(ExtractWordByIndex(2, "one, two", delims), "two");
  EXPECT_EQ(ExtractWordByIndex(3, "one, two", delims), "");
  EXPECT_EQ(ExtractWordByIndex(1, "   ", delims), "   ");
  String name, value;
  SplitNameValue("a=b=c", name, value);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(value, "b=c");
  SplitNameValue("abc", name, value);
  EXPECT_EQ(name, "abc");
  EXPECT_EQ(value, "");
  EXPECT_EQ(ValuePart("x"), "");
}

TEST(StrUtil, RemoveOuterQuotes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"  'abc'  ", "abc"}, {"'abc\"", "'abc\""}, {"\"'abc'", "abc"}, {"''", ""},
      {"'", "'"},           {"abc", "abc"},       {"   ", "   "},
  };
  for (const Case& c : cases) EXPECT_EQ(RemoveOuterQuotes(c.in), c.out) << c.in;
}

TEST(StrUtil, Prefixes) {
  EXPECT_TRUE(HasOldPrefix("old_ID"));
  EXPECT_FALSE(HasOldPrefix("OLD_"));
  EXPECT_FALSE(HasNewPrefix("NEWX"));
  EXPECT_TRUE(HasMasterPrefix("Mas_ID"));
}

TEST(StrUtil, Lists) {
  Lines a{"a", "", "b", " ", "c"};
  DeleteEmptyLines(a.L);
  EXPECT_EQ(a.L->Count(), 4);
  EXPECT_FALSE(StringsAreBlank(a.L));
  Lines blank{"", "  "};
  EXPECT_TRUE(StringsAreBlank(blank.L));
  Lines b{"c", "a"};
  Lines target{"old"};
  ListDifference(a.L, b.L, target.L);
  EXPECT_EQ(target.L->Text(), "b\r\n \r\n");
  b.L->SetSorted(true);
  ListDifference(a.L, b.L, target.L);
  EXPECT_EQ(target.L->Count(), 2);
}

TEST(StrUtil, ReservedWordsTable) {
  EXPECT_EQ(ReservedWordCount(), 305);
  for (int32_t i = 1; i < ReservedWordCount(); ++i)
    EXPECT_LT(CompareText(ReservedWord(i - 1), ReservedWord(i)), 0) << ReservedWord(i);
  // Every word is found through the two-letter index, whatever its pair.
  for (int32_t i = 0; i < ReservedWordCount(); ++i) EXPECT_TRUE(IsReservedWord(ReservedWord(i))) << ReservedWord(i);
  EXPECT_TRUE(IsReservedWord("commited"));
  EXPECT_FALSE(IsReservedWord("ORDERS"));
}

TEST(StrUtil, NeedsQuoting) {
  struct Case {
    const char* name;
    bool lowerAllowed;
    bool quote;
  } cases[] = {
      {"", false, false},      {"ABC", false, false},   {"A", false, false},      {"A_B", false, false},
      {"A#1", false, false},   {"1ABC", false, true},   {"_ABC", false, true},    {"A B", false, true},
      {"abc", false, true},    {"abc", true, false},    {"SELECT", false, true},  {"WHERE", false, true},
      {"ORDER", false, true},  {"select", true, true},  {"\"x y\"", false, false}, {"A1", false, false},
      {"INT64", false, true},  {"GEN_ID", false, true}, {"FREE_IT", false, true}, {"ZZ", false, false},
  };
  for (const Case& c : cases) EXPECT_EQ(NeedsQuoting(c.name, c.lowerAllowed), c.quote) << c.name;
}

TEST(StrUtil, FormatIdentifierPerDialect) {
  EXPECT_EQ(FormatIdentifier(3, "MyTable", true), "MYTABLE");
  EXPECT_EQ(FormatIdentifier(3, "MyTable", false), "\"MyTable\"");
  EXPECT_EQ(FormatIdentifier(3, "Order", true), "\"Order\"");
  EXPECT_EQ(FormatIdentifier(3, "\"Done\"", false), "\"Done\"");
  EXPECT_EQ(FormatIdentifier(1, "  my table ", false), "MY TABLE");
  EXPECT_EQ(QuoteIdentifierIfNeeded(3, "ID"), "ID");
  EXPECT_EQ(QuoteIdentifierIfNeeded(3, "id"), "\"id\"");
  EXPECT_EQ(QuoteIdentifierIfNeeded(3, "USER"), "\"USER\"");
  EXPECT_EQ(QuoteIdentifierIfNeeded(1, " id "), "ID");
}

TEST(StrUtil, CollapseWildcards) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"a**b", "a*b"}, {"a*?b", "a*b"}, {"a*?", "a*?"}, {"a*?*", "a*"}, {"?*", "?*"}, {"*", "*"}};
  for (const Case& c : cases) EXPECT_EQ(CollapseWildcards(c.in), c.out) << c.in;
}

TEST(StrUtil, WildcardMatch) {
  struct Case {
    const char* a;
    const char* b;
    bool match;
  } cases[] = {
      {"a*c", "abc", true},  {"a?c", "abbc", false}, {"ab*", "a*", true}, {"*", "xyz", true},
      {"abc", "abc", true},  {"abc", "abd", false},  {"a?c", "abc", true}, {"", "a", false},
      {"*.txt", "f.txt", true}, {"*.txt", "f.doc", false},
  };
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.a, c.b), c.match) << c.a << " " << c.b;
  Lines masks{"*.GDB", "*.fdb"};
  EXPECT_EQ(IndexOfWildcard(masks.L, "db.gdb", false), 0);
  EXPECT_EQ(IndexOfWildcard(masks.L, "db.gdb", true), -1);
  EXPECT_EQ(IndexOfWildcard(masks.L, "x.FDB", false), 1);
}

TEST(StrUtil, SQLLikeMatch) {
  struct Case {
    const char* value;
    const char* pattern;
    bool match;
  } cases[] = {
      {"abc", "a%", true}, {"abc", "%c", true},  {"abc", "a_c", true},  {"", "%", true},    {"", "", true},
      {"a", "", false},    {"abc", "A%", false}, {"abc", "a_", false},  {"abcabc", "%bc", true},
      {"abc", "%b%", true}, {"abc", "%x%", false},
  };
  for (const Case& c : cases) EXPECT_EQ(SQLLikeMatch(c.value, c.pattern), c.match) << c.value << " " << c.pattern;
}

TEST(StrUtil, LocalizeDateTimeText) {
  const TFormatSettings& user = FormatSettings();
  const String dec31 = DateToStr(EncodeDate(2005, 12, 31), user);
  EXPECT_EQ(LocalizeDateTimeText("31.12.2005", 1), dec31);
  EXPECT_EQ(LocalizeDateTimeText("12/31/2005", 1), dec31);
  EXPECT_EQ(LocalizeDateTimeText("01-JAN-2005", 1), DateToStr(EncodeDate(2005, 1, 1), user));
  EXPECT_EQ(LocalizeDateTimeText("today", 1), "TODAY");
  EXPECT_EQ(LocalizeDateTimeText("  ", 0), "");
  EXPECT_EQ(LocalizeDateTimeText("13:45:10", 2), TimeToStr(EncodeTime(13, 45, 10, 0), user));
  EXPECT_EQ(MonthNamesToNumbers("01-FEB-2005"), String("01") + user.DateSeparator + "02" + user.DateSeparator + "2005");
}

TEST(StrUtil, DateParsingLeavesTheSharedSettingsAlone) {
  const String before = FormatSettings().ShortDateFormat;
  EXPECT_THROW(StrToDateTimeFmt("not a date", "mm/dd/yyyy"), EConvertError);
  EXPECT_EQ(FormatSettings().ShortDateFormat, before);
  // Formatting on another thread meanwhile sees the user's settings throughout.
  const String expected = DateToStr(EncodeDate(2020, 2, 1));
  bool stable = true;
  std::thread other([&] {
    for (int i = 0; i < 2000; ++i)
      if (DateToStr(EncodeDate(2020, 2, 1)) != expected) stable = false;
  });
  for (int i = 0; i < 2000; ++i) LocalizeDateTimeText("12/31/2005", 1);
  other.join();
  EXPECT_TRUE(stable);
  EXPECT_EQ(StrToDateTimeFmt(String("2") + FormatSettings().DateSeparator + "1" + FormatSettings().DateSeparator + "2020", "m/d/yyyy"), EncodeDate(2020, 2, 1));
}
