#pragma once
// Graphics objects: colours, fonts, pens and brushes that announce their changes, and the canvas that
// draws with them on a device context.

#include <cstdint>
#include <vector>

#include "rtl/Classes.h"
#include "winapi/Windows.h"

using TColor = int32_t;

// System colours are the colour index with the high bit set, as the platform encodes them.
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour; system colours are looked up in the current colour table.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
RTL_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = Set<TFontStyle>;
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
RTL_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
RTL_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
enum TPenMode : uint8_t {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
RTL_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
         pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
enum TBrushStyle : uint8_t { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
RTL_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross)

using TFontCharset = uint8_t;

// A graphics object: its changes reach OnChange (the canvas or control that uses it).

class TGraphicsObject : public TPersistent {
  RTL_CLASS(TGraphicsObject, TPersistent)
public:
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  RTL_CLASS(TFont, TGraphicsObject)
  RTL_PUBLISHED_DECL
public:
  TFont() = default;
  void Assign(TPersistent* source) override;

  const String& Name() const { return FName; }
  void SetName(const String& v);
  // Height in pixels is -Size * PixelsPerInch / 72, as the platform converts.
  int32_t Size() const;
  void SetSize(int32_t v);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t v);
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch v);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset v);
  int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int32_t v) { FPixelsPerInch = v; }
  // The logical font the handle is made of.
  LOGFONT LogFont() const;
  // A font handle made on first use and kept until the font changes.
  HFONT Handle();
  ~TFont() override;

protected:
  void Changed() override;

private:
  HFONT FHandle = nullptr;
  String FName = "MS Sans Serif";
  int32_t FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontPitch FPitch = fpDefault;
  TFontCharset FCharset = DEFAULT_CHARSET;
  int32_t FPixelsPerInch = 96;
};

class TPen : public TGraphicsObject {
  RTL_CLASS(TPen, TGraphicsObject)
  RTL_PUBLISHED_DECL
public:
  TPen() = default;
  void Assign(TPersistent* source) override;
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t v);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode v);
  HPEN Handle();
  ~TPen() override;

protected:
  void Changed() override;

private:
  HPEN FHandle = nullptr;
  TColor FColor = clBlack;
  int32_t FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
  RTL_CLASS(TBrush, TGraphicsObject)
  RTL_PUBLISHED_DECL
public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* source) override;
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle v);
  // A brush handle made on first use and kept until the brush changes; null for bsClear.
  HBRUSH Handle();

protected:
  void Changed() override;

private:
  void FreeHandle();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  HBRUSH FHandle = nullptr;
};

enum TCanvasStateItem : uint8_t { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStateItem>;

// Draws on a device context with its font, pen and brush. A canvas without a handle asks CreateHandle
// (a control canvas takes its control's DC) on first use.
class TCanvas : public TPersistent {
  RTL_CLASS(TCanvas, TPersistent)
public:
  TCanvas();
  ~TCanvas() override;

