// The custom grid view: its handlers, options and styles, its update bracket and changes, the synchronisation
// of a pattern with its clones, and the changes of the grid's queue that belong to the spine.

#include "ui/grid/cxGridCustomView.h"

#include <algorithm>

#include "forms/Graphics.h"
#include "rtl/Filer.h"
#include "rtl/ScopeExit.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/data/cxCustomData.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridCustomViewInfo.h"
#include "ui/grid/cxGridLevel.h"

namespace {

// Stores a new handler of a view's event; answers whether it changed.
template <class E>
bool ChangeViewEvent(E& AField, const E& AValue) {
  if (AField == AValue) return false;
  AField = AValue;
  return true;
}

bool IsViewProviderLocked(TcxCustomDataController* ADataController) {
  return ADataController && ADataController->Provider() && ADataController->Provider()->LockNesting() != 0;
}

}  // namespace

TcxCustomGridView* GridViewOfDataController(TcxCustomDataController* ADataController) {
  auto* design = dynamic_cast<IcxGridDataControllerDesign*>(ADataController);
  return design ? design->GetGridView() : nullptr;
}

// ---- changes ----------------------------------------------------------------------------------------------------

bool TcxCustomGridViewChange::SameAs(TcxCustomGridChange* AChange) {
  return inherited::SameAs(AChange) && static_cast<TcxCustomGridViewChange*>(AChange)->GridView() == FGridView;
}

bool TcxGridLayoutChange::IsCoveredBy(TcxCustomGridChange* AChange) {
  TcxCustomGridView* view = GridView();
  if (auto* layout = dynamic_cast<TcxGridLayoutChange*>(AChange)) {
    TcxCustomGridView* other = layout->GridView();
    return !other || (view && view->HasAsMaster(other));
  }
  if (auto* size = dynamic_cast<TcxGridSizeChange*>(AChange)) {
    TcxCustomGridView* other = size->GridView();
    return !other || (view && (other == view || view->HasAsMaster(other)));
  }
  return false;
}

void TcxGridLayoutChange::Run() {
  if (TcxCustomGridView* view = GridView()) {
    if (view->CanRecalculate()) {
      const RECT bounds = view->Site()->BoundsRect();
      if (!IsRectEmpty(&bounds)) {
        view->ViewInfo()->MainCalculate(bounds);
        view->Painter()->InvalidateSite();
      }
    }
  } else if (Control()) {
    Control()->ViewInfo()->Calculate();
    Control()->Painter()->Invalidate(true);
  }
  if (Control()) Control()->DoLayoutChanged(GridView());
}

bool TcxGridSizeChange::SameAs(TcxCustomGridChange* AChange) {
  if (!inherited::SameAs(AChange)) return false;
  auto* other = static_cast<TcxGridSizeChange*>(AChange);
  return other->FMastersUnchanged == FMastersUnchanged && other->FThisViewOnly == FThisViewOnly;
}

bool TcxGridSizeChange::IsCoveredBy(TcxCustomGridChange* AChange) {
  if (!FThisViewOnly) return false;
  auto* other = dynamic_cast<TcxGridSizeChange*>(AChange);
  return other && other->GridView() == GridView() && other->FMastersUnchanged == FMastersUnchanged;
}

void TcxGridSizeChange::Run() {
  TcxCustomGridView* view = GridView();
  if (!view) {
    if (!Control()) return;
    if (TcxCustomGridView* active = Control()->ActiveView())
      active->InvalidateSize(false, FMastersUnchanged);
    else
      Control()->InvalidateLayout();
    return;
  }
  if (!view->CanRecalculate()) return;
  view->ViewInfoCache()->UnassignValues(FMastersUnchanged);
  if (FThisViewOnly && FMastersUnchanged) {
    view->InvalidateLayout(true);
    return;
  }
  TcxCustomGridView* master = view->MasterGridView();
  if (!master) {
    if (view->IsPattern() || !view->Control())
      view->InvalidateLayout(true);
    else
      view->Control()->InvalidateLayout();
    return;
  }
  if (view->IsPattern()) return;
  // A master that refuses the change (it is loading, calculating or going) leaves the detail to itself.
  if (!master->InvalidateSize(false, FMastersUnchanged)) view->InvalidateLayout(true);
}

bool TcxGridViewChange::SameAs(TcxCustomGridChange* AChange) {
  return inherited::SameAs(AChange) && EqualRect(&static_cast<TcxGridViewChange*>(AChange)->FInvalidRect, &FInvalidRect);
}

bool TcxGridViewChange::IsCoveredBy(TcxCustomGridChange* AChange) {
  if (auto* layout = dynamic_cast<TcxGridLayoutChange*>(AChange)) return layout->GridView() == GridView();
  if (auto* size = dynamic_cast<TcxGridSizeChange*>(AChange)) return size->GridView() == GridView();
  return false;
}

