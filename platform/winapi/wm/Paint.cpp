// The window manager's painting: update regions, WM_PAINT and WM_NCPAINT, device contexts of windows.

#include <algorithm>
#include <cstring>

#include "rtl/Clock.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"
#include "winapi/detail/Ctl.h"
#include "winapi/detail/Gdi.h"
#include "winapi/detail/WmState.h"

namespace winapi::detail::wm {

// ---- painting state ----------------------------------------------------------------------------------

void InvalidateTree(Window* w, pixman_region32_t* clientRgn, bool erase, bool frame, ChildMode mode) {
  Rgn area(ClientRectOf(w));
  if (clientRgn) pixman_region32_intersect(&area.r, &area.r, clientRgn);
  if (!area.Empty()) {
    pixman_region32_union(&w->update, &w->update, &area.r);
    if (erase) w->erase = true;
    gWm.maybeDirty = true;
  }
  if (frame) {
    w->ncPending = true;
    gWm.maybeDirty = true;
  }
  bool children = mode == ChildrenAll || (mode == ChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children || area.Empty()) return;
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    // the child's window area in its own window coordinates
    Rgn part;
    pixman_region32_copy(&part.r, &area.r);
    pixman_region32_translate(&part.r, -c->rect.left, -c->rect.top);
    Rgn bounds(RECT{0, 0, c->Width(), c->Height()});
    pixman_region32_intersect(&part.r, &part.r, &bounds.r);
    if (part.Empty()) continue;
    Rgn clientPart(c->client);
    pixman_region32_intersect(&clientPart.r, &clientPart.r, &part.r);
    bool touchesFrame = !pixman_region32_equal(&clientPart.r, &part.r);
    pixman_region32_translate(&part.r, -c->client.left, -c->client.top);
    InvalidateTree(c, &part.r, erase, touchesFrame, mode == ChildrenAll ? ChildrenAll : ChildrenByStyle);
  }
}

void ValidateTree(Window* w, pixman_region32_t* clientRgn, bool noErase, bool noFrame, bool allChildren) {
  if (clientRgn)
    pixman_region32_subtract(&w->update, &w->update, clientRgn);
  else
    pixman_region32_clear(&w->update);
  if (!pixman_region32_not_empty(&w->update)) {
    if (noErase || !clientRgn) w->erase = false;
    if (!noFrame && !clientRgn) w->ncPending = false;
  }
  if (!allChildren) return;
  for (Window* c : w->children) {
    if (clientRgn) {
      Rgn part;
      pixman_region32_copy(&part.r, clientRgn);
      pixman_region32_translate(&part.r, -c->rect.left - c->client.left, -c->rect.top - c->client.top);
      ValidateTree(c, &part.r, noErase, noFrame, true);
    } else {
      ValidateTree(c, nullptr, noErase, noFrame, true);
    }
  }
}

bool NeedsPaint(const Window* w) {
  return pixman_region32_not_empty(const_cast<pixman_region32_t*>(&w->update)) || w->internalPaint;
}

Window* FindDirty(Window* w, DWORD thread, Window* only) {
  if (!(w->style & WS_VISIBLE) && w != gWm.desktop) return nullptr;
  if (w != gWm.desktop && w->thread == thread && (!only || only == w) && (NeedsPaint(w) || w->ncPending)) return w;
  for (Window* c : w->children)
    if (Window* d = FindDirty(c, thread, only)) return d;
  return nullptr;
}

void SendNcPaint(Window* w) {
  if (!w->ncPending) return;
  w->ncPending = false;
  if (FrameInsets(w->style, w->exStyle).top || (w->style & (WS_VSCROLL | WS_HSCROLL)) ||
      w->client.left || w->client.top)
    Send(w, WM_NCPAINT, 1, 0);
}

void UpdateNow(Window* w, ChildMode mode) {
  if (!IsVisibleTree(w)) return;
  HWND h = w->handle;
  SendNcPaint(w);
  if (!FindWindowObj(h)) return;
  if (NeedsPaint(w)) Send(w, WM_PAINT, 0, 0);
  if (!FindWindowObj(h)) return;
  bool children = mode == ChildrenAll || (mode == ChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FindWindowObj(k)) UpdateNow(c, mode);
}

void InvalidateParentArea(Window* w, const RECT& oldRect) {
  Window* p = w->parent;
  if (!p || p == gWm.messageRoot) return;
  if (p == gWm.desktop) return;  // top-levels have buffers of their own
  Rgn area(oldRect);
  InvalidateTree(p, &area.r, true, false, ChildrenAll);
}

}  // namespace winapi::detail::wm

