// The tab model: the tab list, the visible list, the selection change protocol, property effects and errors.

#include "cxPCSupport.h"

using namespace pc_test;

namespace {

class TabsTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    Log.clear();
  }
  void Wire(TcxCustomTabControl* c) {
    c->OnChanging = TcxTabChangingEvent([this, c](TObject*, bool& allow) {
      Log.push_back("changing " + IntToStr(c->TabIndex()));
      allow = !Veto;
    });
    c->OnChange = TNotifyEvent([this, c](TObject*) { Log.push_back("change " + IntToStr(c->TabIndex())); });
  }
  std::vector<std::string> Log;
  bool Veto = false;
};

TEST_F(TabsTest, FirstTabIsSelectedWithoutEventsAndLaterTabsLeaveTheSelection) {
  auto* c = MakeControl(300, 100);
  Wire(c);
  EXPECT_EQ(c->TabIndex(), -1);
  c->Tabs()->Add("One");
  EXPECT_EQ(c->TabIndex(), 0);
  c->Tabs()->Add("Two");
  c->Tabs()->Insert(0, "Zero");
  EXPECT_EQ(c->TabIndex(), 0);
  EXPECT_TRUE(Log.empty());
}

TEST_F(TabsTest, SetTabIndexOutsideTheListChangesNothingAndMinusOneDeselects) {
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  Wire(c);
  c->SetTabIndex(-2);
  c->SetTabIndex(3);
  EXPECT_EQ(c->TabIndex(), 0);
  EXPECT_TRUE(Log.empty());
  c->SetTabIndex(-1);
  EXPECT_EQ(c->TabIndex(), -1);
  EXPECT_EQ(c->MainTabVisibleIndex(), -1);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 0", "change -1"}));
}

TEST_F(TabsTest, RefusedChangeLeavesSelectionAndFocusedTab) {
  Metrics().MultiSelect = true;
  Metrics().ButtonLike = true;
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  c->Tabs()->Tabs(0)->SetSelected(true);
  c->SetFocus();
  uint16_t key = VK_RIGHT;
  c->HandleTabKey(key, TShiftState{});
  ASSERT_EQ(c->FocusedTabVisibleIndex(), 1);
  Wire(c);
  Veto = true;
  c->SetTabIndex(2);
  EXPECT_EQ(c->TabIndex(), 0);
  EXPECT_TRUE(c->Tabs()->Tabs(0)->Selected());
  EXPECT_EQ(c->FocusedTabVisibleIndex(), 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 0"}));
  Veto = false;
  c->SetTabIndex(2);
  EXPECT_FALSE(c->Tabs()->Tabs(0)->Selected());
  EXPECT_EQ(c->FocusedTabVisibleIndex(), -1);
}

TEST_F(TabsTest, HiddenTabMayStaySelectedOutsidePagesModeWithTheNeighbourAsMainTab) {
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  c->Tabs()->Tabs(1)->SetVisible(false);
  c->SetTabIndex(1);
  EXPECT_EQ(c->TabIndex(), 1);
  EXPECT_EQ(c->MainTabVisibleIndex(), 1);  // "c" took the place
  EXPECT_EQ(c->Tabs()->VisibleTabs(1)->Caption(), "c");
}

TEST_F(TabsTest, AcceleratorMarksAreStripped) {
  const std::pair<const char*, const char*> cases[] = {
      {"&File", "File"}, {"A&&B", "A&B"}, {"End&", "End_"}, {"&&&x", "&x"}, {"Пр&оект", "Проект"}, {"", ""},
  };
  for (auto& [in, out] : cases) EXPECT_EQ(TcxCustomTabControl::RemoveAccelChars(in), out) << in;
  auto* c = MakeControl(300, 100, {"&Save"});
  EXPECT_EQ(c->Tabs()->Tabs(0)->DisplayCaption(), "Save");
}

TEST_F(TabsTest, OnlyLayoutOptionsLayTheTabsOutAgain) {
  auto* c = MakeControl(300, 100, {"a", "b"});
  TTestPainter* p = TestPainter(c);
  int before = p->LayoutCount;
  c->SetOptions(TcxPCOptions{pcoSort});
  EXPECT_EQ(p->LayoutCount, before);
  c->SetOptions(TcxPCOptions{pcoSort, pcoGoDialog});
  EXPECT_EQ(p->LayoutCount, before + 1);
}

TEST_F(TabsTest, MaxRotatedTabWidthIsKeptAtThePainterMinimum) {
  Metrics().MinTabWidth = 42;
  auto* c = MakeControl(300, 100, {"a"});
  c->SetMaxRotatedTabWidth(5);
  EXPECT_EQ(c->MaxRotatedTabWidth(), 42);
  c->SetMaxRotatedTabWidth(-3);
  EXPECT_EQ(c->MaxRotatedTabWidth(), 0);
}

TEST_F(TabsTest, MoveKeepsTheMovedTabsProperties) {
  auto* c = MakeControl(400, 100, {"a", "b", "c", "d"});
  TcxTab* b = c->Tabs()->Tabs(1);
  b->SetEnabled(false);
  b->SetImageIndex(7);
  b->SetHighlighted(true);
  c->Tabs()->Tabs(2)->SetVisible(false);
  c->Tabs()->Move(1, 3);
  TcxTab* moved = c->Tabs()->Tabs(3);
  EXPECT_EQ(moved, b);
  EXPECT_EQ(moved->Caption(), "b");
  EXPECT_EQ(moved->Index(), 3);
  EXPECT_FALSE(moved->Enabled());
  EXPECT_EQ(moved->StoredImageIndex(), 7);
  EXPECT_TRUE(moved->Highlighted());
  EXPECT_FALSE(c->Tabs()->Tabs(1)->Visible());  // "c" moved down with its own flag
  EXPECT_EQ(c->Tabs()->Tabs(1)->Caption(), "c");
  EXPECT_EQ(c->VisibleTabCount(), 3);
  EXPECT_EQ(c->Tabs()->Text(), "a\r\nc\r\nd\r\nb\r\n");
}

TEST_F(TabsTest, ExtraSelectionNeedsAMultiSelectStyle) {
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  c->Tabs()->Tabs(1)->SetSelected(true);
  EXPECT_FALSE(c->Tabs()->Tabs(1)->Selected());
  c->Tabs()->Tabs(0)->SetSelected(true);
  EXPECT_TRUE(c->Tabs()->Tabs(0)->Selected());
  EXPECT_FALSE(c->MultiSelect());
}

TEST_F(TabsTest, SecondExtraSelectionTurnsMultiSelectOn) {
  Metrics().MultiSelect = true;
  auto* c = MakeControl(300, 100, {"a", "b", "c"});
  c->Tabs()->Tabs(1)->SetSelected(true);
  EXPECT_FALSE(c->MultiSelect());
  c->Tabs()->Tabs(2)->SetSelected(true);
  EXPECT_TRUE(c->MultiSelect());
}

TEST_F(TabsTest, ErrorsNameClassOperationAndIndex) {
  auto* c = MakeControl(300, 100, {"a", "b"});
  auto message = [](auto f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.Message();
    }
    return String("no error");
  };
  EXPECT_EQ(message([&] { c->Tabs()->Strings(5); }),
            "TcxTabs.Get: Индекс страницы (5) вышел за пределы допустимого значения");
  EXPECT_EQ(message([&] { c->Tabs()->Delete(2); }),
            "TcxTabs.Delete: Индекс страницы (2) вышел за пределы допустимого значения");
  EXPECT_EQ(message([&] { c->Tabs()->Insert(3, "x"); }),
            "TcxTabs.Insert: Индекс страницы (3) вышел за пределы допустимого значения");
  EXPECT_EQ(message([&] { c->VisibleTabList()->GetTab(2); }),
            "TcxVisibleTabList.GetTab: TabVisibleIndex (2) должен быть между 0 и 1");
  EXPECT_EQ(message([&] { c->Tabs()->VisibleTabs(-1); }),
            "TcxTabs.GetVisibleTab: TabVisibleIndex (-1) должен быть между 0 и 1");
  c->Tabs()->Tabs(0)->SetVisible(false);
  c->Tabs()->Tabs(1)->SetVisible(false);
  EXPECT_EQ(message([&] { c->VisibleTabList()->GetTab(0); }), "TcxVisibleTabList.GetTab: Нет видимых страниц");
  EXPECT_EQ(c->Tabs()->Count(), 2);  // a failed check leaves the list as it was
}

