// The tree view ("SysTreeView32"): items with texts, images and children given directly or asked for
// through TVN_GETDISPINFO, expanding and collapsing with TVN_ITEMEXPANDING/ED, the caret selection with
// TVN_SELCHANGING/ED, keyboard and mouse navigation, hit tests, lines and buttons, scrolling and the
// start of dragging (TVN_BEGINDRAG), label editing in an "EDIT"; images with their overlays from the
// normal image list.

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

struct Node {
  Node* parent = nullptr;
  std::vector<Node*> kids;
  std::string text;
  bool textCallback = false;
  int image = 0;
  int selImage = 0;
  int children = 0;  // cChildren as set: I_CHILDRENCALLBACK asks the parent
  bool childrenSet = false;
  UINT state = 0;
  LPARAM param = 0;
};

struct Tree {
  HWND hwnd = nullptr;
  Node root;
  std::set<Node*> all;
  Node* caret = nullptr;
  Node* drop = nullptr;
  int top = 0;  // first visible row
  int indent = 19;
  int itemHeight = 0;
  HFONT font = nullptr;
  HIMAGELIST images = nullptr;
  HIMAGELIST stateImages = nullptr;
  COLORREF bk = CLR_NONE_VALUE;
  COLORREF text = CLR_NONE_VALUE;
  bool focused = false;
  Node* pressed = nullptr;  // a press that may become a drag
  POINT pressAt{};
  bool pressRight = false;
  HWND edit = nullptr;  // the label being edited
  Node* editing = nullptr;
  WNDPROC editProc = nullptr;
  static constexpr COLORREF CLR_NONE_VALUE = 0xFFFFFFFF;

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  int IconWidth() const {
    int cx = 0, cy = 0;
    return images && ImageList_GetIconSize(images, &cx, &cy) ? cx : 0;
  }
  int IconHeight() const {
    int cx = 0, cy = 0;
    return images && ImageList_GetIconSize(images, &cx, &cy) ? cy : 0;
  }
  int Height() const { return itemHeight > 0 ? itemHeight : std::max(std::max(1, LineHeight(font)) + 2, IconHeight()); }
};

Tree* T(HWND h) { return StateOf<Tree>(h); }
HTREEITEM H(Node* n) { return reinterpret_cast<HTREEITEM>(n); }

Node* N(Tree* t, HTREEITEM h) {
  auto* n = reinterpret_cast<Node*>(h);
  return t->all.count(n) ? n : nullptr;
}

LRESULT SendNotify(Tree* t, UINT code, NMHDR* hdr) {
  hdr->hwndFrom = t->hwnd;
  hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(t->hwnd));
  hdr->code = code;
  HWND parent = GetParent(t->hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
}

LRESULT Simple(Tree* t, UINT code) {
  NMHDR hdr{};
  return SendNotify(t, code, &hdr);
}

TVITEM ItemOf(Node* n, UINT mask) {
  TVITEM it{};
  if (!n) return it;
  it.mask = mask;
  it.hItem = H(n);
  it.state = n->state;
  it.stateMask = 0xFFFF;
  it.iImage = n->image;
  it.iSelectedImage = n->selImage;
  it.cChildren = n->children;
  it.lParam = n->param;
  return it;
}

// Asks the parent for the callback parts of an item named in `mask`.
TVITEM DispInfo(Tree* t, Node* n, UINT mask, char* buffer, int size) {
  NMTVDISPINFO di{};
  di.item = ItemOf(n, mask);
  di.item.pszText = buffer;
  di.item.cchTextMax = size;
  if (buffer && size > 0) buffer[0] = 0;
  SendNotify(t, TVN_GETDISPINFO, &di.hdr);
  if (di.item.mask & TVIF_DI_SETITEM) {
    if ((mask & TVIF_TEXT) && di.item.pszText) {
      n->text = di.item.pszText;
      n->textCallback = false;
    }
    if (mask & TVIF_CHILDREN) n->children = di.item.cChildren;
    if (mask & TVIF_IMAGE) n->image = di.item.iImage;
  }
  return di.item;
}

std::string TextOf(Tree* t, Node* n) {
  if (!n->textCallback) return n->text;
  char buf[260];
  TVITEM it = DispInfo(t, n, TVIF_TEXT, buf, sizeof(buf));
  return it.pszText ? std::string(it.pszText) : std::string();
}

bool HasChildren(Tree* t, Node* n) {
  if (!n->kids.empty()) return true;
  if (n->children == I_CHILDRENCALLBACK) return DispInfo(t, n, TVIF_CHILDREN, nullptr, 0).cChildren != 0;
  return n->childrenSet && n->children > 0;
}

// The rows on show: every item whose ancestors are all expanded, in order, with its depth.
void Rows(Node* n, int depth, std::vector<std::pair<Node*, int>>& out) {
  for (Node* k : n->kids) {
    out.emplace_back(k, depth);
    if (k->state & TVIS_EXPANDED) Rows(k, depth + 1, out);
  }
}

std::vector<std::pair<Node*, int>> Rows(Tree* t) {
  std::vector<std::pair<Node*, int>> out;
  Rows(&t->root, 0, out);
  return out;
}

