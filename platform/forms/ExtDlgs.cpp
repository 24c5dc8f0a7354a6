#include "forms/ExtDlgs.h"

#include "forms/Graphics.h"

TOpenPictureDialog::TOpenPictureDialog(TComponent* AOwner) : TOpenDialog(AOwner) {
  SetFilter(GraphicFilter(TGraphic::StaticClass()));
}

TSavePictureDialog::TSavePictureDialog(TComponent* AOwner) : TSaveDialog(AOwner) {
  SetFilter(GraphicFilter(TGraphic::StaticClass()));
}
