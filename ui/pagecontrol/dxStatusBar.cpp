#include "ui/pagecontrol/dxStatusBar.h"

#include <algorithm>

#include "rtl/ClassRegistry.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

// ---- the base style ---------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBarPanelStyle) {}

TdxStatusBarPanelStyle::TdxStatusBarPanelStyle(TdxStatusBarPanel* AOwner) : FOwner(AOwner) {}

TdxStatusBarPanelStyle::~TdxStatusBarPanelStyle() {
  if (FFont) FFont->Free();
}

void TdxStatusBarPanelStyle::AfterConstruction() {
  inherited::AfterConstruction();
  FFont = New<TFont>();
  FParentFont = true;
  FAlignment = taLeftJustify;
  ParentFontChanged();
  FFont->OnChange = TNotifyEvent(this, &TdxStatusBarPanelStyle::FontChanged);
}

TPersistent* TdxStatusBarPanelStyle::GetOwner() { return FOwner; }

TdxStatusBar* TdxStatusBarPanelStyle::StatusBar() const { return FOwner ? FOwner->StatusBar() : nullptr; }

bool TdxStatusBarPanelStyle::BarIsBusy() const {
  TdxStatusBar* bar = StatusBar();
  return bar && bar->IsUpdating();
}

void TdxStatusBarPanelStyle::PanelChanged(bool AllPanels) {
  if (FOwner) FOwner->Changed(AllPanels);
}

void TdxStatusBarPanelStyle::FontChanged(TObject*) {
  // A font set through the style stops following the bar's; taking the bar's font keeps the flag.
  if (!FSettingParentFont) FParentFont = false;
  PanelChanged();
}

void TdxStatusBarPanelStyle::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TdxStatusBarPanelStyle*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  TCollection* panels = FOwner ? FOwner->Collection() : nullptr;
  if (panels) panels->BeginUpdate();
  try {
    RestoreDefaults();
    SetAlignment(src->Alignment());
    if (src->ColorAssigned()) SetColor(src->Color());
    if (!src->ParentFont()) SetFont(src->Font());
    else ParentFontChanged();
  } catch (...) {
    if (panels) panels->EndUpdate();
    throw;
  }
  if (panels) panels->EndUpdate();
}

void TdxStatusBarPanelStyle::DoPanelNotify() {
  if (FOwner) FOwner->DoNotify();
}

void TdxStatusBarPanelStyle::AdjustPanelRect(RECT& R) {
  TdxStatusBar* bar = StatusBar();
  if (!bar || !FOwner || !bar->HasSizeGrip()) return;
  if (FOwner->Index() != bar->Panels()->Count() - 1) return;
  R.right -= bar->Painter()->SizeGripWidth();
  if (R.right < R.left) R.right = R.left;
}

TColor TdxStatusBarPanelStyle::GetDefaultColor() {
  TdxStatusBar* bar = StatusBar();
  return bar ? bar->Color() : clBtnFace;
}

void TdxStatusBarPanelStyle::DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) {
  APainter->DrawPanelBackground(FOwner, ACanvas, R);
}

void TdxStatusBarPanelStyle::ParentFontChanged() {
  if (!FParentFont) return;
  TdxStatusBar* bar = StatusBar();
  if (!bar) return;
  FSettingParentFont = true;
  try {
    FFont->Assign(bar->Font());
  } catch (...) {
    FSettingParentFont = false;
    throw;
  }
  FSettingParentFont = false;
  FParentFont = true;
}

void TdxStatusBarPanelStyle::RestoreDefaults() {
  FAlignment = taLeftJustify;
  FColorAssigned = false;
  FParentFont = true;
  ParentFontChanged();
  PanelChanged();
}

void TdxStatusBarPanelStyle::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  PanelChanged();
}

void TdxStatusBarPanelStyle::SetColor(TColor Value) {
  if (FColorAssigned && FColor == Value) return;
  FColor = Value;
  FColorAssigned = true;
  PanelChanged();
}

void TdxStatusBarPanelStyle::SetFont(TFont* Value) { FFont->Assign(Value); }

void TdxStatusBarPanelStyle::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (Value) ParentFontChanged();
  PanelChanged();
}

