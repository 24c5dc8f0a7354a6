#pragma once
// The connection and transaction that forms use: connection aliases kept in the registry, a
// before-connect event that may veto the connect, events around the connection's transactions, handling
// of a connection found lost when it is closed (with an optional timed reconnect), the schema cache kept
// in local files, preset transaction modes and transaction kinds kept in the registry.

#include <cstdint>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Events.h"

class EFIBError;
class TCacheSchemaOptions;
class TFIBTimer;
class TFiler;
class TReader;
class TStrings;

using TFIBLoginEvent = Event<TObject*, TStrings*, bool&>;

// What to do about a connection found lost.
enum TOnLostConnectActions : uint8_t { laTerminateApp, laCloseConnect, laIgnore, laWaitRestore };
RTL_ENUM(TOnLostConnectActions, laTerminateApp, laCloseConnect, laIgnore, laWaitRestore)

class TpZAZDatabase;
using TFIBLostConnectEvent = Event<TFIBDatabase*, EFIBError&, TOnLostConnectActions&>;
using TFIBRestoreConnectEvent = Event<TFIBDatabase*>;
using TpZAZAcceptCacheSchema = Event<const String&, bool&>;

class TpZAZDatabase : public TFIBDatabase {
  RTL_CLASS(TpZAZDatabase, TFIBDatabase)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZDatabase(TComponent* AOwner);
  ~TpZAZDatabase() override;
  void BeforeDestruction() override;

  TCacheSchemaOptions* CacheSchemaOptions() const { return FCacheSchemaOptions; }
  void SetCacheSchemaOptions(TCacheSchemaOptions* value);
  const String& AliasName() const { return FAliasName; }
  // Requires a closed connection outside loading; a name with a registry key sets the connection's
  // parameters from it.
  void SetAliasName(const String& value);
  bool SaveAliasParamsAfterConnect() const { return FSaveAliasParamsAfterConnect; }
  void SetSaveAliasParamsAfterConnect(bool v) { FSaveAliasParamsAfterConnect = v; }
  // The reconnect timer's interval in milliseconds, 0 without a timer. A value other than 0 creates the
  // (disabled) timer when missing; 0 frees it. Only the lost-connection handling enables it.
  uint32_t WaitForRestoreConnect() const;
  void SetWaitForRestoreConnect(uint32_t value);
  bool IsWaitForRestoreConnectStored() const { return FRestoreTimer != nullptr; }
  String About() const;

  TFIBLoginEvent BeforeConnect;
  TFIBLostConnectEvent OnLostConnect;
  TFIBLostConnectEvent OnErrorRestoreConnect;
  TFIBRestoreConnectEvent AfterRestoreConnect;
  // Kept for forms that assign it; nothing fires it.
  TpZAZAcceptCacheSchema OnAcceptCacheSchema;
  TNotifyEvent BeforeStartTransaction;
  TNotifyEvent AfterStartTransaction;
  TEndTrEvent BeforeEndTransaction;
  TEndTrEvent AfterEndTransaction;

  // Connecting an open connection does nothing; BeforeConnect may cancel the connect.
  // Then loads the schema cache file when the options ask for it.
  void Open() override;
  // Saves the schema cache when the options ask for it; then closes only a connection that still
  // answers. A lost one goes to the lost-connection handling and never raises to the caller.
  void CloseConnection(bool Force) override;

  // False when not connected, or when the server does not answer (then the lost-connection handling runs
  // with `defaultAction` as the proposed action).
  bool CheckConnection(TOnLostConnectActions defaultAction);
  // Fires OnLostConnect, then acts on the chosen action.
  virtual void DoOnLostConnect(EFIBError& E, TOnLostConnectActions& Actions);
  virtual void DoOnErrorRestoreConnect(EFIBError& E, TOnLostConnectActions& Actions);
  virtual void DoAfterRestoreConnect();
  // Reads the alias's values; false when the alias has no key or no database name.
  virtual bool ReadAliasParams();
  // Writes the database name, user name, character set, role and dialect (never the password).
  virtual void SaveAliasParams();
  // Forgets the attachment, every statement handle and every active transaction without a server call;
  // each step swallows its own failure.
  void ClearHandles();
  // The reconnect timer's tick: tries to connect again; a failure is retried on the next tick.
  void RestoreConnect(TObject* sender);

  // The metadata cache goes to the file itself, the dataset repository cache to the name with ".dt",
  // the error message store to the name with ".err".
  void SaveSchemaCacheToFile(const String& fileName);
  // Loads the three from the same names; the result says whether the metadata cache file existed.
  bool LoadSchemaCacheFromFile(const String& fileName, bool validate);

protected:
  void DefineProperties(TFiler* filer) override;

private:
  void ReadSaveDBParams(TReader* reader);
  // Ends the program on the lost connection's behalf: the terminate procedures, then the quit message.
  void Terminate();

  TCacheSchemaOptions* FCacheSchemaOptions = nullptr;
  TFIBTimer* FRestoreTimer = nullptr;
  String FAliasName;
  bool FSaveAliasParamsAfterConnect = true;
};

class TpZAZTransaction : public TFIBTransaction {
  RTL_CLASS(TpZAZTransaction, TFIBTransaction)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZTransaction(TComponent* AOwner);
  void AfterConstruction() override;

  TTPBMode TPBMode() const { return FTPBMode; }
  void SetTPBMode(TTPBMode v) { FTPBMode = v; }
  const String& UserKindTransaction() const { return FUserKindTransaction; }
  // In the designer a known kind name takes its parameters from the registry.
  void SetUserKindTransaction(const String& value);
  bool IsUserKindTransactionStored() const { return FUserKindTransaction != "NoUserKind"; }
  bool IsTRParamsStored() const { return FTPBMode == tpbDefault; }
  String About() const;

  TNotifyEvent BeforeStart;
  TNotifyEvent AfterStart;
  TEndTrEvent BeforeEnd;
  TEndTrEvent AfterEnd;
  Event<TFIBQuery*, int32_t> BeforeSQLExecute;
  Event<TFIBQuery*, int32_t> AfterSQLExecute;

  void StartTransaction() override;
  void EndTransaction(TTransactionAction Action, bool Force) override;
  void NotifySQLExecute(TFIBQuery* statement, int32_t kind) override;

private:
  TTPBMode FTPBMode = tpbReadCommitted;
  String FUserKindTransaction = "NoUserKind";
};

// Registry keys under HKEY_CURRENT_USER.
inline constexpr const char* AliasesKey = "Software\\Quendrake\\Aliases";
inline constexpr const char* TransactionKindsKey = "Software\\Quendrake\\Transation Kinds";

// Terminate procedures: asked in registration order before a lost connection ends the program; the first
// that answers false keeps it running. The UI layer registers its own (closing forms, saving state).
using TTerminateProc = bool (*)();
void AddTerminateProc(TTerminateProc proc);
void RemoveTerminateProc(TTerminateProc proc);
bool CallTerminateProcs();
// Shows the message of a failed reconnect before the program ends; the UI layer installs its message box.
// Without one the message is not shown.
using TLostConnectMessageProc = void (*)(const String& message);
void SetLostConnectMessageProc(TLostConnectMessageProc proc);
