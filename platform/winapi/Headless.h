#pragma once
// The headless backend and its test driver: the screen is memory, input comes from the calls below, and
// time moves only when a test advances the clock. Every UI test runs on it.
//
// Init resets the whole window manager (windows, classes registered by the application, hooks, timers,
// queues, key state, colours, parameters, clipboard) so that each test starts from the same state.
// Input is queued like hardware input; RunUntilIdle (or the code's own message loop) delivers it.

#include <cstdint>
#include <functional>

#include "winapi/Windows.h"

namespace headless {

void Init(int width, int height);
void Shutdown();
// A new screen size, as a display change: windows stay and hear WM_DISPLAYCHANGE, then the work area change.
void ResizeScreen(int width, int height);

// The mouse, in screen coordinates; buttons are VK_LBUTTON, VK_RBUTTON or VK_MBUTTON.
void MouseMove(int x, int y);
void MouseDown(int button = VK_LBUTTON);
void MouseUp(int button = VK_LBUTTON);
void Click(int x, int y, int button = VK_LBUTTON);  // move, press, release
void Wheel(int delta, bool horizontal = false);

// Keys by virtual key; TypeText presses the keys (with Shift when needed) of the active layout for each
// character, and queues WM_CHAR for characters the layout does not have.
// Another application takes the activation: the active window is deactivated and every top-level window
// hears WM_ACTIVATEAPP(FALSE). Activating any window of ours brings the application back.
void SwitchToOtherApplication();

void KeyDown(int vk);
void KeyUp(int vk);
void KeyPress(int vk);
void TypeText(const char* utf8);

// Dispatches every message there is (translating keys) and returns when the queue is empty. A WM_QUIT met
// on the way is posted again for the program's own loop; the result says whether that happened.
bool RunUntilIdle();
// Moves the clock forward, stopping at every timer that falls due on the way so that periodic timers
// fire as often as the elapsed time says, in order.
void AdvanceClock(uint32_t ms);
uint64_t Now();

// Pixels as 0x00RRGGBB: of a window at client coordinates, or of the screen when hwnd is null.
uint32_t Pixel(HWND hwnd, int x, int y);
// A PNG of a window (its whole window rectangle) or, when hwnd is null, of the screen.
bool SavePng(HWND hwnd, const char* path);

int BeepCount();
HCURSOR CurrentCursor();

// ---- answering dialogs ------------------------------------------------------------------------------------
// A modal loop (a message box, a file dialog, any ShowModal) waits for input the test must give while the
// loop runs. WhenIdle queues steps for that: whenever the GUI thread would block waiting for a message, the
// next step runs instead (one step per wait, in queue order), and the loop then handles whatever input the
// step queued. A step usually finds the dialog and answers it with the helpers below, e.g.
//   headless::WhenIdle([] { headless::ClickButton(headless::ActiveWindow(), "OK"); });
//   int r = MessageBox(nullptr, "Text", "Caption", MB_OKCANCEL);
// Steps left over are dropped by Init. A wait with no step queued blocks as before (after 20 s it says so
// on stderr, naming the active window). A loop that never waits (an OnIdle handler that keeps asking for
// more idle time) never runs the steps. Steps are queued and run on the GUI thread only.
void WhenIdle(std::function<void()> step);
int PendingIdleSteps();
void ClearIdleSteps();

// The active top-level window (normally the dialog being answered), or the visible top-level window with
// the given caption.
HWND ActiveWindow();
HWND FindTopLevel(const char* caption);
// The first visible descendant of parent (depth first, in child order) whose class name and text match;
// a null className or text matches any. Text compares with '&' accelerator marks removed.
HWND FindChild(HWND parent, const char* className, const char* text);
// The first descendant with the given control ID.
HWND FindChildById(HWND parent, int id);

// Real input aimed at windows: clicks at client coordinates, at the window's centre, or on the visible
// descendant of a dialog whose text (without '&') is caption. The clicks are queued like any input.
void ClickAt(HWND hwnd, int x, int y, int button = VK_LBUTTON);
void DoubleClickAt(HWND hwnd, int x, int y);
void ClickWindow(HWND hwnd);
bool ClickButton(HWND dialog, const char* caption);
// Gives the edit the focus, selects its whole text and types text in its place.
void TypeInto(HWND edit, const char* utf8);
// Items of the built-in lists by their text: the item of a list box (scrolled into view first) or a
// visible item of a tree view is clicked or double-clicked; a drop-down list combo box gets the focus and
// the arrow keys that move its selection to the item. False when there is no such item.
bool ClickListBoxItem(HWND list, const char* text, bool doubleClick = false);
bool ClickTreeItem(HWND tree, const char* text, bool doubleClick = false);
bool SelectComboItem(HWND combo, const char* text);

}  // namespace headless
