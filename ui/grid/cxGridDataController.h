#pragma once
// The grid's data controller and the link between a grid item and its field.
//
// TcxGridDataController is the unbound controller of the table views: it asks its view what the data
// controller cannot answer by itself (focus and selection permissions, display texts, captions, summary
// classes, editing), answers the two interfaces through which views reach either kind of grid data
// controller, and keeps its records in the form file as the binary property "Data". Each grid item owns a
// TcxGridItemDataBinding: its value type, the default values its editor starts from, and the values
// recently used in its filter.
//
// The table view and its items implement IcxGridDataOwner and IcxGridDataItem, the questions the spine puts
// to them.

#include <cstdint>

#include "rtl/Variants.h"
#include "ui/base/cxClasses.h"
#include "ui/data/cxData.h"
#include "ui/editors/cxEdit.h"
#include "ui/grid/cxGridCustomView.h"

class TStrings;
class TMemoryStream;
class TcxCustomGridRecord;
class TcxCustomGridCellViewInfo;
class TcxGridItemDataBinding;
class TcxGridFilterMRUValueItems;

// ---- what the spine asks of a table view and of its items ---------------------------------------------------------

class IcxGridDataItem {
public:
  // The numeric identity the data controller stores for the item.
  virtual int32_t GetID() = 0;
  virtual String GetCaption() = 0;
  virtual TcxCustomGridView* GetGridView() = 0;
  virtual TcxGridItemDataBinding* GetDataBinding() = 0;
  // The editor properties the item's cells use (nil: none).
  virtual TcxCustomEditProperties* GetProperties() = 0;
  // The item's OnGetDataText: may change the text shown for a record.
  virtual void DoGetDataText(int32_t ARecordIndex, String& AText) = 0;
  virtual bool HasDataTextHandler() = 0;
  virtual bool GetSortByDisplayText(bool ADefault) = 0;
  // The field's value type changed: the item drops what belonged to the old type.
  virtual void ValueTypeClassChanged() = 0;
  // The binding's Data changed.
  virtual void BindingDataChanged() = 0;
  virtual void DoGetFilterDisplayText(const Variant& AValue, String& ADisplayText) = 0;
  virtual void DoGetFilterValues(TcxDataFilterValueList* AValueList) = 0;
  // The item's own option for showing recently used filter values.
  virtual bool GetFilteringMRUItemsList() = 0;
  virtual bool GetVisible() = 0;

protected:
  ~IcxGridDataItem() = default;
};

class IcxGridDataOwner {
public:
  // ---- items ----
  virtual int32_t GetItemCount() = 0;
  virtual TObject* GetItem(int32_t AIndex) = 0;
  virtual int32_t IndexOfItem(TObject* AItem) = 0;
  // ---- the data controller's questions ----
  // The view's OnCanSelectRecord for the record at ARowIndex.
  virtual bool CanSelectRecord(int32_t ARowIndex) = 0;
  // The view's summary item classes (nil: the data controller's own).
  virtual TCollectionItemClass GetSummaryItemClass() = 0;
  virtual TCollectionItemClass GetSummaryGroupItemLinkClass() = 0;
  // The filter changed: the view's filtering options hear of it.
  virtual void FilterChanged() = 0;
  // Writes the value of the open in-place editor into the data.
  virtual void UpdateEditingValue() = 0;
  virtual bool IsFirstRecordFocused() = 0;
  virtual bool IsLastRecordFocused() = 0;
  // The view's filtering options: whether items show recently used values, and how many.
  virtual bool GetFilterMRUItemsList() = 0;
  virtual int32_t GetFilterMRUItemsListCount() = 0;
  // ---- the records' questions ----
  virtual bool DrawRecordFocused(TcxCustomGridRecord* ARecord) = 0;
  virtual bool DrawRecordSelected(TcxCustomGridRecord* ARecord) = 0;
  // The view's OnCanFocusRecord.
  virtual bool CanFocusRecord(int32_t ARecordIndex) = 0;
  virtual TcxCustomGridRecord* GetFocusedRecord() = 0;
  virtual void SetFocusedRecord(TcxCustomGridRecord* ARecord) = 0;
  virtual void MakeRecordVisible(TcxCustomGridRecord* ARecord) = 0;
  // Selects or unselects a record's row (only with multi-select on).
  virtual void ChangeRecordSelection(TcxCustomGridRecord* ARecord, bool ASelected) = 0;
  virtual void MakeFocusedRecordVisible() = 0;
  virtual bool HasFocusedItem() = 0;
  // Starts editing the focused item; true when editing started.
  virtual bool StartFocusedItemEditing() = 0;
  // Starts editing the focused item with AKey as its first input.
  virtual void StartFocusedItemEditingByKey(char32_t AKey) = 0;
  // The data changed: the cache takes the row count, the view data refreshes, the grid hears of it.
  virtual void ApplyDataChange() = 0;
  // The record view info that shows ARecord now, or nil.
  virtual TcxCustomGridCellViewInfo* FindRecordViewInfo(TcxCustomGridRecord* ARecord) = 0;
  // Recalculates the record view info and answers what to repaint: the record, or its cell of AItem.
  virtual bool GetRecordRepaintBounds(TcxCustomGridCellViewInfo* ARecordViewInfo, TObject* AItem, RECT& R) = 0;

protected:
  ~IcxGridDataOwner() = default;
};

