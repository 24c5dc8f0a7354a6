// The painters' shared pictures (part of the painters' unit): radio buttons built from the system radio
// button's size, indicator glyphs, pin pictures and scroll-track patterns.

#include <algorithm>
#include <memory>

#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxOffice11.h"

namespace {

// ---- pixel tables of the fixed pictures ----------------------------------------------------------------------
// X black, . white (transparent).
const char* const kIndicatorPictures[5][9] = {
    {"X....", "XX...", "XXX..", "XXXX.", "XXXXX", "XXXX.", "XXX..", "XX...", "X...."},
    {"XX.XX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "XX.XX"},
    {".....", "..X..", "X.X.X", ".XXX.", "..X..", ".XXX.", "X.X.X", "..X..", "....."},
    {".....", ".....", "..X..", ".XXX.", ".XXX.", ".XXX.", "..X..", ".....", "....."},
    {"X....", "XX...", "..X..", "X..X.", "XX.XX", "X..X.", "..X..", "XX...", "X...."},
};

// X black, n navy, . the transparent magenta.
const char* const kAutoHidePictures[2][12] = {
    {"............", "............", "...XXXXX....", "...X..nX....", "...X..nX....", "...X..nX....",
     "...X..nX....", "..XXXXXXX...", ".....X......", ".....X......", "............", "............"},
    {"............", "............", "....X.......", "....XXXXXX..", "....X....X..", "..XXX....X..",
     "....XnnnnX..", "....XXXXXX..", "....X.......", "............", "............", "............"},
};

TBitmap* NewBitmap(int32_t W, int32_t H, TColor AFill) {
  TBitmap* b = New<TBitmap>();
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetStyle(bsSolid);
  b->Canvas()->Brush()->SetColor(AFill);
  b->Canvas()->FillRect(RECT{0, 0, W, H});
  return b;
}

bool IsBlack(TBitmap* B, int32_t X, int32_t Y) { return (B->ScanLine(Y)[X] & 0xFFFFFF) == 0; }

// Notified before any control: the radio pictures take the new system colours first.
class TSystemPaletteChangedNotifier : public TcxSystemPaletteChangedNotifier {
  RTL_CLASS(TSystemPaletteChangedNotifier, TcxSystemPaletteChangedNotifier)
public:
  TSystemPaletteChangedNotifier() : TcxSystemPaletteChangedNotifier(true) {}
  void FireSystemPaletteChanged() override {
    DoChanged();
    inherited::FireSystemPaletteChanged();
  }

private:
  void DoChanged();
};

struct TPainterImages {
  TImageList* Indicators = nullptr;
  TBitmap* ScrollTracks[2] = {nullptr, nullptr};
  TBitmap* AutoHide[2] = {nullptr, nullptr};
  TSystemPaletteChangedNotifier* Notifier = nullptr;
  TcxRadioButtonImageList* RadioImages = nullptr;
};

TPainterImages* gImages = nullptr;
bool gStarting = false;

TPainterImages& Images() {
  InitPainterImages();
  return *gImages;
}

void TSystemPaletteChangedNotifier::DoChanged() {
  if (gImages && gImages->RadioImages) gImages->RadioImages->Rebuild();
}

}  // namespace

// ---- start-up and shutdown --------------------------------------------------------------------------------
void InitPainterImages() {
  if (gImages || gStarting) return;
  gStarting = true;
  auto* images = new TPainterImages();
  gImages = images;
  images->Indicators = New<TImageList>(static_cast<TComponent*>(nullptr));
  images->Indicators->SetWidth(5);
  images->Indicators->SetHeight(9);
  for (const auto& picture : kIndicatorPictures) {
    std::unique_ptr<TBitmap> b(NewBitmap(5, 9, clWhite));
    for (int32_t y = 0; y < 9; ++y)
      for (int32_t x = 0; x < 5; ++x)
        if (picture[y][x] == 'X') b->Canvas()->SetPixels(x, y, clBlack);
    images->Indicators->AddMasked(b.get(), clWhite);
  }
  RefreshScrollTrackBitmaps();
  for (int32_t i = 0; i < 2; ++i) {
    TBitmap* b = NewBitmap(12, 12, clFuchsia);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 12; ++x) {
        const char c = kAutoHidePictures[i][y][x];
        if (c == 'X') b->Canvas()->SetPixels(x, y, clBlack);
        if (c == 'n') b->Canvas()->SetPixels(x, y, clNavy);
      }
    b->SetTransparent(true);
    images->AutoHide[i] = b;
  }
  images->Notifier = New<TSystemPaletteChangedNotifier>();
  gStarting = false;
}

