/* A stand-in client library for the fault sweep: it passes every call on to the real client library
   and, when told to, fails the k-th call that reports through a status vector without passing it on,
   as a client whose connection dropped would. It counts the calls of that kind and the handles the
   caller holds open, so that a test can see that a failure leaves nothing behind.

   Every entry point takes and passes on the same number of word-sized arguments: all the client's
   arguments are integers or pointers, and the calling convention of this platform lets a function be
   handed more of them than it reads. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#define EXPORT __attribute__((visibility("default")))
#define ARGS intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7, \
             intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12
#define PASS a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12
typedef intptr_t (*Entry)(ARGS);

/* Calls with a status vector made so far, and the 1-based number of the one to fail (0: none). */
EXPORT int fault_calls;
EXPORT int fault_fail_at;
/* Handles the caller holds: connections, transactions, statements, blobs, service connections. */
EXPORT int fault_open_handles;
/* The error the failed call reports: "connection lost to database". */
EXPORT intptr_t fault_error_code = 335544741;

static void* real_library(void) {
  static void* handle;
  if (!handle) {
    handle = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      fprintf(stderr, "faulting client: %s\n", dlerror());
      abort();
    }
  }
  return handle;
}

static Entry resolve(Entry* slot, const char* name) {
  if (!*slot) {
    *slot = (Entry)dlsym(real_library(), name);
    if (!*slot) {
      fprintf(stderr, "faulting client: no %s in the client library\n", name);
      abort();
    }
  }
  return *slot;
}

/* Counts a call with a status vector; fails it when its number is the chosen one. */
static int inject(intptr_t status) {
  ++fault_calls;
  if (fault_calls != fault_fail_at) return 0;
  intptr_t* s = (intptr_t*)status;
  s[0] = 1;
  s[1] = fault_error_code;
  s[2] = 0;
  return 1;
}

