#pragma once
// The exception family of the database library, the per-thread status vector every client call
// writes, and the table of the library's own (client) errors.

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "dbaccess/IB_Intf.h"
#include "rtl/Sets.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"

class IIBClientLibrary;

class EFIBError : public EDatabaseError {
  RTL_CLASS(EFIBError, EDatabaseError)
public:
  // The message is prefixed with the sender's dotted component name, ":" and CR LF when the sender is
  // a component. IBErrorCode is the calling thread's status vector element 1 at this moment.
  EFIBError(int32_t sqlCode, const String& msg, TObject* sender = nullptr);
  // Message = sqlText + serverText; both are kept apart in SQLMessage and IBMessage.
  static EFIBError CreateWithMessages(int32_t sqlCode, const String& sqlText, const String& serverText,
                                      TObject* sender = nullptr);

  int32_t SQLCode() const { return FSQLCode; }
  int32_t IBErrorCode() const { return FIBErrorCode; }
  const String& SQLMessage() const { return FSQLMessage; }
  const String& IBMessage() const { return FIBMessage; }
  TObject* Sender() const { return FSender; }

protected:
  void SetMessages(const String& sqlText, const String& serverText) {
    FSQLMessage = sqlText;
    FIBMessage = serverText;
  }

private:
  int32_t FSQLCode;
  int32_t FIBErrorCode;
  String FSQLMessage;
  String FIBMessage;
  TObject* FSender;
};

class EFIBInterBaseError : public EFIBError {
  RTL_CLASS(EFIBInterBaseError, EFIBError)
public:
  using EFIBError::EFIBError;
  EFIBInterBaseError(int32_t sqlCode, const String& sqlText, const String& serverText, TObject* sender);
};

class EFIBClientError : public EFIBError {
  RTL_CLASS(EFIBClientError, EFIBError)
public:
  using EFIBError::EFIBError;
};

// Which texts a server error message carries; both from start-up on.
enum TErrorMessagePart : uint8_t { IncludeSQLText, IncludeServerText };
using TErrorMessageParts = Set<TErrorMessagePart>;
TErrorMessageParts ErrorMessageParts();
void SetErrorMessageParts(TErrorMessageParts parts);

// Numbers of the client error table (0..78) that the library raises by name.
enum TFIBClientErrorNumber : int32_t {
  feUnknownError = 0,
  feOperationCancelled = 7,
  feDatabaseClosed = 12,
  feDatabaseOpen = 13,
  feCannotCreateSharedResource = 54,
  feServiceActive = 65,
  feServiceInActive = 66,
  feServerNameMissing = 67,
  feQueryParamsError = 68,
  feStartParamsError = 69,
  feOutputParsingError = 70,
  feUseSpecificProcedures = 71,
  feSPBConstantNotSupported = 72,
  feSPBConstantUnknown = 73,
};

constexpr int32_t ClientErrorCount = 79;
// The format template of a client error number (0..78).
const char* ClientErrorTemplate(int32_t number);

// Raises EFIBClientError with the template of `number` (taken modulo 128) formatted with the arguments
// and SQLCode = that number. A number without a template raises EFIBClientError
// "Unknown client error number %d." instead of reading past the table.
[[noreturn]] void RaiseClientError(int32_t number, std::initializer_list<FormatArg> args = {});
// Raises EFIBClientError with SQLCode -1 and the formatted text.
[[noreturn]] void RaiseClientErrorMsg(const String& fmt, std::initializer_list<FormatArg> args = {});
// Turns the calling thread's status vector into EFIBInterBaseError and raises it.
[[noreturn]] void RaiseServerError(const IIBClientLibrary* clientLibrary, TObject* sender);

constexpr int32_t StatusVectorLength = 20;
// The calling thread's status vector: 20 elements of the client API's status type.
ISC_STATUS* StatusVector();
// True when one of the codes appears as an error code or number argument in the calling thread's
// status vector.
bool StatusVectorContains(std::initializer_list<ISC_STATUS> codes);

// Grows, shrinks or allocates (malloc family) a buffer and zeroes the bytes from oldSize to newSize;
// newSize 0 frees it and leaves nullptr.
void ReallocZeroed(void*& buffer, size_t oldSize, size_t newSize);
// The byte size of a client API descriptor block of `count` columns.
size_t XSQLDALength(int32_t count);
