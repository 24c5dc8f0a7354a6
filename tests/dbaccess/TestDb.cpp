#include "TestDb.h"

#include <ibase.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/FIBSQLMonitor.h"
#include "rtl/NamedObjects.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {
IIBClientLibrary* Lib() { return GetClientLibraryByName(DefaultClientLibraryName).get(); }

void Check(ISC_STATUS status) {
  if (status != 0) RaiseServerError(Lib(), nullptr);
}

String MakeDpb(const String& user, const String& password) {
  String dpb(1, static_cast<char>(isc_dpb_version1));
  auto add = [&](uint8_t tag, const String& v) {
    dpb += static_cast<char>(tag);
    dpb += static_cast<char>(v.size());
    dpb += v;
  };
  add(isc_dpb_user_name, user);
  if (!password.empty()) add(isc_dpb_password, password);
  return dpb;
}

// One transaction over one database: the client's transaction existence block.
struct Teb {
  isc_db_handle* Db;
  long TpbLength;
  const char* Tpb;
};

void StartTransaction(isc_db_handle* db, isc_tr_handle* tr) {
  Teb teb{db, 0, nullptr};
  Check(Lib()->isc_start_multiple(StatusVector(), tr, static_cast<short>(1), static_cast<void*>(&teb)));
}

void Exec(isc_db_handle* db, isc_tr_handle* tr, const String& sql) {
  Check(Lib()->isc_dsql_execute_immediate(StatusVector(), db, tr, static_cast<unsigned short>(0), sql.c_str(),
                                          static_cast<unsigned short>(3), nullptr));
}
}  // namespace

void CreateTestDatabase(const String& path, int32_t rows, const String& user, const String& password) {
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  String create = "CREATE DATABASE '" + path + "' USER '" + user + "'" +
                  (password.empty() ? String() : " PASSWORD '" + password + "'") +
                  " PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8";
  Exec(&db, &tr, create);
  auto start = [&] {
    StartTransaction(&db, &tr);
  };
  start();
  Exec(&db, &tr, "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))");
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  start();
  if (rows > 0)
    Exec(&db, &tr,
         "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(rows) +
             ") DO BEGIN INSERT INTO T VALUES (:I, 'row ' || :I); I = I + 1; END END");
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  Check(Lib()->isc_detach_database(StatusVector(), &db));
}

int64_t CountRows(const String& path, int64_t* idSum) {
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  String dpb = MakeDpb("SYSDBA", String());
  Check(Lib()->isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.c_str(), &db,
                                   static_cast<short>(dpb.size()), dpb.c_str()));
  StartTransaction(&db, &tr);
  std::vector<char> mem(fbapi::XsqldaLength(2));
  auto* out = reinterpret_cast<fbapi::XSQLDA*>(mem.data());
  out->version = SQLDA_VERSION1;
  out->sqln = 2;
  out->sqld = 2;
  ISC_INT64 count = 0, sum = 0;
  short nulls[2] = {0, 0};
  ISC_INT64* values[2] = {&count, &sum};
  for (int i = 0; i < 2; ++i) {
    fbapi::XSQLVAR& v = out->sqlvar[i];
    v.sqltype = SQL_INT64 + 1;
    v.sqlscale = 0;
    v.sqllen = 8;
    v.sqldata = reinterpret_cast<char*>(values[i]);
    v.sqlind = &nulls[i];
  }
  const char* sql = "SELECT CAST(COUNT(*) AS BIGINT), CAST(COALESCE(SUM(ID), 0) AS BIGINT) FROM T";
  Check(Lib()->isc_dsql_exec_immed2(StatusVector(), &db, &tr, static_cast<unsigned short>(0), sql,
                                    static_cast<unsigned short>(3), nullptr, out));
  Check(Lib()->isc_commit_transaction(StatusVector(), &tr));
  Check(Lib()->isc_detach_database(StatusVector(), &db));
  if (idSum) *idSum = sum;
  return count;
}

TestServer LoopbackServer() {
  TestServer s;
  // The test script's server listens on loopback at this port; the host name always carries it.
  const char* port = std::getenv("VORN_FB_SERVER_PORT");
  const char* pass = std::getenv("VORN_FB_SERVER_PASSWORD");
  if (port && *port && pass) {
    s.Server = String("localhost/") + port;
    s.Password = pass;
  }
  return s;
}

// The embedded engine and the character-set library it loads keep a few allocations for the life of
// the process; they are theirs, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libicuuc.so\nleak:libicui18n.so\nleak:libfbclient.so\nleak:libEngine12.so\nleak:_dlerror_run\n";
}

void UnlinkMonitorChannel(const String& base) {
  TNamedSharedMemory::Unlink(base + ".SharedMem");
  TNamedMutex::Unlink(base + ".Mutex");
  for (const char* s : {".WriteEvent", ".WriteFinishedEvent", ".ReadEvent", ".ReadFinishedEvent"})
    TNamedEvent::Unlink(base + s);
}

namespace {
// Every test process traces into a channel of its own, so that tests never meet a monitor of the
// machine or of another test, and leave no named objects behind.
class MonitorChannelEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    FChannel = "VORN.TEST.MONITOR." + std::to_string(getpid());
    SetMonitorChannel(FChannel);
  }
  void TearDown() override {
    FinalizeSQLMonitor();
    UnlinkMonitorChannel(FChannel);
  }

private:
  String FChannel;
};
[[maybe_unused]] ::testing::Environment* const gMonitorEnvironment =
    ::testing::AddGlobalTestEnvironment(new MonitorChannelEnvironment);
}  // namespace
