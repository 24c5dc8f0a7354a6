#include "ui/base/detail/dxOffice11Images.h"

#include <cstring>
#include <iterator>
#include <strings.h>

namespace cx_detail {
namespace {

// '.' background (pixel 0, 0 of the submenu picture), '#' black, '1'..'5' greys from light to dark,
// 'B' the expand button border.
uint32_t PixelOf(char c) {
  switch (c) {
    case '.': return 0xFF00FF;
    case '#': return 0x000000;
    case '1': return 0xF7F7F7;
    case '2': return 0xDEDEDE;
    case '3': return 0xC0C0C0;
    case '4': return 0xA0A0A0;
    case '5': return 0x808080;
    case 'B': return 0x2E465F;
    default: return 0xFFFFFF;
  }
}

// A round button shaded from light (top) to dark (bottom) with a black double chevron pointing down.
const char* const kSubmenuExpand[] = {
    "...11111...",
    ".111111111.",
    ".11#111#11.",
    "2222#2#2222",
    "22222#22222",
    "333#333#333",
    "3333#3#3333",
    "44444#44444",
    ".444444444.",
    ".555555555.",
    "...55555...",
};

const char* const kExpandMinus[] = {
    "BBBBBBBBB",
    "B1111111B",
    "B1111111B",
    "B2222222B",
    "B2#####2B",
    "B3333333B",
    "B4444444B",
    "B4444444B",
    "BBBBBBBBB",
};

const char* const kExpandPlus[] = {
    "BBBBBBBBB",
    "B1111111B",
    "B111#111B",
    "B222#222B",
    "B2#####2B",
    "B333#333B",
    "B444#444B",
    "B4444444B",
    "BBBBBBBBB",
};

struct Picture {
  const char* name;
  const char* const* rows;
  int height;
};

const Picture kPictures[] = {
    {"DXSUBMENUEXPAND", kSubmenuExpand, static_cast<int>(std::size(kSubmenuExpand))},
    {"DXEXPANDBUTTON_MINUS", kExpandMinus, static_cast<int>(std::size(kExpandMinus))},
    {"DXEXPANDBUTTON_PLUS", kExpandPlus, static_cast<int>(std::size(kExpandPlus))},
};

}  // namespace

bool LoadOffice11Image(TBitmap* bitmap, const char* name) {
  for (const Picture& p : kPictures) {
    if (strcasecmp(p.name, name) != 0) continue;
    const int width = static_cast<int>(std::strlen(p.rows[0]));
    bitmap->SetSize(width, p.height);
    for (int y = 0; y < p.height; ++y) {
      uint32_t* row = bitmap->ScanLine(y);
      for (int x = 0; x < width; ++x) row[x] = PixelOf(p.rows[y][x]);
    }
    return true;
  }
  return false;
}

}  // namespace cx_detail
