#pragma once
// Interfaces: abstract classes that derive virtually from IInterface and name their GUID,
//
//   class ISQLObject : public virtual IInterface {
//   public:
//     static constexpr TGUID IID = MakeGUID("{...}");
//     virtual String SQL() = 0;
//   };
//
// implemented by TObject descendants that list them for lookups by GUID:
//
//   class TFoo : public TInterfacedObject, public ISQLObject {
//     RTL_CLASS(TFoo, TInterfacedObject)
//     RTL_INTERFACES(ISQLObject)
//     ...
//   };
//
// Supports<I>(obj) is a dynamic_cast and needs no list; Supports(obj, IID) and QueryInterface go by
// the GUID through the list. Reference-counted objects derive from TInterfacedObject and are held by
// IPtr<I>, which frees them (through Free, so BeforeDestruction runs) when the last reference goes.

#include <atomic>
#include <cstdint>
#include <utility>

#include "rtl/GUID.h"
#include "rtl/System.h"

// The result codes of QueryInterface, with the platform's values.
inline constexpr int32_t RTL_S_OK = 0;
inline constexpr int32_t RTL_E_NOINTERFACE = static_cast<int32_t>(0x80004002u);

class IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");
  // On success stores the interface (of the type the GUID names) into *obj with a reference added.
  virtual int32_t QueryInterface(const TGUID& iid, void** obj) = 0;
  virtual int32_t _AddRef() = 0;
  virtual int32_t _Release() = 0;

protected:
  ~IInterface() = default;
};

namespace rtl_detail {
template <class Self, class... I>
void* FindInterface(Self* self, const TGUID& iid) {
  void* result = nullptr;
  ((result == nullptr && iid == I::IID ? (result = static_cast<I*>(self), true) : false), ...);
  if constexpr (std::is_base_of_v<IInterface, Self>)
    if (!result && iid == IInterface::IID) result = static_cast<IInterface*>(self);
  return result;
}
}  // namespace rtl_detail

// Lists the interfaces a class implements, for lookups by GUID; put it after RTL_CLASS. Interfaces
// listed by ancestors are found too.
#define RTL_INTERFACES(...)                                                                   \
public:                                                                                       \
  void* InterfaceByIID(const TGUID& iid) override {                                           \
    if (void* found = ::rtl_detail::FindInterface<rtl_ThisClass, __VA_ARGS__>(this, iid))     \
      return found;                                                                           \
    return inherited::InterfaceByIID(iid);                                                    \
  }                                                                                           \
                                                                                              \
private:

// An intrusive reference to an interface (or to a class implementing IInterface).
template <class T>
class IPtr {
public:
  IPtr() noexcept = default;
  IPtr(std::nullptr_t) noexcept {}
  IPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->_AddRef();
  }
  IPtr(const IPtr& other) : IPtr(other.FPtr) {}
  IPtr(IPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  IPtr(const IPtr<U>& other) : IPtr(static_cast<T*>(other.get())) {}
  ~IPtr() { reset(); }

  IPtr& operator=(const IPtr& other) {
    IPtr(other).swap(*this);
    return *this;
  }
  IPtr& operator=(IPtr&& other) noexcept {
    IPtr(std::move(other)).swap(*this);
    return *this;
  }
  IPtr& operator=(T* p) {
    IPtr(p).swap(*this);
    return *this;
  }

  void reset() {
    if (T* p = std::exchange(FPtr, nullptr)) p->_Release();
  }
  // Takes over a reference already counted (what QueryInterface hands out).
  void attach(T* p) {
    reset();
    FPtr = p;
  }
  void swap(IPtr& other) noexcept { std::swap(FPtr, other.FPtr); }
  T* get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }

  friend bool operator==(const IPtr& a, const IPtr& b) noexcept { return a.FPtr == b.FPtr; }
  friend bool operator==(const IPtr& a, std::nullptr_t) noexcept { return a.FPtr == nullptr; }
  friend bool operator==(const IPtr& a, const T* b) noexcept { return a.FPtr == b; }

private:
  T* FPtr = nullptr;
};

// The reference-counted object. It is born with one guarding reference that AfterConstruction drops,
// so a constructor may hand itself out; the last _Release frees it through Free. Freeing it while
// references remain raises EInvalidPointer.
class TInterfacedObject : public TObject, public virtual IInterface {
  RTL_CLASS(TInterfacedObject, TObject)
  RTL_INTERFACES(IInterface)
public:
  TInterfacedObject() { RequireNewAndFree(); }
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;

  void AfterConstruction() override;
  void BeforeDestruction() override;
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override;
  int32_t _Release() override;
  int32_t RefCount() const { return FRefCount.load(); }

protected:
  std::atomic<int32_t> FRefCount{1};
};

// By type: a dynamic_cast.
template <class I>
I* Supports(TObject* obj) {
  return dynamic_cast<I*>(obj);
}
template <class I>
bool Supports(TObject* obj, IPtr<I>& out) {
  out = dynamic_cast<I*>(obj);
  return static_cast<bool>(out);
}
template <class I, class J>
bool Supports(const IPtr<J>& intf, IPtr<I>& out) {
  out = dynamic_cast<I*>(intf.get());
  return static_cast<bool>(out);
}

// By GUID, through the classes' interface lists (RTL_INTERFACES) or QueryInterface.
bool Supports(TObject* obj, const TGUID& iid);
bool Supports(IInterface* intf, const TGUID& iid);
// out receives the interface of the GUID's type, with no reference added.
bool Supports(TObject* obj, const TGUID& iid, void** out);
