// The extended dataset as seen by a data provider: its dialect's quote, its update table and key, its
// transaction, records of a provider's delta written through the dataset's own statements and update
// objects, and statements run beside it on the same connection.
#include <ibase.h>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZQuery.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {

// A provider's delta as the parameter source of the modify statements: a field's value under its name
// and NEW_ + name, its old value under OLD_ + name.
class TDeltaSource : public ISQLObject {
public:
  explicit TDeltaSource(TDataSet* delta) : FDelta(delta) {}
  int32_t ParamCount() override { return 0; }
  String ParamName(int32_t) override { return String(); }
  int32_t FieldsCount() override { return FDelta->FieldCount(); }
  bool FieldExist(const String& name, int32_t& index) override {
    TField* f = FDelta->FindField(name);
    if (f) index = f->Index();
    return f != nullptr;
  }
  bool ParamExist(const String&, int32_t&) override { return false; }
  Variant FieldValue(const String& name, bool old) override { return Value(FDelta->FieldByName(name), old); }
  Variant FieldValue(int32_t index, bool old) override { return Value(FDelta->Fields()->Fields(index), old); }
  Variant ParamValue(const String&) override { return Variant::Null(); }
  Variant ParamValue(int32_t) override { return Variant::Null(); }
  void SetParamValue(int32_t, const Variant&) override {}
  String FieldName(int32_t index) override { return FDelta->Fields()->Fields(index)->FieldName(); }
  int32_t QueryInterface(const TGUID&, void** obj) override {
    *obj = nullptr;
    return RTL_E_NOINTERFACE;
  }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

private:
  static Variant Value(TField* field, bool old) {
    if (!old) return field->Value();
    try {
      return field->OldValue();
    } catch (const Exception&) {
      // An old decimal value beyond what the field can hold is taken as no value.
      if (field->DataType() == ftBCD || field->DataType() == ftFMTBcd) return Variant::Null();
      throw;
    }
  }
  TDataSet* FDelta;
};

bool Runnable(TFIBQuery* query) { return !StringsAreBlank(query->SQL()) && query->SQL()->Strings(0) != "No Action"; }

// "?" placeholders outside quoted text become the parameters :Param0, :Param1, ...
String NamePlaceholders(const String& sql, int32_t& count) {
  String out;
  char quote = 0;
  count = 0;
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
      out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == '?') {
      out += ":Param" + IntToStr(count++);
    } else {
      out += c;
    }
  }
  return out;
}

TFieldType ParamFieldType(int32_t sqlType) {
  switch (sqlType) {
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_D_FLOAT: return ftFloat;
    case SQL_LONG: return ftInteger;
    case SQL_SHORT: return ftSmallint;
    case SQL_TIMESTAMP: return ftDateTime;
    case SQL_BLOB:
    case SQL_ARRAY: return ftBlob;
    case SQL_TYPE_TIME: return ftTime;
    case SQL_TYPE_DATE: return ftDate;
    default: return ftString;
  }
}

}  // namespace

String TpZAZDataSet::PSGetQuoteChar() { return Database() && Database()->SQLDialect() == 3 ? "\"" : ""; }

String TpZAZDataSet::PSGetTableName() {
  TStringList* tables = New<TStringList>();
  String result;
  try {
    ListTablesOfSQL(SelectSQL()->Text(), tables, false, false);
    const String update = AutoUpdateOptions()->UpdateTableName();
    for (int32_t i = 0; i < tables->Count() && result.empty(); ++i)
      if (!update.empty() && IdentifiersEqual(Trim(tables->Strings(i)), update)) result = update;
    if (result.empty() && tables->Count() > 0) result = Trim(tables->Strings(0));
  } catch (...) {
    tables->Free();
    throw;
  }
  tables->Free();
  return result;
}

String TpZAZDataSet::PSGetKeyFields() {
  const String keys = PSDefaultKeyFields(this);
  return keys.empty() ? AutoUpdateOptions()->KeyFields() : keys;
}

void TpZAZDataSet::PSSetCommandText(const String& commandText) { SelectSQL()->SetText(commandText); }

EUpdateError TpZAZDataSet::PSGetUpdateException(const Exception& error, const EUpdateError* previous) {
  if (const auto* fib = dynamic_cast<const EFIBError*>(&error))
    return EUpdateError(fib->Message(), String(), fib->SQLCode(), previous ? previous->ErrorCode() : 0);
  return PSDefaultUpdateException(error, previous);
}

bool TpZAZDataSet::PSInTransaction() { return Transaction() && Transaction()->InTransaction(); }

void TpZAZDataSet::PSStartTransaction() {
  if (!Database()) RaiseClientError(21, {FullComponentName(this)});
  if (!Transaction()) RaiseClientError(22, {FullComponentName(this)});
  if (!Database()->Connected()) Database()->Open();
  if (!Transaction()->InTransaction()) Transaction()->StartTransaction();
}

void TpZAZDataSet::PSEndTransaction(bool commit) {
  TFIBTransaction* tr = Transaction();
  if (!tr || !tr->InTransaction()) return;
  if (commit) tr->Commit();
  else tr->Rollback();
}

