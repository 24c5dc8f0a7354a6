#include <benchmark/benchmark.h>

#include "rtl/Utf8.h"
#include "ui/editors/cxRegExpr.h"
#include "ui/editors/cxStandardMask.h"

// Typing a 1,000-character text into a mask: the engine is reset and fed one character at a time, as the
// mask editor does when it re-reads its text. Every mask accepts its whole input, so each run does the
// same 1,000 steps; the input is decoded to code points once, outside the timed loop.
namespace {

struct MaskInput {
  const char* mask;
  std::u32string input;
};

MaskInput Input(int64_t which) {
  std::u32string s;
  switch (which) {
    case 0:  // digits only
      for (int i = 0; i < 1000; ++i) s += static_cast<char32_t>('0' + i % 10);
      return {"\\d+", s};
    case 1:  // an address with a long local part
      for (int i = 0; i < 990; ++i) s += static_cast<char32_t>(i % 7 == 6 ? '.' : 'a' + i % 26);
      s += U"@host.ru";
      while (s.size() < 1000) s += U'z';
      return {"[a-zA-Z0-9_.\\-]+'@'[a-z]+('.'[a-z]+)*", s};
    case 2:  // a list of addresses "d.d.d.d "
      while (s.size() < 1000) s += U"192.168.1.25 ";
      s.resize(1000);
      s.back() = U'5';
      return {"(\\d{1,3}'.'\\d{1,3}'.'\\d{1,3}'.'\\d{1,3}' '?)+", s};
    case 3:  // Cyrillic words and blanks, case-insensitive
      while (s.size() < 1000) s += U"Жёлтый дом ";
      s.resize(1000);
      s.back() = U'м';
      return {"([а-яё]|[А-ЯЁ])+(' '([а-яё]|[А-ЯЁ])+)*", s};
    default:  // a group that can be empty under an open bound
      s.assign(1000, U'a');
      return {"((a*){1,}b?){1,}", s};
  }
}

void BM_RegExprType1000(benchmark::State& state) {
  const MaskInput mi = Input(state.range(0));
  TcxRegExpr re;
  re.Compile(mi.mask);
  for (auto _ : state) {
    re.Reset();
    bool ok = true;
    for (char32_t ch : mi.input) {
      char32_t c = ch;
      ok = re.Next(c) && ok;
    }
    if (!ok || !re.Accepting()) state.SkipWithError("the mask refused its input");
    benchmark::DoNotOptimize(ok);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mi.input.size()));
  state.SetLabel(mi.mask);
}
BENCHMARK(BM_RegExprType1000)->DenseRange(0, 4);

// The standard mask formatting a 1,000-character paste into a 1,000-position mask.
void BM_StandardMaskFormat1000(benchmark::State& state) {
  String maskText = "!";
  for (int i = 0; i < 250; ++i) maskText += "00\\-";
  TcxStandardMask mask;
  mask.SetMask(maskText);
  String input;
  for (int i = 0; i < 250; ++i) input += "12-";
  for (auto _ : state) {
    String text = input;
    mask.Format(text);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_StandardMaskFormat1000);

}  // namespace
