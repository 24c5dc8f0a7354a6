// The indicator lamps, kept in the program as character art: a rounded lamp with a dark rim, a light
// upper edge and the lamp's colour; the corners take the bottom-left pixel's colour and are drawn
// transparent.

#include <cstring>
#include <iterator>

#include "ui/pagecontrol/dxStatusBar.h"

namespace {

const char* const kLamp[] = {
    ".ooooooooooooooo.",
    "ohhhhhhhhhhhhhhho",
    "ohcccccccccccccco",
    "occccccccccccccco",
    "occccccccccccccco",
    "occccccccccccccco",
    "odddddddddddddddo",
    ".ooooooooooooooo.",
};

struct LampColors {
  uint32_t face;
};
// In the order of the indicator types: grey (off), yellow, blue, green, red, teal, purple.
const LampColors kColors[] = {{0x9A9A9A}, {0xF0E000}, {0x1060E0}, {0x10B020}, {0xE02010}, {0x109090}, {0x9020A0}};

uint32_t Mix(uint32_t a, uint32_t b, int percentOfA) {
  uint32_t r = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    r |= static_cast<uint32_t>((ca * percentOfA + cb * (100 - percentOfA)) / 100) << shift;
  }
  return r;
}

}  // namespace

bool LoadStatusBarIndicatorBitmap(TBitmap* ABitmap, TdxStatusBarStateIndicatorType AType) {
  const auto index = static_cast<size_t>(AType);
  if (index >= std::size(kColors)) return false;
  const uint32_t face = kColors[index].face;
  const int width = 17, height = static_cast<int>(std::size(kLamp));
  ABitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    uint32_t* row = ABitmap->ScanLine(y);
    const char* art = kLamp[y];
    for (int x = 0; x < width; ++x) {
      switch (art[x]) {
        case '.': row[x] = 0xFF00FF; break;
        case 'o': row[x] = 0x404040; break;
        case 'h': row[x] = Mix(face, 0xFFFFFF, 45); break;
        case 'd': row[x] = Mix(face, 0x000000, 70); break;
        default: row[x] = face; break;
      }
    }
  }
  ABitmap->SetTransparent(true);
  return true;
}
