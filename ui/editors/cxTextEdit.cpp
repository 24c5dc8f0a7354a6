// The text editor's settings and the view that measures and paints its text.

#include <algorithm>

#include "rtl/DateTime.h"
#include "rtl/FMTBcd.h"
#include "rtl/Filer.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxVariants.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxTextEdit.h"

namespace {

const char* const cxSEditValueOutOfBounds = "Значение выходит за допустимые границы";
const char* const cxSEditNumericValueConvertError = "Не могу преобразовать в число";

TcxTextEditLookupDataClass gTextEditLookupDataClass;

}  // namespace

TcxTextEditLookupDataClass GetDefaultTextEditLookupDataClass() { return gTextEditLookupDataClass; }
void SetDefaultTextEditLookupDataClass(TcxTextEditLookupDataClass AClass) { gTextEditLookupDataClass = AClass; }

// ---- thousand separators -----------------------------------------------------------------------------------

namespace {

bool TextEditIsDigit(char32_t C) { return C >= U'0' && C <= U'9'; }

}  // namespace

String RemoveThousandSeparators(const String& AText) {
  const String& separator = FormatSettings().ThousandSeparator;
  if (separator.empty()) return AText;
  return StringReplace(AText, separator, "", {rfReplaceAll});
}

// Separators go between digits only, so that a sign never gets one after it.
String InsertThousandSeparators(const String& AText) {
  const TFormatSettings& fs = FormatSettings();
  std::u32string separator = Utf8ToCodePoints(fs.ThousandSeparator);
  std::u32string text = Utf8ToCodePoints(AText);
  size_t first = 0;
  while (first < text.size() && text[first] == U' ') ++first;
  size_t last = text.size();
  while (last > first && text[last - 1] == U' ') --last;
  std::u32string leading = text.substr(0, first), trailing = text.substr(last);
  std::u32string body = text.substr(first, last - first);
  std::u32string exponent;
  size_t e = body.find_first_of(U"Ee");
  if (e != std::u32string::npos) {
    exponent = body.substr(e);
    body.resize(e);
  }
  if (!separator.empty()) {
    std::u32string plain;
    for (size_t i = 0; i < body.size();) {
      if (body.compare(i, separator.size(), separator) == 0) {
        i += separator.size();
        continue;
      }
      plain += body[i++];
    }
    body = plain;
  }
  size_t decimal = body.find(static_cast<char32_t>(static_cast<unsigned char>(fs.DecimalSeparator)));
  size_t integerEnd = decimal == std::u32string::npos ? body.size() : decimal;
  std::u32string result;
  int32_t digitsToRight = 0;
  for (size_t i = integerEnd; i > 0; --i) {
    char32_t c = body[i - 1];
    if (TextEditIsDigit(c) && digitsToRight > 0 && digitsToRight % 3 == 0 && i < integerEnd && TextEditIsDigit(body[i]))
      result.insert(0, separator);
    result.insert(result.begin(), c);
    digitsToRight = TextEditIsDigit(c) ? digitsToRight + 1 : 0;
  }
  result += body.substr(integerEnd);
  return Utf8FromCodePoints(leading + result + exponent + trailing);
}

// ---- TcxTextEditPropertiesValues ----------------------------------------------------------------------------

RTL_PUBLISHED(TcxTextEditPropertiesValues) {
  prop("DisplayFormat", &TcxTextEditPropertiesValues::DisplayFormat, &TcxTextEditPropertiesValues::SetDisplayFormat)
      .NoDefault()
      .Stored(&TcxTextEditPropertiesValues::IsDisplayFormatStored);
  prop("EditFormat", &TcxTextEditPropertiesValues::EditFormat, &TcxTextEditPropertiesValues::SetEditFormat)
      .NoDefault()
      .Stored(&TcxTextEditPropertiesValues::IsEditFormatStored);
  prop("MaxLength", &TcxTextEditPropertiesValues::MaxLength, &TcxTextEditPropertiesValues::SetMaxLength)
      .NoDefault();
  prop("MaxValue", &TcxTextEditPropertiesValues::MaxValue, &TcxTextEditPropertiesValues::SetMaxValue)
      .NoDefault()
      .Stored(&TcxTextEditPropertiesValues::IsMaxValueStored);
  prop("MinValue", &TcxTextEditPropertiesValues::MinValue, &TcxTextEditPropertiesValues::SetMinValue)
      .NoDefault()
      .Stored(&TcxTextEditPropertiesValues::IsMinValueStored);
}

void TcxTextEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxTextEditPropertiesValues*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetDisplayFormat(source->FDisplayFormat);
    SetEditFormat(source->FEditFormat);
    SetMaxLength(source->FMaxLength);
    SetMaxValue(source->FMaxValue);
    SetMinValue(source->FMinValue);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxTextEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    inherited::RestoreDefaults();
    SetDisplayFormat(false);
    SetEditFormat(false);
    SetMaxLength(false);
    SetMaxValue(false);
    SetMinValue(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TcxTextEditPropertiesValues::SetDisplayFormat(bool Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  Changed();
}

void TcxTextEditPropertiesValues::SetEditFormat(bool Value) {
  if (FEditFormat == Value) return;
  FEditFormat = Value;
  Changed();
}

void TcxTextEditPropertiesValues::SetMaxLength(bool Value) {
  if (FMaxLength == Value) return;
  FMaxLength = Value;
  if (auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(Properties())) properties->TextSettingChanged();
}

void TcxTextEditPropertiesValues::SetMaxValue(bool Value) {
  if (FMaxValue == Value) return;
  FMaxValue = Value;
  Changed();
}

void TcxTextEditPropertiesValues::SetMinValue(bool Value) {
  if (FMinValue == Value) return;
  FMinValue = Value;
  Changed();
}

bool TcxTextEditPropertiesValues::IsDisplayFormatStored() const {
  auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(
      const_cast<TcxTextEditPropertiesValues*>(this)->GetOwner());
  return FDisplayFormat && properties && properties->DisplayFormat().empty() &&
         IsPropertyPublished("DisplayFormat");
}

bool TcxTextEditPropertiesValues::IsEditFormatStored() const {
  auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(
      const_cast<TcxTextEditPropertiesValues*>(this)->GetOwner());
  return FEditFormat && properties && properties->EditFormat().empty() && IsPropertyPublished("EditFormat");
}

bool TcxTextEditPropertiesValues::IsMaxValueStored() const {
  auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(
      const_cast<TcxTextEditPropertiesValues*>(this)->GetOwner());
  return FMaxValue && properties && properties->MaxValue() == 0 && IsPropertyPublished("MaxValue");
}

bool TcxTextEditPropertiesValues::IsMinValueStored() const {
  auto* properties = dynamic_cast<TcxCustomTextEditProperties*>(
      const_cast<TcxTextEditPropertiesValues*>(this)->GetOwner());
  return FMinValue && properties && properties->MinValue() == 0 && IsPropertyPublished("MinValue");
}

// ---- TcxCustomTextEditProperties ----------------------------------------------------------------------------

RTL_PUBLISHED(TcxTextEditProperties) {
  prop("AssignedValues", &TcxTextEditProperties::AssignedValues, &TcxTextEditProperties::SetAssignedValues);
  prop("CharCase", &TcxTextEditProperties::CharCase, &TcxTextEditProperties::SetCharCase).Default(ecNormal);
  prop("EchoMode", &TcxTextEditProperties::EchoMode, &TcxTextEditProperties::SetEchoMode).Default(eemNormal);
  prop("HideSelection", &TcxTextEditProperties::HideSelection, &TcxTextEditProperties::SetHideSelection)
      .Default(true);
  prop("ImeMode", &TcxTextEditProperties::ImeMode, &TcxTextEditProperties::SetImeMode).Default(imDontCare);
  prop("ImeName", &TcxTextEditProperties::ImeName, &TcxTextEditProperties::SetImeName);
  prop("LookupItems", &TcxTextEditProperties::LookupItems, &TcxTextEditProperties::SetLookupItems);
  prop("LookupItemsSorted", &TcxTextEditProperties::LookupItemsSorted, &TcxTextEditProperties::SetLookupItemsSorted)
      .Default(false);
  prop("MaxLength", &TcxTextEditProperties::MaxLength, &TcxTextEditProperties::SetMaxLength)
      .NoDefault()
      .Stored(&TcxTextEditProperties::IsMaxLengthStored);
  prop("OEMConvert", &TcxTextEditProperties::OEMConvert, &TcxTextEditProperties::SetOEMConvert).Default(false);
  prop("PasswordChar", &TcxTextEditProperties::PasswordChar, &TcxTextEditProperties::SetPasswordChar)
      .Default(char(0));
  event("OnNewLookupDisplayText", &TcxTextEditProperties::OnNewLookupDisplayText,
        &TcxTextEditProperties::OnNewLookupDisplayText);
}

TcxCustomTextEditProperties::TcxCustomTextEditProperties(TPersistent* AOwner) : TcxCustomEditProperties(AOwner) {}

void TcxCustomTextEditProperties::AfterConstruction() {
  inherited::AfterConstruction();
  FLookupItems = New<TStringList>();
  FLookupItems->SetOnChange(TNotifyEvent(this, &TcxCustomTextEditProperties::LookupItemsChanged));
  GetFormatController()->AddListener(this);
  FListening = true;
}

void TcxCustomTextEditProperties::BeforeDestruction() {
  if (FListening) GetFormatController()->RemoveListener(this);
  FListening = false;
  inherited::BeforeDestruction();
}

TcxCustomTextEditProperties::~TcxCustomTextEditProperties() {
  if (FListening) GetFormatController()->RemoveListener(this);
  if (FLookupItems) FLookupItems->SetOnChange(TNotifyEvent());
  FreeAndNil(FLookupItems);
}

void TcxCustomTextEditProperties::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  // Forms written by older versions carry the display-format flag under this name; nothing writes it.
  Filer->DefineProperty("IsDisplayFormatAssigned",
                        TReaderProc(this, &TcxCustomTextEditProperties::ReadIsDisplayFormatAssigned), TWriterProc(),
                        false);
}

void TcxCustomTextEditProperties::ReadIsDisplayFormatAssigned(TReader* Reader) {
  if (Reader->ReadBoolean()) AssignedValues()->SetDisplayFormat(true);
}

void TcxCustomTextEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomTextEditProperties*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetCharCase(source->CharCase());
    SetEchoMode(source->EchoMode());
    SetFixedListSelection(source->FixedListSelection());
    SetHideCursor(source->HideCursor());
    SetHideSelection(source->HideSelection());
    SetImmediateUpdateText(source->ImmediateUpdateText());
    FExactMatch = source->FExactMatch;
    FValidChars = source->FValidChars;
    SetLookupItemsSorted(false);
    FLookupItems->Assign(source->LookupItems());
    SetLookupItemsSorted(source->LookupItemsSorted());
    TcxTextEditPropertiesValues* values = AssignedValues();
    TcxTextEditPropertiesValues* sourceValues = source->AssignedValues();
    values->SetDisplayFormat(false);
    if (sourceValues->DisplayFormat()) SetDisplayFormat(source->DisplayFormat());
    values->SetEditFormat(false);
    if (sourceValues->EditFormat()) SetEditFormat(source->EditFormat());
    values->SetMaxLength(false);
    if (sourceValues->MaxLength()) SetMaxLength(source->MaxLength());
    values->SetMaxValue(false);
    if (sourceValues->MaxValue()) SetMaxValue(source->MaxValue());
    values->SetMinValue(false);
    if (sourceValues->MinValue()) SetMinValue(source->MinValue());
    SetOEMConvert(source->OEMConvert());
    SetImeMode(source->ImeMode());
    SetImeName(source->ImeName());
    SetPasswordChar(source->PasswordChar());
    SetUseDisplayFormatWhenEditing(source->UseDisplayFormatWhenEditing());
    OnNewLookupDisplayText = source->OnNewLookupDisplayText;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

// ---- the kind's answers ----

TcxCustomEditViewDataClass TcxCustomTextEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewDataClass::Of<TcxCustomTextEditViewData>();
}

TClass TcxCustomTextEditProperties::GetViewInfoClass() const { return TcxCustomTextEditViewInfo::StaticClass(); }

uint32_t TcxCustomTextEditProperties::GetSupportedOperations() {
  return Buttons()->Count() > 0 ? 190u : 174u;
}

bool TcxCustomTextEditProperties::CanResetEditValue() const {
  return const_cast<TcxCustomTextEditProperties*>(this)->GetEditingStyle() != esNoEdit;
}

