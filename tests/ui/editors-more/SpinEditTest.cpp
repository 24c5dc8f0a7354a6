// The spin edit on a headless form with real messages: stepping tables (the Int64 limits, bounds with and
// without wrapping, doubles), banker's rounding of the increment, the keys and the wheel, the auto-repeat of a
// held button on the test clock, the typing filter, validation of bad text, and the button layout.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <limits>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Clock.h"
#include "rtl/Files.h"
#include "rtl/Filer.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxSpinEdit.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

namespace {

constexpr int64_t kSpinTestMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kSpinTestMin = std::numeric_limits<int64_t>::min();

class SpinEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    SetFormatSettings(TFormatSettings::Russian());
    InitForms();
    cxSpinEditInitialize();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 400, 300);
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 200, 100, 21);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    winapi::SetThemeActive(false);
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    DoneEditPaintUtils();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  TcxSpinEdit* Make(bool AFocus = true) {
    auto* edit = New<TcxSpinEdit>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    Idle();
    if (AFocus) {
      edit->SetFocus();
      Idle();
    }
    return edit;
  }
  static void Key(int AKey) {
    headless::KeyPress(AKey);
    Idle();
  }
  // Replaces the text as the user would: everything selected, then typed.
  static void TypeOver(TcxSpinEdit* AEdit, const char* AText) {
    AEdit->SelectAll();
    headless::TypeText(AText);
    Idle();
  }
  static void Press(int AKey, bool ACtrl = false) {
    if (ACtrl) headless::KeyDown(VK_CONTROL);
    headless::KeyPress(AKey);
    if (ACtrl) headless::KeyUp(VK_CONTROL);
    Idle();
  }
  static POINT ButtonCentre(TcxSpinEdit* AEdit, int32_t AKind) {
    auto* vi = static_cast<TcxSpinEditViewInfo*>(AEdit->EditViewInfo());
    for (int32_t i = 0; i < vi->ButtonCount(); ++i)
      if (vi->ButtonKind(i) == AKind) {
        RECT r = vi->Button(i)->Bounds;
        return AEdit->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      }
    ADD_FAILURE() << "no button of kind " << AKind;
    return POINT{};
  }
  static RECT ButtonBounds(TcxSpinEdit* AEdit, int32_t AKind) {
    auto* vi = static_cast<TcxSpinEditViewInfo*>(AEdit->EditViewInfo());
    for (int32_t i = 0; i < vi->ButtonCount(); ++i)
      if (vi->ButtonKind(i) == AKind) return vi->Button(i)->Bounds;
    return RECT{};
  }
  TForm* Form = nullptr;
  TEdit* Other = nullptr;
};

// The dark (arrow) pixels inside a rectangle of a window: their bounding box and the widths of its first and
// last rows.
struct SpinArrowShape {
  RECT Box{0, 0, 0, 0};
  int32_t FirstRowWidth = 0;
  int32_t LastRowWidth = 0;
  bool Found = false;
};

SpinArrowShape SpinFindArrow(HWND AWindow, const RECT& R) {
  SpinArrowShape shape;
  auto dark = [&](int x, int y) { return (headless::Pixel(AWindow, x, y) & 0xFFFFFF) == 0; };
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x) {
      if (!dark(x, y)) continue;
      if (!shape.Found) shape.Box = RECT{x, y, x + 1, y + 1};
      shape.Found = true;
      shape.Box.left = std::min<LONG>(shape.Box.left, x);
      shape.Box.top = std::min<LONG>(shape.Box.top, y);
      shape.Box.right = std::max<LONG>(shape.Box.right, x + 1);
      shape.Box.bottom = std::max<LONG>(shape.Box.bottom, y + 1);
    }
  if (!shape.Found) return shape;
  for (int x = shape.Box.left; x < shape.Box.right; ++x) {
    shape.FirstRowWidth += dark(x, shape.Box.top);
    shape.LastRowWidth += dark(x, shape.Box.bottom - 1);
  }
  return shape;
}


