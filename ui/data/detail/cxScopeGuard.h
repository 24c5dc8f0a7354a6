#pragma once
// Runs the closing half of a bracket on the way out, also when an exception passes. The closing half of
// an update bracket may throw itself (its end refilters and recalculates): on a normal exit its exception
// goes on; while another exception is already on its way, that one wins.
#include <exception>

namespace cxdata {
template <class F>
struct ScopeGuard {
  F Fn;
  int Pending = std::uncaught_exceptions();
  ~ScopeGuard() noexcept(false) {
    if (std::uncaught_exceptions() > Pending) {
      try {
        Fn();
      } catch (...) {
      }
    } else {
      Fn();
    }
  }
};
template <class F>
ScopeGuard(F) -> ScopeGuard<F>;
}  // namespace cxdata
