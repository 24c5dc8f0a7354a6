#include "dbaccess/pZAZDataInfo.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/detail/CacheFileIO.h"
#include "dbaccess/FIBXSQLDA.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/SyncObjs.h"
#include "rtl/SysUtils.h"

namespace {

const char* const DeferredKey = "@ZAZ_DEFERRED";
const char* const CacheMagic = "ZAZ$MCF";
constexpr int32_t CacheFormatVersion = 5;

const char* const FormatNumberSQL =
    "select a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1\r\n"
    "where a1.RDB$SYSTEM_FLAG = 0  and a1.rdb$relation_name=?TN\r\n"
    "and not  a1.rdb$view_blr is null\r\n"
    "union\r\n"
    "select RDB$FORMAT from RDB$RELATIONS R\r\n"
    "where R.RDB$SYSTEM_FLAG = 0    and R.rdb$relation_name=?TN\r\n"
    "and  R.rdb$view_blr is null";

const char* const ColumnsSQL =
    "Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
    "R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
    "F.RDB$FIELD_TYPE, \r\n"
    "F.RDB$CHARACTER_SET_ID \r\n"
    "from  RDB$RELATION_FIELDS R \r\n"
    "JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
    "where  R.RDB$RELATION_NAME=:TN \r\n"
    "order by R.RDB$FIELD_POSITION";

const char* const ProcedureOutputsSQL =
    "Select P.RDB$PARAMETER_NAME,0,0,0,0,\r\n"
    "P.RDB$PARAMETER_TYPE,\r\n"
    "F.RDB$CHARACTER_SET_ID\r\n"
    "from RDB$PROCEDURE_PARAMETERS P\r\n"
    "JOIN RDB$FIELDS F ON (P.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME)WHERE P.RDB$PROCEDURE_NAME=:PN\r\n"
    "AND P.RDB$PARAMETER_TYPE=1";

const char* const PrimaryKeySQL =
    "select i.rdb$field_name\r\n"
    "from    rdb$relation_constraints r, rdb$index_segments i\r\n"
    "where   r.rdb$relation_name=:TN and\r\n"
    "r.rdb$constraint_type='PRIMARY KEY' and\r\n"
    "r.rdb$index_name=i.rdb$index_name\r\n"
    "order by i.rdb$field_position";

// The name as the server stores it: a quoted identifier loses its quotes (a doubled quote inside stays
// one quote, which the name holds); any other name is only trimmed.
String CleanName(const String& name) { return Trim(UnquoteIdentifier(Trim(name))); }

// A statement on the connection, its one parameter set, executed; names go in as parameters, never as text.
struct Statement {
  Statement(TFIBDatabase* db, TFIBTransaction* tr, const String& sql, const String& param, const String& value) {
    Q = New<TFIBQuery>(nullptr);
    Q->SetDatabase(db);
    Q->SetTransaction(tr);
    Q->SetGoToFirstRecordOnExecute(false);
    Q->SQL()->SetText(sql);
    Q->Prepare();
    Q->ParamByName(param)->SetAsString(value);
    Q->ExecQuery();
  }
  ~Statement() { Q->Free(); }
  TFIBXSQLDA* Next() { return Q->FetchNext(); }
  TFIBQuery* Q;
};

// Starts the transaction for the duration of a read and commits it afterwards when it started it here.
struct ReadScope {
  explicit ReadScope(TFIBTransaction* tr) : Tr(tr), Started(!tr->InTransaction()) {
    if (Started) Tr->StartTransaction();
  }
  ~ReadScope() {
    try {
      if (Started && Tr->InTransaction()) Tr->Commit();
    } catch (...) {
    }
  }
  TFIBTransaction* Tr;
  bool Started;
};

using namespace cachefile;

bool ContainsUpper(const String& text, const char* word) {
  String up = text;
  for (char& c : up) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return up.find(word) != String::npos;
}

// Write lock held for a scope; the lock is re-entrant for the thread that holds it.
struct WriteLock {
  explicit WriteLock(TMultiReadExclusiveWriteSynchronizer* l) : L(l) { L->BeginWrite(); }
  ~WriteLock() { L->EndWrite(); }
  TMultiReadExclusiveWriteSynchronizer* L;
};

const char* const RepositoryVersionSQL = "Select Max(zaz$version) From ZAZ$FIELDS_INFO Where table_name=?TN";
// The table name goes in as a parameter: names may hold quotes.
const char* const RepositoryRowsSQL = "Select * from ZAZ$FIELDS_INFO where TABLE_NAME=?TN ORDER BY FIELD_NAME";

const char* const UpgradeFieldsInfoSQL[] = {
    "CREATE GENERATOR ZAZ$FIELD_INFO_VERSION",
    "ALTER TABLE ZAZ$FIELDS_INFO ADD DISPLAY_WIDTH INTEGER DEFAULT 0",
    "ALTER TABLE ZAZ$FIELDS_INFO ADD ZAZ$VERSION INTEGER",
    "CREATE TRIGGER ZAZ$FIELDS_INFO_BI FOR ZAZ$FIELDS_INFO ACTIVE BEFORE INSERT POSITION 0 as \r\n"
    "begin \r\nnew.zaz$version=gen_id(zaz$field_info_version,1);\r\nend",
    "CREATE TRIGGER ZAZ$FIELDS_INFO_BU FOR ZAZ$FIELDS_INFO ACTIVE BEFORE UPDATE POSITION 0 as \r\n"
    "begin \r\nnew.zaz$version=gen_id(zaz$field_info_version,1);\r\nend",
};

// One ZAZ$FIELDS_INFO row: its columns by name, values as text (null as empty).
struct RepositoryRow {
  String FieldName;
  std::vector<std::pair<String, String>> Values;
};

// Brings an older ZAZ$FIELDS_INFO up to the columns and triggers the cache relies on.
void UpgradeFieldsInfo(TFIBDatabase* database, TFIBTransaction* tr) {
  try {
    if (!tr->InTransaction()) tr->StartTransaction();
  } catch (const Exception&) {
    return;
  }
  for (const char* sql : UpgradeFieldsInfoSQL) {
    try {
      TFIBQuery* q = New<TFIBQuery>(nullptr);
      try {
        q->SetDatabase(database);
        q->SetTransaction(tr);
        q->SQL()->SetText(sql);
        q->ExecQuery();
      } catch (...) {
        q->Free();
        throw;
      }
      q->Free();
    } catch (const Exception&) {
    }
  }
  try {
    tr->CommitRetaining();
  } catch (const Exception&) {
  }
}

void MergeRow(TpZAZFieldInfo* f, const RepositoryRow& row) {
  f->WithAdditionalInfo = true;
  f->OtherInfo.clear();
  for (const auto& [name, value] : row.Values) {
    if (name == "TABLE_NAME" || name == "FIELD_NAME" || name == "ZAZ$VERSION") continue;
    if (name == "DISPLAY_LABEL") f->DisplayLabel = value;
    else if (name == "DISPLAY_FORMAT") f->DisplayFormat = value;
    else if (name == "EDIT_FORMAT") f->EditFormat = value;
    else if (name == "DISPLAY_WIDTH") f->DisplayWidth = StrToIntDef(Trim(value), 0);
    else if (name == "TRIGGERED") f->IsTriggered = Trim(value) == "1";
    else if (name == "VISIBLE") f->Visible = Trim(value) == "1";
    else f->OtherInfo.push_back(name + "=" + value);
  }
}

}  // namespace

