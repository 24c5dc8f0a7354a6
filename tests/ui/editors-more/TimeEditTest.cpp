// The time editor on a headless form with real messages and a fixed clock (10:30 on 5 February 2008):
// the table of masks and texts per time format and clock, the typing rule (through typed keys and as a
// routine), stepping the part under the caret, the kept date, the regional change that rebuilds the
// 12-hour masks, an unreadable value (shown empty, never replaced by the clock's time), the registration
// and the calendar's time editor.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Clock.h"
#include "rtl/DateTime.h"
#include "rtl/Filer.h"
#include "rtl/Files.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxCalendar.h"
#include "ui/editors-more/cxTimeEdit.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxFormats.h"
#include "winapi/Headless.h"

namespace {

// The English profile with the 24-hour separators of the tests; its designators are "AM" and "PM".
TFormatSettings TimeEditEnglish() { return TFormatSettings::English(); }

class TimeEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    dynamic_cast<TTestClock&>(CurrentClock()).SetNow(EncodeDate(2008, 2, 5) + EncodeTime(10, 30, 0, 0));
    UseLocale(TimeEditEnglish());
    InitForms();
    cxTimeEditInitialize();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 600, 400);
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 300, 100, 21);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxTimeEditFinalize();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    DoneEditPaintUtils();
    DoneLookAndFeels();
    DoneThemeManager();
    UseLocale(TFormatSettings::Russian());
    headless::Shutdown();
  }
  static void UseLocale(const TFormatSettings& fs) {
    SetFormatSettings(fs);
    cxTimeEditRebuildMasks();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  TcxTimeEdit* Make(TcxTimeEditTimeFormat AFormat = tfHourMinSec, bool AUse24 = true) {
    auto* edit = New<TcxTimeEdit>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    edit->Properties()->SetTimeFormat(AFormat);
    edit->Properties()->SetUse24HourFormat(AUse24);
    edit->Properties()->OnEditValueChanged = TNotifyEvent([this](TObject*) { ++ValueChanges; });
    Idle();
    return edit;
  }
  static void Focus(TWinControl* AControl) {
    AControl->SetFocus();
    Idle();
  }
  static void Key(int AKey) {
    headless::KeyPress(AKey);
    Idle();
  }
  static void Type(const char* AText) {
    headless::TypeText(AText);
    Idle();
  }
  static void PutCaret(TcxTimeEdit* AEdit, int32_t AIndex) {
    AEdit->SetSelStart(AIndex);
    Idle();
  }
  static int32_t Caret(TcxTimeEdit* AEdit) { return AEdit->GetInnerTextEdit()->GetSelStart(); }
  static int32_t Selected(TcxTimeEdit* AEdit) { return AEdit->GetInnerTextEdit()->GetSelLength(); }
  static TDateTime At(int h, int m, int s) { return EncodeTime(uint16_t(h), uint16_t(m), uint16_t(s), 0); }
  static String Hms(TDateTime ATime) { return FormatDateTime("hh:nn:ss", ATime); }

  TForm* Form = nullptr;
  TEdit* Other = nullptr;
  int ValueChanges = 0;
};

// ---- the format table ---------------------------------------------------------------------------------------

TEST_F(TimeEditTest, MaskAndTextPerTimeFormatAndClock) {
  struct Row {
    TcxTimeEditTimeFormat Format;
    bool Use24;
    const char* Mask;
    const char* Unfocused;
    const char* Focused;
  };
  const Row rows[] = {
      {tfHourMinSec, false, "00:00:00 cc;1;0", "01:45:30 PM", "01:45:30 PM"},
      {tfHourMinSec, true, "00:00:00;1;0", "13:45:30", "13:45:30"},
      {tfHourMin, false, "00:00 cc;1;0", "01:45 PM", "01:45 PM"},
      {tfHourMin, true, "00:00;1;0", "13:45", "13:45"},
      {tfHour, false, "00 cc;1;0", "01 PM", "01 PM"},
      {tfHour, true, "00;1;0", "13", "13"},
  };
  for (const Row& r : rows) {
    TcxTimeEdit* edit = Make(r.Format, r.Use24);
    edit->SetEditValue(VarFromDateTime(At(13, 45, 30)));
    Idle();
    EXPECT_EQ(edit->Properties()->EditMask(), r.Mask) << r.Mask;
    EXPECT_EQ(edit->Text(), r.Unfocused) << r.Mask;
    Focus(edit);
    EXPECT_EQ(edit->InnerText(), r.Focused) << r.Mask;
    Focus(Other);
    edit->Free();
  }
}

