// The standard scroll bars of the non-client area (WS_HSCROLL, WS_VSCROLL): their state, their geometry,
// a plain drawing, and clicks on arrows and track turned into WM_HSCROLL / WM_VSCROLL. The state slot of
// SB_CTL is kept for the scroll bar control.

#include <algorithm>

#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/Wm.h"

using namespace winapi::detail;

namespace {

DWORD StyleBit(int bar) { return bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL; }

int MaxPos(const ScrollBarState& s) { return s.max - std::max(static_cast<int>(s.page) - 1, 0); }

void Clamp(ScrollBarState& s) {
  if (s.max < s.min) s.max = s.min;
  UINT span = static_cast<UINT>(s.max - s.min) + 1;
  if (s.page > span) s.page = span;
  s.pos = std::clamp(s.pos, s.min, std::max(s.min, MaxPos(s)));
  s.trackPos = s.pos;
}

// Whether the range leaves anything to scroll.
bool Scrollable(const ScrollBarState& s) { return s.max > s.min && s.page <= static_cast<UINT>(s.max - s.min); }

void Reframe(HWND h) {
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetStyleBit(Window* w, int bar, bool on) {
  DWORD bit = StyleBit(bar);
  if (((w->style & bit) != 0) == on) return;
  w->style ^= bit;
  Reframe(w->handle);
}

// The bar's rectangle in window coordinates; false when the window has no such bar.
bool BarRect(const Window* w, int bar, RECT* r) {
  if (!(w->style & StyleBit(bar))) return false;
  const RECT& c = w->client;
  if (bar == SB_VERT)
    *r = RECT{c.right, c.top, c.right + GetSystemMetrics(SM_CXVSCROLL), c.bottom};
  else
    *r = RECT{c.left, c.bottom, c.right, c.bottom + GetSystemMetrics(SM_CYHSCROLL)};
  return true;
}

struct Geometry {
  int length = 0;  // along the bar
  int arrow = 0;
  int thumbTop = 0;  // from the bar's start
  int thumbBottom = 0;
};

Geometry Measure(const ScrollBarState& s, bool vertical, const RECT& r) {
  Geometry g;
  g.length = vertical ? r.bottom - r.top : r.right - r.left;
  int thick = vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL);
  g.arrow = std::min(thick, g.length / 2);
  int track = g.length - 2 * g.arrow;
  if (track < 8 || !Scrollable(s)) {
    g.thumbTop = g.thumbBottom = 0;
    return g;
  }
  int span = s.max - s.min + 1;
  int thumb = s.page ? std::max(8, static_cast<int>(static_cast<int64_t>(track) * s.page / span))
                     : GetSystemMetrics(SM_CYVTHUMB);
  thumb = std::min(thumb, track);
  int travel = std::max(1, MaxPos(s) - s.min);
  g.thumbTop = g.arrow + static_cast<int>(static_cast<int64_t>(track - thumb) * (s.pos - s.min) / travel);
  g.thumbBottom = g.thumbTop + thumb;
  return g;
}

void Box(HDC dc, RECT r) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  RECT t{r.left, r.top, r.right - 1, r.top + 1}, l{r.left, r.top, r.left + 1, r.bottom - 1};
  RECT b{r.left, r.bottom - 1, r.right, r.bottom}, rt{r.right - 1, r.top, r.right, r.bottom};
  FillRect(dc, &t, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  FillRect(dc, &l, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  FillRect(dc, &b, GetSysColorBrush(COLOR_3DDKSHADOW));
  FillRect(dc, &rt, GetSysColorBrush(COLOR_3DDKSHADOW));
}

void PaintBar(const ScrollBarState& s, bool vertical, HDC dc, const RECT& r) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_SCROLLBAR));
  Geometry g = Measure(s, vertical, r);
  if (vertical) {
    Box(dc, RECT{r.left, r.top, r.right, r.top + g.arrow});
    Box(dc, RECT{r.left, r.bottom - g.arrow, r.right, r.bottom});
    if (g.thumbBottom > g.thumbTop) Box(dc, RECT{r.left, r.top + g.thumbTop, r.right, r.top + g.thumbBottom});
  } else {
    Box(dc, RECT{r.left, r.top, r.left + g.arrow, r.bottom});
    Box(dc, RECT{r.right - g.arrow, r.top, r.right, r.bottom});
    if (g.thumbBottom > g.thumbTop) Box(dc, RECT{r.left + g.thumbTop, r.top, r.left + g.thumbBottom, r.bottom});
  }
}

// The scroll code of a point `along` a bar, or -1 on the thumb or when nothing scrolls.
int HitCode(const ScrollBarState& s, bool vertical, const RECT& r, int along) {
  Geometry g = Measure(s, vertical, r);
  if (!Scrollable(s) || s.disabled == ESB_DISABLE_BOTH) return -1;
  if (along < g.arrow) return SB_LINEUP;
  if (along >= g.length - g.arrow) return SB_LINEDOWN;
  if (g.thumbBottom > g.thumbTop && along < g.thumbTop) return SB_PAGEUP;
  if (g.thumbBottom > g.thumbTop && along >= g.thumbBottom) return SB_PAGEDOWN;
  return -1;  // the thumb: dragging it is not offered
}

Window* Find(HWND h) {
  Window* w = FindWindowObj(h);
  return w && w != Desktop() ? w : nullptr;
}

}  // namespace

