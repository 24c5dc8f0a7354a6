// One picture of every tab style (selected, normal, disabled and highlighted tabs, images, a navigator,
// tabs on other sides) above a status bar with each panel style, written to the artifacts folder.

#include <filesystem>
#include <memory>
#include <string>

#include "cxPCSupport.h"
#include "forms/ImgList.h"
#include "forms/PngImage.h"
#include "forms/StdCtrls.h"
#include "ui/pagecontrol/cxPCPaintersStandard.h"
#include "ui/pagecontrol/dxStatusBar.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace pc_test {
namespace {

class PaintersPictureTest : public PCTest {
protected:
  void SetUp() override {
    PCTest::SetUp();
    UnregisterPainterClass(TcxPCPainterClassOf<TTestPainter>());
    RegisterStandardPCPainters();
  }
  void TearDown() override {
    PCTest::TearDown();
    dxStatusBarFinalize();
  }
  TcxCustomTabControl* Add(TcxPCStyleID style, int x, int y, int w, int h, TcxTabPosition pos) {
    TcxCustomTabControl* c = New<TcxCustomTabControl>(Form);
    c->SetParent(Form);
    c->SetBounds(x, y, w, h);
    for (const char* s : {"&Projects", "Backups", "Restore", "Report"}) c->Tabs()->Add(s);
    c->SetStyle(style);
    c->SetTabPosition(pos);
    c->SetTabIndex(1);
    c->Tabs()->Tabs(2)->SetEnabled(false);
    return c;
  }
};

TEST_F(PaintersPictureTest, EveryStyleAndTheStatusBar) {
  Form->SetBounds(0, 0, 660, 470);
  Form->SetColor(clBtnFace);
  TImageList* images = New<TImageList>(Form);
  images->SetWidth(12);
  images->SetHeight(12);
  for (TColor col : {clRed, clGreen, clBlue, clOlive}) {
    std::unique_ptr<TBitmap> b(New<TBitmap>());
    b->SetSize(12, 12);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(RECT{0, 0, 12, 12});
    b->Canvas()->Brush()->SetColor(col);
    b->Canvas()->FillRect(RECT{2, 2, 10, 10});
    images->Add(b.get(), nullptr);
  }
  TcxCustomTabControl* tabs = Add(1, 10, 10, 310, 90, tpTop);
  TcxCustomTabControl* buttons = Add(2, 330, 10, 310, 90, tpTop);
  buttons->Tabs()->Tabs(3)->SetHighlighted(true);
  TcxCustomTabControl* flatButtons = Add(3, 10, 110, 310, 90, tpTop);
  flatButtons->SetImages(images);
  TcxCustomTabControl* flat = Add(5, 330, 110, 310, 90, tpTop);
  flat->SetImages(images);
  TcxCustomTabControl* tabsBottom = Add(1, 10, 210, 310, 90, tpBottom);
  tabsBottom->SetOptions(TcxPCOptions{pcoGoDialog});
  tabsBottom->Tabs()->Add("Validation");
  tabsBottom->Tabs()->Add("Options");
  TcxCustomTabControl* flatLeft = Add(5, 330, 210, 150, 150, tpLeft);
  TcxCustomTabControl* tabsRight = Add(1, 490, 210, 150, 150, tpRight);
  TcxCustomTabControl* flatNav = Add(5, 10, 310, 310, 50, tpTop);
  for (const char* s : {"Validation", "Options", "About"}) flatNav->Tabs()->Add(s);
  flatNav->SetOptions(TcxPCOptions{pcoGoDialog});
  (void)tabs, (void)flatLeft, (void)tabsRight;

  TdxStatusBar* bar = New<TdxStatusBar>(Form);
  bar->SetParent(Form);
  bar->SetImages(images);
  TdxStatusBarPanel* text = bar->Panels()->Add();
  text->SetWidth(190);
  text->SetText("Backup of 3 databases finished at 04:12");
  auto* textStyle = dynamic_cast<TdxStatusBarTextPanelStyle*>(text->PanelStyle());
  textStyle->SetImageIndex(1);
  textStyle->SetEllipsisType(dxetTruncate);
  TdxStatusBarPanel* lamps = bar->Panels()->Add();
  lamps->SetPanelStyleClass(TdxStatusBarStateIndicatorPanelStyle::StaticClass());
  for (auto k : {sitGreen, sitYellow, sitRed, sitBlue, sitOff})
    dynamic_cast<TdxStatusBarStateIndicatorPanelStyle*>(lamps->PanelStyle())->Indicators()->Add()->SetIndicatorType(k);
  TdxStatusBarPanel* keys = bar->Panels()->Add();
  keys->SetPanelStyleClass(TdxStatusBarKeyboardStatePanelStyle::StaticClass());
  TdxStatusBarPanel* host = bar->Panels()->Add();
  host->SetPanelStyleClass(TdxStatusBarContainerPanelStyle::StaticClass());
  TEdit* edit = New<TEdit>(Form);
  edit->SetText("a control in a panel");
  edit->SetParent(dynamic_cast<TdxStatusBarContainerPanelStyle*>(host->PanelStyle())->Container());
  headless::KeyPress(VK_NUMLOCK);
  Advance(100);
  Idle();
  Form->Repaint();
  Idle();

  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  const std::string path = std::string(VORN_ARTIFACT_DIR) + "/pagecontrol-painters.png";
  ASSERT_TRUE(headless::SavePng(Form->Handle(), path.c_str())) << path;
  // A zoomed copy of the top-left corner, to see the outlines pixel by pixel.
  std::unique_ptr<TBitmap> zoom(New<TBitmap>());
  const int zw = 320, zh = 100, k = 4;
  zoom->SetSize(zw * k, zh * 2 * k);
  for (int part = 0; part < 2; ++part) {
    TcxCustomTabControl* src = part == 0 ? tabs : flat;
    src->Update();
    for (int y = 0; y < zh && y < src->Height(); ++y)
      for (int x = 0; x < zw && x < src->Width(); ++x) {
        const uint32_t p = headless::Pixel(src->Handle(), x, y);
        for (int dy = 0; dy < k; ++dy) {
          uint32_t* row = zoom->ScanLine((part * zh + y) * k + dy);
          for (int dx = 0; dx < k; ++dx) row[x * k + dx] = p;
        }
      }
  }
  TPngImage png;
  png.Assign(zoom.get());
  png.SaveToFile(String(VORN_ARTIFACT_DIR) + "/pagecontrol-painters-zoom.png");
  // And the status bar's right end with the size grip.
  std::unique_ptr<TBitmap> end(New<TBitmap>());
  const int ew = 200, eh = bar->Height();
  end->SetSize(ew * k, eh * k);
  bar->Update();
  for (int y = 0; y < eh; ++y)
    for (int x = 0; x < ew; ++x) {
      const uint32_t p = headless::Pixel(bar->Handle(), bar->Width() - ew + x, y);
      for (int dy = 0; dy < k; ++dy)
        for (int dx = 0; dx < k; ++dx) end->ScanLine(y * k + dy)[x * k + dx] = p;
    }
  TPngImage endPng;
  endPng.Assign(end.get());
  endPng.SaveToFile(String(VORN_ARTIFACT_DIR) + "/statusbar-end-zoom.png");
  // The page of the flat control is the face colour; its unselected tabs the lighter face.
  EXPECT_EQ(headless::Pixel(flat->Handle(), 150, 80), Rgb(clBtnFace));
}

}  // namespace
}  // namespace pc_test
