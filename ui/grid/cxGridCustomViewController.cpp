// The hit-test cache, the view controller base (routing of presses and moves to cells, cell hints, focus
// hand-over) and the base of the internal drag-and-drop objects.

#include "ui/grid/cxGridCustomViewController.h"

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/ScopeExit.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCells.h"
#include "ui/grid/cxGridCustomViewInfo.h"

namespace {

constexpr int32_t kHintTimerInterval = 100;
// The width limit of a single-line hint: none.
constexpr int32_t kUnlimitedHintWidth = 107374182;

}  // namespace

// ---- TGridHitTests ----------------------------------------------------------------------------------------------

TGridHitTests::~TGridHitTests() {
  for (TcxCustomGridHitTest* hitTest : FItems) hitTest->Free();
}

TcxCustomGridHitTest* TGridHitTests::Obtain(TClass AClass) {
  for (TcxCustomGridHitTest* hitTest : FItems)
    if (hitTest->ClassType() == AClass) return hitTest;
  auto* hitTest = CreateAs<TcxCustomGridHitTest>(AClass);
  FItems.push_back(hitTest);
  return hitTest;
}

// ---- TcxCustomGridController --------------------------------------------------------------------------------------

TcxCustomGridController::~TcxCustomGridController() = default;

void TcxCustomGridController::BeforeDestruction() {
  HideHint();
  FreeAndNil(FHintWindow);
  inherited::BeforeDestruction();
}

void TcxCustomGridController::MouseLeave() { HideHint(); }

void TcxCustomGridController::AfterPaint() {
  if (IsDragAndDropInProgress())
    if (TcxCustomGridDragAndDropObject* object = GetDragAndDropObject()) object->AfterPaint();
}

void TcxCustomGridController::BeforePaint() {
  if (IsDragAndDropInProgress())
    if (TcxCustomGridDragAndDropObject* object = GetDragAndDropObject()) object->BeforePaint();
}

bool TcxCustomGridController::CanHandleHitTest(TcxCustomGridHitTest* AHitTest) {
  auto* viewHitTest = dynamic_cast<TcxCustomGridViewHitTest*>(AHitTest);
  return !viewHitTest || viewHitTest->GridView() == GridView();
}

void TcxCustomGridController::FocusEnter() {
  FFocusing = true;
  ScopeExit reset([this] { FFocusing = false; });
  DoFocusEnter();
}

bool TcxCustomGridController::IsDesignHitTest(TcxCustomGridHitTest* AHitTest) {
  return AHitTest && AHitTest->GetDragAndDropObjectClass() != nullptr;
}

void TcxCustomGridController::FocusLeave() {
  BeforeFocusLeave();
  GridView()->UpdateTabStop(false);
  if (!GridView()->IsVisible() && Site()) Site()->SetParent(nullptr);
}

void TcxCustomGridController::DoFocusEnter() {
  TcxCustomGridView* view = GridView();
  view->UpdateTabStop(true);
  ViewInfo()->UpdateSiteVisibility(true);
  if (view->GridHasFocus() && Site()->CanFocusWithForm()) Site()->SetFocus();
  if (view->IsDetail())
    if (TcxCustomGridView* master = view->MasterGridView()) master->Controller()->DetailFocused(view);
}

void TcxCustomGridController::ControlFocusChanged() { ViewInfo()->ControlFocusChanged(); }

TCursor TcxCustomGridController::GetCursor(int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = ViewInfo()->GetHitTest(POINT{X, Y});
  return hitTest && CanHandleHitTest(hitTest) ? hitTest->GetCursor() : 0;
}

bool TcxCustomGridController::PrepareDragAndDrop(POINT P) {
  TcxCustomGridHitTest* hitTest = ViewInfo()->GetHitTest(P);
  if (!hitTest || !CanHandleHitTest(hitTest)) return false;
  TClass objectClass = hitTest->GetDragAndDropObjectClass();
  if (!objectClass) return false;
  HideHint();
  Site()->SetDragAndDropObjectClass(objectClass);
  if (auto* object = dynamic_cast<TcxCustomGridDragAndDropObject*>(Site()->DragAndDropObject()))
    object->Init(P, hitTest);
  return true;
}

bool TcxCustomGridController::CanShowHint() {
  TcxGridSite* site = Site();
  if (!site || !site->HandleAllocated() || !IsWindowVisible(site->Handle())) return false;
  TCustomForm* form = GetParentForm(site);
  const bool active = (form && form->Active()) ||
                      (Application && Application->Active() && (!form || form->FormStyle() == fsMDIForm));
  if (!active) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  return WindowFromPoint(cursor) == site->Handle();
}

TClass TcxCustomGridController::GetHintWindowClass() { return THintWindow::StaticClass(); }

void TcxCustomGridController::MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
  FIsDblClick = AShift.Contains(ssDouble);
  TcxCustomGridHitTest* hitTest = ViewInfo()->GetHitTest(POINT{X, Y});
  if (hitTest && hitTest->ViewInfo()) hitTest->ViewInfo()->MouseDown(hitTest, AButton, AShift);
}

