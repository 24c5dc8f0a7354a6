// The bar manager's companions: categories, groups, popup menus with the links that attach them to
// controls, and the background bitmaps.

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/Filer.h"
#include "rtl/ScopeExit.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBar.h"
#include "ui/base/cxClasses.h"

// ---- TdxBarManagerCategories ------------------------------------------------------------------------------

TdxBarManagerCategories::TdxBarManagerCategories(TdxBarManager* ABarManager) : FBarManager(ABarManager) {}

void TdxBarManagerCategories::AfterConstruction() {
  TStringList::AfterConstruction();
  if (!FBarManager || !FBarManager->IsLoading()) Add(TranslateString(sdxBarDefaultCategory));
}

void TdxBarManagerCategories::BeforeDestruction() {
  for (int32_t i = 0; i < Count(); ++i)
    if (TObject* data = Objects(i)) {
      PutObject(i, nullptr);
      data->Free();
    }
  TStringList::BeforeDestruction();
}

TdxBarCategoryData* TdxBarManagerCategories::Data(int32_t Index) {
  if (Index < 0 || Index >= Count()) return nullptr;
  return static_cast<TdxBarCategoryData*>(Objects(Index));
}

TdxBarCategoryData* TdxBarManagerCategories::NeedData(int32_t Index) {
  if (Index < 0 || Index >= Count()) return nullptr;
  TdxBarCategoryData* data = Data(Index);
  if (!data) {
    data = New<TdxBarCategoryData>();
    PutObject(Index, data);
  }
  return data;
}

void TdxBarManagerCategories::SetItemsCategory(int32_t AFrom, int32_t ATo) {
  if (!FBarManager) return;
  for (TdxBarItem* item : FBarManager->FItems)
    if (item->FCategory == AFrom) item->FCategory = ATo;
}

void TdxBarManagerCategories::InsertObject(int32_t Index, const String& S, TObject* AObject) {
  if (!FMoving && Index >= 0 && Index < Count())
    for (int32_t c = Count() - 1; c >= Index; --c) SetItemsCategory(c, c + 1);
  TStringList::InsertObject(Index, S, AObject);
}

void TdxBarManagerCategories::Delete(int32_t Index) {
  if (FMoving) {
    TStringList::Delete(Index);
    return;
  }
  if (Index < 0 || Index >= Count()) return;
  if (FBarManager) {
    std::vector<TdxBarItem*> doomed;
    for (TdxBarItem* item : FBarManager->FItems)
      if (item->FCategory == Index) doomed.push_back(item);
    // Freeing an item may free others (a sub-item's links); each is looked up again before it goes.
    for (TdxBarItem* item : doomed)
      if (FBarManager->IndexOfItem(item) >= 0) item->Free();
    for (int32_t c = Index + 1; c < Count(); ++c) SetItemsCategory(c, c - 1);
  }
  TObject* data = Objects(Index);
  TStringList::Delete(Index);
  if (data) data->Free();
  if (Count() == 0) Add(TranslateString(sdxBarDefaultCategory));
}

void TdxBarManagerCategories::Exchange(int32_t Index1, int32_t Index2) {
  if (Index1 < 0 || Index1 >= Count() || Index2 < 0 || Index2 >= Count()) return;
  constexpr int32_t parked = -1000;
  SetItemsCategory(Index1, parked);
  SetItemsCategory(Index2, Index1);
  SetItemsCategory(parked, Index2);
  TStringList::Exchange(Index1, Index2);
}

void TdxBarManagerCategories::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex || CurIndex < 0 || CurIndex >= Count() || NewIndex < 0 || NewIndex >= Count()) return;
  constexpr int32_t parked = -1000;
  SetItemsCategory(CurIndex, parked);
  if (CurIndex < NewIndex)
    for (int32_t c = CurIndex + 1; c <= NewIndex; ++c) SetItemsCategory(c, c - 1);
  else
    for (int32_t c = CurIndex - 1; c >= NewIndex; --c) SetItemsCategory(c, c + 1);
  SetItemsCategory(parked, NewIndex);
  FMoving = true;
  ScopeExit done([&] { FMoving = false; });
  TStringList::Move(CurIndex, NewIndex);
}

void TdxBarManagerCategories::Clear() {
  for (int32_t i = 0; i < Count(); ++i)
    if (TObject* data = Objects(i)) {
      PutObject(i, nullptr);
      data->Free();
    }
  TStringList::Clear();
}

void TdxBarManagerCategories::Changed() {
  TStringList::Changed();
  if (FBarManager) FBarManager->Modified();
}

