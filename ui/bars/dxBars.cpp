// Bars and the bars collection of a manager.

#include <algorithm>
#include <cctype>

#include "forms/Forms.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/bars/detail/dxBarState.h"
#include "ui/base/cxClasses.h"

// ---- TdxBar ----------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBar) {
  using C = TdxBar;
  prop("AllowClose", &C::AllowClose, &C::SetAllowClose).Default(true);
  prop("AllowCustomizing", &C::AllowCustomizing, &C::SetAllowCustomizing).Default(true);
  prop("AllowQuickCustomizing", &C::AllowQuickCustomizing, &C::SetAllowQuickCustomizing).Default(true);
  prop("AllowReset", &C::AllowReset, &C::SetAllowReset).Default(true);
  prop("BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bbsSingle);
  prop("Caption", &C::Caption, &C::SetCaption);
  prop("Color", &C::Color, &C::SetColor).Type(TypeInfoAlias("TColor", TypeInfo<int32_t>())).Default(0x20000000);
  prop("DockControl", &C::DockControl, &C::SetDockControl);
  prop("DockedDockControl", &C::DockedDockControl, &C::SetDockedDockControl);
  prop("DockedDockingStyle", &C::DockedDockingStyle, &C::SetDockedDockingStyle)
      .Default(dsTop)
      .Stored(&C::IsDockedDockingStyleStored);
  prop("DockedLeft", &C::DockedLeft, &C::SetDockedLeft).NoDefault();
  prop("DockedTop", &C::DockedTop, &C::SetDockedTop).NoDefault();
  prop("DockingStyle", &C::DockingStyle, &C::SetDockingStyle).Default(dsNone).Stored(&C::IsDockingStyleStored);
  prop("FloatLeft", &C::FloatLeft, &C::SetFloatLeft).NoDefault();
  prop("FloatTop", &C::FloatTop, &C::SetFloatTop).NoDefault();
  prop("FloatClientWidth", &C::FloatClientWidth, &C::SetFloatClientWidth).NoDefault();
  prop("FloatClientHeight", &C::FloatClientHeight, &C::SetFloatClientHeight).NoDefault();
  prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
  prop("Hidden", &C::Hidden, &C::SetHidden).Default(false);
  prop("IsMainMenu", &C::IsMainMenu, &C::SetIsMainMenu).Default(false);
  prop("ItemLinks", &C::ItemLinks, &C::SetItemLinks);
  prop("MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  prop("Name", &C::Name, &C::SetName);
  prop("NotDocking", &C::NotDocking, &C::SetNotDocking).Default(TdxBarDockingStyles{});
  prop("OneOnRow", &C::OneOnRow, &C::SetOneOnRow).NoDefault();
  prop("RotateWhenVertical", &C::RotateWhenVertical, &C::SetRotateWhenVertical).Default(true);
  prop("Row", &C::Row, &C::SetRow).NoDefault();
  prop("ShowMark", &C::ShowMark, &C::SetShowMark).Default(true);
  prop("SizeGrip", &C::SizeGrip, &C::SetSizeGrip).Default(true);
  prop("UseOwnFont", &C::UseOwnFont, &C::SetUseOwnFont).NoDefault();
  prop("UseRecentItems", &C::UseRecentItems, &C::SetUseRecentItems).Default(true);
  prop("UseRestSpace", &C::UseRestSpace, &C::SetUseRestSpace).Default(false);
  prop("Visible", [](C& c) { return c.FPendingVisibleSet ? c.FPendingVisible : c.FVisible; }, &C::SetVisible)
      .NoDefault();
  prop("WholeRow", &C::WholeRow, &C::SetWholeRow).NoDefault();
  prop("BackgroundBitmap", &C::BackgroundBitmap, &C::SetBackgroundBitmap);
  prop("AlphaBlendValue", &C::AlphaBlendValue, &C::SetAlphaBlendValue).Default(uint8_t(255));
}

TdxBar::TdxBar(TCollection* ACollection) : TCollectionItem(ACollection) {}

TdxBar::~TdxBar() {
  delete FBackgroundBitmap;
  delete FFont;
  if (FFontHandle) DeleteObject(FFontHandle);
}

void TdxBar::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  TdxBarManager* manager = GetBarManager();
  FBackgroundBitmap = New<TBitmap>();
  FBackgroundBitmap->OnChange = TNotifyEvent(this, &TdxBar::BackgroundChanged);
  FFont = New<TFont>();
  if (manager) FFont->Assign(manager->Font());
  FFont->OnChange = TNotifyEvent(this, &TdxBar::FontChanged);
  FItemLinks = New<TdxBarItemLinks>(manager);
  FItemLinks->SetOwner(this);
  FItemLinks->OnChange = TNotifyEvent(this, &TdxBar::ItemLinksChanged);
  if (manager && !manager->IsLoading()) {
    if (manager->OnBarAdd) manager->OnBarAdd(manager, this);
    manager->Modified();
  }
}

