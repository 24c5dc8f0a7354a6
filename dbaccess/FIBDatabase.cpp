#include "dbaccess/FIBDatabase.h"

#include <ibase.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/FIBCallBackList.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBLoginDialog.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBParamBlocks.h"
#include "dbaccess/FIBSQLMonitor.h"
#include "dbaccess/FIBTimer.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZQuery.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

// Client error numbers of connections, transactions and links.
enum : int32_t {
  ceDatabaseNameMissing = 14,
  ceNotInTransaction = 15,
  ceInTransaction = 16,
  ceNoDatabasesInTransaction = 18,
  ceDatabaseNotAssigned = 21,
  ceTransactionNotAssigned = 22,
  ceCantEndSharedTransaction = 58,
  ceSQLDialectInvalid = 61,
};

// Every live connection; each joins when created and leaves when destroyed.
std::mutex gDatabasesLock;
std::vector<TFIBDatabase*>& Databases() {
  static std::vector<TFIBDatabase*> list;
  return list;
}

std::mutex gDefaultLock;
TFIBDatabase* gDefaultDatabase = nullptr;

void SetDefaultDatabaseTo(TFIBDatabase* db) {
  std::lock_guard<std::mutex> lock(gDefaultLock);
  gDefaultDatabase = db;
}

void ClearDefaultDatabaseIf(TFIBDatabase* db) {
  std::lock_guard<std::mutex> lock(gDefaultLock);
  if (gDefaultDatabase == db) gDefaultDatabase = nullptr;
}

bool Designing(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }
bool Loading(const TComponent* c) { return c->ComponentState().Contains(csLoading); }

String AsciiUpper(String s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The text after the first "=" of a line; empty without one.
String ValueOfLine(const String& line) {
  size_t eq = line.find('=');
  return eq == String::npos ? String() : line.substr(eq + 1);
}

// The non-retaining form of an action: closing a connection or freeing a transaction must leave no
// server context behind.
TTransactionAction HardAction(TTransactionAction a) {
  if (a == TACommitRetaining) return TACommit;
  if (a == TARollbackRetaining) return TARollback;
  return a;
}

// The client API's transaction existence block of one attachment.
struct TransactionExistenceBlock {
  isc_db_handle* Database;
  long TPBLength;
  const char* TPB;
};

// The idle timer of a connection or transaction exists only while the timeout is not 0; it is created
// quiet and runs outside the designer.
template <class T>
void SetIdleTimer(T* owner, TFIBTimer*& timer, uint32_t value) {
  if (value == 0) {
    FreeAndNil(timer);
    return;
  }
  if (!timer) {
    timer = New<TFIBTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(0);
    timer->SetOnTimer(TNotifyEvent(owner, &T::TimerElapsed));
  }
  timer->SetInterval(value);
  if (!Designing(owner)) timer->SetEnabled(true);
}

}  // namespace

// ===================================================================================================
// TFIBDatabase

TFIBDatabase::TFIBDatabase(TComponent* AOwner) : TComponent(AOwner) {}

void TFIBDatabase::AfterConstruction() {
  inherited::AfterConstruction();
  FDBParams = New<TDBParams>(this);
  FDBParams->SetOnChanging(TNotifyEvent(this, &TFIBDatabase::DBParamsChanging));
  FDBParams->SetOnChange(TNotifyEvent(this, &TFIBDatabase::DBParamsChanged));
  FConnectParams = New<TConnectParams>(this);
  FBlobSwapSupport = New<TBlobSwapSupport>();
  FAfterConnectEvents = New<TNotifyEventList>(nullptr);
  FBeforeDisconnectEvents = New<TNotifyEventList>(nullptr);
  FDestroyEvents = New<TNotifyEventList>(nullptr);
  FInternalTransaction = New<TFIBTransaction>(nullptr);
  FInternalTransaction->SetDefaultDatabase(this);
  for (const char* line : {"write", "isc_tpb_nowait", "rec_version", "read_committed"})
    FInternalTransaction->TRParams()->Add(line);
  std::lock_guard<std::mutex> lock(gDatabasesLock);
  Databases().push_back(this);
}

void TFIBDatabase::BeforeDestruction() {
  {
    std::lock_guard<std::mutex> lock(gDatabasesLock);
    auto& list = Databases();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  if (FInternalTransaction) {
    try {
      if (FInternalTransaction->Active()) FInternalTransaction->Commit();
    } catch (...) {
    }
    FreeAndNil(FInternalTransaction);
  }
  ClearDefaultDatabaseIf(this);
  SetTimeout(0);
  if (Connected()) ForceClose();
  if (FDestroyEvents)
    for (int32_t i = FDestroyEvents->Count() - 1; i >= 0; --i) {
      TNotifyEvent e = FDestroyEvents->GetEvent(i);
      if (e.Assigned()) e(this);
    }
  for (int32_t i = LinkCount() - 1; i >= 0; --i)
    if (i < LinkCount() && FLinks[i]) FLinks[i]->DoDatabaseFree();
  while (!FLinks.empty()) RemoveLink(LinkCount() - 1);
  RemoveTransactions();
  inherited::BeforeDestruction();
}

TFIBDatabase::~TFIBDatabase() {
  FreeAndNil(FDBParams);
  FreeAndNil(FAfterConnectEvents);
  FreeAndNil(FBeforeDisconnectEvents);
  FreeAndNil(FDestroyEvents);
  FreeAndNil(FConnectParams);
  FreeAndNil(FBlobSwapSupport);
  delete FBlobFilters;
}

void TFIBDatabase::Loaded() {
  inherited::Loaded();
  if (FDesignDBOptions.Contains(ddoIsDefaultDatabase)) SetDefaultDatabaseTo(this);
  if (FStreamedConnected && !Connected()) {
    Open();
    if (FDefaultTransaction && FDefaultTransaction->FStreamedActive && !FDefaultTransaction->Active())
      FDefaultTransaction->StartTransaction();
  }
  FStreamedConnected = false;
}

void TFIBDatabase::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
}

// --- properties ------------------------------------------------------------------------------------

void TFIBDatabase::SetConnected(bool value) {
  if (Loading(this)) {
    FStreamedConnected = value;
    return;
  }
  if (value)
    Open();
  else
    Close();
}

void TFIBDatabase::SetBlobSwapSupport(TBlobSwapSupport* value) { FBlobSwapSupport->Assign(value); }

void TFIBDatabase::SetDBName(const String& value) {
  if (value == FDBName) return;
  if (Designing(this))
    Close();
  else
    CheckInactive();
  FDBName = value;
}

TStrings* TFIBDatabase::DBParams() const { return FDBParams; }
void TFIBDatabase::SetDBParams(TStrings* value) { FDBParams->Assign(value); }
void TFIBDatabase::SetConnectParams(TConnectParams* value) { FConnectParams->Assign(value); }

void TFIBDatabase::DBParamsChanging(TObject*) {
  if (!Designing(this)) CheckInactive();
}

void TFIBDatabase::DBParamsChanged(TObject*) { FDPBDirty = true; }

