#pragma once
// The editors' own multi-line text layout and output, for where DrawText is not enough: the text is broken
// into rows (word wrap, character wrap, tabs, explicit line ends), the rows are placed in a rectangle
// (horizontal and vertical alignment, justification, vertical distribution), overflowing rows are clipped,
// the last row may end in "..." and a range of characters can be painted in selection colours.
//
// Texts are UTF-8. Every character count and position here (row lengths and offsets, the selection) is in
// code points; a row never splits a UTF-8 sequence. Measuring goes through the DC's selected font.

#include <cstdint>
#include <vector>

#include "forms/Graphics.h"
#include "rtl/Classes.h"

// ---- text-output flags ------------------------------------------------------------------------------------
// Bits 0-2: horizontal alignment.
constexpr uint32_t TOF_LEFT = 0;
constexpr uint32_t TOF_CENTER_HORZ = 1;
constexpr uint32_t TOF_RIGHT = 2;
constexpr uint32_t TOF_JUSTIFY = 3;     // rows stretched to the width, except a paragraph's last
constexpr uint32_t TOF_DISTRIBUTE = 4;  // every row stretched
constexpr uint32_t TOF_HORZ_MASK = 0x7;
// Bits 4-5: vertical alignment.
constexpr uint32_t TOF_TOP = 0;
constexpr uint32_t TOF_CENTER_VERT = 0x10;
constexpr uint32_t TOF_BOTTOM = 0x20;
constexpr uint32_t TOF_DISTRIBUTE_VERT = 0x30;
constexpr uint32_t TOF_VERT_MASK = 0x30;
constexpr uint32_t TOF_KEEP_LEFT = 0x40;  // a row never starts left of the rectangle
constexpr uint32_t TOF_KEEP_TOP = 0x80;   // the text never starts above the rectangle
constexpr uint32_t TOF_WORDBREAK = 0x100;
constexpr uint32_t TOF_SINGLELINE = 0x200;  // one row; line ends are ordinary characters
constexpr uint32_t TOF_EXPANDTABS = 0x400;
constexpr uint32_t TOF_END_ELLIPSIS = 0x800;
constexpr uint32_t TOF_EXTERNALLEADING = 0x2000;
constexpr uint32_t TOF_FULLROWS = 0x4000;  // only rows that fit completely count as visible
constexpr uint32_t TOF_NOCLIP = 0x8000;
constexpr uint32_t TOF_CHARBREAK = 0x20000;     // a word wider than the rectangle breaks between characters
constexpr uint32_t TOF_CALCRECT = 0x100000;     // measure only
constexpr uint32_t TOF_CALCROWCOUNT = 0x200000;  // answer the row count instead of the height

// What one layout needs to know of its flags and font.
struct TcxEditTextParams {
  int32_t FontHeight = 0;
  int32_t Leading = 0;  // the external leading with TOF_EXTERNALLEADING, else 0
  int32_t RowStep = 0;  // FontHeight + Leading
  int32_t EllipsisWidth = 0;  // extent of "..." with TOF_END_ELLIPSIS, else 0
  char32_t FontBreakChar = U' ';
  uint32_t HorzAlignment = TOF_LEFT;
  uint32_t VertAlignment = TOF_TOP;
  bool KeepLeft = false;
  bool KeepTop = false;
  bool WordBreak = false;
  bool SingleLine = false;
  bool ExpandTabs = false;
  bool EndEllipsis = false;
  bool ExternalLeading = false;
  bool FullRows = false;
  bool NoClip = false;
  bool CharBreak = false;
  bool CalcRect = false;
  bool CalcRowCount = false;
  int32_t WidestCharWidth = 0;
};

// One row of a layout. Start points into the text that was broken: the rows are only valid while that
// text lives unchanged.
struct TcxEditTextRow {
  const char* Start = nullptr;
  int32_t ByteLength = 0;  // UTF-8 bytes of the row
  int32_t Length = 0;      // code points of the row
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Breaks = 0;  // break characters in the row, for justification
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Offset = 0;  // code points of the text before the row
};
using TcxTextRows = std::vector<TcxEditTextRow>;

void GetEditTextParams(HDC ADC, uint32_t AFlags, TcxEditTextParams& AParams);
void GetEditTextParamsOnCanvas(TCanvas* ACanvas, uint32_t AFlags, TcxEditTextParams& AParams);

// Breaks AText into rows for ARect. True when all of the text went into rows; false when a positive
// AMaxLineCount stopped the breaking with text left over.
bool BreakEditTextRows(HDC ADC, const String& AText, const RECT& ARect, int32_t AMaxLineCount,
                       int32_t& ARowCount, TcxTextRows& ARows, const TcxEditTextParams& AParams);
bool BreakEditTextRowsOnCanvas(TCanvas* ACanvas, const String& AText, const RECT& ARect, int32_t AMaxLineCount,
                               int32_t& ARowCount, TcxTextRows& ARows, const TcxEditTextParams& AParams);
// Sets each row's Left and Top; answers the row count.
int32_t PlaceEditTextRows(HDC ADC, const RECT& ARect, const TcxEditTextParams& AParams, TcxTextRows& ARows,
                          int32_t ARowCount);
// The widest of the first ACount rows (ACount limited to the rows there are); 0 for none.
int32_t GetEditTextRowsMaxWidth(const TcxTextRows& ARows, int32_t ACount);
// Draws placed rows: justification, clipping, the ellipsis on the last row (always when AForceEllipsis)
// and the characters [ASelStart, ASelStart + ASelLength) again in the selection colours.
void DrawEditTextRows(HDC ADC, const RECT& ARect, const TcxEditTextParams& AParams, bool AForceEllipsis,
                      TColor ASelTextColor, TColor ASelBkColor, int32_t ASelLength, int32_t ASelStart,
                      int32_t ARowCount, TcxTextRows& ARows);

// The whole job: break, place and draw (or, with TOF_CALCRECT, measure: ARect then receives the text's
// rectangle). Answers the text's height, or the row count with TOF_CALCROWCOUNT or when the height is 0.
int32_t EditTextOut(HDC ADC, const String& AText, RECT& ARect, int32_t ARightIndent, int32_t ALeftIndent,
                    int32_t AMaxLineCount, TColor ASelTextColor, TColor ASelBkColor, int32_t ASelLength,
                    int32_t ASelStart, uint32_t AFlags);
int32_t EditTextOutOnCanvas(TCanvas* ACanvas, const String& AText, RECT& ARect, int32_t ARightIndent,
                            int32_t ALeftIndent, int32_t AMaxLineCount, TColor ASelTextColor, TColor ASelBkColor,
                            int32_t ASelLength, int32_t ASelStart, uint32_t AFlags);
int32_t EditTextOutOnCanvas(TCanvas* ACanvas, const String& AText, RECT& ARect, int32_t ARightIndent,
                            int32_t ALeftIndent, int32_t AMaxLineCount, uint32_t AFlags);

// Saves the DC's clip region (nullptr when it has none) and narrows the clipping to ARect; PopClipRgn puts
// the saved region back (none for nullptr) and frees it.
HRGN PushClipRect(HDC ADC, const RECT& ARect);
void PopClipRgn(HDC ADC, HRGN& ARegion);

// The extent of the first ALength bytes of AText; with AExpandTabs tabs are expanded (no tab stops).
void GetEditTextExtent(HDC ADC, const char* AText, int32_t ALength, SIZE& ASize, bool AExpandTabs);
