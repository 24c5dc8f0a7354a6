// What a SQL dataset knows of its fields beyond their values: the select column, relation and alias each
// comes from, the origin text, the key of a table as field names; the statement texts as one object, the
// select's conditions, and the field-change and controls notifications.
#include <cstring>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {

bool IsCalculated(const TField* f) { return f->FieldKind() == fkCalculated || f->FieldKind() == fkInternalCalc; }

// Quotes around a name go; without them the name is taken as the server stores it (upper case) where the
// connection's rules say unquoted names are folded.
String NormalizedName(const String& name, bool fold) {
  const String trimmed = Trim(name);
  if (trimmed.size() > 1 && trimmed.front() == '"' && trimmed.back() == '"') return UnquoteIdentifier(trimmed);
  return fold ? AsciiUpperCase(trimmed) : trimmed;
}

}  // namespace

TField* TFIBCustomDataSet::FieldByNameCached(const String& name) {
  TField* f = FindFieldCached(name);
  if (!f) DatabaseErrorFmt("Field '%s' not found", {name}, this);
  return f;
}

TSQLs* TFIBCustomDataSet::SQLs() {
  if (!FSQLs) FSQLs = New<TSQLs>(this);
  return FSQLs;
}

void TFIBCustomDataSet::SetSQLs(TSQLs* value) {
  if (!value || value == FSQLs) return;
  SelectSQL()->Assign(value->SelectSQL());
  InsertSQL()->Assign(value->InsertSQL());
  UpdateSQL()->Assign(value->UpdateSQL());
  DeleteSQL()->Assign(value->DeleteSQL());
  RefreshSQL()->Assign(value->RefreshSQL());
}

TConditions* TFIBCustomDataSet::Conditions() const { return FSelect->Conditions(); }

void TFIBCustomDataSet::SetConditions(TConditions* value) { FSelect->SetConditions(value); }

// --- columns of fields ------------------------------------------------------------------------------------

TFIBXSQLVAR* TFIBCustomDataSet::FieldColumn(TField* field) {
  if (!field || field->FieldKind() != fkData) return nullptr;
  if (!FSelect->Prepared() || FieldDefs()->Count() == 0) {
    // Without a connection there is no description to ask for (a lookup dataset not opened yet).
    if (StringsAreBlank(SelectSQL()) || !FDatabase || !FDatabase->Connected()) return nullptr;
    Prepare();
  }
  if (!Active() && field->FieldNo() <= 0) BindFields(true);
  const int32_t column = field->FieldNo() - 1;
  if (column >= 0 && column < FSelect->GetFieldCount()) return FSelect->Fields(column);
  return FSelect->FindField(field->FieldName());
}

fbapi::XSQLVAR TFIBCustomDataSet::GetFieldSQLVar(TField* field) {
  fbapi::XSQLVAR copy;
  std::memset(&copy, 0, sizeof copy);
  copy.sqltype = -1;
  if (TFIBXSQLVAR* v = FieldColumn(field)) copy = *v->GetXSQLVAR();
  return copy;
}

int32_t TFIBCustomDataSet::GetFieldScale(TField* field) {
  TFIBXSQLVAR* v = FieldColumn(field);
  return v ? v->GetSQLScale() : 100;
}

String TFIBCustomDataSet::GetFieldTableName(TField* field) {
  if (!field) return String();
  if (IsCalculated(field)) return "CALCULATED";
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    if (!lookup) return String();
    return lookup->GetFieldTableName(lookup->FindField(field->LookupResultField()));
  }
  TFIBXSQLVAR* v = FieldColumn(field);
  return v ? v->GetRelationName() : String();
}

String TFIBCustomDataSet::GetFieldTableName(TFieldDef* def) {
  if (!def) return String();
  if (!FSelect->Prepared()) Prepare();
  const int32_t column = def->FieldNo() - 1;
  return column >= 0 && column < FSelect->GetFieldCount() ? FSelect->Fields(column)->GetRelationName() : String();
}

namespace {
String ServerColumnName(const String& name) { return name == "DB_KEY" ? String("RDB$DB_KEY") : name; }
}  // namespace

