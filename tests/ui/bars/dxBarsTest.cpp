// Bars: their settings, docking, floating and the window that exists exactly while a bar is visible; and
// the docks' zones and row layout, pinned with test bars of plain lengths (see BarsSupport.h).

#include "BarsSupport.h"

using namespace bars_test;

namespace {

class BarsDockTest : public BarsTest {
protected:
  void SetUp() override {
    BarsTest::SetUp();
    Manager = MakeManager();
    Dock = New<TdxBarDockControl>(Form);
    Dock->SetName("dxBarDockControl1");
    Dock->SetParent(Form);
    Dock->SetBarManager(Manager);
    Idle();
  }
  // A bar in the placed dock whose links have the given lengths.
  // AOwnRow: the bar starts a row of its own at ARow (otherwise it joins row ARow, the last row at most).
  TdxBar* DockedBar(const char* ACaption, std::initializer_list<intptr_t> ALengths, int32_t ALeft = 0,
                    int32_t ARow = 0, bool AOwnRow = false) {
    TdxBar* bar = Manager->Bars()->Add();
    bar->SetCaption(ACaption);
    for (intptr_t length : ALengths) {
      auto* item = MakeItem(Manager, (std::string("bb") + ACaption + std::to_string(++Counter)).c_str(), 0, length);
      bar->ItemLinks()->AddItem(item);
    }
    bar->SetDockedLeft(ALeft);
    bar->SetRow(ARow);
    bar->SetOneOnRow(AOwnRow);
    bar->SetDockControl(Dock);
    bar->SetVisible(true);
    return bar;
  }
  TdxBarManager* Manager = nullptr;
  TdxBarDockControl* Dock = nullptr;
  int Counter = 0;
};

// ---- bars ---------------------------------------------------------------------------------------------------------

TEST_F(BarsDockTest, WindowExistsExactlyWhileTheBarIsVisible) {
  TdxBar* bar = DockedBar("Tools", {30});
  ASSERT_NE(Window(bar), nullptr);
  EXPECT_EQ(Window(bar)->Parent(), Dock);
  EXPECT_EQ(Window(bar)->Bar(), bar);
  EXPECT_EQ(BarControlCount(), 1);
  bar->SetVisible(false);
  EXPECT_EQ(bar->GetControl(), nullptr);
  EXPECT_EQ(BarControlCount(), 0);
  EXPECT_EQ(Dock->GetRowCount(), 0);
  bar->SetVisible(true);
  EXPECT_NE(bar->GetControl(), nullptr);
  EXPECT_EQ(Dock->GetRowCount(), 1);
}

TEST_F(BarsDockTest, HidingStoresTheDockedPlacement) {
  const int32_t l = Dock->ClientWidth();
  TdxBar* a = DockedBar("A", {30}, 0, 0);
  // Asked for a place past the row's end, the bar stands at the end; hiding records where it stood.
  TdxBar* b = DockedBar("B", {40}, l - 10, 1, true);
  (void)a;
  EXPECT_EQ(Dock->GetRowCount(), 2);
  b->SetVisible(false);
  EXPECT_EQ(b->DockedLeft(), l - 44);
  EXPECT_EQ(b->Row(), 1);
  EXPECT_TRUE(b->OneOnRow());
  EXPECT_EQ(b->DockedDockControl(), Dock);
  EXPECT_EQ(b->DockedDockingStyle(), dsTop);
}

TEST_F(BarsDockTest, CaptionIsUniqueAndNamesTheBar) {
  TdxBar* a = Manager->Bars()->Add();
  TdxBar* b = Manager->Bars()->Add();
  a->SetCaption("Main Menu");
  EXPECT_EQ(a->Name(), "MainMenu");
  b->SetCaption("Main Menu");
  EXPECT_EQ(b->Caption(), "");
  b->SetCaption("&Tools");
  EXPECT_EQ(b->Name(), "Tools");
  EXPECT_EQ(Manager->FindBarByCaption("&Tools"), b);
  EXPECT_EQ(Manager->FindBarByName("MainMenu"), a);
  EXPECT_EQ(Manager->Bars()->MakeUniqueName("Tools"), "Tools1");
}

TEST_F(BarsDockTest, MainMenuMovesBetweenBarsAndStaysMultiLine) {
  TdxBar* a = Manager->Bars()->Add();
  TdxBar* b = Manager->Bars()->Add();
  a->SetIsMainMenu(true);
  EXPECT_TRUE(a->WholeRow());
  EXPECT_TRUE(a->MultiLine());
  a->SetMultiLine(false);
  EXPECT_TRUE(a->MultiLine());
  b->SetIsMainMenu(true);
  EXPECT_FALSE(a->IsMainMenu());
  EXPECT_FALSE(a->MultiLine());
  EXPECT_FALSE(a->WholeRow());
  EXPECT_EQ(Manager->MainMenuBar(), b);
  EXPECT_FALSE(b->CanClose());
  b->Free();
  EXPECT_EQ(Manager->MainMenuBar(), nullptr);
}

TEST_F(BarsDockTest, ClampedAndRefusedValues) {
  TdxBar* bar = Manager->Bars()->Add();
  bar->SetDockedLeft(-4);
  bar->SetDockedTop(-1);
  bar->SetRow(-2);
  EXPECT_EQ(bar->DockedLeft(), 0);
  EXPECT_EQ(bar->DockedTop(), 0);
  EXPECT_EQ(bar->Row(), 0);
  auto* otherForm = New<TForm>(Application, 0);
  auto* otherManager = New<TdxBarManager>(otherForm);
  auto* foreign = New<TdxBarDockControl>(otherForm);
  foreign->SetParent(otherForm);
  foreign->SetBarManager(otherManager);
  bar->SetDockControl(foreign);
  EXPECT_EQ(bar->DockControl(), nullptr);
  bar->SetDockedDockControl(foreign);
  EXPECT_EQ(bar->DockedDockControl(), nullptr);
  otherForm->Free();
}

TEST_F(BarsDockTest, AssignCopiesTheEffectiveDockedStyle) {
  TdxBar* source = Manager->Bars()->Add();
  source->SetCaption("Source");
  source->SetDockedDockingStyle(dsLeft);
  source->SetDockedDockControl(Dock);  // aligned to the top
  source->SetFloatLeft(5);
  source->SetAllowClose(false);
  source->SetBorderStyle(bbsNone);
  TdxBar* target = Manager->Bars()->Add();
  target->Assign(source);
  EXPECT_EQ(target->DockedDockingStyle(), dsTop);
  EXPECT_EQ(target->DockedDockControl(), Dock);
  EXPECT_EQ(target->FloatLeft(), 5);
  EXPECT_FALSE(target->AllowClose());
  EXPECT_EQ(target->BorderStyle(), bbsSingle);  // not copied
  EXPECT_EQ(target->Caption(), "");              // taken by the source
}

TEST_F(BarsDockTest, DockingStyleMovesTheBarBetweenDocks) {
  TdxBar* bar = DockedBar("Tools", {30});
  std::vector<TdxBarDockingStyle> events;
  Manager->OnBarDockingStyleChange =
      TdxBarEvent([&](TdxBarManager*, TdxBar* b) { events.push_back(b->GetDockingStyle()); });
  bar->SetDockingStyle(dsLeft);
  EXPECT_EQ(bar->DockControl(), nullptr);
  EXPECT_EQ(bar->GetDockingStyle(), dsLeft);
  EXPECT_EQ(Window(bar)->Parent(), Manager->Bars()->DockControls(dsLeft));
  EXPECT_EQ(Dock->GetRowCount(), 0);
  bar->ChangeDocking(dsTop, Dock);
  EXPECT_EQ(bar->DockControl(), Dock);
  EXPECT_EQ(Window(bar)->Parent(), Dock);
  EXPECT_EQ(events, (std::vector<TdxBarDockingStyle>{dsLeft, dsTop}));
  EXPECT_FALSE(bar->IsDockable() == false);
  bar->SetNotDocking(dxBarAllDockingStyles);
  EXPECT_FALSE(bar->IsDockable());
}

TEST_F(BarsDockTest, FloatingBarOfAnInactiveFormStaysHidden) {
  TdxBar* bar = Manager->Bars()->Add();
  bar->SetFloatLeft(300);
  bar->SetFloatTop(200);
  auto* other = New<TForm>(Application, 0);
  other->SetBounds(500, 300, 100, 100);
  other->Show();
  Idle();
  ASSERT_FALSE(Form->Active());
  bar->SetVisible(true);
  ASSERT_NE(Window(bar), nullptr);
  EXPECT_FALSE(IsWindowVisible(Window(bar)->Handle()));
  bar->SetVisible(false);
  Manager->SetCustomizingFlag(true);
  bar->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(Window(bar)->Handle()));
  EXPECT_EQ(Window(bar)->Left(), 300);
  bar->SetVisible(false);
  EXPECT_EQ(bar->FloatLeft(), 300);
  Manager->SetCustomizingFlag(false);
}

