// The drawing routines of the bar unit: size grips, the frame of sizeable drop-down windows, arrows,
// gradients, tiled backgrounds and glyphs.

#include <algorithm>
#include <vector>

#include "forms/Graphics.h"
#include "forms/ImgList.h"
#include "ui/bars/dxBarCommon.h"
#include "ui/base/dxOffice11.h"
#include "ui/base/dxThemeManager.h"
#include "winapi/WinGdi.h"

namespace {

// Pixels of a 32-bit bitmap as 0x00RRGGBB.
uint32_t PixelOf(COLORREF c) {
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}
uint8_t Red(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
uint8_t Green(uint32_t p) { return static_cast<uint8_t>(p >> 8); }
uint8_t Blue(uint32_t p) { return static_cast<uint8_t>(p); }
uint32_t Pack(int r, int g, int b) {
  auto clamp = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return (clamp(r) << 16) | (clamp(g) << 8) | clamp(b);
}

RECT SizeGripCell(const RECT& Rect, int32_t Corner, int32_t AExtra) {
  const int w = GetSystemMetrics(SM_CXVSCROLL) + AExtra, h = GetSystemMetrics(SM_CYHSCROLL) + AExtra;
  const bool right = Corner == 1 || Corner == 3, bottom = Corner == 2 || Corner == 3;
  RECT r;
  r.left = right ? Rect.right - w : Rect.left;
  r.right = r.left + w;
  r.top = bottom ? Rect.bottom - h : Rect.top;
  r.bottom = r.top + h;
  return r;
}

// Copies a picture drawn for the bottom-right corner so that it points into Corner.
void BlitMirrored(HDC DC, const RECT& R, HDC ASource, int32_t Corner) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  const bool mirrorX = Corner == 0 || Corner == 2, mirrorY = Corner == 0 || Corner == 1;
  StretchBlt(DC, mirrorX ? R.right - 1 : R.left, mirrorY ? R.bottom - 1 : R.top, mirrorX ? -w : w, mirrorY ? -h : h,
             ASource, 0, 0, w, h, SRCCOPY);
}

}  // namespace

// ---- size grips --------------------------------------------------------------------------------------------------

int32_t GetDropDownGripHeight() {
  return std::max(GetSystemMetrics(SM_CYHSCROLL) + 2, GetSystemMetrics(SM_CYSIZE)) + 1;
}

int32_t GetSizeGripCorner(const RECT& R1, const RECT& R2) {
  const bool right = R1.left < R2.right, bottom = R1.bottom < R2.bottom;
  if (right && bottom) return 3;
  if (right) return 1;
  if (bottom) return 2;
  return 0;
}

