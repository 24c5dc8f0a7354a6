// List views and tree views on a form read from text: items and nodes streamed in and out, selection by
// mouse and keys with the events in their order, owner-data lists, label editing, expanding with a veto,
// hit tests, and windows re-created without losing items, selection or expansion.

#include <map>

#include "FormsSupport.h"
#include "forms/ComCtrls.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

using namespace ft;

class TViewsForm : public TForm {
  RTL_CLASS(TViewsForm, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  TListView* lvFiles = nullptr;
  TTreeView* tvFolders = nullptr;
  TPanel* pnOther = nullptr;
  std::vector<std::string> Events;
  bool VetoChanging = false;
  bool VetoExpanding = false;
  bool VetoEditing = false;

  static std::string NameOf(TListItem* i) { return i ? i->Caption() : "nil"; }
  static std::string NameOf(TTreeNode* n) { return n ? n->Text() : "nil"; }
  void lvFilesChanging(TObject*, TListItem* item, TItemChange, bool& allow) {
    Events.push_back("changing " + NameOf(item));
    if (VetoChanging) allow = false;
  }
  void lvFilesChange(TObject*, TListItem* item, TItemChange) { Events.push_back("change " + NameOf(item)); }
  void lvFilesSelectItem(TObject*, TListItem* item, bool selected) {
    Events.push_back(std::string(selected ? "select " : "unselect ") + NameOf(item));
  }
  void lvFilesEditing(TObject*, TListItem* item, bool& allow) {
    Events.push_back("editing " + NameOf(item));
    if (VetoEditing) allow = false;
  }
  void lvFilesEdited(TObject*, TListItem* item, String& s) {
    Events.push_back("edited " + NameOf(item) + " -> " + s);
    s += ".fbk";
  }
  void lvFilesColumnClick(TObject*, TListColumn* column) { Events.push_back("column " + column->Caption()); }
  void lvFilesDblClick(TObject*) { Events.push_back("dblclick"); }
  void tvFoldersChanging(TObject*, TTreeNode* node, bool& allow) {
    Events.push_back("changing " + NameOf(node));
    if (VetoChanging) allow = false;
  }
  void tvFoldersChange(TObject*, TTreeNode* node) { Events.push_back("change " + NameOf(node)); }
  void tvFoldersExpanding(TObject*, TTreeNode* node, bool& allow) {
    Events.push_back("expanding " + NameOf(node));
    if (VetoExpanding) allow = false;
  }
  void tvFoldersExpanded(TObject*, TTreeNode* node) { Events.push_back("expanded " + NameOf(node)); }
  void tvFoldersCollapsing(TObject*, TTreeNode* node, bool&) { Events.push_back("collapsing " + NameOf(node)); }
  void tvFoldersCollapsed(TObject*, TTreeNode* node) { Events.push_back("collapsed " + NameOf(node)); }
  void tvFoldersEditing(TObject*, TTreeNode* node, bool& allow) {
    Events.push_back("editing " + NameOf(node));
    if (VetoEditing) allow = false;
  }
  void tvFoldersEdited(TObject*, TTreeNode* node, String& s) { Events.push_back("edited " + NameOf(node) + " -> " + s); }
  void tvFoldersDeletion(TObject*, TTreeNode* node) { Events.push_back("deletion " + NameOf(node)); }
};

RTL_PUBLISHED(TViewsForm) {
  field("lvFiles", &TViewsForm::lvFiles);
  field("tvFolders", &TViewsForm::tvFolders);
  field("pnOther", &TViewsForm::pnOther);
  method("lvFilesChanging", &TViewsForm::lvFilesChanging);
  method("lvFilesChange", &TViewsForm::lvFilesChange);
  method("lvFilesSelectItem", &TViewsForm::lvFilesSelectItem);
  method("lvFilesEditing", &TViewsForm::lvFilesEditing);
  method("lvFilesEdited", &TViewsForm::lvFilesEdited);
  method("lvFilesColumnClick", &TViewsForm::lvFilesColumnClick);
  method("lvFilesDblClick", &TViewsForm::lvFilesDblClick);
  method("tvFoldersChanging", &TViewsForm::tvFoldersChanging);
  method("tvFoldersChange", &TViewsForm::tvFoldersChange);
  method("tvFoldersExpanding", &TViewsForm::tvFoldersExpanding);
  method("tvFoldersExpanded", &TViewsForm::tvFoldersExpanded);
  method("tvFoldersCollapsing", &TViewsForm::tvFoldersCollapsing);
  method("tvFoldersCollapsed", &TViewsForm::tvFoldersCollapsed);
  method("tvFoldersEditing", &TViewsForm::tvFoldersEditing);
  method("tvFoldersEdited", &TViewsForm::tvFoldersEdited);
  method("tvFoldersDeletion", &TViewsForm::tvFoldersDeletion);
}

namespace {

// Form text without the TabOrder line (a control alone on no parent has none).
String WithoutTabOrder(String s) {
  size_t at = s.find("  TabOrder = ");
  if (at != String::npos) s.erase(at, s.find('\n', at) + 1 - at);
  return s;
}

const char* kViewsForm = R"(object ViewsForm: TViewsForm
  Left = 40
  Top = 40
  Caption = 'Views'
  ClientWidth = 560
  ClientHeight = 420
  object lvFiles: TListView
    Left = 8
    Top = 8
    Width = 320
    Height = 160
    ViewStyle = vsReport
    Columns = <
      item
        Caption = 'Name'
        Width = 140
      end
      item
        Alignment = taRightJustify
        Caption = 'Size'
        Width = 80
      end>
    Items.ItemList = (
      'alpha.fbk' 0 -1 -1 1 '10'
      'beta.fbk' 1 -1 -1 2 '20' 'x'
      'gamma.fbk' 2 -1 0 1 '30')
    OnChange = lvFilesChange
    OnChanging = lvFilesChanging
    OnColumnClick = lvFilesColumnClick
    OnDblClick = lvFilesDblClick
    OnEdited = lvFilesEdited
    OnEditing = lvFilesEditing
    OnSelectItem = lvFilesSelectItem
  end
  object tvFolders: TTreeView
    Left = 8
    Top = 180
    Width = 240
    Height = 220
    Items.NodeList = (
      0 'Root' 0 1 -1 -1
      1 'Child A' 2 3 -1 -1
      2 'Leaf' 4 4 -1 -1
      1 'Child B' 0 0 -1 -1
      0 'Second' 0 0 -1 -1)
    OnChange = tvFoldersChange
    OnChanging = tvFoldersChanging
    OnCollapsed = tvFoldersCollapsed
    OnCollapsing = tvFoldersCollapsing
    OnDeletion = tvFoldersDeletion
    OnEdited = tvFoldersEdited
    OnEditing = tvFoldersEditing
    OnExpanded = tvFoldersExpanded
    OnExpanding = tvFoldersExpanding
  end
  object pnOther: TPanel
    Left = 340
    Top = 8
    Width = 210
    Height = 300
  end
end
)";

POINT Mid(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class ComCtrlsTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    RegisterComCtrls();
    RegisterClass(TViewsForm::StaticClass());
    RegisterFormResource("TViewsForm", kViewsForm);
    Form = New<TViewsForm>(Application);
    Form->Show();
    Pump();
  }
  void TearDown() override {
    Form->Free();
    UnregisterFormResource("TViewsForm");
    FormsTest::TearDown();
  }
  // A click at a point of a control's client area.
  static void ClickAt(TWinControl* c, POINT p, int button = VK_LBUTTON) {
    ::ClientToScreen(c->Handle(), &p);
    headless::Click(p.x, p.y, button);
    Pump();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Pump();
  }
  std::vector<std::string> TakeEvents() {
    std::vector<std::string> e;
    e.swap(Form->Events);
    return e;
  }
  TListItem* Item(int i) { return Form->lvFiles->Items()->Item(i); }
  TTreeNode* Node(int i) { return Form->tvFolders->Items()->Item(i); }
  // The x of the expand button of a node: the first point of its row that hits the button.
  int ButtonX(TTreeNode* n) {
    RECT r = n->DisplayRect(true);
    for (int x = 0; x < r.left; ++x)
      if (Form->tvFolders->GetHitTestInfoAt(x, Mid(r).y).Contains(htOnButton)) return x + 2;
    return -1;
  }
  TViewsForm* Form = nullptr;
};

}  // namespace

