#pragma once
// VORN_ASSERT: a check of a library's own invariants (buffer offsets, ring indexes, state machines).
// Active in the sanitizer build (and wherever VORN_ASSERTIONS is defined), where a broken invariant
// stops the program at once with the place and the condition; in other builds the condition is not
// even evaluated.
#include <cstdio>
#include <cstdlib>

#if defined(VORN_ASSERTIONS) || defined(__SANITIZE_ADDRESS__)
#define VORN_ASSERTIONS_ON 1
#else
#define VORN_ASSERTIONS_ON 0
#endif

namespace rtl {
[[noreturn]] inline void AssertionFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}
}  // namespace rtl

#if VORN_ASSERTIONS_ON
#define VORN_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::rtl::AssertionFailed(#condition, __FILE__, __LINE__))
#else
#define VORN_ASSERT(condition) static_cast<void>(sizeof(!(condition)))
#endif