TEST_F(TimeEditTest, NewEditorShowsMidnightWithTheRegionalSeparator) {
  TFormatSettings dotted = TimeEditEnglish();
  dotted.TimeSeparator = '.';
  UseLocale(dotted);
  TcxTimeEdit* edit = Make();
  EXPECT_EQ(edit->Text(), "00.00.00");
  Focus(edit);
  EXPECT_EQ(edit->InnerText(), "00.00.00");
  EXPECT_EQ(Caret(edit), 0);
}

// Without regional designators a 12-hour text could not tell the morning from the evening: such an
// editor stays on the 24-hour clock.
TEST_F(TimeEditTest, TwelveHourClockWithoutDesignatorsKeepsTheHalfOfTheDay) {
  UseLocale(TFormatSettings::Russian());
  TcxTimeEdit* edit = Make(tfHourMinSec, false);
  EXPECT_EQ(edit->Properties()->EditMask(), "00:00:00;1;0");
  edit->SetEditValue(VarFromDateTime(At(21, 5, 0)));
  Idle();
  EXPECT_EQ(edit->Text(), "21:05:00");
  Focus(edit);
  PutCaret(edit, 4);
  Type("7");
  Focus(Other);
  EXPECT_EQ(Hms(edit->Time()), "21:07:00");
}

// ---- typing ----------------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, TypingCorrectionTable) {
  struct Case {
    bool Use24;
    TDateTime Start;
    int32_t Caret;
    const char* Typed;
    const char* Shown;
    int32_t CaretAfter;
  };
  const Case cases[] = {
      {true, At(0, 0, 0), 0, "3", "03:00:00", 3},      // too big for the tens: it is the hour
      {true, At(9, 0, 0), 0, "2", "20:00:00", 1},      // "29" would be no hour: 20, on the second digit
      {true, At(0, 0, 0), 0, "25", "05:00:00", 3},     // a second digit too big makes a one-digit hour
      {true, At(0, 0, 0), 0, "1234", "12:34:00", 6},   // in range as typed, past the separators
      {true, At(0, 0, 0), 3, "7", "00:07:00", 6},      // minutes tens above 5
      {true, At(0, 0, 0), 6, "6", "00:00:06", 8},      // seconds tens above 5: the units
      {true, At(0, 0, 0), 0, "x", "00:00:00", 0},      // not a digit
      {true, At(20, 0, 0), 1, "0", "20:00:00", 3},     // a correct second digit
      {false, At(10, 0, 0), 0, "0", "01:00:00 AM", 1}, // 12-hour: "00" is no hour, 0 then the old tens
      {false, At(0, 0, 0), 0, "15", "05:00:00 AM", 3}, // 12-hour "15" becomes 05
      {false, At(10, 0, 0), 9, "p", "10:00:00 PM", 11},
      {false, At(22, 0, 0), 9, "A", "10:00:00 AM", 11},
      {false, At(10, 0, 0), 9, "z", "10:00:00 AM", 9},
      {false, At(10, 0, 0), 10, "m", "10:00:00 AM", 11},
  };
  for (const Case& c : cases) {
    TcxTimeEdit* edit = Make(tfHourMinSec, c.Use24);
    edit->SetEditValue(VarFromDateTime(c.Start));
    Focus(edit);
    PutCaret(edit, c.Caret);
    Type(c.Typed);
    EXPECT_EQ(edit->InnerText(), c.Shown) << c.Typed << " at " << c.Caret;
    EXPECT_EQ(Caret(edit), c.CaretAfter) << c.Typed << " at " << c.Caret;
    Focus(Other);
    edit->Free();
  }
}

// A correction the rule writes itself is typing like any other: it is posted on exit.
TEST_F(TimeEditTest, CorrectedTextIsPostedOnExit) {
  TcxTimeEdit* edit = Make(tfHourMinSec, false);
  edit->SetEditValue(VarFromDateTime(At(10, 0, 0)));
  Focus(edit);
  PutCaret(edit, 0);
  Type("0");
  PutCaret(edit, 9);
  Type("P");
  EXPECT_EQ(edit->InnerText(), "01:00:00 PM");
  Focus(Other);
  EXPECT_EQ(Hms(edit->Time()), "13:00:00");
  EXPECT_EQ(edit->Text(), "01:00:00 PM");
  // Text written by code goes through the same conversion.
  edit->SetText("11:15:00 AM");
  EXPECT_EQ(Hms(VarToDateTime(edit->EditValue())), "11:15:00");
}

