#pragma once
// Types the user interface shares with code beneath it: the screen cursor's identifiers and the text
// alignment. Database code names the cursor it wants shown without knowing about windows; the window system
// maps the identifiers to its cursors. Fields and controls both carry an alignment, and code that sees both
// (a data-aware grid) must find one type.

#include <cstdint>

#include "rtl/System.h"

using TCursor = int16_t;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
                  crHandPoint = -21, crSizeAll = -22;

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
RTL_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