void TcxGridViewChange::Run() {
  TcxCustomGridView* view = GridView();
  if (!view || !view->Painter()) return;
  if (IsRectEmpty(&FInvalidRect))
    view->Painter()->InvalidateSite();
  else
    view->Painter()->InvalidateRect(FInvalidRect);
}

void TcxGridControlFocusChange::Run() {
  TcxCustomGridView* view = GridView();
  if (view && view->CanRecalculate()) view->Controller()->ControlFocusChanged();
}

// ---- TcxGridViewHandler --------------------------------------------------------------------------------------------

TcxGridViewHandler::TcxGridViewHandler(TcxCustomGridView* AGridView)
    : TcxInterfacedPersistent(AGridView), FGridView(AGridView) {}

TcxCustomGrid* TcxGridViewHandler::Control() const { return FGridView->Control(); }
TcxCustomLookAndFeelPainterClass TcxGridViewHandler::LookAndFeelPainter() const { return FGridView->LookAndFeelPainter(); }
TcxCustomGridController* TcxGridViewHandler::Controller() const { return FGridView->Controller(); }
TcxCustomDataController* TcxGridViewHandler::DataController() const { return FGridView->DataController(); }
TcxCustomGridPainter* TcxGridViewHandler::Painter() const { return FGridView->Painter(); }
TcxGridSite* TcxGridViewHandler::Site() const { return FGridView->Site(); }
TcxCustomGridViewData* TcxGridViewHandler::ViewData() const { return FGridView->ViewData(); }
TcxCustomGridViewInfo* TcxGridViewHandler::ViewInfo() const { return FGridView->ViewInfo(); }
void TcxGridViewHandler::BeginUpdate() { FGridView->BeginUpdate(); }
void TcxGridViewHandler::EndUpdate() { FGridView->EndUpdate(); }

// ---- options -----------------------------------------------------------------------------------------------------

void TcxCustomGridOptions::AfterConstruction() {
  inherited::AfterConstruction();
  if (FGridView) FGridView->FOptionsList.push_back(this);
}

void TcxCustomGridOptions::BeforeDestruction() {
  if (FGridView) {
    auto& list = FGridView->FOptionsList;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  inherited::BeforeDestruction();
}

void TcxCustomGridOptions::Assign(TPersistent* Source) {
  if (dynamic_cast<TcxCustomGridOptions*>(Source)) return;
  inherited::Assign(Source);
}

void TcxCustomGridOptions::Changed(TcxGridViewChangeKind AChangeKind) { FGridView->Changed(AChangeKind); }

TPersistent* TcxCustomGridOptions::GetOwner() { return FGridView; }

RTL_PUBLISHED(TcxCustomGridBackgroundBitmaps) {
  prop("Background", &TcxCustomGridBackgroundBitmaps::Background, &TcxCustomGridBackgroundBitmaps::SetBackground)
      .Stored(&TcxCustomGridBackgroundBitmaps::IsBackgroundStored);
}

TcxCustomGridBackgroundBitmaps::~TcxCustomGridBackgroundBitmaps() {
  for (TBitmap* bitmap : FItems) FreeObject(bitmap);
}

void TcxCustomGridBackgroundBitmaps::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxCustomGridBackgroundBitmaps*>(Source)) {
    if (source->IsValueStored(0) || IsValueStored(0)) SetBackground(source->Background());
  }
  inherited::Assign(Source);
}

TBitmap* TcxCustomGridBackgroundBitmaps::GetValue(int32_t Index) {
  if (Index < 0) return nullptr;
  if (static_cast<size_t>(Index) >= FItems.size()) FItems.resize(static_cast<size_t>(Index) + 1, nullptr);
  TBitmap*& bitmap = FItems[static_cast<size_t>(Index)];
  if (!bitmap) {
    bitmap = New<TBitmap>();
    bitmap->OnChange = TNotifyEvent(this, &TcxCustomGridBackgroundBitmaps::BitmapChanged);
  }
  return bitmap;
}

void TcxCustomGridBackgroundBitmaps::SetValue(int32_t Index, TBitmap* Value) {
  if (TBitmap* bitmap = GetValue(Index)) bitmap->Assign(Value);
}

bool TcxCustomGridBackgroundBitmaps::IsValueStored(int32_t Index) const {
  return Index >= 0 && static_cast<size_t>(Index) < FItems.size() && FItems[static_cast<size_t>(Index)] &&
         !FItems[static_cast<size_t>(Index)]->Empty();
}

TBitmap* TcxCustomGridBackgroundBitmaps::GetStyleBitmap(int32_t Index) {
  const int32_t styleIndex = GetStyleIndex(Index);
  if (styleIndex == -1 || !GridView()->Styles()) return nullptr;
  return GridView()->Styles()->GetAssignedBitmap(styleIndex);
}

TBitmap* TcxCustomGridBackgroundBitmaps::GetEffectiveBitmap(int32_t Index) {
  if (IsValueStored(Index)) return FItems[static_cast<size_t>(Index)];
  return GetStyleBitmap(Index);
}

