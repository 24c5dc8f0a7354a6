// Image lists, icons and cursors: masks, background colours, selection blends, the disabled look, overlays.

#include <gtest/gtest.h>

#include "GdiSupport.h"
#include "winapi/Windows.h"

using namespace gt;
using ImageList = GdiTest;

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A strip of two 4×4 images: image 0 red, image 1 blue; the top-left pixel of each is magenta.
HIMAGELIST MakeList() {
  Surface strip(8, 4, kRed);
  RECT right{4, 0, 8, 4};
  HBRUSH blue = CreateSolidBrush(kBlue);
  FillRect(strip.dc, &right, blue);
  DeleteObject(blue);
  SetPixel(strip.dc, 0, 0, kMagenta);
  SetPixel(strip.dc, 4, 0, kMagenta);
  HIMAGELIST il = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 2, 2);
  SelectObject(strip.dc, strip.old);  // a bitmap is added while no DC holds it
  EXPECT_EQ(ImageList_AddMasked(il, strip.bmp, kMagenta), 0);
  strip.old = SelectObject(strip.dc, strip.bmp);
  return il;
}

COLORREF Mix(COLORREF a, COLORREF b, unsigned w) {
  auto m = [&](BYTE x, BYTE y) { return static_cast<BYTE>((x * (256 - w) + y * w) >> 8); };
  return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)), m(GetBValue(a), GetBValue(b)));
}

}  // namespace

TEST_F(ImageList, MaskedImagesAndBackgroundColours) {
  HIMAGELIST il = MakeList();
  EXPECT_EQ(ImageList_GetImageCount(il), 2);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(il, &cx, &cy);
  EXPECT_EQ(cx, 4);
  Surface s(4, 4, kGreen);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(s.At(0, 0), kGreen);  // no background colour: the mask shows the screen
  EXPECT_EQ(s.At(1, 0), kRed);
  ImageList_SetBkColor(il, kBlue);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(s.At(0, 0), kBlue);
  s.Fill(kGreen);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(s.At(0, 0), kGreen);
  // The mask itself, in the DC's colours: opaque pixels in the text colour, transparent in the background.
  ImageList_Draw(il, 1, s.dc, 0, 0, ILD_MASK);
  EXPECT_EQ(s.At(0, 0), kWhiteC);
  EXPECT_EQ(s.At(2, 2), kBlack);
  // DrawEx with a size draws part of the image.
  s.Fill(kGreen);
  ImageList_DrawEx(il, 1, s.dc, 0, 0, 2, 2, CLR_NONE, CLR_NONE, ILD_NORMAL);
  EXPECT_EQ(s.At(1, 1), kBlue);
  EXPECT_EQ(s.At(2, 2), kGreen);
  EXPECT_FALSE(ImageList_Draw(il, 2, s.dc, 0, 0, ILD_NORMAL));
  ImageList_Destroy(il);
}

TEST_F(ImageList, SelectedFocusedAndDisabledLooks) {
  HIMAGELIST il = MakeList();
  Surface s(4, 4, kGreen);
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  struct Case {
    UINT style;
    DWORD state;
    COLORREF expect;
  } cases[] = {
      {ILD_NORMAL, ILS_NORMAL, kRed},
      {ILD_SELECTED, ILS_NORMAL, Mix(kRed, hl, 128)},
      {ILD_FOCUS, ILS_NORMAL, Mix(kRed, hl, 64)},
      {ILD_NORMAL, ILS_SATURATE, RGB(76, 76, 76)},  // disabled: the grey of the image's brightness
  };
  for (const Case& c : cases) {
    IMAGELISTDRAWPARAMS p{};
    p.cbSize = sizeof p;
    p.himl = il;
    p.i = 0;
    p.hdcDst = s.dc;
    p.rgbBk = CLR_NONE;
    p.rgbFg = CLR_DEFAULT;
    p.fStyle = c.style;
    p.fState = c.state;
    s.Fill(kGreen);
    EXPECT_TRUE(ImageList_DrawIndirect(&p));
    EXPECT_EQ(s.At(2, 2), c.expect) << c.style << "/" << c.state;
    EXPECT_EQ(s.At(0, 0), kGreen);  // the transparent pixel stays transparent in every look
  }
  ImageList_Destroy(il);
}

TEST_F(ImageList, OverlaysAndEditing) {
  HIMAGELIST il = MakeList();
  // A 4×4 overlay that covers only the bottom-right pixel.
  Surface ov(4, 4, kMagenta);
  SetPixel(ov.dc, 3, 3, kGreen);
  SelectObject(ov.dc, ov.old);
  EXPECT_EQ(ImageList_AddMasked(il, ov.bmp, kMagenta), 2);
  ov.old = SelectObject(ov.dc, ov.bmp);
  EXPECT_TRUE(ImageList_SetOverlayImage(il, 2, 1));
  Surface s(4, 4, kWhiteC);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1));
  EXPECT_EQ(s.At(3, 3), kGreen);
  EXPECT_EQ(s.At(2, 2), kRed);
  // Removing an image shifts the later ones; the overlay follows its image.
  EXPECT_TRUE(ImageList_Remove(il, 0));
  EXPECT_EQ(ImageList_GetImageCount(il), 2);
  s.Fill(kWhiteC);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(1));
  EXPECT_EQ(s.At(2, 2), kBlue);
  EXPECT_EQ(s.At(3, 3), kGreen);
  EXPECT_TRUE(ImageList_SetImageCount(il, 5));
  EXPECT_EQ(ImageList_GetImageCount(il), 5);
  EXPECT_TRUE(ImageList_SetIconSize(il, 8, 8));
  EXPECT_EQ(ImageList_GetImageCount(il), 0);
  ImageList_Destroy(il);
}

