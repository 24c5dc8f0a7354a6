// The editor framework's start-up: the mouse-wheel cursor, the global editor style controller, the list of
// live properties objects and the translation of the filter's display words. The program calls
// cxEditInitialize once at its start (a static initializer in a static library may be dropped by the
// linker); cxEditFinalize undoes it.

#include <cstdint>

#include "forms/Forms.h"
#include "ui/base/cxClasses.h"
#include "ui/data/cxFilter.h"
#include "ui/editors/cxEdit.h"
#include "winapi/WinGdi.h"

namespace {

bool gEditInitialized = false;
HCURSOR gEditMouseWheelCursor = nullptr;

constexpr int kEditWheelCursorSize = 32;
constexpr POINT kEditWheelCursorHotSpot{15, 15};
// The wheel-scrolling origin: a ring with a dot, and arrows up and down. '#' black, 'o' white, '.' the
// screen showing through.
const char* const kEditWheelCursorRows[kEditWheelCursorSize] = {
    "................................",
    "................................",
    "..............ooo...............",
    ".............oo#oo..............",
    "............oo###oo.............",
    "...........oo#####oo............",
    "..........oo#######oo...........",
    "..........o#########o...........",
    "..........ooooooooooo...........",
    ".............ooooo..............",
    "...........ooo###ooo............",
    "..........oo#######oo...........",
    "..........o###ooo###o...........",
    ".........oo##ooooo##oo..........",
    ".........o##oo###oo##o..........",
    ".........o##oo###oo##o..........",
    ".........o##oo###oo##o..........",
    ".........oo##ooooo##oo..........",
    "..........o###ooo###o...........",
    "..........oo#######oo...........",
    "...........ooo###ooo............",
    ".............ooooo..............",
    "..........ooooooooooo...........",
    "..........o#########o...........",
    "..........oo#######oo...........",
    "...........oo#####oo............",
    "............oo###oo.............",
    ".............oo#oo..............",
    "..............ooo...............",
    "................................",
    "................................",
    "................................",
};

HCURSOR MakeEditWheelCursor() {
  return MakecxCursorFromRows(kEditWheelCursorRows, kEditWheelCursorSize, kEditWheelCursorHotSpot);
}

}  // namespace

void cxEditInitialize() {
  if (gEditInitialized) return;
  gEditInitialized = true;
  if (Screen) {
    if (!gEditMouseWheelCursor) gEditMouseWheelCursor = MakeEditWheelCursor();
    Screen->SetCursors(crcxEditMouseWheel, gEditMouseWheelCursor);
  }
  GetEditStyleController();
  EditPropertiesInstances();
  // Without the hook the filter's operator captions and words are used as they stand.
  FilterTextHook = static_cast<void (*)(const String&, String&)>(&TranslateString);
}

void cx_edit_detail::FinalizeEditInit() {
  if (FilterTextHook == static_cast<void (*)(const String&, String&)>(&TranslateString)) FilterTextHook = nullptr;
  if (gEditMouseWheelCursor) {
    // The screen falls back to the arrow for the number rather than keep a handle that is about to go.
    if (Screen && Screen->Cursors(crcxEditMouseWheel) == gEditMouseWheelCursor)
      Screen->SetCursors(crcxEditMouseWheel, nullptr);
    // Made by CreateIconIndirect: the platform frees such a picture through DestroyIcon.
    DestroyIcon(gEditMouseWheelCursor);
    gEditMouseWheelCursor = nullptr;
  }
  gEditInitialized = false;
}