TEST_F(BarsDockTest, BarEventsReachTheManager) {
  std::vector<std::string> events;
  Manager->OnBarAdd = TdxBarEvent([&](TdxBarManager*, TdxBar*) { events.push_back("add"); });
  Manager->OnBarDelete = TdxBarEvent([&](TdxBarManager*, TdxBar*) { events.push_back("delete"); });
  Manager->OnBarVisibleChange = TdxBarEvent([&](TdxBarManager*, TdxBar* b) {
    events.push_back(b->Visible() ? "shown" : "hidden");
  });
  TdxBar* bar = Manager->Bars()->Add();
  bar->SetDockingStyle(dsTop);
  bar->SetVisible(true);
  bar->Free();
  EXPECT_EQ(events, (std::vector<std::string>{"add", "shown", "delete", "hidden"}));
}

TEST_F(BarsDockTest, ExtraSizesAroundTheItems) {
  TdxBar* bar = Manager->Bars()->Add();
  EXPECT_EQ(bar->GetExtraWidth(dsTop), 4);
  EXPECT_EQ(bar->GetExtraHeight(dsTop), 4);
  EXPECT_EQ(bar->GetExtraWidth(dsNone), 2 * GetSystemMetrics(SM_CXFRAME));
  bar->SetBorderStyle(bbsNone);
  EXPECT_EQ(bar->GetExtraWidth(dsTop), 0);
  bar->SetWholeRow(true);
  EXPECT_TRUE(bar->IsBottomWholeRow() == false);
  bar->SetDockingStyle(dsBottom);
  EXPECT_TRUE(bar->IsBottomWholeRow());
  EXPECT_EQ(bar->GetExtraHeight(dsBottom), 2);
  EXPECT_TRUE(bar->HasSizeGrip());
  EXPECT_EQ(bar->GetExtraWidth(dsBottom), GetSystemMetrics(SM_CXHSCROLL));
  bar->SetSizeGrip(false);
  EXPECT_FALSE(bar->HasSizeGrip());
}

