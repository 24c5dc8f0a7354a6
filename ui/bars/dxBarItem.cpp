// Bar items: the command base class and its action link.

#include <algorithm>

#include "forms/ActnList.h"
#include "forms/Forms.h"
#include "forms/ImgList.h"
#include "rtl/Filer.h"
#include "rtl/ScopeExit.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/cxClasses.h"

namespace {

// A caption as hints show it: its first "&" and then its first "..." taken out.
String CleanCaptionForHint(const String& ACaption) {
  String s = ACaption;
  if (size_t p = s.find('&'); p != String::npos) s.erase(p, 1);
  if (size_t p = s.find("..."); p != String::npos) s.erase(p, 3);
  return s;
}

String ShortHintOf(const String& AHint) {
  size_t p = AHint.find('|');
  return p == String::npos ? AHint : AHint.substr(0, p);
}

TCustomAction* AsCustomAction(TBasicAction* AAction) { return dynamic_cast<TCustomAction*>(AAction); }

// Whether two handlers run the same code, whatever object they are bound to. Handlers made of plain
// callables have no code of their own: they are the same only when they are the same callable.
bool SameHandlerCode(const TNotifyEvent& A, const TNotifyEvent& B) {
  const TMethod a = A.ToMethod(), b = B.ToMethod();
  if (a.Code.Assigned() || b.Code.Assigned()) return a.Code == b.Code;
  return a == b;
}

}  // namespace

// ---- TdxBarItemActionLink ---------------------------------------------------------------------------------

TdxBarItemActionLink::TdxBarItemActionLink(TObject* AClient)
    : TBasicActionLink(AClient), FItem(dynamic_cast<TdxBarItem*>(AClient)) {}

bool TdxBarItemActionLink::IsCustomAction() const { return FItem && AsCustomAction(FAction) != nullptr; }

bool TdxBarItemActionLink::IsCaptionLinked() {
  return IsCustomAction() && FItem->Caption() == AsCustomAction(FAction)->Caption();
}

bool TdxBarItemActionLink::IsCheckedLinked() {
  bool down = false;
  return IsCustomAction() && FItem->GetActionChecked(down) && down == AsCustomAction(FAction)->Checked();
}

bool TdxBarItemActionLink::IsEnabledLinked() {
  return IsCustomAction() && FItem->Enabled() == AsCustomAction(FAction)->Enabled();
}

bool TdxBarItemActionLink::IsHelpContextLinked() {
  return IsCustomAction() && FItem->HelpContext() == AsCustomAction(FAction)->HelpContext();
}

bool TdxBarItemActionLink::IsHintLinked() {
  return IsCustomAction() && FItem->Hint() == AsCustomAction(FAction)->Hint();
}

bool TdxBarItemActionLink::IsImageIndexLinked() {
  return IsCustomAction() && FItem->ReadImageIndex() == AsCustomAction(FAction)->ImageIndex();
}

bool TdxBarItemActionLink::IsShortCutLinked() {
  return IsCustomAction() && FItem->ShortCut() == AsCustomAction(FAction)->ShortCut();
}

bool TdxBarItemActionLink::IsVisibleLinked() {
  if (!IsCustomAction()) return false;
  const TdxBarItemVisible v = FItem->IsLoading() ? FItem->LoadedVisible() : FItem->Visible();
  return v == BooleanToItemVisible(AsCustomAction(FAction)->Visible());
}

bool TdxBarItemActionLink::IsOnExecuteLinked() {
  return FItem && FAction && SameHandlerCode(FItem->OnClick, FAction->OnExecute());
}

void TdxBarItemActionLink::SetCaption(const String& Value) {
  if (IsCaptionLinked()) FItem->SetCaption(Value);
}
void TdxBarItemActionLink::SetChecked(bool Value) {
  if (IsCheckedLinked()) FItem->SetActionChecked(Value);
}
void TdxBarItemActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FItem->SetEnabled(Value);
}
void TdxBarItemActionLink::SetHelpContext(int32_t Value) {
  if (IsHelpContextLinked()) FItem->SetHelpContext(Value);
}
void TdxBarItemActionLink::SetHint(const String& Value) {
  if (IsHintLinked()) FItem->SetHint(Value);
}
void TdxBarItemActionLink::SetImageIndex(int32_t Value) {
  if (IsImageIndexLinked()) FItem->WriteImageIndex(Value);
}
void TdxBarItemActionLink::SetShortCut(TShortCut Value) {
  if (IsShortCutLinked()) FItem->SetShortCut(Value);
}
void TdxBarItemActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) FItem->SetVisible(BooleanToItemVisible(Value));
}
void TdxBarItemActionLink::SetOnExecute(const TNotifyEvent& Value) {
  if (IsOnExecuteLinked()) FItem->OnClick = Value;
}

