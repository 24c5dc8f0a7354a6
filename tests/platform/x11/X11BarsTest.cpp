// A form with docked tool bars in the flat style on the real X server: page buttons clicked through
// XTEST, a bar floated by a double click on its grip (its own override-redirect top-level window) and
// docked again by a double click on its caption, and a screenshot of the form with the floating bar.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/Forms.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItems.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

class X11BarsTest : public x11steps::FormsFixture {
protected:
  void SetUp() override {
    FormsFixture::SetUp();
    if (!peer_) return;
    StartUnits({&dxBarControlsUnit});
  }
  void FinalizeUnits() override {
    FinishUnits();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
  }
  static POINT CentreOf(TdxBar* ABar, int AIndex) {
    TCustomdxBarControl* window = ABar->GetControl();
    const RECT r = ABar->ItemLinks()->Items(AIndex)->ItemRect();
    return window->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
};

TEST_F(X11BarsTest, ToolbarButtonsClickedAndABarFloatedAndDockedAgain) {
  auto* form = New<TForm>(Application, 0);
  form->SetName("fmBars");
  form->SetCaption("Bars");
  form->SetBounds(100, 80, 560, 260);
  auto* manager = New<TdxBarManager>(form);
  manager->SetName("dxBarManager1");
  manager->SetStyle(bmsFlat);
  std::vector<TdxBarButton*> pages;
  for (const char* caption : {"Проекты", "Проверка БД", "Резервирование БД", "Восстановление БД", "Отчет"}) {
    auto* b = New<TdxBarButton>(form);
    b->SetName(("bbPage" + std::to_string(pages.size())).c_str());
    b->SetCaption(caption);
    b->SetCategory(0);
    b->SetButtonStyle(bsChecked);
    b->SetGroupIndex(1);
    pages.push_back(b);
  }
  pages[0]->SetDown(true);
  int clicks = 0;
  for (TdxBarButton* b : pages) b->OnClick = [&](TObject*) { ++clicks; };
  TdxBar* toolbar = manager->Bars()->Add();
  toolbar->SetCaption("Pages");
  for (size_t i = 0; i < pages.size(); ++i) toolbar->ItemLinks()->AddItem(pages[i], i == 1 || i == 4);
  toolbar->SetNotDocking(TdxBarDockingStyles{dsNone, dsLeft, dsTop, dsRight, dsBottom});
  toolbar->SetDockingStyle(dsTop);
  toolbar->SetVisible(true);
  TdxBar* edit = manager->Bars()->Add();
  edit->SetCaption("Правка");
  for (const char* caption : {"Вырезать", "Копировать", "Вставить"}) {
    auto* b = New<TdxBarButton>(form);
    b->SetName(("bb" + std::to_string(edit->ItemLinks()->Count())).c_str());
    b->SetCaption(caption);
    b->SetCategory(0);
    edit->ItemLinks()->AddItem(b);
  }
  edit->SetFloatLeft(260);
  edit->SetFloatTop(200);
  edit->SetDockingStyle(dsTop);
  edit->SetVisible(true);
  form->Show();

  auto downs = [&] {
    std::string s;
    for (TdxBarButton* b : pages) s += b->Down() ? '1' : '0';
    return s;
  };
  auto grip = [&] {
    TCustomdxBarControl* w = edit->GetControl();
    RECT r;
    GetWindowRect(w->Handle(), &r);
    return POINT{r.left + 4, r.top + (r.bottom - r.top) / 2};
  };
  auto caption = [&] {
    TCustomdxBarControl* w = edit->GetControl();
    RECT r;
    GetWindowRect(w->Handle(), &r);
    const RECT c = w->GetCaptionRect();
    return POINT{r.left + c.left + 8, r.top + c.top + 4};
  };
  auto doubleClick = [&](POINT p) {
    peer_->Click(p.x, p.y);
    peer_->Click(p.x, p.y);
  };
  const std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-bars.png";
  std::vector<uint32_t> pixels;
  RECT area{};
  x11steps::RunSteps({
      {"form and tool bars on the screen",
       [&] {
         TCustomdxBarControl* w = toolbar->GetControl();
         if (GetActiveWindow() != form->Handle() || !w || !IsWindowVisible(w->Handle())) return false;
         // The down page button's frame in the highlight colour has reached the screen.
         const RECT r = toolbar->ItemLinks()->Items(0)->ItemRect();
         const POINT p = w->ClientToScreen(POINT{r.left, r.top + 5});
         return peer_->Pixel(p.x, p.y) == Rgb(GetSysColor(COLOR_HIGHLIGHT));
       },
       [&] { peer_->Click(CentreOf(toolbar, 3).x, CentreOf(toolbar, 3).y); }},
      {"fourth page down", [&] { return downs() == "00010" && clicks == 1; },
       [&] { peer_->Click(CentreOf(toolbar, 1).x, CentreOf(toolbar, 1).y); }},
      {"second page down", [&] { return downs() == "01000" && clicks == 2; }, [&] { doubleClick(grip()); }},
      {"bar floating on the screen",
       [&] {
         TCustomdxBarControl* w = edit->GetControl();
         if (edit->GetDockingStyle() != dsNone || !w || !IsWindowVisible(w->Handle())) return false;
         // A point of the caption between its text and its buttons.
         RECT r;
         GetWindowRect(w->Handle(), &r);
         const RECT c = w->GetCaptionRect();
         return peer_->Pixel(r.left + c.right - 3 * (c.bottom - c.top), r.top + c.top + 2) ==
                Rgb(GetSysColor(COLOR_INACTIVECAPTION));
       },
       [&] {
         RECT fr, br;
         GetWindowRect(form->Handle(), &fr);
         GetWindowRect(edit->GetControl()->Handle(), &br);
         UnionRect(&area, &fr, &br);
         pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
         std::filesystem::create_directories(VORN_ARTIFACT_DIR);
         EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
         EXPECT_EQ(edit->ItemLinks()->Count(), 3);
         for (int i = 0; i < 3; ++i) EXPECT_NE(edit->ItemLinks()->Items(i)->Control(), nullptr);
         doubleClick(caption());
       }},
      {"bar docked again",
       [&] {
         TCustomdxBarControl* w = edit->GetControl();
         return edit->GetDockingStyle() == dsTop && w && w->Parent() && IsWindowVisible(w->Handle());
       },
       [] {}},
  });
  EXPECT_EQ(downs(), "01000");
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(edit->ItemLinks()->Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(edit->ItemLinks()->Items(i)->Control(), nullptr) << i;
  ASSERT_FALSE(pixels.empty());
  // The screenshot shows the floating bar's caption and the down page button's highlight frame.
  const int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  int frame = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) frame += at(POINT{x, y}) == Rgb(GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_GT(frame, 40);
  std::printf("screenshot: %s\n", shot.c_str());
  form->Free();
}

}  // namespace
