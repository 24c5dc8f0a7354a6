#pragma once
// Connections (TFIBDatabase), transactions over one or more connections (TFIBTransaction), the link
// object through which statements and datasets are bound to both (TFIBBase), and the interface by which
// statements and datasets hand parameters and fields to one another (ISQLObject).
//
// Every client call of a connection or a transaction passes its status through the owner's Call gate,
// which marks the owner as used (idle timeout) and raises the server error when asked to.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "dbaccess/IB_Intf.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Components.h"
#include "rtl/DateTime.h"
#include "rtl/Events.h"
#include "rtl/Interfaces.h"
#include "rtl/Sets.h"
#include "rtl/Variants.h"

class TFIBDatabase;
class TFIBTransaction;
class TFIBBase;
class TFIBQuery;
class TFIBTimer;
class TCallBackList;
class TNotifyEventList;
class TStrings;
class TStringList;

// ---------------------------------------------------------------------------------------------------
// Options and event types

enum TDesignDBOption : uint8_t { ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword };
RTL_ENUM(TDesignDBOption, ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword)
using TDesignDBOptions = Set<TDesignDBOption>;

enum TpFIBRepositoryOption : uint8_t { urFieldsInfo, urDataSetInfo, urErrorMessagesInfo };
RTL_ENUM(TpFIBRepositoryOption, urFieldsInfo, urDataSetInfo, urErrorMessagesInfo)
using TpFIBRepositoryOptions = Set<TpFIBRepositoryOption>;

// The ways a transaction ends.
enum TTransactionAction : uint8_t { TARollback, TARollbackRetaining, TACommit, TACommitRetaining };
RTL_ENUM(TTransactionAction, TARollback, TARollbackRetaining, TACommit, TACommitRetaining)

// Values of TFIBTransaction::State.
enum : uint8_t {
  trsActive = 0,
  trsInactive = 1,
  trsRollingBack = 2,
  trsRollingBackRetaining = 3,
  trsCommitting = 4,
  trsCommittingRetaining = 5,
};

// Handlers of the before-end and after-end lists of a transaction: the ending transaction, the action
// and the Force flag.
using TEndTrEvent = Event<TFIBTransaction*, TTransactionAction, bool>;

// Blob swap file events, with the blob's table, column and row key values. Before saving: the stream
// about to be written, the file name (may be changed) and whether to save; before loading: the file name
// (may be changed) and whether to load; after either: the file name used.
using TBeforeSaveBlobToSwap =
    Event<const String&, const String&, const std::vector<Variant>&, TStream*, String&, bool&>;
using TAfterSaveLoadBlobSwap = Event<const String&, const String&, const std::vector<Variant>&, const String&>;
using TBeforeLoadBlobFromSwap = Event<const String&, const String&, const std::vector<Variant>&, String&, bool&>;

// Kinds of TFIBTransaction::AddEvent / AddEndEvent.
enum : int32_t { tekBeforeStart = 0, tekAfterStart = 1, tekBeforeEnd = 2, tekAfterEnd = 3, tekOnFree = 4 };

// A blob filter: may replace the buffer (malloc family) and its length.
using TBlobFilterProc = void (*)(char*& buffer, int32_t& length);

// ---------------------------------------------------------------------------------------------------
// TFIBDatabase

class TFIBDatabase : public TComponent, public IIBClientLibrary, public IFIBPropsConnection {
  RTL_CLASS(TFIBDatabase, TComponent)
  RTL_PUBLISHED_DECL
  RTL_INTERFACES(IIBClientLibrary)
public:
  explicit TFIBDatabase(TComponent* AOwner);
  ~TFIBDatabase() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Loaded() override;

