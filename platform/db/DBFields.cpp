// The field family: native buffers, accessors, texts, validation.
#include <cmath>
#include <cstring>

#include "db/DB.h"
#include "db/detail/DBMessages.h"
#include "rtl/DateTime.h"
#include "rtl/GUID.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {
const char* const SFieldReadOnly = "Field '%s' cannot be modified";
const char* const SFieldAccessError = "Cannot access field '%s' as type %s";
const char* const SFieldRangeError = "%s must be between %s and %s";
const char* const SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
const char* const SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
const char* const SNoDataSet = "Field '%s' has no dataset";

String FloatText(double v) { return FloatToStr(v); }
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() = default;

void TField::BeforeDestruction() {
  if (FDataSet) {
    TDataSet* ds = FDataSet;
    try {
      if (ds->Active()) ds->Close();
    } catch (...) {
    }
    ds->FFields->Remove(this);
  }
  TComponent::BeforeDestruction();
}

void TField::CheckInactive() const {
  if (FDataSet && FDataSet->Active())
    DatabaseError("Cannot perform this operation on an open dataset", FDataSet);
}

void TField::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet) {
    FDataSet->CheckInactive();
    FDataSet->FFields->Remove(this);
  }
  if (value) {
    value->CheckInactive();
    value->FFields->Add(this);
  }
}

