#include "rtl/ClassRegistry.h"

#include <map>
#include <mutex>

#include "rtl/Persistent.h"

namespace {

struct TLessNoCase {
  bool operator()(const String& a, const String& b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 'a' && x <= 'z') x -= 32;
      if (y >= 'a' && y <= 'z') y -= 32;
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct TRegistry {
  std::mutex Lock;
  std::map<String, TClass, TLessNoCase> Classes;
};

TRegistry& Registry() {
  static TRegistry& r = *new TRegistry;  // immortal: units unregister from static destructors
  return r;
}

// Returns false when the class is already there under its own name.
bool AddLocked(TRegistry& r, TClass cls, const String& name) {
  auto [it, added] = r.Classes.emplace(name, cls);
  if (added) return true;
  if (it->second == cls) return false;
  throw EFilerError("A class named " + name + " already exists");
}

}  // namespace

void RegisterClass(TClass cls) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  TClass persistent = TPersistent::StaticClass();
  for (TClass c = cls; c; c = c->ClassParent()) {
    if (!AddLocked(r, c, c->ClassName())) break;
    if (c == persistent || !c->InheritsFrom(persistent)) break;
  }
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

void RegisterClassAlias(TClass cls, const String& alias) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  AddLocked(r, cls, alias);
}

void UnRegisterClass(TClass cls) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (auto it = r.Classes.begin(); it != r.Classes.end();)
    it = it->second == cls ? r.Classes.erase(it) : std::next(it);
}

void UnRegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) UnRegisterClass(c);
}

TClass GetClass(const String& name) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  auto it = r.Classes.find(name);
  return it == r.Classes.end() ? nullptr : it->second;
}

TClass FindClass(const String& name) {
  TClass cls = GetClass(name);
  if (!cls) throw EClassNotFound("Class " + name + " not found");
  return cls;
}