namespace winapi::detail {

void PaintScrollBars(Window* w, HDC dc) {
  for (int bar : {SB_HORZ, SB_VERT}) {
    RECT r;
    if (!BarRect(w, bar, &r)) continue;
    PaintBar(w->scroll[bar], bar == SB_VERT, dc, r);
  }
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT corner{w->client.right, w->client.bottom, w->client.right + GetSystemMetrics(SM_CXVSCROLL),
                w->client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
}

void PaintScrollBarControl(Window* w, HDC dc, const RECT& r, bool vertical) { PaintBar(w->scroll[SB_CTL], vertical, dc, r); }

int ScrollBarControlHit(Window* w, const RECT& r, bool vertical, POINT client) {
  return HitCode(w->scroll[SB_CTL], vertical, r, vertical ? client.y - r.top : client.x - r.left);
}

void ScrollBarClick(Window* w, int bar, POINT screen) {
  RECT r;
  if (!BarRect(w, bar, &r)) return;
  POINT o{0, 0};
  RECT wr;
  GetWindowRect(w->handle, &wr);
  o = POINT{wr.left, wr.top};
  int along = bar == SB_VERT ? screen.y - o.y - r.top : screen.x - o.x - r.left;
  int hit = HitCode(w->scroll[bar], bar == SB_VERT, r, along);
  if (hit < 0) return;
  WORD code = static_cast<WORD>(hit);
  UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  HWND h = w->handle;
  SendMessage(h, msg, MAKEWPARAM(code, 0), 0);
  SendMessage(h, msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
}

}  // namespace winapi::detail

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = Find(hwnd);
  if (!w || !info || bar < SB_HORZ || bar > SB_CTL) return 0;
  ScrollBarState& s = w->scroll[bar];
  if (info->fMask & SIF_RANGE) {
    s.min = info->nMin;
    s.max = info->nMax;
  }
  if (info->fMask & SIF_PAGE) s.page = info->nPage;
  if (info->fMask & SIF_POS) s.pos = info->nPos;
  Clamp(s);
  if (bar != SB_CTL && (info->fMask & (SIF_RANGE | SIF_PAGE))) {
    bool needed = Scrollable(s);
    if (needed) {
      if (info->fMask & SIF_DISABLENOSCROLL) s.disabled = ESB_ENABLE_BOTH;
      SetStyleBit(w, bar, true);
    } else if (info->fMask & SIF_DISABLENOSCROLL) {
      s.disabled = ESB_DISABLE_BOTH;
      SetStyleBit(w, bar, true);
    } else {
      SetStyleBit(w, bar, false);
    }
  }
  if (redraw && bar != SB_CTL && (w->style & StyleBit(bar))) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return s.pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  Window* w = Find(hwnd);
  if (!w || !info || bar < SB_HORZ || bar > SB_CTL) return FALSE;
  if (bar != SB_CTL && !(w->style & StyleBit(bar))) return FALSE;
  const ScrollBarState& s = w->scroll[bar];
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.min;
    info->nMax = s.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.page;
  if (info->fMask & SIF_POS) info->nPos = s.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.trackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  Window* w = Find(hwnd);
  if (!w || bar < SB_HORZ || bar > SB_CTL) return 0;
  int old = w->scroll[bar].pos;
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  Window* w = Find(hwnd);
  return w && bar >= SB_HORZ && bar <= SB_CTL ? w->scroll[bar].pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
  return Find(hwnd) ? (SetScrollInfo(hwnd, bar, &si, redraw), TRUE) : FALSE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  Window* w = Find(hwnd);
  if (!w || bar < SB_HORZ || bar > SB_CTL) return FALSE;
  if (minPos) *minPos = w->scroll[bar].min;
  if (maxPos) *maxPos = w->scroll[bar].max;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
  DWORD bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : StyleBit(bar);
  DWORD style = show ? (w->style | bits) : (w->style & ~bits);
  if (style != w->style) {
    w->style = style;
    Reframe(hwnd);
  }
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  Window* w = Find(hwnd);
  if (!w) return FALSE;
  for (int b : {SB_HORZ, SB_VERT, SB_CTL})
    if (static_cast<UINT>(b) == bar || (bar == SB_BOTH && b != SB_CTL)) w->scroll[b].disabled = arrows & ESB_DISABLE_BOTH;
  if (bar != SB_CTL) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return TRUE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info) {
  Window* w = Find(hwnd);
  if (!w || !info || info->cbSize != sizeof(SCROLLBARINFO)) return FALSE;
  if (object != OBJID_VSCROLL && object != OBJID_HSCROLL) return FALSE;
  int bar = object == OBJID_VSCROLL ? SB_VERT : SB_HORZ;
  *info = SCROLLBARINFO{sizeof(SCROLLBARINFO), {}, 0, 0, 0, 0, {}};
  RECT r;
  if (!BarRect(w, bar, &r)) {
    info->rgstate[0] = STATE_SYSTEM_INVISIBLE;
    return TRUE;
  }
  Geometry g = Measure(w->scroll[bar], bar == SB_VERT, r);
  RECT wr;
  GetWindowRect(hwnd, &wr);
  info->rcScrollBar = RECT{r.left + wr.left, r.top + wr.top, r.right + wr.left, r.bottom + wr.top};
  info->dxyLineButton = g.arrow;
  info->xyThumbTop = g.thumbTop;
  info->xyThumbBottom = g.thumbBottom;
  const ScrollBarState& s = w->scroll[bar];
  if (s.disabled == ESB_DISABLE_BOTH || !Scrollable(s)) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (!IsWindowVisible(hwnd)) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (s.disabled & ESB_DISABLE_LTUP) info->rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
  if (s.disabled & ESB_DISABLE_RTDN) info->rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
  return TRUE;
}
