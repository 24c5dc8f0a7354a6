// Page controls in several tab styles on the real X server: tabs switched by synthetic clicks through
// XTEST, and a screenshot of the window kept as a PNG artifact.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"
#include "ui/pagecontrol/cxPCPaintersStandard.h"
#include "winapi/X11Backend.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

class PageControlX11Test : public x11steps::FormsFixture {
protected:
  void SetUp() override {
    FormsFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    RegisterStandardPCPainters();
  }
  void FinalizeUnits() override {
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    cxPCPaintersFactoryFinalize();
    DoneThemeManager();
  }
};

TcxPageControl* AddPageControl(TForm* form, TcxPCStyleID style, TcxTabPosition position, RECT bounds) {
  auto* pc = New<TcxPageControl>(form);
  pc->SetParent(form);
  pc->SetBoundsRect(bounds);
  pc->SetStyle(style);
  pc->SetTabPosition(position);
  for (const char* caption : {"Projects", "Backup", "Restore", "Report"}) {
    auto* page = New<TcxTabSheet>(form);
    page->SetCaption(caption);
    page->SetPageControl(pc);
    auto* label = New<TLabel>(form);
    label->SetCaption(std::string("Page ") + caption);
    label->SetBounds(10, 10, 140, 16);
    label->SetParent(page);
  }
  return pc;
}

}  // namespace

TEST_F(PageControlX11Test, TabsOfEachStyleSwitchPagesOnRealClicks) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Page controls");
  form->SetBounds(100, 80, 620, 420);
  std::vector<TcxPageControl*> controls = {
      AddPageControl(form, 1, tpTop, RECT{8, 8, 300, 180}),
      AddPageControl(form, 2, tpBottom, RECT{310, 8, 600, 180}),
      AddPageControl(form, 3, tpTop, RECT{8, 190, 300, 380}),
      AddPageControl(form, 5, tpTop, RECT{310, 190, 600, 380}),
  };
  form->Show();

  auto tabCentre = [](TcxPageControl* pc, int vi) {
    RECT r = pc->GetTabVisibleRect(vi);
    return pc->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  };
  std::vector<x11steps::Step> steps;
  steps.push_back({"form shown",
                   [&] {
                     return GetActiveWindow() == form->Handle() &&
                            peer_->Pixel(form->ClientToScreen(POINT{form->ClientWidth() - 4, form->ClientHeight() - 4}).x,
                                         form->ClientToScreen(POINT{form->ClientWidth() - 4, form->ClientHeight() - 4}).y) ==
                                Rgb(GetSysColor(COLOR_BTNFACE));
                   },
                   [&] {
                     POINT p = tabCentre(controls[0], 2);
                     peer_->Click(p.x, p.y);
                   }});
  for (size_t i = 0; i < controls.size(); ++i) {
    steps.push_back({"page switched", [&, i] { return controls[i]->ActivePageIndex() == 2; },
                     [&, i] {
                       if (i + 1 < controls.size()) {
                         POINT p = tabCentre(controls[i + 1], 2);
                         peer_->Click(p.x, p.y);
                       }
                     }});
  }
  std::vector<uint32_t> pixels;
  RECT area{};
  const std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-pagecontrol.png";
  steps.push_back({"screen caught up",
                   [&] {
                     // The last page's label shows on the screen once painting reached it.
                     TcxTabSheet* page = controls.back()->ActivePage();
                     POINT p = page->ClientToScreen(POINT{page->ClientWidth() - 3, page->ClientHeight() - 3});
                     return page->Showing() && peer_->Pixel(p.x, p.y) == Rgb(GetSysColor(COLOR_BTNFACE));
                   },
                   [&] {
                     GetWindowRect(form->Handle(), &area);
                     pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
                     std::filesystem::create_directories(VORN_ARTIFACT_DIR);
                     EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
                   }});
  x11steps::RunSteps(steps);

  for (TcxPageControl* pc : controls) {
    EXPECT_EQ(pc->ActivePageIndex(), 2) << pc->ActualStyle();
    EXPECT_EQ(pc->TabIndex(), 2);
    EXPECT_TRUE(pc->Pages(2)->Visible());
    EXPECT_FALSE(pc->Pages(0)->Visible());
  }
  ASSERT_FALSE(pixels.empty());
  // The Tabs style's selected tab is drawn in the face colour and its page's frame is light on the left.
  const int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  RECT tab = controls[0]->GetTabVisibleRect(2);
  EXPECT_EQ(at(controls[0]->ClientToScreen(POINT{tab.left + 4, tab.bottom - 3})), Rgb(GetSysColor(COLOR_BTNFACE)));
  std::printf("screenshot: %s\n", shot.c_str());
  form->Free();
}
