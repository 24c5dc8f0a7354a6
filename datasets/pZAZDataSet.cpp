#include "datasets/pZAZDataSet.h"
#include "datasets/pZAZDataSetRepository.h"

#include <ibase.h>

#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/ClassRegistry.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

const char* const CRLF = "\r\n";

// Decimals appended to a numeric format: "0." takes n zeros, "#.0"-like formats repeat their last character.
String WithDecimals(const String& format, int32_t decimals) {
  if (format.empty() || decimals <= 0) return format;
  if (format.back() == '.') return format + String(static_cast<size_t>(decimals), '0');
  if (format.size() >= 2 && format[format.size() - 2] == '.')
    return format.substr(0, format.size() - 1) + String(static_cast<size_t>(decimals), format.back());
  return format;
}

bool IsOneOf(const String& word, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (SameText(word, w)) return true;
  return false;
}

bool IsDateTimeKeyword(const String& word) {
  return IsOneOf(word, {"NOW", "TODAY", "TOMORROW", "YESTERDAY", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
                        "NULL"});
}

// A date or time literal as the server keeps it ("2026-01-02", "2026-01-02 10:20:30", "10:20"), or false.
bool ParseServerDateTime(const String& text, TDateTime& value) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, n = 0;
  TDateTime date = 0, time = 0;
  const char* p = text.c_str();
  if (std::sscanf(p, "%4d-%2d-%2d%n", &y, &mo, &d, &n) == 3) {
    if (!TryEncodeDate(static_cast<uint16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d), date)) return false;
    p += n;
    while (*p == ' ') ++p;
    if (!*p) {
      value = date;
      return true;
    }
  }
  n = 0;
  const int parts = std::sscanf(p, "%2d:%2d%n:%2d%n", &h, &mi, &n, &sec, &n);
  if (parts < 2 || (p[n] != 0 && p[n] != '.')) return false;
  if (!TryEncodeTime(static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(parts == 3 ? sec : 0), 0,
                     time))
    return false;
  value = date + time;
  return true;
}

}  // namespace

TpZAZDataSet::TpZAZDataSet(TComponent* AOwner) : TFIBDataSet(AOwner) {}

TpZAZDataSet::~TpZAZDataSet() {
  FreeAndNil(FAutoUpdateOptions);
  FreeAndNil(FDefaultFormats);
  FreeAndNil(FReceiveEvents);
  FreeAndNil(FPSParams);
}

void TpZAZDataSet::AfterConstruction() {
  TFIBDataSet::AfterConstruction();
  FAutoUpdateOptions = New<TAutoUpdateOptions>(this);
  FDefaultFormats = New<TFormatFields>(this);
  FReceiveEvents = New<TStringList>();
  FCountQuery = CreateOwnedStatement("CountQuery");
}

void TpZAZDataSet::SetDataSet_ID(int32_t value) {
  if (Active()) RaiseClientError(28, {" change DataSetID ", FullComponentName(this)});
  FDataSet_ID = value;
  if (value != 0) SetPrepareOptions(PrepareOptions() + psApplyRepositary);
}

void TpZAZDataSet::Prepare() {
  if (PrepareOptions().Contains(psApplyRepositary) && FDataSet_ID != 0 && FDataSet_ID != FAppliedDataSet_ID &&
      Database() && Database()->Connected()) {
    TConditions* conditions = QSelect()->Conditions();
    const bool applied = conditions && conditions->Applied();
    LoadDataSetInfo(this);
    FAppliedDataSet_ID = FDataSet_ID;
    // A new select text or new conditions leave them unapplied; the dataset had them applied.
    if (applied) conditions->Apply();
  }
  TFIBDataSet::Prepare();
  const String select = SelectSQL()->Text();
  if (FAutoUpdateOptions->AutoReWriteSqls() && FGeneratedFor != select) {
    GenerateStatements();
    FGeneratedFor = select;
  }
}

