#pragma once
// The filter of the dataset-bound controller. Besides filtering the controller's own copy of the
// records it can hand its plain text to the dataset's Filter (AutoDataSetFilter), so that the dataset
// filters before the controller sees a record. Filter operator adapters, registered by dataset class,
// may replace an operator for a kind of dataset: queries get SQL null tests ("IS", "IS NOT").

#include "db/DB.h"
#include "ui/data/cxCustomData.h"
#include "ui/data/cxDB.h"
#include "ui/data/cxFilter.h"

class TcxDBDataController;
class TcxDBDataFilterCriteria;

class TcxDBFilterOperatorAdapter : public TcxDBAdapterItem {
  RTL_CLASS(TcxDBFilterOperatorAdapter, TcxDBAdapterItem)
public:
  using TcxDBAdapterItem::TcxDBAdapterItem;
  // The base replaces the Null and NotNull operators by their SQL forms for query datasets.
  virtual void PrepareOperatorClass(TcxFilterCriteriaItem* AItem, TDataSet* ADataSet, TcxFilterOperatorClass& AOperatorClass);
};

// The process-wide registry of filter operator adapters; starts with (TDataSet, TcxDBFilterOperatorAdapter).
TcxDBAdapterList* cxFilterOperatorAdapters();

using TcxDBDataFilterBeforeChangeEvent = Event<TcxDBDataFilterCriteria*, TDataSet*, const String&>;
using TcxDBDataFilterFormatFilterTextValueEvent = Event<TcxDBDataFilterCriteria*, const Variant&, String&>;

class TcxDBDataFilterCriteriaItem : public TcxFilterCriteriaItem {
  RTL_CLASS(TcxDBDataFilterCriteriaItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(int32_t ARecordIndex, Variant& AValue) override;
  String GetFieldCaption() override;
  String GetFieldName() override;
  TcxFilterOperatorClass GetOperatorClass() override;

private:
  TcxDBDataFilterCriteria* DBCriteria();
  int32_t ItemIndex();
};

class TcxDBDataFilterCriteria : public TcxFilterCriteria {
  RTL_CLASS(TcxDBDataFilterCriteria, TcxFilterCriteria)
public:
  explicit TcxDBDataFilterCriteria(TcxDBDataController* AController);
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;

  void CopyEvents(TPersistent* ASource) override;
  void RestoreDefaults() override;
  // Every value text of the plain filter text passes here: a string is quoted with its apostrophes
  // doubled, whatever the base made of it, then offered to OnFormatFilterTextValue.
  void DoReserved6(TcxFilterCriteriaItem* AItem, const Variant& AValue, String& AText) override;
  int32_t GetIDByItemLink(TObject* AItemLink) override;
  TObject* GetItemLinkByID(int32_t AID) override;
  TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink, TcxFilterOperatorKind AOperatorKind,
                                    const Variant& AValue, const String& ADisplayValue) override;
  void DoChanged() override;

  // Whether the controller filters its own copy of the records.
  virtual bool IsFiltering();
  // The text goes to the dataset's Filter rather than filtering the copy.
  bool IsDataSetFilterInUse();

  bool Active() const { return FActive; }
  void SetActive(bool AValue);
  bool AutoDataSetFilter() const { return FAutoDataSetFilter; }
  void SetAutoDataSetFilter(bool AValue);
  bool IgnoreOrigin() const { return FIgnoreOrigin; }
  void SetIgnoreOrigin(bool AValue);
  TcxDBDataController* DataController() const { return FDataController; }

  TcxDBDataFilterBeforeChangeEvent OnBeforeChange;
  TcxDBDataFilterFormatFilterTextValueEvent OnFormatFilterTextValue;

private:
  void ApplyDataSetFilter(TDataSet* ADataSet);

  TcxDBDataController* FDataController;
  bool FActive = false;
  bool FAutoDataSetFilter = false;
  bool FIgnoreOrigin = true;
  bool FDestroying = false;
};

// The controller's filter hook: the row view asks it whether the copy is filtered and whether a record
// passes; both answers come from the dataset-bound criteria.
class TcxDBDataFilterHook : public TcxDataFilterCriteria {
  RTL_CLASS(TcxDBDataFilterHook, TcxDataFilterCriteria)
public:
  TcxDBDataFilterHook(TcxCustomDataController* AController, TcxDBDataFilterCriteria* ACriteria)
      : TcxDataFilterCriteria(AController), FCriteria(ACriteria) {}
  bool IsFiltering() override { return FCriteria && FCriteria->IsFiltering(); }
  bool DoFilterRecord(int32_t ARecordIndex) override { return !FCriteria || FCriteria->EvaluateRecord(ARecordIndex); }
  void RemoveItemByField(TcxCustomDataField* AField) override;
  void Detach() { FCriteria = nullptr; }

private:
  TcxDBDataFilterCriteria* FCriteria;
};
