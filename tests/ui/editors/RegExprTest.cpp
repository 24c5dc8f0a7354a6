#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "ui/editors/cxRegExpr.h"
#include "rtl/FormatSettings.h"
#include "rtl/Streams.h"
#include "rtl/Utf8.h"

namespace {

// Feeds the whole text from the start; true when every character is accepted and the end is final.
bool Matches(TcxRegExpr& re, const String& text) {
  re.Reset();
  for (size_t i = 0; i < text.size();) {
    size_t len = 0;
    char32_t c = Utf8CodePointAt(text, i, &len);
    if (!re.Next(c)) return false;
    i += len;
  }
  return re.Accepting();
}

// The errors of a failed compile, one formatted error per line.
String CompileErrors(const String& source) {
  TcxRegExpr re;
  try {
    re.Compile(source);
  } catch (const EcxRegExprError& e) {
    String result;
    for (int32_t i = 0; i < e.Errors()->Count(); ++i) {
      if (i > 0) result += "\n";
      result += e.Errors()->Item(i).Formatted();
    }
    return result;
  }
  return String();
}

String CompileErrorsOf(TStream* stream) {
  TcxRegExpr re;
  try {
    re.Compile(stream);
  } catch (const EcxRegExprError& e) {
    return e.Errors()->Item(0).Formatted();
  }
  return String();
}

class RegExprTest : public ::testing::Test {
protected:
  void SetUp() override {
    TFormatSettings fs = TFormatSettings::English();
    fs.TimeSeparator = ':';
    fs.DateSeparator = '/';
    fs.DecimalSeparator = ',';
    SetFormatSettings(fs);
  }
  void TearDown() override { SetFormatSettings(TFormatSettings::Russian()); }
};

struct MatchCase {
  const char* pattern;
  const char* text;
  bool match;
};

TEST_F(RegExprTest, MatchTable) {
  const MatchCase cases[] = {
      {"abc", "abc", true},         {"abc", "ab", false},          {"abc", "abd", false},
      {"a b", "ab", true},          {"'a b'", "a b", true},        {"''''", "'", true},
      {"a|bc", "bc", true},         {"a|bc", "a", true},           {"a|bc", "b", false},
      {"a*", "", true},             {"a*", "aaaa", true},          {"a+", "", false},
      {"a+", "aaa", true},          {"a?b", "b", true},            {"a?b", "ab", true},
      {"x{2,4}", "x", false},       {"x{2,4}", "xx", true},        {"x{2,4}", "xxxx", true},
      {"x{2,4}", "xxxxx", false},   {"x{2,}", "xxxxxxxx", true},   {"x{2,}", "x", false},
      {"x{3}", "xxx", true},        {"x{3}", "xxxx", false},       {"(ab)\\1", "abab", true},
      {"(ab)\\1", "ab", false},     {"x(a?)", "x", false},         {"x(a)?", "x", true},
      {"(a?)b", "b", true},         {"(a?)", "", false},           {"[a-]", "-", true},
      {"[-a]", "-", true},          {"[.]", ".", true},            {"[.]", "x", false},
      {"[^abc]", "d", true},        {"[^abc]", "b", false},        {"[a-c]x", "bx", true},
      {"\\d\\d:\\d\\d", "12:34", true}, {"\\d/\\d", "1/2", true},  {"\\w+", "ab_9", true},
      {"\\w+", "Привет", true},     {"\\W", "a", false},           {"\\s", " ", true},
      {"\\S", " ", false},          {"\\D", "5", false},           {".", "я", true},
      {"\\x41", "A", true},         {"\\p", ",", true},            {"\\t", "\t", true},
      {"\\(\\)", "()", true},       {"[а-я]+", "жук", true},       {"[а-я]+", "Жук", false},
      {"(a*){1,}", "aaa", true},    {"(a*){1,}", "", false},        {"(a*){1,}b", "b", true},
      {"((a|b)c)+", "acbcac", true}, {"a(b|c)*d", "abcbd", true},  {"a(b|c)*d", "abxd", false},
  };
  for (const auto& c : cases) {
    TcxRegExpr re;
    re.Compile(c.pattern);
    EXPECT_EQ(Matches(re, c.text), c.match) << c.pattern << " on \"" << c.text << "\"";
  }
}

TEST_F(RegExprTest, CaseInsensitiveTakesTheMasksCase) {
  TcxRegExpr re;
  re.SetCaseInsensitive(true);
  re.Compile("ABCЖ");
  String typed;
  for (char32_t c : std::u32string(U"abcж")) {
    ASSERT_TRUE(re.Next(c));
    typed += Utf8FromCodePoint(c);
  }
  EXPECT_EQ(typed, "ABCЖ");
  EXPECT_TRUE(re.Accepting());

  re.Compile("[abc]");
  char32_t a = 'A';
  EXPECT_TRUE(re.Next(a));
  EXPECT_EQ(a, U'a');

  re.Compile("[A-Z]");  // ranges stay case-sensitive
  char32_t lower = 'q';
  EXPECT_FALSE(re.Next(lower));
}

TEST_F(RegExprTest, IncrementalStepsAndRefusalsLeaveTheAutomaton) {
  TcxRegExpr re;
  re.Compile("\\d+x");
  EXPECT_TRUE(re.IsStart());
  char32_t c = '1';
  EXPECT_TRUE(re.Next(c));
  EXPECT_FALSE(re.Accepting());
  char32_t bad = 'y';
  EXPECT_FALSE(re.Next(bad));  // refused: nothing moved
  c = 'x';
  EXPECT_TRUE(re.Next(c));
  EXPECT_TRUE(re.Accepting());
  EXPECT_TRUE(re.Prev());
  EXPECT_FALSE(re.Accepting());
  EXPECT_TRUE(re.Prev());
  EXPECT_TRUE(re.IsStart());
  EXPECT_FALSE(re.Prev());

  re.Reset();
  EXPECT_EQ(re.NextText("1a2Bx"), "12x");  // refused characters are skipped
  EXPECT_TRUE(re.Accepting());
}

TEST_F(RegExprTest, ForcedLiteralsInsertAndRollBack) {
  TcxRegExpr re;
  String inserted;
  int removed = 0;
  re.OnAutoInsert = [&](char32_t c) { inserted += Utf8FromCodePoint(c); };
  re.OnAutoRemove = [&] { ++removed; };
  re.Compile("\\d\\d:\\d\\d");
  re.SetUpdateOn(true);
  EXPECT_EQ(inserted, "");
  char32_t c = '1';
  re.Next(c);
  c = '2';
  re.Next(c);
  EXPECT_EQ(inserted, ":");  // the regional time separator follows the two digits at once
  EXPECT_TRUE(re.Prev());    // the separator goes first, then the second digit
  EXPECT_EQ(removed, 1);
  c = '3';
  EXPECT_TRUE(re.Next(c));
  EXPECT_EQ(inserted, "::");

  // An expression that starts with literals inserts them when updates are switched on, or at compile.
  TcxRegExpr id;
  String lead;
  id.OnAutoInsert = [&](char32_t ch) { lead += Utf8FromCodePoint(ch); };
  id.Compile("'ID-'\\d+");
  id.SetUpdateOn(true);
  EXPECT_EQ(lead, "ID-");
  lead.clear();
  id.Compile("'ID-'\\d+");
  EXPECT_EQ(lead, "ID-");
}

TEST_F(RegExprTest, ErrorTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "The source stream is empty"},
      {"  ", "The source stream is empty"},
      {"a**", "Line1, Char3: The '*' quantifier cannot be applied here"},
      {"(a*)*", "Line1, Char5: The '*' quantifier cannot be applied here"},
      {"(a?)+", "Line1, Char5: The '+' quantifier cannot be applied here"},
      {"x?{2}", "Line1, Char3: The parameter quantifier cannot be applied here"},
      {"a{3,1}", "Line1, Char2: Incorrect parameter quantifier"},
      {"{2}", "Line1, Char1: Incorrect parameter quantifier"},
      {"*a", "Line1, Char1: Illegal quantifier '*'"},
      {"\\1(a)", "Line1, Char1: Too big reference number"},
      {"a|", "The alternative should not be empty"},
      {"|a", "Line1, Char1: The alternative should not be empty"},
      {"()", "Line1, Char2: The block should not be empty"},
      {"(a", "Missing ')'"},
      {"a)", "Unnecessary ')'"},
      {")(", "Line1, Char1: Illegal ')'"},
      {"[]", "Line1, Char2: Can't create empty enumeration"},
      {"[^]", "Line1, Char3: Can't create empty enumeration"},
      {"[z-a]", "Line1, Char4: The starting character of the subrange must be less than the finishing one"},
      {"[a-a]", "Line1, Char4: The starting character of the subrange must be less than the finishing one"},
      {"[a-c-e]", "Line1, Char5: Illegal '-'"},
      {"[ab", "Line1, Char4: Missing ']'"},
      {"a{2", "Line1, Char4: Missing '}'"},
      {"a{x}", "Line1, Char3: Illegal 'x'"},
      {"a{'}", "Line1, Char3: Illegal ' ' '"},
      {"'ab", "Line1, Char4: Missing ' ' '"},
      {"\\ a", "Line1, Char2: The space character is not allowed after '\\'"},
      {"\\x4", "Line1, Char4: Hexadecimal number expected"},
      {"\\x4g", "Line1, Char4: Hexadecimal number expected but 'g' found"},
      {"ab\r\ncd**", "Line2, Char4: The '*' quantifier cannot be applied here"},
      {"a{100000}", "Line1, Char2: The expression is too complex"},
  };
  for (const auto& [pattern, text] : cases) EXPECT_EQ(CompileErrors(pattern), text) << pattern;
}