// ---- the row layout -------------------------------------------------------------------------------------------

TEST_F(BarsDockTest, EnoughRoomKeepsStoredPositions) {
  TdxBar* a = DockedBar("A", {30, 40}, 0);
  TdxBar* b = DockedBar("B", {50}, 200);
  EXPECT_EQ(Dock->GetRowCount(), 1);
  EXPECT_EQ(Bounds(Window(a)), "0,0,74,24");
  EXPECT_EQ(Bounds(Window(b)), "200,0,254,24");
  EXPECT_EQ(Dock->ClientHeight(), 24);
  EXPECT_FALSE(Window(a)->Truncated);
  EXPECT_GT(Window(a)->ItemRectCalcs, 0);
}

TEST_F(BarsDockTest, BarsPastTheRowEndMoveBack) {
  const int32_t l = Dock->ClientWidth();
  TdxBar* a = DockedBar("A", {30}, 0);
  TdxBar* b = DockedBar("B", {60}, l - 10);
  EXPECT_EQ(Bounds(Window(b)), std::to_string(l - 64) + ",0," + std::to_string(l) + ",24");
  (void)a;
}

TEST_F(BarsDockTest, TooLittleRoomTruncatesFromTheLastBar) {
  const int32_t l = Dock->ClientWidth();
  ASSERT_GT(l, 300);
  // Each bar is longer than half the row: full 4 + 2/3 of the row, minimum 4 + 100 + 11.
  const intptr_t rest = (l * 2 / 3) - 100;
  TdxBar* a = DockedBar("A", {100, rest}, 0);
  TdxBar* b = DockedBar("B", {100, rest}, l / 2);
  TTestBarControl* wa = Window(a);
  TTestBarControl* wb = Window(b);
  EXPECT_EQ(wa->MinLength, 115);
  EXPECT_EQ(wa->FullLength, static_cast<int32_t>(104 + rest));
  EXPECT_TRUE(wb->Truncated);
  EXPECT_TRUE(wa->Truncated);
  // The last bar keeps the room behind its stored place; the first takes what is left before it.
  EXPECT_EQ(wb->Left(), l / 2);
  EXPECT_EQ(wb->Left() + wb->Width(), l);
  EXPECT_EQ(wa->Left(), 0);
  EXPECT_EQ(wa->Width(), l / 2);
  EXPECT_GE(wb->Width(), wb->MinLength);
}

TEST_F(BarsDockTest, NoBarIsShortenedBelowItsMinimum) {
  const int32_t l = Dock->ClientWidth();
  TdxBar* a = DockedBar("A", {static_cast<intptr_t>(l), 50}, 0);
  TdxBar* b = DockedBar("B", {static_cast<intptr_t>(l), 50}, l - 5);
  EXPECT_GE(Window(a)->Width(), Window(a)->MinLength);
  EXPECT_GE(Window(b)->Width(), Window(b)->MinLength);
  EXPECT_EQ(Window(b)->Width(), Window(b)->MinLength);
}

