#pragma once
// Shared pieces of the connection, transaction and link tests: databases of either dialect, connections
// set up for them, and SQL run straight through the client API on a connection's handles.

#include <functional>
#include <memory>
#include <vector>

#include "ScratchDatabase.h"
#include "TestDb.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "rtl/MainLoop.h"
#include "rtl/StringLists.h"

// A connection component for a database file, named so that messages carry a known name.
inline TFIBDatabase* NewDatabase(const String& path, const String& name = "DB1", int dialect = 3) {
  auto* db = New<TFIBDatabase>(nullptr);
  db->SetName(name);
  scratch::Configure(db, path, dialect);
  return db;
}

inline TFIBTransaction* NewTransaction(TFIBDatabase* db, const String& name = "TR1") {
  auto* tr = New<TFIBTransaction>(nullptr);
  tr->SetName(name);
  if (db) tr->SetDefaultDatabase(db);
  return tr;
}

// The table most connection tests read and write.
constexpr const char* kCreateTableT = "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))";

// Creates an empty database of the dialect at `path` with the table T (ID integer, NAME varchar(40)).
inline void CreateDialectDatabase(const String& path, int dialect) {
  scratch::CreateDatabase(path, dialect);
  TFIBDatabase* db = NewDatabase(path, "Creator", dialect);
  TFIBTransaction* tr = NewTransaction(db, "CreatorTR");
  db->Open();
  tr->StartTransaction();
  scratch::Exec(db, tr, kCreateTableT);
  tr->Commit();
  tr->Free();
  db->Close();
  db->Free();
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

// The SQL code of the client error a callable raises; 0 when it raises none.
inline int32_t ClientErrorCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const EFIBClientError& e) {
    return e.SQLCode();
  }
  return 0;
}

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
