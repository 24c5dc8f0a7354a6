// The painter registry, the painter base's shared services, and the view of the control painters use.

#include <memory>

#include "rtl/SysUtils.h"
#include "ui/base/cxClasses.h"
#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/cxPCPainters.h"
#include "winapi/Windows.h"

namespace {

TcxPCPaintersFactory* GFactory = nullptr;

[[noreturn]] void FactoryError(const char* AOperation, const char* AText) {
  throw Exception(String("TcxPCPaintersFactory.") + AOperation + ": " + TranslateString(AText));
}

}  // namespace

// ---- registry ---------------------------------------------------------------------------------------------

void TcxPCPaintersFactory::Add(TcxPCPainterClass AClass) {
  for (TcxPCPainterClass c : FClasses)
    if (c == AClass) return;
  FClasses.push_back(AClass);
}

void TcxPCPaintersFactory::Remove(TcxPCPainterClass AClass) {
  for (auto it = FClasses.begin(); it != FClasses.end(); ++it)
    if (*it == AClass) {
      FClasses.erase(it);
      return;
    }
}

TcxPCPaintersFactory* PaintersFactory() { return GFactory; }

void RegisterPainterClass(TcxPCPainterClass AClass) {
  if (!AClass) return;
  if (!GFactory) GFactory = New<TcxPCPaintersFactory>();
  GFactory->Add(AClass);
}

void UnregisterPainterClass(TcxPCPainterClass AClass) {
  if (!GFactory) return;
  GFactory->Remove(AClass);
  if (GFactory->Count() == 0) FreeAndNil(GFactory);
}

TcxPCPainterClass FindPainterClass(TcxPCStyleID AStyleID) {
  if (!GFactory) return nullptr;
  for (TcxPCPainterClass c : GFactory->PainterClasses())
    if (c->GetStyleID() == AStyleID) return c;
  return nullptr;
}

TcxPCStyleID GetStyleForLookAndFeel(TcxLookAndFeel* ALookAndFeel) {
  if (!GFactory) return cxPCNoStyle;
  const auto& list = GFactory->PainterClasses();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if ((*it)->IsDefaultForLookAndFeel(ALookAndFeel)) return (*it)->GetStyleID();
  return cxPCNoStyle;
}

TcxPCStyleID GetDefaultStyleID(TcxLookAndFeel* ALookAndFeel) {
  if (!GFactory || GFactory->Count() == 0) FactoryError("GetDefaultStyleID", "Не зарегистрирован ни один стиль");
  const auto& list = GFactory->PainterClasses();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if ((*it)->IsNativeStyleSupported(ALookAndFeel)) return (*it)->GetStyleID();
  return list.front()->GetStyleID();
}

TcxPCCustomPainter* GetPainterInstance(TcxPCPainterClass AClass, TcxCustomTabControl* AControl) {
  if (!AClass) FactoryError("GetPainterInstance", "PCPainterClass - nil");
  TcxPCCustomPainter* p = AClass->CreatePainter(AControl);
  p->FPainterClass = AClass;
  return p;
}

void ReleasePainter(TcxPCCustomPainter* APainter) {
  if (APainter) APainter->Free();
}

void cxPCPaintersFactoryFinalize() { FreeAndNil(GFactory); }

// ---- parent info --------------------------------------------------------------------------------------------

