// The combo box on the headless screen with real messages: properties, the list in the popup and its size
// rules, typing in the list styles, double-click cycling, the press that carries on from the button into
// the list, choosing and reverting, and owner drawing.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cxContainerTestSupport.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxComboBox.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

using namespace cxcontainer_test;

namespace {

class ComboBoxTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    cxComboBoxInitialize();
    Form->SetBounds(0, 0, 800, 600);
    Other = New<TcxComboBox>(Form);
    Other->SetParent(Form);
    Other->SetBounds(300, 300, 100, 21);
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  TcxComboBox* Make(int ACount, int ATop = 20, int ALeft = 20, int AWidth = 150) {
    auto* combo = New<TcxComboBox>(Form);
    combo->SetParent(Form);
    combo->SetBounds(ALeft, ATop, AWidth, 21);
    for (int i = 0; i < ACount; ++i) combo->Properties()->Items()->Add("Item " + IntToStr(i));
    Idle();
    combo->SetFocus();
    Idle();
    return combo;
  }
  static void Key(int vk, int modifier = 0) {
    if (modifier) headless::KeyDown(modifier);
    headless::KeyPress(vk);
    if (modifier) headless::KeyUp(modifier);
    Idle();
  }
  static TcxComboBoxListBox* List(TcxComboBox* c) { return c->LookupData()->ComboList(); }
  static RECT ScreenRect(TControl* c) {
    POINT p = c->ClientToScreen(POINT{0, 0});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  static RECT OuterRect(TControl* c) {
    POINT p = c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()});
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
  }
  static int Row(TcxComboBox* c) { return List(c)->GetItemHeight(-1); }
  // The popup's frame and panel around the list.
  static RECT Extent(TcxComboBox* c) {
    RECT e;
    c->PopupWindow()->ViewInfo()->GetClientExtent(e);
    return e;
  }
  TcxComboBox* Other = nullptr;
};

TEST_F(ComboBoxTest, PropertiesDefaultsSettersAndRegistration) {
  auto* p = New<TcxComboBoxProperties>(nullptr);
  int changes = 0;
  p->OnPropertiesChanged = TNotifyEvent([&](TObject*) { ++changes; });
  EXPECT_EQ(lsEditList, p->DropDownListStyle());
  EXPECT_EQ(8, p->DropDownRows());
  EXPECT_EQ(0, p->ItemHeight());
  EXPECT_FALSE(p->Revertable());
  EXPECT_TRUE(p->DropDownAutoWidth());
  EXPECT_FALSE(p->DropDownSizeable());
  EXPECT_EQ(0, p->DropDownWidth());
  EXPECT_TRUE(p->ImmediateDropDown());
  EXPECT_FALSE(p->Sorted());
  EXPECT_EQ(esEdit, p->GetEditingStyle());
  EXPECT_TRUE(p->UsesLookupData());

  struct StyleCase {
    TcxEditDropDownListStyle style;
    TcxEditEditingStyle editing;
    bool popupOnly;
  };
  for (StyleCase c : {StyleCase{lsEditFixedList, esEditList, false}, StyleCase{lsFixedList, esFixedList, true},
                      StyleCase{lsEditList, esEdit, false}}) {
    p->SetDropDownListStyle(c.style);
    EXPECT_EQ(c.editing, p->GetEditingStyle());
    EXPECT_EQ(c.popupOnly, p->IsPopupOnlyEditing());
  }
  EXPECT_EQ(3, changes);
  for (int rows : {0, -3}) p->SetDropDownRows(rows);  // ignored
  EXPECT_EQ(8, p->DropDownRows());
  p->SetDropDownRows(5);
  p->SetItemHeight(20);
  EXPECT_EQ(5, changes);
  p->SetDropDownAutoWidth(false);  // stored without a change notice
  EXPECT_EQ(5, changes);
  EXPECT_FALSE(p->PopupAutoSize());
  p->SetRevertable(true);

  auto* copy = New<TcxComboBoxProperties>(nullptr);
  copy->Assign(p);
  EXPECT_EQ(5, copy->DropDownRows());
  EXPECT_EQ(20, copy->ItemHeight());
  EXPECT_EQ(lsEditList, copy->DropDownListStyle());
  EXPECT_TRUE(copy->Revertable());
  EXPECT_FALSE(copy->DropDownAutoWidth());
  copy->Free();
  p->Free();

  TcxRegisteredClasses* registry = GetRegisteredEditProperties();
  int found = -1;
  for (int i = 0; i < registry->Count(); ++i)
    if (registry->Items(i) == TcxComboBoxProperties::StaticClass()) found = i;
  ASSERT_GE(found, 0);
  EXPECT_EQ(String("ComboBox|Represents the combo box editor"), registry->Descriptions(found));
  EXPECT_EQ(TcxComboBox::StaticClass(), GetClass("TcxComboBox"));
}