// ---- text -------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBarTextPanelStyle) {
  prop("Alignment", &TdxStatusBarTextPanelStyle::Alignment, &TdxStatusBarTextPanelStyle::SetAlignment)
      .Default(taLeftJustify);
  prop("AutoHint", &TdxStatusBarTextPanelStyle::AutoHint, &TdxStatusBarTextPanelStyle::SetAutoHint).Default(false);
  prop("Color", &TdxStatusBarTextPanelStyle::Color, &TdxStatusBarTextPanelStyle::SetColor)
      .NoDefault()
      .Stored(&TdxStatusBarTextPanelStyle::IsColorStored);
  prop("ImageIndex", &TdxStatusBarTextPanelStyle::ImageIndex, &TdxStatusBarTextPanelStyle::SetImageIndex).Default(-1);
  prop("EllipsisType", &TdxStatusBarTextPanelStyle::EllipsisType, &TdxStatusBarTextPanelStyle::SetEllipsisType)
      .Default(dxetNone);
  prop("Font", &TdxStatusBarTextPanelStyle::Font, &TdxStatusBarTextPanelStyle::SetFont)
      .Stored(&TdxStatusBarTextPanelStyle::IsFontStored);
  prop("ParentFont", &TdxStatusBarTextPanelStyle::ParentFont, &TdxStatusBarTextPanelStyle::SetParentFont)
      .Default(true);
  event("OnGetText", &TdxStatusBarTextPanelStyle::OnGetText, &TdxStatusBarTextPanelStyle::OnGetText);
}

void TdxStatusBarTextPanelStyle::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* src = dynamic_cast<TdxStatusBarTextPanelStyle*>(Source)) {
    SetAutoHint(src->AutoHint());
    SetImageIndex(src->ImageIndex());
    SetEllipsisType(src->EllipsisType());
  }
}

void TdxStatusBarTextPanelStyle::RestoreDefaults() {
  FAutoHint = false;
  FImageIndex = -1;
  FEllipsisType = dxetNone;
  inherited::RestoreDefaults();
}

void TdxStatusBarTextPanelStyle::SetAutoHint(bool Value) {
  if (FAutoHint == Value) return;
  if (TdxStatusBar* bar = StatusBar()) {
    for (int32_t i = 0; i < bar->Panels()->Count(); ++i)
      if (auto* s = dynamic_cast<TdxStatusBarTextPanelStyle*>(bar->Panels()->Items(i)->PanelStyle()))
        s->FAutoHint = false;
  }
  FAutoHint = Value;
}

void TdxStatusBarTextPanelStyle::SetEllipsisType(TdxStatusBarEllipsisType Value) {
  if (FEllipsisType == Value) return;
  FEllipsisType = Value;
  PanelChanged();
}

void TdxStatusBarTextPanelStyle::SetImageIndex(int32_t Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  PanelChanged();
}

void TdxStatusBarTextPanelStyle::DrawContent(TcxCanvas* ACanvas, RECT R, const TdxStatusBarPainter* APainter) {
  inherited::DrawContent(ACanvas, R, APainter);
  TdxStatusBar* bar = StatusBar();
  if (!bar) return;
  TCustomImageList* images = bar->Images();
  if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
    images->Draw(ACanvas->Canvas(), R.left + 1, (R.top + R.bottom) / 2 - images->Height() / 2, FImageIndex,
                 bar->Enabled());
    R.left += images->Width() + 2;
  }
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->SetFont(Font());
  RECT textRect{R.left + 2, R.top, R.right - 2, R.bottom};
  String text = Owner()->Text();
  if (OnGetText.Assigned()) OnGetText(this, textRect, text);
  uint32_t flags = tfSingleLine | tfAlignVCenter;
  switch (Alignment()) {
    case taRightJustify: flags |= tfAlignRight; break;
    case taCenter: flags |= tfAlignHCenter; break;
    default: flags |= tfAlignLeft; break;
  }
  if (FEllipsisType == dxetTruncate) flags |= tfShowEndEllipsis;
  else if (FEllipsisType == dxetSmartPath) flags |= tfShowPathEllipsis;
  ACanvas->DrawText(text, textRect, flags, bar->Enabled());
  ACanvas->Brush()->SetStyle(bsSolid);
}

