#pragma once
// The small bases and routines every component of the visual suite stands on: a persistent that knows its
// owner, a component with design-time link slots, owning and registered-class lists, the width
// distributor of auto-width layouts, weak object links, a free-notification relay, a most-recently-used
// list, and a few free functions (text translation, unique component names, stream comparison).

#include <cstdint>
#include <utility>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/InterfacedPersistent.h"
#include "rtl/ObjLinks.h"
#include "winapi/Windows.h"

// A persistent object that remembers the owner it was made for and answers it as its owner.
class TcxInterfacedPersistent : public TInterfacedPersistent {
  RTL_CLASS(TcxInterfacedPersistent, TInterfacedPersistent)
public:
  using VirtualCtorArg = TPersistent*;
  explicit TcxInterfacedPersistent(TPersistent* AOwner) : FOwner(AOwner) {}
  TPersistent* Owner() const { return FOwner; }

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  TPersistent* FOwner;
};

// The suite's component base: three design-time links that let the form designer show related
// components, and object links to it reset before it goes away.
class TcxComponent : public TComponent {
  RTL_CLASS(TcxComponent, TComponent)
  RTL_PUBLISHED_DECL
public:
  static constexpr int32_t FakeComponentLinkCount = 3;

  explicit TcxComponent(TComponent* AOwner) : TComponent(AOwner) {}
  ~TcxComponent() override;
  void BeforeDestruction() override;
  void Loaded() override;

  TComponent* FakeComponentLink(int32_t index) const { return FFakeComponentLinks[CheckLinkIndex(index)]; }
  TComponent* FakeComponentLink1() const { return FFakeComponentLinks[0]; }
  TComponent* FakeComponentLink2() const { return FFakeComponentLinks[1]; }
  TComponent* FakeComponentLink3() const { return FFakeComponentLinks[2]; }
  // The links only mirror what CollectFakeComponentLinks says; values streamed in are not kept.
  void SetFakeComponentLink1(TComponent*) {}
  void SetFakeComponentLink2(TComponent*) {}
  void SetFakeComponentLink3(TComponent*) {}

  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

  // Refills the links from CollectFakeComponentLinks (designing only, with an owner, not destroying).
  void UpdateFakeComponentLinks();

protected:
  // Appends, in order, the components the designer should show beside this one.
  virtual void CollectFakeComponentLinks(TList* AList) { (void)AList; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  static size_t CheckLinkIndex(int32_t index);
  TComponent* FFakeComponentLinks[FakeComponentLinkCount] = {};
};

// A list that owns its items: Clear (and destruction) frees them, first to last.
class TcxObjectList : public TList {
  RTL_CLASS(TcxObjectList, TList)
public:
  TcxObjectList() = default;
  ~TcxObjectList() override;
  TObject* Items(int32_t index) const { return static_cast<TObject*>(Get(index)); }
  void Clear() override;
};

// One registration of a TcxRegisteredClassList: the class looked up and the class registered for it.
class TcxRegisteredClassListItemData : public TObject {
  RTL_CLASS(TcxRegisteredClassListItemData, TObject)
public:
  TcxRegisteredClassListItemData(TClass AItemClass, TClass ARegisteredClass)
      : ItemClass(AItemClass), RegisteredClass(ARegisteredClass) {}
  TClass ItemClass;
  TClass RegisteredClass;
};

// Maps item classes to registered classes; a lookup answers the registration of the most specific
// registered ancestor (or the class itself), the newest registration of a class winning.
class TcxRegisteredClassList : public TObject {
  RTL_CLASS(TcxRegisteredClassList, TObject)
public:
  TcxRegisteredClassList() = default;
  TcxRegisteredClassList(const TcxRegisteredClassList&) = delete;
  TcxRegisteredClassList& operator=(const TcxRegisteredClassList&) = delete;
  ~TcxRegisteredClassList() override;

  virtual bool FindItemIndex(TClass AItemClass, int32_t& AIndex);
  virtual void AddRegistration(TClass AItemClass, TClass ARegisteredClass);
  virtual void RemoveRegistration(TClass AItemClass, TClass ARegisteredClass);
  TClass LookupRegisteredClass(TClass AItemClass);

  int32_t Count() const { return FItems.Count(); }
  TcxRegisteredClassListItemData* Items(int32_t index) const {
    return static_cast<TcxRegisteredClassListItemData*>(FItems.Get(index));
  }
  void Clear();

private:
  TList FItems;
};

// Classes with descriptions, in registration order (editor kinds, panel styles, view kinds).
class TcxRegisteredClasses : public TObject {
  RTL_CLASS(TcxRegisteredClasses, TObject)
public:
  explicit TcxRegisteredClasses(bool AStreamRegistration = false) : FStreamRegistration(AStreamRegistration) {}

