// The view info (main calculation, site visibility and parking), the view-info cache, the site window and the
// view painter.

#include "ui/grid/cxGridCustomViewInfo.h"

#include <algorithm>
#include <exception>

#include "forms/Forms.h"
#include "rtl/ObjLinks.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "ui/data/cxCustomData.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCells.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridLevel.h"

namespace {

constexpr int32_t kSiteResizeDelay = 1;
// The key code of the context-menu key.
constexpr uint16_t kContextMenuKey = 93;
// The non-nil parameter of a context-menu notification that the keyboard asked for.
int gKeyboardContextMenuMarker = 0;

}  // namespace

// ---- TcxCustomGridViewInfo -----------------------------------------------------------------------------------------

TcxCustomGridViewInfo::~TcxCustomGridViewInfo() = default;

void TcxCustomGridViewInfo::AfterConstruction() {
  inherited::AfterConstruction();
  FSite = CreateAs<TcxGridSite>(GetSiteClass(), this);
  CreateViewInfos();
}

void TcxCustomGridViewInfo::BeforeDestruction() {
  DestroyViewInfos(false);
  FreeAndNil(FSite);
  inherited::BeforeDestruction();
}

void TcxCustomGridViewInfo::RecreateViewInfos() {
  UnfixClientBounds();
  DestroyViewInfos(true);
  CreateViewInfos();
}

TClass TcxCustomGridViewInfo::GetSiteClass() { return TcxGridSite::StaticClass(); }

bool TcxCustomGridViewInfo::IsInternalUseInChain() {
  int32_t depth = 0;
  for (TcxCustomGridView* view = GridView(); view && depth < 1000; view = view->MasterGridView(), ++depth)
    if (view->ViewInfo() && view->ViewInfo()->GetIsInternalUse()) return true;
  return false;
}

void TcxCustomGridViewInfo::AfterCalculating() {
  if (!IsInternalUseInChain()) Controller()->UpdateScrollBars();
}

void TcxCustomGridViewInfo::BeforeCalculating() {
  if (!IsSiteParked()) RefreshMousePos();
}

void TcxCustomGridViewInfo::RefreshMousePos() {
  if (!FSite->HandleAllocated() || GridView()->IsDesigning()) {
    FMousePos = NoMousePos;
    return;
  }
  POINT p{};
  GetCursorPos(&p);
  FMousePos = FSite->ScreenToClient(p);
}

void TcxCustomGridViewInfo::GetSiteHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible) {
  (void)AMaxSize, (void)AFullyVisible;
  if (FSite->GetHScrollBarVisible()) AHeight += GetSystemMetrics(SM_CYHSCROLL);
}

void TcxCustomGridViewInfo::GetSiteWidth(SIZE AMaxSize, int32_t& AWidth) {
  if (FSite->GetVScrollBarVisible()) AWidth += GetSystemMetrics(SM_CXVSCROLL);
  if (AWidth > AMaxSize.cx) AWidth = AMaxSize.cx;
}

TBitmap* TcxCustomGridViewInfo::GetBackgroundBitmap() { return GridView()->BackgroundBitmaps()->GetEffectiveBitmap(0); }

TColor TcxCustomGridViewInfo::GetBackgroundColor() {
  TcxViewParamsRec params;
  GridView()->Styles()->ResolveViewParams(TcxCustomGridViewStyles::vsBackground, nullptr, nullptr, params);
  return params.Color;
}

TcxCustomGridHitTest* TcxCustomGridViewInfo::AssignHitTestView(TcxCustomGridHitTest* AHitTest) {
  if (auto* viewHitTest = dynamic_cast<TcxCustomGridViewHitTest*>(AHitTest)) viewHitTest->SetGridView(GridView());
  return AHitTest;
}

TcxCustomGridHitTest* TcxCustomGridViewInfo::GetHitTest(POINT P) {
  TcxCustomGridHitTest* hitTest = GetGridHitTest<TcxGridViewNoneHitTest>(P);
  hitTest->SetViewInfo(nullptr);
  return AssignHitTestView(hitTest);
}

