#pragma once
// The spin edit: the masked editor for numbers with spin buttons. A down and an up button (and, on
// request, a fast-down and a fast-up button), the Up/Down/PageUp/PageDown keys and the mouse wheel step
// the value by Increment or LargeIncrement inside MinValue..MaxValue, refusing, clamping or wrapping at
// the bounds. Values are 64-bit integers or doubles. Stepping saturates at the limits of the value type:
// nothing here ever computes a sum that does not fit.
//
// The time editor descends from these classes: it changes the value type, the step, the bound checks and
// the conversions between text and value through the virtual operations marked below.

#include <cstdint>

#include "rtl/Classes.h"
#include "rtl/Variants.h"
#include "ui/base/cxControls.h"
#include "ui/editors/cxMaskEdit.h"

class TcxCustomSpinEdit;
class TcxCustomSpinEditProperties;

enum TcxSpinEditValueType : uint8_t { vtInt, vtFloat };
RTL_ENUM(TcxSpinEditValueType, vtInt, vtFloat)

enum TcxSpinEditButtonsPosition : uint8_t { sbpHorzLeftRight, sbpHorzRight, sbpVert };
RTL_ENUM(TcxSpinEditButtonsPosition, sbpHorzLeftRight, sbpHorzRight, sbpVert)

// Step kinds; also the indexes of the spin buttons in the properties' Buttons.
enum TcxSpinEditStepKind : uint8_t { sskDown, sskUp, sskFastDown, sskFastUp };

// What a step does at a bound it would cross (TcxCustomSpinEditProperties::GetOutOfRangeAction).
enum TcxSpinEditOutOfRangeAction : uint8_t { sorReject, sorClamp, sorWrap };

// Sender (the editor), the text the parser refused, the value to give, the error text and the error flag
// (true on entry; clear it to accept AValue).
using TcxSpinEditGetValueEvent = Event<TObject*, const String&, Variant&, String&, bool&>;

// The text of a range error at validation and of a text that is not a number.
inline constexpr const char* cxSSpinEditValueOutOfBounds = "Значение выходит за допустимые границы";
inline constexpr const char* cxSSpinEditInvalidNumericValue = "Invalid numeric value";

// Limits of a vtFloat value.
inline constexpr double cxSpinEditMaxFloat = 1.7e308;
inline constexpr double cxSpinEditMinFloat = -1.7e308;

// Interval of the auto-repeat of a held spin button: the first repeat, then each following one (ms).
inline constexpr int32_t cxSpinEditFirstRepeatInterval = 400;
inline constexpr int32_t cxSpinEditRepeatInterval = 100;

// ---- buttons settings ---------------------------------------------------------------------------------------

// Where the spin buttons sit and whether the fast buttons show. Every change reaches the owning properties.
class TcxSpinEditButtons : public TPersistent {
  RTL_CLASS(TcxSpinEditButtons, TPersistent)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxSpinEditButtons(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;

  TcxSpinEditButtonsPosition Position() const { return FPosition; }
  void SetPosition(TcxSpinEditButtonsPosition Value);
  bool ShowFastButtons() const { return FShowFastButtons; }
  void SetShowFastButtons(bool Value);

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  void Changed();
  TPersistent* FOwner;  // the properties, not owned
  TcxSpinEditButtonsPosition FPosition = sbpVert;
  bool FShowFastButtons = false;
};

// The text settings' assigned flags plus whether ValueType was set explicitly.
class TcxSpinEditPropertiesValues : public TcxTextEditPropertiesValues {
  RTL_CLASS(TcxSpinEditPropertiesValues, TcxTextEditPropertiesValues)
  RTL_PUBLISHED_DECL
public:
  using TcxTextEditPropertiesValues::TcxTextEditPropertiesValues;
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;