void TcxCustomGridBackgroundBitmaps::BitmapChanged(TObject*) { Changed(vcLayout); }

RTL_PUBLISHED(TcxCustomGridOptionsBehavior) {
  prop("PostponedSynchronization", &TcxCustomGridOptionsBehavior::PostponedSynchronization,
       &TcxCustomGridOptionsBehavior::SetPostponedSynchronization)
      .Default(true);
}

void TcxCustomGridOptionsBehavior::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxCustomGridOptionsBehavior*>(Source))
    SetPostponedSynchronization(source->PostponedSynchronization());
  inherited::Assign(Source);
}

bool TcxCustomGridOptionsBehavior::PostponedSynchronization() const {
  TcxCustomGridView* pattern = GridView()->PatternGridView();
  if (pattern != GridView() && pattern->OptionsBehavior()) return pattern->OptionsBehavior()->FPostponedSynchronization;
  return FPostponedSynchronization;
}

void TcxCustomGridOptionsBehavior::SetPostponedSynchronization(bool Value) {
  if (FPostponedSynchronization == Value) return;
  FPostponedSynchronization = Value;
  Changed(vcProperty);
}

RTL_PUBLISHED(TcxCustomGridOptionsView) {
  prop("ScrollBars", &TcxCustomGridOptionsView::ScrollBars, &TcxCustomGridOptionsView::SetScrollBars).Default(ssBoth);
}

void TcxCustomGridOptionsView::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxCustomGridOptionsView*>(Source)) SetScrollBars(source->ScrollBars());
  inherited::Assign(Source);
}

TScrollStyle TcxCustomGridOptionsView::ScrollBars() const {
  TcxGridSite* site = GridView()->Site();
  return site ? site->ScrollBars() : ssBoth;
}

void TcxCustomGridOptionsView::SetScrollBars(TScrollStyle Value) {
  TcxGridSite* site = GridView()->Site();
  if (!site || site->ScrollBars() == Value) return;
  site->SetScrollBars(Value);
  Changed(vcProperty);
}

// ---- styles ------------------------------------------------------------------------------------------------------

void TcxCustomGridStyles::CollectComponentLinks(TList* AList) {
  TcxCustomGridView* view = GetGridView();
  for (int32_t i = 0; i < Count(); ++i) {
    TComponent* owner = Items(i).Item->Owner();
    if (owner && (!view || owner != view->Owner()) && AList->IndexOf(owner) == -1) AList->Add(owner);
  }
}

void TcxCustomGridStyles::GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) {
  inherited::GetDefaultParams(Index, AData, AParams);
  TcxCustomGridView* view = GetGridView();
  if (!view) return;
  if (view->Control())
    AParams.Font = view->Control()->Font();
  else if (view->Painter())
    AParams.Font = view->Painter()->Canvas()->Font();
}

void TcxCustomGridStyles::ValueChanged(int32_t Index) {
  inherited::ValueChanged(Index);
  TcxCustomGridView* view = GetGridView();
  if (!view || view->IsDestroying()) return;
  view->UpdateFakeComponentLinks();
  view->Changed(vcSize);
}

RTL_PUBLISHED(TcxCustomGridViewStyles) {
  prop("StyleSheet", &TcxCustomGridViewStyles::StyleSheet, &TcxCustomGridViewStyles::SetStyleSheet);
  prop("Background", &TcxCustomGridViewStyles::Background, &TcxCustomGridViewStyles::SetBackground);
}

void TcxCustomGridViewStyles::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* source = dynamic_cast<TcxCustomGridViewStyles*>(Source)) SetBackground(source->Background());
}

TcxCustomGridView* TcxCustomGridViewStyles::GetGridView() { return dynamic_cast<TcxCustomGridView*>(Owner()); }

void TcxCustomGridViewStyles::GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) {
  inherited::GetDefaultParams(Index, AData, AParams);
  if (Index == vsBackground) {
    AParams.Color = GetGridView()->LookAndFeelPainter()->DefaultContentColor();
    AParams.TextColor = clGrayText;
  }
}

// ---- TcxCustomGridView: life -----------------------------------------------------------------------------------------

#define CX_GRID_VIEW_PUBLISH_SITE_EVENT(Type, Name) event(#Name, &C::Name, &C::Set##Name);

RTL_PUBLISHED(TcxCustomGridView) {
  using C = TcxCustomGridView;
  prop("DragMode", &C::DragMode, &C::SetDragMode).Default(dmManual);
  prop("PopupMenu", &C::PopupMenu, &C::SetPopupMenu);
  prop("Synchronization", &C::Synchronization, &C::SetSynchronization).Default(true);
  CX_GRID_VIEW_SITE_EVENTS(CX_GRID_VIEW_PUBLISH_SITE_EVENT)
  event("OnGetStoredProperties", &C::OnGetStoredProperties, &C::SetOnGetStoredProperties);
  event("OnGetStoredPropertyValue", &C::OnGetStoredPropertyValue, &C::SetOnGetStoredPropertyValue);
  event("OnSetStoredPropertyValue", &C::OnSetStoredPropertyValue, &C::SetOnSetStoredPropertyValue);
}
#undef CX_GRID_VIEW_PUBLISH_SITE_EVENT

