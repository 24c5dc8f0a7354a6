// The lookup data's rules on its items (locating a typed prefix, the current and the highlighted item,
// navigation, choosing) and the owner-drawn list box of the drop-down editors.

#include "cxContainerTestSupport.h"

#include <cstdlib>
#include <vector>

#include "forms/StdCtrls.h"
#include "rtl/SysUtils.h"
#include "ui/editors/cxEditListBox.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "ui/editors/cxTextEdit.h"
#include "winapi/Messages.h"

using namespace cxcontainer_test;

namespace {

// Lookup data over a plain list of items, with the editor's answers set by the test.
class TEditListBoxTestLookupData : public TcxCustomTextEditLookupData {
  RTL_CLASS(TEditListBoxTestLookupData, TcxCustomTextEditLookupData)
public:
  TEditListBoxTestLookupData() : TcxCustomTextEditLookupData(nullptr) {}
  std::vector<String> Items;
  uint8_t Style = 0;
  bool Exact = false;
  bool Immediate = false;
  String Text;
  int Chosen = 0;
  String GetItem(int32_t AIndex) override { return Items[size_t(AIndex)]; }
  int32_t GetItemCount() override { return int32_t(Items.size()); }
  TClass GetListBoxClass() override { return TcxCustomEditListBox::StaticClass(); }
  void CountChosen(TObject*) { ++Chosen; }

protected:
  String GetEditText() override { return Text; }
  uint8_t GetEditingStyle() override { return Style; }
  bool GetExactMatch() override { return Exact; }
  bool GetImmediateUpdateText() override { return Immediate; }
};

const std::vector<String> kFruit = {"Apple", "Apricot", "Banana"};

std::vector<String> Numbered(int n) {
  std::vector<String> r;
  for (int i = 0; i < n; ++i) r.push_back("Item " + IntToStr(i));
  return r;
}

class EditListBoxTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    Data = New<TEditListBoxTestLookupData>();
    Data->Items = kFruit;
    Data->OnItemChosen = TNotifyEvent(Data, &TEditListBoxTestLookupData::CountChosen);
  }
  void TearDown() override {
    Data->Free();
    ContainerTest::TearDown();
  }
  TEditListBoxTestLookupData* Data = nullptr;
};

TEST_F(EditListBoxTest, LocateTextFindsThePrefixInTheItemsSpellingAndKeepsTheCurrentItemByStyle) {
  struct Case {
    const char* text;
    bool next, exact, exactFlag;
    int listIndex;
    uint8_t style;
    bool found;
    const char* outText;
    const char* tail;
    int current;  // the current item afterwards; it was 1 before
  } cases[] = {
      {"a", false, false, false, -1, 0, true, "A", "pple", 0},
      {"ap", false, false, false, -1, 0, true, "Ap", "ple", 0},
      {"APR", false, false, false, -1, 0, true, "Apr", "icot", 1},
      {"b", false, false, false, -1, 0, true, "B", "anana", 2},
      {"banana", false, false, false, -1, 0, true, "Banana", "", 2},
      {"bananas", false, false, false, -1, 0, false, "bananas", "", -1},
      {"x", false, false, false, -1, 0, false, "x", "", -1},
      {"x", false, false, false, -1, 3, false, "x", "", -1},
      {"x", false, false, false, -1, 1, false, "x", "", 1},
      {"x", false, true, false, -1, 1, false, "x", "", -1},
      {"", false, false, false, -1, 1, false, "", "", -1},
      {"", false, false, false, -1, 0, false, "", "", -1},
      {"x", false, false, false, -1, 2, false, "x", "", 1},
      {"x", false, true, false, -1, 2, false, "x", "", -1},
      // Starting after the highlighted item does not wrap round.
      {"a", true, false, false, 2, 0, false, "a", "", -1},
      {"a", true, false, false, 0, 0, true, "A", "pricot", 1},
      {"ap", true, false, false, 0, 1, true, "Ap", "ricot", 1},
      // Exact matching only when the properties allow it.
      {"apricot", false, true, true, -1, 0, true, "apricot", "", 1},
      {"apr", false, true, true, -1, 0, false, "apr", "", -1},
      {"apr", false, true, false, -1, 0, true, "Apr", "icot", 1},
  };
  for (const Case& c : cases) {
    Data->SetItemIndex(1);
    Data->SetListIndex(c.listIndex);
    Data->Style = c.style;
    Data->Exact = c.exactFlag;
    String text = c.text, tail = "?";
    if (!c.found) tail.clear();
    bool found = Data->LocateText(text, tail, c.next, c.exact);
    SCOPED_TRACE(String(c.text) + " style " + IntToStr(c.style));
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(text, c.outText);
    EXPECT_EQ(tail, c.tail);
    EXPECT_EQ(Data->CurrentKey(), c.current);
  }
}

