#pragma once
// The look-and-feel painters: one stateless constant object per look (standard, flat, ultra-flat, Office11,
// native themed) whose virtual operations draw every element of the suite's controls and answer their
// default colours and sizes. A "painter class" is a pointer to the look's single instance; controls keep
// that pointer (from their look-and-feel settings) and call the operations on it. The shared pictures the
// painters draw from (radio buttons, indicator glyphs, pin pictures, scroll-track patterns) live here too.
//
// The operations stand in the interface's fixed order; descendants override by it and other libraries call
// by it, so new operations are appended, never inserted or renamed.

#include <cstdint>
#include <vector>

#include "forms/ExtCtrls.h"
#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "rtl/Classes.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/dxUxTheme.h"

// ---- types of the interface ------------------------------------------------------------------------------
enum TcxLookAndFeelKind : uint8_t { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
RTL_ENUM(TcxLookAndFeelKind, lfFlat, lfStandard, lfUltraFlat, lfOffice11)

enum TcxButtonState : uint8_t { cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled };
RTL_ENUM(TcxButtonState, cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled)

enum TcxCheckBoxState : uint8_t { cbsUnchecked, cbsChecked, cbsGrayed };
RTL_ENUM(TcxCheckBoxState, cbsUnchecked, cbsChecked, cbsGrayed)

enum TcxPainterStyle : uint8_t { psFlat, psStandard, psUltraFlat, psNative, psOffice11 };
RTL_ENUM(TcxPainterStyle, psFlat, psStandard, psUltraFlat, psNative, psOffice11)

enum TcxPainterArrowDirection : uint8_t { padUp, padDown, padLeft, padRight };
RTL_ENUM(TcxPainterArrowDirection, padUp, padDown, padLeft, padRight)

enum TcxScrollPart : uint8_t { spNone, spLineUp, spLineDown, spThumb, spPageUp, spPageDown };
RTL_ENUM(TcxScrollPart, spNone, spLineUp, spLineDown, spThumb, spPageUp, spPageDown)

enum TcxIndicatorImage : uint8_t { iiNone, iiArrow, iiEdit, iiInsert, iiMultiDot, iiMultiArrow };
RTL_ENUM(TcxIndicatorImage, iiNone, iiArrow, iiEdit, iiInsert, iiMultiDot, iiMultiArrow)

enum TcxAlignmentVert : uint8_t { vaTop, vaBottom, vaCenter };
RTL_ENUM(TcxAlignmentVert, vaTop, vaBottom, vaCenter)

// A caller's own background drawing; true means it drew, and the painter skips its fill.
using TcxDrawBackgroundEvent = FuncEvent<bool, TcxCanvas*, const RECT&>;

// The look a painter style stands for; the native style maps to the standard look.
TcxLookAndFeelKind StyleToLookAndFeelKind(TcxPainterStyle AStyle);

// The three corners of an arrow filling R (see the painters' .cpp for the arithmetic). With AProportional
// R is first made a centred square.
void GetArrowPoints(const RECT& R, TcxPainterArrowDirection ADirection, bool AProportional, POINT (&APoints)[3]);
std::vector<POINT> GetArrowPoints(const RECT& R, TcxPainterArrowDirection ADirection, bool AProportional);

// The suite's canvas text flags for the header-like alignment arguments.
uint32_t cxAlignmentFlags(TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis);

class TcxCustomLookAndFeelPainter;
using TcxCustomLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

// ---- the interface ---------------------------------------------------------------------------------------
class TcxCustomLookAndFeelPainter {
public:
  static const TcxCustomLookAndFeelPainter* Instance();
  virtual ~TcxCustomLookAndFeelPainter() = default;
  virtual const char* ClassName() const { return "TcxCustomLookAndFeelPainter"; }

  // 1. content and bounds
  virtual void PaintDownArrowGlyph(TcxCanvas* ACanvas, const RECT& R, TColor AColor) const;
  virtual void PaintPartContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxButtonState AState,
                                TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                                const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                                const TcxDrawBackgroundEvent& AOnDrawBackground, bool AIsFooter) const;
  virtual RECT GetFooterCellContentBounds(const RECT& R) const;
  virtual RECT GetFooterCellTextBounds(const RECT& R) const;
  virtual TcxPainterStyle PainterStyle() const;

