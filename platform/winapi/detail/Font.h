#pragma once
// Fonts as the text layer shares them: a logical font object (the LOGFONT it was made from) and the
// realised face that measures and draws it. One face per distinct realisation, cached for the process.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "winapi/WinText.h"
#include "winapi/detail/Gdi.h"

namespace winapi::detail {

struct Face;

struct Font : GdiObject {
  Font() : GdiObject(OBJ_FONT) {}
  LOGFONT lf{};
  Face* face = nullptr;  // owned by the face cache
};

// One glyph as drawn: 8-bit coverage with its offset from the pen position (top-left, device axes).
struct Glyph {
  int advance = 0;  // unrotated advance in pixels
  int left = 0;
  int top = 0;  // from the pen position down to the bitmap's first row (negative above the baseline)
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

struct FaceMetrics {
  int ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0;
  int aveCharWidth = 0, maxCharWidth = 0, overhang = 0;
  int underlinePos = 1;  // below the baseline
  int underlineThickness = 1;
  int strikeOutPos = 0;  // above the baseline
  bool fixedPitch = false;
};

// Realised face: measuring and drawing go through the same object.
struct Face {
  Face() = default;
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;
  ~Face();
  std::string family;  // the installed family that stands in for the requested face
  FaceMetrics m;
  LOGFONT lf{};
  double angle = 0;  // escapement in radians, counter-clockwise
  int Advance(uint32_t cp);
  const Glyph& Horizontal(uint32_t cp);
  const Glyph& Rotated(uint32_t cp);  // for escapement != 0
  struct Impl;
  Impl* impl = nullptr;
};

// The cached face realising a logical font.
Face* RealiseFace(const LOGFONT& lf);
Font* AsFont(HFONT h);
// The DC's font (its selected one, else the system font) and its realised face.
Font* DCFont(DC* dc);
Face* DCFace(DC* dc);
HFONT StockFont(int index);  // nullptr for indexes that are not stock fonts
// The font cases of SelectObject, GetCurrentObject and GetObject.
HGDIOBJ SelectFont(DC* dc, HFONT font);
HGDIOBJ CurrentFont(DC* dc);
int DescribeFont(GdiObject* font, int size, void* out);

// A text as output sees it: its code points and each one's advance in pixels.
struct Run {
  std::vector<uint32_t> cps;
  std::vector<int> adv;
  std::vector<int> bytes;  // the UTF-8 length of each code point in the source text
  int Width() const;
};

// Decodes UTF-8 `text` into a run with the face's advances, the DC's character extra and justification.
void MakeRun(DC* dc, Face* face, const std::string& text, Run& run);
// Replaces the run's advances by per-byte `dx` entries (a code point's advance is the sum over its bytes).
void ApplyDx(Run& run, const int* dx);

// Draws a run at the reference point with the DC's colours, alignment, font and clip (ExtTextOut's core).
void OutputRun(DC* dc, int x, int y, UINT options, const RECT* rect, const Run& run);
// Draws a horizontal stroke in the text colour, clipped by the DC and by `clip` when given.
void TextStroke(DC* dc, int x1, int x2, int y, int thickness, const RECT* clip);

}  // namespace winapi::detail