TEST_F(ComCtrlsTest, ReadsItemsColumnsAndNodesFromText) {
  TListView* lv = Form->lvFiles;
  ASSERT_EQ(lv->Columns()->Count(), 2);
  EXPECT_EQ(lv->Column(1)->Caption(), "Size");
  EXPECT_EQ(lv->Column(1)->Alignment(), taRightJustify);
  EXPECT_EQ(lv->Column(0)->Width(), 140);
  ASSERT_EQ(lv->Items()->Count(), 3);
  EXPECT_EQ(Item(1)->Caption(), "beta.fbk");
  EXPECT_EQ(Item(1)->ImageIndex(), 1);
  ASSERT_EQ(Item(1)->SubItems()->Count(), 2);
  EXPECT_EQ(Item(1)->SubItems()->Strings(1), "x");
  EXPECT_EQ(Item(2)->OverlayIndex(), 0);
  // The window holds the same rows and shows the texts the items hold.
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
  char buf[32] = {};
  LVITEM it{};
  it.iSubItem = 1;
  it.pszText = buf;
  it.cchTextMax = sizeof(buf);
  ::SendMessage(lv->Handle(), LVM_GETITEMTEXT, 2, reinterpret_cast<LPARAM>(&it));
  EXPECT_STREQ(buf, "30");

  TTreeView* tv = Form->tvFolders;
  ASSERT_EQ(tv->Items()->Count(), 5);
  TTreeNode* root = tv->Items()->GetFirstNode();
  EXPECT_EQ(root->Text(), "Root");
  EXPECT_EQ(root->Count(), 2);
  EXPECT_TRUE(root->HasChildren());
  EXPECT_EQ(root->SelectedIndex(), 1);
  TTreeNode* leaf = root->getFirstChild()->getFirstChild();
  EXPECT_EQ(leaf->Text(), "Leaf");
  EXPECT_EQ(leaf->Level(), 2);
  EXPECT_EQ(leaf->AbsoluteIndex(), 2);
  EXPECT_EQ(leaf->GetNext()->Text(), "Child B");
  EXPECT_EQ(root->getNextSibling()->Text(), "Second");
  EXPECT_EQ(::SendMessage(tv->Handle(), TVM_GETCOUNT, 0, 0), 5);
  EXPECT_TRUE(Form->Events.empty());  // streaming in is nobody's change
}

