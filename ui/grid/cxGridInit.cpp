// The grid unit's start and finish: the view-kind registry, the shared hit-test cache, the row-selection
// cursor and the stream registration of the grid's component classes.

#include <iterator>

#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "ui/base/cxControls.h"
#include "ui/grid/cxGrid.h"
#include "ui/grid/cxGridCommon.h"
#include "ui/grid/cxGridCustomView.h"
#include "ui/grid/cxGridCustomViewController.h"
#include "ui/grid/cxGridDataController.h"
#include "ui/grid/cxGridLevel.h"
#include "ui/grid/cxStyles.h"
#include "winapi/WinGdi.h"

namespace {

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
  return MakecxCursorFromRows(kGridSelectRowRows, static_cast<int32_t>(std::size(kGridSelectRowRows)), kGridSelectRowHotSpot);
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
