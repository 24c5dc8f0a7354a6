// The base painter of the bar styles: what every style draws alike (item text, glyph cells, check
// glyphs, separators, sub-items, the floating caption) and the answers a style does not change.

#include <algorithm>
#include <cstdlib>

#include "forms/Forms.h"
#include "forms/ImgList.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/dxOffice11.h"
#include "winapi/WinText.h"

namespace {

HBRUSH SysBrush(int AIndex) { return GetSysColorBrush(AIndex); }

bool IsMenuWindow(TCustomdxBarControl* ABar) { return ABar && ABar->IsMenuLike(); }

bool IsMainMenuBar(TCustomdxBarControl* ABar) { return ABar && ABar->Bar() && ABar->Bar()->IsMainMenu(); }

int32_t RectWidth(const RECT& R) { return R.right - R.left; }
int32_t RectHeight(const RECT& R) { return R.bottom - R.top; }

// The accelerator of a caption drawn turned: the text without its marks and the position (0-based) of
// the character the last single mark stands before, or -1.
String StripAccelerator(const String& AText, int32_t& APosition) {
  APosition = -1;
  String result;
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == '&' && i + 1 < AText.size()) {
      ++i;
      if (AText[i] != '&') APosition = static_cast<int32_t>(result.size());
    }
    result += AText[i];
  }
  return result;
}

void FillWithSysColor(HDC DC, const RECT& R, int AIndex) { FillRect(DC, &R, SysBrush(AIndex)); }

}  // namespace

const TdxBarItemControlPainter* TdxBarItemControlPainter::Instance() {
  static const TdxBarItemControlPainter instance;
  return &instance;
}

// ---- glyphs and check marks ------------------------------------------------------------------------------------

void TdxBarItemControlPainter::DrawGlyphFrame(TdxBarItemControl*, HDC, HBRUSH, bool, const RECT&,
                                              const TdxBarPaintFlags&) const {}

void TdxBarItemControlPainter::DrawCheckTick(TdxBarItemControl*, HDC, int32_t, int32_t, int32_t) const {}

void TdxBarItemControlPainter::DrawCheckGlyph(TdxBarItemControl* AItem, HDC DC, const RECT& ACell, HBRUSH ABrush,
                                              bool AGlyphFits, int32_t AKind, bool AHot, bool ADown,
                                              bool APressed) const {
  RECT r = ACell;
  if (AGlyphFits) InflateRect(&r, -1, -1);
  if (!PaintsOwnBackground()) {
    const bool fill = AItem->RarelyUsed || (!KeepsPlainGlyphBackground() && (APressed || ADown || AHot));
    DrawItemBackground(AItem, DC, fill, ABrush, r);
  }
  if (AKind != dxBarPaintMenu || !ADown) return;
  const int32_t scale = AItem->Parent()->Canvas()->Font()->Size() < 16 ? 1 : 2;
  const int32_t left = ACell.left + (RectWidth(ACell) - 9 * scale) / 2;
  const int32_t top = ACell.top + (RectHeight(ACell) - 7 * scale) / 2;
  DrawCheckTick(AItem, DC, scale, top, left);
}

void TdxBarItemControlPainter::DrawGlyph(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits,
                                         const RECT& ACell, const RECT& AGlyphRect, TBitmap* AGlyph,
                                         TCustomImageList* AImages, int32_t AImageIndex,
                                         const TdxBarPaintFlags& AFlags) const {
  DrawGlyphImage(AItem, DC, ABrush, AGlyphFits, ACell, AGlyphRect, AGlyph, AImages, AImageIndex, AFlags, false);
}

void TdxBarItemControlPainter::DrawGlyphImage(TdxBarItemControl* AItem, HDC DC, HBRUSH ABrush, bool AGlyphFits,
                                              const RECT& ACell, const RECT& AGlyphRect, TBitmap* AGlyph,
                                              TCustomImageList* AImages, int32_t AImageIndex,
                                              const TdxBarPaintFlags& AFlags, bool AFlatLook) const {
  RECT r = ACell;
  if (AGlyphFits) InflateRect(&r, -1, -1);
  TCustomdxBarControl* bar = AItem->Parent();
  bool painted = false;
  if (!AItem->RarelyUsed && bar->IsDoubleBufferNeeded()) {
    const bool fill = !KeepsPlainGlyphBackground() && (AFlags.Pressed || AFlags.Down || AFlags.Hot);
    DrawItemBackground(AItem, DC, fill, ABrush, r);
    painted = true;
  }
  TdxBarGlyphParams p;
  p.BackgroundBrush = ABrush;
  p.PaintRect = r;
  p.ImageListBkColor = bar->BarManager()->ImageListBkColor();
  p.TintColor = GetFadedGlyphColor(bar);
  p.KeepBackground = painted;
  p.ShadowStyle = AFlatLook;
  p.Faded = AFlatLook;
  p.PressedOffset = AFlags.Pressed;
  p.Down = AFlags.Down;
  p.Hot = AFlags.Hot;
  p.Enabled = AItem->UseImagesWhenDisabled();
  p.ImageIndex = AImageIndex;
  p.ImageList = AImages;
  p.Bitmap = AGlyph;
  p.GlyphRect = AGlyphRect;
  DrawBarGlyph(DC, p);
}