TEST_F(EditListBoxTest, LocateCountsCharactersOfMultiByteText) {
  Data->Items = {"Яблоко", "Ёжик", "ёлка"};
  String text = "я", tail;
  ASSERT_TRUE(Data->Locate(text, tail, false));
  EXPECT_EQ(text, "Я");
  EXPECT_EQ(tail, "блоко");
  text = "ЁЛ";
  ASSERT_TRUE(Data->Locate(text, tail, false));
  EXPECT_EQ(text, "ёл");
  EXPECT_EQ(tail, "ка");
  EXPECT_EQ(Data->CurrentKey(), 2);
  EXPECT_TRUE(Data->ContainsText("ЁЖИК"));
  EXPECT_FALSE(Data->ContainsText("Ёж"));
}

TEST_F(EditListBoxTest, NavigateStepsFromTheHighlightOrTheCurrentItem) {
  struct Case {
    int count, current, listIndex;
    TcxEditLookupNavigation direction;
    bool cycle;
    int target;
  } cases[] = {
      {3, -1, -1, lnPageDown, false, 2},  {20, -1, -1, lnPageDown, false, 7}, {20, 5, -1, lnPageDown, false, 12},
      {20, 15, -1, lnPageDown, false, 19}, {20, 19, -1, lnPageDown, true, 0}, {20, 19, -1, lnPageDown, false, 19},
      {3, 2, -1, lnNext, false, 2},       {3, 2, -1, lnNext, true, 0},        {3, 0, -1, lnNext, false, 1},
      {3, 0, -1, lnPrevious, false, 0},   {3, 0, -1, lnPrevious, true, 2},    {3, 2, -1, lnPrevious, false, 1},
      {20, 10, -1, lnPageUp, false, 3},   {20, 2, -1, lnPageUp, false, 0},    {20, 0, -1, lnPageUp, true, 19},
      {20, -1, -1, lnPageUp, false, -1},  {20, -1, -1, lnPageUp, true, 19},   {3, 1, -1, lnFirst, false, 0},
      {3, 1, -1, lnLast, false, 2},       {3, -1, -1, lnNext, false, 0},
      // The highlighted item, when there is one, is where a step starts.
      {20, 1, 9, lnNext, false, 10},
  };
  for (const Case& c : cases) {
    Data->Items = Numbered(c.count);
    Data->SetItemIndex(c.current);
    if (c.listIndex >= 0) Data->SetListIndex(c.listIndex);
    Data->Navigate(c.direction, c.cycle);
    EXPECT_EQ(Data->CurrentKey(), c.target) << c.count << " items from " << c.current << " by " << int(c.direction)
                                            << (c.cycle ? " cycling" : "");
  }
  Data->Items.clear();
  Data->Navigate(lnLast, false);  // nothing to step through
  EXPECT_EQ(Data->CurrentKey(), 10);
}

TEST_F(EditListBoxTest, IndexesOutsideTheItemsAreIgnored) {
  Data->SetItemIndex(2);
  Data->SetItemIndex(3);
  Data->SetItemIndex(-2);
  EXPECT_EQ(Data->CurrentKey(), 2);
  Data->SetListIndex(5);
  EXPECT_EQ(Data->ListIndex(), 2);
  EXPECT_EQ(Data->GetKeyText(Variant(1)), "Apricot");
  EXPECT_EQ(Data->GetKeyText(Variant(3)), "");
  EXPECT_EQ(Data->GetKeyText(Variant(-1)), "");
  EXPECT_EQ(Data->GetCurrentIndex().AsInteger(), 2);
}

