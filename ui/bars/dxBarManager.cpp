// The bar manager.

#include <algorithm>

#include "forms/Forms.h"
#include "forms/ImgList.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"
#include "rtl/ScopeExit.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/bars/detail/dxBarState.h"
#include "ui/base/cxClasses.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/WinText.h"

using dxbar_detail::BarState;

namespace {

// The theme classes the XP style draws with; it is available only when all of them open.
const TdxThemedObjectTypes kXPThemeClasses{totButton, totComboBox, totEdit, totRebar, totScrollBar,
                                           totSpin,   totToolBar,  totToolTip, totWindow};

TComponent* CheckedManagerOwner(TComponent* AOwner) {
  TComponent* owner = AOwner;
  if (!owner && Application) owner = Application->MainForm();
  auto* form = dynamic_cast<TCustomForm*>(owner);
  if (!form) throw Exception(TranslateString(sdxBarManagerBadOwner));
  if (GetBarManagerByForm(form)) throw Exception(TranslateString(sdxBarManagerMoreThenOne));
  return owner;
}

template <class T>
void FreeObjectPtr(T*& p) {
  if (p) FreeAndNil(p);
}

HBRUSH SolidBrushOf(TColor AColor) { return CreateSolidBrush(ColorToRGB(GetNearestScreenColor(AColor))); }

}  // namespace

RTL_PUBLISHED(TdxBarManager) {
  using C = TdxBarManager;
  const PTypeInfo color = TypeInfoAlias("TColor", TypeInfo<int32_t>());
  prop("AllowCallFromAnotherForm", &C::AllowCallFromAnotherForm, &C::SetAllowCallFromAnotherForm).Default(false);
  prop("AllowReset", &C::AllowReset, &C::SetAllowReset).Default(true);
  prop("AlwaysMerge", &C::AlwaysMerge, &C::SetAlwaysMerge).Default(false);
  prop("AlwaysSaveText", &C::AlwaysSaveText, &C::SetAlwaysSaveText).Default(false);
  prop("AutoDockColor", &C::AutoDockColor, &C::SetAutoDockColor).Default(true);
  prop("AutoHideEmptyBars", &C::AutoHideEmptyBars, &C::SetAutoHideEmptyBars).Default(false);
  prop("Scaled", &C::Scaled, &C::SetScaled).Default(true);
  prop("Font", &C::Font, &C::SetFont);
  prop("Backgrounds", &C::Backgrounds, &C::SetBackgrounds);
  prop("Bars", &C::Bars, &C::SetBars);
  prop("ButtonArrowWidth", &C::ButtonArrowWidth, &C::SetButtonArrowWidth).Default(11);
  prop("CanCustomize", &C::CanCustomize, &C::SetCanCustomize).Default(true);
  prop<TStrings*>("Categories", [](C& c) -> TStrings* { return c.Categories(); }, &C::SetCategories);
  prop("DockColor", &C::DockColor, &C::SetDockColor).Type(color).NoDefault().Stored(&C::IsDockColorStored);
  prop("FlatCloseButton", &C::FlatCloseButton, &C::SetFlatCloseButton).Default(false);
  prop("HelpButtonGlyph", &C::HelpButtonGlyph, &C::SetHelpButtonGlyph);
  prop("HelpContext", &C::HelpContext, &C::SetHelpContext).Default(0);
  prop("HideFloatingBarsWhenInactive", &C::HideFloatingBarsWhenInactive, &C::SetHideFloatingBarsWhenInactive)
      .Default(true);
  prop("HotImages", &C::HotImages, &C::SetHotImages);
  prop("Images", &C::Images, &C::SetImages);
  prop("DisabledImages", &C::DisabledImages, &C::SetDisabledImages);
  prop("DisabledLargeImages", &C::DisabledLargeImages, &C::SetDisabledLargeImages);
  prop("LargeImages", &C::LargeImages, &C::SetLargeImages);
  prop("ImageListBkColor", &C::ImageListBkColor, &C::SetImageListBkColor).Type(color).Default(clFuchsia);
  prop("IniFileName", &C::IniFileName, &C::SetIniFileName);
  prop("LargeButtonArrowWidth", &C::LargeButtonArrowWidth, &C::SetLargeButtonArrowWidth).Default(13);
  prop("LargeIcons", &C::LargeIcons, &C::SetLargeIcons).Default(false);
  prop("LookAndFeel", &C::LookAndFeel, &C::SetLookAndFeel);
  prop("MakeDisabledImagesFaded", &C::MakeDisabledImagesFaded, &C::SetMakeDisabledImagesFaded).Default(false);
  prop("MenuAnimations", &C::MenuAnimations, &C::SetMenuAnimations).Default(maNone);
  prop("MenusShowRecentItemsFirst", &C::MenusShowRecentItemsFirst, &C::SetMenusShowRecentItemsFirst).Default(true);
  prop<uint8_t>("MostRecentItemsPercents", &C::MostRecentItemsPercents,
                [](C& c, uint8_t v) { c.SetMostRecentItemsPercents(v); })
      .Default(uint8_t(95));
  prop("NotDocking", &C::NotDocking, &C::SetNotDocking).Default(TdxBarDockingStyles{});
  prop("PopupMenuLinks", &C::PopupMenuLinks, &C::SetPopupMenuLinks);
  prop("RegistryPath", &C::RegistryPath, &C::SetRegistryPath);
  prop("ShowCloseButton", &C::ShowCloseButton, &C::SetShowCloseButton).Default(false);
  prop("ShowFullMenusAfterDelay", &C::ShowFullMenusAfterDelay, &C::SetShowFullMenusAfterDelay).Default(true);
  prop("ShowHelpButton", &C::ShowHelpButton, &C::SetShowHelpButton).Default(false);
  prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(true);
  prop("ShowHintForDisabledItems", &C::ShowHintForDisabledItems, &C::SetShowHintForDisabledItems).Default(true);
  prop("ShowShortCutInHint", &C::ShowShortCutInHint, &C::SetShowShortCutInHint).Default(false);
  prop("StoreInIniFile", &C::StoreInIniFile, &C::SetStoreInIniFile).Default(false);
  prop("StoreInRegistry", &C::StoreInRegistry, &C::SetStoreInRegistry).Default(false);
  prop("StretchGlyphs", &C::StretchGlyphs, &C::SetStretchGlyphs).Default(true);
  prop("Style", &C::Style, &C::SetStyle).Default(bmsEnhanced);
  prop("SunkenBorder", &C::SunkenBorder, &C::SetSunkenBorder).Default(false);
  prop("UseF10ForMenu", &C::UseF10ForMenu, &C::SetUseF10ForMenu).Default(true);
  prop("UseFullReset", &C::UseFullReset, &C::SetUseFullReset).Default(false);
  prop("UseLargeImagesForLargeIcons", &C::UseLargeImagesForLargeIcons, &C::SetUseLargeImagesForLargeIcons)
      .Default(false);
  prop("UseSystemFont", &C::UseSystemFont, &C::SetUseSystemFont).NoDefault();
  prop("WaitForDockingTime", &C::WaitForDockingTime, &C::SetWaitForDockingTime).Default(21);
  event("OnBarAdd", &C::OnBarAdd, &C::OnBarAdd);
  event("OnBarAfterReset", &C::OnBarAfterReset, &C::OnBarAfterReset);
  event("OnBarBeforeReset", &C::OnBarBeforeReset, &C::OnBarBeforeReset);
  event("OnBarClose", &C::OnBarClose, &C::OnBarClose);
  event("OnBarDelete", &C::OnBarDelete, &C::OnBarDelete);
  event("OnBarDockingStyleChange", &C::OnBarDockingStyleChange, &C::OnBarDockingStyleChange);
  event("OnBarVisibleChange", &C::OnBarVisibleChange, &C::OnBarVisibleChange);
  event("OnClickItem", &C::OnClickItem, &C::OnClickItem);
  event("OnCloseButtonClick", &C::OnCloseButtonClick, &C::OnCloseButtonClick);
  event("OnDocking", &C::OnDocking, &C::OnDocking);
  event("OnHelpButtonClick", &C::OnHelpButtonClick, &C::OnHelpButtonClick);
  event("OnHideCustomizingForm", &C::OnHideCustomizingForm, &C::OnHideCustomizingForm);
  event("OnItemLinkAdd", &C::OnItemLinkAdd, &C::OnItemLinkAdd);
  event("OnItemLinkChange", &C::OnItemLinkChange, &C::OnItemLinkChange);
  event("OnItemLinkDelete", &C::OnItemLinkDelete, &C::OnItemLinkDelete);
  event("OnMenuMerge", &C::OnMenuMerge, &C::OnMenuMerge);
  event("OnShowCustomizingForm", &C::OnShowCustomizingForm, &C::OnShowCustomizingForm);
  event("OnShowCustomizingPopup", &C::OnShowCustomizingPopup, &C::OnShowCustomizingPopup);
  event("OnShowToolbarsPopup", &C::OnShowToolbarsPopup, &C::OnShowToolbarsPopup);
}

