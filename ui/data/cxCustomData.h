#pragma once
// The data controller: records in typed storage (or in a custom data source reached through the
// provider), one data field per item of the owning view, the edit cycle, the row view (filtered, sorted
// and grouped rows with focus, expanding and selection), change notifications delivered once at the
// outermost end of an update, and the controller stream.
//
// The filter (TcxDataFilterCriteria), the summary (TcxDataSummary), the incremental search and the detail
// relations are declared here; the row view calls them at the right steps. Their code lives in
// cxCustomDataFilter.cpp, cxCustomDataSummary.cpp, cxCustomDataSearch.cpp and cxCustomDataDetail.cpp.

#include <cstdint>
#include <vector>

#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/Persistent.h"
#include "rtl/Sets.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"
#include "rtl/Collections.h"
#include "ui/data/cxDataStorage.h"
#include "ui/data/cxFilter.h"

class TcxCustomDataController;
class TcxCustomDataControllerInfo;
class TcxCustomDataField;
class TcxCustomDataFieldList;
class TcxCustomDataProvider;
class TcxCustomDataSource;
class TcxDataControllerGroups;

// ---------------------------------------------------------------------------------------------------
// Errors

inline constexpr const char* cxSDataItemRangeError = "ItemIndex выходит за допустимые границы";
inline constexpr const char* cxSDataRecordIndexError = "RecordIndex выходит за допустимые границы";
inline constexpr const char* cxSDataRowIndexError = "RowIndex выходит за допустимые границы";
inline constexpr const char* cxSDataItemExistError = "Элемент уже существует";
inline constexpr const char* cxSDataProviderModeError = "Эта операция не поддерживается в режиме провайдера";
inline constexpr const char* cxSDataInvalidStreamFormat = "Неверный формат потока";
inline constexpr const char* cxSDataDetailFilterControllerNotFound = "DetailFilterController не найден";
inline constexpr const char* cxSDataNotInGridMode = "DataController не в GridMode";
inline constexpr const char* cxSDataKeyFieldNotFound = "Ключевое поле не найдено";

RTL_EXCEPTION(EcxInvalidDataControllerOperation, Exception)
[[noreturn]] void RaiseControllerError(const String& AMessage);

// "No record is being edited", "no row has the focus".
inline constexpr int32_t cxNullEditingRecordIndex = static_cast<int32_t>(0x80000001u);

// ---------------------------------------------------------------------------------------------------
// Enumerations

enum TcxDataSortOrder : uint8_t { soNone, soAscending, soDescending };

enum TcxDataControllerOption : uint8_t {
  dcoAnsiSort,
  dcoCaseInsensitive,
  dcoAssignGroupingValues,
  dcoAssignMasterDetailKeys,
  dcoSaveExpanding,
  dcoSortByDisplayText,
  dcoFocusTopRowAfterSorting,
  dcoGroupsAlwaysExpanded,
  dcoImmediatePost,
  dcoInsertOnNewItemRowFocusing
};
RTL_ENUM(TcxDataControllerOption, dcoAnsiSort, dcoCaseInsensitive, dcoAssignGroupingValues, dcoAssignMasterDetailKeys,
         dcoSaveExpanding, dcoSortByDisplayText, dcoFocusTopRowAfterSorting, dcoGroupsAlwaysExpanded, dcoImmediatePost,
         dcoInsertOnNewItemRowFocusing)
using TcxDataControllerOptions = Set<TcxDataControllerOption>;

// Edit state bits and edit operation bits.
enum : int32_t { dceInsert = 1, dceEdit = 2, dceChanging = 4, dceModified = 8 };
enum : int32_t { dceoAppend = 1, dceoDelete = 2, dceoEdit = 4, dceoInsert = 8, dceoShowEdit = 16 };

// Where an edit value comes from.
enum TcxDataEditValueSource : uint8_t { evsValue, evsText, evsKey };

// Data change kinds.
enum TcxDataChange : uint8_t { dcField, dcRecord, dcNew, dcDeleted, dcTotal };

struct TcxRowInfo {
  bool Expanded = false;
  int32_t Level = 0;
  int32_t RecordIndex = -1;
};

using TcxDataSummaryValues = std::vector<Variant>;

// ---------------------------------------------------------------------------------------------------
// Events

using TcxDataControllerNotifyEvent = Event<TcxCustomDataController*>;
using TcxDataControllerRecordEvent = Event<TcxCustomDataController*, int32_t>;
using TcxDataControllerCompareEvent =
    Event<TcxCustomDataController*, int32_t, int32_t, int32_t, const Variant&, const Variant&, int32_t&>;
using TcxDataDetailExpandingEvent = Event<TcxCustomDataController*, int32_t, bool&>;
using TcxDataFilterRecordEvent = Event<TcxCustomDataController*, int32_t, bool&>;
using TcxDataRecordChangedEvent = Event<TcxCustomDataController*, int32_t, int32_t>;
class TcxUpdateControlInfo;
using TcxUpdateControlEvent = Event<TcxUpdateControlInfo*>;
using TcxForEachRowProc = Event<int32_t, const TcxRowInfo&>;

// ---------------------------------------------------------------------------------------------------
// Notification objects (one per delivery, freed right after it)

class TcxUpdateControlInfo : public TObject {
  RTL_CLASS(TcxUpdateControlInfo, TObject)
};

class TcxDataChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxDataChangedInfo, TcxUpdateControlInfo)
public:
  TcxDataChangedInfo(TcxDataChange AKind, int32_t AItemIndex, int32_t ARecordIndex)
      : Kind(AKind), ItemIndex(AItemIndex), RecordIndex(ARecordIndex) {}
  TcxDataChange Kind;
  int32_t ItemIndex;
  int32_t RecordIndex;
};

class TcxLayoutChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxLayoutChangedInfo, TcxUpdateControlInfo)
};

class TcxUpdateRecordInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxUpdateRecordInfo, TcxUpdateControlInfo)
public:
  explicit TcxUpdateRecordInfo(int32_t ARecordIndex) : RecordIndex(ARecordIndex) {}
  int32_t RecordIndex;
};

class TcxFocusedRowChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxFocusedRowChangedInfo, TcxUpdateControlInfo)
public:
  TcxFocusedRowChangedInfo(int32_t AFocusedRow, int32_t APrevFocusedRow)
      : FocusedRowIndex(AFocusedRow), PrevFocusedRowIndex(APrevFocusedRow) {}
  int32_t FocusedRowIndex;
  int32_t PrevFocusedRowIndex;
};

class TcxFocusedRecordChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxFocusedRecordChangedInfo, TcxUpdateControlInfo)
public:
  TcxFocusedRecordChangedInfo(int32_t APrevRecord, int32_t ARecord, int32_t ARow, int32_t APrevRow, bool ANewItemRowChanged)
      : PrevFocusedRecordIndex(APrevRecord),
        FocusedRecordIndex(ARecord),
        FocusedRowIndex(ARow),
        PrevFocusedRowIndex(APrevRow),
        NewItemRowFocusingChanged(ANewItemRowChanged) {}
  int32_t PrevFocusedRecordIndex;
  int32_t FocusedRecordIndex;
  int32_t FocusedRowIndex;
  int32_t PrevFocusedRowIndex;
  bool NewItemRowFocusingChanged;
};

class TcxSelectionChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxSelectionChangedInfo, TcxUpdateControlInfo)
public:
  TcxSelectionChangedInfo() = default;
  TcxSelectionChangedInfo(int32_t APrev, int32_t ANew) {
    if (APrev != -1) FRows.push_back(APrev);
    if (ANew != -1 && ANew != APrev) FRows.push_back(ANew);
  }
  int32_t GetCount() const { return static_cast<int32_t>(FRows.size()); }
  int32_t GetRowIndex(int32_t I) const { return FRows.at(static_cast<size_t>(I)); }

private:
  std::vector<int32_t> FRows;
};

class TcxSearchChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxSearchChangedInfo, TcxUpdateControlInfo)
};

class TcxBookmarkChangedInfo : public TcxUpdateControlInfo {
  RTL_CLASS(TcxBookmarkChangedInfo, TcxUpdateControlInfo)
};

// A weak reference to a controller: nil once the controller is gone.
class TcxDataListenerLink : public TObject {
  RTL_CLASS(TcxDataListenerLink, TObject)
public:
  explicit TcxDataListenerLink(TcxCustomDataController* AController) : Ref(AController) {}
  TcxCustomDataController* Ref;
};

// Hears the removal of components the fields refer to.
class TcxDataControllerNotifier : public TComponent {
  RTL_CLASS(TcxDataControllerNotifier, TComponent)
public:
  explicit TcxDataControllerNotifier(TcxCustomDataController* AController) : TComponent(nullptr), FController(AController) {}

protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override;

private:
  TcxCustomDataController* FController;
};

// ---------------------------------------------------------------------------------------------------
// Data fields

class TcxCustomDataField : public TObject {
  RTL_CLASS(TcxCustomDataField, TObject)
public:
  explicit TcxCustomDataField(TcxCustomDataFieldList* AFieldList) : FFieldList(AFieldList) {}
  ~TcxCustomDataField() override;

  virtual void Reassign(TcxCustomDataField* ASource);
  virtual void RemoveNotification(TComponent* AComponent) { (void)AComponent; }
  virtual bool CanModify(TcxDataEditValueSource AEditValueSource);
  virtual bool IsUnbound() { return false; }
  virtual bool SkipsInReader() { return FInternalFlag; }

  int32_t Index() const;
  void SetIndex(int32_t AIndex);
  TcxCustomDataController* GetDataController() const;
  TcxCustomDataFieldList* FieldList() const { return FFieldList; }
  TObject* Item() const { return FItem; }
  void SetItem(TObject* AItem) { FItem = AItem; }
  bool IsInternal() const { return FInternalFlag; }
  void SetIsInternal(bool AValue);
  TcxCustomDataField* ReferenceField() const { return FMirroredField; }
  void SetReferenceField(TcxCustomDataField* AField);
  // The def, type and text flag of the end of the reference chain.
  TcxValueDef* GetValueDef() const;
  TcxValueTypeClass GetValueTypeClass() const;
  bool GetTextStored() const;
  void SetValueTypeClass(TcxValueTypeClass AClass);
  void SetTextStored(bool AValue);
  void BeginRecreateData();
  void EndRecreateData();
  void Changed();
  bool IsValueDefInternal() const;
  // The controller's own compare flag of the field (forces the value compare path).
  bool CompareFlag() const { return FCompareFlag; }
  void SetCompareFlag(bool AValue) { FCompareFlag = AValue; }

private:
  friend class TcxCustomDataFieldList;
  friend class TcxCustomDataControllerInfo;
  friend class TcxCustomDataController;
  void DropValueDef();

  TcxCustomDataFieldList* FFieldList;
  bool FInternalFlag = false;
  TObject* FItem = nullptr;
  int32_t FRecreateLock = 0;
  bool FCompareFlag = false;
  int32_t FCompareCache = 0;  // the row view's compare path: 0 none, -1 stored, 1 values, 2 texts
  TcxCustomDataField* FMirroredField = nullptr;
  bool FKeepsText = false;
  TcxValueDef* FStorageDef = nullptr;
  TcxValueTypeClass FTypeClass = nullptr;
};

class TcxCustomDataFieldList : public TObject {
  RTL_CLASS(TcxCustomDataFieldList, TObject)
public:
  explicit TcxCustomDataFieldList(TcxCustomDataController* AController) : FDataController(AController) {}
  ~TcxCustomDataFieldList() override;
  virtual void RemoveNotification(TComponent* AComponent);

