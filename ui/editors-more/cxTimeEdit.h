#pragma once
// The time editor: a spin editor for a time of day. Its text is laid out by a fixed standard mask chosen by
// TimeFormat and Use24HourFormat; typing is corrected digit by digit so that hours, minutes and seconds stay
// in range; the spin buttons, the arrow keys and the wheel step the part under the caret (hour, minute,
// second or the AM/PM designator). The value is a date-time: the time typed or spun joins the date part of
// the value assigned last, which the editor keeps.
//
// Sections: the format table and the routines that work on a time text alone (the date editor uses the
// typing rule for the time part of its own text).

#include <cstdint>

#include "rtl/System.h"
#include "rtl/TypInfo.h"

enum TcxTimeEditTimeFormat : uint8_t { tfHourMinSec, tfHourMin, tfHour };
RTL_ENUM(TcxTimeEditTimeFormat, tfHourMinSec, tfHourMin, tfHour)

// ---- the format table -----------------------------------------------------------------------------------------

// One cell of the table: the display format for the date-time formatting and the standard edit mask.
struct TcxTimeEditFormat {
  String DisplayFormat;
  String EditMask;
};

// The cell of a time format and clock. The 12-hour masks follow the regional AM/PM strings: they are made
// when the table is first read and again by cxTimeEditRebuildMasks.
const TcxTimeEditFormat& cxTimeEditGetFormat(TcxTimeEditTimeFormat ATimeFormat, bool AUse24HourFormat);
// Makes the three 12-hour masks again from the current regional settings.
void cxTimeEditRebuildMasks();

// ---- time parts ---------------------------------------------------------------------------------------------------

enum TcxTimePart : uint8_t { tpHour, tpMin, tpSec, tpAMPM };

// Seconds one step adds on a part: an hour, a minute, a second, half a day.
double cxTimeEditStep(TcxTimePart APart);

// Where a part of a time text lies. AmPmKind says which designators a 12-hour text shows: 0 "A"/"P",
// 1 "AM"/"PM", 2 the regional strings.
struct TcxTimeEditTimePartInfo {
  TcxTimePart Part = tpHour;
  int32_t Start = 1;  // 1-based
  int32_t Length = 2;
  uint8_t AmPmKind = 2;
  bool Use24HourFormat = true;
};

// The designators of an AM/PM kind.
void cxTimeEditGetAmPmStrings(uint8_t AAmPmKind, String& AAm, String& APm);

// What typing a character into a part does.
enum TcxTimeEditTypingResult : uint8_t {
  ttrAccept,    // the (possibly rewritten) character goes to ACaret
  ttrRefuse,    // nothing changes
  ttrConsumed   // the text was rewritten by the rule itself; the caret goes to ACaret; a typing error beep
};

// The typing rule of a time part. APosition is the 1-based position the character is typed at; AText is the
// whole text, which the rule may rewrite (the first digit of a part it corrects, or the whole designator).
// ACaret (0-based) comes back as the place the character goes to (accepted) or the caret after a rewrite
// (consumed).
TcxTimeEditTypingResult cxTimeEditCorrectTyping(std::u32string& AText, char32_t& AChar, int32_t APosition,
                                                const TcxTimeEditTimePartInfo& AInfo, int32_t& ACaret);
