// The combo box on the real X server: a click on its drop-down button opens the list under it, a click on
// an item of the list takes that item and closes the list; a screenshot of the open list is kept as a PNG
// artifact.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxComboBox.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/X11Backend.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

class X11ComboBoxTest : public x11steps::FormsFixture {
protected:
  void SetUp() override {
    x11steps::FormsFixture::SetUp();
    if (peer_) cxComboBoxInitialize();
  }
  void FinalizeUnits() override {
    cxEditFinalize();
    DoneEditPaintUtils();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
  }
};

}  // namespace

TEST_F(X11ComboBoxTest, ClickOnTheButtonOpensTheListAndAClickOnAnItemTakesIt) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Combo box test");
  form->SetBounds(160, 120, 360, 260);
  auto* combo = New<TcxComboBox>(form);
  combo->SetBounds(20, 24, 200, 21);
  combo->SetParent(form);
  for (const char* s : {"Daily backup", "Weekly backup", "Monthly backup", "Before an upgrade", "Никогда"})
    combo->Properties()->Items()->Add(s);
  combo->SetItemIndex(0);
  auto* other = New<TcxComboBox>(form);
  other->SetBounds(20, 180, 200, 21);
  other->SetParent(form);
  form->Show();

  std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-combobox-open.png";
  std::vector<uint32_t> pixels;
  RECT area{};
  auto buttonCenter = [&] {
    const RECT b = combo->EditViewInfo()->Button(0)->Bounds;
    return combo->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
  };
  auto list = [&] { return combo->LookupData()->ComboList(); };
  auto itemCenter = [&](int i) {
    RECT r = list()->ItemRect(i);
    return list()->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  };
  x11steps::RunSteps({
      {"form shown and active",
       [&] {
         POINT c = other->ClientToScreen(POINT{4, 4});
         return GetActiveWindow() == form->Handle() && peer_->Pixel(c.x, c.y) != 0;
       },
       [&] { peer_->Click(buttonCenter().x, buttonCenter().y); }},
      {"list open on the screen",
       [&] {
         if (!combo->HasPopupWindow() || !list() || !list()->HandleAllocated()) return false;
         POINT p = itemCenter(0);
         // The current item is drawn highlighted.
         return peer_->Pixel(p.x, p.y) == Rgb(GetSysColor(COLOR_HIGHLIGHT));
       },
       [&] {
         RECT wr, pr;
         GetWindowRect(form->Handle(), &wr);
         GetWindowRect(combo->PopupWindow()->Handle(), &pr);
         UnionRect(&area, &wr, &pr);
         pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
         std::filesystem::create_directories(VORN_ARTIFACT_DIR);
         EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
         peer_->Click(itemCenter(2).x, itemCenter(2).y);
       }},
      {"list closed by the click on an item", [&] { return !combo->HasPopupWindow(); }, [] {}},
  });
  EXPECT_EQ(2, combo->ItemIndex());
  EXPECT_EQ(String("Monthly backup"), combo->Text());
  EXPECT_EQ(String("Monthly backup"), VarToStr(combo->EditValue()));
  EXPECT_TRUE(combo->Focused());

  // The picture: the list lies under the editor, as wide as it, with the first item highlighted and the
  // others on the window colour.
  ASSERT_FALSE(pixels.empty());
  const int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  POINT below = combo->ClientToScreen(POINT{combo->Width() - 30, combo->Height() + 4});
  EXPECT_EQ(Rgb(GetSysColor(COLOR_HIGHLIGHT)), at(below));
  POINT third = combo->ClientToScreen(POINT{combo->Width() - 30, combo->Height() + 4 + 2 * list()->GetItemHeight(-1)});
  EXPECT_EQ(Rgb(GetSysColor(COLOR_WINDOW)), at(third));
  std::printf("screenshot: %s\n", shot.c_str());
  form->Free();
}
