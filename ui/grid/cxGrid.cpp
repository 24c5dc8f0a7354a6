// The grid control: construction and destruction, the change queue with its merge, active level and focused
// view, focus reports, input forwarding, drag-open of level tabs, painting, layout and renaming.

#include "ui/grid/cxGrid.h"

#include <algorithm>

#include "rtl/ObjLinks.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/data/cxCustomData.h"
#include "ui/grid/cxGridCells.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"
#include "ui/grid/cxGridDetailsSite.h"

namespace {

constexpr uint16_t kGridContextMenuKey = 93;
// The non-nil parameter of a context-menu notification that the keyboard asked for.
int gGridKeyboardMenuMarker = 0;

void InvalidateGridSites(TWinControl* AParent) {
  for (int32_t i = 0; i < AParent->ControlCount(); ++i)
    if (auto* child = dynamic_cast<TWinControl*>(AParent->Controls(i))) {
      if (child->Is<TcxGridSite>()) child->Invalidate();
      InvalidateGridSites(child);
    }
}

void InvalidateLevelViews(TcxGridLevel* ALevel) {
  if (!ALevel) return;
  if (TcxCustomGridView* view = ALevel->GridView()) {
    if (view->IsPattern()) {
      for (int32_t i = 0; i < view->CloneCount(); ++i) view->Clones(i)->Invalidate();
    } else
      view->Invalidate();
  }
  for (int32_t i = 0; i < ALevel->VisibleCount(); ++i) InvalidateLevelViews(ALevel->VisibleItems(i));
}

void CollectLevels(TcxGridLevel* ALevel, std::vector<TComponent*>& AList) {
  for (int32_t i = 0; i < ALevel->Count(); ++i) {
    AList.push_back(ALevel->Items(i));
    CollectLevels(ALevel->Items(i), AList);
  }
}

}  // namespace

// ---- handlers -------------------------------------------------------------------------------------------------------

TcxCustomGridView* TcxCustomGridHandler::ActiveView() const { return FControl->ActiveView(); }

TcxCustomGridController* TcxCustomGridHandler::ActiveController() const {
  TcxCustomGridView* view = ActiveView();
  return view ? view->Controller() : nullptr;
}

bool TcxGridDragOpenInfoTab::IsSameInfo(TcxCustomGridDragOpenInfo* AInfo) {
  return inherited::IsSameInfo(AInfo) && static_cast<TcxGridDragOpenInfoTab*>(AInfo)->FLevel == FLevel;
}

void TcxGridDragOpenInfoTab::Run() { FLevel->SetActive(true); }

TcxGridController::~TcxGridController() { StopDragOpen(); }

void TcxGridController::CancelMouseOperations() {
  if (TcxCustomGridController* controller = ActiveController()) controller->CancelMouseOperations();
}

void TcxGridController::ControlFocusChanged() {
  if (TcxCustomGridView* view = ActiveView()) view->AddChange(New<TcxGridControlFocusChange>(view));
}

TcxCustomGridDragOpenInfo* TcxGridController::GetDragOpenInfo(TcxCustomGridHitTest* AHitTest) {
  if (AHitTest && AHitTest->GetHitTestCode() == htTab)
    if (auto* tab = dynamic_cast<TcxGridDetailsSiteTabHitTest*>(AHitTest))
      if (tab->Level()) return New<TcxGridDragOpenInfoTab>(tab->Level());
  return nullptr;
}

void TcxGridController::DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) {
  (void)ASource, (void)AAccept;
  if (!Control()->DragOpening()) return;
  TcxCustomGridHitTest* hitTest = Control()->ViewInfo()->GetHitTest(X, Y);
  TcxCustomGridDragOpenInfo* info = AState != dsDragLeave ? GetDragOpenInfo(hitTest) : nullptr;
  if (!info) {
    StopDragOpen();
    return;
  }
  if (FDragOpenInfo && FDragOpenInfo->IsSameInfo(info)) {
    info->Free();
    return;
  }
  FreeAndNil(FDragOpenInfo);
  FDragOpenInfo = info;
  if (FDragOpenTimer) {
    FDragOpenTimer->SetEnabled(false);
    FDragOpenTimer->SetEnabled(true);
  } else {
    FDragOpenTimer = New<TcxTimer>(nullptr);
    FDragOpenTimer->SetInterval(std::max(Control()->DragOpeningWaitTime(), 1));
    FDragOpenTimer->SetOnTimer(TNotifyEvent(this, &TcxGridController::DragOpenTimerTick));
  }
}