// ---- TdxBarItem ---------------------------------------------------------------------------------------------

RTL_PUBLISHED(TdxBarItem) {
  using C = TdxBarItem;
  prop("Action", &C::Action, &C::SetAction);
  prop("Align", &C::Align, &C::SetAlign).Default(iaLeft);
  prop("Caption", &C::Caption, &C::SetCaption).Stored(&C::IsCaptionStored);
  prop("Category", &C::Category, &C::SetCategory).NoDefault();
  prop("Description", &C::Description, &C::SetDescription);
  prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true).Stored(&C::IsEnabledStored);
  prop("HelpContext", &C::HelpContext, &C::SetHelpContext).Default(0).Stored(&C::IsHelpContextStored);
  prop("Hint", &C::Hint, &C::SetHint).Stored(&C::IsHintStored);
  prop("Visible", [](C& c) { return c.IsLoading() ? c.FLoadedVisible : c.FVisible; }, &C::SetVisible)
      .NoDefault()
      .Stored(&C::IsVisibleStored);
  event("OnDestroy", &C::OnDestroy, &C::OnDestroy);
}

TdxBarItem::TdxBarItem(TComponent* AOwner) : TComponent(AOwner), FGlyph(New<TBitmap>()) {
  FGlyph->OnChange = TNotifyEvent(this, &TdxBarItem::GlyphChangedHandler);
}

TdxBarItem::~TdxBarItem() {
  // Reached without BeforeDestruction only when construction failed.
  delete FGlyph;
}

void TdxBarItem::AfterConstruction() {
  TComponent::AfterConstruction();
  if (TdxBarManager* manager = FindBarManagerFor(Owner())) SetBarManager(manager);
}

void TdxBarItem::BeforeDestruction() {
  Destroying();
  if (OnDestroy) OnDestroy(this);
  RemoveTemporaryItem(this);
  if (!FLinks.empty()) {
    bool onToolbar = false;
    for (TdxBarItemLink* link : FLinks)
      if (link->GetLinks() && dynamic_cast<TdxBar*>(link->GetLinks()->Owner())) onToolbar = true;
    const bool lock = onToolbar && FBarManager && !FBarManager->IsBeingDestroyed();
    const bool oldLock = FBarManager ? FBarManager->UpdateLock() : false;
    if (lock) FBarManager->SetUpdateLock(true);
    ScopeExit restore([&] {
      if (lock) FBarManager->SetUpdateLock(oldLock);
    });
    while (!FLinks.empty()) FLinks.back()->Free();
  }
  if (FBarManager) FBarManager->RemoveItem(this);
  FBarManager = nullptr;
  FreeAndNil(FActionLink);
  ResetObjectLinks(this);
  TComponent::BeforeDestruction();
}

bool TdxBarItem::IsLoading() const {
  return ComponentState().Contains(csLoading) || (FBarManager && FBarManager->IsLoading());
}

void TdxBarItem::SetBarManager(TdxBarManager* Value) {
  if (FBarManager == Value) return;
  if (FBarManager) FBarManager->RemoveItem(this);
  FBarManager = Value;
  if (FBarManager) FBarManager->AddItem(this);
  BarManagerChanged();
}

// ---- properties ------------------------------------------------------------------------------------------

TBasicAction* TdxBarItem::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TdxBarItem::SetAction(TBasicAction* Value) {
  if (Value == Action()) return;
  if (!Value) {
    FreeAndNil(FActionLink);
    return;
  }
  if (!FActionLink) FActionLink = CreateAs<TdxBarItemActionLink>(GetActionLinkClass(), this);
  FActionLink->SetAction(Value);
  FActionLink->OnChange = TNotifyEvent(this, &TdxBarItem::DoActionChange);
  ActionChange(Value, Value->ComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

TClass TdxBarItem::GetActionLinkClass() const { return TdxBarItemActionLink::StaticClass(); }

void TdxBarItem::DoActionChange(TObject* Sender) {
  if (FActionLink && Sender == FActionLink) ActionChange(FActionLink->Action(), false);
}

void TdxBarItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || FCaption.empty()) {
    FChangingByAction = true;
    ScopeExit done([&] { FChangingByAction = false; });
    SetCaption(action->Caption());
  }
  bool down = false;
  if (GetActionChecked(down) && (!CheckDefaults || !down)) SetActionChecked(action->Checked());
  if (!CheckDefaults || FEnabled) SetEnabled(action->Enabled());
  if (!CheckDefaults || FHelpContext == 0) SetHelpContext(action->HelpContext());
  if (!CheckDefaults || FHint.empty()) SetHint(action->Hint());
  if (!CheckDefaults || ReadImageIndex() == -1) WriteImageIndex(action->ImageIndex());
  if (!CheckDefaults || FShortCut == 0) SetShortCut(action->ShortCut());
  if (!CheckDefaults || FVisible == ivAlways) SetVisible(BooleanToItemVisible(action->Visible()));
  if (!CheckDefaults || !OnClick.Assigned()) OnClick = action->OnExecute();
}

