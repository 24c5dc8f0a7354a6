// The X11 backend against a real X server (Xvfb, started by scripts/test.sh and named by VORN_X11_DISPLAY).
// A second connection plays the other application: it reads the screen, sends synthetic input through
// XTEST, and trades clipboard text.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/X11Backend.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

struct Record {
  std::vector<UINT> mouse;
  std::vector<POINT> mousePts;
  std::vector<WPARAM> keyDowns;
  std::u32string chars;
  int closes = 0;
};
Record gRec;
COLORREF gColor = RGB(0x33, 0x66, 0xCC);

LRESULT TestProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      HBRUSH b = CreateSolidBrush(gColor);
      FillRect(dc, &r, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      gRec.mouse.push_back(m);
      gRec.mousePts.push_back(POINT{static_cast<SHORT>(LOWORD(l)), static_cast<SHORT>(HIWORD(l))});
      return 0;
    case WM_KEYDOWN: gRec.keyDowns.push_back(w); return 0;
    case WM_CHAR: gRec.chars.push_back(static_cast<char32_t>(w)); return 0;
    case WM_CLOSE: ++gRec.closes; break;
    default: break;
  }
  return DefWindowProc(h, m, w, l);
}

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class X11Test : public ::testing::Test {
protected:
  void SetUp() override {
    display_ = std::getenv("VORN_X11_DISPLAY");
    if (!display_ || !*display_) GTEST_SKIP() << "no X server for the tests (VORN_X11_DISPLAY is not set)";
    peer_ = XOpenDisplay(display_);
    ASSERT_NE(peer_, nullptr);
    gRec = Record{};
    gColor = RGB(0x33, 0x66, 0xCC);
  }
  void TearDown() override {
    winapi::UninstallX11Backend();
    if (peer_) XCloseDisplay(peer_);
  }

  void Install(bool sharedMemory = true) {
    ASSERT_TRUE(winapi::InstallX11Backend(display_, sharedMemory));
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "X11Test";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassEx(&wc);
  }

  HWND Create(DWORD style, DWORD ex, int x, int y, int w, int h, HWND owner = nullptr, const char* title = "") {
    HWND hwnd = CreateWindowEx(ex, "X11Test", title, style, x, y, w, h, owner, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }

  // Runs our message loop (and `peerStep` for the other client) until `done` or the time is up.
  bool Pump(const std::function<bool()>& done, int ms = 3000, const std::function<void()>& peerStep = nullptr) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      MSG m;
      while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      winapi::FlushX11Backend();
      if (peerStep) peerStep();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  uint32_t RootPixel(int x, int y) {
    XImage* img = XGetImage(peer_, DefaultRootWindow(peer_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xFFFFFFFF;
    uint32_t p = static_cast<uint32_t>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }

  // Every pixel of the window on the screen equals its buffer.
  bool ScreenMatchesBuffer(HWND h, std::string* why) {
    RECT wr;
    GetWindowRect(h, &wr);
    winapi::PixelBuffer buf{};
    POINT o{};
    if (!winapi::GetWindowBuffer(h, &buf, &o)) return false;
    int w = wr.right - wr.left, hh = wr.bottom - wr.top;
    XImage* img = XGetImage(peer_, DefaultRootWindow(peer_), wr.left, wr.top, static_cast<unsigned>(w),
                            static_cast<unsigned>(hh), AllPlanes, ZPixmap);
    if (!img) return false;
    bool same = true;
    for (int y = 0; y < hh && same; ++y)
      for (int x = 0; x < w && same; ++x) {
        uint32_t s = static_cast<uint32_t>(XGetPixel(img, x, y)) & 0xFFFFFF;
        uint32_t b = buf.pixels[static_cast<size_t>(o.y + y) * buf.stride + o.x + x] & 0xFFFFFF;
        if (s != b) {
          same = false;
          if (why) *why = "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs";
        }
      }
    XDestroyImage(img);
    return same;
  }

  // The top-level X window of ours whose _NET_WM_NAME is `title`.
  ::Window FindByTitle(const std::string& title) {
    ::Window rootRet, parent, *children = nullptr;
    unsigned n = 0;
    ::Window found = 0;
    Atom netName = XInternAtom(peer_, "_NET_WM_NAME", False), utf8 = XInternAtom(peer_, "UTF8_STRING", False);
    if (!XQueryTree(peer_, DefaultRootWindow(peer_), &rootRet, &parent, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
      Atom type;
      int format;
      unsigned long count, after;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(peer_, children[i], netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                             &data) == Success &&
          data) {
        if (std::string(reinterpret_cast<char*>(data), count) == title) found = children[i];
        XFree(data);
      }
    }
    if (children) XFree(children);
    return found;
  }

  const char* display_ = nullptr;
  Display* peer_ = nullptr;
};

// Both ways to the screen: shared memory (Xvfb offers it) and plain XPutImage.
class X11PresentTest : public X11Test, public ::testing::WithParamInterface<bool> {};

TEST_P(X11PresentTest, WindowShowsThePixelsOfItsBufferAndItsRepaints) {
  Install(GetParam());
  EXPECT_EQ(winapi::X11BackendUsesShm(), GetParam());
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 60, 50, 240, 160, nullptr, "Buffer");
  std::string why;
  EXPECT_TRUE(Pump([&] { return ScreenMatchesBuffer(h, &why); })) << why;
  POINT c{20, 20};
  ClientToScreen(h, &c);
  EXPECT_EQ(RootPixel(c.x, c.y), Rgb(gColor));

  // a repaint, not an expose, must reach the screen
  gColor = RGB(0xE0, 0x40, 0x10);
  InvalidateRect(h, nullptr, TRUE);
  EXPECT_TRUE(Pump([&] { return RootPixel(c.x, c.y) == Rgb(gColor); }));
  EXPECT_TRUE(ScreenMatchesBuffer(h, &why)) << why;

  // a window reaching past the screen's edges still shows the part that is on it
  gColor = RGB(0x20, 0x20, 0x90);
  SetWindowPos(h, nullptr, -20, -10, 1400, 900, SWP_NOZORDER);
  RECT cr;
  GetClientRect(h, &cr);
  POINT nearCorner{30, 60}, farCorner{cr.right - 10, cr.bottom - 10};
  ClientToScreen(h, &nearCorner);
  ClientToScreen(h, &farCorner);
  ASSERT_LT(farCorner.x, 1280);
  ASSERT_LT(farCorner.y, 800);
  EXPECT_TRUE(Pump([&] {
    return RootPixel(nearCorner.x, nearCorner.y) == Rgb(gColor) && RootPixel(farCorner.x, farCorner.y) == Rgb(gColor);
  }));
}

INSTANTIATE_TEST_SUITE_P(Ways, X11PresentTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Shm" : "PutImage"; });

TEST_F(X11Test, PopupIsOverrideRedirectAndAppearsAboveItsOwner) {
  Install();
  HWND main = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 100, 300, 200, nullptr, "Owner");
  ASSERT_TRUE(Pump([&] { return ScreenMatchesBuffer(main, nullptr); }));
  gColor = RGB(0x10, 0xA0, 0x30);
  HWND popup = Create(WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW, 150, 150, 100, 50, main);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Pump([&] { return RootPixel(200, 175) == Rgb(gColor); }));
  EXPECT_TRUE(ScreenMatchesBuffer(popup, nullptr));

  // the topmost child of the root is the popup, unmanaged, at the popup's rectangle
  ::Window rootRet, parent, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(peer_, DefaultRootWindow(peer_), &rootRet, &parent, &children, &n));
  ::Window top = 0;
  for (unsigned i = n; i-- > 0 && !top;) {
    XWindowAttributes a;
    if (XGetWindowAttributes(peer_, children[i], &a) && a.map_state == IsViewable && a.c_class == InputOutput) {
      top = children[i];
      EXPECT_TRUE(a.override_redirect);
      EXPECT_EQ(a.x, 150);
      EXPECT_EQ(a.y, 150);
      EXPECT_EQ(a.width, 100);
      EXPECT_EQ(a.height, 50);
    }
  }
  if (children) XFree(children);
  EXPECT_NE(top, 0u);

  // hidden again, the owner's pixels come back
  ShowWindow(popup, SW_HIDE);
  EXPECT_TRUE(Pump([&] { return ScreenMatchesBuffer(main, nullptr); }));
}

