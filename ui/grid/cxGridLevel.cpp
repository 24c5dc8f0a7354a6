// Levels: the tree, visibility and activity, the link of a view and its data relations, clones for master
// records, and the level's options and styles.

#include "ui/grid/cxGridLevel.h"

#include <algorithm>

#include "rtl/Filer.h"
#include "rtl/ScopeExit.h"
#include "rtl/TypInfo.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/data/cxCustomData.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridRecords.h"

namespace {

PTypeInfo LevelColorType() { return TypeInfoAlias("TColor", TypeInfo<int32_t>()); }

TcxCustomLookAndFeelPainterClass LevelPainter(TcxGridLevel* ALevel) {
  if (ALevel && ALevel->Control()) return ALevel->Control()->LookAndFeel()->GetPainterClass();
  return LookAndFeelPainterOfKind(lfStandard);
}

}  // namespace

// ---- TcxGridLevelOptions ------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxGridLevelOptions) {
  using C = TcxGridLevelOptions;
  prop("DetailFrameColor", &C::DetailFrameColor, &C::SetDetailFrameColor).Type(LevelColorType()).Default(clDefault);
  prop("DetailFrameWidth", &C::DetailFrameWidth, &C::SetDetailFrameWidth).Stored(&C::IsDetailFrameWidthStored);
  prop("DetailTabsPosition", &C::DetailTabsPosition, &C::SetDetailTabsPosition).Default(dtpNone);
}

void TcxGridLevelOptions::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TcxGridLevelOptions*>(Source)) {
    SetDetailFrameColor(source->DetailFrameColor());
    SetDetailFrameWidth(source->DetailFrameWidth());
    SetDetailTabsPosition(source->DetailTabsPosition());
    return;
  }
  inherited::Assign(Source);
}

TPersistent* TcxGridLevelOptions::GetOwner() { return FLevel; }

void TcxGridLevelOptions::Changed(bool ASizeChanged) { FLevel->Changed(ASizeChanged); }

void TcxGridLevelOptions::SetDetailFrameColor(TColor Value) {
  if (FDetailFrameColor == Value) return;
  FDetailFrameColor = Value;
  Changed(false);
}

void TcxGridLevelOptions::SetDetailFrameWidth(int32_t Value) {
  if (Value < 0) Value = 0;
  if (FDetailFrameWidth == Value) return;
  FDetailFrameWidth = Value;
  Changed(true);
}

void TcxGridLevelOptions::SetDetailTabsPosition(TcxGridDetailTabsPosition Value) {
  if (FDetailTabsPosition == Value) return;
  FDetailTabsPosition = Value;
  Changed(true);
}

TColor TcxGridLevelOptions::GetDetailFrameColor() {
  return FDetailFrameColor == clDefault ? LevelPainter(FLevel)->DefaultDetailFrameColor() : FDetailFrameColor;
}

int32_t TcxGridLevelOptions::DefaultDetailFrameWidth() const { return FLevel->IsRoot() ? 0 : 1; }

// ---- TcxGridLevelStyles --------------------------------------------------------------------------------------------

RTL_PUBLISHED(TcxGridLevelStyles) {
  prop("Tab", &TcxGridLevelStyles::Tab, &TcxGridLevelStyles::SetTab);
  prop("TabsBackground", &TcxGridLevelStyles::TabsBackground, &TcxGridLevelStyles::SetTabsBackground);
  event("OnGetTabStyle", &TcxGridLevelStyles::OnGetTabStyle, &TcxGridLevelStyles::OnGetTabStyle);
  event("OnGetOwnTabStyle", &TcxGridLevelStyles::OnGetOwnTabStyle, &TcxGridLevelStyles::OnGetOwnTabStyle);
}

TcxGridLevel* TcxGridLevelStyles::Level() const { return dynamic_cast<TcxGridLevel*>(Owner()); }

void TcxGridLevelStyles::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* source = dynamic_cast<TcxGridLevelStyles*>(Source)) {
    SetTab(source->Tab());
    SetTabsBackground(source->TabsBackground());
    OnGetTabStyle = source->OnGetTabStyle;
    OnGetOwnTabStyle = source->OnGetOwnTabStyle;
  }
}

