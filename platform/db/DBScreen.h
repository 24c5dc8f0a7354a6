#pragma once
// The screen cursor as database code sees it: datasets show a wait cursor while they talk to the server
// without knowing about windows. The program installs the hook at start-up, from the layer that owns the
// screen (for the component library's screen object: the hook reads and sets Screen's Cursor). With no
// hook installed there is no screen: the cursor reads crDefault and setting it does nothing.

#include <functional>

#include "rtl/UITypes.h"

struct TDBScreenCursorHook {
  std::function<TCursor()> GetCursor;
  std::function<void(TCursor)> SetCursor;
};

// Installs the hook; a value with empty members removes it. Main thread only, like the screen itself.
void SetDBScreenCursorHook(const TDBScreenCursorHook& hook);
TDBScreenCursorHook DBScreenCursorHook();

bool DBScreenAvailable();
TCursor DBScreenCursor();
void SetDBScreenCursor(TCursor cursor);