  // 2. default colours
  virtual TColor DefaultColor05() const;
  virtual TColor DefaultColor06() const;
  virtual TColor DefaultColor07() const;
  virtual TColor DefaultColor08() const;
  virtual TColor DefaultColor09() const;
  virtual TColor DefaultColor10() const;
  virtual TColor DefaultColor11() const;
  virtual TColor DefaultColor12() const;
  virtual TColor DefaultColor13() const;
  virtual TColor DefaultColor14() const;
  virtual TColor DefaultColor15() const;
  virtual TColor DefaultColor16() const;
  virtual TColor DefaultContentColor() const;
  virtual TColor DefaultContentTextColor() const;
  virtual TColor DefaultFilterBoxColor() const;
  virtual TColor DefaultFilterBoxTextColor() const;
  virtual TColor DefaultDetailFrameColor() const;
  virtual TColor DefaultFooterColor() const;
  virtual TColor DefaultFooterTextColor() const;
  virtual TColor DefaultGridLineColor() const;
  virtual TColor DefaultGroupColor() const;
  virtual TColor DefaultGroupTextColor() const;
  virtual TColor DefaultGroupByBoxColor() const;
  virtual TColor DefaultGroupByBoxTextColor() const;
  virtual TColor DefaultHeaderColor() const;
  virtual TColor DefaultHeaderTextColor() const;
  virtual TColor DefaultColor31() const;
  virtual TColor DefaultColor32() const;
  virtual TColor DefaultInactiveColor() const;
  virtual TColor DefaultInactiveTextColor() const;
  virtual TColor DefaultPreviewTextColor() const;
  virtual TColor DefaultRowSeparatorColor() const;
  virtual TColor DefaultColor37() const;
  virtual TColor DefaultDateNavigatorSelectionColor() const;
  virtual TColor DefaultDateNavigatorSelectionTextColor() const;
  virtual TColor DefaultColor40() const;
  virtual TColor DefaultColor41() const;
  virtual TColor DefaultColor42() const;
  virtual TColor DefaultColor43() const;
  virtual TColor DefaultColor44() const;
  virtual TColor DefaultColor45() const;
  virtual TColor DefaultSelectionColor() const;
  virtual TColor DefaultSelectionTextColor() const;
  virtual TColor DefaultColor48() const;
  virtual TColor DefaultTabColor() const;
  virtual TColor DefaultTabTextColor() const;
  virtual TColor DefaultTabsBackgroundColor() const;

