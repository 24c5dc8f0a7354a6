#pragma once
// Buttons with pictures: TBitBtn, a push button with a glyph and a kind that gives it the standard
// caption and modal result, and TSpeedButton, a windowless button that can stay down alone or as one of
// a group.

#include <cstdint>

#include "forms/StdCtrls.h"

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
RTL_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
enum TBitBtnKind : uint8_t { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
RTL_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll)
// The states a glyph strip holds pictures for, in order.
enum TButtonState : uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

// The caption and modal result a kind gives a button.
String BitBtnCaption(TBitBtnKind kind);
TModalResult BitBtnModalResult(TBitBtnKind kind);

// Where the glyph and the caption go in a button's face (client coordinates); exposed for tests.
struct TButtonFaceLayout {
  RECT Glyph;
  RECT Text;
};
TButtonFaceLayout CalcButtonLayout(const RECT& client, SIZE glyph, SIZE text, TButtonLayout layout,
                                   int32_t margin, int32_t spacing);

class TBitBtn : public TButton {
  RTL_CLASS(TBitBtn, TButton)
  RTL_PUBLISHED_DECL
public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;
  TBitBtnKind Kind() const { return FKind; }
  void SetKind(TBitBtnKind v);
  // A strip of NumGlyphs pictures: up, disabled, down, exclusive.
  TBitmap* Glyph() const { return FGlyph; }
  void SetGlyph(TBitmap* v);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t v);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout v);
  // Pixels between glyph and caption.
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t v);
  // Pixels from the edge to the glyph; -1 centres glyph and caption together.
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t v);
  void Click() override;

  void CNDrawItem(TMessage& m);
  void WMLButtonDblClk(TMessage& m);
  void CMFocusChanged(TMessage& m);
  void BMSetStyle(TMessage& m);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void GlyphChanged(TObject*);
  TBitBtnKind FKind = bkCustom;
  TBitmap* FGlyph;
  int32_t FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  int32_t FSpacing = 4;
  int32_t FMargin = -1;
  TCanvas* FCanvas;
};

class TSpeedButton : public TGraphicControl {
  RTL_CLASS(TSpeedButton, TGraphicControl)
  RTL_PUBLISHED_DECL
public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  // Buttons of one parent with the same non-zero GroupIndex: at most one is down.
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t v);
  bool Down() const { return FDown; }
  void SetDown(bool v);
  // Lets the down button of a group come up when clicked again.
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool v);
  // No frame until the mouse is over the button.
  bool Flat() const { return FFlat; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return FGlyph; }
  void SetGlyph(TBitmap* v);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t v);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout v);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t v);
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t v);
  bool MouseInControl() const { return FMouseInControl; }

  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMTextChanged(TMessage& m);
  void CMDialogChar(TMessage& m);

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

private:
  void GlyphChanged(TObject*);
  void UpdateExclusive();
  int32_t FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FFlat = false;
  bool FDragging = false;  // the left button went down on the button and is still held
  bool FPressed = false;   // drawn pressed while dragging over it
  TBitmap* FGlyph;
  int32_t FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  int32_t FSpacing = 4;
  int32_t FMargin = -1;
};
