// The tree view: items given directly and through callbacks, expanding with its notifications, the
// caret by keys and mouse, hit tests, dragging out.

#include "CtlSupport.h"

using namespace wt;

namespace {

class TreeView : public CtlTest {
protected:
  void SetUp() override {
    CtlTest::SetUp();
    On("form", [this](HWND, UINT m, WPARAM, LPARAM l, LRESULT& r) {
      if (m != WM_NOTIFY) return false;
      auto* hdr = reinterpret_cast<NMHDR*>(l);
      r = 0;
      switch (hdr->code) {
        case TVN_GETDISPINFO: {
          auto* di = reinterpret_cast<NMTVDISPINFO*>(l);
          dispAsks.push_back(di->item.mask);
          if (di->item.mask & TVIF_TEXT) CopyText("папка " + std::to_string(di->item.lParam), di->item.pszText, di->item.cchTextMax);
          if (di->item.mask & TVIF_CHILDREN) di->item.cChildren = di->item.lParam < 100 ? 1 : 0;
          return true;
        }
        case TVN_ITEMEXPANDING: {
          auto* nm = reinterpret_cast<NMTREEVIEW*>(l);
          events.push_back(nm->action == TVE_EXPAND ? "EXPANDING" : "COLLAPSING");
          // children are made when first asked for
          if (nm->action == TVE_EXPAND && !SendMessage(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(nm->itemNew.hItem)))
            for (int i = 0; i < 3; ++i) Add(nm->itemNew.hItem, static_cast<int>(nm->itemNew.lParam) * 10 + 10 + i);
          r = vetoExpand;
          return true;
        }
        case TVN_ITEMEXPANDED: events.push_back("EXPANDED"); return true;
        case TVN_SELCHANGING: events.push_back("SELCHANGING"); r = vetoSelect; return true;
        case TVN_SELCHANGED: {
          auto* nm = reinterpret_cast<NMTREEVIEW*>(l);
          events.push_back("SELCHANGED " + std::to_string(nm->itemNew.lParam) + " by " + std::to_string(nm->action));
          return true;
        }
        case TVN_BEGINDRAG: {
          auto* nm = reinterpret_cast<NMTREEVIEW*>(l);
          events.push_back("BEGINDRAG " + std::to_string(nm->itemNew.lParam));
          return true;
        }
        case NM_CLICK: events.push_back("CLICK"); return true;
        case NM_DBLCLK: events.push_back("DBLCLK"); return true;
        default: return true;
      }
    });
    tree = Child(WC_TREEVIEW, "", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 10, 10, 200, 18 * 6);
    for (int i = 1; i <= 3; ++i) roots.push_back(Add(TVI_ROOT, i));
  }
  static void CopyText(const std::string& s, char* buf, int size) {
    if (!buf || size <= 0) return;
    size_t n = std::min(s.size(), static_cast<size_t>(size) - 1);
    s.copy(buf, n);
    buf[n] = 0;
  }
  HTREEITEM Add(HTREEITEM parent, int id) {
    TVINSERTSTRUCT is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    is.item.pszText = LPSTR_TEXTCALLBACK;
    is.item.cChildren = I_CHILDRENCALLBACK;
    is.item.lParam = id;
    return reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  }
  LPARAM Param(HTREEITEM h) {
    TVITEM it{};
    it.mask = TVIF_PARAM;
    it.hItem = h;
    SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    return it.lParam;
  }
  std::string ItemText(HTREEITEM h) {
    char buf[64] = {};
    TVITEM it{};
    it.mask = TVIF_TEXT;
    it.hItem = h;
    it.pszText = buf;
    it.cchTextMax = sizeof(buf);
    SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
  }
  HTREEITEM Next(UINT code, HTREEITEM h = nullptr) {
    return reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(h)));
  }
  LPARAM Caret() { return Param(Next(TVGN_CARET)); }

  HWND tree = nullptr;
  std::vector<HTREEITEM> roots;
  std::vector<UINT> dispAsks;
  Lines events;
  LRESULT vetoExpand = 0;
  LRESULT vetoSelect = 0;
};

TEST_F(TreeView, CallbackTextsAndChildrenAreAskedFor) {
  EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(ItemText(roots[1]), "папка 2");
  EXPECT_EQ(Next(TVGN_ROOT), roots[0]);
  EXPECT_EQ(Next(TVGN_NEXT, roots[0]), roots[1]);
  EXPECT_EQ(Next(TVGN_PREVIOUS, roots[0]), nullptr);
  EXPECT_EQ(Next(TVGN_CHILD, roots[0]), nullptr);  // not made yet
}

