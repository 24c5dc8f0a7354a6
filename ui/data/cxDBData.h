#pragma once
// The data controller bound to a dataset through a data source. Each item is bound by a field name to a
// TField. In loaded mode the controller copies every dataset record into its own storage and the base
// machinery (sorting, grouping, filtering) works on the copy; edits, inserts and deletes are carried out
// on the dataset and the copy follows the dataset's notifications. In grid mode the controller shows only
// the window of records the data link buffers around the cursor. In sync mode the dataset cursor follows
// the focused record and the focus follows the cursor.
//
// The dataset side is the provider and its data link: the link hears the dataset, the provider carries
// every operation out on it. Providers of one dataset coordinate through a process-wide list so that one
// provider's own cursor movements are not taken by the others for changes of the data.

#include <cstdint>
#include <vector>

#include "db/DB.h"
#include "ui/data/cxCustomData.h"
#include "ui/data/cxDB.h"
#include "ui/data/cxDBFilter.h"

class TcxDBDataController;
class TcxDBDataProvider;
class TcxDBDataField;

// ---------------------------------------------------------------------------------------------------
// Mode controller: grid mode, sync mode, smart refresh, detail options

class TcxDBDataModeController;
using TcxDBDataModeControllerDetailFirstEvent =
    Event<TcxDBDataModeController*, TDataSet*, const String&, const Variant&, bool&>;
// The answer is the last argument (events return nothing here).
using TcxDBDataModeControllerDetailIsCurrentQueryEvent =
    Event<TcxDBDataModeController*, TDataSet*, const String&, const Variant&, bool&>;

class TcxDBDataModeController : public TPersistent {
  RTL_CLASS(TcxDBDataModeController, TPersistent)
public:
  explicit TcxDBDataModeController(TcxDBDataController* AController) : FOwnerController(AController) {}
  void Assign(TPersistent* ASource) override;

  virtual bool DetailIsCurrentQuery(const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues);
  virtual void DetailFirst(const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues, bool& AReopened);

  bool DetailInSQLMode() const { return FDetailInSQLMode; }
  void SetDetailInSQLMode(bool AValue) { FDetailInSQLMode = AValue; }
  bool DetailSyncEnabled() const { return FDetailSyncEnabled; }
  void SetDetailSyncEnabled(bool AValue) { FDetailSyncEnabled = AValue; }
  bool GridMode() const { return FGridMode; }
  void SetGridMode(bool AValue);
  int32_t GridModeBufferCount() const { return FGridModeBufferCount; }
  void SetGridModeBufferCount(int32_t AValue);
  bool SmartRefresh() const { return FSmartRefresh; }
  void SetSmartRefresh(bool AValue);
  bool InsertSyncEnabled() const { return FInsertSyncEnabled; }
  void SetInsertSyncEnabled(bool AValue) { FInsertSyncEnabled = AValue; }
  bool SyncMode() const { return FSyncMode; }
  void SetSyncMode(bool AValue);
  TcxDBDataController* OwnerController() const { return FOwnerController; }

  TcxDBDataModeControllerDetailFirstEvent OnDetailFirst;
  TcxDBDataModeControllerDetailIsCurrentQueryEvent OnDetailIsCurrentQuery;

private:
  TcxDBDataController* FOwnerController;
  bool FDetailInSQLMode = false;
  bool FDetailSyncEnabled = true;
  bool FGridMode = false;
  int32_t FGridModeBufferCount = 0;
  bool FSmartRefresh = false;
  bool FInsertSyncEnabled = true;
  bool FSyncMode = true;
};

// ---------------------------------------------------------------------------------------------------
// Detail adapters: how a detail dataset is positioned or re-queried for a master key

