// The list view ("SysListView32") and its header ("SysHeader32"): items with sub-item texts, images,
// states and data, or virtual items (LVS_OWNERDATA) whose every text and image comes through
// LVN_GETDISPINFO; columns; selection and focus with LVN_ITEMCHANGING/ED; activation, column clicks,
// drag start, key notifications; label editing in an "EDIT"; hit tests and scrolling.
//
// The report view lays rows under the header; the list and small-icon views use the same rows without
// a header; the icon view places items in a grid of cells. Images come from the small image list (the
// normal one in the icon view) with the overlay of the item's state.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

constexpr COLORREF kNoColor = 0xFFFFFFFF;
constexpr int kIconCellWidth = 75;
constexpr int kIconSize = 32;

struct LvItem {
  std::vector<std::string> texts;  // per sub-item
  std::vector<bool> callback;      // per sub-item: LPSTR_TEXTCALLBACK
  int image = 0;
  UINT state = 0;
  LPARAM param = 0;
  int indent = 0;
};

struct Column {
  int fmt = LVCFMT_LEFT;
  int width = 60;
  std::string text;
  int subItem = 0;
};

struct ListView {
  HWND hwnd = nullptr;
  HWND header = nullptr;
  HWND edit = nullptr;
  WNDPROC editProc = nullptr;
  int editing = -1;
  std::vector<LvItem> items;
  std::vector<UINT> virtualStates;  // LVS_OWNERDATA: the control keeps selection and focus
  int virtualCount = 0;
  std::vector<Column> columns;
  HIMAGELIST images[3] = {nullptr, nullptr, nullptr};
  COLORREF bk = kNoColor, text = kNoColor, textBk = kNoColor;
  DWORD exStyle = 0;
  UINT callbackMask = 0;
  HFONT font = nullptr;
  int top = 0;  // first visible row
  int mark = -1;
  bool focused = false;
  int pressed = -1;
  POINT pressAt{};
  bool pressRight = false;

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  DWORD View() const { return Style() & LVS_TYPEMASK; }
  bool Virtual() const { return (Style() & LVS_OWNERDATA) != 0; }
  int Count() const { return Virtual() ? virtualCount : static_cast<int>(items.size()); }
  int IconSize(WPARAM which, bool height) const {
    int cx = 0, cy = 0;
    if (!images[which] || !ImageList_GetIconSize(images[which], &cx, &cy)) return 0;
    return height ? cy : cx;
  }
  int RowHeight() const { return std::max(std::max(1, LineHeight(font)) + 2, IconSize(LVSIL_SMALL, true)); }
  bool HasHeader() const { return View() == LVS_REPORT && !(Style() & LVS_NOCOLUMNHEADER); }
  int HeaderHeight() const { return HasHeader() ? std::max(1, LineHeight(font)) + 6 : 0; }
  UINT StateOf(int i) const {
    if (i < 0 || i >= Count()) return 0;
    if (Virtual()) return i < static_cast<int>(virtualStates.size()) ? virtualStates[static_cast<size_t>(i)] : 0;
    return items[static_cast<size_t>(i)].state;
  }
  void PutState(int i, UINT s) {
    if (Virtual()) {
      if (static_cast<int>(virtualStates.size()) <= i) virtualStates.resize(static_cast<size_t>(i) + 1, 0);
      virtualStates[static_cast<size_t>(i)] = s;
    } else {
      items[static_cast<size_t>(i)].state = s;
    }
  }
};

ListView* V(HWND h) { return StateOf<ListView>(h); }

LRESULT SendNotify(ListView* v, UINT code, NMHDR* hdr) {
  hdr->hwndFrom = v->hwnd;
  hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(v->hwnd));
  hdr->code = code;
  HWND parent = GetParent(v->hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
}

LRESULT NotifyItem(ListView* v, UINT code, int item, int sub = 0, POINT at = POINT{0, 0}) {
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.iSubItem = sub;
  nm.ptAction = at;
  if (item >= 0 && !v->Virtual() && item < v->Count()) nm.lParam = v->items[static_cast<size_t>(item)].param;
  return SendNotify(v, code, &nm.hdr);
}

void Redraw(ListView* v) { InvalidateRect(v->hwnd, nullptr, TRUE); }

// What an item shows of one sub-item: asked of the parent for virtual items and callback parts.
struct Shown {
  std::string text;
  int image = 0;
  UINT state = 0;
};

Shown Display(ListView* v, int i, int sub, UINT want) {
  Shown s;
  if (i < 0 || i >= v->Count()) return s;
  UINT ask = 0;
  if (!v->Virtual()) {
    const LvItem& it = v->items[static_cast<size_t>(i)];
    if (sub < static_cast<int>(it.texts.size())) s.text = it.texts[static_cast<size_t>(sub)];
    if ((want & LVIF_TEXT) && sub < static_cast<int>(it.callback.size()) && it.callback[static_cast<size_t>(sub)]) ask |= LVIF_TEXT;
    s.image = it.image;
    if ((want & LVIF_IMAGE) && it.image == I_IMAGECALLBACK && sub == 0) ask |= LVIF_IMAGE;
    s.state = it.state;
    if ((want & LVIF_STATE) && v->callbackMask) ask |= LVIF_STATE;
  } else {
    ask = want & (LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_INDENT | LVIF_PARAM);
    s.state = v->StateOf(i);
  }
  if (!ask) return s;
  char buf[512];
  buf[0] = 0;
  NMLVDISPINFO di{};
  di.item.mask = ask;
  di.item.iItem = i;
  di.item.iSubItem = sub;
  di.item.state = s.state;
  di.item.stateMask = v->Virtual() ? LVIS_OVERLAYMASK | LVIS_STATEIMAGEMASK | v->callbackMask : v->callbackMask;
  di.item.pszText = buf;
  di.item.cchTextMax = sizeof(buf);
  di.item.iImage = s.image;
  if (!v->Virtual()) di.item.lParam = v->items[static_cast<size_t>(i)].param;
  SendNotify(v, LVN_GETDISPINFO, &di.hdr);
  if ((ask & LVIF_TEXT) && di.item.pszText) s.text = di.item.pszText;
  if (ask & LVIF_IMAGE) s.image = di.item.iImage;
  if (ask & LVIF_STATE) s.state = (s.state & ~di.item.stateMask) | (di.item.state & di.item.stateMask);
  return s;
}

