#pragma once
// Message windows for components that are not controls: a hidden window whose messages go to a method
// of an object (timers, notifications posted from worker threads).

#include "rtl/Events.h"
#include "winapi/Messages.h"
#include "winapi/Windows.h"

using TWndMethod = Event<TMessage&>;

// Creates a message-only window whose messages all go to method; the method decides what to pass on to
// DefWindowProc. Windows live on the thread that creates them.
HWND AllocateHWnd(TWndMethod method);
// Destroys a window made by AllocateHWnd; nothing reaches the method afterwards. A null handle is ignored.
void DeallocateHWnd(HWND wnd);
