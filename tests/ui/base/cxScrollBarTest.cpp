#include <string>
#include <vector>

#include "cxControlSupport.h"
#include "ui/base/cxScrollBar.h"

using namespace uibase_test;

namespace {

class cxScrollBarTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    Bar = New<TcxScrollBar>(Form);
    Bar->SetParent(Form);
    Bar->OnScroll = [this](TObject*, TScrollCode code, int32_t& pos) {
      Codes.push_back(code);
      if (Override >= 0) pos = Override;
    };
    Bar->OnChange = [this](TObject*) { ++Changes; };
    Arrow = GetSystemMetrics(SM_CXVSCROLL);
  }
  void MakeVertical(int track) {
    Bar->SetKind(sbVertical);
    Bar->SetBounds(10, 10, Arrow, track + 2 * Arrow);
  }
  TcxScrollBar* Bar = nullptr;
  std::vector<TScrollCode> Codes;
  int Changes = 0;
  int Override = -1;
  int Arrow = 0;
};

TEST_F(cxScrollBarTest, PageOfTenInAHundredOnTwoHundredPixelsGivesAThumbOfTwenty) {
  MakeVertical(200);
  Bar->SetScrollParams(0, 99, 0, 10);
  RECT t = Bar->ThumbRect();
  EXPECT_EQ(t.bottom - t.top, 20);
  EXPECT_EQ(t.top, Arrow);
  // The last position puts the thumb against the second arrow.
  Bar->SetPosition(90);
  EXPECT_EQ(Bar->ThumbRect().bottom, Bar->SecondArrowRect().top);
  EXPECT_EQ(Bar->PageUpRect().top, Arrow);
  EXPECT_EQ(Bar->PageUpRect().bottom, Bar->ThumbRect().top);
}

TEST_F(cxScrollBarTest, HitTestFindsEachPart) {
  MakeVertical(200);
  Bar->SetScrollParams(0, 99, 50, 10);
  RECT t = Bar->ThumbRect();
  struct Case {
    POINT p;
    TcxScrollPart part;
  } cases[] = {
      {{2, 2}, spLineUp},
      {{2, 200 + 2 * Arrow - 2}, spLineDown},
      {{2, (t.top + t.bottom) / 2}, spThumb},
      {{2, t.top - 1}, spPageUp},
      {{2, t.bottom + 1}, spPageDown},
      {{-1, 40}, spNone},
  };
  for (const Case& c : cases) EXPECT_EQ(Bar->HitTest(c.p), c.part) << c.p.x << "," << c.p.y;
}

TEST_F(cxScrollBarTest, OutOfRangeRaisesAndKeepsTheOldRange) {
  Bar->SetScrollParams(0, 50, 5, 10);
  try {
    Bar->SetMax(-1);
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(std::string(e.Message()), "Scrollbar property out of range");
  }
  EXPECT_THROW(Bar->SetScrollParams(0, 5, 0, 10), EInvalidOperation);
  EXPECT_EQ(Bar->Min(), 0);
  EXPECT_EQ(Bar->Max(), 50);
  EXPECT_EQ(Bar->Position(), 5);
}

TEST_F(cxScrollBarTest, UnchangedParamsFireNothingAndPositionEnablesADisabledBar) {
  Bar->SetScrollParams(0, 50, 5, 10);
  Changes = 0;
  Bar->SetScrollParams(0, 50, 5, 10);
  EXPECT_EQ(Changes, 0);
  Bar->SetEnabled(false);
  EXPECT_TRUE(Bar->ThumbRect().right <= Bar->ThumbRect().left);
  Bar->SetPosition(7);
  EXPECT_TRUE(Bar->Enabled());
  EXPECT_EQ(Changes, 1);
}

TEST_F(cxScrollBarTest, NarrowBarGetsTwoHalfArrowsAndNoTrack) {
  Bar->SetBounds(0, 0, 20, 17);
  EXPECT_EQ(Bar->FirstArrowRect().right, 10);
  EXPECT_EQ(Bar->SecondArrowRect().left, 10);
  EXPECT_EQ(Bar->HitTest(POINT{15, 5}), spLineDown);
}