void TcxGridController::DragOpenTimerTick(TObject*) {
  FDragOpenTimer->SetEnabled(false);
  ScopeExit stop([this] { StopDragOpen(); });
  if (FDragOpenInfo) FDragOpenInfo->Run();
}

void TcxGridController::StopDragOpen() {
  FreeAndNil(FDragOpenTimer);
  FreeAndNil(FDragOpenInfo);
}

void TcxGridController::EndDrag(TObject*, int32_t, int32_t) { StopDragOpen(); }

void TcxGridController::KeyDown(uint16_t& AKey, TShiftState) {
  if (AKey == kGridContextMenuKey && !Control()->IsDesigning())
    Control()->NotifyReceivers(gnkContextMenu, &gGridKeyboardMenuMarker);
}

void TcxGridController::MouseDown(TMouseButton AButton, TShiftState AShift, int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = Control()->ViewInfo()->GetHitTest(X, Y);
  if (hitTest && hitTest->ViewInfo()) hitTest->ViewInfo()->MouseDown(hitTest, AButton, AShift);
}

void TcxGridController::MouseMove(TShiftState AShift, int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = Control()->ViewInfo()->GetHitTest(X, Y);
  if (hitTest && hitTest->ViewInfo()) hitTest->ViewInfo()->MouseMove(hitTest, AShift);
}

void TcxGridController::MouseUp(TMouseButton AButton, TShiftState, int32_t, int32_t) {
  if (AButton == mbRight && !Control()->IsDesigning()) Control()->NotifyReceivers(gnkContextMenu, nullptr);
}

void TcxGridPainter::PaintDetailsSite() {
  TcxCustomGridDetailsSiteViewInfo* site = Control()->ViewInfo()->DetailsSiteViewInfo();
  if (site && site->IsVisible()) site->Paint(Control()->ControlCanvas());
}

void TcxGridPainter::PaintBackground() {
  TcxCanvas* canvas = Control()->ControlCanvas();
  canvas->SetBrushColor(Control()->Color());
  canvas->FillRect(Control()->ContentRect());
}

void TcxGridPainter::Invalidate(bool AInvalidateSites) {
  Control()->Invalidate();
  InvalidateLevelViews(Control()->ActiveLevel());
  if (AInvalidateSites) InvalidateGridSites(Control());
}

void TcxGridPainter::InvalidateRect(const RECT& R) { Control()->InvalidateRect(R, false); }

void TcxGridPainter::Paint() {
  PaintDetailsSite();
  PaintBackground();
}

TcxGridViewInfo::~TcxGridViewInfo() { DestroyViewInfos(); }

void TcxGridViewInfo::CreateViewInfos() {
  FDetailsSiteViewInfo = CreateAs<TcxCustomGridDetailsSiteViewInfo>(GetDetailsSiteViewInfoClass(), Control()->RootLevel());
}

void TcxGridViewInfo::DestroyViewInfos() { FreeAndNil(FDetailsSiteViewInfo); }

TClass TcxGridViewInfo::GetDetailsSiteViewInfoClass() { return TcxGridTopDetailsSiteViewInfo::StaticClass(); }

void TcxGridViewInfo::Calculate() {
  DestroyViewInfos();
  CreateViewInfos();
  if (FDetailsSiteViewInfo->IsVisible()) {
    const RECT content = Control()->ContentRect();
    FDetailsSiteViewInfo->Calculate(content.left, content.top);
  }
}

TcxCustomGridHitTest* TcxGridViewInfo::GetHitTest(int32_t X, int32_t Y) {
  TcxCustomGridHitTest* hitTest = FDetailsSiteViewInfo ? FDetailsSiteViewInfo->GetHitTest(POINT{X, Y}) : nullptr;
  if (hitTest) return hitTest;
  hitTest = GetGridHitTest<TcxGridNoneHitTest>(POINT{X, Y});
  hitTest->SetViewInfo(nullptr);
  return hitTest;
}

// ---- TcxCustomGrid: life ----------------------------------------------------------------------------------------------

TcxCustomGrid::~TcxCustomGrid() = default;

