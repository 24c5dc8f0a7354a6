// The spin edit: number arithmetic that saturates instead of overflowing, the step keys, the wheel, the
// spin buttons with their auto-repeat, and their layout and painting.

#include "ui/editors-more/cxSpinEdit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "rtl/ClassRegistry.h"
#include "rtl/FormatSettings.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxVariants.h"
#include "ui/base/dxThemeManager.h"
#include "ui/base/dxUxTheme.h"
#include "ui/editors/cxEditConsts.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/UxTheme.h"
#include "winapi/Windows.h"

namespace {

constexpr int64_t kSpinInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kSpinInt64Min = std::numeric_limits<int64_t>::min();
// 2^63 as a double: the first double above the Int64 range.
constexpr double kSpinTwoPow63 = 9223372036854775808.0;

bool SpinIsIntegerVariant(const Variant& V) {
  switch (VarType(V)) {
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64:
    case varBoolean: return true;
    default: return false;
  }
}

// The nearest Int64 of a double (ties to even); false when it lies outside the range (or is not a number).
bool SpinDoubleToInt64(double AValue, int64_t& AResult) {
  if (std::isnan(AValue) || AValue >= kSpinTwoPow63 || AValue < -kSpinTwoPow63) return false;
  AResult = Round(AValue);
  return true;
}

// Saturated: outside the range gives the nearer limit.
int64_t SpinSaturatedInt64(double AValue) {
  if (std::isnan(AValue)) return 0;
  int64_t result = 0;
  if (SpinDoubleToInt64(AValue, result)) return result;
  return AValue > 0 ? kSpinInt64Max : kSpinInt64Min;
}

int64_t SpinAsInt64(const Variant& V) {
  if (SpinIsIntegerVariant(V)) return V.AsInt64();
  return SpinSaturatedInt64(V.AsDouble());
}

bool SpinIsSpinKey(uint16_t Key) { return Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT; }

bool SpinIsCharDecimalSeparator(char32_t AChar) {
  char sep = FormatSettings().DecimalSeparator;
  return AChar == static_cast<char32_t>(static_cast<unsigned char>(sep ? sep : '.'));
}

}  // namespace

// ---- buttons settings -------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxSpinEditButtons) {
  prop("Position", &TcxSpinEditButtons::Position, &TcxSpinEditButtons::SetPosition).Default(sbpVert);
  prop("ShowFastButtons", &TcxSpinEditButtons::ShowFastButtons, &TcxSpinEditButtons::SetShowFastButtons)
      .Default(false);
}

void TcxSpinEditButtons::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxSpinEditButtons*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  auto* properties = dynamic_cast<TcxCustomEditProperties*>(FOwner);
  if (properties) properties->BeginUpdate();
  try {
    SetPosition(source->FPosition);
    SetShowFastButtons(source->FShowFastButtons);
  } catch (...) {
    if (properties) properties->EndUpdate();
    throw;
  }
  if (properties) properties->EndUpdate();
}

void TcxSpinEditButtons::SetPosition(TcxSpinEditButtonsPosition Value) {
  if (FPosition == Value) return;
  FPosition = Value;
  Changed();
}

void TcxSpinEditButtons::SetShowFastButtons(bool Value) {
  if (FShowFastButtons == Value) return;
  FShowFastButtons = Value;
  Changed();
}

void TcxSpinEditButtons::Changed() {
  if (auto* properties = dynamic_cast<TcxCustomEditProperties*>(FOwner)) properties->Changed();
}

// ---- assigned values --------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxSpinEditPropertiesValues) {
  prop("ValueType", &TcxSpinEditPropertiesValues::ValueType, &TcxSpinEditPropertiesValues::SetValueType)
      .Default(false);
}

void TcxSpinEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxSpinEditPropertiesValues*>(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    if (source) SetValueType(source->FValueType);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxSpinEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    inherited::RestoreDefaults();
    SetValueType(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxSpinEditPropertiesValues::SetValueType(bool Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  Changed();
}

// ---- properties -------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxSpinEditProperties) {
  prop("Alignment", &TcxSpinEditProperties::GetAlignment, &TcxSpinEditProperties::SetAlignment)
      .Stored(&TcxSpinEditProperties::IsAlignmentStored);
  prop("AssignedValues", &TcxSpinEditProperties::AssignedValues, &TcxSpinEditProperties::SetAssignedValues);
  prop("AutoSelect", &TcxSpinEditProperties::AutoSelect, &TcxSpinEditProperties::SetAutoSelect).Default(true);
  prop("BeepOnError", &TcxSpinEditProperties::BeepOnError, &TcxSpinEditProperties::SetBeepOnError).Default(false);
  prop("CanEdit", &TcxSpinEditProperties::CanEdit, &TcxSpinEditProperties::SetCanEdit).Default(true);
  prop("DisplayFormat", &TcxSpinEditProperties::DisplayFormat, &TcxSpinEditProperties::SetDisplayFormat)
      .Stored(&TcxSpinEditProperties::IsDisplayFormatStored);
  prop("EchoMode", &TcxSpinEditProperties::EchoMode, &TcxSpinEditProperties::SetEchoMode).Default(eemNormal);
  prop("EditFormat", &TcxSpinEditProperties::EditFormat, &TcxSpinEditProperties::SetEditFormat)
      .Stored(&TcxSpinEditProperties::IsEditFormatStored);
  prop("ExceptionOnInvalidInput", &TcxSpinEditProperties::ExceptionOnInvalidInput,
       &TcxSpinEditProperties::SetExceptionOnInvalidInput)
      .Default(false);
  prop("HideSelection", &TcxSpinEditProperties::HideSelection, &TcxSpinEditProperties::SetHideSelection)
      .Default(true);
  prop("ImeMode", &TcxSpinEditProperties::ImeMode, &TcxSpinEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxSpinEditProperties::ImeName, &TcxSpinEditProperties::SetImeName);
  prop("ImmediatePost", &TcxSpinEditProperties::ImmediatePost, &TcxSpinEditProperties::SetImmediatePost)
      .Default(false);
  prop("Increment", &TcxSpinEditProperties::Increment, &TcxSpinEditProperties::SetIncrement)
      .Stored(&TcxSpinEditProperties::IsIncrementStored);
  prop("LargeIncrement", &TcxSpinEditProperties::LargeIncrement, &TcxSpinEditProperties::SetLargeIncrement)
      .Stored(&TcxSpinEditProperties::IsLargeIncrementStored);
  prop("MaxValue", &TcxSpinEditProperties::MaxValue, &TcxSpinEditProperties::SetMaxValue)
      .Stored(&TcxSpinEditProperties::IsMaxValueStored);
  prop("MinValue", &TcxSpinEditProperties::MinValue, &TcxSpinEditProperties::SetMinValue)
      .Stored(&TcxSpinEditProperties::IsMinValueStored);
  prop("PasswordChar", &TcxSpinEditProperties::PasswordChar, &TcxSpinEditProperties::SetPasswordChar)
      .Default(char(0));
  prop("ReadOnly", &TcxSpinEditProperties::GetReadOnly, &TcxSpinEditProperties::SetReadOnly)
      .Stored(&TcxSpinEditProperties::IsReadOnlyStored);
  prop("SpinButtons", &TcxSpinEditProperties::SpinButtons, &TcxSpinEditProperties::SetSpinButtons);
  prop("UseCtrlIncrement", &TcxSpinEditProperties::UseCtrlIncrement, &TcxSpinEditProperties::SetUseCtrlIncrement)
      .Default(false);
  prop("UseDisplayFormatWhenEditing", &TcxSpinEditProperties::UseDisplayFormatWhenEditing,
       &TcxSpinEditProperties::SetUseDisplayFormatWhenEditing)
      .Default(false);
  prop("UseLeftAlignmentOnEditing", &TcxSpinEditProperties::UseLeftAlignmentOnEditing,
       &TcxSpinEditProperties::SetUseLeftAlignmentOnEditing)
      .Stored(&TcxSpinEditProperties::IsUseLeftAlignmentOnEditingStored);
  prop("ValidateOnEnter", &TcxSpinEditProperties::ValidateOnEnter, &TcxSpinEditProperties::SetValidateOnEnter)
      .Default(true);
  prop("ValueType", &TcxSpinEditProperties::GetValueType, &TcxSpinEditProperties::SetValueType)
      .Stored(&TcxSpinEditProperties::IsValueTypeStored);
  event("OnChange", &TcxSpinEditProperties::OnChange, &TcxSpinEditProperties::OnChange);
  event("OnEditValueChanged", &TcxSpinEditProperties::OnEditValueChanged,
        &TcxSpinEditProperties::OnEditValueChanged);
  event("OnGetValue", &TcxSpinEditProperties::OnGetValue, &TcxSpinEditProperties::OnGetValue);
  event("OnValidate", &TcxSpinEditProperties::OnValidate, &TcxSpinEditProperties::OnValidate);
}

TcxCustomSpinEditProperties::TcxCustomSpinEditProperties(TPersistent* AOwner)
    : TcxCustomMaskEditProperties(AOwner) {}

TcxCustomSpinEditProperties::~TcxCustomSpinEditProperties() {
  if (FSpinButtons) FSpinButtons->Free();
}

void TcxCustomSpinEditProperties::AfterConstruction() {
  FSpinButtons = New<TcxSpinEditButtons>(this);
  inherited::AfterConstruction();
  BeginUpdate();
  Buttons()->Add();  // down
  Buttons()->Add();  // up
  EndUpdate(false);
}

void TcxCustomSpinEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomSpinEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    // The data provider link comes with the editor properties' own copy below.
    AssignedValues()->SetValueType(false);
    if (source->AssignedValues()->ValueType()) SetValueType(source->FValueType);
    inherited::Assign(Source);
    SetCanEdit(source->FCanEdit);
    SetCircular(source->FCircular);
    SetExceptionOnInvalidInput(source->FExceptionOnInvalidInput);
    SetIncrement(source->FIncrement);
    SetLargeIncrement(source->FLargeIncrement);
    FSpinButtons->Assign(source->FSpinButtons);
    SetUseCtrlIncrement(source->FUseCtrlIncrement);
    OnGetValue = source->OnGetValue;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxCustomSpinEditProperties::Changed() {
  if (!FChanging && FSpinButtons) UpdateButtonCount();
  inherited::Changed();
}

// Two buttons normally, four with the fast buttons.
void TcxCustomSpinEditProperties::UpdateButtonCount() {
  int32_t count = Buttons()->Count();
  bool fast = FSpinButtons->ShowFastButtons();
  if ((fast && count == 2) || (!fast && count == 4)) {
    FChanging = true;
    BeginUpdate();
    try {
      if (fast) {
        Buttons()->Add();  // fast down
        Buttons()->Add();  // fast up
      } else {
        Buttons()->Delete(3);
        Buttons()->Delete(2);
      }
    } catch (...) {
      EndUpdate(false);
      FChanging = false;
      throw;
    }
    EndUpdate(false);
    FChanging = false;
  }
}

TClass TcxCustomSpinEditProperties::GetContainerClass() const { return TcxSpinEdit::StaticClass(); }

TcxCustomEditViewDataClass TcxCustomSpinEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxSpinEditViewData>();
}

TClass TcxCustomSpinEditProperties::GetViewInfoClass() const { return TcxSpinEditViewInfo::StaticClass(); }

TcxSpinEditOutOfRangeAction TcxCustomSpinEditProperties::GetOutOfRangeAction() {
  if (FCircular) return sorWrap;
  return CanClampToBounds() ? sorClamp : sorReject;
}

TcxSpinEditValueType TcxCustomSpinEditProperties::ValueType() {
  if (AssignedValues()->ValueType()) return FValueType;
  if (IcxEditDefaultValuesProvider* provider = DefaultValuesProvider())
    return provider->GetDefaultIsFloatValue() ? vtFloat : vtInt;
  return vtFloat;
}

void TcxCustomSpinEditProperties::SetValueType(TcxSpinEditValueType Value) {
  if (AssignedValues()->ValueType() && FValueType == Value) return;
  FValueType = Value;
  BeginUpdate();
  AssignedValues()->SetValueType(true);
  EndUpdate(false);
  Changed();
}

void TcxCustomSpinEditProperties::SetCanEdit(bool Value) {
  if (FCanEdit == Value) return;
  FCanEdit = Value;
  Changed();
}

void TcxCustomSpinEditProperties::SetCircular(bool Value) {
  if (FCircular == Value) return;
  FCircular = Value;
  Changed();
}

void TcxCustomSpinEditProperties::SetExceptionOnInvalidInput(bool Value) {
  if (FExceptionOnInvalidInput == Value) return;
  FExceptionOnInvalidInput = Value;
  Changed();
}

void TcxCustomSpinEditProperties::SetIncrement(double Value) {
  if (FIncrement == Value) return;
  FIncrement = Value;
  Changed();
}

void TcxCustomSpinEditProperties::SetLargeIncrement(double Value) {
  if (FLargeIncrement == Value) return;
  FLargeIncrement = Value;
  Changed();
}

void TcxCustomSpinEditProperties::SetUseCtrlIncrement(bool Value) {
  if (FUseCtrlIncrement == Value) return;
  FUseCtrlIncrement = Value;
  Changed();
}

// ---- number arithmetic ----

Variant TcxCustomSpinEditProperties::GetTypeMaxValue() {
  return ValueType() == vtInt ? Variant(kSpinInt64Max) : Variant(cxSpinEditMaxFloat);
}

Variant TcxCustomSpinEditProperties::GetTypeMinValue() {
  return ValueType() == vtInt ? Variant(kSpinInt64Min) : Variant(cxSpinEditMinFloat);
}

