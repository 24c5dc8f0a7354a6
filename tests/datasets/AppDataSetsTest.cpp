// The program's own three datasets over a database made from the program's schema, embedded.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <filesystem>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/DateTime.h"
#include "rtl/StringLists.h"

#include "ScratchDatabase.h"

namespace {

const char* const SchemaDDL[] = {
    "CREATE GENERATOR PROJECTS_ID",
    "CREATE GENERATOR BACKUPS_ID",
    "CREATE TABLE PROJECTS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(255), BKFOLDER VARCHAR(510), "
    "RSFOLDER VARCHAR(510), SERVERNAME VARCHAR(255), PROTOCOL INTEGER, RMFOLDER VARCHAR(510), "
    "ISREMOTE CHAR(1), OPTIONSDB VARCHAR(512))",
    "CREATE TABLE BACKUPS (ID INTEGER NOT NULL PRIMARY KEY, BKDATE DATE, IDPROJECT INTEGER)",
    "CREATE TABLE OPTIONS (PASS VARCHAR(50), EXTENSION VARCHAR(255))",
};

// A dialect 1 database in WIN1251, as the program's own database is.
void CreateProgramDatabase(const String& path) { scratch::CreateDatabase(path, 1, "WIN1251"); }

using TempFolder = scratch::Folder;

class ProgramDataSets : public ::testing::Test {
protected:
  void SetUp() override {
    const String path = Dir.Path() + "/db.gdb";
    CreateProgramDatabase(path);
    DB = New<TpZAZDatabase>(nullptr);
    DB->SetName("Database");
    DB->SetDBName(path);
    DB->SetSQLDialect(1);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("lc_ctype=UTF8");
    TR = New<TpZAZTransaction>(nullptr);
    TR->SetName("Transaction");
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    for (const char* ddl : SchemaDDL) Exec(ddl);
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO OPTIONS (PASS, EXTENSION) VALUES ('masterkey', 'gbk')");
    Exec("INSERT INTO PROJECTS (ID, NAME, PROTOCOL, ISREMOTE) VALUES (1, 'Бухгалтерия', 0, '0')");
    Exec("INSERT INTO PROJECTS (ID, NAME, PROTOCOL, ISREMOTE) VALUES (2, 'Archive', 1, '1')");
    Exec("INSERT INTO BACKUPS (ID, BKDATE, IDPROJECT) VALUES (1, '2026-01-02 03:04:05', 1)");
    Exec("INSERT INTO BACKUPS (ID, BKDATE, IDPROJECT) VALUES (2, '2026-03-04 05:06:07', 2)");
    Exec("SET GENERATOR PROJECTS_ID TO 10");
    Exec("SET GENERATOR BACKUPS_ID TO 20");
    TR->CommitRetaining();

    qProjects = NewDataSet("qProjects", "SELECT * FROM projects ORDER BY name");
    qProjects->UpdateSQL()->SetText(
        "UPDATE PROJECTS SET NAME = ?NAME, BKFOLDER = ?BKFOLDER, RSFOLDER = ?RSFOLDER, SERVERNAME = ?SERVERNAME, "
        "PROTOCOL = ?PROTOCOL, RMFOLDER = ?RMFOLDER, ISREMOTE = ?ISREMOTE, OPTIONSDB = ?OPTIONSDB "
        "WHERE ID = ?OLD_ID");
    qProjects->InsertSQL()->SetText(
        "INSERT INTO PROJECTS (ID, NAME, BKFOLDER, RSFOLDER, SERVERNAME, PROTOCOL, RMFOLDER, ISREMOTE, OPTIONSDB) "
        "VALUES (?ID, ?NAME, ?BKFOLDER, ?RSFOLDER, ?SERVERNAME, ?PROTOCOL, ?RMFOLDER, ?ISREMOTE, ?OPTIONSDB)");
    qProjects->DeleteSQL()->SetText("DELETE FROM PROJECTS WHERE ID = ?OLD_ID");
    qProjects->RefreshSQL()->SetText("SELECT * FROM projects\r\nWHERE PROJECTS.ID = ?OLD_ID\r\nORDER BY name");
    Auto(qProjects, "PROJECTS", "PROJECTS_ID", wgOnNewRecord);

    qBackups = NewDataSet("qBackups",
                          "SELECT backups.*, projects.* FROM backups LEFT JOIN projects ON (projects.id = "
                          "backups.idproject) ORDER BY  bkdate DESC");
    Auto(qBackups, "BACKUPS", "BACKUPS_ID", wgOnNewRecord);

    qOptions = NewDataSet("qOptions", "SELECT * FROM options");
    qOptions->RefreshSQL()->SetText("SELECT * FROM options");
    qOptions->UpdateSQL()->SetText("UPDATE OPTIONS\r\nSET \r\nPASS = ?PASS,\r\nEXTENSION = ?EXTENSION");
    qOptions->DeleteSQL()->SetText("   ");
    qOptions->AutoUpdateOptions()->SetGeneratorName("GEN__ID");
  }

