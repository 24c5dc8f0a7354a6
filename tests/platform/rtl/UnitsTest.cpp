#include <gtest/gtest.h>

#include <string>

#include "rtl/ScopeExit.h"
#include "rtl/System.h"
#include "rtl/Units.h"

namespace {
std::string gUnitLog;
bool gUnitFailStart = false;

void LogStartA() { gUnitLog += "+A"; }
void LogFinishA() { gUnitLog += "-A"; }
void LogStartB() { gUnitLog += "+B"; }
void LogFinishB() { gUnitLog += "-B"; }
void LogStartC() {
  if (gUnitFailStart) throw Exception("C cannot start");
  gUnitLog += "+C";
}
void LogFinishC() { gUnitLog += "-C"; }
void ThrowingFinish() {
  gUnitLog += "-T";
  throw Exception("finish failed");
}

extern const TUnit UnitA, UnitB, UnitC, UnitD, UnitCycle1, UnitCycle2, UnitT;
constinit const TUnit UnitA{"A", {}, &LogStartA, &LogFinishA};
constinit const TUnit UnitB{"B", {&UnitA}, &LogStartB, &LogFinishB};
constinit const TUnit UnitC{"C", {&UnitB, &UnitA}, &LogStartC, &LogFinishC};
constinit const TUnit UnitD{"D", {&UnitC}, nullptr, nullptr};
constinit const TUnit UnitCycle1{"Cycle1", {&UnitCycle2}, &LogStartA, nullptr};
constinit const TUnit UnitCycle2{"Cycle2", {&UnitCycle1}, &LogStartB, nullptr};
constinit const TUnit UnitT{"T", {&UnitA}, nullptr, &ThrowingFinish};

class UnitsTest : public ::testing::Test {
protected:
  void SetUp() override {
    FinishUnits();
    gUnitLog.clear();
    gUnitFailStart = false;
  }
  void TearDown() override {
    gUnitFailStart = false;
    try {
      FinishUnits();
    } catch (...) {
    }
  }
};
}  // namespace

TEST_F(UnitsTest, NeedsStartFirstEachOnceAndFinishInReverse) {
  StartUnits({&UnitD, &UnitB});
  EXPECT_EQ(gUnitLog, "+A+B+C");
  EXPECT_TRUE(UnitStarted(UnitD));
  ASSERT_EQ(StartedUnits().size(), 4u);
  EXPECT_EQ(StartedUnits().back(), &UnitD);
  FinishUnits();
  EXPECT_EQ(gUnitLog, "+A+B+C-C-B-A");
  EXPECT_FALSE(UnitStarted(UnitA));
  // A finished set starts again from the beginning.
  StartUnits({&UnitB});
  EXPECT_EQ(gUnitLog, "+A+B+C-C-B-A+A+B");
}

TEST_F(UnitsTest, AFailingStartLeavesItsNeedsStartedAndItselfNot) {
  gUnitFailStart = true;
  EXPECT_THROW(StartUnits({&UnitD}), Exception);
  EXPECT_EQ(gUnitLog, "+A+B");
  EXPECT_FALSE(UnitStarted(UnitC));
  EXPECT_FALSE(UnitStarted(UnitD));
  gUnitFailStart = false;
  StartUnits({&UnitD});  // the retry starts only what is missing
  EXPECT_EQ(gUnitLog, "+A+B+C");
  FinishUnits();
  EXPECT_EQ(gUnitLog, "+A+B+C-C-B-A");
}

TEST_F(UnitsTest, ACircularNeedIsRefusedBeforeAnythingOfTheCycleStarts) {
  EXPECT_THROW(StartUnits({&UnitCycle1}), EInvalidOperation);
  EXPECT_EQ(gUnitLog, "");
  EXPECT_TRUE(StartedUnits().empty());
}

TEST_F(UnitsTest, AFailingFinishStillFinishesTheRestAndReportsTheFirstError) {
  StartUnits({&UnitT, &UnitB});
  EXPECT_THROW(FinishUnits(), Exception);
  EXPECT_EQ(gUnitLog, "+A+B-B-T-A");
  EXPECT_TRUE(StartedUnits().empty());
}

TEST(UnitStateTest, MadeAndFreedByItsOwner) {
  struct TCounter {
    int Value = 0;
  };
  static TUnitState<TCounter> state;
  EXPECT_FALSE(state.Exists());
  state.Create().Value = 3;
  EXPECT_EQ(state->Value, 3);
  state.Free();
  EXPECT_EQ(state.Get(), nullptr);
}

TEST(ScopeExitTest, RunsOnReturnAndOnExceptionUnlessDismissed) {
  int runs = 0;
  {
    ScopeExit guard([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  try {
    ScopeExit guard([&] { ++runs; });
    throw Exception("x");
  } catch (const Exception&) {
  }
  EXPECT_EQ(runs, 2);
  {
    ScopeExit guard([&] { ++runs; });
    guard.Dismiss();
  }
  EXPECT_EQ(runs, 2);
}
