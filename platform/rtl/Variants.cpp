#include "rtl/Variants.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "rtl/FMTBcd.h"
#include "rtl/SqlTimSt.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "rtl/VariantsImpl.h"

using namespace rtl_variant;

namespace {

using i128 = __int128;

constexpr TVarType kSQLTimeStamp = 0x010F;
constexpr TVarType kFMTBcd = 0x0110;

bool IsIntType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}
bool IsStrType(TVarType t) { return t == varString || t == varOleStr; }

const String& StrOf(const Variant& v) { return *static_cast<const String*>(v.RawData().p); }
const WideString& WStrOf(const Variant& v) { return *static_cast<const WideString*>(v.RawData().p); }
const TBcd& BcdOf(const Variant& v) { return *static_cast<const TBcd*>(v.RawData().p); }
const TSQLTimeStamp& TsOf(const Variant& v) { return *static_cast<const TSQLTimeStamp*>(v.RawData().p); }

// Text of a string variant of either width.
String TextOf(const Variant& v) { return v.VType() == varString ? StrOf(v) : Utf16ToUtf8(WStrOf(v)); }

// Banker's rounding of a double to Int64, EVariantOverflowError outside the range.
int64_t RoundToInt64(double d) {
  double r = std::nearbyint(d);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) VariantOverflow();
  return static_cast<int64_t>(r);
}

int64_t CurrencyToInt64(int64_t scaled) {
  i128 q = scaled / 10000, r = scaled % 10000;
  i128 r2 = r < 0 ? -r : r;
  if (2 * r2 > 10000 || (2 * r2 == 10000 && q % 2 != 0)) q += scaled < 0 ? -1 : 1;
  return static_cast<int64_t>(q);
}

bool AsciiSameText(const String& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

String TrimBlanks(const String& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == String::npos ? String() : s.substr(b, e - b + 1);
}

bool TextToBoolImpl(const String& s, bool& out) {
  String t = TrimBlanks(s);
  if (AsciiSameText(t, "True")) return out = true, true;
  if (AsciiSameText(t, "False")) return out = false, true;
  double d;
  if (VariantTextToFloat(s, d)) return out = d != 0, true;
  return false;
}

// Converts to Int64 by the platform's rules, for an integer `target` (used in error texts).
int64_t ToInt64Impl(const Variant& v, TVarType target) {
  const auto& d = v.RawData();
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return 0;
    case varBoolean: return d.b ? -1 : 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return d.i64;
    case varSingle: return RoundToInt64(d.f);
    case varDouble: case varDate: return RoundToInt64(d.d);
    case varCurrency: return CurrencyToInt64(d.i64);
    case varString: case varOleStr: {
      String s = TextOf(v);
      int64_t i;
      if (VariantTextToInt64(s, i)) return i;
      double f;
      if (VariantTextToFloat(s, f)) return RoundToInt64(f);
      VariantCastError(t, target);
    }
    default:
      if (t == kFMTBcd) {
        TBcd n;
        if (!NormalizeBcd(BcdOf(v), n, 64, 0)) VariantOverflow();
        String s = BcdToStr(n, TFormatSettings::English());
        int64_t i;
        if (!VariantTextToInt64(s, i)) VariantOverflow();
        return i;
      }
      if (t == kSQLTimeStamp) return RoundToInt64(SQLTimeStampToDateTime(TsOf(v)));
      VariantCastError(t, target);
  }
}

double ToDoubleImpl(const Variant& v, TVarType target) {
  const auto& d = v.RawData();
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return 0;
    case varBoolean: return d.b ? -1 : 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return static_cast<double>(d.i64);
    case varSingle: return d.f;
    case varDouble: case varDate: return d.d;
    case varCurrency: return Currency::FromScaled(d.i64).ToDouble();
    case varString: case varOleStr: {
      double f;
      if (target == varDate) {
        if (VariantTextToDate(TextOf(v), f)) return f;
      } else if (VariantTextToFloat(TextOf(v), f)) {
        return f;
      }
      VariantCastError(t, target);
    }
    default:
      if (t == kFMTBcd) return BcdToDouble(BcdOf(v));
      if (t == kSQLTimeStamp) return SQLTimeStampToDateTime(TsOf(v));
      VariantCastError(t, target);
  }
}