  TcxCustomDataField* FindByItem(TObject* AItem) const;
  void Add(TcxCustomDataField* AField);
  void Clear();
  void Remove(TcxCustomDataField* AField);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxCustomDataField* Fields(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  int32_t NonInternalCount() const { return Count() - FInternalFieldCount; }
  void RecountInternal();
  int32_t IndexOf(const TcxCustomDataField* AField) const;
  void Move(int32_t AFrom, int32_t ATo);
  TcxCustomDataController* DataController() const { return FDataController; }
  bool FieldDestroyed() const { return FFieldDestroyed; }
  void SetFieldDestroyed(bool AValue) { FFieldDestroyed = AValue; }

private:
  TcxCustomDataController* FDataController;
  bool FFieldDestroyed = false;
  int32_t FInternalFieldCount = 0;
  std::vector<TcxCustomDataField*> FItems;
};

// ---------------------------------------------------------------------------------------------------
// Custom data source and provider

using TcxDataRecordHandle = intptr_t;
using TcxDataItemHandle = intptr_t;

class TcxCustomDataSource : public TObject {
  RTL_CLASS(TcxCustomDataSource, TObject)
public:
  ~TcxCustomDataSource() override;
  virtual TcxDataRecordHandle AppendRecord() { return 0; }
  virtual void SortRecords() {}
  virtual void DeleteRecord(TcxDataRecordHandle ARecordHandle) { (void)ARecordHandle; }
  virtual bool HasDetails(int32_t ARecordIndex, int32_t ARelationIndex) {
    (void)ARecordIndex;
    (void)ARelationIndex;
    return false;
  }
  virtual String GetDisplayText(TcxDataRecordHandle ARecordHandle, TcxDataItemHandle AItemHandle);
  virtual bool GetInfoForCompare(TcxDataRecordHandle ARecordHandle, TcxDataItemHandle AItemHandle, const void*& ARef) {
    (void)ARecordHandle;
    (void)AItemHandle;
    ARef = nullptr;
    return false;
  }
  virtual TcxDataItemHandle GetItemHandle(int32_t AItemIndex) { return AItemIndex; }
  virtual bool IsInsertSupported() { return false; }
  virtual Variant GetRecordId(TcxDataRecordHandle ARecordHandle) {
    (void)ARecordHandle;
    return Null();
  }
  virtual Variant GetValue(TcxDataRecordHandle ARecordHandle, TcxDataItemHandle AItemHandle) {
    (void)ARecordHandle;
    (void)AItemHandle;
    return Null();
  }
  virtual TcxDataRecordHandle InsertRecord(TcxDataRecordHandle ARecordHandle) { return ARecordHandle; }
  virtual bool IsCustomSorting() { return false; }
  virtual bool SupportsCompareInfo() { return false; }
  virtual bool IsNativeCompare() { return false; }
  virtual bool IsRecordIdSupported() { return false; }
  virtual void LoadRecordHandles() {}
  virtual int32_t CompareRecords(TcxDataRecordHandle A, TcxDataRecordHandle B, TcxDataItemHandle AItemHandle) {
    (void)A;
    (void)B;
    (void)AItemHandle;
    return 0;
  }
  virtual void SetRecordCount(int32_t ACount) { (void)ACount; }
  virtual void SetValue(TcxDataRecordHandle ARecordHandle, TcxDataItemHandle AItemHandle, const Variant& AValue) {
    (void)ARecordHandle;
    (void)AItemHandle;
    (void)AValue;
  }

  TcxCustomDataProvider* GetProvider() const;
  TcxCustomDataController* GetDataController() const;
  TcxDataRecordHandle GetRecordHandle(int32_t ARecordIndex) const;
  int32_t GetRecordIndexByHandle(TcxDataRecordHandle AHandle) const;
  int32_t AddRecordHandle(TcxDataRecordHandle AHandle);
  void AddProvider(TcxCustomDataProvider* AProvider);
  void RemoveProvider(TcxCustomDataProvider* AProvider);
  void SetCurrentProvider(TcxCustomDataProvider* AProvider) { FCurrentProvider = AProvider; }

private:
  TcxCustomDataProvider* FCurrentProvider = nullptr;
  TcxCustomDataProvider* FProvider = nullptr;
  std::vector<TcxCustomDataProvider*> FProviders;
};

class TcxCustomDataProvider : public TObject {
  RTL_CLASS(TcxCustomDataProvider, TObject)
public:
  explicit TcxCustomDataProvider(TcxCustomDataController* AController);
  ~TcxCustomDataProvider() override;

  virtual void CustomSort();
  virtual bool CanKeepLoadedRecords() { return true; }
  virtual bool IsCustomSorting();
  virtual bool IsGridMode() { return false; }
  virtual bool HasSourceState() { return false; }
  virtual bool IsOtherProviderInserting() { return false; }
  virtual bool IsRecordIdSupported();
  virtual bool IsSyncMode() { return false; }
  virtual bool IsActive() { return FSourceObject != nullptr; }
  virtual bool HasFields() { return false; }
  virtual bool IsBOF() { return true; }
  virtual bool IsChanging() { return FChanging; }
  virtual bool IsEditing() { return FEditRecord != cxNullEditingRecordIndex; }
  virtual bool IsEOF() { return true; }
  virtual bool IsGridModeUpdating() { return false; }
  virtual bool IsInserting() { return IsEditing() && FInserting; }
  virtual bool IsModified() { return FModified; }
  virtual bool NeedsImmediatePost() { return !CanModify(); }
  virtual void RecordLoaded(int32_t ARecordIndex) { (void)ARecordIndex; }
  virtual void First() {}
  virtual void Prior() {}
  virtual void Next() {}
  virtual void Last() {}
  virtual void MoveBy(int32_t ADistance) { (void)ADistance; }
  virtual void Scroll(int32_t ADistance) { (void)ADistance; }
  virtual void SavePos() {}
  virtual void RestorePos() {}
  virtual bool CanAppend() { return CanModify(); }
  virtual bool CanDelete();
  virtual bool CanInitEditing(int32_t ARecordIndex);
  virtual bool CanInsert() { return CanModify(); }
  virtual bool CanModify() { return true; }
  virtual void Append() { DoInsert(true); }
  virtual void Cancel();
  virtual void UpdateData();
  virtual int32_t DeleteFocused();
  virtual void DeleteRecords(const std::vector<int32_t>& AList);
  virtual void DeleteSelection();
  virtual void Edit() { BeginEdit(); }
  virtual Variant GetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual void Insert() { DoInsert(false); }
  virtual void Post();
  virtual void EndEditing() {
    UpdateData();
    ResetChanging();
  }
  virtual bool SetEditValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                            TcxDataEditValueSource AEditValueSource);
  virtual void BeginDeleting();
  virtual void FocusNearestRecord();
  virtual void AssignNewRecordValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue);
  virtual void InitInsertingRecord(int32_t ARecordIndex, const TcxDataSummaryValues& AGroupValues);
  virtual void BeginEdit();
  virtual void DoInsert(bool AAppend);
  virtual void ResetChanging() { FChanging = false; }
  virtual void ResetEditing();
  virtual void ResetModified() { FModified = false; }
  virtual void SetChanging() { FChanging = true; }
  virtual void DoEdit() { BeginEdit(); }
  virtual void SetModified() { FModified = true; }
  virtual void BeginLocate() { ++FLocateNesting; }
  virtual void EndLocate() { --FLocateNesting; }
  virtual void LockNotify() { ++FLockNesting; }
  virtual void UnlockNotify() { --FLockNesting; }
  virtual int32_t AppendSourceRecord();
  virtual void DeleteSourceRecord(int32_t ARecordIndex);
  virtual bool HasDetailRecords(int32_t ARecordIndex, int32_t ARelationIndex);
  virtual String GetSourceDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual String GetDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
    (void)ARecordIndex;
    (void)AField;
    return String();
  }
  virtual Variant GetValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
    (void)ARecordIndex;
    (void)AField;
    return Null();
  }
  virtual Variant GetSourceRecordId(int32_t ARecordIndex);
  virtual int32_t GetSyncRecordIndex() { return -1; }
  virtual Variant GetSourceValue(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual int32_t InsertSourceRecord(int32_t ARecordIndex);
  virtual void LoadGridModeRecords() {}
  virtual int32_t CompareRecords(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField);
  virtual int32_t CompareSourceRecords(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField);
  virtual void SetSourceRecordCount(int32_t ACount);
  virtual void SetSourceValue(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue);
  virtual void ActiveChanged(bool AActive);
  virtual void DataChanged(TcxDataChange AKind, int32_t AItemIndex, int32_t ARecordIndex);
  virtual void DataScrolled(int32_t ADistance);
  virtual void LayoutChanged(int32_t AKind);

  void SetCustomDataSource(TcxCustomDataSource* ASource);
  TcxCustomDataSource* CustomDataSource() const { return FSourceObject; }
  void LoadSourceRecordHandles();
  TcxCustomDataController* DataController() const { return FDataController; }
  int32_t EditRecord() const { return FEditRecord; }
  int32_t EditPrevRecord() const { return FEditPrevRecord; }
  int32_t EditNextRecord() const { return FEditNextRecord; }
  int32_t SavedCopyRecord() const { return FSavedCopyRecord; }
  int32_t JustInsertedRecord() const { return FJustInsertedRecord; }
  void SetJustInsertedRecord(int32_t AValue) { FJustInsertedRecord = AValue; }
  int32_t LockNesting() const { return FLockNesting; }
  int32_t LocateNesting() const { return FLocateNesting; }
  bool Inserting() const { return FInserting; }
  void ClearEditRecord() { FEditRecord = cxNullEditingRecordIndex; }
  // The record changed its index by a delete or insert before it.
  void ShiftEditRecords(int32_t AFromIndex, int32_t ADelta);
  bool IsProviderMode();

protected:
  void SaveRecord();
  void ClearSavedRecord();
  TcxCustomDataSource* Source();

private:
  bool FChanging = false;
  TcxCustomDataSource* FSourceObject = nullptr;
  bool FDataChangeLock = false;
  TcxCustomDataController* FDataController;
  int32_t FEditRecord = cxNullEditingRecordIndex;
  int32_t FEditPrevRecord = cxNullEditingRecordIndex;
  int32_t FEditNextRecord = cxNullEditingRecordIndex;
  int32_t FJustInsertedRecord = -1;
  bool FWritingEditorValues = false;
  int32_t FLocateNesting = 0;
  int32_t FLockNesting = 0;
  bool FModified = false;
  int32_t FSavedCopyRecord = 0;
  bool FInserting = false;
};

// ---------------------------------------------------------------------------------------------------
// Sorting and grouping lists, groups, focus, expanding, selection, keys

struct TcxDataSortInfo {
  TcxCustomDataField* Field;
  TcxDataSortOrder SortOrder;
};

class TcxSortingFieldList : public TObject {
  RTL_CLASS(TcxSortingFieldList, TObject)
public:
  virtual void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Add(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Insert(int32_t AIndex, TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Delete(int32_t AIndex);
  void Remove(TcxCustomDataField* AField);
  void Clear();
  int32_t Find(TcxCustomDataField* AField) const;
  int32_t SortIndexByField(TcxCustomDataField* AField) const { return Find(AField); }
  TcxDataSortOrder SortOrderOf(TcxCustomDataField* AField) const;
  void SetSortOrder(int32_t AIndex, TcxDataSortOrder ASortOrder);
  void Move(int32_t AFrom, int32_t ATo);
  void SetFieldIndex(TcxCustomDataField* AField, int32_t AIndex);
  void AppendMissing(const TcxSortingFieldList* AOther);
  void CheckField(TcxCustomDataField* AField);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const TcxDataSortInfo& Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  // Without notification (the total key is rebuilt silently).
  void Assign(const TcxSortingFieldList* ASource) { FItems = ASource->FItems; }
  void ClearSilently() { FItems.clear(); }

  TNotifyEvent OnChanged;

protected:
  void Changed();

private:
  std::vector<TcxDataSortInfo> FItems;
};

class TcxGroupingFieldList : public TcxSortingFieldList {
  RTL_CLASS(TcxGroupingFieldList, TcxSortingFieldList)
public:
  void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) override;
  int32_t GroupIndexByField(TcxCustomDataField* AField) const { return Find(AField); }
  void SyncSortOrders(const TcxSortingFieldList* ASortingList);
};

struct TcxDataGroupInfo {
  int32_t RowIndex = 0;
  bool Expanded = false;
  int32_t Level = 0;
  int32_t FirstIndex = 0;
  int32_t LastIndex = 0;
  int32_t Reserved = 0;
  TcxDataSummaryValues SummaryValues;
};

class TcxDataGroups : public TObject {
  RTL_CLASS(TcxDataGroups, TObject)
public:
  void AddField(TcxCustomDataField* AField) { FFields.push_back(AField); }
  TcxDataGroupInfo* AddGroup();
  void Clear();
  int32_t LevelCount() const { return static_cast<int32_t>(FFields.size()); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxCustomDataField* Fields(int32_t ALevel) const { return FFields.at(static_cast<size_t>(ALevel)); }
  TcxDataGroupInfo& Items(int32_t AIndex) { return FItems.at(static_cast<size_t>(AIndex)); }
  const TcxDataGroupInfo& Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  int32_t LevelOf(int32_t AIndex) const;
  int32_t ChildCount(int32_t AIndex) const;
  int32_t ChildGroupIndex(int32_t AIndex, int32_t N) const;
  int32_t ChildRecordListIndex(int32_t AIndex, int32_t N) const;
  int32_t TopLevelCount() const { return ChildCount(-1); }
  int32_t TopLevelGroupIndex(int32_t N) const { return ChildGroupIndex(-1, N); }
  int32_t FindByRowIndex(int32_t ARow, int32_t& AGroupIndex) const;
  bool IsVisibleGroup(int32_t AIndex) const;
  int32_t GroupIndexByRowIndex(int32_t ARow, int32_t ALevel) const;
  int32_t GroupIndexByRecordListIndex(int32_t APosition, int32_t ALevel) const;
  // The last-level group whose record range holds the position; -1 when none.
  int32_t DataGroupIndexByRecordListIndex(int32_t APosition) const;
  int32_t ParentGroupIndex(int32_t AIndex) const;
  void GetRowInfo(int32_t ARow, TcxRowInfo& AInfo, int32_t& ARecordListIndex) const;
  int32_t RowCount() const;
  void ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive);
  void SetAllExpanded(bool AExpanded);
  bool ExpandParents(int32_t AIndex, bool AExpandSelf);
  void RecalculateRowIndexes();
  void SortBySummary();
  // The first record-list position of a group's first last-level descendant.
  int32_t FirstRecordListIndex(int32_t AIndex) const;
  int32_t OrderingSummaryIndex = -1;
  TcxDataSortOrder OrderingSummaryOrder = soNone;

private:
  std::vector<TcxCustomDataField*> FFields;
  std::vector<TcxDataGroupInfo> FItems;
  mutable std::vector<int32_t> FDataGroups;  // the last-level groups in order, built on demand
};

class TcxDataFocusingInfo : public TObject {
  RTL_CLASS(TcxDataFocusingInfo, TObject)
public:
  explicit TcxDataFocusingInfo(TcxCustomDataControllerInfo* AInfo) : Info(AInfo) {}
  void Assign(const TcxDataFocusingInfo* AOther);
  void Clear();
  bool IsEqual(const TcxDataFocusingInfo* AOther) const;
  void ResetToSyncRecord();
  void UpdateFromRow();

