#pragma once
// The provider interface: what a data provider asks of the dataset it reads through and resolves changes
// with (the dataset's SQL dialect, its update table and key, its transaction, and statements run beside
// it). A dataset offers it by deriving from IProviderSupport; GetProviderSupport finds it.

#include <cstdint>

#include "db/DB.h"

RTL_ENUM(TUpdateKind, ukModify, ukInsert, ukDelete)
using TUpdateKinds = Set<TUpdateKind>;

// A change that could not be applied, with the error code of its failure and that of the failure before
// it in the same run (0 when none).
class EUpdateError : public EDatabaseError {
  RTL_CLASS(EUpdateError, EDatabaseError)
public:
  EUpdateError(const String& message, const String& context, int32_t errorCode, int32_t previousError)
      : EDatabaseError(message), FContext(context), FErrorCode(errorCode), FPreviousError(previousError) {}
  const String& Context() const { return FContext; }
  int32_t ErrorCode() const { return FErrorCode; }
  int32_t PreviousError() const { return FPreviousError; }

private:
  String FContext;
  int32_t FErrorCode;
  int32_t FPreviousError;
};

class IProviderSupport {
public:
  static constexpr TGUID IID = MakeGUID("{5B6C1A52-92E4-4F0B-A7C3-0D8E4B61F2A9}");
  // The character that quotes identifiers in the dataset's SQL; empty when none is used.
  virtual String PSGetQuoteChar() = 0;
  // The table changes are written to.
  virtual String PSGetTableName() = 0;
  // The key fields, ";"-separated.
  virtual String PSGetKeyFields() = 0;
  virtual void PSSetCommandText(const String& commandText) = 0;
  // The failure of a change as the provider reports it.
  virtual EUpdateError PSGetUpdateException(const Exception& error, const EUpdateError* previous) = 0;
  virtual bool PSInTransaction() = 0;
  virtual bool PSIsSQLBased() = 0;
  virtual bool PSIsSQLSupported() = 0;
  virtual void PSStartTransaction() = 0;
  virtual void PSEndTransaction(bool commit) = 0;
  // Applies one changed record of delta (its current values are the new ones); true when it was applied.
  virtual bool PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta) = 0;
  // Runs a statement with "?" placeholders filled from params in order; with resultSet a dataset opened
  // on the statement is handed back (the caller frees it). Answers the rows read or affected.
  virtual int32_t PSExecuteStatement(const String& sql, TParams* params, TDataSet** resultSet) = 0;
  virtual void PSReset() = 0;
  virtual void PSExecute() = 0;
  // The dataset's parameters with their current values; the dataset owns the list.
  virtual TParams* PSGetParams() = 0;
  virtual void PSSetParams(TParams* params) = 0;

protected:
  ~IProviderSupport() = default;
};

// The dataset's provider interface; nil when it offers none.
IProviderSupport* GetProviderSupport(TDataSet* dataSet);

// The answers of the framework where a dataset has none of its own: the fields flagged pfInKey, and any
// failure as an update error with no error code of its own.
String PSDefaultKeyFields(TDataSet* dataSet);
EUpdateError PSDefaultUpdateException(const Exception& error, const EUpdateError* previous);