// ---- the panel ------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBarPanel) {
  prop("Bevel", &TdxStatusBarPanel::Bevel, &TdxStatusBarPanel::SetBevel).Default(dxpbLowered);
  prop("Text", &TdxStatusBarPanel::Text, &TdxStatusBarPanel::SetText);
  prop("Visible", &TdxStatusBarPanel::Visible, &TdxStatusBarPanel::SetVisible).Default(true);
  prop("Width", &TdxStatusBarPanel::Width, &TdxStatusBarPanel::SetWidth).Default(50);
}

TdxStatusBarPanel::~TdxStatusBarPanel() = default;

void TdxStatusBarPanel::AfterConstruction() {
  inherited::AfterConstruction();
  SetPanelStyleClass(TdxStatusBarTextPanelStyle::StaticClass());
}

void TdxStatusBarPanel::BeforeDestruction() {
  if (FPanelStyle) {
    TdxStatusBarPanelStyle* s = FPanelStyle;
    FPanelStyle = nullptr;
    s->Free();
  }
  inherited::BeforeDestruction();
}

void TdxStatusBarPanel::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TdxStatusBarPanel*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  FText = src->Text();
  FVisible = src->Visible();
  FBevel = src->Bevel();
  FWidth = src->Width();
  SetPanelStyleClass(src->PanelStyleClass());
  if (FPanelStyle && src->PanelStyle()) FPanelStyle->Assign(src->PanelStyle());
  Changed(false);
}

TdxStatusBar* TdxStatusBarPanel::StatusBar() const {
  TCollection* c = Collection();
  return c ? dynamic_cast<TdxStatusBar*>(c->Owner()) : nullptr;
}

void TdxStatusBarPanel::SetPanelStyleClass(TdxStatusBarPanelStyleClass Value) {
  if (PanelStyleClass() == Value) return;
  if (Value && !Value->InheritsFrom(TdxStatusBarPanelStyle::StaticClass()))
    throw EInvalidOperation("TdxStatusBarPanel.SetPanelStyleClass: " + Value->ClassName());
  TdxStatusBarPanelStyle* old = FPanelStyle;
  FPanelStyle = nullptr;
  if (old) old->Free();
  if (Value) FPanelStyle = CreateAs<TdxStatusBarPanelStyle>(Value, this);
  Changed(false);
}

void TdxStatusBarPanel::SetPanelStyle(TdxStatusBarPanelStyle* Value) {
  if (!Value) {
    SetPanelStyleClass(nullptr);
    return;
  }
  SetPanelStyleClass(Value->ClassType());
  FPanelStyle->Assign(Value);
}

void TdxStatusBarPanel::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  Changed(false);
}

void TdxStatusBarPanel::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (FPanelStyle) FPanelStyle->PanelVisibleChanged();
  Changed(true);
}

void TdxStatusBarPanel::SetBevel(TdxStatusBarPanelBevel Value) {
  if (FBevel == Value) return;
  FBevel = Value;
  Changed(false);
}

void TdxStatusBarPanel::SetWidth(int32_t Value) {
  Value = std::max(Value, 0);
  if (FWidth == Value) return;
  FWidth = Value;
  Changed(true);
}

int32_t TdxStatusBarPanel::EffectiveWidth() {
  if (FPanelStyle && !FPanelStyle->UsesPanelWidth()) return FPanelStyle->GetMinWidth();
  return FWidth;
}

void TdxStatusBarPanel::DoNotify() {
  if (OnNotify.Assigned()) OnNotify(this);
}

TdxStatusBarPanels::TdxStatusBarPanels(TdxStatusBar* AOwner)
    : TOwnedCollection(AOwner, TdxStatusBarPanel::StaticClass()), FStatusBar(AOwner) {}

void TdxStatusBarPanels::Update(TCollectionItem*) {
  if (FStatusBar && !FStatusBar->IsDestroyingBar()) FStatusBar->UpdatePanels();
}

// ---- the painter ------------------------------------------------------------------------------------------

const TdxStatusBarPainter* TdxStatusBarPainter::Instance() {
  static const TdxStatusBarPainter painter;
  return &painter;
}

void TdxStatusBarPainter::DrawBackground(TdxStatusBar* ABar, TcxCanvas* ACanvas, const RECT& R) const {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(ABar ? ABar->Color() : clBtnFace);
  ACanvas->FillRect(R);
}

