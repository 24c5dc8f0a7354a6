// The suite's fourteen cursors: our own 32 × 32 pictures, kept as text in the program and turned into
// cursor handles on first use. Each picture is a stack of layers (an arrow, a dragged box, a badge, the
// scroll circle and its arrow heads); in a layer "#" is black, "o" white, and "." or a short row leaves
// what lies beneath.

#include <cstring>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxControls.h"
#include "winapi/WinGdi.h"

namespace {

constexpr int kCursorSize = 32;

struct TcxCursorLayer {
  int Left, Top;
  const char* Rows[kCursorSize];
};

const TcxCursorLayer kArrow = {0, 0, {
    "#",
    "##",
    "#o#",
    "#oo#",
    "#ooo#",
    "#oooo#",
    "#ooooo#",
    "#oooooo#",
    "#ooooooo#",
    "#oooooooo#",
    "#ooooo#####",
    "#oo#oo#",
    "#o#.#oo#",
    "##..#oo#",
    "#....#oo#",
    "......#oo#",
    ".......##",
}};
const TcxCursorLayer kBox = {8, 18, {
    "#############",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#ooooooooooo#",
    "#############",
}};
const TcxCursorLayer kPlus = {20, 22, {
    "#########",
    "#ooooooo#",
    "#ooo#ooo#",
    "#ooo#ooo#",
    "#o#####o#",
    "#ooo#ooo#",
    "#ooo#ooo#",
    "#ooooooo#",
    "#########",
}};
const TcxCursorLayer kCross = {20, 22, {
    "#########",
    "#ooooooo#",
    "#o#ooo#o#",
    "#oo#o#oo#",
    "#ooo#ooo#",
    "#oo#o#oo#",
    "#o#ooo#o#",
    "#ooooooo#",
    "#########",
}};
const TcxCursorLayer kStack = {8, 16, {
    "....#############",
    "....#ooooooooooo#",
    "..#############o#",
    "..#ooooooooooo#o#",
    "#############o#o#",
    "#ooooooooooo#o#o#",
    "#ooooooooooo#o#o#",
    "#ooooooooooo#o#o#",
    "#ooooooooooo#o###",
    "#ooooooooooo#o#",
    "#ooooooooooo###",
    "#ooooooooooo#",
    "#############",
}};
const TcxCursorLayer kCircle = {2, 2, {
    ".............#",
    "........#####o#####",
    ".......##ooooooooo##",
    ".....##ooooooooooooo##",
    "....##ooooooooooooooo##",
    "...##ooooooooooooooooo##",
    "...#ooooooooooooooooooo#",
    "..#ooooooooooooooooooooo#",
    ".##ooooooooooooooooooooo##",
    ".#ooooooooooooooooooooooo#",
    ".#ooooooooooooooooooooooo#",
    ".#ooooooooooo#ooooooooooo#",
    ".#oooooooooo###oooooooooo#",
    "#oooooooooo#####oooooooooo#",
    ".#oooooooooo###oooooooooo#",
    ".#ooooooooooo#ooooooooooo#",
    ".#ooooooooooooooooooooooo#",
    ".#ooooooooooooooooooooooo#",
    ".##ooooooooooooooooooooo##",
    "..#ooooooooooooooooooooo#",
    "...#ooooooooooooooooooo#",
    "...##ooooooooooooooooo##",
    "....##ooooooooooooooo##",
    ".....##ooooooooooooo##",
    ".......##ooooooooo##",
    "........#####o#####",
    ".............#",
}};
const TcxCursorLayer kHeadUp = {10, 5, {
    ".....#",
    "....###",
    "...#####",
    "..#######",
    ".#########",
    "###########",
}};
const TcxCursorLayer kHeadDown = {10, 20, {
    "###########",
    ".#########",
    "..#######",
    "...#####",
    "....###",
    ".....#",
}};
const TcxCursorLayer kHeadLeft = {5, 10, {
    ".....#",
    "....##",
    "...###",
    "..####",
    ".#####",
    "######",
    ".#####",
    "..####",
    "...###",
    "....##",
    ".....#",
}};
const TcxCursorLayer kHeadRight = {20, 10, {
    "#",
    "##",
    "###",
    "####",
    "#####",
    "######",
    "#####",
    "####",
    "###",
    "##",
    "#",
}};
const TcxCursorLayer kNoDrop = {4, 4, {
    "...........#",
    ".......#########",
    ".....#############",
    "....###############",
    "...#################",
    "..#########o#########",
    "..######ooooooo######",
    ".########ooooooo######",
    ".#####o###ooooooo#####",
    ".#####oo###oooooo#####",
    ".#####ooo###ooooo#####",
    "#####ooooo###ooooo#####",
    ".#####ooooo###ooo#####",
    ".#####oooooo###oo#####",
    ".#####ooooooo###o#####",
    ".######ooooooo########",
    "..######ooooooo######",
    "..#########o#########",
    "...#################",
    "....###############",
    ".....#############",
    ".......#########",
    "...........#",
}};
const TcxCursorLayer kVertSize = {8, 3, {
    "......###",
    ".....#####",
    "....#######",
    "...#########",
    "..###########",
    ".#############",
    ".......#",
    ".......#",
    ".......#",
    ".......#",
    ".......#",
    "###############",
    "ooooooooooooooo",
    "###############",
    ".......#",
    ".......#",
    ".......#",
    ".......#",
    ".......#",
    ".#############",
    "..###########",
    "...#########",
    "....#######",
    ".....#####",
    "......###",
}};
const TcxCursorLayer kHorzSize = {3, 8, {
    "...........#o#",
    ".....#.....#o#.....#",
    "....##.....#o#.....##",
    "...###.....#o#.....###",
    "..####.....#o#.....####",
    ".#####.....#o#.....#####",
    "######.....#o#.....######",
    "############o############",
    "######.....#o#.....######",
    ".#####.....#o#.....#####",
    "..####.....#o#.....####",
    "...###.....#o#.....###",
    "....##.....#o#.....##",
    ".....#.....#o#.....#",
    "...........#o#",
}};

struct TcxCursorImage {
  TCursor Number;
  const char* ResourceName;
  int HotX, HotY;
  const TcxCursorLayer* Layers[5];  // bottom first
};

const TcxCursorImage CursorImages[cxCursorCount] = {
    {crcxDragCopy, "CX_DRAGCOPYCURSOR", 0, 0, {&kArrow, &kBox, &kPlus}},
    {crcxFullScroll, "CX_FULLSCROLLCURSOR", 15, 15, {&kCircle, &kHeadUp, &kHeadDown, &kHeadLeft, &kHeadRight}},
    {crcxHorScroll, "CX_HORSCROLLCURSOR", 15, 15, {&kCircle, &kHeadLeft, &kHeadRight}},
    {crcxVerScroll, "CX_VERSCROLLCURSOR", 15, 15, {&kCircle, &kHeadUp, &kHeadDown}},
    {crcxUpScroll, "CX_UPSCROLLCURSOR", 15, 15, {&kCircle, &kHeadUp}},
    {crcxRightScroll, "CX_RIGHTSCROLLCURSOR", 15, 15, {&kCircle, &kHeadRight}},
    {crcxDownScroll, "CX_DOWNSCROLLCURSOR", 15, 15, {&kCircle, &kHeadDown}},
    {crcxLeftScroll, "CX_LEFTSCROLLCURSOR", 15, 15, {&kCircle, &kHeadLeft}},
    {crcxRemove, "CX_REMOVECURSOR", 0, 0, {&kArrow, &kBox, &kCross}},
    {crcxVertSize, "CX_VERTSIZECURSOR", 15, 15, {&kVertSize}},
    {crcxHorzSize, "CX_HORZSIZECURSOR", 15, 15, {&kHorzSize}},
    {crcxMultiDrag, "CX_MULTIDRAGCURSOR", 0, 0, {&kArrow, &kStack}},
    {crcxNoDrop, "CX_NODROPCURSOR", 15, 15, {&kNoDrop}},
    {crcxDrag, "CX_DRAGCURSOR", 0, 0, {&kArrow, &kBox}},
};

const TcxCursorImage* FindImage(const char* AResourceName) {
  if (!AResourceName) return nullptr;
  for (const TcxCursorImage& image : CursorImages)
    if (SameText(image.ResourceName, AResourceName)) return &image;
  return nullptr;
}

HCURSOR MakeCursor(const TcxCursorImage& image) {
  char picture[kCursorSize][kCursorSize];
  std::memset(picture, '.', sizeof(picture));
  for (const TcxCursorLayer* layer : image.Layers) {
    if (!layer) break;
    for (int y = 0; layer->Top + y < kCursorSize && layer->Rows[y]; ++y)
      for (int x = 0; layer->Rows[y][x] && layer->Left + x < kCursorSize; ++x)
        if (layer->Rows[y][x] == '#' || layer->Rows[y][x] == 'o') picture[layer->Top + y][layer->Left + x] = layer->Rows[y][x];
  }
  const char* rows[kCursorSize];
  for (int y = 0; y < kCursorSize; ++y) rows[y] = picture[y];
  return MakecxCursorFromRows(rows, kCursorSize, POINT{image.HotX, image.HotY});
}

// One handle per cursor for the life of the program, as resources loaded at start-up are.
HCURSOR SharedCursors[cxCursorCount] = {};

}  // namespace