int RowOf(const std::vector<std::pair<Node*, int>>& rows, Node* n) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].first == n) return static_cast<int>(i);
  return -1;
}

int VisibleCount(Tree* t) {
  RECT c{};
  GetClientRect(t->hwnd, &c);
  return std::max(1, static_cast<int>(c.bottom / t->Height()));
}

void Redraw(Tree* t) { InvalidateRect(t->hwnd, nullptr, TRUE); }

void UpdateScroll(Tree* t) {
  if (t->Style() & TVS_NOSCROLL) return;
  int n = static_cast<int>(Rows(t).size());
  int vis = VisibleCount(t);
  t->top = std::clamp(t->top, 0, std::max(0, n - vis));
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, n - 1);
  si.nPage = static_cast<UINT>(vis);
  si.nPos = t->top;
  SetScrollInfo(t->hwnd, SB_VERT, &si, TRUE);
}

void SetTop(Tree* t, int top) {
  int n = static_cast<int>(Rows(t).size());
  top = std::clamp(top, 0, std::max(0, n - VisibleCount(t)));
  if (top == t->top) return;
  t->top = top;
  UpdateScroll(t);
  Redraw(t);
}

// The x where an item's own area (image or text) starts.
int ItemLeft(Tree* t, int depth) {
  DWORD st = t->Style();
  int x = depth * t->indent;
  if ((st & TVS_LINESATROOT) && (st & (TVS_HASLINES | TVS_HASBUTTONS))) x += t->indent;
  return x + 2;
}

int ImageWidth(Tree* t) { return t->images ? t->IconWidth() + 2 : 0; }

// With a state image list every item keeps room for its state image before the normal one.
int StateWidth(Tree* t) {
  int cx = 0, cy = 0;
  return t->stateImages && ImageList_GetIconSize(t->stateImages, &cx, &cy) ? cx + 2 : 0;
}

RECT LabelRect(Tree* t, Node* n, int row, int depth) {
  int y = (row - t->top) * t->Height();
  int x = ItemLeft(t, depth) + StateWidth(t) + ImageWidth(t);
  int w = TextWidth(t->font, TextOf(t, n)) + 4;
  return RECT{x, y, x + w, y + t->Height()};
}

bool Select(Tree* t, Node* n, UINT action);

