// The SQL text parser over a few thousand statements of the kinds the datasets and statements open:
// every dataset open classifies its select, finds its WHERE, ORDER BY and FROM clauses and lists its
// tables; refresh and locate add conditions.
#include <benchmark/benchmark.h>

#include <vector>

#include "dbaccess/SqlTxtRtns.h"
#include "rtl/StringLists.h"

namespace {
// Deterministic pseudo-random choices so that every run measures the same texts.
struct Lcg {
  uint32_t s = 12345;
  uint32_t Next(uint32_t n) {
    s = s * 1103515245u + 12345u;
    return (s >> 8) % n;
  }
};

const char* const kTables[] = {"ORDERS", "CUSTOMERS", "ITEMS", "PRODUCTS", "\"Invoice Lines\"", "PAYMENTS",
                               "DEPARTMENTS", "EMPLOYEES", "PROJECTS", "BACKUPS"};
const char* const kFields[] = {"ID", "NAME", "CODE", "CREATED_AT", "AMOUNT", "STATUS", "\"Comment\"", "PARENT_ID"};

std::vector<String> MakeStatements(int count) {
  Lcg r;
  std::vector<String> out;
  out.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const String t1 = kTables[r.Next(10)], t2 = kTables[r.Next(10)];
    const String f1 = kFields[r.Next(8)], f2 = kFields[r.Next(8)], f3 = kFields[r.Next(8)];
    String sql;
    switch (r.Next(10)) {
      case 0:
        sql = "UPDATE " + t1 + " SET " + f1 + " = :" + f1 + ", " + f2 + " = :" + f2 + "\r\nWHERE ID = :OLD_ID";
        break;
      case 1:
        sql = "INSERT INTO " + t1 + " (" + f1 + ", " + f2 + ")\r\nVALUES (:" + f1 + ", :" + f2 + ")";
        break;
      case 2:
        sql = "DELETE FROM " + t1 + " WHERE ID = :OLD_ID";
        break;
      case 3:
        sql = "EXECUTE PROCEDURE SP_" + String(1, static_cast<char>('A' + r.Next(26))) + " :P1, :P2";
        break;
      default: {
        sql = "/* generated */\r\nSELECT a." + f1 + ", a." + f2 + ", b." + f3 +
              ", (SELECT COUNT(*) FROM ITEMS i WHERE i.ORDER_ID = a.ID) AS CNT\r\nFROM " + t1 + " a\r\n  LEFT JOIN " +
              t2 + " b ON b.ID = a.PARENT_ID\r\n";
        if (r.Next(3)) sql += "WHERE a.STATUS = 'WHERE ''quoted''' AND a." + f2 + " > :LO -- note\r\n";
        if (r.Next(4) == 0) sql += "  AND a.ID IN (SELECT ID FROM PAYMENTS p WHERE p.AMOUNT > 0)\r\n";
        if (r.Next(5) == 0) sql += "PLAN JOIN (A NATURAL, B INDEX (PK_B))\r\n";
        if (r.Next(2)) sql += "ORDER BY a." + f1 + " DESC, a." + f2;
        break;
      }
    }
    out.push_back(sql);
  }
  return out;
}

const std::vector<String>& Statements() {
  static const std::vector<String> s = MakeStatements(4000);
  return s;
}
}  // namespace

static void BM_Classify(benchmark::State& state) {
  TSQLParser* p = New<TSQLParser>();
  for (auto _ : state)
    for (const String& sql : Statements()) {
      p->SetSQL(sql);
      benchmark::DoNotOptimize(p->SQLKind());
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Statements().size()));
  p->Free();
}
BENCHMARK(BM_Classify)->Unit(benchmark::kMillisecond);

// What a dataset asks of its select when it opens.
static void BM_DataSetOpen(benchmark::State& state) {
  TSQLParser* p = New<TSQLParser>();
  for (auto _ : state)
    for (const String& sql : Statements()) {
      p->SetSQL(sql);
      if (p->SQLKind() != sqkSelect) {
        benchmark::DoNotOptimize(p->MainTable());
        continue;
      }
      benchmark::DoNotOptimize(p->MainWhereIndex());
      benchmark::DoNotOptimize(p->GetOrderClause());
      benchmark::DoNotOptimize(p->CountSQL());
      benchmark::DoNotOptimize(p->Tables(true)->Count());
    }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Statements().size()));
  p->Free();
}
BENCHMARK(BM_DataSetOpen)->Unit(benchmark::kMillisecond);

static void BM_AddWhereCondition(benchmark::State& state) {
  for (auto _ : state)
    for (const String& sql : Statements()) benchmark::DoNotOptimize(AddToWhereClause(sql, "a.ID = :ID", true));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Statements().size()));
}
BENCHMARK(BM_AddWhereCondition)->Unit(benchmark::kMillisecond);

static void BM_FieldNameByParam(benchmark::State& state) {
  for (auto _ : state)
    for (const String& sql : Statements()) benchmark::DoNotOptimize(FieldNameByParam(sql, "LO"));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Statements().size()));
}
BENCHMARK(BM_FieldNameByParam)->Unit(benchmark::kMillisecond);