TEST_F(TimeEditTest, DeleteBlanksDigitsButLeavesTheDesignator) {
  TcxTimeEdit* edit = Make(tfHourMinSec, false);
  edit->SetEditValue(VarFromDateTime(At(23, 59, 58)));
  Focus(edit);
  edit->SelectAll();
  Key(VK_DELETE);
  EXPECT_EQ(edit->InnerText(), "00:00:00 PM");
}

TEST_F(TimeEditTest, TypingRuleAsARoutine) {
  struct Case {
    const char* Text;
    char32_t Char;
    int32_t Position;
    TcxTimePart Part;
    bool Use24;
    uint8_t AmPmKind;
    TcxTimeEditTypingResult Result;
    const char* After;
    char32_t CharAfter;
    int32_t Caret;
  };
  const Case cases[] = {
      {"00:00:00", U'3', 1, tpHour, true, 2, ttrAccept, "00:00:00", U'3', 1},
      {"09:00:00", U'2', 1, tpHour, true, 2, ttrConsumed, "20:00:00", U'2', 1},
      {"20:00:00", U'5', 2, tpHour, true, 2, ttrAccept, "00:00:00", U'5', 1},
      {"10:00:00", U'0', 2, tpHour, false, 2, ttrAccept, "10:00:00", U'0', 1},
      {"00:00:00", U'0', 2, tpHour, false, 2, ttrRefuse, "00:00:00", U'0', 1},
      {"00:50:00", U'9', 5, tpMin, true, 2, ttrAccept, "00:50:00", U'9', 4},
      {"10:00:00 AM", U'p', 10, tpAMPM, false, 2, ttrConsumed, "10:00:00 PM", U'p', 11},
      {"10:00:00 AM", U'x', 10, tpAMPM, false, 2, ttrRefuse, "10:00:00 AM", U'x', 9},
      {"10:00:00 AM", U'm', 11, tpAMPM, false, 2, ttrAccept, "10:00:00 AM", U'M', 10},
      {"10:00:00 A", U'p', 10, tpAMPM, false, 0, ttrConsumed, "10:00:00 P", U'p', 10},
  };
  for (const Case& c : cases) {
    std::u32string text = Utf8ToCodePoints(c.Text);
    char32_t ch = c.Char;
    TcxTimeEditTimePartInfo info;
    info.Part = c.Part;
    info.Start = c.Part == tpAMPM ? 10 : 1 + 3 * c.Part;
    info.Use24HourFormat = c.Use24;
    info.AmPmKind = c.AmPmKind;
    int32_t caret = -1;
    EXPECT_EQ(cxTimeEditCorrectTyping(text, ch, c.Position, info, caret), c.Result) << c.Text << " " << char(c.Char);
    EXPECT_EQ(Utf8FromCodePoints(text), c.After) << c.Text << " " << char(c.Char);
    EXPECT_EQ(ch, c.CharAfter) << c.Text << " " << char(c.Char);
    EXPECT_EQ(caret, c.Caret) << c.Text << " " << char(c.Char);
  }
}