bool TpZAZFieldInfo::IsBoolean() {
  if (FCanBeBoolean < 0) FCanBeBoolean = ContainsUpper(DomainName, "BOOLEAN") ? 1 : 0;
  return FCanBeBoolean == 1;
}

bool TpZAZFieldInfo::IsGuid() {
  if (FCanBeGuid < 0) FCanBeGuid = ContainsUpper(DomainName, "GUID") ? 1 : 0;
  return FCanBeGuid == 1;
}

TpZAZTableInfo::~TpZAZTableInfo() { ClearFields(); }

void TpZAZTableInfo::ClearFields() {
  for (auto& f : FFields) f.second->Free();
  FFields.clear();
}

TpZAZFieldInfo* TpZAZTableInfo::FindFieldInfo(const String& name) const {
  const String key = CleanName(name);
  for (const auto& f : FFields)
    if (f.first == key) return f.second;
  return nullptr;
}

String TpZAZTableInfo::GetPrimaryKeyFields(TFIBDatabase* database) {
  if (FPrimaryKeyFields != DeferredKey || !database || !database->Connected()) return FPrimaryKeyFields;
  TFIBTransaction* tr = database->ActiveTransactionCount() == 0 ? FOwner->BindTransaction(database)
                                                                 : database->FirstActiveTransaction();
  ReadScope scope(tr);
  Statement q(database, tr, PrimaryKeySQL, "TN", FTableName);
  String keys;
  while (TFIBXSQLDA* row = q.Next()) keys += (keys.empty() ? "" : ";") + Trim(row->GetVar(0)->GetAsString());
  FPrimaryKeyFields = keys;
  return FPrimaryKeyFields;
}

