// Item links and the recent-items mode.

#include <algorithm>
#include <climits>

#include "forms/ActnList.h"
#include "forms/Forms.h"
#include "rtl/Math.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Utf8.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/bars/detail/dxBarState.h"
#include "ui/base/cxClasses.h"

namespace {

template <class T>
int32_t IndexIn(const std::vector<T*>& AList, const T* AValue) {
  auto it = std::find(AList.begin(), AList.end(), AValue);
  return it == AList.end() ? -1 : static_cast<int32_t>(it - AList.begin());
}

// The item whose menu these links are, or nullptr.
TdxBarItem* SubItemOwner(const TdxBarItemLinks* ALinks) {
  auto* item = dynamic_cast<TdxBarItem*>(ALinks->Owner());
  return item && item->SubItemLinks() == ALinks ? item : nullptr;
}

bool ContainsItemAtDepth(const TdxBarItemLinks* ALinks, const TdxBarItem* AItem, int ADepth);

bool LinkContainsItemAtDepth(const TdxBarItemLink* ALink, const TdxBarItem* AItem, int ADepth) {
  if (!ALink->Item()) return false;
  if (ALink->Item() == AItem) return true;
  // Menus nest only as deep as the sub-items allow; the depth bound guards against a cycle made behind
  // the links' back.
  if (ADepth > 64) return false;
  TdxBarItemLinks* links = ALink->Item()->SubItemLinks();
  return links && ContainsItemAtDepth(links, AItem, ADepth + 1);
}

bool ContainsItemAtDepth(const TdxBarItemLinks* ALinks, const TdxBarItem* AItem, int ADepth) {
  for (int32_t i = 0; i < ALinks->Count(); ++i)
    if (LinkContainsItemAtDepth(ALinks->Items(i), AItem, ADepth)) return true;
  return false;
}

}  // namespace

bool CanLinkItem(TPersistent* AOwner, TdxBarItem* AItem) {
  if (!AItem || !AOwner) return true;
  if (TdxBarItemLinks* links = AItem->SubItemLinks()) {
    if (AOwner == AItem) return false;
    // The owner lies in the item's menu, at any depth.
    if (auto* ownerItem = dynamic_cast<TdxBarItem*>(AOwner); ownerItem && ContainsItemAtDepth(links, ownerItem, 0))
      return false;
  }
  if (TdxBarItemLinks* dropDown = AItem->DropDownLinks()) {
    if (dropDown->Owner() == AOwner) return false;
    if (auto* ownerItem = dynamic_cast<TdxBarItem*>(AOwner); ownerItem && ContainsItemAtDepth(dropDown, ownerItem, 0))
      return false;
  }
  return true;
}

char32_t GetAcceleratorChar(const String& ACaption, TShiftState& AShift) {
  char32_t found = 0;
  size_t i = 0;
  while (i < ACaption.size()) {
    if (ACaption[i] == '&') {
      if (i + 1 < ACaption.size() && ACaption[i + 1] == '&') {
        i += 2;
        continue;
      }
      if (i + 1 < ACaption.size()) {
        size_t len = 0;
        found = Utf8CodePointAt(ACaption, i + 1, &len);
        i += 1 + std::max<size_t>(len, 1);
        continue;
      }
    }
    i += std::max<size_t>(Utf8UnitLength(ACaption, i), 1);
  }
  if (!found) return 0;
  const char32_t lower = UnicodeToLower(found);
  if (lower != found) AShift.Exclude(ssShift);
  return lower;
}

// ---- TdxBarItemLink ----------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarItemLink) {
  using C = TdxBarItemLink;
  prop("BeginGroup", &C::BeginGroup, &C::SetBeginGroup).Default(false);
  prop("Item", &C::Item, &C::SetItem);
  prop("MostRecentlyUsed", &C::MostRecentlyUsed, &C::SetMostRecentlyUsed).Default(true);
  prop("UserCaption", &C::UserCaption, &C::SetUserCaption);
  prop("UserDefine", &C::UserDefine, &C::SetUserDefine).Default(TdxBarUserDefines{});
  prop("UserGlyph", &C::UserGlyph, &C::SetUserGlyph);
  prop("UserPaintStyle", &C::UserPaintStyle, &C::SetUserPaintStyle).Default(TdxBarPaintStyle::psStandard);
  prop("UserWidth", &C::UserWidth, &C::SetUserWidth).Default(0);
  prop("Visible", [](C& c) { return c.GetLinks() && c.GetLinks()->IsAssigning() ? c.FLoadedVisible : c.FVisible; },
       &C::SetVisible)
      .Default(true);
}

