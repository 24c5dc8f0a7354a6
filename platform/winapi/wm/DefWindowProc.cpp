// The default window procedure: the classic frame, system commands and the default answers.

#include <algorithm>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

using namespace winapi::detail;
using namespace winapi::detail::wm;

// ---- default window procedure ------------------------------------------------------------------------
namespace {

HCURSOR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return StockCursor(IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM: return StockCursor(IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return StockCursor(IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return StockCursor(IDC_SIZENESW);
    default: return StockCursor(IDC_ARROW);
  }
}

void FillStrip(HDC hdc, RECT r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

void DrawEdgePair(HDC hdc, RECT r, int topLeft, int bottomRight) {
  FillStrip(hdc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  FillStrip(hdc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  FillStrip(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  FillStrip(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

// The title in the caption band, left-aligned, shortened with an ellipsis before the caption buttons.
void DrawCaptionText(Window* w, HDC hdc, RECT band) {
  if (w->text.empty()) return;
  bool tool = w->exStyle & WS_EX_TOOLWINDOW;
  NONCLIENTMETRICS ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  int buttons = !(w->style & WS_SYSMENU) ? 0 : (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 3 : 1;
  band.left += 3;
  band.right -= buttons * (tool ? ncm.iSmCaptionWidth : ncm.iCaptionWidth) + 2;
  HFONT font = CreateFontIndirect(tool ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, GetSysColor(w->ncActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  DrawText(hdc, w->text.c_str(), -1, &band, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(hdc, old);
  DeleteObject(font);
}

// The classic frame, drawn with plain fills: raised edges, the caption band, a sunken client edge.
void DefNcPaint(Window* w) {
  HDC hdc = GetDCEx(w->handle, nullptr, DCX_WINDOW | DCX_CACHE);
  DC* dc = AsDC(hdc);
  if (!dc) return;
  Rgn client(w->client);
  pixman_region32_subtract(&dc->vis, &dc->vis, &client.r);
  RECT r{0, 0, w->Width(), w->Height()};
  DWORD s = w->style, ex = w->exStyle;
  bool frame3d = (s & (WS_THICKFRAME | WS_DLGFRAME)) || (ex & WS_EX_DLGMODALFRAME);
  if (frame3d) {
    FillStrip(hdc, r, COLOR_BTNFACE);
    DrawEdgePair(hdc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    DrawEdgePair(hdc, in, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  } else if (s & WS_BORDER) {
    DrawEdgePair(hdc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
  }
  Insets in = FrameInsets(s, ex & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  if ((s & WS_CAPTION) == WS_CAPTION) {
    int b = in.left;
    int capH = (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    FillStrip(hdc, RECT{b, b, r.right - b, b + capH - 1}, w->ncActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    DrawCaptionText(w, hdc, RECT{b, b, r.right - b, b + capH - 1});
  }
  RECT edge{in.left, in.top, r.right - in.right, r.bottom - in.bottom};
  if (ex & WS_EX_CLIENTEDGE) {
    DrawEdgePair(hdc, edge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
    DrawEdgePair(hdc, edge, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
  }
  if (ex & WS_EX_STATICEDGE) {
    DrawEdgePair(hdc, edge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    edge = RECT{edge.left + 1, edge.top + 1, edge.right - 1, edge.bottom - 1};
  }
  PaintScrollBars(w, hdc);
  ReleaseDC(w->handle, hdc);
}

bool IsChildWindow(const Window* w) {
  return (w->style & WS_CHILD) && w->parent && w->parent != gWm.desktop && w->parent != gWm.messageRoot;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return 0;
  return Api([&]() -> LRESULT {
    switch (msg) {
      case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        if (cs && cs->lpszName && !IsIntResource(cs->lpszName)) w->text = cs->lpszName;
        return TRUE;
      }
      case WM_NCCALCSIZE: {
        RECT* r = reinterpret_cast<RECT*>(lp);  // rgrc[0] when wParam is TRUE: same address
        if (r) *r = DefaultClient(w, *r);
        return 0;
      }
      case WM_NCHITTEST: return DefHitTest(w, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      case WM_NCPAINT: DefNcPaint(w); return 0;
      case WM_NCACTIVATE:
        w->ncActive = wp != 0;
        if ((w->style & WS_CAPTION) == WS_CAPTION && (w->style & WS_VISIBLE)) DefNcPaint(w);
        return TRUE;
      case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && !(w->style & WS_MINIMIZE) && !(Live(gWm.focus) && IsDescendant(gWm.focus, w)))
          SetFocusImpl(w);
        return 0;
      case WM_SETTEXT:
        w->text = lp ? reinterpret_cast<const char*>(lp) : "";
        if ((w->style & WS_CAPTION) == WS_CAPTION) {
          w->ncPending = true;
          gWm.maybeDirty = true;
        }
        return TRUE;
      case WM_GETTEXT: {
        char* buf = reinterpret_cast<char*>(lp);
        if (!buf || wp == 0) return 0;
        size_t n = std::min(w->text.size(), static_cast<size_t>(wp) - 1);
        std::memcpy(buf, w->text.data(), n);
        buf[n] = 0;
        return static_cast<LRESULT>(n);
      }
      case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
      case WM_CLOSE: DestroyWindowImpl(w); return 0;
      case WM_SYSCOMMAND:
        switch (wp & 0xFFF0) {
          case SC_CLOSE: Send(w, WM_CLOSE, 0, 0); break;
          case SC_MINIMIZE: ShowWindowImpl(w, SW_MINIMIZE); break;
          case SC_MAXIMIZE: ShowWindowImpl(w, SW_MAXIMIZE); break;
          case SC_RESTORE: ShowWindowImpl(w, SW_RESTORE); break;
          default: break;
        }
        return 0;
      case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (pos && !(pos->flags & SWP_NOSIZE) && WantsMinMax(w) && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
          MINMAXINFO mmi = DefaultMinMax(w);
          Send(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
          pos->cx = std::clamp<int>(pos->cx, mmi.ptMinTrackSize.x, std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
          pos->cy = std::clamp<int>(pos->cy, mmi.ptMinTrackSize.y, std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
        }
        return 0;
      }
      case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (!pos) return 0;
        HWND h = w->handle;
        if (!(pos->flags & SWP_NOCLIENTMOVE))
          Send(w, WM_MOVE, 0,
               MAKELPARAM(static_cast<WORD>(w->rect.left + w->client.left), static_cast<WORD>(w->rect.top + w->client.top)));
        if (FindWindowObj(h) && !(pos->flags & SWP_NOCLIENTSIZE)) {
          WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
          Send(w, WM_SIZE, kind,
               MAKELPARAM(static_cast<WORD>(w->client.right - w->client.left),
                          static_cast<WORD>(w->client.bottom - w->client.top)));
        }
        return 0;
      }
      case WM_ERASEBKGND: {
        HBRUSH b = w->cls ? w->cls->background : nullptr;
        if (!b) return 0;
        RECT r = ClientRectOf(w);
        FillRect(reinterpret_cast<HDC>(wp), &r, b);
        return 1;
      }
      case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
      }
      case WM_SETCURSOR: {
        LRESULT hit = static_cast<SHORT>(LOWORD(lp));
        UINT mouse = HIWORD(lp);
        if (hit == HTERROR) {
          if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN) MessageBeep(0);
          return FALSE;
        }
        if (IsChildWindow(w) && Send(w->parent, WM_SETCURSOR, wp, lp)) return TRUE;
        if (reinterpret_cast<HWND>(wp) != hwnd) return FALSE;  // a child's cursor is the child's business
        if (hit == HTCLIENT) {
          if (w->cls && w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
          }
          return FALSE;
        }
        SetCursor(CursorForHit(hit));
        return FALSE;
      }
      case WM_MOUSEACTIVATE: {
        if (IsChildWindow(w)) {
          LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wp, lp);
          if (r) return r;
        }
        return (w->exStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
      }
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL:
      case WM_CONTEXTMENU:
        if (IsChildWindow(w)) return Send(w->parent, msg, wp, lp);
        return 0;
      case WM_RBUTTONUP: {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        POINT o = ClientOrigin(w);
        Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, MAKELPARAM(static_cast<WORD>(p.x + o.x), static_cast<WORD>(p.y + o.y)));
        return 0;
      }
      case WM_NCRBUTTONUP: Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, lp); return 0;
      case WM_NCLBUTTONDOWN:
        if (wp == HTVSCROLL || wp == HTHSCROLL)
          ScrollBarClick(w, wp == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        gWm.ncPressWindow = (wp == HTCLOSE || wp == HTMAXBUTTON || wp == HTMINBUTTON) ? hwnd : nullptr;
        gWm.ncPressHit = static_cast<LRESULT>(wp);
        return 0;
      case WM_NCLBUTTONUP: {
        bool same = gWm.ncPressWindow == hwnd && gWm.ncPressHit == static_cast<LRESULT>(wp);
        gWm.ncPressWindow = nullptr;
        if (!same) return 0;
        WPARAM cmd = wp == HTCLOSE ? SC_CLOSE : wp == HTMINBUTTON ? SC_MINIMIZE : (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
        Send(w, WM_SYSCOMMAND, cmd, lp);
        return 0;
      }
      case WM_NCLBUTTONDBLCLK:
        if (wp == HTVSCROLL || wp == HTHSCROLL)  // a quick second click on a bar is one more click
          ScrollBarClick(w, wp == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (wp == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
          ShowWindowImpl(w, (w->style & WS_MAXIMIZE) ? SW_RESTORE : SW_MAXIMIZE);
        return 0;
      case WM_SETREDRAW:
        // switching redraw off hides the window from painting without hiding it from the program
        if (wp) {
          w->style |= WS_VISIBLE;
        } else {
          w->style &= ~WS_VISIBLE;
        }
        return 0;
      case WM_KEYDOWN:
        if (wp == VK_F1 && !(gWm.syncKeys[VK_SHIFT] & 0x80) && !(gWm.syncKeys[VK_CONTROL] & 0x80)) {
          HELPINFO hi{sizeof(HELPINFO), HELPINFO_WINDOW, static_cast<int>(w->id), hwnd, 0, gWm.cursor};
          Send(w, WM_HELP, 0, (LPARAM)&hi);
        }
        return 0;
      case WM_HELP:
        if (IsChildWindow(w)) return Send(w->parent, msg, wp, lp);
        return 0;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        if (wp == VK_APPS) Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, -1);
        return 0;
      case WM_SYSKEYDOWN:
        if (wp == VK_F4 && (HIWORD(lp) & 0x2000)) {
          Window* r = Root(w);
          PostTo(r->thread, r->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (wp == VK_F10 && (gWm.syncKeys[VK_SHIFT] & 0x80)) {
          Send(w, WM_CONTEXTMENU, (WPARAM)hwnd, -1);
        }
        return 0;
      case WM_CANCELMODE:
        if (Live(gWm.capture) == w) ReleaseCaptureImpl();
        return 0;
      case WM_QUERYENDSESSION:
      case WM_QUERYOPEN: return TRUE;
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<LRESULT>(
            GetSysColorBrush(msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW
                             : msg == WM_CTLCOLORSCROLLBAR                        ? COLOR_SCROLLBAR
                                                                                  : COLOR_BTNFACE));
      default: return 0;
    }
  });
}
