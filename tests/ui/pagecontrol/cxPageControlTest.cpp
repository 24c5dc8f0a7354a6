// The page control: active page switching with its event order and focus rules, inserting, moving and
// removing pages, and the program's own use (hidden tabs, pages switched from code, a page code kept in Tag).

#include <filesystem>
#include <memory>

#include "cxPCSupport.h"
#include "forms/StdCtrls.h"

using namespace pc_test;

namespace {

class PageControlTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    Log.clear();
  }
  TcxTabSheet* AddPage(TcxPageControl* pc, const char* caption) {
    TcxTabSheet* page = New<TcxTabSheet>(Form);
    page->SetCaption(caption);
    page->SetPageControl(pc);
    page->OnShow = TNotifyEvent([this, page](TObject*) { Log.push_back("show " + page->Caption()); });
    page->OnHide = TNotifyEvent([this, page](TObject*) { Log.push_back("hide " + page->Caption()); });
    return page;
  }
  TcxPageControl* MakePages(std::initializer_list<const char*> captions, int w = 300, int h = 200) {
    auto* pc = MakeControl<TcxPageControl>(w, h);
    for (const char* c : captions) AddPage(pc, c);
    Idle();
    Log.clear();
    pc->OnPageChanging = TcxPageChangingEvent([this](TObject*, TcxTabSheet* page, bool& allow) {
      Log.push_back("changing " + (page ? page->Caption() : String("nil")));
      allow = !Veto;
    });
    pc->OnChange = TNotifyEvent([this, pc](TObject*) {
      Log.push_back("change " + IntToStr(pc->ActivePageIndex()));
    });
    return pc;
  }
  std::vector<std::string> Log;
  bool Veto = false;
  int Changes = 0;
};

TEST_F(PageControlTest, FirstPageBecomesActiveAndPagesKeepCreationOrder) {
  auto* pc = MakePages({"one", "two", "three"});
  EXPECT_EQ(pc->ActivePage(), pc->Pages(0));
  EXPECT_EQ(pc->ActivePageIndex(), 0);
  EXPECT_EQ(pc->TabIndex(), 0);
  EXPECT_TRUE(pc->Pages(0)->Visible());
  EXPECT_FALSE(pc->Pages(1)->Visible());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pc->Pages(i)->PageIndex(), i);
    EXPECT_EQ(pc->Pages(i)->Tab(), pc->Tabs()->Tabs(i));
  }
  EXPECT_EQ(pc->Tabs()->Text(), "one\r\ntwo\r\nthree\r\n");
  // The page fills the page area the style gives.
  RECT page = pc->Pages(0)->BoundsRect();
  EXPECT_EQ(RectStr(page), RectStr(pc->GetPageClientRect()));
}

TEST_F(PageControlTest, ClickOnATabRunsTheEventsInOrder) {
  auto* pc = MakePages({"one", "two"});
  POINT p = Centre(pc->GetTabVisibleRect(1));
  Click(pc, p.x, p.y);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing two", "show two", "hide one", "change 1"}));
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_EQ(pc->TabIndex(), 1);
}

TEST_F(PageControlTest, CodeSwitchRunsTheSameEventsOnce) {
  auto* pc = MakePages({"one", "two", "three"});
  pc->SetActivePage(pc->Pages(2));
  EXPECT_EQ(Log, (std::vector<std::string>{"changing three", "show three", "hide one", "change 2"}));
  EXPECT_EQ(pc->TabIndex(), 2);
  Log.clear();
  pc->SetActivePage(pc->Pages(2));  // already active: nothing
  EXPECT_TRUE(Log.empty());
}

TEST_F(PageControlTest, RefusedPageChangeKeepsPageAndTabForClicksAndCode) {
  auto* pc = MakePages({"one", "two"});
  Veto = true;
  POINT p = Centre(pc->GetTabVisibleRect(1));
  Click(pc, p.x, p.y);
  pc->SetActivePage(pc->Pages(1));
  EXPECT_EQ(Log, (std::vector<std::string>{"changing two", "changing two"}));
  EXPECT_EQ(pc->ActivePage(), pc->Pages(0));
  EXPECT_EQ(pc->TabIndex(), 0);
  EXPECT_TRUE(pc->Pages(0)->Visible());
  EXPECT_FALSE(pc->Pages(1)->Visible());
}

