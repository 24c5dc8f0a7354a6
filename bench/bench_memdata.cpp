// The in-memory dataset at the size the program could meet: 100,000 rows of five fields appended through
// the dataset, sorted by a string field, and 1,000 keys located with and without an index.
#include <benchmark/benchmark.h>

#include "memdata/dxmdaset.h"
#include "rtl/SysUtils.h"
#include "rtl/Variants.h"

namespace {

constexpr int32_t kRows = 100000;
constexpr int32_t kKeys = 1000;

struct Table {
  TComponent* owner;
  TdxMemData* ds;
  TStringField* name;
  TIntegerField* num;
  TFloatField* amount;
  TDateTimeField* when;
  TStringField* code;

  Table() {
    owner = New<TComponent>(nullptr);
    ds = New<TdxMemData>(owner);
    name = Add<TStringField>("name");
    name->SetSize(40);
    num = Add<TIntegerField>("num");
    amount = Add<TFloatField>("amount");
    when = Add<TDateTimeField>("when");
    code = Add<TStringField>("code");
    code->SetSize(10);
    ds->Open();
  }
  ~Table() { owner->Free(); }
  template <class F>
  F* Add(const String& n) {
    F* f = New<F>(owner);
    f->SetFieldName(n);
    f->SetDataSet(ds);
    return f;
  }
  // Names in a scrambled order so that sorting has work to do.
  static String NameOf(int32_t i) { return "Клиент " + IntToStr((i * 7919) % kRows); }
  void Fill() {
    ds->DisableControls();
    for (int32_t i = 0; i < kRows; ++i) {
      ds->Append();
      name->SetAsString(NameOf(i));
      num->SetAsInteger(i);
      amount->SetAsFloat(i * 1.25);
      when->SetAsDateTime(45000.0 + i / 1440.0);
      code->SetAsString(IntToStr(i % 997));
      ds->Post();
    }
    ds->EnableControls();
  }
};

void BM_Append(benchmark::State& state) {
  for (auto _ : state) {
    Table t;
    t.Fill();
    benchmark::DoNotOptimize(t.ds->RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Append)->Unit(benchmark::kMillisecond);

void BM_BuildIndex(benchmark::State& state) {
  Table t;
  TdxMemIndex* idx = t.ds->Indexes()->Add();
  idx->SetFieldName("name");
  t.Fill();
  for (auto _ : state) {
    idx->SetSortOptions(TdxSortOptions{});  // marks it dirty
    t.ds->Locate("name", Variant(Table::NameOf(1)), {});
  }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

void BM_SortByString(benchmark::State& state) {
  Table t;
  t.Fill();
  bool desc = false;
  for (auto _ : state) {
    // Alternate the direction so that every round sorts for real.
    t.ds->SetSortOptions(desc ? TdxSortOptions{soDesc} : TdxSortOptions{});
    t.ds->SetSortedField("name");
    desc = !desc;
  }
}
BENCHMARK(BM_SortByString)->Unit(benchmark::kMillisecond);

void LocateKeys(benchmark::State& state, bool withIndex, bool sorted = false) {
  Table t;
  if (withIndex) t.ds->Indexes()->Add()->SetFieldName("name");
  t.Fill();
  if (sorted) t.ds->SetSortedField("name");
  // The index builds on its first search; that cost is measured with the sort, not here.
  t.ds->Locate("name", Variant(Table::NameOf(0)), {});
  for (auto _ : state) {
    int32_t found = 0;
    for (int32_t k = 0; k < kKeys; ++k)
      found += t.ds->Locate("name", Variant(Table::NameOf(k * (kRows / kKeys))), {}) ? 1 : 0;
    if (found != kKeys) state.SkipWithError("a key was not found");
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
void BM_Locate1000_Scan(benchmark::State& state) { LocateKeys(state, false); }
void BM_Locate1000_Index(benchmark::State& state) { LocateKeys(state, true); }
void BM_Locate1000_Sorted(benchmark::State& state) { LocateKeys(state, false, true); }
BENCHMARK(BM_Locate1000_Scan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Locate1000_Sorted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Locate1000_Index)->Unit(benchmark::kMillisecond);

}  // namespace
