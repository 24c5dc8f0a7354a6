#pragma once
// Cells: everything the grid shows (a level tab, a header, a record, a data cell, a button) is a view-info
// object that knows its rectangle, text, colours, font, borders and its state (normal, hot, pressed), answers
// hit tests, and creates a short-lived painter to paint itself. The bases here give the measuring, the text
// flags, the custom-draw protocol, the state machine of presses and moves (with mouse capture and tracking)
// and, for the cells of a view, the hint of a text that does not fit.

#include <cstdint>

#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/grid/cxGridCommon.h"

class TcxCustomGridHitTest;
class TcxCustomGridCellViewInfo;
class TcxCustomGridCellPainter;
class TcxCustomGridController;
class TcxCustomGridView;
class TcxCustomGridViewInfo;

enum TcxGridCellState : uint8_t { gcsNormal, gcsHot, gcsPressed };

using TcxCustomGridCellPainterClass = TcxGridClassRef<TcxCustomGridCellPainter, TcxCanvas*, TcxCustomGridCellViewInfo*>;

// ---- the cell base -------------------------------------------------------------------------------------------

// Made and freed (Free) by the view info or site that owns it; it is no reference-counted interface.
class TcxCustomGridCellViewInfo : public TObject, public IcxMouseTrackingCaller, public IcxMouseCaptureObject {
  RTL_CLASS(TcxCustomGridCellViewInfo, TObject)
  RTL_INTERFACES(IcxMouseTrackingCaller, IcxMouseCaptureObject)
public:
  TcxCustomGridCellViewInfo() = default;
  ~TcxCustomGridCellViewInfo() override;
  // Releases the capture and returns to the normal state (which stops the mouse tracking).
  void BeforeDestruction() override;
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

