// The time editor: the format table, the typing rule of the time parts, the properties, the mask mode and
// the editor control, and the unit's start-up (registration, the format listener, the calendar's hook).

#include "ui/editors-more/cxTimeEdit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "rtl/ClassRegistry.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "rtl/ObjLinks.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxVariants.h"
#include "ui/editors-more/cxCalendar.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditConsts.h"

namespace {

// A value of a type that holds no time, and a text that holds none at validation.
constexpr const char* cxSEditTimeConvertError = "Не могу преобразовать во время";
// Where the time digits of a text end, by TimeFormat.
constexpr int32_t kTimeEditDigitsEnd[3] = {8, 5, 2};

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

// ---- TcxTimeEditMaskMode ---------------------------------------------------------------------------------------

int32_t TcxTimeEditMaskMode::DesignatorStart() {
  auto* properties = dynamic_cast<TcxCustomTimeEditProperties*>(GetActiveProperties());
  if (!properties || properties->Uses24HourClock()) return Length();
  return std::min(properties->GetTimePartStart(tpAMPM) - 1, Length());
}

// As the standard mask's, except that a wider selection is cleared before the typing rule sees the text and
// that the character goes where the rule puts the caret.
bool TcxTimeEditMaskMode::PressSymbol(char32_t& AChar) {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return false;
  const int32_t length = Utf8Length(EditText());
  int32_t position = SelStart();
  if (length == 0 || position >= length || position >= Length()) return false;
  if (IsLiteralAt(position)) return TcxMaskEditStandardMode::PressSymbol(AChar);
  char32_t c = AChar;
  if (!FMaskObject.Item(position)->Check(c)) return false;
  if (SelLength() > 1) {
    PressDelete();
    SetSelection(position, 1);
  }
  if (!edit->GetFlag233(c, position + 1)) return false;
  if (c == 0) {
    Beep();
    return false;
  }
  position = SelStart();
  if (position >= Utf8Length(EditText())) return false;
  SetSelection(position, 1);
  inner->SetSelText(Utf8FromCodePoint(c));
  SetSelection(position, 1);
  PressRight();
  return false;
}

String TcxTimeEditMaskMode::GetFormattedText(const String& AText) {
  String formatted = TcxMaskEditStandardMode::GetFormattedText(AText);
  const int32_t start = DesignatorStart();
  if (start >= Length()) return formatted;
  std::u32string text = Utf8ToCodePoints(formatted);
  const char32_t blank = GetBlankChar();
  for (size_t i = static_cast<size_t>(start); i < text.size(); ++i)
    if (text[i] == blank && IsPlaceAt(static_cast<int32_t>(i))) text[i] = U' ';
  return Utf8FromCodePoints(text);
}

bool TcxTimeEditMaskMode::PressDelete() {
  TcxCustomMaskEdit* edit = Edit();
  IcxInnerTextEdit* inner = edit ? edit->GetInnerTextEdit() : nullptr;
  if (!inner) return false;
  const int32_t start = SelStart();
  std::u32string text = Utf8ToCodePoints(EditText());
  const int32_t end = std::min({start + SelLength(), static_cast<int32_t>(text.size()), DesignatorStart()});
  const char32_t blank = GetBlankChar();
  bool changed = false;
  for (int32_t i = start; i < end; ++i)
    if (IsPlaceAt(i) && text[static_cast<size_t>(i)] != blank) {
      text[static_cast<size_t>(i)] = blank;
      changed = true;
    }
  if (changed) {
    SetSelection(start, end - start);
    inner->SetSelText(Utf8FromCodePoints(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start))));
  }
  SetSelection(start, 0);
  AdjustCursorPosition();
  return false;
}

// ---- TcxCustomTimeEditProperties ----------------------------------------------------------------------------------