  // Published properties.
  bool Connected() const { return FHandle != 0; }
  void SetConnected(bool value);
  TBlobSwapSupport* BlobSwapSupport() const { return FBlobSwapSupport; }
  void SetBlobSwapSupport(TBlobSwapSupport* value);
  const String& DBName() const { return FDBName; }
  void SetDBName(const String& value);
  TStrings* DBParams() const;
  void SetDBParams(TStrings* value);
  TFIBTransaction* DefaultTransaction() const { return FDefaultTransaction; }
  void SetDefaultTransaction(TFIBTransaction* value);
  TFIBTransaction* DefaultUpdateTransaction() const { return FDefaultUpdateTransaction; }
  void SetDefaultUpdateTransaction(TFIBTransaction* value);
  int32_t SQLDialect() const { return FSQLDialect; }
  // Client error 61 below 1, or when connected and above the database's dialect.
  void SetSQLDialect(int32_t value);
  // Idle timeout in milliseconds; 0 = none. The timer exists only while it is not 0.
  uint32_t Timeout() const;
  void SetTimeout(uint32_t value);
  bool UseLoginPrompt() const { return FUseLoginPrompt; }
  void SetUseLoginPrompt(bool value) { FUseLoginPrompt = value; }
  TNotifyEvent OnTimeout() const { return FOnTimeout; }
  void SetOnTimeout(const TNotifyEvent& value) { FOnTimeout = value; }
  bool UpperOldNames() const { return FUpperOldNames; }
  void SetUpperOldNames(bool value) { FUpperOldNames = value; }
  TNotifyEvent BeforeDisconnect() const { return FBeforeDisconnect; }
  void SetBeforeDisconnect(const TNotifyEvent& value) { FBeforeDisconnect = value; }
  TNotifyEvent AfterDisconnect() const { return FAfterDisconnect; }
  void SetAfterDisconnect(const TNotifyEvent& value) { FAfterDisconnect = value; }
  TConnectParams* ConnectParams() const { return FConnectParams; }
  void SetConnectParams(TConnectParams* value);
  bool SynchronizeTime() const { return FSynchronizeTime; }
  void SetSynchronizeTime(bool value) { FSynchronizeTime = value; }
  TDesignDBOptions DesignDBOptions() const { return FDesignDBOptions; }
  void SetDesignDBOptions(TDesignDBOptions value);
  TNotifyEvent OnConnect() const { return FOnConnect; }
  void SetOnConnect(const TNotifyEvent& value) { FOnConnect = value; }
  // Kept here for the blob streams of the connection, which fire them.
  TBeforeSaveBlobToSwap BeforeSaveBlobToSwap;
  TAfterSaveLoadBlobSwap AfterSaveBlobToSwap;
  TAfterSaveLoadBlobSwap AfterLoadBlobFromSwap;
  TBeforeLoadBlobFromSwap BeforeLoadBlobFromSwap;
  TpFIBRepositoryOptions UseRepositories() const { return FUseRepositories; }
  void SetUseRepositories(TpFIBRepositoryOptions value) { FUseRepositories = value; }
  const String& LibraryName() const { return FLibraryName; }
  void SetLibraryName(const String& value);

  // Opening and closing.
  virtual void CloseConnection(bool Force);
  virtual void Open();
  void Close();
  void ForceClose();
  void CheckActive();
  void CheckInactive();

  // The gate of every client call: keeps the status, marks the connection as used, and raises the
  // server error (sender this connection) when raiseError is set and the status is above 0.
  ISC_STATUS Call(ISC_STATUS status, bool raiseError);

  // The attachment handle; 0 when not connected.
  isc_db_handle Handle() const { return FHandle; }
  isc_db_handle* HandleAddress() { return &FHandle; }
  // The binding of LibraryName, bound on first use.
  IIBClientLibrary* ClientLibrary();
  void EnsureClientLibrary();

  // Parameter lines.
  String DBParamByDPB(int32_t code);
  void SetDBParamByDPB(int32_t code, const String& value);
  void SetDBParamValue(const String& name, const String& value);
  // The first line whose name is `name` (with or without an eight-character prefix such as isc_dpb_),
  // compared ASCII case-insensitively as a whole name; -1 when none.
  int32_t IndexOfDBParam(const String& name) const;

  // Link objects of statements and datasets.
  int32_t AddLink(TFIBBase* link);
  void RemoveLink(int32_t index);
  TFIBBase* GetLink(int32_t index) const;
  int32_t LinkCount() const { return static_cast<int32_t>(FLinks.size()); }

  // Transactions spanning this connection; a freed slot may hold nullptr.
  int32_t AddTransaction(TFIBTransaction* transaction);
  void RemoveTransaction(int32_t index);
  void RemoveTransactions();
  TFIBTransaction* GetTransaction(int32_t index) const;
  int32_t TransactionCount() const { return static_cast<int32_t>(FTransactions.size()); }
  int32_t ActiveTransactionCount() const;
  TFIBTransaction* FirstActiveTransaction() const;

