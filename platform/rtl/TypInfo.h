#pragma once
// Run-time type information of published properties, methods and fields: the one registry that the
// component streamer, the property filer, the bar layout storage and the grid's stored properties read.
//
// A class that publishes declares it in its header and fills its table in its .cpp:
//
//   class TMyComp : public TComponent {
//     RTL_CLASS(TMyComp, TComponent)
//     RTL_PUBLISHED_DECL
//     ...
//   };
//
//   // TMyComp.cpp
//   #include "rtl/TypInfo.h"
//   RTL_PUBLISHED(TMyComp) {
//     prop("Caption", &TMyComp::Caption, &TMyComp::SetCaption);
//     prop("Tag", &TMyComp::Tag, &TMyComp::SetTag).Default(0);
//     prop("Align", &TMyComp::Align, &TMyComp::SetAlign).Default(alNone).Stored(&TMyComp::IsAlignStored);
//     prop("Color", &TMyComp::Color, &TMyComp::SetColor).Type(TypeInfoAlias("TColor", TypeInfo<int32_t>()));
//     event("OnClick", &TMyComp::OnClick, &TMyComp::SetOnClick);
//     method("btClick", &TMyComp::btClick);
//     field("btOK", &TMyComp::btOK);
//   }
//
// The body runs once, on the first RTTI query about the class (or a descendant), as a friend of the
// class, so private getters and setters may be named. Getters are anything callable on the object
// (member functions, data members, lambdas taking T&); setters anything callable with (T&, value), a data
// member, or nullptr for a read-only property. A descendant that publishes a property of the same name
// replaces the inherited entry in place (a new default, a new stored rule).
//
// Only .cpp files that register or query RTTI include this header; System.h stays light.

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "rtl/Currency.h"
#include "rtl/Events.h"
#include "rtl/GUID.h"
#include "rtl/Interfaces.h"
#include "rtl/Sets.h"
#include "rtl/System.h"

class Variant;  // rtl/Variants.h: only files that publish or read Variant properties need it

RTL_EXCEPTION(EPropertyError, Exception)
RTL_EXCEPTION(EPropertyConvertError, Exception)