void TdxBar::BeforeDestruction() {
  TdxBarManager* manager = GetBarManager();
  if (manager && !manager->IsBeingDestroyed()) {
    manager->Modified();
    if (manager->OnBarDelete) manager->OnBarDelete(manager, this);
  }
  SetVisible(false);
  NotifyDetachingSubItems();
  if (manager && manager->FMainMenuBar == this) manager->FMainMenuBar = nullptr;
  FreeAndNil(FItemLinks);
  TCollectionItem::BeforeDestruction();
}

TdxBars* TdxBar::Bars() const { return static_cast<TdxBars*>(Collection()); }
TdxBarManager* TdxBar::GetBarManager() const { return Bars() ? Bars()->BarManager() : nullptr; }
TCustomdxBarControl* TdxBar::GetControl() const { return FItemLinks ? FItemLinks->BarControl() : nullptr; }

bool TdxBar::IsLoading() const {
  TdxBarManager* m = GetBarManager();
  return m && m->IsLoading();
}

bool TdxBar::IsManagerDestroying() const {
  TdxBarManager* m = GetBarManager();
  return m && m->IsBeingDestroyed();
}

String TdxBar::GetDisplayName() { return FCaption.empty() ? TCollectionItem::GetDisplayName() : FCaption; }

void TdxBar::Modified() {
  if (TdxBarManager* m = GetBarManager()) m->Modified();
}

void TdxBar::RebuildWindow() {
  if (FRebuildLock > 0) {
    FRebuildPending = true;
    return;
  }
  if (TCustomdxBarControl* c = GetControl()) c->Rebuild();
}

void TdxBar::RelayoutWindow() {
  if (TCustomdxBarControl* c = GetControl()) c->RebuildAndRepaint();
}

void TdxBar::SetRebuildLocked(bool Value) {
  if (Value) {
    ++FRebuildLock;
    return;
  }
  if (FRebuildLock > 0 && --FRebuildLock == 0 && FRebuildPending) {
    FRebuildPending = false;
    RebuildWindow();
  }
}

TdxDockControl* TdxBar::GetEffectiveDock() const {
  if (FDockControl) return FDockControl;
  return FDockingStyle != dsNone && Bars() ? Bars()->DockControls(FDockingStyle) : nullptr;
}

TdxBarDockingStyle TdxBar::GetDockingStyle() const {
  return FDockControl ? FDockControl->GetDockingStyle() : FDockingStyle;
}

TdxBarDockingStyle TdxBar::GetDockedDockingStyle() const {
  return FDockedDockControl ? FDockedDockControl->GetDockingStyle() : FDockedDockingStyle;
}

void TdxBar::ChangeDocking(TdxBarDockingStyle AStyle, TdxDockControl* ADock) {
  if (ADock && ADock->IsImplicit()) ADock = nullptr;
  if (AStyle == GetDockingStyle() || (ADock && ADock != FDockControl))
    SetDockControl(static_cast<TdxBarDockControl*>(ADock));
  else
    SetDockingStyle(AStyle);
}

