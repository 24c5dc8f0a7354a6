#include "ui/barcontrols/dxBarItems.h"

#include <algorithm>

#include "forms/ActnList.h"
#include "forms/Graphics.h"
#include "rtl/ScopeExit.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBarCommon.h"

// ---- the unit ------------------------------------------------------------------------------------------------

namespace {

// The item classes in the order the bar unit registers them; the item controls arrive with the bar windows.
TClass const* ItemClassTable(size_t& ACount) {
  static const TClass table[] = {TdxBarButton::StaticClass(), TdxBarSubItem::StaticClass()};
  ACount = sizeof(table) / sizeof(table[0]);
  return table;
}

void StartBarItems() {
  size_t count = 0;
  TClass const* table = ItemClassTable(count);
  for (size_t i = 0; i < count; ++i) RegisterItemClass(table[i], nullptr, true);
}

void FinishBarItems() {
  size_t count = 0;
  TClass const* table = ItemClassTable(count);
  for (size_t i = count; i-- > 0;) UnregisterItemClass(table[i]);
}

}  // namespace

constinit const TUnit dxBarItemsUnit{"dxBarItems", {&dxBarUnit}, &StartBarItems, &FinishBarItems};

// ---- TdxBarButton --------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarButton) {
  using C = TdxBarButton;
  prop("AllowAllUp", &C::AllowAllUp, &C::SetAllowAllUp).Default(false);
  prop("ButtonStyle", &C::ButtonStyle, &C::SetButtonStyle).Default(bsDefault);
  prop("CloseSubMenuOnClick", &C::CloseSubMenuOnClick, &C::SetCloseSubMenuOnClick).Default(true);
  prop("Down", &C::Down, &C::SetDown).Default(false).Stored(&C::IsDownStored);
  prop("DropDownEnabled", &C::DropDownEnabled, &C::SetDropDownEnabled).Default(true);
  prop("DropDownMenu", &C::DropDownMenu, &C::SetDropDownMenu);
  prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
  prop("Lowered", &C::Lowered, &C::SetLowered).Default(false);
  prop("PaintStyle", &C::PaintStyle, &C::SetPaintStyle).Default(TdxBarPaintStyle::psStandard);
  prop("Glyph", &C::Glyph, &C::SetGlyph);
  prop<int32_t>("ImageIndex", &C::ImageIndex, [](C& c, int32_t v) { c.SetImageIndex(v); }).Default(-1);
  prop<uint16_t>("ShortCut", &C::ShortCut, &C::SetShortCut)
      .Type(TypeInfoAlias("TShortCut", TypeInfo<uint16_t>()))
      .Default(0);
  prop("UnclickAfterDoing", &C::UnclickAfterDoing, &C::SetUnclickAfterDoing).Default(true);
  event("OnClick", [](C& c) { return c.OnClick; }, [](C& c, const TNotifyEvent& e) { c.OnClick = e; });
}

TdxBarButton::TdxBarButton(TComponent* AOwner) : TdxBarItem(AOwner) { SetUnclickAfterDoing(true); }

bool TdxBarButton::IsDownStored() const { return !(ActionLink() && ActionLink()->IsCheckedLinked()); }

TdxBarButton* TdxBarButton::FindPressedPartner() const {
  if (!BarManager()) return nullptr;
  for (int32_t i = 0; i < BarManager()->GetItemCount(); ++i) {
    auto* b = dynamic_cast<TdxBarButton*>(BarManager()->GetItem(i));
    if (b && b != this && b->FButtonStyle == bsChecked && b->FGroupIndex == FGroupIndex && b->FDown) return b;
  }
  return nullptr;
}

bool TdxBarButton::AnotherOfGroupDown() const { return FindPressedPartner() != nullptr; }

