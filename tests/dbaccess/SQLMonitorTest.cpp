// The trace channel with a monitor in another process: this test executable started again, running
// only the monitor test below, on a channel of its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "FIBDatabaseTest.h"
#include "TestDb.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/FIBSQLMonitor.h"
#include "rtl/Components.h"
#include "rtl/NamedObjects.h"

namespace SB = SQLMonitorBlock;

namespace {
struct Piece {
  int32_t kind = 0;
  double stamp = 0;
  String text;
};

// Starts this executable again as the monitor; it writes each piece it reads to `out`.
pid_t StartMonitor(const String& channel, const String& out, int pieces) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("VORN_TEST_MONITOR_CHANNEL", channel.c_str(), 1);
    setenv("VORN_TEST_MONITOR_OUT", out.c_str(), 1);
    setenv("VORN_TEST_MONITOR_PIECES", std::to_string(pieces).c_str(), 1);
    execl("/proc/self/exe", "dbaccess_tests", "--gtest_filter=SQLMonitorChild.Run", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

std::vector<Piece> ReadPieces(const String& path) {
  std::vector<Piece> pieces;
  std::ifstream in(path, std::ios::binary);
  for (;;) {
    Piece p;
    int32_t len = 0;
    if (!in.read(reinterpret_cast<char*>(&p.kind), 4)) break;
    in.read(reinterpret_cast<char*>(&p.stamp), 8);
    in.read(reinterpret_cast<char*>(&len), 4);
    p.text.resize(static_cast<size_t>(len));
    in.read(p.text.data(), len);
    pieces.push_back(p);
  }
  return pieces;
}

int WaitExit(pid_t pid, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -2;
}
}  // namespace

// The monitor side of the handshake; does nothing unless started by StartMonitor.
TEST(SQLMonitorChild, Run) {
  const char* channel = std::getenv("VORN_TEST_MONITOR_CHANNEL");
  if (!channel) GTEST_SKIP() << "runs only as the monitor process of the trace channel test";
  String base = channel;
  int pieces = std::atoi(std::getenv("VORN_TEST_MONITOR_PIECES"));
  std::ofstream out(std::getenv("VORN_TEST_MONITOR_OUT"), std::ios::binary);
  auto* mem = New<TNamedSharedMemory>(base + ".SharedMem", SB::Size);
  auto* writeEvent = New<TNamedEvent>(base + ".WriteEvent", true, false);
  auto* writeFinished = New<TNamedEvent>(base + ".WriteFinishedEvent", true, true);
  auto* readEvent = New<TNamedEvent>(base + ".ReadEvent", true, false);
  auto* readFinished = New<TNamedEvent>(base + ".ReadFinishedEvent", true, false);
  char* block = static_cast<char*>(mem->Memory());
  auto at = [&](int32_t off) { return std::atomic_ref<int32_t>(*reinterpret_cast<int32_t*>(block + off)); };
  const int32_t counters[] = {SB::PrepareCounter, SB::ExecuteCounter, SB::FetchCounter, SB::ConnectCounter,
                              SB::TransactionCounter};
  for (int32_t c : counters) at(c).fetch_add(1);
  at(SB::MonitorCount).fetch_add(1);
  for (int i = 0; i < pieces; ++i) {
    ASSERT_EQ(writeFinished->WaitFor(10000), wrSignaled);
    if (at(SB::ReaderCount).fetch_add(1) + 1 == at(SB::MonitorCount).load()) readEvent->SetEvent();
    ASSERT_EQ(writeEvent->WaitFor(10000), wrSignaled);
    int32_t kind = at(SB::Kind).load(), len = at(SB::Length).load();
    double stamp;
    std::memcpy(&stamp, block + SB::TimeStamp, 8);
    out.write(reinterpret_cast<char*>(&kind), 4);
    out.write(reinterpret_cast<char*>(&stamp), 8);
    out.write(reinterpret_cast<char*>(&len), 4);
    out.write(block + SB::Text, len);
    readEvent->ResetEvent();
    if (at(SB::ReaderCount).fetch_sub(1) - 1 == 0) readFinished->SetEvent();
  }
  out.close();
  at(SB::MonitorCount).fetch_sub(1);
  for (int32_t c : counters) at(c).fetch_sub(1);
  for (TObject* o : std::initializer_list<TObject*>{readFinished, readEvent, writeFinished, writeEvent, mem}) o->Free();
}

TEST(SQLMonitor, MonitorInAnotherProcessReceivesPiecesInOrder) {
  TempDir dir;
  String channel = "VORN.TEST.MONITOR.child." + std::to_string(getpid());
  String previous = MonitorChannel();
  SetMonitorChannel(channel);
  auto* hook = New<TFIBSQLMonitorHook>();
  SetMonitorChannel(previous);
  ASSERT_TRUE(hook->Enabled());

  // Without a monitor nothing is queued and no writer runs.
  hook->SendTrace("nobody listens", tfService);
  EXPECT_FALSE(hook->WriterRunning());

  String outFile = dir.File("pieces.bin");
  String longText(4500, 'L');
  pid_t pid = StartMonitor(channel, outFile, 8);
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 200 && hook->GetMonitorCount() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_EQ(hook->GetMonitorCount(), 1);

  auto* svc = New<TComponent>(nullptr);
  svc->SetName("BackupService1");
  hook->TraceServiceAttach(svc);
  hook->SendTrace(String("a\x01tab\there\r\nnext"), tfQExecute);
  hook->SendTrace(longText, tfQPrepare);
  svc->SetName("Database1");
  hook->TraceConnect(svc);
  svc->SetName("Transaction1");
  hook->TraceCommit(svc, 42);
  hook->TraceSavepoint(svc, 42, "S1", 1);
  svc->Free();
  EXPECT_TRUE(hook->WriterRunning());
  EXPECT_EQ(WaitExit(pid, 30), 0);

  std::vector<Piece> pieces = ReadPieces(outFile);
  ASSERT_EQ(pieces.size(), 8u);
  const String prefix = "\r\n[Application: dbaccess_tests]\r\n";
  EXPECT_EQ(pieces[0].kind, tfService);
  EXPECT_EQ(pieces[0].text, prefix + "BackupService1: [Attach]");
  EXPECT_EQ(pieces[1].kind, tfQExecute);
  EXPECT_EQ(pieces[1].text, prefix + "a#$01tab\there\r\nnext");
  // 4500 + prefix bytes in pieces of at most 2002, all of one kind and one time stamp.
  String joined;
  for (size_t i = 2; i < 5; ++i) {
    EXPECT_EQ(pieces[i].kind, tfQPrepare);
    EXPECT_EQ(pieces[i].stamp, pieces[2].stamp);
    joined += pieces[i].text;
  }
  EXPECT_EQ(pieces[2].text.size(), 2002u);
  EXPECT_EQ(pieces[3].text.size(), 2002u);
  EXPECT_EQ(joined, prefix + longText);
  EXPECT_GT(pieces[0].stamp, 40000.0);  // a date of this century
  EXPECT_EQ(pieces[5].kind, tfConnect);
  EXPECT_EQ(pieces[5].text, prefix + "Database1: [Connect]");
  EXPECT_EQ(pieces[6].kind, tfTransact);
  EXPECT_EQ(pieces[6].text, prefix + "Transaction1: [Commit (Hard commit)](42)");
  EXPECT_EQ(pieces[7].text, prefix + "Transaction1: Transaction(42) - [RollBackToSavePoint(\"S1\")]");

  hook->Free();
  UnlinkMonitorChannel(channel);
}

TEST(SQLMonitor, StatementsTracePrepareExecuteAndFetch) {
  TempDir dir;
  const String path = dir.File("trace.fdb");
  CreateTestDatabase(path, 3);
  Owned own;
  TFIBDatabase* db = own(NewDatabase(path));
  TFIBTransaction* tr = own(NewTransaction(db));
  db->Open();
  tr->StartTransaction();
  auto* owner = own(New<TComponent>(nullptr));
  owner->SetName("Form1");
  auto* q = New<TFIBQuery>(owner);
  q->SetName("Query1");
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText("select ID, NAME from T where ID = :ID or NAME = :NM");

  String channel = "VORN.TEST.MONITOR.stmt." + std::to_string(getpid());
  String previous = MonitorChannel();
  SetMonitorChannel(channel);
  auto* hook = New<TFIBSQLMonitorHook>();
  SetMonitorChannel(previous);
  String outFile = dir.File("pieces.bin");
  pid_t pid = StartMonitor(channel, outFile, 4);
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 200 && hook->GetMonitorCount() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_EQ(hook->GetMonitorCount(), 1);

  q->Prepare();
  hook->TracePrepare(q);
  q->ParamByName("ID")->SetAsInteger(2);
  q->ParamByName("NM")->SetIsNull(true);
  q->ExecQuery();
  hook->TraceExecute(q);
  hook->TraceFetch(q);
  q->FetchNext();
  hook->TraceFetch(q);
  EXPECT_EQ(WaitExit(pid, 30), 0);

  std::vector<Piece> pieces = ReadPieces(outFile);
  ASSERT_EQ(pieces.size(), 4u);
  const String prefix = "\r\n[Application: dbaccess_tests]\r\n";
  // The SQL text is the string list's text, so it ends in CR LF.
  const String sql = "select ID, NAME from T where ID = :ID or NAME = :NM\r\n";
  EXPECT_EQ(pieces[0].kind, tfQPrepare);
  EXPECT_EQ(pieces[0].text, prefix + "Query1: [Prepare] " + sql + "\r\n  Plan: PLAN (T NATURAL)");
  EXPECT_EQ(pieces[1].kind, tfQExecute);
  EXPECT_EQ(pieces[1].text.rfind(prefix + "Form1.Query1: [Execute] " + sql + "\r\n  ID = 2\r\n  NM = <NULL>\r\n", 0), 0u)
      << pieces[1].text;
  EXPECT_NE(pieces[1].text.find("\r\nExecute tick count "), String::npos);
  EXPECT_EQ(pieces[2].kind, tfQFetch);
  const String row = "ID = 2\r\nNAME = row 2\r\n";
  EXPECT_EQ(pieces[2].text, prefix + "\r\nQuery1: [Fetch] " + sql + row);
  EXPECT_EQ(pieces[3].text, prefix + "\r\nQuery1: [Fetch] " + sql + row + "\r\n  End of file reached");
  hook->Free();
  UnlinkMonitorChannel(channel);
}