  bool ValueType() const { return FValueType; }
  void SetValueType(bool Value);

private:
  bool FValueType = false;
};

// ---- properties ---------------------------------------------------------------------------------------------

class TcxCustomSpinEditProperties : public TcxCustomMaskEditProperties {
  RTL_CLASS(TcxCustomSpinEditProperties, TcxCustomMaskEditProperties)
public:
  explicit TcxCustomSpinEditProperties(TPersistent* AOwner);
  ~TcxCustomSpinEditProperties() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // ---- new virtual operations, in slot order ----
  // Whether a step past a bound may stop at the bound (the time editor refuses it instead).
  virtual bool CanClampToBounds() { return true; }
  virtual TcxSpinEditOutOfRangeAction GetOutOfRangeAction();
  // The bounds a step respects, in the value type: MaxValue/MinValue when they form a range, else the
  // limits of the value type.
  virtual Variant GetEffectiveMaxValue();
  virtual Variant GetEffectiveMinValue();
  // Whether typed text must be a number (the time editor's text is a time).
  virtual bool ValidatesNumericText() { return true; }
  // Blank (Null or empty text) becomes 0; then the value in the value type. (The typed-text filter of the
  // text editor is the two-argument overload.)
  virtual Variant NormalizeEditValue(const Variant& AValue);
  using TcxCustomMaskEditProperties::NormalizeEditValue;
  virtual bool KeepsSelectionOnIncrement() { return false; }

  // ---- overrides ----
  TClass GetContainerClass() const override;
  TcxCustomEditViewDataClass GetViewDataClass() const override;
  TClass GetViewInfoClass() const override;
  TClass GetAssignedValuesClass() const override { return TcxSpinEditPropertiesValues::StaticClass(); }
  bool SupportsValueBounds() override { return true; }
  int32_t GetEditValueSource(bool AEditFocused) const override;
  Variant GetEmptyDisplayValue() override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool NormalizeEditValue(Variant& AValue, bool AEditFocused) override;
  void ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void CheckDisplayValue(Variant& ADisplayValue, String& AErrorText, IcxEditValidationSite* AEdit,
                         bool& AError) override;
  void Changed() override;

  // ---- the number arithmetic ----
  // The value as the value type: a double or a 64-bit integer (nearest, ties to even, saturated).
  // Non-numeric variants are returned unchanged.
  Variant ToValueType(const Variant& AValue);
  // The nearest Int64 (ties to even) for vtInt, a result out of range giving the Int64 minimum; the
  // double itself for vtFloat.
  Variant DoubleAsValueType(double AValue);
  // The limits of the value type.
  Variant GetTypeMaxValue();
  Variant GetTypeMinValue();
  // The text as a number of the value type; false (and Null) when it is none.
  bool ParseNumber(const String& AText, Variant& AValue);
  // Text to value with OnGetValue as fallback. AEdit may be nullptr (no handler of the editor's own then,
  // and no last good value). With ARaise, a refused text raises when ExceptionOnInvalidInput is on.
  bool TextToValue(const String& AText, bool ARaise, String& AErrorText, Variant& AValue, TcxCustomSpinEdit* AEdit);
  // 0 clamped into MinValue..MaxValue (where they are in force), in the value type.
  Variant GetZeroClampedValue();
  // A numeric value clamped into MinValue..MaxValue (where they are in force).
  Variant ClampToDefinedBounds(const Variant& AValue);
  // Adds AIncrement to AValue within the effective bounds, refusing, clamping or wrapping as
  // GetOutOfRangeAction says; never overflows. False when refused.
  bool IncrementValue(Variant& AValue, double AIncrement);
  // The distance from AValue to the effective minimum (ToMax false) or maximum, saturated at the type's
  // limit when the true difference would not fit.
  Variant SaturatedDistanceToBound(const Variant& AValue, bool AToMax);
  // Whether the effective minimum lies below the effective maximum.
  bool HasDistinctEffectiveBounds();
  // The value type in force: the assigned one, else the data's.
  TcxSpinEditValueType ValueType();

  // ---- properties ----
  TcxSpinEditPropertiesValues* AssignedValues() const {
    return static_cast<TcxSpinEditPropertiesValues*>(TcxCustomEditProperties::AssignedValues());
  }
  void SetAssignedValues(TcxSpinEditPropertiesValues* Value) { TcxCustomEditProperties::SetAssignedValues(Value); }
  bool CanEdit() const { return FCanEdit; }
  void SetCanEdit(bool Value);
  bool Circular() const { return FCircular; }
  void SetCircular(bool Value);
  bool ExceptionOnInvalidInput() const { return FExceptionOnInvalidInput; }
  void SetExceptionOnInvalidInput(bool Value);
  double Increment() const { return FIncrement; }
  void SetIncrement(double Value);
  bool IsIncrementStored() const { return FIncrement != 1.0; }
  double LargeIncrement() const { return FLargeIncrement; }
  void SetLargeIncrement(double Value);
  bool IsLargeIncrementStored() const { return FLargeIncrement != 10.0; }
  TcxSpinEditButtons* SpinButtons() const { return FSpinButtons; }
  void SetSpinButtons(TcxSpinEditButtons* Value) { FSpinButtons->Assign(Value); }
  bool UseCtrlIncrement() const { return FUseCtrlIncrement; }
  void SetUseCtrlIncrement(bool Value);
  TcxSpinEditValueType GetValueType() { return ValueType(); }
  void SetValueType(TcxSpinEditValueType Value);
  bool IsValueTypeStored() const { return AssignedValues()->ValueType(); }

