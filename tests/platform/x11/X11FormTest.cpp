// A form of standard controls with a menu bar on the real X server: clicked and typed into through XTEST,
// its menu opened by a click, and a screenshot of it (with the menu open) kept as a PNG artifact.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Menus.h"
#include "forms/StdCtrls.h"
#include "winapi/X11Backend.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

class X11FormTest : public x11steps::FormsFixture {
protected:

  std::vector<uint32_t> Grab(const RECT& r) { return peer_->Grab(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  uint32_t RootPixel(POINT p) { return peer_->Pixel(p.x, p.y); }
  void ClickAt(POINT p) { peer_->Click(p.x, p.y); }
  void Type(const char* text) { peer_->Type(text); }

  using Step = x11steps::Step;
  void Run(const std::vector<Step>& steps) { x11steps::RunSteps(steps); }

};

POINT CenterOf(TControl* c) { return c->ClientToScreen(POINT{c->Width() / 2, c->Height() / 2}); }

}  // namespace

TEST_F(X11FormTest, StandardControlsAndMenuTakeRealInputAndDrawOnTheScreen) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Form test");
  form->SetBounds(120, 90, 440, 330);
  auto* menu = New<TMainMenu>(form);
  auto* file = New<TMenuItem>(form);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* open = New<TMenuItem>(form);
  open->SetCaption("&Open...");
  open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  file->Add(open);
  auto* line = New<TMenuItem>(form);
  line->SetCaption("-");
  file->Add(line);
  auto* exitItem = New<TMenuItem>(form);
  exitItem->SetCaption("E&xit");
  file->Add(exitItem);
  auto* help = New<TMenuItem>(form);
  help->SetCaption("&Help");
  menu->Items()->Add(help);
  form->SetMenu(menu);

  auto* panel = New<TPanel>(form);
  panel->SetAlign(alTop);
  panel->SetHeight(36);
  panel->SetCaption("Panel");
  panel->SetParent(form);
  auto* label = New<TLabel>(form);
  label->SetCaption("&Name:");
  label->SetBounds(16, 56, 60, 16);
  label->SetParent(form);
  auto* edit = New<TEdit>(form);
  edit->SetBounds(80, 52, 180, 24);
  edit->SetParent(form);
  auto* memo = New<TMemo>(form);
  memo->SetBounds(16, 90, 244, 120);
  memo->SetParent(form);
  auto* button = New<TButton>(form);
  button->SetCaption("Press");
  button->SetBounds(290, 52, 110, 30);
  button->SetParent(form);
  auto* check = New<TCheckBox>(form);
  check->SetCaption("Check me");
  check->SetBounds(290, 96, 120, 20);
  check->SetParent(form);

  int presses = 0, opens = 0;
  button->OnClick = [&](TObject*) { ++presses; };
  open->OnClick = [&](TObject*) { ++opens; };
  form->Show();

  std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-form.png";
  std::vector<uint32_t> pixels;
  RECT area{};
  Run({
      {"form shown and active",
       [&] {
         return GetActiveWindow() == form->Handle() && RootPixel(CenterOf(panel)) != 0 &&
                RootPixel(form->ClientToScreen(POINT{form->ClientWidth() - 5, form->ClientHeight() - 5})) ==
                    Rgb(GetSysColor(COLOR_BTNFACE));
       },
       [&] { ClickAt(CenterOf(edit)); }},
      {"edit focused", [&] { return edit->Focused(); }, [&] { Type("hello"); }},
      {"edit typed into", [&] { return edit->Text() == "hello"; }, [&] { ClickAt(CenterOf(button)); }},
      {"button pressed", [&] { return presses == 1; }, [&] { ClickAt(CenterOf(check)); }},
      {"check box checked", [&] { return check->Checked(); }, [&] { ClickAt(CenterOf(memo)); }},
      {"memo focused", [&] { return memo->Focused(); }, [&] { Type("memo"); }},
      {"memo typed into", [&] { return memo->Text() == "memo"; },
       [&] {
         RECT wr;
         GetWindowRect(form->Handle(), &wr);
         RECT bar = form->MenuBarRect();
         RECT item = menu->BarItemRects().at(0);
         ClickAt(POINT{wr.left + bar.left + (item.left + item.right) / 2, wr.top + bar.top + 10});
       }},
      {"menu open on the screen",
       [&] {
         HWND popup = TMenu::OpenLevelWindow(0);
         if (!popup || TMenu::OpenLevelItem(0) != file) return false;
         RECT pr;
         GetWindowRect(popup, &pr);
         // The popup's far corner shows the menu colour once it reached the screen.
         return RootPixel(POINT{pr.right - 4, pr.bottom - 4}) == Rgb(GetSysColor(COLOR_MENU));
       },
       [&] {
         // The form and its open menu, as the screen shows them.
         RECT wr, pr;
         GetWindowRect(form->Handle(), &wr);
         GetWindowRect(TMenu::OpenLevelWindow(0), &pr);
         UnionRect(&area, &wr, &pr);
         pixels = Grab(area);
         std::filesystem::create_directories(VORN_ARTIFACT_DIR);
         EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
         // Choose "Open..." with the mouse.
         POINT p{pr.left + 30, pr.top + 1 + TMenu::ItemHeight / 2};
         ClickAt(p);
       }},
      {"menu item chosen", [&] { return opens == 1 && TMenu::OpenLevelCount() == 0; }, [] {}},
  });
  EXPECT_EQ(edit->Text(), "hello");
  EXPECT_EQ(memo->Text(), "memo");
  EXPECT_EQ(presses, 1);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(opens, 1);

  // The screenshot is not blank: the button's face, the edit's white field with dark text in it, and the
  // highlighted bar item.
  ASSERT_FALSE(pixels.empty());
  int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  EXPECT_EQ(at(button->ClientToScreen(POINT{8, 15})), Rgb(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(at(edit->ClientToScreen(POINT{edit->ClientWidth() - 6, edit->ClientHeight() / 2})),
            Rgb(GetSysColor(COLOR_WINDOW)));
  int dark = 0;
  for (int y = 0; y < edit->ClientHeight(); ++y)
    for (int x = 0; x < edit->ClientWidth() / 2; ++x) {
      uint32_t p = at(edit->ClientToScreen(POINT{x, y}));
      if (((p >> 16) & 0xFF) < 0x50 && ((p >> 8) & 0xFF) < 0x50 && (p & 0xFF) < 0x50) ++dark;
    }
  EXPECT_GT(dark, 10) << "no text in the edit";
  RECT wr;
  GetWindowRect(form->Handle(), &wr);
  RECT bar = form->MenuBarRect();
  EXPECT_EQ(at(POINT{wr.left + bar.left + 3, wr.top + bar.top + 3}), Rgb(GetSysColor(COLOR_HIGHLIGHT)));
  std::printf("screenshot: %s\n", shot.c_str());
  form->Free();
}
