// The date editor on the headless screen with real messages and a fixed clock (5 February 2008, a
// Tuesday, 10:30): defaults and registration, the mask by regional format, typed texts (smart keywords,
// the three DateOnError answers), the kept time of day, value bounds, the display conversion, and the
// popup calendar dropped by button and keys, picked from by mouse and keys, and left with Escape.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Clock.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/Variants.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxCalendar.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxFormats.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

namespace dateedit_test {

String DateEditText(TDateTime d) { return d == NullDate ? String("null") : FormatDateTime("yyyy-mm-dd hh:nn", d); }

class DateEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    Clock().SetNow(EncodeDate(2008, 2, 5) + EncodeTime(10, 30, 0, 0));
    UseLocale(TFormatSettings::Russian());
    InitForms();
    cxDateEditInitialize();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 600, 420);
    Form->Show();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) { Errors.push_back(E->Message()); });
    Other = New<TEdit>(Form);
    Other->SetBounds(300, 300, 100, 21);
    Other->SetParent(Form);
    Idle();
  }
  void TearDown() override {
    SetCalendarTimeEditorFactory(nullptr);
    Application->OnException = TExceptionEvent();
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    UseLocale(TFormatSettings::Russian());
    headless::Shutdown();
  }
  static TTestClock& Clock() { return dynamic_cast<TTestClock&>(CurrentClock()); }
  static void UseLocale(const TFormatSettings& fs) {
    SetFormatSettings(fs);
    GetFormatController()->FormatSettingsChanged();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  TcxDateEdit* Make(TcxCalendarKind AKind = ckDate) {
    auto* edit = New<TcxDateEdit>(Form);
    edit->Properties()->SetKind(AKind);
    edit->SetBounds(20, 20, 160, 21);
    edit->SetParent(Form);
    Idle();
    return edit;
  }
  static void Focus(TWinControl* c) {
    c->SetFocus();
    Idle();
  }
  static void Key(int vk, const std::vector<int>& mods = {}) {
    for (int m : mods) headless::KeyDown(m);
    headless::KeyPress(vk);
    for (int m : mods) headless::KeyUp(m);
    Idle();
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  // Replaces the whole text by typing and confirms it with Enter.
  void Enter(TcxDateEdit* edit, const char* text) {
    Focus(edit);
    edit->SelectAll();
    Key(VK_DELETE);
    Type(text);
    Key(VK_RETURN);
  }
  static String Shown(TcxDateEdit* edit) { return edit->InnerText(); }
  void ClickAt(TControl* c, POINT p) {
    POINT s = c->ClientToScreen(p);
    headless::MouseMove(s.x, s.y);
    Idle();
    headless::MouseDown();
    Idle();
    headless::MouseUp();
    Idle();
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  TForm* Form = nullptr;
  TEdit* Other = nullptr;
  std::vector<String> Errors;
};

// ---- settings ----------------------------------------------------------------------------------------------

TEST_F(DateEditTest, DefaultsFollowKindUntilAssignedAndRegistration) {
  TcxRegisteredClasses* reg = GetRegisteredEditProperties();
  int32_t i = reg->IndexOfClass(TcxDateEditProperties::StaticClass());
  ASSERT_GE(i, 0);
  EXPECT_EQ(reg->Descriptions(i), "DateEdit|Represents an edit control with a dropdown calendar");

  TcxDateEdit* edit = Make();
  TcxDateEditProperties* p = edit->Properties();
  EXPECT_TRUE(p->ArrowsForYear());
  EXPECT_EQ(p->DateOnError(), deNoChange);
  EXPECT_EQ(p->Kind(), ckDate);
  EXPECT_TRUE(p->SaveTime());
  EXPECT_TRUE(p->ShowTime());
  EXPECT_TRUE(p->YearsInMonthList());
  EXPECT_TRUE(p->CaseInsensitive());
  EXPECT_FALSE(p->ImmediateDropDown());
  EXPECT_FALSE(p->PopupSizeable());
  EXPECT_EQ(p->DateButtons(), (TDateButtons{btnClear, btnToday}));
  EXPECT_EQ(p->InputKind(), ikRegExpr);
  p->SetKind(ckDateTime);
  EXPECT_EQ(p->DateButtons(), (TDateButtons{btnClear, btnNow}));
  EXPECT_EQ(p->InputKind(), ikMask);
  EXPECT_FALSE(p->IsDateButtonsStored());
  EXPECT_FALSE(p->IsInputKindStored());

  // Set once, a value no longer follows Kind; RestoreDefaults forgets it.
  p->SetInputKind(ikStandard);
  p->SetDateButtons(TDateButtons{btnToday});
  p->SetKind(ckDate);
  EXPECT_EQ(p->InputKind(), ikStandard);
  EXPECT_EQ(p->DateButtons(), TDateButtons{btnToday});
  EXPECT_TRUE(p->IsInputKindStored());
  auto* copy = New<TcxDateEditProperties>(nullptr);
  copy->Assign(p);
  EXPECT_EQ(copy->InputKind(), ikStandard);
  EXPECT_TRUE(copy->IsDateButtonsStored());
  copy->Free();
  p->AssignedValues()->RestoreDefaults();
  EXPECT_EQ(p->InputKind(), ikRegExpr);
  EXPECT_EQ(p->DateButtons(), (TDateButtons{btnClear, btnToday}));
}

TEST_F(DateEditTest, MaskFollowsInputKindKindAndTheRegionalFormat) {
  struct MaskCase {
    bool english;
    TcxCalendarKind kind;
    TcxInputKind input;
  };
  const MaskCase cases[] = {
      {false, ckDate, ikRegExpr}, {false, ckDateTime, ikRegExpr}, {false, ckDate, ikMask},
      {false, ckDateTime, ikMask}, {true, ckDate, ikRegExpr},     {true, ckDateTime, ikMask},
      {false, ckDate, ikStandard},
  };
  TcxDateEdit* edit = Make();
  TcxDateEditProperties* p = edit->Properties();
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.english << " kind " << int(c.kind) << " input " << int(c.input));
    UseLocale(c.english ? TFormatSettings::English() : TFormatSettings::Russian());
    p->SetKind(c.kind);
    p->SetInputKind(c.input);
    TcxFormatController* fc = GetFormatController();
    const bool dt = c.kind == ckDateTime;
    switch (c.input) {
      case ikRegExpr:
        EXPECT_EQ(p->MaskKind(), emkRegExprEx);
        EXPECT_EQ(p->EditMask(), dt ? fc->DateTimeRegExprMask() : fc->DateRegExprMask());
        break;
      case ikMask:
        EXPECT_EQ(p->MaskKind(), emkStandard);
        EXPECT_EQ(p->EditMask(), dt ? fc->DateTimeStandardMask() : fc->DateStandardMask());
        break;
      case ikStandard:
        EXPECT_FALSE(p->IsMasked());
        break;
    }
  }
  // The Russian date mask: the dots of "dd.mm.yyyy" are literal text.
  UseLocale(TFormatSettings::Russian());
  p->SetKind(ckDate);
  p->SetInputKind(ikMask);
  EXPECT_EQ(p->EditMask(), "!99\\.99\\.9999;1; ");
  Focus(edit);
  EXPECT_EQ(Shown(edit), "  .  .    ");
  Type("05032010");
  Key(VK_RETURN);
  EXPECT_EQ(DateEditText(edit->Date()), "2010-03-05 00:00");
}

