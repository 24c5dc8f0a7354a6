#include <gtest/gtest.h>

#include <random>

#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"
#include "ui/editors/cxStandardMask.h"

namespace {

class StandardMaskTest : public ::testing::Test {
protected:
  void SetUp() override {
    TFormatSettings fs = TFormatSettings::Russian();
    fs.DateSeparator = '.';
    fs.TimeSeparator = ':';
    SetFormatSettings(fs);
  }
  void TearDown() override { SetFormatSettings(TFormatSettings::Russian()); }
};

struct LayoutCase {
  const char* mask;
  int count;
  bool saveLiterals;
  const char* blank;  // GetBlankText
  const char* empty;  // GetEmptyText
};

TEST_F(StandardMaskTest, CompileTable) {
  const LayoutCase cases[] = {
      {"", 0, true, "", ""},
      {"!90/90/00;1;_", 8, true, "__.__.__", "  .  .  "},
      {"00;0", 2, false, "__", "  "},
      {"00;1;*", 2, true, "**", "  "},
      {"a;b", 3, true, "_;b", " ;b"},
      {"00:00", 5, true, "__:__", "  :  "},
      {"\\L0\\", 2, true, "L_", "L "},
      {">LL<>ll", 4, true, "____", "    "},
      {"(999)", 5, true, "(___)", "(   )"},
      {"0;1;", 4, true, "_;1;", " ;1;"},  // ";1;" with nothing after is not a trailer
      {"0;0;-", 1, false, "-", " "},
  };
  for (const auto& c : cases) {
    TcxStandardMask mask;
    mask.SetMask(c.mask);
    EXPECT_EQ(mask.Count(), c.count) << c.mask;
    EXPECT_EQ(mask.SaveLiteralCharacters(), c.saveLiterals) << c.mask;
    EXPECT_EQ(mask.GetBlankText(), c.blank) << c.mask;
    EXPECT_EQ(mask.GetEmptyText(), c.empty) << c.mask;
  }
  TcxStandardMask mask;
  mask.SetMask("!0");
  EXPECT_TRUE(mask.Leading());
  EXPECT_EQ(mask.Mask(), "!0");
}

struct FormatCase {
  const char* mask;
  const char* input;
  const char* formatted;
};

TEST_F(StandardMaskTest, FormatTable) {
  const FormatCase cases[] = {
      {">LL", "ab", "AB"},
      {"<LL", "AB", "ab"},
      {">L<>L", "ab", "Ab"},
      {">LL", "жу", "ЖУ"},           // Cyrillic letters are letters
      {"AA", "я1", "я1"},
      {"CC", "Жx", "Жx"},
      {"L0", "1a", "a1"},            // a later character fills a place an earlier one skipped
      {"!99/99/0000;1;_", "01.02.2003", "01.02.2003"},
      {"!99/99/0000;1;_", "0102", "01.02.____"},
      {"99-99", "1 2", "1_-2_"},     // a blank or space keeps its place empty
      {"00", "x5", "5_"},            // what fits nowhere is dropped
      {"##", "+7", "+7"},
      {"", "abc", ""},
  };
  for (const auto& c : cases) {
    TcxStandardMask mask;
    mask.SetMask(c.mask);
    String text = c.input;
    mask.Format(text);
    EXPECT_EQ(text, c.formatted) << c.mask << " on " << c.input;
  }
  TcxStandardMask mask;
  mask.SetMask(">LL");
  String text = "ab";
  mask.Format(text, false);
  EXPECT_EQ(text, "ab");
}

struct CompleteCase {
  const char* mask;
  const char* text;
  bool complete;
};

TEST_F(StandardMaskTest, CompletenessTable) {
  const CompleteCase cases[] = {
      {"00", "12", true},    {"00", "1_", false},   {"00", "1 ", false},  {"99", "1_", true},
      {"99", "  ", true},    {"##", "_ ", true},    {"ll", "__", true},   {"aa", " _", true},
      {"cc", "  ", true},    {"LL", "a_", false},   {"00", "123", false}, {"00", "1", false},
      {"00.00", "12.34", true}, {"00.00", "12,34", false}, {"LL", "жя", true},
  };
  for (const auto& c : cases) {
    TcxStandardMask mask;
    mask.SetMask(c.mask);
    String text = c.text;
    EXPECT_EQ(mask.IsComplete(text), c.complete) << c.mask << " on " << c.text;
  }
  TcxStandardMask mask;
  mask.SetMask(">LL");
  String text = "ab";
  EXPECT_TRUE(mask.IsComplete(text));
  EXPECT_EQ(text, "AB");  // checking applies the case control
}

TEST_F(StandardMaskTest, StripBlanks) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"!99/99/0000;1;_", "01.__.2003", "01.  .2003"},
      {"!99/99/0000;0;_", "01.__.2003", "01  2003"},
      {"00;1;*", "1*", "1 "},
  };
  for (const auto& [m, in, out] : cases) {
    TcxStandardMask mask;
    mask.SetMask(m);
    String text = in;
    mask.StripBlanks(text);
    EXPECT_EQ(text, out) << m;
  }
}

}  // namespace

namespace {

// Random mask texts and inputs (bytes that are not valid UTF-8 included): every operation keeps the
// text as long as the mask and never reads past either.
TEST_F(StandardMaskTest, SeededRandomMasksAndTexts) {
  const char* pieces[] = {"L", "l", "A", "a", "C", "c", "0", "9", "#", ">", "<", "<>", "\\", ";", ";1;_",
                          ";0", ":", "/", "!", "ж", "x", "-", "\xD0", "\xFF", " "};
  std::mt19937 rng(1211);
  for (int iteration = 0; iteration < 5000; ++iteration) {
    String maskText, input;
    for (int i = static_cast<int>(rng() % 12); i > 0; --i) maskText += pieces[rng() % std::size(pieces)];
    for (int i = static_cast<int>(rng() % 16); i > 0; --i) input += pieces[rng() % std::size(pieces)];
    TcxStandardMask mask;
    mask.SetMask(maskText);
    String text = input;
    mask.Format(text, rng() % 2 == 0);
    ASSERT_EQ(Utf8Length(text), mask.Count()) << maskText;
    String copy = text;
    mask.IsComplete(copy);
    mask.StripBlanks(copy);
    ASSERT_LE(Utf8Length(copy), mask.Count());
  }
}

}  // namespace