void TcxCustomGrid::AfterConstruction() {
  inherited::AfterConstruction();
  SetBorderStyle(cxcbsDefault);
  SetControlStyle(ControlStyle() + csDisplayDragImage);
  // The root's options are set before it joins the grid: these are its defaults and change nothing.
  FRootLevel = CreateAs<TcxGridLevel>(GetLevelClass(), nullptr);
  FRootLevel->Options()->SetDetailFrameWidth(0);
  FRootLevel->Options()->SetDetailTabsPosition(dtpNone);
  FRootLevel->SetControl(this);
  CreateHandlers();
  SetBounds(Left(), Top(), 250, 200);
}

void TcxCustomGrid::BeforeDestruction() {
  Destroying();
  // The sites go off the grid first, so that the window's own destruction never meets them.
  for (int32_t i = 0; i < FRootLevel->VisibleCount(); ++i)
    if (TcxCustomGridView* view = FRootLevel->VisibleItems(i)->GridView())
      if (view->ViewInfo()) view->ViewInfo()->UpdateSiteVisibility(false);
  for (TcxCustomGridView* view : FViews)
    if (view->Site() && view->Site()->Parent() == this) view->Site()->SetParent(nullptr);
  DestroyHandlers();
  FreeAndNil(FRootLevel);
  FActiveLevel = nullptr;
  while (!FViews.empty()) FViews.back()->Free();
  FFocusedView = nullptr;
  FreeQueuedChanges();
  inherited::BeforeDestruction();
}

void TcxCustomGrid::CreateHandlers() {
  FController = CreateAs<TcxGridController>(GetControllerClass(), this);
  FPainter = CreateAs<TcxGridPainter>(GetPainterClass(), this);
  FViewInfo = CreateAs<TcxGridViewInfo>(GetViewInfoClass(), this);
}

void TcxCustomGrid::DestroyHandlers() {
  FreeAndNil(FViewInfo);
  FreeAndNil(FPainter);
  FreeAndNil(FController);
}

TClass TcxCustomGrid::GetControllerClass() { return TcxGridController::StaticClass(); }
TClass TcxCustomGrid::GetLevelClass() { return TcxGridLevel::StaticClass(); }
TClass TcxCustomGrid::GetPainterClass() { return TcxGridPainter::StaticClass(); }
TClass TcxCustomGrid::GetViewInfoClass() { return TcxGridViewInfo::StaticClass(); }

void TcxCustomGrid::Loaded() {
  inherited::Loaded();
  BeginUpdate();
  ScopeExit endUpdate([this] { EndUpdate(); });
  InvalidateLayout();
}

void TcxCustomGrid::GetChildren(TGetChildProc Proc, TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  for (TcxCustomGridView* view : FViews)
    if (view->Owner() == Root) Proc(view);
  for (int32_t i = 0; i < FRootLevel->Count(); ++i)
    if (FRootLevel->Items(i)->Owner() == Root) Proc(FRootLevel->Items(i));
}

void TcxCustomGrid::SetName(const String& NewName) {
  const String oldName = Name();
  inherited::SetName(NewName);
  if (oldName.empty() || oldName == NewName) return;
  std::vector<TComponent*> components(FViews.begin(), FViews.end());
  CollectLevels(FRootLevel, components);
  RenamePrefixedComponents(components, Owner(), oldName, NewName);
}

void RenamePrefixedComponents(const std::vector<TComponent*>& AComponents, TComponent* AOwner, const String& AOldName,
                              const String& ANewName) {
  for (TComponent* component : AComponents) {
    const String& name = component->Name();
    if (component->Owner() != AOwner || name.size() <= AOldName.size() ||
        !SameText(name.substr(0, AOldName.size()), AOldName))
      continue;
    try {
      component->SetName(ANewName + name.substr(AOldName.size()));
    } catch (const EComponentError&) {
      // A name that another component has already keeps this component's old name.
    }
  }
}

// ---- the change queue -------------------------------------------------------------------------------------------------

void TcxCustomGrid::BeginUpdate() { ++FUpdateCount; }

void TcxCustomGrid::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) ProcessChanges();
}

void TcxCustomGrid::CancelUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) FreeQueuedChanges();
}

void TcxCustomGrid::FreeQueuedChanges() {
  std::vector<TcxCustomGridChange*> changes;
  changes.swap(FChanges);
  for (TcxCustomGridChange* change : changes) change->Free();
}

