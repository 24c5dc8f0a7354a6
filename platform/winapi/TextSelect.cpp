// The font cases of SelectObject, GetCurrentObject and GetObject.

#include <algorithm>
#include <cstring>

#include "winapi/detail/Font.h"

namespace winapi::detail {

HGDIOBJ SelectFont(DC* dc, HFONT font) {
  HFONT old = dc->font ? dc->font : StockFont(SYSTEM_FONT);
  dc->font = font;
  return old;
}

HGDIOBJ CurrentFont(DC* dc) { return dc->font ? dc->font : StockFont(SYSTEM_FONT); }

int DescribeFont(GdiObject* font, int size, void* out) {
  if (!out) return static_cast<int>(sizeof(LOGFONT));
  int n = std::min(size, static_cast<int>(sizeof(LOGFONT)));
  if (n <= 0) return 0;
  std::memcpy(out, &static_cast<Font*>(font)->lf, static_cast<size_t>(n));
  return n;
}

}  // namespace winapi::detail
