// A custom-drawn suite control with both painted scroll bars and a popup window on the real X server:
// scrolled by a click on an arrow and by dragging a thumb with XTEST input, and kept as a screenshot.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeels.h"
#include "winapi/X11Backend.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

// A sheet of 1000 x 1000 pixels with a 20-pixel grid, scrolled ten pixels per step.
class TSheet : public TcxControl {
  RTL_CLASS(TSheet, TcxControl)
public:
  using TcxControl::TcxControl;
  int Left10 = 0, Top10 = 0;
  std::vector<TScrollCode> Codes;

  void ComputeScrollBarsData() override {
    RECT r = ContentRect();
    SetScrollBarInfo(sbHorizontal, 0, 99, 1, (r.right - r.left) / 10, Left10, true, true);
    SetScrollBarInfo(sbVertical, 0, 99, 1, (r.bottom - r.top) / 10, Top10, true, true);
  }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int32_t& APos) override {
    Codes.push_back(ACode);
    int& pos = AKind == sbHorizontal ? Left10 : Top10;
    RECT r = ContentRect();
    int page = (AKind == sbHorizontal ? r.right - r.left : r.bottom - r.top) / 10;
    switch (ACode) {
      case scLineUp: pos -= 1; break;
      case scLineDown: pos += 1; break;
      case scPageUp: pos -= page; break;
      case scPageDown: pos += page; break;
      case scTrack:
      case scPosition: pos = APos; break;
      default: break;
    }
    pos = std::max(0, std::min(pos, 100 - page));
    if (ACode != scTrack) RefreshScrollBars();
    Invalidate();
  }

protected:
  void Paint() override {
    TcxControl::Paint();
    RECT r = ContentRect();
    TcxCanvas* c = ControlCanvas();
    c->SetBrushColor(clWindow);
    c->FillRect(r);
    c->Pen()->SetColor(RGB(160, 190, 230));
    for (int x = -(Left10 * 10) % 20; x < r.right; x += 20) {
      c->MoveTo(x, 0);
      c->LineTo(x, r.bottom);
    }
    for (int y = -(Top10 * 10) % 20; y < r.bottom; y += 20) {
      c->MoveTo(0, y);
      c->LineTo(r.right, y);
    }
    c->Canvas()->Font()->SetColor(clWindowText);
    c->Canvas()->Brush()->SetStyle(bsClear);
    c->Canvas()->TextOut(10 - Left10 * 10 + 200, 10 - Top10 * 10 + 100,
                         "cell " + std::to_string(Left10) + ":" + std::to_string(Top10));
    c->Canvas()->Brush()->SetStyle(bsSolid);
  }
};

class X11ControlTest : public x11steps::FormsFixture {
protected:
  void FinalizeUnits() override {
    cxControlsFinalize();
    DonePainterImages();
    DoneLookAndFeels();
  }

  using Step = x11steps::Step;
  void Run(const std::vector<Step>& steps) { x11steps::RunSteps(steps); }

};

}  // namespace

TEST_F(X11ControlTest, PaintedBarsScrollWithRealInputBesideAPopup) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Control test");
  form->SetBounds(140, 100, 420, 320);
  auto* sheet = New<TSheet>(form);
  sheet->SetBounds(10, 10, 300, 220);
  sheet->SetBorderStyle(cxcbsDefault);
  sheet->LookAndFeel()->SetKind(lfFlat);
  sheet->SetParent(form);
  form->Show();
  sheet->ClientAreaChanged();

  auto* popup = New<TcxPopupWindow>();
  auto* list = New<TPanel>(popup);
  list->SetCaption("Popup");
  list->SetColor(RGB(255, 250, 220));
  list->SetParentColor(false);
  list->SetBounds(0, 0, 88, 60);
  list->SetParent(popup);
  popup->SetPopupBorderStyle(pbsSingle);
  popup->SetAnchorParent(form);
  popup->SetAnchorBounds(RECT{318, 10, 408, 30});  // right of the sheet
  popup->SetHorzAlignment(phaRight);

  TcxControlScrollBar* vbar = sheet->VScrollBar();
  TcxControlScrollBar* hbar = sheet->HScrollBar();
  POINT thumbStart{};
  std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-control.png";
  Run({
      {"both bars on the screen",
       [&] {
         return GetActiveWindow() == form->Handle() && vbar->Visible() && hbar->Visible() &&
                sheet->SizeGrip()->Visible() &&
                peer_->Pixel(sheet->ClientToScreen(POINT{151, 101}).x, sheet->ClientToScreen(POINT{151, 101}).y) ==
                    Rgb(GetSysColor(COLOR_WINDOW));
       },
       [&] {
         POINT arrow = vbar->ClientToScreen(POINT{vbar->Width() / 2, vbar->Height() - 4});
         peer_->Click(arrow.x, arrow.y);
       }},
      {"one step down", [&] { return sheet->Top10 == 1 && !sheet->Codes.empty() && sheet->Codes.back() == scEndScroll; },
       [&] {
         RECT t = hbar->ThumbRect();
         thumbStart = hbar->ClientToScreen(POINT{(t.left + t.right) / 2, hbar->Height() / 2});
         peer_->Move(thumbStart.x, thumbStart.y);
       }},
      {"over the thumb", [&] { return hbar->HotPart() == spThumb; }, [&] { peer_->Press(); }},
      {"thumb pressed", [&] { return hbar->PressedPart() == spThumb; },
       [&] { peer_->Move(thumbStart.x + 60, thumbStart.y + 3); }},
      {"thumb dragged", [&] { return sheet->Left10 > 0; }, [&] { peer_->Release(); }},
      {"drag ended", [&] { return hbar->PressedPart() == spNone; }, [&] { popup->ShowPopup(); }},
      {"popup on the screen",
       [&] {
         RECT pr;
         GetWindowRect(popup->Handle(), &pr);
         return popup->Visible() && peer_->Pixel(pr.left, pr.top) == Rgb(GetSysColor(COLOR_WINDOWTEXT)) &&
                peer_->Pixel(pr.left + 44, pr.top + 10) == 0xFFFADC;
       },
       [&] {
         RECT wr, pr, area;
         GetWindowRect(form->Handle(), &wr);
         GetWindowRect(popup->Handle(), &pr);
         UnionRect(&area, &wr, &pr);
         auto pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
         std::filesystem::create_directories(VORN_ARTIFACT_DIR);
         EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
       }},
  });
  EXPECT_EQ(sheet->Top10, 1);
  EXPECT_GT(sheet->Left10, 0);
  EXPECT_EQ(hbar->Position(), sheet->Left10);
  EXPECT_EQ(vbar->Position(), 1);
  popup->Free();
}
