// Item links: their overrides, the effective group separator, the derived lists, the recent-items
// counting, shortcuts and accelerators, and the controls a shown link owns.

#include "BarsSupport.h"

using namespace bars_test;

namespace {

class ItemLinksTest : public BarsTest {
protected:
  void SetUp() override {
    BarsTest::SetUp();
    Manager = MakeManager();
    Manager->SetStyle(bmsFlat);
    for (const char* name : {"bbA", "bbB", "bbC", "bbD"}) Items.push_back(MakeItem(Manager, name));
  }
  TdxBar* ShownBar() {
    TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1], Items[2], Items[3]});
    bar->SetDockingStyle(dsTop);
    bar->SetVisible(true);
    return bar;
  }
  static std::string Names(TdxBarItemLinks* links, int32_t (TdxBarItemLinks::*count)() const,
                           TdxBarItemLink* (TdxBarItemLinks::*at)(int32_t) const) {
    std::string s;
    for (int32_t i = 0; i < (links->*count)(); ++i) s += (s.empty() ? "" : " ") + (links->*at)(i)->Item()->Name();
    return s;
  }
  static std::string Shown(TdxBarItemLinks* l) {
    return Names(l, &TdxBarItemLinks::VisibleItemCount, &TdxBarItemLinks::VisibleItems);
  }
  static std::string Recent(TdxBarItemLinks* l) {
    return Names(l, &TdxBarItemLinks::RecentItemListCount, &TdxBarItemLinks::RecentItemList);
  }
  TdxBarManager* Manager = nullptr;
  std::vector<TTestItem*> Items;
};

TEST_F(ItemLinksTest, UserOverrides) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0]});
  TdxBarItemLink* link = bar->ItemLinks()->Items(0);
  Items[0]->SetCaption("&Open");
  EXPECT_EQ(link->GetCaption(), "&Open");
  link->SetUserCaption("Mine");
  EXPECT_TRUE(link->UserDefine().Contains(udCaption));
  EXPECT_EQ(link->GetCaption(), "Mine");
  link->SetUserWidth(5);
  EXPECT_EQ(link->UserWidth(), 20);
  EXPECT_EQ(link->GetWidth(), 20);
  link->SetUserPaintStyle(psCaptionGlyph);
  TBitmap glyph;
  glyph.SetSize(4, 4);
  link->SetUserGlyph(&glyph);
  EXPECT_EQ(link->UserDefine(), (TdxBarUserDefines{udCaption, udGlyph, udPaintStyle, udWidth}));
  link->SetUserDefine(TdxBarUserDefines{});
  EXPECT_EQ(link->UserCaption(), "");
  EXPECT_TRUE(link->UserGlyph()->Empty());
  EXPECT_EQ(link->UserPaintStyle(), TdxBarPaintStyle::psStandard);
  EXPECT_EQ(link->UserWidth(), 0);
  EXPECT_EQ(link->GetCaption(), "&Open");
}

TEST_F(ItemLinksTest, SettingItemToNilFreesTheLink) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1]});
  bar->ItemLinks()->Items(0)->SetItem(nullptr);
  ASSERT_EQ(bar->ItemLinks()->Count(), 1);
  EXPECT_EQ(bar->ItemLinks()->Items(0)->Item(), Items[1]);
  EXPECT_EQ(Items[0]->LinkCount(), 0);
}

TEST_F(ItemLinksTest, GroupSeparatorSurvivesHidingItsLink) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  links->Items(2)->SetBeginGroup(true);
  EXPECT_TRUE(links->Items(2)->GetBeginGroup());
  EXPECT_FALSE(links->Items(3)->GetBeginGroup());
  links->Items(2)->SetVisible(false);
  EXPECT_EQ(Shown(links), "bbA bbB bbD");
  EXPECT_TRUE(links->Items(3)->GetBeginGroup());
  // The first shown link never begins a group.
  links->Items(0)->SetBeginGroup(true);
  EXPECT_FALSE(links->Items(0)->GetBeginGroup());
  links->Items(0)->SetVisible(false);
  EXPECT_FALSE(links->Items(1)->GetBeginGroup());
}

