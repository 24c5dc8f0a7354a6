#pragma once
// Arithmetic helpers with the platform's rounding rules: MulDiv as the window system computes it, the
// banker's Round, truncation and the Min/Max/range family.

#include <cstdint>
#include <type_traits>

#include "rtl/System.h"

// a * b / c with the 64-bit product, rounded half away from zero; -1 when c is 0 or the result does not
// fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Rounds half to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Throws EMathError for NaN, infinities and values
// outside the 64-bit range, as the platform's invalid-operation trap does.
int64_t Round(double x);
// Drops the fraction (towards zero); EMathError when out of range.
int64_t Trunc(double x);
// The integer part and the fractional part, both keeping the sign of x.
double Int(double x);
double Frac(double x);
// The smallest integer >= x and the largest integer <= x.
int32_t Ceil(double x);
int32_t Floor(double x);
int64_t Ceil64(double x);
int64_t Floor64(double x);

// Resolutions the fuzzy comparisons fall back on when given no epsilon.
constexpr double DoubleResolution = 1e-15 * 1000;

// |a| <= epsilon (DoubleResolution when epsilon is 0).
bool IsZero(double a, double epsilon = 0);
// a and b differ by at most epsilon; with epsilon 0 the tolerance scales with the smaller magnitude.
bool SameValue(double a, double b, double epsilon = 0);

// base ** exponent: 1 for exponent 0, 0 for base 0 and a positive exponent, IntPower for whole exponents;
// EMathError for a negative base with a fractional exponent.
double Power(double base, double exponent);
// base ** exponent by repeated squaring; a negative exponent gives the reciprocal.
double IntPower(double base, int32_t exponent);

// Rounds to a power of ten, half to even: digit 2 rounds to hundreds, -2 to hundredths.
double RoundTo(double value, int32_t digit);
// Rounds to a power of ten, half away from zero; by default to hundredths.
double SimpleRoundTo(double value, int32_t digit = -2);

namespace rtl_detail {
// The type Min/Max work in: floating when either side is; the common type for integers of one
// signedness; a signed 64-bit integer for a signed/unsigned mix (so -1 never compares as huge).
template <class A, class B>
struct MinMaxType {
  using type = std::conditional_t<std::is_floating_point_v<A> || std::is_floating_point_v<B> ||
                                      std::is_signed_v<A> == std::is_signed_v<B>,
                                  std::common_type_t<A, B>, int64_t>;
};
template <class A, class B>
using MinMaxType_t = typename MinMaxType<A, B>::type;
template <class T>
concept Arithmetic = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;
}  // namespace rtl_detail

template <rtl_detail::Arithmetic A, rtl_detail::Arithmetic B>
constexpr rtl_detail::MinMaxType_t<A, B> Min(A a, B b) {
  using R = rtl_detail::MinMaxType_t<A, B>;
  return static_cast<R>(b) < static_cast<R>(a) ? static_cast<R>(b) : static_cast<R>(a);
}

template <rtl_detail::Arithmetic A, rtl_detail::Arithmetic B>
constexpr rtl_detail::MinMaxType_t<A, B> Max(A a, B b) {
  using R = rtl_detail::MinMaxType_t<A, B>;
  return static_cast<R>(a) < static_cast<R>(b) ? static_cast<R>(b) : static_cast<R>(a);
}

// min <= value <= max, both ends inclusive.
template <rtl_detail::Arithmetic V, rtl_detail::Arithmetic L, rtl_detail::Arithmetic H>
constexpr bool InRange(V value, L min, H max) {
  using R = rtl_detail::MinMaxType_t<rtl_detail::MinMaxType_t<V, L>, H>;
  return static_cast<R>(min) <= static_cast<R>(value) && static_cast<R>(value) <= static_cast<R>(max);
}

// value clamped into [min, max]; with an empty range max wins, as the platform checks it last.
template <rtl_detail::Arithmetic V, rtl_detail::Arithmetic L, rtl_detail::Arithmetic H>
constexpr rtl_detail::MinMaxType_t<rtl_detail::MinMaxType_t<V, L>, H> EnsureRange(V value, L min, H max) {
  using R = rtl_detail::MinMaxType_t<rtl_detail::MinMaxType_t<V, L>, H>;
  R r = static_cast<R>(value);
  if (r < static_cast<R>(min)) r = static_cast<R>(min);
  if (r > static_cast<R>(max)) r = static_cast<R>(max);
  return r;
}

// -1, 0 or 1.
template <rtl_detail::Arithmetic T>
constexpr int32_t Sign(T value) {
  return value < T(0) ? -1 : (value > T(0) ? 1 : 0);
}
