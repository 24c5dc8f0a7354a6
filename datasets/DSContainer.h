#pragma once
// A component that gathers the event handling of many extended datasets: each dataset that names the
// container reports its lifecycle events, post and delete errors, default-value decisions and value
// comparisons to it, and the container can broadcast named user events to its datasets. Containers chain
// through MasterContainer: every report reaches the masters first, up the chain.

#include <cstdint>
#include <vector>

#include "db/DB.h"
#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/Variants.h"

class TFIBCustomDataSet;

enum TKindDataSetEvent : uint8_t {
  deBeforeOpen, deAfterOpen, deBeforeClose, deAfterClose, deBeforeInsert, deAfterInsert, deBeforeEdit, deAfterEdit,
  deBeforePost, deAfterPost, deBeforeCancel, deAfterCancel, deBeforeDelete, deAfterDelete, deBeforeScroll,
  deAfterScroll, deOnNewRecord, deOnCalcFields, deBeforeRefresh, deAfterRefresh
};
RTL_ENUM(TKindDataSetEvent, deBeforeOpen, deAfterOpen, deBeforeClose, deAfterClose, deBeforeInsert, deAfterInsert,
         deBeforeEdit, deAfterEdit, deBeforePost, deAfterPost, deBeforeCancel, deAfterCancel, deBeforeDelete,
         deAfterDelete, deBeforeScroll, deAfterScroll, deOnNewRecord, deOnCalcFields, deBeforeRefresh, deAfterRefresh)

enum TKindDataSetError : uint8_t { deOnEditError, deOnPostError, deOnDeleteError };
RTL_ENUM(TKindDataSetError, deOnEditError, deOnPostError, deOnDeleteError)

using TOnDataSetEvent = Event<TDataSet*, TKindDataSetEvent>;
using TOnDataSetError = Event<TDataSet*, TKindDataSetError, EDatabaseError*, TDataAction&>;
using TOnApplyDefaultValue = Event<TDataSet*, TField*, bool&>;
using TOnCompareFieldValues = FuncEvent<int32_t, TField*, const Variant&, const Variant&, bool&>;
// Sender, receiver, event name, information passed along.
using TUserEvent = Event<TObject*, TObject*, const String&, Variant&>;

class TDataSetsContainer : public TComponent {
  RTL_CLASS(TDataSetsContainer, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TDataSetsContainer(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;

  bool Active() const { return FActive; }
  void SetActive(bool value) { FActive = value; }
  TDataSetsContainer* MasterContainer() const { return FMasterContainer; }
  // "Circular link is not allowed." for a container that would reach itself through its masters.
  void SetMasterContainer(TDataSetsContainer* value);

  TOnDataSetEvent OnDataSetEvent;
  TOnDataSetError OnDataSetError;
  TOnApplyDefaultValue OnApplyDefaultValue;
  TOnCompareFieldValues OnCompareFieldValues;
  TUserEvent OnUserEvent;

  // Registration (here and with every master up the chain); a dataset is listed once.
  void AddDataSet(TComponent* dataSet);
  void RemoveDataSet(TComponent* dataSet);
  int32_t DataSetCount() const { return static_cast<int32_t>(FDataSets.size()); }
  TComponent* DataSets(int32_t index) const { return FDataSets[static_cast<size_t>(index)]; }

  // Dispatch: the masters first, then this container's handler while Active.
  void DataSetEvent(TDataSet* dataSet, TKindDataSetEvent event);
  void DataSetError(TDataSet* dataSet, TKindDataSetError kind, EDatabaseError* error, TDataAction& action);
  void ApplyDefaultValue(TDataSet* dataSet, TField* field, bool& applied);
  void UserEvent(TObject* sender, TObject* receiver, const String& eventName, Variant& info);
  // Answered only by this container's own handler (not the masters', also while inactive); compared
  // tells whether it answered.
  int32_t CompareFieldValues(TField* field, const Variant& s1, const Variant& s2, bool& compared);

  // Sends the event to the registered datasets whose "OwnerName.Name" matches receiverPattern ("*" and
  // "?" wildcards, any letter case; an empty pattern matches all) and that accept the event name.
  void NotifyDataSets(TObject* sender, const String& receiverPattern, const String& eventName, Variant& info);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void AddToChain(TComponent* dataSet);
  void RemoveFromChain(TComponent* dataSet);

  std::vector<TComponent*> FDataSets;
  TDataSetsContainer* FMasterContainer = nullptr;
  bool FActive = true;
};