// ---- life cycle ----------------------------------------------------------------------------------------------

TdxBarManager::TdxBarManager(TComponent* AOwner)
    : TComponent(CheckedManagerOwner(AOwner)), FDockColor(clBtnFace), FImageListBkColor(clFuchsia) {
  // The owner checks passed (CheckedManagerOwner raises before anything is made).
  FCreatingFailed = false;
  FOwnerForm = dynamic_cast<TCustomForm*>(Owner());
}

TdxBarManager::~TdxBarManager() {
  // Whatever BeforeDestruction did not free (construction that failed half-way) goes here.
  for (TChangeLink*& link : FImageChangeLinks) FreeObjectPtr(link);
  FreeObjectPtr(FThemeNotificator);
  FreeObjectPtr(FLookAndFeel);
  FreeObjectPtr(FPopupMenuLinks);
  FreeObjectPtr(FBars);
  FreeObjectPtr(FCategories);
  FreeObjectPtr(FHelpButtonGlyph);
  FreeObjectPtr(FFont);
  FreeObjectPtr(FBackgrounds);
  if (FFontHandle) DeleteObject(FFontHandle);
  if (dxbar_detail::TBarUnitState* s = dxbar_detail::BarStateOrNull()) {
    auto& list = s->Managers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TdxBarManager::AfterConstruction() {
  TComponent::AfterConstruction();
  FDesigning = Owner() && Owner()->ComponentState().Contains(csDesigning);
  auto& managers = BarState().Managers;
  if (std::find(managers.begin(), managers.end(), this) == managers.end()) managers.push_back(this);
  FBackgrounds = New<TdxBarBackgrounds>(this);
  FThemeClassesAvailable = AreThemeTypesAvailable(kXPThemeClasses);
  FPainterClass = GetPainterClass();
  FReady = true;
  FCategories = New<TdxBarManagerCategories>(this);
  FBars = New<TdxBars>(this);
  FFont = New<TFont>();
  FFont->OnChange = TNotifyEvent(this, &TdxBarManager::FontChanged);
  FHelpButtonGlyph = New<TBitmap>();
  for (TChangeLink*& link : FImageChangeLinks) {
    link = New<TChangeLink>();
    link->OnChange = TNotifyEvent(this, &TdxBarManager::ImageListChanged);
  }
  FThemeNotificator = New<TdxThemeChangedNotificator>();
  FThemeNotificator->OnThemeChanged = Event<>([this] { ThemeChanged(); });
  UpdateInitialUseCount();
  FPopupMenuLinks = New<TdxBarPopupMenuLinks>(this);
  UpdateButtonMetrics();
  FLookAndFeel = New<TcxLookAndFeel>(this);
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent([this](TcxLookAndFeel*, TcxLookAndFeelValues) {
    if (!IsBeingDestroyed()) StyleChanged();
  });
  StyleChanged();
  SetUseSystemFont(true);
  CreateColors();
}

void TdxBarManager::BeforeDestruction() {
  Destroying();
  FreeObjectPtr(FLookAndFeel);
  FreeObjectPtr(FThemeNotificator);
  FIsCustomizing = false;
  FreeColors();
  while (!FPopupMenus.empty()) {
    TdxBarPopupMenu* menu = FPopupMenus.back();
    menu->Free();  // takes itself out of the list
    if (!FPopupMenus.empty() && FPopupMenus.back() == menu) FPopupMenus.pop_back();
  }
  for (int i = 0; i < 5; ++i) {
    if (FImages[i]) FImages[i]->UnRegisterChanges(FImageChangeLinks[i]);
    FImages[i] = nullptr;
    FreeObjectPtr(FImageChangeLinks[i]);
  }
  FreeObjectPtr(FHelpButtonGlyph);
  while (!FGroups.empty()) {
    TdxBarGroup* group = FGroups.back();
    group->Free();
    if (!FGroups.empty() && FGroups.back() == group) FGroups.pop_back();
  }
  FreeObjectPtr(FFont);
  if (FFontHandle) DeleteObject(FFontHandle);
  FFontHandle = nullptr;
  FreeObjectPtr(FBars);
  FDockControls.clear();
  while (!FItems.empty()) {
    TdxBarItem* item = FItems.back();
    item->Free();
    if (!FItems.empty() && FItems.back() == item) FItems.pop_back();
  }
  auto& managers = BarState().Managers;
  managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
  FreeObjectPtr(FCategories);
  FPendingVisibleBars.clear();
  FreeObjectPtr(FPopupMenuLinks);
  FreeObjectPtr(FBackgrounds);
  TComponent::BeforeDestruction();
}

// ---- lists ----------------------------------------------------------------------------------------------------

void TdxBarManager::AddItem(TdxBarItem* AItem) {
  if (std::find(FItems.begin(), FItems.end(), AItem) == FItems.end()) FItems.push_back(AItem);
}

void TdxBarManager::RemoveItem(TdxBarItem* AItem) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), AItem), FItems.end());
  if (FSelectedControl && FSelectedControl->Item() == AItem) FSelectedControl = nullptr;
}