void TField::SetParentComponent(TComponent* value) {
  if (ComponentState().Contains(csLoading)) {
    if (auto* ds = dynamic_cast<TDataSet*>(value)) SetDataSet(ds);
  } else if (auto* ds = dynamic_cast<TDataSet*>(value)) {
    SetDataSet(ds);
  }
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetFieldName(const String& value) {
  if (FDataSet && value != FFieldName) {
    FDataSet->CheckInactive();
    if (TField* other = FDataSet->FindField(value); other && other != this)
      DatabaseErrorFmt("Duplicate field name '%s'", {value}, FDataSet);
  }
  FFieldName = value;
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TField::SetSize(int32_t value) {
  CheckInactive();
  FSize = value;
}

int32_t TField::Index() const { return FDataSet ? FDataSet->FFields->IndexOf(this) : -1; }

void TField::SetIndex(int32_t value) {
  if (FDataSet) FDataSet->FFields->SetFieldIndex(this, value);
}

void TField::SetFieldKind(TFieldKind value) {
  if (FFieldKind == value) return;
  CheckInactive();
  FFieldKind = value;
}

void TField::SetDisplayLabel(const String& v) {
  FDisplayLabel = v == FFieldName ? String() : v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

int32_t TField::DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int32_t v) {
  FDisplayWidth = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetVisible(bool v) {
  if (FVisible == v) return;
  FVisible = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetReadOnly(bool v) {
  if (FReadOnly == v) return;
  FReadOnly = v;
  if (FDataSet) FDataSet->DataEvent(deDataSetChange, 0);
}

void TField::SetAlignment(TAlignment v) {
  FAlignment = v;
  FAlignmentSet = true;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

bool TField::CanModify() const {
  if (FReadOnly || !FDataSet) return false;
  if (FFieldKind != fkData && FFieldKind != fkInternalCalc) {
    return FDataSet->State() == dsSetKey || FDataSet->State() == dsCalcFields || FDataSet->State() == dsFilter;
  }
  return FDataSet->CanModify();
}

void TField::SetLookupDataSet(TDataSet* v) {
  if (v == FLookupDataSet) return;
  if (v && v == FDataSet) DatabaseError("Circular datalinks are not allowed", FDataSet);
  if (FLookupDataSet) FLookupDataSet->RemoveFreeNotification(this);
  FLookupDataSet = v;
  if (v) v->FreeNotification(this);
  FLookupList.clear();
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    if (component == FLookupDataSet) FLookupDataSet = nullptr;
  }
}

void TField::RefreshLookupList() {
  FLookupList.clear();
  if (!FLookupDataSet || !FLookupDataSet->Active()) return;
  std::vector<TField*> keys;
  FLookupDataSet->GetFieldList(keys, FLookupKeyFields);
  TField* result = FLookupDataSet->FieldByName(FLookupResultField);
  FLookupDataSet->DisableControls();
  try {
    TBookmark bm = FLookupDataSet->GetBookmark();
    FLookupDataSet->First();
    while (!FLookupDataSet->Eof()) {
      Variant key = FLookupDataSet->FieldValues(FLookupKeyFields);
      FLookupList.emplace_back(key, result->AsVariant());
      FLookupDataSet->Next();
    }
    if (!bm.empty()) FLookupDataSet->GotoBookmark(bm);
  } catch (...) {
    FLookupDataSet->EnableControls();
    throw;
  }
  FLookupDataSet->EnableControls();
}

void TField::CalcLookupValue() {
  if (!FDataSet) return;
  Variant key = FDataSet->FieldValues(FKeyFields);
  if (FLookupCache) {
    if (FLookupList.empty()) RefreshLookupList();
    for (auto& [k, v] : FLookupList)
      if (VarSameValue(k, key)) {
        SetAsVariant(v);
        return;
      }
    return;
  }
  if (FLookupDataSet && FLookupDataSet->Active())
    SetAsVariant(FLookupDataSet->Lookup(FLookupKeyFields, key, FLookupResultField));
}

bool TField::GetData(void* buffer, bool nativeFormat) const {
  if (!FDataSet) DatabaseErrorFmt(SNoDataSet, {DisplayName()});
  if (FValidating) {
    if (!FValueBuffer) return false;
    if (buffer) {
      if (!nativeFormat && (FDataType == ftDate || FDataType == ftTime || FDataType == ftDateTime || FDataType == ftBCD))
        FDataSet->DataConvert(const_cast<TField*>(this), FValueBuffer, buffer, false);
      else if (FDataType == ftWideString)
        *static_cast<WideString*>(buffer) = *static_cast<const WideString*>(FValueBuffer);
      else
        std::memcpy(buffer, FValueBuffer, DataSize());
    }
    return true;
  }
  return FDataSet->GetFieldData(const_cast<TField*>(this), buffer, nativeFormat);
}

void TField::SetData(const void* buffer, bool nativeFormat) {
  if (!FDataSet) DatabaseErrorFmt(SNoDataSet, {DisplayName()});
  TDataSetState st = FDataSet->State();
  if (!dsWriteModes.Contains(st)) DatabaseError(SNotEditing, FDataSet);
  bool internal = st == dsSetKey || st == dsCalcFields || st == dsFilter || st == dsInternalCalc;
  if (!internal) {
    if (FReadOnly || !FDataSet->CanModify() || (FFieldKind != fkData && FFieldKind != fkInternalCalc))
      DatabaseErrorFmt(SFieldReadOnly, {DisplayName()});
    if (OnValidate.Assigned()) {
      if (!nativeFormat && buffer &&
          (FDataType == ftDate || FDataType == ftTime || FDataType == ftDateTime || FDataType == ftBCD)) {
        std::vector<uint8_t> temp(std::max<size_t>(DataSize(), 8) + 8);
        FDataSet->DataConvert(this, buffer, temp.data(), true);
        Validate(temp.data());
        FDataSet->SetFieldData(this, temp.data(), true);
        return;
      }
      Validate(buffer);
    }
  }
  FDataSet->SetFieldData(this, buffer, nativeFormat);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate.Assigned()) return;
  const void* saveBuffer = FValueBuffer;
  bool saveValidating = FValidating;
  FValueBuffer = buffer;
  FValidating = true;
  try {
    OnValidate(this);
  } catch (...) {
    FValueBuffer = saveBuffer;
    FValidating = saveValidating;
    throw;
  }
  FValueBuffer = saveBuffer;
  FValidating = saveValidating;
}

bool TField::IsNull() const {
  if (FValidating) return FValueBuffer == nullptr;
  if (!FDataSet) return true;
  return !GetData(nullptr);
}

void TField::Clear() { SetData(nullptr); }

void TField::FocusControl() {
  if (FDataSet) {
    TField* self = this;
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&self));
  }
}

void TField::Change() {
  if (OnChange.Assigned()) OnChange(this);
}

void TField::AccessError(const String& typeName) const {
  DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName});
}

void TField::RangeError(const String& value, const String& minValue, const String& maxValue) const {
  (void)value;
  DatabaseErrorFmt(SFieldRangeError, {DisplayName(), minValue, maxValue});
}

String TField::GetAsString() const { return ClassName(); }
void TField::SetAsString(const String&) { AccessError("String"); }
WideString TField::GetAsWideString() const { return Utf8ToUtf16(GetAsString()); }
void TField::SetAsWideString(const WideString& v) { SetAsString(Utf16ToUtf8(v)); }
int32_t TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int32_t) { AccessError("Integer"); }
int64_t TField::GetAsLargeInt() const { return GetAsInteger(); }
void TField::SetAsLargeInt(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) AccessError("Largeint");
  SetAsInteger(static_cast<int32_t>(v));
}
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
void TField::SetAsCurrency(Currency v) { SetAsFloat(v.ToDouble()); }
TBcd TField::GetAsBCD() const { AccessError("BCD"); }
void TField::SetAsBCD(const TBcd&) { AccessError("BCD"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }

void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

Variant TField::OldValue() const { return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this)); }
Variant TField::NewValue() const { return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this)); }
void TField::SetNewValue(const Variant& v) { FDataSet->SetStateFieldValue(dsNewValue, this, v); }
Variant TField::CurValue() const { return FDataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this)); }