TcxCanvas* TcxPCPainterParentInfo::Canvas() const { return FControl->ControlCanvas(); }
TColor TcxPCPainterParentInfo::Color() const { return FControl->Color(); }
TColor TcxPCPainterParentInfo::FontColor() const { return FControl->Font()->Color(); }
int32_t TcxPCPainterParentInfo::Width() const { return FControl->Width(); }
int32_t TcxPCPainterParentInfo::Height() const { return FControl->Height(); }
bool TcxPCPainterParentInfo::HideTabs() const { return FControl->HideTabs(); }
int32_t TcxPCPainterParentInfo::ImageBorder() const { return FControl->ImageBorder(); }
int32_t TcxPCPainterParentInfo::MainTabVisibleIndex() const { return FControl->MainTabVisibleIndex(); }
bool TcxPCPainterParentInfo::MultiLine() const { return FControl->MultiLine(); }
TcxPCNavigatorPosition TcxPCPainterParentInfo::NavigatorPosition() const { return FControl->NavigatorPosition(); }
bool TcxPCPainterParentInfo::RaggedRight() const { return FControl->RaggedRight(); }
bool TcxPCPainterParentInfo::Rotate() const { return FControl->Rotate(); }
bool TcxPCPainterParentInfo::ScrollOpposite() const { return FControl->ScrollOpposite(); }
bool TcxPCPainterParentInfo::ShowFrame() const { return FControl->ShowFrame(); }
int16_t TcxPCPainterParentInfo::TabHeight() const { return FControl->TabHeight(); }
TcxTabPosition TcxPCPainterParentInfo::TabPosition() const { return FControl->TabPosition(); }
int16_t TcxPCPainterParentInfo::TabWidth() const { return FControl->TabWidth(); }
int32_t TcxPCPainterParentInfo::RowCount() const { return FControl->RowCount(); }
int32_t TcxPCPainterParentInfo::NearRowCount() const { return FControl->NearRowCount(); }
TcxPCNavigatorButtons TcxPCPainterParentInfo::NavigatorButtons() const { return FControl->NavigatorButtons(); }
TcxPCNavigatorButtonState TcxPCPainterParentInfo::NavigatorButtonState(TcxPCNavigatorButton AButton) const {
  return FControl->NavigatorButtonState(AButton);
}
RECT TcxPCPainterParentInfo::NearRowArea() const { return FControl->NearRowArea(); }
RECT TcxPCPainterParentInfo::FarRowArea() const { return FControl->FarRowArea(); }
TcxTab* TcxPCPainterParentInfo::VisibleTabs(int32_t VisibleIndex) const {
  return FControl->Tabs()->VisibleTabs(VisibleIndex);
}
int32_t TcxPCPainterParentInfo::VisibleTabCount() const { return FControl->VisibleTabCount(); }
TColor TcxPCPainterParentInfo::HotTrackColor() const { return cxPCHotLightColor(); }

// ---- painter base -------------------------------------------------------------------------------------------

TcxPCCustomPainter::TcxPCCustomPainter(TcxCustomTabControl* AControl)
    : FControl(AControl), FParentInfo(New<TcxPCPainterParentInfo>(AControl)) {}

TcxPCCustomPainter::~TcxPCCustomPainter() {
  for (HRGN r : FClipStack)
    if (r) DeleteObject(r);
  FClipStack.clear();
  FreeAndNil(FParentInfo);
}

void TcxPCCustomPainter::GetTabCorrection(int32_t VisibleIndex, RECT& R) {
  (void)VisibleIndex;
  R = RECT{0, 0, 0, 0};
}

void TcxPCCustomPainter::GetTabThemeParts(int32_t VisibleIndex, int32_t& APartId, int32_t& AStateId) {
  (void)VisibleIndex;
  APartId = 0;
  AStateId = 0;
}

void TcxPCCustomPainter::GetTabsSpacing(POINT& P) { P = POINT{0, 0}; }

void TcxPCCustomPainter::PaintControl() {
  if (!FControl->HideTabs()) {
    DrawTabsAreaBackground();
    DrawNavigatorButtons();
    DrawTabs();
  }
  DrawPageFrame();
}

bool TcxPCCustomPainter::IsNativePainting() { return false; }

bool TcxPCCustomPainter::IsTabHit(int32_t VisibleIndex, int32_t X, int32_t Y) {
  (void)VisibleIndex, (void)X, (void)Y;
  return true;
}

void TcxPCCustomPainter::Paint() { PaintControl(); }

void TcxPCCustomPainter::RepaintNavigatorButton(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState AOldState) {
  (void)AButton, (void)AOldState;
}

void TcxPCCustomPainter::RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) {
  (void)VisibleIndex, (void)AKind;
}

void TcxPCCustomPainter::RepaintTabsArea() {
  if (FControl->NearRowCount() > 0) InvalidateRect(FControl->NearRowArea());
  if (FControl->NearRowCount() < FControl->RowCount()) InvalidateRect(FControl->FarRowArea());
}

// ---- clipping -------------------------------------------------------------------------------------------------

void TcxPCCustomPainter::SaveClipRegion() {
  HDC dc = Canvas()->Handle();
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(dc, r) != 1) {
    DeleteObject(r);
    r = nullptr;
  }
  FClipStack.push_back(r);
}

void TcxPCCustomPainter::RestoreClipRegion() {
  if (FClipStack.empty()) return;
  HRGN r = FClipStack.back();
  FClipStack.pop_back();
  SelectClipRgn(Canvas()->Handle(), r);
  if (r) DeleteObject(r);
}

