#pragma once
// The SQL dataset: a TDataSet that runs a select through an owned TFIBQuery, copies the fetched rows
// into a TRecordsCache and presents them through the record-buffer protocol; edits are written to the
// server through the owned insert, update and delete statements (parameters filled from the dataset's
// fields with the NEW_ and OLD_ prefixes) and re-read through the refresh statement.
//
// Record buffers follow the layout of pZAZFieldsDescr.h. Inline values hold the platform's native field
// formats where the column allows: dates as TDateTimeRec day numbers, times as milliseconds of the day,
// time stamps as a double of milliseconds; integers keep the column's width and scale.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "datasets/ZAZCacheManage.h"
#include "datasets/pZAZFieldsDescr.h"
#include "db/DB.h"
#include "db/DBProvider.h"
#include "dbaccess/ClientTypes.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/UITypes.h"

class TFIBQuery;
class TFIBXSQLDA;
class TFIBXSQLVAR;
class TFIBTimer;
class TDataSetsContainer;
class TFIBCustomDataSet;
class TExprParser;
class TFIBBlobStream;
class TConditions;

// Which transaction the refresh statement runs in.
enum TTransactionKind : uint8_t { tkReadTransaction, tkUpdateTransaction };
RTL_ENUM(TTransactionKind, tkReadTransaction, tkUpdateTransaction)

// Field classes of the SQL datasets. Persistent fields of forms use them by name; default fields are the
// platform's classes (the framework picks those by data type).

// Writing an empty text stores null when EmptyStrToNull is set; attaching the field to an SQL dataset
// takes the flag from the dataset's psSetEmptyStrToNull.
class TFIBStringField : public TStringField {
  RTL_CLASS(TFIBStringField, TStringField)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBStringField(TComponent* AOwner) : TStringField(AOwner) {}
  bool EmptyStrToNull() const { return FEmptyStrToNull; }
  void SetEmptyStrToNull(bool v) { FEmptyStrToNull = v; }
  void SetDataSet(TDataSet* value) override;
  void SetAsString(const String& v) override;

protected:
  String GetAsString() const override;

private:
  bool FEmptyStrToNull = false;
};

class TFIBWideStringField : public TWideStringField {
  RTL_CLASS(TFIBWideStringField, TWideStringField)
public:
  using TWideStringField::TWideStringField;
};

// Integer columns read and written as Booleans: true is any value above 0, written as 1.
class TFIBIntegerField : public TIntegerField {
  RTL_CLASS(TFIBIntegerField, TIntegerField)
public:
  using TIntegerField::TIntegerField;
  void SetAsBoolean(bool v) override { SetAsInteger(v ? 1 : 0); }

protected:
  bool GetAsBoolean() const override { return GetAsInteger() > 0; }
};

class TFIBSmallIntField : public TSmallintField {
  RTL_CLASS(TFIBSmallIntField, TSmallintField)
public:
  using TSmallintField::TSmallintField;
  void SetAsBoolean(bool v) override { SetAsInteger(v ? 1 : 0); }

protected:
  bool GetAsBoolean() const override { return GetAsInteger() > 0; }
};

class TFIBLargeIntField : public TLargeintField {
  RTL_CLASS(TFIBLargeIntField, TLargeintField)
public:
  using TLargeintField::TLargeintField;
};

// With RoundByScale a written value is rounded to the decimals of its column's scale.
class TFIBFloatField : public TFloatField {
  RTL_CLASS(TFIBFloatField, TFloatField)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBFloatField(TComponent* AOwner) : TFloatField(AOwner) {}
  bool RoundByScale() const { return FRoundByScale; }
  void SetRoundByScale(bool v) { FRoundByScale = v; }
  // The column's scale; -15 for a field that is not a data field, 100 without a column.
  int32_t Scale() const;
  void SetAsFloat(double v) override;

private:
  bool FRoundByScale = true;
};

class TFIBBCDField : public TBCDField {
  RTL_CLASS(TFIBBCDField, TBCDField)
public:
  using TBCDField::TBCDField;
};

class TFIBDateField : public TDateField {
  RTL_CLASS(TFIBDateField, TDateField)
public:
  using TDateField::TDateField;
};

class TFIBTimeField : public TTimeField {
  RTL_CLASS(TFIBTimeField, TTimeField)
public:
  using TTimeField::TTimeField;
};

class TFIBDateTimeField : public TDateTimeField {
  RTL_CLASS(TFIBDateTimeField, TDateTimeField)
public:
  using TDateTimeField::TDateTimeField;
};

// Booleans with their own texts: "1" or StringTrue (any letter case) is true, "0" or StringFalse false.
class TFIBBooleanField : public TBooleanField {
  RTL_CLASS(TFIBBooleanField, TBooleanField)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBBooleanField(TComponent* AOwner) : TBooleanField(AOwner) {}
  const String& StringTrue() const { return FStringTrue; }
  void SetStringTrue(const String& v) { FStringTrue = v; }
  const String& StringFalse() const { return FStringFalse; }
  void SetStringFalse(const String& v) { FStringFalse = v; }
  bool IsStringTrueStored() const { return FStringTrue != "True"; }
  bool IsStringFalseStored() const { return FStringFalse != "False"; }
  void SetAsString(const String& v) override;

protected:
  String GetAsString() const override;

private:
  String FStringTrue = "True";
  String FStringFalse = "False";
};

// Blob fields of the SQL datasets: the column's blob subtype, and (client fields) contents filled by the
// dataset's OnFillClientBlob instead of being read from the server (ZAZDataSetBlobs.cpp).
class TFIBBlobField : public TBlobField {
  RTL_CLASS(TFIBBlobField, TBlobField)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBBlobField(TComponent* AOwner) : TBlobField(AOwner) {}
  // The select column's subtype; 0 without a column.
  int32_t SubType() const;
  bool IsClientField() const { return FIsClientField; }
  void SetIsClientField(bool v) { FIsClientField = v; }

private:
  bool FIsClientField = false;
};