namespace winapi::detail {
using namespace wm;

void RedrawAll() {
  if (!gWm.desktop) return;
  for (Window* t : gWm.desktop->children) InvalidateTree(t, nullptr, true, true, ChildrenAll);
}

}  // namespace winapi::detail

using namespace winapi::detail;
using namespace winapi::detail::wm;

// ---- painting ----------------------------------------------------------------------------------------
namespace {

void ClientRegionFrom(Window* w, const RECT* rect, HRGN rgn, pixman_region32_t* out) {
  RegionFromRect(out, ClientRectOf(w));
  if (rect) {
    Rgn r(*rect);
    pixman_region32_intersect(out, out, &r.r);
  }
  if (Region* rr = AsRegion(rgn)) pixman_region32_intersect(out, out, &rr->rgn);
}

BOOL Redraw(Window* w, const RECT* rect, HRGN rgn, UINT flags) {
  if (!w) return FALSE;
  bool whole = !rect && !rgn;
  Rgn area;
  ClientRegionFrom(w, rect, rgn, &area.r);
  ChildMode mode = (flags & RDW_ALLCHILDREN) ? ChildrenAll : (flags & RDW_NOCHILDREN) ? ChildrenNone : ChildrenByStyle;
  if (flags & RDW_INVALIDATE) {
    InvalidateTree(w, &area.r, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) && whole, mode);
  } else if (flags & RDW_VALIDATE) {
    ValidateTree(w, whole ? nullptr : &area.r, (flags & RDW_NOERASE) != 0, (flags & RDW_NOFRAME) != 0,
                 mode == ChildrenAll);
  }
  if (flags & RDW_INTERNALPAINT) {
    w->internalPaint = true;
    gWm.maybeDirty = true;
  }
  if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  if (flags & RDW_UPDATENOW) {
    UpdateNow(w, mode);
  } else if (flags & RDW_ERASENOW) {
    HWND h = w->handle;
    SendNcPaint(w);
    if (Window* again = FindWindowObj(h); again && again->erase) {
      again->erase = false;
      HDC dc = GetDCEx(h, nullptr, DCX_CACHE);
      if (dc) {
        if (DC* d = AsDC(dc)) pixman_region32_intersect(&d->vis, &d->vis, &again->update);
        Send(again, WM_ERASEBKGND, (WPARAM)dc, 0);
        ReleaseDC(h, dc);
      }
    }
  }
  return TRUE;
}

HDC MakeDC(Window* w, bool windowDC, bool clipChildren, bool clipSiblings) {
  auto* dc = new DC();
  dc->hwnd = w == gWm.desktop ? nullptr : w->handle;
  dc->windowDC = windowDC;
  if (w == gWm.desktop) {
    dc->surface = winapi::PixelBuffer{gWm.desktop->pixels.data(), gWm.desktop->bufWidth, gWm.desktop->bufHeight, gWm.desktop->bufWidth};
    RegionFromRect(&dc->vis, RECT{0, 0, gWm.screenW, gWm.screenH});
  } else {
    VisibleRegion(w, !windowDC, clipChildren, clipSiblings, &dc->vis);
  }
  dc->brush = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterObject(dc);
  return reinterpret_cast<HDC>(static_cast<GdiObject*>(dc));
}

