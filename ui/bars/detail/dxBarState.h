#pragma once
// The bar unit's process-wide state, made by the unit's start and freed by its finish.

#include <vector>

#include "rtl/Units.h"
#include "ui/bars/dxBar.h"
#include "ui/bars/dxBarCommon.h"

namespace dxbar_detail {

struct TBarUnitState {
  std::vector<TdxBarManager*> Managers;
  std::vector<TdxBarItem*> TemporaryItems;
  std::vector<TRegItemRecord> ItemClasses;
  std::vector<TCustomdxBarControl*> BarControls;
  TCustomdxBarControl* ActiveBarControl = nullptr;
  int32_t ScreenDepth = 32;
  HBRUSH CheckeredBrush = nullptr;
  // Mouse-leave polling (when the system's tracking is not used).
  HWND TrackedWindow = nullptr;
  UINT_PTR TrackTimer = 0;
  bool UseSystemTracking = true;
  // The window classes of the bar controls library.
  TClass ToolbarClass = nullptr;
  TClass SubMenuClass = nullptr;
  TClass PlainButtonControlClass = nullptr;
  TdxBarItemControlPainterClass Painters[bmsUseLookAndFeel] = {};
  // Set while a bar is reset from its design copy, and while the design copy is read.
  bool Resetting = false;
  bool ReadingDesignCopy = false;
};

// The state; raises EInvalidOperation when the bar unit has not been started.
TBarUnitState& BarState();
// The state or nullptr (for code that may run after the unit finished, such as late destructors).
TBarUnitState* BarStateOrNull();

}  // namespace dxbar_detail