  void TearDown() override {
    for (TpZAZDataSet* ds : {qOptions, qBackups, qProjects})
      if (ds) ds->Free();
    if (TR->InTransaction()) TR->Commit();
    TR->Free();
    DB->Close();
    DB->Free();
  }

  void Exec(const String& sql) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    q->ExecQuery();
    q->Free();
  }

  Variant Value(const String& sql) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    q->ExecQuery();
    Variant v = q->Eof() ? Variant::Null() : q->Fields(0)->GetAsVariant();
    q->Free();
    return v;
  }

  TpZAZDataSet* NewDataSet(const String& name, const String& select) {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName(name);
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    ds->DefaultFormats()->SetDateTimeDisplayFormat("dd.mm.yyyy hh:mm:ss");
    ds->DefaultFormats()->SetDisplayFormatTime("hh:mm:ss");
    return ds;
  }

  static void Auto(TpZAZDataSet* ds, const String& table, const String& generator, TWhenGetGenID when) {
    TAutoUpdateOptions* a = ds->AutoUpdateOptions();
    a->SetUpdateTableName(table);
    a->SetKeyFields("ID");
    a->SetAutoReWriteSqls(true);
    a->SetGeneratorName(generator);
    a->SetWhenGetGenID(when);
  }

  TempFolder Dir;
  TpZAZDatabase* DB = nullptr;
  TpZAZTransaction* TR = nullptr;
  TpZAZDataSet* qProjects = nullptr;
  TpZAZDataSet* qBackups = nullptr;
  TpZAZDataSet* qOptions = nullptr;
};

TEST_F(ProgramDataSets, OpenInStartUpOrderAndReadRows) {
  qBackups->Open();
  qProjects->Open();
  qOptions->Open();

  EXPECT_EQ(qBackups->RecordCount(), 1);  // fetched on demand: one row so far
  EXPECT_EQ(qBackups->FieldByName("ID")->AsInteger(), 2);  // newest first
  EXPECT_EQ(qBackups->FieldByName("BKDATE")->DisplayText(), "04.03.2026 05:06:07");
  EXPECT_EQ(qBackups->FieldByName("NAME")->AsString(), "Archive");
  EXPECT_NE(qBackups->FindField("ID1"), nullptr);
  qBackups->Next();
  EXPECT_EQ(qBackups->FieldByName("NAME")->AsString(), "Бухгалтерия");
  qBackups->Next();
  EXPECT_TRUE(qBackups->Eof());
  EXPECT_EQ(qBackups->RecordCount(), 2);

  EXPECT_EQ(qProjects->FieldByName("NAME")->AsString(), "Archive");
  EXPECT_EQ(qProjects->FieldByName("ISREMOTE")->AsString(), "1");
  EXPECT_TRUE(qProjects->FieldByName("BKFOLDER")->IsNull());
  qProjects->Last();
  EXPECT_EQ(qProjects->FieldByName("NAME")->AsString(), "Бухгалтерия");
  EXPECT_EQ(qProjects->RecNo(), 2);
  qProjects->First();
  EXPECT_EQ(qProjects->RecNo(), 1);

  EXPECT_EQ(qOptions->FieldByName("PASS")->AsString(), "masterkey");
  EXPECT_EQ(qOptions->FieldByName("EXTENSION")->AsString(), "gbk");
}