bool TcxPCCustomPainter::BeginClippedDraw(const RECT& R, bool AIntersect) {
  if (R.right <= R.left || R.bottom <= R.top) return false;
  if (AIntersect && !Canvas()->RectVisible(R)) return false;
  SaveClipRegion();
  if (AIntersect)
    Canvas()->IntersectClip(R);
  else
    Canvas()->SetClipRegion(New<TcxRegion>(R), rcmCopy);
  return true;
}

void TcxPCCustomPainter::DrawPolyline(const std::vector<POINT>& APoints, int32_t ALastIndex, TColor AColor) {
  if (ALastIndex < 0 || ALastIndex >= static_cast<int32_t>(APoints.size())) return;
  Canvas()->Pen()->SetColor(AColor);
  std::vector<POINT> pts(APoints.begin(), APoints.begin() + ALastIndex + 1);
  Canvas()->Polyline(pts);
  Canvas()->SetPixel(pts.back().x, pts.back().y, AColor);
}

// ---- invalidation -------------------------------------------------------------------------------------------

void TcxPCCustomPainter::InvalidateRect(const RECT& R) { FControl->InvalidateRect(R, false); }

void TcxPCCustomPainter::InvalidateTabRect(int32_t VisibleIndex) {
  InvalidateRect(FControl->GetTabVisibleRect(VisibleIndex));
}

RECT TcxPCCustomPainter::GetTabRowArea(int32_t VisibleIndex) {
  TcxTab* tab = FControl->Tabs()->VisibleTabs(VisibleIndex);
  return tab->VisibleRow() < FControl->NearRowCount() ? FControl->NearRowArea() : FControl->FarRowArea();
}

void TcxPCCustomPainter::InvalidateTabRowArea(int32_t VisibleIndex) { InvalidateRect(GetTabRowArea(VisibleIndex)); }

// ---- images and colours -----------------------------------------------------------------------------------

void TcxPCCustomPainter::GetImageSize(SIZE& ASize) { ASize = FControl->ImageList()->GetSize(); }

void TcxPCCustomPainter::GetRotatedImageSize(SIZE& ASize) { ASize = FControl->ImageList()->GetRotatedSize(); }

bool TcxPCCustomPainter::TabShowsImage(int32_t VisibleIndex) {
  SIZE s;
  GetImageSize(s);
  if (s.cx <= 0) return false;
  return FControl->GetTabImageIndex(FControl->Tabs()->VisibleTabs(VisibleIndex)->Index()) >= 0;
}

TColor TcxPCCustomPainter::GetHighlightedTextColor(int32_t VisibleIndex) {
  if (IsNativePainting()) {
    int32_t part = 0, state = 0;
    GetTabThemeParts(VisibleIndex, part, state);
    HTHEME theme = OpenTheme(totTab);
    COLORREF c = 0;
    if (theme && GetThemeColor(theme, part, state, 3803, &c) == S_OK) return static_cast<TColor>(c);
    return Canvas()->Font()->Color();
  }
  return clHighlightText;
}

TColor TcxPCCustomPainter::GetTextColor(int32_t VisibleIndex) {
  if (VisibleIndex == FControl->HotTabVisibleIndex() && (!IsNativePainting() || FControl->HotTrack()))
    return FParentInfo->HotTrackColor();
  if (FControl->Tabs()->VisibleTabs(VisibleIndex)->Highlighted()) return GetHighlightedTextColor(VisibleIndex);
  return Canvas()->Font()->Color();
}

bool TcxPCCustomPainter::DoCustomDraw(int32_t VisibleIndex) {
  if (!FControl->OwnerDraw() || !FControl->OnDrawTab.Assigned()) return false;
  bool defaultDraw = true;
  FControl->OnDrawTab(FControl, FControl->Tabs()->VisibleTabs(VisibleIndex), defaultDraw);
  return !defaultDraw;
}

void TcxPCCustomPainter::DoDrawTabEx(int32_t VisibleIndex, TFont* AFont) {
  if (FControl->OnDrawTabEx.Assigned())
    FControl->OnDrawTabEx(FControl, FControl->Tabs()->VisibleTabs(VisibleIndex), AFont);
}

void TcxPCCustomPainter::PrepareTabCanvasFont(int32_t VisibleIndex) {
  if (!FControl->OnDrawTabEx.Assigned()) return;
  std::unique_ptr<TFont> saved(New<TFont>());
  saved->Assign(Canvas()->Font());
  DoDrawTabEx(VisibleIndex, Canvas()->Font());
  Canvas()->Font()->Assign(saved.get());
}