TdxBarItemLink::TdxBarItemLink(TCollection* ACollection) : TCollectionItem(ACollection), FUserGlyph(New<TBitmap>()) {}

TdxBarItemLink::~TdxBarItemLink() { delete FUserGlyph; }

void TdxBarItemLink::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  TdxBarItemLinks* links = GetLinks();
  if (!links) return;
  FInCollection = true;
  TdxBarManager* manager = links->BarManager();
  if (manager) FUseCount = manager->InitialUseCount();
  links->FRecentList.push_back(this);
  if (manager && !manager->IsLoading() && manager->OnItemLinkAdd) manager->OnItemLinkAdd(manager, this);
}

void TdxBarItemLink::BeforeDestruction() {
  TdxBarItemLinks* links = GetLinks();
  TdxBarManager* manager = links ? links->BarManager() : nullptr;
  if (manager && !manager->IsBeingDestroyed() && manager->OnItemLinkDelete) manager->OnItemLinkDelete(manager, this);
  DestroyControl();
  RemoveFromItem();
  if (links) {
    auto& recent = links->FRecentList;
    recent.erase(std::remove(recent.begin(), recent.end(), this), recent.end());
  }
  FInCollection = false;
  TCollectionItem::BeforeDestruction();
  if (links && !links->FDestroyingLists) {
    TCustomdxBarControl* bar = links->BarControl();
    if (bar && bar->HandleAllocated() && !bar->IsDestroying()) bar->Rebuild();
    if (links->OnChange) links->OnChange(links);
  }
}

