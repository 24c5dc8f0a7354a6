#include "ui/base/dxUxTheme.h"

#include "winapi/WinText.h"

bool ThemeLibraryLoaded() { return true; }

bool RunningOnXPOrNewer() { return true; }

HRESULT DrawThemeBackgroundRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Rect) {
  return DrawThemeBackground(Theme, DC, PartId, StateId, &Rect, nullptr);
}

HRESULT DrawThemeBackgroundClipped(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Rect,
                                   const RECT& ClipRect) {
  return DrawThemeBackground(Theme, DC, PartId, StateId, &Rect, &ClipRect);
}

HRESULT GetThemeContentRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT& Bounds, RECT& Content) {
  return GetThemeBackgroundContentRect(Theme, DC, PartId, StateId, &Bounds, &Content);
}

HRESULT GetThemePartSizeSimple(HTHEME Theme, HDC DC, int PartId, int StateId, THEMESIZE Size, SIZE& Result) {
  return GetThemePartSize(Theme, DC, PartId, StateId, nullptr, Size, &Result);
}

HRESULT DrawThemeParentBackground(HWND Wnd, HDC DC, const RECT& Rect) {
  HGDIOBJ font = GetCurrentObject(DC, OBJ_FONT);
  HRESULT result = DrawThemeParentBackground(Wnd, DC, &Rect);
  if (font) SelectObject(DC, font);
  return result;
}