TEST_F(PageControlTest, PageWithHiddenTabShowsWithoutSelectedTab) {
  auto* pc = MakePages({"one", "two"});
  pc->Pages(1)->SetTabVisible(false);
  EXPECT_EQ(pc->VisibleTabCount(), 1);
  pc->SetActivePage(pc->Pages(1));
  EXPECT_EQ(pc->ActivePage(), pc->Pages(1));
  EXPECT_TRUE(pc->Pages(1)->Visible());
  EXPECT_EQ(pc->TabIndex(), -1);
  // In pages mode a hidden tab cannot be selected.
  pc->SetActivePage(pc->Pages(0));
  pc->SetTabIndex(1);
  EXPECT_EQ(pc->TabIndex(), -1);
}

TEST_F(PageControlTest, RemovingAnInactivePageKeepsTheActivePage) {
  auto* pc = MakePages({"one", "two", "three", "four"});
  pc->SetActivePage(pc->Pages(2));
  Log.clear();
  TcxTabSheet* two = pc->Pages(1);
  two->Free();
  EXPECT_EQ(pc->ActivePage()->Caption(), "three");
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_EQ(pc->TabIndex(), 1);
  EXPECT_EQ(pc->Tabs()->Text(), "one\r\nthree\r\nfour\r\n");
  EXPECT_TRUE(Log.empty());
  // Removing the active page activates the next one.
  pc->Pages(1)->SetPageControl(nullptr);
  EXPECT_EQ(pc->ActivePage()->Caption(), "four");
  EXPECT_EQ(pc->TabIndex(), 1);
}

TEST_F(PageControlTest, RemovingTheOnlyPageLeavesNoActivePage) {
  auto* pc = MakePages({"one"});
  pc->Pages(0)->Free();
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(pc->PageCount(), 0);
  EXPECT_EQ(pc->TabIndex(), -1);
  EXPECT_EQ(pc->ActivePageIndex(), -1);
}

TEST_F(PageControlTest, MovingAPageSelectsTheTabAtTheNewIndex) {
  auto* pc = MakePages({"one", "two", "three"});
  TcxTabSheet* one = pc->Pages(0);
  one->SetImageIndex(4);
  one->SetPageIndex(2);
  EXPECT_EQ(pc->Pages(2), one);
  EXPECT_EQ(one->Tab()->Caption(), "one");
  EXPECT_EQ(one->Tab()->StoredImageIndex(), 4);
  EXPECT_EQ(pc->TabIndex(), 2);
  EXPECT_EQ(pc->ActivePage(), one);
  try {
    one->SetPageIndex(3);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "3 - неверное значение PageIndex.  PageIndex должент быть между 0 и 2");
  }
  EXPECT_THROW(one->SetPageIndex(-1), EListError);
  EXPECT_EQ(pc->Pages(2), one);
}

TEST_F(PageControlTest, PagePropertiesReachTheirTabs) {
  auto* pc = MakePages({"one", "two"});
  TcxTabSheet* two = pc->Pages(1);
  two->SetCaption("&Second");
  two->SetEnabled(false);
  two->SetHighlighted(true);
  two->SetImageIndex(3);
  TcxTab* tab = two->Tab();
  EXPECT_EQ(tab->Caption(), "&Second");
  EXPECT_EQ(tab->DisplayCaption(), "Second");
  EXPECT_FALSE(tab->Enabled());
  EXPECT_TRUE(tab->Highlighted());
  EXPECT_EQ(tab->StoredImageIndex(), 3);
  // A disabled tab does not take clicks.
  POINT p = Centre(pc->GetTabVisibleRect(1));
  Click(pc, p.x, p.y);
  EXPECT_EQ(pc->ActivePageIndex(), 0);
}

TEST_F(PageControlTest, FocusMovesWithTheActivePage) {
  auto* pc = MakePages({"one", "two", "three"});
  auto* e1 = New<TEdit>(Form);
  e1->SetParent(pc->Pages(0));
  auto* e2 = New<TEdit>(Form);
  e2->SetParent(pc->Pages(1));
  auto* e3 = New<TEdit>(Form);
  e3->SetParent(pc->Pages(2));
  pc->Pages(2)->SetEnabled(false);
  Idle();
  e1->SetFocus();
  Idle();
  ASSERT_EQ(Form->ActiveControl(), e1);
  pc->SetActivePage(pc->Pages(1));
  Idle();
  EXPECT_EQ(Form->ActiveControl(), e2);
  EXPECT_TRUE(e2->Focused());
  // The next page cannot take the focus: the page control gets it.
  pc->SetActivePage(pc->Pages(2));
  Idle();
  EXPECT_EQ(Form->ActiveControl(), pc);
  EXPECT_TRUE(pc->Focused());
}

