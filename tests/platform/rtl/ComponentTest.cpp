#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Components.h"

namespace {

std::vector<std::string> gLog;

class TLogComp : public TComponent {
  RTL_CLASS(TLogComp, TComponent)
public:
  using TComponent::TComponent;
  ~TLogComp() override { gLog.push_back("dtor " + Name()); }
  void AfterConstruction() override {
    inherited::AfterConstruction();
    gLog.push_back("after " + Kind() + (Owner() ? " in " + Owner()->Name() : ""));
  }
  void BeforeDestruction() override {
    gLog.push_back("before " + Name() + (ComponentState().Contains(csDestroying) ? " destroying" : ""));
    inherited::BeforeDestruction();
  }
  virtual std::string Kind() const { return "log"; }

  std::vector<std::string> heard;

protected:
  void Notification(TComponent* c, TOperation op) override {
    inherited::Notification(c, op);
    auto* lc = dynamic_cast<TLogComp*>(c);
    heard.push_back(std::string(op == opInsert ? "+" : "-") + (lc ? lc->Kind() : "?") + ":" + c->Name());
  }
};

class TSpecialComp : public TLogComp {
  RTL_CLASS(TSpecialComp, TLogComp)
public:
  using TLogComp::TLogComp;
  std::string Kind() const override { return "special"; }
};

}  // namespace

TEST(TComponentTest, ConstructionAndDestructionRunVirtualCallsOnTheFinalClassInOrder) {
  gLog.clear();
  auto* owner = New<TLogComp>(nullptr);
  owner->SetName("Owner1");
  auto* a = New<TSpecialComp>(owner);
  a->SetName("A");
  auto* b = New<TLogComp>(owner);
  b->SetName("B");
  // The owner and its other components hear of a newcomer as the finished class.
  EXPECT_EQ(owner->heard, (std::vector<std::string>{"+special:", "+log:"}));
  EXPECT_EQ(a->heard, (std::vector<std::string>{"+special:", "+log:"}));
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(b->ComponentIndex(), 1);

  owner->Free();
  EXPECT_EQ(gLog, (std::vector<std::string>{"after log", "after special in Owner1", "after log in Owner1",
                                            "before Owner1", "before B destroying", "dtor B",
                                            "before A destroying", "dtor A", "dtor Owner1"}));
}

TEST(TComponentTest, FreeNotificationReachesTheSurvivorWhicheverSideGoesFirst) {
  for (bool firstGoesFirst : {true, false}) {
    auto* x = New<TLogComp>(nullptr);
    auto* y = New<TLogComp>(nullptr);
    x->SetName("X");
    y->SetName("Y");
    x->FreeNotification(y);
    EXPECT_TRUE(x->ComponentState().Contains(csFreeNotification));
    EXPECT_TRUE(y->ComponentState().Contains(csFreeNotification));
    TLogComp* gone = firstGoesFirst ? x : y;
    TLogComp* survivor = firstGoesFirst ? y : x;
    std::string goneName = gone->Name();
    gone->Free();
    EXPECT_EQ(survivor->heard, (std::vector<std::string>{"-log:" + goneName})) << firstGoesFirst;
    survivor->heard.clear();
    survivor->Free();  // the link is gone: no call into freed memory
    EXPECT_TRUE(survivor != nullptr);
  }
}

TEST(TComponentTest, RemoveFreeNotificationUnlinksBothSides) {
  auto* x = New<TLogComp>(nullptr);
  auto* y = New<TLogComp>(nullptr);
  x->FreeNotification(y);
  x->RemoveFreeNotification(y);
  x->Free();
  EXPECT_TRUE(y->heard.empty());
  y->Free();
}

TEST(TComponentTest, OwnerDestructionFreesChildrenAndNotifiesLinkedComponents) {
  auto* form = New<TLogComp>(nullptr);
  form->SetName("Form");
  auto* watcher = New<TLogComp>(nullptr);
  auto* child1 = New<TLogComp>(form);
  child1->SetName("C1");
  auto* child2 = New<TSpecialComp>(form);
  child2->SetName("C2");
  auto* child3 = New<TLogComp>(form);
  child3->SetName("C3");
  child2->FreeNotification(watcher);
  form->FreeNotification(watcher);
  form->Free();
  // The watcher hears of the form and of the linked child, each while it is still whole.
  EXPECT_EQ(watcher->heard, (std::vector<std::string>{"-log:Form", "-special:C2"}));
  watcher->Free();
}

TEST(TComponentTest, ChildFreedByCodeLeavesItsOwnerAndSiblingsHear) {
  auto* owner = New<TLogComp>(nullptr);
  auto* a = New<TLogComp>(owner);
  a->SetName("A");
  auto* b = New<TSpecialComp>(owner);
  b->SetName("B");
  a->heard.clear();
  b->Free();
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(a->heard, (std::vector<std::string>{"-special:B"}));
  EXPECT_EQ(owner->FindComponent("b"), nullptr);
  owner->Free();
}

TEST(TComponentTest, NamesFollowIdentifierRulesAndStayUniqueWithinTheOwner) {
  auto* owner = New<TComponent>(nullptr);
  auto* a = New<TComponent>(owner);
  a->SetName("Button1");
  auto* b = New<TComponent>(owner);
  struct Case {
    const char* name;
    const char* error;
  };
  const Case cases[] = {
      {"1abc", "Component name \"1abc\" is not valid"},
      {"a b", "Component name \"a b\" is not valid"},
      {"a-b", "Component name \"a-b\" is not valid"},
      {"BUTTON1", "A component named BUTTON1 already exists"},
      {"_ok2", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    if (c.error) {
      try {
        b->SetName(c.name);
        ADD_FAILURE() << c.name;
      } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), c.error);
      }
    } else {
      EXPECT_NO_THROW(b->SetName(c.name)) << c.name;
      EXPECT_EQ(b->Name(), c.name);
    }
  }
  // Renaming to the same name in another letter case is no clash.
  EXPECT_NO_THROW(a->SetName("BUTTON1"));
  EXPECT_EQ(owner->FindComponent("button1"), a);
  owner->Free();
}

TEST(TComponentTest, ComponentIndexMovesWithinTheOwner) {
  auto* owner = New<TComponent>(nullptr);
  TComponent* c[3];
  for (int i = 0; i < 3; ++i) c[i] = New<TComponent>(owner);
  c[2]->SetComponentIndex(0);
  EXPECT_EQ(owner->Components(0), c[2]);
  EXPECT_EQ(owner->Components(1), c[0]);
  EXPECT_EQ(c[0]->ComponentIndex(), 1);
  EXPECT_THROW(owner->Components(3), EListError);
  owner->RemoveComponent(c[1]);
  EXPECT_EQ(c[1]->Owner(), nullptr);
  EXPECT_EQ(owner->ComponentCount(), 2);
  c[1]->Free();
  owner->Free();
}

TEST(TComponentTest, DesigningStateSpreadsToOwnedComponents) {
  auto* owner = New<TComponent>(nullptr);
  auto* a = New<TComponent>(owner);
  owner->SetDesigning(true);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  auto* b = New<TComponent>(owner);
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(a->ComponentStyle().Contains(csInheritable));
  a->SetSubComponent(true);
  EXPECT_TRUE(a->ComponentStyle().Contains(csSubComponent));
  owner->Free();
}
