#include "dbaccess/pZAZServices.h"

#include <ibase.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBLoginDialog.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBSQLMonitor.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {
// The names a service parameter block knows; only the first three accepted ones go into a block.
struct SpbName {
  const char* Name;
  uint8_t Tag;
  bool Accepted;
};
const SpbName kSpbNames[] = {
    {"user_name", isc_spb_user_name, true},          {"sys_user_name", isc_spb_sys_user_name, false},
    {"sys_user_name_enc", isc_spb_sys_user_name_enc, false}, {"password", isc_spb_password, true},
    {"password_enc", isc_spb_password_enc, false},   {"command_line", isc_spb_command_line, false},
    {"db_name", isc_spb_dbname, false},              {"verbose", isc_spb_verbose, false},
    {"options", isc_spb_options, false},             {"connect_timeout", isc_spb_connect_timeout, false},
    {"dummy_packet_interval", isc_spb_dummy_packet_interval, false},
    {"sql_role_name", isc_spb_sql_role_name, true},
};
static_assert(isc_spb_user_name == 28 && isc_spb_password == 29 && isc_spb_sql_role_name == 60 &&
              isc_spb_sys_user_name == 19 && isc_spb_sys_user_name_enc == 31 && isc_spb_password_enc == 30 &&
              isc_spb_connect_timeout == 57 && isc_spb_dummy_packet_interval == 58);

// The process-wide trace hook; null once the library is shutting down.
TFIBSQLMonitorHook* Hook() { return MonitorHook(); }

// The embedded engine runs the backup utility inside this process, and when a backup file ends before
// its last volume was read the utility prompts for the next volume on the process's standard output
// and waits for an answer on its standard input. A desktop program has nobody there, so while an
// embedded action runs standard input reads from /dev/null: the prompt gets end of file at once and
// the action ends instead of waiting forever. Nested or concurrent actions share one redirection.
class StandardInputShield {
public:
  StandardInputShield() {
    std::lock_guard<std::mutex> lock(Mutex());
    if (Count()++ > 0) return;
    Saved() = fcntl(0, F_DUPFD_CLOEXEC, 3);
    int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) {
      if (null != 0) {
        dup2(null, 0);
        close(null);
      }
    }
  }
  ~StandardInputShield() {
    std::lock_guard<std::mutex> lock(Mutex());
    if (--Count() > 0) return;
    if (Saved() >= 0) {
      dup2(Saved(), 0);
      close(Saved());
      Saved() = -1;
    } else {
      close(0);  // it was closed before
    }
    // The end of file the prompt met must not stick to the stream for later readers.
    clearerr(stdin);
  }
  StandardInputShield(const StandardInputShield&) = delete;
  StandardInputShield& operator=(const StandardInputShield&) = delete;

private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  static int& Count() {
    static int n = 0;
    return n;
  }
  static int& Saved() {
    static int fd = -1;
    return fd;
  }
};

// The text after the first "=" of a line, "" without one.
String ValueOfLine(const String& line) {
  int32_t p = Pos('=', line);
  return p > 0 ? Copy(line, p + 1) : String();
}
}  // namespace

uint32_t BackupOptionsValue(TBackupOptions options) {
  uint32_t v = 0;
  for (int i = IgnoreChecksums; i <= ConvertExtTables; ++i)
    if (options.Contains(static_cast<TBackupOption>(i))) v |= 1u << i;
  return v;
}

uint32_t RestoreOptionsValue(TRestoreOptions options) {
  uint32_t v = 0;
  for (int i = DeactivateIndexes; i <= UseAllSpace; ++i)
    if (options.Contains(static_cast<TRestoreOption>(i))) v |= 0x100u << i;
  return v;
}

// ---------------------------------------------------------------------------------------------------
// TpZAZCustomService

