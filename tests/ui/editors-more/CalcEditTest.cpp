// The calculator editor on a headless form, worked through real messages: what typing accepts and refuses,
// how a number is shown (precision, scientific notation, thousand separators, the display format when not
// focused), how a text becomes a number, and the drop-down calculator that computes on the editor's text.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxCalc.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace calcedit_test {

// The regional thousand separator of the Russian settings: a no-break space.
const std::string kCalcEditNbsp = "\xC2\xA0";
const char* const kCalcEditError = "Ошибка";

// Data defaults for the properties: a precision and whether the data has a display format of its own.
class TCalcEditTestProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TCalcEditTestProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  int32_t GetDefaultPrecision() override { return Precision; }
  bool HasDisplayFormat(bool) override { return Formatted; }
  int32_t Precision = 6;
  bool Formatted = false;
};

class CalcEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    SavedFormats = FormatSettings();
    headless::Init(800, 600);
    SetFormatSettings(TFormatSettings::Russian());
    cxCalcEditInitialize();
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 500, 400);
    Form->Show();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) {
      Errors.push_back(std::string(E->Message().c_str()));
    });
    Edit = New<TcxCalcEdit>(Form);
    Edit->SetParent(Form);
    Edit->SetBoundsRect(RECT{10, 10, 210, 31});
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 200, 120, 24);
    Idle();
  }
  void TearDown() override {
    Application->OnException = TExceptionEvent();
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    DoneEditPaintUtils();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
    SetFormatSettings(SavedFormats);
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  static void Key(int vk, int modifier = 0) {
    if (modifier) headless::KeyDown(modifier);
    headless::KeyPress(vk);
    if (modifier) headless::KeyUp(modifier);
    Idle();
  }
  static void Type(const std::string& AText) {
    for (size_t i = 0; i < AText.size(); ++i) {
      char text[2] = {AText[i], 0};
      headless::TypeText(text);
      Idle();
    }
  }
  void Focus() {
    Edit->SetFocus();
    Idle();
    ASSERT_TRUE(Edit->Focused());
  }
  // Puts a text straight into the inner edit (no conversion) and selects a part of it.
  void PutText(const std::string& AText, int32_t ASelStart, int32_t ASelLength) {
    Edit->InnerEdit()->SetEditValue(Variant(String(AText)));
    Edit->SetSelection(ASelStart, ASelLength);
  }
  std::string FocusedText(const Variant& AValue) {
    Variant display;
    Edit->ActiveProperties()->ConvertToDisplayValue(AValue, display, true);
    return std::string(VarToStr(display).c_str());
  }
  void OpenByKey() {
    Key(VK_F4);
    ASSERT_TRUE(Edit->HasPopupWindow());
  }

  TFormatSettings SavedFormats;
  TForm* Form = nullptr;
  TcxCalcEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  std::vector<std::string> Errors;
};

