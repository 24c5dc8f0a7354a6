#include "rtl/Collections.h"

#include <algorithm>

#include "rtl/TypInfo.h"

namespace {
[[noreturn]] void IndexError(int32_t index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) : FCollection(collection), FPending(collection != nullptr) {
  RequireNewAndFree();
}

TCollectionItem::~TCollectionItem() {
  if (FPending) FCollection = nullptr;
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::AfterConstruction() {
  inherited::AfterConstruction();
  if (FPending) {
    TCollection* c = FCollection;
    FCollection = nullptr;
    FPending = false;
    SetCollection(c);
  }
}

void TCollectionItem::BeforeDestruction() {
  inherited::BeforeDestruction();
  if (!FPending) SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* value) {
  if (FPending || FCollection == value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (value) value->InsertItem(this);
}

int32_t TCollectionItem::Index() const {
  if (!FCollection || FPending) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

void TCollectionItem::SetIndex(int32_t value) {
  int32_t cur = Index();
  if (cur < 0 || cur == value) return;
  auto& items = FCollection->FItems;
  if (value < 0 || value >= static_cast<int32_t>(items.size())) IndexError(value);
  items.erase(items.begin() + cur);
  items.insert(items.begin() + value, this);
  Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && !FPending && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() { return Collection(); }

String TCollectionItem::GetDisplayName() { return ClassName(); }

void TCollectionItem::DoSetDisplayName(const String&) { Changed(false); }

String TCollectionItem::GetNamePath() {
  if (TCollection* c = Collection()) return c->GetNamePath() + "[" + std::to_string(Index()) + "]";
  return ClassName();
}

// ---------------------------------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TCollectionItemClass itemClass) : FItemClass(itemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;
  while (!FItems.empty()) {
    TCollectionItem* item = FItems.back();
    FItems.pop_back();
    item->FCollection = nullptr;
    item->Free();
  }
}

void TCollection::BeforeDestruction() {
  inherited::BeforeDestruction();
  // Items leave while the collection's overrides still answer their notifications.
  FUpdateCount = 1;
  Clear();
}

TCollectionItem* TCollection::Items(int32_t index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<size_t>(index)];
}

void TCollection::SetItems(int32_t index, TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::Add() {
  return CreateAs<TCollectionItem>(FItemClass, this);
}

TCollectionItem* TCollection::Insert(int32_t index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int32_t index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) FItems.back()->Free();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int32_t id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem* item, TCollectionNotification action) {
  if (action == cnAdded)
    Added(item);
  else if (action == cnDeleting)
    Deleting(item);
}

void TCollection::Added(TCollectionItem*&) {}

void TCollection::Deleting(TCollectionItem*) {}

void TCollection::SetItemName(TCollectionItem*) {}

void TCollection::InsertItem(TCollectionItem* item) {
  if (!item->InheritsFrom(FItemClass))
    throw EListError("Invalid property value: a " + item->ClassName() + " in a collection of " +
                     FItemClass->ClassName());
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  SetItemName(item);
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TCollection*>(source)) {
    BeginUpdate();
    try {
      Clear();
      for (TCollectionItem* item : src->FItems) Add()->Assign(item);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  inherited::Assign(source);
}

String TCollection::GetNamePath() {
  String result = ClassName();
  TPersistent* owner = GetOwner();
  if (!owner) return result;
  String s = owner->GetNamePath();
  if (s.empty()) return result;
  String p = PropName();
  if (p.empty()) return result;
  return s + "." + p;
}

String TCollection::PropName() {
  if (!FPropName.empty()) return FPropName;
  TPersistent* owner = GetOwner();
  if (!owner) return FPropName;
  for (const TPropInfo* prop : GetPropList(owner->ClassType()))
    if (prop->Kind() == tkClass && prop->Readable() && GetObjectProp(owner, prop) == this) {
      FPropName = prop->Name;
      break;
    }
  return FPropName;
}