TpZAZCustomService::TpZAZCustomService(TComponent* AOwner)
    : TComponent(AOwner), FParams(New<TStringList>()), FLibraryName(DefaultClientLibraryName) {
  FParams->SetOnChange(TNotifyEvent(this, &TpZAZCustomService::ParamsChange));
  FParams->SetOnChanging(TNotifyEvent(this, &TpZAZCustomService::ParamsChanging));
}

TpZAZCustomService::~TpZAZCustomService() { FreeAndNil(FParams); }

void TpZAZCustomService::BeforeDestruction() {
  if (FLibrary && FHandle != 0) {
    // A destructor cannot report a failed detach; the handle is dropped either way.
    try {
      Detach();
    } catch (const Exception&) {
    }
  }
  inherited::BeforeDestruction();
}

void TpZAZCustomService::Loaded() {
  inherited::Loaded();
  if (FStreamedActive && !Active()) Attach();
}

void TpZAZCustomService::SetActive(bool value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedActive = value;
    return;
  }
  if (value == Active()) return;
  if (value)
    Attach();
  else
    Detach();
}

void TpZAZCustomService::SetServerName(const String& value) {
  if (value == FServerName) return;
  CheckInactive();
  FServerName = value;
}

void TpZAZCustomService::SetProtocol(TProtocol value) {
  if (value == FProtocol) return;
  CheckInactive();
  FProtocol = value;
  if (value == Local) FServerName.clear();
}

TStrings* TpZAZCustomService::Params() const { return FParams; }
void TpZAZCustomService::SetParams(TStrings* value) { FParams->Assign(value); }

void TpZAZCustomService::SetLibraryName(const String& value) {
  CheckInactive();
  if (value != FLibraryName) FLibrary = nullptr;
  FLibraryName = value;
}

void TpZAZCustomService::ParamsChange(TObject*) { FSPBRebuild = true; }
void TpZAZCustomService::ParamsChanging(TObject*) { CheckInactive(); }

void TpZAZCustomService::CheckActive() {
  if (FStreamedActive && !Active()) Loaded();
  if (FHandle == 0) RaiseClientError(feServiceActive);
}

void TpZAZCustomService::CheckInactive() {
  if (FHandle != 0) RaiseClientError(feServiceInActive);
}

IIBClientLibrary* TpZAZCustomService::ClientLibrary() {
  if (!FLibrary) FLibrary = GetClientLibraryByName(FLibraryName);
  return FLibrary.get();
}

void TpZAZCustomService::ServiceCallFailed() {
  isc_svc_handle handle = FHandle;
  FHandle = 0;
  // The component counts as detached now; let the server drop its side too, without touching the
  // status vector that the error is built from.
  if (handle != 0 && FLibrary) {
    ISC_STATUS scratch[StatusVectorLength] = {};
    try {
      SettleFailedHandle(handle);
      FLibrary->isc_service_detach(scratch, &handle);
    } catch (const Exception&) {
    }
  }
  SetFPUExtendedPrecision();
  RaiseServerError(FLibrary.get(), this);
}

String TpZAZCustomService::ServiceName() const {
  switch (FProtocol) {
    case TCP:
      return FServerName + ":service_mgr";
    case SPX:
      return FServerName + "@service_mgr";
    case NamedPipe:
      return "\\\\" + FServerName + "\\service_mgr";
    case Local:
      break;
  }
  return "service_mgr";
}