Currency ToCurrencyImpl(const Variant& v) {
  const auto& d = v.RawData();
  TVarType t = v.VType();
  constexpr int64_t kMaxUnits = std::numeric_limits<int64_t>::max() / 10000;
  switch (t) {
    case varEmpty: return Currency();
    case varBoolean: return Currency::FromInt(d.b ? -1 : 0);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      if (d.i64 > kMaxUnits || d.i64 < -kMaxUnits) VariantOverflow();
      return Currency::FromInt(d.i64);
    case varCurrency: return Currency::FromScaled(d.i64);
    case varString: case varOleStr: {
      Currency c;
      if (TryStrToCurr(TextOf(v), c)) return c;
      double f;
      if (VariantTextToFloat(TextOf(v), f)) VariantOverflow();  // a number, just too large
      VariantCastError(t, varCurrency);
    }
    default: {
      if (t == kFMTBcd) {
        Currency c;
        if (!BCDToCurr(BcdOf(v), c)) VariantOverflow();
        return c;
      }
      double r = std::nearbyint(ToDoubleImpl(v, varCurrency) * 10000.0);
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) VariantOverflow();
      return Currency::FromScaled(static_cast<int64_t>(r));
    }
  }
}

bool ToBoolImpl(const Variant& v) {
  const auto& d = v.RawData();
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return false;
    case varBoolean: return d.b;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varCurrency:
      return d.i64 != 0;
    case varSingle: return d.f != 0;
    case varDouble: case varDate: return d.d != 0;
    case varString: case varOleStr: {
      bool b;
      if (TextToBoolImpl(TextOf(v), b)) return b;
      VariantCastError(t, varBoolean);
    }
    default:
      return ToDoubleImpl(v, varBoolean) != 0;
  }
}

String ToStrImpl(const Variant& v) {
  const auto& d = v.RawData();
  TVarType t = v.VType();
  switch (t) {
    case varEmpty: return String();
    case varBoolean: return d.b ? "True" : "False";
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return std::to_string(d.i64);
    case varSingle: return VariantSingleText(d.f);
    case varDouble: return VariantFloatText(d.d);
    case varCurrency: return CurrToStr(Currency::FromScaled(d.i64));
    case varDate: return VariantDateText(d.d);
    case varString: return StrOf(v);
    case varOleStr: return Utf16ToUtf8(WStrOf(v));
    default:
      if (t == kFMTBcd) return BcdToStr(BcdOf(v));
      if (t == kSQLTimeStamp) return VariantDateText(SQLTimeStampToDateTime(TsOf(v)));
      VariantCastError(t, varString);
  }
}

Variant MakeInt(TVarType type, int64_t v) {
  Variant::Data d;
  d.i64 = v;
  Variant r;
  r.SetRaw(type, d);
  return r;
}

Variant MakeDate(double v) {
  Variant::Data d;
  d.d = v;
  Variant r;
  r.SetRaw(varDate, d);
  return r;
}

// The smallest of Integer and Int64 that holds v, or Int64 when `wide`.
Variant IntResult(i128 v, bool wide) {
  if (v < std::numeric_limits<int64_t>::min() || v > std::numeric_limits<int64_t>::max()) VariantOverflow();
  if (!wide && v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return MakeInt(varInteger, static_cast<int64_t>(v));
  return MakeInt(varInt64, static_cast<int64_t>(v));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Errors and helpers shared by the implementation files

namespace rtl_variant {

void VariantCastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) + ") into type (" +
                              VarTypeAsText(to) + ")");
}
void VariantInvalidCast() { throw EVariantTypeCastError("Invalid variant type conversion"); }
void VariantInvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }
void VariantOverflow() { throw EVariantOverflowError("Variant overflow"); }
void VariantInvalidArg() { throw EVariantInvalidArgError("Invalid argument"); }
void VariantBadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }

Variant VariantZeroOf(TVarType type) {
  switch (type) {
    case varVariant: return Variant();
    case varString: return Variant(String());
    case varOleStr: return Variant(WideString());
    case varBoolean: return Variant(false);
    case varSingle: return Variant(0.0f);
    case varDouble: return Variant(0.0);
    case varDate: return MakeDate(0);
    default:
      if (IsIntType(type) || type == varCurrency) return MakeInt(type, 0);
      if (type == kFMTBcd) return VarFMTBcdCreate(IntegerToBcd(0));
      VariantInvalidCast();
  }
}

}  // namespace rtl_variant