TEST_F(ProgramDataSets, GivenStatementsAreKeptAndMissingOnesGenerated) {
  const String givenUpdate = qProjects->UpdateSQL()->Text();
  qProjects->Open();
  EXPECT_EQ(qProjects->UpdateSQL()->Text(), givenUpdate);
  EXPECT_EQ(qProjects->DeleteSQL()->Text(), "DELETE FROM PROJECTS WHERE ID = ?OLD_ID\r\n");

  qBackups->Open();
  EXPECT_EQ(qBackups->DeleteSQL()->Text(), "Delete from BACKUPS BACKUPS\r\nwhere BACKUPS.ID=?OLD_ID\r\n");
  EXPECT_EQ(qBackups->UpdateSQL()->Text(),
            "Update BACKUPS BACKUPS Set\r\n     ID=?NEW_ID,\r\n     BKDATE=?NEW_BKDATE,\r\n"
            "     IDPROJECT=?NEW_IDPROJECT\r\nwhere BACKUPS.ID=?OLD_ID\r\n");
  EXPECT_EQ(qBackups->InsertSQL()->Text(),
            "Insert into BACKUPS(\r\n     ID,\r\n     BKDATE,\r\n     IDPROJECT\r\n)\r\nvalues (\r\n     ?NEW_ID,\r\n"
            "     ?NEW_BKDATE,\r\n     ?NEW_IDPROJECT\r\n)\r\n");
  const String refresh = qBackups->RefreshSQL()->Text();
  EXPECT_NE(refresh.find("BACKUPS.ID=?OLD_ID"), String::npos) << refresh;
  EXPECT_NE(refresh.find("ORDER BY  bkdate DESC"), String::npos) << refresh;
  EXPECT_LT(refresh.find("WHERE"), refresh.find("ORDER BY")) << refresh;
}

TEST_F(ProgramDataSets, InsertWithGeneratorKeyPostRefreshAndDelete) {
  qProjects->Open();
  qProjects->Append();
  EXPECT_EQ(qProjects->FieldByName("ID")->AsInteger(), 11);  // taken from PROJECTS_ID on the new record
  qProjects->FieldByName("NAME")->SetAsString("Склад «Восток»");
  qProjects->FieldByName("BKFOLDER")->SetAsString("");  // empty text is stored as null
  qProjects->FieldByName("RSFOLDER")->SetAsString("/восстановление");
  qProjects->FieldByName("PROTOCOL")->SetAsInteger(2);
  qProjects->FieldByName("ISREMOTE")->SetAsString("0");
  qProjects->Post();
  EXPECT_EQ(qProjects->State(), dsBrowse);
  EXPECT_EQ(qProjects->RecordCount(), 3);
  EXPECT_EQ(qProjects->FieldByName("ID")->AsInteger(), 11);
  EXPECT_EQ(Value("SELECT NAME FROM PROJECTS WHERE ID = 11").AsString(), "Склад «Восток»");
  EXPECT_TRUE(VarIsNull(Value("SELECT BKFOLDER FROM PROJECTS WHERE ID = 11")));
  EXPECT_EQ(Value("SELECT RSFOLDER FROM PROJECTS WHERE ID = 11").AsString(), "/восстановление");

  // The server changes the row behind the dataset's back; a refresh re-reads it.
  Exec("UPDATE PROJECTS SET SERVERNAME = 'сервер' WHERE ID = 11");
  qProjects->RefreshRecord();
  EXPECT_EQ(qProjects->FieldByName("SERVERNAME")->AsString(), "сервер");
  EXPECT_EQ(qProjects->FieldByName("NAME")->AsString(), "Склад «Восток»");

  qProjects->Edit();
  qProjects->FieldByName("NAME")->SetAsString("Склад");
  qProjects->Post();
  EXPECT_EQ(Value("SELECT NAME FROM PROJECTS WHERE ID = 11").AsString(), "Склад");

  qProjects->Delete();
  EXPECT_EQ(qProjects->RecordCount(), 2);
  EXPECT_TRUE(VarIsNull(Value("SELECT NAME FROM PROJECTS WHERE ID = 11")));
  qProjects->First();
  int rows = 0;
  while (!qProjects->Eof()) {
    EXPECT_NE(qProjects->FieldByName("ID")->AsInteger(), 11);
    ++rows;
    qProjects->Next();
  }
  EXPECT_EQ(rows, 2);
}

