// The "COMBOBOX" class: simple, drop-down and drop-down list combo boxes made of an "EDIT" (or a drawn
// selection field) and a "LISTBOX" that is a child (simple) or a top-level popup shown below the box.
//
// While the list is dropped the combo box holds the mouse capture: moving over the list follows the
// mouse, a release over an item chooses it, a press outside cancels. Choosing notifies CBN_SELENDOK,
// CBN_CLOSEUP, then CBN_SELCHANGE when the selection changed; cancelling CBN_SELENDCANCEL, CBN_CLOSEUP.

#include <algorithm>
#include <string>

#include "rtl/Utf8.h"
#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

void SetListNotifyWindow(HWND list, HWND to);

namespace {

constexpr int kEditId = 1001;
constexpr int kListId = 1000;

struct Combo {
  HWND hwnd = nullptr;
  HWND edit = nullptr;
  HWND list = nullptr;
  WNDPROC editProc = nullptr;
  HFONT font = nullptr;
  int dropHeight = 100;
  int droppedWidth = 0;
  int fieldHeight = 0;
  bool dropped = false;
  bool focused = false;
  bool extendedUI = false;
  bool pressedButton = false;  // the press that dropped the list is still held
  int selAtDrop = -1;
  bool settingText = false;  // the box itself fills its edit: no edit notifications

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  DWORD Kind() const { return Style() & 3; }
  bool Simple() const { return Kind() == CBS_SIMPLE; }
  bool DropList() const { return Kind() == CBS_DROPDOWNLIST; }
  int Cur() const { return static_cast<int>(SendMessage(list, LB_GETCURSEL, 0, 0)); }
};

Combo* C(HWND h) { return StateOf<Combo>(h); }

std::string ItemText(Combo* c, int i) {
  if (i < 0) return {};
  LRESULT n = SendMessage(c->list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n < 0) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  s.resize(static_cast<size_t>(SendMessage(c->list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()))));
  return s;
}

