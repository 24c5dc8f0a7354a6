#pragma once
// The tab painter styles: the classic three (Tabs, Buttons, FlatButtons) on their shared standard painter,
// and the Flat style that the flat look-and-feels pick. Their registration in the painter registry is
// RegisterStandardPCPainters (done at program start, and again by anyone who finalized the registry).

#include <cstdint>
#include <vector>

#include "ui/pagecontrol/cxPCPainters.h"

// One navigator button as the standard painters lay it out.
struct TcxPCNavigatorButtonInfo {
  TcxPCNavigatorButton Kind = nbTopLeft;
  RECT Bounds{};
};

class TcxPCStandardPainter : public TcxPCCustomPainter {
  RTL_CLASS(TcxPCStandardPainter, TcxPCCustomPainter)
public:
  using TcxPCCustomPainter::TcxPCCustomPainter;

  // ---- the base's interface ----
  int32_t CalculateTabNormalWidth(TcxTab* ATab) override;
  // The base's image and caption drawing, with the caption in the canvas's own font: the text is drawn
  // through the canvas, which puts its font and colour into the device context first.
  void DrawTabImageAndText(TColor ATextBackgroundColor) override;
  void GetPageClientRect(RECT& R) override;
  void GetPageFrameRect(RECT& R) override;
  int32_t GetMinTabNormalWidth() override;
  void GetMinTabVisiblePart(POINT& P) override;
  void GetTabsSpacing(POINT& P) override;
  void CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) override;
  bool GetNavigatorButtonAt(int32_t X, int32_t Y, TcxPCNavigatorButton& AButton) override;
  void Paint() override;
  void DrawNavigatorButtons() override;
  void DrawPageFrame() override;
  void DrawTabs() override;
  void RepaintNavigatorButton(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AOldState) override;
  void RepaintNavigatorArea() override;
  void RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) override;
  int32_t CalculateTabNormalHeight() override;
  void GetGoDialogButtonBounds(RECT& R) override;

  // ---- added by the standard painter, in slot order ----
  virtual void DrawTab(int32_t VisibleIndex);
  virtual void CalculateNavigatorButtons(TcxPCNavigatorButtons AButtons);
  virtual void CalculateNavigatorAreaBounds(TcxPCNavigatorButtons AButtons);
  virtual int32_t GetNavigatorAreaLength(TcxPCNavigatorButtons AButtons);
  virtual int32_t GetNavigatorButtonThickness();
  virtual int32_t GetNavigatorButtonLength(TcxPCNavigatorButton AKind);
  virtual int32_t GetMinTabNormalHeight();
  virtual int32_t GetMinTabWidth() { return 42; }
  virtual void GetImageInsets(int32_t VisibleIndex, RECT& R);
  virtual void GetImageOffset(int32_t VisibleIndex, POINT& P);
  virtual void GetTextInsets(int32_t VisibleIndex, RECT& R);
  virtual TColor GetTabsAreaColor() { return ParentInfo()->Color(); }
  virtual int32_t GetImageTextGap() { return 6; }
  virtual void GetContentMargins(int32_t VisibleIndex, POINT& P);
  virtual TColor GetTabColor(int32_t VisibleIndex);
  virtual void GetTabDrawBounds(int32_t VisibleIndex, RECT& R, bool& AIntersectClip);
  virtual void GetShortContentMargins(int32_t VisibleIndex, POINT& P);
  virtual int32_t CalculateTextTabHeight();
  virtual void SetTabDrawData(int32_t VisibleIndex, const RECT& AImageRect, const String& AText, const RECT& ATextRect);
  virtual bool IsTabDrawnActive(int32_t VisibleIndex);
  virtual void DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R);
  virtual void DrawTabFrame(int32_t VisibleIndex);
  virtual void DrawNativeTab(int32_t VisibleIndex) { (void)VisibleIndex; }
  virtual void BuildNavigatorButtonList(TcxPCNavigatorButtons AButtons);

  static int32_t GetStandardStyle() { return 0; }

  const std::vector<TcxPCNavigatorButtonInfo>& NavigatorButtonList() const { return FNavigatorButtons; }
  RECT NavigatorAreaBounds() const { return FNavigatorAreaBounds; }
  // Where the current layout puts the tab's image and caption (what SetTabDrawData was given last).
  void CalculateTabContent(int32_t VisibleIndex, RECT& AImageRect, String& AText, RECT& ATextRect);
  // The caption shortened with "..." so that it fits AWidth (accelerator marks kept, counted as shown).
  String ShortenCaption(const String& ACaption, int32_t AWidth);

