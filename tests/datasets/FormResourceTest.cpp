// The connection, the transaction and a dataset as the main form declares them in its resource text.
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
#include "rtl/Filer.h"
#include "rtl/StringLists.h"

#include "ScratchFolder.h"

namespace {

const char* const kBackupsSelect =
    "SELECT backups.*, projects.* FROM backups LEFT JOIN projects ON (projects.id = backups.idproject) ORDER BY  "
    "bkdate DESC";

void ExecImmediate(isc_db_handle* db, const String& sql) {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_tr_handle tr = 0;
  if (lib->isc_dsql_execute_immediate(StatusVector(), db, &tr, static_cast<unsigned short>(0), sql.c_str(),
                                      static_cast<unsigned short>(1), nullptr))
    RaiseServerError(lib, nullptr);
}

// A dialect 1 database with the two tables the backups dataset joins.
void CreateDatabase(const String& path) {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_db_handle db = 0;
  ExecImmediate(&db, "CREATE DATABASE '" + path + "' USER 'SYSDBA' DEFAULT CHARACTER SET WIN1251");
  lib->isc_detach_database(StatusVector(), &db);
}

using TempFolder = scratch::Folder;

String FormText(const String& dbName) {
  return "object fmMain: TComponent\r\n"
         "  object Database: TpZAZDatabase\r\n"
         "    DBName = '" +
         dbName +
         "'\r\n"
         "    DBParams.Strings = (\r\n"
         "      'lc_ctype=WIN1251'\r\n"
         "      ''\r\n"
         "      'user_name=SYSDBA'\r\n"
         "      'password=plumtrove')\r\n"
         "    DefaultTransaction = Transaction\r\n"
         "    DefaultUpdateTransaction = Transaction\r\n"
         "    SQLDialect = 1\r\n"
         "    Timeout = 0\r\n"
         "  end\r\n"
         "  object Transaction: TpZAZTransaction\r\n"
         "    DefaultDatabase = Database\r\n"
         "    TimeoutAction = TACommitRetaining\r\n"
         "  end\r\n"
         "  object qBackups: TpZAZDataSet\r\n"
         "    SelectSQL.Strings = (\r\n"
         "      'SELECT backups.*, projects.* FROM backups LEFT JOIN projects ON (pr' +\r\n"
         "        'ojects.id = backups.idproject) ORDER BY  bkdate DESC')\r\n"
         "    Database = Database\r\n"
         "    Transaction = Transaction\r\n"
         "    AutoUpdateOptions.UpdateTableName = 'BACKUPS'\r\n"
         "    AutoUpdateOptions.KeyFields = 'ID'\r\n"
         "    AutoUpdateOptions.AutoReWriteSqls = True\r\n"
         "    AutoUpdateOptions.GeneratorName = 'BACKUPS_ID'\r\n"
         "    AutoUpdateOptions.WhenGetGenID = wgOnNewRecord\r\n"
         "    DefaultFormats.DateTimeDisplayFormat = 'dd.mm.yyyy hh:mm:ss'\r\n"
         "    DefaultFormats.DisplayFormatTime = 'hh:mm:ss'\r\n"
         "    oFetchAll = True\r\n"
         "  end\r\n"
         "end\r\n";
}

TEST(FormResource, MainFormDataComponentsLinkAndOpen) {
  TempFolder dir;
  const String path = dir.Path() + "/db.gdb";
  CreateDatabase(path);

  TComponent* root = New<TComponent>(nullptr);
  struct Freer {
    TComponent* C;
    ~Freer() { C->Free(); }
  } freer{root};
  ReadComponentFromText(FormText(path), root);

  auto* db = dynamic_cast<TpZAZDatabase*>(root->FindComponent("Database"));
  auto* tr = dynamic_cast<TpZAZTransaction*>(root->FindComponent("Transaction"));
  auto* ds = dynamic_cast<TpZAZDataSet*>(root->FindComponent("qBackups"));
  ASSERT_TRUE(db && tr && ds);

  EXPECT_EQ(db->DBName(), path);
  EXPECT_EQ(db->DBParams()->Count(), 4);
  EXPECT_EQ(db->DBParams()->Strings(3), "password=plumtrove");
  EXPECT_EQ(db->SQLDialect(), 1);
  EXPECT_EQ(db->DefaultTransaction(), tr);
  EXPECT_EQ(db->DefaultUpdateTransaction(), tr);
  EXPECT_EQ(tr->DefaultDatabase(), db);
  EXPECT_EQ(tr->TimeoutAction(), TACommitRetaining);
  EXPECT_EQ(ds->Database(), db);
  EXPECT_EQ(ds->Transaction(), tr);
  ASSERT_EQ(ds->SelectSQL()->Count(), 1);
  EXPECT_EQ(ds->SelectSQL()->Strings(0), kBackupsSelect);
  EXPECT_EQ(ds->AutoUpdateOptions()->UpdateTableName(), "BACKUPS");
  EXPECT_EQ(ds->AutoUpdateOptions()->GeneratorName(), "BACKUPS_ID");
  EXPECT_EQ(ds->AutoUpdateOptions()->WhenGetGenID(), wgOnNewRecord);
  EXPECT_EQ(ds->DefaultFormats()->DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm:ss");
  EXPECT_TRUE(ds->Options().Contains(poFetchAll));
  EXPECT_TRUE(ds->Options().Contains(poTrimCharFields));

  // Written back, the statement travels as its lines and the links by name.
  const String text = ComponentToText(ds);
  EXPECT_NE(text.find("SelectSQL.Strings = ("), String::npos) << text;
  EXPECT_NE(text.find("Database = fmMain.Database"), String::npos) << text;
  EXPECT_EQ(text.find("Options ="), String::npos) << text;

  db->Open();
  tr->StartTransaction();
  for (const char* ddl :
       {"CREATE GENERATOR BACKUPS_ID",
        "CREATE TABLE PROJECTS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(255), BKFOLDER VARCHAR(510), "
        "RSFOLDER VARCHAR(510), SERVERNAME VARCHAR(255), PROTOCOL INTEGER, RMFOLDER VARCHAR(510), "
        "ISREMOTE CHAR(1), OPTIONSDB VARCHAR(512))",
        "CREATE TABLE BACKUPS (ID INTEGER NOT NULL PRIMARY KEY, BKDATE DATE, IDPROJECT INTEGER)"}) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(db);
    q->SetTransaction(tr);
    q->SQL()->SetText(ddl);
    q->ExecQuery();
    q->Free();
  }
  tr->Commit();

  ds->Open();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->FieldCount(), 12);
  EXPECT_NE(ds->FindField("BKDATE"), nullptr);
  // Default fields are the library's own classes, so their settings are published.
  EXPECT_TRUE(ds->FieldByName("NAME")->InheritsFrom(TFIBStringField::StaticClass()));
  EXPECT_TRUE(ds->FieldByName("ID")->InheritsFrom(TFIBIntegerField::StaticClass()));
  EXPECT_TRUE(ds->FieldByName("BKDATE")->InheritsFrom(TFIBDateTimeField::StaticClass()));
  // An open dataset is written open only while its connection is written connected.
  EXPECT_NE(ComponentToText(ds).find("Active = True"), String::npos);
  db->SetDesignDBOptions(TDesignDBOptions{});
  EXPECT_EQ(ComponentToText(ds).find("Active ="), String::npos);
  ds->Close();
  if (tr->Active()) tr->Commit();
  db->Close();
}

}  // namespace
