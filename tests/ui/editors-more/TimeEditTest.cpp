// The time editor: its format table per regional setting, the typing rule of the time parts.

#include <gtest/gtest.h>

#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"
#include "ui/editors-more/cxTimeEdit.h"

namespace {

class TimeEditTableTest : public ::testing::Test {
protected:
  void TearDown() override {
    SetFormatSettings(TFormatSettings::Russian());
    cxTimeEditRebuildMasks();
  }
};

TEST_F(TimeEditTableTest, MasksFollowTheRegionalDesignators) {
  SetFormatSettings(TFormatSettings::English());
  cxTimeEditRebuildMasks();
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMinSec, false).EditMask, "00:00:00 cc;1;0");
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMin, false).EditMask, "00:00 cc;1;0");
  EXPECT_EQ(cxTimeEditGetFormat(tfHour, false).EditMask, "00 cc;1;0");
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMinSec, true).EditMask, "00:00:00;1;0");
  SetFormatSettings(TFormatSettings::Russian());
  cxTimeEditRebuildMasks();
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMinSec, false).EditMask, "00:00:00;1;0");
}

struct TypingCase {
  const char* Text;
  char32_t Char;
  int32_t Position;
  TcxTimePart Part;
  bool Use24;
  TcxTimeEditTypingResult Result;
  const char* After;
  int32_t Caret;
};

TEST_F(TimeEditTableTest, TypingRuleTable) {
  SetFormatSettings(TFormatSettings::English());
  const TypingCase cases[] = {
      {"00:00:00", U'3', 1, tpHour, true, ttrAccept, "00:00:00", 1},
      {"09:00:00", U'2', 1, tpHour, true, ttrConsumed, "20:00:00", 1},
      {"20:00:00", U'5', 2, tpHour, true, ttrAccept, "00:00:00", 1},
      {"10:00:00 AM", U'0', 1, tpHour, false, ttrConsumed, "01:00:00 AM", 1},
      {"00:00:00", U'7', 4, tpMin, true, ttrAccept, "00:00:00", 4},
      {"10:00:00 AM", U'p', 10, tpAMPM, false, ttrConsumed, "10:00:00 PM", 11},
      {"10:00:00 AM", U'x', 10, tpAMPM, false, ttrRefuse, "10:00:00 AM", 9},
      {"10:00:00 AM", U'm', 11, tpAMPM, false, ttrAccept, "10:00:00 AM", 10},
  };
  for (const TypingCase& c : cases) {
    std::u32string text = Utf8ToCodePoints(c.Text);
    char32_t ch = c.Char;
    TcxTimeEditTimePartInfo info;
    info.Part = c.Part;
    info.Start = c.Part == tpAMPM ? 10 : 1 + 3 * c.Part;
    info.Use24HourFormat = c.Use24;
    int32_t caret = -1;
    EXPECT_EQ(cxTimeEditCorrectTyping(text, ch, c.Position, info, caret), c.Result) << c.Text << " " << char(c.Char);
    EXPECT_EQ(Utf8FromCodePoints(text), c.After) << c.Text << " " << char(c.Char);
    EXPECT_EQ(caret, c.Caret) << c.Text << " " << char(c.Char);
  }
}

}  // namespace
