#include "forms/Menus.h"

#include <algorithm>
#include <cstdlib>

#include "forms/ActnList.h"
#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"

RTL_PUBLISHED(TMenuItem) {
  prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Type(TypeInfoAlias("TShortCut", TypeInfo<uint16_t>())).Default(0);
  prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  prop("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false);
  prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
  prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1);
  prop("Action", &TMenuItem::Action, &TMenuItem::SetAction);
  event("OnClick", &TMenuItem::OnClick, &TMenuItem::OnClick);
}

RTL_PUBLISHED(TPopupMenu) {
  prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  prop("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment).Default(paLeft);
  event("OnPopup", &TPopupMenu::OnPopup, &TPopupMenu::OnPopup);
}

// ===================================================================================================
// Shortcuts and hotkeys

TShortCut ShortCut(uint16_t key, TShiftState shift) {
  if (key & 0xFF00) return 0;
  TShortCut r = key;
  if (shift.Contains(ssShift)) r |= scShift;
  if (shift.Contains(ssCtrl)) r |= scCtrl;
  if (shift.Contains(ssAlt)) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut sc, uint16_t& key, TShiftState& shift) {
  key = sc & 0xFF;
  shift = {};
  if (sc & scShift) shift.Include(ssShift);
  if (sc & scCtrl) shift.Include(ssCtrl);
  if (sc & scAlt) shift.Include(ssAlt);
}

namespace {
struct KeyName {
  uint16_t Key;
  const char* Name;
};
const KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
    {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"}};

String KeyText(uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return String(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F1 + 23) return "F" + std::to_string(key - VK_F1 + 1);
  for (const auto& k : kKeyNames)
    if (k.Key == key) return k.Name;
  return String();
}
}  // namespace

String ShortCutToText(TShortCut sc) {
  String name = KeyText(sc & 0xFF);
  if (name.empty()) return String();
  String r;
  if (sc & scShift) r += "Shift+";
  if (sc & scCtrl) r += "Ctrl+";
  if (sc & scAlt) r += "Alt+";
  return r + name;
}

TShortCut TextToShortCut(const String& text) {
  String t = text;
  TShortCut mods = 0;
  for (;;) {
    String up = AnsiUpperCase(t);
    if (up.rfind("SHIFT+", 0) == 0) { mods |= scShift; t = t.substr(6); }
    else if (up.rfind("CTRL+", 0) == 0) { mods |= scCtrl; t = t.substr(5); }
    else if (up.rfind("ALT+", 0) == 0) { mods |= scAlt; t = t.substr(4); }
    else break;
  }
  if (t.empty()) return 0;
  for (uint16_t key = 8; key < 255; ++key)
    if (!KeyText(key).empty() && SameText(KeyText(key), t)) return mods | key;
  return 0;
}

String StripHotkey(const String& text) {
  String r;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        r += '&';
        ++i;
      }
      continue;
    }
    r += text[i];
  }
  return r;
}

char32_t GetHotkey(const String& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return UnicodeToUpper(Utf8CodePointAt(text, i + 1));
  }
  return 0;
}

// ===================================================================================================
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}
TMenuItem::~TMenuItem() { delete FActionLink; }

void TMenuItem::BeforeDestruction() {
  while (!FItems.empty()) FItems.back()->Free();
  if (FParent) FParent->Remove(this);
  inherited::BeforeDestruction();
}

void TMenuItem::SetCaption(const String& v) { FCaption = v; }

void TMenuItem::SetChecked(bool v) {
  if (FChecked == v) return;
  FChecked = v;
  // Checking a radio item unchecks the others of its group.
  if (v && FRadioItem && FParent)
    for (TMenuItem* i : FParent->FItems)
      if (i != this && i->FRadioItem && i->FGroupIndex == FGroupIndex) i->FChecked = false;
}

int32_t TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(const_cast<TMenuItem*>(this)) : -1; }

void TMenuItem::SetMenuIndex(int32_t v) {
  if (!FParent) return;
  TMenuItem* p = FParent;
  auto& l = p->FItems;
  l.erase(std::find(l.begin(), l.end(), this));
  v = std::clamp<int32_t>(v, 0, static_cast<int32_t>(l.size()));
  l.insert(l.begin() + v, this);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int32_t index, TMenuItem* item) {
  if (item->FParent) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
}

void TMenuItem::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  FItems[static_cast<size_t>(index)]->FParent = nullptr;
  FItems.erase(FItems.begin() + index);
}

