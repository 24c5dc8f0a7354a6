#include "ui/data/cxData.h"

void TcxDataController::AfterConstruction() {
  TcxCustomDataController::AfterConstruction();
  SetActive(true);
}

int32_t TcxDataController::GetItemID(TObject* AItem) {
  TcxCustomDataField* field = Fields()->FindByItem(AItem);
  return field ? field->Index() : -1;
}