TEST_F(ComCtrlsTest, ItemsAndNodesWriteBackToTheSameText) {
  String list = ComponentToText(Form->lvFiles);
  EXPECT_NE(list.find("Items.ItemList = ("), String::npos) << list;
  auto* copy = New<TListView>(nullptr);
  ReadComponentFromText(list, copy);
  ASSERT_EQ(copy->Items()->Count(), 3);
  EXPECT_EQ(copy->Items()->Item(1)->SubItems()->Text(), Item(1)->SubItems()->Text());
  EXPECT_EQ(copy->Columns()->Count(), 2);
  EXPECT_EQ(ComponentToText(copy), WithoutTabOrder(list));
  copy->Free();

  String tree = ComponentToText(Form->tvFolders);
  auto* tcopy = New<TTreeView>(nullptr);
  ReadComponentFromText(tree, tcopy);
  EXPECT_EQ(tcopy->Items()->Count(), 5);
  EXPECT_EQ(tcopy->Items()->Item(2)->Level(), 2);
  EXPECT_EQ(ComponentToText(tcopy), WithoutTabOrder(tree));
  tcopy->Free();
}

TEST_F(ComCtrlsTest, AddingAndDeletingItemsKeepsIndexesAndWindowInStep) {
  TListView* lv = Form->lvFiles;
  std::vector<std::string> deleted;
  lv->OnDeletion = [&](TObject*, TListItem* i) { deleted.push_back(i->Caption()); };
  TListItem* added = lv->Items()->Insert(1);
  added->SetCaption("inserted");
  added->SubItems()->Add("5");
  EXPECT_EQ(added->Index(), 1);
  EXPECT_EQ(Item(2)->Caption(), "beta.fbk");
  EXPECT_EQ(Item(2)->Index(), 2);
  lv->Items()->Delete(0);
  EXPECT_EQ(deleted, std::vector<std::string>{"alpha.fbk"});
  EXPECT_EQ(added->Index(), 0);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
  // The window's rows carry the items in the same order.
  for (int i = 0; i < 3; ++i) {
    LVITEM it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    ::SendMessage(lv->Handle(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(reinterpret_cast<TListItem*>(it.lParam), Item(i));
  }
  // Painting asks the items for their texts: the new row's label is drawn.
  Pump();
  RECT r = added->DisplayRect(drLabel);
  std::map<uint32_t, int> colors;
  for (int x = r.left; x < r.right; ++x)
    for (int y = r.top; y < r.bottom; ++y) ++colors[headless::Pixel(lv->Handle(), x, y)];
  EXPECT_GT(colors.size(), 1u) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  // Freeing an item deletes it from the list.
  Item(1)->Free();
  EXPECT_EQ(deleted.back(), "beta.fbk");
  EXPECT_EQ(Item(1)->Caption(), "gamma.fbk");
  EXPECT_EQ(Item(1)->Index(), 1);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
  lv->Items()->Clear();
  EXPECT_EQ(deleted.size(), 4u);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ComCtrlsTest, SortedListKeepsOrderInModelAndWindow) {
  TListView* lv = Form->lvFiles;
  lv->SetSortType(stText);
  lv->Items()->Add()->SetCaption("Aardvark");
  lv->Items()->Add()->SetCaption("delta");
  std::vector<std::string> captions;
  for (int i = 0; i < lv->Items()->Count(); ++i) captions.push_back(Item(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"Aardvark", "alpha.fbk", "beta.fbk", "delta", "gamma.fbk"}));
  // A handler decides the order: longest caption first.
  lv->OnCompare = [](TObject*, TListItem* a, TListItem* b, int32_t, int32_t& r) {
    r = static_cast<int32_t>(b->Caption().size()) - static_cast<int32_t>(a->Caption().size());
  };
  lv->AlphaSort();
  EXPECT_EQ(Item(0)->Caption(), "alpha.fbk");  // equal keys keep their order
  EXPECT_EQ(Item(1)->Caption(), "gamma.fbk");
  EXPECT_EQ(Item(4)->Caption(), "delta");
  for (int i = 0; i < lv->Items()->Count(); ++i) {
    LVITEM it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    ::SendMessage(lv->Handle(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(reinterpret_cast<TListItem*>(it.lParam), Item(i)) << i;
  }
}

TEST_F(ComCtrlsTest, MouseAndKeysSelectWithEventsInOrder) {
  TListView* lv = Form->lvFiles;
  ClickAt(lv, Mid(Item(0)->DisplayRect(drLabel)));
  EXPECT_EQ(lv->Selected(), Item(0));
  EXPECT_EQ(lv->ItemFocused(), Item(0));
  EXPECT_TRUE(lv->Focused());
  std::vector<std::string> first = TakeEvents();
  ASSERT_GE(first.size(), 3u);
  EXPECT_EQ(first[0], "changing alpha.fbk");
  EXPECT_EQ(first[1], "change alpha.fbk");
  EXPECT_EQ(first[2], "select alpha.fbk");

  // Down: the old item is given up before the new one is taken.
  Key(VK_DOWN);
  EXPECT_EQ(lv->Selected(), Item(1));
  std::vector<std::string> e = TakeEvents();
  auto at = [&](const std::string& s) { return std::find(e.begin(), e.end(), s) - e.begin(); };
  ASSERT_LT(at("unselect alpha.fbk"), static_cast<long>(e.size()));
  ASSERT_LT(at("select beta.fbk"), static_cast<long>(e.size()));
  EXPECT_LT(at("unselect alpha.fbk"), at("select beta.fbk"));
  EXPECT_LT(at("changing beta.fbk"), at("select beta.fbk"));
  EXPECT_EQ(lv->SelCount(), 1);

  // A refused change keeps the selection where it is.
  Form->VetoChanging = true;
  ClickAt(lv, Mid(Item(2)->DisplayRect(drLabel)));
  Form->VetoChanging = false;
  EXPECT_EQ(lv->Selected(), Item(1));
  EXPECT_FALSE(Item(2)->Selected());

  // Programmatic selection in a single-selection list drops the old one, with the same events.
  TakeEvents();
  lv->SetSelected(Item(2));
  EXPECT_FALSE(Item(1)->Selected());
  EXPECT_TRUE(Item(2)->Selected());
  e = TakeEvents();
  EXPECT_NE(std::find(e.begin(), e.end(), "unselect beta.fbk"), e.end());
  EXPECT_NE(std::find(e.begin(), e.end(), "select gamma.fbk"), e.end());

  // Double click and column click reach their events.
  ClickAt(lv, Mid(Item(0)->DisplayRect(drLabel)));
  ClickAt(lv, Mid(Item(0)->DisplayRect(drLabel)));
  e = TakeEvents();
  EXPECT_NE(std::find(e.begin(), e.end(), "dblclick"), e.end());
  HWND header = reinterpret_cast<HWND>(::SendMessage(lv->Handle(), LVM_GETHEADER, 0, 0));
  POINT p{160, 5};
  ::ClientToScreen(header, &p);
  headless::Click(p.x, p.y);
  Pump();
  e = TakeEvents();
  EXPECT_EQ(e, std::vector<std::string>{"column Size"});
}

TEST_F(ComCtrlsTest, MultiSelectTakesControlAndShiftClicks) {
  TListView* lv = Form->lvFiles;
  lv->SetMultiSelect(true);
  ClickAt(lv, Mid(Item(0)->DisplayRect(drLabel)));
  headless::KeyDown(VK_CONTROL);
  ClickAt(lv, Mid(Item(2)->DisplayRect(drLabel)));
  headless::KeyUp(VK_CONTROL);
  EXPECT_EQ(lv->SelCount(), 2);
  EXPECT_FALSE(Item(1)->Selected());
  EXPECT_EQ(lv->GetNextItem(Item(0), sdAll, TItemStates{isSelected}), Item(2));
  headless::KeyDown(VK_SHIFT);
  Key(VK_UP);
  headless::KeyUp(VK_SHIFT);
  EXPECT_EQ(lv->ItemFocused(), Item(1));
}

TEST_F(ComCtrlsTest, OwnerDataListAsksOnlyForWhatItShows) {
  TListView* lv = Form->lvFiles;
  lv->SetOwnerData(true);
  std::map<int, int> asked;
  lv->OnData = [&](TObject*, TListItem* item) {
    ++asked[item->Index()];
    item->SetCaption("row " + IntToStr(item->Index()));
    item->SubItems()->Add(IntToStr(item->Index() * 10));
    item->SetImageIndex(item->Index() % 2);
  };
  lv->OnDataFind = [](TObject*, TItemFind find, const String& s, POINT, void*, int32_t start, TSearchDirection, bool,
                      int32_t& index) {
    if (find == ifExactString && s.rfind("row ", 0) == 0) index = StrToInt(s.substr(4));
    (void)start;
  };
  lv->Items()->SetCount(100000);
  EXPECT_EQ(lv->Items()->Count(), 100000);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 100000);
  Pump();
  // Only the rows on show were asked for.
  EXPECT_FALSE(asked.empty());
  EXPECT_LT(asked.rbegin()->first, 20);
  EXPECT_EQ(lv->Items()->Item(54321)->Caption(), "row 54321");
  EXPECT_EQ(lv->Items()->Item(7)->SubItems()->Strings(0), "70");
  // A click selects a virtual row; its item comes from OnData too.
  ClickAt(lv, Mid(lv->Items()->Item(3)->DisplayRect(drLabel)));
  ASSERT_NE(lv->Selected(), nullptr);
  EXPECT_EQ(lv->Selected()->Index(), 3);
  EXPECT_EQ(lv->Selected()->Caption(), "row 3");
  std::vector<std::string> e = TakeEvents();
  EXPECT_NE(std::find(e.begin(), e.end(), "select row 3"), e.end());
  TListItem* found = lv->FindCaption(0, "row 777", false, true, false);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Index(), 777);
  EXPECT_EQ(lv->FindCaption(0, "nothing", false, true, false), nullptr);
  // The selection of a virtual row survives a new window.
  lv->SetHideSelection(false);
  ASSERT_NE(lv->Selected(), nullptr);
  EXPECT_EQ(lv->Selected()->Index(), 3);
}

TEST_F(ComCtrlsTest, ListLabelEditingByF2CommitsAndCancels) {
  TListView* lv = Form->lvFiles;
  ClickAt(lv, Mid(Item(1)->DisplayRect(drLabel)));
  TakeEvents();
  Key(VK_F2);
  ASSERT_TRUE(lv->IsEditing());
  HWND edit = reinterpret_cast<HWND>(::SendMessage(lv->Handle(), LVM_GETEDITCONTROL, 0, 0));
  EXPECT_EQ(::GetFocus(), edit);
  headless::TypeText("renamed");
  Pump();
  Key(VK_RETURN);
  EXPECT_FALSE(lv->IsEditing());
  EXPECT_EQ(Item(1)->Caption(), "renamed.fbk");  // the handler's change to the text holds
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"editing beta.fbk", "edited beta.fbk -> renamed"}));
  EXPECT_EQ(::GetFocus(), lv->Handle());

  // Escape cancels: no OnEdited, the caption stays, the form does not take the key.
  Key(VK_F2);
  ASSERT_TRUE(lv->IsEditing());
  headless::TypeText("zzz");
  Key(VK_ESCAPE);
  EXPECT_FALSE(lv->IsEditing());
  EXPECT_EQ(Item(1)->Caption(), "renamed.fbk");
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"editing renamed.fbk"});
  EXPECT_TRUE(Form->Visible());

  // A refusal in OnEditing, and a read-only list, open no editor.
  Form->VetoEditing = true;
  Key(VK_F2);
  EXPECT_FALSE(lv->IsEditing());
  Form->VetoEditing = false;
  lv->SetReadOnly(true);
  EXPECT_FALSE(Item(1)->EditCaption());
  EXPECT_FALSE(lv->IsEditing());
}

