// The list view: virtual report data, selection and focus notifications, activation, column clicks,
// dragging out, label editing, sorting and finding.

#include <cstring>

#include "CtlSupport.h"

using namespace wt;

namespace {

class ListView : public CtlTest {
protected:
  void SetUp() override {
    CtlTest::SetUp();
    On("form", [this](HWND, UINT m, WPARAM, LPARAM l, LRESULT& r) {
      if (m != WM_NOTIFY) return false;
      auto* hdr = reinterpret_cast<NMHDR*>(l);
      r = 0;
      switch (hdr->code) {
        case LVN_GETDISPINFO: {
          auto* di = reinterpret_cast<NMLVDISPINFO*>(l);
          ++dispAsks;
          if (di->item.mask & LVIF_TEXT) {
            std::string s = (di->item.iSubItem == 0 ? "файл " : "размер ") + std::to_string(di->item.iItem);
            size_t n = std::min(s.size(), static_cast<size_t>(di->item.cchTextMax) - 1);
            s.copy(di->item.pszText, n);
            di->item.pszText[n] = 0;
          }
          if (di->item.mask & LVIF_IMAGE) di->item.iImage = di->item.iItem % 3;
          return true;
        }
        case LVN_ITEMCHANGED: {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
          events.push_back("CHANGED " + std::to_string(nm->iItem) + " " + std::to_string(nm->uOldState) + ">" +
                           std::to_string(nm->uNewState));
          return true;
        }
        case LVN_ITEMACTIVATE: events.push_back("ACTIVATE " + std::to_string(reinterpret_cast<NMITEMACTIVATE*>(l)->iItem)); return true;
        case LVN_COLUMNCLICK: events.push_back("COLUMN " + std::to_string(reinterpret_cast<NMLISTVIEW*>(l)->iSubItem)); return true;
        case LVN_BEGINDRAG: events.push_back("BEGINDRAG " + std::to_string(reinterpret_cast<NMLISTVIEW*>(l)->iItem)); return true;
        case LVN_KEYDOWN: events.push_back("KEY " + std::to_string(reinterpret_cast<NMLVKEYDOWN*>(l)->wVKey)); return true;
        case LVN_BEGINLABELEDIT: events.push_back("BEGINEDIT"); r = vetoEdit; return true;
        case LVN_ENDLABELEDIT: {
          auto* di = reinterpret_cast<NMLVDISPINFO*>(l);
          events.push_back(std::string("ENDEDIT ") + (di->item.pszText ? di->item.pszText : "(cancel)"));
          r = acceptEdit;
          return true;
        }
        case NM_CLICK: events.push_back("CLICK"); return true;
        case NM_DBLCLK: events.push_back("DBLCLK"); return true;
        default: return true;
      }
    });
  }
  HWND Report(DWORD style) {
    // header 22 pixels, rows 18: five rows under the header in 112 pixels
    HWND v = Child(WC_LISTVIEW, "", LVS_REPORT | style, 10, 10, 300, 22 + 18 * 5 + 2);
    LVCOLUMN c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = 120;
    c.pszText = const_cast<char*>("Имя");
    SendMessage(v, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&c));
    c.cx = 80;
    c.pszText = const_cast<char*>("Size");
    c.mask |= LVCF_SUBITEM;
    c.iSubItem = 1;
    SendMessage(v, LVM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&c));
    return v;
  }
  static std::string ItemText(HWND v, int i, int sub = 0) {
    char buf[64] = {};
    LVITEM it{};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = sizeof(buf);
    SendMessage(v, LVM_GETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
    return buf;
  }
  static int Next(HWND v, int start, UINT flags) {
    return static_cast<int>(SendMessage(v, LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
  }

  Lines events;
  int dispAsks = 0;
  LRESULT vetoEdit = 0;
  LRESULT acceptEdit = TRUE;
};

TEST_F(ListView, VirtualDataComesFromDispInfo) {
  HWND v = Report(LVS_OWNERDATA);
  SendMessage(v, LVM_SETITEMCOUNT, 100000, 0);
  EXPECT_EQ(SendMessage(v, LVM_GETITEMCOUNT, 0, 0), 100000);
  EXPECT_EQ(ItemText(v, 4242), "файл 4242");
  EXPECT_EQ(ItemText(v, 7, 1), "размер 7");
  dispAsks = 0;
  UpdateWindow(v);
  EXPECT_GE(dispAsks, 5);  // only what is on show is asked for
  EXPECT_LE(dispAsks, 14);
  EXPECT_EQ(SendMessage(v, LVM_GETCOUNTPERPAGE, 0, 0), 5);
  SendMessage(v, LVM_ENSUREVISIBLE, 99999, FALSE);
  EXPECT_EQ(SendMessage(v, LVM_GETTOPINDEX, 0, 0), 99995);
  SendMessage(v, LVM_SCROLL, 0, -18 * 3);
  EXPECT_EQ(SendMessage(v, LVM_GETTOPINDEX, 0, 0), 99992);
  LVHITTESTINFO hi{{130, 22 + 18 + 4}, 0, -1, 0, 0};
  EXPECT_EQ(SendMessage(v, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hi)), 99993);
  EXPECT_EQ(hi.iSubItem, 1);
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessage(v, LVM_GETITEMRECT, 99993, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 22 + 18);
  EXPECT_EQ(r.right, 200);
}

TEST_F(ListView, ClicksAndKeysChangeSelectionWithNotifications) {
  HWND v = Report(LVS_OWNERDATA);
  SendMessage(v, LVM_SETITEMCOUNT, 20, 0);
  ClickAt(v, 20, 22 + 18 * 2 + 5);
  EXPECT_EQ(events, (Lines{"CHANGED 2 0>3", "CLICK"}));
  EXPECT_EQ(Next(v, -1, LVNI_SELECTED), 2);
  EXPECT_EQ(Next(v, -1, LVNI_FOCUSED), 2);
  events.clear();
  Key(VK_DOWN);
  EXPECT_EQ(events, (Lines{"KEY 40", "CHANGED 2 3>1", "CHANGED 2 1>0", "CHANGED 3 0>3"}));
  events.clear();
  Chord(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(SendMessage(v, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  Key(VK_END);
  EXPECT_EQ(Next(v, -1, LVNI_SELECTED), 19);
  EXPECT_EQ(SendMessage(v, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessage(v, LVM_GETTOPINDEX, 0, 0), 15);
  events.clear();
  Key(VK_RETURN);
  EXPECT_EQ(events, (Lines{"KEY 13", "ACTIVATE 19"}));
  events.clear();
  ClickAt(v, 250, 22 + 18 * 4 + 5);  // beside the columns: nothing there, the selection goes
  EXPECT_EQ(SendMessage(v, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(ListView, DoubleClickActivatesHeaderClicksAndDragsNotify) {
  HWND v = Report(LVS_OWNERDATA);
  SendMessage(v, LVM_SETITEMCOUNT, 5, 0);
  POINT p = Screen(v, 20, 22 + 5);
  headless::Click(p.x, p.y);
  headless::Click(p.x, p.y);
  Run();
  EXPECT_EQ(events, (Lines{"CHANGED 0 0>3", "CLICK", "DBLCLK", "ACTIVATE 0", "CLICK"}));
  events.clear();
  HWND header = reinterpret_cast<HWND>(SendMessage(v, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
  headless::AdvanceClock(1000);
  ClickAt(header, 150, 5);
  EXPECT_EQ(events, (Lines{"COLUMN 1"}));
  events.clear();
  POINT a = Screen(v, 20, 22 + 18 + 5), b = Screen(v, 60, 22 + 18 * 3);
  headless::AdvanceClock(1000);
  headless::MouseMove(a.x, a.y);
  headless::MouseDown();
  headless::MouseMove(b.x, b.y);
  headless::MouseUp();
  Run();
  EXPECT_EQ(events, (Lines{"CHANGED 0 3>1", "CHANGED 0 1>0", "CHANGED 1 0>3", "BEGINDRAG 1", "CLICK"}));
}

TEST_F(ListView, LabelEditingCommitsOrCancels) {
  HWND v = Report(LVS_EDITLABELS | LVS_SORTASCENDING);
  for (const char* s : {"дом", "alpha", "Бета"}) {
    LVITEM it{};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = 100;
    it.pszText = const_cast<char*>(s);
    it.lParam = static_cast<LPARAM>(std::strlen(s));
    SendMessage(v, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
  EXPECT_EQ(ItemText(v, 0), "alpha");
  EXPECT_EQ(ItemText(v, 1), "Бета");
  LVFINDINFO fi{};
  fi.flags = LVFI_PARAM;
  fi.lParam = 6;  // "дом" in bytes
  EXPECT_EQ(SendMessage(v, LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 2);
  auto edit = reinterpret_cast<HWND>(SendMessage(v, LVM_EDITLABEL, 1, 0));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Text(edit), "Бета");
  headless::TypeText("Гамма");
  Run();
  Key(VK_RETURN);
  EXPECT_EQ(events, (Lines{"BEGINEDIT", "ENDEDIT Гамма"}));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(GetFocus(), v);
  EXPECT_EQ(ItemText(v, 1), "Гамма");
  events.clear();
  SendMessage(v, LVM_EDITLABEL, 1, 0);
  headless::TypeText("x");
  Run();
  Key(VK_ESCAPE);
  EXPECT_EQ(events, (Lines{"BEGINEDIT", "ENDEDIT (cancel)"}));
  EXPECT_EQ(ItemText(v, 1), "Гамма");
  events.clear();
  vetoEdit = TRUE;
  EXPECT_EQ(SendMessage(v, LVM_EDITLABEL, 1, 0), 0);
  vetoEdit = FALSE;
  acceptEdit = FALSE;  // the parent refuses the new text
  SendMessage(v, LVM_EDITLABEL, 0, 0);
  headless::TypeText("zz");
  Run();
  Key(VK_RETURN);
  EXPECT_EQ(ItemText(v, 0), "alpha");
}

}  // namespace
