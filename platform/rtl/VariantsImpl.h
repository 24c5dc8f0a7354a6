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

[[noreturn]] void VariantCastError(TVarType from, TVarType to);
[[noreturn]] void VariantInvalidCast();
[[noreturn]] void VariantInvalidOp();
[[noreturn]] void VariantOverflow();
[[noreturn]] void VariantInvalidArg();
[[noreturn]] void VariantBadIndex();

Variant VariantZeroOf(TVarType type);

// Text conversions with the process-wide settings.
String VariantFloatText(double v);
String VariantSingleText(float v);
bool VariantTextToFloat(const String& s, double& v);
bool VariantTextToInt64(const String& s, int64_t& v);
String VariantDateText(TDateTime dt);
bool VariantTextToDate(const String& s, TDateTime& dt);

}  // namespace rtl_variant