void TField::GetText(String& text, bool) const { text = GetAsString(); }

String TField::GetTextValue(bool displayText) const {
  String text;
  if (OnGetText.Assigned()) OnGetText(const_cast<TField*>(this), text, displayText);
  else GetText(text, displayText);
  return text;
}

void TField::SetText(const String& v) {
  if (OnSetText.Assigned()) OnSetText(this, v);
  else SetTextValue(v);
}

void TField::Assign(TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (auto* f = dynamic_cast<TField*>(source)) {
    if (f->IsNull()) Clear();
    else SetAsVariant(f->AsVariant());
    return;
  }
  TComponent::Assign(source);
}

String TField::GetNamePath() {
  if (FDataSet && !FDataSet->Name().empty() && Name().empty()) return FDataSet->Name() + "." + FFieldName;
  return TComponent::GetNamePath();
}

namespace {
// Sets a field from a Variant in the common way: Null and Empty clear it.
bool VarClears(TField* f, const Variant& v) {
  if (VarIsNull(v) || VarIsClear(v)) {
    f->Clear();
    return true;
  }
  return false;
}
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  FDataType = ftString;
  FSize = 20;
}

bool TStringField::GetValue(String& value) const {
  std::vector<char> buf(static_cast<size_t>(DataSize()) + 1, '\0');
  if (!GetData(buf.data())) return false;
  value.assign(buf.data(), strnlen(buf.data(), static_cast<size_t>(DataSize())));
  if (FFixedChar) {
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  return true;
}

String TStringField::GetAsString() const {
  String s;
  if (!GetValue(s)) return String();
  return s;
}

void TStringField::SetAsString(const String& v) {
  std::vector<char> buf(static_cast<size_t>(DataSize()), '\0');
  // Cut at Size bytes without splitting a UTF-8 sequence.
  size_t n = std::min(v.size(), static_cast<size_t>(FSize));
  if (n < v.size())
    while (n > 0 && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buf.data(), v.data(), n);
  SetData(buf.data());
}

int32_t TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsInteger(int32_t v) { SetAsString(IntToStr(v)); }
int64_t TStringField::GetAsLargeInt() const { return StrToInt64(GetAsString()); }
void TStringField::SetAsLargeInt(int64_t v) { SetAsString(IntToStr(v)); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
void TStringField::SetAsFloat(double v) { SetAsString(FloatText(v)); }
bool TStringField::GetAsBoolean() const {
  String s = GetAsString();
  if (s.empty()) return false;
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return c == 'T' || c == 'Y';
}
void TStringField::SetAsBoolean(bool v) { SetAsString(v ? "T" : "F"); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTime(TDateTime v) { SetAsString(DateTimeToStr(v)); }

Variant TStringField::GetAsVariant() const {
  String s;
  if (!GetValue(s)) return Null();
  return Variant(s);
}

void TStringField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  SetAsString(VarToStr(v));
}

void TStringField::GetText(String& text, bool) const { text = GetAsString(); }

// ---------------------------------------------------------------------------------------------------
// TWideStringField

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) { FDataType = ftWideString; }

bool TWideStringField::GetValue(String& value) const {
  WideString w;
  if (!GetData(&w)) return false;
  value = Utf16ToUtf8(w);
  return true;
}

WideString TWideStringField::GetAsWideString() const {
  WideString w;
  if (!GetData(&w)) return WideString();
  return w;
}

void TWideStringField::SetAsWideString(const WideString& v) {
  WideString w = v.size() > static_cast<size_t>(FSize) && FSize > 0 ? v.substr(0, FSize) : v;
  SetData(&w);
}

String TWideStringField::GetAsString() const { return Utf16ToUtf8(GetAsWideString()); }
void TWideStringField::SetAsString(const String& v) { SetAsWideString(Utf8ToUtf16(v)); }

Variant TWideStringField::GetAsVariant() const {
  WideString w;
  if (!GetData(&w)) return Null();
  return Variant(w);
}

void TWideStringField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  SetAsWideString(VarToWideStr(v));
}

// ---------------------------------------------------------------------------------------------------
// TGuidField

TGuidField::TGuidField(TComponent* AOwner) : TStringField(AOwner) {
  FDataType = ftGuid;
  FSize = 38;
}

void TGuidField::SetSize(int32_t value) {
  if (value != 38 && value != 0) DatabaseError("Invalid field size", FDataSet);
  TField::SetSize(38);
}

TGUID TGuidField::AsGuid() const {
  String s = GetAsString();
  return s.empty() ? TGUID{} : StringToGUID(s);
}

