// Every client call of an operation failed in turn. A stand-in client passes the calls on to the real
// embedded engine and fails the chosen one; for each operation the calls of a clean run are counted,
// then the run is repeated with call 1, 2, ... N failing. Each failure must surface as the library's
// error carrying the failed call's status, leave no client handle open once the objects are freed,
// and leave the objects usable: the same operation run again without a failure succeeds on them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "TestDb.h"
#include "datasets/ZAZDataSet.h"
#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZServices.h"
#include "rtl/DynLibs.h"
#include "rtl/StringLists.h"

namespace {

constexpr int32_t kRows = 5;
// "connection lost to database": what the stand-in reports for the call it fails.
constexpr int32_t kInjectedError = 335544741;

// The stand-in's counters.
class Faulting {
public:
  Faulting() : FModule(LoadLibrary(FAKEFBFAULTING_PATH)) {}
  ~Faulting() { FreeLibrary(FModule); }
  int& Calls() const { return Var("fault_calls"); }
  int& FailAt() const { return Var("fault_fail_at"); }
  int& OpenHandles() const { return Var("fault_open_handles"); }

private:
  int& Var(const char* name) const { return *static_cast<int*>(GetProcAddress(FModule, name)); }
  TModuleHandle FModule;
};

// The objects one run works on; made fresh for each failed call.
struct World {
  const String& dbPath;
  const String& backupPath;
  const String& restoredPath;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  TFIBDataSet* DS = nullptr;
  TpZAZBackupService* Backup = nullptr;
  TpZAZRestoreService* Restore = nullptr;
  int32_t NextId = 1000;

  void Connect(bool open) {
    DB = New<TFIBDatabase>(nullptr);
    DB->SetName("DB1");
    DB->SetDBName(dbPath);
    DB->SetLibraryName(FAKEFBFAULTING_PATH);
    DB->DBParams()->Add("user_name=SYSDBA");
    DB->DBParams()->Add("lc_ctype=UTF8");
    TR = New<TFIBTransaction>(nullptr);
    TR->SetName("TR1");
    TR->SetDefaultDatabase(DB);
    if (!open) return;
    DB->Open();
    TR->StartTransaction();
  }
  void MakeDataSet() {
    DS = New<TFIBDataSet>(nullptr);
    DS->SetName("qT");
    DS->SetDatabase(DB);
    DS->SetTransaction(TR);
    DS->SelectSQL()->SetText("SELECT ID, NAME FROM T ORDER BY ID");
    DS->InsertSQL()->SetText("INSERT INTO T (ID, NAME) VALUES (?ID, ?NAME)");
    // Re-read after each post: the calls of the re-read are swept too.
    DS->RefreshSQL()->SetText("SELECT ID, NAME FROM T WHERE ID = ?OLD_ID");
  }
  template <class T>
  T* Service() {
    T* svc = New<T>(nullptr);
    svc->SetLibraryName(FAKEFBFAULTING_PATH);
    svc->SetLoginPrompt(false);
    svc->Params()->Add("user_name=SYSDBA");
    return svc;
  }
  // Runs a statement in the run's own transaction; the first column of its first row, if it has one.
  int64_t Exec(const String& sql) {
    auto* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    try {
      q->ExecQuery();
      const int64_t n = q->Open() && !q->Eof() ? q->Fields(0)->GetAsInt64() : 0;
      q->Free();
      return n;
    } catch (...) {
      q->Free();
      throw;
    }
  }
  // Rows of T whose ID is id, seen through the run's own transaction.
  int64_t RowsWithId(int32_t id) { return Exec("SELECT COUNT(*) FROM T WHERE ID = " + std::to_string(id)); }