String TFIBCustomDataSet::GetFieldColumnName(TField* field) {
  if (!field) return String();
  if (IsCalculated(field)) return field->FieldName();
  if (field->FieldKind() == fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    if (!lookup) return String();
    return lookup->GetFieldColumnName(lookup->FindField(field->LookupResultField()));
  }
  TFIBXSQLVAR* v = FieldColumn(field);
  return v ? ServerColumnName(v->GetSQLName()) : String();
}

String TFIBCustomDataSet::GetFieldColumnName(TFieldDef* def) {
  if (!def) return String();
  if (!FSelect->Prepared()) Prepare();
  const int32_t column = def->FieldNo() - 1;
  return column >= 0 && column < FSelect->GetFieldCount() ? ServerColumnName(FSelect->Fields(column)->GetSQLName())
                                                          : String();
}

bool TFIBCustomDataSet::IsDBKeyField(TField* field) {
  TFIBXSQLVAR* v = FieldColumn(field);
  return v && v->GetSQLName() == "DB_KEY";
}

bool TFIBCustomDataSet::IsDBKeyField(TFieldDef* def) {
  if (!def) return false;
  if (!FSelect->Prepared()) Prepare();
  const int32_t column = def->FieldNo() - 1;
  return column >= 0 && column < FSelect->GetFieldCount() && FSelect->Fields(column)->GetSQLName() == "DB_KEY";
}

String TFIBCustomDataSet::GetFieldOrigin(TField* field) {
  if (!field) return String();
  String table, column;
  switch (FFieldOriginRule) {
    case forNoRule: return String();
    case forTableAndFieldName:
      table = GetFieldTableName(field);
      column = GetFieldColumnName(field);
      break;
    case forClientFieldName: column = field->FieldName(); break;
    case forTableAliasAndFieldName:
      table = IsCalculated(field) || field->FieldKind() == fkLookup ? GetFieldTableName(field)
                                                                    : FieldTableAlias(field->FieldName());
      column = GetFieldColumnName(field);
      break;
  }
  return table.empty() ? column : table + "." + column;
}

void TFIBCustomDataSet::FillFieldInfoAfterOpen() {
  if (FPrepareOptions.Contains(psSupportUnicodeBlobs) && FDatabase) {
    for (int32_t i = 0; i < FieldCount(); ++i) {
      auto* memo = dynamic_cast<TFIBMemoField*>(Fields()->Fields(i));
      TFIBXSQLVAR* v = memo ? FieldColumn(memo) : nullptr;
      if (!v || v->GetRelationName().empty()) continue;
      if (TpZAZFieldInfo* info = ListTableInfo()->GetFieldInfo(FDatabase, v->GetRelationName(), false, v->GetSQLName()))
        memo->SetCharacterSet(info->CharSetID);
    }
  }
  if (ComponentState().Contains(csDesigning) || FFieldOriginRule == forNoRule) return;
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    f->SetOrigin(GetFieldOrigin(f));
  }
}

bool TFIBCustomDataSet::IsGuidColumn(TFIBXSQLVAR* column) {
  if (!FDatabase || !column || column->GetRelationName().empty()) return false;
  TpZAZFieldInfo* info = ListTableInfo()->GetFieldInfo(FDatabase, column->GetRelationName(), false, column->GetSQLName());
  return info && info->IsGuid();
}

String TFIBCustomDataSet::FieldTableAlias(const String& fieldName) {
  if (!FSelect->Prepared()) {
    if (StringsAreBlank(SelectSQL())) return String();
    Prepare();
  }
  return FSelect->FieldRelationAlias(fieldName);
}

// --- fields by metadata -----------------------------------------------------------------------------------

TField* TFIBCustomDataSet::FindFieldByRelation(const String& table, const String& column) {
  // Dialect 3 keeps names as written unless the connection folds old unquoted names.
  const bool fold = FDatabase && !(FDatabase->SQLDialect() == 3 && !FDatabase->UpperOldNames());
  const String t = NormalizedName(table, fold);
  const String c = NormalizedName(column, fold);
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (GetFieldTableName(f) == t && GetFieldColumnName(f) == c) return f;
  }
  return nullptr;
}

TField* TFIBCustomDataSet::FindFieldByOrigin(const String& origin) {
  const size_t dot = origin.find('.');
  if (dot == String::npos) return nullptr;
  return FindFieldByRelation(origin.substr(0, dot), origin.substr(dot + 1));
}