// The platform's type kinds, with their values.
enum TTypeKind : uint8_t {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod, tkWChar,
  tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
RTL_ENUM(TTypeKind, tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
         tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray)
using TTypeKinds = Set<TTypeKind>;
inline constexpr TTypeKinds tkAny{tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet,
                                  tkClass, tkMethod, tkWChar, tkLString, tkWString, tkVariant, tkArray,
                                  tkRecord, tkInterface, tkInt64, tkDynArray};
inline constexpr TTypeKinds tkProperties = tkAny - TTypeKinds{tkMethod, tkUnknown};
inline constexpr TTypeKinds tkMethods{tkMethod};

enum TOrdType : uint8_t { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType : uint8_t { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// The members of a set value, up to 256, as RTTI passes them around (bit n = ordinal n).
struct TSetBits {
  uint64_t Words[4] = {};
  friend bool operator==(const TSetBits&, const TSetBits&) = default;
};

// The type of a property. String properties (UTF-8 String) have kind tkString, WideString tkWString;
// Boolean is the enumeration "Boolean" (False, True).
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  String Name;
  TOrdType OrdType = otSLong;                       // tkInteger, tkChar, tkWChar, tkEnumeration
  int64_t MinValue = 0, MaxValue = 0;               // ordinal kinds and tkInt64
  TFloatType FloatType = ftDouble;                  // tkFloat
  std::vector<String> EnumNames;                    // tkEnumeration: the names by ordinal
  const TTypeInfo* CompType = nullptr;              // tkSet: the element type
  size_t SetSize = 0;                               // tkSet: the number of possible members
  TClass ClassType = nullptr;                       // tkClass
  const std::type_info* MethodSignature = nullptr;  // tkMethod: typeid of the Event<...>
  TGUID IntfGUID;                                   // tkInterface: the interface's IID (null if none)
  const TTypeInfo* BaseType = nullptr;              // an alias made by TypeInfoAlias: the type it renames
};
using PTypeInfo = const TTypeInfo*;

namespace rtl_detail {
PTypeInfo BooleanTypeInfo();
PTypeInfo OrdinalTypeInfo(TTypeKind kind, TOrdType ot);  // Integer family, Char, WideChar
PTypeInfo Int64TypeInfo();
PTypeInfo FloatTypeInfo(TFloatType ft);
PTypeInfo StringTypeInfo();
PTypeInfo WideStringTypeInfo();
PTypeInfo ClassTypeInfo(TClass cls);
PTypeInfo SetTypeInfo(PTypeInfo compType, size_t size);
PTypeInfo MethodTypeInfo(const std::type_info& signature, const char* name);
PTypeInfo VariantTypeInfo();
PTypeInfo InterfaceTypeInfo(const std::type_info& type, const TGUID& iid);

template <class V>
struct IsSetType : std::false_type {};
template <class E, size_t B>
struct IsSetType<Set<E, B>> : std::true_type {};
template <class V>
struct IsIPtrType : std::false_type {};
template <class I>
struct IsIPtrType<IPtr<I>> : std::true_type {
  using Interface = I;
};
template <class V>
struct IsEventType : std::false_type {};
template <class R, class... A>
struct IsEventType<TMethodEvent<R, A...>> : std::true_type {};

template <class V>
constexpr bool IsOrdinal = std::is_integral_v<V> || std::is_enum_v<V>;
template <class V>
constexpr bool IsFloat = std::is_floating_point_v<V> || std::is_same_v<V, Currency>;
template <class V>
constexpr bool IsObjectPtr = std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>;

template <class V>
constexpr TOrdType OrdTypeOf() {
  if constexpr (sizeof(V) == 1)
    return std::is_signed_v<V> ? otSByte : otUByte;
  else if constexpr (sizeof(V) == 2)
    return std::is_signed_v<V> ? otSWord : otUWord;
  else
    return std::is_signed_v<V> ? otSLong : otULong;
}
}  // namespace rtl_detail

// The type information of a C++ property type: integral types, bool, char, char16_t, floating types and
// Currency, String, WideString, enumerations declared with RTL_ENUM, Set<E>, pointers to TObject
// descendants, Event<...> and FuncEvent<...>, Variant (tkVariant) and IPtr<I> (tkInterface, named "IInterface" unless
// given an alias).
template <class V>
PTypeInfo TypeInfo() {
  using namespace rtl_detail;
  if constexpr (std::is_same_v<V, bool>)
    return BooleanTypeInfo();
  else if constexpr (std::is_same_v<V, char>)
    return OrdinalTypeInfo(tkChar, otUByte);
  else if constexpr (std::is_same_v<V, char16_t>)
    return OrdinalTypeInfo(tkWChar, otUWord);
  else if constexpr (std::is_integral_v<V> && sizeof(V) == 8)
    return Int64TypeInfo();
  else if constexpr (std::is_integral_v<V>)
    return OrdinalTypeInfo(tkInteger, OrdTypeOf<V>());
  else if constexpr (std::is_same_v<V, float>)
    return FloatTypeInfo(ftSingle);
  else if constexpr (std::is_same_v<V, double>)
    return FloatTypeInfo(ftDouble);
  else if constexpr (std::is_same_v<V, long double>)
    return FloatTypeInfo(ftExtended);
  else if constexpr (std::is_same_v<V, Currency>)
    return FloatTypeInfo(ftCurr);
  else if constexpr (std::is_same_v<V, String>)
    return StringTypeInfo();
  else if constexpr (std::is_same_v<V, WideString>)
    return WideStringTypeInfo();
  else if constexpr (std::is_enum_v<V>) {
    static_assert(requires { rtl_EnumTypeInfo(static_cast<V*>(nullptr)); },
                  "declare the enumeration's names with RTL_ENUM next to it");
    return rtl_EnumTypeInfo(static_cast<V*>(nullptr));
  } else if constexpr (IsSetType<V>::value) {
    using E = std::remove_cvref_t<decltype(*std::declval<V>().begin())>;
    return SetTypeInfo(TypeInfo<E>(), V::Size);
  } else if constexpr (IsObjectPtr<V>)
    return ClassTypeInfo(std::remove_pointer_t<V>::StaticClass());
  else if constexpr (IsEventType<V>::value)
    return MethodTypeInfo(typeid(V), std::is_same_v<V, TNotifyEvent> ? "TNotifyEvent" : "TMethod");
  else if constexpr (std::is_same_v<V, Variant>)
    return VariantTypeInfo();
  else if constexpr (IsIPtrType<V>::value) {
    using I = typename IsIPtrType<V>::Interface;
    if constexpr (requires { I::IID; })
      return InterfaceTypeInfo(typeid(I), I::IID);
    else
      return InterfaceTypeInfo(typeid(I), TGUID{});
  } else
    static_assert(!sizeof(V), "this type has no run-time type information");
}

// A named copy of a type (the platform's `type TColor = -$7FFFFFFF-1..$7FFFFFFF`, `TDateTime = Double`):
// the same kind and data under another name, so that identifier maps and the streamer can tell it apart.
// The same name gives the same pointer; reusing a name for another base raises EInvalidOperation.
PTypeInfo TypeInfoAlias(const String& name, PTypeInfo base);
// The alias "TDateTime" of Double, which the streamer writes with its date tag.
PTypeInfo TypeInfoDateTime();
// True when type is base or an alias of it (through any number of renamings).
inline bool TypeIs(PTypeInfo type, PTypeInfo base) {
  for (; type; type = type->BaseType)
    if (type == base) return true;
  return false;
}

namespace rtl_detail {

// The type-erased access to one property. Each accessor answers for its own kind and raises
// EPropertyError for the others.
class TPropAccess {
public:
  virtual ~TPropAccess() = default;
  bool CanRead = false, CanWrite = false;
  virtual int64_t GetOrd(TObject* obj) const;
  virtual void SetOrd(TObject* obj, int64_t v) const;
  virtual double GetFloat(TObject* obj) const;
  virtual void SetFloat(TObject* obj, double v) const;
  virtual Currency GetCurrency(TObject* obj) const;
  virtual void SetCurrency(TObject* obj, Currency v) const;
  virtual String GetStr(TObject* obj) const;
  virtual void SetStr(TObject* obj, const String& v) const;
  virtual WideString GetWideStr(TObject* obj) const;
  virtual void SetWideStr(TObject* obj, const WideString& v) const;
  virtual TObject* GetObject(TObject* obj) const;
  virtual void SetObject(TObject* obj, TObject* v) const;
  virtual TMethod GetMethod(TObject* obj) const;
  virtual void SetMethod(TObject* obj, const TMethod& v) const;
  virtual TSetBits GetSet(TObject* obj) const;
  virtual void SetSet(TObject* obj, const TSetBits& v) const;
  virtual void GetVariant(TObject* obj, Variant& out) const;
  virtual void SetVariant(TObject* obj, const Variant& v) const;
  virtual IPtr<IInterface> GetInterface(TObject* obj) const;
  virtual void SetInterface(TObject* obj, const IPtr<IInterface>& v) const;
};

[[noreturn]] void RaiseReadOnly();

// Accessors are made per value category, not per property: a property contributes only the two small
// functions that reach its getter and setter, which keeps the tables cheap to compile.
template <class E>
using TGetFn = std::function<E(TObject*)>;
template <class E>
using TSetFn = std::function<void(TObject*, const E&)>;
std::unique_ptr<TPropAccess> MakeOrdAccess(TGetFn<int64_t> get, TSetFn<int64_t> set);
std::unique_ptr<TPropAccess> MakeFloatAccess(TGetFn<double> get, TSetFn<double> set);
std::unique_ptr<TPropAccess> MakeCurrencyAccess(TGetFn<Currency> get, TSetFn<Currency> set);
std::unique_ptr<TPropAccess> MakeStrAccess(TGetFn<String> get, TSetFn<String> set);
std::unique_ptr<TPropAccess> MakeWideStrAccess(TGetFn<WideString> get, TSetFn<WideString> set);
std::unique_ptr<TPropAccess> MakeObjectAccess(TGetFn<TObject*> get, TSetFn<TObject*> set);
std::unique_ptr<TPropAccess> MakeMethodAccess(TGetFn<TMethod> get, TSetFn<TMethod> set);
std::unique_ptr<TPropAccess> MakeSetAccess(TGetFn<TSetBits> get, TSetFn<TSetBits> set);
std::unique_ptr<TPropAccess> MakeInterfaceAccess(TGetFn<IPtr<IInterface>> get, TSetFn<IPtr<IInterface>> set);
std::unique_ptr<TPropAccess> MakeVariantAccess(std::function<void(TObject*, Variant&)> get,
                                               std::function<void(TObject*, const Variant&)> set);

// Reads the property value of V from a T through the getter, erased to category E by conv.
template <class T, class E, class G, class Conv>
TGetFn<E> MakeGet(G g, Conv conv) {
  if constexpr (std::is_null_pointer_v<G>) {
    return {};
  } else {
    return [g = std::move(g), conv](TObject* o) -> E { return conv(std::invoke(g, *static_cast<T*>(o))); };
  }
}

// Stores a value of V into a T: a setter called with the value, or a data member assigned.
template <class T, class V, class S>
void Store(const S& s, TObject* o, V v) {
  if constexpr (std::is_member_object_pointer_v<S>)
    std::invoke(s, *static_cast<T*>(o)) = std::move(v);
  else
    std::invoke(s, *static_cast<T*>(o), std::move(v));
}

template <class T, class V, class E, class S, class Conv>
TSetFn<E> MakeSet(S s, Conv conv) {
  if constexpr (std::is_null_pointer_v<S>) {
    return {};
  } else {
    return [s = std::move(s), conv](TObject* o, const E& v) { Store<T, V>(s, o, conv(v)); };
  }
}

template <class T, class V, class G, class S>
std::unique_ptr<TPropAccess> MakeAccess(G g, S s) {
  if constexpr (IsOrdinal<V>) {
    return MakeOrdAccess(MakeGet<T, int64_t>(std::move(g), [](const V& v) { return static_cast<int64_t>(v); }),
                         MakeSet<T, V, int64_t>(std::move(s), [](int64_t v) { return static_cast<V>(v); }));
  } else if constexpr (std::is_same_v<V, Currency>) {
    auto same = [](const Currency& v) { return v; };
    return MakeCurrencyAccess(MakeGet<T, Currency>(std::move(g), same), MakeSet<T, V, Currency>(std::move(s), same));
  } else if constexpr (std::is_floating_point_v<V>) {
    return MakeFloatAccess(MakeGet<T, double>(std::move(g), [](const V& v) { return static_cast<double>(v); }),
                           MakeSet<T, V, double>(std::move(s), [](double v) { return static_cast<V>(v); }));
  } else if constexpr (std::is_same_v<V, String>) {
    auto same = [](const String& v) -> const String& { return v; };
    return MakeStrAccess(MakeGet<T, String>(std::move(g), same), MakeSet<T, V, String>(std::move(s), same));
  } else if constexpr (std::is_same_v<V, WideString>) {
    auto same = [](const WideString& v) -> const WideString& { return v; };
    return MakeWideStrAccess(MakeGet<T, WideString>(std::move(g), same),
                             MakeSet<T, V, WideString>(std::move(s), same));
  } else if constexpr (IsObjectPtr<V>) {
    return MakeObjectAccess(MakeGet<T, TObject*>(std::move(g), [](V v) -> TObject* { return v; }),
                            MakeSet<T, V, TObject*>(std::move(s), [](TObject* v) { return static_cast<V>(v); }));
  } else if constexpr (IsEventType<V>::value) {
    return MakeMethodAccess(MakeGet<T, TMethod>(std::move(g), [](const V& v) { return v.ToMethod(); }),
                            MakeSet<T, V, TMethod>(std::move(s), [](const TMethod& m) { return V::FromMethod(m); }));
  } else if constexpr (IsSetType<V>::value) {
    auto toBits = [](const V& v) {
      TSetBits bits;
      for (size_t i = 0; i < 4; ++i) bits.Words[i] = v.Word(i);
      return bits;
    };
    return MakeSetAccess(MakeGet<T, TSetBits>(std::move(g), toBits),
                         MakeSet<T, V, TSetBits>(std::move(s), [](const TSetBits& b) { return V::FromWords(b.Words, 4); }));
  } else if constexpr (IsIPtrType<V>::value) {
    using I = typename IsIPtrType<V>::Interface;
    return MakeInterfaceAccess(
        MakeGet<T, IPtr<IInterface>>(std::move(g), [](const V& v) { return IPtr<IInterface>(v.get()); }),
        MakeSet<T, V, IPtr<IInterface>>(std::move(s), [](const IPtr<IInterface>& v) { return V(dynamic_cast<I*>(v.get())); }));
  } else {
    static_assert(std::is_same_v<V, Variant>, "this type cannot be a published property");
    std::function<void(TObject*, V&)> get;
    std::function<void(TObject*, const V&)> set;
    if constexpr (!std::is_null_pointer_v<G>)
      get = [g = std::move(g)](TObject* o, V& out) { out = std::invoke(g, *static_cast<T*>(o)); };
    if constexpr (!std::is_null_pointer_v<S>)
      set = [s = std::move(s)](TObject* o, const V& v) { Store<T, V>(s, o, v); };
    return MakeVariantAccess(std::move(get), std::move(set));
  }
}

}  // namespace rtl_detail

enum class TStoredKind : uint8_t { Always, Never, Function };

// One published property.
struct TPropInfo {
  String Name;
  PTypeInfo PropType = nullptr;
  TClass Owner = nullptr;  // the class whose table declared it
  int NameIndex = 0;       // its position in the owner's full list
  bool HasDefault = false;  // ordinal kinds only; without a default the property is always written
  int64_t Default = 0;      // for sets: the mask of members 0..63
  TStoredKind StoredKind = TStoredKind::Always;
  std::function<bool(TObject*)> StoredFn;
  std::unique_ptr<const rtl_detail::TPropAccess> Access;

