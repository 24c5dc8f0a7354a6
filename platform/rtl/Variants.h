#pragma once
// Variant: the platform's tagged value with its OLE-compatible type codes, conversion rules, comparison and
// arithmetic, and arrays with arbitrary bounds that copy by value.
//
// Conversions follow the platform: Empty reads as 0, "" or False; Null converts to nothing but text through
// VarToStr (casting Null throws EVariantTypeCastError); True is -1 as a number and "True" as text; text reads
// as a number, a date or a Boolean through the regional settings (FormatSettings()).

#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <utility>
#include <vector>

#include "rtl/Currency.h"
#include "rtl/System.h"

using TVarType = uint16_t;

enum : TVarType {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varOleStr = 0x0008,
  varDispatch = 0x0009,
  varError = 0x000A,
  varBoolean = 0x000B,
  varVariant = 0x000C,
  varUnknown = 0x000D,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varString = 0x0100,
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
  varByRef = 0x4000,
};

// The custom kinds get their codes the way registered custom variant types do, above varString.
TVarType VarSQLTimeStamp();  // see rtl/SqlTimSt.h
TVarType VarFMTBcd();        // see rtl/FMTBcd.h

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Errors. Every variant failure is an EVariantError; the subclasses say which kind.
RTL_EXCEPTION(EVariantInvalidOpError, EVariantError)     // "Invalid variant operation"
RTL_EXCEPTION(EVariantTypeCastError, EVariantError)      // "Could not convert variant of type (X) into type (Y)"
RTL_EXCEPTION(EVariantOverflowError, EVariantError)      // "Variant overflow"
RTL_EXCEPTION(EVariantInvalidArgError, EVariantError)    // "Invalid argument"
RTL_EXCEPTION(EVariantBadVarTypeError, EVariantError)    // "Invalid variant type"
RTL_EXCEPTION(EVariantBadIndexError, EVariantError)      // "Variant or safe array index out of bounds"
RTL_EXCEPTION(EVariantArrayCreateError, EVariantError)   // "Error creating variant or safe array"

class Variant;

// A writable element of a one-dimensional array, as returned by the non-const operator[].
class VarArrayElement {
public:
  VarArrayElement(Variant& array, int32_t index) : FArray(array), FIndex(index) {}
  VarArrayElement& operator=(const Variant& value);
  VarArrayElement& operator=(const VarArrayElement& other);
  operator Variant() const;
  Variant Value() const;

private:
  Variant& FArray;
  int32_t FIndex;
};

class Variant {
public:
  Variant() noexcept : FType(varEmpty) { FData.i64 = 0; }
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept : FType(other.FType), FData(other.FData) {
    other.FType = varEmpty;
    other.FData.i64 = 0;
  }
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { Clear(); }

  // Integers pick the type code of their width and signedness: bool varBoolean, int8 varShortInt,
  // uint8 varByte, int16 varSmallint, uint16 varWord, int32 varInteger, uint32 varLongWord, 64-bit
  // varInt64 (an unsigned 64-bit value above the Int64 range throws EVariantOverflowError); a char
  // is a one-character String, a char16_t a one-character OleStr.
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  Variant(T v) {
    if constexpr (std::is_same_v<T, bool>) {
      FType = varBoolean;
      FData.b = v;
    } else if constexpr (std::is_same_v<T, char>) {
      FType = varEmpty;
      InitString(&v, 1);
    } else if constexpr (std::is_same_v<T, char16_t>) {
      FType = varEmpty;
      InitWideString(&v, 1);
    } else if constexpr (sizeof(T) == 1) {
      FType = std::is_signed_v<T> ? varShortInt : varByte;
      FData.i64 = v;
    } else if constexpr (sizeof(T) == 2) {
      FType = std::is_signed_v<T> ? varSmallint : varWord;
      FData.i64 = v;
    } else if constexpr (sizeof(T) == 4) {
      FType = std::is_signed_v<T> ? varInteger : varLongWord;
      FData.i64 = v;
    } else if constexpr (std::is_signed_v<T>) {
      FType = varInt64;
      FData.i64 = v;
    } else {
      FType = varEmpty;
      InitUInt64(v);
    }
  }
  Variant(float v) : FType(varSingle) { FData.f = v; }
  Variant(double v) : FType(varDouble) { FData.d = v; }
  Variant(Currency v) : FType(varCurrency) { FData.i64 = v.Value; }
  Variant(const char* s);
  Variant(const String& s);
  Variant(String&& s);
  Variant(const WideString& s);
  Variant(const char16_t* s);

  static Variant FromDateTime(TDateTime dt);
  static Variant Null();
  static Variant Unassigned() { return Variant(); }

  TVarType VType() const { return FType; }
  void Clear() noexcept;

  // Conversions by the platform's rules; failures throw EVariantTypeCastError (or EVariantOverflowError
  // when the value is out of the target's range).
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  String AsString() const;
  WideString AsWideString() const;

  // One-dimensional array access; the non-const form writes through, converting to the element type.
  Variant operator[](int32_t index) const;
  VarArrayElement operator[](int32_t index);

