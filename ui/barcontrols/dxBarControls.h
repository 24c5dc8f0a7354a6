#pragma once
// The tool bar window: the window of one bar, docked as a child of its dock or floating as a window of its
// own with a frame and a small caption. It places its item controls in rows (wrapping when it floats or
// its bar is multi-line), reserves the mark at the end of a docked row, draws its frame, grip and caption
// through the manager's painter, works in keyboard menu mode, and floats or docks on a double click on its
// grip or caption.
//
// The bar controls unit installs the tool bar window, the item controls of buttons and sub-items and the
// flat painter into the bar unit, and loads the bar cursors.

#include <cstdint>

#include "ui/bars/dxBar.h"

extern const TUnit dxBarControlsUnit;

// The screen cursors the bar system uses while customizing.
constexpr TCursor crdxBarDrag = 1041;
constexpr TCursor crdxBarDragCopy = 1042;
constexpr TCursor crdxBarDragNoDrop = 1043;
constexpr TCursor crdxBarEditSizing = 1044;

// The hint of the mark: more buttons than fit.
extern const char* const sdxBarMoreButtons;

class TdxBarControl : public TCustomdxBarControl {
  RTL_CLASS(TdxBarControl, TCustomdxBarControl)
public:
  explicit TdxBarControl(TComponent* AOwner) : TCustomdxBarControl(AOwner) {}
  void BeforeDestruction() override;

  void SetBar(TdxBar* ABar) override;
  // The form the window belongs to: its dock's form when docked, else the manager's.
  TCustomForm* GetOwnerForm();
  bool IsVertical() const { return FDockingStyle == dsLeft || FDockingStyle == dsRight; }
  // Floating windows and multi-line bars place their items in several rows.
  bool Wraps() const;
  bool MenusDropped() const { return FMenusDropped; }
  void SetMenusDropped(bool AValue) { FMenusDropped = AValue; }
  int32_t LastHitTest() const { return FLastHitTest; }
  bool HasCaption() const { return FHasCaption; }
  bool SizeGripShown() const { return FSizeGripShown; }
  int32_t CaptionButtonWidth() const { return FCaptionButtonWidth; }
  int32_t CaptionButtonHeight() const { return FCaptionButtonHeight; }

  // ---- the window base's operations
  void UpdateMetrics() override;
  bool IsLastItemControl(TdxBarItemControl* AControl) override;
  bool AllowsItemCustomizing() override;
  int32_t GetSeparatorSize() override;
  HFONT GetFontHandle() override;
  RECT GetItemRect(TdxBarItemControl* AControl) override;
  HRGN CreateItemRegion(TdxBarItemControl* AControl) override;
  HBRUSH GetBkBrush() override;
  TdxBarItemControl* GetItemControlAtPos(POINT P, bool& ABeyondItem, bool& AVertical, bool& ANearerStart) override;
  bool HasMark() override;
  bool IsSameMousePos(POINT AClientPoint) override;
  void RepaintItem(TdxBarItemControl* AControl) override;
  void SetDockingStyle(TdxBarDockingStyle AStyle) override;
  void UpdateFont() override;
  void SetActive(bool AValue) override;
  void SelectControl(TdxBarItemControl* AControl) override;
  void UpdateAlphaBlend() override;
  void SetMarkState(uint8_t AState) override;
  void DrawBackground(HDC DC, const RECT& R, bool AClientCoords, TColor AColor, HBRUSH ABrush) override;
  bool HasBackgroundBitmap() override;
  bool IsDoubleBufferNeeded() override;
  POINT GetClientOffset() override;
  void CloseAll() override;
  void Rebuild() override;
  void RebuildAndRepaint() override;
  void PainterChanged() override;
  void UpdateFrame() override;
  void UpdateCaption() override;
  bool IsNonClientHit(LRESULT AHitTest) override;

  // ---- menu mode
  void EnterMenuMode(TdxBarItemControl* AControl) override;
  void ExitMenuMode() override;

