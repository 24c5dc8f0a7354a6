#pragma once
// Shared pieces of the container tests: a form on a fresh headless screen with a fixed colour table, the
// suite's units ended after each case, and input helpers that go through the real message path.

#include <gtest/gtest.h>

#include <array>

#include "forms/Forms.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxContainer.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"

namespace cxcontainer_test {

struct SysColorEntry {
  int index;
  COLORREF color;
};
inline constexpr SysColorEntry kContainerSysColors[] = {
    {COLOR_BTNFACE, RGB(212, 208, 200)},  {COLOR_WINDOW, RGB(255, 255, 255)},   {COLOR_HIGHLIGHT, RGB(10, 36, 106)},
    {COLOR_BTNSHADOW, RGB(128, 128, 128)}, {COLOR_BTNTEXT, RGB(0, 0, 0)},       {COLOR_BTNHIGHLIGHT, RGB(250, 250, 250)},
    {COLOR_3DDKSHADOW, RGB(64, 64, 64)},  {COLOR_3DLIGHT, RGB(230, 226, 220)},  {COLOR_WINDOWFRAME, RGB(20, 20, 20)},
    {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
};

// A rectangle as four numbers, so that comparisons print what differs.
inline std::array<long, 4> R4(const RECT& r) { return {long(r.left), long(r.top), long(r.right), long(r.bottom)}; }

inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

class ContainerTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    for (const SysColorEntry& c : kContainerSysColors) {
      int index = c.index;
      COLORREF color = c.color;
      SetSysColors(1, &index, &color);
    }
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Form->SetColor(clBtnFace);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
    DoneThemeManager();
    winapi::SetThemeActive(false);
    headless::Shutdown();
  }
  static void Idle() { headless::RunUntilIdle(); }
  static void Advance(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
  static POINT ScreenPt(TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
  static void MoveTo(TControl* c, int x, int y) {
    POINT p = ScreenPt(c, x, y);
    headless::MouseMove(p.x, p.y);
    Idle();
  }
  static void Click(TControl* c, int x, int y, int button = VK_LBUTTON) {
    MoveTo(c, x, y);
    headless::MouseDown(button);
    Idle();
    headless::MouseUp(button);
    Idle();
  }
  TForm* Form = nullptr;
};

}  // namespace cxcontainer_test