void TdxBar::DockingStyleChanged() {
  if (TdxBarManager* m = GetBarManager()) m->DoBarDockingStyleChange(this);
}

void TdxBar::SetDockControl(TdxBarDockControl* Value) {
  TdxBarManager* manager = GetBarManager();
  // While loading, the dock may not have joined its manager yet: it is checked when the value is applied.
  if (IsLoading()) {
    FPendingDockControl = Value;
    FPendingDockControlSet = true;
    return;
  }
  if (Value && Value->BarManager() != manager) return;
  if (Value == FDockControl) return;
  const TdxBarDockingStyle oldStyle = GetDockingStyle();
  TCustomdxBarControl* window = GetControl();
  const bool reshow = !FChangingDocking && window &&
                      ((Value && Value != window->DockControl()) ||
                       (!Value && window->DockControl() && !window->DockControl()->IsImplicit()));
  if (reshow) SetVisible(false);
  FDockControl = Value;
  FItemLinks->SetRecentItemCount(-1);
  if (!FChangingDocking) {
    FChangingDocking = true;
    ScopeExit clear([&] { FChangingDocking = false; });
    SetDockingStyle(Value ? Value->GetDockingStyle() : oldStyle);
  }
  if (reshow) SetVisible(true);
  if (TCustomdxBarControl* w = GetControl()) w->UpdateDoubleBuffered();
  if (!FChangingDocking) DockingStyleChanged();
}

void TdxBar::SetDockingStyle(TdxBarDockingStyle Value) {
  if (IsLoading()) {
    FPendingDockingStyle = Value;
    FPendingDockingStyleSet = true;
    return;
  }
  TCustomdxBarControl* window = GetControl();
  const bool reshow = !FChangingDocking && window && window->DockingStyle() != Value;
  if (Value == FDockingStyle && !reshow && (FChangingDocking || !FDockControl)) return;
  if (reshow) SetVisible(false);
  FDockingStyle = Value;
  if (!FChangingDocking) {
    FChangingDocking = true;
    ScopeExit clear([&] { FChangingDocking = false; });
    SetDockControl(nullptr);
  }
  FItemLinks->SetRecentItemCount(-1);
  if (reshow) {
    SetVisible(true);
    if (TCustomdxBarControl* w = GetControl()) w->SetDockingStyle(Value);
  }
  if (!FChangingDocking) DockingStyleChanged();
}

void TdxBar::ApplyPendingDocking() {
  TdxBarManager* manager = GetBarManager();
  if (FDockedDockControl && FDockedDockControl->BarManager() != manager) FDockedDockControl = nullptr;
  if (FPendingDockControlSet && FPendingDockControl && FPendingDockControl->BarManager() == manager) {
    FPendingDockControlSet = false;
    FPendingDockingStyleSet = false;
    SetDockControl(FPendingDockControl);
    return;
  }
  FPendingDockControlSet = false;
  if (FPendingDockingStyleSet) {
    FPendingDockingStyleSet = false;
    SetDockingStyle(FPendingDockingStyle);
  }
}

void TdxBar::ApplyPendingVisible() {
  if (!FPendingVisibleSet) return;
  FPendingVisibleSet = false;
  SetVisible(FPendingVisible);
}

void TdxBar::SetDockedDockControl(TdxBarDockControl* Value) {
  if (Value && !IsLoading() && Value->BarManager() != GetBarManager()) return;
  if (FDockedDockControl == Value) return;
  FDockedDockControl = Value;
  Modified();
}

void TdxBar::SetDockedLeft(int32_t Value) {
  Value = std::max(Value, 0);
  if (FDockedLeft == Value) return;
  FDockedLeft = Value;
  Modified();
}

void TdxBar::SetDockedTop(int32_t Value) {
  Value = std::max(Value, 0);
  if (FDockedTop == Value) return;
  FDockedTop = Value;
  Modified();
}

