#pragma once
// The runtime's base: the basic types, TObject with its metaclass, two-phase construction, and the
// exception hierarchy every library throws.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

using String = std::string;          // UTF-8
using WideString = std::u16string;   // UTF-16
using TDateTime = double;            // days since 1899-12-30, time of day as the fraction

class TObject;
class TMetaClass;
using TClass = const TMetaClass*;
class TPublishedBuilder;  // rtl/TypInfo.h
struct TClassRtti;        // rtl/TypInfo.h
struct TTypeInfo;         // rtl/TypInfo.h
struct TGUID;             // rtl/GUID.h
template <class T>
struct TPublishedTable;   // specialised by RTL_PUBLISHED(T) in rtl/TypInfo.h

namespace rtl_detail {
struct TLinkNode;  // rtl/ObjLinks.h
#ifdef VORN_LIFETIME_CHECKS
struct TLifetime;
template <class Self>
struct TClassMark;
enum : uint8_t { lifeHooked = 1, lifeMadeByNew = 2, lifeFreeing = 4 };
#endif
}  // namespace rtl_detail

// A class's metaclass: its name, its parent, its virtual constructor, and the hook that builds its
// published-property table on first use. One constant instance per class, reached through
// T::StaticClass() or obj->ClassType().
class TMetaClass {
public:
  // The virtual constructor. Its argument is the family's constructor argument (an owner component, a
  // collection) or ignored for families whose constructor takes none.
  using Factory = TObject* (*)(TObject* arg);
  using PublishedFn = void (*)(TPublishedBuilder&);

  TMetaClass(const char* name, TClass parent, Factory factory, PublishedFn published = nullptr) noexcept
      : FName(name), FParent(parent), FFactory(factory), FPublished(published) {}
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  String ClassName() const { return FName; }
  const char* ClassNameCStr() const { return FName; }
  TClass ClassParent() const { return FParent; }
  // Compares the class name case-insensitively (ASCII), as identifiers compare.
  bool ClassNameIs(const String& name) const noexcept;
  bool InheritsFrom(TClass other) const noexcept {
    for (TClass c = this; c; c = c->FParent)
      if (c == other) return true;
    return false;
  }
  bool HasFactory() const { return FFactory != nullptr; }
  // Creates an instance of this very class through the virtual constructor and runs AfterConstruction.
  // Abstract classes and classes without the family's constructor raise EInvalidOperation.
  TObject* Create(TObject* arg = nullptr) const;
  PublishedFn Published() const { return FPublished; }

private:
  friend const TClassRtti* GetClassRtti(TClass cls);
  const char* FName;
  TClass FParent;
  Factory FFactory;
  PublishedFn FPublished;
  mutable std::atomic<const TClassRtti*> FRtti{nullptr};  // built on first use by rtl/TypInfo
};

// Creates an instance of cls through its virtual constructor and checks that it is a T:
// CreateAs<TComponent>(cls, owner). Raises EInvalidCast when cls does not inherit from T.
template <class T>
T* CreateAs(TClass cls, TObject* arg = nullptr);

namespace rtl_detail {
template <class T>
constexpr TMetaClass::Factory FactoryOf();
template <class T>
constexpr TMetaClass::PublishedFn PublishedOf();
}  // namespace rtl_detail

// Declares a class to the runtime; put it first in the class body: RTL_CLASS(TMyClass, TParent)
#define RTL_CLASS(Self, Parent)                                                                 \
public:                                                                                         \
  using inherited = Parent;                                                                     \
  using rtl_ThisClass = Self;                                                                   \
  static TClass StaticClass() {                                                                 \
    static const TMetaClass meta(#Self, Parent::StaticClass(), ::rtl_detail::FactoryOf<Self>(), \
                                 ::rtl_detail::PublishedOf<Self>());                            \
    return &meta;                                                                               \
  }                                                                                             \
  TClass ClassType() const override { return StaticClass(); }                                   \
                                                                                                \
private:                                                                                        \
  RTL_LIFETIME_MARK(Self)

