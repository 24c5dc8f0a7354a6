#pragma once
// A seeded mutation loop for the readers of stored or received bytes: a valid input is damaged in many
// ways (bytes flipped, counts and lengths set to extremes, cut short, slices repeated or dropped) and
// each damaged input is read once. The reader may accept the input or raise its error; it must not
// crash (the sanitizers watch), throw anything but the library's exceptions, ask for a large block of
// memory, or take long.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocation hook (its header is not always installed with the compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

#include "rtl/Streams.h"
#include "rtl/SysUtils.h"

namespace mutation {

// The largest single allocation since the last Reset, seen through the sanitizer's allocation hook
// (0 in a build without it, where only the time bound applies).
class AllocationWatch {
public:
  AllocationWatch() {
#if defined(__SANITIZE_ADDRESS__)
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
    (void)installed;
#endif
    Reset();
  }
  void Reset() { Largest().store(0); }
  size_t Max() const { return Largest().load(); }

private:
  static std::atomic<size_t>& Largest() {
    static std::atomic<size_t> largest{0};
    return largest;
  }
  static void OnMalloc(const volatile void*, size_t size) {
    size_t seen = Largest().load(std::memory_order_relaxed);
    while (size > seen && !Largest().compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
  }
  static void OnFree(const volatile void*) {}
};

struct Limits {
  int Inputs = 3000;
  uint32_t Seed = 20261210;
  size_t MaxAllocation = 8u << 20;  // one block
  std::chrono::milliseconds MaxTime{2000};  // one input
};

// One damaged copy of input. The generator is used raw (no distributions), so that the inputs are
// the same on every standard library.
inline std::string Mutate(const std::string& input, std::mt19937& rng) {
  std::string s = input;
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
  static const uint32_t kExtremes[] = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x40000000u, 0x00FFFFFFu,
                                       0x0000FFFFu, 0x000000FFu, 0x00000100u, 0u,          1u};
  const int steps = 1 + static_cast<int>(rng() % 3);
  for (int k = 0; k < steps && !s.empty(); ++k) {
    switch (rng() % 7) {
      case 0:  // flip one byte
        s[pick(s.size())] = static_cast<char>(rng());
        break;
      case 1:  // flip one bit
        s[pick(s.size())] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 2: {  // a count or length of four bytes set to an extreme
        const uint32_t v = kExtremes[pick(std::size(kExtremes))];
        const size_t at = pick(s.size());
        for (size_t b = 0; b < 4 && at + b < s.size(); ++b) s[at + b] = static_cast<char>(v >> (8 * b));
        break;
      }
      case 3:  // cut short
        s.resize(pick(s.size()));
        break;
      case 4: {  // a slice repeated
        const size_t at = pick(s.size());
        const size_t len = std::min<size_t>(1 + pick(64), s.size() - at);
        const std::string slice = s.substr(at, len);
        const int times = 1 + static_cast<int>(rng() % 8);
        for (int t = 0; t < times; ++t) s.insert(at, slice);
        break;
      }
      case 5: {  // a slice dropped
        const size_t at = pick(s.size());
        s.erase(at, 1 + pick(16));
        break;
      }
      default:  // one byte set to a small value (tags, flags, lengths of one byte)
        s[pick(s.size())] = static_cast<char>(rng() % 32);
        break;
    }
  }
  return s;
}

// Runs read over Limits::Inputs damaged copies of valid; stops at the first input that breaks a rule
// and reports it (its number, so that the same seed finds it again).
inline void Run(const std::string& valid, const std::function<void(const std::string&)>& read,
                const Limits& limits = Limits()) {
  AllocationWatch watch;
  read(valid);
#if defined(__SANITIZE_ADDRESS__)
  ASSERT_GT(watch.Max(), 0u) << "the allocation hook sees nothing";
#endif
  std::mt19937 rng(limits.Seed);
  for (int i = 0; i < limits.Inputs; ++i) {
    const std::string input = Mutate(valid, rng);
    watch.Reset();
    const auto start = std::chrono::steady_clock::now();
    try {
      read(input);
    } catch (const Exception&) {
      // the reader's error: accepted
    } catch (const std::exception& e) {
      FAIL() << "input " << i << " (" << input.size() << " bytes) raised " << e.what();
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_LE(watch.Max(), limits.MaxAllocation) << "input " << i << " (" << input.size() << " bytes)";
    ASSERT_LE(took.count(), limits.MaxTime.count()) << "input " << i << " (" << input.size() << " bytes)";
  }
}

// The bytes that save writes to a fresh stream.
inline std::string Saved(const std::function<void(TStream*)>& save) {
  TStringStream s;
  save(&s);
  return s.DataString();
}

// Run for a reader of streams: each damaged input is offered to load as a stream positioned at 0.
inline void RunStream(const std::string& valid, const std::function<void(TStream*)>& load,
                      const Limits& limits = Limits()) {
  Run(
      valid,
      [&](const std::string& input) {
        TStringStream s(input);
        load(&s);
      },
      limits);
}

}  // namespace mutation
