// The grid unit's start and finish: the view-kind registry, the shared hit-test cache, the row-selection
// cursor and the stream registration of the grid's component classes.

#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCommon.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridDataController.h"
#include "ui/grid/cxGridLevel.h"
#include "ui/grid/cxStyles.h"
#include "winapi/WinGdi.h"

namespace {

constexpr int kGridCursorSize = 32;
constexpr POINT kGridSelectRowHotSpot{15, 9};
// An arrow pointing right, as it shows over the row indicator. '#' black, 'o' white, '.' the screen.
const char* const kGridSelectRowRows[] = {
    "................................",
    "................................",
    "..........oo....................",
    "..........o#o...................",
    "..........o##o..................",
    "..........o###o.................",
    "..........o####o................",
    "..........o#####o...............",
    "..........o######o..............",
    "..........o#######o.............",
    "..........o######o..............",
    "..........o#####o...............",
    "..........o####o................",
    "..........o###o.................",
    "..........o##o..................",
    "..........o#o...................",
    "..........oo....................",
};

HCURSOR MakeGridSelectRowCursor() {
  uint32_t mask[kGridCursorSize * kGridCursorSize];
  uint32_t color[kGridCursorSize * kGridCursorSize];
  constexpr int rows = static_cast<int>(sizeof(kGridSelectRowRows) / sizeof(kGridSelectRowRows[0]));
  for (int y = 0; y < kGridCursorSize; ++y)
    for (int x = 0; x < kGridCursorSize; ++x) {
      const char c = y < rows ? kGridSelectRowRows[y][x] : '.';
      const size_t k = static_cast<size_t>(y) * kGridCursorSize + static_cast<size_t>(x);
      mask[k] = c == '.' ? 0xFFFFFF : 0x000000;
      color[k] = c == 'o' ? 0xFFFFFF : 0x000000;
    }
  HBITMAP maskBitmap = CreateBitmap(kGridCursorSize, kGridCursorSize, 1, 32, mask);
  HBITMAP colorBitmap = CreateBitmap(kGridCursorSize, kGridCursorSize, 1, 32, color);
  ICONINFO info{FALSE, static_cast<DWORD>(kGridSelectRowHotSpot.x), static_cast<DWORD>(kGridSelectRowHotSpot.y),
                maskBitmap, colorBitmap};
  HCURSOR cursor = CreateIconIndirect(&info);
  DeleteObject(maskBitmap);
  DeleteObject(colorBitmap);
  return cursor;
}

struct TcxGridUnitState {
  TcxRegisteredClasses RegisteredViews{true};
  TGridHitTests HitTests;
  HCURSOR SelectRowCursor = nullptr;
};

constinit TUnitState<TcxGridUnitState> GridUnitState;

void StartGrid() {
  TcxGridUnitState& state = GridUnitState.Create();
  RegisterClasses({TcxStyle::StaticClass(), TcxStyleRepository::StaticClass(), TcxGridLevel::StaticClass(),
                   TcxGrid::StaticClass(), TcxGridItemDataBinding::StaticClass()});
  // The screen's cursor list exists once the forms layer is up; a program starts its units after that.
  if (Screen) {
    state.SelectRowCursor = MakeGridSelectRowCursor();
    Screen->SetCursors(crcxGridSelectRow, state.SelectRowCursor);
  }
}

void FinishGrid() {
  if (GridUnitState->SelectRowCursor) {
    if (Screen) Screen->SetCursors(crcxGridSelectRow, nullptr);
    // A cursor made from pictures is an icon of the window system; DestroyCursor leaves shared cursors alone.
    DestroyIcon(GridUnitState->SelectRowCursor);
  }
  UnRegisterClasses({TcxStyle::StaticClass(), TcxStyleRepository::StaticClass(), TcxGridLevel::StaticClass(),
                     TcxGrid::StaticClass(), TcxGridItemDataBinding::StaticClass()});
  GridUnitState.Free();
}

}  // namespace

constinit const TUnit cxGridUnit{"cxGrid", {}, &StartGrid, &FinishGrid};

TcxRegisteredClasses* cxGridRegisteredViews() {
  return GridUnitState.Exists() ? &GridUnitState->RegisteredViews : nullptr;
}

TcxCustomGridHitTest* GetGridHitTest(TClass AClass, POINT P) {
  TcxCustomGridHitTest* hitTest = GridUnitState->HitTests.Obtain(AClass);
  hitTest->SetPos(P);
  return hitTest;
}
