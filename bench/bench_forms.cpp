// Streaming and showing a form of 300 controls from its text resource on the headless backend.

#include <benchmark/benchmark.h>

#include <string>

#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "winapi/Headless.h"

namespace {

class TBenchForm : public TForm {
  RTL_CLASS(TBenchForm, TForm)
public:
  using TForm::TForm;
};

// 30 panels stacked at the top, each holding 9 paint boxes: 300 controls.
String BenchFormText() {
  String s = "object BenchForm: TBenchForm\n  ClientWidth = 800\n  ClientHeight = 600\n";
  for (int p = 0; p < 30; ++p) {
    s += "  object Panel" + std::to_string(p) + ": TPanel\n    Height = 20\n    Align = alTop\n";
    for (int b = 0; b < 9; ++b) {
      s += "    object Box" + std::to_string(p) + "_" + std::to_string(b) + ": TPaintBox\n      Left = " +
           std::to_string(b * 80 + 4) + "\n      Top = 2\n      Width = 70\n      Height = 16\n" +
           "      Anchors = [akLeft, akTop, akRight]\n    end\n";
    }
    s += "  end\n";
  }
  return s + "end\n";
}

void BM_StreamAndShowForm300(benchmark::State& state) {
  headless::Init(1024, 768);
  InitForms();
  RegisterClass(TBenchForm::StaticClass());
  RegisterFormResource("TBenchForm", BenchFormText());
  for (auto _ : state) {
    auto* form = New<TBenchForm>(Application);
    form->Show();
    Application->ProcessMessages();
    benchmark::DoNotOptimize(form->Handle());
    form->Free();
  }
  UnregisterFormResource("TBenchForm");
  DoneForms();
  headless::Shutdown();
}
BENCHMARK(BM_StreamAndShowForm300)->Unit(benchmark::kMillisecond);

void BM_ResizeForm300(benchmark::State& state) {
  headless::Init(1024, 768);
  InitForms();
  RegisterClass(TBenchForm::StaticClass());
  RegisterFormResource("TBenchForm", BenchFormText());
  auto* form = New<TBenchForm>(Application);
  form->Show();
  Application->ProcessMessages();
  int w = 800;
  for (auto _ : state) {
    w = w == 800 ? 900 : 800;
    form->SetClientWidth(w);
    Application->ProcessMessages();
  }
  form->Free();
  UnregisterFormResource("TBenchForm");
  DoneForms();
  headless::Shutdown();
}
BENCHMARK(BM_ResizeForm300)->Unit(benchmark::kMicrosecond);

}  // namespace
