#pragma once
// Helpers the property filer and the property storage share: reaching a persistent's DefineProperties and
// splitting the dotted property paths both of them walk.

#include <utility>

#include "rtl/Filer.h"
#include "rtl/Persistent.h"
#include "rtl/System.h"

namespace propstorage_detail {

// DefineProperties is protected; the filer reaches it the way the platform's own filer classes do.
struct PersistentAccess : TPersistent {
  static void DefineProps(TPersistent* p, TFiler* filer) { (p->*(&PersistentAccess::DefineProperties))(filer); }
};

// First part and the rest of a dotted path.
inline std::pair<String, String> SplitFirst(const String& path) {
  size_t dot = path.find('.');
  if (dot == String::npos) return {path, String()};
  return {path.substr(0, dot), path.substr(dot + 1)};
}

}  // namespace propstorage_detail
