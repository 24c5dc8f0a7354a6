#pragma once
// TFIBQuery: one SQL statement run through the client library. It keeps the SQL text as lines, finds the
// named parameters and macros in it, prepares the statement on the server, executes it with the values of
// its descriptor blocks, walks the cursor of a select, and closes and drops the server statement.

#include <cstdint>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Components.h"
#include "rtl/Events.h"
#include "rtl/Sets.h"
#include "rtl/System.h"

class IIBClientLibrary;
class TFIBDatabase;
class TFIBTransaction;
class TFIBBase;
class TConditions;
class TSQLParser;
class TStrings;
class TStringList;
class EFIBError;

enum TFIBSQLTypes : uint8_t {
  SQLUnknown,
  SQLSelect,
  SQLInsert,
  SQLUpdate,
  SQLDelete,
  SQLDDL,
  SQLGetSegment,
  SQLPutSegment,
  SQLExecProcedure,
  SQLStartTransaction,
  SQLCommit,
  SQLRollback,
  SQLSelectForUpdate,
  SQLSetGenerator,
  SQLSavePointOperation,
};

// The options (TpZAZQueryOptions) are declared with the property classes in pFIBProps.h.

// Batch runs of a statement over many rows (input: rows executed from a source; output: rows fetched to a
// target). The library has no batch runner of its own: the statement only keeps the two events for code
// that runs batches through it.
enum TBatchOperation : uint8_t { bopInput, bopOutput };
RTL_ENUM(TBatchOperation, bopInput, bopOutput)
// What a batch does with the row at hand: run it, skip it, or stop the batch.
enum TBatchAction : uint8_t { baContinue, baSkip, baStop };
RTL_ENUM(TBatchAction, baContinue, baSkip, baStop)
// What a batch does after a failed row: stop with the error, stop silently, run the row again, go on.
enum TBatchErrorAction : uint8_t { beFail, beAbort, beRetry, beIgnore };
RTL_ENUM(TBatchErrorAction, beFail, beAbort, beRetry, beIgnore)
using TOnBatching = Event<TBatchOperation, int32_t, TBatchAction&>;
using TOnBatchError = Event<EFIBError&, TBatchErrorAction&>;

class TFIBQuery : public TComponent, public ISQLObject {
  RTL_CLASS(TFIBQuery, TComponent)
  RTL_INTERFACES(ISQLObject)
public:
  explicit TFIBQuery(TComponent* AOwner);
  ~TFIBQuery() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Connection and transaction, through the link object.
  TFIBDatabase* Database() const;
  virtual void SetDatabase(TFIBDatabase* value);
  TFIBDatabase* GetDatabase() const { return Database(); }
  TFIBTransaction* Transaction() const;
  void SetTransaction(TFIBTransaction* value);
  TFIBTransaction* GetTransaction() const { return Transaction(); }
  TFIBBase* Base() const { return FBase; }