std::vector<TpZAZDataSet::TUpdateColumn> TpZAZDataSet::UpdateColumns() {
  std::vector<TUpdateColumn> columns;
  const String table = UnquoteIdentifier(FAutoUpdateOptions->GetModifyTable());
  const String alias = UnquoteIdentifier(FAutoUpdateOptions->GetUpdateTableAlias());
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
    const String columnAlias = UnquoteIdentifier(QSelect()->FieldRelationAlias(i));
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

String TpZAZDataSet::ModifyStatementText(TpZAZStatementKind kind, const std::vector<TUpdateColumn>& columns,
                                         const String& where) {
  if (columns.empty()) return "No Action";
  const String table = FAutoUpdateOptions->GetModifyTable();
  const int32_t dialect = ConnectionSQLDialect();
  auto column = [&](size_t i) { return FormatIdentifier(dialect, columns[i].Column, false); };
  auto newParam = [&](size_t i) { return "?" + FormatIdentifier(dialect, "NEW_" + columns[i].FieldName, false); };
  if (kind == skUpdate) {
    String text = "Update " + table + " " + FAutoUpdateOptions->GetUpdateTableAlias() + " Set";
    for (size_t i = 0; i < columns.size(); ++i)
      text += String(i ? "," : "") + CRLF + "     " + column(i) + "=" + newParam(i);
    return text + CRLF + "where " + where;
  }
  String text = "Insert into " + table + "(";
  for (size_t i = 0; i < columns.size(); ++i) text += String(i ? "," : "") + CRLF + "     " + column(i);
  text += String(CRLF) + ")" + CRLF + "values (";
  for (size_t i = 0; i < columns.size(); ++i) text += String(i ? "," : "") + CRLF + "     " + newParam(i);
  return text + CRLF + ")";
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
  switch (kind) {
    case skUpdate:
    case skInsert:
      return ModifyStatementText(kind, columns, where);
    case skDelete:
      return "Delete from " + table + " " + alias + CRLF + "where " + where;
    case skRefresh: {
      const String select = SelectSQL()->Text();
      if (!IsUnionSQL(select)) return AddToWhereClause(select, where);
      // The key condition added to a UNION would restrict its first branch only, and a refresh could
      // read another branch's row. The whole select becomes a derived table whose output columns carry
      // the keys; servers before version 2 have no derived tables, so there is no refresh statement.
      if (Database()->GetServerMajorVersion() < 2)
        throw EFIBError(0, Format("%s: unable to generate RefreshSQL for a UNION select on this server.",
                                  {FullComponentName(this)}));
      String keys;
      TStrings* keyList = FAutoUpdateOptions->KeyFieldList();
      for (int32_t k = 0; k < keyList->Count(); ++k) {
        const String key = Trim(keyList->Strings(k));
        if (key.empty()) continue;
        if (!keys.empty()) keys += " and ";
        keys += FormatIdentifier(dialect, key, false) + "=?" + FormatIdentifier(dialect, "OLD_" + key, false);
      }
      return "Select * from (" + String(CRLF) + TrimRight(select) + CRLF + ")" + CRLF + "where " + keys;
    }
  }
  return String();
}

void TpZAZDataSet::GenerateStatements() {
  if (Trim(FAutoUpdateOptions->KeyFields()).empty() && Database()) {
    // The table's primary key, by the names of the select columns that carry it.
    const String table = UnquoteIdentifier(FAutoUpdateOptions->GetModifyTable());
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
      if (v->GetRelationName() != UnquoteIdentifier(FAutoUpdateOptions->GetModifyTable()) || v->GetSQLType() == SQL_BLOB)
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
  ApplyDefaultValues();
  ReportEvent(deOnNewRecord);
}

void TpZAZDataSet::ApplyDefaultValues() {
  // Server time: the connection measured how far the local clock runs ahead of the server's.
  auto* zazDatabase = dynamic_cast<TpZAZDatabase*>(Database());
  const TDateTime offset = zazDatabase ? zazDatabase->TimeDifference() : 0;
  TField* generatedKey =
      FAutoUpdateOptions->UsesGenerator() ? FindField(Trim(FAutoUpdateOptions->KeyFields())) : nullptr;
  TStrings* links = FAutoUpdateOptions->ParamsToFieldsLinks();
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (f == generatedKey || f->FieldKind() != fkData) continue;
    const int32_t link = links->IndexOfName(f->FieldName());
    if (link >= 0) {
      int32_t param;
      if (QSelect()->ParamExist(links->ValueFromIndex(link), param)) {
        f->SetValue(QSelect()->ParamValue(param));
        continue;
      }
    }
    String expression = Trim(f->DefaultExpression());
    const bool quoted = expression.size() >= 2 && expression.front() == '\'' && expression.back() == '\'';
    if (quoted || (expression.size() >= 2 && expression.front() == '"' && expression.back() == '"'))
      expression = expression.substr(1, expression.size() - 2);
    if (expression.empty()) continue;
    bool applied = false;
    if (Container()) Container()->ApplyDefaultValue(this, f, applied);
    if (!applied && OnApplyDefaultValue.Assigned()) OnApplyDefaultValue(this, f, applied);
    if (applied) continue;
    if (auto* dt = dynamic_cast<TDateTimeField*>(f)) {
      const TDateTime now = Now() - offset;
      if (IsOneOf(expression, {"NOW", "CURRENT_TIME", "CURRENT_TIMESTAMP"})) dt->SetAsDateTime(now);
      else if (IsOneOf(expression, {"TODAY", "CURRENT_DATE"})) dt->SetAsDateTime(static_cast<int64_t>(now));
      else if (SameText(expression, "TOMORROW")) dt->SetAsDateTime(static_cast<int64_t>(now) + 1);
      else if (SameText(expression, "YESTERDAY")) dt->SetAsDateTime(static_cast<int64_t>(now) - 1);
      else if (!SameText(expression, "NULL")) dt->SetAsString(expression);
      continue;
    }
    if (IsOneOf(expression, {"USER", "CURRENT_USER"})) {
      if (Database()) f->SetAsString(Database()->DBParamByDPB(isc_dpb_user_name));
    } else if (IsOneOf(expression, {"ROLE", "CURRENT_ROLE"})) {
      if (Database()) f->SetAsString(Database()->DBParamByDPB(isc_dpb_sql_role_name));
    } else if (!SameText(expression, "NULL")) {
      f->SetAsString(expression);
    }
  }
}

void TpZAZDataSet::ApplyFieldSettings() {
  if (!Options().Contains(poAutoFormatFields)) {
    SetFieldProperties();
    return;
  }
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
  SetFieldProperties();
}

void TpZAZDataSet::DeleteOnServer() {
  // A "No Action" delete has nothing to remove on the server; hiding the row would fake a deletion.
  if (!StringsAreBlank(DeleteSQL()) && DeleteSQL()->Strings(0) == "No Action")
    RaiseClientError(47, {FullComponentName(this)});
  RunUpdateObjects(ukDelete, oeBeforeDefault);
  TFIBDataSet::DeleteOnServer();
  ++FDeletedSinceCount;
  RunUpdateObjects(ukDelete, oeAfterDefault);
}

RTL_PUBLISHED(TpZAZDataSet) {
  using T = TpZAZDataSet;
  prop("AutoUpdateOptions", &T::AutoUpdateOptions, [](T& d, TAutoUpdateOptions* v) { d.AutoUpdateOptions()->Assign(v); });
  prop("DefaultFormats", &T::DefaultFormats, [](T& d, TFormatFields* v) { d.DefaultFormats()->Assign(v); });
  prop("ReceiveEvents", &T::ReceiveEvents, &T::SetReceiveEvents);
  prop("DataSet_ID", &T::DataSet_ID, &T::SetDataSet_ID);
  prop("Description", &T::Description, &T::SetDescription);
  event("OnUserEvent", &T::OnUserEvent, &T::OnUserEvent);
  event("OnApplyDefaultValue", &T::OnApplyDefaultValue, &T::OnApplyDefaultValue);
  event("OnAskRecordCount", &T::OnAskRecordCount, &T::OnAskRecordCount);
  event("OnLockError", &T::OnLockError, &T::OnLockError);
}

namespace {
// Form resources find the dataset by its class name.
const bool kpZAZDataSetRegistered = [] {
  RegisterClasses({TpZAZDataSet::StaticClass()});
  return true;
}();
}  // namespace

// --- fields from the metadata cache --------------------------------------------------------------------------

void TpZAZDataSet::SetFieldProperties() {
  const TpPrepareOptions po = PrepareOptions();
  const bool setReadOnly = po.Contains(pfSetReadOnlyFields);
  const bool setRequired = po.Contains(pfSetRequiredFields);
  const bool importDefaults = po.Contains(pfImportDefaultValues);
  if (!Database() || !Database()->Connected()) return;
  // The field repository's settings reach the cache only through a saved cache file: entries that
  // carry them are marked WithAdditionalInfo.
  const bool applyRepository =
      po.Contains(psApplyRepositary) && Database()->UseRepositories().Contains(urFieldsInfo);
  if (!setReadOnly && !setRequired && !importDefaults && !applyRepository) return;
  const String updateTable = UnquoteIdentifier(FAutoUpdateOptions->GetModifyTable());
  const String updateAlias = UnquoteIdentifier(FAutoUpdateOptions->GetUpdateTableAlias());
  String statementTable;
  if (setReadOnly && !FAutoUpdateOptions->AutoReWriteSqls()) {
    TFIBQuery* modify = !StringsAreBlank(UpdateSQL()) ? QUpdate() : QInsert();
    if (!StringsAreBlank(modify->SQL()) && modify->SQL()->Strings(0) != "No Action")
      statementTable = UnquoteIdentifier(modify->GetMainTable());
  }
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    const int32_t column = f->FieldNo() - 1;
    if (f->FieldKind() != fkData || column < 0 || column >= QSelect()->GetFieldCount()) continue;
    TFIBXSQLVAR* var = QSelect()->Fields(column);
    const String table = var->GetRelationName();
    if (setReadOnly && !f->ReadOnly()) {
      if (FAutoUpdateOptions->AutoReWriteSqls()) {
        if (!updateTable.empty()) {
          bool readOnly = !SameText(table, updateTable);
          const String alias = UnquoteIdentifier(QSelect()->FieldRelationAlias(column));
          if (FAutoUpdateOptions->HasAlias() && !alias.empty() && alias != updateAlias) readOnly = true;
          f->SetReadOnly(readOnly);
        }
      } else if (!statementTable.empty() && !SameText(table, statementTable)) {
        f->SetReadOnly(true);
      }
    }
    if (table.empty()) continue;
    TpZAZFieldInfo* info = ListTableInfo()->GetFieldInfo(Database(), table, applyRepository, var->GetSQLName());
    if (!info) continue;
    if (applyRepository && info->WithAdditionalInfo) {
      if (info->DisplayWidth > 0) f->SetDisplayWidth(info->DisplayWidth);
      if (!info->DisplayLabel.empty()) f->SetDisplayLabel(info->DisplayLabel);
      f->SetVisible(info->Visible);
      if (auto* n = dynamic_cast<TNumericField*>(f)) {
        if (!info->DisplayFormat.empty()) n->SetDisplayFormat(info->DisplayFormat);
        if (!info->EditFormat.empty()) n->SetEditFormat(info->EditFormat);
      } else if (auto* dt = dynamic_cast<TDateTimeField*>(f)) {
        if (!info->DisplayFormat.empty()) dt->SetDisplayFormat(info->DisplayFormat);
      }
    }
    // With psCanEditComputedFields the computed columns are written like any other.
    if (setReadOnly && info->IsComputed && !po.Contains(psCanEditComputedFields)) f->SetReadOnly(true);
    if (setRequired)
      f->SetRequired(!var->GetIsNullable() && info->DefaultValue.empty() && !info->IsComputed);
    if (importDefaults && !info->DefaultValue.empty() && f->DefaultExpression().empty()) {
      String expression = info->DefaultValue;
      TDateTime when;
      if (dynamic_cast<TStringField*>(f) || dynamic_cast<TWideStringField*>(f)) {
        expression = "'" + expression + "'";
      } else if (dynamic_cast<TNumericField*>(f)) {
        for (char& c : expression)
          if (c == '.') c = FormatSettings().DecimalSeparator;
      } else if (dynamic_cast<TDateTimeField*>(f) && !IsDateTimeKeyword(expression) &&
                 ParseServerDateTime(expression, when)) {
        switch (f->DataType()) {
          case ftDate: expression = DateToStr(when); break;
          case ftTime: expression = TimeToStr(when); break;
          default: expression = DateTimeToStr(when); break;
        }
      }
      f->SetDefaultExpression(expression);
    }
  }
}

