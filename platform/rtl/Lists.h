#pragma once
// Pointer lists: TList with its change notification, the owning TObjectList, the locked TThreadList,
// the thread-safe TInterfaceList of counted references, and a thin typed wrapper for code that wants its
// item type back without casts.

#include <memory>

#include "rtl/System.h"

// TInterfaceList's item type; callers that use it include rtl/Interfaces.h.
class IInterface;
template <class T>
class IPtr;

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
enum TListAssignOp { laCopy, laAnd, laOr, laXor, laSrcUnique, laDestUnique };
// How sorted string lists and thread lists treat an item that is already there.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// Returns < 0, 0 or > 0 as item1 sorts before, with or after item2.
using TListSortCompare = int32_t (*)(void* item1, void* item2);

class TList : public TObject {
  RTL_CLASS(TList, TObject)
public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  ~TList() override;

  // Clears through the virtual Clear so that descendants see their items leave.
  void BeforeDestruction() override;

  int32_t Add(void* item);
  void Insert(int32_t index, void* item);
  void Delete(int32_t index);
  // Deletes the first occurrence; returns its former index or -1.
  int32_t Remove(void* item);
  // Takes the first occurrence out without the lnDeleted notification (lnExtracted instead);
  // returns the item, or nullptr when it is not in the list.
  void* Extract(void* item);
  int32_t IndexOf(void* item) const;
  void Exchange(int32_t index1, int32_t index2);
  void Move(int32_t curIndex, int32_t newIndex);
  virtual void Clear();
  // Drops the nil items.
  void Pack();
  // Makes room for one more item when the list is full.
  TList* Expand();
  void Sort(TListSortCompare compare);
  // Combines this list with listA (and listB, when given, as the source instead of this list).
  void Assign(TList* listA, TListAssignOp op = laCopy, TList* listB = nullptr);

  void* First() const;
  void* Last() const;
  void* Items(int32_t index) const { return Get(index); }
  void SetItems(int32_t index, void* item) { Put(index, item); }
  void* Get(int32_t index) const;
  void Put(int32_t index, void* item);

  int32_t Count() const { return FCount; }
  // Shrinking deletes the items past the new count (last first); growing adds nil items.
  void SetCount(int32_t newCount);
  int32_t Capacity() const { return FCapacity; }
  virtual void SetCapacity(int32_t newCapacity);
  // The raw item array; valid until the capacity changes.
  void** List() const { return FList; }

  [[noreturn]] static void Error(const char* fmt, intptr_t data);

protected:
  // Called after an item arrives (lnAdded) or leaves (lnExtracted, lnDeleted); never for nil items.
  virtual void Notify(void* ptr, TListNotification action);
  virtual void Grow();

private:
  void** FList = nullptr;
  int32_t FCount = 0;
  int32_t FCapacity = 0;
};

// A list of objects that, while OwnsObjects is set, frees every object deleted from it (Delete, Remove,
// Clear, replacement through SetItems, destruction). Extract hands the object back without freeing it.
class TObjectList : public TList {
  RTL_CLASS(TObjectList, TList)
public:
  TObjectList() = default;
  explicit TObjectList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TObjectList() override;

  int32_t Add(TObject* obj) { return TList::Add(obj); }
  void Insert(int32_t index, TObject* obj) { TList::Insert(index, obj); }
  int32_t Remove(TObject* obj) { return TList::Remove(obj); }
  TObject* Extract(TObject* obj) { return static_cast<TObject*>(TList::Extract(obj)); }
  int32_t IndexOf(TObject* obj) const { return TList::IndexOf(obj); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  TObject* Items(int32_t index) const { return static_cast<TObject*>(Get(index)); }
  void SetItems(int32_t index, TObject* obj) { Put(index, obj); }
  // The index of the first object of class cls (or of a descendant, unless exact), from startAt on.
  int32_t FindInstanceOf(TClass cls, bool exact = true, int32_t startAt = 0) const;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool v) { FOwnsObjects = v; }

protected:
  void Notify(void* ptr, TListNotification action) override;

private:
  bool FOwnsObjects = true;
};

// A TList behind a re-entrant lock. Add refuses or ignores duplicates as Duplicates says (dupIgnore by
// default); LockList/UnlockList bracket direct access from any thread.
class TThreadList : public TObject {
  RTL_CLASS(TThreadList, TObject)
public:
  TThreadList();
  ~TThreadList() override;

  void Add(void* item);
  void Remove(void* item);
  void Clear();
  TList* LockList();
  void UnlockList();

  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates v) { FDuplicates = v; }

private:
  struct Lock;
  std::unique_ptr<Lock> FLock;
  TList* FList;
  TDuplicates FDuplicates = dupIgnore;
};

// A list of interface references behind a re-entrant lock: it holds one reference to each item (an item
// may be there more than once) and drops it when the item leaves. Every call locks on its own;
// Lock/Unlock bracket a sequence of calls. Index errors are TList's. The list itself is a plain object,
// freed by whoever creates it.
class TInterfaceList : public TObject {
  RTL_CLASS(TInterfaceList, TObject)
public:
  TInterfaceList();
  ~TInterfaceList() override;

  int32_t Add(IInterface* item);
  int32_t Add(const IPtr<IInterface>& item);
  void Insert(int32_t index, IInterface* item);
  void Delete(int32_t index);
  // Deletes the first occurrence; returns its former index or -1.
  int32_t Remove(IInterface* item);
  int32_t IndexOf(IInterface* item);
  void Exchange(int32_t index1, int32_t index2);
  TInterfaceList* Expand();
  void Clear();

  IPtr<IInterface> First();
  IPtr<IInterface> Last();
  IPtr<IInterface> Items(int32_t index);
  void SetItems(int32_t index, IInterface* item);

  int32_t Count();
  // Shrinking releases the items past the new count; growing adds nil items.
  void SetCount(int32_t newCount);
  int32_t Capacity();
  void SetCapacity(int32_t newCapacity);

  void Lock();
  void Unlock();

private:
  TThreadList* FList;
};

// A TList whose items are T*: the same object and notifications, typed accessors on top.
template <class T>
class TListOf : public TList {
public:
  int32_t Add(T* item) { return TList::Add(item); }
  void Insert(int32_t index, T* item) { TList::Insert(index, item); }
  int32_t Remove(T* item) { return TList::Remove(item); }
  T* Extract(T* item) { return static_cast<T*>(TList::Extract(item)); }
  int32_t IndexOf(T* item) const { return TList::IndexOf(item); }
  T* First() const { return static_cast<T*>(TList::First()); }
  T* Last() const { return static_cast<T*>(TList::Last()); }
  T* Items(int32_t index) const { return static_cast<T*>(Get(index)); }
  void SetItems(int32_t index, T* item) { Put(index, item); }
};