bool Expand(Tree* t, Node* n, UINT code, UINT action, bool always) {
  if (!n) return false;
  bool expanded = (n->state & TVIS_EXPANDED) != 0;
  UINT op = code & 3;
  if (op == TVE_TOGGLE) op = expanded ? TVE_COLLAPSE : TVE_EXPAND;
  if (op == TVE_EXPAND && expanded) return false;
  if (op == TVE_COLLAPSE && !expanded && !(code & TVE_COLLAPSERESET)) return false;
  if (op == TVE_EXPAND && !HasChildren(t, n)) return false;
  // a message expands quietly once the item has been expanded before
  bool notify = always || !(n->state & TVIS_EXPANDEDONCE);
  if (notify) {
    NMTREEVIEW nm{};
    nm.action = op;
    nm.itemNew = ItemOf(n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
    if (SendNotify(t, TVN_ITEMEXPANDING, &nm.hdr)) return false;
  }
  if (op == TVE_EXPAND) {
    n->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  } else {
    n->state &= ~TVIS_EXPANDED;
    // the caret cannot hide inside a collapsed item: it moves to the item, as a selection change
    for (Node* p = t->caret ? t->caret->parent : nullptr; p; p = p->parent)
      if (p == n) {
        if (!Select(t, n, action)) {
          t->caret->state &= ~TVIS_SELECTED;
          t->caret = n;
          n->state |= TVIS_SELECTED;
        }
        break;
      }
    if (code & TVE_COLLAPSERESET) {
      std::vector<Node*> kids = n->kids;
      for (Node* k : kids) SendMessage(t->hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(H(k)));
      n->state &= ~TVIS_EXPANDEDONCE;
    }
  }
  if (notify) {
    NMTREEVIEW nm{};
    nm.action = op;
    nm.itemNew = ItemOf(n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
    SendNotify(t, TVN_ITEMEXPANDED, &nm.hdr);
  }
  UpdateScroll(t);
  Redraw(t);
  return true;
}

void EnsureVisible(Tree* t, Node* n) {
  for (Node* p = n->parent; p && p != &t->root; p = p->parent)
    if (!(p->state & TVIS_EXPANDED)) Expand(t, p, TVE_EXPAND, TVC_UNKNOWN, false);
  auto rows = Rows(t);
  int r = RowOf(rows, n);
  if (r < 0) return;
  int vis = VisibleCount(t);
  if (r < t->top) SetTop(t, r);
  else if (r >= t->top + vis) SetTop(t, r - vis + 1);
}

bool Select(Tree* t, Node* n, UINT action) {
  if (n == t->caret) {
    if (n) EnsureVisible(t, n);
    return true;
  }
  NMTREEVIEW nm{};
  nm.action = action;
  nm.itemOld = ItemOf(t->caret, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  nm.itemNew = ItemOf(n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  if (SendNotify(t, TVN_SELCHANGING, &nm.hdr)) return false;
  if (t->caret) t->caret->state &= ~TVIS_SELECTED;
  t->caret = n;
  if (n) {
    n->state |= TVIS_SELECTED;
    EnsureVisible(t, n);
  }
  nm.itemNew = ItemOf(n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  SendNotify(t, TVN_SELCHANGED, &nm.hdr);
  Redraw(t);
  return true;
}

void Delete(Tree* t, Node* n) {
  for (Node* k : std::vector<Node*>(n->kids)) Delete(t, k);
  NMTREEVIEW nm{};
  nm.itemOld = ItemOf(n, TVIF_HANDLE | TVIF_PARAM);
  SendNotify(t, TVN_DELETEITEM, &nm.hdr);
  if (t->caret == n) t->caret = nullptr;
  if (t->drop == n) t->drop = nullptr;
  if (t->pressed == n) t->pressed = nullptr;
  if (t->editing == n) t->editing = nullptr;
  auto& sib = n->parent->kids;
  sib.erase(std::find(sib.begin(), sib.end(), n));
  t->all.erase(n);
  delete n;
}

Node* Insert(Tree* t, const TVINSERTSTRUCT* is) {
  Node* parent = is->hParent == TVI_ROOT || !is->hParent ? &t->root : N(t, is->hParent);
  if (!parent) return nullptr;
  auto n = std::make_unique<Node>();
  const TVITEM& it = is->item;
  if (it.mask & TVIF_TEXT) {
    if (it.pszText == LPSTR_TEXTCALLBACK) n->textCallback = true;
    else if (it.pszText) n->text = it.pszText;
  }
  if (it.mask & TVIF_IMAGE) n->image = it.iImage;
  if (it.mask & TVIF_SELECTEDIMAGE) n->selImage = it.iSelectedImage;
  if (it.mask & TVIF_CHILDREN) {
    n->children = it.cChildren;
    n->childrenSet = true;
  }
  if (it.mask & TVIF_PARAM) n->param = it.lParam;
  if (it.mask & TVIF_STATE) n->state = it.state & it.stateMask & ~TVIS_SELECTED;
  n->parent = parent;
  auto& sib = parent->kids;
  size_t pos = sib.size();
  if (is->hInsertAfter == TVI_FIRST) {
    pos = 0;
  } else if (is->hInsertAfter == TVI_SORT) {
    String key = Utf8UpperCase(TextOf(t, n.get()));
    pos = 0;
    while (pos < sib.size() && Utf8UpperCase(TextOf(t, sib[pos])) <= key) ++pos;
  } else if (is->hInsertAfter != TVI_LAST && is->hInsertAfter) {
    auto after = std::find(sib.begin(), sib.end(), reinterpret_cast<Node*>(is->hInsertAfter));
    if (after != sib.end()) pos = static_cast<size_t>(after - sib.begin()) + 1;
  }
  Node* raw = n.release();
  sib.insert(sib.begin() + static_cast<ptrdiff_t>(pos), raw);
  t->all.insert(raw);
  UpdateScroll(t);
  Redraw(t);
  return raw;
}

Node* NextVisible(Tree* t, Node* n, int dir) {
  auto rows = Rows(t);
  int r = RowOf(rows, n);
  if (r < 0) return nullptr;
  r += dir;
  return r >= 0 && r < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(r)].first : nullptr;
}

Node* GetNext(Tree* t, UINT code, Node* n) {
  switch (code) {
    case TVGN_ROOT: return t->root.kids.empty() ? nullptr : t->root.kids.front();
    case TVGN_CARET: return t->caret;
    case TVGN_DROPHILITE: return t->drop;
    case TVGN_FIRSTVISIBLE: {
      auto rows = Rows(t);
      return t->top < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(t->top)].first : nullptr;
    }
    case TVGN_LASTVISIBLE: {
      auto rows = Rows(t);
      return rows.empty() ? nullptr : rows.back().first;
    }
    default: break;
  }
  if (!n) return nullptr;
  switch (code) {
    case TVGN_CHILD: return n->kids.empty() ? nullptr : n->kids.front();
    case TVGN_PARENT: return n->parent == &t->root ? nullptr : n->parent;
    case TVGN_NEXT:
    case TVGN_PREVIOUS: {
      auto& sib = n->parent->kids;
      auto it = std::find(sib.begin(), sib.end(), n);
      if (code == TVGN_NEXT) return it + 1 == sib.end() ? nullptr : *(it + 1);
      return it == sib.begin() ? nullptr : *(it - 1);
    }
    case TVGN_NEXTVISIBLE: return NextVisible(t, n, 1);
    case TVGN_PREVIOUSVISIBLE: return NextVisible(t, n, -1);
    default: return nullptr;
  }
}

void HitTest(Tree* t, TVHITTESTINFO* hi) {
  RECT c{};
  GetClientRect(t->hwnd, &c);
  hi->hItem = nullptr;
  hi->flags = 0;
  POINT p = hi->pt;
  if (p.y < 0) hi->flags |= TVHT_ABOVE;
  if (p.y >= c.bottom) hi->flags |= TVHT_BELOW;
  if (p.x < 0) hi->flags |= TVHT_TOLEFT;
  if (p.x >= c.right) hi->flags |= TVHT_TORIGHT;
  if (hi->flags) return;
  auto rows = Rows(t);
  int r = t->top + p.y / t->Height();
  if (r >= static_cast<int>(rows.size())) {
    hi->flags = TVHT_NOWHERE;
    return;
  }
  auto [n, depth] = rows[static_cast<size_t>(r)];
  hi->hItem = H(n);
  int left = ItemLeft(t, depth);
  RECT label = LabelRect(t, n, r, depth);
  DWORD st = t->Style();
  bool buttons = (st & TVS_HASBUTTONS) && (depth > 0 || (st & TVS_LINESATROOT));
  if (p.x < left) {
    hi->flags = buttons && p.x >= left - t->indent && HasChildren(t, n) ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
  } else if (p.x < left + StateWidth(t)) {
    hi->flags = TVHT_ONITEMSTATEICON;
  } else if (p.x < label.left) {
    hi->flags = TVHT_ONITEMICON;
  } else if (p.x < label.right) {
    hi->flags = TVHT_ONITEMLABEL;
  } else {
    hi->flags = TVHT_ONITEMRIGHT;
  }
}

// Paints into `given` when the caller hands a device context (WM_PAINT's wParam, as the component
// classes and double buffering do), else between BeginPaint and EndPaint.
void Paint(Tree* t, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(t->hwnd, &ps);
  RECT c{};
  GetClientRect(t->hwnd, &c);
  COLORREF bkc = t->bk == Tree::CLR_NONE_VALUE ? GetSysColor(COLOR_WINDOW) : t->bk;
  HBRUSH bk = CreateSolidBrush(bkc);
  FillRect(dc, &c, bk);
  DeleteObject(bk);
  COLORREF textc = t->text == Tree::CLR_NONE_VALUE ? GetSysColor(COLOR_WINDOWTEXT) : t->text;
  DWORD st = t->Style();
  auto rows = Rows(t);
  int h = t->Height();
  HBRUSH line = GetSysColorBrush(COLOR_GRAYTEXT);
  for (int r = t->top; r < static_cast<int>(rows.size()); ++r) {
    int y = (r - t->top) * h;
    if (y >= c.bottom) break;
    auto [n, depth] = rows[static_cast<size_t>(r)];
    int left = ItemLeft(t, depth);
    bool rootLevel = depth == 0 && !(st & TVS_LINESATROOT);
    int mid = left - t->indent / 2 - 2;
    if ((st & TVS_HASLINES) && !rootLevel) {
      for (int x = mid; x < left - 2; x += 2) {
        RECT d{x, y + h / 2, x + 1, y + h / 2 + 1};
        FillRect(dc, &d, line);
      }
    }
    if ((st & TVS_HASBUTTONS) && !rootLevel && HasChildren(t, n)) {
      RECT box{mid - 4, y + h / 2 - 4, mid + 5, y + h / 2 + 5};
      FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
      FrameRect3D(dc, box, COLOR_GRAYTEXT, COLOR_GRAYTEXT);
      RECT minus{mid - 2, y + h / 2, mid + 3, y + h / 2 + 1};
      FillRect(dc, &minus, GetSysColorBrush(COLOR_WINDOWTEXT));
      if (!(n->state & TVIS_EXPANDED)) {
        RECT plus{mid, y + h / 2 - 2, mid + 1, y + h / 2 + 3};
        FillRect(dc, &plus, GetSysColorBrush(COLOR_WINDOWTEXT));
      }
    }
    RECT label = LabelRect(t, n, r, depth);
    bool sel = (n->state & TVIS_SELECTED) && (t->focused || (st & TVS_SHOWSELALWAYS));
    bool hot = (n->state & TVIS_DROPHILITED) != 0;
    COLORREF fg = textc;
    if (hot || (sel && t->focused)) {
      FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
      fg = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (sel) {
      FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
    }
    if (UINT stateImage = (n->state & TVIS_STATEIMAGEMASK) >> 12; stateImage && t->stateImages) {
      int cx = 0, cy = 0;
      ImageList_GetIconSize(t->stateImages, &cx, &cy);
      ImageList_Draw(t->stateImages, static_cast<int>(stateImage), dc, left, y + (h - cy) / 2, ILD_TRANSPARENT);
    }
    if (t->images) {
      bool selImage = (n->state & TVIS_SELECTED) != 0;
      int image = selImage ? n->selImage : n->image;
      if (image == I_IMAGECALLBACK) {
        TVITEM di = DispInfo(t, n, selImage ? TVIF_SELECTEDIMAGE : TVIF_IMAGE, nullptr, 0);
        image = selImage ? di.iSelectedImage : di.iImage;
      }
      UINT style = ILD_TRANSPARENT | (n->state & TVIS_OVERLAYMASK) | ((n->state & TVIS_CUT) ? ILD_SELECTED : 0);
      ImageList_Draw(t->images, image, dc, left + StateWidth(t), y + (h - t->IconHeight()) / 2, style);
    }
    SetTextColor(dc, fg);
    DrawRun(dc, t->font, label.left + 2, y + (h - LineHeight(t->font)) / 2, TextOf(t, n));
    if (t->focused && n == t->caret) DottedFocusRect(dc, label);
  }
  if (!given) EndPaint(t->hwnd, &ps);
}

// ---- label editing -----------------------------------------------------------------------------------
void EndEdit(Tree* t, bool ok);

LRESULT TreeViewEditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Tree* t = T(GetParent(h));
  WNDPROC base = t && t->editProc ? t->editProc : EditProc;
  if (t && t->edit == h) {
    if (msg == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE)) {
      EndEdit(t, wp == VK_RETURN);
      return 0;
    }
    if (msg == WM_CHAR && (wp == U'\r' || wp == 27)) return 0;
    if (msg == WM_GETDLGCODE) return CallWindowProc(base, h, msg, wp, lp) | DLGC_WANTALLKEYS;
    if (msg == WM_KILLFOCUS) {
      LRESULT r = CallWindowProc(base, h, msg, wp, lp);
      if (t->edit == h) EndEdit(t, true);
      return r;
    }
  }
  return CallWindowProc(base, h, msg, wp, lp);
}

HWND BeginEdit(Tree* t, Node* n) {
  if (t->edit) EndEdit(t, true);
  if (!n) return nullptr;
  EnsureVisible(t, n);
  NMTVDISPINFO di{};
  di.item = ItemOf(n, TVIF_HANDLE | TVIF_PARAM | TVIF_STATE | TVIF_TEXT);
  std::string text = TextOf(t, n);
  di.item.pszText = text.data();
  if (SendNotify(t, TVN_BEGINLABELEDIT, &di.hdr)) return nullptr;
  auto rows = Rows(t);
  int row = RowOf(rows, n);
  if (row < 0) return nullptr;
  RECT r = LabelRect(t, n, row, rows[static_cast<size_t>(row)].second);
  t->editing = n;
  t->edit = CreateWindowEx(0, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                           std::max(static_cast<int>(r.right - r.left) + 20, 40), r.bottom - r.top, t->hwnd, nullptr, nullptr, nullptr);
  SendMessage(t->edit, WM_SETFONT, reinterpret_cast<WPARAM>(t->font), FALSE);
  t->editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(t->edit, GWLP_WNDPROC));
  SetWindowLongPtr(t->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeViewEditSubclass));
  SetFocus(t->edit);
  SendMessage(t->edit, EM_SETSEL, 0, -1);
  return t->edit;
}

