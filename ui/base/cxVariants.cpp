#include "ui/base/cxVariants.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "rtl/SqlTimSt.h"
#include "rtl/FMTBcd.h"

// ---- comparison and tests ----------------------------------------------------------------------------

namespace {

// Values the platform cannot compare (a text that is no number against a number) still need one order, or a
// sort by them would depend on which value it happened to hold first: by type code, then by text.
int32_t CompareIncomparableVariants(const Variant& V1, const Variant& V2) {
  const TVarType t1 = VarType(V1), t2 = VarType(V2);
  if (t1 != t2) return t1 < t2 ? -1 : 1;
  String s1, s2;
  try {
    s1 = VarToStr(V1);
    s2 = VarToStr(V2);
  } catch (const EVariantError&) {
    return 0;
  }
  return s1 == s2 ? 0 : (s1 < s2 ? -1 : 1);
}

}  // namespace

int32_t CompareVariantValues(const Variant& V1, const Variant& V2) {
  if (VarIsArray(V1) || VarIsArray(V2)) return CompareVariantArrays(V1, V2);
  try {
    if (V1 == V2) return 0;
    if (VarIsNull(V1)) return -1;
    if (VarIsNull(V2)) return 1;
    return V1 < V2 ? -1 : 1;
  } catch (const EVariantError&) {
    return CompareIncomparableVariants(V1, V2);
  }
}

bool VariantValuesEqual(const Variant& V1, const Variant& V2) { return CompareVariantValues(V1, V2) == 0; }

bool VariantValuesEqualEx(const Variant& V1, const Variant& V2) {
  if (!VarIsNull(V1) && !VarIsNull(V2) && (VarType(V1) == varBoolean || VarType(V2) == varBoolean)) {
    try {
      return VarAsType(V1, varString).AsString() == VarAsType(V2, varString).AsString();
    } catch (const EVariantError&) {
      return false;
    }
  }
  return VariantValuesEqual(V1, V2);
}

int32_t CompareVariantArrays(const Variant& V1, const Variant& V2) {
  const bool array1 = VarIsArray(V1), array2 = VarIsArray(V2);
  if (array1 && !array2) return 1;
  if (!array1 && array2) return -1;
  if (!array1) return CompareVariantValues(V1, V2);
  const int32_t high1 = VarArrayHighBound(V1, 1), high2 = VarArrayHighBound(V2, 1);
  if (high1 != high2) return high1 - high2;
  // Arrays of this suite start at 0; an array that starts later is compared from its first element on.
  const int32_t low = std::max({0, VarArrayLowBound(V1, 1), VarArrayLowBound(V2, 1)});
  for (int32_t i = low; i <= high1; ++i) {
    int32_t r = CompareVariantValues(VarArrayGet(V1, {i}), VarArrayGet(V2, {i}));
    if (r != 0) return r;
  }
  return 0;
}

bool IsDateTimeVariant(const Variant& V) {
  TVarType t = VarType(V);
  return t == varDate || t == VarSQLTimeStamp();
}

bool IsNumericVariant(const Variant& V) { return VarIsNumeric(V) || VarType(V) == VarFMTBcd(); }

bool IsBlankVariant(const Variant& V) { return VarIsNull(V) || (VarIsStr(V) && V.AsString().empty()); }

// ---- builders ----------------------------------------------------------------------------------------

Variant CreateVariantPair(const Variant& V1, const Variant& V2) { return VarArrayOf({V1, V2}); }

Variant CreateVariantSingle(const Variant& V) { return VarArrayOf({V}); }

void CreateVariantPair(const Variant& V1, const Variant& V2, Variant& AResult) { AResult = CreateVariantPair(V1, V2); }

void CreateVariantSingle(const Variant& V, Variant& AResult) { AResult = CreateVariantSingle(V); }

