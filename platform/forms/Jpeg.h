#pragma once
// JPEG pictures over libjpeg. The image keeps the compressed bytes it was loaded from (saved unchanged)
// and the decoded bitmap it draws; a bitmap assigned to it is compressed when the bytes are needed.
// libjpeg's errors never end the process: they come back as EJPEG exceptions.

#include "forms/Graphics.h"

RTL_EXCEPTION(EJPEG, EInvalidGraphic)

enum TJPEGPerformance : uint8_t { jpBestQuality, jpBestSpeed };
RTL_ENUM(TJPEGPerformance, jpBestQuality, jpBestSpeed)
enum TJPEGScale : uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };
RTL_ENUM(TJPEGScale, jsFullSize, jsHalf, jsQuarter, jsEighth)
enum TJPEGPixelFormat : uint8_t { jf24Bit, jf8Bit };
RTL_ENUM(TJPEGPixelFormat, jf24Bit, jf8Bit)
using TJPEGQualityRange = int32_t;  // 1..100

class TJPEGImage : public TGraphic {
  RTL_CLASS(TJPEGImage, TGraphic)
public:
  TJPEGImage() = default;
  ~TJPEGImage() override;
  // From another JPEG image: its bytes and settings. From a bitmap (or another graphic): its picture,
  // compressed on demand with CompressionQuality.
  void Assign(TPersistent* source) override;
  // Width and height of the decoded picture (with Scale applied).
  int32_t Width() const override;
  int32_t Height() const override;
  // A JPEG picture's size comes from its data: the setters do nothing.
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  bool Empty() const override;

  TJPEGQualityRange CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(TJPEGQualityRange v);
  // Decoding settings: a change drops the decoded picture, which is made again on the next use.
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool v);
  TJPEGScale Scale() const { return FScale; }
  void SetScale(TJPEGScale v);
  TJPEGPerformance Performance() const { return FPerformance; }
  void SetPerformance(TJPEGPerformance v);
  // Kept for the settings' sake; the decoded picture is always 24-bit colour.
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat v) { FPixelFormat = v; }
  bool ProgressiveEncoding() const { return FProgressiveEncoding; }
  void SetProgressiveEncoding(bool v);
  bool ProgressiveDisplay() const { return FProgressiveDisplay; }
  void SetProgressiveDisplay(bool v) { FProgressiveDisplay = v; }
  bool Smoothing() const { return FSmoothing; }
  void SetSmoothing(bool v) { FSmoothing = v; }

  // Makes the decoded picture from the bytes when there is none.
  void DIBNeeded();
  // Makes the compressed bytes from the picture when there are none.
  void JPEGNeeded();
  // Compresses the picture again with the current settings.
  void Compress();
  // The decoded picture (made when needed); changes to it are compressed when the bytes are next needed.
  TBitmap* Bitmap();
  // Starts a new empty picture, dropping the compressed bytes.
  void NewBitmap();
  // Drops the decoded picture and the bytes.
  void NewImage();

  void Draw(TCanvas* canvas, const RECT& rect) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

protected:
  // Form data: a 32-bit byte count, then the JPEG bytes.
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

private:
  void Decode();
  void FreeBitmap();
  void BitmapChanged(TObject*);
  String FData;               // the compressed bytes; empty when none
  TBitmap* FBitmap = nullptr;  // the decoded or assigned picture
  bool FDataFromBitmap = false;  // the bytes were made by Compress (a quality change redoes them)
  TJPEGQualityRange FQuality = 90;
  bool FGrayscale = false;
  TJPEGScale FScale = jsFullSize;
  TJPEGPerformance FPerformance = jpBestQuality;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
  bool FProgressiveEncoding = false;
  bool FProgressiveDisplay = false;
  bool FSmoothing = true;
};
