#pragma once
// What the window manager needs from whatever shows its windows (memory in tests, an X server in the
// program). Time comes from the runtime's clock (rtl/Clock.h): GetTickCount and the timers read it, and
// a manual clock never makes the queue sleep. Nothing above winapi uses this header.

#include <cstdint>

#include "winapi/Windows.h"

namespace winapi {

class Backend {
public:
  virtual ~Backend() = default;
  // Turns native events into input (through the functions of winapi/detail/Input.h); called whenever a
  // thread looks at its queue.
  virtual void ProcessEvents() {}
  // Blocks the GUI thread up to `timeoutMs` (INFINITE: no limit) until Wake is called or a native event
  // arrives.
  virtual void WaitEvents(DWORD timeoutMs) = 0;
  // Called from any thread after a message was posted, so that WaitEvents returns.
  virtual void Wake() = 0;
  // A top-level window appeared, moved, changed size, or was hidden or destroyed.
  virtual void TopLevelChanged(HWND hwnd) { (void)hwnd; }
  // Pixels of a top-level window changed inside `rect` (window coordinates).
  virtual void TopLevelPainted(HWND hwnd, const RECT& rect) {
    (void)hwnd;
    (void)rect;
  }
  virtual void CursorChanged(HCURSOR cursor) { (void)cursor; }
  virtual void Beep(UINT type) { (void)type; }
  // The clipboard's content changed (after CloseClipboard).
  virtual void ClipboardChanged() {}
};

// Installs the backend; the screen has the given size. The window manager does not own the backend.
void SetBackend(Backend* backend, int screenWidth, int screenHeight);
Backend* GetBackend();
// Installs (or removes) the runtime's main-loop services and main-thread wake-up on this window manager;
// each backend calls it as it starts and stops, on the GUI thread.
void InstallMainLoopServices(bool install);

}  // namespace winapi
