#pragma once
// The suite's one drawing surface: TcxCanvas over a platform canvas, with per-side frames, bevels, tiled
// bitmap fills, text in the suite's own alignment flags (embossed when disabled), glyphs drawn enabled or
// greyed, quarter-turn rotation and clip regions through TcxRegion. Every painter, control and popup of the
// suite draws only through it.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "rtl/Classes.h"

// ---- borders and grid lines -------------------------------------------------------------------------------
enum TcxBorder : uint8_t { bLeft, bTop, bRight, bBottom };
RTL_ENUM(TcxBorder, bLeft, bTop, bRight, bBottom)
using TcxBorders = Set<TcxBorder>;
inline constexpr TcxBorders cxBordersAll{bLeft, bTop, bRight, bBottom};

enum TcxGridLines : uint8_t { glBoth, glNone, glVertical, glHorizontal };
RTL_ENUM(TcxGridLines, glBoth, glNone, glVertical, glHorizontal)

// ---- text flags -------------------------------------------------------------------------------------------
// The suite's own 16-bit text flags, taken by TcxCanvas::DrawText and TcxCanvas::MeasureTextRect.
constexpr uint16_t tfAlignLeft = 0x0001;
constexpr uint16_t tfAlignRight = 0x0002;
constexpr uint16_t tfAlignHCenter = 0x0004;
constexpr uint16_t tfAlignTop = 0x0008;
constexpr uint16_t tfAlignBottom = 0x0010;
constexpr uint16_t tfAlignVCenter = 0x0020;
constexpr uint16_t tfSingleLine = 0x0040;
constexpr uint16_t tfDontClip = 0x0080;
constexpr uint16_t tfExpandTabs = 0x0100;
constexpr uint16_t tfShowPrefix = 0x0200;
constexpr uint16_t tfWordBreak = 0x0400;
constexpr uint16_t tfShowEndEllipsis = 0x0800;
constexpr uint16_t tfCalcOnly = 0x1000;
constexpr uint16_t tfShowPathEllipsis = 0x2000;

// The DrawText format of the suite's flags: no prefix processing unless tfShowPrefix; left and top add
// nothing; word breaking also keeps the last partly visible line away, as an edit control does.
UINT TextFlagsToDrawTextFlags(uint32_t AFlags);

// ---- regions ----------------------------------------------------------------------------------------------
enum TcxRegionOperation : uint8_t { rcmCopy, rcmAdd, rcmSubtract, rcmIntersect };
RTL_ENUM(TcxRegionOperation, rcmCopy, rcmAdd, rcmSubtract, rcmIntersect)
// The GDI combine mode of an operation: RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND.
int RegionCombineMode(TcxRegionOperation AOperation);

// The colours and font that the grid's and editors' styles fill in; Bitmap may be null.
struct TcxViewParamsRec {
  TBitmap* Bitmap = nullptr;
  TColor Color = clWindow;
  TFont* Font = nullptr;
  TColor TextColor = clWindowText;
};

// Owns one GDI region: destruction deletes the handle when there is one.
class TcxRegion : public TObject {
  RTL_CLASS(TcxRegion, TObject)
public:
  // CreateEmpty: the rectangle (0, 0, 0, 0).
  TcxRegion();
  // CreateFromHandle: takes ownership of an existing region.
  explicit TcxRegion(HRGN AHandle);
  // CreateFromRect / CreateFromBounds.
  explicit TcxRegion(const RECT& R);
  TcxRegion(int32_t ALeft, int32_t ATop, int32_t ARight, int32_t ABottom);
  ~TcxRegion() override;
  TcxRegion(const TcxRegion&) = delete;
  TcxRegion& operator=(const TcxRegion&) = delete;

  HRGN Handle() const { return FHandle; }
  bool HasNoArea() const;
  // rcmCopy makes this region a copy of ARegion; the other modes combine ARegion into this region. With
  // ADestroyRegion, ARegion is freed afterwards.
  void CombineWith(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion = true);
  bool SameAs(TcxRegion* ARegion) const;
  bool SameAsHandle(HRGN AHandle) const;
  void Offset(int32_t DX, int32_t DY);

private:
  HRGN FHandle = nullptr;
};

// ---- the canvas -------------------------------------------------------------------------------------------
class TcxCanvas : public TObject {
  RTL_CLASS(TcxCanvas, TObject)
public:
  using VirtualCtorArg = TCanvas*;
  // The wrapped canvas is not owned.
  explicit TcxCanvas(TCanvas* ACanvas) : FCanvas(ACanvas) {}