TVarType VarSQLTimeStamp() { return kSQLTimeStamp; }
TVarType VarFMTBcd() { return kFMTBcd; }

// ---------------------------------------------------------------------------------------------------
// Variant

Variant::Variant(const Variant& other) : FType(varEmpty) {
  FData.i64 = 0;
  *this = other;
}

Variant& Variant::operator=(const Variant& other) {
  if (this == &other) return *this;
  Data d = other.FData;
  TVarType t = other.FType;
  if (t == varString)
    d.p = new String(*static_cast<const String*>(other.FData.p));
  else if (t == varOleStr)
    d.p = new WideString(*static_cast<const WideString*>(other.FData.p));
  else if (t & varArray)
    d.p = new ArrayData(*static_cast<const ArrayData*>(other.FData.p));
  else if (t == kFMTBcd)
    d.p = new TBcd(*static_cast<const TBcd*>(other.FData.p));
  else if (t == kSQLTimeStamp)
    d.p = new TSQLTimeStamp(*static_cast<const TSQLTimeStamp*>(other.FData.p));
  SetRaw(t, d);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other) return *this;
  SetRaw(other.FType, other.FData);
  other.FType = varEmpty;
  other.FData.i64 = 0;
  return *this;
}

void Variant::Clear() noexcept {
  if (FType == varString)
    delete static_cast<String*>(FData.p);
  else if (FType == varOleStr)
    delete static_cast<WideString*>(FData.p);
  else if (FType & varArray)
    delete static_cast<ArrayData*>(FData.p);
  else if (FType == kFMTBcd)
    delete static_cast<TBcd*>(FData.p);
  else if (FType == kSQLTimeStamp)
    delete static_cast<TSQLTimeStamp*>(FData.p);
  FType = varEmpty;
  FData.i64 = 0;
}

void Variant::InitString(const char* s, size_t n) {
  FData.p = new String(s, n);
  FType = varString;
}

void Variant::InitWideString(const char16_t* s, size_t n) {
  FData.p = new WideString(s, n);
  FType = varOleStr;
}

void Variant::InitUInt64(uint64_t v) {
  if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) VariantOverflow();
  FData.i64 = static_cast<int64_t>(v);
  FType = varInt64;
}

Variant::Variant(const char* s) : FType(varEmpty) { InitString(s, std::strlen(s)); }
Variant::Variant(const String& s) : FType(varEmpty) { InitString(s.data(), s.size()); }
Variant::Variant(String&& s) : FType(varString) { FData.p = new String(std::move(s)); }
Variant::Variant(const WideString& s) : FType(varOleStr) { FData.p = new WideString(s); }
Variant::Variant(const char16_t* s) : FType(varOleStr) { FData.p = new WideString(s); }

Variant Variant::FromDateTime(TDateTime dt) { return MakeDate(dt); }

Variant Variant::Null() {
  Variant v;
  v.FType = varNull;
  return v;
}

int32_t Variant::AsInteger() const {
  if (FType == varNull) VariantCastError(varNull, varInteger);
  int64_t v = ToInt64Impl(*this, varInteger);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) VariantOverflow();
  return static_cast<int32_t>(v);
}

int64_t Variant::AsInt64() const {
  if (FType == varNull) VariantCastError(varNull, varInt64);
  return ToInt64Impl(*this, varInt64);
}

double Variant::AsDouble() const {
  if (FType == varNull) VariantCastError(varNull, varDouble);
  return ToDoubleImpl(*this, varDouble);
}

Currency Variant::AsCurrency() const {
  if (FType == varNull) VariantCastError(varNull, varCurrency);
  return ToCurrencyImpl(*this);
}

TDateTime Variant::AsDateTime() const {
  if (FType == varNull) VariantCastError(varNull, varDate);
  return ToDoubleImpl(*this, varDate);
}

bool Variant::AsBoolean() const {
  if (FType == varNull) VariantCastError(varNull, varBoolean);
  return ToBoolImpl(*this);
}