// ---- stepping -------------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, SteppingThePartUnderTheCaret) {
  struct Case {
    bool Use24;
    bool Circular;
    TDateTime Start;
    int32_t Caret;
    int Key;
    const char* Shown;
    int32_t SelStart;
    int32_t SelLength;
  };
  const Case cases[] = {
      {true, false, At(10, 30, 0), 0, VK_UP, "11:30:00", 1, 1},
      {true, false, At(10, 30, 0), 0, VK_PRIOR, "11:30:00", 1, 1},     // hours: one hour either way
      {true, false, At(10, 30, 0), 3, VK_PRIOR, "10:40:00", 4, 1},     // minutes: ten at a time
      {true, false, At(10, 30, 0), 4, VK_DOWN, "10:29:00", 4, 1},
      {true, false, At(10, 30, 5), 7, VK_NEXT, "10:29:55", 7, 1},
      {true, false, At(23, 30, 0), 0, VK_UP, "23:30:00", 1, 1},        // past midnight: refused
      {true, true, At(23, 30, 0), 0, VK_UP, "00:30:00", 1, 1},         // ... unless circular
      {true, true, At(0, 0, 0), 6, VK_DOWN, "23:59:59", 7, 1},
      {true, false, At(0, 0, 0), 6, VK_DOWN, "00:00:00", 7, 1},
      {false, false, At(10, 15, 0), 9, VK_UP, "10:15:00 PM", 9, 2},    // the designator toggles
      {false, false, At(22, 15, 0), 9, VK_UP, "10:15:00 AM", 9, 2},    // up and down alike
      {false, false, At(22, 15, 0), 10, VK_DOWN, "10:15:00 AM", 9, 2},
  };
  for (const Case& c : cases) {
    TcxTimeEdit* edit = Make(tfHourMinSec, c.Use24);
    edit->Properties()->SetCircular(c.Circular);
    edit->SetEditValue(VarFromDateTime(c.Start));
    Focus(edit);
    PutCaret(edit, c.Caret);
    Key(c.Key);
    EXPECT_EQ(edit->InnerText(), c.Shown) << Hms(c.Start) << " caret " << c.Caret << " key " << c.Key;
    EXPECT_EQ(Caret(edit), c.SelStart) << Hms(c.Start) << " caret " << c.Caret << " key " << c.Key;
    EXPECT_EQ(Selected(edit), c.SelLength) << Hms(c.Start) << " caret " << c.Caret << " key " << c.Key;
    Focus(Other);
    edit->Free();
  }
}

TEST_F(TimeEditTest, SteppedTimeIsPostedOnExit) {
  TcxTimeEdit* edit = Make();
  edit->SetEditValue(VarFromDateTime(At(8, 0, 0)));
  Focus(edit);
  PutCaret(edit, 3);
  Key(VK_PRIOR);
  Key(VK_UP);
  Focus(Other);
  EXPECT_EQ(Hms(edit->Time()), "08:11:00");
  EXPECT_EQ(VarType(edit->EditValue()), varDate);
}

// ---- the kept date ------------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, TypedTimeKeepsTheDateOfTheLastValue) {
  TcxTimeEdit* edit = Make(tfHourMin);
  const TDateTime day = EncodeDate(2024, 5, 1);
  edit->SetEditValue(VarFromDateTime(day + At(10, 0, 0)));
  Idle();
  EXPECT_EQ(edit->Text(), "10:00");
  EXPECT_DOUBLE_EQ(edit->SavedDate(), day);
  Focus(edit);
  Key(VK_HOME);
  Type("1115");
  Focus(Other);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", VarToDateTime(edit->EditValue())), "2024-05-01 11:15:00");
  EXPECT_EQ(Hms(edit->Time()), "11:15:00");
  // Time replaces only the time of day; before 1899-12-30 the time counts away from zero.
  edit->SetTime(At(6, 0, 0));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", VarToDateTime(edit->EditValue())), "2024-05-01 06:00:00");
  edit->SetEditValue(VarFromDateTime(-1.25));
  edit->SetTime(At(18, 0, 0));
  EXPECT_DOUBLE_EQ(VarToDateTime(edit->EditValue()), -1.75);
  // A date shows unfocused only when asked for.
  edit->SetEditValue(VarFromDateTime(day + At(10, 0, 0)));
  edit->Properties()->SetShowDate(true);
  Idle();
  EXPECT_EQ(edit->Text(), DateTimeToStr(day + At(10, 0, 0)));
}

// ---- regional settings --------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, RegionalChangeRebuildsTheTwelveHourMasks) {
  TcxTimeEdit* edit = Make(tfHourMinSec, false);
  edit->SetEditValue(VarFromDateTime(At(13, 45, 30)));
  Idle();
  EXPECT_EQ(edit->Properties()->EditMask(), "00:00:00 cc;1;0");
  // Longer designators, the morning's the longer one: the mask takes room for both.
  TFormatSettings german = TimeEditEnglish();
  german.TimeAMString = "vorm.";
  german.TimePMString = "nm.";
  SetFormatSettings(german);  // the regional change reaches the listeners
  Idle();
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMin, false).EditMask, "00:00 ccccc;1;0");
  EXPECT_EQ(edit->Properties()->EditMask(), "00:00:00 ccccc;1;0");
  EXPECT_EQ(edit->Text(), "01:45:30 nm.");
  edit->SetTime(At(9, 0, 0));
  Idle();
  EXPECT_EQ(edit->Text(), "09:00:00 vorm.");
  Focus(edit);
  EXPECT_EQ(edit->InnerText(), "09:00:00 vorm.");
  PutCaret(edit, 9);
  Key(VK_UP);
  EXPECT_EQ(edit->InnerText(), "09:00:00 nm.");
  Focus(Other);
  EXPECT_EQ(Hms(edit->Time()), "21:00:00");
  // No designators at all: the 12-hour masks are the 24-hour ones.
  SetFormatSettings(TFormatSettings::Russian());
  Idle();
  EXPECT_EQ(cxTimeEditGetFormat(tfHourMinSec, false).EditMask, "00:00:00;1;0");
  EXPECT_EQ(edit->Properties()->EditMask(), "00:00:00;1;0");
  EXPECT_EQ(edit->Text(), "21:00:00");
}

