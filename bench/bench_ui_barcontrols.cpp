// A tool bar of 100 items in the flat style on the headless backend: laying it out (placing the items in
// rows for the width it floats in, which measures every caption) and painting it (every button, separator,
// the frame and the caption). Target: both together within 1 ms.
//
// The baseline beside it draws the same 100 captions with DrawText into the same window, with nothing else:
// the text the bar cannot avoid drawing. The check: after each run every link has its rectangle and the
// bar is as high as its rows.

#include <benchmark/benchmark.h>

#include <string>

#include "forms/Forms.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItems.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/Headless.h"

namespace {

constexpr int kItems = 100;

struct BarScene {
  TForm* Form = nullptr;
  TdxBar* Bar = nullptr;
  std::vector<String> Captions;

  BarScene() {
    headless::Init(1280, 800);
    InitForms();
    StartUnits({&dxBarControlsUnit});
    Form = New<TForm>(Application, 0);
    Form->SetName("fmBench");
    Form->SetBounds(0, 0, 1200, 700);
    Form->Show();
    auto* manager = New<TdxBarManager>(Form);
    manager->SetName("dxBarManager1");
    manager->SetStyle(bmsFlat);
    Bar = manager->Bars()->Add();
    Bar->SetCaption("Bench");
    static const char* const words[] = {"Проекты", "Проверка", "Резервирование", "Отчет", "Вставить", "Копировать"};
    for (int i = 0; i < kItems; ++i) {
      auto* b = New<TdxBarButton>(Form);
      b->SetName(("bb" + std::to_string(i)).c_str());
      Captions.push_back(String(words[i % 6]) + " " + std::to_string(i));
      b->SetCaption(Captions.back());
      b->SetCategory(0);
      if (i % 10 == 3) {
        b->SetButtonStyle(bsChecked);
        b->SetGroupIndex(1 + i / 20);
      }
      Bar->ItemLinks()->AddItem(b, i % 7 == 0);
    }
    Bar->SetFloatLeft(10);
    Bar->SetFloatTop(10);
    Bar->SetFloatClientWidth(1000);
    Bar->SetDockingStyle(dsNone);
    Bar->SetVisible(true);
    headless::RunUntilIdle();
  }
  ~BarScene() {
    DoneForms();
    FinishUnits();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  TCustomdxBarControl* Window() const { return Bar->GetControl(); }
  bool Placed() const {
    for (int32_t i = 0; i < Bar->ItemLinks()->Count(); ++i) {
      const RECT r = Bar->ItemLinks()->Items(i)->ItemRect();
      if (IsRectEmpty(&r)) return false;
    }
    const RECT last = Bar->ItemLinks()->Items(kItems - 1)->ItemRect();
    return last.bottom <= Window()->ClientHeight();
  }
};

void BM_ToolbarLayoutAndPaint100(benchmark::State& state) {
  BarScene scene;
  TCustomdxBarControl* window = scene.Window();
  if (!window || !scene.Placed()) state.SkipWithError("the bar was not laid out");
  for (auto _ : state) {
    const SIZE size = window->CalcSize(dsNone);
    benchmark::DoNotOptimize(size);
    RedrawWindow(window->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  }
  if (!scene.Placed()) state.SkipWithError("an item lost its place");
  int rows = 0, top = -1;
  for (int32_t i = 0; i < kItems; ++i) {
    const RECT r = scene.Bar->ItemLinks()->Items(i)->ItemRect();
    if (r.top != top) ++rows, top = r.top;
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_ToolbarLayoutAndPaint100)->Unit(benchmark::kMicrosecond);

void BM_Baseline_DrawText100Captions(benchmark::State& state) {
  BarScene scene;
  TCustomdxBarControl* window = scene.Window();
  for (auto _ : state) {
    HDC dc = GetDC(window->Handle());
    HGDIOBJ old = SelectObject(dc, window->Canvas()->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    for (int32_t i = 0; i < kItems; ++i) {
      RECT r = scene.Bar->ItemLinks()->Items(i)->ItemRect();
      DrawText(dc, scene.Captions[static_cast<size_t>(i)].c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    SelectObject(dc, old);
    ReleaseDC(window->Handle(), dc);
  }
}
BENCHMARK(BM_Baseline_DrawText100Captions)->Unit(benchmark::kMicrosecond);

}  // namespace