String Variant::AsString() const {
  if (FType == varNull) VariantCastError(varNull, varString);
  return ToStrImpl(*this);
}

WideString Variant::AsWideString() const {
  if (FType == varOleStr) return WStrOf(*this);
  if (FType == varNull) VariantCastError(varNull, varOleStr);
  return Utf8ToUtf16(ToStrImpl(*this));
}

// ---------------------------------------------------------------------------------------------------
// Type tests and conversions

TVarType VarType(const Variant& v) { return v.VType(); }
bool VarIsNull(const Variant& v) { return v.VType() == varNull; }
bool VarIsEmpty(const Variant& v) { return v.VType() == varEmpty; }
bool VarIsClear(const Variant& v) { return v.VType() == varEmpty; }
bool VarIsOrdinal(const Variant& v) { return IsIntType(v.VType()) || v.VType() == varBoolean; }
bool VarIsFloat(const Variant& v) {
  TVarType t = v.VType();
  return t == varSingle || t == varDouble || t == varCurrency;
}
bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }
bool VarIsStr(const Variant& v) { return IsStrType(v.VType()); }
bool VarIsArray(const Variant& v) { return (v.VType() & varArray) != 0; }
bool VarIsType(const Variant& v, TVarType type) { return v.VType() == type; }
bool VarIsType(const Variant& v, std::initializer_list<TVarType> types) {
  for (TVarType t : types)
    if (v.VType() == t) return true;
  return false;
}

String VarTypeAsText(TVarType type) {
  static const char* const kNames[] = {"Empty",   "Null",     "Smallint", "Integer", "Single",  "Double",
                                       "Currency", "Date",    "OleStr",   "Dispatch", "Error",  "Boolean",
                                       "Variant", "Unknown",  "Decimal",  "$000F",   "ShortInt", "Byte",
                                       "Word",    "LongWord", "Int64"};
  String prefix;
  if (type & varArray) prefix = "Array ";
  if (type & varByRef) prefix = "Ref to " + prefix;
  TVarType base = type & varTypeMask;
  if (base < sizeof kNames / sizeof kNames[0]) return prefix + kNames[base];
  if (base == varString) return prefix + "String";
  if (base == kFMTBcd) return prefix + "FMTBcdVariantType";
  if (base == kSQLTimeStamp) return prefix + "SQLTimeStampVariantType";
  char buf[8];
  std::snprintf(buf, sizeof buf, "$%04X", static_cast<unsigned>(base));
  return prefix + buf;
}

Variant VarAsType(const Variant& v, TVarType type) {
  TVarType t = v.VType();
  if (t == type) return v;
  if ((t & varArray) || (type & varArray)) VariantCastError(t, type);
  if (type == varEmpty) return Variant();
  if (type == varNull) return Variant::Null();
  if (type == varVariant) return v;
  if (t == varNull) VariantCastError(varNull, type);
  switch (type) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: {
      int64_t i = ToInt64Impl(v, type);
      int64_t lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
      switch (type) {
        case varSmallint: lo = INT16_MIN; hi = INT16_MAX; break;
        case varInteger: lo = INT32_MIN; hi = INT32_MAX; break;
        case varShortInt: lo = INT8_MIN; hi = INT8_MAX; break;
        case varByte: lo = 0; hi = UINT8_MAX; break;
        case varWord: lo = 0; hi = UINT16_MAX; break;
        case varLongWord: lo = 0; hi = UINT32_MAX; break;
        default: break;
      }
      if (i < lo || i > hi) VariantOverflow();
      return MakeInt(type, i);
    }
    case varSingle: {
      double d = ToDoubleImpl(v, type);
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) VariantOverflow();
      return Variant(static_cast<float>(d));
    }
    case varDouble: return Variant(ToDoubleImpl(v, type));
    case varDate: return MakeDate(ToDoubleImpl(v, type));
    case varCurrency: return Variant(ToCurrencyImpl(v));
    case varBoolean: return Variant(ToBoolImpl(v));
    case varString: return Variant(ToStrImpl(v));
    case varOleStr: return Variant(v.AsWideString());
    default:
      if (type == kFMTBcd) return VarFMTBcdCreate(VarToBcd(v));
      if (type == kSQLTimeStamp) return VarSQLTimeStampCreate(ToDoubleImpl(v, varDate));
      VariantInvalidCast();
  }
}