void TFIBDatabase::SetDefaultTransactionOf(TFIBTransaction*& slot, TFIBTransaction* value) {
  if (value && value != slot) {
    value->AddDatabase(this);
    AddTransaction(value);
    if (!value->DefaultDatabase()) value->FDefaultDatabase = this;
  }
  slot = value;
}

void TFIBDatabase::SetDefaultTransaction(TFIBTransaction* value) {
  SetDefaultTransactionOf(FDefaultTransaction, value);
}

void TFIBDatabase::SetDefaultUpdateTransaction(TFIBTransaction* value) {
  SetDefaultTransactionOf(FDefaultUpdateTransaction, value);
}

void TFIBDatabase::SetSQLDialect(int32_t value) {
  if (value < 1 || (Connected() && static_cast<uint16_t>(value) > GetDBSQLDialect()))
    RaiseClientError(ceSQLDialectInvalid);
  FSQLDialect = value;
}

uint32_t TFIBDatabase::Timeout() const { return FTimer ? FTimer->Interval() : 0; }

void TFIBDatabase::SetTimeout(uint32_t value) { SetIdleTimer(this, FTimer, value); }

void TFIBDatabase::SetDesignDBOptions(TDesignDBOptions value) {
  const bool was = FDesignDBOptions.Contains(ddoIsDefaultDatabase);
  const bool is = value.Contains(ddoIsDefaultDatabase);
  FDesignDBOptions = value;
  if (is && !was) {
    std::lock_guard<std::mutex> lock(gDefaultLock);
    if (gDefaultDatabase && gDefaultDatabase != this) {
      gDefaultDatabase->FDesignDBOptions.Exclude(ddoIsDefaultDatabase);
      gDefaultDatabase = nullptr;
    }
    if (!Loading(this)) gDefaultDatabase = this;
  } else if (!is && was) {
    ClearDefaultDatabaseIf(this);
  }
}

void TFIBDatabase::SetLibraryName(const String& value) {
  CheckInactive();
  if (value == FLibraryName) return;
  FLibraryName = value;
  FClientLibrary = nullptr;
}

bool TFIBDatabase::IsConnectedStored() const {
  return Connected() && FDesignDBOptions.Contains(ddoStoreConnected);
}

// --- client library --------------------------------------------------------------------------------

void TFIBDatabase::EnsureClientLibrary() {
  if (!FClientLibrary) FClientLibrary = GetClientLibraryByName(FLibraryName);
}

IIBClientLibrary* TFIBDatabase::ClientLibrary() {
  EnsureClientLibrary();
  return FClientLibrary.get();
}

int32_t TFIBDatabase::QueryInterface(const TGUID& iid, void** obj) {
  void* found = InterfaceByIID(iid);
  if (obj) *obj = found;
  return found ? RTL_S_OK : RTL_E_NOINTERFACE;
}

int32_t TFIBDatabase::ClientMajorVersion() const {
  const_cast<TFIBDatabase*>(this)->EnsureClientLibrary();
  return FClientLibrary->ClientMajorVersion();
}

int32_t TFIBDatabase::ClientMinorVersion() const {
  const_cast<TFIBDatabase*>(this)->EnsureClientLibrary();
  return FClientLibrary->ClientMinorVersion();
}

void TFIBDatabase::FreeClientLibrary() {
  if (FClientLibrary) FClientLibrary->FreeClientLibrary();
}

void* TFIBDatabase::Proc(TIBEntryPoint ep) const {
  const_cast<TFIBDatabase*>(this)->EnsureClientLibrary();
  return FClientLibrary->Proc(ep);
}

// --- the gate --------------------------------------------------------------------------------------

ISC_STATUS TFIBDatabase::Call(ISC_STATUS status, bool raiseError) {
  SetFPUExtendedPrecision();
  FIdle = false;
  if (raiseError && status > 0) RaiseServerError(ClientLibrary(), this);
  return status;
}

// --- parameter lines -------------------------------------------------------------------------------

int32_t TFIBDatabase::IndexOfDBParam(const String& name) const {
  const String key = AsciiUpper(name);
  if (key.empty()) return -1;
  // A whole name ends at the line's end, at "=" or at a blank: "password" never finds "password_enc=".
  auto wholeAt = [&](const String& line, size_t pos) {
    if (line.compare(pos, key.size(), key) != 0) return false;
    size_t end = pos + key.size();
    return end == line.size() || line[end] == '=' || line[end] == ' ' || line[end] == '\t';
  };
  const int32_t n = FDBParams->Count();
  for (int32_t i = 0; i < n; ++i) {
    const String line = AsciiUpper(FDBParams->Strings(i));
    if (wholeAt(line, 0) || (line.size() > 8 && wholeAt(line, 8))) return i;
  }
  return -1;
}

String TFIBDatabase::DBParamByDPB(int32_t code) {
  if (code < 1 || code > 67) return String();
  const int32_t i = IndexOfDBParam(DPBNameOfCode(code));
  return i < 0 ? String() : ValueOfLine(FDBParams->Strings(i));
}

void TFIBDatabase::SetDBParamValue(const String& name, const String& value) {
  const int32_t i = IndexOfDBParam(name);
  if (!value.empty()) {
    if (i >= 0)
      FDBParams->SetStrings(i, name + "=" + value);
    else
      FDBParams->Add(name + "=" + value);
  } else if (i >= 0) {
    FDBParams->Delete(i);
  }
}

void TFIBDatabase::SetDBParamByDPB(int32_t code, const String& value) {
  const String name = DPBNameOfCode(code);
  if (!name.empty()) SetDBParamValue(name, value);
}

// --- opening ---------------------------------------------------------------------------------------

bool TFIBDatabase::Login() {
  if (!LoginDialogHook)
    throw Exception(String("Unable to find Database login dialog. ") +
                    (Designing(this) ? "Please, install package with property editors."
                                     : "Please, add DIZIVOdoviVoz into USES statement of your project."));
  const char* names[3] = {"user_name", "password", "sql_role_name"};
  int32_t index[3];
  String values[3];
  for (int k = 0; k < 3; ++k) {
    index[k] = IndexOfDBParam(names[k]);
    if (index[k] >= 0) values[k] = ValueOfLine(FDBParams->Strings(index[k]));
  }
  const bool result = LoginDialogHook(FDBName, values[0], values[1], values[2]);
  if (result)
    for (int k = 0; k < 3; ++k) {
      const String line = String(names[k]) + "=" + values[k];
      if (index[k] >= 0)
        FDBParams->SetStrings(index[k], line);
      else
        FDBParams->Add(line);
    }
  return result;
}

