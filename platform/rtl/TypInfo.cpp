#include "rtl/TypInfo.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <typeindex>

#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"

namespace {

String UpperAscii(const String& s) {
  String r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

bool SameTextAscii(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Type information lives for the whole run; everything made on demand is kept here.
struct TTypeStore {
  std::mutex Lock;
  std::vector<std::unique_ptr<TTypeInfo>> All;
  std::map<String, PTypeInfo> ByName;  // enumerations and aliases, by upper-cased name
  std::map<TClass, PTypeInfo> Classes;
  std::map<std::pair<PTypeInfo, size_t>, PTypeInfo> Sets;
  std::map<std::type_index, PTypeInfo> Methods;
  std::map<std::type_index, PTypeInfo> Interfaces;

  PTypeInfo Keep(std::unique_ptr<TTypeInfo> t) {
    All.push_back(std::move(t));
    return All.back().get();
  }
};

TTypeStore& Types() {
  static TTypeStore& s = *new TTypeStore;  // immortal: queries may come from static destructors
  return s;
}

std::unique_ptr<TTypeInfo> MakeType(TTypeKind kind, const char* name) {
  auto t = std::make_unique<TTypeInfo>();
  t->Kind = kind;
  t->Name = name;
  return t;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Type information

namespace rtl_detail {

PTypeInfo BooleanTypeInfo() {
  static const TTypeInfo& info = *new TTypeInfo([] {
    TTypeInfo t;
    t.Kind = tkEnumeration;
    t.Name = "Boolean";
    t.OrdType = otUByte;
    t.MinValue = 0;
    t.MaxValue = 1;
    t.EnumNames = {"False", "True"};
    return t;
  }());
  return &info;
}

PTypeInfo OrdinalTypeInfo(TTypeKind kind, TOrdType ot) {
  struct TEntry {
    const char* Name;
    int64_t Min, Max;
  };
  static const TEntry integers[] = {{"ShortInt", -128, 127},      {"Byte", 0, 255},
                                    {"SmallInt", -32768, 32767},  {"Word", 0, 65535},
                                    {"Integer", INT32_MIN, INT32_MAX}, {"Cardinal", 0, UINT32_MAX}};
  static const std::vector<TTypeInfo>& table = *new std::vector<TTypeInfo>([] {
    std::vector<TTypeInfo> v;
    for (int i = 0; i < 6; ++i) {
      TTypeInfo t;
      t.Kind = tkInteger;
      t.Name = integers[i].Name;
      t.OrdType = static_cast<TOrdType>(i);
      t.MinValue = integers[i].Min;
      t.MaxValue = integers[i].Max;
      v.push_back(t);
    }
    TTypeInfo c;
    c.Kind = tkChar;
    c.Name = "Char";
    c.OrdType = otUByte;
    c.MaxValue = 255;
    v.push_back(c);
    TTypeInfo w;
    w.Kind = tkWChar;
    w.Name = "WideChar";
    w.OrdType = otUWord;
    w.MaxValue = 65535;
    v.push_back(w);
    return v;
  }());
  if (kind == tkChar) return &table[6];
  if (kind == tkWChar) return &table[7];
  return &table[ot];
}

PTypeInfo Int64TypeInfo() {
  static const TTypeInfo& info = *new TTypeInfo([] {
    TTypeInfo t;
    t.Kind = tkInt64;
    t.Name = "Int64";
    t.MinValue = INT64_MIN;
    t.MaxValue = INT64_MAX;
    return t;
  }());
  return &info;
}

PTypeInfo FloatTypeInfo(TFloatType ft) {
  static const std::vector<TTypeInfo>& table = *new std::vector<TTypeInfo>([] {
    const char* names[] = {"Single", "Double", "Extended", "Comp", "Currency"};
    std::vector<TTypeInfo> v;
    for (int i = 0; i < 5; ++i) {
      TTypeInfo t;
      t.Kind = tkFloat;
      t.Name = names[i];
      t.FloatType = static_cast<TFloatType>(i);
      v.push_back(t);
    }
    return v;
  }());
  return &table[ft];
}

PTypeInfo StringTypeInfo() {
  static const TTypeInfo& info = *new TTypeInfo([] {
    TTypeInfo t;
    t.Kind = tkString;
    t.Name = "string";
    return t;
  }());
  return &info;
}

PTypeInfo WideStringTypeInfo() {
  static const TTypeInfo& info = *new TTypeInfo([] {
    TTypeInfo t;
    t.Kind = tkWString;
    t.Name = "WideString";
    return t;
  }());
  return &info;
}

PTypeInfo ClassTypeInfo(TClass cls) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto it = s.Classes.find(cls);
  if (it != s.Classes.end()) return it->second;
  auto t = MakeType(tkClass, cls->ClassNameCStr());
  t->ClassType = cls;
  return s.Classes[cls] = s.Keep(std::move(t));
}

PTypeInfo SetTypeInfo(PTypeInfo compType, size_t size) {
  if (compType->Kind == tkEnumeration && compType->MaxValue >= static_cast<int64_t>(size))
    throw EInvalidOperation("A set of " + compType->Name + " needs room for " +
                            std::to_string(compType->MaxValue + 1) + " members");
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto key = std::make_pair(compType, size);
  auto it = s.Sets.find(key);
  if (it != s.Sets.end()) return it->second;
  auto t = MakeType(tkSet, "");
  t->Name = "set of " + compType->Name;
  t->CompType = compType;
  t->SetSize = size;
  return s.Sets[key] = s.Keep(std::move(t));
}

PTypeInfo MethodTypeInfo(const std::type_info& signature, const char* name) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  std::type_index key(signature);
  auto it = s.Methods.find(key);
  if (it != s.Methods.end()) return it->second;
  auto t = MakeType(tkMethod, name);
  t->MethodSignature = &signature;
  return s.Methods[key] = s.Keep(std::move(t));
}

PTypeInfo VariantTypeInfo() {
  static const TTypeInfo& info = *new TTypeInfo([] {
    TTypeInfo t;
    t.Kind = tkVariant;
    t.Name = "Variant";
    return t;
  }());
  return &info;
}

PTypeInfo InterfaceTypeInfo(const std::type_info& type, const TGUID& iid) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  std::type_index key(type);
  auto it = s.Interfaces.find(key);
  if (it != s.Interfaces.end()) return it->second;
  auto t = MakeType(tkInterface, "IInterface");
  t->IntfGUID = iid;
  return s.Interfaces[key] = s.Keep(std::move(t));
}

const TTypeInfo* MakeEnumTypeInfo(const char* name, const char* names, const long long* ords, size_t count) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  String key = UpperAscii(name);
  auto it = s.ByName.find(key);
  if (it != s.ByName.end()) return it->second;
  auto t = MakeType(tkEnumeration, name);
  String list = names;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == String::npos) comma = list.size();
    String item = Trim(list.substr(start, comma - start));
    if (!item.empty()) t->EnumNames.push_back(item);
    start = comma + 1;
  }
  if (t->EnumNames.size() != count) throw EInvalidOperation(String("Enumeration ") + name + " lists its names wrongly");
  for (size_t i = 0; i < count; ++i)
    if (ords[i] != static_cast<long long>(i))
      throw EInvalidOperation(String("Enumeration ") + name + " must list its values 0, 1, 2... in order");
  t->OrdType = count <= 256 ? otUByte : count <= 65536 ? otUWord : otULong;
  t->MinValue = 0;
  t->MaxValue = static_cast<int64_t>(count) - 1;
  return s.ByName[key] = s.Keep(std::move(t));
}