TEST_F(BarsDockTest, WholeRowBarsTakeARowOfTheirOwn) {
  TdxBar* a = DockedBar("A", {30}, 0, 0);
  TdxBar* menu = Manager->Bars()->Add();
  menu->SetWholeRow(true);
  menu->ItemLinks()->AddItem(MakeItem(Manager, "bbMenu", 0, 40));
  menu->SetRow(0);
  menu->SetDockControl(Dock);
  menu->SetVisible(true);
  ASSERT_EQ(Dock->GetRowCount(), 2);
  EXPECT_EQ(Dock->GetRow(0)->GetColumn(0)->BarControl(), menu->GetControl());
  EXPECT_EQ(Bounds(menu->GetControl()), "0,0," + std::to_string(Dock->ClientWidth()) + ",24");
  EXPECT_EQ(Window(a)->Top(), 24);
  // A bar put into the whole-row bar's row gets a new row.
  TdxBar* b = DockedBar("B", {30}, 100, 0);
  EXPECT_EQ(Dock->GetRowCount(), 3);
  EXPECT_EQ(Dock->GetRow(0)->GetColumnCount(), 1);
  (void)b;
  EXPECT_EQ(Dock->ClientHeight(), 72);
}

TEST_F(BarsDockTest, RestSpaceBarsFillTheRow) {
  TdxBar* a = DockedBar("A", {30}, 0);
  TdxBar* b = DockedBar("B", {30}, 100);
  a->SetUseRestSpace(true);
  Dock->UpdateLayout();
  EXPECT_EQ(Window(a)->Left(), 0);
  EXPECT_EQ(Window(a)->Width(), 100);
  (void)b;
}

TEST_F(BarsDockTest, MultiLineBarsWrapAndTheRowTakesTheThickest) {
  const int32_t l = Dock->ClientWidth();
  TdxBar* menu = Manager->Bars()->Add();
  menu->SetIsMainMenu(true);
  for (int i = 0; i < 3; ++i) menu->ItemLinks()->AddItem(MakeItem(Manager, ("bbM" + std::to_string(i)).c_str(), 0, l / 2));
  menu->SetDockControl(Dock);
  menu->SetVisible(true);
  // Three links of half a row wrap into two lines of 20.
  EXPECT_EQ(menu->GetControl()->Height(), 44);
  EXPECT_EQ(Dock->ClientHeight(), 44);
}

TEST_F(BarsDockTest, EmptyDockShrinksToNothingAtRunTime) {
  Dock->SetHeight(50);
  Idle();
  EXPECT_EQ(Dock->ClientHeight(), 0);
  TdxBar* bar = DockedBar("A", {30});
  EXPECT_EQ(Dock->ClientHeight(), 24);
  bar->SetVisible(false);
  EXPECT_EQ(Dock->Height(), 0);
}

TEST_F(BarsDockTest, EmptyDockKeepsThreePixelsAtDesignTime) {
  auto* form = New<TForm>(Application, 0);
  form->SetDesigning(true);
  form->Show();
  auto* m = New<TdxBarManager>(form);
  auto* dock = New<TdxBarDockControl>(form);
  dock->SetParent(form);
  dock->SetBarManager(m);
  dock->SetHeight(40);
  Idle();
  EXPECT_EQ(dock->ClientHeight(), 3);
  dock->SetAllowZeroSizeInDesignTime(true);
  Idle();
  EXPECT_EQ(dock->ClientHeight(), 0);
  form->Free();
}

TEST_F(BarsDockTest, SunkenBorderAddsTwoPixels) {
  Manager->SetSunkenBorder(true);
  EXPECT_TRUE(Dock->GetSunkenBorder());
  EXPECT_EQ(Dock->Height(), 0);
  DockedBar("A", {30});
  EXPECT_EQ(Dock->Height(), 26);
  EXPECT_EQ(Dock->ClientHeight(), 24);
  Dock->SetUseOwnSunkenBorder(true);
  Dock->SetSunkenBorder(false);
  EXPECT_EQ(Dock->Height(), 24);
}

TEST_F(BarsDockTest, UnalignedDockLaysOutLikeATopDock) {
  Dock->SetAlign(dalNone);
  Dock->SetBounds(0, 100, 300, 10);
  EXPECT_EQ(Dock->GetDockingStyle(), dsTop);
  TdxBar* a = DockedBar("A", {30}, 0);
  TdxBar* b = DockedBar("B", {30}, 60);
  EXPECT_EQ(Bounds(Window(a)), "0,0,34,24");
  EXPECT_EQ(Bounds(Window(b)), "60,0,94,24");
  EXPECT_EQ(Dock->Height(), 24);
}

