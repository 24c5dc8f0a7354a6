#pragma once
// The window manager checks its own invariants with the libraries' one assertion macro, VORN_ASSERT.
#include "rtl/Assert.h"

namespace winapi::detail {
[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);
}  // namespace winapi::detail
