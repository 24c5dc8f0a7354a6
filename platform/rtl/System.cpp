#include "rtl/System.h"

#include <cerrno>
#include <cstring>

#include "rtl/ObjLinks.h"

#ifdef VORN_LIFETIME_CHECKS
#include <cstdio>
#include <cstdlib>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {
// A broken lifetime rule is a fault in the program, not a condition to handle: say which class and how,
// show where (the sanitizer's stack trace), and stop.
[[noreturn]] void LifetimeFault(TClass cls, const char* what) {
  std::fprintf(stderr,
               "Object lifetime fault: %s %s. Components, collection items, threads and interfaced objects "
               "are made only by New (or a metaclass's Create) and destroyed only by Free or FreeAndNil.\n",
               cls ? cls->ClassNameCStr() : "an object", what);
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_print_stack_trace();
#endif
  std::fflush(stderr);
  std::abort();
}
}  // namespace
#endif

TObject::~TObject() {
#ifdef VORN_LIFETIME_CHECKS
  using namespace rtl_detail;
  if ((FLifetime & lifeHooked) && !(FLifetime & lifeFreeing)) {
    if (FLifetime & lifeMadeByNew)
      LifetimeFault(FLifetimeClass, "was destroyed without Free (a raw delete or a unique_ptr)");
    // A constructor that throws destroys the parts already built while its exception is on its way: that
    // object was never made, so there is nothing to free.
    else if (std::uncaught_exceptions() == 0)
      LifetimeFault(FLifetimeClass,
                    "was made without New and destroyed without Free (a stack instance, or a raw new and delete)");
  }
#endif
  if (FLinks) rtl_detail::TLinkNode::ClearAll(this);
}

TObject* TMetaClass::Create(TObject* arg) const {
  if (!FFactory) throw EInvalidOperation(String("Cannot create an instance of the abstract class ") + FName);
  return FFactory(arg);
}

bool TMetaClass::ClassNameIs(const String& name) const noexcept {
  size_t n = std::strlen(FName);
  if (name.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = FName[i], b = name[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

void rtl_detail::RaiseClassCast(TClass cls, TClass target) {
  throw EInvalidCast(cls->ClassName() + " is not a " + target->ClassName());
}

void* TObject::InterfaceByIID(const TGUID&) { return nullptr; }

void TObject::Free() {
#ifdef VORN_LIFETIME_CHECKS
  using namespace rtl_detail;
  if ((FLifetime & lifeHooked) && !(FLifetime & lifeMadeByNew))
    LifetimeFault(ClassType(), "was made without New: its AfterConstruction never ran (a raw new or a stack instance)");
  FLifetime |= lifeFreeing;
#endif
  BeforeDestruction();
  delete this;
}

void Abort() { throw EAbort("Operation aborted"); }

void RaiseLastOSError() { RaiseLastOSError(errno); }

void RaiseLastOSError(int errorCode) {
  if (errorCode == 0) throw EOSError("A call to an OS function failed", 0);
  throw EOSError(String("System Error.  Code: ") + std::to_string(errorCode) + ".\r\n" + std::strerror(errorCode),
                 errorCode);
}