// The accessors' answers for kinds they do not hold; the generic functions check kinds first, so
// these are reached only through a TPropAccess used directly.
namespace {
[[noreturn]] void WrongKind() { throw EPropertyError("Invalid property type"); }
}  // namespace
int64_t TPropAccess::GetOrd(TObject*) const { WrongKind(); }
void TPropAccess::SetOrd(TObject*, int64_t) const { WrongKind(); }
double TPropAccess::GetFloat(TObject*) const { WrongKind(); }
void TPropAccess::SetFloat(TObject*, double) const { WrongKind(); }
Currency TPropAccess::GetCurrency(TObject*) const { WrongKind(); }
void TPropAccess::SetCurrency(TObject*, Currency) const { WrongKind(); }
String TPropAccess::GetStr(TObject*) const { WrongKind(); }
void TPropAccess::SetStr(TObject*, const String&) const { WrongKind(); }
WideString TPropAccess::GetWideStr(TObject*) const { WrongKind(); }
void TPropAccess::SetWideStr(TObject*, const WideString&) const { WrongKind(); }
TObject* TPropAccess::GetObject(TObject*) const { WrongKind(); }
void TPropAccess::SetObject(TObject*, TObject*) const { WrongKind(); }
TMethod TPropAccess::GetMethod(TObject*) const { WrongKind(); }
void TPropAccess::SetMethod(TObject*, const TMethod&) const { WrongKind(); }
TSetBits TPropAccess::GetSet(TObject*) const { WrongKind(); }
void TPropAccess::SetSet(TObject*, const TSetBits&) const { WrongKind(); }
void TPropAccess::GetVariant(TObject*, Variant&) const { WrongKind(); }
void TPropAccess::SetVariant(TObject*, const Variant&) const { WrongKind(); }
IPtr<IInterface> TPropAccess::GetInterface(TObject*) const { WrongKind(); }
void TPropAccess::SetInterface(TObject*, const IPtr<IInterface>&) const { WrongKind(); }

