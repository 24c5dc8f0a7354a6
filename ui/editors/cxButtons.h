#pragma once
// The suite's push button: an owner-drawn platform button that paints face, frame, glyph, caption, the
// drop-down arrow and the focus rectangle through the look-and-feel painters, with per-state colours, hot
// tracking, and two kinds that open a popup menu under the button.

#include <cstdint>

#include "forms/Buttons.h"
#include "forms/Controls.h"
#include "forms/Graphics.h"
#include "forms/Menus.h"
#include "forms/StdCtrls.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"

enum TcxButtonKind : uint8_t { cxbkStandard, cxbkDropDown, cxbkDropDownButton };
RTL_ENUM(TcxButtonKind, cxbkStandard, cxbkDropDown, cxbkDropDownButton)

using TcxButtonAssignedColors = Set<TcxButtonState>;

// Posted to the button: open its drop-down menu / its menu has closed. Opening is posted so that the menu
// shows after the input message that asked for it.
constexpr UINT CM_DROPDOWNPOPUPMENU = 0x812C;
constexpr UINT CM_CLOSEUPPOPUPMENU = 0x812D;
// Width of the arrow part of a cxbkDropDownButton.
constexpr int32_t cxDropDownButtonWidth = 15;

class TcxCustomButton;

// ---- colours per state -----------------------------------------------------------------------------------

class TcxButtonColors : public TPersistent {
  RTL_CLASS(TcxButtonColors, TPersistent)
  RTL_PUBLISHED_DECL
public:
  explicit TcxButtonColors(TcxCustomButton* AButton) : FButton(AButton) {}
  void Assign(TPersistent* Source) override;

  TcxButtonAssignedColors AssignedColors() const { return FAssignedColors; }
  // Only at design time: removed states go back to clDefault, added states without a colour are dropped.
  void SetAssignedColors(TcxButtonAssignedColors Value);
  TColor Color(TcxButtonState AState) const { return FColors[AState]; }
  // clNone and clDefault give the state back to the painter.
  void SetColor(TcxButtonState AState, TColor Value);

  TColor Default() const { return Color(cxbsDefault); }
  void SetDefault(TColor v) { SetColor(cxbsDefault, v); }
  TColor Normal() const { return Color(cxbsNormal); }
  void SetNormal(TColor v) { SetColor(cxbsNormal, v); }
  TColor Hot() const { return Color(cxbsHot); }
  void SetHot(TColor v) { SetColor(cxbsHot, v); }
  TColor Pressed() const { return Color(cxbsPressed); }
  void SetPressed(TColor v) { SetColor(cxbsPressed, v); }
  TColor Disabled() const { return Color(cxbsDisabled); }
  void SetDisabled(TColor v) { SetColor(cxbsDisabled, v); }
  bool IsColorStored(TcxButtonState AState) const { return FAssignedColors.Contains(AState); }
  bool IsDefaultStored() const { return IsColorStored(cxbsDefault); }
  bool IsNormalStored() const { return IsColorStored(cxbsNormal); }
  bool IsHotStored() const { return IsColorStored(cxbsHot); }
  bool IsPressedStored() const { return IsColorStored(cxbsPressed); }
  bool IsDisabledStored() const { return IsColorStored(cxbsDisabled); }

private:
  void Changed();
  TcxCustomButton* FButton;
  TcxButtonAssignedColors FAssignedColors;
  TColor FColors[5] = {clDefault, clDefault, clDefault, clDefault, clDefault};
};

// ---- glyph -----------------------------------------------------------------------------------------------

// Where glyph and caption go inside a button face.
struct TcxButtonGlyphLayout {
  POINT GlyphPos{0, 0};
  RECT TextBounds{0, 0, 0, 0};
};

class TcxButtonGlyph : public TObject {
  RTL_CLASS(TcxButtonGlyph, TObject)
public:
  TcxButtonGlyph();
  ~TcxButtonGlyph() override;

  TBitmap* Glyph() const { return FOriginal; }
  void SetGlyph(TBitmap* Value);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t Value);
  TColor TransparentColor() const { return FTransparentColor; }
  SIZE GlyphSize() const;

  TcxButtonGlyphLayout CalcLayout(TcxCanvas* ACanvas, const RECT& AClient, POINT AOffset, const String& ACaption,
                                  TButtonLayout ALayout, int32_t AMargin, int32_t ASpacing, uint32_t ABiDiFlags,
                                  bool AWordWrap);
  TcxButtonGlyphLayout Draw(TcxCanvas* ACanvas, const RECT& AClient, POINT AOffset, const String& ACaption,
                            TButtonLayout ALayout, int32_t AMargin, int32_t ASpacing, TcxButtonState AState,
                            uint32_t ABiDiFlags, bool ATransparent, bool AWordWrap);
  void DrawGlyph(TcxCanvas* ACanvas, POINT APos, TcxButtonState AState, bool ATransparent);
  void DrawCaption(TcxCanvas* ACanvas, const String& ACaption, RECT ATextBounds, TcxButtonState AState,
                   uint32_t ABiDiFlags, bool AWordWrap);
  // Drops the images made from the strip.
  void Invalidate();

  // The image of a button state, made on first use: 0 up, 1 disabled, 2 down, 3 exclusive; -1 without glyph.
  virtual int32_t CreateButtonGlyph(TcxButtonState AState);
  // The made image of a glyph state (nullptr when not made) and the colour that is transparent in it.
  TBitmap* Image(int32_t AIndex) const { return AIndex >= 0 && AIndex < 4 ? FImages[AIndex] : nullptr; }
  TColor ImageMaskColor(int32_t AIndex) const { return FMaskColors[AIndex]; }

  TNotifyEvent OnChange;