bool TdxBarItem::IsActionLinkedCaption() const { return FActionLink && FActionLink->IsCaptionLinked(); }
bool TdxBarItem::IsCaptionStored() const { return !IsActionLinkedCaption(); }
bool TdxBarItem::IsEnabledStored() const { return !(FActionLink && FActionLink->IsEnabledLinked()); }
bool TdxBarItem::IsHelpContextStored() const { return !(FActionLink && FActionLink->IsHelpContextLinked()); }
bool TdxBarItem::IsHintStored() const { return !(FActionLink && FActionLink->IsHintLinked()); }
bool TdxBarItem::IsVisibleStored() const { return !(FActionLink && FActionLink->IsVisibleLinked()); }

void TdxBarItem::SetAlign(TdxBarItemAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  AlignNotification();
}

void TdxBarItem::AlignNotification() { NotifyLinkControls(&TdxBarItemControl::AlignChanged); }

void TdxBarItem::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  const bool follow = !SubItemLinks() && !FChangingByAction &&
                      (FHint.empty() || ShortHintOf(FHint) == CleanCaptionForHint(FCaption));
  FCaption = Value;
  if (IsLoading()) return;
  if (follow) {
    const size_t bar = FHint.find('|');
    FHint = bar == String::npos ? CleanCaptionForHint(Value) : CleanCaptionForHint(Value) + FHint.substr(bar);
  }
  CaptionChanged();
}

void TdxBarItem::SetCategory(int32_t Value) {
  if (IsLoading()) {
    FCategory = Value;
    return;
  }
  if (!FBarManager || Value < 0 || Value >= FBarManager->Categories()->Count() || Value == FCategory) return;
  FCategory = Value;
  FBarManager->ItemCategoryChanged(this);
  FBarManager->Modified();
}

void TdxBarItem::SetDescription(const String& Value) { FDescription = Value; }

bool TdxBarItem::GetEnabled() const {
  if (FBarManager && FBarManager->IsCustomizing() && !FBarManager->IsDesigning() && FCategory >= 0) return true;
  return FEnabled;
}

void TdxBarItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  if (!IsLoading()) EnabledChanged();
}

void TdxBarItem::SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }

void TdxBarItem::SetImageIndex(int32_t Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (!IsLoading()) GlyphChanged();
}

void TdxBarItem::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  if (!IsLoading()) ShortCutChanged();
}

void TdxBarItem::SetVisible(TdxBarItemVisible Value) {
  if (IsLoading()) {
    FLoadedVisible = Value;
    return;
  }
  if (FVisible == Value) return;
  FVisible = Value;
  VisibleChanged();
}

// ---- notifications -----------------------------------------------------------------------------------------

void TdxBarItem::NotifyLinkControls(void (TdxBarItemControl::*ANotify)(), bool ASkipUserCaption,
                                    bool ASkipUserGlyph) {
  for (TdxBarItemLink* link : std::vector<TdxBarItemLink*>(FLinks)) {
    if (ASkipUserCaption && link->UserDefine().Contains(udCaption)) continue;
    if (ASkipUserGlyph && link->UserDefine().Contains(udGlyph)) continue;
    if (TdxBarItemControl* c = link->Control()) (c->*ANotify)();
  }
}

void TdxBarItem::CaptionChanged() { NotifyLinkControls(&TdxBarItemControl::CaptionChanged, true); }
void TdxBarItem::EnabledChanged() { NotifyLinkControls(&TdxBarItemControl::EnabledChanged); }
void TdxBarItem::GlyphChanged() {
  if (IsLoading()) return;
  NotifyLinkControls(&TdxBarItemControl::GlyphChanged, false, true);
}
void TdxBarItem::ShortCutChanged() { NotifyLinkControls(&TdxBarItemControl::ShortCutChanged); }

bool TdxBarItem::HasAccelerator(TdxBarItemLink*) { return GetEnabled(); }

void TdxBarItem::RepaintControls() {
  for (TdxBarItemLink* link : FLinks) {
    TdxBarItemControl* c = link->Control();
    if (!c) continue;
    TCustomdxBarControl* bar = c->Parent();
    if (bar && bar->Active() && bar->SelectedControl() == c) continue;
    c->Repaint();
  }
}

