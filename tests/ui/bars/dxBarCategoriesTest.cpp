// Categories keep their items' categories in step; groups switch many items at once; popup-menu links
// find the popup menu of a control; backgrounds reach the docks.

#include "BarsSupport.h"
#include "forms/ExtCtrls.h"
#include "forms/StdCtrls.h"

using namespace bars_test;

namespace {

class CategoriesTest : public BarsTest {
protected:
  void SetUp() override {
    BarsTest::SetUp();
    Manager = MakeManager();
    Manager->Categories()->Clear();
    for (const char* c : {"Main", "Программа", "Сервис", "Помощь"}) Manager->Categories()->Add(c);
    for (int c = 0; c < 4; ++c) Items.push_back(MakeItem(Manager, ("bb" + std::to_string(c)).c_str(), c));
  }
  std::vector<int32_t> ItemCategories() {
    std::vector<int32_t> v;
    for (TTestItem* item : Items) v.push_back(item->Category());
    return v;
  }
  TdxBarManager* Manager = nullptr;
  std::vector<TTestItem*> Items;
};

TEST_F(CategoriesTest, DeletingTheOnlyCategoryFreesItsItemsAndLeavesTheDefault) {
  auto* form = New<TForm>(Application, 0);
  auto* m = New<TdxBarManager>(form);
  auto* item = New<TTestItem>(form);
  item->SetCategory(0);
  ASSERT_EQ(m->Categories()->Count(), 1);
  m->Categories()->Delete(0);
  EXPECT_EQ(m->GetItemCount(), 0);
  EXPECT_EQ(form->ComponentCount(), 1);  // the manager alone
  ASSERT_EQ(m->Categories()->Count(), 1);
  EXPECT_EQ(m->Categories()->Strings(0), "По умолчанию");
  form->Free();
}

TEST_F(CategoriesTest, InsertingAndDeletingShiftTheItems) {
  Manager->Categories()->Insert(0, "New");
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{1, 2, 3, 4}));
  Manager->Categories()->Insert(2, "Middle");
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{1, 3, 4, 5}));
  Manager->Categories()->Delete(2);
  Manager->Categories()->Delete(0);
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{0, 1, 2, 3}));
  Manager->Categories()->Add("Last");  // appending moves nothing
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST_F(CategoriesTest, DeletingACategoryFreesItsItems) {
  TTestItem* doomed = Items[1];
  TdxBar* bar = MakeBar(Manager, "Tools", {doomed, Items[2]});
  Manager->Categories()->Delete(1);
  EXPECT_EQ(Manager->FindItemByName("bb1"), nullptr);
  EXPECT_EQ(bar->ItemLinks()->Count(), 1);
  EXPECT_EQ(Items[2]->Category(), 1);
  EXPECT_EQ(Items[3]->Category(), 2);
}

TEST_F(CategoriesTest, MovingAndExchangingCarryTheItems) {
  Manager->Categories()->Move(2, 0);
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{1, 2, 0, 3}));
  EXPECT_EQ(Manager->Categories()->Strings(0), "Сервис");
  Manager->Categories()->Move(0, 3);
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{0, 1, 3, 2}));
  Manager->Categories()->Exchange(0, 2);
  EXPECT_EQ(ItemCategories(), (std::vector<int32_t>{2, 1, 3, 0}));
  EXPECT_EQ(Manager->Categories()->Strings(2), "Main");
}

TEST_F(CategoriesTest, CategoryQueriesAndOutOfRangeIndexes) {
  EXPECT_EQ(Manager->GetCategoryItemsVisible(1), ivAlways);
  EXPECT_EQ(Manager->GetCategoryItemsVisible(9), ivNever);
  EXPECT_TRUE(Manager->GetCategoryVisible(1));
  EXPECT_FALSE(Manager->GetCategoryVisible(-1));
  Manager->SetCategoryVisible(1, false);
  EXPECT_EQ(Manager->GetVisibleCategoryIndex(1), 2);
  EXPECT_EQ(Manager->GetVisibleCategoryIndex(3), -1);
  TList list;
  EXPECT_EQ(Manager->GetItemsOfCategory(2, &list), 1);
  EXPECT_EQ(list.Get(0), Items[2]);
  EXPECT_EQ(Manager->GetItemsOfCategory(7, &list), 0);
  Items[3]->SetCategory(9);  // outside the categories: ignored
  EXPECT_EQ(Items[3]->Category(), 3);
}