class TcxDBProviderDetailFilterAdapter : public TcxDBAdapterItem {
  RTL_CLASS(TcxDBProviderDetailFilterAdapter, TcxDBAdapterItem)
public:
  using TcxDBAdapterItem::TcxDBAdapterItem;
  // True when the dataset's detail parameter named by the key names already holds the key values.
  virtual bool IsCurrentQuery(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues);
  virtual void ReopenSQL(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues,
                         bool& AReopened);
  virtual void DetailFirst(TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames, const Variant& AMasterDetailKeyValues,
                           bool& AReopened, bool ASQLMode);
};

// The process-wide registry of detail adapters; starts with (TDataSet, TcxDBProviderDetailFilterAdapter).
TcxDBAdapterList* cxDetailFilterControllers();

// ---------------------------------------------------------------------------------------------------
// Data fields bound to dataset fields

class TcxDBDataField : public TcxCustomDataField {
  RTL_CLASS(TcxDBDataField, TcxCustomDataField)
public:
  using TcxCustomDataField::TcxCustomDataField;
  ~TcxDBDataField() override;

  void Reassign(TcxCustomDataField* ASource) override;
  void RemoveNotification(TComponent* AComponent) override;
  bool CanModify(TcxDataEditValueSource AEditValueSource) override;
  bool IsUnbound() override;
  bool SkipsInReader() override;

  // The dataset field, sub-fields and sub-field count: those of the referenced field for a reference.
  TField* Field() const;
  const String& FieldName() const { return FFieldName; }
  int32_t FieldCount() const;
  TcxDBDataField* SubFields(int32_t AIndex) const;
  bool IsComposite() const { return FieldCount() > 0; }
  bool IsLookup() const;
  TcxDBDataField* OwnerComposite() const { return FOwnerComposite; }
  TcxDBDataController* DBController() const;

private:
  friend class TcxDBDataController;
  void AddSubField(TcxDBDataField* AField);
  void FreeSubFields();
  void SetField(TField* AField);

  TField* FField = nullptr;
  TComponent* FNotifier = nullptr;
  String FFieldName;
  std::vector<TcxDBDataField*> FSubFields;
  TcxDBDataField* FOwnerComposite = nullptr;
};

// Reads a record's values from the dataset's current record.
class TcxValueDefDBReader : public TcxValueDefReader {
  RTL_CLASS(TcxValueDefDBReader, TcxValueDefReader)
public:
  String ReadDefText(TcxValueDef* ADef) override;
  Variant ReadDefValue(TcxValueDef* ADef) override;
  bool SkipsDef(TcxValueDef* ADef) override;
};

// ---------------------------------------------------------------------------------------------------
// Data link and provider

class TcxDBDataLink : public TDataLink {
  RTL_CLASS(TcxDBDataLink, TDataLink)
public:
  explicit TcxDBDataLink(TcxDBDataProvider* AProvider) : FProvider(AProvider) {}
  void DataEvent(TDataEvent AEvent, intptr_t AInfo) override;
  bool LayoutChangePending() const { return FLayoutChangePending; }
  TcxDBDataProvider* Provider() const { return FProvider; }

protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int32_t ADistance) override;
  void EditingChanged() override;
  void FocusControl(TField** AField) override;
  void LayoutChanged() override;
  void RecordChanged(TField* AField) override;
  void UpdateData() override;

private:
  friend class TcxDBDataProvider;
  TcxDBDataProvider* FProvider;
  bool FLayoutChangePending = false;
  bool FLayoutChangeBlocked = false;
  bool FromEnableControls = false;
};

struct TcxDBDataProviderSavePosInfo {
  TBookmarkStr Bookmark;
  bool Bof = false;
  bool Eof = false;
  int32_t ActiveRecord = 0;
};

class TcxDBDataProvider : public TcxCustomDataProvider {
  RTL_CLASS(TcxDBDataProvider, TcxCustomDataProvider)
public:
  explicit TcxDBDataProvider(TcxCustomDataController* AController);
  ~TcxDBDataProvider() override;