void TdxBarManager::AddGroupToList(TdxBarGroup* AGroup) {
  if (std::find(FGroups.begin(), FGroups.end(), AGroup) == FGroups.end()) FGroups.push_back(AGroup);
}

void TdxBarManager::RemoveGroupFromList(TdxBarGroup* AGroup) {
  FGroups.erase(std::remove(FGroups.begin(), FGroups.end(), AGroup), FGroups.end());
}

void TdxBarManager::AddPopupMenu(TdxBarPopupMenu* AMenu) {
  if (std::find(FPopupMenus.begin(), FPopupMenus.end(), AMenu) == FPopupMenus.end()) FPopupMenus.push_back(AMenu);
}

void TdxBarManager::RemovePopupMenu(TdxBarPopupMenu* AMenu) {
  FPopupMenus.erase(std::remove(FPopupMenus.begin(), FPopupMenus.end(), AMenu), FPopupMenus.end());
}

TdxBarGroup* TdxBarManager::AddGroup() {
  auto* group = New<TdxBarGroup>(FOwnerForm);
  group->SetBarManager(this);
  return group;
}

int32_t TdxBarManager::IndexOfItem(const TdxBarItem* AItem) const {
  auto it = std::find(FItems.begin(), FItems.end(), AItem);
  return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

TdxBarItem* TdxBarManager::GetItem(int32_t Index) const {
  return Index >= 0 && Index < GetItemCount() ? FItems[static_cast<size_t>(Index)] : nullptr;
}

void TdxBarManager::MoveItem(int32_t CurIndex, int32_t NewIndex) {
  const int32_t n = GetItemCount();
  if (CurIndex < 0 || CurIndex >= n || NewIndex < 0 || NewIndex >= n || CurIndex == NewIndex) return;
  TdxBarItem* item = FItems[static_cast<size_t>(CurIndex)];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, item);
  Modified();
}

void TdxBarManager::ExchangeItems(int32_t Index1, int32_t Index2) {
  const int32_t n = GetItemCount();
  if (Index1 < 0 || Index1 >= n || Index2 < 0 || Index2 >= n) return;
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  Modified();
}

TdxBarItem* TdxBarManager::FindItemByName(const String& AName) const {
  for (TdxBarItem* item : FItems)
    if (SameText(item->Name(), AName)) return item;
  return nullptr;
}

TdxBar* TdxBarManager::FindBarByCaption(const String& ACaption) const {
  if (!FBars) return nullptr;
  for (int32_t i = 0; i < FBars->Count(); ++i)
    if (FBars->Items(i)->Caption() == ACaption) return FBars->Items(i);
  return nullptr;
}

TdxBar* TdxBarManager::FindBarByName(const String& AName) const {
  if (!FBars) return nullptr;
  for (int32_t i = 0; i < FBars->Count(); ++i)
    if (FBars->Items(i)->Name() == AName) return FBars->Items(i);
  return nullptr;
}

String TdxBarManager::MakeUniqueItemName(TClass AItemClass) const {
  const String base = AItemClass->ClassName().substr(1);
  for (int32_t n = 1;; ++n) {
    String name = base + IntToStr(n);
    if (!FindItemByName(name)) return name;
  }
}

// ---- categories -------------------------------------------------------------------------------------------------

TdxBarItemVisible TdxBarManager::GetCategoryItemsVisible(int32_t Index) {
  if (Index < 0 || Index >= FCategories->Count()) return ivNever;
  TdxBarCategoryData* data = FCategories->Data(Index);
  return data ? data->ItemsVisible : ivAlways;
}

void TdxBarManager::SetCategoryItemsVisible(int32_t Index, TdxBarItemVisible Value) {
  if (Index < 0 || Index >= FCategories->Count()) return;
  const TdxBarItemVisible old = GetCategoryItemsVisible(Index);
  TdxBarCategoryData* data = FCategories->NeedData(Index);
  if (IsLoading()) {
    data->PendingItemsVisible = Value;
    data->PendingSet = true;
    return;
  }
  data->ItemsVisible = Value;
  std::vector<bool> emptyBefore;
  const bool oldLock = FLockUpdate;
  if (!FDesigning) {
    if (FAutoHideEmptyBars)
      for (int32_t i = 0; i < FBars->Count(); ++i)
        emptyBefore.push_back(FBars->Items(i)->ItemLinks()->AvailableItemCount() == 0);
    SetUpdateLock(true);
  }
  TList items;
  GetItemsOfCategory(Index, &items);
  auto apply = [&](int32_t i) {
    auto* item = static_cast<TdxBarItem*>(items.Get(i));
    if (IndexOfItem(item) >= 0 && item->Visible() == old) item->SetVisible(Value);
  };
  if (Value == ivAlways)
    for (int32_t i = items.Count() - 1; i >= 0; --i) apply(i);
  else
    for (int32_t i = 0; i < items.Count(); ++i) apply(i);
  if (!FDesigning) {
    if (FAutoHideEmptyBars)
      for (int32_t i = 0; i < FBars->Count() && i < static_cast<int32_t>(emptyBefore.size()); ++i) {
        TdxBar* bar = FBars->Items(i);
        const bool empty = bar->ItemLinks()->AvailableItemCount() == 0;
        if (Value != ivAlways && empty && !emptyBefore[static_cast<size_t>(i)] && bar->Visible()) {
          bar->SetVisible(false);
          bar->SetAutoHidden(true);
        } else if (bar->AutoHidden() && !empty && Value == ivAlways) {
          bar->SetVisible(true);
          bar->SetAutoHidden(false);
        }
      }
    SetUpdateLock(oldLock);
  }
  if (old != Value) Modified();
}