Variant TcxCustomSpinEditProperties::ToValueType(const Variant& AValue) {
  if (!IsNumericVariant(AValue)) return AValue;
  if (ValueType() == vtFloat) return Variant(AValue.AsDouble());
  // A double beyond the Int64 range saturates: the platform's conversion would raise an overflow here.
  return Variant(SpinAsInt64(AValue));
}

Variant TcxCustomSpinEditProperties::DoubleAsValueType(double AValue) {
  if (ValueType() == vtFloat) return Variant(AValue);
  int64_t result = 0;
  if (!SpinDoubleToInt64(AValue, result)) result = kSpinInt64Min;
  return Variant(result);
}

namespace {
// -1, 0, 1 for two numeric values of one value type.
int32_t SpinCompare(const Variant& A, const Variant& B, TcxSpinEditValueType AType) {
  if (AType == vtInt) {
    int64_t a = SpinAsInt64(A), b = SpinAsInt64(B);
    return a < b ? -1 : a > b ? 1 : 0;
  }
  double a = A.AsDouble(), b = B.AsDouble();
  return a < b ? -1 : a > b ? 1 : 0;
}
}  // namespace

Variant TcxCustomSpinEditProperties::GetEffectiveMaxValue() {
  Variant max = DoubleAsValueType(MaxValue());
  if (SpinCompare(max, DoubleAsValueType(MinValue()), ValueType()) <= 0) return GetTypeMaxValue();
  return ToValueType(max);
}

Variant TcxCustomSpinEditProperties::GetEffectiveMinValue() {
  Variant min = DoubleAsValueType(MinValue());
  if (SpinCompare(min, DoubleAsValueType(MaxValue()), ValueType()) >= 0) return GetTypeMinValue();
  return ToValueType(min);
}

bool TcxCustomSpinEditProperties::HasDistinctEffectiveBounds() {
  return SpinCompare(GetEffectiveMinValue(), GetEffectiveMaxValue(), ValueType()) < 0;
}

Variant TcxCustomSpinEditProperties::ClampToDefinedBounds(const Variant& AValue) {
  if (!IsNumericVariant(AValue)) return AValue;
  double v = AValue.AsDouble();
  if (HasValueBound(0) && v < MinValue()) return Variant(MinValue());
  if (HasValueBound(1) && v > MaxValue()) return Variant(MaxValue());
  return AValue;
}

Variant TcxCustomSpinEditProperties::GetZeroClampedValue() { return ToValueType(ClampToDefinedBounds(Variant(0))); }

bool TcxCustomSpinEditProperties::ParseNumber(const String& AText, Variant& AValue) {
  AValue = Null();
  if (ValueType() == vtInt) {
    int64_t value = 0;
    if (!TryStrToInt64(AText, value)) return false;
    AValue = Variant(value);
    return true;
  }
  double value = 0;
  if (!TextToFloat(AText, value) || !(value >= cxSpinEditMinFloat && value <= cxSpinEditMaxFloat)) return false;
  AValue = Variant(value);
  return true;
}

bool TcxCustomSpinEditProperties::TextToValue(const String& AText, bool ARaise, String& AErrorText, Variant& AValue,
                                              TcxCustomSpinEdit* AEdit) {
  AErrorText.clear();
  if (AText.empty()) {
    IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
    AValue = provider && provider->GetDefaultRequired() ? GetZeroClampedValue() : Null();
    return true;
  }
  bool ok = ParseNumber(AText, AValue);
  if (!ok) {
    std::vector<TcxCustomSpinEditProperties*> sources;
    if (AEdit) {
      if (auto* own = dynamic_cast<TcxCustomSpinEditProperties*>(AEdit->GetOwnProperties())) sources.push_back(own);
      if (auto* item = dynamic_cast<TcxCustomSpinEditProperties*>(AEdit->GetRepositoryItemProperties()))
        sources.push_back(item);
    } else {
      sources.push_back(this);
    }
    for (TcxCustomSpinEditProperties* source : sources) {
      if (!source->OnGetValue) continue;
      bool error = true;
      Variant value;
      try {
        source->OnGetValue(AEdit ? static_cast<TObject*>(AEdit) : this, AText, value, AErrorText, error);
      } catch (const EAbort&) {
        throw;
      } catch (const Exception& e) {
        if (ARaise) throw Exception(e.Message());
        AErrorText = e.Message();
        error = true;
        ok = false;
        break;
      }
      if (!error) {
        AValue = value;
        ok = true;
      }
    }
  }
  if (!ok) {
    if (AErrorText.empty()) AErrorText = TranslateString(cxSSpinEditInvalidNumericValue);
    if (!FExceptionOnInvalidInput) AErrorText.clear();
    if (ARaise && FExceptionOnInvalidInput) throw Exception(AErrorText);
    AValue = AEdit ? AEdit->InternalValue() : Variant(Null());
  }
  AValue = ToValueType(AValue);
  return ok;
}

Variant TcxCustomSpinEditProperties::SaturatedDistanceToBound(const Variant& AValue, bool AToMax) {
  Variant bound = AToMax ? GetEffectiveMaxValue() : GetEffectiveMinValue();
  if (ValueType() == vtInt) {
    int64_t result = 0;
    int64_t b = SpinAsInt64(bound), v = SpinAsInt64(AValue);
    if (__builtin_sub_overflow(b, v, &result)) result = b > v ? kSpinInt64Max : kSpinInt64Min;
    return Variant(result);
  }
  double result = bound.AsDouble() - AValue.AsDouble();
  return Variant(std::clamp(result, cxSpinEditMinFloat, cxSpinEditMaxFloat));
}

