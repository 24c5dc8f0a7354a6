// The container control: geometry, painting, state styles with hot tracking, and the inner control.

#include "ui/editors/cxContainer.h"

TcxContainer::TcxContainer(TComponent* AOwner) : TcxControl(AOwner) {}

void TcxContainer::AfterConstruction() {
  inherited::AfterConstruction();
  FStyles = GetStylesClass().Create(this, GetStyleClass());
}

void TcxContainer::BeforeDestruction() {
  if (FStyles) {
    FStyles->SetOnChanged(TNotifyEvent());
    FreeAndNil(FStyles);
  }
  inherited::BeforeDestruction();
}

void cxContainerFinalize() {}