void TcxCustomGrid::AddChange(TcxCustomGridChange* AChange) {
  if (AChange->CanBePostponed() && IsUpdating())
    FChanges.push_back(AChange);
  else
    RunChange(AChange);
}

void TcxCustomGrid::RunChange(TcxCustomGridChange* AChange) {
  ScopeExit freeChange([AChange] { AChange->Free(); });
  if (IsDestroying()) return;
  AChange->SetControl(this);
  AChange->Run();
}

void TcxCustomGrid::ProcessChanges() {
  std::vector<TcxCustomGridChange*> queue;
  queue.swap(FChanges);
  // Whatever is still in the working list when this ends (a change raised) is freed unrun.
  std::vector<TcxCustomGridChange*> work;
  ScopeExit freeRest([&work] {
    for (TcxCustomGridChange* change : work)
      if (change) change->Free();
  });
  work.reserve(queue.size());
  for (size_t q = 0; q < queue.size(); ++q) {
    TcxCustomGridChange* change = queue[q];
    queue[q] = nullptr;
    const bool duplicate = change->IsMergeable() &&
                           std::any_of(work.begin(), work.end(), [change](TcxCustomGridChange* w) { return w->SameAs(change); });
    if (duplicate)
      change->Free();
    else
      work.push_back(change);
  }
  // Later changes that cover an earlier one make it unnecessary...
  for (size_t i = 0; i < work.size();) {
    bool covered = false;
    for (size_t j = i + 1; j < work.size() && !covered; ++j) covered = work[i]->IsCoveredBy(work[j]);
    if (covered) {
      work[i]->Free();
      work.erase(work.begin() + static_cast<ptrdiff_t>(i));
    } else
      ++i;
  }
  // ...and so do earlier ones that cover a later one.
  for (size_t a = work.size(); a-- > 0;) {
    for (size_t b = a; b-- > 0;)
      if (work[a]->IsCoveredBy(work[b])) {
        work[a]->Free();
        work.erase(work.begin() + static_cast<ptrdiff_t>(a));
        break;
      }
  }
  for (TcxCustomGridChange*& change : work) {
    TcxCustomGridChange* running = change;
    change = nullptr;
    RunChange(running);
  }
}

void TcxCustomGrid::InvalidateLayout() {
  if (ComponentState().Contains(csLoading) || !FViewInfo) return;
  AddChange(New<TcxGridLayoutChange>(nullptr));
}

void TcxCustomGrid::InvalidateSize() {
  if (ComponentState().Contains(csLoading) || !FViewInfo) return;
  AddChange(New<TcxGridSizeChange>(nullptr));
}

// ---- levels and views -----------------------------------------------------------------------------------------------

TcxCustomGridView* TcxCustomGrid::ActiveView() const { return FActiveLevel ? FActiveLevel->GridView() : nullptr; }

void TcxCustomGrid::SetActiveLevel(TcxGridLevel* Value) {
  if (Value == FActiveLevel) return;
  if (!Value) Value = IsDestroying() || !FRootLevel ? nullptr : FRootLevel->FirstVisibleItem();
  if (Value == FActiveLevel) return;
  FActiveLevel = Value;
  InvalidateSize();
  if (!ComponentState().Contains(csLoading) && Value) DoActiveTabChanged(Value);
  SetFocusedView(Value ? Value->GridView() : nullptr);
}

void TcxCustomGrid::DoActiveTabChanged(TcxGridLevel* ALevel) {
  if (OnActiveTabChanged) OnActiveTabChanged(this, ALevel);
}

void TcxCustomGrid::DoLayoutChanged(TcxCustomGridView* AGridView) {
  if (OnLayoutChanged) OnLayoutChanged(this, AGridView);
}

TcxCustomGridView* TcxCustomGrid::FindFocusableView(TcxCustomGridView* APrevView) {
  if (APrevView)
    for (TcxCustomGridView* master = APrevView->MasterGridView(); master; master = master->MasterGridView())
      if (!master->IsDestroying()) return master;
  for (int32_t i = 0; i < FRootLevel->Count(); ++i)
    if (TcxCustomGridView* view = FRootLevel->Items(i)->GridView())
      if (!view->IsDestroying()) return view;
  return nullptr;
}