void TdxBarManagerCategories::DefineProperties(TFiler* Filer) {
  TStringList::DefineProperties(Filer);
  // The names come first so that the lists after them find their categories when they are read.
  Filer->DefineProperty("Strings", TReaderProc(this, &TdxBarManagerCategories::ReadStrings),
                        TWriterProc(this, &TdxBarManagerCategories::WriteStrings), Count() > 0);
  Filer->DefineProperty("ItemsVisibles", TReaderProc(this, &TdxBarManagerCategories::ReadItemsVisibles),
                        TWriterProc(this, &TdxBarManagerCategories::WriteItemsVisibles), true);
  Filer->DefineProperty("Visibles", TReaderProc(this, &TdxBarManagerCategories::ReadVisibles),
                        TWriterProc(this, &TdxBarManagerCategories::WriteVisibles), true);
}

void TdxBarManagerCategories::ReadStrings(TReader* Reader) {
  Reader->ReadListBegin();
  BeginUpdate();
  ScopeExit end([&] { EndUpdate(); });
  Clear();
  while (!Reader->EndOfList()) Add(Reader->ReadString());
  Reader->ReadListEnd();
}

void TdxBarManagerCategories::WriteStrings(TWriter* Writer) {
  Writer->WriteListBegin();
  for (int32_t i = 0; i < Count(); ++i) Writer->WriteString(Strings(i));
  Writer->WriteListEnd();
}

void TdxBarManagerCategories::ReadItemsVisibles(TReader* Reader) {
  Reader->ReadListBegin();
  for (int32_t i = 0; !Reader->EndOfList(); ++i) {
    const int32_t value = Reader->ReadInteger();
    // A stored value outside the enumeration is damaged data: that category keeps what it has.
    if (i < Count() && FBarManager && value >= ivNever && value <= ivAlways)
      FBarManager->SetCategoryItemsVisible(i, static_cast<TdxBarItemVisible>(value));
  }
  Reader->ReadListEnd();
}

void TdxBarManagerCategories::WriteItemsVisibles(TWriter* Writer) {
  Writer->WriteListBegin();
  for (int32_t i = 0; i < Count(); ++i)
    Writer->WriteInteger(FBarManager ? FBarManager->GetCategoryItemsVisible(i) : ivAlways);
  Writer->WriteListEnd();
}

void TdxBarManagerCategories::ReadVisibles(TReader* Reader) {
  Reader->ReadListBegin();
  for (int32_t i = 0; !Reader->EndOfList(); ++i) {
    const bool value = Reader->ReadBoolean();
    if (i < Count()) NeedData(i)->Visible = value;
  }
  Reader->ReadListEnd();
}

void TdxBarManagerCategories::WriteVisibles(TWriter* Writer) {
  Writer->WriteListBegin();
  for (int32_t i = 0; i < Count(); ++i) Writer->WriteBoolean(Data(i) ? Data(i)->Visible : true);
  Writer->WriteListEnd();
}

// ---- TdxBarGroup -----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarGroup) {
  using C = TdxBarGroup;
  prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  prop("Visible", &C::Visible, &C::SetVisible).Default(ivAlways);
}

TdxBarGroup::TdxBarGroup(TComponent* AOwner) : TComponent(AOwner) {}

TdxBarGroup::~TdxBarGroup() = default;

void TdxBarGroup::BeforeDestruction() {
  Destroying();
  SetBarManager(nullptr);
  FMembers.clear();
  TComponent::BeforeDestruction();
}

void TdxBarGroup::SetBarManager(TdxBarManager* Value) {
  if (FBarManager == Value) return;
  if (FBarManager) FBarManager->RemoveGroupFromList(this);
  FBarManager = Value;
  if (FBarManager) FBarManager->AddGroupToList(this);
}

bool TdxBarGroup::LocksUpdates() const {
  return FBarManager && !ComponentState().Contains(csLoading) && !ComponentState().Contains(csDestroying);
}

template <class F>
void TdxBarGroup::ForMembers(F AApply) {
  const bool lock = LocksUpdates();
  const bool oldLock = lock ? FBarManager->UpdateLock() : false;
  if (lock) FBarManager->SetUpdateLock(true);
  ScopeExit restore([&] {
    if (lock) FBarManager->SetUpdateLock(oldLock);
  });
  for (TComponent* member : std::vector<TComponent*>(FMembers)) {
    if (auto* item = dynamic_cast<TdxBarItem*>(member))
      AApply(item);
    else if (auto* group = dynamic_cast<TdxBarGroup*>(member))
      AApply(group);
  }
}