void TcxGridLevelStyles::GetTabParams(TcxCustomGridRecord* AMasterRecord, TcxGridLevel* ATabLevel,
                                      TcxViewParamsRec& AParams) {
  TcxStyle* style = nullptr;
  if (OnGetTabStyle) OnGetTabStyle(Level(), ATabLevel, style);
  if (ATabLevel && ATabLevel->Styles()->OnGetOwnTabStyle)
    ATabLevel->Styles()->OnGetOwnTabStyle(ATabLevel, AMasterRecord, style);
  ResolveViewParams(lsTab, nullptr, style, AParams);
}

void TcxGridLevelStyles::GetDefaultParams(int32_t Index, TObject* AData, TcxViewParamsRec& AParams) {
  inherited::GetDefaultParams(Index, AData, AParams);
  TcxGridLevel* level = Level();
  TcxCustomLookAndFeelPainterClass painter = LevelPainter(level);
  if (level && level->Control()) AParams.Font = level->Control()->Font();
  if (Index == lsTab) {
    AParams.Color = painter->DefaultTabColor();
    AParams.TextColor = painter->DefaultTabTextColor();
  } else if (Index == lsTabsBackground)
    AParams.Color = painter->DefaultTabsBackgroundColor();
}

void TcxGridLevelStyles::ValueChanged(int32_t Index) {
  inherited::ValueChanged(Index);
  if (TcxGridLevel* level = Level())
    if (!level->IsDestroying()) level->Changed(true);
}

// ---- TcxGridLevel: life and streaming ---------------------------------------------------------------------------

RTL_PUBLISHED(TcxGridLevel) {
  using C = TcxGridLevel;
  prop("Caption", &C::Caption, &C::SetCaption);
  prop("GridView", &C::GridView, &C::SetGridView);
  prop("MaxDetailHeight", &C::MaxDetailHeight, &C::SetMaxDetailHeight).Default(0);
  prop("Options", &C::Options, &C::SetOptions);
  prop("Styles", &C::Styles, &C::SetStyles);
  prop("Visible", &C::Visible, &C::SetVisible).Default(true);
  event("OnGetGridView", &C::OnGetGridView, &C::OnGetGridView);
}

TcxGridLevel::~TcxGridLevel() {
  FreeObject(FStyles);
  FreeObject(FOptions);
}

void TcxGridLevel::AfterConstruction() {
  inherited::AfterConstruction();
  FOptions = New<TcxGridLevelOptions>(this);
  FStyles = CreateAs<TcxGridLevelStyles>(GetStylesClass(), this);
}

void TcxGridLevel::BeforeDestruction() {
  Destroying();
  while (!FItems.empty()) FItems.back()->Free();
  SetGridView(nullptr);
  if (FParent) FParent->RemoveItem(this);
  inherited::BeforeDestruction();
}

void TcxGridLevel::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TcxGridLevel* item : FItems)
    if (item->Owner() == Root) Proc(item);
}

TComponent* TcxGridLevel::GetParentComponent() const {
  if (IsTop()) return FControl;
  return FParent;
}

void TcxGridLevel::SetParentComponent(TComponent* Value) {
  inherited::SetParentComponent(Value);
  TcxGridLevel* parent = nullptr;
  if (auto* grid = dynamic_cast<TcxCustomGrid*>(Value))
    parent = grid->RootLevel();
  else
    parent = dynamic_cast<TcxGridLevel*>(Value);
  if (!parent || parent == FParent) return;
  if (FParent) FParent->RemoveItem(this);
  parent->AddItem(this);
}

void TcxGridLevel::ReadState(TReader* Reader) {
  if (TComponent* parent = Reader->Parent())
    if (parent != GetParentComponent()) SetParentComponent(parent);
  inherited::ReadState(Reader);
}

void TcxGridLevel::SetControl(TcxCustomGrid* Value) {
  FControl = Value;
  for (TcxGridLevel* item : FItems) item->SetControl(Value);
}

// ---- the tree ------------------------------------------------------------------------------------------------------

int32_t TcxGridLevel::Index() const {
  if (!FParent) return -1;
  auto it = std::find(FParent->FItems.begin(), FParent->FItems.end(), this);
  return it == FParent->FItems.end() ? -1 : static_cast<int32_t>(it - FParent->FItems.begin());
}