void TdxStatusBarPainter::DrawKeyBorder(TcxCanvas* ACanvas, const RECT& R, TdxStatusBarPanelBevel ABevel) const {
  DrawPanelBorder(ACanvas, R, ABevel);
}

void TdxStatusBarPainter::DrawPanelBorder(TcxCanvas* ACanvas, const RECT& R, TdxStatusBarPanelBevel ABevel) const {
  switch (ABevel) {
    case dxpbLowered: ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight); break;
    case dxpbRaised: ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow); break;
    default: break;
  }
}

void TdxStatusBarPainter::DrawPanelBackground(TdxStatusBarPanel* APanel, TcxCanvas* ACanvas, const RECT& R) const {
  TdxStatusBarPanelStyle* style = APanel ? APanel->PanelStyle() : nullptr;
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(style ? style->GetColor() : clBtnFace);
  ACanvas->FillRect(R);
  if (APanel && !(style && style->DrawsOwnBorders())) DrawPanelBorder(ACanvas, R, APanel->Bevel());
}

void TdxStatusBarPainter::DrawSizeGrip(TcxCanvas* ACanvas, const RECT& R) const {
  // Three diagonal ridges in the corner, light above dark, as sizing grips are drawn.
  for (int i = 0; i < 3; ++i) {
    const int d = 4 * i + 3;
    for (int k = 0; k < 2; ++k) {
      const TColor c = k == 0 ? clBtnHighlight : clBtnShadow;
      ACanvas->GetPen()->SetColor(c);
      ACanvas->MoveTo(R.right - d - k - 1, R.bottom - 1);
      ACanvas->LineTo(R.right, R.bottom - d - k - 2);
    }
  }
}

// ---- the bar ----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxStatusBar) {
  prop("Images", &TdxStatusBar::Images, &TdxStatusBar::SetImages);
  prop("Panels", &TdxStatusBar::Panels, &TdxStatusBar::SetPanels);
  prop("SizeGrip", &TdxStatusBar::SizeGrip, &TdxStatusBar::SetSizeGrip).Default(true);
}

TdxStatusBar::TdxStatusBar(TComponent* AOwner) : TcxControl(AOwner) {}

TdxStatusBar::~TdxStatusBar() = default;

void TdxStatusBar::AfterConstruction() {
  inherited::AfterConstruction();
  SetScrollBars(ssNone);
  FPanels = New<TdxStatusBarPanels>(this);
  SetColor(clBtnFace);
  SetAlign(alBottom);
  SetHeight(20);
}

void TdxStatusBar::BeforeDestruction() {
  FDestroying = true;
  FreeAndNil(FPanels);
  inherited::BeforeDestruction();
}

bool TdxStatusBar::IsUpdating() const {
  const TComponentState s = ComponentState();
  return s.Contains(csLoading) || s.Contains(csReading) || s.Contains(csUpdating) ||
         (FPanels && FPanels->UpdateCount() > 0);
}

void TdxStatusBar::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  UpdatePanels();
}

void TdxStatusBar::SetSizeGrip(bool Value) {
  if (FSizeGrip == Value) return;
  FSizeGrip = Value;
  UpdatePanels();
}

void TdxStatusBar::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    UpdatePanels();
  }
}

void TdxStatusBar::FontChanged() {
  inherited::FontChanged();
  if (!FPanels) return;
  for (int32_t i = 0; i < FPanels->Count(); ++i)
    if (TdxStatusBarPanelStyle* s = FPanels->Items(i)->PanelStyle()) s->ParentFontChanged();
  UpdatePanels();
}

void TdxStatusBar::Calculate() {
  FPanelRects.assign(FPanels ? static_cast<size_t>(FPanels->Count()) : 0, RECT{});
  if (!FPanels) return;
  const int32_t gap = Painter()->PanelSeparatorSize();
  int32_t lastVisible = -1;
  for (int32_t i = 0; i < FPanels->Count(); ++i)
    if (FPanels->Items(i)->Visible()) lastVisible = i;
  int32_t x = 0;
  for (int32_t i = 0; i < FPanels->Count(); ++i) {
    TdxStatusBarPanel* p = FPanels->Items(i);
    if (!p->Visible()) continue;
    RECT r{x, 2, x + p->EffectiveWidth(), Height()};
    // The last panel reaches the bar's right edge, so that a size grip has somewhere to stand.
    if (i == lastVisible) r.right = std::max(r.right, ClientWidth());
    FPanelRects[static_cast<size_t>(i)] = r;
    x = r.right + gap;
  }
}

