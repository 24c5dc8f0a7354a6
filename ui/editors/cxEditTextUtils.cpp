#include "ui/editors/cxEditTextUtils.h"

#include <algorithm>

#include "rtl/Utf8.h"
#include "winapi/WinGdi.h"
#include "winapi/WinText.h"

namespace {

// The platform canvas keeps RequiredState to itself; the layout selects the canvas's font before it
// measures on the bare device context, as the canvas's own text calls do.
struct TCanvasAccess : TCanvas {
  static constexpr auto Required = &TCanvasAccess::RequiredState;
};

HDC CanvasDC(TCanvas* ACanvas) {
  (ACanvas->*TCanvasAccess::Required)(TCanvasState{csHandleValid, csFontValid});
  return ACanvas->Handle();
}

constexpr char kEllipsis[] = "...";
constexpr int32_t kRowsGrowStep = 4;

int32_t RectWidth(const RECT& R) { return R.right - R.left; }
int32_t RectHeight(const RECT& R) { return R.bottom - R.top; }
bool RectEmpty(const RECT& R) { return R.right <= R.left || R.bottom <= R.top; }

bool IsJustified(const TcxEditTextParams& P) {
  return P.HorzAlignment == TOF_JUSTIFY || P.HorzAlignment == TOF_DISTRIBUTE;
}

// One code point of [s, end) at s; an invalid or truncated sequence counts as one byte.
char32_t CharAt(const char* s, const char* end, int32_t& len) {
  const auto c = static_cast<unsigned char>(*s);
  int32_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  if (n > end - s) n = 1;
  for (int32_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) n = 1;
  len = n;
  if (n == 1) return c;
  char32_t cp = c & (0x7F >> n);
  for (int32_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}

int32_t CodePointCount(const char* s, int32_t bytes) {
  int32_t n = 0;
  for (const char *p = s, *end = s + bytes; p < end; ++n) {
    int32_t len = 1;
    CharAt(p, end, len);
    p += len;
  }
  return n;
}

// The bytes taken by the first ACount code points of [s, s + bytes).
int32_t BytesOfCodePoints(const char* s, int32_t bytes, int32_t ACount) {
  const char *p = s, *end = s + bytes;
  for (int32_t i = 0; i < ACount && p < end; ++i) {
    int32_t len = 1;
    CharAt(p, end, len);
    p += len;
  }
  return static_cast<int32_t>(p - s);
}

// Whether the last row is cut for an ending "..." rather than broken as the others.
bool EllipsisCutApplies(const TcxEditTextParams& P) {
  return P.EndEllipsis && !(P.FullRows || P.NoClip || IsJustified(P)) && !P.SingleLine;
}

bool IsBreakChar(char32_t c, const TcxEditTextParams& P) { return c == P.FontBreakChar || c == U'\t'; }
bool IsLineEnd(char32_t c) { return c == U'\r' || c == U'\n'; }

int32_t ExtentWidth(HDC ADC, const char* s, int32_t bytes, bool AExpandTabs) {
  SIZE sz{0, 0};
  GetEditTextExtent(ADC, s, bytes, sz, AExpandTabs);
  return sz.cx;
}

void AppendRow(TcxTextRows& ARows, int32_t ACount) {
  if (static_cast<int32_t>(ARows.size()) < ACount) {
    size_t size = ARows.size();
    while (static_cast<int32_t>(size) < ACount) size += kRowsGrowStep;
    ARows.resize(size);
  }
}

// Cuts one row from APos (a byte index into AText) for the width AWidth; APos moves past the row and the
// line end or blanks that follow it.
void CutRow(HDC ADC, const String& AText, int32_t& APos, int32_t AWidth, bool AIsLast, const TcxEditTextParams& P,
            TcxEditTextRow& ARow) {
  const char* text = AText.data();
  const char* end = text + AText.size();
  const bool justified = IsJustified(P);
  const bool wrap = !P.SingleLine && (P.WordBreak || justified);
  const bool charWrap = wrap && P.CharBreak;
  const bool ellipsisCut = AIsLast && P.EndEllipsis && !(P.FullRows || P.NoClip || justified);
  const bool measure = wrap || ellipsisCut || P.SingleLine;

  const char* start = text + APos;
  const char* p = start;
  int32_t breaks = 0;
  int32_t width = 0;
  const char* lastBreakEnd = nullptr;  // just after the last break character of the row
  int32_t breaksAtLastBreak = 0;
  bool endedByLineEnd = false;
  while (p < end) {
    int32_t len = 1;
    const char32_t c = CharAt(p, end, len);
    // A line end ends even the last row: taken as a character there, it would join two lines into one row
    // (line ends have no width) and the "..." would be missing whenever they fit. The row gets the
    // ellipsis instead, since text follows (see EditTextOut).
    if (IsLineEnd(c) && !P.SingleLine) {
      endedByLineEnd = true;
      break;
    }
    const bool isBreak = IsBreakChar(c, P);
    if (!measure) {
      if (isBreak) ++breaks;
      p += len;
      continue;
    }
    if (P.ExpandTabs)
      width = ExtentWidth(ADC, start, static_cast<int32_t>(p + len - start), true);
    else
      width += ExtentWidth(ADC, p, len, false);
    if (width <= AWidth) {
      if (isBreak) {
        ++breaks;
        lastBreakEnd = p + len;
        breaksAtLastBreak = breaks;
      }
      p += len;
      continue;
    }
    // The row is full at this character.
    if (ellipsisCut || P.SingleLine) {
      if (isBreak) ++breaks;
      p += len;
      break;
    }
    if (isBreak) {
      // A blank that overflows still belongs to the row it ends.
      ++breaks;
      p += len;
      break;
    }
    if (lastBreakEnd) {
      p = lastBreakEnd;
      breaks = breaksAtLastBreak;
      break;
    }
    if (charWrap) {
      if (p == start) p += len;  // a row keeps at least one character
      break;
    }
    p += len;  // a word wider than the row overflows it
  }
  if (endedByLineEnd && P.HorzAlignment == TOF_JUSTIFY) breaks = 0;

  const char* rowEnd = p;
  if (justified) {
    // Blanks that end a stretched row would only push its last word off the right edge.
    while (rowEnd > start) {
      const char* q = rowEnd - 1;
      const auto c = static_cast<unsigned char>(*q);
      if (c >= 0x80 || !IsBreakChar(c, P)) break;
      rowEnd = q;
      if (breaks > 0) --breaks;
    }
  }

  ARow.Start = start;
  ARow.ByteLength = static_cast<int32_t>(rowEnd - start);
  ARow.Length = CodePointCount(start, ARow.ByteLength);
  ARow.Breaks = breaks;
  SIZE sz{0, 0};
  GetEditTextExtent(ADC, start, ARow.ByteLength, sz, P.ExpandTabs);
  ARow.Width = sz.cx;
  ARow.Height = sz.cy;

  // Past the row: the blanks of the break, one tab, one carriage return, one line feed.
  while (p < end && P.FontBreakChar < 0x80 && static_cast<unsigned char>(*p) == P.FontBreakChar) ++p;
  if (p < end && *p == '\t') ++p;
  bool skippedCR = false;
  if (p < end && *p == '\r') {
    ++p;
    skippedCR = true;
  }
  if (p < end && *p == '\n') ++p;
  if ((skippedCR || p >= end) && P.HorzAlignment == TOF_JUSTIFY) ARow.Breaks = 0;
  APos = static_cast<int32_t>(p - text);
}

}  // namespace

void GetEditTextExtent(HDC ADC, const char* AText, int32_t ALength, SIZE& ASize, bool AExpandTabs) {
  ASize = SIZE{0, 0};
  if (AExpandTabs) {
    const DWORD r = GetTabbedTextExtent(ADC, AText, ALength, 0, nullptr);
    ASize.cx = LOWORD(r);
    ASize.cy = HIWORD(r);
  } else {
    GetTextExtentPoint32(ADC, AText, ALength, &ASize);
  }
}

void GetEditTextParams(HDC ADC, uint32_t AFlags, TcxEditTextParams& AParams) {
  TEXTMETRIC tm{};
  GetTextMetrics(ADC, &tm);
  TcxEditTextParams& P = AParams;
  P = TcxEditTextParams{};
  P.HorzAlignment = AFlags & TOF_HORZ_MASK;
  P.VertAlignment = AFlags & TOF_VERT_MASK;
  P.KeepLeft = (AFlags & TOF_KEEP_LEFT) != 0;
  P.KeepTop = (AFlags & TOF_KEEP_TOP) != 0;
  P.WordBreak = (AFlags & TOF_WORDBREAK) != 0;
  P.SingleLine = (AFlags & TOF_SINGLELINE) != 0;
  P.ExpandTabs = (AFlags & TOF_EXPANDTABS) != 0;
  P.EndEllipsis = (AFlags & TOF_END_ELLIPSIS) != 0;
  P.ExternalLeading = (AFlags & TOF_EXTERNALLEADING) != 0;
  P.FullRows = (AFlags & TOF_FULLROWS) != 0;
  P.NoClip = (AFlags & TOF_NOCLIP) != 0;
  P.CharBreak = (AFlags & TOF_CHARBREAK) != 0;
  P.CalcRect = (AFlags & TOF_CALCRECT) != 0;
  P.CalcRowCount = (AFlags & TOF_CALCROWCOUNT) != 0;
  P.FontHeight = tm.tmHeight;
  P.Leading = P.ExternalLeading ? tm.tmExternalLeading : 0;
  P.RowStep = P.FontHeight + P.Leading;
  if (P.EndEllipsis) P.EllipsisWidth = ExtentWidth(ADC, kEllipsis, 3, false);
  P.FontBreakChar = static_cast<unsigned char>(tm.tmBreakChar);
  P.WidestCharWidth = tm.tmMaxCharWidth;
}

void GetEditTextParamsOnCanvas(TCanvas* ACanvas, uint32_t AFlags, TcxEditTextParams& AParams) {
  GetEditTextParams(CanvasDC(ACanvas), AFlags, AParams);
}

namespace {

// BreakEditTextRows, also telling whether text was left after the last row.
bool BreakRows(HDC ADC, const String& AText, const RECT& ARect, int32_t AMaxLineCount, int32_t& ARowCount,
               TcxTextRows& ARows, const TcxEditTextParams& AParams, bool& ATextLeft) {
  const TcxEditTextParams& P = AParams;
  ARows.clear();
  ARowCount = 0;
  ATextLeft = false;
  if (AText.empty()) return true;
  if (P.CalcRect && P.SingleLine) {
    AppendRow(ARows, 1);
    TcxEditTextRow& row = ARows[0];
    row.Start = AText.data();
    row.ByteLength = static_cast<int32_t>(AText.size());
    row.Length = Utf8Length(AText);
    for (char32_t c : Utf8ToCodePoints(AText))
      if (IsBreakChar(c, P)) ++row.Breaks;
    SIZE sz{0, 0};
    GetEditTextExtent(ADC, row.Start, row.ByteLength, sz, P.ExpandTabs);
    row.Width = sz.cx;
    row.Height = sz.cy;
    ARowCount = 1;
    return true;
  }
  const int32_t textBytes = static_cast<int32_t>(AText.size());
  const int32_t rectHeight = RectHeight(ARect);
  int32_t pos = 0;
  int32_t height = 0;
  int32_t offset = 0;
  bool last = false;
  while (pos < textBytes && !last) {
    ++ARowCount;
    height += P.RowStep;
    if (P.SingleLine)
      last = true;
    else if (P.VertAlignment != TOF_TOP || P.CalcRect)
      last = AMaxLineCount > 0 && ARowCount == AMaxLineCount;
    else if (!P.FullRows || P.NoClip)
      // A row that reaches the bottom is the last one. Waiting for a row that goes past it would, in a
      // rectangle an exact number of rows high, give the ellipsis to a row wholly below the rectangle.
      last = height >= rectHeight;
    else
      last = height + P.RowStep > rectHeight;
    AppendRow(ARows, ARowCount);
    TcxEditTextRow& row = ARows[ARowCount - 1];
    const int32_t rowPos = pos;
    CutRow(ADC, AText, pos, RectWidth(ARect), last, P, row);
    row.Offset = offset;
    offset += CodePointCount(AText.data() + rowPos, pos - rowPos);
    if (pos >= textBytes) last = true;
  }
  ATextLeft = pos < textBytes;
  return !(!P.SingleLine && !P.CalcRect && AMaxLineCount > 0 && ARowCount >= AMaxLineCount && pos < textBytes);
}

}  // namespace

bool BreakEditTextRows(HDC ADC, const String& AText, const RECT& ARect, int32_t AMaxLineCount,
                       int32_t& ARowCount, TcxTextRows& ARows, const TcxEditTextParams& AParams) {
  bool textLeft = false;
  return BreakRows(ADC, AText, ARect, AMaxLineCount, ARowCount, ARows, AParams, textLeft);
}

bool BreakEditTextRowsOnCanvas(TCanvas* ACanvas, const String& AText, const RECT& ARect, int32_t AMaxLineCount,
                               int32_t& ARowCount, TcxTextRows& ARows, const TcxEditTextParams& AParams) {
  return BreakEditTextRows(CanvasDC(ACanvas), AText, ARect, AMaxLineCount, ARowCount, ARows, AParams);
}

int32_t PlaceEditTextRows(HDC, const RECT& ARect, const TcxEditTextParams& AParams, TcxTextRows& ARows,
                          int32_t ARowCount) {
  const TcxEditTextParams& P = AParams;
  ARowCount = std::min(ARowCount, static_cast<int32_t>(ARows.size()));
  if (ARowCount <= 0) return 0;
  int32_t step = P.RowStep;
  int32_t extra = 0;  // pixels handed out one to each of the first rows
  if (ARowCount > 1 && P.VertAlignment == TOF_DISTRIBUTE_VERT) {
    const int32_t spare = RectHeight(ARect) - P.FontHeight;
    if (spare / (ARowCount - 1) > P.FontHeight) {
      step = spare / (ARowCount - 1);
      extra = spare % (ARowCount - 1);
    }
  }
  int32_t top;
  if (P.VertAlignment == TOF_CENTER_VERT)
    top = ARect.top + (RectHeight(ARect) - ARowCount * step) / 2;
  else if (P.VertAlignment == TOF_BOTTOM)
    top = ARect.bottom - ARowCount * step + P.Leading;
  else
    top = ARect.top;
  if (P.KeepTop) top = std::max(top, ARect.top);
  for (int32_t i = 0; i < ARowCount; ++i) {
    TcxEditTextRow& row = ARows[i];
    int32_t left;
    if (P.HorzAlignment == TOF_CENTER_HORZ)
      left = ARect.left + (RectWidth(ARect) - row.Width) / 2;
    else if (P.HorzAlignment == TOF_RIGHT)
      left = ARect.right - row.Width;
    else
      left = ARect.left;
    if (P.KeepLeft) left = std::max(left, ARect.left);
    row.Left = left;
    row.Top = top;
    top += step;
    if (extra > 0) {
      ++top;
      --extra;
    }
  }
  return ARowCount;
}

int32_t GetEditTextRowsMaxWidth(const TcxTextRows& ARows, int32_t ACount) {
  ACount = std::min(ACount, static_cast<int32_t>(ARows.size()));
  int32_t result = 0;
  for (int32_t i = 0; i < ACount; ++i) result = std::max(result, ARows[i].Width);
  return result;
}

HRGN PushClipRect(HDC ADC, const RECT& ARect) {
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(ADC, saved) != 1) {
    DeleteObject(saved);
    saved = nullptr;
  }
  IntersectClipRect(ADC, ARect.left, ARect.top, ARect.right, ARect.bottom);
  return saved;
}

