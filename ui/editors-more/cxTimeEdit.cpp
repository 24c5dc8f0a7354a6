// The time editor: the format table, the typing rule of the time parts, the properties, the mask mode and
// the editor control, and the unit's start-up (registration, the format listener, the calendar's hook).

#include "ui/editors-more/cxTimeEdit.h"

#include <algorithm>
#include <array>
#include <string>

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

// ---- the format table ---------------------------------------------------------------------------------------

struct TimeEditFormatTable {
  // Rows by TimeFormat, columns by Use24HourFormat (false, true).
  std::array<std::array<TcxTimeEditFormat, 2>, 3> Cells{{
      {{{"hh:nn:ss ampm", "00:00:00 LL;1;0"}, {"hh:nn:ss", "00:00:00;1;0"}}},
      {{{"hh:nn ampm", "00:00 LL;1;0"}, {"hh:nn", "00:00;1;0"}}},
      {{{"hh ampm", "00 LL;1;0"}, {"hh", "00;1;0"}}},
  }};
  bool Built = false;
};

TimeEditFormatTable& TimeEditTable() {
  static TimeEditFormatTable table;
  return table;
}

// The designator part of a 12-hour mask: what follows the time digits of a formatted time, each character
// but a blank taken by an any-character place. Both halves of the day are formatted and the longer is
// used, so that neither designator is cut short by the mask.
String TimeEditDesignatorMask() {
  std::u32string longest;
  for (TDateTime t : {TDateTime(1.5), TDateTime(1.0)}) {
    std::u32string s = Utf8ToCodePoints(FormatDateTime("hh:mm:ss AMPM", t));
    std::u32string part = s.size() > 8 ? s.substr(8) : std::u32string();
    for (char32_t& c : part)
      if (c != U' ') c = U'c';
    while (!part.empty() && part.back() == U' ') part.pop_back();
    if (part.size() > longest.size()) longest = part;
  }
  return Utf8FromCodePoints(longest);
}

char32_t TimeEditUpperAscii(char32_t c) { return c >= U'a' && c <= U'z' ? c - 32 : c; }
bool TimeEditSameAscii(char32_t a, char32_t b) { return TimeEditUpperAscii(a) == TimeEditUpperAscii(b); }
int32_t TimeEditDigit(char32_t c) { return c >= U'0' && c <= U'9' ? static_cast<int32_t>(c - U'0') : 0; }

TcxTimeEditTypingResult TimeEditCorrectDesignator(std::u32string& AText, char32_t& AChar, int32_t APosition,
                                                  const TcxTimeEditTimePartInfo& AInfo, int32_t& ACaret) {
  String am, pm;
  cxTimeEditGetAmPmStrings(AInfo.AmPmKind, am, pm);
  const std::u32string a = Utf8ToCodePoints(am), p = Utf8ToCodePoints(pm);
  const size_t index = static_cast<size_t>(APosition - AInfo.Start);  // 0-based inside the designator
  if (APosition < AInfo.Start || APosition > static_cast<int32_t>(AText.size())) return ttrRefuse;
  // The first place at which the two designators differ; equal ones have none, and every place then
  // counts as lying after it.
  size_t dividing = SIZE_MAX;
  const size_t common = std::min(a.size(), p.size());
  for (size_t k = 0; k < common; ++k)
    if (!TimeEditSameAscii(a[k], p[k])) {
      dividing = k;
      break;
    }
  if (dividing == SIZE_MAX && a.size() != p.size()) dividing = common;
  if (dividing != SIZE_MAX && index < dividing) {
    if (index >= a.size() || !TimeEditSameAscii(AChar, a[index])) return ttrRefuse;
    AChar = a[index];
    return ttrAccept;
  }
  if (dividing == SIZE_MAX || index > dividing) {
    const char32_t shown = AText[static_cast<size_t>(APosition - 1)];
    if (!TimeEditSameAscii(AChar, shown)) return ttrRefuse;
    AChar = shown;
    return ttrAccept;
  }
  const std::u32string* chosen = nullptr;
  if (index < a.size() && TimeEditSameAscii(AChar, a[index]))
    chosen = &a;
  else if (index < p.size() && TimeEditSameAscii(AChar, p[index]))
    chosen = &p;
  if (!chosen) return ttrRefuse;
  // The designator keeps the width the text gives it, so that the text still fits its mask.
  const size_t start = static_cast<size_t>(AInfo.Start - 1);
  const size_t width = std::min(std::max(a.size(), p.size()), AText.size() - start);
  std::u32string designator = *chosen;
  designator.resize(width, U' ');
  AText.replace(start, width, designator);
  ACaret = std::min(AInfo.Start - 1 + AInfo.Length, static_cast<int32_t>(AText.size()));
  return ttrConsumed;
}

}  // namespace