void DonePainterImages() {
  TPainterImages* images = gImages;
  if (!images) return;
  FreeAndNil(images->Notifier);
  for (TBitmap*& b : images->AutoHide) FreeAndNil(b);
  for (TBitmap*& b : images->ScrollTracks) FreeAndNil(b);
  FreeAndNil(images->Indicators);
  delete images->RadioImages;
  images->RadioImages = nullptr;
  delete images;
  gImages = nullptr;
}

TImageList* IndicatorImages() { return Images().Indicators; }

TBitmap* AutoHideBitmaps(int32_t AIndex) { return Images().AutoHide[AIndex == 0 ? 0 : 1]; }

TBitmap* ScrollTrackBitmaps(int32_t AIndex) {
  TPainterImages& images = Images();
  if (!images.ScrollTracks[0]) RefreshScrollTrackBitmaps();
  return images.ScrollTracks[AIndex == 0 ? 0 : 1];
}

void RefreshScrollTrackBitmaps() {
  TPainterImages& images = Images();
  for (int32_t i = 0; i < 2; ++i)
    if (!images.ScrollTracks[i]) images.ScrollTracks[i] = NewBitmap(8, 8, clBtnFace);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool same = (x % 2) == (y % 2);
      images.ScrollTracks[0]->Canvas()->SetPixels(x, y, same ? clBtnFace : clBtnHighlight);
      images.ScrollTracks[1]->Canvas()->SetPixels(x, y, same ? clBlack : cl3DDkShadow);
    }
}

// ---- radio buttons ------------------------------------------------------------------------------------------
TcxRadioButtonImageList* GetRadioImages() {
  TPainterImages& images = Images();
  if (!images.RadioImages) {
    images.RadioImages = new TcxRadioButtonImageList();
    images.RadioImages->BuildImages();
  }
  return images.RadioImages;
}

TColor RadioBodyColor(TcxLookAndFeelKind AKind, TcxButtonState AState) {
  if (AKind == lfOffice11)
    return AState == cxbsNormal ? clWindow : TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(AState);
  if (AState == cxbsDisabled) return clBtnFace;
  if (AKind == lfUltraFlat) {
    switch (AState) {
      case cxbsHot:
        return LightHotTrackColor();
      case cxbsPressed:
        return LightPressedColor();
      default:
        return clWindow;
    }
  }
  return AState == cxbsPressed ? clBtnFace : clWindow;
}

TcxRadioButtonImageList::TcxRadioButtonImageList() {
  Measure();
  MakePattern();
  FList = New<TImageList>(static_cast<TComponent*>(nullptr));
  FList->SetMasked(true);
  FList->SetWidth(FWidth);
  FList->SetHeight(FHeight);
}

TcxRadioButtonImageList::~TcxRadioButtonImageList() {
  FreeAndNil(FList);
  FreeAndNil(FMask);
}

int32_t TcxRadioButtonImageList::Count() const { return FList ? FList->Count() : 0; }

// The radio button's extent and its dot, read from what the system draws.
void TcxRadioButtonImageList::Measure() {
  int32_t cellW = 13, cellH = 13;
  if (HBITMAP checkboxes = LoadBitmap(nullptr, MAKEINTRESOURCE(OBM_CHECKBOXES))) {
    BITMAP info{};
    if (GetObject(checkboxes, sizeof(info), &info)) {
      cellW = std::max<int32_t>(1, info.bmWidth / 4);
      cellH = std::max<int32_t>(1, info.bmHeight / 3);
    }
    DeleteObject(checkboxes);
  }
  std::unique_ptr<TBitmap> cell(NewBitmap(cellW, cellH, clBlack));
  RECT r{0, 0, cellW, cellH};
  DrawFrameControl(cell->Canvas()->Handle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_CHECKED | DFCS_FLAT);
  int32_t x0 = -1, y0 = -1, w = 0, h = 0;
  for (int32_t x = 0; x < cellW; ++x) {
    bool any = false;
    for (int32_t y = 0; y < cellH && !any; ++y) any = IsBlack(cell.get(), x, y);
    if (any) {
      if (x0 < 0) x0 = x;
      ++w;
    }
  }
  for (int32_t y = 0; y < cellH; ++y) {
    bool any = false;
    for (int32_t x = 0; x < cellW && !any; ++x) any = IsBlack(cell.get(), x, y);
    if (any) {
      if (y0 < 0) y0 = y;
      ++h;
    }
  }
  if (x0 < 0 || y0 < 0 || w < 4 || h < 4) {
    // Nothing usable was drawn: the classic 13-pixel button.
    x0 = y0 = 0;
    w = h = 13;
  }
  FWidth = w;
  FHeight = h;

  cell->Canvas()->Brush()->SetColor(clBlack);
  cell->Canvas()->FillRect(RECT{0, 0, cellW, cellH});
  r = RECT{0, 0, cellW, cellH};
  DrawFrameControl(cell->Canvas()->Handle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
  // Every walk stays inside the cell, whatever the system drew.
  auto black = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < cellW && y < cellH && IsBlack(cell.get(), x, y);
  };
  const int32_t cx = std::clamp(x0 + w / 2 - 1, 0, cellW - 1);
  const int32_t cy = std::clamp(y0 + h / 2 - 1, 0, cellH - 1);
  int32_t y = y0 + h / 2 - 2;
  while (black(cx, y)) --y;
  FDot.top = y + 1;
  y = FDot.top + 1;
  while (black(cx, y)) ++y;
  FDot.bottom = y;
  int32_t x = x0 + w / 2 - 2;
  while (black(x, cy)) --x;
  FDot.left = x + 1;
  x = FDot.left + 1;
  while (black(x, cy)) ++x;
  FDot.right = x;
  OffsetRect(&FDot, -x0, -y0);
}