// Ends the edit: the parent hears the new text (or none when cancelled) and keeps it by answering TRUE.
void EndEdit(Tree* t, bool ok) {
  HWND e = t->edit;
  if (!e) return;
  Node* n = t->editing;
  t->edit = nullptr;
  t->editing = nullptr;
  std::string text;
  if (ok) {
    text.resize(static_cast<size_t>(GetWindowTextLength(e)) + 1);
    text.resize(static_cast<size_t>(GetWindowText(e, text.data(), static_cast<int>(text.size()))));
  }
  bool focusedInside = GetFocus() == e;
  DestroyWindow(e);
  if (focusedInside) SetFocus(t->hwnd);
  if (!n || !t->all.count(n)) return;
  NMTVDISPINFO di{};
  di.item = ItemOf(n, TVIF_HANDLE | TVIF_PARAM | TVIF_TEXT);
  di.item.pszText = ok ? text.data() : nullptr;
  di.item.cchTextMax = static_cast<int>(text.size());
  if (SendNotify(t, TVN_ENDLABELEDIT, &di.hdr) && ok && !n->textCallback) n->text = text;
  Redraw(t);
}

void KeyDown(Tree* t, int vk) {
  NMTVKEYDOWN kd{};
  kd.wVKey = static_cast<WORD>(vk);
  SendNotify(t, TVN_KEYDOWN, &kd.hdr);
  Node* c = t->caret;
  auto rows = Rows(t);
  if (rows.empty()) return;
  if (!c) {
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END) Select(t, rows.front().first, TVC_BYKEYBOARD);
    return;
  }
  switch (vk) {
    case VK_UP:
      if (Node* p = NextVisible(t, c, -1)) Select(t, p, TVC_BYKEYBOARD);
      break;
    case VK_DOWN:
      if (Node* p = NextVisible(t, c, 1)) Select(t, p, TVC_BYKEYBOARD);
      break;
    case VK_HOME: Select(t, rows.front().first, TVC_BYKEYBOARD); break;
    case VK_END: Select(t, rows.back().first, TVC_BYKEYBOARD); break;
    case VK_PRIOR:
    case VK_NEXT: {
      int r = RowOf(rows, c) + (vk == VK_NEXT ? 1 : -1) * std::max(1, VisibleCount(t) - 1);
      Select(t, rows[static_cast<size_t>(std::clamp(r, 0, static_cast<int>(rows.size()) - 1))].first, TVC_BYKEYBOARD);
      break;
    }
    case VK_LEFT:
      if (c->state & TVIS_EXPANDED) Expand(t, c, TVE_COLLAPSE, TVC_BYKEYBOARD, true);
      else if (c->parent != &t->root) Select(t, c->parent, TVC_BYKEYBOARD);
      break;
    case VK_RIGHT:
      if (!(c->state & TVIS_EXPANDED)) Expand(t, c, TVE_EXPAND, TVC_BYKEYBOARD, true);
      else if (!c->kids.empty()) Select(t, c->kids.front(), TVC_BYKEYBOARD);
      break;
    case VK_ADD: Expand(t, c, TVE_EXPAND, TVC_BYKEYBOARD, true); break;
    case VK_SUBTRACT: Expand(t, c, TVE_COLLAPSE, TVC_BYKEYBOARD, true); break;
    case VK_RETURN: Simple(t, NM_RETURN); break;
    case VK_F2:
      if (t->Style() & TVS_EDITLABELS) BeginEdit(t, c);
      break;
    default: break;
  }
}

