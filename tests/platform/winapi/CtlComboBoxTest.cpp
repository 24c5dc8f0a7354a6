// The "COMBOBOX" class: dropping the list by mouse and keys, choosing and cancelling with their
// notifications, the edit of drop-down and simple combo boxes.

#include "CtlSupport.h"

using namespace wt;

namespace {

class ComboBox : public CtlTest {
protected:
  std::string Note(HWND, WORD code) override {
    switch (code) {
      case CBN_SELCHANGE: return "SELCHANGE";
      case CBN_DBLCLK: return "DBLCLK";
      case CBN_SETFOCUS: return "SETFOCUS";
      case CBN_KILLFOCUS: return "KILLFOCUS";
      case CBN_EDITCHANGE: return "EDITCHANGE";
      case CBN_EDITUPDATE: return "EDITUPDATE";
      case CBN_DROPDOWN: return "DROPDOWN";
      case CBN_CLOSEUP: return "CLOSEUP";
      case CBN_SELENDOK: return "SELENDOK";
      case CBN_SELENDCANCEL: return "SELENDCANCEL";
      default: return std::to_string(code);
    }
  }
  HWND Make(DWORD style, int height = 120) {
    HWND c = Child("COMBOBOX", "", style, 10, 10, 150, height, 5);
    for (const char* s : {"Москва", "Berlin", "Paris", "Рим"}) SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    Run();
    notes.clear();
    return c;
  }
  static HWND DroppedList() {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
      char cls[16] = {};
      GetClassName(w, cls, sizeof(cls));
      if (std::string(cls) == "LISTBOX" && IsWindowVisible(w)) return w;
    }
    return nullptr;
  }
};

TEST_F(ComboBox, DropDownListChosenByMouse) {
  HWND c = Make(CBS_DROPDOWNLIST);
  RECT r{};
  GetWindowRect(c, &r);
  EXPECT_EQ(r.bottom - r.top, 16 + 6);  // as tall as its selection field
  ClickAt(c, 20, 10);
  EXPECT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(GetFocus(), c);
  HWND list = DroppedList();
  ASSERT_NE(list, nullptr);
  RECT lr{};
  GetWindowRect(list, &lr);
  EXPECT_EQ(lr.top, r.bottom);
  EXPECT_EQ(lr.left, r.left);
  ClickAt(list, 10, 16 + 8);  // the second item
  EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Text(c), "Berlin");
  EXPECT_EQ(notes, (Lines{"SETFOCUS", "DROPDOWN", "SELENDOK", "CLOSEUP", "SELCHANGE"}));
}

TEST_F(ComboBox, KeysDropChooseAndCancel) {
  HWND c = Make(CBS_DROPDOWNLIST);
  SetFocus(c);
  notes.clear();
  Key(VK_DOWN);  // closed: the selection moves at once, from nothing to the first item
  EXPECT_EQ(Text(c), "Москва");
  EXPECT_EQ(notes, (Lines{"SELCHANGE"}));
  notes.clear();
  Key(VK_F4);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ(Text(c), "Paris");
  EXPECT_EQ(notes, (Lines{"DROPDOWN", "SELENDOK", "CLOSEUP", "SELCHANGE"}));
  notes.clear();
  Key(VK_F4);
  Key(VK_UP);
  Key(VK_ESCAPE);
  EXPECT_EQ(Text(c), "Paris");
  EXPECT_EQ(notes, (Lines{"DROPDOWN", "SELENDCANCEL", "CLOSEUP"}));
  notes.clear();
  headless::TypeText("м");  // the first item starting with the typed letter
  Run();
  EXPECT_EQ(Text(c), "Москва");
  EXPECT_EQ(notes, (Lines{"SELCHANGE"}));
}

TEST_F(ComboBox, PressOutsideCancels) {
  HWND c = Make(CBS_DROPDOWNLIST);
  SendMessage(c, CB_SETCURSEL, 2, 0);
  SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
  Run();
  notes.clear();
  ClickAt(form, 400, 300);
  EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notes, (Lines{"SELENDCANCEL", "CLOSEUP"}));
}

TEST_F(ComboBox, DropDownEditTypesAndFollowsTheSelection) {
  HWND c = Make(CBS_DROPDOWN | CBS_SORT);
  EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 4);
  SendMessage(c, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(Text(c), "Berlin");  // sorted
  SetFocus(c);
  Run();
  HWND edit = GetFocus();
  EXPECT_TRUE(IsChild(c, edit));
  EXPECT_EQ(notes, (Lines{"SETFOCUS"}));
  notes.clear();
  headless::TypeText("Я");  // replaces the selected text
  Run();
  EXPECT_EQ(Text(c), "Я");
  EXPECT_EQ(notes, (Lines{"EDITUPDATE", "EDITCHANGE"}));
  notes.clear();
  Chord(VK_MENU, VK_DOWN);
  EXPECT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_EQ(Text(c), "Paris");  // the typed text left the list's selection where it was
  EXPECT_EQ(SendMessage(c, CB_GETLBTEXTLEN, 3, 0), 6);  // "Рим" in bytes
  EXPECT_EQ(SendMessage(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("paris")), 1);
  SetFocus(form);
  EXPECT_EQ(notes.back(), "KILLFOCUS");
}

TEST_F(ComboBox, SimpleComboListIsAChild) {
  HWND c = Make(CBS_SIMPLE, 120);
  RECT r{};
  GetWindowRect(c, &r);
  EXPECT_EQ(r.bottom - r.top, 120);
  EXPECT_EQ(DroppedList(), nullptr);
  HWND list = nullptr;
  for (HWND w = GetWindow(c, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    char cls[16] = {};
    GetClassName(w, cls, sizeof(cls));
    if (std::string(cls) == "LISTBOX") list = w;
  }
  ASSERT_NE(list, nullptr);
  ClickAt(list, 10, 16 * 2 + 8);
  EXPECT_EQ(Text(c), "Paris");
  EXPECT_EQ(notes.back(), "SELCHANGE");
}

}  // namespace
