#include "rtl/Math.h"

#include <cmath>

#include "rtl/System.h"

namespace {

[[noreturn]] void InvalidOp() { throw EMathError("Invalid floating point operation"); }

// Whole doubles in [-2^63, 2^63) convert to int64_t without overflow.
int64_t ToInt64(double whole) {
  if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) InvalidOp();
  return static_cast<int64_t>(whole);
}

int32_t ToInt32(double whole) {
  if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) InvalidOp();
  return static_cast<int32_t>(whole);
}

// Half to even without depending on the floating-point environment's rounding mode.
double RoundHalfEven(double x) {
  double f = std::floor(x);
  double d = x - f;  // exact for doubles
  if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  return f;
}

}  // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  uint64_t absProduct = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  uint64_t absDivisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t q = (absProduct + absDivisor / 2) / absDivisor;
  bool negative = (product < 0) != (c < 0);
  if (negative ? q > 2147483648u : q > 2147483647u) return -1;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(q)) : static_cast<int32_t>(q);
}

int64_t Round(double x) {
  if (!std::isfinite(x)) InvalidOp();
  return ToInt64(RoundHalfEven(x));
}

int64_t Trunc(double x) {
  if (!std::isfinite(x)) InvalidOp();
  return ToInt64(std::trunc(x));
}

double Int(double x) { return std::trunc(x); }

double Frac(double x) { return x - std::trunc(x); }

int32_t Ceil(double x) { return ToInt32(std::ceil(x)); }
int32_t Floor(double x) { return ToInt32(std::floor(x)); }
int64_t Ceil64(double x) { return ToInt64(std::ceil(x)); }
int64_t Floor64(double x) { return ToInt64(std::floor(x)); }

bool IsZero(double a, double epsilon) {
  if (epsilon == 0) epsilon = DoubleResolution;
  return std::fabs(a) <= epsilon;
}

bool SameValue(double a, double b, double epsilon) {
  if (epsilon == 0) epsilon = std::fmax(std::fmin(std::fabs(a), std::fabs(b)) * DoubleResolution, DoubleResolution);
  return a > b ? (a - b) <= epsilon : (b - a) <= epsilon;
}

double IntPower(double base, int32_t exponent) {
  uint32_t e = exponent < 0 ? 0u - static_cast<uint32_t>(exponent) : static_cast<uint32_t>(exponent);
  double result = 1.0;
  double factor = base;
  while (e != 0) {
    if (e & 1u) result *= factor;
    e >>= 1;
    if (e != 0) factor *= factor;
  }
  return exponent < 0 ? 1.0 / result : result;
}

double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int32_t>(exponent));
  if (base < 0.0) InvalidOp();
  return std::exp(exponent * std::log(base));
}

// Scales by a positive power of ten in both directions, so that hundredths are exact decimal steps
// rather than multiples of the inexact 0.01.
double RoundTo(double value, int32_t digit) {
  if (digit < 0) {
    double factor = IntPower(10.0, -digit);
    return RoundHalfEven(value * factor) / factor;
  }
  double factor = IntPower(10.0, digit);
  return RoundHalfEven(value / factor) * factor;
}

double SimpleRoundTo(double value, int32_t digit) {
  auto halfAway = [](double v) { return v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5); };
  if (digit < 0) {
    double factor = IntPower(10.0, -digit);
    return halfAway(value * factor) / factor;
  }
  double factor = IntPower(10.0, digit);
  return halfAway(value / factor) * factor;
}