// ---- typed texts ---------------------------------------------------------------------------------------------

TEST_F(DateEditTest, SmartInputTable) {
  struct InputCase {
    const char* text;
    TDateOnError onError;
    const char* date;  // "null" for no date, "" for a rejected text (the value stays)
  };
  // Tuesday 5 February 2008, 10:30; the editor starts at 01.01.2001.
  const InputCase cases[] = {
      {"05.03.2010", deNoChange, "2010-03-05 00:00"},
      {"5.3.2010", deNoChange, "2010-03-05 00:00"},
      {"сегодня", deNoChange, "2008-02-05 00:00"},
      {"СЕГОДНЯ", deNoChange, "2008-02-05 00:00"},
      {"сегодня+3", deNoChange, "2008-02-08 00:00"},
      {"сегодня - 3", deNoChange, "2008-02-02 00:00"},
      {"сегодня+x", deNoChange, "2008-02-05 00:00"},
      {"вчера", deNoChange, "2008-02-04 00:00"},
      {"завтра", deNoChange, "2008-02-06 00:00"},
      {"Понедельник", deNoChange, "2008-02-11 00:00"},
      {"Вторник", deNoChange, "2008-02-05 00:00"},
      {"первый", deNoChange, "2008-02-03 00:00"},
      {"седьмой", deNoChange, "2008-02-09 00:00"},
      {"bom", deNoChange, "2008-02-01 00:00"},
      {"eom", deNoChange, "2008-02-29 00:00"},
      {"abc", deNoChange, ""},
      {"31.02.2008", deNoChange, ""},
      {"abc", deToday, "2008-02-05 00:00"},
      {"abc", deNull, "null"},
      {"", deNoChange, "null"},
  };
  TcxDateEdit* edit = Make();
  edit->Properties()->SetInputKind(ikStandard);
  for (const InputCase& c : cases) {
    SCOPED_TRACE(c.text);
    edit->Properties()->SetDateOnError(c.onError);
    edit->Properties()->SetSaveTime(false);
    edit->SetDate(EncodeDate(2001, 1, 1));
    Errors.clear();
    Enter(edit, c.text);
    if (*c.date) {
      EXPECT_TRUE(Errors.empty());
      EXPECT_EQ(DateEditText(edit->Date()), c.date);
    } else {
      ASSERT_EQ(Errors.size(), 1u);
      EXPECT_EQ(Errors[0], "Неверная дата");
      EXPECT_EQ(DateEditText(edit->Date()), "2001-01-01 00:00");
      EXPECT_EQ(Shown(edit), "01.01.2001");  // the previous text is back
    }
    Focus(Other);
  }
}