  TTypeKind Kind() const { return PropType->Kind; }
  bool Readable() const { return Access->CanRead; }
  bool Writable() const { return Access->CanWrite; }
};

// A published method (an event handler that form resources name).
struct TPublishedMethod {
  String Name;
  TMethodCode Code;
};

// A published field: a component reference of a form that the streamer fills by component name.
struct TPublishedField {
  String Name;
  TClass FieldClass = nullptr;
  std::function<TObject*(TObject*)> Get;
  std::function<void(TObject*, TObject*)> Set;
};

// The published table of one class, its ancestors' entries included.
struct TClassRtti {
  TClass Class = nullptr;
  const TClassRtti* Parent = nullptr;
  std::vector<std::unique_ptr<TPropInfo>> OwnProps;
  std::vector<const TPropInfo*> Props;  // ancestors first, in declaration order
  std::unordered_map<String, const TPropInfo*> PropIndex;  // by upper-cased name
  std::vector<TPublishedMethod> Methods;  // own only
  std::vector<TPublishedField> Fields;    // own only
};

// The class's table, built on first use (thread-safe).
const TClassRtti* GetClassRtti(TClass cls);

// What RTL_PUBLISHED bodies write into.
class TPublishedBuilder {
public:
  explicit TPublishedBuilder(TClassRtti& rtti) : FRtti(rtti) {}
  TPropInfo& AddProp(String name, PTypeInfo type, std::unique_ptr<const rtl_detail::TPropAccess> access);
  void AddMethod(String name, TMethodCode code);
  void AddField(TPublishedField field);
  TClass Class() const { return FRtti.Class; }

private:
  TClassRtti& FRtti;
};

namespace rtl_detail {
[[noreturn]] void RaiseBadDefault(const TPropInfo& info);
void CheckAlias(const TPropInfo& info, PTypeInfo type);

template <class V, class G, class T>
struct PropValue {
  using type = V;
};
template <class G, class T>
struct PropValue<void, G, T> {
  using type = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
};
}  // namespace rtl_detail

// Refines the property just declared: .Default(v), .NoDefault(), .Stored(bool or predicate), .Type(alias).
template <class T>
class TPropBuilder {
public:
  explicit TPropBuilder(TPropInfo& info) : FInfo(info) {}

