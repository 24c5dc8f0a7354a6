#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "rtl/Collections.h"
#include "rtl/Components.h"
#include "rtl/Interfaces.h"
#include "rtl/StringLists.h"
#include "rtl/Threads.h"

// The lifetime rule (rtl/System.h): components, collection items, threads and interfaced objects are made
// by New and destroyed by Free. The sanitizer build stops the program on any other way; these tests show
// each wrong way caught with the class named, and the right ways left alone.

namespace {

class TLifeComponent : public TComponent {
  RTL_CLASS(TLifeComponent, TComponent)
public:
  using TComponent::TComponent;
};

class TLifeItem : public TCollectionItem {
  RTL_CLASS(TLifeItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
};

class TLifeInterfaced : public TInterfacedObject {
  RTL_CLASS(TLifeInterfaced, TInterfacedObject)
};

class TLifeThread : public TThread {
  RTL_CLASS(TLifeThread, TThread)
public:
  TLifeThread() : TThread(true) {}

protected:
  void Execute() override {}
};

// Its constructor fails after the hooked part is built: the parts already made are destroyed while the
// exception travels, which is no fault of the caller.
class TThrowingComponent : public TComponent {
  RTL_CLASS(TThrowingComponent, TComponent)
public:
  explicit TThrowingComponent(TComponent* AOwner) : TComponent(AOwner) { throw EComponentError("refused"); }
};

class TFailingAfterConstruction : public TComponent {
  RTL_CLASS(TFailingAfterConstruction, TComponent)
public:
  using TComponent::TComponent;
  void AfterConstruction() override {
    inherited::AfterConstruction();
    throw EComponentError("refused");
  }
};

bool ChecksOn() {
#ifdef VORN_LIFETIME_CHECKS
  return true;
#else
  return false;
#endif
}

struct WrongWay {
  const char* name;
  std::function<void()> run;
  const char* message;  // what the fault report must say
};

std::ostream& operator<<(std::ostream& os, const WrongWay& w) { return os << w.name; }

class TObjectLifetimeDeathTest : public testing::TestWithParam<WrongWay> {};

TEST_P(TObjectLifetimeDeathTest, StopsWithTheClassNamed) {
  if (!ChecksOn()) GTEST_SKIP() << "the lifetime checks are part of the sanitizer build";
  EXPECT_DEATH(GetParam().run(), GetParam().message);
}

// Each wrong way is reached at the moment the object goes: a raw new at its Free (AfterConstruction never
// ran), a raw delete or a unique_ptr at the delete, a stack instance at the end of its scope.
INSTANTIATE_TEST_SUITE_P(
    WrongWays, TObjectLifetimeDeathTest,
    testing::Values(
        WrongWay{"RawNewComponent", [] { (new TLifeComponent(nullptr))->Free(); },
                 "TLifeComponent was made without New"},
        WrongWay{"RawDeleteComponent", [] { delete New<TLifeComponent>(nullptr); },
                 "TLifeComponent was destroyed without Free"},
        WrongWay{"UniquePtrComponent", [] { std::unique_ptr<TLifeComponent> p(New<TLifeComponent>(nullptr)); },
                 "TLifeComponent was destroyed without Free"},
        WrongWay{"StackComponent", [] { TLifeComponent c(nullptr); },
                 "TLifeComponent was made without New and destroyed without Free"},
        WrongWay{"RawDeleteCollectionItem",
                 [] {
                   TCollection items(TLifeItem::StaticClass());
                   delete items.Add();
                 },
                 "TLifeItem was destroyed without Free"},
        WrongWay{"RawNewInterfacedObject", [] { (new TLifeInterfaced())->Free(); },
                 "TLifeInterfaced was made without New"},
        WrongWay{"StackThread", [] { TLifeThread t; },
                 "TLifeThread was made without New and destroyed without Free"}),
    [](const testing::TestParamInfo<WrongWay>& info) { return std::string(info.param.name); });

TEST(TObjectLifetimeTest, RightWaysPass) {
  TComponent* owner = New<TComponent>(nullptr);
  New<TLifeComponent>(owner);                                                  // freed by its owner
  TComponent* made = CreateAs<TComponent>(TLifeComponent::StaticClass(), owner);  // a metaclass's Create
  EXPECT_EQ(made->Owner(), owner);
  TComponent* alone = New<TLifeComponent>(nullptr);
  FreeAndNil(alone);
  owner->Free();

  TCollection items(TLifeItem::StaticClass());
  items.Add();
  New<TLifeItem>(&items)->Free();
  EXPECT_EQ(items.Count(), 1);

  TThread* thread = New<TLifeThread>();
  thread->Start();
  thread->WaitFor();
  thread->Free();
}

TEST(TObjectLifetimeTest, InterfacedObjectFreedByItsLastReferenceIsFreedTheRightWay) {
  IPtr<IInterface> ref(New<TLifeInterfaced>());
  ref.reset();  // the last reference frees it through Free
  SUCCEED();
}

TEST(TObjectLifetimeTest, FailedConstructionIsNoFault) {
  EXPECT_THROW(New<TThrowingComponent>(nullptr), EComponentError);
  EXPECT_THROW(New<TFailingAfterConstruction>(nullptr), EComponentError);
  TComponent* owner = New<TComponent>(nullptr);
  EXPECT_THROW(CreateAs<TComponent>(TFailingAfterConstruction::StaticClass(), owner), EComponentError);
  EXPECT_EQ(owner->ComponentCount(), 0);
  owner->Free();
}

TEST(TObjectLifetimeTest, ValueHelpersLiveOnTheStackAndInUniquePtr) {
  TStringList onStack;
  onStack.Add("a");
  auto held = std::make_unique<TStringList>();
  held->Add("b");
  EComponentError error("thrown by value");
  EComponentError copy(error);
  EXPECT_EQ(copy.Message(), "thrown by value");
}

}  // namespace