String TpZAZCustomService::BuildSPB() const {
  String spb;
  spb += static_cast<char>(isc_spb_version);
  spb += static_cast<char>(isc_spb_current_version);
  for (int32_t i = 0; i < FParams->Count(); ++i) {
    String line = FParams->Strings(i);
    int32_t p = Pos('=', line);
    String namePart = p > 0 ? Copy(line, 1, p - 1) : String();
    if (Trim(namePart).empty()) continue;
    String name = LowerCase(namePart);
    String value = Copy(line, p + 1);
    if (name.compare(0, 8, "isc_spb_") == 0) name.erase(0, 8);
    const SpbName* found = nullptr;
    for (const SpbName& n : kSpbNames)
      if (name == n.Name) found = &n;
    if (!found) RaiseClientError(feSPBConstantUnknown);
    if (!found->Accepted) RaiseClientError(feSPBConstantNotSupported);
    // One length byte: a longer value would corrupt the block.
    if (value.size() > 255)
      RaiseClientErrorMsg("SPB value of %s is longer than 255 bytes", {found->Name});
    spb += static_cast<char>(found->Tag);
    spb += static_cast<char>(value.size());
    spb += value;
  }
  if (spb.size() > 65535) RaiseClientErrorMsg("Service parameter block is longer than 65535 bytes");
  return spb;
}

int32_t TpZAZCustomService::IndexOfParam(const String& name) const {
  for (int32_t i = 0; i < FParams->Count(); ++i) {
    int32_t p = Pos(name, FParams->Strings(i));
    if (p == 1 || p == 9) return i;
  }
  return -1;
}

bool TpZAZCustomService::Login() {
  if (FOnLogin) {
    std::unique_ptr<TStringList, void (*)(TStringList*)> copy(New<TStringList>(),
                                                              [](TStringList* l) { l->Free(); });
    copy->Assign(FParams);
    FOnLogin(this, copy.get());
    FParams->Assign(copy.get());
    return true;
  }
  static const char* const names[3] = {"user_name", "password", "sql_role_name"};
  int32_t index[3];
  String values[3];
  for (int k = 0; k < 3; ++k) {
    index[k] = IndexOfParam(names[k]);
    if (index[k] >= 0) values[k] = ValueOfLine(FParams->Strings(index[k]));
  }
  if (!LoginDialogHook) return false;
  bool ok = LoginDialogHook(FServerName, values[0], values[1], values[2]);
  if (ok) {
    for (int k = 0; k < 3; ++k) {
      String line = String(names[k]) + "=" + values[k];
      if (index[k] >= 0)
        FParams->SetStrings(index[k], line);
      else
        FParams->Add(line);
    }
  }
  return ok;
}

void TpZAZCustomService::Attach() {
  CheckInactive();
  if (FServerName.empty() && FProtocol != Local) RaiseClientError(feServerNameMissing);
  if (FLoginPrompt && !Login()) RaiseClientError(feOperationCancelled);
  if (FSPBRebuild) {
    FSPB = BuildSPB();
    FSPBRebuild = false;
  }
  String name = ServiceName();
  if (name.size() > 65535) RaiseClientErrorMsg("Service name is longer than 65535 bytes");
  IIBClientLibrary* lib = ClientLibrary();
  ISC_STATUS status = lib->isc_service_attach(StatusVector(), static_cast<unsigned short>(name.size()),
                                              name.c_str(), &FHandle, static_cast<unsigned short>(FSPB.size()),
                                              FSPB.data());
  SetFPUExtendedPrecision();
  if (status != 0) {
    FHandle = 0;
    RaiseServerError(lib, this);
  }
  if (FOnAttach) FOnAttach(this);
  if (auto* hook = Hook()) hook->TraceServiceAttach(this);
}

void TpZAZCustomService::Detach() {
  CheckActive();
  ISC_STATUS status = ClientLibrary()->isc_service_detach(StatusVector(), &FHandle);
  SetFPUExtendedPrecision();
  // A detach that failed still holds the client's handle: it goes the way of every failed call.
  if (status != 0) ServiceCallFailed();
  FHandle = 0;
  if (auto* hook = Hook()) hook->TraceServiceDetach(this);
}

// ---------------------------------------------------------------------------------------------------
// TpZAZControlService

void TpZAZControlService::ServiceStart() {
  CheckActive();
  FStartParams.clear();
  try {
    BuildStartRequest();
  } catch (...) {
    FStartParams.clear();
    throw;
  }
  SendStartRequest();
}