  TCanvas* Canvas() const { return FCanvas; }
  TBrush* GetBrush() const { return FCanvas->Brush(); }
  TFont* GetFont() const { return FCanvas->Font(); }
  TPen* GetPen() const { return FCanvas->Pen(); }
  HDC GetHandle() const { return FCanvas->Handle(); }
  TBrush* Brush() const { return GetBrush(); }
  TFont* Font() const { return GetFont(); }
  TPen* Pen() const { return GetPen(); }
  HDC Handle() const { return GetHandle(); }
  void SetFont(TFont* AFont) { FCanvas->SetFont(AFont); }
  void GetWindowOrg(POINT& P) const;
  POINT WindowOrg() const;
  // Changes the brush only when the colour differs, so that its handle is not made again for nothing.
  void SetBrushColor(TColor AColor);
  void ApplyViewParams(const TcxViewParamsRec& AParams);

  void SetPixel(int32_t X, int32_t Y, TColor AColor);
  void CopyRect(const RECT& ADest, TCanvas* ACanvas, const RECT& ASource);
  void Draw(int32_t X, int32_t Y, TGraphic* AGraphic);
  void MoveTo(int32_t X, int32_t Y);
  void LineTo(int32_t X, int32_t Y);
  void Polygon(const std::vector<POINT>& APoints);
  void Polyline(const std::vector<POINT>& APoints);

  // Fills R with the brush, or tiles ABitmap on a grid anchored at the canvas origin so that adjacent
  // fills continue one pattern.
  void FillRect(const RECT& R, TBitmap* ABitmap = nullptr);
  // Each side in ABorders as a strip of ALineWidth kept inside R; clDefault keeps the brush colour.
  void FrameRect(const RECT& R, TColor AColor = clDefault, int32_t ALineWidth = 1,
                 TcxBorders ABorders = cxBordersAll);
  void DrawTwoColorFrame(const RECT& R, TColor ALeftTopColor, TColor ARightBottomColor,
                         TcxBorders ABorders = cxBordersAll, int32_t ALineWidth = 1);
  void DrawBevelEdge(const RECT& R, bool ASunken, bool AOuter, TcxBorders ABorders = cxBordersAll);
  void FillFramedRect(const RECT& R, const TcxViewParamsRec& AParams, TcxBorders ABorders, TColor ABorderColor,
                      int32_t ABorderWidth);
  void DrawFocusRect(const RECT& R);
  void InvertRect(const RECT& R);
  // The bitmap at X, Y with its transparent colour replaced by ABackgroundColor (left as it was when that
  // is clNone), or greyed when not enabled.
  void DrawBitmapGlyph(int32_t X, int32_t Y, TBitmap* ABitmap, bool AEnabled = true,
                       TColor ABackgroundColor = clNone);
  // ARotation: 0 none, 1 a quarter turn counter-clockwise, 2 a quarter turn clockwise, 3 a half turn;
  // AFlip mirrors the result (upside down for rotation 0).
  static void RotateBitmap(TBitmap* ABitmap, int32_t ARotation, bool AFlip = false);

  void TextExtent(const String& AText, SIZE& ASize);
  int32_t TextWidth(const String& AText);
  int32_t TextHeight(const String& AText);
  int32_t FontHeight(TFont* AFont);
  // R becomes the text's rectangle, placed inside the R given by the alignment flags.
  void MeasureTextRect(const String& AText, RECT& R, uint32_t AFlags);
  // Text in R by the suite's flags; a disabled text is drawn embossed (a light copy one pixel down and
  // right under the shadow-coloured text).
  void DrawText(const String& AText, RECT R, uint32_t AFlags, bool AEnabled = true);

  void ExcludeFromClip(const RECT& R);
  void IntersectClip(const RECT& R);
  // A new region (the caller owns it) with the DC's clip region in device coordinates, or a rectangle
  // larger than any drawing when the DC has none.
  TcxRegion* GetClipRegion();
  // rcmCopy selects ARegion as given, in device coordinates; the other operations take ARegion in
  // logical coordinates and combine it with the current clip region.
  void SetClipRegion(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion = true);
  bool RectVisible(const RECT& R);

protected:
  TCanvas* FCanvas;
};

// A canvas whose handle is the screen's device context, taken on first use and released with the handle.
class TScreenCanvas : public TCanvas {
  RTL_CLASS(TScreenCanvas, TCanvas)
public:
  TScreenCanvas() = default;
  ~TScreenCanvas() override;
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  HDC FDeviceContext = nullptr;
};

// TcxCanvas over the whole screen; owns its screen canvas.
class TcxScreenCanvas : public TcxCanvas {
  RTL_CLASS(TcxScreenCanvas, TcxCanvas)
public:
  using VirtualCtorArg = void;
  TcxScreenCanvas();
  ~TcxScreenCanvas() override;
};

// ---- light colours ----------------------------------------------------------------------------------------
// Per channel a blend of clBtnFace, clHighlight and clWindow by signed percentages, clamped to 0..255;
// clHighlight itself when the button face is pure black or white.
TColor CalcSystemLightColor(int8_t BtnFacePercent, int8_t HighlightPercent, int8_t WindowPercent);
TColor NearestScreenColor(TColor AColor);
TColor LightPressedColor();
TColor LightHotTrackColor();
