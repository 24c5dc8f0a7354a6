// The drag-detect loop and middle-button scrolling: both run modal message loops inside the mouse-down
// handling and always release what they took (capture, timer, anchor window) on the way out.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ui/base/cxControls.h"
#include "winapi/WinGdi.h"

namespace {

// WM_QUIT belongs to the program's own loop: a modal loop that meets it ends and leaves it queued again.
bool ReadMessage(MSG& msg) {
  if (GetMessage(&msg, nullptr, 0, 0) <= 0) {
    if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  return true;
}

void DispatchRead(MSG& msg) {
  TranslateMessage(&msg);
  DispatchMessage(&msg);
}

constexpr int32_t cxAnchorMarkSize = 32;
constexpr UINT cxMiddleScrollInterval = 20;

std::unique_ptr<TBitmap> gAnchorBitmaps[3];

// A round mark with arrows toward the directions that scroll.
TBitmap* MakeAnchorBitmap(bool AHorz, bool AVert) {
  auto* b = New<TBitmap>();
  b->SetSize(cxAnchorMarkSize, cxAnchorMarkSize);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clWindow);
  c->FillRect(RECT{0, 0, cxAnchorMarkSize, cxAnchorMarkSize});
  c->Brush()->SetColor(clWindowText);
  c->Pen()->SetColor(clWindowText);
  const int32_t m = cxAnchorMarkSize / 2;
  auto tri = [&](POINT a, POINT b2, POINT d) { c->Polygon(std::vector<POINT>{a, b2, d}); };
  if (AVert) {
    tri(POINT{m, 3}, POINT{m - 5, 9}, POINT{m + 5, 9});
    tri(POINT{m, cxAnchorMarkSize - 4}, POINT{m - 5, cxAnchorMarkSize - 10}, POINT{m + 5, cxAnchorMarkSize - 10});
  }
  if (AHorz) {
    tri(POINT{3, m}, POINT{9, m - 5}, POINT{9, m + 5});
    tri(POINT{cxAnchorMarkSize - 4, m}, POINT{cxAnchorMarkSize - 10, m - 5}, POINT{cxAnchorMarkSize - 10, m + 5});
  }
  c->FillRect(RECT{m - 2, m - 2, m + 2, m + 2});
  return b;
}

TCursor ScrollCursor(TcxScrollDirection ADirection, bool AHorz, bool AVert) {
  switch (ADirection) {
    case dirUp: return crcxUpScroll;
    case dirRight: return crcxRightScroll;
    case dirDown: return crcxDownScroll;
    case dirLeft: return crcxLeftScroll;
    default: return AHorz && AVert ? crcxFullScroll : AHorz ? crcxHorScroll : crcxVerScroll;
  }
}

}  // namespace

void cxControlsDragFinalize() {
  for (auto& b : gAnchorBitmaps)
    if (b) b.release()->Free();
}

TBitmap* cxScrollAnchorBitmap(bool AHorz, bool AVert) {
  int index = AHorz && AVert ? 0 : AHorz ? 1 : 2;
  if (!gAnchorBitmaps[index]) gAnchorBitmaps[index].reset(MakeAnchorBitmap(AHorz || index == 0, AVert || index == 0));
  return gAnchorBitmaps[index].get();
}