void TcxCustomGrid::SetFocusedView(TcxCustomGridView* Value) {
  if (Value && !Value->CanFocus()) return;
  if (Value == FFocusedView) return;
  TcxCustomGridView* prev = FFocusedView;
  if (!IsDestroying() && ((!Value && ActiveView()) || (Value && Value->IsDestroying()))) {
    Value = FindFocusableView(prev);
    // A replacement that cannot be focused (its level is hidden) would be a focused view off screen.
    if (Value && !Value->CanFocus()) Value = nullptr;
    if (Value == FFocusedView) return;
  }
  FFocusedView = Value;
  if (prev) {
    const bool gridHadFocus = HasFocus();
    // Restoring the previous view may raise in its turn, so this is no cleanup for a scope guard.
    try {
      prev->FocusedChanged(false);
    } catch (...) {
      SetFocusedView(prev);
      throw;
    }
    if (gridHadFocus && !HasFocus() && CanFocus()) SetFocus();
  }
  if (TcxCustomGridView* view = FFocusedView) {
    view->FocusedChanged(true);
    if (view->Level()) view->Level()->SetActive(true);
  } else if (HasFocus() && CanFocusWithForm())
    SetFocus();
  DoFocusedViewChanged(prev, FFocusedView);
}

void TcxCustomGrid::DoFocusedViewChanged(TcxCustomGridView* APrevView, TcxCustomGridView* AView) {
  if (IsDestroying()) return;
  NotifyReceivers(gnkFocusedViewChanged, nullptr);
  if (OnFocusedViewChanged) OnFocusedViewChanged(this, APrevView, AView);
}

void TcxCustomGrid::CheckFocusedView() {
  if (!FFocusedView || FFocusedView->CanFocus()) return;
  TcxCustomGridView* active = ActiveView();
  SetFocusedView(active && active->CanFocus() ? active : nullptr);
}

void TcxCustomGrid::AddView(TcxCustomGridView* AView) {
  if (std::find(FViews.begin(), FViews.end(), AView) != FViews.end()) return;
  FViews.push_back(AView);
  if (AView->DataController()) AView->DataController()->LinkToMasterRelation(nullptr, true);
}

void TcxCustomGrid::RemoveView(TcxCustomGridView* AView) {
  FViews.erase(std::remove(FViews.begin(), FViews.end(), AView), FViews.end());
  for (size_t i = FChanges.size(); i-- > 0;)
    if (auto* change = dynamic_cast<TcxCustomGridViewChange*>(FChanges[i]); change && change->GridView() == AView) {
      FChanges.erase(FChanges.begin() + static_cast<ptrdiff_t>(i));
      change->Free();
    }
  if (FFocusedView == AView) FFocusedView = nullptr;
}

void TcxCustomGrid::AddChildComponent(TcxControlChildComponent* AChild) {
  inherited::AddChildComponent(AChild);
  if (auto* view = dynamic_cast<TcxCustomGridView*>(AChild)) AddView(view);
}

void TcxCustomGrid::RemoveChildComponent(TcxControlChildComponent* AChild) {
  if (auto* view = dynamic_cast<TcxCustomGridView*>(AChild)) RemoveView(view);
  inherited::RemoveChildComponent(AChild);
}

// ---- notifications and focus ------------------------------------------------------------------------------------------

void TcxCustomGrid::AddNotificationReceiver(IcxGridNotificationReceiver* AReceiver) {
  if (std::find(FNotificationReceivers.begin(), FNotificationReceivers.end(), AReceiver) == FNotificationReceivers.end())
    FNotificationReceivers.push_back(AReceiver);
}

void TcxCustomGrid::RemoveNotificationReceiver(IcxGridNotificationReceiver* AReceiver) {
  FNotificationReceivers.erase(std::remove(FNotificationReceivers.begin(), FNotificationReceivers.end(), AReceiver),
                               FNotificationReceivers.end());
}

void TcxCustomGrid::NotifyReceivers(TcxGridNotificationKind AKind, void* AParam) {
  for (IcxGridNotificationReceiver* receiver : std::vector<IcxGridNotificationReceiver*>(FNotificationReceivers))
    if (receiver->GetSupportedNotificationKinds().Contains(AKind)) receiver->Notify(AKind, AParam);
}

void TcxCustomGrid::ReportFocus(bool AFocused) {
  if (IsDestroying()) return;
  if (AFocused && FReportedFocus) return;
  if (!AFocused && HasFocus()) return;
  FReportedFocus = AFocused;
  FController->ControlFocusChanged();
}