TEST_F(BarsDockTest, ImplicitRightDockKeepsItsOuterEdge) {
  TdxBar* bar = Manager->Bars()->Add();
  bar->ItemLinks()->AddItem(MakeItem(Manager, "bbA", 0, 40));
  bar->SetDockingStyle(dsRight);
  bar->SetVisible(true);
  TdxDockControl* right = Manager->Bars()->DockControls(dsRight);
  EXPECT_EQ(right->Width(), 24);
  EXPECT_EQ(right->Left() + right->Width(), Form->ClientWidth());
  EXPECT_EQ(Bounds(bar->GetControl()), "0,0,24,44");
}

TEST_F(BarsDockTest, InsertZonesAndRowsFromPoints) {
  DockedBar("A", {30}, 0, 0);
  DockedBar("B", {30}, 0, 1, true);
  ASSERT_EQ(Dock->GetRowCount(), 2);
  int32_t lo, hi, band;
  Dock->GetInsertZone(-1, lo, hi, band);
  EXPECT_EQ(lo, -23);
  EXPECT_EQ(band, -14);
  Dock->GetInsertZone(1, lo, hi, band);
  EXPECT_EQ(lo, 24);
  EXPECT_EQ(hi, 48);
  EXPECT_EQ(band, 33);
  Dock->GetInsertZone(2, lo, hi, band);
  EXPECT_EQ(lo, 48);
  struct Case {
    int32_t Across;
    int32_t Row;
    bool NewRow;
  } cases[] = {
      {-20, -1, false}, {-12, 0, true}, {-3, 0, false}, {2, 0, false},  {10, 1, true}, {20, 1, false},
      {30, 1, false},   {35, 2, true},  {44, 2, true},  {52, 2, true},  {100, 2, true},
  };
  for (const Case& c : cases) {
    bool newRow = false;
    EXPECT_EQ(Dock->RowFromPoint(c.Across, newRow), c.Row) << c.Across;
    EXPECT_EQ(newRow, c.NewRow) << c.Across;
  }
}

TEST_F(BarsDockTest, DroppingABarAtAPointPicksRowAndColumn) {
  TdxBar* a = DockedBar("A", {30}, 0, 0);
  TdxBar* b = DockedBar("B", {30}, 0, 1, true);
  TdxBar* c = DockedBar("C", {30}, 300, 1);
  // Into the row of B and C (A's own row goes when A leaves it), between them.
  Dock->MoveBar(a->GetControl(), Dock->ClientToScreen(POINT{150, 5}));
  ASSERT_EQ(Dock->GetRowCount(), 1);
  EXPECT_EQ(Dock->GetRow(0)->GetColumn(0)->BarControl(), b->GetControl());
  EXPECT_EQ(Dock->GetRow(0)->GetColumn(1)->BarControl(), a->GetControl());
  EXPECT_EQ(Dock->GetRow(0)->GetColumn(2)->BarControl(), c->GetControl());
  EXPECT_EQ(a->GetControl()->Left(), 150);
  // Onto the new-row band above the row.
  Dock->MoveBar(a->GetControl(), Dock->ClientToScreen(POINT{10, -12}));
  ASSERT_EQ(Dock->GetRowCount(), 2);
  EXPECT_EQ(Dock->GetRow(0)->GetColumn(0)->BarControl(), a->GetControl());
}

TEST_F(BarsDockTest, SnapToRowAimsAtTheRowsMiddle) {
  DockedBar("A", {30}, 0, 0);
  const POINT snapped = Dock->SnapToRow(0, false, Dock->ClientToScreen(POINT{40, 90}));
  const POINT client = Dock->ScreenToClient(snapped);
  EXPECT_EQ(client.x, 40);
  bool newRow = true;
  EXPECT_EQ(Dock->RowFromPoint(client.y, newRow), 0);
  EXPECT_FALSE(newRow);
  const POINT own = Dock->ScreenToClient(Dock->SnapToRow(0, true, Dock->ClientToScreen(POINT{40, 90})));
  EXPECT_EQ(Dock->RowFromPoint(own.y, newRow), 0);
  EXPECT_TRUE(newRow);
}

TEST_F(BarsDockTest, RemovingADockHidesItsBars) {
  TdxBar* bar = DockedBar("A", {30});
  Dock->Free();
  Dock = nullptr;
  EXPECT_EQ(bar->DockControl(), nullptr);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(Manager->GetDockControlCount(), 4);
}

}  // namespace
