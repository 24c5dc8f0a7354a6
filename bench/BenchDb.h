#pragma once
// Generated databases for the database benchmarks, built embedded through the project's own binding:
// table T (ID integer key, NAME varchar(40), AMOUNT numeric(15,2), CREATED timestamp[, FLAG smallint])
// filled with `rows` rows by one server-side loop. A path of the form "server:file" with a password
// creates it through that server instead.

#include <ibase.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/StringLists.h"

namespace benchdb {

inline IIBClientLibrary* Lib() { return GetClientLibraryByName(DefaultClientLibraryName).get(); }

inline void Check(ISC_STATUS status) {
  if (status != 0) RaiseServerError(Lib(), nullptr);
}

inline void CreateDatabase(const std::string& path, int rows, bool withFlag = false,
                           const std::string& password = std::string()) {
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  auto exec = [&](const std::string& sql) {
    Check(Lib()->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0), sql.c_str(),
                                            static_cast<unsigned short>(3), nullptr));
  };
  struct {
    isc_db_handle* Db;
    long Length;
    const char* Tpb;
  } teb{&db, 0, nullptr};
  auto start = [&] {
    Check(Lib()->isc_start_multiple(StatusVector(), &tr, static_cast<short>(1), static_cast<void*>(&teb)));
  };
  exec("CREATE DATABASE '" + path + "' USER 'SYSDBA'" + (password.empty() ? "" : " PASSWORD '" + password + "'") + " PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8");
  start();
  exec(std::string("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), "
                   "CREATED TIMESTAMP") +
       (withFlag ? ", FLAG SMALLINT)" : ")"));
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  start();
  exec("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(rows) +
       ") DO BEGIN INSERT INTO T VALUES (:I, 'row number ' || :I, :I * 1.25, CURRENT_TIMESTAMP" +
       (withFlag ? ", MOD(:I, 7)" : "") + "); I = I + 1; END END");
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  Check(Lib()->isc_detach_database(StatusVector(), &db));
}

// A generated database in a folder of its own under /tmp, with a connection and a started transaction on
// it; freeing commits, disconnects and removes the folder.
struct Connection {
  Connection(const char* tag, int rows, bool withFlag = false) {
    std::string templ = std::string("/tmp/vorn-bench-") + tag + "-XXXXXX";
    Dir = mkdtemp(templ.data());
    const std::string path = Dir + "/bench.fdb";
    CreateDatabase(path, rows, withFlag);
    DB = New<TFIBDatabase>(nullptr);
    DB->SetDBName(path);
    DB->SetSQLDialect(3);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("lc_ctype=UTF8");
    TR = New<TFIBTransaction>(nullptr);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
  }
  ~Connection() {
    ListTableInfo()->RemoveDatabase(DB);
    TR->Commit();
    TR->Free();
    DB->Close();
    DB->Free();
    std::filesystem::remove_all(Dir);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::string Dir;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
};

inline double Seconds(const std::chrono::steady_clock::time_point& from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The middle of several runs' figures: one slow run on a busy machine does not move it.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace benchdb