  // Notification lists (handlers get this connection as sender): after connect and before disconnect
  // run first to last; on destroy runs last to first.
  void AddAfterConnectHandler(const TNotifyEvent& handler);
  void RemoveAfterConnectHandler(const TNotifyEvent& handler);
  void AddBeforeDisconnectHandler(const TNotifyEvent& handler);
  void RemoveBeforeDisconnectHandler(const TNotifyEvent& handler);
  void AddDestroyHandler(const TNotifyEvent& handler);
  void RemoveDestroyHandler(const TNotifyEvent& handler);

  // Blob filters (the table stays empty unless an entry is registered).
  void RegisterBlobFilter(int32_t subType, TBlobFilterProc first, TBlobFilterProc second);
  bool HasBlobFilter(int32_t subType);
  void ApplyBlobFilter(char*& buffer, int32_t& length, bool selector, int32_t subType);

  // Server information and the connection's own queries.
  bool DatabaseInfoInteger(uint8_t item, int32_t& value);
  int32_t GetDBSQLDialect();
  bool UsesUpperCaseNames() const { return FSQLDialect < 3 || FUpperOldNames; }
  bool IsUnicodeCharSet() const;
  bool IsUnicodeOrNoneCharSet() const;
  int32_t GetBaseLevel();
  bool IsRemoteConnect();
  String GetFirebirdVersion();
  String GetServerVersion();
  bool IsFirebirdServer();
  void ParseServerVersion();
  int32_t GetServerMajorVersion();
  int32_t ServerMinorVersion() const { return FServerMinor; }
  int32_t ServerRelease() const { return FServerRelease; }
  int32_t ServerBuild() const { return FServerBuild; }
  TDateTime ServerNow();
  // Local minus server date-time, measured at connect when SynchronizeTime is set.
  TDateTime TimeDifference() const { return FTimeDifference; }
  Variant QueryValue(const String& sql, int32_t fieldIndex, const std::vector<Variant>& values);
  Variant QueryValue(const String& sql, int32_t fieldIndex);
  int64_t GetGeneratorValue(const String& generatorName, int64_t step, TFIBTransaction* transaction);
  // The owned transaction of the connection's own queries (write, nowait, read committed).
  TFIBTransaction* InternalTransaction() const { return FInternalTransaction; }

  // Idle timeout tick: force-closes an idle connection and fires OnTimeout, else marks it idle.
  void TimerElapsed(TObject* sender);
  bool Idle() const { return FIdle; }
  void ClearIdle() { FIdle = false; }

  // IIBClientLibrary, delegated to the binding. The component is not reference counted.
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  String GetLibraryName() const override { return FLibraryName; }
  int32_t ClientMajorVersion() const override;
  int32_t ClientMinorVersion() const override;
  void FreeClientLibrary() override;
  void* Proc(TIBEntryPoint ep) const override;

  // IFIBPropsConnection.
  String DBParamByCode(int32_t code) override { return DBParamByDPB(code); }
  void SetDBParamByCode(int32_t code, const String& value) override { SetDBParamByDPB(code, value); }
  bool NotSavePassword() override { return FDesignDBOptions.Contains(ddoNotSavePassword); }

  bool IsConnectedStored() const;
  bool IsLibraryNameStored() const { return FLibraryName != DefaultClientLibraryName; }

protected:
  bool Login();
  void Notification(TComponent* component, TOperation operation) override;

private:
  void DBParamsChanging(TObject* sender);
  void DBParamsChanged(TObject* sender);
  void SetDefaultTransactionOf(TFIBTransaction*& slot, TFIBTransaction* value);
  void FireDisconnectEvent(const TNotifyEvent& event, const char* name);
  // Ends every active transaction of the connection with the non-retaining form of its TimeoutAction,
  // forced (a commit that fails is rolled back and the handle given up); a failure is raised unless
  // Force is set.
  void EndTransactions(bool Force);
  int32_t InfoRequest(uint8_t item, char* answer, int16_t size);
  Variant QueryFieldValue(TFIBQuery* query, int32_t index);