TEST_F(SpinEditTest, NewEditorHoldsZeroAndTwoButtons) {
  TcxSpinEdit* edit = Make();
  EXPECT_EQ(edit->Properties()->Buttons()->Count(), 2);
  EXPECT_EQ(edit->Value().AsInt64(), 0);
  EXPECT_EQ(edit->InnerText(), "0");
  // A stand-alone editor has the data defaults of no field: integers.
  EXPECT_EQ(edit->Properties()->ValueType(), vtInt);
  EXPECT_TRUE(edit->GetHiddenStyleValues().Contains(svPopupBorderStyle));
  edit->Properties()->SpinButtons()->SetShowFastButtons(true);
  EXPECT_EQ(edit->Properties()->Buttons()->Count(), 4);
  edit->Properties()->SpinButtons()->SetShowFastButtons(false);
  EXPECT_EQ(edit->Properties()->Buttons()->Count(), 2);
}

// Steps through real key presses. A start given as text is typed (it may lie outside the bounds).
TEST_F(SpinEditTest, IntegerSteppingAtBoundsAndTypeLimits) {
  struct Case {
    double Min, Max;
    bool Circular;
    int64_t Start;
    bool Typed;
    int Key;
    int64_t Expected;
  } cases[] = {
      // No bounds: the whole Int64 range; the limits hold instead of overflowing.
      {0, 0, false, kSpinTestMax, false, VK_UP, kSpinTestMax},
      {0, 0, false, kSpinTestMax, false, VK_PRIOR, kSpinTestMax},
      {0, 0, false, kSpinTestMax - 3, false, VK_PRIOR, kSpinTestMax},
      {0, 0, false, kSpinTestMax, false, VK_DOWN, kSpinTestMax - 1},
      {0, 0, false, kSpinTestMin, false, VK_DOWN, kSpinTestMin},
      {0, 0, false, kSpinTestMin + 3, false, VK_NEXT, kSpinTestMin},
      // Wrapping over the whole range.
      {0, 0, true, kSpinTestMax, false, VK_UP, kSpinTestMin},
      {0, 0, true, kSpinTestMin, false, VK_NEXT, kSpinTestMax - 9},
      // Bounds 1..10.
      {1, 10, false, 10, false, VK_UP, 10},
      {1, 10, true, 10, false, VK_UP, 1},
      {1, 10, false, 1, false, VK_DOWN, 1},
      {1, 10, true, 1, false, VK_DOWN, 10},
      {1, 10, false, 5, false, VK_PRIOR, 10},
      {1, 10, true, 5, false, VK_PRIOR, 5},
      {1, 10, true, 3, false, VK_NEXT, 3},
      {1, 10, false, 5, false, VK_UP, 6},
      // Typed values outside the bounds.
      {1, 10, false, 15, true, VK_DOWN, 10},
      {1, 10, false, 15, true, VK_UP, 15},
      {1, 10, true, 15, true, VK_UP, 1},
      {1, 10, false, -3, true, VK_UP, 1},
      {1, 10, false, -3, true, VK_DOWN, -3},
      {1, 10, true, -3, true, VK_DOWN, 10},
  };
  TcxSpinEdit* edit = Make();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Min << ".." << c.Max << " circular " << c.Circular << " start " << c.Start
                                    << " key " << c.Key);
    edit->Properties()->SetMinValue(c.Min);
    edit->Properties()->SetMaxValue(c.Max);
    edit->Properties()->SetCircular(c.Circular);
    if (c.Typed)
      TypeOver(edit, IntToStr(c.Start).c_str());
    else
      edit->SetValue(Variant(c.Start));
    Idle();
    String before = edit->InnerText();
    Press(c.Key);
    EXPECT_EQ(edit->Value().AsInt64(), c.Expected);
    EXPECT_EQ(edit->InnerText(), IntToStr(c.Expected));
    if (c.Expected == c.Start) {
      EXPECT_EQ(edit->InnerText(), before);
    }
  }
}

// A wrapping step longer than the cycle still lands inside the bounds (position modulo the cycle).
TEST_F(SpinEditTest, WrappingStepLongerThanTheRange) {
  TcxSpinEdit* edit = Make();
  edit->Properties()->SetMinValue(1);
  edit->Properties()->SetMaxValue(10);
  edit->Properties()->SetCircular(true);
  edit->Properties()->SetLargeIncrement(25);
  struct Case {
    int64_t Start;
    int Key;
    int64_t Expected;
  } cases[] = {{5, VK_PRIOR, 10}, {5, VK_NEXT, 10}, {10, VK_PRIOR, 5}, {1, VK_NEXT, 6}};
  for (const Case& c : cases) {
    edit->SetValue(Variant(c.Start));
    Idle();
    Press(c.Key);
    EXPECT_EQ(edit->Value().AsInt64(), c.Expected) << c.Start << " key " << c.Key;
  }
}