TcxCustomGridView::~TcxCustomGridView() = default;

TcxCustomGridView* TcxCustomGridView::CreateForGrid(TClass AClass, TcxCustomGrid* AGrid) {
  auto* view = CreateAs<TcxCustomGridView>(AClass, AGrid->Owner());
  view->SetControl(AGrid);
  return view;
}

void TcxCustomGridView::SetupDefaults() {
  inherited::SetupDefaults();
  FSynchronization = true;
  CreateOptions();
  CreateHandlers();
}

void TcxCustomGridView::ReleaseFromMaster() {
  // A clone is owned by the form as well as held by its master record's detail object; freed by the form,
  // it takes itself out of the detail object so that the master never frees or reaches it again.
  if (!IsDetail() || MasterRecordIndex() == -1) return;
  TcxCustomDataController* master = FDataController->GetMasterDataController();
  TcxCustomDataRelation* relation = FDataController->GetMasterRelation();
  // While the master's controller is being freed (its view no longer answers it), its detail objects free
  // the clones themselves.
  TcxCustomGridView* masterView = GridViewOfDataController(master);
  if (!relation || !masterView || masterView->DataController() != master || !master->Relations()) return;
  const int32_t record = MasterRecordIndex();
  if (record < 0 || record >= master->GetRecordCount()) return;
  TcxDetailObject* object = master->Relations()->PeekDetailObject(record);
  const int32_t index = relation->Index();
  if (object && object->LinkObjects(index) == this) object->SetLinkObject(index, nullptr);
}

void TcxCustomGridView::BeforeDestruction() {
  Destroying();
  ReleaseFromMaster();
  SetFocused(false);
  if (FPatternGridView) FPatternGridView->RemoveClone(this);
  for (TcxCustomGridView* clone : FClones) clone->FPatternGridView = nullptr;
  FClones.clear();
  if (FLevel && FLevel->GridView() == this) FLevel->SetGridView(nullptr);
  DestroyHandlers();
  DestroyOptions();
  for (TcxGridListenerLink* link : FListenerLinks) link->FGridView = nullptr;
  FListenerLinks.clear();
  inherited::BeforeDestruction();
}

void TcxCustomGridView::CreateOptions() {
  FBackgroundBitmaps = CreateAs<TcxCustomGridBackgroundBitmaps>(GetBackgroundBitmapsClass(), this);
  FOptionsBehavior = CreateAs<TcxCustomGridOptionsBehavior>(GetOptionsBehaviorClass(), this);
  FOptionsData = CreateAs<TcxCustomGridOptionsData>(GetOptionsDataClass(), this);
  FOptionsSelection = CreateAs<TcxCustomGridOptionsSelection>(GetOptionsSelectionClass(), this);
  FOptionsView = CreateAs<TcxCustomGridOptionsView>(GetOptionsViewClass(), this);
  FStyles = CreateAs<TcxCustomGridStyles>(GetStylesClass(), this);
}

void TcxCustomGridView::DestroyOptions() {
  if (FStyles && Control()) Control()->RemoveFontListener(FStyles);
  FreeAndNil(FStyles);
  FreeAndNil(FOptionsView);
  FreeAndNil(FOptionsSelection);
  FreeAndNil(FOptionsData);
  FreeAndNil(FOptionsBehavior);
  FreeAndNil(FBackgroundBitmaps);
  FOptionsList.clear();
}

void TcxCustomGridView::CreateHandlers() {
  FController = CreateAs<TcxCustomGridController>(GetControllerClass(), this);
  FDataController = CreateAs<TcxCustomDataController>(GetDataControllerClass(), this);
  HookDataController();
  FPainter = CreateAs<TcxCustomGridPainter>(GetPainterClass(), this);
  FViewData = CreateAs<TcxCustomGridViewData>(GetViewDataClass(), this);
  FViewInfo = CreateAs<TcxCustomGridViewInfo>(GetViewInfoClass(), this);
  FViewInfoCache = CreateAs<TcxCustomGridViewInfoCache>(GetViewInfoCacheClass(), this);
}

void TcxCustomGridView::DestroyHandlers() {
  FreeAndNil(FDataController);
  FreeAndNil(FViewInfoCache);
  if (FViewInfo && FViewInfo->Site() && FViewInfo->Site()->Owner()) FViewInfo->Site()->Owner()->RemoveComponent(FViewInfo->Site());
  FreeAndNil(FViewInfo);
  FreeAndNil(FViewData);
  FreeAndNil(FPainter);
  FreeAndNil(FController);
}

void TcxCustomGridView::HookDataController() {
  FDataController->OnUpdateControl = TcxUpdateControlEvent(this, &TcxCustomGridView::UpdateFromDataController);
}

