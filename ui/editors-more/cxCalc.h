#pragma once
// The painted pocket calculator: 27 buttons worked by mouse or keyboard over an accumulator with one
// pending operator and a memory register. The control shows its number nowhere itself: it reads and
// writes the display text through GetDisplayText / SetDisplayText, so a descendant decides where the
// number lives (the calculator editor's drop-down keeps it in the editor's text).
//
// The calculator editor: a popup editor for numbers whose text accepts only input that still forms a
// number, shown in general or scientific notation (optionally with thousand separators, or with the
// display format when not focused), and whose drop-down is the calculator computing on the editor's text.

#include <array>
#include <cstdint>

#include "forms/Controls.h"
#include "rtl/Events.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/editors/cxPopupEdit.h"

// The buttons by code; the code is also the index into the button records. cbNone stands for no button.
enum TcxCalcButtonKind : uint8_t {
  cbBack, cbCancel, cbClear,
  cbMC, cbMR, cbMS, cbMP,
  cbNum0, cbNum1, cbNum2, cbNum3, cbNum4, cbNum5, cbNum6, cbNum7, cbNum8, cbNum9,
  cbSign, cbDecimal,
  cbDiv, cbMul, cbSub, cbAdd,
  cbSqrt, cbPercent, cbRev, cbEqual,
  cbNone
};
constexpr int32_t cxCalcButtonCount = 27;

// first: the next digit starts a new number; valid: the display holds a number being typed or
// recalled; error: the display shows the error text until CE or C.
enum TcxCalcState : uint8_t { ccsFirst, ccsValid, ccsError };

struct TcxCalcButtonInfo {
  TcxCalcButtonKind Kind = cbNone;
  String Text;           // at most 4 characters
  TColor FontColor = clBtnText;
  RECT BtnRect{};
  bool Down = false;     // drawn pressed
  bool Grayed = false;   // disabled
};

// The button event may replace the button about to be worked.
using TcxCalcButtonClickEvent = Event<TObject*, TcxCalcButtonKind&>;

class TcxCustomCalculator : public TcxControl {
  RTL_CLASS(TcxCustomCalculator, TcxControl)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomCalculator(TComponent* AOwner);
  void AfterConstruction() override;
  void WndProc(TMessage& m) override;

  // ---- the operations a descendant gives meaning to ----
  // The painter class of the button faces.
  virtual TcxCustomLookAndFeelPainterClass GetButtonPainter();
  // Where the number is shown: nowhere in the base.
  virtual String GetDisplayText() { return String(); }
  virtual void SetDisplayText(const String& AText) { (void)AText; }
  // Fires the close-request event ("=" asks for it; the drop-down closes on it).
  virtual void RequestClose();

  // ---- the machine ----
  void ButtonClick(TcxCalcButtonKind AButton);
  // The first button whose rectangle holds the point, else cbNone.
  TcxCalcButtonKind ButtonAt(int32_t X, int32_t Y) const;
  void CopyToClipboard();
  void PasteFromClipboard();
  // 0 in the error status; otherwise the display text as a number (a text that is no number raises the
  // conversion error).
  double GetDisplay();
  void SetDisplay(double Value);
  void CheckFirst();
  void ShowError();
  void ClearDisplay();
  void ResetState();
  void UpdateMemoryButtons();
  void CalculateMetrics(int32_t AClientWidth, int32_t AClientHeight);
  void LayoutButtons();