TEST_F(SpinEditTest, FloatStepping) {
  struct Case {
    double Min, Max;
    bool Circular;
    double Start;
    int Key;
    double Expected;
  } cases[] = {
      {0, 0, false, 1.25, VK_UP, 1.75},
      {0, 0, false, -0.25, VK_DOWN, -0.75},
      {0, 0, false, 1.25, VK_PRIOR, 6.25},
      {0, 10, false, 9.75, VK_UP, 10},
      {1, 10, true, 10, VK_UP, 1},
      {1, 10, true, 1, VK_DOWN, 10},
      // A fractional step past a bound wraps to the other bound rather than leaving the range.
      {0, 1, true, 0.75, VK_UP, 0},
      {0, 1, true, 0.25, VK_DOWN, 1},
      // The type-wide limit holds.
      {0, 0, false, 1.7e308, VK_PRIOR, 1.7e308},
  };
  TcxSpinEdit* edit = Make();
  edit->Properties()->SetValueType(vtFloat);
  edit->Properties()->SetIncrement(0.5);
  edit->Properties()->SetLargeIncrement(5);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Min << ".." << c.Max << " circular " << c.Circular << " start " << c.Start
                                    << " key " << c.Key);
    edit->Properties()->SetMinValue(c.Min);
    edit->Properties()->SetMaxValue(c.Max);
    edit->Properties()->SetCircular(c.Circular);
    edit->SetValue(Variant(c.Start));
    Idle();
    Press(c.Key);
    EXPECT_EQ(VarType(edit->Value()), varDouble);
    EXPECT_DOUBLE_EQ(edit->Value().AsDouble(), c.Expected);
  }
  // The regional decimal separator shows.
  edit->Properties()->SetMinValue(0);
  edit->Properties()->SetMaxValue(0);
  edit->SetValue(Variant(1.25));
  Press(VK_UP);
  EXPECT_EQ(edit->InnerText(), "1,75");
}

TEST_F(SpinEditTest, IntegerIncrementsRoundHalfToEven) {
  struct Case {
    double Increment;
    int Key;
    int64_t Expected;
  } cases[] = {{2.5, VK_UP, 2}, {3.5, VK_UP, 4}, {2.5, VK_DOWN, -2}, {3.5, VK_DOWN, -4}, {0.5, VK_UP, 0}, {1.5, VK_UP, 2}};
  TcxSpinEdit* edit = Make();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Increment << " key " << c.Key);
    edit->Properties()->SetIncrement(c.Increment);
    edit->SetValue(Variant(0));
    Idle();
    Press(c.Key);
    EXPECT_EQ(edit->Value().AsInt64(), c.Expected);
  }
  edit->Properties()->SetLargeIncrement(2.5);
  edit->SetValue(Variant(0));
  Press(VK_PRIOR);
  EXPECT_EQ(edit->Value().AsInt64(), 2);
}

TEST_F(SpinEditTest, KeysWheelAndCtrlIncrement) {
  TcxSpinEdit* edit = Make();
  Press(VK_UP);
  Press(VK_UP);
  Press(VK_PRIOR);
  EXPECT_EQ(edit->Value().AsInt64(), 12);
  Press(VK_NEXT);
  Press(VK_DOWN);
  EXPECT_EQ(edit->Value().AsInt64(), 1);
  // The caret ends behind the new text.
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_TRUE(edit->ModifiedAfterEnter());

  // The wheel: towards the user steps down.
  POINT centre = edit->ClientToScreen(POINT{50, 10});
  headless::MouseMove(centre.x, centre.y);
  headless::Wheel(120);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 2);
  headless::Wheel(-120);
  headless::Wheel(-120);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 0);

  // With UseCtrlIncrement the bare key moves the caret; Ctrl steps.
  edit->Properties()->SetUseCtrlIncrement(true);
  TypeOver(edit, "5");
  Press(VK_UP);
  EXPECT_EQ(edit->InnerText(), "5");
  Press(VK_UP, true);
  EXPECT_EQ(edit->InnerText(), "6");
  Press(VK_NEXT, true);
  EXPECT_EQ(edit->InnerText(), "-4");
}