  // State queries.
  bool CanKeepLoadedRecords() override { return false; }
  bool IsGridMode() override;
  bool HasSourceState() override;
  bool IsOtherProviderInserting() override;
  bool IsSyncMode() override;
  bool IsActive() override;
  bool HasFields() override;
  bool IsBOF() override;
  bool IsEditing() override;
  bool IsEOF() override;
  bool IsGridModeUpdating() override { return IsGridMode() && FGridModeUpdating; }
  bool IsInserting() override;
  bool IsModified() override;
  bool CanModify() override;
  bool CanDelete() override;
  bool CanInsert() override { return CanModify(); }
  bool CanAppend() override { return CanModify(); }
  int32_t GetSyncRecordIndex() override;
  bool IsSmartRefresh();

  // Cursor.
  void First() override;
  void Prior() override;
  void Next() override;
  void Last() override;
  void MoveBy(int32_t ADistance) override;
  void Scroll(int32_t ADistance) override;
  void SavePos() override;
  void RestorePos() override;
  void LockNotify() override;
  void UnlockNotify() override;

  // Editing.
  bool CanInitEditing(int32_t ARecordIndex) override;
  void Edit() override;
  void Post() override;
  void Cancel() override;
  void UpdateData() override;
  void Append() override;
  void Insert() override;
  void InitInsertingRecord(int32_t ARecordIndex, const TcxDataSummaryValues& AGroupValues) override;
  void AssignNewRecordValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) override;
  Variant GetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  bool SetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                    TcxDataEditValueSource AEditValueSource) override;
  int32_t DeleteFocused() override;
  void DeleteRecords(const std::vector<int32_t>& AList) override;
  void DeleteSelection() override;
  bool HasDetailRecords(int32_t ARecordIndex, int32_t ARelationIndex) override;

  // Values of buffered records (grid mode).
  String GetDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  Variant GetValue(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  void RecordLoaded(int32_t ARecordIndex) override;
  void LoadGridModeRecords() override;
  void ActiveChanged(bool AActive) override;
  void DataScrolled(int32_t ADistance) override;

  virtual bool BookmarkValid(const TBookmarkStr& ABookmark);
  // Walks the dataset from its current record for one whose display text of the field starts with
  // the text (any case). A new search tests the current record, then wraps once at the end and stops
  // where it started; a search for the next match steps first and stops at the end. Without a match
  // the dataset goes back to where it was.
  bool SearchInDataSet(TcxCustomDataField* AField, const String& AText, bool AForward, bool ANext);
  virtual int32_t CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B);
  virtual void RecordChanged(TField* AField);

  void RefillGridBuffer();
  // Tells the controller that the dataset moved, changed its rows or was opened or closed.
  void DataSetPositionChanged();
  void SmartRefreshRecord();
  void ResetUpdatingInfo();
  bool CanSyncInsert();
  bool DataSetPositioned();

  TDataSet* DataSet() const { return FDataLink->DataSet(); }
  TcxDBDataLink* DataLink() const { return FDataLink; }
  TcxDBDataController* DBController() const;
  int32_t CursorRecord() const { return FCursorRecord; }
  void SetCursorRecord(int32_t AValue) { FCursorRecord = AValue; }
  bool PostLocate() const { return FPostLocate; }
  void SetPostLocate(bool AValue) { FPostLocate = AValue; }
  bool InFirst() const { return FInFirst; }
  bool FieldsRecreated() const { return FFieldsRecreated; }
  void SetFieldsRecreated(bool AValue) { FFieldsRecreated = AValue; }
  bool DataSetCurrent() const { return FDataSetCurrent; }
  bool InCanInitEditing() const { return FInCanInitEditing; }
  bool ActiveChanging() const { return FActiveChanging; }
  int32_t EditedRecord() const { return FEditedRecord; }
  void ForgetRecord(int32_t ARecordIndex);

  // The live providers whose link reaches this provider's dataset.
  std::vector<TcxDBDataProvider*> SameDataSetProviders();
  bool IsDataSetBusy();
  bool IsOtherProviderHolding();
  // Another clone of a detail level is re-querying the shared dataset (inside its first step).
  bool IsOtherProviderRequerying();
  void NotifyWaitingProviders();

