#pragma once
// Tool bars on a headless form in the flat style, with the classic system colours, and the helpers the
// tests of the bar windows share: bars of buttons, pixels, keys sent the way the keyboard hook sends them,
// and pictures for the artifacts folder.

#include <filesystem>
#include <string>
#include <vector>

#include "BarItemsSupport.h"
#include "forms/PngImage.h"
#include "ui/barcontrols/dxBarControls.h"
#include "ui/barcontrols/dxBarItemControls.h"
#include "ui/barcontrols/dxBarPainters.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace barcontrols_test {

inline uint32_t Rgb(COLORREF c) {
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}

class ToolbarTest : public baritems_test::BarItemsTest {
protected:
  void SetUp() override {
    BarItemsTest::SetUp();
    static const int kIndexes[] = {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_HIGHLIGHT,
                                   COLOR_WINDOW,  COLOR_BTNTEXT,   COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    static const COLORREF kColors[] = {RGB(212, 208, 200), RGB(128, 128, 128), RGB(255, 255, 255),
                                       RGB(10, 36, 106),   RGB(255, 255, 255), RGB(0, 0, 0),
                                       RGB(255, 255, 255), RGB(128, 128, 128)};
    SetSysColors(8, kIndexes, kColors);
    Form->SetBounds(20, 20, 640, 300);
    Manager = MakeManager();
    Manager->SetName("dxBarManager1");
    Manager->SetStyle(bmsFlat);
    Idle();
  }
  static void Idle() { headless::RunUntilIdle(); }

  // A button; checked buttons join AGroup.
  TdxBarButton* Button(const char* AName, const char* ACaption, int32_t AGroup = 0) {
    TdxBarButton* b = Make(AName, ACaption);
    if (AGroup) {
      b->SetButtonStyle(bsChecked);
      b->SetGroupIndex(AGroup);
    }
    return b;
  }
  // A button that shows a 16 x 16 glyph: its size on a tool bar is the manager's button size.
  TdxBarButton* GlyphButton(const char* AName, int32_t AGroup = 0) {
    TdxBarButton* b = Button(AName, AName, AGroup);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    RECT r{0, 0, 16, 16};
    FillRect(glyph.Canvas()->Handle(), &r, GetSysColorBrush(COLOR_BTNFACE));
    RECT inner{3, 3, 13, 13};
    FillRect(glyph.Canvas()->Handle(), &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
    b->SetGlyph(&glyph);
    return b;
  }
  std::vector<TdxBarItem*> GlyphButtons(int ACount) {
    std::vector<TdxBarItem*> items;
    for (int i = 0; i < ACount; ++i) items.push_back(GlyphButton(("bbG" + std::to_string(i)).c_str()));
    return items;
  }
  // The colour a brush paints (0x00RRGGBB).
  static uint32_t BrushColor(HBRUSH ABrush) {
    TBitmap b;
    b.SetSize(1, 1);
    RECT r{0, 0, 1, 1};
    FillRect(b.Canvas()->Handle(), &r, ABrush);
    return b.ScanLine(0)[0] & 0xFFFFFF;
  }
  // A floating bar of the items, laid out for a client width.
  TdxBar* FloatingBar(const char* ACaption, const std::vector<TdxBarItem*>& AItems, const std::vector<int>& AGroupStarts,
                      int32_t AClientWidth) {
    TdxBar* bar = Manager->Bars()->Add();
    bar->SetCaption(ACaption);
    for (size_t i = 0; i < AItems.size(); ++i) {
      const bool group = std::find(AGroupStarts.begin(), AGroupStarts.end(), int(i)) != AGroupStarts.end();
      bar->ItemLinks()->AddItem(AItems[i], group);
    }
    bar->SetFloatLeft(300);
    bar->SetFloatTop(200);
    bar->SetFloatClientWidth(AClientWidth);
    bar->SetDockingStyle(dsNone);
    bar->SetVisible(true);
    Idle();
    return bar;
  }
  // A bar with links to the items (a link whose index is in AGroupStarts begins a group), docked.
  TdxBar* Toolbar(const char* ACaption, const std::vector<TdxBarItem*>& AItems,
                  const std::vector<int>& AGroupStarts = {}, TdxBarDockingStyle AStyle = dsTop) {
    TdxBar* bar = Manager->Bars()->Add();
    bar->SetCaption(ACaption);
    for (size_t i = 0; i < AItems.size(); ++i) {
      const bool group = std::find(AGroupStarts.begin(), AGroupStarts.end(), int(i)) != AGroupStarts.end();
      bar->ItemLinks()->AddItem(AItems[i], group);
    }
    bar->SetDockingStyle(AStyle);
    bar->SetVisible(true);
    Idle();
    return bar;
  }
  static TdxBarControl* Window(TdxBar* ABar) { return dynamic_cast<TdxBarControl*>(ABar->GetControl()); }
  static TdxBarItemControl* Control(TdxBar* ABar, int AIndex) {
    return ABar->ItemLinks()->Items(AIndex)->Control();
  }
  static RECT ItemRect(TdxBar* ABar, int AIndex) { return ABar->ItemLinks()->Items(AIndex)->ItemRect(); }
  // The centre of a link's rectangle in screen coordinates.
  static POINT Centre(TdxBar* ABar, int AIndex) {
    const RECT r = ItemRect(ABar, AIndex);
    return Window(ABar)->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  static uint32_t Pixel(TdxBar* ABar, int X, int Y) { return headless::Pixel(Window(ABar)->Handle(), X, Y); }
  // A key down as the bar manager's keyboard hook hands it to the bar window in menu mode.
  static void Key(TdxBar* ABar, uint16_t AKey) {
    SendMessage(Window(ABar)->Handle(), WM_KEYDOWN, AKey, 0);
    Idle();
  }
  static std::string Artifact(const char* AName) {
    std::filesystem::create_directories(VORN_ARTIFACT_DIR);
    return std::string(VORN_ARTIFACT_DIR) + "/" + AName;
  }
  // A part of a window (window coordinates), enlarged, as a PNG in the artifacts folder.
  static void SaveZoomed(HWND AWindow, const RECT& R, int AZoom, const char* AName) {
    const int w = R.right - R.left, h = R.bottom - R.top;
    TBitmap big;
    big.SetSize(w * AZoom, h * AZoom);
    HDC dc = GetWindowDC(AWindow);
    StretchBlt(big.Canvas()->Handle(), 0, 0, w * AZoom, h * AZoom, dc, R.left, R.top, w, h, SRCCOPY);
    ReleaseDC(AWindow, dc);
    TPngImage png;
    png.Assign(&big);
    png.SaveToFile(Artifact(AName));
  }
  TdxBarManager* Manager = nullptr;
};

}  // namespace barcontrols_test