void TcxCustomGridView::SetControl(TcxControl* Value) {
  if (Value == inherited::Control()) return;
  UnlinkFromGrid(Control());
  inherited::SetControl(Value);
  if (auto* grid = dynamic_cast<TcxCustomGrid*>(Value)) {
    if (!FHomeGrid) FHomeGrid = grid;
    if (TcxGridSite* site = Site()) grid->InsertComponent(site);
    if (FStyles) grid->AddFontListener(FStyles);
  }
}

void TcxCustomGridView::UnlinkFromGrid(TcxCustomGrid* AGrid) {
  if (!AGrid) return;
  if (FStyles) AGrid->RemoveFontListener(FStyles);
  if (TcxGridSite* site = Site())
    if (site->Owner() == AGrid) AGrid->RemoveComponent(site);
}

TcxCustomGrid* TcxCustomGridView::Control() const { return static_cast<TcxCustomGrid*>(inherited::Control()); }

TComponent* TcxCustomGridView::GetParentComponent() const { return FHomeGrid; }

bool TcxCustomGridView::HasParent() const { return FHomeGrid != nullptr; }

void TcxCustomGridView::ReadState(TReader* Reader) {
  if (auto* grid = dynamic_cast<TcxCustomGrid*>(Reader->Parent()))
    if (grid != Control()) SetParentComponent(grid);
  inherited::ReadState(Reader);
}

void TcxCustomGridView::Loaded() {
  inherited::Loaded();
  ApplyLoadedState();
  FDataController->DoDeferredNotifications();
  AfterPropertiesChanged();
}

void TcxCustomGridView::Updating() {
  inherited::Updating();
  BeginUpdate();
}

void TcxCustomGridView::Updated() {
  EndUpdate();
  inherited::Updated();
}

bool TcxCustomGridView::IsDestroying() const {
  if (ComponentState().Contains(csDestroying)) return true;
  TcxCustomGridView* master = FDataController ? MasterGridView() : nullptr;
  return master && master->IsDestroying();
}

void TcxCustomGridView::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  for (TcxCustomGridOptions* options : std::vector<TcxCustomGridOptions*>(FOptionsList))
    options->Notification(AComponent, Operation);
}

void TcxCustomGridView::CollectFakeComponentLinks(TList* AList) {
  inherited::CollectFakeComponentLinks(AList);
  if (auto* design = dynamic_cast<IcxGridDataControllerDesign*>(FDataController)) design->GetFakeComponentLinks(AList);
  if (FStyles) FStyles->CollectComponentLinks(AList);
}

// ---- handlers and options ------------------------------------------------------------------------------------------

TcxGridSite* TcxCustomGridView::Site() const { return FViewInfo ? FViewInfo->Site() : nullptr; }

TcxCustomLookAndFeelPainterClass TcxCustomGridView::LookAndFeelPainter() const {
  if (TcxCustomGrid* grid = Control()) return grid->LookAndFeel()->GetPainterClass();
  return LookAndFeelPainterOfKind(lfStandard);
}

void TcxCustomGridView::SetBackgroundBitmaps(TcxCustomGridBackgroundBitmaps* Value) { FBackgroundBitmaps->Assign(Value); }
void TcxCustomGridView::SetOptionsBehavior(TcxCustomGridOptionsBehavior* Value) { FOptionsBehavior->Assign(Value); }
void TcxCustomGridView::SetOptionsData(TcxCustomGridOptionsData* Value) { FOptionsData->Assign(Value); }
void TcxCustomGridView::SetOptionsSelection(TcxCustomGridOptionsSelection* Value) { FOptionsSelection->Assign(Value); }
void TcxCustomGridView::SetOptionsView(TcxCustomGridOptionsView* Value) { FOptionsView->Assign(Value); }
void TcxCustomGridView::SetStyles(TcxCustomGridStyles* Value) { FStyles->Assign(Value); }

TClass TcxCustomGridView::GetViewInfoCacheClass() { return TcxCustomGridViewInfoCache::StaticClass(); }
TClass TcxCustomGridView::GetBackgroundBitmapsClass() { return TcxCustomGridBackgroundBitmaps::StaticClass(); }
TClass TcxCustomGridView::GetOptionsBehaviorClass() { return TcxCustomGridOptionsBehavior::StaticClass(); }
TClass TcxCustomGridView::GetOptionsDataClass() { return TcxCustomGridOptionsData::StaticClass(); }
TClass TcxCustomGridView::GetOptionsSelectionClass() { return TcxCustomGridOptionsSelection::StaticClass(); }
TClass TcxCustomGridView::GetOptionsViewClass() { return TcxCustomGridOptionsView::StaticClass(); }
TClass TcxCustomGridView::GetStylesClass() { return TcxCustomGridViewStyles::StaticClass(); }

// ---- published values ------------------------------------------------------------------------------------------------

TDragMode TcxCustomGridView::DragMode() const { return Site() ? Site()->DragMode() : dmManual; }