void PopClipRgn(HDC ADC, HRGN& ARegion) {
  SelectClipRgn(ADC, ARegion);
  if (ARegion) DeleteObject(ARegion);
  ARegion = nullptr;
}

namespace {

void OutputRow(HDC ADC, const TcxEditTextParams& P, const TcxEditTextRow& ARow, int32_t AByteLength) {
  if (P.ExpandTabs)
    TabbedTextOut(ADC, ARow.Left, ARow.Top, ARow.Start, AByteLength, 0, nullptr, ARow.Left);
  else
    ExtTextOut(ADC, ARow.Left, ARow.Top, ETO_CLIPPED, nullptr, ARow.Start, static_cast<UINT>(AByteLength), nullptr);
}

void OutputEllipsis(HDC ADC, const RECT& ARect, const TcxEditTextParams& P, int32_t X, int32_t Y) {
  if (X < ARect.left || X >= ARect.right) return;
  const bool clip = !P.NoClip && X + P.EllipsisWidth > ARect.right;
  ExtTextOut(ADC, X, Y, clip ? ETO_CLIPPED : 0, clip ? &ARect : nullptr, kEllipsis, 3, nullptr);
}

}  // namespace

void DrawEditTextRows(HDC ADC, const RECT& ARect, const TcxEditTextParams& AParams, bool AForceEllipsis,
                      TColor ASelTextColor, TColor ASelBkColor, int32_t ASelLength, int32_t ASelStart,
                      int32_t ARowCount, TcxTextRows& ARows) {
  const TcxEditTextParams& P = AParams;
  ARowCount = std::min(ARowCount, static_cast<int32_t>(ARows.size()));
  const int oldBkMode = SetBkMode(ADC, TRANSPARENT);
  HBRUSH selBrush = ASelLength > 0 ? CreateSolidBrush(ColorToRGB(ASelBkColor)) : nullptr;
  const bool justified = IsJustified(P);
  for (int32_t i = 0; i < ARowCount; ++i) {
    TcxEditTextRow& row = ARows[i];
    const bool isLast = i == ARowCount - 1;
    if (row.Length == 0) {
      if (AForceEllipsis && P.EndEllipsis && isLast) OutputEllipsis(ADC, ARect, P, row.Left, row.Top);
      continue;
    }
    const bool ellipsis = P.EndEllipsis && isLast && (AForceEllipsis || row.Width > RectWidth(ARect));
    bool justifying = false;
    if (justified && !ellipsis) {
      const int32_t spare = RectWidth(ARect) - row.Width;
      if (spare > 0 && row.Breaks > 0) {
        SetTextJustification(ADC, spare, row.Breaks);
        justifying = true;
      }
    }
    HRGN savedClip = nullptr;
    bool clipped = false;
    if (!P.NoClip &&
        (row.Width > RectWidth(ARect) || row.Top < ARect.top || row.Top + row.Height > ARect.bottom)) {
      RECT clip{ARect.left, std::max(ARect.top, row.Top), ARect.right, std::min(ARect.bottom, row.Top + row.Height)};
      savedClip = PushClipRect(ADC, clip);
      clipped = true;
    }
    int32_t bytes = row.ByteLength;
    int32_t chars = row.Length;
    if (ellipsis) {
      int32_t fit = 0;
      SIZE sz{0, 0};
      GetTextExtentExPoint(ADC, row.Start, row.ByteLength, std::max(0, RectWidth(ARect) - P.EllipsisWidth), &fit,
                           nullptr, &sz);
      bytes = std::max(fit, BytesOfCodePoints(row.Start, row.ByteLength, 1));
      chars = CodePointCount(row.Start, bytes);
    }
    OutputRow(ADC, P, row, bytes);

    const int32_t selStart = std::max(ASelStart, row.Offset);
    const int32_t selEnd = std::min(ASelStart + ASelLength, row.Offset + chars);
    if (selBrush && selStart < selEnd) {
      const int32_t before = BytesOfCodePoints(row.Start, bytes, selStart - row.Offset);
      const int32_t through = BytesOfCodePoints(row.Start, bytes, selEnd - row.Offset);
      // Measured through the selection's end, so that expanded tabs and justification inside the row
      // give the same positions as the row's output.
      const int32_t x1 = row.Left + ExtentWidth(ADC, row.Start, before, P.ExpandTabs);
      const int32_t x2 = row.Left + ExtentWidth(ADC, row.Start, through, P.ExpandTabs);
      RECT sel{x1, row.Top, x2, row.Top + row.Height};
      if (!RectEmpty(sel)) {
        HRGN selClip = PushClipRect(ADC, sel);
        FillRect(ADC, &sel, selBrush);
        const COLORREF oldColor = SetTextColor(ADC, ColorToRGB(ASelTextColor));
        OutputRow(ADC, P, row, bytes);
        SetTextColor(ADC, oldColor);
        PopClipRgn(ADC, selClip);
      }
    }
    if (ellipsis) OutputEllipsis(ADC, ARect, P, row.Left + ExtentWidth(ADC, row.Start, bytes, P.ExpandTabs), row.Top);
    if (clipped) PopClipRgn(ADC, savedClip);
    if (justifying) SetTextJustification(ADC, 0, 0);
  }
  if (selBrush) DeleteObject(selBrush);
  SetBkMode(ADC, oldBkMode);
}

