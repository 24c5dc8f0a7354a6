#pragma once
// VORN_ASSERT: a check of the window manager's own invariants. Active in the sanitizer build (and wherever
// VORN_ASSERTIONS is defined), where a broken invariant stops the program at once with the place and the
// condition; in other builds the condition is not even evaluated.

#if defined(VORN_ASSERTIONS) || defined(__SANITIZE_ADDRESS__)
#define VORN_ASSERTIONS_ON 1
#else
#define VORN_ASSERTIONS_ON 0
#endif

namespace winapi::detail {
[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);
}  // namespace winapi::detail

#if VORN_ASSERTIONS_ON
#define VORN_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::winapi::detail::AssertionFailed(#condition, __FILE__, __LINE__))
#else
#define VORN_ASSERT(condition) static_cast<void>(sizeof(!(condition)))
#endif
