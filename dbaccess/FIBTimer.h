#pragma once
// TFIBTimer: a timer component; connections and transactions run their idle timeouts on it. It runs on the
// runtime's main-loop timers: it lives on the thread that created it and fires through that thread's message
// loop. Where no loop offers timers (a program without a window system), it never fires.

#include <cstdint>

#include "rtl/Components.h"
#include "rtl/Events.h"

class TFIBTimer : public TComponent {
  RTL_CLASS(TFIBTimer, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBTimer(TComponent* AOwner);
  ~TFIBTimer() override;
  void BeforeDestruction() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(const TNotifyEvent& value);

  // The main-loop timer running now (0: none); exposed for tests and diagnostics.
  uintptr_t TimerId() const { return FTimerId; }

protected:
  virtual void Timer();

private:
  void UpdateTimer();

  bool FEnabled = true;
  uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  uintptr_t FTimerId = 0;
};
