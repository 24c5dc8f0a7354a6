// The "EDIT" class: typing, caret and selection, undo, notifications, clipboard, multi-line layout.

#include "CtlSupport.h"

using namespace wt;

namespace {

class Edit : public CtlTest {
protected:
  std::string Note(HWND, WORD code) override {
    switch (code) {
      case EN_CHANGE: return "CHANGE";
      case EN_UPDATE: return "UPDATE";
      case EN_SETFOCUS: return "SETFOCUS";
      case EN_KILLFOCUS: return "KILLFOCUS";
      case EN_MAXTEXT: return "MAXTEXT";
      case EN_VSCROLL: return "VSCROLL";
      default: return std::to_string(code);
    }
  }
  static std::pair<int, int> Sel(HWND e) {
    DWORD a = 0, b = 0;
    SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {static_cast<int>(a), static_cast<int>(b)};
  }
  static POINT Caret() {
    POINT p{};
    GetCaretPos(&p);
    return p;
  }
  HWND Single(const char* text = "", DWORD style = ES_AUTOHSCROLL) {
    HWND e = Child("EDIT", text, style, 10, 10, 200, 20);
    SetFocus(e);
    Run();
    notes.clear();
    return e;
  }
  HWND Memo(const char* text, int height = 48, DWORD style = ES_AUTOHSCROLL | ES_AUTOVSCROLL) {
    HWND e = Child("EDIT", text, ES_MULTILINE | style, 10, 10, 200, height);
    SetFocus(e);
    Run();
    notes.clear();
    return e;
  }
};

TEST_F(Edit, TypingCyrillicCountsCodePointsAndNotifiesUpdateBeforeChange) {
  HWND e = Single();
  headless::TypeText("Привет");
  Run();
  EXPECT_EQ(Text(e), "Привет");
  EXPECT_EQ(GetWindowTextLength(e), 12);  // bytes
  EXPECT_EQ(Sel(e), std::make_pair(6, 6));
  EXPECT_EQ(Caret().x, 6 * 8);
  ASSERT_EQ(notes.size(), 12u);
  for (size_t i = 0; i < notes.size(); i += 2) {
    EXPECT_EQ(notes[i], "UPDATE");
    EXPECT_EQ(notes[i + 1], "CHANGE");
  }
  EXPECT_TRUE(SendMessage(e, EM_GETMODIFY, 0, 0));
}

TEST_F(Edit, ArrowsHomeEndWordsAndShiftSelection) {
  HWND e = Single("один два три");
  struct Case {
    int mod;
    int vk;
    std::pair<int, int> sel;
  } cases[] = {
      {0, VK_END, {12, 12}},
      {VK_CONTROL, VK_LEFT, {9, 9}},
      {VK_CONTROL, VK_LEFT, {5, 5}},
      {VK_SHIFT, VK_RIGHT, {5, 6}},
      {VK_SHIFT, VK_END, {5, 12}},
      {0, VK_LEFT, {5, 5}},  // Left collapses a selection to its start
      {VK_SHIFT, VK_HOME, {0, 5}},
      {VK_CONTROL, VK_RIGHT, {5, 5}},
      {0, VK_HOME, {0, 0}},
  };
  for (const Case& c : cases) {
    if (c.mod) Chord(c.mod, c.vk);
    else Key(c.vk);
    EXPECT_EQ(Sel(e), c.sel) << c.vk;
  }
  EXPECT_TRUE(notes.empty());  // moving never changes the text
}

TEST_F(Edit, BackspaceDeleteAndUndoThatUndoesItself) {
  HWND e = Single();
  headless::TypeText("abc def");
  Run();
  Key(VK_BACK);
  EXPECT_EQ(Text(e), "abc de");
  EXPECT_TRUE(SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessage(e, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(e), "abc def");
  EXPECT_TRUE(SendMessage(e, EM_UNDO, 0, 0));  // undoing the undo
  EXPECT_EQ(Text(e), "abc de");
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Text(e), "bc de");
  // consecutive typing is one step
  SendMessage(e, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessage(e, EM_CANUNDO, 0, 0));
  headless::TypeText("XYZ");
  Run();
  EXPECT_EQ(Text(e), "XYZbc de");
  Chord(VK_CONTROL, 'Z');
  EXPECT_EQ(Text(e), "bc de");
}

TEST_F(Edit, SetTextAndReplaceSelNotifyInThePlatformsOrder) {
  HWND e = Single("hello");
  SetWindowText(e, "world");
  EXPECT_EQ(notes, (Lines{"UPDATE", "CHANGE"}));
  EXPECT_FALSE(SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_FALSE(SendMessage(e, EM_GETMODIFY, 0, 0));
  notes.clear();
  SendMessage(e, EM_SETSEL, 1, 3);
  SendMessage(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("ОО"));
  EXPECT_EQ(Text(e), "wООld");
  EXPECT_EQ(Sel(e), std::make_pair(3, 3));
  EXPECT_EQ(notes, (Lines{"UPDATE", "CHANGE"}));
  SendMessage(e, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(e), "world");

  HWND m = Memo("a");
  SetWindowText(m, "b\r\nc");
  EXPECT_EQ(notes, (Lines{"UPDATE"}));  // a multi-line edit does not report WM_SETTEXT as a change
}

TEST_F(Edit, SetSelForms) {
  HWND e = Single("abcdef");
  struct Case {
    WPARAM a;
    LPARAM b;
    std::pair<int, int> sel;
  } cases[] = {{0, -1, {0, 6}}, {4, 2, {2, 4}}, {2, 100, {2, 6}}, {static_cast<WPARAM>(-1), 0, {6, 6}}, {1, 1, {1, 1}}};
  for (const Case& c : cases) {
    SendMessage(e, EM_SETSEL, c.a, c.b);
    EXPECT_EQ(Sel(e), c.sel);
  }
  SendMessage(e, EM_SETSEL, 4, 2);  // the caret sits at the second position
  EXPECT_EQ(Caret().x, 2 * 8);
}

TEST_F(Edit, ClipboardKeysAndMessages) {
  HWND e = Single("кот и пёс");
  SendMessage(e, EM_SETSEL, 0, 3);
  Chord(VK_CONTROL, 'X');
  EXPECT_EQ(Text(e), " и пёс");
  Key(VK_END);
  Chord(VK_CONTROL, 'V');
  EXPECT_EQ(Text(e), " и пёскот");
  Chord(VK_CONTROL, 'A');
  Chord(VK_CONTROL, 'C');
  SendMessage(e, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(e), "");
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), " и пёскот");

