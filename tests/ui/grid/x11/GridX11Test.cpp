// An unbound grid with one level and the minimal test view on the real X server: the rows show, a real
// click reaches a row's cell, and a screenshot of the window is kept as a PNG artifact.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "GridTestSupport.h"
#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

class GridX11Test : public x11steps::FormsFixture {
protected:
  void SetUp() override {
    FormsFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    StartUnits({&cxGridUnit});
  }
  void FinalizeUnits() override {
    FinishUnits();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
  }
};

TEST_F(GridX11Test, AnUnboundGridShowsItsRowsAndTakesAClick) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Grid");
  form->SetBounds(120, 90, 420, 260);
  auto* grid = New<TcxGrid>(form);
  grid->SetParent(form);
  grid->SetBounds(10, 10, 390, 200);
  grid->RootLevelOptions()->SetDetailFrameWidth(3);
  auto* view = New<grid_test::TTestView>(form);
  view->SetParentComponent(grid);
  view->SetValueTypes("TcxStringValueType");
  auto* level = New<TcxGridLevel>(form);
  level->SetParentComponent(grid);
  level->SetGridView(view);
  TcxCustomDataController* dc = view->DataController();
  const char* rows[] = {"employees.fdb", "warehouse.fdb", "accounts.fdb", "archive 2025.fdb"};
  dc->SetRecordCount(4);
  for (int32_t r = 0; r < 4; ++r) dc->SetValue(r, 0, Variant(rows[r]));
  form->Show();

  auto cellCentre = [&](size_t i) {
    const RECT& b = view->TestViewInfo()->Cells.at(i)->Bounds();
    return view->Site()->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
  };
  std::vector<uint32_t> pixels;
  RECT area{};
  const std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-grid.png";
  std::vector<x11steps::Step> steps;
  steps.push_back({"rows shown",
                   [&] {
                     if (view->TestViewInfo()->Cells.size() != 4) return false;
                     const POINT p = cellCentre(3);
                     const POINT below = view->Site()->ClientToScreen(POINT{5, 4 * 20 + 30});
                     return peer_->Pixel(p.x - 180, p.y) == Rgb(GetSysColor(COLOR_WINDOW)) &&
                            peer_->Pixel(below.x, below.y) ==
                                Rgb(ColorToRGB(view->LookAndFeelPainter()->DefaultContentColor()));
                   },
                   [&] {
                     const POINT p = cellCentre(2);
                     peer_->Click(p.x, p.y);
                   }});
  steps.push_back({"row clicked", [&] { return view->TestViewInfo()->Cells.at(2)->Clicks == 1; },
                   [&] {
                     GetWindowRect(form->Handle(), &area);
                     pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
                     std::filesystem::create_directories(VORN_ARTIFACT_DIR);
                     EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
                   }});
  x11steps::RunSteps(steps);

  ASSERT_FALSE(pixels.empty());
  const int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  // The root level's frame of 3 pixels around the site, in the painter's detail frame colour.
  const POINT frame = grid->ClientToScreen(POINT{grid->ContentRect().left + 1, 100});
  EXPECT_EQ(at(frame), Rgb(ColorToRGB(grid->RootLevelOptions()->GetDetailFrameColor())));
  EXPECT_EQ(view->Site()->Left(), grid->ContentRect().left + 3);
  std::printf("screenshot: %s\n", shot.c_str());
  form->Free();
}

}  // namespace
