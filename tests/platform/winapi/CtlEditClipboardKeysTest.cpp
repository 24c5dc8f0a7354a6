// The EDIT class's clipboard keys: each one goes through the clipboard message, so that a subclass of the
// window (an editor's inner edit) decides every cut, copy and paste, whether it came by key or by message.

#include "CtlSupport.h"

using namespace wt;

namespace {

std::vector<UINT> gEditClipboardSeen;
WNDPROC gEditClipboardPrevious = nullptr;

LRESULT EditClipboardSpy(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CUT || m == WM_COPY || m == WM_PASTE || m == WM_CLEAR) gEditClipboardSeen.push_back(m);
  return CallWindowProc(gEditClipboardPrevious, h, m, w, l);
}

class EditClipboardKeys : public CtlTest {
protected:
  HWND Spied(const char* text) {
    HWND e = Child("EDIT", text, ES_AUTOHSCROLL, 10, 10, 200, 20);
    SetFocus(e);
    Run();
    gEditClipboardSeen.clear();
    gEditClipboardPrevious =
        reinterpret_cast<WNDPROC>(SetWindowLongPtr(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditClipboardSpy)));
    return e;
  }
};

struct EditClipboardKeyCase {
  const char* name;
  int modifier;
  int key;
  UINT message;
  const char* textAfter;
};

TEST_F(EditClipboardKeys, EachClipboardKeySendsItsMessage) {
  const EditClipboardKeyCase cases[] = {
      {"Ctrl+C", VK_CONTROL, 'C', WM_COPY, "абв"},
      {"Ctrl+X", VK_CONTROL, 'X', WM_CUT, "в"},
      {"Ctrl+V", VK_CONTROL, 'V', WM_PASTE, "абабв"},
      {"Ctrl+Insert", VK_CONTROL, VK_INSERT, WM_COPY, "абв"},
      {"Shift+Delete", VK_SHIFT, VK_DELETE, WM_CUT, "в"},
      {"Shift+Insert", VK_SHIFT, VK_INSERT, WM_PASTE, "абабв"},
  };
  for (const EditClipboardKeyCase& c : cases) {
    HWND e = Spied("абв");
    SendMessage(e, EM_SETSEL, 0, 2);
    SendMessage(e, WM_COPY, 0, 0);  // the clipboard holds "аб"
    gEditClipboardSeen.clear();
    SendMessage(e, EM_SETSEL, 0, 2);
    if (c.message == WM_PASTE) SendMessage(e, EM_SETSEL, 2, 2);
    Chord(c.modifier, c.key);
    ASSERT_EQ(gEditClipboardSeen.size(), 1u) << c.name;
    EXPECT_EQ(gEditClipboardSeen[0], c.message) << c.name;
    EXPECT_EQ(Text(e), c.textAfter) << c.name;
    DestroyWindow(e);
  }
}

// A read-only window still tells its subclass of the cut (which may copy instead); its own handler cuts
// nothing.
TEST_F(EditClipboardKeys, ReadOnlyWindowStillSendsTheCut) {
  for (int modifier : {VK_CONTROL, VK_SHIFT}) {
    HWND e = Spied("абв");
    SendMessage(e, EM_SETREADONLY, TRUE, 0);
    SendMessage(e, EM_SETSEL, 0, 2);
    Chord(modifier, modifier == VK_CONTROL ? 'X' : VK_DELETE);
    ASSERT_EQ(gEditClipboardSeen.size(), 1u);
    EXPECT_EQ(gEditClipboardSeen[0], UINT(WM_CUT));
    EXPECT_EQ(Text(e), "абв");
    DestroyWindow(e);
  }
}

// A subclass that swallows the paste message keeps the text as it was: the key alone changes nothing.
TEST_F(EditClipboardKeys, ASwallowedPasteLeavesTheText) {
  HWND e = Child("EDIT", "abc", ES_AUTOHSCROLL, 10, 10, 200, 20);
  SetFocus(e);
  Run();
  SendMessage(e, EM_SETSEL, 0, 1);
  SendMessage(e, WM_COPY, 0, 0);
  static WNDPROC previous = nullptr;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(
      e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_PASTE) return 0;
        return CallWindowProc(previous, h, m, w, l);
      })));
  SendMessage(e, EM_SETSEL, 3, 3);
  Chord(VK_CONTROL, 'V');
  EXPECT_EQ(Text(e), "abc");
}

}  // namespace