bool TcxCustomSpinEditProperties::IncrementValue(Variant& AValue, double AIncrement) {
  Variant increment = ToValueType(Variant(AIncrement));
  Variant lo = SaturatedDistanceToBound(AValue, false);
  Variant hi = SaturatedDistanceToBound(AValue, true);
  TcxSpinEditValueType type = ValueType();
  if (SpinCompare(lo, increment, type) <= 0 && SpinCompare(increment, hi, type) <= 0) {
    if (type == vtInt) {
      int64_t sum = 0;
      if (__builtin_add_overflow(SpinAsInt64(AValue), SpinAsInt64(increment), &sum))
        sum = SpinAsInt64(increment) > 0 ? kSpinInt64Max : kSpinInt64Min;
      AValue = Variant(sum);
    } else {
      AValue = Variant(AValue.AsDouble() + increment.AsDouble());
    }
    return true;
  }
  const bool below = SpinCompare(increment, lo, type) < 0;
  switch (GetOutOfRangeAction()) {
    case sorReject: return false;
    case sorClamp: AValue = below ? GetEffectiveMinValue() : GetEffectiveMaxValue(); return true;
    case sorWrap: break;
  }
  // Wrapping moves around the cycle min..max of max - min + 1 values. The position is taken modulo the
  // cycle, so that a step longer than the cycle still lands inside the bounds.
  if (type == vtInt) {
    const __int128 min = SpinAsInt64(GetEffectiveMinValue());
    const __int128 max = SpinAsInt64(GetEffectiveMaxValue());
    const __int128 cycle = max - min + 1;
    __int128 position = (static_cast<__int128>(SpinAsInt64(AValue)) - min + SpinAsInt64(increment)) % cycle;
    if (position < 0) position += cycle;
    AValue = Variant(static_cast<int64_t>(min + position));
    return true;
  }
  const double min = GetEffectiveMinValue().AsDouble();
  const double max = GetEffectiveMaxValue().AsDouble();
  const double cycle = max - min + 1;
  if (!std::isfinite(cycle)) {
    AValue = below ? Variant(min) : Variant(max);
    return true;
  }
  double position = std::fmod(AValue.AsDouble() - min + increment.AsDouble(), cycle);
  if (position < 0) position += cycle;
  // A fractional step can land in the last unit of the cycle, past the maximum: passing a bound wraps to the
  // other bound then, as a whole step would.
  if (min + position > max)
    AValue = Variant(below ? max : min);
  else
    AValue = Variant(min + position);
  return true;
}

// ---- the core's questions ----

Variant TcxCustomSpinEditProperties::NormalizeEditValue(const Variant& AValue) {
  if (IsBlankVariant(AValue)) return ToValueType(Variant(0));
  if (VarIsStr(AValue)) {
    Variant parsed;
    if (ParseNumber(VarToStr(AValue), parsed)) return ToValueType(parsed);
    return AValue;
  }
  return ToValueType(AValue);
}

bool TcxCustomSpinEditProperties::IsEditValueValid(Variant& AEditValue, bool) {
  try {
    if (VarIsStr(AEditValue) || IsNumericVariant(AEditValue)) {
      Variant parsed;
      if (!ParseNumber(VarToStr(AEditValue), parsed)) return false;
      AEditValue = NormalizeEditValue(parsed);
      return true;
    }
    if (VarIsNull(AEditValue) || IsDateTimeVariant(AEditValue)) {
      AEditValue = NormalizeEditValue(AEditValue);
      return true;
    }
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    return false;
  }
  return false;
}

bool TcxCustomSpinEditProperties::NormalizeEditValue(Variant& AValue, bool AEditFocused) {
  if (!inherited::NormalizeEditValue(AValue, AEditFocused)) return false;
  String text = VarToStr(AValue);
  if (text.empty() || !ValidatesNumericText()) return true;
  Variant number;
  try {
    if (!ParseNumber(text, number)) return false;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    return false;
  }
  if (HasDistinctEffectiveBounds()) {
    TcxSpinEditValueType type = ValueType();
    if (SpinCompare(number, GetEffectiveMinValue(), type) < 0 || SpinCompare(number, GetEffectiveMaxValue(), type) > 0)
      AValue = Variant(VarToStr(number));
  }
  return true;
}

int32_t TcxCustomSpinEditProperties::GetEditValueSource(bool AEditFocused) const {
  return !AEditFocused && !AssignedValues()->DisplayFormat() ? 1 : 0;
}

Variant TcxCustomSpinEditProperties::GetEmptyDisplayValue() {
  Variant display;
  ConvertToDisplayValue(GetZeroClampedValue(), display, false);
  return display;
}

// An integer value is written with all its digits: the general number form with 15 digits of precision
// would round the large ones (the Int64 maximum would show as 9.22337203685478E18).
void TcxCustomSpinEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (ValueType() == vtInt && SpinIsIntegerVariant(AEditValue) && VarType(AEditValue) != varBoolean) {
    bool isCurrency = false, fromData = false;
    String format;
    if (AEditFocused)
      ResolveEditFormat(isCurrency, fromData, format, nullptr);
    else
      format = DisplayFormat();
    if (format.empty() && !isCurrency) {
      ADisplayValue = Variant(IntToStr(AEditValue.AsInt64()));
      return;
    }
  }
  inherited::ConvertToDisplayValue(AEditValue, ADisplayValue, AEditFocused);
}

void TcxCustomSpinEditProperties::CheckDisplayValue(Variant& ADisplayValue, String& AErrorText,
                                                    IcxEditValidationSite* AEdit, bool& AError) {
  auto* edit = dynamic_cast<TcxCustomSpinEdit*>(AEdit);
  Variant value;
  if (!edit || edit->IsTypedText()) {
    if (!TextToValue(VarToStr(ADisplayValue), false, AErrorText, value, edit)) AError = true;
  } else {
    value = edit->InternalValue();
  }
  if (!AError) {
    if (VarIsNull(value) || VarIsEmpty(value)) value = GetZeroClampedValue();
    value = ToValueType(value);
    ADisplayValue = Variant(edit ? edit->GetDisplayTextForValue(value) : GetDisplayTextFor(value, true));
    if (HasDistinctEffectiveBounds() && IsNumericVariant(value)) {
      TcxSpinEditValueType type = ValueType();
      if (SpinCompare(value, GetEffectiveMinValue(), type) < 0 ||
          SpinCompare(value, GetEffectiveMaxValue(), type) > 0) {
        AError = true;
        AErrorText = TranslateString(cxSSpinEditValueOutOfBounds);
      }
    }
  }
  // The core's validation, past the text and mask checks (the value checks above replace them).
  TcxCustomEditProperties::CheckDisplayValue(ADisplayValue, AErrorText, AEdit, AError);
}

// ---- the editor control -----------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxSpinEdit) {
  prop("AutoSize", &TcxSpinEdit::AutoSize, &TcxSpinEdit::SetAutoSize).Default(true);
  prop("BeepOnEnter", &TcxSpinEdit::BeepOnEnter, &TcxSpinEdit::SetBeepOnEnter).Default(true);
  prop("Properties", &TcxSpinEdit::Properties, &TcxSpinEdit::SetProperties);
  prop("Style", &TcxSpinEdit::Style, &TcxSpinEdit::SetStyle);
  prop("StyleDisabled", &TcxSpinEdit::StyleDisabled, &TcxSpinEdit::SetStyleDisabled);
  prop("StyleFocused", &TcxSpinEdit::StyleFocused, &TcxSpinEdit::SetStyleFocused);
  prop("StyleHot", &TcxSpinEdit::StyleHot, &TcxSpinEdit::SetStyleHot);
  prop("Value", &TcxSpinEdit::Value, &TcxSpinEdit::SetValueProp).Stored(&TcxSpinEdit::IsValueStored);
  event("OnEditing", &TcxSpinEdit::OnEditing, &TcxSpinEdit::OnEditing);
}

TcxCustomSpinEdit::TcxCustomSpinEdit(TComponent* AOwner) : TcxCustomMaskEdit(AOwner) {}