void TdxBar::SetFloatLeft(int32_t Value) {
  if (FFloatLeft == Value) return;
  FFloatLeft = Value;
  Modified();
}
void TdxBar::SetFloatTop(int32_t Value) {
  if (FFloatTop == Value) return;
  FFloatTop = Value;
  Modified();
}
void TdxBar::SetFloatClientWidth(int32_t Value) {
  if (FFloatClientWidth == Value) return;
  FFloatClientWidth = Value;
  Modified();
}
void TdxBar::SetFloatClientHeight(int32_t Value) {
  if (FFloatClientHeight == Value) return;
  FFloatClientHeight = Value;
  Modified();
}

void TdxBar::SetAllowClose(bool Value) {
  if (FAllowClose == Value) return;
  FAllowClose = Value;
  if (GetDockingStyle() == dsNone) RebuildWindow();
}

void TdxBar::SetAllowQuickCustomizing(bool Value) {
  if (FAllowQuickCustomizing == Value) return;
  FAllowQuickCustomizing = Value;
  if (TdxBarManager* m = GetBarManager(); m && m->GetEffectiveStyle() != bmsStandard) RebuildWindow();
}

void TdxBar::SetAlphaBlendValue(uint8_t Value) {
  if (FAlphaBlendValue == Value) return;
  FAlphaBlendValue = Value;
  if (TCustomdxBarControl* c = GetControl(); c && GetDockingStyle() == dsNone) c->UpdateAlphaBlend();
}

void TdxBar::SetBackgroundBitmap(TBitmap* Value) {
  const bool wasEmpty = FBackgroundBitmap->Empty();
  FBackgroundBitmap->OnChange = nullptr;
  FBackgroundBitmap->Assign(Value);
  FBackgroundBitmap->OnChange = TNotifyEvent(this, &TdxBar::BackgroundChanged);
  if (!(wasEmpty && FBackgroundBitmap->Empty())) RelayoutWindow();
}

void TdxBar::BackgroundChanged(TObject*) { RebuildWindow(); }

void TdxBar::SetBorderStyle(TdxBarBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RelayoutWindow();
}

void TdxBar::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  TdxBarManager* manager = GetBarManager();
  if (manager) {
    TdxBar* other = manager->FindBarByCaption(Value);
    if (other && other != this) return;
  }
  FCaption = Value;
  if (TCustomdxBarControl* c = GetControl()) c->UpdateCaption();
  if (FName.empty() && manager && !manager->IsLoading()) SetNameFromCaption();
  Modified();
}

void TdxBar::SetNameFromCaption() {
  TdxBarManager* manager = GetBarManager();
  String base;
  for (char ch : RemoveAmpersands(FCaption))
    if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_') base += ch;
  if (base.empty() || std::isdigit(static_cast<unsigned char>(base[0]))) base = "Bar" + base;
  TdxBar* other = manager ? manager->FindBarByName(base) : nullptr;
  FName = (other && other != this && Bars()) ? Bars()->MakeUniqueName(base) : base;
}

void TdxBar::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  RebuildWindow();
}

void TdxBar::SetNotDocking(TdxBarDockingStyles Value) {
  if (FNotDocking == Value) return;
  FNotDocking = Value;
  RebuildWindow();
}

void TdxBar::SetShowMark(bool Value) {
  if (FShowMark == Value) return;
  FShowMark = Value;
  RebuildWindow();
}

void TdxBar::SetUseRestSpace(bool Value) {
  if (FUseRestSpace == Value) return;
  FUseRestSpace = Value;
  RebuildWindow();
}

void TdxBar::SetFont(TFont* Value) { FFont->Assign(Value); }

void TdxBar::FontChanged(TObject*) {
  if (!FFontLock) FUseOwnFont = true;
  if (FUseOwnFont) {
    TdxBarManager* manager = GetBarManager();
    MakeDerivedFont(FFont, FFontHandle, manager && manager->Scaled());
  }
  if (TCustomdxBarControl* c = GetControl()) {
    c->UpdateFont();
    if (c->HandleAllocated()) c->Perform(CM_FONTCHANGED);
  }
}