void TcxCustomGridView::SetDragMode(TDragMode Value) {
  if (DragMode() == Value) return;
  Site()->SetDragMode(Value);
  Changed(vcProperty);
}

TComponent* TcxCustomGridView::PopupMenu() const { return Site() ? Site()->PopupMenu() : nullptr; }

void TcxCustomGridView::SetPopupMenu(TComponent* Value) {
  if (PopupMenu() == Value) return;
  Site()->SetPopupMenu(Value);
  Changed(vcProperty);
}

bool TcxCustomGridView::Synchronization() const { return PatternGridView()->FSynchronization; }

void TcxCustomGridView::SetSynchronization(bool Value) {
  if (!IsPattern() || FSynchronization == Value) return;
  FSynchronization = Value;
  if (Value)
    Synchronize(true);
  else
    FSyncPending = false;
}

#define CX_GRID_VIEW_DEFINE_SITE_EVENT(Type, Name)                   \
  Type TcxCustomGridView::Name() const {                             \
    return Site() ? Site()->Name : Type();                           \
  }                                                                  \
  void TcxCustomGridView::Set##Name(Type Value) {                    \
    if (Site() && ChangeViewEvent(Site()->Name, Value)) Changed(vcProperty); \
  }
CX_GRID_VIEW_SITE_EVENTS(CX_GRID_VIEW_DEFINE_SITE_EVENT)
#undef CX_GRID_VIEW_DEFINE_SITE_EVENT

void TcxCustomGridView::SetOnGetStoredProperties(TcxGridGetStoredPropertiesEvent Value) {
  if (ChangeViewEvent(FOnGetStoredProperties, Value)) Changed(vcProperty);
}

void TcxCustomGridView::SetOnGetStoredPropertyValue(TcxGridGetStoredPropertyValueEvent Value) {
  if (ChangeViewEvent(FOnGetStoredPropertyValue, Value)) Changed(vcProperty);
}

void TcxCustomGridView::SetOnSetStoredPropertyValue(TcxGridSetStoredPropertyValueEvent Value) {
  if (ChangeViewEvent(FOnSetStoredPropertyValue, Value)) Changed(vcProperty);
}

// ---- update bracket and changes ------------------------------------------------------------------------------------

void TcxCustomGridView::BeginUpdate() {
  if (Control()) Control()->BeginUpdate();
  ++FUpdateCount;
  if (FDataController) FDataController->LockInfo();
}

void TcxCustomGridView::EndUpdate() {
  TcxCustomGrid* grid = Control();
  ScopeExit closeGrid([grid] {
    if (grid) grid->EndUpdate();
  });
  if (FDataController) FDataController->UnlockInfo();
  if (FUpdateCount > 0) {
    ScopeExit decrement([this] { --FUpdateCount; });
    if (FUpdateCount == 1 && FSyncPending) Synchronize(false);
  }
}

void TcxCustomGridView::CancelUpdate() {
  TcxCustomGrid* grid = Control();
  ScopeExit closeGrid([grid] {
    if (grid) grid->CancelUpdate();
  });
  if (FDataController) FDataController->UnlockInfo();
  if (FUpdateCount > 0) {
    if (FUpdateCount == 1) FSyncPending = false;
    --FUpdateCount;
  }
}

bool TcxCustomGridView::AddChange(TcxCustomGridChange* AChange) {
  if (IsLoading() || IsDestroying() || !FViewInfo || FViewInfo->IsCalculating()) {
    AChange->Free();
    return false;
  }
  if (TcxCustomGrid* grid = Control()) {
    grid->AddChange(AChange);
    return true;
  }
  ScopeExit freeChange([AChange] { AChange->Free(); });
  AChange->SetControl(nullptr);
  AChange->Run();
  return true;
}

void TcxCustomGridView::Changed(TcxGridViewChangeKind AChangeKind) {
  if (IsViewProviderLocked(FDataController)) return;
  BeginUpdate();
  ScopeExit endUpdate([this] { EndUpdate(); });
  if (AChangeKind == vcLayout)
    InvalidateLayout(true);
  else if (AChangeKind == vcSize)
    InvalidateSize(false, false);
  Synchronize(true);
}

bool TcxCustomGridView::InvalidateLayout(bool AOwnOnly) {
  return AddChange(New<TcxGridLayoutChange>(AOwnOnly ? this : nullptr));
}

bool TcxCustomGridView::InvalidateSize(bool AThisViewOnly, bool AMastersUnchanged) {
  return AddChange(New<TcxGridSizeChange>(this, AMastersUnchanged, AThisViewOnly || !Control()));
}

void TcxCustomGridView::Invalidate() { AddChange(New<TcxGridViewChange>(this)); }

void TcxCustomGridView::InvalidateRect(const RECT& R) {
  if (IsRectEmpty(&R)) return;
  AddChange(New<TcxGridViewChange>(this, R));
}