TEST_F(RegExprTest, ErrorsAreCollectedAndUseBeforeCompileRaises) {
  EXPECT_EQ(CompileErrors("*a|()"), "Line1, Char1: Illegal quantifier '*'\nLine1, Char5: The block should not be empty");
  TcxRegExpr re;
  char32_t c = 'a';
  EXPECT_THROW(re.Next(c), Exception);
  try {
    re.Accepting();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Regular expression is not compiled");
  }
  EXPECT_THROW(re.Compile("(("), EcxRegExprError);
  EXPECT_FALSE(re.IsCompiled());
  re.Compile("a");  // a later compile starts clean
  EXPECT_TRUE(re.IsCompiled());
  EXPECT_EQ(re.Errors().Count(), 0);

  TStringStream stream("\\d+");
  re.Compile(&stream);
  EXPECT_EQ(re.GetSource(), "\\d+");
  EXPECT_EQ(CompileErrorsOf(nullptr), "The source stream is not assigned");
}

// A repeating bound on a group that can be empty used to loop for ever over its empty moves; state sets
// are now walked once per step and hold each state once, so long inputs stay linear per character.
TEST_F(RegExprTest, EmptyGroupWithOpenBoundStaysBounded) {
  TcxRegExpr re;
  re.Compile("x((a*){1,}(b*){2,}){1,}c");
  const auto start = std::chrono::steady_clock::now();
  String text = "x";
  for (int i = 0; i < 1000; ++i) text += "ab";
  text += "c";
  EXPECT_TRUE(Matches(re, text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Random patterns from the mask alphabet and random inputs: compiling either succeeds or lists errors,
// matching never crashes and each input finishes within its own bound.
TEST_F(RegExprTest, SeededFuzzLoop) {
  const char* atoms[] = {"a", "b", "\\d", "\\w", ".", "(", ")", "|", "*", "+", "?", "{2}", "{1,}", "{0,3}",
                         "[a-c]", "[^x]", "'q'", "\\1", "\\2", ":", "/", "[", "]", "-", "{", "}", "\\x4",
                         "ж", "''", " ", "\\", "{,}", "{9,1}", "(a*)", "{3,}", "^", ","};
  std::mt19937 rng(20261211);
  int compiled = 0;
  for (int iteration = 0; iteration < 10000; ++iteration) {
    String pattern;
    const int n = 1 + static_cast<int>(rng() % 14);
    for (int i = 0; i < n; ++i) pattern += atoms[rng() % std::size(atoms)];
    TcxRegExpr re;
    re.SetUpdatesEnabled(rng() % 2 == 0);
    re.SetCaseInsensitive(rng() % 2 == 0);
    try {
      re.Compile(pattern);
    } catch (const EcxRegExprError& e) {
      ASSERT_GT(e.Errors()->Count(), 0) << pattern;
      continue;
    }
    ++compiled;
    for (int input = 0; input < 4; ++input) {
      const auto start = std::chrono::steady_clock::now();
      re.Reset();
      const int len = static_cast<int>(rng() % 60);
      for (int i = 0; i < len; ++i) {
        const char32_t alphabet[] = {'a', 'b', 'c', '1', ':', '/', 'q', 'x', U'ж', ' '};
        char32_t c = alphabet[rng() % std::size(alphabet)];
        if (rng() % 5 == 0)
          re.Prev();
        else
          re.Next(c);
      }
      re.Accepting();
      ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << pattern;
    }
  }
  EXPECT_GT(compiled, 500);
}

}  // namespace
