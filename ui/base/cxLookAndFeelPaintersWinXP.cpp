// The native themed painter (part of the painters' unit): elements drawn as parts of the window system's
// visual style; where a theme class does not open, the standard painter's drawing.

#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/detail/cxPainterHelpers.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"

using namespace cxpainter_detail;

int32_t ButtonThemeState(TcxButtonState AState) {
  static const int32_t states[] = {PBS_DEFAULTED, PBS_NORMAL, PBS_HOT, PBS_PRESSED, PBS_DISABLED};
  return states[AState];
}

const TcxWinXPLookAndFeelPainter* TcxWinXPLookAndFeelPainter::Instance() {
  static const TcxWinXPLookAndFeelPainter instance;
  return &instance;
}

TcxPainterStyle TcxWinXPLookAndFeelPainter::PainterStyle() const { return psNative; }

void TcxWinXPLookAndFeelPainter::PaintThemedText(TcxCanvas* ACanvas, HTHEME ATheme, int32_t APartId,
                                                 int32_t AStateId, const RECT& AClipR, const RECT& R,
                                                 TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                                 bool AEndEllipsis, const String& AText, TFont* AFont,
                                                 TColor ATextColor, TColor ABkColor) const {
  (void)AClipR;
  (void)ABkColor;
  if (AText.empty()) return;
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  DWORD flags = DT_EDITCONTROL | DT_NOPREFIX;
  flags |= AAlignH == taRightJustify ? DT_RIGHT : (AAlignH == taCenter ? DT_CENTER : DT_LEFT);
  flags |= AAlignV == vaBottom ? DT_BOTTOM : (AAlignV == vaCenter ? DT_VCENTER : DT_TOP);
  flags |= AMultiLine ? DT_WORDBREAK : DT_SINGLELINE;
  if (AEndEllipsis) flags |= DT_END_ELLIPSIS;
  // The window system's text calls take UTF-8, which the platform's wide string would only round-trip.
  DrawThemeText(ATheme, ACanvas->Handle(), APartId, AStateId, AText.c_str(), -1, flags, 0, &R);
}

namespace {

HTHEME Theme(TdxThemedObjectType AType) { return OpenTheme(AType); }

// State tables by button state: default, normal, hot, pressed, disabled.
constexpr int32_t kHeaderStates[] = {1, 1, 2, 3, 1};
constexpr int32_t kFourStates[] = {1, 1, 2, 3, 4};  // close button, drop-down, tab, scroll bar, check, radio
constexpr int32_t kPinStates[] = {1, 1, 2, 3, 1};
// The group expand button has no default state of its own; it shows as normal.
constexpr int32_t kGroupExpandStates[] = {1, 1, 2, 3, 1};

RECT ContentRect(HTHEME ATheme, int32_t APart, int32_t AState, const RECT& ABounds) {
  RECT content = ABounds;
  GetThemeBackgroundContentRect(ATheme, nullptr, APart, AState, &ABounds, &content);
  return content;
}

SIZE TrueSize(HTHEME ATheme, int32_t APart, int32_t AState, HDC DC = nullptr) {
  SIZE size{0, 0};
  GetThemePartSize(ATheme, DC, APart, AState, nullptr, TS_TRUE, &size);
  return size;
}

void DrawPart(TcxCanvas* ACanvas, HTHEME ATheme, int32_t APart, int32_t AState, const RECT& R) {
  DrawThemeBackground(ATheme, ACanvas->Handle(), APart, AState, &R, nullptr);
}

TColor ThemeColor(HTHEME ATheme, int32_t APart, int32_t AState, int32_t AProp, TColor ADefault) {
  COLORREF color = 0;
  if (ATheme && SUCCEEDED(GetThemeColor(ATheme, APart, AState, AProp, &color))) return static_cast<TColor>(color);
  return ADefault;
}

int32_t ScrollArrowState(TcxPainterArrowDirection ADirection, TcxButtonState AState) {
  static const int32_t base[] = {ABS_UPNORMAL, ABS_DOWNNORMAL, ABS_LEFTNORMAL, ABS_RIGHTNORMAL};
  static const int32_t offset[] = {0, 0, 1, 2, 3};
  return base[ADirection] + offset[AState];
}

}  // namespace

TColor TcxWinXPLookAndFeelPainter::DefaultColor11() const { return static_cast<TColor>(0x800000); }