// ---- geometry ----------------------------------------------------------------------------------------
RECT Client(ListView* v) {
  RECT c{};
  GetClientRect(v->hwnd, &c);
  return c;
}

int TotalWidth(ListView* v) {
  int w = 0;
  for (const Column& c : v->columns) w += c.width;
  return w;
}

int ColumnLeft(ListView* v, int col) {
  int x = 0;
  for (int k = 0; k < col && k < static_cast<int>(v->columns.size()); ++k) x += v->columns[static_cast<size_t>(k)].width;
  return x;
}

int IconColumns(ListView* v) { return std::max(1, static_cast<int>(Client(v).right / kIconCellWidth)); }
int IconCellHeight(ListView* v) { return kIconSize + 4 + 2 * std::max(1, LineHeight(v->font)); }

int PerPage(ListView* v) {
  RECT c = Client(v);
  if (v->View() == LVS_ICON) return std::max(1, static_cast<int>(c.bottom / IconCellHeight(v))) * IconColumns(v);
  return std::max(1, static_cast<int>((c.bottom - v->HeaderHeight()) / v->RowHeight()));
}

int SmallIconWidth(ListView* v) { return v->images[LVSIL_SMALL] ? v->IconSize(LVSIL_SMALL, false) + 2 : 0; }

RECT ItemRect(ListView* v, int i, int part) {
  if (v->View() == LVS_ICON) {
    int cols = IconColumns(v), row = i / cols - v->top / cols, col = i % cols;
    RECT cell{col * kIconCellWidth, row * IconCellHeight(v), (col + 1) * kIconCellWidth, (row + 1) * IconCellHeight(v)};
    RECT icon{cell.left + (kIconCellWidth - kIconSize) / 2, cell.top + 2, cell.left + (kIconCellWidth + kIconSize) / 2, cell.top + 2 + kIconSize};
    RECT label{cell.left, icon.bottom + 2, cell.right, cell.bottom};
    return part == LVIR_ICON ? icon : part == LVIR_LABEL ? label : cell;
  }
  int y = v->HeaderHeight() + (i - v->top) * v->RowHeight();
  int width = v->View() == LVS_REPORT ? std::max(TotalWidth(v), 1) : static_cast<int>(Client(v).right);
  int col0 = v->View() == LVS_REPORT && !v->columns.empty() ? v->columns[0].width : width;
  RECT bounds{0, y, width, y + v->RowHeight()};
  RECT icon{0, y, SmallIconWidth(v), y + v->RowHeight()};
  RECT label{icon.right, y, col0, y + v->RowHeight()};
  switch (part) {
    case LVIR_ICON: return icon;
    case LVIR_LABEL: return label;
    case LVIR_SELECTBOUNDS: return (v->exStyle & LVS_EX_FULLROWSELECT) ? bounds : RECT{0, y, col0, y + v->RowHeight()};
    default: return bounds;
  }
}

void HitTest(ListView* v, LVHITTESTINFO* hi) {
  RECT c = Client(v);
  hi->flags = 0;
  hi->iItem = -1;
  hi->iSubItem = 0;
  POINT p = hi->pt;
  if (p.y < 0) hi->flags |= LVHT_ABOVE;
  if (p.y >= c.bottom) hi->flags |= LVHT_BELOW;
  if (p.x < 0) hi->flags |= LVHT_TOLEFT;
  if (p.x >= c.right) hi->flags |= LVHT_TORIGHT;
  if (hi->flags) return;
  int i = -1;
  if (v->View() == LVS_ICON) {
    int cols = IconColumns(v);
    int col = p.x / kIconCellWidth, row = p.y / IconCellHeight(v);
    if (col < cols) i = v->top + row * cols + col;
  } else if (p.y >= v->HeaderHeight()) {
    i = v->top + (p.y - v->HeaderHeight()) / v->RowHeight();
  }
  if (i < 0 || i >= v->Count()) {
    hi->flags = LVHT_NOWHERE;
    return;
  }
  RECT icon = ItemRect(v, i, LVIR_ICON), label = ItemRect(v, i, LVIR_LABEL), bounds = ItemRect(v, i, LVIR_BOUNDS);
  if (PtInRect(&icon, p)) hi->flags = LVHT_ONITEMICON;
  else if (PtInRect(&label, p)) hi->flags = LVHT_ONITEMLABEL;
  else if (PtInRect(&bounds, p) && v->View() == LVS_REPORT) hi->flags = (v->exStyle & LVS_EX_FULLROWSELECT) ? LVHT_ONITEMLABEL : LVHT_ONITEMLABEL;
  else hi->flags = LVHT_NOWHERE;
  if (hi->flags != LVHT_NOWHERE) hi->iItem = i;
  if (v->View() == LVS_REPORT)
    for (int k = 0; k < static_cast<int>(v->columns.size()); ++k)
      if (p.x >= ColumnLeft(v, k) && p.x < ColumnLeft(v, k + 1)) hi->iSubItem = k;
}

void UpdateScroll(ListView* v) {
  if (v->Style() & LVS_NOSCROLL) return;
  int n = v->Count(), page = PerPage(v);
  if (v->View() == LVS_ICON) {
    int cols = IconColumns(v);
    n = (n + cols - 1) / cols;
    page = std::max(1, page / cols);
  }
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = std::max(0, n - 1);
  si.nPage = static_cast<UINT>(page);
  si.nPos = v->View() == LVS_ICON ? v->top / IconColumns(v) : v->top;
  SetScrollInfo(v->hwnd, SB_VERT, &si, TRUE);
}