bool TdxBarManager::GetCategoryVisible(int32_t Index) {
  if (Index < 0 || Index >= FCategories->Count()) return false;
  TdxBarCategoryData* data = FCategories->Data(Index);
  return data ? data->Visible : true;
}

void TdxBarManager::SetCategoryVisible(int32_t Index, bool Value) {
  TdxBarCategoryData* data = FCategories->NeedData(Index);
  if (!data) return;
  data->Visible = Value;
  Modified();
}

int32_t TdxBarManager::GetVisibleCategoryIndex(int32_t N) {
  if (FDesigning) return N;
  for (int32_t i = 0; i < FCategories->Count(); ++i)
    if (GetCategoryVisible(i) && N-- == 0) return i;
  return -1;
}

int32_t TdxBarManager::GetItemsOfCategory(int32_t Category, TList* List) {
  List->Clear();
  if (Category < 0 || Category >= FCategories->Count()) return 0;
  for (TdxBarItem* item : FItems)
    if (item->Category() == Category) List->Add(item);
  return List->Count();
}

int32_t TdxBarManager::GetVisibleItemsOfCategory(int32_t Category, TList* List) {
  if (FDesigning) return GetItemsOfCategory(Category, List);
  List->Clear();
  if (Category < 0 || Category >= FCategories->Count()) return 0;
  for (TdxBarItem* item : FItems)
    if (item->Category() == Category && item->Visible() != ivNever && item->HasContents()) List->Add(item);
  return List->Count();
}

void TdxBarManager::ItemCategoryChanged(TdxBarItem*) {}

// ---- docks --------------------------------------------------------------------------------------------------------

void TdxBarManager::AddDockControl(TdxDockControl* ADock) {
  if (std::find(FDockControls.begin(), FDockControls.end(), ADock) != FDockControls.end()) return;
  FDockControls.push_back(ADock);
  ADock->FreeNotification(this);
}

void TdxBarManager::RemoveDockControl(TdxDockControl* ADock) {
  if (FBars) {
    for (int32_t i = 0; i < FBars->Count(); ++i) {
      TdxBar* bar = FBars->Items(i);
      TCustomdxBarControl* window = bar->GetControl();
      const bool sitsThere = window && window->DockControl() == ADock;
      if (bar->FDockControl == ADock) bar->FDockControl = nullptr;
      if (bar->FDockedDockControl == ADock) bar->FDockedDockControl = nullptr;
      if (bar->FPendingDockControl == ADock) bar->FPendingDockControl = nullptr;
      if (sitsThere) bar->SetVisible(false);
    }
    FBars->ClearDockControl(ADock);
  }
  FDockControls.erase(std::remove(FDockControls.begin(), FDockControls.end(), ADock), FDockControls.end());
  if (!ADock->ComponentState().Contains(csDestroying)) ADock->SetParentColor(true);
}

TdxBarDockControl* TdxBarManager::FindDockControlByPath(const String& APath) {
  TComponent* container = FOwnerForm;
  String rest = APath;
  const size_t dot = APath.find('.');
  if (dot != String::npos) {
    container = FindGlobalComponent(APath.substr(0, dot));
    rest = APath.substr(dot + 1);
  }
  TComponent* found = container;
  size_t start = 0;
  while (found) {
    const size_t next = rest.find('.', start);
    found = found->FindComponent(rest.substr(start, next == String::npos ? String::npos : next - start));
    if (next == String::npos) break;
    start = next + 1;
  }
  if (found == container) found = nullptr;
  // A component of another class at that path is not a dock: the bar is then not docked there.
  return dynamic_cast<TdxBarDockControl*>(found);
}

// ---- style and painter ---------------------------------------------------------------------------------------------

TdxBarManagerStyle TdxBarManager::GetEffectiveStyle() {
  if (FStyle != bmsUseLookAndFeel) return FStyle;
  if (FLookAndFeel && FLookAndFeel->NativeStyle() && FThemeClassesAvailable) return bmsXP;
  switch (FLookAndFeel ? FLookAndFeel->Kind() : lfUltraFlat) {
    case lfFlat: return bmsEnhanced;
    case lfStandard: return bmsStandard;
    case lfOffice11: return bmsOffice11;
    default: return bmsFlat;
  }
}

TdxBarItemControlPainterClass TdxBarManager::GetPainterClass() {
  TdxBarManagerStyle style = GetEffectiveStyle();
  if (style == bmsXP && !FThemeClassesAvailable) style = bmsEnhanced;
  if (style != bmsFlat && style != bmsXP && style != bmsEnhanced && style != bmsOffice11) style = bmsStandard;
  TdxBarItemControlPainterClass painter = GetRegisteredBarPainter(style);
  return painter ? painter : TdxBarItemControlPainter::Instance();
}

void TdxBarManager::UpdateButtonMetrics() {
  TdxBarItemControlPainterClass painter = FPainterClass ? FPainterClass : TdxBarItemControlPainter::Instance();
  FGlyphSize = 16;
  if (FLargeIcons) FGlyphSize = IsLargeImagesUsed() ? LargeImages()->Width() : 32;
  FButtonWidth = FGlyphSize + painter->GetButtonExtraWidth();
  FButtonHeight = FGlyphSize + painter->GetButtonExtraHeight();
  FButtonArrowWidthMetric = painter->GetButtonArrowWidth(this);
}

void TdxBarManager::StyleChanged() {
  if (!FReady) return;
  FStyleChanging = true;
  ScopeExit done([&] { FStyleChanging = false; });
  FThemeClassesAvailable = AreThemeTypesAvailable(kXPThemeClasses);
  FPainterClass = GetPainterClass();
  FPainterMetrics[0] = FPainterClass->GetDragGripIndent();
  FPainterMetrics[1] = FPainterClass->GetGripAreaSize();
  FPainterMetrics[2] = FPainterClass->GetMenuSeparatorIndent();
  UpdateButtonMetrics();
  if (dxbar_detail::TBarUnitState* s = dxbar_detail::BarStateOrNull())
    for (TCustomdxBarControl* c : std::vector<TCustomdxBarControl*>(s->BarControls))
      if (c->BarManager() == this && IsBarControlAlive(c)) c->PainterChanged();
  RefreshCustomizingForm();
  RefreshBackgrounds();
}