  // 3. arrows
  virtual void PaintArrow(TcxCanvas* ACanvas, const RECT& R, TcxPainterArrowDirection ADirection,
                          TColor AColor) const;
  virtual void PaintArrowButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                TcxPainterArrowDirection ADirection, bool AAsButton) const;
  virtual void PaintFilledButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintStateArrow(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                               TcxPainterArrowDirection ADirection) const;

  // 4. control border
  virtual int32_t ControlBorderWidth() const;
  virtual void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const;

  // 5. buttons
  virtual int32_t ButtonFrameWidth(TcxButtonState AState = cxbsNormal) const;
  virtual TColor ButtonFaceColor(TcxButtonState AState) const;
  virtual RECT GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const;
  virtual RECT GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const;
  virtual int32_t ButtonCaptionOffset() const;
  virtual int32_t ButtonCaptionPressShift() const;
  virtual TColor ButtonGlyphColor(TcxButtonState AState) const;
  virtual TcxButtonState ButtonGlyphState(TcxButtonState AState) const;
  virtual void PaintButton(TcxCanvas* ACanvas, const RECT& R, const String& ACaption, TcxButtonState AState,
                           bool AWithFrame = true, TColor ABkColor = clDefault, TColor ATextColor = clDefault) const;
  virtual void PaintEmptyButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, int32_t AButtonCount,
                                int32_t AButtonIndex, TColor AFrameColor) const;
  virtual void PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintFlatButtonFrame(TcxCanvas* ACanvas, const RECT& R, bool AActive, bool AHot) const;

  // 6. expand buttons
  virtual void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const;
  virtual bool ExpandButtonDrawnFirst() const;
  virtual void PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TcxButtonState AState) const;
  virtual void PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AFrameColor,
                                      TColor AFillColor) const;
  virtual int32_t ExpandButtonExtent() const;
  virtual int32_t GroupExpandButtonExtent() const;
  virtual bool ButtonsTrackHot() const;
  virtual bool IsPointOnGroupExpandButton(const RECT& R, POINT P) const;
  virtual int32_t SmallExpandButtonExtent() const;

  // 7. check box and radio button
  virtual int32_t CheckFrameWidth() const;
  virtual TColor CheckFaceColor(TcxButtonState AState) const;
  virtual void PaintCheckInterior(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, bool AChecked,
                                  TColor AMarkColor) const;
  virtual void PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintCheckBox(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                             TcxCheckBoxState ACheckState) const;
  virtual void PaintRadioButton(TcxCanvas* ACanvas, int32_t X, int32_t Y, TcxButtonState AState, bool AChecked,
                                bool AFocused, TColor ABkColor, bool AIsDesigning = false) const;

  // 8. headers
  virtual void PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors,
                           TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                           bool AMultiLine, bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                           TColor ABkColor, const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr,
                           bool AIsLast = false) const;
  virtual void PaintHeaderSimple(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors,
                                 TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignH,
                                 TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis, const String& AText,
                                 TFont* AFont, TColor ATextColor, TColor ABkColor,
                                 const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const;
  virtual void PaintHeaderPressed(TcxCanvas* ACanvas, const RECT& R) const;
  virtual void PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                         TcxBorders ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                         TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                         bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                         TColor ABkColor) const;
  virtual void PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                              TcxButtonState AState) const;
  virtual void PaintHeaderControlSectionContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                TcxButtonState AState, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                                                bool AMultiLine, bool AEndEllipsis, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor ABkColor) const;
  virtual void PaintHeaderControlSectionText(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                             TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                             bool AEndEllipsis, const String& AText, TFont* AFont,
                                             TColor ATextColor) const;
  virtual void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const;
  virtual TcxBorders HeaderFrameSides(TcxBorders ANeighbors) const;
  virtual int32_t HeaderFrameWidth() const;
  virtual RECT GetHeaderDrawBounds(const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const;
  virtual RECT GetHeaderContentBounds(const RECT& R, TcxBorders ABorders) const;
  // Whether a header row paints its cells before its own background (the grid's "header draws cells first"
  // flag): True except in the themed look, which paints the background first.
  virtual bool HeaderPressedInverted() const;
  virtual int32_t HeaderHeight(int32_t AFontHeight) const;
  virtual int32_t HeaderControlSectionFrameWidth(TcxButtonState AState) const;
  virtual RECT GetHeaderControlSectionTextBounds(const RECT& R, TcxButtonState AState) const;
  virtual RECT GetHeaderControlSectionContentBounds(const RECT& R, TcxButtonState AState) const;
  virtual int32_t HeaderWidth(TcxCanvas* ACanvas, TcxBorders ABorders, const String& AText, TFont* AFont) const;
  virtual bool HeaderHotTracking() const;
  virtual POINT SortingMarkAreaSize() const;
  virtual POINT SortingMarkExtent() const;

  // 9. footers
  virtual void PaintFooterCell(TcxCanvas* ACanvas, const RECT& R, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                               bool AMultiLine, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                               const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual TcxBorders FooterFrameSides() const;
  virtual int32_t FooterFrameWidth() const;
  virtual int32_t FooterCellFrameWidth() const;
  virtual int32_t FooterCellSpacing() const;
  // Whether a footer row paints its cells before its own background (the grid's "footer draws cells first"
  // flag): True except in the themed look.
  virtual bool FooterSeparatorShown() const;
  virtual TColor FooterSeparatorColor() const;
  virtual int32_t FooterSeparatorWidth() const;
  virtual void PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const;
  virtual void PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const;
  virtual void PaintFooterSeparator(TcxCanvas* ACanvas, const RECT& R) const;

  // 10. filter and small buttons
  virtual void PaintFilterCheckBox(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                   TcxCheckBoxState ACheckState) const;
  virtual void PaintSmallCloseButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                         bool AIsFilterActive) const;
  virtual POINT CheckBoxExtent() const;
  virtual POINT SmallCloseButtonExtent() const;
  virtual POINT FilterDropDownButtonExtent() const;
  virtual int32_t FilterActiveShown() const;
  virtual POINT PartExtent125() const;
  virtual POINT PartExtent126() const;
  virtual POINT PartExtent127() const;
  virtual POINT PinButtonExtent() const;
  virtual POINT PartExtent129() const;
  virtual void PaintSymbolButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const;
  virtual void PaintPinButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, bool APinned,
                              TColor ABkColor) const;

  // 11. tabs
  virtual void PaintTab(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, const String& AText,
                        TcxButtonState AState, bool AVertical, TFont* AFont, TColor ATextColor,
                        TColor ABkColor) const;
  virtual void PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide, TcxBorders ABorders,
                             bool AVertical) const;
  virtual void PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, bool AVertical) const;
  // Non-zero when the painter draws whole tabs through PaintTab (the grid's "draws whole tab"); zero lets the
  // caller compose a tab from PaintTabFrame and its own fill.
  virtual int32_t TabPartOffset136(bool AVertical) const;
  // Non-zero when tabs show the hot state under the mouse (the grid's "tab tracks mouse").
  virtual int32_t TabPartOffset137(bool AVertical) const;
  virtual int32_t TabFrameWidth(bool AVertical) const;

  // 12. indicator, scroll bar, month header, splitters
  virtual void PaintIndicatorItem(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind, TColor ABkColor,
                                  const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void PaintIndicatorItemSimple(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind,
                                        TColor ABkColor,
                                        const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  // Whether the indicator column paints its items before its own background (the grid's "indicator draws
  // items first"); True in every look.
  virtual bool IndicatorFlag141() const;
  virtual void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                                  TcxButtonState AState) const;
  virtual void PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText, TcxBorders ANeighbors,
                                const TcxViewParamsRec& AViewParams, int32_t AArrows, int32_t AArrowIndent,
                                const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void PaintSplitterFrame(TcxCanvas* ACanvas, const RECT& R) const;
  virtual void PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R, const TcxViewParamsRec& AViewParams,
                                           bool AHorizontal) const;

  // ---- shared drawing steps (not overridden) --------------------------------------------------------------
  // The sorting triangle of SortingMarkExtent's size, lit edges up and left.
  void PaintSortTriangle(TcxCanvas* ACanvas, const RECT& R, TColor AShadowColor, TColor AHighlightColor,
                         bool AAscending) const;
  // A two-pixel-wide cross sized by SmallCloseButtonExtent.
  void PaintCloseCross(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, TColor AColor) const;
  // Minus when expanded, plus when collapsed, centred in R.
  void PaintExpandMark(TcxCanvas* ACanvas, const RECT& R, TColor AColor, bool AExpanded) const;
  // Two chevrons, pointing up when expanded.
  void PaintGroupExpandMark(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TcxButtonState AState) const;
  // The tick of a check box interior R.
  void PaintCheckMark(TcxCanvas* ACanvas, const RECT& R, TColor AColor) const;
  // Arrows: 1 left, 2 right, 3 both.
  void PaintMonthArrows(TcxCanvas* ACanvas, const RECT& R, int32_t AArrows, int32_t AArrowIndent,
                        TColor AColor) const;
  void PaintIndicatorImage(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind) const;