namespace {

// The shared part of the per-category accessors: the erased getter and setter.
template <class E>
class TErased : public TPropAccess {
public:
  TErased(TGetFn<E> get, TSetFn<E> set) : FGet(std::move(get)), FSet(std::move(set)) {
    CanRead = static_cast<bool>(FGet);
    CanWrite = static_cast<bool>(FSet);
  }

protected:
  E Read(TObject* o) const {
    if (!FGet) throw EPropertyError("Property is write-only");
    return FGet(o);
  }
  void Write(TObject* o, const E& v) const {
    if (!FSet) RaiseReadOnly();
    FSet(o, v);
  }

private:
  TGetFn<E> FGet;
  TSetFn<E> FSet;
};

class TOrdAccess final : public TErased<int64_t> {
public:
  using TErased::TErased;
  int64_t GetOrd(TObject* o) const override { return Read(o); }
  void SetOrd(TObject* o, int64_t v) const override { Write(o, v); }
};

class TFloatAccess final : public TErased<double> {
public:
  using TErased::TErased;
  double GetFloat(TObject* o) const override { return Read(o); }
  void SetFloat(TObject* o, double v) const override { Write(o, v); }
};

class TCurrencyAccess final : public TErased<Currency> {
public:
  using TErased::TErased;
  double GetFloat(TObject* o) const override { return Read(o).ToDouble(); }
  void SetFloat(TObject* o, double v) const override { Write(o, Currency::FromDouble(v)); }
  Currency GetCurrency(TObject* o) const override { return Read(o); }
  void SetCurrency(TObject* o, Currency v) const override { Write(o, v); }
};

class TStrAccess final : public TErased<String> {
public:
  using TErased::TErased;
  String GetStr(TObject* o) const override { return Read(o); }
  void SetStr(TObject* o, const String& v) const override { Write(o, v); }
  WideString GetWideStr(TObject* o) const override { return Utf8ToUtf16(Read(o)); }
  void SetWideStr(TObject* o, const WideString& v) const override { Write(o, Utf16ToUtf8(v)); }
};

class TWideStrAccess final : public TErased<WideString> {
public:
  using TErased::TErased;
  String GetStr(TObject* o) const override { return Utf16ToUtf8(Read(o)); }
  void SetStr(TObject* o, const String& v) const override { Write(o, Utf8ToUtf16(v)); }
  WideString GetWideStr(TObject* o) const override { return Read(o); }
  void SetWideStr(TObject* o, const WideString& v) const override { Write(o, v); }
};

class TObjectAccess final : public TErased<TObject*> {
public:
  using TErased::TErased;
  TObject* GetObject(TObject* o) const override { return Read(o); }
  void SetObject(TObject* o, TObject* v) const override { Write(o, v); }
};

class TMethodAccess final : public TErased<TMethod> {
public:
  using TErased::TErased;
  TMethod GetMethod(TObject* o) const override { return Read(o); }
  void SetMethod(TObject* o, const TMethod& v) const override { Write(o, v); }
};

class TSetAccess final : public TErased<TSetBits> {
public:
  using TErased::TErased;
  TSetBits GetSet(TObject* o) const override { return Read(o); }
  void SetSet(TObject* o, const TSetBits& v) const override { Write(o, v); }
  int64_t GetOrd(TObject* o) const override { return static_cast<int64_t>(Read(o).Words[0]); }
  void SetOrd(TObject* o, int64_t v) const override {
    TSetBits bits;
    bits.Words[0] = static_cast<uint64_t>(v);
    Write(o, bits);
  }
};

class TInterfaceAccess final : public TErased<IPtr<IInterface>> {
public:
  using TErased::TErased;
  IPtr<IInterface> GetInterface(TObject* o) const override { return Read(o); }
  void SetInterface(TObject* o, const IPtr<IInterface>& v) const override { Write(o, v); }
};

class TVariantAccess final : public TPropAccess {
public:
  TVariantAccess(std::function<void(TObject*, Variant&)> get, std::function<void(TObject*, const Variant&)> set)
      : FGet(std::move(get)), FSet(std::move(set)) {
    CanRead = static_cast<bool>(FGet);
    CanWrite = static_cast<bool>(FSet);
  }
  void GetVariant(TObject* o, Variant& out) const override {
    if (!FGet) throw EPropertyError("Property is write-only");
    FGet(o, out);
  }
  void SetVariant(TObject* o, const Variant& v) const override {
    if (!FSet) RaiseReadOnly();
    FSet(o, v);
  }

private:
  std::function<void(TObject*, Variant&)> FGet;
  std::function<void(TObject*, const Variant&)> FSet;
};

}  // namespace