// The lifetime checks (the sanitizer build) need the class being constructed even when the object is
// later destroyed without Free, where a destructor no longer knows its final class. Each class level adds
// an empty member whose initialiser runs in that level's constructor and records the level's metaclass;
// the most derived level runs last, so the object ends up knowing its class by name.
#ifdef VORN_LIFETIME_CHECKS
#define RTL_LIFETIME_MARK(Self) [[no_unique_address]] ::rtl_detail::TClassMark<Self> rtl_ClassMark{this};
#else
#define RTL_LIFETIME_MARK(Self)
#endif

// Put after RTL_CLASS in a class that publishes properties, methods or fields; the class's .cpp then
// defines the table with RTL_PUBLISHED(Self) { ... } (rtl/TypInfo.h). Forgetting either half fails to
// build or to link, never silently.
#define RTL_PUBLISHED_DECL                                  \
public:                                                     \
  static void rtl_Published(::TPublishedBuilder& builder);  \
  using rtl_PublishedOwner = rtl_ThisClass;                 \
  friend struct ::TPublishedTable<rtl_ThisClass>;           \
                                                            \
private:

// Gives an enumeration its type information (names by ordinal) for RTTI and streaming. Put it in the
// enumeration's own namespace (found by argument-dependent lookup), in the header next to the enumeration
// when other files publish it, listing every value in order; the values must run 0, 1, 2...
//   enum TAlign { alNone, alTop, alBottom };
//   RTL_ENUM(TAlign, alNone, alTop, alBottom)
#define RTL_ENUM(Type, ...)                                                                   \
  inline const ::TTypeInfo* rtl_EnumTypeInfo(Type*) {                                         \
    static const ::TTypeInfo* const info = [] {                                               \
      using enum Type;                                                                        \
      static constexpr Type values[] = {__VA_ARGS__};                                         \
      constexpr size_t count = sizeof(values) / sizeof(values[0]);                            \
      long long ords[count];                                                                  \
      for (size_t i = 0; i < count; ++i) ords[i] = static_cast<long long>(values[i]);         \
      return ::rtl_detail::MakeEnumTypeInfo(#Type, #__VA_ARGS__, ords, count);                \
    }();                                                                                      \
    return info;                                                                              \
  }

// Object lifetime: the rule for every class of the hierarchy.
//
// Classes with construction or destruction hooks, TComponent, TCollectionItem, TThread, TInterfacedObject
// and all their descendants, are made only by New<T>(args...) (or a metaclass's Create) and destroyed only
// by Free / FreeAndNil (an interfaced object also by its last reference, which frees it through Free).
// A raw `new` skips AfterConstruction (a component never joins its owner, an item never joins its
// collection, a thread never starts, an interfaced object keeps its guarding reference); a raw `delete`,
// a unique_ptr or a stack instance skips BeforeDestruction while the overrides still answer.
//
// Value-like helpers (lists, string lists, streams, graphics value objects, readers and writers,
// exceptions) have no such hooks and may live on the stack, as members or in a unique_ptr.
//
// The sanitizer build (VORN_LIFETIME_CHECKS) checks the rule: each object records whether New made it and
// whether Free destroys it, and a hooked object made or destroyed another way stops the program with a
// message naming its class. The record is a few bytes in the object itself, so the check takes no lock.
class TObject {
public:
  // The argument type of the family's virtual constructor; a family redeclares it
  // (TComponent: `using VirtualCtorArg = TComponent*;`). void means a constructor without arguments.
  using VirtualCtorArg = void;
  using rtl_ThisClass = TObject;
  using rtl_PublishedOwner = void;

  TObject() = default;
  // Copies (exceptions are copied when thrown) never take the source's object links along.
  TObject(const TObject&) noexcept {}
  TObject& operator=(const TObject&) noexcept { return *this; }
  virtual ~TObject();

  static TClass StaticClass() {
    static const TMetaClass meta("TObject", nullptr, nullptr);
    return &meta;
  }
  virtual TClass ClassType() const { return StaticClass(); }
  String ClassName() const { return ClassType()->ClassName(); }
  bool ClassNameIs(const String& name) const { return ClassType()->ClassNameIs(name); }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
  // The Pascal `is`: obj->Is<TFoo>().
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClass());
  }

  // Runs after the constructor of the final class; calls to virtual methods that a constructor would
  // make belong here. Overrides call their parent's first.
  virtual void AfterConstruction() {}
  // Runs before the destructor chain while the object is still whole; overrides call their parent's last.
  virtual void BeforeDestruction() {}

  // Destroys the object: BeforeDestruction, then delete. Safe on a null pointer through FreeAndNil.
  void Free();

  // The object's interface of that GUID as a pointer to that interface type, or nullptr; classes list
  // their interfaces with RTL_INTERFACES (rtl/Interfaces.h). Reference counts are not touched.
  virtual void* InterfaceByIID(const TGUID& iid);