// --- server record count --------------------------------------------------------------------------------------

int32_t TpZAZDataSet::AskServerRecordCount() {
  TFIBTransaction* tr = QSelect()->Transaction();
  if (!tr || !tr->InTransaction()) return 0;
  String text;
  if (OnAskRecordCount.Assigned()) OnAskRecordCount(this, text);
  if (Trim(text).empty()) {
    const String select = SelectSQL()->Text();
    if (Database()->GetServerMajorVersion() > 1) {
      // A derived table counts every select alike (UNION, GROUP BY, DISTINCT); its column list names
      // the columns an expression or a join leaves without a name of their own.
      if (!QSelect()->Prepared()) QSelect()->Prepare();
      String columns;
      for (int32_t i = 0; i < QSelect()->GetFieldCount(); ++i) columns += (i ? ", C" : "C") + IntToStr(i + 1);
      text = "Select Count(*) from (" + String(CRLF) + select + CRLF + ") COUNTED (" + columns + ")";
    } else {
      text = MakeRecordCountSQL(select);
    }
    // Before version 2 a UNION, a grouped or DISTINCT select and a cut one (FIRST, SKIP, ROWS) have no
    // right count without a derived table.
    if (text.empty())
      throw EFIBError(0, FullComponentName(this) + " unable to get number of records\r\n" +
                             "a UNION, grouped, DISTINCT or FIRST/SKIP/ROWS select cannot be counted on this server");
  }
  if (FCountQuery->SQL()->Text() != text) FCountQuery->SQL()->SetText(text);
  FCountQuery->SetDatabase(QSelect()->Database());
  FCountQuery->SetTransaction(tr);
  try {
    if (!FCountQuery->Prepared()) FCountQuery->Prepare();
    for (int32_t i = 0; i < FCountQuery->ParamCount(); ++i) {
      int32_t param;
      if (QSelect()->ParamExist(FCountQuery->ParamName(i), param))
        FCountQuery->SetParamValue(i, QSelect()->ParamValue(param));
    }
    FCountQuery->ExecQuery();
    TFIBXSQLDA* row = FCountQuery->FetchNext();
    const int32_t count = row ? row->GetVar(0)->GetAsInteger() : 0;
    FCountQuery->CloseCursor();
    return count;
  } catch (const Exception& e) {
    if (FCountQuery->Open()) FCountQuery->CloseCursor();
    throw EFIBError(0, FullComponentName(this) + " unable to get number of records\r\n" + e.Message());
  }
}