TEST_F(ComCtrlsTest, ListHitTests) {
  TListView* lv = Form->lvFiles;
  RECT label = Item(2)->DisplayRect(drLabel);
  EXPECT_EQ(lv->GetItemAt(Mid(label).x, Mid(label).y), Item(2));
  THitTests onLabel = lv->GetHitTestInfoAt(Mid(label).x, Mid(label).y);
  EXPECT_TRUE(onLabel.Contains(htOnItem));
  EXPECT_TRUE(onLabel.Contains(htOnLabel));
  int below = label.bottom + 3 * (label.bottom - label.top);
  EXPECT_EQ(lv->GetItemAt(Mid(label).x, below), nullptr);
  EXPECT_TRUE(lv->GetHitTestInfoAt(Mid(label).x, below).Contains(htNowhere));
  EXPECT_TRUE(lv->GetHitTestInfoAt(Mid(label).x, 10000).Contains(htBelow));
  EXPECT_TRUE(lv->GetHitTestInfoAt(-5, Mid(label).y).Contains(htToLeft));
}

TEST_F(ComCtrlsTest, NewListWindowKeepsItemsAndSelection) {
  TListView* lv = Form->lvFiles;
  lv->SetMultiSelect(true);
  Item(0)->SetSelected(true);
  Item(2)->SetSelected(true);
  Item(2)->SetFocused(true);
  HWND before = lv->Handle();
  TakeEvents();
  lv->SetHideSelection(false);  // takes a new window
  EXPECT_NE(lv->Handle(), before);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(Item(0)->Selected());
  EXPECT_FALSE(Item(1)->Selected());
  EXPECT_TRUE(Item(2)->Selected());
  EXPECT_EQ(lv->ItemFocused(), Item(2));
  EXPECT_EQ(lv->Column(0)->Width(), 140);
  EXPECT_TRUE(TakeEvents().empty());  // the refill is no user's change
  // A new parent is a new window too.
  lv->SetParent(Form->pnOther);
  Pump();
  EXPECT_EQ(lv->SelCount(), 2);
  EXPECT_EQ(Item(1)->Caption(), "beta.fbk");
}