std::unique_ptr<TPropAccess> MakeOrdAccess(TGetFn<int64_t> get, TSetFn<int64_t> set) {
  return std::make_unique<TOrdAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeFloatAccess(TGetFn<double> get, TSetFn<double> set) {
  return std::make_unique<TFloatAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeCurrencyAccess(TGetFn<Currency> get, TSetFn<Currency> set) {
  return std::make_unique<TCurrencyAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeStrAccess(TGetFn<String> get, TSetFn<String> set) {
  return std::make_unique<TStrAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeWideStrAccess(TGetFn<WideString> get, TSetFn<WideString> set) {
  return std::make_unique<TWideStrAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeObjectAccess(TGetFn<TObject*> get, TSetFn<TObject*> set) {
  return std::make_unique<TObjectAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeMethodAccess(TGetFn<TMethod> get, TSetFn<TMethod> set) {
  return std::make_unique<TMethodAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeSetAccess(TGetFn<TSetBits> get, TSetFn<TSetBits> set) {
  return std::make_unique<TSetAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeInterfaceAccess(TGetFn<IPtr<IInterface>> get, TSetFn<IPtr<IInterface>> set) {
  return std::make_unique<TInterfaceAccess>(std::move(get), std::move(set));
}
std::unique_ptr<TPropAccess> MakeVariantAccess(std::function<void(TObject*, Variant&)> get,
                                               std::function<void(TObject*, const Variant&)> set) {
  return std::make_unique<TVariantAccess>(std::move(get), std::move(set));
}

void RaiseReadOnly() { throw EPropertyError("Property is read-only"); }

void RaiseBadDefault(const TPropInfo& info) {
  throw EInvalidOperation("Property " + info.Name + " of type " + info.PropType->Name + " cannot have a default");
}

void CheckAlias(const TPropInfo& info, PTypeInfo type) {
  PTypeInfo base = type;
  while (base->BaseType) base = base->BaseType;
  PTypeInfo own = info.PropType;
  while (own->BaseType) own = own->BaseType;
  if (base != own)
    throw EInvalidOperation("Property " + info.Name + " cannot be given the type " + type->Name);
}

}  // namespace rtl_detail

PTypeInfo TypeInfoAlias(const String& name, PTypeInfo base) {
  TTypeStore& s = Types();
  std::lock_guard<std::mutex> guard(s.Lock);
  String key = UpperAscii(name);
  auto it = s.ByName.find(key);
  if (it != s.ByName.end()) {
    if (it->second->BaseType != base) throw EInvalidOperation("The type name " + name + " is taken");
    return it->second;
  }
  auto t = std::make_unique<TTypeInfo>(*base);
  t->Name = name;
  t->BaseType = base;
  return s.ByName[key] = s.Keep(std::move(t));
}

PTypeInfo TypeInfoDateTime() {
  static PTypeInfo info = TypeInfoAlias("TDateTime", TypeInfo<double>());
  return info;
}

// ---------------------------------------------------------------------------------------------------
// Class tables

namespace {

std::recursive_mutex& RttiLock() {
  static std::recursive_mutex& m = *new std::recursive_mutex;
  return m;
}

std::vector<std::unique_ptr<TClassRtti>>& RttiStore() {
  static auto& v = *new std::vector<std::unique_ptr<TClassRtti>>;
  return v;
}

}  // namespace

const TClassRtti* GetClassRtti(TClass cls) {
  if (const TClassRtti* r = cls->FRtti.load(std::memory_order_acquire)) return r;
  std::lock_guard<std::recursive_mutex> guard(RttiLock());
  if (const TClassRtti* r = cls->FRtti.load(std::memory_order_acquire)) return r;
  const TClassRtti* parent = cls->ClassParent() ? GetClassRtti(cls->ClassParent()) : nullptr;
  if (parent && !cls->Published()) {
    cls->FRtti.store(parent, std::memory_order_release);
    return parent;
  }
  auto rtti = std::make_unique<TClassRtti>();
  rtti->Class = cls;
  rtti->Parent = parent;
  if (parent) {
    rtti->Props = parent->Props;
    rtti->PropIndex = parent->PropIndex;
  }
  if (cls->Published()) {
    TPublishedBuilder builder(*rtti);
    cls->Published()(builder);
  }
  const TClassRtti* result = rtti.get();
  RttiStore().push_back(std::move(rtti));
  cls->FRtti.store(result, std::memory_order_release);
  return result;
}

TPropInfo& TPublishedBuilder::AddProp(String name, PTypeInfo type,
                                      std::unique_ptr<const rtl_detail::TPropAccess> access) {
  auto info = std::make_unique<TPropInfo>();
  info->Name = std::move(name);
  info->PropType = type;
  info->Owner = FRtti.Class;
  info->Access = std::move(access);
  String key = UpperAscii(info->Name);
  auto it = FRtti.PropIndex.find(key);
  if (it != FRtti.PropIndex.end()) {
    info->NameIndex = it->second->NameIndex;  // a redeclaration keeps the inherited position
    FRtti.Props[info->NameIndex] = info.get();
  } else {
    info->NameIndex = static_cast<int>(FRtti.Props.size());
    FRtti.Props.push_back(info.get());
  }
  FRtti.PropIndex[key] = info.get();
  FRtti.OwnProps.push_back(std::move(info));
  return *FRtti.OwnProps.back();
}

void TPublishedBuilder::AddMethod(String name, TMethodCode code) {
  FRtti.Methods.push_back(TPublishedMethod{std::move(name), code});
}

void TPublishedBuilder::AddField(TPublishedField field) { FRtti.Fields.push_back(std::move(field)); }

// ---------------------------------------------------------------------------------------------------
// Queries

namespace {

const TPropInfo* Require(TClass cls, const String& name) {
  const TPropInfo* p = GetPropInfo(cls, name);
  if (!p) throw EPropertyError("Property " + name + " does not exist");
  return p;
}

const TPropInfo* Require(const TObject* obj, const String& name) {
  if (!obj) throw EPropertyError("Property " + name + " does not exist");
  return Require(obj->ClassType(), name);
}

// The instance must be of the class that declared the property (the accessor casts to it).
void CheckAccess(TObject* obj, const TPropInfo* prop, TTypeKinds kinds) {
  if (!obj || !obj->InheritsFrom(prop->Owner))
    throw EInvalidCast("Property " + prop->Name + " does not belong to " + (obj ? obj->ClassName() : String("nil")));
  if (!kinds.Contains(prop->Kind())) throw EPropertyError("Invalid property type: " + prop->PropType->Name);
}

void CheckRead(TObject* obj, const TPropInfo* prop, TTypeKinds kinds) {
  CheckAccess(obj, prop, kinds);
  if (!prop->Readable()) throw EPropertyError("Property " + prop->Name + " is write-only");
}

void CheckWrite(TObject* obj, const TPropInfo* prop, TTypeKinds kinds) {
  CheckAccess(obj, prop, kinds);
  if (!prop->Writable()) rtl_detail::RaiseReadOnly();
}

constexpr TTypeKinds kOrdinalKinds{tkInteger, tkChar, tkWChar, tkEnumeration, tkSet, tkInt64};
constexpr TTypeKinds kStringKinds{tkString, tkLString, tkWString};

}  // namespace

const TPropInfo* rtl_detail::RequireProp(const TObject* obj, const String& name) { return Require(obj, name); }

const TPropInfo* GetPropInfo(TClass cls, const String& name) {
  if (!cls) return nullptr;
  const TClassRtti* r = GetClassRtti(cls);
  auto it = r->PropIndex.find(UpperAscii(name));
  return it == r->PropIndex.end() ? nullptr : it->second;
}

const TPropInfo* GetPropInfo(const TObject* obj, const String& name) {
  return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

const TPropInfo* GetPropInfo(TClass cls, const String& name, TTypeKinds kinds) {
  const TPropInfo* p = GetPropInfo(cls, name);
  return p && kinds.Contains(p->Kind()) ? p : nullptr;
}

const std::vector<const TPropInfo*>& GetPropList(TClass cls) { return GetClassRtti(cls)->Props; }

std::vector<const TPropInfo*> GetPropList(TClass cls, TTypeKinds kinds, bool sorted) {
  std::vector<const TPropInfo*> r;
  for (const TPropInfo* p : GetPropList(cls))
    if (kinds.Contains(p->Kind())) r.push_back(p);
  if (sorted)
    std::stable_sort(r.begin(), r.end(),
                     [](const TPropInfo* a, const TPropInfo* b) { return UpperAscii(a->Name) < UpperAscii(b->Name); });
  return r;
}

bool IsPublishedProp(TClass cls, const String& name) { return GetPropInfo(cls, name) != nullptr; }
bool IsPublishedProp(const TObject* obj, const String& name) { return GetPropInfo(obj, name) != nullptr; }
bool PropIsType(const TObject* obj, const String& name, TTypeKind kind) { return PropType(obj, name) == kind; }
TTypeKind PropType(const TObject* obj, const String& name) { return Require(obj, name)->Kind(); }

bool IsStoredProp(TObject* obj, const TPropInfo* prop) {
  switch (prop->StoredKind) {
    case TStoredKind::Always:
      return true;
    case TStoredKind::Never:
      return false;
    case TStoredKind::Function:
      CheckAccess(obj, prop, tkAny);
      return prop->StoredFn(obj);
  }
  return true;
}
bool IsStoredProp(TObject* obj, const String& name) { return IsStoredProp(obj, Require(obj, name)); }

int64_t GetOrdProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, kOrdinalKinds);
  return prop->Access->GetOrd(obj);
}
int64_t GetOrdProp(TObject* obj, const String& name) { return GetOrdProp(obj, Require(obj, name)); }

void SetOrdProp(TObject* obj, const TPropInfo* prop, int64_t value) {
  CheckWrite(obj, prop, kOrdinalKinds);
  if (prop->Kind() == tkEnumeration && (value < prop->PropType->MinValue || value > prop->PropType->MaxValue))
    throw EPropertyConvertError("Invalid property value");
  prop->Access->SetOrd(obj, value);
}
void SetOrdProp(TObject* obj, const String& name, int64_t value) { SetOrdProp(obj, Require(obj, name), value); }

int64_t GetInt64Prop(TObject* obj, const TPropInfo* prop) { return GetOrdProp(obj, prop); }
int64_t GetInt64Prop(TObject* obj, const String& name) { return GetOrdProp(obj, Require(obj, name)); }
void SetInt64Prop(TObject* obj, const TPropInfo* prop, int64_t value) { SetOrdProp(obj, prop, value); }
void SetInt64Prop(TObject* obj, const String& name, int64_t value) { SetOrdProp(obj, Require(obj, name), value); }

double GetFloatProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, TTypeKinds{tkFloat});
  return prop->Access->GetFloat(obj);
}
double GetFloatProp(TObject* obj, const String& name) { return GetFloatProp(obj, Require(obj, name)); }
void SetFloatProp(TObject* obj, const TPropInfo* prop, double value) {
  CheckWrite(obj, prop, TTypeKinds{tkFloat});
  prop->Access->SetFloat(obj, value);
}
void SetFloatProp(TObject* obj, const String& name, double value) { SetFloatProp(obj, Require(obj, name), value); }

Currency GetCurrencyProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, TTypeKinds{tkFloat});
  if (prop->PropType->FloatType == ftCurr) return prop->Access->GetCurrency(obj);
  return Currency::FromDouble(prop->Access->GetFloat(obj));
}
void SetCurrencyProp(TObject* obj, const TPropInfo* prop, Currency value) {
  CheckWrite(obj, prop, TTypeKinds{tkFloat});
  if (prop->PropType->FloatType == ftCurr)
    prop->Access->SetCurrency(obj, value);
  else
    prop->Access->SetFloat(obj, value.ToDouble());
}

String GetStrProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, kStringKinds);
  return prop->Access->GetStr(obj);
}
String GetStrProp(TObject* obj, const String& name) { return GetStrProp(obj, Require(obj, name)); }
void SetStrProp(TObject* obj, const TPropInfo* prop, const String& value) {
  CheckWrite(obj, prop, kStringKinds);
  prop->Access->SetStr(obj, value);
}
void SetStrProp(TObject* obj, const String& name, const String& value) {
  SetStrProp(obj, Require(obj, name), value);
}
WideString GetWideStrProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, kStringKinds);
  return prop->Access->GetWideStr(obj);
}
void SetWideStrProp(TObject* obj, const TPropInfo* prop, const WideString& value) {
  CheckWrite(obj, prop, kStringKinds);
  prop->Access->SetWideStr(obj, value);
}