  TcxSpinEditGetValueEvent OnGetValue;

private:
  void UpdateButtonCount();
  bool FCanEdit = true;
  bool FCircular = false;
  bool FExceptionOnInvalidInput = false;
  double FIncrement = 1.0;
  double FLargeIncrement = 10.0;
  TcxSpinEditButtons* FSpinButtons = nullptr;
  bool FUseCtrlIncrement = false;
  TcxSpinEditValueType FValueType = vtFloat;
  bool FChanging = false;
};

class TcxSpinEditProperties : public TcxCustomSpinEditProperties {
  RTL_CLASS(TcxSpinEditProperties, TcxCustomSpinEditProperties)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomSpinEditProperties::TcxCustomSpinEditProperties;
};

// ---- view info and view data --------------------------------------------------------------------------------

// The spin buttons' layout facts the painting needs: the arrow height, the themed delimiter line and
// which buttons are small, fast or on the left.
class TcxSpinEditViewInfo : public TcxCustomTextEditViewInfo {
  RTL_CLASS(TcxSpinEditViewInfo, TcxCustomTextEditViewInfo)
public:
  TcxSpinEditViewInfo() = default;
  void Assign(TObject* Source) override;
  void OffsetRects(int32_t DX, int32_t DY) override;
  void PaintBackground(TcxCanvas* ACanvas) override;
  // A themed spin button is drawn whole by the spin theme's part; the others as every editor button.
  void DrawButton(TcxCanvas* ACanvas, int32_t AIndex) override;
  void DrawButtonContent(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect, TColor AContentColor,
                         TColor ABackgroundColor) override;

  // The step kind of a shown button (its index in Buttons), -1 when out of range.
  int32_t ButtonKind(int32_t AVisibleIndex) const;

  int32_t ArrowSize = 0;
  TcxSpinEditButtonsPosition ButtonsPosition = sbpVert;
  // A 1-pixel line between themed buttons (empty: none), painted in the background colour.
  RECT DelimiterLine{};
  bool NativeTheme = false;
};

class TcxSpinEditViewData : public TcxCustomTextEditViewData {
  RTL_CLASS(TcxSpinEditViewData, TcxCustomTextEditViewData)
public:
  using TcxCustomTextEditViewData::TcxCustomTextEditViewData;

  bool CanPressButton(TcxCustomEditViewInfo* AViewInfo, int32_t AButtonVisibleIndex) override;
  bool IsButtonPressed(TcxCustomEditViewInfo* AViewInfo, int32_t AButtonVisibleIndex) override;
  void CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                             int32_t AIndex) override;
  void CalculateButtonViewInfo(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                               int32_t AIndex) override;
  // Then the spin theme's part and state of each button when the theme draws them.
  void CalculateButtonsViewInfo(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                TcxCustomEditViewInfo* AViewInfo, TShiftState AShift, TMouseButton AButton,
                                POINT AMousePos) override;

  // The width of the down and up buttons for the content height (text line plus offsets).
  int32_t GetSmallButtonWidth(TcxCanvas* ACanvas, TcxSpinEditViewInfo* AViewInfo, const RECT& AContent);
  TcxCustomSpinEditProperties* SpinProperties() const {
    return static_cast<TcxCustomSpinEditProperties*>(Properties);
  }
};

// ---- the editor control -------------------------------------------------------------------------------------