// Text of a field as UTF-16, for editors that work in wide characters.
class IWideTextAccess : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{679C5F1A-4356-4696-A8F3-9C7C6970A9F6}");
  virtual WideString WideValue() = 0;
  virtual void SetWideValue(const WideString& value) = 0;
  virtual WideString WideDisplayText() = 0;
  virtual WideString WideEditText() = 0;
  virtual void SetWideEditText(const WideString& value) = 0;

protected:
  ~IWideTextAccess() = default;
};

class TFIBMemoField : public TMemoField, public IWideTextAccess {
  RTL_CLASS(TFIBMemoField, TMemoField)
  RTL_INTERFACES(IWideTextAccess)
public:
  using TMemoField::TMemoField;
  // The column's character set number (0 when unknown).
  int32_t CharacterSet() const { return FCharacterSet; }
  void SetCharacterSet(int32_t v) { FCharacterSet = v; }

  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  WideString WideValue() override;
  void SetWideValue(const WideString& value) override;
  WideString WideDisplayText() override;
  WideString WideEditText() override;
  void SetWideEditText(const WideString& value) override;

private:
  int32_t FCharacterSet = 0;
};

// An array column: the field's data is the column's array identifier; the elements are read and written
// as a variant array through the dataset. Before a record is edited the field keeps the identifier it had,
// so that the array the record pointed to stays known while a new one is written.
class TFIBArrayField : public TBytesField {
  RTL_CLASS(TFIBArrayField, TBytesField)
public:
  using TBytesField::TBytesField;
  // The identifier kept when the record went into edit; zeros when it had none.
  uint64_t OldArrayId() const { return FOldArrayId; }
  void KeepArrayId();
  // The identifier's 8 bytes; zeros for a null field.
  uint64_t ArrayId() const;

protected:
  String GetAsString() const override;
  void GetText(String& text, bool displayText) const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;

private:
  uint64_t FOldArrayId = 0;
};

// A GUID column shown as the GUID's text; an empty text clears it.
class TFIBGuidField : public TGuidField {
  RTL_CLASS(TFIBGuidField, TGuidField)
public:
  using TGuidField::TGuidField;
  // The all-zero GUID when null.
  TGUID GetGuidValue() const;
  // The all-zero GUID clears the field.
  void SetGuidValue(const TGUID& value);
};

// Old-value helpers for the generated modifying statements: the old value of a large integer field (0 for
// a field that is neither a data field nor an internal calculated one), and whether a BCD field's value or
// null state differs from its old one.
int64_t OldLargeintValue(TField* field);
bool BCDValueChanged(TField* field);

// Fills a client blob field's stream on its first read.
using TFIBFillClientBlobEvent = Event<TDataSet*, TField*, TStream*>;

class EFIBError;

// Which cached-update states of rows are shown.
RTL_ENUM(TCachedUpdateStatus, cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted, cusDeletedApplied);
using TFIBUpdateRecordTypes = Set<TCachedUpdateStatus>;
// Applying one cached row: the handler applies it itself (uaApplied), lets the dataset's statements apply
// it (uaRetry) or leaves it (uaSkip, uaFail, uaAbort).
using TFIBUpdateRecordEvent = Event<TDataSet*, TUpdateKind, TUpdateAction&>;
// A library error while applying a row: uaFail raises it again, uaRetry applies the row again, uaAbort
// stops applying silently, uaSkip and uaApplied leave the row.
using TFIBUpdateErrorEvent = Event<TDataSet*, EFIBError&, TUpdateKind, TUpdateAction&>;

// Options of the extended locate; the first two are the platform's loCaseInsensitive and loPartialKey.
enum TExtLocateOption : uint8_t {
  LocateCaseInsensitive, LocatePartialKey, LocateWildcards, LocateInSortOrder, LocateNearest, LocateFetchedOnly
};
using TExtLocateOptions = Set<TExtLocateOption>;

// One order field as the sort-order accessors hand it out.
struct TSortFieldInfo {
  String SortField;
  int32_t FieldIndex = -1;
  int32_t OrderPosition = -1;
  bool Ascending = true;
  bool NullsFirst = false;
};

// A field named for a local sort: by index in Fields, by name, by object, or by a variant holding an
// index or a name.
struct TSortFieldRef {
  TSortFieldRef(int32_t index) : Kind(kIndex), Index(index) {}
  TSortFieldRef(char name) : Kind(kName), Name(1, name) {}
  TSortFieldRef(const char* name) : Kind(kName), Name(name) {}
  TSortFieldRef(const String& name) : Kind(kName), Name(name) {}
  TSortFieldRef(TField* field) : Kind(kField), Field(field) {}
  TSortFieldRef(const Variant& value) : Kind(kVariant), Value(value) {}
  enum { kIndex, kName, kField, kVariant } Kind;
  int32_t Index = 0;
  String Name;
  TField* Field = nullptr;
  Variant Value;
};

// Replaces the default comparison of two values of a field in local sorts and sorted locates.
using TCompareFieldValues = std::function<int32_t(TField* field, const Variant& s1, const Variant& s2)>;

// The cache models: every fetched row kept, or only a window of BufferChunks rows that moves with the
// cursor and reaches the rows outside it through generated statements (ZAZDataSetLimited.cpp).
enum TCacheModelKind : uint8_t { cmkStandard, cmkLimitedBufferSize };
RTL_ENUM(TCacheModelKind, cmkStandard, cmkLimitedBufferSize)

// Around each fetched row: the statement, the row number, and a flag that ends the fetch silently.
using TOnFetchRecord = Event<TFIBQuery*, int32_t, bool&>;