void TFIBDatabase::Open() {
  FServerMajor = FServerMinor = FServerBuild = -1;
  CheckInactive();
  if (FDBName.empty()) RaiseClientError(ceDatabaseNameMissing);
  EnsureClientLibrary();
  for (int32_t i = 0; i < LinkCount(); ++i)
    if (FLinks[i]) FLinks[i]->DoBeforeDatabaseConnect();
  if (FUseLoginPrompt && !Login()) RaiseClientError(feOperationCancelled);
  if (FDPBDirty) {
    // The flag is cleared only once a complete block is cached, so a failed build is never reused.
    String block;
    int16_t length = 0;
    BuildDPB(FDBParams, block, length);
    FDPB = block;
    FDPBLength = length;
    FDPBDirty = false;
  }
  ISC_STATUS status = Call(FClientLibrary->isc_attach_database(StatusVector(), static_cast<short>(FDBName.size()),
                                                               FDBName.c_str(), &FHandle, FDPBLength,
                                                               FDPB.data()),
                           false);
  if (status > 0) {
    FHandle = 0;
    RaiseServerError(FClientLibrary.get(), this);
  }
  // Whatever fails after the attach (reading the dialect or the server's time, a handler) drops the
  // connection again: a failed Open leaves the component closed and ready to be opened again.
  try {
    const String charSet = FConnectParams->CharSet();
    FIsUnicodeCharSet = charSet == "UNICODE_FSS";
    FIsUnicodeOrNoneCharSet = charSet == "UNICODE_FSS" || charSet == "NONE" || charSet.empty();
    for (int32_t i = 0; i < LinkCount(); ++i)
      if (FLinks[i]) FLinks[i]->DoAfterDatabaseConnect();
    if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TraceConnect(this);
    FTimeDifference = 0;
    const int32_t dialect = GetDBSQLDialect();
    if (dialect < FSQLDialect) FSQLDialect = dialect;
    if (FSynchronizeTime && !Designing(this)) FTimeDifference = Now() - ServerNow();
    FRemoteConnect = 0;
    if (FOnConnect.Assigned()) FOnConnect(this);
    for (int32_t i = 0; i < FAfterConnectEvents->Count(); ++i) {
      TNotifyEvent e = FAfterConnectEvents->GetEvent(i);
      if (e.Assigned()) e(this);
    }
    StartBlobCacheValidation(this);
  } catch (...) {
    // A transaction started on the new connection (the server-time read's, or one an event handler
    // started) would make the detach fail and keep the attachment: it ends first, as on a forced close.
    EndTransactions(true);
    ISC_STATUS scratch[StatusVectorLength] = {};
    FClientLibrary->isc_detach_database(scratch, &FHandle);
    FHandle = 0;
    throw;
  }
}

void TFIBDatabase::CheckActive() {
  if (FStreamedConnected && !Connected()) Loaded();
  if (FHandle != 0) return;
  if (!Designing(this)) RaiseClientError(feDatabaseClosed, {FullComponentName(this)});
  const bool prompt = FUseLoginPrompt;
  FUseLoginPrompt = FConnectParams->Password().empty();
  try {
    SetConnected(true);
  } catch (...) {
    if (!prompt) {
      FUseLoginPrompt = true;
      try {
        SetConnected(true);
      } catch (...) {
      }
    }
  }
  FUseLoginPrompt = prompt;
}

void TFIBDatabase::CheckInactive() {
  if (FHandle != 0) RaiseClientError(feDatabaseOpen);
}

// --- closing ---------------------------------------------------------------------------------------

void TFIBDatabase::FireDisconnectEvent(const TNotifyEvent& event, const char* name) {
  if (!event.Assigned()) return;
  try {
    event(this);
  } catch (const Exception& e) {
    const bool destroying = ComponentState().Contains(csDestroying);
    const String fmt = String("Error of %s.") + name +
                       (destroying ? ". Probably you are trying to get access to destroyed components. %s" : ". %s");
    throw Exception(Format(fmt, {FullComponentName(this), e.Message()}));
  }
}

void TFIBDatabase::CloseConnection(bool Force) {
  CheckActive();
  FireDisconnectEvent(FBeforeDisconnect, "BeforeDisconnect");
  for (int32_t i = 0; i < FBeforeDisconnectEvents->Count(); ++i) {
    TNotifyEvent e = FBeforeDisconnectEvents->GetEvent(i);
    if (e.Assigned()) e(this);
  }
  EndTransactions(Force);
  for (int32_t i = 0; i < LinkCount(); ++i) {
    if (!FLinks[i]) continue;
    try {
      FLinks[i]->DoBeforeDatabaseDisconnect();
    } catch (...) {
      if (!Force) throw;
    }
  }
  try {
    Call(FClientLibrary->isc_detach_database(StatusVector(), &FHandle), true);
  } catch (...) {
    // A failed detach is never reported: the attachment is given up either way.
  }
  FHandle = 0;
  if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TraceDisconnect(this);
  for (int32_t i = 0; i < LinkCount(); ++i)
    if (FLinks[i]) FLinks[i]->DoAfterDatabaseDisconnect();
  FireDisconnectEvent(FAfterDisconnect, "AfterDisconnect");
}

void TFIBDatabase::EndTransactions(bool Force) {
  for (int32_t i = 0; i < TransactionCount(); ++i) {
    TFIBTransaction* tr = FTransactions[i];
    if (!tr || !tr->Active()) continue;
    try {
      tr->EndTransaction(HardAction(tr->TimeoutAction()), true);
    } catch (...) {
      if (!Force) throw;
    }
  }
}

void TFIBDatabase::Close() {
  if (Connected()) CloseConnection(false);
}

void TFIBDatabase::ForceClose() { CloseConnection(true); }

void TFIBDatabase::TimerElapsed(TObject*) {
  if (!Connected()) return;
  if (FIdle) {
    ForceClose();
    if (FOnTimeout.Assigned()) FOnTimeout(this);
  } else {
    FIdle = true;
  }
}

// --- links and transactions ------------------------------------------------------------------------

int32_t TFIBDatabase::AddLink(TFIBBase* link) {
  FLinks.push_back(link);
  return LinkCount() - 1;
}

void TFIBDatabase::RemoveLink(int32_t index) { TFIBBase::RemoveFromLinks(FLinks, index, true); }

TFIBBase* TFIBDatabase::GetLink(int32_t index) const {
  return index >= 0 && index < LinkCount() ? FLinks[index] : nullptr;
}

int32_t TFIBDatabase::AddTransaction(TFIBTransaction* transaction) {
  for (int32_t i = 0; i < TransactionCount(); ++i)
    if (FTransactions[i] == transaction || FTransactions[i] == nullptr) {
      FTransactions[i] = transaction;
      return i;
    }
  FTransactions.push_back(transaction);
  return TransactionCount() - 1;
}

void TFIBDatabase::RemoveTransaction(int32_t index) {
  if (index < 0 || index >= TransactionCount()) return;
  TFIBTransaction* tr = FTransactions[index];
  FTransactions[index] = nullptr;
  if (!tr) return;
  // Each side drops its own entry before asking the other, so the two removals meet once.
  const int32_t j = tr->FindDatabase(this);
  if (j >= 0) tr->RemoveDatabase(j);
  if (tr->FDefaultDatabase == this) tr->FDefaultDatabase = nullptr;
  if (FDefaultTransaction == tr) FDefaultTransaction = nullptr;
  if (FDefaultUpdateTransaction == tr) FDefaultUpdateTransaction = nullptr;
}