RTL_PUBLISHED(TcxTimeEditProperties) {
  prop("Alignment", &TcxTimeEditProperties::Alignment, &TcxTimeEditProperties::SetAlignment)
      .Stored(&TcxTimeEditProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxTimeEditProperties::AssignedValues, &TcxTimeEditProperties::SetAssignedValues);
  prop("AutoCorrectHours", &TcxTimeEditProperties::AutoCorrectHours, &TcxTimeEditProperties::SetAutoCorrectHours)
      .Default(true);
  prop("AutoSelect", &TcxTimeEditProperties::AutoSelect, &TcxTimeEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxTimeEditProperties::BeepOnError, &TcxTimeEditProperties::SetBeepOnError).Default(false);
  prop("Circular", &TcxTimeEditProperties::Circular, &TcxTimeEditProperties::SetCircular).Default(false);
  prop("HideSelection", &TcxTimeEditProperties::HideSelection, &TcxTimeEditProperties::SetHideSelection)
      .Default(true);
  prop("ImeMode", &TcxTimeEditProperties::ImeMode, &TcxTimeEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxTimeEditProperties::ImeName, &TcxTimeEditProperties::SetImeName);
  prop("ImmediatePost", &TcxTimeEditProperties::ImmediatePost, &TcxTimeEditProperties::SetImmediatePost)
      .Default(false);
  prop("ReadOnly", &TcxTimeEditProperties::ReadOnly, &TcxTimeEditProperties::SetReadOnly)
      .Stored(&TcxTimeEditProperties::IsReadOnlyStored);
  prop("ShowDate", &TcxTimeEditProperties::ShowDate, &TcxTimeEditProperties::SetShowDate).Default(false);
  prop("TimeFormat", &TcxTimeEditProperties::TimeFormat, &TcxTimeEditProperties::SetTimeFormat)
      .Default(tfHourMinSec);
  prop("UseCtrlIncrement", &TcxTimeEditProperties::UseCtrlIncrement, &TcxTimeEditProperties::SetUseCtrlIncrement)
      .Default(false);
  prop("UseLeftAlignmentOnEditing", &TcxTimeEditProperties::UseLeftAlignmentOnEditing,
       &TcxTimeEditProperties::SetUseLeftAlignmentOnEditing)
      .Stored(&TcxTimeEditProperties::IsUseLeftAlignmentOnEditingStored);
  prop("Use24HourFormat", &TcxTimeEditProperties::Use24HourFormat, &TcxTimeEditProperties::SetUse24HourFormat)
      .Default(true);
  prop("UseTimeFormatWhenUnfocused", &TcxTimeEditProperties::UseTimeFormatWhenUnfocused,
       &TcxTimeEditProperties::SetUseTimeFormatWhenUnfocused)
      .Default(true);
  prop("ValidateOnEnter", &TcxTimeEditProperties::ValidateOnEnter, &TcxTimeEditProperties::SetValidateOnEnter)
      .Default(true);
  event("OnChange", &TcxTimeEditProperties::OnChange, &TcxTimeEditProperties::OnChange);
  event("OnEditValueChanged", &TcxTimeEditProperties::OnEditValueChanged, &TcxTimeEditProperties::OnEditValueChanged);
  event("OnValidate", &TcxTimeEditProperties::OnValidate, &TcxTimeEditProperties::OnValidate);
}

TcxCustomTimeEditProperties::TcxCustomTimeEditProperties(TPersistent* AOwner) : TcxCustomSpinEditProperties(AOwner) {}

void TcxCustomTimeEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  BeginUpdate();
  try {
    SetValueType(vtFloat);
    SetMinValue(0);
    SetMaxValue(86399);
    SetIgnoreMaskBlank(true);
    SetAlwaysShowBlanksAndLiterals(true);
    ApplyTableMask();
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(false);
}

void TcxCustomTimeEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomTimeEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    FAutoCorrectHours = source->FAutoCorrectHours;
    SetShowDate(source->FShowDate);
    SetTimeFormat(source->FTimeFormat);
    SetUse24HourFormat(source->FUse24HourFormat);
    SetUseTimeFormatWhenUnfocused(source->FUseTimeFormatWhenUnfocused);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomTimeEditProperties::SetShowDate(bool Value) {
  if (FShowDate == Value) return;
  FShowDate = Value;
  Changed();
}

