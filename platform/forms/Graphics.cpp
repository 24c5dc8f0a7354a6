#include "forms/Graphics.h"

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
  FHandle = value;
  FState = value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::RequiredState(TCanvasState req) {
  if (req.Contains(csHandleValid) && !FHandle) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    FState.Include(csHandleValid);
  }
}

void TCanvas::FillRect(const RECT& rect) {
  RequiredState(TCanvasState{csHandleValid});
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
