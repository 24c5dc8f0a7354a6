// Reading a form of about 300 components from its text form resource, the way a form starts; and the
// two conversions between the text and the binary form.
#include <benchmark/benchmark.h>

#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

namespace {

enum TBenchAlign : uint8_t { baNone, baTop, baClient };
RTL_ENUM(TBenchAlign, baNone, baTop, baClient)

class TBenchItem : public TCollectionItem {
  RTL_CLASS(TBenchItem, TCollectionItem)
  RTL_PUBLISHED_DECL
public:
  using TCollectionItem::TCollectionItem;
  String Caption;
  int32_t Width = 64;
};

class TBenchControl : public TComponent {
  RTL_CLASS(TBenchControl, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TBenchControl(TComponent* owner)
      : TComponent(owner), Columns(New<TOwnedCollection>(this, TBenchItem::StaticClass())), Lines(New<TStringList>()) {}
  ~TBenchControl() override {
    Columns->Free();
    Lines->Free();
  }
  String Caption;
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  TBenchAlign Align = baNone;
  bool Visible = true;
  TOwnedCollection* Columns;
  TStringList* Lines;
  TNotifyEvent OnClick;
};

class TBenchForm : public TComponent {
  RTL_CLASS(TBenchForm, TComponent)
  RTL_PUBLISHED_DECL
public:
  using TComponent::TComponent;
  void GetChildren(TGetChildProc proc, TComponent* root) override {
    if (root == this)
      for (int32_t i = 0; i < ComponentCount(); ++i) proc(Components(i));
  }
  void Clicked(TObject*) {}
};

}  // namespace

RTL_PUBLISHED(TBenchItem) {
  prop("Caption", &TBenchItem::Caption, &TBenchItem::Caption);
  prop("Width", &TBenchItem::Width, &TBenchItem::Width).Default(64);
}

RTL_PUBLISHED(TBenchControl) {
  prop("Caption", &TBenchControl::Caption, &TBenchControl::Caption);
  prop("Left", &TBenchControl::Left, &TBenchControl::Left).Default(0);
  prop("Top", &TBenchControl::Top, &TBenchControl::Top).Default(0);
  prop("Width", &TBenchControl::Width, &TBenchControl::Width).Default(0);
  prop("Height", &TBenchControl::Height, &TBenchControl::Height).Default(0);
  prop("Align", &TBenchControl::Align, &TBenchControl::Align).Default(baNone);
  prop("Visible", &TBenchControl::Visible, &TBenchControl::Visible).Default(true);
  prop("Columns", &TBenchControl::Columns, nullptr);
  prop("Lines", &TBenchControl::Lines, nullptr);
  event("OnClick", &TBenchControl::OnClick, &TBenchControl::OnClick);
}

RTL_PUBLISHED(TBenchForm) { method("Clicked", &TBenchForm::Clicked); }

namespace {

String MakeFormText(int components) {
  String text = "object BenchForm: TBenchForm\n";
  for (int i = 0; i < components; ++i) {
    String n = std::to_string(i);
    text += "  object Control" + n + ": TBenchControl\n";
    text += "    Caption = 'Control number " + n + "'\n";
    text += "    Left = " + std::to_string(8 + i % 40 * 10) + "\n";
    text += "    Top = " + std::to_string(8 + i / 40 * 24) + "\n";
    text += "    Width = 75\n    Height = 21\n    Align = baTop\n";
    if (i % 3 == 0) text += "    OnClick = Clicked\n";
    if (i % 10 == 0)
      text += "    Columns = <\n      item\n        Caption = 'Name'\n      end\n      item\n        Caption = 'Size'\n"
              "        Width = 80\n      end>\n    Lines.Strings = (\n      'first line'\n      'second line')\n";
    text += "  end\n";
  }
  return text + "end\n";
}

void Setup() {
  static bool done = [] {
    RegisterClasses({TBenchControl::StaticClass(), TBenchForm::StaticClass()});
    RegisterFormResource("TBenchForm", MakeFormText(300));
    return true;
  }();
  (void)done;
}

void BM_ReadFormResource300(benchmark::State& state) {
  Setup();
  for (auto _ : state) {
    auto* form = New<TBenchForm>(nullptr);
    ReadComponentResource(form, "TBenchForm");
    benchmark::DoNotOptimize(form->ComponentCount());
    form->Free();
  }
}
BENCHMARK(BM_ReadFormResource300)->Unit(benchmark::kMicrosecond);

void BM_TextToBinary300(benchmark::State& state) {
  Setup();
  String text = FormResourceData("TBenchForm");
  for (auto _ : state) benchmark::DoNotOptimize(ObjectTextToBinary(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TextToBinary300)->Unit(benchmark::kMicrosecond);

void BM_WriteAndBinaryToText300(benchmark::State& state) {
  Setup();
  auto* form = New<TBenchForm>(nullptr);
  ReadComponentResource(form, "TBenchForm");
  for (auto _ : state) benchmark::DoNotOptimize(ComponentToText(form));
  form->Free();
}
BENCHMARK(BM_WriteAndBinaryToText300)->Unit(benchmark::kMicrosecond);

}  // namespace