protected:
  TcxCustomLookAndFeelPainter() = default;
};

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
  static const TcxStandardLookAndFeelPainter* Instance();
  const char* ClassName() const override { return "TcxStandardLookAndFeelPainter"; }

  TcxPainterStyle PainterStyle() const override;
  TColor DefaultColor44() const override;
  int32_t ControlBorderWidth() const override;
  void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const override;
  int32_t ButtonFrameWidth(TcxButtonState AState = cxbsNormal) const override;
  int32_t ButtonCaptionOffset() const override;
  int32_t ButtonCaptionPressShift() const override;
  void PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const override;
  void PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TcxButtonState AState) const override;
  int32_t ExpandButtonExtent() const override;
  void PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const override;
  void PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const override;
  int32_t HeaderFrameWidth() const override;
  int32_t HeaderControlSectionFrameWidth(TcxButtonState AState) const override;
  POINT SortingMarkExtent() const override;
  int32_t FooterFrameWidth() const override;
  int32_t FooterCellFrameWidth() const override;
  int32_t FooterCellSpacing() const override;
  void PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                 bool AIsFilterActive) const override;
  void PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide, TcxBorders ABorders,
                     bool AVertical) const override;
  void PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, bool AVertical) const override;
  int32_t TabFrameWidth(bool AVertical) const override;
  void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                          TcxButtonState AState) const override;
  void PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText, TcxBorders ANeighbors,
                        const TcxViewParamsRec& AViewParams, int32_t AArrows, int32_t AArrowIndent,
                        const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R, const TcxViewParamsRec& AViewParams,
                                   bool AHorizontal) const override;