void TdxBarItemControlPainter::DrawArrowInRect(HDC DC, const RECT& R, bool AHorizontal, bool AFlat, bool ASelected,
                                               bool AEnabled) const {
  DrawArrow(DC, R, AHorizontal, AFlat, ASelected, AEnabled);
}

void TdxBarItemControlPainter::DrawArrowOfSize(HDC DC, const RECT& R, bool AHorizontal, bool AFlat, bool ASelected,
                                               bool AEnabled, int32_t ASize) const {
  DrawSizedArrow(DC, R, AHorizontal, AFlat, ASelected, AEnabled, ASize);
}

TColor TdxBarItemControlPainter::GetFadedGlyphColor(TCustomdxBarControl* ABar) const {
  if (ABar && ABar->BarManager()->MakeDisabledImagesFaded()) return MixColorsPercent(clBtnShadow, clWhite, 70);
  return clNone;
}

void TdxBarItemControlPainter::GetTextColors(TdxBarItemControl*, bool AEnabled, int32_t& AEmbossColor,
                                             int32_t& ATextColor, bool ANoEmboss, bool ASelected) const {
  if (AEnabled) {
    AEmbossColor = ATextColor = ASelected && !ANoEmboss ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
  } else if (ASelected || ANoEmboss) {
    AEmbossColor = ATextColor = COLOR_GRAYTEXT;
  } else {
    AEmbossColor = COLOR_BTNHIGHLIGHT;
    ATextColor = COLOR_BTNSHADOW;
  }
}

bool TdxBarItemControlPainter::SuppressesPressedOffset(TdxBarItemControl*) const { return false; }

bool TdxBarItemControlPainter::IsLowHeight(TCustomdxBarControl*, const RECT& R) const { return RectHeight(R) < 17; }

// ---- floating captions and the mark ----------------------------------------------------------------------------

TColor TdxBarItemControlPainter::GetCaptionColor(TCustomdxBarControl*, bool AActive) const {
  return AActive ? clActiveCaption : clInactiveCaption;
}

TColor TdxBarItemControlPainter::GetCaptionTextColor(TCustomdxBarControl*) const { return clCaptionText; }

TColor TdxBarItemControlPainter::GetCaptionButtonColor(TCustomdxBarControl*, int32_t) const { return clCaptionText; }

void TdxBarItemControlPainter::DrawSizeGripGlyph(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush,
                                                 const RECT& R) const {
  ABar->DrawBackground(DC, R, false, clNone, ABrush);
  DrawTransparentSizeGrip(DC, R);
}