void TdxBarGroup::SetEnabled(bool Value) {
  FEnabled = Value;
  ForMembers([Value](auto* member) { member->SetEnabled(Value); });
}

void TdxBarGroup::SetVisible(TdxBarItemVisible Value) {
  FVisible = Value;
  ForMembers([Value](auto* member) { member->SetVisible(Value); });
}

bool TdxBarGroup::Contains(TdxBarGroup* AGroup) const {
  // Groups cannot nest into a cycle (AddMember refuses it), so the walk ends; the depth bound keeps it
  // finite whatever happens.
  std::vector<std::pair<const TdxBarGroup*, int>> stack{{this, 0}};
  while (!stack.empty()) {
    auto [group, depth] = stack.back();
    stack.pop_back();
    if (group == AGroup) return true;
    if (depth > 64) continue;
    for (TComponent* m : group->FMembers)
      if (auto* g = dynamic_cast<const TdxBarGroup*>(m)) stack.push_back({g, depth + 1});
  }
  return false;
}

void TdxBarGroup::AddMember(TComponent* AComponent) {
  if (!AComponent || IndexOfMember(AComponent) >= 0) return;
  auto* group = dynamic_cast<TdxBarGroup*>(AComponent);
  if (!group && !dynamic_cast<TdxBarItem*>(AComponent)) return;
  if (group && group->Contains(this)) throw Exception(TranslateString(sdxBarRecursiveGroups));
  FMembers.push_back(AComponent);
  AComponent->FreeNotification(this);
}

void TdxBarGroup::RemoveMember(TComponent* AComponent) {
  auto it = std::find(FMembers.begin(), FMembers.end(), AComponent);
  if (it == FMembers.end()) return;
  FMembers.erase(it);
}

int32_t TdxBarGroup::IndexOfMember(TComponent* AComponent) const {
  auto it = std::find(FMembers.begin(), FMembers.end(), AComponent);
  return it == FMembers.end() ? -1 : static_cast<int32_t>(it - FMembers.begin());
}

void TdxBarGroup::MoveMember(int32_t CurIndex, int32_t NewIndex) {
  const int32_t n = MemberCount();
  if (CurIndex < 0 || CurIndex >= n || NewIndex < 0 || NewIndex >= n || CurIndex == NewIndex) return;
  TComponent* m = FMembers[static_cast<size_t>(CurIndex)];
  FMembers.erase(FMembers.begin() + CurIndex);
  FMembers.insert(FMembers.begin() + NewIndex, m);
}

TComponent* TdxBarGroup::Members(int32_t Index) const {
  return Index >= 0 && Index < MemberCount() ? FMembers[static_cast<size_t>(Index)] : nullptr;
}

int32_t TdxBarGroup::Index() const {
  if (!FBarManager) return -1;
  auto& list = FBarManager->FGroups;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TdxBarGroup::SetIndex(int32_t Value) {
  const int32_t cur = Index();
  if (cur < 0) return;
  auto& list = FBarManager->FGroups;
  Value = std::clamp<int32_t>(Value, 0, static_cast<int32_t>(list.size()) - 1);
  list.erase(list.begin() + cur);
  list.insert(list.begin() + Value, this);
}

TComponent* TdxBarGroup::GetParentComponent() const { return FBarManager; }
bool TdxBarGroup::HasParent() const { return true; }

void TdxBarGroup::SetParentComponent(TComponent* Value) {
  if (auto* manager = dynamic_cast<TdxBarManager*>(Value)) SetBarManager(manager);
}

void TdxBarGroup::SetName(const String& NewName) { TComponent::SetName(NewName); }

void TdxBarGroup::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != this) RemoveMember(AComponent);
}

void TdxBarGroup::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty("Items", TReaderProc(this, &TdxBarGroup::ReadItems),
                        TWriterProc(this, &TdxBarGroup::WriteItems), !FMembers.empty());
}

void TdxBarGroup::ReadItems(TReader* Reader) {
  Reader->ReadListBegin();
  while (!Reader->EndOfList()) FLoadedNames.push_back(Reader->ReadString());
  Reader->ReadListEnd();
}

void TdxBarGroup::WriteItems(TWriter* Writer) {
  Writer->WriteListBegin();
  for (TComponent* m : FMembers) Writer->WriteString(m->Name());
  Writer->WriteListEnd();
}

void TdxBarGroup::Loaded() {
  TComponent::Loaded();
  std::vector<String> names;
  names.swap(FLoadedNames);
  TComponent* form = FBarManager ? FBarManager->OwnerForm() : Owner();
  if (!form) return;
  for (const String& name : names) AddMember(form->FindComponent(name));
}