class TCacheModelOptions : public TPersistent {
  RTL_CLASS(TCacheModelOptions, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TCacheModelOptions(TFIBCustomDataSet* owner) : FOwner(owner) {}
  TCacheModelKind CacheModelKind() const { return FKind; }
  // Only while the owner is closed; the limited model needs CanUseLimitedCache (client error 75).
  void SetCacheModelKind(TCacheModelKind value);
  // Rows per cache block; 0 or less becomes 32, and the limited model's ring holds at least 100.
  int32_t BufferChunks() const;
  void SetBufferChunks(int32_t value);
  const String& PlanForDescSQLs() const { return FPlanForDescSQLs; }
  void SetPlanForDescSQLs(const String& value) { FPlanForDescSQLs = value; }
  void AssignTo(TPersistent* dest) override;

private:
  TFIBCustomDataSet* FOwner;
  TCacheModelKind FKind = cmkStandard;
  String FPlanForDescSQLs;
};

// The rows the limited model holds: record indexes FirstIndex..LastIndex (-1 when empty), and whether
// the first and the last row of the result are known to be among them.
struct TCacheWindow {
  int32_t FirstIndex = -1;
  int32_t LastIndex = -1;
  bool BofReached = false;
  bool EofReached = false;
};

class TFIBCustomDataSet : public TDataSet, public ISQLObject, public IFIBPropsDataSet {
  RTL_CLASS(TFIBCustomDataSet, TDataSet)
  RTL_INTERFACES(ISQLObject)
public:
  explicit TFIBCustomDataSet(TComponent* AOwner);
  ~TFIBCustomDataSet() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TFIBDatabase* Database() const { return FDatabase; }
  void SetDatabase(TFIBDatabase* value);
  TFIBTransaction* Transaction() const { return FTransaction; }
  void SetTransaction(TFIBTransaction* value);
  // The transaction of the insert, update and delete statements (and of the refresh statement under
  // tkUpdateTransaction); by default the same as Transaction.
  TFIBTransaction* UpdateTransaction() const;
  virtual void SetUpdateTransaction(TFIBTransaction* value);
  bool IsUpdateTransactionStored() const { return UpdateTransaction() != Transaction(); }
  TTransactionKind RefreshTransactionKind() const { return FRefreshTransactionKind; }
  void SetRefreshTransactionKind(TTransactionKind value);
  // Commit the update transaction after each change written to the server.
  bool AutoCommit() const { return FAutoCommit; }
  void SetAutoCommit(bool value) { FAutoCommit = value; }
  // Starts the update transaction when it is inactive and poStartTransaction is set.
  void StartUpdateTransaction();
  // With AutoCommit: commits the active update transaction, retaining when it is also the read
  // transaction or its timeout action is TACommitRetaining.
  void AutoCommitUpdate();
  // Client error 22 without an update transaction, else starts it when inactive.
  void EnsureUpdateTransactionActive();
  // Array columns: the whole array of an array field as a variant array (False for a field without one),
  // and a new array written for the field while editing (Null or Empty clears it). ZAZDataSetArrays.cpp.
  void GetArrayFieldValues(TField* field, Variant& values);
  void SetArrayFieldValues(TField* field, const Variant& values);

  // The cursor shown while the dataset talks to the server; crDefault leaves the screen alone.
  TCursor SQLScreenCursor() const { return FSQLScreenCursor; }
  void SetSQLScreenCursor(TCursor value) { FSQLScreenCursor = value; }
  // Saves the screen cursor into saved and shows SQLScreenCursor; the restore puts it back. Every
  // exchange with the server is bracketed by the pair.
  void ShowSQLScreenCursor(TCursor& saved) const;
  void RestoreScreenCursor(TCursor saved) const;

  // The master data source (client error 50 when it is linked to this dataset).
  void SetDataSource(TDataSource* value);
  TDataSetsContainer* Container() const { return FContainer; }
  void SetContainer(TDataSetsContainer* value);

  // While above 0 calculated fields are not computed.
  int32_t CalcSuppression() const { return FCalcSuppression; }
  void DisableCalcFields() { ++FCalcSuppression; }
  void EnableCalcFields() {
    if (FCalcSuppression > 0) --FCalcSuppression;
  }

  // Relayed from the read and the update transactions when assigned.
  TNotifyEvent BeforeStartTransaction, AfterStartTransaction, BeforeStartUpdateTransaction,
      AfterStartUpdateTransaction;
  TEndTrEvent BeforeEndTransaction, AfterEndTransaction, BeforeEndUpdateTransaction, AfterEndUpdateTransaction;

  TStrings* SelectSQL() const;
  TStrings* InsertSQL() const;
  TStrings* UpdateSQL() const;
  TStrings* DeleteSQL() const;
  TStrings* RefreshSQL() const;
  TFIBQuery* QSelect() const { return FSelect; }
  TFIBQuery* QInsert() const { return FInsert; }
  TFIBQuery* QUpdate() const { return FUpdate; }
  TFIBQuery* QDelete() const { return FDelete; }
  TFIBQuery* QRefresh() const { return FRefresh; }

  TpZAZDsOptions Options() const { return FOptions; }
  void SetOptions(TpZAZDsOptions value) { FOptions = value; }
  TpPrepareOptions PrepareOptions() const { return FPrepareOptions; }
  void SetPrepareOptions(TpPrepareOptions value);
  // dcWaitEndMasterScroll is not stored: it reads as set while the master-wait timer exists.
  TDetailConditions DetailConditions() const;
  void SetDetailConditions(TDetailConditions value);
  int32_t BufferChunks() const { return FBufferChunks; }
  void SetBufferChunks(int32_t value);

  virtual void Prepare();
  void UnPrepare();
  bool Prepared() const { return FIsPrepared; }
  void FetchAll();
  // Re-reads the current record through the refresh statement.
  void RefreshRecord();
  // Closes and opens again keeping the field objects; with fetchAll every row is fetched.
  void CloseOpen(bool fetchAll);
  // Closes and opens again and returns to the record with the same values of keyFields (";"-separated);
  // without key fields the record is re-read and found by all its data fields but blobs.
  void ReopenKeepingPosition(const String& keyFields);
  void FullRefresh();

  TRecordsCache* RecordsCache() const { return FCache; }
  const TFIBFieldDescrList& FieldDescrs() const { return FDescrs; }
  int32_t FetchedCount() const { return FFetchedCount; }
  TField* FindFieldCached(const String& name);

