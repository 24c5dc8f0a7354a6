#include "dbaccess/FIBTimer.h"

#include "rtl/MainLoop.h"
#include "rtl/TypInfo.h"

TFIBTimer::TFIBTimer(TComponent* AOwner) : TComponent(AOwner) {}

TFIBTimer::~TFIBTimer() { KillMainLoopTimer(FTimerId); }

void TFIBTimer::BeforeDestruction() {
  FEnabled = false;
  UpdateTimer();
  inherited::BeforeDestruction();
}

void TFIBTimer::UpdateTimer() {
  KillMainLoopTimer(FTimerId);
  FTimerId = 0;
  if (FInterval == 0 || !FEnabled || !FOnTimer.Assigned()) return;
  // The timer is killed before this component goes, so the callback never outlives it.
  FTimerId = SetMainLoopTimer(FInterval, [this] { Timer(); });
  // No loop at all means no timers to run; a loop that refuses one is out of them.
  if (FTimerId == 0 && MainLoopServices().SetTimer) throw EOutOfResources("Not enough timers available");
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

RTL_PUBLISHED(TFIBTimer) {
  using T = TFIBTimer;
  prop("Enabled", &T::Enabled, &T::SetEnabled).Default(true);
  prop("Interval", &T::Interval, &T::SetInterval).Default(1000);
  event("OnTimer", &T::OnTimer, &T::SetOnTimer);
}
