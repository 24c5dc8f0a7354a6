#include "rtl/Lists.h"

#include "rtl/Interfaces.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr int32_t MaxListSize = INT32_MAX / 16;

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
const char* const SDuplicateItem = "List does not allow duplicates ($0%x)";

// The platform's quicksort, kept so that items comparing equal end up in the same order as there.
// The bounds checks only matter for inconsistent comparers, which must not run off the array.
void QuickSort(void** list, int32_t l, int32_t r, TListSortCompare compare) {
  int32_t i;
  do {
    i = l;
    int32_t j = r;
    void* p = list[l + (r - l) / 2];
    do {
      while (i < r && compare(list[i], p) < 0) ++i;
      while (j > l && compare(list[j], p) > 0) --j;
      if (i <= j) {
        std::swap(list[i], list[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(list, l, j, compare);
    l = i;
  } while (i < r);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TList

TList::~TList() { std::free(FList); }

void TList::BeforeDestruction() {
  Clear();
  inherited::BeforeDestruction();
}

void TList::Error(const char* fmt, intptr_t data) {
  char buf[128];
  String f(fmt);
  if (f.find("%x") != String::npos)
    std::snprintf(buf, sizeof buf, f.replace(f.find("%x"), 2, "%llX").c_str(),
                  static_cast<unsigned long long>(static_cast<uintptr_t>(data)));
  else
    std::snprintf(buf, sizeof buf, f.replace(f.find("%d"), 2, "%lld").c_str(), static_cast<long long>(data));
  throw EListError(buf);
}

void TList::Notify(void*, TListNotification) {}

void TList::Grow() {
  int32_t delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
  SetCapacity(FCapacity + delta);
}

void TList::SetCapacity(int32_t newCapacity) {
  if (newCapacity < FCount || newCapacity > MaxListSize) Error(SListCapacityError, newCapacity);
  if (newCapacity == FCapacity) return;
  if (newCapacity == 0) {
    std::free(FList);
    FList = nullptr;
  } else {
    void* p = std::realloc(FList, sizeof(void*) * static_cast<size_t>(newCapacity));
    if (!p) throw std::bad_alloc();
    FList = static_cast<void**>(p);
  }
  FCapacity = newCapacity;
}

void TList::SetCount(int32_t newCount) {
  if (newCount < 0 || newCount > MaxListSize) Error(SListCountError, newCount);
  if (newCount > FCapacity) SetCapacity(newCount);
  if (newCount > FCount) {
    std::memset(FList + FCount, 0, sizeof(void*) * static_cast<size_t>(newCount - FCount));
    FCount = newCount;
  } else {
    for (int32_t i = FCount - 1; i >= newCount; --i) Delete(i);
  }
}

int32_t TList::Add(void* item) {
  int32_t result = FCount;
  if (result == FCapacity) Grow();
  FList[result] = item;
  ++FCount;
  if (item) Notify(item, lnAdded);
  return result;
}

void TList::Insert(int32_t index, void* item) {
  if (index < 0 || index > FCount) Error(SListIndexError, index);
  if (FCount == FCapacity) Grow();
  if (index < FCount) std::memmove(FList + index + 1, FList + index, sizeof(void*) * static_cast<size_t>(FCount - index));
  FList[index] = item;
  ++FCount;
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int32_t index) {
  if (index < 0 || index >= FCount) Error(SListIndexError, index);
  void* temp = FList[index];
  --FCount;
  if (index < FCount) std::memmove(FList + index, FList + index + 1, sizeof(void*) * static_cast<size_t>(FCount - index));
  if (temp) Notify(temp, lnDeleted);
}

int32_t TList::Remove(void* item) {
  int32_t result = IndexOf(item);
  if (result >= 0) Delete(result);
  return result;
}

void* TList::Extract(void* item) {
  int32_t i = IndexOf(item);
  if (i < 0) return nullptr;
  FList[i] = nullptr;  // so that Delete does not announce it as deleted
  Delete(i);
  if (item) Notify(item, lnExtracted);
  return item;
}

int32_t TList::IndexOf(void* item) const {
  for (int32_t i = 0; i < FCount; ++i)
    if (FList[i] == item) return i;
  return -1;
}

void TList::Exchange(int32_t index1, int32_t index2) {
  if (index1 < 0 || index1 >= FCount) Error(SListIndexError, index1);
  if (index2 < 0 || index2 >= FCount) Error(SListIndexError, index2);
  std::swap(FList[index1], FList[index2]);
}

void TList::Move(int32_t curIndex, int32_t newIndex) {
  if (curIndex == newIndex) return;
  if (newIndex < 0 || newIndex >= FCount) Error(SListIndexError, newIndex);
  void* item = Get(curIndex);
  // Moving is neither a deletion nor an addition: no notifications.
  FList[curIndex] = nullptr;
  Delete(curIndex);
  Insert(newIndex, nullptr);
  FList[newIndex] = item;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Pack() {
  for (int32_t i = FCount - 1; i >= 0; --i)
    if (!FList[i]) Delete(i);
}

TList* TList::Expand() {
  if (FCount == FCapacity) Grow();
  return this;
}

void TList::Sort(TListSortCompare compare) {
  if (FList && FCount > 1) QuickSort(FList, 0, FCount - 1, compare);
}

void* TList::Get(int32_t index) const {
  if (index < 0 || index >= FCount) Error(SListIndexError, index);
  return FList[index];
}

void TList::Put(int32_t index, void* item) {
  if (index < 0 || index >= FCount) Error(SListIndexError, index);
  void* temp = FList[index];
  if (item == temp) return;
  FList[index] = item;
  if (temp) Notify(temp, lnDeleted);
  if (item) Notify(item, lnAdded);
}

void* TList::First() const { return Get(0); }

void* TList::Last() const { return Get(FCount - 1); }

void TList::Assign(TList* listA, TListAssignOp op, TList* listB) {
  TList* source;
  if (listB) {
    source = listB;
    Assign(listA);
  } else {
    source = listA;
  }
  switch (op) {
    case laCopy:
      Clear();
      SetCapacity(source->Capacity());
      for (int32_t i = 0; i < source->Count(); ++i) Add(source->FList[i]);
      break;
    case laAnd:
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) < 0) Delete(i);
      break;
    case laOr:
      for (int32_t i = 0; i < source->Count(); ++i)
        if (IndexOf(source->FList[i]) < 0) Add(source->FList[i]);
      break;
    case laXor: {
      TList temp;
      for (int32_t i = 0; i < source->Count(); ++i)
        if (IndexOf(source->FList[i]) < 0) temp.Add(source->FList[i]);
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      for (int32_t i = 0; i < temp.Count(); ++i) Add(temp.FList[i]);
      break;
    }
    case laSrcUnique:
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      break;
    case laDestUnique: {
      TList temp;
      for (int32_t i = 0; i < source->Count(); ++i)
        if (IndexOf(source->FList[i]) < 0) temp.Add(source->FList[i]);
      Assign(&temp);
      break;
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// TObjectList

TObjectList::~TObjectList() {
  // Free() has already cleared the list; a plain delete has not, and the objects are still ours.
  if (FOwnsObjects)
    for (int32_t i = Count() - 1; i >= 0; --i)
      if (auto* obj = static_cast<TObject*>(List()[i])) obj->Free();
}

void TObjectList::Notify(void* ptr, TListNotification action) {
  if (FOwnsObjects && action == lnDeleted) static_cast<TObject*>(ptr)->Free();
  inherited::Notify(ptr, action);
}

int32_t TObjectList::FindInstanceOf(TClass cls, bool exact, int32_t startAt) const {
  for (int32_t i = startAt < 0 ? 0 : startAt; i < Count(); ++i) {
    auto* obj = static_cast<TObject*>(List()[i]);
    if (!obj) continue;
    if (exact ? obj->ClassType() == cls : obj->InheritsFrom(cls)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------------
// TThreadList

struct TThreadList::Lock {
  std::recursive_mutex mutex;
};

TThreadList::TThreadList() : FLock(std::make_unique<Lock>()), FList(new TList) {}

TThreadList::~TThreadList() {
  LockList();
  try {
    FreeAndNil(FList);
  } catch (...) {
  }
  FLock->mutex.unlock();
}

void TThreadList::Add(void* item) {
  std::lock_guard<std::recursive_mutex> guard(FLock->mutex);
  if (FDuplicates == dupAccept || FList->IndexOf(item) == -1)
    FList->Add(item);
  else if (FDuplicates == dupError)
    TList::Error(SDuplicateItem, reinterpret_cast<intptr_t>(item));
}

void TThreadList::Remove(void* item) {
  std::lock_guard<std::recursive_mutex> guard(FLock->mutex);
  FList->Remove(item);
}

void TThreadList::Clear() {
  std::lock_guard<std::recursive_mutex> guard(FLock->mutex);
  FList->Clear();
}

TList* TThreadList::LockList() {
  FLock->mutex.lock();
  return FList;
}

void TThreadList::UnlockList() { FLock->mutex.unlock(); }

// ---------------------------------------------------------------------------------------------------
// TInterfaceList: the TList slots hold raw pointers, each carrying one reference of ours.

namespace {

// Holds the thread list's lock for a scope.
struct Locked {
  explicit Locked(TThreadList* l) : owner(l), list(l->LockList()) {}
  ~Locked() { owner->UnlockList(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  TThreadList* owner;
  TList* list;
};

IInterface* Slot(TList* list, int32_t index) { return static_cast<IInterface*>(list->Get(index)); }

}  // namespace

TInterfaceList::TInterfaceList() : FList(new TThreadList) {}

TInterfaceList::~TInterfaceList() {
  try {
    Clear();
  } catch (...) {
  }
  FList->Free();
}

int32_t TInterfaceList::Add(IInterface* item) {
  Locked l(FList);
  int32_t result = l.list->Add(nullptr);
  if (item) item->_AddRef();
  l.list->List()[result] = item;
  return result;
}

int32_t TInterfaceList::Add(const IPtr<IInterface>& item) { return Add(item.get()); }

void TInterfaceList::Insert(int32_t index, IInterface* item) {
  Locked l(FList);
  l.list->Insert(index, nullptr);
  if (item) item->_AddRef();
  l.list->List()[index] = item;
}

void TInterfaceList::Delete(int32_t index) {
  Locked l(FList);
  IInterface* item = Slot(l.list, index);
  l.list->Delete(index);
  if (item) item->_Release();
}

int32_t TInterfaceList::Remove(IInterface* item) {
  Locked l(FList);
  int32_t result = l.list->IndexOf(item);
  if (result >= 0) Delete(result);
  return result;
}

int32_t TInterfaceList::IndexOf(IInterface* item) {
  Locked l(FList);
  return l.list->IndexOf(item);
}

void TInterfaceList::Exchange(int32_t index1, int32_t index2) {
  Locked l(FList);
  l.list->Exchange(index1, index2);
}

TInterfaceList* TInterfaceList::Expand() {
  Locked l(FList);
  l.list->Expand();
  return this;
}

void TInterfaceList::Clear() {
  Locked l(FList);
  SetCount(0);
  l.list->SetCapacity(0);
}

IPtr<IInterface> TInterfaceList::First() { return Items(0); }

IPtr<IInterface> TInterfaceList::Last() {
  Locked l(FList);
  return Items(l.list->Count() - 1);
}

IPtr<IInterface> TInterfaceList::Items(int32_t index) {
  Locked l(FList);
  return IPtr<IInterface>(Slot(l.list, index));
}

void TInterfaceList::SetItems(int32_t index, IInterface* item) {
  Locked l(FList);
  IInterface* old = Slot(l.list, index);
  if (item) item->_AddRef();
  l.list->List()[index] = item;
  if (old) old->_Release();
}

int32_t TInterfaceList::Count() {
  Locked l(FList);
  return l.list->Count();
}

void TInterfaceList::SetCount(int32_t newCount) {
  Locked l(FList);
  if (newCount < 0) TList::Error(SListCountError, newCount);
  // Last first, as TList deletes; each release may run a destructor that looks at the list.
  while (l.list->Count() > newCount) Delete(l.list->Count() - 1);
  l.list->SetCount(newCount);
}

int32_t TInterfaceList::Capacity() {
  Locked l(FList);
  return l.list->Capacity();
}

void TInterfaceList::SetCapacity(int32_t newCapacity) {
  Locked l(FList);
  l.list->SetCapacity(newCapacity);
}

void TInterfaceList::Lock() { FList->LockList(); }

void TInterfaceList::Unlock() { FList->UnlockList(); }