void TdxBarItemLink::RemoveFromItem() {
  if (!FItem) return;
  auto& list = FItem->FLinks;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TdxBarItemLinks* TdxBarItemLink::GetLinks() const { return static_cast<TdxBarItemLinks*>(Collection()); }

TCustomdxBarControl* TdxBarItemLink::GetBarControl() const {
  TdxBarItemLinks* links = GetLinks();
  return links ? links->BarControl() : nullptr;
}

TdxBarManager* TdxBarItemLink::GetBarManager() const {
  TdxBarItemLinks* links = GetLinks();
  return links ? links->BarManager() : nullptr;
}

int32_t TdxBarItemLink::GetActiveIndex() const { return GetLinks() ? GetLinks()->IndexOfActive(this) : -1; }
int32_t TdxBarItemLink::GetAvailableIndex() const { return GetLinks() ? GetLinks()->IndexOfAvailable(this) : -1; }
int32_t TdxBarItemLink::GetVisibleIndex() const { return GetLinks() ? GetLinks()->IndexOfVisible(this) : -1; }

bool TdxBarItemLink::GetBeginGroup() const {
  const int32_t v = GetVisibleIndex();
  if (v == -1) return FBeginGroup;
  if (v == 0) return false;
  if (FBeginGroup) return true;
  // A separator carried by a link hidden between the previous shown link and this one stays.
  TdxBarItemLinks* links = GetLinks();
  const int32_t from = links->IndexOfActive(links->VisibleItems(v - 1));
  const int32_t to = links->IndexOfActive(this);
  if (from < 0 || to < 0) return false;
  for (int32_t i = from + 1; i < to; ++i)
    if (links->ActiveItems(i)->FBeginGroup) return true;
  return false;
}

String TdxBarItemLink::GetCaption() const {
  if (FUserDefine.Contains(udCaption) || !FItem) return FUserCaption;
  return FItem->Caption();
}

TBitmap* TdxBarItemLink::GetGlyph() const {
  if (FUserDefine.Contains(udGlyph) || !FItem) return FUserGlyph;
  return FItem->Glyph();
}

TdxBarPaintStyle TdxBarItemLink::GetPaintStyle() const {
  if (FUserDefine.Contains(udPaintStyle) || !FItem) return FUserPaintStyle;
  return FItem->GetPaintStyle();
}

int32_t TdxBarItemLink::GetWidth() const {
  if (FUserDefine.Contains(udWidth)) return FUserWidth;
  return FItem ? FItem->GetLinkWidth() : 0;
}

bool TdxBarItemLink::IsAvailable() const { return FItem && FItem->IsActuallyVisible() && FVisible; }

bool TdxBarItemLink::ContainsItem(TdxBarItem* AItem) const { return LinkContainsItemAtDepth(this, AItem, 0); }

void TdxBarItemLink::UpdateAction() {
  if (FItem && FItem->ActionLink()) FItem->ActionLink()->Update();
}

// ---- property setters ---------------------------------------------------------------------------------------

void TdxBarItemLink::SetBeginGroup(bool Value) {
  if (FBeginGroup == Value) return;
  FBeginGroup = Value;
  if (FControl) FControl->BeginGroupChanged();
  Changed();
}

void TdxBarItemLink::SetItem(TdxBarItem* Value) {
  if (FItem == Value) return;
  TdxBarItemLinks* links = GetLinks();
  if (Value && links) {
    // A sub-item may not show itself or a menu that shows it: refused before the link changes at all.
    if (TdxBarItem* owner = SubItemOwner(links); owner && !CanLinkItem(owner, Value))
      throw Exception(TranslateString(sdxBarRecursiveSubItems));
  }
  DestroyControl();
  RemoveFromItem();
  FItem = nullptr;
  if (!Value) {
    Free();
    return;
  }
  FItem = Value;
  FItem->FLinks.push_back(this);
  if (links) {
    links->RebuildLists();
    auto* ownerComponent = dynamic_cast<TComponent*>(links->Owner());
    const bool loading = (ownerComponent && ownerComponent->ComponentState().Contains(csLoading)) ||
                         (links->BarManager() && links->BarManager()->IsLoading());
    if (!loading) ApplyMostRecentlyUsed();
    if (IsAvailable() && GetBarControl()) CreateControl();
  }
  Changed();
}

void TdxBarItemLink::SetMostRecentlyUsed(bool Value) {
  if (FMostRecentlyUsed == Value) return;
  FMostRecentlyUsed = Value;
  ApplyMostRecentlyUsed();
  if (TCustomdxBarControl* bar = GetBarControl()) bar->Rebuild();
  Changed();
}

void TdxBarItemLink::SetUserCaption(const String& Value) {
  if (FUserCaption == Value && FUserDefine.Contains(udCaption)) return;
  FUserCaption = Value;
  FUserDefine.Include(udCaption);
  if (FControl) FControl->CaptionChanged();
  Changed();
}

void TdxBarItemLink::SetUserDefine(TdxBarUserDefines Value) {
  if (FUserDefine == Value) return;
  FUserDefine = Value;
  if (!Value.Contains(udCaption)) FUserCaption.clear();
  if (!Value.Contains(udGlyph)) {
    TBitmap empty;
    FUserGlyph->Assign(&empty);
  }
  if (!Value.Contains(udPaintStyle)) FUserPaintStyle = TdxBarPaintStyle::psStandard;
  if (!Value.Contains(udWidth)) FUserWidth = 0;
  if (FControl) {
    FControl->CaptionChanged();
    if (FControl) FControl->GlyphChanged();
  }
  Changed();
}

void TdxBarItemLink::SetUserGlyph(TBitmap* Value) {
  FUserGlyph->Assign(Value);
  FUserDefine.Include(udGlyph);
  if (FControl) FControl->GlyphChanged();
  Changed();
}

void TdxBarItemLink::SetUserPaintStyle(TdxBarPaintStyle Value) {
  if (Value == GetPaintStyle() && FUserDefine.Contains(udPaintStyle)) return;
  if (Value == GetPaintStyle() && FUserPaintStyle == Value) return;
  FUserPaintStyle = Value;
  FUserDefine.Include(udPaintStyle);
  if (FControl) FControl->PaintStyleChanged();
  Changed();
}

void TdxBarItemLink::SetUserWidth(int32_t Value) {
  EnsureMinItemWidth(Value);
  if (Value == GetWidth() && FUserDefine.Contains(udWidth)) return;
  FUserWidth = Value;
  FUserDefine.Include(udWidth);
  if (FControl) FControl->WidthChanged();
  Changed();
}

void TdxBarItemLink::SetVisible(bool Value) {
  TdxBarItemLinks* links = GetLinks();
  TdxBarManager* manager = GetBarManager();
  if ((manager && manager->IsLoading()) || (links && links->IsAssigning())) {
    FLoadedVisible = Value;
    return;
  }
  if (FVisible == Value) return;
  FVisible = Value;
  if (!manager || !manager->IsDesigning()) {
    if (links) links->RebuildLists();
    if (Value) {
      MarkUsed(false);
      if (GetBarControl()) {
        CreateControl();
        if (FControl) FControl->VisibleChanged();
      }
    } else {
      MarkUnused();
      if (FControl) {
        FControl->VisibleChanged();
        DestroyControl();
      }
    }
  }
  Changed();
}

// ---- controls ------------------------------------------------------------------------------------------------

void TdxBarItemLink::CreateControl() {
  TCustomdxBarControl* bar = GetBarControl();
  if (FControl || !bar || !FItem) return;
  TClass controlClass = nullptr;
  dxbar_detail::TBarUnitState& S = dxbar_detail::BarState();
  if (FItem->IsWindowItem() && IsRotatedVerticalToolbar(bar)) {
    controlClass = S.PlainButtonControlClass;
  } else if (const TRegItemRecord* r = FindRegItemRecord(FItem->ClassType())) {
    controlClass = r->ControlClass;
  }
  if (controlClass) FControl = CreateAs<TdxBarItemControl>(controlClass, this);
}

void TdxBarItemLink::DestroyControl() {
  TdxBarItemControl* control = FControl;
  if (!control) return;
  FControl = nullptr;
  control->FLink = nullptr;
  if (TdxBarManager* m = GetBarManager(); m && m->SelectedControl() == control) m->ClearSelectedControl();
  control->Free();
}

void TdxBarItemLink::Changed() {
  TdxBarItemLinks* links = GetLinks();
  TdxBarManager* manager = GetBarManager();
  TCustomdxBarControl* bar = GetBarControl();
  if (bar && bar->IsCustomizing()) {
    if (auto* popup = links ? dynamic_cast<TdxBarPopupMenu*>(links->Owner()) : nullptr)
      popup->DesignerModified();
    else if (manager)
      manager->Modified();
  }
  if (manager && !manager->IsLoading() && manager->OnItemLinkChange) manager->OnItemLinkChange(manager, this);
}

// ---- usage -------------------------------------------------------------------------------------------------------

int32_t TdxBarItemLink::GetRecentIndex() const { return GetLinks() ? GetLinks()->IndexOfRecent(this) : -1; }

void TdxBarItemLink::SetRecentIndex(int32_t APosition) {
  TdxBarItemLinks* links = GetLinks();
  if (!links) {
    FSavedRecentPosition = APosition;
    return;
  }
  auto& recent = links->FRecentList;
  auto it = std::find(recent.begin(), recent.end(), this);
  if (it == recent.end()) return;
  recent.erase(it);
  const int32_t pos = std::clamp(APosition, 0, static_cast<int32_t>(recent.size()));
  recent.insert(recent.begin() + pos, this);
  links->RebuildLists();
}

void TdxBarItemLink::BringToFront(bool ACountUse) {
  SetRecentIndex(0);
  if (ACountUse) ++FUseCount;
}

void TdxBarItemLink::SaveRecentPosition() { FSavedRecentPosition = GetRecentIndex(); }

void TdxBarItemLink::RestoreRecentPosition() {
  if (FSavedRecentPosition >= 0) SetRecentIndex(FSavedRecentPosition);
}

void TdxBarItemLink::MarkUsed(bool ACountUse) {
  if (!IsAvailable()) return;
  TdxBarItemLinks* links = GetLinks();
  const int32_t shownBefore = GetVisibleIndex();
  BringToFront(ACountUse);
  if (!links || links->IndexOfAvailable(this) < 0) return;
  TdxBarManager* manager = links->BarManager();
  TCustomdxBarControl* bar = links->BarControl();
  if (bar && bar->Bar() && shownBefore == -1 && manager && manager->IsRecentItemsStyle() && bar->HandleAllocated())
    PostMessage(bar->Handle(), WM_DXBAR_DEFERREDREBUILD, 0, 0);
  // The item that opened these links was used too, up the menu chain.
  if (TdxBarItem* opener = SubItemOwner(links))
    if (TdxBarItemLink* active = opener->FindActiveLink()) active->GetSourceLink()->MarkUsed(ACountUse);
}

void TdxBarItemLink::MarkUnused() {
  TdxBarItemLinks* links = GetLinks();
  if (!links) return;
  const int32_t shownBefore = GetVisibleIndex();
  auto& recent = links->FRecentList;
  auto it = std::find(recent.begin(), recent.end(), this);
  if (it == recent.end()) return;
  recent.erase(it);
  recent.push_back(this);
  links->RebuildLists();
  TdxBarManager* manager = links->BarManager();
  TCustomdxBarControl* bar = links->BarControl();
  if (bar && bar->Bar() && shownBefore >= 0 && manager && manager->IsRecentItemsStyle() && bar->HandleAllocated())
    PostMessage(bar->Handle(), WM_DXBAR_DEFERREDREBUILD, 0, 0);
}

void TdxBarItemLink::ApplyMostRecentlyUsed() {
  TdxBarManager* manager = GetBarManager();
  if (FMostRecentlyUsed) {
    FUseCount = manager ? manager->InitialUseCount() : 0;
    MarkUsed(false);
  } else {
    FUseCount = 0;
    MarkUnused();
  }
}

void TdxBarItemLink::CopyUsageFrom(TdxBarItemLink* ALink) {
  FUseCount = ALink->FUseCount;
  SetRecentIndex(ALink->GetRecentIndex());
}

bool TdxBarItemLink::IsAcceleratorKey(uint16_t AKey, TShiftState AShift) const {
  const char32_t c = GetAcceleratorChar(GetCaption(), AShift);
  if (!c) return false;
  if (c >= '0' && c <= '9') return AKey == c && !AShift.Contains(ssShift) && !AShift.Contains(ssCtrl) &&
                                    !AShift.Contains(ssAlt);
  const SHORT scan = c < 0x80 ? VkKeyScan(static_cast<char>(c)) : VkKeyScanExW(c, nullptr);
  if (scan == -1) return false;
  const uint8_t vk = static_cast<uint8_t>(scan & 0xFF), flags = static_cast<uint8_t>((scan >> 8) & 0xFF);
  return AKey == vk && AShift.Contains(ssShift) == ((flags & 1) != 0) && AShift.Contains(ssCtrl) == ((flags & 2) != 0);
}

// ---- assignment --------------------------------------------------------------------------------------------

void TdxBarItemLink::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TdxBarItemLink*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  FData = source->FData;
  FUserCaption = source->FUserCaption;
  FUserGlyph->Assign(source->FUserGlyph);
  FUserPaintStyle = source->FUserPaintStyle;
  FUserWidth = source->FUserWidth;
  TdxBarItem* item = source->FItem;
  TdxBarItemLinks* links = GetLinks();
  TdxBarManager* manager = GetBarManager();
  if (item && manager) {
    if (dxBarResetting()) {
      TComponent* form = manager->OwnerForm();
      item = form ? dynamic_cast<TdxBarItem*>(form->FindComponent(source->FItem->Name())) : nullptr;
    } else if (manager->ComponentState().Contains(csUpdating) ||
               (links && (dynamic_cast<TdxBarPopupMenu*>(links->Owner()) || SubItemOwner(links)))) {
      item = manager->FindItemByName(source->FItem->Name());
    }
  }
  if (item) SetItem(item);
  SetUserDefine(source->FUserDefine);
  SetBeginGroup(source->GetBeginGroup());
  SetVisible(source->FVisible);
}