void DrawSizeGrip(HDC DC, RECT& Rect, int32_t Corner) {
  Rect = SizeGripCell(Rect, Corner, 0);
  const bool right = Corner == 1 || Corner == 3, bottom = Corner == 2 || Corner == 3;
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  RECT strip = Rect;
  // The two-pixel strips along the cell's outer edges keep the grip off the window's border.
  if (right) strip.left = strip.right - 2; else strip.right = strip.left + 2;
  FillRect(DC, &strip, face);
  strip = Rect;
  if (bottom) strip.top = strip.bottom - 2; else strip.bottom = strip.top + 2;
  FillRect(DC, &strip, face);
  RECT rest = Rect;
  if (right) rest.right -= 2; else rest.left += 2;
  if (bottom) rest.bottom -= 2; else rest.top += 2;
  const int w = rest.right - rest.left, h = rest.bottom - rest.top;
  if (w <= 0 || h <= 0) return;
  TBitmap picture;
  picture.SetSize(w, h);
  RECT r{0, 0, w, h};
  DrawFrameControl(picture.Canvas()->Handle(), &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  BlitMirrored(DC, rest, picture.Canvas()->Handle(), Corner);
}

void DrawThemedSizeGrip(HDC DC, const RECT& Rect, int32_t Corner) {
  RECT cell = SizeGripCell(Rect, Corner, 1);
  FillRect(DC, &cell, GetSysColorBrush(COLOR_BTNFACE));
  HTHEME theme = OpenTheme(totScrollBar);
  if (!theme) return;
  const int w = cell.right - cell.left, h = cell.bottom - cell.top;
  TBitmap picture;
  picture.SetSize(w, h);
  RECT r{0, 0, w, h};
  FillRect(picture.Canvas()->Handle(), &r, GetSysColorBrush(COLOR_BTNFACE));
  SIZE part{0, 0};
  GetThemePartSize(theme, picture.Canvas()->Handle(), SBP_SIZEBOX, SZB_RIGHTALIGN, nullptr, TS_TRUE, &part);
  RECT box{w - part.cx - 2, h - part.cy - 2, w, h};
  DrawThemeBackground(theme, picture.Canvas()->Handle(), SBP_SIZEBOX, SZB_RIGHTALIGN, &box, nullptr);
  BlitMirrored(DC, cell, picture.Canvas()->Handle(), Corner);
}

void DrawTransparentSizeGrip(HDC DC, const RECT& Rect) {
  const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  if (w <= 0 || h <= 0) return;
  TBitmap picture;
  picture.SetSize(w, h);
  RECT r{0, 0, w, h};
  DrawFrameControl(picture.Canvas()->Handle(), &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  // The button-face pixels stay what lies below: only the grip's lines are copied.
  const uint32_t face = PixelOf(GetSysColor(COLOR_BTNFACE));
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = picture.ScanLine(y);
    for (int x = 0; x < w; ++x)
      if ((row[x] & 0xFFFFFF) != face)
        SetPixel(DC, Rect.left + x, Rect.top + y, RGB(Red(row[x]), Green(row[x]), Blue(row[x])));
  }
}

// ---- the frame of sizeable drop-down windows --------------------------------------------------------------------

RECT DrawDropDownCloseButton(HDC DC, const RECT& StripRect, bool Hot, int32_t Corner, bool Flat, bool Pressed) {
  const int size = GetSystemMetrics(SM_CXSIZE);
  RECT r;
  const bool left = Corner == 1 || Corner == 3;
  r.left = left ? StripRect.left : StripRect.right - size;
  r.right = r.left + size;
  r.top = StripRect.top + (StripRect.bottom - StripRect.top - (size + 1)) / 2;
  if (Corner == 2 || Corner == 3) ++r.top;
  r.bottom = r.top + size + 1;
  InflateRect(&r, -1, -2);
  const RECT result = r;
  if (Hot && !Flat)
    DrawEdge(DC, &r, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  else
    FrameRect(DC, &r, GetSysColorBrush(COLOR_BTNFACE));
  InflateRect(&r, -1, -1);
  FrameRect(DC, &r, GetSysColorBrush(COLOR_BTNFACE));
  InflateRect(&r, -1, -1);
  const int saved = SaveDC(DC);
  IntersectClipRect(DC, r.left, r.top, r.right, r.bottom);
  RECT glyph = r;
  if (size != 22) OffsetRect(&glyph, 0, 1);
  UINT state = DFCS_CAPTIONCLOSE | DFCS_FLAT;
  if (Pressed && !Flat) state |= DFCS_PUSHED;
  DrawFrameControl(DC, &glyph, DFC_CAPTION, state);
  RestoreDC(DC, saved);
  return result;
}

void DrawThemedSmallCloseButton(HDC DC, const RECT& Rect, bool Hot, int32_t Corner, bool Pressed) {
  FillRect(DC, &Rect, GetSysColorBrush(COLOR_BTNFACE));
  HTHEME theme = OpenTheme(totWindow);
  if (!theme) return;
  SIZE size{0, 0};
  const int state = Pressed ? CBS_PUSHED : Hot ? CBS_HOT : CBS_NORMAL;
  GetThemePartSize(theme, DC, WP_SMALLCLOSEBUTTON, state, nullptr, TS_TRUE, &size);
  RECT r;
  const bool atLeft = Corner == 1 || Corner == 3;
  r.left = atLeft ? Rect.left : Rect.right - size.cx;
  r.right = r.left + size.cx;
  r.top = Rect.top + (Rect.bottom - Rect.top - size.cy) / 2;
  r.bottom = r.top + size.cy;
  DrawThemeBackground(theme, DC, WP_SMALLCLOSEBUTTON, state, &r, nullptr);
}

void PaintDropDownNonClient(HWND Window, bool Sizeable, bool Flat, int32_t Corner, RECT& GripRect,
                            RECT& CloseRect, bool Hot, bool Pressed) {
  GripRect = RECT{0, 0, 0, 0};
  CloseRect = RECT{0, 0, 0, 0};
  HDC dc = GetWindowDC(Window);
  RECT wr;
  GetWindowRect(Window, &wr);
  OffsetRect(&wr, -wr.left, -wr.top);
  HBRUSH frame = GetSysColorBrush(Flat ? COLOR_BTNSHADOW : COLOR_WINDOWFRAME);
  FrameRect(dc, &wr, frame);
  if (Sizeable) {
    // Window coordinates to client coordinates: the client area starts inside the one-pixel frame, below
    // a top strip.
    RECT inside = wr;
    InflateRect(&inside, -1, -1);
    const int stripHeight = GetDropDownGripHeight();
    const bool top = Corner == 0 || Corner == 1;
    RECT strip = inside;
    RECT line;
    if (top) {
      strip.bottom = strip.top + stripHeight;
      line = RECT{strip.left, strip.bottom - 1, strip.right, strip.bottom};
      strip.bottom -= 1;
    } else {
      strip.top = strip.bottom - stripHeight;
      line = RECT{strip.left, strip.top, strip.right, strip.top + 1};
      strip.top += 1;
    }
    FillRect(dc, &line, frame);
    POINT origin{0, 0};
    ClientToScreen(Window, &origin);
    RECT screen;
    GetWindowRect(Window, &screen);
    const int dx = screen.left - origin.x, dy = screen.top - origin.y;  // window to client coordinates

    RECT grip = strip;
    DrawSizeGrip(dc, grip, Corner);
    ExcludeClipRect(dc, grip.left, grip.top, grip.right, grip.bottom);
    GripRect = grip;
    InflateRect(&GripRect, 2, 2);
    IntersectRect(&GripRect, &GripRect, &strip);
    OffsetRect(&GripRect, dx, dy);

    CloseRect = DrawDropDownCloseButton(dc, strip, Hot || Pressed, Corner, Flat, Hot && Pressed);
    ExcludeClipRect(dc, CloseRect.left, CloseRect.top, CloseRect.right, CloseRect.bottom);
    OffsetRect(&CloseRect, dx, dy);

    FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
    const LONG style = GetWindowLong(Window, GWL_STYLE);
    if (!top && (style & WS_VSCROLL) && (style & WS_HSCROLL)) {
      RECT box{strip.right - GetSystemMetrics(SM_CXVSCROLL), line.top - GetSystemMetrics(SM_CYHSCROLL), strip.right,
               line.top};
      FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  ReleaseDC(Window, dc);
}

// ---- arrows, frames, gradients -----------------------------------------------------------------------------------

void DrawArrow(HDC DC, const RECT& Rect, bool Horizontal, bool Flat, bool Selected, bool Enabled) {
  const int extent = Horizontal ? Rect.right - Rect.left : Rect.bottom - Rect.top + 2;
  int k = extent - 8;
  k = k > 0 ? (k + 1) / 2 : k / 2;
  if (k < 3) k = 3;
  int colour;
  if (!Enabled)
    colour = COLOR_BTNSHADOW;
  else if (Selected)
    colour = IsWhiteBtnFace() ? COLOR_BTNFACE : COLOR_HIGHLIGHTTEXT;
  else
    colour = COLOR_BTNTEXT;
  POINT pts[3];
  const int cx = (Rect.left + Rect.right) / 2, cy = (Rect.top + Rect.bottom) / 2;
  if (Horizontal) {
    // Pointing right: a base of 2k - 1 pixels down the left side, the tip k - 1 pixels to the right.
    const int left = cx - k / 2, top = cy - (k - 1);
    pts[0] = POINT{left, top};
    pts[1] = POINT{left + k - 1, top + k - 1};
    pts[2] = POINT{left, top + 2 * (k - 1)};
  } else {
    const int left = cx - (k - 1), top = cy - k / 2;
    pts[0] = POINT{left, top};
    pts[1] = POINT{left + 2 * (k - 1), top};
    pts[2] = POINT{left + k - 1, top + k - 1};
  }
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(colour));
  HGDIOBJ oldPen = SelectObject(DC, pen);
  HGDIOBJ oldBrush = SelectObject(DC, GetSysColorBrush(colour));
  Polygon(DC, pts, 3);
  if (!Enabled && !Flat) {
    // The emboss: two highlight lines along the lower edge, one pixel off.
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    SelectObject(DC, light);
    if (Horizontal) {
      MoveToEx(DC, pts[1].x + 1, pts[1].y, nullptr);
      LineTo(DC, pts[2].x, pts[2].y + 1);
      MoveToEx(DC, pts[1].x, pts[1].y + 1, nullptr);
      LineTo(DC, pts[2].x + 1, pts[2].y + 1);
    } else {
      MoveToEx(DC, pts[2].x + 1, pts[2].y, nullptr);
      LineTo(DC, pts[1].x + 1, pts[1].y);
      MoveToEx(DC, pts[2].x, pts[2].y + 1, nullptr);
      LineTo(DC, pts[1].x + 2, pts[1].y - 1);
    }
    SelectObject(DC, pen);
    DeleteObject(light);
  }
  SelectObject(DC, oldBrush);
  SelectObject(DC, oldPen);
  DeleteObject(pen);
}

void DrawHighlightFrame(HDC DC, const RECT& Rect) { FrameRect(DC, &Rect, GetSysColorBrush(COLOR_HIGHLIGHT)); }

void FillGradientBands(TCanvas* Canvas, const RECT& Rect, TColor Color1, TColor Color2) {
  const COLORREF c1 = ColorToRGB(Color1), c2 = ColorToRGB(Color2);
  const int h = Rect.bottom - Rect.top;
  HDC dc = Canvas->Handle();
  int top = Rect.top;
  for (int n = 0; n < 256; ++n) {
    const int bottom = Rect.top + h * (n + 1) / 256;
    if (bottom <= top) continue;
    auto channel = [n](int a, int b) { return a + (b - a) * n / 255; };
    HBRUSH brush = CreateSolidBrush(RGB(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
                                        channel(GetBValue(c1), GetBValue(c2))));
    RECT band{Rect.left, top, Rect.right, bottom};
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    top = bottom;
  }
}

void FillRectOrBitmap(HDC DC, const RECT& Rect, const RECT& OriginRect, TBitmap* Bitmap, TColor Color,
                      HBRUSH Brush) {
  if (Rect.right <= Rect.left || Rect.bottom <= Rect.top) return;
  if (Bitmap && !Bitmap->Empty()) {
    const int w = Bitmap->Width(), h = Bitmap->Height();
    bool hadRegion = false;
    HRGN saved = SaveCurrentClipRegion(DC, hadRegion);
    AddClipRect(DC, Rect);
    // Tiles lie on the grid of the origin rectangle's coordinates, so that neighbouring areas that share an
    // origin (a bar and the dock it sits in) continue each other's picture.
    const int firstI = (OriginRect.left >= 0 ? OriginRect.left / w : -((-OriginRect.left + w - 1) / w));
    const int firstJ = (OriginRect.top >= 0 ? OriginRect.top / h : -((-OriginRect.top + h - 1) / h));
    const int width = Rect.right - Rect.left, height = Rect.bottom - Rect.top;
    HDC src = Bitmap->Canvas()->Handle();
    for (int j = firstJ; j * h < OriginRect.top + height; ++j)
      for (int i = firstI; i * w < OriginRect.left + width; ++i)
        BitBlt(DC, Rect.left + i * w - OriginRect.left, Rect.top + j * h - OriginRect.top, w, h, src, 0, 0, SRCCOPY);
    RestoreSavedClipRegion(DC, saved, hadRegion);
    return;
  }
  if (Brush) {
    FillRect(DC, &Rect, Brush);
    return;
  }
  HBRUSH brush = CreateSolidBrush(ColorToRGB(Color));
  FillRect(DC, &Rect, brush);
  DeleteObject(brush);
}

// ---- glyphs ----------------------------------------------------------------------------------------------------------

namespace {

// The glyph as a bitmap of its own size, with the mask of its transparent pixels.
struct TGlyphImage {
  TBitmap Picture;
  std::vector<bool> Opaque;
  int W = 0, H = 0;
};

void LoadGlyph(const TdxBarGlyphParams& P, TGlyphImage& G, COLORREF ABackground) {
  if (P.Bitmap && !P.Bitmap->Empty()) {
    G.W = P.Bitmap->Width();
    G.H = P.Bitmap->Height();
    G.Picture.Assign(P.Bitmap);
  } else {
    G.W = P.ImageList->Width();
    G.H = P.ImageList->Height();
    G.Picture.SetSize(G.W, G.H);
    RECT r{0, 0, G.W, G.H};
    HBRUSH fill = CreateSolidBrush(ABackground);
    FillRect(G.Picture.Canvas()->Handle(), &r, fill);
    DeleteObject(fill);
    P.ImageList->Draw(G.Picture.Canvas(), 0, 0, P.ImageIndex, true);
  }
  // The transparent colour is the glyph's bottom-left pixel.
  const uint32_t transparent = G.Picture.ScanLine(G.H - 1)[0] & 0xFFFFFF;
  G.Opaque.assign(static_cast<size_t>(G.W) * G.H, false);
  for (int y = 0; y < G.H; ++y) {
    const uint32_t* row = G.Picture.ScanLine(y);
    for (int x = 0; x < G.W; ++x) G.Opaque[static_cast<size_t>(y) * G.W + x] = (row[x] & 0xFFFFFF) != transparent;
  }
}

// Calls f(destX, destY, glyphX, glyphY) for every pixel of the glyph stretched into R, moved by (dx, dy).
template <class F>
void ForStretched(const TGlyphImage& G, const RECT& R, int dx, int dy, F f) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0 || G.W <= 0 || G.H <= 0) return;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int gx = x * G.W / w, gy = y * G.H / h;
      if (G.Opaque[static_cast<size_t>(gy) * G.W + gx]) f(R.left + x + dx, R.top + y + dy, gx, gy);
    }
}

}  // namespace

