#include <benchmark/benchmark.h>

#include "rtl/System.h"

static void BM_NewFree(benchmark::State& state) {
  for (auto _ : state) {
    TObject* obj = New<Exception>("x");
    benchmark::DoNotOptimize(obj);
    obj->Free();
  }
}
BENCHMARK(BM_NewFree);
