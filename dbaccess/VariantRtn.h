#pragma once
// Fast variant comparison for local sorting and locating, and variant-array routines for array columns:
// creation with explicit bounds, element access by an index vector, and a walk over every element.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "rtl/Variants.h"

// -1, 0 or 1. Null (and Empty) order below every value and equal each other.
int32_t CompareVariants(const Variant& a, const Variant& b);
bool VariantsEqual(const Variant& a, const Variant& b);
// True when the two values cannot be compared meaningfully (a number against text, a Boolean against
// anything but a Boolean, a date against a non-number).
bool VariantsIncomparable(const Variant& a, const Variant& b);
// Elements 0..n of two one-dimensional arrays are pairwise equal.
bool VarArraysEqual(const Variant& a, const Variant& b, int32_t n);

// bounds: count pairs of (low, high); at most 64 dimensions.
void VarArrayCreateDims(const std::vector<int32_t>& bounds, TVarType elementType, Variant& result, int32_t count);
void VarArrayGetAt(Variant& result, const Variant& array, int32_t count, const std::vector<int32_t>& indices);
void VarArrayPutAt(Variant& array, const Variant& value, int32_t count, const std::vector<int32_t>& indices);

// The walk's index vector: one slot per dimension, in dimension order; the rest 0. Kept per thread.
using TArrayIndex = std::array<int32_t, 17>;
const TArrayIndex& CurrentArrayIndex();
void ResetArrayIndex(const Variant& array);
// Advances the index vector, the last dimension fastest; false after the last element.
bool NextArrayIndex(const Variant& array);

using TArrayElementVisitor =
    std::function<void(const Variant& value, const TArrayIndex& index, bool& goOn, int32_t highDimension)>;
using TArrayElementMapper =
    std::function<void(const Variant& value, const TArrayIndex& index, bool& goOn, Variant& newValue)>;
// Both return the visitor's last continue flag (false when nothing was visited).
bool ForEachArrayElement(const Variant& array, const TArrayElementVisitor& visitor);
bool MapArrayElements(Variant& array, const TArrayElementMapper& visitor);
