#pragma once
// Tab painters: the registry of painter styles, the painter base every style derives from, and the
// read-only view of the control that painters work from.
//
// A style has two halves. The painter object (a TcxPCCustomPainter descendant, one per control) measures
// and draws; its class-level answers (style identifier and name, whether it is the default for a
// look-and-feel, multi-select, ...) are static members of the painter class, named as the virtual
// operations they stand for. TcxPCPainterClassOf<P>() turns such a class into the constant style object
// the registry lists and the control keeps (TcxPCPainterClass), so a style is declared once:
//
//   class TcxPCFooPainter : public TcxPCCustomPainter {
//     RTL_CLASS(TcxPCFooPainter, TcxPCCustomPainter)
//   public:
//     using TcxPCCustomPainter::TcxPCCustomPainter;
//     static TcxPCStyleID GetStyleID() { return 7; }
//     static String GetStyleName() { return "Foo"; }
//     ... overrides of the virtual operations ...
//   };
//   RegisterPainterClass(TcxPCPainterClassOf<TcxPCFooPainter>());
//
// The virtual interface stands in a fixed order that the styles override by; operations are appended,
// never inserted, renamed or removed.

#include <cstdint>
#include <vector>

#include "ui/pagecontrol/cxPC.h"

// ---- the style object ---------------------------------------------------------------------------------------

class TcxPCPainterClassRec {
public:
  virtual ~TcxPCPainterClassRec() = default;
  virtual TcxPCCustomPainter* CreatePainter(TcxCustomTabControl* AControl) const = 0;
  virtual const char* PainterClassName() const = 0;
  // Index into the standard styles' tables: 0 tabs, 1 buttons, 2 flat buttons.
  virtual int32_t GetStandardStyle() const = 0;
  virtual TcxPCStyleID GetStyleID() const = 0;
  virtual String GetStyleName() const = 0;
  virtual bool IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel) const = 0;
  virtual bool IsNativeStyleSupported(TcxLookAndFeel* ALookAndFeel) const = 0;
  // Whether a tab's content margins are mirrored for the drawing variants 5, 7 and 10.
  virtual bool MirrorsContentForFlippedTabs() const = 0;
  virtual bool AllowsMultiSelect() const = 0;
  virtual bool KeepsMainRowNextToPage() const = 0;
  virtual bool PressesTabsLikeButtons() const = 0;
};

template <class P>
class TcxPCPainterClassT final : public TcxPCPainterClassRec {
public:
  TcxPCCustomPainter* CreatePainter(TcxCustomTabControl* AControl) const override { return New<P>(AControl); }
  const char* PainterClassName() const override { return P::StaticClass()->ClassNameCStr(); }
  int32_t GetStandardStyle() const override { return P::GetStandardStyle(); }
  TcxPCStyleID GetStyleID() const override { return P::GetStyleID(); }
  String GetStyleName() const override { return P::GetStyleName(); }
  bool IsDefaultForLookAndFeel(TcxLookAndFeel* L) const override { return P::IsDefaultForLookAndFeel(L); }
  bool IsNativeStyleSupported(TcxLookAndFeel* L) const override { return P::IsNativeStyleSupported(L); }
  bool MirrorsContentForFlippedTabs() const override { return P::MirrorsContentForFlippedTabs(); }
  bool AllowsMultiSelect() const override { return P::AllowsMultiSelect(); }
  bool KeepsMainRowNextToPage() const override { return P::KeepsMainRowNextToPage(); }
  bool PressesTabsLikeButtons() const override { return P::PressesTabsLikeButtons(); }
};

// The one style object of a painter class.
template <class P>
TcxPCPainterClass TcxPCPainterClassOf() {
  static const TcxPCPainterClassT<P> instance;
  return &instance;
}

// ---- the control as painters see it -------------------------------------------------------------------------

class TcxPCPainterParentInfo : public TObject {
  RTL_CLASS(TcxPCPainterParentInfo, TObject)
public:
  explicit TcxPCPainterParentInfo(TcxCustomTabControl* AControl) : FControl(AControl) {}
  TcxCustomTabControl* Control() const { return FControl; }