TEST_F(CalcEditTest, PropertiesDefaultsRegistrationAndAssign) {
  TcxCalcEditProperties* p = Edit->Properties();
  EXPECT_EQ(15, p->Precision());
  EXPECT_TRUE(p->BeepOnError());
  // The calculator editor's own beep setting stands apart from the editor-wide one.
  EXPECT_FALSE(static_cast<TcxCustomEditProperties*>(p)->BeepOnError());
  EXPECT_FALSE(p->QuickClose());
  EXPECT_FALSE(p->ScientificFormat());
  EXPECT_FALSE(p->UseThousandSeparator());
  EXPECT_FALSE(p->PopupSizeable());
  EXPECT_FALSE(p->ImmediateDropDown());
  EXPECT_TRUE(p->PostsPopupValueItself());
  EXPECT_FALSE(p->IsPopupShrinkable());
  EXPECT_FALSE(p->IsPrecisionStored());

  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t index = kinds->IndexOfClass(TcxCalcEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(String(cxSEditRepositoryCalcItem), kinds->Descriptions(index));
  EXPECT_EQ(TcxCalcEdit::StaticClass(), p->GetContainerClass());

  // More than 15 significant digits cannot be shown: an assigned 20 reads back as 15.
  p->SetPrecision(20);
  EXPECT_TRUE(p->IsPrecisionStored());
  EXPECT_EQ(15, p->Precision());
  p->SetPrecision(7);
  p->SetBeepOnError(false);
  p->SetQuickClose(true);
  p->SetScientificFormat(true);
  auto* copy = New<TcxCalcEditProperties>(nullptr);
  copy->Assign(p);
  EXPECT_EQ(7, copy->Precision());
  EXPECT_TRUE(copy->IsPrecisionStored());
  EXPECT_FALSE(copy->BeepOnError());
  EXPECT_TRUE(copy->QuickClose());
  EXPECT_TRUE(copy->ScientificFormat());
  // A source without an assigned precision clears the flag.
  auto* plain = New<TcxCalcEditProperties>(nullptr);
  copy->Assign(plain);
  EXPECT_FALSE(copy->IsPrecisionStored());
  EXPECT_EQ(15, copy->Precision());
  copy->AssignedValues()->SetPrecision(true);
  copy->AssignedValues()->RestoreDefaults();
  EXPECT_FALSE(copy->IsPrecisionStored());
  plain->Free();
  copy->Free();
}

TEST_F(CalcEditTest, PrecisionAndValueSourceFollowTheDataUntilSet) {
  auto* p = New<TcxCalcEditProperties>(nullptr);
  auto* provider = New<TCalcEditTestProvider>(nullptr);
  p->SetDefaultValuesProvider(provider);
  EXPECT_EQ(6, p->Precision());
  provider->Precision = 40;
  EXPECT_EQ(15, p->Precision());
  p->SetPrecision(3);
  EXPECT_EQ(3, p->Precision());
  // The field's text is the value only when not focused, with no own display format and a data format.
  EXPECT_EQ(0, p->GetEditValueSource(false));
  provider->Formatted = true;
  EXPECT_EQ(1, p->GetEditValueSource(false));
  EXPECT_EQ(0, p->GetEditValueSource(true));
  p->SetDisplayFormat("0.0");
  EXPECT_EQ(0, p->GetEditValueSource(false));
  p->SetDefaultValuesProvider(nullptr);
  provider->Free();
  p->Free();
}

TEST_F(CalcEditTest, ANewEditorHoldsZeroAndStoresIt) {

  EXPECT_TRUE(VarIsNumeric(Edit->EditValue()));
  EXPECT_EQ(0.0, Edit->EditValue().AsDouble());
  EXPECT_TRUE(Edit->IsEditValueStored());
  EXPECT_EQ("0", std::string(Edit->Text().c_str()));
}

struct CalcEditTypingCase {
  const char* text;    // in the inner edit before typing
  int32_t selStart, selLength;
  const char* typed;
  const char* result;  // the text afterwards
  int beeps;
};

TEST_F(CalcEditTest, TypingAcceptsOnlyWhatStillFormsANumber) {
  const CalcEditTypingCase cases[] = {
      {"", 0, 0, "12,", "12,", 0},        // the locale's separator
      {"", 0, 0, "12.", "12,", 0},        // "." becomes the locale's separator
      {"", 0, 0, "-5", "-5", 0},          // a sign into an empty text
      {"5", 0, 0, "-", "-5", 0},          // a sign before the digits
      {"12", 0, 2, "-", "-", 0},          // a sign over a selection that empties the text
      {"5", 1, 0, "-", "5", 1},           // a sign after the digits is no number
      {"", 0, 0, "+", "", 1},             // "+" alone is no number
      {"", 0, 0, "+7", "7", 1},           // ... and the digit after it is typed on its own
      {"-", 1, 0, "-", "-", 1},           // two signs
      {"12", 2, 0, "a", "12", 1},         // a letter
      {"12", 2, 0, " ", "12", 1},         // a blank
      {"12,", 3, 0, ",5", "12,5", 1},     // a second separator
      {"", 0, 0, ",", "", 1},             // a separator without digits
      {"1", 1, 0, "e", "1", 1},           // an exponent sign without exponent digits
      {"15", 1, 0, "e", "1e5", 0},        // ... is accepted between digits
      {"1e5", 2, 0, "-", "1e-5", 0},      // a sign of the exponent
      {"15", 1, 0, "E", "1E5", 0},
      {"1e308", 5, 0, "0", "1e308", 1},   // beyond the largest magnitude
      {"1e30", 4, 0, "7", "1e307", 0},
      {"123", 1, 1, "9", "193", 0},       // typing over a selection
  };
  Focus();
  for (const CalcEditTypingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' typed '" << c.typed << "'");
    PutText(c.text, c.selStart, c.selLength);
    int beeps = headless::BeepCount();
    Type(c.typed);
    EXPECT_EQ(c.result, std::string(Edit->Text().c_str()));
    EXPECT_EQ(c.beeps, headless::BeepCount() - beeps);
  }
  // Without the beep setting a refused character is dropped silently.
  Edit->Properties()->SetBeepOnError(false);
  PutText("12", 2, 0);
  int beeps = headless::BeepCount();
  Type("x");
  EXPECT_EQ("12", std::string(Edit->Text().c_str()));
  EXPECT_EQ(0, headless::BeepCount() - beeps);
}

TEST_F(CalcEditTest, ThousandSeparatorsDoNotStopTyping) {
  Edit->Properties()->SetUseThousandSeparator(true);
  Focus();
  PutText("1" + kCalcEditNbsp + "234", 5, 0);
  Type("5");
  EXPECT_EQ("1" + kCalcEditNbsp + "2345", std::string(Edit->Text().c_str()));
}

struct CalcEditDisplayCase {
  double value;
  int precision;
  bool scientific, thousands;
  std::string shown;
};

TEST_F(CalcEditTest, FocusedDisplayByPrecisionNotationAndSeparators) {
  const std::string s = kCalcEditNbsp;
  const CalcEditDisplayCase cases[] = {
      {0, 15, false, false, "0"},
      {12.5, 15, false, false, "12,5"},
      {-0.25, 15, false, false, "-0,25"},
      {1.0 / 3, 15, false, false, "0,333333333333333"},
      {1.0 / 3, 5, false, false, "0,33333"},
      {2.0 / 3, 3, false, false, "0,667"},
      {123456, 4, false, false, "1,235E5"},
      {1234567, 15, false, true, "1" + s + "234" + s + "567"},
      {-1234567.25, 15, false, true, "-1" + s + "234" + s + "567,25"},
      {999, 15, false, true, "999"},
      {1500, 15, true, false, "1,5E+3"},
      {1500, 15, true, true, "1,5E+3"},  // scientific notation takes no separators
      {1, 15, true, false, "1E+0"},
      {-0.00125, 15, true, false, "-1,25E-3"},
      {123456, 3, true, false, "1,23E+5"},
      {0, 15, true, false, "0E+0"},
      {12.5, 1, false, false, "1E1"},  // one significant digit
  };
  TcxCalcEditProperties* p = Edit->Properties();
  for (const CalcEditDisplayCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " precision " << c.precision << (c.scientific ? " sci" : "")
                                    << (c.thousands ? " thousands" : ""));
    p->SetPrecision(static_cast<uint8_t>(c.precision));
    p->SetScientificFormat(c.scientific);
    p->SetUseThousandSeparator(c.thousands);
    EXPECT_EQ(c.shown, FocusedText(Variant(c.value)));
  }
  EXPECT_EQ("", FocusedText(Null()));
  EXPECT_EQ("", FocusedText(Variant(String())));

  // The editor itself shows it while focused.
  p->SetPrecision(15);
  p->SetScientificFormat(false);
  p->SetUseThousandSeparator(true);
  Focus();
  Edit->SetValue(1234567);
  EXPECT_EQ("1" + s + "234" + s + "567", std::string(Edit->Text().c_str()));
  EXPECT_EQ(1234567.0, Edit->Value());
}

