#pragma once
// GIF pictures: our own reader of the first image of a GIF file (LZW, interlacing, the transparent
// colour). The file's bytes are kept and saved unchanged.

#include <vector>

#include "forms/Graphics.h"

RTL_EXCEPTION(EGIFError, EInvalidGraphic)

class TGIFImage : public TGraphic {
  RTL_CLASS(TGIFImage, TGraphic)
public:
  TGIFImage() = default;
  void Assign(TPersistent* source) override;
  // The size of the first image (which may lie inside a larger logical screen, see below).
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  // The logical screen of the file and where the first image lies in it.
  int32_t ScreenWidth() const { return FScreenWidth; }
  int32_t ScreenHeight() const { return FScreenHeight; }
  int32_t FrameLeft() const { return FLeft; }
  int32_t FrameTop() const { return FTop; }
  // Pixel (x, y) of the first image: 0xAARRGGBB, alpha 0 for the transparent colour.
  uint32_t Pixel(int32_t x, int32_t y) const;
  // Transparent (set by a file with a transparent colour) leaves that colour out when drawing;
  // otherwise it is drawn as its palette colour.
  void Draw(TCanvas* canvas, const RECT& rect) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

private:
  String FData;
  int32_t FWidth = 0, FHeight = 0, FScreenWidth = 0, FScreenHeight = 0, FLeft = 0, FTop = 0;
  std::vector<uint32_t> FPixels;
};
