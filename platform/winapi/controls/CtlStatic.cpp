// The "STATIC" class: text with its alignment, wrapping, prefix and ellipsis styles, filled and framed
// rectangles, etched lines and frames; mouse notifications with SS_NOTIFY.

#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

struct Static {
  HFONT font = nullptr;
};

void Paint(HWND h, Static* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  DWORD st = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
  DWORD type = st & SS_TYPEMASK;
  RECT c{};
  GetClientRect(h, &c);
  switch (type) {
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
      FillRect(dc, &c, GetSysColorBrush(type == SS_BLACKRECT ? COLOR_3DDKSHADOW : type == SS_GRAYRECT ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
      break;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME: {
      int color = type == SS_BLACKFRAME ? COLOR_3DDKSHADOW : type == SS_GRAYFRAME ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
      FrameRect3D(dc, c, color, color);
      break;
    }
    case SS_ETCHEDHORZ: {
      RECT a{c.left, c.top, c.right, c.top + 1}, b{c.left, c.top + 1, c.right, c.top + 2};
      FillRect(dc, &a, GetSysColorBrush(COLOR_BTNSHADOW));
      FillRect(dc, &b, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      break;
    }
    case SS_ETCHEDVERT: {
      RECT a{c.left, c.top, c.left + 1, c.bottom}, b{c.left + 1, c.top, c.left + 2, c.bottom};
      FillRect(dc, &a, GetSysColorBrush(COLOR_BTNSHADOW));
      FillRect(dc, &b, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      break;
    }
    case SS_ETCHEDFRAME: {
      FrameRect3D(dc, c, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
      RECT in = c;
      InflateRect(&in, -1, -1);
      FrameRect3D(dc, in, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
      break;
    }
    case SS_OWNERDRAW: {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_STATIC;
      dis.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = IsWindowEnabled(h) ? 0 : ODS_DISABLED;
      dis.hwndItem = h;
      dis.hDC = dc;
      dis.rcItem = c;
      SendMessage(GetParent(h), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      break;
    }
    default: {
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      HBRUSH bg = ControlColor(h, WM_CTLCOLORSTATIC, dc);
      if (type != SS_SIMPLE || bg) FillRect(dc, &c, bg);
      if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
      UINT fmt = DT_EXPANDTABS;
      if (type == SS_CENTER) fmt |= DT_CENTER | DT_WORDBREAK;
      else if (type == SS_RIGHT) fmt |= DT_RIGHT | DT_WORDBREAK;
      else if (type == SS_LEFT) fmt |= DT_LEFT | DT_WORDBREAK;
      else fmt |= DT_LEFT | DT_SINGLELINE;
      if (st & SS_NOPREFIX) fmt |= DT_NOPREFIX;
      if (st & SS_CENTERIMAGE) fmt = (fmt & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
      switch (st & SS_ELLIPSISMASK) {
        case SS_ENDELLIPSIS: fmt |= DT_END_ELLIPSIS; break;
        case SS_PATHELLIPSIS: fmt |= DT_PATH_ELLIPSIS; break;
        case SS_WORDELLIPSIS: fmt |= DT_WORD_ELLIPSIS; break;
        default: break;
      }
      std::string t = WindowText(h);
      HGDIOBJ old = s->font ? SelectObject(dc, s->font) : nullptr;
      SetBkMode(dc, TRANSPARENT);
      DrawText(dc, t.c_str(), static_cast<int>(t.size()), &c, fmt);
      if (old) SelectObject(dc, old);
      break;
    }
  }
  if (st & SS_SUNKEN) FrameRect3D(dc, c, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  EndPaint(h, &ps);
}

}  // namespace

LRESULT StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<Static>(h);
  if (msg == WM_NCCREATE) {
    SetState(h, new Static());
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!s) return DefWindowProc(h, msg, wp, lp);
  bool notify = (GetWindowLong(h, GWL_STYLE) & SS_NOTIFY) != 0;
  switch (msg) {
    case WM_NCDESTROY:
      SetState(h, nullptr);
      delete s;
      break;
    case WM_PAINT: Paint(h, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST:
      if (!notify) return HTTRANSPARENT;
      break;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (lp) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(h, msg, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      InvalidateRect(h, nullptr, TRUE);
      if (notify) Notify(h, wp ? STN_ENABLE : STN_DISABLE);
      return 0;
    case WM_LBUTTONDOWN:
      if (notify) Notify(h, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (notify) Notify(h, STN_DBLCLK);
      return 0;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace winapi::ctl