TEST_F(PageControlTest, NextPageSkipsHiddenTabsAndWraps) {
  auto* pc = MakePages({"one", "two", "three"});
  pc->Pages(1)->SetTabVisible(false);
  EXPECT_EQ(pc->FindNextPage(pc->Pages(0), true, true), pc->Pages(2));
  EXPECT_EQ(pc->FindNextPage(pc->Pages(2), true, true), pc->Pages(0));
  EXPECT_EQ(pc->FindNextPage(pc->Pages(0), false, false), pc->Pages(2));
  EXPECT_EQ(pc->FindNextPage(nullptr, false, true), pc->Pages(2));
  pc->SelectNextPage(true);
  EXPECT_EQ(pc->ActivePageIndex(), 2);
}

// The program's main window: a page control with hidden tabs in the ultra-flat look, pages switched from
// code by the page commands, the page code kept in Tag.
TEST_F(PageControlTest, HiddenTabsCodeSwitchingGivesOneChangeAndPaintsOnlyThePage) {
  auto* pc = MakePages({"tsClean", "tsProjects", "tsBackup", "tsRestory", "tsReport"}, 400, 250);
  pc->LookAndFeel()->SetKind(lfUltraFlat);
  pc->SetHideTabs(true);
  Idle();
  pc->OnChange = TNotifyEvent([this](TObject*) { ++Changes; });
  struct Command {
    int page, code;
  };
  const Command commands[] = {{1, 1}, {2, 2}, {2, 3}, {3, 4}, {4, 5}, {1, 1}};
  int expected = 0;
  for (const Command& c : commands) {
    const bool switches = pc->ActivePageIndex() != c.page;
    pc->SetActivePage(pc->Pages(c.page));
    pc->SetTag(c.code);
    if (switches) ++expected;
    EXPECT_EQ(Changes, expected) << c.page;
    EXPECT_EQ(pc->ActivePageIndex(), c.page);
    EXPECT_EQ(pc->TabIndex(), c.page);
  }
  EXPECT_EQ(pc->Tag(), 1);
  // No tab area: the page takes the whole control and the control shows only the page colour.
  EXPECT_EQ(RectStr(pc->GetPageClientRect()), "0,0,400,250");
  EXPECT_EQ(RectStr(pc->Pages(1)->BoundsRect()), "0,0,400,250");
  pc->Pages(1)->SetVisible(false);  // look at the control's own painting
  pc->Invalidate();
  Idle();
  for (POINT p : {POINT{0, 0}, POINT{200, 5}, POINT{399, 249}, POINT{5, 120}})
    EXPECT_EQ(headless::Pixel(pc->Handle(), p.x, p.y), Rgb(clBtnFace)) << p.x << "," << p.y;
  EXPECT_TRUE(TestPainter(pc)->DrawnTabs.empty());
  // Clicks where tabs would be do nothing.
  Changes = 0;
  Click(pc, 5, 5);
  EXPECT_EQ(Changes, 0);
}

}  // namespace

namespace {

TEST_F(PageControlTest, ThroughVisualStylesThePageShowsTheTabThemesPane) {
  winapi::SetThemeActive(true);
  Metrics().Native = true;
  auto* pc = MakePages({"one", "two"});
  TcxTabSheet* page = pc->ActivePage();
  page->Invalidate();
  Idle();
  // What the theme draws for the pane over the same rectangle, in page coordinates.
  RECT frame;
  pc->Painter()->GetPageFrameRect(frame);
  InflateRect(&frame, 2, 2);
  OffsetRect(&frame, -page->Left(), -page->Top());
  std::unique_ptr<TBitmap> expected(New<TBitmap>());
  expected->SetSize(page->Width(), page->Height());
  DrawThemeBackground(OpenTheme(totTab), expected->Canvas()->Handle(), 9, 0, &frame, nullptr);
  const POINT p{page->Width() / 2, page->Height() / 2};
  EXPECT_EQ(headless::Pixel(page->Handle(), p.x, p.y), expected->ScanLine(p.y)[p.x] & 0xFFFFFF);
  EXPECT_NE(expected->ScanLine(p.y)[p.x] & 0xFFFFFF, Rgb(clBtnFace));  // the pane is not the plain face
  Metrics().Native = false;
  winapi::SetThemeActive(false);
}

}  // namespace