protected:
  static bool RectIsEmpty(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }
  static RECT InflateBy(RECT R, int32_t DX, int32_t DY) {
    R.left -= DX;
    R.top -= DY;
    R.right += DX;
    R.bottom += DY;
    return R;
  }
  // The index into the standard styles' tables (0 Tabs, 1 Buttons, 2 FlatButtons) of this very painter.
  virtual int32_t StandardStyle() const { return 0; }
  bool IsMainTab(int32_t VisibleIndex) const { return VisibleIndex == Control()->MainTabVisibleIndex(); }
  bool IsHorizontalStrip() const { return !Control()->IsVerticalStrip(); }
  // Measures with the control's font.
  TcxCanvas* MeasureCanvas();
  // The arrow glyph: a filled triangle of size s with its left-top at (X, Y).
  void DrawGlyph(TcxPCNavigatorButton AKind, int32_t X, int32_t Y, int32_t ASize, TColor AColor);
  // The frames of the button styles (two pixels, or one for the thin frame).
  void DrawRaisedFrame(const RECT& R);
  void DrawSunkenFrame(const RECT& R);
  void DrawThinFrame(const RECT& R, bool ASunken);
  void DrawFocusRectIfNeeded(int32_t VisibleIndex, const RECT& R);
  // The current caption at R's origin (single line, '&' underlines), embossed when not usable.
  void DrawCaption(TCanvas* ACanvas, const RECT& R, bool AUsable, TColor ATextColor);
  // A one-pixel axis-aligned line from (X1, Y1) to (X2, Y2), both ends included.
  void FillLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor AColor);
  void FillWithColor(const RECT& R, TColor AColor);
  // The glyph direction of a navigator button on this strip.
  enum class TGlyphDirection { Up, Down, Left, Right };
  TGlyphDirection GlyphDirection(TcxPCNavigatorButton AKind) const;

  std::vector<TcxPCNavigatorButtonInfo> FNavigatorButtons;
  RECT FNavigatorAreaBounds{};
};

// Tabs: notebook tabs with a classic outline; the selected tab stands out and joins the page.
class TcxPCTabsPainter : public TcxPCStandardPainter {
  RTL_CLASS(TcxPCTabsPainter, TcxPCStandardPainter)
public:
  using TcxPCStandardPainter::TcxPCStandardPainter;
  static int32_t GetStandardStyle() { return 0; }
  static TcxPCStyleID GetStyleID() { return 1; }
  static String GetStyleName() { return "Tabs"; }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel);
  static bool IsNativeStyleSupported(TcxLookAndFeel* ALookAndFeel);
  static bool MirrorsContentForFlippedTabs() { return true; }
  static bool AllowsMultiSelect() { return false; }
  static bool PressesTabsLikeButtons() { return false; }

  void GetTabCorrection(int32_t VisibleIndex, RECT& R) override;
  void CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) override;
  void GetPageFrameRect(RECT& R) override;
  void GetPageClientRect(RECT& R) override;
  void DrawTabs() override;
  void RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) override;
  void RepaintTabsArea() override;
  int32_t CalculateTextTabHeight() override;
  void GetTabDrawBounds(int32_t VisibleIndex, RECT& R, bool& AIntersectClip) override;

  // Through visual styles: the look-and-feel asks for the native style, visual styles are on and the tab
  // theme opens. Vertical captions are drawn the classic way (see IsNativePainting).
  bool IsNativePainting() override;
  void GetTabThemeParts(int32_t VisibleIndex, int32_t& APartId, int32_t& AStateId) override;
  void Paint() override;
  void DrawPageFrame() override;
  void DrawNativeTab(int32_t VisibleIndex) override;
  void DrawTabFrame(int32_t VisibleIndex) override;
  void SetTabDrawData(int32_t VisibleIndex, const RECT& AImageRect, const String& AText, const RECT& ATextRect) override;
  int32_t GetNavigatorButtonThickness() override;
  int32_t GetNavigatorButtonLength(TcxPCNavigatorButton AKind) override;
  void DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R) override;

protected:
  int32_t StandardStyle() const override { return 0; }
};

// The button styles' shared page frame: a gap from the rows and a frame only when ShowFrame is set.
class TcxPCButtonedPainter : public TcxPCStandardPainter {
  RTL_CLASS(TcxPCButtonedPainter, TcxPCStandardPainter)
public:
  using TcxPCStandardPainter::TcxPCStandardPainter;
  static bool AllowsMultiSelect() { return true; }
  static bool PressesTabsLikeButtons() { return true; }
  static bool MirrorsContentForFlippedTabs() { return false; }
  void GetPageFrameRect(RECT& R) override;
  void DrawPageFrame() override;
};