void TcxRadioButtonImageList::MakePattern() {
  const int32_t W = FWidth, H = FHeight;
  FPattern.assign(H, std::vector<uint8_t>(W, 0));
  auto below = [&](int32_t x, int32_t y) { return (H - 1) * (W - 1 - x) < y * (W - 1); };

  std::unique_ptr<TBitmap> b(NewBitmap(W, H, clWhite));
  b->Canvas()->Pen()->SetColor(clBlack);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->RoundRect(0, 0, W, H, W - 1, H - 1);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if (IsBlack(b.get(), x, y)) FPattern[y][x] = below(x, y) ? 2 : 1;

  for (int32_t y = 1; y <= H - 2; ++y) {
    for (int32_t x = W / 2 - 1; x >= 0 && FPattern[y][x] == 0; --x) FPattern[y][x] = 5;
    for (int32_t x = W / 2; x < W && FPattern[y][x] == 0; ++x) FPattern[y][x] = 5;
  }

  std::vector<std::vector<bool>> marked(H, std::vector<bool>(W, false));
  auto isRing = [&](int32_t x, int32_t y) { return FPattern[y][x] == 1 || FPattern[y][x] == 2; };
  for (int32_t y = 1; y <= H - 2; ++y) {
    const bool edgeRow = y == 1 || y == H - 2;
    for (int32_t dir : {-1, 1}) {
      int32_t x = dir < 0 ? W / 2 - 1 : W / 2;
      int32_t last = -1;
      for (; x >= 0 && x < W && !isRing(x, y); x += dir) {
        if (edgeRow) marked[y][x] = true;
        last = x;
      }
      if (last >= 0) marked[y][last] = true;
    }
  }
  for (int32_t x = 1; x <= W - 2; ++x) {
    const bool edgeColumn = x == 1 || x == W - 2;
    for (int32_t dir : {-1, 1}) {
      int32_t y = dir < 0 ? H / 2 - 1 : H / 2;
      int32_t last = -1;
      for (; y >= 0 && y < H && !isRing(x, y); y += dir) {
        if (edgeColumn) marked[y][x] = true;
        last = y;
      }
      if (last >= 0) marked[last][x] = true;
    }
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      if (!marked[y][x]) continue;
      const int32_t lhs = (H - 1) * (W - 1 - x), rhs = y * (W - 1);
      if (lhs < rhs)
        FPattern[y][x] = 4;
      else if (lhs > rhs)
        FPattern[y][x] = 3;
      else
        FPattern[y][x] = x > W / 2 - 1 ? 4 : 3;
    }

  std::unique_ptr<TBitmap> dot(NewBitmap(W, H, clWhite));
  dot->Canvas()->Pen()->SetColor(clBlack);
  dot->Canvas()->Brush()->SetColor(clBlack);
  dot->Canvas()->RoundRect(FDot.left, FDot.top, FDot.right, FDot.bottom, FDot.right - FDot.left - 1,
                           FDot.bottom - FDot.top - 1);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if (IsBlack(dot.get(), x, y)) FPattern[y][x] = 6;

  FMask = NewBitmap(W, H, clWhite);
  FMask->Canvas()->Pen()->SetColor(clBlack);
  FMask->Canvas()->Brush()->SetColor(clBlack);
  FMask->Canvas()->RoundRect(0, 0, W, H, W - 1, H - 1);
}