TObject* GetObjectProp(TObject* obj, const TPropInfo* prop, TClass minClass) {
  CheckRead(obj, prop, TTypeKinds{tkClass});
  TObject* v = prop->Access->GetObject(obj);
  if (v && minClass && !v->InheritsFrom(minClass)) return nullptr;
  return v;
}
TObject* GetObjectProp(TObject* obj, const String& name, TClass minClass) {
  return GetObjectProp(obj, Require(obj, name), minClass);
}
void SetObjectProp(TObject* obj, const TPropInfo* prop, TObject* value) {
  CheckWrite(obj, prop, TTypeKinds{tkClass});
  if (value && !value->InheritsFrom(prop->PropType->ClassType)) return;
  prop->Access->SetObject(obj, value);
}
void SetObjectProp(TObject* obj, const String& name, TObject* value) {
  SetObjectProp(obj, Require(obj, name), value);
}

TMethod GetMethodProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, tkMethods);
  return prop->Access->GetMethod(obj);
}
TMethod GetMethodProp(TObject* obj, const String& name) { return GetMethodProp(obj, Require(obj, name)); }
void SetMethodProp(TObject* obj, const TPropInfo* prop, const TMethod& value) {
  CheckWrite(obj, prop, tkMethods);
  prop->Access->SetMethod(obj, value);
}
void SetMethodProp(TObject* obj, const String& name, const TMethod& value) {
  SetMethodProp(obj, Require(obj, name), value);
}

String GetEnumProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, TTypeKinds{tkEnumeration});
  return GetEnumName(prop->PropType, prop->Access->GetOrd(obj));
}
String GetEnumProp(TObject* obj, const String& name) { return GetEnumProp(obj, Require(obj, name)); }
void SetEnumProp(TObject* obj, const TPropInfo* prop, const String& value) {
  CheckWrite(obj, prop, TTypeKinds{tkEnumeration});
  int64_t v = GetEnumValue(prop->PropType, value);
  if (v < 0) throw EPropertyConvertError("Invalid property element: " + value);
  prop->Access->SetOrd(obj, v);
}
void SetEnumProp(TObject* obj, const String& name, const String& value) {
  SetEnumProp(obj, Require(obj, name), value);
}

TSetBits GetSetBits(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, TTypeKinds{tkSet});
  return prop->Access->GetSet(obj);
}
void SetSetBits(TObject* obj, const TPropInfo* prop, const TSetBits& value) {
  CheckWrite(obj, prop, TTypeKinds{tkSet});
  prop->Access->SetSet(obj, value);
}
String GetSetProp(TObject* obj, const TPropInfo* prop, bool brackets) {
  return SetToString(prop->PropType, GetSetBits(obj, prop), brackets);
}
String GetSetProp(TObject* obj, const String& name, bool brackets) {
  return GetSetProp(obj, Require(obj, name), brackets);
}
void SetSetProp(TObject* obj, const TPropInfo* prop, const String& value) {
  CheckWrite(obj, prop, TTypeKinds{tkSet});
  prop->Access->SetSet(obj, StringToSet(prop->PropType, value));
}
void SetSetProp(TObject* obj, const String& name, const String& value) {
  SetSetProp(obj, Require(obj, name), value);
}