TEST_F(CalcEditTest, DisplayFormatAppliesOnlyWhileNotFocused) {
  Edit->Properties()->SetDisplayFormat("0.00 'kg'");
  Edit->SetValue(3.14159);
  Idle();
  ASSERT_FALSE(Edit->Focused());
  EXPECT_EQ("3,14 kg", std::string(Edit->Text().c_str()));
  Focus();
  EXPECT_EQ("3,14159", std::string(Edit->Text().c_str()));
  Edit->SelectAll();
  Type("2");
  EXPECT_EQ("2", std::string(Edit->Text().c_str()));
  Other->SetFocus();
  Idle();
  EXPECT_EQ(2.0, Edit->EditValue().AsDouble());
  EXPECT_EQ("2,00 kg", std::string(Edit->Text().c_str()));
}

struct CalcEditConversionCase {
  const char* text;
  bool thousands;
  bool isNull;
  double value;
};

TEST_F(CalcEditTest, TextToNumber) {
  const std::string s = kCalcEditNbsp;
  const CalcEditConversionCase cases[] = {
      {"12,5", false, false, 12.5},
      {"  -7 ", false, false, -7},
      {"1,5E3", false, false, 1500},
      {"1\xC2\xA0" "234,5", true, false, 1234.5},
      {"1\xC2\xA0" "234,5", false, true, 0},  // separators are read only where they are shown
      {"", false, true, 0},
      {"   ", false, true, 0},
      {"-", false, true, 0},
      {"abc", false, true, 0},
      {"12.5", false, true, 0},  // not the locale's separator
  };
  for (const CalcEditConversionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "'" << (c.thousands ? " thousands" : ""));
    Edit->Properties()->SetUseThousandSeparator(c.thousands);
    Variant value;
    Edit->DisplayToEditValue(Variant(String(c.text)), value);
    if (c.isNull) {
      EXPECT_TRUE(VarIsNull(value));
    } else {
      ASSERT_TRUE(VarIsNumeric(value));
      EXPECT_DOUBLE_EQ(c.value, value.AsDouble());
    }
  }
  // The routine the typing filter uses: the magnitude must be one a number can have.
  TcxCalcEditProperties* p = Edit->Properties();
  double v = -1;
  EXPECT_TRUE(p->TextToNumber("1" + s + "000", v));
  EXPECT_EQ(1000.0, v);
  EXPECT_TRUE(p->TextToNumber("1e308", v));
  EXPECT_FALSE(p->TextToNumber("1e309", v));
  EXPECT_EQ(0.0, v);
  EXPECT_FALSE(p->TextToNumber("x", v));
  EXPECT_TRUE(p->TextToNumber("0", v));
  // Edit values: numbers, Null, an empty text and a text that converts.
  Variant ok[] = {Variant(1.5), Variant(int32_t(3)), Null(), Variant(String()), Variant(String("2,5"))};
  for (Variant& x : ok) EXPECT_TRUE(p->IsEditValueValid(x, false));
  Variant bad = Variant(String("two"));
  EXPECT_FALSE(p->IsEditValueValid(bad, false));
  // The number the text shows; 0 for a text that is none.
  Edit->SetValue(-42.5);
  EXPECT_EQ(-42.5, Edit->Value());
  Focus();
  PutText(kCalcEditError, 0, 0);
  EXPECT_EQ(0.0, Edit->Value());
}

