// Laying out 200 tabs on many lines in a narrow tab control: row breaking, balancing every run of rows and
// stretching, on the headless backend. The style is a minimal one whose tab lengths are the numbers of the
// captions, so the figure is the layout's own cost, not text measuring.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "forms/Forms.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"
#include "winapi/Headless.h"

namespace {

class TBenchPainter : public TcxPCCustomPainter {
  RTL_CLASS(TBenchPainter, TcxPCCustomPainter)
public:
  using TcxPCCustomPainter::TcxPCCustomPainter;
  static TcxPCStyleID GetStyleID() { return 201; }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel*) { return true; }
  int32_t CalculateTabNormalWidth(TcxTab* ATab) override { return std::atoi(ATab->Caption().c_str()); }
  int32_t CalculateTabNormalHeight() override { return 20; }
  int32_t GetMinTabNormalWidth() override { return 0; }
  void GetMinTabVisiblePart(POINT& P) override { P = POINT{4, 4}; }
  void GetTabsSpacing(POINT& P) override { P = POINT{2, 0}; }
  void CalculateTabsAreaGeometry(TcxPCNavigatorButtons, TcxPCTabsAreaGeometry& G) override {
    G.TabsRect = RECT{0, 0, Control()->Width(), Control()->Height()};
    G.RowsRect = G.TabsRect;
    G.AvailableLength = Control()->Width();
  }
  bool GetNavigatorButtonAt(int32_t, int32_t, TcxPCNavigatorButton&) override { return false; }
  void GetGoDialogButtonBounds(RECT& R) override { R = RECT{}; }
  void GetPageFrameRect(RECT& R) override { R = RECT{0, 0, Control()->Width(), Control()->Height()}; }
  void GetPageClientRect(RECT& R) override { GetPageFrameRect(R); }
  void DrawNavigatorButtons() override {}
  void DrawPageFrame() override {}
  void DrawTabs() override {}
};

// kind 0: lengths spread over 40..100 (about three tabs a row); kind 1: all equal (ties everywhere).
void BM_MultiLineLayout200Tabs(benchmark::State& state) {
  headless::Init(1024, 768);
  InitForms();
  RegisterPainterClass(TcxPCPainterClassOf<TBenchPainter>());
  auto* form = New<TForm>(Application);
  form->SetBounds(0, 0, 800, 700);
  form->Show();
  auto* c = New<TcxCustomTabControl>(form);
  c->SetParent(form);
  c->SetBounds(0, 0, 220, 600);
  c->SetMultiLine(true);
  c->SetRaggedRight(state.range(0) == 1);
  c->Tabs()->BeginUpdate();
  for (int i = 0; i < 200; ++i) c->Tabs()->Add(std::to_string(state.range(0) == 0 ? 40 + (i * 37) % 61 : 60));
  c->Tabs()->EndUpdate();
  Application->ProcessMessages();
  for (auto _ : state) {
    c->RequestLayout();
    benchmark::DoNotOptimize(c->RowCount());
  }
  state.counters["rows"] = c->RowCount();
  form->Free();
  DoneForms();
  cxControlsFinalize();
  DoneLookAndFeels();
  cxPCPaintersFactoryFinalize();
  headless::Shutdown();
}
BENCHMARK(BM_MultiLineLayout200Tabs)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