TEST_F(TabsTest, ChangesReachThePainterAsRepaintsOrANewLayout) {
  auto* c = MakeControl(400, 100, {"40", "40", "40"});
  TTestPainter* p = TestPainter(c);
  p->Repaints.clear();
  int layouts = p->LayoutCount;
  c->Tabs()->Tabs(1)->SetEnabled(false);
  c->Tabs()->Tabs(2)->SetHighlighted(true);
  EXPECT_EQ(p->Repaints, (std::vector<std::pair<int32_t, TcxPCTabPropertyChanged>>{{1, tpcEnabled}, {2, tpcHighlighted}}));
  EXPECT_EQ(p->LayoutCount, layouts);
  c->Tabs()->Tabs(1)->SetCaption("55");  // longer: a new layout
  EXPECT_EQ(p->LayoutCount, layouts + 1);
  EXPECT_EQ(c->Tabs()->Tabs(1)->NormalWidth(), 55);
  p->Repaints.clear();
  c->SetTabIndex(2);
  EXPECT_EQ(p->Repaints.front(), (std::pair<int32_t, TcxPCTabPropertyChanged>{0, tpcIsMainTab}));
}

TEST_F(TabsTest, VisibleListKeepsAscendingOrder) {
  auto* c = MakeControl(400, 100, {"a", "b", "c", "d", "e"});
  c->Tabs()->Tabs(3)->SetVisible(false);
  c->Tabs()->Tabs(0)->SetVisible(false);
  c->Tabs()->Tabs(3)->SetVisible(true);
  std::vector<int32_t> items;
  for (int i = 0; i < c->VisibleTabList()->Count(); ++i) items.push_back(c->VisibleTabList()->Items(i));
  EXPECT_EQ(items, (std::vector<int32_t>{1, 2, 3, 4}));
  int32_t pos = -1;
  EXPECT_FALSE(c->VisibleTabList()->Find(0, pos));
  EXPECT_EQ(pos, 0);
  EXPECT_FALSE(c->VisibleTabList()->Find(9, pos));
  EXPECT_EQ(pos, 4);
}

}  // namespace