void TFIBDatabase::RemoveTransactions() {
  for (int32_t i = TransactionCount() - 1; i >= 0; --i) RemoveTransaction(i);
  FTransactions.clear();
}

TFIBTransaction* TFIBDatabase::GetTransaction(int32_t index) const {
  return index >= 0 && index < TransactionCount() ? FTransactions[index] : nullptr;
}

int32_t TFIBDatabase::ActiveTransactionCount() const {
  int32_t n = 0;
  for (TFIBTransaction* tr : FTransactions)
    if (tr && tr->Active()) ++n;
  return n;
}

TFIBTransaction* TFIBDatabase::FirstActiveTransaction() const {
  for (TFIBTransaction* tr : FTransactions)
    if (tr && tr->Active()) return tr;
  return nullptr;
}

void TFIBDatabase::AddAfterConnectHandler(const TNotifyEvent& h) { FAfterConnectEvents->Add(h); }
void TFIBDatabase::RemoveAfterConnectHandler(const TNotifyEvent& h) { FAfterConnectEvents->Remove(h); }
void TFIBDatabase::AddBeforeDisconnectHandler(const TNotifyEvent& h) { FBeforeDisconnectEvents->Add(h); }
void TFIBDatabase::RemoveBeforeDisconnectHandler(const TNotifyEvent& h) { FBeforeDisconnectEvents->Remove(h); }
void TFIBDatabase::AddDestroyHandler(const TNotifyEvent& h) { FDestroyEvents->Add(h); }
void TFIBDatabase::RemoveDestroyHandler(const TNotifyEvent& h) { FDestroyEvents->Remove(h); }

// --- blob filters ----------------------------------------------------------------------------------

void TFIBDatabase::RegisterBlobFilter(int32_t subType, TBlobFilterProc first, TBlobFilterProc second) {
  if (!FBlobFilters) FBlobFilters = new std::vector<BlobFilter>;
  FBlobFilters->push_back({subType, first, second});
  FBlobFiltersSorted = false;
}

bool TFIBDatabase::HasBlobFilter(int32_t subType) {
  if (!FBlobFilters) return false;
  if (!FBlobFiltersSorted) {
    std::stable_sort(FBlobFilters->begin(), FBlobFilters->end(),
                     [](const BlobFilter& a, const BlobFilter& b) { return a.SubType < b.SubType; });
    FBlobFiltersSorted = true;
  }
  return std::binary_search(FBlobFilters->begin(), FBlobFilters->end(), BlobFilter{subType, nullptr, nullptr},
                            [](const BlobFilter& a, const BlobFilter& b) { return a.SubType < b.SubType; });
}

void TFIBDatabase::ApplyBlobFilter(char*& buffer, int32_t& length, bool selector, int32_t subType) {
  if (subType >= 0 || length <= 0 || !buffer || !HasBlobFilter(subType)) return;
  auto it = std::lower_bound(FBlobFilters->begin(), FBlobFilters->end(), subType,
                             [](const BlobFilter& a, int32_t s) { return a.SubType < s; });
  TBlobFilterProc f = selector ? it->First : it->Second;
  if (f) f(buffer, length);
}

// --- process-wide ----------------------------------------------------------------------------------

TFIBDatabase* GetDefaultDatabase() {
  std::lock_guard<std::mutex> lock(gDefaultLock);
  return gDefaultDatabase;
}

int32_t DatabaseCount() {
  std::lock_guard<std::mutex> lock(gDatabasesLock);
  return static_cast<int32_t>(Databases().size());
}

void CloseAllDatabases() {
  std::vector<TFIBDatabase*> copy;
  {
    std::lock_guard<std::mutex> lock(gDatabasesLock);
    copy = Databases();
  }
  for (TFIBDatabase* db : copy) db->Close();
}

// --- server information --------------------------------------------------------------------------

int32_t TFIBDatabase::InfoRequest(uint8_t item, char* answer, int16_t size) {
  const char items[1] = {static_cast<char>(item)};
  return static_cast<int32_t>(Call(ClientLibrary()->isc_database_info(StatusVector(), &FHandle, static_cast<short>(1),
                                                                      items, size, answer),
                                   true));
}

bool TFIBDatabase::DatabaseInfoInteger(uint8_t item, int32_t& value) {
  char answer[512] = {};
  InfoRequest(item, answer, sizeof answer);
  IIBClientLibrary* lib = ClientLibrary();
  const bool answered = static_cast<uint8_t>(answer[0]) == item;
  const ISC_LONG length = lib->isc_vax_integer(answer + 1, static_cast<short>(2));
  value = lib->isc_vax_integer(answer + 3, static_cast<short>(length));
  return answered;
}

int32_t TFIBDatabase::GetDBSQLDialect() {
  int32_t value = 0;
  return DatabaseInfoInteger(isc_info_db_sql_dialect, value) ? value : 1;
}

bool TFIBDatabase::IsUnicodeCharSet() const {
  if (Connected()) return FIsUnicodeCharSet;
  return FConnectParams->CharSet() == "UNICODE_FSS";
}

bool TFIBDatabase::IsUnicodeOrNoneCharSet() const {
  if (Connected()) return FIsUnicodeOrNoneCharSet;
  const String cs = FConnectParams->CharSet();
  return cs == "UNICODE_FSS" || cs == "NONE" || cs.empty();
}

int32_t TFIBDatabase::GetBaseLevel() {
  CheckActive();
  char answer[512] = {};
  InfoRequest(isc_info_base_level, answer, sizeof answer);
  return ClientLibrary()->isc_vax_integer(answer + 4, static_cast<short>(1));
}

bool TFIBDatabase::IsRemoteConnect() {
  CheckActive();
  if (FRemoteConnect == 0) {
    char answer[512] = {};
    InfoRequest(isc_info_db_id, answer, sizeof answer);
    FRemoteConnect = static_cast<uint8_t>(answer[3]);
  }
  return FRemoteConnect == 4;
}

String TFIBDatabase::GetFirebirdVersion() {
  CheckActive();
  char answer[512] = {};
  InfoRequest(isc_info_firebird_version, answer, sizeof answer);
  if (static_cast<uint8_t>(answer[0]) != isc_info_firebird_version) return String();
  return String(answer + 5, static_cast<uint8_t>(answer[4]));
}

String TFIBDatabase::GetServerVersion() {
  char answer[1024] = {};
  InfoRequest(isc_info_isc_version, answer, sizeof answer);
  return String(answer + 5, static_cast<uint8_t>(answer[4]));
}

bool TFIBDatabase::IsFirebirdServer() { return !GetFirebirdVersion().empty(); }

void TFIBDatabase::ParseServerVersion() {
  CheckActive();
  if (FServerMajor != -1) return;
  const String text = IsFirebirdServer() ? GetFirebirdVersion() : GetServerVersion();
  int32_t* numbers[4] = {&FServerMajor, &FServerMinor, &FServerRelease, &FServerBuild};
  int current = 0;
  String digits;
  // The first four characters name the platform and kind; the last one is never part of a number.
  for (size_t i = 4; i + 1 < text.size() && current < 4; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits += c;
      continue;
    }
    *numbers[current++] = digits.empty() ? 0 : static_cast<int32_t>(std::stol(digits));
    digits.clear();
  }
}