void NotifyPainted(Window* w, const pixman_region32_t* vis, bool windowDC) {
  if (!gWm.backend || !w) return;
  Window* top = TopLevelOf(w);
  if (!top || top == gWm.desktop) return;
  pixman_box32_t* e = pixman_region32_extents(const_cast<pixman_region32_t*>(vis));
  POINT off = BufferOffset(w);
  if (!windowDC) {
    off.x += w->client.left;
    off.y += w->client.top;
  }
  gWm.backend->TopLevelPainted(top->handle, RECT{e->x1 + off.x, e->y1 + off.y, e->x2 + off.x, e->y2 + off.y});
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    RedrawAll();
    return TRUE;
  }
  return Redraw(FindWindowObj(hwnd), rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  return Redraw(w, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return Redraw(FindWindowObj(hwnd), rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  return Redraw(FindWindowObj(hwnd), nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  Api([&] { UpdateNow(w, ChildrenNone); });
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gWm.desktop;
  if (!w) return FALSE;
  return Api([&] {
    if (w == gWm.desktop) {
      for (Window* t : std::vector<Window*>(gWm.desktop->children))
        if (!t->destroyed) Redraw(t, nullptr, nullptr, flags);
      return TRUE;
    }
    return Redraw(w, rect, rgn, flags);
  });
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return FALSE;
  bool any = pixman_region32_not_empty(&w->update);
  if (rect) {
    pixman_box32_t* e = pixman_region32_extents(&w->update);
    *rect = any ? RECT{e->x1, e->y1, e->x2, e->y2} : RECT{0, 0, 0, 0};
  }
  if (any && erase) Api([&] { Redraw(w, nullptr, nullptr, RDW_ERASENOW | RDW_NOCHILDREN); });
  return any ? TRUE : FALSE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Window* w = FindWindowObj(hwnd);
  Region* r = AsRegion(rgn);
  if (!w || !r) return ERROR;
  pixman_region32_copy(&r->rgn, &w->update);
  if (erase && pixman_region32_not_empty(&w->update)) Api([&] { Redraw(w, nullptr, nullptr, RDW_ERASENOW | RDW_NOCHILDREN); });
  return RegionType(&r->rgn);
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
                   UINT flags) {
  Window* w = FindWindowObj(hwnd);
  if (!w) return ERROR;
  return Api([&]() -> int {
    RECT cr = ClientRectOf(w);
    Rgn src(cr), clipR(cr);
    if (scroll) {
      Rgn s(*scroll);
      pixman_region32_intersect(&src.r, &src.r, &s.r);
    }
    if (clip) {
      Rgn c(*clip);
      pixman_region32_intersect(&clipR.r, &clipR.r, &c.r);
    }
    Rgn vis;
    VisibleRegion(w, true, false, (w->style & WS_CLIPSIBLINGS) != 0, &vis.r);
    // what can be copied: visible source pixels whose destination is visible and inside the clip
    Rgn dest;
    pixman_region32_intersect(&dest.r, &src.r, &vis.r);
    pixman_region32_translate(&dest.r, dx, dy);
    pixman_region32_intersect(&dest.r, &dest.r, &clipR.r);
    pixman_region32_intersect(&dest.r, &dest.r, &vis.r);
    winapi::PixelBuffer buf{};
    POINT org{};
    if (winapi::GetWindowBuffer(hwnd, &buf, &org)) {
      org.x += w->client.left;
      org.y += w->client.top;
      // copy the source of the movable area aside first: source and destination overlap
      pixman_box32_t* e = pixman_region32_extents(&dest.r);
      int sx0 = std::max(0, e->x1 - dx + org.x), sy0 = std::max(0, e->y1 - dy + org.y);
      int sx1 = std::min(buf.width, e->x2 - dx + org.x), sy1 = std::min(buf.height, e->y2 - dy + org.y);
      int cw = std::max(0, sx1 - sx0), chh = std::max(0, sy1 - sy0);
      std::vector<uint32_t> copy(static_cast<size_t>(cw) * static_cast<size_t>(chh));
      for (int y = 0; y < chh; ++y)
        std::copy(buf.pixels + static_cast<size_t>(sy0 + y) * buf.stride + sx0,
                  buf.pixels + static_cast<size_t>(sy0 + y) * buf.stride + sx0 + cw, copy.begin() + static_cast<ptrdiff_t>(y) * cw);
      int n = 0;
      pixman_box32_t* b = pixman_region32_rectangles(&dest.r, &n);
      for (int i = 0; i < n; ++i)
        for (int y = b[i].y1; y < b[i].y2; ++y) {
          int ty = y + org.y, sy = y - dy + org.y;
          if (ty < 0 || ty >= buf.height || sy < sy0 || sy >= sy1) continue;
          for (int x = b[i].x1; x < b[i].x2; ++x) {
            int tx = x + org.x, sx = x - dx + org.x;
            if (tx < 0 || tx >= buf.width || sx < sx0 || sx >= sx1) continue;
            buf.pixels[static_cast<size_t>(ty) * buf.stride + tx] = copy[static_cast<size_t>(sy - sy0) * cw + (sx - sx0)];
          }
        }
    }
    // the uncovered part, and the pending update region moved with the pixels
    Rgn uncovered;
    pixman_region32_intersect(&uncovered.r, &src.r, &clipR.r);
    pixman_region32_subtract(&uncovered.r, &uncovered.r, &dest.r);
    Rgn moving;
    pixman_region32_intersect(&moving.r, &w->update, &src.r);
    pixman_region32_subtract(&w->update, &w->update, &moving.r);
    pixman_region32_translate(&moving.r, dx, dy);
    pixman_region32_intersect(&moving.r, &moving.r, &clipR.r);
    pixman_region32_union(&w->update, &w->update, &moving.r);
    if (flags & SW_SCROLLCHILDREN) {
      std::vector<HWND> kids;
      for (Window* c : w->children) {
        RECT rc = c->rect;
        if (!scroll || (rc.right > scroll->left && rc.left < scroll->right && rc.bottom > scroll->top && rc.top < scroll->bottom))
          kids.push_back(c->handle);
      }
      for (HWND k : kids)
        if (Window* c = FindWindowObj(k))
          SetWindowPosImpl(c, nullptr, c->rect.left + dx, c->rect.top + dy, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    if (flags & SW_INVALIDATE) InvalidateTree(w, &uncovered.r, (flags & SW_ERASE) != 0, false, ChildrenByStyle);
    if (Region* u = AsRegion(update)) pixman_region32_copy(&u->rgn, &uncovered.r);
    if (updateRect) {
      pixman_box32_t* e = pixman_region32_extents(&uncovered.r);
      *updateRect = uncovered.Empty() ? RECT{0, 0, 0, 0} : RECT{e->x1, e->y1, e->x2, e->y2};
    }
    NotifyPainted(w, &vis.r, false);
    return RegionType(&uncovered.r);
  });
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr,
                        SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = FindWindowObj(hwnd);
  if (!w || !ps) return nullptr;
  return Api([&]() -> HDC {
    SendNcPaint(w);
    if (!Live(w)) return nullptr;
    HDC hdc = MakeDC(w, false, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
    DC* dc = AsDC(hdc);
    dc->paintDC = true;
    ++gWm.paintDepth;
    pixman_region32_intersect(&dc->vis, &dc->vis, &w->update);
    pixman_box32_t* e = pixman_region32_extents(&w->update);
    ps->rcPaint = pixman_region32_not_empty(&w->update) ? RECT{e->x1, e->y1, e->x2, e->y2} : RECT{0, 0, 0, 0};
    bool erase = w->erase;
    w->erase = false;
    w->internalPaint = false;
    pixman_region32_clear(&w->update);
    ps->hdc = hdc;
    ps->fRestore = FALSE;
    ps->fIncUpdate = FALSE;
    ps->fErase = erase ? (Send(w, WM_ERASEBKGND, (WPARAM)hdc, 0) ? FALSE : TRUE) : FALSE;
    return hdc;
  });
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  DC* dc = AsDC(ps->hdc);
  if (!dc) return FALSE;
  if (dc->paintDC) {
    VORN_ASSERT(gWm.paintDepth > 0);
    --gWm.paintDepth;
  }
  NotifyPainted(FindWindowObj(hwnd), &dc->vis, false);
  UnregisterObject(dc);
  delete dc;
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  Window* w = hwnd ? FindWindowObj(hwnd) : gWm.desktop;
  if (!w) return nullptr;
  bool windowDC = (flags & DCX_WINDOW) != 0;
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->style & WS_CLIPSIBLINGS);
  HDC hdc = MakeDC(w, windowDC, clipChildren, clipSiblings);
  DC* dc = AsDC(hdc);
  if (Region* r = AsRegion(clip); r && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    // the region is in screen coordinates
    Rgn local;
    pixman_region32_copy(&local.r, &r->rgn);
    POINT o = w == gWm.desktop ? POINT{0, 0} : windowDC ? WindowOrigin(w) : ClientOrigin(w);
    pixman_region32_translate(&local.r, -o.x, -o.y);
    if (flags & DCX_INTERSECTRGN)
      pixman_region32_intersect(&dc->vis, &dc->vis, &local.r);
    else
      pixman_region32_subtract(&dc->vis, &dc->vis, &local.r);
  }
  return hdc;
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_CACHE); }
HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_CACHE); }

int ReleaseDC(HWND, HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc || dc->paintDC) return 0;
  if (dc->hwnd) NotifyPainted(FindWindowObj(dc->hwnd), &dc->vis, dc->windowDC);
  UnregisterObject(dc);
  delete dc;
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  DC* dc = AsDC(hdc);
  if (!dc) return nullptr;
  return dc->hwnd ? dc->hwnd : (dc->surface.pixels == (gWm.desktop ? gWm.desktop->pixels.data() : nullptr) ? H(gWm.desktop) : nullptr);
}

BOOL LockWindowUpdate(HWND) { return TRUE; }