TcxCanvas* TcxCustomGridViewInfo::Canvas() const { return FSite->GetDrawingCanvas(); }

bool TcxCustomGridViewInfo::IsSiteParked() const { return FSite->Left() == ParkedSiteLeft; }

void TcxCustomGridViewInfo::MainCalculate(const RECT& ABounds) {
  if (FIsCalculating) return;
  BeforeCalculating();
  FIsCalculating = true;
  // A failed calculation still leaves the view consistent: the flag cleared, the scroll bars and the site
  // brought up to date; then the error goes on.
  std::exception_ptr failure;
  try {
    FSite->SetBoundsRect(ABounds);
    FClientBounds = FSite->ContentRect();
    Calculate();
  } catch (...) {
    failure = std::current_exception();
  }
  FIsCalculating = false;
  AfterCalculating();
  UpdateSiteVisibility(true);
  if (failure) std::rethrow_exception(failure);
}

void TcxCustomGridViewInfo::Recalculate() { MainCalculate(FSite->BoundsRect()); }

void TcxCustomGridViewInfo::UpdateSiteVisibility(bool ACheckVisible) {
  if (IsInternalUseInChain() || FMeasuringSize) return;
  FUpdatingSiteParent = true;
  ScopeExit reset([this] { FUpdatingSiteParent = false; });
  UpdateSiteParent(ACheckVisible && GridView()->IsVisible());
}

void TcxCustomGridViewInfo::UpdateSiteParent(bool AVisible) {
  RefreshMousePos();
  if (AVisible) {
    FSite->SetParent(GetSiteParent());
    return;
  }
  TcxCustomGridView* view = GridView();
  TcxCustomGrid* grid = view->Control();
  bool holdsFocus = false;
  if (grid && !view->IsDestroying() && FSite->Parent()) {
    holdsFocus = FSite->HandleAllocated() && GetFocus() == FSite->Handle();
    if (!holdsFocus)
      if (TcxCustomGridView* focused = grid->FocusedView())
        if (focused != view && focused->Site())
          for (TWinControl* p = focused->Site()->Parent(); p; p = p->Parent())
            if (p == FSite) {
              holdsFocus = true;
              break;
            }
  }
  // A site that holds the focus is moved out of sight instead, so that the focus stays where it is.
  if (holdsFocus)
    FSite->SetLeft(ParkedSiteLeft);
  else
    FSite->SetParent(nullptr);
}

int32_t TcxCustomGridViewInfo::GetFontHeight(TFont* AFont) { return Canvas()->FontHeight(AFont); }

void TcxCustomGridViewInfo::MeasureHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible) {
  FMeasuringSize = true;
  ScopeExit reset([this] { FMeasuringSize = false; });
  GetSiteHeight(AMaxSize, AHeight, AFullyVisible);
}

void TcxCustomGridViewInfo::MeasureWidth(SIZE AMaxSize, int32_t& AWidth) {
  FMeasuringSize = true;
  ScopeExit reset([this] { FMeasuringSize = false; });
  GetSiteWidth(AMaxSize, AWidth);
}

TWinControl* TcxCustomGridViewInfo::GetSiteParent() {
  TcxCustomGridView* view = GridView();
  if (view->IsDetail())
    if (TcxCustomGridView* master = view->MasterGridView()) return master->Site();
  return view->Control();
}

RECT TcxCustomGridViewInfo::GetClientBounds() {
  if (FClientBoundsFixed) return FFixedClientBounds;
  RECT r;
  GetBounds(r);
  return r;
}

void TcxCustomGridViewInfo::FixClientBounds(const RECT& R) {
  FFixedClientBounds = R;
  FClientBoundsFixed = true;
}