void TcxCustomTimeEditProperties::SetTimeFormat(TcxTimeEditTimeFormat Value) {
  if (FTimeFormat == Value) return;
  FTimeFormat = Value;
  ApplyTableMask();
  Changed();
}

void TcxCustomTimeEditProperties::SetUse24HourFormat(bool Value) {
  if (FUse24HourFormat == Value) return;
  FUse24HourFormat = Value;
  ApplyTableMask();
  Changed();
}

void TcxCustomTimeEditProperties::SetUseTimeFormatWhenUnfocused(bool Value) {
  if (FUseTimeFormatWhenUnfocused == Value) return;
  FUseTimeFormatWhenUnfocused = Value;
  Changed();
}

bool TcxCustomTimeEditProperties::Uses24HourClock() {
  if (FUse24HourFormat) return true;
  String am, pm;
  cxTimeEditGetAmPmStrings(GetAmPmKind(), am, pm);
  return am.empty() && pm.empty();
}

const TcxTimeEditFormat& TcxCustomTimeEditProperties::GetTimeFormatCell() {
  return cxTimeEditGetFormat(FTimeFormat, Uses24HourClock());
}

void TcxCustomTimeEditProperties::ApplyTableMask() { SetEditMask(GetTimeFormatCell().EditMask); }

void TcxCustomTimeEditProperties::DisplayFormatChanged() {
  // The masks of the table are made before the mask is read, whichever listener hears the change first.
  cxTimeEditRebuildMasks();
  BeginUpdate();
  try {
    ApplyTableMask();
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(false);
  inherited::DisplayFormatChanged();
}

int32_t TcxCustomTimeEditProperties::GetTimePartStart(TcxTimePart APart) {
  switch (APart) {
    case tpHour: return 1;
    case tpMin: return 4;
    case tpSec: return 7;
    default: return 10 - 3 * static_cast<int32_t>(FTimeFormat);
  }
}

TcxTimePart TcxCustomTimeEditProperties::GetTimePart(int32_t APosition) {
  if (MaxLength() > 0) APosition = std::min(APosition, MaxLength());
  if (!Uses24HourClock() && APosition > kTimeEditDigitsEnd[FTimeFormat]) return tpAMPM;
  const String format = UpperCase(GetTimeFormatCell().DisplayFormat);
  const int32_t length = static_cast<int32_t>(format.size());
  auto at = [&](int32_t p) { return p >= 1 && p <= length ? format[static_cast<size_t>(p - 1)] : '\0'; };
  APosition = std::clamp(APosition, 1, length);
  char c = at(APosition);
  if (c != 'H' && c != 'N' && c != 'S') c = at(APosition + 1);
  if (c == 'H') return tpHour;
  if (c == 'N') return tpMin;
  return tpSec;
}

void TcxCustomTimeEditProperties::GetTimePartInfo(int32_t APosition, TcxTimeEditTimePartInfo& AInfo) {
  AInfo.Part = GetTimePart(APosition);
  AInfo.Start = GetTimePartStart(AInfo.Part);
  AInfo.Length = GetTimePartLength();
  AInfo.AmPmKind = GetAmPmKind();
  AInfo.Use24HourFormat = Uses24HourClock();
}

TcxMaskEditModeClass TcxCustomTimeEditProperties::GetModeClass(TcxEditMaskKind) {
  return TcxMaskEditModeClass::Of<TcxTimeEditMaskMode>();
}

TClass TcxCustomTimeEditProperties::GetContainerClass() const { return TcxTimeEdit::StaticClass(); }

String TcxCustomTimeEditProperties::FormatTime(TDateTime AValue) {
  return TrimRight(FormatDateTime(GetTimeFormatCell().DisplayFormat, AValue));
}

bool TcxCustomTimeEditProperties::TryValueToDateTime(const Variant& AValue, TDateTime& AResult) {
  TDateTime value = 0;
  if (VarIsStr(AValue)) {
    if (!TryStrToDateTime(VarToStr(AValue), value)) return false;
  } else if (IsDateTimeVariant(AValue) || IsNumericVariant(AValue)) {
    try {
      value = VarAsType(AValue, varDouble).AsDouble();
    } catch (const Exception&) {
      return false;
    }
  } else {
    return false;
  }
  // Beyond the calendar a value has no time of day to show.
  if (!std::isfinite(value) || value < MinDateTime || value >= MaxDateTime + 1) return false;
  AResult = value;
  return true;
}

void TcxCustomTimeEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue)) {
    ADisplayValue = Variant(AEditFocused ? FormatTime(0) : String());
    return;
  }
  if (!IsDateTimeVariant(AEditValue) && !IsNumericVariant(AEditValue) && !VarIsStr(AEditValue))
    throw EConvertError(TranslateString(cxSEditTimeConvertError));
  // A value that cannot be read is shown as no value (an empty time to type into while editing): showing
  // the clock's time instead would let it pass for data.
  TDateTime value = 0;
  String text = AEditFocused ? FormatTime(0) : String();
  if (TryValueToDateTime(AEditValue, value)) {
    try {
      if (AEditFocused)
        text = FormatTime(value);
      else if (FShowDate && Trunc(value) != 0)
        text = TrimRight(DateTimeToStr(value));
      else if (FUseTimeFormatWhenUnfocused)
        text = FormatTime(value);
      else
        text = TrimRight(TimeToStr(value));
    } catch (const Exception&) {
      text = AEditFocused ? FormatTime(0) : String();
    }
  }
  ADisplayValue = Variant(text);
}

