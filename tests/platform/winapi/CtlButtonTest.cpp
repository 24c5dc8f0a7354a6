// The "BUTTON" and "STATIC" classes: clicks by mouse and space, check states, radio groups, owner draw,
// static notifications and hit testing.

#include "CtlSupport.h"

using namespace wt;

namespace {

class Button : public CtlTest {
protected:
  std::string Note(HWND h, WORD code) override {
    std::string id = std::to_string(GetDlgCtrlID(h));
    switch (code) {
      case BN_CLICKED: return id + " CLICKED";
      case BN_DOUBLECLICKED: return id + " DBLCLK";
      case BN_SETFOCUS: return id + " SETFOCUS";
      case BN_KILLFOCUS: return id + " KILLFOCUS";
      default: return id + " " + std::to_string(code);
    }
  }
};

TEST_F(Button, MouseClickNotifiesOnReleaseInsideOnly) {
  HWND b = Child("BUTTON", "OK", BS_PUSHBUTTON, 10, 10, 80, 24, 1);
  POINT in = Screen(b, 20, 10), out = Screen(b, 200, 10);
  headless::MouseMove(in.x, in.y);
  headless::MouseDown();
  Run();
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetCapture(), b);
  EXPECT_TRUE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  headless::MouseMove(out.x, out.y);
  Run();
  EXPECT_FALSE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  headless::MouseUp();
  Run();
  EXPECT_TRUE(notes.empty());  // released outside: no click
  EXPECT_EQ(GetCapture(), nullptr);
  ClickAt(b, 20, 10);
  EXPECT_EQ(notes, (Lines{"1 CLICKED"}));
  EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), BST_FOCUS);
}

TEST_F(Button, SpacePressesAndReleaseClicks) {
  HWND b = Child("BUTTON", "OK", BS_DEFPUSHBUTTON, 10, 10, 80, 24, 1);
  SetFocus(b);
  headless::KeyDown(VK_SPACE);
  Run();
  EXPECT_TRUE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_TRUE(notes.empty());
  headless::KeyUp(VK_SPACE);
  Run();
  EXPECT_EQ(notes, (Lines{"1 CLICKED"}));
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  SendMessage(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  notes.clear();
  SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_EQ(notes, (Lines{"1 CLICKED"}));
  EnableWindow(b, FALSE);
  SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_EQ(notes.size(), 1u);
}

TEST_F(Button, CheckBoxKinds) {
  struct Case {
    DWORD style;
    std::vector<LRESULT> states;  // after each click
  } cases[] = {
      {BS_CHECKBOX, {0, 0, 0}},
      {BS_AUTOCHECKBOX, {1, 0, 1}},
      {BS_AUTO3STATE, {1, 2, 0}},
      {BS_3STATE, {0, 0, 0}},
  };
  int id = 10;
  for (const Case& c : cases) {
    HWND b = Child("BUTTON", "check", c.style, 10, 10, 120, 20, id);
    notes.clear();
    for (LRESULT s : c.states) {
      SendMessage(b, BM_CLICK, 0, 0);
      EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), s) << c.style;
    }
    EXPECT_EQ(notes.size(), c.states.size());
    DestroyWindow(b);
    ++id;
  }
  HWND two = Child("BUTTON", "check", BS_AUTOCHECKBOX, 10, 10, 120, 20, 20);
  SendMessage(two, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessage(two, BM_GETCHECK, 0, 0), BST_CHECKED);  // two states only
  HWND push = Child("BUTTON", "push", BS_PUSHBUTTON, 10, 40, 120, 20, 21);
  SendMessage(push, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessage(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Button, AutoRadioButtonsClearTheirGroupOnly) {
  // a group runs down the z-order (GW_HWNDNEXT) from a WS_GROUP window to the next; the window manager
  // puts a new child in front, so the last one made comes first
  HWND d = Child("BUTTON", "d", BS_AUTORADIOBUTTON | WS_GROUP, 10, 70, 100, 20, 4);
  HWND c = Child("BUTTON", "c", BS_AUTORADIOBUTTON, 10, 50, 100, 20, 3);
  HWND b = Child("BUTTON", "b", BS_AUTORADIOBUTTON, 10, 30, 100, 20, 2);
  HWND a = Child("BUTTON", "a", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 100, 20, 1);
  SendMessage(d, BM_SETCHECK, BST_CHECKED, 0);
  ClickAt(a, 5, 10);
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_CHECKED);
  ClickAt(c, 5, 10);
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(d, BM_GETCHECK, 0, 0), BST_CHECKED);  // another group
  EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLong(a, GWL_STYLE) & WS_TABSTOP);
  EXPECT_EQ(notes, (Lines{"1 CLICKED", "3 CLICKED"}));
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
}

