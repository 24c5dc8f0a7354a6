#pragma once
// TInterfacedPersistent: a persistent object that answers interfaces without counting references of its
// own. Its lifetime belongs to whoever owns it; when its owner answers IInterface, the counts are passed
// on to the owner, so an interface taken from the object keeps the owner's count honest.

#include "rtl/Interfaces.h"
#include "rtl/Persistent.h"

class TInterfacedPersistent : public TPersistent, public virtual IInterface {
  RTL_CLASS(TInterfacedPersistent, TPersistent)
  RTL_INTERFACES(IInterface)
public:
  void AfterConstruction() override {
    inherited::AfterConstruction();
    if (TPersistent* owner = GetOwner()) FOwnerInterface = dynamic_cast<IInterface*>(owner);
  }
  int32_t QueryInterface(const TGUID& iid, void** obj) override {
    void* found = InterfaceByIID(iid);
    if (!found) {
      if (obj) *obj = nullptr;
      return RTL_E_NOINTERFACE;
    }
    if (obj) *obj = found;
    _AddRef();
    return RTL_S_OK;
  }
  int32_t _AddRef() override { return FOwnerInterface ? FOwnerInterface->_AddRef() : -1; }
  int32_t _Release() override { return FOwnerInterface ? FOwnerInterface->_Release() : -1; }

private:
  IInterface* FOwnerInterface = nullptr;
};