private:
  friend class TcxDBDataLink;
  friend class TcxDBDataController;
  void DoInsertOrAppend(bool AAppend);
  void TakeInsertOver();
  void ReadEditingRecord();
  template <class F>
  auto WithActiveRecord(int32_t ARecordIndex, F AReader) -> decltype(AReader());

  TcxDBDataLink* FDataLink = nullptr;
  bool FInCanInitEditing = false;
  bool FInsertOnActivation = false;
  bool FIncrementalSearching = false;
  bool FInFirst = false;
  bool FInInsert = false;
  bool FGridModeUpdating = false;
  bool FDataSetCurrent = false;
  bool FNotifying = false;
  bool FInsertingFromSource = false;
  bool FActiveChanging = false;
  bool FFieldsRecreated = false;
  std::vector<TcxDBDataProvider*> FWaitingProviders;
  bool FPostLocate = false;
  int32_t FCursorRecord = -1;
  TcxDBDataProviderSavePosInfo FSavePos;
  bool FHasSavedBookmark = false;
  int32_t FFocusBeforeDelete = -1;
  int32_t FEditedRecord = cxNullEditingRecordIndex;
  bool FEditedIsInsert = false;
  int32_t FNewRowCopyRecord = -1;
};

// ---------------------------------------------------------------------------------------------------
// Selection. In grid mode the rows are only a window of the dataset: a selection made there survives
// scrolling as dataset bookmarks, kept in dataset order; the base entry list then only keeps the count.

class TcxDBDataSelection : public TcxDataSelection {
  RTL_CLASS(TcxDBDataSelection, TcxDataSelection)
public:
  using TcxDataSelection::TcxDataSelection;
  void ClearAnchor() override;
  void InsertItem(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel) override;
  void ClearItems() override;
  void DeleteItem(int32_t APosition) override;
  void SetInternalCount(int32_t ACount) override;
  // In grid mode: the row's bookmark among the selected ones (found: its index; else the insert position).
  bool FindByRowIndex(int32_t ARowIndex, int32_t& APosition) const override;
  bool FollowsRows() const override;

  // The selected bookmarks, in dataset order, and the anchor of a range selection.
  const std::vector<TBookmarkStr>& Bookmarks() const { return FBookmarks; }
  const TBookmarkStr& SelectionAnchor() const { return FSelectionAnchor; }
  void SetSelectionAnchor(const TBookmarkStr& AValue) { FSelectionAnchor = AValue; }
  // A search by halving in dataset order: found gives its index, else the insert position.
  bool FindBookmark(const TBookmarkStr& ABookmark, int32_t& APosition) const;
  // Adds a bookmark at its place in dataset order unless it is there; the base count follows later.
  void MergeBookmark(const TBookmarkStr& ABookmark);
  void InsertBookmark(int32_t APosition, const TBookmarkStr& ABookmark);
  void DeleteBookmark(int32_t APosition);
  void ClearBookmarks() { FBookmarks.clear(); }
  // The base entry list takes the bookmarks' count.
  void SyncCount();
  // Drops, from the last to the first, the bookmarks that are empty or no longer valid; true when any was.
  bool DropInvalidBookmarks();

private:
  TcxDBDataController* DBController() const;
  bool InGridMode() const;
  int32_t Compare(const TBookmarkStr& A, const TBookmarkStr& B) const;

  TBookmarkStr FSelectionAnchor;
  std::vector<TBookmarkStr> FBookmarks;
  bool FSyncingCount = false;
};

// ---------------------------------------------------------------------------------------------------
// Master-detail over datasets: the master's key field, named by the detail's MasterKeyFieldNames