// ---- the grid data controller -------------------------------------------------------------------------------------

class TcxGridDataController : public TcxDataController, public IcxGridDataControllerInfo, public IcxGridDataControllerDesign {
  RTL_CLASS(TcxGridDataController, TcxDataController)
  RTL_PUBLISHED_DECL
public:
  // Made by its view from the view's data controller class, with the view as owner.
  using VirtualCtorArg = TComponent*;
  explicit TcxGridDataController(TComponent* AOwner) : TcxDataController(AOwner) {}
  ~TcxGridDataController() override;

  TcxCustomGridView* GridView() const { return dynamic_cast<TcxCustomGridView*>(GetOwner()); }
  IcxGridDataOwner* DataOwner() const { return dynamic_cast<IcxGridDataOwner*>(GetOwner()); }
  IcxGridDataItem* DataItem(int32_t AItemIndex);
  // The "Data" bytes read from a form, kept until the view finishes loading.
  bool HasHeldData() const { return FHeldData != nullptr; }

  // ---- published ----
  TcxDataFilterCriteria* GetFilter() const { return Filter(); }
  void SetFilter(TcxDataFilterCriteria* Value) { Filter()->Assign(Value); }
  TcxDataSummary* GetSummary() const { return Summary(); }
  void SetSummary(TcxDataSummary* Value) { Summary()->Assign(Value); }

  // ---- the data controller's questions, answered by the view ----
  bool CanSelectRow(int32_t ARow) override;
  int32_t GetDefaultActiveRelationIndex() override;
  int32_t GetItemID(TObject* AItem) override;
  TCollectionItemClass GetSummaryItemClass() override;
  TCollectionItemClass GetSummaryGroupItemLinkClass() override;
  void FilterChanged() override;
  void BeginUpdate() override;
  void EndUpdate() override;
  TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) override;
  TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override;
  String GetDisplayText(int32_t ARecordIndex, int32_t AItemIndex) override;
  String GetItemCaption(int32_t AItemIndex) override;
  TObject* GetItem(int32_t AIndex) override;
  bool GetItemSortByDisplayText(int32_t AItemIndex, bool ADefault) override;
  // Loads the held "Data" bytes (freeing them whether or not that succeeds).
  void DoDeferredNotifications() override;
  void DoUpdateData() override;

  // ---- IcxGridDataControllerInfo ----
  void CheckGridModeBufferCount() override {}
  bool DoScroll(bool AForward) override { (void)AForward; return false; }
  bool DoScrollPage(bool AForward) override { (void)AForward; return false; }
  TClass GetItemDataBindingClass() override;
  TClass GetItemDefaultValuesProviderClass() override;
  bool GetNavigatorIsBOF() override;
  bool GetNavigatorIsEOF() override;
  int32_t GetScrollBarPos() override { return -1; }
  int32_t GetScrollBarRecordCount() override { return -1; }
  bool SetScrollBarPos(int32_t Value) override { (void)Value; return false; }

  // ---- IcxGridDataControllerDesign ----
  void AssignData(TcxCustomDataController* ADataController) override;
  void CreateAllItems() override {}
  void DeleteAllItems() override {}
  void GetFakeComponentLinks(TList* AList) override { (void)AList; }
  TcxCustomGridView* GetGridView() override { return GridView(); }
  bool IsDataAvailable() override { return true; }
  bool IsDataSetBound() override { return false; }

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  void ReadData(TStream* AStream);
  void WriteData(TStream* AStream);
  TMemoryStream* FHeldData = nullptr;
};

// ---- the item binding ---------------------------------------------------------------------------------------------

