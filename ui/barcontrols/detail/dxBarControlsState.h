#pragma once
// The bar controls unit's process-wide state, made by the unit's start and freed by its finish.

#include <cstdint>

#include "winapi/Windows.h"

class TdxBarSubItemControl;

namespace dxbarcontrols_detail {

struct TBarControlsState {
  // The one sub-item control whose menu opens or closes when the 400 ms timer fires.
  TdxBarSubItemControl* PendingSubItem = nullptr;
  UINT_PTR SubItemTimer = 0;
  bool PendingOpen = false;
  // The main-menu bar's caption buttons: one pressed at a time in the whole process.
  bool CaptionButtonPressed = false;
  bool CaptionButtonHot = false;
  int32_t PressedCaptionButton = -1;
  int32_t HotCaptionButton = -1;
  // The bar cursors 1041 to 1044.
  HCURSOR Cursors[4] = {};
};

// The state; raises EInvalidOperation when the bar controls unit has not been started.
TBarControlsState& BarControlsState();
TBarControlsState* BarControlsStateOrNull();

}  // namespace dxbarcontrols_detail
