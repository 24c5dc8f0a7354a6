#pragma once
// Shared pieces of the control-base tests: a form on the headless screen with the suite's units ended after
// each case, and input helpers that go through the real message path and the test clock.

#include <gtest/gtest.h>

#include "cxGraphicsSupport.h"
#include "forms/Forms.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "winapi/Headless.h"

namespace uibase_test {

class ControlTest : public UiBaseTest {
protected:
  void SetUp() override {
    UiBaseTest::SetUp();
    headless::ResizeScreen(800, 600);
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 400, 300);
    Form->Show();
    headless::RunUntilIdle();
  }
  void TearDown() override {
    DoneForms();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    UiBaseTest::TearDown();
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
  static void Press(TControl* c, int x, int y, int button = VK_LBUTTON) {
    MoveTo(c, x, y);
    headless::MouseDown(button);
    Idle();
  }
  static void Release(int button = VK_LBUTTON) {
    headless::MouseUp(button);
    Idle();
  }
  TForm* Form = nullptr;
};

}  // namespace uibase_test