// A remembered filter value of an item; two are the same value when the variant comparison says so.
class TcxGridFilterMRUValueItem : public TcxMRUItem {
  RTL_CLASS(TcxGridFilterMRUValueItem, TcxMRUItem)
public:
  TcxGridFilterMRUValueItem(const Variant& AValue, const String& ADisplayText) : Value(AValue), DisplayText(ADisplayText) {}
  bool Matches(TcxMRUItem* AItem) override;
  Variant Value;
  String DisplayText;
};

class TcxGridFilterMRUValueItems : public TcxMRUItems {
  RTL_CLASS(TcxGridFilterMRUValueItems, TcxMRUItems)
public:
  TcxGridFilterMRUValueItems() = default;
  // An equal value moves to the front instead of being added again.
  void Add(const Variant& AValue, const String& ADisplayText);
  // Appends the values as recently used entries of a filter value list, most recent first.
  void AddToValueList(TcxDataFilterValueList* AValueList);
  TcxGridFilterMRUValueItem* Items(int32_t Index) const {
    return static_cast<TcxGridFilterMRUValueItem*>(TcxMRUItems::Items(Index));
  }
};

// The defaults an item's editor takes from its data: a display format counts as defined when the data
// controller keeps display texts for the item, when a currency value may count as one and the item is of
// the currency type, or when the item has an OnGetDataText handler.
class TcxGridDefaultValuesProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TcxGridDefaultValuesProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  TcxGridItemDataBinding* DataBinding() const;
  bool HasDisplayFormat(bool AIsCurrencyValueAccepted) override;
};

class TcxGridItemDataBinding : public TPersistent {
  RTL_CLASS(TcxGridItemDataBinding, TPersistent)
  RTL_PUBLISHED_DECL
public:
  // Made by its item (which implements IcxGridDataItem).
  using VirtualCtorArg = TComponent*;
  explicit TcxGridItemDataBinding(TComponent* AItem) : FItem(AItem) {}
  ~TcxGridItemDataBinding() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  TComponent* Item() const { return FItem; }
  IcxGridDataItem* DataItem() const { return dynamic_cast<IcxGridDataItem*>(FItem); }
  TcxCustomGridView* GridView() const;
  TcxCustomDataController* DataController() const;
  // The item's index in its view: its field in the data controller (-1 outside a view).
  int32_t ItemIndex() const;
  TObject* Data() const { return FData; }
  void SetData(TObject* Value);
  TcxCustomEditDefaultValuesProvider* DefaultValuesProvider() const { return FDefaultValuesProvider; }
  TcxGridFilterMRUValueItems* FilterMRUValueItems() const { return FFilterMRUValueItems; }

  // The class name of the field's value type ('' when it has none). Writing an unregistered name raises.
  String ValueType() const;
  void SetValueType(const String& Value);
  TcxValueTypeClass GetValueTypeClass() const;

  virtual TcxValueTypeClass GetDefaultValueTypeClass() { return TcxStringValueType::StaticClass(); }
  virtual String GetFilterFieldName() { return String(); }
  virtual TClass GetFilterMRUValueItemsClass() { return TcxGridFilterMRUValueItems::StaticClass(); }
  // The editor defaults of the item are refreshed.
  virtual void Init() {}
  virtual bool IsValueTypeStored() { return GetValueTypeClass() != GetDefaultValueTypeClass(); }
  virtual String GetDefaultCaption() { return String(); }
  // The default editor of the item's value type (nil until the repository's default items exist).
  virtual TcxEditRepositoryItem* GetDefaultRepositoryItem() { return nullptr; }
  virtual int32_t GetDefaultWidth() { return 64; }
  // A new condition on the item in AParent (or the root); with AReplace the item's other conditions go.
  virtual TcxFilterCriteriaItem* AddToFilter(TcxFilterCriteriaItemList* AParent, TcxFilterOperatorKind AOperatorKind,
                                             const Variant& AValue, const String& ADisplayText, bool AReplace);

  // The filter drop-down's lines: the value list's entries (with MRU values where the view shows them),
  // each line's object being its entry.
  void GetFilterStrings(TStrings* AStrings, TcxDataFilterValueList* AValueList);
  bool GetFiltered();
  // False removes every condition on the item; True does nothing.
  void SetFiltered(bool Value);
  // The view's option for the number of remembered values changed.
  void UpdateFilterMRUValueItemsLimit();
  // The field's value type changed: the remembered values belonged to the old one.
  void ValueTypeClassChanged();

private:
  TComponent* FItem;
  TObject* FData = nullptr;
  TcxCustomEditDefaultValuesProvider* FDefaultValuesProvider = nullptr;
  TcxGridFilterMRUValueItems* FFilterMRUValueItems = nullptr;
};
