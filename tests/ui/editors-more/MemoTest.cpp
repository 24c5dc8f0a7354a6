// The memo: cutting a cell's text to its first line, the line-break repair of inserted text, and the
// editor itself driven through real messages on the headless backend.

#include <gtest/gtest.h>

#include "ui/editors-more/cxMemo.h"

namespace {

TEST(MemoCutToFirstLine, KeepsFirstLineAndLimit) {
  struct Case {
    const char* text;
    int32_t max;
    const char* expected;
  } cases[] = {
      {"first\r\nsecond", 250, "first"},
      {"first\nsecond", 0, "first"},
      {"first\rsecond", -1, "first"},
      {"abcdef", 3, "abc"},
      {"abc\r\ndef", 2, "ab"},    // the break lies beyond the limit: the limit cuts
      {"ab\r\ncdef", 3, "ab"},    // the break lies within the limit
      {"абвгд", 2, "аб"},         // characters, not bytes
      {"абв\nгд", 10, "абв"},
      {"", 5, ""},
      {"short", 250, "short"},
  };
  for (const Case& c : cases) {
    String s = c.text;
    CutToFirstLine(s, c.max);
    EXPECT_EQ(s, c.expected) << c.text << " / " << c.max;
  }
  String longLine(300, 'x');
  CutToFirstLine(longLine, 250);
  EXPECT_EQ(longLine.size(), 250u);
}

TEST(MemoNormalizeLineBreaks, ReversedBreakBecomesTwo) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\n\rb", "a\r\n\r\nb"},
      {"\n\r\n", "\r\n\r\n\n"},
      {"a\rb\nc", "a\rb\nc"},
      {"\r\n\n\r", "\r\n\r\n\r\n"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cxMemoNormalizeLineBreaks(c.in), c.out) << c.in;
}

}  // namespace