void AppendVariantToArray(Variant& AArray, const Variant& AValue) {
  if (!VarIsArray(AArray)) {
    AArray = CreateVariantSingle(AValue);
    return;
  }
  const int32_t low = VarArrayLowBound(AArray, 1), high = VarArrayHighBound(AArray, 1);
  const int32_t last = high - low + 1;
  Variant result = VarArrayCreate({0, last}, varVariant);
  for (int32_t i = std::max(low, 0); i <= std::min(high, last - 1); ++i) VarArrayPut(result, VarArrayGet(AArray, {i}), {i});
  VarArrayPut(result, AValue, {last});
  AArray = std::move(result);
}

// ---- plain stream routines ---------------------------------------------------------------------------

namespace {
static_assert(std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10,
              "the 10-byte extended layout is the x87 80-bit format of long double");

[[noreturn]] void RaiseReadError() { throw EReadError(cxSReadError); }
[[noreturn]] void RaiseWriteError() { throw EWriteError(cxSWriteError); }

template <class T>
T ReadValue(TStream* AStream) {
  T value;
  AStream->ReadBuffer(&value, sizeof(T));
  return value;
}

template <class T>
void WriteValue(TStream* AStream, T value) {
  AStream->WriteBuffer(&value, sizeof(T));
}

int64_t BytesLeft(TStream* AStream) { return std::max<int64_t>(AStream->Size() - AStream->Position(), 0); }

// A length read from the stream, checked against what is left: a negative one is damage (the text of the
// tagged stream's read error), one beyond the end fails as reading past the end does.
void CheckLength(TStream* AStream, int32_t count, int64_t unitSize) {
  if (count < 0) RaiseReadError();
  if (static_cast<int64_t>(count) * unitSize > BytesLeft(AStream)) throw EReadError("Stream read error");
}

String ReadBytes(TStream* AStream, int32_t length) {
  CheckLength(AStream, length, 1);
  String s(static_cast<size_t>(length), '\0');
  if (length > 0) AStream->ReadBuffer(s.data(), length);
  return s;
}

WideString ReadWideChars(TStream* AStream, int32_t length) {
  CheckLength(AStream, length, 2);
  WideString s(static_cast<size_t>(length), u'\0');
  if (length > 0) AStream->ReadBuffer(s.data(), length * 2);
  return s;
}

void WriteWideChars(TStream* AStream, const WideString& AValue) {
  StreamWriteInt32(AStream, static_cast<int32_t>(AValue.size()));
  if (!AValue.empty()) AStream->WriteBuffer(AValue.data(), static_cast<int32_t>(AValue.size() * 2));
}
}  // namespace

String StreamReadAnsiString(TStream* AStream) { return ReadBytes(AStream, StreamReadInt32(AStream)); }
void StreamReadAnsiString(TStream* AStream, String& AValue) { AValue = StreamReadAnsiString(AStream); }
void StreamWriteAnsiString(TStream* AStream, const String& AValue) {
  StreamWriteInt32(AStream, static_cast<int32_t>(AValue.size()));
  if (!AValue.empty()) AStream->WriteBuffer(AValue.data(), static_cast<int32_t>(AValue.size()));
}

WideString StreamReadWideString(TStream* AStream) { return ReadWideChars(AStream, StreamReadInt32(AStream)); }
void StreamReadWideString(TStream* AStream, WideString& AValue) { AValue = StreamReadWideString(AStream); }
void StreamWriteWideString(TStream* AStream, const WideString& AValue) { WriteWideChars(AStream, AValue); }

bool StreamReadBoolean(TStream* AStream) { return ReadValue<uint8_t>(AStream) != 0; }
void StreamReadBoolean(TStream* AStream, bool& AValue) { AValue = StreamReadBoolean(AStream); }
void StreamWriteBoolean(TStream* AStream, bool AValue) { WriteValue<uint8_t>(AStream, AValue ? 1 : 0); }

uint8_t StreamReadByte(TStream* AStream) { return ReadValue<uint8_t>(AStream); }
void StreamReadByte(TStream* AStream, uint8_t& AValue) { AValue = StreamReadByte(AStream); }
void StreamWriteByte(TStream* AStream, uint8_t AValue) { WriteValue(AStream, AValue); }