// ---- TdxBarItemLinks ---------------------------------------------------------------------------------------

TdxBarItemLinks::TdxBarItemLinks(TdxBarManager* ABarManager)
    : TCollection(TdxBarItemLink::StaticClass()), FBarManager(ABarManager) {}

TdxBarItemLinks::~TdxBarItemLinks() = default;

void TdxBarItemLinks::BeforeDestruction() {
  if (FBarControl && !FBarControl->IsDestroying()) {
    TCustomdxBarControl* bar = FBarControl;
    FBarControl = nullptr;
    bar->SetItemLinks(nullptr);
    for (int32_t i = 0; i < Count(); ++i) Items(i)->DestroyControl();
    bar->Free();
  }
  FDestroyingLists = true;
  TCollection::BeforeDestruction();
}

TdxBarItemLink* TdxBarItemLinks::AddItem(TdxBarItem* AItem, bool ABeginGroup) {
  TdxBarItemLink* link = Add();
  link->SetItem(AItem);
  if (ABeginGroup) link->SetBeginGroup(true);
  return link;
}

TdxBarItemLink* TdxBarItemLinks::ActiveItems(int32_t Index) const { return FActiveList.at(static_cast<size_t>(Index)); }
TdxBarItemLink* TdxBarItemLinks::AvailableItems(int32_t Index) const {
  return FAvailableList.at(static_cast<size_t>(Index));
}
TdxBarItemLink* TdxBarItemLinks::VisibleItems(int32_t Index) const { return FShownList.at(static_cast<size_t>(Index)); }
TdxBarItemLink* TdxBarItemLinks::RecentItemList(int32_t Index) const {
  return FRecentList.at(static_cast<size_t>(Index));
}
int32_t TdxBarItemLinks::IndexOfActive(const TdxBarItemLink* ALink) const { return IndexIn(FActiveList, ALink); }
int32_t TdxBarItemLinks::IndexOfAvailable(const TdxBarItemLink* ALink) const { return IndexIn(FAvailableList, ALink); }
int32_t TdxBarItemLinks::IndexOfVisible(const TdxBarItemLink* ALink) const { return IndexIn(FShownList, ALink); }
int32_t TdxBarItemLinks::IndexOfRecent(const TdxBarItemLink* ALink) const { return IndexIn(FRecentList, ALink); }

