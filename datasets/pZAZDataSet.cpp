#include "datasets/pZAZDataSet.h"

#include <ibase.h>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/ClassRegistry.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

const char* const CRLF = "\r\n";

String Unquoted(const String& name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return name;
}

// Decimals appended to a numeric format: "0." takes n zeros, "#.0"-like formats repeat their last character.
String WithDecimals(const String& format, int32_t decimals) {
  if (format.empty() || decimals <= 0) return format;
  if (format.back() == '.') return format + String(static_cast<size_t>(decimals), '0');
  if (format.size() >= 2 && format[format.size() - 2] == '.')
    return format.substr(0, format.size() - 1) + String(static_cast<size_t>(decimals), format.back());
  return format;
}

}  // namespace

TpZAZDataSet::TpZAZDataSet(TComponent* AOwner) : TFIBDataSet(AOwner) {}

TpZAZDataSet::~TpZAZDataSet() {
  FreeAndNil(FAutoUpdateOptions);
  FreeAndNil(FDefaultFormats);
}

void TpZAZDataSet::AfterConstruction() {
  TFIBDataSet::AfterConstruction();
  FAutoUpdateOptions = New<TAutoUpdateOptions>(this);
  FDefaultFormats = New<TFormatFields>(this);
}

void TpZAZDataSet::Prepare() {
  TFIBDataSet::Prepare();
  const String select = SelectSQL()->Text();
  if (FAutoUpdateOptions->AutoReWriteSqls() && FGeneratedFor != select) {
    GenerateStatements();
    FGeneratedFor = select;
  }
}

std::vector<TpZAZDataSet::TUpdateColumn> TpZAZDataSet::UpdateColumns() {
  std::vector<TUpdateColumn> columns;
  const String table = Unquoted(FAutoUpdateOptions->GetModifyTable());
  const String alias = Unquoted(FAutoUpdateOptions->GetUpdateTableAlias());
  if (table.empty()) return columns;
  // Computed columns cannot be written; the metadata cache knows them.
  TpZAZTableInfo* info = Database() ? ListTableInfo()->GetTableInfo(Database(), table, false) : nullptr;
  for (int32_t i = 0; i < QSelect()->GetFieldCount(); ++i) {
    TFIBXSQLVAR* v = QSelect()->Fields(i);
    if (v->GetRelationName() != table) continue;
    if (info) {
      TpZAZFieldInfo* f = info->FindFieldInfo(v->GetSQLName());
      if (!f || (f->IsComputed && !PrepareOptions().Contains(psCanEditComputedFields))) continue;
    }
    // A table that appears twice in the select belongs to the update only under the update alias.
    const String columnAlias = Unquoted(QSelect()->FieldRelationAlias(i));
    if (!columnAlias.empty() && !alias.empty() && columnAlias != alias && columnAlias != table) continue;
    columns.push_back({v->GetSQLName(), v->Name()});
  }
  return columns;
}

String TpZAZDataSet::KeyCondition() {
  const int32_t dialect = ConnectionSQLDialect();
  const String alias = FAutoUpdateOptions->GetUpdateTableAlias();
  const std::vector<TUpdateColumn> columns = UpdateColumns();
  TStrings* keys = FAutoUpdateOptions->KeyFieldList();
  String condition;
  for (int32_t k = keys->Count() - 1; k >= 0; --k) {
    const String key = Trim(keys->Strings(k));
    for (const TUpdateColumn& c : columns) {
      if (!SameText(c.FieldName, key)) continue;
      if (!condition.empty()) condition += " and ";
      condition += alias + "." + FormatIdentifier(dialect, c.Column, false) + "=?" +
                   FormatIdentifier(dialect, "OLD_" + c.FieldName, false);
      break;
    }
  }
  return condition;
}

String TpZAZDataSet::GenerateSQLText(TpZAZStatementKind kind) {
  const String table = FAutoUpdateOptions->GetModifyTable();
  if (table.empty()) return String();
  const int32_t dialect = ConnectionSQLDialect();
  const String alias = FAutoUpdateOptions->GetUpdateTableAlias();
  const std::vector<TUpdateColumn> columns = UpdateColumns();
  String where;
  if (kind != skInsert) {
    where = KeyCondition();
    if (where.empty()) {
      static const char* const names[] = {"UpdateSQL", "InsertSQL", "DeleteSQL", "RefreshSQL"};
      throw EFIBError(0, Format("%s: unable to generate %s because fields for \"%s\" do not exist in dataset.",
                                {FullComponentName(this), names[kind], FAutoUpdateOptions->UpdateTableName()}));
    }
  }
  auto newParam = [&](const TUpdateColumn& c) { return "?" + FormatIdentifier(dialect, "NEW_" + c.FieldName, false); };
  switch (kind) {
    case skUpdate: {
      if (columns.empty()) return "No Action";
      String text = "Update " + table + " " + alias + " Set";
      for (size_t i = 0; i < columns.size(); ++i)
        text += String(i ? "," : "") + CRLF + "     " + FormatIdentifier(dialect, columns[i].Column, false) + "=" +
                newParam(columns[i]);
      return text + CRLF + "where " + where;
    }
    case skInsert: {
      if (columns.empty()) return "No Action";
      String text = "Insert into " + table + "(";
      for (size_t i = 0; i < columns.size(); ++i)
        text += String(i ? "," : "") + CRLF + "     " + FormatIdentifier(dialect, columns[i].Column, false);
      text += String(CRLF) + ")" + CRLF + "values (";
      for (size_t i = 0; i < columns.size(); ++i) text += String(i ? "," : "") + CRLF + "     " + newParam(columns[i]);
      return text + CRLF + ")";
    }
    case skDelete:
      return "Delete from " + table + " " + alias + CRLF + "where " + where;
    case skRefresh:
      return AddToWhereClause(SelectSQL()->Text(), where);
  }
  return String();
}

