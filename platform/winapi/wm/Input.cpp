// The window manager's input: hit testing, routing of mouse and keyboard events, focus, activation and
// capture.

#include <algorithm>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

namespace winapi::detail::wm {

void SetCursorPoint(POINT p) {
  gWm.cursor = p;
  gWm.cursorShared.store((static_cast<uint64_t>(static_cast<uint32_t>(p.x)) << 32) | static_cast<uint32_t>(p.y));
}

POINT SharedCursor() {
  uint64_t v = gWm.cursorShared.load();
  return POINT{static_cast<LONG>(static_cast<int32_t>(v >> 32)), static_cast<LONG>(static_cast<int32_t>(v & 0xFFFFFFFF))};
}

WPARAM MouseKeys(const BYTE* keys) {
  WPARAM k = 0;
  if (keys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

// ---- focus, activation, capture ----------------------------------------------------------------------

Window* NextActivatable(Window* except) {
  if (except && except->owner) {
    Window* o = Live(except->owner);
    if (o && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return o;
  }
  for (Window* t : gWm.desktop->children) {
    if (t == except || t->destroying || IsDescendantOwner(t, except)) continue;
    if ((t->style & WS_VISIBLE) && !(t->style & (WS_DISABLED | WS_CHILD | WS_MINIMIZE)) &&
        !(t->exStyle & WS_EX_NOACTIVATE))
      return t;
  }
  return nullptr;
}

void SendToAllTopLevels(UINT msg, WPARAM wp, LPARAM lp) {
  if (!gWm.desktop) return;
  std::vector<HWND> tops;
  DWORD self = CurrentThread();
  for (Window* t : gWm.desktop->children)
    if (t->thread == self) tops.push_back(t->handle);
  for (HWND h : tops)
    if (Window* t = FindWindowObj(h)) Send(t, msg, wp, lp);
}

void ActivateImpl(Window* w, WORD how) {
  Window* old = Live(gWm.active);
  if (old == w) return;
  if (w && w->destroyed) return;
  if (w && (w->style & WS_CHILD)) return;  // a child floating on the desktop is never active
  gWm.active = w;
  if (w) ApplyZOrder(w, HWND_TOP, true);
  if (w && !gWm.appActive) {
    gWm.appActive = true;
    SendToAllTopLevels(WM_ACTIVATEAPP, TRUE, 0);
  }
  if (old && !old->destroyed) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    if (Live(old)) Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->style & WS_MINIMIZE) ? 1 : 0), (LPARAM)H(w));
  }
  if (gWm.active != w) return;
  if (w) {
    if (Window* o = Root(w)->owner) {
      while (o->owner) o = o->owner;
      o->lastActivePopup = w;
    }
    Send(w, WM_NCACTIVATE, TRUE, 0);
    if (Live(w) && gWm.active == w)
      Send(w, WM_ACTIVATE, MAKEWPARAM(how, (w->style & WS_MINIMIZE) ? 1 : 0), (LPARAM)H(old));
    // the keyboard focus lives in the active window or nowhere
    if (gWm.active == w && Live(gWm.focus) && Root(gWm.focus) != w) SetFocusImpl(nullptr);
  } else {
    if (Live(gWm.focus)) SetFocusImpl(nullptr);
    if (gWm.appActive) {
      gWm.appActive = false;
      SendToAllTopLevels(WM_ACTIVATEAPP, FALSE, 0);
    }
  }
}

HWND SetFocusImpl(Window* w) {
  Window* prev = Live(gWm.focus);
  if (w == prev) return H(prev);
  if (w) {
    if (w->destroyed) return nullptr;
    Window* top = Root(w);
    if (top != Live(gWm.active) && top->parent == gWm.desktop && !(top->style & WS_CHILD)) {
      ActivateImpl(top, WA_ACTIVE);
      if (Live(gWm.focus) == w) return H(prev);
    }
  }
  Window* old = Live(gWm.focus);
  if (w == old) return H(prev);
  gWm.focus = w;
  if (old) Send(old, WM_KILLFOCUS, (WPARAM)H(w), 0);
  if (w && gWm.focus == w && !w->destroyed) Send(w, WM_SETFOCUS, (WPARAM)H(old), 0);
  return H(prev);
}

HWND SetCaptureImpl(Window* w) {
  Window* prev = Live(gWm.capture);
  gWm.capture = w;
  if (prev && prev != w) Send(prev, WM_CAPTURECHANGED, 0, (LPARAM)H(w));
  return H(prev);
}