TEST_F(ProgramDataSets, GeneratedStatementsWriteBackups) {
  qBackups->Open();
  qBackups->Insert();
  EXPECT_EQ(qBackups->FieldByName("ID")->AsInteger(), 21);
  qBackups->FieldByName("BKDATE")->SetAsDateTime(EncodeDate(2026, 12, 10) + EncodeTime(14, 15, 16, 0));
  qBackups->FieldByName("IDPROJECT")->SetAsInteger(2);
  qBackups->Post();
  // The refresh after the post brings the joined project's columns.
  EXPECT_EQ(qBackups->FieldByName("NAME")->AsString(), "Archive");
  EXPECT_EQ(qBackups->FieldByName("BKDATE")->DisplayText(), "10.12.2026 14:15:16");
  EXPECT_EQ(Value("SELECT IDPROJECT FROM BACKUPS WHERE ID = 21").AsInteger(), 2);

  qBackups->Edit();
  qBackups->FieldByName("IDPROJECT")->SetAsInteger(1);
  qBackups->Post();
  EXPECT_EQ(qBackups->FieldByName("NAME")->AsString(), "Бухгалтерия");
  EXPECT_EQ(Value("SELECT IDPROJECT FROM BACKUPS WHERE ID = 21").AsInteger(), 1);

  qBackups->Delete();
  EXPECT_TRUE(VarIsNull(Value("SELECT ID FROM BACKUPS WHERE ID = 21")));
}

TEST_F(ProgramDataSets, KeyFromThePrimaryKeyAndNoComputedColumnsInGeneratedText) {
  TR->Commit();
  TR->StartTransaction();
  Exec("ALTER TABLE BACKUPS ADD TWICE COMPUTED BY (IDPROJECT * 2)");
  TR->Commit();
  TR->StartTransaction();
  qBackups->AutoUpdateOptions()->SetKeyFields("");
  qBackups->Open();
  EXPECT_EQ(qBackups->AutoUpdateOptions()->KeyFields(), "ID");
  EXPECT_EQ(qBackups->DeleteSQL()->Text(), "Delete from BACKUPS BACKUPS\r\nwhere BACKUPS.ID=?OLD_ID\r\n");
  EXPECT_EQ(qBackups->UpdateSQL()->Text().find("TWICE"), String::npos) << qBackups->UpdateSQL()->Text();
  EXPECT_NE(qBackups->FindField("TWICE"), nullptr);
}

TEST_F(ProgramDataSets, AsSQLObjectGivesNewAndOldValues) {
  qProjects->Open();  // Archive
  ISQLObject* obj = qProjects;
  int32_t index = 77;
  EXPECT_FALSE(obj->FieldExist("NOPE", index));
  EXPECT_EQ(index, 77);
  ASSERT_TRUE(obj->FieldExist("NAME", index));
  EXPECT_EQ(obj->ParamCount(), 0);
  EXPECT_THROW(obj->FieldValue("NOPE", false), EDatabaseError);
  qProjects->Edit();
  qProjects->FieldByName("NAME")->SetAsString("Новое");
  EXPECT_EQ(obj->FieldValue(index, false).AsString(), "Новое");
  EXPECT_EQ(obj->FieldValue(index, true).AsString(), "Archive");
  EXPECT_EQ(obj->FieldValue("NAME", true).AsString(), "Archive");
  qProjects->Cancel();
  qProjects->Insert();
  qProjects->FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(obj->FieldValue(index, true).AsString(), "x");
  EXPECT_TRUE(VarIsNull(obj->FieldValue("NAME", true)));
  qProjects->Cancel();
}

