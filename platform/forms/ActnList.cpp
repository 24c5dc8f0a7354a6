#include "forms/ActnList.h"

#include <algorithm>

#include "forms/Forms.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(TBasicAction) {
  event("OnExecute", &TBasicAction::OnExecute, &TBasicAction::SetOnExecute);
  event("OnUpdate", &TBasicAction::OnUpdate, &TBasicAction::OnUpdate);
}

RTL_PUBLISHED(TContainedAction) { prop("Category", &TContainedAction::Category, &TContainedAction::SetCategory); }

RTL_PUBLISHED(TCustomAction) {
  prop("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
  prop("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked).Default(false);
  prop("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled).Default(true);
  prop("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
  prop("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex).Default(-1);
  prop("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut)
      .Type(TypeInfoAlias("TShortCut", TypeInfo<uint16_t>()))
      .Default(0);
  prop("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible).Default(true);
  prop("AutoCheck", &TCustomAction::AutoCheck, &TCustomAction::SetAutoCheck).Default(false);
  prop("GroupIndex", &TCustomAction::GroupIndex, &TCustomAction::SetGroupIndex).Default(0);
  prop("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext).Default(0);
}

RTL_PUBLISHED(TActionList) {
  event("OnExecute", &TActionList::OnExecute, &TActionList::OnExecute);
  event("OnUpdate", &TActionList::OnUpdate, &TActionList::OnUpdate);
}

// ---- TBasicActionLink -----------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink() {
  if (FAction) FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* v) {
  if (FAction == v) return;
  if (FAction) FAction->UnRegisterChanges(this);
  FAction = v;
  if (v) v->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* target) {
  if (!FAction) return false;
  FAction->SetActionComponent(target);
  bool r = false;
  try {
    r = FAction->Execute();
  } catch (...) {
    if (FAction) FAction->SetActionComponent(nullptr);
    throw;
  }
  if (FAction) FAction->SetActionComponent(nullptr);
  return r;
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change() {
  if (OnChange) OnChange(this);
}

// ---- TBasicAction ---------------------------------------------------------------------------------

void TBasicAction::BeforeDestruction() {
  // Clients let go of the action; their links stay but point nowhere.
  while (!FClients.empty()) {
    TBasicActionLink* l = FClients.back();
    FClients.pop_back();
    l->FAction = nullptr;
    if (auto* cl = dynamic_cast<TControlActionLink*>(l)) cl->Control()->ActionFreed();
    else if (auto* ml = dynamic_cast<TMenuActionLink*>(l)) ml->Item()->ActionFreed();
  }
  inherited::BeforeDestruction();
}

bool TBasicAction::Execute() {
  if (FOnExecute) {
    FOnExecute(this);
    return true;
  }
  return false;
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return false;
}

void TBasicAction::SetOnExecute(TNotifyEvent v) {
  if (FOnExecute == v) return;
  FOnExecute = v;
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->SetOnExecute(v);
  Change();
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
  if (std::find(FClients.begin(), FClients.end(), link) == FClients.end()) FClients.push_back(link);
}
void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), link), FClients.end());
}

void TBasicAction::Change() {
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->Change();
}

// ---- TContainedAction -----------------------------------------------------------------------------

void TContainedAction::BeforeDestruction() {
  if (FActionList) FActionList->RemoveAction(this);
  inherited::BeforeDestruction();
}

void TContainedAction::SetActionList(TActionList* v) {
  if (FActionList == v) return;
  if (FActionList) FActionList->RemoveAction(this);
  if (v) v->AddAction(this);
}

int32_t TContainedAction::Index() const {
  if (!FActionList) return -1;
  auto& l = FActionList->FActions;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int32_t>(it - l.begin());
}

bool TContainedAction::Execute() {
  if (FActionList && FActionList->ExecuteAction(this)) return true;
  return inherited::Execute();
}

bool TContainedAction::Update() {
  if (FActionList && FActionList->UpdateAction(this)) return true;
  return inherited::Update();
}

TComponent* TContainedAction::GetParentComponent() const { return FActionList; }

void TContainedAction::SetParentComponent(TComponent* value) {
  if (auto* l = dynamic_cast<TActionList*>(value)) SetActionList(l);
}

// ---- TCustomAction --------------------------------------------------------------------------------

#define ACTION_SETTER(Name, Type, Field)                                                     \
  void TCustomAction::Set##Name(Type v) {                                                     \
    if (Field == v) return;                                                                   \
    Field = v;                                                                                \
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->Set##Name(v);   \
    Change();                                                                                 \
  }
ACTION_SETTER(Caption, const String&, FCaption)
ACTION_SETTER(Enabled, bool, FEnabled)
ACTION_SETTER(Hint, const String&, FHint)
ACTION_SETTER(ImageIndex, int32_t, FImageIndex)
ACTION_SETTER(ShortCut, TShortCut, FShortCut)
ACTION_SETTER(Visible, bool, FVisible)
#undef ACTION_SETTER

void TCustomAction::SetChecked(bool v) {
  if (FChecked == v) return;
  FChecked = v;
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(FClients)) l->SetChecked(v);
  // Checking an action of a group unchecks the others of its group in the same list.
  if (v && FGroupIndex > 0 && ActionList())
    for (int32_t i = 0; i < ActionList()->ActionCount(); ++i)
      if (auto* a = dynamic_cast<TCustomAction*>(ActionList()->Actions(i)); a && a != this && a->FGroupIndex == FGroupIndex)
        a->SetChecked(false);
  Change();
}

bool TCustomAction::Execute() {
  // A disabled action does nothing; an auto-check action toggles before its handler runs.
  Update();
  if (!FEnabled) return false;
  if (FAutoCheck) SetChecked(!FChecked);
  return inherited::Execute();
}

// ---- TActionList ----------------------------------------------------------------------------------

void TActionList::BeforeDestruction() {
  while (!FActions.empty()) RemoveAction(FActions.back());
  inherited::BeforeDestruction();
}

void TActionList::AddAction(TContainedAction* a) {
  FActions.push_back(a);
  a->FActionList = this;
  a->FreeNotification(this);
}

void TActionList::RemoveAction(TContainedAction* a) {
  FActions.erase(std::remove(FActions.begin(), FActions.end(), a), FActions.end());
  a->FActionList = nullptr;
}

bool TActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (OnExecute) OnExecute(action, handled);
  return handled;
}

bool TActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(action, handled);
  return handled;
}