void GetVariantProp(TObject* obj, const TPropInfo* prop, Variant& out) {
  CheckRead(obj, prop, TTypeKinds{tkVariant});
  prop->Access->GetVariant(obj, out);
}
void SetVariantProp(TObject* obj, const TPropInfo* prop, const Variant& value) {
  CheckWrite(obj, prop, TTypeKinds{tkVariant});
  prop->Access->SetVariant(obj, value);
}

IPtr<IInterface> GetInterfaceProp(TObject* obj, const TPropInfo* prop) {
  CheckRead(obj, prop, TTypeKinds{tkInterface});
  return prop->Access->GetInterface(obj);
}
void SetInterfaceProp(TObject* obj, const TPropInfo* prop, IInterface* value) {
  CheckWrite(obj, prop, TTypeKinds{tkInterface});
  prop->Access->SetInterface(obj, IPtr<IInterface>(value));
}

String GetEnumName(PTypeInfo type, int64_t value) {
  if (type->Kind == tkEnumeration) {
    if (value < 0 || value >= static_cast<int64_t>(type->EnumNames.size())) return String();
    return type->EnumNames[static_cast<size_t>(value)];
  }
  return std::to_string(value);
}

int64_t GetEnumValue(PTypeInfo type, const String& name) {
  if (type->Kind == tkEnumeration) {
    for (size_t i = 0; i < type->EnumNames.size(); ++i)
      if (SameTextAscii(type->EnumNames[i], name)) return static_cast<int64_t>(i);
    return -1;
  }
  // Integer element types (sets of small numbers) name their members by number.
  String t = Trim(name);
  if (t.empty()) return -1;
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9' || v > (int64_t(1) << 40)) return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

String SetToString(PTypeInfo setType, const TSetBits& value, bool brackets) {
  PTypeInfo comp = setType->Kind == tkSet ? setType->CompType : setType;
  size_t size = setType->Kind == tkSet ? setType->SetSize : 256;
  String r;
  for (size_t i = 0; i < size && i < 256; ++i) {
    if (!((value.Words[i / 64] >> (i % 64)) & 1u)) continue;
    if (!r.empty()) r += ',';
    r += GetEnumName(comp, static_cast<int64_t>(i));
  }
  return brackets ? "[" + r + "]" : r;
}

TSetBits StringToSet(PTypeInfo setType, const String& value) {
  PTypeInfo comp = setType->Kind == tkSet ? setType->CompType : setType;
  int64_t size = setType->Kind == tkSet ? static_cast<int64_t>(setType->SetSize) : 256;
  String text = Trim(value);
  if (!text.empty() && text.front() == '[') text.erase(0, 1);
  if (!text.empty() && text.back() == ']') text.pop_back();
  TSetBits bits;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == String::npos) comma = text.size();
    String item = Trim(text.substr(start, comma - start));
    start = comma + 1;
    if (item.empty()) continue;
    int64_t v = GetEnumValue(comp, item);
    if (v < 0 || v >= size || v >= 256) throw EPropertyConvertError("Invalid property element: " + item);
    bits.Words[v / 64] |= uint64_t(1) << (v % 64);
  }
  return bits;
}

