// The current position text output shares with line drawing (SelectObject, GetCurrentObject and GetObject
// live with the drawing layer in GdiDC.cpp).

#include <cstring>

#include "winapi/detail/Font.h"

using namespace winapi::detail;

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
