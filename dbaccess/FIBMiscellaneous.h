#pragma once
// Small routines the database library shares: default-value macro words, time stamps of the client API,
// rounding and digit counts, random digits, bit routines, and the floating-point environment hook.

#include <cstdint>

#include "rtl/DateTime.h"
#include "rtl/System.h"

// 10^-18 .. 10^18 as doubles: index 0 = 10^-18, index 18 = 1, index 36 = 10^18.
extern const double E10[37];
// The eight single-bit masks 1, 2, 4 ... 128.
extern const uint8_t BitMasks[8];

// True exactly for CURRENT_TIME, CURRENT_TIMESTAMP, CURRENT_DATE, NULL, NOW, TODAY, TOMORROW and
// YESTERDAY, compared exactly (upper case).
bool IsDefaultValueMacro(const String& text);

TTimeStamp MakeTimeStamp(int32_t dayNumber, int32_t milliseconds);
// Converts also a time-only value (day number 0) as that time of day on day 1 minus one day.
TDateTime SafeTimeStampToDateTime(const TTimeStamp& timeStamp);
TDateTime DayNumberToDateTime(int32_t dayNumber);

// The integer part of value plus its fraction rounded to `decimals` places (-18..18) in the current
// rounding mode (halves to even by default).
long double RoundToDecimals(int32_t decimals, long double value);
// Decimal digits of the integer part of |value|; 0 below 1.
int32_t IntegerDigitCount(long double value);

inline int32_t MinInt(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t SignOf(int64_t a) { return a > 0 ? 1 : (a < 0 ? -1 : 0); }

// low + a random integer from 0 to high - low - 1.
int32_t RandomRange(int32_t low, int32_t high);
// count random decimal digits.
String RandomDigits(int32_t count);

inline bool ByteBitIsSet(uint8_t b, int32_t bit) { return (b & BitMasks[bit]) != 0; }
inline uint8_t ChangeByteBit(uint8_t b, int32_t bit, bool set) {
  return set ? static_cast<uint8_t>(b | BitMasks[bit]) : static_cast<uint8_t>(b & ~BitMasks[bit]);
}

// Makes the floating-point environment what the runtime expects after the client library ran. On
// x86-64 double arithmetic runs on SSE and ignores the x87 precision bits, so there is nothing to
// restore; the hook stays where foreign code may have changed the environment.
void SetFPUExtendedPrecision();

class TComponent;
// The dotted path of names from the outermost named owner down to the component; unnamed ones are
// skipped: MainForm.Query1.
String FullComponentName(const TComponent* component);
// True when the component or one of its owners is being loaded.
bool OwnerChainLoading(const TComponent* component);

class Variant;
class TMemoryStream;
// Copies the first `count of the first dimension` elements of a variant array's data block (elements of
// fixed size: integers, floats, Currency, dates, booleans) into the stream, which gets exactly that size
// and is left at position 0 before writing. Returns the stream's size; 0 when v is no array, the stream
// is null or the first dimension is empty.
int64_t VariantArrayToStream(const Variant& v, TMemoryStream* stream);

class TField;
// Reads the field's raw data (its dataset's native buffer format) into buffer; with old set, as the value
// before the edit (the dataset is switched to its old-value state for the read unless it is there
// already). The result tells whether the field had data; a null buffer only asks that.
bool GetFieldBuffer(TField* field, bool old, void* buffer);
// The field's BCD data as a string variant written with the locale's decimal separator; Null without data.
Variant GetBcdFieldVariant(TField* field, bool old);
