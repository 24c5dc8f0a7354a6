#pragma once
// The connection and transaction that forms use: connection aliases kept in the registry, a
// before-connect event that may veto the connect, events around the connection's transactions, preset
// transaction modes and transaction kinds kept in the registry.

#include <cstdint>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/pFIBProps.h"
#include "rtl/Events.h"

class TStrings;

using TFIBLoginEvent = Event<TObject*, TStrings*, bool&>;

class TpZAZDatabase : public TFIBDatabase {
  RTL_CLASS(TpZAZDatabase, TFIBDatabase)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZDatabase(TComponent* AOwner);

  const String& AliasName() const { return FAliasName; }
  // Requires a closed connection outside loading; a name with a registry key sets the connection's
  // parameters from it.
  void SetAliasName(const String& value);
  bool SaveAliasParamsAfterConnect() const { return FSaveAliasParamsAfterConnect; }
  void SetSaveAliasParamsAfterConnect(bool v) { FSaveAliasParamsAfterConnect = v; }

  TFIBLoginEvent BeforeConnect;
  TNotifyEvent BeforeStartTransaction;
  TNotifyEvent AfterStartTransaction;
  TEndTrEvent BeforeEndTransaction;
  TEndTrEvent AfterEndTransaction;

  // Connecting an open connection does nothing; BeforeConnect may cancel the connect.
  void Open() override;
  // Reads the alias's values; false when the alias has no key or no database name.
  virtual bool ReadAliasParams();
  // Writes the database name, user name, character set, role and dialect (never the password).
  virtual void SaveAliasParams();

private:
  String FAliasName;
  bool FSaveAliasParamsAfterConnect = true;
};

class TpZAZTransaction : public TFIBTransaction {
  RTL_CLASS(TpZAZTransaction, TFIBTransaction)
  RTL_PUBLISHED_DECL
public:
  explicit TpZAZTransaction(TComponent* AOwner);

  TTPBMode TPBMode() const { return FTPBMode; }
  void SetTPBMode(TTPBMode v) { FTPBMode = v; }
  const String& UserKindTransaction() const { return FUserKindTransaction; }
  // In the designer a known kind name takes its parameters from the registry.
  void SetUserKindTransaction(const String& value);

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
