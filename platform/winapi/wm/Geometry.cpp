// The window manager's geometry: frames and client areas, the window tree and its z-order, positions and
// visible regions.

#include <algorithm>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

namespace winapi::detail::wm {

Window* Root(Window* w) {
  while (w && w->parent && w->parent != gWm.desktop && w->parent != gWm.messageRoot) w = w->parent;
  return w;
}

bool IsDescendant(const Window* w, const Window* ancestor) {
  for (; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

void RegionFromRect(pixman_region32_t* r, const RECT& rc) {
  pixman_region32_fini(r);
  if (rc.right > rc.left && rc.bottom > rc.top)
    pixman_region32_init_rect(r, rc.left, rc.top, static_cast<unsigned>(rc.right - rc.left),
                              static_cast<unsigned>(rc.bottom - rc.top));
  else
    pixman_region32_init(r);
}

Insets FrameInsets(DWORD style, DWORD ex) {
  Insets in;
  int b = 0;
  if (style & WS_THICKFRAME)
    b = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME))
    b = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    b = GetSystemMetrics(SM_CXBORDER);
  in.left = in.right = in.top = in.bottom = b;
  if ((style & WS_CAPTION) == WS_CAPTION)
    in.top += (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  int e = 0;
  if (ex & WS_EX_CLIENTEDGE) e += GetSystemMetrics(SM_CXEDGE);
  if (ex & WS_EX_STATICEDGE) e += GetSystemMetrics(SM_CXBORDER);
  in.left += e;
  in.right += e;
  in.top += e;
  in.bottom += e;
  return in;
}

RECT DefaultClient(const Window* w, const RECT& windowRect) {
  RECT r = windowRect;
  if (w->style & WS_MINIMIZE) return RECT{r.left, r.top, r.left, r.top};
  Insets in = FrameInsets(w->style, w->exStyle);
  r.left += in.left;
  r.top += in.top;
  r.right -= in.right;
  r.bottom -= in.bottom;
  if ((w->style & WS_VSCROLL) && r.right - r.left >= GetSystemMetrics(SM_CXVSCROLL))
    r.right -= GetSystemMetrics(SM_CXVSCROLL);
  if ((w->style & WS_HSCROLL) && r.bottom - r.top >= GetSystemMetrics(SM_CYHSCROLL))
    r.bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void EnsureBuffer(Window* top) {
  int w = std::max(0, top->Width());
  int h = std::max(0, top->Height());
  if (w == top->bufWidth && h == top->bufHeight) return;
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  int cw = std::min(w, top->bufWidth), ch = std::min(h, top->bufHeight);
  for (int y = 0; y < ch; ++y)
    std::copy(top->pixels.begin() + static_cast<ptrdiff_t>(y) * top->bufWidth,
              top->pixels.begin() + static_cast<ptrdiff_t>(y) * top->bufWidth + cw,
              px.begin() + static_cast<ptrdiff_t>(y) * w);
  top->pixels.swap(px);
  top->bufWidth = w;
  top->bufHeight = h;
}

void ReleaseBuffer(Window* w) {
  std::vector<uint32_t>().swap(w->pixels);
  w->bufWidth = w->bufHeight = 0;
}

// Screen rectangle of a window clipped by its window region, as a region in screen coordinates.
void WindowShape(Window* w, pixman_region32_t* out) {
  POINT o = WindowOrigin(w);
  RegionFromRect(out, RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()});
  if (Region* r = AsRegion(w->windowRgn)) {
    Rgn shape;
    pixman_region32_copy(&shape.r, &r->rgn);
    pixman_region32_translate(&shape.r, o.x, o.y);
    pixman_region32_intersect(out, out, &shape.r);
  }
}

bool ShapeContains(Window* w, POINT pt) {
  POINT o = WindowOrigin(w);
  if (!Contains(RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()}, pt)) return false;
  if (Region* r = AsRegion(w->windowRgn)) return pixman_region32_contains_point(&r->rgn, pt.x - o.x, pt.y - o.y, nullptr);
  return true;
}

// ---- z-order -----------------------------------------------------------------------------------------

size_t FirstNonTopmost(const std::vector<Window*>& v) {
  size_t i = 0;
  while (i < v.size() && IsTopmost(v[i])) ++i;
  return i;
}

namespace {

// Moves the windows that w owns, directly or not, just above w in the list v; returns whether any moved.
bool OwnedAbove(std::vector<Window*>& v, Window* w) {
  std::vector<Window*> owned;
  for (Window* c : v)
    if (c != w && c->owner && IsDescendantOwner(c, w)) owned.push_back(c);
  if (owned.empty()) return false;
  for (Window* c : owned) v.erase(std::find(v.begin(), v.end(), c));
  auto pos = std::find(v.begin(), v.end(), w);
  // owned windows keep their relative order and stay in the topmost band when they are topmost
  std::vector<Window*> normal;
  for (Window* c : owned) {
    if (IsTopmost(c) && !IsTopmost(w)) {
      v.insert(v.begin() + static_cast<ptrdiff_t>(FirstNonTopmost(v)), c);
      pos = std::find(v.begin(), v.end(), w);
    } else {
      normal.push_back(c);
    }
  }
  v.insert(pos, normal.begin(), normal.end());
  return true;
}

// Publishes a new child list. Lists are rebuilt aside and swapped in under the handle lock, so a thread
// that walks the top-levels under that lock (a broadcast) never sees one half changed.
void CommitChildren(Window* parent, std::vector<Window*>&& v) {
  {
    std::lock_guard<std::mutex> lock(gWm.handleMutex);
    parent->children.swap(v);
  }
  CheckChildList(parent);
}

}  // namespace

void InsertChild(Window* parent, Window* w) {
  std::vector<Window*> v = parent->children;
  v.insert(v.begin() + static_cast<ptrdiff_t>(parent == gWm.desktop && !IsTopmost(w) ? FirstNonTopmost(v) : 0), w);
  w->parent = parent;
  CommitChildren(parent, std::move(v));
}

void Unlink(Window* w) {
  if (Window* p = w->parent) {
    std::vector<Window*> v = p->children;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
    CommitChildren(p, std::move(v));
  }
  w->parent = nullptr;
}

void BringOwnedAbove(Window* w) {
  if (!w->IsTopLevel()) return;
  std::vector<Window*> v = w->parent->children;
  if (OwnedAbove(v, w)) CommitChildren(w->parent, std::move(v));
}

// Moves w in its parent's list; returns whether the order changed.
bool ApplyZOrder(Window* w, HWND after, bool ownerOrder) {
  if (!w->parent) return false;
  const std::vector<Window*>& before = w->parent->children;
  std::vector<Window*> v = before;
  v.erase(std::find(v.begin(), v.end(), w));
  bool top = w->IsTopLevel();
  size_t pos = 0;
  if (after == HWND_TOP) {
    pos = top && !IsTopmost(w) ? FirstNonTopmost(v) : 0;
  } else if (after == HWND_BOTTOM) {
    if (top) w->exStyle &= ~WS_EX_TOPMOST;
    pos = v.size();
  } else if (after == HWND_TOPMOST) {
    if (top) w->exStyle |= WS_EX_TOPMOST;
    pos = 0;
  } else if (after == HWND_NOTOPMOST) {
    if (top) w->exStyle &= ~WS_EX_TOPMOST;
    pos = FirstNonTopmost(v);
  } else {
    Window* a = FindWindowObj(after);
    auto it = a ? std::find(v.begin(), v.end(), a) : v.end();
    if (it == v.end()) return false;
    pos = static_cast<size_t>(it - v.begin()) + 1;
    if (top && !IsTopmost(w)) pos = std::max(pos, FirstNonTopmost(v));
    if (top && IsTopmost(w)) pos = std::min(pos, FirstNonTopmost(v));
  }
  v.insert(v.begin() + static_cast<ptrdiff_t>(pos), w);
  if (ownerOrder && top) OwnedAbove(v, w);
  if (v == before) return false;
  CommitChildren(w->parent, std::move(v));
  return true;
}

// Every window in a child list points back to its parent, is listed once, is still registered by its
// handle and is not destroyed.
void CheckChildList([[maybe_unused]] const Window* parent) {
#if VORN_ASSERTIONS_ON
  std::lock_guard<std::mutex> lock(gWm.handleMutex);
  for (size_t i = 0; i < parent->children.size(); ++i) {
    const Window* c = parent->children[i];
    VORN_ASSERT(c->parent == parent);
    VORN_ASSERT(!c->destroyed);
    VORN_ASSERT(gWm.windows.count(reinterpret_cast<uintptr_t>(c->handle)) == 1);
    VORN_ASSERT(std::find(parent->children.begin() + static_cast<ptrdiff_t>(i) + 1, parent->children.end(), c) ==
                parent->children.end());
  }
#endif
}

// ---- window positions --------------------------------------------------------------------------------
BOOL SetWindowPosImpl(Window* w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!w || w == gWm.desktop || w->destroyed) return FALSE;
  HWND h = w->handle;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if ((flags & SWP_SHOWWINDOW) && wasVisible) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !wasVisible) flags &= ~SWP_HIDEWINDOW;
  if (flags & SWP_SHOWWINDOW) flags &= ~SWP_HIDEWINDOW;
  WINDOWPOS wp{h, after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->Width();
    wp.cy = w->Height();
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(w, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);
    if (!Live(w)) return FALSE;
  }
  flags = wp.flags;
  RECT oldRect = w->rect;
  RECT oldClient = w->client;
  RECT newRect = oldRect;
  if (!(flags & SWP_NOMOVE)) {
    newRect.left = wp.x;
    newRect.top = wp.y;
  }
  if (!(flags & SWP_NOSIZE)) {
    newRect.right = newRect.left + std::max(0, wp.cx);
    newRect.bottom = newRect.top + std::max(0, wp.cy);
  } else {
    newRect.right = newRect.left + (oldRect.right - oldRect.left);
    newRect.bottom = newRect.top + (oldRect.bottom - oldRect.top);
  }
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  bool sized = newRect.right - newRect.left != oldRect.right - oldRect.left ||
               newRect.bottom - newRect.top != oldRect.bottom - oldRect.top;
  RECT newClient = oldClient;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p{};
    p.rgrc[0] = newRect;
    p.rgrc[1] = oldRect;
    p.rgrc[2] = Offset(oldClient, oldRect.left, oldRect.top);
    p.lppos = &wp;
    Send(w, WM_NCCALCSIZE, TRUE, (LPARAM)&p);
    if (!Live(w)) return FALSE;
    newClient = Offset(p.rgrc[0], -newRect.left, -newRect.top);
  }
  bool clientMoved = moved || newClient.left != oldClient.left || newClient.top != oldClient.top;
  bool clientSized = newClient.right - newClient.left != oldClient.right - oldClient.left ||
                     newClient.bottom - newClient.top != oldClient.bottom - oldClient.top;
  bool redraw = !(flags & SWP_NOREDRAW);
  if (wasVisible && redraw && (moved || sized || (flags & SWP_HIDEWINDOW))) InvalidateParentArea(w, oldRect);
  w->rect = newRect;
  w->client = newClient;
  bool zChanged = false;
  if (!(flags & SWP_NOZORDER)) zChanged = ApplyZOrder(w, wp.hwndInsertAfter, !(flags & SWP_NOOWNERZORDER));
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  if (w->IsTopLevel() && sized) EnsureBuffer(w);
  if (redraw && (w->style & WS_VISIBLE) &&
      ((flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) || sized || (moved && !w->IsTopLevel()) ||
       (zChanged && !w->IsTopLevel())))
    InvalidateTree(w, nullptr, true, true, ChildrenAll);
  if (w->IsTopLevel() && gWm.backend && (moved || sized || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) || zChanged))
    gWm.backend->TopLevelChanged(h);
  if (w->IsTopLevel() && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE) && !(w->exStyle & WS_EX_NOACTIVATE))
    ActivateImpl(w, WA_ACTIVE);
  if (!Live(w)) return FALSE;
  wp.flags = flags | (clientSized ? 0 : SWP_NOCLIENTSIZE) | (clientMoved ? 0 : SWP_NOCLIENTMOVE);
  wp.x = w->rect.left;
  wp.y = w->rect.top;
  wp.cx = w->Width();
  wp.cy = w->Height();
  Send(w, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
  if (!Live(w)) return TRUE;
  if ((flags & SWP_HIDEWINDOW)) {
    if (Live(gWm.active) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
  }
  return TRUE;
}

MINMAXINFO DefaultMinMax(Window* w) {
  MINMAXINFO mmi{};
  Insets in = FrameInsets(w->style, w->exStyle);
  int frame = in.left;
  RECT work = w->IsTopLevel() ? gWm.workArea : ClientRectOf(w->parent);
  mmi.ptMaxSize = POINT{(work.right - work.left) + 2 * frame, (work.bottom - work.top) + 2 * frame};
  mmi.ptMaxPosition = POINT{work.left - frame, work.top - frame};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  return mmi;
}

bool WantsMinMax(const Window* w) {
  return (w->style & (WS_POPUP | WS_CHILD)) == 0 || (w->style & WS_THICKFRAME);
}

BOOL ShowWindowImpl(Window* w, int cmd) {
  if (!w || w == gWm.desktop) return FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool top = w->IsTopLevel();
  UINT base = SWP_NOMOVE | SWP_NOSIZE;
  if (!top) base |= SWP_NOZORDER | SWP_NOACTIVATE;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      Send(w, WM_SHOWWINDOW, FALSE, 0);
      if (!Live(w)) return TRUE;
      SetWindowPosImpl(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    case SW_SHOWMAXIMIZED: {
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      if (!(w->style & WS_MAXIMIZE)) {
        if (!(w->style & WS_MINIMIZE)) w->normalRect = w->rect;
        w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
        MINMAXINFO mmi = DefaultMinMax(w);
        if (WantsMinMax(w)) Send(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
        SetWindowPosImpl(w, HWND_TOP, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
                         SWP_FRAMECHANGED | SWP_SHOWWINDOW | (top ? 0 : SWP_NOZORDER | SWP_NOACTIVATE));
      } else {
        SetWindowPosImpl(w, HWND_TOP, 0, 0, 0, 0, base | SWP_SHOWWINDOW);
      }
      return wasVisible;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: {
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      if (!(w->style & WS_MINIMIZE)) {
        if (!(w->style & WS_MAXIMIZE)) w->normalRect = w->rect;
        w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
        SetWindowPosImpl(w, HWND_TOP, -32000, -32000, GetSystemMetrics(SM_CXMINIMIZED),
                         GetSystemMetrics(SM_CYMINIMIZED), SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        if (Live(w) && Live(gWm.active) == w && cmd != SW_SHOWMINIMIZED) ActivateImpl(NextActivatable(w), WA_ACTIVE);
      }
      return wasVisible;
    }
    default: {
      bool activate = top && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE;
      if (!wasVisible) Send(w, WM_SHOWWINDOW, TRUE, 0);
      if (!Live(w)) return wasVisible;
      bool restore = (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT) &&
                     (w->style & (WS_MAXIMIZE | WS_MINIMIZE));
      UINT flags = base | SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE);
      if (cmd == SW_SHOWNA && top) flags |= SWP_NOZORDER;
      if (restore) {
        w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
        RECT r = w->normalRect;
        SetWindowPosImpl(w, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         (flags & ~(SWP_NOMOVE | SWP_NOSIZE)) | SWP_FRAMECHANGED);
      } else {
        SetWindowPosImpl(w, HWND_TOP, 0, 0, 0, 0, flags);
      }
      return wasVisible;
    }
  }
}

}  // namespace winapi::detail::wm

namespace winapi::detail {
using namespace wm;

bool IsDescendantOwner(const Window* w, const Window* owner) {
  for (const Window* o = w ? w->owner : nullptr; o; o = o->owner)
    if (o == owner) return true;
  return false;
}

POINT WindowOrigin(const Window* w) {
  if (!w || w == gWm.desktop || !w->parent) return POINT{w ? w->rect.left : 0, w ? w->rect.top : 0};
  POINT p = ClientOrigin(w->parent);
  return POINT{p.x + w->rect.left, p.y + w->rect.top};
}

POINT ClientOrigin(const Window* w) {
  if (!w || w == gWm.desktop) return POINT{0, 0};
  POINT p = WindowOrigin(w);
  return POINT{p.x + w->client.left, p.y + w->client.top};
}

bool IsVisibleTree(const Window* w) {
  for (; w && w != gWm.desktop; w = w->parent) {
    if (w == gWm.messageRoot) return false;
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return w == gWm.desktop;
}

Window* TopLevelOf(Window* w) {
  if (!w || w == gWm.desktop) return w;
  while (w->parent && w->parent != gWm.desktop) w = w->parent;
  return w->parent == gWm.desktop ? w : nullptr;
}

POINT BufferOffset(const Window* w) {
  Window* top = TopLevelOf(const_cast<Window*>(w));
  POINT a = WindowOrigin(w), b = WindowOrigin(top);
  return POINT{a.x - b.x, a.y - b.y};
}

void VisibleRegion(Window* w, bool clientArea, bool clipChildren, bool clipSiblings, pixman_region32_t* out) {
  pixman_region32_clear(out);
  if (!w) return;
  if (w == gWm.desktop) {
    RegionFromRect(out, RECT{0, 0, gWm.screenW, gWm.screenH});
    return;
  }
  if (!IsVisibleTree(w)) return;
  POINT org = clientArea ? ClientOrigin(w) : WindowOrigin(w);
  Rgn vis;
  if (clientArea) {
    RegionFromRect(&vis.r, Offset(ClientRectOf(w), org.x, org.y));
    Rgn shape;
    WindowShape(w, &shape.r);
    pixman_region32_intersect(&vis.r, &vis.r, &shape.r);
  } else {
    WindowShape(w, &vis.r);
  }
  // ancestors clip to their client areas; windows with WS_CLIPSIBLINGS lose what siblings above cover
  Window* c = w;
  bool siblings = clipSiblings;
  while (c->parent && c->parent != gWm.desktop) {
    Window* p = c->parent;
    if (siblings) {
      for (Window* s : p->children) {
        if (s == c) break;
        if (!(s->style & WS_VISIBLE)) continue;
        Rgn sh;
        WindowShape(s, &sh.r);
        pixman_region32_subtract(&vis.r, &vis.r, &sh.r);
      }
    }
    POINT po = ClientOrigin(p);
    Rgn pc(Offset(ClientRectOf(p), po.x, po.y));
    pixman_region32_intersect(&vis.r, &vis.r, &pc.r);
    Rgn ps;
    WindowShape(p, &ps.r);
    pixman_region32_intersect(&vis.r, &vis.r, &ps.r);
    c = p;
    siblings = (c->style & WS_CLIPSIBLINGS) != 0;
  }
  if (clipChildren) {
    for (Window* k : w->children) {
      if (!(k->style & WS_VISIBLE)) continue;
      Rgn sh;
      WindowShape(k, &sh.r);
      pixman_region32_subtract(&vis.r, &vis.r, &sh.r);
    }
  }
  pixman_region32_translate(&vis.r, -org.x, -org.y);
  pixman_region32_copy(out, &vis.r);
}

}  // namespace winapi::detail

using namespace winapi::detail;
using namespace winapi::detail::wm;

BOOL ShowWindow(HWND hwnd, int cmd) { return Api([&] { return ShowWindowImpl(FindWindowObj(hwnd), cmd); }); }

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return Api([&] { return SetWindowPosImpl(FindWindowObj(hwnd), insertAfter, x, y, cx, cy, flags); });
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !wp) return FALSE;
  wp->flags = 0;
  wp->showCmd = !(w->style & WS_VISIBLE)      ? SW_HIDE
                : (w->style & WS_MAXIMIZE)   ? SW_SHOWMAXIMIZED
                : (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                                             : SW_SHOWNORMAL;
  wp->ptMinPosition = POINT{-1, -1};
  wp->ptMaxPosition = POINT{-1, -1};
  wp->rcNormalPosition = (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
  return Api([&]() -> BOOL {
    Window* w = FindWindowObj(hwnd);
    if (!w || !wp) return FALSE;
    if (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) {
      w->normalRect = wp->rcNormalPosition;
    } else {
      const RECT& r = wp->rcNormalPosition;
      SetWindowPosImpl(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Live(w)) ShowWindowImpl(w, static_cast<int>(wp->showCmd));
    return TRUE;
  });
}

HWND SetParent(HWND child, HWND newParent) {
  return Api([&]() -> HWND {
    Window* w = FindWindowObj(child);
    if (!w || w == gWm.desktop) return nullptr;
    Window* p = newParent ? FindWindowObj(newParent) : gWm.desktop;
    if (!p || IsDescendant(p, w)) return nullptr;
    Window* old = w->parent;
    if (old == p) return H(old == gWm.desktop ? nullptr : old);
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    if (wasVisible) InvalidateParentArea(w, w->rect);
    bool wasTop = w->IsTopLevel();
    Unlink(w);
    InsertChild(p, w);
    if (w->IsTopLevel() && !wasTop) {
      EnsureBuffer(w);
    } else if (!w->IsTopLevel() && wasTop) {
      ReleaseBuffer(w);
      if (Live(gWm.active) == w) ActivateImpl(NextActivatable(w), WA_ACTIVE);
      if (gWm.backend) gWm.backend->TopLevelChanged(w->handle);
    }
    if (wasVisible) InvalidateTree(w, nullptr, true, true, ChildrenAll);
    if (w->IsTopLevel() && gWm.backend) gWm.backend->TopLevelChanged(w->handle);
    return old == gWm.desktop ? nullptr : H(old);
  });
}

HWND GetParent(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent == gWm.desktop || w->parent == gWm.messageRoot ? nullptr : H(w->parent);
  return H(w->owner);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = FindWindowObj(hwnd);
  if (!w || w == gWm.desktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return H(w->parent);
    case GA_ROOT: return H(Root(w));
    case GA_ROOTOWNER: {
      Window* r = Root(w);
      while (r->owner) r = r->owner;
      return H(r);
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : H(w->children.front());
  if (cmd == GW_OWNER) return H(w->owner);
  if (cmd == GW_ENABLEDPOPUP) {
    for (Window* t : gWm.desktop->children)
      if (t->owner == w && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED)) return H(t);
    return nullptr;
  }
  if (!w->parent) return nullptr;
  auto& v = w->parent->children;
  auto it = std::find(v.begin(), v.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST: return H(v.front());
    case GW_HWNDLAST: return H(v.back());
    case GW_HWNDNEXT: return it + 1 < v.end() ? H(*(it + 1)) : nullptr;
    case GW_HWNDPREV: return it > v.begin() ? H(*(it - 1)) : nullptr;
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gWm.desktop;
  return w && !w->children.empty() ? H(w->children.front()) : nullptr;
}

HWND GetDesktopWindow() { return H(gWm.desktop); }

HWND GetLastActivePopup(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return nullptr;
  Window* p = Live(w->lastActivePopup);
  return p && (p->style & WS_VISIBLE) && !(p->style & WS_DISABLED) ? H(p) : hwnd;
}

// ---- geometry ----------------------------------------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !rect) return FALSE;
  POINT o = WindowOrigin(w);
  *rect = RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ClientRectOf(w);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOrigin(w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Window* a = from ? FindWindowObj(from) : gWm.desktop;
  Window* b = to ? FindWindowObj(to) : gWm.desktop;
  if (!a || !b) return 0;
  POINT oa = ClientOrigin(a), ob = ClientOrigin(b);
  int dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  Insets in = FrameInsets(style, exStyle);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  if (menu) rect->top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  return Api([&] { return H(HitTestScreen(pt).w); });
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Window* p = FindWindowObj(parent);
  if (!p) return nullptr;
  if (!Contains(ClientRectOf(p), pt)) return nullptr;
  POINT co = ClientOrigin(p);
  POINT sp{pt.x + co.x, pt.y + co.y};
  for (Window* c : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (ShapeContains(c, sp)) return c->handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

HWND RealChildWindowFromPoint(HWND parent, POINT pt) {
  return Api([&]() -> HWND {
    Window* p = FindWindowObj(parent);
    if (!p) return nullptr;
    POINT co = ClientOrigin(p);
    POINT sp{pt.x + co.x, pt.y + co.y};
    for (Window* c : p->children) {
      if (!(c->style & WS_VISIBLE) || !ShapeContains(c, sp)) continue;
      if (Send(c, WM_NCHITTEST, 0, MAKELPARAM(sp.x, sp.y)) == HTTRANSPARENT) continue;
      return c->handle;
    }
    return parent;
  });
}