class TcxDBDataRelation : public TcxCustomDataRelation {
  RTL_CLASS(TcxDBDataRelation, TcxCustomDataRelation)
public:
  using TcxCustomDataRelation::TcxCustomDataRelation;
  void BeforeDestruction() override;
  void FieldDestroyed(TcxCustomDataField* AField) override;
  // A master key field exists and the detail names its own key fields.
  virtual bool IsLinked();
  // Rebinds the master key field to the registered detail's MasterKeyFieldNames.
  void UpdateMasterDetailKeyFieldNames();
  TcxDBDataField* MasterKeyDataField() const { return FMasterKeyDataField; }

private:
  TcxDBDataController* MasterController() const;
  TcxDBDataController* DetailController() const;
  void FreeMasterKeyDataField();

  TcxDBDataField* FMasterKeyDataField = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Summary items that name their dataset field themselves (no grid item needed)

class TcxDBDataSummaryItem : public TcxDataSummaryItem {
  RTL_CLASS(TcxDBDataSummaryItem, TcxDataSummaryItem)
public:
  using TcxDataSummaryItem::TcxDataSummaryItem;
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;
  // The bound field when a name is set, else the field of the item link.
  TcxCustomDataField* GetDataField() override;

  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& AValue);
  TcxDBDataField* BoundDataField() const { return FBoundDataField; }

private:
  TcxDBDataController* DBController();
  void FreeBoundDataField();

  TcxDBDataField* FBoundDataField = nullptr;
  String FFieldName;
};

// ---------------------------------------------------------------------------------------------------
// The controller

// Asked whether a master record has detail rows (HasChildren comes in True).
using TcxDBDataDetailHasChildrenEvent =
    Event<TcxDBDataController*, int32_t, int32_t, const String&, const Variant&, bool&>;

class TcxDBDataController : public TcxCustomDataController {
  RTL_CLASS(TcxDBDataController, TcxCustomDataController)
public:
  explicit TcxDBDataController(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;

  // Class factories.
  TcxCustomDataProvider* CreateDataProvider() override;
  TcxCustomDataField* CreateField() override;
  TcxDataFilterCriteria* CreateFilter() override;
  TcxDataSelection* CreateDataSelection() override;
  TCollectionItemClass GetSummaryItemClass() override;
  TcxCustomDataRelation* CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem) override;
  void SetMasterRelation(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex) override;
  void DetailDataChanged(TcxCustomDataRelation* ARelation) override;
  // The key of a master record over the relation's master key field; Empty while the relation is not linked.
  Variant GetMasterRecordKeyValues(TcxDBDataRelation* ARelation, int32_t ARecordIndex);
  // The key of this detail's master record; Empty when none.
  const Variant& MasterKeyValues() const { return FMasterKeyValues; }

  // Binding.
  void ChangeFieldName(int32_t AItemIndex, const String& AFieldName);
  TField* GetItemField(int32_t AItemIndex);
  String GetItemFieldName(int32_t AItemIndex);
  TcxDBDataField* DBField(int32_t AItemIndex);
  // The name the dataset filter knows the item by ("" without a field; key names for a lookup).
  String GetItemFilterName(int32_t AItemIndex) override;

