// The details site: the frame and client area of a level's detail area with the active view laid out inside,
// and the grid's root site.

#include "ui/grid/cxGridDetailsSite.h"

#include <algorithm>

#include "ui/base/cxGraphics.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"
#include "ui/grid/cxGridLevel.h"

// ---- TcxCustomGridDetailsSiteViewInfo --------------------------------------------------------------------------

void TcxCustomGridDetailsSiteViewInfo::BeforeDestruction() {
  if (FActiveGridView) FActiveGridView->RemoveFreeNotification(this);
  FActiveGridView = nullptr;
  inherited::BeforeDestruction();
}

void TcxCustomGridDetailsSiteViewInfo::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FActiveGridView) FActiveGridView = nullptr;
}

TcxCustomGridView* TcxCustomGridDetailsSiteViewInfo::ActiveGridView() {
  if (!FActiveGridViewAssigned) {
    FActiveGridViewAssigned = true;
    FActiveGridView = GetActiveGridView();
    if (FActiveGridView) FActiveGridView->FreeNotification(this);
  }
  return FActiveGridView && !FActiveGridView->IsDestroying() ? FActiveGridView : nullptr;
}

void TcxCustomGridDetailsSiteViewInfo::GetSizeOverhead(int32_t& AWidth, int32_t& AHeight) {
  RECT client;
  GetClientBounds(client);
  AWidth = (FBounds.right - FBounds.left) - (client.right - client.left);
  AHeight = (FBounds.bottom - FBounds.top) - (client.bottom - client.top);
}

int32_t TcxCustomGridDetailsSiteViewInfo::CalculateHeight() {
  // The overhead of a site is that of its frame (no tabs here): the frame on both sides.
  const int32_t overhead = 2 * GetFrameWidth();
  int32_t height = 0;
  if (TcxCustomGridView* view = ActiveGridView()) {
    const SIZE maxSize{GetMaxWidth() - overhead, GetMaxHeight() - overhead};
    bool fullyVisible = true;
    view->ViewInfo()->MeasureHeight(maxSize, height, fullyVisible);
    FFullyVisible = fullyVisible;
  } else {
    FFullyVisible = true;
    height = GetEmptyClientHeight();
  }
  height += overhead;
  FNormalHeight = std::min(height, GetMaxNormalHeight());
  if (FFullyVisible)
    height = std::max(std::min(height, GetMaxHeight()), 0);
  else
    height = GetMaxHeight();
  if (FNormalHeight < height) FNormalHeight = height;
  return height;
}

int32_t TcxCustomGridDetailsSiteViewInfo::CalculateWidth() {
  const int32_t overhead = 2 * GetFrameWidth();
  int32_t width = 0;
  if (TcxCustomGridView* view = ActiveGridView())
    view->ViewInfo()->MeasureWidth(SIZE{GetMaxWidth() - overhead, GetMaxHeight() - overhead}, width);
  else
    width = GetEmptyClientWidth();
  width += overhead;
  width = std::max(width, GetMinWidth());
  return std::min(width, GetMaxWidth());
}

TColor TcxCustomGridDetailsSiteViewInfo::GetBackgroundColor() {
  TcxCustomGrid* grid = FLevel ? FLevel->Control() : nullptr;
  return grid ? grid->Color() : clBtnFace;
}

void TcxCustomGridDetailsSiteViewInfo::GetClientBounds(RECT& R) {
  R = FBounds;
  const int32_t frame = GetFrameWidth();
  InflateRect(&R, -frame, -frame);
}

TColor TcxCustomGridDetailsSiteViewInfo::GetFrameColor() { return FLevel->Options()->GetDetailFrameColor(); }

int32_t TcxCustomGridDetailsSiteViewInfo::GetFrameWidth() { return FLevel->Options()->DetailFrameWidth(); }

void TcxCustomGridDetailsSiteViewInfo::GetFrameBounds(RECT& R) {
  GetClientBounds(R);
  const int32_t frame = GetFrameWidth();
  InflateRect(&R, frame, frame);
}