// ---------------------------------------------------------------------------------------------------
// Identifier maps

namespace {
struct TIntConsts {
  TIdentToInt ToInt;
  TIntToIdent ToIdent;
};
struct TIntConstStore {
  std::mutex Lock;
  std::map<PTypeInfo, TIntConsts> Maps;
};
TIntConstStore& IntConsts() {
  static TIntConstStore& s = *new TIntConstStore;
  return s;
}
}  // namespace

void RegisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent) {
  TIntConstStore& s = IntConsts();
  std::lock_guard<std::mutex> guard(s.Lock);
  s.Maps[intType] = TIntConsts{std::move(identToInt), std::move(intToIdent)};
}

void RegisterIntegerConsts(PTypeInfo intType, const TIdentMapEntry* map, size_t count) {
  auto table = std::make_shared<std::vector<TIdentMapEntry>>(map, map + count);
  RegisterIntegerConsts(
      intType,
      [table](const String& ident, int32_t& value) { return IdentToInt(ident, value, table->data(), table->size()); },
      [table](int32_t value, String& ident) { return IntToIdent(value, ident, table->data(), table->size()); });
}

TIdentToInt FindIdentToInt(PTypeInfo intType) {
  TIntConstStore& s = IntConsts();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto it = s.Maps.find(intType);
  return it == s.Maps.end() ? TIdentToInt() : it->second.ToInt;
}

TIntToIdent FindIntToIdent(PTypeInfo intType) {
  TIntConstStore& s = IntConsts();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto it = s.Maps.find(intType);
  return it == s.Maps.end() ? TIntToIdent() : it->second.ToIdent;
}

bool IdentToInt(const String& ident, int32_t& value, const TIdentMapEntry* map, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (SameTextAscii(map[i].Name, ident)) {
      value = map[i].Value;
      return true;
    }
  return false;
}

bool IntToIdent(int32_t value, String& ident, const TIdentMapEntry* map, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (map[i].Value == value) {
      ident = map[i].Name;
      return true;
    }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// Published methods and fields

const TMethodCode* MethodAddress(TClass cls, const String& name) {
  if (!cls) return nullptr;
  for (const TClassRtti* r = GetClassRtti(cls); r; r = r->Parent)
    for (const TPublishedMethod& m : r->Methods)
      if (SameTextAscii(m.Name, name)) return &m.Code;
  return nullptr;
}

String MethodName(TClass cls, const TMethodCode& code) {
  if (!cls || !code.Assigned()) return String();
  for (const TClassRtti* r = GetClassRtti(cls); r; r = r->Parent)
    for (const TPublishedMethod& m : r->Methods)
      if (m.Code == code) return m.Name;
  return String();
}

TMethod FindMethod(TObject* instance, const String& name) {
  TMethod m;
  if (!instance) return m;
  if (const TMethodCode* code = MethodAddress(instance->ClassType(), name)) {
    m.Data = instance;
    m.Code = *code;
  }
  return m;
}

const TPublishedField* FindPublishedField(TClass cls, const String& name) {
  if (!cls) return nullptr;
  for (const TClassRtti* r = GetClassRtti(cls); r; r = r->Parent)
    for (const TPublishedField& f : r->Fields)
      if (SameTextAscii(f.Name, name)) return &f;
  return nullptr;
}

bool SetPublishedField(TObject* instance, const String& name, TObject* value) {
  const TPublishedField* f = instance ? FindPublishedField(instance->ClassType(), name) : nullptr;
  if (!f) return false;
  if (value && !value->InheritsFrom(f->FieldClass))
    throw EInvalidCast("Field " + name + " cannot hold a " + value->ClassName());
  f->Set(instance, value);
  return true;
}

TObject* GetPublishedField(TObject* instance, const String& name) {
  const TPublishedField* f = instance ? FindPublishedField(instance->ClassType(), name) : nullptr;
  return f ? f->Get(instance) : nullptr;
}