void TdxBarItemControlPainter::DrawTriangle(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  const COLORREF color = ColorToRGB(GetCaptionButtonColor(ABar, ABar->MarkState()));
  const int32_t left = R.left + (RectWidth(R) - 7) / 2, top = R.top + (RectHeight(R) - 4) / 2;
  const POINT pts[3] = {{left, top}, {left + 6, top}, {left + 3, top + 3}};
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldPen = SelectObject(DC, pen), oldBrush = SelectObject(DC, brush);
  Polygon(DC, pts, 3);
  SelectObject(DC, oldBrush);
  SelectObject(DC, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void TdxBarItemControlPainter::DrawMarkChevron(TCustomdxBarControl*, HDC, int32_t, const RECT&) const {}

void TdxBarItemControlPainter::DrawMarkBackground(TCustomdxBarControl*, HDC, HBRUSH, const RECT&) const {}

void TdxBarItemControlPainter::DrawMarkContents(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  if (!ABar->Truncated) return;
  if (IsVerticalToolbar(ABar)) {
    DrawMarkChevron(ABar, DC, R.bottom - 9, R);
    DrawMarkChevron(ABar, DC, R.bottom - 5, R);
  } else {
    DrawMarkChevron(ABar, DC, R.left + 2, R);
    DrawMarkChevron(ABar, DC, R.left + 6, R);
  }
}

void TdxBarItemControlPainter::GetCaptionButtonsLeft(TCustomdxBarControl* ABar, int32_t& X, RECT& R) const {
  (void)R;
  X = GetMarkRect(ABar).right + 3;
}

int32_t TdxBarItemControlPainter::GetMarkArrowColor(TCustomdxBarControl*) const { return COLOR_BTNTEXT; }

void TdxBarItemControlPainter::DrawArrowPolygon(HDC DC, int32_t AColorIndex, int32_t ASize, int32_t ATop,
                                                int32_t ALeft) const {
  const POINT pts[3] = {{ALeft, ATop}, {ALeft + ASize - 1, ATop}, {ALeft + ASize / 2, ATop + ASize / 2}};
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(AColorIndex));
  HGDIOBJ oldPen = SelectObject(DC, pen), oldBrush = SelectObject(DC, SysBrush(AColorIndex));
  Polygon(DC, pts, 3);
  SelectObject(DC, oldBrush);
  SelectObject(DC, oldPen);
  DeleteObject(pen);
}

// ---- item backgrounds, glyph cells and text ----------------------------------------------------------------------

void TdxBarItemControlPainter::DrawCaptionText(HDC DC, const RECT& R, bool AOpaque, const String& AText,
                                               int32_t AOffset) const {
  RECT r = R;
  OffsetRect(&r, AOffset, AOffset);
  const int oldMode = SetBkMode(DC, AOpaque ? OPAQUE : TRANSPARENT);
  const COLORREF oldText = SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
  const COLORREF oldBack = SetBkColor(DC, GetSysColor(COLOR_BTNFACE));
  DrawTextString(DC, AText, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetBkColor(DC, oldBack);
  SetTextColor(DC, oldText);
  SetBkMode(DC, oldMode);
}

void TdxBarItemControlPainter::DrawItemBackground(TdxBarItemControl* AItem, HDC DC, bool AUseBrush, HBRUSH ABrush,
                                                  const RECT& R) const {
  if (R.right <= R.left || R.bottom <= R.top) return;
  if (AUseBrush)
    FillRect(DC, &R, ABrush);
  else
    AItem->Parent()->DrawBackground(DC, R, true, clNone, ABrush);
}

void TdxBarItemControlPainter::FrameItemRect(TdxBarItemControl* AItem, HDC DC, bool AUseBrush, HBRUSH ABrush,
                                             const RECT& R) const {
  if (AUseBrush) {
    FrameRect(DC, &R, ABrush);
    return;
  }
  bool hadRegion = false;
  HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
  ExcludeClipRect(DC, R.left + 1, R.top + 1, R.right - 1, R.bottom - 1);
  DrawItemBackground(AItem, DC, false, ABrush, R);
  RestoreSavedClipRegion(DC, saved, hadRegion);
}

void TdxBarItemControlPainter::DrawDisabledDot(TdxBarItemControl*, HDC DC, const RECT& R) const {
  FillWithSysColor(DC, R, COLOR_BTNSHADOW);
}

void TdxBarItemControlPainter::DrawItemGlyph(TdxBarItemControl* AItem, const RECT& R, const RECT* ASubstitute,
                                             const TdxBarPaintFlags& AFlags, bool AUseRAsItIs) const {
  TdxBarManager* manager = AItem->Parent()->BarManager();
  TBitmap* glyph = AItem->GetGlyph();
  const bool ownGlyph = glyph && !glyph->Empty();
  TCustomImageList* images = AItem->GetImages(AFlags.Kind != dxBarPaintMenu);
  TdxBarPaintFlags flags = AFlags;
  flags.NoGlyph = AFlags.NoGlyph || !AItem->HasGlyph();
  RECT glyphRect = R;
  if (!flags.NoGlyph) {
    RECT area = R;
    if (!AUseRAsItIs) {
      if (AFlags.Kind == dxBarPaintToolbar) area.right = area.left + manager->ButtonWidth();
      if (AFlags.Kind == dxBarPaintVertical) area.bottom = area.top + manager->ButtonHeight();
    }
    SIZE size{0, 0};
    if (ownGlyph)
      size = SIZE{glyph->Width(), glyph->Height()};
    else if (images)
      size = SIZE{images->Width(), images->Height()};
    if (AFlags.Kind != dxBarPaintMenu && manager->LargeIcons()) {
      if (manager->IsLargeImagesUsed())
        size = SIZE{manager->LargeImages()->Width(), manager->LargeImages()->Height()};
      else
        size = SIZE{size.cx * 2, size.cy * 2};
    }
    glyphRect.left = area.left + (RectWidth(area) - size.cx) / 2;
    glyphRect.top = area.top + (RectHeight(area) - size.cy) / 2;
    glyphRect.right = glyphRect.left + size.cx;
    glyphRect.bottom = glyphRect.top + size.cy;
    if (AFlags.Down) OffsetRect(&glyphRect, GetGlyphDownOffset(), GetGlyphDownOffset());
    if (AFlags.Pressed) OffsetRect(&glyphRect, GetGlyphPushedOffset(AFlags.Down), GetGlyphPushedOffset(AFlags.Down));
  }
  const RECT cell = ASubstitute ? *ASubstitute : R;
  DrawGlyphCell(AItem, cell, glyphRect, glyph, images, AItem->GetImageIndex(), flags);
}

void TdxBarItemControlPainter::DrawGlyphCell(TdxBarItemControl* AItem, const RECT& ACell, const RECT& AGlyphRect,
                                             TBitmap* AGlyph, TCustomImageList* AImages, int32_t AImageIndex,
                                             const TdxBarPaintFlags& AFlags) const {
  TCustomdxBarControl* bar = AItem->Parent();
  HDC dc = bar->Canvas()->Handle();
  HBRUSH brush = GetButtonFaceBrush(AItem, AFlags);
  SIZE glyphSize{RectWidth(AGlyphRect), RectHeight(AGlyphRect)};
  if (AFlags.NoGlyph) glyphSize = SIZE{bar->BarManager()->GlyphSize(), bar->BarManager()->GlyphSize()};
  const bool fits = RectWidth(ACell) >= glyphSize.cx + 2 && RectHeight(ACell) >= glyphSize.cy + 2;
  if (PaintsOwnBackground()) DrawGlyphFrame(AItem, dc, brush, fits, ACell, AFlags);
  if (AFlags.NoGlyph)
    DrawCheckGlyph(AItem, dc, ACell, brush, fits, AFlags.Kind, AFlags.Hot, AFlags.Down, AFlags.Pressed);
  else
    DrawGlyph(AItem, dc, brush, fits, ACell, AGlyphRect, AGlyph, AImages, AImageIndex, AFlags);
  if (!PaintsOwnBackground()) DrawGlyphFrame(AItem, dc, brush, fits, ACell, AFlags);
}

void TdxBarItemControlPainter::DrawItemCaption(TdxBarItemControl*, HDC, RECT&, bool, bool, bool) const {}

void TdxBarItemControlPainter::DrawItemText(TdxBarItemControl* AItem, HDC DC, const String& AText, const RECT& R,
                                            int32_t AAlignment, bool AEnabled, bool ASelected, bool AVertical,
                                            bool AClip, bool AFlatText) const {
  const int oldMode = SetBkMode(DC, TRANSPARENT);
  UINT format = DT_SINGLELINE | DT_NOCLIP;
  bool hadRegion = false;
  HRGN savedClip = nullptr;
  const bool clipVertical = AClip && AVertical;
  if (AClip && !AVertical) format &= ~UINT(DT_NOCLIP);
  if (clipVertical) {
    savedClip = SaveCurrentClipRegion(DC, hadRegion);
    AddClipRect(DC, R);
  }
  String text = AText;
  RECT r = R;
  int32_t accelerator = -1, accelOffset = 0, accelWidth = 0, textHeight = 0, ascent = 0;
  if (!AVertical) {
    format |= static_cast<UINT>(AAlignment == 1 ? DT_CENTER : AAlignment == 2 ? DT_RIGHT : DT_LEFT) | DT_VCENTER;
  } else {
    text = StripAccelerator(AText, accelerator);
    format |= DT_NOPREFIX;
    const SIZE size = GetTextExtentString(DC, text);
    TEXTMETRIC tm{};
    GetTextMetrics(DC, &tm);
    textHeight = tm.tmHeight;
    ascent = tm.tmAscent;
    const int32_t offset = AAlignment == 1 ? (RectHeight(R) - size.cx) / 2 : AAlignment == 2 ? RectHeight(R) - size.cx : 0;
    r.top += offset;
    r.left += (RectWidth(R) + textHeight) / 2;
    if (accelerator >= 0) {
      accelOffset = GetTextExtentString(DC, text.substr(0, static_cast<size_t>(accelerator))).cx;
      accelWidth = GetTextExtentString(DC, text.substr(static_cast<size_t>(accelerator), 1)).cx;
    }
  }
  int32_t emboss = COLOR_BTNTEXT, color = COLOR_BTNTEXT;
  GetTextColors(AItem, AEnabled, emboss, color, AFlatText && IsFlatStyle(), ASelected);
  auto pass = [&](int32_t AColorIndex, int32_t AShift) {
    RECT t = r;
    OffsetRect(&t, AShift, AShift);
    SetTextColor(DC, GetSysColor(AColorIndex));
    DrawTextString(DC, text, t, format);
    if (AVertical && accelerator >= 0) {
      // The turned font has no underline of its own: the mark is drawn by hand below the baseline.
      HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(AColorIndex));
      HGDIOBJ old = SelectObject(DC, pen);
      const int32_t x = t.left - ascent - 1;
      MoveToEx(DC, x, t.top + accelOffset, nullptr);
      LineTo(DC, x, t.top + accelOffset + accelWidth);
      SelectObject(DC, old);
      DeleteObject(pen);
    }
  };
  if (emboss != color) pass(emboss, 1);
  pass(color, 0);
  if (clipVertical) RestoreSavedClipRegion(DC, savedClip, hadRegion);
  SetBkMode(DC, oldMode);
}

void TdxBarItemControlPainter::DrawButtonEdge(TdxBarItemControl*, HDC, RECT&) const {}

void TdxBarItemControlPainter::DrawDownButtonEdge(TdxBarItemControl*, HDC DC, int32_t AEdgeState, int32_t ADeflation,
                                                  RECT& R) const {
  switch (AEdgeState) {
    case 0: return;
    case 4:
      DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
      InflateRect(&R, -1, -1);
      DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
      InflateRect(&R, -1, -1);
      return;
    default: {
      const UINT edge = AEdgeState == 1 ? BDR_SUNKENOUTER : AEdgeState == 2 ? BDR_RAISEDINNER : EDGE_ETCHED;
      DrawEdge(DC, &R, edge, BF_RECT);
      InflateRect(&R, -ADeflation, -ADeflation);
    }
  }
}

void TdxBarItemControlPainter::DrawCheckedButton(TdxBarItemControl*, HDC, bool, bool, const RECT&) const {}

void TdxBarItemControlPainter::GetItemColors(TdxBarItemControl* AItem, int32_t, bool, bool, bool, HBRUSH& ABrush,
                                             int32_t& ATextColor) const {
  ABrush = AItem->Parent()->CachedBkBrush();
  ATextColor = COLOR_BTNTEXT;
}

HBRUSH TdxBarItemControlPainter::GetButtonFaceBrush(TdxBarItemControl* AItem, const TdxBarPaintFlags&) const {
  return AItem->Parent()->CachedBkBrush();
}

int32_t TdxBarItemControlPainter::GetGlyphPushedOffset(bool) const { return 0; }

int32_t TdxBarItemControlPainter::GetLoweredButtonMargin(TdxBarItemControl*) const { return 0; }

int32_t TdxBarItemControlPainter::GetMenuItemIndent(TdxBarItemControl* AItem) const {
  return IsMenuWindow(AItem->Parent()) ? AItem->Parent()->LineHeight() + 1 : 0;
}

// ---- metrics -------------------------------------------------------------------------------------------------------

int32_t TdxBarItemControlPainter::GetFloatingBorderWidth() const { return GetSystemMetrics(SM_CXFRAME); }
int32_t TdxBarItemControlPainter::GetFloatingBorderHeight() const { return GetSystemMetrics(SM_CYFRAME); }

int32_t TdxBarItemControlPainter::GetButtonArrowWidth(TdxBarManager* ABarManager) const {
  int32_t width = (1 + (ABarManager->LargeIcons() ? 1 : 0)) * ABarManager->ButtonArrowWidth();
  if (width % 2 == 0) ++width;
  return width;
}

int32_t TdxBarItemControlPainter::GetLargeButtonArrowWidth(TdxBarManager* ABarManager) const {
  return ABarManager->LargeButtonArrowWidth();
}

// ---- backgrounds and brushes ------------------------------------------------------------------------------------

void TdxBarItemControlPainter::DrawDockBackground(TdxDockControl*, HDC DC, TColor AColor, TBitmap* ABitmap,
                                                  const RECT& R, const RECT& AOrigin) const {
  FillRectOrBitmap(DC, R, AOrigin, ABitmap, AColor, nullptr);
}

bool TdxBarItemControlPainter::HasBarContentBrush(TCustomdxBarControl*) const { return false; }

HBRUSH TdxBarItemControlPainter::GetBarContentBrush(TdxBarManager* ABarManager) const {
  return ABarManager->FlatBrush(1);
}

void TdxBarItemControlPainter::DrawBarBackground(TCustomdxBarControl* ABar, HDC DC, TColor AColor, HBRUSH ABrush,
                                                 const RECT& R, const RECT& AOrigin) const {
  TdxDockControl* dock = ABar->DockControl();
  if (!dock) {
    FillBarBackground(ABar, DC, AColor, ABrush, R, AOrigin);
    return;
  }
  // The dock's picture continues under the bar: the origin moves by the bar's place in the dock.
  RECT origin = AOrigin;
  OffsetRect(&origin, ABar->Left(), ABar->Top());
  dock->DrawBackground(DC, R, AColor, ABrush, origin);
}

void TdxBarItemControlPainter::FillBarBackground(TCustomdxBarControl* ABar, HDC DC, TColor AColor, HBRUSH ABrush,
                                                 const RECT& R, const RECT& AOrigin) const {
  FillRectOrBitmap(DC, R, AOrigin, ABar->BarManager()->Backgrounds()->Bar(), AColor, ABrush);
}

bool TdxBarItemControlPainter::IsFloatingToolbarFramed(TCustomdxBarControl*) const { return false; }
HBRUSH TdxBarItemControlPainter::GetBkBrush(TCustomdxBarControl*) const { return SysBrush(COLOR_BTNFACE); }
HBRUSH TdxBarItemControlPainter::GetToolbarBkBrush(TCustomdxBarControl* ABar) const { return GetBkBrush(ABar); }
HBRUSH TdxBarItemControlPainter::GetCheckedBrush(TCustomdxBarControl*) const { return CheckeredBrush(); }
HBRUSH TdxBarItemControlPainter::GetFaceBrush(TCustomdxBarControl*) const { return SysBrush(COLOR_BTNFACE); }
HBRUSH TdxBarItemControlPainter::GetHighlightBrush(TCustomdxBarControl*) const { return SysBrush(COLOR_HIGHLIGHT); }

int32_t TdxBarItemControlPainter::GetDropDownButtonWidth(TCustomdxBarControl*, HDC, int32_t AZeroWidth) const {
  return 2 * AZeroWidth - 1;
}

int32_t TdxBarItemControlPainter::CalcEditHeight(TCustomdxBarControl*, HDC, int32_t AZeroHeight) const {
  return AZeroHeight + GetEditHeightExtra();
}

// ---- tool bars ------------------------------------------------------------------------------------------------------

int32_t TdxBarItemControlPainter::GetSeparatorMargin(TCustomdxBarControl* ABar) const {
  return (GetToolbarSeparatorSize(ABar, true) - 2) / 2;
}

int32_t TdxBarItemControlPainter::GetToolbarSeparatorSize(TCustomdxBarControl*, bool) const { return 6; }

RECT TdxBarItemControlPainter::GetBorderSizes(TCustomdxBarControl*, TdxBarDockingStyle) const {
  const int32_t t = GetBorderThickness();
  return RECT{t, t, t, t};
}

RECT TdxBarItemControlPainter::GetDockedBorderSizes(TdxBar*, TdxBarDockingStyle) const { return RECT{2, 2, 2, 2}; }

void TdxBarItemControlPainter::FillFrameRect(TCustomdxBarControl*, HDC DC, HBRUSH ABrush, const RECT& R) const {
  FillRect(DC, &R, ABrush);
}

int32_t TdxBarItemControlPainter::GetSmallCaptionHeight() const {
  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  return metrics.iSmCaptionHeight;
}

SIZE TdxBarItemControlPainter::GetCaptionButtonSize() const {
  const int32_t h = GetSmallCaptionHeight();
  return SIZE{h, h};
}

void TdxBarItemControlPainter::DrawSeparator(TCustomdxBarControl* ABar, HDC DC, bool AHorizontal, HBRUSH ABrush,
                                             const RECT& R) const {
  const int32_t margin = GetSeparatorMargin(ABar);
  RECT line = R;
  if (AHorizontal) {
    ABar->DrawBackground(DC, RECT{R.left, R.top, R.right, R.top + margin}, true, clNone, ABrush);
    ABar->DrawBackground(DC, RECT{R.left, R.bottom - margin, R.right, R.bottom}, true, clNone, ABrush);
    line.top += margin;
    line.bottom -= margin;
    DrawEdge(DC, &line, EDGE_ETCHED, BF_TOP);
  } else {
    ABar->DrawBackground(DC, RECT{R.left, R.top, R.left + margin, R.bottom}, true, clNone, ABrush);
    ABar->DrawBackground(DC, RECT{R.right - margin, R.top, R.right, R.bottom}, true, clNone, ABrush);
    line.left += margin;
    line.right -= margin;
    DrawEdge(DC, &line, EDGE_ETCHED, BF_LEFT);
  }
}

void TdxBarItemControlPainter::DrawCaptionButtonBackground(TCustomdxBarControl* ABar, HDC DC, int32_t AState,
                                                           const RECT& R) const {
  if (AState == 0) {
    FillRectWithColor(DC, R, GetCaptionColor(ABar, true));
    return;
  }
  DrawHighlightFrame(DC, R);
  RECT r = R;
  InflateRect(&r, -1, -1);
  FillRect(DC, &r, AState == 1 ? GetHighlightBrush(ABar) : GetFaceBrush(ABar));
}

void TdxBarItemControlPainter::DrawCloseButton(TCustomdxBarControl*, HDC, const RECT&) const {}
void TdxBarItemControlPainter::DrawDockedBorder(TCustomdxBarControl*, HDC, HBRUSH, const RECT&) const {}
void TdxBarItemControlPainter::DrawFloatingFrame(TCustomdxBarControl*, HDC, HBRUSH, int32_t, const RECT&) const {}

void TdxBarItemControlPainter::DrawFloatingCaption(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, bool AActive,
                                                   const RECT& R) const {
  const RECT below{R.left, R.bottom, R.right, R.bottom + 1};
  FillRect(DC, &below, ABrush);
  if (FillsCaptionBackground()) FillFrameRect(ABar, DC, ABrush, R);
  RECT textRect = R;
  if (ABar->HasCloseButton()) {
    textRect.right -= GetSmallCaptionHeight();
    ABar->DrawCloseButton(DC);
  }
  int32_t x = R.left + 2;
  if (ABar->HasCaptionMark()) GetCaptionButtonsLeft(ABar, x, textRect);

  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONT lf = metrics.lfSmCaptionFont;
  TdxBarManager* manager = ABar->BarManager();
  if (!manager->UseSystemFont()) {
    const String face = ABar->Canvas()->Font()->Name();
    const size_t n = std::min(face.size(), sizeof(lf.lfFaceName) - 1);
    face.copy(lf.lfFaceName, n);
    lf.lfFaceName[n] = 0;
    if (lf.lfHeight >= -10) lf.lfHeight = -11;
  }
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ oldFont = SelectObject(DC, font);
  const bool transparent = FillsCaptionBackground();
  const COLORREF oldText = SetTextColor(DC, ColorToRGB(GetCaptionTextColor(ABar)));
  const COLORREF oldBack = SetBkColor(DC, ColorToRGB(GetCaptionColor(ABar, AActive)));
  const int oldMode = SetBkMode(DC, transparent ? TRANSPARENT : OPAQUE);
  const String caption = ABar->Bar() ? ABar->Bar()->Caption() : String();
  TEXTMETRIC tm{};
  GetTextMetrics(DC, &tm);
  const int32_t y = textRect.top + (RectHeight(textRect) - tm.tmHeight) / 2;
  ExtTextOutString(DC, x, y, transparent ? ETO_CLIPPED : ETO_OPAQUE | ETO_CLIPPED, &textRect, caption);
  SetBkMode(DC, oldMode);
  SetBkColor(DC, oldBack);
  SetTextColor(DC, oldText);
  SelectObject(DC, oldFont);
  DeleteObject(font);
  if (ABar->HasCaptionMark()) ABar->DrawCaptionMark(DC);
}

void TdxBarItemControlPainter::DrawCaptionMenuButton(TCustomdxBarControl* ABar, HDC DC, const RECT& R) const {
  DrawTriangle(ABar, DC, R);
}

void TdxBarItemControlPainter::DrawMark(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, const RECT& R) const {
  DrawMarkBackground(ABar, DC, ABrush, R);
  DrawMarkContents(ABar, DC, R);
}

void TdxBarItemControlPainter::DrawMDIButton(TCustomdxBarControl*, int32_t, const RECT&, HDC, bool, bool) const {}

void TdxBarItemControlPainter::DrawBarSizeGrip(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush, const RECT& R) const {
  const SIZE grip = GetSizeGripSize(ABar->BarManager());
  const RECT gripRect{R.left, R.bottom - grip.cy, R.right, R.bottom};
  DrawSizeGripGlyph(ABar, DC, ABrush, gripRect);
  ABar->DrawBackground(DC, RECT{R.left, R.top, R.right, gripRect.top}, false, clNone, ABrush);
}

void TdxBarItemControlPainter::DrawBarSizeGripArea(TCustomdxBarControl* ABar, HDC DC, HBRUSH ABrush,
                                                   const RECT& R) const {
  ABar->DrawBackground(DC, R, false, clNone, ABrush);
}

RECT TdxBarItemControlPainter::GetMarkRect(TCustomdxBarControl* ABar) const { return GetMarkArea(ABar); }
RECT TdxBarItemControlPainter::GetMarkArea(TCustomdxBarControl*) const { return RECT{}; }

void TdxBarItemControlPainter::InvalidateMark(TCustomdxBarControl* ABar) const {
  if (!ABar->HandleAllocated()) return;
  if (ABar->DockingStyle() != dsNone) {
    const RECT r = GetMarkArea(ABar);
    InvalidateRect(ABar->Handle(), &r, FALSE);
  } else {
    SendMessage(ABar->Handle(), WM_NCPAINT, 1, 0);
  }
}

void TdxBarItemControlPainter::DrawToolbarBackground(TCustomdxBarControl*, HDC DC, TColor AColor, HBRUSH ABrush,
                                                     const RECT& R, const RECT& AOrigin) const {
  FillRectOrBitmap(DC, R, AOrigin, nullptr, AColor, ABrush);
}

SIZE TdxBarItemControlPainter::GetSizeGripSize(TdxBarManager*) const {
  return SIZE{GetSystemMetrics(SM_CXHSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

int32_t TdxBarItemControlPainter::GetBottomBarExtraHeight(TdxBarManager*) const { return 2; }

// ---- buttons and sub-items ---------------------------------------------------------------------------------------

void TdxBarItemControlPainter::AdjustMenuItemWidth(TdxBarItemControl*, int32_t&) const {}

void TdxBarItemControlPainter::DrawButtonArrowPart(TdxBarItemControl*, HDC, const RECT&, HBRUSH, int32_t, bool, bool,
                                                   bool, bool, bool, int32_t) const {}

void TdxBarItemControlPainter::OffsetPressedContent(TdxBarItemControl*, bool, RECT&) const {}
void TdxBarItemControlPainter::OffsetPressedText(TdxBarItemControl*, bool, RECT&) const {}

int32_t TdxBarItemControlPainter::GetSubItemTextIndent(TdxBarItemControl* AItem) const {
  return std::abs(AItem->Parent()->Canvas()->Font()->Height()) / 2;
}

int32_t TdxBarItemControlPainter::GetSubItemHeight(TdxBarItemControl* AItem) const {
  TCustomdxBarControl* bar = AItem->Parent();
  if (IsMenuWindow(bar)) return bar->LineHeight();
  if (!AItem->HasGlyph()) return bar->LineHeight();
  TdxBarManager* manager = bar->BarManager();
  int32_t h = IsRotatedVerticalToolbar(bar) ? manager->ButtonWidth() : manager->ButtonHeight();
  if (AItem->ShowsCaption()) h = std::max(h, bar->LineHeight());
  return h;
}

int32_t TdxBarItemControlPainter::GetSubItemWidth(TdxBarItemControl* AItem) const {
  TCustomdxBarControl* bar = AItem->Parent();
  TCanvas* canvas = bar->Canvas();
  const int32_t textWidth = canvas->TextWidth(RemoveAmpersands(AItem->GetCaption()));
  if (IsMenuWindow(bar)) return textWidth + 2 * bar->LineHeight() + 3;
  TdxBarManager* manager = bar->BarManager();
  const bool caption = AItem->ShowsCaption();
  int32_t w = caption ? textWidth : 0;
  if (AItem->HasGlyph())
    w += (IsRotatedVerticalToolbar(bar) ? manager->ButtonHeight() : manager->ButtonWidth()) + (caption ? 4 : 0);
  else if (caption)
    w += 2 * GetSubItemTextIndent(AItem);
  if (!IsMainMenuBar(bar)) w += bar->LineHeight() / 2;
  return w;
}

void TdxBarItemControlPainter::DrawSubItem(TdxBarItemControl* AItem, HDC DC, const RECT& R, bool AHot, bool ADown,
                                           int32_t AKind) const {
  DrawSubItemParts(AItem, DC, R, AHot, ADown, AKind, false);
}

void TdxBarItemControlPainter::DrawSubItemParts(TdxBarItemControl* AItem, HDC DC, const RECT& R, bool AHot,
                                                bool ADown, int32_t AKind, bool AFlatLook) const {
  TCustomdxBarControl* bar = AItem->Parent();
  TdxBarManager* manager = bar->BarManager();
  const bool whiteFace = IsWhiteBtnFace();
  if (AKind == dxBarPaintMenu) {
    RECT r = R;
    DrawItemCaption(AItem, DC, r, AHot, true, false);
    const int32_t size = bar->Indent();
    const RECT arrow{R.right - bar->LineHeight(), R.top, R.right - bar->LineHeight() + size + 2, R.bottom};
    DrawArrowOfSize(DC, arrow, true, AFlatLook, AHot && (!AFlatLook || whiteFace), AItem->GetEnabled(), size);
    return;
  }
  TdxBarPaintFlags flags;
  flags.Kind = AKind;
  flags.Hot = AHot;
  flags.Down = ADown;
  flags.OpensMenu = true;
  DrawItemGlyph(AItem, R, nullptr, flags, false);
  const bool vertical = AKind == dxBarPaintVertical;
  const bool caption = AItem->ShowsCaption();
  RECT text = R;
  if (AItem->HasGlyph())
    (vertical ? text.top : text.left) += vertical ? manager->ButtonHeight() : manager->ButtonWidth();
  else if (caption)
    (vertical ? text.top : text.left) += GetSubItemTextIndent(AItem);
  if (ADown && !SuppressesPressedOffset(AItem) && !AFlatLook) OffsetRect(&text, 1, 1);
  const bool mainMenu = IsMainMenuBar(bar);
  const int32_t size = bar->Indent() - 1;
  const int32_t arrowExtent = mainMenu ? 0 : size * 2 + 2;
  if (caption) {
    RECT t = text;
    (vertical ? t.bottom : t.right) -= arrowExtent;
    const bool selected = AFlatLook ? AHot && !ADown && whiteFace : SuppressesPressedOffset(AItem) && AHot;
    DrawItemText(AItem, DC, AItem->GetCaption(), t, 0, AItem->GetEnabled(), selected, vertical, true,
                 AFlatLook && !whiteFace);
  }
  if (mainMenu) return;
  RECT arrow = text;
  if (vertical) {
    arrow.top = text.bottom - arrowExtent;
  } else {
    arrow.left = text.right - arrowExtent;
    // Centred across the text line.
    const int32_t line = std::abs(bar->Canvas()->Font()->Height());
    arrow.top = text.top + (RectHeight(text) - line) / 2;
    arrow.bottom = arrow.top + line;
  }
  const bool selected = AFlatLook ? AHot && whiteFace && !ADown : false;
  DrawArrowOfSize(DC, arrow, vertical, AFlatLook, selected, AItem->GetEnabled(), size);
}