  TcxCanvas* Canvas() const;
  TColor Color() const;
  TColor FontColor() const;
  int32_t Width() const;
  int32_t Height() const;
  bool HideTabs() const;
  int32_t ImageBorder() const;
  int32_t MainTabVisibleIndex() const;
  bool MultiLine() const;
  TcxPCNavigatorPosition NavigatorPosition() const;
  bool RaggedRight() const;
  bool Rotate() const;
  bool ScrollOpposite() const;
  bool ShowFrame() const;
  int16_t TabHeight() const;
  TcxTabPosition TabPosition() const;
  int16_t TabWidth() const;
  int32_t RowCount() const;
  int32_t NearRowCount() const;
  TcxPCNavigatorButtons NavigatorButtons() const;
  TcxPCNavigatorButtonState NavigatorButtonState(TcxPCNavigatorButton AButton) const;
  RECT NearRowArea() const;
  RECT FarRowArea() const;
  TcxTab* VisibleTabs(int32_t VisibleIndex) const;
  int32_t VisibleTabCount() const;
  // COLOR_HOTLIGHT (every system this runs on has it).
  TColor HotTrackColor() const;

private:
  TcxCustomTabControl* FControl;
};

// ---- the painter base ---------------------------------------------------------------------------------------

class TcxPCCustomPainter : public TObject {
  RTL_CLASS(TcxPCCustomPainter, TObject)
public:
  using VirtualCtorArg = TcxCustomTabControl*;
  explicit TcxPCCustomPainter(TcxCustomTabControl* AControl);
  ~TcxPCCustomPainter() override;

  TcxCustomTabControl* Control() const { return FControl; }
  TcxPCPainterParentInfo* ParentInfo() const { return FParentInfo; }
  // The style object this painter was made from (set by the registry).
  TcxPCPainterClass PainterClass() const { return FPainterClass; }

  // ---- the virtual interface, in slot order ----
  virtual int32_t CalculateTabNormalWidth(TcxTab* ATab) = 0;
  virtual void GetTabCorrection(int32_t VisibleIndex, RECT& R);
  virtual void DrawTabImageAndText(TColor ATextBackgroundColor);
  virtual void GetPageClientRect(RECT& R) = 0;
  virtual void GetPageFrameRect(RECT& R) = 0;
  virtual int32_t GetMinTabNormalWidth() = 0;
  virtual void GetMinTabVisiblePart(POINT& P) = 0;
  virtual void GetTabThemeParts(int32_t VisibleIndex, int32_t& APartId, int32_t& AStateId);
  virtual void GetTabsSpacing(POINT& P);
  virtual void CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& AGeometry) = 0;
  virtual void PaintControl();
  virtual bool IsNativePainting();
  virtual bool GetNavigatorButtonAt(int32_t X, int32_t Y, TcxPCNavigatorButton& AButton) = 0;
  virtual bool IsTabHit(int32_t VisibleIndex, int32_t X, int32_t Y);
  virtual void Paint();
  virtual void DrawNavigatorButtons() = 0;
  virtual void DrawPageFrame() = 0;
  virtual void DrawTabsAreaBackground() {}
  virtual void DrawTabs() = 0;
  virtual void RepaintNavigatorButton(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AOldState);
  virtual void RepaintNavigatorArea() {}
  virtual void RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind);
  virtual void RepaintTabsArea();
  virtual int32_t CalculateTabNormalHeight() = 0;
  virtual void GetGoDialogButtonBounds(RECT& R) = 0;

  // ---- class-level answers of the base (hidden by the styles' own static members) ----
  static int32_t GetStandardStyle() { return 0; }
  static TcxPCStyleID GetStyleID() { return cxPCNoStyle; }
  static String GetStyleName() { return String(); }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel* ALookAndFeel) { (void)ALookAndFeel; return false; }
  static bool IsNativeStyleSupported(TcxLookAndFeel* ALookAndFeel) { (void)ALookAndFeel; return false; }
  static bool MirrorsContentForFlippedTabs() { return true; }
  static bool AllowsMultiSelect() { return false; }
  static bool KeepsMainRowNextToPage() { return true; }
  static bool PressesTabsLikeButtons() { return false; }

  // ---- services for the styles ----
  // Clip stack: a copy of the canvas's clip region (nil entry: none) pushed and popped.
  void SaveClipRegion();
  void RestoreClipRegion();
  int32_t ClipStackDepth() const { return static_cast<int32_t>(FClipStack.size()); }
  // False for an empty R, and with AIntersect when R is not visible; otherwise saves the clip and
  // intersects it with R (AIntersect) or replaces it by R. Every true answer is paired with RestoreClipRegion.
  bool BeginClippedDraw(const RECT& R, bool AIntersect);
  // A polyline through APoints[0..ALastIndex] and the end pixel the platform's polyline leaves out.
  void DrawPolyline(const std::vector<POINT>& APoints, int32_t ALastIndex, TColor AColor);
  void InvalidateRect(const RECT& R);
  void InvalidateTabRect(int32_t VisibleIndex);
  // The near or far row area that holds the tab.
  void InvalidateTabRowArea(int32_t VisibleIndex);
  RECT GetTabRowArea(int32_t VisibleIndex);
  void GetImageSize(SIZE& ASize);
  void GetRotatedImageSize(SIZE& ASize);
  SIZE ImageSize() { SIZE s; GetImageSize(s); return s; }
  bool TabShowsImage(int32_t VisibleIndex);
  TColor GetDisabledTextFaceColor() const { return clBtnHighlight; }
  TColor GetDisabledTextShadowColor() const { return clBtnShadow; }
  TColor GetHighlightedTabBodyColor() const { return clHighlight; }
  TColor GetHighlightedTextColor(int32_t VisibleIndex);
  // The caption colour of a usable tab: hot-light, highlighted, or the canvas font colour.
  TColor GetTextColor(int32_t VisibleIndex);
  // The application draws the tab: OwnerDraw, OnDrawTab assigned, and the handler cleared DefaultDraw.
  bool DoCustomDraw(int32_t VisibleIndex);
  // OnDrawTabEx with the tab and the font that will draw its caption.
  void DoDrawTabEx(int32_t VisibleIndex, TFont* AFont);
  // OnDrawTabEx once while the tab's content is prepared: the canvas font, restored afterwards.
  void PrepareTabCanvasFont(int32_t VisibleIndex);

  // The tab whose content is being drawn, and where its image and caption go.
  int32_t CurrentTabVisibleIndex() const { return FCurrentTabVisibleIndex; }
  void SetCurrentTab(int32_t VisibleIndex, const RECT& AImageRect, const String& AText, const RECT& ATextRect);
  RECT CurrentImageRect() const { return FImageRect; }
  RECT CurrentTextRect() const { return FTextRect; }
  String CurrentText() const { return FText; }
  TcxCanvas* Canvas() const { return FParentInfo->Canvas(); }

