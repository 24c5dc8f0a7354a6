#pragma once
// The clipboard as an object that pictures are assigned to and from.

#include "forms/Graphics.h"
#include "winapi/Windows.h"

// Metafile pictures: no graphic class of ours writes them, but a reader may ask for the format.
constexpr UINT CF_METAFILEPICT = 3;
// Our own format for a picture of any registered graphic class: the class name as a byte count and
// the name, then the graphic's own stream. Registered on first use.
UINT CF_PICTURE();

class TClipboard : public TPersistent {
  RTL_CLASS(TClipboard, TPersistent)
public:
  TClipboard() = default;
  // Open and Close nest; the clipboard is really opened by the outermost pair.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT format);
  // From a picture or a graphic: the clipboard then holds the picture as drawn (CF_BITMAP) and, for a
  // graphic that is not a plain bitmap, the graphic itself (CF_PICTURE). Null empties the clipboard.
  void Assign(TPersistent* source) override;

protected:
  // Into a picture: the CF_PICTURE graphic when there is one, else the CF_BITMAP bitmap. Into a bitmap:
  // the CF_BITMAP bitmap. EInvalidGraphic when the clipboard holds no picture.
  void AssignTo(TPersistent* dest) override;

private:
  int32_t FOpenCount = 0;
};

// The one clipboard object of the process.
TClipboard* Clipboard();