TpZAZTableInfoCollect::TpZAZTableInfoCollect(TComponent* AOwner)
    : TComponent(AOwner), FLock(New<TMultiReadExclusiveWriteSynchronizer>()) {}

TpZAZTableInfoCollect::~TpZAZTableInfoCollect() {
  {
    WriteLock lock(FLock);
    for (TpZAZTableInfo* t : FTables) t->Free();
    FTables.clear();
    FreeAndNil(FTransaction);
  }
  FreeAndNil(FLock);
}

TFIBTransaction* TpZAZTableInfoCollect::BindTransaction(TFIBDatabase* database) {
  if (!FTransaction) {
    FTransaction = New<TpZAZTransaction>(nullptr);
    FTransaction->SetTPBMode(tpbDefault);
    FTransaction->TRParams()->Add("read");
    FTransaction->TRParams()->Add("read_committed");
  }
  if (FTransaction->DefaultDatabase() != database) {
    if (FTransaction->InTransaction()) FTransaction->Commit();
    FTransaction->SetDefaultDatabase(database);
    database->FreeNotification(this);
  }
  return FTransaction;
}

void TpZAZTableInfoCollect::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  auto* database = dynamic_cast<TFIBDatabase*>(component);
  if (operation != opRemove || !database) return;
  RemoveDatabase(database);
  if (FTransaction && FTransaction->DefaultDatabase() == database) {
    try {
      if (FTransaction->InTransaction()) FTransaction->Commit();
    } catch (...) {
    }
    FTransaction->SetDefaultDatabase(nullptr);
  }
}

int32_t TpZAZTableInfoCollect::QueryFormatNumber(TFIBDatabase* database, TFIBTransaction* tr, const String& table) {
  Statement q(database, tr, FormatNumberSQL, "TN", table);
  TFIBXSQLDA* row = q.Next();
  return row ? row->GetVar(0)->GetAsInteger() : 0;
}

void TpZAZTableInfoCollect::ReadRepositoryInfo(TpZAZTableInfo* info, TFIBDatabase* database, TFIBTransaction* tr) {
  std::vector<RepositoryRow> rows;
  try {
    if (!FieldsInfoExists(database)) return;
    try {
      Statement v(database, tr, RepositoryVersionSQL, "TN", info->FTableName);
      TFIBXSQLDA* row = v.Next();
      info->FRepositoryVersion = row ? row->GetVar(0)->GetAsInteger() : 0;
    } catch (const Exception&) {
      UpgradeFieldsInfo(database, tr);
      info->FRepositoryVersion = 0;
    }
    Statement q(database, tr, RepositoryRowsSQL, "TN", info->FTableName);
    while (TFIBXSQLDA* row = q.Next()) {
      RepositoryRow r;
      for (int32_t i = 0; i < q.Q->GetFieldCount(); ++i) {
        TFIBXSQLVAR* var = row->GetVar(i);
        const String name = q.Q->FieldName(i);
        const String value = var->GetIsNull() ? String() : var->GetAsString();
        if (name == "FIELD_NAME") r.FieldName = Trim(value);
        r.Values.emplace_back(name, value);
      }
      rows.push_back(std::move(r));
    }
  } catch (const Exception&) {
    return;  // no repository facts for this entry
  }
  if (info->FTableName == "ALIAS") {
    info->ClearFields();
    for (const RepositoryRow& r : rows) {
      auto* f = New<TpZAZFieldInfo>();
      MergeRow(f, r);
      info->FFields.emplace_back(r.FieldName, f);
    }
    return;
  }
  for (auto& [name, f] : info->FFields) {
    const String key = TrimRight(name);
    for (const RepositoryRow& r : rows)
      if (r.FieldName == key) {
        MergeRow(f, r);
        break;
      }
  }
}

