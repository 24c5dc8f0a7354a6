#include "forms/Menus.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "forms/ActnList.h"
#include "forms/Forms.h"
#include "forms/ImgList.h"
#include "winapi/CommCtrl.h"
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

RTL_PUBLISHED(TMainMenu) {
  prop("Images", &TMainMenu::Images, &TMainMenu::SetImages);
}

RTL_PUBLISHED(TPopupMenu) {
  prop("Images", &TPopupMenu::Images, &TPopupMenu::SetImages);
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
TMenuItem::~TMenuItem() { FreeAndNil(FActionLink); }

void TMenuItem::BeforeDestruction() {
  while (!FItems.empty()) FItems.back()->Free();
  if (FParent) FParent->Remove(this);
  inherited::BeforeDestruction();
}

void TMenuItem::Changed() {
  if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::SetCaption(const String& v) {
  if (FCaption == v) return;
  FCaption = v;
  Changed();
}
void TMenuItem::SetShortCut(TShortCut v) {
  if (FShortCut == v) return;
  FShortCut = v;
  Changed();
}
void TMenuItem::SetEnabled(bool v) {
  if (FEnabled == v) return;
  FEnabled = v;
  Changed();
}
void TMenuItem::SetVisible(bool v) {
  if (FVisible == v) return;
  FVisible = v;
  Changed();
}
void TMenuItem::SetDefault(bool v) {
  if (FDefault == v) return;
  FDefault = v;
  Changed();
}
void TMenuItem::SetImageIndex(int32_t v) {
  if (FImageIndex == v) return;
  FImageIndex = v;
  Changed();
}

void TMenuItem::SetChecked(bool v) {
  if (FChecked == v) return;
  FChecked = v;
  // Checking a radio item unchecks the others of its group.
  if (v && FRadioItem && FParent)
    for (TMenuItem* i : FParent->FItems)
      if (i != this && i->FRadioItem && i->FGroupIndex == FGroupIndex) i->FChecked = false;
  Changed();
}

int32_t TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(const_cast<TMenuItem*>(this)) : -1; }

void TMenuItem::SetMenuIndex(int32_t v) {
  if (!FParent) return;
  TMenuItem* p = FParent;
  auto& l = p->FItems;
  l.erase(std::find(l.begin(), l.end(), this));
  v = std::clamp<int32_t>(v, 0, static_cast<int32_t>(l.size()));
  l.insert(l.begin() + v, this);
  Changed();
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int32_t index, TMenuItem* item) {
  if (item->FParent) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed();
}

void TMenuItem::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  FItems[static_cast<size_t>(index)]->FParent = nullptr;
  FItems.erase(FItems.begin() + index);
  Changed();
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
    FreeAndNil(FActionLink);
    return;
  }
  if (!FActionLink) FActionLink = New<TMenuActionLink>(this);
  FActionLink->SetAction(v);
  static_cast<TMenuActionLink*>(FActionLink)->AssignFromAction();
  v->FreeNotification(this);
}

void TMenuItem::ActionFreed() {
  FreeAndNil(FActionLink);
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
  FItems = New<TMenuItem>(nullptr);
  FItems->FMenu = this;
}

TMenu::~TMenu() = default;

void TMenu::BeforeDestruction() {
  // The items go without telling a menu that is going too.
  FItems->FMenu = nullptr;
  FItems->Free();
  FItems = nullptr;
  inherited::BeforeDestruction();
}

void TMenu::GetChildren(TGetChildProc proc, TComponent* root) { FItems->GetChildren(proc, root); }

void TMenu::SetImages(TCustomImageList* v) {
  FImages = v;
  if (v) v->FreeNotification(this);
  MenuChanged();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FImages) FImages = nullptr;
}

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
// Menu windows and the menu loop