protected:
  // Called by the constructors of the hooked families (TComponent, TCollectionItem, TThread,
  // TInterfacedObject): from then on the object must be made by New and destroyed by Free.
#ifdef VORN_LIFETIME_CHECKS
  void RequireNewAndFree() noexcept { FLifetime |= rtl_detail::lifeHooked; }
#else
  void RequireNewAndFree() noexcept {}
#endif

private:
  friend struct rtl_detail::TLinkNode;
  rtl_detail::TLinkNode* FLinks = nullptr;  // weak references to this object (rtl/ObjLinks.h)
#ifdef VORN_LIFETIME_CHECKS
  friend struct rtl_detail::TLifetime;
  TClass FLifetimeClass = nullptr;  // the most derived class constructed so far (RTL_LIFETIME_MARK)
  uint8_t FLifetime = 0;            // rtl_detail::lifeHooked | lifeMadeByNew | lifeFreeing
#endif
};

#ifdef VORN_LIFETIME_CHECKS
namespace rtl_detail {
struct TLifetime {
  static void RecordClass(TObject* obj, TClass cls) noexcept { obj->FLifetimeClass = cls; }
  static void MadeByNew(TObject* obj) noexcept { obj->FLifetime |= lifeMadeByNew; }
  static void Freeing(TObject* obj) noexcept { obj->FLifetime |= lifeFreeing; }
};

template <class Self>
struct TClassMark {
  explicit TClassMark(Self* self) noexcept { TLifetime::RecordClass(self, Self::StaticClass()); }
  // A copy is a new object whose own constructors record its class; the source's record stays its own.
  TClassMark(const TClassMark&) noexcept {}
  TClassMark& operator=(const TClassMark&) noexcept { return *this; }
};
}  // namespace rtl_detail
#endif

namespace rtl_detail {
[[noreturn]] void RaiseClassCast(TClass cls, TClass target);

// Runs AfterConstruction on a freshly constructed object; destroys it if that throws (the one place a
// hooked object is deleted without Free: its construction never finished).
template <class T>
T* Constructed(T* obj) {
#ifdef VORN_LIFETIME_CHECKS
  TLifetime::MadeByNew(obj);
#endif
  try {
    obj->AfterConstruction();
  } catch (...) {
#ifdef VORN_LIFETIME_CHECKS
    TLifetime::Freeing(obj);
#endif
    delete obj;
    throw;
  }
  return obj;
}

template <class T>
TObject* CreateVirtual(TObject* arg) {
  using Arg = typename T::VirtualCtorArg;
  if constexpr (std::is_void_v<Arg>) {
    (void)arg;
    return Constructed(new T());
  } else {
    static_assert(std::is_pointer_v<Arg>, "a virtual constructor argument is an object pointer");
    using ArgClass = std::remove_pointer_t<Arg>;
    if (arg && !arg->InheritsFrom(ArgClass::StaticClass())) RaiseClassCast(arg->ClassType(), ArgClass::StaticClass());
    return Constructed(new T(static_cast<Arg>(arg)));
  }
}

template <class T>
constexpr bool HasVirtualCtor() {
  using Arg = typename T::VirtualCtorArg;
  if constexpr (std::is_abstract_v<T>)
    return false;
  else if constexpr (std::is_void_v<Arg>)
    return std::is_default_constructible_v<T>;
  else
    return std::is_constructible_v<T, Arg>;
}

template <class T>
constexpr TMetaClass::Factory FactoryOf() {
  if constexpr (HasVirtualCtor<T>())
    return &CreateVirtual<T>;
  else
    return nullptr;
}

template <class T>
constexpr TMetaClass::PublishedFn PublishedOf() {
  if constexpr (std::is_same_v<typename T::rtl_PublishedOwner, T>)
    return &T::rtl_Published;
  else
    return nullptr;
}

[[noreturn]] void RaiseClassCast(TClass cls, TClass target);
// Builds (once per name) the type information of an enumeration from its stringised value list.
const TTypeInfo* MakeEnumTypeInfo(const char* name, const char* names, const long long* ords, size_t count);
}  // namespace rtl_detail