void TGuidField::SetAsGuid(const TGUID& v) { SetAsString(GUIDToString(v)); }

// ---------------------------------------------------------------------------------------------------
// TNumericField

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) { FAlignment = taRightJustify; }

void TNumericField::SetDisplayFormat(const String& v) {
  FDisplayFormat = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TNumericField::SetEditFormat(const String& v) {
  FEditFormat = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

// ---------------------------------------------------------------------------------------------------
// TIntegerField and its kin

TIntegerField::TIntegerField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftInteger; }

bool TIntegerField::GetValue(int32_t& value) const {
  int32_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TIntegerField::CheckRange(int64_t value) const {
  int64_t lo = FMinRange, hi = FMaxRange;
  if (FMinValue != 0 || FMaxValue != 0) {
    lo = std::max<int64_t>(lo, FMinValue);
    hi = std::min<int64_t>(hi, FMaxValue);
  }
  if (value < lo || value > hi) RangeError(IntToStr(value), IntToStr(lo), IntToStr(hi));
}

String TIntegerField::GetAsString() const {
  int32_t v;
  return GetValue(v) ? IntToStr(v) : String();
}

void TIntegerField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  SetAsLargeInt(StrToInt64(s));
}

int32_t TIntegerField::GetAsInteger() const {
  int32_t v;
  return GetValue(v) ? v : 0;
}

void TIntegerField::SetAsInteger(int32_t v) {
  CheckRange(v);
  SetData(&v);
}

int64_t TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }

void TIntegerField::SetAsLargeInt(int64_t v) {
  CheckRange(v);
  SetAsInteger(static_cast<int32_t>(v));
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloat(double v) {
  double r = std::nearbyint(v);
  if (!(r >= static_cast<double>(FMinRange) && r <= static_cast<double>(FMaxRange)))
    RangeError(FloatText(v), IntToStr(FMinRange), IntToStr(FMaxRange));
  SetAsLargeInt(static_cast<int64_t>(r));
}

Variant TIntegerField::GetAsVariant() const {
  int32_t v;
  if (!GetValue(v)) return Null();
  return Variant(v);
}

void TIntegerField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) {
    SetAsString(VarToStr(v));
    return;
  }
  try {
    SetAsLargeInt(v.AsInt64());
  } catch (EVariantError&) {
    DatabaseErrorFmt(SFieldValueError, {DisplayName()});
  }
}

void TIntegerField::GetText(String& text, bool displayText) const {
  int32_t v;
  if (!GetValue(v)) {
    text.clear();
    return;
  }
  const String& fmt = displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
  text = fmt.empty() ? IntToStr(v) : FormatFloat(fmt, v);
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
  FDataType = ftSmallint;
  FMinRange = INT16_MIN;
  FMaxRange = INT16_MAX;
}

bool TSmallintField::GetValue(int32_t& value) const {
  int16_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TSmallintField::SetAsInteger(int32_t v) {
  CheckRange(v);
  int16_t s = static_cast<int16_t>(v);
  SetData(&s);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  FDataType = ftWord;
  FMinRange = 0;
  FMaxRange = UINT16_MAX;
}

bool TWordField::GetValue(int32_t& value) const {
  uint16_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TWordField::SetAsInteger(int32_t v) {
  CheckRange(v);
  uint16_t w = static_cast<uint16_t>(v);
  SetData(&w);
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftAutoInc; }

// ---------------------------------------------------------------------------------------------------
// TLargeintField

TLargeintField::TLargeintField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftLargeint; }

bool TLargeintField::GetValue(int64_t& value) const {
  int64_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TLargeintField::CheckRange(int64_t value) const {
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
    RangeError(IntToStr(value), IntToStr(FMinValue), IntToStr(FMaxValue));
}

String TLargeintField::GetAsString() const {
  int64_t v;
  return GetValue(v) ? IntToStr(v) : String();
}

void TLargeintField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) Clear();
  else SetAsLargeInt(StrToInt64(s));
}

int32_t TLargeintField::GetAsInteger() const { return static_cast<int32_t>(GetAsLargeInt()); }
void TLargeintField::SetAsInteger(int32_t v) { SetAsLargeInt(v); }

int64_t TLargeintField::GetAsLargeInt() const {
  int64_t v;
  return GetValue(v) ? v : 0;
}

void TLargeintField::SetAsLargeInt(int64_t v) {
  CheckRange(v);
  SetData(&v);
}

double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }
void TLargeintField::SetAsFloat(double v) { SetAsLargeInt(static_cast<int64_t>(std::nearbyint(v))); }

Variant TLargeintField::GetAsVariant() const {
  int64_t v;
  if (!GetValue(v)) return Null();
  return Variant(v);
}

