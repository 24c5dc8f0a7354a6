// Painting and the values around it: regions, update regions and WM_PAINT, device contexts and their
// clipping, scrolling, PNG capture, system colours, metrics and the clipboard.

#include <cstdio>
#include <cstring>
#include <fstream>

#include "Support.h"
#include "winapi/detail/Gdi.h"

using namespace wt;

namespace {

class Paint : public WinapiTest {
protected:
  static constexpr uint32_t kRed = 0xFF0000;
  static constexpr uint32_t kBlue = 0x0000FF;

  // a window whose WM_PAINT fills everything it may touch with one colour and counts the paints
  void Painter(const std::string& name, COLORREF color, std::vector<RECT>* paints) {
    On(name, [color, paints](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
      if (m != WM_PAINT) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (paints) paints->push_back(ps.rcPaint);
      RECT all{0, 0, 10000, 10000};
      HBRUSH b = CreateSolidBrush(color);
      FillRect(dc, &all, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      r = 0;
      return true;
    });
  }
};

TEST_F(Paint, RegionsCombineAsRectangleLists) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  struct Case {
    int mode;
    int type;
    RECT box;
    POINT in, out;
  };
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, {7, 7}, {2, 2}},
      {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, {12, 12}, {12, 2}},
      {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, {2, 2}, {7, 7}},
      {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, {2, 7}, {7, 7}},
      {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, {9, 9}, {10, 10}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombineRgn(d, a, b, c.mode), c.type) << c.mode;
    RECT box;
    GetRgnBox(d, &box);
    EXPECT_TRUE(EqualRect(&box, &c.box)) << c.mode;
    EXPECT_TRUE(PtInRegion(d, c.in.x, c.in.y)) << c.mode;
    EXPECT_FALSE(PtInRegion(d, c.out.x, c.out.y)) << c.mode;
  }
  CombineRgn(d, a, nullptr, RGN_COPY);
  OffsetRgn(d, 5, 5);
  SetRectRgn(a, 5, 5, 15, 15);
  EXPECT_TRUE(EqualRgn(d, a));
  RECT probe{14, 14, 20, 20}, away{20, 20, 30, 30};
  EXPECT_TRUE(RectInRegion(d, &probe));
  EXPECT_FALSE(RectInRegion(d, &away));
  EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
  for (HRGN r : {a, b, d}) EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(DeleteObject(a));
}

TEST_F(Paint, InvalidationsMergeIntoOnePaintPerRegion) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  std::vector<RECT> paints;
  Painter("W", RGB(255, 0, 0), &paints);
  Run();
  ASSERT_EQ(paints.size(), 1u);  // shown windows paint once
  paints.clear();
  RECT r1{10, 10, 20, 20}, r2{50, 40, 60, 70};
  InvalidateRect(w, &r1, TRUE);
  InvalidateRect(w, &r2, FALSE);
  RECT upd;
  ASSERT_TRUE(GetUpdateRect(w, &upd, FALSE));
  RECT expected{10, 10, 60, 70};
  EXPECT_TRUE(EqualRect(&upd, &expected));
  Run();
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_TRUE(EqualRect(&paints[0], &expected));
  Run();
  EXPECT_EQ(paints.size(), 1u);
  ValidateRect(w, nullptr);
  InvalidateRect(w, &r1, FALSE);
  ValidateRect(w, &r1);
  Run();
  EXPECT_EQ(paints.size(), 1u);  // validated before the loop got there
}

TEST_F(Paint, PaintIsClippedToTheUpdateRegion) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100);
  Painter("W", RGB(0, 0, 255), nullptr);
  Run();
  EXPECT_EQ(headless::Pixel(w, 50, 50), kBlue);
  Painter("W", RGB(255, 0, 0), nullptr);
  RECT r{20, 20, 30, 30};
  InvalidateRect(w, &r, FALSE);
  Run();
  EXPECT_EQ(headless::Pixel(w, 20, 20), kRed);
  EXPECT_EQ(headless::Pixel(w, 29, 29), kRed);
  EXPECT_EQ(headless::Pixel(w, 30, 30), kBlue);
  EXPECT_EQ(headless::Pixel(w, 19, 25), kBlue);
  EXPECT_EQ(headless::Pixel(nullptr, 30, 30), kRed);  // the screen shows the window's pixels
}