String VarToStr(const Variant& v) { return VarToStrDef(v, String()); }

String VarToStrDef(const Variant& v, const String& deflt) { return v.VType() == varNull ? deflt : ToStrImpl(v); }

WideString VarToWideStr(const Variant& v) {
  if (v.VType() == varNull) return WideString();
  return v.AsWideString();
}

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

// ---------------------------------------------------------------------------------------------------
// Comparison

namespace {

enum class Kind { Null, Empty, Bool, Int, Cur, Float, Date, Str, Bcd, Other };

Kind KindOf(const Variant& v) {
  TVarType t = v.VType();
  if (t == varNull) return Kind::Null;
  if (t == varEmpty) return Kind::Empty;
  if (t == varBoolean) return Kind::Bool;
  if (IsIntType(t)) return Kind::Int;
  if (t == varCurrency) return Kind::Cur;
  if (t == varSingle || t == varDouble) return Kind::Float;
  if (t == varDate || t == kSQLTimeStamp) return Kind::Date;
  if (IsStrType(t)) return Kind::Str;
  if (t == kFMTBcd) return Kind::Bcd;
  return Kind::Other;
}

template <class T>
int Sign3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// A number read exactly enough to compare: an integer, a currency count, a BCD or a floating value.
struct Num {
  explicit Num(Kind k) : kind(k) {}
  Kind kind;
  int64_t i = 0;
  long double f = 0;
  TBcd bcd;
};

Num NumOf(const Variant& v) {
  Num n(KindOf(v));
  switch (n.kind) {
    case Kind::Empty: n.kind = Kind::Int; break;
    case Kind::Bool: n.kind = Kind::Int; n.i = v.RawData().b ? -1 : 0; break;
    case Kind::Int: case Kind::Cur: n.i = v.RawData().i64; break;
    case Kind::Float: case Kind::Date: n.kind = Kind::Float; n.f = ToDoubleImpl(v, varDouble); break;
    case Kind::Bcd: n.bcd = BcdOf(v); break;
    case Kind::Str: {
      String s = TextOf(v);
      if (VariantTextToInt64(s, n.i)) {
        n.kind = Kind::Int;
      } else {
        double d;
        if (!VariantTextToFloat(s, d)) VariantCastError(v.VType(), varDouble);
        n.kind = Kind::Float;
        n.f = d;
      }
      break;
    }
    default: VariantInvalidOp();
  }
  return n;
}

long double FloatOf(const Num& n) {
  switch (n.kind) {
    case Kind::Int: return n.i;
    case Kind::Cur: return static_cast<long double>(n.i) / 10000;
    case Kind::Bcd: return BcdToDouble(n.bcd);
    default: return n.f;
  }
}

TBcd BcdOfNum(const Num& n) {
  if (n.kind == Kind::Bcd) return n.bcd;
  if (n.kind == Kind::Int) return IntegerToBcd(n.i);
  TBcd b;
  CurrToBCD(Currency::FromScaled(n.i), b);
  return b;
}

int CompareNum(const Num& a, const Num& b) {
  if (a.kind == Kind::Float || b.kind == Kind::Float) return Sign3(FloatOf(a), FloatOf(b));
  if (a.kind == Kind::Bcd || b.kind == Kind::Bcd) return BcdCompare(BcdOfNum(a), BcdOfNum(b));
  i128 x = a.i, y = b.i;
  if (a.kind == Kind::Cur && b.kind == Kind::Int) y *= 10000;
  if (a.kind == Kind::Int && b.kind == Kind::Cur) x *= 10000;
  return Sign3(x, y);
}

// The ordering behind every comparison operator; Null orders below everything.
int CompareImpl(const Variant& a, const Variant& b) {
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Other || kb == Kind::Other) VariantInvalidOp();
  if (ka == Kind::Null || kb == Kind::Null) return ka == kb ? 0 : (ka == Kind::Null ? -1 : 1);
  if (ka == Kind::Empty && kb == Kind::Empty) return 0;
  if (ka == Kind::Empty) return -CompareImpl(b, a);
  if (kb == Kind::Empty) {
    if (ka == Kind::Str) return TextOf(a).empty() ? 0 : 1;
    if (ka == Kind::Bool) return a.RawData().b ? 1 : 0;
    return CompareNum(NumOf(a), Num(Kind::Int));
  }
  if (ka == Kind::Str && kb == Kind::Str) return AnsiCompareStr(TextOf(a), TextOf(b));
  if (ka == Kind::Bool || kb == Kind::Bool) {
    if (ka == Kind::Bool && kb == Kind::Bool) return Sign3(a.RawData().b, b.RawData().b);
    if (ka == Kind::Str || kb == Kind::Str) return Sign3(ToBoolImpl(a), ToBoolImpl(b));
  }
  if ((ka == Kind::Str && kb == Kind::Date) || (ka == Kind::Date && kb == Kind::Str))
    return Sign3(ToDoubleImpl(a, varDate), ToDoubleImpl(b, varDate));
  return CompareNum(NumOf(a), NumOf(b));
}

}  // namespace

