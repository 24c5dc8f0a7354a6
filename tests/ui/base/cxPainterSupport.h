#pragma once
// Shared pieces of the painter and look-and-feel tests: a fixture that also ends the painters' pictures and
// the root look-and-feel after each case, a canvas over a memory bitmap, and a PNG writer for the pictures
// a person looks at.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "cxGraphicsSupport.h"
#include "forms/PngImage.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxOffice11.h"

namespace uibase_test {

class PainterTest : public UiBaseTest {
protected:
  void SetUp() override {
    UiBaseTest::SetUp();
    Office11ColorsRecalc();  // the set follows this case's system colours
  }
  void TearDown() override {
    DonePainterImages();
    DoneLookAndFeels();
    UiBaseTest::TearDown();
  }
};

// A bitmap with a suite canvas over it.
struct Surface {
  std::unique_ptr<TBitmap> bitmap;
  TcxCanvas* canvas;
  Surface(int w, int h, TColor fill = clWhite) : bitmap(MakeBitmap(w, h, fill)) {
    canvas = New<TcxCanvas>(bitmap->Canvas());
  }
  ~Surface() { canvas->Free(); }
  uint32_t operator()(int x, int y) const { return Px(bitmap.get(), x, y); }
  TBitmap* get() const { return bitmap.get(); }
};

// Writes the bitmap, zoomed, as <name>.png into the artifacts folder when one is given.
inline void WriteArtifact(TBitmap* b, const char* name, int zoom = 3) {
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
  if (!dir) return;
  auto big = MakeBitmap(b->Width() * zoom, b->Height() * zoom);
  StretchBlt(big->Canvas()->Handle(), 0, 0, big->Width(), big->Height(), b->Canvas()->Handle(), 0, 0, b->Width(),
             b->Height(), SRCCOPY);
  TPngImage png;
  png.Assign(big.get());
  png.SaveToFile(String(dir) + "/" + name + ".png");
}

// The painter objects the tests draw with.
inline const TcxCustomLookAndFeelPainter* Base() { return TcxCustomLookAndFeelPainter::Instance(); }
inline const TcxCustomLookAndFeelPainter* Standard() { return TcxStandardLookAndFeelPainter::Instance(); }
inline const TcxCustomLookAndFeelPainter* Flat() { return TcxFlatLookAndFeelPainter::Instance(); }
inline const TcxCustomLookAndFeelPainter* UltraFlat() { return TcxUltraFlatLookAndFeelPainter::Instance(); }
inline const TcxOffice11LookAndFeelPainter* Office11() { return TcxOffice11LookAndFeelPainter::Instance(); }

}  // namespace uibase_test
