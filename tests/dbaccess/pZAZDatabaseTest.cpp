#include <gtest/gtest.h>

#include <memory>

#include "FIBDatabaseTest.h"
#include "TestDb.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/RegUtils.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/Filer.h"
#include "rtl/Registry.h"
#include "rtl/Streams.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"

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

TEST_F(ExtendedConnection, UserKindTransactionTakesItsParametersInTheDesignerOnly) {
  WriteRegValuesHKCU({"Software", "Quendrake", "Transation Kinds", "K1"}, {"Name", "Params"},
                     {Variant("Snapshot"), Variant("read\r\nconcurrency")});
  auto* tr = New<TpZAZTransaction>(nullptr);
  EXPECT_FALSE(IsStoredProp(tr, "UserKindTransaction"));
  EXPECT_FALSE(IsStoredProp(tr, "TRParams"));
  tr->SetUserKindTransaction("Snapshot");  // outside the designer: only the name
  EXPECT_EQ(tr->TPBMode(), tpbReadCommitted);
  EXPECT_EQ(tr->TRParams()->Count(), 0);
  tr->SetDesigning(true);
  tr->SetUserKindTransaction("Unknown");
  EXPECT_EQ(tr->TPBMode(), tpbReadCommitted);
  tr->SetUserKindTransaction("Snapshot");
  EXPECT_EQ(tr->UserKindTransaction(), "Snapshot");
  EXPECT_EQ(tr->TPBMode(), tpbDefault);
  ASSERT_EQ(tr->TRParams()->Count(), 2);
  EXPECT_EQ(tr->TRParams()->Strings(1), "concurrency");
  // Stored rules: the parameters only for the default mode, the kind only when it is one.
  EXPECT_TRUE(IsStoredProp(tr, "TRParams"));
  EXPECT_TRUE(IsStoredProp(tr, "UserKindTransaction"));
  tr->SetTPBMode(tpbRepeatableRead);
  EXPECT_FALSE(IsStoredProp(tr, "TRParams"));
  EXPECT_EQ(tr->About(), "6.25.0");
  tr->Free();
}

// Reads single property entries the way the form reader does.
class TDatabasePropReader : public TReader {
  RTL_CLASS(TDatabasePropReader, TReader)
public:
  using TReader::ReadProperty;
  using TReader::TReader;
};

TEST_F(ExtendedConnection, LegacySaveDBParamsIsReadAndNeverWritten) {
  EXPECT_EQ(DB->About(), "6.25.0 Release");
  TMemoryStream* stream = New<TMemoryStream>();
  TWriter* writer = New<TWriter>(stream);
  writer->WriteStr("SaveDBParams");
  writer->WriteBoolean(false);
  writer->Free();
  stream->SetPosition(0);
  TDatabasePropReader* reader = New<TDatabasePropReader>(stream);
  reader->ReadProperty(DB);
  reader->Free();
  stream->Free();
  EXPECT_FALSE(DB->SaveAliasParamsAfterConnect());

  TMemoryStream* out = New<TMemoryStream>();
  TWriter* w = New<TWriter>(out);
  w->WriteProperties(DB);
  w->Free();
  const String written(static_cast<const char*>(out->Memory()), static_cast<size_t>(out->Size()));
  out->Free();
  EXPECT_EQ(written.find("SaveDBParams"), String::npos);
  EXPECT_NE(written.find("SaveAliasParamsAfterConnect"), String::npos);
  EXPECT_EQ(written.find("About"), String::npos);
  EXPECT_EQ(written.find("WaitForRestoreConnect"), String::npos);  // no timer, nothing to keep
}