void TdxBarButton::SetDown(bool Value) {
  if (FDown == Value || (Value && FButtonStyle != bsChecked)) return;
  TdxBarButton* partner = nullptr;
  if (!IsLoading() && FButtonStyle == bsChecked && FGroupIndex != 0) {
    if (Value)
      partner = FindPressedPartner();
    else if (!FAllowAllUp && !AnotherOfGroupDown())
      return;  // the last pressed button of a group stays pressed
  }
  FDown = Value;
  if (IsLoading()) return;
  DownChanged();
  if (partner) partner->SetDown(false);
}

void TdxBarButton::Release() {
  if (!FDown) return;
  FDown = false;
  if (!IsLoading()) DownChanged();
}

void TdxBarButton::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  if (FGroupIndex == 0 || !BarManager()) return;
  for (int32_t i = 0; i < BarManager()->GetItemCount(); ++i)
    if (auto* b = dynamic_cast<TdxBarButton*>(BarManager()->GetItem(i)); b && b->FGroupIndex == FGroupIndex)
      b->FAllowAllUp = Value;
}

void TdxBarButton::SetButtonStyle(TdxBarButtonStyle Value) {
  if (FButtonStyle == Value) return;
  FButtonStyle = Value;
  Release();
  if (Value != bsChecked) FGroupIndex = 0;
  if (!IsLoading()) ButtonStyleChanged();
}

void TdxBarButton::SetGroupIndex(int32_t Value) {
  if (FButtonStyle != bsChecked) Value = 0;
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (!IsLoading()) Release();
}

void TdxBarButton::SetLowered(bool Value) {
  if (FLowered == Value) return;
  FLowered = Value;
  RebuildBars();
}

void TdxBarButton::SetDropDownEnabled(bool Value) {
  if (FDropDownEnabled == Value) return;
  FDropDownEnabled = Value;
  DropDownEnabledChanged();
}

void TdxBarButton::SetPaintStyle(TdxBarPaintStyle Value) {
  if (FPaintStyle == Value) return;
  FPaintStyle = Value;
  PaintStyleChanged();
}