void TdxBar::SetUseOwnFont(bool Value) {
  if (FUseOwnFont == Value) return;
  FFontLock = true;
  ScopeExit unlock([&] { FFontLock = false; });
  FUseOwnFont = Value;
  if (Value) {
    FontChanged(nullptr);
  } else {
    if (TdxBarManager* manager = GetBarManager()) FFont->Assign(manager->Font());
    if (FFontHandle) DeleteObject(FFontHandle);
    FFontHandle = nullptr;
  }
}

void TdxBar::SetHidden(bool Value) {
  if (FHidden == Value) return;
  FHidden = Value;
  Modified();
}

void TdxBar::SetIsMainMenu(bool Value) {
  if (FIsMainMenu == Value) return;
  TdxBarManager* manager = GetBarManager();
  if (!manager) {
    FIsMainMenu = Value;
    return;
  }
  const bool oldLock = manager->UpdateLock();
  manager->SetUpdateLock(true);
  ScopeExit restore([&] { manager->SetUpdateLock(oldLock); });
  if (Value) {
    if (manager->FMainMenuBar && manager->FMainMenuBar != this) manager->FMainMenuBar->SetIsMainMenu(false);
    FIsMainMenu = true;
    manager->FMainMenuBar = this;
    SetWholeRow(true);
    SetMultiLine(true);
  } else {
    FIsMainMenu = false;
    if (manager->FMainMenuBar == this) manager->FMainMenuBar = nullptr;
    SetMultiLine(false);
    SetWholeRow(false);
  }
  if (!manager->IsLoading() && FDockingStyle != dsNone) RebuildWindow();
}

void TdxBar::SetItemLinks(TdxBarItemLinks* Value) { FItemLinks->Assign(Value); }

void TdxBar::SetMultiLine(bool Value) {
  if (FMultiLine == Value || (!Value && FIsMainMenu)) return;
  FMultiLine = Value;
  if (GetDockingStyle() != dsNone) RebuildWindow();
}

void TdxBar::SetRotateWhenVertical(bool Value) {
  if (FRotateWhenVertical == Value) return;
  FRotateWhenVertical = Value;
  if (TCustomdxBarControl* c = GetControl(); c && c->HandleAllocated()) c->Perform(CM_FONTCHANGED);
}

void TdxBar::SetSizeGrip(bool Value) {
  if (FSizeGrip == Value) return;
  FSizeGrip = Value;
  if (IsBottomWholeRow()) RelayoutWindow();
}

void TdxBar::SetUseRecentItems(bool Value) {
  if (FUseRecentItems == Value) return;
  FUseRecentItems = Value;
  FItemLinks->SetUseRecentItems(Value);
  RebuildWindow();
}

void TdxBar::SetWholeRow(bool Value) {
  if (FWholeRow == Value) return;
  FWholeRow = Value;
  TCustomdxBarControl* window = GetControl();
  if (window && GetDockingStyle() != dsNone && !IsLoading()) {
    SetVisible(false);
    SetVisible(true);
  }
}

void TdxBar::ItemLinksChanged(TObject*) { Modified(); }

