#pragma once
// The suite's variant routines: a three-way compare (arrays included) that sorting and filtering rely
// on, equality and type tests, small array builders, typed little-endian stream readers and writers, and
// a tagged byte encoding of a variant.
//
// Every reader checks a length or count it reads against the bytes left in the stream before it
// allocates anything, so damaged data ends in EReadError in bounded time and memory.

#include <cstdint>

#include "rtl/Currency.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"

// The tags of the tagged encoding (the component streamer's value kinds).
enum : uint8_t {
  cxvtNull = 0,
  cxvtList = 1,
  cxvtInt8 = 2,
  cxvtInt16 = 3,
  cxvtInt32 = 4,
  cxvtExtended = 5,
  cxvtString = 6,
  cxvtFalse = 8,
  cxvtTrue = 9,
  cxvtLString = 12,
  cxvtNil = 13,  // Empty
  cxvtSingle = 15,
  cxvtCurrency = 16,
  cxvtDate = 17,
  cxvtWString = 18,
};

// The messages of the tagged stream's failures.
inline constexpr const char* cxSReadError = "Ошибка чтения из потока";
inline constexpr const char* cxSWriteError = "Ошибка записи в поток";

// Nested lists deeper than this are refused as damaged data (EReadError) instead of exhausting the stack.
inline constexpr int32_t cxMaxVariantNesting = 256;

// -1, 0 or 1; arrays compare by their high bounds first (the difference is returned), then element by
// element. Values the platform cannot compare are ordered by their type codes, then by their texts, so that
// the answer for (b, a) is always the opposite of the one for (a, b).
int32_t CompareVariantValues(const Variant& V1, const Variant& V2);
bool VariantValuesEqual(const Variant& V1, const Variant& V2);
// As VariantValuesEqual, except that a Boolean against a non-Null value compares as text.
bool VariantValuesEqualEx(const Variant& V1, const Variant& V2);
int32_t CompareVariantArrays(const Variant& V1, const Variant& V2);
bool IsDateTimeVariant(const Variant& V);
bool IsNumericVariant(const Variant& V);
bool IsBlankVariant(const Variant& V);

Variant CreateVariantPair(const Variant& V1, const Variant& V2);
void CreateVariantPair(const Variant& V1, const Variant& V2, Variant& AResult);
Variant CreateVariantSingle(const Variant& V);
void CreateVariantSingle(const Variant& V, Variant& AResult);
// Replaces AArray by a one-longer array with AValue last; a non-array becomes the array [AValue].
void AppendVariantToArray(Variant& AArray, const Variant& AValue);

// Plain little-endian layouts. Strings carry an Int32 length (bytes, or UTF-16 characters for wide ones).
String StreamReadAnsiString(TStream* AStream);
void StreamReadAnsiString(TStream* AStream, String& AValue);
// The reading worker under its own name.
inline void StreamReadAnsiStringProc(TStream* AStream, String& AValue) { StreamReadAnsiString(AStream, AValue); }
void StreamWriteAnsiString(TStream* AStream, const String& AValue);
WideString StreamReadWideString(TStream* AStream);
void StreamReadWideString(TStream* AStream, WideString& AValue);
void StreamWriteWideString(TStream* AStream, const WideString& AValue);
bool StreamReadBoolean(TStream* AStream);
void StreamReadBoolean(TStream* AStream, bool& AValue);
void StreamWriteBoolean(TStream* AStream, bool AValue);
uint8_t StreamReadByte(TStream* AStream);
void StreamReadByte(TStream* AStream, uint8_t& AValue);
void StreamWriteByte(TStream* AStream, uint8_t AValue);
int16_t StreamReadSmallInt(TStream* AStream);
void StreamReadSmallInt(TStream* AStream, int16_t& AValue);
void StreamWriteSmallInt(TStream* AStream, int16_t AValue);
// The same 2 bytes under the names the data controller's callers use.
inline int16_t StreamReadInt16(TStream* AStream) { return StreamReadSmallInt(AStream); }
inline void StreamReadInt16(TStream* AStream, int16_t& AValue) { StreamReadSmallInt(AStream, AValue); }
inline void StreamWriteInt16(TStream* AStream, int16_t AValue) { StreamWriteSmallInt(AStream, AValue); }
uint16_t StreamReadWord(TStream* AStream);
void StreamReadWord(TStream* AStream, uint16_t& AValue);
void StreamWriteWord(TStream* AStream, uint16_t AValue);
int32_t StreamReadInt32(TStream* AStream);
void StreamReadInt32(TStream* AStream, int32_t& AValue);
void StreamWriteInt32(TStream* AStream, int32_t AValue);
int64_t StreamReadInt64(TStream* AStream);
void StreamReadInt64(TStream* AStream, int64_t& AValue);
void StreamWriteInt64(TStream* AStream, int64_t AValue);
Currency StreamReadCurrency(TStream* AStream);
void StreamReadCurrency(TStream* AStream, Currency& AValue);
void StreamWriteCurrency(TStream* AStream, Currency AValue);
TDateTime StreamReadDateTime(TStream* AStream);
void StreamReadDateTime(TStream* AStream, TDateTime& AValue);
void StreamWriteDateTime(TStream* AStream, TDateTime AValue);
// The 10-byte 80-bit floating-point layout.
long double StreamReadExtended(TStream* AStream);
void StreamReadExtended(TStream* AStream, long double& AValue);
void StreamWriteExtended(TStream* AStream, long double AValue);
// The tagged encoding.
Variant StreamReadVariant(TStream* AStream);
void StreamReadVariant(TStream* AStream, Variant& AValue);
void StreamWriteVariant(TStream* AStream, const Variant& AValue);

// A memory stream that the data controller saves to and loads from; the stream is not owned.
class TcxFiler : public TObject {
  RTL_CLASS(TcxFiler, TObject)
public:
  explicit TcxFiler(TMemoryStream* AStream) : FStream(AStream) {}
  TMemoryStream* Stream() const { return FStream; }

private:
  TMemoryStream* FStream;
};

class TcxReader : public TcxFiler {
  RTL_CLASS(TcxReader, TcxFiler)
public:
  using TcxFiler::TcxFiler;
  int32_t ReadInteger() { return StreamReadInt32(Stream()); }
  int32_t ReadInt32() { return ReadInteger(); }
  String ReadAnsiString() { return StreamReadAnsiString(Stream()); }
};

class TcxWriter : public TcxFiler {
  RTL_CLASS(TcxWriter, TcxFiler)
public:
  using TcxFiler::TcxFiler;
  void WriteInteger(int32_t AValue) { StreamWriteInt32(Stream(), AValue); }
  void WriteInt32(int32_t AValue) { WriteInteger(AValue); }
  void WriteAnsiString(const String& AValue) { StreamWriteAnsiString(Stream(), AValue); }
};
