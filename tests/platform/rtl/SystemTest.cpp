#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/System.h"

namespace {

std::vector<std::string> gLog;

class TBase : public TObject {
  RTL_CLASS(TBase, TObject)
public:
  TBase() { gLog.push_back("ctor"); }
  ~TBase() override { gLog.push_back("dtor"); }
  void AfterConstruction() override {
    inherited::AfterConstruction();
    gLog.push_back("after:" + Kind());
  }
  void BeforeDestruction() override {
    gLog.push_back("before:" + Kind());
    inherited::BeforeDestruction();
  }
  virtual std::string Kind() const { return "base"; }
};

class TDerived : public TBase {
  RTL_CLASS(TDerived, TBase)
public:
  std::string Kind() const override { return "derived"; }
};

}  // namespace

TEST(TObjectTest, VirtualCallsReachTheFinalClassInBothPhases) {
  gLog.clear();
  TObject* obj = New<TDerived>();
  FreeAndNil(obj);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gLog, (std::vector<std::string>{"ctor", "after:derived", "before:derived", "dtor"}));
}

TEST(TObjectTest, MetaclassKnowsNameParentAndCreatesInstances) {
  TClass cls = TDerived::StaticClass();
  EXPECT_EQ(cls->ClassName(), "TDerived");
  EXPECT_EQ(cls->ClassParent(), TBase::StaticClass());
  EXPECT_TRUE(cls->InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(TBase::StaticClass()->InheritsFrom(cls));
  gLog.clear();
  TObject* obj = cls->Create();
  EXPECT_EQ(obj->ClassType(), cls);
  EXPECT_EQ(gLog.back(), "after:derived");
  obj->Free();
}

TEST(ExceptionTest, AbortThrowsTheSilentException) {
  try {
    Abort();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EAbort");
    EXPECT_TRUE(e.InheritsFrom(Exception::StaticClass()));
  }
}

#include "rtl/Events.h"
#include "rtl/Persistent.h"

namespace {
class TListener : public TObject {
  RTL_CLASS(TListener, TObject)
public:
  int Calls = 0;
  void Changed(TObject*) { ++Calls; }
  void Other(TObject*) {}
};
}  // namespace

TEST(EventTest, EqualByObjectAndMethodAndCallsTheMethod) {
  TListener a, b;
  TNotifyEvent e1(&a, &TListener::Changed), e2(&a, &TListener::Changed);
  EXPECT_EQ(e1, e2);
  EXPECT_NE(e1, TNotifyEvent(&b, &TListener::Changed));
  EXPECT_NE(e1, TNotifyEvent(&a, &TListener::Other));
  EXPECT_FALSE(TNotifyEvent().Assigned());
  e1(nullptr);
  EXPECT_EQ(a.Calls, 1);
}

TEST(EventTest, FunctionEventsReturnTheHandlersResultOrADefault) {
  struct TCalc : TObject {
    int Twice(int v) { return 2 * v; }
  } calc;
  FuncEvent<int, int> e(&calc, &TCalc::Twice);
  EXPECT_EQ(e(21), 42);
  EXPECT_EQ((FuncEvent<int, int>()(5)), 0);
  FuncEvent<String, int> text([](int v) { return std::to_string(v); });
  EXPECT_EQ(text(7), "7");
}

TEST(TPersistentTest, AssignWithoutSupportNamesBothClasses) {
  TPersistent a, b;
  try {
    a.Assign(&b);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TPersistent");
  }
}
