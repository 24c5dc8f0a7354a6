#pragma once
// The dataset that forms use: on top of the SQL dataset it writes its own modifying statements from
// AutoUpdateOptions, takes key values from a generator for new records and gives its fields the display
// formats of DefaultFormats.

#include "datasets/DSContainer.h"
#include "datasets/ZAZDataSet.h"
#include "dbaccess/pZAZUpdateObject.h"

class TAutoUpdateOptions;
class TFormatFields;

enum TpZAZStatementKind : uint8_t { skUpdate, skInsert, skDelete, skRefresh };

// The outcome of locking the current record on the server.
enum TLockStatus : uint8_t { lsSuccess, lsDeadLock, lsNotExist, lsMultiply, lsUnknownError };
RTL_ENUM(TLockStatus, lsSuccess, lsDeadLock, lsNotExist, lsMultiply, lsUnknownError);

// Dataset, status of the refused lock, message (may be changed), action (daFail by default).
using TLockErrorEvent = Event<TDataSet*, TLockStatus, String&, TDataAction&>;

class TpZAZDataSet : public TFIBDataSet, public IUpdateObjectHost, public IProviderSupport {
  RTL_CLASS(TpZAZDataSet, TFIBDataSet)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZDataSet(TComponent* AOwner);
  ~TpZAZDataSet() override;
  void AfterConstruction() override;

  TAutoUpdateOptions* AutoUpdateOptions() const { return FAutoUpdateOptions; }
  TFormatFields* DefaultFormats() const { return FDefaultFormats; }

  void Prepare() override;
  // The dataset repository row this dataset takes its definition from when it prepares (0: none).
  // Only while closed; a non-zero ID turns psApplyRepositary on.
  int32_t DataSet_ID() const { return FDataSet_ID; }
  void SetDataSet_ID(int32_t value);
  const String& Description() const { return FDescription; }
  void SetDescription(const String& value) { FDescription = value; }
  // The statement of the kind for the update table, as generated from the select's columns; "No Action"
  // for an update or insert without columns, empty without a table.
  String GenerateSQLText(TpZAZStatementKind kind);
  // Takes the key field's value from the generator (when it is numeric and null).
  void AssignGeneratorValue();
  // Required, read-only and default values of the fields from the metadata cache, as the prepare
  // options ask (runs after each open).
  virtual void SetFieldProperties();
  // The rows the select gives on the server (asked at open with psAskRecordCount); 0 when not asked.
  int32_t ServerRecordCount() const { return FServerRecordCount; }
  int32_t AskServerRecordCount();

  // The event names accepted from a container broadcast ("*" and "?" wildcards; empty accepts all).
  TStrings* ReceiveEvents() const { return FReceiveEvents; }
  void SetReceiveEvents(TStrings* value);
  bool AcceptsUserEvent(const String& eventName) const;
  // "CLOSE" closes, "OPEN" opens, any other name goes to the container's OnUserEvent; then OnUserEvent.
  void ReceiveUserEvent(TObject* sender, const String& eventName, Variant& info);

  TUserEvent OnUserEvent;
  TOnApplyDefaultValue OnApplyDefaultValue;
  // May supply the text of the record count statement.
  Event<TDataSet*, String&> OnAskRecordCount;

  // --- Record lock (pZAZDataSetLock.cpp) ---
  // Locks the current record with a dummy update of its key in the update transaction; the row stays
  // locked until that transaction ends. With raiseErrors a refused lock goes through OnLockError.
  TLockStatus LockRecord(bool raiseErrors = true);
  // The text of the lock statement for the current settings (built as LockRecord builds it).
  String LockSQLText();
  TFIBQuery* QLock() const { return FLockQuery; }
  TLockErrorEvent OnLockError;

