// The theme calls: off until switched on, every class opens and draws, sizes, content rectangles, regions,
// colours, and parent backgrounds.

#include <gtest/gtest.h>

#include "GdiSupport.h"
#include "Support.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"

using namespace gt;
constexpr COLORREF kBack = RGB(255, 0, 255);

namespace {

class Theme : public wt::WinapiTest {
 protected:
  void TearDown() override {
    winapi::SetThemeActive(false);
    wt::WinapiTest::TearDown();
  }
};

const char* const kClasses[] = {"Button",  "Clock",   "ComboBox", "Edit",   "ExplorerBar", "Header",
                                "ListView", "Menu",    "Page",     "Progress", "Rebar",     "ScrollBar",
                                "Spin",    "StartPanel", "Status", "Tab",    "TaskBand",    "TaskBar",
                                "ToolBar", "ToolTip", "TrackBar", "TrayNotify", "TreeView", "Window"};

}  // namespace

TEST_F(Theme, OffUntilSwitchedOnAndWindowsHearTheChange) {
  EXPECT_FALSE(IsThemeActive());
  EXPECT_EQ(OpenThemeData(nullptr, "Button"), nullptr);
  char name[64];
  EXPECT_TRUE(FAILED(GetCurrentThemeName(name, 64, nullptr, 0, nullptr, 0)));
  HWND top = Make("top", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  Make("child", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
  Log({WM_THEMECHANGED});
  winapi::SetThemeActive(true);
  EXPECT_EQ(Logged(), (wt::Lines{"top #794", "child #794"}));
  EXPECT_TRUE(IsThemeActive());
  EXPECT_TRUE(IsAppThemed());
  EXPECT_TRUE(SUCCEEDED(GetCurrentThemeName(name, 64, nullptr, 0, nullptr, 0)));
  EXPECT_GT(std::string(name).size(), 0u);
}

TEST_F(Theme, EveryClassOpensAndDrawsItsParts) {
  winapi::SetThemeActive(true);
  Surface s(40, 40, kBack);
  for (const char* cls : kClasses) {
    HTHEME t = OpenThemeData(nullptr, cls);
    ASSERT_NE(t, nullptr) << cls;
    int drawn = 0;
    for (int part = 0; part <= 30; ++part)
      for (int state = 0; state <= 16; ++state) {
        s.Fill(kBack);
        RECT r{4, 4, 36, 30};
        ASSERT_EQ(DrawThemeBackground(t, s.dc, part, state, &r, nullptr), S_OK);
        bool inside = true;
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 40; ++x)
            if ((x < 4 || x >= 36 || y < 4 || y >= 30) && s.At(x, y) != kBack) inside = false;
        EXPECT_TRUE(inside) << cls << " " << part << "/" << state;
        for (int y = 4; y < 30; ++y)
          for (int x = 4; x < 36; ++x) drawn += s.At(x, y) != kBack;
      }
    EXPECT_GT(drawn, 0) << cls;
    EXPECT_EQ(CloseThemeData(t), S_OK);
  }
  // Case and class lists: the first known name wins.
  HTHEME t = OpenThemeData(nullptr, "NoSuchClass;tReEvIeW");
  EXPECT_NE(t, nullptr);
  CloseThemeData(t);
  EXPECT_EQ(OpenThemeData(nullptr, "NoSuchClass"), nullptr);
}

TEST_F(Theme, PushButtonStatesColoursAndMetrics) {
  winapi::SetThemeActive(true);
  HTHEME t = OpenThemeData(nullptr, "Button");
  Surface s(30, 20);
  RECT r{0, 0, 30, 20};
  COLORREF border[4];
  for (int st = PBS_NORMAL; st <= PBS_DISABLED; ++st) {
    DrawThemeBackground(t, s.dc, BP_PUSHBUTTON, st, &r, nullptr);
    COLORREF c = 0;
    ASSERT_EQ(GetThemeColor(t, BP_PUSHBUTTON, st, TMT_BORDERCOLOR, &c), S_OK);
    EXPECT_EQ(s.At(0, 5), c);
    border[st - 1] = c;
    ASSERT_EQ(GetThemeColor(t, BP_PUSHBUTTON, st, TMT_FILLCOLOR, &c), S_OK);
    EXPECT_EQ(s.At(10, 10), c);
  }
  EXPECT_NE(border[0], border[1]);
  EXPECT_NE(border[1], border[2]);
  COLORREF text = 0;
  GetThemeColor(t, BP_PUSHBUTTON, PBS_DISABLED, TMT_TEXTCOLOR, &text);
  EXPECT_NE(text, RGB(0, 0, 0));
  RECT content{};
  GetThemeBackgroundContentRect(t, s.dc, BP_PUSHBUTTON, PBS_NORMAL, &r, &content);
  EXPECT_EQ(content.left, 3);
  EXPECT_EQ(content.bottom, 17);
  RECT extent{};
  GetThemeBackgroundExtent(t, s.dc, BP_PUSHBUTTON, PBS_NORMAL, &content, &extent);
  EXPECT_EQ(extent.right, 30);
  SIZE sz{};
  GetThemePartSize(t, s.dc, BP_CHECKBOX, CBS_CHECKEDNORMAL, nullptr, TS_TRUE, &sz);
  EXPECT_EQ(sz.cx, 13);
  EXPECT_EQ(sz.cy, 13);
  EXPECT_TRUE(IsThemeBackgroundPartiallyTransparent(t, BP_RADIOBUTTON, RBS_CHECKEDNORMAL));
  EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(t, BP_CHECKBOX, CBS_CHECKEDNORMAL));
  HRGN rgn = nullptr;
  RECT box{0, 0, 13, 13};
  GetThemeBackgroundRegion(t, s.dc, BP_RADIOBUTTON, RBS_CHECKEDNORMAL, &box, &rgn);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 6, 6));
  DeleteObject(rgn);
  // A clip rectangle limits the drawing.
  s.Fill(kWhiteC);
  RECT clip{0, 0, 10, 20};
  DrawThemeBackground(t, s.dc, BP_PUSHBUTTON, PBS_NORMAL, &r, &clip);
  EXPECT_EQ(s.At(29, 5), kWhiteC);
  EXPECT_NE(s.At(0, 5), kWhiteC);
  RECT afterClip{};
  EXPECT_EQ(GetClipBox(s.dc, &afterClip), SIMPLEREGION);
  EXPECT_EQ(afterClip.right, 30);  // the DC's own clip is back
  CloseThemeData(t);
}

