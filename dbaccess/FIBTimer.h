#pragma once
// TFIBTimer: a timer component with a message window of its own; connections and transactions run
// their idle timeouts on it. It lives on the thread that created it and fires through that thread's
// message loop.

#include "rtl/Components.h"
#include "rtl/Events.h"
#include "winapi/UtilWindow.h"

class TFIBTimer : public TComponent {
  RTL_CLASS(TFIBTimer, TComponent)
  RTL_PUBLISHED_DECL
public:
  explicit TFIBTimer(TComponent* AOwner);
  ~TFIBTimer() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(const TNotifyEvent& value);

  // The message window; exposed for tests and diagnostics.
  HWND WindowHandle() const { return FWindowHandle; }

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  void WndProc(TMessage& msg);

  bool FEnabled = true;
  uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  HWND FWindowHandle = nullptr;
};