  isc_db_handle FHandle = 0;
  IPtr<IIBClientLibrary> FClientLibrary;
  String FLibraryName = DefaultClientLibraryName;
  String FDBName;
  TDBParams* FDBParams = nullptr;
  TConnectParams* FConnectParams = nullptr;
  TBlobSwapSupport* FBlobSwapSupport = nullptr;
  TFIBTransaction* FDefaultTransaction = nullptr;
  TFIBTransaction* FDefaultUpdateTransaction = nullptr;
  TFIBTransaction* FInternalTransaction = nullptr;
  int32_t FSQLDialect = 1;
  TFIBTimer* FTimer = nullptr;
  bool FUseLoginPrompt = false;
  bool FUpperOldNames = false;
  bool FSynchronizeTime = true;
  bool FStreamedConnected = false;
  bool FIdle = false;
  bool FDPBDirty = true;
  bool FIsUnicodeCharSet = false;
  bool FIsUnicodeOrNoneCharSet = false;
  String FDPB;
  int16_t FDPBLength = 0;
  TDesignDBOptions FDesignDBOptions{ddoStoreConnected};
  TpFIBRepositoryOptions FUseRepositories{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};
  TNotifyEvent FOnTimeout, FBeforeDisconnect, FAfterDisconnect, FOnConnect;
  std::vector<TFIBBase*> FLinks;
  std::vector<TFIBTransaction*> FTransactions;
  TNotifyEventList* FAfterConnectEvents = nullptr;
  TNotifyEventList* FBeforeDisconnectEvents = nullptr;
  TNotifyEventList* FDestroyEvents = nullptr;
  TDateTime FTimeDifference = 0;
  int32_t FServerMajor = -1, FServerMinor = -1, FServerRelease = -1, FServerBuild = -1;
  uint8_t FRemoteConnect = 0;
  struct BlobFilter {
    int32_t SubType;
    TBlobFilterProc First;
    TBlobFilterProc Second;
  };
  std::vector<BlobFilter>* FBlobFilters = nullptr;
  bool FBlobFiltersSorted = false;
  friend class TFIBTransaction;
};

// The process-wide default database (ddoIsDefaultDatabase); nullptr when none.
TFIBDatabase* GetDefaultDatabase();
// Closes (not forced) every live connection; the application calls it at shutdown.
void CloseAllDatabases();
// The number of live connections.
int32_t DatabaseCount();

// ---------------------------------------------------------------------------------------------------
// TFIBTransaction

