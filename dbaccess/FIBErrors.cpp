#include "dbaccess/FIBErrors.h"

#include <ibase.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/Components.h"

namespace {
const char* const kClientErrors[ClientErrorCount] = {
    "Unknown error.",
    "Unsupported feature.",
    "Not permitted.",
    "Temporary file access error.",
    "Database connection timed out.",
    "Cannot set database.",
    "Cannot set transaction.",
    "Operation cancelled at user's request.",
    "DPB Constant (isc_dpb_%s) is unsupported.",
    "DPB Constant (%s) is unknown.",
    "TPB Constant (isc_tpb_%s) is unsupported.",
    "TPB Constant (%s) is unknown.",
    "%s: Cannot perform operation -- DB is not open.",
    "Cannot perform operation -- DB is currently open.",
    "Database name is missing.",
    "%s :Transaction is not active.",
    "%s :Transaction is active.",
    "Timeout values cannot be negative.",
    "%s :No databases are listed in transaction component.",
    "%s :Updating wrong database.",
    "%s :Updating wrong transaction.",
    "Database not assigned for %s.",
    "Transaction not assigned for %s.",
    "fbapi::XSQLDA index out of range.",
    "fbapi::XSQLDA name does not exist (%s).",
    "End of file.",
    "Beginning of file.",
    "%s:Invalid statement handle.",
    "Can't %s because %s dataset open.",
    "Can't %s because %s dataset closed.",
    "Unknown SQL Data type (%d).",
    "Invalid column index (index exceeds permitted range).",
    "Invalid parameter index (index exceeds permitted range).",
    "Invalid data conversion.",
    "Column cannot be set to null (%s)",
    "Blob stream cannot be read.",
    "Blob stream cannot be written.",
    "Can't %s , because  query is empty",
    R"(Can't "open" a non-select statement. Use ExecQuery.)",
    R"(No access to field "%s".)",
    R"(Field "%s" is read-only.)",
    R"(Field "%s" not found.)",
    "DataSet not in Edit or Insert mode.(%s)",
    "Not editing.",
    "Can't insert into dataset. (%s)",
    "Can't post. (%s) ",
    "Can't update. (%s)",
    "Can't delete from dataset. (%s)",
    "Can't refresh row. (%s)",
    "Buffer not set.",
    "Circular references not permitted.(%s)",
    "SQL Parse Error in :%s \r\n\r\n%s",
    "User abort.",
    "Data set is uni-directional.",
    "Cannot create shared resource. (Windows error %d)",
    "Windows API error. (Windows error %d [$%.8x])",
    "Column lists do not match.",
    "Column types don't match. (From index: %d, To index: %d)",
    "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.",
    R"(Column types "%s" is not array field)",
    R"(Dimension %d don't exist in "%s" )",
    "SQL Dialect invalid",
    "InterBase library gds32.dll not found in the path. Please install InterBase to use this functionality",
    "%s is an InterBase6 function. Please upgrade to InterBase6 to use this functonality",
    "InterBase Install DLL ibinstall.dll not found in the path. Please install InterBase 6 to use this "
    "functionality",
    "Cannot perform operation -- service is not attached",
    "Cannot perform operation -- service is attached",
    "Server Name Missing",
    "Query Parameters missing or incorrect",
    "Start Parameters missing or incorrect",
    "Unexpected Output buffer value",
    "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params",
    "SPB Constant Not supported",
    "SPB Constant Unknown",
    "Field Size too small. Field %s.%s",
    "%s. Can't use limited cache. \r\nCachedUpdates must be False,\r\nSelect must have \"Order by\" clause "
    ",\r\nAll order fields must exist in fields section\r\nSelect can't use params with prefix "
    "\"NEW_\"\r\nUpdateTransaction must be equel Transaction or AutoCommit=True ",
    "Error in %s. FieldList is empty.",
    R"(%s can't use field "%s")",
    "%s is an Firebird 2 function. Please upgrade to Firebird 2 to use this functonality",
};

thread_local ISC_STATUS tStatusVector[StatusVectorLength] = {};

std::mutex gPartsLock;
TErrorMessageParts gParts = TErrorMessageParts{IncludeSQLText, IncludeServerText};

String PrefixedMessage(const String& msg, TObject* sender) {
  if (auto* component = dynamic_cast<TComponent*>(sender))
    return FullComponentName(component) + ":\r\n" + msg;
  return msg;
}
}  // namespace