void DrawBarGlyph(HDC DC, const TdxBarGlyphParams& P) {
  const bool hasTint = P.TintColor != clNone;
  const COLORREF tint = hasTint ? ColorToRGB(P.TintColor) : 0;
  const bool hasBitmap = P.Bitmap && !P.Bitmap->Empty();
  if (!hasBitmap && !P.ImageList) return;
  const int pw = P.PaintRect.right - P.PaintRect.left, ph = P.PaintRect.bottom - P.PaintRect.top;
  if (pw <= 0 || ph <= 0) return;

  TBitmap work;
  work.SetSize(pw, ph);
  HDC wdc = work.Canvas()->Handle();
  RECT all{0, 0, pw, ph};
  if (P.KeepBackground)
    BitBlt(wdc, 0, 0, pw, ph, DC, P.PaintRect.left, P.PaintRect.top, SRCCOPY);
  else if (P.BackgroundBrush)
    FillRect(wdc, &all, P.BackgroundBrush);
  RECT glyphRect = P.GlyphRect;
  OffsetRect(&glyphRect, -P.PaintRect.left, -P.PaintRect.top);
  auto put = [&](int x, int y, uint32_t pixel) {
    if (x >= 0 && y >= 0 && x < pw && y < ph) work.ScanLine(y)[x] = pixel;
  };

  TGlyphImage g;
  if (hasTint || P.Enabled) {
    LoadGlyph(P, g, ColorToRGB(P.ImageListBkColor));
    for (int y = 0; y < g.H; ++y) {
      uint32_t* row = g.Picture.ScanLine(y);
      for (int x = 0; x < g.W; ++x) {
        uint32_t c = row[x];
        if (hasTint && !P.Enabled) {
          const int grey = (Red(c) * 77 + Green(c) * 151 + Blue(c) * 28) / 256;
          c = Pack(GetRValue(tint) * 3 / 4 + grey / 4, GetGValue(tint) * 3 / 4 + grey / 4,
                   GetBValue(tint) * 3 / 4 + grey / 4);
        } else if (P.Grayscale) {
          const int avg = (Red(c) + Green(c) + Blue(c)) / 3;
          c = Pack(avg, avg, avg);
        }
        if ((P.Enabled || !hasTint) && P.Faded && !P.Hot && !P.Down && !P.Grayscale && ScreenColorDepth() > 8)
          c = Pack(Red(c) + (255 - Red(c)) * 3 / 10, Green(c) + (255 - Green(c)) * 3 / 10,
                   Blue(c) + (255 - Blue(c)) * 3 / 10);
        row[x] = c;
      }
    }
    int shift = 0;
    if (P.Faded && P.ShadowStyle && P.Hot && !P.PressedOffset) {
      // The glyph lifts up and left; its shadow stays where it was.
      shift = -1;
      const uint32_t shadow = PixelOf(GetSysColor(COLOR_BTNSHADOW));
      ForStretched(g, glyphRect, 0, 0, [&](int x, int y, int, int) { put(x, y, shadow); });
    }
    ForStretched(g, glyphRect, shift, shift, [&](int x, int y, int gx, int gy) {
      put(x, y, g.Picture.ScanLine(gy)[gx] & 0xFFFFFF);
    });
  } else {
    // Disabled without a tint: the glyph's shape embossed in highlight and shadow. An image list image is
    // drawn on white first, so its white pixels count as background.
    LoadGlyph(P, g, RGB(255, 255, 255));
    if (!hasBitmap) {
      for (int y = 0; y < g.H; ++y) {
        const uint32_t* row = g.Picture.ScanLine(y);
        for (int x = 0; x < g.W; ++x)
          g.Opaque[static_cast<size_t>(y) * g.W + x] = (row[x] & 0xFFFFFF) != 0xFFFFFF;
      }
    }
    if (!P.Faded) {
      const uint32_t light = PixelOf(GetSysColor(COLOR_BTNHIGHLIGHT));
      ForStretched(g, glyphRect, 1, 1, [&](int x, int y, int, int) { put(x, y, light); });
    }
    const uint32_t shadow = PixelOf(GetSysColor(COLOR_BTNSHADOW));
    ForStretched(g, glyphRect, 0, 0, [&](int x, int y, int, int) { put(x, y, shadow); });
  }
  BitBlt(DC, P.PaintRect.left, P.PaintRect.top, pw, ph, wdc, 0, 0, SRCCOPY);
}