  // --- Field information (ZAZDataSetInfo.cpp) ---
  // FindFieldCached that raises "Field '%s' not found" instead of answering nil.
  TField* FieldByNameCached(const String& name);
  // How TField.Origin is filled when the dataset opens.
  TFieldOriginRule FieldOriginRule() const { return FFieldOriginRule; }
  void SetFieldOriginRule(TFieldOriginRule value) { FFieldOriginRule = value; }
  // The kinds of change the dataset lets through besides what its statements allow.
  TUpdateKinds AllowedUpdateKinds() const { return FAllowedUpdateKinds; }
  void SetAllowedUpdateKinds(TUpdateKinds value) { FAllowedUpdateKinds = value; }
  // The five statement texts as one object (not stored: the texts are stored one by one).
  TSQLs* SQLs();
  void SetSQLs(TSQLs* value);
  // The select statement's conditions.
  TConditions* Conditions() const;
  void SetConditions(TConditions* value);
  // A copy of the select column's descriptor; zeros with sqltype -1 for nil and non-data fields.
  fbapi::XSQLVAR GetFieldSQLVar(TField* field);
  // The column's scale; 100 without a column.
  int32_t GetFieldScale(TField* field);
  // Relation and column of a field: "CALCULATED" and the field name for calculated fields, the lookup
  // dataset's answer for a lookup field; DB_KEY is named RDB$DB_KEY.
  String GetFieldTableName(TField* field);
  String GetFieldTableName(TFieldDef* def);
  String GetFieldColumnName(TField* field);
  String GetFieldColumnName(TFieldDef* def);
  // The origin FieldOriginRule gives the field.
  String GetFieldOrigin(TField* field);
  bool IsDBKeyField(TField* field);
  bool IsDBKeyField(TFieldDef* def);
  TField* FindFieldByRelation(const String& table, const String& column);
  TField* FindFieldByOrigin(const String& origin);
  TField* FindFieldByColumnName(const String& name);
  // The table's primary-key columns as field names (select column names while there are no fields),
  // joined by ";"; empty when a key column has no field.
  String GetPrimaryKeyFieldNames(const String& table);
  String FieldTableAlias(const String& fieldName);
  // The select text with its macros replaced by their values.
  String ExpandedSelectText();
  // The swap file names of a blob field's current value: its table, key values and column; false when
  // the table has no primary key or a key column has no field.
  bool GetBlobSwapKeys(TField* field, String& tableName, std::vector<Variant>& keyValues, String& columnName);
  // Raised for every field change event, before the platform handles it.
  TFieldNotifyEvent OnFieldChange;
  // Raised when the controls of the dataset are disabled, and again when they are enabled.
  TDataSetNotifyEvent OnEnableControls, OnDisableControls;
  void DataEvent(TDataEvent event, intptr_t info) override;
  // Default fields are the library's own field classes.
  TClass GetFieldClass(TFieldType type) const override;

  // Platform overrides used from outside.
  bool GetFieldData(TField* field, void* buffer) override;
  using TDataSet::GetFieldData;
  void SetFieldData(TField* field, const void* buffer) override;
  using TDataSet::SetFieldData;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int32_t CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  int32_t RecNo() const override;
  void SetRecNo(int32_t value) override;

  // ISQLObject: the dataset's fields by their names, its parameters are the select's.
  int32_t ParamCount() override;
  String ParamName(int32_t index) override;
  int32_t FieldsCount() override;
  bool FieldExist(const String& name, int32_t& index) override;
  bool ParamExist(const String& name, int32_t& index) override;
  Variant FieldValue(const String& name, bool old) override;
  Variant FieldValue(int32_t index, bool old) override;
  Variant ParamValue(const String& name) override;
  Variant ParamValue(int32_t index) override;
  void SetParamValue(int32_t index, const Variant& value) override;
  String FieldName(int32_t index) override;

  // IFIBPropsDataSet.
  TStrings* DataSetSQL(TDataSetSQLKind kind) override;
  void SetDataSetSQL(TDataSetSQLKind kind, TStrings* value) override;
  bool HasConnection() override { return FDatabase != nullptr; }
  int32_t ConnectionSQLDialect() override;
  bool ConnectionNamesLowerCaseAllowed() override { return false; }
  bool NewInDesigner() override { return false; }

  // --- Master-detail links and transaction events (ZAZDataSetMaster.cpp) ---
  // The link object that tells the dataset about its connection and read transaction.
  TFIBBase* LinkObject() const { return FLinkObject; }
  // The master dataset reached through DataSource, or nil.
  TDataSet* MasterDataSet() const;
  // Milliseconds the detail waits after the last master move (and the end-of-scroll delay).
  int32_t MasterWaitInterval() const { return FMasterWaitInterval; }
  void SetMasterWaitInterval(int32_t value);
  TFIBTimer* MasterWaitTimer() const { return FMasterWaitTimer; }
  TFIBTimer* EndScrollTimer() const { return FEndScrollTimer; }
  // A detail refresh is waiting for the master to stop moving.
  bool MasterWaitPending() const;
  // The dataset is reopening itself for a new master record.
  bool MasterRefreshRunning() const { return FMasterRefreshRunning; }
  // Called by the data link: the master moved (or opened), or closed.
  void MasterRecordChanged();
  void MasterClosed();
  // Whether the select must run again for the master's current record.
  virtual bool MasterValuesChanged();
  // Copies the master's field values into the select parameters (MAS_ID takes the master's ID, a plain
  // name the master field of that name).
  void SetParamsFromMaster();
  // Reopens for the master's current record (when open, or closed with dcForceOpen).
  void RefreshForMaster();
  // Runs a pending delayed refresh now when the master values changed, up the chain of masters.
  void FlushMasterWait();
  void RefreshMaster();
  const TDataSetNotifyEvent& OnEndScroll() const { return FOnEndScroll; }
  // Scrolling that stopped for MasterWaitInterval ms raises it; assigning it makes the timer.
  void SetOnEndScroll(const TDataSetNotifyEvent& value);
  // Relayed from the link object when assigned, with the link object as sender.
  TNotifyEvent DatabaseDisconnecting, DatabaseDisconnected, DatabaseFree, TransactionEnding, TransactionEnded,
      TransactionFree;