  // a password edit shows its character and never gives its text to the clipboard
  HWND p = Child("EDIT", "secret", ES_PASSWORD | ES_AUTOHSCROLL, 10, 40, 200, 20, 101);
  EXPECT_EQ(SendMessage(p, EM_GETPASSWORDCHAR, 0, 0), '*');
  SendMessage(p, EM_SETSEL, 0, -1);
  SendMessage(p, WM_COPY, 0, 0);
  SendMessage(e, EM_SETSEL, 0, -1);
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), " и пёскот");
}

TEST_F(Edit, ReadOnlyLimitNumberAndCase) {
  HWND e = Single("abc", ES_AUTOHSCROLL | ES_READONLY);
  headless::TypeText("x");
  Run();
  Key(VK_BACK);
  EXPECT_EQ(Text(e), "abc");
  EXPECT_GE(headless::BeepCount(), 1);
  SendMessage(e, EM_SETREADONLY, FALSE, 0);
  EXPECT_FALSE(GetWindowLong(e, GWL_STYLE) & ES_READONLY);

  SendMessage(e, EM_LIMITTEXT, 5, 0);
  EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), 5);
  Key(VK_END);
  notes.clear();
  headless::TypeText("xyz");
  Run();
  EXPECT_EQ(Text(e), "abcxy");
  EXPECT_EQ(notes.back(), "MAXTEXT");

  HWND n = Child("EDIT", "", ES_NUMBER | ES_AUTOHSCROLL, 10, 40, 200, 20, 101);
  SetFocus(n);
  headless::TypeText("1a2");
  Run();
  EXPECT_EQ(Text(n), "12");

  HWND u = Child("EDIT", "", ES_UPPERCASE | ES_AUTOHSCROLL, 10, 70, 200, 20, 102);
  SetFocus(u);
  headless::TypeText("ёжik");
  Run();
  EXPECT_EQ(Text(u), "ЁЖIK");
}

