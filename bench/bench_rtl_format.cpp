#include <benchmark/benchmark.h>

#include "rtl/SysUtils.h"

static void BM_FormatMixed(benchmark::State& state) {
  const String name = "backup.fbk";
  for (auto _ : state) {
    String s = Format("%s: %d files, %.2f MB, %n", {name, 42, 1234.5678, 9876543.21});
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_FormatMixed);

static void BM_FloatToStr(benchmark::State& state) {
  double v = 0.1;
  for (auto _ : state) {
    String s = FloatToStr(v);
    benchmark::DoNotOptimize(s);
    v += 1.37;
  }
}
BENCHMARK(BM_FloatToStr);

static void BM_FormatFloatMask(benchmark::State& state) {
  for (auto _ : state) {
    String s = FormatFloat("#,##0.00;(#,##0.00);\"zero\"", -1234567.891);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_FormatFloatMask);

static void BM_AnsiCompareTextCyrillic(benchmark::State& state) {
  const String a = "Резервная копия базы данных за понедельник";
  const String b = "РЕЗЕРВНАЯ КОПИЯ БАЗЫ ДАННЫХ ЗА ПОНЕДЕЛЬНИК";
  for (auto _ : state) benchmark::DoNotOptimize(AnsiCompareText(a, b));
}
BENCHMARK(BM_AnsiCompareTextCyrillic);

static void BM_AnsiUpperCase(benchmark::State& state) {
  const String a = "Резервная копия базы данных, backup of the database";
  for (auto _ : state) {
    String s = AnsiUpperCase(a);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_AnsiUpperCase);