class TcxCustomSpinEdit : public TcxCustomMaskEdit {
  RTL_CLASS(TcxCustomSpinEdit, TcxCustomMaskEdit)
public:
  explicit TcxCustomSpinEdit(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // ---- new virtual operations, in slot order ----
  // The signed step of a kind (Increment or LargeIncrement; rounded to an integer for vtInt).
  virtual double GetIncrement(TcxSpinEditStepKind AKind);
  // The value now: while focused the typed text's (or the last good one), else the edit value; never
  // Null (0 clamped to the bounds instead); in the value type.
  virtual Variant GetValue();
  // The text the properties' display conversion makes of AValue for the current focus state.
  virtual String GetDisplayTextForValue(const Variant& AValue);
  // Applies a numeric value the properties accept as edit value.
  virtual void SetValue(const Variant& AValue);
  // One step of AKind; answers whether the text changed.
  virtual bool DoIncrement(TcxSpinEditStepKind AKind);

  // ---- overrides ----
  TClass GetPropertiesClass() const override { return TcxCustomSpinEditProperties::StaticClass(); }
  TcxContainerStyleValues GetHiddenStyleValues() const override;
  void DoEditKeyDown(uint16_t& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void DoEditKeyUp(uint16_t& Key, TShiftState Shift) override;
  void DoButtonDown(int32_t AVisibleIndex) override;
  void DoButtonUp(int32_t AVisibleIndex) override;
  bool IsValidChar(char32_t AChar) override;
  void DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) override;
  void RefreshDisplayFromEditValue() override;
  void RefreshEditValueFromDisplay() override;
  void InnerEditChanged(TObject* Sender) override;
  void PasteFromClipboard() override;
  void CutToClipboard() override;
  void ClampToValueBounds() override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomMaskEdit::PropertiesChanged;
  void FocusChanged() override;
  void DblClick() override;
  void InitializeViewData(TcxCustomEditViewData* AViewData) override;
  bool RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) override;

  // ---- state ----
  // The last good value while focused (the value that typing falls back to).
  const Variant& InternalValue() const { return FInternalValue; }
  // 0 none, else the step kind + 1 of the button a key or the mouse holds.
  int32_t PressedState() const { return FPressedState; }
  // The step kind a held mouse button repeats (-1 none).
  int32_t CapturedButton() const { return FCapturedButton; }
  // The auto-repeat timer while a spin button is held by the mouse (nullptr otherwise).
  TcxTimer* RepeatTimer() const { return FTimer; }
  bool IsTypedText() const { return FIsTypedText; }
  Variant Value() { return GetValue(); }
  bool IsValueStored();
  // Ends a key or mouse press and any auto-repeat.
  void StopTracking();

  TcxCustomSpinEditProperties* ActiveProperties() {
    return static_cast<TcxCustomSpinEditProperties*>(GetActiveProperties());
  }
  TcxCustomSpinEditProperties* Properties() const {
    return static_cast<TcxCustomSpinEditProperties*>(TcxCustomEdit::Properties());
  }

protected:
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) override;
  // Sets the pressed state; a change repaints the buttons.
  void SetPressedState(int32_t Value);
  // The value a step of AKind gives; false when there is none (refused at a bound).
  bool GetNewValue(TcxSpinEditStepKind AKind, Variant& AValue);
  void SetInternalValue(const Variant& Value) { FInternalValue = Value; }
  void SetTypedText(bool Value) { FIsTypedText = Value; }

  Variant FInternalValue;
  bool FIsTypedText = false;
  bool FIsTypedTextAction = false;

private:
  void TimerTick(TObject* Sender);
  void InvalidateSpinButtons();
  int32_t FPressedState = 0;
  int32_t FCapturedButton = -1;
  TcxTimer* FTimer = nullptr;
};

class TcxSpinEdit : public TcxCustomSpinEdit {
  RTL_CLASS(TcxSpinEdit, TcxCustomSpinEdit)
  RTL_PUBLISHED_DECL
public:
  using TcxCustomSpinEdit::TcxCustomSpinEdit;
  TClass GetPropertiesClass() const override { return TcxSpinEditProperties::StaticClass(); }
  TcxSpinEditProperties* Properties() const {
    return static_cast<TcxSpinEditProperties*>(TcxCustomEdit::Properties());
  }
  void SetProperties(TcxSpinEditProperties* Value) { TcxCustomEdit::SetProperties(Value); }
  TcxSpinEditProperties* ActiveProperties() {
    return static_cast<TcxSpinEditProperties*>(GetActiveProperties());
  }
  void SetValueProp(const Variant& AValue) { SetValue(AValue); }
};

// Registers the spin edit kind (once; later calls find it there).
void cxSpinEditInitialize();