void TdxBarButton::SetDropDownMenu(TdxBarPopupMenu* Value) {
  if (FDropDownMenu == Value) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TdxBarButton::Notification(TComponent* AComponent, TOperation Operation) {
  TdxBarItem::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

void TdxBarButton::ButtonStyleChanged() { NotifyLinkControls(&TdxBarItemControl::ButtonStyleChanged); }
void TdxBarButton::DownChanged() { NotifyLinkControls(&TdxBarItemControl::DownChanged); }
void TdxBarButton::DropDownEnabledChanged() { NotifyLinkControls(&TdxBarItemControl::DropDownEnabledChanged); }

void TdxBarButton::PaintStyleChanged() {
  for (int32_t i = 0; i < LinkCount(); ++i) {
    TdxBarItemLink* link = Links(i);
    if (!link->UserDefine().Contains(udPaintStyle) && link->Control()) link->Control()->PaintStyleChanged();
  }
}

void TdxBarButton::DropDown(TdxBarItemControl*, int32_t X, int32_t Y, bool) {
  if (FDropDownMenu) FDropDownMenu->Popup(X, Y);
}

void TdxBarButton::DirectClick() {
  if (GetEnabled() && FButtonStyle == bsChecked) SetDown(!FDown);
  TdxBarItem::DirectClick();
}

bool TdxBarButton::HasAccelerator(TdxBarItemLink* ALink) {
  if (!GetEnabled()) return false;
  TdxBarItemLinks* links = ALink ? ALink->GetLinks() : nullptr;
  if (!links || !dynamic_cast<TdxBar*>(links->Owner())) return true;
  const TdxBarPaintStyle style = ALink->GetPaintStyle();
  if (style == psCaption || style == psCaptionGlyph) return true;
  // A standard button without a picture shows its caption alone.
  return style == TdxBarPaintStyle::psStandard && ALink->GetGlyph()->Empty() && !HasImage();
}

TdxBarItemLinks* TdxBarButton::DropDownLinks() const {
  return FButtonStyle == bsDropDown && FDropDownMenu ? FDropDownMenu->ItemLinks() : nullptr;
}

// ---- sub-items ----------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TCustomdxBarSubItem) {
  using C = TCustomdxBarSubItem;
  prop("Glyph", &C::Glyph, &C::SetGlyph);
  prop<int32_t>("ImageIndex", &C::ImageIndex, [](C& c, int32_t v) { c.SetImageIndex(v); }).Default(-1);
  event("OnClick", [](C& c) { return c.OnClick; }, [](C& c, const TNotifyEvent& e) { c.OnClick = e; });
}

RTL_PUBLISHED(TdxBarSubItem) {
  using C = TdxBarSubItem;
  prop("AllowCustomizing", &C::AllowCustomizing, &C::SetAllowCustomizing).Default(true);
  prop("ItemLinks", &C::ItemLinks, &C::SetItemLinks);
  event("OnCloseUp", [](C& c) { return c.OnCloseUp; }, [](C& c, const TNotifyEvent& e) { c.OnCloseUp = e; });
  event("OnPopup", [](C& c) { return c.OnPopup; }, [](C& c, const TNotifyEvent& e) { c.OnPopup = e; });
}

TCustomdxBarSubItem::TCustomdxBarSubItem(TComponent* AOwner) : TdxBarItem(AOwner) {}

void TCustomdxBarSubItem::AfterConstruction() {
  FItemLinks = New<TdxBarItemLinks>(nullptr);
  FItemLinks->SetOwner(this);
  TdxBarItem::AfterConstruction();
  FItemLinks->SetBarManager(BarManager());
}

void TCustomdxBarSubItem::BeforeDestruction() {
  Destroying();
  SetDetachingBar(-1);
  FreeAndNil(FItemLinks);
  TdxBarItem::BeforeDestruction();
}

void TCustomdxBarSubItem::BarManagerChanged() {
  if (FItemLinks) FItemLinks->SetBarManager(BarManager());
}

void TCustomdxBarSubItem::SetItemLinks(TdxBarItemLinks* Value) { FItemLinks->Assign(Value); }

void TCustomdxBarSubItem::SetBarSize(int32_t Value) {
  Value = std::max(Value, 0);
  if (FBarSize == Value) return;
  FBarSize = Value;
  RebuildBars();
}

void TCustomdxBarSubItem::SetShowCaption(bool Value) {
  if (FShowCaption == Value) return;
  FShowCaption = Value;
  if (!IsLoading()) RebuildBars();
}

int32_t TCustomdxBarSubItem::DetachingBar() const { return FDetachingBar ? FDetachingBar->Index() : -1; }

void TCustomdxBarSubItem::SetDetachingBar(int32_t Value) {
  TdxBars* bars = BarManager() ? BarManager()->Bars() : nullptr;
  if (!bars || Value < -1 || Value >= bars->Count()) Value = -1;
  TdxBar* bar = Value >= 0 ? bars->Items(Value) : nullptr;
  if (bar == FDetachingBar) return;
  if (FDetachingBar) FDetachingBar->RemoveDetachingSubItem(this);
  FDetachingBar = bar;
  if (bar) bar->AddDetachingSubItem(this);
}

void TCustomdxBarSubItem::BarNotification(TdxBar* ABar) {
  if (ABar == FDetachingBar) {
    ABar->RemoveDetachingSubItem(this);
    FDetachingBar = nullptr;
  }
}

void TCustomdxBarSubItem::DoPaintBar(TCanvas* ACanvas, const RECT& R) {
  if (OnPaintBar) OnPaintBar(this, ACanvas, R);
}
void TCustomdxBarSubItem::DoCloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}
void TCustomdxBarSubItem::DoDetaching() {
  if (OnDetaching) OnDetaching(this);
}
void TCustomdxBarSubItem::DoPopup() {
  if (OnPopup) OnPopup(this);
}