void TdxBarItem::RebuildBars() {
  for (TdxBarItemLink* link : std::vector<TdxBarItemLink*>(FLinks)) {
    TdxBarItemControl* c = link->Control();
    if (!c || !c->Parent()) continue;
    if (c->Parent()->Active() && c->Parent()->SelectedControl() == c) continue;
    c->Parent()->Rebuild();
  }
}

void TdxBarItem::VisibleChanged() {
  if (IsDesigning()) return;
  const bool oldLock = FBarManager ? FBarManager->UpdateLock() : false;
  if (FBarManager) FBarManager->SetUpdateLock(true);
  ScopeExit restore([&] {
    if (FBarManager) FBarManager->SetUpdateLock(oldLock);
  });
  for (TdxBarItemLink* link : std::vector<TdxBarItemLink*>(FLinks)) {
    if (TdxBarItemLinks* links = link->GetLinks()) links->RebuildLists();
    if (IsActuallyVisible()) {
      link->MarkUsed(false);
      if (!link->Control()) link->CreateControl();
      if (TdxBarItemControl* c = link->Control()) c->VisibleChanged();
    } else {
      link->MarkUnused();
      if (TdxBarItemControl* c = link->Control()) {
        c->VisibleChanged();
        link->DestroyControl();
      }
    }
  }
}

TCustomImageList* TdxBarItem::GetImages() const { return FBarManager ? FBarManager->Images() : nullptr; }

// ---- the item's place ----------------------------------------------------------------------------------------

bool TdxBarItem::IsActuallyVisible() const {
  const bool customizing = FBarManager && FBarManager->IsCustomizing();
  return (FVisible == ivAlways && (HasContents() || customizing)) || (FVisible == ivInCustomizing && customizing);
}

TdxBarItemLink* TdxBarItem::FindActiveLink() const {
  for (TdxBarItemLink* link : FLinks)
    if (link->Control() && link->Control()->IsActive()) return link;
  return nullptr;
}

int32_t TdxBarItem::GetManagerIndex() const { return FBarManager ? FBarManager->IndexOfItem(this) : -1; }

bool TdxBarItem::HasImage() {
  TCustomImageList* images = GetImages();
  return images && FImageIndex >= 0 && FImageIndex < images->Count();
}

bool TdxBarItem::HasControls() const {
  return std::any_of(FLinks.begin(), FLinks.end(), [](TdxBarItemLink* l) { return l->Control() != nullptr; });
}

TdxBarItemLink* TdxBarItem::Links(int32_t Index) const {
  return Index >= 0 && Index < LinkCount() ? FLinks[static_cast<size_t>(Index)] : nullptr;
}

// ---- clicks -------------------------------------------------------------------------------------------------------

void TdxBarItem::DirectClick() {
  if (IsClickable()) Click();
}

void TdxBarItem::Click() {
  if (!GetEnabled()) return;
  try {
    if (FBarManager) FBarManager->DoClickItem(this);
    DoClick();
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

void TdxBarItem::DoClick() {
  TBasicAction* action = Action();
  if (OnClick.Assigned() && (!action || !SameHandlerCode(action->OnExecute(), OnClick))) {
    OnClick(this);
    return;
  }
  if (!IsDesigning() && FActionLink && action) FActionLink->Execute(this);
}

// ---- the component --------------------------------------------------------------------------------------------

void TdxBarItem::AssignTo(TPersistent* Dest) {
  auto* action = dynamic_cast<TCustomAction*>(Dest);
  if (!action) {
    TComponent::AssignTo(Dest);
    return;
  }
  action->SetCaption(FCaption);
  bool down = false;
  if (GetActionChecked(down)) action->SetChecked(down);
  action->SetEnabled(FEnabled);
  action->SetHelpContext(FHelpContext);
  action->SetHint(FHint);
  action->SetImageIndex(ReadImageIndex());
  action->SetShortCut(FShortCut);
  if (FVisible != ivInCustomizing) action->SetVisible(FVisible == ivAlways);
  action->SetOnExecute(OnClick);
}

void TdxBarItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Action()) SetAction(nullptr);
}

TComponent* TdxBarItem::GetParentComponent() const { return HasParent() ? FBarManager : nullptr; }

bool TdxBarItem::HasParent() const { return FCategory >= 0; }

void TdxBarItem::SetParentComponent(TComponent* Value) {
  if (IsLoading()) return;
  if (auto* manager = dynamic_cast<TdxBarManager*>(Value)) SetBarManager(manager);
}

void TdxBarItem::ReadState(TReader* Reader) {
  if (auto* manager = dynamic_cast<TdxBarManager*>(Reader->Parent())) SetBarManager(manager);
  TComponent::ReadState(Reader);
}

void TdxBarItem::SetName(const String& NewName) { TComponent::SetName(NewName); }

void TdxBarItem::Loaded() {
  TComponent::Loaded();
  if (Action()) ActionChange(Action(), true);
}