// ---- TdxBarPopupMenu ----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarPopupMenu) {
  using C = TdxBarPopupMenu;
  prop("BarManager", &C::BarManager, &C::SetBarManager);
  prop("ItemLinks", &C::ItemLinks, &C::SetItemLinks);
  event("OnPopup", &C::OnPopup, &C::OnPopup);
}

TdxBarPopupMenu::TdxBarPopupMenu(TComponent* AOwner) : TComponent(AOwner) {}

TdxBarPopupMenu::~TdxBarPopupMenu() = default;

void TdxBarPopupMenu::AfterConstruction() {
  TComponent::AfterConstruction();
  TdxBarManager* manager = FindBarManagerFor(Owner());
  FItemLinks = New<TdxBarItemLinks>(manager);
  FItemLinks->SetOwner(this);
  FItemLinks->SetUseRecentItems(false);
  SetBarManager(manager);
}

void TdxBarPopupMenu::BeforeDestruction() {
  Destroying();
  FreeAndNil(FItemLinks);
  SetBarManager(nullptr);
  TComponent::BeforeDestruction();
}

void TdxBarPopupMenu::SetBarManager(TdxBarManager* Value) {
  if (FBarManager == Value) return;
  if (FBarManager) FBarManager->RemovePopupMenu(this);
  FBarManager = Value;
  if (FItemLinks) FItemLinks->SetBarManager(Value);
  if (FBarManager) {
    FBarManager->AddPopupMenu(this);
    FBarManager->FreeNotification(this);
  }
}

void TdxBarPopupMenu::SetItemLinks(TdxBarItemLinks* Value) { FItemLinks->Assign(Value); }

TCustomdxBarControl* TdxBarPopupMenu::SubMenuControl() const { return FItemLinks ? FItemLinks->BarControl() : nullptr; }

bool TdxBarPopupMenu::IsShowing() const {
  TCustomdxBarControl* c = SubMenuControl();
  return c && c->HandleAllocated() && IsWindowVisible(c->Handle());
}

void TdxBarPopupMenu::Popup(int32_t X, int32_t Y) {
  (void)X;
  (void)Y;
  if (OnPopup) OnPopup(this);
}

bool TdxBarPopupMenu::ProcessShortCut(TShortCut AShortCut) { return FItemLinks && FItemLinks->HandleShortCut(AShortCut); }

void TdxBarPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FBarManager) {
    FBarManager = nullptr;
    if (FItemLinks) FItemLinks->SetBarManager(nullptr);
  }
}

// ---- popup-menu links ----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarPopupMenuLink) {
  using C = TdxBarPopupMenuLink;
  prop("Control", &C::Control, &C::SetControl);
  prop("PopupMenu", &C::PopupMenu, &C::SetPopupMenu);
  prop("ProcessChildren", &C::ProcessChildren, &C::SetProcessChildren).Default(true);
  event("OnAction", &C::OnAction, &C::OnAction);
}

TdxBarManager* TdxBarPopupMenuLink::BarManager() const {
  auto* links = static_cast<TdxBarPopupMenuLinks*>(Collection());
  return links ? links->BarManager() : nullptr;
}

void TdxBarPopupMenuLink::BeforeDestruction() { TCollectionItem::BeforeDestruction(); }

void TdxBarPopupMenuLink::SetControl(TWinControl* Value) {
  TdxBarManager* manager = BarManager();
  if (Value && !(manager && (manager->IsLoading() || GetBarManagerByForm(GetParentForm(Value)) == manager)))
    Value = nullptr;
  FControl = Value;
  if (Value && manager) Value->FreeNotification(manager);
}

void TdxBarPopupMenuLink::SetPopupMenu(TdxBarPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value && BarManager()) Value->FreeNotification(BarManager());
}

void TdxBarPopupMenuLink::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TdxBarPopupMenuLink*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  TdxBarManager* manager = BarManager();
  TComponent* form = manager ? manager->OwnerForm() : nullptr;
  TWinControl* control = nullptr;
  TdxBarPopupMenu* menu = nullptr;
  if (form) {
    if (source->FControl) control = dynamic_cast<TWinControl*>(form->FindComponent(source->FControl->Name()));
    if (source->FPopupMenu) menu = dynamic_cast<TdxBarPopupMenu*>(form->FindComponent(source->FPopupMenu->Name()));
  }
  SetControl(control);
  SetPopupMenu(menu);
  FProcessChildren = source->FProcessChildren;
}