  template <class V>
  TPropBuilder& Default(V v) {
    TTypeKind k = FInfo.Kind();
    if (k != tkInteger && k != tkChar && k != tkWChar && k != tkEnumeration && k != tkSet && k != tkInt64)
      rtl_detail::RaiseBadDefault(FInfo);
    if constexpr (rtl_detail::IsSetType<V>::value)
      FInfo.Default = static_cast<int64_t>(v.ToInt());
    else
      FInfo.Default = static_cast<int64_t>(v);
    FInfo.HasDefault = true;
    return *this;
  }
  TPropBuilder& NoDefault() {
    FInfo.HasDefault = false;
    FInfo.Default = 0;
    return *this;
  }
  TPropBuilder& Stored(bool stored) {
    FInfo.StoredKind = stored ? TStoredKind::Always : TStoredKind::Never;
    FInfo.StoredFn = nullptr;
    return *this;
  }
  // A member function (bool IsXStored() const) or any callable taking T&.
  template <class F>
    requires(!std::is_same_v<F, bool>)
  TPropBuilder& Stored(F pred) {
    FInfo.StoredKind = TStoredKind::Function;
    FInfo.StoredFn = [pred](TObject* o) -> bool { return std::invoke(pred, *static_cast<T*>(o)); };
    return *this;
  }
  // Names the property's type (TColor, TCursor, TDateTime): an alias of the deduced type.
  TPropBuilder& Type(PTypeInfo alias) {
    rtl_detail::CheckAlias(FInfo, alias);
    FInfo.PropType = alias;
    return *this;
  }

private:
  TPropInfo& FInfo;
};

// The base of the table that RTL_PUBLISHED(T) defines: prop, event, method and field.
template <class T>
class TPublishedRegistrar {
public:
  explicit TPublishedRegistrar(TPublishedBuilder& b) : FBuilder(b) {}