void TcxCustomTextEditProperties::RestoreDefaultAlignment(TObject* Sender) {
  BeginUpdate();
  try {
    inherited::RestoreDefaultAlignment(Sender);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TcxCustomTextEditProperties::SetAlignment(TcxEditAlignment* Value) {
  BeginUpdate();
  try {
    inherited::SetAlignment(Value);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TcxCustomTextEditProperties::DisplayFormatChanged() {
  FDisplayFormatChanging = true;
  try {
    Changed();
  } catch (...) {
    FDisplayFormatChanging = false;
    throw;
  }
  FDisplayFormatChanging = false;
}

String TcxCustomTextEditProperties::GetOutOfBoundsErrorText() { return TranslateString(cxSEditValueOutOfBounds); }

bool TcxCustomTextEditProperties::FindLookupText(const String& AText) {
  String upper = AnsiUpperCase(AText);
  for (int32_t i = 0; i < FLookupItems->Count(); ++i)
    if (AnsiUpperCase(FLookupItems->Strings(i)) == upper) return true;
  return false;
}

int32_t TcxCustomTextEditProperties::GetDefaultMaxLength() {
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMaxLength() : 0;
}

TcxEditEditingStyle TcxCustomTextEditProperties::GetEditingStyle() { return FHideCursor ? esNoEdit : esEdit; }

TcxTextEditLookupDataClass TcxCustomTextEditProperties::GetLookupDataClass() { return gTextEditLookupDataClass; }

bool TcxCustomTextEditProperties::UsesLookupData() { return static_cast<bool>(GetLookupDataClass()); }

void TcxCustomTextEditProperties::LookupItemsChanged(TObject*) { Changed(); }

void TcxCustomTextEditProperties::TextSettingChanged() { Changed(); }

// The case of typed text follows the platform's Unicode mapping, so that Cyrillic letters change case as
// Latin ones do (the native edit does the same with what the user types).
void TcxCustomTextEditProperties::ApplyEchoModeAndCharCase(String& AText) {
  if (FEchoMode == eemPassword) {
    char32_t c = FPasswordChar ? static_cast<char32_t>(static_cast<unsigned char>(FPasswordChar)) : U'*';
    String masked;
    int32_t count = Utf8Length(AText);
    for (int32_t i = 0; i < count; ++i) Utf8Append(masked, c);
    AText = masked;
    return;
  }
  if (FCharCase == ecUpperCase)
    AText = Utf8UpperCase(AText);
  else if (FCharCase == ecLowerCase)
    AText = Utf8LowerCase(AText);
}

bool TcxCustomTextEditProperties::NormalizeEditValue(Variant& AValue, bool) {
  String text = VarToStr(AValue);
  if (!text.empty()) {
    TcxEditEditingStyle style = GetEditingStyle();
    if ((style == esEditList || style == esFixedList) && UsesLookupData() && !FindLookupText(text)) return false;
  }
  if (FCharCase == ecUpperCase)
    text = Utf8UpperCase(text);
  else if (FCharCase == ecLowerCase)
    text = Utf8LowerCase(text);
  AValue = Variant(text);
  return true;
}

bool TcxCustomTextEditProperties::IsDataFormatted(bool AEditFocused) {
  uint8_t options = GetDisplayFormatOptions();
  if (!(options & cxEditDisplayFormatApplies) || GetEditValueSource(true) != 1 || GetEditValueSource(false) != 1)
    return false;
  IcxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  if (!provider) return false;
  if (AEditFocused && !(options & cxEditDisplayFormatWhileEditing)) return false;
  return provider->HasDisplayFormat(!(options & cxEditDisplayFormatWhileEditing));
}

String TcxCustomTextEditProperties::GetDisplayTextFor(const Variant& AEditValue, bool AEditFocused) {
  String text;
  try {
    if (IsDataFormatted(AEditFocused)) {
      text = VarToStr(AEditValue);
    } else {
      Variant value = AEditValue;
      Variant display;
      if (IsEditValueValid(value, AEditFocused))
        ConvertToDisplayValue(AEditValue, display, AEditFocused);
      else if (VarType(AEditValue) == varDate)
        display = Variant(DateTimeToStr(VarToDateTime(AEditValue)));
      else
        display = Variant(VarToStr(AEditValue));
      text = VarToStr(display);
    }
  } catch (...) {
    ApplyEchoModeAndCharCase(text);
    throw;
  }
  ApplyEchoModeAndCharCase(text);
  return text;
}

WideString TcxCustomTextEditProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  return Utf8ToUtf16(GetDisplayTextFor(AEditValue, false));
}

// Only the check: the value handed in is left as it is.
bool TcxCustomTextEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  if (VarIsNull(AEditValue) || !VarIsStr(AEditValue)) return true;
  Variant value = AEditValue;
  return NormalizeEditValue(value, AEditFocused);
}

void TcxCustomTextEditProperties::ConvertToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                        bool AEditFocused) {
  if (!SupportsValueBounds()) {
    ADisplayValue = Variant(VarToStr(AEditValue));
    return;
  }
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue) || (VarIsStr(AEditValue) && VarToStr(AEditValue).empty())) {
    ADisplayValue = Variant(String());
    return;
  }
  if (!VarIsNumeric(AEditValue) && !VarIsStr(AEditValue) && !VarIsFMTBcd(AEditValue))
    throw EConvertError(TranslateString(cxSEditNumericValueConvertError));
  String text;
  if (AEditFocused) {
    bool isCurrency = false, fromData = false;
    String format;
    ResolveEditFormat(isCurrency, fromData, format, nullptr);
    int32_t precision = DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultPrecision() : 15;
    TBcd bcd;
    if (isCurrency && TryStrToBcd(VarToStr(AEditValue), bcd)) {
      text = BcdToStrF(bcd, ffFixed, precision, FormatSettings().CurrencyDecimals);
    } else if (!format.empty()) {
      text = FormatFloat(format, VarAsType(AEditValue, varDouble).AsDouble());
    } else {
      text = TryStrToBcd(VarToStr(AEditValue), bcd) ? BcdToStrF(bcd, ffGeneral, precision, 0) : VarToStr(AEditValue);
      if (IsThousandSeparatorUsed()) text = InsertThousandSeparators(text);
    }
  } else {
    String format = DisplayFormat();
    text = format.empty() ? VarToStr(AEditValue) : FormatFloat(format, VarAsType(AEditValue, varDouble).AsDouble());
  }
  ADisplayValue = Variant(text);
}

bool TcxCustomTextEditProperties::AreEditValuesEqual(const Variant& AEditValue1, const Variant& AEditValue2) {
  return AnsiCompareStr(GetDisplayTextFor(AEditValue1, false), GetDisplayTextFor(AEditValue2, false)) == 0;
}

// ---- effective values ----

String TcxCustomTextEditProperties::DisplayFormat() {
  if (AssignedValues()->DisplayFormat()) return FDisplayFormat;
  if (IcxEditDefaultValuesProvider* provider = DefaultValuesProvider()) {
    String format = provider->GetDefaultDisplayFormat();
    if (!format.empty()) return format;
  }
  return GetDefaultDisplayFormat();
}

