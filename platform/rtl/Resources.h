#pragma once
// Form resources compiled into the program: a process-wide registry of named form texts (or binary
// form streams), filled at start-up by the registrations that cmake/FormResources.cmake generates, and
// the routines that read a resource into a root component. Names compare case-insensitively (ASCII), as
// resource names do; a form's resource is named after its class ("TfmMain").

#include <cstddef>
#include <vector>

#include "rtl/Components.h"

// Registers (or replaces) a resource. The bytes are copied.
void RegisterFormResource(const String& name, const char* data, size_t size);
void RegisterFormResource(const String& name, const String& data);
void UnregisterFormResource(const String& name);
bool FormResourceExists(const String& name);
// The resource's bytes as registered; raises EResNotFound "Resource %s not found" when there is none.
String FormResourceData(const String& name);
// The resource in the text form (binary resources are converted).
String FormResourceText(const String& name);
std::vector<String> FormResourceNames();

RTL_EXCEPTION(EResNotFound, Exception)

// Reads the named resource into root (its properties, its owned components, Loaded in reading order).
// Returns false, changing nothing, when no such resource exists.
bool ReadComponentResource(TComponent* root, const String& resourceName);
// Reads the resources of instance's class and of its ancestors below rootAncestor, oldest first, each
// named after its class; true when at least one was found. Inherited forms read their ancestor's form
// first and then their own ("inherited" entries address the components the ancestor created).
bool InitInheritedComponent(TComponent* instance, TClass rootAncestor);

// Used by the generated registration code: registers one resource when the program starts.
struct TFormResourceRegistrar {
  TFormResourceRegistrar(const char* name, const char* data, size_t size) { RegisterFormResource(name, data, size); }
};