bool TpZAZDataSet::PSUpdateRecord(TUpdateKind updateKind, TDataSet* delta) {
  if (OnUpdateRecord.Assigned()) {
    TUpdateAction action = uaFail;
    OnUpdateRecord(delta, updateKind, action);
    return action == uaApplied;
  }
  TDeltaSource source(delta);
  const bool start = Options().Contains(poStartTransaction);
  FUpdateObjects.Execute(updateKind, oeBeforeDefault, &source, start);
  TFIBQuery* query = updateKind == ukModify ? QUpdate() : updateKind == ukInsert ? QInsert() : QDelete();
  if (Runnable(query)) {
    TFIBTransaction* tr = query->Transaction();
    if (!tr) RaiseClientError(22, {FullComponentName(query)});
    if (!tr->InTransaction() && start) tr->StartTransaction();
    if (!query->Prepared()) query->Prepare();
    AssignSQLObjectParams(query, {&source});
    query->ExecQuery();
    if (query->Open()) query->CloseCursor();
  }
  FUpdateObjects.Execute(updateKind, oeAfterDefault, &source, start);
  return true;
}

int32_t TpZAZDataSet::PSExecuteStatement(const String& sql, TParams* params, TDataSet** resultSet) {
  int32_t placeholders = 0;
  const String text = NamePlaceholders(sql, placeholders);
  // The given values fill the placeholders in order; extra values have no placeholder to go to.
  auto fill = [&](TFIBQuery* query) {
    for (int32_t i = 0; params && i < params->Count() && i < placeholders; ++i)
      if (TFIBXSQLVAR* p = query->FindParam("Param" + IntToStr(i))) p->SetAsVariant(params->Items(i)->Value());
  };
  if (resultSet) {
    *resultSet = nullptr;
    TpZAZDataSet* result = New<TpZAZDataSet>(nullptr);
    try {
      result->SetDatabase(Database());
      result->SetTransaction(Transaction());
      result->SelectSQL()->SetText(text);
      fill(result->QSelect());
      result->Open();
      result->FetchAll();
    } catch (...) {
      result->Free();
      throw;
    }
    *resultSet = result;
    return result->RecordCount();
  }
  TFIBTransaction* tr = UpdateTransaction();
  if (!tr) RaiseClientError(22, {FullComponentName(this)});
  if (!tr->InTransaction()) tr->StartTransaction();
  TFIBQuery* query = AcquireCachedQuery(tr, text);
  if (!query) RaiseClientError(21, {FullComponentName(this)});
  int32_t rows = 0;
  try {
    fill(query);
    query->ExecQuery();
    if (query->SQLType() == SQLSelect || query->SQLType() == SQLSelectForUpdate) {
      while (query->FetchNext()) {
      }
      rows = query->RecordCount();  // also the row fetched by the execution itself
      query->CloseCursor();
    } else {
      rows = query->GetRowsAffected();
    }
  } catch (...) {
    if (query->Open()) query->CloseCursor();
    ReleaseCachedQuery(query);
    throw;
  }
  ReleaseCachedQuery(query);
  return rows;
}

void TpZAZDataSet::PSReset() {
  if (Active()) CloseOpen(false);
}

void TpZAZDataSet::PSExecute() {
  // The select's cursor feeds an open dataset; running it again beside the dataset would cut its rows.
  if (Active()) RaiseClientError(28, {"execute", FullComponentName(this)});
  QSelect()->ExecQuery();
  if (QSelect()->Open()) QSelect()->CloseCursor();
}

TParams* TpZAZDataSet::PSGetParams() {
  if (!FPSParams) FPSParams = New<TParams>();
  FPSParams->Clear();
  TFIBQuery* select = QSelect();
  if (!select->Prepared() && Database() && Database()->Connected() && !StringsAreBlank(SelectSQL())) Prepare();
  TFIBXSQLDA* params = select->Params();
  TFIBXSQLDA* server = select->Prepared() ? select->ServerParams() : nullptr;
  for (int32_t i = 0; params && i < params->Count(); ++i) {
    TFIBXSQLVAR* v = params->GetVar(i);
    // A parameter without a value has no type of its own yet: the server's description of it has.
    int32_t sqlType = v->GetSQLType();
    for (int32_t k = 0; sqlType == 0 && server && k < server->Count(); ++k)
      if (server->GetVar(k)->Name() == v->Name()) sqlType = server->GetVar(k)->GetSQLType();
    TParam* p = FPSParams->CreateParam(ParamFieldType(sqlType), v->Name(), ptInputOutput);
    p->SetValue(v->GetAsVariant());
  }
  return FPSParams;
}

void TpZAZDataSet::PSSetParams(TParams* params) {
  for (int32_t i = 0; params && i < params->Count(); ++i) {
    TParam* p = params->Items(i);
    if (TFIBXSQLVAR* v = QSelect()->FindParam(p->Name())) v->SetAsVariant(p->Value());
  }
}