void TpZAZTableInfoCollect::LoadFromServer(TpZAZTableInfo* info, TFIBDatabase* database) {
  TFIBTransaction* tr =
      database->ActiveTransactionCount() == 0 ? BindTransaction(database) : database->FirstActiveTransaction();
  ReadScope scope(tr);
  if (info->FTableName == "ALIAS") {
    if (info->FWithRepositoryInfo) ReadRepositoryInfo(info, database, tr);
    return;
  }
  info->FFormatNumber = QueryFormatNumber(database, tr, info->FTableName);
  info->ClearFields();
  auto readColumns = [&](const char* sql, const char* param) {
    Statement q(database, tr, sql, param, info->FTableName);
    while (TFIBXSQLDA* row = q.Next()) {
      auto* f = New<TpZAZFieldInfo>();
      f->DomainName = Trim(row->GetVar(1)->GetAsString());
      f->IsComputed = row->GetVar(2)->GetSQLType() == SQLTypeBlob && !row->GetVar(2)->GetIsNull();
      String def;
      if (row->GetVar(3)->GetSQLType() == SQLTypeBlob) {
        if (!row->GetVar(3)->GetIsNull()) def = Trim(row->GetVar(3)->GetAsString());
        else if (!row->GetVar(4)->GetIsNull()) def = Trim(row->GetVar(4)->GetAsString());
      }
      if (!def.empty()) {
        def = Trim(def.size() > 7 ? def.substr(7) : String());
        const size_t quote = def.find_first_of("'\"");
        if (quote != String::npos) def = RemoveOuterQuotes(Trim(def.substr(quote)));
      }
      f->DefaultValue = def;
      f->DefaultValueEmptyString = def.empty();
      const int32_t type = row->GetVar(5)->GetAsInteger();
      f->CanIncToWhereClause = type != 9 && type != 261;
      f->CharSetID = row->GetVar(6)->GetAsInteger();
      info->FFields.emplace_back(Trim(row->GetVar(0)->GetAsString()), f);
    }
  };
  readColumns(ColumnsSQL, "TN");
  if (info->FFields.empty()) readColumns(ProcedureOutputsSQL, "PN");
  if (info->FWithRepositoryInfo) ReadRepositoryInfo(info, database, tr);
}

bool TpZAZTableInfoCollect::Validate(TpZAZTableInfo* info, TFIBDatabase* database) {
  if (database->DBName() != info->FDBName) return false;
  BindTransaction(database);
  TFIBTransaction* tr =
      database->ActiveTransactionCount() == 0 ? FTransaction : database->FirstActiveTransaction();
  ReadScope scope(tr);
  bool valid = true;
  if (info->FTableName != "ALIAS") valid = QueryFormatNumber(database, tr, info->FTableName) == info->FFormatNumber;
  if (valid && info->FWithRepositoryInfo && FieldsInfoExists(database)) {
    try {
      Statement v(database, tr, RepositoryVersionSQL, "TN", info->FTableName);
      TFIBXSQLDA* row = v.Next();
      valid = (row ? row->GetVar(0)->GetAsInteger() : 0) == info->FRepositoryVersion;
    } catch (const Exception&) {
      // An older repository without versions: bring it up to date and keep the entry, still unchecked.
      UpgradeFieldsInfo(database, tr);
      return true;
    }
  }
  info->FNeedsValidation = !valid;
  return valid;
}

