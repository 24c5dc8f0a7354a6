#include "rtl/System.h"

#include <cerrno>
#include <cstring>

TObject* TMetaClass::Create() const {
  if (!FFactory) throw EInvalidOperation(String("Class ") + FName + " has no default constructor");
  return FFactory();
}

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