void TLargeintField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) SetAsString(VarToStr(v));
  else SetAsLargeInt(v.AsInt64());
}

void TLargeintField::GetText(String& text, bool displayText) const {
  int64_t v;
  if (!GetValue(v)) {
    text.clear();
    return;
  }
  const String& fmt = displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
  text = fmt.empty() ? IntToStr(v) : FormatFloat(fmt, static_cast<double>(v));
}

// ---------------------------------------------------------------------------------------------------
// TFloatField

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftFloat; }

void TFloatField::SetCurrency(bool v) {
  FCurrency = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TFloatField::SetPrecision(int32_t v) {
  FPrecision = v < 2 ? 2 : (v > 15 ? 15 : v);
}

void TFloatField::CheckRange(double value) const {
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
    RangeError(FloatText(value), FloatText(FMinValue), FloatText(FMaxValue));
}

double TFloatField::GetAsFloat() const {
  double v = 0;
  return GetData(&v) ? v : 0;
}

void TFloatField::SetAsFloat(double v) {
  CheckRange(v);
  SetData(&v);
}

String TFloatField::GetAsString() const {
  double v;
  return GetData(&v) ? FloatText(v) : String();
}

void TFloatField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  double d;
  if (!TryStrToFloat(s, d)) DatabaseErrorFmt(SInvalidFloatValue, {s, DisplayName()});
  SetAsFloat(d);
}

int32_t TFloatField::GetAsInteger() const { return static_cast<int32_t>(std::nearbyint(GetAsFloat())); }
void TFloatField::SetAsInteger(int32_t v) { SetAsFloat(v); }
int64_t TFloatField::GetAsLargeInt() const { return static_cast<int64_t>(std::nearbyint(GetAsFloat())); }
::Currency TFloatField::GetAsCurrency() const { return ::Currency::FromDouble(GetAsFloat()); }
void TFloatField::SetAsCurrency(::Currency v) { SetAsFloat(v.ToDouble()); }

Variant TFloatField::GetAsVariant() const {
  double v;
  if (!GetData(&v)) return Null();
  return Variant(v);
}

void TFloatField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) {
    SetAsString(VarToStr(v));
    return;
  }
  try {
    SetAsFloat(v.AsDouble());
  } catch (EVariantError&) {
    DatabaseErrorFmt(SFieldValueError, {DisplayName()});
  }
}

void TFloatField::GetText(String& text, bool displayText) const {
  double v;
  if (!GetData(&v)) {
    text.clear();
    return;
  }
  String fmt = displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
  if (!fmt.empty()) {
    text = FormatFloat(fmt, v);
    return;
  }
  const TFormatSettings& fs = FormatSettings();
  if (FCurrency)
    text = displayText ? FloatToStrF(v, ffCurrency, FPrecision, fs.CurrencyDecimals)
                       : FloatToStrF(v, ffFixed, FPrecision, fs.CurrencyDecimals);
  else
    text = FloatToStrF(v, ffGeneral, FPrecision, 0);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  FDataType = ftCurrency;
  FCurrency = true;
}

// ---------------------------------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) {
  FDataType = ftBoolean;
  SetDisplayValues("True;False");
}

void TBooleanField::SetDisplayValues(const String& v) {
  FDisplayValues = v;
  size_t p = v.find(';');
  if (p == String::npos) {
    FTextValues[1] = v;
    FTextValues[0].clear();
  } else {
    FTextValues[1] = v.substr(0, p);
    FTextValues[0] = v.substr(p + 1);
  }
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

bool TBooleanField::GetAsBoolean() const {
  uint16_t v = 0;
  return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool v) {
  uint16_t w = v ? 0xFFFF : 0;  // WordBool true
  SetData(&w);
}

String TBooleanField::GetAsString() const {
  uint16_t v = 0;
  if (!GetData(&v)) return String();
  return FTextValues[v != 0 ? 1 : 0];
}

void TBooleanField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  auto matches = [&](const String& t) { return !t.empty() && AnsiSameText(s, t.substr(0, std::min(t.size(), s.size()))) && s.size() <= t.size(); };
  if (matches(FTextValues[1])) SetAsBoolean(true);
  else if (matches(FTextValues[0])) SetAsBoolean(false);
  else DatabaseErrorFmt(SInvalidBoolValue, {s, DisplayName()});
}

int32_t TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }
void TBooleanField::SetAsInteger(int32_t v) { SetAsBoolean(v != 0); }

Variant TBooleanField::GetAsVariant() const {
  uint16_t v = 0;
  if (!GetData(&v)) return Null();
  return Variant(v != 0);
}

void TBooleanField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) SetAsString(VarToStr(v));
  else SetAsBoolean(v.AsBoolean());
}

void TBooleanField::GetText(String& text, bool) const { text = GetAsString(); }

