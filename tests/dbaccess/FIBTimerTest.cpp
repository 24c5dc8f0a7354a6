#include <gtest/gtest.h>

#include "dbaccess/FIBTimer.h"
#include "rtl/MainLoop.h"

namespace {

class TTickCounter : public TObject {
  RTL_CLASS(TTickCounter, TObject)
public:
  int Ticks = 0;
  TObject* LastSender = nullptr;
  void OnTick(TObject* sender) {
    ++Ticks;
    LastSender = sender;
  }
};

class FIBTimerTest : public ::testing::Test {
protected:
  // Moves the test loop's clock and delivers what became due.
  void Elapse(uint32_t ms) { Loop.Advance(ms); }
  TManualMainLoop Loop;
};

}  // namespace

TEST_F(FIBTimerTest, FiresEveryIntervalWithItselfAsSender) {
  TTickCounter counter;
  auto* timer = New<TFIBTimer>(nullptr);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000u);
  timer->SetInterval(250);
  timer->SetOnTimer(TNotifyEvent(&counter, &TTickCounter::OnTick));
  Elapse(1000);
  EXPECT_EQ(counter.Ticks, 4);
  EXPECT_EQ(counter.LastSender, timer);
  timer->Free();
  Elapse(1000);
  EXPECT_EQ(counter.Ticks, 4);
}

TEST_F(FIBTimerTest, DisabledZeroIntervalOrNoHandlerNeverFires) {
  TTickCounter counter;
  auto* timer = New<TFIBTimer>(nullptr);
  timer->SetInterval(100);
  Elapse(500);  // no handler yet: no system timer at all
  timer->SetOnTimer(TNotifyEvent(&counter, &TTickCounter::OnTick));
  timer->SetEnabled(false);
  Elapse(500);
  EXPECT_EQ(counter.Ticks, 0);
  timer->SetEnabled(true);
  timer->SetInterval(0);
  Elapse(500);
  EXPECT_EQ(counter.Ticks, 0);
  timer->SetInterval(100);
  Elapse(300);
  EXPECT_EQ(counter.Ticks, 3);
  timer->Free();
}

TEST_F(FIBTimerTest, FreedTimerLeavesNoMainLoopTimerBehind) {
  TTickCounter counter;
  auto* timer = New<TFIBTimer>(nullptr);
  timer->SetOnTimer(TNotifyEvent(&counter, &TTickCounter::OnTick));
  timer->SetInterval(100);  // replaces the running timer rather than adding one
  EXPECT_EQ(Loop.TimerCount(), 1u);
  EXPECT_NE(timer->TimerId(), 0u);
  timer->Free();
  EXPECT_EQ(Loop.TimerCount(), 0u);
}

TEST(FIBTimerWithoutLoop, NeverFiresWhereNoLoopRunsAndRaisesWhereTheLoopRefuses) {
  TTickCounter counter;
  auto* timer = New<TFIBTimer>(nullptr);
  timer->SetInterval(100);
  timer->SetOnTimer(TNotifyEvent(&counter, &TTickCounter::OnTick));  // no loop installed: nothing to run on
  EXPECT_EQ(timer->TimerId(), 0u);
  const TMainLoopServices previous = MainLoopServices();
  SetMainLoopServices(TMainLoopServices{[](uint32_t, TMainLoopTimerProc) -> uintptr_t { return 0; },
                                        [](uintptr_t) {}, [](int32_t) {}});
  EXPECT_THROW(timer->SetInterval(200), EOutOfResources);
  SetMainLoopServices(previous);
  timer->Free();
  EXPECT_EQ(counter.Ticks, 0);
}
