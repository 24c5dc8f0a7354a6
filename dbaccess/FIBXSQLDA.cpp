#include "dbaccess/FIBXSQLDA.h"

#include <ibase.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dbaccess/FIBDecimals.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/ServerDateTime.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "rtl/VariantsImpl.h"

namespace {

bool IsText(int32_t t) { return t == SQLTypeText || t == SQLTypeVarying; }
bool IsBooleanType(int32_t t) { return t == SQLTypeBoolean || t == SQLTypeBoolean64; }
bool IsNumericType(int32_t t) {
  return t == SQLTypeFloat || t == SQLTypeDouble || t == SQLTypeDFloat || t == SQLTypeShort ||
         t == SQLTypeLong || t == SQLTypeInt64;
}
bool IsDateType(int32_t t) { return t == SQLTypeDate || t == SQLTypeTime || t == SQLTypeTimeStamp; }

int64_t Pow10(int32_t n) {
  int64_t r = 1;
  for (int32_t i = 0; i < n; ++i) r *= 10;
  return r;
}

// Digits of v with the separator placed `places` digits from the right (trailing zeros kept).
String PlacedDigits(int64_t v, int32_t places) {
  if (places <= 0) return Int64ToStr(v);
  String digits = Int64ToStr(v);
  String sign;
  if (digits[0] == '-') {
    sign = "-";
    digits.erase(0, 1);
  }
  if (static_cast<int32_t>(digits.size()) <= places)
    digits.insert(0, static_cast<size_t>(places - static_cast<int32_t>(digits.size()) + 1), '0');
  digits.insert(digits.size() - static_cast<size_t>(places), 1, FormatSettings().DecimalSeparator);
  return sign + digits;
}

String SQLNameOf(const char* name, int16_t length) {
  if (length < 0) length = 0;
  if (length > 32) length = 32;
  return String(name, static_cast<size_t>(length));
}

void FreeRaw(fbapi::XSQLVAR* v) {
  std::free(v->sqldata);
  std::free(v->sqlind);
  v->sqldata = nullptr;
  v->sqlind = nullptr;
}

void ResizeData(fbapi::XSQLVAR* v, size_t size) {
  std::free(v->sqldata);
  v->sqldata = static_cast<ISC_SCHAR*>(std::calloc(size == 0 ? 1 : size, 1));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// TFIBXSQLVAR

TFIBXSQLVAR::TFIBXSQLVAR(TFIBXSQLDA* parent, TFIBQuery* query) : FQuery(query), FParent(parent) {}

TFIBXSQLVAR::~TFIBXSQLVAR() { delete BlobContents; }

void TFIBXSQLVAR::ConversionError() { RaiseClientError(33); }

String TFIBXSQLVAR::GetSQLName() const {
  if (FParent->IsParams()) return String();
  return SQLNameOf(FXSQLVAR->sqlname, FXSQLVAR->sqlname_length);
}

String TFIBXSQLVAR::GetRelationName() const {
  if (FParent->IsParams()) return String();
  return SQLNameOf(FXSQLVAR->relname, FXSQLVAR->relname_length);
}

bool TFIBXSQLVAR::GetIsNull() const {
  if (BlobContents) return false;
  if (!FParent->IsParams() && FQuery && FQuery->FRecordCount == 0 && FQuery->FSQLType != SQLExecProcedure)
    return true;
  if ((FXSQLVAR->sqltype & 1) && FXSQLVAR->sqlind && *FXSQLVAR->sqlind == -1) return true;
  return FXSQLVAR->sqltype < 2;
}

bool TFIBXSQLVAR::GetIsNullable() const {
  if ((FXSQLVAR->sqltype & 1) == 0) return false;
  if (!FXSQLVAR->sqlind) FXSQLVAR->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
  return true;
}

String TFIBXSQLVAR::RawText() const {
  const int32_t t = GetSQLType();
  if (t == SQLTypeText) return String(Data(), static_cast<size_t>(FXSQLVAR->sqllen));
  if (t == SQLTypeVarying) {
    uint16_t n = 0;
    std::memcpy(&n, Data(), 2);
    return String(Data() + 2, n);
  }
  return String();
}

double TFIBXSQLVAR::ScaledDouble() const {
  double v = 0;
  switch (GetSQLType()) {
    case SQLTypeShort: v = *reinterpret_cast<const int16_t*>(Data()); break;
    case SQLTypeLong: v = *reinterpret_cast<const int32_t*>(Data()); break;
    case SQLTypeInt64: v = static_cast<double>(*reinterpret_cast<const int64_t*>(Data())); break;
    default: break;
  }
  const int32_t scale = FXSQLVAR->sqlscale;
  if (scale == 0) return v;
  if (scale >= -18 && scale <= 18) return v * E10[scale + 18];
  return v * std::pow(10.0, scale);
}

namespace {
int64_t StoredInteger(const fbapi::XSQLVAR* x) {
  switch (x->sqltype & ~1) {
    case SQLTypeShort: return *reinterpret_cast<const int16_t*>(x->sqldata);
    case SQLTypeLong: return *reinterpret_cast<const int32_t*>(x->sqldata);
    case SQLTypeInt64: return *reinterpret_cast<const int64_t*>(x->sqldata);
    default: return 0;
  }
}
// The scaled value cut toward zero, without floating point.
int64_t TruncatedInteger(const fbapi::XSQLVAR* x) {
  int64_t v = StoredInteger(x);
  if (x->sqlscale < 0) v /= Pow10(-x->sqlscale);
  else if (x->sqlscale > 0) v *= Pow10(x->sqlscale);
  return v;
}
int32_t StoredBoolean(const fbapi::XSQLVAR* x) {
  // The 64-bit client gives BOOLEAN one byte; the older code a 16-bit word.
  if (x->sqllen >= 2) return *reinterpret_cast<const int16_t*>(x->sqldata);
  return static_cast<uint8_t>(x->sqldata[0]);
}
}  // namespace

int32_t TFIBXSQLVAR::GetAsInteger() const {
  if (GetIsNull()) return 0;
  const int32_t t = GetSQLType();
  if (IsText(t)) {
    int32_t v = 0;
    if (!TryStrToInt(TrimStr(RawText()), v)) ConversionError();
    return v;
  }
  if (t == SQLTypeShort || t == SQLTypeLong || t == SQLTypeInt64) return static_cast<int32_t>(TruncatedInteger(FXSQLVAR));
  if (t == SQLTypeFloat || t == SQLTypeDouble || t == SQLTypeDFloat) return static_cast<int32_t>(GetAsDouble());
  if (IsBooleanType(t)) return StoredBoolean(FXSQLVAR);
  ConversionError();
}

int64_t TFIBXSQLVAR::GetAsInt64() const {
  if (GetIsNull()) return 0;
  const int32_t t = GetSQLType();
  if (IsText(t)) {
    int64_t v = 0;
    if (!TryStrToInt64(TrimStr(RawText()), v)) ConversionError();
    return v;
  }
  if (t == SQLTypeShort || t == SQLTypeLong || t == SQLTypeInt64) return TruncatedInteger(FXSQLVAR);
  if (t == SQLTypeFloat || t == SQLTypeDouble || t == SQLTypeDFloat) return static_cast<int64_t>(GetAsDouble());
  ConversionError();
}

double TFIBXSQLVAR::GetAsDouble() const {
  if (GetIsNull()) return 0;
  const int32_t t = GetSQLType();
  switch (t) {
    case SQLTypeText:
    case SQLTypeVarying: {
      double v = 0;
      if (!TryStrToFloat(TrimStr(RawText()), v)) ConversionError();
      return v;
    }
    case SQLTypeShort:
    case SQLTypeLong:
    case SQLTypeInt64: return ScaledDouble();
    case SQLTypeFloat: return *reinterpret_cast<const float*>(Data());
    case SQLTypeDouble:
    case SQLTypeDFloat: return *reinterpret_cast<const double*>(Data());
    default:
      if (IsBooleanType(t)) return StoredBoolean(FXSQLVAR) == 1 ? 1.0 : 0.0;
      ConversionError();
  }
}

long double TFIBXSQLVAR::GetAsExtended() const {
  if (GetIsNull()) return 0;
  const int32_t t = GetSQLType();
  if (t == SQLTypeShort || t == SQLTypeLong || t == SQLTypeInt64) {
    long double v = static_cast<long double>(StoredInteger(FXSQLVAR));
    for (int32_t s = FXSQLVAR->sqlscale; s < 0; ++s) v /= 10;
    for (int32_t s = FXSQLVAR->sqlscale; s > 0; --s) v *= 10;
    return v;
  }
  if (IsBooleanType(t)) ConversionError();
  return GetAsDouble();
}

Currency TFIBXSQLVAR::GetAsCurrency() const {
  if (GetIsNull()) return Currency();
  if (GetSQLType() == SQLTypeInt64 && FQuery && FQuery->SQLDialect() >= 3) {
    const int64_t v = StoredInteger(FXSQLVAR);
    const int32_t shift = FXSQLVAR->sqlscale + 4;  // digits to move to reach ten-thousandths
    if (shift >= 0) return Currency::FromScaled(v * Pow10(shift));
    return Currency::FromScaled(static_cast<int64_t>(std::nearbyint(static_cast<long double>(v) / Pow10(-shift))));
  }
  return Currency::FromScaled(static_cast<int64_t>(std::nearbyint(GetAsDouble() * 10000.0)));
}

long double TFIBXSQLVAR::GetAsComp() const {
  if (GetIsNull()) return 0;
  if (GetSQLType() == SQLTypeInt64) return std::nearbyint(GetAsExtended());
  return std::nearbyint(static_cast<long double>(GetAsDouble()));
}

TDateTime TFIBXSQLVAR::GetAsDateTime() const {
  if (GetIsNull()) return 0;
  const int32_t t = GetSQLType();
  switch (t) {
    case SQLTypeText:
    case SQLTypeVarying: {
      TDateTime d = 0;
      if (!TryStrToDateTime(TrimStr(RawText()), d)) ConversionError();
      return d;
    }
    case SQLTypeDate: return TServerDate::ToDateTime(*reinterpret_cast<const ISC_DATE*>(Data()));
    case SQLTypeTime: return TServerTime::ToDateTime(*reinterpret_cast<const ISC_TIME*>(Data()));
    case SQLTypeTimeStamp: return TServerTimeStamp::ToDateTime(*reinterpret_cast<const fbapi::ISC_TIMESTAMP*>(Data()));
    default: ConversionError();
  }
}

String TFIBXSQLVAR::GetAsString() const {
  if (GetIsNull()) return String();
  const int32_t t = GetSQLType();
  switch (t) {
    case SQLTypeText:
    case SQLTypeVarying: {
      // Text is UTF-8 on both sides, so the Unicode character set needs no conversion here.
      String s = RawText();
      if (FQuery && FQuery->Options().Contains(qoTrimCharFields)) TrimRightInPlace(s);
      return s;
    }
    case SQLTypeShort:
    case SQLTypeLong:
      if (FXSQLVAR->sqlscale == 0) return IntToStr(static_cast<int32_t>(StoredInteger(FXSQLVAR)));
      return FloatToStr(GetAsDouble());
    case SQLTypeInt64:
      if (FXSQLVAR->sqlscale == 0) return Int64ToStr(StoredInteger(FXSQLVAR));
      return PlacedDigits(StoredInteger(FXSQLVAR), -FXSQLVAR->sqlscale);
    case SQLTypeFloat:
    case SQLTypeDouble:
    case SQLTypeDFloat: return FloatToStr(GetAsDouble());
    case SQLTypeDate: return DateToStr(GetAsDateTime());
    case SQLTypeTime: return TimeToStr(GetAsDateTime());
    case SQLTypeTimeStamp: return DateTimeToStr(GetAsDateTime());
    case SQLTypeArray: return "(ARRAY)";
    case SQLTypeBlob: {
      if (BlobContents) {
        return String(static_cast<const char*>(BlobContents->Memory()), static_cast<size_t>(BlobContents->Size()));
      }
      if (FParent->IsParams() || !FQuery) return "(BLOB)";
      try {
        return FQuery->ReadBlob(GetAsQuad());
      } catch (const Exception&) {
        return "(BLOB)";
      }
    }
    default:
      if (IsBooleanType(t)) return StoredBoolean(FXSQLVAR) == 1 ? "True" : "False";
      ConversionError();
  }
}

WideString TFIBXSQLVAR::GetAsWideString() const {
  if (GetIsNull()) return WideString();
  return Utf8ToUtf16(GetAsString());
}

Variant TFIBXSQLVAR::GetAsVariant() const {
  if (GetIsNull()) return Null();
  const int32_t t = GetSQLType();
  switch (t) {
    case SQLTypeText:
    case SQLTypeVarying: {
      if (FXSQLVAR->sqlsubtype == CharsetUTF8Id) return Variant(GetAsWideString());
      return Variant(GetAsString());
    }
    case SQLTypeShort:
    case SQLTypeLong:
      if (FXSQLVAR->sqlscale == 0) return Variant(static_cast<int32_t>(StoredInteger(FXSQLVAR)));
      return Variant(GetAsDouble());
    case SQLTypeInt64:
      if (FXSQLVAR->sqlscale == 0) return Variant(StoredInteger(FXSQLVAR));
      if (FXSQLVAR->sqlscale >= -4) return Variant(static_cast<double>(GetAsExtended()));
      return Variant(GetAsDouble());
    case SQLTypeFloat:
    case SQLTypeDouble:
    case SQLTypeDFloat: return Variant(GetAsDouble());
    case SQLTypeDate:
    case SQLTypeTime:
    case SQLTypeTimeStamp: return VarFromDateTime(GetAsDateTime());
    case SQLTypeBlob: return Variant(GetAsString());
    case SQLTypeArray: return Variant("(Array)");
    default:
      if (IsBooleanType(t)) return Variant(StoredBoolean(FXSQLVAR) == 1);
      ConversionError();
  }
}

fbapi::ISC_QUAD TFIBXSQLVAR::GetAsQuad() const {
  fbapi::ISC_QUAD q{};
  if (GetIsNull()) return q;
  const int32_t t = GetSQLType();
  if (t != SQLTypeBlob && t != SQLTypeArray && t != SQLTypeQuad) ConversionError();
  std::memcpy(&q, Data(), sizeof q);
  return q;
}

TBcd TFIBXSQLVAR::GetAsBcd() const {
  TBcd bcd;
  if (GetSQLType() == SQLTypeInt64 && !GetIsNull() && FQuery && FQuery->SQLDialect() >= 3) {
    if (!ScaledInt64ToBcd(-FXSQLVAR->sqlscale, bcd, StoredInteger(FXSQLVAR))) ConversionError();
    return bcd;
  }
  if (!CurrToBCD(GetAsCurrency(), bcd, 32, 4)) ConversionError();
  return bcd;
}

TGUID TFIBXSQLVAR::GetAsGuid() const {
  TGUID g;
  if (GetIsNull()) return g;
  const int32_t t = GetSQLType();
  if (t == SQLTypeVarying) std::memcpy(&g, Data() + 2, std::min<size_t>(16, static_cast<size_t>(FXSQLVAR->sqllen)));
  else if (t == SQLTypeText) std::memcpy(&g, Data(), std::min<size_t>(16, static_cast<size_t>(FXSQLVAR->sqllen)));
  return g;
}

bool TFIBXSQLVAR::GetAsBoolean() const {
  if (GetIsNull()) return false;
  const int32_t t = GetSQLType();
  if (t == SQLTypeLong || t == SQLTypeShort || t == SQLTypeInt64) return StoredInteger(FXSQLVAR) == 1;
  if (IsBooleanType(t)) return StoredBoolean(FXSQLVAR) == 1;
  ConversionError();
}

// --- storing ---------------------------------------------------------------------------------------------

void TFIBXSQLVAR::ApplyAction(int32_t type, int32_t length, const void* data, TStoreAction action) {
  fbapi::XSQLVAR* x = FXSQLVAR;
  switch (action) {
    case saSetNull: {
      const bool value = *static_cast<const bool*>(data);
      if (value) {
        if ((x->sqltype & ~1) == 0) {
          x->sqltype = static_cast<ISC_SHORT>(SQLTypeText | (x->sqltype & 1));
          x->sqllen = 0;
        }
        if ((x->sqltype & 1) == 0) x->sqltype |= 1;
        if (!x->sqlind) x->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
        *x->sqlind = -1;
      } else if ((x->sqltype & 1) && x->sqlind) {
        *x->sqlind = 0;
      }
      FModified = true;
      break;
    }
    case saSetNullable: {
      const bool value = *static_cast<const bool*>(data);
      if (value == ((x->sqltype & 1) != 0)) break;
      if (value) {
        x->sqltype |= 1;
        if (!x->sqlind) x->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
      } else {
        x->sqltype &= ~1;
        std::free(x->sqlind);
        x->sqlind = nullptr;
      }
      break;
    }
    case saSetScale: x->sqlscale = *static_cast<const int16_t*>(data); break;
    case saSetValue: {
      if ((x->sqltype & 1) && x->sqlind) *x->sqlind = 0;
      x->sqlscale = 0;
      if (length <= 0) {
        x->sqllen = 0;
        ResizeData(x, 1);
      } else if (length != x->sqllen || !x->sqldata) {
        ResizeData(x, static_cast<size_t>(length));
        x->sqllen = static_cast<ISC_SHORT>(length);
      }
      x->sqltype = static_cast<ISC_SHORT>(type | (x->sqltype & 1));
      if (length > 0) std::memcpy(x->sqldata, data, static_cast<size_t>(length));
      FModified = true;
      break;
    }
    case saCopyRaw: {
      const fbapi::XSQLVAR* src = static_cast<const fbapi::XSQLVAR*>(data);
      ISC_SCHAR* ownData = x->sqldata;
      ISC_SHORT* ownInd = x->sqlind;
      *x = *src;
      x->sqldata = ownData;
      x->sqlind = ownInd;
      if (src->sqltype & 1) {
        if (!x->sqlind) x->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
        *x->sqlind = src->sqlind ? *src->sqlind : 0;
      } else {
        std::free(x->sqlind);
        x->sqlind = nullptr;
      }
      size_t size = static_cast<size_t>(src->sqllen < 0 ? 0 : src->sqllen);
      if ((src->sqltype & ~1) == SQLTypeVarying) size += 2;
      ResizeData(x, size);
      if (src->sqldata && size > 0) std::memcpy(x->sqldata, src->sqldata, size);
      FModified = true;
      break;
    }
  }
}

void TFIBXSQLVAR::StoreValue(int32_t type, int32_t length, const void* data, TStoreAction action) {
  const String key = TFIBXSQLDA::Key(FName);
  if (FParent->IsParams() && FParent->IsDuplicateName(key)) {
    for (int32_t i = 0; i < FParent->Count(); ++i) {
      TFIBXSQLVAR* v = FParent->FVars[static_cast<size_t>(i)];
      if (TFIBXSQLDA::Key(v->FName) == key) {
        v->ApplyAction(type, length, data, action);
        v->Assigned = true;
      }
    }
  } else {
    ApplyAction(type, length, data, action);
  }
  Assigned = true;
  if (IsMacro && FQuery && !FQuery->FValuesChanged && !FQuery->FHoldValuesChanged) {
    if (GetAsString() != VarToStr(SavedValue)) FQuery->FValuesChanged = true;
  }
}

void TFIBXSQLVAR::SetIsNull(bool v) { StoreValue(0, 0, &v, saSetNull); }
void TFIBXSQLVAR::SetIsNullable(bool v) { StoreValue(0, 0, &v, saSetNullable); }
void TFIBXSQLVAR::SetScale(int16_t scale) { StoreValue(0, 0, &scale, saSetScale); }
void TFIBXSQLVAR::SetAsInteger(int32_t v) { StoreValue(SQLTypeLong, 4, &v, saSetValue); }
void TFIBXSQLVAR::SetAsShort(int16_t v) { StoreValue(SQLTypeShort, 2, &v, saSetValue); }
void TFIBXSQLVAR::SetAsInt64(int64_t v) { StoreValue(SQLTypeInt64, 8, &v, saSetValue); }
void TFIBXSQLVAR::SetAsDouble(double v) { StoreValue(SQLTypeDouble, 8, &v, saSetValue); }

void TFIBXSQLVAR::SetAsBoolean(bool v) {
  int32_t t = 0, cs = 0;
  ServerTypeOf(t, cs);
  if (IsBooleanType(t)) {
    // A BOOLEAN parameter takes the server's own one-byte form: the server converts no integer to it.
    uint8_t b = v ? 1 : 0;
    StoreValue(t, 1, &b, saSetValue);
    return;
  }
  SetAsShort(static_cast<int16_t>(v ? 1 : 0));
}

void TFIBXSQLVAR::SetAsExtended(long double v) {
  if (!FQuery || FQuery->SQLDialect() < 3) {
    SetAsDouble(static_cast<double>(v));
    return;
  }
  int32_t d = IntegerDigitCount(std::fabs(v));
  long double scaled = v;
  for (int32_t i = 0; i < 18 - d; ++i) scaled *= 10;
  SetAsInt64(static_cast<int64_t>(std::nearbyint(scaled)));
  SetScale(static_cast<int16_t>(d - 18));
}

void TFIBXSQLVAR::SetAsCurrency(Currency v) {
  if (FQuery && FQuery->SQLDialect() >= 3) {
    SetAsInt64(v.Value);
    SetScale(-4);
  } else {
    SetAsDouble(static_cast<double>(v.Value) / 10000.0);
  }
}

void TFIBXSQLVAR::SetAsBcd(const TBcd& v) {
  if (FQuery && FQuery->SQLDialect() >= 3) {
    int64_t i = 0;
    int32_t s = 0;
    if (!BcdToScaledInt64(v, i, s) || s >= 64) ConversionError();
    SetAsInt64(i);
    SetScale(static_cast<int16_t>(-s));
    return;
  }
  long double x = 0;
  if (!BcdToExtended(v, x)) ConversionError();
  SetAsExtended(x);
}

void TFIBXSQLVAR::SetAsTimeStamp(const TTimeStamp& v) {
  const fbapi::ISC_TIMESTAMP ts = TServerTimeStamp::FromTimeStamp(v);
  StoreValue(SQLTypeTimeStamp, sizeof ts, &ts, saSetValue);
}

void TFIBXSQLVAR::StoreTimeStamp(TDateTime v) { SetAsTimeStamp(DateTimeToTimeStamp(v)); }
void TFIBXSQLVAR::SetAsDateTime(TDateTime v) { StoreTimeStamp(v); }
void TFIBXSQLVAR::SetAsTime(TDateTime v) { StoreTimeStamp(v); }
void TFIBXSQLVAR::SetAsDate(TDateTime v) { StoreTimeStamp(std::trunc(v)); }

void TFIBXSQLVAR::SetAsQuad(const fbapi::ISC_QUAD& v) {
  const int32_t t = GetSQLType() == SQLTypeArray || DescribedType == SQLTypeArray ? SQLTypeArray : SQLTypeBlob;
  delete BlobContents;
  BlobContents = nullptr;
  StoreValue(t, sizeof v, &v, saSetValue);
}

void TFIBXSQLVAR::SetAsGuid(const TGUID& v) { StoreValue(SQLTypeText, 16, &v, saSetValue); }

void TFIBXSQLVAR::ServerTypeOf(int32_t& type, int32_t& charset) const {
  type = GetSQLType();
  charset = FXSQLVAR->sqlsubtype;
  if (FQuery && FParent == FQuery->FUserSQLParams && FQuery->FSQLParams) {
    auto it = FQuery->FSQLParams->FNameIndex.find(TFIBXSQLDA::Key(FName));
    if (it != FQuery->FSQLParams->FNameIndex.end() && !it->second.empty()) {
      const TFIBXSQLVAR* server = FQuery->FSQLParams->FVars[static_cast<size_t>(it->second.front())];
      type = server->DescribedType != 0 ? (server->DescribedType & ~1) : server->GetSQLType();
      charset = server->FXSQLVAR->sqlsubtype;
    }
  }
}

void TFIBXSQLVAR::StoreBlobText(const String& text, int32_t charset) {
  if (!BlobContents) BlobContents = new TMemoryStream();
  BlobContents->SetSize(0);
  if (!text.empty()) BlobContents->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  BlobContents->SetPosition(0);
  if (FQuery) FQuery->FBlobParams = true;
  if ((FXSQLVAR->sqltype & 1) && FXSQLVAR->sqlind) *FXSQLVAR->sqlind = 0;
  // The entry will carry a blob identifier: its data must hold one, whatever its length said before.
  ResizeData(FXSQLVAR, sizeof(fbapi::ISC_QUAD));
  FXSQLVAR->sqllen = static_cast<ISC_SHORT>(sizeof(fbapi::ISC_QUAD));
  FXSQLVAR->sqltype = SQLTypeBlob;
  FXSQLVAR->sqlsubtype = static_cast<ISC_SHORT>(charset);
  FModified = true;
  Assigned = true;
}

void TFIBXSQLVAR::StoreString(const String& value, bool resolving) {
  int32_t t = 0, cs = 0;
  ServerTypeOf(t, cs);
  bool encode = false;
  if (!IsMacro && FQuery && FQuery->UnicodeOrNoneCharset()) {
    if (IsText(t)) {
      encode = (FQuery->UnicodeCharset() && cs >= 2) || cs == CharsetUTF8Id;
      Deferred = false;
      if (resolving && !encode) return;
    } else if (t == 0) {
      Deferred = true;
      FParent->FHasDeferred = true;
    }
  } else {
    Deferred = false;
  }
  // Text already is UTF-8; encoding only marks it as such.
  const int32_t length = static_cast<int32_t>(value.size());
  if (length > 32767) t = SQLTypeBlob;
  if (t == SQLTypeBlob && !IsMacro) {
    StoreBlobText(value, cs);
    return;
  }
  int32_t storeType = SQLTypeText;
  int32_t storeLength = length;
  const String sqlName = SQLNameOf(FXSQLVAR->sqlname, FXSQLVAR->sqlname_length);
  if (sqlName == "DB_KEY" || sqlName == "RDB$DB_KEY") {
    storeType = GetSQLType();
    storeLength = FXSQLVAR->sqllen;
    // A key value is exactly the key's bytes; a shorter text would be read past its end.
    if (length < storeLength) ConversionError();
  }
  if (length <= 0) {
    if (IsNumericType(t) || IsDateType(t)) {
      SetIsNull(true);
      return;
    }
    StoreValue(SQLTypeText, 0, "", saSetValue);
  } else if (!IsMacro && IsNumericType(t)) {
    String s = value;
    const char sep = FormatSettings().DecimalSeparator;
    for (char& c : s)
      if (c == ',' || (c == sep && sep != '.')) c = '.';
    StoreValue(storeType, storeLength, s.data(), saSetValue);
  } else {
    StoreValue(storeType, storeLength, value.data(), saSetValue);
  }
  if (encode) FXSQLVAR->sqlsubtype = CharsetUTF8Id;
}

void TFIBXSQLVAR::SetAsString(const String& v) { StoreString(v, false); }

void TFIBXSQLVAR::SetAsVariant(const Variant& value) {
  int32_t t = 0, cs = 0;
  ServerTypeOf(t, cs);
  Variant v = value;
  if ((t == SQLTypeTimeStamp || t == SQLTypeDate) && v.VType() == varDouble) v = VarFromDateTime(v.AsDouble());
  const TVarType vt = v.VType();
  if (vt & (varArray)) {
    if (t == SQLTypeArray) {
      SetArrayValue(v);
    } else if (t == SQLTypeBlob || GetSQLType() == SQLTypeBlob) {
      TMemoryStream* ms = new TMemoryStream();
      try {
        VariantArrayToStream(v, ms);
        LoadFromStream(ms);
      } catch (...) {
        delete ms;
        throw;
      }
      delete ms;
    }
    return;
  }
  if (vt & varByRef) RaiseClientError(2);
  switch (vt & varTypeMask) {
    case varEmpty:
    case varNull: SetIsNull(true); break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord: SetAsInteger(v.AsInteger()); break;
    case varSingle:
    case varDouble: SetAsDouble(v.AsDouble()); break;
    case varCurrency: SetAsCurrency(v.AsCurrency()); break;
    case varDate:
      if (t == SQLTypeTime) SetAsTime(v.AsDateTime());
      else if (t == SQLTypeDate) SetAsDate(v.AsDateTime());
      else SetAsDateTime(v.AsDateTime());
      break;
    case varOleStr:
    case varString: SetAsString(v.AsString()); break;
    case varBoolean:
      if (IsBooleanType(t)) SetAsBoolean(v.AsBoolean());
      else SetAsInteger(v.AsBoolean() ? 1 : 0);
      break;
    case varInt64: SetAsInt64(v.AsInt64()); break;
    case varDispatch:
    case varError:
    case varUnknown:
    case varVariant: RaiseClientError(2);
    default: break;
  }
}

void TFIBXSQLVAR::LoadFromStream(TStream* stream) {
  if (!BlobContents) BlobContents = new TMemoryStream();
  BlobContents->SetSize(0);
  stream->SetPosition(0);
  BlobContents->CopyFrom(stream, 0);
  BlobContents->SetPosition(0);
  if (FQuery) FQuery->FBlobParams = true;
  FXSQLVAR->sqltype = SQLTypeBlob;
  FModified = true;
  Assigned = true;
}

void TFIBXSQLVAR::SetArrayValue(const Variant&) {
  // Array slices need the array accessor of the column, which this library does not build.
  RaiseClientError(59, {GetRelationName() + "." + GetSQLName()});
}

void TFIBXSQLVAR::Assign(TFIBXSQLVAR* source) {
  if (source->GetIsNull()) {
    SetIsNull(true);
    return;
  }
  if (source->GetSQLType() == SQLTypeArray || GetSQLType() == SQLTypeArray) return;
  const bool srcBlob = source->GetSQLType() == SQLTypeBlob;
  bool dstBlob = GetSQLType() == SQLTypeBlob;
  if (!srcBlob && !dstBlob) {
    if (FQuery && FParent == FQuery->FUserSQLParams && FQuery->FSQLParams) {
      int32_t t = 0, cs = 0;
      ServerTypeOf(t, cs);
      dstBlob = t == SQLTypeBlob;
    }
    if (!dstBlob) {
      StoreValue(0, 0, source->FXSQLVAR, saCopyRaw);
      return;
    }
  }
  String buffer;
  if (srcBlob) {
    buffer = source->BlobContents ? source->GetAsString() : source->FQuery->ReadBlob(source->GetAsQuad());
  } else {
    const int32_t t = source->GetSQLType();
    buffer = t == SQLTypeVarying ? source->RawText()
                                 : String(source->Data(), static_cast<size_t>(source->FXSQLVAR->sqllen));
  }
  if (dstBlob) {
    StoreBlobText(buffer, FXSQLVAR->sqlsubtype);
  } else {
    StoreValue(SQLTypeText, static_cast<int32_t>(buffer.size()), buffer.data(), saSetValue);
  }
}

// ---------------------------------------------------------------------------------------------------------
// TFIBXSQLDA

TFIBXSQLDA::TFIBXSQLDA(TFIBQuery* query, bool isParams) : FQuery(query), FIsParams(isParams) {}

TFIBXSQLDA::~TFIBXSQLDA() {
  for (int32_t i = 0; i < FAllocated; ++i) FreeRaw(&FXSQLDA->sqlvar[i]);
  for (TFIBXSQLVAR* v : FVars) delete v;
  std::free(FXSQLDA);
}

String TFIBXSQLDA::Key(const String& name) { return AsciiUpperCase(name); }

bool TFIBXSQLDA::IsDuplicateName(const String& upperName) const {
  auto it = FNameIndex.find(upperName);
  return it != FNameIndex.end() && it->second.size() > 1;
}

void TFIBXSQLDA::ClearNames() {
  FNameIndex.clear();
  FNameCache.clear();
}

void TFIBXSQLDA::SetCount(int32_t n) {
  if (n < 0) n = 0;
  ClearNames();
  FCount = n;
  if (n > FAllocated) {
    const size_t oldSize = FAllocated > 0 ? fbapi::XsqldaLength(FAllocated) : 0;
    const size_t newSize = fbapi::XsqldaLength(n);
    void* block = FXSQLDA;
    ReallocZeroed(block, oldSize, newSize);
    FXSQLDA = static_cast<fbapi::XSQLDA*>(block);
    FXSQLDA->version = SQLDA_VERSION1;
    while (static_cast<int32_t>(FVars.size()) < n) FVars.push_back(new TFIBXSQLVAR(this, FQuery));
    for (int32_t i = 0; i < n; ++i) {
      FVars[static_cast<size_t>(i)]->FXSQLVAR = &FXSQLDA->sqlvar[i];
      FVars[static_cast<size_t>(i)]->FIndex = i;
    }
    FAllocated = n;
  }
  if (FXSQLDA) {
    FXSQLDA->sqln = static_cast<ISC_SHORT>(n);
    FXSQLDA->sqld = static_cast<ISC_SHORT>(n);
  }
}

TFIBXSQLVAR* TFIBXSQLDA::GetVar(int32_t index) const {
  if (index < 0 || index >= FCount) RaiseClientError(23);
  return FVars[static_cast<size_t>(index)];
}

void TFIBXSQLDA::AddName(const String& name, int32_t index, bool keepCase) {
  const String n = keepCase ? name : AsciiUpperCase(name);
  FNameIndex[Key(n)].push_back(index);
  TFIBXSQLVAR* v = FVars[static_cast<size_t>(index)];
  v->FName = n;
  v->FIndex = index;
}

void TFIBXSQLDA::RemoveIndexOfName(const String& name, int32_t index) {
  auto it = FNameIndex.find(Key(name));
  if (it == FNameIndex.end()) return;
  auto& list = it->second;
  for (auto p = list.begin(); p != list.end(); ++p) {
    if (*p == index) {
      list.erase(p);
      break;
    }
  }
  if (list.empty()) FNameIndex.erase(it);
  FNameCache.clear();
}

TFIBXSQLVAR* TFIBXSQLDA::FindByName(const String& name) {
  auto cached = FNameCache.find(name);
  if (cached != FNameCache.end()) return cached->second;
  String n = name;
  n = UnquoteIdentifier(n);
  auto it = FNameIndex.find(Key(n));
  TFIBXSQLVAR* found = nullptr;
  if (it != FNameIndex.end() && !it->second.empty()) found = FVars[static_cast<size_t>(it->second.front())];
  if (!found && FQuery && this == FQuery->FUserSQLParams) {
    if (FQuery->FValuesChanged && !FQuery->FHoldValuesChanged) FQuery->RebuildParams();
    TFIBXSQLDA* server = FQuery->FSQLParams;
    if (server && server != this) {
      auto s = server->FNameIndex.find(Key(n));
      if (s != server->FNameIndex.end() && !s->second.empty())
        return server->FVars[static_cast<size_t>(s->second.front())];
    }
    return nullptr;
  }
  if (found) FNameCache[name] = found;
  return found;
}

void TFIBXSQLDA::AfterDescribe() {
  const bool named = !FNameIndex.empty();
  int32_t unnamed = 0;
  for (int32_t i = 0; i < FCount; ++i) {
    TFIBXSQLVAR* v = FVars[static_cast<size_t>(i)];
    fbapi::XSQLVAR* x = v->FXSQLVAR;
    v->DescribedType = x->sqltype & ~1;
    v->Assigned = true;
    if (!named) {
      String alias = SQLNameOf(x->aliasname, x->aliasname_length);
      bool changed = false;
      if (alias.empty()) {
        alias = "F_" + IntToStr(++unnamed);
        changed = true;
      } else if (FNameIndex.count(Key(alias))) {
        for (int32_t k = 1;; ++k) {
          const String suffix = IntToStr(k);
          String base = alias.substr(0, std::min<size_t>(alias.size(), 31 - suffix.size()));
          if (!FNameIndex.count(Key(base + suffix))) {
            alias = base + suffix;
            break;
          }
        }
        changed = true;
      }
      if (changed) {
        std::memset(x->aliasname, 0, sizeof x->aliasname);
        std::memcpy(x->aliasname, alias.data(), std::min<size_t>(alias.size(), sizeof x->aliasname));
        x->aliasname_length = static_cast<ISC_SHORT>(std::min<size_t>(alias.size(), sizeof x->aliasname));
      }
      AddName(alias, i, true);
    }
    const int32_t t = x->sqltype & ~1;
    size_t size = static_cast<size_t>(x->sqllen < 0 ? 0 : x->sqllen);
    switch (t) {
      case SQLTypeVarying: size += 2; break;
      case SQLTypeText: if (size == 0) size = 1; break;
      case SQLTypeDouble: case SQLTypeFloat: case SQLTypeLong: case SQLTypeShort: case SQLTypeTimeStamp:
      case SQLTypeBlob: case SQLTypeDFloat: case SQLTypeArray: case SQLTypeQuad: case SQLTypeTime:
      case SQLTypeDate: case SQLTypeInt64: case SQLTypeBoolean: case SQLTypeBoolean64: break;
      case 0:
        if (FQuery && this == FQuery->FUserSQLParams) {
          size = 0;
          break;
        }
        [[fallthrough]];
      default: RaiseClientError(30, {t});
    }
    if (t != 0) ResizeData(x, size);
    if (x->sqltype & 1) {
      if (!x->sqlind) x->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
    } else {
      std::free(x->sqlind);
      x->sqlind = nullptr;
    }
  }
}

void TFIBXSQLDA::AssignValues(TFIBXSQLDA* source) {
  for (int32_t i = 0; i < source->Count(); ++i) {
    TFIBXSQLVAR* src = source->FVars[static_cast<size_t>(i)];
    TFIBXSQLVAR* dst = nullptr;
    auto it = FNameIndex.find(Key(src->Name()));
    if (it != FNameIndex.end() && !it->second.empty()) dst = FVars[static_cast<size_t>(it->second.front())];
    if (!dst) continue;
    const int32_t st = src->GetSQLType();
    const int32_t dt = dst->GetSQLType();
    if (src->GetIsNull()) {
      dst->SetIsNull(true);
    } else if (src->BlobContents) {
      dst->StoreBlobText(src->GetAsString(), dst->FXSQLVAR->sqlsubtype);
    } else if ((st == SQLTypeBlob || st == SQLTypeArray) && (dt == SQLTypeBlob || dt == SQLTypeArray)) {
      const fbapi::ISC_QUAD q = src->GetAsQuad();
      dst->StoreValue(dt, sizeof q, &q, TFIBXSQLVAR::saSetValue);
    } else if (st == SQLTypeInt64) {
      if (dt == SQLTypeBlob || dt == SQLTypeArray) dst->SetAsInt64(0);
      dst->Assign(src);
    } else if (IsDateType(dt)) {
      if (IsText(st) && src->GetAsString().empty()) dst->SetAsVariant(src->GetAsVariant());
      else if (st == SQLTypeText) dst->SetAsString(src->GetAsString());
      else {
        const TDateTime d = VarToDateTime(src->GetAsVariant());
        if (dt == SQLTypeTime) dst->SetAsTime(d);
        else if (dt == SQLTypeDate) dst->SetAsDate(d);
        else dst->SetAsDateTime(d);
      }
    } else {
      dst->SetAsVariant(src->GetAsVariant());
    }
  }
}

void TFIBXSQLDA::ClearValues() {
  for (int32_t i = 0; i < FCount; ++i) {
    fbapi::XSQLVAR* x = FVars[static_cast<size_t>(i)]->FXSQLVAR;
    if (x->sqlind) *x->sqlind = -1;
  }
}

void TFIBXSQLDA::ResetModified() {
  for (int32_t i = 0; i < FCount; ++i) FVars[static_cast<size_t>(i)]->FModified = false;
}

void TFIBXSQLDA::ApplyDeferred() {
  for (int32_t i = 0; i < FCount; ++i) {
    TFIBXSQLVAR* v = FVars[static_cast<size_t>(i)];
    if (v->Deferred && !v->GetIsNull()) v->StoreString(v->GetAsString(), true);
    v->Deferred = false;
  }
  FHasDeferred = false;
}