TEST_F(ProgramDataSets, OptionsUpdateEveryRowAndRefuseDeleteAndInsert) {
  qOptions->Open();
  qOptions->Edit();
  qOptions->FieldByName("PASS")->SetAsString("новый");
  qOptions->Post();
  EXPECT_EQ(Value("SELECT PASS FROM OPTIONS").AsString(), "новый");
  EXPECT_THROW(qOptions->Delete(), EAbort);
  EXPECT_THROW(qOptions->Insert(), EAbort);
  EXPECT_EQ(qOptions->RecordCount(), 1);
}

TEST_F(ProgramDataSets, RefusedPostKeepsTheEditState) {
  qProjects->Open();
  qProjects->Edit();
  qProjects->FieldByName("NAME")->SetAsString(String(300, 'x'));  // longer than the column
  try {
    qProjects->Post();
    FAIL() << "the server took a value longer than its column";
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("truncation"), String::npos) << e.Message();
  }
  EXPECT_EQ(qProjects->State(), dsEdit);
  qProjects->Cancel();
  EXPECT_EQ(qProjects->FieldByName("NAME")->AsString(), "Archive");
  EXPECT_EQ(Value("SELECT NAME FROM PROJECTS WHERE ID = 2").AsString(), "Archive");
}

TEST_F(ProgramDataSets, NoActionDeleteIsRefusedAndTheRowStays) {
  qBackups->Open();
  qBackups->DeleteSQL()->SetText("No Action");
  try {
    qBackups->Delete();
    FAIL();
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("Can't delete from dataset."), String::npos) << e.Message();
  }
  EXPECT_EQ(qBackups->RecordCount(), 1);
  EXPECT_EQ(qBackups->FieldByName("ID")->AsInteger(), 2);
}

TEST_F(ProgramDataSets, PersistentFieldsOfTheLibraryClasses) {
  auto* pass = New<TFIBStringField>(qOptions);
  pass->SetFieldName("PASS");
  pass->SetSize(200);
  pass->SetDataSet(qOptions);
  EXPECT_TRUE(pass->EmptyStrToNull());  // taken from the dataset's prepare options
  auto* extension = New<TFIBStringField>(qOptions);
  extension->SetFieldName("EXTENSION");
  extension->SetSize(1020);
  extension->SetDataSet(qOptions);
  extension->SetEmptyStrToNull(false);
  qOptions->Open();
  EXPECT_EQ(pass->AsString(), "masterkey");
  qOptions->Edit();
  pass->SetAsString("");
  extension->SetAsString("");
  EXPECT_TRUE(pass->IsNull());
  EXPECT_FALSE(extension->IsNull());
  qOptions->Post();
  EXPECT_TRUE(VarIsNull(Value("SELECT PASS FROM OPTIONS")));
  EXPECT_EQ(Value("SELECT EXTENSION FROM OPTIONS").AsString(), "");
}

TEST_F(ProgramDataSets, IntegerFieldsReadAndWriteBooleans) {
  auto* id = New<TFIBIntegerField>(qProjects);
  id->SetFieldName("PROTOCOL");
  id->SetDataSet(qProjects);
  qProjects->Open();  // Archive, protocol 1
  EXPECT_TRUE(id->AsBoolean());
  qProjects->Edit();
  id->SetAsBoolean(false);
  EXPECT_EQ(id->AsInteger(), 0);
  id->SetAsBoolean(true);
  EXPECT_EQ(id->AsInteger(), 1);
  qProjects->Cancel();
}

}  // namespace
