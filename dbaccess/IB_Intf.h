#pragma once
// The client library of the database server, loaded at run time by file name and bound entry point by
// entry point. Nothing of it is linked in; the types of its API are the project's own (ClientTypes.h).

#include <cstdint>
#include <type_traits>
#include <utility>

#include "dbaccess/ClientTypes.h"

#include "rtl/Interfaces.h"
#include "rtl/System.h"

// The Linux name of the client library; the default of every LibraryName property.
inline constexpr const char* DefaultClientLibraryName = "libfbclient.so.2";

// Every entry point of the binding, in the order of the interface's operations (isc_event_block,
// which takes its names as an array, sits between the two halves).
#define FIB_CLIENT_ENTRIES_1(X)                                                                         \
  X(isc_attach_database) X(isc_array_get_slice) X(isc_array_lookup_bounds) X(isc_array_lookup_desc)     \
  X(isc_array_set_desc) X(isc_array_put_slice) X(isc_blob_info) X(isc_blob_lookup_desc)                 \
  X(isc_blob_set_desc) X(isc_cancel_blob) X(isc_cancel_events) X(isc_que_events) X(isc_wait_for_event)  \
  X(isc_close_blob) X(isc_create_blob2) X(isc_commit_retaining) X(isc_commit_transaction)               \
  X(isc_transaction_info) X(isc_database_info) X(isc_decode_date) X(isc_decode_sql_date)                \
  X(isc_decode_sql_time) X(isc_decode_timestamp) X(isc_detach_database) X(isc_drop_database)            \
  X(isc_dsql_alloc_statement2) X(isc_dsql_describe) X(isc_dsql_describe_bind) X(isc_dsql_execute)       \
  X(isc_dsql_execute2) X(isc_dsql_execute_immediate) X(isc_dsql_exec_immed2) X(isc_dsql_fetch)          \
  X(isc_dsql_free_statement) X(isc_dsql_prepare) X(isc_dsql_set_cursor_name) X(isc_dsql_sql_info)       \
  X(isc_encode_date) X(isc_encode_sql_date) X(isc_encode_sql_time) X(isc_encode_timestamp)
#define FIB_CLIENT_ENTRIES_2(X)                                                                         \
  X(isc_event_counts) X(isc_free) X(isc_get_segment) X(isc_put_segment)                                 \
  X(isc_interprete) X(isc_open_blob2) X(isc_prepare_transaction2) X(isc_rollback_retaining)             \
  X(isc_rollback_transaction) X(isc_start_multiple) X(isc_sqlcode) X(isc_sql_interprete)                \
  X(isc_vax_integer) X(isc_add_user) X(isc_delete_user) X(isc_modify_user) X(isc_prepare_transaction)   \
  X(BLOB_put) X(BLOB_get) X(isc_service_attach) X(isc_service_detach) X(isc_service_query)              \
  X(isc_service_start) X(isc_get_client_version) X(isc_get_client_major_version)                        \
  X(isc_get_client_minor_version) X(isc_portable_integer) X(fb_shutdown)
#define FIB_CLIENT_ENTRIES(X) FIB_CLIENT_ENTRIES_1(X) X(isc_event_block) FIB_CLIENT_ENTRIES_2(X)