  // --- Provider support (pZAZDataSetProvider.cpp) ---
  String PSGetQuoteChar() override;
  String PSGetTableName() override;
  String PSGetKeyFields() override;
  void PSSetCommandText(const String& commandText) override;
  EUpdateError PSGetUpdateException(const Exception& error, const EUpdateError* previous) override;
  bool PSInTransaction() override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  void PSStartTransaction() override;
  void PSEndTransaction(bool commit) override;
  bool PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta) override;
  int32_t PSExecuteStatement(const String& sql, TParams* params, TDataSet** resultSet) override;
  void PSReset() override;
  void PSExecute() override;
  TParams* PSGetParams() override;
  void PSSetParams(TParams* params) override;

  // --- Update objects and cached updates (ZAZDataSetCached.cpp) ---
  void AddUpdateObject(TpZAZUpdateObject* object) override;
  void RemoveUpdateObject(TpZAZUpdateObject* object) override;
  TFIBDatabase* UpdateObjectDatabase() override { return Database(); }
  TFIBTransaction* UpdateObjectTransaction() override { return Transaction(); }
  const TUpdateObjectLists& UpdateObjects() const { return FUpdateObjects; }
  // The update or insert statement of the current record with AutoUpdateOptions' UpdateOnlyModifiedFields:
  // only the fields whose value differs from the old one, or only the non-null fields; "No Action" when
  // there are none.
  String GenerateModifiedFieldsSQL(TpZAZStatementKind kind);

protected:
  void InitNewRecordValues() override;
  void ApplyFieldSettings() override;
  void DeleteOnServer() override;
  void DoOnPostError(EDatabaseError& error, TDataAction& action) override;
  void DoOnDeleteError(EDatabaseError& error, TDataAction& action) override;
  void DoAskRecordCount() override;
  int32_t GetRecordCount() const override;
  // Each hook reports its event to the container first.
  void DoBeforeOpen() override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeEdit() override;
  void DoAfterEdit() override;
  void DoBeforePost() override;
  void DoAfterPost() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoAfterDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;
  void DoOnCalcFields() override;
  // Update objects around the dataset's own statement; with UpdateOnlyModifiedFields the statement is
  // written for the record first.
  void PostOnServer(bool inserting) override;
  bool CanEdit() const override;
  bool CanInsert() const override;
  bool CanDelete() const override;
  void RunUpdateObjects(TUpdateKind kind, TFIBOrderExecUO order);

private:
  struct TUpdateColumn {
    String Column;
    String FieldName;
  };
  std::vector<TUpdateColumn> UpdateColumns();
  String KeyCondition();
  // The update (with its key condition) or insert statement writing the columns; "No Action" without any.
  String ModifyStatementText(TpZAZStatementKind kind, const std::vector<TUpdateColumn>& columns, const String& where);
  void GenerateStatements();
  void ReportEvent(TKindDataSetEvent event);
  void ApplyDefaultValues();

  TAutoUpdateOptions* FAutoUpdateOptions = nullptr;
  int32_t FDataSet_ID = 0;
  int32_t FAppliedDataSet_ID = 0;  // the ID whose repository row was applied last
  String FDescription;
  TFormatFields* FDefaultFormats = nullptr;
  String FGeneratedFor;  // the select text the stored statements were generated for
  TStrings* FReceiveEvents = nullptr;
  TFIBQuery* FCountQuery = nullptr;
  int32_t FServerRecordCount = 0;
  int32_t FDeletedSinceCount = 0;  // rows deleted since the server count was taken
  bool AllowedBeyondStatements(TUpdateKind kind) const;
  TUpdateObjectLists FUpdateObjects;
  TFIBQuery* FLockQuery = nullptr;
  TFIBQuery* FLockSavepoint = nullptr;  // marks the state before the dummy update
  TFIBQuery* FLockUndo = nullptr;       // undoes a dummy update that hit several rows
  String FLockErrorText;  // the library error of the last lsUnknownError
  TLockStatus ExecuteLock();
  TParams* FPSParams = nullptr;
};