void TcxCustomGridViewInfo::UnregisterCell(TcxCustomGridCellViewInfo* ACell) {
  FRegisteredCells.erase(std::remove(FRegisteredCells.begin(), FRegisteredCells.end(), ACell), FRegisteredCells.end());
}

// ---- TcxCustomGridViewInfoCache ------------------------------------------------------------------------------------

TcxCustomGridViewInfoCache::~TcxCustomGridViewInfoCache() { Clear(); }

TcxCustomGridViewInfoCacheItem* TcxCustomGridViewInfoCache::GetItem(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= Count()) throw EListError("List index out of bounds (" + IntToStr(AIndex) + ")");
  TcxCustomGridViewInfoCacheItem*& item = FItems[static_cast<size_t>(AIndex)];
  if (!item) item = GetItemClass(AIndex).Create(this, AIndex);
  return item;
}

bool TcxCustomGridViewInfoCache::HasItem(int32_t AIndex) const {
  return AIndex >= 0 && AIndex < Count() && FItems[static_cast<size_t>(AIndex)] != nullptr;
}

void TcxCustomGridViewInfoCache::SetCount(int32_t ACount) {
  Clear();
  FItems.assign(static_cast<size_t>(std::max(ACount, 0)), nullptr);
}

void TcxCustomGridViewInfoCache::Clear() {
  std::vector<TcxCustomGridViewInfoCacheItem*> items;
  items.swap(FItems);
  for (TcxCustomGridViewInfoCacheItem* item : items) FreeObject(item);
}

void TcxCustomGridViewInfoCache::UnassignValues(bool AKeepMaster) {
  if (FUnassigning) return;
  FUnassigning = true;
  ScopeExit reset([this] { FUnassigning = false; });
  for (TcxCustomGridViewInfoCacheItem* item : FItems)
    if (item) item->UnassignValues(AKeepMaster);
  if (AKeepMaster) return;
  int32_t depth = 0;
  for (TcxCustomGridView* view = GridView(); view->IsDetail() && depth < 1000; ++depth) {
    TcxCustomGridView* master = view->MasterGridView();
    if (!master) break;
    const int32_t row = view->MasterRowIndex();
    TcxCustomGridViewInfoCache* cache = master->ViewInfoCache();
    if (row != -1 && cache && row < cache->Count()) cache->GetItem(row)->UnassignValues(false);
    view = master;
  }
}

// ---- TcxGridSite ---------------------------------------------------------------------------------------------------

TcxGridSite::TcxGridSite(TcxCustomGridViewInfo* AViewInfo) : TcxControl(nullptr), FViewInfo(AViewInfo) {}

void TcxGridSite::AfterConstruction() {
  inherited::AfterConstruction();
  SetControlStyle(ControlStyle() + csNoDesignVisible);
  SetKeys(TcxControlKeys{ckArrows, ckChars});
  SetParentColor(false);
}

void TcxGridSite::BeforeDestruction() {
  FreeAndNil(FResizeTimer);
  inherited::BeforeDestruction();
}

void TcxGridSite::RememberClientSize() {
  FRememberedWidth = ClientWidth();
  FRememberedHeight = ClientHeight();
}

void TcxGridSite::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized) RememberClientSize();
}

bool TcxGridSite::ChainCanCalculate() {
  int32_t depth = 0;
  for (TcxCustomGridView* view = GridView(); view && depth < 1000; view = view->MasterGridView(), ++depth)
    if (!view->ViewInfo() || !view->ViewInfo()->CanCalculate()) return false;
  return true;
}

void TcxGridSite::ClientAreaChanged() {
  const int32_t oldWidth = FRememberedWidth, oldHeight = FRememberedHeight;
  RememberClientSize();
  if (FViewInfo->UpdatingSiteParent()) return;
  const bool hadSize = oldWidth != 0 || oldHeight != 0;
  if (hadSize && (oldWidth != FRememberedWidth || oldHeight != FRememberedHeight)) {
    if (ChainCanCalculate())
      GridView()->InvalidateGeometry(true, false);
    else if (CalculatingScrollBars() && !FResizeTimer) {
      // The scroll bars are being settled inside a calculation: recalculate once that is over.
      FResizeTimer = New<TcxTimer>(nullptr);
      FResizeTimer->SetInterval(kSiteResizeDelay);
      FResizeTimer->SetOnTimer(TNotifyEvent(this, &TcxGridSite::ResizeTimerTick));
    }
  }
  inherited::ClientAreaChanged();
}