TEST_F(EditListBoxTest, ChoosingFiresForANewItemAndAgainForTheCurrentOne) {
  Data->Text = "";
  Data->SetCurrentIndex(Variant(1));
  EXPECT_EQ(Data->Chosen, 1);
  // Current already, but the editor shows another text: chosen again.
  Data->SetCurrentIndex(Variant(1));
  EXPECT_EQ(Data->Chosen, 2);
  Data->Text = "Apricot";
  Data->SetCurrentIndex(Variant(1));
  EXPECT_EQ(Data->Chosen, 2);
  // Choosing the current item in the list re-applies it.
  Data->SetListIndex(1);
  Data->SelectListItem();
  EXPECT_EQ(Data->Chosen, 3);
  Data->SetListIndex(2);
  Data->SelectListItem();
  EXPECT_EQ(Data->Chosen, 4);
  EXPECT_EQ(Data->CurrentKey(), 2);
  Data->SetListIndex(-1);
  Data->SelectListItem();  // nothing highlighted: nothing chosen
  EXPECT_EQ(Data->Chosen, 4);
}

TEST_F(EditListBoxTest, TextChangeFindsTheItemOfTheWholeText) {
  Data->Text = "banana";
  Data->TextChanged();
  EXPECT_EQ(Data->CurrentKey(), 2);
  Data->Text = "ban";
  Data->TextChanged();
  EXPECT_EQ(Data->CurrentKey(), 2);  // a prefix is a match when the properties do not ask for exactness
  Data->Exact = true;
  Data->TextChanged();
  EXPECT_EQ(Data->CurrentKey(), -1);
  Data->Text = "APPLE";
  Data->TextChanged();
  EXPECT_EQ(Data->CurrentKey(), 0);
}

TEST_F(EditListBoxTest, TheListShowsTheItemsAndFollowsTheHighlight) {
  Data->Items = Numbered(20);
  Data->SetItemIndex(4);
  Data->Text = "item 4";  // the list re-reads the editor's text when it is made
  EXPECT_EQ(Data->GetListControl(), nullptr);
  Data->InitializeList(Form);
  auto* list = Data->List();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Owner(), Form);
  EXPECT_EQ(list->Parent(), Form);
  Data->SetListBounds(RECT{10, 10, 150, 110});
  Idle();
  EXPECT_EQ(list->Items()->Count(), 20);
  EXPECT_EQ(list->ItemIndex(), 4);
  EXPECT_TRUE(list->IsListVisible());
  POINT inside = list->ClientToScreen(POINT{5, 5});
  EXPECT_TRUE(Data->IsPointOverList(inside));
  EXPECT_FALSE(Data->IsPointOverList(POINT{inside.x - 10, inside.y}));

  // While the list shows, a step moves only the highlight; the value stays.
  Data->Navigate(lnNext, false);
  EXPECT_EQ(Data->CurrentKey(), 4);
  EXPECT_EQ(Data->ListIndex(), 5);
  EXPECT_EQ(list->ItemIndex(), 5);
  // With immediate updating the value follows.
  Data->Immediate = true;
  Data->Navigate(lnNext, false);
  EXPECT_EQ(Data->CurrentKey(), 6);
  Data->Immediate = false;

  // The item under the mouse becomes the highlight.
  int y = list->ItemRect(2).top + 2;
  MoveTo(list, 20, y);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(Data->ListIndex(), 2);
  list->SetHotTrack(false);
  MoveTo(list, 20, list->ItemRect(3).top + 2);
  EXPECT_EQ(Data->ListIndex(), 2);
  // Going to no item scrolls the list to its top.
  list->SetTopIndex(8);
  Data->SetListIndex(-1);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->TopIndex(), 0);

  // Fewer items: the list follows on a refresh.
  Data->Items = Numbered(5);
  Data->RefreshList();
  EXPECT_EQ(list->Items()->Count(), 5);
  list->Free();
  EXPECT_EQ(Data->GetListControl(), nullptr);  // the list went with its window; the data forgets it
}

TEST_F(EditListBoxTest, OnlyALookupDataWithAListBoxClassMakesAList) {
  auto* base = New<TcxCustomTextEditLookupData>(nullptr);
  EXPECT_EQ(base->GetListBoxClass(), nullptr);
  EXPECT_THROW(base->InitializeList(Form), EInvalidOperation);
  EXPECT_EQ(base->GetListControl(), nullptr);
  EXPECT_TRUE(base->IsEmpty());
  EXPECT_EQ(base->GetListPreferredSize().cx, 0);
  EXPECT_TRUE(base->CanResizeList(SIZE{10, 10}));
  base->Free();
}