int32_t TFIBDatabase::GetServerMajorVersion() {
  ParseServerVersion();
  return FServerMajor;
}

TDateTime TFIBDatabase::ServerNow() {
  return VarToDateTime(QueryValue(FSQLDialect > 1 ? "SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE"
                                                  : "SELECT CAST('NOW' AS DATE) from RDB$DATABASE",
                                  0));
}

// --- the connection's own queries ------------------------------------------------------------------

Variant TFIBDatabase::QueryFieldValue(TFIBQuery* query, int32_t index) {
  TFIBXSQLVAR* field = query->Fields(index);
  return field->GetSQLType() == SQLTypeBlob ? Variant(field->GetAsString()) : field->GetAsVariant();
}

Variant TFIBDatabase::QueryValue(const String& sql, int32_t fieldIndex, const std::vector<Variant>& values) {
  Variant result(false);
  TFIBQuery* query = AcquireCachedQuery(FInternalTransaction, sql);
  TFIBTransaction* tr = query->Transaction();
  int32_t n = -1;
  // A statement whose parameters were not all used holds no reusable state, so it leaves the pool.
  auto dispose = [&] {
    if (n < 0)
      query->Free();
    else
      ReleaseCachedQuery(query);
  };
  try {
    n = std::min(static_cast<int32_t>(values.size()) - 1, query->ParamCount() - 1);
    if (!tr->Active()) tr->StartTransaction();
    for (int32_t i = 0; i <= n; ++i)
      if (!VarIsEmpty(values[i])) query->SetParamValue(i, values[i]);
    query->ExecQuery();
    const int32_t count = query->GetFieldCount();
    if (count > 0) {
      if (fieldIndex >= 0) {
        result = QueryFieldValue(query, fieldIndex);
      } else {
        result = VarArrayCreate({0, count - 1}, varVariant);
        for (int32_t i = 0; i < count; ++i) VarArrayPut(result, QueryFieldValue(query, i), {i});
        n = count - 1;
      }
    }
    // A statement that leaves the pool is dropped here, where a failure can still be reported and
    // undone: freeing the object afterwards could only swallow it.
    if (n < 0) query->FreeHandle();
  } catch (...) {
    try {
      if (tr->Active()) tr->Rollback();
    } catch (...) {
    }
    dispose();
    throw;
  }
  try {
    if (tr->Active()) tr->Commit();
  } catch (...) {
    dispose();
    throw;
  }
  dispose();
  return result;
}

Variant TFIBDatabase::QueryValue(const String& sql, int32_t fieldIndex) {
  return QueryValue(sql, fieldIndex, std::vector<Variant>{Variant(0)});
}

int64_t TFIBDatabase::GetGeneratorValue(const String& generatorName, int64_t step, TFIBTransaction* transaction) {
  const String name = FormatIdentifier(FSQLDialect, generatorName, !UsesUpperCaseNames());
  TFIBTransaction* tr = FirstActiveTransaction();
  if (!tr) tr = transaction;
  if (!tr) tr = FInternalTransaction;
  TFIBQuery* query =
      AcquireCachedQuery(tr, "select gen_id(" + name + ", " + std::to_string(step) + ") from RDB$DATABASE");
  bool started = false;
  int64_t result = 0;
  try {
    TFIBTransaction* qtr = query->Transaction();
    if (!qtr->Active()) {
      qtr->StartTransaction();
      started = true;
    }
    try {
      query->ExecQuery();
      result = query->Fields(0)->GetAsInt64();
    } catch (...) {
      // A transaction begun only for this value must not stay open after a failure.
      if (started && qtr->Active()) {
        try {
          qtr->Rollback();
        } catch (...) {
        }
      }
      throw;
    }
    if (started) qtr->Commit();
  } catch (...) {
    ReleaseCachedQuery(query);
    throw;
  }
  ReleaseCachedQuery(query);
  return result;
}

RTL_PUBLISHED(TFIBDatabase) {
  using T = TFIBDatabase;
  prop("Connected", &T::Connected, &T::SetConnected).Default(false).Stored(&T::IsConnectedStored);
  prop("BlobSwapSupport", &T::BlobSwapSupport, &T::SetBlobSwapSupport);
  prop("DBName", &T::DBName, &T::SetDBName);
  prop("DBParams", &T::DBParams, &T::SetDBParams);
  prop("DefaultTransaction", &T::DefaultTransaction, &T::SetDefaultTransaction);
  prop("DefaultUpdateTransaction", &T::DefaultUpdateTransaction, &T::SetDefaultUpdateTransaction);
  prop("SQLDialect", &T::SQLDialect, &T::SetSQLDialect).Default(1);
  prop("Timeout", &T::Timeout, &T::SetTimeout).Default(0u);
  prop("UseLoginPrompt", &T::UseLoginPrompt, &T::SetUseLoginPrompt).Default(false);
  event("OnTimeout", &T::OnTimeout, &T::SetOnTimeout);
  prop("UpperOldNames", &T::UpperOldNames, &T::SetUpperOldNames).Default(false);
  event("BeforeDisconnect", &T::BeforeDisconnect, &T::SetBeforeDisconnect);
  event("AfterDisconnect", &T::AfterDisconnect, &T::SetAfterDisconnect);
  prop("ConnectParams", &T::ConnectParams, &T::SetConnectParams).Stored(false);
  prop("SynchronizeTime", &T::SynchronizeTime, &T::SetSynchronizeTime).Default(true);
  prop("DesignDBOptions", &T::DesignDBOptions, &T::SetDesignDBOptions).Default(TDesignDBOptions{ddoStoreConnected});
  event("OnConnect", &T::OnConnect, &T::SetOnConnect).Stored(false);
  event("BeforeSaveBlobToSwap", &T::BeforeSaveBlobToSwap, &T::BeforeSaveBlobToSwap);
  event("AfterSaveBlobToSwap", &T::AfterSaveBlobToSwap, &T::AfterSaveBlobToSwap);
  event("AfterLoadBlobFromSwap", &T::AfterLoadBlobFromSwap, &T::AfterLoadBlobFromSwap);
  event("BeforeLoadBlobFromSwap", &T::BeforeLoadBlobFromSwap, &T::BeforeLoadBlobFromSwap);
  prop("UseRepositories", &T::UseRepositories, &T::SetUseRepositories)
      .Default(TpFIBRepositoryOptions{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo});
  prop("LibraryName", &T::LibraryName, &T::SetLibraryName).Stored(&T::IsLibraryNameStored);
}

// ===================================================================================================
// TFIBTransaction

TFIBTransaction::TFIBTransaction(TComponent* AOwner) : TComponent(AOwner) {}

