// The "LISTBOX" class: single, multiple and extended selection, owner-drawn fixed and variable items,
// sorting, keyboard and mouse selection with LBN_* notifications, scrolling. The list of a combo box is
// the same window procedure with the combo box as the window it reports to.

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

struct Item {
  std::string text;
  ULONG_PTR data = 0;
  bool selected = false;
  int height = 0;
};

struct ListBox {
  HWND hwnd = nullptr;
  HWND notifyTo = nullptr;  // the parent, or the combo box of a drop-down list
  std::vector<Item> items;
  int nodataCount = 0;  // LBS_NODATA: items without storage
  int cur = -1;         // the caret (focus) item
  int anchor = -1;      // where an extended range starts
  int top = 0;          // the first visible item
  int itemHeight = 0;   // fixed item height
  HFONT font = nullptr;
  bool focused = false;
  bool tracking = false;
  bool changed = false;  // the selection changed during a mouse drag
  int horizontalExtent = 0;
  int columnWidth = 0;   // LBS_MULTICOLUMN: the width of a column (0: a default)
  bool vscroll = false;  // created with WS_VSCROLL: the bar comes and goes as the items need it
  bool hscroll = false;  // created with WS_HSCROLL: a bar shows while the horizontal extent is wider
  int left = 0;          // how far the items are scrolled to the left (pixels, single column only)

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  bool Multiple() const { return (Style() & LBS_MULTIPLESEL) != 0; }
  bool Extended() const { return (Style() & LBS_EXTENDEDSEL) != 0; }
  bool AnyMulti() const { return Multiple() || Extended(); }
  bool Variable() const { return (Style() & LBS_OWNERDRAWVARIABLE) != 0; }
  bool OwnerDraw() const { return (Style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
  bool HasStrings() const { return !OwnerDraw() || (Style() & LBS_HASSTRINGS); }
  bool NoData() const { return (Style() & LBS_NODATA) != 0; }
  // Multiple columns: items run down a column of fixed-height rows, then on in the next column; the
  // first visible item starts a column.
  bool MultiColumn() const { return (Style() & LBS_MULTICOLUMN) != 0 && !Variable(); }
  int Rows() const { return std::max(1, ClientHeight() / std::max(1, itemHeight)); }
  int ColumnWidth() const { return columnWidth > 0 ? columnWidth : 120; }
  int ClientWidth() const {
    RECT c{};
    GetClientRect(hwnd, &c);
    return c.right - c.left;
  }
  int VisibleColumns() const { return std::max(1, ClientWidth() / ColumnWidth()); }
  int Count() const { return NoData() ? nodataCount : static_cast<int>(items.size()); }
  int HeightOf(int i) const {
    if (Variable() && i >= 0 && i < static_cast<int>(items.size())) return items[static_cast<size_t>(i)].height;
    return itemHeight;
  }
  int ClientHeight() const {
    RECT c{};
    GetClientRect(hwnd, &c);
    return c.bottom - c.top;
  }
  // Items that fit completely from the top item on (at least one).
  int PageSize() const {
    if (MultiColumn()) return Rows() * VisibleColumns();
    int h = ClientHeight(), n = 0;
    for (int i = top; i < Count(); ++i) {
      h -= HeightOf(i);
      if (h < 0) break;
      ++n;
    }
    return std::max(1, n);
  }
};

ListBox* L(HWND h) { return StateOf<ListBox>(h); }

void NotifyLb(ListBox* l, WORD code) {
  if (!l->notifyTo) return;
  SendMessage(l->notifyTo, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(l->hwnd)), code),
              reinterpret_cast<LPARAM>(l->hwnd));
}

void Redraw(ListBox* l) { InvalidateRect(l->hwnd, nullptr, TRUE); }

bool IsSel(const ListBox* l, int i) {
  if (i < 0 || i >= l->Count()) return false;
  if (l->NoData()) return !l->AnyMulti() ? i == l->cur : false;
  return l->items[static_cast<size_t>(i)].selected;
}

void SetSelBit(ListBox* l, int i, bool on) {
  if (i >= 0 && i < static_cast<int>(l->items.size())) l->items[static_cast<size_t>(i)].selected = on;
}

// The horizontal offset that keeps the extent's right edge no further left than the client's.
int ClampLeft(const ListBox* l, int left) {
  if (!l->hscroll || l->MultiColumn()) return 0;
  return std::clamp(left, 0, std::max(0, l->horizontalExtent - l->ClientWidth()));
}

