#pragma once
// Drawing helpers the editors share: solid brushes cached by colour (so that repeated paints make no GDI
// objects), fills around a rectangle, one-pixel edges and poly-lines drawn as filled rectangles, arrow and
// glyph drawing, the painter class of a look, the few state colours of editor buttons, the conversion
// between the canvas's text flags and the text-output flags of cxEditTextUtils, and hotkey-prefix removal.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "rtl/Classes.h"
#include "ui/base/cxGraphics.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"

// ---- the solid brush cache --------------------------------------------------------------------------------
// Brushes by colour, the colours kept in ascending order (as unsigned numbers) for a binary search. When
// full, the least used entry (the first among equals) makes room. A system colour change empties it, since
// a cached brush of a system colour value would otherwise keep the old colour.
class TcxSolidBrushCache : public TObject {
  RTL_CLASS(TcxSolidBrushCache, TObject)
public:
  static constexpr int32_t DefaultCapacity = 128;

  explicit TcxSolidBrushCache(int32_t ACapacity = DefaultCapacity);
  ~TcxSolidBrushCache() override;
  TcxSolidBrushCache(const TcxSolidBrushCache&) = delete;
  TcxSolidBrushCache& operator=(const TcxSolidBrushCache&) = delete;

  // The cache keeps the brush: callers never delete it.
  HBRUSH GetBrush(TColor AColor);
  virtual void SystemPaletteChanged();

  int32_t Capacity() const { return FCapacity; }
  int32_t Used() const { return FUsed; }
  TColor Colors(int32_t AIndex) const { return FColors[static_cast<size_t>(AIndex)]; }
  HBRUSH Brushes(int32_t AIndex) const { return FBrushes[static_cast<size_t>(AIndex)]; }
  int32_t UseCounts(int32_t AIndex) const { return FUseCounts[static_cast<size_t>(AIndex)]; }
  // The entry of a colour, or -1.
  int32_t IndexOf(TColor AColor) const;

private:
  bool Find(TColor AColor, int32_t& AIndex) const;
  void Delete(int32_t AIndex);
  void Clear();
  int32_t FCapacity;
  int32_t FUsed = 0;
  std::vector<TColor> FColors;
  std::vector<HBRUSH> FBrushes;
  std::vector<int32_t> FUseCounts;
  TcxSystemPaletteChangedNotifier* FSystemPaletteChangedNotifier = nullptr;
};

// The process-wide cache of 128 brushes, made on first use (the window system must be up). The program
// calls DoneEditPaintUtils before the window system goes down, and tests after each case; a later use
// starts it again.
TcxSolidBrushCache* SolidBrushCache();
void DoneEditPaintUtils();

// A system colour (clSystemColor plus an index 0 to 30) gives the platform's brush of that system colour;
// any other colour comes from the cache. Never delete the result. The canvas forms ignore the canvas.
HBRUSH GetSolidBrush(TColor AColor);
HBRUSH GetSolidBrushForPlatformCanvas(TCanvas* ACanvas, TColor AColor);
HBRUSH GetSolidBrushForCanvas(TcxCanvas* ACanvas, TColor AColor);

// ---- fills, lines and shapes ------------------------------------------------------------------------------
void FillRectWithBrush(HDC ADC, const RECT& R, HBRUSH ABrush);
// The ring between AOuter and AInner: nothing when AOuter is empty or equals AInner, all of AOuter when
// AInner is empty, else the left and right bands over the full height and the top and bottom bands
// between them.
void FillRectExcept(TcxCanvas* ACanvas, const RECT& AOuter, const RECT& AInner, HBRUSH ABrush);

// Edge bits of DrawRectEdges.
constexpr uint32_t cxEdgeLeft = 1;
constexpr uint32_t cxEdgeTop = 2;
constexpr uint32_t cxEdgeRight = 4;
constexpr uint32_t cxEdgeBottom = 8;
constexpr uint32_t cxEdgeAll = 15;
// A one-pixel line along each requested edge (left, right, top, bottom in that order), each moving that
// side of R inward by one.
void DrawRectEdges(TcxCanvas* ACanvas, RECT& R, uint32_t AEdges, TColor AColor);
// ASegmentCount segments through APoints. With ARectangles every horizontal or vertical segment is a
// one-pixel rectangle of the colour's cached brush covering its start point and not its end point; the last
// point is set in either case.
void DrawPolyLine(TcxCanvas* ACanvas, const POINT* APoints, int32_t ASegmentCount, TColor AColor,
                  bool ARectangles);
void DrawPolyLine(TcxCanvas* ACanvas, const std::vector<POINT>& APoints, TColor AColor, bool ARectangles);

// The arrow that fits ASize: (w, h) pointing up or down, (h, w) pointing left or right.
void CalcArrowSize(const SIZE& ASize, TcxPainterArrowDirection ADirection, SIZE& AArrowSize);
// One arrow of ASize rows (two, one after the other, with ADouble) centred in R; pressed moves the block
// one pixel right and down.
void DrawArrows(TcxCanvas* ACanvas, int32_t ASize, const RECT& R, TcxPainterArrowDirection ADirection, bool ADouble,
                bool APressed, TColor AColor);
// ASize centred in R; pressed moves it one pixel right and down where there is room.
void CenterSizeInRect(const RECT& R, const SIZE& ASize, int32_t& ALeft, int32_t& ATop, bool APressed);

// ---- glyphs -----------------------------------------------------------------------------------------------
// The glyph at (X, Y) with its transparent colour showing ABackgroundColor (nothing for clNone), greyed
// when not enabled; with ABuffer the glyph is first put over the buffer's content and the buffer drawn.
void DrawEditGlyph(TcxCanvas* ACanvas, int32_t X, int32_t Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor,
                   TBitmap* ABuffer = nullptr);
// Image AIndex of the list into ABitmap (or a bitmap of the list's image size filled with
// ABackgroundColor), drawn at R's top-left corner.
void DrawImageListGlyph(TcxCanvas* ACanvas, TCustomImageList* AImages, int32_t AIndex, const RECT& R,
                        TColor ABackgroundColor, bool AEnabled, TBitmap* ABitmap = nullptr);
bool IsGlyphAssigned(TBitmap* AGlyph);
bool IsImageListUsable(TCustomImageList* AImages);

// ---- looks and colours ------------------------------------------------------------------------------------
TcxCustomLookAndFeelPainterClass GetEditPainterClass(bool ANativeStyle, TcxLookAndFeelKind AKind);
// The system's hot-tracking colour.
TColor GetHotTrackColor();
// The frame of hot and pressed flat buttons: the Office11 highlight colour, else clHighlight.
TColor GetHighlightBorderColor(bool AOffice11);
// The face of a pressed (else hot) flat button of the Office11 or the ultra-flat look.
TColor GetFlatButtonColor(bool APressed, bool AOffice11);

// ---- text -------------------------------------------------------------------------------------------------
// Canvas text flags (tfAlign…, tfSingleLine, tfWordBreak) to text-output flags (TOF_…) and back, bit by
// bit; other bits are dropped.
uint32_t ConvertDrawTextFlags(uint32_t AFlags);
uint32_t ConvertTextOutFlags(uint32_t AFlags);
// ACaption without its "&" prefixes: each "&" goes and the character after it stays ("&&" gives "&"); an
// "&" at the very end shows as "_".
void StripHotkeyPrefix(const String& ACaption, String& AText);
String StripHotkeyPrefix(const String& ACaption);
