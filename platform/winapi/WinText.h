#pragma once
// Fonts and text: logical fonts, text metrics and extents, text output and DrawText.
// Texts are UTF-8. Character counts and positions (the `count` arguments, `lpDx` entries, the fit of
// GetTextExtentExPoint) are in bytes; a code point's advance is the sum of its bytes' `lpDx` entries and the
// partial extents of its bytes are all the extent up to the end of that code point. A count of -1 means
// "up to the terminating NUL" where the platform allows it (DrawText, DrawTextEx).

#include "winapi/Windows.h"

// ---- logical fonts ---------------------------------------------------------------------------------------
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_EXTRALIGHT = 200;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_REGULAR = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_EXTRABOLD = 800;
constexpr LONG FW_HEAVY = 900;

constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE OEM_CHARSET = 255;

constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

// Stock fonts for GetStockObject.
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// tmPitchAndFamily bits (TMPF_FIXED_PITCH is set for variable-pitch fonts, as documented).
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  char tmFirstChar;
  char tmLastChar;
  char tmDefaultChar;
  char tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR faceName);
// SelectObject, GetCurrentObject and GetObject (a LOGFONT) take fonts too (declared in WinGdi.h).
int GetTextFace(HDC hdc, int size, LPSTR name);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm);

// ---- text state of a DC ------------------------------------------------------------------------------------
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetTextCharacterExtra(HDC hdc, int extra);
int GetTextCharacterExtra(HDC hdc);
// Spreads `extra` pixels over the next `breakCount` break characters (spaces) of each later output.
BOOL SetTextJustification(HDC hdc, int extra, int breakCount);
// The current position TA_UPDATECP uses and moves (the one lines draw from).
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC hdc, POINT* pos);

// ---- measuring ---------------------------------------------------------------------------------------------
BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPoint(HDC hdc, LPCSTR text, int count, SIZE* size);
// fit (optional) receives the bytes of the longest prefix no wider than maxExtent (with fit requested);
// dx (optional, `count` entries) receives the partial extents.
BOOL GetTextExtentExPoint(HDC hdc, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
// Advances of the code points first..last.
BOOL GetCharWidth32(HDC hdc, UINT first, UINT last, int* widths);
BOOL GetCharWidth(HDC hdc, UINT first, UINT last, int* widths);
// Width in the low word and height in the high word; no tab stops: every 8 average characters.
DWORD GetTabbedTextExtent(HDC hdc, LPCSTR text, int count, int tabCount, const int* tabStops);

// ---- output ------------------------------------------------------------------------------------------------
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_GLYPH_INDEX = 0x0010;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;

BOOL TextOut(HDC hdc, int x, int y, LPCSTR text, int count);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const int* dx);
LONG TabbedTextOut(HDC hdc, int x, int y, LPCSTR text, int count, int tabCount, const int* tabStops, int tabOrigin);

// ---- DrawText ----------------------------------------------------------------------------------------------
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

struct DRAWTEXTPARAMS {
  UINT cbSize;
  int iTabLength;    // in average character widths
  int iLeftMargin;   // pixels
  int iRightMargin;  // pixels
  UINT uiLengthDrawn;
};

// With DT_MODIFYSTRING and an ellipsis, `text` must be writable and have room for count + 4 bytes; it
// receives the shortened text, NUL-terminated.
int DrawText(HDC hdc, LPCSTR text, int count, RECT* rect, UINT format);
int DrawTextEx(HDC hdc, LPSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
