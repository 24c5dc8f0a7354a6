// The DC's text colour, background colour and mode and its current position, which line drawing and
// colour conversion share with text output. The text layer defines the same calls: when it is merged,
// its definitions replace this file.

#include "winapi/Windows.h"
#include "winapi/detail/Gdi.h"

using namespace winapi::detail;

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DC* dc = AsDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return old;
}
COLORREF GetTextColor(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DC* dc = AsDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  return old;
}
COLORREF GetBkColor(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->bkColor : CLR_INVALID;
}
int SetBkMode(HDC hdc, int mode) {
  DC* dc = AsDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}
int GetBkMode(HDC hdc) {
  DC* dc = AsDC(hdc);
  return dc ? dc->bkMode : 0;
}
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  DC* dc = AsDC(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->curPos;
  dc->curPos = POINT{x, y};
  return TRUE;
}
BOOL GetCurrentPositionEx(HDC hdc, POINT* pos) {
  DC* dc = AsDC(hdc);
  if (!dc || !pos) return FALSE;
  *pos = dc->curPos;
  return TRUE;
}