void TpZAZControlService::AddStartString(uint8_t tag, const String& value) {
  if (value.empty()) return;
  // Two length bytes: a longer value would corrupt the request.
  if (value.size() > 65535) RaiseClientErrorMsg("Start request value is longer than 65535 bytes");
  AddStartByte(tag);
  AddStartByte(static_cast<uint8_t>(value.size() & 0xFF));
  AddStartByte(static_cast<uint8_t>(value.size() >> 8));
  FStartParams += value;
}

void TpZAZControlService::AddStartInteger(uint8_t tag, int32_t value) {
  auto v = static_cast<uint32_t>(value);
  AddStartByte(tag);
  for (int i = 0; i < 4; ++i) AddStartByte(static_cast<uint8_t>(v >> (8 * i)));
}

void TpZAZControlService::SendStartRequest() {
  String request;
  request.swap(FStartParams);
  if (request.empty()) RaiseClientError(feStartParamsError);
  if (request.size() > 65535) RaiseClientErrorMsg("Start request is longer than 65535 bytes");
  IIBClientLibrary* lib = ClientLibrary();
  ISC_STATUS status = lib->isc_service_start(StatusVector(), &FHandle, nullptr,
                                             static_cast<unsigned short>(request.size()), request.data());
  SetFPUExtendedPrecision();
  if (status != 0) ServiceCallFailed();
  if (auto* hook = Hook()) hook->TraceServiceStart(this);
}

// ---------------------------------------------------------------------------------------------------
// TpZAZControlAndQueryService

TpZAZControlAndQueryService::~TpZAZControlAndQueryService() { std::free(FOutputBuffer); }

const TServiceGetTextNotify& TpZAZControlAndQueryService::TextNotify() const {
  static const TServiceGetTextNotify none;
  return none;
}

void TpZAZControlAndQueryService::SetBufferSize(int32_t value) {
  if (value < 4 || value > 65535) RaiseClientErrorMsg("BufferSize %d is outside 4..65535", {value});
  if (value == FBufferSize) return;
  if (FOutputBuffer) {
    void* p = FOutputBuffer;
    ReallocZeroed(p, 0, static_cast<size_t>(value));
    FOutputBuffer = static_cast<char*>(p);
  }
  FBufferSize = value;
}

void TpZAZControlAndQueryService::Query(const String& items) {
  if (items.empty()) RaiseClientError(feQueryParamsError);
  if (!FOutputBuffer) FOutputBuffer = static_cast<char*>(std::calloc(static_cast<size_t>(FBufferSize), 1));
  if (!FOutputBuffer) throw std::bad_alloc();
  IIBClientLibrary* lib = ClientLibrary();
  ISC_STATUS status = lib->isc_service_query(
      StatusVector(), &FHandle, nullptr, static_cast<unsigned short>(0), nullptr,
      static_cast<unsigned short>(items.size()), items.data(), static_cast<unsigned short>(FBufferSize),
      FOutputBuffer);
  SetFPUExtendedPrecision();
  if (status != 0) ServiceCallFailed();
  if (auto* hook = Hook()) hook->TraceServiceQuery(this);
}

String TpZAZControlAndQueryService::QueryNextLine() {
  if (FAction == 0) RaiseClientError(feQueryParamsError);
  static const String items(1, static_cast<char>(isc_info_svc_line));
  Query(items);
  const auto* out = reinterpret_cast<const uint8_t*>(FOutputBuffer);
  if (out[0] != isc_info_svc_line) RaiseClientError(feOutputParsingError);
  int32_t len = static_cast<int32_t>(ClientLibrary()->isc_vax_integer(FOutputBuffer + 1, static_cast<short>(2)));
  // The end byte must follow inside the buffer; a line that did not fit is a parsing error too.
  if (len < 0 || len + 3 >= FBufferSize || out[len + 3] != isc_info_end) RaiseClientError(feOutputParsingError);
  if (len > 0) {
    FEof = false;
    return String(FOutputBuffer + 3, static_cast<size_t>(len));
  }
  FEof = true;
  FRunning = false;
  return String();
}