// The popup as the user sees it: its screen rectangle, and the list's height in rows.
struct ComboSizeCase {
  int items, rows, top;
  bool below, vbar;
};

TEST_F(ComboBoxTest, ListHeightInRowsWidthWithScrollBarAndSideOfTheEditor) {
  const ComboSizeCase cases[] = {
      {20, 8, 20, true, true},    // more items than rows: 8 rows and a vertical bar
      {3, 8, 20, true, false},    // fewer items: as many rows as items
      {20, 5, 20, true, true},
      {20, 8, 540, false, true},  // no room below the editor: above it
      {8, 8, 540, false, false},
  };
  for (const ComboSizeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.items << " items, " << c.rows << " rows, top " << c.top);
    TcxComboBox* combo = Make(c.items, c.top);
    combo->Properties()->SetDropDownRows(c.rows);
    Key(VK_F4);
    ASSERT_TRUE(combo->HasPopupWindow());
    TcxCustomEditPopupWindow* popup = combo->PopupWindow();
    TcxComboBoxListBox* list = List(combo);
    const int shown = std::min(c.items, c.rows);
    EXPECT_EQ(shown * Row(combo), list->Height());
    EXPECT_EQ(c.vbar, list->VScrollBar()->Visible());
    EXPECT_FALSE(list->HScrollBar()->Visible());
    RECT e = Extent(combo);
    EXPECT_EQ(e.top + e.bottom + shown * Row(combo), popup->Height());
    int widest = 0;
    for (int i = 0; i < c.items; ++i) widest = std::max(widest, list->GetItemWidth(i));
    int content = widest + 4 + (c.vbar ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    EXPECT_EQ(std::max<int>(e.left + e.right + content, combo->Width()), popup->Width());
    RECT p = ScreenRect(popup), o = OuterRect(combo);
    if (c.below)
      EXPECT_EQ(o.bottom, p.top);
    else
      EXPECT_EQ(o.top, p.bottom);
    EXPECT_EQ(o.left, p.left);
    Key(VK_ESCAPE);
    EXPECT_FALSE(combo->HasPopupWindow());
    combo->Free();
    Idle();
  }
}

TEST_F(ComboBoxTest, AutoWidthFollowsTheWidestItemOtherwiseTheEditorOrDropDownWidth) {
  TcxComboBox* combo = Make(3, 20, 20, 80);
  combo->Properties()->Items()->Add("A rather long item that is wider than the editor");
  TcxComboBoxProperties* p = combo->Properties();
  struct WidthCase {
    bool autoWidth;
    int dropDownWidth;
    int want;  // 0: the widest item plus the frame
  };
  const WidthCase cases[] = {{true, 0, 0}, {false, 0, 80}, {false, 250, 250}, {true, 250, 0}};
  for (const WidthCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.autoWidth << " " << c.dropDownWidth);
    p->SetDropDownAutoWidth(c.autoWidth);
    p->SetDropDownWidth(c.dropDownWidth);
    Key(VK_F4);
    ASSERT_TRUE(combo->HasPopupWindow());
    RECT e = Extent(combo);
    const int widest = List(combo)->GetItemWidth(3) + 4;
    int want = c.want ? c.want : e.left + e.right + widest;
    EXPECT_EQ(want, combo->PopupWindow()->Width());
    // A list narrower than its widest item scrolls sideways, and a row of height makes room for the bar.
    const bool hbar = want - e.left - e.right < widest;
    EXPECT_EQ(e.top + e.bottom + 4 * Row(combo) + (hbar ? GetSystemMetrics(SM_CYHSCROLL) : 0),
              combo->PopupWindow()->Height());
    EXPECT_EQ(hbar, List(combo)->HScrollBar()->Visible());
    Key(VK_ESCAPE);
  }
}