TEST_F(SpinEditTest, HeldKeyShowsTheButtonPressed) {
  TcxSpinEdit* edit = Make();
  RECT up = ButtonBounds(edit, sskUp);
  SpinArrowShape normal = SpinFindArrow(edit->Handle(), up);
  ASSERT_TRUE(normal.Found);
  headless::KeyDown(VK_UP);
  Idle();
  EXPECT_EQ(edit->PressedState(), sskUp + 1);
  SpinArrowShape pressed = SpinFindArrow(edit->Handle(), up);
  ASSERT_TRUE(pressed.Found);
  EXPECT_EQ(pressed.Box.left, normal.Box.left + 1);
  EXPECT_EQ(pressed.Box.top, normal.Box.top + 1);
  headless::KeyUp(VK_UP);
  Idle();
  EXPECT_EQ(edit->PressedState(), 0);
  SpinArrowShape released = SpinFindArrow(edit->Handle(), up);
  EXPECT_EQ(released.Box.left, normal.Box.left);
  EXPECT_EQ(edit->Value().AsInt64(), 1);
}

TEST_F(SpinEditTest, HeldButtonRepeatsAfter400ThenEvery100Milliseconds) {
  TScopedTestClock clock;
  TcxSpinEdit* edit = Make();
  POINT up = ButtonCentre(edit, sskUp);
  headless::MouseMove(up.x, up.y);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 1);
  ASSERT_NE(edit->RepeatTimer(), nullptr);
  headless::AdvanceClock(399);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 1);
  headless::AdvanceClock(1);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 2);
  headless::AdvanceClock(99);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 2);
  headless::AdvanceClock(1);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 3);
  headless::AdvanceClock(300);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 6);
  headless::MouseUp();
  Idle();
  EXPECT_EQ(edit->RepeatTimer(), nullptr);
  headless::AdvanceClock(1000);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 6);

  // The down button, then a key while it is held stops the repeat.
  POINT down = ButtonCentre(edit, sskDown);
  headless::MouseMove(down.x, down.y);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 5);
  headless::KeyPress(VK_SHIFT);
  Idle();
  EXPECT_EQ(edit->RepeatTimer(), nullptr);
  headless::AdvanceClock(1000);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), 5);
  headless::MouseUp();
  Idle();

  // A read-only editor steps once and does not repeat.
  edit->Properties()->SetReadOnly(true);
  headless::MouseDown();
  Idle();
  EXPECT_EQ(edit->RepeatTimer(), nullptr);
  headless::MouseUp();
  Idle();
}

TEST_F(SpinEditTest, RepeatStopsOnFocusChangeAndDoubleClickAway) {
  TcxSpinEdit* edit = Make();
  POINT up = ButtonCentre(edit, sskUp);
  headless::MouseMove(up.x, up.y);
  headless::MouseDown();
  Idle();
  ASSERT_NE(edit->RepeatTimer(), nullptr);
  Other->SetFocus();
  Idle();
  EXPECT_EQ(edit->RepeatTimer(), nullptr);
  EXPECT_EQ(edit->CapturedButton(), -1);
  int64_t value = edit->Value().AsInt64();
  headless::AdvanceClock(1000);
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), value);
  headless::MouseUp();
  Idle();
  // A double click on the text, not on a button, does not step.
  edit->SetFocus();
  Idle();
  value = edit->Value().AsInt64();
  POINT text = edit->ClientToScreen(POINT{40, 10});
  headless::DoubleClickAt(edit->Handle(), 40, 10);
  (void)text;
  Idle();
  EXPECT_EQ(edit->Value().AsInt64(), value);
  EXPECT_EQ(edit->RepeatTimer(), nullptr);
}

TEST_F(SpinEditTest, ReadOnlyRefusesStepsAndImmediatePostPostsThem) {
  TcxSpinEdit* edit = Make();
  edit->Properties()->SetReadOnly(true);
  Idle();
  Press(VK_UP);
  EXPECT_EQ(edit->Value().AsInt64(), 0);
  edit->Properties()->SetReadOnly(false);
  Idle();
  Press(VK_UP);
  EXPECT_EQ(edit->Value().AsInt64(), 1);
  EXPECT_EQ(edit->EditValue().AsInt64(), 0);  // not posted before validation
  edit->Properties()->SetImmediatePost(true);
  Press(VK_UP);
  EXPECT_EQ(edit->EditValue().AsInt64(), 2);
}