  // Implementation access for the runtime's own routines (arrays, custom kinds).
  struct ArrayData;
  union Data {
    bool b;
    float f;
    double d;
    int64_t i64;  // every integer type, Currency's scaled value
    void* p;      // String, WideString, ArrayData or a custom kind's record
  };
  Data& RawData() { return FData; }
  const Data& RawData() const { return FData; }
  void SetRaw(TVarType type, Data data) noexcept {
    Clear();
    FType = type;
    FData = data;
  }

private:
  void InitString(const char* s, size_t n);
  void InitWideString(const char16_t* s, size_t n);
  void InitUInt64(uint64_t v);

  TVarType FType;
  Data FData;
};

inline Variant Null() { return Variant::Null(); }
inline Variant Unassigned() { return Variant(); }
inline Variant VarFromDateTime(TDateTime dt) { return Variant::FromDateTime(dt); }

// Type tests
TVarType VarType(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsClear(const Variant& v);
bool VarIsOrdinal(const Variant& v);  // the integer types and Boolean
bool VarIsFloat(const Variant& v);    // Single, Double, Currency
bool VarIsNumeric(const Variant& v);  // ordinal or float
bool VarIsStr(const Variant& v);      // String or OleStr
bool VarIsArray(const Variant& v);
bool VarIsType(const Variant& v, TVarType type);
bool VarIsType(const Variant& v, std::initializer_list<TVarType> types);
// The platform's type name: "Empty", "Null", "Integer", "String", "OleStr", "Array Variant", ...
String VarTypeAsText(TVarType type);

// Conversions
Variant VarAsType(const Variant& v, TVarType type);
String VarToStr(const Variant& v);                           // Null and Empty give ""
String VarToStrDef(const Variant& v, const String& deflt);  // Null gives deflt, Empty ""
WideString VarToWideStr(const Variant& v);
TDateTime VarToDateTime(const Variant& v);

// Comparison. The operators follow the platform's rules: Null equals only Null and orders below every
// other value; Empty equals Empty and otherwise stands for 0, "" or False; text against a number, date or
// Boolean is read as one (EVariantTypeCastError when it is none); two texts compare in the locale-like
// order of AnsiCompareStr (case-sensitive); False orders below True; arrays do not compare
// (EVariantInvalidOpError).
bool operator==(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);
// Empty and Null are equal only to themselves and vrNotEqual to anything else; the rest as the operators.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);

// Arithmetic and logic. Null in gives Null out. Integers give Integer (Int64 when an operand is Int64 or
// the result needs it), any float gives Double (Single with Single stays Single), Currency with integers or
// Currency stays Currency, an FMTBcd with integers, Currency or FMTBcd stays an exact FMTBcd, a date plus or
// minus a number stays a date, two strings concatenate under "+", text with a number is read as a Double,
// True counts as -1. div and mod round float operands to integers first. A result out of range throws
// EVariantOverflowError; a zero divisor EZeroDivide ("Division by zero", or "Floating point division by
// zero" for "/").
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);  // always Double
Variant operator%(const Variant& a, const Variant& b);  // mod
Variant operator&(const Variant& a, const Variant& b);  // and: Booleans logically, integers bitwise
Variant operator|(const Variant& a, const Variant& b);  // or
Variant operator^(const Variant& a, const Variant& b);  // xor
Variant operator-(const Variant& a);                    // negation
Variant operator~(const Variant& a);                    // not: Booleans logically, integers bitwise
Variant VarIntDiv(const Variant& a, const Variant& b);  // div
inline Variant VarMod(const Variant& a, const Variant& b) { return a % b; }
inline Variant VarNot(const Variant& a) { return ~a; }

// Arrays. Bounds are {low, high} pairs, one per dimension (at most 64); elements of a typed array hold that
// type's zero, of a varVariant array Empty. Element order for multi-dimensional arrays keeps the last
// dimension outermost so that VarArrayRedim keeps the contents. A non-array argument throws
// EVariantInvalidArgError "Invalid argument", a wrong index or index count (or dimension number)
// EVariantBadIndexError, bad bounds or element types EVariantArrayCreateError. Writing into a typed array
// converts the value to the element type first.
Variant VarArrayCreate(std::initializer_list<int32_t> bounds, TVarType elementType);
Variant VarArrayCreate(const std::vector<int32_t>& bounds, TVarType elementType);
Variant VarArrayOf(std::initializer_list<Variant> values);  // varVariant elements, bounds 0..n-1
Variant VarArrayOf(const std::vector<Variant>& values);
int32_t VarArrayDimCount(const Variant& a);  // 0 for a non-array
int32_t VarArrayLowBound(const Variant& a, int32_t dim);   // dim counts from 1
int32_t VarArrayHighBound(const Variant& a, int32_t dim);
TVarType VarArrayElementType(const Variant& a);
Variant VarArrayGet(const Variant& a, const std::vector<int32_t>& indices);
void VarArrayPut(Variant& a, const Variant& value, const std::vector<int32_t>& indices);
// Changes the high bound of the last dimension, keeping the elements that stay in range.
void VarArrayRedim(Variant& a, int32_t highBound);
