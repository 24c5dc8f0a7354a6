// Sub-items on a main-menu bar and in menus: their sizes, menu mode with menus that open as the selection
// moves once a click or a key asked for them, and the 400 ms delays by which menus open and close as the
// selection moves over menu lines. The menu window here is a stand-in that lists its lines one below the
// other; the menu window proper comes with the menus.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class TStandInMenu : public TCustomdxBarControl {
  RTL_CLASS(TStandInMenu, TCustomdxBarControl)
public:
  explicit TStandInMenu(TComponent* AOwner) : TCustomdxBarControl(AOwner) {}
  bool IsMenuLike() const override { return true; }
  void CalcItemRects() override {
    for (int32_t i = 0; ItemLinks() && i < ItemLinks()->VisibleItemCount(); ++i)
      ItemLinks()->VisibleItems(i)->SetItemRect(RECT{0, i * 20, 120, i * 20 + 20});
  }
  void BeforeDestruction() override {
    ++Freed;
    TCustomdxBarControl::BeforeDestruction();
  }
  static inline int Freed = 0;

protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomdxBarControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.WndParent = nullptr;
  }
  void CreateWnd() override {
    TCustomdxBarControl::CreateWnd();
    SetActive(true);  // a menu is in the chain while it is open
    SetBounds(Left(), Top(), 120, 20 * (ItemLinks() ? ItemLinks()->VisibleItemCount() : 0));
    CalcItemRects();
  }
};

class SubItemControlTest : public ToolbarTest {
protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    RegisterBarControlClasses(TdxBarControl::StaticClass(), TStandInMenu::StaticClass(),
                              TdxBarButtonControl::StaticClass());
    TStandInMenu::Freed = 0;
  }
  TdxBarSubItem* SubItem(const char* AName, const char* ACaption, int ALines) {
    auto* item = Make<TdxBarSubItem>(AName, ACaption);
    for (int i = 0; i < ALines; ++i)
      item->ItemLinks()->AddItem(Button((std::string(AName) + "_" + std::to_string(i)).c_str(), "Строка"));
    return item;
  }
  TdxBar* MainMenu(std::initializer_list<TdxBarItem*> AItems) {
    TdxBar* bar = Manager->Bars()->Add();
    bar->SetCaption("Main");
    bar->SetIsMainMenu(true);
    for (TdxBarItem* item : AItems) bar->ItemLinks()->AddItem(item);
    bar->SetDockingStyle(dsTop);
    bar->SetVisible(true);
    Idle();
    return bar;
  }
  static TCustomdxBarControl* MenuOf(TdxBarSubItem* AItem) { return AItem->ItemLinks()->BarControl(); }
};

TEST_F(SubItemControlTest, MainMenuSubItemsAreSizedByTheirCaptions) {
  auto* program = SubItem("bbProgram", "Программа", 2);
  auto* help = SubItem("bbHelp", "Помощь", 1);
  TdxBar* bar = MainMenu({program, help});
  TdxBarControl* window = Window(bar);
  TCanvas* canvas = window->Canvas();
  // On the main menu: the caption between two indents of 8, no arrow.
  EXPECT_EQ(Control(bar, 0)->GetWidth(), canvas->TextWidth("Программа") + 16);
  EXPECT_EQ(Control(bar, 0)->GetHeight(), window->LineHeight());
  EXPECT_EQ(ItemRect(bar, 1).left, ItemRect(bar, 0).right);
  // On an ordinary tool bar a sub-item has its arrow: half a line more.
  auto* more = SubItem("bbMore", "Ещё", 1);
  TdxBar* toolbar = Toolbar("Tools", {more});
  const int32_t indent = std::abs(Window(toolbar)->Canvas()->Font()->Height()) / 2;
  EXPECT_EQ(Control(toolbar, 0)->GetWidth(),
            Window(toolbar)->Canvas()->TextWidth("Ещё") + 2 * indent + Window(toolbar)->LineHeight() / 2);
}