bool TdxBarPopupMenuLink::ShowPopup(TWinControl* AControl, HWND AWindow, POINT APoint) {
  (void)AControl;
  if (!FControl) return false;
  MSG pending;
  while (PeekMessage(&pending, AWindow, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE)) {
  }
  const bool byMouse = APoint.x != -1;
  POINT screen = APoint;
  POINT controlPoint{-1, -1};
  if (byMouse) {
    controlPoint = FControl->ScreenToClient(APoint);
  } else {
    POINT caret{0, 0};
    if (!(GetFocus() == AWindow && GetCaretPos(&caret))) caret = POINT{0, 0};
    screen = caret;
    ClientToScreen(AWindow, &screen);
  }
  bool handled = false;
  if (FControl->OnContextPopup) FControl->OnContextPopup(FControl, controlPoint, handled);
  if (handled) return true;
  bool allow = FPopupMenu != nullptr;
  if (OnAction) {
    POINT p = FControl->ScreenToClient(screen);
    int32_t x = p.x, y = p.y;
    OnAction(this, x, y, byMouse, allow);
    screen = FControl->ClientToScreen(POINT{x, y});
  }
  if (!allow || !FPopupMenu) return allow;
  if (IsWindowEnabled(AWindow)) SetFocus(AWindow);
  FPopupMenu->Popup(screen.x, screen.y);
  return true;
}

bool TdxBarPopupMenuLink::ProcessShortCut(TShortCut AShortCut) {
  bool allow = FPopupMenu != nullptr;
  if (OnAction) {
    int32_t x = -1, y = -1;
    OnAction(this, x, y, false, allow);
  }
  return allow && FPopupMenu && FPopupMenu->ProcessShortCut(AShortCut);
}

TdxBarPopupMenuLinks::TdxBarPopupMenuLinks(TdxBarManager* ABarManager)
    : TCollection(TdxBarPopupMenuLink::StaticClass()), FBarManager(ABarManager) {}

TPersistent* TdxBarPopupMenuLinks::GetOwner() { return FBarManager; }

template <class F>
bool TdxBarPopupMenuLinks::ForControl(TWinControl* AControl, F ATry) {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Control() == AControl && ATry(Items(i))) return true;
  for (TWinControl* parent = AControl ? AControl->Parent() : nullptr; parent; parent = parent->Parent())
    for (int32_t i = 0; i < Count(); ++i)
      if (Items(i)->ProcessChildren() && Items(i)->Control() == parent && ATry(Items(i))) return true;
  return false;
}

bool TdxBarPopupMenuLinks::ShowPopup(TWinControl* AControl, HWND AWindow, POINT APoint) {
  if (FBarManager && FBarManager->IsDesigning()) return false;
  return ForControl(AControl, [&](TdxBarPopupMenuLink* l) { return l->ShowPopup(AControl, AWindow, APoint); });
}

bool TdxBarPopupMenuLinks::ProcessShortCut(TWinControl* AControl, TShortCut AShortCut) {
  return ForControl(AControl, [&](TdxBarPopupMenuLink* l) { return l->ProcessShortCut(AShortCut); });
}

// ---- TdxBarBackgrounds -----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarBackgrounds) {
  using C = TdxBarBackgrounds;
  prop("Bar", &C::Bar, &C::SetBar);
  prop("SubMenu", &C::SubMenu, &C::SetSubMenu);
}

TdxBarBackgrounds::TdxBarBackgrounds(TdxBarManager* ABarManager)
    : FBarManager(ABarManager), FBar(New<TBitmap>()), FSubMenu(New<TBitmap>()) {
  FBar->OnChange = TNotifyEvent(this, &TdxBarBackgrounds::BarChanged);
}

TdxBarBackgrounds::~TdxBarBackgrounds() {
  delete FBar;
  delete FSubMenu;
}

TPersistent* TdxBarBackgrounds::GetOwner() { return FBarManager; }

void TdxBarBackgrounds::BarChanged(TObject*) {
  if (FBarManager) FBarManager->StyleChanged();
}

void TdxBarBackgrounds::SetBar(TBitmap* Value) {
  const bool wasEmpty = FBar->Empty();
  FBar->OnChange = nullptr;
  FBar->Assign(Value);
  FBar->OnChange = TNotifyEvent(this, &TdxBarBackgrounds::BarChanged);
  if ((Value && !Value->Empty()) || !wasEmpty) BarChanged(nullptr);
}

void TdxBarBackgrounds::SetSubMenu(TBitmap* Value) { FSubMenu->Assign(Value); }

void TdxBarBackgrounds::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TdxBarBackgrounds*>(Source)) {
    SetBar(source->FBar);
    SetSubMenu(source->FSubMenu);
    return;
  }
  TPersistent::Assign(Source);
}