bool TdxBarItemLinks::IsDesigning() const { return FBarManager && FBarManager->IsDesigning(); }

TPersistent* TdxBarItemLinks::GetOwner() { return FOwner ? FOwner : FBarManager; }

bool TdxBarItemLinks::ChangesModifyManager() const {
  if (!FModifiesManager) return false;
  if (TdxBarItem* item = SubItemOwner(this)) return item->AreLinksCustomizable();
  return true;
}

void TdxBarItemLinks::Update(TCollectionItem* AItem) {
  if (FDestroyingLists) return;
  if (auto* owner = dynamic_cast<TComponent*>(FOwner); owner && owner->ComponentState().Contains(csDestroying))
    return;
  if (ChangesModifyManager()) {
    if (auto* popup = dynamic_cast<TdxBarPopupMenu*>(FOwner))
      popup->DesignerModified();
    else if (FBarManager)
      FBarManager->Modified();
  }
  TCollection::Update(AItem);
  RebuildLists();
  if (OnChange) OnChange(this);
}

void TdxBarItemLinks::Assign(TPersistent* Source) {
  FAssigning = true;
  ScopeExit done([&] {
    FAssigning = false;
    for (int32_t i = Count() - 1; i >= 0; --i) Items(i)->SetVisible(Items(i)->FLoadedVisible);
  });
  TCollection::Assign(Source);
}

