#include "forms/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "forms/GifImg.h"
#include "forms/Jpeg.h"
#include "forms/PngImage.h"
#include "forms/detail/Dib.h"
#include "rtl/TypInfo.h"

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color);
}

static PTypeInfo ColorType() { return TypeInfoAlias("TColor", TypeInfo<int32_t>()); }

RTL_PUBLISHED(TFont) {
  prop("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET);
  prop("Color", &TFont::Color, &TFont::SetColor).Type(ColorType());
  prop("Height", &TFont::Height, &TFont::SetHeight);
  prop("Name", &TFont::Name, &TFont::SetName);
  prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  prop("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles{});
}

RTL_PUBLISHED(TPen) {
  prop("Color", &TPen::Color, &TPen::SetColor).Type(ColorType());
  prop("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  prop("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  prop("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

RTL_PUBLISHED(TBrush) {
  prop("Color", &TBrush::Color, &TBrush::SetColor).Type(ColorType());
  prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont ----------------------------------------------------------------------------------------

void TFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TFont*>(source)) {
    FName = f->FName;
    FHeight = f->FHeight;
    FColor = f->FColor;
    FStyle = f->FStyle;
    FPitch = f->FPitch;
    FCharset = f->FCharset;
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TFont::SetName(const String& v) {
  if (v.empty() || v == FName) return;
  FName = v;
  Changed();
}

int32_t TFont::Size() const {
  return -static_cast<int32_t>(std::lround(static_cast<double>(FHeight) * 72.0 / FPixelsPerInch));
}

void TFont::SetSize(int32_t v) {
  SetHeight(-static_cast<int32_t>(std::lround(static_cast<double>(v) * FPixelsPerInch / 72.0)));
}

void TFont::SetHeight(int32_t v) {
  if (v == FHeight) return;
  FHeight = v;
  Changed();
}
void TFont::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Changed();
}
void TFont::SetStyle(TFontStyles v) {
  if (v == FStyle) return;
  FStyle = v;
  Changed();
}
void TFont::SetPitch(TFontPitch v) {
  if (v == FPitch) return;
  FPitch = v;
  Changed();
}
void TFont::SetCharset(TFontCharset v) {
  if (v == FCharset) return;
  FCharset = v;
  Changed();
}

TFont::~TFont() {
  if (FHandle) DeleteObject(FHandle);
}

void TFont::Changed() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  inherited::Changed();
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONT lf = LogFont();
    FHandle = CreateFontIndirect(&lf);
  }
  return FHandle;
}

LOGFONT TFont::LogFont() const {
  LOGFONT lf{};
  lf.lfHeight = FHeight;
  lf.lfWeight = FStyle.Contains(fsBold) ? 700 : 400;
  lf.lfItalic = FStyle.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = FStyle.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = FStyle.Contains(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = FCharset;
  std::strncpy(lf.lfFaceName, FName.c_str(), sizeof(lf.lfFaceName) - 1);
  return lf;
}

// ---- TPen -----------------------------------------------------------------------------------------

void TPen::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TPen*>(source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Changed();
    return;
  }
  inherited::Assign(source);
}
void TPen::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Changed();
}
void TPen::SetWidth(int32_t v) {
  if (v == FWidth || v < 0) return;
  FWidth = v;
  Changed();
}
void TPen::SetStyle(TPenStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Changed();
}
void TPen::SetMode(TPenMode v) {
  if (v == FMode) return;
  FMode = v;
  Changed();
}

TPen::~TPen() {
  if (FHandle) DeleteObject(FHandle);
}

void TPen::Changed() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  inherited::Changed();
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
  }
  return FHandle;
}

// ---- TBrush ---------------------------------------------------------------------------------------

TBrush::~TBrush() { FreeHandle(); }

void TBrush::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBrush*>(source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  inherited::Assign(source);
}
void TBrush::SetColor(TColor v) {
  if (v == FColor && FStyle != bsClear) return;
  FColor = v;
  if (FStyle == bsClear) FStyle = bsSolid;  // a colour makes a clear brush solid again
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Changed();
}
void TBrush::Changed() {
  FreeHandle();
  inherited::Changed();
}
void TBrush::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}
HBRUSH TBrush::Handle() {
  if (!FHandle && FStyle != bsClear) {
    if (FStyle == bsSolid) {
      FHandle = CreateSolidBrush(ColorToRGB(FColor));
    } else {
      static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
      FHandle = CreateHatchBrush(hatches[FStyle], ColorToRGB(FColor));
    }
  }
  return FHandle;
}

