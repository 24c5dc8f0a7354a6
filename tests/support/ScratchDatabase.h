#pragma once
// The one scratch database of the database tests: a new database file created embedded through the
// project's own client binding, a connection and a transaction for it, statements run without results,
// and a fixture that holds the three for one test.
#include <gtest/gtest.h>
#include <ibase.h>

#include <vector>

#include "ScratchFolder.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

namespace scratch {

// Creates an empty database owned by SYSDBA with page size 8192.
inline void CreateDatabase(const String& path, int dialect = 3, const char* charset = "UTF8") {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const String create =
      "CREATE DATABASE '" + path + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET " + charset;
  if (lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0), create.c_str(),
                                      static_cast<unsigned short>(dialect), nullptr))
    RaiseServerError(lib, nullptr);
  lib->isc_detach_database(StatusVector(), &db);
}

// Points a connection at path as SYSDBA with the dialect and connection character set.
inline void Configure(TFIBDatabase* db, const String& path, int dialect = 3, const char* lcCtype = "UTF8") {
  db->SetDBName(path);
  db->SetSQLDialect(dialect);
  db->DBParams()->Add("user_name=SYSDBA");
  db->DBParams()->Add(String("lc_ctype=") + lcCtype);
}

// Runs a statement without results through a query of the library.
inline void Exec(TFIBDatabase* db, TFIBTransaction* tr, const String& sql) {
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText(sql);
  try {
    q->ExecQuery();
  } catch (...) {
    q->Free();
    throw;
  }
  q->Free();
}

// A scratch database for one test: created in a folder of its own, connected, a transaction started.
class DatabaseTest : public ::testing::Test {
protected:
  Folder Dir;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;

  void OpenScratch(const String& file, int dialect = 3, const char* charset = "UTF8") {
    const String path = Dir.File(file);
    CreateDatabase(path, dialect, charset);
    DB = New<TFIBDatabase>(nullptr);
    DB->SetName("DB1");
    Configure(DB, path, dialect);
    TR = New<TFIBTransaction>(nullptr);
    TR->SetName("TR1");
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
  }

  std::vector<TObject*> FKept;

  void CloseScratch() {
    if (!DB) return;
    if (TR->InTransaction()) TR->Commit();
    TR->Free();
    DB->Close();
    DB->Free();
    DB = nullptr;
    TR = nullptr;
  }

  // Freed before the connection: what the test made and kept here, then the transaction and the
  // connection. The destructor runs after the members of a derived fixture are gone.
  ~DatabaseTest() override {
    for (auto it = FKept.rbegin(); it != FKept.rend(); ++it) (*it)->Free();
    CloseScratch();
  }

  void Exec(const String& sql) { scratch::Exec(DB, TR, sql); }

  // A query on the connection and transaction, freed with the fixture.
  TFIBQuery* NewQuery(const String& sql, const String& name = String()) {
    auto* q = New<TFIBQuery>(nullptr);
    FKept.push_back(q);
    if (!name.empty()) q->SetName(name);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    return q;
  }

  // The statement committed, and a new transaction started.
  void ExecCommitted(const String& sql) {
    Exec(sql);
    TR->Commit();
    TR->StartTransaction();
  }
};

}  // namespace scratch