EFIBError::EFIBError(int32_t sqlCode, const String& msg, TObject* sender)
    : EDatabaseError(PrefixedMessage(msg, sender)),
      FSQLCode(sqlCode),
      FIBErrorCode(static_cast<int32_t>(tStatusVector[1])),
      FSender(sender) {}

EFIBError EFIBError::CreateWithMessages(int32_t sqlCode, const String& sqlText, const String& serverText,
                                        TObject* sender) {
  EFIBError e(sqlCode, sqlText + serverText, sender);
  e.SetMessages(sqlText, serverText);
  return e;
}

EFIBInterBaseError::EFIBInterBaseError(int32_t sqlCode, const String& sqlText, const String& serverText,
                                       TObject* sender)
    : EFIBError(sqlCode, sqlText + serverText, sender) {
  SetMessages(sqlText, serverText);
}

TErrorMessageParts ErrorMessageParts() {
  std::lock_guard<std::mutex> lock(gPartsLock);
  return gParts;
}

void SetErrorMessageParts(TErrorMessageParts parts) {
  std::lock_guard<std::mutex> lock(gPartsLock);
  gParts = parts;
}

const char* ClientErrorTemplate(int32_t number) {
  return number >= 0 && number < ClientErrorCount ? kClientErrors[number] : nullptr;
}

void RaiseClientError(int32_t number, std::initializer_list<FormatArg> args) {
  int32_t n = number & 0x7F;
  const char* tmpl = ClientErrorTemplate(n);
  if (!tmpl) throw EFIBClientError(n, Format("Unknown client error number %d.", {n}));
  throw EFIBClientError(n, Format(tmpl, args));
}

void RaiseClientErrorMsg(const String& fmt, std::initializer_list<FormatArg> args) {
  throw EFIBClientError(-1, Format(fmt, args));
}

void RaiseServerError(const IIBClientLibrary* clientLibrary, TObject* sender) {
  ISC_STATUS* status = StatusVector();
  ISC_STATUS* cursor = status;
  TErrorMessageParts parts = ErrorMessageParts();
  // The scratch area the client writes its texts into.
  constexpr size_t kScratch = 20480;
  char* local = static_cast<char*>(std::calloc(kScratch, 1));
  if (!local) throw std::bad_alloc();
  String sqlText, serverText;
  int32_t sqlCode;
  try {
    sqlCode = static_cast<int32_t>(clientLibrary->isc_sqlcode(status));
    if (parts.Contains(IncludeSQLText)) {
      clientLibrary->isc_sql_interprete(static_cast<short>(sqlCode), local, static_cast<short>(512));
      local[511] = 0;
      sqlText = local;
      if (!sqlText.empty() && sqlText.back() != '.') sqlText += '.';
    }
    if (parts.Contains(IncludeServerText)) {
      for (;;) {
        std::memset(local, 0, kScratch);
        // The client advances the cursor cluster by cluster.
        if (clientLibrary->isc_interprete(local, &cursor) <= 0) break;
        local[kScratch - 1] = 0;
        String line = local;
        if (line.empty()) continue;
        if (line.back() != '.') line += '.';
        serverText += line + "\r\n";
      }
    }
  } catch (...) {
    std::free(local);
    throw;
  }
  std::free(local);
  throw EFIBInterBaseError(sqlCode, sqlText, serverText, sender);
}

ISC_STATUS* StatusVector() { return tStatusVector; }

bool StatusVectorContains(std::initializer_list<ISC_STATUS> codes) {
  const ISC_STATUS* p = tStatusVector;
  const ISC_STATUS* end = tStatusVector + StatusVectorLength;
  while (p < end && *p != 0) {
    ISC_STATUS kind = *p;
    if (kind == isc_arg_gds || kind == isc_arg_number) {
      ++p;
      if (p >= end) break;
      for (ISC_STATUS c : codes)
        if (*p == c) return true;
      ++p;
    } else if (kind == isc_arg_cstring) {
      p += 3;
    } else {
      p += 2;
    }
  }
  return false;
}

void ReallocZeroed(void*& buffer, size_t oldSize, size_t newSize) {
  if (newSize == 0) {
    std::free(buffer);
    buffer = nullptr;
    return;
  }
  void* p = buffer ? std::realloc(buffer, newSize) : std::malloc(newSize);
  if (!p) throw std::bad_alloc();
  buffer = p;
  if (oldSize < newSize) std::memset(static_cast<char*>(p) + oldSize, 0, newSize - oldSize);
}

size_t XSQLDALength(int32_t count) { return fbapi::XsqldaLength(count); }