TEST_F(CalcEditTest, TheButtonAndTheKeysDropTheCalculator) {
  Focus();
  TcxPopupCalculator* calc = Edit->Calculator();
  ASSERT_NE(nullptr, calc);
  OpenByKey();
  EXPECT_EQ(Edit->PopupWindow(), calc->Parent());
  EXPECT_TRUE(calc->Visible());
  EXPECT_TRUE(calc->Focused());
  // The buttons follow the editor's font: twice its text height.
  EXPECT_FALSE(calc->AutoFontSize());
  EXPECT_GT(calc->ButtonHeight(), 0);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_TRUE(Edit->Focused());
  Key(VK_DOWN, VK_MENU);
  EXPECT_TRUE(Edit->HasPopupWindow());
  Key(VK_UP, VK_MENU);  // closes from inside the calculator
  EXPECT_FALSE(Edit->HasPopupWindow());
  OpenByKey();
  Key(VK_F4);
  EXPECT_FALSE(Edit->HasPopupWindow());
  // The drop-down button.
  RECT r = Edit->EditViewInfo()->Button(0)->Bounds;
  headless::ClickAt(Edit->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Idle();
  EXPECT_TRUE(Edit->HasPopupWindow());
  Key(VK_ESCAPE);
  // Every drop-down starts with an empty memory and no pending operation.
  OpenByKey();
  Type("7+");
  Key('M', VK_CONTROL);  // memory store
  EXPECT_EQ(7.0, calc->Memory());
  EXPECT_EQ(cbAdd, calc->PendingOperator());
  Key(VK_ESCAPE);
  OpenByKey();
  EXPECT_EQ(0.0, calc->Memory());
  EXPECT_EQ(cbEqual, calc->PendingOperator());
  EXPECT_TRUE(calc->Button(cbMR).Grayed);
  Key(VK_ESCAPE);
  // A read-only editor drops nothing.
  Edit->Properties()->SetReadOnly(true);
  Key(VK_F4);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_TRUE(Errors.empty());
}

// The open drop-down under the editor, for a person to look at.
TEST_F(CalcEditTest, PictureOfTheOpenCalculator) {
  Edit->SetValue(1234.5);
  Focus();
  OpenByKey();
  Type("2");
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  std::string path = std::string(VORN_ARTIFACT_DIR) + "/calcedit-open.png";
  ASSERT_TRUE(headless::SavePng(nullptr, path.c_str()));
  EXPECT_TRUE(std::filesystem::exists(path));
  // The calculator fills the popup's client area.
  TcxCustomEditPopupWindow* w = Edit->PopupWindow();
  RECT c = w->ViewInfo()->ClientRect;
  EXPECT_EQ(c.right - c.left, Edit->Calculator()->Width());
  EXPECT_EQ(c.bottom - c.top, Edit->Calculator()->Height());
  Key(VK_ESCAPE);
}

TEST_F(CalcEditTest, TheCalculatorComputesOnTheEditorsText) {
  int changes = 0;
  Edit->Properties()->OnEditValueChanged = TNotifyEvent([&](TObject*) { ++changes; });
  Focus();
  OpenByKey();
  Type("2+3=");  // "=" closes the drop-down
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ("5", std::string(Edit->Text().c_str()));
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Key(VK_RETURN);
  EXPECT_EQ(5.0, Edit->EditValue().AsDouble());
  EXPECT_GE(changes, 1);
  // The shown number is the first operand; Enter works "=" too.
  OpenByKey();
  Type("*4");
  Key(VK_RETURN);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ("20", std::string(Edit->Text().c_str()));
  Other->SetFocus();
  Idle();
  EXPECT_EQ(20.0, Edit->EditValue().AsDouble());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(CalcEditTest, PopupEventsSelectionAfterClosingAndTab) {
  int popups = 0, closeUps = 0;
  Edit->Properties()->OnPopup = TNotifyEvent([&](TObject*) { ++popups; });
  Edit->Properties()->OnCloseUp = TNotifyEvent([&](TObject*) { ++closeUps; });
  Edit->SetValue(1234);
  Focus();
  Edit->SetSelection(1, 0);
  OpenByKey();
  EXPECT_EQ(1, popups);
  Key(VK_ESCAPE);
  EXPECT_EQ(1, closeUps);
  // AutoSelect: the whole text is selected after closing; without it the selection runs to the end.
  EXPECT_EQ(0, Edit->SelStart());
  EXPECT_EQ(4, Edit->SelLength());
  Edit->Properties()->SetAutoSelect(false);
  Edit->SetSelection(1, 0);
  OpenByKey();
  Key(VK_ESCAPE);
  EXPECT_EQ(1, Edit->SelStart());
  EXPECT_EQ(3, Edit->SelLength());
  // Tab goes to the editor's key handling: the drop-down closes and the focus moves on.
  OpenByKey();
  Key(VK_TAB);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_TRUE(Other->Focused());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(CalcEditTest, PasteGoesThroughTheCalculatorAndFormatsFollowTheLocale) {
  Focus();
  auto put = [](const char* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    std::memcpy(GlobalLock(g), text, strlen(text) + 1);
    GlobalUnlock(g);
    SetClipboardData(CF_TEXT, g);
    CloseClipboard();
  };
  put(" 12,5р. ");
  Key('V', VK_CONTROL);
  EXPECT_EQ("12,5", std::string(Edit->Text().c_str()));
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  put("twelve");
  Key('V', VK_CONTROL);
  EXPECT_EQ("0", std::string(Edit->Text().c_str()));
  put("-3,25");
  Key('V', VK_CONTROL);
  Other->SetFocus();
  Idle();
  EXPECT_EQ(-3.25, Edit->EditValue().AsDouble());
  // The regional formats change: the text follows.
  SetFormatSettings(TFormatSettings::English());
  Edit->FormatChanged();
  EXPECT_EQ("-3.25", std::string(Edit->Text().c_str()));
}

TEST_F(CalcEditTest, EscapeClosesAndLeavesTheValue) {
  Edit->SetValue(7);
  Focus();
  OpenByKey();
  Key(VK_ESCAPE);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ("7", std::string(Edit->Text().c_str()));
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(7.0, Edit->EditValue().AsDouble());
}

TEST_F(CalcEditTest, DivisionByZeroShowsTheErrorWhichClosingTurnsIntoZero) {
  Focus();
  OpenByKey();
  int beeps = headless::BeepCount();
  Type("5/0");
  Key(VK_RETURN);
  EXPECT_EQ(1, headless::BeepCount() - beeps);
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_TRUE(VarIsNumeric(Edit->EditValue()));
  EXPECT_EQ(0.0, Edit->EditValue().AsDouble());
  EXPECT_EQ("0", std::string(Edit->Text().c_str()));

  // Without the beep setting the calculator is silent too.
  Edit->Properties()->SetBeepOnError(false);
  OpenByKey();
  beeps = headless::BeepCount();
  Type("1/0+");  // the next operator computes the pending division
  EXPECT_TRUE(Edit->HasPopupWindow());
  EXPECT_EQ(kCalcEditError, std::string(Edit->Text().c_str()));
  Type("9");  // only CE and C leave the error
  EXPECT_EQ(kCalcEditError, std::string(Edit->Text().c_str()));
  Key(VK_ESCAPE);
  EXPECT_EQ(0, headless::BeepCount() - beeps);
  EXPECT_EQ("0", std::string(Edit->Text().c_str()));
  EXPECT_TRUE(Errors.empty());
}

TEST_F(CalcEditTest, TheCalculatorFollowsThePrecision) {
  Edit->Properties()->SetPrecision(4);
  Focus();
  OpenByKey();
  EXPECT_EQ(4, Edit->Calculator()->Precision());
  int beeps = headless::BeepCount();
  Type("12345");
  EXPECT_EQ("1234", std::string(Edit->Text().c_str()));
  EXPECT_EQ(1, headless::BeepCount() - beeps);
  Type("/3=");
  EXPECT_EQ("411,3", std::string(Edit->Text().c_str()));
}

}  // namespace calcedit_test