// The theme may have no border colour for the combo box; the button face then stands in.
TColor TcxWinXPLookAndFeelPainter::DefaultColor42() const {
  return ThemeColor(Theme(totComboBox), CP_DROPDOWNBUTTON, CBXS_NORMAL, TMT_BORDERCOLOR, clBtnFace);
}

TColor TcxWinXPLookAndFeelPainter::DefaultColor44() const { return static_cast<TColor>(0xD5FFFF); }

void TcxWinXPLookAndFeelPainter::PaintArrowButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                  TcxPainterArrowDirection ADirection, bool AAsButton) const {
  if (HTHEME theme = Theme(totScrollBar))
    DrawPart(ACanvas, theme, SBP_ARROWBTN, ScrollArrowState(ADirection, AState), R);
  else
    TcxStandardLookAndFeelPainter::PaintArrowButton(ACanvas, R, AState, ADirection, AAsButton);
}

void TcxWinXPLookAndFeelPainter::PaintFilledButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  if (HTHEME theme = Theme(totButton))
    DrawPart(ACanvas, theme, BP_PUSHBUTTON, ButtonThemeState(AState), R);
  else
    TcxStandardLookAndFeelPainter::PaintFilledButton(ACanvas, R, AState);
}

int32_t TcxWinXPLookAndFeelPainter::ControlBorderWidth() const { return Theme(totListView) ? 1 : 2; }

void TcxWinXPLookAndFeelPainter::PaintControlBorder(TcxCanvas* ACanvas, const RECT& R) const {
  HTHEME theme = Theme(totListView);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintControlBorder(ACanvas, R);
    return;
  }
  // Only a one-pixel ring of the list view's part shows.
  const HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, R.left + 1, R.top + 1, R.right - 1, R.bottom - 1);
  DrawThemeBackground(theme, dc, 5, 0, &R, nullptr);
  RestoreDC(dc, saved);
}

int32_t TcxWinXPLookAndFeelPainter::ButtonFrameWidth(TcxButtonState AState) const {
  HTHEME theme = Theme(totButton);
  if (!theme) return 2;
  return ContentRect(theme, BP_PUSHBUTTON, ButtonThemeState(AState), RECT{0, 0, 100, 100}).left;
}

TColor TcxWinXPLookAndFeelPainter::ButtonFaceColor(TcxButtonState AState) const {
  return ThemeColor(Theme(totButton), BP_PUSHBUTTON, ButtonThemeState(AState), 204, clBtnFace);
}

RECT TcxWinXPLookAndFeelPainter::GetButtonFocusBounds(TcxCanvas* ACanvas, const RECT& R) const {
  if (HTHEME theme = Theme(totButton)) {
    RECT content;
    if (SUCCEEDED(GetThemeBackgroundContentRect(theme, ACanvas ? ACanvas->Handle() : nullptr, BP_PUSHBUTTON,
                                                PBS_NORMAL, &R, &content)))
      return content;
  }
  return TcxCustomLookAndFeelPainter::GetButtonFocusBounds(ACanvas, R);
}

RECT TcxWinXPLookAndFeelPainter::GetButtonGroupFrameWidths(int32_t AButtonCount, int32_t AButtonIndex) const {
  HTHEME theme = Theme(totButton);
  // Without the button class the widths of the button frame stand in.
  if (!theme) return TcxStandardLookAndFeelPainter::GetButtonGroupFrameWidths(AButtonCount, AButtonIndex);
  const RECT c = ContentRect(theme, BP_PUSHBUTTON, PBS_NORMAL, RECT{0, 0, 100, 100});
  RECT result{c.left, c.top, 100 - c.right, 100 - c.bottom};
  if (IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL)) InflateRect(&result, 1, 1);
  return result;
}

int32_t TcxWinXPLookAndFeelPainter::ButtonCaptionOffset() const { return 2; }
int32_t TcxWinXPLookAndFeelPainter::ButtonCaptionPressShift() const { return 0; }

TColor TcxWinXPLookAndFeelPainter::ButtonGlyphColor(TcxButtonState AState) const {
  HTHEME theme = Theme(totButton);
  if (!theme) return TcxStandardLookAndFeelPainter::ButtonGlyphColor(AState);
  return ThemeColor(theme, BP_PUSHBUTTON, ButtonThemeState(AState), TMT_TEXTCOLOR,
                    TcxStandardLookAndFeelPainter::ButtonGlyphColor(AState));
}

