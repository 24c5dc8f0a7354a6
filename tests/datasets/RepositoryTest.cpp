// The dataset repository in a fresh database: a table of the oldest layout brought up to date by the first
// store (domain, columns, generator, row version triggers), rows written and read back into datasets, and
// the refusals of a repository that cannot be used.
#include "DataSetServicesSupport.h"
#include "datasets/pZAZDataSetRepository.h"
#include "dbaccess/FIBConditions.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDataSetInfo.h"

namespace {

class RepositoryTest : public dss::ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    ListDataSetInfo()->Clear();
  }
  void TearDown() override {
    ListDataSetInfo()->Clear();
    ServicesTest::TearDown();
  }

  // The table as the oldest repositories have it: none of the update table, update-only-modified,
  // conditions and row version columns.
  void CreateOldTable() {
    TR->StartTransaction();
    Exec("CREATE TABLE ZAZ$DATASETS_INFO (DS_ID INTEGER NOT NULL PRIMARY KEY, DESCRIPTION VARCHAR(60), "
         "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
         "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, KEY_FIELD VARCHAR(68), "
         "NAME_GENERATOR VARCHAR(68))");
    TR->Commit();
  }

  TpZAZDataSet* Described(int32_t id) {
    auto* ds = NewDataSet("SELECT ID, NAME FROM T WHERE ID < 4 ORDER BY ID");
    ds->SetDataSet_ID(id);
    ds->AutoUpdateOptions()->SetUpdateTableName("T");
    ds->AutoUpdateOptions()->SetKeyFields("ID");
    ds->AutoUpdateOptions()->SetGeneratorName("G_T");
    ds->AutoUpdateOptions()->SetAutoReWriteSqls(true);
    ds->AutoUpdateOptions()->SetCanChangeSQLs(true);
    ds->AutoUpdateOptions()->SetUpdateOnlyModifiedFields(true);
    return ds;
  }

  int32_t Count(const String& sql) { return Committed(sql).AsInteger(); }
};

TEST_F(RepositoryTest, FirstStoreUpgradesAnOldTableAndTheRowReadsBackIntoANewDataSet) {
  CreateOldTable();
  TpZAZDataSet* source = Described(7);
  source->QSelect()->Conditions()->AddCondition("big", "ID > 1", true);
  StoreDataSetInfo(source, "three rows of T");

  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$FIELDS WHERE RDB$FIELD_NAME = 'ZAZ$BOOLEAN'"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'ZAZ$DATASETS_INFO' AND "
                  "RDB$FIELD_NAME IN ('UPDATE_TABLE_NAME', 'UPDATE_ONLY_MODIFIED_FIELDS', 'CONDITIONS', "
                  "'ZAZ$VERSION')"),
            4);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME STARTING WITH 'ZAZ$DATASETS_INFO_B'"), 2);
  const int32_t firstVersion = Count("SELECT ZAZ$VERSION FROM ZAZ$DATASETS_INFO WHERE DS_ID = 7");
  EXPECT_GT(firstVersion, 0);
  EXPECT_EQ(Committed("SELECT UPDATE_TABLE_NAME FROM ZAZ$DATASETS_INFO WHERE DS_ID = 7").AsString(), "T");

  // A second dataset with only the ID takes everything from the row when it prepares.
  auto* copy = NewDataSet("");
  copy->UpdateSQL()->Clear();
  copy->InsertSQL()->Clear();
  copy->DeleteSQL()->Clear();
  copy->RefreshSQL()->Clear();
  copy->SetDataSet_ID(7);
  EXPECT_TRUE(copy->PrepareOptions().Contains(psApplyRepositary));
  copy->Open();
  EXPECT_EQ(copy->SelectSQL()->Text(), source->SelectSQL()->Text());
  EXPECT_EQ(copy->UpdateSQL()->Text(), source->UpdateSQL()->Text());
  EXPECT_EQ(copy->RefreshSQL()->Text(), source->RefreshSQL()->Text());
  EXPECT_EQ(copy->Description(), "three rows of T");
  TAutoUpdateOptions* au = copy->AutoUpdateOptions();
  EXPECT_EQ(au->KeyFields(), "ID");
  EXPECT_EQ(au->GeneratorName(), "G_T");
  EXPECT_EQ(au->UpdateTableName(), "T");
  // The flag itself holds only with statement rewriting on; the cached row has it.
  EXPECT_TRUE(ListDataSetInfo()->GetDataSetInfo(DB, TR, 7)->UpdateOnlyModifiedFields);
  EXPECT_TRUE(au->UsesGenerator());
  ASSERT_NE(copy->QSelect()->Conditions()->FindCondition("big"), nullptr);
  int rows = 0;
  for (copy->First(); !copy->Eof(); copy->Next()) ++rows;
  EXPECT_EQ(rows, 3);
  EXPECT_THROW(copy->SetDataSet_ID(8), EFIBError) << "only while closed";
  copy->Close();

  // Storing again with an empty description keeps the row's; the update trigger moves the version on.
  source->SelectSQL()->SetText("SELECT ID FROM T");
  StoreDataSetInfo(source, "");
  EXPECT_EQ(Committed("SELECT DESCRIPTION FROM ZAZ$DATASETS_INFO WHERE DS_ID = 7").AsString(), "three rows of T");
  EXPECT_GT(Count("SELECT ZAZ$VERSION FROM ZAZ$DATASETS_INFO WHERE DS_ID = 7"), firstVersion);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ZAZ$DATASETS_INFO"), 1);
}

