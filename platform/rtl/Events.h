#pragma once
// Events: a method of an object, comparable by object and method, as the component model's method
// pointers are. A plain callable can stand in where no object exists (tests, glue code); such an event
// equals only its own copies.
//
// TMethod is the type-erased form that RTTI and the streamer pass around (GetMethodProp/SetMethodProp,
// published methods found by name). It remembers the event signature so that a method can only be
// bound to an event of the same signature.

#include <cstring>
#include <functional>
#include <memory>
#include <typeinfo>

#include "rtl/System.h"

// The code half of a method pointer: the member function, erased to one type, and its signature
// (the typeid of the Event<Args...> it belongs to).
struct TMethodCode {
  using Generic = void (TObject::*)();
  // The member function's bytes; every pointer to a member function of TObject has this size.
  alignas(Generic) unsigned char Bytes[sizeof(Generic)] = {};
  const std::type_info* Signature = nullptr;  // null for no method

  template <class M>
  static TMethodCode From(M method, const std::type_info& signature) {
    static_assert(sizeof(M) == sizeof(Generic) && std::is_member_function_pointer_v<M>);
    TMethodCode code;
    if (method) {
      std::memcpy(code.Bytes, &method, sizeof(M));
      code.Signature = &signature;
    }
    return code;
  }
  template <class M>
  M To() const {
    static_assert(sizeof(M) == sizeof(Generic) && std::is_member_function_pointer_v<M>);
    M method = nullptr;
    if (Signature) std::memcpy(&method, Bytes, sizeof(M));
    return method;
  }
  bool Assigned() const { return Signature != nullptr; }
  friend bool operator==(const TMethodCode& a, const TMethodCode& b) {
    if (!a.Signature || !b.Signature) return a.Signature == b.Signature;
    return *a.Signature == *b.Signature && std::memcmp(a.Bytes, b.Bytes, sizeof(Bytes)) == 0;
  }
};

// A method bound to an object, as the platform's TMethod {Code, Data}. Function holds the callable of
// an event made from a plain callable (neither Data nor Code then).
struct TMethod {
  TObject* Data = nullptr;
  TMethodCode Code;
  std::shared_ptr<const void> Function;
  const std::type_info* FunctionSignature = nullptr;

  bool Assigned() const { return (Data && Code.Assigned()) || Function; }
  friend bool operator==(const TMethod& a, const TMethod& b) {
    if (a.Function || b.Function) return a.Function == b.Function;
    return a.Data == b.Data && a.Code == b.Code;
  }
};

// The implementation of events of any result type: Event<Args...> for procedures (the common case) and
// FuncEvent<R, Args...> for handlers that return a value (an unassigned one returns R{}).
template <class R, class... Args>
class TMethodEvent {
public:
  using Method = R (TObject::*)(Args...);

  TMethodEvent() = default;
  TMethodEvent(std::nullptr_t) {}
  template <class C, class M>
  TMethodEvent(C* obj, R (M::*method)(Args...))
      : FObject(static_cast<TObject*>(obj)), FMethod(static_cast<Method>(method)) {
    static_assert(std::is_base_of_v<TObject, M>, "event methods belong to TObject descendants");
  }
  template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F, Args...> &&
                                              !std::is_same_v<std::decay_t<F>, TMethodEvent>>>
  TMethodEvent(F&& fn) : FFunction(std::make_shared<std::function<R(Args...)>>(std::forward<F>(fn))) {}

  bool Assigned() const { return (FObject && FMethod) || FFunction; }
  explicit operator bool() const { return Assigned(); }

  R operator()(Args... args) const {
    if (FFunction) return (*FFunction)(std::forward<Args>(args)...);
    if (FObject && FMethod) return (FObject->*FMethod)(std::forward<Args>(args)...);
    if constexpr (!std::is_void_v<R>) return R{};
  }

  TObject* Data() const { return FObject; }  // the object half, as the platform's TMethod.Data
  Method Code() const { return FMethod; }

  // The erased code of a member function of this event's signature.
  template <class M>
  static TMethodCode CodeOf(R (M::*method)(Args...)) {
    static_assert(std::is_base_of_v<TObject, M>, "event methods belong to TObject descendants");
    return TMethodCode::From(static_cast<Method>(method), typeid(TMethodEvent));
  }

  TMethod ToMethod() const {
    TMethod m;
    if (FFunction) {
      m.Function = FFunction;
      m.FunctionSignature = &typeid(TMethodEvent);
    } else {
      m.Data = FObject;
      m.Code = TMethodCode::From(FMethod, typeid(TMethodEvent));
    }
    return m;
  }
  // Rebuilds the event; a method of another signature raises EInvalidCast.
  static TMethodEvent FromMethod(const TMethod& m) {
    TMethodEvent e;
    if (m.Function) {
      CheckSignature(m.FunctionSignature);
      e.FFunction = std::const_pointer_cast<std::function<R(Args...)>>(
          std::static_pointer_cast<const std::function<R(Args...)>>(m.Function));
    } else {
      e.FObject = m.Data;
      if (m.Code.Assigned()) {
        CheckSignature(m.Code.Signature);
        e.FMethod = m.Code.To<Method>();
      }
    }
    return e;
  }
  static bool Accepts(const TMethodCode& code) { return !code.Signature || *code.Signature == typeid(TMethodEvent); }

  friend bool operator==(const TMethodEvent& a, const TMethodEvent& b) {
    if (a.FFunction || b.FFunction) return a.FFunction == b.FFunction;
    return a.FObject == b.FObject && a.FMethod == b.FMethod;
  }
  friend bool operator!=(const TMethodEvent& a, const TMethodEvent& b) { return !(a == b); }

private:
  static void CheckSignature(const std::type_info* sig) {
    if (!sig || *sig != typeid(TMethodEvent)) throw EInvalidCast("The method does not match the event's signature");
  }

  TObject* FObject = nullptr;
  Method FMethod = nullptr;
  std::shared_ptr<std::function<R(Args...)>> FFunction;
};

template <class... Args>
using Event = TMethodEvent<void, Args...>;
template <class R, class... Args>
using FuncEvent = TMethodEvent<R, Args...>;

using TNotifyEvent = Event<TObject*>;