  // Appends the class unless it is already there (its first description stays); with stream
  // registration the class is also made known to the component streamer.
  void Register(TClass AClass, const String& ADescription);
  void Unregister(TClass AClass);
  // Case-sensitive, first in registration order; nullptr when none.
  TClass FindByClassName(const String& AName) const;
  int32_t IndexOfClass(TClass AClass) const;

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TClass Items(int32_t index) const { return FItems[CheckIndex(index)].second; }
  const String& Descriptions(int32_t index) const { return FItems[CheckIndex(index)].first; }
  bool StreamRegistration() const { return FStreamRegistration; }

private:
  size_t CheckIndex(int32_t index) const;
  bool FStreamRegistration;
  std::vector<std::pair<String, TClass>> FItems;
};

// One column (or item) of an auto-width layout.
class TcxAutoWidthItem : public TObject {
  RTL_CLASS(TcxAutoWidthItem, TObject)
public:
  int32_t MinimalWidth = 0;
  int32_t RequestedWidth = 0;
  bool Fixed = false;
  int32_t CalculatedWidth = -1;  // -1 until calculated
};

// Shares WidthToFill among its items in proportion to their requested widths, never below an item's
// minimum; fixed items keep what they ask for.
class TcxAutoWidthObject : public TObject {
  RTL_CLASS(TcxAutoWidthObject, TObject)
public:
  explicit TcxAutoWidthObject(int32_t ACapacity);
  TcxAutoWidthObject(const TcxAutoWidthObject&) = delete;
  TcxAutoWidthObject& operator=(const TcxAutoWidthObject&) = delete;
  ~TcxAutoWidthObject() override;

  TcxAutoWidthItem* NewItem();
  int32_t Count() const { return FItems.Count(); }
  TcxAutoWidthItem* ItemByIndex(int32_t index) const { return static_cast<TcxAutoWidthItem*>(FItems.Get(index)); }
  int32_t TotalWidth() const;
  int32_t WidthToFill() const { return FWidthToFill; }
  void SetWidthToFill(int32_t value) { FWidthToFill = value; }
  void Calculate();

private:
  int32_t FWidthToFill = 0;
  TList FItems;
};

// A weak reference handed out by AddObjectLink: Target reads nullptr once its object is gone (or its
// links were reset), so code that calls out can tell afterwards whether the object survived.
class TcxObjectLink : public TObject {
  RTL_CLASS(TcxObjectLink, TObject)
public:
  TObject* Target() const { return FTarget.Get(); }

private:
  friend TcxObjectLink* AddObjectLink(TObject* AObject);
  friend void ResetObjectLinks(TObject* AObject);
  TObjectLink<TObject> FTarget;
};

TcxObjectLink* AddObjectLink(TObject* AObject);
void RemoveObjectLink(TcxObjectLink* ALink);
void ResetObjectLinks(TObject* AObject);
// How many links are out (for tests of the controller's life).
int32_t ObjectLinkCount();

// Relays the removal of any component it was told about to OnComponentRemoved.
class TcxFreeNotificator : public TComponent {
  RTL_CLASS(TcxFreeNotificator, TComponent)
public:
  explicit TcxFreeNotificator(TComponent* AOwner) : TComponent(AOwner) {}
  Event<TComponent*> OnComponentRemoved;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

// An entry of a most-recently-used list; descendants say which entries stand for the same thing.
class TcxMRUItem : public TObject {
  RTL_CLASS(TcxMRUItem, TObject)
public:
  virtual bool Matches(TcxMRUItem* AItem) = 0;
};

// Most recent first; Limit 0 keeps any number.
class TcxMRUItems : public TObject {
  RTL_CLASS(TcxMRUItems, TObject)
public:
  TcxMRUItems() = default;
  TcxMRUItems(const TcxMRUItems&) = delete;
  TcxMRUItems& operator=(const TcxMRUItems&) = delete;
  ~TcxMRUItems() override;

  int32_t Count() const { return FItems.Count(); }
  TcxMRUItem* Items(int32_t index) const { return static_cast<TcxMRUItem*>(FItems.Get(index)); }
  int32_t Limit() const { return FLimit; }
  void SetLimit(int32_t Value);
  // Takes ownership of AItem: a matching entry moves to the front instead and AItem is freed.
  void Add(TcxMRUItem* AItem);
  void Delete(int32_t Index);
  void Clear();
  int32_t IndexOf(TcxMRUItem* AItem);

private:
  void Trim();
  int32_t FLimit = 0;
  TList FItems;
};

TPersistent* GetPersistentOwner(TPersistent* APersistent);
SIZE MakeSize(int32_t cx, int32_t cy);
// floor((ABound1 + ABound2) / 2).
int32_t RangeMiddle(int32_t ABound1, int32_t ABound2);
bool MemoryStreamsEqual(TMemoryStream* AStream1, TMemoryStream* AStream2);

// Passes a user-visible text through the translation lists; with none installed the text is returned as is.
void TranslateString(const String& AText, String& AResult);
String TranslateString(const String& AText);
// Installs (or, with two nullptrs, removes) the source-text and translation lists. The lists become the
// unit's: it frees them on the next call and at its end. Sources are looked up case-sensitively.
void SetTranslationLists(TStringList* ASources, TStringList* ATranslations);

// Builds a name for AComponent from ABaseName (or its class name) that no other component of AOwner has.
void MakeUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                             String& AName, const String& ABaseName, const String& AClassPrefix);
String MakeUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                               const String& ABaseName, const String& AClassPrefix);

void RequestFreeNotification(TComponent* AListener, TComponent* AComponent);
void CancelFreeNotification(TComponent* AListener, TComponent* AComponent);
