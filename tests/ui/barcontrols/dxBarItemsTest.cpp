// Buttons and sub-items: checked groups, captions and hints, actions, recursion refused, and the rules of
// loading.

#include "BarItemsSupport.h"
#include "forms/ActnList.h"

using namespace baritems_test;

namespace {

class BarButtonTest : public BarItemsTest {
protected:
  void SetUp() override {
    BarItemsTest::SetUp();
    Manager = MakeManager();
  }
  std::vector<TdxBarButton*> Group(int ACount, int32_t AGroupIndex) {
    std::vector<TdxBarButton*> buttons;
    for (int i = 0; i < ACount; ++i) {
      auto* b = Make(("bbG" + std::to_string(AGroupIndex) + "_" + std::to_string(i)).c_str());
      b->SetButtonStyle(bsChecked);
      b->SetGroupIndex(AGroupIndex);
      buttons.push_back(b);
    }
    return buttons;
  }
  static std::string Downs(const std::vector<TdxBarButton*>& AButtons) {
    std::string s;
    for (TdxBarButton* b : AButtons) s += b->Down() ? '1' : '0';
    return s;
  }
  TdxBarManager* Manager = nullptr;
};

TEST_F(BarButtonTest, CheckGroupOfFiveKeepsOneDown) {
  std::vector<TdxBarButton*> group = Group(5, 1);
  group[2]->SetDown(true);
  EXPECT_EQ(Downs(group), "00100");
  // Clicking (here through the shortcut path) presses one and releases the other.
  for (int i : {0, 4, 1, 3}) {
    group[static_cast<size_t>(i)]->DirectClick();
    std::string expected(5, '0');
    expected[static_cast<size_t>(i)] = '1';
    EXPECT_EQ(Downs(group), expected) << i;
  }
  // The pressed one stays pressed: without AllowAllUp the last pressed button of a group is not released.
  int clicks = 0;
  group[3]->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  group[3]->DirectClick();
  EXPECT_EQ(Downs(group), "00010");
  EXPECT_EQ(clicks, 1);  // and its command runs again
  group[3]->SetDown(false);
  EXPECT_EQ(Downs(group), "00010");
}

TEST_F(BarButtonTest, AllowAllUpIsSharedByTheGroup) {
  std::vector<TdxBarButton*> group = Group(3, 1);
  std::vector<TdxBarButton*> other = Group(2, 2);
  group[0]->SetAllowAllUp(true);
  for (TdxBarButton* b : group) EXPECT_TRUE(b->AllowAllUp());
  for (TdxBarButton* b : other) EXPECT_FALSE(b->AllowAllUp());
  group[1]->SetDown(true);
  group[1]->DirectClick();
  EXPECT_EQ(Downs(group), "000");
  // Groups do not touch each other.
  other[0]->SetDown(true);
  group[2]->SetDown(true);
  EXPECT_TRUE(other[0]->Down());
}

TEST_F(BarButtonTest, ButtonsOfOneGroupOnDifferentBarsExcludeEachOther) {
  std::vector<TdxBarButton*> group = Group(2, 7);
  TdxBar* a = Manager->Bars()->Add();
  TdxBar* b = Manager->Bars()->Add();
  a->ItemLinks()->AddItem(group[0]);
  b->ItemLinks()->AddItem(group[1]);
  group[0]->SetDown(true);
  group[1]->SetDown(true);
  EXPECT_EQ(Downs(group), "01");
}

TEST_F(BarButtonTest, StyleAndGroupChangesReleaseTheButton) {
  std::vector<TdxBarButton*> group = Group(2, 1);
  group[0]->SetDown(true);
  group[0]->SetGroupIndex(3);
  EXPECT_FALSE(group[0]->Down());
  group[0]->SetDown(true);
  group[0]->SetButtonStyle(bsDefault);
  EXPECT_FALSE(group[0]->Down());
  EXPECT_EQ(group[0]->GroupIndex(), 0);
  group[0]->SetGroupIndex(5);
  EXPECT_EQ(group[0]->GroupIndex(), 0);  // only checked buttons belong to groups
  group[0]->SetDown(true);
  EXPECT_FALSE(group[0]->Down());  // only checked buttons can be pressed
}

TEST_F(BarButtonTest, HintFollowsTheCaption) {
  auto* b = Make("bbA");
  struct Step {
    const char* Hint;  // set before the caption (nullptr: leave it)
    const char* Caption;
    const char* Expected;
  } steps[] = {
      {"", "&Open...", "Open"},
      {nullptr, "&Close", "Close"},
      {"Close|Closes the file", "E&xit", "Exit|Closes the file"},
      {"Something else", "&Quit", "Something else"},
      {"", "Save &As...", "Save As"},
  };
  for (const Step& s : steps) {
    if (s.Hint) b->SetHint(s.Hint);
    b->SetCaption(s.Caption);
    EXPECT_EQ(b->Hint(), s.Expected) << s.Caption;
  }
  auto* sub = Make<TdxBarSubItem>("bbSub");
  sub->SetCaption("&File");
  EXPECT_EQ(sub->Hint(), "");
}

TEST_F(BarButtonTest, AnItemOfACategoryIsEnabledWhileCustomizing) {
  auto* b = Make("bbA");
  b->SetEnabled(false);
  EXPECT_FALSE(b->GetEnabled());
  Manager->SetCustomizingFlag(true);
  EXPECT_TRUE(b->GetEnabled());
  Manager->SetCustomizingFlag(false);
  EXPECT_FALSE(b->GetEnabled());
}

TEST_F(BarButtonTest, AnActionWithTheSameHandlerIsExecutedOnce) {
  auto* b = Make("bbA");
  auto* action = New<TAction>(Form);
  int executed = 0;
  action->SetOnExecute(TNotifyEvent([&](TObject*) { ++executed; }));
  action->SetCaption("&Run");
  action->SetShortCut(ShortCut(VK_F9, {}));
  b->SetAction(action);
  EXPECT_EQ(b->Caption(), "&Run");
  EXPECT_EQ(b->ShortCut(), ShortCut(VK_F9, {}));
  b->Click();
  EXPECT_EQ(executed, 1);
  // The action's changes reach the item.
  action->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  action->SetEnabled(true);
  action->SetChecked(true);
  b->SetButtonStyle(bsChecked);
  action->SetChecked(false);
  action->SetChecked(true);
  EXPECT_TRUE(b->Down());
  // A handler of its own wins over the action.
  int own = 0;
  b->OnClick = TNotifyEvent([&](TObject*) { ++own; });
  b->Click();
  EXPECT_EQ(own, 1);
  EXPECT_EQ(executed, 1);
  action->Free();
  EXPECT_EQ(b->Action(), nullptr);
}

TEST_F(BarButtonTest, RecursiveSubItemsAreRefusedBeforeAnythingChanges) {
  auto* file = Make<TdxBarSubItem>("bbFile");
  auto* recent = Make<TdxBarSubItem>("bbRecent");
  auto* open = Make("bbOpen");
  file->ItemLinks()->AddItem(open);
  file->ItemLinks()->AddItem(recent);
  auto expectRefused = [](TdxBarItemLink* link, TdxBarItem* item) {
    TdxBarItem* before = link->Item();
    try {
      link->SetItem(item);
      FAIL() << "a recursive sub-item was linked";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "You cannot create recursive subitems");
    }
    EXPECT_EQ(link->Item(), before);
  };
  // Into itself, and a menu that shows it into its own menu.
  expectRefused(file->ItemLinks()->Items(0), file);
  expectRefused(recent->ItemLinks()->Add(), file);
  TdxBarItemLink* existing = recent->ItemLinks()->Items(0);
  EXPECT_EQ(existing->Item(), nullptr);
  expectRefused(existing, recent);
  EXPECT_EQ(file->ItemLinks()->Items(0)->Item(), open);
  EXPECT_EQ(file->LinkCount(), 0);
  // A button whose drop-down menu shows the sub-item.
  auto* menu = New<TdxBarPopupMenu>(Form);
  menu->ItemLinks()->AddItem(recent);
  auto* drop = Make("bbDrop");
  drop->SetButtonStyle(bsDropDown);
  drop->SetDropDownMenu(menu);
  EXPECT_FALSE(CanLinkItem(menu, drop));
  EXPECT_TRUE(CanLinkItem(recent, open));
  // Nothing recursive: fine.
  recent->ItemLinks()->Items(0)->SetItem(open);
  EXPECT_EQ(open->LinkCount(), 2);
  EXPECT_TRUE(file->ItemLinks()->ContainsItem(open));
}