void TcxWinXPLookAndFeelPainter::PaintButton(TcxCanvas* ACanvas, const RECT& R, const String& ACaption,
                                             TcxButtonState AState, bool AWithFrame, TColor ABkColor,
                                             TColor ATextColor) const {
  HTHEME theme = Theme(totButton);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintButton(ACanvas, R, ACaption, AState, AWithFrame, ABkColor, ATextColor);
    return;
  }
  const int32_t state = ButtonThemeState(AState);
  DrawPart(ACanvas, theme, BP_PUSHBUTTON, state, R);
  if (!ACaption.empty()) {
    ACanvas->Font();  // the caption takes the canvas's current font
    DrawThemeText(theme, ACanvas->Handle(), BP_PUSHBUTTON, state, ACaption.c_str(), -1,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &R);
  }
}

void TcxWinXPLookAndFeelPainter::PaintExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                   TColor AColor) const {
  HTHEME theme = Theme(totTreeView);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintExpandButton(ACanvas, R, AExpanded, AColor);
    return;
  }
  DrawPart(ACanvas, theme, TVP_GLYPH, AExpanded ? GLPS_OPENED : GLPS_CLOSED, R);
  ACanvas->ExcludeFromClip(R);
}

bool TcxWinXPLookAndFeelPainter::ExpandButtonDrawnFirst() const { return false; }

void TcxWinXPLookAndFeelPainter::PaintGroupExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                        TcxButtonState AState) const {
  if (HTHEME theme = Theme(totExplorerBar))
    DrawPart(ACanvas, theme, AExpanded ? EBP_NORMALGROUPCOLLAPSE : EBP_NORMALGROUPEXPAND,
             kGroupExpandStates[AState], R);
  else
    TcxStandardLookAndFeelPainter::PaintGroupExpandButton(ACanvas, R, AExpanded, AState);
}

void TcxWinXPLookAndFeelPainter::PaintPlainExpandButton(TcxCanvas* ACanvas, const RECT& R, bool AExpanded,
                                                        TColor AFrameColor, TColor AFillColor) const {
  (void)AFrameColor;
  if (Theme(totTreeView))
    PaintExpandButton(ACanvas, R, AExpanded, clDefault);
  else
    TcxStandardLookAndFeelPainter::PaintPlainExpandButton(ACanvas, R, AExpanded, AFillColor, clDefault);
}

int32_t TcxWinXPLookAndFeelPainter::ExpandButtonExtent() const {
  HTHEME theme = Theme(totTreeView);
  return theme ? TrueSize(theme, TVP_GLYPH, GLPS_OPENED).cx : 12;
}

int32_t TcxWinXPLookAndFeelPainter::GroupExpandButtonExtent() const {
  HTHEME theme = Theme(totExplorerBar);
  return theme ? TrueSize(theme, EBP_NORMALGROUPEXPAND, 1).cx : 15;
}

bool TcxWinXPLookAndFeelPainter::ButtonsTrackHot() const { return true; }

bool TcxWinXPLookAndFeelPainter::IsPointOnGroupExpandButton(const RECT& R, POINT P) const {
  HTHEME theme = Theme(totExplorerBar);
  if (!theme) return TcxStandardLookAndFeelPainter::IsPointOnGroupExpandButton(R, P);
  HRGN region = nullptr;
  if (FAILED(GetThemeBackgroundRegion(theme, nullptr, EBP_NORMALGROUPEXPAND, 1, &R, &region)) || !region)
    return TcxStandardLookAndFeelPainter::IsPointOnGroupExpandButton(R, P);
  const bool inside = PtInRegion(region, P.x, P.y) != FALSE;
  DeleteObject(region);
  return inside;
}

int32_t TcxWinXPLookAndFeelPainter::SmallExpandButtonExtent() const {
  return Theme(totTreeView) ? ExpandButtonExtent() : 9;
}

int32_t TcxWinXPLookAndFeelPainter::CheckFrameWidth() const { return Theme(totButton) ? 0 : 2; }

void TcxWinXPLookAndFeelPainter::PaintCheckInterior(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                    bool AChecked, TColor AMarkColor) const {
  if (HTHEME theme = Theme(totButton))
    DrawPart(ACanvas, theme, BP_CHECKBOX, kFourStates[AState] + (AChecked ? 4 : 0), R);
  else
    TcxStandardLookAndFeelPainter::PaintCheckInterior(ACanvas, R, AState, AChecked, AMarkColor);
}

