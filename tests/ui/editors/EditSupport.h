#pragma once
// Shared pieces of the editor framework's painting tests: a fresh headless window system per case with a
// fixed system colour table, and two white bitmaps with the same fixed-pitch font (every character Cw
// pixels wide), one for the code under test and one for a reference drawn with plain text output.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "forms/Graphics.h"
#include "forms/PngImage.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"
#include "winapi/UxTheme.h"
#include "winapi/WinText.h"

namespace edit_test {

struct Freer {
  void operator()(TObject* o) const {
    if (o) o->Free();
  }
};
template <class T>
using Owned = std::unique_ptr<T, Freer>;

inline uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }
inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

// Writes the bitmap, zoomed, as <name>.png into the artifacts folder when one is given.
inline void WriteArtifact(TBitmap* b, const char* name, int zoom = 2) {
  const char* dir = std::getenv("VORN_ARTIFACT_DIR");
  if (!dir) return;
  Owned<TBitmap> big(New<TBitmap>());
  big->SetSize(b->Width() * zoom, b->Height() * zoom);
  StretchBlt(big->Canvas()->Handle(), 0, 0, big->Width(), big->Height(), b->Canvas()->Handle(), 0, 0, b->Width(),
             b->Height(), SRCCOPY);
  TPngImage png;
  png.Assign(big.get());
  png.SaveToFile(String(dir) + "/" + name + ".png");
}

class PaintTest : public ::testing::Test {
protected:
  static constexpr int W = 240, H = 120;
  void SetUp() override {
    headless::Init(640, 480);
    // A look-and-feel left alive by an earlier test in this process keeps the palette listener, whose
    // window died with the previous backend: give it a window on this one.
    EnsureSystemPaletteChangedWindow();
    SetColor(COLOR_BTNFACE, RGB(212, 208, 200));
    SetColor(COLOR_WINDOW, RGB(255, 255, 255));
    SetColor(COLOR_HIGHLIGHT, RGB(10, 36, 106));
    SetColor(COLOR_BTNSHADOW, RGB(128, 128, 128));
    SetColor(COLOR_BTNTEXT, RGB(0, 0, 0));
    A.reset(MakeBitmap());
    B.reset(MakeBitmap());
    Cw = A->Canvas()->TextWidth("x");
    TEXTMETRIC tm{};
    GetTextMetrics(DC(), &tm);
    Fh = tm.tmHeight;
  }
  void TearDown() override {
    A.reset();
    B.reset();
    DoneEditPaintUtils();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void SetColor(int index, COLORREF c) { SetSysColors(1, &index, &c); }
  static TBitmap* MakeBitmap() {
    TBitmap* b = New<TBitmap>();
    b->SetSize(W, H);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(RECT{0, 0, W, H});
    b->Canvas()->Font()->SetName("Courier New");
    b->Canvas()->Font()->SetHeight(-13);
    b->Canvas()->Font()->SetColor(clBlack);
    b->Canvas()->Brush()->SetStyle(bsClear);
    b->Canvas()->TextWidth("x");  // selects the font into the DC
    return b;
  }
  HDC DC() { return A->Canvas()->Handle(); }
  HDC RefDC() { return B->Canvas()->Handle(); }
  // Plain text on the reference bitmap, transparent.
  void RefText(int x, int y, const char* s) {
    SetBkMode(RefDC(), TRANSPARENT);
    ExtTextOut(RefDC(), x, y, 0, nullptr, s, static_cast<UINT>(strlen(s)), nullptr);
  }
  static uint32_t Px(TBitmap* b, int x, int y) { return b->ScanLine(y)[x] & 0xFFFFFF; }
  // The first pixel where the two bitmaps differ, or (-1, -1).
  POINT FirstDifference() {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (Px(A.get(), x, y) != Px(B.get(), x, y)) return POINT{x, y};
    return POINT{-1, -1};
  }
  static void Clear(TBitmap* b) {
    b->Canvas()->Brush()->SetStyle(bsSolid);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(RECT{0, 0, W, H});
    b->Canvas()->Brush()->SetStyle(bsClear);
  }
  bool Blank(TBitmap* b) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (Px(b, x, y) != 0xFFFFFF) return false;
    return true;
  }
  Owned<TBitmap> A, B;
  int Cw = 0, Fh = 0;
};

}  // namespace edit_test
