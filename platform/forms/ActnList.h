#pragma once
// Actions: one command (caption, enabled, checked, hint, shortcut, handler) shared by the controls and
// menu items linked to it. A change of the action reaches every client through its link; idle
// processing asks each linked action to update itself.

#include <cstdint>
#include <vector>

#include "forms/Menus.h"

class TBasicAction;
class TActionList;

// The link between an action and one client: the action calls the setters when it changes.
class TBasicActionLink : public TObject {
  RTL_CLASS(TBasicActionLink, TObject)
public:
  explicit TBasicActionLink(TObject* client) : FClient(client) {}
  ~TBasicActionLink() override;
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* v);
  TObject* Client() const { return FClient; }
  virtual bool Execute(TComponent* target = nullptr);
  virtual bool Update();
  TNotifyEvent OnChange;

  // Setters the action calls; a descendant forwards them to its client.
  virtual void SetCaption(const String&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetHint(const String&) {}
  virtual void SetImageIndex(int32_t) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}
  virtual void SetOnExecute(const TNotifyEvent&) {}
  virtual void Change();

protected:
  friend class TBasicAction;
  TBasicAction* FAction = nullptr;
  TObject* FClient;
};

class TBasicAction : public TComponent {
  RTL_CLASS(TBasicAction, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;
  // Runs the action: the action list's OnExecute, then the application's, then the action's own
  // OnExecute; true when one of them handled it.
  virtual bool Execute();
  // Asks OnUpdate (after the list's OnUpdate) to refresh the action's state; true when handled.
  virtual bool Update();
  TComponent* ActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* v) { FActionComponent = v; }
  TNotifyEvent OnExecute() const { return FOnExecute; }
  void SetOnExecute(TNotifyEvent v);
  TNotifyEvent OnUpdate;

  void RegisterChanges(TBasicActionLink* link);
  void UnRegisterChanges(TBasicActionLink* link);
  int32_t LinkCount() const { return static_cast<int32_t>(FClients.size()); }

protected:
  void Change();
  std::vector<TBasicActionLink*> FClients;
  TComponent* FActionComponent = nullptr;
  TNotifyEvent FOnExecute;
};

class TContainedAction : public TBasicAction {
  RTL_CLASS(TContainedAction, TBasicAction)
  RTL_PUBLISHED_DECL
public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  void BeforeDestruction() override;
  TActionList* ActionList() const { return FActionList; }
  void SetActionList(TActionList* v);
  const String& Category() const { return FCategory; }
  void SetCategory(const String& v) { FCategory = v; }
  int32_t Index() const;
  bool Execute() override;
  bool Update() override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* value) override;

private:
  friend class TActionList;
  TActionList* FActionList = nullptr;
  String FCategory;
};

class TCustomAction : public TContainedAction {
  RTL_CLASS(TCustomAction, TContainedAction)
  RTL_PUBLISHED_DECL
public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& v);
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  const String& Hint() const { return FHint; }
  void SetHint(const String& v);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t v);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool v) { FAutoCheck = v; }
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t v) { FGroupIndex = v; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t v) { FHelpContext = v; }
  bool Execute() override;

private:
  String FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  String FHint;
  int32_t FImageIndex = -1;
  TShortCut FShortCut = 0;
  bool FVisible = true;
  bool FAutoCheck = false;
  int32_t FGroupIndex = 0;
  int32_t FHelpContext = 0;
};

class TAction : public TCustomAction {
  RTL_CLASS(TAction, TCustomAction)
public:
  using TCustomAction::TCustomAction;
};

using TActionEvent = Event<TBasicAction*, bool&>;

class TActionList : public TComponent {
  RTL_CLASS(TActionList, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TActionList(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;
  int32_t ActionCount() const { return static_cast<int32_t>(FActions.size()); }
  TContainedAction* Actions(int32_t i) const { return FActions.at(static_cast<size_t>(i)); }
  // OnExecute / OnUpdate of the list; true when the handler handled the action.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Runs the action whose shortcut the key message carries.
  bool IsShortCut(TMessage& m);
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int32_t order) override;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;

private:
  friend class TContainedAction;
  void AddAction(TContainedAction* a);
  void RemoveAction(TContainedAction* a);
  std::vector<TContainedAction*> FActions;
};

// The link of a control: the action's caption, enabled state, hint and visibility become the control's,
// and a click runs the action.
class TControlActionLink : public TBasicActionLink {
  RTL_CLASS(TControlActionLink, TBasicActionLink)
public:
  explicit TControlActionLink(TControl* client) : TBasicActionLink(client) {}
  TControl* Control() const { return static_cast<TControl*>(FClient); }
  void SetCaption(const String& v) override;
  void SetEnabled(bool v) override;
  void SetHint(const String& v) override;
  void SetVisible(bool v) override;
  void SetOnExecute(const TNotifyEvent& v) override;
  // Copies every property of the action to the control (when the link is made).
  void AssignFromAction();
};

class TMenuActionLink : public TBasicActionLink {
  RTL_CLASS(TMenuActionLink, TBasicActionLink)
public:
  explicit TMenuActionLink(TMenuItem* client) : TBasicActionLink(client) {}
  TMenuItem* Item() const { return static_cast<TMenuItem*>(FClient); }
  void SetCaption(const String& v) override;
  void SetChecked(bool v) override;
  void SetEnabled(bool v) override;
  void SetHint(const String& v) override;
  void SetImageIndex(int32_t v) override;
  void SetShortCut(TShortCut v) override;
  void SetVisible(bool v) override;
  void SetOnExecute(const TNotifyEvent& v) override;
  void AssignFromAction();
};

// Updates the actions of every control and menu item that form owns (idle processing calls it for
// the visible forms).
void UpdateFormActions(TComponent* form);