Variant TcxCustomTimeEditProperties::GetEmptyDisplayValue() { return Variant(FormatTime(0)); }

bool TcxCustomTimeEditProperties::NormalizeEditValue(Variant& AValue, bool) {
  if (!VarIsStr(AValue)) return true;
  TDateTime value = 0;
  if (!TryStrToDateTime(VarToStr(AValue), value)) return false;
  AValue = Variant(FormatTime(value));
  return true;
}

bool TcxCustomTimeEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue)) return true;
  if (VarIsStr(AEditValue)) {
    Variant value = AEditValue;
    return NormalizeEditValue(value, AEditFocused);
  }
  return IsDateTimeVariant(AEditValue) || IsNumericVariant(AEditValue);
}

void TcxCustomTimeEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  if (AErrorText.empty()) AErrorText = TranslateString(cxSEditTimeConvertError);
  // Neither the number check of the spin editor nor the mask's completeness: a time text is always whole.
  TcxCustomEditProperties::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}

int32_t TcxCustomTimeEditProperties::GetEditValueSource(bool AEditFocused) const {
  return const_cast<TcxCustomTimeEditProperties*>(this)->HasDataDisplayFormat(AEditFocused) ? 1 : 0;
}

// ---- TcxCustomTimeEdit ----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxTimeEdit) {
  prop("AutoSize", &TcxTimeEdit::AutoSize, &TcxTimeEdit::SetAutoSize).Default(true);
  prop("EditValue", &TcxTimeEdit::EditValue, &TcxTimeEdit::SetEditValue).Stored(&TcxTimeEdit::IsEditValueStored);
  prop("Properties", &TcxTimeEdit::Properties, &TcxTimeEdit::SetProperties);
  prop("Style", &TcxTimeEdit::Style, &TcxTimeEdit::SetStyle);
  prop("StyleDisabled", &TcxTimeEdit::StyleDisabled, &TcxTimeEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxTimeEdit::StyleFocused, &TcxTimeEdit::SetStyleFocused);
  prop("StyleHot", &TcxTimeEdit::StyleHot, &TcxTimeEdit::SetStyleHot);
  prop("Time", &TcxTimeEdit::Time, &TcxTimeEdit::SetTime).Stored(false);
  event("OnEditing", &TcxTimeEdit::OnEditing, &TcxTimeEdit::OnEditing);
}

