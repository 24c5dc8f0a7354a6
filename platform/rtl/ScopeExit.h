#pragma once
// ScopeExit: runs a cleanup when the scope is left, by return or by exception, so that a cleanup is written
// once instead of once on the normal path and again in a catch-and-rethrow block.
//
//   FLockCount++;
//   ScopeExit unlock([&] { FLockCount--; });
//
// Dismiss() cancels it (for a cleanup that only the failure path needs: dismiss it once the work succeeded).
// The cleanup must not throw: it runs during unwinding, where a second exception ends the program.
#include <utility>

template <class F>
class [[nodiscard]] ScopeExit {
public:
  explicit ScopeExit(F f) noexcept(noexcept(F(std::move(f)))) : FFunc(std::move(f)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() {
    if (FActive) FFunc();
  }
  void Dismiss() noexcept { FActive = false; }

private:
  F FFunc;
  bool FActive = true;
};
