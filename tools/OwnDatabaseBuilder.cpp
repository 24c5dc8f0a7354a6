#include "tools/OwnDatabaseBuilder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/OwnDatabase.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/Files.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {

void CreateEmptyDatabase(const String& path) {
  IIBClientLibrary* lib = GetClientLibraryByName(DefaultClientLibraryName).get();
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const String create = "CREATE DATABASE " + QuotedStr(path) + " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET " +
                        owndb::CharacterSet;
  if (lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, static_cast<unsigned short>(0), create.c_str(),
                                      static_cast<unsigned short>(owndb::Dialect), nullptr))
    RaiseServerError(lib, nullptr);
  lib->isc_detach_database(StatusVector(), &db);
}

void RunStatement(TFIBDatabase* db, TFIBTransaction* tr, const char* sql) {
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  ScopeExit freeQuery([&] { q->Free(); });
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText(sql);
  // The statements hold no parameters; a "?" or ":" inside a trigger's body must stay as it is.
  q->SetParamCheck(false);
  q->ExecQuery();
}

void FillSchema(const String& path) {
  TFIBDatabase* db = New<TFIBDatabase>(nullptr);
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  ScopeExit freeBoth([&] {
    tr->Free();
    db->Free();
  });
  db->SetDBName(path);
  db->SetSQLDialect(owndb::Dialect);
  db->DBParams()->Add("user_name=SYSDBA");
  db->DBParams()->Add(String("lc_ctype=") + owndb::CharacterSet);
  tr->SetDefaultDatabase(db);
  db->Open();
  ScopeExit close([&] {
    if (tr->InTransaction()) tr->Rollback();
    db->Close();
  });
  for (const char* sql : owndb::Schema) {
    tr->StartTransaction();
    RunStatement(db, tr, sql);
    tr->Commit();
  }
  tr->StartTransaction();
  for (const char* sql : owndb::InitialRows) RunStatement(db, tr, sql);
  tr->Commit();
}

[[noreturn]] void RaiseFileError(const String& what, const String& path, int error) {
  throw EOSError(what + " " + path + ": " + std::strerror(error), error);
}

}  // namespace

void CreateOwnDatabase(const String& path) {
  CreateEmptyDatabase(path);
  ScopeExit removeHalfMade([&] { ::unlink(path.c_str()); });
  FillSchema(path);
  if (::chmod(path.c_str(), 0600) != 0) RaiseFileError("cannot restrict the access to", path, errno);
  removeHalfMade.Dismiss();
}

TOwnDatabaseResult MakeOwnDatabase(const String& path) {
  TOwnDatabaseResult result;
  const String full = ExpandFileName(path);
  const String folder = ExtractFileDir(full);
  if (!DirectoryExists(folder) && !ForceDirectories(folder)) RaiseFileError("cannot create the folder", folder, errno);
  TFilenameCaseMatch match = mkNone;
  result.Path = ExpandFileNameCase(full, match);
  if (match == mkNone) {
    const String temporary =
        IncludeTrailingPathDelimiter(folder) + "." + ExtractFileName(full) + "-" + IntToStr(static_cast<int64_t>(getpid())) + ".tmp";
    ::unlink(temporary.c_str());  // left by an interrupted run of this process id
    CreateOwnDatabase(temporary);
    ScopeExit removeTemporary([&] { ::unlink(temporary.c_str()); });
    // A link never replaces a file: one that appeared meanwhile is kept, and this copy dropped.
    if (::link(temporary.c_str(), full.c_str()) == 0) {
      result.Created = true;
      result.Path = full;
    } else if (errno == EEXIST) {
      result.Path = full;
    } else {
      RaiseFileError("cannot create", full, errno);
    }
  }
  const String backups = IncludeTrailingPathDelimiter(folder) + owndb::FallbackBackupFolder;
  if (::mkdir(backups.c_str(), 0700) != 0 && errno != EEXIST) RaiseFileError("cannot create the folder", backups, errno);
  return result;
}
