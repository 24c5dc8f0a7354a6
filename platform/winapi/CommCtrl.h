#pragma once
// Image lists: equally sized images with optional masks or alpha, drawn normal, transparent, blended for
// selection and focus, as masks, saturated (disabled) or faded, with overlays. Included by winapi/WinGdi.h.

#include "winapi/Windows.h"

struct IMAGELIST__;
using HIMAGELIST = IMAGELIST__*;

constexpr UINT ILC_MASK = 0x00000001;
constexpr UINT ILC_COLOR = 0x00000000;
constexpr UINT ILC_COLORDDB = 0x000000FE;
constexpr UINT ILC_COLOR4 = 0x00000004;
constexpr UINT ILC_COLOR8 = 0x00000008;
constexpr UINT ILC_COLOR16 = 0x00000010;
constexpr UINT ILC_COLOR24 = 0x00000018;
constexpr UINT ILC_COLOR32 = 0x00000020;

constexpr UINT ILD_NORMAL = 0x00000000;
constexpr UINT ILD_TRANSPARENT = 0x00000001;
constexpr UINT ILD_BLEND25 = 0x00000002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x00000004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x00000010;
constexpr UINT ILD_IMAGE = 0x00000020;
constexpr UINT ILD_ROP = 0x00000040;
constexpr UINT ILD_OVERLAYMASK = 0x00000F00;
constexpr UINT ILD_PRESERVEALPHA = 0x00001000;
constexpr UINT ILD_SCALE = 0x00002000;
constexpr UINT ILD_DPISCALE = 0x00004000;
constexpr UINT INDEXTOOVERLAYMASK(UINT i) { return i << 8; }

constexpr DWORD ILS_NORMAL = 0x00000000;
constexpr DWORD ILS_GLOW = 0x00000001;
constexpr DWORD ILS_SHADOW = 0x00000002;
constexpr DWORD ILS_SATURATE = 0x00000004;
constexpr DWORD ILS_ALPHA = 0x00000008;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

struct IMAGELISTDRAWPARAMS {
  DWORD cbSize;
  HIMAGELIST himl;
  int i;
  HDC hdcDst;
  int x;
  int y;
  int cx;  // 0: the image width
  int cy;
  int xBitmap;  // offset inside the image
  int yBitmap;
  COLORREF rgbBk;  // CLR_DEFAULT: the list's background colour; CLR_NONE: transparent
  COLORREF rgbFg;  // blend colour; CLR_DEFAULT: the highlight colour
  UINT fStyle;
  DWORD dwRop;
  DWORD fState;  // ILS_SATURATE (disabled look), ILS_ALPHA (Frame is the opacity)
  DWORD Frame;
  COLORREF crEffect;
};

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST himl);
// Adds the images of a strip (its width / cx images); returns the index of the first or -1.
int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask);
// Pixels of `maskColor` become transparent (and black in the stored image of a masked list).
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF maskColor);
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON icon);  // i = -1 appends
int ImageList_AddIcon(HIMAGELIST himl, HICON icon);
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP image, HBITMAP mask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);  // i = -1 removes all
BOOL ImageList_RemoveAll(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy);  // removes every image
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int image, int overlay);  // overlay 1..15
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdc, int x, int y, UINT style);
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style);
BOOL ImageList_DrawIndirect(IMAGELISTDRAWPARAMS* params);
HICON ImageList_GetIcon(HIMAGELIST himl, int i, UINT flags);
HIMAGELIST ImageList_Duplicate(HIMAGELIST himl);
BOOL ImageList_Copy(HIMAGELIST dst, int iDst, HIMAGELIST src, int iSrc, UINT flags);
constexpr UINT ILCF_MOVE = 0;
constexpr UINT ILCF_SWAP = 1;