// ---------------------------------------------------------------------------------------------------
// Date and time fields

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { FDataType = ftDateTime; }

void TDateTimeField::SetDisplayFormat(const String& v) {
  FDisplayFormat = v;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

bool TDateTimeField::GetValue(TDateTime& value) const {
  TDateTime v = 0;
  if (!GetData(&v, false)) return false;
  value = v;
  return true;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime v;
  return GetValue(v) ? v : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime v) { SetData(&v, false); }
double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
void TDateTimeField::SetAsFloat(double v) { SetAsDateTime(v); }

String TDateTimeField::DefaultFormat() const {
  const TFormatSettings& fs = FormatSettings();
  return fs.ShortDateFormat + " " + fs.LongTimeFormat;
}

bool TDateTimeField::ParseText(const String& s, TDateTime& value) const { return TryStrToDateTime(s, value); }

String TDateTimeField::GetAsString() const {
  String s;
  GetText(s, false);
  return s;
}

void TDateTimeField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  TDateTime dt;
  if (!ParseText(s, dt)) DatabaseErrorFmt(SFieldValueError, {DisplayName()});
  SetAsDateTime(dt);
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime v;
  if (!GetValue(v)) return Null();
  return VarFromDateTime(v);
}

void TDateTimeField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) SetAsString(VarToStr(v));
  else SetAsDateTime(VarToDateTime(v));
}

void TDateTimeField::GetText(String& text, bool displayText) const {
  TDateTime v;
  if (!GetValue(v)) {
    text.clear();
    return;
  }
  String fmt = displayText && !FDisplayFormat.empty() ? FDisplayFormat : DefaultFormat();
  text = FormatDateTime(fmt, v);
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftDate; }
String TDateField::DefaultFormat() const { return FormatSettings().ShortDateFormat; }
bool TDateField::ParseText(const String& s, TDateTime& value) const { return TryStrToDate(s, value); }

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftTime; }
String TTimeField::DefaultFormat() const { return FormatSettings().LongTimeFormat; }
bool TTimeField::ParseText(const String& s, TDateTime& value) const { return TryStrToTime(s, value); }

// ---------------------------------------------------------------------------------------------------
// TBCDField / TFMTBCDField

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
  FDataType = ftBCD;
  FSize = 4;
}

void TBCDField::SetSize(int32_t value) {
  if (value < 0 || value > 32) DatabaseError("Invalid field size", FDataSet);
  TField::SetSize(value);
}

::Currency TBCDField::GetAsCurrency() const {
  ::Currency c;
  return GetData(&c, false) ? c : ::Currency();
}

void TBCDField::SetAsCurrency(::Currency v) { SetData(&v, false); }
double TBCDField::GetAsFloat() const { return GetAsCurrency().ToDouble(); }
void TBCDField::SetAsFloat(double v) { SetAsCurrency(::Currency::FromDouble(v)); }
int32_t TBCDField::GetAsInteger() const { return static_cast<int32_t>(std::nearbyint(GetAsFloat())); }
void TBCDField::SetAsInteger(int32_t v) { SetAsCurrency(::Currency::FromDouble(v)); }
int64_t TBCDField::GetAsLargeInt() const { return static_cast<int64_t>(std::nearbyint(GetAsFloat())); }

TBcd TBCDField::GetAsBCD() const {
  TBcd b;
  if (!GetData(&b)) return TBcd{};
  return b;
}

void TBCDField::SetAsBCD(const TBcd& v) { SetData(&v); }

String TBCDField::GetAsString() const {
  ::Currency c;
  return GetData(&c, false) ? CurrToStr(c) : String();
}

void TBCDField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  ::Currency c;
  if (!TryStrToCurr(s, c)) DatabaseErrorFmt(SInvalidFloatValue, {s, DisplayName()});
  SetAsCurrency(c);
}

Variant TBCDField::GetAsVariant() const {
  ::Currency c;
  if (!GetData(&c, false)) return Null();
  return Variant(c);
}

void TBCDField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) SetAsString(VarToStr(v));
  else SetAsCurrency(v.AsCurrency());
}

void TBCDField::GetText(String& text, bool displayText) const {
  ::Currency c;
  if (!GetData(&c, false)) {
    text.clear();
    return;
  }
  String fmt = displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
  if (!fmt.empty()) text = FormatCurr(fmt, c);
  else if (FCurrency)
    text = CurrToStrF(c, displayText ? ffCurrency : ffFixed, FormatSettings().CurrencyDecimals);
  else
    text = CurrToStr(c);
}

TFMTBCDField::TFMTBCDField(TComponent* AOwner) : TBCDField(AOwner) {
  FDataType = ftFMTBcd;
  FSize = 8;
}