protected:
  // Draws the caption onto ACanvas at its origin in the colour rules (embossed when unusable).
  void DrawCaptionOnCanvas(TCanvas* ACanvas, const RECT& R, bool AUsable, TColor ATextColor);

  int32_t FCurrentTabVisibleIndex = -1;
  RECT FImageRect{};
  RECT FTextRect{};
  String FText;

private:
  friend TcxPCCustomPainter* GetPainterInstance(TcxPCPainterClass AClass, TcxCustomTabControl* AControl);
  TcxCustomTabControl* FControl;
  TcxPCPainterParentInfo* FParentInfo;
  std::vector<HRGN> FClipStack;
  TcxPCPainterClass FPainterClass = nullptr;
};

// ---- the registry -------------------------------------------------------------------------------------------

class TcxPCPaintersFactory : public TObject {
  RTL_CLASS(TcxPCPaintersFactory, TObject)
public:
  const std::vector<TcxPCPainterClass>& PainterClasses() const { return FClasses; }
  void Add(TcxPCPainterClass AClass);
  void Remove(TcxPCPainterClass AClass);
  int32_t Count() const { return static_cast<int32_t>(FClasses.size()); }

private:
  std::vector<TcxPCPainterClass> FClasses;
};

// The registry while at least one class is registered, else nil.
TcxPCPaintersFactory* PaintersFactory();
void RegisterPainterClass(TcxPCPainterClass AClass);
void UnregisterPainterClass(TcxPCPainterClass AClass);
TcxPCPainterClass FindPainterClass(TcxPCStyleID AStyleID);
TcxPCStyleID GetStyleForLookAndFeel(TcxLookAndFeel* ALookAndFeel);
TcxPCStyleID GetDefaultStyleID(TcxLookAndFeel* ALookAndFeel);
TcxPCCustomPainter* GetPainterInstance(TcxPCPainterClass AClass, TcxCustomTabControl* AControl);
void ReleasePainter(TcxPCCustomPainter* APainter);
// The unit's end: the registry goes, whatever is left in it.
void cxPCPaintersFactoryFinalize();