  // --- Cached updates (ZAZDataSetCached.cpp) ---
  // Edits, inserts and deletes stay in the cache until ApplyUpdates. Switched on only while closed;
  // switching off an open dataset cancels the pending changes.
  bool CachedUpdates() const { return FCachedUpdates; }
  void SetCachedUpdates(bool value);
  TFIBUpdateRecordTypes UpdateRecordTypes() const { return FUpdateRecordTypes; }
  // Shows the rows of the given states; an open dataset moves to its first shown row.
  void SetUpdateRecordTypes(TFIBUpdateRecordTypes value);
  // Rows with cached changes not yet committed.
  int32_t PendingChanges() const { return FPendingChanges; }
  bool HasPendingChanges() const { return FHasPendingChanges; }
  // Cached rows that RecordCount leaves out.
  int32_t HiddenCount() const { return FHiddenCount; }
  // The cached-update state of the current row (cusUnmodified when closed or empty).
  TCachedUpdateStatus CachedStatus() const;
  TUpdateStatus UpdateStatus() const override;
  // Sends every modified, inserted and deleted row to the server through the dataset's statements, in
  // cache order, with OnUpdateRecord and OnUpdateError. The rows keep their states until CommitUpdates, so
  // that a failed transaction can be rolled back and the updates applied again.
  virtual void ApplyUpdates();
  // Takes the applied states as the rows' new base: modified and inserted rows become unmodified, deleted
  // ones leave the cache for good; the old values logged for them are dropped.
  void CommitUpdates();
  // Every cached change is undone: edited and deleted rows get back their values as fetched, inserted
  // rows are hidden.
  virtual void CancelUpdates();
  // Undoes the cached change of the current row.
  void RevertRecord();
  TFIBUpdateRecordEvent OnUpdateRecord;
  TFIBUpdateErrorEvent OnUpdateError;
  // Loads what a cached row needs from the server (blob contents) while the dataset may be disconnected:
  // connects the database and starts the read transaction when needed, runs the load, and closes again
  // what it opened: committed after a good load, rolled back when the load fails.
  void PreloadForCachedUpdates(const std::function<void()>& load);

  // --- Locate and lookup (ZAZDataSetLocate.cpp) ---
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
  // Null for blank result fields or keys not found; the current record is kept in every case.
  Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override;
  bool LocateExt(const String& keyFields, const Variant& keyValues, TExtLocateOptions options);
  // direction (without fromFirst): 0 from the first row forward, 1 from the row after the current one
  // forward, 2 from the row before the current one backward. center centres the found row in the
  // buffer window.
  virtual bool LocateInCache(const String& keyFields, const Variant& keyValues, TExtLocateOptions options,
                             bool fromFirst, int32_t direction, bool center);
  // The value of a field in cached record recNo (1-based) without moving the cursor; fetches the rows
  // up to it when needed. Calculated fields are computed for the row.
  void GetCachedFieldValue(TField* field, int32_t recNo, Variant& value);
  // Rows compared by the searches since open: what shows the binary search at work.
  int64_t LocateRowTests() const { return FLocateRowTests; }

  // --- Local sorting and filtering (ZAZDataSetSort.cpp) ---
  // Null, or rows [i][0..2]: field name, ascending, nulls first.
  const Variant& SortInfo() const { return FSortInfo; }
  // SortInfo comes from DoSort rather than from the select's ORDER BY.
  bool LocalSortActive() const { return FLocalSortActive; }
  virtual int32_t CompareFieldValues(TField* field, const Variant& s1, const Variant& s2);
  TCompareFieldValues OnCompareFieldValues;
  // Sorts every cached row (fetching all first) by the fields, ordering[i] true for ascending.
  virtual void DoSort(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ordering);
  // Moves cached record fromRecNo to toRecNo (1-based positions of the row order).
  virtual void MoveRecord(int32_t fromRecNo, int32_t toRecNo);
  void PrepareSortInfo();
  int32_t OrderFieldCount() const;
  bool HasOrderInfo() const { return OrderFieldCount() > 0; }
  bool AllOrderFieldsPresent() const;
  String OrderFieldNames() const;
  bool GetSortInfoOfField(TField* field, TSortFieldInfo& info) const;
  void GetSortFieldInfo(int32_t position, TSortFieldInfo& info) const;
  // Whether the post in progress changes the current row's sort key.
  bool SortKeyChanged();
  // Moves the posted current row to its place in the sort order (or drops the order information
  // without poKeepSorting).
  void KeepSortOrder();
  // The 1-based place in the row order of the record KeepSortOrder is moving, -1 when idle.
  int32_t RepositionRecNo() const { return FRepositionRecNo; }
  void ResyncAfterReorder();
  // Re-reads the buffers around the current record through its bookmark (the first record when it is
  // no longer shown).
  void ResyncViaBookmark();
  void SetFilterText(const String& value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& value) override;
  // Whether a record buffer passes the filter text and OnFilterRecord (true when not filtered).
  bool RecordIsVisible(TRecordBuffer buffer);
  // The filter text's parser; nil without a usable text.
  TExprParser* FilterParser() const { return FFilterParser; }
  // Record numbers (1-based positions) of the fetched rows that the filter shows, in row order; empty
  // when not filtered.
  const std::vector<int32_t>& FilteredRecords();

  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // --- Cache models, the unidirectional ring and the fetch events (ZAZDataSetLimited.cpp) ---
  TCacheModelOptions* CacheModelOptions() const;
  void SetCacheModelOptions(TCacheModelOptions* value) { CacheModelOptions()->Assign(value); }
  bool LimitedCache() const { return FCacheWindow != nullptr; }
  // Cached updates off, an ORDER BY, AutoCommit or one transaction for reading and writing, no NEW_
  // parameter in the select.
  bool CanUseLimitedCache() const;
  // Nil in the standard model.
  const TCacheWindow* CacheWindow() const { return FCacheWindow; }
  // The statement feeding rows in the limited model (the select, or a generated one).
  TFIBQuery* ActiveSelect() const;
  // Only while closed (client error 28): the rows live in a ring of BufferChunks rows.
  bool UniDirectional() const { return FUniDirectional; }
  void SetUniDirectional(bool value);
  bool IsUniDirectional() const override { return FUniDirectional; }
  bool IsSequenced() override { return !FUniDirectional && !LimitedCache(); }
  TOnFetchRecord BeforeFetchRecord, AfterFetchRecord;
  TDataSetErrorEvent OnGetRecordError;
  bool AllRowsFetched();
  // Every remaining row, keeping the current record (the limited model goes to the end and back).
  void FetchAllRows();
  void DisableScrollEvents() { ++FScrollEventsDisabled; }
  void EnableScrollEvents() {
    if (FScrollEventsDisabled > 0) --FScrollEventsDisabled;
  }
  int32_t ScrollEventsDisabled() const { return FScrollEventsDisabled; }
  // Finds the row on the server and loads the window around it; with a statement, only runs the search
  // in it and leaves the window alone.
  bool LocateOnServer(const String& keyFields, const Variant& keyValues, TExtLocateOptions options,
                      TFIBQuery* statement = nullptr);