BOOL ReleaseCaptureImpl() {
  Window* prev = Live(gWm.capture);
  gWm.capture = nullptr;
  if (prev) Send(prev, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

// ---- hit testing -------------------------------------------------------------------------------------

// The deepest window under pt below `w`, asking windows of this thread for their hit code; windows that
// answer HTTRANSPARENT let the search go on beneath them.
Hit HitIn(Window* w, POINT pt) {
  if (w->style & WS_DISABLED) {
    if (w->IsTopLevel()) return Hit{w, HTERROR};
    return Hit{};
  }
  POINT co = ClientOrigin(w);
  RECT client = Offset(ClientRectOf(w), co.x, co.y);
  if (Contains(client, pt)) {
    for (Window* c : w->children) {
      if (!(c->style & WS_VISIBLE) || !ShapeContains(c, pt)) continue;
      if (c->style & WS_DISABLED) break;  // a disabled child's clicks belong to its parent
      Hit r = HitIn(c, pt);
      if (r.w) return r;
    }
  }
  LRESULT code = w->thread == CurrentThread() ? Send(w, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) : HTCLIENT;
  if (code == HTTRANSPARENT) return Hit{};
  return Hit{w, code};
}

Hit HitTestScreen(POINT pt) {
  if (!gWm.desktop) return Hit{};
  for (Window* t : gWm.desktop->children) {
    if (!(t->style & WS_VISIBLE) || !ShapeContains(t, pt)) continue;
    Hit r = HitIn(t, pt);
    if (r.w) return r;
  }
  return Hit{};
}

LRESULT DefHitTest(Window* w, POINT pt) {
  POINT o = WindowOrigin(w);
  RECT wr{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  if (!Contains(wr, pt)) return HTNOWHERE;
  RECT cr = Offset(w->client, o.x, o.y);
  if (Contains(cr, pt)) return HTCLIENT;
  Insets in = FrameInsets(w->style, w->exStyle);
  if ((w->style & WS_MINIMIZE)) return HTCAPTION;
  // scroll bars sit between the client area and the edges
  if (w->style & WS_VSCROLL) {
    RECT vs{cr.right, cr.top, cr.right + GetSystemMetrics(SM_CXVSCROLL), cr.bottom};
    if (Contains(vs, pt)) return HTVSCROLL;
  }
  if (w->style & WS_HSCROLL) {
    RECT hs{cr.left, cr.bottom, cr.right, cr.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    if (Contains(hs, pt)) return HTHSCROLL;
  }
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT box{cr.right, cr.bottom, cr.right + GetSystemMetrics(SM_CXVSCROLL), cr.bottom + GetSystemMetrics(SM_CYHSCROLL)};
    if (Contains(box, pt)) return (w->style & WS_THICKFRAME) ? HTSIZE : HTNOWHERE;
  }
  int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME)
              : ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) ? GetSystemMetrics(SM_CXDLGFRAME)
              : (w->style & WS_BORDER)                                            ? GetSystemMetrics(SM_CXBORDER)
                                                                                  : 0;
  if (w->style & WS_THICKFRAME) {
    int corner = GetSystemMetrics(SM_CXSIZE) + frame;
    bool left = pt.x < wr.left + frame, right = pt.x >= wr.right - frame;
    bool topE = pt.y < wr.top + frame, bottom = pt.y >= wr.bottom - frame;
    if (left || right || topE || bottom) {
      bool nearTop = pt.y < wr.top + corner, nearBottom = pt.y >= wr.bottom - corner;
      bool nearLeft = pt.x < wr.left + corner, nearRight = pt.x >= wr.right - corner;
      if ((left && nearTop) || (topE && nearLeft)) return HTTOPLEFT;
      if ((right && nearTop) || (topE && nearRight)) return HTTOPRIGHT;
      if ((left && nearBottom) || (bottom && nearLeft)) return HTBOTTOMLEFT;
      if ((right && nearBottom) || (bottom && nearRight)) return HTBOTTOMRIGHT;
      if (left) return HTLEFT;
      if (right) return HTRIGHT;
      if (topE) return HTTOP;
      return HTBOTTOM;
    }
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    int capH = (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    RECT cap{wr.left + frame, wr.top + frame, wr.right - frame, wr.top + frame + capH - 1};
    if (Contains(cap, pt)) {
      int bw = (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE);
      int xr = cap.right;
      if (w->style & WS_SYSMENU) {
        if (pt.x >= xr - bw) return HTCLOSE;
        xr -= bw + 2;
        if (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
          if (pt.x >= xr - bw && pt.x < xr) return HTMAXBUTTON;
          xr -= bw;
          if (pt.x >= xr - bw && pt.x < xr) return HTMINBUTTON;
        } else if (w->exStyle & WS_EX_CONTEXTHELP) {
          if (pt.x >= xr - bw && pt.x < xr) return HTHELP;
        }
        if (!(w->exStyle & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)) && pt.x < cap.left + bw) return HTSYSMENU;
      }
      return HTCAPTION;
    }
  }
  (void)in;
  return HTBORDER;
}

// ---- input -------------------------------------------------------------------------------------------
void UpdateKeyState(BYTE* keys, int vk, bool down) {
  auto set = [&](int k) {
    if (down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 0x01;
      keys[k] |= 0x80;
    } else {
      keys[k] &= static_cast<BYTE>(~0x80);
    }
  };
  set(vk);
  auto pair = [&](int generic, int l, int r) {
    if (vk == generic) set(l);
    if (vk == l || vk == r || vk == generic) {
      bool any = (keys[l] & 0x80) || (keys[r] & 0x80);
      keys[generic] = static_cast<BYTE>((keys[generic] & 0x01) | (any ? 0x80 : 0));
    }
  };
  pair(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  pair(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  pair(VK_MENU, VK_LMENU, VK_RMENU);
}

int GenericVk(int vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

void PushInput(InputEvent e) {
  e.seq = ++gWm.inputSeq;
  e.time = GetTickCount();
  if (e.kind == InputEvent::Mouse && e.msg == WM_MOUSEMOVE && !gWm.input.empty()) {
    InputEvent& last = gWm.input.back();
    if (last.kind == InputEvent::Mouse && last.msg == WM_MOUSEMOVE && !last.resolved) {
      last = e;  // consecutive moves collapse into the last one
      return;
    }
  }
  gWm.input.push_back(e);
  Wake();
}

void ResolveEvent(InputEvent& e) {
  if (e.resolved) return;
  e.resolved = true;
  e.target = nullptr;
  if (e.kind == InputEvent::Key || e.kind == InputEvent::Char) {
    Window* f = Live(gWm.focus);
    Window* a = Live(gWm.active);
    e.finalMsg = e.msg;
    if (f) {
      e.target = f->handle;
    } else if (a) {
      e.target = a->handle;
      if (e.msg == WM_KEYDOWN) e.finalMsg = WM_SYSKEYDOWN;
      if (e.msg == WM_KEYUP) e.finalMsg = WM_SYSKEYUP;
    }
    return;
  }
  if (e.msg == WM_MOUSEWHEEL || e.msg == WM_MOUSEHWHEEL) {
    Window* f = Live(gWm.focus) ? Live(gWm.focus) : Live(gWm.active);
    e.target = H(f);
    e.finalMsg = e.msg;
    e.hit = HTCLIENT;
    return;
  }
  if (Window* c = Live(gWm.capture)) {
    e.target = c->handle;
    e.hit = HTCLIENT;
    e.finalMsg = e.msg;
  } else {
    Hit hit = HitTestScreen(e.pt);
    if (!hit.w) return;
    e.target = hit.w->handle;
    e.hit = hit.code;
    e.finalMsg = hit.code == HTCLIENT ? e.msg : e.msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
  }
  bool isDown = e.msg == WM_LBUTTONDOWN || e.msg == WM_RBUTTONDOWN || e.msg == WM_MBUTTONDOWN;
  if (isDown) {
    Window* t = FindWindowObj(e.target);
    bool allowed = e.hit != HTCLIENT || (t && (t->cls->style & CS_DBLCLKS));
    int dx = std::abs(e.pt.x - gWm.lastClick.pt.x), dy = std::abs(e.pt.y - gWm.lastClick.pt.y);
    if (allowed && gWm.lastClick.hwnd == e.target && gWm.lastClick.msg == e.msg && e.time - gWm.lastClick.time <= gWm.doubleClickTime &&
        dx <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 && dy <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
      e.finalMsg += 2;  // xBUTTONDOWN -> xBUTTONDBLCLK
    }
  }
}

MSG MessageOf(const InputEvent& e) {
  MSG m{e.target, e.finalMsg, e.wParam, e.lParam, e.time, e.pt};
  if (e.kind == InputEvent::Mouse && e.msg != WM_MOUSEWHEEL && e.msg != WM_MOUSEHWHEEL) {
    Window* w = FindWindowObj(e.target);
    if (e.finalMsg >= WM_MOUSEFIRST && e.finalMsg <= WM_MOUSELAST && w) {
      POINT co = ClientOrigin(w);
      m.lParam = MAKELPARAM(static_cast<WORD>(e.pt.x - co.x), static_cast<WORD>(e.pt.y - co.y));
    } else {
      m.wParam = static_cast<WPARAM>(e.hit);
      m.lParam = MAKELPARAM(static_cast<WORD>(e.pt.x), static_cast<WORD>(e.pt.y));
    }
  }
  return m;
}

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

// The side effects of taking a mouse or key message out of the queue. Returns false when the message is
// swallowed (by a hook, by mouse activation, or because it hit a disabled window).
bool TakeInput(const InputEvent& e, MSG& m) {
  if (e.kind == InputEvent::Key) {
    UpdateKeyState(gWm.syncKeys, e.vk, e.down);
    if (HasHooks(WH_KEYBOARD) && CallHooks(WH_KEYBOARD, HC_ACTION, m.wParam, m.lParam) != 0) return false;
    return true;
  }
  if (e.kind == InputEvent::Char) return true;
  if (e.vk) UpdateKeyState(gWm.syncKeys, e.vk, e.down);
  HWND h = e.target;
  if (HasHooks(WH_MOUSE)) {
    MOUSEHOOKSTRUCT mh{e.pt, h, static_cast<UINT>(e.hit), 0};
    if (CallHooks(WH_MOUSE, HC_ACTION, e.finalMsg, (LPARAM)&mh) != 0) return false;
  }
  Window* w = FindWindowObj(h);
  if (!w) return false;
  bool captured = Live(gWm.capture) == w;
  bool eat = false;
  if (e.msg == WM_MOUSEWHEEL || e.msg == WM_MOUSEHWHEEL) return true;
  if (IsButtonDown(e.msg) && !captured && e.hit != HTERROR) {
    Window* top = Root(w);
    if (top->parent == gWm.desktop && top != Live(gWm.active)) {
      LRESULT r = Send(w, WM_MOUSEACTIVATE, (WPARAM)top->handle, MAKELPARAM(static_cast<WORD>(e.hit), static_cast<WORD>(e.msg)));
      if (!FindWindowObj(h)) return false;
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) && !(top->exStyle & WS_EX_NOACTIVATE))
        ActivateImpl(top, WA_CLICKACTIVE);
      eat = r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT;
      if (!FindWindowObj(h)) return false;
    }
  }
  if (!captured) {
    Send(w, WM_SETCURSOR, (WPARAM)h, MAKELPARAM(static_cast<WORD>(e.hit), static_cast<WORD>(e.msg)));
    if (!FindWindowObj(h)) return false;
  }
  // leaving the tracked window ends the tracking
  if (gWm.track.hwnd && (gWm.track.flags & TME_LEAVE)) {
    bool nc = (gWm.track.flags & TME_NONCLIENT) != 0;
    bool inside = gWm.track.hwnd == h && (nc ? e.hit != HTCLIENT : e.hit == HTCLIENT);
    if (!inside) {
      Window* t = FindWindowObj(gWm.track.hwnd);
      HWND th = gWm.track.hwnd;
      gWm.track = Tracking{};
      if (t) PostTo(t->thread, th, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    }
  }
  if (gWm.track.hwnd && (gWm.track.flags & TME_HOVER) && e.msg == WM_MOUSEMOVE) {
    int hw = 4, hh = 4;
    if (std::abs(e.pt.x - gWm.track.hoverStart.x) > hw / 2 || std::abs(e.pt.y - gWm.track.hoverStart.y) > hh / 2) {
      gWm.track.hoverStart = e.pt;
      gWm.track.hoverDue = Now() + gWm.track.hoverTime;
    }
  }
  if (IsButtonDown(e.msg)) {
    if (e.finalMsg == e.msg + 2 || (e.finalMsg >= WM_NCLBUTTONDOWN && (e.finalMsg - WM_NCLBUTTONDOWN) % 3 == 2))
      gWm.lastClick = Click{};
    else
      gWm.lastClick = Click{h, e.msg, e.time, e.pt};
  }
  if (e.hit == HTERROR) return false;
  return !eat;
}

void CheckHover() {
  if (!gWm.track.hwnd || !(gWm.track.flags & TME_HOVER) || Now() < gWm.track.hoverDue) return;
  Window* w = FindWindowObj(gWm.track.hwnd);
  HWND h = gWm.track.hwnd;
  gWm.track.flags &= ~TME_HOVER;
  if (!(gWm.track.flags & TME_LEAVE)) gWm.track = Tracking{};
  if (!w) return;
  POINT co = ClientOrigin(w);
  PostTo(w->thread, h, WM_MOUSEHOVER, MouseKeys(gWm.asyncKeys),
         MAKELPARAM(static_cast<WORD>(gWm.cursor.x - co.x), static_cast<WORD>(gWm.cursor.y - co.y)));
}

}  // namespace winapi::detail::wm

namespace winapi::detail {
using namespace wm;

void InjectMouseMove(int x, int y) {
  SetCursorPoint(POINT{x, y});
  InputEvent e;
  e.kind = InputEvent::Mouse;
  e.msg = WM_MOUSEMOVE;
  e.pt = gWm.cursor;
  e.wParam = MouseKeys(gWm.asyncKeys);
  PushInput(e);
}

void InjectMouseButton(int vk, bool down) {
  UpdateKeyState(gWm.asyncKeys, vk, down);
  InputEvent e;
  e.kind = InputEvent::Mouse;
  UINT base = vk == VK_RBUTTON ? WM_RBUTTONDOWN : vk == VK_MBUTTON ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  e.msg = down ? base : base + 1;
  e.pt = gWm.cursor;
  e.wParam = MouseKeys(gWm.asyncKeys);
  e.vk = vk;
  e.down = down;
  PushInput(e);
}

void InjectWheel(int delta, bool horizontal) {
  InputEvent e;
  e.kind = InputEvent::Mouse;
  e.msg = horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
  e.pt = gWm.cursor;
  e.wParam = MAKEWPARAM(static_cast<WORD>(MouseKeys(gWm.asyncKeys)), static_cast<WORD>(static_cast<SHORT>(delta)));
  e.lParam = MAKELPARAM(static_cast<WORD>(gWm.cursor.x), static_cast<WORD>(gWm.cursor.y));
  PushInput(e);
}

void InjectKey(int vk, bool down) {
  bool wasDown = (gWm.asyncKeys[vk] & 0x80) != 0;
  bool altBefore = (gWm.asyncKeys[VK_MENU] & 0x80) != 0;
  UpdateKeyState(gWm.asyncKeys, vk, down);
  int gvk = GenericVk(vk);
  bool alt = (gWm.asyncKeys[VK_MENU] & 0x80) != 0;
  bool ctrl = (gWm.asyncKeys[VK_CONTROL] & 0x80) != 0;
  bool sys;
  if (down)
    sys = (alt && !ctrl) || gvk == VK_F10;
  else
    sys = (gvk == VK_MENU ? altBefore && !ctrl : (alt && !ctrl)) || gvk == VK_F10;
  bool ext = false;
  UINT scan = LayoutScanCode(vk, &ext);
  LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | (ext ? (1 << 24) : 0) | (alt ? (1 << 29) : 0) |
              (wasDown || !down ? (1 << 30) : 0);
  if (!down) lp |= static_cast<LPARAM>(static_cast<int32_t>(0x80000000u));
  InputEvent e;
  e.kind = InputEvent::Key;
  e.msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  e.wParam = static_cast<WPARAM>(gvk);
  e.lParam = lp;
  e.pt = gWm.cursor;
  e.vk = vk;
  e.down = down;
  PushInput(e);
}

void InjectChar(uint32_t cp) {
  InputEvent e;
  e.kind = InputEvent::Char;
  e.msg = WM_CHAR;
  e.wParam = cp;
  e.lParam = 1;
  e.pt = gWm.cursor;
  PushInput(e);
}

void ResetInput() {
  gWm.input.clear();
  std::memset(gWm.syncKeys, 0, sizeof gWm.syncKeys);
  std::memset(gWm.asyncKeys, 0, sizeof gWm.asyncKeys);
  gWm.lastClick = Click{};
  gWm.track = Tracking{};
}

}  // namespace winapi::detail

using namespace winapi::detail;
using namespace winapi::detail::wm;

// ---- focus, activation, capture: the calls -----------------------------------------------------------
HWND SetFocus(HWND hwnd) {
  Window* w = nullptr;
  if (hwnd) {
    w = FindWindowObj(hwnd);
    if (!w || w->thread != CurrentThread()) return nullptr;
  }
  return Api([&] { return SetFocusImpl(w); });
}

HWND GetFocus() { return H(Live(gWm.focus)); }

HWND SetActiveWindow(HWND hwnd) {
  Window* w = hwnd ? FindWindowObj(hwnd) : nullptr;
  if (hwnd && !w) return nullptr;
  if (w) w = Root(w);
  HWND prev = H(Live(gWm.active));
  Api([&] { ActivateImpl(w, WA_ACTIVE); });
  return prev;
}

HWND GetActiveWindow() { return H(Live(gWm.active)); }
BOOL SetForegroundWindow(HWND hwnd) { return SetActiveWindow(hwnd) || GetActiveWindow() == hwnd ? TRUE : FALSE; }
HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  return Api([&] { return SetCaptureImpl(w); });
}

BOOL ReleaseCapture() { return Api([&] { return ReleaseCaptureImpl(); }); }
HWND GetCapture() { return H(Live(gWm.capture)); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return FALSE;
  if (tme->dwFlags & TME_QUERY) {
    *tme = TRACKMOUSEEVENT{sizeof(TRACKMOUSEEVENT), gWm.track.flags, gWm.track.hwnd, gWm.track.hoverTime};
    return TRUE;
  }
  Window* w = FindWindowObj(tme->hwndTrack);
  if (!w) return FALSE;
  if (tme->dwFlags & TME_CANCEL) {
    if (gWm.track.hwnd == tme->hwndTrack) {
      gWm.track.flags &= ~(tme->dwFlags & (TME_HOVER | TME_LEAVE));
      if (!(gWm.track.flags & (TME_HOVER | TME_LEAVE))) gWm.track = Tracking{};
    }
    return TRUE;
  }
  return Api([&]() -> BOOL {
    bool nc = (tme->dwFlags & TME_NONCLIENT) != 0;
    Hit hit = Live(gWm.capture) ? Hit{gWm.capture, HTCLIENT} : HitTestScreen(gWm.cursor);
    bool inside = hit.w == w && (nc ? hit.code != HTCLIENT : hit.code == HTCLIENT);
    if (!inside) {
      if (tme->dwFlags & TME_LEAVE) PostTo(w->thread, w->handle, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
      return TRUE;
    }
    if (gWm.track.hwnd != tme->hwndTrack) gWm.track = Tracking{};
    gWm.track.hwnd = tme->hwndTrack;
    gWm.track.flags |= tme->dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT);
    if (tme->dwFlags & TME_HOVER) {
      UINT hover = 400;
      SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0);
      gWm.track.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? hover : tme->dwHoverTime;
      gWm.track.hoverStart = gWm.cursor;
      gWm.track.hoverDue = Now() + gWm.track.hoverTime;
    }
    return TRUE;
  });
}