int32_t TcxGridLevel::VisibleIndex() const {
  if (!FParent) return -1;
  auto it = std::find(FParent->FVisibleItems.begin(), FParent->FVisibleItems.end(), this);
  return it == FParent->FVisibleItems.end() ? -1 : static_cast<int32_t>(it - FParent->FVisibleItems.begin());
}

bool TcxGridLevel::IsRoot() const { return FControl && FControl->RootLevel() == this; }

bool TcxGridLevel::IsTop() const { return FParent && FParent->IsRoot(); }

bool TcxGridLevel::IsActive() const { return FControl && FControl->ActiveLevel() == this; }

bool TcxGridLevel::IsActuallyVisible() const {
  for (const TcxGridLevel* level = this; level; level = level->FParent)
    if (!level->FVisible) return false;
  return true;
}

bool TcxGridLevel::IsShown() const {
  if (!FVisible || (IsTop() && !IsActive())) return false;
  return !FParent || FParent->IsShown();
}

TcxGridLevel* TcxGridLevel::FirstVisibleItem() const {
  if (FVisibleItems.empty() || (FControl && FControl->IsDestroying())) return nullptr;
  return FVisibleItems.front();
}

void TcxGridLevel::RefreshVisibleItems() {
  FVisibleItems.clear();
  for (TcxGridLevel* item : FItems)
    if (item->FVisible) FVisibleItems.push_back(item);
}

void TcxGridLevel::AddItem(TcxGridLevel* ALevel) {
  FItems.push_back(ALevel);
  ALevel->SetControl(FControl);
  ALevel->FParent = this;
  RefreshVisibleItems();
  AddDataRelation(ALevel);
  if (IsRoot() && !FControl->ActiveLevel()) FControl->SetActiveLevel(FirstVisibleItem());
  Changed(true);
}

void TcxGridLevel::RemoveItem(TcxGridLevel* ALevel) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), ALevel), FItems.end());
  FVisibleItems.erase(std::remove(FVisibleItems.begin(), FVisibleItems.end(), ALevel), FVisibleItems.end());
  ALevel->FParent = nullptr;
  RemoveDataRelation(ALevel);
  ALevel->SetActive(false);
  // A level taken out of the tree no longer belongs to the grid.
  ALevel->SetControl(nullptr);
  Changed(true);
}

void TcxGridLevel::SetActive(bool Value) {
  if (!FControl || Value == IsActive()) return;
  if (Value) {
    if (IsTop()) FControl->SetActiveLevel(this);
  } else
    FControl->SetActiveLevel(nullptr);
}

void TcxGridLevel::VisibleItemsChanged(TcxGridLevel* ALevel) {
  const int32_t oldCount = VisibleCount();
  RefreshVisibleItems();
  if (FGridView) FGridView->DetailVisibilityChanged(ALevel, oldCount, VisibleCount());
}

// ---- the view and the data relations -------------------------------------------------------------------------

void TcxGridLevel::LinkDataController(bool AShown, bool AAsPattern) {
  if (!FGridView || !FGridView->DataController()) return;
  if (AShown)
    FGridView->DataController()->LinkToMasterRelation(FDataRelation, AAsPattern);
  else
    FGridView->DataController()->LinkToMasterRelation(nullptr, true);
}

void TcxGridLevel::AddDataRelation(TcxGridLevel* AChild) {
  if (!FGridView || !FGridView->DataController()) return;
  AChild->FDataRelation = FGridView->DataController()->GetRelations()->Add(AChild);
  if (TcxCustomGridView* childView = AChild->FGridView)
    AChild->LinkDataController(AChild->FVisible, childView->DataController()->IsPattern());
}

void TcxGridLevel::RemoveDataRelation(TcxGridLevel* AChild) { FreeAndNil(AChild->FDataRelation); }

