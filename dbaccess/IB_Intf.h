#pragma once
// The client library of the database server, loaded at run time by file name and bound entry point by
// entry point. Nothing of it is linked in: <ibase.h> only lends the types and constants of its API. This
// binding is the one header that includes it; every other header takes the client's types from here.

#include <ibase.h>

#include <cstdint>
#include <utility>

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
  X(isc_get_client_minor_version) X(isc_portable_integer)
#define FIB_CLIENT_ENTRIES(X) FIB_CLIENT_ENTRIES_1(X) X(isc_event_block) FIB_CLIENT_ENTRIES_2(X)

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

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define FIB_ENTRY_CALL(name)                                                                     \
  template <class... A>                                                                          \
  auto name(A&&... args) const {                                                                 \
    return reinterpret_cast<decltype(&::name)>(Proc(ep_##name))(std::forward<A>(args)...);      \
  }
  FIB_CLIENT_ENTRIES_1(FIB_ENTRY_CALL)
  FIB_CLIENT_ENTRIES_2(FIB_ENTRY_CALL)
#undef FIB_ENTRY_CALL
#pragma GCC diagnostic pop

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