TBcd TFMTBCDField::GetAsBCD() const {
  TBcd b;
  return GetData(&b) ? b : TBcd{};
}
void TFMTBCDField::SetAsBCD(const TBcd& v) { SetData(&v); }
::Currency TFMTBCDField::GetAsCurrency() const {
  ::Currency c;
  BCDToCurr(GetAsBCD(), c);
  return c;
}
void TFMTBCDField::SetAsCurrency(::Currency v) {
  TBcd b;
  CurrToBCD(v, b, 32, FSize);
  SetAsBCD(b);
}
double TFMTBCDField::GetAsFloat() const { return BcdToDouble(GetAsBCD()); }
void TFMTBCDField::SetAsFloat(double v) { SetAsBCD(DoubleToBcd(v)); }

String TFMTBCDField::GetAsString() const {
  TBcd b;
  return GetData(&b) ? BcdToStr(b) : String();
}

void TFMTBCDField::SetAsString(const String& v) {
  String s = Trim(v);
  if (s.empty()) {
    Clear();
    return;
  }
  TBcd b;
  if (!TryStrToBcd(s, b)) DatabaseErrorFmt(SInvalidFloatValue, {s, DisplayName()});
  SetAsBCD(b);
}

Variant TFMTBCDField::GetAsVariant() const {
  TBcd b;
  if (!GetData(&b)) return Null();
  return VarFMTBcdCreate(b);
}

void TFMTBCDField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsStr(v)) SetAsString(VarToStr(v));
  else SetAsBCD(VarToBcd(v));
}

void TFMTBCDField::GetText(String& text, bool displayText) const {
  TBcd b;
  if (!GetData(&b)) {
    text.clear();
    return;
  }
  String fmt = displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
  text = fmt.empty() ? BcdToStr(b) : FormatFloat(fmt, BcdToDouble(b));
}

// ---------------------------------------------------------------------------------------------------
// Binary fields

TBinaryField::TBinaryField(TComponent* AOwner) : TField(AOwner) { FSize = 16; }

std::vector<uint8_t> TBinaryField::AsBytes() const {
  std::vector<uint8_t> buf(static_cast<size_t>(DataSize()));
  if (!GetData(buf.data())) return {};
  if (FDataType == ftVarBytes) {
    uint16_t len;
    std::memcpy(&len, buf.data(), 2);
    return std::vector<uint8_t>(buf.begin() + 2, buf.begin() + 2 + std::min<size_t>(len, FSize));
  }
  return buf;
}

void TBinaryField::SetAsBytes(const std::vector<uint8_t>& v) {
  std::vector<uint8_t> buf(static_cast<size_t>(DataSize()), 0);
  size_t n = std::min(v.size(), static_cast<size_t>(FSize));
  if (FDataType == ftVarBytes) {
    uint16_t len = static_cast<uint16_t>(n);
    std::memcpy(buf.data(), &len, 2);
    std::memcpy(buf.data() + 2, v.data(), n);
  } else {
    std::memcpy(buf.data(), v.data(), n);
  }
  SetData(buf.data());
}

String TBinaryField::GetAsString() const {
  std::vector<uint8_t> b = AsBytes();
  return String(b.begin(), b.end());
}

void TBinaryField::SetAsString(const String& v) { SetAsBytes(std::vector<uint8_t>(v.begin(), v.end())); }

Variant TBinaryField::GetAsVariant() const {
  if (IsNull()) return Null();
  std::vector<uint8_t> b = AsBytes();
  Variant a = VarArrayCreate({0, static_cast<int32_t>(b.size()) - 1}, varByte);
  for (size_t i = 0; i < b.size(); ++i) VarArrayPut(a, Variant(b[i]), {static_cast<int32_t>(i)});
  return a;
}

void TBinaryField::SetVarValue(const Variant& v) {
  if (VarClears(this, v)) return;
  if (VarIsArray(v)) {
    std::vector<uint8_t> b;
    for (int32_t i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i)
      b.push_back(static_cast<uint8_t>(VarArrayGet(v, {i}).AsInteger()));
    SetAsBytes(b);
  } else {
    SetAsString(VarToStr(v));
  }
}

void TBinaryField::GetText(String& text, bool) const { text = IsNull() ? String() : "(" + FieldTypeName(FDataType) + ")"; }

TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) { FDataType = ftBytes; }
TVarBytesField::TVarBytesField(TComponent* AOwner) : TBinaryField(AOwner) { FDataType = ftVarBytes; }

// ---------------------------------------------------------------------------------------------------
// Blob fields

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBlob; }

