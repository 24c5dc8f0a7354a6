// The "SCROLLBAR" class: a scroll bar as a window of its own. Its range and position are the window's
// SB_CTL scroll state (SetScrollInfo(hwnd, SB_CTL, ...) and the SBM_* messages alike); it is drawn and
// hit-tested by the same code as the bars of the non-client area, and reports to its parent with
// WM_HSCROLL / WM_VSCROLL carrying its own handle.

#include "winapi/detail/Ctl.h"
#include "winapi/detail/Wm.h"

namespace winapi::ctl {

namespace {

bool Vertical(HWND h) { return (GetWindowLong(h, GWL_STYLE) & SBS_VERT) != 0; }

void Scroll(HWND h, WORD code) {
  HWND parent = GetParent(h);
  if (!parent) return;
  UINT msg = Vertical(h) ? WM_VSCROLL : WM_HSCROLL;
  SendMessage(parent, msg, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(h));
  SendMessage(parent, msg, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(h));
}

LRESULT SetInfo(HWND h, UINT mask, int min, int max, int pos, BOOL redraw) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = mask;
  si.nMin = min;
  si.nMax = max;
  si.nPos = pos;
  LRESULT r = SetScrollInfo(h, SB_CTL, &si, FALSE);
  if (redraw) InvalidateRect(h, nullptr, TRUE);
  return r;
}

}  // namespace

LRESULT ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT c{};
      GetClientRect(h, &c);
      if (detail::Window* w = detail::FindWindowObj(h)) detail::PaintScrollBarControl(w, dc, c, Vertical(h));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT c{};
      GetClientRect(h, &c);
      detail::Window* w = detail::FindWindowObj(h);
      int code = w ? detail::ScrollBarControlHit(w, c, Vertical(h), POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}) : -1;
      if (code >= 0) Scroll(h, static_cast<WORD>(code));
      return 0;
    }
    case WM_KEYDOWN:
      switch (wp) {
        case VK_UP:
        case VK_LEFT: Scroll(h, SB_LINEUP); return 0;
        case VK_DOWN:
        case VK_RIGHT: Scroll(h, SB_LINEDOWN); return 0;
        case VK_PRIOR: Scroll(h, SB_PAGEUP); return 0;
        case VK_NEXT: Scroll(h, SB_PAGEDOWN); return 0;
        case VK_HOME: Scroll(h, SB_TOP); return 0;
        case VK_END: Scroll(h, SB_BOTTOM); return 0;
        default: break;
      }
      break;
    case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
    case SBM_SETPOS: {
      int old = GetScrollPos(h, SB_CTL);
      SetInfo(h, SIF_POS, 0, 0, static_cast<int>(wp), static_cast<BOOL>(lp));
      return old;
    }
    case SBM_GETPOS: return GetScrollPos(h, SB_CTL);
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = GetScrollPos(h, SB_CTL);
      SetInfo(h, SIF_RANGE, static_cast<int>(wp), static_cast<int>(lp), 0, msg == SBM_SETRANGEREDRAW);
      return old;
    }
    case SBM_GETRANGE: {
      int a = 0, b = 0;
      GetScrollRange(h, SB_CTL, &a, &b);
      if (wp) *reinterpret_cast<int*>(wp) = a;
      if (lp) *reinterpret_cast<int*>(lp) = b;
      return 0;
    }
    case SBM_ENABLE_ARROWS: {
      BOOL r = EnableScrollBar(h, SB_CTL, static_cast<UINT>(wp));
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case SBM_SETSCROLLINFO: {
      LRESULT r = SetScrollInfo(h, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lp), FALSE);
      if (wp) InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case SBM_GETSCROLLINFO: return GetScrollInfo(h, SB_CTL, reinterpret_cast<SCROLLINFO*>(lp));
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace winapi::ctl