  // ---- layout and sizes
  void CalcItemRects() override;
  // Marks where rows start for a wrapping window and grows ASize (entering with the minimum size) to the
  // wrapped layout; AMaxLength is the length a row may take.
  void WrapItems(TdxBarDockingStyle AStyle, int32_t AMaxLength, SIZE& ASize);
  int32_t CalcMinWidth(TdxBarDockingStyle AStyle) override;
  int32_t CalcMinHeight(TdxBarDockingStyle AStyle) override;
  int32_t CalcContentWidth(TdxBarDockingStyle AStyle) override;
  int32_t CalcContentHeight(TdxBarDockingStyle AStyle) override;
  SIZE CalcSizeForWidth(TdxBarDockingStyle AStyle, int32_t AWidth) override;
  SIZE CalcSizeForHeight(TdxBarDockingStyle AStyle, int32_t AHeight) override;
  SIZE CalcSize(TdxBarDockingStyle AStyle) override;
  // Caption button 0 (minimise), 1 (restore) or 2 (close) of the main-menu bar, in client coordinates.
  RECT GetCaptionButtonRect(int32_t AIndex);
  bool HasCaptionButtons();
  POINT GetDragGrabPoint(TdxBarDockingStyle AStyle) override;
  // The area of the drag grip before a docked window's client area, in client coordinates.
  RECT GetDragGripRect();
  RECT GetMarkRect();

  // ---- frame, floating and docking
  void RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) override;
  void SetDragging(bool AValue) override;
  void StorePosition() override;
  RECT GetCaptionRect() override;
  RECT GetCloseButtonRect() override;
  uint8_t CloseButtonState() const override { return FCloseButtonState; }
  bool HasCloseButton() override;
  bool HasCaptionMark() override;
  void DrawCloseButton(HDC DC) override;
  void DrawCaptionMark(HDC DC) override;
  void DrawCaptionButton(int32_t AIndex, bool AHot, bool APressed);
  // Floats a docked bar, or docks a floating one where it was docked before (a bar never docked goes to a
  // new last row of the top dock). The window is freed on the way: the caller must not touch it again.
  void ToggleDocking();

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void BarLButtonDown(TMessage& Message) override;
  void BarLButtonUp(TMessage& Message) override;
  void BarMouseMove(TMessage& Message) override;
  void BarMouseLeave(TMessage& Message) override;
  void BarLButtonDblClk(TMessage& Message) override;
  void BarRButtonDown(TMessage& Message) override;
  void BarKeyDown(TMessage& Message) override;

private:
  // Layout helpers (along: the direction items follow each other).
  SIZE CaptionButtonArea(bool AVertical);
  int32_t MarkAllowance(TdxBarDockingStyle AStyle);
  bool IsDocked(TdxBarDockingStyle AStyle) const { return AStyle != dsNone; }
  void MeasureRow(bool AVertical, int32_t AFill, int32_t& ALength, int32_t& AThickness);
  SIZE CalcRowSize(TdxBarDockingStyle AStyle, int32_t ALength);
  void DrawItem(HDC DC, TdxBarItemControl* AControl);
  void PaintNonClient();
  void CalcNonClientSize(const RECT& AWindow, RECT& R);
  LRESULT HitTest(POINT AScreenPoint);
  void CloseButtonLoop();
  void SetCloseButtonState(uint8_t AState);
  void UpdateRotatedFont();
  void StopMarkTimer();
  void MarkTimerTick();
  void KeepOnScreen(WINDOWPOS& APos);
  void Sizing(UINT AEdge, RECT& R);
  int32_t CaptionButtonAt(POINT P);

  HWND FSavedFocus = nullptr;
  uint8_t FCloseButtonState = 0;
  bool FHasCaption = false;
  bool FSizeGripShown = false;
  int32_t FLastHitTest = 0;
  bool FMenusDropped = false;
  int32_t FCaptionButtonWidth = 0;
  int32_t FCaptionButtonHeight = 0;
  bool FMarkTimer = false;
  HFONT FRotatedFont = nullptr;
  int32_t FDragGrabX = 0, FDragWidth = 0, FDragGrabY = 0, FDragHeight = 0;
};
