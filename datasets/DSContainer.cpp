#include "datasets/DSContainer.h"

#include <algorithm>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/StrUtil.h"
#include "rtl/ClassRegistry.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

void TDataSetsContainer::BeforeDestruction() {
  SetMasterContainer(nullptr);
  // Datasets that still name this container forget it through their free notification.
  FDataSets.clear();
  TComponent::BeforeDestruction();
}

void TDataSetsContainer::SetMasterContainer(TDataSetsContainer* value) {
  if (value == FMasterContainer) return;
  for (TDataSetsContainer* c = value; c; c = c->FMasterContainer)
    if (c == this) throw Exception("Circular link is not allowed.");
  const std::vector<TComponent*> dataSets = FDataSets;
  if (FMasterContainer) {
    for (TComponent* ds : dataSets) FMasterContainer->RemoveFromChain(ds);
    FMasterContainer->RemoveFreeNotification(this);
  }
  FMasterContainer = value;
  if (value) {
    value->FreeNotification(this);
    for (TComponent* ds : dataSets) value->AddToChain(ds);
  }
}

void TDataSetsContainer::AddToChain(TComponent* dataSet) {
  for (TDataSetsContainer* c = this; c; c = c->FMasterContainer) {
    if (std::find(c->FDataSets.begin(), c->FDataSets.end(), dataSet) != c->FDataSets.end()) continue;
    c->FDataSets.push_back(dataSet);
    dataSet->FreeNotification(c);
  }
}

void TDataSetsContainer::RemoveFromChain(TComponent* dataSet) {
  for (TDataSetsContainer* c = this; c; c = c->FMasterContainer) {
    auto it = std::find(c->FDataSets.begin(), c->FDataSets.end(), dataSet);
    if (it != c->FDataSets.end()) c->FDataSets.erase(it);
  }
}

void TDataSetsContainer::AddDataSet(TComponent* dataSet) {
  if (dataSet) AddToChain(dataSet);
}

void TDataSetsContainer::RemoveDataSet(TComponent* dataSet) {
  if (dataSet) RemoveFromChain(dataSet);
}

void TDataSetsContainer::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMasterContainer) FMasterContainer = nullptr;
  auto it = std::find(FDataSets.begin(), FDataSets.end(), component);
  if (it != FDataSets.end()) FDataSets.erase(it);
}

void TDataSetsContainer::DataSetEvent(TDataSet* dataSet, TKindDataSetEvent event) {
  if (FMasterContainer) FMasterContainer->DataSetEvent(dataSet, event);
  if (FActive && OnDataSetEvent.Assigned()) OnDataSetEvent(dataSet, event);
}

void TDataSetsContainer::DataSetError(TDataSet* dataSet, TKindDataSetError kind, EDatabaseError* error,
                                      TDataAction& action) {
  if (FMasterContainer) FMasterContainer->DataSetError(dataSet, kind, error, action);
  if (FActive && OnDataSetError.Assigned()) OnDataSetError(dataSet, kind, error, action);
}

void TDataSetsContainer::ApplyDefaultValue(TDataSet* dataSet, TField* field, bool& applied) {
  if (FMasterContainer) FMasterContainer->ApplyDefaultValue(dataSet, field, applied);
  if (FActive && OnApplyDefaultValue.Assigned()) OnApplyDefaultValue(dataSet, field, applied);
}

void TDataSetsContainer::UserEvent(TObject* sender, TObject* receiver, const String& eventName, Variant& info) {
  if (FMasterContainer) FMasterContainer->UserEvent(sender, receiver, eventName, info);
  if (FActive && OnUserEvent.Assigned()) OnUserEvent(sender, receiver, eventName, info);
}

int32_t TDataSetsContainer::CompareFieldValues(TField* field, const Variant& s1, const Variant& s2, bool& compared) {
  compared = false;
  if (!OnCompareFieldValues.Assigned()) return 0;
  return OnCompareFieldValues(field, s1, s2, compared);
}

void TDataSetsContainer::NotifyDataSets(TObject* sender, const String& receiverPattern, const String& eventName,
                                        Variant& info) {
  // A receiver may close, open or free itself: walk a copy and skip the ones that left the list.
  const std::vector<TComponent*> dataSets = FDataSets;
  const String pattern = AnsiUpperCase(receiverPattern);
  for (TComponent* c : dataSets) {
    if (std::find(FDataSets.begin(), FDataSets.end(), c) == FDataSets.end()) continue;
    if (!pattern.empty()) {
      const String name = AnsiUpperCase((c->Owner() ? c->Owner()->Name() : String()) + "." + c->Name());
      if (!MaskMatch(name, pattern, '*', '?')) continue;
    }
    if (auto* ds = dynamic_cast<TpZAZDataSet*>(c); ds && ds->AcceptsUserEvent(eventName))
      ds->ReceiveUserEvent(sender, eventName, info);
  }
}

RTL_PUBLISHED(TDataSetsContainer) {
  using T = TDataSetsContainer;
  prop("Active", &T::Active, &T::SetActive).Default(true);
  prop("MasterContainer", &T::MasterContainer, &T::SetMasterContainer);
  event("OnDataSetEvent", &T::OnDataSetEvent, &T::OnDataSetEvent);
  event("OnDataSetError", &T::OnDataSetError, &T::OnDataSetError);
  event("OnApplyDefaultValue", &T::OnApplyDefaultValue, &T::OnApplyDefaultValue);
  event("OnCompareFieldValues", &T::OnCompareFieldValues, &T::OnCompareFieldValues);
  event("OnUserEvent", &T::OnUserEvent, &T::OnUserEvent);
}

namespace {
// Form resources find the container by its class name.
const bool kContainerRegistered = [] {
  RegisterClasses({TDataSetsContainer::StaticClass()});
  return true;
}();
}  // namespace