namespace {
std::vector<uint8_t> ReadBlob(const TBlobField* f) {
  std::vector<uint8_t> out;
  TDataSet* ds = f->DataSet();
  if (!ds) return out;
  TStream* s = ds->CreateBlobStream(const_cast<TBlobField*>(f), bmRead);
  if (!s) return out;
  try {
    int64_t size = s->Size();
    out.resize(static_cast<size_t>(size));
    if (size > 0) {
      s->SetPosition(0);
      s->ReadBuffer(out.data(), static_cast<int32_t>(size));
    }
  } catch (...) {
    s->Free();
    throw;
  }
  s->Free();
  return out;
}

void WriteBlob(TBlobField* f, const void* data, size_t size) {
  TDataSet* ds = f->DataSet();
  if (!ds) DatabaseErrorFmt(SNoDataSet, {f->DisplayName()});
  if (!dsWriteModes.Contains(ds->State())) DatabaseError(SNotEditing, ds);
  TStream* s = ds->CreateBlobStream(f, bmWrite);
  if (!s) DatabaseErrorFmt(SFieldReadOnly, {f->DisplayName()});
  try {
    if (size > 0) s->WriteBuffer(data, static_cast<int32_t>(size));
  } catch (...) {
    s->Free();
    throw;
  }
  s->Free();
}
}  // namespace

int32_t TBlobField::BlobSize() const { return static_cast<int32_t>(ReadBlob(this).size()); }

std::vector<uint8_t> TBlobField::AsBytes() const { return ReadBlob(this); }
void TBlobField::SetAsBytes(const std::vector<uint8_t>& v) { WriteBlob(this, v.data(), v.size()); }

void TBlobField::Clear() { WriteBlob(this, nullptr, 0); }

void TBlobField::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> data(static_cast<size_t>(stream->Size() - stream->Position()));
  if (!data.empty()) stream->ReadBuffer(data.data(), static_cast<int32_t>(data.size()));
  SetAsBytes(data);
}

void TBlobField::SaveToStream(TStream* stream) const {
  std::vector<uint8_t> data = AsBytes();
  if (!data.empty()) stream->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

void TBlobField::LoadFromFile(const String& fileName) {
  TFileStream* s = new TFileStream(fileName, fmOpenRead);
  try {
    LoadFromStream(s);
  } catch (...) {
    delete s;
    throw;
  }
  delete s;
}

void TBlobField::SaveToFile(const String& fileName) const {
  TFileStream* s = new TFileStream(fileName, fmCreate);
  try {
    SaveToStream(s);
  } catch (...) {
    delete s;
    throw;
  }
  delete s;
}

String TBlobField::GetAsString() const {
  std::vector<uint8_t> b = AsBytes();
  return String(b.begin(), b.end());
}

void TBlobField::SetAsString(const String& v) { WriteBlob(this, v.data(), v.size()); }
WideString TBlobField::GetAsWideString() const { return Utf8ToUtf16(GetAsString()); }
void TBlobField::SetAsWideString(const WideString& v) { SetAsString(Utf16ToUtf8(v)); }

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& v) {
  if (VarIsNull(v) || VarIsClear(v)) {
    Clear();
    return;
  }
  if (VarIsArray(v)) {
    std::vector<uint8_t> b;
    for (int32_t i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i)
      b.push_back(static_cast<uint8_t>(VarArrayGet(v, {i}).AsInteger()));
    SetAsBytes(b);
  } else {
    SetAsString(VarToStr(v));
  }
}

void TBlobField::GetText(String& text, bool) const {
  text = IsNull() ? "(" + FieldTypeName(FDataType) + ")" : "(" + AnsiUpperCase(FieldTypeName(FDataType)) + ")";
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftMemo; }

void TMemoField::GetText(String& text, bool displayText) const {
  if (displayText) TBlobField::GetText(text, true);
  else text = GetAsString();
}

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftGraphic; }

// ---------------------------------------------------------------------------------------------------

TFieldClass DefaultFieldClass(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar: return TStringField::StaticClass();
    case ftWideString: return TWideStringField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftAutoInc: return TAutoIncField::StaticClass();
    case ftLargeint: return TLargeintField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftCurrency: return TCurrencyField::StaticClass();
    case ftBCD: return TBCDField::StaticClass();
    case ftFMTBcd: return TFMTBCDField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftBytes: return TBytesField::StaticClass();
    case ftVarBytes: return TVarBytesField::StaticClass();
    case ftBlob:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle: return TBlobField::StaticClass();
    case ftMemo:
    case ftFmtMemo: return TMemoField::StaticClass();
    case ftGraphic: return TGraphicField::StaticClass();
    case ftGuid: return TGuidField::StaticClass();
    default: return nullptr;
  }
}

// Unused-constant guard for the message table above.
[[maybe_unused]] static const char* const kFieldMessages[] = {SFieldNotFound};