void TdxBar::SetVisible(bool Value) {
  TdxBarManager* manager = GetBarManager();
  if (Value && (IsManagerDestroying() || !manager)) return;
  if (IsLoading()) {
    FPendingVisible = Value;
    FPendingVisibleSet = true;
    return;
  }
  if (FVisible == Value) return;
  FAutoHidden = false;
  TCustomdxBarControl* window = GetControl();
  if (!Value && window) window->StorePosition();
  FVisible = Value;
  if (Value) {
    window = FItemLinks->CreateBarControl();
    if (window) {
      const TdxBarDockingStyle style = GetDockingStyle();
      if (style != dsNone) {
        TdxDockControl* dock = GetEffectiveDock();
        window->BeginInternalChange();
        ScopeExit end([&] { window->EndInternalChange(); });
        window->RecreateForDocking(style, dock);
        POINT p{FDockedLeft, FDockedTop};
        if (dock) p = dock->ClientToScreen(p);
        Bars()->InsertIntoDock(style, dock, p, window);
        if (window->Parent() || window->ParentWindow()) ShowWindow(window->Handle(), SW_SHOWNA);
      } else {
        {
          window->BeginInternalChange();
          ScopeExit end([&] { window->EndInternalChange(); });
          window->RecreateForDocking(dsNone, nullptr);
        }
        const SIZE size = window->CalcSize(dsNone);
        window->SetBounds(FFloatLeft, FFloatTop, size.cx, size.cy);
        TCustomForm* form = manager->OwnerForm();
        bool show = false;
        if (form && form->HandleAllocated() && IsWindowVisible(form->Handle())) {
          TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
          show = !manager->HideFloatingBarsWhenInactive() || form->Active() || manager->IsCustomizing() ||
                 (form->FormStyle() == fsMDIChild && mainForm && mainForm->Active());
        }
        if (show) ShowWindow(window->Handle(), SW_SHOWNA);
      }
    }
  } else if (window) {
    FFreeingWindow = true;
    ScopeExit done([&] { FFreeingWindow = false; });
    window->Free();
  }
  if (!manager->IsBeingDestroyed() && manager->OnBarVisibleChange) manager->OnBarVisibleChange(manager, this);
  if (!Bars()->RestoringLayout()) manager->Modified();
}

// ---- measures -----------------------------------------------------------------------------------------------

int32_t TdxBar::GetExtraWidth(TdxBarDockingStyle AStyle) {
  TdxBarManager* manager = GetBarManager();
  TdxBarItemControlPainterClass painter = manager->PainterClass();
  if (AStyle == dsNone) return 2 * manager->GetFloatingFrameWidth() + 2 * painter->GetFloatingInnerBorder();
  if (FBorderStyle == bbsSingle) {
    const RECT b = painter->GetDockedBorderSizes(this, AStyle);
    int32_t w = b.left + b.right;
    if (AStyle == dsTop || AStyle == dsBottom) w += manager->GetGripSize(this);
    return w;
  }
  return HasSizeGrip() ? painter->GetSizeGripSize(manager).cx : 0;
}

int32_t TdxBar::GetExtraHeight(TdxBarDockingStyle AStyle) {
  TdxBarManager* manager = GetBarManager();
  TdxBarItemControlPainterClass painter = manager->PainterClass();
  if (AStyle == dsNone)
    return 2 * manager->GetFloatingFrameHeight() + painter->GetCaptionHeight() + painter->GetFloatingInnerTop() +
           painter->GetFloatingInnerBottom();
  if (FBorderStyle == bbsSingle) {
    const RECT b = painter->GetDockedBorderSizes(this, AStyle);
    int32_t h = b.top + b.bottom;
    if (AStyle == dsLeft || AStyle == dsRight) h += manager->GetGripSize(this);
    return h;
  }
  return IsBottomWholeRow() ? painter->GetBottomBarExtraHeight(manager) : 0;
}

bool TdxBar::CanClose() const {
  TCustomdxBarControl* c = GetControl();
  return FAllowClose && !FIsMainMenu && !(c && c->IsQuickCustomizeBar());
}

bool TdxBar::IsDockable() const {
  TdxBarManager* manager = GetBarManager();
  const TdxBarDockingStyles all = dxBarAllDockingStyles;
  return !((FNotDocking * all) == all || (manager && (manager->NotDocking() * all) == all));
}

bool TdxBar::IsBottomWholeRow() const {
  return FBorderStyle == bbsNone && GetDockingStyle() == dsBottom && FWholeRow;
}

bool TdxBar::HasSizeGrip() const {
  if (!IsBottomWholeRow() || !FSizeGrip) return false;
  TdxBarManager* manager = GetBarManager();
  if (manager && manager->OwnerForm() && manager->OwnerForm()->WindowState() == wsMaximized) return false;
  TCustomdxBarControl* c = GetControl();
  return !c || c->IsAtParentBottom();
}