void TMenuItem::Remove(TMenuItem* item) {
  int32_t i = IndexOf(item);
  if (i < 0) throw EMenuError("Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

int32_t TMenuItem::IndexOf(TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& caption) {
  String want = StripHotkey(caption);
  for (TMenuItem* i : FItems)
    if (AnsiCompareText(StripHotkey(i->FCaption), want) == 0) return i;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  TBasicAction* action = Action();
  if (OnClick && action && OnClick != action->OnExecute()) {
    if (FAutoCheck) SetChecked(!FChecked);
    OnClick(this);
  } else if (action) {
    FActionLink->Execute(this);
  } else {
    if (FAutoCheck) SetChecked(!FChecked);
    if (OnClick) OnClick(this);
  }
}

TBasicAction* TMenuItem::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TMenuItem::SetAction(TBasicAction* v) {
  if (!v) {
    delete FActionLink;
    FActionLink = nullptr;
    return;
  }
  if (!FActionLink) FActionLink = new TMenuActionLink(this);
  FActionLink->SetAction(v);
  static_cast<TMenuActionLink*>(FActionLink)->AssignFromAction();
  v->FreeNotification(this);
}

void TMenuItem::ActionFreed() {
  delete FActionLink;
  FActionLink = nullptr;
}

void TMenuItem::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TMenuItem* i : FItems)
    if (i->Owner() == root) proc(i);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* value) {
  if (FParent) FParent->Remove(this);
  if (auto* m = dynamic_cast<TMenu*>(value))
    m->Items()->Add(this);
  else if (auto* i = dynamic_cast<TMenuItem*>(value))
    i->Add(this);
}

// ===================================================================================================
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
  FItems = new TMenuItem(nullptr);
  FItems->FMenu = this;
}

TMenu::~TMenu() = default;

void TMenu::BeforeDestruction() {
  FItems->Free();
  FItems = nullptr;
  inherited::BeforeDestruction();
}

void TMenu::GetChildren(TGetChildProc proc, TComponent* root) { FItems->GetChildren(proc, root); }

static TMenuItem* FindShortCut(TMenuItem* item, TShortCut sc) {
  for (int32_t i = 0; i < item->Count(); ++i) {
    TMenuItem* c = item->Items(i);
    if (!c->Visible()) continue;
    if (c->ShortCut() == sc && c->Enabled()) return c;
    if (TMenuItem* r = FindShortCut(c, sc)) return r;
  }
  return nullptr;
}

TMenuItem* TMenu::FindItem(TShortCut sc) { return sc ? FindShortCut(FItems, sc) : nullptr; }

bool TMenu::IsShortCut(TMessage& m) {
  uint16_t key = static_cast<uint16_t>(m.WParam);
  TShiftState shift = KeyDataToShiftState(m.LParam);
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  TMenuItem* item = FindItem(ShortCut(key, shift));
  if (!item) return false;
  item->Click();
  return true;
}

// ===================================================================================================
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

namespace {
TPopupMenu* gActivePopup = nullptr;

LRESULT PopupWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH face = CreateSolidBrush(ColorToRGB(clMenu));
    FillRect(dc, &r, face);
    DeleteObject(face);
    if (TPopupMenu* m = TPopupMenu::ActivePopup(); m && m->PopupWindow() == hwnd && m->HighlightedIndex() >= 0) {
      RECT h{0, m->HighlightedIndex() * TPopupMenu::ItemHeight, r.right, (m->HighlightedIndex() + 1) * TPopupMenu::ItemHeight};
      HBRUSH hb = CreateSolidBrush(ColorToRGB(clHighlight));
      FillRect(dc, &h, hb);
      DeleteObject(hb);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProc(hwnd, msg, wp, lp);
}
}  // namespace

TPopupMenu* TPopupMenu::ActivePopup() { return gActivePopup; }

// Runs the popup's modal loop: the visible items in a column, the highlight moved by the arrows or the
// mouse, Enter or a click choosing, Escape or a click elsewhere closing, an accelerator choosing its item.
struct TPopupMenuRunner {
  TPopupMenu* Menu;
  std::vector<TMenuItem*> Items;
  bool Done = false;
  TMenuItem* Chosen = nullptr;