void TcxGridSite::ResizeTimerTick(TObject*) {
  FreeAndNil(FResizeTimer);
  GridView()->InvalidateGeometry(false, false);
}

void TcxGridSite::Paint() {
  if (FViewInfo->IsCalculating() || FViewInfo->IsSiteParked()) return;
  GridView()->Painter()->Paint();
}

void TcxGridSite::SetParent(TWinControl* AParent) {
  if (AParent != Parent()) {
    TcxCustomGridView* view = GridView();
    if (AParent) {
      if (view->Control()) LookAndFeel()->SetMaster(view->Control()->LookAndFeel());
      if (view->Level()) view->UpdateTabStop(view->Level()->IsTop());
    } else if (view->Focused()) {
      TWinControl* oldParent = Parent();
      if (oldParent && !oldParent->ComponentState().Contains(csDestroying) && oldParent->CanFocus()) oldParent->SetFocus();
    }
  }
  inherited::SetParent(AParent);
}

void TcxGridSite::SetFocus() {
  TcxCustomGridView* view = GridView();
  TcxCustomGrid* grid = view->Control();
  if (grid && !view->Focused() && grid->FocusedView()) {
    TObjectLink<TcxGridSite> alive(this);
    grid->FocusedView()->Controller()->BeforeFocusLeave();
    if (!alive) return;
  }
  inherited::SetFocus();
}

void TcxGridSite::FocusChanged() {
  inherited::FocusChanged();
  TObjectLink<TcxGridSite> alive(this);
  TcxCustomGridView* view = GridView();
  if (HasFocus()) view->SetFocused(true);
  if (alive && view->Control()) view->Control()->ReportFocus(view->GridHasFocus());
}

void TcxGridSite::WndProc(TMessage& m) {
  if (m.Msg == CN_KEYDOWN || m.Msg == CN_SYSKEYDOWN) {
    if (TcxCustomGrid* grid = Container()) {
      grid->NotifyReceivers(gnkKeyDown, &m);
      if (m.Result != 0) return;
    }
  }
  if (GridView()->Controller()) Controller()->WndProc(m);
  inherited::WndProc(m);
}

void TcxGridSite::KeyDown(uint16_t& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  TObjectLink<TcxGridSite> alive(this);
  Controller()->KeyDown(Key, Shift);
  if (alive && Key == kContextMenuKey && Container() && !IsDesigning())
    Container()->NotifyReceivers(gnkContextMenu, &gKeyboardContextMenuMarker);
}

void TcxGridSite::KeyPress(char32_t& Key) {
  inherited::KeyPress(Key);
  Controller()->KeyPress(Key);
}

void TcxGridSite::KeyUp(uint16_t& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  Controller()->KeyUp(Key, Shift);
}

void TcxGridSite::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  // A link from the heap: the optimiser takes a stack link that outlives this call for a dangling pointer.
  TcxObjectLink* alive = AddObjectLink(this);
  ScopeExit removeLink([alive] { RemoveObjectLink(alive); });
  if (HandleAllocated()) Controller()->MouseDown(Button, Shift, X, Y);
  if (alive->Target()) inherited::MouseDown(Button, Shift, X, Y);
}

void TcxGridSite::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  if (DragAndDropState() == ddIdle) Controller()->MouseMove(Shift, X, Y);
}