void TcxCustomSpinEdit::AfterConstruction() {
  inherited::AfterConstruction();
  FEditValue = Variant(0);
  FInternalValue = Variant(0);
  FPressedState = 0;
}

void TcxCustomSpinEdit::BeforeDestruction() {
  if (FTimer) {
    FTimer->Free();
    FTimer = nullptr;
  }
  inherited::BeforeDestruction();
}

TcxContainerStyleValues TcxCustomSpinEdit::GetHiddenStyleValues() const {
  return inherited::GetHiddenStyleValues() + TcxContainerStyleValues{svPopupBorderStyle};
}

bool TcxCustomSpinEdit::IsValueStored() { return !VariantValuesEqualEx(GetValue(), Variant(0)); }

double TcxCustomSpinEdit::GetIncrement(TcxSpinEditStepKind AKind) {
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  double result = AKind == sskFastDown || AKind == sskFastUp ? properties->LargeIncrement() : properties->Increment();
  if (properties->ValueType() == vtInt) result = static_cast<double>(SpinSaturatedInt64(result));
  return AKind == sskDown || AKind == sskFastDown ? -result : result;
}

Variant TcxCustomSpinEdit::GetValue() {
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  Variant value;
  if (IsEditFocused()) {
    if (FIsTypedText)
      DisplayToEditValue(Variant(Text()), value);
    else
      value = FInternalValue;
    if (!IsNumericVariant(value)) value = Variant(0);
  } else {
    value = EditValue();
    // A text value counts by the number it holds; one that holds none is treated like Null.
    if (VarIsStr(value)) {
      Variant parsed;
      value = properties->ParseNumber(VarToStr(value), parsed) ? parsed : Variant(Null());
    }
    if (!IsNumericVariant(value)) value = properties->GetZeroClampedValue();
  }
  return properties->ToValueType(value);
}

String TcxCustomSpinEdit::GetDisplayTextForValue(const Variant& AValue) {
  return ActiveProperties()->GetDisplayTextFor(AValue, IsEditFocused());
}

void TcxCustomSpinEdit::SetValue(const Variant& AValue) {
  if (!IsNumericVariant(AValue)) return;
  Variant value = AValue;
  if (ActiveProperties()->IsEditValueValid(value, IsEditFocused())) ApplyEditValue(value);
}

bool TcxCustomSpinEdit::GetNewValue(TcxSpinEditStepKind AKind, Variant& AValue) {
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  TcxSpinEditValueType type = properties->ValueType();
  const bool up = AKind == sskUp || AKind == sskFastUp;
  const bool wrap = properties->GetOutOfRangeAction() == sorWrap;
  AValue = GetValue();
  Variant min = properties->GetEffectiveMinValue();
  Variant max = properties->GetEffectiveMaxValue();
  if (SpinCompare(AValue, min, type) < 0) {
    if (up)
      AValue = min;
    else if (wrap)
      AValue = max;
    else
      return false;
  } else if (SpinCompare(AValue, max, type) > 0) {
    if (!up)
      AValue = max;
    else if (wrap)
      AValue = min;
    else
      return false;
  } else if (!properties->IncrementValue(AValue, GetIncrement(AKind))) {
    return false;
  }
  AValue = properties->ToValueType(AValue);
  return true;
}

bool TcxCustomSpinEdit::DoIncrement(TcxSpinEditStepKind AKind) {
  bool changed = false;
  cx_edit_detail::TAliveLink alive(this);
  WithEditChangeEventsLocked([&] {
    Variant value;
    if (!DoEditing() || !alive) return;
    if (!GetNewValue(AKind, value)) return;
    String oldText = Text();
    int32_t selStart = SelStart(), selLength = SelLength();
    String newText = GetDisplayTextForValue(value);
    FInternalValue = value;
    bool savedAction = KeyboardAction();
    SetKeyboardAction(true);
    try {
      SetInnerEditDisplayValue(Variant(newText));
    } catch (...) {
      if (alive) SetKeyboardAction(savedAction);
      throw;
    }
    if (!alive) return;
    SetKeyboardAction(savedAction);
    changed = oldText != newText;
    if (!changed) return;
    SetModifiedAfterEnter(true);
    if (ActiveProperties()->KeepsSelectionOnIncrement())
      SetSelection(selStart, selLength);
    else
      SetSelection(Utf8Length(Text()), 0);
    if (ActiveProperties()->ImmediatePost() && CanPostEditValue() && DoValidateEdit(true)) {
      if (!alive) return;
      PostEditValue(false);
      if (alive) RefreshDisplayFromEditValue();
    }
  });
  return changed;
}

// ---- press state and auto-repeat ----

void TcxCustomSpinEdit::InvalidateSpinButtons() {
  if (!HandleAllocated() || !EditViewInfo()) return;
  TcxCustomEditViewInfo* vi = EditViewInfo();
  for (int32_t i = 0; i < vi->ButtonCount(); ++i) ::InvalidateRect(Handle(), &vi->Button(i)->Bounds, FALSE);
}

void TcxCustomSpinEdit::SetPressedState(int32_t Value) {
  if (FPressedState == Value) return;
  FPressedState = Value;
  if (!HandleAllocated() || IsEditDestroying()) return;
  UpdateStateAtCursor();
  InvalidateSpinButtons();
}

void TcxCustomSpinEdit::StopTracking() {
  FCapturedButton = -1;
  SetPressedState(0);
  if (FTimer) {
    TcxTimer* timer = FTimer;
    FTimer = nullptr;
    timer->Free();
  }
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TcxCustomSpinEdit::TimerTick(TObject*) {
  if (!FTimer) return;
  FTimer->SetInterval(cxSpinEditRepeatInterval);
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (!vi || vi->PressedButton < 0) return;
  int32_t index = ButtonIndexOfVisible(vi->PressedButton);
  if (index >= 0 && index <= sskFastUp) DoIncrement(static_cast<TcxSpinEditStepKind>(index));
}

void TcxCustomSpinEdit::DoButtonDown(int32_t AVisibleIndex) {
  inherited::DoButtonDown(AVisibleIndex);
  if (FPressedState != 0) return;
  int32_t index = ButtonIndexOfVisible(AVisibleIndex);
  if (index < 0 || index > sskFastUp) return;
  FCapturedButton = index;
  cx_edit_detail::TAliveLink alive(this);
  DoIncrement(static_cast<TcxSpinEditStepKind>(index));
  if (!alive || FCapturedButton < 0) return;
  if (ActiveProperties()->ReadOnly() || !DataBinding()->CanModify()) return;
  if (FTimer) FTimer->Free();
  FTimer = New<TcxTimer>(nullptr);
  FTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomSpinEdit::TimerTick));
  FTimer->SetInterval(cxSpinEditFirstRepeatInterval);
}

void TcxCustomSpinEdit::DoButtonUp(int32_t AVisibleIndex) { inherited::DoButtonUp(AVisibleIndex); }

void TcxCustomSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (alive && (FCapturedButton >= 0 || FTimer)) StopTracking();
}

void TcxCustomSpinEdit::FocusChanged() {
  cx_edit_detail::TAliveLink alive(this);
  inherited::FocusChanged();
  if (alive && (FCapturedButton >= 0 || FTimer || FPressedState != 0)) StopTracking();
}

void TcxCustomSpinEdit::DblClick() {
  POINT p{};
  GetCursorPos(&p);
  bool onButton = false;
  if (HandleAllocated() && EditViewInfo()) {
    p = ScreenToClient(p);
    for (int32_t i = 0; i < EditViewInfo()->ButtonCount(); ++i)
      if (PtInRect(&EditViewInfo()->Button(i)->Data.VisibleRect, p)) onButton = true;
  }
  if (!onButton) StopTracking();
  inherited::DblClick();
}

bool TcxCustomSpinEdit::RefreshContainer(POINT P, uint8_t AButton, TShiftState AShift, bool AIsMouseEvent) {
  cx_edit_detail::TAliveLink alive(this);
  bool result = inherited::RefreshContainer(P, AButton, AShift, AIsMouseEvent);
  if (!alive) return result;
  TcxCustomEditViewInfo* vi = EditViewInfo();
  if (FTimer && vi && vi->PressedButton < 0 && !(HandleAllocated() && GetCapture() == Handle())) StopTracking();
  return result;
}

void TcxCustomSpinEdit::InitializeViewData(TcxCustomEditViewData* AViewData) { inherited::InitializeViewData(AViewData); }

bool TcxCustomSpinEdit::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, POINT MousePos) {
  if (WheelDelta != 0 && CanHandleMouseWheel(Shift)) {
    DoIncrement(WheelDelta < 0 ? sskDown : sskUp);
    return true;
  }
  return inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
}

// ---- keys and characters ----

void TcxCustomSpinEdit::DoEditKeyDown(uint16_t& Key, TShiftState Shift) {
  FIsTypedTextAction = false;
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  if (SpinIsSpinKey(Key) && (!properties->UseCtrlIncrement() || Shift.Contains(ssCtrl))) {
    if (!ModifiedAfterEnter() && !DoEditing()) {
      Key = 0;
      return;
    }
    TcxSpinEditStepKind kind = Key == VK_UP ? sskUp : Key == VK_DOWN ? sskDown : Key == VK_PRIOR ? sskFastUp : sskFastDown;
    cx_edit_detail::TAliveLink alive(this);
    SetPressedState(kind + 1);
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    FCapturedButton = -1;
    if (FTimer) {
      FTimer->Free();
      FTimer = nullptr;
    }
    DoIncrement(kind);
    if (alive) Key = 0;
    return;
  }
  if (FCapturedButton >= 0 || FTimer || FPressedState != 0) StopTracking();
  if (Key != VK_ESCAPE) FIsTypedTextAction = true;
  if (!properties->CanEdit() && IsModifyingKey(Key, Shift)) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  inherited::DoEditKeyDown(Key, Shift);
}

void TcxCustomSpinEdit::DoEditKeyUp(uint16_t& Key, TShiftState Shift) {
  if (SpinIsSpinKey(Key)) StopTracking();
  inherited::DoEditKeyUp(Key, Shift);
}

void TcxCustomSpinEdit::DoEditKeyPress(char32_t& Key) {
  if (Key == U'.' || Key == U',') {
    char sep = FormatSettings().DecimalSeparator;
    if (sep) Key = static_cast<char32_t>(static_cast<unsigned char>(sep));
  }
  if (IsPrintableChar(Key) || Key == 8 || Key == U'.') {
    if (IsValidChar(Key)) {
      FIsTypedTextAction = true;
    } else {
      Key = 0;
      MessageBeep(0);
      return;
    }
  }
  inherited::DoEditKeyPress(Key);
}

bool TcxCustomSpinEdit::IsValidChar(char32_t AChar) {
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  bool handler = properties->OnGetValue.Assigned();
  if (auto* own = dynamic_cast<TcxCustomSpinEditProperties*>(GetOwnProperties()))
    handler = handler || own->OnGetValue.Assigned();
  if (properties->CanEdit() && handler) return true;
  if (!properties->CanEdit() && (AChar == 8 || AChar >= 32)) return false;
  if (AChar < 32) return true;
  if (AChar < 256 && properties->ValidChars()[AChar]) return true;
  if (properties->ValueType() == vtFloat && SpinIsCharDecimalSeparator(AChar)) return true;
  if (AChar >= 128) return false;
  char c = static_cast<char>(AChar);
  if (properties->ValueType() == vtFloat) return IsNumericChar(c, 2);
  return IsNumericChar(c, 0) || c == 'e' || c == 'E';
}

// ---- text and values ----

void TcxCustomSpinEdit::DisplayToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  String error;
  ActiveProperties()->TextToValue(VarToStr(ADisplayValue), true, error, AEditValue, this);
}

void TcxCustomSpinEdit::RefreshDisplayFromEditValue() {
  Variant value = EditValue();
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  FInternalValue = properties->IsEditValueValid(value, IsEditFocused()) ? value : properties->GetZeroClampedValue();
  inherited::RefreshDisplayFromEditValue();
}

void TcxCustomSpinEdit::RefreshEditValueFromDisplay() {
  cx_edit_detail::TAliveLink alive(this);
  inherited::RefreshEditValueFromDisplay();
  if (alive) FInternalValue = ActiveProperties()->ToValueType(EditValue());
}

void TcxCustomSpinEdit::InnerEditChanged(TObject* Sender) {
  FIsTypedText = FIsTypedTextAction;
  FIsTypedTextAction = false;
  inherited::InnerEditChanged(Sender);
}

void TcxCustomSpinEdit::PasteFromClipboard() {
  if (!ActiveProperties()->CanEdit() && KeyboardAction()) return;
  FIsTypedTextAction = true;
  try {
    inherited::PasteFromClipboard();
  } catch (...) {
    FIsTypedTextAction = false;
    throw;
  }
  FIsTypedTextAction = false;
}

void TcxCustomSpinEdit::CutToClipboard() {
  if (!ActiveProperties()->CanEdit() && KeyboardAction()) return;
  inherited::CutToClipboard();
}

void TcxCustomSpinEdit::ClampToValueBounds() {
  TcxCustomSpinEditProperties* properties = ActiveProperties();
  if (!properties->HasDistinctEffectiveBounds()) return;
  TcxSpinEditValueType type = properties->ValueType();
  // A text that is no number is left for validation to report: a property change must not raise.
  Variant value;
  if (IsEditFocused() && FIsTypedText) {
    String error;
    if (!properties->TextToValue(Text(), false, error, value, this) || !IsNumericVariant(value)) return;
  } else {
    value = GetValue();
  }
  Variant min = properties->GetEffectiveMinValue();
  Variant max = properties->GetEffectiveMaxValue();
  if (SpinCompare(value, min, type) < 0)
    SetValue(min);
  else if (SpinCompare(value, max, type) > 0)
    SetValue(max);
}