TEST_F(SubItemControlTest, ClickOpensTheMenuAndArrowsOpenTheNeighboursAtOnce) {
  auto* program = SubItem("bbProgram", "Программа", 3);
  auto* help = SubItem("bbHelp", "Помощь", 2);
  int popups = 0;
  program->OnPopup = TNotifyEvent([&](TObject*) { ++popups; });
  TdxBar* bar = MainMenu({program, help});
  TdxBarControl* window = Window(bar);
  // Hovering highlights without opening.
  headless::MouseMove(Centre(bar, 0).x, Centre(bar, 0).y);
  Idle();
  EXPECT_EQ(MenuOf(program), nullptr);
  // A click enters menu mode and opens the menu at once, below the sub-item.
  headless::Click(Centre(bar, 0).x, Centre(bar, 0).y);
  Idle();
  ASSERT_NE(MenuOf(program), nullptr);
  EXPECT_EQ(popups, 1);
  EXPECT_TRUE(window->Active());
  EXPECT_TRUE(window->MenusDropped());
  EXPECT_EQ(window->ChildMenu(), MenuOf(program));
  EXPECT_EQ(MenuOf(program)->ParentBarControl(), window);
  RECT menu;
  GetWindowRect(MenuOf(program)->Handle(), &menu);
  const POINT below = window->ClientToScreen(POINT{ItemRect(bar, 0).left, ItemRect(bar, 0).bottom});
  EXPECT_EQ(menu.left, below.x);
  EXPECT_EQ(menu.top, below.y);
  // With menus dropped, moving the selection by key closes one menu and opens the next at once.
  Key(bar, VK_RIGHT);
  EXPECT_EQ(MenuOf(program), nullptr);
  EXPECT_NE(MenuOf(help), nullptr);
  // Escape leaves menu mode and closes the menu.
  Key(bar, VK_ESCAPE);
  EXPECT_EQ(MenuOf(help), nullptr);
  EXPECT_FALSE(window->Active());
}

TEST_F(SubItemControlTest, KeyboardMenuModeMovesWithoutOpeningUntilAsked) {
  auto* program = SubItem("bbProgram", "Программа", 2);
  auto* help = SubItem("bbHelp", "Помощь", 2);
  TdxBar* bar = MainMenu({program, help});
  TdxBarControl* window = Window(bar);
  window->EnterMenuMode(nullptr);
  Key(bar, VK_RIGHT);
  EXPECT_EQ(window->SelectedControl(), Control(bar, 1));
  EXPECT_EQ(MenuOf(help), nullptr);
  EXPECT_EQ(MenuOf(program), nullptr);
  // Down opens the selected sub-item's menu and sets menus dropped.
  Key(bar, VK_DOWN);
  EXPECT_NE(MenuOf(help), nullptr);
  EXPECT_TRUE(window->MenusDropped());
  Key(bar, VK_LEFT);
  EXPECT_NE(MenuOf(program), nullptr);
  EXPECT_EQ(MenuOf(help), nullptr);
  window->CloseAll();
  EXPECT_EQ(MenuOf(program), nullptr);
  EXPECT_EQ(GetActiveBarControl(), nullptr);
}

TEST_F(SubItemControlTest, MenuLinesOpenAndCloseSubMenusAfter400Milliseconds) {
  auto* inner = SubItem("bbInner", "Вложенное", 1);
  auto* program = SubItem("bbProgram", "Программа", 0);
  program->ItemLinks()->AddItem(Button("bbFirst", "Первая"));
  program->ItemLinks()->AddItem(inner);
  program->ItemLinks()->AddItem(Button("bbLast", "Последняя"));
  TdxBar* bar = MainMenu({program});
  headless::Click(Centre(bar, 0).x, Centre(bar, 0).y);
  Idle();
  TCustomdxBarControl* menu = MenuOf(program);
  ASSERT_NE(menu, nullptr);
  auto line = [&](int i) { return menu->ClientToScreen(POINT{60, i * 20 + 10}); };
  // The pointer rests on the sub-item line: its menu opens 400 ms later, not before.
  headless::MouseMove(line(1).x, line(1).y);
  Idle();
  EXPECT_EQ(MenuOf(inner), nullptr);
  EXPECT_NE(PendingSubItemControl(), nullptr);
  headless::AdvanceClock(399);
  Idle();
  EXPECT_EQ(MenuOf(inner), nullptr);
  headless::AdvanceClock(1);
  Idle();
  ASSERT_NE(MenuOf(inner), nullptr);
  EXPECT_EQ(MenuOf(inner)->ParentBarControl(), menu);
  // Moving to a plain line closes it 400 ms later.
  headless::MouseMove(line(2).x, line(2).y);
  Idle();
  EXPECT_NE(MenuOf(inner), nullptr);
  headless::AdvanceClock(400);
  Idle();
  EXPECT_EQ(MenuOf(inner), nullptr);
  EXPECT_EQ(PendingSubItemControl(), nullptr);
  Window(bar)->CloseAll();
}

}  // namespace