TEST_F(Edit, WithoutAutoScrollTheTextMustFit) {
  HWND e = Child("EDIT", "", 0, 10, 10, 40, 20);  // room for five characters
  SetFocus(e);
  headless::TypeText("abcdefg");
  Run();
  EXPECT_EQ(Text(e), "abcde");
}

TEST_F(Edit, AutoScrollKeepsTheCaretInView) {
  HWND e = Single();
  headless::TypeText("0123456789012345678901234567890");  // 31 characters, 248 pixels in 200
  Run();
  EXPECT_LT(Caret().x, 200);
  EXPECT_GT(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);  // the first visible character
  Key(VK_HOME);
  EXPECT_EQ(Caret().x, 0);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Edit, MarginsMoveTheFormattingRectangle) {
  HWND e = Single("ab");
  SendMessage(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 5));
  EXPECT_EQ(SendMessage(e, EM_GETMARGINS, 0, 0), MAKELRESULT(3, 5));
  RECT r{};
  SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.right, 200 - 5);
  EXPECT_EQ(LOWORD(SendMessage(e, EM_POSFROMCHAR, 1, 0)), 3 + 8);
  EXPECT_EQ(SendMessage(e, EM_POSFROMCHAR, 2, 0), -1);  // past the last character
  SendMessage(e, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(0, 9));
  EXPECT_EQ(SendMessage(e, EM_GETMARGINS, 0, 0), MAKELRESULT(0, 5));
}

TEST_F(Edit, MultiLineLinesAndPositions) {
  HWND m = Memo("первая\r\nвторая строка\r\n\r\nend");
  EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 4);
  struct Case {
    int line, index, length;
  } cases[] = {{0, 0, 6}, {1, 8, 13}, {2, 23, 0}, {3, 25, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(SendMessage(m, EM_LINEINDEX, c.line, 0), c.index);
    EXPECT_EQ(SendMessage(m, EM_LINELENGTH, c.index, 0), c.length);
    EXPECT_EQ(SendMessage(m, EM_LINEFROMCHAR, c.index, 0), c.line);
  }
  EXPECT_EQ(SendMessage(m, EM_LINEINDEX, 4, 0), -1);
  char buf[64] = {};
  *reinterpret_cast<WORD*>(buf) = sizeof(buf);
  LRESULT n = SendMessage(m, EM_GETLINE, 1, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "вторая строка");
  LRESULT pos = SendMessage(m, EM_POSFROMCHAR, 10, 0);
  EXPECT_EQ(LOWORD(pos), 16);
  EXPECT_EQ(HIWORD(pos), 16);
  LRESULT ch = SendMessage(m, EM_CHARFROMPOS, 0, MAKELPARAM(17, 20));
  EXPECT_EQ(LOWORD(ch), 10);
  EXPECT_EQ(HIWORD(ch), 1);
}