  // V is deduced from the getter; give it explicitly for a write-only property (getter nullptr).
  template <class V = void, class G, class S = std::nullptr_t>
  TPropBuilder<T> prop(const char* name, G getter, S setter = nullptr) {
    using Value = typename rtl_detail::PropValue<V, G, T>::type;
    auto access = rtl_detail::MakeAccess<T, Value>(std::move(getter), std::move(setter));
    return TPropBuilder<T>(FBuilder.AddProp(name, TypeInfo<Value>(), std::move(access)));
  }
  // An event property: the same as prop, kept apart so that tables read like the class declaration.
  template <class G, class S = std::nullptr_t>
  TPropBuilder<T> event(const char* name, G getter, S setter = nullptr) {
    using Value = std::remove_cvref_t<std::invoke_result_t<G, T&>>;
    static_assert(rtl_detail::IsEventType<Value>::value, "an event property holds an Event<...>");
    return prop(name, std::move(getter), std::move(setter));
  }
  // A published method: R Handler(Args...) of T or a base; found by name to bind to an event of the
  // same signature (Event<Args...> for void, FuncEvent<R, Args...> otherwise).
  template <class R, class M, class... Args>
  void method(const char* name, R (M::*handler)(Args...)) {
    FBuilder.AddMethod(name, TMethodEvent<R, Args...>::CodeOf(handler));
  }
  // A published component field (T* member of a TObject descendant type).
  template <class M, class F>
  void field(const char* name, F* M::*member) {
    static_assert(std::is_base_of_v<TObject, F>, "published fields hold objects");
    TPublishedField f;
    f.Name = name;
    f.FieldClass = F::StaticClass();
    f.Get = [member](TObject* o) -> TObject* { return static_cast<T*>(o)->*member; };
    f.Set = [member](TObject* o, TObject* v) { static_cast<T*>(o)->*member = static_cast<F*>(v); };
    FBuilder.AddField(std::move(f));
  }

private:
  TPublishedBuilder& FBuilder;
};

#define RTL_PUBLISHED(Self)                                          \
  template <>                                                        \
  struct TPublishedTable<Self> : ::TPublishedRegistrar<Self> {       \
    using ::TPublishedRegistrar<Self>::TPublishedRegistrar;          \
    void Body();                                                     \
  };                                                                 \
  void Self::rtl_Published(::TPublishedBuilder& builder) {           \
    TPublishedTable<Self> table(builder);                            \
    table.Body();                                                    \
  }                                                                  \
  void TPublishedTable<Self>::Body()

// ---------------------------------------------------------------------------------------------------
// Queries. Names compare case-insensitively. Functions taking a name raise EPropertyError
// "Property X does not exist" when the class has no such published property; GetPropInfo returns nullptr.

const TPropInfo* GetPropInfo(TClass cls, const String& name);
const TPropInfo* GetPropInfo(const TObject* obj, const String& name);
const TPropInfo* GetPropInfo(TClass cls, const String& name, TTypeKinds kinds);
// Every published property, ancestors' first, in declaration order.
const std::vector<const TPropInfo*>& GetPropList(TClass cls);
// The properties of the given kinds, sorted by name when asked (as the platform's GetPropList is).
std::vector<const TPropInfo*> GetPropList(TClass cls, TTypeKinds kinds, bool sorted = true);
bool IsPublishedProp(TClass cls, const String& name);
bool IsPublishedProp(const TObject* obj, const String& name);
bool PropIsType(const TObject* obj, const String& name, TTypeKind kind);
TTypeKind PropType(const TObject* obj, const String& name);
// The stored rule evaluated for obj (false for a property nobody may write or read).
bool IsStoredProp(TObject* obj, const TPropInfo* prop);
bool IsStoredProp(TObject* obj, const String& name);

int64_t GetOrdProp(TObject* obj, const TPropInfo* prop);  // integers, chars, enumerations, sets (0..63)
int64_t GetOrdProp(TObject* obj, const String& name);
void SetOrdProp(TObject* obj, const TPropInfo* prop, int64_t value);
void SetOrdProp(TObject* obj, const String& name, int64_t value);
int64_t GetInt64Prop(TObject* obj, const TPropInfo* prop);
int64_t GetInt64Prop(TObject* obj, const String& name);
void SetInt64Prop(TObject* obj, const TPropInfo* prop, int64_t value);
void SetInt64Prop(TObject* obj, const String& name, int64_t value);
double GetFloatProp(TObject* obj, const TPropInfo* prop);
double GetFloatProp(TObject* obj, const String& name);
void SetFloatProp(TObject* obj, const TPropInfo* prop, double value);
void SetFloatProp(TObject* obj, const String& name, double value);
Currency GetCurrencyProp(TObject* obj, const TPropInfo* prop);
void SetCurrencyProp(TObject* obj, const TPropInfo* prop, Currency value);
String GetStrProp(TObject* obj, const TPropInfo* prop);  // String and WideString properties
String GetStrProp(TObject* obj, const String& name);
void SetStrProp(TObject* obj, const TPropInfo* prop, const String& value);
void SetStrProp(TObject* obj, const String& name, const String& value);
WideString GetWideStrProp(TObject* obj, const TPropInfo* prop);
void SetWideStrProp(TObject* obj, const TPropInfo* prop, const WideString& value);
// minClass: nullptr unless the value must inherit from it (else nullptr is returned).
TObject* GetObjectProp(TObject* obj, const TPropInfo* prop, TClass minClass = nullptr);
TObject* GetObjectProp(TObject* obj, const String& name, TClass minClass = nullptr);
// A value that does not inherit from the property's class is ignored, as the platform does.
void SetObjectProp(TObject* obj, const TPropInfo* prop, TObject* value);
void SetObjectProp(TObject* obj, const String& name, TObject* value);
TMethod GetMethodProp(TObject* obj, const TPropInfo* prop);
TMethod GetMethodProp(TObject* obj, const String& name);
// A method of another signature raises EInvalidCast.
void SetMethodProp(TObject* obj, const TPropInfo* prop, const TMethod& value);
void SetMethodProp(TObject* obj, const String& name, const TMethod& value);
String GetEnumProp(TObject* obj, const TPropInfo* prop);
String GetEnumProp(TObject* obj, const String& name);
// An unknown name raises EPropertyConvertError "Invalid property element: X".
void SetEnumProp(TObject* obj, const TPropInfo* prop, const String& value);
void SetEnumProp(TObject* obj, const String& name, const String& value);
TSetBits GetSetBits(TObject* obj, const TPropInfo* prop);
void SetSetBits(TObject* obj, const TPropInfo* prop, const TSetBits& value);
// Set text: "a,b" (or "[a,b]" with brackets), members in ordinal order.
String GetSetProp(TObject* obj, const TPropInfo* prop, bool brackets = false);
String GetSetProp(TObject* obj, const String& name, bool brackets = false);
void SetSetProp(TObject* obj, const TPropInfo* prop, const String& value);
void SetSetProp(TObject* obj, const String& name, const String& value);

// Variant properties; the returning form needs rtl/Variants.h where it is called.
void GetVariantProp(TObject* obj, const TPropInfo* prop, Variant& out);
void SetVariantProp(TObject* obj, const TPropInfo* prop, const Variant& value);
template <class V = Variant>
V GetVariantProp(TObject* obj, const TPropInfo* prop) {
  V v;
  GetVariantProp(obj, prop, v);
  return v;
}
// Any property as a Variant, as the platform's GetPropValue: Boolean as a Boolean, other enumerations and
// sets by name when preferStrings (else their ordinal or mask), TDateTime as a date, Currency as currency.
// The templates compile where rtl/Variants.h is included.
template <class V = Variant>
V GetPropValue(TObject* obj, const TPropInfo* prop, bool preferStrings = true) {
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
      return V(static_cast<int32_t>(GetOrdProp(obj, prop)));
    case tkEnumeration:
      if (TypeIs(prop->PropType, TypeInfo<bool>()))
        return V(GetOrdProp(obj, prop) != 0);
      return preferStrings ? V(GetEnumProp(obj, prop)) : V(static_cast<int32_t>(GetOrdProp(obj, prop)));
    case tkSet:
      return preferStrings ? V(GetSetProp(obj, prop)) : V(static_cast<int32_t>(GetOrdProp(obj, prop)));
    case tkInt64:
      return V(GetInt64Prop(obj, prop));
    case tkFloat:
      if (prop->PropType->FloatType == ftCurr) return V(GetCurrencyProp(obj, prop));
      if (TypeIs(prop->PropType, TypeInfoDateTime())) return V::FromDateTime(GetFloatProp(obj, prop));
      return V(GetFloatProp(obj, prop));
    case tkString:
    case tkLString:
      return V(GetStrProp(obj, prop));
    case tkWString:
      return V(GetWideStrProp(obj, prop));
    case tkVariant:
      return GetVariantProp<V>(obj, prop);
    default:
      throw EPropertyError("Invalid property type: " + prop->PropType->Name);
  }
}
// Sets any property from a Variant, converting by the Variant's rules; enumerations and sets accept
// names (text) or numbers.
template <class V = Variant>
void SetPropValue(TObject* obj, const TPropInfo* prop, const V& value) {
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
      SetOrdProp(obj, prop, value.AsInteger());
      break;
    case tkEnumeration:
      if (VarIsStr(value))
        SetEnumProp(obj, prop, value.AsString());
      else if (TypeIs(prop->PropType, TypeInfo<bool>()))
        SetOrdProp(obj, prop, value.AsBoolean() ? 1 : 0);
      else
        SetOrdProp(obj, prop, value.AsInteger());
      break;
    case tkSet:
      if (VarIsStr(value))
        SetSetProp(obj, prop, value.AsString());
      else
        SetOrdProp(obj, prop, value.AsInteger());
      break;
    case tkInt64:
      SetInt64Prop(obj, prop, value.AsInt64());
      break;
    case tkFloat:
      if (prop->PropType->FloatType == ftCurr)
        SetCurrencyProp(obj, prop, value.AsCurrency());
      else if (TypeIs(prop->PropType, TypeInfoDateTime()))
        SetFloatProp(obj, prop, value.AsDateTime());
      else
        SetFloatProp(obj, prop, value.AsDouble());
      break;
    case tkString:
    case tkLString:
      SetStrProp(obj, prop, value.AsString());
      break;
    case tkWString:
      SetWideStrProp(obj, prop, value.AsWideString());
      break;
    case tkVariant:
      SetVariantProp(obj, prop, value);
      break;
    default:
      throw EPropertyError("Invalid property type: " + prop->PropType->Name);
  }
}
namespace rtl_detail {
const TPropInfo* RequireProp(const TObject* obj, const String& name);
}
template <class V = Variant>
V GetPropValue(TObject* obj, const String& name, bool preferStrings = true) {
  return GetPropValue<V>(obj, rtl_detail::RequireProp(obj, name), preferStrings);
}
template <class V = Variant>
void SetPropValue(TObject* obj, const String& name, const V& value) {
  SetPropValue<V>(obj, rtl_detail::RequireProp(obj, name), value);
}