class TFIBTransaction : public TComponent {
  RTL_CLASS(TFIBTransaction, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBTransaction(TComponent* AOwner);
  ~TFIBTransaction() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Loaded() override;

  // Published properties.
  bool Active() const { return FHandle != 0; }
  void SetActive(bool value);
  TFIBDatabase* DefaultDatabase() const { return FDefaultDatabase; }
  void SetDefaultDatabase(TFIBDatabase* value);
  // Idle timeout in milliseconds; 0 = none. The timer exists only while it is not 0.
  uint32_t Timeout() const;
  void SetTimeout(uint32_t value);
  TTransactionAction TimeoutAction() const { return FTimeoutAction; }
  void SetTimeoutAction(TTransactionAction value) { FTimeoutAction = value; }
  TStrings* TRParams() const;
  void SetTRParams(TStrings* value);
  TNotifyEvent OnTimeout() const { return FOnTimeout; }
  void SetOnTimeout(const TNotifyEvent& value) { FOnTimeout = value; }

  virtual void EndTransaction(TTransactionAction Action, bool Force);
  // Called by statements with kind 0 before and kind 1 after each execution.
  virtual void NotifySQLExecute(TFIBQuery* statement, int32_t kind);
  virtual void StartTransaction();
  virtual void Commit();
  virtual void CommitRetaining();
  virtual void Rollback();
  virtual void RollbackRetaining();

  bool InTransaction() const { return FHandle != 0; }
  void EnsureActive();
  void CheckInTransaction();
  void CheckNotInTransaction();

  // The gate of every client call of the transaction: marks the transaction and its connections as
  // used and raises the server error (sender this transaction) when asked to.
  ISC_STATUS Call(ISC_STATUS status, bool raiseError);

  isc_tr_handle Handle() const { return FHandle; }
  isc_tr_handle* HandleAddress() { return &FHandle; }
  // 0 active, 1 inactive, 2..5 while an end is under way (trs* constants).
  uint8_t State() const { return FState; }
  int32_t TransactionID();
  // Set when the attachment under the transaction is gone: ending it then only forgets the handle.
  bool Lost() const { return FLost; }
  void SetLost(bool value) { FLost = value; }

  // Connections.
  int32_t AddDatabase(TFIBDatabase* database);
  void RemoveDatabase(int32_t index);
  void RemoveAllDatabases();
  TFIBDatabase* GetDatabase(int32_t index) const;
  int32_t GetDatabaseCount() const { return static_cast<int32_t>(FDatabases.size()); }
  int32_t FindDatabase(TFIBDatabase* database) const;
  TFIBDatabase* MainDatabase() const;

  // Link objects.
  int32_t AddLink(TFIBBase* link);
  void RemoveLink(int32_t index);
  TFIBBase* GetLink(int32_t index) const;
  int32_t LinkCount() const { return static_cast<int32_t>(FLinks.size()); }

  // Handler lists: kinds tekBeforeStart, tekAfterStart, tekOnFree take notify events; tekBeforeEnd and
  // tekAfterEnd take end events. Other kinds are ignored.
  void AddEvent(int32_t kind, const TNotifyEvent& handler);
  void RemoveEvent(int32_t kind, const TNotifyEvent& handler);
  void AddEndEvent(int32_t kind, const TEndTrEvent& handler);
  void RemoveEndEvent(int32_t kind, const TEndTrEvent& handler);

  void TimerElapsed(TObject* sender);
  bool Idle() const { return FIdle; }

  bool IsActiveStored() const;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void TRParamsChanging(TObject* sender);
  void TRParamsChanged(TObject* sender);
  void CallNotifyList(TNotifyEventList* list, bool lastFirst);
  void CallEndList(TCallBackList* list, TTransactionAction action, bool force);
  IIBClientLibrary* MainLibrary() const;

  isc_tr_handle FHandle = 0;
  TFIBDatabase* FDefaultDatabase = nullptr;
  std::vector<TFIBDatabase*> FDatabases;
  std::vector<TFIBBase*> FLinks;
  TStringList* FTRParams = nullptr;
  String FTPB;
  int16_t FTPBLength = 0;
  bool FTPBDirty = true;
  bool FStreamedActive = false;
  bool FLost = false;
  bool FIdle = false;
  TFIBTimer* FTimer = nullptr;
  TTransactionAction FTimeoutAction = TARollback;
  uint8_t FState = trsInactive;
  int32_t FTransactionID = 0;
  TNotifyEvent FOnTimeout;
  TNotifyEventList* FOnFreeEvents = nullptr;
  TNotifyEventList* FBeforeStartEvents = nullptr;
  TNotifyEventList* FAfterStartEvents = nullptr;
  TCallBackList* FBeforeEndEvents = nullptr;
  TCallBackList* FAfterEndEvents = nullptr;
  friend class TFIBDatabase;
};

// ---------------------------------------------------------------------------------------------------
// TFIBBase: the link of one statement or dataset to its connection and transaction

class TFIBBase : public TObject {
  RTL_CLASS(TFIBBase, TObject)
public:
  explicit TFIBBase(TComponent* owner);
  ~TFIBBase() override;

  TComponent* Owner() const { return FOwner; }
  TFIBDatabase* Database() const { return FDatabase; }
  void SetDatabase(TFIBDatabase* value);
  TFIBTransaction* Transaction() const { return FTransaction; }
  void SetTransaction(TFIBTransaction* value);
  int32_t IndexInDatabase() const { return FIndexInDatabase; }
  int32_t IndexInTransaction() const { return FIndexInTransaction; }

  // Client error 21 without a connection, then the connection's CheckActive.
  virtual void CheckDatabase();
  // Client error 22 without a transaction, then the transaction's EnsureActive.
  virtual void CheckTransaction();
  isc_db_handle* GetDBHandle();
  isc_tr_handle* GetTRHandle();