int32_t EditTextOut(HDC ADC, const String& AText, RECT& ARect, int32_t ARightIndent, int32_t ALeftIndent,
                    int32_t AMaxLineCount, TColor ASelTextColor, TColor ASelBkColor, int32_t ASelLength,
                    int32_t ASelStart, uint32_t AFlags) {
  if (AText.empty()) return 0;
  TcxEditTextParams P;
  GetEditTextParams(ADC, AFlags, P);
  RECT R = ARect;
  R.left += ALeftIndent;
  R.right -= ARightIndent;
  const bool room = P.CalcRect ? RectWidth(R) > 0 : !RectEmpty(R);
  if (!room) return 0;
  TcxTextRows rows;
  int32_t rowCount = 0;
  bool textLeft = false;
  const bool fitted = BreakRows(ADC, AText, R, AMaxLineCount, rowCount, rows, P, textLeft);
  if (P.CalcRect) {
    if (AMaxLineCount > 0) rowCount = std::min(rowCount, AMaxLineCount);
    R.right = R.left + GetEditTextRowsMaxWidth(rows, rowCount);
    if (!P.SingleLine) {
      BreakEditTextRows(ADC, AText, R, AMaxLineCount, rowCount, rows, P);
      if (AMaxLineCount > 0) rowCount = std::min(rowCount, AMaxLineCount);
    }
    PlaceEditTextRows(ADC, R, P, rows, rowCount);
    if (rowCount > 0) R.bottom = rows[rowCount - 1].Top + P.FontHeight;
    ARect = R;
    ARect.left -= ALeftIndent;
    ARect.right += ARightIndent;
  } else {
    bool forceEllipsis = false;
    if (AMaxLineCount > 0 && rowCount >= AMaxLineCount) {
      forceEllipsis = !fitted && P.EndEllipsis && P.FullRows && !P.SingleLine;
      // A last row that a line end cut short says that more follows, as a row cut at the width does.
      if (rowCount == AMaxLineCount && textLeft && EllipsisCutApplies(P)) forceEllipsis = true;
      rowCount = AMaxLineCount;
    } else if (textLeft && EllipsisCutApplies(P)) {
      forceEllipsis = true;
    }
    const int32_t textLength = Utf8Length(AText);
    if (ASelStart < 0 || ASelStart > textLength) ASelLength = 0;
    if (ASelLength > 0 && ASelStart + ASelLength > textLength) ASelLength = textLength - ASelStart;
    PlaceEditTextRows(ADC, R, P, rows, rowCount);
    DrawEditTextRows(ADC, R, P, forceEllipsis, ASelTextColor, ASelBkColor, ASelLength, ASelStart, rowCount, rows);
  }
  int32_t result = rowCount > 0 ? rows[rowCount - 1].Top + P.FontHeight - R.top : 0;
  if (P.CalcRowCount || result == 0) result = rowCount;
  return result;
}

int32_t EditTextOutOnCanvas(TCanvas* ACanvas, const String& AText, RECT& ARect, int32_t ARightIndent,
                            int32_t ALeftIndent, int32_t AMaxLineCount, TColor ASelTextColor, TColor ASelBkColor,
                            int32_t ASelLength, int32_t ASelStart, uint32_t AFlags) {
  return EditTextOut(CanvasDC(ACanvas), AText, ARect, ARightIndent, ALeftIndent, AMaxLineCount, ASelTextColor,
                     ASelBkColor, ASelLength, ASelStart, AFlags);
}

int32_t EditTextOutOnCanvas(TCanvas* ACanvas, const String& AText, RECT& ARect, int32_t ARightIndent,
                            int32_t ALeftIndent, int32_t AMaxLineCount, uint32_t AFlags) {
  return EditTextOutOnCanvas(ACanvas, AText, ARect, ARightIndent, ALeftIndent, AMaxLineCount, clNone, clNone, 0, 0,
                             AFlags);
}