TEST_F(Edit, MultiLineEnterUpDownAndScrolling) {
  HWND m = Memo("");  // three visible lines
  headless::TypeText("abcdef");
  Run();
  Key(VK_RETURN);
  headless::TypeText("xy");
  Run();
  EXPECT_EQ(Text(m), "abcdef\r\nxy");
  Key(VK_UP);
  EXPECT_EQ(SendMessage(m, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 0);
  EXPECT_EQ(Sel(m), std::make_pair(2, 2));  // the column is kept
  Key(VK_END);
  Key(VK_DOWN);
  EXPECT_EQ(Sel(m), std::make_pair(10, 10));  // the shorter line ends first
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(Sel(m), std::make_pair(6, 6));  // a line break is one step
  for (int i = 0; i < 5; ++i) {
    Key(VK_END);
    Chord(VK_CONTROL, VK_END);
    Key(VK_RETURN);
  }
  EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 7);
  EXPECT_EQ(SendMessage(m, EM_GETFIRSTVISIBLELINE, 0, 0), 4);
  EXPECT_EQ(Caret().y, 2 * 16);
  Chord(VK_CONTROL, VK_HOME);
  EXPECT_EQ(SendMessage(m, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SendMessage(m, EM_LINESCROLL, 0, 2);
  EXPECT_EQ(SendMessage(m, EM_GETFIRSTVISIBLELINE, 0, 0), 2);
  SendMessage(m, EM_SETSEL, 0, 0);
  SendMessage(m, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(SendMessage(m, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Edit, AppendingManyLinesKeepsTheLineTableRight) {
  HWND m = Memo("", 48, ES_AUTOVSCROLL | WS_VSCROLL);
  std::string expect;
  std::vector<int> starts;
  int at = 0;
  for (int i = 0; i < 300; ++i) {
    std::string line = "строка " + std::to_string(i) + "\r\n";
    SendMessage(m, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessage(m, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    expect += line;
    starts.push_back(at);
    at += 7 + static_cast<int>(std::to_string(i).size()) + 2;
  }
  EXPECT_EQ(Text(m), expect);
  EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 301);
  for (int line : {0, 9, 10, 150, 299}) EXPECT_EQ(SendMessage(m, EM_LINEINDEX, line, 0), starts[static_cast<size_t>(line)]);
  EXPECT_EQ(SendMessage(m, EM_LINEINDEX, 300, 0), at);
  EXPECT_EQ(SendMessage(m, EM_GETFIRSTVISIBLELINE, 0, 0), 298);
  EXPECT_FALSE(SendMessage(m, EM_CANUNDO, 0, 0));  // added without an undo step
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(m, SB_VERT, &si);
  EXPECT_EQ(si.nMax, 300);
  EXPECT_EQ(si.nPage, 3u);
  EXPECT_EQ(si.nPos, 298);
}

TEST_F(Edit, MouseSetsCaretDragsASelectionAndDoubleClickPicksAWord) {
  HWND e = Single("слово другое");
  ClickAt(e, 3 * 8 + 2, 5);
  EXPECT_EQ(Sel(e), std::make_pair(3, 3));
  POINT a = Screen(e, 1 * 8, 5), b = Screen(e, 9 * 8, 5);
  headless::MouseMove(a.x, a.y);
  headless::MouseDown();
  Run();
  EXPECT_EQ(GetCapture(), e);
  headless::MouseMove(b.x, b.y);
  headless::MouseUp();
  Run();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Sel(e), std::make_pair(1, 9));
  headless::AdvanceClock(1000);
  POINT c = Screen(e, 8 * 8 + 3, 5);
  headless::Click(c.x, c.y);
  headless::Click(c.x, c.y);
  Run();
  EXPECT_EQ(Sel(e), std::make_pair(6, 12));
}

TEST_F(Edit, DialogCodes) {
  HWND e = Single();
  HWND m = Memo("");
  LRESULT single = SendMessage(e, WM_GETDLGCODE, 0, 0);
  EXPECT_EQ(single, DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
  EXPECT_TRUE(SendMessage(m, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  MSG enter{m, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_FALSE(SendMessage(m, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTALLKEYS);
}

TEST_F(Edit, PaintAsksTheParentForColoursAndHighlightsTheSelection) {
  HWND e = Single("abcdef");
  colorBrush = CreateSolidBrush(RGB(0, 128, 0));
  colorAsks.clear();
  SendMessage(e, EM_SETSEL, 1, 3);
  UpdateWindow(e);
  EXPECT_EQ(colorAsks, (std::vector<UINT>{WM_CTLCOLOREDIT}));
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  uint32_t rgb = (static_cast<uint32_t>(GetRValue(hl)) << 16) | (static_cast<uint32_t>(GetGValue(hl)) << 8) | GetBValue(hl);
  EXPECT_EQ(headless::Pixel(e, 8 * 2, 15), rgb);
  EXPECT_EQ(headless::Pixel(e, 150, 18), 0x008000u);
  colorAsks.clear();
  SendMessage(e, EM_SETREADONLY, TRUE, 0);
  UpdateWindow(e);
  EXPECT_EQ(colorAsks, (std::vector<UINT>{WM_CTLCOLORSTATIC}));
  DeleteObject(colorBrush);
}

TEST_F(Edit, FocusNotifications) {
  HWND e = Child("EDIT", "", ES_AUTOHSCROLL, 10, 10, 100, 20, 100);
  HWND f = Child("EDIT", "", ES_AUTOHSCROLL, 10, 40, 100, 20, 101);
  SetFocus(e);
  SetFocus(f);
  EXPECT_EQ(notes, (Lines{"SETFOCUS", "KILLFOCUS", "SETFOCUS"}));
}

}  // namespace
