#include "rtl/System.h"

#include <cerrno>
#include <cstring>

#include "rtl/ObjLinks.h"

TObject::~TObject() {
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