void TFIBTransaction::AfterConstruction() {
  inherited::AfterConstruction();
  FTRParams = New<TStringList>();
  FTRParams->SetOnChanging(TNotifyEvent(this, &TFIBTransaction::TRParamsChanging));
  FTRParams->SetOnChange(TNotifyEvent(this, &TFIBTransaction::TRParamsChanged));
  FOnFreeEvents = New<TNotifyEventList>(nullptr);
  FBeforeStartEvents = New<TNotifyEventList>(nullptr);
  FAfterStartEvents = New<TNotifyEventList>(nullptr);
  FBeforeEndEvents = New<TCallBackList>(nullptr);
  FAfterEndEvents = New<TCallBackList>(nullptr);
  if (Designing(this) && !Loading(this)) SetDefaultDatabase(GetDefaultDatabase());
}

void TFIBTransaction::BeforeDestruction() {
  if (Active()) {
    try {
      EndTransaction(HardAction(FTimeoutAction), true);
    } catch (...) {
    }
  }
  CallNotifyList(FOnFreeEvents, true);
  for (int32_t i = LinkCount() - 1; i >= 0; --i)
    if (i < LinkCount() && FLinks[i]) FLinks[i]->DoTransactionFree();
  FLinks.clear();
  RemoveAllDatabases();
  inherited::BeforeDestruction();
}

TFIBTransaction::~TFIBTransaction() {
  FreeAndNil(FTimer);
  FreeAndNil(FTRParams);
  FreeAndNil(FOnFreeEvents);
  FreeAndNil(FBeforeStartEvents);
  FreeAndNil(FAfterStartEvents);
  FreeAndNil(FBeforeEndEvents);
  FreeAndNil(FAfterEndEvents);
}

void TFIBTransaction::Loaded() {
  inherited::Loaded();
  if (FStreamedActive && !Active()) StartTransaction();
}

void TFIBTransaction::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
}

bool TFIBTransaction::IsActiveStored() const {
  TFIBDatabase* db = MainDatabase();
  return Active() && db && db->IsConnectedStored();
}

void TFIBTransaction::SetActive(bool value) {
  if (Loading(this)) {
    FStreamedActive = value;
    return;
  }
  if (value && !Active())
    StartTransaction();
  else if (!value && Active())
    Rollback();
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* value) {
  CheckNotInTransaction();
  if (value != FDefaultDatabase) {
    if (value) value->AddTransaction(this);
    if (FDefaultDatabase) {
      const int32_t i = FindDatabase(FDefaultDatabase);
      if (i >= 0) RemoveDatabase(i);
    }
    if (value) AddDatabase(value);
  }
  FDefaultDatabase = value;
}

uint32_t TFIBTransaction::Timeout() const { return FTimer ? FTimer->Interval() : 0; }

void TFIBTransaction::SetTimeout(uint32_t value) { SetIdleTimer(this, FTimer, value); }

TStrings* TFIBTransaction::TRParams() const { return FTRParams; }
void TFIBTransaction::SetTRParams(TStrings* value) { FTRParams->Assign(value); }
void TFIBTransaction::TRParamsChanging(TObject*) { CheckNotInTransaction(); }
void TFIBTransaction::TRParamsChanged(TObject*) { FTPBDirty = true; }

// --- checks and the gate ---------------------------------------------------------------------------

void TFIBTransaction::EnsureActive() {
  if (FStreamedActive && !Active()) Loaded();
  if (Active()) return;
  if (Designing(this))
    StartTransaction();
  else
    RaiseClientError(ceNotInTransaction, {FullComponentName(this)});
}

void TFIBTransaction::CheckInTransaction() {
  if (!Active()) RaiseClientError(ceNotInTransaction, {FullComponentName(this)});
}

void TFIBTransaction::CheckNotInTransaction() {
  if (Active()) RaiseClientError(ceInTransaction, {FullComponentName(this)});
}

IIBClientLibrary* TFIBTransaction::MainLibrary() const {
  TFIBDatabase* db = MainDatabase();
  return db ? db->ClientLibrary() : nullptr;
}

ISC_STATUS TFIBTransaction::Call(ISC_STATUS status, bool raiseError) {
  SetFPUExtendedPrecision();
  for (TFIBDatabase* db : FDatabases)
    if (db) db->FIdle = false;
  FIdle = false;
  if (raiseError && status > 0) {
    IIBClientLibrary* lib = FDatabases.empty() ? nullptr : FDatabases[0]->ClientLibrary();
    RaiseServerError(lib, this);
  }
  return status;
}

// --- handler lists ---------------------------------------------------------------------------------

void TFIBTransaction::CallNotifyList(TNotifyEventList* list, bool lastFirst) {
  const int32_t n = list->Count();
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = lastFirst ? n - 1 - k : k;
    TNotifyEvent e = list->GetEvent(i);
    if (e.Assigned()) e(this);
  }
}

void TFIBTransaction::CallEndList(TCallBackList* list, TTransactionAction action, bool force) {
  for (int32_t i = 0; i < list->Count(); ++i) {
    const TMethod* m = list->Get(i);
    if (!m) continue;
    TEndTrEvent e = TEndTrEvent::FromMethod(*m);
    if (e.Assigned()) e(this, action, force);
  }
}

void TFIBTransaction::AddEvent(int32_t kind, const TNotifyEvent& handler) {
  switch (kind) {
    case tekBeforeStart: FBeforeStartEvents->Add(handler); break;
    case tekAfterStart: FAfterStartEvents->Add(handler); break;
    case tekOnFree: FOnFreeEvents->Add(handler); break;
    default: break;
  }
}

void TFIBTransaction::RemoveEvent(int32_t kind, const TNotifyEvent& handler) {
  switch (kind) {
    case tekBeforeStart: FBeforeStartEvents->Remove(handler); break;
    case tekAfterStart: FAfterStartEvents->Remove(handler); break;
    case tekOnFree: FOnFreeEvents->Remove(handler); break;
    default: break;
  }
}

void TFIBTransaction::AddEndEvent(int32_t kind, const TEndTrEvent& handler) {
  if (kind == tekBeforeEnd)
    FBeforeEndEvents->Add(handler.ToMethod());
  else if (kind == tekAfterEnd)
    FAfterEndEvents->Add(handler.ToMethod());
}

void TFIBTransaction::RemoveEndEvent(int32_t kind, const TEndTrEvent& handler) {
  if (kind == tekBeforeEnd)
    FBeforeEndEvents->Remove(handler.ToMethod());
  else if (kind == tekAfterEnd)
    FAfterEndEvents->Remove(handler.ToMethod());
}

// --- connections -----------------------------------------------------------------------------------

int32_t TFIBTransaction::AddDatabase(TFIBDatabase* database) {
  if (!database) return -1;
  const int32_t found = FindDatabase(database);
  if (found >= 0) return found;
  if (!FDatabases.empty() && database->LibraryName() != FDatabases[0]->LibraryName())
    throw Exception(Format("%s.\r\nTransaction can't work with different client library.",
                           {FullComponentName(this)}));
  FDatabases.push_back(database);
  // The connection learns of the transaction too, so that closing or freeing it ends the transaction
  // and never leaves a dangling entry here.
  database->AddTransaction(this);
  return GetDatabaseCount() - 1;
}