  // ---- hooks ----
  void CaptureLost() override;
  // The tracked mouse left Bounds.
  void MouseLeave() override { MouseLeftArea(); }
  virtual void MouseLeftArea();
  virtual bool ContainsPoint(POINT P);
  virtual void ResetContentBounds() { FContentBoundsAssigned = false; }
  virtual void ReadParamsFromCanvas(TcxCanvas* ACanvas);
  virtual void ApplyParamsToCanvas(TcxCanvas* ACanvas);
  virtual void BeforeStateChange() {}
  virtual void CalculateContentBounds(RECT& R);
  virtual int32_t CalculateHeight() = 0;
  virtual int32_t CalculateWidth() = 0;
  virtual bool CapturesMouseWhenPressed() { return false; }
  virtual void Click() {}
  // True when the handler drew the cell (or its background) itself.
  virtual bool DoCustomDraw(TcxCanvas* ACanvas) { (void)ACanvas; return false; }
  virtual bool DoCustomDrawBackground(TcxCanvas* ACanvas) { (void)ACanvas; return false; }
  virtual void CalculateParams();
  virtual void Invalidate();
  virtual bool CustomDraw(TcxCanvas* ACanvas);
  virtual bool CustomDrawBackground(TcxCanvas* ACanvas);
  virtual TAlignment GetAlignmentHorz() { return taLeftJustify; }
  virtual TcxAlignmentVert GetAlignmentVert() { return vaTop; }
  virtual TBitmap* GetBackgroundBitmap() { return nullptr; }
  virtual void GetBorderBounds(TcxBorder ABorder, RECT& R);
  virtual TColor GetBorderColor(TcxBorder ABorder) { (void)ABorder; return clDefault; }
  virtual TcxBorders GetBorders() { return TcxBorders(); }
  virtual int32_t GetBorderWidth(TcxBorder ABorder) { (void)ABorder; return 0; }
  virtual TcxCanvas* GetCanvas() = 0;
  virtual int32_t GetHeightForTextHeight(int32_t ATextHeight, TObject* AContext) { (void)AContext; return ATextHeight + 4; }
  virtual int32_t GetContentHeight();
  virtual int32_t GetContentWidth();
  // The control whose canvas GetCanvas wraps, or nil.
  virtual TcxControl* GetControl() { return nullptr; }
  virtual int32_t GetHeight() { return FBounds.bottom - FBounds.top; }
  // A TcxCustomGridHitTest class, or nil.
  virtual TClass GetHitTestClass() = 0;
  virtual bool HandlesMouse() { return false; }
  virtual bool KeepsPressedState() { return false; }
  virtual bool HasFocusRect() { return false; }
  virtual bool CanPaint() { return FVisible; }
  virtual bool HasCapture();
  virtual bool GetMultiLine() { return false; }
  virtual bool GetMultiLinePainting() { return FMultiLine; }
  virtual TcxCustomGridCellPainterClass GetPainterClass();
  virtual bool GetShowEndEllipsis() { return false; }
  virtual void GetText(String& AText) { AText.clear(); }
  virtual void GetTextAreaBounds(RECT& R);
  virtual uint32_t GetTextFlags(bool AForPainting);
  virtual int32_t CalculateDefaultHeight(TcxCustomGridViewInfo* AViewInfo, TObject* AContext);
  virtual bool HasBackgroundBitmap() { return GetBackgroundBitmap() != nullptr; }
  virtual void GetViewParams(TcxViewParamsRec& AParams) { (void)AParams; }
  virtual bool GetVisible() { return FVisible; }
  virtual bool IsHitTestVisible() { return FVisible; }
  virtual int32_t GetWidth() { return FBounds.right - FBounds.left; }
  virtual bool HasCustomDraw() { return false; }
  virtual bool HasCustomDrawBackground() { return false; }
  virtual bool IsHitTestOf(TcxCustomGridHitTest* AHitTest);
  virtual void PrepareHitTest(TcxCustomGridHitTest* AHitTest);
  virtual bool InvalidateOnStateChange() { return true; }
  virtual void Offset(int32_t DX, int32_t DY);
  virtual void RestoreParams(const TcxViewParamsRec& AParams) { FParams = AParams; }
  virtual void SaveParams(TcxViewParamsRec& AParams) { AParams = FParams; }
  virtual void SetHeight(int32_t Value) { FBounds.bottom = FBounds.top + Value; }
  virtual void SetCapture(bool Value);
  virtual void SetWidth(int32_t Value) { FBounds.right = FBounds.left + Value; }
  virtual void StateChanged();
  virtual void BeforeRecalculation() { FParamsCalculated = false; }
  // A width or height of -1 is calculated.
  virtual void Calculate(int32_t ALeft, int32_t ATop, int32_t AWidth = -1, int32_t AHeight = -1);
  virtual void CalculateFromRect(const RECT& R);
  virtual void GetVisibleBounds(RECT& R) { R = FBounds; }
  virtual TcxCustomGridHitTest* GetHitTest(POINT P);
  virtual bool HasPoint(POINT P);
  virtual void InvalidateForState() { Invalidate(); }
  virtual bool MouseDown(TcxCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift);
  virtual bool MouseMove(TcxCustomGridHitTest* AHitTest, TShiftState AShift);
  virtual bool MouseUp(TcxCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift);
  virtual void Paint(TcxCanvas* ACanvas = nullptr);

  // ---- the rest ----
  void Recalculate();
  void EnsureParamsCalculated();
  void Shift(int32_t DX, int32_t DY);
  void SetState(TcxGridCellState Value);
  TcxButtonState ButtonState() const;
  int32_t TextWidth();
  int32_t TextHeight();
  int32_t TextWidthWithOffset() { return TextWidth() + 4; }
  int32_t TextHeightWithOffset() { return TextHeight() + 4; }
  void GetTextBounds(RECT& R);