TEST_F(Theme, ParentBackgroundIsDrawnInTheChildsCoordinates) {
  HWND parent = Make("parent", WS_POPUP | WS_VISIBLE, 0, 0, 60, 60);
  HWND child = Make("child", WS_CHILD | WS_VISIBLE, 8, 8, 20, 20, parent);
  std::vector<UINT> seen;
  On("parent", [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT& r) {
    if (m == WM_ERASEBKGND || m == WM_PRINTCLIENT) seen.push_back(m);
    if (m != WM_ERASEBKGND) return false;
    RECT red{10, 10, 20, 20};
    HBRUSH b = CreateSolidBrush(kRed);
    FillRect(reinterpret_cast<HDC>(w), &red, b);
    DeleteObject(b);
    r = 1;
    return true;
  });
  Surface s(20, 20);
  EXPECT_EQ(DrawThemeParentBackground(child, s.dc, nullptr), S_OK);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_ERASEBKGND, WM_PRINTCLIENT}));
  EXPECT_EQ(s.At(2, 2), kRed);
  EXPECT_EQ(s.At(11, 11), kRed);
  EXPECT_EQ(s.At(1, 1), kWhiteC);
  EXPECT_EQ(s.At(12, 12), kWhiteC);
  POINT vp{};
  GetViewportOrgEx(s.dc, &vp);
  EXPECT_EQ(vp.x, 0);
  // A rectangle limits the painting to part of the child.
  s.Fill(kWhiteC);
  RECT part{0, 0, 5, 5};
  DrawThemeParentBackground(child, s.dc, &part);
  EXPECT_EQ(s.At(4, 4), kRed);
  EXPECT_EQ(s.At(6, 6), kWhiteC);
}
