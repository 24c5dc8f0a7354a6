#pragma once
// The time editor: a spin editor for a time of day. Its text is laid out by a fixed standard mask chosen by
// TimeFormat and Use24HourFormat; typing is corrected digit by digit so that hours, minutes and seconds stay
// in range; the spin buttons, the arrow keys and the wheel step the part under the caret (hour, minute,
// second or the AM/PM designator). The value is a date-time: the time typed or spun joins the date part of
// the value assigned last, which the editor keeps.
//
// Sections: the format table and the routines that work on a time text alone (the date editor uses the
// typing rule for the time part of its own text); the mask mode; the properties; the editor control; the
// format listener and the unit's start-up.

#include <cstdint>
#include <string>

#include "rtl/DateTime.h"
#include "rtl/System.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxClasses.h"
#include "ui/editors-more/cxSpinEdit.h"
#include "ui/editors/cxFormats.h"
#include "ui/editors/cxMaskEdit.h"

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

// ---- the mask mode ------------------------------------------------------------------------------------------------

// The standard mask of every time editor, whatever MaskKind says: a typed character passes the typing rule
// of its part (which may move it onto the part's second digit), and Delete and Backspace leave the AM/PM
// designator as it is.
class TcxTimeEditMaskMode : public TcxMaskEditStandardMode {
  RTL_CLASS(TcxTimeEditMaskMode, TcxMaskEditStandardMode)
public:
  using TcxMaskEditStandardMode::TcxMaskEditStandardMode;
  bool PressSymbol(char32_t& AChar) override;
  bool PressDelete() override;
  // A designator shorter than its places is followed by blanks, not by the blank character.
  String GetFormattedText(const String& AText) override;

private:
  // The first 0-based position of the designator, or the mask length when the text shows none.
  int32_t DesignatorStart();
};

// ---- properties ---------------------------------------------------------------------------------------------------

class TcxCustomTimeEditProperties : public TcxCustomSpinEditProperties {
  RTL_CLASS(TcxCustomTimeEditProperties, TcxCustomSpinEditProperties)
public:
  explicit TcxCustomTimeEditProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // ---- new virtual operations, in slot order ----
  virtual void GetTimePartInfo(int32_t APosition, TcxTimeEditTimePartInfo& AInfo);
  virtual int32_t GetTimePartLength() { return 2; }
  virtual int32_t GetTimePartStart(TcxTimePart APart);
  virtual uint8_t GetAmPmKind() { return 2; }

  // ---- the spin editor's questions ----
  bool CanClampToBounds() override { return false; }
  bool ValidatesNumericText() override { return false; }
  bool KeepsSelectionOnIncrement() override { return true; }
  // A time editor's value never goes through the number normalisation: whatever it is given, 0.
  Variant NormalizeEditValue(const Variant& AValue) override { (void)AValue; return Variant(0); }

  // ---- the text and mask editors' questions ----
  bool SupportsValueBounds() override { return false; }
  uint8_t GetDisplayFormatOptions() const override {
    return cxEditDisplayFormatApplies | cxEditDisplayFormatWhileEditing;
  }
  TcxMaskEditModeClass GetModeClass(TcxEditMaskKind AKind) override;
  TClass GetContainerClass() const override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  Variant GetEmptyDisplayValue() override;
  bool NormalizeEditValue(Variant& AValue, bool AEditFocused) override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;
  int32_t GetEditValueSource(bool AEditFocused) const override;
  // The regional formats changed: the 12-hour masks are made again and the mask of the table applies.
  void DisplayFormatChanged() override;

  // ---- helpers ----
  // The part under a 1-based position of the text.
  TcxTimePart GetTimePart(int32_t APosition);
  // Whether the text is on the 24-hour clock: asked for, or forced because the regional designators are
  // both empty (a 12-hour text without them would lose the half of the day).
  bool Uses24HourClock();
  // The cell of the table in force.
  const TcxTimeEditFormat& GetTimeFormatCell();
  // The display format of the table, applied to a value with the trailing blanks removed.
  String FormatTime(TDateTime AValue);
  // Reads a value as a date-time: text is parsed, numbers and dates taken as they are; false when it cannot
  // be read (an unparsable text, a number outside the calendar).
  static bool TryValueToDateTime(const Variant& AValue, TDateTime& AResult);

