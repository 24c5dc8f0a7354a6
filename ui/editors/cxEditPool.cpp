#include "ui/editors/cxEditPool.h"

#include "rtl/SysUtils.h"

TcxInplaceEditList::~TcxInplaceEditList() { Clear(); }

TcxCustomEdit* TcxInplaceEditList::CreateEdit(TcxCustomEditProperties* AProperties) {
  TcxCustomEdit* edit = TcxCustomEdit::CreateInplace(AProperties->GetContainerClass(), nullptr, true);
  edit->SetVisible(false);
  return edit;
}

TcxCustomEdit* TcxInplaceEditList::GetEdit(TcxCustomEditProperties* AProperties) {
  if (!AProperties) return nullptr;
  const int32_t index = IndexOfProperties(AProperties);
  TcxCustomEdit* edit = nullptr;
  if (index >= 0) {
    edit = FItems[static_cast<size_t>(index)].Edit;
  } else {
    edit = CreateEdit(AProperties);
    FItems.push_back(TcxInplaceEditListItem{edit, AProperties});
  }
  // What the assignment changes is the host's configuration, not a user's edit: its change events go.
  edit->LockChangeEvents(true, true);
  try {
    edit->SetProperties(AProperties);
  } catch (...) {
    edit->LockChangeEvents(false, false);
    throw;
  }
  edit->LockChangeEvents(false, false);
  return edit;
}

TcxCustomEdit* TcxInplaceEditList::GetEdit(TClass APropertiesClass) {
  if (!APropertiesClass) return nullptr;
  for (const TcxInplaceEditListItem& item : FItems)
    if (item.Edit->Properties()->ClassType() == APropertiesClass) return item.Edit;
  // The control class is the properties' answer; a properties object of the class is asked and let go.
  TcxCustomEditProperties* probe = CreateAs<TcxCustomEditProperties>(APropertiesClass, nullptr);
  TClass editClass = nullptr;
  try {
    editClass = probe->GetContainerClass();
  } catch (...) {
    probe->Free();
    throw;
  }
  probe->Free();
  TcxCustomEdit* edit = TcxCustomEdit::CreateInplace(editClass, nullptr, true);
  FItems.push_back(TcxInplaceEditListItem{edit, edit->Properties()});
  return edit;
}

TcxCustomEdit* TcxInplaceEditList::FindEdit(TcxCustomEditProperties* AProperties) const {
  const int32_t index = IndexOfProperties(AProperties);
  return index < 0 ? nullptr : FItems[static_cast<size_t>(index)].Edit;
}

int32_t TcxInplaceEditList::IndexOfProperties(TcxCustomEditProperties* AProperties) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Properties == AProperties) return static_cast<int32_t>(i);
  return -1;
}

void TcxInplaceEditList::CheckIndex(int32_t AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EListError(Format("List index out of bounds (%d)", {AIndex}));
}

void TcxInplaceEditList::Remove(int32_t AIndex) {
  if (AIndex == -1) return;
  CheckIndex(AIndex);
  TcxCustomEdit* edit = FItems[static_cast<size_t>(AIndex)].Edit;
  // The entry goes before the editor, so that nothing the editor does while it is freed finds it pooled.
  FItems.erase(FItems.begin() + AIndex);
  edit->SetParent(nullptr);
  edit->Free();
}

void TcxInplaceEditList::Clear() {
  for (int32_t i = Count() - 1; i >= 0; --i) Remove(i);
}

TcxCustomEdit* TcxInplaceEditList::Edits(int32_t AIndex) const {
  CheckIndex(AIndex);
  return FItems[static_cast<size_t>(AIndex)].Edit;
}

TcxCustomEditProperties* TcxInplaceEditList::Properties(int32_t AIndex) const {
  CheckIndex(AIndex);
  return FItems[static_cast<size_t>(AIndex)].Properties;
}
