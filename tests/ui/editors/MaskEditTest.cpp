// The masked editor on a headless form, typed into through the message loop: the classic mask with its
// overwrite caret, the two regular-expression kinds (with and without forced literals), validation of
// an incomplete mask, regional format changes and the registration of the kind.

#include <gtest/gtest.h>

#include "EditSupport.h"
#include "cxContainerTestSupport.h"
#include "forms/StdCtrls.h"
#include "rtl/FormatSettings.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxMaskEdit.h"
#include "winapi/Headless.h"

namespace {

class MaskEditTest : public cxcontainer_test::ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    SetFormatSettings(TFormatSettings::Russian());
    GetFormatController()->FormatSettingsChanged();
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 200, 100, 21);
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    SetFormatSettings(TFormatSettings::Russian());
    GetFormatController()->FormatSettingsChanged();
    ContainerTest::TearDown();
  }
  TcxMaskEdit* Make(TcxEditMaskKind AKind, const String& AMask) {
    auto* edit = New<TcxMaskEdit>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    edit->Properties()->SetMaskKind(AKind);
    edit->Properties()->SetEditMask(AMask);
    Idle();
    return edit;
  }
  static void Focus(TWinControl* c) {
    c->SetFocus();
    Idle();
  }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Idle();
  }
  static String Shown(TcxMaskEdit* AEdit) { return AEdit->InnerText(); }
  static int32_t Caret(TcxMaskEdit* AEdit) { return AEdit->GetInnerTextEdit()->GetSelStart(); }
  static int32_t Selected(TcxMaskEdit* AEdit) { return AEdit->GetInnerTextEdit()->GetSelLength(); }
  TEdit* Other = nullptr;
};

// ---- the classic mask ---------------------------------------------------------------------------------------

TEST_F(MaskEditTest, StandardMaskShowsBlanksWhileFocusedAndOverwritesWhenTyping) {
  TcxMaskEdit* edit = Make(emkStandard, "!99/99/0000;1;_");
  Focus(edit);
  EXPECT_EQ(Shown(edit), "__.__.____");  // the regional date separator
  Type("1");
  EXPECT_EQ(Shown(edit), "1_.__.____");
  EXPECT_EQ(Caret(edit), 1);
  EXPECT_EQ(Selected(edit), 1);  // the overwrite caret covers the next place
  Type("2");
  EXPECT_EQ(Shown(edit), "12.__.____");
  EXPECT_EQ(Caret(edit), 3);  // past the literal
  Type("x");                  // refused silently: the caret stays
  EXPECT_EQ(Shown(edit), "12.__.____");
  EXPECT_EQ(Caret(edit), 3);
  Type("0320245");  // one character too many: the last place keeps the last fitting digit
  EXPECT_EQ(Shown(edit), "12.03.2024");

  struct Step {
    int Key;
    const char* Text;
    int32_t Caret;
  };
  const Step steps[] = {
      {VK_HOME, "12.03.2024", 0},
      {VK_RIGHT, "12.03.2024", 1},
      {VK_RIGHT, "12.03.2024", 3},  // over the literal
      {VK_DELETE, "12._3.2024", 3},  // Delete blanks the place, the caret stays
      {VK_LEFT, "12._3.2024", 1},    // Left jumps back over the literal
      {VK_BACK, "_2._3.2024", 0},    // Backspace moves onto the place before and blanks it
  };
  for (const Step& s : steps) {
    Key(s.Key);
    EXPECT_EQ(Shown(edit), s.Text) << s.Key;
    EXPECT_EQ(Caret(edit), s.Caret) << s.Key;
  }
  Type("3");
  EXPECT_EQ(Shown(edit), "32._3.2024");
}

TEST_F(MaskEditTest, UnfocusedStandardMaskShowsOnlyWhatWasTyped) {
  TcxMaskEdit* edit = Make(emkStandard, "!99/99/0000;1;_");
  edit->Properties()->SetIgnoreMaskBlank(true);
  Focus(edit);
  Type("12032024");
  Focus(Other);
  EXPECT_EQ(VarToStr(edit->EditValue()), "12.03.2024");
  EXPECT_EQ(edit->Text(), "12.03.2024");
  edit->Properties()->SetAlwaysShowBlanksAndLiterals(true);
  Focus(edit);
  Key(VK_END);
  Key(VK_BACK);
  EXPECT_EQ(Shown(edit), "12.03.202_");
}