protected:
  TcxStandardLookAndFeelPainter() = default;
  // The frame of a scroll-bar arrow or thumb (a pressed arrow sinks).
  void PaintScrollBarButtonFrame(TcxCanvas* ACanvas, RECT R, bool APressedArrow) const;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
  static const TcxFlatLookAndFeelPainter* Instance();
  const char* ClassName() const override { return "TcxFlatLookAndFeelPainter"; }

  TcxPainterStyle PainterStyle() const override;
  TColor DefaultColor44() const override;
  int32_t ControlBorderWidth() const override;
  void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const override;
  int32_t ButtonFrameWidth(TcxButtonState AState = cxbsNormal) const override;
  int32_t ButtonCaptionOffset() const override;
  int32_t ButtonCaptionPressShift() const override;
  void PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const override;
  int32_t ExpandButtonExtent() const override;
  void PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const override;
  void PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const override;
  int32_t HeaderFrameWidth() const override;
  POINT SortingMarkExtent() const override;
  int32_t FooterFrameWidth() const override;
  int32_t FooterCellFrameWidth() const override;
  int32_t FooterCellSpacing() const override;
  void PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                 bool AIsFilterActive) const override;
  void PaintButtonSymbol(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide, TcxBorders ABorders,
                     bool AVertical) const override;
  void PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, bool AVertical) const override;
  int32_t TabFrameWidth(bool AVertical) const override;
  void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                          TcxButtonState AState) const override;
  void PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R, const TcxViewParamsRec& AViewParams,
                                   bool AHorizontal) const override;

