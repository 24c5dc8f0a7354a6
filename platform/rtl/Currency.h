#pragma once
// Currency: a 64-bit integer scaled by 10,000 (four decimal places), exact in sums and differences.

#include <cmath>
#include <cstdint>
#include <type_traits>

struct Currency {
  int64_t Value = 0;  // the amount times 10,000

  constexpr Currency() = default;
  static constexpr Currency FromScaled(int64_t scaled) {
    Currency c;
    c.Value = scaled;
    return c;
  }
  static constexpr Currency FromInt(int64_t v) { return FromScaled(v * 10000); }
  // Rounds half to even at the fourth decimal, as the platform's conversion does.
  static Currency FromDouble(double v) { return FromScaled(static_cast<int64_t>(std::nearbyint(v * 10000.0))); }
  double ToDouble() const { return static_cast<double>(Value) / 10000.0; }

  friend constexpr bool operator==(Currency a, Currency b) { return a.Value == b.Value; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.Value <=> b.Value; }
  friend constexpr Currency operator+(Currency a, Currency b) { return FromScaled(a.Value + b.Value); }
  friend constexpr Currency operator-(Currency a, Currency b) { return FromScaled(a.Value - b.Value); }
  friend constexpr Currency operator-(Currency a) { return FromScaled(-a.Value); }
  Currency& operator+=(Currency b) { Value += b.Value; return *this; }
  Currency& operator-=(Currency b) { Value -= b.Value; return *this; }

  // Products and quotients round half to even at the fourth decimal; an integer factor stays exact.
  // A result outside the range throws EMathError "Floating point overflow", as the FPU did; a zero
  // divisor throws EZeroDivide "Floating point division by zero".
  // Any integer type picks the exact integer forms (a plain `c * 2` would otherwise be ambiguous).
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  friend Currency operator*(Currency a, T b) { return MulInt(a, static_cast<int64_t>(b)); }
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  friend Currency operator*(T a, Currency b) { return MulInt(b, static_cast<int64_t>(a)); }
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  friend Currency operator/(Currency a, T b) { return DivInt(a, static_cast<int64_t>(b)); }
  friend Currency operator*(Currency a, double b);
  friend Currency operator*(double a, Currency b) { return b * a; }
  friend Currency operator*(Currency a, Currency b);
  friend Currency operator/(Currency a, double b);
  Currency& operator*=(int64_t b) { return *this = MulInt(*this, b); }
  Currency& operator/=(int64_t b) { return *this = DivInt(*this, b); }

  static Currency MulInt(Currency a, int64_t b);
  static Currency DivInt(Currency a, int64_t b);
};

// The text conversions (CurrToStr, StrToCurr, TryStrToCurr, CurrToStrF, FormatCurr) are in rtl/SysUtils.h.
