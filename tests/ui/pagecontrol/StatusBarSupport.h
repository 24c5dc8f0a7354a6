#pragma once
// Shared pieces of the status bar tests: a form on the headless screen with a fixed colour table and font,
// a status bar along its bottom, and pixel helpers. The suite's units are ended after each case.

#include <gtest/gtest.h>

#include "forms/Forms.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/dxStatusBar.h"
#include "winapi/Headless.h"

namespace statusbar_test {

inline void SetSysColor(int index, COLORREF color) { SetSysColors(1, &index, &color); }
inline uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }
inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return Rgb(GetRValue(v), GetGValue(v), GetBValue(v));
}

class StatusBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    SetSysColor(COLOR_BTNFACE, RGB(212, 208, 200));
    SetSysColor(COLOR_BTNSHADOW, RGB(128, 128, 128));
    SetSysColor(COLOR_BTNHIGHLIGHT, RGB(255, 255, 255));
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(20, 20, 500, 120);
    Bar = New<TdxStatusBar>(Form);
    Bar->SetName("StatusBar1");
    Bar->Font()->SetName("Tahoma");
    Bar->Font()->SetHeight(-11);
    Bar->SetParent(Form);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    Form->Free();
    DoneForms();
    dxStatusBarFinalize();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() { headless::RunUntilIdle(); }
  static void Advance(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
  // Paints what is pending and answers the bar's pixel at (x, y).
  uint32_t Px(int x, int y) {
    Bar->Update();
    return headless::Pixel(Bar->Handle(), x, y);
  }
  // How many pixels of the rectangle have exactly the colour.
  int Count(TWinControl* c, const RECT& r, uint32_t rgb) {
    c->Update();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (headless::Pixel(c->Handle(), x, y) == rgb) ++n;
    return n;
  }
  // How many pixels of the rectangle lean clearly towards pure red (channel 0) or pure blue (channel 2):
  // antialiased text rarely reaches its exact colour.
  int CountTinted(TWinControl* c, const RECT& r, int channel) {
    c->Update();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const uint32_t p = headless::Pixel(c->Handle(), x, y);
        const int rgb[3] = {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
        if (rgb[channel] > 150 && rgb[1] < 110 && rgb[2 - channel] < 110) ++n;
      }
    return n;
  }
  TdxStatusBarPanel* AddPanel(TClass style, int32_t width = 80) {
    TdxStatusBarPanel* p = Bar->Panels()->Add();
    p->SetPanelStyleClass(style);
    p->SetWidth(width);
    return p;
  }
  template <class S>
  static S* StyleOf(TdxStatusBarPanel* p) {
    return dynamic_cast<S*>(p->PanelStyle());
  }
  TForm* Form = nullptr;
  TdxStatusBar* Bar = nullptr;
};

}  // namespace statusbar_test
