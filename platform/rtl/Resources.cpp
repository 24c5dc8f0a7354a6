#include "rtl/Resources.h"

#include <map>
#include <mutex>

#include "rtl/Filer.h"

namespace {

struct CaseLess {
  bool operator()(const String& a, const String& b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct Registry {
  std::mutex mutex;
  std::map<String, String, CaseLess> items;
};

Registry& Resources() {
  static Registry registry;
  return registry;
}

bool TryGet(const String& name, String& out) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.items.find(name);
  if (it == r.items.end()) return false;
  out = it->second;
  return true;
}

}  // namespace

void RegisterFormResource(const String& name, const char* data, size_t size) {
  RegisterFormResource(name, String(data, size));
}

void RegisterFormResource(const String& name, const String& data) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.items[name] = data;
}

void UnregisterFormResource(const String& name) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.items.erase(name);
}

bool FormResourceExists(const String& name) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.items.count(name) != 0;
}

String FormResourceData(const String& name) {
  String data;
  if (!TryGet(name, data)) throw EResNotFound("Resource " + name + " not found");
  return data;
}

String FormResourceText(const String& name) {
  String data = FormResourceData(name);
  if (data.size() >= 4 && data.compare(0, 4, "TPF0") == 0) return ObjectBinaryToText(data);
  return data;
}

std::vector<String> FormResourceNames() {
  Registry& r = Resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::vector<String> names;
  for (auto& [name, data] : r.items) names.push_back(name);
  return names;
}

bool ReadComponentResource(TComponent* root, const String& resourceName) {
  String data;
  if (!TryGet(resourceName, data)) return false;
  ReadComponentFromText(data, root);
  return true;
}

bool InitInheritedComponent(TComponent* instance, TClass rootAncestor) {
  std::vector<TClass> chain;
  for (TClass c = instance->ClassType(); c && c != TComponent::StaticClass() && c != rootAncestor; c = c->ClassParent())
    chain.push_back(c);
  bool found = false;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (ReadComponentResource(instance, (*it)->ClassName())) found = true;
  return found;
}
