#include "dbaccess/VariantRtn.h"

#include "rtl/SysUtils.h"

namespace {
thread_local TArrayIndex tIndex = {};

template <class T>
int32_t Sign(T a, T b) {
  return a > b ? 1 : (a < b ? -1 : 0);
}

bool IsNone(const Variant& v) { return v.VType() == varEmpty || v.VType() == varNull; }

bool IsSmallInteger(TVarType t) {
  return t == varSmallint || t == varInteger || t == varShortInt || t == varByte || t == varWord ||
         t == varLongWord;
}
bool IsFloating(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }
bool IsText(TVarType t) { return t == varString || t == varOleStr; }

// The text of b read as a number, by the platform's conversion (which fails on text that is none).
double TextAsFloat(const Variant& b) { return StrToFloat(b.AsString()); }

// a is an integer of any width.
int32_t CompareInteger(int64_t a, const Variant& b) {
  const TVarType t = b.VType();
  if (IsSmallInteger(t) || t == varInt64) return Sign<int64_t>(a, b.AsInt64());
  if (IsFloating(t)) return Sign<long double>(static_cast<long double>(a), b.AsDouble());
  if (t == varCurrency) return Sign<__int128>(static_cast<__int128>(a) * 10000, b.RawData().i64);
  if (IsText(t)) return Sign<long double>(static_cast<long double>(a), TextAsFloat(b));
  return 0;
}

int32_t CompareFloat(double a, const Variant& b) {
  const TVarType t = b.VType();
  if (IsSmallInteger(t) || t == varInt64) return Sign<long double>(a, static_cast<long double>(b.AsInt64()));
  if (IsFloating(t)) return Sign<double>(a, b.AsDouble());
  if (t == varCurrency) return Sign<long double>(static_cast<long double>(a) * 10000, b.RawData().i64);
  if (IsText(t)) return Sign<double>(a, TextAsFloat(b));
  return 0;
}

int32_t CompareCurrency(int64_t count, const Variant& b) {
  const TVarType t = b.VType();
  if (t == varCurrency) return Sign<int64_t>(count, b.RawData().i64);
  if (IsSmallInteger(t) || t == varInt64) return Sign<__int128>(count, static_cast<__int128>(b.AsInt64()) * 10000);
  if (IsFloating(t)) return Sign<long double>(count, static_cast<long double>(b.AsDouble()) * 10000);
  if (IsText(t)) return Sign<long double>(count, static_cast<long double>(TextAsFloat(b)) * 10000);
  return 0;
}

WideString AsWide(const Variant& b) { return b.VType() == varOleStr ? b.AsWideString() : VarToWideStr(b); }
}  // namespace

int32_t CompareVariants(const Variant& a, const Variant& b) {
  // Null orders explicitly: a missing value never equals a present one.
  if (IsNone(a) || IsNone(b)) return IsNone(a) ? (IsNone(b) ? 0 : -1) : 1;
  switch (a.VType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return CompareInteger(a.RawData().i64, b);
    case varSingle: case varDouble: case varDate:
      return CompareFloat(a.AsDouble(), b);
    case varCurrency:
      return CompareCurrency(a.RawData().i64, b);
    case varOleStr: {
      const int32_t c = WideCompareStr(a.AsWideString(), AsWide(b));
      return c == 0 ? 0 : (c > 0 ? 1 : -1);
    }
    case varString: {
      if (b.VType() == varOleStr) {
        const int32_t c = WideCompareStr(a.AsWideString(), b.AsWideString());
        return c == 0 ? 0 : (c > 0 ? 1 : -1);
      }
      const int32_t c = AnsiCompareStr(a.AsString(), VarToStr(b));
      return c == 0 ? 0 : (c > 0 ? 1 : -1);
    }
    default:
      switch (VarCompareValue(a, b)) {
        case vrEqual: return 0;
        case vrGreaterThan: return 1;
        default: return -1;
      }
  }
}

bool VariantsEqual(const Variant& a, const Variant& b) {
  if (IsNone(a) || IsNone(b)) return IsNone(a) && IsNone(b);
  if (a.VType() == varOleStr) return a.AsWideString() == AsWide(b);
  if (a.VType() == varString)
    return b.VType() == varOleStr ? a.AsWideString() == b.AsWideString() : a.AsString() == VarToStr(b);
  return CompareVariants(a, b) == 0;
}

bool VariantsIncomparable(const Variant& a, const Variant& b) {
  const TVarType ta = a.VType(), tb = b.VType();
  const bool numA = VarIsNumeric(a) && ta != varBoolean, numB = VarIsNumeric(b) && tb != varBoolean;
  if (ta == varDate) return !(numB || tb == varDate);
  if (ta == varBoolean) return tb != varBoolean;
  if (tb == varDate) return !numA;
  if (tb == varBoolean) return true;
  return numA != numB;
}