TEST_F(ComboBoxTest, ItemHeightAndOnMeasureItemGiveTheRowHeights) {
  TcxComboBox* combo = Make(20);
  TcxComboBoxProperties* p = combo->Properties();
  p->SetItemHeight(20);
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  EXPECT_EQ(8 * 20, List(combo)->Height());
  EXPECT_EQ(20, List(combo)->ItemRect(3).bottom - List(combo)->ItemRect(3).top);
  Key(VK_ESCAPE);
  // Measured items: each one its own height; the list is the sum of the first eight.
  std::vector<int> asked;
  p->OnMeasureItem = TcxEditMeasureItemEvent([&](TcxCustomComboBox* AControl, int32_t AIndex, TcxCanvas* ACanvas,
                                                 int32_t& AHeight) {
    EXPECT_EQ(combo, AControl);
    EXPECT_NE(nullptr, ACanvas);
    EXPECT_EQ(20, AHeight);
    asked.push_back(AIndex);
    AHeight = 12 + AIndex;
  });
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  int sum = 0;
  for (int i = 0; i < 8; ++i) sum += 12 + i;
  EXPECT_EQ(sum, List(combo)->Height());
  EXPECT_EQ(12 + 5, List(combo)->ItemRect(5).bottom - List(combo)->ItemRect(5).top);
  EXPECT_FALSE(asked.empty());
  Key(VK_ESCAPE);
  // Back to the standard height once the handler is gone.
  p->OnMeasureItem = TcxEditMeasureItemEvent();
  p->SetItemHeight(0);
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  EXPECT_EQ(8 * Row(combo), List(combo)->Height());
  EXPECT_EQ(Row(combo), List(combo)->ItemRect(6).bottom - List(combo)->ItemRect(6).top);
}

TEST_F(ComboBoxTest, ResizingTheListSnapsToWholeRows) {
  TcxComboBox* combo = Make(20);
  combo->Properties()->SetDropDownSizeable(true);
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  TcxCustomEditPopupWindow* popup = combo->PopupWindow();
  ASSERT_TRUE(popup->SysPanelStyle());
  const int row = Row(combo);
  const int h0 = popup->Height();
  ASSERT_EQ(8 * row, List(combo)->Height());
  struct DragCase {
    int dy;
    int rows;  // rows after the drag
  };
  // Small moves keep the size; enlarging snaps down, shrinking snaps up to the next whole row.
  const DragCase cases[] = {{3, 8}, {row + 3, 9}, {-3, 9}, {-(row - 3), 9}, {-row, 8}, {2 * row + 5, 10}};
  for (const DragCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "drag " << c.dy);
    int before = List(combo)->Height() / row;
    const RECT g = popup->ViewInfo()->SizeGripSizingRect;
    POINT start = popup->ClientToScreen(POINT{g.right - 2, g.bottom - 1});
    headless::MouseMove(start.x, start.y);
    Idle();
    headless::MouseDown(VK_LBUTTON);
    Idle();
    headless::MouseMove(start.x, start.y + c.dy);
    Idle();
    headless::MouseUp(VK_LBUTTON);
    Idle();
    ASSERT_TRUE(combo->HasPopupWindow());
    EXPECT_EQ(c.rows * row, List(combo)->Height());
    EXPECT_EQ(h0 + (c.rows - 8) * row, popup->Height());
    (void)before;
  }
  // The size survives closing and reopening.
  int h = popup->Height();
  Key(VK_ESCAPE);
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  EXPECT_EQ(h, popup->Height());
  EXPECT_EQ(10 * row, List(combo)->Height());
}

