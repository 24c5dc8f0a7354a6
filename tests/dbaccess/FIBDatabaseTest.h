#pragma once
// Shared pieces of the connection, transaction and link tests: databases of either dialect, connections
// set up for them, and SQL run straight through the client API on a connection's handles.

#include <memory>
#include <vector>

#include "TestDb.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "rtl/MainLoop.h"
#include "rtl/StringLists.h"

// Creates an empty database of the dialect at `path` with the table T (ID integer, NAME varchar(40)).
inline void CreateDialectDatabase(const String& path, int dialect) {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const String create = "CREATE DATABASE '" + path + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8";
  if (lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0), create.c_str(),
                                      static_cast<unsigned short>(dialect), nullptr))
    RaiseServerError(lib, nullptr);
  struct {
    isc_db_handle* Db;
    long Length;
    const char* Tpb;
  } teb{&db, 0, nullptr};
  auto check = [&](ISC_STATUS s) {
    if (s) RaiseServerError(lib, nullptr);
  };
  check(lib->isc_start_multiple(StatusVector(), &tr, static_cast<short>(1), static_cast<void*>(&teb)));
  check(lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0),
                                        "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))",
                                        static_cast<unsigned short>(dialect), nullptr));
  check(lib->isc_commit_transaction(StatusVector(), &tr));
  check(lib->isc_detach_database(StatusVector(), &db));
}

// A connection component for a database file, named so that messages carry a known name.
inline TFIBDatabase* NewDatabase(const String& path, const String& name = "DB1", int dialect = 3) {
  auto* db = New<TFIBDatabase>(nullptr);
  db->SetName(name);
  db->SetDBName(path);
  db->SetSQLDialect(dialect);
  db->DBParams()->Add("user_name=SYSDBA");
  db->DBParams()->Add("lc_ctype=UTF8");
  return db;
}

inline TFIBTransaction* NewTransaction(TFIBDatabase* db, const String& name = "TR1") {
  auto* tr = New<TFIBTransaction>(nullptr);
  tr->SetName(name);
  if (db) tr->SetDefaultDatabase(db);
  return tr;
}

// Runs a statement without results on the connection within the transaction.
inline void ExecSQL(TFIBDatabase* db, TFIBTransaction* tr, const String& sql) {
  tr->Call(db->ClientLibrary()->isc_dsql_execute_immediate(StatusVector(), db->HandleAddress(), tr->HandleAddress(),
                                                           static_cast<unsigned short>(0), sql.c_str(),
                                                           static_cast<unsigned short>(db->SQLDialect()), nullptr),
           true);
}

// Frees components at the end of a test, last first.
class Owned {
public:
  ~Owned() {
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) (*it)->Free();
  }
  template <class T>
  T* operator()(T* item) {
    FItems.push_back(item);
    return item;
  }

private:
  std::vector<TObject*> FItems;
};

// The message of the exception a callable raises; empty when it raises none.
template <class F>
String RaisedMessage(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return String();
}

// The test's own main loop for the idle timers; elapsing fires the timer ticks that fall due on the way.
class TestLoop : public TManualMainLoop {
public:
  void Elapse(uint32_t ms) { Advance(ms); }
};