  const RECT& Bounds() const { return FBounds; }
  RECT ContentBounds();
  RECT TextAreaBounds() {
    RECT r;
    GetTextAreaBounds(r);
    return r;
  }
  TcxGridCellState State() const { return FState; }
  const TcxViewParamsRec& Params() const { return FParams; }
  TcxViewParamsRec& Params() { return FParams; }
  TAlignment AlignmentHorz() const { return FAlignmentHorz; }
  TcxAlignmentVert AlignmentVert() const { return FAlignmentVert; }
  TcxBorders Borders() const { return FBorders; }
  const String& Text() const { return FText; }
  bool MultiLine() const { return FMultiLine; }
  bool MultiLinePainting() const { return FMultiLinePainting; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool Calculated() const { return FCalculated; }
  bool Destroying() const { return FDestroying; }

protected:
  RECT FBounds{};

private:
  // Custom drawing with the cell's values on the canvas; what an unhandled drawing changed there comes back.
  bool RunCustomDraw(TcxCanvas* ACanvas, bool (TcxCustomGridCellViewInfo::*AHandler)(TcxCanvas*));
  RECT FContentBounds{};
  bool FContentBoundsAssigned = false;
  TcxGridCellState FState = gcsNormal;
  TcxViewParamsRec FParams{nullptr, clDefault, nullptr, clDefault};
  TAlignment FAlignmentHorz = taLeftJustify;
  TcxAlignmentVert FAlignmentVert = vaTop;
  TcxBorders FBorders;
  String FText;
  bool FMultiLine = false;
  bool FMultiLinePainting = false;
  bool FVisible = true;
  bool FParamsCalculated = false;
  bool FCalculatingParams = false;
  bool FCalculated = false;
  bool FDestroying = false;
};

// ---- the cell of a view ----------------------------------------------------------------------------------------

class TcxCustomGridViewCellViewInfo : public TcxCustomGridCellViewInfo {
  RTL_CLASS(TcxCustomGridViewCellViewInfo, TcxCustomGridCellViewInfo)
public:
  explicit TcxCustomGridViewCellViewInfo(TcxCustomGridViewInfo* AGridViewInfo) : FGridViewInfo(AGridViewInfo) {}
  // Leaves its view info's registered cells.
  void BeforeDestruction() override;

  TcxCustomGridViewInfo* GridViewInfo() const { return FGridViewInfo; }
  TcxCustomGridView* GridView() const;
  TcxCustomGridController* Controller() const;
  TcxCustomLookAndFeelPainterClass LookAndFeelPainter() const;

  virtual bool UpdatesHotStateAfterCalculation() { return false; }
  virtual bool HasHint() { return false; }
  // Empty: no clipping.
  virtual void GetHintClipBounds(RECT& R) { R = RECT{}; }
  virtual void GetHintAreaBounds(RECT& R) { GetTextAreaBounds(R); }
  // Whether the text at P does not fit and needs a hint; then its text, text area and line mode.
  virtual bool NeedsHint(POINT P, String& AText, RECT& ATextArea, bool& AMultiLine);

  TcxCanvas* GetCanvas() override;
  TcxControl* GetControl() override;
  // Repaints through the view's change queue.
  void Invalidate() override;
  void InvalidateForState() override;
  bool IsHitTestOf(TcxCustomGridHitTest* AHitTest) override;
  void PrepareHitTest(TcxCustomGridHitTest* AHitTest) override;
  // A cell under a resting mouse becomes hot again after every recalculation.
  void ResetContentBounds() override;
  bool MouseMove(TcxCustomGridHitTest* AHitTest, TShiftState AShift) override;

  void ShowCellHint(POINT P);

private:
  TcxCustomGridViewInfo* FGridViewInfo;
};

// ---- the cell painter ------------------------------------------------------------------------------------------

class TcxCustomGridCellPainter : public TObject {
  RTL_CLASS(TcxCustomGridCellPainter, TObject)
public:
  TcxCustomGridCellPainter(TcxCanvas* ACanvas, TcxCustomGridCellViewInfo* AViewInfo)
      : FCanvas(ACanvas), FViewInfo(AViewInfo) {}

  TcxCanvas* Canvas() const { return FCanvas; }
  TcxCustomGridCellViewInfo* ViewInfo() const { return FViewInfo; }

  virtual void DrawFocusIfOwnCanvas();
  virtual void BeforePaint() {}
  virtual void ExcludeFromClipping();
  virtual void DrawBackground();
  // Tiles R with the cell's background bitmap when it has one; answers whether it did.
  virtual bool DrawBackgroundBitmap(TcxCanvas* ACanvas, const RECT& R);
  virtual void DrawBorder(TcxBorder ABorder);
  virtual void DrawBorders();
  virtual void DrawContent();
  virtual void DrawFocusRect();
  virtual void DrawText();
  virtual bool ExcludesFromClipping() { return false; }
  virtual bool IsVisibleOnCanvas();
  virtual void PaintContent();
  virtual void BeforeDrawText() {}
  virtual void AfterDrawText() {}
  virtual void Paint();

private:
  TcxCanvas* FCanvas;
  TcxCustomGridCellViewInfo* FViewInfo;
};