TCustomdxBarControl* TdxBarItemLinks::CreateBarControl() {
  if (FBarControl) return FBarControl;
  dxbar_detail::TBarUnitState& S = dxbar_detail::BarState();
  TCustomdxBarControl* control = nullptr;
  if (auto* bar = dynamic_cast<TdxBar*>(FOwner)) {
    if (!S.ToolbarClass || !FBarManager) return nullptr;
    control = CreateAs<TCustomdxBarControl>(S.ToolbarClass, FBarManager);
    control->SetBar(bar);
  } else {
    TdxBarManager* manager = FBarManager;
    if (TdxBarItem* item = SubItemOwner(this))
      if (TdxBarItemLink* active = item->FindActiveLink(); active && active->GetBarManager())
        manager = active->GetBarManager();
    if (!S.SubMenuClass || !manager) return nullptr;
    control = CreateAs<TCustomdxBarControl>(S.SubMenuClass, manager);
  }
  FBarControl = control;
  control->SetItemLinks(this);
  control->CreateItemControls();
  return control;
}

bool TdxBarItemLinks::ContainsItem(TdxBarItem* AItem) const { return ContainsItemAtDepth(this, AItem, 0); }

void TdxBarItemLinks::UpdateActions() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->UpdateAction();
}

void TdxBarItemLinks::ClearItemRects() {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->SetItemRect(RECT{0, 0, 0, 0});
}

// ---- recent items -----------------------------------------------------------------------------------------

bool TdxBarItemLinks::IsRecentItemsMode() const {
  if (!FBarManager || !FBarManager->IsRecentItemsStyle()) return false;
  const TdxBarItemLinks* links = this;
  bool result = FUseRecentItems;
  // A menu follows the bar or popup menu at the root of its chain.
  for (int guard = 0; guard < 64; ++guard) {
    result = links->FUseRecentItems;
    if (dynamic_cast<TdxBar*>(links->FOwner) || dynamic_cast<TdxBarPopupMenu*>(links->FOwner)) return result;
    TCustomdxBarControl* window = links->FBarControl;
    TCustomdxBarControl* parent = window ? window->ParentBarControl() : nullptr;
    if (!parent || !parent->ItemLinks()) return result;
    links = parent->ItemLinks();
  }
  return result;
}