private:
  bool HasImage() const { return FOriginal->Width() > 0 && FOriginal->Height() > 0; }
  bool WordWrapApplies(bool AWordWrap) const { return AWordWrap && !HasImage(); }
  void GlyphChanged(TObject* Sender);
  TBitmap* FOriginal;
  TBitmap* FImages[4] = {nullptr, nullptr, nullptr, nullptr};
  TColor FMaskColors[4] = {clDefault, clDefault, clDefault, clDefault};
  TColor FTransparentColor = clOlive;
  int32_t FNumGlyphs = 1;
};

// ---- the button ------------------------------------------------------------------------------------------

using TcxButtonDropDownMenuPopupEvent = Event<TObject*, TPopupMenu*&, bool&>;
using TcxButtonGetDrawParamsEvent = Event<TObject*, TcxButtonState, TColor&, TFont*>;

class TcxCustomButton : public TButton, public IcxMouseTrackingCaller {
  RTL_CLASS(TcxCustomButton, TButton)
  RTL_INTERFACES(IcxMouseTrackingCaller)
  RTL_PUBLISHED_DECL
public:
  explicit TcxCustomButton(TComponent* AOwner);
  ~TcxCustomButton() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TcxButtonColors* Colors() const { return FColors; }
  void SetColors(TcxButtonColors* Value) { FColors->Assign(Value); }
  TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(TPopupMenu* Value);
  TBitmap* Glyph() const { return FGlyph->Glyph(); }
  void SetGlyph(TBitmap* Value);
  int32_t NumGlyphs() const { return FGlyph->NumGlyphs(); }
  void SetNumGlyphs(int32_t Value);
  TcxButtonKind Kind() const { return FKind; }
  void SetKind(TcxButtonKind Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel; }
  void SetLookAndFeel(TcxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t Value);
  TPopupAlignment PopupAlignment() const { return FPopupAlignment; }
  void SetPopupAlignment(TPopupAlignment Value) { FPopupAlignment = Value; }
  // The context menu: a TPopupMenu or a suite menu; anything else is stored as nil.
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  bool UseSystemPaint() const { return FUseSystemPaint; }
  void SetUseSystemPaint(bool Value) { FUseSystemPaint = Value; }
  // The platform button has no word wrapping of its own; kept here for the glyph's layout.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  // The painter the button draws with: an Office11 look falls back to the themed or the standard painter.
  TcxCustomLookAndFeelPainterClass GetPainterClass() const;
  TcxButtonGlyph* GlyphObject() const { return FGlyph; }
  bool MenuVisible() const { return FMenuVisible; }
  bool IsHot() const { return FIsMouseInControl; }
  // The state the last paint used.
  TcxButtonState PaintedState() const { return FPaintedState; }
  // Opens the drop-down menu (posted).
  void DropDown();
  void Click() override;

  TcxButtonDropDownMenuPopupEvent OnDropDownMenuPopup;
  TcxButtonGetDrawParamsEvent OnGetDrawParams;

  // message handlers
  void CNDrawItem(TMessage& m);
  void CNMeasureItem(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMLButtonDown(TMessage& m);
  void WMLButtonUp(TMessage& m);
  void WMLButtonDblClk(TMessage& m);
  void WMCaptureChanged(TMessage& m);
  void WMContextMenu(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMFocusChanged(TMessage& m);
  void CMDialogKey(TMessage& m);
  void BMSetStyle(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CMDropDownPopupMenu(TMessage& m);
  void CMCloseUpPopupMenu(TMessage& m);

  // IcxMouseTrackingCaller; the button's lifetime is its owner's, so the interface counts nothing.
  void MouseLeave() override { Perform(CM_MOUSELEAVE, 0, 0); }
  int32_t QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }

protected:
  virtual bool DoOnDropDownMenuPopup(TPopupMenu*& AMenu);
  virtual bool PopupDropDownMenu(TComponent* AMenu, int32_t X, int32_t Y);
  virtual TClass GetGlyphClass() const { return TcxButtonGlyph::StaticClass(); }
  // True would leave the button to the platform's painting; the button always paints itself.
  virtual bool GetFlag56() const { return false; }

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& params) override;
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  virtual void SetButtonStyle(bool ADefault);

private:
  bool HotTrackingOn();
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool CursorOverButton();
  RECT ArrowRect();
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AValues);
  void GlyphChanged(TObject* Sender);

  bool FIsPressed = false;
  bool FIsDefault = false;
  TcxCanvas* FCanvas = nullptr;
  TcxButtonColors* FColors = nullptr;
  TControlCanvas* FControlCanvas = nullptr;
  bool FLockDown = false;
  TPopupMenu* FDropDownMenu = nullptr;
  bool FIsFocused = false;
  bool FMenuVisibleClosedByMouse = false;
  TcxButtonKind FKind = cxbkStandard;
  TcxLookAndFeel* FLookAndFeel = nullptr;
  TPopupAlignment FPopupAlignment = paLeft;
  TComponent* FPopupMenu = nullptr;
  bool FUseSystemPaint = false;
  TcxButtonGlyph* FGlyph = nullptr;
  TButtonLayout FLayout = blGlyphLeft;
  int32_t FMargin = -1;
  bool FMenuVisible = false;
  bool FIsMouseInControl = false;
  int32_t FSpacing = 4;
  bool FWordWrap = false;
  bool FInMouseUp = false;
  TcxButtonState FPaintedState = cxbsNormal;
};

class TcxButton : public TcxCustomButton {
  RTL_CLASS(TcxButton, TcxCustomButton)
  RTL_PUBLISHED_DECL
public:
  explicit TcxButton(TComponent* AOwner) : TcxCustomButton(AOwner) {}
};
