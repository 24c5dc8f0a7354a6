#include <gtest/gtest.h>

#include "winapi/Headless.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"

TEST(Smoke, CreatesWindow) {
  headless::Init(640, 480);
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "Smoke";
  ASSERT_NE(RegisterClass(&wc), 0);
  HWND h = CreateWindowEx(0, "Smoke", "x", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(IsWindow(h));
  headless::RunUntilIdle();
  DestroyWindow(h);
}