int32_t TdxBarItemLinks::CalcRecentItemCount() const {
  if (!IsRecentItemsMode()) return -1;
  int32_t minCount = INT_MAX, maxCount = 0;
  for (TdxBarItemLink* link : FAvailableList) {
    minCount = std::min(minCount, link->UseCount());
    maxCount = std::max(maxCount, link->UseCount());
  }
  const int32_t available = AvailableItemCount();
  if (available == 0) return -1;
  const int32_t threshold = minCount + MulDiv(maxCount - minCount, 100 - FBarManager->MostRecentItemsPercents(), 100);
  int32_t n = 0;
  for (int32_t pos = std::min(available, RecentItemListCount()) - 1; pos >= 0; --pos) {
    TdxBarItemLink* link = FRecentList[static_cast<size_t>(pos)];
    if (link->UseCount() >= threshold && IndexOfAvailable(link) >= 0) {
      n = pos + 1;
      break;
    }
  }
  return n == available ? -1 : n;
}

void TdxBarItemLinks::SetRecentItemCount(int32_t Value) {
  FPrevRecentItemCount = FRecentItemCount;
  FRecentItemCount = IsRecentItemsMode() ? Value : -1;
  RebuildLists();
}

void TdxBarItemLinks::RestoreRecentItemCount() {
  FRecentItemCount = FPrevRecentItemCount;
  RebuildLists();
}

void TdxBarItemLinks::RebuildLists() {
  if (FDestroyingLists) return;
  FActiveList.clear();
  FAvailableList.clear();
  FShownList.clear();
  const bool designing = IsDesigning();
  for (int32_t i = 0; i < Count(); ++i) {
    TdxBarItemLink* link = Items(i);
    if (!link->Item() || !link->FInCollection) continue;
    if (designing || link->Item()->IsActuallyVisible()) {
      FActiveList.push_back(link);
      if (designing || link->Visible()) {
        FAvailableList.push_back(link);
        if (designing || FRecentItemCount == -1) FShownList.push_back(link);
      }
    }
  }
  if (!designing && FRecentItemCount >= 1) {
    for (TdxBarItemLink* link : FRecentList) {
      if (static_cast<int32_t>(FShownList.size()) >= FRecentItemCount) break;
      if (IndexOfAvailable(link) >= 0) FShownList.push_back(link);
    }
    std::sort(FShownList.begin(), FShownList.end(), [this](TdxBarItemLink* a, TdxBarItemLink* b) {
      return IndexOfAvailable(a) < IndexOfAvailable(b);
    });
  }
}

void TdxBarItemLinks::ApplyLoadedState(bool AApplyVisible) {
  for (int32_t i = Count() - 1; i >= 0; --i)
    if (i < Count() && Items(i)->Item()) Items(i)->ApplyMostRecentlyUsed();
  if (AApplyVisible)
    for (int32_t i = Count() - 1; i >= 0; --i)
      if (i < Count()) Items(i)->SetVisible(Items(i)->FLoadedVisible);
  for (int32_t i = 0; i < Count(); ++i)
    for (int32_t j = 0; j < Count(); ++j) {
      TdxBarItemLink* link = Items(j);
      if (link->FLoadedRecentIndex != i) continue;
      link->FUseCount = link->FLoadedUseCount;
      link->SetRecentIndex(i);
      link->FLoadedRecentIndex = -1;
    }
}

void TdxBarItemLinks::CopyUsageFlags(TdxBarItemLinks* AOther) {
  const int32_t n = std::min(Count(), AOther->Count());
  for (int32_t i = 0; i < n; ++i) Items(i)->FMostRecentlyUsed = AOther->Items(i)->FMostRecentlyUsed;
  ApplyLoadedState(false);
  CompactRecentList();
}

void TdxBarItemLinks::CompactRecentList() {
  std::stable_partition(FRecentList.begin(), FRecentList.end(),
                        [this](TdxBarItemLink* l) { return IndexOfAvailable(l) >= 0; });
  RebuildLists();
}

// ---- selection walk -------------------------------------------------------------------------------------------

bool TdxBarItemLinks::LinkIsSelectable(TdxBarItemLink* ALink) {
  return ALink && ALink->Control() && ALink->Control()->CanSelect();
}

int32_t TdxBarItemLinks::GetSelectableCount() {
  if (!dynamic_cast<TdxBar*>(FOwner) || !FBarControl) return VisibleItemCount();
  const RECT client = FBarControl->ClientRect();
  int32_t n = 0;
  for (TdxBarItemLink* link : FShownList) {
    const RECT r = link->ItemRect();
    if (r.right <= r.left || r.bottom <= r.top) break;
    if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom) break;
    ++n;
  }
  return n;
}