  // ---- settings ----
  bool AutoFontSize() const { return FAutoFontSize; }
  void SetAutoFontSize(bool Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  // A single border shows as a sunken client edge; the drop-down calculator never has one.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool Value);
  uint8_t Precision() const { return FPrecision; }
  void SetPrecision(uint8_t Value) { FPrecision = Value; }

  // ---- state, read back by descendants and tests ----
  int32_t ButtonFontSize() const { return FButtonFontSize; }
  int32_t ButtonWidth() const { return FButtonWidth; }
  int32_t ButtonHeight() const { return FButtonHeight; }
  int32_t LargeButtonWidth() const { return FLargeButtonWidth; }
  int32_t HorzSpacing() const { return FHorzSpacing; }
  int32_t VertSpacing() const { return FVertSpacing; }
  int32_t CalcWidth() const { return FCalcWidth; }
  int32_t CalcHeight() const { return FCalcHeight; }
  double Memory() const { return FMemory; }
  TcxCalcButtonKind PendingOperator() const { return FOperator; }
  double Operand() const { return FOperand; }
  TcxCalcState State() const { return FState; }
  // cbNone gives an empty record.
  const TcxCalcButtonInfo& Button(TcxCalcButtonKind AButton) const;
  TcxCalcButtonKind HotButton() const { return FHotButton; }
  TcxCalcButtonKind MouseDownButton() const { return FDownButton; }
  TcxCalcButtonKind KeyPressedButton() const { return FPressedButton; }
  bool Tracking() const { return FTracking; }
  bool IsPopup() const { return FIsPopup; }

  TNotifyEvent OnDisplayChange;       // SetDisplay changed the text
  TcxCalcButtonClickEvent OnButtonClick;  // first thing every click does
  TNotifyEvent OnResult;              // after "%" and "="
  TNotifyEvent OnHidePopup;           // RequestClose

  // The key and character maps; cbNone for the others.
  static TcxCalcButtonKind ButtonOfKey(uint16_t AKey, TShiftState AShift);
  static TcxCalcButtonKind ButtonOfChar(char32_t AChar);

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Resize() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

public:
  void MouseLeave(TControl* AControl) override;
  void FocusChanged() override;
  void FontChanged() override;
  bool HasScrollBars() const override { return false; }

protected:
  // The drop-down calculator sets it: no border, no focus on click, the client area filled.
  void SetIsPopup(bool Value) { FIsPopup = Value; }
  void InvalidateButton(TcxCalcButtonKind AButton);
  // Shows a key's button down (releasing the one shown before) and works it.
  void PressKeyButton(TcxCalcButtonKind AButton, bool AClickWhenAlreadyDown);
  void ReleaseKeyButton();
  // Forgets the key's button without drawing it up (a drop-down shown while a key is held).
  void ForgetKeyPressedButton() { FPressedButton = cbNone; }

private:
  // The metrics of the current client size, and the client size made to fit them.
  void Remeasure();
  // Replaces a result that cannot be shown (an overflow) by the error.
  void ShowResult(double AValue);
  int32_t MaxDigits() const;

  bool FAutoFontSize = true;
  bool FBeepOnError = true;
  TBorderStyle FBorderStyle = bsNone;
  bool FShowFocusRect = true;
  int32_t FButtonFontSize = 8;
  int32_t FButtonWidth = 28, FButtonHeight = 22, FLargeButtonWidth = 47;
  int32_t FHorzSpacing = 3, FVertSpacing = 3;
  int32_t FCalcWidth = 198, FCalcHeight = 131;
  double FMemory = 0;
  TcxCalcButtonKind FOperator = cbEqual;
  double FOperand = 0;
  uint8_t FPrecision = 15;
  TcxCalcState FState = ccsFirst;
  std::array<TcxCalcButtonInfo, cxCalcButtonCount> FButtons{};
  TcxCalcButtonKind FHotButton = cbNone, FDownButton = cbNone, FPressedButton = cbNone;
  bool FTracking = false;
  bool FIsPopup = false;
  bool FResizing = false;
};

// ---- the calculator editor ------------------------------------------------------------------------------

class TcxCustomCalcEdit;

// The calculator in the calculator editor's drop-down: its display is the editor's text.
class TcxPopupCalculator : public TcxCustomCalculator {
  RTL_CLASS(TcxPopupCalculator, TcxCustomCalculator)
public:
  explicit TcxPopupCalculator(TComponent* AOwner);
  void AfterConstruction() override;

  TcxCustomLookAndFeelPainterClass GetButtonPainter() override;
  String GetDisplayText() override;
  // Only when the editor allows editing: the text becomes the inner edit's value and the editor counts as
  // modified since entering, so that leaving it validates and posts.
  void SetDisplayText(const String& AText) override;
  // Forgets the key shown down (a key held while the drop-down opened).
  void ResetPressedButton() { ForgetKeyPressedButton(); }

  TcxCustomCalcEdit* Edit() const { return FEdit; }
  void SetEdit(TcxCustomCalcEdit* Value) { FEdit = Value; }

protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;

private:
  TcxCustomCalcEdit* FEdit = nullptr;
};

// Which number settings were set explicitly: adds the precision, which otherwise follows the data.
class TcxCalcEditPropertiesValues : public TcxTextEditPropertiesValues {
  RTL_CLASS(TcxCalcEditPropertiesValues, TcxTextEditPropertiesValues)
  RTL_PUBLISHED_DECL
public:
  using TcxTextEditPropertiesValues::TcxTextEditPropertiesValues;
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;

  bool Precision() const { return FPrecision; }
  void SetPrecision(bool Value);

private:
  bool FPrecision = false;
};

class TcxCustomCalcEditProperties : public TcxCustomPopupEditProperties {
  RTL_CLASS(TcxCustomCalcEditProperties, TcxCustomPopupEditProperties)
public:
  explicit TcxCustomCalcEditProperties(TPersistent* AOwner);
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // ---- the core's questions ----
  TClass GetAssignedValuesClass() const override { return TcxCalcEditPropertiesValues::StaticClass(); }
  TClass GetContainerClass() const override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;
  int32_t GetEditValueSource(bool AEditFocused) const override;
  bool IsThousandSeparatorUsed() override { return FUseThousandSeparator && !FScientificFormat; }
  bool NormalizeEditValue(Variant& AValue, bool AEditFocused) override {
    (void)AValue, (void)AEditFocused;
    return true;
  }
  bool PostsPopupValueItself() override { return true; }
  bool IsPopupShrinkable() override { return false; }