bool TActionList::IsShortCut(TMessage& m) {
  uint16_t key = static_cast<uint16_t>(m.WParam);
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  TShortCut sc = ::ShortCut(key, KeyDataToShiftState(m.LParam));
  if (!sc) return false;
  for (TContainedAction* a : std::vector<TContainedAction*>(FActions))
    if (auto* ca = dynamic_cast<TCustomAction*>(a); ca && ca->ShortCut() == sc) {
      ca->Update();
      if (!ca->Enabled()) return false;
      return ca->Execute();
    }
  return false;
}

void TActionList::GetChildren(TGetChildProc proc, TComponent* root) {
  for (TContainedAction* a : FActions)
    if (a->Owner() == root) proc(a);
}

void TActionList::SetChildOrder(TComponent* child, int32_t order) {
  auto it = std::find(FActions.begin(), FActions.end(), child);
  if (it == FActions.end()) return;
  auto* a = *it;
  FActions.erase(it);
  order = std::clamp<int32_t>(order, 0, static_cast<int32_t>(FActions.size()));
  FActions.insert(FActions.begin() + order, a);
}

// ---- links to controls and menu items -------------------------------------------------------------

void TControlActionLink::SetCaption(const String& v) { Control()->SetCaption(v); }
void TControlActionLink::SetEnabled(bool v) { Control()->SetEnabled(v); }
void TControlActionLink::SetHint(const String& v) { Control()->SetHint(v); }
void TControlActionLink::SetVisible(bool v) { Control()->SetVisible(v); }
void TControlActionLink::SetOnExecute(const TNotifyEvent& v) { Control()->OnClick = v; }

void TControlActionLink::AssignFromAction() {
  auto* a = dynamic_cast<TCustomAction*>(FAction);
  if (!a) return;
  SetCaption(a->Caption());
  SetEnabled(a->Enabled());
  SetHint(a->Hint());
  SetVisible(a->Visible());
  SetOnExecute(a->OnExecute());
}

void TMenuActionLink::SetCaption(const String& v) { Item()->SetCaption(v); }
void TMenuActionLink::SetChecked(bool v) { Item()->SetChecked(v); }
void TMenuActionLink::SetEnabled(bool v) { Item()->SetEnabled(v); }
void TMenuActionLink::SetHint(const String& v) { Item()->SetHint(v); }
void TMenuActionLink::SetImageIndex(int32_t v) { Item()->SetImageIndex(v); }
void TMenuActionLink::SetShortCut(TShortCut v) { Item()->SetShortCut(v); }
void TMenuActionLink::SetVisible(bool v) { Item()->SetVisible(v); }
void TMenuActionLink::SetOnExecute(const TNotifyEvent& v) { Item()->OnClick = v; }

void TMenuActionLink::AssignFromAction() {
  auto* a = dynamic_cast<TCustomAction*>(FAction);
  if (!a) return;
  SetCaption(a->Caption());
  SetChecked(a->Checked());
  SetEnabled(a->Enabled());
  SetHint(a->Hint());
  SetImageIndex(a->ImageIndex());
  SetShortCut(a->ShortCut());
  SetVisible(a->Visible());
  SetOnExecute(a->OnExecute());
}

void UpdateFormActions(TComponent* form) {
  for (int32_t i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->Components(i);
    if (auto* ctl = dynamic_cast<TControl*>(c); ctl && ctl->ActionLink()) ctl->ActionLink()->Update();
    else if (auto* mi = dynamic_cast<TMenuItem*>(c); mi && mi->ActionLink()) mi->ActionLink()->Update();
  }
}