  // --- Blob fields (ZAZDataSetBlobs.cpp) ---
  // Each row keeps per blob field a slot that may hold a blob stream; the streams live until the rows are
  // fetched again or the dataset closes. Reading a null blob makes no stream; writing needs edit or insert.
  TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  // Per blob field of the buffer (or only the given one) with a stream: action 1 writes modified contents
  // as a new blob (markOnly: only counts them as written), 2 reverts to the old contents, 3 drops the old
  // contents, 0 only synchronises; then the column's identifier and null flag (empty = null) follow the
  // stream.
  void ProcessBlobStreams(uint8_t* buffer, int32_t action, bool markOnly, bool force, TField* field);
  bool BlobFieldModified(TField* field);
  // Every stream the dataset made, in creation order (the last moves into a freed slot).
  const std::vector<TFIBBlobStream*>& OpenBlobStreams() const { return FOpenBlobStreams; }
  void FreeBlobStreams();
  // Counts the FreeBlobStreams calls: a stream view made before the last one refers to a freed stream.
  uint32_t BlobStreamsGeneration() const { return FBlobStreamsGeneration; }
  TFIBFillClientBlobEvent OnFillClientBlob;

protected:
  void InternalCancel() override;
  // After open: each field's Origin by FieldOriginRule (not in the designer, nor with forNoRule), and with
  // psSupportUnicodeBlobs each memo field's character set from the metadata cache.
  void FillFieldInfoAfterOpen();
  // Whether the metadata cache names a GUID domain for the column.
  bool IsGuidColumn(TFIBXSQLVAR* column);
  // The stream in a buffer's slot for a blob column (nil when none).
  TFIBBlobStream* BlobStreamOf(const uint8_t* buffer, int32_t column) const;
  // Blob parameters of a modify statement: written streams pass their new identifiers.
  // The field a parameter of a modify statement writes (NEW_ or bare name); none for an OLD_ parameter.
  TField* NewValueParamField(TFIBXSQLVAR* param);
  void AssignBlobParams(TFIBQuery* query);
  // The array identifiers of the row for the array parameters of a prepared modify statement.
  void AssignArrayParams(TFIBQuery* query);
  // A refreshed row whose blob identifier changed lets go of the stream of that column.
  void DropChangedBlobSlot(uint8_t* buffer, int32_t column, const void* newId, bool isNull);
  // A cached row given back its fetched values lets go of its streams: its blobs read as fetched again.
  void ClearBlobSlotsOfRow(int32_t position0);
  // Whether a blob column holds data in a buffer, seen through its stream when it has one.
  bool BlobHasData(const uint8_t* buffer, int32_t column) const;

  // The option sets are streamed member by member as Boolean pseudo-properties under fixed names.
  void DefineProperties(TFiler* filer) override;
  TFIBQuery* CreateOwnedStatement(const String& name);
  // Writes the current edit to the server; the base runs the given statements.
  virtual void PostOnServer(bool inserting);
  virtual void DeleteOnServer();
  // A new record's values before OnNewRecord (generator keys, defaults).
  virtual void InitNewRecordValues() {}
  virtual void ApplyFieldSettings() {}
  // A database error of the server post (delete) before the platform's OnPostError (OnDeleteError):
  // the action may be changed to daAbort or daRetry.
  virtual void DoOnPostError(EDatabaseError& error, TDataAction& action);
  virtual void DoOnDeleteError(EDatabaseError& error, TDataAction& action);
  virtual void DoAfterEndUpdateTransaction(TFIBTransaction* sender, TTransactionAction action, bool force);
  // Asked before the select runs; the extended dataset counts the server rows here.
  virtual void DoAskRecordCount() {}
  // Client error 46 (44) for an edit (insert) that is not allowed, 42 outside the edit states.
  void CheckEditInsertState() const;
  void GetCalcFields(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  Variant GetStateFieldValue(TDataSetState state, TField* field) override;
  void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) override;
  TDataSource* GetDataSource() const override;
  void Notification(TComponent* component, TOperation operation) override;

  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
  uint16_t GetRecordSize() const override;
  int32_t GetRecordCount() const override;
  void InternalClose() override;
  void InternalDelete() override;
  void InternalFirst() override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalPost() override;
  void InternalRefresh() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() const override { return FIsOpen; }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  bool GetCanModify() const override;
  void DoOnNewRecord() override;
  void DoAfterOpen() override;
  void InternalEdit() override;
  void InternalInsert() override;
  void DoBeforeEdit() override;
  void DoBeforePost() override;
  void DoBeforeCancel() override;
  // Client error 29 naming the handler when it closed the dataset.
  void CheckStillOpen(const char* handler);
  // Every array field keeps the array identifier of the record about to be edited.
  void KeepArrayIdentifiers();
  void DoBeforeInsert() override;
  void DoBeforeDelete() override;
  virtual bool CanEdit() const;
  virtual bool CanInsert() const;
  virtual bool CanDelete() const;
  // Link-object handlers (ZAZDataSetMaster.cpp). A hard end of the read transaction closes the dataset,
  // or with cached updates fetches the remaining rows and keeps them.
  virtual void DoTransactionEnding(TObject* sender);
  virtual void DoTransactionEnded(TObject* sender);
  void DoDatabaseDisconnecting(TObject* sender);
  void DoDatabaseDisconnected(TObject* sender);
  void DoDatabaseFree(TObject* sender);
  void DoTransactionFree(TObject* sender);
  void DoAfterScroll() override;
  void DoBeforeScroll() override;
  // With dcForceMasterRefresh (outside cached updates) a delete refreshes the master.
  void DoAfterDelete() override;
  // Hooks of the dataset core: made at construction, released before destruction, the link object
  // following Database and Transaction.
  void InitMasterLinks();
  void ReleaseMasterLinks();
  void SyncLinkObject();
  // Whether a select parameter differs from the master field it takes its value from.
  static bool ParamDiffersFromField(TFIBXSQLVAR* param, TField* field);
  // Whether a row of the cache is shown (deleted rows stay in the cache, hidden).
  bool RowIsVisible(int32_t position0) const;