bool operator==(const Variant& a, const Variant& b) { return CompareImpl(a, b) == 0; }
bool operator<(const Variant& a, const Variant& b) { return CompareImpl(a, b) < 0; }
bool operator>(const Variant& a, const Variant& b) { return CompareImpl(a, b) > 0; }
bool operator<=(const Variant& a, const Variant& b) { return CompareImpl(a, b) <= 0; }
bool operator>=(const Variant& a, const Variant& b) { return CompareImpl(a, b) >= 0; }

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  TVarType ta = a.VType(), tb = b.VType();
  if (ta == varEmpty) return tb == varEmpty ? vrEqual : vrNotEqual;
  if (ta == varNull) return tb == varNull ? vrEqual : vrNotEqual;
  if (tb == varEmpty || tb == varNull) return vrNotEqual;
  int c = CompareImpl(a, b);
  return c == 0 ? vrEqual : (c < 0 ? vrLessThan : vrGreaterThan);
}

bool VarSameValue(const Variant& a, const Variant& b) {
  TVarType ta = a.VType(), tb = b.VType();
  if (ta == varEmpty) return tb == varEmpty;
  if (ta == varNull) return tb == varNull;
  if (tb == varEmpty || tb == varNull) return false;
  return a == b;
}

// ---------------------------------------------------------------------------------------------------
// Arithmetic and logic