void TcxWinXPLookAndFeelPainter::PaintCheckFrame(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  if (!Theme(totButton)) TcxStandardLookAndFeelPainter::PaintCheckFrame(ACanvas, R, AState);
}

// Without the button class the drawn looks' radio pictures stand in, in the standard look.
void TcxWinXPLookAndFeelPainter::PaintRadioButton(TcxCanvas* ACanvas, int32_t X, int32_t Y, TcxButtonState AState,
                                                  bool AChecked, bool AFocused, TColor ABkColor,
                                                  bool AIsDesigning) const {
  HTHEME theme = Theme(totButton);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintRadioButton(ACanvas, X, Y, AState, AChecked, AFocused, ABkColor,
                                                    AIsDesigning);
    return;
  }
  const int32_t state = kFourStates[AState] + (AChecked ? 4 : 0);
  const SIZE size = TrueSize(theme, BP_RADIOBUTTON, state, ACanvas->Handle());
  DrawPart(ACanvas, theme, BP_RADIOBUTTON, state, RECT{X, Y, X + size.cx, Y + size.cy});
}

void TcxWinXPLookAndFeelPainter::PaintHeader(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                             TcxBorders ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                             TAlignment AAlignH, TcxAlignmentVert AAlignV, bool AMultiLine,
                                             bool AEndEllipsis, const String& AText, TFont* AFont,
                                             TColor ATextColor, TColor ABkColor,
                                             const TcxDrawBackgroundEvent& AOnDrawBackground, bool AIsLast) const {
  HTHEME theme = Theme(totHeader);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintHeader(ACanvas, R, ATextR, ANeighbors, ABorders, AState, AAlignH, AAlignV,
                                               AMultiLine, AEndEllipsis, AText, AFont, ATextColor, ABkColor,
                                               AOnDrawBackground, AIsLast);
    return;
  }
  const int32_t state = kHeaderStates[AState];
  const int32_t part =
      (AIsLast && state == HIS_NORMAL && (LunaScheme() == 1 || LunaScheme() == 2)) ? HP_HEADERITEMRIGHT
                                                                                    : HP_HEADERITEM;
  DrawPart(ACanvas, theme, part, state, R);
  RECT text = ATextR;
  if (AState == cxbsPressed) OffsetRect(&text, 1, 1);
  PaintThemedText(ACanvas, theme, part, state, R, text, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText, AFont,
                  ATextColor, ABkColor);
}

void TcxWinXPLookAndFeelPainter::PaintHeaderPressed(TcxCanvas* ACanvas, const RECT& R) const {
  (void)ACanvas;
  (void)R;
}

void TcxWinXPLookAndFeelPainter::PaintHeaderControlSection(TcxCanvas* ACanvas, const RECT& R, const RECT& ATextR,
                                                           TcxBorders ANeighbors, TcxBorders ABorders,
                                                           TcxButtonState AState, TAlignment AAlignH,
                                                           TcxAlignmentVert AAlignV, bool AMultiLine,
                                                           bool AEndEllipsis, const String& AText, TFont* AFont,
                                                           TColor ATextColor, TColor ABkColor) const {
  FillColor(ACanvas, R, clBtnFace);
  PaintHeader(ACanvas, R, ATextR, ANeighbors, ABorders, AState, AAlignH, AAlignV, AMultiLine, AEndEllipsis, AText,
              AFont, ATextColor, ABkColor, nullptr, false);
}

void TcxWinXPLookAndFeelPainter::PaintSortingMark(TcxCanvas* ACanvas, const RECT& R, bool AAscendingSorting) const {
  TcxUltraFlatLookAndFeelPainter::Instance()->PaintSortingMark(ACanvas, R, AAscendingSorting);
}

int32_t TcxWinXPLookAndFeelPainter::HeaderFrameWidth() const {
  HTHEME theme = Theme(totHeader);
  if (!theme) return 1;
  const RECT c = ContentRect(theme, HP_HEADERITEM, HIS_NORMAL, RECT{0, 0, 100, 100});
  return (c.left + c.top) / 2;
}

bool TcxWinXPLookAndFeelPainter::HeaderPressedInverted() const { return false; }