namespace {

// The menu font and its bold form (for default items), for one layout or one painting.
class TMenuFonts {
public:
  HFONT Get(bool bold) {
    TFont* base = Screen ? Screen->MenuFont() : nullptr;
    if (!base) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!bold) return base->Handle();
    if (!FBold) {
      FBold = std::make_unique<TFont>();
      FBold->Assign(base);
      FBold->SetStyle(TFontStyles{fsBold});
    }
    return FBold->Handle();
  }

private:
  std::unique_ptr<TFont> FBold;
};

int32_t TextWidth(HDC dc, const String& text) {
  SIZE sz{0, 0};
  if (!text.empty()) GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  return sz.cx;
}

void Fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF color) {
  int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  if (radio) {
    HBRUSH b = CreateSolidBrush(color);
    HPEN p = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, p);
    Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(b);
    DeleteObject(p);
    return;
  }
  HPEN p = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ op = SelectObject(dc, p);
  for (int d = 0; d < 3; ++d) {
    POINT pts[3] = {{cx - 4, cy - 1 + d}, {cx - 2, cy + 1 + d}, {cx + 3, cy - 4 + d}};
    Polyline(dc, pts, 3);
  }
  SelectObject(dc, op);
  DeleteObject(p);
}

void DrawArrow(HDC dc, int x, int cy, COLORREF color) {
  HPEN p = CreatePen(PS_SOLID, 1, color);
  HBRUSH b = CreateSolidBrush(color);
  HGDIOBJ op = SelectObject(dc, p), ob = SelectObject(dc, b);
  POINT pts[3] = {{x, cy - 4}, {x + 4, cy}, {x, cy + 4}};
  Polygon(dc, pts, 3);
  SelectObject(dc, op);
  SelectObject(dc, ob);
  DeleteObject(p);
  DeleteObject(b);
}

bool Selectable(const TMenuItem* item) { return !item->IsLine() && item->Enabled(); }

std::vector<TMenuItem*> VisibleItems(const TMenuItem* parent) {
  std::vector<TMenuItem*> r;
  for (int32_t i = 0; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) r.push_back(parent->Items(i));
  return r;
}

// One open popup window: the visible sub-items of Parent laid out in a column.
struct TMenuLevel {
  TMenuItem* Parent = nullptr;
  TMenu* Menu = nullptr;
  std::vector<TMenuItem*> Items;
  std::vector<RECT> Rects;  // client coordinates
  HWND Window = nullptr;
  int32_t Highlight = -1;
  int32_t TextLeft = 24, ShortCutRight = 0;

  int32_t ItemAt(POINT screen) const {
    RECT wr;
    GetWindowRect(Window, &wr);
    if (!PtInRect(&wr, screen)) return -2;
    POINT p = screen;
    ScreenToClient(Window, &p);
    for (size_t i = 0; i < Rects.size(); ++i)
      if (PtInRect(&Rects[i], p)) return static_cast<int32_t>(i);
    return -1;
  }
  void Paint(HDC dc) const;
};

