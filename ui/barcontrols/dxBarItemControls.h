#pragma once
// The item controls of buttons and sub-items: how a link of a TdxBarButton or a TdxBarSubItem is sized,
// drawn and clicked in a tool bar or a menu window.

#include <cstdint>

#include "ui/bars/dxBar.h"

class TdxBarButton;
class TCustomdxBarSubItem;

// A button: its paint style (caption, glyph or both), its check and drop-down parts, and its own
// drop-down menu.
class TdxBarButtonControl : public TdxBarItemControl {
  RTL_CLASS(TdxBarButtonControl, TdxBarItemControl)
public:
  explicit TdxBarButtonControl(TdxBarItemLink* ALink) : TdxBarItemControl(ALink) {}

  TdxBarButton* Button() const;
  bool DroppedDown() const override { return FDroppedDown; }

  // The width of the drop-down part: the menu's arrow width in menus, the manager's on tool bars.
  virtual int32_t GetArrowWidth();
  void ButtonStyleChanged() override;
  void DownChanged() override;
  void DropDownEnabledChanged() override;
  virtual int32_t CalcDefaultHeight();
  virtual int32_t CalcDefaultWidth();
  void PaintStyleChanged() override;
  // psStandard shows as psCaption on a tool bar when the control has no glyph.
  virtual TdxBarPaintStyle AdjustPaintStyle(TdxBarPaintStyle AStyle);
  // The paint style the control is drawn and measured with.
  TdxBarPaintStyle GetPaintStyle();
  // Clears the dropped-down flag once the bar closed the drop-down menu.
  virtual void DropDownMenuClosed();
  virtual void OpenDropDownMenu(bool AByMouse);

  void GlyphChanged() override;
  void CaptionChanged() override;
  void WidthChanged() override;
  void Deactivate(bool AByMouse) override;
  void PrepareClick(bool AByMouse) override;
  void Click(bool AByMouse) override;
  bool IsHighlighted() override;
  void KeyDown(uint16_t AKey) override;
  bool HandleChar(uint16_t AKey) override;
  bool ClosesMenusOnClick() override;
  bool NeedsMouseCapture() override { return !FDroppedDown; }
  int32_t GetHeight() override;
  int32_t GetWidth() override;
  void Draw(const RECT& R, int32_t APaintType) override;

protected:
  bool UnclicksAfterDoing() override;

private:
  bool IsCaptionShown();
  bool IsMouseOnArrowPart();
  void DrawInMenu(HDC DC, RECT R);
  void DrawOnToolbar(HDC DC, RECT R, int32_t APaintType);

  bool FDroppedDown = false;
  // The measured sizes: whatever changes them (caption, font, paint style, docking, icon size) makes the
  // bar window make its controls again, so a control measures once.
  int32_t FDefaultWidth = -1;
  int32_t FDefaultHeight = -1;
  int32_t FMeasuredWith[4] = {};  // line height, button width and height, paint type
  void Measure();
  void ForgetSizes() { FDefaultWidth = FDefaultHeight = -1; }
};

// A sub-item: a line or button that opens the menu of its item's links, with the 400 ms delays by which
// menus open and close as the selection moves over menu lines.
class TdxBarSubItemControl : public TdxBarItemControl {
  RTL_CLASS(TdxBarSubItemControl, TdxBarItemControl)
public:
  explicit TdxBarSubItemControl(TdxBarItemLink* ALink) : TdxBarItemControl(ALink) {}
  void BeforeDestruction() override;

  TCustomdxBarSubItem* SubItem() const;
  // The menu window of the item's links, or nullptr.
  virtual TCustomdxBarControl* GetSubMenu();
  virtual TCustomdxBarControl* CreateSubMenu();
  virtual int32_t CalcDefaultHeight();
  virtual int32_t CalcDefaultWidth();
  virtual bool CanOpen() { return true; }

  void GlyphChanged() override;
  bool IsClickable() override { return false; }
  void Activate(bool AByMouse) override;
  void Deactivate(bool AByMouse) override;
  void PrepareClick(bool AByMouse) override;
  void KeyDown(uint16_t AKey) override;
  bool HandleChar(uint16_t AKey) override;
  bool ShowsCaption() override;
  int32_t GetHeight() override;
  int32_t GetWidth() override;
  TCustomdxBarControl* GetSubMenuControl() override { return GetSubMenu(); }
  bool ClosesMenusOnClick() override { return false; }
  bool HasSubMenu() override { return true; }
  bool WantsDblClick() override;
  void Draw(const RECT& R, int32_t APaintType) override;

private:
  void OpenMenu();
  void CloseMenu();
};

// The sub-item control whose open or close waits for the 400 ms timer, or nullptr.
TdxBarSubItemControl* PendingSubItemControl();