void TpZAZControlAndQueryService::SettleFailedHandle(isc_svc_handle handle) {
  if (!FRunning) return;
  FRunning = false;
  FEof = true;
  IIBClientLibrary* lib = ClientLibrary();
  const char item = static_cast<char>(isc_info_svc_line);
  std::vector<char> out(static_cast<size_t>(FBufferSize));
  ISC_STATUS scratch[StatusVectorLength] = {};
  // Each round either gets a line (the action makes progress) or ends: an empty line, a failed query
  // or an answer that cannot be read.
  while (lib->isc_service_query(scratch, &handle, nullptr, static_cast<unsigned short>(0), nullptr,
                                static_cast<unsigned short>(1), &item, static_cast<unsigned short>(out.size()),
                                out.data()) == 0) {
    if (static_cast<uint8_t>(out[0]) != isc_info_svc_line) break;
    if (lib->isc_vax_integer(out.data() + 1, static_cast<short>(2)) <= 0) break;
  }
  SetFPUExtendedPrecision();
}

String TpZAZControlAndQueryService::FetchNextLine() {
  if (!FPending.empty()) {
    String line = std::move(FPending.front());
    FPending.pop_front();
    return line;
  }
  if (FEof) return String();
  return QueryNextLine();
}

void TpZAZControlAndQueryService::ServiceStart() {
  // Only an embedded action runs in this process; a server's utility reads the server's own input.
  std::unique_ptr<StandardInputShield> shield;
  if (Protocol() == Local) shield = std::make_unique<StandardInputShield>();
  inherited::ServiceStart();
  FRunning = true;
  const TServiceGetTextNotify& notify = TextNotify();
  while (!FEof) {
    String line = QueryNextLine();
    if (!line.empty()) OutputLine(line);
    if (notify)
      notify(this, line);
    else if (!line.empty())
      FPending.push_back(std::move(line));
  }
  shield.reset();
  OutputEnded();
}

// ---------------------------------------------------------------------------------------------------
// Backup, restore, validation

void TpZAZBackupRestoreService::AddFileLines(TStrings* lines, uint8_t fileTag, uint8_t lengthTag) {
  for (int32_t i = 0; i < lines->Count(); ++i) {
    String line = lines->Strings(i);
    if (Trim(line).empty()) continue;
    int32_t p = Pos('=', line);
    if (p > 0) {
      AddStartString(fileTag, Copy(line, 1, p - 1));
      AddStartInteger(lengthTag, StrToInt(Copy(line, p + 1)));
    } else {
      AddStartString(fileTag, line);
    }
  }
}

void TpZAZBackupRestoreService::ServiceStart() {
  FCheckClosing = FVerbose && ClosingLine() != nullptr;
  FClosed = false;
  inherited::ServiceStart();
}

void TpZAZBackupRestoreService::OutputLine(const String& line) {
  if (!FCheckClosing || FClosed) return;
  // The utility's lines start with "gbak:"; a name inside a line (a table called like the closing
  // text) must not count, so the text has to start the line.
  static const String prefix = "gbak:";
  size_t start = line.compare(0, prefix.size(), prefix) == 0 ? prefix.size() : 0;
  if (line.compare(start, std::strlen(ClosingLine()), ClosingLine()) == 0) FClosed = true;
}

void TpZAZBackupRestoreService::OutputEnded() {
  if (FCheckClosing && !FClosed) RaiseClientErrorMsg(IncompleteMessage());
}

// The last line of a backup that wrote every record: "gbak:closing file, committing, and finishing.
// N bytes written".
const char* TpZAZBackupService::ClosingLine() const { return "closing file, committing, and finishing"; }
const char* TpZAZBackupService::IncompleteMessage() const {
  return "the backup did not complete: the database may be damaged or the backup file could not be written "
         "in full";
}