TEST_F(ItemLinksTest, DerivedListsFollowItemAndLinkVisibility) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  Items[1]->SetVisible(ivNever);
  links->Items(2)->SetVisible(false);
  EXPECT_EQ(Names(links, &TdxBarItemLinks::ActiveItemCount, &TdxBarItemLinks::ActiveItems), "bbA bbC bbD");
  EXPECT_EQ(Names(links, &TdxBarItemLinks::AvailableItemCount, &TdxBarItemLinks::AvailableItems), "bbA bbD");
  EXPECT_EQ(Shown(links), "bbA bbD");
  // Only the shown links have controls.
  EXPECT_NE(links->Items(0)->Control(), nullptr);
  EXPECT_EQ(links->Items(1)->Control(), nullptr);
  EXPECT_EQ(links->Items(2)->Control(), nullptr);
  Items[1]->SetVisible(ivInCustomizing);
  EXPECT_EQ(links->Items(1)->Control(), nullptr);
  Manager->SetCustomizingFlag(true);
  links->RebuildLists();
  EXPECT_TRUE(Items[1]->IsActuallyVisible());
  Manager->SetCustomizingFlag(false);
}

TEST_F(ItemLinksTest, ControlsHearTheChangesOfTheirItem) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  links->Items(1)->SetUserCaption("own");
  Journal().clear();
  for (TTestItem* item : Items) item->SetCaption("x");
  EXPECT_EQ(Journal(), (std::vector<std::string>{"bbA:caption", "bbC:caption", "bbD:caption"}));
  Journal().clear();
  Items[0]->SetEnabled(false);
  Items[0]->SetShortCut(ShortCut(VK_F2, {}));
  Items[0]->SetImageIndex(3);
  links->Items(0)->SetBeginGroup(true);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"bbA:enabled", "bbA:shortcut", "bbA:glyph", "bbA:begingroup"}));
  Journal().clear();
  Items[0]->SetVisible(ivNever);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"bbA:visible", "bbA:freed"}));
  Journal().clear();
  Items[0]->SetVisible(ivAlways);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"bbA:visible"}));
  EXPECT_NE(links->Items(0)->Control(), nullptr);
}

TEST_F(ItemLinksTest, LinkEventsReachTheManager) {
  std::vector<std::string> events;
  Manager->OnItemLinkAdd = TdxBarItemLinkEvent([&](TdxBarManager*, TdxBarItemLink*) { events.push_back("add"); });
  Manager->OnItemLinkChange =
      TdxBarItemLinkEvent([&](TdxBarManager*, TdxBarItemLink*) { events.push_back("change"); });
  Manager->OnItemLinkDelete =
      TdxBarItemLinkEvent([&](TdxBarManager*, TdxBarItemLink*) { events.push_back("delete"); });
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0]});
  bar->ItemLinks()->Items(0)->SetBeginGroup(true);
  bar->ItemLinks()->Delete(0);
  EXPECT_EQ(events, (std::vector<std::string>{"add", "change", "change", "delete"}));
}

TEST_F(ItemLinksTest, RecentItemCountFromUseCounts) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1], Items[2]});
  TdxBarItemLinks* links = bar->ItemLinks();
  struct Case {
    int32_t Percents;
    std::vector<int32_t> UseCounts;  // in recent order
    int32_t Expected;
  } cases[] = {
      {95, {1, 1, 10}, -1},  // threshold 1 + MulDiv(9, 5, 100) = 1: all count
      {50, {10, 1, 1}, 1},   // threshold 1 + MulDiv(9, 50, 100) = 6: only the first of the recent list
      {50, {1, 10, 1}, 2},   // the last counting link in recent order decides
      {100, {3, 0, 7}, -1},  // nothing is rarely used
      {0, {9, 9, 2}, 2},     // threshold 2 + 7 = 9
  };
  for (const Case& c : cases) {
    Manager->SetMostRecentItemsPercents(c.Percents);
    for (size_t i = 0; i < c.UseCounts.size(); ++i) links->RecentItemList(static_cast<int32_t>(i))->SetUseCount(c.UseCounts[i]);
    EXPECT_EQ(links->CalcRecentItemCount(), c.Expected) << c.Percents;
  }
  Manager->SetStyle(bmsStandard);
  EXPECT_EQ(links->CalcRecentItemCount(), -1);
}