int32_t TcxWinXPLookAndFeelPainter::HeaderControlSectionFrameWidth(TcxButtonState AState) const {
  (void)AState;
  return HeaderFrameWidth();
}

RECT TcxWinXPLookAndFeelPainter::GetHeaderControlSectionContentBounds(const RECT& R, TcxButtonState AState) const {
  if (Theme(totHeader)) return Shrunk(R, HeaderFrameWidth());
  return TcxStandardLookAndFeelPainter::GetHeaderControlSectionContentBounds(R, AState);
}

bool TcxWinXPLookAndFeelPainter::HeaderHotTracking() const { return true; }
POINT TcxWinXPLookAndFeelPainter::SortingMarkExtent() const { return POINT{7, 8}; }

void TcxWinXPLookAndFeelPainter::PaintFooterCell(TcxCanvas* ACanvas, const RECT& R, TAlignment AAlignH,
                                                 TcxAlignmentVert AAlignV, bool AMultiLine, const String& AText,
                                                 TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                 const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  HTHEME theme = Theme(totTrackBar);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintFooterCell(ACanvas, R, AAlignH, AAlignV, AMultiLine, AText, AFont,
                                                   ATextColor, ABkColor, AOnDrawBackground);
    return;
  }
  DrawPart(ACanvas, theme, TKP_TRACK, 1, R);
  PaintThemedText(ACanvas, theme, TKP_TRACK, 1, R, GetFooterCellTextBounds(R), AAlignH, AAlignV, AMultiLine, false,
                  AText, AFont, ATextColor, ABkColor);
}

int32_t TcxWinXPLookAndFeelPainter::FooterFrameWidth() const { return 1; }

int32_t TcxWinXPLookAndFeelPainter::FooterCellFrameWidth() const {
  HTHEME theme = Theme(totTrackBar);
  return theme ? ContentRect(theme, TKP_TRACK, 1, RECT{0, 0, 100, 100}).left : 1;
}

int32_t TcxWinXPLookAndFeelPainter::FooterCellSpacing() const { return 1; }
bool TcxWinXPLookAndFeelPainter::FooterSeparatorShown() const { return false; }

void TcxWinXPLookAndFeelPainter::PaintFooterFrame(TcxCanvas* ACanvas, const RECT& R) const {
  if (HTHEME theme = Theme(totEdit))
    DrawThemeEdge(theme, ACanvas->Handle(), 0, 0, &R, BDR_RAISEDINNER, BF_RECT, nullptr);
  else
    TcxStandardLookAndFeelPainter::PaintFooterFrame(ACanvas, R);
}

void TcxWinXPLookAndFeelPainter::PaintSmallCloseButton(TcxCanvas* ACanvas, const RECT& R,
                                                       TcxButtonState AState) const {
  if (HTHEME theme = Theme(totWindow))
    DrawPart(ACanvas, theme, WP_SMALLCLOSEBUTTON, kFourStates[AState], R);
  else
    TcxStandardLookAndFeelPainter::PaintSmallCloseButton(ACanvas, R, AState);
}

void TcxWinXPLookAndFeelPainter::PaintFilterDropDownButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                           bool AIsFilterActive) const {
  if (HTHEME theme = Theme(totComboBox))
    DrawPart(ACanvas, theme, CP_DROPDOWNBUTTON, kFourStates[AState], R);
  else
    TcxStandardLookAndFeelPainter::PaintFilterDropDownButton(ACanvas, R, AState, AIsFilterActive);
}

POINT TcxWinXPLookAndFeelPainter::CheckBoxExtent() const {
  HTHEME theme = Theme(totButton);
  if (!theme) return POINT{13, 13};
  const SIZE s = TrueSize(theme, BP_CHECKBOX, CBS_CHECKEDNORMAL);
  return POINT{s.cx, s.cy};
}

POINT TcxWinXPLookAndFeelPainter::SmallCloseButtonExtent() const {
  HTHEME theme = Theme(totWindow);
  if (!theme) return POINT{16, 14};
  const SIZE s = TrueSize(theme, WP_SMALLCLOSEBUTTON, 1);
  return POINT{s.cx + 4, s.cy + 4};
}

POINT TcxWinXPLookAndFeelPainter::PartExtent127() const { return POINT{15, 15}; }

POINT TcxWinXPLookAndFeelPainter::PinButtonExtent() const {
  HTHEME theme = Theme(totExplorerBar);
  if (!theme) return POINT{16, 14};
  const SIZE s = TrueSize(theme, EBP_HEADERPIN, 1);
  return POINT{s.cx, s.cy};
}