TcxCustomTimeEdit::TcxCustomTimeEdit(TComponent* AOwner) : TcxCustomSpinEdit(AOwner) {}

void TcxCustomTimeEdit::AfterConstruction() {
  inherited::AfterConstruction();
  // The component's name is no time: it must not become the text.
  SetControlStyle(ControlStyle() - csSetCaption);
}

String TcxCustomTimeEdit::ReadText() { return DisplayText(); }

bool TcxCustomTimeEdit::WriteText(const String& AText) { return TrySetDisplayText(AText); }

double TcxCustomTimeEdit::SecondsOfText(const String& AText) {
  TcxCustomTimeEditProperties* properties = ActiveProperties();
  const std::u32string text = Utf8ToCodePoints(AText);
  auto number = [&](size_t from) {
    int32_t n = 0;
    for (size_t i = from; i < from + 2; ++i)
      if (i < text.size() && text[i] >= U'0' && text[i] <= U'9') n = n * 10 + static_cast<int32_t>(text[i] - U'0');
    return n;
  };
  const bool clock24 = properties->Uses24HourClock();
  int32_t hours = number(0);
  if (!clock24) hours %= 12;
  const int32_t minutes = properties->TimeFormat() != tfHour ? number(3) : 0;
  const int32_t seconds = properties->TimeFormat() == tfHourMinSec ? number(6) : 0;
  double result = hours * 3600.0 + minutes * 60.0 + seconds;
  if (!clock24) {
    String am, pm;
    cxTimeEditGetAmPmStrings(properties->GetAmPmKind(), am, pm);
    const String text = TrimRight(AText);
    if (!pm.empty() && text.size() >= pm.size() && text.compare(text.size() - pm.size(), pm.size(), pm) == 0)
      result += 43200;
  }
  return result;
}

TDateTime TcxCustomTimeEdit::TextToTime(const String& AText) {
  TcxCustomTimeEditProperties* properties = ActiveProperties();
  const bool clock24 = properties->Uses24HourClock();
  String text = AText, rest;
  if (!clock24) {
    const int32_t cut = kTimeEditDigitsEnd[properties->TimeFormat()];
    text = Utf8Copy(AText, 0, cut);
    rest = Utf8Copy(AText, cut, Utf8Length(AText));
  }
  if (Utf8Length(text) == 2) text += String(1, FormatSettings().TimeSeparator) + "00";
  if (!clock24) {
    String am, pm;
    cxTimeEditGetAmPmStrings(properties->GetAmPmKind(), am, pm);
    text += " " + (!am.empty() && Pos(am, rest) > 0 ? am : pm);
  }
  TDateTime time = 0;
  if (!TryStrToTime(text, time)) time = 0;
  return time;
}

void TcxCustomTimeEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  const TDateTime time = TextToTime(VarToStr(ADisplayValue));
  const double value = FSavedDate >= 0 ? FSavedDate + time : FSavedDate - time;
  AEditValue = value != 0 ? VarFromDateTime(value) : Variant(0);
}

void TcxCustomTimeEdit::AssignEditValue(const Variant& Value) {
  Variant value = Value;
  TDateTime date = 0;
  if (!VarIsNull(value) && ActiveProperties()->IsEditValueValid(value, IsEditFocused()) &&
      TcxCustomTimeEditProperties::TryValueToDateTime(Value, date))
    FSavedDate = Trunc(date);
  else
    FSavedDate = 0;
  inherited::AssignEditValue(Value);
}

TDateTime TcxCustomTimeEdit::GetTime() {
  TDateTime value = 0;
  if (IsEditFocused()) {
    value = TextToTime(DisplayText());
  } else if (!TcxCustomTimeEditProperties::TryValueToDateTime(EditValue(), value)) {
    value = 0;
  }
  return std::fabs(Frac(value));
}

