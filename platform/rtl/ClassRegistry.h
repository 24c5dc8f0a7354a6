#pragma once
// The process-wide class registry that the component streamer resolves class names through. Names
// compare case-insensitively (ASCII), as identifiers do. All functions are thread-safe.

#include <initializer_list>

#include "rtl/System.h"

// Registers cls under its class name, and its ancestors up to TPersistent as the platform does.
// Registering the same class again does nothing; another class of the same name raises EFilerError
// "A class named %s already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
// Registers cls under a second name (classes renamed since older form resources were written).
void RegisterClassAlias(TClass cls, const String& alias);
// Removes cls and every alias that names it.
void UnRegisterClass(TClass cls);
void UnRegisterClasses(std::initializer_list<TClass> classes);
// The registered class of that name, or nullptr.
TClass GetClass(const String& name);
// The registered class of that name; raises EClassNotFound "Class %s not found" when there is none.
TClass FindClass(const String& name);
