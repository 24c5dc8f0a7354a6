#pragma once
// The suite's own pictures for the Office11 look, kept in the program as character art.

#include "forms/Graphics.h"

namespace cx_detail {
// Fills bitmap with the named picture ("DXSUBMENUEXPAND", "DXEXPANDBUTTON_MINUS", "DXEXPANDBUTTON_PLUS",
// compared without regard to case); false, leaving it as it was, for any other name.
bool LoadOffice11Image(TBitmap* bitmap, const char* name);
}  // namespace cx_detail