void TcxCustomGridController::MouseMove(TShiftState AShift, int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = ViewInfo()->GetHitTest(POINT{X, Y});
  if (!hitTest) return;
  if (TcxCustomGridCellViewInfo* capture = GetCaptureCellViewInfo())
    capture->MouseMove(hitTest, AShift);
  else if (hitTest->ViewInfo())
    hitTest->ViewInfo()->MouseMove(hitTest, AShift);
}

void TcxCustomGridController::MouseUp(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = ViewInfo()->GetHitTest(POINT{X, Y});
  if (!hitTest) return;
  if (TcxCustomGridCellViewInfo* capture = GetCaptureCellViewInfo())
    capture->MouseUp(hitTest, AButton, AShift);
  else if (hitTest->ViewInfo())
    hitTest->ViewInfo()->MouseUp(hitTest, AButton, AShift);
}

TcxCustomGridDragAndDropObject* TcxCustomGridController::GetDragAndDropObject() const {
  TcxGridSite* site = Site();
  if (!site || !site->HasDragAndDropObject()) return nullptr;
  return dynamic_cast<TcxCustomGridDragAndDropObject*>(site->DragAndDropObject());
}

bool TcxCustomGridController::IsDragAndDropInProgress() const { return Site() && Site()->DragAndDropState() == ddActive; }

TcxCustomGridCellViewInfo* TcxCustomGridController::GetCaptureCellViewInfo() const {
  return Site() ? dynamic_cast<TcxCustomGridCellViewInfo*>(Site()->CaptureObject()) : nullptr;
}

void TcxCustomGridController::SetDragAndDropObjectClass(TClass AClass) { Site()->SetDragAndDropObjectClass(AClass); }

void TcxCustomGridController::ShowHint(const RECT& AHintArea, const RECT& ATextArea, TFont* AFont, bool AMultiLine,
                                       const String& AText) {
  if (!CanShowHint()) return;
  if (!FHintWindow) {
    FHintWindow = CreateAs<THintWindow>(GetHintWindowClass(), nullptr);
    FHintWindow->SetColor(Application ? Application->HintColor() : clInfoBk);
  } else if (FHintWindow->IsHintVisible()) {
    if (AText == FHintText && EqualRect(&AHintArea, &FHintAreaBounds)) return;
    StopMouseTracking(this);
  }
  FHintAreaBounds = AHintArea;
  FHintText = AText;
  if (AFont) {
    FHintWindow->Font()->Assign(AFont);
    FHintWindow->Canvas()->SetFont(AFont);
  }
  RECT r = FHintWindow->CalcHintRect(AMultiLine ? ATextArea.right - ATextArea.left : kUnlimitedHintWidth, AText);
  r.right -= 6;
  r.bottom -= 2;
  const POINT origin = Site()->ClientToScreen(POINT{ATextArea.left, ATextArea.top});
  OffsetRect(&r, origin.x - r.left, origin.y - r.top);
  RECT window{};
  GetWindowRect(FHintWindow->Handle(), &window);
  POINT client{0, 0};
  ClientToScreen(FHintWindow->Handle(), &client);
  InflateRect(&r, client.x - window.left + 2, client.y - window.top + 2);
  FitRectToWorkArea(r, POINT{r.left, r.top});
  r.bottom -= 4;
  FHintWindow->ActivateHint(r, AText);
  StartMouseTracking(Site(), AHintArea, this);
  if (!FHintTimer) {
    FHintTimer = New<TcxTimer>(nullptr);
    FHintTimer->SetInterval(kHintTimerInterval);
    FHintTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomGridController::HintTimerTick));
  }
}

void TcxCustomGridController::HintTimerTick(TObject*) {
  if (!CanShowHint()) HideHint();
}

void TcxCustomGridController::HideHint() {
  FreeAndNil(FHintTimer);
  StopMouseTracking(this);
  if (FHintWindow && FHintWindow->HandleAllocated()) ShowWindow(FHintWindow->Handle(), SW_HIDE);
  FHintText.clear();
}

void TcxCustomGridController::NotifyDesignerModified() { Site()->NotifyDesignerModified(); }

void TcxCustomGridController::UpdateScrollBars() { Site()->RefreshScrollBars(); }

// ---- TcxCustomGridDragAndDropObject --------------------------------------------------------------------------------

TcxGridSite* TcxCustomGridDragAndDropObject::Site() const { return static_cast<TcxGridSite*>(Control()); }
TcxCustomGridView* TcxCustomGridDragAndDropObject::GridView() const { return Site()->GridView(); }
TcxCustomGridController* TcxCustomGridDragAndDropObject::Controller() const { return GridView()->Controller(); }
TcxCustomGridViewInfo* TcxCustomGridDragAndDropObject::ViewInfo() const { return Site()->ViewInfo(); }

void TcxCustomGridDragAndDropObject::Init(POINT P, TcxCustomGridHitTest* AHitTest) {
  (void)AHitTest;
  FSourcePoint = P;
}

void TcxCustomGridDragAndDropObject::DragDropFinished(bool AAccepted) {
  inherited::DragDropFinished(AAccepted);
  if (AAccepted) Control()->NotifyDesignerModified();
}