void TcxPCCustomPainter::SetCurrentTab(int32_t VisibleIndex, const RECT& AImageRect, const String& AText,
                                       const RECT& ATextRect) {
  FCurrentTabVisibleIndex = VisibleIndex;
  FImageRect = AImageRect;
  FText = AText;
  FTextRect = ATextRect;
}

// ---- image and caption ------------------------------------------------------------------------------------

void TcxPCCustomPainter::DrawCaptionOnCanvas(TCanvas* ACanvas, const RECT& R, bool AUsable, TColor ATextColor) {
  // Through the suite's canvas, so that the canvas font is the one selected, with accelerator underlines.
  TcxCanvas canvas(ACanvas);
  const uint32_t flags = tfAlignLeft | tfAlignTop | tfSingleLine | tfShowPrefix;
  ACanvas->Brush()->SetStyle(bsClear);
  if (!AUsable) {
    RECT r1 = R;
    OffsetRect(&r1, 1, 1);
    ACanvas->Font()->SetColor(clBtnHighlight);
    canvas.DrawText(FText, r1, flags);
    ATextColor = clBtnShadow;
  }
  ACanvas->Font()->SetColor(ATextColor);
  canvas.DrawText(FText, R, flags);
}

void TcxPCCustomPainter::DrawTabImageAndText(TColor ATextBackgroundColor) {
  const int32_t vi = FCurrentTabVisibleIndex;
  TcxTab* tab = FControl->Tabs()->VisibleTabs(vi);
  const bool usable = tab->RealEnabled();
  const bool native = IsNativePainting();
  TcxCanvas* canvas = Canvas();

  const int32_t image = FControl->GetTabImageIndex(tab->Index());
  if (image != -1) {
    if (native && tab->PaintBuffer()) {
      TcxCanvas buffer(tab->PaintBuffer()->Canvas());
      FControl->ImageList()->Draw(&buffer, FImageRect.left, FImageRect.top, image, usable, ATextBackgroundColor);
    } else {
      FControl->ImageList()->Draw(canvas, FImageRect.left, FImageRect.top, image, usable, ATextBackgroundColor);
      canvas->ExcludeFromClip(FImageRect);
    }
  }
  if (FText.empty()) return;

  const TColor textColor = usable ? GetTextColor(vi) : clBtnShadow;
  const int32_t w = FTextRect.right - FTextRect.left, h = FTextRect.bottom - FTextRect.top;
  if (w <= 0 || h <= 0) return;
  const TcxPCTextOrientation orientation = FControl->TextOrientation();

  if (native && tab->PaintBuffer() && orientation == pctoHorizontal) {
    TCanvas* bc = tab->PaintBuffer()->Canvas();
    bc->Font()->Assign(canvas->Font());
    DoDrawTabEx(vi, bc->Font());
    DrawCaptionOnCanvas(bc, FTextRect, usable, textColor);
    return;
  }

  if (orientation != pctoHorizontal) {
    if (!tab->TextBitmap()) {
      TBitmap* b = New<TBitmap>();
      b->SetSize(h, w);
      TCanvas* bc = b->Canvas();
      bc->Brush()->Assign(canvas->Brush());
      bc->Font()->Assign(canvas->Font());
      bc->Pen()->Assign(canvas->Pen());
      bc->Brush()->SetStyle(bsSolid);
      bc->Brush()->SetColor(ATextBackgroundColor);
      bc->FillRect(RECT{0, 0, h, w});
      DoDrawTabEx(vi, bc->Font());
      DrawCaptionOnCanvas(bc, RECT{0, 0, h, w}, usable, textColor);
      TcxCanvas::RotateBitmap(b, orientation == pctoBottomToTop ? 1 : 2);
      tab->SetTextBitmap(b);
    }
    canvas->Draw(FTextRect.left, FTextRect.top, tab->TextBitmap());
  } else {
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    b->SetSize(w, h);
    TCanvas* bc = b->Canvas();
    bc->Brush()->Assign(canvas->Brush());
    bc->Font()->Assign(canvas->Font());
    bc->Pen()->Assign(canvas->Pen());
    bc->Brush()->SetStyle(bsSolid);
    bc->Brush()->SetColor(ATextBackgroundColor);
    bc->FillRect(RECT{0, 0, w, h});
    DoDrawTabEx(vi, bc->Font());
    DrawCaptionOnCanvas(bc, RECT{0, 0, w, h}, usable, textColor);
    canvas->Draw(FTextRect.left, FTextRect.top, b.get());
  }
  if (!native) canvas->ExcludeFromClip(FTextRect);
}