namespace {

enum class Op { Add, Sub, Mul, Div, IntDiv, Mod, And, Or, Xor };

// Empty stands for the neutral value of the other operand's kind.
Variant EmptyFor(const Variant& other) {
  switch (KindOf(other)) {
    case Kind::Str: return Variant(String());
    case Kind::Bool: return Variant(false);
    default: return MakeInt(varInteger, 0);
  }
}

// Reads an operand of an integer operation (div, mod, and, or, xor): floats and text are rounded.
int64_t IntOperand(const Variant& v) { return ToInt64Impl(v, varInt64); }

bool WideInt(const Variant& v) { return v.VType() == varInt64; }

Variant Arith(Op op, const Variant& a0, const Variant& b0) {
  if (VarIsArray(a0) || VarIsArray(b0)) VariantInvalidOp();
  Kind ka = KindOf(a0), kb = KindOf(b0);
  if (ka == Kind::Other || kb == Kind::Other) VariantInvalidOp();
  if (ka == Kind::Null || kb == Kind::Null) return Variant::Null();
  if (ka == Kind::Empty || kb == Kind::Empty) {
    Variant a = ka == Kind::Empty ? EmptyFor(b0) : a0;
    Variant b = kb == Kind::Empty ? EmptyFor(a) : b0;
    return Arith(op, a, b);
  }
  const Variant& a = a0;
  const Variant& b = b0;

  switch (op) {
    case Op::And: case Op::Or: case Op::Xor: {
      bool boolish = (ka == Kind::Bool && kb == Kind::Bool) || (ka == Kind::Bool && kb == Kind::Str) ||
                     (ka == Kind::Str && kb == Kind::Bool);
      if (boolish) {
        bool x = ToBoolImpl(a), y = ToBoolImpl(b);
        return Variant(op == Op::And ? (x && y) : op == Op::Or ? (x || y) : (x != y));
      }
      int64_t x = IntOperand(a), y = IntOperand(b);
      int64_t r = op == Op::And ? (x & y) : op == Op::Or ? (x | y) : (x ^ y);
      return IntResult(r, WideInt(a) || WideInt(b));
    }
    case Op::IntDiv: case Op::Mod: {
      int64_t x = IntOperand(a), y = IntOperand(b);
      if (y == 0) throw EZeroDivide("Division by zero");
      if (y == -1) return IntResult(op == Op::IntDiv ? -static_cast<i128>(x) : 0, WideInt(a) || WideInt(b));
      return IntResult(op == Op::IntDiv ? x / y : x % y, WideInt(a) || WideInt(b));
    }
    case Op::Div: {
      double x = ToDoubleImpl(a, varDouble), y = ToDoubleImpl(b, varDouble);
      if (y == 0) {
        if (x == 0 || std::isnan(x)) throw EMathError("Invalid floating point operation");
        throw EZeroDivide("Floating point division by zero");
      }
      return Variant(x / y);
    }
    default: break;
  }

  if (op == Op::Add && ka == Kind::Str && kb == Kind::Str) {
    if (a.VType() == varOleStr || b.VType() == varOleStr) return Variant(a.AsWideString() + b.AsWideString());
    return Variant(TextOf(a) + TextOf(b));
  }

  // Dates: a date moved by a number stays a date; anything else about dates is a Double.
  if (ka == Kind::Date || kb == Kind::Date) {
    double x = ToDoubleImpl(a, varDouble), y = ToDoubleImpl(b, varDouble);
    double r = op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y;
    bool keepsDate = (op == Op::Add && (ka == Kind::Date) != (kb == Kind::Date)) ||
                     (op == Op::Sub && ka == Kind::Date && kb != Kind::Date);
    if (keepsDate && ka != Kind::Str && kb != Kind::Str) return MakeDate(r);
    return Variant(r);
  }

  bool anyFloat = ka == Kind::Float || kb == Kind::Float || ka == Kind::Str || kb == Kind::Str;
  if (ka == Kind::Bcd || kb == Kind::Bcd) {
    if (!anyFloat) {
      TBcd x = VarToBcd(a), y = VarToBcd(b), r;
      if (op == Op::Add) BcdAdd(x, y, r);
      else if (op == Op::Sub) BcdSubtract(x, y, r);
      else BcdMultiply(x, y, r);
      return VarFMTBcdCreate(r);
    }
    anyFloat = true;
  }
  if (anyFloat) {
    if (a.VType() == varSingle && b.VType() == varSingle) {
      float x = a.RawData().f, y = b.RawData().f;
      return Variant(op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y);
    }
    double x = ToDoubleImpl(a, varDouble), y = ToDoubleImpl(b, varDouble);
    return Variant(op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y);
  }
  if (ka == Kind::Cur || kb == Kind::Cur) {
    Currency x = ToCurrencyImpl(a), y = ToCurrencyImpl(b);
    try {
      if (op == Op::Mul) {
        if (ka == Kind::Cur && kb == Kind::Cur) return Variant(x * y);
        return Variant(ka == Kind::Cur ? x * IntOperand(b) : y * IntOperand(a));
      }
      i128 r = op == Op::Add ? static_cast<i128>(x.Value) + y.Value : static_cast<i128>(x.Value) - y.Value;
      if (r < std::numeric_limits<int64_t>::min() || r > std::numeric_limits<int64_t>::max()) VariantOverflow();
      return Variant(Currency::FromScaled(static_cast<int64_t>(r)));
    } catch (const EMathError&) {
      VariantOverflow();
    }
  }
  // Integers and Booleans.
  i128 x = IntOperand(a), y = IntOperand(b);
  i128 r = op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y;
  return IntResult(r, WideInt(a) || WideInt(b));
}

}  // namespace