// The edit (or the drawn field) shows the selected item.
void ShowSelection(Combo* c) {
  if (c->edit) {
    std::string t = ItemText(c, c->Cur());
    c->settingText = true;
    SendMessage(c->edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
    c->settingText = false;
    if (GetFocus() == c->edit) SendMessage(c->edit, EM_SETSEL, 0, -1);
  }
  InvalidateRect(c->hwnd, nullptr, TRUE);
}

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

void Layout(Combo* c) {
  RECT r{};
  GetClientRect(c->hwnd, &r);
  if (c->Simple()) {
    if (c->edit) MoveWindow(c->edit, 0, 0, r.right, c->fieldHeight, TRUE);
    MoveWindow(c->list, 0, c->fieldHeight, r.right, std::max(0, static_cast<int>(r.bottom) - c->fieldHeight), TRUE);
    return;
  }
  if (c->edit) MoveWindow(c->edit, 2, 2, std::max(0, static_cast<int>(r.right) - ButtonWidth() - 4), std::max(0, static_cast<int>(r.bottom) - 4), TRUE);
}

RECT DroppedRect(Combo* c) {
  RECT w{};
  GetWindowRect(c->hwnd, &w);
  int width = std::max(static_cast<int>(w.right - w.left), c->droppedWidth);
  return RECT{w.left, w.bottom, w.left + width, w.bottom + std::max(c->dropHeight, 16)};
}

void CloseUp(Combo* c, bool ok) {
  if (!c->dropped) return;
  Notify(c->hwnd, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
  if (!ok) {
    SendMessage(c->list, LB_SETCURSEL, static_cast<WPARAM>(c->selAtDrop), 0);
    ShowSelection(c);
  }
  c->dropped = false;
  c->pressedButton = false;
  ShowWindow(c->list, SW_HIDE);
  if (GetCapture() == c->hwnd) ReleaseCapture();
  InvalidateRect(c->hwnd, nullptr, TRUE);
  Notify(c->hwnd, CBN_CLOSEUP);
  if (ok && c->Cur() != c->selAtDrop) Notify(c->hwnd, CBN_SELCHANGE);
}

void DropDown(Combo* c) {
  if (c->dropped || c->Simple()) return;
  Notify(c->hwnd, CBN_DROPDOWN);
  c->selAtDrop = c->Cur();
  RECT r = DroppedRect(c);
  SetWindowPos(c->list, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (c->selAtDrop >= 0) SendMessage(c->list, LB_SETTOPINDEX, static_cast<WPARAM>(c->selAtDrop), 0);
  c->dropped = true;
  SetCapture(c->hwnd);
  InvalidateRect(c->hwnd, nullptr, TRUE);
}

// Moves the selection by a key; returns whether the key was one of the selection keys.
bool SelectionKey(Combo* c, int vk) {
  if ((vk == VK_F4) || ((vk == VK_DOWN || vk == VK_UP) && GetKeyState(VK_MENU) < 0)) {
    if (c->dropped) CloseUp(c, true);
    else DropDown(c);
    return true;
  }
  if (c->dropped && vk == VK_RETURN) {
    CloseUp(c, true);
    return true;
  }
  if (c->dropped && vk == VK_ESCAPE) {
    CloseUp(c, false);
    return true;
  }
  if (c->extendedUI && !c->dropped && vk == VK_DOWN) {
    DropDown(c);
    return true;
  }
  int n = static_cast<int>(SendMessage(c->list, LB_GETCOUNT, 0, 0));
  int cur = c->Cur();
  int target;
  switch (vk) {
    case VK_UP: target = cur < 0 ? 0 : cur - 1; break;
    case VK_DOWN: target = cur + 1; break;
    case VK_HOME: if (c->edit) return false; target = 0; break;
    case VK_END: if (c->edit) return false; target = n - 1; break;
    case VK_PRIOR: target = cur - 8; break;
    case VK_NEXT: target = cur + 8; break;
    default: return false;
  }
  if (n == 0) return true;
  target = std::clamp(target, 0, n - 1);
  if (target != cur) {
    SendMessage(c->list, LB_SETCURSEL, static_cast<WPARAM>(target), 0);
    ShowSelection(c);
    // an open list only moves its highlight; closing it decides
    if (!c->dropped) Notify(c->hwnd, CBN_SELCHANGE);
  }
  return true;
}

LRESULT ComboEditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Combo* c = C(GetParent(h));
  if (c && (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && SelectionKey(c, static_cast<int>(wp))) return 0;
  if (c && msg == WM_CHAR && c->dropped && (wp == U'\r' || wp == 27)) return 0;
  if (c && msg == WM_GETDLGCODE) {
    LRESULT r = CallWindowProc(c->editProc, h, msg, wp, lp);
    if (c->dropped) r |= DLGC_WANTALLKEYS;
    return r;
  }
  return CallWindowProc(c ? c->editProc : EditProc, h, msg, wp, lp);
}

void PaintField(Combo* c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(c->hwnd, &ps);
  RECT r{};
  GetClientRect(c->hwnd, &r);
  if (c->Simple()) {
    FillRect(dc, &r, ControlColor(c->hwnd, WM_CTLCOLORSTATIC, dc));
    EndPaint(c->hwnd, &ps);
    return;
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  HBRUSH bg = ControlColor(c->hwnd, c->edit ? WM_CTLCOLOREDIT : WM_CTLCOLORLISTBOX, dc);
  FillRect(dc, &r, bg);
  FrameRect3D(dc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  RECT btn{r.right - ButtonWidth() - 1, r.top + 1, r.right - 1, r.bottom - 1};
  FillRect(dc, &btn, GetSysColorBrush(COLOR_BTNFACE));
  if (c->dropped && c->pressedButton) FrameRect3D(dc, btn, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
  else FrameRect3D(dc, btn, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
  // the arrow: a small downward triangle of rows
  int cx = (btn.left + btn.right) / 2, cy = (btn.top + btn.bottom) / 2 - 1;
  for (int i = 0; i < 4; ++i) {
    RECT row{cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1};
    FillRect(dc, &row, GetSysColorBrush(IsWindowEnabled(c->hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  }
  if (!c->edit) {
    RECT field{r.left + 2, r.top + 2, btn.left - 1, r.bottom - 2};
    int cur = c->Cur();
    DWORD st = c->Style();
    if (st & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_COMBOBOX;
      dis.CtlID = static_cast<UINT>(GetDlgCtrlID(c->hwnd));
      dis.itemID = static_cast<UINT>(cur);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = ODS_COMBOBOXEDIT | (c->focused && !c->dropped ? ODS_SELECTED | ODS_FOCUS : 0) |
                      (IsWindowEnabled(c->hwnd) ? 0 : ODS_DISABLED);
      dis.hwndItem = c->hwnd;
      dis.hDC = dc;
      dis.rcItem = field;
      dis.itemData = cur >= 0 ? static_cast<ULONG_PTR>(SendMessage(c->list, LB_GETITEMDATA, static_cast<WPARAM>(cur), 0)) : 0;
      SendMessage(GetParent(c->hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    } else {
      COLORREF text = GetTextColor(dc);
      if (c->focused && !c->dropped) {
        FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
        text = GetSysColor(COLOR_HIGHLIGHTTEXT);
        DottedFocusRect(dc, field);
      }
      SetTextColor(dc, text);
      DrawRun(dc, c->font, field.left + 2, field.top + (field.bottom - field.top - LineHeight(c->font)) / 2, ItemText(c, cur));
    }
  }
  EndPaint(c->hwnd, &ps);
}

// Forwards an owner-draw request of the list to the combo box's parent as the combo box's own.
LRESULT ForwardOwnerDraw(Combo* c, UINT msg, LPARAM lp) {
  UINT id = static_cast<UINT>(GetDlgCtrlID(c->hwnd));
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    dis->CtlType = ODT_COMBOBOX;
    dis->CtlID = id;
  } else {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    mis->CtlType = ODT_COMBOBOX;
    mis->CtlID = id;
  }
  return SendMessage(GetParent(c->hwnd), msg, id, lp);
}

void Focus(Combo* c, bool in) {
  if (c->focused == in) return;
  c->focused = in;
  if (!in) CloseUp(c, false);
  InvalidateRect(c->hwnd, nullptr, TRUE);
  Notify(c->hwnd, in ? CBN_SETFOCUS : CBN_KILLFOCUS);
}

LRESULT Handle(Combo* c, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
      c->fieldHeight = std::max(1, LineHeight(c->font)) + 6;
      DWORD kind = cs->style & 3;
      if (kind != CBS_DROPDOWNLIST) {
        DWORD es = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
        if (cs->style & CBS_UPPERCASE) es |= ES_UPPERCASE;
        if (cs->style & CBS_LOWERCASE) es |= ES_LOWERCASE;
        c->edit = CreateWindowEx(0, "EDIT", "", es | (kind == CBS_SIMPLE ? WS_BORDER : 0), 0, 0, 10, 10, h,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(kEditId)), nullptr, nullptr);
        c->editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(c->edit, GWLP_WNDPROC));
        SetWindowLongPtr(c->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditSubclass));
      }
      DWORD ls = LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
      if (cs->style & CBS_SORT) ls |= LBS_SORT;
      if (cs->style & CBS_HASSTRINGS) ls |= LBS_HASSTRINGS;
      if (cs->style & CBS_OWNERDRAWFIXED) ls |= LBS_OWNERDRAWFIXED;
      if (cs->style & CBS_OWNERDRAWVARIABLE) ls |= LBS_OWNERDRAWVARIABLE;
      if (kind == CBS_SIMPLE) {
        c->list = CreateWindowEx(0, "LISTBOX", "", ls | WS_CHILD | WS_VISIBLE, 0, c->fieldHeight, cs->cx, 10, h,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(kListId)), nullptr, h);
      } else {
        c->dropHeight = std::max(cs->cy - c->fieldHeight, 16);
        c->list = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "LISTBOX", "", ls | WS_POPUP, 0, 0, cs->cx,
                                 c->dropHeight, h, nullptr, nullptr, h);
        SetListNotifyWindow(c->list, h);
        // the box itself is as tall as its selection field; the rest was the height of the list
        SetWindowPos(h, nullptr, 0, 0, cs->cx, c->fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if (cs->lpszName && reinterpret_cast<uintptr_t>(cs->lpszName) >= 0x10000 && c->edit) {
        c->settingText = true;
        SendMessage(c->edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(cs->lpszName));
        c->settingText = false;
      }
      Layout(c);
      return 0;
    }
    case WM_DESTROY:
      if (c->list && !c->Simple()) DestroyWindow(c->list);
      c->list = nullptr;
      return 0;
    case WM_SIZE: Layout(c); return 0;
    case WM_PAINT: PaintField(c); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      c->font = reinterpret_cast<HFONT>(wp);
      if (c->edit) SendMessage(c->edit, WM_SETFONT, wp, lp);
      SendMessage(c->list, WM_SETFONT, wp, lp);
      if (lp) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(c->font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | (c->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETFOCUS:
      if (c->edit) {
        SetFocus(c->edit);
        SendMessage(c->edit, EM_SETSEL, 0, -1);
      } else {
        Focus(c, true);
      }
      return 0;
    case WM_KILLFOCUS:
      if (!c->edit) Focus(c, false);
      return 0;
    case WM_ENABLE:
      if (c->edit) EnableWindow(c->edit, wp != 0);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (SelectionKey(c, static_cast<int>(wp))) return 0;
      break;
    case WM_CHAR:
      if (!c->edit && wp >= 32) {
        std::string key;
        Utf8Append(key, static_cast<char32_t>(wp));
        int i = static_cast<int>(SendMessage(c->list, LB_FINDSTRING, static_cast<WPARAM>(c->Cur()), reinterpret_cast<LPARAM>(key.c_str())));
        if (i >= 0 && i != c->Cur()) {
          SendMessage(c->list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
          ShowSelection(c);
          Notify(h, CBN_SELCHANGE);
        }
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT r{};
      GetClientRect(h, &r);
      if (c->dropped) {
        if (!PtInRect(&r, p)) {
          // a press outside the box: inside the list it starts a choice, elsewhere it cancels
          POINT s = p;
          ClientToScreen(h, &s);
          RECT lr{};
          GetWindowRect(c->list, &lr);
          if (!PtInRect(&lr, s)) CloseUp(c, false);
          return 0;
        }
        CloseUp(c, true);
        return 0;
      }
      if (c->Simple()) return 0;
      if (GetFocus() != h && GetFocus() != c->edit) SetFocus(h);
      if (c->DropList() || p.x >= r.right - ButtonWidth() - 1) {
        DropDown(c);
        c->pressedButton = true;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (c->dropped) {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        MapWindowPoints(h, c->list, &p, 1);
        RECT lr{};
        GetClientRect(c->list, &lr);
        if (PtInRect(&lr, p)) {
          c->pressedButton = false;
          LRESULT hit = SendMessage(c->list, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
          if (!HIWORD(hit) && static_cast<int>(LOWORD(hit)) != c->Cur()) {
            SendMessage(c->list, LB_SETCURSEL, LOWORD(hit), 0);
            if (c->edit) ShowSelection(c);
          }
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (c->dropped) {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        MapWindowPoints(h, c->list, &p, 1);
        RECT lr{};
        GetClientRect(c->list, &lr);
        if (PtInRect(&lr, p)) {
          LRESULT hit = SendMessage(c->list, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
          if (!HIWORD(hit)) {
            SendMessage(c->list, LB_SETCURSEL, LOWORD(hit), 0);
            ShowSelection(c);
            CloseUp(c, true);
          }
        }
        c->pressedButton = false;
        InvalidateRect(h, nullptr, TRUE);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (c->dropped && reinterpret_cast<HWND>(lp) != h) CloseUp(c, false);
      return 0;
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      WORD code = HIWORD(wp);
      if (from == c->edit && c->edit) {
        switch (code) {
          case EN_CHANGE:
            if (!c->settingText) Notify(h, CBN_EDITCHANGE);
            break;
          case EN_UPDATE:
            if (!c->settingText) Notify(h, CBN_EDITUPDATE);
            break;
          case EN_SETFOCUS: Focus(c, true); break;
          case EN_KILLFOCUS: Focus(c, false); break;
          default: break;
        }
      } else if (from == c->list) {
        if (code == LBN_SELCHANGE && c->Simple()) {
          ShowSelection(c);
          Notify(h, CBN_SELCHANGE);
        } else if (code == LBN_DBLCLK && c->Simple()) {
          Notify(h, CBN_DBLCLK);
        }
      }
      return 0;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM: return ForwardOwnerDraw(c, msg, lp);
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      HWND parent = GetParent(h);
      return parent ? SendMessage(parent, msg, wp, lp) : DefWindowProc(h, msg, wp, lp);
    }

    // ---- text ----
    case WM_SETTEXT:
      // Text set by the program is no user edit: no CBN_EDITCHANGE/CBN_EDITUPDATE.
      if (c->edit) {
        c->settingText = true;
        LRESULT r = SendMessage(c->edit, WM_SETTEXT, wp, lp);
        c->settingText = false;
        return r;
      }
      {
        int i = static_cast<int>(SendMessage(c->list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lp));
        if (i < 0) return CB_ERR;
        SendMessage(c->list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        ShowSelection(c);
        return TRUE;
      }
    case WM_GETTEXT:
      if (c->edit) return SendMessage(c->edit, WM_GETTEXT, wp, lp);
      return CopyOut(ItemText(c, c->Cur()), reinterpret_cast<char*>(lp), wp);
    case WM_GETTEXTLENGTH:
      if (c->edit) return SendMessage(c->edit, WM_GETTEXTLENGTH, 0, 0);
      return static_cast<LRESULT>(ItemText(c, c->Cur()).size());

    // ---- CB_ messages ----
    case CB_ADDSTRING: return SendMessage(c->list, LB_ADDSTRING, wp, lp);
    case CB_INSERTSTRING: return SendMessage(c->list, LB_INSERTSTRING, wp, lp);
    case CB_DELETESTRING: {
      LRESULT r = SendMessage(c->list, LB_DELETESTRING, wp, lp);
      InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case CB_RESETCONTENT:
      SendMessage(c->list, LB_RESETCONTENT, 0, 0);
      if (c->edit) SendMessage(c->edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
      InvalidateRect(h, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return SendMessage(c->list, LB_GETCOUNT, 0, 0);
    case CB_GETLBTEXT: return SendMessage(c->list, LB_GETTEXT, wp, lp);
    case CB_GETLBTEXTLEN: return SendMessage(c->list, LB_GETTEXTLEN, wp, lp);
    case CB_GETITEMDATA: return SendMessage(c->list, LB_GETITEMDATA, wp, lp);
    case CB_SETITEMDATA: return SendMessage(c->list, LB_SETITEMDATA, wp, lp);
    case CB_FINDSTRING: return SendMessage(c->list, LB_FINDSTRING, wp, lp);
    case CB_FINDSTRINGEXACT: return SendMessage(c->list, LB_FINDSTRINGEXACT, wp, lp);
    case CB_GETCURSEL: return c->Cur();
    case CB_SETCURSEL: {
      LRESULT r = SendMessage(c->list, LB_SETCURSEL, wp, 0);
      if (r >= 0 || static_cast<int>(static_cast<LONG>(wp)) == -1) ShowSelection(c);
      return r;
    }
    case CB_SELECTSTRING: {
      int i = static_cast<int>(SendMessage(c->list, LB_FINDSTRING, wp, lp));
      if (i < 0) return CB_ERR;
      SendMessage(c->list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      ShowSelection(c);
      return i;
    }
    case CB_SHOWDROPDOWN:
      if (wp) DropDown(c);
      else CloseUp(c, false);
      return TRUE;
    case CB_GETDROPPEDSTATE: return c->dropped;
    case CB_GETDROPPEDCONTROLRECT:
      if (lp) *reinterpret_cast<RECT*>(lp) = DroppedRect(c);
      return TRUE;
    case CB_SETDROPPEDWIDTH: c->droppedWidth = static_cast<int>(wp); return c->droppedWidth;
    case CB_GETDROPPEDWIDTH: {
      RECT w{};
      GetWindowRect(h, &w);
      return std::max(static_cast<int>(w.right - w.left), c->droppedWidth);
    }
    case CB_SETEXTENDEDUI: c->extendedUI = wp != 0; return CB_OKAY;
    case CB_GETEXTENDEDUI: return c->extendedUI;
    case CB_GETTOPINDEX: return SendMessage(c->list, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX: return SendMessage(c->list, LB_SETTOPINDEX, wp, 0);
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(static_cast<LONG>(wp)) == -1) return c->fieldHeight - 6;
      return SendMessage(c->list, LB_GETITEMHEIGHT, wp, 0);
    case CB_SETITEMHEIGHT:
      if (static_cast<int>(static_cast<LONG>(wp)) == -1) {
        c->fieldHeight = static_cast<int>(lp) + 6;
        if (!c->Simple()) {
          RECT w{};
          GetWindowRect(h, &w);
          SetWindowPos(h, nullptr, 0, 0, w.right - w.left, c->fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        Layout(c);
        return CB_OKAY;
      }
      return SendMessage(c->list, LB_SETITEMHEIGHT, wp, lp);
    case CB_GETEDITSEL: return c->edit ? SendMessage(c->edit, EM_GETSEL, wp, lp) : CB_ERR;
    case CB_SETEDITSEL:
      if (!c->edit) return CB_ERR;
      SendMessage(c->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(lp))), static_cast<SHORT>(HIWORD(lp)));
      return TRUE;
    case CB_LIMITTEXT:
      if (c->edit) SendMessage(c->edit, EM_LIMITTEXT, wp, 0);
      return TRUE;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

LRESULT ComboBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Combo* c = C(h);
  if (msg == WM_NCCREATE) {
    c = new Combo();
    c->hwnd = h;
    SetState(h, c);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!c) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetState(h, nullptr);
    delete c;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(c, h, msg, wp, lp);
}

}  // namespace winapi::ctl