TEST_F(MaskEditTest, EditTextIsTheValueWithItsLiterals) {
  const struct {
    TcxEditMaskKind kind;
    const char* mask;
    const char* put;
    const char* value;  // GetEditText afterwards
    const char* shown;  // the unfocused editor's text
  } cases[] = {
      {emkStandard, "", "/srv/backup/2024", "/srv/backup/2024", "/srv/backup/2024"},  // a folder picker's editor
      {emkStandard, "!99/99/0000;1;_", "12032024", "12.03.2024", "12.03.2024"},       // literals put in
      {emkStandard, "!99/99/0000;0;_", "12032024", "12032024", "12032024"},           // literals not kept
      {emkRegExpr, "\\d\\d:\\d\\d", "12:30", "12:30", "12:30"},
  };
  for (const auto& c : cases) {
    TcxMaskEdit* edit = Make(c.kind, c.mask);
    edit->PutEditText(c.put);
    EXPECT_EQ(edit->GetEditText(), c.value) << c.mask;
    EXPECT_EQ(edit->Text(), c.shown) << c.mask;
    edit->Free();
  }
  TcxMaskEdit* edit = Make(emkStandard, "");
  EXPECT_EQ(edit->GetEditText(), "") << "no value yet";
  // A focused editor takes the text as it comes: the mask's typing rules apply to what is typed next.
  Focus(edit);
  edit->PutEditText("/home/vorn");
  EXPECT_EQ(edit->GetEditText(), "/home/vorn");
  EXPECT_EQ(Shown(edit), "/home/vorn");
}

TEST_F(MaskEditTest, IncompleteStandardMaskFailsValidation) {
  TcxMaskEdit* edit = Make(emkStandard, "!99/99/0000;1;_");
  Focus(edit);
  Type("1203");
  try {
    edit->DoValidateEdit(true);
    FAIL() << "an incomplete mask validated";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The edit value is invalid");
  }
  // An untouched mask passes with IgnoreMaskBlank; a half-filled one still does not.
  edit->Properties()->SetIgnoreMaskBlank(true);
  EXPECT_TRUE(edit->Mode()->IsTextValid("__.__.____"));
  EXPECT_FALSE(edit->Mode()->IsTextValid("1_.__.____"));
  EXPECT_TRUE(edit->Mode()->IsTextValid("12.03.2024"));
}

TEST_F(MaskEditTest, RegionalFormatChangeCompilesTheMaskAgain) {
  TcxMaskEdit* edit = Make(emkStandard, "!99/99/0000;1;_");
  Focus(edit);
  EXPECT_EQ(Shown(edit), "__.__.____");
  TFormatSettings english = TFormatSettings::English();
  english.DateSeparator = '/';
  SetFormatSettings(english);
  GetFormatController()->FormatSettingsChanged();
  Idle();
  EXPECT_EQ(Shown(edit), "__/__/____");
  Type("1");
  EXPECT_EQ(Shown(edit), "1_/__/____");
}

TEST_F(MaskEditTest, BlankMaskIsAPlainTextEditor) {
  TcxMaskEdit* edit = Make(emkStandard, " \t ");
  EXPECT_FALSE(edit->Properties()->IsMasked());
  Focus(edit);
  Type("abc");
  EXPECT_EQ(Shown(edit), "abc");
}

// ---- regular expressions -------------------------------------------------------------------------------------------

TEST_F(MaskEditTest, RegExprRefusesWithBeepAndKeepsTheTailValid) {
  TcxMaskEdit* edit = Make(emkRegExpr, "\\d\\d:\\d\\d");
  edit->Properties()->SetBeepOnError(true);
  Focus(edit);
  int beeps = headless::BeepCount();
  Type("1a");
  EXPECT_EQ(Shown(edit), "1");
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  Type("2:34");
  EXPECT_EQ(Shown(edit), "12:34");
  // Backspace in the middle: the tail "34" after "1:" would not fit, so it goes.
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_BACK);
  EXPECT_EQ(Shown(edit), "1");
  Type("9:05");
  EXPECT_EQ(Shown(edit), "19:05");
  Key(VK_HOME);
  Type("x");  // refused at the front as well
  EXPECT_EQ(Shown(edit), "19:05");
  EXPECT_EQ(headless::BeepCount(), beeps + 2);
}