void TcxCustomSpinEdit::PropertiesChanged(TObject* Sender) {
  cx_edit_detail::TAliveLink alive(this);
  inherited::PropertiesChanged(Sender);
  if (!alive || IsEditDestroying()) return;
  if (!ComponentState().Contains(csDesigning) && ModifiedAfterEnter()) ClampToValueBounds();
}

// ---- view info --------------------------------------------------------------------------------------------------

void TcxSpinEditViewInfo::Assign(TObject* Source) {
  inherited::Assign(Source);
  if (auto* source = dynamic_cast<TcxSpinEditViewInfo*>(Source)) {
    ArrowSize = source->ArrowSize;
    ButtonsPosition = source->ButtonsPosition;
    DelimiterLine = source->DelimiterLine;
    NativeTheme = source->NativeTheme;
  }
}

void TcxSpinEditViewInfo::OffsetRects(int32_t DX, int32_t DY) {
  inherited::OffsetRects(DX, DY);
  if (!IsRectEmpty(&DelimiterLine)) OffsetRect(&DelimiterLine, DX, DY);
}

int32_t TcxSpinEditViewInfo::ButtonKind(int32_t AVisibleIndex) const {
  if (AVisibleIndex < 0 || AVisibleIndex >= ButtonCount()) return -1;
  int32_t index = Button(AVisibleIndex)->Data.ButtonIndex;
  return index >= 0 && index <= sskFastUp ? index : -1;
}

void TcxSpinEditViewInfo::PaintBackground(TcxCanvas* ACanvas) {
  inherited::PaintBackground(ACanvas);
  if (!IsRectEmpty(&DelimiterLine)) FillRectWithBrush(ACanvas->Handle(), DelimiterLine, GetSolidBrush(BackgroundColor));
}

void TcxSpinEditViewInfo::DrawButtonContent(TcxCanvas* ACanvas, int32_t AIndex, const RECT& ARect,
                                            TColor AContentColor, TColor ABackgroundColor) {
  int32_t kind = ButtonKind(AIndex);
  if (kind < 0) {
    inherited::DrawButtonContent(ACanvas, AIndex, ARect, AContentColor, ABackgroundColor);
    return;
  }
  if (ARect.right <= ARect.left || ARect.bottom <= ARect.top) return;
  const TcxEditButtonViewInfoData& d = Button(AIndex)->Data;
  if (d.NativePart != 0) return;  // the theme drew the whole button
  FillRectWithBrush(ACanvas->Handle(), ARect, GetSolidBrush(ABackgroundColor));
  const bool up = kind == sskUp || kind == sskFastUp;
  const bool fast = kind == sskFastUp || kind == sskFastDown;
  TcxPainterArrowDirection direction =
      ButtonsPosition == sbpVert ? (up ? padUp : padDown) : (up ? padRight : padLeft);
  const bool pressed = d.State == cxEditButtonStatePressed;
  if (d.State == cxEditButtonStateDisabled) {
    // Embossed: a light copy one pixel down and right under the shadow copy.
    RECT shifted = ARect;
    OffsetRect(&shifted, 1, 1);
    DrawArrows(ACanvas, ArrowSize, shifted, direction, fast, false, clBtnHighlight);
    DrawArrows(ACanvas, ArrowSize, ARect, direction, fast, false, clBtnShadow);
    return;
  }
  DrawArrows(ACanvas, ArrowSize, ARect, direction, fast, pressed, AContentColor);
}

void TcxSpinEditViewInfo::DrawButton(TcxCanvas* ACanvas, int32_t AIndex) {
  const TcxEditButtonViewInfoData& d = Button(AIndex)->Data;
  if (NativeTheme && d.NativePart != 0 && ButtonKind(AIndex) >= 0) {
    if (HTHEME theme = OpenTheme(totSpin)) {
      DrawThemeBackgroundRect(theme, ACanvas->Handle(), d.NativePart, d.NativeState, Button(AIndex)->Bounds);
      return;
    }
  }
  inherited::DrawButton(ACanvas, AIndex);
}

// ---- view data --------------------------------------------------------------------------------------------------

void TcxSpinEditViewData::CalculateButtonsViewInfo(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                                   TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                                   TMouseButton AButton, POINT AMousePos) {
  inherited::CalculateButtonsViewInfo(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);
  auto* vi = dynamic_cast<TcxSpinEditViewInfo*>(AViewInfo);
  if (!vi) return;
  HTHEME theme = vi->NativeTheme ? OpenTheme(totSpin) : nullptr;
  for (int32_t i = 0; i < vi->ButtonCount(); ++i) {
    TcxEditButtonViewInfoData& d = vi->Button(i)->Data;
    const int32_t kind = vi->ButtonKind(i);
    if (!theme || kind < 0) {
      if (kind >= 0) {
        d.NativePart = 0;
        d.NativeState = 0;
        d.NativePartiallyTransparent = false;
      }
      continue;
    }
    const bool up = kind == sskUp || kind == sskFastUp;
    const bool fast = kind == sskFastUp || kind == sskFastDown;
    d.NativePart = vi->ButtonsPosition == sbpVert && !fast ? (up ? 1 : 2) : (up ? 3 : 4);
    static constexpr int32_t kSpinStates[] = {4, 1, 3, 2};  // by disabled, normal, pressed, hot
    d.NativeState = kSpinStates[d.State <= cxEditButtonStateHot ? d.State : cxEditButtonStateNormal];
    d.NativePartiallyTransparent = IsThemeBackgroundPartiallyTransparent(theme, d.NativePart, d.NativeState) != 0;
  }
}

bool TcxSpinEditViewData::CanPressButton(TcxCustomEditViewInfo*, int32_t) {
  auto* edit = dynamic_cast<TcxCustomSpinEdit*>(Edit);
  return !edit || edit->PressedState() == 0;
}

bool TcxSpinEditViewData::IsButtonPressed(TcxCustomEditViewInfo* AViewInfo, int32_t AButtonVisibleIndex) {
  auto* edit = dynamic_cast<TcxCustomSpinEdit*>(Edit);
  if (!edit || edit->PressedState() == 0) return false;
  return AViewInfo->Button(AButtonVisibleIndex)->Data.ButtonIndex == edit->PressedState() - 1;
}

