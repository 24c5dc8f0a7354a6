#include "forms/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

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
  FFont = new TFont();
  FPen = new TPen();
  FBrush = new TBrush();
  FLock = new std::recursive_mutex();
  FFont->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::GraphicsChanged);
}

TCanvas::~TCanvas() {
  DeselectHandles();
  delete FFont;
  delete FPen;
  delete FBrush;
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

void TGraphic::LoadFromFile(const String&) {
  throw EInvalidGraphic("Cannot load a " + ClassName() + " from a file");
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
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
  delete FCanvas;
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
  if (!FCanvas) FCanvas = new TBitmapCanvas(this);
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

// ---- TPicture -------------------------------------------------------------------------------------

namespace {
struct TFileFormat {
  String Extension;
  String Description;
  TGraphicClass GraphicClass;
};
std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats;
  return formats;
}
String LowerAscii(String s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

TPicture::~TPicture() { delete FGraphic; }

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
  delete FGraphic;
  FGraphic = copy;
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic)) {
    delete FGraphic;
    FGraphic = new TBitmap();
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

void TPicture::LoadFromFile(const String& fileName) {
  auto dot = fileName.rfind('.');
  String ext = dot == String::npos ? String() : fileName.substr(dot + 1);
  TGraphicClass cls = FindFormat(ext);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  TGraphic* g = CreateAs<TGraphic>(cls);
  try {
    g->LoadFromFile(fileName);
  } catch (...) {
    delete g;
    throw;
  }
  delete FGraphic;
  FGraphic = g;
  g->OnChange = TNotifyEvent(this, &TPicture::Changed);
  Changed(this);
}