TEST_F(Paint, ClipChildrenKeepsTheParentOffItsChildren) {
  struct Case {
    DWORD parentStyle;
    uint32_t underChild;
  };
  // a parent without WS_CLIPCHILDREN paints first and its child repaints on top
  int x = 0;
  for (const Case& c : {Case{WS_CLIPCHILDREN, kBlue}, Case{0, kBlue}}) {
    std::string pn = "P" + std::to_string(x), cn = "C" + std::to_string(x);
    HWND p = Make(pn.c_str(), WS_POPUP | WS_VISIBLE | c.parentStyle, x, 300, 100, 100);
    HWND ch = Make(cn.c_str(), WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, p);
    Painter(pn, RGB(255, 0, 0), nullptr);
    Painter(cn, RGB(0, 0, 255), nullptr);
    Run();
    EXPECT_EQ(headless::Pixel(p, 15, 15), c.underChild);
    EXPECT_EQ(headless::Pixel(ch, 0, 0), kBlue);
    EXPECT_EQ(headless::Pixel(p, 50, 50), kRed);
    x += 200;
  }
  // a DC of a WS_CLIPCHILDREN parent cannot touch the child
  HWND p = Make("Q", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 200, 0, 100, 100);
  Make("K", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, p);
  Run();
  HDC dc = GetDC(p);
  RECT all{0, 0, 100, 100};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  ReleaseDC(p, dc);
  EXPECT_EQ(headless::Pixel(p, 50, 50), kRed);
  EXPECT_NE(headless::Pixel(p, 15, 15), kRed);
}

TEST_F(Paint, WindowRegionsClipDrawingAndTheScreen) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100);
  SetWindowRgn(w, CreateRectRgn(0, 0, 50, 100), TRUE);
  Painter("W", RGB(255, 0, 0), nullptr);
  Run();
  EXPECT_EQ(headless::Pixel(w, 10, 10), kRed);
  EXPECT_NE(headless::Pixel(w, 60, 10), kRed);
  EXPECT_EQ(headless::Pixel(nullptr, 110, 110), kRed);
  EXPECT_EQ(headless::Pixel(nullptr, 160, 110), winapi::detail::ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(w, copy), SIMPLEREGION);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box.right, 50);
  DeleteObject(copy);
}

TEST_F(Paint, BackgroundBrushErasesAndTheFrameIsPaintedOnce) {
  WNDCLASS wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "Bg";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClass(&wc);
  Log({WM_NCPAINT, WM_ERASEBKGND, WM_PAINT});
  HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150, nullptr, 0, "Bg");
  Run();
  EXPECT_EQ(Logged(), (Lines{"W NCPAINT", "W PAINT", "W ERASEBKGND"}));
  EXPECT_EQ(headless::Pixel(w, 5, 5), 0xFFFFFFu);
  uint32_t caption = headless::Pixel(nullptr, 100, 10);
  EXPECT_EQ(caption, winapi::detail::ColorToPixel(GetSysColor(COLOR_ACTIVECAPTION)));
  Clear();
  UpdateWindow(w);
  EXPECT_TRUE(Logged().empty());
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);  // paints at once, without the queue
  EXPECT_EQ(Logged(), (Lines{"W PAINT"}));
}

TEST_F(Paint, ScrollWindowMovesPixelsAndInvalidatesWhatItUncovers) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Run();
  HDC dc = GetDC(w);
  RECT left{0, 0, 50, 100}, right{50, 0, 100, 100};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &left, red);
  FillRect(dc, &right, blue);
  ReleaseDC(w, dc);
  DeleteObject(red);
  DeleteObject(blue);
  RECT upd;
  EXPECT_EQ(ScrollWindowEx(w, -10, 0, nullptr, nullptr, nullptr, &upd, SW_INVALIDATE), SIMPLEREGION);
  RECT expected{90, 0, 100, 100};
  EXPECT_TRUE(EqualRect(&upd, &expected));
  EXPECT_EQ(headless::Pixel(w, 39, 50), kRed);
  EXPECT_EQ(headless::Pixel(w, 40, 50), kBlue);
  RECT pending;
  ASSERT_TRUE(GetUpdateRect(w, &pending, FALSE));
  EXPECT_TRUE(EqualRect(&pending, &expected));
}

TEST_F(Paint, PngCaptureOfAWindowAndOfTheScreen) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30);
  Painter("W", RGB(0, 255, 0), nullptr);
  Run();
  char dir[] = "/tmp/winapi-png-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string win = std::string(dir) + "/w.png", screen = std::string(dir) + "/s.png";
  ASSERT_TRUE(headless::SavePng(w, win.c_str()));
  ASSERT_TRUE(headless::SavePng(nullptr, screen.c_str()));
  auto header = [](const std::string& path, uint32_t* width, uint32_t* height) {
    std::ifstream f(path, std::ios::binary);
    unsigned char b[24] = {};
    f.read(reinterpret_cast<char*>(b), sizeof b);
    *width = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
    *height = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
    return std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0;
  };
  uint32_t ww, wh, sw, sh;
  EXPECT_TRUE(header(win, &ww, &wh));
  EXPECT_TRUE(header(screen, &sw, &sh));
  EXPECT_EQ(ww, 40u);
  EXPECT_EQ(wh, 30u);
  EXPECT_EQ(sw, 800u);
  EXPECT_EQ(sh, 600u);
  std::remove(win.c_str());
  std::remove(screen.c_str());
  rmdir(dir);
  EXPECT_EQ(headless::Pixel(nullptr, 500, 500), winapi::detail::ColorToPixel(GetSysColor(COLOR_BACKGROUND)));
}