TpZAZTableInfo* TpZAZTableInfoCollect::GetTableInfo(TFIBDatabase* database, const String& tableName,
                                                    bool withRepositoryInfo) {
  const String name = CleanName(tableName);
  BindTransaction(database);
  WriteLock lock(FLock);
  for (;;) {
    auto it = std::lower_bound(FTables.begin(), FTables.end(), name,
                               [](const TpZAZTableInfo* t, const String& n) { return t->FTableName < n; });
    TpZAZTableInfo* found = nullptr;
    for (; it != FTables.end() && (*it)->FTableName == name; ++it)
      if ((*it)->FDBName == database->DBName()) {
        found = *it;
        break;
      }
    if (found && found->FNeedsValidation && FValidateAfterLoad && !Validate(found, database)) {
      RemoveTableLocked(name);
      continue;
    }
    if (found && withRepositoryInfo && !found->FWithRepositoryInfo) {
      TFIBTransaction* tr =
          database->ActiveTransactionCount() == 0 ? FTransaction : database->FirstActiveTransaction();
      ReadScope scope(tr);
      ReadRepositoryInfo(found, database, tr);
      found->FWithRepositoryInfo = true;
    }
    if (found) return found;
    auto* info = New<TpZAZTableInfo>(this);
    info->FTableName = name;
    info->FDBName = database->DBName();
    info->FWithRepositoryInfo = withRepositoryInfo;
    try {
      LoadFromServer(info, database);
    } catch (...) {
      info->Free();
      throw;
    }
    FTables.insert(std::upper_bound(FTables.begin(), FTables.end(), info,
                                    [](const TpZAZTableInfo* a, const TpZAZTableInfo* b) {
                                      return a->FTableName < b->FTableName;
                                    }),
                   info);
    return info;
  }
}

TpZAZFieldInfo* TpZAZTableInfoCollect::GetFieldInfo(TFIBDatabase* database, const String& tableName,
                                                    bool withRepositoryInfo, const String& fieldName) {
  TpZAZTableInfo* t = GetTableInfo(database, tableName, withRepositoryInfo);
  return t ? t->FindFieldInfo(fieldName) : nullptr;
}

void TpZAZTableInfoCollect::Clear() {
  WriteLock lock(FLock);
  for (TpZAZTableInfo* t : FTables) t->Free();
  FTables.clear();
}

void TpZAZTableInfoCollect::RemoveTableLocked(const String& tableName) {
  const String name = CleanName(tableName);
  for (auto it = FTables.begin(); it != FTables.end();) {
    if ((*it)->FTableName == name) {
      (*it)->Free();
      it = FTables.erase(it);
    } else {
      ++it;
    }
  }
}

void TpZAZTableInfoCollect::RemoveTable(const String& tableName) {
  WriteLock lock(FLock);
  RemoveTableLocked(tableName);
}

void TpZAZTableInfoCollect::RemoveDatabase(TFIBDatabase* database) {
  WriteLock lock(FLock);
  for (auto it = FTables.begin(); it != FTables.end();) {
    if ((*it)->FDBName == database->DBName()) {
      (*it)->Free();
      it = FTables.erase(it);
    } else {
      ++it;
    }
  }
}