TEST_F(ComCtrlsTest, TreeExpandsByButtonAndKeysWithVeto) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  EXPECT_FALSE(root->Expanded());
  int bx = ButtonX(root);
  ASSERT_GE(bx, 0);
  // A refused expansion leaves the node closed.
  Form->VetoExpanding = true;
  ClickAt(tv, POINT{bx, Mid(root->DisplayRect(true)).y});
  EXPECT_FALSE(root->Expanded());
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"expanding Root"});
  Form->VetoExpanding = false;
  ClickAt(tv, POINT{bx, Mid(root->DisplayRect(true)).y});
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"expanding Root", "expanded Root"}));
  EXPECT_TRUE(root->getFirstChild()->IsVisible());

  // Keys: select Child A, Right expands it, Left collapses, Left again goes to the parent.
  ClickAt(tv, Mid(root->getFirstChild()->DisplayRect(true)));
  TTreeNode* childA = root->getFirstChild();
  EXPECT_EQ(tv->Selected(), childA);
  TakeEvents();
  Key(VK_RIGHT);
  EXPECT_TRUE(childA->Expanded());
  Key(VK_LEFT);
  EXPECT_FALSE(childA->Expanded());
  Key(VK_LEFT);
  EXPECT_EQ(tv->Selected(), root);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"expanding Child A", "expanded Child A", "collapsing Child A",
                                                    "collapsed Child A", "changing Root", "change Root"}));
  // Code asks the same events: a refusal holds for code too.
  Form->VetoExpanding = true;
  childA->Expand(false);
  EXPECT_FALSE(childA->Expanded());
  Form->VetoExpanding = false;
  childA->SetExpanded(true);
  EXPECT_TRUE(childA->Expanded());
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"expanding Child A", "expanding Child A", "expanded Child A"}));
}