TEST_F(SpinEditTest, PropertiesDefaultsAssignAndStreaming) {
  auto* alone = New<TcxSpinEditProperties>(nullptr);
  // Without any data defaults the values are doubles.
  EXPECT_EQ(alone->ValueType(), vtFloat);
  EXPECT_FALSE(alone->IsValueTypeStored());
  alone->SetValueType(vtFloat);
  EXPECT_TRUE(alone->IsValueTypeStored());
  alone->SetIncrement(2);
  alone->SetLargeIncrement(20);
  alone->SetCircular(true);
  alone->SetCanEdit(false);
  alone->SpinButtons()->SetPosition(sbpHorzRight);
  alone->SpinButtons()->SetShowFastButtons(true);
  EXPECT_EQ(alone->Buttons()->Count(), 4);
  EXPECT_EQ(alone->GetOutOfRangeAction(), sorWrap);

  TcxSpinEdit* edit = Make(false);
  edit->SetProperties(alone);
  TcxSpinEditProperties* p = edit->Properties();
  EXPECT_EQ(p->ValueType(), vtFloat);
  EXPECT_DOUBLE_EQ(p->Increment(), 2);
  EXPECT_DOUBLE_EQ(p->LargeIncrement(), 20);
  EXPECT_TRUE(p->Circular());
  EXPECT_FALSE(p->CanEdit());
  EXPECT_EQ(p->SpinButtons()->Position(), sbpHorzRight);
  EXPECT_EQ(p->Buttons()->Count(), 4);
  alone->Free();

  edit->SetName("Spin");
  edit->SetValue(Variant(2.5));
  String written = ComponentToText(edit);
  EXPECT_NE(written.find("Properties.Increment = 2"), String::npos) << written;
  EXPECT_NE(written.find("Properties.ValueType = vtFloat"), String::npos) << written;
  EXPECT_NE(written.find("Properties.SpinButtons.Position = sbpHorzRight"), String::npos) << written;
  EXPECT_NE(written.find("Value = 2.5"), String::npos) << written;
  edit->SetValue(Variant(0));
  edit->Properties()->SetIncrement(1);
  written = ComponentToText(edit);
  EXPECT_EQ(written.find("Value ="), String::npos) << written;
  EXPECT_EQ(written.find("Properties.Increment"), String::npos) << written;
}

TEST_F(SpinEditTest, FastButtonsStepByLargeIncrement) {
  TcxSpinEdit* edit = Make();
  edit->Properties()->SpinButtons()->SetShowFastButtons(true);
  Idle();
  for (auto [kind, expected] : {std::pair{sskFastUp, 10}, std::pair{sskFastUp, 20}, std::pair{sskFastDown, 10},
                                std::pair{sskUp, 11}}) {
    POINT p = ButtonCentre(edit, kind);
    headless::Click(p.x, p.y);
    Idle();
    EXPECT_EQ(edit->Value().AsInt64(), expected) << "kind " << kind;
  }
}

TEST_F(SpinEditTest, TypingIsFilteredToNumbers) {
  TcxSpinEdit* edit = Make();
  int beeps = headless::BeepCount();
  TypeOver(edit, "1a2b3");
  EXPECT_EQ(edit->InnerText(), "123");
  EXPECT_EQ(headless::BeepCount(), beeps + 2);
  EXPECT_TRUE(edit->IsTypedText());
  EXPECT_EQ(edit->Value().AsInt64(), 123);
  // Integers take signs and exponent letters, not separators.
  TypeOver(edit, "-4,5e");
  EXPECT_EQ(edit->InnerText(), "-45e");

  // Doubles: both "." and "," type the regional separator.
  edit->Properties()->SetValueType(vtFloat);
  TypeOver(edit, "1.5");
  EXPECT_EQ(edit->InnerText(), "1,5");
  TypeOver(edit, "2,25");
  EXPECT_EQ(edit->InnerText(), "2,25");
  EXPECT_DOUBLE_EQ(edit->Value().AsDouble(), 2.25);
  TFormatSettings dot = TFormatSettings::Russian();
  dot.DecimalSeparator = '.';
  SetFormatSettings(dot);
  TypeOver(edit, "3,5");
  EXPECT_EQ(edit->InnerText(), "3.5");
  SetFormatSettings(TFormatSettings::Russian());

  // Without CanEdit nothing is typed, but the buttons and keys still spin.
  edit->Properties()->SetValueType(vtInt);
  edit->Properties()->SetCanEdit(false);
  edit->SetValue(Variant(7));
  Idle();
  TypeOver(edit, "99");
  EXPECT_EQ(edit->InnerText(), "7");
  Press(VK_BACK);
  EXPECT_EQ(edit->InnerText(), "7");
  Press(VK_UP);
  EXPECT_EQ(edit->InnerText(), "8");
}

