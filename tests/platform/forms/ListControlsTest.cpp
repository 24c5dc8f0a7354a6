// List boxes, check list boxes, combo boxes, radio buttons and groups, picture buttons and the file list,
// driven through the headless input like a user.

#include <unistd.h>

#include <fstream>

#include "FormsSupport.h"
#include "forms/Buttons.h"
#include "forms/CheckLst.h"
#include "forms/FileCtrl.h"
#include "forms/StdCtrls.h"
#include "rtl/Files.h"

using namespace ft;

namespace {

class ListControlsTest : public FormsTest {
protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(50, 50, 420, 320);
  }
  void TearDown() override {
    Form->Free();
    FormsTest::TearDown();
  }
  template <class T>
  T* Add(int l, int t, int w, int h) {
    auto* c = New<T>(Form);
    c->SetParent(Form);
    c->SetBounds(l, t, w, h);
    return c;
  }
  void ShowIt() {
    Form->Show();
    Pump();
  }
  // Clicks at a client point of a control.
  static void ClickAt(TControl* c, int x, int y, int button = VK_LBUTTON) {
    POINT p = c->ClientToScreen(POINT{x, y});
    headless::Click(p.x, p.y, button);
    Pump();
  }
  static void Key(int vk) {
    headless::KeyPress(vk);
    Pump();
  }
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(ListControlsTest, ListBoxKeepsItemsAndSelectionAcrossItsWindow) {
  auto* lb = Add<TListBox>(10, 10, 150, 120);
  lb->Items()->Add("pear");
  lb->Items()->Add("Apple");
  lb->Items()->AddObject("fig", lb);
  lb->SetItemIndex(1);
  EXPECT_FALSE(lb->HandleAllocated());
  ShowIt();
  ASSERT_TRUE(lb->HandleAllocated());
  EXPECT_EQ(lb->Items()->Count(), 3);
  EXPECT_EQ(lb->ItemIndex(), 1);
  EXPECT_EQ(lb->Items()->Objects(2), lb);
  // Sorting is the window's: a new window sorts the items as they go in.
  lb->SetSorted(true);
  EXPECT_EQ(lb->Items()->CommaText(), "Apple,fig,pear");
  EXPECT_EQ(lb->Items()->Objects(1), lb);
  lb->Items()->Add("banana");
  EXPECT_EQ(lb->Items()->IndexOf("BANANA"), 1);
  lb->Items()->SetStrings(0, "apricot");
  EXPECT_EQ(lb->Items()->Strings(0), "apricot");
  lb->Items()->Delete(0);
  EXPECT_EQ(lb->Items()->CommaText(), "banana,fig,pear");
  EXPECT_THROW(lb->Items()->Strings(7), Exception);
}

TEST_F(ListControlsTest, ListBoxSelectsByMouseAndKeyboardWithOnClick) {
  auto* lb = Add<TListBox>(10, 10, 150, 120);
  for (const char* s : {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"})
    lb->Items()->Add(s);
  int clicks = 0, dbl = 0;
  lb->OnClick = [&](TObject*) { ++clicks; };
  lb->OnDblClick = [&](TObject*) { ++dbl; };
  ShowIt();
  int h = lb->ItemHeight();
  ASSERT_GT(h, 0);
  ClickAt(lb, 20, h * 2 + h / 2);
  EXPECT_EQ(lb->ItemIndex(), 2);
  EXPECT_TRUE(lb->Focused());
  EXPECT_EQ(clicks, 1);
  Key(VK_DOWN);
  EXPECT_EQ(lb->ItemIndex(), 3);
  Key(VK_END);
  EXPECT_EQ(lb->ItemIndex(), 9);
  EXPECT_GT(lb->TopIndex(), 0);  // scrolled to show the last item
  EXPECT_EQ(clicks, 3);
  headless::TypeText("t");
  Pump();
  EXPECT_EQ(lb->Items()->Strings(lb->ItemIndex()), "two");  // the next item starting with the letter
  lb->SetTopIndex(0);
  ClickAt(lb, 20, h / 2);
  ClickAt(lb, 20, h / 2);
  EXPECT_EQ(dbl, 1);
  // Setting ItemIndex from the program is no click.
  int before = clicks;
  lb->SetItemIndex(5);
  EXPECT_EQ(clicks, before);
  EXPECT_TRUE(lb->Selected(5));
}

TEST_F(ListControlsTest, ExtendedSelectionWithShiftAndCtrl) {
  auto* lb = Add<TListBox>(10, 10, 150, 150);
  for (int i = 0; i < 8; ++i) lb->Items()->Add("item " + std::to_string(i));
  lb->SetMultiSelect(true);
  ShowIt();
  int h = lb->ItemHeight();
  ClickAt(lb, 20, h * 1 + 2);
  headless::KeyDown(VK_SHIFT);
  ClickAt(lb, 20, h * 4 + 2);
  headless::KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(lb->SelCount(), 4);
  headless::KeyDown(VK_CONTROL);
  ClickAt(lb, 20, h * 6 + 2);
  ClickAt(lb, 20, h * 2 + 2);
  headless::KeyUp(VK_CONTROL);
  Pump();
  std::vector<int> sel;
  for (int i = 0; i < 8; ++i)
    if (lb->Selected(i)) sel.push_back(i);
  EXPECT_EQ(sel, (std::vector<int>{1, 3, 4, 6}));
  // Selection survives a new window.
  lb->SetSorted(true);
  EXPECT_EQ(lb->SelCount(), 4);
  lb->ClearSelection();
  EXPECT_EQ(lb->SelCount(), 0);
  lb->SetSelected(7, true);
  EXPECT_TRUE(lb->Selected(7));
}

TEST_F(ListControlsTest, OwnerDrawnItemsGoThroughTheCanvas) {
  auto* lb = Add<TListBox>(10, 10, 150, 100);
  lb->SetStyle(lbOwnerDrawFixed);
  lb->SetItemHeight(20);
  for (const char* s : {"red", "green", "blue"}) lb->Items()->Add(s);
  lb->SetItemIndex(1);
  std::vector<std::pair<int, bool>> drawn;
  lb->OnDrawItem = [&](TWinControl* c, int32_t index, RECT r, TOwnerDrawState state) {
    drawn.emplace_back(index, state.Contains(odSelected));
    auto* list = static_cast<TListBox*>(c);
    list->Canvas()->Brush()->SetColor(index == 0 ? clRed : index == 1 ? clLime : clBlue);
    list->Canvas()->FillRect(r);
  };
  ShowIt();
  UpdateWindow(lb->Handle());
  ASSERT_GE(drawn.size(), 3u);
  EXPECT_EQ(lb->ItemHeight(), 20);
  EXPECT_EQ(lb->ItemRect(2).top, 40);
  EXPECT_TRUE(std::count(drawn.begin(), drawn.end(), std::make_pair(1, true)) > 0);
  EXPECT_TRUE(std::count(drawn.begin(), drawn.end(), std::make_pair(0, false)) > 0);
  EXPECT_EQ(headless::Pixel(lb->Handle(), 50, 10), 0xFF0000u);
  EXPECT_EQ(headless::Pixel(lb->Handle(), 50, 50), 0x0000FFu);

  // Variable heights come from OnMeasureItem, item by item.
  auto* vb = Add<TListBox>(200, 10, 150, 200);
  vb->SetStyle(lbOwnerDrawVariable);
  vb->OnMeasureItem = [](TWinControl*, int32_t index, int32_t& height) { height = 10 + 5 * index; };
  for (const char* s : {"a", "b", "c"}) vb->Items()->Add(s);
  EXPECT_EQ(vb->ItemRect(1).top, 10);
  EXPECT_EQ(vb->ItemRect(2).top, 25);
  EXPECT_EQ(vb->ItemRect(2).bottom, 45);
}

TEST_F(ListControlsTest, CheckListBoxTogglesByBoxClickAndSpace) {
  auto* cl = Add<TCheckListBox>(10, 10, 160, 120);
  for (const char* s : {"alpha", "beta", "gamma"}) cl->Items()->Add(s);
  cl->SetChecked(2, true);
  std::vector<int> checks;
  cl->OnClickCheck = [&](TObject*) { checks.push_back(cl->ItemIndex()); };
  ShowIt();
  int h = cl->ItemHeight();
  // A click on the text selects without toggling; a click on the box toggles.
  ClickAt(cl, 60, h / 2);
  EXPECT_EQ(cl->ItemIndex(), 0);
  EXPECT_FALSE(cl->Checked(0));
  ClickAt(cl, 6, h + h / 2);
  EXPECT_EQ(cl->ItemIndex(), 1);
  EXPECT_TRUE(cl->Checked(1));
  Key(VK_SPACE);
  EXPECT_FALSE(cl->Checked(1));
  EXPECT_EQ(checks, (std::vector<int>{1, 1}));
  cl->SetAllowGrayed(true);
  Key(VK_SPACE);
  EXPECT_EQ(cl->State(1), cbGrayed);
  Key(VK_SPACE);
  EXPECT_EQ(cl->State(1), cbChecked);
  // States follow their items when others come and go, and a disabled item keeps its state.
  cl->Items()->Insert(0, "first");
  EXPECT_TRUE(cl->Checked(2));
  EXPECT_TRUE(cl->Checked(3));
  cl->Items()->Delete(0);
  EXPECT_TRUE(cl->Checked(1));
  cl->SetItemEnabled(0, false);
  ClickAt(cl, 6, h / 2);
  EXPECT_FALSE(cl->Checked(0));
  // Sorting moves the states with their items.
  cl->Items()->Strings(0);
  cl->Items()->Add("aardvark");
  cl->SetChecked(3, true);
  cl->SetSorted(true);
  EXPECT_EQ(cl->Items()->CommaText(), "aardvark,alpha,beta,gamma");
  EXPECT_TRUE(cl->Checked(0));
  EXPECT_FALSE(cl->Checked(1));
  EXPECT_FALSE(cl->ItemEnabled(1));
  EXPECT_TRUE(cl->Checked(2));
  EXPECT_TRUE(cl->Checked(3));
  EXPECT_THROW(cl->SetChecked(9, true), Exception);
}

TEST_F(ListControlsTest, DropDownListSelectsByKeysAndReportsInPlatformOrder) {
  auto* cb = Add<TComboBox>(10, 10, 150, 21);
  cb->SetStyle(csDropDownList);
  for (const char* s : {"Novell SPX", "NetBEUI", "TCP/IP"}) cb->Items()->Add(s);
  std::vector<std::string> log;
  cb->OnChange = [&](TObject*) { log.push_back("change " + cb->Text()); };
  cb->OnSelect = [&](TObject*) { log.push_back("select " + std::to_string(cb->ItemIndex())); };
  cb->OnClick = [&](TObject*) { log.push_back("click"); };
  cb->OnDropDown = [&](TObject*) { log.push_back("dropdown"); };
  cb->OnCloseUp = [&](TObject*) { log.push_back("closeup"); };
  ShowIt();
  cb->SetFocus();
  Key(VK_DOWN);
  EXPECT_EQ(cb->ItemIndex(), 0);
  EXPECT_EQ(cb->Text(), "Novell SPX");
  headless::KeyDown(VK_MENU);
  Key(VK_DOWN);
  headless::KeyUp(VK_MENU);
  Pump();
  EXPECT_TRUE(cb->DroppedDown());
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(cb->DroppedDown());
  EXPECT_EQ(cb->ItemIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"click", "select 0", "dropdown", "closeup", "click", "select 1"}));
  // Items and the selection survive a new window.
  cb->SetSorted(true);
  EXPECT_EQ(cb->Items()->CommaText(), "NetBEUI,\"Novell SPX\",TCP/IP");
  EXPECT_EQ(cb->Text(), "NetBEUI");
}

TEST_F(ListControlsTest, DropDownComboTypesWithCharCaseAndFollowsItems) {
  auto* cb = Add<TComboBox>(10, 10, 150, 21);
  cb->Items()->Add("first");
  cb->Items()->Add("second");
  cb->SetCharCase(ecUpperCase);
  std::vector<std::string> changes;
  cb->OnChange = [&](TObject*) { changes.push_back(cb->Text()); };
  ShowIt();
  cb->SetFocus();
  headless::TypeText("ab");
  Pump();
  EXPECT_EQ(cb->Text(), "AB");
  EXPECT_EQ(changes, (std::vector<std::string>{"A", "AB"}));
  EXPECT_EQ(cb->ItemIndex(), -1);
  cb->SetItemIndex(1);
  EXPECT_EQ(cb->Text(), "second");
  cb->Items()->Clear();
  EXPECT_EQ(cb->Items()->Count(), 0);
  EXPECT_EQ(cb->DropDownCount(), 8);
  cb->SetStyle(csSimple);
  EXPECT_EQ(cb->Style(), csSimple);
}

TEST_F(ListControlsTest, RadioButtonsClearSiblingsAndArrowsMoveWithinTheGroup) {
  auto* group = Add<TPanel>(10, 10, 200, 100);
  auto* other = Add<TRadioButton>(220, 10, 100, 17);
  std::vector<TRadioButton*> rb;
  for (int i = 0; i < 3; ++i) {
    auto* r = New<TRadioButton>(Form);
    r->SetParent(group);
    r->SetBounds(8, 8 + 20 * i, 120, 17);
    r->SetCaption(i == 2 ? "&Third" : "Option");
    rb.push_back(r);
  }
  other->SetChecked(true);
  int clicks = 0;
  rb[1]->OnClick = [&](TObject*) { ++clicks; };
  ShowIt();
  ClickOn(rb[0]);
  EXPECT_TRUE(rb[0]->Checked());
  EXPECT_TRUE(other->Checked());  // another parent, another group
  EXPECT_TRUE(rb[0]->TabStop());
  EXPECT_FALSE(rb[1]->TabStop());
  Key(VK_DOWN);
  EXPECT_TRUE(rb[1]->Focused());
  EXPECT_TRUE(rb[1]->Checked());
  EXPECT_FALSE(rb[0]->Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(SendMessage(rb[0]->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // Alt and the marked letter check the button.
  headless::KeyDown(VK_MENU);
  headless::KeyPress('T');
  headless::KeyUp(VK_MENU);
  Pump();
  EXPECT_TRUE(rb[2]->Checked());
  EXPECT_TRUE(rb[2]->Focused());
}

TEST_F(ListControlsTest, RadioGroupMakesButtonsFromItems) {
  auto* g = Add<TRadioGroup>(10, 10, 300, 100);
  g->SetCaption("Mode");
  g->Items()->Add("Local");
  g->Items()->Add("Network");
  g->Items()->Add("Embedded");
  g->Items()->Add("Other");
  g->SetColumns(2);
  g->SetItemIndex(1);
  int clicks = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  ShowIt();
  ASSERT_EQ(g->ButtonCount(), 4);
  EXPECT_TRUE(g->Buttons(1)->Checked());
  EXPECT_EQ(g->Buttons(1)->Caption(), "Network");
  // Two columns of two rows.
  EXPECT_EQ(g->Buttons(0)->Left(), g->Buttons(1)->Left());
  EXPECT_GT(g->Buttons(2)->Left(), g->Buttons(0)->Left());
  EXPECT_EQ(g->Buttons(2)->Top(), g->Buttons(0)->Top());
  EXPECT_EQ(clicks, 0);
  ClickOn(g->Buttons(3));
  EXPECT_EQ(g->ItemIndex(), 3);
  EXPECT_FALSE(g->Buttons(1)->Checked());
  EXPECT_EQ(clicks, 1);
  Key(VK_UP);
  EXPECT_EQ(g->ItemIndex(), 2);
  g->Items()->Delete(3);
  EXPECT_EQ(g->ButtonCount(), 3);
  g->SetItemIndex(-1);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(g->Buttons(i)->Checked());
  EXPECT_EQ(Form->ComponentCount(), 1);  // the buttons belong to the group
}

TEST_F(ListControlsTest, BitBtnKindsGiveCaptionsAndModalResults) {
  struct Case {
    TBitBtnKind kind;
    const char* caption;
    TModalResult result;
    bool isDefault, isCancel;
  };
  const Case cases[] = {{bkOK, "OK", mrOk, true, false},         {bkCancel, "Cancel", mrCancel, false, true},
                        {bkYes, "&Yes", mrYes, true, false},     {bkNo, "&No", mrNo, false, true},
                        {bkAbort, "Abort", mrAbort, false, false}, {bkRetry, "&Retry", mrRetry, false, false},
                        {bkIgnore, "&Ignore", mrIgnore, false, false}, {bkAll, "&All", mrAll, false, false},
                        {bkHelp, "&Help", mrNone, false, false},  {bkClose, "&Close", mrNone, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    auto* b = Add<TBitBtn>(10, 10, 75, 25);
    b->SetKind(c.kind);
    EXPECT_EQ(b->Caption(), c.caption);
    EXPECT_EQ(b->ModalResult(), c.result);
    EXPECT_EQ(b->Default(), c.isDefault);
    EXPECT_EQ(b->Cancel(), c.isCancel);
    b->Free();
  }
}

TEST_F(ListControlsTest, BitBtnEndsModalFormAndDrawsItsGlyph) {
  auto* b = Add<TBitBtn>(10, 10, 90, 30);
  b->SetKind(bkCancel);
  auto* glyph = new TBitmap();
  glyph->SetSize(32, 16);  // two pictures: up and disabled
  glyph->Canvas()->Brush()->SetColor(clLime);
  glyph->Canvas()->FillRect(RECT{0, 0, 16, 16});
  glyph->Canvas()->Brush()->SetColor(clBlue);
  glyph->Canvas()->FillRect(RECT{16, 0, 32, 16});
  glyph->Canvas()->SetPixels(0, 15, clFuchsia);  // the transparent colour
  b->SetGlyph(glyph);
  delete glyph;
  EXPECT_EQ(b->NumGlyphs(), 2);
  b->SetMargin(4);
  RunScript({[&] {
               UpdateWindow(b->Handle());
               // Glyph at margin 4 from the 2-pixel face inset, centred vertically.
               EXPECT_EQ(headless::Pixel(b->Handle(), 2 + 4 + 8, 15), 0x00FF00u);
               // Becoming the default button keeps it drawn by the control.
               b->SetDefault(true);
               EXPECT_EQ(GetWindowLong(b->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
             },
             [&] { ClickOn(b); }});
  EXPECT_EQ(Form->ShowModal(), mrCancel);
}

TEST_F(ListControlsTest, ButtonLayoutPlacesGlyphAndCaption) {
  struct Case {
    TButtonLayout layout;
    int margin, spacing;
    RECT glyph, text;
  };
  RECT client{0, 0, 100, 40};
  SIZE g{16, 16}, t{30, 12};
  const Case cases[] = {
      {blGlyphLeft, -1, 4, {25, 12, 41, 28}, {45, 14, 75, 26}},
      {blGlyphLeft, 3, 4, {3, 12, 19, 28}, {23, 14, 53, 26}},
      {blGlyphRight, 3, 2, {81, 12, 97, 28}, {49, 14, 79, 26}},
      {blGlyphTop, 2, 1, {42, 2, 58, 18}, {35, 19, 65, 31}},
      {blGlyphBottom, -1, 0, {42, 18, 58, 34}, {35, 6, 65, 18}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.layout));
    TButtonFaceLayout r = CalcButtonLayout(client, g, t, c.layout, c.margin, c.spacing);
    EXPECT_TRUE(EqualRect(&r.Glyph, &c.glyph)) << r.Glyph.left << "," << r.Glyph.top;
    EXPECT_TRUE(EqualRect(&r.Text, &c.text)) << r.Text.left << "," << r.Text.top;
  }
}

TEST_F(ListControlsTest, SpeedButtonsOfAGroupStayDownOneAtATime) {
  std::vector<TSpeedButton*> sb;
  for (int i = 0; i < 3; ++i) {
    auto* b = Add<TSpeedButton>(10 + 30 * i, 10, 25, 25);
    b->SetGroupIndex(1);
    sb.push_back(b);
  }
  auto* single = Add<TSpeedButton>(120, 10, 25, 25);
  single->SetFlat(true);
  int clicks = 0;
  for (auto* b : sb) b->OnClick = [&](TObject*) { ++clicks; };
  ShowIt();
  ClickOn(sb[0]);
  EXPECT_TRUE(sb[0]->Down());
  ClickOn(sb[2]);
  EXPECT_FALSE(sb[0]->Down());
  EXPECT_TRUE(sb[2]->Down());
  ClickOn(sb[2]);  // the down button stays down without AllowAllUp, and still clicks
  EXPECT_TRUE(sb[2]->Down());
  EXPECT_EQ(clicks, 3);
  sb[0]->SetAllowAllUp(true);
  ClickOn(sb[2]);
  EXPECT_FALSE(sb[2]->Down());
  // A button of no group never stays down.
  ClickOn(single);
  EXPECT_FALSE(single->Down());
  single->SetDown(true);
  EXPECT_FALSE(single->Down());
  // A press released outside is no click.
  POINT p = Center(sb[1]);
  headless::MouseMove(p.x, p.y);
  headless::MouseDown();
  headless::MouseMove(p.x + 200, p.y);
  headless::MouseUp();
  Pump();
  EXPECT_FALSE(sb[1]->Down());
  EXPECT_EQ(clicks, 4);
}

TEST_F(ListControlsTest, FileListBoxListsMatchingFilesSorted) {
  String dir = IncludeTrailingPathDelimiter(GetTempDir()) + "vorn_flb_" + std::to_string(getpid());
  ForceDirectories(dir + "/sub.gdb");
  for (const char* n : {"b.gdb", "A.GDBA", "c.txt", ".hidden.gdb", "d.gdbak", "Архив.gdb"})
    std::ofstream(dir + "/" + n) << "x";
  auto* fl = Add<TFileListBox>(10, 10, 200, 150);
  fl->SetMask("*.gdb; *.gdba");
  fl->SetDirectory(dir);
  ShowIt();
  EXPECT_EQ(fl->Items()->CommaText(), "A.GDBA,b.gdb,Архив.gdb");
  fl->SetFileType(TFileType{ftNormal, ftDirectory, ftHidden});
  EXPECT_EQ(fl->Items()->CommaText(), ".hidden.gdb,A.GDBA,b.gdb,[..],[sub.gdb],Архив.gdb");
  fl->SetFileType(TFileType{ftNormal});
  fl->SetFileName(dir + "/b.gdb");
  EXPECT_EQ(fl->FileName(), dir + "/b.gdb");
  std::ofstream(dir + "/a.gdb") << "x";
  fl->Refresh();
  EXPECT_EQ(fl->Items()->Count(), 4);
  EXPECT_EQ(fl->FileName(), dir + "/b.gdb");  // the selection stays on its file
  // Setting the same folder again shows files created since.
  std::ofstream(dir + "/e.gdb") << "x";
  fl->SetDirectory(dir);
  EXPECT_EQ(fl->Items()->Count(), 5);
  EXPECT_EQ(fl->FileName(), dir + "/b.gdb");
  DeleteFile(dir + "/e.gdb");
  fl->Repaint();  // painting does not read the folder
  EXPECT_EQ(fl->Items()->Count(), 5);
  fl->Refresh();
  fl->SetMask("*.*");
  EXPECT_EQ(fl->Items()->Count(), 6);
  fl->SetShowGlyphs(true);
  EXPECT_EQ(fl->Items()->Count(), 6);
  for (const char* n : {"b.gdb", "a.gdb", "A.GDBA", "c.txt", ".hidden.gdb", "d.gdbak", "Архив.gdb"})
    DeleteFile(dir + "/" + n);
  RemoveDir(dir + "/sub.gdb");
  RemoveDir(dir);
}

TEST_F(ListControlsTest, AltLetterClicksButtonsAndTogglesCheckBoxes) {
  auto* ed = Add<TEdit>(10, 10, 100, 21);
  auto* bt = Add<TButton>(10, 40, 75, 25);
  bt->SetCaption("&Save");
  auto* cb = Add<TCheckBox>(10, 70, 100, 17);
  cb->SetCaption("&Keep");
  int saves = 0;
  bt->OnClick = [&](TObject*) { ++saves; };
  ShowIt();
  ed->SetFocus();
  headless::KeyDown(VK_MENU);
  headless::KeyPress('S');
  headless::KeyPress('K');
  headless::KeyUp(VK_MENU);
  Pump();
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(cb->Checked());
  EXPECT_EQ(ed->Text(), "");  // the letters did not reach the edit
  // Without Alt the edit takes the letters itself.
  ed->SetFocus();
  headless::TypeText("sk");
  Pump();
  EXPECT_EQ(ed->Text(), "sk");
  EXPECT_EQ(saves, 1);
}

TEST_F(ListControlsTest, EditCharCaseBorderAutoSelectAndClipboard) {
  auto* ed = Add<TEdit>(10, 10, 150, 21);
  auto* other = Add<TEdit>(10, 40, 150, 21);
  ed->SetText("Mixed Ёж");
  ShowIt();
  ed->SetCharCase(ecUpperCase);
  EXPECT_EQ(ed->Text(), "MIXED ЁЖ");
  ed->SetFocus();
  ed->SetSelStart(ed->Text().size());
  headless::TypeText(" abc");
  Pump();
  EXPECT_EQ(ed->Text(), "MIXED ЁЖ ABC");
  ed->SetCharCase(ecLowerCase);
  EXPECT_EQ(ed->Text(), "mixed ёж abc");
  EXPECT_NE(GetWindowLong(ed->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  ed->SetBorderStyle(bsNone);
  EXPECT_EQ(GetWindowLong(ed->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(ed->Text(), "mixed ёж abc");
  // Tabbing in selects everything; the clipboard round trip works on the selection.
  other->SetFocus();
  Key(VK_TAB);
  Pump();
  ASSERT_TRUE(ed->Focused());
  EXPECT_EQ(ed->SelLength(), 12);
  ed->SetSelStart(6);
  ed->SetSelLength(2);
  ed->CutToClipboard();
  EXPECT_EQ(ed->Text(), "mixed  abc");
  ed->SetSelStart(0);
  ed->PasteFromClipboard();
  EXPECT_EQ(ed->Text(), "ёжmixed  abc");
  EXPECT_TRUE(ed->CanUndo());
  ed->Undo();
  EXPECT_EQ(ed->Text(), "mixed  abc");
  ed->ClearUndo();
  EXPECT_FALSE(ed->CanUndo());
  ed->SelectAll();
  ed->ClearSelection();
  EXPECT_EQ(ed->Text(), "");
  // The clipboard outlives the window system's reset: leave it empty.
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(ListControlsTest, ColumnsRunItemsDownThenAcross) {
  auto* lb = Add<TListBox>(10, 10, 204, 100);
  for (int i = 0; i < 20; ++i) lb->Items()->Add("i" + std::to_string(i));
  lb->SetColumns(2);
  ShowIt();
  int h = lb->ItemHeight();
  int rows = lb->ClientHeight() / h;
  int colWidth = lb->ClientWidth() / 2;
  RECT r = lb->ItemRect(rows);
  EXPECT_EQ(r.left, colWidth);
  EXPECT_EQ(r.top, 0);
  ClickAt(lb, colWidth + 5, h + 2);
  EXPECT_EQ(lb->ItemIndex(), rows + 1);
  Key(VK_LEFT);
  EXPECT_EQ(lb->ItemIndex(), 1);
  Key(VK_END);
  EXPECT_EQ(lb->ItemIndex(), 19);
  // The last item's column came into view: the first visible item starts a column.
  EXPECT_EQ(lb->TopIndex() % rows, 0);
  EXPECT_GT(lb->TopIndex(), 0);
  RECT last = lb->ItemRect(19);
  EXPECT_LT(last.left, lb->ClientWidth());
}