protected:
  TcxFlatLookAndFeelPainter() = default;
};

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
  static const TcxUltraFlatLookAndFeelPainter* Instance();
  const char* ClassName() const override { return "TcxUltraFlatLookAndFeelPainter"; }

  TcxPainterStyle PainterStyle() const override;
  TColor DefaultColor11() const override;
  TColor DefaultColor42() const override;
  TColor DefaultColor44() const override;
  int32_t ControlBorderWidth() const override;
  void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const override;
  int32_t ButtonFrameWidth(TcxButtonState AState = cxbsNormal) const override;
  TColor ButtonFaceColor(TcxButtonState AState) const override;
  RECT GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const override;
  RECT GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const override;
  int32_t ButtonCaptionOffset() const override;
  int32_t ButtonCaptionPressShift() const override;
  TColor ButtonGlyphColor(TcxButtonState AState) const override;
  TcxButtonState ButtonGlyphState(TcxButtonState AState) const override;
  void PaintEmptyButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, int32_t AButtonCount,
                        int32_t AButtonIndex, TColor AFrameColor) const override;
  void PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintFlatButtonFrame(TcxCanvas* ACanvas, const RECT& R, bool AActive, bool AHot) const override;
  void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const override;
  int32_t ExpandButtonExtent() const override;
  bool ButtonsTrackHot() const override;
  void PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintHeaderSimple(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors,
                         TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                         bool AMultiLine, bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                         TColor ABkColor, const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const override;
  void PaintHeaderControlSectionFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void PaintHeaderControlSectionContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxButtonState AState,
                                        TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                        bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                        TColor ABkColor) const override;
  void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const override;
  TcxBorders HeaderFrameSides(TcxBorders ANeighbors) const override;
  int32_t HeaderFrameWidth() const override;
  int32_t HeaderControlSectionFrameWidth(TcxButtonState AState) const override;
  POINT SortingMarkExtent() const override;
  TcxBorders FooterFrameSides() const override;
  int32_t FooterFrameWidth() const override;
  int32_t FooterCellFrameWidth() const override;
  int32_t FooterCellSpacing() const override;
  void PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFooterCellFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                 bool AIsFilterActive) const override;
  POINT SmallCloseButtonExtent() const override;
  POINT PartExtent127() const override;
  void PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide, TcxBorders ABorders,
                     bool AVertical) const override;
  void PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, bool AVertical) const override;
  int32_t TabFrameWidth(bool AVertical) const override;
  void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                          TcxButtonState AState) const override;
  void PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R, const TcxViewParamsRec& AViewParams,
                                   bool AHorizontal) const override;

  // appended by the ultra-flat look
  virtual TColor ButtonFrameStateColor(TcxButtonState AState) const;
  virtual TColor FrameColor147() const;
  virtual TColor FrameColor148() const;
  virtual TColor HotFrameColor() const;

protected:
  TcxUltraFlatLookAndFeelPainter() = default;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
public:
  static const TcxOffice11LookAndFeelPainter* Instance();
  const char* ClassName() const override { return "TcxOffice11LookAndFeelPainter"; }

  void PaintPartContent(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxButtonState AState,
                        TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis,
                        const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                        const TcxDrawBackgroundEvent& AOnDrawBackground, bool AIsFooter) const override;
  TcxPainterStyle PainterStyle() const override;
  TColor DefaultColor09() const override;
  TColor DefaultFilterBoxColor() const override;
  TColor DefaultFilterBoxTextColor() const override;
  TColor DefaultFooterColor() const override;
  TColor DefaultFooterTextColor() const override;
  TColor DefaultGroupColor() const override;
  TColor DefaultGroupByBoxColor() const override;
  TColor DefaultGroupByBoxTextColor() const override;
  TColor DefaultHeaderColor() const override;
  TColor DefaultColor31() const override;
  TColor DefaultColor37() const override;
  TColor DefaultDateNavigatorSelectionColor() const override;
  TColor DefaultDateNavigatorSelectionTextColor() const override;
  TColor DefaultColor42() const override;
  TColor DefaultColor43() const override;
  TColor DefaultTabColor() const override;
  TColor DefaultTabsBackgroundColor() const override;
  void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const override;
  TColor ButtonFaceColor(TcxButtonState AState) const override;
  TColor ButtonGlyphColor(TcxButtonState AState) const override;
  void PaintButtonFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const override;
  bool ExpandButtonDrawnFirst() const override;
  void PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AFrameColor,
                              TColor AFillColor) const override;
  int32_t ExpandButtonExtent() const override;
  int32_t SmallExpandButtonExtent() const override;
  TColor CheckFaceColor(TcxButtonState AState) const override;
  void PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors, TcxBorders ABorders,
                   TcxButtonState AState, TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                   bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                   const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false) const override;
  void PaintHeaderFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorders ANeighbors, TcxBorders ABorders) const override;
  void PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors,
                                 TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignH,
                                 TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis, const String& AText,
                                 TFont* AFont, TColor ATextColor, TColor ABkColor) const override;
  void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const override;
  TcxBorders HeaderFrameSides(TcxBorders ANeighbors) const override;
  int32_t HeaderFrameWidth() const override;
  bool HeaderHotTracking() const override;
  TColor FooterSeparatorColor() const override;
  void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                          TcxButtonState AState) const override;
  void PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText, TcxBorders ANeighbors,
                        const TcxViewParamsRec& AViewParams, int32_t AArrows, int32_t AArrowIndent,
                        const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void PaintSplitterFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  TColor ButtonFrameStateColor(TcxButtonState AState) const override;
  TColor FrameColor147() const override;
  TColor FrameColor148() const override;
  TColor HotFrameColor() const override;

  // appended by the Office11 look
  virtual TColor SchemeColor150() const;
  virtual TColor SchemeColor151() const;
  virtual TColor SchemeColor152() const;
  virtual TColor SchemeColor153() const;