TEST_F(TreeView, ExpandingByMessageNotifiesOnceThenQuietly) {
  EXPECT_TRUE(SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(roots[0])));
  EXPECT_EQ(events, (Lines{"EXPANDING", "EXPANDED"}));
  HTREEITEM kid = Next(TVGN_CHILD, roots[0]);
  EXPECT_EQ(Param(kid), 20);
  EXPECT_EQ(Next(TVGN_PARENT, kid), roots[0]);
  EXPECT_EQ(Next(TVGN_NEXTVISIBLE, roots[0]), kid);
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[0]), TVIS_EXPANDED | TVIS_EXPANDEDONCE),
            TVIS_EXPANDED | TVIS_EXPANDEDONCE);
  events.clear();
  SendMessage(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(roots[0]));
  SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(roots[0]));
  EXPECT_TRUE(events.empty());
  SendMessage(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(roots[0]));
  EXPECT_EQ(Next(TVGN_CHILD, roots[0]), nullptr);
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[0]), TVIS_EXPANDEDONCE), 0);
  vetoExpand = TRUE;
  EXPECT_FALSE(SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(roots[1])));
  EXPECT_FALSE(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[1]), TVIS_EXPANDED));
}

TEST_F(TreeView, HitTestsPartsOfARow) {
  // rows are 18 pixels; the first level starts after one indent (19) and two pixels
  TVHITTESTINFO below{{10, 18 * 3 + 5}, 0, nullptr};
  SendMessage(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&below));
  EXPECT_EQ(below.flags, TVHT_NOWHERE);
  SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(roots[0]));
  struct Case {
    int x, y;
    UINT flags;
    LPARAM item;
  } cases[] = {
      {10, 5, TVHT_ONITEMBUTTON, 1},
      {22, 5, TVHT_ONITEMLABEL, 1},
      {21 + 7 * 8 + 4 + 3, 5, TVHT_ONITEMRIGHT, 1},
      {10, 18 + 5, TVHT_ONITEMINDENT, 20},  // a child's indent
      {21 + 19, 18 + 5, TVHT_ONITEMLABEL, 20},
      {10, 18 * 5 + 5, TVHT_ONITEMBUTTON, 3},
      {-3, 5, TVHT_TOLEFT, 0},
  };
  for (const Case& c : cases) {
    TVHITTESTINFO hi{{c.x, c.y}, 0, nullptr};
    auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi)));
    EXPECT_EQ(hi.flags, c.flags) << c.x << "," << c.y;
    EXPECT_EQ(item ? Param(item) : 0, c.item) << c.x << "," << c.y;
  }
  RECT r{};
  TreeItemToRect(Next(TVGN_CHILD, roots[0]), &r);
  ASSERT_TRUE(SendMessage(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(r.left, 21 + 19);
  EXPECT_EQ(r.top, 18);
  EXPECT_EQ(r.right - r.left, 8 * 8 + 4);  // "папка 20"
}

TEST_F(TreeView, KeyboardMovesTheCaretAndExpands) {
  SetFocus(tree);
  Run();
  Key(VK_DOWN);
  EXPECT_EQ(Caret(), 1);
  Key(VK_RIGHT);  // expands
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[0]), TVIS_EXPANDED), TVIS_EXPANDED);
  Key(VK_RIGHT);  // goes in
  EXPECT_EQ(Caret(), 20);
  Key(VK_END);
  EXPECT_EQ(Caret(), 3);
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Caret(), 22);
  Key(VK_LEFT);  // to the parent
  EXPECT_EQ(Caret(), 1);
  Key(VK_LEFT);  // collapses
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[0]), TVIS_EXPANDED), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), "EXPANDING"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "COLLAPSING"), 1);
  EXPECT_EQ(events.back(), "EXPANDED");
  events.clear();
  Key(VK_DOWN);
  EXPECT_EQ(events, (Lines{"SELCHANGING", "SELCHANGED 2 by 2"}));
  vetoSelect = TRUE;
  Key(VK_DOWN);
  EXPECT_EQ(Caret(), 2);
  vetoSelect = FALSE;
  headless::TypeText("п");  // the next item starting with the letter
  Run();
  EXPECT_EQ(Caret(), 3);
}

TEST_F(TreeView, MouseSelectsTogglesButtonsAndStartsDrags) {
  ClickAt(tree, 25, 18 + 5);
  EXPECT_EQ(Caret(), 2);
  EXPECT_EQ(events, (Lines{"SELCHANGING", "SELCHANGED 2 by 1", "CLICK"}));
  events.clear();
  ClickAt(tree, 10, 18 + 5);  // the button of the second root
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(roots[1]), TVIS_EXPANDED), TVIS_EXPANDED);
  EXPECT_EQ(events.front(), "EXPANDING");
  events.clear();
  POINT a = Screen(tree, 25, 5), b = Screen(tree, 60, 40);
  headless::AdvanceClock(1000);
  headless::MouseMove(a.x, a.y);
  headless::MouseDown();
  headless::MouseMove(b.x, b.y);
  headless::MouseUp();
  Run();
  EXPECT_EQ(events, (Lines{"SELCHANGING", "SELCHANGED 1 by 1", "BEGINDRAG 1", "CLICK"}));
}