void TcxCustomGridView::InvalidateTree(bool ALayout) {
  if (IsPattern()) {
    for (TcxCustomGridView* clone : std::vector<TcxCustomGridView*>(FClones)) clone->InvalidateTree(ALayout);
  } else if (ALayout)
    InvalidateLayout(true);
  else
    Invalidate();
}

void TcxCustomGridView::InvalidateGeometry(bool AOwnOnly, bool AMastersUnchanged) {
  if (ChangesAffectSize())
    InvalidateSize(AOwnOnly, AMastersUnchanged);
  else
    InvalidateLayout(AOwnOnly);
}

// ---- master and detail ---------------------------------------------------------------------------------------------

bool TcxCustomGridView::IsPattern() const { return FDataController && FDataController->IsPattern(); }

bool TcxCustomGridView::IsDetail() const { return FDataController && FDataController->IsDetailMode(); }

TcxCustomGridView* TcxCustomGridView::MasterGridView() const {
  if (!IsDetail()) return nullptr;
  return GridViewOfDataController(FDataController->GetMasterDataController());
}

int32_t TcxCustomGridView::MasterRecordIndex() const { return FDataController ? FDataController->GetMasterRecordIndex() : -1; }

int32_t TcxCustomGridView::MasterRowIndex() const {
  const int32_t record = MasterRecordIndex();
  TcxCustomDataController* master = FDataController ? FDataController->GetMasterDataController() : nullptr;
  if (record == -1 || !master) return -1;
  return master->GetRowIndexByRecordIndex(record, false);
}

bool TcxCustomGridView::HasAsMaster(TcxCustomGridView* AGridView) const {
  // A chain of masters is finite; the bound keeps a damaged chain from looping.
  int32_t depth = 0;
  for (TcxCustomGridView* master = MasterGridView(); master && depth < 1000; master = master->MasterGridView(), ++depth)
    if (master == AGridView) return true;
  return false;
}

bool TcxCustomGridView::HasDetailLevels() const { return FLevel && FLevel->VisibleCount() > 0; }

TcxCustomGridView* TcxCustomGridView::PatternGridView() const {
  return FPatternGridView ? FPatternGridView : const_cast<TcxCustomGridView*>(this);
}

void TcxCustomGridView::AddClone(TcxCustomGridView* AClone) {
  if (std::find(FClones.begin(), FClones.end(), AClone) == FClones.end()) FClones.push_back(AClone);
  AClone->FPatternGridView = this;
}

void TcxCustomGridView::RemoveClone(TcxCustomGridView* AClone) {
  FClones.erase(std::remove(FClones.begin(), FClones.end(), AClone), FClones.end());
  if (AClone->FPatternGridView == this) AClone->FPatternGridView = nullptr;
}

// ---- focus and visibility ----------------------------------------------------------------------------------------

bool TcxCustomGridView::Focused() const { return Control() && Control()->FocusedView() == this; }

void TcxCustomGridView::SetFocused(bool Value) {
  if (Value == Focused() || !Control()) return;
  Control()->SetFocusedView(Value ? this : nullptr);
}

bool TcxCustomGridView::CanFocus() { return CanBeVisible(FLevel && FLevel->IsActuallyVisible()); }

bool TcxCustomGridView::CanTabStop() { return Control() && Control()->TabStop(); }

bool TcxCustomGridView::CanRecalculate() { return (IsVisible() || IsPattern()) && Control(); }

bool TcxCustomGridView::CanBeVisible(bool ALevelShown) {
  if (!ALevelShown || IsPattern()) return false;
  if (IsDetail()) {
    TcxCustomGridView* master = MasterGridView();
    return master && master->CanShowDetail(this);
  }
  return true;
}

bool TcxCustomGridView::GridHasFocus() { return Control() && Control()->HasFocus(); }

bool TcxCustomGridView::IsVisible() { return !IsDestroying() && CanBeVisible(FLevel && FLevel->IsShown()); }

void TcxCustomGridView::FocusedChanged(bool AFocused) {
  if (AFocused) {
    FDataController->CheckDetailSync();
    FController->FocusEnter();
  } else
    FController->FocusLeave();
}

void TcxCustomGridView::ApplyLoadedState() { InvalidateSize(false, false); }

void TcxCustomGridView::LookAndFeelChanged() {
  for (TcxCustomGridView* clone : std::vector<TcxCustomGridView*>(FClones)) clone->LookAndFeelChanged();
}

void TcxCustomGridView::SetLevel(TcxGridLevel* Value) {
  FLevel = Value;
  if (FViewInfo && !IsDestroying()) FViewInfo->UpdateSiteVisibility(true);
}

void TcxCustomGridView::UpdateTabStop(bool AFocused) {
  if (TcxGridSite* site = Site()) site->SetTabStop(AFocused && CanTabStop());
}

// ---- assigning and synchronisation ---------------------------------------------------------------------------------

void TcxCustomGridView::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomGridView*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  ScopeExit endUpdate([this] { EndUpdate(); });
  BeforeAssign(source);
  AssignProperties(source);
  AfterAssign(source);
}