// ---- the format table ---------------------------------------------------------------------------------------

const TcxTimeEditFormat& cxTimeEditGetFormat(TcxTimeEditTimeFormat ATimeFormat, bool AUse24HourFormat) {
  TimeEditFormatTable& table = TimeEditTable();
  if (!table.Built) cxTimeEditRebuildMasks();
  return table.Cells[std::min<size_t>(ATimeFormat, 2)][AUse24HourFormat ? 1 : 0];
}

void cxTimeEditRebuildMasks() {
  TimeEditFormatTable& table = TimeEditTable();
  const String designator = TimeEditDesignatorMask();
  static const char* const digits[3] = {"00:00:00", "00:00", "00"};
  for (size_t row = 0; row < 3; ++row) table.Cells[row][0].EditMask = String(digits[row]) + designator + ";1;0";
  table.Built = true;
}

double cxTimeEditStep(TcxTimePart APart) {
  static const double steps[4] = {3600, 60, 1, 43200};
  return steps[std::min<size_t>(APart, 3)];
}

void cxTimeEditGetAmPmStrings(uint8_t AAmPmKind, String& AAm, String& APm) {
  switch (AAmPmKind) {
    case 0:
      AAm = "A";
      APm = "P";
      break;
    case 1:
      AAm = "AM";
      APm = "PM";
      break;
    default:
      AAm = FormatSettings().TimeAMString;
      APm = FormatSettings().TimePMString;
      break;
  }
}

TcxTimeEditTypingResult cxTimeEditCorrectTyping(std::u32string& AText, char32_t& AChar, int32_t APosition,
                                                const TcxTimeEditTimePartInfo& AInfo, int32_t& ACaret) {
  ACaret = APosition - 1;
  if (AInfo.Part == tpAMPM) return TimeEditCorrectDesignator(AText, AChar, APosition, AInfo, ACaret);
  const int32_t place = APosition - AInfo.Start;  // 0 the first digit, 1 the second
  if (place < 0 || place > 1) return ttrAccept;
  if (AChar < U'0' || AChar > U'9') return ttrRefuse;
  const size_t first = static_cast<size_t>(AInfo.Start - 1);
  if (AText.size() < first + 2) AText.resize(first + 2, U'0');
  char32_t digits[2] = {AText[first], AText[first + 1]};
  const char32_t previousFirst = digits[0];
  digits[place] = AChar;
  int32_t low = 0, high = 59;
  if (AInfo.Part == tpHour) {
    low = AInfo.Use24HourFormat ? 0 : 1;
    high = AInfo.Use24HourFormat ? 23 : 12;
  }
  const int32_t value = TimeEditDigit(digits[0]) * 10 + TimeEditDigit(digits[1]);
  if (value >= low && value <= high) return ttrAccept;
  ACaret = static_cast<int32_t>(first) + 1;
  if (place == 1) {
    // A second digit out of range: the part becomes a single digit, unless that would be zero.
    if (AChar == U'0') {
      ACaret = APosition - 1;
      return ttrRefuse;
    }
    AText[first] = U'0';
    return ttrAccept;
  }
  if (AChar == U'0') {
    AText[first] = U'0';
    AText[first + 1] = previousFirst;
    return ttrConsumed;
  }
  if (AChar > static_cast<char32_t>(U'0' + high / 10)) {
    // Too big for a first digit: it is meant as the only one.
    AText[first] = U'0';
    return ttrAccept;
  }
  AText[first] = AChar;
  AText[first + 1] = U'0';
  return ttrConsumed;
}