class TSpinGetValueHandler : public TObject {
public:
  void GetValue(TObject*, const String& AText, Variant& AValue, String& AErrorText, bool& AError) {
    Texts.push_back(AText);
    if (AText == "boom") throw Exception("bad boom");
    if (AText == "ten") {
      AValue = Variant(10);
      AError = false;
    } else {
      AErrorText = "not a word I know";
    }
  }
  std::vector<String> Texts;
};

TEST_F(SpinEditTest, ValidationOfBadTextAndOutOfRangeValues) {
  TcxSpinEdit* edit = Make();
  auto validationError = [&]() -> String {
    try {
      edit->DoValidateEdit(true);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(passed)";
  };
  // Text that is no number falls back to the last good value; validation reports the core's text.
  edit->SetValue(Variant(4));
  Idle();
  TypeOver(edit, "1e");
  EXPECT_EQ(edit->Value().AsInt64(), 4);
  EXPECT_EQ(validationError(), "Введено неверное значение. Нажмите Esc для отмены");

  // With ExceptionOnInvalidInput the text itself raises.
  edit->Properties()->SetExceptionOnInvalidInput(true);
  TypeOver(edit, "e");
  EXPECT_THROW(edit->Value(), Exception);
  EXPECT_EQ(validationError(), "Invalid numeric value");
  edit->Properties()->SetExceptionOnInvalidInput(false);

  // Outside the bounds.
  edit->Properties()->SetMinValue(1);
  edit->Properties()->SetMaxValue(10);
  TypeOver(edit, "15");
  EXPECT_EQ(validationError(), "Значение выходит за допустимые границы");
  TypeOver(edit, "7");
  EXPECT_EQ(validationError(), "(passed)");
  EXPECT_EQ(edit->EditValue().AsInt64(), 7);

  // OnGetValue converts what the parser refuses; with it every character may be typed.
  TSpinGetValueHandler handler;
  edit->Properties()->OnGetValue = TcxSpinEditGetValueEvent(&handler, &TSpinGetValueHandler::GetValue);
  TypeOver(edit, "ten");
  EXPECT_EQ(edit->InnerText(), "ten");
  EXPECT_EQ(validationError(), "(passed)");
  EXPECT_EQ(edit->EditValue().AsInt64(), 10);
  EXPECT_EQ(edit->InnerText(), "10");
  edit->Properties()->SetExceptionOnInvalidInput(true);
  TypeOver(edit, "eleven");
  EXPECT_EQ(validationError(), "not a word I know");
  EXPECT_FALSE(handler.Texts.empty());
  // A handler that raises: reading the value raises its message again; validation reports it.
  TypeOver(edit, "boom");
  try {
    edit->Value();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "bad boom");
  }
  EXPECT_EQ(validationError(), "bad boom");
}

TEST_F(SpinEditTest, EditValueChecksAndValueProperty) {
  TcxSpinEdit* edit = Make(false);
  TcxCustomSpinEditProperties* p = edit->Properties();
  struct Case {
    Variant Value;
    bool Valid;
  } cases[] = {{Variant(String("12")), true}, {Variant(2.5), false}, {Variant(String()), false},
               {Variant(String("x")), false}, {Null(), true},         {Variant(3), true}};
  for (const Case& c : cases) {
    Variant v = c.Value;
    EXPECT_EQ(p->IsEditValueValid(v, false), c.Valid) << VarToStr(c.Value);
  }
  p->SetValueType(vtFloat);
  Variant half(2.5);
  EXPECT_TRUE(p->IsEditValueValid(half, false));
  p->SetValueType(vtInt);
  // Setting Value ignores what is not a number; Null shows as 0 clamped into the bounds.
  edit->SetValue(Variant(String("abc")));
  EXPECT_EQ(edit->Value().AsInt64(), 0);
  p->SetMinValue(3);
  p->SetMaxValue(8);
  edit->SetEditValue(Null());
  EXPECT_EQ(edit->Value().AsInt64(), 3);
  edit->SetValue(Variant(5));
  EXPECT_EQ(edit->EditValue().AsInt64(), 5);
  EXPECT_TRUE(edit->IsValueStored());
  edit->SetValue(Variant(0));
  EXPECT_FALSE(edit->IsValueStored());
}