bool TcxCustomGrid::HasFocus() {
  if (inherited::HasFocus()) return true;
  TCustomForm* form = GetParentForm(this);
  TWinControl* active = form ? form->ActiveControl() : nullptr;
  if (!active || active == this || !HandleAllocated() || !active->HandleAllocated() || !active->Focused()) return false;
  if (!IsChild(Handle(), active->Handle())) return false;
  auto* control = dynamic_cast<TcxControl*>(active);
  return !control || control->HasFocus();
}

void TcxCustomGrid::FocusChanged() {
  inherited::FocusChanged();
  if (!IsDestroying() && HasFocus() && FFocusedView) FFocusedView->FocusedChanged(true);
}

void TcxCustomGrid::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FFocusedView) FFocusedView->UpdateTabStop(true);
}

// ---- input and painting -----------------------------------------------------------------------------------------------

void TcxCustomGrid::CancelMouseOperations() {
  inherited::CancelMouseOperations();
  if (FController) FController->CancelMouseOperations();
}

void TcxCustomGrid::ClientAreaChanged() {
  InvalidateSize();
  inherited::ClientAreaChanged();
}

void TcxCustomGrid::LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues) {
  inherited::LookAndFeelChanged(Sender, AChangedValues);
  for (TcxCustomGridView* view : std::vector<TcxCustomGridView*>(FViews)) view->LookAndFeelChanged();
  InvalidateSize();
}

TCursor TcxCustomGrid::GetCursorAt(int32_t X, int32_t Y) {
  const TCursor cursor = FController ? FController->GetCursor(X, Y) : 0;
  return cursor != 0 ? cursor : inherited::GetCursorAt(X, Y);
}

bool TcxCustomGrid::AllowDesignHitTest(int32_t X, int32_t Y, TShiftState AShift) {
  if (inherited::AllowDesignHitTest(X, Y, AShift)) return true;
  if (!AShift.Contains(ssLeft) || !FViewInfo) return false;
  TcxCustomGridHitTest* hitTest = FViewInfo->GetHitTest(X, Y);
  return hitTest && hitTest->GetHitTestCode() == htTab;
}

void TcxCustomGrid::Paint() { FPainter->Paint(); }

void TcxCustomGrid::KeyDown(uint16_t& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  FController->KeyDown(Key, Shift);
}

void TcxCustomGrid::KeyUp(uint16_t& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  FController->KeyUp(Key, Shift);
}

void TcxCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomGrid> alive(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (alive) FController->MouseDown(Button, Shift, X, Y);
}

void TcxCustomGrid::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  inherited::MouseMove(Shift, X, Y);
  FController->MouseMove(Shift, X, Y);
}

void TcxCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TObjectLink<TcxCustomGrid> alive(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (alive) FController->MouseUp(Button, Shift, X, Y);
}

void TcxCustomGrid::DragOver(TObject* ASource, int32_t X, int32_t Y, TDragState AState, bool& AAccept) {
  inherited::DragOver(ASource, X, Y, AState, AAccept);
  FController->DragOver(ASource, X, Y, AState, AAccept);
}

void TcxCustomGrid::DoEndDrag(TObject* ATarget, int32_t X, int32_t Y) {
  inherited::DoEndDrag(ATarget, X, Y);
  FController->EndDrag(ATarget, X, Y);
}

// ---- TcxGrid --------------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxGrid) {
  using C = TcxGrid;
  prop("BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(cxcbsDefault);
  prop("DragOpening", &C::DragOpening, &C::SetDragOpening).Default(true);
  prop("DragOpeningWaitTime", &C::DragOpeningWaitTime, &C::SetDragOpeningWaitTime).Default(800);
  prop("LookAndFeel", &C::LookAndFeel, &C::SetLookAndFeel);
  prop("RootLevelOptions", &C::RootLevelOptions, &C::SetRootLevelOptions);
  prop("RootLevelStyles", &C::RootLevelStyles, &C::SetRootLevelStyles);
  prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  event("OnActiveTabChanged", &C::OnActiveTabChanged, &C::OnActiveTabChanged);
  event("OnFocusedViewChanged", &C::OnFocusedViewChanged, &C::OnFocusedViewChanged);
  event("OnLayoutChanged", &C::OnLayoutChanged, &C::OnLayoutChanged);
}
