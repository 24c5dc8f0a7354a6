#include "dbaccess/IB_Intf.h"

#include <ibase.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <mutex>
#include <type_traits>
#include <vector>

#include "dbaccess/FIBMiscellaneous.h"
#include "rtl/DynLibs.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"

// --- our client types against the client's own header ------------------------------------------
// A difference in any size, alignment, field offset, field type or entry point type fails the build.
namespace {

// A type of the client's header in our terms: its structures become ours, everything else stays.
template <class T>
struct Ours {
  using type = T;
};
template <class T>
using OursT = typename Ours<T>::type;
template <class T>
struct Ours<T*> {
  using type = OursT<T>*;
};
template <class T>
struct Ours<const T> {
  using type = const OursT<T>;
};
template <class T, size_t N>
struct Ours<T[N]> {
  using type = OursT<T>[N];
};
template <class R, class... P>
struct Ours<R(P...)> {
  using type = OursT<R>(OursT<P>...);
};
template <class R, class... P>
struct Ours<R(P..., ...)> {
  using type = OursT<R>(OursT<P>..., ...);
};
#define THEIRS_IS_OURS(theirs, ours) \
  template <>                        \
  struct Ours<theirs> {              \
    using type = fbapi::ours;        \
  };
THEIRS_IS_OURS(::ISC_TIMESTAMP, ISC_TIMESTAMP)
THEIRS_IS_OURS(::GDS_QUAD_t, ISC_QUAD)
THEIRS_IS_OURS(::XSQLVAR, XSQLVAR)
THEIRS_IS_OURS(::XSQLDA, XSQLDA)
THEIRS_IS_OURS(::ISC_ARRAY_BOUND, ISC_ARRAY_BOUND)
THEIRS_IS_OURS(::ISC_ARRAY_DESC, ISC_ARRAY_DESC)
THEIRS_IS_OURS(::ISC_BLOB_DESC, ISC_BLOB_DESC)
THEIRS_IS_OURS(::bstream, BSTREAM)
THEIRS_IS_OURS(::USER_SEC_DATA, USER_SEC_DATA)
#undef THEIRS_IS_OURS

#define SAME_FIELD(f)                                                                            \
  static_assert(offsetof(Theirs, f) == offsetof(Mine, f), "offset of " #f);                        \
  static_assert(std::is_same_v<OursT<decltype(Theirs::f)>, decltype(Mine::f)>, "type of " #f);
#define SAME_STRUCT(S)                                                                           \
  namespace check_##S {                                                                          \
  using Theirs = ::S;                                                                            \
  using Mine = fbapi::S;                                                                         \
  static_assert(sizeof(Theirs) == sizeof(Mine), "size of " #S);                                  \
  static_assert(alignof(Theirs) == alignof(Mine), "alignment of " #S);                           \
  static_assert(std::is_same_v<OursT<Theirs>, Mine>);                                            \
  FBAPI_FIELDS_##S(SAME_FIELD)                                                                   \
  static_assert(fbapi::SameLayoutAs<Theirs>(static_cast<const Mine*>(nullptr)), "twin of " #S);  \
  }
FBAPI_STRUCTS(SAME_STRUCT)
#undef SAME_STRUCT
#undef SAME_FIELD

#define SAME_SCALAR(T) static_assert(std::is_same_v<::T, fbapi::T>, #T);
SAME_SCALAR(ISC_STATUS)
SAME_SCALAR(ISC_LONG)
SAME_SCALAR(ISC_ULONG)
SAME_SCALAR(ISC_SHORT)
SAME_SCALAR(ISC_USHORT)
SAME_SCALAR(ISC_UCHAR)
SAME_SCALAR(ISC_SCHAR)
SAME_SCALAR(ISC_INT64)
SAME_SCALAR(ISC_UINT64)
SAME_SCALAR(ISC_DATE)
SAME_SCALAR(ISC_TIME)
SAME_SCALAR(FB_API_HANDLE)
SAME_SCALAR(isc_att_handle)
SAME_SCALAR(isc_db_handle)
SAME_SCALAR(isc_tr_handle)
SAME_SCALAR(isc_stmt_handle)
SAME_SCALAR(isc_blob_handle)
SAME_SCALAR(isc_svc_handle)
SAME_SCALAR(isc_req_handle)
SAME_SCALAR(isc_resv_handle)
SAME_SCALAR(isc_callback)
SAME_SCALAR(ISC_EVENT_CALLBACK)
#undef SAME_SCALAR
static_assert(fbapi::XsqldaLength(5) == XSQLDA_LENGTH(5));
static_assert(!fbapi::SameLayoutAs<::ISC_ARRAY_BOUND>(static_cast<const fbapi::ISC_QUAD*>(nullptr)),
              "a structure of another layout is no twin");

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define SAME_ENTRY(name, ...) \
  static_assert(std::is_same_v<OursT<decltype(::name)>, fbapi::name##_t>, "type of " #name);
FBAPI_ENTRY_TYPES(SAME_ENTRY)
SAME_ENTRY(isc_event_block)
#undef SAME_ENTRY
#pragma GCC diagnostic pop

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
    Bind(ep_fb_shutdown, false);
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

bool TIBClientLibrary::Bound(TIBEntryPoint ep) const { return FEntries[ep] != nullptr; }

void* TIBClientLibrary::Proc(TIBEntryPoint ep) const {
  void* p = FEntries[ep];
  if (!p) throw Exception(Format("Can't find procedure %s in %s", {kEntryNames[ep], FLibraryName}));
  return p;
}

ISC_LONG IIBClientLibrary::isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT count,
                                           char* const* names) const {
  auto fn = reinterpret_cast<fbapi::isc_event_block_t*>(Proc(ep_isc_event_block));
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

bool ShutdownClientLibraries() {
  std::vector<IPtr<IIBClientLibrary>> libraries;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    libraries = Registry();
  }
  bool ok = true;
  for (const IPtr<IIBClientLibrary>& lib : libraries) {
    auto* binding = dynamic_cast<TIBClientLibrary*>(lib.get());
    if (!binding || !binding->Loaded() || !binding->Bound(ep_fb_shutdown)) continue;
    // No timeout (0) and the reason "the application stops": the engine's own at-exit path.
    if (lib->fb_shutdown(0u, fb_shutrsn_app_stopped) != 0) ok = false;
  }
  return ok;
}

namespace {
// A folder made for the user alone, or one that is already the user's own real folder (not a link).
bool OwnPrivateFolder(const String& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & 0077) == 0;
}
}  // namespace

String PrepareEmbeddedLockFolder() {
  String current = GetEnvironmentVariable("FIREBIRD_LOCK");
  if (!current.empty()) return current;
  const String runtime = GetEnvironmentVariable("XDG_RUNTIME_DIR");
  String dir;
  if (!runtime.empty() && runtime[0] == '/' && DirectoryExists(runtime)) dir = IncludeTrailingPathDelimiter(runtime) + "firebird";
  if (dir.empty() || !OwnPrivateFolder(dir)) {
    dir = GetTempDir() + "firebird-" + IntToStr(static_cast<int64_t>(geteuid()));
    if (!OwnPrivateFolder(dir)) return String();
  }
  SetEnvironmentVariable("FIREBIRD_LOCK", dir);
  return dir;
}