  HDC Handle();
  void SetHandle(HDC value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  TFont* Font() const { return FFont; }
  void SetFont(TFont* v) { FFont->Assign(v); }
  TPen* Pen() const { return FPen; }
  void SetPen(TPen* v) { FPen->Assign(v); }
  TBrush* Brush() const { return FBrush; }
  void SetBrush(TBrush* v) { FBrush->Assign(v); }
  TCanvasState State() const { return FState; }

  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  POINT PenPos();
  void Polygon(const std::vector<POINT>& points);
  void Polyline(const std::vector<POINT>& points);
  TColor Pixels(int32_t x, int32_t y);
  void SetPixels(int32_t x, int32_t y, TColor c);
  void DrawFocusRect(const RECT& rect);
  // Text in the canvas's font; a clear brush leaves the background as it is.
  void TextOut(int32_t x, int32_t y, const String& text);
  void TextRect(const RECT& rect, int32_t x, int32_t y, const String& text);
  SIZE TextExtent(const String& text);
  int32_t TextWidth(const String& text) { return TextExtent(text).cx; }
  int32_t TextHeight(const String& text) { return TextExtent(text).cy; }
  void CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source);
  // A graphic at its own size with its top-left corner at (x, y), or stretched into rect.
  void Draw(int32_t x, int32_t y, class TGraphic* graphic);
  void StretchDraw(const RECT& rect, class TGraphic* graphic);
  // Locks the canvas against use from another thread while a thread paints.
  void Lock();
  void Unlock();
  int32_t LockCount() const { return FLockCount; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void CreateHandle() {}
  virtual void Changed();
  virtual void Changing();
  void RequiredState(TCanvasState req);

private:
  void GraphicsChanged(TObject* sender);
  void DeselectHandles();
  HDC FHandle = nullptr;
  HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;
  TCanvasState FState;
  TFont* FFont;
  TPen* FPen;
  TBrush* FBrush;
  int32_t FLockCount = 0;
  void* FLock;  // recursive mutex
};

// A picture of some format that can draw itself on a canvas and travel through streams in its file
// format. In form data a graphic property is the binary "Data" entry that ReadData / WriteData fill.
class TGraphic : public TPersistent {
  RTL_CLASS(TGraphic, TPersistent)
public:
  TGraphic() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual void SetWidth(int32_t v) = 0;
  virtual void SetHeight(int32_t v) = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool v);
  bool Modified() const { return FModified; }
  void SetModified(bool v);
  // Draws the picture stretched into rect of canvas.
  virtual void Draw(TCanvas* canvas, const RECT& rect) = 0;
  // The file format of the class; a stream that holds no such picture raises EInvalidGraphic (or a
  // descendant) and leaves the graphic as it was.
  virtual void LoadFromStream(TStream* stream);
  virtual void SaveToStream(TStream* stream);
  virtual void LoadFromFile(const String& fileName);
  virtual void SaveToFile(const String& fileName);
  // True when both graphics are of one class and save the same bytes.
  virtual bool Equals(TGraphic* graphic);
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
  void DefineProperties(TFiler* filer) override;
  // The "Data" bytes of form data; by default the file format itself.
  virtual void ReadData(TStream* stream);
  virtual void WriteData(TStream* stream);
  bool FTransparent = false;
  bool FModified = false;

private:
  friend class TPicture;
  void ReadDataProc(TStream* stream) { ReadData(stream); }
  void WriteDataProc(TStream* stream) { WriteData(stream); }
};
using TGraphicClass = const TMetaClass*;

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode : uint8_t { tmAuto, tmFixed };

// A 32-bit device-independent bitmap with a canvas that draws on it.
class TBitmap : public TGraphic {
  RTL_CLASS(TBitmap, TGraphic)
public:
  TBitmap() = default;
  ~TBitmap() override;
  void Assign(TPersistent* source) override;
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  void SetWidth(int32_t v) override { SetSize(v, FHeight); }
  void SetHeight(int32_t v) override { SetSize(FWidth, v); }
  void SetSize(int32_t w, int32_t h);
  TPixelFormat PixelFormat() const { return pf32bit; }
  HBITMAP Handle();
  TCanvas* Canvas();
  // The colour that Draw leaves out when Transparent: the bottom-left pixel in tmAuto mode.
  TColor TransparentColor();
  void SetTransparentColor(TColor v);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode v) { FTransparentMode = v; }
  // Rows of 0x00RRGGBB pixels, top-down.
  uint32_t* ScanLine(int32_t row);
  void Draw(TCanvas* canvas, const RECT& rect) override;
  void FreeImage();
  // Device-independent bitmap files: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, bit fields or
  // run-length encoded on reading; 32 bits per pixel on writing.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // A bitmap resource registered under name (the bytes of a bitmap file); EResNotFound when none is.
  void LoadFromResourceName(HINSTANCE instance, const String& name);

protected:
  // Form data: a 32-bit byte count, then the bitmap file.
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

private:
  friend class TBitmapCanvas;
  HBITMAP FHandle = nullptr;
  uint32_t* FBits = nullptr;
  int32_t FWidth = 0, FHeight = 0;
  TCanvas* FCanvas = nullptr;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
};

