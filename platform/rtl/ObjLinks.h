#pragma once
// Object links: weak references that read nullptr once their target has been destroyed. Code that calls
// out to handlers which may free an object keeps a link and checks it afterwards instead of touching a
// dangling pointer.
//
// A link costs the target nothing until one exists: TObject keeps one pointer, the head of an intrusive
// list of the links that point at it, and its destructor clears them. Links belong to the thread that
// owns their target (the main thread for everything visual); they are not synchronised.

#include "rtl/System.h"

namespace rtl_detail {
struct TLinkNode {
  TObject* Target = nullptr;
  TLinkNode* Prev = nullptr;
  TLinkNode* Next = nullptr;

  void Attach(TObject* target) noexcept {
    Detach();
    if (!target) return;
    Target = target;
    Next = target->FLinks;
    if (Next) Next->Prev = this;
    target->FLinks = this;
  }
  void Detach() noexcept {
    if (!Target) return;
    if (Prev)
      Prev->Next = Next;
    else
      Target->FLinks = Next;
    if (Next) Next->Prev = Prev;
    Target = nullptr;
    Prev = Next = nullptr;
  }
  // Called by ~TObject: every link to the dying object reads nullptr from now on.
  static void ClearAll(TObject* target) noexcept {
    TLinkNode* n = target->FLinks;
    target->FLinks = nullptr;
    while (n) {
      TLinkNode* next = n->Next;
      n->Target = nullptr;
      n->Prev = n->Next = nullptr;
      n = next;
    }
  }
};
}  // namespace rtl_detail

// A weak reference to a T (a TObject descendant). Copies link to the same target.
template <class T = TObject>
class TObjectLink {
public:
  TObjectLink() = default;
  explicit TObjectLink(T* target) { Set(target); }
  TObjectLink(const TObjectLink& other) { Set(other.Get()); }
  TObjectLink& operator=(const TObjectLink& other) {
    if (this != &other) Set(other.Get());
    return *this;
  }
  TObjectLink& operator=(T* target) {
    Set(target);
    return *this;
  }
  ~TObjectLink() { FNode.Detach(); }

  void Set(T* target) { FNode.Attach(target ? static_cast<TObject*>(target) : nullptr); }
  void Clear() noexcept { FNode.Detach(); }
  // The target, or nullptr once it has been destroyed (or was never set).
  T* Get() const noexcept { return static_cast<T*>(FNode.Target); }
  bool Assigned() const noexcept { return FNode.Target != nullptr; }
  explicit operator bool() const noexcept { return Assigned(); }
  T* operator->() const noexcept { return Get(); }

private:
  rtl_detail::TLinkNode FNode;
};