  // The dataset.
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* AValue);
  TDataSet* GetDataSet() const;
  TDataSet* DataSet() const { return GetDataSet(); }
  int32_t GetDataSetRecordCount() const;
  int32_t GetRecNo() const;
  void SetRecNo(int32_t AValue);
  bool IsSequenced() const;

  // Keys.
  const String& KeyFieldNames() const { return FKeyFieldNames; }
  void SetKeyFieldNames(const String& AValue);
  const String& MasterKeyFieldNames() const { return FMasterKeyFieldNames; }
  void SetMasterKeyFieldNames(const String& AValue);
  const String& DetailKeyFieldNames() const { return FDetailKeyFieldNames; }
  void SetDetailKeyFieldNames(const String& AValue);
  String MasterDetailKeyFieldNames() const { return FMasterKeyFieldNames.empty() ? String() : FDetailKeyFieldNames; }
  std::vector<TField*> GetKeyDataSetFields();
  Variant GetDataSetKeyValues();
  int32_t FindRecordIndexByKey(const Variant& AKeyValue);
  bool LocateByKey(const Variant& AKeyValue);

  // Modes and filter.
  TcxDBDataModeController* DataModeController() const { return FDataModeController; }
  void SetDataModeController(TcxDBDataModeController* AValue) { FDataModeController->Assign(AValue); }
  // The controller's filter, which is always the dataset-bound one.
  TcxDBDataFilterCriteria* Filter() const;
  TcxDBDataProvider* DBProvider() const;
  bool InUnboundCopy() const { return FUnboundCopy; }
  bool ResettingFields() const { return FResettingFields; }
  void DropFieldBindings();
  // Every bound item still reaches the dataset field its name finds.
  bool FieldsStillBound();

  // Grid-mode bookmarks (the base keeps a record index; a window of buffered rows needs a bookmark).
  bool SaveBookmark();
  void ClearBookmark();
  bool IsBookmarkAvailable() const;
  bool IsBookmarkRow(int32_t ARow);
  void GotoBookmark();
  bool IsBookmarkAffected(int32_t ARecordIndex) override;
  const TBookmarkStr& SavedBookmark() const { return FSavedBookmark; }
  TBookmarkStr GetRowBookmark(int32_t ARow);
  // The bookmark of a record of the grid-mode window (empty outside it).
  TBookmarkStr GetRecordBookmark(int32_t ARecordIndex);
  TBookmarkStr GetSelectedBookmark(int32_t AIndex);
  TBookmarkStr GetSelectionAnchorBookmark();
  TcxDBDataSelection* DBSelection() const;

  // Selection: in grid mode by bookmarks, otherwise the base.
  Variant GetSelectedRecordKey(int32_t ARecordIndex) override;
  int32_t GetSelectedRowIndex(int32_t I) const override;
  int32_t GetSelectionAnchorRowIndex() const override;
  bool IsSelectionAnchorSet() const override;
  void SelectAll() override;
  void SelectFromAnchor(int32_t ARow, bool AKeepSelection) override;
  void SetSelectionAnchor(int32_t ARow) override;
  bool FocusSelectedRow(int32_t I) override;
  void ForEachRow(bool ASelectedOnly, const TcxForEachRowProc& AProc) override;

  // Master-detail over datasets.
  bool CanChangeFocusedRow() override;
  void SyncDataSetCurrent() override;
  void CheckDetailSync() override;
  bool CanChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded) override;
  // A detail in SQL mode whose dataset still holds another master's rows.
  bool DetailRequeryNeeded();
  // The detail dataset's fields named by the master-detail key names (empty when there are none).
  std::vector<TField*> GetMasterDetailKeyFields();
  // Marks this controller as the one the shared detail dataset is positioned for; a clone that takes it
  // over resets the flag and the focus of the other clones of its relation.
  void SetDataSetCurrent(bool AValue);
  bool ResettingDataSetCurrent() const { return FResettingDataSetCurrent; }
  bool CheckingCurrentQuery() const { return FCheckingCurrentQuery; }
  TcxDBDataDetailHasChildrenEvent OnDetailHasChildren;

  // Hooks for descendants.
  virtual void DoReserved195(bool ACurrent) { (void)ACurrent; }
  virtual void DataSourceChanged() {}
  virtual void DoReserved197(int32_t ARecordIndex) { (void)ARecordIndex; }
  virtual int32_t GetDefaultBufferCount() { return 100; }
  // Told after the dataset moved or its record count changed (a lookup list refreshes its scroll bar).
  virtual void DataSetPositionChanged() {}
  // Gives the grid-mode window the count the controller wants now (its view may have grown or shrunk):
  // refilled, and re-read when its record count changes, only when the count differs.
  void CheckGridModeBufferCount();
  virtual void PostLayoutChange() { Change(dccLayout); }
  virtual int32_t LocateByKeyFields();
  virtual bool IsDataSetCurrentRecord(int32_t ARecordIndex);
  virtual void DoReserved202() {}
  TcxDBProviderDetailFilterAdapter* GetDetailFilterAdapter();
  int32_t GridModeBufferCountValue();

  // Overrides of the base.
  bool CanFocusRecord(int32_t ARecordIndex) override;
  void CheckBrowseMode() override;
  bool IsKeyFieldMode() override;
  bool IsProviderField(TcxCustomDataField* AField) override;
  Variant GetRecordId(int32_t ARecordIndex) override;
  std::vector<TcxCustomDataField*> GetKeyFields() override;
  void ChangeValueTypeClass(int32_t AItemIndex, TcxValueTypeClass AClass) override;
  void UpdateField(TcxCustomDataField* AField) override;
  void UpdateFields() override;
  void UpdateStructure() override;
  // A grouped controller needs every record: grouping suspends grid mode, and the structure follows
  // the effective mode once the change has been delivered.
  void UpdateControl(TcxUpdateControlInfo* AInfo) override;
  void ReloadStorage() override;
  void CheckFocusing() override;
  void RefreshSource() override {
    if (TDataSet* ds = GetDataSet()) ds->Refresh();
  }
  int32_t GetFocusedRecordIndexVirtual() override;
  void DoDataLoaded() override;
  void DoDeferredNotifications() override;
  bool GetFlag70() override { return true; }
  bool GetFlag73() override;
  Variant GetFieldValue(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  String GetFieldDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  // The value a filter compares: a lookup item compares its key values.
  Variant GetFilterDataValue(int32_t ARecordIndex, TcxCustomDataField* AField) override;
  // The stored text serves only where the filter value and the display text are the field's own value:
  // a lookup compares its keys and a composite field joins its parts.
  bool GetFilterDataTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) override;
  bool GetSearchDisplayTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) override;
  void NotifyFieldList(TComponent* AComponent) override;
  // Grid mode holds only a window of records: the incremental search walks the dataset instead.
  bool SearchInProvider(const String& AText, bool AForward, bool ANext) override;

  // Re-reads a record from the dataset's current record.
  void ReadRecordFromDataSet(int32_t ARecordIndex);