void TdxBarManager::ThemeChanged() {
  if (!IsBeingDestroyed()) StyleChanged();
}

void TdxBarManager::RefreshBackgrounds() {
  for (TdxDockControl* dock : FDockControls) {
    dock->BackgroundChanged();
    dock->ClearBackgroundCache();
    if (dock->HandleAllocated()) dock->Invalidate();
  }
  if (dxbar_detail::TBarUnitState* s = dxbar_detail::BarStateOrNull())
    for (TCustomdxBarControl* c : s->BarControls)
      if (c->BarManager() == this) {
        c->ClearBackgroundCache();
        c->UpdateDoubleBuffered();
        if (c->HandleAllocated()) SendMessage(c->Handle(), WM_NCPAINT, 1, 0);
      }
}

int32_t TdxBarManager::GetFloatingFrameWidth() { return FPainterClass->GetFloatingBorderWidth(); }
int32_t TdxBarManager::GetFloatingFrameHeight() { return FPainterClass->GetFloatingBorderHeight(); }

int32_t TdxBarManager::GetGripSize(TdxBar* ABar) {
  return ABar && ABar->IsDockable() ? FPainterMetrics[1] : FPainterClass->GetNoGripSize();
}

bool TdxBarManager::IsRecentItemsStyle() { return GetEffectiveStyle() != bmsStandard; }
bool TdxBarManager::IsShowRecentItemsFirst() { return IsRecentItemsStyle() && FMenusShowRecentItemsFirst; }
bool TdxBarManager::IsLargeImagesUsed() const { return FUseLargeImagesForLargeIcons && LargeImages(); }
bool TdxBarManager::CanReset() const { return FReadStateCount == 1 && FAllowReset; }

// ---- colours and fonts ---------------------------------------------------------------------------------------------

void TdxBarManager::CreateColors() {
  const COLORREF shadow = ColorToRGB(clBtnShadow), face = ColorToRGB(clBtnFace);
  FFlatBrushes[0] = SolidBrushOf(static_cast<TColor>(
      RGB(GetRValue(shadow) * 8 / 10, GetGValue(shadow) * 8 / 10, GetBValue(shadow) * 8 / 10)));
  auto lift = [](int c) { return c + (255 - c) * 16 / 100; };
  FFlatBrushes[1] = SolidBrushOf(static_cast<TColor>(RGB(lift(GetRValue(face)), lift(GetGValue(face)), lift(GetBValue(face)))));
  FFlatBrushes[2] = SolidBrushOf(CalcLightColor(11, 9, 73));
  FFlatBrushes[3] = SolidBrushOf(CalcLightColor(14, 44, 40));
  FFlatBrushes[4] = SolidBrushOf(CalcLightColor(-2, 30, 72));
  // Without a theme colour the themed tool bar brush is the button face, not a raw colour index.
  if (FThemeClassesAvailable) FFlatBrushes[5] = CreateSolidBrush(ColorToRGB(GetThemedToolbarColor()));
  if (!FOffice11Acquired) {
    Office11ColorsAcquire();
    FOffice11Acquired = true;
  }
  FColorsCreated = true;
  RefreshBackgrounds();
}

void TdxBarManager::FreeColors() {
  for (HBRUSH& brush : FFlatBrushes) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
  }
  if (FOffice11Acquired) {
    Office11ColorsRelease();
    FOffice11Acquired = false;
  }
  FColorsCreated = false;
}

void TdxBarManager::RecalcColors() {
  for (HBRUSH& brush : FFlatBrushes) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
  }
  Office11ColorsRecalc();
  CreateColors();
}

void TdxBarManager::FontChanged(TObject*) {
  if (!FSettingSystemFont) {
    FUseSystemFont = false;
    if (FScaled) {
      NONCLIENTMETRICS metrics{};
      metrics.cbSize = sizeof(metrics);
      SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
      const TNotifyEvent handler = FFont->OnChange;
      FFont->OnChange = nullptr;
      FFont->SetHeight(metrics.lfMenuFont.lfHeight);
      FFont->OnChange = handler;
    }
  }
  MakeDerivedFont(FFont, FFontHandle, FScaled);
  ApplyFontToBars();
}

void TdxBarManager::ApplyFontToBars() {
  if (!FBars) return;
  for (int32_t i = 0; i < FBars->Count(); ++i) {
    TdxBar* bar = FBars->Items(i);
    if (bar->UseOwnFont()) {
      bar->FontChanged(nullptr);
      continue;
    }
    bar->FFontLock = true;
    ScopeExit unlock([&] { bar->FFontLock = false; });
    bar->FFont->Assign(FFont);
  }
}

void TdxBarManager::TakeSystemFont() {
  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  const LOGFONT& lf = metrics.lfMenuFont;
  FSettingSystemFont = true;
  ScopeExit done([&] { FSettingSystemFont = false; });
  if (FUseSystemFont) {
    if (lf.lfFaceName[0]) FFont->SetName(lf.lfFaceName);
    TFontStyles styles;
    if (lf.lfWeight >= FW_BOLD) styles.Include(fsBold);
    if (lf.lfItalic) styles.Include(fsItalic);
    FFont->SetStyle(styles);
    FFont->SetHeight(lf.lfHeight);
    // The font may not have changed at all; the derived handle is made in any case.
    MakeDerivedFont(FFont, FFontHandle, FScaled);
  } else if (FScaled) {
    FFont->SetHeight(lf.lfHeight);
  }
}

void TdxBarManager::SetUseSystemFont(bool Value) {
  FUseSystemFont = Value;
  if (Value) TakeSystemFont();
}

void TdxBarManager::SetFont(TFont* Value) { FFont->Assign(Value); }

void TdxBarManager::SetScaled(bool Value) {
  if (FScaled == Value) return;
  FScaled = Value;
  if (Value && !FUseSystemFont) {
    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    FSettingSystemFont = true;
    ScopeExit done([&] { FSettingSystemFont = false; });
    FFont->SetHeight(metrics.lfMenuFont.lfHeight);
  }
}

// ---- setters ------------------------------------------------------------------------------------------------------

void TdxBarManager::SetAutoDockColor(bool Value) {
  if (FAutoDockColor == Value) return;
  FAutoDockColor = Value;
  for (TdxDockControl* dock : FDockControls) dock->UpdateColor();
}

