#pragma once
// Shared pieces of the HTML label tests: a fresh headless window system per case, a memory bitmap with a
// fixed-pitch font to lay text out on, and pixel helpers.

#include <gtest/gtest.h>

#include <memory>

#include "forms/Graphics.h"
#include "ui/htmlabel/HTMLEngine.h"
#include "winapi/Headless.h"

namespace htmlabel_test {

struct Freer {
  void operator()(TObject* o) const {
    if (o) o->Free();
  }
};
template <class T>
using Owned = std::unique_ptr<T, Freer>;

inline uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

// A white bitmap whose canvas holds a fixed-pitch font, so that every character is Cw pixels wide and a
// line of text Lh pixels high.
class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(640, 480);
    Bmp.reset(New<TBitmap>());
    Bmp->SetSize(400, 200);
    Clear();
    Canvas()->Font()->SetName("Courier New");
    Canvas()->Font()->SetHeight(-13);
    Canvas()->Font()->SetColor(clBlack);
    Cw = Canvas()->TextWidth("x");
    Lh = Canvas()->TextHeight("gh");
  }
  void TearDown() override {
    Bmp.reset();
    headless::Shutdown();
  }
  TCanvas* Canvas() { return Bmp->Canvas(); }
  void Clear() {
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->FillRect(RECT{0, 0, Bmp->Width(), Bmp->Height()});
  }
  uint32_t Px(int x, int y) { return Bmp->ScanLine(y)[x] & 0xFFFFFF; }
  // A run over html in a rectangle widthChars characters wide (and the bitmap's height).
  THTMLRenderInput Input(const String& html, int widthChars) {
    THTMLRenderInput in;
    in.Canvas = Canvas();
    in.HTML = html;
    in.R = RECT{0, 0, widthChars * Cw, Bmp->Height()};
    return in;
  }
  THTMLRenderOutput Run(const THTMLRenderInput& in) {
    THTMLRenderOutput out;
    RenderHTML(in, out);
    return out;
  }
  Owned<TBitmap> Bmp;
  int Cw = 0, Lh = 0;
};

}  // namespace htmlabel_test
