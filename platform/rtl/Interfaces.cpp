#include "rtl/Interfaces.h"

void TInterfacedObject::AfterConstruction() {
  inherited::AfterConstruction();
  FRefCount.fetch_sub(1);
}

void TInterfacedObject::BeforeDestruction() {
  if (FRefCount.load() != 0) throw EInvalidPointer("Invalid pointer operation");
  inherited::BeforeDestruction();
}

int32_t TInterfacedObject::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (!found) {
    *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  _AddRef();
  *obj = found;
  return RTL_S_OK;
}

int32_t TInterfacedObject::_AddRef() { return FRefCount.fetch_add(1) + 1; }

int32_t TInterfacedObject::_Release() {
  int32_t n = FRefCount.fetch_sub(1) - 1;
  if (n == 0) Free();
  return n;
}

bool Supports(TObject* obj, const TGUID& iid) { return obj && obj->InterfaceByIID(iid) != nullptr; }

bool Supports(IInterface* intf, const TGUID& iid) {
  if (!intf) return false;
  void* p = nullptr;
  if (intf->QueryInterface(iid, &p) != RTL_S_OK || !p) return false;
  intf->_Release();  // the found interface belongs to the same object
  return true;
}

bool Supports(TObject* obj, const TGUID& iid, void** out) {
  void* p = obj ? obj->InterfaceByIID(iid) : nullptr;
  if (out) *out = p;
  return p != nullptr;
}