// A picture holder: any registered graphic format, loaded by file extension.
class TPicture : public TPersistent {
  RTL_CLASS(TPicture, TPersistent)
public:
  TPicture() = default;
  ~TPicture() override;
  void Assign(TPersistent* source) override;
  TGraphic* Graphic() const { return FGraphic; }
  void SetGraphic(TGraphic* v);
  // The picture as a bitmap; a picture of another format is replaced by an empty bitmap.
  TBitmap* Bitmap();
  int32_t Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int32_t Height() const { return FGraphic ? FGraphic->Height() : 0; }
  // The picture as an icon; a picture of another format is replaced by an empty icon.
  class TIcon* Icon();
  // Loads a file by its extension through the registered formats; EInvalidGraphic for an unknown one.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
  // Loads a stream by the signature of its bytes (bitmap, icon, JPEG, PNG, GIF); EInvalidGraphic when
  // none matches. The picture keeps its old graphic when loading fails.
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream);
  static void RegisterFileFormat(const String& extension, const String& description, TGraphicClass graphicClass);
  static void UnregisterGraphicClass(TGraphicClass graphicClass);
  static TGraphicClass FindFormat(const String& extension);
  // The registered class of that name (ASCII case-insensitive), or null.
  static TGraphicClass FindGraphicClass(const String& className);
  TNotifyEvent OnChange;

protected:
  // Form data: "Data" holds the graphic's class name as a short string, then the graphic's own data.
  void DefineProperties(TFiler* filer) override;

private:
  void Changed(TObject*);
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);
  void TakeGraphic(TGraphic* g);
  TGraphic* FGraphic = nullptr;
};

// Icons: an icon file with one or more images; the image whose size is nearest to the requested one
// (the system icon size unless SetSize asks another) is the one drawn and handed out as Handle.
class TIcon : public TGraphic {
  RTL_CLASS(TIcon, TGraphic)
public:
  TIcon();
  ~TIcon() override;
  void Assign(TPersistent* source) override;
  int32_t Width() const override;
  int32_t Height() const override;
  // Icons keep the size of their images; the setters choose the size to pick (as SetSize).
  void SetWidth(int32_t v) override { SetSize(v, FRequestedHeight); }
  void SetHeight(int32_t v) override { SetSize(FRequestedWidth, v); }
  void SetSize(int32_t w, int32_t h);
  bool Empty() const override;
  // The picked image as an icon of the window system, made on first use; the icon keeps owning it.
  HICON Handle();
  // Takes an icon handle over (the icon destroys it); the saved file then holds that single image.
  void SetHandle(HICON value);
  // Gives the handle away: the caller destroys it.
  HICON ReleaseHandle();
  // The number of images in the file and the size of each.
  int32_t ImageCount() const { return static_cast<int32_t>(FImages.size()); }
  SIZE ImageSize(int32_t index) const;
  void Draw(TCanvas* canvas, const RECT& rect) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

private:
  struct TIconImage {
    int32_t Width = 0, Height = 0, BitCount = 0;
    String Data;  // the image as stored in the file: a DIB with its mask, or a PNG stream
  };
  void FreeHandle();
  int32_t PickImage() const;
  HICON MakeHandle(const TIconImage& image);
  std::vector<TIconImage> FImages;
  HICON FHandle = nullptr;
  int32_t FRequestedWidth = 0, FRequestedHeight = 0;
};

// Pixels of 0xAARRGGBB (straight, not premultiplied alpha) blended onto canvas, stretched into rect.
void DrawAlphaPixels(TCanvas* canvas, const RECT& rect, const uint32_t* argb, int32_t width, int32_t height);

// The file dialog filter of the registered formats of graphicClass (and its descendants), with an
// "All" entry first when there are several: "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|...".
String GraphicFilter(TGraphicClass graphicClass);
// The first registered extension of the class (without the dot), empty when none.
String GraphicExtension(TGraphicClass graphicClass);
// "*.bmp;*.ico" for the class and its descendants.
String GraphicFileMask(TGraphicClass graphicClass);

// The families of the installed fonts, sorted without regard to case, each once (Screen->Fonts).
std::vector<String> GetFontFamilyNames();

RTL_EXCEPTION(EInvalidGraphic, Exception)