// ---- values that cannot be read -----------------------------------------------------------------------------------

TEST_F(TimeEditTest, UnreadableValueIsShownEmptyAndNeverPostedAsTheClocksTime) {
  TcxTimeEdit* edit = Make();
  TcxTimeEditProperties* properties = edit->Properties();
  const Variant beyond(1e12);  // a number beyond the calendar
  edit->SetEditValue(beyond);
  Idle();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(Utf16ToUtf8(properties->GetDisplayText(beyond)), "");
  EXPECT_DOUBLE_EQ(edit->Time(), 0);
  // Focused, it offers an empty time to type into; leaving untouched posts nothing.
  ValueChanges = 0;
  Focus(edit);
  EXPECT_EQ(edit->InnerText(), "00:00:00");
  Focus(Other);
  EXPECT_EQ(ValueChanges, 0);
  EXPECT_DOUBLE_EQ(edit->EditValue().AsDouble(), 1e12);
  // A step starts from the empty time, not from the clock's.
  properties->SetImmediatePost(true);
  Focus(edit);
  PutCaret(edit, 6);
  Key(VK_UP);
  EXPECT_EQ(edit->InnerText(), "00:00:01");
  EXPECT_EQ(Hms(VarToDateTime(edit->EditValue())), "00:00:01");
  Focus(Other);
  // A text that holds no time is refused as a value, and a value of no time type is an error.
  Variant text("half past ten");
  EXPECT_FALSE(properties->IsEditValueValid(text, false));
  Variant display;
  properties->ConvertToDisplayValue(Variant("not a time"), display, false);
  EXPECT_EQ(VarToStr(display), "");
  properties->ConvertToDisplayValue(Variant("not a time"), display, true);
  EXPECT_EQ(VarToStr(display), "00:00:00");
  try {
    properties->ConvertToDisplayValue(VarArrayOf({Variant(1), Variant(2)}), display, false);
    FAIL() << "an array was shown as a time";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Не могу преобразовать во время");
  }
}

// ---- the form file -----------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, WrittenAndReadBackWithItsSettings) {
  TcxTimeEdit* source = Make(tfHourMin, false);
  source->SetName("Source");
  source->Properties()->SetCircular(true);
  source->Properties()->SetShowDate(true);
  source->SetEditValue(VarFromDateTime(EncodeDate(2024, 5, 1) + At(9, 30, 0)));
  const String written = ComponentToText(source);
  for (const char* line : {"Properties.TimeFormat = tfHourMin", "Properties.Use24HourFormat = False",
                           "Properties.Circular = True", "Properties.ShowDate = True", "EditValue = "})
    EXPECT_NE(written.find(line), String::npos) << line << "\n" << written;
  // Neither the time (a view of the value), nor the mask the table gives, nor the spin buttons.
  for (const char* word : {"Time =", "EditMask", "Buttons", "Properties.Increment"})
    EXPECT_EQ(written.find(word), String::npos) << word << "\n" << written;

  // Read back (the value as the writer wrote it).
  const size_t at = written.find("EditValue = ");
  const String value = written.substr(at, written.find("\r\n", at) - at);
  const String text = "object Copy: TcxTimeEdit\r\n  " + value +
                      "\r\n"
                      "  Properties.Circular = True\r\n"
                      "  Properties.TimeFormat = tfHourMin\r\n"
                      "  Properties.Use24HourFormat = False\r\n"
                      "end\r\n";
  auto* copy = New<TcxTimeEdit>(nullptr);
  ReadComponentFromText(text, copy);
  EXPECT_EQ(copy->Properties()->TimeFormat(), tfHourMin);
  EXPECT_FALSE(copy->Properties()->Use24HourFormat());
  EXPECT_EQ(copy->Properties()->EditMask(), "00:00 cc;1;0");
  EXPECT_TRUE(copy->Properties()->Circular());
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", VarToDateTime(copy->EditValue())), "2024-05-01 09:30");
  EXPECT_DOUBLE_EQ(copy->SavedDate(), EncodeDate(2024, 5, 1));
  copy->Free();
}

