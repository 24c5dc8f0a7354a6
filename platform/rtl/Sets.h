#pragma once
// Set<E>: the Pascal `set of E` over an enumeration (or a small integral type), as a constexpr bit set.
// Bits is the number of possible members (ordinals 0 .. Bits-1): 64 by default, 256 at most
// (Set<char, 256> for a set of characters). Ordinals outside the range are never members.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <class E, size_t Bits = (sizeof(E) == 1 && !std::is_enum_v<E>) ? 256 : 64>
class Set {
  static_assert(std::is_enum_v<E> || std::is_integral_v<E>, "Set<E> holds enumeration or integral values");
  static_assert(Bits >= 1 && Bits <= 256, "a set has at most 256 members");

public:
  static constexpr size_t Size = Bits;
  static constexpr size_t WordCount = (Bits + 63) / 64;

  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  // The set whose members are the bits of mask (bit n = ordinal n), as streams and RTTI hold sets.
  static constexpr Set FromInt(uint64_t mask) {
    Set s;
    s.FWords[0] = mask;
    s.Trim();
    return s;
  }
  static constexpr Set FromWords(const uint64_t* words, size_t count) {
    Set s;
    for (size_t i = 0; i < WordCount && i < count; ++i) s.FWords[i] = words[i];
    s.Trim();
    return s;
  }
  // The members 0..63 as a mask.
  constexpr uint64_t ToInt() const { return FWords[0]; }
  constexpr uint64_t Word(size_t i) const { return i < WordCount ? FWords[i] : 0; }

  constexpr bool Contains(E e) const {
    size_t n = Ord(e);
    return n < Bits && (FWords[n / 64] >> (n % 64)) & 1u;
  }
  constexpr Set& Include(E e) {
    size_t n = Ord(e);
    if (n < Bits) FWords[n / 64] |= uint64_t(1) << (n % 64);
    return *this;
  }
  constexpr Set& Exclude(E e) {
    size_t n = Ord(e);
    if (n < Bits) FWords[n / 64] &= ~(uint64_t(1) << (n % 64));
    return *this;
  }
  constexpr bool Empty() const {
    for (uint64_t w : FWords)
      if (w) return false;
    return true;
  }
  constexpr size_t Count() const {
    size_t n = 0;
    for (uint64_t w : FWords) n += std::popcount(w);
    return n;
  }

  friend constexpr Set operator+(Set a, const Set& b) { return a += b; }
  friend constexpr Set operator-(Set a, const Set& b) { return a -= b; }
  friend constexpr Set operator*(Set a, const Set& b) { return a *= b; }
  friend constexpr Set operator+(Set a, E e) { return a.Include(e); }
  friend constexpr Set operator-(Set a, E e) { return a.Exclude(e); }
  constexpr Set& operator+=(const Set& b) {
    for (size_t i = 0; i < WordCount; ++i) FWords[i] |= b.FWords[i];
    return *this;
  }
  constexpr Set& operator-=(const Set& b) {
    for (size_t i = 0; i < WordCount; ++i) FWords[i] &= ~b.FWords[i];
    return *this;
  }
  constexpr Set& operator*=(const Set& b) {
    for (size_t i = 0; i < WordCount; ++i) FWords[i] &= b.FWords[i];
    return *this;
  }
  constexpr Set& operator+=(E e) { return Include(e); }
  constexpr Set& operator-=(E e) { return Exclude(e); }
  friend constexpr bool operator==(const Set& a, const Set& b) {
    for (size_t i = 0; i < WordCount; ++i)
      if (a.FWords[i] != b.FWords[i]) return false;
    return true;
  }
  // Subset and superset, the Pascal <= and >= on sets.
  friend constexpr bool operator<=(const Set& a, const Set& b) { return (a - b).Empty(); }
  friend constexpr bool operator>=(const Set& a, const Set& b) { return (b - a).Empty(); }

  // Iterates the members in ascending order.
  class iterator {
  public:
    using value_type = E;
    using difference_type = std::ptrdiff_t;
    constexpr iterator() = default;
    constexpr E operator*() const { return static_cast<E>(FPos); }
    constexpr iterator& operator++() {
      FPos = FSet->NextFrom(FPos + 1);
      return *this;
    }
    constexpr iterator operator++(int) {
      iterator t = *this;
      ++*this;
      return t;
    }
    friend constexpr bool operator==(const iterator& a, const iterator& b) { return a.FPos == b.FPos; }

  private:
    friend class Set;
    constexpr iterator(const Set* s, size_t pos) : FSet(s), FPos(pos) {}
    const Set* FSet = nullptr;
    size_t FPos = Bits;
  };
  constexpr iterator begin() const { return iterator(this, NextFrom(0)); }
  constexpr iterator end() const { return iterator(this, Bits); }

private:
  static constexpr size_t Ord(E e) {
    if constexpr (std::is_enum_v<E>)
      return static_cast<size_t>(static_cast<std::make_unsigned_t<std::underlying_type_t<E>>>(e));
    else
      return static_cast<size_t>(static_cast<std::make_unsigned_t<E>>(e));
  }
  constexpr size_t NextFrom(size_t n) const {
    while (n < Bits) {
      uint64_t w = FWords[n / 64] >> (n % 64);
      if (w) return n + std::countr_zero(w);
      n = (n / 64 + 1) * 64;
    }
    return Bits;
  }
  constexpr void Trim() {
    if constexpr (Bits % 64 != 0) FWords[WordCount - 1] &= (uint64_t(1) << (Bits % 64)) - 1;
  }

  uint64_t FWords[WordCount] = {};
};
