// Page controls with the registered styles: the program's hidden-tab page control in the ultra-flat look,
// and a picture of page controls in several styles switched by clicks, kept as a PNG to look at.

#include <filesystem>
#include <string>

#include "cxPCSupport.h"
#include "forms/StdCtrls.h"
#include "ui/pagecontrol/cxPCPaintersStandard.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

using namespace pc_test;

namespace {

class PageControlStylesTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    UnregisterPainterClass(TcxPCPainterClassOf<TTestPainter>());
    RegisterStandardPCPainters();
  }
  TcxPageControl* Pages(std::initializer_list<const char*> captions, int x, int y, int w, int h) {
    auto* pc = New<TcxPageControl>(Form);
    pc->SetParent(Form);
    pc->SetBounds(x, y, w, h);
    for (const char* c : captions) {
      auto* page = New<TcxTabSheet>(Form);
      page->SetCaption(c);
      page->SetPageControl(pc);
      auto* label = New<TLabel>(Form);
      label->SetCaption(std::string("Page ") + c);
      label->SetBounds(8, 8, 120, 16);
      label->SetParent(page);
    }
    return pc;
  }
  int Changes = 0;
};

TEST_F(PageControlStylesTest, ProgramPageControlWithHiddenTabsInTheUltraFlatLook) {
  auto* pc = Pages({"tsClean", "tsProjects", "tsBackup", "tsRestory", "tsReport"}, 0, 0, 400, 250);
  pc->LookAndFeel()->SetKind(lfUltraFlat);
  pc->SetHideTabs(true);
  pc->OnChange = TNotifyEvent([this](TObject*) { ++Changes; });
  Idle();
  EXPECT_EQ(pc->ActualStyle(), 5);
  const int codes[] = {1, 2, 3, 4, 5};
  const int pages[] = {1, 2, 2, 3, 4};
  int expected = 0;
  for (int i = 0; i < 5; ++i) {
    if (pc->ActivePageIndex() != pages[i]) ++expected;
    pc->SetActivePage(pc->Pages(pages[i]));
    pc->SetTag(codes[i]);
    EXPECT_EQ(Changes, expected);
  }
  EXPECT_EQ(RectStr(pc->GetPageClientRect()), "0,0,400,250");
  EXPECT_EQ(RectStr(pc->ActivePage()->BoundsRect()), "0,0,400,250");
  // The control's own painting under the page: nothing but the page area in the face colour.
  pc->ActivePage()->SetVisible(false);
  pc->Invalidate();
  Idle();
  int other = 0;
  for (int y = 0; y < 250; ++y)
    for (int x = 0; x < 400; ++x)
      if (headless::Pixel(pc->Handle(), x, y) != Rgb(clBtnFace)) ++other;
  EXPECT_EQ(other, 0);
}

TEST_F(PageControlStylesTest, PictureOfTheStylesSwitchedByClicks) {
  Form->SetBounds(20, 20, 560, 420);
  Idle();
  struct Sample {
    TcxPCStyleID style;
    TcxTabPosition position;
    bool multiLine;
    int x, y;
  };
  const Sample samples[] = {{1, tpTop, false, 8, 8}, {2, tpBottom, false, 280, 8}, {3, tpTop, true, 8, 200},
                            {5, tpLeft, false, 280, 200}};
  std::vector<TcxPageControl*> controls;
  for (const Sample& s : samples) {
    auto* pc = Pages({"Projects", "Backup", "&Restore", "Report", "Options"}, s.x, s.y, 260, 180);
    pc->SetStyle(s.style);
    pc->SetTabPosition(s.position);
    pc->SetMultiLine(s.multiLine);
    pc->Pages(3)->SetEnabled(false);
    controls.push_back(pc);
  }
  Idle();
  // A click on the third visible tab of each makes it the active page.
  for (TcxPageControl* pc : controls) {
    POINT p = Centre(pc->GetTabVisibleRect(2));
    Click(pc, p.x, p.y);
    EXPECT_EQ(pc->ActivePageIndex(), 2) << pc->ActualStyle();
    // The selected tab is drawn and the page beside it shows its label.
    RECT bounds = pc->Pages(2)->BoundsRect();
    EXPECT_FALSE(IsRectEmpty(&bounds));
  }
  Idle();
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  const std::string path = std::string(VORN_ARTIFACT_DIR) + "/pagecontrol-styles.png";
  EXPECT_TRUE(headless::SavePng(Form->Handle(), path.c_str())) << path;
  std::printf("picture: %s\n", path.c_str());
}

}  // namespace