// A restore that read the backup to its end prints "gbak:finishing, closing, and going home", then
// (when the engine does that step) "gbak:adjusting the ONLINE and FORCED WRITES flags" and the optional
// access mode step; one that met the end of a cut backup file stops printing inside the table data.
const char* TpZAZRestoreService::ClosingLine() const { return "finishing, closing, and going home"; }
const char* TpZAZRestoreService::IncompleteMessage() const {
  return "the restore did not complete: the backup file may be damaged or cut short";
}

TpZAZBackupService::TpZAZBackupService(TComponent* AOwner)
    : TpZAZBackupRestoreService(AOwner), FBackupFile(New<TStringList>()) {}
TpZAZBackupService::~TpZAZBackupService() { FreeAndNil(FBackupFile); }
TStrings* TpZAZBackupService::BackupFile() const { return FBackupFile; }
void TpZAZBackupService::SetBackupFile(TStrings* value) { FBackupFile->Assign(value); }

void TpZAZBackupService::BuildStartRequest() {
  if (FDatabaseName.empty()) RaiseClientError(feStartParamsError);
  BeginAction(isc_action_svc_backup);
  AddStartByte(isc_action_svc_backup);
  AddStartString(isc_spb_dbname, FDatabaseName);
  AddStartInteger(isc_spb_options, static_cast<int32_t>(BackupOptionsValue(FOptions)));
  if (Verbose()) AddStartByte(isc_spb_verbose);
  if (FBlockingFactor > 0) AddStartInteger(isc_spb_bkp_factor, FBlockingFactor);
  AddFileLines(FBackupFile, isc_spb_bkp_file, isc_spb_bkp_length);
}

TpZAZRestoreService::TpZAZRestoreService(TComponent* AOwner)
    : TpZAZBackupRestoreService(AOwner), FDatabaseName(New<TStringList>()), FBackupFile(New<TStringList>()) {}
TpZAZRestoreService::~TpZAZRestoreService() {
  FreeAndNil(FDatabaseName);
  FreeAndNil(FBackupFile);
}
TStrings* TpZAZRestoreService::DatabaseName() const { return FDatabaseName; }
void TpZAZRestoreService::SetDatabaseName(TStrings* value) { FDatabaseName->Assign(value); }
TStrings* TpZAZRestoreService::BackupFile() const { return FBackupFile; }
void TpZAZRestoreService::SetBackupFile(TStrings* value) { FBackupFile->Assign(value); }

void TpZAZRestoreService::BuildStartRequest() {
  BeginAction(isc_action_svc_restore);
  AddStartByte(isc_action_svc_restore);
  AddStartInteger(isc_spb_options, static_cast<int32_t>(RestoreOptionsValue(FOptions)));
  if (Verbose()) AddStartByte(isc_spb_verbose);
  if (FPageSize > 0) AddStartInteger(isc_spb_res_page_size, FPageSize);
  if (FPageBuffers > 0) AddStartInteger(isc_spb_res_buffers, FPageBuffers);
  AddFileLines(FBackupFile, isc_spb_bkp_file, isc_spb_bkp_length);
  AddFileLines(FDatabaseName, isc_spb_dbname, isc_spb_res_length);
}

TpZAZValidationService::TpZAZValidationService(TComponent* AOwner) : TpZAZControlAndQueryService(AOwner) {}
TpZAZValidationService::~TpZAZValidationService() = default;

