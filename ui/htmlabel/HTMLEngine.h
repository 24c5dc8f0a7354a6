#pragma once
// The HTML layout and drawing engine: lays out and draws a small HTML subset on a canvas inside a
// rectangle, line by line, and answers which link lies under a point. It keeps no state between runs:
// every paint, mouse move and hint request runs it over the whole text again.

#include <cstdint>

#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "ui/htmlabel/PictureContainer.h"

// What one run works on and how.
struct THTMLRenderInput {
  TCanvas* Canvas = nullptr;
  String HTML;
  RECT R{0, 0, 0, 0};
  TCustomImageList* Images = nullptr;     // for "IDX:" images
  TPictureContainer* Container = nullptr;  // for pictures named without ":"
  THTMLPictureCache* Cache = nullptr;      // for pictures given by an address with "://"
  int32_t XPos = -1, YPos = -1;            // the point to hit-test, client coordinates
  int32_t FocusLink = -1;                  // index of the focused link (1-based), -1 for none
  int32_t HoverLink = -1;                  // index of the hovered link (1-based), -1 for none
  int32_t ShadowOffset = 2;
  TColor ShadowColor = clGray;
  TColor URLColor = clBlue;
  TColor HoverColor = clNone;      // background of the hovered link
  TColor HoverFontColor = clNone;  // font colour of the hovered link
  bool CheckOnly = false;    // lay out and hit-test without drawing
  bool MeasureOnly = false;  // stop after the measuring pass of each line
  bool Selected = false;     // leave colours alone
  bool Blink = false;        // the blink phase: blinking text shows while on
  bool HoverStyle = false;   // links are styled only while hovered
  bool WordWrap = true;      // off: one line ending in an ellipsis
  double ResFactor = 1.0;    // scale of list images and shell icons when ScaleImages
  bool ScaleImages = false;
  int32_t LineSpacing = 0;   // extra pixels between lines
};

// What one run found.
struct THTMLRenderOutput {
  String AnchorVal;    // target of the link under the point
  String StripVal;     // the plain text: every word (hidden ones too) without tags, "\r" for each line break tag
  String FocusAnchor;  // target of the focused link
  int32_t XSize = 0;   // the widest line
  int32_t YSize = 0;   // the total height, at least one line of "gh"
  int32_t HyperLinks = 0;   // the number of links
  int32_t MouseLink = -1;   // index (1-based) of the link under the point, -1 for none
  RECT HoverRect{0, 0, 0, 0};  // that link's rectangle
};

// One run; true when a link lies under the point.
bool RenderHTML(const THTMLRenderInput& in, THTMLRenderOutput& out);

// Each line break tag ("<BR>", "<HR>", any case) becomes a line break, the text between "<Z>" and "</Z>"
// goes, then every remaining tag.
String HTMLToPlainText(const String& html);

// Fills rect with steps bands of colour from fromColor to toColor, left to right (horizontal) or top to
// bottom.
void FillGradientBands(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const RECT& rect,
                       int32_t steps);

// The character entities in one pass, as UTF-8: "&amp;" "&quot;" "&sect;" "&permil;" "&reg;" "&copy;"
// "&para;" "&trade;" "&euro;" "&nbsp;" (a blank) "&lt;" "&gt;" (names in any case). Text that an entity
// produces is never read as an entity again; an unknown entity stays as written.
String DecodeHTMLEntities(const String& text);

// The colour of an attribute value: "#RRGGBB" or a colour name ("clRed", "clBtnFace", ...); black for
// anything else.
TColor HTMLColor(const String& value);