  // The record buffer that field values are read from and written to in the current state.
  uint8_t* StateBuffer() const;
  // Value of one select column in a record buffer, as the statements take it.
  Variant ColumnValue(int32_t column, const uint8_t* buffer) const;
  // Copies a fetched row (or a refresh statement's row) into a record buffer, column by column.
  void ReadRowFromStatement(TFIBXSQLDA* row, uint8_t* buffer, bool byName);
  bool FetchRecord();
  TFIBQuery* FSelect = nullptr;

  // Local order and filter at open: the sort information and the filter parser (ZAZDataSetSort.cpp).
  void OpenLocalOrderAndFilter();
  void DoAfterPost() override;
  // The filter's part of a row's visibility.
  bool RowPassesFilter(int32_t position0) const { return !FilterActive() || EvaluateRowFilter(position0); }
  bool FilterActive() const { return Filtered() && (FFilterParser || OnFilterRecord().Assigned()); }
  int32_t FilteredRecordCount() const;
  // The local sort kept by poPersistentSorting is made again once the dataset is open.
  void RestoreLocalSortAfterOpen();

  // Cached-update hooks of the editing path (ZAZDataSetCached.cpp).
  bool IsStatusVisible(uint8_t status) const { return FUpdateRecordTypes.Contains(static_cast<TCachedUpdateStatus>(status & 7)); }
  // At open: the cache logs old values in cached-update mode; no change is pending.
  void ResetCachedUpdates();
  // At the start of an edit: a row's values as fetched are logged before its first cached change.
  void SaveOriginalValues();
  // The post and delete of cached-update mode: the cache only.
  void PostToCache(bool inserting);
  void InsertIntoCache(uint8_t* buffer, uint8_t status);
  void DeleteInCache();
  bool CurrentRowIsCachedInsert() const;

private:
  void CheckDatabaseAndTransaction();
  int32_t VisibleCount() const { return FFetchedCount - FHiddenCount; }
  int32_t ColumnOf(TField* field) const;
  void ExecModify(TFIBQuery* query);
  void CreateCache();
  // The calculated area of a cache row when calculated values are kept there; nil otherwise.
  uint8_t* CachedCalcArea(const uint8_t* buffer) const;
  // Runs one server step; a database error goes first to the given library handler, which may retry
  // or abort, and otherwise on to the platform's error event.
  template <class Step>
  void WithErrorAction(void (TFIBCustomDataSet::*handler)(EDatabaseError&, TDataAction&), Step step);
  // Registers (or removes) the four handlers of the read or of the update transaction.
  void BindTransactionEvents(TFIBTransaction* tr, bool read, bool add);
  void DoBeforeStartTransaction(TObject* sender);
  void DoAfterStartTransaction(TObject* sender);
  void DoBeforeEndTransaction(TFIBTransaction* sender, TTransactionAction action, bool force);
  void DoAfterEndTransaction(TFIBTransaction* sender, TTransactionAction action, bool force);
  void DoBeforeStartUpdateTransaction(TObject* sender);
  void DoAfterStartUpdateTransaction(TObject* sender);
  void DoBeforeEndUpdateTransaction(TFIBTransaction* sender, TTransactionAction action, bool force);
  bool GetCalcFieldData(TField* field, void* buffer);
  void SetCalcFieldData(TField* field, const void* buffer);

  TFIBQuery* FInsert = nullptr;
  TFIBQuery* FUpdate = nullptr;
  TFIBQuery* FDelete = nullptr;
  TFIBQuery* FRefresh = nullptr;
  TFIBDatabase* FDatabase = nullptr;
  TFIBTransaction* FTransaction = nullptr;
  TFIBFieldDescrList FDescrs;
  TFIBRecordLayout FLayout;
  TRecordsCache* FCache = nullptr;
  std::vector<uint8_t> FFetchBuffer;
  std::vector<uint8_t> FOldBuffer;
  TpZAZDsOptions FOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields};
  TpPrepareOptions FPrepareOptions{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo, psSetEmptyStrToNull};
  int32_t FBufferChunks = 32;
  int32_t FCurrentIndex = -1;
  int32_t FFetchedCount = 0;
  int32_t FHiddenCount = 0;
  bool FIsOpen = false;
  bool FIsPrepared = false;
  bool FCursorAtEnd = false;
  bool FHasOldBuffer = false;
  bool FOptionsResetDone = false;
  TDetailConditions FDetailConditions;
  TTransactionKind FRefreshTransactionKind = tkReadTransaction;
  bool FAutoCommit = false;
  bool FCalcFieldsCached = false;
  TCursor FSQLScreenCursor = crDefault;
  int32_t FCalcSuppression = 0;
  TDataSetState FStateBeforeValue = dsInactive;
  TDataLink* FDataLink = nullptr;
  TDataSetsContainer* FContainer = nullptr;
  TFieldOriginRule FFieldOriginRule = forTableAndFieldName;
  TUpdateKinds FAllowedUpdateKinds{ukModify, ukInsert, ukDelete};
  TSQLs* FSQLs = nullptr;
  bool FControlsReportedDisabled = false;
  // The select column of a field (the statement prepared and the fields bound first); nil without one.
  TFIBXSQLVAR* FieldColumn(TField* field);