TEST_F(BarButtonTest, SubItemsTakeTheirMenusShortcutsAndForgetRemovedBars) {
  auto* file = Make<TdxBarSubItem>("bbFile");
  auto* exit = Make("bbExit");
  exit->SetShortCut(ShortCut(VK_F10, {}));
  file->ItemLinks()->AddItem(exit);
  TdxBar* bar = Manager->Bars()->Add();
  bar->ItemLinks()->AddItem(file);
  int clicks = 0;
  exit->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  EXPECT_TRUE(bar->HandleShortCut(ShortCut(VK_F10, {})));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(file->IsClickable());
  file->SetDetachingBar(0);
  EXPECT_EQ(file->DetachingBar(), 0);
  file->SetDetachingBar(5);
  EXPECT_EQ(file->DetachingBar(), -1);
  file->SetDetachingBar(0);
  bar->Free();
  EXPECT_EQ(file->DetachingBar(), -1);
  file->SetBarSize(-3);
  EXPECT_EQ(file->BarSize(), 0);
}

TEST_F(BarButtonTest, DropDownButtonsPassShortcutsToTheirMenu) {
  auto* menu = New<TdxBarPopupMenu>(Form);
  auto* inner = Make("bbInner");
  inner->SetShortCut(ShortCut('I', {ssCtrl}));
  menu->ItemLinks()->AddItem(inner);
  auto* drop = Make("bbDrop");
  drop->SetDropDownMenu(menu);
  TdxBar* bar = Manager->Bars()->Add();
  bar->ItemLinks()->AddItem(drop);
  int clicks = 0;
  inner->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  EXPECT_FALSE(bar->HandleShortCut(ShortCut('I', {ssCtrl})));  // not a drop-down button yet
  drop->SetButtonStyle(bsDropDown);
  EXPECT_TRUE(bar->HandleShortCut(ShortCut('I', {ssCtrl})));
  EXPECT_EQ(clicks, 1);
  menu->Free();
  EXPECT_EQ(drop->DropDownMenu(), nullptr);
}

TEST_F(BarButtonTest, AcceleratorsOfButtonsOnToolbarsNeedACaption) {
  auto* b = Make("bbA", "&Go");
  TdxBar* bar = Manager->Bars()->Add();
  TdxBarItemLink* link = bar->ItemLinks()->AddItem(b);
  EXPECT_TRUE(b->HasAccelerator(link));  // no glyph: shown as caption
  TBitmap glyph;
  glyph.SetSize(16, 16);
  b->SetGlyph(&glyph);
  EXPECT_FALSE(b->HasAccelerator(link));
  b->SetPaintStyle(psCaptionGlyph);
  EXPECT_TRUE(b->HasAccelerator(link));
  EXPECT_EQ(link->GetPaintStyle(), psCaptionGlyph);
  auto* sub = Make<TdxBarSubItem>("bbSub");
  TdxBarItemLink* menuLink = sub->ItemLinks()->AddItem(b);
  b->SetPaintStyle(TdxBarPaintStyle::psStandard);
  EXPECT_TRUE(b->HasAccelerator(menuLink));  // in menus always
  b->SetEnabled(false);
  EXPECT_FALSE(b->HasAccelerator(menuLink));
}

}  // namespace