RECT TdxStatusBar::GetPanelRect(int32_t AIndex) {
  Calculate();
  if (AIndex < 0 || AIndex >= static_cast<int32_t>(FPanelRects.size())) return RECT{};
  return FPanelRects[static_cast<size_t>(AIndex)];
}

void TdxStatusBar::UpdatePanels() {
  if (FDestroying || IsDestroying()) return;
  Calculate();
  Invalidate();
}

void TdxStatusBar::UpdateKeyboardStatePanels() {
  ++FKeyboardRefreshCount;
  if (!HandleAllocated() || !FPanels) return;
  Calculate();
  for (int32_t i = 0; i < FPanels->Count(); ++i)
    if (dynamic_cast<TdxStatusBarKeyboardStatePanelStyle*>(FPanels->Items(i)->PanelStyle()))
      InvalidateRect(FPanelRects[static_cast<size_t>(i)], false);
}

void TdxStatusBar::Resize() {
  inherited::Resize();
  UpdatePanels();
}

void TdxStatusBar::Paint() {
  TcxCanvas* canvas = ControlCanvas();
  Calculate();
  Painter()->DrawBackground(this, canvas, ClientRect());
  for (int32_t i = 0; i < FPanels->Count(); ++i) {
    TdxStatusBarPanel* p = FPanels->Items(i);
    if (!p->Visible()) continue;
    RECT r = FPanelRects[static_cast<size_t>(i)];
    if (TdxStatusBarPanelStyle* s = p->PanelStyle()) {
      s->AdjustPanelRect(r);
      if (r.right <= r.left) continue;
      canvas->Canvas()->Lock();
      const int saved = SaveDC(canvas->Handle());
      canvas->IntersectClip(r);
      s->DrawContent(canvas, r, Painter());
      RestoreDC(canvas->Handle(), saved);
      canvas->Canvas()->Unlock();
    } else {
      Painter()->DrawPanelBackground(p, canvas, r);
    }
  }
  if (FSizeGrip) {
    RECT g = ClientRect();
    g.left = g.right - Painter()->SizeGripWidth();
    Painter()->DrawSizeGrip(canvas, g);
  }
}

// ---- registration -----------------------------------------------------------------------------------------

namespace {
// Descriptions under which the styles are offered (string resources of the unit).
const char* const sdxTextPanelStyle = "Text Panel";
const char* const sdxContainerPanelStyle = "Container Panel";
const char* const sdxKeyboardStatePanelStyle = "Keyboard State Panel";
const char* const sdxStateIndicatorPanelStyle = "State Indicator Panel";

TcxRegisteredClasses* gPanelStyles = nullptr;
}  // namespace

TcxRegisteredClasses* GetRegisteredStatusBarPanelStyles() {
  if (!gPanelStyles) {
    gPanelStyles = New<TcxRegisteredClasses>();
    gPanelStyles->Register(TdxStatusBarTextPanelStyle::StaticClass(), sdxTextPanelStyle);
    gPanelStyles->Register(TdxStatusBarContainerPanelStyle::StaticClass(), sdxContainerPanelStyle);
    gPanelStyles->Register(TdxStatusBarKeyboardStatePanelStyle::StaticClass(), sdxKeyboardStatePanelStyle);
    gPanelStyles->Register(TdxStatusBarStateIndicatorPanelStyle::StaticClass(), sdxStateIndicatorPanelStyle);
    RegisterClasses({TdxStatusBarContainerControl::StaticClass()});
  }
  return gPanelStyles;
}

void dxStatusBarFinalize() {
  if (!gPanelStyles) return;
  gPanelStyles->Unregister(TdxStatusBarTextPanelStyle::StaticClass());
  gPanelStyles->Unregister(TdxStatusBarContainerPanelStyle::StaticClass());
  gPanelStyles->Unregister(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  gPanelStyles->Unregister(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  FreeAndNil(gPanelStyles);
}