TEST_F(SpinEditTest, ButtonGeometry) {
  // The default font on the 200x21 editor: content 17 pixels high, arrows of 3 rows, small buttons
  // 3 * 4 - 3 = 9 wide, fast ones 14, stacked ones the system's button width (16).
  struct Case {
    TcxSpinEditButtonsPosition Position;
    bool Fast;
    RECT Down, Up, FastDown, FastUp;
    int32_t ClientLeft, ClientRight;
  } cases[] = {
      {sbpVert, false, {182, 10, 198, 19}, {182, 2, 198, 10}, {}, {}, 2, 182},
      {sbpVert, true, {168, 10, 184, 19}, {168, 2, 184, 10}, {154, 2, 168, 19}, {184, 2, 198, 19}, 2, 154},
      {sbpHorzRight, false, {180, 2, 189, 19}, {189, 2, 198, 19}, {}, {}, 2, 180},
      {sbpHorzRight, true, {166, 2, 175, 19}, {175, 2, 184, 19}, {152, 2, 166, 19}, {184, 2, 198, 19}, 2, 152},
      {sbpHorzLeftRight, false, {2, 2, 11, 19}, {189, 2, 198, 19}, {}, {}, 11, 189},
      {sbpHorzLeftRight, true, {16, 2, 25, 19}, {175, 2, 184, 19}, {2, 2, 16, 19}, {184, 2, 198, 19}, 25, 175},
  };
  TcxSpinEdit* edit = Make(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << int(c.Position) << " fast " << c.Fast);
    edit->Properties()->SpinButtons()->SetPosition(c.Position);
    edit->Properties()->SpinButtons()->SetShowFastButtons(c.Fast);
    Idle();
    auto* vi = static_cast<TcxSpinEditViewInfo*>(edit->EditViewInfo());
    EXPECT_EQ(vi->ArrowSize, 3);
    auto same = [](const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; };
    EXPECT_TRUE(same(ButtonBounds(edit, sskDown), c.Down));
    EXPECT_TRUE(same(ButtonBounds(edit, sskUp), c.Up));
    EXPECT_TRUE(same(ButtonBounds(edit, sskFastDown), c.FastDown));
    EXPECT_TRUE(same(ButtonBounds(edit, sskFastUp), c.FastUp));
    EXPECT_EQ(vi->ClientRect.left, c.ClientLeft);
    EXPECT_EQ(vi->ClientRect.right, c.ClientRight);
    // Arrows point up and down when stacked, left and right side by side; fast buttons show two.
    SpinArrowShape up = SpinFindArrow(edit->Handle(), c.Up);
    SpinArrowShape down = SpinFindArrow(edit->Handle(), c.Down);
    ASSERT_TRUE(up.Found && down.Found);
    if (c.Position == sbpVert) {
      EXPECT_LT(up.FirstRowWidth, up.LastRowWidth);
      EXPECT_GT(down.FirstRowWidth, down.LastRowWidth);
      EXPECT_EQ(up.Box.right - up.Box.left, 5);
      EXPECT_EQ(up.Box.bottom - up.Box.top, 3);
    } else {
      EXPECT_EQ(up.Box.right - up.Box.left, 3);
      EXPECT_EQ(up.Box.bottom - up.Box.top, 5);
      EXPECT_LT(down.Box.left, up.Box.left);
    }
    if (c.Fast) {
      SpinArrowShape fast = SpinFindArrow(edit->Handle(), c.FastUp);
      ASSERT_TRUE(fast.Found);
      if (c.Position == sbpVert)
        EXPECT_EQ(fast.Box.bottom - fast.Box.top, 6);
      else
        EXPECT_EQ(fast.Box.right - fast.Box.left, 6);
    }
  }
}

