#pragma once
// The bar items of the program's bars: push buttons (plain, checked within a group, or with a drop-down
// menu) and sub-items, whose links open a menu.
//
// A group of checked buttons is the manager's, not one bar's: buttons with ButtonStyle bsChecked and the
// same GroupIndex exclude each other wherever they are linked, and AllowAllUp is shared by the group.

#include <cstdint>

#include "ui/bars/dxBar.h"

class TCanvas;

// Registers the item classes with the bar unit (and with the component streamer).
extern const TUnit dxBarItemsUnit;

enum TdxBarButtonStyle : uint8_t { bsDefault, bsChecked, bsDropDown };
RTL_ENUM(TdxBarButtonStyle, bsDefault, bsChecked, bsDropDown)

using TdxBarPaintSubMenuBarEvent = Event<TObject*, TCanvas*, RECT>;

class TdxBarButton : public TdxBarItem {
  RTL_CLASS(TdxBarButton, TdxBarItem)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarButton(TComponent* AOwner);

  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  TdxBarButtonStyle ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TdxBarButtonStyle Value);
  bool CloseSubMenuOnClick() const { return FCloseSubMenuOnClick; }
  void SetCloseSubMenuOnClick(bool Value) { FCloseSubMenuOnClick = Value; }
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool DropDownEnabled() const { return FDropDownEnabled; }
  void SetDropDownEnabled(bool Value);
  TdxBarPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(TdxBarPopupMenu* Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t Value);
  bool Lowered() const { return FLowered; }
  void SetLowered(bool Value);
  TdxBarPaintStyle PaintStyle() const { return FPaintStyle; }
  void SetPaintStyle(TdxBarPaintStyle Value);

  virtual void ButtonStyleChanged();
  virtual void DownChanged();
  virtual void DropDownEnabledChanged();
  virtual void PaintStyleChanged();
  // Shows DropDownMenu at (X, Y) for one of the button's controls.
  virtual void DropDown(TdxBarItemControl* AControl, int32_t X, int32_t Y, bool AByMouse);

  void DirectClick() override;
  bool HasAccelerator(TdxBarItemLink* ALink) override;
  TdxBarItemLinks* DropDownLinks() const override;
  TdxBarPaintStyle GetPaintStyle() const override { return FPaintStyle; }
  bool GetActionChecked(bool& AChecked) const override {
    AChecked = FDown;
    return true;
  }
  void SetActionChecked(bool AChecked) override { SetDown(AChecked); }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  bool IsDownStored() const;
  // Releases the button whatever its group says (its style or group changed under it).
  void Release();
  TdxBarButton* FindPressedPartner() const;
  bool AnotherOfGroupDown() const;

  bool FAllowAllUp = false;
  TdxBarButtonStyle FButtonStyle = bsDefault;
  bool FCloseSubMenuOnClick = true;
  bool FDown = false;
  bool FDropDownEnabled = true;
  TdxBarPopupMenu* FDropDownMenu = nullptr;
  int32_t FGroupIndex = 0;
  bool FLowered = false;
  TdxBarPaintStyle FPaintStyle = TdxBarPaintStyle::psStandard;
};

class TCustomdxBarSubItem : public TdxBarItem {
  RTL_CLASS(TCustomdxBarSubItem, TdxBarItem)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomdxBarSubItem(TComponent* AOwner);
  void AfterConstruction() override;
  void BeforeDestruction() override;

  int32_t BarSize() const { return FBarSize; }
  void SetBarSize(int32_t Value);
  bool Detachable() const { return FDetachable; }
  void SetDetachable(bool Value) { FDetachable = Value; }
  int32_t DetachingBar() const;
  void SetDetachingBar(int32_t Value);
  TdxBarItemLinks* ItemLinks() const { return FItemLinks; }
  void SetItemLinks(TdxBarItemLinks* Value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);

  TNotifyEvent OnCloseUp;
  TNotifyEvent OnDetaching;
  TdxBarPaintSubMenuBarEvent OnPaintBar;
  TNotifyEvent OnPopup;

  virtual void DoPaintBar(TCanvas* ACanvas, const RECT& R);
  virtual void DoCloseUp();
  virtual void DoDetaching();
  virtual void DoPopup();

  void BarManagerChanged() override;
  bool IsClickable() const override { return false; }
  void BarNotification(TdxBar* ABar) override;
  TdxBarItemLinks* SubItemLinks() const override { return FItemLinks; }

private:
  int32_t FBarSize = 0;
  bool FDetachable = false;
  TdxBar* FDetachingBar = nullptr;
  TdxBarItemLinks* FItemLinks = nullptr;
  bool FShowCaption = true;
};

class TdxBarSubItem : public TCustomdxBarSubItem {
  RTL_CLASS(TdxBarSubItem, TCustomdxBarSubItem)
  RTL_PUBLISHED_DECL
public:
  explicit TdxBarSubItem(TComponent* AOwner) : TCustomdxBarSubItem(AOwner) {}

  bool AllowCustomizing() const { return FAllowCustomizing; }
  void SetAllowCustomizing(bool Value) { FAllowCustomizing = Value; }
  // Set on the sub-items the quick-customize popups build: their links may not be customized.
  bool IsQuickCustomizingItem() const { return FQuickCustomizing; }
  void SetQuickCustomizingItem(bool Value) { FQuickCustomizing = Value; }
  bool AreLinksCustomizable() const override { return !FQuickCustomizing; }

private:
  bool FAllowCustomizing = true;
  bool FQuickCustomizing = false;
};
