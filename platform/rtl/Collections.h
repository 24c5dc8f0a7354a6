#pragma once
// TCollection and TCollectionItem: an ordered list of items of one class that the collection owns, with
// change notifications and streaming as a collection value.
//
// An item joins its collection in AfterConstruction (the collection's Notify and Update then see the
// finished item) and leaves it in BeforeDestruction; create items with Add/Insert or
// New<TMyItem>(collection).

#include <cstdint>
#include <vector>

#include "rtl/Persistent.h"

class TCollection;

enum TCollectionNotification : uint8_t { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  RTL_CLASS(TCollectionItem, TPersistent)
public:
  using VirtualCtorArg = TCollection*;  // the family's virtual constructor takes the collection

  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TCollection* Collection() const { return FPending ? nullptr : FCollection; }
  virtual void SetCollection(TCollection* value);
  int32_t ID() const { return FID; }
  int32_t Index() const;
  // Moves the item within its collection.
  virtual void SetIndex(int32_t value);
  String DisplayName() { return GetDisplayName(); }
  void SetDisplayName(const String& value) { DoSetDisplayName(value); }
  // "<collection's name path>[index]", or the class name outside a collection.
  String GetNamePath() override;

protected:
  // Tells the collection that this item (or, with allItems, every item) changed; nothing while the
  // collection is inside BeginUpdate/EndUpdate.
  void Changed(bool allItems);
  TPersistent* GetOwner() override;
  virtual String GetDisplayName();
  virtual void DoSetDisplayName(const String& value);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  bool FPending = false;  // the collection is known but the insertion waits for AfterConstruction
  int32_t FID = 0;
};

using TCollectionItemClass = const TMetaClass*;

class TCollection : public TPersistent {
  RTL_CLASS(TCollection, TPersistent)
public:
  explicit TCollection(TCollectionItemClass itemClass);
  ~TCollection() override;
  void BeforeDestruction() override;

  TCollectionItemClass ItemClass() const { return FItemClass; }
  TPersistent* Owner() { return GetOwner(); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TCollectionItem* Items(int32_t index) const;
  void SetItems(int32_t index, TCollectionItem* value);  // assigns value into the item at index

  // A new item of ItemClass through its virtual constructor, appended.
  TCollectionItem* Add();
  // A new item moved to index.
  TCollectionItem* Insert(int32_t index);
  // Notify(cnDeleting), then frees the item.
  void Delete(int32_t index);
  void Clear();
  TCollectionItem* FindItemID(int32_t id) const;

  void BeginUpdate();
  // Leaves one update level; the last one ends with a single Update(nullptr).
  void EndUpdate();
  int32_t UpdateCount() const { return FUpdateCount; }

  // Item by item through the items' Assign when source is a collection.
  void Assign(TPersistent* source) override;
  // "<owner's name path>.<property name>" when the owner publishes this collection, else the class name.
  String GetNamePath() override;
  // The owner's published property that holds this collection, or "".
  String PropName();
  void SetPropName(const String& value) { FPropName = value; }

protected:
  // Update(nullptr) unless inside BeginUpdate/EndUpdate.
  void Changed();
  // Called after items change: item is the changed item or nullptr for "everything".
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  virtual void Added(TCollectionItem*& item);
  virtual void Deleting(TCollectionItem* item);
  virtual void SetItemName(TCollectionItem* item);
  int32_t NextID() const { return FNextID; }

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int32_t FUpdateCount = 0;
  int32_t FNextID = 0;
  String FPropName;  // found once through the owner's RTTI, or set
};

// A collection whose owner is given at construction (the object that publishes it).
class TOwnedCollection : public TCollection {
  RTL_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass) : TCollection(itemClass), FOwner(owner) {}

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  TPersistent* FOwner;
};