// The width follows the height of a text line, not the bounds: an editor measured on unlimited bounds gets
// buttons of its real size.
int32_t TcxSpinEditViewData::GetSmallButtonWidth(TcxCanvas* ACanvas, TcxSpinEditViewInfo* AViewInfo,
                                                 const RECT& AContent) {
  int64_t height = int64_t(AContent.bottom) - AContent.top;
  if (ACanvas) {
    ACanvas->SetFont(AViewInfo->Font ? AViewInfo->Font : Style->GetVisibleFont());
    height = int64_t(ACanvas->TextHeight("Zg")) + GetTextOffsets().y + ContentOffset.top + ContentOffset.bottom - 1;
  }
  height = std::clamp<int64_t>(height, 0, 1 << 20);
  if (AViewInfo->NativeTheme) return static_cast<int32_t>((height + 1) / 2);
  int32_t buttonWidth = AViewInfo->ButtonCount() > 0 ? GetButtonWidth(ACanvas, AViewInfo->Button(0)) : 0;
  SIZE arrow{};
  CalcArrowSize(SIZE{buttonWidth + 2, static_cast<LONG>(height / 2 + 2)}, padUp, arrow);
  AViewInfo->ArrowSize = arrow.cy;
  return arrow.cy * 4 - 3;
}

void TcxSpinEditViewData::CalculateButtonViewInfo(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                                                  int32_t AIndex) {
  inherited::CalculateButtonViewInfo(ACanvas, AViewInfo, ARect, AIndex);
  auto* vi = dynamic_cast<TcxSpinEditViewInfo*>(AViewInfo);
  if (!vi) return;
  TcxEditButtonViewInfoData& d = vi->Button(AIndex)->Data;
  const int32_t kind = vi->ButtonKind(AIndex);
  d.NativeStyle = vi->NativeTheme;
  d.LeftAlignment = vi->ButtonsPosition == sbpHorzLeftRight && (kind == sskDown || kind == sskFastDown);
}

// All spin buttons are laid out when the last visible one (the first one the base asks for) is placed.
void TcxSpinEditViewData::CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& ARect,
                                                int32_t AIndex) {
  auto* vi = dynamic_cast<TcxSpinEditViewInfo*>(AViewInfo);
  if (!vi) {
    inherited::CalculateButtonBounds(ACanvas, AViewInfo, ARect, AIndex);
    return;
  }
  if (AIndex != AViewInfo->ButtonCount() - 1) return;
  TcxCustomSpinEditProperties* properties = SpinProperties();
  const TcxSpinEditButtonsPosition position = properties->SpinButtons()->Position();
  vi->ButtonsPosition = position;
  vi->DelimiterLine = RECT{};
  vi->NativeTheme = NativeStyle && OpenTheme(totSpin) != nullptr;
  for (TcxEditButtonViewInfo* b : vi->ButtonsInfo) {
    b->Bounds = RECT{};
    b->Data.VisibleRect = RECT{};
    b->Data.NativeStyle = vi->NativeTheme;
  }
  if (ARect.right <= ARect.left || ARect.bottom <= ARect.top) return;

  // The visible button of each kind (-1 when hidden). The base fills in the button indexes one by one,
  // from the last, so they are read from the buttons themselves here.
  int32_t byKind[4] = {-1, -1, -1, -1};
  TcxEditButtons* buttons = properties->Buttons();
  for (int32_t i = 0, visible = 0; i < buttons->Count() && visible < vi->ButtonCount(); ++i) {
    if (!buttons->Items(i)->Visible()) continue;
    if (i <= sskFastUp) byKind[i] = visible;
    ++visible;
  }

  const RECT room = ARect;
  const int32_t small = GetSmallButtonWidth(ACanvas, vi, room);
  if (vi->NativeTheme) {
    // The arrow still needs a size for the fallback painting.
    SIZE arrow{};
    CalcArrowSize(SIZE{small + 2, (room.bottom - room.top) / 2 + 2}, padUp, arrow);
    vi->ArrowSize = arrow.cy;
  }
  const int32_t fast = static_cast<int32_t>((int64_t(small) * 3 + 1) / 2);
  const int32_t normal = vi->ButtonCount() > 0 ? GetButtonWidth(ACanvas, vi->Button(0)) : small;

  auto place = [&](int32_t AKind, const RECT& ABounds) {
    int32_t i = byKind[AKind];
    if (i < 0) return;
    TcxEditButtonViewInfo* b = vi->Button(i);
    b->Bounds = ABounds;
    IntersectRect(&b->Data.VisibleRect, &ABounds, &room);
  };
  auto takeRight = [&](int32_t AKind, int32_t AWidth) {
    if (byKind[AKind] < 0) return;
    place(AKind, RECT{ARect.right - AWidth, room.top, ARect.right, room.bottom});
    ARect.right = std::max(ARect.left, ARect.right - AWidth);
    if (RightSideRightmostButtonIndex < 0) RightSideRightmostButtonIndex = byKind[AKind];
    RightSideLeftmostButtonIndex = byKind[AKind];
  };
  auto takeLeft = [&](int32_t AKind, int32_t AWidth) {
    if (byKind[AKind] < 0) return;
    place(AKind, RECT{ARect.left, room.top, ARect.left + AWidth, room.bottom});
    ARect.left = std::min(ARect.right, ARect.left + AWidth);
    if (LeftSideLeftmostButtonIndex < 0) LeftSideLeftmostButtonIndex = byKind[AKind];
    LeftSideRightmostButtonIndex = byKind[AKind];
  };

  takeRight(sskFastUp, fast);
  if (position == sbpVert) {
    const int32_t left = ARect.right - normal;
    const int32_t middle = room.top + (room.bottom - room.top) / 2;
    const int32_t gap = vi->NativeTheme ? 1 : 0;
    place(sskUp, RECT{left, room.top, ARect.right, middle});
    place(sskDown, RECT{left, middle + gap, ARect.right, room.bottom});
    if (vi->NativeTheme) vi->DelimiterLine = RECT{left, middle, ARect.right, middle + 1};
    for (int32_t kind : {sskUp, sskDown}) {
      if (byKind[kind] < 0) continue;
      if (RightSideRightmostButtonIndex < 0) RightSideRightmostButtonIndex = byKind[kind];
      RightSideLeftmostButtonIndex = byKind[kind];
    }
    ARect.right = std::max(ARect.left, left);
    takeRight(sskFastDown, fast);
  } else {
    takeRight(sskUp, vi->NativeTheme ? small - 1 : small);
    if (position == sbpHorzRight) {
      if (vi->NativeTheme && byKind[sskDown] >= 0) {
        vi->DelimiterLine = RECT{ARect.right - 1, room.top, ARect.right, room.bottom};
      }
      takeRight(sskDown, small);
      takeRight(sskFastDown, fast);
    } else {
      takeLeft(sskFastDown, fast);
      takeLeft(sskDown, small);
    }
  }
}

// ---- registration -----------------------------------------------------------------------------------------------

void cxSpinEditInitialize() {
  cxMaskEditInitialize();
  GetRegisteredEditProperties()->Register(TcxSpinEditProperties::StaticClass(), cxSEditRepositorySpinItem);
  RegisterClasses({TcxSpinEdit::StaticClass(), TcxSpinEditProperties::StaticClass()});
}