// Interface properties (IPtr<I>); a value that does not implement the property's interface sets it empty.
IPtr<IInterface> GetInterfaceProp(TObject* obj, const TPropInfo* prop);
void SetInterfaceProp(TObject* obj, const TPropInfo* prop, IInterface* value);

// Enumeration names; GetEnumValue returns -1 for an unknown name.
String GetEnumName(PTypeInfo type, int64_t value);
int64_t GetEnumValue(PTypeInfo type, const String& name);
// Set text of a set type (or of its element type). StringToSet accepts brackets or none and spaces.
String SetToString(PTypeInfo setType, const TSetBits& value, bool brackets = false);
TSetBits StringToSet(PTypeInfo setType, const String& value);

// ---------------------------------------------------------------------------------------------------
// Identifier maps of integer types: colour names for TColor, cursor names for TCursor. Units that own
// such a type register its maps once.

using TIdentToInt = std::function<bool(const String& ident, int32_t& value)>;
using TIntToIdent = std::function<bool(int32_t value, String& ident)>;
struct TIdentMapEntry {
  int32_t Value;
  const char* Name;
};
void RegisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent);
// The table form: the entries are copied.
void RegisterIntegerConsts(PTypeInfo intType, const TIdentMapEntry* map, size_t count);
TIdentToInt FindIdentToInt(PTypeInfo intType);  // empty when none is registered
TIntToIdent FindIntToIdent(PTypeInfo intType);
bool IdentToInt(const String& ident, int32_t& value, const TIdentMapEntry* map, size_t count);
bool IntToIdent(int32_t value, String& ident, const TIdentMapEntry* map, size_t count);

// ---------------------------------------------------------------------------------------------------
// Published methods and fields, searched in the class and then its ancestors.

const TMethodCode* MethodAddress(TClass cls, const String& name);  // nullptr when none
String MethodName(TClass cls, const TMethodCode& code);            // empty when none
// The method of that name bound to instance; an empty TMethod when there is none.
TMethod FindMethod(TObject* instance, const String& name);
// The same as an event: MethodEvent<TNotifyEvent>(form, "btOKClick"). A method of another signature
// raises EInvalidCast; an unknown name gives an empty event.
template <class E>
E MethodEvent(TObject* instance, const String& name) {
  return E::FromMethod(FindMethod(instance, name));
}

const TPublishedField* FindPublishedField(TClass cls, const String& name);
// The platform's FieldAddress as the reader uses it: stores value into the instance's published field
// of that name. False when there is no such field; a value of another class raises EInvalidCast.
bool SetPublishedField(TObject* instance, const String& name, TObject* value);
TObject* GetPublishedField(TObject* instance, const String& name);