TEST_F(DateEditTest, KeywordsPassTheRegularExpressionMask) {
  TcxDateEdit* edit = Make();
  ASSERT_EQ(edit->Properties()->InputKind(), ikRegExpr);
  Enter(edit, "завтра+2");
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(DateEditText(edit->Date()), "2008-02-08 00:00");
  Enter(edit, "01022003");
  EXPECT_EQ(DateEditText(edit->Date()), "2003-02-01 00:00");
  // The dots the mask inserts by itself may be typed too.
  Enter(edit, "11.03.2010");
  EXPECT_EQ(DateEditText(edit->Date()), "2010-03-11 00:00");
  Focus(Other);
  EXPECT_EQ(edit->Text(), "11.03.2010");
}

TEST_F(DateEditTest, OnValidateHandlerDecidesInsteadOfDateOnError) {
  TcxDateEdit* edit = Make();
  edit->Properties()->SetInputKind(ikStandard);
  edit->Properties()->SetDateOnError(deNull);
  edit->Properties()->OnValidate =
      TcxEditValidateEvent([](TObject*, Variant& AValue, String& AText, bool& AError) {
        if (VarToStr(AValue) == "abc") {
          AError = true;
          AText = "нет такой даты";
        }
      });
  edit->SetDate(EncodeDate(2001, 1, 1));
  Enter(edit, "abc");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], "нет такой даты");
  EXPECT_EQ(DateEditText(edit->Date()), "2001-01-01 00:00");
}

// ---- the kept time of day ------------------------------------------------------------------------------------

TEST_F(DateEditTest, SaveTimeTable) {
  struct SaveTimeCase {
    bool saveTime;
    const char* typed;  // through the regular-expression mask, which puts in the dots itself
    const char* date;
  };
  const SaveTimeCase cases[] = {
      {true, "11032010", "2010-03-11 14:30"},  // a new day keeps the time of day
      {false, "11032010", "2010-03-11 00:00"},
      {true, "", "null"},  // cleared: no date, not 14:30 on day 0
      {false, "", "null"},
      {true, "сегодня", "2008-02-05 14:30"},
  };
  TcxDateEdit* edit = Make();
  for (const SaveTimeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.saveTime << " '" << c.typed << "'");
    edit->Properties()->SetSaveTime(c.saveTime);
    edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0));
    EXPECT_EQ(DateEditText(edit->Date()), c.saveTime ? "2010-03-10 14:30" : "2010-03-10 00:00");
    Enter(edit, c.typed);
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(DateEditText(edit->Date()), c.date);
    if (String(c.date) == "null") {
      EXPECT_TRUE(VarIsNull(edit->EditValue()));
      EXPECT_EQ(edit->SavedTime(), 0.0);
    }
    Focus(Other);
  }
  // A date without a time of day set by code takes the kept time; Null forgets it.
  edit->Properties()->SetSaveTime(true);
  edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(9, 15, 0, 0));
  edit->SetDate(EncodeDate(2011, 4, 1));
  EXPECT_EQ(DateEditText(edit->Date()), "2011-04-01 09:15");
  edit->SetDate(NullDate);
  EXPECT_TRUE(VarIsNull(edit->EditValue()));
  edit->SetDate(EncodeDate(2011, 4, 1));
  EXPECT_EQ(DateEditText(edit->Date()), "2011-04-01 00:00");
}

