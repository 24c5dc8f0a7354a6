#pragma once
// The runtime's base: the basic types, TObject with its metaclass, two-phase construction, and the
// exception hierarchy every library throws.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

using String = std::string;          // UTF-8
using WideString = std::u16string;   // UTF-16
using TDateTime = double;            // days since 1899-12-30, time of day as the fraction

class TObject;
class TMetaClass;
using TClass = const TMetaClass*;

// A class's metaclass: its name, its parent, and its virtual constructor when it has a default one.
// One constant instance per class, reached through T::StaticClass() or obj->ClassType().
class TMetaClass {
public:
  using Factory = TObject* (*)();

  TMetaClass(const char* name, TClass parent, Factory factory) noexcept
      : FName(name), FParent(parent), FFactory(factory) {}
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  String ClassName() const { return FName; }
  const char* ClassNameCStr() const { return FName; }
  TClass ClassParent() const { return FParent; }
  bool InheritsFrom(TClass other) const noexcept {
    for (TClass c = this; c; c = c->FParent)
      if (c == other) return true;
    return false;
  }
  bool HasFactory() const { return FFactory != nullptr; }
  // The virtual constructor: creates an instance of this very class and runs AfterConstruction.
  TObject* Create() const;

private:
  const char* FName;
  TClass FParent;
  Factory FFactory;
};

namespace rtl_detail {
template <class T>
constexpr TMetaClass::Factory DefaultFactory();
}

// Declares a class to the runtime; put it first in the class body: RTL_CLASS(TMyClass, TParent)
#define RTL_CLASS(Self, Parent)                                                                       \
public:                                                                                               \
  using inherited = Parent;                                                                           \
  static TClass StaticClass() {                                                                       \
    static const TMetaClass meta(#Self, Parent::StaticClass(), ::rtl_detail::DefaultFactory<Self>()); \
    return &meta;                                                                                     \
  }                                                                                                   \
  TClass ClassType() const override { return StaticClass(); }                                         \
                                                                                                      \
private:

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) {}
  TObject& operator=(const TObject&) { return *this; }
  virtual ~TObject() = default;

  static TClass StaticClass() {
    static const TMetaClass meta("TObject", nullptr, nullptr);
    return &meta;
  }
  virtual TClass ClassType() const { return StaticClass(); }
  String ClassName() const { return ClassType()->ClassName(); }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }

  // Runs after the constructor of the final class; calls to virtual methods that a constructor would
  // make belong here. Overrides call their parent's first.
  virtual void AfterConstruction() {}
  // Runs before the destructor chain while the object is still whole; overrides call their parent's last.
  virtual void BeforeDestruction() {}

  // Destroys the object: BeforeDestruction, then delete. Safe on a null pointer through FreeAndNil.
  void Free();
};

namespace rtl_detail {
template <class T>
TObject* CreateDefault() {
  T* obj = new T();
  try {
    obj->AfterConstruction();
  } catch (...) {
    delete obj;
    throw;
  }
  return obj;
}
template <class T>
constexpr TMetaClass::Factory DefaultFactory() {
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
    return &CreateDefault<T>;
  else
    return nullptr;
}
}  // namespace rtl_detail

// Creates an object the way a constructor call does: the C++ constructor, then AfterConstruction.
// If AfterConstruction throws, the object is destroyed and the exception goes on.
template <class T, class... Args>
T* New(Args&&... args) {
  T* obj = new T(std::forward<Args>(args)...);
  try {
    obj->AfterConstruction();
  } catch (...) {
    delete obj;
    throw;
  }
  return obj;
}

template <class T>
void FreeAndNil(T*& obj) {
  T* tmp = obj;
  obj = nullptr;
  if (tmp) tmp->Free();
}

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