TEST_F(ComCtrlsTest, TreeLoadsChildrenWhenFirstExpanded) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* second = tv->Items()->GetFirstNode()->getNextSibling();
  second->SetHasChildren(true);
  tv->OnExpanding = [&](TObject*, TTreeNode* n, bool&) {
    if (n->Count() == 0) {
      tv->Items()->AddChild(n, "lazy 1");
      tv->Items()->AddChild(n, "lazy 2");
    }
  };
  tv->SetSelected(second);
  tv->SetFocus();
  Key(VK_ADD);
  EXPECT_TRUE(second->Expanded());
  ASSERT_EQ(second->Count(), 2);
  EXPECT_EQ(second->getFirstChild()->GetNextVisible()->Text(), "lazy 2");
  // Deleting the last child takes the button away.
  second->DeleteChildren();
  EXPECT_FALSE(second->HasChildren());
  EXPECT_FALSE(second->Expanded());
}

TEST_F(ComCtrlsTest, TreeSelectionFollowsMouseAndDeletion) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  root->Expand(false);
  TTreeNode* childB = root->Item(1);
  ClickAt(tv, Mid(childB->DisplayRect(true)));
  EXPECT_EQ(tv->Selected(), childB);
  TakeEvents();
  // Deleting the selected node moves the selection to a neighbour, with the change events.
  childB->Delete();
  EXPECT_EQ(tv->Selected(), root->Item(0));
  std::vector<std::string> e = TakeEvents();
  EXPECT_NE(std::find(e.begin(), e.end(), "change Child A"), e.end());
  EXPECT_NE(std::find(e.begin(), e.end(), "deletion Child B"), e.end());
  EXPECT_EQ(tv->Items()->Count(), 4);
  // Collapsing a parent of the selection selects the parent.
  root->Item(0)->Expand(false);
  ClickAt(tv, Mid(root->Item(0)->Item(0)->DisplayRect(true)));
  EXPECT_EQ(tv->Selected()->Text(), "Leaf");
  TakeEvents();
  root->Collapse(false);
  EXPECT_EQ(tv->Selected(), root);
  e = TakeEvents();
  EXPECT_NE(std::find(e.begin(), e.end(), "change Root"), e.end());
  // A right click selects only with RightClickSelect.
  TTreeNode* second = root->getNextSibling();
  ClickAt(tv, Mid(second->DisplayRect(true)), VK_RBUTTON);
  EXPECT_EQ(tv->Selected(), root);
  tv->SetRightClickSelect(true);
  ClickAt(tv, Mid(second->DisplayRect(true)), VK_RBUTTON);
  EXPECT_EQ(tv->Selected(), second);
}