TEST_F(Paint, SystemColoursChangeWithABroadcast) {
  Make("A", WS_POPUP, 0, 0, 10, 10);
  Make("B", WS_POPUP, 0, 0, 10, 10);
  Log({WM_SYSCOLORCHANGE});
  int index = COLOR_BTNFACE;
  COLORREF color = RGB(1, 2, 3);
  ASSERT_TRUE(SetSysColors(1, &index, &color));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), color);
  EXPECT_EQ(Logged(), (Lines{"B SYSCOLORCHANGE", "A SYSCOLORCHANGE"}));
  auto* brush = winapi::detail::AsBrush(GetSysColorBrush(COLOR_BTNFACE));
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush->color, color);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 16);
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.right, 800);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  EXPECT_TRUE(GetMonitorInfo(MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTONULL), &mi));
  EXPECT_EQ(mi.rcMonitor.bottom, 600);
  EXPECT_EQ(MonitorFromPoint(POINT{-10, 10}, MONITOR_DEFAULTTONULL), nullptr);
}

TEST_F(Paint, ADisplayChangeReachesTopLevelWindows) {
  Make("A", WS_POPUP, 0, 0, 10, 10);
  std::vector<std::pair<UINT, LPARAM>> seen;
  On("A", [&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT&) {
    if (m == WM_DISPLAYCHANGE) seen.emplace_back(m, l);
    if (m == WM_SETTINGCHANGE) seen.emplace_back(m, static_cast<LPARAM>(w));
    return false;
  });
  headless::ResizeScreen(1024, 768);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  using P = std::pair<UINT, LPARAM>;
  EXPECT_EQ(seen, (std::vector<P>{{WM_DISPLAYCHANGE, MAKELPARAM(1024, 768)}, {WM_SETTINGCHANGE, SPI_SETWORKAREA}}));
}

TEST_F(Paint, ClipboardKeepsTextAndOffersBothTextFormats) {
  HWND a = Make("A", WS_POPUP, 0, 0, 10, 10);
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_FALSE(OpenClipboard(a));
  ASSERT_TRUE(EmptyClipboard());
  const char text[] = "Журнал";
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(GlobalLock(g), text, sizeof text);
  GlobalUnlock(g);
  EXPECT_EQ(SetClipboardData(CF_TEXT, g), g);
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(GetClipboardOwner(), a);
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto* t = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
  EXPECT_STREQ(t, text);
  auto* u = static_cast<const char16_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_EQ(std::u16string(u), u"Журнал");
  CloseClipboard();
}

}  // namespace

namespace {

class ScrollBars : public WinapiTest {};

TEST_F(ScrollBars, RangeShowsAndHidesTheBarAndClampsThePosition) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  RECT cr;
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 500, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90);  // the last page starts at 90
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.right, 200 - 16);
  SCROLLBARINFO sbi{};
  sbi.cbSize = sizeof sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar.left, 184);
  EXPECT_EQ(sbi.rcScrollBar.bottom, 100);
  EXPECT_EQ(sbi.rgstate[0], 0u);
  EXPECT_EQ(sbi.dxyLineButton, 16);
  EXPECT_GT(sbi.xyThumbTop, 16);
  si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE, 0, 9, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);  // everything fits: the bar goes
  EXPECT_FALSE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.right, 200);
  sbi.cbSize = sizeof sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_INVISIBLE);
  si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(w, SB_VERT, &si, TRUE);  // unless asked to stay, disabled
  sbi.cbSize = sizeof sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(ScrollBars, ClicksOnArrowsAndTrackBecomeScrollMessages) {
  HWND w = Make("W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  Run();
  std::vector<WORD> codes;
  On("W", [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT&) {
    if (m == WM_VSCROLL) codes.push_back(LOWORD(wp));
    return false;
  });
  headless::Click(190, 5);
  headless::Click(190, 195);
  headless::Click(190, 150);
  Run();
  EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 0);  // the window moves the position itself
}

}  // namespace
