#pragma once
// Internal to the Variant implementation files: the array record, the error helpers and the text
// conversions the variant rules lean on.

#include <vector>

#include "rtl/FormatSettings.h"
#include "rtl/Variants.h"

struct Variant::ArrayData {
  TVarType ElementType = varVariant;
  std::vector<std::pair<int32_t, int32_t>> Bounds;  // {low, count} per dimension
  std::vector<Variant> Items;                       // the first dimension varies fastest
};

namespace rtl_variant {

[[noreturn]] void CastError(TVarType from, TVarType to);
[[noreturn]] void InvalidCast();
[[noreturn]] void InvalidOp();
[[noreturn]] void Overflow();
[[noreturn]] void InvalidArg();
[[noreturn]] void BadIndex();

Variant ZeroOf(TVarType type);

// Text conversions with the process-wide settings.
String FloatText(double v);
String SingleText(float v);
bool TextToFloat(const String& s, double& v);
bool TextToInt64(const String& s, int64_t& v);
String DateText(TDateTime dt);
bool TextToDate(const String& s, TDateTime& dt);
WideString ToWide(const String& s);
String FromWide(const WideString& s);

}  // namespace rtl_variant