TEST_F(X11Test, WindowRegionCutsTheXWindow) {
  Install();
  COLORREF under = gColor;
  HWND main = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 100, 300, 200, nullptr, "Under");
  ASSERT_TRUE(Pump([&] { return ScreenMatchesBuffer(main, nullptr); }));
  gColor = RGB(0xC0, 0x20, 0xA0);
  HWND popup = Create(WS_POPUP, 0, 150, 150, 100, 50, main);
  SetWindowRgn(popup, CreateRectRgn(0, 0, 50, 25), FALSE);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Pump([&] { return RootPixel(160, 160) == Rgb(gColor); }));
  EXPECT_EQ(RootPixel(230, 190), Rgb(under));  // outside the region: the owner shows through
}

TEST_F(X11Test, FocusTakenByAnotherClientDeactivatesAndComesBack) {
  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 300, 420, 200, 120, nullptr, "Focus");
  ::Window ours = 0;
  ASSERT_TRUE(Pump([&] { return GetActiveWindow() == h && (ours = FindByTitle("Focus")) != 0; }));
  ::Window other = XCreateSimpleWindow(peer_, DefaultRootWindow(peer_), 900, 600, 50, 50, 0, 0, 0);
  XSelectInput(peer_, other, StructureNotifyMask);
  XMapWindow(peer_, other);
  XEvent ev;
  XWindowEvent(peer_, other, StructureNotifyMask, &ev);
  while (ev.type != MapNotify) XWindowEvent(peer_, other, StructureNotifyMask, &ev);
  XSetInputFocus(peer_, other, RevertToParent, CurrentTime);
  XFlush(peer_);
  EXPECT_TRUE(Pump([&] { return GetActiveWindow() == nullptr; }));
  XSetInputFocus(peer_, ours, RevertToParent, CurrentTime);
  XFlush(peer_);
  EXPECT_TRUE(Pump([&] { return GetActiveWindow() == h; }));
  XDestroyWindow(peer_, other);
}