namespace fbapi {

// Whether T, a structure declared elsewhere (the client's own header), has the layout of our S: the
// same size and alignment, and every field of S present in T at the same offset with the same size.
template <class T>
constexpr bool SameLayoutAs(const void*) {
  return false;
}
#define FBAPI_HAS_FIELD(f) &T::f;
#define FBAPI_SAME_FIELD(f) &&offsetof(T, f) == offsetof(S, f) && sizeof(T::f) == sizeof(S::f)
#define FBAPI_SAME_LAYOUT(Struct)                                                                    \
  template <class T>                                                                                 \
  constexpr bool SameLayoutAs(const Struct*) {                                                       \
    using S = Struct;                                                                                \
    if constexpr (std::is_standard_layout_v<T> && requires { FBAPI_FIELDS_##Struct(FBAPI_HAS_FIELD) }) \
      return sizeof(T) == sizeof(S) && alignof(T) == alignof(S) FBAPI_FIELDS_##Struct(FBAPI_SAME_FIELD); \
    else                                                                                             \
      return false;                                                                                  \
  }
FBAPI_STRUCTS(FBAPI_SAME_LAYOUT)
#undef FBAPI_SAME_LAYOUT
#undef FBAPI_SAME_FIELD
#undef FBAPI_HAS_FIELD

// An argument for parameter P of an entry point: passed as it is, except a pointer to a structure of
// the client's own header, which stands for the pointer to ours of the same layout.
template <class P, class A>
decltype(auto) ClientArg(A&& arg) {
  using D = std::remove_cvref_t<A>;
  if constexpr (std::is_pointer_v<P> && std::is_pointer_v<D> && !std::is_convertible_v<D, P>) {
    using Ours = std::remove_cv_t<std::remove_pointer_t<P>>;
    static_assert(SameLayoutAs<std::remove_cv_t<std::remove_pointer_t<D>>>(static_cast<const Ours*>(nullptr)),
                  "the argument's structure does not have the layout of the client's");
    return reinterpret_cast<P>(arg);
  } else {
    return std::forward<A>(arg);
  }
}

template <class F>
struct EntryCall;
template <class R, class... P>
struct EntryCall<R(P...)> {
  template <class... A>
  static R Call(void* proc, A&&... args) {
    static_assert(sizeof...(A) == sizeof...(P), "wrong number of arguments for the entry point");
    return reinterpret_cast<R (*)(P...)>(proc)(ClientArg<P>(std::forward<A>(args))...);
  }
};

}  // namespace fbapi

enum TIBEntryPoint : int32_t {
#define FIB_ENTRY_ENUM(name) ep_##name,
  FIB_CLIENT_ENTRIES(FIB_ENTRY_ENUM)
#undef FIB_ENTRY_ENUM
  ep_Count
};

// The name of an entry point as the client library exports it.
const char* EntryPointName(TIBEntryPoint ep);

// One loaded client library. Each operation named after a client API entry point takes that entry
// point's parameters and returns its result unchanged; an entry point that is not bound raises
// Exception "Can't find procedure <name> in <library>".
class IIBClientLibrary : public virtual IInterface {
public:
  static constexpr TGUID IID = MakeGUID("{BB362CBF-2BD0-41A8-8982-F5E3327354A6}");
  virtual String GetLibraryName() const = 0;
  virtual int32_t ClientMajorVersion() const = 0;
  virtual int32_t ClientMinorVersion() const = 0;
  // Unloads the file; a second call does nothing.
  virtual void FreeClientLibrary() = 0;
  // The bound address of an entry point; raises the missing-procedure error when it is not bound.
  virtual void* Proc(TIBEntryPoint ep) const = 0;

#define FIB_ENTRY_CALL(name)                                                                     \
  template <class... A>                                                                          \
  auto name(A&&... args) const {                                                                 \
    return fbapi::EntryCall<fbapi::name##_t>::Call(Proc(ep_##name), std::forward<A>(args)...);  \
  }
  FIB_CLIENT_ENTRIES_1(FIB_ENTRY_CALL)
  FIB_CLIENT_ENTRIES_2(FIB_ENTRY_CALL)
#undef FIB_ENTRY_CALL

  // Always passes 15 name slots to the variadic entry point: names holds 15 entries, those beyond
  // count null. At most 15 event names fit in one block.
  ISC_LONG isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT count,
                           char* const* names) const;
};

// The binding of one file: loads it and binds the entry points in the constructor.
class TIBClientLibrary : public TInterfacedObject, public IIBClientLibrary {
  RTL_CLASS(TIBClientLibrary, TInterfacedObject)
  RTL_INTERFACES(IIBClientLibrary)
public:
  // Raises Exception "Can't load library <name> " when the file does not load, and EOSError when a
  // required entry point is missing.
  explicit TIBClientLibrary(const String& libraryName);
  ~TIBClientLibrary() override;

  String GetLibraryName() const override { return FLibraryName; }
  int32_t ClientMajorVersion() const override { return FClientMajorVersion; }
  int32_t ClientMinorVersion() const override { return FClientMinorVersion; }
  void FreeClientLibrary() override;
  void* Proc(TIBEntryPoint ep) const override;
  bool Loaded() const { return FHandle != 0; }
  // Whether the file has the entry point (the optional ones may be missing).
  bool Bound(TIBEntryPoint ep) const;

private:
  void Bind(TIBEntryPoint ep, bool required);
  String FLibraryName;
  uintptr_t FHandle = 0;
  int32_t FClientMajorVersion = 0;
  int32_t FClientMinorVersion = 0;
  void* FEntries[ep_Count] = {};
};

// The process-wide registry: the binding of a library file name (compared exactly), loaded and bound
// on first request. The registry keeps a reference to each, so bindings stay loaded until the process
// ends. Two threads asking at once for the same new name get one binding.
IPtr<IIBClientLibrary> GetClientLibraryByName(const String& libraryName);

// Shuts down the engine of every client library loaded so far that can be shut down (fb_shutdown, an
// optional entry point): its attachments and service runs end and its threads stop. A program that ran
// the embedded engine calls it once, after its last connection has closed and before it exits, so that
// no engine thread is still running while the process tears down. False when a shutdown failed.
bool ShutdownClientLibraries();

// The embedded engine keeps its lock files in FIREBIRD_LOCK (a system folder by default, which only the
// administrator may write). When the variable is unset this points it at a folder of the user's own:
// $XDG_RUNTIME_DIR/firebird when that folder exists, else a folder named after the user under the
// temporary folder, made readable by the user only. Call it before the first client library loads.
// Returns the folder in use.
String PrepareEmbeddedLockFolder();