LRESULT Handle(Tree* t, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: UpdateScroll(t); return 0;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(t, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: UpdateScroll(t); Redraw(t); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      t->font = reinterpret_cast<HFONT>(wp);
      UpdateScroll(t);
      if (lp) Redraw(t);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(t->font);
    case WM_SETFOCUS:
      t->focused = true;
      Redraw(t);
      Simple(t, NM_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      t->focused = false;
      Redraw(t);
      Simple(t, NM_KILLFOCUS);
      return 0;
    case WM_KEYDOWN: KeyDown(t, static_cast<int>(wp)); return 0;
    case WM_CHAR: {
      if (wp < 32) return 0;
      // the next visible item whose text starts with the typed character
      auto rows = Rows(t);
      if (rows.empty()) return 0;
      String key = Utf8UpperCase(Utf8FromCodePoint(static_cast<char32_t>(wp)));
      int start = std::max(0, RowOf(rows, t->caret));
      for (size_t k = 1; k <= rows.size(); ++k) {
        Node* n = rows[(static_cast<size_t>(start) + k) % rows.size()].first;
        if (Utf8UpperCase(TextOf(t, n)).compare(0, key.size(), key) == 0) {
          Select(t, n, TVC_BYKEYBOARD);
          break;
        }
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      if (t->edit) EndEdit(t, true);
      if (GetFocus() != h) SetFocus(h);
      TVHITTESTINFO hi{{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, 0, nullptr};
      HitTest(t, &hi);
      Node* n = N(t, hi.hItem);
      if (msg == WM_LBUTTONDOWN && n && (hi.flags & TVHT_ONITEMBUTTON)) {
        Expand(t, n, TVE_TOGGLE, TVC_BYMOUSE, true);
        return 0;
      }
      bool onItem = n && ((hi.flags & TVHT_ONITEM) || ((t->Style() & TVS_FULLROWSELECT) && (hi.flags & TVHT_ONITEMRIGHT)));
      if (onItem) {
        t->pressed = n;
        t->pressAt = hi.pt;
        t->pressRight = msg == WM_RBUTTONDOWN;
        SetCapture(h);
      }
      if (msg == WM_LBUTTONDOWN && onItem) Select(t, n, TVC_BYMOUSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (t->pressed && !(t->Style() & TVS_DISABLEDRAGDROP)) {
        int dx = GET_X_LPARAM(lp) - t->pressAt.x, dy = GET_Y_LPARAM(lp) - t->pressAt.y;
        if (std::abs(dx) > GetSystemMetrics(SM_CXDRAG) || std::abs(dy) > GetSystemMetrics(SM_CYDRAG)) {
          Node* n = t->pressed;
          bool right = t->pressRight;
          t->pressed = nullptr;
          ReleaseCapture();
          NMTREEVIEW nm{};
          nm.action = TVC_BYMOUSE;
          nm.itemNew = ItemOf(n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
          nm.ptDrag = t->pressAt;
          SendNotify(t, right ? TVN_BEGINRDRAG : TVN_BEGINDRAG, &nm.hdr);
        }
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (t->pressed) {
        t->pressed = nullptr;
        ReleaseCapture();
      }
      if (msg == WM_RBUTTONUP) {
        if (!Simple(t, NM_RCLICK)) {
          POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
          ClientToScreen(h, &p);
          SendMessage(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(p.x, p.y));
        }
      } else {
        Simple(t, NM_CLICK);
      }
      return 0;
    }
    case WM_CAPTURECHANGED: t->pressed = nullptr; return 0;
    case WM_LBUTTONDBLCLK: {
      TVHITTESTINFO hi{{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, 0, nullptr};
      HitTest(t, &hi);
      Node* n = N(t, hi.hItem);
      if (n && (hi.flags & TVHT_ONITEMBUTTON)) {
        Expand(t, n, TVE_TOGGLE, TVC_BYMOUSE, true);
        return 0;
      }
      if (!Simple(t, NM_DBLCLK) && n && (hi.flags & TVHT_ONITEM)) Expand(t, n, TVE_TOGGLE, TVC_BYMOUSE, true);
      return 0;
    }
    case WM_MOUSEWHEEL: SetTop(t, t->top - 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA); return 0;
    case WM_VSCROLL:
      switch (LOWORD(wp)) {
        case SB_LINEUP: SetTop(t, t->top - 1); break;
        case SB_LINEDOWN: SetTop(t, t->top + 1); break;
        case SB_PAGEUP: SetTop(t, t->top - VisibleCount(t)); break;
        case SB_PAGEDOWN: SetTop(t, t->top + VisibleCount(t)); break;
        case SB_TOP: SetTop(t, 0); break;
        case SB_BOTTOM: SetTop(t, 1 << 30); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(t, static_cast<SHORT>(HIWORD(wp))); break;
        default: break;
      }
      return 0;

    case TVM_INSERTITEM: return reinterpret_cast<LRESULT>(H(Insert(t, reinterpret_cast<const TVINSERTSTRUCT*>(lp))));
    case TVM_DELETEITEM: {
      auto hi = reinterpret_cast<HTREEITEM>(lp);
      if (!hi || hi == TVI_ROOT) {
        for (Node* k : std::vector<Node*>(t->root.kids)) Delete(t, k);
      } else if (Node* n = N(t, hi)) {
        // The selection leaves the doomed items first, for the next sibling, the previous one or the
        // parent, with the usual notifications.
        bool caretInside = false;
        for (Node* p = t->caret; p && p != &t->root; p = p->parent)
          if (p == n) caretInside = true;
        if (caretInside) {
          Node* next = GetNext(t, TVGN_NEXT, n);
          if (!next) next = GetNext(t, TVGN_PREVIOUS, n);
          if (!next) next = GetNext(t, TVGN_PARENT, n);
          Select(t, next, TVC_UNKNOWN);
        }
        if (!N(t, hi)) return TRUE;  // a handler took it away already
        Delete(t, n);
      } else {
        return FALSE;
      }
      UpdateScroll(t);
      Redraw(t);
      return TRUE;
    }
    case TVM_EXPAND: {
      Node* n = N(t, reinterpret_cast<HTREEITEM>(lp));
      return n ? Expand(t, n, static_cast<UINT>(wp), TVC_UNKNOWN, false) : FALSE;
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return FALSE;
      Node* n = N(t, TreeItemFromRect(r));
      auto rows = Rows(t);
      int row = RowOf(rows, n);
      if (!n || row < 0) return FALSE;
      if (wp) {
        *r = LabelRect(t, n, row, rows[static_cast<size_t>(row)].second);
      } else {
        RECT c{};
        GetClientRect(h, &c);
        *r = RECT{0, (row - t->top) * t->Height(), c.right, (row - t->top + 1) * t->Height()};
      }
      return TRUE;
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(t->all.size());
    case TVM_GETINDENT: return t->indent;
    case TVM_SETINDENT: t->indent = std::max(static_cast<int>(wp), 5); Redraw(t); return 0;
    case TVM_GETIMAGELIST: return reinterpret_cast<LRESULT>(wp == TVSIL_STATE ? t->stateImages : t->images);
    case TVM_SETIMAGELIST: {
      HIMAGELIST& slot = wp == TVSIL_STATE ? t->stateImages : t->images;
      HIMAGELIST old = slot;
      slot = reinterpret_cast<HIMAGELIST>(lp);
      Redraw(t);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETNEXTITEM: return reinterpret_cast<LRESULT>(H(GetNext(t, static_cast<UINT>(wp), N(t, reinterpret_cast<HTREEITEM>(lp)))));
    case TVM_SELECTITEM: {
      auto hi = reinterpret_cast<HTREEITEM>(lp);
      Node* n = N(t, hi);
      if (hi && !n) return FALSE;
      switch (wp & 0xFF) {
        case TVGN_CARET: return Select(t, n, TVC_UNKNOWN);
        case TVGN_DROPHILITE:
          if (t->drop) t->drop->state &= ~TVIS_DROPHILITED;
          t->drop = n;
          if (n) n->state |= TVIS_DROPHILITED;
          Redraw(t);
          return TRUE;
        case TVGN_FIRSTVISIBLE: {
          if (!n) return FALSE;
          EnsureVisible(t, n);
          SetTop(t, RowOf(Rows(t), n));
          return TRUE;
        }
        default: return FALSE;
      }
    }
    case TVM_GETITEM: {
      auto* it = reinterpret_cast<TVITEM*>(lp);
      Node* n = it ? N(t, it->hItem) : nullptr;
      if (!n) return FALSE;
      if (it->mask & TVIF_STATE) it->state = n->state & (it->stateMask ? it->stateMask : 0xFFFF);
      if (it->mask & TVIF_PARAM) it->lParam = n->param;
      if (it->mask & TVIF_IMAGE) it->iImage = n->image;
      if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = n->selImage;
      if (it->mask & TVIF_CHILDREN) it->cChildren = n->childrenSet || n->children == I_CHILDRENCALLBACK ? n->children : (n->kids.empty() ? 0 : 1);
      if ((it->mask & TVIF_TEXT) && it->pszText && it->cchTextMax > 0)
        CopyOut(TextOf(t, n), it->pszText, static_cast<size_t>(it->cchTextMax));
      return TRUE;
    }
    case TVM_SETITEM: {
      auto* it = reinterpret_cast<const TVITEM*>(lp);
      Node* n = it ? N(t, it->hItem) : nullptr;
      if (!n) return FALSE;
      if (it->mask & TVIF_TEXT) {
        n->textCallback = it->pszText == LPSTR_TEXTCALLBACK;
        n->text = n->textCallback || !it->pszText ? "" : it->pszText;
      }
      if (it->mask & TVIF_IMAGE) n->image = it->iImage;
      if (it->mask & TVIF_SELECTEDIMAGE) n->selImage = it->iSelectedImage;
      if (it->mask & TVIF_PARAM) n->param = it->lParam;
      if (it->mask & TVIF_CHILDREN) {
        n->children = it->cChildren;
        n->childrenSet = true;
      }
      if (it->mask & TVIF_STATE) {
        UINT m = it->stateMask & ~(TVIS_SELECTED | TVIS_DROPHILITED);
        n->state = (n->state & ~m) | (it->state & m);
      }
      UpdateScroll(t);
      Redraw(t);
      return TRUE;
    }
    case TVM_GETITEMSTATE: {
      Node* n = N(t, reinterpret_cast<HTREEITEM>(wp));
      return n ? static_cast<LRESULT>(n->state & static_cast<UINT>(lp)) : 0;
    }
    case TVM_GETVISIBLECOUNT: return VisibleCount(t);
    case TVM_EDITLABEL: return reinterpret_cast<LRESULT>(BeginEdit(t, N(t, reinterpret_cast<HTREEITEM>(lp))));
    case TVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(t->edit);
    case TVM_ENDEDITLABELNOW:
      if (!t->edit) return FALSE;
      EndEdit(t, wp == 0);
      return TRUE;
    case TVM_HITTEST: {
      auto* hi = reinterpret_cast<TVHITTESTINFO*>(lp);
      if (!hi) return 0;
      HitTest(t, hi);
      return reinterpret_cast<LRESULT>(hi->hItem);
    }
    case TVM_SORTCHILDREN: {
      auto hi = reinterpret_cast<HTREEITEM>(lp);
      Node* n = !hi || hi == TVI_ROOT ? &t->root : N(t, hi);
      if (!n) return FALSE;
      std::stable_sort(n->kids.begin(), n->kids.end(),
                       [t](Node* a, Node* b) { return Utf8UpperCase(TextOf(t, a)) < Utf8UpperCase(TextOf(t, b)); });
      Redraw(t);
      return TRUE;
    }
    case TVM_SORTCHILDRENCB: {
      auto* sc = reinterpret_cast<const TVSORTCB*>(lp);
      if (!sc || !sc->lpfnCompare) return FALSE;
      Node* n = !sc->hParent || sc->hParent == TVI_ROOT ? &t->root : N(t, sc->hParent);
      if (!n) return FALSE;
      std::stable_sort(n->kids.begin(), n->kids.end(),
                       [sc](Node* a, Node* b) { return sc->lpfnCompare(a->param, b->param, sc->lParam) < 0; });
      Redraw(t);
      return TRUE;
    }
    case TVM_ENSUREVISIBLE: {
      Node* n = N(t, reinterpret_cast<HTREEITEM>(lp));
      if (!n) return FALSE;
      EnsureVisible(t, n);
      return TRUE;
    }
    case TVM_SETITEMHEIGHT: {
      int old = t->Height();
      t->itemHeight = static_cast<int>(static_cast<SHORT>(wp)) <= 0 ? 0 : static_cast<int>(wp);
      UpdateScroll(t);
      Redraw(t);
      return old;
    }
    case TVM_GETITEMHEIGHT: return t->Height();
    case TVM_SETBKCOLOR: {
      COLORREF old = t->bk;
      t->bk = static_cast<COLORREF>(lp);
      Redraw(t);
      return static_cast<LRESULT>(old == Tree::CLR_NONE_VALUE ? static_cast<COLORREF>(-1) : old);
    }
    case TVM_GETBKCOLOR: return static_cast<LRESULT>(t->bk == Tree::CLR_NONE_VALUE ? static_cast<COLORREF>(-1) : t->bk);
    case TVM_SETTEXTCOLOR: {
      COLORREF old = t->text;
      t->text = static_cast<COLORREF>(lp);
      Redraw(t);
      return static_cast<LRESULT>(old == Tree::CLR_NONE_VALUE ? static_cast<COLORREF>(-1) : old);
    }
    case TVM_GETTEXTCOLOR: return static_cast<LRESULT>(t->text == Tree::CLR_NONE_VALUE ? static_cast<COLORREF>(-1) : t->text);
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

LRESULT TreeViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Tree* t = T(h);
  if (msg == WM_NCCREATE) {
    t = new Tree();
    t->hwnd = h;
    SetState(h, t);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!t) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    for (Node* n : t->all) delete n;
    SetState(h, nullptr);
    delete t;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(t, h, msg, wp, lp);
}

}  // namespace winapi::ctl