void TMenuLevel::Paint(HDC dc) const {
  RECT cr;
  GetClientRect(Window, &cr);
  Fill(dc, cr, GetSysColor(COLOR_MENU));
  SetBkMode(dc, TRANSPARENT);
  TCustomImageList* images = Menu ? Menu->Images() : nullptr;
  TMenuFonts fonts;
  for (size_t i = 0; i < Items.size(); ++i) {
    TMenuItem* item = Items[i];
    RECT r = Rects[i];
    if (item->IsLine()) {
      int y = (r.top + r.bottom) / 2 - 1;
      Fill(dc, RECT{r.left + 2, y, r.right - 2, y + 1}, GetSysColor(COLOR_BTNSHADOW));
      Fill(dc, RECT{r.left + 2, y + 1, r.right - 2, y + 2}, GetSysColor(COLOR_BTNHIGHLIGHT));
      continue;
    }
    bool hot = static_cast<int32_t>(i) == Highlight;
    if (hot) Fill(dc, r, GetSysColor(COLOR_HIGHLIGHT));
    COLORREF text = !item->Enabled() ? GetSysColor(COLOR_GRAYTEXT)
                    : hot            ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                     : GetSysColor(COLOR_MENUTEXT);
    RECT box{r.left + 2, r.top, r.left + 22, r.bottom};
    bool drewImage = false;
    if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
      int x = box.left + (20 - images->Width()) / 2, y = r.top + (r.bottom - r.top - images->Height()) / 2;
      ImageList_Draw(images->Handle(), item->ImageIndex(), dc, x, y, ILD_TRANSPARENT);
      drewImage = true;
      if (item->Checked()) {
        HBRUSH frame = CreateSolidBrush(text);
        FrameRect(dc, &box, frame);
        DeleteObject(frame);
      }
    }
    if (item->Checked() && !drewImage) DrawCheck(dc, box, item->RadioItem(), text);
    SetTextColor(dc, text);
    HGDIOBJ old = SelectObject(dc, fonts.Get(item->Default()));
    RECT tr{r.left + TextLeft, r.top, r.right - 18, r.bottom};
    ::DrawText(dc, item->Caption().c_str(), -1, &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (item->ShortCut()) {
      String sc = ShortCutToText(item->ShortCut());
      RECT sr{r.left + TextLeft, r.top, ShortCutRight, r.bottom};
      ::DrawText(dc, sc.c_str(), -1, &sr, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, old);
    if (item->Count() > 0) DrawArrow(dc, r.right - 12, (r.top + r.bottom) / 2, text);
  }
}

LRESULT MenuWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (auto* level = reinterpret_cast<TMenuLevel*>(GetWindowLongPtr(hwnd, GWLP_USERDATA))) level->Paint(dc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProc(hwnd, msg, wp, lp);
}

const char* const kMenuClass = "TPopupMenuWindow";

void RegisterMenuClass() {
  WNDCLASS wc{};
  if (GetClassInfo(nullptr, kMenuClass, &wc)) return;
  wc = WNDCLASS{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = MenuWndProc;
  wc.lpszClassName = kMenuClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClass(&wc);
}

}  // namespace

// Tracks a menu: a popup menu's column, or a form's bar with the popup of its selected item, and the
// chain of submenus opened from there. Keys and the mouse are read in a loop of its own while the
// application idles as usual; the chosen item's Click runs once every menu window is gone.
class TMenuLoop {
public:
  TMenu* Menu = nullptr;
  TPopupMenu* Popup = nullptr;
  TMainMenu* Bar = nullptr;
  HWND Owner = nullptr;        // hears WM_INITMENUPOPUP
  HWND CaptureWnd = nullptr;   // holds the mouse while the loop runs
  std::vector<std::unique_ptr<TMenuLevel>> Levels;
  bool Done = false;
  TMenuItem* Chosen = nullptr;
  int32_t BarIndex = -1;
  bool Dropped = false;  // the bar's selection shows its popup, and moving along the bar keeps it so
  std::vector<TMenuItem*> BarItems;

  static TMenuLoop* Current;

  ~TMenuLoop() { CloseAll(); }

  void CloseFrom(size_t level) {
    while (Levels.size() > level) {
      if (Levels.back()->Window) {
        SetWindowLongPtr(Levels.back()->Window, GWLP_USERDATA, 0);
        DestroyWindow(Levels.back()->Window);
      }
      Levels.pop_back();
    }
  }
  void CloseAll() { CloseFrom(0); }

  // Lets the parent item prepare its sub-items (its OnClick, the owner's WM_INITMENUPOPUP), then shows
  // them in a column at x, y; flipX is where the column goes instead when it does not fit to the right.
  bool Open(TMenuItem* parent, int32_t x, int32_t y, int32_t flipX, TPopupAlignment alignment) {
    if (parent != Menu->Items()) {
      if (parent->OnClick) parent->OnClick(parent);
      if (Owner)
        SendMessage(Owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(parent),
                    MAKELPARAM(static_cast<WORD>(std::max<int32_t>(parent->MenuIndex(), 0)), 0));
    }
    auto level = std::make_unique<TMenuLevel>();
    level->Parent = parent;
    level->Menu = Menu;
    level->Items = VisibleItems(parent);
    if (level->Items.empty()) return false;
    HDC dc = GetDC(nullptr);
    int32_t captionW = 0, shortCutW = 0, y0 = 1;
    TCustomImageList* images = Menu->Images();
    int32_t rowH = TMenu::ItemHeight;
    TMenuFonts fonts;
    if (images) rowH = std::max<int32_t>(rowH, images->Height() + 4);
    for (TMenuItem* item : level->Items) {
      HGDIOBJ old = SelectObject(dc, fonts.Get(item->Default()));
      captionW = std::max(captionW, TextWidth(dc, StripHotkey(item->Caption())));
      if (item->ShortCut()) shortCutW = std::max(shortCutW, TextWidth(dc, ShortCutToText(item->ShortCut())));
      SelectObject(dc, old);
      int32_t h = item->IsLine() ? TMenu::LineHeight : rowH;
      level->Rects.push_back(RECT{1, y0, 0, y0 + h});
      y0 += h;
    }
    ReleaseDC(nullptr, dc);
    int32_t w = level->TextLeft + captionW + (shortCutW ? 24 + shortCutW : 0) + 22;
    w = std::max<int32_t>(w, 100);
    for (RECT& r : level->Rects) r.right = w + 1;
    level->ShortCutRight = w + 1 - 18;
    int32_t width = w + 2, height = y0 + 1;
    if (alignment == paRight) x -= width;
    else if (alignment == paCenter) x -= width / 2;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (x + width > work.right) x = flipX >= 0 ? flipX - width : work.right - width;
    if (y + height > work.bottom) y = std::max<int32_t>(work.top, work.bottom - height);
    x = std::max<int32_t>(x, work.left);
    RegisterMenuClass();
    level->Window = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMenuClass, "", WS_POPUP | WS_BORDER, x, y, width,
                                   height, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtr(level->Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(level.get()));
    ShowWindow(level->Window, SW_SHOWNOACTIVATE);
    Levels.push_back(std::move(level));
    return true;
  }

  void Highlight(TMenuLevel& l, int32_t i) {
    if (l.Highlight == i) return;
    l.Highlight = i;
    InvalidateRect(l.Window, nullptr, TRUE);
  }
  void HighlightFirst(TMenuLevel& l) {
    for (size_t i = 0; i < l.Items.size(); ++i)
      if (Selectable(l.Items[i])) {
        Highlight(l, static_cast<int32_t>(i));
        return;
      }
  }
  void Move(TMenuLevel& l, int32_t dir) {
    int32_t n = static_cast<int32_t>(l.Items.size());
    int32_t i = l.Highlight;
    for (int32_t step = 0; step < n; ++step) {
      i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
      if (Selectable(l.Items[static_cast<size_t>(i)])) {
        Highlight(l, i);
        return;
      }
    }
  }
  // Opens the submenu of level's highlighted item, when it has one.
  bool OpenSub(size_t levelIndex, bool byKeyboard) {
    TMenuLevel& l = *Levels[levelIndex];
    if (l.Highlight < 0) return false;
    TMenuItem* item = l.Items[static_cast<size_t>(l.Highlight)];
    if (!Selectable(item) || item->Count() == 0) return false;
    if (Levels.size() > levelIndex + 1 && Levels[levelIndex + 1]->Parent == item) return true;
    CloseFrom(levelIndex + 1);
    RECT wr;
    GetWindowRect(l.Window, &wr);
    const RECT& ir = l.Rects[static_cast<size_t>(l.Highlight)];
    if (!Open(item, wr.right - 3, wr.top + ir.top - 2, wr.left + 3, paLeft)) return false;
    if (byKeyboard) HighlightFirst(*Levels.back());
    return true;
  }
  void Choose(TMenuItem* item) {
    if (!Selectable(item)) return;
    Chosen = item;
    Done = true;
  }

  // ---- the bar ----
  void RedrawBar() {
    if (!Bar) return;
    Bar->FBarHighlight = BarIndex;
    if (TCustomForm* f = Bar->WindowForm(); f && f->HandleAllocated()) f->PaintMenuBar();
  }
  RECT BarScreenRect() const {
    TCustomForm* f = Bar->WindowForm();
    RECT r = f->MenuBarRect();
    RECT wr;
    GetWindowRect(f->Handle(), &wr);
    OffsetRect(&r, wr.left, wr.top);
    return r;
  }
  // Selects bar item i; drop shows its popup (or, for an item without sub-items, choose chooses it).
  void SelectBar(int32_t i, bool drop, bool choose, bool byKeyboard) {
    CloseAll();
    BarIndex = i;
    Dropped = drop;
    RedrawBar();
    if (i < 0 || !drop) return;
    TMenuItem* item = BarItems[static_cast<size_t>(i)];
    if (item->Count() == 0) {
      if (choose) Choose(item);
      return;
    }
    if (!item->Enabled()) return;
    RECT br = BarScreenRect();
    RECT ir = Bar->BarItemRects()[static_cast<size_t>(i)];
    if (Open(item, br.left + ir.left, br.top + ir.bottom, -1, paLeft) && byKeyboard) HighlightFirst(*Levels.back());
  }
  void MoveBar(int32_t dir) {
    int32_t n = static_cast<int32_t>(BarItems.size());
    if (n == 0) return;
    int32_t i = BarIndex < 0 ? 0 : (BarIndex + dir + n) % n;
    SelectBar(i, Dropped, false, true);
  }
  int32_t BarItemAtScreen(POINT p) const {
    if (!Bar) return -2;
    RECT br = BarScreenRect();
    if (!PtInRect(&br, p)) return -2;
    return Bar->BarItemAt(POINT{p.x - br.left, p.y - br.top});
  }

  // ---- input ----
  void Key(const MSG& msg) {
    TMenuLevel* d = Levels.empty() ? nullptr : Levels.back().get();
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      switch (msg.wParam) {
        case VK_DOWN:
        case VK_UP:
          if (d) Move(*d, msg.wParam == VK_DOWN ? 1 : -1);
          else if (Bar && BarIndex >= 0) SelectBar(BarIndex, true, false, true);
          break;
        case VK_RIGHT:
          if (d && OpenSub(Levels.size() - 1, true)) break;
          if (Bar) MoveBar(1);
          break;
        case VK_LEFT:
          if (Levels.size() > 1) CloseFrom(Levels.size() - 1);
          else if (Bar) MoveBar(-1);
          else Done = true;
          break;
        case VK_RETURN:
        case VK_SPACE:
          if (d) {
            if (d->Highlight >= 0 && !OpenSub(Levels.size() - 1, true)) Choose(d->Items[static_cast<size_t>(d->Highlight)]);
          } else if (Bar && BarIndex >= 0) {
            SelectBar(BarIndex, true, true, true);
          }
          break;
        case VK_ESCAPE:
          if (Levels.size() > 1) {
            CloseFrom(Levels.size() - 1);
          } else if (Bar && Dropped) {
            CloseAll();
            Dropped = false;
          } else {
            Done = true;
          }
          break;
        case VK_MENU:
        case VK_F10: Done = true; break;
        default: TranslateMessage(&msg); break;
      }
    } else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
      char32_t key = UnicodeToUpper(static_cast<char32_t>(msg.wParam));
      if (d) {
        for (size_t i = 0; i < d->Items.size(); ++i)
          if (Selectable(d->Items[i]) && GetHotkey(d->Items[i]->Caption()) == key) {
            Highlight(*d, static_cast<int32_t>(i));
            if (!OpenSub(Levels.size() - 1, true)) Choose(d->Items[i]);
            return;
          }
      } else if (Bar) {
        int32_t i = Bar->FindBarHotkey(key);
        if (i >= 0) SelectBar(i, true, true, true);
      }
    }
  }

  void Mouse(const MSG& msg) {
    POINT p = msg.pt;
    // The deepest level under the mouse.
    int32_t levelIndex = -1, item = -2;
    for (size_t l = Levels.size(); l-- > 0;) {
      item = Levels[l]->ItemAt(p);
      if (item != -2) {
        levelIndex = static_cast<int32_t>(l);
        break;
      }
    }
    int32_t barItem = levelIndex < 0 ? BarItemAtScreen(p) : -2;
    switch (msg.message) {
      case WM_MOUSEMOVE:
        if (levelIndex >= 0 && item >= 0) {
          TMenuLevel& l = *Levels[static_cast<size_t>(levelIndex)];
          if (l.Highlight != item) CloseFrom(static_cast<size_t>(levelIndex) + 1);
          if (Selectable(l.Items[static_cast<size_t>(item)])) {
            Highlight(l, item);
            OpenSub(static_cast<size_t>(levelIndex), false);
          }
        } else if (barItem >= 0 && barItem != BarIndex && Dropped) {
          SelectBar(barItem, true, false, false);
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
        if (levelIndex >= 0) break;
        if (barItem >= 0) {
          if (barItem == BarIndex && Dropped) Done = true;
          else SelectBar(barItem, true, true, false);
        } else if (barItem == -2) {
          Done = true;
        }
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (levelIndex >= 0 && item >= 0) {
          TMenuLevel& l = *Levels[static_cast<size_t>(levelIndex)];
          TMenuItem* it = l.Items[static_cast<size_t>(item)];
          if (!Selectable(it)) break;
          Highlight(l, item);
          if (!OpenSub(static_cast<size_t>(levelIndex), false)) Choose(it);
        }
        break;
      default: break;
    }
  }

  void Run() {
    SetCapture(CaptureWnd);
    TMenuLoop* outer = Current;
    Current = this;
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
        if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
            (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)) {
          MSG m = msg;
          if (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK) m.message += WM_MOUSEMOVE - WM_NCMOUSEMOVE;
          Mouse(m);
          continue;
        }
        DispatchMessage(&msg);
        if (GetCapture() != CaptureWnd) Done = true;
      }
    } catch (...) {
      Finish(outer);
      throw;
    }
    Finish(outer);
  }
  void Finish(TMenuLoop* outer) {
    Current = outer;
    CloseAll();
    if (GetCapture() == CaptureWnd) ReleaseCapture();
    BarIndex = -1;
    RedrawBar();
  }
};