// ---- bounds --------------------------------------------------------------------------------------------------

TEST_F(DateEditTest, ValueBounds) {
  struct BoundsCase {
    TDateTime minDate, maxDate;
    const char* typed;  // the regular-expression mask puts in the dots
    bool accepted;
  };
  const TDateTime y2000 = EncodeDate(2000, 1, 1), y2010 = EncodeDate(2010, 1, 1);
  const BoundsCase cases[] = {
      {y2000, 0, "01011990", false}, {y2000, 0, "01012020", true},   // only a lower bound
      {0, y2010, "01012020", false}, {0, y2010, "01011990", true},   // only an upper bound
      {y2000, y2010, "01012005", true}, {y2000, y2010, "01012011", false},
      {y2010, y2000, "01011990", true}, {y2010, y2000, "01012020", true},  // out of order: none
  };
  TcxDateEdit* edit = Make();
  for (const BoundsCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.minDate << ".." << c.maxDate << " " << c.typed);
    edit->Properties()->SetMinDate(c.minDate);
    edit->Properties()->SetMaxDate(c.maxDate);
    edit->SetDate(EncodeDate(2005, 6, 6));
    Errors.clear();
    Enter(edit, c.typed);
    if (c.accepted) {
      EXPECT_TRUE(Errors.empty());
      EXPECT_EQ(FormatDateTime("ddmmyyyy", edit->Date()), c.typed);
    } else {
      ASSERT_EQ(Errors.size(), 1u);
      EXPECT_EQ(Errors[0], "Значение выходит за допустимые границы");
      EXPECT_EQ(DateEditText(edit->Date()), "2005-06-06 00:00");
      EXPECT_EQ(Shown(edit), "06.06.2005");
    }
    Focus(Other);
  }
  // Clamping pulls a date back inside the bounds in force.
  edit->Properties()->SetMinDate(y2000);
  edit->Properties()->SetMaxDate(0);
  edit->SetDate(EncodeDate(1990, 1, 1));
  edit->ClampToValueBounds();
  EXPECT_EQ(DateEditText(edit->Date()), "2000-01-01 00:00");
}

// ---- display -------------------------------------------------------------------------------------------------

TEST_F(DateEditTest, DisplayTexts) {
  TcxDateEdit* edit = Make();
  TcxDateEditProperties* p = edit->Properties();
  const TDateTime d = EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0);
  struct DisplayCase {
    TcxCalendarKind kind;
    bool showTime;
    const char* text;
  };
  const DisplayCase cases[] = {
      {ckDate, true, "10.03.2010 14:30:00"},
      {ckDate, false, "10.03.2010"},
      {ckDateTime, false, "10.03.2010 14:30:00"},
  };
  for (const DisplayCase& c : cases) {
    p->SetKind(c.kind);
    p->SetShowTime(c.showTime);
    EXPECT_EQ(String(Utf16ToUtf8(p->GetDisplayText(VarFromDateTime(d)))), c.text);
  }
  EXPECT_EQ(String(Utf16ToUtf8(p->GetDisplayText(Null()))), "");
  // A value of another type cannot be shown as a date.
  Variant shown;
  try {
    p->ConvertToDisplayValue(Variant(true), shown, false);
    FAIL() << "a Boolean was shown as a date";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Не могу преобразовать в дату");
  }
  EXPECT_THROW(p->ConvertToDisplayValue(Variant(String("abc")), shown, false), EConvertError);
  // A date-time editor with the standard mask edits with zeros in its empty time places.
  p->SetKind(ckDateTime);
  edit->SetDate(NullDate);
  Focus(edit);
  EXPECT_EQ(Shown(edit), "  .  .     00:00:00");  // "H:mm:ss": the hour takes two places
}

// ---- the popup calendar --------------------------------------------------------------------------------------

class DateEditPopupTest : public DateEditTest {
protected:
  void Drop(TcxDateEdit* edit) {
    Focus(edit);
    Key(VK_F4);
    ASSERT_TRUE(edit->HasPopupWindow());
  }
  POINT CellOf(TcxCustomCalendar* c, TDateTime d) {
    int n = static_cast<int>(d - c->GetFirstShownDate());
    return Centre(c->DayCellRect(n / 7, n % 7));
  }
};