TEST_F(ItemLinksTest, UseMovesLinksToTheFrontOfTheRecentList) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  EXPECT_EQ(Recent(links), "bbD bbC bbB bbA");  // each new link was marked used as it came
  const int32_t before = links->Items(1)->UseCount();
  EXPECT_EQ(before, Manager->InitialUseCount());
  links->Items(1)->MarkUsed(true);
  EXPECT_EQ(Recent(links), "bbB bbD bbC bbA");
  EXPECT_EQ(links->Items(1)->UseCount(), before + 1);
  links->Items(3)->MarkUnused();
  EXPECT_EQ(Recent(links), "bbB bbC bbA bbD");
  // A hidden link is not available and its use is not recorded.
  links->Items(0)->SetVisible(false);
  links->Items(0)->MarkUsed(true);
  EXPECT_EQ(links->Items(0)->GetRecentIndex(), 3);
  links->CompactRecentList();
  EXPECT_EQ(Recent(links), "bbB bbC bbD bbA");
}

TEST_F(ItemLinksTest, RecentItemCountLimitsTheShownLinks) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  links->Items(2)->MarkUsed(true);
  links->Items(0)->MarkUsed(true);
  links->SetRecentItemCount(2);
  EXPECT_EQ(Shown(links), "bbA bbC");  // the two most recent, in their bar order
  links->SetRecentItemCount(0);
  EXPECT_EQ(Shown(links), "");
  links->RestoreRecentItemCount();
  EXPECT_EQ(Shown(links), "bbA bbC");
  links->SetRecentItemCount(-1);
  EXPECT_EQ(Shown(links), "bbA bbB bbC bbD");
  Manager->SetStyle(bmsStandard);
  links->SetRecentItemCount(1);
  EXPECT_EQ(links->RecentItemCount(), -1);
}

TEST_F(ItemLinksTest, MostRecentlyUsedOffStartsRarelyUsed) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1]});
  TdxBarItemLinks* links = bar->ItemLinks();
  links->Items(0)->SetMostRecentlyUsed(false);
  EXPECT_EQ(links->Items(0)->UseCount(), 0);
  EXPECT_EQ(Recent(links), "bbB bbA");
  links->Items(0)->SetMostRecentlyUsed(true);
  EXPECT_EQ(links->Items(0)->UseCount(), Manager->InitialUseCount());
  EXPECT_EQ(Recent(links), "bbA bbB");
}

TEST_F(ItemLinksTest, ApplyLoadedStateRestoresUseCountsAndOrder) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1], Items[2]});
  TdxBarItemLinks* links = bar->ItemLinks();
  links->Items(2)->SetLoadedRecentIndex(0);
  links->Items(2)->SetLoadedUseCount(7);
  links->Items(0)->SetLoadedRecentIndex(1);
  links->Items(0)->SetLoadedUseCount(3);
  links->ApplyLoadedState(false);
  EXPECT_EQ(Recent(links), "bbC bbA bbB");
  EXPECT_EQ(links->Items(2)->UseCount(), 7);
  EXPECT_EQ(links->Items(0)->UseCount(), 3);
  EXPECT_EQ(links->Items(2)->LoadedRecentIndex(), -1);
}

TEST_F(ItemLinksTest, ShortcutsRunItemsEvenOfHiddenLinksButNotDisabledOnes) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0], Items[1]});
  Items[0]->SetShortCut(ShortCut(VK_F5, {}));
  Items[1]->SetShortCut(ShortCut(VK_F6, {}));
  bar->ItemLinks()->Items(0)->SetVisible(false);
  EXPECT_TRUE(bar->HandleShortCut(ShortCut(VK_F5, {})));
  EXPECT_EQ(Items[0]->Clicks, 1);
  Items[1]->SetEnabled(false);
  EXPECT_FALSE(bar->HandleShortCut(ShortCut(VK_F6, {})));
  EXPECT_EQ(Items[1]->Clicks, 0);
  EXPECT_FALSE(bar->HandleShortCut(0));
  EXPECT_FALSE(bar->HandleShortCut(ShortCut(VK_F7, {})));
}

TEST_F(ItemLinksTest, ShortcutsReachIntoMenus) {
  auto* menu = MakeItem<TTestMenuItem>(Manager, "bbMenu");
  menu->SubItemLinks()->AddItem(Items[2]);
  Items[2]->SetShortCut(ShortCut('S', {ssCtrl}));
  TdxBar* bar = MakeBar(Manager, "Menu", {menu});
  EXPECT_TRUE(bar->HandleShortCut(ShortCut('S', {ssCtrl})));
  EXPECT_EQ(Items[2]->Clicks, 1);
}