TMenuLoop* TMenuLoop::Current = nullptr;

int32_t TMenu::OpenLevelCount() { return TMenuLoop::Current ? static_cast<int32_t>(TMenuLoop::Current->Levels.size()) : 0; }
HWND TMenu::OpenLevelWindow(int32_t level) {
  return level >= 0 && level < OpenLevelCount() ? TMenuLoop::Current->Levels[static_cast<size_t>(level)]->Window : nullptr;
}
TMenuItem* TMenu::OpenLevelItem(int32_t level) {
  return level >= 0 && level < OpenLevelCount() ? TMenuLoop::Current->Levels[static_cast<size_t>(level)]->Parent : nullptr;
}
int32_t TMenu::OpenLevelHighlight(int32_t level) {
  return level >= 0 && level < OpenLevelCount() ? TMenuLoop::Current->Levels[static_cast<size_t>(level)]->Highlight : -1;
}

// ===================================================================================================
// TMainMenu

void TMainMenu::MenuChanged() {
  if (ComponentState().Contains(csDestroying)) return;
  if (FWindowForm) FWindowForm->MenuBarChanged();
}

std::vector<TMenuItem*> TMainMenu::BarItems() const { return FItems ? VisibleItems(FItems) : std::vector<TMenuItem*>{}; }

