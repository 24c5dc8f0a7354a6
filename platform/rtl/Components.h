#pragma once
// TComponent: named objects that own other components, tell each other when one goes away, and are
// streamed as a tree from and to form resources.
//
// Life cycle in C++: the constructor only records the owner; TComponent::AfterConstruction inserts the
// component into its owner (so notifications see the finished object), and TComponent::BeforeDestruction
// does what the platform's destructor does while every override still answers: csDestroying on the whole
// subtree, free notifications to linked components, the owned components freed (last first), and the
// removal from the owner. A descendant that needs its owned components while it is being destroyed does
// that work in its own BeforeDestruction override before calling the inherited one; in a C++ destructor
// they are already gone.

#include <cstdint>
#include <vector>

#include "rtl/Events.h"
#include "rtl/Persistent.h"
#include "rtl/Sets.h"

class TComponent;
class TReader;
class TWriter;

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateItem : uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = Set<TComponentStateItem>;

enum TComponentStyleItem : uint8_t { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = Set<TComponentStyleItem>;

// Called by GetChildren once per child that a writer must stream.
using TGetChildProc = Event<TComponent*>;

class TComponent : public TPersistent {
  RTL_CLASS(TComponent, TPersistent)
  RTL_PUBLISHED_DECL
public:
  using VirtualCtorArg = TComponent*;  // the family's virtual constructor takes the owner
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TComponent* Owner() const { return FOwner; }
  int32_t ComponentCount() const { return static_cast<int32_t>(FComponents.size()); }
  TComponent* Components(int32_t index) const;
  // Position in the owner's list; -1 without owner. Setting moves the component within that list.
  int32_t ComponentIndex() const;
  void SetComponentIndex(int32_t value);

  const String& Name() const { return FName; }
  // Checks the identifier rules and the owner's names, then renames. Virtual as on the platform:
  // descendants follow a rename (captions that mirror the name, registries keyed by it).
  virtual void SetName(const String& newName);

  TComponentState ComponentState() const { return FComponentState; }
  TComponentStyle ComponentStyle() const { return FComponentStyle; }
  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t value) { FTag = value; }
  // Designer position of a non-visual component: left in the low 16 bits, top in the high 16 bits.
  int32_t DesignInfo() const { return FDesignInfo; }
  void SetDesignInfo(int32_t value) { FDesignInfo = value; }

  // Case-insensitive lookup among the owned components; nullptr for an empty name or no match.
  TComponent* FindComponent(const String& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed (csDestroying).
  void Destroying();

  // Links two components so that each hears (Notification opRemove) when the other is freed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Streaming hooks.
  virtual void GetChildren(TGetChildProc proc, TComponent* root);
  virtual void SetChildOrder(TComponent* child, int32_t order);
  virtual TComponent* GetChildOwner();
  virtual TComponent* GetChildParent();
  virtual TComponent* GetParentComponent() const;
  virtual bool HasParent() const;
  virtual void SetParentComponent(TComponent* value);
  virtual void ReadState(TReader* reader);
  virtual void WriteState(TWriter* writer);

  void SetSubComponent(bool value);
  void SetDesigning(bool value, bool setChildren = true);
  void SetInline(bool value);
  void SetDesignInstance(bool value);
  void SetAncestor(bool value);
  virtual void Updating();
  virtual void Updated();

  String GetNamePath() override;
  // Loaded clears csLoading; overrides finish what depends on the whole tree being read.
  virtual void Loaded();

protected:
  void ChangeName(const String& newName);
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);
  virtual void ValidateContainer(TComponent* component);
  virtual void ValidateInsert(TComponent* component);
  TPersistent* GetOwner() override;
  void DefineProperties(TFiler* filer) override;

  friend class TReader;
  friend class TWriter;

private:
  // Points the owner's published field of this component's name at it (or back at nullptr).
  void SetReference(bool enable);
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);
  void RemoveFreeNotifications();
  void ReadLeft(TReader* reader);
  void ReadTop(TReader* reader);
  void WriteLeft(TWriter* writer);
  void WriteTop(TWriter* writer);

  TComponent* FOwner = nullptr;
  bool FOwnerPending = false;  // the owner is known but the insertion waits for AfterConstruction
  String FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  TComponentStyle FComponentStyle;
  intptr_t FTag = 0;
  int32_t FDesignInfo = 0;
};

using TComponentClass = const TMetaClass*;

// Process-wide lookup of top-level components (forms, data modules) by name, used to resolve references
// such as "Form2.Table1" across roots. Libraries that keep such components register a finder.
using TFindGlobalComponent = TComponent* (*)(const String& name);
void RegisterFindGlobalComponentProc(TFindGlobalComponent proc);
void UnregisterFindGlobalComponentProc(TFindGlobalComponent proc);
TComponent* FindGlobalComponent(const String& name);