void TpZAZDataSet::DoAskRecordCount() {
  FDeletedSinceCount = 0;
  FServerRecordCount = PrepareOptions().Contains(psAskRecordCount) ? AskServerRecordCount() : 0;
}

int32_t TpZAZDataSet::GetRecordCount() const {
  return std::max(TFIBDataSet::GetRecordCount(), FServerRecordCount - FDeletedSinceCount);
}

// --- container, errors and user events --------------------------------------------------------------------------

void TpZAZDataSet::ReportEvent(TKindDataSetEvent event) {
  if (Container()) Container()->DataSetEvent(this, event);
}

void TpZAZDataSet::DoOnPostError(EDatabaseError& error, TDataAction& action) {
  if (Container()) Container()->DataSetError(this, deOnPostError, &error, action);
  TFIBDataSet::DoOnPostError(error, action);
}

void TpZAZDataSet::DoOnDeleteError(EDatabaseError& error, TDataAction& action) {
  if (Container()) Container()->DataSetError(this, deOnDeleteError, &error, action);
  TFIBDataSet::DoOnDeleteError(error, action);
}

void TpZAZDataSet::SetReceiveEvents(TStrings* value) { FReceiveEvents->Assign(value); }

bool TpZAZDataSet::AcceptsUserEvent(const String& eventName) const {
  if (FReceiveEvents->Count() == 0) return true;
  const String name = AnsiUpperCase(eventName);
  for (int32_t i = 0; i < FReceiveEvents->Count(); ++i)
    if (MaskMatch(name, AnsiUpperCase(Trim(FReceiveEvents->Strings(i))), '*', '?')) return true;
  return false;
}