class EditListBoxPaintTest : public EditListBoxTest {
protected:
  void SetUp() override {
    EditListBoxTest::SetUp();
    List = New<TcxCustomEditListBox>(Form);
    List->SetColor(clWindow);
    List->Font()->SetName("Courier New");
    List->Font()->SetHeight(-13);
    List->Font()->SetColor(clBlack);
    List->SetBounds(10, 10, 120, 100);
    List->SetParent(Form);
    Idle();
  }
  uint32_t Px(int x, int y) { return headless::Pixel(List->Handle(), x, y); }
  TcxCustomEditListBox* List = nullptr;
};

TEST_F(EditListBoxPaintTest, EveryItemIsOneTextRowHigh) {
  List->SetItemCount(30);
  int h = List->Canvas()->TextHeight("Wg");
  ASSERT_GT(h, 0);
  EXPECT_EQ(List->GetItemHeight(-1), h);
  EXPECT_EQ(List->GetHeightForItems(4), 4 * h);
  for (int i : {0, 1, 2, 5}) {
    RECT r = List->ItemRect(i);
    EXPECT_EQ(R4(r), R4(RECT{0, i * h, List->ClientWidth(), (i + 1) * h})) << i;
  }
  List->Items()->SetStrings(0, "Wide");
  EXPECT_EQ(List->GetItemWidth(0), List->Canvas()->TextWidth("Wide"));
  EXPECT_EQ(List->Style(), lbOwnerDrawVariable);
  EXPECT_EQ(List->BorderStyle(), bsNone);
}

TEST_F(EditListBoxPaintTest, ItemsArePaintedTwoPixelsInWithTheSelectionHighlighted) {
  List->Items()->Add("Apple");
  List->Items()->Add("Banana");
  List->Items()->Add("Cherry");
  List->SetItemIndex(1);
  Idle();
  int h = List->GetItemHeight(-1);
  // Left margin of every row: the row's background (the selected row's first column carries the
  // inverted focus rectangle of the list that shows its selection as focused).
  for (int row = 0; row < 3; ++row) {
    uint32_t back = row == 1 ? 0x0A246Au : 0xFFFFFFu;
    EXPECT_EQ(Px(1, row * h + h / 2), back) << row;
  }
  EXPECT_EQ(Px(0, h + h / 2), 0x0A246Au ^ 0xFFFFFFu);
  if (const char* dir = std::getenv("VORN_ARTIFACT_DIR"))
    headless::SavePng(List->Handle(), (String(dir) + "/edit-list-box-items.png").c_str());
  // The text of an unselected item is dark on white, of the selected one light on the highlight.
  auto hasText = [&](int row, uint32_t back) {
    for (int y = row * h; y < (row + 1) * h; ++y)
      for (int x = 2; x < 60; ++x)
        if (Px(x, y) != back) return true;
    return false;
  };
  EXPECT_TRUE(hasText(0, 0xFFFFFF));
  EXPECT_TRUE(hasText(1, 0x0A246A));
  // Nothing below the items but the list's colour.
  EXPECT_EQ(Px(60, 3 * h + 5), 0xFFFFFFu);
  // The first text column: no ink before x = 2, some ink in the first few columns of the text.
  bool inkNearLeft = false;
  for (int y = 0; y < h; ++y)
    for (int x = 2; x < 2 + List->Canvas()->TextWidth("A"); ++x) inkNearLeft = inkNearLeft || Px(x, y) != 0xFFFFFF;
  EXPECT_TRUE(inkNearLeft);
}

TEST_F(EditListBoxPaintTest, WheelScrollsByTheSystemsLineCount) {
  List->SetItemCount(40);
  Idle();
  UINT lines = 0;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  ASSERT_GT(lines, 0u);
  List->SetFocus();
  MoveTo(List, 20, 20);
  headless::Wheel(-WHEEL_DELTA);
  Idle();
  EXPECT_EQ(List->TopIndex(), int32_t(lines));
  headless::Wheel(WHEEL_DELTA);
  Idle();
  EXPECT_EQ(List->TopIndex(), 0);
}