TEST_F(ItemLinksTest, AcceleratorKeys) {
  TdxBar* bar = MakeBar(Manager, "Tools", {Items[0]});
  TdxBarItemLink* link = bar->ItemLinks()->Items(0);
  struct Case {
    const char* Caption;
    uint16_t Key;
    TShiftState Shift;
    bool Matches;
  } cases[] = {
      // An upper-case accelerator matches with or without Shift; a lower-case one only without.
      {"&File", 'F', {}, true},         {"&File", 'F', {ssShift}, true},  {"&file", 'F', {ssShift}, false},
      {"&file", 'F', {}, true},         {"E&xit", 'X', {}, true},
      {"A&&B", 'B', {}, false},         {"&1 recent", '1', {}, true},     {"&1 recent", '1', {ssCtrl}, false},
      {"No accelerator", 'N', {}, false}, {"&a&b", 'B', {}, true},        {"&a&b", 'A', {}, false},
  };
  for (const Case& c : cases) {
    Items[0]->SetCaption(c.Caption);
    EXPECT_EQ(link->IsAcceleratorKey(c.Key, c.Shift), c.Matches) << c.Caption << " " << char(c.Key);
  }
  TShiftState shift{ssShift};
  EXPECT_EQ(GetAcceleratorChar("&File", shift), U'f');
  EXPECT_FALSE(shift.Contains(ssShift));
}

TEST_F(ItemLinksTest, MenuAcceleratorsWalkFromTheStart) {
  auto* menu = MakeItem<TTestMenuItem>(Manager, "bbMenu");
  TdxBarItemLinks* links = menu->SubItemLinks();
  Items[0]->SetCaption("&Save");
  Items[1]->SetCaption("&Open");
  Items[2]->SetCaption("Sa&ve &as");
  for (int i = 0; i < 3; ++i) links->AddItem(Items[static_cast<size_t>(i)]);
  EXPECT_EQ(links->FindAcceleratedLink('S', {ssAlt}, nullptr), links->Items(0));
  EXPECT_EQ(links->FindAcceleratedLink('O', {}, nullptr), links->Items(1));
  EXPECT_EQ(links->FindAcceleratedLink('A', {}, links->Items(2)), links->Items(2));  // the start is tested last
  EXPECT_EQ(links->FindAcceleratedLink('Q', {}, nullptr), nullptr);
  Items[1]->SetEnabled(false);
  EXPECT_EQ(links->FindAcceleratedLink('O', {}, nullptr), nullptr);
}

TEST_F(ItemLinksTest, MovedLinksKeepTheirControlsAndOrder) {
  TdxBar* bar = ShownBar();
  TdxBarItemLinks* links = bar->ItemLinks();
  TdxBarItemControl* control = links->Items(3)->Control();
  links->Items(3)->SetIndex(0);
  EXPECT_EQ(Shown(links), "bbD bbA bbB bbC");
  EXPECT_EQ(links->Items(0)->Control(), control);
  // A link moved to another bar: freed here, made there.
  TdxBar* other = MakeBar(Manager, "Other", {});
  other->SetDockingStyle(dsTop);
  other->SetVisible(true);
  other->ItemLinks()->AddItem(links->Items(0)->Item());
  links->Delete(0);
  EXPECT_EQ(Shown(links), "bbA bbB bbC");
  EXPECT_EQ(Shown(other->ItemLinks()), "bbD");
  EXPECT_NE(other->ItemLinks()->Items(0)->Control(), nullptr);
  EXPECT_EQ(Items[3]->LinkCount(), 1);
}

TEST_F(ItemLinksTest, AssignCopiesLinksAndKeepsVisibility) {
  TdxBar* source = MakeBar(Manager, "Source", {Items[0], Items[1]});
  source->ItemLinks()->Items(1)->SetVisible(false);
  source->ItemLinks()->Items(1)->SetBeginGroup(true);
  source->ItemLinks()->Items(0)->SetUserCaption("Mine");
  TdxBar* target = MakeBar(Manager, "Target", {Items[3]});
  target->ItemLinks()->Assign(source->ItemLinks());
  ASSERT_EQ(target->ItemLinks()->Count(), 2);
  EXPECT_EQ(target->ItemLinks()->Items(0)->Item(), Items[0]);
  EXPECT_EQ(target->ItemLinks()->Items(0)->GetCaption(), "Mine");
  EXPECT_FALSE(target->ItemLinks()->Items(1)->Visible());
  EXPECT_TRUE(target->ItemLinks()->Items(1)->BeginGroup());
  EXPECT_EQ(Items[3]->LinkCount(), 0);
  EXPECT_EQ(Items[0]->LinkCount(), 2);
}

}  // namespace