int16_t StreamReadSmallInt(TStream* AStream) { return ReadValue<int16_t>(AStream); }
void StreamReadSmallInt(TStream* AStream, int16_t& AValue) { AValue = StreamReadSmallInt(AStream); }
void StreamWriteSmallInt(TStream* AStream, int16_t AValue) { WriteValue(AStream, AValue); }

uint16_t StreamReadWord(TStream* AStream) { return ReadValue<uint16_t>(AStream); }
void StreamReadWord(TStream* AStream, uint16_t& AValue) { AValue = StreamReadWord(AStream); }
void StreamWriteWord(TStream* AStream, uint16_t AValue) { WriteValue(AStream, AValue); }

int32_t StreamReadInt32(TStream* AStream) { return ReadValue<int32_t>(AStream); }
void StreamReadInt32(TStream* AStream, int32_t& AValue) { AValue = StreamReadInt32(AStream); }
void StreamWriteInt32(TStream* AStream, int32_t AValue) { WriteValue(AStream, AValue); }

int64_t StreamReadInt64(TStream* AStream) { return ReadValue<int64_t>(AStream); }
void StreamReadInt64(TStream* AStream, int64_t& AValue) { AValue = StreamReadInt64(AStream); }
void StreamWriteInt64(TStream* AStream, int64_t AValue) { WriteValue(AStream, AValue); }

Currency StreamReadCurrency(TStream* AStream) { return Currency::FromScaled(ReadValue<int64_t>(AStream)); }
void StreamReadCurrency(TStream* AStream, Currency& AValue) { AValue = StreamReadCurrency(AStream); }
void StreamWriteCurrency(TStream* AStream, Currency AValue) { WriteValue(AStream, AValue.Value); }

TDateTime StreamReadDateTime(TStream* AStream) { return ReadValue<double>(AStream); }
void StreamReadDateTime(TStream* AStream, TDateTime& AValue) { AValue = StreamReadDateTime(AStream); }
void StreamWriteDateTime(TStream* AStream, TDateTime AValue) { WriteValue<double>(AStream, AValue); }

long double StreamReadExtended(TStream* AStream) {
  uint8_t bytes[10];
  AStream->ReadBuffer(bytes, 10);
  long double value = 0;
  std::memcpy(&value, bytes, 10);
  return value;
}
void StreamReadExtended(TStream* AStream, long double& AValue) { AValue = StreamReadExtended(AStream); }
void StreamWriteExtended(TStream* AStream, long double AValue) {
  uint8_t bytes[10];
  std::memcpy(bytes, &AValue, 10);
  AStream->WriteBuffer(bytes, 10);
}

// ---- the tagged encoding -----------------------------------------------------------------------------

