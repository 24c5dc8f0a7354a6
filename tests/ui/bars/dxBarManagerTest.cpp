// The bar manager: its owner rules and their texts, its defaults and clamped settings, the style that picks
// the painter, its item list and the life of everything it lists.

#include "BarsSupport.h"
#include "rtl/TypInfo.h"

using namespace bars_test;

namespace {

class BarManagerTest : public BarsTest {};

// Painters that only say which style they stand for.
struct TNamedPainter : TdxBarItemControlPainter {
  explicit TNamedPainter(const char* AName) : Name(AName) {}
  const char* ClassName() const override { return Name; }
  const char* Name;
};

TEST_F(BarManagerTest, OwnerMustBeAForm) {
  auto* owner = New<TComponent>(Form);
  try {
    New<TdxBarManager>(owner);
    FAIL() << "a manager owned by a plain component was made";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TdxBarManager should have as its Owner - TForm (TCustomForm)");
  }
  EXPECT_EQ(BarManagerCount(), 0);
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST_F(BarManagerTest, SecondManagerOnAFormIsRefusedAndTheFirstKeepsWorking) {
  TdxBarManager* first = MakeManager();
  try {
    New<TdxBarManager>(Form);
    FAIL() << "a second manager was made";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "A Form should contain only a single TdxBarManager");
  }
  ASSERT_EQ(BarManagerCount(), 1);
  EXPECT_EQ(BarManagers(0), first);
  EXPECT_EQ(GetBarManagerByForm(Form), first);
  TTestItem* item = MakeItem(first, "bbOne");
  EXPECT_EQ(item->BarManager(), first);
  EXPECT_EQ(first->GetItemCount(), 1);
}

TEST_F(BarManagerTest, WithoutOwnerTheApplicationsMainFormOwnsIt) {
  // No main form: the owner check fails with the owner text.
  EXPECT_THROW(New<TdxBarManager>(nullptr), Exception);
  EXPECT_EQ(BarManagerCount(), 0);
}

TEST_F(BarManagerTest, PublishedDefaults) {
  TdxBarManager* m = MakeManager();
  struct Case {
    const char* Name;
    int64_t Value;
  } cases[] = {
      {"AllowCallFromAnotherForm", 0}, {"AllowReset", 1},       {"AlwaysMerge", 0},          {"AutoDockColor", 1},
      {"AutoHideEmptyBars", 0},        {"Scaled", 1},           {"ButtonArrowWidth", 11},    {"CanCustomize", 1},
      {"HideFloatingBarsWhenInactive", 1}, {"ImageListBkColor", 0xFF00FF}, {"LargeButtonArrowWidth", 13},
      {"MenuAnimations", maNone},      {"MenusShowRecentItemsFirst", 1}, {"MostRecentItemsPercents", 95},
      {"ShowFullMenusAfterDelay", 1},  {"ShowHint", 1},         {"ShowHintForDisabledItems", 1},
      {"StretchGlyphs", 1},            {"Style", bmsEnhanced},  {"UseF10ForMenu", 1},        {"UseSystemFont", 1},
      {"WaitForDockingTime", 21},
  };
  for (const Case& c : cases) EXPECT_EQ(GetOrdProp(m, c.Name), c.Value) << c.Name;
  EXPECT_EQ(m->DockColor(), Form->Color());
  EXPECT_EQ(m->Categories()->Count(), 1);
  EXPECT_EQ(m->Categories()->Strings(0), "По умолчанию");
  EXPECT_EQ(m->Bars()->Count(), 0);
  for (TdxBarDockingStyle s : {dsLeft, dsTop, dsRight, dsBottom}) {
    ASSERT_NE(m->Bars()->DockControls(s), nullptr);
    EXPECT_EQ(m->Bars()->DockControls(s)->GetDockingStyle(), s);
    EXPECT_EQ(m->Bars()->DockControls(s)->Parent(), Form);
  }
  EXPECT_EQ(m->GetDockControlCount(), 4);
}

TEST_F(BarManagerTest, InitialUseCountFollowsTheRecentPercentage) {
  TdxBarManager* m = MakeManager();
  struct Case {
    int32_t Percents;
    int32_t Stored;
    int32_t InitialUseCount;
  } cases[] = {{95, 95, 20}, {100, 100, 0}, {0, 0, 1}, {250, 100, 0}, {50, 50, 2}, {99, 99, 100}, {75, 75, 4}};
  for (const Case& c : cases) {
    m->SetMostRecentItemsPercents(c.Percents);
    EXPECT_EQ(m->MostRecentItemsPercents(), c.Stored) << c.Percents;
    EXPECT_EQ(m->InitialUseCount(), c.InitialUseCount) << c.Percents;
  }
}

TEST_F(BarManagerTest, OutOfRangeSettingsAreIgnored) {
  TdxBarManager* m = MakeManager();
  m->SetButtonArrowWidth(1);
  EXPECT_EQ(m->ButtonArrowWidth(), 11);
  m->SetButtonArrowWidth(2);
  EXPECT_EQ(m->ButtonArrowWidth(), 2);
  m->SetLargeButtonArrowWidth(0);
  EXPECT_EQ(m->LargeButtonArrowWidth(), 13);
  m->SetWaitForDockingTime(-5);
  EXPECT_EQ(m->WaitForDockingTime(), 21);
  m->SetDockColor(clRed);
  EXPECT_FALSE(m->AutoDockColor());
  EXPECT_EQ(m->DockColor(), clRed);
}

TEST_F(BarManagerTest, TheEffectiveStylePicksThePainter) {
  static const TNamedPainter standard("Standard"), enhanced("Enhanced"), flat("Flat"), xp("XP"), office("Office11");
  RegisterBarPainter(bmsStandard, &standard);
  RegisterBarPainter(bmsEnhanced, &enhanced);
  RegisterBarPainter(bmsFlat, &flat);
  RegisterBarPainter(bmsXP, &xp);
  RegisterBarPainter(bmsOffice11, &office);
  TdxBarManager* m = MakeManager();
  struct Case {
    TdxBarManagerStyle Style;
    TcxLookAndFeelKind Kind;
    const char* Painter;
  } cases[] = {
      {bmsStandard, lfFlat, "Standard"},        {bmsEnhanced, lfFlat, "Enhanced"},
      {bmsFlat, lfFlat, "Flat"},                {bmsOffice11, lfFlat, "Office11"},
      {bmsXP, lfFlat, "Enhanced"},  // visual styles are off
      {bmsUseLookAndFeel, lfUltraFlat, "Flat"}, {bmsUseLookAndFeel, lfStandard, "Standard"},
      {bmsUseLookAndFeel, lfFlat, "Enhanced"},  {bmsUseLookAndFeel, lfOffice11, "Office11"},
  };
  for (const Case& c : cases) {
    m->LookAndFeel()->SetKind(c.Kind);
    m->SetStyle(c.Style);
    EXPECT_STREQ(m->PainterClass()->ClassName(), c.Painter) << int(c.Style) << " " << int(c.Kind);
  }
  EXPECT_FALSE(m->ThemeClassesAvailable());
  m->SetStyle(bmsStandard);
  EXPECT_FALSE(m->IsRecentItemsStyle());
  m->SetStyle(bmsFlat);
  EXPECT_TRUE(m->IsRecentItemsStyle());
}

TEST_F(BarManagerTest, ButtonMetricsFollowThePainterAndTheIconSize) {
  TdxBarManager* m = MakeManager();
  EXPECT_EQ(m->GlyphSize(), 16);
  EXPECT_EQ(m->ButtonWidth(), 23);
  EXPECT_EQ(m->ButtonHeight(), 22);
  EXPECT_EQ(m->ButtonArrowWidthMetric(), 11);
  m->SetLargeIcons(true);
  EXPECT_EQ(m->GlyphSize(), 32);
  EXPECT_EQ(m->ButtonWidth(), 39);
  EXPECT_EQ(m->ButtonArrowWidthMetric(), 23);  // twice 11, made odd
}

TEST_F(BarManagerTest, ItemListOperations) {
  TdxBarManager* m = MakeManager();
  TTestItem* a = MakeItem(m, "TestItem1");
  TTestItem* b = MakeItem(m, "bbB");
  TTestItem* c = MakeItem(m, "bbC");
  EXPECT_EQ(m->FindItemByName("BBB"), b);
  EXPECT_EQ(m->FindItemByName("nothing"), nullptr);
  EXPECT_EQ(m->MakeUniqueItemName(TTestItem::StaticClass()), "TestItem2");
  m->MoveItem(2, 0);
  EXPECT_EQ(m->GetItem(0), c);
  EXPECT_EQ(m->GetItem(1), a);
  m->ExchangeItems(0, 2);
  EXPECT_EQ(m->GetItem(0), b);
  EXPECT_EQ(m->GetItem(2), c);
  EXPECT_EQ(m->GetItem(3), nullptr);
  EXPECT_EQ(m->GetItem(-1), nullptr);
  EXPECT_EQ(c->GetManagerIndex(), 2);
}

// Items, bars and links go in every order; nothing of them may be left behind or touched after it went
// (the sanitizers watch the frees).
TEST_F(BarManagerTest, ModelPartsFreedInAnyOrder) {
  enum Part { Items, Bars, Manager, FormItself };
  const std::vector<std::vector<Part>> orders = {
      {Items, Bars, Manager}, {Bars, Items, Manager}, {Manager}, {FormItself}, {Bars, Manager}, {Items, FormItself}};
  for (const auto& order : orders) {
    auto* form = New<TForm>(Application, 0);
    auto* m = New<TdxBarManager>(form);
    std::vector<TTestItem*> items;
    for (int i = 0; i < 3; ++i) {
      items.push_back(New<TTestItem>(form));
      items.back()->SetCategory(0);
    }
    auto* menu = New<TTestMenuItem>(form);
    menu->SubItemLinks()->AddItem(items[0]);
    menu->SubItemLinks()->AddItem(items[1]);
    for (int b = 0; b < 2; ++b) {
      TdxBar* bar = m->Bars()->Add();
      bar->SetDockingStyle(dsTop);
      bar->ItemLinks()->AddItem(menu);
      for (TTestItem* item : items) bar->ItemLinks()->AddItem(item);
      bar->SetVisible(true);
    }
    EXPECT_EQ(items[0]->LinkCount(), 3);
    for (Part p : order) {
      switch (p) {
        case Items:
          for (TTestItem* item : items) item->Free();
          if (m->Bars()->Count() > 0) {
            EXPECT_EQ(m->Bars()->Items(0)->ItemLinks()->Count(), 1);
          }
          EXPECT_EQ(menu->SubItemLinks()->Count(), 0);
          break;
        case Bars:
          m->Bars()->Clear();
          EXPECT_EQ(menu->LinkCount(), 0);
          break;
        case Manager:
          m->Free();
          EXPECT_EQ(form->ComponentCount(), 0);
          break;
        case FormItself:
          break;
      }
    }
    form->Free();
    EXPECT_EQ(BarManagerCount(), 0);
    EXPECT_EQ(BarControlCount(), 0);
  }
}

TEST_F(BarManagerTest, FreeingAnItemWithAShownControlFreesTheControl) {
  TdxBarManager* m = MakeManager();
  TTestItem* item = MakeItem(m, "bbA");
  TdxBar* bar = MakeBar(m, "Tools", {item});
  bar->SetDockingStyle(dsTop);
  bar->SetVisible(true);
  ASSERT_NE(bar->ItemLinks()->Items(0)->Control(), nullptr);
  Journal().clear();
  item->Free();
  EXPECT_EQ(bar->ItemLinks()->Count(), 0);
  EXPECT_EQ(Journal(), std::vector<std::string>{"bbA:freed"});
}

TEST_F(BarManagerTest, ClickItemPassesThroughTheManager) {
  TdxBarManager* m = MakeManager();
  TTestItem* item = MakeItem(m, "bbA");
  std::vector<std::string> order;
  m->OnClickItem = TdxBarClickItemEvent([&](TdxBarManager*, TdxBarItem* i) { order.push_back("manager:" + i->Name()); });
  item->OnClick = TNotifyEvent([&](TObject*) { order.push_back("item"); });
  item->Click();
  EXPECT_EQ(order, (std::vector<std::string>{"manager:bbA", "item"}));
  item->SetEnabled(false);
  item->Click();
  EXPECT_EQ(order.size(), 2u);
}

TEST_F(BarManagerTest, AnExceptionOfAClickGoesToTheApplication) {
  TdxBarManager* m = MakeManager();
  TTestItem* item = MakeItem(m, "bbA");
  int handled = 0;
  Application->OnException = TExceptionEvent([&](TObject* sender, Exception* e) {
    EXPECT_EQ(sender, item);
    EXPECT_EQ(e->Message(), "boom");
    ++handled;
  });
  item->OnClick = TNotifyEvent([](TObject*) { throw Exception("boom"); });
  EXPECT_NO_THROW(item->Click());
  EXPECT_EQ(handled, 1);
}

TEST_F(BarManagerTest, CanDockAsksBarManagerDockAndEvent) {
  TdxBarManager* m = MakeManager();
  TdxBar* bar = m->Bars()->Add();
  auto* dock = New<TdxBarDockControl>(Form);
  dock->SetParent(Form);
  dock->SetBarManager(m);
  EXPECT_TRUE(m->CanDock(bar, dsTop, nullptr));
  m->SetNotDocking(TdxBarDockingStyles{dsTop});
  EXPECT_FALSE(m->CanDock(bar, dsTop, nullptr));
  EXPECT_FALSE(m->CanDock(bar, dsTop, m->Bars()->DockControls(dsTop)));
  EXPECT_TRUE(m->CanDock(bar, dsTop, dock));  // a placed dock answers itself
  dock->SetAllowDocking(false);
  EXPECT_FALSE(m->CanDock(bar, dsTop, dock));
  bar->SetNotDocking(TdxBarDockingStyles{dsLeft});
  EXPECT_FALSE(m->CanDock(bar, dsLeft, nullptr));
  m->OnDocking = TdxBarCanDockingEvent([](TdxBar*, TdxBarDockingStyle, TdxDockControl*, bool& can) { can = true; });
  EXPECT_TRUE(m->CanDock(bar, dsLeft, nullptr));
}

TEST_F(BarManagerTest, DockPathsResolveToDockControlsOnly) {
  TdxBarManager* m = MakeManager();
  auto* dock = New<TdxBarDockControl>(Form);
  dock->SetName("dxBarDockControl1");
  dock->SetParent(Form);
  dock->SetBarManager(m);
  auto* other = New<TComponent>(Form);
  other->SetName("NotADock");
  EXPECT_EQ(m->FindDockControlByPath("dxBarDockControl1"), dock);
  EXPECT_EQ(m->FindDockControlByPath("fmTest.dxBarDockControl1"), dock);
  EXPECT_EQ(m->FindDockControlByPath("nothing"), nullptr);
  EXPECT_EQ(m->FindDockControlByPath("fmNone.dxBarDockControl1"), nullptr);
  // A stored path that names a component of another class reads as "not docked", not as an error.
  EXPECT_EQ(m->FindDockControlByPath("NotADock"), nullptr);
  EXPECT_EQ(m->FindDockControlByPath("fmTest.NotADock"), nullptr);
}

TEST_F(BarManagerTest, RenamingAtDesignTimeRenamesPrefixedItems) {
  auto* form = New<TForm>(Application, 0);
  form->SetDesigning(true);
  auto* m = New<TdxBarManager>(form);
  m->SetName("dxBarManager1");
  auto make = [&](const char* name) {
    auto* item = New<TTestItem>(form);
    item->SetName(name);
    return item;
  };
  TTestItem* prefixed = make("dxBarManager1Button1");
  TTestItem* other = make("bbOther");
  TTestItem* clash = make("dxBarManager1Clash");
  TTestItem* taken = make("mgrClash");
  m->SetName("mgr");
  EXPECT_EQ(prefixed->Name(), "mgrButton1");
  EXPECT_EQ(other->Name(), "bbOther");
  EXPECT_EQ(clash->Name(), "dxBarManager1Clash");  // its new name is taken
  EXPECT_EQ(taken->Name(), "mgrClash");
  form->Free();
}

TEST_F(BarManagerTest, UpdateLockIsRestoredByTheOperationsThatTakeIt) {
  TdxBarManager* m = MakeManager();
  TTestItem* a = MakeItem(m, "bbA");
  TdxBar* bar = MakeBar(m, "Tools", {a});
  bar->SetDockingStyle(dsTop);
  bar->SetVisible(true);
  EXPECT_FALSE(m->UpdateLock());
  a->SetVisible(ivNever);
  EXPECT_FALSE(m->UpdateLock());
  bar->SetIsMainMenu(true);
  EXPECT_FALSE(m->UpdateLock());
  m->SetUpdateLock(true);
  a->SetVisible(ivAlways);
  EXPECT_TRUE(m->UpdateLock());
  m->SetUpdateLock(false);
}

}  // namespace