void TpZAZDataSet::ReceiveUserEvent(TObject* sender, const String& eventName, Variant& info) {
  const String name = AnsiUpperCase(eventName);
  if (name == "CLOSE") Close();
  else if (name == "OPEN") Open();
  else if (Container()) Container()->UserEvent(sender, this, eventName, info);
  if (OnUserEvent.Assigned()) OnUserEvent(sender, this, eventName, info);
}

void TpZAZDataSet::DoBeforeOpen() { ReportEvent(deBeforeOpen); TFIBDataSet::DoBeforeOpen(); }
void TpZAZDataSet::DoAfterOpen() { ReportEvent(deAfterOpen); TFIBDataSet::DoAfterOpen(); }
void TpZAZDataSet::DoBeforeClose() { ReportEvent(deBeforeClose); TFIBDataSet::DoBeforeClose(); }
void TpZAZDataSet::DoAfterClose() { ReportEvent(deAfterClose); TFIBDataSet::DoAfterClose(); }
void TpZAZDataSet::DoBeforeInsert() { ReportEvent(deBeforeInsert); TFIBDataSet::DoBeforeInsert(); }
void TpZAZDataSet::DoAfterInsert() { ReportEvent(deAfterInsert); TFIBDataSet::DoAfterInsert(); }
void TpZAZDataSet::DoBeforeEdit() {
  ReportEvent(deBeforeEdit);
  TFIBDataSet::DoBeforeEdit();
  // Protected edit: the row is held on the server before anyone can type into it.
  if (Options().Contains(poProtectedEdit) && CachedStatus() == cusUnmodified) LockRecord(true);
}
void TpZAZDataSet::DoAfterEdit() { ReportEvent(deAfterEdit); TFIBDataSet::DoAfterEdit(); }
void TpZAZDataSet::DoBeforePost() { ReportEvent(deBeforePost); TFIBDataSet::DoBeforePost(); }
void TpZAZDataSet::DoAfterPost() { ReportEvent(deAfterPost); TFIBDataSet::DoAfterPost(); }
void TpZAZDataSet::DoBeforeCancel() { ReportEvent(deBeforeCancel); TFIBDataSet::DoBeforeCancel(); }
void TpZAZDataSet::DoAfterCancel() { ReportEvent(deAfterCancel); TFIBDataSet::DoAfterCancel(); }
void TpZAZDataSet::DoBeforeDelete() { ReportEvent(deBeforeDelete); TFIBDataSet::DoBeforeDelete(); }
void TpZAZDataSet::DoAfterDelete() { ReportEvent(deAfterDelete); TFIBDataSet::DoAfterDelete(); }
void TpZAZDataSet::DoBeforeScroll() { ReportEvent(deBeforeScroll); TFIBDataSet::DoBeforeScroll(); }
void TpZAZDataSet::DoAfterScroll() { ReportEvent(deAfterScroll); TFIBDataSet::DoAfterScroll(); }
void TpZAZDataSet::DoBeforeRefresh() { ReportEvent(deBeforeRefresh); TFIBDataSet::DoBeforeRefresh(); }
void TpZAZDataSet::DoAfterRefresh() { ReportEvent(deAfterRefresh); TFIBDataSet::DoAfterRefresh(); }
void TpZAZDataSet::DoOnCalcFields() { ReportEvent(deOnCalcFields); TFIBDataSet::DoOnCalcFields(); }