  bool Selectable(int32_t i) const { return i >= 0 && !Items[i]->IsLine() && Items[i]->Enabled(); }
  void Highlight(int32_t i) {
    if (Menu->FHighlight == i) return;
    Menu->FHighlight = i;
    InvalidateRect(Menu->FWindow, nullptr, TRUE);
  }
  void Move(int32_t dir) {
    int32_t n = static_cast<int32_t>(Items.size());
    int32_t i = Menu->FHighlight;
    for (int32_t step = 0; step < n; ++step) {
      i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
      if (Selectable(i)) {
        Highlight(i);
        return;
      }
    }
  }
  void Choose(int32_t i) {
    if (!Selectable(i)) return;
    Chosen = Items[static_cast<size_t>(i)];
    Done = true;
  }
  int32_t ItemAt(POINT screen) {
    RECT r;
    GetWindowRect(Menu->FWindow, &r);
    if (!PtInRect(&r, screen)) return -2;
    POINT p = screen;
    ScreenToClient(Menu->FWindow, &p);
    int32_t i = p.y / TPopupMenu::ItemHeight;
    return i >= 0 && i < static_cast<int32_t>(Items.size()) ? i : -1;
  }
  void Key(const MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      switch (msg.wParam) {
        case VK_DOWN: Move(1); break;
        case VK_UP: Move(-1); break;
        case VK_RETURN: case VK_SPACE: if (Menu->FHighlight >= 0) Choose(Menu->FHighlight); break;
        case VK_ESCAPE: case VK_LEFT: case VK_MENU: Done = true; break;
        default: {
          TranslateMessage(&msg);
          break;
        }
      }
    } else if (msg.message == WM_CHAR) {
      // An accelerator chooses its item; letters without one go to the first item starting with them.
      char32_t key = UnicodeToUpper(static_cast<char32_t>(msg.wParam));
      for (size_t i = 0; i < Items.size(); ++i)
        if (Selectable(static_cast<int32_t>(i)) && GetHotkey(Items[i]->Caption()) == key) {
          Choose(static_cast<int32_t>(i));
          return;
        }
    }
  }

  void Run(int32_t x, int32_t y) {
    for (int32_t i = 0; i < Menu->Items()->Count(); ++i)
      if (Menu->Items()->Items(i)->Visible()) Items.push_back(Menu->Items()->Items(i));
    if (Items.empty()) return;
    static bool registered = false;
    WNDCLASS wc{};
    if (!registered || !GetClassInfo(nullptr, "TPopupMenuWindow", &wc)) {
      wc = WNDCLASS{};
      wc.style = CS_SAVEBITS;
      wc.lpfnWndProc = PopupWndProc;
      wc.lpszClassName = "TPopupMenuWindow";
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      RegisterClass(&wc);
      registered = true;
    }
    int32_t w = 160, h = static_cast<int32_t>(Items.size()) * TPopupMenu::ItemHeight + 2;
    if (Menu->Alignment() == paRight) x -= w;
    else if (Menu->Alignment() == paCenter) x -= w / 2;
    Menu->FWindow = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "TPopupMenuWindow", "", WS_POPUP | WS_BORDER, x, y,
                                   w, h, nullptr, nullptr, nullptr, nullptr);
    Menu->FHighlight = -1;
    ShowWindow(Menu->FWindow, SW_SHOWNOACTIVATE);
    SetCapture(Menu->FWindow);
    gActivePopup = Menu;
    try {
      while (!Done) {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (Application) Application->Idle(msg);
          else WaitMessage();
          if (Application && Application->Terminated()) Done = true;
          continue;
        }
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          break;
        }
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
          Key(msg);
          continue;
        }
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
          POINT p = msg.pt;
          int32_t i = ItemAt(p);
          switch (msg.message) {
            case WM_MOUSEMOVE: if (i >= 0 && Selectable(i)) Highlight(i); break;
            case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: if (i == -2) Done = true; break;
            case WM_LBUTTONUP: case WM_RBUTTONUP: if (i >= 0) Choose(i); break;
          }
          continue;
        }
        if (msg.message == WM_CAPTURECHANGED && msg.hwnd == Menu->FWindow) {
          Done = true;
          continue;
        }
        DispatchMessage(&msg);
        if (GetCapture() != Menu->FWindow) Done = true;
      }
    } catch (...) {
      Close();
      throw;
    }
    Close();
  }
  void Close() {
    gActivePopup = nullptr;
    if (GetCapture() == Menu->FWindow) ReleaseCapture();
    if (Menu->FWindow) DestroyWindow(Menu->FWindow);
    Menu->FWindow = nullptr;
    Menu->FHighlight = -1;
  }
};

void TPopupMenu::Popup(int32_t x, int32_t y) {
  FPopupPoint = POINT{x, y};
  if (OnPopup) OnPopup(this);
  TPopupMenuRunner runner{this, {}};
  runner.Run(x, y);
  if (runner.Chosen) runner.Chosen->Click();
}
