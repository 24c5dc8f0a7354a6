#pragma once
// The binding of the visual-style calls. On this platform the theme calls are part of our own window
// system layer (winapi/UxTheme.h), linked in rather than loaded, so the binding is always present; whether
// themes are drawn at all is the window system's switch (IsThemeActive), off unless configured. Callers
// use the calls of winapi/UxTheme.h directly; this unit adds the by-reference forms the suite calls and
// the font-keeping parent background.

#include "winapi/UxTheme.h"
#include "winapi/WinGdi.h"

// True: the theme calls are always bound.
bool ThemeLibraryLoaded();
// True: every system this runs on has the visual-style calls.
bool RunningOnXPOrNewer();

HRESULT DrawThemeBackgroundRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Rect);
HRESULT DrawThemeBackgroundClipped(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Rect,
                                   const RECT& ClipRect);
HRESULT GetThemeContentRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Bounds, RECT& Content);
HRESULT GetThemePartSizeSimple(HTHEME Theme, HDC DC, int PartId, int StateId, THEMESIZE Size, SIZE& Result);
// The parent's background behind Wnd; the font selected into DC before the call is selected again after it,
// since the parent's painting may leave its own font there.
HRESULT DrawThemeParentBackground(HWND Wnd, HDC DC, const RECT& Rect);
