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

// A condition of the dataset-bound filter: its operator may be replaced per kind of dataset.
class TcxDBDataFilterCriteriaItem : public TcxDataFilterCriteriaItem {
  RTL_CLASS(TcxDBDataFilterCriteriaItem, TcxDataFilterCriteriaItem)
public:
  using TcxDataFilterCriteriaItem::TcxDataFilterCriteriaItem;
  TcxFilterOperatorClass GetOperatorClass() override;
};

class TcxDBDataFilterCriteria : public TcxDataFilterCriteria {
  RTL_CLASS(TcxDBDataFilterCriteria, TcxDataFilterCriteria)
  RTL_PUBLISHED_DECL
public:
  explicit TcxDBDataFilterCriteria(TcxDBDataController* AController);
  void Assign(TPersistent* ASource) override;

  void CopyEvents(TPersistent* ASource) override;
  void RestoreDefaults() override;
  // Every value text of the plain filter text passes here: a string is quoted with its apostrophes
  // doubled, whatever the base made of it, then offered to OnFormatFilterTextValue.
  void DoReserved6(TcxFilterCriteriaItem* AItem, const Variant& AValue, String& AText) override;
  // Conditions are linked to the controller's fields and known by the field's index (the dataset-bound
  // controller gives its items no identifiers of their own).
  int32_t GetIDByItemLink(TObject* AItemLink) override;
  TObject* GetItemLinkByID(int32_t AID) override;
  TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink, TcxFilterOperatorKind AOperatorKind,
                                    const Variant& AValue, const String& ADisplayValue) override;
  void DoChanged() override;

  // Whether the controller filters its own copy of the records.
  bool IsFiltering() override;
  // The text goes to the dataset's Filter rather than filtering the copy.
  bool IsDataSetFilterInUse();

  bool AutoDataSetFilter() const { return FAutoDataSetFilter; }
  void SetAutoDataSetFilter(bool AValue);
  bool IgnoreOrigin() const { return FIgnoreOrigin; }
  void SetIgnoreOrigin(bool AValue);
  TcxDBDataController* DataController() const;

  TcxDBDataFilterBeforeChangeEvent OnBeforeChange;
  TcxDBDataFilterFormatFilterTextValueEvent OnFormatFilterTextValue;

private:
  void ApplyDataSetFilter(TDataSet* ADataSet);

  bool FAutoDataSetFilter = false;
  bool FIgnoreOrigin = true;
  bool FSwitchingOff = false;
};