TEST_F(EditListBoxPaintTest, ItemCountGrowsAndShrinksFromTheEnd) {
  List->Items()->Add("keep");
  List->SetItemCount(3);
  EXPECT_EQ(List->Items()->Count(), 3);
  EXPECT_EQ(List->Items()->Strings(0), "keep");
  EXPECT_EQ(List->Items()->Strings(2), "");
  List->SetItemCount(1);
  EXPECT_EQ(List->Items()->Count(), 1);
  EXPECT_EQ(List->Items()->Strings(0), "keep");
  List->SetItemCount(-4);
  EXPECT_EQ(List->Items()->Count(), 0);
}

}  // namespace

// ---- the text editor with its lookup data, driven by real typing ------------------------------------------------

namespace {

// A list kind: typed text must match a lookup item as it is typed.
class TEditListBoxTestListProperties : public TcxTextEditProperties {
  RTL_CLASS(TEditListBoxTestListProperties, TcxTextEditProperties)
public:
  using TcxTextEditProperties::TcxTextEditProperties;
  TcxEditEditingStyle GetEditingStyle() override { return esEditList; }
};

// A plain text editor that steps through its items by keys, as the drop-down editors do.
class TEditListBoxTestNavigatingEdit : public TcxTextEdit {
  RTL_CLASS(TEditListBoxTestNavigatingEdit, TcxTextEdit)
public:
  using TcxTextEdit::TcxTextEdit;
  bool CanLookupNow(bool) override { return true; }
};

class TEditListBoxTestListEdit : public TcxTextEdit {
  RTL_CLASS(TEditListBoxTestListEdit, TcxTextEdit)
public:
  using TcxTextEdit::TcxTextEdit;
  TClass GetPropertiesClass() const override { return TEditListBoxTestListProperties::StaticClass(); }
};

class EditListBoxTypingTest : public ContainerTest {
protected:
  void SetUp() override {
    ContainerTest::SetUp();
    cxEditListBoxInitialize();  // what the unit's start-up did, in case another case replaced the class
    Other = New<TEdit>(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 200, 100, 21);
  }
  void TearDown() override {
    DoneForms();
    cxEditFinalize();
    DoneEditPaintUtils();
    ContainerTest::TearDown();
  }
  template <class T = TcxTextEdit>
  T* Make(std::initializer_list<const char*> items = {"Apple", "Apricot", "Banana"}) {
    T* edit = New<T>(Form);
    edit->SetParent(Form);
    edit->SetBoundsRect(RECT{10, 10, 210, 31});
    for (const char* s : items) edit->ActiveProperties()->LookupItems()->Add(s);
    Idle();
    edit->SetFocus();
    Idle();
    return edit;
  }
  static int Current(TcxCustomTextEdit* edit) { return edit->GetLookupDataIntf()->GetCurrentIndex().AsInteger(); }
  static void Type(const char* text) {
    headless::TypeText(text);
    Idle();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Idle();
  }
  TEdit* Other = nullptr;
};

struct EditListBoxTypingStep {
  const char* typed;  // "\b" is Backspace
  const char* text;
  int selStart, selLength, current;
  bool findSelection;
};

void EditListBoxRunSteps(TcxCustomTextEdit* edit, std::initializer_list<EditListBoxTypingStep> steps) {
  for (const EditListBoxTypingStep& s : steps) {
    if (String(s.typed) == "\b")
      headless::KeyPress(VK_BACK);
    else
      headless::TypeText(s.typed);
    headless::RunUntilIdle();
    SCOPED_TRACE(String("after ") + (String(s.typed) == "\b" ? String("Backspace") : String(s.typed)));
    EXPECT_EQ(edit->Text(), String(s.text));
    EXPECT_EQ(edit->SelStart(), s.selStart);
    EXPECT_EQ(edit->SelLength(), s.selLength);
    EXPECT_EQ(edit->GetLookupDataIntf()->GetCurrentIndex().AsInteger(), s.current);
    EXPECT_EQ(edit->FindSelection(), s.findSelection);
  }
}

TEST_F(EditListBoxTypingTest, ThePlainTextEditorOffersItsLookupItems) {
  auto* edit = Make();
  ASSERT_NE(edit->GetLookupDataIntf(), nullptr);
  EXPECT_TRUE(edit->ActiveProperties()->UsesLookupData());
  EXPECT_NE(dynamic_cast<TcxCustomTextEditLookupData*>(edit->LookupDataObject()), nullptr);
  EXPECT_EQ(edit->GetLookupDataIntf()->GetKeyText(Variant(2)), "Banana");
}

TEST_F(EditListBoxTypingTest, FreeTypingCompletesInTheItemsSpellingUntilNothingMatches) {
  auto* edit = Make();
  EditListBoxRunSteps(edit, {
                                {"a", "Apple", 1, 4, 0, true},
                                {"p", "Apple", 2, 3, 0, true},
                                {"r", "Apricot", 3, 4, 1, true},
                                // Nothing starts with "Aprx": the character is taken and completion ends.
                                {"x", "Aprx", 4, 0, -1, false},
                                {"\b", "Apr", 3, 0, -1, false},
                            });
  // Leaving takes the text as the value.
  Other->SetFocus();
  Idle();
  EXPECT_EQ(edit->EditValue().AsString(), "Apr");
}

TEST_F(EditListBoxTypingTest, ACompletedItemBecomesTheValueAndMultiByteItemsCompleteByCharacters) {
  auto* edit = Make({"Яблоко", "Banana"});
  EditListBoxRunSteps(edit, {{"я", "Яблоко", 1, 5, 0, true}, {"Б", "Яблоко", 2, 4, 0, true}});
  Other->SetFocus();
  Idle();
  EXPECT_EQ(edit->EditValue().AsString(), "Яблоко");
}

TEST_F(EditListBoxTypingTest, TheListStyleRefusesWhatCompletesNothingAndBackspaceShortensThePrefix) {
  auto* edit = Make<TEditListBoxTestListEdit>();
  EditListBoxRunSteps(edit, {
                                {"x", "", 0, 0, -1, false},
                                {"a", "Apple", 1, 4, 0, true},
                                {"p", "Apple", 2, 3, 0, true},
                                {"x", "Apple", 2, 3, 0, true},
                                // Backspace takes the last typed character: "A" completes Apple again.
                                {"\b", "Apple", 1, 4, 0, true},
                                {"b", "Apple", 1, 4, 0, true},
                                {"\b", "", 0, 0, -1, false},
                                {"B", "Banana", 1, 5, 2, true},
                            });
  EXPECT_EQ(headless::BeepCount(), 0);  // refused silently
}

TEST_F(EditListBoxTypingTest, NavigationKeysStepThroughTheItemsWithoutCycling) {
  auto* edit = Make<TEditListBoxTestNavigatingEdit>();
  struct Step {
    int vk;
    bool ctrl;
    const char* text;
    int current;
  } steps[] = {
      {VK_NEXT, false, "Banana", 2},  // a page down from no item: the last of three
      {VK_DOWN, false, "Banana", 2},  {VK_UP, false, "Apricot", 1}, {VK_UP, false, "Apple", 0},
      {VK_UP, false, "Apple", 0},     {VK_NEXT, true, "Banana", 2}, {VK_PRIOR, true, "Apple", 0},
  };
  for (const Step& s : steps) {
    if (s.ctrl) headless::KeyDown(VK_CONTROL);
    headless::KeyPress(s.vk);
    if (s.ctrl) headless::KeyUp(VK_CONTROL);
    Idle();
    EXPECT_EQ(edit->Text(), String(s.text)) << s.vk;
    EXPECT_EQ(Current(edit), s.current) << s.vk;
  }
  EXPECT_TRUE(edit->ModifiedAfterEnter());
}

TEST_F(EditListBoxTypingTest, APageDownFromNoItemGoesToTheEighthItem) {
  auto* edit = Make<TEditListBoxTestNavigatingEdit>({"i0", "i1", "i2", "i3", "i4", "i5", "i6", "i7", "i8", "i9"});
  Key(VK_NEXT);
  EXPECT_EQ(edit->Text(), String("i7"));
  Key(VK_NEXT);
  EXPECT_EQ(edit->Text(), String("i9"));
  Key(VK_PRIOR);
  EXPECT_EQ(edit->Text(), String("i2"));
}

TEST_F(EditListBoxTypingTest, ThePlainTextEditorLeavesTheArrowsToTheText) {
  auto* edit = Make();
  Type("b");
  ASSERT_EQ(edit->Text(), String("Banana"));
  Key(VK_UP);
  EXPECT_EQ(edit->Text(), String("Banana"));
  EXPECT_EQ(Current(edit), 2);
}

}  // namespace