TEST_F(cxScrollBarTest, HeldArrowRepeatsAfter400ThenEvery60AndPausesOffThePart) {
  MakeVertical(200);
  Bar->SetScrollParams(0, 1000, 0, 10);
  Idle();
  Press(Bar, 2, 200 + 2 * Arrow - 3);
  EXPECT_EQ(Bar->Position(), 1);
  Advance(399);
  EXPECT_EQ(Bar->Position(), 1);
  Advance(1);
  EXPECT_EQ(Bar->Position(), 2);
  Advance(60);
  EXPECT_EQ(Bar->Position(), 3);
  Advance(60);
  EXPECT_EQ(Bar->Position(), 4);
  // Off the arrow (the mouse is captured): the repeat pauses; back on it, it resumes.
  MoveTo(Bar, 2, 40);
  Advance(300);
  EXPECT_EQ(Bar->Position(), 4);
  MoveTo(Bar, 2, 200 + 2 * Arrow - 3);
  Advance(60);
  EXPECT_EQ(Bar->Position(), 5);
  Release();
  EXPECT_EQ(Bar->PressedPart(), spNone);
  EXPECT_FALSE(Bar->Timer()->Enabled());
  Advance(500);
  EXPECT_EQ(Bar->Position(), 5);
  EXPECT_EQ(Codes.back(), scEndScroll);
}

TEST_F(cxScrollBarTest, ThumbDragTracksWithoutChangeAndSnapsBackOutsideTheTrackingArea) {
  Bar->SetBounds(10, 10, 200 + 2 * Arrow, GetSystemMetrics(SM_CYHSCROLL));
  Bar->SetScrollParams(0, 99, 0, 10);
  Idle();
  RECT t = Bar->ThumbRect();
  int y = 5, x = (t.left + t.right) / 2;
  Press(Bar, x, y);
  Changes = 0;
  Codes.clear();
  MoveTo(Bar, x + 90, y);
  EXPECT_EQ(Bar->Position(), 45);  // 90 of the 180 free pixels: half of the 90 positions
  EXPECT_EQ(Bar->ThumbRect().left, t.left + 90);
  EXPECT_EQ(Codes, std::vector<TScrollCode>{scTrack});
  EXPECT_EQ(Changes, 0);
  // 136 pixels beside the bar is still inside; one more and the thumb goes back to where the drag began.
  MoveTo(Bar, x + 90, y + 130);
  EXPECT_EQ(Bar->Position(), 45);  // 90 of the 180 free pixels: half of the 90 positions
  MoveTo(Bar, x + 90, Bar->Height() + 137);
  EXPECT_EQ(Bar->Position(), 0);
  MoveTo(Bar, x + 40, y);
  int tracked = Bar->Position();
  EXPECT_GT(tracked, 0);
  Codes.clear();
  Release();
  EXPECT_EQ(Codes, (std::vector<TScrollCode>{scPosition, scEndScroll}));
  EXPECT_EQ(Bar->Position(), tracked);
}

TEST_F(cxScrollBarTest, ScrollHandlerMayChangeThePosition) {
  Bar->SetScrollParams(0, 100, 10, 10);
  Override = 42;
  Bar->Scroll(scLineDown);
  EXPECT_EQ(Bar->Position(), 42);
  Override = 500;  // clamped
  Bar->Scroll(scPageDown);
  EXPECT_EQ(Bar->Position(), 100);
}

TEST_F(cxScrollBarTest, DisabledBarPaintsItsWholeTrackAsOnePage) {
  MakeVertical(100);
  Bar->SetScrollParams(0, 99, 0, 10);
  Bar->SetEnabled(false);
  Idle();
  Bar->Repaint();
  // No thumb: the middle of the bar shows the track, like the page area of an enabled bar.
  auto disabledMid = headless::Pixel(Bar->Handle(), Arrow / 2, 50 + Arrow);
  Bar->SetEnabled(true);
  Bar->SetPosition(0);
  Bar->Repaint();
  auto pageMid = headless::Pixel(Bar->Handle(), Arrow / 2, 90 + Arrow);
  EXPECT_EQ(disabledMid, pageMid);
}

}  // namespace