void TpZAZValidationService::BuildStartRequest() {
  BeginAction(isc_action_svc_repair);
  if (FDatabaseName.empty()) RaiseClientError(feStartParamsError);
  AddStartByte(isc_action_svc_repair);
  AddStartString(isc_spb_dbname, FDatabaseName);
  uint32_t first = 0;
  if (FOptions.Contains(SweepDB)) first |= isc_spb_rpr_sweep_db;
  if (FOptions.Contains(ValidateDB)) first |= isc_spb_rpr_validate_db;
  if (first != 0) AddStartInteger(isc_spb_options, static_cast<int32_t>(first));
  uint32_t second = 0;
  if (FOptions.Contains(LimboTransactions)) second |= isc_spb_rpr_list_limbo_trans;
  if (FOptions.Contains(CheckDB)) second |= isc_spb_rpr_check_db;
  if (FOptions.Contains(IgnoreChecksum)) second |= isc_spb_rpr_ignore_checksum;
  if (FOptions.Contains(KillShadows)) second |= isc_spb_rpr_kill_shadows;
  if (FOptions.Contains(MendDB)) second |= isc_spb_rpr_mend_db;
  if (FOptions.Contains(ValidateFull)) {
    second |= isc_spb_rpr_full;
    if (!FOptions.Contains(MendDB)) second |= isc_spb_rpr_validate_db;
  }
  if (second != 0) AddStartInteger(isc_spb_options, static_cast<int32_t>(second));
}

// ---------------------------------------------------------------------------------------------------
// Published properties, in streaming order

bool TpZAZCustomService::IsLibraryNameStored() const { return FLibraryName != DefaultClientLibraryName; }

RTL_PUBLISHED(TpZAZCustomService) {
  using T = TpZAZCustomService;
  prop("Active", &T::Active, &T::SetActive).Default(false);
  prop("ServerName", &T::ServerName, &T::SetServerName);
  prop("Protocol", &T::Protocol, &T::SetProtocol).Default(Local);
  prop("Params", &T::Params, &T::SetParams);
  prop("LoginPrompt", &T::LoginPrompt, &T::SetLoginPrompt).Default(true);
  event("OnAttach", &T::OnAttach, &T::SetOnAttach);
  event("OnLogin", &T::OnLogin, &T::SetOnLogin);
  prop("LibraryName", &T::LibraryName, &T::SetLibraryName).Stored(&T::IsLibraryNameStored);
}

RTL_PUBLISHED(TpZAZControlAndQueryService) {
  using T = TpZAZControlAndQueryService;
  prop("BufferSize", &T::BufferSize, &T::SetBufferSize).Default(32000);
}

RTL_PUBLISHED(TpZAZBackupRestoreService) {
  using T = TpZAZBackupRestoreService;
  prop("Verbose", &T::Verbose, &T::SetVerbose).Default(false);
  event("OnTextNotify", &T::OnTextNotify, &T::SetOnTextNotify);
}

RTL_PUBLISHED(TpZAZBackupService) {
  using T = TpZAZBackupService;
  prop("BackupFile", &T::BackupFile, &T::SetBackupFile);
  prop("BlockingFactor", &T::BlockingFactor, &T::SetBlockingFactor).Default(0);
  prop("DatabaseName", &T::DatabaseName, &T::SetDatabaseName);
  prop("Options", &T::Options, &T::SetOptions).Default(TBackupOptions{});
}

RTL_PUBLISHED(TpZAZRestoreService) {
  using T = TpZAZRestoreService;
  prop("DatabaseName", &T::DatabaseName, &T::SetDatabaseName);
  prop("BackupFile", &T::BackupFile, &T::SetBackupFile);
  prop("PageSize", &T::PageSize, &T::SetPageSize).Default(0);
  prop("PageBuffers", &T::PageBuffers, &T::SetPageBuffers).Default(0);
  prop("Options", &T::Options, &T::SetOptions).Default(TRestoreOptions{CreateNewDB});
}

RTL_PUBLISHED(TpZAZValidationService) {
  using T = TpZAZValidationService;
  prop("DatabaseName", &T::DatabaseName, &T::SetDatabaseName);
  prop("Options", &T::Options, &T::SetOptions).Default(TValidateOptions{});
  prop("GlobalAction", &T::GlobalAction, &T::SetGlobalAction).Default(CommitGlobal);
  event("OnTextNotify", &T::OnTextNotify, &T::SetOnTextNotify);
}