// Buttons: raised push buttons; active ones are pressed in.
class TcxPCButtonsPainter : public TcxPCButtonedPainter {
  RTL_CLASS(TcxPCButtonsPainter, TcxPCButtonedPainter)
public:
  using TcxPCButtonedPainter::TcxPCButtonedPainter;
  static int32_t GetStandardStyle() { return 1; }
  static TcxPCStyleID GetStyleID() { return 2; }
  static String GetStyleName() { return "Buttons"; }
  void DrawTabFrame(int32_t VisibleIndex) override;

protected:
  int32_t StandardStyle() const override { return 1; }
};

// FlatButtons: flat buttons that rise under the mouse, separated by etched grooves.
class TcxPCFlatButtonsPainter : public TcxPCButtonedPainter {
  RTL_CLASS(TcxPCFlatButtonsPainter, TcxPCButtonedPainter)
public:
  using TcxPCButtonedPainter::TcxPCButtonedPainter;
  static int32_t GetStandardStyle() { return 2; }
  static TcxPCStyleID GetStyleID() { return 3; }
  static String GetStyleName() { return "FlatButtons"; }
  void DrawTabs() override;
  void DrawTabFrame(int32_t VisibleIndex) override;

protected:
  int32_t StandardStyle() const override { return 2; }
};

// Flat: tabs on a band of a lighter face colour; the selected tab in the face colour joins the page.
class TcxPCFlatPainter : public TcxPCStandardPainter {
  RTL_CLASS(TcxPCFlatPainter, TcxPCStandardPainter)
public:
  using TcxPCStandardPainter::TcxPCStandardPainter;
  static int32_t GetStandardStyle() { return 0; }
  static TcxPCStyleID GetStyleID() { return 5; }
  static String GetStyleName() { return "Flat"; }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel);
  static bool IsNativeStyleSupported(TcxLookAndFeel* ALookAndFeel) { (void)ALookAndFeel; return false; }
  static bool MirrorsContentForFlippedTabs() { return true; }
  static bool AllowsMultiSelect() { return false; }
  static bool PressesTabsLikeButtons() { return false; }

  int32_t CalculateTabNormalWidth(TcxTab* ATab) override;
  int32_t GetMinTabNormalWidth() override;
  int32_t CalculateTextTabHeight() override;
  int32_t CalculateTabNormalHeight() override;
  int32_t GetMinTabNormalHeight() override { return 17; }
  int32_t GetImageTextGap() override { return 6; }
  void GetTabsSpacing(POINT& P) override;
  int32_t GetNavigatorButtonThickness() override { return 13; }
  int32_t GetNavigatorButtonLength(TcxPCNavigatorButton AKind) override { (void)AKind; return 13; }
  int32_t GetNavigatorAreaLength(TcxPCNavigatorButtons AButtons) override;
  void CalculateNavigatorAreaBounds(TcxPCNavigatorButtons AButtons) override;
  void CalculateNavigatorButtons(TcxPCNavigatorButtons AButtons) override;
  TColor GetTabsAreaColor() override { return clBtnFace; }
  TColor GetTabColor(int32_t VisibleIndex) override;
  void GetTabCorrection(int32_t VisibleIndex, RECT& R) override;
  void GetImageInsets(int32_t VisibleIndex, RECT& R) override;
  void GetTextInsets(int32_t VisibleIndex, RECT& R) override;
  void GetContentMargins(int32_t VisibleIndex, POINT& P) override;
  void GetShortContentMargins(int32_t VisibleIndex, POINT& P) override;
  void CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) override;
  void GetPageClientRect(RECT& R) override;
  void GetPageFrameRect(RECT& R) override;
  void PaintControl() override;
  void DrawPageFrame() override;
  void DrawTabs() override;
  void DrawTabFrame(int32_t VisibleIndex) override;
  void DrawNavigatorButton(TcxPCNavigatorButton AKind, const RECT& R) override;
  void RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) override;
  bool IsTabDrawnActive(int32_t VisibleIndex) override { return IsMainTab(VisibleIndex); }

protected:
  int32_t StandardStyle() const override { return 0; }
};

// The flat style's lighter face: clBtnFace with 20 added to each channel (above 235 becomes 255). Taken
// from the current system colours each time, so that a change of the system colours shows at once.
TColor cxPCLightBrushColor();

// Registers Tabs, Buttons, FlatButtons and Flat in that order (each once), and takes them out again.
void RegisterStandardPCPainters();
void UnregisterStandardPCPainters();
