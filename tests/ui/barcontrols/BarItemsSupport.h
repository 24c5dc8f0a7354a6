#pragma once
// A headless form with the bar unit and the bar items started.

#include <gtest/gtest.h>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "ui/barcontrols/dxBarItems.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/Headless.h"

namespace baritems_test {

class BarItemsTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(1000, 700);
    InitForms();
    InstallDialogs();
    StartUnits({&dxBarItemsUnit});
    Form = New<TForm>(Application, 0);
    Form->SetName("fmItems");
    Form->Show();
    headless::RunUntilIdle();
  }
  void TearDown() override {
    DoneForms();
    FinishUnits();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  TdxBarManager* MakeManager() { return New<TdxBarManager>(Form); }
  template <class T = TdxBarButton>
  T* Make(const char* AName, const char* ACaption = "") {
    T* item = New<T>(Form);
    item->SetName(AName);
    item->SetCategory(0);
    item->SetCaption(ACaption);
    return item;
  }
  TForm* Form = nullptr;
};

}  // namespace baritems_test
