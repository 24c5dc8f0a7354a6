#pragma once
// Events: a method of an object, comparable by object and method, as the component model's method
// pointers are. A plain callable can stand in where no object exists (tests, glue code); such an event
// equals only its own copies.

#include <functional>
#include <memory>

#include "rtl/System.h"

template <class... Args>
class Event {
public:
  using Method = void (TObject::*)(Args...);

  Event() = default;
  Event(std::nullptr_t) {}
  template <class C, class M>
  Event(C* obj, void (M::*method)(Args...))
      : FObject(static_cast<TObject*>(obj)), FMethod(static_cast<Method>(method)) {
    static_assert(std::is_base_of_v<TObject, M>, "event methods belong to TObject descendants");
  }
  template <class F, class = std::enable_if_t<std::is_invocable_v<F, Args...> && !std::is_same_v<std::decay_t<F>, Event>>>
  Event(F&& fn) : FFunction(std::make_shared<std::function<void(Args...)>>(std::forward<F>(fn))) {}

  bool Assigned() const { return (FObject && FMethod) || FFunction; }
  explicit operator bool() const { return Assigned(); }

  void operator()(Args... args) const {
    if (FFunction)
      (*FFunction)(std::forward<Args>(args)...);
    else if (FObject && FMethod)
      (FObject->*FMethod)(std::forward<Args>(args)...);
  }

  TObject* Data() const { return FObject; }  // the object half, as the platform's TMethod.Data
  Method Code() const { return FMethod; }

  friend bool operator==(const Event& a, const Event& b) {
    if (a.FFunction || b.FFunction) return a.FFunction == b.FFunction;
    return a.FObject == b.FObject && a.FMethod == b.FMethod;
  }
  friend bool operator!=(const Event& a, const Event& b) { return !(a == b); }

private:
  TObject* FObject = nullptr;
  Method FMethod = nullptr;
  std::shared_ptr<std::function<void(Args...)>> FFunction;
};

using TNotifyEvent = Event<TObject*>;