TEST_F(ComCtrlsTest, TreeLabelEditingByF2) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* second = tv->Items()->GetFirstNode()->getNextSibling();
  ClickAt(tv, Mid(second->DisplayRect(true)));
  TakeEvents();
  Key(VK_F2);
  ASSERT_TRUE(tv->IsEditing());
  headless::TypeText("Third");
  Pump();
  Key(VK_RETURN);
  EXPECT_FALSE(tv->IsEditing());
  EXPECT_EQ(second->Text(), "Third");
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"editing Second", "edited Second -> Third"}));
  Key(VK_F2);
  headless::TypeText("Fourth");
  Key(VK_ESCAPE);
  EXPECT_EQ(second->Text(), "Third");
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"editing Third"});
  Form->VetoEditing = true;
  EXPECT_FALSE(second->EditText());
}

TEST_F(ComCtrlsTest, TreeHitTests) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  RECT label = root->DisplayRect(true);
  EXPECT_EQ(tv->GetNodeAt(Mid(label).x, Mid(label).y), root);
  THitTests onLabel = tv->GetHitTestInfoAt(Mid(label).x, Mid(label).y);
  EXPECT_TRUE(onLabel.Contains(htOnItem));
  EXPECT_TRUE(onLabel.Contains(htOnLabel));
  EXPECT_TRUE(tv->GetHitTestInfoAt(label.right + 10, Mid(label).y).Contains(htOnRight));
  EXPECT_TRUE(tv->GetHitTestInfoAt(ButtonX(root), Mid(label).y).Contains(htOnButton));
  // The second root has no children: no button, only indent.
  TTreeNode* second = root->getNextSibling();
  RECT r2 = second->DisplayRect(true);
  EXPECT_TRUE(tv->GetHitTestInfoAt(2, Mid(r2).y).Contains(htOnIndent));
  EXPECT_EQ(tv->GetNodeAt(Mid(r2).x, r2.bottom + 5 * (r2.bottom - r2.top)), nullptr);
  EXPECT_TRUE(tv->GetHitTestInfoAt(Mid(r2).x, r2.bottom + 5 * (r2.bottom - r2.top)).Contains(htNowhere));
  EXPECT_TRUE(tv->GetHitTestInfoAt(Mid(r2).x, -3).Contains(htAbove));
  // State images take room before the label and answer as the state icon.
  auto* states = New<TImageList>(Form);
  tv->SetStateImages(states);
  second->SetStateIndex(0);
  RECT moved = second->DisplayRect(true);
  EXPECT_EQ(moved.left, r2.left + states->Width() + 2);
  EXPECT_TRUE(tv->GetHitTestInfoAt(r2.left + 2, Mid(r2).y).Contains(htOnStateIcon));
}

TEST_F(ComCtrlsTest, NewTreeWindowKeepsNodesExpansionAndSelection) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  root->Expand(false);
  root->Item(0)->Expand(false);
  TTreeNode* leaf = root->Item(0)->Item(0);
  tv->SetSelected(leaf);
  HWND before = tv->Handle();
  TakeEvents();
  tv->SetShowLines(false);  // takes a new window
  EXPECT_NE(tv->Handle(), before);
  EXPECT_EQ(::SendMessage(tv->Handle(), TVM_GETCOUNT, 0, 0), 5);
  EXPECT_TRUE(root->Expanded());
  EXPECT_TRUE(root->Item(0)->Expanded());
  EXPECT_FALSE(root->Item(1)->Expanded());
  EXPECT_EQ(tv->Selected(), leaf);
  EXPECT_TRUE(TakeEvents().empty());
  tv->SetParent(Form->pnOther);
  Pump();
  EXPECT_EQ(tv->Selected(), leaf);
  EXPECT_NE(leaf->DisplayRect(true).right, 0);
}

TEST_F(ComCtrlsTest, TreeMovesAndSortsNodes) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  TTreeNode* second = root->getNextSibling();
  root->Expand(false);
  TTreeNode* childB = root->Item(1);
  childB->MoveTo(second, naAddChild);
  EXPECT_EQ(childB->Parent(), second);
  EXPECT_TRUE(second->HasChildren());
  EXPECT_EQ(root->Count(), 1);
  EXPECT_EQ(childB->AbsoluteIndex(), 4);
  // The window follows: the node is found under its new parent.
  HTREEITEM kid = reinterpret_cast<HTREEITEM>(
      ::SendMessage(tv->Handle(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(second->ItemId())));
  EXPECT_EQ(tv->Items()->GetNode(kid), childB);

  tv->Items()->AddChild(second, "Alpha");
  tv->Items()->AddChild(second, "beta");
  tv->SetSortType(stText);
  std::vector<std::string> names;
  for (TTreeNode* n = second->getFirstChild(); n; n = n->getNextSibling()) names.push_back(n->Text());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Child B"}));
  tv->Items()->AddChild(second, "Zeta")->SetText("Aaa");
  EXPECT_EQ(second->getFirstChild()->Text(), "Aaa");
  // Window order matches.
  HTREEITEM h = reinterpret_cast<HTREEITEM>(
      ::SendMessage(tv->Handle(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(second->ItemId())));
  for (TTreeNode* n = second->getFirstChild(); n; n = n->getNextSibling()) {
    EXPECT_EQ(tv->Items()->GetNode(h), n);
    h = reinterpret_cast<HTREEITEM>(::SendMessage(tv->Handle(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h)));
  }
  EXPECT_THROW(second->MoveTo(second->getFirstChild(), naAddChild), EInvalidOperation);

  // Freeing a node deletes it with its children, children first.
  TakeEvents();
  root->Free();
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"deletion Leaf", "deletion Child A", "deletion Root"}));
  EXPECT_EQ(tv->Items()->GetFirstNode(), second);
  EXPECT_EQ(::SendMessage(tv->Handle(), TVM_GETCOUNT, 0, 0), tv->Items()->Count());
  // A tree that does not restore its nodes loses them with its window.
  tv->SetCreateWndRestores(false);
  tv->SetShowRoot(false);
  EXPECT_EQ(tv->Items()->Count(), 0);
  EXPECT_EQ(TakeEvents().size(), 5u);
}