  bool Changed = false;
  TcxCustomDataControllerInfo* Info;
  int32_t Level = -1;
  bool SavedNewItemRowFocus = false;
  int32_t PreviousRecord = -1;
  int32_t RecordIndex = -1;
  int32_t RowIndex = -1;
};

struct TcxDataExpandingInfo {
  int32_t Level;
  std::vector<Variant> Values;  // the grouping values of the group's path, outermost first
  uint8_t State;                // bit 0 expanded, bit 1 selected
};

enum TcxDataExpandingInfoState : uint8_t { eisExpanded, eisSelected };
using TcxDataExpandingInfoStateSet = Set<TcxDataExpandingInfoState>;

class TcxDataExpandingInfos : public TObject {
  RTL_CLASS(TcxDataExpandingInfos, TObject)
public:
  void AddField(TcxCustomDataField* AField);
  uint8_t AddItem(int32_t ALevel, const std::vector<Variant>& AValues, uint8_t AState);
  void CheckField(TcxCustomDataField* AField);
  void Clear();
  void ClearFields() { FFields.clear(); }
  void ClearItems() { FItems.clear(); }
  int32_t FieldIndexOf(TcxCustomDataField* AField) const;
  int32_t FieldCount() const { return static_cast<int32_t>(FFields.size()); }
  TcxCustomDataField* Fields(int32_t AIndex) const { return FFields.at(static_cast<size_t>(AIndex)); }
  int32_t ItemCount() const { return static_cast<int32_t>(FItems.size()); }
  const TcxDataExpandingInfo& Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  TcxDataExpandingInfoStateSet StatesToKeep;

private:
  std::vector<TcxCustomDataField*> FFields;
  std::vector<TcxDataExpandingInfo> FItems;
};

struct TcxDataSelectionInfo {
  int32_t Level;  // -1 for a group row
  int32_t Index;  // record index, or group index of a group row
  int32_t RowIndex;
};

class TcxDataSelection : public TObject {
  RTL_CLASS(TcxDataSelection, TObject)
public:
  explicit TcxDataSelection(TcxCustomDataController* AController) : FDataController(AController) {}
  virtual void ClearAnchor() { FSelectionAnchorRow = -1; }
  virtual void InsertItem(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel);
  virtual void ClearItems() { FItems.clear(); }
  virtual void DeleteItem(int32_t APosition);
  virtual void SetInternalCount(int32_t ACount);
  virtual void Add(int32_t APosition, int32_t ARowIndex, int32_t AIndex, int32_t ALevel);
  virtual bool FindByRowIndex(int32_t ARowIndex, int32_t& APosition) const;
  // The entries follow the rows of the row view: a reload moves them to their records' new rows and
  // drops those whose record went. False while a descendant holds them by something that outlives the
  // rows (the dataset window of grid mode keeps them as bookmarks).
  virtual bool FollowsRows() const { return true; }
  void Clear();
  void ClearAll();
  void Delete(int32_t APosition);
  int32_t FindGroupRow(int32_t AGroupIndex) const;
  int32_t FindRecord(int32_t ARecordIndex) const;
  bool IsRecordSelected(int32_t ARecordIndex) const { return FindRecord(ARecordIndex) != -1; }
  bool IsRowSelected(int32_t ARowIndex) const {
    int32_t p;
    return FindByRowIndex(ARowIndex, p);
  }
  void SortByRowIndex();
  void Changed();
  TcxCustomDataController* DataController() const { return FDataController; }
  void RemoveHiddenRecords();
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  TcxDataSelectionInfo& Items(int32_t APosition) { return FItems.at(static_cast<size_t>(APosition)); }
  const TcxDataSelectionInfo& Items(int32_t APosition) const { return FItems.at(static_cast<size_t>(APosition)); }
  int32_t SelectionAnchorRow() const { return FSelectionAnchorRow; }
  void SetSelectionAnchorRow(int32_t ARow) { FSelectionAnchorRow = ARow; }

  TNotifyEvent OnChanged;

private:
  int32_t FSelectionAnchorRow = -1;
  TcxCustomDataController* FDataController;
  std::vector<TcxDataSelectionInfo> FItems;
};

class TcxSaveObject;

// One record's key and what is kept with it: the selection entry it came from, or the record's active
// detail relation and the state of that detail (owned by the key list).
struct TcxKeyInfo {
  Variant KeyValue;
  int32_t SelectionIndex = -1;
  int32_t RelationIndex = -1;
  TcxSaveObject* DetailState = nullptr;
};

// Record keys kept across a reload.
class TcxKeys : public TObject {
  RTL_CLASS(TcxKeys, TObject)
public:
  ~TcxKeys() override { Clear(); }
  virtual void ApplyKeys() {}
  virtual void CollectKeys() {}
  virtual void FreeKeyInfo(TcxKeyInfo& AInfo);
  virtual void Clear();
  void Save(TcxCustomDataController* AController);
  void Restore(TcxCustomDataController* AController);
  void Delete(int32_t AIndex);
  bool FindRecordKey(int32_t ARecordIndex, int32_t& AIndex) const;
  int32_t Count() const { return static_cast<int32_t>(FKeys.size()); }
  const TcxKeyInfo& Items(int32_t AIndex) const { return FKeys.at(static_cast<size_t>(AIndex)); }

protected:
  TcxCustomDataController* FDataController = nullptr;
  std::vector<TcxCustomDataField*> FKeyFields;
  std::vector<TcxKeyInfo> FKeys;
};

class TcxSelectedKeys : public TcxKeys {
  RTL_CLASS(TcxSelectedKeys, TcxKeys)
public:
  void ApplyKeys() override;
  void CollectKeys() override;
};

// The records whose details are expanded, with their active relation and, for a detail controller of the
// same kind, that detail's own state, so that a reload brings the whole open tree back.
class TcxDetailKeys : public TcxKeys {
  RTL_CLASS(TcxDetailKeys, TcxKeys)
public:
  void ApplyKeys() override;
  void CollectKeys() override;
};

class TcxSaveObject : public TObject {
  RTL_CLASS(TcxSaveObject, TObject)
public:
  void SaveState(TcxCustomDataController* AController);
  void RestoreState(TcxCustomDataController* AController);
  // Nothing was kept: no open detail and no selected record.
  bool IsEmpty() const { return FDetailKeyList.Count() == 0 && FSelectedKeyList.Count() == 0; }

private:
  TcxDetailKeys FDetailKeyList;
  TcxSelectedKeys FSelectedKeyList;
};

// The record sort of the row view: a quicksort with the middle element as pivot.
using TcxCompareRecordsMethod = int32_t (*)(void* AContext, int32_t A, int32_t B);
void SortRecordIndexes(std::vector<int32_t>& AList, int32_t L, int32_t R, TcxCompareRecordsMethod ACompare, void* AContext);
int32_t CompareByFieldIndex(TcxValueDef* A, TcxValueDef* B);
// Sort keys of texts: 16-bit unit sequences whose lexicographic order (a prefix first) is the order of
// AnsiCompareText (AnsiCompareStr when case-sensitive), or of an ordinal byte-wise comparison. The row
// view computes them once per record instead of comparing UTF-8 text character by character.
void cxAppendAnsiSortKey(const String& AText, bool ACaseSensitive, std::vector<uint16_t>& AKey);
void cxAppendOrdinalSortKey(const String& AText, std::vector<uint16_t>& AKey);
bool IsValueDefInternal(TcxValueDef* ADef);

// ---------------------------------------------------------------------------------------------------
// Filtering, summaries, search and locate

class TcxDataFilterCriteria;
class TcxDataFilterValueList;

// A condition on one data field of the controller.
class TcxDataFilterCriteriaItem : public TcxFilterCriteriaItem {
  RTL_CLASS(TcxDataFilterCriteriaItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void AfterConstruction() override;
  void GetDataValue(int32_t ARecordIndex, Variant& AValue) override;
  bool GetDataText(int32_t ARecordIndex, const String*& AText) override;
  String GetFieldCaption() override;
  String GetFieldName() override;
  TcxCustomDataField* Field() const { return FField; }
  TObject* GetItem() const;
  TcxCustomDataController* GetDataController();

private:
  TcxCustomDataField* FField = nullptr;  // the item link when it is a field of the controller
  TcxCustomDataController* FDataController = nullptr;  // found on first use
};

using TcxDataFilterGetValueListEvent = Event<TcxFilterCriteria*, int32_t, TcxDataFilterValueList*>;

// The controller's filter: a criteria tree over the controller's fields, active or not.
class TcxDataFilterCriteria : public TcxFilterCriteria {
  RTL_CLASS(TcxDataFilterCriteria, TcxFilterCriteria)
  RTL_PUBLISHED_DECL
public:
  explicit TcxDataFilterCriteria(TcxCustomDataController* AController) : FDataController(AController) {}
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;
  void DefineProperties(TFiler* AFiler) override;

  int32_t GetIDByItemLink(TObject* AItemLink) override;
  TObject* GetItemLinkByID(int32_t AID) override;
  TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                    TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                    const String& ADisplayValue) override;
  TcxFilterValueList* CreateValueListOfClass() override;
  void DoChanged() override;
  void CopyEvents(TPersistent* ASource) override;
  TcxFilterCriteriaItem* AddItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                 TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue) override;
  TcxFilterCriteriaItem* FindItemByItemLink(TObject* AItemLink) override;

  virtual TcxDataFilterValueList* CreateValueList();
  virtual bool IsFiltering();
  virtual bool DoFilterRecord(int32_t ARecordIndex) { return EvaluateRecord(ARecordIndex); }
  virtual void RemoveItemByField(TcxCustomDataField* AField) { RemoveItemByItemLink(AField); }

  bool Active() const { return FActive; }
  void SetActive(bool AValue);
  TcxCustomDataController* DataController() const { return FDataController; }
  bool IsDestroying() const { return FDestroying; }

  TcxDataFilterGetValueListEvent OnGetValueList;

protected:
  // An item object given as a link stands for its field.
  TObject* FieldOfLink(TObject* AItemLink);

private:
  bool FActive = false;
  TcxCustomDataController* FDataController;
  bool FDestroying = false;
};