void TFIBTransaction::RemoveDatabase(int32_t index) {
  if (index < 0 || index >= GetDatabaseCount()) return;
  TFIBDatabase* db = FDatabases[index];
  FDatabases.erase(FDatabases.begin() + index);
  if (!db) return;
  for (int32_t i = 0; i < db->TransactionCount(); ++i)
    if (db->FTransactions[i] == this) db->RemoveTransaction(i);
  if (db->FDefaultTransaction == this) db->FDefaultTransaction = nullptr;
  if (db->FDefaultUpdateTransaction == this) db->FDefaultUpdateTransaction = nullptr;
  if (FDefaultDatabase == db) FDefaultDatabase = nullptr;
}

void TFIBTransaction::RemoveAllDatabases() {
  for (int32_t i = GetDatabaseCount() - 1; i >= 0; --i) RemoveDatabase(i);
}

TFIBDatabase* TFIBTransaction::GetDatabase(int32_t index) const {
  return index >= 0 && index < GetDatabaseCount() ? FDatabases[index] : nullptr;
}

int32_t TFIBTransaction::FindDatabase(TFIBDatabase* database) const {
  for (int32_t i = 0; i < GetDatabaseCount(); ++i)
    if (FDatabases[i] == database) return i;
  return -1;
}

TFIBDatabase* TFIBTransaction::MainDatabase() const {
  if (FDefaultDatabase) return FDefaultDatabase;
  return FDatabases.empty() ? nullptr : FDatabases[0];
}

// --- links -----------------------------------------------------------------------------------------

int32_t TFIBTransaction::AddLink(TFIBBase* link) {
  for (int32_t i = 0; i < LinkCount(); ++i)
    if (!FLinks[i]) {
      FLinks[i] = link;
      return i;
    }
  FLinks.push_back(link);
  return LinkCount() - 1;
}

void TFIBTransaction::RemoveLink(int32_t index) { TFIBBase::RemoveFromLinks(FLinks, index, false); }

TFIBBase* TFIBTransaction::GetLink(int32_t index) const {
  return index >= 0 && index < LinkCount() ? FLinks[index] : nullptr;
}

// --- start and end ---------------------------------------------------------------------------------

void TFIBTransaction::StartTransaction() {
  CheckNotInTransaction();
  if (FDatabases.empty()) RaiseClientError(ceNoDatabasesInTransaction, {FullComponentName(this)});
  if (FTPBDirty) {
    String block;
    int16_t length = 0;
    BuildTPB(FTRParams, block, length);
    FTPB = block;
    FTPBLength = length;
    FTPBDirty = false;
  }
  std::vector<TransactionExistenceBlock> blocks;
  blocks.reserve(FDatabases.size());
  for (TFIBDatabase* db : FDatabases) {
    db->CheckActive();
    blocks.push_back({db->HandleAddress(), FTPBLength, FTPBLength > 0 ? FTPB.data() : nullptr});
  }
  for (int32_t i = 0; i < LinkCount(); ++i)
    if (FLinks[i]) FLinks[i]->DoBeforeTransactionStart();
  if (!Active()) {
    CallNotifyList(FBeforeStartEvents, true);
    IIBClientLibrary* lib = MainLibrary();
    ISC_STATUS status = Call(lib->isc_start_multiple(StatusVector(), &FHandle, static_cast<short>(blocks.size()),
                                                     static_cast<void*>(blocks.data())),
                             false);
    if (status > 0) {
      FHandle = 0;
      RaiseServerError(lib, this);
    }
    CallNotifyList(FAfterStartEvents, true);
  }
  for (int32_t i = 0; i < LinkCount(); ++i)
    if (FLinks[i]) FLinks[i]->DoAfterTransactionStart();
  if (TFIBSQLMonitorHook* hook = MonitorHook()) hook->TraceTransactionStart(this, TransactionID());
  FState = trsActive;
}

void TFIBTransaction::EndTransaction(TTransactionAction Action, bool Force) {
  EnsureActive();
  IIBClientLibrary* lib = MainLibrary();
  auto beforeEnd = [&] {
    for (int32_t i = LinkCount() - 1; i >= 0; --i)
      if (i < LinkCount() && FLinks[i]) FLinks[i]->DoBeforeTransactionEnd();
    CallEndList(FBeforeEndEvents, Action, Force);
  };
  auto afterEnd = [&] {
    for (int32_t i = LinkCount() - 1; i >= 0; --i)
      if (i < LinkCount() && FLinks[i]) FLinks[i]->DoAfterTransactionEnd();
    CallEndList(FAfterEndEvents, Action, Force);
  };
  // The trace needs the number while the transaction still exists; a lost one cannot be asked.
  int64_t id = FTransactionID;
  if (MonitorHook() && !FLost) {
    try {
      id = TransactionID();
    } catch (const Exception&) {
    }
  }
  switch (Action) {
    case TARollback:
    case TACommit: {
      if (FLost && FTimeoutAction != Action && !Force) RaiseClientError(ceCantEndSharedTransaction);
      FState = Action == TARollback ? trsRollingBack : trsCommitting;
      beforeEnd();
      ISC_STATUS status = 0;
      if (FLost) {
        FHandle = 0;
        FLost = false;
      } else if (Action == TARollback) {
        status = Call(lib->isc_rollback_transaction(StatusVector(), &FHandle), false);
      } else {
        status = Call(lib->isc_commit_transaction(StatusVector(), &FHandle), false);
      }
      if (Force && status > 0) status = Call(lib->isc_rollback_transaction(StatusVector(), &FHandle), false);
      if (Force)
        FHandle = 0;
      else if (status > 0)
        RaiseServerError(lib, this);
      afterEnd();
      break;
    }
    case TARollbackRetaining:
      FState = trsRollingBackRetaining;
      beforeEnd();
      Call(lib->isc_rollback_retaining(StatusVector(), &FHandle), true);
      afterEnd();
      break;
    case TACommitRetaining:
      FState = trsCommittingRetaining;
      beforeEnd();
      Call(lib->isc_commit_retaining(StatusVector(), &FHandle), true);
      afterEnd();
      break;
  }
  if (TFIBSQLMonitorHook* hook = MonitorHook()) {
    switch (Action) {
      case TARollback: hook->TraceRollback(this, id); break;
      case TARollbackRetaining: hook->TraceRollbackRetaining(this, id); break;
      case TACommit: hook->TraceCommit(this, id); break;
      case TACommitRetaining: hook->TraceCommitRetaining(this, id); break;
    }
  }
  FState = FHandle != 0 ? trsActive : trsInactive;
  if (FState == trsInactive && Designing(this))
    for (int32_t i = 0; i < LinkCount(); ++i)
      if (auto* query = FLinks[i] ? dynamic_cast<TFIBQuery*>(FLinks[i]->Owner()) : nullptr) query->FreeHandle();
  FTransactionID = 0;
}

