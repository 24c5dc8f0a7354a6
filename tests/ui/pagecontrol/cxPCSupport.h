#pragma once
// Shared pieces of the page control tests: a headless form with the fixed system colours, and a small test
// style whose numbers are plain and known, so that the layout can be pinned by tables. A tab's length in
// the test style is the number its caption spells ("60"), or its text width + 12 for other captions; the
// style draws the page area in clBtnFace, the selected tab in clHighlight, other tabs in clWindow and the
// navigator buttons in clBtnShadow.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/pagecontrol/cxPC.h"
#include "ui/pagecontrol/cxPCPainters.h"
#include "winapi/Headless.h"

namespace pc_test {

// The colours every case starts from; each one distinct so that a wrong pick shows.
struct SysColor {
  int index;
  COLORREF color;
};
inline constexpr SysColor kSysColors[] = {
    {COLOR_BTNFACE, RGB(212, 208, 200)},   {COLOR_WINDOW, RGB(255, 255, 255)},
    {COLOR_HIGHLIGHT, RGB(10, 36, 106)},   {COLOR_BTNSHADOW, RGB(128, 128, 128)},
    {COLOR_BTNTEXT, RGB(0, 0, 0)},         {COLOR_BTNHIGHLIGHT, RGB(250, 250, 250)},
    {COLOR_GRAYTEXT, RGB(120, 120, 120)},  {COLOR_3DDKSHADOW, RGB(64, 64, 64)},
    {COLOR_3DLIGHT, RGB(230, 226, 220)},   {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
    {COLOR_WINDOWTEXT, RGB(0, 0, 0)},      {COLOR_HOTLIGHT, RGB(0, 0, 200)},
};

inline uint32_t Rgb(TColor c) {
  COLORREF v = ColorToRGB(c);
  return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | uint32_t(GetBValue(v));
}

// The style's numbers, changed by tests before a layout.
struct TestMetrics {
  int32_t TabHeight = 20;
  POINT Spacing{0, 0};
  POINT MinVisible{4, 4};
  int32_t MinTabWidth = 0;
  int32_t ArrowLength = 20;
  int32_t GoLength = 12;
  int32_t Thickness = 20;
  bool MultiSelect = false;
  bool ButtonLike = false;
  bool Native = false;
  bool DrawContent = false;  // tabs also get their image and caption (the painter base's drawing)
};
inline TestMetrics& Metrics() {
  static TestMetrics m;
  return m;
}

class TTestPainter : public TcxPCCustomPainter {
  RTL_CLASS(TTestPainter, TcxPCCustomPainter)
public:
  using TcxPCCustomPainter::TcxPCCustomPainter;
  static TcxPCStyleID GetStyleID() { return 101; }
  static String GetStyleName() { return "Test"; }
  static bool IsDefaultForLookAndFeel(TcxLookAndFeel*) { return true; }
  static bool AllowsMultiSelect() { return Metrics().MultiSelect; }
  static bool PressesTabsLikeButtons() { return Metrics().ButtonLike; }

  int32_t CalculateTabNormalWidth(TcxTab* ATab) override {
    if (Control()->TabWidth() > 0) return Control()->TabWidth();
    const String& c = ATab->DisplayCaption();
    char* end = nullptr;
    long v = std::strtol(c.c_str(), &end, 10);
    if (!c.empty() && end && *end == 0) return static_cast<int32_t>(v);
    return std::max(Canvas()->TextWidth(c) + 12, Metrics().MinTabWidth);
  }
  int32_t CalculateTabNormalHeight() override {
    ++LayoutCount;
    return Metrics().TabHeight;
  }
  int32_t GetMinTabNormalWidth() override { return Metrics().MinTabWidth; }
  void GetMinTabVisiblePart(POINT& P) override { P = Metrics().MinVisible; }
  void GetTabsSpacing(POINT& P) override { P = Metrics().Spacing; }
  bool IsNativePainting() override { return Metrics().Native; }

  int32_t ButtonLength(TcxPCNavigatorButton b) const {
    return b == nbGoDialog ? Metrics().GoLength : Metrics().ArrowLength;
  }
  void CalculateTabsAreaGeometry(TcxPCNavigatorButtons AButtons, TcxPCTabsAreaGeometry& G) override {
    TcxCustomTabControl* c = Control();
    G.TabsRect = RECT{0, 0, c->Width(), c->Height()};
    int32_t l = 0;
    for (int b = nbTopLeft; b <= nbGoDialog; ++b)
      if (AButtons.Contains(static_cast<TcxPCNavigatorButton>(b))) l += ButtonLength(static_cast<TcxPCNavigatorButton>(b));
    const bool vertical = c->IsVerticalStrip();
    const bool atEnd = vertical ? (c->NavigatorPosition() == npLeftBottom || c->NavigatorPosition() == npRightBottom)
                                : (c->NavigatorPosition() == npRightTop || c->NavigatorPosition() == npRightBottom);
    RECT area{};
    const int32_t t = Metrics().Thickness;
    if (vertical) {
      G.AvailableLength = c->Height() - l;
      if (atEnd) {
        G.TabsRect.bottom -= l;
        area.top = c->Height() - l;
      } else {
        G.TabsRect.top += l;
        area.top = 0;
      }
      area.bottom = area.top + l;
      area.left = c->TabPosition() == tpLeft ? 0 : c->Width() - t;
      area.right = area.left + t;
    } else {
      G.AvailableLength = c->Width() - l;
      if (atEnd) {
        G.TabsRect.right -= l;
        area.left = c->Width() - l;
      } else {
        G.TabsRect.left += l;
        area.left = 0;
      }
      area.right = area.left + l;
      area.top = c->TabPosition() == tpTop ? 0 : c->Height() - t;
      area.bottom = area.top + t;
    }
    G.RowsRect = G.TabsRect;
    G.AreaGap = Metrics().Spacing.y;
    Buttons.clear();
    int32_t pos = vertical ? area.top : area.left;
    for (int b = nbTopLeft; b <= nbGoDialog; ++b) {
      const auto k = static_cast<TcxPCNavigatorButton>(b);
      if (!AButtons.Contains(k)) continue;
      RECT r = area;
      if (vertical) {
        r.top = pos;
        r.bottom = pos + ButtonLength(k);
      } else {
        r.left = pos;
        r.right = pos + ButtonLength(k);
      }
      pos += ButtonLength(k);
      Buttons.push_back({k, r});
    }
  }
  bool GetNavigatorButtonAt(int32_t X, int32_t Y, TcxPCNavigatorButton& AButton) override {
    for (auto& b : Buttons)
      if (X >= b.second.left && X < b.second.right && Y >= b.second.top && Y < b.second.bottom) {
        AButton = b.first;
        return true;
      }
    return false;
  }
  void GetGoDialogButtonBounds(RECT& R) override {
    R = RECT{0, 0, 0, 0};
    for (auto& b : Buttons)
      if (b.first == nbGoDialog) R = b.second;
  }
  void GetPageFrameRect(RECT& R) override {
    TcxCustomTabControl* c = Control();
    R = RECT{0, 0, c->Width(), c->Height()};
    if (c->HideTabs() || c->RowCount() == 0) return;
    const RECT nearA = c->NearRowArea(), farA = c->FarRowArea();
    const bool vertical = c->IsVerticalStrip();
    if (c->NearRowCount() > 0) (vertical ? R.left : R.top) = vertical ? nearA.right : nearA.bottom;
    if (c->RowCount() > c->NearRowCount()) (vertical ? R.right : R.bottom) = vertical ? farA.left : farA.top;
  }
  void GetPageClientRect(RECT& R) override { GetPageFrameRect(R); }

  void DrawNavigatorButtons() override {
    for (auto& b : Buttons) {
      Canvas()->Brush()->SetColor(clBtnShadow);
      Canvas()->FillRect(b.second);
      Canvas()->ExcludeFromClip(b.second);
    }
  }
  void DrawPageFrame() override {
    RECT r;
    GetPageFrameRect(r);
    Canvas()->Brush()->SetColor(clBtnFace);
    Canvas()->FillRect(r);
    Canvas()->ExcludeFromClip(r);
  }
  void DrawTabs() override {
    TcxCustomTabControl* c = Control();
    for (int32_t vi = c->FirstDrawnTab(); vi <= c->LastDrawnTab(); ++vi) {
      RECT r = c->GetTabVisibleRect(vi);
      if (r.right <= r.left || !BeginClippedDraw(r, true)) continue;
      if (!DoCustomDraw(vi)) {
        TcxTab* tab = c->Tabs()->VisibleTabs(vi);
        Canvas()->Brush()->SetColor(tab->IsMainTab() ? clHighlight : clWindow);
        Canvas()->FillRect(r);
        DrawnTabs.push_back(vi);
        if (Metrics().DrawContent) {
          const TColor back = tab->IsMainTab() ? clHighlight : clWindow;
          SIZE image{0, 0};
          if (TabShowsImage(vi)) GetImageSize(image);
          RECT imageRect{r.left + 2, r.top + 2, r.left + 2 + image.cx, r.top + 2 + image.cy};
          RECT textRect{imageRect.right + 2, r.top + 2, r.right - 2, r.bottom - 2};
          if (c->IsVerticalText()) textRect = RECT{r.left + 2, imageRect.bottom + 2, r.right - 2, r.bottom - 2};
          SetCurrentTab(vi, imageRect, tab->Caption(), textRect);
          PrepareTabCanvasFont(vi);
          DrawTabImageAndText(back);
        }
      }
      RestoreClipRegion();
      Canvas()->ExcludeFromClip(r);
    }
  }
  void Paint() override {
    DrawnTabs.clear();
    TcxPCCustomPainter::Paint();
    Canvas()->Brush()->SetColor(Control()->Color());
    Canvas()->FillRect(RECT{0, 0, Control()->Width(), Control()->Height()});
    ++PaintCount;
  }
  void RepaintTab(int32_t VisibleIndex, TcxPCTabPropertyChanged AKind) override {
    Repaints.push_back({VisibleIndex, AKind});
    InvalidateTabRect(VisibleIndex);
  }
  void RepaintNavigatorButton(TcxPCNavigatorButton AButton, TcxPCNavigatorButtonState) override {
    for (auto& b : Buttons)
      if (b.first == AButton) InvalidateRect(b.second);
  }

  std::vector<std::pair<TcxPCNavigatorButton, RECT>> Buttons;
  std::vector<std::pair<int32_t, TcxPCTabPropertyChanged>> Repaints;
  std::vector<int32_t> DrawnTabs;
  int PaintCount = 0;
  int LayoutCount = 0;
};

inline TTestPainter* TestPainter(TcxCustomTabControl* c) { return dynamic_cast<TTestPainter*>(c->Painter()); }

class PCTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    for (const SysColor& c : kSysColors) SetSysColors(1, &c.index, &c.color);
    Metrics() = TestMetrics{};
    RegisterPainterClass(TcxPCPainterClassOf<TTestPainter>());
    InitForms();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(20, 20, 600, 400);
    Form->Font()->SetName("DejaVu Sans");
    Form->Font()->SetHeight(-11);
    Form->Show();
    Idle();
  }
  void TearDown() override {
    DoneForms();
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
    cxPCPaintersFactoryFinalize();
    DoneThemeManager();
    headless::Shutdown();
  }
  template <class T = TcxCustomTabControl>
  T* MakeControl(int w, int h, std::initializer_list<const char*> captions = {}) {
    T* c = New<T>(Form);
    c->SetParent(Form);
    c->SetBounds(10, 10, w, h);
    for (const char* s : captions) c->Tabs()->Add(s);
    Idle();
    return c;
  }
  static void Idle() { headless::RunUntilIdle(); }
  static void Advance(uint32_t ms) {
    headless::AdvanceClock(ms);
    headless::RunUntilIdle();
  }
  static void MoveTo(TControl* c, int x, int y) {
    POINT p = c->ClientToScreen(POINT{x, y});
    headless::MouseMove(p.x, p.y);
    Idle();
  }
  static void Press(TControl* c, int x, int y) {
    MoveTo(c, x, y);
    headless::MouseDown(VK_LBUTTON);
    Idle();
  }
  static void Release() {
    headless::MouseUp(VK_LBUTTON);
    Idle();
  }
  static void Click(TControl* c, int x, int y) {
    Press(c, x, y);
    Release();
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  TForm* Form = nullptr;
};

inline std::string RectStr(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

}  // namespace pc_test