protected:
  TcxOffice11LookAndFeelPainter() = default;
};

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
public:
  static const TcxWinXPLookAndFeelPainter* Instance();
  const char* ClassName() const override { return "TcxWinXPLookAndFeelPainter"; }

  TcxPainterStyle PainterStyle() const override;
  TColor DefaultColor11() const override;
  TColor DefaultColor42() const override;
  TColor DefaultColor44() const override;
  void PaintArrowButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, TcxPainterArrowDirection ADirection,
                        bool AAsButton) const override;
  void PaintFilledButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  int32_t ControlBorderWidth() const override;
  void PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const override;
  int32_t ButtonFrameWidth(TcxButtonState AState = cxbsNormal) const override;
  TColor ButtonFaceColor(TcxButtonState AState) const override;
  RECT GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const override;
  RECT GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const override;
  int32_t ButtonCaptionOffset() const override;
  int32_t ButtonCaptionPressShift() const override;
  TColor ButtonGlyphColor(TcxButtonState AState) const override;
  void PaintButton(TcxCanvas* ACanvas, const RECT& R, const String& ACaption, TcxButtonState AState,
                   bool AWithFrame = true, TColor ABkColor = clDefault, TColor ATextColor = clDefault) const override;
  void PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AColor = clDefault) const override;
  bool ExpandButtonDrawnFirst() const override;
  void PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TcxButtonState AState) const override;
  void PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded, TColor AFrameColor,
                              TColor AFillColor) const override;
  int32_t ExpandButtonExtent() const override;
  int32_t GroupExpandButtonExtent() const override;
  bool ButtonsTrackHot() const override;
  bool IsPointOnGroupExpandButton(const RECT& R, POINT P) const override;
  int32_t SmallExpandButtonExtent() const override;
  int32_t CheckFrameWidth() const override;
  void PaintCheckInterior(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, bool AChecked,
                          TColor AMarkColor) const override;
  void PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintRadioButton(TcxCanvas* ACanvas, int32_t X, int32_t Y, TcxButtonState AState, bool AChecked,
                        bool AFocused, TColor ABkColor, bool AIsDesigning = false) const override;
  void PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors, TcxBorders ABorders,
                   TcxButtonState AState, TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                   bool AEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                   const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false) const override;
  void PaintHeaderPressed(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR, TcxBorders ANeighbors,
                                 TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignH,
                                 TcxAlignmentVert AAlignV, bool AMultiLine, bool AEndEllipsis, const String& AText,
                                 TFont* AFont, TColor ATextColor, TColor ABkColor) const override;
  void PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const override;
  int32_t HeaderFrameWidth() const override;
  bool HeaderPressedInverted() const override;
  int32_t HeaderControlSectionFrameWidth(TcxButtonState AState) const override;
  RECT GetHeaderControlSectionContentBounds(const RECT& R, TcxButtonState AState) const override;
  bool HeaderHotTracking() const override;
  POINT SortingMarkExtent() const override;
  void PaintFooterCell(TcxCanvas* ACanvas, const RECT& R, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                       bool AMultiLine, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                       const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  int32_t FooterFrameWidth() const override;
  int32_t FooterCellFrameWidth() const override;
  int32_t FooterCellSpacing() const override;
  bool FooterSeparatorShown() const override;
  void PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const override;
  void PaintSmallCloseButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                 bool AIsFilterActive) const override;
  POINT CheckBoxExtent() const override;
  POINT SmallCloseButtonExtent() const override;
  POINT PartExtent127() const override;
  POINT PinButtonExtent() const override;
  void PaintSymbolButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const override;
  void PaintPinButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState, bool APinned,
                      TColor ABkColor) const override;
  void PaintTab(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, const String& AText, TcxButtonState AState,
                bool AVertical, TFont* AFont, TColor ATextColor, TColor ABkColor) const override;
  void PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide, TcxBorders ABorders,
                     bool AVertical) const override;
  void PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders, bool AVertical) const override;
  int32_t TabPartOffset136(bool AVertical) const override;
  int32_t TabPartOffset137(bool AVertical) const override;
  int32_t TabFrameWidth(bool AVertical) const override;
  void PaintIndicatorItem(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind, TColor ABkColor,
                          const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R, TcxScrollPart APart,
                          TcxButtonState AState) const override;
  void PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText, TcxBorders ANeighbors,
                        const TcxViewParamsRec& AViewParams, int32_t AArrows, int32_t AArrowIndent,
                        const TcxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& R, const TcxViewParamsRec& AViewParams,
                                   bool AHorizontal) const override;

  // appended by the themed look
  virtual void PaintThemedText(TcxCanvas* ACanvas, HTHEME ATheme, int32_t APartId, int32_t AStateId,
                               const RECT& AClipR, const RECT& R, TAlignment AAlignH, TcxAlignmentVert AAlignV,
                               bool AMultiLine, bool AEndEllipsis, const String& AText, TFont* AFont,
                               TColor ATextColor, TColor ABkColor) const;