bool TdxBar::CanReset() const { return FLoaded && FAllowReset; }

bool TdxBar::HandleShortCut(TShortCut AShortCut) { return FItemLinks->HandleShortCut(AShortCut); }

void TdxBar::AddDetachingSubItem(TdxBarItem* AItem) {
  if (std::find(FDetachingSubItems.begin(), FDetachingSubItems.end(), AItem) == FDetachingSubItems.end())
    FDetachingSubItems.push_back(AItem);
}

void TdxBar::RemoveDetachingSubItem(TdxBarItem* AItem) {
  FDetachingSubItems.erase(std::remove(FDetachingSubItems.begin(), FDetachingSubItems.end(), AItem),
                           FDetachingSubItems.end());
}

void TdxBar::NotifyDetachingSubItems() {
  while (!FDetachingSubItems.empty()) {
    TdxBarItem* item = FDetachingSubItems.back();
    const size_t before = FDetachingSubItems.size();
    item->BarNotification(this);
    if (FDetachingSubItems.size() == before) FDetachingSubItems.pop_back();
  }
}

// ---- assignment and reset ----------------------------------------------------------------------------------

void TdxBar::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TdxBar*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  TdxBarManager* manager = GetBarManager();
  SetAllowClose(source->FAllowClose);
  SetAllowCustomizing(source->FAllowCustomizing);
  SetAllowQuickCustomizing(source->FAllowQuickCustomizing);
  SetAllowReset(source->FAllowReset);
  SetCaption(source->FCaption);
  if (manager && manager->ComponentState().Contains(csUpdating)) SetNameFromCaption();
  SetDockedDockControl(source->FDockedDockControl);
  SetDockedDockingStyle(source->GetDockedDockingStyle());
  SetDockedLeft(source->FDockedLeft);
  SetDockedTop(source->FDockedTop);
  SetFloatLeft(source->FFloatLeft);
  SetFloatTop(source->FFloatTop);
  SetFloatClientWidth(source->FFloatClientWidth);
  SetFloatClientHeight(source->FFloatClientHeight);
  SetHidden(source->FHidden);
  SetIsMainMenu(source->FIsMainMenu);
  SetItemLinks(source->FItemLinks);
  SetNotDocking(source->FNotDocking);
  SetOneOnRow(source->FOneOnRow);
  SetRotateWhenVertical(source->FRotateWhenVertical);
  SetRow(source->FRow);
  SetWholeRow(source->FWholeRow);
  ChangeDocking(source->GetDockingStyle(), source->FDockControl);
  SetUseRecentItems(source->FUseRecentItems);
  SetUseRestSpace(source->FUseRestSpace);
  SetColor(source->FColor);
  SetFont(source->FFont);
  SetUseOwnFont(source->FUseOwnFont);
  SetVisible(source->FVisible);
}

namespace {

// Gives every sub-item link its design-time links, down the menus.
void ResetSubItemLinks(TdxBarItemLinks* ALinks, TdxBarManager* ACopyManager, int ADepth) {
  if (ADepth > 64) return;
  for (int32_t i = 0; i < ALinks->Count(); ++i) {
    TdxBarItem* item = ALinks->Items(i)->Item();
    TdxBarItemLinks* links = item ? item->SubItemLinks() : nullptr;
    if (!links) continue;
    TdxBarItem* copy = ACopyManager->FindItemByName(item->Name());
    TdxBarItemLinks* copyLinks = copy ? copy->SubItemLinks() : nullptr;
    if (!copyLinks) continue;
    links->Assign(copyLinks);
    links->CopyUsageFlags(copyLinks);
    ResetSubItemLinks(links, ACopyManager, ADepth + 1);
  }
}

}  // namespace

