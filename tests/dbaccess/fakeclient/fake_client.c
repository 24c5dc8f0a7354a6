/* A stand-in client library for the tests of the binding and of the service components: it exports
   the entry points by name, records what the service calls receive, and answers queries from a script
   the test sets. Macros leave entry points out to imitate older or broken clients. */
#include <stdint.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))
#ifdef FAKE_V5 /* an old client has no version calls either */
#define FAKE_NO_VERSION
#endif
#define DUMMY(name) EXPORT intptr_t name(void) { return 0; }

#ifndef FAKE_NO_BLOB_GET
DUMMY(BLOB_get)
#endif
DUMMY(BLOB_put) DUMMY(isc_blob_info) DUMMY(isc_open_blob2) DUMMY(isc_close_blob) DUMMY(isc_get_segment)
DUMMY(isc_put_segment) DUMMY(isc_create_blob2) DUMMY(isc_decode_date) DUMMY(isc_encode_date)
DUMMY(isc_dsql_free_statement) DUMMY(isc_dsql_execute2) DUMMY(isc_dsql_execute) DUMMY(isc_dsql_set_cursor_name)
DUMMY(isc_dsql_fetch) DUMMY(isc_dsql_sql_info) DUMMY(isc_dsql_alloc_statement2) DUMMY(isc_dsql_prepare)
DUMMY(isc_dsql_describe_bind) DUMMY(isc_dsql_describe) DUMMY(isc_dsql_execute_immediate)
DUMMY(isc_dsql_exec_immed2) DUMMY(isc_drop_database) DUMMY(isc_detach_database) DUMMY(isc_attach_database)
DUMMY(isc_database_info) DUMMY(isc_start_multiple) DUMMY(isc_commit_transaction) DUMMY(isc_commit_retaining)
DUMMY(isc_rollback_transaction) DUMMY(isc_cancel_events) DUMMY(isc_que_events) DUMMY(isc_event_counts)
DUMMY(isc_event_block) DUMMY(isc_free) DUMMY(isc_array_lookup_bounds) DUMMY(isc_array_get_slice)
DUMMY(isc_array_put_slice) DUMMY(isc_wait_for_event) DUMMY(isc_transaction_info)
DUMMY(isc_decode_sql_date) DUMMY(isc_decode_sql_time) DUMMY(isc_decode_timestamp) DUMMY(isc_encode_sql_date)
DUMMY(isc_encode_sql_time) DUMMY(isc_encode_timestamp) DUMMY(isc_portable_integer)
#ifndef FAKE_V5
DUMMY(isc_rollback_retaining)
#endif

#ifndef FAKE_NO_VERSION
EXPORT void isc_get_client_version(char* buf) { strcpy(buf, "fake 6.3"); }
EXPORT int isc_get_client_major_version(void) { return 6; }
EXPORT int isc_get_client_minor_version(void) { return 3; }
#endif

/* What the service calls received, and the script of the answers. */
EXPORT char fake_attach_name[256];
EXPORT char fake_spb[1024];
EXPORT int fake_spb_length;
EXPORT char fake_request[4096];
EXPORT int fake_request_length;
EXPORT int fake_attach_count, fake_detach_count, fake_query_count, fake_start_count;
EXPORT int fake_query_buffer_length;
/* Query answers: each one a byte string copied into the output buffer. */
EXPORT char fake_answers[16][512];
EXPORT int fake_answer_lengths[16];
EXPORT int fake_answer_count;
/* 1-based number of the call that fails with the I/O error 335544344 (0: none). */
EXPORT int fake_fail_query, fake_fail_start, fake_fail_attach;

static void fail(intptr_t* status) {
  status[0] = 1;
  status[1] = 335544344;
  status[2] = 0;
}
static void ok(intptr_t* status) {
  status[0] = 1;
  status[1] = 0;
  status[2] = 0;
}

EXPORT intptr_t isc_service_attach(intptr_t* status, unsigned short nameLength, const char* name, unsigned* handle,
                                   unsigned short spbLength, const char* spb) {
  ++fake_attach_count;
  memcpy(fake_attach_name, name, nameLength);
  fake_attach_name[nameLength] = 0;
  memcpy(fake_spb, spb, spbLength);
  fake_spb_length = spbLength;
  if (fake_fail_attach == fake_attach_count) {
    fail(status);
    return status[1];
  }
  ok(status);
  *handle = 77;
  return 0;
}

EXPORT intptr_t isc_service_detach(intptr_t* status, unsigned* handle) {
  ++fake_detach_count;
  *handle = 0;
  ok(status);
  return 0;
}

EXPORT intptr_t isc_service_start(intptr_t* status, unsigned* handle, void* reserved, unsigned short length,
                                  const char* request) {
  (void)handle;
  (void)reserved;
  ++fake_start_count;
  memcpy(fake_request, request, length);
  fake_request_length = length;
  if (fake_fail_start == fake_start_count) {
    fail(status);
    return status[1];
  }
  ok(status);
  return 0;
}

EXPORT intptr_t isc_service_query(intptr_t* status, unsigned* handle, void* reserved, unsigned short sendLength,
                                  const char* send, unsigned short receiveLength, const char* receive,
                                  unsigned short bufferLength, char* buffer) {
  (void)handle;
  (void)reserved;
  (void)sendLength;
  (void)send;
  (void)receiveLength;
  (void)receive;
  int i = fake_query_count++;
  fake_query_buffer_length = bufferLength;
  if (fake_fail_query == fake_query_count) {
    fail(status);
    return status[1];
  }
  ok(status);
  if (i < fake_answer_count) {
    int n = fake_answer_lengths[i] < bufferLength ? fake_answer_lengths[i] : bufferLength;
    memcpy(buffer, fake_answers[i], n);
  } else {
    buffer[0] = 62; buffer[1] = 0; buffer[2] = 0; buffer[3] = 1;
  }
  return 0;
}

EXPORT int32_t isc_vax_integer(const char* p, short length) {
  int32_t v = 0;
  for (int i = 0; i < length; ++i) v |= (int32_t)(unsigned char)p[i] << (8 * i);
  return v;
}

EXPORT int32_t isc_sqlcode(const intptr_t* status) { return status[1] ? -902 : 0; }

EXPORT void isc_sql_interprete(short code, char* buffer, short length) {
  (void)code;
  strncpy(buffer, "Unsuccessful execution caused by a system error", (size_t)length);
}

EXPORT int32_t isc_interprete(char* buffer, intptr_t** cursor) {
  intptr_t* p = *cursor;
  if (p[0] != 1 || p[1] == 0) return 0;
  strcpy(buffer, "I/O error during fake operation");
  *cursor = p + 2;
  return (int32_t)strlen(buffer);
}