void TcxWinXPLookAndFeelPainter::PaintSymbolButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState) const {
  HTHEME theme = Theme(totButton);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintSymbolButton(ACanvas, R, AState);
    return;
  }
  DrawPart(ACanvas, theme, BP_PUSHBUTTON, ButtonThemeState(AState), R);
  RECT r = Shrunk(R, 2);
  if (AState == cxbsDisabled) OffsetRect(&r, 1, 1);
  TcxStandardLookAndFeelPainter::PaintButtonSymbol(ACanvas, r, AState);
}

void TcxWinXPLookAndFeelPainter::PaintPinButton(TcxCanvas* ACanvas, const RECT& R, TcxButtonState AState,
                                                bool APinned, TColor ABkColor) const {
  HTHEME theme = Theme(totExplorerBar);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintPinButton(ACanvas, R, AState, APinned, ABkColor);
    return;
  }
  TBitmap* picture = New<TBitmap>();
  picture->SetSize(RectWidth(R), RectHeight(R));
  picture->Canvas()->Brush()->SetColor(ABkColor == clDefault ? clBtnFace : ABkColor);
  picture->Canvas()->FillRect(RECT{0, 0, RectWidth(R), RectHeight(R)});
  const RECT whole{0, 0, RectWidth(R), RectHeight(R)};
  DrawThemeBackground(theme, picture->Canvas()->Handle(), EBP_HEADERPIN, kPinStates[AState], &whole, nullptr);
  if (!APinned) TcxCanvas::RotateBitmap(picture, 1, false);
  ACanvas->Draw(R.left, R.top, picture);
  picture->Free();
}

void TcxWinXPLookAndFeelPainter::PaintTab(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                          const String& AText, TcxButtonState AState, bool AVertical, TFont* AFont,
                                          TColor ATextColor, TColor ABkColor) const {
  HTHEME theme = Theme(totTab);
  if (!theme) return;
  const int32_t state = kFourStates[AState];
  RECT C = R;
  POINT O{R.left, R.top};
  TBitmap* turned = nullptr;
  HDC target = ACanvas->Handle();
  if (AVertical) {
    C = RECT{0, 0, RectHeight(R), RectWidth(R)};
    turned = New<TBitmap>();
    turned->SetSize(C.right, C.bottom);
    target = turned->Canvas()->Handle();
  }
  RECT P = C;
  const TcxBorder first = AVertical ? bTop : bLeft, last = AVertical ? bBottom : bRight;
  if (!ABorders.Contains(first)) P.left -= 2;
  if (!ABorders.Contains(last)) P.right += 2;
  if (AState == cxbsPressed)
    ++P.bottom;
  else
    --C.bottom;
  DrawThemeBackground(theme, target, TABP_TABITEM, state, &P, &C);
  if (turned) {
    TcxCanvas::RotateBitmap(turned, 1, true);
    C = RECT{C.top, C.left, C.bottom, C.right};
    P = RECT{P.top, P.left, P.bottom, P.right};
    ACanvas->CopyRect(RECT{O.x, O.y, O.x + RectWidth(C), O.y + RectHeight(C)}, turned->Canvas(), C);
    turned->Free();
    OffsetRect(&C, O.x, O.y);
    OffsetRect(&P, O.x, O.y);
  }
  if (AState == cxbsPressed) {
    if (AVertical)
      P.right -= 2;
    else
      P.bottom -= 2;
  }
  PaintThemedText(ACanvas, theme, TABP_TABITEM, state, C, P, taCenter, vaCenter, false, false, AText, AFont,
                  ATextColor, ABkColor);
}

void TcxWinXPLookAndFeelPainter::PaintTabFrame(TcxCanvas* ACanvas, const RECT& R, TcxBorder ASide,
                                               TcxBorders ABorders, bool AVertical) const {
  if (!Theme(totTab)) TcxStandardLookAndFeelPainter::PaintTabFrame(ACanvas, R, ASide, ABorders, AVertical);
}

