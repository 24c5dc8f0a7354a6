#pragma once
// The X11 backend: every top-level window becomes an X window showing its pixel buffer, and X input becomes
// the same messages the headless driver posts. Only platform/winapi/x11 sees X types.
//
// Install it once on the GUI thread before the first window is created; the thread that installs it is
// the one that talks to the X server (other threads may post and wait; they never touch the connection).

namespace winapi {

// Connects to `display` (null: the DISPLAY variable) and makes it the backend; the screen takes the X
// screen's size. Buffers go out through shared memory when the server offers it, unless `sharedMemory` is
// false. False when the display cannot be opened or has a visual we cannot draw on.
bool InstallX11Backend(const char* display = nullptr, bool sharedMemory = true);
// Destroys the X windows, closes the connection and leaves no backend installed.
void UninstallX11Backend();
bool X11BackendInstalled();
// Whether buffers go to the screen through MIT shared memory (else through XPutImage).
bool X11BackendUsesShm();
// Puts every pending change on the screen and waits until the server has drawn it.
void FlushX11Backend();

}  // namespace winapi
