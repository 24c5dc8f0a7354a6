// Actions shared by controls and menu items: state flows to the clients, clicks and shortcuts run the
// action, and a freed action lets its clients go.

#include "FormsSupport.h"
#include "forms/ActnList.h"

using namespace ft;

TEST_F(FormsTest, ActionStateReachesEveryClientAndClicksRunIt) {
  auto* form = New<TForm>(Application, 0);
  auto* list = New<TActionList>(form);
  auto* action = New<TAction>(form);
  action->SetActionList(list);
  int runs = 0;
  TComponent* runFor = nullptr;
  action->SetOnExecute([&](TObject* sender) {
    ++runs;
    runFor = static_cast<TBasicAction*>(sender)->ActionComponent();
  });
  action->SetCaption("&Backup");
  auto* control = New<TTestControl>(form);
  control->SetParent(form);
  auto* item = New<TMenuItem>(form);
  control->SetAction(action);
  item->SetAction(action);
  EXPECT_EQ(control->Caption(), "&Backup");
  EXPECT_EQ(item->Caption(), "&Backup");

  action->SetCaption("&Restore");
  action->SetHint("Restore a database");
  EXPECT_EQ(control->Caption(), "&Restore");
  EXPECT_EQ(item->Hint(), "Restore a database");

  control->Click();
  item->Click();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(runFor, item);
  EXPECT_EQ(action->ActionComponent(), nullptr);

  // Disabled: the clients follow and the action does not run.
  action->SetEnabled(false);
  EXPECT_FALSE(control->Enabled());
  EXPECT_FALSE(item->Enabled());
  action->Execute();
  EXPECT_EQ(runs, 2);

  // The list's OnExecute may handle the action instead.
  action->SetEnabled(true);
  list->OnExecute = [](TBasicAction*, bool& handled) { handled = true; };
  control->Click();
  EXPECT_EQ(runs, 2);
  list->OnExecute = nullptr;

  action->Free();
  EXPECT_EQ(control->Action(), nullptr);
  EXPECT_EQ(item->Action(), nullptr);
  EXPECT_EQ(list->ActionCount(), 0);
  item->Free();
  form->Free();
}

TEST_F(FormsTest, ActionShortCutAndUpdateFromIdle) {
  auto* form = New<TForm>(Application, 0);
  form->SetBounds(10, 10, 200, 100);
  auto* list = New<TActionList>(form);
  auto* action = New<TAction>(form);
  action->SetActionList(list);
  action->SetShortCut(ShortCut(VK_F5, {}));
  int runs = 0;
  action->SetOnExecute([&](TObject*) { ++runs; });
  bool allowed = true;
  action->OnUpdate = [&](TObject* sender) { static_cast<TAction*>(sender)->SetEnabled(allowed); };
  auto* control = New<TTestControl>(form);
  control->SetParent(form);
  control->SetAction(action);
  form->SetActiveControl(control);
  form->Show();
  Pump();
  headless::KeyPress(VK_F5);
  Pump();
  EXPECT_EQ(runs, 1);
  allowed = false;
  headless::KeyPress(VK_F5);
  Pump();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(control->Enabled());
  // Idle processing asks the action again.
  allowed = true;
  MSG none{};
  PostMessage(nullptr, WM_NULL, 0, 0);  // Idle returns at once: a message is waiting
  Application->Idle(none);
  EXPECT_TRUE(control->Enabled());
  Pump();
  form->Free();
}
