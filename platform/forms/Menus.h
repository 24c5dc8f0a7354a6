#pragma once
// Menus: items with captions ("&" marks the accelerator), shortcuts, checks and sub-items; the main
// menu of a form and popup menus shown at a point, chosen by mouse or keys.

#include <cstdint>
#include <vector>

#include "forms/Controls.h"

using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
String ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const String& text);
// The caption without its "&" accelerator marks ("&&" stays one "&").
String StripHotkey(const String& text);
// The accelerator character of a caption (upper-cased), or 0.
char32_t GetHotkey(const String& text);
const String cHotkeyPrefix = "&";
const String cLineCaption = "-";

class TMenu;
class TCustomForm;
class TCustomImageList;
class TBasicAction;
class TBasicActionLink;
RTL_EXCEPTION(EMenuError, Exception)

enum TPopupAlignment : uint8_t { paLeft, paRight, paCenter };
RTL_ENUM(TPopupAlignment, paLeft, paRight, paCenter)

class TMenuItem : public TComponent {
  RTL_CLASS(TMenuItem, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  void BeforeDestruction() override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& v);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut v);
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool v) { FRadioItem = v; }
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool v) { FAutoCheck = v; }
  uint8_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(uint8_t v) { FGroupIndex = v; }
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  const String& Hint() const { return FHint; }
  void SetHint(const String& v) { FHint = v; }
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t v);
  bool IsLine() const { return FCaption == cLineCaption; }

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TMenuItem* Items(int32_t i) const { return FItems.at(static_cast<size_t>(i)); }
  TMenuItem* Parent() const { return FParent; }
  int32_t MenuIndex() const;
  void SetMenuIndex(int32_t v);
  void Add(TMenuItem* item);
  void Insert(int32_t index, TMenuItem* item);
  void Delete(int32_t index);
  void Remove(TMenuItem* item);
  void Clear();
  int32_t IndexOf(TMenuItem* item) const;
  // The item (this one's or a sub-item's) whose caption without "&" matches, case-insensitively.
  TMenuItem* Find(const String& caption);
  TMenu* GetParentMenu() const;

  virtual void Click();
  TBasicAction* Action() const;
  void SetAction(TBasicAction* v);
  TBasicActionLink* ActionLink() const { return FActionLink; }
  void ActionFreed();

  TNotifyEvent OnClick;

  // Streaming: sub-items are children of their item.
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* value) override;

private:
  friend class TMenu;
  // Tells the menu that shows the item (a form's bar redraws).
  void Changed();
  String FCaption;
  TShortCut FShortCut = 0;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FRadioItem = false;
  bool FAutoCheck = false;
  uint8_t FGroupIndex = 0;
  bool FDefault = false;
  String FHint;
  int32_t FImageIndex = -1;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  TBasicActionLink* FActionLink = nullptr;
};

class TMenu : public TComponent {
  RTL_CLASS(TMenu, TComponent)
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  void BeforeDestruction() override;
  TMenuItem* Items() const { return FItems; }
  // Runs the item whose shortcut the key message (WM_KEYDOWN/WM_SYSKEYDOWN or its CN_ form) carries.
  bool IsShortCut(TMessage& m);
  TMenuItem* FindItem(TShortCut shortCut);
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  // The pictures of the items (ImageIndex), drawn in the column left of the captions.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* v);
  // An item's caption, visibility, state or sub-items changed.
  virtual void MenuChanged() {}

  // The menu being tracked (a popup menu or a form's menu bar): its open popup windows, outermost first,
  // the item each one shows the sub-items of, and the highlighted index among its visible items.
  static int32_t OpenLevelCount();
  static HWND OpenLevelWindow(int32_t level);
  static TMenuItem* OpenLevelItem(int32_t level);
  static int32_t OpenLevelHighlight(int32_t level);
  static constexpr int32_t ItemHeight = 18;
  static constexpr int32_t LineHeight = 8;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  TMenuItem* FItems;
  TCustomImageList* FImages = nullptr;
};

// The menu of a form: its visible top items form the bar along the top of the form (in the form's
// non-client area, between the caption and the client area, which shrinks by BarHeight). Clicking a bar
// item, Alt+its accelerator, or Alt or F10 and the arrows enter the bar's menu mode.
class TMainMenu : public TMenu {
  RTL_CLASS(TMainMenu, TMenu)
  RTL_PUBLISHED_DECL
public:
  using TMenu::TMenu;
  // The form that shows the bar (the form's Menu property sets it).
  TCustomForm* WindowForm() const { return FWindowForm; }
  void SetWindowForm(TCustomForm* v) { FWindowForm = v; }
  void MenuChanged() override;

  static int32_t BarHeight() { return 20; }
  // The bar's visible items and their rectangles, relative to the bar's top-left corner.
  std::vector<TMenuItem*> BarItems() const;
  std::vector<RECT> BarItemRects() const;
  // The index among BarItems at a point relative to the bar, or -1.
  int32_t BarItemAt(POINT barPoint) const;
  // The bar item highlighted while the bar is in menu mode, or -1.
  int32_t BarHighlight() const { return FBarHighlight; }
  void PaintBar(HDC dc, const RECT& bar) const;
  // Menu mode on the bar with the item at index (among BarItems) selected and, when dropDown, its popup
  // shown; returns when the mode ends, the chosen item's Click running after.
  void TrackBar(int32_t index, bool dropDown, bool byKeyboard);
  // The bar item whose accelerator is key (upper case), or -1.
  int32_t FindBarHotkey(char32_t key) const;

private:
  friend class TMenuLoop;
  TCustomForm* FWindowForm = nullptr;
  int32_t FBarHighlight = -1;
};

class TPopupMenu : public TMenu {
  RTL_CLASS(TPopupMenu, TMenu)
  RTL_PUBLISHED_DECL
public:
  explicit TPopupMenu(TComponent* AOwner);
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool v) { FAutoPopup = v; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment v) { FAlignment = v; }
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* v) { FPopupComponent = v; }
  POINT PopupPoint() const { return FPopupPoint; }
  // Shows the menu at a screen point and returns when it closes; the chosen item's Click runs after the
  // menu window is gone.
  virtual void Popup(int32_t x, int32_t y);
  // The menu being shown (one at a time), or nullptr; the popup window for tests and painters.
  static TPopupMenu* ActivePopup();
  // The outermost popup window of the menu while it is shown, and its highlighted index.
  HWND PopupWindow() const;
  int32_t HighlightedIndex() const;

  TNotifyEvent OnPopup;

private:
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
  TComponent* FPopupComponent = nullptr;
  POINT FPopupPoint{0, 0};
};