Variant operator+(const Variant& a, const Variant& b) { return Arith(Op::Add, a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(Op::Sub, a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(Op::Mul, a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arith(Op::Div, a, b); }
Variant operator%(const Variant& a, const Variant& b) { return Arith(Op::Mod, a, b); }
Variant operator&(const Variant& a, const Variant& b) { return Arith(Op::And, a, b); }
Variant operator|(const Variant& a, const Variant& b) { return Arith(Op::Or, a, b); }
Variant operator^(const Variant& a, const Variant& b) { return Arith(Op::Xor, a, b); }
Variant VarIntDiv(const Variant& a, const Variant& b) { return Arith(Op::IntDiv, a, b); }

Variant operator-(const Variant& a) {
  TVarType t = a.VType();
  switch (KindOf(a)) {
    case Kind::Null: return a;
    case Kind::Empty: return MakeInt(varInteger, 0);
    case Kind::Float:
      return t == varSingle ? Variant(-a.RawData().f) : Variant(-a.RawData().d);
    case Kind::Date:
      return MakeDate(-ToDoubleImpl(a, varDate));
    case Kind::Cur:
      if (a.RawData().i64 == std::numeric_limits<int64_t>::min()) VariantOverflow();
      return Variant(Currency::FromScaled(-a.RawData().i64));
    case Kind::Str: return Variant(-ToDoubleImpl(a, varDouble));
    case Kind::Bcd: {
      TBcd r = BcdOf(a);
      if (BcdCompare(r, IntegerToBcd(0)) != 0) r.SignSpecialPlaces ^= 0x80;
      return VarFMTBcdCreate(r);
    }
    case Kind::Bool: case Kind::Int: {
      i128 r = -static_cast<i128>(IntOperand(a));
      // Signed types keep their type while the result fits.
      if (t == varSmallint && r >= INT16_MIN && r <= INT16_MAX) return MakeInt(t, static_cast<int64_t>(r));
      if (t == varShortInt && r >= INT8_MIN && r <= INT8_MAX) return MakeInt(t, static_cast<int64_t>(r));
      return IntResult(r, t == varInt64);
    }
    default: VariantInvalidOp();
  }
}

Variant operator~(const Variant& a) {
  switch (KindOf(a)) {
    case Kind::Null: return a;
    case Kind::Bool: return Variant(!a.RawData().b);
    case Kind::Str: {
      bool b;
      String s = TrimBlanks(TextOf(a));
      if (AsciiSameText(s, "True") || AsciiSameText(s, "False")) {
        TextToBoolImpl(s, b);
        return Variant(!b);
      }
      return IntResult(~IntOperand(a), false);
    }
    case Kind::Other: VariantInvalidOp();
    default:
      if (VarIsArray(a)) VariantInvalidOp();
      return IntResult(~IntOperand(a), a.VType() == varInt64);
  }
}

// ---------------------------------------------------------------------------------------------------
// Custom kinds

Variant VarFMTBcdCreate(const TBcd& bcd) {
  Variant::Data d;
  d.p = new TBcd(bcd);
  Variant r;
  r.SetRaw(kFMTBcd, d);
  return r;
}

bool VarIsFMTBcd(const Variant& v) { return v.VType() == kFMTBcd; }

TBcd VarToBcd(const Variant& v) {
  TVarType t = v.VType();
  if (t == kFMTBcd) return BcdOf(v);
  if (t == varNull) VariantCastError(t, kFMTBcd);
  if (t == varEmpty || t == varBoolean || IsIntType(t)) return IntegerToBcd(ToInt64Impl(v, kFMTBcd));
  if (t == varCurrency) {
    TBcd b;
    CurrToBCD(Currency::FromScaled(v.RawData().i64), b);
    return b;
  }
  if (IsStrType(t)) {
    TBcd b;
    if (!TryStrToBcd(TextOf(v), b)) VariantCastError(t, kFMTBcd);
    return b;
  }
  if (VarIsArray(v) || KindOf(v) == Kind::Other) VariantCastError(t, kFMTBcd);
  return DoubleToBcd(ToDoubleImpl(v, kFMTBcd));
}

Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts) {
  Variant::Data d;
  d.p = new TSQLTimeStamp(ts);
  Variant r;
  r.SetRaw(kSQLTimeStamp, d);
  return r;
}

Variant VarSQLTimeStampCreate(TDateTime dt) { return VarSQLTimeStampCreate(DateTimeToSQLTimeStamp(dt)); }

bool VarIsSQLTimeStamp(const Variant& v) { return v.VType() == kSQLTimeStamp; }

TSQLTimeStamp VarToSQLTimeStamp(const Variant& v) {
  if (v.VType() == kSQLTimeStamp) return TsOf(v);
  return DateTimeToSQLTimeStamp(v.AsDateTime());
}