void SetTop(ListView* v, int top) {
  int step = v->View() == LVS_ICON ? IconColumns(v) : 1;
  int maxTop = std::max(0, v->Count() - PerPage(v));
  if (step > 1) maxTop = (maxTop + step - 1) / step * step;
  top = std::clamp(top / step * step, 0, maxTop);
  if (top == v->top) return;
  v->top = top;
  UpdateScroll(v);
  Redraw(v);
}

void EnsureVisible(ListView* v, int i) {
  if (i < 0 || i >= v->Count()) return;
  int page = PerPage(v);
  if (i < v->top) SetTop(v, i);
  else if (i >= v->top + page) SetTop(v, i - page + 1 + (v->View() == LVS_ICON ? IconColumns(v) - 1 : 0));
}

// ---- state changes -----------------------------------------------------------------------------------
// Changes the bits of `mask` of item i to `state` with LVN_ITEMCHANGING/LVN_ITEMCHANGED; false if vetoed.
bool ChangeState(ListView* v, int i, UINT state, UINT mask) {
  UINT old = v->StateOf(i);
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  NMLISTVIEW nm{};
  nm.iItem = i;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  if (!v->Virtual()) {
    nm.lParam = v->items[static_cast<size_t>(i)].param;
    if (SendNotify(v, LVN_ITEMCHANGING, &nm.hdr)) return false;
  }
  // a single-selection list keeps one selected item
  if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && (v->Style() & LVS_SINGLESEL))
    for (int k = 0; k < v->Count(); ++k)
      if (k != i && (v->StateOf(k) & LVIS_SELECTED)) ChangeState(v, k, 0, LVIS_SELECTED);
  // only one item has the focus
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED))
    for (int k = 0; k < v->Count(); ++k)
      if (k != i && (v->StateOf(k) & LVIS_FOCUSED)) ChangeState(v, k, 0, LVIS_FOCUSED);
  v->PutState(i, now);
  nm.hdr = NMHDR{};
  SendNotify(v, LVN_ITEMCHANGED, &nm.hdr);
  Redraw(v);
  return true;
}

void DeselectAllBut(ListView* v, int keep) {
  for (int k = 0; k < v->Count(); ++k)
    if (k != keep && (v->StateOf(k) & LVIS_SELECTED)) ChangeState(v, k, 0, LVIS_SELECTED);
}