TEST_F(X11Test, WorkAreaFollowsTheWindowManagersProperty) {
  Atom workArea = XInternAtom(peer_, "_NET_WORKAREA", False);
  ::Window root = DefaultRootWindow(peer_);
  long area[4] = {0, 30, 1280, 740};
  XChangeProperty(peer_, root, workArea, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(area), 4);
  XSync(peer_, False);
  struct Remove {
    Display* d;
    Atom a;
    ~Remove() {
      XDeleteProperty(d, DefaultRootWindow(d), a);
      XSync(d, False);
    }
  } remove{peer_, workArea};
  Install();
  RECT r{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.bottom, 770);
  area[1] = 0;
  area[3] = 760;
  XChangeProperty(peer_, root, workArea, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(area), 4);
  XFlush(peer_);
  EXPECT_TRUE(Pump([&] {
    SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
    return r.top == 0 && r.bottom == 760;
  }));
  XDeleteProperty(peer_, root, workArea);
  XFlush(peer_);
  EXPECT_TRUE(Pump([&] {
    SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
    return r.bottom == 800;
  }));
}

TEST_F(X11Test, BeepRingsTheServerBell) {
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  ASSERT_TRUE(XkbQueryExtension(peer_, &opcode, &eventBase, &errorBase, &major, &minor));
  XkbSelectEvents(peer_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XSync(peer_, False);
  Install();
  MessageBeep(MB_OK);
  bool rang = false;
  EXPECT_TRUE(Pump([&] { return rang; }, 3000, [&] {
    while (XPending(peer_)) {
      XEvent ev;
      XNextEvent(peer_, &ev);
      if (ev.type == eventBase && reinterpret_cast<XkbAnyEvent*>(&ev)->xkb_type == XkbBellNotify) rang = true;
    }
  }));
}

TEST_F(X11Test, TitleIsUtf8AndCloseRequestBecomesWmClose) {
  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 400, 300, 200, 120, nullptr, "Резервные копии");
  ::Window xw = 0;
  ASSERT_TRUE(Pump([&] { return (xw = FindByTitle("Резервные копии")) != 0; }));
  SetWindowText(h, "Журнал");
  ASSERT_TRUE(Pump([&] { return FindByTitle("Журнал") == xw; }));

  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = xw;
  ev.xclient.message_type = XInternAtom(peer_, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(peer_, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(peer_, xw, False, NoEventMask, &ev);
  XFlush(peer_);
  EXPECT_TRUE(Pump([&] { return !IsWindow(h); }));
  EXPECT_EQ(gRec.closes, 1);
  EXPECT_TRUE(Pump([&] { return FindByTitle("Журнал") == 0; }));
}

TEST_F(X11Test, MovesBySomeoneElseBecomeWindowPositions) {
  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 500, 100, 200, 150, nullptr, "Moved");
  ::Window xw = 0;
  ASSERT_TRUE(Pump([&] { return (xw = FindByTitle("Moved")) != 0; }));
  XMoveResizeWindow(peer_, xw, 520, 140, 260, 170);
  XFlush(peer_);
  RECT r{};
  EXPECT_TRUE(Pump([&] {
    GetWindowRect(h, &r);
    return r.left == 520 && r.top == 140 && r.right == 780 && r.bottom == 310;
  })) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  std::string why;
  EXPECT_TRUE(Pump([&] { return ScreenMatchesBuffer(h, &why); })) << why;
}

TEST_F(X11Test, SyntheticClicksAndCyrillicTypingArriveAsMessages) {
  // a second group with the Russian letters on the keys that type "Привет"; keep the old mapping
  struct Key {
    KeySym latin, latinUpper, cyr, cyrUpper;
  } keys[] = {{XK_g, XK_G, XK_Cyrillic_pe, XK_Cyrillic_PE},     {XK_h, XK_H, XK_Cyrillic_er, XK_Cyrillic_ER},
              {XK_b, XK_B, XK_Cyrillic_i, XK_Cyrillic_I},       {XK_d, XK_D, XK_Cyrillic_ve, XK_Cyrillic_VE},
              {XK_t, XK_T, XK_Cyrillic_ie, XK_Cyrillic_IE},     {XK_n, XK_N, XK_Cyrillic_te, XK_Cyrillic_TE}};
  std::vector<std::pair<KeyCode, std::vector<KeySym>>> saved;
  for (const Key& k : keys) {
    KeyCode kc = XKeysymToKeycode(peer_, k.latin);
    ASSERT_NE(kc, 0);
    int per = 0;
    KeySym* old = XGetKeyboardMapping(peer_, kc, 1, &per);
    saved.emplace_back(kc, std::vector<KeySym>(old, old + per));
    XFree(old);
    KeySym syms[4] = {k.latin, k.latinUpper, k.cyr, k.cyrUpper};
    XChangeKeyboardMapping(peer_, kc, 4, syms, 1);
  }
  XSync(peer_, False);
  struct Restore {
    Display* d;
    std::vector<std::pair<KeyCode, std::vector<KeySym>>>* s;
    ~Restore() {
      XkbLockGroup(d, XkbUseCoreKbd, 0);
      for (auto& [kc, syms] : *s) XChangeKeyboardMapping(d, kc, static_cast<int>(syms.size()), syms.data(), 1);
      XSync(d, False);
    }
  } restore{peer_, &saved};

  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 200, 200, 300, 200, nullptr, "Input");
  ASSERT_TRUE(Pump([&] { return ScreenMatchesBuffer(h, nullptr) && GetActiveWindow() == h; }));
  // the keyboard follows the focus or, with no window manager, the pointer: give it both
  POINT c{30, 40};
  ClientToScreen(h, &c);
  int screen = DefaultScreen(peer_);
  XTestFakeMotionEvent(peer_, screen, c.x, c.y, 0);
  XTestFakeButtonEvent(peer_, 1, True, 0);
  XTestFakeButtonEvent(peer_, 1, False, 0);
  XFlush(peer_);
  ASSERT_TRUE(Pump([&] { return gRec.mouse.size() >= 2; }));
  EXPECT_EQ(gRec.mouse[0], static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(gRec.mouse[1], static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(gRec.mousePts[0].x, 30);
  EXPECT_EQ(gRec.mousePts[0].y, 40);

  XkbLockGroup(peer_, XkbUseCoreKbd, 1);
  XSync(peer_, False);
  auto tap = [&](KeySym ks) {
    KeyCode kc = XKeysymToKeycode(peer_, ks);
    XTestFakeKeyEvent(peer_, kc, True, 0);
    XTestFakeKeyEvent(peer_, kc, False, 0);
  };
  KeyCode shift = XKeysymToKeycode(peer_, XK_Shift_L);
  XTestFakeKeyEvent(peer_, shift, True, 0);
  tap(XK_g);
  XTestFakeKeyEvent(peer_, shift, False, 0);
  for (KeySym ks : {XK_h, XK_b, XK_d, XK_t, XK_n, XK_1}) tap(ks);
  XFlush(peer_);
  std::u32string want = U"Привет1";
  EXPECT_TRUE(Pump([&] { return gRec.chars.size() >= want.size(); }));
  EXPECT_EQ(gRec.chars, want);
  // the keys keep their Latin names, as on the platform
  EXPECT_NE(std::find(gRec.keyDowns.begin(), gRec.keyDowns.end(), static_cast<WPARAM>('G')), gRec.keyDowns.end());
  EXPECT_NE(std::find(gRec.keyDowns.begin(), gRec.keyDowns.end(), static_cast<WPARAM>(VK_SHIFT)), gRec.keyDowns.end());
  EXPECT_EQ(GetKeyboardLayout(0), HKL_RU);
}

TEST_F(X11Test, ClipboardTextSurvivesARoundTripThroughTheClipboardSelection) {
  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 700, 400, 200, 120, nullptr, "Clip");
  Pump([&] { return ScreenMatchesBuffer(h, nullptr); });
  Atom clipboard = XInternAtom(peer_, "CLIPBOARD", False), utf8 = XInternAtom(peer_, "UTF8_STRING", False);
  Atom prop = XInternAtom(peer_, "PEER_PROP", False);
  ::Window peerWin = XCreateSimpleWindow(peer_, DefaultRootWindow(peer_), 0, 0, 1, 1, 0, 0, 0);

  // ours to theirs
  const std::string ours = "Копия базы «Склад» 2026";
  ASSERT_TRUE(OpenClipboard(h));
  EmptyClipboard();
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, ours.size() + 1);
  std::memcpy(GlobalLock(g), ours.c_str(), ours.size() + 1);
  GlobalUnlock(g);
  SetClipboardData(CF_TEXT, g);
  CloseClipboard();
  Pump([] { return false; }, 50);
  XConvertSelection(peer_, clipboard, utf8, prop, peerWin, CurrentTime);
  XFlush(peer_);
  std::string got;
  bool notified = false;
  EXPECT_TRUE(Pump([&] { return notified; }, 3000, [&] {
    while (XPending(peer_)) {
      XEvent ev;
      XNextEvent(peer_, &ev);
      if (ev.type != SelectionNotify || ev.xselection.property == None) continue;
      Atom type;
      int format;
      unsigned long count, after;
      unsigned char* data = nullptr;
      XGetWindowProperty(peer_, peerWin, prop, 0, 65536, True, AnyPropertyType, &type, &format, &count, &after, &data);
      if (data) {
        got.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
      }
      notified = true;
    }
  }));
  EXPECT_EQ(got, ours);

  // theirs to ours
  const std::string theirs = "Ёлка: SELECT * FROM BACKUPS";
  XSetSelectionOwner(peer_, clipboard, peerWin, CurrentTime);
  XFlush(peer_);
  auto serve = [&] {
    while (XPending(peer_)) {
      XEvent ev;
      XNextEvent(peer_, &ev);
      if (ev.type != SelectionRequest) continue;
      XSelectionRequestEvent& r = ev.xselectionrequest;
      XSelectionEvent reply{};
      reply.type = SelectionNotify;
      reply.requestor = r.requestor;
      reply.selection = r.selection;
      reply.target = r.target;
      reply.time = r.time;
      reply.property = None;
      if (r.target == utf8) {
        XChangeProperty(peer_, r.requestor, r.property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(theirs.data()), static_cast<int>(theirs.size()));
        reply.property = r.property;
      }
      XSendEvent(peer_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
      XFlush(peer_);
    }
  };
  std::string pasted;
  EXPECT_TRUE(Pump(
      [&] {
        if (!OpenClipboard(h)) return false;
        HANDLE d = GetClipboardData(CF_TEXT);
        pasted = d ? static_cast<const char*>(GlobalLock(d)) : "";
        if (d) GlobalUnlock(d);
        CloseClipboard();
        return pasted == theirs;
      },
      3000, serve))
      << pasted;
  XDestroyWindow(peer_, peerWin);
}

TEST_F(X11Test, PostMessageFromAnotherThreadWakesTheWaitingLoop) {
  Install();
  HWND h = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 50, 500, 150, 100, nullptr, "Wake");
  Pump([&] { return ScreenMatchesBuffer(h, nullptr); });
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  std::thread worker([h] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessage(h, WM_APP + 7, 0, 0);
  });
  auto start = std::chrono::steady_clock::now();
  bool got = false;
  while (!got && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2500, QS_ALLINPUT);
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
      if (m.message == WM_APP + 7) got = true;
  }
  auto waited = std::chrono::steady_clock::now() - start;
  worker.join();
  EXPECT_TRUE(got);
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

}  // namespace
