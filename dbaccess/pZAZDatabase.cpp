#include "dbaccess/pZAZDatabase.h"

#include <ibase.h>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/FIBMiscellaneous.h"
#include "dbaccess/RegUtils.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/ClassRegistry.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

const char* const AliasValueNames[] = {"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT"};
const int32_t AliasDpbCodes[] = {isc_dpb_user_name, isc_dpb_lc_ctype, isc_dpb_sql_role_name};

std::vector<String> AliasPath(const String& alias) { return {"Software", "Quendrake", "Aliases", alias}; }

bool IsLoading(const TComponent* c) { return c->ComponentState().Contains(csLoading); }
bool IsDesigning(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }

}  // namespace

TpZAZDatabase::TpZAZDatabase(TComponent* AOwner) : TFIBDatabase(AOwner) {}

void TpZAZDatabase::SetAliasName(const String& value) {
  if (!IsLoading(this) && Connected()) RaiseClientError(13, {FullComponentName(this)});
  FAliasName = value;
  if (!value.empty()) ReadAliasParams();
}

void TpZAZDatabase::Open() {
  if (Connected()) return;
  bool doConnect = true;
  if (BeforeConnect.Assigned()) BeforeConnect(this, DBParams(), doConnect);
  if (!doConnect) return;
  TFIBDatabase::Open();
  if (FSaveAliasParamsAfterConnect && !FAliasName.empty()) SaveAliasParams();
}

bool TpZAZDatabase::ReadAliasParams() {
  const std::vector<String> names(std::begin(AliasValueNames), std::end(AliasValueNames));
  const Variant values = ReadRegValuesHKCU(AliasPath(FAliasName), names);
  if (VarArrayDimCount(values) != 2) return false;
  auto found = [&](int32_t i) {
    const Variant f = VarArrayGet(values, {1, i});
    return VarType(f) == varBoolean && f.AsBoolean();
  };
  auto value = [&](int32_t i) { return VarArrayGet(values, {0, i}).AsString(); };
  bool result = found(0);
  if (result) SetDBName(value(0));
  for (int32_t i = 1; i <= 3; ++i)
    if (found(i)) SetDBParamByDPB(AliasDpbCodes[i - 1], value(i));
  if (found(4)) SetSQLDialect(StrToInt(value(4)));
  return result;
}

void TpZAZDatabase::SaveAliasParams() {
  const std::vector<String> names(std::begin(AliasValueNames), std::end(AliasValueNames));
  WriteRegValuesHKCU(AliasPath(FAliasName), names,
                     {Variant(DBName()), Variant(DBParamByDPB(isc_dpb_user_name)),
                      Variant(DBParamByDPB(isc_dpb_lc_ctype)), Variant(DBParamByDPB(isc_dpb_sql_role_name)),
                      Variant(IntToStr(SQLDialect()))});
}

TpZAZTransaction::TpZAZTransaction(TComponent* AOwner) : TFIBTransaction(AOwner) {}

void TpZAZTransaction::SetUserKindTransaction(const String& value) {
  FUserKindTransaction = value;
  if (!IsDesigning(this) || IsLoading(this) || value == "NoUserKind") return;
  const String kind = FindRegKeyByValue(TransactionKindsKey, "Name", value);
  if (kind.empty()) return;
  const Variant params = ReadRegValuesHKCU({"Software", "Quendrake", "Transation Kinds", kind}, {"Params"});
  if (VarArrayDimCount(params) != 2) return;
  const Variant present = VarArrayGet(params, {1, 0});
  if (VarType(present) != varBoolean || !present.AsBoolean()) return;
  FTPBMode = tpbDefault;
  TRParams()->SetText(VarArrayGet(params, {0, 0}).AsString());
}

void TpZAZTransaction::StartTransaction() {
  if (InTransaction()) return;
  if (FTPBMode == tpbReadCommitted || FTPBMode == tpbRepeatableRead) {
    TStringList* lines = New<TStringList>();
    lines->Add("write");
    lines->Add("isc_tpb_nowait");
    lines->Add("rec_version");
    if (FTPBMode == tpbReadCommitted) lines->Add("read_committed");
    SetTRParams(lines);
    lines->Free();
  }
  auto* db = dynamic_cast<TpZAZDatabase*>(DefaultDatabase());
  if (db && db->BeforeStartTransaction.Assigned()) db->BeforeStartTransaction(this);
  if (BeforeStart.Assigned()) BeforeStart(this);
  TFIBTransaction::StartTransaction();
  if (AfterStart.Assigned()) AfterStart(this);
  if (db && db->AfterStartTransaction.Assigned()) db->AfterStartTransaction(this);
}

void TpZAZTransaction::EndTransaction(TTransactionAction Action, bool Force) {
  auto* db = dynamic_cast<TpZAZDatabase*>(DefaultDatabase());
  if (db && db->BeforeEndTransaction.Assigned()) db->BeforeEndTransaction(this, Action, Force);
  if (BeforeEnd.Assigned()) BeforeEnd(this, Action, Force);
  TFIBTransaction::EndTransaction(Action, Force);
  if (AfterEnd.Assigned()) AfterEnd(this, Action, Force);
  if (db && db->AfterEndTransaction.Assigned()) db->AfterEndTransaction(this, Action, Force);
}

void TpZAZTransaction::NotifySQLExecute(TFIBQuery* statement, int32_t kind) {
  TFIBTransaction::NotifySQLExecute(statement, kind);
  if (kind == 0 && BeforeSQLExecute.Assigned()) BeforeSQLExecute(statement, statement->SQLType());
  if (kind == 1 && AfterSQLExecute.Assigned()) AfterSQLExecute(statement, statement->SQLType());
}

RTL_PUBLISHED(TpZAZDatabase) {
  using T = TpZAZDatabase;
  prop("AliasName", &T::AliasName, &T::SetAliasName);
  prop("SaveAliasParamsAfterConnect", &T::SaveAliasParamsAfterConnect, &T::SetSaveAliasParamsAfterConnect)
      .Default(true);
  event("BeforeConnect", &T::BeforeConnect, &T::BeforeConnect);
  event("BeforeStartTransaction", &T::BeforeStartTransaction, &T::BeforeStartTransaction);
  event("AfterStartTransaction", &T::AfterStartTransaction, &T::AfterStartTransaction);
  event("BeforeEndTransaction", &T::BeforeEndTransaction, &T::BeforeEndTransaction);
  event("AfterEndTransaction", &T::AfterEndTransaction, &T::AfterEndTransaction);
}

RTL_PUBLISHED(TpZAZTransaction) {
  using T = TpZAZTransaction;
  prop("TPBMode", &T::TPBMode, &T::SetTPBMode);
  prop("UserKindTransaction", &T::UserKindTransaction, &T::SetUserKindTransaction);
  event("BeforeStart", &T::BeforeStart, &T::BeforeStart);
  event("AfterStart", &T::AfterStart, &T::AfterStart);
  event("BeforeEnd", &T::BeforeEnd, &T::BeforeEnd);
  event("AfterEnd", &T::AfterEnd, &T::AfterEnd);
}

namespace {
// Form resources find the components by class name.
const bool kRegistered = [] {
  RegisterClasses({TpZAZDatabase::StaticClass(), TpZAZTransaction::StaticClass()});
  return true;
}();
}  // namespace