void TpZAZDataSet::GenerateStatements() {
  if (Trim(FAutoUpdateOptions->KeyFields()).empty() && Database()) {
    // The table's primary key, by the names of the select columns that carry it.
    const String table = Unquoted(FAutoUpdateOptions->GetModifyTable());
    const String pk = ListTableInfo()->GetTableInfo(Database(), table, false)->GetPrimaryKeyFields(Database());
    String keys;
    size_t from = 0;
    while (!pk.empty() && from <= pk.size()) {
      const size_t semi = pk.find(';', from);
      const String column = pk.substr(from, semi == String::npos ? String::npos : semi - from);
      for (int32_t i = 0; i < QSelect()->GetFieldCount(); ++i)
        if (QSelect()->Fields(i)->GetRelationName() == table && QSelect()->Fields(i)->GetSQLName() == column) {
          keys += (keys.empty() ? "" : ";") + QSelect()->Fields(i)->Name();
          break;
        }
      if (semi == String::npos) break;
      from = semi + 1;
    }
    if (!keys.empty()) FAutoUpdateOptions->SetKeyFields(keys);
  }
  if (Trim(FAutoUpdateOptions->KeyFields()).empty()) {
    // Without a key list every non-blob column of the update table serves as the key.
    String keys;
    for (int32_t i = 0; i < QSelect()->GetFieldCount(); ++i) {
      TFIBXSQLVAR* v = QSelect()->Fields(i);
      if (v->GetRelationName() != Unquoted(FAutoUpdateOptions->GetModifyTable()) || v->GetSQLType() == SQL_BLOB)
        continue;
      keys += (keys.empty() ? "" : ";") + v->Name();
    }
    FAutoUpdateOptions->SetKeyFields(keys);
  }
  const bool canChange = FAutoUpdateOptions->CanChangeSQLs();
  const std::pair<TpZAZStatementKind, TStrings*> targets[] = {
      {skDelete, DeleteSQL()}, {skUpdate, UpdateSQL()}, {skInsert, InsertSQL()}, {skRefresh, RefreshSQL()}};
  for (const auto& [kind, lines] : targets) {
    if (!canChange && !StringsAreBlank(lines)) continue;
    lines->SetText(GenerateSQLText(kind));
  }
}

void TpZAZDataSet::AssignGeneratorValue() {
  if (FAutoUpdateOptions->WhenGetGenID() == wgNever) return;
  if (!Database()) RaiseClientError(21, {FullComponentName(this)});
  TField* key = FindField(Trim(FAutoUpdateOptions->KeyFields()));
  if (!key || !key->IsNull()) return;
  switch (key->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
      break;
    default:
      return;
  }
  const int64_t value = Database()->GetGeneratorValue(FAutoUpdateOptions->GeneratorName(),
                                                      FAutoUpdateOptions->GeneratorStep(), Transaction());
  key->SetValue(Variant(value));
}

void TpZAZDataSet::InitNewRecordValues() {
  if (FAutoUpdateOptions->WhenGetGenID() == wgOnNewRecord) AssignGeneratorValue();
}

void TpZAZDataSet::ApplyFieldSettings() {
  if (!Options().Contains(poAutoFormatFields)) return;
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (auto* dt = dynamic_cast<TDateTimeField*>(f)) {
      if (!dt->DisplayFormat().empty()) continue;
      switch (f->DataType()) {
        case ftDate: dt->SetDisplayFormat(FDefaultFormats->DisplayFormatDate()); break;
        case ftTime: dt->SetDisplayFormat(FDefaultFormats->DisplayFormatTime()); break;
        default: dt->SetDisplayFormat(FDefaultFormats->DateTimeDisplayFormat()); break;
      }
    } else if (auto* n = dynamic_cast<TNumericField*>(f)) {
      const int32_t column = f->FieldNo() - 1;
      if (f->FieldKind() != fkData || column < 0 || column >= FieldDescrs().Count()) continue;
      int32_t decimals = -FieldDescrs().Items(column)->Scale;
      if (f->DataType() == ftBCD) decimals = f->Size();
      if (decimals <= 0 || f->DataType() == ftLargeint) continue;
      if (n->DisplayFormat().empty())
        n->SetDisplayFormat(WithDecimals(FDefaultFormats->NumericDisplayFormat(), decimals));
      if (n->EditFormat().empty()) n->SetEditFormat(WithDecimals(FDefaultFormats->NumericEditFormat(), decimals));
    }
  }
}

void TpZAZDataSet::DeleteOnServer() {
  // A "No Action" delete has nothing to remove on the server; hiding the row would fake a deletion.
  if (!StringsAreBlank(DeleteSQL()) && DeleteSQL()->Strings(0) == "No Action")
    RaiseClientError(47, {FullComponentName(this)});
  RunUpdateObjects(ukDelete, oeBeforeDefault);
  TFIBDataSet::DeleteOnServer();
  RunUpdateObjects(ukDelete, oeAfterDefault);
}

RTL_PUBLISHED(TpZAZDataSet) {
  using T = TpZAZDataSet;
  prop("AutoUpdateOptions", &T::AutoUpdateOptions, [](T& d, TAutoUpdateOptions* v) { d.AutoUpdateOptions()->Assign(v); });
  prop("DefaultFormats", &T::DefaultFormats, [](T& d, TFormatFields* v) { d.DefaultFormats()->Assign(v); });
}

namespace {
// Form resources find the dataset by its class name.
const bool kRegistered = [] {
  RegisterClasses({TpZAZDataSet::StaticClass()});
  return true;
}();
}  // namespace
