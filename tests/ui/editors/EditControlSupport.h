#pragma once
// A concrete editor for the editor-control tests: it keeps its shown text itself (no inner edit), types
// printable characters into it, validates the text as an integer and converts it to an integer edit
// value. A form on a fresh headless screen holds it next to a plain edit that can take the focus.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

namespace edctl_test {

class TEdCtlProperties : public TcxCustomEditProperties {
  RTL_CLASS(TEdCtlProperties, TcxCustomEditProperties)
public:
  using TcxCustomEditProperties::TcxCustomEditProperties;
  bool NeedsDisplayValueValidation() const override { return true; }
  bool CanCompareEditValues() const override { return true; }
  bool CanResetEditValue() const override { return true; }
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) override {
    ADisplayValue = Variant(VarIsNull(AEditValue) ? String() : VarToStr(AEditValue));
  }
  // Anything but an integer (or nothing) is wrong; the base then fills the text and asks OnValidate.
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override {
    int32_t value = 0;
    String text = VarToStr(ADisplayValue);
    if (!text.empty() && !TryStrToInt(text, value)) AError = true;
    inherited::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
  }
  TClass GetContainerClass() const override;
};

// Per-activation data of the test editor.
class TEdCtlEditData : public TcxCustomEditData {
  RTL_CLASS(TEdCtlEditData, TcxCustomEditData)
public:
  using TcxCustomEditData::TcxCustomEditData;
};

class TEdCtlEdit : public TcxCustomEdit {
  RTL_CLASS(TEdCtlEdit, TcxCustomEdit)
public:
  using TcxCustomEdit::TcxCustomEdit;
  TEdCtlProperties* Props() const { return static_cast<TEdCtlProperties*>(Properties()); }
  TClass GetPropertiesClass() const override { return TEdCtlProperties::StaticClass(); }
  TClass GetEditDataClass() const override { return WithEditData ? TEdCtlEditData::StaticClass() : nullptr; }
  void InitializeEditData() override { ++EditDataInitCount; }
  void GetDisplayText(String& AText) override { AText = Shown; }
  void RefreshDisplayFromEditValue() override {
    Variant display;
    EditValueToDisplayValue(EditValue(), display);
    // New text drops the selection; the same text keeps it.
    if (Shown != VarToStr(display)) AllSelected = false;
    Shown = VarToStr(display);
  }
  void SetInnerEditDisplayValue(const Variant& Value) override {
    Shown = VarToStr(Value);
    AllSelected = false;
  }
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override {
    String text = VarToStr(ADisplayValue);
    AEditValue = text.empty() ? Null() : Variant(StrToInt(text));
  }
  void ApplyDisplayValue(const Variant& ADisplayValue) override {
    Variant value;
    DisplayToEditValue(ADisplayValue, value);
    AssignEditValue(value);
  }
  bool IsModifyingChar(char32_t AKey) override { return AKey >= 32 || AKey == 8; }
  // Typing replaces selected text, as an edit control does.
  void DoEditKeyPress(char32_t& AKey) override {
    inherited::DoEditKeyPress(AKey);
    if (AKey == 8) {
      if (!Shown.empty()) Shown.pop_back();
    } else if (AKey >= 32 && AKey < 127) {
      if (AllSelected) Shown.clear();
      Shown += static_cast<char>(AKey);
    } else {
      return;
    }
    AKey = 0;
    AllSelected = false;
    InnerEditChanged(this);
  }
  void SelectAll() override {
    ++SelectAllCount;
    AllSelected = true;
  }
  void PropertiesChanged(TObject* Sender) override {
    ++PropertiesChangedCount;
    inherited::PropertiesChanged(Sender);
  }
  using TcxCustomEdit::PropertiesChanged;

  String Shown;
  bool AllSelected = false;
  bool WithEditData = false;
  int SelectAllCount = 0;
  int EditDataInitCount = 0;
  int PropertiesChangedCount = 0;
};

inline TClass TEdCtlProperties::GetContainerClass() const { return TEdCtlEdit::StaticClass(); }

// A form with the test editor and a plain edit below it; exceptions that reach the application are
// collected instead of shown.
class EdCtlFixture : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Form->Show();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) {
      Errors.push_back(std::string(E->Message().c_str()));
    });
    Edit = New<TEdCtlEdit>(Form);
    Edit->SetAutoSize(false);
    Edit->SetBounds(10, 10, 120, 24);
    Edit->SetParent(Form);
    Other = New<TEdit>(Form);
    Other->SetBounds(10, 100, 120, 24);
    Other->SetParent(Form);
    Idle();
  }
  void TearDown() override {
    Application->OnException = TExceptionEvent();
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() { headless::RunUntilIdle(); }
  static void Press(int AKey) {
    headless::KeyPress(AKey);
    Idle();
  }
  static void PressWith(int AModifier, int AKey) {
    headless::KeyDown(AModifier);
    headless::KeyPress(AKey);
    headless::KeyUp(AModifier);
    Idle();
  }
  static void Type(const char* AText) {
    headless::TypeText(AText);
    Idle();
  }
  static void ClickOn(TControl* AControl) {
    POINT p = AControl->ClientToScreen(POINT{5, 5});
    headless::Click(p.x, p.y);
    Idle();
  }
  void FocusEdit(TWinControl* AEdit) {
    AEdit->SetFocus();
    Idle();
    ASSERT_TRUE(AEdit->Focused());
  }
  TForm* Form = nullptr;
  TEdCtlEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  std::vector<std::string> Errors;
};

inline const char* const kEdCtlInvalidValue = "Введено неверное значение. Нажмите Esc для отмены";

}  // namespace edctl_test
