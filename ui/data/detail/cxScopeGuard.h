#pragma once
// Runs the closing half of a bracket on the way out, also when an exception passes.

namespace cxdata {
template <class F>
struct ScopeGuard {
  F Fn;
  ~ScopeGuard() { Fn(); }
};
template <class F>
ScopeGuard(F) -> ScopeGuard<F>;
}  // namespace cxdata