bool VarArraysEqual(const Variant& a, const Variant& b, int32_t n) {
  try {
    for (int32_t i = 0; i <= n; ++i)
      if (!(VarArrayGet(a, {i}) == VarArrayGet(b, {i}))) return false;
  } catch (const Exception&) {
    return false;
  }
  return true;
}

void VarArrayCreateDims(const std::vector<int32_t>& bounds, TVarType elementType, Variant& result, int32_t count) {
  static const char* const kCannotCreate = "Unable to create variant array.";
  if (count > 64 || count < 1 || bounds.size() < static_cast<size_t>(count) * 2)
    throw EVariantArrayCreateError(kCannotCreate);
  try {
    Variant created = VarArrayCreate(std::vector<int32_t>(bounds.begin(), bounds.begin() + count * 2), elementType);
    result = std::move(created);
  } catch (const EVariantError&) {
    throw EVariantArrayCreateError(kCannotCreate);
  }
}

namespace {
void CheckArrayAccess(const Variant& array, int32_t count, size_t indexCount) {
  if (!VarIsArray(array)) throw EVariantInvalidArgError("Variant is not an array.");
  if (count != VarArrayDimCount(array) || indexCount < static_cast<size_t>(count)) throw EVariantBadIndexError("Variant array index out of bounds.");
}
}  // namespace

void VarArrayGetAt(Variant& result, const Variant& array, int32_t count, const std::vector<int32_t>& indices) {
  CheckArrayAccess(array, count, indices.size());
  result.Clear();
  try {
    result = VarArrayGet(array, std::vector<int32_t>(indices.begin(), indices.begin() + count));
  } catch (const EVariantError&) {
    throw EVariantBadIndexError("Variant array index out of bounds.");
  }
}

void VarArrayPutAt(Variant& array, const Variant& value, int32_t count, const std::vector<int32_t>& indices) {
  CheckArrayAccess(array, count, indices.size());
  const std::vector<int32_t> at(indices.begin(), indices.begin() + count);
  // Arrays of variants keep text as wide strings, as the safe arrays behind them do.
  const bool widen = VarArrayElementType(array) == varVariant && value.VType() == varString;
  try {
    VarArrayPut(array, widen ? Variant(value.AsWideString()) : value, at);
  } catch (const EVariantBadIndexError&) {
    throw EVariantBadIndexError("Variant array index out of bounds.");
  }
}

const TArrayIndex& CurrentArrayIndex() { return tIndex; }

void ResetArrayIndex(const Variant& array) {
  tIndex.fill(0);
  const int32_t dims = VarArrayDimCount(array);
  for (int32_t d = 0; d < dims && d < 17; ++d) tIndex[static_cast<size_t>(d)] = VarArrayLowBound(array, d + 1);
}

bool NextArrayIndex(const Variant& array) {
  const int32_t dims = VarArrayDimCount(array);
  for (int32_t d = dims - 1; d >= 0; --d) {
    int32_t& slot = tIndex[static_cast<size_t>(d)];
    if (slot < VarArrayHighBound(array, d + 1)) {
      ++slot;
      return true;
    }
    slot = VarArrayLowBound(array, d + 1);
  }
  return false;
}

namespace {
std::vector<int32_t> IndexVector(int32_t dims) { return std::vector<int32_t>(tIndex.begin(), tIndex.begin() + dims); }
}  // namespace

bool ForEachArrayElement(const Variant& array, const TArrayElementVisitor& visitor) {
  if (!visitor || !VarIsArray(array)) return false;
  const int32_t dims = VarArrayDimCount(array);
  ResetArrayIndex(array);
  bool goOn = true;
  do {
    Variant value;
    VarArrayGetAt(value, array, dims, IndexVector(dims));
    goOn = true;
    visitor(value, tIndex, goOn, dims - 1);
  } while (goOn && NextArrayIndex(array));
  return goOn;
}

bool MapArrayElements(Variant& array, const TArrayElementMapper& visitor) {
  if (!visitor || !VarIsArray(array)) return false;
  const int32_t dims = VarArrayDimCount(array);
  ResetArrayIndex(array);
  bool goOn = true;
  do {
    Variant value, newValue;
    VarArrayGetAt(value, array, dims, IndexVector(dims));
    goOn = true;
    visitor(value, tIndex, goOn, newValue);
    if (goOn) VarArrayPutAt(array, newValue, dims, IndexVector(dims));
  } while (goOn && NextArrayIndex(array));
  return goOn;
}