  // ---- properties ----
  bool AutoCorrectHours() const { return FAutoCorrectHours; }
  void SetAutoCorrectHours(bool Value) { FAutoCorrectHours = Value; }
  bool ShowDate() const { return FShowDate; }
  void SetShowDate(bool Value);
  TcxTimeEditTimeFormat TimeFormat() const { return FTimeFormat; }
  void SetTimeFormat(TcxTimeEditTimeFormat Value);
  bool Use24HourFormat() const { return FUse24HourFormat; }
  void SetUse24HourFormat(bool Value);
  bool UseTimeFormatWhenUnfocused() const { return FUseTimeFormatWhenUnfocused; }
  void SetUseTimeFormatWhenUnfocused(bool Value);

private:
  // Puts the mask of the table into EditMask.
  void ApplyTableMask();

  bool FAutoCorrectHours = true;
  bool FShowDate = false;
  TcxTimeEditTimeFormat FTimeFormat = tfHourMinSec;
  bool FUse24HourFormat = true;
  bool FUseTimeFormatWhenUnfocused = true;
};

class TcxTimeEditProperties : public TcxCustomTimeEditProperties {
  RTL_CLASS(TcxTimeEditProperties, TcxCustomTimeEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomTimeEditProperties::TcxCustomTimeEditProperties;
};

// ---- the editor control -------------------------------------------------------------------------------------------

class TcxCustomTimeEdit : public TcxCustomSpinEdit {
  RTL_CLASS(TcxCustomTimeEdit, TcxCustomSpinEdit)
public:
  explicit TcxCustomTimeEdit(TComponent* AOwner);
  void AfterConstruction() override;

  // The time of day (a date-time fraction) of the text while focused, else of the edit value; 0 for a
  // value that cannot be read.
  TDateTime GetTime();
  TDateTime Time() { return GetTime(); }
  // The edit value becomes the kept date with this time of day.
  void SetTime(TDateTime Value);
  // The whole-day part of the value assigned last.
  double SavedDate() const { return FSavedDate; }

  // ---- the spin editor's operations ----
  double GetIncrement(TcxSpinEditStepKind AKind) override;
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  String GetDisplayTextForValue(const Variant& AValue) override;
  bool DoIncrement(TcxSpinEditStepKind AKind) override;

  // ---- the editor core's and the mask editor's operations ----
  TClass GetPropertiesClass() const override { return TcxCustomTimeEditProperties::StaticClass(); }
  bool GetFlag233(char32_t& AChar, int32_t APosition) override;
  void ClearEditValue() override { SetTime(0); }
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void AssignEditValue(const Variant& Value) override;
  void ApplyDisplayValue(const Variant& ADisplayValue) override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomSpinEdit::PropertiesChanged;
  bool IsValidChar(char32_t AChar) override { (void)AChar; return true; }
  String ReadText() override;
  bool WriteText(const String& AText) override;

  TcxCustomTimeEditProperties* ActiveProperties() {
    return static_cast<TcxCustomTimeEditProperties*>(GetActiveProperties());
  }
  TcxCustomTimeEditProperties* Properties() const {
    return static_cast<TcxCustomTimeEditProperties*>(TcxCustomEdit::Properties());
  }

protected:
  // The seconds of the day a text shows (its date part is the kept date's business).
  double SecondsOfText(const String& AText);
  // The time a text shows, 0 when it cannot be read.
  TDateTime TextToTime(const String& AText);

  double FSavedDate = 0;
};

class TcxTimeEdit : public TcxCustomTimeEdit {
  RTL_CLASS(TcxTimeEdit, TcxCustomTimeEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomTimeEdit::TcxCustomTimeEdit;
  TClass GetPropertiesClass() const override { return TcxTimeEditProperties::StaticClass(); }
  TcxTimeEditProperties* Properties() const {
    return static_cast<TcxTimeEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxTimeEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxTimeEditProperties* ActiveProperties() {
    return static_cast<TcxTimeEditProperties*>(GetActiveProperties());
  }
};

// ---- the format listener and the unit's start-up --------------------------------------------------------------------

// The one listener that makes the 12-hour masks again when the regional formats change.
class TcxTimeEditFormatListener : public TcxInterfacedPersistent, public IcxFormatChangeListener {
  RTL_CLASS(TcxTimeEditFormatListener, TcxInterfacedPersistent)
public:
  explicit TcxTimeEditFormatListener(TPersistent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void FormatChanged() override;
};

// Registers the time edit kind, makes the format listener and gives date-time calendars their time editor
// (once; later calls find them there). Calendars made after cxEditFinalize get no time editor until this
// runs again.
void cxTimeEditInitialize();
// Undoes cxTimeEditInitialize: the listener goes and calendars get no time editor. The program calls it at
// its end, tests in their teardown.
void cxTimeEditFinalize();