// The distinct values of one item offered to the filter drop-downs.
class TcxDataFilterValueList : public TcxFilterValueList {
  RTL_CLASS(TcxDataFilterValueList, TcxFilterValueList)
public:
  using TcxFilterValueList::TcxFilterValueList;
  virtual void Load(int32_t AItemIndex);
};

// Extra filters of a controller; they take no part in the row view's filtering.
class TcxDataFilterList : public TObject {
  RTL_CLASS(TcxDataFilterList, TObject)
public:
  explicit TcxDataFilterList(TcxCustomDataController* AController) : FDataController(AController) {}
  ~TcxDataFilterList() override { Clear(); }
  TcxDataFilterCriteria* AddFilter();
  void Clear();
  void Remove(TcxDataFilterCriteria* AFilter);
  bool Contains(const TcxDataFilterCriteria* AFilter) const;
  void RemoveFieldReferences(TcxCustomDataField* AField);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxDataFilterCriteria* Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }

private:
  TcxCustomDataController* FDataController;
  std::vector<TcxDataFilterCriteria*> FItems;
};

enum TcxSummaryOption : uint8_t { soNullIgnore, soSelectedRecords };
using TcxSummaryOptions = Set<TcxSummaryOption>;
enum TcxSummaryKind : uint8_t { skNone, skSum, skMin, skMax, skCount, skAverage };
enum TcxSummaryPosition : uint8_t { spGroup, spFooter };
using TcxDataSummaryCountValues = std::vector<int32_t>;

class TcxDataSummary;
class TcxDataSummaryItem;
class TcxDataSummaryItems;
class TcxDataSummaryGroup;

struct TcxSummaryEventArguments {
  int32_t RecordIndex;
  TcxDataSummaryItem* SummaryItem;
};
struct TcxSummaryEventOutArguments {
  Variant Value;
  Variant SummaryValue;
  int32_t CountValue;
  bool Done;
};
using TcxSummaryEvent = Event<TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments&>;
using TcxDataSummaryItemGetTextEvent = Event<TcxDataSummaryItem*, const Variant&, bool, String&>;
using TcxAfterSummaryEvent = Event<TcxDataSummary*>;

class TcxCustomDataSummaryItem : public TCollectionItem {
  RTL_CLASS(TcxCustomDataSummaryItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  void Assign(TPersistent* ASource) override;
  virtual TcxCustomDataController* GetDataController() = 0;
  virtual void BeforeFieldChange(TcxCustomDataField* AField) { (void)AField; }
  TObject* ItemLink() const;
  void SetItemLink(TObject* AItem);
  TcxCustomDataField* Field() const { return FField; }
  void SetField(TcxCustomDataField* AField) { FField = AField; }

private:
  TcxCustomDataField* FField = nullptr;
};

class TcxDataSummaryItem : public TcxCustomDataSummaryItem {
  RTL_CLASS(TcxDataSummaryItem, TcxCustomDataSummaryItem)
public:
  using TcxCustomDataSummaryItem::TcxCustomDataSummaryItem;
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;
  TcxCustomDataController* GetDataController() override;

  virtual bool IsCurrency(TVarType AValueType) { return AValueType == varCurrency; }
  virtual bool CanCalculate();
  virtual TcxCustomDataField* GetDataField() { return Field(); }
  virtual String FormatValue(const Variant& AValue, bool AIsFooter);

  const String& Format() const { return FFormat; }
  void SetFormat(const String& AValue);
  TcxSummaryKind Kind() const { return FKind; }
  void SetKind(TcxSummaryKind AValue);
  TcxSummaryPosition Position();
  void SetPosition(TcxSummaryPosition AValue);
  TcxDataSummaryItems* SummaryItems() const;
  TcxSummaryPosition StoredPosition() const { return FPosition; }

  TcxDataSummaryItemGetTextEvent OnGetText;

private:
  String FFormat;
  TcxSummaryKind FKind = skNone;
  TcxSummaryPosition FPosition = spGroup;
};

class TcxDataSummaryItems : public TCollection {
  RTL_CLASS(TcxDataSummaryItems, TCollection)
public:
  // The item class comes from the summary, which asks its controller, so a controller kind can summarise
  // through items of its own.
  TcxDataSummaryItems(TcxDataSummary* ASummary, TCollectionItemClass AItemClass)
      : TCollection(AItemClass), FSummary(ASummary) {}
  void Assign(TPersistent* ASource) override;

  virtual bool IsFooterPosition(TcxDataSummaryItem* AItem);
  virtual bool IsItemPositionStored(TcxDataSummaryItem* AItem);
  virtual TcxDataSummaryItem* FindItemByItemIndex(int32_t AItemIndex, TcxSummaryPosition APosition);
  virtual bool IsEmptySummary(int32_t AFlags, const String& AFormat, TcxSummaryKind AKind);
  virtual void CopyEvents(TcxDataSummaryItems* ASource) { OnSummary = ASource->OnSummary; }
  virtual String GetDefaultFormat(int32_t AValueKind, TcxSummaryKind AKind, bool AIsFooter);
  virtual String GetGroupSummaryText(const TcxDataSummaryValues& AValues) {
    (void)AValues;
    return String();
  }

  TcxDataSummaryItem* Add() { return static_cast<TcxDataSummaryItem*>(TCollection::Add()); }
  TcxDataSummaryItem* Add(TObject* AItemLink, TcxSummaryPosition APosition, TcxSummaryKind AKind,
                          const String& AFormat = String());
  TcxDataSummaryItem* Items(int32_t AIndex) const { return static_cast<TcxDataSummaryItem*>(TCollection::Items(AIndex)); }
  TcxDataSummary* Summary() const { return FSummary; }
  String GetItemFormat(int32_t AItemIndex, TcxSummaryPosition APosition);
  TcxSummaryKind GetItemKind(int32_t AItemIndex, TcxSummaryPosition APosition);
  void SetItemFormat(int32_t AItemIndex, TcxSummaryPosition APosition, const String& AValue);
  void SetItemKind(int32_t AItemIndex, TcxSummaryPosition APosition, TcxSummaryKind AValue);

  TcxSummaryEvent OnSummary;

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummary* FSummary;
};

class TcxDataFooterSummaryItems : public TcxDataSummaryItems {
  RTL_CLASS(TcxDataFooterSummaryItems, TcxDataSummaryItems)
public:
  using TcxDataSummaryItems::TcxDataSummaryItems;
  bool IsFooterPosition(TcxDataSummaryItem* AItem) override {
    (void)AItem;
    return true;
  }
  bool IsItemPositionStored(TcxDataSummaryItem* AItem) override {
    (void)AItem;
    return false;
  }
};

class TcxDataGroupSummaryItems : public TcxDataSummaryItems {
  RTL_CLASS(TcxDataGroupSummaryItems, TcxDataSummaryItems)
public:
  TcxDataGroupSummaryItems(TcxDataSummary* ASummary, TCollectionItemClass AItemClass, TcxDataSummaryGroup* AGroup)
      : TcxDataSummaryItems(ASummary, AItemClass), FSummaryGroup(AGroup) {}
  void Assign(TPersistent* ASource) override;
  String GetGroupSummaryText(const TcxDataSummaryValues& AValues) override;
  const String& BeginText() const { return FBeginText; }
  void SetBeginText(const String& AValue);
  const String& EndText() const { return FEndText; }
  void SetEndText(const String& AValue);
  const String& Separator() const { return FSeparator; }
  void SetSeparator(const String& AValue);

protected:
  TPersistent* GetOwner() override;

private:
  void TextChanged();
  TcxDataSummaryGroup* FSummaryGroup;
  String FBeginText = "(";
  String FEndText = ")";
  String FSeparator = ",";
};

class TcxDataSummaryGroupItemLink : public TcxCustomDataSummaryItem {
  RTL_CLASS(TcxDataSummaryGroupItemLink, TcxCustomDataSummaryItem)
public:
  using TcxCustomDataSummaryItem::TcxCustomDataSummaryItem;
  TcxCustomDataController* GetDataController() override;
  void BeforeFieldChange(TcxCustomDataField* AField) override;
};

class TcxDataSummaryGroupItemLinks : public TCollection {
  RTL_CLASS(TcxDataSummaryGroupItemLinks, TCollection)
public:
  TcxDataSummaryGroupItemLinks(TcxDataSummaryGroup* AGroup, TCollectionItemClass AItemClass)
      : TCollection(AItemClass), FSummaryGroup(AGroup) {}
  TcxDataSummaryGroupItemLink* Add() { return static_cast<TcxDataSummaryGroupItemLink*>(TCollection::Add()); }
  TcxDataSummaryGroupItemLink* Items(int32_t AIndex) const {
    return static_cast<TcxDataSummaryGroupItemLink*>(TCollection::Items(AIndex));
  }
  int32_t IndexOfItemLink(TObject* AItem) const;
  int32_t IndexOfField(TcxCustomDataField* AField) const;
  TcxDataSummaryGroupItemLink* FindByField(TcxCustomDataField* AField) const;
  TcxDataSummaryGroup* SummaryGroup() const { return FSummaryGroup; }

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummaryGroup* FSummaryGroup;
};

class TcxDataSummaryGroups;

class TcxDataSummaryGroup : public TCollectionItem {
  RTL_CLASS(TcxDataSummaryGroup, TCollectionItem)
public:
  explicit TcxDataSummaryGroup(TCollection* ACollection);
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;
  TcxDataSummaryGroupItemLinks* Links();
  TcxDataGroupSummaryItems* SummaryItems() const { return FSummaryItems; }
  TcxDataSummaryGroups* SummaryGroups() const;
  TcxDataSummary* Summary() const;

private:
  TcxDataSummaryGroupItemLinks* FLinks = nullptr;
  TcxDataGroupSummaryItems* FSummaryItems = nullptr;
};

class TcxDataSummaryGroups : public TCollection {
  RTL_CLASS(TcxDataSummaryGroups, TCollection)
public:
  explicit TcxDataSummaryGroups(TcxDataSummary* ASummary)
      : TCollection(TcxDataSummaryGroup::StaticClass()), FSummary(ASummary) {}
  TcxDataSummaryGroup* Add() { return static_cast<TcxDataSummaryGroup*>(TCollection::Add()); }
  TcxDataSummaryGroup* Items(int32_t AIndex) const { return static_cast<TcxDataSummaryGroup*>(TCollection::Items(AIndex)); }
  TcxDataSummaryGroup* FindSummaryGroupByItem(TObject* AItem) const;
  TcxDataSummary* Summary() const { return FSummary; }

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummary* FSummary;
};

// The controller's summary: footer values over the filtered records and one value array per group.
class TcxDataSummary : public TPersistent {
  RTL_CLASS(TcxDataSummary, TPersistent)
public:
  explicit TcxDataSummary(TcxCustomDataController* AController) : FDataController(AController) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;

  virtual void PrepareValues(TcxDataSummaryItems* AItems, TcxDataSummaryValues& AValues, TcxDataSummaryCountValues& ACounts);
  virtual void CalculateRecordRange(TcxDataSummaryItems* AItems, TcxDataSummaryValues& AValues,
                                    TcxDataSummaryCountValues& ACounts, int32_t AFrom, int32_t ATo);
  virtual void Changed(bool AOneItem);
  virtual void DoAfterSummary();
  virtual void CalculateFinalValue(TcxDataSummaryItem* AItem, Variant& AValue, int32_t ACount);
  virtual void AccumulateValue(TcxDataSummaryItem* AItem, int32_t ARecordIndex, int32_t& ACount, Variant& AValue);
  virtual void FinishValues(TcxDataSummaryItems* AItems, const TcxDataSummaryCountValues& ACounts,
                            TcxDataSummaryValues& AResult, TcxDataSummaryValues& AValues);
  virtual int32_t GetSummaryRecordIndex(int32_t APosition);
  virtual TCollectionItemClass GetSummaryGroupItemLinkClass();
  virtual TCollectionItemClass GetSummaryItemClass();
  virtual bool IsValidArrayIndex(const TcxDataSummaryValues& AValues, int32_t AIndex) {
    return AIndex >= 0 && AIndex < static_cast<int32_t>(AValues.size());
  }
  virtual void UpdateController(bool AOneItem);
  virtual void CopyEvents(TcxDataSummary* ASource) { OnAfterSummary = ASource->OnAfterSummary; }
  virtual void UpdateFooterSummary() { CalculateFooterSummary(); }
  virtual void UpdateGroupSummary() {
    CalculateGroupSummary();
    DoAfterSummary();
  }
  virtual void UpdateSummary() {
    UpdateFooterSummary();
    UpdateGroupSummary();
  }
  virtual void CalculateFooterSummary();
  virtual void CalculateGroupSummary();
  virtual void RemoveItemsByField(TcxCustomDataField* AField) { RemoveFieldSummaries(AField); }