TEST_F(ImageList, IconsRoundTripThroughTheList) {
  // A 4×4 icon: red, with a transparent left column whose image is black.
  HBITMAP mask = CreateBitmap(4, 4, 1, 1, nullptr);
  HBITMAP color = CreateBitmap(4, 4, 1, 32, nullptr);
  uint32_t img[16];
  for (int i = 0; i < 16; ++i) img[i] = (i % 4 == 0) ? 0 : 0x00FF0000;
  SetBitmapBits(color, sizeof img, img);
  WORD maskRows[4] = {0x0080, 0x0080, 0x0080, 0x0080};  // x = 0 transparent
  SetBitmapBits(mask, sizeof maskRows, maskRows);
  ICONINFO ii{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  Surface s(4, 4, kGreen);
  // (screen AND mask) XOR image: the transparent column keeps the screen.
  EXPECT_TRUE(DrawIconEx(s.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(s.At(0, 1), kGreen);
  EXPECT_EQ(s.At(1, 1), kRed);
  ICONINFO back{};
  ASSERT_TRUE(GetIconInfo(icon, &back));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, back.hbmMask);
  EXPECT_EQ(GetPixel(dc, 0, 0), kWhiteC);
  EXPECT_EQ(GetPixel(dc, 1, 0), kBlack);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(back.hbmMask);
  DeleteObject(back.hbmColor);

  HIMAGELIST il = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 1);
  EXPECT_EQ(ImageList_AddIcon(il, icon), 0);
  s.Fill(kGreen);
  ImageList_Draw(il, 0, s.dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(s.At(0, 2), kGreen);
  EXPECT_EQ(s.At(3, 2), kRed);
  HICON out = ImageList_GetIcon(il, 0, ILD_NORMAL);
  s.Fill(kBlue);
  DrawIcon(s.dc, 0, 0, out);
  EXPECT_EQ(s.At(0, 3), kBlue);
  EXPECT_EQ(s.At(2, 3), kRed);
  DestroyIcon(out);
  ImageList_Destroy(il);
  DestroyIcon(icon);
  DeleteObject(mask);
  DeleteObject(color);
}

TEST_F(ImageList, StockPicturesOfIconsAndCursors) {
  int w = 0, h = 0;
  POINT hot{-1, -1};
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  ASSERT_TRUE(winapi::GetCursorImage(arrow, &w, &h, &hot, nullptr));
  EXPECT_EQ(w, 32);
  EXPECT_EQ(hot.x, 0);
  EXPECT_EQ(hot.y, 0);
  std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
  winapi::GetCursorImage(arrow, &w, &h, &hot, argb.data());
  EXPECT_EQ(argb[0], 0xFF000000u);  // the tip is opaque black
  EXPECT_EQ(argb[31], 0u);          // the far corner is clear
  for (LPCSTR id : {IDC_IBEAM, IDC_HAND, IDC_WAIT, IDC_SIZEWE, IDC_SIZENS, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEALL}) {
    winapi::GetCursorImage(LoadCursor(nullptr, id), &w, &h, &hot, argb.data());
    int ink = 0;
    for (uint32_t p : argb) ink += p == 0xFF000000u;
    EXPECT_GT(ink, 10) << reinterpret_cast<uintptr_t>(id);
    EXPECT_TRUE(hot.x >= 0 && hot.x < 32 && hot.y >= 0 && hot.y < 32);
  }
  Surface s(32, 32, kWhiteC);
  EXPECT_TRUE(DrawIcon(s.dc, 0, 0, LoadIcon(nullptr, IDI_ERROR)));
  EXPECT_EQ(s.At(10, 16), RGB(204, 0, 0));
  EXPECT_EQ(s.At(0, 0), kWhiteC);
}

TEST_F(ImageList, RadioButtonMeasuredFromTheCheckBoxSheet) {
  HBITMAP sheet = LoadBitmap(nullptr, MAKEINTRESOURCE(OBM_CHECKBOXES));
  ASSERT_NE(sheet, nullptr);
  BITMAP bm{};
  GetObject(sheet, sizeof bm, &bm);
  int cw = bm.bmWidth / 4, ch = bm.bmHeight / 3;
  DeleteObject(sheet);
  Surface cell(cw, ch, kBlack);
  RECT r{0, 0, cw, ch};
  DrawFrameControl(cell.dc, &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_CHECKED | DFCS_FLAT);
  int cols = 0;
  for (int x = 0; x < cw; ++x) cols += cell.Col(x, kBlack).find('#') != std::string::npos;
  EXPECT_GT(cols, 8);
  EXPECT_EQ(cell.At(0, 0), kWhiteC);  // outside the circle
  cell.Fill(kBlack);
  DrawFrameControl(cell.dc, &r, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
  EXPECT_EQ(cell.At(cw / 2, ch / 2), kBlack);  // the dot
  EXPECT_NE(cell.At(cw / 2, 2), kBlack);       // the body around it
}