// A user's choice of item i by mouse or key.
void Choose(ListView* v, int i, bool shift, bool ctrl, bool toggle) {
  if (i < 0 || i >= v->Count()) return;
  bool single = (v->Style() & LVS_SINGLESEL) != 0;
  if (single || (!shift && !ctrl)) {
    DeselectAllBut(v, i);
    ChangeState(v, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    v->mark = i;
  } else if (shift) {
    int a = v->mark < 0 ? i : v->mark;
    for (int k = 0; k < v->Count(); ++k) {
      bool in = k >= std::min(a, i) && k <= std::max(a, i);
      if (in || !ctrl) ChangeState(v, k, in ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
    ChangeState(v, i, LVIS_FOCUSED, LVIS_FOCUSED);
  } else if (toggle) {
    ChangeState(v, i, (v->StateOf(i) & LVIS_SELECTED) ? LVIS_FOCUSED : LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    v->mark = i;
  } else {
    ChangeState(v, i, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  EnsureVisible(v, i);
}

int Focused(ListView* v) {
  for (int k = 0; k < v->Count(); ++k)
    if (v->StateOf(k) & LVIS_FOCUSED) return k;
  return -1;
}

void Activate(ListView* v, int i, POINT at) {
  NMITEMACTIVATE nm{};
  nm.iItem = i;
  nm.ptAction = at;
  nm.uKeyFlags = (GetKeyState(VK_CONTROL) < 0 ? 1u : 0u) | (GetKeyState(VK_SHIFT) < 0 ? 2u : 0u);
  SendNotify(v, LVN_ITEMACTIVATE, &nm.hdr);
}

// ---- label editing -----------------------------------------------------------------------------------
void EndEdit(ListView* v, bool ok);

LRESULT ListViewEditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  ListView* v = V(GetParent(h));
  WNDPROC base = v && v->editProc ? v->editProc : EditProc;
  if (v && v->edit == h) {
    if (msg == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE)) {
      EndEdit(v, wp == VK_RETURN);
      return 0;
    }
    if (msg == WM_CHAR && (wp == U'\r' || wp == 27)) return 0;
    if (msg == WM_GETDLGCODE) return CallWindowProc(base, h, msg, wp, lp) | DLGC_WANTALLKEYS;
    if (msg == WM_KILLFOCUS) {
      LRESULT r = CallWindowProc(base, h, msg, wp, lp);
      if (v->edit == h) EndEdit(v, true);
      return r;
    }
  }
  return CallWindowProc(base, h, msg, wp, lp);
}

HWND BeginEdit(ListView* v, int i) {
  // an index of -1 cancels the edit in progress
  if (i < 0) {
    EndEdit(v, false);
    return nullptr;
  }
  if (v->edit) EndEdit(v, true);
  if (i >= v->Count()) return nullptr;
  EnsureVisible(v, i);
  NMLVDISPINFO di{};
  di.item.mask = LVIF_TEXT | LVIF_PARAM;
  di.item.iItem = i;
  Shown s = Display(v, i, 0, LVIF_TEXT);
  if (!v->Virtual()) di.item.lParam = v->items[static_cast<size_t>(i)].param;
  if (SendNotify(v, LVN_BEGINLABELEDIT, &di.hdr)) return nullptr;
  RECT r = ItemRect(v, i, LVIR_LABEL);
  v->editing = i;
  v->edit = CreateWindowEx(0, "EDIT", s.text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                           std::max(static_cast<int>(r.right - r.left), 40), r.bottom - r.top, v->hwnd, nullptr, nullptr, nullptr);
  SendMessage(v->edit, WM_SETFONT, reinterpret_cast<WPARAM>(v->font), FALSE);
  v->editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(v->edit, GWLP_WNDPROC));
  SetWindowLongPtr(v->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListViewEditSubclass));
  SetFocus(v->edit);
  SendMessage(v->edit, EM_SETSEL, 0, -1);
  return v->edit;
}

void EndEdit(ListView* v, bool ok) {
  HWND e = v->edit;
  if (!e) return;
  int i = v->editing;
  v->edit = nullptr;
  v->editing = -1;
  std::string text;
  if (ok) {
    text.resize(static_cast<size_t>(GetWindowTextLength(e)) + 1);
    text.resize(static_cast<size_t>(GetWindowText(e, text.data(), static_cast<int>(text.size()))));
  }
  NMLVDISPINFO di{};
  di.item.mask = LVIF_TEXT | LVIF_PARAM;
  di.item.iItem = i;
  di.item.pszText = ok ? text.data() : nullptr;
  di.item.cchTextMax = static_cast<int>(text.size());
  if (!v->Virtual() && i >= 0 && i < v->Count()) di.item.lParam = v->items[static_cast<size_t>(i)].param;
  bool focusedInside = GetFocus() == e;
  DestroyWindow(e);
  if (focusedInside) SetFocus(v->hwnd);
  if (SendNotify(v, LVN_ENDLABELEDIT, &di.hdr) && ok && !v->Virtual() && i >= 0 && i < v->Count()) {
    LvItem& it = v->items[static_cast<size_t>(i)];
    if (it.texts.empty()) it.texts.resize(1), it.callback.resize(1);
    it.texts[0] = text;
    it.callback[0] = false;
  }
  Redraw(v);
}

// ---- painting ----------------------------------------------------------------------------------------
// Paints into `given` when the caller hands a device context (WM_PAINT's wParam, as the component
// classes and double buffering do), else between BeginPaint and EndPaint.
void Paint(ListView* v, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(v->hwnd, &ps);
  RECT c = Client(v);
  HBRUSH bk = CreateSolidBrush(v->bk == kNoColor ? GetSysColor(COLOR_WINDOW) : v->bk);
  FillRect(dc, &c, bk);
  DeleteObject(bk);
  COLORREF fg = v->text == kNoColor ? GetSysColor(COLOR_WINDOWTEXT) : v->text;
  bool showSel = v->focused || (v->Style() & LVS_SHOWSELALWAYS);
  int page = PerPage(v) + (v->View() == LVS_ICON ? IconColumns(v) : 1);
  for (int i = v->top; i < v->Count() && i < v->top + page; ++i) {
    UINT want = LVIF_TEXT | LVIF_STATE | (v->images[LVSIL_SMALL] || v->images[LVSIL_NORMAL] ? LVIF_IMAGE : 0);
    Shown s = Display(v, i, 0, want);
    UINT state = v->StateOf(i);
    RECT sel = ItemRect(v, i, v->View() == LVS_ICON ? LVIR_LABEL : LVIR_SELECTBOUNDS);
    COLORREF color = fg;
    if ((state & LVIS_SELECTED) && showSel) {
      FillRect(dc, &sel, GetSysColorBrush(v->focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
      if (v->focused) color = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (state & LVIS_DROPHILITED) {
      FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
      color = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    RECT label = ItemRect(v, i, LVIR_LABEL);
    HIMAGELIST list = v->View() == LVS_ICON ? v->images[LVSIL_NORMAL] : v->images[LVSIL_SMALL];
    if (list) {
      RECT icon = ItemRect(v, i, LVIR_ICON);
      UINT style = ILD_TRANSPARENT | (s.state & LVIS_OVERLAYMASK) | ((state & LVIS_CUT) ? ILD_SELECTED : 0);
      int cy = v->IconSize(v->View() == LVS_ICON ? LVSIL_NORMAL : LVSIL_SMALL, true);
      ImageList_Draw(list, s.image, dc, icon.left, icon.top + std::max(0, static_cast<int>(icon.bottom - icon.top) - cy) / 2, style);
    }
    SetTextColor(dc, color);
    if (v->View() == LVS_ICON) {
      int w = TextWidth(v->font, s.text);
      DrawRun(dc, v->font, label.left + std::max(0, (kIconCellWidth - w) / 2), label.top, s.text);
    } else {
      DrawRun(dc, v->font, label.left + 2, label.top + 1, s.text);
    }
    if (v->View() == LVS_REPORT) {
      for (int k = 1; k < static_cast<int>(v->columns.size()); ++k) {
        Shown sub = Display(v, i, v->columns[static_cast<size_t>(k)].subItem, LVIF_TEXT);
        SetTextColor(dc, (v->exStyle & LVS_EX_FULLROWSELECT) ? color : fg);
        int x = ColumnLeft(v, k) + 6;
        int fmt = v->columns[static_cast<size_t>(k)].fmt & 3;
        if (fmt == LVCFMT_RIGHT) x = ColumnLeft(v, k + 1) - 6 - TextWidth(v->font, sub.text);
        else if (fmt == LVCFMT_CENTER) x = (ColumnLeft(v, k) + ColumnLeft(v, k + 1) - TextWidth(v->font, sub.text)) / 2;
        DrawRun(dc, v->font, x, label.top + 1, sub.text);
      }
    }
    if (v->focused && (state & LVIS_FOCUSED)) DottedFocusRect(dc, sel);
  }
  if (!given) EndPaint(v->hwnd, &ps);
}

void LayoutHeader(ListView* v) {
  if (!v->header) return;
  RECT c = Client(v);
  if (v->HasHeader()) {
    SetWindowPos(v->header, nullptr, 0, 0, c.right, v->HeaderHeight(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    ShowWindow(v->header, SW_HIDE);
  }
}

bool KeyDown(ListView* v, int vk) {
  NMLVKEYDOWN kd{};
  kd.wVKey = static_cast<WORD>(vk);
  SendNotify(v, LVN_KEYDOWN, &kd.hdr);
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  int n = v->Count();
  if (n == 0) return false;
  int f = Focused(v);
  int step = v->View() == LVS_ICON ? IconColumns(v) : 1;
  int target;
  switch (vk) {
    case VK_UP: target = f < 0 ? 0 : f - step; break;
    case VK_DOWN: target = f < 0 ? 0 : f + step; break;
    case VK_LEFT: if (v->View() != LVS_ICON) return false; target = f - 1; break;
    case VK_RIGHT: if (v->View() != LVS_ICON) return false; target = f + 1; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = n - 1; break;
    case VK_PRIOR: target = f - std::max(1, PerPage(v) - 1); break;
    case VK_NEXT: target = f + std::max(1, PerPage(v) - 1); break;
    case VK_SPACE:
      if (f >= 0) Choose(v, f, false, ctrl, true);
      return true;
    case VK_RETURN:
      if (f >= 0) Activate(v, f, POINT{0, 0});
      return true;
    case VK_F2:
      if ((v->Style() & LVS_EDITLABELS) && f >= 0) BeginEdit(v, f);
      return true;
    case 'A':
      if (ctrl && !(v->Style() & LVS_SINGLESEL))
        for (int k = 0; k < n; ++k) ChangeState(v, k, LVIS_SELECTED, LVIS_SELECTED);
      return ctrl;
    default: return false;
  }
  Choose(v, std::clamp(target, 0, n - 1), shift, ctrl, false);
  return true;
}

LRESULT Handle(ListView* v, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      v->header = CreateWindowEx(0, WC_HEADER, "", WS_CHILD, 0, 0, 10, 10, h, nullptr, nullptr, nullptr);
      LayoutHeader(v);
      UpdateScroll(v);
      return 0;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(v, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
    case WM_STYLECHANGED:
      LayoutHeader(v);
      UpdateScroll(v);
      Redraw(v);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      v->font = reinterpret_cast<HFONT>(wp);
      LayoutHeader(v);
      UpdateScroll(v);
      if (lp) Redraw(v);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(v->font);
    case WM_SETFOCUS: {
      v->focused = true;
      Redraw(v);
      NMHDR hdr{};
      SendNotify(v, NM_SETFOCUS, &hdr);
      return 0;
    }
    case WM_KILLFOCUS: {
      v->focused = false;
      Redraw(v);
      NMHDR hdr{};
      SendNotify(v, NM_KILLFOCUS, &hdr);
      return 0;
    }
    case WM_KEYDOWN:
      if (KeyDown(v, static_cast<int>(wp))) return 0;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      if (v->edit) EndEdit(v, true);
      if (GetFocus() != h) SetFocus(h);
      LVHITTESTINFO hi{{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, 0, -1, 0, 0};
      HitTest(v, &hi);
      if (hi.iItem < 0) {
        if (!(wp & (MK_SHIFT | MK_CONTROL))) DeselectAllBut(v, -1);
        return 0;
      }
      bool keep = msg == WM_RBUTTONDOWN && (v->StateOf(hi.iItem) & LVIS_SELECTED);
      if (!keep) Choose(v, hi.iItem, (wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, true);
      v->pressed = hi.iItem;
      v->pressAt = hi.pt;
      v->pressRight = msg == WM_RBUTTONDOWN;
      SetCapture(h);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (v->pressed >= 0) {
        int dx = GET_X_LPARAM(lp) - v->pressAt.x, dy = GET_Y_LPARAM(lp) - v->pressAt.y;
        if (std::abs(dx) > GetSystemMetrics(SM_CXDRAG) || std::abs(dy) > GetSystemMetrics(SM_CYDRAG)) {
          int i = v->pressed;
          bool right = v->pressRight;
          v->pressed = -1;
          ReleaseCapture();
          NotifyItem(v, right ? LVN_BEGINRDRAG : LVN_BEGINDRAG, i, 0, v->pressAt);
        }
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (v->pressed >= 0) {
        v->pressed = -1;
        ReleaseCapture();
      }
      NMITEMACTIVATE nm{};
      LVHITTESTINFO hi{{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, 0, -1, 0, 0};
      HitTest(v, &hi);
      nm.iItem = hi.iItem;
      nm.iSubItem = hi.iSubItem;
      nm.ptAction = hi.pt;
      if (!SendNotify(v, msg == WM_LBUTTONUP ? NM_CLICK : NM_RCLICK, &nm.hdr) && msg == WM_RBUTTONUP) {
        POINT p = hi.pt;
        ClientToScreen(h, &p);
        SendMessage(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(p.x, p.y));
      }
      if (msg == WM_LBUTTONUP && hi.iItem >= 0 && (v->exStyle & LVS_EX_ONECLICKACTIVATE)) Activate(v, hi.iItem, hi.pt);
      return 0;
    }
    case WM_CAPTURECHANGED: v->pressed = -1; return 0;
    case WM_LBUTTONDBLCLK: {
      LVHITTESTINFO hi{{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, 0, -1, 0, 0};
      HitTest(v, &hi);
      NMITEMACTIVATE nm{};
      nm.iItem = hi.iItem;
      nm.iSubItem = hi.iSubItem;
      nm.ptAction = hi.pt;
      SendNotify(v, NM_DBLCLK, &nm.hdr);
      if (hi.iItem >= 0) Activate(v, hi.iItem, hi.pt);
      return 0;
    }
    case WM_MOUSEWHEEL: SetTop(v, v->top - 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * (v->View() == LVS_ICON ? IconColumns(v) : 1)); return 0;
    case WM_VSCROLL: {
      int step = v->View() == LVS_ICON ? IconColumns(v) : 1;
      switch (LOWORD(wp)) {
        case SB_LINEUP: SetTop(v, v->top - step); break;
        case SB_LINEDOWN: SetTop(v, v->top + step); break;
        case SB_PAGEUP: SetTop(v, v->top - PerPage(v)); break;
        case SB_PAGEDOWN: SetTop(v, v->top + PerPage(v)); break;
        case SB_TOP: SetTop(v, 0); break;
        case SB_BOTTOM: SetTop(v, v->Count()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(v, static_cast<SHORT>(HIWORD(wp)) * step); break;
        default: break;
      }
      return 0;
    }

    // ---- items ----
    case LVM_GETITEMCOUNT: return v->Count();
    case LVM_SETITEMCOUNT:
      if (v->Virtual()) {
        v->virtualCount = static_cast<int>(wp);
        if (static_cast<int>(v->virtualStates.size()) > v->virtualCount) v->virtualStates.resize(static_cast<size_t>(v->virtualCount));
        if (v->top > v->virtualCount) v->top = 0;
      }
      UpdateScroll(v);
      Redraw(v);
      return TRUE;
    case LVM_INSERTITEM: {
      auto* it = reinterpret_cast<const LVITEM*>(lp);
      if (!it || v->Virtual()) return -1;
      LvItem item;
      item.texts.assign(1, "");
      item.callback.assign(1, false);
      if (it->mask & LVIF_TEXT) {
        if (it->pszText == LPSTR_TEXTCALLBACK) item.callback[0] = true;
        else if (it->pszText) item.texts[0] = it->pszText;
      }
      if (it->mask & LVIF_IMAGE) item.image = it->iImage;
      if (it->mask & LVIF_PARAM) item.param = it->lParam;
      if (it->mask & LVIF_STATE) item.state = it->state & it->stateMask;
      if (it->mask & LVIF_INDENT) item.indent = it->iIndent;
      int pos = std::clamp(it->iItem, 0, v->Count());
      DWORD st = v->Style();
      if ((st & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) && !item.callback[0]) {
        String key = Utf8UpperCase(item.texts[0]);
        pos = 0;
        while (pos < v->Count()) {
          String other = Utf8UpperCase(v->items[static_cast<size_t>(pos)].texts[0]);
          if ((st & LVS_SORTASCENDING) ? other > key : other < key) break;
          ++pos;
        }
      }
      v->items.insert(v->items.begin() + pos, std::move(item));
      if (v->mark >= pos) ++v->mark;
      NotifyItem(v, LVN_INSERTITEM, pos);
      UpdateScroll(v);
      Redraw(v);
      return pos;
    }
    case LVM_DELETEITEM: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= v->Count() || v->Virtual()) return FALSE;
      if (v->editing == i) EndEdit(v, false);
      NotifyItem(v, LVN_DELETEITEM, i);
      if (v->editing > i) --v->editing;
      v->items.erase(v->items.begin() + i);
      if (v->mark == i) v->mark = -1;
      else if (v->mark > i) --v->mark;
      SetTop(v, v->top);
      UpdateScroll(v);
      Redraw(v);
      return TRUE;
    }
    case LVM_DELETEALLITEMS:
      if (v->edit) EndEdit(v, false);
      if (!v->Virtual() && !NotifyItem(v, LVN_DELETEALLITEMS, -1))
        for (int i = 0; i < v->Count(); ++i) NotifyItem(v, LVN_DELETEITEM, i);
      v->items.clear();
      v->virtualStates.clear();
      v->virtualCount = 0;
      v->top = 0;
      v->mark = -1;
      UpdateScroll(v);
      Redraw(v);
      return TRUE;
    case LVM_GETITEM: {
      auto* it = reinterpret_cast<LVITEM*>(lp);
      if (!it || it->iItem < 0 || it->iItem >= v->Count()) return FALSE;
      Shown s = Display(v, it->iItem, it->iSubItem, it->mask);
      if ((it->mask & LVIF_TEXT) && it->pszText && it->cchTextMax > 0) CopyOut(s.text, it->pszText, static_cast<size_t>(it->cchTextMax));
      if (it->mask & LVIF_IMAGE) it->iImage = s.image;
      if (it->mask & LVIF_STATE) it->state = s.state & it->stateMask;
      if ((it->mask & LVIF_PARAM) && !v->Virtual()) it->lParam = v->items[static_cast<size_t>(it->iItem)].param;
      if ((it->mask & LVIF_INDENT) && !v->Virtual()) it->iIndent = v->items[static_cast<size_t>(it->iItem)].indent;
      return TRUE;
    }
    case LVM_SETITEM:
    case LVM_SETITEMTEXT: {
      auto* it = reinterpret_cast<const LVITEM*>(lp);
      int i = msg == LVM_SETITEMTEXT ? static_cast<int>(wp) : (it ? it->iItem : -1);
      if (!it || i < 0 || i >= v->Count()) return FALSE;
      UINT mask = msg == LVM_SETITEMTEXT ? LVIF_TEXT : it->mask;
      if (mask & LVIF_STATE) ChangeState(v, i, it->state, it->stateMask);
      if (v->Virtual()) return TRUE;
      LvItem& item = v->items[static_cast<size_t>(i)];
      if (mask & LVIF_TEXT) {
        size_t sub = static_cast<size_t>(std::max(0, it->iSubItem));
        if (item.texts.size() <= sub) item.texts.resize(sub + 1), item.callback.resize(sub + 1, false);
        item.callback[sub] = it->pszText == LPSTR_TEXTCALLBACK;
        item.texts[sub] = item.callback[sub] || !it->pszText ? "" : it->pszText;
      }
      if (mask & LVIF_IMAGE) item.image = it->iImage;
      if (mask & LVIF_PARAM) item.param = it->lParam;
      if (mask & LVIF_INDENT) item.indent = it->iIndent;
      Redraw(v);
      return TRUE;
    }
    case LVM_GETITEMTEXT: {
      auto* it = reinterpret_cast<LVITEM*>(lp);
      int i = static_cast<int>(wp);
      if (!it || i < 0 || i >= v->Count() || !it->pszText) return 0;
      return CopyOut(Display(v, i, it->iSubItem, LVIF_TEXT).text, it->pszText, static_cast<size_t>(std::max(it->cchTextMax, 0)));
    }
    case LVM_SETITEMSTATE: {
      auto* it = reinterpret_cast<const LVITEM*>(lp);
      if (!it) return FALSE;
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (i == -1) {
        for (int k = 0; k < v->Count(); ++k) ChangeState(v, k, it->state, it->stateMask);
        return TRUE;
      }
      if (i < 0 || i >= v->Count()) return FALSE;
      return ChangeState(v, i, it->state, it->stateMask);
    }
    case LVM_GETITEMSTATE: return static_cast<LRESULT>(v->StateOf(static_cast<int>(wp)) & static_cast<UINT>(lp));
    case LVM_GETNEXTITEM: {
      int start = static_cast<int>(static_cast<LONG>(wp));
      UINT flags = static_cast<UINT>(lp);
      UINT need = flags & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
      if (flags & LVNI_ABOVE) {
        for (int k = start - 1; k >= 0; --k)
          if ((v->StateOf(k) & need) == need) return k;
        return -1;
      }
      for (int k = start + 1; k < v->Count(); ++k)
        if ((v->StateOf(k) & need) == need) return k;
      return -1;
    }
    case LVM_GETSELECTEDCOUNT: {
      int n = 0;
      for (int k = 0; k < v->Count(); ++k)
        if (v->StateOf(k) & LVIS_SELECTED) ++n;
      return n;
    }
    case LVM_GETSELECTIONMARK: return v->mark;
    case LVM_SETSELECTIONMARK: {
      int old = v->mark;
      v->mark = static_cast<int>(lp);
      return old;
    }
    case LVM_FINDITEM: {
      auto* fi = reinterpret_cast<const LVFINDINFO*>(lp);
      if (!fi || v->Virtual()) return -1;
      int n = v->Count();
      int start = static_cast<int>(static_cast<LONG>(wp));
      String key = fi->psz ? Utf8UpperCase(fi->psz) : String();
      for (int k = 1; k <= n; ++k) {
        int i = start + k;
        if (i >= n) {
          if (!(fi->flags & LVFI_WRAP)) break;
          i -= n;
        }
        const LvItem& it = v->items[static_cast<size_t>(i)];
        if ((fi->flags & LVFI_PARAM) && it.param == fi->lParam) return i;
        if (fi->flags & (LVFI_STRING | LVFI_PARTIAL)) {
          String t = Utf8UpperCase(Display(v, i, 0, LVIF_TEXT).text);
          if ((fi->flags & LVFI_PARTIAL) ? t.compare(0, key.size(), key) == 0 : t == key) return i;
        }
      }
      return -1;
    }
    case LVM_SORTITEMS: {
      auto cmp = reinterpret_cast<PFNLVCOMPARE>(lp);
      if (!cmp || v->Virtual()) return FALSE;
      LPARAM sortParam = static_cast<LPARAM>(wp);
      std::stable_sort(v->items.begin(), v->items.end(),
                       [&](const LvItem& a, const LvItem& b) { return cmp(a.param, b.param, sortParam) < 0; });
      Redraw(v);
      return TRUE;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      int i = static_cast<int>(wp);
      if (!r || i < 0 || i >= v->Count()) return FALSE;
      *r = ItemRect(v, i, r->left);
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* hi = reinterpret_cast<LVHITTESTINFO*>(lp);
      if (!hi) return -1;
      HitTest(v, hi);
      return hi->iItem;
    }
    case LVM_ENSUREVISIBLE: EnsureVisible(v, static_cast<int>(wp)); return TRUE;
    case LVM_SCROLL: {
      int dy = static_cast<int>(static_cast<LONG>(lp));
      int unit = v->View() == LVS_ICON ? IconCellHeight(v) : v->RowHeight();
      int rows = dy >= 0 ? (dy + unit - 1) / unit : -((-dy + unit - 1) / unit);
      SetTop(v, v->top + rows * (v->View() == LVS_ICON ? IconColumns(v) : 1));
      return TRUE;
    }
    case LVM_GETTOPINDEX: return v->top;
    case LVM_GETCOUNTPERPAGE: return PerPage(v);
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: Redraw(v); return TRUE;
    case LVM_ARRANGE: Redraw(v); return TRUE;
    case LVM_GETSTRINGWIDTH: return lp ? TextWidth(v->font, reinterpret_cast<const char*>(lp)) : 0;
    case LVM_EDITLABEL: return reinterpret_cast<LRESULT>(BeginEdit(v, static_cast<int>(static_cast<LONG>(wp))));
    case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(v->edit);
    case LVM_GETCALLBACKMASK: return v->callbackMask;
    case LVM_SETCALLBACKMASK: v->callbackMask = static_cast<UINT>(wp); return TRUE;

    // ---- columns ----
    case LVM_INSERTCOLUMN: {
      auto* c = reinterpret_cast<const LVCOLUMN*>(lp);
      if (!c) return -1;
      Column col;
      if (c->mask & LVCF_FMT) col.fmt = c->fmt;
      if (c->mask & LVCF_WIDTH) col.width = c->cx;
      if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
      int pos = std::clamp(static_cast<int>(wp), 0, static_cast<int>(v->columns.size()));
      col.subItem = (c->mask & LVCF_SUBITEM) ? c->iSubItem : pos;
      v->columns.insert(v->columns.begin() + pos, col);
      InvalidateRect(v->header, nullptr, TRUE);
      Redraw(v);
      return pos;
    }
    case LVM_SETCOLUMN:
    case LVM_GETCOLUMN: {
      auto* c = reinterpret_cast<LVCOLUMN*>(lp);
      int i = static_cast<int>(wp);
      if (!c || i < 0 || i >= static_cast<int>(v->columns.size())) return FALSE;
      Column& col = v->columns[static_cast<size_t>(i)];
      if (msg == LVM_SETCOLUMN) {
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
        if (c->mask & LVCF_WIDTH) col.width = c->cx;
        if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
        if (c->mask & LVCF_SUBITEM) col.subItem = c->iSubItem;
        InvalidateRect(v->header, nullptr, TRUE);
        Redraw(v);
      } else {
        if (c->mask & LVCF_FMT) c->fmt = col.fmt;
        if (c->mask & LVCF_WIDTH) c->cx = col.width;
        if ((c->mask & LVCF_TEXT) && c->pszText && c->cchTextMax > 0) CopyOut(col.text, c->pszText, static_cast<size_t>(c->cchTextMax));
        if (c->mask & LVCF_SUBITEM) c->iSubItem = col.subItem;
      }
      return TRUE;
    }
    case LVM_DELETECOLUMN: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(v->columns.size())) return FALSE;
      v->columns.erase(v->columns.begin() + i);
      InvalidateRect(v->header, nullptr, TRUE);
      Redraw(v);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH: {
      int i = static_cast<int>(wp);
      if (v->View() != LVS_REPORT) return 0;
      return i >= 0 && i < static_cast<int>(v->columns.size()) ? v->columns[static_cast<size_t>(i)].width : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(v->columns.size())) return FALSE;
      int w = static_cast<int>(static_cast<SHORT>(LOWORD(lp)));
      if (w < 0) {
        // -1: as wide as the widest text; -2: as wide as the caption too
        int widest = w == -2 ? TextWidth(v->font, v->columns[static_cast<size_t>(i)].text) + 12 : 0;
        for (int k = 0; k < v->Count(); ++k)
          widest = std::max(widest, TextWidth(v->font, Display(v, k, v->columns[static_cast<size_t>(i)].subItem, LVIF_TEXT).text) + 12);
        w = widest;
      }
      v->columns[static_cast<size_t>(i)].width = w;
      InvalidateRect(v->header, nullptr, TRUE);
      Redraw(v);
      return TRUE;
    }
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(v->header);

    // ---- looks ----
    case LVM_SETIMAGELIST: {
      size_t k = std::min<size_t>(wp, 2);
      HIMAGELIST old = v->images[k];
      v->images[k] = reinterpret_cast<HIMAGELIST>(lp);
      Redraw(v);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST: return reinterpret_cast<LRESULT>(v->images[std::min<size_t>(wp, 2)]);
    case LVM_SETBKCOLOR: v->bk = static_cast<COLORREF>(lp); Redraw(v); return TRUE;
    case LVM_GETBKCOLOR: return static_cast<LRESULT>(v->bk == kNoColor ? GetSysColor(COLOR_WINDOW) : v->bk);
    case LVM_SETTEXTCOLOR: v->text = static_cast<COLORREF>(lp); Redraw(v); return TRUE;
    case LVM_GETTEXTCOLOR: return static_cast<LRESULT>(v->text == kNoColor ? GetSysColor(COLOR_WINDOWTEXT) : v->text);
    case LVM_SETTEXTBKCOLOR: v->textBk = static_cast<COLORREF>(lp); Redraw(v); return TRUE;
    case LVM_GETTEXTBKCOLOR: return static_cast<LRESULT>(v->textBk == kNoColor ? GetSysColor(COLOR_WINDOW) : v->textBk);
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = v->exStyle;
      DWORD mask = wp ? static_cast<DWORD>(wp) : 0xFFFFFFFF;
      v->exStyle = (v->exStyle & ~mask) | (static_cast<DWORD>(lp) & mask);
      Redraw(v);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return v->exStyle;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

// The header: captions of the list view's columns; a click on one is the list view's column click.
LRESULT HeaderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  ListView* v = V(GetParent(h));
  switch (msg) {
    case HDM_GETITEMCOUNT: return v ? static_cast<LRESULT>(v->columns.size()) : 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT c{};
      GetClientRect(h, &c);
      FillRect(dc, &c, GetSysColorBrush(COLOR_BTNFACE));
      if (v) {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        for (int k = 0; k < static_cast<int>(v->columns.size()); ++k) {
          RECT r{ColumnLeft(v, k), 0, ColumnLeft(v, k + 1), c.bottom};
          FrameRect3D(dc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
          DrawRun(dc, v->font, r.left + 6, 3, v->columns[static_cast<size_t>(k)].text);
        }
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONUP:
      if (v && !(v->Style() & LVS_NOSORTHEADER)) {
        int x = GET_X_LPARAM(lp);
        for (int k = 0; k < static_cast<int>(v->columns.size()); ++k)
          if (x >= ColumnLeft(v, k) && x < ColumnLeft(v, k + 1)) NotifyItem(v, LVN_COLUMNCLICK, -1, k);
      }
      return 0;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

LRESULT ListViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  ListView* v = V(h);
  if (msg == WM_NCCREATE) {
    v = new ListView();
    v->hwnd = h;
    SetState(h, v);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!v) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetState(h, nullptr);
    delete v;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(v, h, msg, wp, lp);
}

LRESULT ListHeaderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return HeaderProc(h, msg, wp, lp); }

}  // namespace winapi::ctl