// ---- TCanvas --------------------------------------------------------------------------------------

TCanvas::TCanvas() {
  FFont = New<TFont>();
  FPen = New<TPen>();
  FBrush = New<TBrush>();
  FLock = new std::recursive_mutex();
  FFont->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
}

TCanvas::~TCanvas() {
  DeselectHandles();
  FreeAndNil(FFont);
  FreeAndNil(FPen);
  FreeAndNil(FBrush);
  delete static_cast<std::recursive_mutex*>(FLock);
}

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC value) {
  if (FHandle == value) return;
  DeselectHandles();
  FHandle = value;
  FState = value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::DeselectHandles() {
  // The DC gives back the objects it had, so that ours can be deleted while the DC lives on.
  if (FHandle) {
    if (FOldFont) SelectObject(FHandle, FOldFont);
    if (FOldPen) SelectObject(FHandle, FOldPen);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
  }
  FOldFont = FOldPen = FOldBrush = nullptr;
  FState = FState * TCanvasState{csHandleValid};
}

void TCanvas::GraphicsChanged(TObject* sender) {
  if (!FHandle) return;
  if (sender == FFont) FState.Exclude(csFontValid);
  if (sender == FPen) FState.Exclude(csPenValid);
  if (sender == FBrush) FState.Exclude(csBrushValid);
}

void TCanvas::RequiredState(TCanvasState req) {
  if (!FHandle) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    FState.Include(csHandleValid);
  }
  if (req.Contains(csFontValid) && !FState.Contains(csFontValid)) {
    HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
    if (!FOldFont) FOldFont = old;
    SetTextColor(FHandle, ColorToRGB(FFont->Color()));
    FState.Include(csFontValid);
  }
  if (req.Contains(csPenValid) && !FState.Contains(csPenValid)) {
    HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
    if (!FOldPen) FOldPen = old;
    static const int modes[] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
    SetROP2(FHandle, modes[FPen->Mode()]);
    FState.Include(csPenValid);
  }
  if (req.Contains(csBrushValid) && !FState.Contains(csBrushValid)) {
    HBRUSH b = FBrush->Handle();
    HGDIOBJ old = SelectObject(FHandle, b ? static_cast<HGDIOBJ>(b) : GetStockObject(NULL_BRUSH));
    if (!FOldBrush) FOldBrush = old;
    SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
    SetBkMode(FHandle, FBrush->Style() == bsSolid ? OPAQUE : TRANSPARENT);
    FState.Include(csBrushValid);
  }
}