TEST_F(Button, OwnerDrawAsksTheParentWithItsState) {
  HWND b = Child("BUTTON", "", BS_OWNERDRAW, 10, 10, 80, 24, 7);
  std::vector<UINT> states;
  On("form", [&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
    if (m != WM_DRAWITEM) return false;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    EXPECT_EQ(w, 7u);
    EXPECT_EQ(dis->CtlType, ODT_BUTTON);
    EXPECT_EQ(dis->hwndItem, b);
    EXPECT_EQ(dis->rcItem.right, 80);
    states.push_back(dis->itemState);
    r = TRUE;
    return true;
  });
  UpdateWindow(b);
  SetFocus(b);
  UpdateWindow(b);
  SendMessage(b, BM_SETSTATE, TRUE, 0);
  UpdateWindow(b);
  EXPECT_EQ(states, (std::vector<UINT>{0, ODS_FOCUS, ODS_FOCUS | ODS_SELECTED}));
}

TEST_F(Button, GroupBoxIsTransparentToTheMouseAndFocusNotifiesWithNotifyStyle) {
  HWND g = Child("BUTTON", "Group", BS_GROUPBOX, 10, 10, 200, 100, 1);
  POINT p = Screen(g, 50, 50);
  EXPECT_EQ(WindowFromPoint(p), form);
  HWND b = Child("BUTTON", "x", BS_PUSHBUTTON | BS_NOTIFY, 10, 120, 80, 24, 2);
  HWND c = Child("BUTTON", "y", BS_PUSHBUTTON | BS_NOTIFY, 10, 150, 80, 24, 3);
  SetFocus(b);
  SetFocus(c);
  EXPECT_EQ(notes, (Lines{"2 SETFOCUS", "2 KILLFOCUS", "3 SETFOCUS"}));
}

class Static : public CtlTest {
protected:
  std::string Note(HWND, WORD code) override {
    switch (code) {
      case STN_CLICKED: return "CLICKED";
      case STN_DBLCLK: return "DBLCLK";
      case STN_ENABLE: return "ENABLE";
      case STN_DISABLE: return "DISABLE";
      default: return std::to_string(code);
    }
  }
};

TEST_F(Static, NotifiesOnlyWithNotifyStyle) {
  HWND plain = Child("STATIC", "label", SS_LEFT, 10, 10, 100, 20, 1);
  HWND s = Child("STATIC", "link", SS_LEFT | SS_NOTIFY, 10, 40, 100, 20, 2);
  EXPECT_EQ(WindowFromPoint(Screen(plain, 5, 5)), form);
  EXPECT_EQ(WindowFromPoint(Screen(s, 5, 5)), s);
  ClickAt(s, 5, 5);
  headless::Click(Screen(s, 5, 5).x, Screen(s, 5, 5).y);
  Run();
  EnableWindow(s, FALSE);
  EXPECT_EQ(notes, (Lines{"CLICKED", "DBLCLK", "DISABLE"}));
  EXPECT_EQ(SendMessage(s, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  SetWindowText(s, "новый");
  EXPECT_EQ(Text(s), "новый");
}

TEST_F(Static, PaintsTheParentsBackgroundAndEtchedLines) {
  colorBrush = CreateSolidBrush(RGB(0, 0, 255));
  HWND s = Child("STATIC", "", SS_LEFT, 10, 10, 100, 20, 1);
  HWND line = Child("STATIC", "", SS_ETCHEDHORZ, 10, 50, 100, 2, 2);
  UpdateWindow(form);
  Run();
  EXPECT_EQ(headless::Pixel(s, 50, 10), 0x0000FFu);
  COLORREF sh = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(headless::Pixel(line, 50, 0),
            (static_cast<uint32_t>(GetRValue(sh)) << 16) | (static_cast<uint32_t>(GetGValue(sh)) << 8) | GetBValue(sh));
  DeleteObject(colorBrush);
}

}  // namespace