// ---- registration and the calendar ----------------------------------------------------------------------------

TEST_F(TimeEditTest, RegisteredAndGivenToTheCalendar) {
  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  const int32_t index = kinds->IndexOfClass(TcxTimeEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(kinds->Descriptions(index), "TimeEdit|Represents an editor displaying time values");
  cxTimeEditInitialize();  // a second call registers nothing twice
  int32_t count = 0;
  for (int32_t i = 0; i < kinds->Count(); ++i)
    if (kinds->Items(i) == TcxTimeEditProperties::StaticClass()) ++count;
  EXPECT_EQ(count, 1);

  auto* calendar = New<TcxCalendar>(Form);
  calendar->SetLeft(10);
  calendar->SetTop(40);
  calendar->SetKind(ckDateTime);
  calendar->SetParent(Form);
  Idle();
  ASSERT_NE(calendar->TimeEdit(), nullptr);
  auto* edit = dynamic_cast<TcxTimeEdit*>(calendar->TimeEdit()->Control());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Owner(), calendar);
  EXPECT_EQ(edit->Parent(), calendar);
  EXPECT_TRUE(edit->Properties()->Circular());
  // Wide enough for its text and buttons.
  EXPECT_GT(calendar->TimeEdit()->ContentWidth(), calendar->Canvas()->TextWidth("00:00:00"));
  calendar->TimeEdit()->SetTime(At(7, 15, 0));
  EXPECT_EQ(Hms(calendar->TimeEdit()->Time()), "07:15:00");
  // Stepping in the editor moves the clock.
  Focus(edit);
  PutCaret(edit, 0);
  Key(VK_UP);
  EXPECT_EQ(FormatDateTime("hh:nn", calendar->Clock()->Time()), "08:15");
  Focus(Other);

  // Once the editor framework or the unit is finalised, a new calendar has no time editor.
  for (bool framework : {true, false}) {
    if (framework)
      cxEditFinalize();
    else
      cxTimeEditFinalize();
    auto* plain = New<TcxCalendar>(Form);
    plain->SetKind(ckDateTime);
    plain->SetParent(Form);
    Idle();
    EXPECT_EQ(plain->TimeEdit(), nullptr) << framework;
    cxTimeEditInitialize();
  }
}

// ---- pictures -----------------------------------------------------------------------------------------------------

TEST_F(TimeEditTest, PicturesOfTheEditorsAndTheCalendar) {
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
#ifdef VORN_ARTIFACT_DIR
  if (!dir) dir = VORN_ARTIFACT_DIR;
#endif
  if (!dir) GTEST_SKIP();
  ForceDirectories(dir);
  Form->SetColor(clBtnFace);
  TcxTimeEdit* clock24 = Make();
  clock24->SetEditValue(VarFromDateTime(At(13, 45, 30)));
  TcxTimeEdit* clock12 = Make(tfHourMin, false);
  clock12->SetTop(40);
  clock12->SetEditValue(VarFromDateTime(At(13, 45, 30)));
  clock12->Properties()->SpinButtons()->SetShowFastButtons(true);
  Focus(clock24);
  PutCaret(clock24, 3);
  auto* calendar = New<TcxCalendar>(Form);
  calendar->SetLeft(230);
  calendar->SetTop(10);
  calendar->SetKind(ckDateTime);
  calendar->SetColor(clWindow);
  calendar->SetParent(Form);
  Idle();
  calendar->TimeEdit()->SetTime(At(10, 30, 0));
  calendar->Clock()->SetTime(At(10, 30, 0));
  calendar->SetSelectDate(EncodeDate(2008, 2, 14));
  Form->Repaint();
  Idle();
  EXPECT_TRUE(headless::SavePng(Form->Handle(), (String(dir) + "/timeedit-form.png").c_str()));
  EXPECT_TRUE(headless::SavePng(clock24->Handle(), (String(dir) + "/timeedit-24.png").c_str()));
  EXPECT_TRUE(headless::SavePng(clock12->Handle(), (String(dir) + "/timeedit-12.png").c_str()));
}

}  // namespace