TEST_F(TreeView, EnsureVisibleExpandsAndScrolls) {
  SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(roots[2]));
  HTREEITEM kid = Next(TVGN_CHILD, roots[2]);
  SendMessage(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(kid));  // three more
  SendMessage(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(roots[2]));
  HTREEITEM deep = Next(TVGN_CHILD, kid);
  deep = Next(TVGN_NEXT, Next(TVGN_NEXT, deep));
  EXPECT_EQ(Param(deep), 412);
  SendMessage(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(deep));
  // rows: 1 2 3 40 [410 411 412] 41 42 — six fit, the seventh row needs one row of scrolling
  EXPECT_EQ(Param(Next(TVGN_FIRSTVISIBLE)), 2);
  EXPECT_EQ(SendMessage(tree, TVM_GETVISIBLECOUNT, 0, 0), 6);
  SendMessage(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(roots[2]));
  EXPECT_EQ(SendMessage(tree, TVM_GETCOUNT, 0, 0), 2);
}

}  // namespace

namespace {

class TreeEdit : public CtlTest {};

TEST_F(TreeEdit, LabelEditingAsksBeforeAndAfter) {
  HWND tree = Child(WC_TREEVIEW, "", TVS_EDITLABELS | TVS_HASBUTTONS, 10, 10, 200, 100);
  TVINSERTSTRUCT is{};
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = const_cast<char*>("старое");
  auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  Lines events;
  LRESULT accept = TRUE;
  On("form", [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT& r) {
    if (m != WM_NOTIFY) return false;
    auto* di = reinterpret_cast<NMTVDISPINFO*>(l);
    if (di->hdr.code == TVN_BEGINLABELEDIT) events.push_back(std::string("BEGIN ") + di->item.pszText);
    if (di->hdr.code == TVN_ENDLABELEDIT) events.push_back(std::string("END ") + (di->item.pszText ? di->item.pszText : "(cancel)"));
    r = di->hdr.code == TVN_ENDLABELEDIT ? accept : 0;
    return true;
  });
  auto edit = reinterpret_cast<HWND>(SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(item)));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(tree, TVM_GETEDITCONTROL, 0, 0)), edit);
  headless::TypeText("новое");
  Run();
  Key(VK_RETURN);
  char buf[32] = {};
  TVITEM it{};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = buf;
  it.cchTextMax = sizeof(buf);
  SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
  EXPECT_EQ(std::string(buf), "новое");
  EXPECT_EQ(GetFocus(), tree);
  SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  Key(VK_F2);
  Key(VK_ESCAPE);
  accept = FALSE;
  SendMessage(tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(item));
  headless::TypeText("x");
  Run();
  SendMessage(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
  SendMessage(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
  EXPECT_EQ(std::string(buf), "новое");  // refused by the parent
  EXPECT_EQ(events, (Lines{"BEGIN старое", "END новое", "BEGIN новое", "END (cancel)", "BEGIN новое", "END x"}));
}

}  // namespace

namespace {

class ViewImages : public CtlTest {
protected:
  // 16x16 images: 0 red, 1 blue
  static HIMAGELIST RedBlue() {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(32, 16, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT l{0, 0, 16, 16}, r{16, 0, 32, 16};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &l, red);
    FillRect(dc, &r, blue);
    SelectObject(dc, old);
    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32, 2, 2);
    ImageList_Add(il, bmp, nullptr);
    DeleteObject(red);
    DeleteObject(blue);
    DeleteObject(bmp);
    DeleteDC(dc);
    return il;
  }
};

TEST_F(ViewImages, TreeAndListDrawTheirImagesBeforeTheLabel) {
  HIMAGELIST il = RedBlue();
  HWND tree = Child(WC_TREEVIEW, "", 0, 10, 10, 200, 100, 1);
  SendMessage(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(il));
  TVINSERTSTRUCT is{};
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  is.item.pszText = const_cast<char*>("a");
  is.item.iImage = 1;
  is.item.iSelectedImage = 0;
  auto item = reinterpret_cast<HTREEITEM>(SendMessage(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  RECT r{};
  TreeItemToRect(item, &r);
  SendMessage(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 2 + 16 + 2);
  EXPECT_EQ(SendMessage(tree, TVM_GETITEMHEIGHT, 0, 0), 18);
  UpdateWindow(tree);
  EXPECT_EQ(headless::Pixel(tree, 8, 9), 0x0000FFu);
  SendMessage(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  UpdateWindow(tree);
  EXPECT_EQ(headless::Pixel(tree, 8, 9), 0xFF0000u);  // the selected image

  HWND list = Child(WC_LISTVIEW, "", LVS_REPORT | LVS_NOCOLUMNHEADER, 10, 120, 200, 100, 2);
  LVCOLUMN c{};
  c.mask = LVCF_WIDTH;
  c.cx = 150;
  SendMessage(list, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&c));
  SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il));
  LVITEM it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.pszText = const_cast<char*>("b");
  it.iImage = 1;
  SendMessage(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  RECT lr{};
  lr.left = LVIR_LABEL;
  SendMessage(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&lr));
  EXPECT_EQ(lr.left, 18);
  UpdateWindow(list);
  EXPECT_EQ(headless::Pixel(list, 8, 9), 0x0000FFu);
  DestroyWindow(tree);
  DestroyWindow(list);
  ImageList_Destroy(il);
}

}  // namespace