TField* TFIBCustomDataSet::FindFieldByColumnName(const String& name) {
  for (int32_t i = 0; i < FieldCount(); ++i) {
    TField* f = Fields()->Fields(i);
    if (IdentifiersEqual(GetFieldColumnName(f), name)) return f;
  }
  return nullptr;
}

String TFIBCustomDataSet::GetPrimaryKeyFieldNames(const String& table) {
  if (!FDatabase || table.empty()) return String();
  TpZAZTableInfo* info = ListTableInfo()->GetTableInfo(FDatabase, UnquoteIdentifier(table), false);
  if (!info) return String();
  const String keys = info->GetPrimaryKeyFields(FDatabase);
  if (keys.empty()) return String();
  String names;
  size_t from = 0;
  while (from <= keys.size()) {
    const size_t to = keys.find(';', from);
    const String column = Trim(keys.substr(from, to == String::npos ? String::npos : to - from));
    from = to == String::npos ? keys.size() + 1 : to + 1;
    if (column.empty()) continue;
    String name;
    if (FieldCount() > 0) {
      if (TField* f = FindFieldByRelation(table, column)) name = f->FieldName();
    } else {
      if (!FSelect->Prepared()) Prepare();
      const String t = UnquoteIdentifier(table);
      for (int32_t i = 0; i < FSelect->GetFieldCount() && name.empty(); ++i) {
        TFIBXSQLVAR* v = FSelect->Fields(i);
        if (v->GetRelationName() == t && v->GetSQLName() == column) name = v->Name();
      }
    }
    if (name.empty()) return String();
    if (!names.empty()) names += ';';
    names += name;
  }
  return names;
}

String TFIBCustomDataSet::ExpandedSelectText() {
  // Macro values change without a change of the text, so the text is expanded on every request.
  String text = SelectSQL()->Text();
  TFIBXSQLDA* params = FSelect->Params();
  int32_t delta = 0;
  for (int32_t k = 0; params && k < params->Count(); ++k) {
    TFIBXSQLVAR* v = params->GetVar(k);
    if (!v->IsMacro) continue;
    const int32_t start = v->TextStart + delta;
    const int32_t end = v->TextEnd + delta;
    if (start < 1 || end < start || end > static_cast<int32_t>(text.size()) ||
        text[static_cast<size_t>(start - 1)] != FSelect->MacroChar())
      continue;
    String value = v->GetAsString();
    if (v->MacroQuoted) {
      String quoted = "'";
      for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
      }
      value = quoted + "'";
    }
    text.replace(static_cast<size_t>(start - 1), static_cast<size_t>(end - start + 1), value);
    delta += static_cast<int32_t>(value.size()) - (end - start + 1);
  }
  return text;
}

// --- notifications ------------------------------------------------------------------------------------------

void TFIBCustomDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deFieldChange && OnFieldChange.Assigned()) OnFieldChange(reinterpret_cast<TField*>(info));
  TDataSet::DataEvent(event, info);
  // The disabling event comes before the counter rises, the enabling one after it fell back to 0.
  const bool disabled = event == deDisabledStateChange ? info != 0 : ControlsDisabled();
  if (disabled == FControlsReportedDisabled) return;
  FControlsReportedDisabled = disabled;
  if (disabled) {
    if (OnDisableControls.Assigned()) OnDisableControls(this);
  } else if (OnEnableControls.Assigned()) {
    OnEnableControls(this);
  }
}

// --- blob swap keys ---------------------------------------------------------------------------------------

bool TFIBCustomDataSet::GetBlobSwapKeys(TField* field, String& tableName, std::vector<Variant>& keyValues,
                                        String& columnName) {
  tableName = GetFieldTableName(field);
  columnName = GetFieldColumnName(field);
  keyValues.clear();
  const String keys = GetPrimaryKeyFieldNames(tableName);
  if (keys.empty()) return false;
  size_t from = 0;
  while (from <= keys.size()) {
    const size_t to = keys.find(';', from);
    const String name = Trim(keys.substr(from, to == String::npos ? String::npos : to - from));
    from = to == String::npos ? keys.size() + 1 : to + 1;
    if (name.empty()) continue;
    TField* key = FindFieldByRelation(tableName, name);
    if (!key) return false;
    keyValues.push_back(key->Value());
  }
  return !keyValues.empty();
}
