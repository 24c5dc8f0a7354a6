#include <gtest/gtest.h>

#include "TestDb.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/RegUtils.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/Registry.h"
#include "rtl/StringLists.h"

namespace {

class ExtendedConnection : public ::testing::Test {
protected:
  void SetUp() override {
    SetRegistryRoot(Dir.Path());
    Path = Dir.File("x.fdb");
    CreateTestDatabase(Path, 3);
    DB = New<TpZAZDatabase>(nullptr);
    DB->SetName("DB1");
    DB->SetDBName(Path);
    DB->SetSQLDialect(3);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("password=secret");
    DB->DBParams()->Add("lc_ctype=UTF8");
  }
  void TearDown() override {
    DB->Close();
    DB->Free();
    SetRegistryRoot(String());
  }
  TempDir Dir;
  String Path;
  TpZAZDatabase* DB = nullptr;
};

TEST_F(ExtendedConnection, AliasIsSavedAfterConnectWithoutThePasswordAndReadBack) {
  DB->SetAliasName("MAIN");  // no key yet: nothing changes
  EXPECT_EQ(DB->DBName(), Path);
  DB->Open();
  DB->Open();  // already connected: nothing happens
  const Variant v = ReadRegValuesHKCU({"Software", "Quendrake", "Aliases", "MAIN"},
                                      {"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT",
                                       "password"});
  ASSERT_EQ(VarArrayDimCount(v), 2);
  EXPECT_EQ(VarArrayGet(v, {0, 0}).AsString(), Path);
  EXPECT_EQ(VarArrayGet(v, {0, 1}).AsString(), "SYSDBA");
  EXPECT_EQ(VarArrayGet(v, {0, 2}).AsString(), "UTF8");
  EXPECT_TRUE(VarArrayGet(v, {1, 3}).AsBoolean());
  EXPECT_EQ(VarArrayGet(v, {0, 4}).AsString(), "3");
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(v, {1, 5})));

  auto* other = New<TpZAZDatabase>(nullptr);
  other->SetAliasName("MAIN");
  EXPECT_EQ(other->DBName(), Path);
  EXPECT_EQ(other->DBParamByDPB(28), "SYSDBA");
  other->Free();
}

TEST_F(ExtendedConnection, BeforeConnectMayCancel) {
  DB->BeforeConnect = TFIBLoginEvent([](TObject*, TStrings*, bool& doConnect) { doConnect = false; });
  DB->Open();
  EXPECT_FALSE(DB->Connected());
}

TEST_F(ExtendedConnection, TransactionModesAndEventsInOrder) {
  DB->Open();
  auto* tr = New<TpZAZTransaction>(nullptr);
  tr->SetDefaultDatabase(DB);
  String log;
  DB->BeforeStartTransaction = TNotifyEvent([&](TObject*) { log += "db-before "; });
  DB->AfterStartTransaction = TNotifyEvent([&](TObject*) { log += "db-after "; });
  tr->BeforeStart = TNotifyEvent([&](TObject*) { log += "before "; });
  tr->AfterStart = TNotifyEvent([&](TObject*) { log += "after "; });
  tr->AfterEnd = TEndTrEvent([&](TFIBTransaction*, TTransactionAction a, bool) {
    log += a == TACommit ? "commit " : "other ";
  });
  auto lines = [&] {
    String text = tr->TRParams()->Text();
    for (auto p = text.find('\r'); p != String::npos; p = text.find('\r')) text.erase(p, 1);
    return text;
  };
  tr->StartTransaction();
  EXPECT_EQ(lines(), "write\nisc_tpb_nowait\nrec_version\nread_committed\n");
  tr->Commit();
  EXPECT_EQ(log, "db-before before after db-after commit ");
  // The repeatable-read preset keeps rec_version, which this server accepts only with read_committed.
  tr->SetTPBMode(tpbRepeatableRead);
  EXPECT_THROW(tr->StartTransaction(), EFIBError);
  EXPECT_EQ(lines(), "write\nisc_tpb_nowait\nrec_version\n");
  tr->Free();
}

}  // namespace