  ~World() {
    if (DS) DS->Free();
    if (TR && TR->InTransaction()) TR->Rollback();
    if (TR) TR->Free();
    if (DB && DB->Connected()) DB->Close();
    if (DB) DB->Free();
    for (TpZAZCustomService* svc : {static_cast<TpZAZCustomService*>(Backup), static_cast<TpZAZCustomService*>(Restore)}) {
      if (svc && svc->Active()) svc->Detach();
      if (svc) svc->Free();
    }
  }
};

// An operation: what is made before it (no call of it fails), the operation itself, and what a run of
// it that succeeded leaves behind.
struct Operation {
  const char* name;
  void (*setUp)(World&);
  void (*run)(World&);
  void (*check)(World&);
};

void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

void RunService(TpZAZControlService* svc) {
  if (!svc->Active()) svc->Attach();
  svc->ServiceStart();
  svc->Detach();
}

// The rows of T in the run's backup, restored through the real client: a backup that a failed run left
// going in the background would have spoilt the file the retry wrote.
int64_t CountRowsInBackup(World& w) {
  auto* svc = New<TpZAZRestoreService>(nullptr);
  try {
    svc->SetLoginPrompt(false);
    svc->Params()->Add("user_name=SYSDBA");
    svc->BackupFile()->Add(w.backupPath);
    svc->DatabaseName()->Add(w.restoredPath);
    svc->SetOptions(TRestoreOptions{Replace});
    RunService(svc);
  } catch (...) {
    svc->Free();
    throw;
  }
  svc->Free();
  return CountRows(w.restoredPath);
}

const Operation kOperations[] = {
    {"Open",
     [](World& w) {
       w.Connect(false);
       w.DB->SetSynchronizeTime(false);
     },
     [](World& w) { w.DB->Open(); }, [](World& w) { EXPECT_TRUE(w.DB->Connected()); }},
    // The server's time is read in a transaction of its own on the new connection.
    {"OpenSynchronizingTime", [](World& w) { w.Connect(false); }, [](World& w) { w.DB->Open(); },
     [](World& w) { EXPECT_TRUE(w.DB->Connected()); }},
    {"Fetch",
     [](World& w) {
       w.Connect(true);
       w.MakeDataSet();
     },
     [](World& w) {
       w.DS->Close();
       w.DS->Open();
       w.DS->FetchAll();
     },
     [](World& w) {
       EXPECT_EQ(w.DS->RecordCount(), kRows);
       w.DS->Last();
       EXPECT_EQ(w.DS->FieldByName("ID")->AsInteger(), kRows - 1);  // IDs from 0
     }},
    {"Post",
     [](World& w) {
       w.Connect(true);
       w.MakeDataSet();
       w.DS->Open();
     },
     [](World& w) {
       // A post that failed keeps the row being inserted: the retry posts it as it is. A post whose
       // row was written but whose re-read failed is complete: the retry re-reads the row.
       if (w.DS->State() == dsInsert) return w.DS->Post();
       if (!w.DS->IsEmpty() && w.DS->FieldByName("ID")->AsInteger() == w.NextId) return w.DS->Refresh();
       w.DS->Insert();
       w.DS->FieldByName("ID")->SetAsInteger(w.NextId);
       w.DS->FieldByName("NAME")->SetAsString("posted");
       w.DS->Post();
     },
     [](World& w) {
       EXPECT_EQ(w.DS->State(), dsBrowse);
       EXPECT_EQ(w.RowsWithId(w.NextId), 1);
       EXPECT_EQ(w.DS->FieldByName("ID")->AsInteger(), w.NextId);
       EXPECT_EQ(w.DS->FieldByName("NAME")->AsString(), "posted");
     }},
    {"Commit",
     [](World& w) {
       w.Connect(true);
       w.Exec("INSERT INTO T (ID, NAME) VALUES (" + std::to_string(w.NextId) + ", 'committed')");
     },
     [](World& w) { w.TR->Commit(); },
     [](World& w) {
       EXPECT_FALSE(w.TR->InTransaction());
       w.TR->StartTransaction();
       EXPECT_EQ(w.RowsWithId(w.NextId), 1);
       // Left as it was found for the next run.
       w.Exec("DELETE FROM T WHERE ID = " + std::to_string(w.NextId));
       w.TR->Commit();
     }},
    {"Backup",
     [](World& w) {
       std::filesystem::remove(w.backupPath);
       w.Backup = w.Service<TpZAZBackupService>();
       w.Backup->SetDatabaseName(w.dbPath);
       w.Backup->BackupFile()->Add(w.backupPath);
     },
     [](World& w) { RunService(w.Backup); },
     [](World& w) { EXPECT_EQ(CountRowsInBackup(w), kRows); }},
    {"Restore",
     [](World& w) {
       std::filesystem::remove(w.restoredPath);
       w.Restore = w.Service<TpZAZRestoreService>();
       w.Restore->BackupFile()->Add(w.backupPath);
       w.Restore->DatabaseName()->Add(w.restoredPath);
       w.Restore->SetOptions(TRestoreOptions{Replace});
     },
     [](World& w) { RunService(w.Restore); },
     [](World& w) { EXPECT_EQ(CountRows(w.restoredPath), kRows); }},
};

class FaultSweep : public ::testing::TestWithParam<Operation> {
protected:
  TempDir Dir;
  Faulting Fake;
  const String DbPath = Dir.File("sweep.fdb");
  const String BackupPath = Dir.File("sweep.fbk");
  const String RestoredPath = Dir.File("restored.fdb");

  void SetUp() override {
    CreateTestDatabase(DbPath, kRows);
    Fake.FailAt() = 0;
    if (String(GetParam().name) != "Restore") return;
    // The restore reads a backup made by a clean run.
    World w{DbPath, BackupPath, RestoredPath};
    w.Backup = w.Service<TpZAZBackupService>();
    w.Backup->SetDatabaseName(DbPath);
    w.Backup->BackupFile()->Add(BackupPath);
    RunService(w.Backup);
  }
  void TearDown() override { Fake.FailAt() = 0; }

  // One run with call k failing (0: none); the number of calls the operation made.
  int Run(const Operation& op, int k) {
    SCOPED_TRACE(k == 0 ? String("clean run") : "call " + std::to_string(k) + " failed");
    Fake.FailAt() = 0;
    Fake.OpenHandles() = 0;
    int calls = 0;
    {
      World w{DbPath, BackupPath, RestoredPath};
      w.NextId += k;
      op.setUp(w);
      Fake.Calls() = 0;
      Fake.FailAt() = k;
      if (k == 0) {
        op.run(w);
      } else {
        try {
          op.run(w);
          ADD_FAILURE() << "call " << k << " failed unnoticed";
        } catch (const EFIBError& e) {
          EXPECT_EQ(e.IBErrorCode(), kInjectedError) << "call " << k << ": " << e.Message();
        } catch (const Exception& e) {
          ADD_FAILURE() << "call " << k << " raised " << e.ClassName() << ": " << e.Message();
        }
      }
      calls = Fake.Calls();
      Fake.FailAt() = 0;
      if (k != 0) {
        try {
          op.run(w);
        } catch (const Exception& e) {
          ADD_FAILURE() << "after call " << k << " failed, the retry raised: " << e.Message();
        }
      }
      op.check(w);
    }
    EXPECT_EQ(Fake.OpenHandles(), 0) << "handles left open after call " << k << " failed";
    return calls;
  }
};

TEST_P(FaultSweep, EachFailedCallIsReportedAndRecoverable) {
  const Operation& op = GetParam();
  const int n = Run(op, 0);
  ASSERT_GT(n, 0);
  for (int k = 1; k <= n && !HasFailure(); ++k) Run(op, k);
  RecordProperty("calls", n);
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweep, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& info) { return info.param.name; });

}  // namespace