void TdxBarManager::SetAutoHideEmptyBars(bool Value) {
  if (FAutoHideEmptyBars == Value) return;
  FAutoHideEmptyBars = Value;
  if (!Value && FBars)
    for (int32_t i = 0; i < FBars->Count(); ++i) FBars->Items(i)->SetAutoHidden(false);
}

void TdxBarManager::SetBackgrounds(TdxBarBackgrounds* Value) { FBackgrounds->Assign(Value); }
void TdxBarManager::SetBars(TdxBars* Value) { FBars->Assign(Value); }
void TdxBarManager::SetCategories(TStrings* Value) { FCategories->Assign(Value); }
void TdxBarManager::SetPopupMenuLinks(TdxBarPopupMenuLinks* Value) { FPopupMenuLinks->Assign(Value); }
void TdxBarManager::SetHelpButtonGlyph(TBitmap* Value) { FHelpButtonGlyph->Assign(Value); }
void TdxBarManager::SetLookAndFeel(TcxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }

void TdxBarManager::RebuildAllBarWindows() {
  if (dxbar_detail::TBarUnitState* s = dxbar_detail::BarStateOrNull())
    for (TCustomdxBarControl* c : std::vector<TCustomdxBarControl*>(s->BarControls))
      if (IsBarControlAlive(c) && c->BarManager() == this) c->Rebuild();
}

void TdxBarManager::SetButtonArrowWidth(int32_t Value) {
  if (Value < 2 || FButtonArrowWidth == Value) return;
  FButtonArrowWidth = Value;
  UpdateButtonMetrics();
  RebuildAllBarWindows();
}

void TdxBarManager::SetLargeButtonArrowWidth(int32_t Value) {
  if (Value < 2 || FLargeButtonArrowWidth == Value) return;
  FLargeButtonArrowWidth = Value;
  RebuildAllBarWindows();
}

TColor TdxBarManager::DockColor() const {
  return FAutoDockColor && FOwnerForm ? FOwnerForm->Color() : FDockColor;
}

void TdxBarManager::SetDockColor(TColor Value) {
  FDockColor = Value;
  FAutoDockColor = false;
  for (TdxDockControl* dock : FDockControls) dock->UpdateColor();
}

void TdxBarManager::SetFlatCloseButton(bool Value) {
  if (FFlatCloseButton == Value) return;
  FFlatCloseButton = Value;
  if (FMainMenuBar)
    if (TCustomdxBarControl* c = FMainMenuBar->GetControl()) {
      c->SetSelectedControl(nullptr);
      c->Rebuild();
    }
}

void TdxBarManager::SetShowCloseButton(bool Value) {
  if (FShowCloseButton == Value) return;
  FShowCloseButton = Value;
  if (FMainMenuBar)
    if (TCustomdxBarControl* c = FMainMenuBar->GetControl()) {
      c->SetSelectedControl(nullptr);
      c->Rebuild();
    }
}

void TdxBarManager::SetHideFloatingBarsWhenInactive(bool Value) { FHideFloatingBarsWhenInactive = Value; }

void TdxBarManager::SetImageListBkColor(TColor Value) {
  if (FImageListBkColor == Value) return;
  FImageListBkColor = Value;
  RebuildAllBarWindows();
}

void TdxBarManager::SetLargeIcons(bool Value) {
  if (FLargeIcons == Value) return;
  FLargeIcons = Value;
  UpdateButtonMetrics();
  Modified();
  RebuildAllBarWindows();
}

void TdxBarManager::SetUseLargeImagesForLargeIcons(bool Value) {
  if (FUseLargeImagesForLargeIcons == Value) return;
  FUseLargeImagesForLargeIcons = Value;
  UpdateButtonMetrics();
  Modified();
  RebuildAllBarWindows();
}

void TdxBarManager::SetMakeDisabledImagesFaded(bool Value) {
  if (FMakeDisabledImagesFaded == Value) return;
  FMakeDisabledImagesFaded = Value;
  RebuildAllBarWindows();
}

void TdxBarManager::SetMenuAnimations(TdxBarMenuAnimations Value) {
  if (FMenuAnimations == Value) return;
  FMenuAnimations = Value;
  Modified();
}

void TdxBarManager::SetMenusShowRecentItemsFirst(bool Value) {
  if (FMenusShowRecentItemsFirst == Value) return;
  FMenusShowRecentItemsFirst = Value;
  Modified();
}

void TdxBarManager::UpdateInitialUseCount() {
  if (FMostRecentItemsPercents == 100) {
    FInitialUseCount = 0;
    return;
  }
  // The smallest n for which n percent of the rarely used share is at least one whole use.
  const int32_t share = 100 - FMostRecentItemsPercents;
  int32_t n = 1;
  while (n * share / 100 <= 0) ++n;
  FInitialUseCount = n;
}

void TdxBarManager::SetMostRecentItemsPercents(int32_t Value) {
  Value = std::clamp(Value, 0, 100);
  FMostRecentItemsPercents = static_cast<uint8_t>(Value);
  UpdateInitialUseCount();
}

void TdxBarManager::SetNotDocking(TdxBarDockingStyles Value) {
  if (FNotDocking == Value) return;
  FNotDocking = Value;
  StyleChanged();
}

void TdxBarManager::SetShowFullMenusAfterDelay(bool Value) {
  if (FShowFullMenusAfterDelay == Value) return;
  FShowFullMenusAfterDelay = Value;
  Modified();
}

void TdxBarManager::SetShowHint(bool Value) {
  if (FShowHint == Value) return;
  FShowHint = Value;
  Modified();
}

void TdxBarManager::SetShowShortCutInHint(bool Value) {
  if (FShowShortCutInHint == Value) return;
  FShowShortCutInHint = Value;
  Modified();
}

void TdxBarManager::SetStyle(TdxBarManagerStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  StyleChanged();
}

void TdxBarManager::SetSunkenBorder(bool Value) {
  if (FSunkenBorder == Value) return;
  FSunkenBorder = Value;
  for (TdxDockControl* dock : FDockControls) dock->RecreateFrames();
}

void TdxBarManager::SetWaitForDockingTime(int32_t Value) {
  if (Value >= 0) FWaitForDockingTime = Value;
}

// ---- image lists -----------------------------------------------------------------------------------------------