TdxBarItemLink* TdxBarItemLinks::GetFirstSelectableLink() {
  const int32_t n = GetSelectableCount();
  for (int32_t i = 0; i < n; ++i)
    if (LinkIsSelectable(FShownList[static_cast<size_t>(i)])) return FShownList[static_cast<size_t>(i)];
  return nullptr;
}

TdxBarItemLink* TdxBarItemLinks::GetLastSelectableLink() {
  for (int32_t i = GetSelectableCount() - 1; i >= 0; --i)
    if (LinkIsSelectable(FShownList[static_cast<size_t>(i)])) return FShownList[static_cast<size_t>(i)];
  return nullptr;
}

TdxBarItemLink* TdxBarItemLinks::GetNextSelectableLink(TdxBarItemLink* ALink) {
  if (!ALink) return GetFirstSelectableLink();
  const int32_t n = GetSelectableCount();
  int32_t i = IndexOfVisible(ALink);
  if (n <= 0) return nullptr;
  for (int32_t step = 0; step < n; ++step) {
    i = (i + 1) % n;
    if (i < 0) i = 0;
    if (LinkIsSelectable(FShownList[static_cast<size_t>(i)])) return FShownList[static_cast<size_t>(i)];
  }
  return nullptr;
}

TdxBarItemLink* TdxBarItemLinks::GetPrevSelectableLink(TdxBarItemLink* ALink) {
  if (!ALink) return GetLastSelectableLink();
  const int32_t n = GetSelectableCount();
  int32_t i = IndexOfVisible(ALink);
  if (n <= 0) return nullptr;
  if (i < 0 || i > n) i = n;
  for (int32_t step = 0; step < n; ++step) {
    i = (i - 1 + n) % n;
    if (LinkIsSelectable(FShownList[static_cast<size_t>(i)])) return FShownList[static_cast<size_t>(i)];
  }
  return nullptr;
}

// ---- keys -------------------------------------------------------------------------------------------------------

bool TdxBarItemLinks::HandleShortCut(TShortCut AShortCut) {
  if (AShortCut == 0) return false;
  UpdateActions();
  for (TdxBarItemLink* link : std::vector<TdxBarItemLink*>(FActiveList)) {
    TdxBarItem* item = link->Item();
    if (!item || !item->GetEnabled()) continue;
    if (TdxBarItemLinks* sub = item->SubItemLinks()) {
      if (sub->HandleShortCut(AShortCut)) return true;
      continue;
    }
    if (!item->IsClickable()) continue;
    if (item->ShortCut() == AShortCut) {
      item->DirectClick();
      return true;
    }
    if (TdxBarItemLinks* dropDown = item->DropDownLinks(); dropDown && dropDown->HandleShortCut(AShortCut)) return true;
  }
  return false;
}

TdxBarItemLink* TdxBarItemLinks::FindAcceleratedLink(uint16_t AKey, TShiftState AShift, TdxBarItemLink* AStart) {
  AShift.Exclude(ssAlt);
  auto matches = [&](TdxBarItemLink* l) {
    return l && l->Item() && l->Item()->HasAccelerator(l) && l->IsAcceleratorKey(AKey, AShift);
  };
  if (dynamic_cast<TdxBar*>(FOwner)) {
    if (!FBarControl || !FBarControl->HandleAllocated() || !IsWindowVisible(FBarControl->Handle())) return nullptr;
    TdxBarItemLink* first = AStart ? GetNextSelectableLink(AStart) : GetFirstSelectableLink();
    if (!first) return nullptr;
    TdxBarItemLink* l = first;
    // The start link is tested last; the walk ends after a full turn.
    for (int32_t guard = 0; guard <= VisibleItemCount(); ++guard) {
      if (l != AStart && matches(l)) return l;
      l = GetNextSelectableLink(l);
      if (!l || l == first) break;
    }
    return AStart && matches(AStart) ? AStart : nullptr;
  }
  const int32_t n = AvailableItemCount();
  if (n == 0) return nullptr;
  if (!AStart) AStart = FAvailableList[0];
  int32_t start = IndexOfAvailable(AStart);
  if (start < 0) start = 0;
  for (int32_t step = 1; step <= n; ++step) {
    TdxBarItemLink* l = FAvailableList[static_cast<size_t>((start + step) % n)];
    if (matches(l)) return l;
  }
  return nullptr;
}