TEST_F(ComCtrlsTest, ImagesComeFromHandlersAndImageListsGoAway) {
  TTreeView* tv = Form->tvFolders;
  auto* images = New<TImageList>(Form);
  tv->SetImages(images);
  int asked = 0;
  tv->OnGetImageIndex = [&](TObject*, TTreeNode* n) {
    ++asked;
    n->SetImageIndex(7);
  };
  tv->Invalidate();
  Pump();
  EXPECT_GT(asked, 0);
  EXPECT_EQ(tv->Items()->GetFirstNode()->ImageIndex(), 7);
  TListView* lv = Form->lvFiles;
  lv->SetSmallImages(images);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessage(lv->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)), images->Handle());
  images->Free();
  EXPECT_EQ(tv->Images(), nullptr);
  EXPECT_EQ(lv->SmallImages(), nullptr);
  EXPECT_EQ(::SendMessage(lv->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
  Pump();
}

TEST_F(ComCtrlsTest, EveryViewStyleHitsAndSelectsItsItems) {
  TListView* lv = Form->lvFiles;
  for (TViewStyle style : {vsIcon, vsSmallIcon, vsList, vsReport}) {
    SCOPED_TRACE(static_cast<int>(style));
    lv->SetViewStyle(style);
    lv->SetSelected(nullptr);
    headless::AdvanceClock(1000);  // the clicks of two styles make no double click
    Pump();
    RECT r = Item(2)->DisplayRect(drLabel);
    ASSERT_LT(r.left, r.right);
    EXPECT_EQ(lv->GetItemAt(Mid(r).x, Mid(r).y), Item(2));
    ClickAt(lv, Mid(r));
    EXPECT_EQ(lv->Selected(), Item(2));
    EXPECT_EQ(lv->SelCount(), 1);
  }
}

TEST_F(ComCtrlsTest, TreeKeysMoveTheSelectionUnlessRefused) {
  TTreeView* tv = Form->tvFolders;
  TTreeNode* root = tv->Items()->GetFirstNode();
  tv->SetFocus();
  Key(VK_HOME);
  EXPECT_EQ(tv->Selected(), root);
  Key(VK_DOWN);
  EXPECT_EQ(tv->Selected(), root->getNextSibling());  // the collapsed root's children are skipped
  Key(VK_UP);
  EXPECT_EQ(tv->Selected(), root);
  TakeEvents();
  Form->VetoChanging = true;
  Key(VK_END);
  EXPECT_EQ(tv->Selected(), root);
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"changing Second"});
}

TEST_F(ComCtrlsTest, DelayedChangeReportsWhereTheSelectionStops) {
  TTreeView* tv = Form->tvFolders;
  tv->SetChangeDelay(300);
  tv->SetFocus();
  Key(VK_HOME);
  Key(VK_DOWN);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"changing Root", "changing Second"}));
  headless::AdvanceClock(200);
  Pump();
  Key(VK_UP);
  headless::AdvanceClock(200);
  Pump();
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"changing Root"});  // each move restarts the wait
  headless::AdvanceClock(150);
  Pump();
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"change Root"});
  headless::AdvanceClock(1000);
  Pump();
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ComCtrlsTest, DoubleBufferedViewsPaintTheirItems) {
  // Double buffering hands the views a memory device context in WM_PAINT's wParam.
  for (TWinControl* c : std::vector<TWinControl*>{Form->lvFiles, Form->tvFolders}) {
    c->SetDoubleBuffered(true);
    c->Invalidate();
  }
  Pump();
  auto inked = [](HWND h, RECT r) {
    std::map<uint32_t, int> colors;
    for (int x = r.left; x < r.right; ++x)
      for (int y = r.top; y < r.bottom; ++y) ++colors[headless::Pixel(h, x, y)];
    return colors.size() > 1;
  };
  EXPECT_TRUE(inked(Form->lvFiles->Handle(), Item(1)->DisplayRect(drLabel)));
  EXPECT_TRUE(inked(Form->tvFolders->Handle(), Form->tvFolders->Items()->GetFirstNode()->DisplayRect(true)));
}