TEST_F(MaskEditTest, RegExprValidation) {
  TcxMaskEdit* edit = Make(emkRegExpr, "\\d\\d:\\d\\d");
  TcxMaskEditCustomMode* mode = edit->Mode();
  struct Case {
    const char* Text;
    bool IgnoreBlank;
    bool Valid;
  };
  const Case cases[] = {{"", false, true},     {"12:34", false, true}, {"12:3", false, false},
                        {"12:3", true, true},  {"1x", true, false},    {"12:345", true, false}};
  for (const Case& c : cases) {
    edit->Properties()->SetIgnoreMaskBlank(c.IgnoreBlank);
    EXPECT_EQ(mode->IsTextValid(c.Text), c.Valid) << c.Text << " " << c.IgnoreBlank;
  }
}

TEST_F(MaskEditTest, RegExprTakesTheCaseWrittenInTheMask) {
  TcxMaskEdit* edit = Make(emkRegExpr, "'AB'\\d");
  Focus(edit);
  Type("ab1");
  EXPECT_EQ(Shown(edit), "AB1");
}

TEST_F(MaskEditTest, InvalidRegExprKeepsTheOldMask) {
  TcxMaskEdit* edit = Make(emkRegExpr, "\\d+");
  try {
    edit->Properties()->SetEditMask("(\\d");
    FAIL() << "an invalid expression was accepted";
  } catch (const EcxMaskEditError& e) {
    EXPECT_EQ(e.Message().rfind("Regular expression errors:\r\n", 0), 0u) << e.Message();
  }
  EXPECT_EQ(edit->Properties()->EditMask(), "\\d+");
}

TEST_F(MaskEditTest, ExtendedRegExprInsertsAndRemovesForcedLiterals) {
  TcxMaskEdit* edit = Make(emkRegExprEx, "\\d\\d:\\d\\d");
  Focus(edit);
  Type("12");
  EXPECT_EQ(Shown(edit), "12:");  // the separator shows at once
  Key(VK_BACK);
  EXPECT_EQ(Shown(edit), "1");  // the separator and the second digit go together
  Type("234");
  EXPECT_EQ(Shown(edit), "12:34");
  EXPECT_TRUE(edit->DoValidateEdit(false));
  EXPECT_EQ(VarToStr(edit->EditValue()), "12:34");
}

TEST_F(MaskEditTest, ExtendedRegExprCaretPassesOverLiteralRuns) {
  TcxMaskEdit* edit = Make(emkRegExprEx, "\\d\\d:\\d\\d");
  Focus(edit);
  Type("1234");
  ASSERT_EQ(Shown(edit), "12:34");
  struct Step {
    int Key;
    int32_t Caret;
  };
  // From after "12:" Left lands between 1 and 2; Right passes the separator with the digit before it.
  const Step steps[] = {{VK_LEFT, 4}, {VK_LEFT, 3}, {VK_LEFT, 1}, {VK_LEFT, 0}, {VK_LEFT, 0},
                        {VK_RIGHT, 1}, {VK_RIGHT, 3}, {VK_RIGHT, 4}, {VK_END, 5}, {VK_HOME, 0}};
  for (const Step& s : steps) {
    Key(s.Key);
    EXPECT_EQ(Caret(edit), s.Caret) << s.Key;
  }
  EXPECT_EQ(Shown(edit), "12:34");
  // Delete at the front takes the digit; the rest no longer fits behind the caret and goes.
  Key(VK_DELETE);
  EXPECT_EQ(Shown(edit), "");
  Type("0915");
  EXPECT_EQ(Shown(edit), "09:15");
}

// The date mask of the regional settings inserts its dots by itself; typing them as well, after the
// whole text was selected and deleted, is harmless and the rest still goes in.
TEST_F(MaskEditTest, ExtendedRegExprTakesRetypedLiteralsAfterTheTextWasDeleted) {
  struct Case {
    const char* before;  // typed first, then selected and deleted ("" for none)
    const char* typed;
  } cases[] = {{"", "11.03.2010"},
               {"05.03.2010", "11.03.2010"},
               {"05.03.2010", "1103.2010"},
               {"05.03.2010", "11032010"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.before << "' then '" << c.typed << "'");
    TcxMaskEdit* edit = Make(emkRegExprEx, GetFormatController()->DateRegExprMask());
    Focus(edit);
    Type(c.before);
    Focus(Other);
    Focus(edit);
    edit->SelectAll();
    Key(VK_DELETE);
    ASSERT_EQ(Shown(edit), "");
    for (const char* p = c.typed; *p; ++p) {
      const char one[2] = {*p, 0};
      Type(one);
    }
    EXPECT_EQ(Shown(edit), "11.03.2010");
    EXPECT_EQ(Caret(edit), 10);
    EXPECT_TRUE(edit->DoValidateEdit(false));
    edit->Free();
    Idle();
  }
}

