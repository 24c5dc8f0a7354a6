// The bases the bar controls library derives from: the painter's measures, the bar window and the item
// control, with the behaviour the model relies on.

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"

// ---- TdxBarItemControlPainter -------------------------------------------------------------------------------

const TdxBarItemControlPainter* TdxBarItemControlPainter::Instance() {
  static const TdxBarItemControlPainter instance;
  return &instance;
}

int32_t TdxBarItemControlPainter::GetButtonArrowWidth(TdxBarManager* ABarManager) const {
  int32_t width = (1 + (ABarManager->LargeIcons() ? 1 : 0)) * ABarManager->ButtonArrowWidth();
  if (width % 2 == 0) ++width;
  return width;
}

int32_t TdxBarItemControlPainter::GetFloatingBorderWidth() const { return GetSystemMetrics(SM_CXFRAME); }
int32_t TdxBarItemControlPainter::GetFloatingBorderHeight() const { return GetSystemMetrics(SM_CYFRAME); }

int32_t TdxBarItemControlPainter::GetSmallCaptionHeight() const {
  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  return metrics.iSmCaptionHeight;
}

RECT TdxBarItemControlPainter::GetDockedBorderSizes(TdxBar*, TdxBarDockingStyle) const { return RECT{2, 2, 2, 2}; }