void TdxBar::Reset() {
  TdxBarManager* manager = GetBarManager();
  if (!manager) return;
  FreeingPtr<TCustomForm> copy(manager->LoadDesignCopy());
  if (!copy) return;
  auto* copyManager = dynamic_cast<TdxBarManager*>(copy->FindComponent(manager->Name()));
  TdxBar* copyBar = copyManager && Index() < copyManager->Bars()->Count() ? copyManager->Bars()->Items(Index()) : nullptr;
  if (!copyBar) return;
  manager->DoBarBeforeReset(this);
  auto& state = dxbar_detail::BarState();
  if (manager->UseFullReset()) {
    const bool oldLock = manager->UpdateLock();
    manager->SetUpdateLock(true);
    const bool wasVisible = FVisible;
    SetVisible(false);
    state.Resetting = true;
    ScopeExit restore([&] {
      state.Resetting = false;
      SetVisible(wasVisible);
      manager->SetUpdateLock(oldLock);
    });
    Assign(copyBar);
    FItemLinks->CopyUsageFlags(copyBar->ItemLinks());
    ResetSubItemLinks(FItemLinks, copyManager, 0);
  } else {
    SetRebuildLocked(true);
    state.Resetting = true;
    ScopeExit restore([&] {
      state.Resetting = false;
      SetRebuildLocked(false);
    });
    SetItemLinks(copyBar->ItemLinks());
    FItemLinks->CopyUsageFlags(copyBar->ItemLinks());
    ResetSubItemLinks(FItemLinks, copyManager, 0);
  }
  manager->DoBarAfterReset(this);
}

void TdxBar::ConfirmAndReset() {
  const String text = Format(TranslateString(sdxBarConfirmResetToolbar), {FCaption});
  const String title = Application ? Application->Title() : String();
  if (MessageBox(nullptr, text.c_str(), title.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK) Reset();
}

// ---- TdxBars -----------------------------------------------------------------------------------------------

TdxBars::TdxBars(TdxBarManager* ABarManager) : TCollection(TdxBar::StaticClass()), FBarManager(ABarManager) {}

TdxBars::~TdxBars() = default;

void TdxBars::AfterConstruction() {
  TCollection::AfterConstruction();
  for (TdxBarDockingStyle style : {dsLeft, dsTop, dsRight, dsBottom}) {
    auto* dock = New<TdxDockControl>(nullptr, style, FBarManager);
    FDockControls[style] = dock;
    if (FBarManager->OwnerForm()) dock->SetParent(FBarManager->OwnerForm());
  }
}

void TdxBars::BeforeDestruction() {
  // The bars go first: their windows stand in the docks.
  while (Count() > 0) Delete(Count() - 1);
  for (TdxDockControl*& dock : FDockControls) FreeAndNil(dock);
  TCollection::BeforeDestruction();
}

TPersistent* TdxBars::GetOwner() { return FBarManager; }

TdxDockControl* TdxBars::DockControls(TdxBarDockingStyle AStyle) const {
  return AStyle >= dsLeft && AStyle <= dsBottom ? FDockControls[AStyle] : nullptr;
}

void TdxBars::ClearDockControl(TdxDockControl* ADock) {
  for (TdxDockControl*& d : FDockControls)
    if (d == ADock) d = nullptr;
}

String TdxBars::MakeUniqueName(const String& ABase) const {
  for (int32_t n = 1;; ++n) {
    String name = ABase + IntToStr(n);
    if (!FBarManager->FindBarByName(name)) return name;
  }
}

void TdxBars::InsertIntoDock(TdxBarDockingStyle AStyle, TdxDockControl* ADock, POINT AScreenPoint,
                             TCustomdxBarControl* ABarControl) {
  if (!ADock) ADock = DockControls(AStyle);
  if (ADock) ADock->InsertBar(ABarControl, AScreenPoint, true);
}

void TdxBars::RemoveFromDock(TdxBarDockingStyle AStyle, TdxDockControl* ADock, TCustomdxBarControl* ABarControl) {
  if (!ADock) ADock = DockControls(AStyle);
  if (ADock) ADock->RemoveBar(ABarControl, nullptr, true);
}
