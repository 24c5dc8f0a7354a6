#include "dbaccess/pZAZDatabase.h"

#include <ibase.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBTimer.h"
#include "dbaccess/RegUtils.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "dbaccess/pZAZDataSetInfo.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/Files.h"
#include "rtl/MainLoop.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

const char* const AliasValueNames[] = {"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT"};
const int32_t AliasDpbCodes[] = {isc_dpb_user_name, isc_dpb_lc_ctype, isc_dpb_sql_role_name};

std::vector<String> AliasPath(const String& alias) { return {"Software", "Quendrake", "Aliases", alias}; }

bool IsLoading(const TComponent* c) { return c->ComponentState().Contains(csLoading); }
bool IsDesigning(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }

std::mutex gTerminateLock;
std::vector<TTerminateProc>& TerminateProcs() {
  static std::vector<TTerminateProc> procs;
  return procs;
}
TLostConnectMessageProc gLostConnectMessage = nullptr;

String LibraryVersion() {
  return IntToStr(LibraryVersionMajor) + "." + IntToStr(LibraryVersionMinor) + ".0";
}

// Runs one step of forgetting a lost connection's state; nothing may stop the others.
template <class F>
void Swallow(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

void AddTerminateProc(TTerminateProc proc) {
  std::lock_guard<std::mutex> lock(gTerminateLock);
  TerminateProcs().push_back(proc);
}

void RemoveTerminateProc(TTerminateProc proc) {
  std::lock_guard<std::mutex> lock(gTerminateLock);
  auto& procs = TerminateProcs();
  procs.erase(std::remove(procs.begin(), procs.end(), proc), procs.end());
}

bool CallTerminateProcs() {
  std::vector<TTerminateProc> procs;
  {
    std::lock_guard<std::mutex> lock(gTerminateLock);
    procs = TerminateProcs();
  }
  for (TTerminateProc p : procs)
    if (!p()) return false;
  return true;
}

void SetLostConnectMessageProc(TLostConnectMessageProc proc) { gLostConnectMessage = proc; }

TpZAZDatabase::TpZAZDatabase(TComponent* AOwner)
    : TFIBDatabase(AOwner), FCacheSchemaOptions(New<TCacheSchemaOptions>()) {}

TpZAZDatabase::~TpZAZDatabase() {
  FreeAndNil(FRestoreTimer);
  FreeAndNil(FCacheSchemaOptions);
}

void TpZAZDatabase::BeforeDestruction() {
  // The inherited part closes the connection, which may still use the options and the timer.
  TFIBDatabase::BeforeDestruction();
  FreeAndNil(FRestoreTimer);
}

void TpZAZDatabase::SetCacheSchemaOptions(TCacheSchemaOptions* value) {
  if (!value) return;
  FCacheSchemaOptions->SetLocalCacheFile(value->LocalCacheFile());
  FCacheSchemaOptions->SetAutoSaveToFile(value->AutoSaveToFile());
  FCacheSchemaOptions->SetAutoLoadFromFile(value->AutoLoadFromFile());
  FCacheSchemaOptions->SetValidateAfterLoad(value->ValidateAfterLoad());
}

uint32_t TpZAZDatabase::WaitForRestoreConnect() const { return FRestoreTimer ? FRestoreTimer->Interval() : 0; }

void TpZAZDatabase::SetWaitForRestoreConnect(uint32_t value) {
  if (value == 0) {
    FreeAndNil(FRestoreTimer);
    return;
  }
  if (!FRestoreTimer) {
    FRestoreTimer = New<TFIBTimer>(nullptr);
    FRestoreTimer->SetEnabled(false);
    FRestoreTimer->SetInterval(30000);
    FRestoreTimer->SetOnTimer(TNotifyEvent(this, &TpZAZDatabase::RestoreConnect));
  }
  FRestoreTimer->SetInterval(value);
}

String TpZAZDatabase::About() const { return LibraryVersion() + " Release"; }

void TpZAZDatabase::DefineProperties(TFiler* filer) {
  TFIBDatabase::DefineProperties(filer);
  // The name older streams used for SaveAliasParamsAfterConnect: read, never written.
  filer->DefineProperty("SaveDBParams", TReaderProc(this, &TpZAZDatabase::ReadSaveDBParams), TWriterProc(), false);
}

void TpZAZDatabase::ReadSaveDBParams(TReader* reader) { FSaveAliasParamsAfterConnect = reader->ReadBoolean(); }

void TpZAZDatabase::SetAliasName(const String& value) {
  if (!IsLoading(this) && Connected()) RaiseClientError(13, {FullComponentName(this)});
  FAliasName = value;
  if (!value.empty()) ReadAliasParams();
}

void TpZAZDatabase::Open() {
  if (Connected()) return;
  bool doConnect = true;
  if (BeforeConnect.Assigned()) BeforeConnect(this, DBParams(), doConnect);
  if (!doConnect) return;
  TFIBDatabase::Open();
  const String& cacheFile = FCacheSchemaOptions->LocalCacheFile();
  if (FCacheSchemaOptions->AutoLoadFromFile() && !IsDesigning(this) && !cacheFile.empty() && FileExists(cacheFile))
    LoadSchemaCacheFromFile(cacheFile, FCacheSchemaOptions->ValidateAfterLoad());
  if (FSaveAliasParamsAfterConnect && !FAliasName.empty()) SaveAliasParams();
}

void TpZAZDatabase::CloseConnection(bool Force) {
  const String& cacheFile = FCacheSchemaOptions->LocalCacheFile();
  if (FCacheSchemaOptions->AutoSaveToFile() && !IsDesigning(this) && !cacheFile.empty())
    SaveSchemaCacheToFile(cacheFile);
  if (Connected() && CheckConnection(laCloseConnect)) TFIBDatabase::CloseConnection(Force);
}

bool TpZAZDatabase::CheckConnection(TOnLostConnectActions defaultAction) {
  if (!Connected()) return false;
  try {
    GetBaseLevel();
  } catch (EFIBError& e) {
    TOnLostConnectActions actions = defaultAction;
    DoOnLostConnect(e, actions);
    return false;
  }
  return true;
}

void TpZAZDatabase::DoOnLostConnect(EFIBError& E, TOnLostConnectActions& Actions) {
  if (OnLostConnect.Assigned()) OnLostConnect(this, E, Actions);
  switch (Actions) {
    case laTerminateApp:
      ClearHandles();
      Terminate();
      break;
    case laCloseConnect:
      ClearHandles();
      break;
    case laIgnore:
      break;
    case laWaitRestore:
      ClearHandles();
      if (FRestoreTimer) FRestoreTimer->SetEnabled(true);
      break;
  }
}

void TpZAZDatabase::DoOnErrorRestoreConnect(EFIBError& E, TOnLostConnectActions& Actions) {
  if (OnErrorRestoreConnect.Assigned()) OnErrorRestoreConnect(this, E, Actions);
}

void TpZAZDatabase::DoAfterRestoreConnect() {
  if (AfterRestoreConnect.Assigned()) AfterRestoreConnect(this);
}

void TpZAZDatabase::Terminate() {
  if (CallTerminateProcs()) PostMainLoopQuit(0);
}

void TpZAZDatabase::ClearHandles() {
  // The client library still holds its side of the dead attachment; a detach that fails on the server
  // releases it there (left alone, the library trips over it when the process ends).
  Swallow([&] {
    if (Handle()) Call(ClientLibrary()->isc_detach_database(StatusVector(), HandleAddress()), false);
  });
  Swallow([&] { *HandleAddress() = 0; });
  for (int32_t i = 0; i < LinkCount(); ++i) {
    TFIBQuery* q = nullptr;
    Swallow([&] {
      if (TFIBBase* link = GetLink(i)) q = dynamic_cast<TFIBQuery*>(link->Owner());
    });
    if (!q) continue;
    // The server side is gone with the attachment: drop the handle first so that closing and
    // unpreparing make no client call.
    Swallow([&] { q->ForgetHandle(); });
    Swallow([&] { q->CloseCursor(); });
    Swallow([&] { q->FreeHandle(); });
  }
  for (int32_t i = 0; i < TransactionCount(); ++i) {
    TFIBTransaction* tr = nullptr;
    Swallow([&] { tr = GetTransaction(i); });
    if (!tr || !tr->Active()) continue;
    Swallow([&] { tr->SetLost(true); });
    Swallow([&] { tr->EndTransaction(TACommit, true); });
  }
}

void TpZAZDatabase::RestoreConnect(TObject*) {
  if (Connected()) return;
  TOnLostConnectActions actions = laIgnore;
  try {
    SetConnected(true);
    // A BeforeConnect handler may have declined: then the timer keeps trying.
    if (!Connected()) return;
    if (FRestoreTimer) FRestoreTimer->SetEnabled(false);
    DoAfterRestoreConnect();
  } catch (EFIBError& e) {
    DoOnErrorRestoreConnect(e, actions);
    if (actions == laTerminateApp) {
      if (gLostConnectMessage) gLostConnectMessage(e.Message());
      Terminate();
    }
  }
}

void TpZAZDatabase::SaveSchemaCacheToFile(const String& fileName) {
  ListTableInfo()->SaveToFile(fileName);
  ListDataSetInfo()->SaveToFile(ChangeFileExt(fileName, ".dt"));
  ListErrorMessages()->SaveToFile(ChangeFileExt(fileName, ".err"));
}

bool TpZAZDatabase::LoadSchemaCacheFromFile(const String& fileName, bool validate) {
  const bool result = ListTableInfo()->LoadFromFile(fileName);
  ListDataSetInfo()->LoadFromFile(ChangeFileExt(fileName, ".dt"));
  ListErrorMessages()->LoadFromFile(ChangeFileExt(fileName, ".err"));
  ListTableInfo()->SetValidateAfterLoad(validate);
  ListDataSetInfo()->SetValidateAfterLoad(validate);
  return result;
}

bool TpZAZDatabase::ReadAliasParams() {
  const std::vector<String> names(std::begin(AliasValueNames), std::end(AliasValueNames));
  const Variant values = ReadRegValuesHKCU(AliasPath(FAliasName), names);
  if (VarArrayDimCount(values) != 2) return false;
  auto found = [&](int32_t i) {
    const Variant f = VarArrayGet(values, {1, i});
    return VarType(f) == varBoolean && f.AsBoolean();
  };
  auto value = [&](int32_t i) { return VarArrayGet(values, {0, i}).AsString(); };
  bool result = found(0);
  if (result) SetDBName(value(0));
  for (int32_t i = 1; i <= 3; ++i)
    if (found(i)) SetDBParamByDPB(AliasDpbCodes[i - 1], value(i));
  if (found(4)) SetSQLDialect(StrToInt(value(4)));
  return result;
}

void TpZAZDatabase::SaveAliasParams() {
  const std::vector<String> names(std::begin(AliasValueNames), std::end(AliasValueNames));
  WriteRegValuesHKCU(AliasPath(FAliasName), names,
                     {Variant(DBName()), Variant(DBParamByDPB(isc_dpb_user_name)),
                      Variant(DBParamByDPB(isc_dpb_lc_ctype)), Variant(DBParamByDPB(isc_dpb_sql_role_name)),
                      Variant(IntToStr(SQLDialect()))});
}

TpZAZTransaction::TpZAZTransaction(TComponent* AOwner) : TFIBTransaction(AOwner) {}

void TpZAZTransaction::AfterConstruction() {
  TFIBTransaction::AfterConstruction();
  if (IsDesigning(this) && !(Owner() && IsLoading(Owner()))) FTPBMode = DefaultTPBMode;
}

String TpZAZTransaction::About() const { return LibraryVersion(); }

void TpZAZTransaction::SetUserKindTransaction(const String& value) {
  FUserKindTransaction = value;
  if (!IsDesigning(this) || IsLoading(this) || value == "NoUserKind") return;
  const String kind = FindRegKeyByValue(TransactionKindsKey, "Name", value);
  if (kind.empty()) return;
  const Variant params = ReadRegValuesHKCU({"Software", "Quendrake", "Transation Kinds", kind}, {"Params"});
  if (VarArrayDimCount(params) != 2) return;
  const Variant present = VarArrayGet(params, {1, 0});
  if (VarType(present) != varBoolean || !present.AsBoolean()) return;
  FTPBMode = tpbDefault;
  TRParams()->SetText(VarArrayGet(params, {0, 0}).AsString());
}

void TpZAZTransaction::StartTransaction() {
  if (InTransaction()) return;
  if (FTPBMode == tpbReadCommitted || FTPBMode == tpbRepeatableRead) {
    TStringList* lines = New<TStringList>();
    lines->Add("write");
    lines->Add("isc_tpb_nowait");
    lines->Add("rec_version");
    if (FTPBMode == tpbReadCommitted) lines->Add("read_committed");
    SetTRParams(lines);
    lines->Free();
  }
  auto* db = dynamic_cast<TpZAZDatabase*>(DefaultDatabase());
  if (db && db->BeforeStartTransaction.Assigned()) db->BeforeStartTransaction(this);
  if (BeforeStart.Assigned()) BeforeStart(this);
  TFIBTransaction::StartTransaction();
  if (AfterStart.Assigned()) AfterStart(this);
  if (db && db->AfterStartTransaction.Assigned()) db->AfterStartTransaction(this);
}

void TpZAZTransaction::EndTransaction(TTransactionAction Action, bool Force) {
  auto* db = dynamic_cast<TpZAZDatabase*>(DefaultDatabase());
  if (db && db->BeforeEndTransaction.Assigned()) db->BeforeEndTransaction(this, Action, Force);
  if (BeforeEnd.Assigned()) BeforeEnd(this, Action, Force);
  TFIBTransaction::EndTransaction(Action, Force);
  if (AfterEnd.Assigned()) AfterEnd(this, Action, Force);
  if (db && db->AfterEndTransaction.Assigned()) db->AfterEndTransaction(this, Action, Force);
}

void TpZAZTransaction::NotifySQLExecute(TFIBQuery* statement, int32_t kind) {
  TFIBTransaction::NotifySQLExecute(statement, kind);
  if (kind == 0 && BeforeSQLExecute.Assigned()) BeforeSQLExecute(statement, statement->SQLType());
  if (kind == 1 && AfterSQLExecute.Assigned()) AfterSQLExecute(statement, statement->SQLType());
}

RTL_PUBLISHED(TpZAZDatabase) {
  using T = TpZAZDatabase;
  prop("CacheSchemaOptions", &T::CacheSchemaOptions, &T::SetCacheSchemaOptions);
  prop("AliasName", &T::AliasName, &T::SetAliasName);
  // Stored whenever a timer exists, so that a timer at 30000 ms survives a form's round trip.
  prop("WaitForRestoreConnect", &T::WaitForRestoreConnect, &T::SetWaitForRestoreConnect)
      .Default(30000u)
      .Stored(&T::IsWaitForRestoreConnectStored);
  prop("SaveAliasParamsAfterConnect", &T::SaveAliasParamsAfterConnect, &T::SetSaveAliasParamsAfterConnect)
      .Default(true);
  event("BeforeConnect", &T::BeforeConnect, &T::BeforeConnect);
  event("AfterConnect", &T::OnConnect, &T::SetOnConnect);
  event("OnLostConnect", &T::OnLostConnect, &T::OnLostConnect);
  event("OnErrorRestoreConnect", &T::OnErrorRestoreConnect, &T::OnErrorRestoreConnect);
  event("AfterRestoreConnect", &T::AfterRestoreConnect, &T::AfterRestoreConnect);
  event("BeforeStartTransaction", &T::BeforeStartTransaction, &T::BeforeStartTransaction);
  event("AfterStartTransaction", &T::AfterStartTransaction, &T::AfterStartTransaction);
  event("BeforeEndTransaction", &T::BeforeEndTransaction, &T::BeforeEndTransaction);
  event("AfterEndTransaction", &T::AfterEndTransaction, &T::AfterEndTransaction);
  event("OnAcceptCacheSchema", &T::OnAcceptCacheSchema, &T::OnAcceptCacheSchema);
  prop("About", &T::About).Stored(false);
  event("OnLogin", &T::BeforeConnect, &T::BeforeConnect).Stored(false);
}

RTL_PUBLISHED(TpZAZTransaction) {
  using T = TpZAZTransaction;
  prop("TPBMode", &T::TPBMode, &T::SetTPBMode).Default(tpbReadCommitted);
  prop("TRParams", &T::TRParams, &T::SetTRParams).Stored(&T::IsTRParamsStored);
  prop("UserKindTransaction", &T::UserKindTransaction, &T::SetUserKindTransaction)
      .Stored(&T::IsUserKindTransactionStored);
  prop("About", &T::About).Stored(false);
  event("BeforeStart", &T::BeforeStart, &T::BeforeStart);
  event("AfterStart", &T::AfterStart, &T::AfterStart);
  event("BeforeEnd", &T::BeforeEnd, &T::BeforeEnd);
  event("AfterEnd", &T::AfterEnd, &T::AfterEnd);
  event("AfterSQLExecute", &T::AfterSQLExecute, &T::AfterSQLExecute);
  event("BeforeSQLExecute", &T::BeforeSQLExecute, &T::BeforeSQLExecute);
}

namespace {
// Form resources find the components by class name.
const bool kRegistered = [] {
  RegisterClasses({TpZAZDatabase::StaticClass(), TpZAZTransaction::StaticClass()});
  return true;
}();
}  // namespace