  // Callbacks, each called with the link as sender when assigned.
  TNotifyEvent OnDatabaseConnecting() const { return FOnDatabaseConnecting; }
  void SetOnDatabaseConnecting(const TNotifyEvent& v) { FOnDatabaseConnecting = v; }
  TNotifyEvent OnDatabaseConnected() const { return FOnDatabaseConnected; }
  void SetOnDatabaseConnected(const TNotifyEvent& v) { FOnDatabaseConnected = v; }
  TNotifyEvent OnDatabaseDisconnecting() const { return FOnDatabaseDisconnecting; }
  void SetOnDatabaseDisconnecting(const TNotifyEvent& v) { FOnDatabaseDisconnecting = v; }
  TNotifyEvent OnDatabaseDisconnected() const { return FOnDatabaseDisconnected; }
  void SetOnDatabaseDisconnected(const TNotifyEvent& v) { FOnDatabaseDisconnected = v; }
  TNotifyEvent OnDatabaseFree() const { return FOnDatabaseFree; }
  void SetOnDatabaseFree(const TNotifyEvent& v) { FOnDatabaseFree = v; }
  TNotifyEvent OnTransactionEnding() const { return FOnTransactionEnding; }
  void SetOnTransactionEnding(const TNotifyEvent& v) { FOnTransactionEnding = v; }
  TNotifyEvent OnTransactionEnded() const { return FOnTransactionEnded; }
  void SetOnTransactionEnded(const TNotifyEvent& v) { FOnTransactionEnded = v; }
  TNotifyEvent OnTransactionStarting() const { return FOnTransactionStarting; }
  void SetOnTransactionStarting(const TNotifyEvent& v) { FOnTransactionStarting = v; }
  TNotifyEvent OnTransactionStarted() const { return FOnTransactionStarted; }
  void SetOnTransactionStarted(const TNotifyEvent& v) { FOnTransactionStarted = v; }
  TNotifyEvent OnTransactionFree() const { return FOnTransactionFree; }
  void SetOnTransactionFree(const TNotifyEvent& v) { FOnTransactionFree = v; }

  // Triggers, used by the connection and the transaction.
  void DoBeforeDatabaseConnect();
  void DoAfterDatabaseConnect();
  void DoBeforeDatabaseDisconnect();
  void DoAfterDatabaseDisconnect();
  // Then leaves the connection and the transaction.
  void DoDatabaseFree();
  void DoBeforeTransactionEnd();
  void DoAfterTransactionEnd();
  void DoBeforeTransactionStart();
  void DoAfterTransactionStart();
  // Then forgets the transaction without touching its list (the transaction is clearing it).
  void DoTransactionFree();

private:
  // Drops slot `index` of a connection's (database true) or transaction's links list.
  static void RemoveFromLinks(std::vector<TFIBBase*>& links, int32_t index, bool database);
  void Fire(const TNotifyEvent& e) {
    if (e.Assigned()) e(this);
  }
  TFIBDatabase* FDatabase = nullptr;
  int32_t FIndexInDatabase = -1;
  TFIBTransaction* FTransaction = nullptr;
  int32_t FIndexInTransaction = -1;
  TComponent* FOwner;
  TNotifyEvent FOnDatabaseConnecting, FOnDatabaseConnected, FOnDatabaseDisconnecting,
      FOnDatabaseDisconnected, FOnDatabaseFree, FOnTransactionEnding, FOnTransactionEnded,
      FOnTransactionStarting, FOnTransactionStarted, FOnTransactionFree;
  friend class TFIBDatabase;
  friend class TFIBTransaction;
};

// ---------------------------------------------------------------------------------------------------
// ISQLObject: parameters and fields of statements and datasets

class ISQLObject : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{D5087461-CED0-4B7D-94DD-C1D29022BF83}");
  virtual int32_t ParamCount() = 0;
  virtual String ParamName(int32_t ParamIndex) = 0;
  virtual int32_t FieldsCount() = 0;
  virtual bool FieldExist(const String& FieldName, int32_t& FieldIndex) = 0;
  virtual bool ParamExist(const String& ParamName, int32_t& ParamIndex) = 0;
  virtual Variant FieldValue(const String& FieldName, bool Old) = 0;
  virtual Variant FieldValue(int32_t FieldIndex, bool Old) = 0;
  virtual Variant ParamValue(const String& ParamName) = 0;
  virtual Variant ParamValue(int32_t ParamIndex) = 0;
  virtual void SetParamValue(int32_t ParamIndex, const Variant& aValue) = 0;
  virtual String FieldName(int32_t FieldIndex) = 0;

protected:
  ~ISQLObject() = default;
};

// Fills each parameter of the destination from the sources: a field of the parameter's name (NEW_ and
// OLD_ prefixes choose current or old values), else a parameter of the same full name; the last
// matching source wins. Null sources are skipped.
void AssignSQLObjectParams(ISQLObject* destination, std::initializer_list<ISQLObject*> sources);
void AssignSQLObjectParams(ISQLObject* destination, const std::vector<ISQLObject*>& sources);