void TcxCustomGridDetailsSiteViewInfo::Calculate(int32_t ALeft, int32_t ATop) {
  FBounds = RECT{ALeft, ATop, ALeft + GetWidth(), ATop + GetHeight()};
  if (TcxCustomGridView* view = ActiveGridView()) {
    RECT client;
    GetClientBounds(client);
    view->ViewInfo()->MainCalculate(client);
  }
}

TcxCustomGridHitTest* TcxCustomGridDetailsSiteViewInfo::GetHitTest(POINT P) {
  TcxCustomGridView* view = ActiveGridView();
  if (!view) return nullptr;
  TcxGridSite* site = view->Site();
  return view->ViewInfo()->GetHitTest(POINT{P.x - site->Left(), P.y - site->Top()});
}

void TcxCustomGridDetailsSiteViewInfo::UpdateViewSiteVisibility(bool ACheckVisible) {
  if (TcxCustomGridView* view = ActiveGridView()) view->ViewInfo()->UpdateSiteVisibility(ACheckVisible);
}

void TcxCustomGridDetailsSiteViewInfo::Paint(TcxCanvas* ACanvas) {
  TcxGridDetailsSitePainter painter(ACanvas, this);
  painter.Paint();
}

// ---- TcxGridTopDetailsSiteViewInfo -------------------------------------------------------------------------------

TcxCustomGrid* TcxGridTopDetailsSiteViewInfo::Control() const { return Level()->Control(); }

TcxCanvas* TcxGridTopDetailsSiteViewInfo::GetCanvas() { return Control()->GetDrawingCanvas(); }

TcxCustomLookAndFeelPainterClass TcxGridTopDetailsSiteViewInfo::GetLookAndFeelPainter() {
  return Control()->LookAndFeel()->GetPainterClass();
}

int32_t TcxGridTopDetailsSiteViewInfo::GetMaxHeight() {
  const RECT content = Control()->ContentRect();
  return content.bottom - content.top;
}

int32_t TcxGridTopDetailsSiteViewInfo::GetMaxWidth() {
  const RECT content = Control()->ContentRect();
  return content.right - content.left;
}

TcxCustomGridView* TcxGridTopDetailsSiteViewInfo::GetActiveGridView() { return Control()->ActiveView(); }

TcxGridLevel* TcxGridTopDetailsSiteViewInfo::GetActiveLevel() { return Control()->ActiveLevel(); }

void TcxGridTopDetailsSiteViewInfo::InitTabHitTest(TcxGridDetailsSiteTabHitTest* AHitTest) { AHitTest->SetOwner(Control()); }

void TcxGridTopDetailsSiteViewInfo::SetActiveLevel(TcxGridLevel* ALevel) { Control()->SetActiveLevel(ALevel); }

void TcxGridTopDetailsSiteViewInfo::UpdateViewSiteVisibility(bool ACheckVisible) {
  if (!Control()->IsDestroying()) inherited::UpdateViewSiteVisibility(ACheckVisible);
}

// ---- TcxGridDetailsSitePainter -----------------------------------------------------------------------------------

void TcxGridDetailsSitePainter::DrawFrame() {
  RECT r;
  FViewInfo->GetFrameBounds(r);
  FCanvas->FrameRect(r, FViewInfo->GetFrameColor(), FViewInfo->GetFrameWidth());
}

void TcxGridDetailsSitePainter::DrawBackground() {
  RECT r;
  FViewInfo->GetClientBounds(r);
  FCanvas->SetBrushColor(FViewInfo->GetBackgroundColor());
  FCanvas->FillRect(r);
}

void TcxGridDetailsSitePainter::Paint() {
  if (FViewInfo->GetFrameWidth() != 0) DrawFrame();
  DrawTabs();
  DrawBackground();
  FCanvas->ExcludeFromClip(FViewInfo->Bounds());
}
