// Fetching a million rows of five columns through TFIBQuery, against a plain loop over isc_dsql_fetch of
// the same statement on the same connection and transaction, in the same run (embedded). Both loops read
// the first column of every row. The counter "ratio" is the statement's rows per second over the plain
// loop's.
#include <benchmark/benchmark.h>

#include "BenchDb.h"
#include <ibase.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dbaccess/FIBDatabase.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

namespace {
constexpr int kRows = 1000000;
const char* const kSelect = "select ID, NAME, AMOUNT, CREATED, FLAG from T";

using benchdb::Check;
using benchdb::CreateDatabase;
using benchdb::Lib;

using benchdb::Seconds;

// The plain loop: its own descriptor block, buffers and indicators.
int64_t PlainFetch(isc_db_handle* db, isc_tr_handle* tr) {
  IIBClientLibrary* lib = Lib();
  isc_stmt_handle stmt = 0;
  Check(lib->isc_dsql_alloc_statement2(StatusVector(), db, &stmt));
  std::vector<char> block(XSQLDA_LENGTH(5));
  XSQLDA* da = reinterpret_cast<XSQLDA*>(block.data());
  da->version = SQLDA_VERSION1;
  da->sqln = 5;
  Check(lib->isc_dsql_prepare(StatusVector(), tr, &stmt, 0, kSelect, 3, da));
  std::vector<std::vector<char>> data(5);
  std::vector<short> nulls(5);
  for (int i = 0; i < 5; ++i) {
    XSQLVAR& v = da->sqlvar[i];
    data[static_cast<size_t>(i)].resize(static_cast<size_t>(v.sqllen) + 2);
    v.sqldata = data[static_cast<size_t>(i)].data();
    v.sqlind = &nulls[static_cast<size_t>(i)];
  }
  Check(lib->isc_dsql_execute(StatusVector(), tr, &stmt, 3, nullptr));
  int64_t sum = 0;
  while (true) {
    const ISC_STATUS r = lib->isc_dsql_fetch(StatusVector(), &stmt, 3, da);
    if (r == 100) break;
    Check(r);
    int32_t id;
    std::memcpy(&id, da->sqlvar[0].sqldata, 4);
    sum += id;
  }
  Check(lib->isc_dsql_free_statement(StatusVector(), &stmt, DSQL_drop));
  return sum;
}

int64_t QueryFetch(TFIBQuery* q) {
  int64_t sum = 0;
  q->ExecQuery();
  TFIBXSQLVAR* id = q->Fields(0);
  while (!q->Eof()) {
    sum += id->GetAsInteger();
    q->FetchNext();
  }
  q->CloseCursor();
  return sum;
}
}  // namespace

static void BM_FetchQueryVersusPlainLoop(benchmark::State& state) {
  namespace fs = std::filesystem;
  char templ[] = "/tmp/vorn-bench-XXXXXX";
  std::string dir = mkdtemp(templ);
  std::string path = dir + "/fetch.fdb";
  CreateDatabase(path, kRows, true);
  TFIBDatabase* db = New<TFIBDatabase>(nullptr);
  db->SetDBName(path);
  db->SetSQLDialect(3);
  db->DBParams()->Add("user_name=SYSDBA");
  db->DBParams()->Add("lc_ctype=UTF8");
  TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
  tr->SetDefaultDatabase(db);
  db->Open();
  tr->StartTransaction();
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(db);
  q->SetTransaction(tr);
  q->SQL()->SetText(kSelect);
  q->Prepare();
  double plainTotal = 0, queryTotal = 0;
  int64_t expected = static_cast<int64_t>(kRows) * (kRows - 1) / 2;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (PlainFetch(db->HandleAddress(), tr->HandleAddress()) != expected) state.SkipWithError("plain sum");
    plainTotal += Seconds(t0);
    auto t1 = std::chrono::steady_clock::now();
    if (QueryFetch(q) != expected) state.SkipWithError("query sum");
    queryTotal += Seconds(t1);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["plain_rows_per_s"] = kRows * n / plainTotal;
  state.counters["query_rows_per_s"] = kRows * n / queryTotal;
  state.counters["ratio"] = plainTotal / queryTotal;
  q->Free();
  tr->Commit();
  tr->Free();
  db->Close();
  db->Free();
  fs::remove_all(dir);
}
BENCHMARK(BM_FetchQueryVersusPlainLoop)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