void TpZAZTableInfoCollect::SaveToStream(TStream* s) {
  WriteStr(s, CacheMagic);
  WriteInt(s, CacheFormatVersion);
  WriteInt(s, static_cast<int32_t>(FTables.size()));
  for (const TpZAZTableInfo* t : FTables) {
    WriteStr(s, t->FTableName);
    WriteStr(s, t->FDBName);
    WriteStr(s, t->FTableName);
    WriteByte(s, t->FWithRepositoryInfo);
    WriteInt(s, t->FFormatNumber);
    WriteInt(s, t->FRepositoryVersion);
    WriteStr(s, t->FPrimaryKeyFields);
    WriteInt(s, static_cast<int32_t>(t->FFields.size()));
    for (const auto& [name, f] : t->FFields) {
      WriteStr(s, name);
      for (bool b : {f->IsComputed, f->CanIncToWhereClause, f->DefaultValueEmptyString, f->WithAdditionalInfo,
                     f->Visible, f->IsTriggered})
        WriteByte(s, b);
      WriteInt(s, f->DisplayWidth);
      WriteInt(s, f->CharSetID);
      for (const String* v : {&f->DefaultValue, &f->DomainName, &f->DisplayLabel, &f->EditFormat, &f->DisplayFormat})
        WriteStr(s, *v);
      String other;
      for (size_t i = 0; i < f->OtherInfo.size(); ++i) other += (i ? "\r\n" : "") + f->OtherInfo[i];
      WriteStr(s, other);
    }
  }
}

void TpZAZTableInfoCollect::LoadFromStream(TStream* s) {
  WriteLock lock(FLock);
  for (TpZAZTableInfo* t : FTables) t->Free();
  FTables.clear();
  try {
    char magic[7] = {};
    const int64_t start = s->Position();
    if (s->Size() - start < 7) return;
    s->ReadBuffer(magic, 7);
    if (String(magic, 7) != CacheMagic) {
      s->SetPosition(start);
      if (ReadStr(s) != CacheMagic) return;
    }
    if (ReadInt(s) <= 4) return;
    const int32_t count = ReadInt(s);
    for (int32_t i = 0; i < count; ++i) {
      auto* t = New<TpZAZTableInfo>(this);
      FTables.push_back(t);
      ReadStr(s);
      t->FDBName = ReadStr(s);
      t->FTableName = ReadStr(s);
      t->FWithRepositoryInfo = ReadByte(s);
      t->FFormatNumber = ReadInt(s);
      t->FRepositoryVersion = ReadInt(s);
      t->FPrimaryKeyFields = ReadStr(s);
      t->FNeedsValidation = true;
      const int32_t columns = ReadInt(s);
      for (int32_t c = 0; c < columns; ++c) {
        // The name first: a damaged file that ends inside it must not leave an entry unowned.
        String name = ReadStr(s);
        auto* f = New<TpZAZFieldInfo>();
        t->FFields.emplace_back(std::move(name), f);
        f->IsComputed = ReadByte(s);
        f->CanIncToWhereClause = ReadByte(s);
        f->DefaultValueEmptyString = ReadByte(s);
        f->WithAdditionalInfo = ReadByte(s);
        f->Visible = ReadByte(s);
        f->IsTriggered = ReadByte(s);
        f->DisplayWidth = ReadInt(s);
        f->CharSetID = ReadInt(s);
        for (String* v : {&f->DefaultValue, &f->DomainName, &f->DisplayLabel, &f->EditFormat, &f->DisplayFormat})
          *v = ReadStr(s);
        const String other = ReadStr(s);
        size_t from = 0;
        while (from < other.size()) {
          const size_t crlf = other.find("\r\n", from);
          f->OtherInfo.push_back(other.substr(from, crlf == String::npos ? String::npos : crlf - from));
          from = crlf == String::npos ? other.size() : crlf + 2;
        }
      }
    }
  } catch (const Exception&) {
    // A damaged file leaves what was read so far; the entries are validated before use.
  }
  std::stable_sort(FTables.begin(), FTables.end(),
                   [](const TpZAZTableInfo* a, const TpZAZTableInfo* b) { return a->FTableName < b->FTableName; });
}

void TpZAZTableInfoCollect::SaveToFile(const String& fileName) {
  // Saving reads the entries only, but must not meet a writer that is changing them.
  FLock->BeginRead();
  struct Release {
    TMultiReadExclusiveWriteSynchronizer* L;
    ~Release() { L->EndRead(); }
  } release{FLock};
  if (FTables.empty()) {
    if (FileExists(fileName)) DeleteFile(fileName);
    return;
  }
  try {
    TFileStream* file = New<TFileStream>(fileName, fmCreate);
    try {
      SaveToStream(file);
    } catch (...) {
      file->Free();
      throw;
    }
    file->Free();
  } catch (const Exception&) {
  }
}