template <class T>
T* CreateAs(TClass cls, TObject* arg) {
  if (!cls->InheritsFrom(T::StaticClass())) rtl_detail::RaiseClassCast(cls, T::StaticClass());
  return static_cast<T*>(cls->Create(arg));
}

// Creates an object the way a constructor call does: the C++ constructor, then AfterConstruction.
// If AfterConstruction throws, the object is destroyed and the exception goes on.
template <class T, class... Args>
T* New(Args&&... args) {
  return rtl_detail::Constructed(new T(std::forward<Args>(args)...));
}

template <class T>
void FreeAndNil(T*& obj) {
  T* tmp = obj;
  obj = nullptr;
  if (tmp) tmp->Free();
}

// Free on a pointer that may be null, as the Pascal `obj.Free` is.
inline void FreeObject(TObject* obj) {
  if (obj) obj->Free();
}

// A scope that frees what it holds, for the try/finally around a temporary object of a hooked class:
//   FreeingPtr<TMyComponent> c(New<TMyComponent>(nullptr));
struct FreeDeleter {
  void operator()(TObject* obj) const { obj->Free(); }
};
template <class T>
using FreeingPtr = std::unique_ptr<T, FreeDeleter>;

// ---------------------------------------------------------------------------------------------------
// Exceptions

class Exception : public TObject, public std::exception {
  RTL_CLASS(Exception, TObject)
public:
  explicit Exception(String msg = String(), int32_t helpContext = 0)
      : FMessage(std::move(msg)), FHelpContext(helpContext) {}
  const String& Message() const { return FMessage; }
  void SetMessage(const String& msg) { FMessage = msg; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t v) { FHelpContext = v; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  String FMessage;
  int32_t FHelpContext;
};

#define RTL_EXCEPTION(Name, Parent) \
  class Name : public Parent {      \
    RTL_CLASS(Name, Parent)         \
  public:                           \
    using Parent::Parent;           \
  };

RTL_EXCEPTION(EAbort, Exception)
RTL_EXCEPTION(EConvertError, Exception)
RTL_EXCEPTION(EListError, Exception)
RTL_EXCEPTION(EStringListError, Exception)
RTL_EXCEPTION(EStreamError, Exception)
RTL_EXCEPTION(EFilerError, EStreamError)
RTL_EXCEPTION(EReadError, EFilerError)
RTL_EXCEPTION(EWriteError, EFilerError)
RTL_EXCEPTION(EClassNotFound, EFilerError)
RTL_EXCEPTION(EInvalidOperation, Exception)
RTL_EXCEPTION(EInvalidCast, Exception)
RTL_EXCEPTION(EOutOfResources, Exception)
RTL_EXCEPTION(EVariantError, Exception)
RTL_EXCEPTION(EComponentError, Exception)
RTL_EXCEPTION(EDatabaseError, Exception)
RTL_EXCEPTION(EMathError, Exception)
RTL_EXCEPTION(EZeroDivide, EMathError)
RTL_EXCEPTION(EInvalidPointer, Exception)

class EOSError : public Exception {
  RTL_CLASS(EOSError, Exception)
public:
  explicit EOSError(String msg = String(), int32_t errorCode = 0) : Exception(std::move(msg)), FErrorCode(errorCode) {}
  int32_t ErrorCode() const { return FErrorCode; }

private:
  int32_t FErrorCode;
};

// The silent abort: throws EAbort, which message loops swallow without a message.
[[noreturn]] void Abort();
// Throws EOSError for errno (or the given code) with the system's text.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(int errorCode);
