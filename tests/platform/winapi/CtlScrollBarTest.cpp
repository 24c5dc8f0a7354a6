// The "SCROLLBAR" class: its SB_CTL state through SBM_* and SetScrollInfo, clicks and keys reported to
// the parent as WM_VSCROLL / WM_HSCROLL with the control's handle.

#include "CtlSupport.h"

using namespace wt;

namespace {

class ScrollBar : public CtlTest {};

TEST_F(ScrollBar, ClicksAndKeysScrollThroughTheParent) {
  HWND sb = Child("SCROLLBAR", "", SBS_VERT, 10, 10, 17, 120, 3);
  std::vector<std::pair<WORD, HWND>> got;
  On("form", [&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT&) {
    if (m == WM_VSCROLL) got.emplace_back(LOWORD(w), reinterpret_cast<HWND>(l));
    return false;
  });
  SendMessage(sb, SBM_SETRANGE, 0, 10);
  EXPECT_EQ(SendMessage(sb, SBM_SETPOS, 4, TRUE), 0);
  EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), 4);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_PAGE;
  si.nPage = 3;
  SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(sb, SB_CTL, &si));
  EXPECT_EQ(si.nMax, 10);
  EXPECT_EQ(si.nPage, 3u);
  EXPECT_EQ(si.nPos, 4);
  ClickAt(sb, 8, 3);    // the upper arrow
  ClickAt(sb, 8, 116);  // the lower arrow
  SetFocus(sb);
  Key(VK_NEXT);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0], std::make_pair(static_cast<WORD>(SB_LINEUP), sb));
  EXPECT_EQ(got[1].first, SB_ENDSCROLL);
  EXPECT_EQ(got[2].first, SB_LINEDOWN);
  EXPECT_EQ(got[4].first, SB_PAGEDOWN);
  int a = 0, b = 0;
  SendMessage(sb, SBM_GETRANGE, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(b, 10);
  // the state is drawn: arrows of 17, a track of 86, a thumb of 86 * 3 / 11 = 23 pixels at
  // 17 + (86 - 23) * 4 / 8 = 48, its top edge lit
  UpdateWindow(sb);
  COLORREF lit = GetSysColor(COLOR_BTNHIGHLIGHT);
  uint32_t rgb = (static_cast<uint32_t>(GetRValue(lit)) << 16) | (static_cast<uint32_t>(GetGValue(lit)) << 8) | GetBValue(lit);
  EXPECT_EQ(headless::Pixel(sb, 8, 48), rgb);
  EXPECT_NE(headless::Pixel(sb, 8, 47), rgb);
}

}  // namespace