bool TpZAZTableInfoCollect::LoadFromFile(const String& fileName) {
  Clear();
  if (!FileExists(fileName)) return false;
  TFileStream* file = New<TFileStream>(fileName, fmOpenRead);
  try {
    LoadFromStream(file);
  } catch (...) {
    file->Free();
    throw;
  }
  file->Free();
  return true;
}

namespace {

const char* const RepositoryTableSQL =
    "select COUNT(RDB$RELATION_NAME)\r\n"
    "from RDB$RELATIONS where RDB$FLAGS = 1\r\n"
    "and RDB$RELATION_NAME=?RT";
const char* const RepositoryTables[] = {"ZAZ$FIELDS_INFO", "ZAZ$DATASETS_INFO", "ZAZ$ERROR_MESSAGES"};

// Per connection, one character per repository table: '0' absent, '1' present, '2' not yet known. A
// connection leaves the list when it is destroyed, so a later one at the same address starts afresh.
class TRepositoryStatus : public TObject {
  RTL_CLASS(TRepositoryStatus, TObject)
public:
  std::recursive_mutex Lock;
  std::vector<std::pair<TFIBDatabase*, String>> Entries;

  String& Of(TFIBDatabase* database) {
    for (auto& e : Entries)
      if (e.first == database) return e.second;
    database->AddDestroyHandler(TNotifyEvent(this, &TRepositoryStatus::DatabaseDestroyed));
    Entries.emplace_back(database, "222");
    return Entries.back().second;
  }
  void DatabaseDestroyed(TObject* sender) {
    std::lock_guard<std::recursive_mutex> lock(Lock);
    Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [&](const auto& e) { return e.first == sender; }),
                  Entries.end());
  }
  void ClearAll() {
    for (auto& e : Entries) e.first->RemoveDestroyHandler(TNotifyEvent(this, &TRepositoryStatus::DatabaseDestroyed));
    Entries.clear();
  }
};

TRepositoryStatus* RepositoryStatus() {
  static TRepositoryStatus* status = New<TRepositoryStatus>();
  return status;
}

}  // namespace

bool RepositoryTableExists(TFIBDatabase* database, int32_t kind) {
  if (!database || kind < 1 || kind > 3) return false;
  TRepositoryStatus* status = RepositoryStatus();
  std::lock_guard<std::recursive_mutex> lock(status->Lock);
  if (database->ComponentState().Contains(csDesigning)) status->ClearAll();
  String& entry = status->Of(database);
  const char known = entry[static_cast<size_t>(kind - 1)];
  if (known != '2') return known == '1';
  static const TpFIBRepositoryOption members[] = {urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};
  if (!database->UseRepositories().Contains(members[kind - 1])) return false;
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  int32_t count = 0;
  try {
    tr->SetDefaultDatabase(database);
    tr->SetTimeoutAction(TACommit);
    ReadScope scope(tr);
    Statement q(database, tr, RepositoryTableSQL, "RT", RepositoryTables[kind - 1]);
    if (TFIBXSQLDA* row = q.Next()) count = row->GetVar(0)->GetAsInteger();
  } catch (...) {
    tr->Free();
    throw;
  }
  tr->Free();
  entry[static_cast<size_t>(kind - 1)] = count < 1 ? '0' : '1';
  return count >= 1;
}

TpStoredProcCollect::TpStoredProcCollect() : FNames(New<TStringList>()), FParamTexts(New<TStringList>()) {
  FNames->SetSorted(true);
  FNames->SetDuplicates(dupIgnore);
}

TpStoredProcCollect::~TpStoredProcCollect() {
  FNames->Free();
  FParamTexts->Free();
}

TpStoredProcCollect* ListStoredProc() {
  static TpStoredProcCollect* list = New<TpStoredProcCollect>();
  return list;
}

TpZAZTableInfoCollect* ListTableInfo() {
  static TpZAZTableInfoCollect* cache = New<TpZAZTableInfoCollect>(nullptr);
  return cache;
}
