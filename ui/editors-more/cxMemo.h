#pragma once
// The multi-line text editor: a text editor whose inner control is a native multi-line EDIT window.

#include "rtl/System.h"

// Cuts the text before its first line break (CR or LF) found within its first AMaxLength characters (within
// the whole text when AMaxLength is 0 or less or not below the text's length); with a positive AMaxLength a
// text still longer than that is cut to AMaxLength characters. Characters are code points.
void CutToFirstLine(String& AText, int32_t AMaxLength);

// Rewrites every reversed line break (LF followed by CR) of a text the memo's line list inserts as CR LF
// followed by a further CR LF; CR LF pairs are kept as they are.
String cxMemoNormalizeLineBreaks(const String& AText);