  // Cached updates (ZAZDataSetCached.cpp).
  int32_t ActivePosition() const;
  void SetRowStatus(int32_t position0, uint8_t status);
  bool RevertRowAt(int32_t position0);
  void LoadRowForApply(int32_t position0, TUpdateKind kind);
  bool ApplyRow(int32_t position0, TUpdateKind kind);
  void RecountHidden();
  // Re-reads the buffers around the current row; when it is no longer shown, moves to the first row.
  void ResyncAfterCachedChange();
  // Master-detail (ZAZDataSetMaster.cpp).
  friend class TFIBDataLink;
  void EnsureMasterWaitTimer();
  void EnsureEndScrollTimer();
  void MasterWaitTimerFired(TObject* sender);
  void EndScrollTimerFired(TObject* sender);
  // The select statement's own end-of-transaction callback, taken over so that cached rows can be
  // fetched before a hard end closes the cursor, whichever link hears of the end first.
  void SelectTransactionEnding(TObject* sender);
  bool HardEndOfReadTransaction() const;
  // Each select parameter with the master field it takes its value from (skipping those without one).
  template <class Visit>
  bool ForEachMasterParam(Visit visit);
  TFIBBase* FLinkObject = nullptr;
  TFIBTimer* FMasterWaitTimer = nullptr;
  TFIBTimer* FEndScrollTimer = nullptr;
  int32_t FMasterWaitInterval = 300;
  bool FMasterRefreshRunning = false;
  TDataSetNotifyEvent FOnEndScroll;

  // Locate and local order and filter.
  bool TestLocateRow(int32_t index, std::vector<TField*>& fields, std::vector<Variant>& keys,
                     std::vector<bool>& converted, TExtLocateOptions options, bool& keysAfter);
  bool LocateRowVisible(int32_t index);
  void GotoRecordNumber(int32_t recNo, bool center);
  void CreateFilterParser(const String& text, TFilterOptions options);
  void SetFilterData(const String& text, TFilterOptions options);
  bool EvaluateRowFilter(int32_t position0) const;
  void SortCachedRows(const std::vector<TSortFieldRef>& fields, const std::vector<bool>& ordering);
  void QuickSortRows(const std::vector<TField*>& fields, const std::vector<int32_t>& directions, int32_t l,
                     int32_t r);
  Variant SortKeyValue();
  Variant RecordValuesArray();
  Variant FSortInfo;
  bool FLocalSortActive = false;
  bool FSortKeyChangedOnPost = false;
  // The failure of the re-read after a post that wrote its row: raised once the post is complete.
  std::exception_ptr FPostRefreshError;
  String FSortSelectText;
  int32_t FRepositionRecNo = -1;
  int64_t FLocateRowTests = 0;
  TExprParser* FFilterParser = nullptr;
  std::vector<uint8_t> FFilterBuffer;
  std::vector<int32_t> FFilteredRecords;
  String FFilterParserText;
  int32_t FNearestIndex = -1;
  bool BufferPassesFilter(uint8_t* buffer);
  TFIBUpdateRecordTypes FUpdateRecordTypes{cusUnmodified, cusModified, cusInserted};
  int32_t FPendingChanges = 0;
  bool FCachedUpdates = false;
  bool FHasPendingChanges = false;

  // Cache models and fetching (ZAZDataSetLimited.cpp).
  friend class TCacheModelOptions;
  struct TLimitedState;
  struct TLimitedStateFree {
    void operator()(TLimitedState* state) const;
  };
  TLimitedState& Limited() const;
  TGetResult GetCachedRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck);
  TGetResult GetLimitedRecord(uint8_t* buffer, TGetMode getMode);
  int32_t CacheRowOf(int32_t index) const;
  void OpenCacheModel();
  void BuildLimitedBookmarkLayout();
  void BuildLimitedCacheStatements();
  void LimitedFirst();
  void LimitedLast();
  bool LoadLimitedWindow(TFIBQuery* statement, int32_t& anchor, bool execute, bool requireFound);
  void PrepareWindowStatement(TFIBQuery* statement, const uint8_t* source);
  void SwitchActiveSelect(TFIBQuery* statement, int32_t anchorIndex);
  bool FillWindowFrom(TFIBQuery* statement, int32_t count, int32_t direction, int32_t start, bool& shifted);
  void ShiftWindowIndexes();
  void StoreLimitedRow(TFIBQuery* statement, TFIBXSQLDA* row, int32_t index);
  void ReadLimitedRow(int32_t index, uint8_t* buffer);
  void CopySelectParams(TFIBQuery* statement);
  String LimitedColumn(TField* field);
  void LimitedBookmarkData(const uint8_t* buffer, uint8_t* data);
  bool BookmarkMatchesRecord(const uint8_t* bookmark, int32_t index, bool ignoreRow);
  void LimitedGotoBookmark(const uint8_t* bookmark);
  void LimitedRefresh(bool resync, bool events);
  void CloseCacheModel();
  void LimitedPost(bool inserting);
  void LimitedDelete();
  Variant LimitedLookup(const String& keyFields, const Variant& keyValues, const String& resultFields);
  mutable std::unique_ptr<TLimitedState, TLimitedStateFree> FLimited;
  TCacheWindow* FCacheWindow = nullptr;
  bool FUniDirectional = false;
  int32_t FScrollEventsDisabled = 0;

  // Blob streams (ZAZDataSetBlobs.cpp): a slot holds an index + 1 into FBlobSlotTable.
  int32_t BlobOrdinal(int32_t column) const;
  int32_t* BlobSlot(uint8_t* buffer, int32_t column) const;
  std::vector<TFIBBlobStream*> FOpenBlobStreams;
  std::vector<TFIBBlobStream*> FBlobSlotTable;
  uint32_t FBlobStreamsGeneration = 0;
};

// The link of a detail dataset to its master's data source.
class TFIBDataLink : public TDetailDataLink {
  RTL_CLASS(TFIBDataLink, TDetailDataLink)
public:
  explicit TFIBDataLink(TFIBCustomDataSet* detail) : FDetail(detail) {}
  ~TFIBDataLink() override;
  TDataSet* DetailDataSet() const override;

protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override {}
  void RecordChanged(TField* field) override;

private:
  TFIBCustomDataSet* FDetail;
};

class TFIBDataSet : public TFIBCustomDataSet {
  RTL_CLASS(TFIBDataSet, TFIBCustomDataSet)
  RTL_PUBLISHED_DECL
public:
  using TFIBCustomDataSet::TFIBCustomDataSet;
};
