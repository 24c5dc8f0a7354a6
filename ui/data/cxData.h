#pragma once
// The unbound data controller: records live in its own storage; active from construction.

#include "ui/data/cxCustomData.h"

class TcxDataController : public TcxCustomDataController {
  RTL_CLASS(TcxDataController, TcxCustomDataController)
public:
  using TcxCustomDataController::TcxCustomDataController;
  void AfterConstruction() override;
  // Items are known by their position: the ids that filter streams and summary copies carry.
  int32_t GetItemID(TObject* AItem) override;
};