void TcxCustomTimeEdit::SetTime(TDateTime Value) {
  const double time = std::fabs(Frac(Value));
  SetEditValue(VarFromDateTime(FSavedDate >= 0 ? FSavedDate + time : FSavedDate - time));
}

Variant TcxCustomTimeEdit::GetValue() { return Variant(SecondsOfText(DisplayText())); }

void TcxCustomTimeEdit::SetValue(const Variant& Value) {
  if (!IsNumericVariant(Value)) return;
  SetTime(VarAsType(Value, varDouble).AsDouble() * 1000 / MSecsPerDay);
}

String TcxCustomTimeEdit::GetDisplayTextForValue(const Variant& AValue) {
  Variant display;
  ActiveProperties()->ConvertToDisplayValue(VarFromDateTime(VarAsType(AValue, varDouble).AsDouble() * 1000 / MSecsPerDay),
                                            display, IsEditFocused());
  return VarToStr(display);
}

double TcxCustomTimeEdit::GetIncrement(TcxSpinEditStepKind AKind) {
  TcxCustomTimeEditProperties* properties = ActiveProperties();
  const TcxTimePart part = properties->GetTimePart(SelStart() + 1);
  if (part == tpAMPM)
    return SecondsOfText(DisplayText()) < 43200 ? cxTimeEditStep(tpAMPM) : -cxTimeEditStep(tpAMPM);
  double step = cxTimeEditStep(part);
  const bool fast = AKind == sskFastDown || AKind == sskFastUp;
  if (fast && part != tpHour) step *= 10;
  return AKind == sskDown || AKind == sskFastDown ? -step : step;
}

bool TcxCustomTimeEdit::DoIncrement(TcxSpinEditStepKind AKind) {
  TcxCustomTimeEditProperties* properties = ActiveProperties();
  const TcxTimePart part = properties->GetTimePart(SelStart() + 1);
  int32_t start = 0, length = 1;
  if (part == tpAMPM) {
      const std::u32string text = Utf8ToCodePoints(DisplayText());
    size_t first = static_cast<size_t>(kTimeEditDigitsEnd[properties->TimeFormat()]);
    while (first < text.size() && text[first] == U' ') ++first;
    start = static_cast<int32_t>(first);
    String am, pm;
    cxTimeEditGetAmPmStrings(properties->GetAmPmKind(), am, pm);
    // The designator the step turns the text into.
    length = Utf8Length(SecondsOfText(DisplayText()) >= 43200 ? am : pm);
  } else {
    start = properties->GetTimePartStart(part);  // the part's last digit (0-based)
  }
  TObjectLink<TcxCustomTimeEdit> alive(this);
  const bool changed = inherited::DoIncrement(AKind);
  if (alive) SetSelection(start, length);
  return changed;
}

bool TcxCustomTimeEdit::GetFlag233(char32_t& AChar, int32_t APosition) {
  IcxInnerTextEdit* inner = GetInnerTextEdit();
  if (!inner) return true;
  TcxTimeEditTimePartInfo info;
  ActiveProperties()->GetTimePartInfo(APosition, info);
  const String before = InnerText();
  std::u32string text = Utf8ToCodePoints(before);
  int32_t caret = APosition - 1;
  const TcxTimeEditTypingResult result = cxTimeEditCorrectTyping(text, AChar, APosition, info, caret);
  if (result == ttrRefuse) return false;
  const String after = Utf8FromCodePoints(text);
  if (after != before) SetInnerText(after);
  inner->SetSelStart(caret);
  inner->SetSelLength(caret < static_cast<int32_t>(text.size()) ? 1 : 0);
  if (result == ttrConsumed) AChar = 0;
  return true;
}

void TcxCustomTimeEdit::ApplyDisplayValue(const Variant& ADisplayValue) {
  // The mask would lay the blank out over the designator places: an empty 12-hour text goes in as it is.
  if (VarToStr(ADisplayValue).empty() && !ActiveProperties()->Uses24HourClock()) {
    TcxCustomTextEdit::ApplyDisplayValue(ADisplayValue);
    return;
  }
  inherited::ApplyDisplayValue(ADisplayValue);
}

