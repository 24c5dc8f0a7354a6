#pragma once
// TBcd: the platform's packed decimal record and its conversions, all exact (text, Currency and integers
// never pass through floating point).
//
// Layout: Precision digits are kept as nibbles, high nibble first, in Fraction; the low six bits of
// SignSpecialPlaces count the digits after the decimal point, bit 7 is the sign, and bit 6 marks a special
// (blank) value that reads as zero. Digits are right-aligned: the number is the Precision digits read as an
// integer times 10^-places, so leading zero digits are allowed.

#include <cstdint>

#include "rtl/Currency.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"
#include "rtl/Variants.h"

struct TBcd {
  uint8_t Precision = 0;          // 1..64 digits in use (0 reads as zero)
  uint8_t SignSpecialPlaces = 0;  // bit 7 sign, bit 6 special, bits 0..5 places
  uint8_t Fraction[32] = {};
};

RTL_EXCEPTION(EBcdException, Exception)
RTL_EXCEPTION(EBcdOverflowException, EBcdException)  // "BCD overflow"

// Text: optional sign, digits, the settings' decimal separator (or ".") and digits, optional exponent.
// Failure throws EBcdException "<text> is not a valid BCD value"; more than 64 significant digits
// EBcdOverflowException "BCD overflow".
bool TryStrToBcd(const String& text, TBcd& bcd);
bool TryStrToBcd(const String& text, TBcd& bcd, const TFormatSettings& fs);
TBcd StrToBcd(const String& text);
TBcd StrToBcd(const String& text, const TFormatSettings& fs);
// The shortest exact text: no leading zeros but one before the separator, no trailing fraction zeros.
String BcdToStr(const TBcd& bcd);
String BcdToStr(const TBcd& bcd, const TFormatSettings& fs);

// Formatted text. ffGeneral with precision 0 (or at least the value's digits) is BcdToStr; ffFixed and
// ffNumber (with the settings' thousand separator) show `digits` decimals, exactly, rounding half away from
// zero as the float formats do; ffCurrency goes through CurrToStrF when the value fits a Currency and
// digits is at most four; the rest through the Double text routines.
String BcdToStrF(const TBcd& bcd, TFloatFormat format, int32_t precision, int32_t digits);
String BcdToStrF(const TBcd& bcd, TFloatFormat format, int32_t precision, int32_t digits, const TFormatSettings& fs);

// Currency into exactly `precision` digits with `decimals` places (rounded half to even when decimals is
// below four); false when the amount does not fit.
bool CurrToBCD(Currency curr, TBcd& bcd, int32_t precision = 32, int32_t decimals = 4);
// False when the value is outside the Currency range; more than four places round half to even.
bool BCDToCurr(const TBcd& bcd, Currency& curr);
TBcd DoubleToBcd(double value);  // through 15 significant digits, as the float text routines
double BcdToDouble(const TBcd& bcd);
TBcd IntegerToBcd(int64_t value);
int32_t BcdToInteger(const TBcd& bcd, bool truncate = false);  // rounds half to even unless truncating
int32_t BcdPrecision(const TBcd& bcd);  // significant digits before the decimal point
int32_t BcdScale(const TBcd& bcd);      // digits after the decimal point
// Re-expresses the value with `precision` digits of which `places` are decimals (dropped decimals round
// half to even); false when the integer part does not fit.
bool NormalizeBcd(const TBcd& in, TBcd& out, int32_t precision, int32_t places);
int32_t BcdCompare(const TBcd& a, const TBcd& b);  // -1, 0, 1, exact
// Exact sums, differences and products; a result beyond 64 digits drops decimals (half to even) and
// throws EBcdOverflowException when the integer part alone is too long.
void BcdAdd(const TBcd& a, const TBcd& b, TBcd& out);
void BcdSubtract(const TBcd& a, const TBcd& b, TBcd& out);
void BcdMultiply(const TBcd& a, const TBcd& b, TBcd& out);

// The FMTBcd variant kind: converts to text, numbers and Currency through the routines above, and
// VarAsType(v, VarFMTBcd()) turns any number or numeric text into one.
Variant VarFMTBcdCreate(const TBcd& bcd);
Variant VarFMTBcdCreate(double value, uint16_t precision = 18, uint16_t scale = 4);
Variant VarFMTBcdCreate(const String& value, uint16_t precision, uint16_t scale);
bool VarIsFMTBcd(const Variant& v);
TBcd VarToBcd(const Variant& v);