protected:
  void ReadRecords() override;

private:
  friend class TcxDBDataProvider;
  friend class TcxDBDataLink;
  friend class TcxDBDataModeController;
  friend class TcxDBDataField;
  friend class TcxDBDataSummaryItem;
  friend class TcxDBDataRelation;
  void BindField(TcxDBDataField* AField, const String& AName, bool ALookupKeys);
  // In SQL mode: re-queries the detail dataset when it holds another master's rows.
  void CheckCurrentQuery();
  // A pattern whose dataset moved positions its masters on the detail's key and answers the clone of
  // the master's focused record (nil when the chain does not follow).
  TcxDBDataController* DoDetailSync();
  bool IsDetailSyncChain();
  void ResetOtherClones();
  void AdaptFieldType(TcxDBDataField* AField);
  // The items of a field whose value type was adapted to its dataset field: the field's own item and the
  // items that read through it.
  void ValueTypeClassChangedFor(TcxDBDataField* AField);
  TcxDBDataField* FindFieldByName(const String& AName, TcxDBDataField* AExcept);

  TBookmarkStr FSavedBookmark;
  TcxDBDataModeController* FDataModeController = nullptr;
  String FDetailKeyFieldNames;
  bool FInBrowseCheck = false;
  bool FCheckingCurrentQuery = false;
  bool FReadingRecords = false;
  bool FResettingDataSetCurrent = false;
  bool FUpdatingDataSetPosition = false;
  bool FUnboundCopy = false;
  TcxDBDataField* FKeyDataField = nullptr;
  String FKeyFieldNames;
  bool FFirstCheckDone = false;
  bool FRefilling = false;
  Variant FMasterKeyValues;
  String FMasterKeyFieldNames;
  bool FResettingFields = false;
  TComponent* FFieldNotifier = nullptr;
  bool FStructureGridMode = false;
  bool FSwitchingStructure = false;
};
