#include <algorithm>
#include <utility>

#include "rtl/Filer.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxClasses.h"
#include "ui/editors/cxEdit.h"

namespace {

TcxEditRepository* gDefaultEditRepository = nullptr;
TcxRegisteredClasses* gRegisteredEditProperties = nullptr;

}  // namespace

TcxEditRepository* GetDefaultEditRepository() {
  if (!gDefaultEditRepository) gDefaultEditRepository = New<TcxEditRepository>(nullptr);
  return gDefaultEditRepository;
}

TcxRegisteredClasses* GetRegisteredEditProperties() {
  if (!gRegisteredEditProperties) gRegisteredEditProperties = New<TcxRegisteredClasses>(false);
  return gRegisteredEditProperties;
}

void cx_edit_detail::FinalizeRepository() {
  FinalizeEditInit();
  FreeAndNil(gRegisteredEditProperties);
  // Cleared before the items go, so that nothing they notify makes a new default repository.
  TcxEditRepository* repository = std::exchange(gDefaultEditRepository, nullptr);
  if (repository) repository->Free();
}

// ---- TcxEditRepositoryItem ----------------------------------------------------------------------------------

void TcxEditRepositoryItem::AfterConstruction() {
  inherited::AfterConstruction();
  FProperties = CreateAs<TcxCustomEditProperties>(GetPropertiesClass(), this);
  FProperties->OnPropertiesChanged = TNotifyEvent(this, &TcxEditRepositoryItem::NotifyListeners);
}

// Listeners hear of the removal while the item is still whole, so that they may still ask it anything.
void TcxEditRepositoryItem::BeforeDestruction() {
  // A listener may drop its own entry while it hears ItemRemoved: walk by index and re-check the bounds.
  for (size_t i = FListeners.size(); i > 0; --i) {
    if (i > FListeners.size()) continue;
    IPtr<IcxEditRepositoryItemListener> listener = FListeners[i - 1];
    listener->ItemRemoved(this);
  }
  SetRepository(nullptr);
  inherited::BeforeDestruction();
}

TcxEditRepositoryItem::~TcxEditRepositoryItem() {
  FreeAndNil(FProperties);
  FListeners.clear();
}

void TcxEditRepositoryItem::NotifyListeners(TObject*) {
  for (size_t i = FListeners.size(); i > 0; --i) {
    if (i > FListeners.size()) continue;
    IPtr<IcxEditRepositoryItemListener> listener = FListeners[i - 1];
    listener->PropertiesChanged(this);
  }
}

void TcxEditRepositoryItem::AddListener(IcxEditRepositoryItemListener* AListener) {
  if (!AListener) return;
  if (std::find(FListeners.begin(), FListeners.end(), AListener) != FListeners.end()) return;
  FListeners.emplace_back(AListener);
}

void TcxEditRepositoryItem::RemoveListener(IcxEditRepositoryItemListener* AListener) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AListener);
  if (it == FListeners.end()) return;
  // The entry may hold the last reference: drop it only after the list no longer points to it.
  IPtr<IcxEditRepositoryItemListener> keep = std::move(*it);
  FListeners.erase(it);
}

void TcxEditRepositoryItem::SetProperties(TcxCustomEditProperties* Value) { FProperties->Assign(Value); }

void TcxEditRepositoryItem::SetRepository(TcxEditRepository* Value) {
  if (FRepository == Value) return;
  if (FRepository) FRepository->RemoveItem(this);
  FRepository = Value;
  if (FRepository) FRepository->AddItem(this);
}

TComponent* TcxEditRepositoryItem::GetParentComponent() const { return FRepository; }

void TcxEditRepositoryItem::SetParentComponent(TComponent* AParent) {
  if (ComponentState().Contains(csLoading)) return;
  TcxEditRepository* repository = nullptr;
  if (AParent) {
    repository = dynamic_cast<TcxEditRepository*>(AParent);
    if (!repository) rtl_detail::RaiseClassCast(AParent->ClassType(), TcxEditRepository::StaticClass());
  }
  SetRepository(repository);
}

void TcxEditRepositoryItem::ReadState(TReader* Reader) {
  inherited::ReadState(Reader);
  if (auto* repository = dynamic_cast<TcxEditRepository*>(Reader->Parent())) SetRepository(repository);
}

// ---- TcxEditRepository --------------------------------------------------------------------------------------

// The items go, last to first, before the components the repository owns are destroyed, so that items
// owned elsewhere go too and in the same order.
void TcxEditRepository::BeforeDestruction() {
  // Each item leaves the list as it goes.
  while (!FItems.empty()) FItems.back()->Free();
  inherited::BeforeDestruction();
}

TcxEditRepositoryItem* TcxEditRepository::CreateItem(TClass AItemClass) { return CreateItemWithOwner(AItemClass, this); }

TcxEditRepositoryItem* TcxEditRepository::CreateItemWithOwner(TClass AItemClass, TComponent* AOwner) {
  TcxEditRepositoryItem* item = CreateAs<TcxEditRepositoryItem>(AItemClass, AOwner);
  item->SetRepository(this);
  return item;
}

void TcxEditRepository::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TcxEditRepositoryItem* item : FItems)
    if (item->Owner() == Root) Proc(item);
}

TcxEditRepositoryItem* TcxEditRepository::Items(int32_t AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EListError(Format("List index out of bounds (%d)", {AIndex}));
  return FItems[static_cast<size_t>(AIndex)];
}

void TcxEditRepository::AddItem(TcxEditRepositoryItem* AItem) {
  if (std::find(FItems.begin(), FItems.end(), AItem) == FItems.end()) FItems.push_back(AItem);
}

void TcxEditRepository::RemoveItem(TcxEditRepositoryItem* AItem) {
  auto it = std::find(FItems.begin(), FItems.end(), AItem);
  if (it != FItems.end()) FItems.erase(it);
}
