#pragma once
// The painters of the bar styles installed by the bar controls unit.
//
// The flat painter (bmsFlat, the program's style): tool bars and menus without 3-D edges, one-pixel
// frames in the highlight colour around hot and down items, a light glyph column in menus, and buttons
// whose open menu joins them. Its colours are the five flat brushes of the bar manager: the border, the
// tool bar (the button face lightened), the checked, the pressed and the hot brush.

#include "ui/bars/dxBar.h"

class TdxBarItemControlFlatPainter : public TdxBarItemControlPainter {
public:
  static const TdxBarItemControlFlatPainter* Instance();
  const char* ClassName() const override { return "TdxBarItemControlFlatPainter"; }

  // ---- what the flat family adds
  // A one-pixel frame in the highlight colour (the highlight-text colour on a black button face).
  virtual void DrawSelectionFrame(HDC DC, const RECT& R) const;
  virtual HBRUSH GetDownFrameBrush(TdxBarItemControl* AItem, int32_t AState) const;
  // An element whose drop-down is open: joined to it and filled with the bar content brush.
  virtual void DrawDroppedFrame(TCustomdxBarControl* ABar, HDC DC, bool AOwner, const RECT& R) const;
  // Frames R without the edge it shares with APopup, so that the element and its open popup read as one.
  virtual void DrawJoinedFrame(TCustomdxBarControl* ABar, HDC DC, TCustomdxBarControl* APopup, bool AOwner,
                               const RECT& R) const;
  virtual void FrameBarContent(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const;
  virtual void FillItemContent(TCustomdxBarControl* ABar, HDC DC, TdxBarItemControl* AItem, const RECT& R,
                               const RECT& AGlyphRect) const;
  virtual HBRUSH GetSeparatorBrush() const;

  // ---- answers
  TColor GetCaptionColor(TCustomdxBarControl* ABar, bool AActive) const override;
  TColor GetCaptionButtonColor(TCustomdxBarControl* ABar, int32_t AState) const override;
  int32_t GetMarkArrowColor(TCustomdxBarControl* ABar) const override;
  bool IsFlatStyle() const override { return true; }
  int32_t GetLoweredButtonMargin(TdxBarItemControl* AItem) const override;
  int32_t GetMenuItemIndent(TdxBarItemControl* AItem) const override;
  int32_t GetDragGripIndent() const override { return 1; }
  int32_t GetGripAreaSize() const override { return GetDragGripIndent() + GetGripFingerWidth() + 2; }
  int32_t GetButtonArrowWidth(TdxBarManager* ABarManager) const override;
  int32_t GetLargeButtonArrowWidth(TdxBarManager* ABarManager) const override;
  int32_t GetMenuSeparatorIndent() const override { return 8; }
  bool HasBarContentBrush(TCustomdxBarControl* ABar) const override;
  bool IsFloatingToolbarFramed(TCustomdxBarControl* ABar) const override;
  HBRUSH GetBkBrush(TCustomdxBarControl* ABar) const override;
  HBRUSH GetToolbarBkBrush(TCustomdxBarControl* ABar) const override;
  HBRUSH GetCheckedBrush(TCustomdxBarControl* ABar) const override;
  HBRUSH GetFaceBrush(TCustomdxBarControl* ABar) const override;
  HBRUSH GetHighlightBrush(TCustomdxBarControl* ABar) const override;
  int32_t GetEditHeightExtra() const override { return 7; }
  bool AllowsFloatingDragByCaption() const override { return true; }
  bool IsQuickCustomizingSupported() const override { return true; }
  int32_t GetSeparatorMargin(TCustomdxBarControl* ABar) const override;
  int32_t GetToolbarSeparatorSize(TCustomdxBarControl* ABar, bool AHorizontal) const override;
  void AdjustMenuItemHeight(int32_t& AHeight) const override { AHeight += 2; }
  void AdjustMenuItemWidth(TdxBarItemControl* AItem, int32_t& AWidth) const override;
  bool RepaintsAfterClick() const override { return true; }
  int32_t GetSubItemTextIndent(TdxBarItemControl* AItem) const override;
  int32_t GetSubItemHeight(TdxBarItemControl* AItem) const override;
  int32_t GetSubItemWidth(TdxBarItemControl* AItem) const override;
  int32_t GetSubMenuOffset() const override { return 2; }
  RECT GetMarkArea(TCustomdxBarControl* ABar) const override;

  // ---- drawing
  void DrawGlyphFrame(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits, const RECT& ACell,
                      const TdxBarPaintFlags& AFlags) const override;
  void DrawGlyph(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits, const RECT& ACell,
                 const RECT& AGlyphRect, TBitmap* AGlyph, TCustomImageList* AImages, int32_t AImageIndex,
                 const TdxBarPaintFlags& AFlags) const override;
  void DrawCheckTick(TdxBarItemControl* AItem, HDC DC, int32_t AScale, int32_t ATop, int32_t ALeft) const override;
  void DrawButtonEdge(TdxBarItemControl* AItem, HDC DC, RECT& R) const override;
  void DrawDownButtonEdge(TdxBarItemControl* AItem, HDC DC, int32_t AEdgeState, int32_t ADeflation,
                          RECT& R) const override;
  void DrawCheckedButton(TdxBarItemControl* AItem, HDC DC, bool AState, bool AEdge, const RECT& R) const override;
  void GetItemColors(TdxBarItemControl* AItem, int32_t AKind, bool AEnabled, bool AHot, bool APressed,
                     HBRUSH& ABrush, int32_t& ATextColor) const override;
  HBRUSH GetButtonFaceBrush(TdxBarItemControl* AItem, const TdxBarPaintFlags& AFlags) const override;
  void DrawButtonArrowPart(TdxBarItemControl* AItem, HDC DC, const RECT& R, HBRUSH ABrush, int32_t ATextColor,
                           bool AHot, bool APressed, bool ADroppedDown, bool ADropDownEnabled, bool AHasMenu,
                           int32_t AKind) const override;
  void DrawSeparator(TCustomdxBarControl* ABar, HDC DC, bool AHorizontal, HBRUSH ABrush, const RECT& R) const override;
  void DrawMarkBackground(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, const RECT& R) const override;
  void DrawMarkContents(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const override;
  void DrawDockedBorder(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, const RECT& R) const override;
  void DrawFloatingFrame(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, int32_t ABorderWidth,
                         const RECT& R) const override;
  void GetCaptionButtonsLeft(TCustomdxBarControl* ABar, int32_t& X, RECT& R) const override;
  void DrawCloseButton(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const override;
  void DrawCaptionMenuButton(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const override;
  void DrawMDIButton(TCustomdxBarControl* ABar, int32_t AKind, const RECT& R, HDC DC, bool ADown,
                     bool AHot) const override;
  void DrawItemCaption(TdxBarItemControl* AItem, HDC DC, RECT& R, bool AHot, bool AGlyphColumn,
                       bool ADown) const override;
  void DrawSubItem(TdxBarItemControl* AItem, HDC DC, const RECT& R, bool AHot, bool ADown,
                   int32_t AKind) const override;
};