TEST_F(ComboBoxTest, FixedListTypingSelectsItemsOnly) {
  TcxComboBox* combo = Make(0);
  combo->Properties()->SetImmediateDropDown(false);
  for (const char* item : {"Apple", "Apricot", "Banana"}) combo->Properties()->Items()->Add(item);
  combo->Properties()->SetDropDownListStyle(lsFixedList);
  Idle();
  headless::TypeText("b");
  Idle();
  EXPECT_EQ(String("Banana"), combo->Text());
  EXPECT_EQ(2, combo->ItemIndex());
  headless::TypeText("x");
  Idle();
  EXPECT_EQ(String("Banana"), combo->Text());
  // A character extends the typed prefix; one that completes nothing is refused.
  headless::TypeText("a");
  Idle();
  EXPECT_EQ(String("Banana"), combo->Text());
  headless::TypeText("q");
  Idle();
  EXPECT_EQ(String("Banana"), combo->Text());
  EXPECT_EQ(2, combo->ItemIndex());
  // From no value, typing completes from the first matching item.
  combo->SetEditValue(Null());
  Idle();
  EXPECT_EQ(-1, combo->ItemIndex());
  headless::TypeText("a");
  Idle();
  EXPECT_EQ(String("Apple"), combo->Text());
  EXPECT_EQ(0, combo->ItemIndex());
  headless::TypeText("p");
  Idle();
  EXPECT_EQ(String("Apple"), combo->Text());
  headless::TypeText("r");
  Idle();
  EXPECT_EQ(String("Apricot"), combo->Text());
  EXPECT_EQ(1, combo->ItemIndex());
  // Down steps to the next item; the text is always an item.
  Key(VK_DOWN);
  EXPECT_EQ(String("Banana"), combo->Text());
  Key(VK_DOWN);
  EXPECT_EQ(String("Banana"), combo->Text());
  // A click in the text of the focused editor opens the list.
  const RECT t = combo->EditViewInfo()->TextRect;
  MoveTo(combo, (t.left + t.right) / 2, (t.top + t.bottom) / 2);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  EXPECT_TRUE(combo->HasPopupWindow());
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_TRUE(combo->HasPopupWindow());
  Key(VK_ESCAPE);
  EXPECT_EQ(String("Banana"), combo->Text());
}

TEST_F(ComboBoxTest, RevertableDoubleClickCyclesAndWraps) {
  TcxComboBox* combo = Make(3);
  combo->Properties()->SetRevertable(true);
  combo->SetItemIndex(1);
  const RECT t = combo->EditViewInfo()->TextRect;
  POINT at = combo->ClientToScreen(POINT{(t.left + t.right) / 2, (t.top + t.bottom) / 2});
  for (int want : {2, 0, 1}) {
    headless::MouseMove(at.x, at.y);
    Idle();
    HWND target = WindowFromPoint(at);
    POINT local = at;
    ScreenToClient(target, &local);
    headless::DoubleClickAt(target, local.x, local.y);
    Idle();
    EXPECT_FALSE(combo->HasPopupWindow());
    EXPECT_EQ(want, combo->ItemIndex());
    EXPECT_EQ(String("Item ") + IntToStr(want), combo->Text());
  }
  EXPECT_TRUE(combo->ModifiedAfterEnter());
  // Without Revertable a double click changes nothing.
  combo->Properties()->SetRevertable(false);
  HWND target = WindowFromPoint(at);
  POINT local = at;
  ScreenToClient(target, &local);
  headless::DoubleClickAt(target, local.x, local.y);
  Idle();
  EXPECT_EQ(1, combo->ItemIndex());
}