protected:
  TcxWinXPLookAndFeelPainter() = default;
};

// The push-button theme state of a button state: default 5, normal 1, hot 2, pressed 3, disabled 4.
int32_t ButtonThemeState(TcxButtonState AState);

// ---- painter images ----------------------------------------------------------------------------------------
// The round radio buttons of the four drawn looks: 128 images built from the system radio button's size and
// the current system colours, indexed by look, state and flags.
class TcxRadioButtonImageList {
public:
  TcxRadioButtonImageList();
  ~TcxRadioButtonImageList();
  TcxRadioButtonImageList(const TcxRadioButtonImageList&) = delete;
  TcxRadioButtonImageList& operator=(const TcxRadioButtonImageList&) = delete;

  void PaintImage(TcxCanvas* ACanvas, int32_t X, int32_t Y, TColor ABkColor, TcxLookAndFeelKind AKind,
                  TcxButtonState AState, bool AChecked, bool AFocused, bool AIsDesigning);
  int32_t ImageIndexOf(TcxLookAndFeelKind AKind, TcxButtonState AState, bool AChecked, bool AFocused,
                       bool AIsDesigning) const;
  void BuildImages();
  void Rebuild();
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t Count() const;
  TImageList* ImageList() const { return FList; }
  // The pattern value (0 outside .. 6 dot) of the pixel.
  int32_t Pattern(int32_t X, int32_t Y) const { return FPattern[Y][X]; }

private:
  void Measure();
  void MakePattern();
  TImageList* FList = nullptr;
  TBitmap* FMask = nullptr;
  int32_t FWidth = 0, FHeight = 0;
  RECT FDot{};
  std::vector<std::vector<uint8_t>> FPattern;
  std::vector<int32_t> FIndexMap;
};

TcxRadioButtonImageList* GetRadioImages();
TColor RadioBodyColor(TcxLookAndFeelKind AKind, TcxButtonState AState);

// The five indicator glyphs (5 x 9, white transparent).
TImageList* IndicatorImages();
// Index 0 "CX_AUTOHIDEON", index 1 "CX_AUTOHIDEOFF" (12 x 12, transparent magenta).
TBitmap* AutoHideBitmaps(int32_t AIndex);
// Index 0 the normal track pattern, index 1 the pressed one (8 x 8).
TBitmap* ScrollTrackBitmaps(int32_t AIndex);
void RefreshScrollTrackBitmaps();

// The painters' shared pictures start on first use (the window system must be up) and end with
// DonePainterImages, which the program calls before the window system goes down and tests call after each
// case; a later use starts them again.
void InitPainterImages();
void DonePainterImages();