  void BeginUpdate();
  void EndUpdate();
  void CancelUpdate();
  void RemoveFieldSummaries(TcxCustomDataField* AField);
  void SetOptions(TcxSummaryOptions AValue);

  Variant GetFooterSummaryValue(int32_t AIndex);
  String GetFooterSummaryText(int32_t AIndex);
  const TcxDataSummaryValues* GetGroupSummaryValues(int32_t AGroupIndex);
  TcxDataGroupSummaryItems* GetGroupSummaryItems(int32_t ALevel);
  String GetGroupSummaryText(int32_t ARow);
  int32_t GetGroupFooterItemIndex(int32_t ALevel, TObject* AItem);
  String GetGroupFooterSummaryText(int32_t ARow, int32_t ALevel, int32_t AIndex);
  // Null values are an empty vector (no footer items).
  const TcxDataSummaryValues& FooterSummaryValues() const { return FFooterSummaryValues; }

  TcxDataGroupSummaryItems* DefaultGroupSummaryItems() const { return FDefaultGroupSummaryItems; }
  TcxDataFooterSummaryItems* FooterSummaryItems() const { return FFooterSummaryItems; }
  TcxDataSummaryGroups* SummaryGroups() const { return FSummaryGroups; }
  TcxCustomDataController* DataController() const { return FDataController; }
  bool IsDestroying() const { return FDestroying; }
  bool InAfterSummary() const { return FInAfterSummary; }

  // Changing it directly skips the notification; SetOptions recalculates.
  TcxSummaryOptions Options;
  TcxAfterSummaryEvent OnAfterSummary;

private:
  TcxCustomDataController* FDataController;
  TcxDataGroupSummaryItems* FDefaultGroupSummaryItems = nullptr;
  bool FDestroying = false;
  TcxDataFooterSummaryItems* FFooterSummaryItems = nullptr;
  TcxDataSummaryValues FFooterSummaryValues;
  bool FInAfterSummary = false;
  int32_t FLockCount = 0;
  TcxDataSummaryGroups* FSummaryGroups = nullptr;
};

// The incremental search of a view: the next record whose display text starts with the typed text.
class TcxDataControllerSearch : public TObject {
  RTL_CLASS(TcxDataControllerSearch, TObject)
public:
  explicit TcxDataControllerSearch(TcxCustomDataController* AController) : FDataController(AController) {}
  virtual void FocusFoundRecord(int32_t APosition);
  virtual int32_t FindInRange(int32_t AFrom, int32_t ATo, bool AForward, const String& AText);
  virtual bool Locate(int32_t AItemIndex, const String& AText);
  virtual bool LocateNext(bool AForward);
  virtual void Lock() { FLocked = true; }
  virtual void Unlock() { FLocked = false; }
  virtual void Cancel();
  virtual int32_t GetItemIndex();
  virtual bool GetSearching();
  String GetSearchText();
  void SetItemIndex(int32_t AItemIndex);
  TcxCustomDataController* DataController() const { return FDataController; }

private:
  TcxCustomDataController* FDataController;
  bool FLocked = false;
};

// Reads def values out of a list filled by the caller (field values for a locate).
class TcxValueDefUnboundReader : public TcxValueDefReader {
  RTL_CLASS(TcxValueDefUnboundReader, TcxValueDefReader)
public:
  ~TcxValueDefUnboundReader() override { Clear(); }
  Variant ReadDefValue(TcxValueDef* ADef) override;
  bool SkipsDef(TcxValueDef* ADef) override;
  void SetValue(TcxValueDef* ADef, const Variant& AValue);
  void Truncate(int32_t ACount);
  void Clear() { Truncate(0); }

private:
  std::vector<TcxValueDef*> FDefs;
  std::vector<Variant*> FValues;
};

// Reads the values of one record of a controller.
class TcxValueDefRecordReader : public TcxValueDefReader {
  RTL_CLASS(TcxValueDefRecordReader, TcxValueDefReader)
public:
  TcxValueDefRecordReader(TcxCustomDataController* AController, int32_t ARecordIndex)
      : FDataController(AController), FRecordIndex(ARecordIndex) {}
  Variant ReadDefValue(TcxValueDef* ADef) override;
  String ReadDefText(TcxValueDef* ADef) override;
  bool SkipsDef(TcxValueDef* ADef) override;

private:
  TcxCustomDataController* FDataController;
  int32_t FRecordIndex;
};

// Finds a record by values loaded into an internal record.
class TcxDataControllerLocateObject : public TObject {
  RTL_CLASS(TcxDataControllerLocateObject, TObject)
public:
  explicit TcxDataControllerLocateObject(TcxCustomDataController* AController) : FDataController(AController) {}
  ~TcxDataControllerLocateObject() override { ReleaseRecord(); }
  virtual void ReleaseRecord();
  virtual int32_t FindRecordIndex() = 0;
  void ReadRecord(TcxValueDefReader* AReader);
  int32_t RecordIndex() const { return FRecordIndex; }
  TcxCustomDataController* DataController() const { return FDataController; }

protected:
  TcxCustomDataController* FDataController;
  int32_t FRecordIndex = 0;
};

class TcxDataControllerKeyLocateObject : public TcxDataControllerLocateObject {
  RTL_CLASS(TcxDataControllerKeyLocateObject, TcxDataControllerLocateObject)
public:
  using TcxDataControllerLocateObject::TcxDataControllerLocateObject;
  int32_t FindRecordIndex() override;
  std::vector<TcxCustomDataField*> KeyFields;
};

// Finds a record of a group by the grouping values of its path, outermost first: a search by halving over
// the record list (grouped records lie together there), or a scan over the first level + 1 grouping fields
// when a grouping field sorts by display text (the list is not in value order then).
class TcxDataControllerGroupLocateObject : public TcxDataControllerLocateObject {
  RTL_CLASS(TcxDataControllerGroupLocateObject, TcxDataControllerLocateObject)
public:
  using TcxDataControllerLocateObject::TcxDataControllerLocateObject;
  void AfterConstruction() override;
  int32_t FindRecordIndex() override;
  void SetLevel(int32_t ALevel);
  int32_t Level() const { return FLevel; }
  bool BinarySearch() const { return FBinarySearch; }
  const std::vector<TcxCustomDataField*>& GroupingFields() const { return FGroupingFields; }

private:
  void PrepareComparedFields();

  std::vector<TcxCustomDataField*> FGroupingFields;
  std::vector<TcxCustomDataField*> FComparedFields;
  bool FBinarySearch = true;
  int32_t FLevel = 0;
};

// ---------------------------------------------------------------------------------------------------
// Detail relations

class TcxCustomDataRelationList;

class TcxCustomDataRelation : public TObject {
  RTL_CLASS(TcxCustomDataRelation, TObject)
public:
  TcxCustomDataRelation(TcxCustomDataRelationList* ARelations, TObject* AItem)
      : FItem(AItem), FOwnerRelations(ARelations) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;
  virtual void FieldDestroyed(TcxCustomDataField* AField) { (void)AField; }
  virtual void DoReserved2(TcxCustomDataRelation* ASource) { (void)ASource; }
  void Changed();
  TcxCustomDataController* GetDataController() const;
  int32_t Index() const;
  TcxCustomDataController* BoundDetailController() const { return FBoundDetailController; }
  void SetBoundDetailController(TcxCustomDataController* AValue) { FBoundDetailController = AValue; }
  TObject* Item() const { return FItem; }
  TcxCustomDataRelationList* OwnerRelations() const { return FOwnerRelations; }

private:
  friend class TcxCustomDataRelationList;
  TcxCustomDataController* FBoundDetailController = nullptr;
  TObject* FItem;
  TcxCustomDataRelationList* FOwnerRelations;
};

class TcxDetailInfoObject : public TObject {
  RTL_CLASS(TcxDetailInfoObject, TObject)
public:
  ~TcxDetailInfoObject() override;
  TObject* LinkedObject = nullptr;  // owned
  bool HasRecords = false;
  bool HasRecordsKnown = false;
};

class TcxDetailObject : public TObject {
  RTL_CLASS(TcxDetailObject, TObject)
public:
  ~TcxDetailObject() override { Clear(); }
  void Clear();
  bool InvalidateCaches();
  void FreeInfoObject(int32_t AIndex);
  void SetRelationCount(int32_t ACount);
  TcxDetailInfoObject* DetailInfoList(int32_t AIndex) const;
  int32_t InfoCount() const { return static_cast<int32_t>(FDetailInfoList.size()); }
  bool IsEmpty() const;
  TObject* LinkObjects(int32_t AIndex) const;
  void SetInfoObject(int32_t AIndex, TcxDetailInfoObject* AInfo);
  void SetLinkObject(int32_t AIndex, TObject* ALinkObject);

  int32_t CurrentRelationIndex = -1;
  bool Expanded = false;

private:
  std::vector<TcxDetailInfoObject*> FDetailInfoList;
};

class TcxCustomDataRelationList : public TObject {
  RTL_CLASS(TcxCustomDataRelationList, TObject)
public:
  explicit TcxCustomDataRelationList(TcxCustomDataController* AController) : FDataController(AController) {}
  ~TcxCustomDataRelationList() override;

  TcxCustomDataRelation* Add(TObject* AItem);
  void Assign(TcxCustomDataRelationList* AOther);
  void BeginUpdate() { ++FUpdateLock; }
  void EndUpdate();
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TcxCustomDataRelation* Items(int32_t AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  TcxCustomDataRelation* FindByItem(TObject* AItem) const;
  TcxDetailObject* GetDetailObject(int32_t ARecordIndex);
  TcxDetailObject* PeekDetailObject(int32_t ARecordIndex);
  bool ClearDetailObject(int32_t ARecordIndex, int32_t ARelationIndex);
  bool IsDetailAvailable(int32_t ARecordIndex, int32_t ARelationIndex);
  bool HasNoDetailControllers();
  void FieldDestroyed(TcxCustomDataField* AField);
  void Changed(TcxCustomDataRelation* ARelation);
  void RemoveRelation(TcxCustomDataRelation* ARelation);
  TcxCustomDataController* DataController() const { return FDataController; }
  TcxCustomDataField* DetailField() const { return FDetailField; }

private:
  friend class TcxCustomDataRelation;
  TcxCustomDataController* FDataController;
  TcxCustomDataField* FDetailField = nullptr;
  std::vector<TcxCustomDataRelation*> FItems;
  int32_t FUpdateLock = 0;
  bool FDestroying = false;
};

// ---------------------------------------------------------------------------------------------------
// The row view

// Row view change bits.
enum : uint16_t {
  dcicLoad = 0x0001,
  dcicGrouping = 0x0002,
  dcicSorting = 0x0004,
  dcicFocusedRow = 0x0008,
  dcicView = 0x0010,
  dcicExpanding = 0x0020,
  dcicResetFocusedRow = 0x0040,
  dcicSelection = 0x0080,
  dcicSummary = 0x0100,
  dcicFocusedRecord = 0x0200,
};

class TcxCustomDataControllerInfo : public TObject {
  RTL_CLASS(TcxCustomDataControllerInfo, TObject)
public:
  explicit TcxCustomDataControllerInfo(TcxCustomDataController* AController);
  ~TcxCustomDataControllerInfo() override;
  void AfterConstruction() override;

  virtual void CheckSelection();
  virtual void Update();

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  bool IsLocked() const { return FLockCount > 0; }
  void CheckUpdate();
  void DataChanged();
  void CheckFocusing();
  void MarkChanged(bool AFlag);
  void MarkFocusedRecordChanged(bool ANewItemRow);
  void CheckRowIndex(int32_t ARow) const;
  uint16_t Changes() const { return FChanges; }

