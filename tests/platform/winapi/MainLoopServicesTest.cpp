// The runtime's main-loop services as the window system provides them: timers fire when the loop dispatches
// them, a quit request ends the loop, and work handed to the main thread wakes it.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "winapi/Headless.h"  // before rtl/Threads.h, whose INFINITE macro would rewrite the window layer's
#include "winapi/Messages.h"
#include "rtl/MainLoop.h"
#include "rtl/Threads.h"

namespace {

class MainLoopServicesTest : public ::testing::Test {
protected:
  void SetUp() override { headless::Init(320, 240); }
  void TearDown() override { headless::Shutdown(); }
  void Elapse(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
};

TEST_F(MainLoopServicesTest, TimersFireInsideTheLoopUntilKilled) {
  std::string trace;
  const uintptr_t a = SetMainLoopTimer(100, [&] { trace += 'a'; });
  uintptr_t b = 0;
  b = SetMainLoopTimer(150, [&] {
    trace += 'b';
    KillMainLoopTimer(b);  // from its own callback
  });
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  headless::AdvanceClock(99);
  headless::RunUntilIdle();
  EXPECT_EQ(trace, "");  // nothing runs outside the loop's dispatch nor before it is due
  Elapse(301);
  EXPECT_EQ(trace, "abaaa");
  KillMainLoopTimer(a);
  Elapse(1000);
  EXPECT_EQ(trace, "abaaa");
}

TEST_F(MainLoopServicesTest, QuitReachesTheLoopAndShutdownRemovesTheServices) {
  PostMainLoopQuit(0);
  EXPECT_TRUE(headless::RunUntilIdle());  // the loop met the quit message
  MSG msg;
  while (PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  int fired = 0;
  const uintptr_t stale = SetMainLoopTimer(50, [&] { ++fired; });
  headless::Shutdown();
  EXPECT_EQ(SetMainLoopTimer(50, [&] { ++fired; }), 0u);  // no window system, no timers
  headless::Init(320, 240);
  const uintptr_t fresh = SetMainLoopTimer(50, [&] { ++fired; });
  KillMainLoopTimer(stale);  // an id from before the restart stops nothing now
  EXPECT_NE(fresh, stale);
  Elapse(50);
  EXPECT_EQ(fired, 1);
}

TEST_F(MainLoopServicesTest, WorkHandedToTheMainThreadWakesItsLoop) {
  bool ran = false;
  std::thread other([&] { TThread::Queue(nullptr, TThreadMethod([&] { ran = true; })); });
  other.join();
  MSG msg;
  EXPECT_TRUE(PeekMessage(&msg, nullptr, WM_NULL, WM_NULL, PM_REMOVE));  // the wake-up
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_TRUE(ran);
}

}  // namespace