TEST_F(CategoriesTest, ItemsVisibleOfACategoryHidesAndShowsEmptyBars) {
  Manager->SetAutoHideEmptyBars(true);
  TdxBar* only = MakeBar(Manager, "Only", {Items[1]});
  TdxBar* mixed = MakeBar(Manager, "Mixed", {Items[1], Items[2]});
  TdxBar* empty = MakeBar(Manager, "Empty", {});
  for (TdxBar* b : {only, mixed, empty}) {
    b->SetDockingStyle(dsTop);
    b->SetVisible(true);
  }
  Manager->SetCategoryItemsVisible(1, ivNever);
  EXPECT_EQ(Items[1]->Visible(), ivNever);
  EXPECT_FALSE(only->Visible());
  EXPECT_TRUE(only->AutoHidden());
  EXPECT_TRUE(mixed->Visible());
  EXPECT_TRUE(empty->Visible());  // it was empty before: left as it was
  Manager->SetCategoryItemsVisible(1, ivAlways);
  EXPECT_EQ(Items[1]->Visible(), ivAlways);
  EXPECT_TRUE(only->Visible());
  EXPECT_FALSE(only->AutoHidden());
  // An item set apart from its category's value keeps it.
  Items[2]->SetVisible(ivInCustomizing);
  Manager->SetCategoryItemsVisible(2, ivNever);
  EXPECT_EQ(Items[2]->Visible(), ivInCustomizing);
}

TEST_F(CategoriesTest, GroupsCascadeEnabledAndVisible) {
  TdxBarGroup* outer = Manager->AddGroup();
  TdxBarGroup* inner = Manager->AddGroup();
  outer->AddMember(Items[0]);
  outer->AddMember(inner);
  inner->AddMember(Items[1]);
  inner->AddMember(Items[2]);
  outer->AddMember(Items[0]);  // already a member
  outer->AddMember(nullptr);
  outer->AddMember(Form);  // neither an item nor a group
  EXPECT_EQ(outer->MemberCount(), 2);
  outer->SetVisible(ivNever);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Items[static_cast<size_t>(i)]->Visible(), ivNever) << i;
  EXPECT_EQ(Items[3]->Visible(), ivAlways);
  outer->SetEnabled(false);
  EXPECT_FALSE(Items[2]->Enabled());
  EXPECT_FALSE(inner->Enabled());
  EXPECT_FALSE(Manager->UpdateLock());
  // A freed member leaves its groups.
  Items[1]->Free();
  Items.erase(Items.begin() + 1);
  EXPECT_EQ(inner->MemberCount(), 1);
  inner->Free();
  EXPECT_EQ(outer->MemberCount(), 1);
  EXPECT_EQ(Manager->GroupCount(), 1);
}

TEST_F(CategoriesTest, RecursiveGroupsAreRefusedBeforeAnythingChanges) {
  TdxBarGroup* a = Manager->AddGroup();
  TdxBarGroup* b = Manager->AddGroup();
  TdxBarGroup* c = Manager->AddGroup();
  a->AddMember(b);
  b->AddMember(c);
  for (TdxBarGroup* target : {a, b, c}) {
    try {
      target->AddMember(a);
      FAIL() << "a recursive group was made";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "You cannot create recursive groups");
    }
  }
  EXPECT_EQ(a->MemberCount(), 1);
  EXPECT_EQ(b->MemberCount(), 1);
  EXPECT_EQ(c->MemberCount(), 0);
}

TEST_F(CategoriesTest, ManagerFreesItsGroupsAndPopupMenus) {
  auto* form = New<TForm>(Application, 0);
  auto* m = New<TdxBarManager>(form);
  m->AddGroup();
  New<TdxBarPopupMenu>(form);
  EXPECT_EQ(m->GroupCount(), 1);
  EXPECT_EQ(m->PopupMenuCount(), 1);
  m->Free();
  EXPECT_EQ(form->ComponentCount(), 0);
  form->Free();
}

// A popup menu that records where it was asked to pop up.
class TRecordingPopupMenu : public TdxBarPopupMenu {
  RTL_CLASS(TRecordingPopupMenu, TdxBarPopupMenu)
public:
  using TdxBarPopupMenu::TdxBarPopupMenu;
  void Popup(int32_t X, int32_t Y) override { Shown.push_back(POINT{X, Y}); }
  std::vector<POINT> Shown;
};