std::vector<RECT> TMainMenu::BarItemRects() const {
  std::vector<RECT> r;
  HDC dc = GetDC(nullptr);
  TMenuFonts fonts;
  HGDIOBJ old = SelectObject(dc, fonts.Get(false));
  int32_t x = 0;
  for (TMenuItem* item : BarItems()) {
    int32_t w = TextWidth(dc, StripHotkey(item->Caption())) + 14;
    r.push_back(RECT{x, 0, x + w, BarHeight()});
    x += w;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return r;
}

int32_t TMainMenu::BarItemAt(POINT p) const {
  std::vector<RECT> rects = BarItemRects();
  for (size_t i = 0; i < rects.size(); ++i)
    if (PtInRect(&rects[i], p)) return static_cast<int32_t>(i);
  return -1;
}

int32_t TMainMenu::FindBarHotkey(char32_t key) const {
  std::vector<TMenuItem*> items = BarItems();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i]->Enabled() && GetHotkey(items[i]->Caption()) == key) return static_cast<int32_t>(i);
  return -1;
}

void TMainMenu::PaintBar(HDC dc, const RECT& bar) const {
  Fill(dc, bar, GetSysColor(COLOR_MENU));
  SetBkMode(dc, TRANSPARENT);
  TMenuFonts fonts;
  HGDIOBJ old = SelectObject(dc, fonts.Get(false));
  std::vector<TMenuItem*> items = BarItems();
  std::vector<RECT> rects = BarItemRects();
  for (size_t i = 0; i < items.size(); ++i) {
    RECT r = rects[i];
    OffsetRect(&r, bar.left, bar.top);
    if (r.left >= bar.right) break;
    r.right = std::min(r.right, bar.right);
    bool hot = static_cast<int32_t>(i) == FBarHighlight;
    if (hot) Fill(dc, r, GetSysColor(COLOR_HIGHLIGHT));
    SetTextColor(dc, !items[i]->Enabled() ? GetSysColor(COLOR_GRAYTEXT)
                     : hot                ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                          : GetSysColor(COLOR_MENUTEXT));
    ::DrawText(dc, items[i]->Caption().c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, old);
}

void TMainMenu::TrackBar(int32_t index, bool dropDown, bool byKeyboard) {
  if (!FWindowForm || !FWindowForm->HandleAllocated() || TMenuLoop::Current) return;
  TMenuLoop loop;
  loop.Menu = this;
  loop.Bar = this;
  loop.Owner = FWindowForm->Handle();
  loop.CaptureWnd = FWindowForm->Handle();
  loop.BarItems = BarItems();
  if (loop.BarItems.empty()) return;
  index = std::clamp<int32_t>(index, 0, static_cast<int32_t>(loop.BarItems.size()) - 1);
  SendMessage(loop.Owner, WM_INITMENU, 0, 0);
  loop.SelectBar(index, dropDown, true, byKeyboard);
  if (!loop.Done) loop.Run();
  else loop.Finish(nullptr);
  if (loop.Chosen) loop.Chosen->Click();
}

// ===================================================================================================
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

namespace {
TPopupMenu* gActivePopup = nullptr;
}

TPopupMenu* TPopupMenu::ActivePopup() { return gActivePopup; }

HWND TPopupMenu::PopupWindow() const { return gActivePopup == this ? OpenLevelWindow(0) : nullptr; }
int32_t TPopupMenu::HighlightedIndex() const { return gActivePopup == this ? OpenLevelHighlight(0) : -1; }

void TPopupMenu::Popup(int32_t x, int32_t y) {
  FPopupPoint = POINT{x, y};
  if (OnPopup) OnPopup(this);
  if (TMenuLoop::Current) return;
  TMenuLoop loop;
  loop.Menu = this;
  loop.Popup = this;
  if (auto* c = dynamic_cast<TControl*>(FPopupComponent))
    if (TCustomForm* f = GetParentForm(c); f && f->HandleAllocated()) loop.Owner = f->Handle();
  if (!loop.Open(Items(), x, y, -1, FAlignment)) return;
  loop.CaptureWnd = loop.Levels.front()->Window;
  TPopupMenu* outer = gActivePopup;
  gActivePopup = this;
  try {
    loop.Run();
  } catch (...) {
    gActivePopup = outer;
    throw;
  }
  gActivePopup = outer;
  if (loop.Chosen) loop.Chosen->Click();
}