void TcxCustomTimeEdit::PropertiesChanged(TObject* Sender) {
  if (DataBinding() && !IsEditDestroying() && !IsEditFocused() && HandleAllocated()) {
    DataBinding()->UpdateDisplayValue();
    if (IcxInnerTextEdit* inner = GetInnerTextEdit()) {
      inner->SetSelStart(Utf8Length(DisplayText()));
      inner->SetSelLength(0);
    }
  }
  inherited::PropertiesChanged(Sender);
}

// ---- TcxTimeEditFormatListener ----------------------------------------------------------------------------------

TcxTimeEditFormatListener::TcxTimeEditFormatListener(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {}

void TcxTimeEditFormatListener::AfterConstruction() {
  inherited::AfterConstruction();
  GetFormatController()->AddListener(this);
}

void TcxTimeEditFormatListener::BeforeDestruction() {
  GetFormatController()->RemoveListener(this);
  inherited::BeforeDestruction();
}

void TcxTimeEditFormatListener::FormatChanged() { cxTimeEditRebuildMasks(); }

// ---- start-up ---------------------------------------------------------------------------------------------------

namespace {

TcxTimeEditFormatListener* gTimeEditFormatListener = nullptr;
// The editor kind registry the unit registered with. cxEditFinalize frees it, and with it the calendar's
// time editor goes too: a calendar made after that gets none until the unit is initialised again.
TObjectLink<TcxRegisteredClasses> gTimeEditRegistry;

// The calendar's time editor: a time editor made with the calendar as owner, wrapping at midnight.
class TimeEditCalendarAdapter : public TcxCalendarTimeEditor {
public:
  TimeEditCalendarAdapter(TcxCustomCalendar* ACalendar, TNotifyEvent AOnChange) {
    FEdit = New<TcxTimeEdit>(ACalendar);
    FEdit->Properties()->SetCircular(true);
    FEdit->Properties()->OnChange = AOnChange;
  }
  TWinControl* Control() override { return FEdit; }
  TDateTime Time() override { return FEdit->Time(); }
  void SetTime(TDateTime Value) override { FEdit->SetTime(Value); }
  // The width of an editor showing the widest time of its format, buttons and border included.
  int32_t ContentWidth() override {
    TcxTimeEditProperties* properties = FEdit->ActiveProperties();
    SIZE size{0, 0};
    TcxEditSizeProperties request;
    properties->GetEditSize(GetContainerScreenCanvas(), FEdit->Style(), false,
                            VarFromDateTime(EncodeTime(23, 59, 59, 0)), request, size);
    return size.cx;
  }

private:
  TcxTimeEdit* FEdit;
};

}  // namespace

void cxTimeEditInitialize() {
  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  registry->Register(TcxTimeEditProperties::StaticClass(), cxSEditRepositoryTimeItem);
  RegisterClasses({TcxTimeEdit::StaticClass()});
  if (!gTimeEditFormatListener) gTimeEditFormatListener = New<TcxTimeEditFormatListener>(nullptr);
  cxTimeEditRebuildMasks();
  gTimeEditRegistry = TObjectLink<TcxRegisteredClasses>(registry);
  SetCalendarTimeEditorFactory([](TcxCustomCalendar* ACalendar, TNotifyEvent AOnChange) -> TcxCalendarTimeEditor* {
    if (!gTimeEditRegistry) return nullptr;
    return new TimeEditCalendarAdapter(ACalendar, AOnChange);
  });
}

void cxTimeEditFinalize() {
  SetCalendarTimeEditorFactory(nullptr);
  gTimeEditRegistry = TObjectLink<TcxRegisteredClasses>();
  if (gTimeEditFormatListener) std::exchange(gTimeEditFormatListener, nullptr)->Free();
}