TEST_F(MaskEditTest, RegExprTypingInTheMiddleKeepsTheRest) {
  TcxMaskEdit* edit = Make(emkRegExpr, "\\d+");
  edit->Properties()->SetBeepOnError(true);
  Focus(edit);
  Type("1234");
  Key(VK_LEFT);
  Key(VK_LEFT);
  int beeps = headless::BeepCount();
  Type("9x");
  EXPECT_EQ(Shown(edit), "12934");
  EXPECT_EQ(Caret(edit), 3);
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  // A selection typed over is replaced.
  edit->SetSelection(1, 2);
  Type("7");
  EXPECT_EQ(Shown(edit), "1734");
}

TEST_F(MaskEditTest, ExtendedRegExprWithLeadingLiterals) {
  TcxMaskEdit* edit = Make(emkRegExprEx, "'ID-'\\d+");
  edit->Properties()->SetBeepOnError(true);
  EXPECT_EQ(edit->Properties()->GetBaseEditMask(), "ID-");
  EXPECT_EQ(edit->Mode()->GetBlankText(), "ID-");
  EXPECT_TRUE(edit->Mode()->IsTextValid("ID-"));
  Focus(edit);
  EXPECT_EQ(Shown(edit), "ID-");
  int beeps = headless::BeepCount();
  Key(VK_HOME);
  Key(VK_DELETE);  // the literals cannot be deleted
  EXPECT_EQ(Shown(edit), "ID-");
  EXPECT_EQ(headless::BeepCount(), beeps + 1);
  Type("42");
  EXPECT_EQ(Shown(edit), "ID-42");
  Key(VK_BACK);
  Key(VK_BACK);
  Key(VK_BACK);  // nothing before the literals: a beep
  EXPECT_EQ(Shown(edit), "ID-");
  EXPECT_EQ(headless::BeepCount(), beeps + 2);
}

// ---- properties and registration -------------------------------------------------------------------------------------

TEST_F(MaskEditTest, KindChangesBetweenStandardAndRegExprClearTheMask) {
  TcxMaskEdit* edit = Make(emkRegExpr, "\\d+");
  // A kind and a mask changed together keep the new mask.
  edit->Properties()->BeginUpdate();
  edit->Properties()->SetMaskKind(emkStandard);
  edit->Properties()->SetEditMask("000");
  edit->Properties()->EndUpdate();
  EXPECT_EQ(edit->Properties()->EditMask(), "000");
  EXPECT_EQ(edit->Mode()->Mask(), "000");
  edit->Properties()->SetMaskKind(emkRegExpr);
  EXPECT_EQ(edit->Properties()->EditMask(), "");
  edit->Properties()->SetEditMask("\\d+");
  edit->Properties()->SetMaskKind(emkRegExprEx);
  EXPECT_EQ(edit->Properties()->EditMask(), "\\d+");
  EXPECT_EQ(edit->Mode()->GetMaskKind(), emkRegExprEx);
  edit->Properties()->SetMaskKind(emkStandard);
  EXPECT_EQ(edit->Properties()->EditMask(), "");
  EXPECT_EQ(edit->Mode()->GetMaskKind(), emkStandard);
  EXPECT_TRUE(edit->Properties()->ValidateOnEnter());
  EXPECT_TRUE(edit->Properties()->CaseInsensitive());
}

TEST_F(MaskEditTest, RegistersTheKindOnce) {
  cxMaskEditInitialize();
  cxMaskEditInitialize();
  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t index = kinds->IndexOfClass(TcxMaskEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(kinds->Descriptions(index), "MaskEdit|Represents a generic masked edit control.");
  auto* properties = New<TcxMaskEditProperties>(nullptr);
  EXPECT_EQ(properties->GetContainerClass(), TcxMaskEdit::StaticClass());
  properties->Free();
}

}  // namespace
