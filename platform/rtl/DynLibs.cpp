#include "rtl/DynLibs.h"

#include <dlfcn.h>

namespace {
// dlerror's text is gone after the next loader call, so it is kept per thread right away.
thread_local String tLastError;

void KeepError(const char* fallback) {
  const char* e = ::dlerror();
  tLastError = e ? e : fallback;
}
}  // namespace

TModuleHandle LoadLibrary(const String& name) {
  if (name.empty()) {
    tLastError = "empty library name";
    return 0;
  }
  ::dlerror();
  void* h = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    KeepError("cannot load library");
    return 0;
  }
  return reinterpret_cast<TModuleHandle>(h);
}

void* GetProcAddress(TModuleHandle module, const String& name) {
  if (module == 0) {
    tLastError = "no library";
    return nullptr;
  }
  ::dlerror();
  void* p = ::dlsym(reinterpret_cast<void*>(module), name.c_str());
  if (!p) KeepError("symbol not found");
  return p;
}

bool FreeLibrary(TModuleHandle module) {
  if (module == 0) return false;
  return ::dlclose(reinterpret_cast<void*>(module)) == 0;
}

String LoadErrorText() { return tLastError; }