SIZE TdxBarItemControlPainter::GetSizeGripSize(TdxBarManager*) const {
  return SIZE{GetSystemMetrics(SM_CXHSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

int32_t TdxBarItemControlPainter::GetBottomBarExtraHeight(TdxBarManager*) const { return 2; }

void TdxBarItemControlPainter::DrawDockBackground(TdxDockControl*, HDC DC, TColor AColor, TBitmap* ABitmap,
                                                  const RECT& R, const RECT& AOrigin) const {
  FillRectOrBitmap(DC, R, AOrigin, ABitmap, AColor, nullptr);
}

// ---- TCustomdxBarControl --------------------------------------------------------------------------------------

TCustomdxBarControl::TCustomdxBarControl(TComponent* AOwner) : TCustomControl(AOwner) {
  if (!dynamic_cast<TdxBarManager*>(AOwner))
    throw EInvalidCast("A bar window is owned by its bar manager, not by " +
                       (AOwner ? AOwner->ClassName() : String("nothing")));
}

void TCustomdxBarControl::AfterConstruction() {
  TCustomControl::AfterConstruction();
  AddBarControl(this);
}

void TCustomdxBarControl::BeforeDestruction() {
  FDestroying = true;
  RemoveBarControl(this);
  TdxBarManager* manager = BarManager();
  if (FItemLinks) {
    DestroyItemControls();
    if (FItemLinks->BarControl() == this) FItemLinks->SetBarControl(nullptr);
  }
  if (FDockControl) FDockControl->RemoveBar(this, nullptr, !manager->IsBeingDestroyed());
  if (manager->Bars() && manager->Bars()->DraggedControl() == this) manager->Bars()->SetDraggedControl(nullptr);
  TCustomControl::BeforeDestruction();
}

void TCustomdxBarControl::CreateItemControls() {
  if (!FItemLinks) return;
  for (int32_t i = 0; i < FItemLinks->AvailableItemCount(); ++i) FItemLinks->AvailableItems(i)->CreateControl();
}

void TCustomdxBarControl::DestroyItemControls() {
  if (!FItemLinks) return;
  const bool old = FDestroying;
  FDestroying = true;
  for (int32_t i = 0; i < FItemLinks->Count(); ++i) FItemLinks->Items(i)->DestroyControl();
  FDestroying = old;
}

TdxBarManager* TCustomdxBarControl::BarManager() const { return static_cast<TdxBarManager*>(Owner()); }

void TCustomdxBarControl::RepaintItem(TdxBarItemControl*) {
  if (HandleAllocated()) Invalidate();
}

bool TCustomdxBarControl::IsCustomizing() { return BarManager()->IsCustomizing(); }

void TCustomdxBarControl::RecreateForDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) {
  FDockingStyle = AStyle;
  FDockControl = ADock;
  if (ADock) SetParent(ADock);
}

void TCustomdxBarControl::StorePosition() {
  if (!FBar) return;
  if (FDockingStyle == dsNone) {
    FBar->SetFloatLeft(Left());
    FBar->SetFloatTop(Top());
    FBar->SetFloatClientWidth(ClientWidth());
    FBar->SetFloatClientHeight(ClientHeight());
    return;
  }
  FBar->SetDockedDockingStyle(FDockingStyle);
  FBar->SetDockedDockControl(FDockControl && !FDockControl->IsImplicit()
                                 ? static_cast<TdxBarDockControl*>(FDockControl)
                                 : nullptr);
  int32_t row = 0, col = 0;
  if (FDockControl && FDockControl->FindBarControl(this, row, col)) {
    FBar->SetRow(row);
    FBar->SetOneOnRow(FDockControl->GetRow(row)->GetColumnCount() == 1);
  }
  FBar->SetDockedLeft(Left());
  FBar->SetDockedTop(Top());
}

SIZE TCustomdxBarControl::CalcSize(TdxBarDockingStyle AStyle) {
  SIZE size{CalcContentWidth(AStyle), CalcContentHeight(AStyle)};
  if (FBar) {
    size.cx += FBar->GetExtraWidth(AStyle);
    size.cy += FBar->GetExtraHeight(AStyle);
  }
  return size;
}

POINT TCustomdxBarControl::GetDragGrabPoint(TdxBarDockingStyle) { return POINT{0, 0}; }
int32_t TCustomdxBarControl::CalcMinWidth(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcMinHeight(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcContentWidth(TdxBarDockingStyle) { return 0; }
int32_t TCustomdxBarControl::CalcContentHeight(TdxBarDockingStyle) { return 0; }

SIZE TCustomdxBarControl::CalcSizeForWidth(TdxBarDockingStyle AStyle, int32_t AWidth) {
  return SIZE{AWidth, CalcContentHeight(AStyle)};
}

SIZE TCustomdxBarControl::CalcSizeForHeight(TdxBarDockingStyle AStyle, int32_t AHeight) {
  return SIZE{CalcContentWidth(AStyle), AHeight};
}

bool TCustomdxBarControl::IsAtParentBottom() {
  TControl* c = this;
  while (TWinControl* parent = c->Parent()) {
    if (c->Top() + c->Height() != parent->ClientHeight()) return false;
    if (auto* form = dynamic_cast<TCustomForm*>(parent); form && form->FormStyle() == fsMDIChild) break;
    c = parent;
  }
  return true;
}

// ---- TdxBarItemControl ------------------------------------------------------------------------------------------

TdxBarItemControl::TdxBarItemControl(TdxBarItemLink* ALink)
    : FLink(ALink), FParent(ALink ? ALink->GetBarControl() : nullptr) {}

TdxBarItemControl::~TdxBarItemControl() {
  if (FParent && FParent->SelectedControl() == this) FParent->SetSelectedControl(nullptr);
  if (FLink) {
    if (TdxBarManager* m = FLink->GetBarManager(); m && m->SelectedControl() == this) m->ClearSelectedControl();
  }
}

TdxBarItem* TdxBarItemControl::Item() const { return FLink ? FLink->Item() : nullptr; }

void TdxBarItemControl::Activate(bool) { FActive = true; }
void TdxBarItemControl::Deactivate(bool) { FActive = false; }

void TdxBarItemControl::BeginGroupChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::CaptionChanged() {
  if (Item() && Item()->Align() == iaClient)
    Repaint();
  else if (FParent)
    FParent->Rebuild();
}

void TdxBarItemControl::EnabledChanged() {
  if (Item() && !Item()->GetEnabled() && FParent && FParent->SelectedControl() == this)
    FParent->SetSelectedControl(nullptr);
  Repaint();
}

void TdxBarItemControl::GlyphChanged() { Repaint(); }

void TdxBarItemControl::ShortCutChanged() {
  if (FParent && FParent->IsMenuLike()) FParent->Rebuild();
}

void TdxBarItemControl::VisibleChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::AlignChanged() {
  if (FParent) FParent->Rebuild();
}

void TdxBarItemControl::Repaint() {
  if (FParent && !FParent->IsDestroying()) FParent->RepaintItem(this);
}