void TCanvas::FrameRect(const RECT& rect) {
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  Changing();
  if (HBRUSH b = FBrush->Handle()) ::FrameRect(FHandle, &rect, b);
  Changed();
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::Rectangle(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::RoundRect(FHandle, x1, y1, x2, y2, x3, y3);
  Changed();
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::Ellipse(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  RequiredState(TCanvasState{csHandleValid});
  MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int32_t x, int32_t y) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::LineTo(FHandle, x, y);
  Changed();
}

POINT TCanvas::PenPos() {
  RequiredState(TCanvasState{csHandleValid});
  POINT p{0, 0};
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

void TCanvas::Polygon(const std::vector<POINT>& points) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::Polygon(FHandle, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& points) {
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  Changing();
  ::Polyline(FHandle, points.data(), static_cast<int>(points.size()));
  Changed();
}

TColor TCanvas::Pixels(int32_t x, int32_t y) {
  RequiredState(TCanvasState{csHandleValid});
  return static_cast<TColor>(GetPixel(FHandle, x, y));
}

void TCanvas::SetPixels(int32_t x, int32_t y, TColor c) {
  RequiredState(TCanvasState{csHandleValid, csPenValid});
  Changing();
  SetPixel(FHandle, x, y, ColorToRGB(c));
  Changed();
}

void TCanvas::DrawFocusRect(const RECT& rect) {
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  Changing();
  ::DrawFocusRect(FHandle, &rect);
  Changed();
}

void TCanvas::TextOut(int32_t x, int32_t y, const String& text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  Changing();
  ExtTextOut(FHandle, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  MoveToEx(FHandle, x + TextWidth(text), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const RECT& rect, int32_t x, int32_t y, const String& text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  Changing();
  UINT options = ETO_CLIPPED;
  if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
  ExtTextOut(FHandle, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

SIZE TCanvas::TextExtent(const String& text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid});
  SIZE s{0, 0};
  GetTextExtentPoint32(FHandle, text.data(), static_cast<int>(text.size()), &s);
  return s;
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source) {
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  canvas->RequiredState(TCanvasState{csHandleValid, csBrushValid});
  Changing();
  StretchBlt(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, canvas->Handle(),
             source.left, source.top, source.right - source.left, source.bottom - source.top, SRCCOPY);
  Changed();
}

void TCanvas::FillRect(const RECT& rect) {
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  Changing();
  if (HBRUSH b = FBrush->Handle()) ::FillRect(FHandle, &rect, b);
  Changed();
}

void TCanvas::Lock() {
  static_cast<std::recursive_mutex*>(FLock)->lock();
  ++FLockCount;
}
void TCanvas::Unlock() {
  --FLockCount;
  static_cast<std::recursive_mutex*>(FLock)->unlock();
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}
void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

// ---- TGraphic and TBitmap -------------------------------------------------------------------------

void TGraphic::SetTransparent(bool v) {
  if (v == FTransparent) return;
  FTransparent = v;
  Changed();
}

void TGraphic::SetModified(bool v) {
  if (v) Changed();
  else FModified = false;
}

void TGraphic::LoadFromStream(TStream*) {
  throw EInvalidGraphic("Cannot load a " + ClassName() + " from a stream");
}

void TGraphic::SaveToStream(TStream*) {
  throw EInvalidGraphic("Cannot save a " + ClassName() + " to a stream");
}

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const String& fileName) {
  // Saved to memory first, so that a graphic that cannot be saved leaves no half-written file behind.
  TMemoryStream data;
  SaveToStream(&data);
  TFileStream stream(fileName, fmCreate);
  stream.WriteBuffer(data.Memory(), static_cast<int32_t>(data.Size()));
}

bool TGraphic::Equals(TGraphic* graphic) {
  if (!graphic || graphic->ClassType() != ClassType()) return false;
  if (Empty() || graphic->Empty()) return Empty() == graphic->Empty();
  TMemoryStream a, b;
  WriteData(&a);
  graphic->WriteData(&b);
  return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) == 0;
}

void TGraphic::ReadData(TStream* stream) { LoadFromStream(stream); }
void TGraphic::WriteData(TStream* stream) { SaveToStream(stream); }

void TGraphic::DefineProperties(TFiler* filer) {
  bool hasData;
  if (auto* ancestor = dynamic_cast<TGraphic*>(filer->Ancestor())) hasData = !Equals(ancestor);
  else hasData = !Empty();
  filer->DefineBinaryProperty("Data", TStreamProc(this, &TGraphic::ReadDataProc),
                              TStreamProc(this, &TGraphic::WriteDataProc), hasData);
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

// ---- drawing graphics on a canvas -----------------------------------------------------------------

void TCanvas::Draw(int32_t x, int32_t y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  StretchDraw(RECT{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  RequiredState(TCanvasState{csHandleValid});
  Changing();
  graphic->Draw(this, rect);
  Changed();
}

void DrawAlphaPixels(TCanvas* canvas, const RECT& rect, const uint32_t* argb, int32_t width, int32_t height) {
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (width <= 0 || height <= 0 || w <= 0 || h <= 0) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) throw EOutOfResources("Out of system resources");
  // The blend takes premultiplied pixels.
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t k = 0, n = static_cast<size_t>(width) * height; k < n; ++k) {
    uint32_t p = argb[k], a = p >> 24;
    uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
    out[k] = (a << 24) | (r << 16) | (g << 8) | b;
  }
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(canvas->Handle(), rect.left, rect.top, w, h, mem, 0, 0, width, height, blend);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
}

// The canvas of a bitmap: a memory DC with the bitmap selected, made when first drawn on.
class TBitmapCanvas : public TCanvas {
  RTL_CLASS(TBitmapCanvas, TCanvas)
public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext() {
    if (!FDC) return;
    HDC dc = FDC;
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    DeleteDC(dc);
    FDC = nullptr;
    FOldBitmap = nullptr;
  }

protected:
  void CreateHandle() override {
    if (FDC) return;
    FDC = CreateCompatibleDC(nullptr);
    FOldBitmap = SelectObject(FDC, FBitmap->Handle());
    SetHandle(FDC);
  }

private:
  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::~TBitmap() {
  FreeImage();
  FreeAndNil(FCanvas);
}

void TBitmap::FreeImage() {
  if (FCanvas) static_cast<TBitmapCanvas*>(FCanvas)->FreeContext();
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  FBits = nullptr;
}

void TBitmap::SetSize(int32_t w, int32_t h) {
  if (w == FWidth && h == FHeight) return;
  // The picture keeps what fits of the old one, as a resized bitmap does.
  std::vector<uint32_t> old;
  int32_t ow = FWidth, oh = FHeight;
  if (FBits) old.assign(FBits, FBits + static_cast<size_t>(ow) * oh);
  FreeImage();
  FWidth = std::max(w, 0);
  FHeight = std::max(h, 0);
  if (!old.empty() && Handle())
    for (int32_t y = 0; y < std::min(oh, FHeight); ++y)
      std::copy_n(&old[static_cast<size_t>(y) * ow], std::min(ow, FWidth), FBits + static_cast<size_t>(y) * FWidth);
  Changed();
}

HBITMAP TBitmap::Handle() {
  if (!FHandle && FWidth > 0 && FHeight > 0) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = FWidth;
    bi.bmiHeader.biHeight = -FHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FHandle = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!FHandle) throw EOutOfResources("Out of system resources");
    FBits = static_cast<uint32_t*>(bits);
    std::fill_n(FBits, static_cast<size_t>(FWidth) * FHeight, 0x00FFFFFFu);
  }
  return FHandle;
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = New<TBitmapCanvas>(this);
  return FCanvas;
}

uint32_t* TBitmap::ScanLine(int32_t row) {
  if (row < 0 || row >= FHeight || !Handle()) throw EInvalidGraphic("Scan line index out of range");
  return FBits + static_cast<size_t>(row) * FWidth;
}

TColor TBitmap::TransparentColor() {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (Empty() || !Handle()) return clDefault;
  uint32_t p = FBits[static_cast<size_t>(FHeight - 1) * FWidth];
  return static_cast<TColor>(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
}

void TBitmap::SetTransparentColor(TColor v) {
  FTransparentColor = v;
  FTransparentMode = v == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBitmap*>(source)) {
    FreeImage();
    FWidth = b->FWidth;
    FHeight = b->FHeight;
    if (b->FBits && Handle()) std::copy_n(b->FBits, static_cast<size_t>(FWidth) * FHeight, FBits);
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    FTransparentMode = b->FTransparentMode;
    Changed();
    return;
  }
  if (!source) {
    FreeImage();
    FWidth = FHeight = 0;
    Changed();
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source); g && !dynamic_cast<TBitmap*>(g)) {
    // Another format becomes its picture over white, as drawn.
    FreeImage();
    FWidth = g->Width();
    FHeight = g->Height();
    if (Handle()) g->Draw(Canvas(), RECT{0, 0, FWidth, FHeight});
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TBitmap::Draw(TCanvas* canvas, const RECT& rect) {
  if (Empty()) return;
  HDC src = Canvas()->Handle();
  HDC dst = canvas->Handle();
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (FTransparent)
    TransparentBlt(dst, rect.left, rect.top, w, h, src, 0, 0, FWidth, FHeight, ColorToRGB(TransparentColor()));
  else
    StretchBlt(dst, rect.left, rect.top, w, h, src, 0, 0, FWidth, FHeight, SRCCOPY);
}

void TBitmap::LoadFromStream(TStream* stream) {
  String data = forms_detail::ReadRest(stream);
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  if (data.size() < 14 + 12 || p[0] != 'B' || p[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
  uint32_t offBits = forms_detail::Le32(p + 10);
  if (offBits < 14 || offBits > data.size()) throw EInvalidGraphic("Bitmap image is not valid");
  forms_detail::TDibImage image;
  forms_detail::DecodeDib(p + 14, data.size() - 14, offBits == 14 ? 0 : offBits - 14, false, "Bitmap image is not valid",
                          image);
  FreeImage();
  FWidth = image.Width;
  FHeight = image.Height;
  Handle();
  for (size_t k = 0; k < image.Pixels.size(); ++k) FBits[k] = image.Pixels[k] & 0x00FFFFFFu;
  Changed();
}

void TBitmap::SaveToStream(TStream* stream) {
  if (Empty()) return;
  Handle();
  String file = forms_detail::EncodeBitmapFile(FBits, FWidth, FHeight);
  stream->WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE, const String& name) {
  TStringStream stream(FormResourceData(name));
  LoadFromStream(&stream);
}

void TBitmap::ReadData(TStream* stream) {
  int32_t size = 0;
  stream->ReadBuffer(&size, 4);
  if (size < 0 || size > stream->Size() - stream->Position()) throw EInvalidGraphic("Bitmap image is not valid");
  String bytes(static_cast<size_t>(size), '\0');
  if (size) stream->ReadBuffer(bytes.data(), size);
  TStringStream data(std::move(bytes));
  if (size == 0) Assign(nullptr);
  else LoadFromStream(&data);
}

void TBitmap::WriteData(TStream* stream) {
  TMemoryStream data;
  SaveToStream(&data);
  auto size = static_cast<int32_t>(data.Size());
  stream->WriteBuffer(&size, 4);
  if (size) stream->WriteBuffer(data.Memory(), size);
}

// ---- TPicture -------------------------------------------------------------------------------------

namespace {
struct TFileFormat {
  String Extension;
  String Description;
  TGraphicClass GraphicClass;
};
std::vector<TFileFormat>& FileFormats() {
  // The formats every program knows; naming the classes here links their code in.
  static std::vector<TFileFormat> formats{
      {"bmp", "Bitmaps", TBitmap::StaticClass()},
      {"ico", "Icons", TIcon::StaticClass()},
      {"jpg", "JPEG Image File", TJPEGImage::StaticClass()},
      {"jpeg", "JPEG Image File", TJPEGImage::StaticClass()},
      {"png", "Portable Network Graphics", TPngImage::StaticClass()},
      {"gif", "GIF Image", TGIFImage::StaticClass()},
  };
  return formats;
}
bool SameAscii(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}
String LowerAscii(String s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

TPicture::~TPicture() { FreeAndNil(FGraphic); }

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* v) {
  TGraphic* copy = nullptr;
  if (v) {
    copy = CreateAs<TGraphic>(v->ClassType());
    copy->Assign(v);
    copy->OnChange = TNotifyEvent(this, &TPicture::Changed);
  }
  FreeAndNil(FGraphic);
  FGraphic = copy;
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic)) {
    FreeAndNil(FGraphic);
    FGraphic = New<TBitmap>();
    FGraphic->OnChange = TNotifyEvent(this, &TPicture::Changed);
  }
  return static_cast<TBitmap*>(FGraphic);
}

void TPicture::Assign(TPersistent* source) {
  if (!source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(source)) {
    SetGraphic(p->FGraphic);
  } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(g);
  } else {
    inherited::Assign(source);
  }
}

void TPicture::RegisterFileFormat(const String& extension, const String& description, TGraphicClass graphicClass) {
  String ext = LowerAscii(extension);
  for (auto& f : FileFormats())
    if (f.Extension == ext) {
      f = TFileFormat{ext, description, graphicClass};
      return;
    }
  FileFormats().push_back(TFileFormat{ext, description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
  auto& v = FileFormats();
  v.erase(std::remove_if(v.begin(), v.end(), [&](const TFileFormat& f) { return f.GraphicClass == graphicClass; }),
          v.end());
}

TGraphicClass TPicture::FindFormat(const String& extension) {
  String ext = LowerAscii(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (auto& f : FileFormats())
    if (f.Extension == ext) return f.GraphicClass;
  return nullptr;
}

void TPicture::TakeGraphic(TGraphic* g) {
  FreeAndNil(FGraphic);
  FGraphic = g;
  if (g) g->OnChange = TNotifyEvent(this, &TPicture::Changed);
  Changed(this);
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(FGraphic)) TakeGraphic(New<TIcon>());
  return static_cast<TIcon*>(FGraphic);
}

void TPicture::LoadFromFile(const String& fileName) {
  auto dot = fileName.rfind('.');
  auto slash = fileName.rfind('/');
  String ext = dot == String::npos || (slash != String::npos && dot < slash) ? String() : fileName.substr(dot + 1);
  TGraphicClass cls = FindFormat(ext);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g(CreateAs<TGraphic>(cls));
  g->LoadFromFile(fileName);
  TakeGraphic(g.release());
}

void TPicture::SaveToFile(const String& fileName) {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream* stream) {
  int64_t start = stream->Position();
  uint8_t sig[8] = {};
  int32_t n = stream->Read(sig, 8);
  stream->SetPosition(start);
  TGraphicClass cls = nullptr;
  if (n >= 2 && sig[0] == 'B' && sig[1] == 'M') cls = TBitmap::StaticClass();
  else if (n >= 4 && sig[0] == 0 && sig[1] == 0 && sig[2] == 1 && sig[3] == 0) cls = TIcon::StaticClass();
  else if (n >= 3 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) cls = TJPEGImage::StaticClass();
  else if (n >= 8 && std::memcmp(sig, "\x89PNG\r\n\x1a\n", 8) == 0) cls = TPngImage::StaticClass();
  else if (n >= 4 && std::memcmp(sig, "GIF8", 4) == 0) cls = TGIFImage::StaticClass();
  if (!cls) throw EInvalidGraphic("Unknown picture format");
  std::unique_ptr<TGraphic> g(CreateAs<TGraphic>(cls));
  g->LoadFromStream(stream);
  TakeGraphic(g.release());
}

void TPicture::SaveToStream(TStream* stream) {
  if (FGraphic) FGraphic->SaveToStream(stream);
}

TGraphicClass TPicture::FindGraphicClass(const String& className) {
  for (auto& f : FileFormats())
    if (SameAscii(f.GraphicClass->ClassName(), className)) return f.GraphicClass;
  return nullptr;
}

void TPicture::DefineProperties(TFiler* filer) {
  bool hasData;
  if (auto* ancestor = dynamic_cast<TPicture*>(filer->Ancestor())) {
    TGraphic* a = ancestor->FGraphic;
    hasData = (a == nullptr) != (FGraphic == nullptr) || (FGraphic && !FGraphic->Equals(a));
  } else {
    hasData = FGraphic != nullptr && !FGraphic->Empty();
  }
  filer->DefineBinaryProperty("Data", TStreamProc(this, &TPicture::ReadData), TStreamProc(this, &TPicture::WriteData),
                              hasData);
}

void TPicture::ReadData(TStream* stream) {
  uint8_t len = 0;
  stream->ReadBuffer(&len, 1);
  String name(len, '\0');
  if (len) stream->ReadBuffer(name.data(), len);
  if (name.empty()) {
    TakeGraphic(nullptr);
    return;
  }
  TGraphicClass cls = FindGraphicClass(name);
  if (!cls) {
    TClass c = GetClass(name);
    if (c && c->InheritsFrom(TGraphic::StaticClass())) cls = c;
  }
  if (!cls) throw EInvalidGraphic("Unknown picture format " + name);
  std::unique_ptr<TGraphic> g(CreateAs<TGraphic>(cls));
  g->ReadData(stream);
  TakeGraphic(g.release());
}

void TPicture::WriteData(TStream* stream) {
  String name = FGraphic ? FGraphic->ClassName() : String();
  auto len = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  stream->WriteBuffer(&len, 1);
  if (len) stream->WriteBuffer(name.data(), len);
  if (FGraphic) FGraphic->WriteData(stream);
}

// ---- file dialog filters --------------------------------------------------------------------------

namespace {
std::vector<const TFileFormat*> FormatsOf(TGraphicClass graphicClass) {
  std::vector<const TFileFormat*> out;
  for (auto& f : FileFormats())
    if (!graphicClass || f.GraphicClass->InheritsFrom(graphicClass)) out.push_back(&f);
  return out;
}
}  // namespace

String GraphicFileMask(TGraphicClass graphicClass) {
  String mask;
  for (auto* f : FormatsOf(graphicClass)) mask += (mask.empty() ? "*." : ";*.") + f->Extension;
  return mask;
}

String GraphicFilter(TGraphicClass graphicClass) {
  auto formats = FormatsOf(graphicClass);
  String filter;
  if (formats.size() > 1) {
    String mask = GraphicFileMask(graphicClass);
    filter = "All (" + mask + ")|" + mask;
  }
  for (auto* f : formats) {
    if (!filter.empty()) filter += "|";
    filter += f->Description + " (*." + f->Extension + ")|*." + f->Extension;
  }
  return filter;
}

String GraphicExtension(TGraphicClass graphicClass) {
  for (auto& f : FileFormats())
    if (f.GraphicClass == graphicClass) return f.Extension;
  for (auto& f : FileFormats())
    if (graphicClass && f.GraphicClass->InheritsFrom(graphicClass)) return f.Extension;
  return String();
}