TEST_F(ComboBoxTest, PressOnTheButtonCarriesOnIntoTheList) {
  TcxComboBox* combo = Make(20);
  int clicks = 0;
  combo->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  const RECT b = combo->EditViewInfo()->Button(0)->Bounds;
  MoveTo(combo, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
  headless::MouseDown(VK_LBUTTON);
  Idle();
  ASSERT_TRUE(combo->HasPopupWindow());
  TcxComboBoxListBox* list = List(combo);
  RECT item = list->ItemRect(3);
  // Still pressed: the pointer moves over the fourth item and is released there.
  MoveTo(list, 10, item.top + 2);
  MoveTo(list, 12, (item.top + item.bottom) / 2);
  EXPECT_EQ(3, list->ItemIndex());
  headless::MouseUp(VK_LBUTTON);
  Idle();
  EXPECT_FALSE(combo->HasPopupWindow());
  EXPECT_EQ(3, combo->ItemIndex());
  EXPECT_EQ(String("Item 3"), combo->Text());
  EXPECT_EQ(1, clicks);
  EXPECT_TRUE(combo->Focused());
}

TEST_F(ComboBoxTest, ClickEnterChooseEscapeReverts) {
  TcxComboBox* combo = Make(20);
  combo->SetItemIndex(2);
  // Esc after moving the highlight keeps the value.
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  EXPECT_EQ(2, List(combo)->ItemIndex());
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(4, List(combo)->ItemIndex());
  EXPECT_EQ(String("Item 2"), combo->Text());
  Key(VK_ESCAPE);
  EXPECT_FALSE(combo->HasPopupWindow());
  EXPECT_EQ(2, combo->ItemIndex());
  EXPECT_EQ(String("Item 2"), combo->Text());
  // The list follows the value again when it reopens; Enter takes the highlighted item.
  Key(VK_F4);
  EXPECT_EQ(2, List(combo)->ItemIndex());
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(combo->HasPopupWindow());
  EXPECT_EQ(3, combo->ItemIndex());
  EXPECT_EQ(String("Item 3"), combo->Text());
  // A click on an item takes it.
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  TcxComboBoxListBox* list = List(combo);
  RECT item = list->ItemRect(6);
  Click(list, 15, (item.top + item.bottom) / 2);
  EXPECT_FALSE(combo->HasPopupWindow());
  EXPECT_EQ(6, combo->ItemIndex());
  EXPECT_EQ(String("Item 6"), combo->Text());
  EXPECT_TRUE(combo->Focused());
  // An empty list does not open.
  combo->Properties()->Items()->Clear();
  Key(VK_F4);
  EXPECT_FALSE(combo->HasPopupWindow());
}

TEST_F(ComboBoxTest, OwnerDrawingOfTheClosedEditorAndOfCells) {
  TcxComboBox* combo = Make(4);
  TcxComboBoxProperties* p = combo->Properties();
  p->SetDropDownListStyle(lsFixedList);
  struct Drawn {
    TcxCustomComboBox* control;
    int index;
    bool selected, editPart;
  };
  std::vector<Drawn> drawn;
  p->OnDrawItem = TcxEditDrawItemEvent([&](TcxCustomComboBox* AControl, TcxCanvas* ACanvas, int32_t AIndex,
                                           const RECT& ARect, TOwnerDrawState AState) {
    drawn.push_back({AControl, AIndex, AState.Contains(odSelected), AState.Contains(odComboBoxEdit)});
    ACanvas->FillRect(ARect);
  });
  combo->SetItemIndex(2);
  combo->Invalidate();
  Idle();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(combo, drawn.back().control);
  EXPECT_EQ(2, drawn.back().index);
  EXPECT_TRUE(drawn.back().editPart);
  EXPECT_TRUE(drawn.back().selected);  // focused
  // A focused fixed-list editor shows its text as a selected bar, painted in the highlight colour.
  auto* vi = static_cast<TcxCustomComboBoxViewInfo*>(combo->EditViewInfo());
  EXPECT_TRUE(vi->DrawSelectionBar);
  EXPECT_TRUE(vi->IsOwnerDrawing);
  POINT mid{(vi->TextOutRect.left + vi->TextOutRect.right) / 2, (vi->TextOutRect.top + vi->TextOutRect.bottom) / 2};
  EXPECT_EQ(Rgb(clHighlight), headless::Pixel(combo->Handle(), mid.x, mid.y) & 0xFFFFFF);
  // The list in the popup is drawn by the handler too.
  drawn.clear();
  Key(VK_F4);
  ASSERT_TRUE(combo->HasPopupWindow());
  bool listDrawn = false;
  for (const Drawn& d : drawn) listDrawn = listDrawn || (!d.editPart && d.control == combo);
  EXPECT_TRUE(listDrawn);
  Key(VK_ESCAPE);

  // Without an editor (a grid cell): the item with the value's text, and AControl nil.
  TcxCustomEditViewData* data = p->CreateViewData(combo->Style(), true);
  auto* cell = New<TcxCustomComboBoxViewInfo>();
  auto* textData = static_cast<TcxCustomComboBoxViewData*>(data);
  struct CellCase {
    const char* value;
    int index;
  };
  for (CellCase c : {CellCase{"Item 3", 3}, CellCase{"item 1", 1}, CellCase{"Nothing", -1}}) {
    SCOPED_TRACE(c.value);
    textData->PrepareDrawText(Variant(String(c.value)), cell);
    EXPECT_EQ(c.index, cell->ItemIndex);
    EXPECT_EQ(c.index != -1, cell->IsOwnerDrawing);
  }
  TBitmap* bitmap = New<TBitmap>();
  bitmap->SetSize(100, 20);
  {
    TcxCanvas canvas(bitmap->Canvas());
    drawn.clear();
    textData->PrepareDrawText(Variant(String("Item 3")), cell);
    cell->OnDrawOwner(&canvas, RECT{0, 0, 100, 20});
    ASSERT_EQ(1u, drawn.size());
    EXPECT_EQ(nullptr, drawn[0].control);
    EXPECT_EQ(3, drawn[0].index);
  }
  bitmap->Free();
  cell->Free();
  data->Free();
  // Other list styles paint their text themselves.
  p->SetDropDownListStyle(lsEditList);
  Idle();
  EXPECT_FALSE(vi->IsOwnerDrawing);
}

}  // namespace