TEST_F(ExtendedConnection, ReconnectTimerExistsOnlyWhileTheIntervalIsSet) {
  TestLoop clock;
  const TPropInfo* prop = GetPropInfo(DB, "WaitForRestoreConnect");
  EXPECT_EQ(DB->WaitForRestoreConnect(), 0u);
  EXPECT_FALSE(IsStoredProp(DB, prop));
  DB->SetWaitForRestoreConnect(30000);
  EXPECT_EQ(DB->WaitForRestoreConnect(), 30000u);
  EXPECT_TRUE(IsStoredProp(DB, prop));  // even at the declared default
  DB->SetWaitForRestoreConnect(250);
  EXPECT_EQ(DB->WaitForRestoreConnect(), 250u);
  clock.Elapse(1000);  // created disabled: nothing connects
  EXPECT_FALSE(DB->Connected());
  DB->SetWaitForRestoreConnect(0);
  EXPECT_EQ(DB->WaitForRestoreConnect(), 0u);
  EXPECT_FALSE(IsStoredProp(DB, prop));
}

// A connection through the loopback server whose attachment a second connection kills.
class LostConnection : public ::testing::Test {
protected:
  void SetUp() override {
    Server = LoopbackServer();
    if (Server.Server.empty()) GTEST_SKIP() << "no loopback server";
    Path = Server.Server + ":" + Dir.File("lost.fdb");
    CreateTestDatabase(Path, 3, "SYSDBA", Server.Password);
    Clock = std::make_unique<TestLoop>();
    DB = Own(New<TpZAZDatabase>(nullptr));
    DB->SetName("DB1");
    DB->SetDBName(Path);
    DB->SetSQLDialect(3);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("password=" + Server.Password);
    DB->DBParams()->Add("lc_ctype=UTF8");
    DB->OnLostConnect = TFIBLostConnectEvent([this](TFIBDatabase* d, EFIBError& e, TOnLostConnectActions& a) {
      EXPECT_EQ(d, DB);
      Proposed.push_back(a);
      LostMessage = e.Message();
      a = Choice;
    });
  }