void TdxBarManager::SetImageList(int32_t AIndex, TCustomImageList* Value) {
  if (FImages[AIndex] == Value) return;
  if (FImages[AIndex]) FImages[AIndex]->UnRegisterChanges(FImageChangeLinks[AIndex]);
  FImages[AIndex] = Value;
  if (Value) {
    Value->RegisterChanges(FImageChangeLinks[AIndex]);
    Value->FreeNotification(this);
  }
  if (AIndex == 1) UpdateButtonMetrics();
  RefreshItemGlyphs(AIndex);
}

void TdxBarManager::ImageListChanged(TObject* Sender) {
  for (int i = 0; i < 5; ++i)
    if (Sender == FImageChangeLinks[i]) {
      if (i == 0 && FImages[0] && FImages[0]->ComponentState().Contains(csLoading)) return;
      RefreshItemGlyphs(i);
    }
}

void TdxBarManager::RefreshItemGlyphs(int32_t AListIndex) {
  if (IsLoading() || IsBeingDestroyed()) return;
  const bool oldLock = FLockUpdate;
  SetUpdateLock(true);
  ScopeExit restore([&] { SetUpdateLock(oldLock); });
  for (TdxBarItem* item : std::vector<TdxBarItem*>(FItems)) {
    const bool usesList = (AListIndex == 0 || AListIndex == 3) ? item->ImageIndex() >= 0
                          : (AListIndex == 1 || AListIndex == 4) ? FLargeIcons && item->ImageIndex() >= 0
                                                                 : item->ImageIndex() >= 0;
    if (usesList) item->GlyphChanged();
  }
}

// ---- update lock, modified, selection ----------------------------------------------------------------------------

void TdxBarManager::SetUpdateLock(bool Value) {
  if (FLockUpdate == Value) return;
  FLockUpdate = Value;
  for (TdxDockControl* dock : FDockControls)
    if (dock->Visible() && dock->HandleAllocated()) SendMessage(dock->Handle(), WM_SETREDRAW, Value ? 0 : 1, 0);
  if (Value) return;
  for (TdxDockControl* dock : std::vector<TdxDockControl*>(FDockControls))
    if (dock->Visible() && dock->HandleAllocated()) {
      dock->UpdateLayout();
      SendMessage(dock->Handle(), WM_NCPAINT, 1, 0);
      dock->Invalidate();
    }
  if (dxbar_detail::TBarUnitState* s = dxbar_detail::BarStateOrNull())
    for (TCustomdxBarControl* c : std::vector<TCustomdxBarControl*>(s->BarControls))
      if (c->BarManager() == this && c->DockControl() && c->HandleAllocated()) {
        SetWindowPos(c->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        c->Invalidate();
      }
}

void TdxBarManager::Modified() {
  if (!FReady || IsLoading() || IsBeingDestroyed()) return;
  if (!FDesigning || FLoadedInProgress) return;
  for (TCustomImageList* list : FImages)
    if (list && list->ComponentState().Contains(csLoading)) return;
  ++FDesignerModifiedCount;
}

void TdxBarManager::SetSelectedControl(TdxBarItemControl* Control) {
  if (FSelectedControl == Control) return;
  TdxBarItemControl* old = FSelectedControl;
  if (IsCustomizing() && old && (!Control || Control->Parent() != old->Parent()) && old->Parent())
    old->Parent()->CloseSubMenus();
  FSelectedControl = Control;
  if (old) old->Repaint();
}

void TdxBarManager::CloseActiveMenus() {
  if (TCustomdxBarControl* active = GetActiveBarControl()) active->CloseAll();
}

TWinControl* TdxBarManager::GetDragOwnerWindow() { return FOwnerForm; }

HWND TdxBarManager::GetActiveMDIChild() { return nullptr; }

// ---- events -----------------------------------------------------------------------------------------------------

void TdxBarManager::DoClickItem(TdxBarItem* ClickedItem) {
  if (OnClickItem) OnClickItem(this, ClickedItem);
}

bool TdxBarManager::CanDock(TdxBar* ABar, TdxBarDockingStyle AStyle, TdxDockControl* ADockControl) {
  bool result;
  if (ABar->NotDocking().Contains(AStyle))
    result = false;
  else if (!ADockControl || ADockControl->IsImplicit())
    result = !FNotDocking.Contains(AStyle);
  else
    result = ADockControl->CanDockBar(ABar);
  if (OnDocking) OnDocking(ABar, AStyle, ADockControl, result);
  return result;
}

void TdxBarManager::DoBarAfterReset(TdxBar* ABar) {
  if (OnBarAfterReset) OnBarAfterReset(this, ABar);
}
void TdxBarManager::DoBarBeforeReset(TdxBar* ABar) {
  if (OnBarBeforeReset) OnBarBeforeReset(this, ABar);
}
void TdxBarManager::DoBarClose(TdxBar* ABar) {
  if (OnBarClose) OnBarClose(this, ABar);
}
void TdxBarManager::DoBarDockingStyleChange(TdxBar* ABar) {
  if (FBars && FBars->RestoringLayout()) return;
  if (OnBarDockingStyleChange) OnBarDockingStyleChange(this, ABar);
  Modified();
}
void TdxBarManager::DoCloseButtonClick() {
  if (OnCloseButtonClick) OnCloseButtonClick(this);
}
void TdxBarManager::DoHelpButtonClick() {
  if (OnHelpButtonClick) OnHelpButtonClick(this);
}
void TdxBarManager::DoShowCustomizingPopup(TdxBarItemLinks* PopupItemLinks) {
  if (OnShowCustomizingPopup) OnShowCustomizingPopup(this, PopupItemLinks);
}
void TdxBarManager::DoShowToolbarsPopup(TdxBarItemLinks* PopupItemLinks) {
  if (OnShowToolbarsPopup) OnShowToolbarsPopup(this, PopupItemLinks);
}

// ---- streaming -------------------------------------------------------------------------------------------------

void TdxBarManager::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty("DockControlHeights", TReaderProc(this, &TdxBarManager::ReadDockControlHeights),
                        TWriterProc(this, &TdxBarManager::WriteDockControlHeights), true);
}

void TdxBarManager::ReadDockControlHeights(TReader* Reader) {
  Reader->ReadListBegin();
  // Left width, right width, top height, bottom height; more values than four are skipped.
  static constexpr TdxBarDockingStyle kOrder[4] = {dsLeft, dsRight, dsTop, dsBottom};
  for (int i = 0; !Reader->EndOfList(); ++i) {
    const int32_t size = Reader->ReadInteger();
    if (i >= 4 || size < 0) continue;
    FStoredDockSizes[i] = size;
    if (TdxDockControl* dock = FBars ? FBars->DockControls(kOrder[i]) : nullptr) {
      if (kOrder[i] == dsLeft || kOrder[i] == dsRight)
        dock->SetWidth(size);
      else
        dock->SetHeight(size);
    }
  }
  FStoredDockSizesRead = true;
  Reader->ReadListEnd();
}