void UpdateScroll(ListBox* l) {
  if (l->hscroll && !l->MultiColumn()) {
    l->left = ClampLeft(l, l->left);
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((l->Style() & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
    si.nMin = 0;
    si.nMax = std::max(0, l->horizontalExtent - 1);
    si.nPage = static_cast<UINT>(std::max(1, l->ClientWidth()));
    si.nPos = l->left;
    SetScrollInfo(l->hwnd, SB_HORZ, &si, TRUE);
  }
  if (!l->vscroll) return;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((l->Style() & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
  si.nMin = 0;
  si.nMax = std::max(0, l->Count() - 1);
  si.nPage = static_cast<UINT>(l->PageSize());
  si.nPos = l->top;
  if (l->Count() == 0) si.nMax = 0, si.nPage = 1;
  SetScrollInfo(l->hwnd, SB_VERT, &si, TRUE);
}

void SetLeft(ListBox* l, int left) {
  left = ClampLeft(l, left);
  if (left == l->left) return;
  l->left = left;
  UpdateScroll(l);
  Redraw(l);
}

void SetTop(ListBox* l, int top) {
  if (l->MultiColumn()) {
    int rows = l->Rows();
    int lastColumn = std::max(0, (l->Count() - 1) / rows);
    int firstColumn = std::clamp(top / rows, 0, std::max(0, lastColumn - l->VisibleColumns() + 1));
    top = firstColumn * rows;
    if (top == l->top) return;
    l->top = top;
    Redraw(l);
    return;
  }
  int maxTop = std::max(0, l->Count() - 1);
  // the last page ends with the last item
  int h = l->ClientHeight(), first = l->Count();
  while (first > 0 && h - l->HeightOf(first - 1) >= 0) {
    h -= l->HeightOf(first - 1);
    --first;
  }
  maxTop = std::min(maxTop, std::max(0, first));
  top = std::clamp(top, 0, maxTop);
  if (top == l->top) return;
  l->top = top;
  UpdateScroll(l);
  Redraw(l);
}

void EnsureVisible(ListBox* l, int i) {
  if (i < 0) return;
  if (l->MultiColumn()) {
    int rows = l->Rows(), col = i / rows, first = l->top / rows;
    if (col < first) SetTop(l, col * rows);
    else if (col >= first + l->VisibleColumns()) SetTop(l, (col - l->VisibleColumns() + 1) * rows);
    return;
  }
  if (i < l->top) {
    SetTop(l, i);
    return;
  }
  int h = l->ClientHeight(), first = i;
  while (first > l->top && h - l->HeightOf(first) >= 0) {
    h -= l->HeightOf(first);
    --first;
  }
  if (i >= l->top + l->PageSize()) SetTop(l, first + 1 > i ? i : first + (h < l->HeightOf(first) ? 1 : 0));
}

RECT ItemRect(const ListBox* l, int i) {
  RECT c{};
  GetClientRect(l->hwnd, &c);
  if (l->MultiColumn()) {
    int rows = l->Rows(), h = l->itemHeight, w = l->ColumnWidth();
    int col = (i >= l->top ? (i - l->top) / rows : -((l->top - i + rows - 1) / rows));
    int row = ((i - l->top) % rows + rows) % rows;
    return RECT{col * w, row * h, (col + 1) * w, (row + 1) * h};
  }
  int y = 0;
  if (i >= l->top) {
    for (int k = l->top; k < i; ++k) y += l->HeightOf(k);
  } else {
    for (int k = i; k < l->top; ++k) y -= l->HeightOf(k);
  }
  // A horizontal extent wider than the client area makes the items that wide, scrolled by the offset.
  int right = l->hscroll ? std::max<int>(c.right, c.left + l->horizontalExtent) : c.right;
  return RECT{c.left - l->left, y, right - l->left, y + l->HeightOf(i)};
}

// The item under a client point, clamped to the items, and whether the point was outside them.
int ItemAt(const ListBox* l, int y, bool* outside, int x = 0) {
  *outside = false;
  if (l->Count() == 0) {
    *outside = true;
    return 0;
  }
  if (l->MultiColumn()) {
    int rows = l->Rows();
    int row = std::clamp(y / std::max(1, l->itemHeight), 0, rows - 1);
    int col = std::max(0, x) / l->ColumnWidth();
    int i = l->top + col * rows + row;
    if (y < 0 || y >= rows * l->itemHeight || i >= l->Count()) *outside = true;
    return std::clamp(i, 0, l->Count() - 1);
  }
  if (y < 0) {
    *outside = true;
    return std::max(0, l->top - 1);
  }
  int acc = 0;
  for (int i = l->top; i < l->Count(); ++i) {
    acc += l->HeightOf(i);
    if (y < acc) return i;
  }
  *outside = true;
  return l->Count() - 1;
}

void Measure(ListBox* l, int index) {
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_LISTBOX;
  mis.CtlID = static_cast<UINT>(GetDlgCtrlID(l->hwnd));
  mis.itemID = static_cast<UINT>(index);
  mis.itemHeight = static_cast<UINT>(std::max(1, LineHeight(l->font)));
  RECT c{};
  GetClientRect(l->hwnd, &c);
  mis.itemWidth = static_cast<UINT>(c.right);
  if (index >= 0 && index < static_cast<int>(l->items.size())) mis.itemData = l->items[static_cast<size_t>(index)].data;
  if (l->notifyTo) SendMessage(l->notifyTo, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  if (l->Variable() && index >= 0) l->items[static_cast<size_t>(index)].height = static_cast<int>(mis.itemHeight);
  else l->itemHeight = static_cast<int>(std::max<UINT>(1, mis.itemHeight));
}

int Compare(const std::string& a, const std::string& b) {
  String ua = Utf8UpperCase(a), ub = Utf8UpperCase(b);
  return ua < ub ? -1 : ua == ub ? 0 : 1;
}

int Insert(ListBox* l, int index, const char* text, LPARAM raw) {
  Item it;
  if (l->HasStrings()) it.text = text ? text : "";
  else it.data = static_cast<ULONG_PTR>(raw);
  if (index < 0) {
    index = static_cast<int>(l->items.size());
    if ((l->Style() & LBS_SORT) && l->HasStrings()) {
      auto pos = std::upper_bound(l->items.begin(), l->items.end(), it.text,
                                  [](const std::string& t, const Item& x) { return Compare(t, x.text) < 0; });
      index = static_cast<int>(pos - l->items.begin());
    }
  }
  if (index > static_cast<int>(l->items.size())) return LB_ERR;
  l->items.insert(l->items.begin() + index, std::move(it));
  if (l->cur >= index) ++l->cur;
  if (l->anchor >= index) ++l->anchor;
  if (l->Variable()) Measure(l, index);
  UpdateScroll(l);
  Redraw(l);
  return index;
}

std::string TextOf(const ListBox* l, int i) {
  if (i < 0 || i >= static_cast<int>(l->items.size())) return {};
  return l->items[static_cast<size_t>(i)].text;
}

int Find(const ListBox* l, int start, const char* s, bool exact) {
  int n = l->Count();
  if (n == 0 || !s || !l->HasStrings()) return static_cast<int>(LB_ERR);
  String key = Utf8UpperCase(s);
  if (start < -1 || start >= n) start = -1;
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    String t = Utf8UpperCase(TextOf(l, i));
    if (exact ? t == key : t.compare(0, key.size(), key) == 0) return i;
  }
  return static_cast<int>(LB_ERR);
}

// ---- selection ---------------------------------------------------------------------------------------
void SetCaret(ListBox* l, int i) {
  if (i == l->cur) return;
  l->cur = i;
  EnsureVisible(l, i);
  Redraw(l);
}

// Single selection: the caret item is the selected item.
bool SelectSingle(ListBox* l, int i) {
  bool changed = l->cur != i || (i >= 0 && !IsSel(l, i));
  for (auto& it : l->items) it.selected = false;
  SetSelBit(l, i, true);
  l->cur = i;
  l->anchor = i;
  EnsureVisible(l, i);
  Redraw(l);
  return changed;
}

bool SelectRange(ListBox* l, int a, int b, bool on, bool clearOthers) {
  if (a > b) std::swap(a, b);
  bool changed = false;
  for (int i = 0; i < static_cast<int>(l->items.size()); ++i) {
    bool want = (i >= a && i <= b) ? on : (clearOthers ? false : l->items[static_cast<size_t>(i)].selected);
    if (want != l->items[static_cast<size_t>(i)].selected) {
      l->items[static_cast<size_t>(i)].selected = want;
      changed = true;
    }
  }
  Redraw(l);
  return changed;
}

// A user's choice of item i by mouse or key; returns whether the selection changed.
bool Choose(ListBox* l, int i, bool shift, bool ctrl, bool toggle) {
  if (l->Count() == 0 || (l->Style() & LBS_NOSEL)) {
    SetCaret(l, std::clamp(i, 0, std::max(0, l->Count() - 1)));
    return false;
  }
  i = std::clamp(i, 0, l->Count() - 1);
  if (!l->AnyMulti()) return SelectSingle(l, i);
  bool changed = false;
  if (l->Multiple()) {
    if (toggle) {
      SetSelBit(l, i, !IsSel(l, i));
      changed = true;
      Redraw(l);
    }
  } else if (shift) {
    if (l->anchor < 0) l->anchor = i;
    changed = SelectRange(l, l->anchor, i, true, !ctrl);
  } else if (ctrl) {
    if (toggle) {
      SetSelBit(l, i, !IsSel(l, i));
      changed = true;
      l->anchor = i;
    }
  } else {
    changed = SelectRange(l, i, i, true, true);
    l->anchor = i;
  }
  SetCaret(l, i);
  Redraw(l);
  return changed;
}

// ---- painting ----------------------------------------------------------------------------------------
void Paint(ListBox* l) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(l->hwnd, &ps);
  RECT c{};
  GetClientRect(l->hwnd, &c);
  bool enabled = IsWindowEnabled(l->hwnd);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  HBRUSH bg = l->notifyTo ? reinterpret_cast<HBRUSH>(SendMessage(l->notifyTo, WM_CTLCOLORLISTBOX,
                                                                 reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(l->hwnd)))
                          : nullptr;
  if (!bg) bg = GetSysColorBrush(COLOR_WINDOW);
  COLORREF text = GetTextColor(dc);
  FillRect(dc, &c, bg);
  for (int i = l->top; i < l->Count(); ++i) {
    RECT r = ItemRect(l, i);
    if (l->MultiColumn() ? r.left >= c.right : r.top >= c.bottom) break;
    bool sel = IsSel(l, i);
    bool focus = l->focused && i == l->cur;
    if (l->OwnerDraw()) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_LISTBOX;
      dis.CtlID = static_cast<UINT>(GetDlgCtrlID(l->hwnd));
      dis.itemID = static_cast<UINT>(i);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (sel ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      dis.hwndItem = l->hwnd;
      dis.hDC = dc;
      dis.rcItem = r;
      dis.itemData = i < static_cast<int>(l->items.size()) ? l->items[static_cast<size_t>(i)].data : 0;
      if (l->notifyTo) SendMessage(l->notifyTo, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      continue;
    }
    if (sel) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, sel ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    DrawRun(dc, l->font, r.left + 2, r.top, TextOf(l, i));
    if (focus) DottedFocusRect(dc, r);
  }
  EndPaint(l->hwnd, &ps);
}

int Key(ListBox* l, int vk) {
  int n = l->Count();
  if (n == 0) return -2;
  int cur = std::max(l->cur, 0);
  switch (vk) {
    case VK_UP: return std::max(0, l->cur < 0 ? 0 : cur - 1);
    case VK_DOWN: return l->cur < 0 ? 0 : std::min(n - 1, cur + 1);
    case VK_HOME: return 0;
    case VK_END: return n - 1;
    case VK_LEFT: return l->MultiColumn() ? std::max(0, cur - l->Rows()) : -2;
    case VK_RIGHT: return l->MultiColumn() ? std::min(n - 1, cur + l->Rows()) : -2;
    case VK_PRIOR: return std::max(0, cur - (l->PageSize() - 1 > 0 ? l->PageSize() - 1 : 1));
    case VK_NEXT: return std::min(n - 1, cur + (l->PageSize() - 1 > 0 ? l->PageSize() - 1 : 1));
    default: return -2;
  }
}

void Notified(ListBox* l, bool changed) {
  if (changed && (l->Style() & LBS_NOTIFY)) NotifyLb(l, LBN_SELCHANGE);
}

LRESULT Handle(ListBox* l, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
      if (!l->notifyTo) l->notifyTo = cs->hwndParent;
      l->vscroll = (cs->style & WS_VSCROLL) != 0;
      l->hscroll = (cs->style & WS_HSCROLL) != 0;
      l->itemHeight = std::max(1, LineHeight(l->font));
      if (cs->style & LBS_OWNERDRAWFIXED) Measure(l, 0);
      UpdateScroll(l);
      return 0;
    }
    case WM_PAINT: Paint(l); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      l->font = reinterpret_cast<HFONT>(wp);
      if (!l->OwnerDraw()) l->itemHeight = std::max(1, LineHeight(l->font));
      UpdateScroll(l);
      if (lp) Redraw(l);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(l->font);
    case WM_SIZE: UpdateScroll(l); Redraw(l); return 0;
    case WM_ENABLE: Redraw(l); return 0;
    case WM_SETFOCUS:
      l->focused = true;
      Redraw(l);
      NotifyLb(l, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      l->focused = false;
      Redraw(l);
      NotifyLb(l, LBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != h) SetFocus(h);
      bool outside = false;
      int i = ItemAt(l, GET_Y_LPARAM(lp), &outside, GET_X_LPARAM(lp));
      if (msg == WM_LBUTTONDBLCLK) {
        if (!outside && (l->Style() & LBS_NOTIFY)) NotifyLb(l, LBN_DBLCLK);
        return 0;
      }
      if (l->Count() == 0) return 0;
      if (outside && l->AnyMulti()) return 0;
      l->changed = Choose(l, i, (wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, true) || l->changed;
      l->tracking = true;
      SetCapture(h);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (l->tracking && !l->Multiple()) {
        bool outside = false;
        int y = GET_Y_LPARAM(lp);
        if (y < 0 && l->top > 0) SetTop(l, l->top - 1);
        if (y >= l->ClientHeight()) SetTop(l, l->top + 1);
        int i = ItemAt(l, y, &outside, GET_X_LPARAM(lp));
        if (i != l->cur) l->changed = Choose(l, i, l->Extended(), false, false) || l->changed;
      }
      return 0;
    case WM_LBUTTONUP:
      if (l->tracking) {
        l->tracking = false;
        ReleaseCapture();
        bool changed = l->changed;
        l->changed = false;
        Notified(l, changed);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (l->tracking) {
        l->tracking = false;
        Notified(l, std::exchange(l->changed, false));
      }
      return 0;
    case WM_KEYDOWN: {
      int target = Key(l, static_cast<int>(wp));
      bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
      if (target != -2) {
        if (l->Multiple() || (l->Extended() && ctrl && !shift)) {
          SetCaret(l, target);
          return 0;
        }
        Notified(l, Choose(l, target, shift && l->Extended(), false, false));
        return 0;
      }
      if (wp == VK_SPACE && l->AnyMulti() && l->cur >= 0) {
        Notified(l, Choose(l, l->cur, shift && l->Extended(), true, true));
        return 0;
      }
      break;
    }
    case WM_CHAR: {
      if (wp < 32 || !l->HasStrings()) return 0;
      std::string key = Utf8FromCodePoint(static_cast<char32_t>(wp));
      int i = Find(l, l->cur, key.c_str(), false);
      if (i >= 0) Notified(l, Choose(l, i, false, false, false));
      return 0;
    }
    case WM_MOUSEWHEEL: SetTop(l, l->top - 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA); return 0;
    case WM_HSCROLL: {
      // A line is the width of an average character, as the items' text is measured.
      const int line = std::max(1, LineHeight(l->font) / 2), page = std::max(1, l->ClientWidth());
      switch (LOWORD(wp)) {
        case SB_LINELEFT: SetLeft(l, l->left - line); break;
        case SB_LINERIGHT: SetLeft(l, l->left + line); break;
        case SB_PAGELEFT: SetLeft(l, l->left - page); break;
        case SB_PAGERIGHT: SetLeft(l, l->left + page); break;
        case SB_LEFT: SetLeft(l, 0); break;
        case SB_RIGHT: SetLeft(l, l->horizontalExtent); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetLeft(l, static_cast<SHORT>(HIWORD(wp))); break;
        default: break;
      }
      return 0;
    }
    case WM_VSCROLL:
      switch (LOWORD(wp)) {
        case SB_LINEUP: SetTop(l, l->top - 1); break;
        case SB_LINEDOWN: SetTop(l, l->top + 1); break;
        case SB_PAGEUP: SetTop(l, l->top - l->PageSize()); break;
        case SB_PAGEDOWN: SetTop(l, l->top + l->PageSize()); break;
        case SB_TOP: SetTop(l, 0); break;
        case SB_BOTTOM: SetTop(l, l->Count()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(l, static_cast<SHORT>(HIWORD(wp))); break;
        default: break;
      }
      return 0;

    // ---- LB_ messages ----
    case LB_ADDSTRING: return Insert(l, -1, reinterpret_cast<const char*>(lp), lp);
    case LB_INSERTSTRING: return Insert(l, static_cast<int>(static_cast<LONG>(wp)) < 0 ? static_cast<int>(l->items.size()) : static_cast<int>(wp), reinterpret_cast<const char*>(lp), lp);
    case LB_DELETESTRING: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(l->items.size())) return LB_ERR;
      l->items.erase(l->items.begin() + i);
      if (l->cur == i) l->cur = -1;
      else if (l->cur > i) --l->cur;
      if (l->anchor >= i) l->anchor = l->anchor == i ? -1 : l->anchor - 1;
      SetTop(l, l->top);
      UpdateScroll(l);
      Redraw(l);
      return static_cast<LRESULT>(l->items.size());
    }
    case LB_RESETCONTENT:
      l->items.clear();
      l->nodataCount = 0;
      l->cur = l->anchor = -1;
      l->top = 0;
      UpdateScroll(l);
      Redraw(l);
      return 0;
    case LB_SETCOUNT:
      if (!l->NoData()) return LB_ERR;
      l->nodataCount = static_cast<int>(wp);
      UpdateScroll(l);
      Redraw(l);
      return 0;
    case LB_INITSTORAGE: return l->Count();
    case LB_GETCOUNT: return l->Count();
    case LB_GETTEXT: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(l->items.size()) || !lp) return LB_ERR;
      if (!l->HasStrings()) {
        std::memcpy(reinterpret_cast<void*>(lp), &l->items[static_cast<size_t>(i)].data, sizeof(ULONG_PTR));
        return sizeof(ULONG_PTR);
      }
      const std::string& t = l->items[static_cast<size_t>(i)].text;
      std::memcpy(reinterpret_cast<char*>(lp), t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case LB_GETTEXTLEN: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(l->items.size())) return LB_ERR;
      return l->HasStrings() ? static_cast<LRESULT>(l->items[static_cast<size_t>(i)].text.size()) : sizeof(ULONG_PTR);
    }
    case LB_GETITEMDATA: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(l->items.size())) return LB_ERR;
      return static_cast<LRESULT>(l->items[static_cast<size_t>(i)].data);
    }
    case LB_SETITEMDATA: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(l->items.size())) return LB_ERR;
      l->items[static_cast<size_t>(i)].data = static_cast<ULONG_PTR>(lp);
      return TRUE;
    }
    case LB_SETCURSEL: {
      if (l->AnyMulti()) return LB_ERR;
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (i < 0 || i >= l->Count()) {
        SelectSingle(l, -1);
        return LB_ERR;
      }
      SelectSingle(l, i);
      return i;
    }
    case LB_GETCURSEL:
      if (l->AnyMulti()) return l->cur;
      return l->cur >= 0 && IsSel(l, l->cur) ? l->cur : LB_ERR;
    case LB_SETSEL: {
      if (!l->AnyMulti()) return LB_ERR;
      int i = static_cast<int>(static_cast<LONG>(lp));
      if (i == -1) {
        SelectRange(l, 0, l->Count() - 1, wp != 0, false);
        return 0;
      }
      if (i < 0 || i >= l->Count()) return LB_ERR;
      SetSelBit(l, i, wp != 0);
      if (wp) {
        l->cur = i;
        if (l->anchor < 0) l->anchor = i;
      }
      Redraw(l);
      return 0;
    }
    case LB_GETSEL: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= l->Count()) return LB_ERR;
      return IsSel(l, i) ? 1 : 0;
    }
    case LB_GETSELCOUNT: {
      if (!l->AnyMulti()) return LB_ERR;
      return std::count_if(l->items.begin(), l->items.end(), [](const Item& it) { return it.selected; });
    }
    case LB_GETSELITEMS: {
      if (!l->AnyMulti()) return LB_ERR;
      int* out = reinterpret_cast<int*>(lp);
      int n = 0;
      for (int i = 0; i < static_cast<int>(l->items.size()) && n < static_cast<int>(wp); ++i)
        if (l->items[static_cast<size_t>(i)].selected) out[n++] = i;
      return n;
    }
    case LB_SELITEMRANGE:
      if (!l->AnyMulti()) return LB_ERR;
      SelectRange(l, LOWORD(lp), std::min<int>(HIWORD(lp), l->Count() - 1), wp != 0, false);
      return 0;
    case LB_SELITEMRANGEEX: {
      if (!l->AnyMulti()) return LB_ERR;
      int a = static_cast<int>(wp), b = static_cast<int>(lp);
      if (a <= b) SelectRange(l, a, std::min(b, l->Count() - 1), true, false);
      else SelectRange(l, b, std::min(a, l->Count() - 1), false, false);
      return 0;
    }
    case LB_SETCARETINDEX: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= l->Count()) return LB_ERR;
      SetCaret(l, i);
      return 0;
    }
    case LB_GETCARETINDEX: return l->cur < 0 ? 0 : l->cur;
    case LB_SETANCHORINDEX: l->anchor = static_cast<int>(wp); return 0;
    case LB_GETANCHORINDEX: return l->anchor;
    case LB_GETTOPINDEX: return l->top;
    case LB_SETTOPINDEX: {
      int i = static_cast<int>(wp);
      if (i < 0 || (i >= l->Count() && l->Count() > 0)) return LB_ERR;
      SetTop(l, i);
      return 0;
    }
    case LB_GETITEMRECT: {
      int i = static_cast<int>(wp);
      if (!lp || i < 0 || (i >= l->Count() && !(i == 0 && l->Count() == 0))) return LB_ERR;
      *reinterpret_cast<RECT*>(lp) = ItemRect(l, i);
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      bool outside = false;
      int i = ItemAt(l, GET_Y_LPARAM(lp), &outside, GET_X_LPARAM(lp));
      RECT c{};
      GetClientRect(h, &c);
      if (!PtInRect(&c, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) outside = true;
      return MAKELRESULT(static_cast<WORD>(i), outside ? 1 : 0);
    }
    case LB_GETITEMHEIGHT: return l->HeightOf(l->Variable() ? static_cast<int>(wp) : 0);
    case LB_SETITEMHEIGHT: {
      int hgt = LOWORD(lp);
      if (hgt <= 0 || hgt > 255) return LB_ERR;
      if (l->Variable()) {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= static_cast<int>(l->items.size())) return LB_ERR;
        l->items[static_cast<size_t>(i)].height = hgt;
      } else {
        l->itemHeight = hgt;
      }
      UpdateScroll(l);
      Redraw(l);
      return 0;
    }
    case LB_FINDSTRING: return Find(l, static_cast<int>(static_cast<LONG>(wp)), reinterpret_cast<const char*>(lp), false);
    case LB_FINDSTRINGEXACT: return Find(l, static_cast<int>(static_cast<LONG>(wp)), reinterpret_cast<const char*>(lp), true);
    case LB_SELECTSTRING: {
      int i = Find(l, static_cast<int>(static_cast<LONG>(wp)), reinterpret_cast<const char*>(lp), false);
      if (i < 0) return LB_ERR;
      if (l->AnyMulti()) SetCaret(l, i);
      else SelectSingle(l, i);
      return i;
    }
    case LB_GETHORIZONTALEXTENT: return l->horizontalExtent;
    case LB_SETHORIZONTALEXTENT:
      l->horizontalExtent = std::max(0, static_cast<int>(wp));
      UpdateScroll(l);
      Redraw(l);
      return 0;
    case LB_SETTABSTOPS: return TRUE;
    case LB_SETCOLUMNWIDTH:
      l->columnWidth = static_cast<int>(wp);
      Redraw(l);
      return 0;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

// The combo box gives its list the window to report to before the list is created.
void SetListNotifyWindow(HWND list, HWND to) {
  if (ListBox* l = L(list)) l->notifyTo = to;
}

LRESULT ListBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  ListBox* l = L(h);
  if (msg == WM_NCCREATE) {
    l = new ListBox();
    l->hwnd = h;
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
    // a combo box passes itself as the creation parameter of its list
    if (cs && cs->lpCreateParams) l->notifyTo = reinterpret_cast<HWND>(cs->lpCreateParams);
    SetState(h, l);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!l) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetState(h, nullptr);
    delete l;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(l, h, msg, wp, lp);
}

}  // namespace winapi::ctl
