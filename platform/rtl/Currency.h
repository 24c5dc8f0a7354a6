#pragma once
// Currency: a 64-bit integer scaled by 10,000 (four decimal places), exact in sums and differences.

#include <cmath>
#include <cstdint>

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
};