TEST_F(CategoriesTest, PopupMenuLinksFindTheControlOrItsParent) {
  auto* panel = New<TPanel>(Form);
  panel->SetParent(Form);
  panel->SetBounds(10, 10, 200, 100);
  auto* edit = New<TEdit>(Form);
  edit->SetParent(panel);
  edit->SetBounds(10, 10, 100, 20);
  auto* menu = New<TRecordingPopupMenu>(Form);
  TdxBarPopupMenuLink* link = Manager->PopupMenuLinks()->Add();
  link->SetControl(panel);
  link->SetPopupMenu(menu);
  Idle();
  const POINT at = edit->ClientToScreen(POINT{5, 5});
  EXPECT_TRUE(Manager->PopupMenuLinks()->ShowPopup(edit, edit->Handle(), at));
  ASSERT_EQ(menu->Shown.size(), 1u);
  EXPECT_EQ(menu->Shown[0].x, at.x);
  link->SetProcessChildren(false);
  EXPECT_FALSE(Manager->PopupMenuLinks()->ShowPopup(edit, edit->Handle(), at));
  EXPECT_TRUE(Manager->PopupMenuLinks()->ShowPopup(panel, panel->Handle(), at));
  // The action event may move the point or refuse.
  link->OnAction = TdxBarPopupMenuLinkActionEvent([](TdxBarPopupMenuLink*, int32_t& x, int32_t& y, bool byMouse,
                                                      bool& allow) {
    EXPECT_TRUE(byMouse);
    x = 1;
    y = 2;
    allow = true;
  });
  EXPECT_TRUE(Manager->PopupMenuLinks()->ShowPopup(panel, panel->Handle(), at));
  EXPECT_EQ(menu->Shown.back().x, panel->ClientToScreen(POINT{1, 2}).x);
  // A control of another form is refused.
  auto* other = New<TForm>(Application, 0);
  auto* foreign = New<TPanel>(other);
  foreign->SetParent(other);
  link->SetControl(foreign);
  EXPECT_EQ(link->Control(), nullptr);
  // Freeing the menu clears the link.
  menu->Free();
  EXPECT_EQ(link->PopupMenu(), nullptr);
}

TEST_F(CategoriesTest, PopupMenuLinkOffersShortcutsToItsMenu) {
  auto* menu = New<TdxBarPopupMenu>(Form);
  menu->ItemLinks()->AddItem(Items[0]);
  Items[0]->SetShortCut(ShortCut('P', {ssCtrl}));
  auto* panel = New<TPanel>(Form);
  panel->SetParent(Form);
  TdxBarPopupMenuLink* link = Manager->PopupMenuLinks()->Add();
  link->SetControl(panel);
  link->SetPopupMenu(menu);
  EXPECT_TRUE(Manager->PopupMenuLinks()->ProcessShortCut(panel, ShortCut('P', {ssCtrl})));
  EXPECT_EQ(Items[0]->Clicks, 1);
  link->OnAction = TdxBarPopupMenuLinkActionEvent(
      [](TdxBarPopupMenuLink*, int32_t& x, int32_t&, bool, bool& allow) { allow = x != -1; });
  EXPECT_FALSE(Manager->PopupMenuLinks()->ProcessShortCut(panel, ShortCut('P', {ssCtrl})));
}

TEST_F(CategoriesTest, BarBackgroundRestylesAndDocksUseIt) {
  int changes = 0;
  static const struct TCountingPainter : TdxBarItemControlPainter {
    int* Counter = nullptr;
    int32_t GetDragGripIndent() const override {
      if (Counter) ++*Counter;
      return 0;
    }
  } painter;
  const_cast<TCountingPainter&>(painter).Counter = &changes;
  RegisterBarPainter(bmsEnhanced, &painter);
  Manager->StyleChanged();
  changes = 0;
  TBitmap picture;
  picture.SetSize(8, 8);
  Manager->Backgrounds()->SetBar(&picture);
  EXPECT_EQ(changes, 1);
  Manager->Backgrounds()->SetSubMenu(&picture);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(Manager->Bars()->DockControls(dsTop)->IsDoubleBufferNeeded());
  TBitmap empty;
  Manager->Backgrounds()->SetBar(&empty);
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(Manager->Bars()->DockControls(dsTop)->IsDoubleBufferNeeded());
  const_cast<TCountingPainter&>(painter).Counter = nullptr;
}

}  // namespace