void TcxWinXPLookAndFeelPainter::PaintTabsRoot(TcxCanvas* ACanvas, const RECT& R, TcxBorders ABorders,
                                               bool AVertical) const {
  HTHEME theme = Theme(totTab);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintTabsRoot(ACanvas, R, ABorders, AVertical);
    return;
  }
  // Only the pane's edge along the tabs shows: the pane reaches beyond R on the other sides.
  const RECT C = ContentRect(theme, TABP_PANE, 0, R);
  RECT P = R;
  if (AVertical) {
    P.bottom = 2 * R.bottom + R.top - C.top - C.bottom;
    P.right = R.right + 10;
  } else {
    P.right = 2 * R.right + R.left - C.left - C.right;
    P.bottom = R.bottom + 10;
  }
  DrawThemeBackground(theme, ACanvas->Handle(), TABP_PANE, 0, &P, &R);
}

int32_t TcxWinXPLookAndFeelPainter::TabPartOffset136(bool AVertical) const {
  (void)AVertical;
  return Theme(totTab) ? 1 : 0;
}

int32_t TcxWinXPLookAndFeelPainter::TabPartOffset137(bool AVertical) const {
  (void)AVertical;
  return Theme(totTab) ? 1 : 0;
}

int32_t TcxWinXPLookAndFeelPainter::TabFrameWidth(bool AVertical) const {
  (void)AVertical;
  return 1;
}

void TcxWinXPLookAndFeelPainter::PaintIndicatorItem(TcxCanvas* ACanvas, const RECT& R, TcxIndicatorImage AKind,
                                                    TColor ABkColor,
                                                    const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  TcxFlatLookAndFeelPainter::Instance()->TcxCustomLookAndFeelPainter::PaintIndicatorItem(ACanvas, R, AKind, ABkColor,
                                                                                         AOnDrawBackground);
}

void TcxWinXPLookAndFeelPainter::PaintScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const RECT& R,
                                                    TcxScrollPart APart, TcxButtonState AState) const {
  if (IsEmptyRect(R)) return;
  HTHEME theme = Theme(totScrollBar);
  if (!theme) {
    TcxStandardLookAndFeelPainter::PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
    return;
  }
  const int32_t state = kFourStates[AState];
  switch (APart) {
    case spLineUp:
    case spLineDown:
      PaintArrowButton(ACanvas, R, AState, ScrollArrowDirection(AHorizontal, APart), true);
      break;
    case spThumb:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, state, R);
      DrawPart(ACanvas, theme, AHorizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, R);
      break;
    case spPageUp:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT, state, R);
      break;
    case spPageDown:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_UPPERTRACKHORZ : SBP_UPPERTRACKVERT, state, R);
      break;
    case spNone:
      break;
  }
}

void TcxWinXPLookAndFeelPainter::PaintMonthHeader(TcxCanvas* ACanvas, const RECT& R, const String& AText,
                                                  TcxBorders ANeighbors, const TcxViewParamsRec& AViewParams,
                                                  int32_t AArrows, int32_t AArrowIndent,
                                                  const TcxDrawBackgroundEvent& AOnDrawBackground) const {
  PaintHeader(ACanvas, R, R, ANeighbors, cxBordersAll, cxbsNormal, taCenter, vaCenter, false, false, AText,
              AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground,
              !ANeighbors.Contains(bRight));
  PaintMonthArrows(ACanvas, R, AArrows, AArrowIndent, clWindowText);
}

void TcxWinXPLookAndFeelPainter::PaintSchedulerSplitterFrame(TcxCanvas* ACanvas, const RECT& ARect,
                                                             const TcxViewParamsRec& AViewParams,
                                                             bool AHorizontal) const {
  if (!Theme(totListView) || !Theme(totComboBox)) {
    TcxStandardLookAndFeelPainter::PaintSchedulerSplitterFrame(ACanvas, ARect, AViewParams, AHorizontal);
    return;
  }
  RECT R = ARect;
  const TColor line = DefaultColor42();
  if (AHorizontal) {
    FillColor(ACanvas, RECT{R.left, R.top, R.right, R.top + 1}, line);
    FillColor(ACanvas, RECT{R.left, R.bottom - 1, R.right, R.bottom}, line);
    InflateRect(&R, 1, -1);
  } else {
    FillColor(ACanvas, RECT{R.left, R.top, R.left + 1, R.bottom}, line);
    FillColor(ACanvas, RECT{R.right - 1, R.top, R.right, R.bottom}, line);
    InflateRect(&R, -1, 1);
  }
  ACanvas->FillFramedRect(R, AViewParams, {}, clDefault, 1);
}