  TStrings* SQL() const;
  void SetSQL(TStrings* value);
  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool value);
  bool GoToFirstRecordOnExecute() const { return FGoToFirstRecordOnExecute; }
  void SetGoToFirstRecordOnExecute(bool v) { FGoToFirstRecordOnExecute = v; }
  TpZAZQueryOptions Options() const { return FOptions; }
  void SetOptions(TpZAZQueryOptions v) { FOptions = v; }
  TConditions* Conditions() const { return FConditions; }
  void SetConditions(TConditions* value);
  char MacroChar() const { return FMacroChar; }
  void SetMacroChar(char c) { FMacroChar = c; }

  TNotifyEvent OnSQLChanging;
  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TNotifyEvent TransactionEnding;
  TNotifyEvent TransactionEnded;
  // Called before each fetch with the rows fetched so far; setting stop aborts silently.
  Event<int32_t, bool&> FetchHook;
  // Kept for batch runs; the statement itself never raises them.
  TOnBatching OnBatching;
  TOnBatchError OnBatchError;

  void Prepare();
  virtual void ExecQuery();
  TFIBXSQLDA* FetchNext();
  void CloseCursor();
  void FreeHandle();
  // Forgets the statement handle without a client call, for an attachment that is already gone; the
  // following CloseCursor and FreeHandle then only reset the statement's state.
  void ForgetHandle() { FHandle = 0; }

  TFIBXSQLDA* GetParams();
  TFIBXSQLDA* Params() { return GetParams(); }
  TFIBXSQLVAR* ParamByName(const String& name);
  TFIBXSQLVAR* FindParam(const String& name);
  TFIBXSQLVAR* FieldByName(const String& name);
  TFIBXSQLVAR* FindField(const String& name);
  TFIBXSQLVAR* GetFieldByIndex(int32_t index);
  TFIBXSQLVAR* Fields(int32_t index) { return GetFieldByIndex(index); }
  int32_t FieldIndex(const String& name);
  TFIBXSQLVAR* FieldByOrigin(const String& relationName, const String& columnName);
  int32_t GetFieldCount() const;
  TFIBXSQLDA* GetCurrentRow() const { return FSQLRecord; }
  TFIBXSQLDA* ServerParams() const { return FSQLParams; }

  bool GetEof();
  bool Eof() { return GetEof(); }
  bool Bof() const { return FBOF; }
  // The end test without the handle drop of GetEof.
  bool EofFlag() const { return FEOF || !FOpen; }
  bool Open() const { return FOpen; }
  bool Prepared() const { return FPrepared; }
  int32_t GetRecordCount() const { return FRecordCount; }
  int32_t RecordCount() const { return FRecordCount; }
  int32_t GetRowsAffected();
  TFIBSQLTypes SQLType() const { return FSQLType; }
  String GetPlan();
  String Plan() { return GetPlan(); }
  String FieldRelationAlias(int32_t index);
  String FieldRelationAlias(const String& name);
  String GetMainTable();
  uint32_t CallTime() const { return FCallTime; }
  isc_stmt_handle Handle() const { return FHandle; }
  // The text sent to the server: parameters as positional markers, macros replaced.
  const String& ExecText() const { return FProcessedSQL; }
  const String& CursorName() const { return FCursorName; }

  void BeginChangeSQL();
  void EndChangeSQL();
  String GetWhereClause(int32_t n);
  String GetMainWhereClause();
  void ReplaceMainWhereClause(const String& clause);
  String GetOrderClause();
  void SetOrderClause(const String& order);
  void SetPlanClause(const String& plan);

  // ISQLObject: a statement has no old values, so Old is ignored.
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
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // Facts of the connection the descriptor blocks convert by.
  IIBClientLibrary* ClientLibrary() const;
  int32_t SQLDialect() const;
  // The connection's character set is UTF8.
  bool UnicodeCharset() const;
  // The connection's character set is UTF8, NONE or not given.
  bool UnicodeOrNoneCharset() const;
  bool UpperOldNames() const;

  // Parameter scanning and macros.
  bool HasParamMarkers(const String& text) const;
  String BuildExecText(bool markSubstitution);
  bool NeedsRebuild();
  void RebuildParams();
  static void SaveParamValues(TFIBXSQLDA* block);
  static void RestoreParamValues(TFIBXSQLDA* block);

  // Blob helpers of the descriptor entries: whole blobs on the statement's connection and transaction.
  String ReadBlob(const fbapi::ISC_QUAD& id);
  fbapi::ISC_QUAD WriteBlob(const String& data);

  // The status check every client call goes through: the transaction's gate, raising when asked.
  ISC_STATUS CheckStatus(ISC_STATUS status, bool raise);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TFIBXSQLVAR;
  friend class TFIBXSQLDA;
  friend class TConditions;
  void SQLChanging(TObject* sender);
  void SQLChanged(TObject* sender);
  void DoBeforeDisconnect(TObject* sender);
  void DoBeforeTransactionEnd(TObject* sender);
  void ScanParams(const String& text, bool userMode);
  void Describe();
  void AlignUserParams();
  void WriteBlobParams();
  void FreeBlobParams();
  void ExecuteStatement();
  void StartTransactionIfNeeded();
  String TraceName() const;
  void FillRelationAliases();
  [[noreturn]] void RaiseServer();

  static constexpr bool kTrue = true;
  TFIBBase* FBase = nullptr;
  IIBClientLibrary* FLibrary = nullptr;
  bool FBOF = false;
  bool FEOF = false;
  bool FOpen = false;
  bool FPrepared = false;
  int32_t FRecordCount = 0;
  isc_stmt_handle FHandle = 0;
  TStringList* FSQL = nullptr;
  String FProcessedSQL;
  TFIBXSQLDA* FSQLParams = nullptr;
  TFIBXSQLDA* FSQLRecord = nullptr;
  TFIBXSQLDA* FUserSQLParams = nullptr;
  TFIBSQLTypes FSQLType = SQLUnknown;
  bool FProcExecuted = false;
  char FMacroChar = '@';
  bool FParsed = false;
  int32_t FChangeCount = 0;
  String FMainTable = "-1";
  TpZAZQueryOptions FOptions;
  bool FMacrosSubstituted = false;
  TStringList* FServerOnlyParams = nullptr;
  uint32_t FCallTime = 0;
  bool FValuesChanged = false;
  bool FScanParams = false;
  int32_t FSQLVersion = 0;
  bool FBlobParams = false;
  std::vector<String> FRelationAliases;
  bool FAliasesFilled = false;
  String FCursorName;
  TConditions* FConditions = nullptr;
  TSQLParser* FParser = nullptr;
  bool FParamCheck = true;
  bool FGoToFirstRecordOnExecute = true;
  bool FHoldValuesChanged = false;
};
