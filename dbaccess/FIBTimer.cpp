#include "dbaccess/FIBTimer.h"

#include "rtl/TypInfo.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TFIBTimer::TFIBTimer(TComponent* AOwner) : TComponent(AOwner) {}

TFIBTimer::~TFIBTimer() { DeallocateHWnd(FWindowHandle); }

void TFIBTimer::AfterConstruction() {
  inherited::AfterConstruction();
  FWindowHandle = AllocateHWnd(TWndMethod(this, &TFIBTimer::WndProc));
}

void TFIBTimer::BeforeDestruction() {
  FEnabled = false;
  UpdateTimer();
  inherited::BeforeDestruction();
}

void TFIBTimer::UpdateTimer() {
  if (!FWindowHandle) return;
  KillTimer(FWindowHandle, kTimerId);
  if (FInterval != 0 && FEnabled && FOnTimer.Assigned())
    if (SetTimer(FWindowHandle, kTimerId, FInterval, nullptr) == 0)
      throw EOutOfResources("Not enough timers available");
}

void TFIBTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateTimer();
}

void TFIBTimer::SetInterval(uint32_t value) {
  if (value == FInterval) return;
  FInterval = value;
  UpdateTimer();
}

void TFIBTimer::SetOnTimer(const TNotifyEvent& value) {
  FOnTimer = value;
  UpdateTimer();
}

void TFIBTimer::Timer() {
  if (FOnTimer.Assigned()) FOnTimer(this);
}

void TFIBTimer::WndProc(TMessage& msg) {
  if (msg.Msg == WM_TIMER) {
    Timer();
    msg.Result = 0;
  } else {
    msg.Result = DefWindowProc(FWindowHandle, msg.Msg, msg.WParam, msg.LParam);
  }
}

RTL_PUBLISHED(TFIBTimer) {
  using T = TFIBTimer;
  prop("Enabled", &T::Enabled, &T::SetEnabled).Default(true);
  prop("Interval", &T::Interval, &T::SetInterval).Default(1000);
  event("OnTimer", &T::OnTimer, &T::SetOnTimer);
}