void TcxCustomGridView::BeforeAssign(TcxCustomGridView* ASource) { FDataController->Assign(ASource->DataController()); }

void TcxCustomGridView::AfterAssign(TcxCustomGridView* ASource) { FDataController->Assign(ASource->DataController()); }

#define CX_GRID_VIEW_COPY_SITE_EVENT(Type, Name) Set##Name(ASource->Name());

void TcxCustomGridView::AssignProperties(TcxCustomGridView* ASource) {
  FBackgroundBitmaps->Assign(ASource->BackgroundBitmaps());
  SetDragMode(ASource->DragMode());
  FOptionsBehavior->Assign(ASource->OptionsBehavior());
  FOptionsData->Assign(ASource->OptionsData());
  FOptionsSelection->Assign(ASource->OptionsSelection());
  FOptionsView->Assign(ASource->OptionsView());
  SetPopupMenu(ASource->PopupMenu());
  FStyles->Assign(ASource->Styles());
  SetSynchronization(ASource->Synchronization());
  CX_GRID_VIEW_SITE_EVENTS(CX_GRID_VIEW_COPY_SITE_EVENT)
  SetOnGetStoredProperties(ASource->OnGetStoredProperties());
  SetOnGetStoredPropertyValue(ASource->OnGetStoredPropertyValue());
  SetOnSetStoredPropertyValue(ASource->OnSetStoredPropertyValue());
  AfterPropertiesChanged();
}
#undef CX_GRID_VIEW_COPY_SITE_EVENT

void TcxCustomGridView::AssignPattern(TcxCustomGridView* APattern) {
  FAssigning = true;
  ScopeExit reset([this] { FAssigning = false; });
  Assign(APattern);
}

bool TcxCustomGridView::SynchronizationEnabled() const { return PatternGridView()->FSynchronization || IsDesigning(); }

void TcxCustomGridView::Synchronize(bool APostponeWhenLocked) {
  if (IsLoading() || IsDestroying() || !Control() || !SynchronizationEnabled() || FAssigning || FSyncPostponed) return;
  if (APostponeWhenLocked && FUpdateCount > 0) {
    FSyncPending = true;
    return;
  }
  FSynchronizing = true;
  ScopeExit reset([this] {
    FSynchronizing = false;
    FSyncPending = false;
  });
  if (IsPattern()) {
    BeginUpdate();
    ScopeExit endUpdate([this] { EndUpdate(); });
    for (TcxCustomGridView* clone : std::vector<TcxCustomGridView*>(FClones)) clone->SynchronizeWith(this);
  } else if (PatternGridView() != this)
    PatternGridView()->SynchronizeWith(this);
}

void TcxCustomGridView::SynchronizeWith(TcxCustomGridView* ASource) {
  if (!SynchronizationEnabled() || FSynchronizing || FAssigning) return;
  if (!FOptionsBehavior->PostponedSynchronization() || IsPattern() || IsVisible()) {
    BeginUpdate();
    ScopeExit endUpdate([this] { EndUpdate(); });
    AssignPattern(ASource);
    if (IsPattern()) Synchronize(true);
    FSyncPostponed = false;
  } else
    FSyncPostponed = true;
}

void TcxCustomGridView::CheckPendingSynchronization() {
  if (!FSyncPostponed) return;
  BeginUpdate();
  ScopeExit cancelUpdate([this] { CancelUpdate(); });
  SynchronizeWith(PatternGridView());
}

// ---- listener links --------------------------------------------------------------------------------------------------

TcxGridListenerLink* TcxCustomGridView::AddListenerLink() {
  auto* link = New<TcxGridListenerLink>(this);
  FListenerLinks.push_back(link);
  return link;
}

void TcxCustomGridView::RemoveListenerLink(TcxGridListenerLink* ALink) {
  if (!ALink) return;
  if (TcxCustomGridView* view = ALink->FGridView) {
    auto& links = view->FListenerLinks;
    links.erase(std::remove(links.begin(), links.end(), ALink), links.end());
  }
  ALink->Free();
}

// ---- the storage protocol ------------------------------------------------------------------------------------------

String TcxCustomGridView::GetStorageName() { return FStorageName.empty() ? Name() : FStorageName; }

bool TcxCustomGridView::ListStoredProperties(TStrings* ANames) {
  if (FOnGetStoredProperties) FOnGetStoredProperties(this, ANames);
  return true;
}

void TcxCustomGridView::ReadStoredValue(const String& AName, Variant& AValue) {
  if (FOnGetStoredPropertyValue) FOnGetStoredPropertyValue(this, AName, AValue);
}

void TcxCustomGridView::WriteStoredValue(const String& AName, const Variant& AValue) {
  if (FOnSetStoredPropertyValue) FOnSetStoredPropertyValue(this, AName, AValue);
}

TObject* TcxCustomGridView::MakeStoredChild(const String&, const String&) { return nullptr; }

void TcxCustomGridView::DropStoredChild(const String&, TObject* AObject) { FreeObject(AObject); }
