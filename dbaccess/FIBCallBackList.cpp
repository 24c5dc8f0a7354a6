#include "dbaccess/FIBCallBackList.h"

TCallBackList::TCallBackList(TComponent* AOwner) : TComponent(AOwner) {}

TCallBackList::~TCallBackList() {
  for (TMethod* m : FList) delete m;
}

int32_t TCallBackList::IndexOf(const TMethod& method) const {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (*FList[static_cast<size_t>(i)] == method) return i;
  return -1;
}

int32_t TCallBackList::Add(const TMethod& method) {
  int32_t index = IndexOf(method);
  if (index >= 0) return index;
  FList.push_back(new TMethod(method));
  if (auto* component = dynamic_cast<TComponent*>(method.Data)) component->FreeNotification(this);
  return Count() - 1;
}

void TCallBackList::Remove(const TMethod& method) {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (*FList[static_cast<size_t>(i)] == method) {
      delete FList[static_cast<size_t>(i)];
      FList.erase(FList.begin() + i);
    }
}

const TMethod* TCallBackList::Get(int32_t index) const {
  return index >= 0 && index < Count() ? FList[static_cast<size_t>(index)] : nullptr;
}

void TCallBackList::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove)
    for (int32_t i = Count() - 1; i >= 0; --i)
      if (FList[static_cast<size_t>(i)]->Data == component) {
        delete FList[static_cast<size_t>(i)];
        FList.erase(FList.begin() + i);
      }
  inherited::Notification(component, operation);
}

TNotifyEvent TNotifyEventList::GetEvent(int32_t index) const {
  const TMethod* m = Get(index);
  return m ? TNotifyEvent::FromMethod(*m) : TNotifyEvent();
}