namespace {
void WriteTag(TStream* AStream, uint8_t tag) { StreamWriteByte(AStream, tag); }

void WriteTaggedInteger(TStream* AStream, int64_t value) {
  if (value >= -128 && value <= 127) {
    WriteTag(AStream, cxvtInt8);
    WriteValue<int8_t>(AStream, static_cast<int8_t>(value));
  } else if (value >= -32768 && value <= 32767) {
    WriteTag(AStream, cxvtInt16);
    WriteValue<int16_t>(AStream, static_cast<int16_t>(value));
  } else {
    WriteTag(AStream, cxvtInt32);
    WriteValue<int32_t>(AStream, static_cast<int32_t>(value));
  }
}

void WriteTaggedString(TStream* AStream, const String& s) {
  if (s.size() <= 255) {
    WriteTag(AStream, cxvtString);
    StreamWriteByte(AStream, static_cast<uint8_t>(s.size()));
  } else {
    if (s.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) RaiseWriteError();
    WriteTag(AStream, cxvtLString);
    StreamWriteInt32(AStream, static_cast<int32_t>(s.size()));
  }
  if (!s.empty()) AStream->WriteBuffer(s.data(), static_cast<int32_t>(s.size()));
}

// A list count is a tagged integer of its own.
int32_t ReadTaggedCount(TStream* AStream) {
  switch (StreamReadByte(AStream)) {
    case cxvtInt8: return ReadValue<int8_t>(AStream);
    case cxvtInt16: return ReadValue<int16_t>(AStream);
    case cxvtInt32: return ReadValue<int32_t>(AStream);
    default: RaiseReadError();
  }
}

Variant ReadTagged(TStream* AStream, int32_t depth) {
  const uint8_t tag = StreamReadByte(AStream);
  switch (tag) {
    case cxvtNull: return Variant::Null();
    case cxvtList: {
      if (depth >= cxMaxVariantNesting) RaiseReadError();
      const int32_t count = ReadTaggedCount(AStream);
      // Every element takes at least its tag byte: a count beyond the bytes left is damage, found before
      // the array is made.
      CheckLength(AStream, count, 1);
      Variant result = VarArrayCreate({0, count - 1}, varVariant);
      for (int32_t i = 0; i < count; ++i) VarArrayPut(result, ReadTagged(AStream, depth + 1), {i});
      return result;
    }
    case cxvtInt8: return Variant(ReadValue<int8_t>(AStream));
    case cxvtInt16: return Variant(ReadValue<int16_t>(AStream));
    case cxvtInt32: return Variant(ReadValue<int32_t>(AStream));
    case cxvtExtended: return Variant(static_cast<double>(StreamReadExtended(AStream)));
    case cxvtString: return Variant(ReadBytes(AStream, StreamReadByte(AStream)));
    case cxvtFalse: return Variant(false);
    case cxvtTrue: return Variant(true);
    case cxvtLString: return Variant(ReadBytes(AStream, StreamReadInt32(AStream)));
    case cxvtNil: return Variant();
    case cxvtSingle: return Variant(ReadValue<float>(AStream));
    case cxvtCurrency: return Variant(StreamReadCurrency(AStream));
    case cxvtDate: return Variant::FromDateTime(StreamReadDateTime(AStream));
    case cxvtWString: return Variant(ReadWideChars(AStream, StreamReadInt32(AStream)));
    default: RaiseReadError();
  }
}
}  // namespace

Variant StreamReadVariant(TStream* AStream) { return ReadTagged(AStream, 0); }
void StreamReadVariant(TStream* AStream, Variant& AValue) { AValue = StreamReadVariant(AStream); }

void StreamWriteVariant(TStream* AStream, const Variant& AValue) {
  if (VarIsArray(AValue)) {
    if (VarArrayDimCount(AValue) != 1) RaiseWriteError();
    const int32_t low = VarArrayLowBound(AValue, 1), high = VarArrayHighBound(AValue, 1);
    WriteTag(AStream, cxvtList);
    WriteTaggedInteger(AStream, static_cast<int64_t>(high) - low + 1);
    for (int32_t i = low; i <= high; ++i) StreamWriteVariant(AStream, VarArrayGet(AValue, {i}));
    return;
  }
  switch (VarType(AValue) & varTypeMask) {
    case varEmpty: WriteTag(AStream, cxvtNil); return;
    case varNull: WriteTag(AStream, cxvtNull); return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte: WriteTaggedInteger(AStream, AValue.AsInt64()); return;
    case varSingle:
      WriteTag(AStream, cxvtSingle);
      WriteValue<float>(AStream, AValue.RawData().f);
      return;
    case varDouble:
      WriteTag(AStream, cxvtExtended);
      StreamWriteExtended(AStream, AValue.AsDouble());
      return;
    case varCurrency:
      WriteTag(AStream, cxvtCurrency);
      StreamWriteCurrency(AStream, AValue.AsCurrency());
      return;
    case varDate:
      WriteTag(AStream, cxvtDate);
      StreamWriteDateTime(AStream, AValue.AsDateTime());
      return;
    case varOleStr:
      WriteTag(AStream, cxvtWString);
      WriteWideChars(AStream, AValue.AsWideString());
      return;
    case varBoolean: WriteTag(AStream, AValue.AsBoolean() ? cxvtTrue : cxvtFalse); return;
    case varString: WriteTaggedString(AStream, AValue.AsString()); return;
    default: {
      // Every other kind travels as its text.
      String text;
      try {
        text = VarToStr(AValue);
      } catch (const EVariantError&) {
        RaiseWriteError();
      }
      WriteTaggedString(AStream, text);
    }
  }
}
