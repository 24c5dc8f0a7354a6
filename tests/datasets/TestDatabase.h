#pragma once
// Scratch databases of the dataset tests: a temporary folder, a new database file in it, and a connection
// pointed at it.
#include <ibase.h>
#include <stdlib.h>

#include <filesystem>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "rtl/StringLists.h"

namespace testdb {

// A new folder under /tmp named after prefix, removed with everything in it by the destructor.
class TempDir {
public:
  explicit TempDir(const char* prefix = "vorn-datasets") {
    String templ = String("/tmp/") + prefix + "-XXXXXX";
    FPath = mkdtemp(templ.data());
  }
  ~TempDir() { std::filesystem::remove_all(FPath); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const String& Path() const { return FPath; }

private:
  String FPath;
};

// Creates a database owned by SYSDBA with page size 8192 and the given default character set.
inline void CreateDatabase(const String& path, const char* charset = "UTF8", unsigned short dialect = 3) {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const String create =
      "CREATE DATABASE '" + path + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET " + charset;
  if (lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0), create.c_str(),
                                      dialect, nullptr))
    RaiseServerError(lib, nullptr);
  lib->isc_detach_database(StatusVector(), &db);
}

// Points a connection at path as SYSDBA in dialect 3 with the given connection character set.
inline void Configure(TFIBDatabase* db, const String& path, const char* lcCtype = "UTF8") {
  db->SetDBName(path);
  db->SetSQLDialect(3);
  db->DBParams()->Add("user_name=SYSDBA");
  db->DBParams()->Add(String("lc_ctype=") + lcCtype);
}

}  // namespace testdb
