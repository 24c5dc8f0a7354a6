#include "ui/data/cxData.h"

void TcxDataController::AfterConstruction() {
  TcxCustomDataController::AfterConstruction();
  SetActive(true);
}