void TFIBTransaction::NotifySQLExecute(TFIBQuery*, int32_t) {}
void TFIBTransaction::Commit() { EndTransaction(TACommit, false); }
void TFIBTransaction::CommitRetaining() { EndTransaction(TACommitRetaining, false); }
void TFIBTransaction::Rollback() { EndTransaction(TARollback, false); }
void TFIBTransaction::RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }

int32_t TFIBTransaction::TransactionID() {
  if (FTransactionID > 0) return FTransactionID;
  if (!Active()) return 0;
  const char items[1] = {isc_info_tra_id};
  char answer[32] = {};
  IIBClientLibrary* lib = MainLibrary();
  Call(lib->isc_transaction_info(StatusVector(), &FHandle, static_cast<short>(sizeof items), items,
                                 static_cast<short>(sizeof answer), answer),
       true);
  const auto* b = reinterpret_cast<const uint8_t*>(answer + 3);
  FTransactionID = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                        static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  return FTransactionID;
}

void TFIBTransaction::TimerElapsed(TObject*) {
  if (!Active()) return;
  if (FIdle) {
    EndTransaction(FTimeoutAction, true);
    if (FOnTimeout.Assigned()) FOnTimeout(this);
  } else {
    FIdle = true;
  }
}

RTL_PUBLISHED(TFIBTransaction) {
  using T = TFIBTransaction;
  prop("Active", &T::Active, &T::SetActive).Default(false).Stored(&T::IsActiveStored);
  prop("DefaultDatabase", &T::DefaultDatabase, &T::SetDefaultDatabase);
  prop("Timeout", &T::Timeout, &T::SetTimeout).Default(0u);
  prop("TimeoutAction", &T::TimeoutAction, &T::SetTimeoutAction).Default(TARollback);
  prop("TRParams", &T::TRParams, &T::SetTRParams);
  event("OnTimeout", &T::OnTimeout, &T::SetOnTimeout);
}

// ===================================================================================================
// TFIBBase

TFIBBase::TFIBBase(TComponent* owner) : FOwner(owner) {}

TFIBBase::~TFIBBase() {
  SetDatabase(nullptr);
  SetTransaction(nullptr);
}

void TFIBBase::SetDatabase(TFIBDatabase* value) {
  if (value == FDatabase) return;
  if (FDatabase) FDatabase->RemoveLink(FIndexInDatabase);
  FDatabase = value;
  if (!value) return;
  FIndexInDatabase = value->AddLink(this);
  if (!FTransaction && FOwner && !OwnerChainLoading(FOwner)) SetTransaction(value->DefaultTransaction());
}

void TFIBBase::SetTransaction(TFIBTransaction* value) {
  if (value == FTransaction) return;
  if (FTransaction) FTransaction->RemoveLink(FIndexInTransaction);
  FTransaction = value;
  if (!value) return;
  FIndexInTransaction = value->AddLink(this);
  if ((!FDatabase || value->FindDatabase(FDatabase) < 0) && value->GetDatabaseCount() > 0)
    SetDatabase(value->MainDatabase());
}

void TFIBBase::CheckDatabase() {
  if (!FDatabase) RaiseClientError(ceDatabaseNotAssigned, {FullComponentName(FOwner)});
  FDatabase->CheckActive();
}

void TFIBBase::CheckTransaction() {
  if (!FTransaction) RaiseClientError(ceTransactionNotAssigned, {FullComponentName(FOwner)});
  FTransaction->EnsureActive();
}

isc_db_handle* TFIBBase::GetDBHandle() {
  CheckDatabase();
  return FDatabase->HandleAddress();
}

isc_tr_handle* TFIBBase::GetTRHandle() {
  CheckTransaction();
  return FTransaction->HandleAddress();
}

void TFIBBase::RemoveFromLinks(std::vector<TFIBBase*>& links, int32_t index, bool database) {
  if (index < 0 || index >= static_cast<int32_t>(links.size())) return;
  auto setIndex = [database](TFIBBase* link, int32_t i) {
    (database ? link->FIndexInDatabase : link->FIndexInTransaction) = i;
  };
  if (TFIBBase* link = links[index]) {
    if (database)
      link->FDatabase = nullptr;
    else
      link->FTransaction = nullptr;
    setIndex(link, -1);
  }
  // The last link fills the slot, so indices stay dense but change on removal.
  const int32_t last = static_cast<int32_t>(links.size()) - 1;
  if (index != last) {
    links[index] = links[last];
    if (links[index]) setIndex(links[index], index);
  }
  links.pop_back();
}

void TFIBBase::DoBeforeDatabaseConnect() { Fire(FOnDatabaseConnecting); }
void TFIBBase::DoAfterDatabaseConnect() { Fire(FOnDatabaseConnected); }
void TFIBBase::DoBeforeDatabaseDisconnect() { Fire(FOnDatabaseDisconnecting); }
void TFIBBase::DoAfterDatabaseDisconnect() { Fire(FOnDatabaseDisconnected); }

void TFIBBase::DoDatabaseFree() {
  Fire(FOnDatabaseFree);
  SetDatabase(nullptr);
  SetTransaction(nullptr);
}

void TFIBBase::DoBeforeTransactionEnd() { Fire(FOnTransactionEnding); }
void TFIBBase::DoAfterTransactionEnd() { Fire(FOnTransactionEnded); }
void TFIBBase::DoBeforeTransactionStart() { Fire(FOnTransactionStarting); }
void TFIBBase::DoAfterTransactionStart() { Fire(FOnTransactionStarted); }

void TFIBBase::DoTransactionFree() {
  Fire(FOnTransactionFree);
  FTransaction = nullptr;
  FIndexInTransaction = -1;
}

// ===================================================================================================
// AssignSQLObjectParams

namespace {
bool HasPrefix(const String& name, const char* prefix) {
  if (name.size() <= 4) return false;
  for (int k = 0; k < 4; ++k) {
    char c = name[k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[k]) return false;
  }
  return true;
}

void AssignParams(ISQLObject* destination, ISQLObject* const* sources, size_t count) {
  if (!destination) return;
  const int32_t n = destination->ParamCount();
  for (int32_t i = 0; i < n; ++i) {
    const String full = destination->ParamName(i);
    String name = full;
    bool old = false;
    if (HasPrefix(full, "NEW_")) {
      name = full.substr(4);
    } else if (HasPrefix(full, "OLD_")) {
      name = full.substr(4);
      old = true;
    }
    for (size_t s = 0; s < count; ++s) {
      ISQLObject* src = sources[s];
      if (!src) continue;
      int32_t index = -1;
      if (src->FieldExist(name, index))
        destination->SetParamValue(i, src->FieldValue(index, old));
      else if (src->ParamExist(full, index))
        destination->SetParamValue(i, src->ParamValue(index));
    }
  }
}
}  // namespace

void AssignSQLObjectParams(ISQLObject* destination, std::initializer_list<ISQLObject*> sources) {
  AssignParams(destination, sources.begin(), sources.size());
}

void AssignSQLObjectParams(ISQLObject* destination, const std::vector<ISQLObject*>& sources) {
  AssignParams(destination, sources.data(), sources.size());
}