void TcxGridLevel::SetGridView(TcxCustomGridView* Value) {
  if (Value == FGridView) return;
  if (Value && Value->Level()) Value->Level()->SetGridView(nullptr);
  TcxCustomGridView* oldView = FGridView;
  if (oldView) {
    {
      oldView->BeginUpdate();
      ScopeExit endUpdate([oldView] { oldView->EndUpdate(); });
      for (TcxGridLevel* item : FItems) RemoveDataRelation(item);
    }
    oldView->SetLevel(nullptr);
  }
  FGridView = Value;
  if (Value && FControl) Value->SetControl(FControl);
  if (FParent) FParent->RefreshVisibleItems();
  if (oldView && oldView->DataController()) oldView->DataController()->LinkToMasterRelation(nullptr, true);
  if (Value) {
    Value->BeginUpdate();
    ScopeExit endUpdate([Value] { Value->EndUpdate(); });
    Value->SetLevel(this);
    LinkDataController(FVisible, !IsTop());
    for (TcxGridLevel* item : FItems) AddDataRelation(item);
    Changed(false);
  } else if (oldView)
    Changed(false);
  if (Value) {
    const bool firstView = !oldView && FControl && !FControl->FocusedView();
    if (firstView || (oldView && oldView->Focused())) Value->SetFocused(true);
  } else if (oldView)
    oldView->SetFocused(false);
  if (oldView && oldView->HomeGrid() && !oldView->IsDestroying()) oldView->SetControl(oldView->HomeGrid());
}

TcxCustomGridRecord* TcxGridLevel::GetMasterRecord(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex) {
  TcxCustomGridView* master = ARelation ? GridViewOfDataController(ARelation->GetDataController()) : nullptr;
  auto* viewData = master ? dynamic_cast<TcxCustomGridTableViewData*>(master->ViewData()) : nullptr;
  return viewData ? viewData->GetRecordByRecordIndex(AMasterRecordIndex) : nullptr;
}

TcxCustomGridView* TcxGridLevel::CreateLinkedView(TcxCustomDataRelation* ARelation, int32_t AMasterRecordIndex) {
  TcxCustomGridView* view = FGridView;
  if (OnGetGridView) OnGetGridView(this, GetMasterRecord(ARelation, AMasterRecordIndex), view);
  if (!view || !FVisible || !FControl) return nullptr;
  TcxCustomGridView* clone = TcxCustomGridView::CreateForGrid(view->ClassType(), FControl);
  {
    clone->BeginUpdate();
    // What the clone queued while it was built is dropped: it is laid out when it is shown.
    ScopeExit cancelUpdate([clone] { clone->CancelUpdate(); });
    clone->AssignPattern(view);
    TcxCustomDataRelationList* relations = clone->DataController()->GetRelations();
    relations->BeginUpdate();
    ScopeExit endRelations([relations] { relations->EndUpdate(); });
    relations->Assign(view->DataController()->GetRelations());
    clone->DataController()->SetMasterRelation(ARelation, AMasterRecordIndex);
    clone->SetLevel(this);
  }
  view->AddClone(clone);
  return clone;
}

// ---- properties -----------------------------------------------------------------------------------------------------

void TcxGridLevel::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Changed(true);
}

void TcxGridLevel::SetMaxDetailHeight(int32_t Value) {
  if (Value < 0) Value = 0;
  if (FMaxDetailHeight == Value) return;
  FMaxDetailHeight = Value;
  Changed(true);
}

void TcxGridLevel::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (Value && FGridView) LinkDataController(true, !IsTop());
  if (FParent) FParent->VisibleItemsChanged(this);
  if (!Value)
    SetActive(false);
  else if (FControl && !FControl->ActiveLevel())
    SetActive(true);
  Changed(true);
  if (FControl) FControl->CheckFocusedView();
  if (!Value && FGridView) LinkDataController(false, !IsTop());
}

void TcxGridLevel::Changed(bool ASizeChanged) {
  if (!FControl || IsDestroying()) return;
  if (ASizeChanged)
    FControl->InvalidateSize();
  else
    FControl->InvalidateLayout();
}

void TcxGridLevel::CheckHeight(int32_t& AHeight) {
  if (AHeight < 0) AHeight = 0;
  if (FMaxDetailHeight != 0 && FMaxDetailHeight < AHeight) AHeight = FMaxDetailHeight;
}

TClass TcxGridLevel::GetItemClass() { return TcxGridLevel::StaticClass(); }

TClass TcxGridLevel::GetStylesClass() { return TcxGridLevelStyles::StaticClass(); }