void TcxCustomTextEditProperties::SetDisplayFormat(const String& Value) {
  if (AssignedValues()->DisplayFormat() && FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  BeginUpdate();
  AssignedValues()->SetDisplayFormat(true);
  EndUpdate(false);
  Changed();
}

String TcxCustomTextEditProperties::EditFormat() {
  bool isCurrency = false, fromData = false;
  String format;
  ResolveEditFormat(isCurrency, fromData, format, nullptr);
  return format;
}

void TcxCustomTextEditProperties::SetEditFormat(const String& Value) {
  if (AssignedValues()->EditFormat() && FEditFormat == Value) return;
  FEditFormat = Value;
  BeginUpdate();
  AssignedValues()->SetEditFormat(true);
  EndUpdate(false);
  Changed();
}

int32_t TcxCustomTextEditProperties::MaxLength() {
  return AssignedValues()->MaxLength() ? FMaxLength : GetDefaultMaxLength();
}

void TcxCustomTextEditProperties::SetMaxLength(int32_t Value) {
  Value = std::max(Value, 0);
  if (AssignedValues()->MaxLength() && FMaxLength == Value) return;
  FMaxLength = Value;
  BeginUpdate();
  AssignedValues()->SetMaxLength(true);
  EndUpdate(false);
  TextSettingChanged();
}

double TcxCustomTextEditProperties::MaxValue() {
  if (AssignedValues()->MaxValue()) return FMaxValue;
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMaxValue() : 0.0;
}

void TcxCustomTextEditProperties::SetMaxValue(double Value) {
  if (AssignedValues()->MaxValue() && FMaxValue == Value) return;
  FMaxValue = Value;
  BeginUpdate();
  AssignedValues()->SetMaxValue(true);
  EndUpdate(false);
  Changed();
}

double TcxCustomTextEditProperties::MinValue() {
  if (AssignedValues()->MinValue()) return FMinValue;
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMinValue() : 0.0;
}

void TcxCustomTextEditProperties::SetMinValue(double Value) {
  if (AssignedValues()->MinValue() && FMinValue == Value) return;
  FMinValue = Value;
  BeginUpdate();
  AssignedValues()->SetMinValue(true);
  EndUpdate(false);
  Changed();
}

// ---- plain setters ----

void TcxCustomTextEditProperties::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetEchoMode(TcxEditEchoMode Value) {
  if (FEchoMode == Value) return;
  FEchoMode = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetFixedListSelection(bool Value) {
  if (FFixedListSelection == Value) return;
  FFixedListSelection = Value;
  if (GetEditingStyle() == esFixedList) Changed();
}

void TcxCustomTextEditProperties::SetHideCursor(bool Value) {
  if (FHideCursor == Value) return;
  FHideCursor = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetImeMode(TImeMode Value) {
  if (FImeMode == Value) return;
  FImeMode = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetImeName(const TImeName& Value) {
  if (FImeName == Value) return;
  FImeName = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetImmediateUpdateText(bool Value) {
  if (FImmediateUpdateText == Value) return;
  FImmediateUpdateText = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetUseDisplayFormatWhenEditing(bool Value) {
  if (FUseDisplayFormatWhenEditing == Value) return;
  FUseDisplayFormatWhenEditing = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetOEMConvert(bool Value) {
  if (FOEMConvert == Value) return;
  FOEMConvert = Value;
  Changed();
}

void TcxCustomTextEditProperties::SetPasswordChar(char Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  Changed();
}

TcxTextEditViewStyle TcxCustomTextEditProperties::ViewStyle() const {
  switch (ButtonsViewStyle()) {
    case bvsButtonsOnly: return vsButtonsOnly;
    case bvsButtonsAutoWidth: return vsButtonsAutoWidth;
    default: return FHideCursor ? vsHideCursor : vsNormal;
  }
}

void TcxCustomTextEditProperties::SetViewStyle(TcxTextEditViewStyle Value) {
  if (ViewStyle() == Value) return;
  static constexpr TcxEditButtonsViewStyle byStyle[] = {bvsNormal, bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth};
  BeginUpdate();
  try {
    SetButtonsViewStyle(byStyle[Value]);
    SetHideCursor(Value != vsNormal);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

// ---- TcxCustomTextEditViewInfo ------------------------------------------------------------------------------

namespace {

TColor TextEditInverseColor(TColor AColor) { return static_cast<TColor>(ColorToRGB(AColor) ^ 0xFFFFFF); }

RECT TextEditShrinkBy(const RECT& R, const RECT& AOffsets) {
  return RECT{R.left + AOffsets.left, R.top + AOffsets.top, R.right - AOffsets.right, R.bottom - AOffsets.bottom};
}

}  // namespace

void TcxCustomTextEditViewInfo::SetText(const String& AText) {
  Text = AText;
  InvalidateTextOut();
}

void TcxCustomTextEditViewInfo::PaintBackground(TcxCanvas* ACanvas) {
  int32_t comboMode = !ComboBoxStyle ? 0 : (EditingStyle == esFixedList || EditingStyle == esNoEdit) ? 2 : 1;
  PaintEditButtons(ACanvas, !Transparent && !DrawSelectionBar, comboMode);
  RECT r = ClientRect;
  // The one-pixel ring between the border and the text is the editor's own background.
  if (!IsInplace && !NativeStyle && !Transparent && EditingStyle != esNoEdit) {
    ACanvas->FrameRect(r, BackgroundColor);
    InflateRect(&r, -1, -1);
  }
  if (IsOwnerDrawing && OnDrawOwner) {
    OnDrawOwner(ACanvas, r);
  } else {
    if (DrawSelectionBar) {
      ACanvas->Brush()->SetColor(clHighlight);
      ACanvas->FillRect(r);
    }
    if (!(InnerEditVisible && InnerEditShown)) DrawText(ACanvas);
  }
  if (!IsInplace && !InnerEditShown && Focused && !HasPopupWindow) {
    ACanvas->Font()->SetColor(DrawSelectionBar ? clHighlightText : clBtnText);
    ACanvas->Brush()->SetColor(DrawSelectionBar ? clHighlight : BackgroundColor);
    ACanvas->DrawFocusRect(r);
  }
}

void TcxCustomTextEditViewInfo::DrawText(TcxCanvas* ACanvas) {
  if (Text.empty()) return;
  if (Font) ACanvas->Font()->Assign(Font);
  ACanvas->Font()->SetColor(DrawSelectionBar ? clHighlightText : TextColor);
  PrepareCanvasFont(ACanvas);
  HDC dc = ACanvas->Handle();
  TcxTextOutData& data = TextOutData;
  if (!data.Initialized) {
    GetEditTextParamsOnCanvas(ACanvas->Canvas(), DrawTextFlags, data.TextParams);
    data.TextRect = TextOutRect;
    data.TextRows.clear();
    data.RowCount = 0;
    bool allFit = BreakEditTextRows(dc, Text, data.TextRect, MaxLineCount, data.RowCount, data.TextRows,
                                    data.TextParams);
    if (MaxLineCount > 0 && data.RowCount > MaxLineCount) data.RowCount = MaxLineCount;
    data.RowCount = PlaceEditTextRows(dc, data.TextRect, data.TextParams, data.TextRows, data.RowCount);
    data.ForceEndEllipsis = MaxLineCount > 0 && data.RowCount >= MaxLineCount && !allFit &&
                            data.TextParams.EndEllipsis;
    data.Initialized = true;
  }
  int32_t length = Utf8Length(Text);
  data.SelStart = SelStart;
  data.SelLength = SelLength;
  if (data.SelStart < 0 || data.SelStart > length) data.SelLength = 0;
  if (data.SelStart + data.SelLength > length) data.SelLength = length - data.SelStart;
  data.SelTextColor = SelTextColor;
  data.SelBkColor = SelBackgroundColor;
  DrawEditTextRows(dc, data.TextRect, data.TextParams, data.ForceEndEllipsis, data.SelTextColor, data.SelBkColor,
                   data.SelLength, data.SelStart, data.RowCount, data.TextRows);
}

void TcxCustomTextEditViewInfo::OffsetRects(int32_t DX, int32_t DY) {
  inherited::OffsetRects(DX, DY);
  OffsetRect(&TextOutRect, DX, DY);
  OffsetRect(&TextOutData.TextRect, DX, DY);
  for (TcxEditTextRow& row : TextOutData.TextRows) {
    row.Left += DX;
    row.Top += DY;
  }
}

bool TcxCustomTextEditViewInfo::NeedShowHintInRect(TcxCanvas* ACanvas, POINT P, const RECT& AVisibleBounds,
                                                   String& AText, bool& AIsMultiLine, RECT& ATextRect) {
  AText.clear();
  AIsMultiLine = false;
  ATextRect = RECT{};
  RECT r = TextOutRect;
  bool limited = !IsRectEmpty(&AVisibleBounds);
  if (limited) IntersectRect(&r, &r, &AVisibleBounds);
  if (!ACanvas || !PtInRect(&r, P) || Text.empty()) return false;
  if (Font) ACanvas->Font()->Assign(Font);
  PrepareCanvasFont(ACanvas);
  HDC dc = ACanvas->Handle();
  // Laid out from the left, so that an unlimited width places no row far off; the alignment is applied
  // below when the rows are compared with the visible bounds.
  uint32_t flags = (DrawTextFlags & ~(TOF_VERT_MASK | TOF_HORZ_MASK)) | TOF_CALCROWCOUNT;
  uint32_t horz = DrawTextFlags & TOF_HORZ_MASK;
  bool wraps = (flags & TOF_WORDBREAK) && !(flags & TOF_SINGLELINE);
  RECT layout = TextOutRect;
  layout.bottom = cxEditUnlimitedWidth;
  if (!wraps) layout.right = cxEditUnlimitedWidth;
  TcxEditTextParams params;
  GetEditTextParams(dc, flags, params);
  TcxTextRows rows;
  int32_t rowCount = 0;
  bool allFit = BreakEditTextRows(dc, Text, layout, 0, rowCount, rows, params);
  rowCount = PlaceEditTextRows(dc, layout, params, rows, rowCount);
  bool need = !allFit;
  for (int32_t i = 0; i < rowCount && !need; ++i) {
    const TcxEditTextRow& row = rows[static_cast<size_t>(i)];
    // Trailing blanks do not make a row too wide.
    String shown(row.Start, static_cast<size_t>(row.ByteLength));
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    SIZE size{};
    GetEditTextExtent(dc, shown.data(), static_cast<int32_t>(shown.size()), size, params.ExpandTabs);
    int32_t width = TextOutRect.right - TextOutRect.left;
    if (size.cx > width) need = true;
    int32_t left = TextOutRect.left;
    if (horz == TOF_RIGHT) left = TextOutRect.right - size.cx;
    if (horz == TOF_CENTER_HORZ) left = TextOutRect.left + (width - size.cx) / 2;
    if (limited && left + size.cx > AVisibleBounds.right) need = true;
    if (limited && row.Top + row.Height > AVisibleBounds.bottom) need = true;
  }
  if (!need) return false;
  AText = Text;
  ATextRect = TextOutRect;
  AIsMultiLine = !(DrawTextFlags & TOF_SINGLELINE);
  return true;
}

// ---- TcxCustomTextEditViewData ------------------------------------------------------------------------------

void TcxCustomTextEditViewData::InitializeFromProperties() {
  inherited::InitializeFromProperties();
  IsValueFormattedByData = TextProperties()->IsDataFormatted(IsFocusedForText());
}

void TcxCustomTextEditViewData::EditValueToDisplayText(const Variant& AEditValue, String& AText) {
  TcxCustomTextEditProperties* properties = TextProperties();
  bool focused = IsFocusedForText();
  AText.clear();
  try {
    if (IsValueFormattedByData) {
      AText = VarToStr(AEditValue);
    } else {
      Variant value = AEditValue;
      Variant display;
      if (properties->IsEditValueValid(value, focused))
        properties->ConvertToDisplayValue(AEditValue, display, focused);
      else if (VarType(AEditValue) == varDate)
        display = Variant(DateTimeToStr(VarToDateTime(AEditValue)));
      else
        display = Variant(VarToStr(AEditValue));
      AText = VarToStr(display);
    }
  } catch (...) {
    properties->ApplyEchoModeAndCharCase(AText);
    throw;
  }
  properties->ApplyEchoModeAndCharCase(AText);
}

void TcxCustomTextEditViewData::GetTextOffsets(RECT& AOffsets) {
  bool right = HorzAlignment == taRightJustify;
  AOffsets = RECT{1, 1, right ? 2 : 1, IsInplace ? 1 : 3};
  if (!IsInplace) {
    TcxEditEditingStyle style = TextProperties()->GetEditingStyle();
    if (style == esFixedList || style == esNoEdit) {
      AOffsets.left += 1;
      if (VertAlignment == taTopJustify) {
        AOffsets.top += 1;
        AOffsets.bottom -= 1;
      }
    }
  }
}

uint32_t TcxCustomTextEditViewData::GetDrawTextFlags() {
  uint32_t flags = TOF_KEEP_LEFT | TOF_KEEP_TOP | TOF_SINGLELINE;
  switch (HorzAlignment) {
    case taRightJustify: flags |= TOF_RIGHT; break;
    case taCenter: flags |= TOF_CENTER_HORZ; break;
    default: break;
  }
  switch (VertAlignment) {
    case taBottomJustify: flags |= TOF_BOTTOM; break;
    case taVCenter: flags |= TOF_CENTER_VERT; break;
    default: break;
  }
  return flags;
}

void TcxCustomTextEditViewData::CalculateTextFlags(TcxCanvas* ACanvas, TcxCustomTextEditViewInfo* AViewInfo) {
  TcxCustomTextEditProperties* properties = TextProperties();
  if (!properties->IsMultiLine() && (properties->GetSupportedOperations() & 2) && (PaintOptions & 2)) {
    TFont* font = Style->DirectAccessMode() ? Style->Font() : Style->GetVisibleFont();
    if (font) {
      uint32_t flags = GetDrawTextFlags();
      if ((AViewInfo->PaintOptions & 2) && ACanvas && !AViewInfo->Text.empty()) {
        RECT offsets{};
        GetTextOffsets(offsets);
        int32_t width = (AViewInfo->TextOutRect.right - AViewInfo->TextOutRect.left) + offsets.left + offsets.right -
                        inherited::GetTextOffsets().x - ContentOffset.left - ContentOffset.right +
                        (HorzAlignment == taRightJustify ? 1 : 0);
        ACanvas->Font()->Assign(font);
        RECT r{0, 0, std::max(width, 0), cxEditUnlimitedWidth};
        int32_t rows = EditTextOutOnCanvas(ACanvas->Canvas(), AViewInfo->Text, r, 0, 0, 0,
                                           (flags & ~TOF_SINGLELINE) | TOF_WORDBREAK | TOF_FULLROWS |
                                               TOF_CALCROWCOUNT);
        if (rows > 1) {
          flags = (flags & ~TOF_SINGLELINE) | TOF_WORDBREAK | TOF_FULLROWS;
          int32_t rowHeight = ACanvas->TextHeight("Zg");
          if (rows * rowHeight > AViewInfo->TextOutRect.bottom - AViewInfo->TextOutRect.top)
            flags &= ~TOF_VERT_MASK;
        }
      }
      AViewInfo->DrawTextFlags = flags;
    }
  } else {
    AViewInfo->DrawTextFlags = GetDrawTextFlags();
  }
  if (PaintOptions & 4) AViewInfo->DrawTextFlags |= TOF_END_ELLIPSIS;
  AViewInfo->ComboBoxStyle = IsComboBoxStyle();
}

void TcxCustomTextEditViewData::PrepareDrawText(const Variant& AEditValue, TcxCustomTextEditViewInfo* AViewInfo) {
  String text = VarToStr(AEditValue);
  TextProperties()->ApplyEchoModeAndCharCase(text);
  AViewInfo->SetText(text);
}

void TcxCustomTextEditViewData::InitSelectionColors(TcxCustomTextEditViewInfo* AViewInfo) {
  AViewInfo->SelStart = SelStart;
  AViewInfo->SelLength = SelLength;
  if (SelLength == 0) return;
  if (SelBackgroundColor == clDefault) {
    if (SelTextColor != clDefault) {
      AViewInfo->SelTextColor = SelTextColor;
      AViewInfo->SelBackgroundColor = TextEditInverseColor(SelTextColor);
    } else if (Style->Color() == clHighlight) {
      AViewInfo->SelTextColor = clWhite;
      AViewInfo->SelBackgroundColor = clBlack;
    } else {
      AViewInfo->SelTextColor = clHighlightText;
      AViewInfo->SelBackgroundColor = clHighlight;
    }
  } else {
    AViewInfo->SelBackgroundColor = SelBackgroundColor;
    AViewInfo->SelTextColor = SelTextColor != clDefault ? SelTextColor : TextEditInverseColor(SelBackgroundColor);
  }
}

void TcxCustomTextEditViewData::SetDrawTextFromValue(const Variant& AEditValue,
                                                     TcxCustomTextEditViewInfo* AViewInfo) {
  String text;
  GetValueDisplayText(AEditValue, text);
  AViewInfo->SetText(text);
  InitSelectionColors(AViewInfo);
}

void TcxCustomTextEditViewData::Calculate(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, RECT& AExtent) {
  inherited::Calculate(ACanvas, AViewInfo, AExtent);
  if (!IsInplace && IsComboBoxStyle() && IsNativeThemePartAvailable(NativeStyle, totComboBox)) AExtent.right -= 1;
}

void TcxCustomTextEditViewData::CalculateEditRects(TcxCanvas* ACanvas, const RECT& ABounds, bool AIsMouseEvent,
                                                   TcxCustomEditViewInfo* AViewInfo, TShiftState AShift,
                                                   TMouseButton AButton, POINT AMousePos) {
  inherited::CalculateEditRects(ACanvas, ABounds, AIsMouseEvent, AViewInfo, AShift, AButton, AMousePos);
  auto* viewInfo = static_cast<TcxCustomTextEditViewInfo*>(AViewInfo);
  viewInfo->DrawSelectionBar = false;
  viewInfo->EditingStyle = TextProperties()->GetEditingStyle();
  viewInfo->InnerEditShown = IsInnerEditUsed();
  viewInfo->HasPopupWindow = IsPopupWindowOpen();
  RECT offsets{};
  GetTextOffsets(offsets);
  viewInfo->TextOutRect = TextEditShrinkBy(viewInfo->ClientRect, offsets);
  viewInfo->MaxLineCount = MaxLineCount;
  viewInfo->InvalidateTextOut();
  CalculateTextFlags(ACanvas, viewInfo);
}

void TcxCustomTextEditViewData::GetValueContentSize(TcxCanvas* ACanvas, const Variant& AEditValue, SIZE& ASize,
                                                    const TcxEditSizeProperties& ASizeRequest) {
  SIZE inheritedSize{};
  inherited::GetValueContentSize(ACanvas, AEditValue, inheritedSize, ASizeRequest);
  ASize = SIZE{0, 0};
  if (!ACanvas) return;
  String text;
  EditValueToDisplayText(AEditValue, text);
  ACanvas->Font()->Assign(Style->GetVisibleFont());
  uint32_t flags = GetDrawTextFlags();
  int32_t rowHeight = ACanvas->TextHeight("Zg");
  TcxEditEditingStyle style = TextProperties()->GetEditingStyle();
  int32_t correction = 0;
  if (!IsInplace && (style == esFixedList || style == esNoEdit) &&
      !(IsComboBoxStyle() && IsNativeThemePartAvailable(NativeStyle, totComboBox)))
    correction = 1;
  if (ASizeRequest.Width < 0) {
    int32_t width = 0;
    if (flags & TOF_SINGLELINE) {
      width = text.empty() ? 0 : ACanvas->TextWidth(text);
    } else if (!text.empty()) {
      TcxEditTextParams params;
      GetEditTextParamsOnCanvas(ACanvas->Canvas(), flags | TOF_CALCRECT, params);
      RECT r{0, 0, cxEditUnlimitedWidth, cxEditUnlimitedWidth};
      TcxTextRows rows;
      int32_t rowCount = 0;
      BreakEditTextRowsOnCanvas(ACanvas->Canvas(), text, r, 0, rowCount, rows, params);
      if (ASizeRequest.MaxLineCount > 0) rowCount = std::min(rowCount, ASizeRequest.MaxLineCount);
      width = GetEditTextRowsMaxWidth(rows, rowCount);
    }
    ASize.cx = width + correction + inherited::GetTextOffsets().x;
    ASize.cy = rowHeight;
  } else {
    ASize.cx = ASizeRequest.Width;
    int32_t layoutWidth = ASizeRequest.Width - (IsInplace ? 2 : 0) - correction;
    bool allowZeroHeight = (PaintOptions & 1) != 0;
    if (layoutWidth > 0 && !text.empty()) {
      uint32_t f = flags | TOF_CALCROWCOUNT;
      if (f & TOF_SINGLELINE) f = (f & ~TOF_SINGLELINE) | TOF_WORDBREAK | TOF_FULLROWS;
      f &= ~TOF_VERT_MASK;
      RECT r{0, 0, layoutWidth, cxEditUnlimitedWidth};
      int32_t rows = EditTextOutOnCanvas(ACanvas->Canvas(), text, r, 0, 0, 0, f);
      if (ASizeRequest.MaxLineCount > 0) rows = std::min(rows, ASizeRequest.MaxLineCount);
      ASize.cy = rows * rowHeight;
    } else if (text.empty()) {
      ASize.cy = allowZeroHeight ? 0 : rowHeight;
    } else {
      ASize.cx = 0;
      ASize.cy = rowHeight;
    }
  }
  if (ASize.cy > 0) ASize.cy += inherited::GetTextOffsets().y;
  ASize.cx = std::max(ASize.cx, inheritedSize.cx);
  ASize.cy = std::max(ASize.cy, inheritedSize.cy);
}
