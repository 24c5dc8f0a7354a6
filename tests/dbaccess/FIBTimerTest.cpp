#include <gtest/gtest.h>

#include "dbaccess/FIBTimer.h"
#include "winapi/Headless.h"

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
  void SetUp() override { headless::Init(640, 480); }
  void TearDown() override { headless::Shutdown(); }
  // Moves the test clock and delivers what became due.
  void Elapse(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
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
