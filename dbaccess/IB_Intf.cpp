#include "dbaccess/IB_Intf.h"

#include <cerrno>
#include <mutex>
#include <vector>

#include "dbaccess/FIBMiscellaneous.h"
#include "rtl/DynLibs.h"
#include "rtl/SysUtils.h"

namespace {
const char* const kEntryNames[] = {
#define FIB_ENTRY_NAME(name) #name,
    FIB_CLIENT_ENTRIES(FIB_ENTRY_NAME)
#undef FIB_ENTRY_NAME
};
static_assert(sizeof(kEntryNames) / sizeof(kEntryNames[0]) == ep_Count);

// The order in which the loader binds the entry points every client library has.
const TIBEntryPoint kRequired[] = {
    ep_BLOB_get, ep_BLOB_put, ep_isc_sqlcode, ep_isc_sql_interprete, ep_isc_interprete, ep_isc_vax_integer,
    ep_isc_blob_info, ep_isc_open_blob2, ep_isc_close_blob, ep_isc_get_segment, ep_isc_put_segment,
    ep_isc_create_blob2, ep_isc_decode_date, ep_isc_encode_date, ep_isc_dsql_free_statement,
    ep_isc_dsql_execute2, ep_isc_dsql_execute, ep_isc_dsql_set_cursor_name, ep_isc_dsql_fetch,
    ep_isc_dsql_sql_info, ep_isc_dsql_alloc_statement2, ep_isc_dsql_prepare, ep_isc_dsql_describe_bind,
    ep_isc_dsql_describe, ep_isc_dsql_execute_immediate, ep_isc_dsql_exec_immed2, ep_isc_drop_database,
    ep_isc_detach_database, ep_isc_attach_database, ep_isc_database_info, ep_isc_start_multiple,
    ep_isc_commit_transaction, ep_isc_commit_retaining, ep_isc_rollback_transaction, ep_isc_cancel_events,
    ep_isc_que_events, ep_isc_event_counts, ep_isc_event_block, ep_isc_free, ep_isc_array_lookup_bounds,
    ep_isc_array_get_slice, ep_isc_array_put_slice, ep_isc_wait_for_event, ep_isc_transaction_info};

// Required once the client has isc_rollback_retaining (a version 6 client).
const TIBEntryPoint kVersion6[] = {
    ep_isc_service_attach, ep_isc_service_detach, ep_isc_service_query, ep_isc_service_start,
    ep_isc_decode_sql_date, ep_isc_decode_sql_time, ep_isc_decode_timestamp, ep_isc_encode_sql_date,
    ep_isc_encode_sql_time, ep_isc_encode_timestamp, ep_isc_portable_integer};

// Never destroyed: bindings live until the process ends, and unloading the client library while its own
// exit handlers are pending is not safe.
std::mutex& RegistryLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::vector<IPtr<IIBClientLibrary>>& Registry() {
  static auto* list = new std::vector<IPtr<IIBClientLibrary>>;
  return *list;
}
}  // namespace

const char* EntryPointName(TIBEntryPoint ep) { return kEntryNames[ep]; }

TIBClientLibrary::TIBClientLibrary(const String& libraryName) : FLibraryName(libraryName) {
  FHandle = LoadLibrary(FLibraryName);
  if (FHandle == 0) throw Exception(Format("Can't load library %s ", {FLibraryName}));
  try {
    for (TIBEntryPoint ep : kRequired) Bind(ep, true);
    Bind(ep_isc_rollback_retaining, false);
    if (FEntries[ep_isc_rollback_retaining]) {
      FClientMajorVersion = 6;
      for (TIBEntryPoint ep : kVersion6) Bind(ep, true);
    } else {
      FClientMajorVersion = 5;
    }
    FClientMinorVersion = 0;
    Bind(ep_isc_get_client_version, false);
    if (FEntries[ep_isc_get_client_version]) {
      Bind(ep_isc_get_client_major_version, true);
      Bind(ep_isc_get_client_minor_version, true);
      FClientMajorVersion = isc_get_client_major_version();
      FClientMinorVersion = isc_get_client_minor_version();
    }
  } catch (...) {
    FreeClientLibrary();
    throw;
  }
  SetFPUExtendedPrecision();
}

TIBClientLibrary::~TIBClientLibrary() { FreeClientLibrary(); }

void TIBClientLibrary::Bind(TIBEntryPoint ep, bool required) {
  void* p = GetProcAddress(FHandle, kEntryNames[ep]);
  if (!p && required) throw EOSError(Format("System Error.  Code: %d.\r\n%s", {ENOENT, LoadErrorText()}), ENOENT);
  FEntries[ep] = p;
}

void TIBClientLibrary::FreeClientLibrary() {
  if (FHandle != 0) {
    FreeLibrary(FHandle);
    FHandle = 0;
    for (void*& p : FEntries) p = nullptr;
  }
}

void* TIBClientLibrary::Proc(TIBEntryPoint ep) const {
  void* p = FEntries[ep];
  if (!p) throw Exception(Format("Can't find procedure %s in %s", {kEntryNames[ep], FLibraryName}));
  return p;
}

ISC_LONG IIBClientLibrary::isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT count,
                                           char* const* names) const {
  auto fn = reinterpret_cast<decltype(&::isc_event_block)>(Proc(ep_isc_event_block));
  return fn(eventBuffer, resultBuffer, count, names[0], names[1], names[2], names[3], names[4], names[5],
            names[6], names[7], names[8], names[9], names[10], names[11], names[12], names[13], names[14]);
}

IPtr<IIBClientLibrary> GetClientLibraryByName(const String& libraryName) {
  // One lock over the search and the append, so that a name is never loaded twice.
  std::lock_guard<std::mutex> lock(RegistryLock());
  for (const IPtr<IIBClientLibrary>& lib : Registry())
    if (lib->GetLibraryName() == libraryName) return lib;
  IPtr<IIBClientLibrary> lib(New<TIBClientLibrary>(libraryName));
  Registry().push_back(lib);
  return lib;
}