  // Sorting and grouping.
  void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder AOrder);
  void ChangeSortIndex(TcxCustomDataField* AField, int32_t AIndex);
  void ClearSorting(bool AKeepGroupedItems);
  void ChangeGrouping(TcxCustomDataField* AField, int32_t AGroupIndex);
  void ClearGrouping();
  void RemoveField(TcxCustomDataField* AField);
  void RecheckField(TcxCustomDataField* AField);
  TcxSortingFieldList* SortingFieldList() const { return FSortingFieldList; }
  TcxGroupingFieldList* GroupingFieldList() const { return FGroupingFieldList; }
  TcxSortingFieldList* TotalSortingFieldList() const { return FTotalSortingFieldList; }
  TcxDataGroups* DataGroups() const { return FDataGroups; }
  bool IsGrouped() const { return FGroupingFieldList->Count() > 0; }

  // Expanding.
  void ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive);
  void FullExpand();
  void FullCollapse();

  // Selection.
  void ChangeRowSelection(int32_t ARow, bool ASelect);
  void ClearSelection();
  TcxDataSelection* GetSelection() const { return FSelection; }
  int32_t GetSelectedCount() const { return FSelection->GetCount(); }
  int32_t GetSelectedRowIndex(int32_t I) const { return FSelection->Items(I).RowIndex; }
  bool IsRowSelected(int32_t ARow) const;
  void RefreshSelectionRows();

  // Focus.
  void ChangeFocusedRow(int32_t ARow, bool AForce);
  void ResetFocusing();
  int32_t GetFocusedRowIndex() const { return FFocusingInfo->RowIndex; }
  int32_t GetFocusedRecordIndex() const;
  bool CanFocusRow(int32_t ARow);
  TcxDataFocusingInfo* FocusingInfo() const { return FFocusingInfo; }
  TcxDataFocusingInfo* PrevFocusingInfo() const { return FPrevFocusingInfo; }

  // Rows.
  int32_t GetRowCount() const;
  void GetRowInfo(int32_t ARow, TcxRowInfo& AInfo) const;
  int32_t GetNearestRowIndex(int32_t ARow) const;
  int32_t GetRowIndexByRecordIndex(int32_t ARecordIndex, bool AMakeVisible);
  int32_t GetRecordListCount() const { return static_cast<int32_t>(FRecordList.size()); }
  int32_t GetRecordListItem(int32_t I) const { return FRecordList.at(static_cast<size_t>(I)); }
  int32_t IndexOfRecord(int32_t ARecordIndex) const;
  const std::vector<int32_t>& RecordList() const { return FRecordList; }

  // Record comparison, as the sort and the group building use it.
  int32_t CompareRecords(int32_t A, int32_t B);
  int32_t CompareGroupRecords(int32_t A, int32_t B, int32_t ALevel);

private:
  void PrepareExpandingSave();
  void RestoreExpanding();
  void CheckFocusedRow();
  int32_t FindFocusedRow(bool AForCollapse);
  void DoSort();
  void DoGrouping();
  void ApplyFilters();
  void PrepareCompareCaches();
  void ClearCompareCaches();
  void TranslateChanges(uint16_t AChanges);
  void SyncGroupingOrders() { FGroupingFieldList->SyncSortOrders(FSortingFieldList); }
  void GroupingChanged();
  void SortingChanged();
  void SelectionChanged();
  bool BuildSortKeys();
  void FreeSortKeys();
  int32_t CompareKeyed(int32_t A, int32_t B, int32_t AFrom, int32_t ATo) const;
  std::vector<Variant> GroupPathOf(int32_t AGroupIndex) const;

  uint16_t FChanges = 0;
  TcxCustomDataController* FDataController;
  TcxDataGroups* FDataGroups = nullptr;
  TcxDataExpandingInfos* FExpandingInfo = nullptr;
  bool FExpandingChanged = false;
  bool FFocusChanging = false;
  TcxDataFocusingInfo* FFocusingInfo = nullptr;
  TcxGroupingFieldList* FGroupingFieldList = nullptr;
  int32_t FLockCount = 0;
  TcxDataFocusingInfo* FPrevFocusingInfo = nullptr;
  std::vector<int32_t> FRecordList;
  TcxDataSelection* FSelection = nullptr;
  TcxSortingFieldList* FSortingFieldList = nullptr;
  TcxSortingFieldList* FTotalSortingFieldList = nullptr;
  bool FInUpdate = false;

  // Sort keys of the total key, one column per entry, indexed by record (the fast compare path).
  struct TSortKeyColumn;
  std::vector<TSortKeyColumn*> FSortKeys;
};

class TcxDataControllerGroups : public TObject {
  RTL_CLASS(TcxDataControllerGroups, TObject)
public:
  explicit TcxDataControllerGroups(TcxCustomDataController* AController) : FDataController(AController) {}
  void ChangeExpanding(int32_t ARow, bool AExpanded, bool ARecursive);
  void ChangeGrouping(int32_t AItemIndex, int32_t AGroupIndex);
  void ClearGrouping();
  void FullExpand();
  void FullCollapse();
  int32_t GetGroupingItemCount() const;
  int32_t GetGroupingItemIndex(int32_t ALevel) const;
  int32_t GetItemGroupIndex(int32_t AItemIndex) const;
  int32_t GetDataGroupIndexByRowIndex(int32_t ARow) const;
  int32_t GetLevelByGroupIndex(int32_t AIndex) const;
  int32_t GetGroupChildCount(int32_t AGroupIndex) const;
  int32_t GetChildGroupIndex(int32_t AGroupIndex, int32_t I) const;
  int32_t GetChildRecordIndex(int32_t AGroupIndex, int32_t I) const;
  bool IsRowInGroup(int32_t ARow, int32_t AGroupRow) const;
  void GetGroupRecords(std::vector<int32_t>& AList, int32_t ARow) const;

private:
  TcxDataGroups* Groups() const;
  TcxCustomDataController* FDataController;
};

// ---------------------------------------------------------------------------------------------------
// The controller

// Controller change bits.
enum : uint16_t {
  dccLayout = 0x0001,
  dccData = 0x0002,
  dccFocus = 0x0004,
  dccSelection = 0x0008,
  dccDetail = 0x0010,
  dccSummary = 0x0020,
  dccSearch = 0x0040,
  dccSorting = 0x0080,
  dccGrouping = 0x0100,
  dccSyncMasterFocus = 0x0200,
  dccBookmark = 0x0400,
  dccUpdateRecord = 0x0800,
};