TEST_F(SpinEditTest, ThemedButtonsUseTheSpinParts) {
  winapi::SetThemeActive(true);
  DoneThemeManager();
  TcxSpinEdit* edit = Make(false);
  edit->Style()->LookAndFeel()->SetNativeStyle(true);
  struct Case {
    TcxSpinEditButtonsPosition Position;
    int32_t DownPart, UpPart, FastDownPart, FastUpPart;
    bool Delimiter;
  } cases[] = {{sbpVert, 2, 1, 4, 3, true}, {sbpHorzRight, 4, 3, 4, 3, true}, {sbpHorzLeftRight, 4, 3, 4, 3, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << int(c.Position));
    edit->Properties()->SpinButtons()->SetPosition(c.Position);
    edit->Properties()->SpinButtons()->SetShowFastButtons(true);
    Idle();
    auto* vi = static_cast<TcxSpinEditViewInfo*>(edit->EditViewInfo());
    ASSERT_TRUE(vi->NativeTheme);
    const int32_t expected[4] = {c.DownPart, c.UpPart, c.FastDownPart, c.FastUpPart};
    for (int32_t i = 0; i < vi->ButtonCount(); ++i) {
      EXPECT_EQ(vi->Button(i)->Data.NativePart, expected[vi->ButtonKind(i)]) << "kind " << vi->ButtonKind(i);
      EXPECT_EQ(vi->Button(i)->Data.NativeState, 1);
    }
    EXPECT_EQ(IsRectEmpty(&vi->DelimiterLine) == 0, c.Delimiter);
    // Half the content height wide (a text line of 13 rows, 4 of offsets, less 1: 16, so 8), the up button
    // one pixel less beside another button.
    RECT up = ButtonBounds(edit, sskUp);
    if (c.Position == sbpVert) {
      RECT down = ButtonBounds(edit, sskDown);
      EXPECT_EQ(down.top, up.bottom + 1);
      EXPECT_EQ(vi->DelimiterLine.top, up.bottom);
    } else {
      EXPECT_EQ(up.right - up.left, 7);
    }
  }
  edit->Properties()->SpinButtons()->SetShowFastButtons(false);
  edit->Properties()->SpinButtons()->SetPosition(sbpVert);
  Idle();
  // The theme paints the face: the up button is not the editor's background.
  RECT up = ButtonBounds(edit, sskUp);
  EXPECT_NE(headless::Pixel(edit->Handle(), (up.left + up.right) / 2, up.top + 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(SpinEditTest, DisabledArrowsAreEmbossed) {
  TcxSpinEdit* edit = Make(false);
  edit->SetEnabled(false);
  Idle();
  RECT up = ButtonBounds(edit, sskUp);
  SpinArrowShape shape = SpinFindArrow(edit->Handle(), up);
  EXPECT_FALSE(shape.Found);  // no black: shadow and highlight only
  TColor shadow = ColorToRGB(clBtnShadow);
  const uint32_t shadowPixel = (uint32_t(GetRValue(shadow)) << 16) | (uint32_t(GetGValue(shadow)) << 8) |
                               uint32_t(GetBValue(shadow));
  bool sawShadow = false;
  for (int y = up.top; y < up.bottom; ++y)
    for (int x = up.left; x < up.right; ++x)
      if ((headless::Pixel(edit->Handle(), x, y) & 0xFFFFFF) == shadowPixel) sawShadow = true;
  EXPECT_TRUE(sawShadow);
}

TEST_F(SpinEditTest, PicturesOfTheButtonLayouts) {
  std::vector<TcxSpinEdit*> edits;
  int32_t top = 10;
  for (auto position : {sbpVert, sbpHorzRight, sbpHorzLeftRight})
    for (bool fast : {false, true}) {
      auto* edit = New<TcxSpinEdit>(Form);
      edit->SetParent(Form);
      edit->SetBoundsRect(RECT{10, top, 210, top + 21});
      edit->Properties()->SpinButtons()->SetPosition(position);
      edit->Properties()->SpinButtons()->SetShowFastButtons(fast);
      edit->SetValue(Variant(top));
      top += 28;
    }
  Idle();
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
#ifdef VORN_ARTIFACT_DIR
  if (!dir) dir = VORN_ARTIFACT_DIR;
#endif
  if (!dir) GTEST_SKIP();
  ForceDirectories(dir);
  EXPECT_TRUE(headless::SavePng(Form->Handle(), (String(dir) + "/spin_edit_layouts.png").c_str()));
}

TEST_F(SpinEditTest, RegistersTheKindOnce) {
  cxSpinEditInitialize();
  TcxRegisteredClasses* kinds = GetRegisteredEditProperties();
  int32_t index = kinds->IndexOfClass(TcxSpinEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(kinds->Descriptions(index), "SpinEdit|Represents a spin editor");
  int32_t count = 0;
  for (int32_t i = 0; i < kinds->Count(); ++i) count += kinds->Descriptions(i) == "SpinEdit|Represents a spin editor";
  EXPECT_EQ(count, 1);
}

}  // namespace
