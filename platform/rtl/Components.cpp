#include "rtl/Components.h"

#include <algorithm>
#include <mutex>

#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

// A reader that constructs a component marks it loading before its constructor runs, so that the
// constructor can tell a streamed component from one made in code. The first TComponent constructor
// that runs on this thread afterwards is the one the reader asked for.
thread_local bool tLoadingConstruction = false;

std::mutex gFindGlobalMutex;
std::vector<TFindGlobalComponent>& FindGlobalProcs() {
  static std::vector<TFindGlobalComponent> procs;
  return procs;
}

}  // namespace

// Name is published but never written (the object header carries it); Tag is written when not 0.
RTL_PUBLISHED(TComponent) {
  prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

namespace rtl_detail {
void MarkNextComponentLoading(bool value) { tLoadingConstruction = value; }
}  // namespace rtl_detail

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner), FOwnerPending(AOwner != nullptr) {
  RequireNewAndFree();
  FComponentStyle.Include(csInheritable);
  if (tLoadingConstruction) {
    tLoadingConstruction = false;
    FComponentState.Include(csLoading);
  }
}

TComponent::~TComponent() {
  // Reached without Free() when a constructor threw (or through a plain delete, which breaks the lifetime
  // rule of rtl/System.h): do the same work now, with whatever of the object is left.
  if (FOwnerPending) FOwner = nullptr;
  if (!FComponentState.Contains(csDestroying)) Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::AfterConstruction() {
  inherited::AfterConstruction();
  if (FOwnerPending) {
    TComponent* owner = FOwner;
    FOwner = nullptr;
    FOwnerPending = false;
    owner->InsertComponent(this);
  }
}

void TComponent::BeforeDestruction() {
  inherited::BeforeDestruction();
  if (!FComponentState.Contains(csDestroying)) Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (FOwner && !FOwnerPending) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int32_t index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FComponents[static_cast<size_t>(index)];
}

int32_t TComponent::ComponentIndex() const {
  if (!FOwner || FOwnerPending) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TComponent::SetComponentIndex(int32_t value) {
  int32_t cur = ComponentIndex();
  if (cur < 0) return;
  auto& list = FOwner->FComponents;
  int32_t count = static_cast<int32_t>(list.size());
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  if (value == cur) return;
  list.erase(list.begin() + cur);
  list.insert(list.begin() + value, this);
}

void TComponent::SetName(const String& newName) {
  if (FName == newName) return;
  if (!newName.empty() && !IsValidIdent(newName))
    throw EComponentError("Component name \"" + newName + "\" is not valid");
  if (FOwner && !FOwnerPending)
    FOwner->ValidateRename(this, FName, newName);
  else
    ValidateRename(nullptr, FName, newName);
  SetReference(false);
  ChangeName(newName);
  SetReference(true);
}

void TComponent::SetReference(bool enable) {
  if (!FOwner || FOwnerPending || FName.empty()) return;
  const TPublishedField* field = FindPublishedField(FOwner->ClassType(), FName);
  if (field && InheritsFrom(field->FieldClass)) field->Set(FOwner, enable ? this : nullptr);
}

void TComponent::ChangeName(const String& newName) { FName = newName; }

void TComponent::ValidateRename(TComponent* component, const String& curName, const String& newName) {
  if (component && !SameText(curName, newName) && component->FOwner == this && FindComponent(newName))
    throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::ValidateContainer(TComponent* component) { component->ValidateInsert(this); }

void TComponent::ValidateInsert(TComponent*) {}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::Insert(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
  component->FOwnerPending = false;
}

void TComponent::Remove(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
  component->FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->FOwner == this && !component->FOwnerPending) return;
  component->ValidateContainer(this);
  if (component->FOwner && !component->FOwnerPending) component->FOwner->RemoveComponent(component);
  if (!component->FName.empty() && FindComponent(component->FName))
    throw EComponentError("A component named " + component->FName + " already exists");
  Insert(component);
  component->SetReference(true);
  if (FComponentState.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  ValidateRename(component, component->FName, String());
  Notification(component, opRemove);
  component->SetReference(false);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* instance = FComponents.back();
    // Siblings hear of the removal only when the child asked for free notifications; an owner that
    // frees everything it owns spares the rest the broadcast, as the platform does.
    if (instance->FComponentState.Contains(csFreeNotification))
      RemoveComponent(instance);
    else
      Remove(instance);
    instance->Free();
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Iterate from the end and re-clamp: a notified component may free siblings.
  int32_t i = ComponentCount() - 1;
  while (i >= 0) {
    FComponents[static_cast<size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!FOwner || component->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(component);
      component->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    other->Notification(this, opRemove);
    // An override that forgot to call the inherited Notification must not make this loop endless.
    RemoveFreeNotification(other);
  }
}

void TComponent::GetChildren(TGetChildProc, TComponent*) {}

void TComponent::SetChildOrder(TComponent*, int32_t) {}

TComponent* TComponent::GetChildOwner() { return nullptr; }

TComponent* TComponent::GetChildParent() { return this; }

TComponent* TComponent::GetParentComponent() const { return nullptr; }

bool TComponent::HasParent() const { return false; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }

void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

void TComponent::SetSubComponent(bool value) {
  if (value)
    FComponentStyle.Include(csSubComponent);
  else
    FComponentStyle.Exclude(csSubComponent);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
  if (setChildren)
    for (TComponent* c : FComponents) c->SetDesigning(value, true);
}

void TComponent::SetInline(bool value) {
  if (value)
    FComponentState.Include(csInline);
  else
    FComponentState.Exclude(csInline);
}

void TComponent::SetDesignInstance(bool value) {
  if (value)
    FComponentState.Include(csDesignInstance);
  else
    FComponentState.Exclude(csDesignInstance);
}

void TComponent::SetAncestor(bool value) {
  if (value)
    FComponentState.Include(csAncestor);
  else
    FComponentState.Exclude(csAncestor);
  for (TComponent* c : FComponents) c->SetAncestor(value);
}

void TComponent::Updating() { FComponentState.Include(csUpdating); }

void TComponent::Updated() { FComponentState.Exclude(csUpdating); }

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

String TComponent::GetNamePath() { return FName; }

TPersistent* TComponent::GetOwner() { return FOwnerPending ? nullptr : FOwner; }

void TComponent::DefineProperties(TFiler* filer) {
  int32_t ancestorInfo = 0;
  if (auto* ancestor = dynamic_cast<TComponent*>(filer->Ancestor())) ancestorInfo = ancestor->FDesignInfo;
  auto lo = [](int32_t v) { return static_cast<int16_t>(static_cast<uint32_t>(v) & 0xFFFFu); };
  auto hi = [](int32_t v) { return static_cast<int16_t>(static_cast<uint32_t>(v) >> 16); };
  filer->DefineProperty("Left", TReaderProc(this, &TComponent::ReadLeft), TWriterProc(this, &TComponent::WriteLeft),
                        lo(FDesignInfo) != lo(ancestorInfo));
  filer->DefineProperty("Top", TReaderProc(this, &TComponent::ReadTop), TWriterProc(this, &TComponent::WriteTop),
                        hi(FDesignInfo) != hi(ancestorInfo));
}

void TComponent::ReadLeft(TReader* reader) {
  uint32_t v = static_cast<uint32_t>(reader->ReadInteger()) & 0xFFFFu;
  FDesignInfo = static_cast<int32_t>((static_cast<uint32_t>(FDesignInfo) & 0xFFFF0000u) | v);
}

void TComponent::ReadTop(TReader* reader) {
  uint32_t v = static_cast<uint32_t>(reader->ReadInteger()) & 0xFFFFu;
  FDesignInfo = static_cast<int32_t>((static_cast<uint32_t>(FDesignInfo) & 0xFFFFu) | (v << 16));
}

void TComponent::WriteLeft(TWriter* writer) {
  writer->WriteInteger(static_cast<int16_t>(static_cast<uint32_t>(FDesignInfo) & 0xFFFFu));
}

void TComponent::WriteTop(TWriter* writer) {
  writer->WriteInteger(static_cast<int16_t>(static_cast<uint32_t>(FDesignInfo) >> 16));
}

void RegisterFindGlobalComponentProc(TFindGlobalComponent proc) {
  std::lock_guard<std::mutex> lock(gFindGlobalMutex);
  auto& procs = FindGlobalProcs();
  if (std::find(procs.begin(), procs.end(), proc) == procs.end()) procs.push_back(proc);
}

void UnregisterFindGlobalComponentProc(TFindGlobalComponent proc) {
  std::lock_guard<std::mutex> lock(gFindGlobalMutex);
  auto& procs = FindGlobalProcs();
  procs.erase(std::remove(procs.begin(), procs.end(), proc), procs.end());
}

TComponent* FindGlobalComponent(const String& name) {
  std::vector<TFindGlobalComponent> procs;
  {
    std::lock_guard<std::mutex> lock(gFindGlobalMutex);
    procs = FindGlobalProcs();
  }
  for (auto it = procs.rbegin(); it != procs.rend(); ++it)
    if (TComponent* c = (*it)(name)) return c;
  return nullptr;
}
