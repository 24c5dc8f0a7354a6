#pragma once
// Dynamic libraries: loading a shared object by name or path, finding its symbols, unloading it.

#include <cstdint>

#include "rtl/System.h"

// An opaque handle of a loaded library; 0 means none.
using TModuleHandle = uintptr_t;

// Loads the library with all its symbols resolved at once and kept private to it; returns 0 on
// failure (LoadErrorText tells why). Each successful load must be paired with a FreeLibrary.
TModuleHandle LoadLibrary(const String& name);
// The address of a symbol of the library, or null (LoadErrorText tells why).
void* GetProcAddress(TModuleHandle module, const String& name);
bool FreeLibrary(TModuleHandle module);
// The loader's text for the calling thread's last failed LoadLibrary or GetProcAddress.
String LoadErrorText();