BOOL DragDetect(HWND hwnd, POINT pt) {
  // Follows queued input until the button is released (no drag) or the mouse leaves the drag rectangle.
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  POINT s = pt;
  ClientToScreen(hwnd, &s);
  int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
  while (!gWm.input.empty()) {
    InputEvent e = gWm.input.front();
    gWm.input.pop_front();
    if (e.kind != InputEvent::Mouse) continue;
    if (e.vk) UpdateKeyState(gWm.syncKeys, e.vk, e.down);
    if (e.msg == WM_LBUTTONUP) return FALSE;
    if (e.msg == WM_MOUSEMOVE && (std::abs(e.pt.x - s.x) > cx || std::abs(e.pt.y - s.y) > cy)) return TRUE;
  }
  return FALSE;
}

UINT GetDoubleClickTime() { return gWm.doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  gWm.doubleClickTime = ms ? ms : 500;
  return TRUE;
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE s = gWm.syncKeys[vk];
  return static_cast<SHORT>(((s & 0x80) ? 0xFF80 : 0) | (s & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((gWm.asyncKeys[vk] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
  if (!state) return FALSE;
  std::memcpy(state, gWm.syncKeys, 256);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (!state) return FALSE;
  std::memcpy(gWm.syncKeys, state, 256);
  return TRUE;
}