  // The text as a number: thousand separators dropped, then converted; accepted when the number is 0 or
  // its magnitude lies between 5.0E-324 and 1.7E308. A refused text gives 0.
  bool TextToNumber(const String& AText, double& AValue) const;
  // The number as the focused editor shows it (general or scientific notation, thousand separators).
  String NumberToText(double AValue);

  // ---- properties ----
  TcxCalcEditPropertiesValues* AssignedValues() const {
    return static_cast<TcxCalcEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
  }
  void SetAssignedValues(TcxCalcEditPropertiesValues* Value) { TcxCustomEditProperties::SetAssignedValues(Value); }
  // The calculator editor's own setting for refused characters and the calculator's errors; the
  // editor-wide one (validation errors) is apart from it.
  bool BeepOnError() const { return FCalcBeepOnError; }
  void SetBeepOnError(bool Value);
  // Significant digits: the own value once set, else the data's, else 15; never above 15.
  uint8_t Precision() const { return GetPrecision(); }
  uint8_t GetPrecision() const;
  void SetPrecision(uint8_t Value);
  bool IsPrecisionStored() const { return AssignedValues()->Precision(); }
  bool QuickClose() const { return FQuickClose; }
  void SetQuickClose(bool Value);
  bool ScientificFormat() const { return FScientificFormat; }
  void SetScientificFormat(bool Value);
  bool UseThousandSeparator() const { return FUseThousandSeparator; }
  void SetUseThousandSeparator(bool Value);

private:
  bool FCalcBeepOnError = true;
  uint8_t FPrecision = 15;
  bool FQuickClose = false;
  bool FScientificFormat = false;
  bool FUseThousandSeparator = false;
};

class TcxCalcEditProperties : public TcxCustomCalcEditProperties {
  RTL_CLASS(TcxCalcEditProperties, TcxCustomCalcEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomCalcEditProperties::TcxCustomCalcEditProperties;
};

class TcxCustomCalcEdit : public TcxCustomPopupEdit {
  RTL_CLASS(TcxCustomCalcEdit, TcxCustomPopupEdit)
public:
  explicit TcxCustomCalcEdit(TComponent* AOwner);
  void BeforeDestruction() override;

  TClass GetPropertiesClass() const override { return TcxCustomCalcEditProperties::StaticClass(); }
  TcxCustomCalcEditProperties* ActiveProperties() {
    return static_cast<TcxCustomCalcEditProperties*>(GetActiveProperties());
  }
  TcxCustomCalcEditProperties* Properties() const {
    return static_cast<TcxCustomCalcEditProperties*>(TcxCustomEdit::Properties());
  }
  TcxPopupCalculator* Calculator() const { return FCalculator; }
  // The painter the controls in the drop-down follow.
  TcxCustomLookAndFeelPainterClass PopupControlsPainter();

  // The number the text shows (0 when it shows none); setting it applies a floating-point edit value.
  double Value();
  void SetValue(double AValue);

  // ---- overrides ----
  bool CanDropDown() override;
  void CreatePopupWindow() override;
  void DoInitPopup() override;
  void SetupPopupWindow() override;
  bool IsValidChar(char32_t AChar) override;
  void PasteFromClipboard() override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void FormatChanged() override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomPopupEdit::PropertiesChanged;

protected:
  friend class TcxPopupCalculator;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void InitializeEdit() override;
  void KeyPress(char32_t& Key) override;
  void PopupWindowClosed(TObject* Sender) override;
  void PopupWindowShowed(TObject* Sender) override;
  void DoEnter() override;
  void DoExit() override;

private:
  // The calculator is what the drop-down shows, set without a change notification.
  void SetCalculatorAsPopupControl();

  TcxPopupCalculator* FCalculator = nullptr;
};

class TcxCalcEdit : public TcxCustomCalcEdit {
  RTL_CLASS(TcxCalcEdit, TcxCustomCalcEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomCalcEdit::TcxCustomCalcEdit;
  TClass GetPropertiesClass() const override { return TcxCalcEditProperties::StaticClass(); }
  TcxCalcEditProperties* Properties() const {
    return static_cast<TcxCalcEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxCalcEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxCalcEditProperties* ActiveProperties() { return static_cast<TcxCalcEditProperties*>(GetActiveProperties()); }
};

// Registers the calculator editor kind (once; later calls find it there).
void cxCalcEditInitialize();