/* A call without a status vector: passed on as it is. */
#define PLAIN(name)                              \
  EXPORT intptr_t name(ARGS) {                   \
    static Entry real;                           \
    return resolve(&real, #name)(PASS);          \
  }
/* A call with a status vector first; `delta` is the change in open handles when it succeeds. */
#define STATUS(name, delta)                          \
  EXPORT intptr_t name(ARGS) {                       \
    static Entry real;                               \
    Entry f = resolve(&real, #name);                 \
    if (inject(a1)) return fault_error_code;         \
    intptr_t r = f(PASS);                            \
    if (r == 0) fault_open_handles += (delta);       \
    return r;                                        \
  }

PLAIN(BLOB_get) PLAIN(BLOB_put) PLAIN(isc_decode_date) PLAIN(isc_encode_date) PLAIN(isc_decode_sql_date)
PLAIN(isc_decode_sql_time) PLAIN(isc_decode_timestamp) PLAIN(isc_encode_sql_date) PLAIN(isc_encode_sql_time)
PLAIN(isc_encode_timestamp) PLAIN(isc_portable_integer) PLAIN(isc_vax_integer) PLAIN(isc_sqlcode)
PLAIN(isc_sql_interprete) PLAIN(isc_interprete) PLAIN(isc_free) PLAIN(isc_event_counts) PLAIN(isc_event_block)
PLAIN(isc_get_client_version) PLAIN(isc_get_client_major_version) PLAIN(isc_get_client_minor_version)

STATUS(isc_attach_database, 1) STATUS(isc_drop_database, -1)
STATUS(isc_database_info, 0) STATUS(isc_start_multiple, 1) STATUS(isc_commit_transaction, -1)
STATUS(isc_rollback_transaction, -1) STATUS(isc_commit_retaining, 0) STATUS(isc_rollback_retaining, 0)
STATUS(isc_prepare_transaction, 0) STATUS(isc_prepare_transaction2, 0) STATUS(isc_transaction_info, 0)
STATUS(isc_dsql_describe, 0) STATUS(isc_dsql_describe_bind, 0)
STATUS(isc_dsql_execute, 0) STATUS(isc_dsql_execute2, 0) STATUS(isc_dsql_exec_immed2, 0)
STATUS(isc_dsql_fetch, 0) STATUS(isc_dsql_prepare, 0) STATUS(isc_dsql_set_cursor_name, 0)
STATUS(isc_dsql_sql_info, 0) STATUS(isc_open_blob2, 1) STATUS(isc_create_blob2, 1) STATUS(isc_close_blob, -1)
STATUS(isc_cancel_blob, -1) STATUS(isc_blob_info, 0) STATUS(isc_get_segment, 0) STATUS(isc_put_segment, 0)
STATUS(isc_blob_lookup_desc, 0) STATUS(isc_blob_set_desc, 0) STATUS(isc_array_lookup_bounds, 0)
STATUS(isc_array_lookup_desc, 0) STATUS(isc_array_set_desc, 0) STATUS(isc_array_get_slice, 0)
STATUS(isc_array_put_slice, 0) STATUS(isc_que_events, 0) STATUS(isc_cancel_events, 0)
STATUS(isc_wait_for_event, 0) STATUS(isc_service_attach, 1) STATUS(isc_service_detach, -1)
STATUS(isc_service_query, 0) STATUS(isc_service_start, 0) STATUS(isc_add_user, 0) STATUS(isc_delete_user, 0)
STATUS(isc_modify_user, 0)

/* The statements allocated and not dropped, with their connections: a detach releases the statements
   of its connection, as the real client does, so they no longer count as held. */
enum { kMaxStatements = 4096 };
static struct {
  unsigned stmt, db;
} statements[kMaxStatements];
static int statement_count;

static void forget_statement(int i) {
  statements[i] = statements[--statement_count];
  --fault_open_handles;
}

EXPORT intptr_t isc_dsql_alloc_statement2(ARGS) {
  static Entry real;
  Entry f = resolve(&real, "isc_dsql_alloc_statement2");
  if (inject(a1)) return fault_error_code;
  intptr_t r = f(PASS);
  if (r == 0) {
    ++fault_open_handles;
    if (statement_count == kMaxStatements) {
      fprintf(stderr, "faulting client: too many statements\n");
      abort();
    }
    statements[statement_count].stmt = *(unsigned*)a3;
    statements[statement_count].db = *(unsigned*)a2;
    ++statement_count;
  }
  return r;
}

/* A statement freed with DSQL_drop is gone; DSQL_close and DSQL_unprepare keep it. */
EXPORT intptr_t isc_dsql_free_statement(ARGS) {
  static Entry real;
  Entry f = resolve(&real, "isc_dsql_free_statement");
  if (inject(a1)) return fault_error_code;
  unsigned stmt = *(unsigned*)a2;
  intptr_t r = f(PASS);
  if (r == 0 && (unsigned short)a3 == 2)
    for (int i = 0; i < statement_count; ++i)
      if (statements[i].stmt == stmt) {
        forget_statement(i);
        break;
      }
  return r;
}

EXPORT intptr_t isc_detach_database(ARGS) {
  static Entry real;
  Entry f = resolve(&real, "isc_detach_database");
  if (inject(a1)) return fault_error_code;
  unsigned db = *(unsigned*)a2;
  intptr_t r = f(PASS);
  if (r == 0) {
    --fault_open_handles;
    for (int i = statement_count - 1; i >= 0; --i)
      if (statements[i].db == db) forget_statement(i);
  }
  return r;
}

/* Runs a statement; one that creates a database (no connection given) opens a connection. */
EXPORT intptr_t isc_dsql_execute_immediate(ARGS) {
  static Entry real;
  Entry f = resolve(&real, "isc_dsql_execute_immediate");
  if (inject(a1)) return fault_error_code;
  intptr_t* db = (intptr_t*)a2;
  unsigned before = db ? *(unsigned*)db : 0;
  intptr_t r = f(PASS);
  if (r == 0 && db && before == 0 && *(unsigned*)db != 0) ++fault_open_handles;
  return r;
}