void TdxBarManager::WriteDockControlHeights(TWriter* Writer) {
  Writer->WriteListBegin();
  for (TdxBarDockingStyle style : {dsLeft, dsRight, dsTop, dsBottom}) {
    TdxDockControl* dock = FBars ? FBars->DockControls(style) : nullptr;
    Writer->WriteInteger(!dock ? 0 : (style == dsLeft || style == dsRight) ? dock->Width() : dock->Height());
  }
  Writer->WriteListEnd();
}

void TdxBarManager::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TdxBarItem* item : std::vector<TdxBarItem*>(FItems))
    if (item->Owner() == Root && item->Category() >= 0) Proc(item);
  for (TdxBarGroup* group : std::vector<TdxBarGroup*>(FGroups))
    if (group->Owner() == Root) Proc(group);
}

void TdxBarManager::ReadState(TReader* Reader) {
  ++FReadStateCount;
  TComponent::ReadState(Reader);
}

void TdxBarManager::SetName(const String& NewName) {
  const String oldName = Name();
  TComponent::SetName(NewName);
  if (!FDesigning || oldName.empty() || SameText(oldName, NewName) || !Owner()) return;
  for (int32_t i = 0; i < Owner()->ComponentCount(); ++i) {
    auto* item = dynamic_cast<TdxBarItem*>(Owner()->Components(i));
    if (!item || item->Name().size() <= oldName.size() || !SameText(item->Name().substr(0, oldName.size()), oldName))
      continue;
    try {
      item->SetName(NewName + item->Name().substr(oldName.size()));
    } catch (const EComponentError&) {
      // A clash with another component's name: the item keeps its old name.
    }
  }
}

void TdxBarManager::Loaded() {
  TComponent::Loaded();
  if (FLockUpdate) return;
  FBars->SetRestoringLayout(true);
  {
    ScopeExit restoring([&] { FBars->SetRestoringLayout(false); });
    for (TdxBarItem* item : std::vector<TdxBarItem*>(FItems)) {
      if (IndexOfItem(item) < 0) continue;
      if (TdxBarItemLinks* links = item->SubItemLinks()) links->ApplyLoadedState(true);
      if (item->FVisible != item->FLoadedVisible) {
        item->FVisible = item->FLoadedVisible;
        item->VisibleChanged();
      }
    }
    for (int32_t i = 0; i < FBars->Count(); ++i) {
      TdxBar* bar = FBars->Items(i);
      bar->SetLoadedFromForm(true);
      bar->ItemLinks()->ApplyLoadedState(true);
      bar->ApplyPendingDocking();
      bar->ApplyPendingVisible();
    }
    // A stored layout (registry or ini file) is read here by the layout storage when it is switched on.
  }
  for (int32_t i = 0; i < FCategories->Count(); ++i)
    if (TdxBarCategoryData* data = FCategories->Data(i); data && data->PendingSet) {
      data->PendingSet = false;
      SetCategoryItemsVisible(i, data->PendingItemsVisible);
    }
  FLoadedInProgress = true;
  ScopeExit done([&] { FLoadedInProgress = false; });
  for (TdxDockControl* dock : std::vector<TdxDockControl*>(FDockControls)) dock->UpdateLayout();
}

void TdxBarManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (int i = 0; i < 5; ++i)
    if (AComponent == FImages[i]) SetImageList(i, nullptr);
  if (FPopupMenuLinks)
    for (int32_t i = 0; i < FPopupMenuLinks->Count(); ++i) {
      TdxBarPopupMenuLink* link = FPopupMenuLinks->Items(i);
      if (link->FControl == AComponent) link->FControl = nullptr;
      if (link->FPopupMenu == AComponent) link->FPopupMenu = nullptr;
    }
  if (auto* dock = dynamic_cast<TdxDockControl*>(AComponent);
      dock && std::find(FDockControls.begin(), FDockControls.end(), dock) != FDockControls.end())
    RemoveDockControl(dock);
}

// ---- the design copy -------------------------------------------------------------------------------------------

TCustomForm* TdxBarManager::LoadDesignCopy() {
  if (!FOwnerForm) return nullptr;
  const String resourceName = FOwnerForm->ClassName();
  if (!FormResourceExists(resourceName)) return nullptr;
  PushHourglassCursor();
  ScopeExit cursor([] { PopHourglassCursor(); });
  TStringList lines;
  lines.SetText(FormResourceText(resourceName));
  std::vector<String> sizeLines;
  for (int32_t i = 1; i < lines.Count() && sizeLines.size() < 2; ++i) {
    const String line = lines.Strings(i);
    const String tail = line.size() > 2 ? line.substr(2) : String();
    for (const char* key : {"Width =", "Height =", "ClientWidth =", "ClientHeight ="})
      if (tail.rfind(key, 0) == 0) {
        sizeLines.push_back(line);
        break;
      }
  }
  const String header = "object " + Name() + ": " + ClassName();
  int32_t first = -1;
  for (int32_t i = 5; i < lines.Count(); ++i)
    if (Trim(lines.Strings(i)) == header) {
      first = i;
      break;
    }
  if (first < 0) return nullptr;
  const String line0 = lines.Strings(first);
  const String endMarker = line0.substr(0, line0.find('o')) + "end";
  String text = "object TempForm: TdxBarTempForm\r\n";
  for (const String& s : sizeLines) text += s + "\r\n";
  for (int32_t i = first; i < lines.Count(); ++i) {
    const String line = lines.Strings(i);
    if (TrimLeft(line).rfind("On", 0) != 0) text += line + "\r\n";
    if (line == endMarker) break;
  }
  text += "end\r\n";
  auto* form = New<TForm>(nullptr, 0);
  auto& state = BarState();
  state.ReadingDesignCopy = true;
  try {
    ReadComponentFromText(text, form);
  } catch (...) {
    state.ReadingDesignCopy = false;
    form->Free();
    throw;
  }
  state.ReadingDesignCopy = false;
  if (auto* copy = dynamic_cast<TdxBarManager*>(form->FindComponent(Name()))) {
    copy->SetStoreInIniFile(false);
    copy->SetStoreInRegistry(false);
  }
  return form;
}
