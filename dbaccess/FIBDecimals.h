#pragma once
// Exact decimals: scaled 64-bit integers (the client API's NUMERIC and DECIMAL form) and the platform's
// packed decimal record, turned into text without floating point, rounded as text and formatted with
// numeric display masks ("#", "0", ",", "." and literal text).
//
// The plain BCD-to-text conversion with the locale separator is rtl's BcdToStr (rtl/FMTBcd.h).

#include <cstdint>

#include "rtl/FMTBcd.h"
#include "rtl/System.h"

// The digits of v carrying s places; false when the digits do not fit the record.
bool ScaledInt64ToBcd(int32_t s, TBcd& bcd, int64_t v);
// The digits as one integer and the places; a special (blank) record gives 0. False when the digits do
// not fit a 64-bit integer.
bool BcdToScaledInt64(const TBcd& bcd, int64_t& v, int32_t& s);
bool BcdToExtended(const TBcd& bcd, long double& x);
// -1, 0 or 1.
int32_t CompareBcd(const TBcd& a, const TBcd& b);
// The value with "." as decimal point; empty when the digits do not fit a 64-bit integer.
String BcdToStrDot(const TBcd& bcd);

String Int64ToStr(int64_t v);
// v x 10^-s with the given separator and without trailing fraction zeros: (2, ".", 12550) -> 125.5.
String ScaledInt64ToStrSep(int32_t s, char separator, int64_t v);
// The same with the locale's decimal separator.
String ScaledInt64ToStr(int32_t s, int64_t v);

// Rounds a decimal text (locale separator) half up to n decimals; texts with n or fewer decimals come
// back unchanged. With n = 0 the separator goes too.
String RoundDecimalText(const String& text, int32_t n);
// Formats a decimal text (locale separator) with a numeric display mask; the mask's point is always ".".
// A mask without a point shows no decimals (the number is rounded to a whole one).
String FormatDecimalText(const String& mask, const String& number);
