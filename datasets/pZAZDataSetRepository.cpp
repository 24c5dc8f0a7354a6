#include "datasets/pZAZDataSetRepository.h"

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDataInfo.h"
#include "dbaccess/pZAZDataSetInfo.h"
#include "rtl/StringLists.h"
#include "rtl/SyncObjs.h"
#include "rtl/SysUtils.h"

namespace {

struct LockScope {
  explicit LockScope(TCriticalSection* l) : L(l) { L->Enter(); }
  ~LockScope() { L->Leave(); }
  TCriticalSection* L;
};

const char* const DomainCountSQL =
    "Select Count(*) FROM RDB$FIELDS FLD\r\nWHERE FLD.RDB$FIELD_NAME = 'ZAZ$BOOLEAN'";
const char* const CreateDomainSQL = "CREATE DOMAIN ZAZ$BOOLEAN AS SMALLINT DEFAULT 1 NOT NULL CHECK (VALUE IN (0,1))";
const char* const AddColumnSQLs[] = {
    "ALTER TABLE ZAZ$DATASETS_INFO ADD UPDATE_TABLE_NAME  VARCHAR(68)",
    "ALTER TABLE ZAZ$DATASETS_INFO ADD UPDATE_ONLY_MODIFIED_FIELDS  ZAZ$BOOLEAN NOT NULL",
    "ALTER TABLE ZAZ$DATASETS_INFO ADD CONDITIONS  BLOB sub_type 1 segment size 80",
};
const char* const CreateGeneratorSQL = "CREATE GENERATOR ZAZ$FIELD_INFO_VERSION";
const char* const VersionSQLs[] = {
    "ALTER TABLE ZAZ$DATASETS_INFO ADD zaz$version  INTEGER",
    "CREATE TRIGGER ZAZ$DATASETS_INFO_BI FOR ZAZ$DATASETS_INFO ACTIVE BEFORE INSERT POSITION 0 as \r\nbegin\r\n"
    "new.zaz$version=gen_id(zaz$field_info_version,1);\r\nend",
    "CREATE TRIGGER ZAZ$DATASETS_INFO_BU FOR ZAZ$DATASETS_INFO ACTIVE BEFORE UPDATE POSITION 0 as \r\nbegin\r\n"
    "new.zaz$version=gen_id(zaz$field_info_version,1);\r\nend",
};

// Runs one statement with the transaction (started when inactive). Each DDL step is committed (retaining)
// on its own: the server applies metadata changes at commit, and the next step needs them (a column of
// the new domain, a trigger on the new column).
void ExecStep(TFIBTransaction* tr, const String& sql) {
  if (!tr->InTransaction()) tr->StartTransaction();
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  try {
    q->SetDatabase(tr->DefaultDatabase());
    q->SetTransaction(tr);
    q->SQL()->SetText(sql);
    q->ExecQuery();
    tr->CommitRetaining();
  } catch (...) {
    q->Free();
    throw;
  }
  q->Free();
}

bool DomainExists(TFIBTransaction* tr) {
  if (!tr->InTransaction()) tr->StartTransaction();
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  int32_t count = 0;
  try {
    q->SetDatabase(tr->DefaultDatabase());
    q->SetTransaction(tr);
    q->SQL()->SetText(DomainCountSQL);
    q->ExecQuery();
    if (!q->Eof()) count = q->Fields(0)->GetAsInteger();
    q->CloseCursor();
  } catch (...) {
    q->Free();
    throw;
  }
  q->Free();
  return count > 0;
}

// The checks that reading and storing a row share.
void CheckRepository(TpZAZDataSet* dataSet) {
  if (dataSet->DataSet_ID() <= 0) throw Exception(dataSet->Name() + ".DataSet_ID should be greater than 0");
  TFIBDatabase* db = dataSet->Database();
  if (!db) throw Exception("Database is not assigned");
  if (!db->UseRepositories().Contains(urDataSetInfo))
    throw Exception("Can't use ZAZ$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
  if (!DataSetsInfoExists(db)) throw Exception("Table ZAZ$DATASETS_INFO does not exist.");
}

void ReplaceWhenDiffers(TStrings* target, TStringList* stored) {
  if (stored->Count() == 0 || StringsAreBlank(stored)) return;
  if (target->Text() != stored->Text()) target->Assign(stored);
}

}  // namespace

void LoadDataSetInfo(TpZAZDataSet* dataSet) { LoadDataSetInfo(ListDataSetInfo(), dataSet); }

void LoadDataSetInfo(TpDataSetInfoCollect* collect, TpZAZDataSet* dataSet) {
  if (!collect || !dataSet) return;
  LockScope lock(collect->Lock());
  TFIBDatabase* db = dataSet->Database();
  const int32_t id = dataSet->DataSet_ID();
  if (!db || id == 0) return;
  if (dataSet->ComponentState().Contains(csDesigning)) collect->RemoveDataSetInfo(db, id);
  TpDataSetInfo* info = collect->GetDataSetInfo(db, dataSet->Transaction(), id);
  if (!info) return;

  TConditions* conditions = dataSet->QSelect()->Conditions();
  if (conditions && conditions->Applied()) {
    // The applied conditions rewrote the select; the stored text is the one before them.
    if (!StringsAreBlank(info->SelectSQL) && conditions->PrimarySQL() != info->SelectSQL->Text())
      dataSet->SelectSQL()->Assign(info->SelectSQL);
  } else {
    ReplaceWhenDiffers(dataSet->SelectSQL(), info->SelectSQL);
  }
  ReplaceWhenDiffers(dataSet->InsertSQL(), info->InsertSQL);
  ReplaceWhenDiffers(dataSet->UpdateSQL(), info->UpdateSQL);
  ReplaceWhenDiffers(dataSet->DeleteSQL(), info->DeleteSQL);
  ReplaceWhenDiffers(dataSet->RefreshSQL(), info->RefreshSQL);

  TAutoUpdateOptions* au = dataSet->AutoUpdateOptions();
  au->SetUseGenerator(!info->KeyField.empty() && !info->GeneratorName.empty());
  au->SetKeyFields(info->KeyField);
  au->SetGeneratorName(info->GeneratorName);
  au->SetUpdateOnlyModifiedFields(info->UpdateOnlyModifiedFields);
  au->SetUpdateTableName(info->UpdateTableName);

  if (conditions) conditions->SetConditionsText(info->Conditions);
  dataSet->SetDescription(info->Description);
}

void UpgradeDataSetsInfoTable(TFIBTransaction* tr) {
  if (!DomainExists(tr)) ExecStep(tr, CreateDomainSQL);
  for (const char* sql : AddColumnSQLs) {
    try {
      ExecStep(tr, sql);
    } catch (const Exception&) {
      // The column is there already.
    }
  }
  try {
    ExecStep(tr, CreateGeneratorSQL);
  } catch (const Exception&) {
  }
  try {
    for (const char* sql : VersionSQLs) ExecStep(tr, sql);
  } catch (const Exception&) {
    // The row version column and its triggers came as one; the first refusal means they are in place.
  }
  if (tr->InTransaction()) tr->CommitRetaining();
}

void StoreDataSetInfo(TpZAZDataSet* dataSet, const String& description) {
  CheckRepository(dataSet);
  TFIBDatabase* db = dataSet->Database();
  const String id = IntToStr(dataSet->DataSet_ID());
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  TpZAZDataSet* row = New<TpZAZDataSet>(nullptr);
  try {
    tr->SetDefaultDatabase(db);
    row->SetDatabase(db);
    row->SetTransaction(tr);
    row->SetUpdateTransaction(tr);
    tr->StartTransaction();
    row->SelectSQL()->SetText("SELECT * FROM ZAZ$DATASETS_INFO WHERE DS_ID=" + id);
    row->InsertSQL()->SetText("INSERT INTO ZAZ$DATASETS_INFO (DS_ID,UPDATE_ONLY_MODIFIED_FIELDS) VALUES(" + id + ",1)");
    row->UpdateSQL()->SetText(
        "UPDATE ZAZ$DATASETS_INFO SET SELECT_SQL=?SELECT_SQL,DESCRIPTION=?DESCRIPTION,UPDATE_SQL=?UPDATE_SQL,"
        "INSERT_SQL=?INSERT_SQL,DELETE_SQL=?DELETE_SQL,REFRESH_SQL=?REFRESH_SQL,NAME_GENERATOR=?NAME_GENERATOR,"
        "KEY_FIELD=?KEY_FIELD, UPDATE_TABLE_NAME=?UPDATE_TABLE_NAME, "
        "UPDATE_ONLY_MODIFIED_FIELDS=?UPDATE_ONLY_MODIFIED_FIELDS, CONDITIONS=?CONDITIONS WHERE DS_ID=" +
        id);
    TFIBQuery* update = row->QUpdate();
    update->SetDatabase(db);
    update->SetTransaction(tr);
    update->SQL()->Assign(row->UpdateSQL());
    try {
      update->Prepare();
    } catch (const Exception&) {
      // An older table without the newer columns.
      UpgradeDataSetsInfoTable(tr);
      tr->Commit();
      tr->StartTransaction();
    }
    row->Open();
    if (row->Eof()) {
      row->Close();
      TFIBQuery* insert = row->QInsert();
      insert->SetDatabase(db);
      insert->SetTransaction(tr);
      insert->SQL()->Assign(row->InsertSQL());
      insert->ExecQuery();
      row->Open();
      if (row->Eof()) throw Exception("Error of inserting new information record");
    }
    const String text = description.empty() ? row->FieldByName("DESCRIPTION")->AsString() : description;
    TAutoUpdateOptions* au = dataSet->AutoUpdateOptions();
    TConditions* conditions = dataSet->QSelect()->Conditions();
    row->Edit();
    row->FieldByName("SELECT_SQL")->SetAsString(dataSet->SelectSQL()->Text());
    row->FieldByName("INSERT_SQL")->SetAsString(dataSet->InsertSQL()->Text());
    row->FieldByName("DELETE_SQL")->SetAsString(dataSet->DeleteSQL()->Text());
    row->FieldByName("UPDATE_SQL")->SetAsString(dataSet->UpdateSQL()->Text());
    row->FieldByName("REFRESH_SQL")->SetAsString(dataSet->RefreshSQL()->Text());
    row->FieldByName("KEY_FIELD")->SetAsString(au->KeyFields());
    row->FieldByName("NAME_GENERATOR")->SetAsString(au->GeneratorName());
    row->FieldByName("DESCRIPTION")->SetAsString(text);
    row->FieldByName("UPDATE_TABLE_NAME")->SetAsString(au->UpdateTableName());
    row->FieldByName("UPDATE_ONLY_MODIFIED_FIELDS")->SetAsInteger(au->UpdateOnlyModifiedFields() ? 1 : 0);
    row->FieldByName("CONDITIONS")->SetAsString(conditions ? conditions->GetConditionsText() : String());
    row->Post();
    row->Close();
    tr->Commit();
  } catch (...) {
    row->Free();
    if (tr->InTransaction()) tr->Rollback();
    tr->Free();
    throw;
  }
  row->Free();
  tr->Free();
}