HCURSOR MakecxCursorFromRows(const char* const* ARows, int32_t ARowCount, POINT AHotSpot) {
  // The mask is white where the screen shows through; the colour bitmap carries black and white.
  uint32_t mask[kCursorSize * kCursorSize];
  uint32_t color[kCursorSize * kCursorSize];
  for (int y = 0; y < kCursorSize; ++y) {
    const char* row = y < ARowCount ? ARows[y] : "";
    const size_t length = row ? strnlen(row, kCursorSize) : 0;
    for (int x = 0; x < kCursorSize; ++x) {
      const char c = static_cast<size_t>(x) < length ? row[x] : '.';
      const size_t k = static_cast<size_t>(y) * kCursorSize + x;
      mask[k] = c == '#' || c == 'o' ? 0x000000 : 0xFFFFFF;
      color[k] = c == 'o' ? 0xFFFFFF : 0x000000;
    }
  }
  HBITMAP maskBitmap = CreateBitmap(kCursorSize, kCursorSize, 1, 32, mask);
  HBITMAP colorBitmap = CreateBitmap(kCursorSize, kCursorSize, 1, 32, color);
  ICONINFO info{FALSE, static_cast<DWORD>(AHotSpot.x), static_cast<DWORD>(AHotSpot.y), maskBitmap, colorBitmap};
  HCURSOR cursor = CreateIconIndirect(&info);
  DeleteObject(maskBitmap);
  DeleteObject(colorBitmap);
  return cursor;
}

const char* cxCursorResourceName(TCursor ACursor) {
  for (const TcxCursorImage& image : CursorImages)
    if (image.Number == ACursor) return image.ResourceName;
  return nullptr;
}

HCURSOR LoadcxCursor(const char* AResourceName) {
  const TcxCursorImage* image = FindImage(AResourceName);
  return image ? MakeCursor(*image) : nullptr;
}

void RegistercxCursors() {
  if (!Screen) return;
  for (int i = 0; i < cxCursorCount; ++i) {
    if (!SharedCursors[i]) SharedCursors[i] = MakeCursor(CursorImages[i]);
    Screen->SetCursors(CursorImages[i].Number, SharedCursors[i]);
  }
}
