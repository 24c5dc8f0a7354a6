// The "BUTTON" class: push and default push buttons, check boxes (two and three states, manual and
// automatic), radio buttons with their group, group boxes and owner-drawn buttons.

#include <algorithm>
#include <vector>

#include "winapi/detail/Ctl.h"

namespace winapi::ctl {

namespace {

struct Button {
  HWND hwnd = nullptr;
  LRESULT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
  bool tracking = false;  // the mouse pressed it and holds the capture
  bool spaceDown = false;
  HFONT font = nullptr;

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  DWORD Type() const { return Style() & BS_TYPEMASK; }
  bool IsCheck() const {
    DWORD t = Type();
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE;
  }
  bool IsRadio() const { return Type() == BS_RADIOBUTTON || Type() == BS_AUTORADIOBUTTON; }
  bool IsPush() const { return Type() == BS_PUSHBUTTON || Type() == BS_DEFPUSHBUTTON || Type() == BS_USERBUTTON || Type() == BS_PUSHBOX; }
};

Button* B(HWND h) { return StateOf<Button>(h); }

void Redraw(Button* b) { InvalidateRect(b->hwnd, nullptr, TRUE); }

void SetPushed(Button* b, bool pushed) {
  if (b->pushed == pushed) return;
  b->pushed = pushed;
  Redraw(b);
}

// The siblings of an automatic radio button's group: from the nearest WS_GROUP at or before it to the
// next WS_GROUP after it.
std::vector<HWND> Group(HWND h) {
  std::vector<HWND> all;
  for (HWND c = GetWindow(GetParent(h), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
  auto me = std::find(all.begin(), all.end(), h);
  if (me == all.end()) return {h};
  auto first = me;
  while (first != all.begin() && !(GetWindowLong(*first, GWL_STYLE) & WS_GROUP)) --first;
  auto last = me + 1;
  while (last != all.end() && !(GetWindowLong(*last, GWL_STYLE) & WS_GROUP)) ++last;
  return std::vector<HWND>(first, last);
}

// Radio buttons of any class answer DLGC_RADIOBUTTON; those are the ones a checked sibling clears.
bool IsRadioButton(HWND h) { return (SendMessage(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0; }

void Click(Button* b) {
  switch (b->Type()) {
    case BS_AUTOCHECKBOX: SendMessage(b->hwnd, BM_SETCHECK, b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0); break;
    case BS_AUTO3STATE: SendMessage(b->hwnd, BM_SETCHECK, (b->check + 1) % 3, 0); break;
    case BS_AUTORADIOBUTTON:
      for (HWND s : Group(b->hwnd))
        if (s != b->hwnd && IsRadioButton(s)) SendMessage(s, BM_SETCHECK, BST_UNCHECKED, 0);
      SendMessage(b->hwnd, BM_SETCHECK, BST_CHECKED, 0);
      break;
    default: break;
  }
  if (b->Type() != BS_GROUPBOX) Notify(b->hwnd, BN_CLICKED);
}

void PaintText(Button* b, HDC dc, RECT r, UINT align) {
  std::string t = WindowText(b->hwnd);
  HGDIOBJ old = b->font ? SelectObject(dc, b->font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(b->hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  UINT fmt = align | DT_SINGLELINE | DT_VCENTER;
  if (b->Style() & BS_MULTILINE) fmt = align | DT_WORDBREAK;
  DrawText(dc, t.c_str(), -1, &r, fmt);
  if (old) SelectObject(dc, old);
}

UINT HAlign(Button* b, UINT deflt) {
  switch (b->Style() & BS_CENTER) {
    case BS_LEFT: return DT_LEFT;
    case BS_RIGHT: return DT_RIGHT;
    case BS_CENTER: return DT_CENTER;
    default: return deflt;
  }
}

// A check box's 13-pixel box: the sunken two-pixel edge (dark grey and white outside, black and light grey
// inside) around a 9-pixel well, and in the well, when ticked, the 7-pixel check mark: seven columns three
// pixels tall, falling two columns from the left and rising four to the right. An indeterminate box shows
// the same mark in grey.
void PaintCheckMark(HDC dc, RECT box, LRESULT check) {
  FrameRect3D(dc, box, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  InflateRect(&box, -1, -1);
  FrameRect3D(dc, box, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  if (check == BST_UNCHECKED) return;
  HBRUSH ink = GetSysColorBrush(check == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  // the top row of each column, counted from one pixel inside the well (three from the box's corner)
  static constexpr int kColumnTop[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) {
    RECT col{box.left + 2 + i, box.top + 2 + kColumnTop[i], box.left + 3 + i, box.top + 5 + kColumnTop[i]};
    FillRect(dc, &col, ink);
  }
}

// A WM_PAINT that carries a device context (a double-buffered owner painting into its memory bitmap) is
// drawn there; the update region then belongs to the caller's own BeginPaint.
void Paint(Button* b, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(b->hwnd, &ps);
  RECT c{};
  GetClientRect(b->hwnd, &c);
  DWORD type = b->Type();
  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(b->hwnd));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (b->pushed ? ODS_SELECTED : 0) | (b->focused ? ODS_FOCUS : 0) |
                    (IsWindowEnabled(b->hwnd) ? 0 : ODS_DISABLED);
    dis.hwndItem = b->hwnd;
    dis.hDC = dc;
    dis.rcItem = c;
    SendMessage(GetParent(b->hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    if (!given) EndPaint(b->hwnd, &ps);
    return;
  }
  if (b->IsPush() || (b->Style() & BS_PUSHLIKE)) {
    HBRUSH bg = ControlColor(b->hwnd, WM_CTLCOLORBTN, dc);
    FillRect(dc, &c, bg);
    RECT face = c;
    bool pressed = b->pushed || ((b->Style() & BS_PUSHLIKE) && b->check);
    if (type == BS_DEFPUSHBUTTON) {
      FrameRect3D(dc, face, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
      InflateRect(&face, -1, -1);
    }
    RECT face2 = face;
    FillRect(dc, &face2, GetSysColorBrush(COLOR_BTNFACE));
    if (pressed) {
      FrameRect3D(dc, face, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    } else {
      FrameRect3D(dc, face, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
      InflateRect(&face, -1, -1);
      FrameRect3D(dc, face, COLOR_BTNFACE, COLOR_BTNSHADOW);
    }
    RECT tr = c;
    if (pressed) OffsetRect(&tr, 1, 1);
    PaintText(b, dc, tr, HAlign(b, DT_CENTER));
    if (b->focused) {
      RECT f = c;
      InflateRect(&f, -4, -4);
      DottedFocusRect(dc, f);
    }
    if (!given) EndPaint(b->hwnd, &ps);
    return;
  }
  HBRUSH bg = ControlColor(b->hwnd, WM_CTLCOLORSTATIC, dc);
  FillRect(dc, &c, bg);
  int h = std::max(1, LineHeight(b->font));
  if (type == BS_GROUPBOX) {
    RECT frame{c.left, c.top + h / 2, c.right, c.bottom};
    FrameRect3D(dc, frame, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    std::string t = WindowText(b->hwnd);
    if (!t.empty()) {
      int w = TextWidth(b->font, t);
      RECT tr{c.left + 8, c.top, c.left + 8 + w + 4, c.top + h};
      FillRect(dc, &tr, bg);
      tr.left += 2;
      PaintText(b, dc, tr, DT_LEFT);
    }
    if (!given) EndPaint(b->hwnd, &ps);
    return;
  }
  // check boxes and radio buttons: a 13-pixel mark and the text beside it
  constexpr int kMark = 13;
  bool leftText = (b->Style() & BS_LEFTTEXT) != 0;
  int top = c.top + (c.bottom - c.top - kMark) / 2;
  RECT mark = leftText ? RECT{c.right - kMark, top, c.right, top + kMark} : RECT{c.left, top, c.left + kMark, top + kMark};
  FillRect(dc, &mark, GetSysColorBrush(b->pushed ? COLOR_BTNFACE : COLOR_WINDOW));
  if (b->IsCheck()) {
    PaintCheckMark(dc, mark, b->check);
  } else {
    FrameRect3D(dc, mark, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (b->check) {
      RECT dot = mark;
      InflateRect(&dot, -3, -3);
      FillRect(dc, &dot, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
  }
  RECT tr = leftText ? RECT{c.left, c.top, c.right - kMark - 4, c.bottom} : RECT{c.left + kMark + 4, c.top, c.right, c.bottom};
  PaintText(b, dc, tr, HAlign(b, DT_LEFT));
  if (b->focused) {
    std::string t = WindowText(b->hwnd);
    int w = TextWidth(b->font, t);
    RECT f{tr.left - 1, tr.top + (tr.bottom - tr.top - h) / 2 - 1, tr.left + w + 1, 0};
    f.bottom = f.top + h + 2;
    DottedFocusRect(dc, f);
  }
  if (!given) EndPaint(b->hwnd, &ps);
}

LRESULT DlgCode(Button* b) {
  switch (b->Type()) {
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_PUSHBUTTON:
    case BS_PUSHBOX:
    case BS_USERBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX: return DLGC_STATIC;
    default: return DLGC_BUTTON;
  }
}

LRESULT Handle(Button* b, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: Paint(b, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST:
      if (b->Type() == BS_GROUPBOX) return HTTRANSPARENT;
      break;
    case WM_GETDLGCODE: return DlgCode(b);
    case WM_SETFONT:
      b->font = reinterpret_cast<HFONT>(wp);
      if (lp) Redraw(b);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(b->font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(h, msg, wp, lp);
      Redraw(b);
      return r;
    }
    case WM_ENABLE: Redraw(b); return 0;
    case WM_SETFOCUS:
      b->focused = true;
      Redraw(b);
      if (b->Style() & BS_NOTIFY) Notify(h, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      b->focused = false;
      b->spaceDown = false;
      if (b->tracking) {
        b->tracking = false;
        if (GetCapture() == h) ReleaseCapture();
      }
      SetPushed(b, false);
      Redraw(b);
      if (b->Style() & BS_NOTIFY) Notify(h, BN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (b->IsRadio() || b->Type() == BS_OWNERDRAW || (b->Style() & BS_NOTIFY)) {
        if (!b->IsPush() || (b->Style() & BS_NOTIFY)) {
          Notify(h, BN_DOUBLECLICKED);
          return 0;
        }
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (b->Type() == BS_GROUPBOX) return 0;
      if (GetFocus() != h) SetFocus(h);
      b->tracking = true;
      SetCapture(h);
      SetPushed(b, true);
      return 0;
    case WM_MOUSEMOVE:
      if (b->tracking) {
        RECT c{};
        GetClientRect(h, &c);
        SetPushed(b, PtInRect(&c, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}));
      }
      return 0;
    case WM_LBUTTONUP:
      if (b->tracking) {
        b->tracking = false;
        bool was = b->pushed;
        SetPushed(b, false);
        ReleaseCapture();
        if (was) Click(b);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (b->tracking) {
        b->tracking = false;
        SetPushed(b, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE && b->Type() != BS_GROUPBOX) {
        if (!(lp & 0x40000000)) {
          b->spaceDown = true;
          SetPushed(b, true);
        }
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wp == VK_SPACE && b->spaceDown) {
        b->spaceDown = false;
        bool was = b->pushed;
        SetPushed(b, false);
        if (was) Click(b);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == U' ') return 0;
      break;
    case BM_GETCHECK: return b->IsCheck() || b->IsRadio() ? b->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      if (!b->IsCheck() && !b->IsRadio()) return 0;
      LRESULT v = static_cast<LRESULT>(wp);
      if (v == BST_INDETERMINATE && b->Type() != BS_3STATE && b->Type() != BS_AUTO3STATE) v = BST_CHECKED;
      if (v != b->check) {
        b->check = v;
        Redraw(b);
      }
      // an automatic radio button is a tab stop exactly when it is checked
      if (b->Type() == BS_AUTORADIOBUTTON) {
        LONG st = GetWindowLong(h, GWL_STYLE);
        SetWindowLong(h, GWL_STYLE, v ? (st | static_cast<LONG>(WS_TABSTOP)) : (st & ~static_cast<LONG>(WS_TABSTOP)));
      }
      return 0;
    }
    case BM_GETSTATE: return b->check | (b->pushed ? BST_PUSHED : 0) | (b->focused ? BST_FOCUS : 0);
    case BM_SETSTATE: SetPushed(b, wp != 0); return 0;
    case BM_SETSTYLE: {
      LONG st = GetWindowLong(h, GWL_STYLE);
      SetWindowLong(h, GWL_STYLE, (st & ~0xFFFF) | static_cast<LONG>(wp & 0xFFFF));
      if (lp) Redraw(b);
      return 0;
    }
    case BM_CLICK:
      if (!IsWindowEnabled(h)) return 0;
      SendMessage(h, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessage(h, WM_LBUTTONUP, 0, 0);
      return 0;
    default: break;
  }
  return DefWindowProc(h, msg, wp, lp);
}

}  // namespace

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Button* b = B(h);
  if (msg == WM_NCCREATE) {
    b = new Button();
    b->hwnd = h;
    SetState(h, b);
    return DefWindowProc(h, msg, wp, lp);
  }
  if (!b) return DefWindowProc(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetState(h, nullptr);
    delete b;
    return DefWindowProc(h, msg, wp, lp);
  }
  return Handle(b, h, msg, wp, lp);
}

}  // namespace winapi::ctl