  // Deletes the connection's attachment from the server's monitoring table, as an administrator would.
  void Kill() {
    const String id = DB->QueryValue("SELECT CURRENT_CONNECTION FROM RDB$DATABASE", 0).AsString();
    auto* killer = NewDatabase(Path, "Killer");
    killer->DBParams()->Add("password=" + Server.Password);
    killer->Open();
    auto* tr = NewTransaction(killer, "KillTR");
    tr->StartTransaction();
    ExecSQL(killer, tr, "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + id);
    tr->Commit();
    tr->Free();
    killer->Free();
  }

  TempDir Dir;
  TestServer Server;
  String Path;
  std::unique_ptr<TestLoop> Clock;  // outlives the components and their timers
  Owned Own;
  TpZAZDatabase* DB = nullptr;
  TOnLostConnectActions Choice = laCloseConnect;
  std::vector<TOnLostConnectActions> Proposed;
  String LostMessage;
};

TEST_F(LostConnection, CloseForgetsStatementsAndTransactionsWithoutRaising) {
  DB->Open();
  auto* tr = Own(New<TpZAZTransaction>(nullptr));
  tr->SetDefaultDatabase(DB);
  tr->StartTransaction();
  auto* q = Own(New<TFIBQuery>(nullptr));
  q->SetDatabase(DB);
  q->SetTransaction(tr);
  q->SQL()->SetText("SELECT ID FROM T");
  q->ExecQuery();
  ASSERT_TRUE(q->Open());
  int ended = 0;
  tr->AfterEnd = TEndTrEvent([&](TFIBTransaction*, TTransactionAction a, bool force) {
    ended += a == TACommit && force;
  });
  Kill();
  EXPECT_NO_THROW(DB->Close());
  EXPECT_EQ(Proposed, std::vector<TOnLostConnectActions>{laCloseConnect});
  EXPECT_NE(LostMessage.find("DB1"), String::npos) << LostMessage;
  EXPECT_FALSE(DB->Connected());
  EXPECT_FALSE(q->Prepared());
  EXPECT_FALSE(q->Open());
  EXPECT_EQ(q->Handle(), 0u);
  EXPECT_FALSE(tr->Active());
  EXPECT_FALSE(tr->Lost());  // the forced end forgot the handle and cleared the flag
  EXPECT_EQ(ended, 1);
  tr->AfterEnd = TEndTrEvent();

  // Everything works again on a new attachment.
  DB->Open();
  tr->StartTransaction();
  q->ExecQuery();
  EXPECT_TRUE(q->Open());
  q->CloseCursor();
  tr->Commit();
  DB->Close();
  EXPECT_EQ(Proposed.size(), 1u);  // a live connection closes normally
}

TEST_F(LostConnection, IgnoringKeepsTheDeadAttachment) {
  Choice = laIgnore;
  DB->Open();
  Kill();
  EXPECT_NO_THROW(DB->Close());
  EXPECT_TRUE(DB->Connected());
  EXPECT_FALSE(DB->CheckConnection(laCloseConnect));  // asks again; this time the default is taken
  Choice = laCloseConnect;
  EXPECT_FALSE(DB->CheckConnection(laCloseConnect));
  EXPECT_FALSE(DB->Connected());
  EXPECT_EQ(Proposed.size(), 3u);
}

TEST_F(LostConnection, WaitRestoreReconnectsOnTheTimerAndRetriesFailures) {
  Choice = laWaitRestore;
  DB->SetWaitForRestoreConnect(5000);
  int restored = 0;
  std::vector<String> errors;
  DB->AfterRestoreConnect = TFIBRestoreConnectEvent([&](TFIBDatabase*) { ++restored; });
  DB->OnErrorRestoreConnect = TFIBLostConnectEvent([&](TFIBDatabase*, EFIBError& e, TOnLostConnectActions& a) {
    EXPECT_EQ(a, laIgnore);
    errors.push_back(e.Message());
  });
  DB->Open();
  Kill();
  DB->Close();
  EXPECT_FALSE(DB->Connected());
  DB->ConnectParams()->SetPassword("wrong" + Server.Password);  // the first attempts fail
  Clock->Elapse(4999);
  EXPECT_TRUE(errors.empty());
  Clock->Elapse(1);
  EXPECT_EQ(errors.size(), 1u);
  Clock->Elapse(5000);
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_FALSE(DB->Connected());
  DB->ConnectParams()->SetPassword(Server.Password);
  Clock->Elapse(5000);
  EXPECT_TRUE(DB->Connected());
  EXPECT_EQ(restored, 1);
  Clock->Elapse(20000);  // the timer stopped with the reconnect
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_EQ(DB->WaitForRestoreConnect(), 5000u);
  DB->AfterRestoreConnect = TFIBRestoreConnectEvent();
  DB->OnErrorRestoreConnect = TFIBLostConnectEvent();
  DB->Close();
}

namespace terminate {
int Asked = 0;
bool Answer = true;
String Shown;
bool Proc() {
  ++Asked;
  return Answer;
}
void Show(const String& message) { Shown = message; }
}  // namespace terminate

TEST_F(LostConnection, TerminateAppAsksTheTerminateProceduresThenQuits) {
  Choice = laTerminateApp;
  AddTerminateProc(&terminate::Proc);
  for (bool answer : {false, true}) {
    terminate::Asked = 0;
    terminate::Answer = answer;
    DB->Open();
    Kill();
    DB->Close();
    EXPECT_FALSE(DB->Connected()) << answer;
    EXPECT_EQ(terminate::Asked, 1) << answer;
    EXPECT_EQ(Clock->TakeQuit(), answer);  // the quit message only when the procedures agree
  }
  // A reconnect that fails for good: the message is shown, then the program ends.
  SetLostConnectMessageProc(&terminate::Show);
  DB->SetWaitForRestoreConnect(1000);
  Choice = laWaitRestore;
  DB->Open();
  Kill();
  DB->Close();
  DB->OnErrorRestoreConnect = TFIBLostConnectEvent(
      [](TFIBDatabase*, EFIBError&, TOnLostConnectActions& a) { a = laTerminateApp; });
  DB->ConnectParams()->SetPassword("wrong");
  terminate::Asked = 0;
  Clock->Elapse(1000);
  EXPECT_TRUE(Clock->TakeQuit());
  EXPECT_EQ(terminate::Asked, 1);
  EXPECT_NE(terminate::Shown.find("password"), String::npos) << terminate::Shown;
  SetLostConnectMessageProc(nullptr);
  RemoveTerminateProc(&terminate::Proc);
}

}  // namespace
