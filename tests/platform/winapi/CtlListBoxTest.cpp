// The "LISTBOX" class: strings and sorting, selection by keys and mouse in the three selection modes,
// notifications, owner-drawn items, scrolling and hit testing.

#include "CtlSupport.h"

using namespace wt;

namespace {

class ListBox : public CtlTest {
protected:
  std::string Note(HWND, WORD code) override {
    switch (code) {
      case LBN_SELCHANGE: return "SELCHANGE";
      case LBN_DBLCLK: return "DBLCLK";
      case LBN_SETFOCUS: return "SETFOCUS";
      case LBN_KILLFOCUS: return "KILLFOCUS";
      default: return std::to_string(code);
    }
  }
  // 100 x 80 pixels: five 16-pixel items in view
  HWND Make(DWORD style, std::initializer_list<const char*> items) {
    HWND l = Child("LISTBOX", "", style, 10, 10, 100, 80);
    for (const char* s : items) SendMessage(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    return l;
  }
  static std::string Item(HWND l, int i) {
    std::string s(static_cast<size_t>(SendMessage(l, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, '\0');
    s.resize(static_cast<size_t>(SendMessage(l, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()))));
    return s;
  }
  static std::vector<int> Selected(HWND l) {
    std::vector<int> v(64);
    v.resize(static_cast<size_t>(SendMessage(l, LB_GETSELITEMS, v.size(), reinterpret_cast<LPARAM>(v.data()))));
    return v;
  }
};

TEST_F(ListBox, SortedStringsAndSearch) {
  HWND l = Make(LBS_SORT | LBS_NOTIFY, {"груша", "Яблоко", "apple", "Banana", "абрикос"});
  EXPECT_EQ(SendMessage(l, LB_GETCOUNT, 0, 0), 5);
  std::vector<std::string> got;
  for (int i = 0; i < 5; ++i) got.push_back(Item(l, i));
  EXPECT_EQ(got, (std::vector<std::string>{"apple", "Banana", "абрикос", "груша", "Яблоко"}));
  EXPECT_EQ(SendMessage(l, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ГРУ")), 3);
  EXPECT_EQ(SendMessage(l, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("gr")), LB_ERR);
  EXPECT_EQ(SendMessage(l, LB_FINDSTRING, 3, reinterpret_cast<LPARAM>("a")), 0);  // wraps around
  EXPECT_EQ(SendMessage(l, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("zzz")), 1);  // inserting never sorts
  EXPECT_EQ(SendMessage(l, LB_DELETESTRING, 1, 0), 5);
  SendMessage(l, LB_SETITEMDATA, 2, 77);
  EXPECT_EQ(SendMessage(l, LB_GETITEMDATA, 2, 0), 77);
  EXPECT_EQ(SendMessage(l, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ЯБ")), 4);
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), 4);
  EXPECT_TRUE(notes.empty());  // selection by message is silent
}

TEST_F(ListBox, KeyboardSelectionNotifiesEachChangeAndScrolls) {
  HWND l = Make(LBS_NOTIFY | WS_VSCROLL, {"a0", "a1", "b2", "c3", "d4", "e5", "f6", "g7"});
  SetFocus(l);
  Run();
  EXPECT_EQ(notes, (Lines{"SETFOCUS"}));
  notes.clear();
  struct Case {
    int vk;
    int sel;
    int top;
  } cases[] = {{VK_DOWN, 0, 0}, {VK_DOWN, 1, 0}, {VK_END, 7, 3}, {VK_UP, 6, 3}, {VK_HOME, 0, 0}, {VK_NEXT, 4, 0}};
  for (const Case& c : cases) {
    Key(c.vk);
    EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), c.sel) << c.vk;
    EXPECT_EQ(SendMessage(l, LB_GETTOPINDEX, 0, 0), c.top) << c.vk;
  }
  EXPECT_EQ(notes.size(), 6u);
  notes.clear();
  headless::TypeText("c");
  Run();
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(notes, (Lines{"SELCHANGE"}));
  notes.clear();
  Key(VK_HOME);
  Key(VK_HOME);  // no change, no notification
  EXPECT_EQ(notes, (Lines{"SELCHANGE"}));
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(l, SB_VERT, &si));
  EXPECT_EQ(si.nMax, 7);
  EXPECT_EQ(si.nPage, 5u);
}

TEST_F(ListBox, MouseSelectsOnPressNotifiesOnReleaseAndDoubleClicks) {
  HWND l = Make(LBS_NOTIFY, {"one", "two", "three"});
  ClickAt(l, 10, 20);  // the second item
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(notes, (Lines{"SETFOCUS", "SELCHANGE"}));
  notes.clear();
  POINT p = Screen(l, 10, 40);
  headless::AdvanceClock(1000);
  headless::Click(p.x, p.y);
  headless::Click(p.x, p.y);
  Run();
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notes, (Lines{"SELCHANGE", "DBLCLK"}));
  notes.clear();
  // dragging with the button down follows the mouse
  POINT a = Screen(l, 10, 5), b = Screen(l, 10, 25);
  headless::AdvanceClock(1000);
  headless::MouseMove(a.x, a.y);
  headless::MouseDown();
  headless::MouseMove(b.x, b.y);
  headless::MouseUp();
  Run();
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(notes, (Lines{"SELCHANGE"}));
}

TEST_F(ListBox, ExtendedSelectionWithShiftAndControl) {
  HWND l = Make(LBS_EXTENDEDSEL | LBS_NOTIFY, {"0", "1", "2", "3", "4"});
  ClickAt(l, 10, 8);
  headless::KeyDown(VK_SHIFT);
  ClickAt(l, 10, 3 * 16 + 8);
  headless::KeyUp(VK_SHIFT);
  EXPECT_EQ(Selected(l), (std::vector<int>{0, 1, 2, 3}));
  headless::KeyDown(VK_CONTROL);
  ClickAt(l, 10, 1 * 16 + 8);
  headless::KeyUp(VK_CONTROL);
  Run();
  EXPECT_EQ(Selected(l), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(SendMessage(l, LB_GETSELCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(l, LB_GETCARETINDEX, 0, 0), 1);
  Key(VK_DOWN);  // a plain arrow selects only the new caret item
  EXPECT_EQ(Selected(l), (std::vector<int>{2}));
  Chord(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(Selected(l), (std::vector<int>{2, 3}));
  EXPECT_EQ(SendMessage(l, LB_SETCURSEL, 1, 0), LB_ERR);  // not for multiple selection
  SendMessage(l, LB_SETSEL, FALSE, -1);
  EXPECT_TRUE(Selected(l).empty());
  SendMessage(l, LB_SELITEMRANGE, TRUE, MAKELPARAM(1, 2));
  EXPECT_EQ(Selected(l), (std::vector<int>{1, 2}));
}

TEST_F(ListBox, MultipleSelectionTogglesWithClickAndSpace) {
  HWND l = Make(LBS_MULTIPLESEL | LBS_NOTIFY, {"0", "1", "2"});
  ClickAt(l, 10, 8);
  ClickAt(l, 10, 40);
  EXPECT_EQ(Selected(l), (std::vector<int>{0, 2}));
  Key(VK_UP);  // moves the caret only
  EXPECT_EQ(Selected(l), (std::vector<int>{0, 2}));
  Key(VK_SPACE);
  EXPECT_EQ(Selected(l), (std::vector<int>{0, 1, 2}));
  ClickAt(l, 10, 8);
  EXPECT_EQ(Selected(l), (std::vector<int>{1, 2}));
}

TEST_F(ListBox, OwnerDrawVariableMeasuresEachItemAndDrawsWithState) {
  std::vector<UINT> measured;
  std::vector<std::pair<UINT, UINT>> drawn;
  On("form", [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT& r) {
    if (m == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      EXPECT_EQ(mis->CtlType, ODT_LISTBOX);
      measured.push_back(mis->itemID);
      mis->itemHeight = 10 + 10 * mis->itemID;
      r = TRUE;
      return true;
    }
    if (m == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      drawn.emplace_back(dis->itemID, dis->itemState);
      EXPECT_EQ(dis->rcItem.bottom - dis->rcItem.top, static_cast<LONG>(10 + 10 * dis->itemID));
      r = TRUE;
      return true;
    }
    return false;
  });
  HWND l = Make(LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY, {"a", "b", "c", "d"});
  EXPECT_EQ(measured, (std::vector<UINT>{0, 1, 2, 3}));
  EXPECT_EQ(SendMessage(l, LB_GETITEMHEIGHT, 2, 0), 30);
  RECT r{};
  SendMessage(l, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.bottom, 60);
  EXPECT_EQ(SendMessage(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 35)), MAKELRESULT(2, 0));
  EXPECT_EQ(HIWORD(SendMessage(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 200))), 1);
  SendMessage(l, LB_SETCURSEL, 1, 0);
  SetFocus(l);
  drawn.clear();
  UpdateWindow(l);
  // items 0..2 fit the 80 pixels at least partly; item 3 starts at 60
  EXPECT_EQ(drawn, (std::vector<std::pair<UINT, UINT>>{{0, 0}, {1, ODS_SELECTED | ODS_FOCUS}, {2, 0}, {3, 0}}));
}

TEST_F(ListBox, TopIndexAndItemRects) {
  HWND l = Make(0, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
  SendMessage(l, LB_SETTOPINDEX, 3, 0);
  EXPECT_EQ(SendMessage(l, LB_GETTOPINDEX, 0, 0), 3);
  RECT r{};
  SendMessage(l, LB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 16);
  EXPECT_EQ(SendMessage(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 20)), MAKELRESULT(4, 0));
  SendMessage(l, LB_SETTOPINDEX, 9, 0);  // the last page ends at the last item
  EXPECT_EQ(SendMessage(l, LB_GETTOPINDEX, 0, 0), 5);
  SendMessage(l, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(l, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessage(l, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(ListBox, HorizontalExtentShowsABarAndScrollsTheItemsSideways) {
  HWND l = Make(WS_HSCROLL, {"0", "1", "2"});
  auto barShown = [&] {
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    GetScrollBarInfo(l, OBJID_HSCROLL, &info);
    return (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0;
  };
  EXPECT_FALSE(barShown());
  SendMessage(l, LB_SETHORIZONTALEXTENT, 300, 0);
  EXPECT_EQ(SendMessage(l, LB_GETHORIZONTALEXTENT, 0, 0), 300);
  ASSERT_TRUE(barShown());
  RECT client{};
  GetClientRect(l, &client);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(l, SB_HORZ, &si);
  EXPECT_EQ(si.nMax, 299);
  EXPECT_EQ(int(si.nPage), client.right);
  // Table: scroll request -> offset of the items.
  struct {
    WPARAM request;
    int left;
  } steps[] = {{MAKEWPARAM(SB_THUMBPOSITION, 40), 40}, {SB_PAGERIGHT, 40 + client.right}, {SB_LEFT, 0},
               {SB_RIGHT, 300 - client.right}, {MAKEWPARAM(SB_THUMBTRACK, 500), 300 - client.right}};
  for (const auto& s : steps) {
    SendMessage(l, WM_HSCROLL, s.request, 0);
    RECT r{};
    SendMessage(l, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left, -s.left) << s.request;
    EXPECT_EQ(r.right, 300 - s.left) << s.request;
    EXPECT_EQ(GetScrollPos(l, SB_HORZ), s.left) << s.request;
  }
  SendMessage(l, LB_SETHORIZONTALEXTENT, 0, 0);
  EXPECT_FALSE(barShown());
  RECT r{};
  SendMessage(l, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 0);
}

TEST_F(ListBox, PaintsSelectionWithHighlightAndAsksParentForBackground) {
  colorBrush = CreateSolidBrush(RGB(255, 0, 0));
  HWND l = Make(0, {"x", "y"});
  SendMessage(l, LB_SETCURSEL, 1, 0);
  UpdateWindow(l);
  EXPECT_EQ(colorAsks.back(), WM_CTLCOLORLISTBOX);
  EXPECT_EQ(headless::Pixel(l, 90, 60), 0xFF0000u);
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(headless::Pixel(l, 90, 20), (static_cast<uint32_t>(GetRValue(hl)) << 16) |
                                            (static_cast<uint32_t>(GetGValue(hl)) << 8) | GetBValue(hl));
  DeleteObject(colorBrush);
}

}  // namespace