void TcxRadioButtonImageList::BuildImages() {
  if (FList->Count() > 0) return;
  FIndexMap.clear();
  std::unique_ptr<TBitmap> image(NewBitmap(FWidth, FHeight, clBlack));
  for (int32_t focused = 0; focused <= 1; ++focused)
    for (int32_t designing = 0; designing <= 1; ++designing)
      for (int32_t kind = 0; kind <= 3; ++kind)
        for (int32_t checked = 0; checked <= 1; ++checked)
          for (int32_t state = cxbsNormal; state <= cxbsDisabled; ++state) {
            const auto k = static_cast<TcxLookAndFeelKind>(kind);
            const auto s = static_cast<TcxButtonState>(state);
            TColor C[7];
            C[0] = clBlack;
            C[5] = RadioBodyColor(k, s);
            const bool lit = s == cxbsHot || s == cxbsPressed;
            switch (k) {
              case lfFlat:
                C[1] = clBtnShadow, C[2] = clBtnHighlight, C[3] = cl3DLight, C[4] = cl3DLight;
                break;
              case lfStandard:
                C[1] = clBtnShadow, C[2] = clBtnHighlight, C[3] = cl3DDkShadow, C[4] = cl3DLight;
                break;
              case lfUltraFlat: {
                const TColor rg =
                    (focused || lit || (designing && s != cxbsDisabled)) ? clHighlight : clBtnShadow;
                C[1] = C[2] = rg;
                C[3] = C[4] = C[5];
                break;
              }
              case lfOffice11: {
                TColor rg;
                if (s == cxbsDisabled)
                  rg = Office11Color53;
                else
                  rg = (focused || lit || designing) ? Office11Color42 : clBtnText;
                C[1] = C[2] = rg;
                C[3] = C[4] = C[5];
                break;
              }
            }
            if (checked)
              C[6] = s == cxbsDisabled ? (k == lfOffice11 ? Office11Color53 : clBtnShadow) : clBtnText;
            else
              C[6] = C[5];
            COLORREF rgb[7];
            for (int32_t i = 0; i < 7; ++i) rgb[i] = ColorToRGB(C[i]);
            for (int32_t y = 0; y < FHeight; ++y) {
              uint32_t* line = image->ScanLine(y);
              for (int32_t x = 0; x < FWidth; ++x) {
                const COLORREF c = rgb[FPattern[y][x]];
                line[x] = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
              }
            }
            image->SetModified(true);
            const int32_t position = FList->Add(image.get(), FMask);
            const int32_t index = (state - 1) + 4 * checked + 8 * kind + 32 * designing + 64 * focused;
            if (static_cast<int32_t>(FIndexMap.size()) <= index) FIndexMap.resize(index + 1, -1);
            FIndexMap[index] = position;
          }
}

void TcxRadioButtonImageList::Rebuild() {
  FList->Clear();
  BuildImages();
}

int32_t TcxRadioButtonImageList::ImageIndexOf(TcxLookAndFeelKind AKind, TcxButtonState AState, bool AChecked,
                                              bool AFocused, bool AIsDesigning) const {
  // The default state has no picture of its own; it shows as normal.
  const int32_t state = AState == cxbsDefault ? cxbsNormal : AState;
  const int32_t index = (state - 1) + 4 * int32_t(AChecked) + 8 * int32_t(AKind) + 32 * int32_t(AIsDesigning) +
                        64 * int32_t(AFocused);
  if (index < 0 || index >= static_cast<int32_t>(FIndexMap.size())) return -1;
  return FIndexMap[index];
}

void TcxRadioButtonImageList::PaintImage(TcxCanvas* ACanvas, int32_t X, int32_t Y, TColor ABkColor,
                                         TcxLookAndFeelKind AKind, TcxButtonState AState, bool AChecked,
                                         bool AFocused, bool AIsDesigning) {
  const int32_t index = ImageIndexOf(AKind, AState, AChecked, AFocused, AIsDesigning);
  if (index < 0) return;
  if (ABkColor == clDefault) {
    FList->Draw(ACanvas->Canvas(), X, Y, index, true);
    return;
  }
  std::unique_ptr<TBitmap> square(NewBitmap(FWidth, FHeight, ABkColor));
  FList->Draw(square->Canvas(), 0, 0, index, true);
  ACanvas->Draw(X, Y, square.get());
}