TEST_F(DateEditPopupTest, DropsByButtonAndKeysShowingTheEditorsDate) {
  TcxDateEdit* edit = Make();
  edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0));
  struct DropCase {
    int key;
    std::vector<int> mods;
  };
  const DropCase cases[] = {{VK_F4, {}}, {VK_DOWN, {VK_MENU}}, {VK_UP, {VK_MENU}}};
  for (const DropCase& c : cases) {
    Focus(edit);
    Key(c.key, c.mods);
    ASSERT_TRUE(edit->HasPopupWindow()) << c.key;
    TcxPopupCalendar* cal = edit->Calendar();
    EXPECT_TRUE(cal->Visible());
    EXPECT_EQ(DateEditText(cal->SelectDate()), "2010-03-10 14:30");
    EXPECT_EQ(DateEditText(cal->FirstDate()), "2010-03-01 00:00");
    EXPECT_EQ(DateEditText(edit->DateDropDown()), "2010-03-10 14:30");
    Key(c.key, c.mods);  // the same key closes it again
    EXPECT_FALSE(edit->HasPopupWindow());
  }
  // The drop-down button.
  Focus(edit);
  RECT b = edit->EditViewInfo()->ButtonsInfo[0]->Bounds;
  ClickAt(edit, Centre(b));
  EXPECT_TRUE(edit->HasPopupWindow());
  // F4 with Alt does nothing.
  Key(VK_ESCAPE);
  EXPECT_FALSE(edit->HasPopupWindow());
  Key(VK_F4, {VK_MENU});
  EXPECT_FALSE(edit->HasPopupWindow());
}

TEST_F(DateEditPopupTest, AClickOnADayPutsItIntoTheEditorKeepingTheTime) {
  TcxDateEdit* edit = Make();
  edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0));
  Drop(edit);
  TcxPopupCalendar* cal = edit->Calendar();
  ClickAt(cal, CellOf(cal, EncodeDate(2010, 3, 17)));
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2010-03-17 14:30");
  EXPECT_TRUE(edit->ModifiedAfterEnter());
  EXPECT_EQ(Shown(edit), "17.03.2010");
}

TEST_F(DateEditPopupTest, KeysPickADayAndEscapeLeavesTheValue) {
  TcxDateEdit* edit = Make();
  edit->Properties()->SetSaveTime(false);
  edit->SetDate(EncodeDate(2008, 2, 5));
  struct KeyCase {
    std::vector<std::pair<int, std::vector<int>>> keys;
    int last;
    const char* date;
  };
  const KeyCase cases[] = {
      {{{VK_RIGHT, {}}}, VK_RETURN, "2008-02-06 00:00"},
      {{{VK_DOWN, {}}, {VK_DOWN, {}}}, VK_RETURN, "2008-02-20 00:00"},
      {{{VK_END, {VK_CONTROL}}}, VK_RETURN, "2008-02-29 00:00"},
      {{{VK_NEXT, {}}}, VK_RETURN, "2008-03-29 00:00"},
      {{{VK_LEFT, {}}}, VK_ESCAPE, "2008-03-29 00:00"},  // Escape: nothing chosen
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.date);
    Drop(edit);
    for (const auto& [key, mods] : c.keys) Key(key, mods);
    Key(c.last);
    EXPECT_FALSE(edit->HasPopupWindow());
    EXPECT_EQ(DateEditText(edit->Date()), c.date);
  }
}

TEST_F(DateEditPopupTest, ClearAndTodayButtons) {
  TcxDateEdit* edit = Make();
  edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0));
  Drop(edit);
  TcxPopupCalendar* cal = edit->Calendar();
  ASSERT_TRUE(cal->TodayButton()->Visible());
  ClickAt(cal->TodayButton(), POINT{5, 5});
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2008-02-05 14:30");
  Drop(edit);
  ClickAt(cal->ClearButton(), POINT{5, 5});
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_TRUE(VarIsNull(edit->EditValue()));
}

// A time editor stand-in for the date-time calendar: it holds a time and says when the user changed it.
class DateEditFakeTimeEditor : public TcxCalendarTimeEditor {
public:
  DateEditFakeTimeEditor(TcxCustomCalendar* ACalendar, TNotifyEvent AOnChange) : FOnChange(AOnChange) {
    FEdit = New<TEdit>(ACalendar);
    FEdit->SetBounds(0, 0, 70, 21);
  }
  TWinControl* Control() override { return FEdit; }
  TDateTime Time() override { return FTime; }
  void SetTime(TDateTime Value) override { FTime = Value; }
  int32_t ContentWidth() override { return 60; }
  void ChangeByUser(TDateTime Value) {
    FTime = Value;
    if (FOnChange) FOnChange(nullptr);
  }
  TEdit* FEdit;
  TDateTime FTime = 0;
  TNotifyEvent FOnChange;
};