void TcxGridSite::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxGridSite> alive(this);
  if (DragAndDropState() != ddIdle) {
    inherited::MouseUp(Button, Shift, X, Y);
    if (alive) Controller()->MouseUp(Button, Shift, X, Y);
  } else {
    Controller()->MouseUp(Button, Shift, X, Y);
    if (alive) inherited::MouseUp(Button, Shift, X, Y);
  }
  if (alive && Button == mbRight && Container() && !IsDesigning()) Container()->NotifyReceivers(gnkContextMenu, nullptr);
}

void TcxGridSite::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  if (Controller()) Controller()->MouseLeave();
}

void TcxGridSite::DoEnter() {
  inherited::DoEnter();
  Controller()->DoEnter();
}

void TcxGridSite::DoExit() {
  inherited::DoExit();
  Controller()->DoExit();
}

void TcxGridSite::DoStartDrag(TDragObject*& ADragObject) {
  Controller()->BeforeStartDrag();
  inherited::DoStartDrag(ADragObject);
  Controller()->StartDrag(ADragObject);
}

void TcxGridSite::DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) {
  inherited::DoEndDrag(ATarget, X, Y);
  Controller()->EndDrag(ATarget, X, Y);
}

void TcxGridSite::DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) {
  inherited::DragOver(ASource, X, Y, AState, AAccept);
  Controller()->DragOver(ASource, X, Y, AState, AAccept);
}

void TcxGridSite::DragDrop(TObject* ASource, int32_t X, int32_t Y) {
  inherited::DragDrop(ASource, X, Y);
  Controller()->DragDrop(ASource, X, Y);
}

void TcxGridSite::CancelMouseOperations() {
  inherited::CancelMouseOperations();
  if (Controller()) Controller()->CancelMouseOperations();
}

bool TcxGridSite::CanFocusOnScrollBarClick(TControl* AScrollBar) {
  return inherited::CanFocusOnScrollBarClick(AScrollBar) && !(Container() && Container()->HasFocus());
}

bool TcxGridSite::AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) {
  if (inherited::AllowDesignHitTest(X, Y, AShift)) return true;
  if (Container() && Container()->IsUpdating()) return false;
  return Controller()->IsDesignHitTest(FViewInfo->GetHitTest(POINT{X, Y}));
}

bool TcxGridSite::IsDesigning() const {
  if (TcxCustomGrid* grid = GridView()->Control()) return grid->IsDesigning();
  return GridView()->IsDesigning();
}

bool TcxGridSite::HasFocus() {
  return inherited::HasFocus() || (Controller() && Controller()->HasFocusedChildControl());
}

void TcxGridSite::GetHScrollBarBounds(RECT& R) {
  inherited::GetHScrollBarBounds(R);
  FViewInfo->AdjustHScrollBarBounds(R);
}

TCursor TcxGridSite::GetCursorAt(int32_t X, int32_t Y) {
  const TCursor cursor = Controller()->GetCursor(X, Y);
  return cursor != 0 ? cursor : inherited::GetCursorAt(X, Y);
}

uint8_t TcxGridSite::GetMouseWheelScrollingKind() { return Controller()->GetMouseWheelScrollingKind(); }

bool TcxGridSite::AllowsHidingBothScrollBars(TScrollBarKind AKind) {
  return Controller()->AllowsHidingBothScrollBars(AKind);
}

void TcxGridSite::ComputeScrollBarsData() { Controller()->InitScrollBarsParameters(); }

void TcxGridSite::Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) { Controller()->Scroll(AKind, ACode, APos); }

void TcxGridSite::RefreshScrollBars() {
  if (FViewInfo->IsCalculating()) return;
  TcxCustomGrid* grid = Container();
  if (GridView()->IsVisible() && grid && !grid->IsUpdating()) inherited::RefreshScrollBars();
}

bool TcxGridSite::IsFocusable() { return Controller() && Controller()->CanFocusSite(); }

bool TcxGridSite::StartsDragAndDropAt(POINT P) { return Controller()->PrepareDragAndDrop(P); }