TEST_F(RepositoryTest, ARowOfTheOldLayoutReadsWithTheNewerColumnsEmpty) {
  CreateOldTable();
  TR->StartTransaction();
  Exec("INSERT INTO ZAZ$DATASETS_INFO (DS_ID, SELECT_SQL, KEY_FIELD, DESCRIPTION) VALUES (3, 'SELECT ID FROM T', "
       "'ID', 'old')");
  TR->Commit();
  auto* info = New<TpDataSetInfo>(DB->DBName());
  ReadDataSetInfo(DB, 3, info, "ds");
  EXPECT_EQ(info->SelectSQL->Text(), String("SELECT ID FROM T\r\n"));
  EXPECT_EQ(info->KeyField, "ID");
  EXPECT_EQ(info->Description, "old");
  EXPECT_EQ(info->UpdateTableName, "");
  EXPECT_FALSE(info->UpdateOnlyModifiedFields);
  EXPECT_EQ(info->Conditions, "");
  EXPECT_EQ(info->Version, 0);
  info->Free();

  // Key fields without a generator name do not turn the generator on.
  auto* ds = NewDataSet("SELECT ID, NAME FROM T");
  ds->SetDataSet_ID(3);
  LoadDataSetInfo(ds);
  EXPECT_EQ(ds->SelectSQL()->Text(), String("SELECT ID FROM T\r\n"));
  EXPECT_FALSE(ds->AutoUpdateOptions()->UsesGenerator());
  // ID 0 takes nothing.
  auto* none = NewDataSet("SELECT NAME FROM T");
  LoadDataSetInfo(none);
  EXPECT_EQ(none->SelectSQL()->Text(), String("SELECT NAME FROM T\r\n"));
}

TEST_F(RepositoryTest, AnInsertThatLandsElsewhereIsReported) {
  CreateOldTable();
  TR->StartTransaction();
  Exec("CREATE TRIGGER MOVE_IT FOR ZAZ$DATASETS_INFO BEFORE INSERT POSITION 5 AS BEGIN NEW.DS_ID = NEW.DS_ID + "
       "1000; END");
  TR->Commit();
  try {
    StoreDataSetInfo(Described(4), "x");
    FAIL() << "the new row is not where the select looks";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error of inserting new information record");
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ZAZ$DATASETS_INFO WHERE DS_ID = 4"), 0);
}

TEST_F(RepositoryTest, RefusalsOfARepositoryThatCannotBeUsed) {
  auto* ds = NewDataSet();
  auto refused = [&](int32_t id) {
    ds->SetDataSet_ID(id);
    try {
      StoreDataSetInfo(ds, "");
    } catch (const Exception& e) {
      return e.Message();
    }
    return String("stored");
  };
  // Without the table; the answer is kept for the connection, so this comes first.
  EXPECT_EQ(refused(5), "Table ZAZ$DATASETS_INFO does not exist.");
  EXPECT_EQ(refused(0), "ds1.DataSet_ID should be greater than 0");
  DB->SetUseRepositories(TpFIBRepositoryOptions{urFieldsInfo});
  EXPECT_EQ(refused(5), "Can't use ZAZ$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
}

TEST(StoredProcList, KeepsNamesSortedOnce) {
  TStringList* names = ListStoredProc()->Names();
  names->Clear();
  for (const char* n : {"P_B", "P_A", "P_B"}) names->Add(n);
  EXPECT_EQ(names->CommaText(), "P_A,P_B");
  names->Clear();
}

}  // namespace