TEST_F(DateEditPopupTest, DateTimeKindTakesTheTimeEditorsTimeWithOK) {
  DateEditFakeTimeEditor* fake = nullptr;
  SetCalendarTimeEditorFactory([&fake](TcxCustomCalendar* c, TNotifyEvent e) {
    fake = new DateEditFakeTimeEditor(c, e);
    return fake;
  });
  TcxDateEdit* edit = Make(ckDateTime);
  edit->SetDate(EncodeDate(2010, 3, 10) + EncodeTime(14, 30, 0, 0));
  Drop(edit);
  TcxPopupCalendar* cal = edit->Calendar();
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(cal->Kind(), ckDateTime);
  EXPECT_EQ(cal->CalendarButtons(), (TDateButtons{btnClear, btnNow}));
  EXPECT_EQ(FormatDateTime("hh:nn", fake->Time()), "14:30");
  // A click only selects a day in this kind; OK chooses it with the editor's time.
  ClickAt(cal, CellOf(cal, EncodeDate(2010, 3, 17)));
  EXPECT_TRUE(edit->HasPopupWindow());
  fake->ChangeByUser(EncodeTime(9, 15, 0, 0));
  ClickAt(cal->OKButton(), POINT{5, 5});
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2010-03-17 09:15");
}

TEST_F(DateEditPopupTest, EscapeClosesTheTwelveMonthListFirstAndTabChoosesWhenAsked) {
  TcxDateEdit* edit = Make();
  edit->Properties()->SetSaveTime(false);
  edit->Properties()->SetYearsInMonthList(false);
  edit->Properties()->SetArrowsForYear(true);
  edit->SetDate(EncodeDate(2008, 2, 5));
  Drop(edit);
  TcxPopupCalendar* cal = edit->Calendar();
  EXPECT_EQ(cal->Flat(), edit->PopupControlsLookAndFeel()->Kind() != lfStandard);
  ClickAt(cal, Centre(cal->MonthCaption()));
  ASSERT_TRUE(IsPopupWindowShown(cal->MonthList()));
  EXPECT_FALSE(cal->MonthList()->ShowYears());
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsPopupWindowShown(cal->MonthList()));
  EXPECT_TRUE(edit->HasPopupWindow());
  Key(VK_ESCAPE);
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2008-02-05 00:00");

  // Tab closes; only with PostPopupValueOnTab does it choose the selected day.
  Drop(edit);
  Key(VK_RIGHT);
  Key(VK_TAB);
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2008-02-05 00:00");
  EXPECT_TRUE(Other->Focused());  // the Tab went on to the form
  edit->Properties()->SetPostPopupValueOnTab(true);
  Drop(edit);
  Key(VK_RIGHT);
  Key(VK_TAB);
  EXPECT_FALSE(edit->HasPopupWindow());
  EXPECT_EQ(DateEditText(edit->Date()), "2008-02-06 00:00");
}

TEST_F(DateEditTest, TimePlacesOfTheDateTimeMaskTakeOnlyTimesOfDay) {
  TcxDateEdit* edit = Make(ckDateTime);
  ASSERT_EQ(edit->Properties()->InputKind(), ikMask);
  Focus(edit);
  Type("10032010");
  Type("25");  // 25 o'clock: the 5 is refused
  EXPECT_EQ(Shown(edit), "10.03.2010 20:00:00");
  Type("3");
  Type("75");  // 75 minutes: the 7 is refused
  EXPECT_EQ(Shown(edit), "10.03.2010 23:50:00");
  Key(VK_RETURN);
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(DateEditText(edit->Date()), "2010-03-10 23:50");
  // The blank of a time place is "0", of a date place a space.
  TcxDateEditProperties* p = edit->Properties();
  EXPECT_EQ(p->GetMaskBlankChar(1), U' ');
  EXPECT_EQ(p->GetMaskBlankChar(12), U'0');
  EXPECT_EQ(p->GetMaskBlankChar(18), U'0');
}

}  // namespace dateedit_test