class TcxCustomDataController : public TPersistent {
  RTL_CLASS(TcxCustomDataController, TPersistent)
public:
  explicit TcxCustomDataController(TComponent* AOwner);
  ~TcxCustomDataController() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* ASource) override;
  TComponent* GetOwner() const { return FOwner; }

  // Class factories.
  virtual TcxCustomDataProvider* CreateDataProvider();
  virtual TcxDataSelection* CreateDataSelection();
  virtual TcxCustomDataField* CreateField();
  virtual TcxDataFilterCriteria* CreateFilter();
  virtual TcxDataSummary* CreateSummary();
  virtual TcxDataControllerSearch* CreateSearch();
  virtual TCollectionItemClass GetSummaryItemClass();
  virtual TCollectionItemClass GetSummaryGroupItemLinkClass();

  // Items and fields.
  virtual TcxCustomDataField* AddItem(TObject* AItem);
  virtual void RemoveItem(TObject* AItem);
  virtual void UpdateItemIndexes();
  virtual TObject* GetItem(int32_t AIndex);
  virtual int32_t GetItemCount();
  virtual int32_t GetItemID(TObject* AItem) {
    (void)AItem;
    return -1;
  }
  virtual String GetItemCaption(int32_t AItemIndex) {
    (void)AItemIndex;
    return String();
  }
  virtual bool GetItemSortByDisplayText(int32_t AItemIndex, bool ADefault) {
    (void)AItemIndex;
    return ADefault;
  }
  virtual bool CanEditItem(int32_t AItemIndex) {
    (void)AItemIndex;
    return true;
  }
  virtual void ChangeValueTypeClass(int32_t AItemIndex, TcxValueTypeClass AClass);
  // Told after an item's value type changed (the owner's items refresh what depends on it).
  virtual void DoValueTypeClassChanged(int32_t AItemIndex) { (void)AItemIndex; }
  virtual void ChangeTextStored(int32_t AItemIndex, bool AValue);
  virtual void ChangeItemCompareFlag(int32_t AItemIndex, bool AValue);
  TcxValueTypeClass GetItemValueTypeClass(int32_t AItemIndex);
  bool GetItemTextStored(int32_t AItemIndex);
  bool IsItemTextStored(int32_t AItemIndex) { return GetItemTextStored(AItemIndex); }
  TObject* FindItemByID(int32_t AID);
  TObject* FindItemByItemID(TObject* AItem) { return FindItemByID(GetItemID(AItem)); }
  void CheckItemRange(int32_t AItemIndex);
  TcxCustomDataField* Fields(int32_t AItemIndex);
  TcxCustomDataFieldList* Fields() const { return FFields; }
  virtual void RemoveFieldReferences(TcxCustomDataField* AField);
  virtual void NotifyFieldList(TComponent* AComponent);
  virtual std::vector<TcxCustomDataField*> GetKeyFields() { return {}; }

  // Records and values.
  void CheckRecordRange(int32_t ARecordIndex);
  virtual Variant GetValue(int32_t ARecordIndex, int32_t AItemIndex);
  virtual String GetDisplayText(int32_t ARecordIndex, int32_t AItemIndex);
  virtual void SetValue(int32_t ARecordIndex, int32_t AItemIndex, const Variant& AValue);
  virtual void SetDisplayText(int32_t ARecordIndex, int32_t AItemIndex, const String& AText);
  virtual int32_t GetRecordCount();
  virtual void SetRecordCount(int32_t ACount);
  int32_t AppendNewRecord();
  int32_t InsertRecordAt(int32_t AIndex);
  virtual void DeleteStorageRecord(int32_t ARecordIndex);
  void DeleteRecordAt(int32_t ARecordIndex);
  virtual Variant GetRecordId(int32_t ARecordIndex);
  virtual Variant GetRecordValues(int32_t ARecordIndex, const std::vector<TcxCustomDataField*>& AFields);
  Variant GetGroupingValue(int32_t ARecordIndex, TcxCustomDataField* AField) { return GetFieldValue(ARecordIndex, AField); }
  virtual void GetGroupingValues(int32_t ARecordIndex, TcxDataSummaryValues& AValues);
  virtual void CopyRecordData(int32_t AFromRecordIndex, int32_t AToRecordIndex);
  virtual Variant GetFieldValue(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual String GetFieldDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual bool IsProviderField(TcxCustomDataField* AField);
  Variant GetStoredValue(int32_t ARecordIndex, TcxCustomDataField* AField);
  String GetStoredDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual void WriteValueToSource(int32_t ARecordIndex, TcxCustomDataField* AField, const Variant& AValue);
  TcxDataStorage* DataStorage() const { return FDataStorage; }

  // Editing.
  virtual void Edit();
  virtual void Insert();
  virtual void Append();
  virtual void Post();
  virtual void Cancel();
  virtual void DeleteFocused();
  virtual void DeleteSelection();
  void DeleteRecords(std::vector<int32_t> AList);
  void DeleteFocusedRecord();
  virtual Variant GetEditValue(int32_t AItemIndex, TcxDataEditValueSource AEditValueSource = evsValue);
  virtual bool SetEditValue(int32_t AItemIndex, const Variant& AValue, TcxDataEditValueSource AEditValueSource);
  virtual bool CanInitEditing(int32_t AItemIndex);
  virtual void UpdateData();
  virtual int32_t GetEditingRecordIndex();
  virtual int32_t GetFocusedDataRecordIndex();
  virtual int32_t GetNewItemRecordIndex();
  virtual bool CanFocusRecord(int32_t ARecordIndex);
  virtual int32_t GetEditState();
  virtual int32_t GetEditOperations();
  bool IsEditing();
  bool IsImmediatePost() { return FOptions.Contains(dcoImmediatePost) || FProvider->NeedsImmediatePost(); }
  void SetNewItemRowFocused(bool AValue);
  bool IsNewItemRowFocused() const { return FNewItemRowFocused; }
  bool IsNewItemRowEditing() { return FUseNewItemRowForEditing && FNewItemRowFocused; }
  void SetUseNewItemRowForEditing(bool AValue);
  void SetNewItemRowUsed(bool AValue) { SetUseNewItemRowForEditing(AValue); }
  bool UseNewItemRowForEditing() const { return FUseNewItemRowForEditing; }
  void PostEditingData();
  int32_t NearestRecordIndex() const { return FNearestRecordIndex; }
  void SetNearestRecordIndex(int32_t AValue) { FNearestRecordIndex = AValue; }
  virtual void DoUpdateData() {}
  virtual void CheckBrowseMode() {}
  virtual void SyncDataSetCurrent() {}
  virtual bool CanSelectRow(int32_t ARow) {
    (void)ARow;
    return true;
  }
  virtual bool CanChangeFocusedRow() { return true; }
  // Whether a focus move in sync mode also focuses the focused record's open details (the owning view
  // answers); false here.
  virtual bool GetFlag82() { return false; }
  // Asked when the data asks for an item's editor to be focused: the owning view starts editing the item
  // and answers whether it did. No view here: false.
  virtual void GetItemFlag150(int32_t AItemIndex, bool& AResult) {
    (void)AItemIndex;
    AResult = false;
  }
  // Action support of the owning view; nothing handled here.
  virtual bool ExecuteAction(TObject* AAction) {
    (void)AAction;
    return false;
  }
  virtual bool UpdateAction(TObject* AAction) {
    (void)AAction;
    return false;
  }
  // Has the data source re-read its data; the unbound controller has none.
  virtual void RefreshSource() {}
  // Lets a detail make sure its source shows its master record's rows (empty here).
  virtual void CheckDetailSync() {}
  virtual void CheckEditingRecordIndex(int32_t ARecordIndex);

  // Navigation and focus.
  void GotoFirst();
  void GotoLast();
  void GotoNext();
  void GotoPrev();
  void MoveFocusedRowBy(int32_t ADistance);
  void MoveFocusBy(int32_t ADistance) { MoveFocusedRowBy(ADistance); }
  void MoveBy(int32_t ADistance);
  bool IsBOF();
  bool IsEOF();
  bool ChangeFocusedRowIndex(int32_t ARow);
  void ChangeFocusedRecordIndex(int32_t ARecordIndex);
  virtual int32_t GetSyncFocusedRecordIndex();
  int32_t GetFocusedRowIndex() const;
  int32_t GetFocusedRecordIndex() const;
  virtual int32_t GetFocusedRecordIndexVirtual() { return GetFocusedRecordIndex(); }
  void FocusFirstRowIfNone();
  int32_t GetRowCount() const;
  TcxRowInfo GetRowInfo(int32_t ARow) const;
  int32_t GetRowIndexByRecordIndex(int32_t ARecordIndex, bool AMakeVisible);
  int32_t GetNearestRowIndex(int32_t ARow) const;
  String GetRowDisplayText(const TcxRowInfo& ARowInfo, int32_t& AItemIndex);
  Variant GetRowValue(const TcxRowInfo& ARowInfo, int32_t AItemIndex);
  virtual void ForEachRow(bool ASelectedOnly, const TcxForEachRowProc& AProc);
  virtual void CheckFocusing();
  void UpdateFocusing() { CheckFocusing(); }

  // Sorting and grouping.
  void ChangeSorting(int32_t AItemIndex, TcxDataSortOrder AOrder);
  void ClearSorting(bool AKeepGroupedItems);
  TcxDataSortOrder GetItemSortOrder(int32_t AItemIndex);
  int32_t GetItemSortingIndex(int32_t AItemIndex);
  int32_t GetSortingItemCount() const;
  int32_t GetSortingItemIndex(int32_t I) const;
  void ChangeItemSortingIndex(int32_t AItemIndex, int32_t AIndex);
  bool RefreshItemSorting(int32_t AItemIndex);
  TcxDataControllerGroups* Groups() const { return FGroups; }
  TcxCustomDataControllerInfo* DataControllerInfo() const { return FDataControllerInfo; }

  // Record comparison (the row view's compare path).
  virtual int32_t CompareByField(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField);
  virtual int32_t CompareEqualRecords(int32_t ARecordIndex1, int32_t ARecordIndex2) { return ARecordIndex1 - ARecordIndex2; }
  virtual int32_t CompareRecordsBySortInfo(int32_t ARecordIndex1, int32_t ARecordIndex2, const TcxDataSortInfo& AInfo);
  virtual Variant GetCompareValue(int32_t ARecordIndex, TcxCustomDataField* AField);
  virtual bool NeedsCustomCompare(TcxCustomDataField* AField);
  virtual bool IsFieldStringCompare(TcxCustomDataField* AField);
  virtual bool IsFieldSortByDisplayText(TcxCustomDataField* AField);
  int32_t CompareStringValues(const Variant& V1, const Variant& V2);
  int32_t CompareStoredValues(int32_t ARecordIndex1, int32_t ARecordIndex2, TcxCustomDataField* AField);

  // Filtering hooks.
  virtual bool DoFilterRecord(int32_t ARecordIndex);
  bool HasFilterRecordHandler() const { return OnFilterRecord.Assigned(); }
  virtual void FilterChanged();
  TcxDataFilterCriteria* Filter() const { return FFilter; }
  TcxDataSummary* Summary() const { return FSummary; }
  TcxDataControllerSearch* Search() const { return FSearch; }
  // The extra filters (made on first use); they never narrow the row view.
  TcxDataFilterList* FilterList() const { return FFilterList; }
  TcxDataFilterList* GetFilterList();

  // Selection.
  bool IsSingleSelection() const { return !FMultiSelect; }
  bool GetMultiSelect() const { return FMultiSelect; }
  int32_t GetSelectedCount() const;
  virtual int32_t GetSelectedRowIndex(int32_t I) const;
  bool IsRowSelected(int32_t ARow) const;
  void SetFocusedSelected(bool AValue);
  void ChangeMultiSelect(bool AValue);
  void ChangeRowSelection(int32_t ARow, bool ASelect);
  virtual void SelectAll();
  void SelectRows(int32_t AFrom, int32_t ATo);
  virtual void SetSelectionAnchor(int32_t ARow);
  virtual int32_t GetSelectionAnchorRowIndex() const;
  virtual bool IsSelectionAnchorSet() const { return GetSelectionAnchorRowIndex() != -1; }
  virtual void SelectFromAnchor(int32_t ARow, bool AKeepSelection);
  void SelectFocusedRowOnly();
  void ResyncSelectionToFocus();
  virtual bool FocusSelectedRow(int32_t I);
  void ClearSelection();
  virtual Variant GetSelectedRecordKey(int32_t ARecordIndex) { return ARecordIndex; }

  // Bookmark.
  bool SaveBookmark();
  void SaveBookmarkAndNotify();
  void ClearBookmark();
  void ClearBookmarkAndNotify();
  bool IsBookmarkAvailable() const { return FBookmarkRecordIndex != -1; }
  void GotoBookmark();
  bool IsBookmarkRow(int32_t ARow) const;
  virtual void CheckBookmark(int32_t ARecordIndex);
  virtual bool IsBookmarkAffected(int32_t ARecordIndex);

  // Update locking.
  void LockInfo() { FDataControllerInfo->BeginUpdate(); }
  void UnlockInfo();
  virtual void BeginUpdate() { LockInfo(); }
  virtual void EndUpdate() { UnlockInfo(); }
  bool IsInfoLocked() const { return FDataControllerInfo->IsLocked(); }
  void BeginFullUpdate();
  void EndFullUpdate();
  void LockUpdateFields() { ++FUpdateFieldsLockCount; }
  void UnlockUpdateFields();
  void BeginUpdateFields() { LockUpdateFields(); }
  void EndUpdateFields() { UnlockUpdateFields(); }
  void BeginProviderUpdate() { FProvider->LockNotify(); }
  void EndProviderUpdate() { FProvider->UnlockNotify(); }
  void LockDataChangedNotify() { ++FDataChangedLockCount; }
  void UnlockDataChangedNotify() { --FDataChangedLockCount; }
  bool IsDataChangedLocked() const { return FDataChangedLockCount != 0; }
  // While the provider's notifications are held (BeginProviderUpdate), a view leaves its own changes alone.
  bool IsProviderLocked() const { return FProvider->LockNesting() != 0; }
  void BeginLocate();
  void EndLocate();
  void BeginLookupUpdate() { ++FLookupUpdateCount; }
  void EndLookupUpdate() { --FLookupUpdateCount; }
  virtual void Refresh();

  // Structure and loading.
  virtual void SetActive(bool AValue);
  bool Active() const { return FActive; }
  virtual void LayoutChanged(int32_t AKind);
  void UpdateItemsStructure(bool AProviderActive);
  void UpdateItemsCore(bool AProviderActive);
  virtual void UpdateFields();
  virtual void UpdateField(TcxCustomDataField* AField) { (void)AField; }
  virtual void UpdateStructure();
  virtual void ReloadStorage();
  virtual void DataLoaded();
  virtual void DoDataLoaded() {}
  void BeginReadRecords();
  int32_t AppendLoadedRecord(TcxValueDefReader* AReader);
  void EndReadRecords();
  void SetCustomDataSource(TcxCustomDataSource* ASource) { FProvider->SetCustomDataSource(ASource); }
  TcxCustomDataSource* CustomDataSource() const { return FProvider->CustomDataSource(); }
  virtual bool IsProviderMode() { return FProvider->CustomDataSource() != nullptr; }
  virtual bool IsGridMode() { return FProvider->IsGridMode(); }
  virtual bool IsKeyFieldMode() { return IsProviderMode() && FProvider->IsRecordIdSupported(); }
  virtual bool IsSmartLoad() { return FProvider->CanKeepLoadedRecords() && !IsProviderMode(); }
  virtual bool GetFlag70() { return IsProviderMode() || FStructureRecreated; }
  // A structure change that waits in grid mode until the change bits are flushed: the reload it needs is
  // made then. A dataset-bound descendant adds its own reasons.
  virtual bool IsGridModeStructureChanged() { return IsGridMode() && FGridModeStructureChanged; }
  virtual bool GetFlag72() { return false; }
  virtual bool GetFlag73() { return false; }
  virtual bool NeedsRecordID() { return false; }
  bool UseRecordIDs() { return IsSmartLoad() && NeedsRecordID(); }
  void UpdateUseRecordIDs() { FDataStorage->SetRecordIdsOn(UseRecordIDs()); }
  virtual bool IsLoading() const;
  virtual bool IsDestroying() const;
  bool IsReading() const;
  void SetPatternMode(bool AValue);
  int32_t GetPatternKind() const { return FPatternMode ? 1 : 0; }
  bool IsPattern() const { return GetPatternKind() == 1; }
  TcxCustomDataProvider* Provider() const { return FProvider; }
  TcxCustomDataField* RecordHandleField() const { return FRecordHandleField; }
  void ResetNewItemRecord(TObject* ASender);

  // Change notifications.
  void Change(uint16_t AChanges);
  void CheckChanges();
  virtual void UpdateControl(TcxUpdateControlInfo* AInfo);
  void SendUpdateControlInfo(TcxUpdateControlInfo* AInfo);
  virtual void DataChanged(TcxDataChange AKind, int32_t AItemIndex, int32_t ARecordIndex);
  // The row view changed: true asks the views to repaint, false for a recalculation (summaries included).
  virtual void MarkInfoChanged(bool AOneItem);
  virtual void NotifyDataChanged();
  virtual void DoDeferredNotifications();
  bool HasDataChangedHandlers() const;
  void ResetDataChangeInfo();
  void RefreshPrevSelectionInfo();
  void AddDataChangedListener(TObject* AInstance, const TNotifyEvent& AMethod);
  void RemoveDataChangedListener(TObject* AInstance, const TNotifyEvent& AMethod);
  void AddChangeListener(const TNotifyEvent& AMethod) { AddDataChangedListener(AMethod.Data(), AMethod); }
  void RemoveChangeListener(const TNotifyEvent& AMethod) { RemoveDataChangedListener(AMethod.Data(), AMethod); }
  TcxDataListenerLink* AddListenerLink();
  static void RemoveListenerLink(TcxDataListenerLink* ALink);
  bool IsDelivering() const { return FDelivering; }
  void SetSortingChanged() { FSortingChanged = true; }
  void SetGroupingChanged() { FGroupingChanged = true; }
  bool SortingChangedFlag() const { return FSortingChanged; }
  bool GroupingChangedFlag() const { return FGroupingChanged; }
  bool StorageReloadedFlag() const { return FStorageReloaded; }
  void ClearUpdateFlags();
  bool RefocusPending() const { return FRefocusPending; }
  void SetRefocusPending(bool AValue) { FRefocusPending = AValue; }
  bool SelectionDeleting() const { return FSelectionDeleting; }
  bool InReloadNotice() const { return FReloadNoticeGuard; }
  int32_t LocateCount() const { return FLocateCount; }
  void SetAfterSummaryPending(bool AValue) { FAfterSummaryPending = AValue; }

  // Incremental filter and the filter's item side.
  virtual Variant GetFilterDataValue(int32_t ARecordIndex, TcxCustomDataField* AField) {
    return GetFieldValue(ARecordIndex, AField);
  }
  virtual String GetFilterDisplayText(int32_t ARecordIndex, int32_t AItemIndex) { return GetDisplayText(ARecordIndex, AItemIndex); }
  // GetFilterDataValue of a text field without copying the text (nullptr: Null); false when the value
  // comes from elsewhere. A descendant that overrides GetFilterDataValue overrides this too.
  virtual bool GetFilterDataTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) {
    return GetStoredTextRef(ARecordIndex, AField, AText);
  }
  // The value of a text field in this controller's own storage, which is also its display text (the
  // field keeps no separate one): nullptr for Null. False in provider and grid mode and for other fields.
  bool GetStoredTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText);
  virtual String GetItemFilterName(int32_t AItemIndex) { return GetItemCaption(AItemIndex); }
  virtual bool IsItemSortedByText(int32_t AItemIndex) { return IsFieldSortByDisplayText(Fields(AItemIndex)); }
  virtual bool IsIncrementalFilterMatch(int32_t ARecordIndex);
  int32_t SetIncrementalFilter(int32_t AItemIndex, const String& AText);
  void ResetIncrementalFilter();
  bool HasIncrementalFilter() const { return FIncrementalFilterField != nullptr && !FIncrementalFilterText.empty(); }
  const String& GetIncrementalFilterText() const { return FIncrementalFilterText; }
  TcxCustomDataField* IncrementalFilterField() const { return FIncrementalFilterField; }
  // A new text for the running incremental filter: applied when an item is filtered and the text differs;
  // true when it was (the lookup grid refreshes its filter through it).
  bool ChangeIncrementalFilterText(const String& AText);
  // The records the filters let through.
  int32_t GetFilteredRecordCount() const;

  // Search and locate.
  virtual int32_t FindRowByText(int32_t AStartIndex, int32_t AItemIndex, const String& AText, bool APartialCompare,
                                bool AWrap, bool AForward);
  virtual String GetSearchDisplayText(int32_t ARecordIndex, TcxCustomDataField* AField) {
    return GetFieldDisplayText(ARecordIndex, AField);
  }
  // GetSearchDisplayText without a copy when the display text is the stored text (nullptr: empty);
  // false otherwise. A descendant that overrides GetSearchDisplayText overrides this too.
  virtual bool GetSearchDisplayTextRef(int32_t ARecordIndex, TcxCustomDataField* AField, const String*& AText) {
    return GetStoredTextRef(ARecordIndex, AField, AText);
  }
  virtual bool SearchInProvider(const String& AText, bool AForward, bool ANext) {
    (void)AText;
    (void)AForward;
    (void)ANext;
    return false;
  }
  int32_t LocateRecordByFields(int32_t ARecordIndex, const std::vector<TcxCustomDataField*>& AFields);
  // A record of the row view whose first ALevelCount grouping values equal those of ARecordIndex (any
  // record of that group, not necessarily its first); -1 when none. The record list must be grouped.
  int32_t LocateGroupRecord(int32_t ARecordIndex, int32_t ALevelCount);
  // While set, comparisons use values, never display texts.
  bool CompareByValue() const { return FCompareByValue; }
  void SetCompareByValue(bool AValue) { FCompareByValue = AValue; }
  TcxCustomDataField* IncrementalSearchField() const { return FIncrementalSearchField; }
  void SetIncrementalSearchField(TcxCustomDataField* AField) { FIncrementalSearchField = AField; }
  bool IncrementalSearching() const { return FIncrementalSearching; }
  void SetIncrementalSearching(bool AValue) { FIncrementalSearching = AValue; }
  const String& IncrementalSearchText() const { return FIncrementalSearchText; }
  void SetIncrementalSearchText(const String& AValue) { FIncrementalSearchText = AValue; }
  int32_t GetRecordListIndexOfFocused() const;

  // Master-detail.
  virtual TcxCustomDataRelation* CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem);
  virtual TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int32_t ARecordIndex) {
    (void)ARelation;
    (void)ARecordIndex;
    return nullptr;
  }
  virtual TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) {
    (void)ALinkObject;
    return nullptr;
  }
  virtual int32_t GetDefaultActiveRelationIndex() { return 0; }
  virtual bool CanChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded);
  virtual void SetMasterRelation(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex);
  virtual void ShiftDetailsAfterInsert(int32_t ARecordIndex);
  virtual void ShiftDetailsAfterDelete(int32_t ARecordIndex);
  virtual void ResetDetailsMasterRelation(TcxCustomDataRelation* ARelation);
  virtual bool CheckDetailsBrowseMode();
  virtual void DetailDataChanged(TcxCustomDataRelation* ARelation);
  virtual void RelationRemoving(TcxCustomDataRelation* ARelation);
  TcxCustomDataRelationList* GetRelations();
  TcxCustomDataRelationList* Relations() const { return FRelations; }
  TcxCustomDataRelation* GetMasterRelation() const { return FMasterRelation; }
  int32_t GetMasterRecordIndex() const { return FMasterRecordIndex; }
  bool IsDetailMode() const { return FMasterRelation != nullptr; }
  // Set while a link object (and with it a detail clone) is being made for one of the records.
  bool IsCreatingDetail() const { return FCreatingDetail; }
  TcxCustomDataController* GetMasterDataController() const;
  TcxCustomDataController* GetRootDataController();
  TcxCustomDataController* GetPatternDataController();
  void LinkToMasterRelation(TcxCustomDataRelation* ARelation, bool APatternMode);
  bool GetDetailExpanding(int32_t ARecordIndex);
  bool ChangeDetailExpanding(int32_t ARecordIndex, bool AExpanded);
  int32_t GetDetailActiveRelationIndex(int32_t ARecordIndex);
  void ChangeDetailActiveRelationIndex(int32_t ARecordIndex, int32_t AIndex);
  bool GetDetailHasChildren(int32_t ARecordIndex, int32_t ARelationIndex);
  void ResetDetailHasChildren();
  bool HasDetailDataController(int32_t ARecordIndex, int32_t ARelationIndex);
  TObject* GetDetailLinkObject(int32_t ARecordIndex, int32_t ARelationIndex);
  TcxCustomDataController* GetDetailDataController(int32_t ARecordIndex, int32_t ARelationIndex);
  void ClearDetailLinkObject(int32_t ARecordIndex, int32_t ARelationIndex);
  void ClearDetailLinkObjects();
  void CollapseDetails();
  void FocusDetails(int32_t ARecordIndex);
  void DetailChangedForItem(TObject* AItem);
  using TcxDetailProc = Event<void*, TcxCustomDataController*>;
  void ForEachDetail(TcxCustomDataRelation* ARelation, const TcxDetailProc& AProc, void* AData);
  // The internal field that holds each record's detail object (made and freed by the relation list).
  TcxCustomDataField* AddDetailField();
  void ResetDetailState();

  // Stream.
  void SaveToStream(TMemoryStream* AStream);
  void LoadFromStream(TMemoryStream* AStream);

  // Options.
  TcxDataControllerOptions GetOptions() const { return FOptions; }
  void SetOptions(TcxDataControllerOptions AValue);
  TcxDataControllerOptions Options() const { return FOptions; }

  // Events.
  TcxDataControllerNotifyEvent OnAfterCancel, OnAfterDelete, OnAfterInsert, OnAfterPost, OnBeforeCancel, OnBeforeInsert,
      OnBeforePost;
  TcxDataControllerRecordEvent OnBeforeDelete, OnNewRecord;
  TcxDataControllerCompareEvent OnCompare;
  TNotifyEvent OnDataChanged;
  TcxDataDetailExpandingEvent OnDetailCollapsing, OnDetailExpanding;
  TcxDataControllerRecordEvent OnDetailCollapsed, OnDetailExpanded;
  TcxDataFilterRecordEvent OnFilterRecord;
  TNotifyEvent OnGroupingChanged, OnSortingChanged;
  TcxDataRecordChangedEvent OnRecordChanged;
  TcxUpdateControlEvent OnUpdateControl;  // the owning view's update-control handler

  virtual void DoAfterCancel();
  virtual void DoAfterDelete();
  virtual void DoAfterInsert();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoBeforeDelete(int32_t ARecordIndex);
  virtual void DoBeforeInsert();
  virtual void DoBeforePost();
  virtual void DoNewRecord(int32_t ARecordIndex);

