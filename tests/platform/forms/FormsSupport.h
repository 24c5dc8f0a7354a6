#pragma once
// Shared pieces of the forms tests: a fresh window system and application per test, a focusable test
// control that logs its focus messages, and helpers that drive the application's own loop.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/Controls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Menus.h"
#include "winapi/Headless.h"

namespace ft {

inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// A windowed control that takes the focus and writes its focus traffic to the log.
class TTestControl : public TCustomControl {
  RTL_CLASS(TTestControl, TCustomControl)
public:
  explicit TTestControl(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = true;
    FWidth = 60;
    FHeight = 20;
    FColor = clWindow;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_SETFOCUS) Log().push_back("set " + Name());
    if (m.Msg == WM_KILLFOCUS) Log().push_back("kill " + Name());
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = WantTab ? DLGC_WANTTAB : 0;
      return;
    }
    inherited::WndProc(m);
  }
  bool WantTab = false;

protected:
  void DoEnter() override {
    Log().push_back("enter " + Name());
    inherited::DoEnter();
  }
  void DoExit() override {
    Log().push_back("exit " + Name());
    inherited::DoExit();
  }
};

class FormsTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(1024, 768);
    InitForms();
    RegisterClass(TTestControl::StaticClass());
    Log().clear();
  }
  void TearDown() override {
    DoneForms();
    headless::Shutdown();
  }
  // Delivers every queued message through the application (so that keys take the dialog-key path).
  static void Pump() { Application->ProcessMessages(); }
  static POINT Center(TControl* c) { return c->ClientToScreen(POINT{c->Width() / 2, c->Height() / 2}); }
  static void ClickOn(TControl* c, int button = VK_LBUTTON) {
    POINT p = Center(c);
    headless::Click(p.x, p.y, button);
    Pump();
  }
  // Runs a script from the application's idle processing: each step runs once the queue is empty; the
  // loop ends after the last step (Terminate) unless a step ends it sooner.
  static void RunScript(std::vector<std::function<void()>> steps) {
    auto index = std::make_shared<size_t>(0);
    Application->OnIdle = [steps, index](TObject*, bool& done) {
      done = false;
      if (*index < steps.size())
        steps[(*index)++]();
      else
        Application->Terminate();
    };
  }
};

// Expects a control's bounds in its parent's client coordinates.
inline void ExpectBounds(TControl* c, int l, int t, int w, int h) {
  SCOPED_TRACE(c->Name());
  EXPECT_EQ(c->Left(), l);
  EXPECT_EQ(c->Top(), t);
  EXPECT_EQ(c->Width(), w);
  EXPECT_EQ(c->Height(), h);
}

}  // namespace ft
