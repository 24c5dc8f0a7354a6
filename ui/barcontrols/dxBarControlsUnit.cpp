// The bar controls unit: at start-up it installs the tool bar window, the item controls of the item
// classes and the flat painter into the bar unit and puts the bar cursors into the screen's cursor table;
// at shut-down it takes them out again in the reverse order.
//
// Of the operating-system probes the bar unit of the original platform made, none has a meaning here: the
// window system is the same on every system the program runs on. Mouse-leave tracking is the window
// system's own (the bar unit keeps its polling fallback for tests); layered windows and window animation
// do not exist, so floating bars are opaque and menus open without a fade.

#include <cstring>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "ui/barcontrols/detail/dxBarControlsState.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItemControls.h"
#include "ui/barcontrols/dxBarItems.h"
#include "ui/barcontrols/dxBarPainters.h"
#include "ui/bars/dxBarCommon.h"
#include "winapi/WinGdi.h"

namespace {

constinit TUnitState<dxbarcontrols_detail::TBarControlsState> gControlsState;

// ---- the bar cursors: our own 32 x 32 pictures ("#" black, "o" white, anything else transparent) ----------------

constexpr int kBarCursorSize = 32;

struct TBarCursorLayer {
  int Left, Top;
  const char* Rows[16];
};

const TBarCursorLayer kBarArrow = {0, 0, {
    "#", "##", "#o#", "#oo#", "#ooo#", "#oooo#", "#ooooo#", "#oooooo#", "#ooooooo#", "#oooooooo#", "#ooooo#####",
    "#oo#oo#", "#o#.#oo#", "##..#oo#", "#....#oo#", ".....##"}};
const TBarCursorLayer kBarButton = {9, 18, {
    "###########", "#ooooooooo#", "#ooooooooo#", "#ooooooooo#", "#ooooooooo#", "#ooooooooo#", "###########"}};
const TBarCursorLayer kBarPlus = {21, 21, {
    "#######", "#oo#oo#", "#oo#oo#", "#######", "#oo#oo#", "#oo#oo#", "#######"}};
const TBarCursorLayer kBarNoDrop = {20, 20, {
    "..#####..", ".#ooooo#.", "#oo###oo#", "#o#o##oo#", "#o#o#o#o#", "#oo##o#o#", "#oo###oo#", ".#ooooo#.",
    "..#####.."}};
const TBarCursorLayer kBarEditSizing = {4, 12, {
    "....#..........#....", "...##..........##...", "..#o#..........#o#..", ".#oo############oo#.",
    "#oooooooooooooooooo#", ".#oo############oo#.", "..#o#..........#o#..", "...##..........##...",
    "....#..........#...."}};

struct TBarCursorImage {
  TCursor Number;
  int HotX, HotY;
  const TBarCursorLayer* Layers[3];
};

const TBarCursorImage kBarCursors[4] = {
    {crdxBarDrag, 0, 0, {&kBarArrow, &kBarButton}},
    {crdxBarDragCopy, 0, 0, {&kBarArrow, &kBarButton, &kBarPlus}},
    {crdxBarDragNoDrop, 0, 0, {&kBarArrow, &kBarNoDrop}},
    {crdxBarEditSizing, 13, 16, {&kBarEditSizing}},
};

HCURSOR MakeBarCursor(const TBarCursorImage& AImage) {
  char picture[kBarCursorSize][kBarCursorSize];
  std::memset(picture, '.', sizeof(picture));
  for (const TBarCursorLayer* layer : AImage.Layers) {
    if (!layer) break;
    for (int y = 0; y < 16 && layer->Rows[y] && layer->Top + y < kBarCursorSize; ++y)
      for (int x = 0; layer->Rows[y][x] && layer->Left + x < kBarCursorSize; ++x)
        if (layer->Rows[y][x] == '#' || layer->Rows[y][x] == 'o') picture[layer->Top + y][layer->Left + x] = layer->Rows[y][x];
  }
  static uint32_t mask[kBarCursorSize * kBarCursorSize], color[kBarCursorSize * kBarCursorSize];
  for (int y = 0; y < kBarCursorSize; ++y)
    for (int x = 0; x < kBarCursorSize; ++x) {
      const size_t k = static_cast<size_t>(y) * kBarCursorSize + x;
      mask[k] = picture[y][x] == '.' ? 0xFFFFFF : 0x000000;
      color[k] = picture[y][x] == 'o' ? 0xFFFFFF : 0x000000;
    }
  HBITMAP maskBitmap = CreateBitmap(kBarCursorSize, kBarCursorSize, 1, 32, mask);
  HBITMAP colorBitmap = CreateBitmap(kBarCursorSize, kBarCursorSize, 1, 32, color);
  ICONINFO info{FALSE, static_cast<DWORD>(AImage.HotX), static_cast<DWORD>(AImage.HotY), maskBitmap, colorBitmap};
  HCURSOR cursor = CreateIconIndirect(&info);
  DeleteObject(maskBitmap);
  DeleteObject(colorBitmap);
  return cursor;
}

// The item classes of this library with the controls their links are shown with, in registration order.
struct TItemClassEntry {
  TClass ItemClass;
  TClass ControlClass;
};

void ItemClassTable(const TItemClassEntry*& ATable, size_t& ACount) {
  static const TItemClassEntry table[] = {
      {TdxBarButton::StaticClass(), TdxBarButtonControl::StaticClass()},
      {TdxBarSubItem::StaticClass(), TdxBarSubItemControl::StaticClass()},
  };
  ATable = table;
  ACount = sizeof(table) / sizeof(table[0]);
}

void StartBarControls() {
  auto& S = gControlsState.Create();
  RegisterBarControlClasses(TdxBarControl::StaticClass(), nullptr, TdxBarButtonControl::StaticClass());
  RegisterBarPainter(bmsFlat, TdxBarItemControlFlatPainter::Instance());
  const TItemClassEntry* table = nullptr;
  size_t count = 0;
  ItemClassTable(table, count);
  for (size_t i = 0; i < count; ++i) RegisterItemClass(table[i].ItemClass, table[i].ControlClass, true);
  for (size_t i = 0; i < 4; ++i) {
    S.Cursors[i] = MakeBarCursor(kBarCursors[i]);
    if (Screen) Screen->SetCursors(kBarCursors[i].Number, S.Cursors[i]);
  }
}

void FinishBarControls() {
  auto& S = *gControlsState;
  if (S.SubItemTimer) KillTimer(nullptr, S.SubItemTimer);
  const TItemClassEntry* table = nullptr;
  size_t count = 0;
  ItemClassTable(table, count);
  for (size_t i = count; i-- > 0;) UnregisterItemClass(table[i].ItemClass);
  RegisterBarPainter(bmsFlat, nullptr);
  RegisterBarControlClasses(nullptr, nullptr, nullptr);
  for (size_t i = 0; i < 4; ++i) {
    if (Screen && Screen->Cursors(kBarCursors[i].Number) == S.Cursors[i]) Screen->SetCursors(kBarCursors[i].Number, nullptr);
    if (S.Cursors[i]) DestroyIcon(S.Cursors[i]);  // made by CreateIconIndirect
  }
  gControlsState.Free();
}

}  // namespace

constinit const TUnit dxBarControlsUnit{"dxBarControls", {&dxBarUnit}, &StartBarControls, &FinishBarControls};

namespace dxbarcontrols_detail {

TBarControlsState& BarControlsState() {
  if (!gControlsState.Exists()) throw EInvalidOperation("The bar controls unit (dxBarControls) is not started");
  return *gControlsState;
}

TBarControlsState* BarControlsStateOrNull() { return gControlsState.Get(); }

}  // namespace dxbarcontrols_detail