uint8_t DetectDragStart(HWND AWnd) {
  POINT p;
  GetCursorPos(&p);
  int32_t t = Mouse->DragThreshold();
  RECT square{p.x - t, p.y - t, p.x + t, p.y + t};
  SetCapture(AWnd);
  uint8_t result = 2;
  try {
    for (;;) {
      if (GetCapture() != AWnd) break;
      MSG msg{};
      if (!ReadMessage(msg)) break;
      bool done = false;
      switch (msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
          if (msg.wParam == VK_ESCAPE) done = true, result = 2;
          break;
        case WM_MOUSEMOVE: {
          POINT s = msg.pt;
          if (!PtInRect(&square, s)) done = true, result = 1;
          break;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
          done = true, result = 0;
          break;
        default:
          break;
      }
      DispatchRead(msg);
      if (done) break;
    }
  } catch (...) {
    if (GetCapture() == AWnd) ReleaseCapture();
    throw;
  }
  if (GetCapture() == AWnd) ReleaseCapture();
  return result;
}

void cxMiddleScrollSpeed(POINT AAnchor, POINT P, int32_t AMarkWidth, bool AHorz, bool AVert, RECT AScreen,
                         TcxScrollDirection& ADirection, int32_t& ASpeed, bool& ALeftZone) {
  RECT zone{AAnchor.x - AMarkWidth / 2, AAnchor.y - AMarkWidth / 2, AAnchor.x - AMarkWidth / 2 + AMarkWidth,
            AAnchor.y - AMarkWidth / 2 + AMarkWidth};
  if (!AHorz) zone.left = AScreen.left, zone.right = AScreen.right;
  if (!AVert) zone.top = AScreen.top, zone.bottom = AScreen.bottom;
  if (PtInRect(&zone, P)) {
    ADirection = dirNone;
    ASpeed = 0;
    ALeftZone = false;
    return;
  }
  ALeftZone = true;
  int32_t dy = P.y - AAnchor.y, dx = P.x - AAnchor.x, distance;
  if (!AHorz || (AVert && std::abs(dy) >= std::abs(dx))) {
    ADirection = dy < 0 ? dirUp : dirDown;
    distance = std::abs(dy);
  } else {
    ADirection = dx < 0 ? dirLeft : dirRight;
    distance = std::abs(dx);
  }
  ASpeed = std::min((distance - AMarkWidth / 2) / 5 + 1, 12);
}

// One 20 ms step: the farther the mouse, the fewer ticks between two scrolls (12 ticks at speed 1, one at 12).
void TcxControl::MiddleScrollTick() {
  ++FMiddleScrollTicks;
  if (FMiddleScrollSpeed < 13 && FMiddleScrollTicks % (13 - FMiddleScrollSpeed) == 0)
    ScrollInDirection(FMiddleScrollDirection);
}

void TcxControl::ScrollContentWithMiddleButton() {
  bool h = GetHScrollBarVisible(), v = GetVScrollBarVisible();
  if (!h && !v) return;
  FScrollingContent = true;
  TObjectLink<TcxControl> alive(this);
  POINT anchor;
  GetCursorPos(&anchor);
  TBitmap* mark = cxScrollAnchorBitmap(h, v);
  int32_t w = mark->Width(), hb = mark->Height();
  // The anchor window shows the mark itself: its paint messages are answered here, not by the window.
  HWND anchorWnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, anchor.x - w / 2,
                                  anchor.y - hb / 2, w, hb, Handle(), nullptr, nullptr, nullptr);
  auto paintAnchor = [&] {
    HDC dc = GetWindowDC(anchorWnd);
    BitBlt(dc, 0, 0, w, hb, mark->Canvas()->Handle(), 0, 0, SRCCOPY);
    HRGN frame = CreateEllipticRgn(0, 0, w + 1, hb + 1);
    FrameRgn(dc, frame, GetSysColorBrush(COLOR_WINDOWTEXT), 1, 1);
    DeleteObject(frame);
    ReleaseDC(anchorWnd, dc);
    ValidateRect(anchorWnd, nullptr);
  };
  if (anchorWnd) {
    SetWindowRgn(anchorWnd, CreateEllipticRgn(0, 0, w + 1, hb + 1), TRUE);
    ShowWindow(anchorWnd, SW_SHOWNOACTIVATE);
    paintAnchor();
  }
  FMiddleScrollDirection = dirNone;
  FMiddleScrollSpeed = 1;
  FMiddleScrollTicks = 0;
  bool leftZone = false;
  ::SetCursor(Screen->Cursors(ScrollCursor(dirNone, h, v)));
  HWND wnd = Handle();
  const UINT_PTR timer = reinterpret_cast<UINT_PTR>(this);
  SetTimer(wnd, timer, cxMiddleScrollInterval, nullptr);
  SetCapture(wnd);
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  POINT last = anchor;
  auto cleanup = [&] {
    if (GetCapture() == wnd) ReleaseCapture();
    KillTimer(wnd, timer);
    if (anchorWnd) DestroyWindow(anchorWnd);
    if (alive) FScrollingContent = false;
  };
  try {
    while (alive && GetCapture() == wnd) {
      MSG msg{};
      if (!ReadMessage(msg)) break;
      if (msg.message == WM_PAINT && msg.hwnd == anchorWnd && anchorWnd) {
        paintAnchor();
        continue;
      }
      bool button = (msg.message >= WM_LBUTTONDOWN && msg.message <= WM_MBUTTONDBLCLK) ||
                    msg.message == WM_MOUSEWHEEL || msg.message == WM_MOUSEHWHEEL;
      if (button && msg.message != WM_MBUTTONUP) break;  // consumed: it ends the mode and reaches nobody
      if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && msg.wParam == VK_ESCAPE) {
        DispatchRead(msg);
        break;
      }
      if (msg.message == WM_TIMER && msg.hwnd == wnd && msg.wParam == timer) {
        MiddleScrollTick();
        continue;
      }
      if (msg.message == WM_MOUSEMOVE) {
        POINT p = msg.pt;
        if (p.x != last.x || p.y != last.y) {
          last = p;
          bool left = false;
          cxMiddleScrollSpeed(anchor, p, w, h, v, screen, FMiddleScrollDirection, FMiddleScrollSpeed, left);
          leftZone = leftZone || left;
          ::SetCursor(Screen->Cursors(ScrollCursor(FMiddleScrollDirection, h, v)));
        }
      }
      if (msg.message == WM_MBUTTONUP) {
        DispatchRead(msg);
        if (leftZone) break;
        continue;
      }
      DispatchRead(msg);
    }
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
}
