#include "rtl/Currency.h"

#include <limits>

#include "rtl/System.h"

namespace {

using i128 = __int128;

[[noreturn]] void Overflow() { throw EMathError("Floating point overflow"); }

Currency Checked(i128 v) {
  if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min()) Overflow();
  return Currency::FromScaled(static_cast<int64_t>(v));
}

// n / d rounded half to even; d is not zero.
i128 DivRoundEven(i128 n, i128 d) {
  i128 q = n / d;
  i128 r = n % d;
  if (r == 0) return q;
  i128 r2 = r < 0 ? -r : r;
  i128 d2 = d < 0 ? -d : d;
  bool away = 2 * r2 > d2 || (2 * r2 == d2 && (q % 2 != 0));
  if (away) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

Currency FromLongDouble(long double v) {
  long double r = std::nearbyint(v);
  // 2^63 exactly is out of range; anything at or beyond it overflows.
  if (!(r < 9223372036854775808.0L && r >= -9223372036854775808.0L)) Overflow();
  return Currency::FromScaled(static_cast<int64_t>(r));
}

}  // namespace

Currency Currency::MulInt(Currency a, int64_t b) { return Checked(static_cast<i128>(a.Value) * b); }
Currency operator*(Currency a, double b) { return FromLongDouble(static_cast<long double>(a.Value) * b); }
Currency operator*(Currency a, Currency b) { return Checked(DivRoundEven(static_cast<i128>(a.Value) * b.Value, 10000)); }
Currency Currency::DivInt(Currency a, int64_t b) {
  if (b == 0) throw EZeroDivide("Floating point division by zero");
  return Checked(DivRoundEven(a.Value, b));
}
Currency operator/(Currency a, double b) {
  if (b == 0) throw EZeroDivide("Floating point division by zero");
  return FromLongDouble(static_cast<long double>(a.Value) / b);
}
