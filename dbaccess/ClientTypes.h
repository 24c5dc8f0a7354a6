#pragma once
// The data types of the database client's C API, declared by this project for the 64-bit Linux ABI of
// the client library: the same sizes, alignment and field order as the library expects. Headers take
// the client's types from here, so that the client's own header stays inside the sources that need its
// constants; IB_Intf.cpp compares every type and entry point below with that header at compile time.
//
// Everything lives in namespace fbapi. Aliases of built-in types are also declared at global scope
// under the client's names: a source that includes the client's header as well sees the same alias
// twice, which the language allows and which fails to compile if the two ever differ. Structures
// cannot be declared twice, so they are used qualified (fbapi::XSQLVAR); the binding also accepts the
// client header's own structures where their layout is the same (see IB_Intf.h).

#include <cstddef>
#include <cstdint>

namespace fbapi {

// --- scalars and handles ---------------------------------------------------------------------------
using ISC_STATUS = intptr_t;
using ISC_LONG = int;
using ISC_ULONG = unsigned int;
using ISC_SHORT = short;
using ISC_USHORT = unsigned short;
using ISC_UCHAR = unsigned char;
using ISC_SCHAR = char;
using ISC_INT64 = long long;
using ISC_UINT64 = unsigned long long;
using ISC_DATE = int;           // days since 17 November 1858
using ISC_TIME = unsigned int;  // ten-thousandths of a second since midnight

// Every handle of the API is a 32-bit number on 64-bit platforms.
using FB_API_HANDLE = unsigned int;
using isc_att_handle = FB_API_HANDLE;
using isc_db_handle = FB_API_HANDLE;
using isc_tr_handle = FB_API_HANDLE;
using isc_stmt_handle = FB_API_HANDLE;
using isc_blob_handle = FB_API_HANDLE;
using isc_svc_handle = FB_API_HANDLE;
using isc_req_handle = FB_API_HANDLE;
using isc_resv_handle = ISC_LONG;

using isc_callback = void (*)();
using ISC_EVENT_CALLBACK = void (*)(void*, ISC_USHORT, const ISC_UCHAR*);

// --- structures ------------------------------------------------------------------------------------
struct ISC_TIMESTAMP {
  ISC_DATE timestamp_date;
  ISC_TIME timestamp_time;
};

// A blob or array identifier.
struct ISC_QUAD {
  ISC_LONG gds_quad_high;
  ISC_ULONG gds_quad_low;
};

// One column or parameter of a described statement.
struct XSQLVAR {
  ISC_SHORT sqltype;  // the type code; bit 0 set: the value may be null
  ISC_SHORT sqlscale;
  ISC_SHORT sqlsubtype;
  ISC_SHORT sqllen;  // bytes of sqldata
  ISC_SCHAR* sqldata;
  ISC_SHORT* sqlind;  // -1: null
  ISC_SHORT sqlname_length;
  ISC_SCHAR sqlname[32];
  ISC_SHORT relname_length;
  ISC_SCHAR relname[32];
  ISC_SHORT ownname_length;
  ISC_SCHAR ownname[32];
  ISC_SHORT aliasname_length;
  ISC_SCHAR aliasname[32];
};

// A descriptor block: a header followed by sqln entries (declared with one, allocated with
// XsqldaLength(sqln) bytes).
struct XSQLDA {
  ISC_SHORT version;  // SQLDA_VERSION1
  ISC_SCHAR sqldaid[8];
  ISC_LONG sqldabc;
  ISC_SHORT sqln;  // entries allocated
  ISC_SHORT sqld;  // entries the statement uses
  XSQLVAR sqlvar[1];
};

// The bytes a descriptor block of n entries needs.
constexpr size_t XsqldaLength(int n) { return sizeof(XSQLDA) + static_cast<size_t>(n - 1) * sizeof(XSQLVAR); }

struct ISC_ARRAY_BOUND {
  ISC_SHORT array_bound_lower;
  ISC_SHORT array_bound_upper;
};

struct ISC_ARRAY_DESC {
  ISC_UCHAR array_desc_dtype;
  ISC_SCHAR array_desc_scale;
  ISC_USHORT array_desc_length;
  ISC_SCHAR array_desc_field_name[32];
  ISC_SCHAR array_desc_relation_name[32];
  ISC_SHORT array_desc_dimensions;
  ISC_SHORT array_desc_flags;
  ISC_ARRAY_BOUND array_desc_bounds[16];
};

struct ISC_BLOB_DESC {
  ISC_SHORT blob_desc_subtype;
  ISC_SHORT blob_desc_charset;
  ISC_SHORT blob_desc_segment_size;
  ISC_UCHAR blob_desc_field_name[32];
  ISC_UCHAR blob_desc_relation_name[32];
};

// The buffered blob stream of BLOB_get and BLOB_put.
struct BSTREAM {
  isc_blob_handle bstr_blob;
  ISC_SCHAR* bstr_buffer;
  ISC_SCHAR* bstr_ptr;
  ISC_SHORT bstr_length;
  ISC_SHORT bstr_cnt;
  char bstr_mode;
};

// A user of the security database, for the user-maintenance calls.
struct USER_SEC_DATA {
  ISC_SHORT sec_flags;
  int uid;
  int gid;
  int protocol;
  char* server;
  char* user_name;
  char* password;
  char* group_name;
  char* first_name;
  char* middle_name;
  char* last_name;
  char* dba_user_name;
  char* dba_password;
};

// The field lists of the structures, for the layout checks (IB_Intf.cpp against the client's header,
// IB_Intf.h against a structure handed to the binding).
#define FBAPI_FIELDS_ISC_TIMESTAMP(X) X(timestamp_date) X(timestamp_time)
#define FBAPI_FIELDS_ISC_QUAD(X) X(gds_quad_high) X(gds_quad_low)
#define FBAPI_FIELDS_XSQLVAR(X)                                                                        \
  X(sqltype) X(sqlscale) X(sqlsubtype) X(sqllen) X(sqldata) X(sqlind) X(sqlname_length) X(sqlname)     \
  X(relname_length) X(relname) X(ownname_length) X(ownname) X(aliasname_length) X(aliasname)
#define FBAPI_FIELDS_XSQLDA(X) X(version) X(sqldaid) X(sqldabc) X(sqln) X(sqld) X(sqlvar)
#define FBAPI_FIELDS_ISC_ARRAY_BOUND(X) X(array_bound_lower) X(array_bound_upper)
#define FBAPI_FIELDS_ISC_ARRAY_DESC(X)                                                                 \
  X(array_desc_dtype) X(array_desc_scale) X(array_desc_length) X(array_desc_field_name)                \
  X(array_desc_relation_name) X(array_desc_dimensions) X(array_desc_flags) X(array_desc_bounds)
#define FBAPI_FIELDS_ISC_BLOB_DESC(X)                                                                  \
  X(blob_desc_subtype) X(blob_desc_charset) X(blob_desc_segment_size) X(blob_desc_field_name)          \
  X(blob_desc_relation_name)
#define FBAPI_FIELDS_BSTREAM(X) X(bstr_blob) X(bstr_buffer) X(bstr_ptr) X(bstr_length) X(bstr_cnt) X(bstr_mode)
#define FBAPI_FIELDS_USER_SEC_DATA(X)                                                                  \
  X(sec_flags) X(uid) X(gid) X(protocol) X(server) X(user_name) X(password) X(group_name) X(first_name) \
  X(middle_name) X(last_name) X(dba_user_name) X(dba_password)
#define FBAPI_STRUCTS(X) \
  X(ISC_TIMESTAMP) X(ISC_QUAD) X(XSQLVAR) X(XSQLDA) X(ISC_ARRAY_BOUND) X(ISC_ARRAY_DESC) X(ISC_BLOB_DESC) X(BSTREAM) X(USER_SEC_DATA)

// --- entry points ----------------------------------------------------------------------------------
// The type of each entry point the binding calls, as the client library defines it.
#define FBAPI_ENTRY_TYPES(X)                                                                                  \
  X(isc_attach_database, ISC_STATUS, ISC_STATUS*, short, const ISC_SCHAR*, isc_db_handle*, short, const ISC_SCHAR*) \
  X(isc_array_get_slice, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, ISC_QUAD*, const ISC_ARRAY_DESC*, \
    void*, ISC_LONG*)                                                                                         \
  X(isc_array_lookup_bounds, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_SCHAR*,        \
    const ISC_SCHAR*, ISC_ARRAY_DESC*)                                                                        \
  X(isc_array_lookup_desc, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_SCHAR*,          \
    const ISC_SCHAR*, ISC_ARRAY_DESC*)                                                                        \
  X(isc_array_set_desc, ISC_STATUS, ISC_STATUS*, const ISC_SCHAR*, const ISC_SCHAR*, const short*, const short*, \
    const short*, ISC_ARRAY_DESC*)                                                                            \
  X(isc_array_put_slice, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, ISC_QUAD*, const ISC_ARRAY_DESC*, \
    void*, ISC_LONG*)                                                                                         \
  X(isc_blob_info, ISC_STATUS, ISC_STATUS*, isc_blob_handle*, short, const ISC_SCHAR*, short, ISC_SCHAR*)       \
  X(isc_blob_lookup_desc, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_UCHAR*,           \
    const ISC_UCHAR*, ISC_BLOB_DESC*, ISC_UCHAR*)                                                             \
  X(isc_blob_set_desc, ISC_STATUS, ISC_STATUS*, const ISC_UCHAR*, const ISC_UCHAR*, short, short, short,        \
    ISC_BLOB_DESC*)                                                                                           \
  X(isc_cancel_blob, ISC_STATUS, ISC_STATUS*, isc_blob_handle*)                                                \
  X(isc_cancel_events, ISC_STATUS, ISC_STATUS*, isc_db_handle*, ISC_LONG*)                                     \
  X(isc_que_events, ISC_STATUS, ISC_STATUS*, isc_db_handle*, ISC_LONG*, short, const ISC_UCHAR*,               \
    ISC_EVENT_CALLBACK, void*)                                                                                \
  X(isc_wait_for_event, ISC_STATUS, ISC_STATUS*, isc_db_handle*, short, const ISC_UCHAR*, ISC_UCHAR*)          \
  X(isc_close_blob, ISC_STATUS, ISC_STATUS*, isc_blob_handle*)                                                 \
  X(isc_create_blob2, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, isc_blob_handle*, ISC_QUAD*,     \
    short, const ISC_SCHAR*)                                                                                  \
  X(isc_commit_retaining, ISC_STATUS, ISC_STATUS*, isc_tr_handle*)                                             \
  X(isc_commit_transaction, ISC_STATUS, ISC_STATUS*, isc_tr_handle*)                                           \
  X(isc_transaction_info, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, short, const ISC_SCHAR*, short, ISC_SCHAR*) \
  X(isc_database_info, ISC_STATUS, ISC_STATUS*, isc_db_handle*, short, const ISC_SCHAR*, short, ISC_SCHAR*)    \
  X(isc_decode_date, void, const ISC_QUAD*, void*)                                                             \
  X(isc_decode_sql_date, void, const ISC_DATE*, void*)                                                         \
  X(isc_decode_sql_time, void, const ISC_TIME*, void*)                                                         \
  X(isc_decode_timestamp, void, const ISC_TIMESTAMP*, void*)                                                   \
  X(isc_detach_database, ISC_STATUS, ISC_STATUS*, isc_db_handle*)                                              \
  X(isc_drop_database, ISC_STATUS, ISC_STATUS*, isc_db_handle*)                                                \
  X(isc_dsql_alloc_statement2, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_stmt_handle*)                      \
  X(isc_dsql_describe, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*)                     \
  X(isc_dsql_describe_bind, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*)                \
  X(isc_dsql_execute, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short, const XSQLDA*) \
  X(isc_dsql_execute2, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short, const XSQLDA*, \
    const XSQLDA*)                                                                                            \
  X(isc_dsql_execute_immediate, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, unsigned short,        \
    const ISC_SCHAR*, unsigned short, const XSQLDA*)                                                          \
  X(isc_dsql_exec_immed2, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, unsigned short,              \
    const ISC_SCHAR*, unsigned short, const XSQLDA*, const XSQLDA*)                                           \
  X(isc_dsql_fetch, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, unsigned short, const XSQLDA*)                  \
  X(isc_dsql_free_statement, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, unsigned short)                        \
  X(isc_dsql_prepare, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short, const ISC_SCHAR*, \
    unsigned short, XSQLDA*)                                                                                  \
  X(isc_dsql_set_cursor_name, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, const ISC_SCHAR*, unsigned short)      \
  X(isc_dsql_sql_info, ISC_STATUS, ISC_STATUS*, isc_stmt_handle*, short, const ISC_SCHAR*, short, ISC_SCHAR*)   \
  X(isc_encode_date, void, const void*, ISC_QUAD*)                                                             \
  X(isc_encode_sql_date, void, const void*, ISC_DATE*)                                                         \
  X(isc_encode_sql_time, void, const void*, ISC_TIME*)                                                         \
  X(isc_encode_timestamp, void, const void*, ISC_TIMESTAMP*)                                                   \
  X(isc_event_counts, void, ISC_ULONG*, short, ISC_UCHAR*, const ISC_UCHAR*)                                   \
  X(isc_free, ISC_LONG, ISC_SCHAR*)                                                                            \
  X(isc_get_segment, ISC_STATUS, ISC_STATUS*, isc_blob_handle*, unsigned short*, unsigned short, ISC_SCHAR*)    \
  X(isc_put_segment, ISC_STATUS, ISC_STATUS*, isc_blob_handle*, unsigned short, const ISC_SCHAR*)              \
  X(isc_interprete, ISC_LONG, ISC_SCHAR*, ISC_STATUS**)                                                        \
  X(isc_open_blob2, ISC_STATUS, ISC_STATUS*, isc_db_handle*, isc_tr_handle*, isc_blob_handle*, ISC_QUAD*,       \
    ISC_USHORT, const ISC_UCHAR*)                                                                             \
  X(isc_prepare_transaction2, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, ISC_USHORT, const ISC_UCHAR*)           \
  X(isc_rollback_retaining, ISC_STATUS, ISC_STATUS*, isc_tr_handle*)                                           \
  X(isc_rollback_transaction, ISC_STATUS, ISC_STATUS*, isc_tr_handle*)                                         \
  X(isc_start_multiple, ISC_STATUS, ISC_STATUS*, isc_tr_handle*, short, void*)                                 \
  X(isc_sqlcode, ISC_LONG, const ISC_STATUS*)                                                                  \
  X(isc_sql_interprete, void, short, ISC_SCHAR*, short)                                                        \
  X(isc_vax_integer, ISC_LONG, const ISC_SCHAR*, short)                                                        \
  X(isc_add_user, ISC_STATUS, ISC_STATUS*, const USER_SEC_DATA*)                                               \
  X(isc_delete_user, ISC_STATUS, ISC_STATUS*, const USER_SEC_DATA*)                                            \
  X(isc_modify_user, ISC_STATUS, ISC_STATUS*, const USER_SEC_DATA*)                                            \
  X(isc_prepare_transaction, ISC_STATUS, ISC_STATUS*, isc_tr_handle*)                                          \
  X(BLOB_put, int, ISC_SCHAR, BSTREAM*)                                                                        \
  X(BLOB_get, int, BSTREAM*)                                                                                   \
  X(isc_service_attach, ISC_STATUS, ISC_STATUS*, unsigned short, const ISC_SCHAR*, isc_svc_handle*,            \
    unsigned short, const ISC_SCHAR*)                                                                         \
  X(isc_service_detach, ISC_STATUS, ISC_STATUS*, isc_svc_handle*)                                              \
  X(isc_service_query, ISC_STATUS, ISC_STATUS*, isc_svc_handle*, isc_resv_handle*, unsigned short,             \
    const ISC_SCHAR*, unsigned short, const ISC_SCHAR*, unsigned short, ISC_SCHAR*)                           \
  X(isc_service_start, ISC_STATUS, ISC_STATUS*, isc_svc_handle*, isc_resv_handle*, unsigned short,             \
    const ISC_SCHAR*)                                                                                         \
  X(isc_get_client_version, void, ISC_SCHAR*)                                                                  \
  X(isc_get_client_major_version, int)                                                                         \
  X(isc_get_client_minor_version, int)                                                                         \
  X(isc_portable_integer, ISC_INT64, const ISC_UCHAR*, short)                                                 \
  X(fb_shutdown, int, unsigned int, int)

#define FBAPI_ENTRY_TYPE(name, result, ...) using name##_t = result(__VA_ARGS__);
FBAPI_ENTRY_TYPES(FBAPI_ENTRY_TYPE)
#undef FBAPI_ENTRY_TYPE
// Takes up to 15 event names after the count, each a null-terminated string.
using isc_event_block_t = ISC_LONG(ISC_UCHAR**, ISC_UCHAR**, ISC_USHORT, ...);

}  // namespace fbapi

using fbapi::FB_API_HANDLE;
using fbapi::ISC_DATE;
using fbapi::ISC_EVENT_CALLBACK;
using fbapi::ISC_INT64;
using fbapi::ISC_LONG;
using fbapi::ISC_SCHAR;
using fbapi::ISC_SHORT;
using fbapi::ISC_STATUS;
using fbapi::ISC_TIME;
using fbapi::ISC_UCHAR;
using fbapi::ISC_UINT64;
using fbapi::ISC_ULONG;
using fbapi::ISC_USHORT;
using fbapi::isc_att_handle;
using fbapi::isc_blob_handle;
using fbapi::isc_callback;
using fbapi::isc_db_handle;
using fbapi::isc_req_handle;
using fbapi::isc_resv_handle;
using fbapi::isc_stmt_handle;
using fbapi::isc_svc_handle;
using fbapi::isc_tr_handle;
