#pragma once
// PNG pictures: read and written through libpng; alpha is kept and drawn blended.

#include <vector>

#include "forms/Graphics.h"

RTL_EXCEPTION(EPNGError, EInvalidGraphic)

class TPngImage : public TGraphic {
  RTL_CLASS(TPngImage, TGraphic)
public:
  TPngImage() = default;
  void Assign(TPersistent* source) override;
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  // Resizing keeps what fits; new pixels are clear.
  void SetWidth(int32_t v) override { SetSize(v, FHeight); }
  void SetHeight(int32_t v) override { SetSize(FWidth, v); }
  void SetSize(int32_t w, int32_t h);
  // Whether any pixel is less than opaque (the file had alpha or a transparent colour).
  bool HasAlpha() const { return FHasAlpha; }
  // Pixel (x, y) as 0xAARRGGBB, straight alpha.
  uint32_t Pixel(int32_t x, int32_t y) const;
  const std::vector<uint32_t>& Pixels() const { return FPixels; }
  void Draw(TCanvas* canvas, const RECT& rect) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

private:
  int32_t FWidth = 0, FHeight = 0;
  bool FHasAlpha = false;
  std::vector<uint32_t> FPixels;
};

// Decodes a PNG stream to 0xAARRGGBB pixels (straight alpha); EPNGError on bad or truncated data.
void ReadPngPixels(const void* data, size_t size, int32_t& width, int32_t& height, std::vector<uint32_t>& argb);