void TcxGridSite::DragAndDropMove(POINT P, bool& AAccepted) {
  inherited::DragAndDropMove(P, AAccepted);
  Controller()->DragAndDropMove(P, AAccepted);
}

void TcxGridSite::DragAndDropEnd(bool AAccepted) {
  inherited::DragAndDropEnd(AAccepted);
  Controller()->DragAndDropEnd(AAccepted);
}

bool TcxGridSite::CanBeginDrag(int32_t X, int32_t Y) {
  return inherited::CanBeginDrag(X, Y) && Controller()->CanBeginDrag(X, Y);
}

// ---- TcxCustomGridPainter ------------------------------------------------------------------------------------------

TcxCustomGridPainter::~TcxCustomGridPainter() {
  FreeObject(FBackgroundRegion);
  FreeObject(FSavedClipRegion);
}

TcxCanvas* TcxCustomGridPainter::Canvas() const { return ViewInfo()->Canvas(); }

void TcxCustomGridPainter::Paint() {
  BeforePaint();
  ScopeExit after([this] { AfterPaint(); });
  PaintContent();
}

void TcxCustomGridPainter::BeforePaint() {
  Controller()->BeforePaint();
  FreeAndNil(FSavedClipRegion);
  FSavedClipRegion = Canvas()->GetClipRegion();
  FreeAndNil(FBackgroundRegion);
  FBackgroundRegion = New<TcxRegion>(ViewInfo()->ClientBounds());
}

void TcxCustomGridPainter::AfterPaint() {
  DrawBackground();
  FreeAndNil(FBackgroundRegion);
  if (FSavedClipRegion) {
    Canvas()->SetClipRegion(FSavedClipRegion, rcmCopy);
    FSavedClipRegion = nullptr;
  }
  Controller()->AfterPaint();
}

void TcxCustomGridPainter::DrawBackground() {
  if (!FBackgroundRegion) return;
  TcxCanvas* canvas = Canvas();
  if (TBitmap* bitmap = ViewInfo()->GetBackgroundBitmap()) {
    TcxRegion* clip = canvas->GetClipRegion();
    TcxRegion* area = New<TcxRegion>();
    area->CombineWith(FBackgroundRegion, rcmCopy, false);
    canvas->SetClipRegion(area, rcmIntersect);
    canvas->FillRect(ViewInfo()->ClientBounds(), bitmap);
    canvas->SetClipRegion(clip, rcmCopy);
  } else {
    canvas->SetBrushColor(ViewInfo()->GetBackgroundColor());
    FillRgn(canvas->Handle(), FBackgroundRegion->Handle(), canvas->Brush()->Handle());
  }
}

void TcxCustomGridPainter::DrawFocusFrame(const RECT& R, bool AHideWhenUnfocused) {
  TcxCanvas* canvas = Canvas();
  if (GridView()->GridHasFocus()) {
    canvas->DrawFocusRect(R);
    return;
  }
  if (AHideWhenUnfocused || IsRectEmpty(&R)) return;
  canvas->InvertRect(RECT{R.left, R.top, R.right, R.top + 1});
  canvas->InvertRect(RECT{R.left, R.bottom - 1, R.right, R.bottom});
  canvas->InvertRect(RECT{R.left, R.top + 1, R.left + 1, R.bottom - 1});
  canvas->InvertRect(RECT{R.right - 1, R.top + 1, R.right, R.bottom - 1});
}

void TcxCustomGridPainter::ExcludeFromBackground(const RECT& R) {
  if (FBackgroundRegion) FBackgroundRegion->CombineWith(New<TcxRegion>(R), rcmSubtract);
}

void TcxCustomGridPainter::InvalidateSite() { Site()->Invalidate(); }

void TcxCustomGridPainter::InvalidateRect(const RECT& R) { Site()->InvalidateRect(R, false); }

void TcxCustomGridPainter::InvalidateRegion(TcxRegion* ARegion) { Site()->InvalidateRegion(ARegion, false); }