protected:
  friend class TcxCustomDataProvider;
  friend class TcxCustomDataControllerInfo;
  TcxCustomDataField* AddField();
  TcxCustomDataField* AddInternalField();
  void FlushChanges();
  void NotifyDataChangedInfo();
  void NotifyFocusChanged();
  void NotifySelectionChanged();
  void DoDataChangedNotify();
  virtual void ReadRecords();
  void CheckSelectionAndBookmark();
  TcxDataSummaryValues GroupingValuesOf(int32_t ARecordIndex);

private:
  struct TListenerItem {
    TObject* Instance;
    TNotifyEvent Method;
  };

  TComponent* FOwner;
  bool FActive = false;
  bool FAfterSummaryPending = false;
  int32_t FBookmarkRecordIndex = -1;
  bool FDataChangedPending = false;
  int32_t FDataChangedLockCount = 0;
  uint16_t FChanges = 0;
  bool FRefocusAfterFilter = false;
  std::vector<TListenerItem> FDataChangedListeners;
  TcxCustomDataControllerInfo* FDataControllerInfo = nullptr;
  TcxDataStorage* FDataStorage = nullptr;
  bool FDestroying = false;
  bool FGroupingChanged = false;
  bool FStorageReloaded = false;
  TcxDataControllerGroups* FGroups = nullptr;
  TcxCustomDataFieldList* FFields = nullptr;
  TcxDataFilterCriteria* FFilter = nullptr;
  bool FRefocusPending = false;
  bool FFocusedRowSelected = true;
  bool FCancelGuard = false;
  bool FSelectionDeleting = false;
  bool FReloadNoticeGuard = false;
  bool FDelivering = false;
  bool FSortingEventGuard = false;
  bool FPatternMode = false;
  std::vector<TcxDataListenerLink*> FListenerLinks;
  int32_t FLocateCount = 0;
  int32_t FLookupUpdateCount = 0;
  int32_t FUpdateFieldsLockCount = 0;
  bool FUpdateFieldsPending = false;
  int32_t FNewItemRecordIndex = 0;
  bool FNewItemRowFocused = false;
  bool FMultiSelect = false;
  TcxDataControllerNotifier* FNotifier = nullptr;
  TcxDataControllerOptions FOptions;
  int32_t FPrevSelectionCount = 0, FPrevSelectionRow = -1;
  TcxCustomDataProvider* FProvider = nullptr;
  TcxCustomDataField* FRecordHandleField = nullptr;
  TcxSaveObject* FFullUpdateState = nullptr;
  int32_t FFullUpdateCount = 0;
  TcxDataControllerSearch* FSearch = nullptr;
  int32_t FSelectionCount = 0, FSelectionRow = -1;
  bool FSortingChanged = false;
  bool FGridModeStructureChanged = false;
  bool FApplyingGridModeStructure = false;
  bool FStructureRecreated = false;
  TcxDataSummary* FSummary = nullptr;
  bool FItemsUpdateGuard = false;
  bool FUseNewItemRowForEditing = false;
  TcxDataChange FDataChangeKind = dcTotal;
  int32_t FDataChangeItemIndex = -1;
  int32_t FDataChangeRecordIndex = -1;
  int32_t FNearestRecordIndex = -1;
  // Incremental filter, incremental search and master-detail state.
  TcxCustomDataField* FIncrementalFilterField = nullptr;
  String FIncrementalFilterText;
  TcxCustomDataField* FIncrementalSearchField = nullptr;
  bool FIncrementalSearching = false;
  String FIncrementalSearchText;
  TcxCustomDataRelation* FMasterRelation = nullptr;
  int32_t FMasterRecordIndex = -1;
  TcxCustomDataRelationList* FRelations = nullptr;
  bool FCreatingDetail = false;
  bool FFocusingDetails = false;
  bool FCompareByValue = false;
  bool FRecreatingLink = false;
  TcxDataFilterList* FFilterList = nullptr;
};
