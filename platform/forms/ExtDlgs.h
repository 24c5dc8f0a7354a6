#pragma once
// File dialogs for pictures: the filter of every registered graphic format unless one is given.

#include "forms/Dialogs.h"

class TOpenPictureDialog : public TOpenDialog {
  RTL_CLASS(TOpenPictureDialog, TOpenDialog)
public:
  explicit TOpenPictureDialog(TComponent* AOwner);
};

class TSavePictureDialog : public TSaveDialog {
  RTL_CLASS(TSavePictureDialog, TSaveDialog)
public:
  explicit TSavePictureDialog(TComponent* AOwner);
};
