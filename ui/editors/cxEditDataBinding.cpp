// The base data binding of the editors: it binds to nothing and answers from the editor itself.

#include "ui/editors/cxEdit.h"

void TcxEditDataBinding::AfterConstruction() {
  inherited::AfterConstruction();
  FDefaultValuesProvider = CreateAs<TcxCustomEditDefaultValuesProvider>(GetDefaultValuesProviderClass(), nullptr);
}

TcxEditDataBinding::~TcxEditDataBinding() { FreeAndNil(FDefaultValuesProvider); }

TPersistent* TcxEditDataBinding::GetOwner() { return FEdit; }

TClass TcxEditDataBinding::GetDefaultValuesProviderClass() const {
  return TcxCustomEditDefaultValuesProvider::StaticClass();
}

// With a repository item the item's properties are shared: the change is kept from the item's other
// users and only this editor refreshes.
void TcxEditDataBinding::DefaultValuesChanged() {
  TcxCustomEditProperties* properties = FEdit->GetActiveProperties();
  if (!FEdit->RepositoryItem()) {
    properties->Changed();
    return;
  }
  properties->BeginUpdate();
  try {
    properties->Changed();
  } catch (...) {
    properties->EndUpdate(false);
    throw;
  }
  properties->EndUpdate(false);
  FEdit->PropertiesChanged(static_cast<TObject*>(properties));
}

void TcxEditDataBinding::GetDisplayValue(Variant& Value) { Value = Variant(FEdit->DisplayText()); }

bool TcxEditDataBinding::GetModified() { return FEdit->ModifiedAfterEnter(); }

void TcxEditDataBinding::GetStoredValue(Variant& Value) { Value = FEdit->EditValue(); }

void TcxEditDataBinding::Reset() { FEdit->Reset(); }

bool TcxEditDataBinding::IsInDesignMode() { return FEdit->IsDesigning(); }

void TcxEditDataBinding::UpdateDisplayValue() { FEdit->RefreshDisplayFromEditValue(); }

void TcxEditDataBinding::SetInnerDisplayValue(const Variant& Value) { FEdit->SetInnerEditDisplayValue(Value); }

bool TcxEditDataBinding::IsDataAvailable() {
  return !FDefaultValuesProvider || FDefaultValuesProvider->IsDataAvailable();
}
