// The layout with the test style's plain numbers (row thickness 20, navigator arrows 20 and go button 12,
// tab lengths from the captions), and once with the font's own measure.

#include "cxPCSupport.h"

using namespace pc_test;

namespace {

class LayoutTest : public PCTest {
protected:
  static std::string Cells(TcxCustomTabControl* c) {
    std::string s;
    for (int vi = 0; vi < c->VisibleTabCount(); ++vi) {
      if (!s.empty()) s += " ";
      RECT r = c->GetTabVisibleRect(vi);
      s += r.right > r.left ? RectStr(c->GetTabCellRect(vi)) : "-";
    }
    return s;
  }
  static std::string Rows(TcxCustomTabControl* c) {
    std::string s;
    for (int vi = 0; vi < c->VisibleTabCount(); ++vi) {
      if (vi > 0) s += c->Tabs()->VisibleTabs(vi)->Row() != c->Tabs()->VisibleTabs(vi - 1)->Row() ? "|" : " ";
      s += std::to_string(c->Tabs()->VisibleTabs(vi)->NormalWidth());
    }
    return s;
  }
};

struct SingleLineCase {
  const char* name;
  int width;
  std::vector<const char*> tabs;
  TcxPCOptions options;
  int tabIndex;
  TcxPCNavigatorButtons buttons;
  int first, last;
  bool lastFits;
  std::string cells;
};

TEST_F(LayoutTest, SingleLineTable) {
  const TcxPCNavigatorButtons none, arrows{nbTopLeft, nbBottomRight}, all{nbTopLeft, nbBottomRight, nbGoDialog};
  const SingleLineCase cases[] = {
      {"all fit", 200, {"60", "60", "60"}, {}, 0, none, 0, 2, true, "0,0,60,20 60,0,120,20 120,0,180,20"},
      {"all fit, go button asked", 200, {"60", "60", "60"}, {pcoGoDialog}, 0, none, 0, 2, true,
       "0,0,60,20 60,0,120,20 120,0,180,20"},
      {"overflow shows arrows", 150, {"60", "60", "60"}, {}, 0, arrows, 0, 1, false, "0,0,60,20 60,0,120,20 -"},
      {"no arrows alone still arrows", 150, {"60", "60", "60"}, {pcoNoArrows}, 0, arrows, 0, 1, false,
       "0,0,60,20 60,0,120,20 -"},
      {"no arrows with go button", 150, {"60", "60", "60"}, {pcoNoArrows, pcoGoDialog}, 0,
       TcxPCNavigatorButtons{nbGoDialog}, 0, 2, false, "0,0,60,20 60,0,120,20 120,0,180,20"},
      {"arrows and go button", 150, {"60", "60", "60"}, {pcoGoDialog}, 0, all, 0, 1, false, "0,0,60,20 60,0,120,20 -"},
      {"selected last scrolls it in", 150, {"60", "60", "60"}, {}, 2, arrows, 2, 2, true, "- - 0,0,60,20"},
  };
  for (const SingleLineCase& k : cases) {
    auto* c = MakeControl(k.width, 100);
    c->SetOptions(k.options);
    for (const char* t : k.tabs) c->Tabs()->Add(t);
    c->SetTabIndex(k.tabIndex);
    EXPECT_EQ(c->NavigatorButtons(), k.buttons) << k.name;
    EXPECT_EQ(c->FirstVisibleTab(), k.first) << k.name;
    EXPECT_EQ(c->LastVisibleTab(), k.last) << k.name;
    EXPECT_EQ(c->LastTabFitsCompletely(), k.lastFits) << k.name;
    EXPECT_EQ(Cells(c), k.cells) << k.name;
    c->Free();
  }
}

TEST_F(LayoutTest, BottomAndLeftStrips) {
  auto* c = MakeControl(200, 150, {"60", "60"});
  c->SetTabPosition(tpBottom);
  EXPECT_EQ(Cells(c), "0,130,60,150 60,130,120,150");
  EXPECT_EQ(RectStr(c->GetPageClientRect()), "0,0,200,130");
  EXPECT_EQ(c->NearRowCount(), 0);
  // A vertical strip reads bottom to top: the first tab stands at the bottom.
  c->SetTabPosition(tpLeft);
  EXPECT_TRUE(c->IsReversedRows());
  EXPECT_EQ(c->TextOrientation(), pctoBottomToTop);
  EXPECT_EQ(Cells(c), "0,90,20,150 0,30,20,90");
  EXPECT_EQ(RectStr(c->GetPageClientRect()), "20,0,200,150");
  EXPECT_EQ(c->GetTabDrawingVariant(0), 4);
  c->SetOptions(TcxPCOptions{pcoTopToBottomText});
  EXPECT_FALSE(c->IsReversedRows());
  EXPECT_EQ(Cells(c), "0,0,20,60 0,60,20,120");
  EXPECT_EQ(c->GetTabDrawingVariant(0), 5);
  c->SetTabPosition(tpTop);
  c->SetRotate(true);
  EXPECT_EQ(c->TextOrientation(), pctoTopToBottom);
  EXPECT_TRUE(c->IsReversedRows());
}

TEST_F(LayoutTest, HidingTabsPullsTheWindowBack) {
  auto* c = MakeControl(150, 100, {"60", "60", "60", "60"});
  c->SetTabIndex(3);
  EXPECT_EQ(c->FirstVisibleTab(), 3);
  c->Tabs()->Tabs(3)->SetVisible(false);
  c->Tabs()->Tabs(2)->SetVisible(false);
  c->Tabs()->Tabs(1)->SetVisible(false);
  EXPECT_EQ(c->FirstVisibleTab(), 0);
  EXPECT_EQ(c->LastVisibleTab(), 0);
}

TEST_F(LayoutTest, NoRoomShowsNoTabsAndNoRows) {
  auto* c = MakeControl(30, 100, {"60", "60"});
  EXPECT_EQ(c->RowCount(), 0);
  EXPECT_EQ(Cells(c), "- -");
  EXPECT_EQ(c->TabAtPos(5, 5), -1);
  c->SetMultiLine(true);
  c->SetWidth(0);
  EXPECT_EQ(Cells(c), "- -");
}

struct MultiLineCase {
  const char* name;
  int width;
  std::vector<const char*> tabs;
  int spacing;
  bool ragged;
  std::string rows;  // normal widths, "|" between rows
};

TEST_F(LayoutTest, MultiLineBreakingBalancingAndStretching) {
  const MultiLineCase cases[] = {
      // The greedy split (60, 60) (60) ties with (60) (60, 60) at 70, so it stays.
      {"tie keeps greedy split", 130, {"60", "60", "60"}, 0, true, "60 60|60"},
      {"tie keeps greedy split, stretched", 130, {"60", "60", "60"}, 0, false, "65 65|130"},
      {"balanced into halves", 130, {"40", "40", "40", "40"}, 0, true, "40 40|40 40"},
      {"balanced with spacing", 130, {"40", "40", "40", "40"}, 3, true, "40 40|40 40"},
      {"stretched in proportion", 130, {"40", "40", "40", "40"}, 0, false, "65 65|65 65"},
      {"long tab alone, full row", 130, {"40", "200", "40", "40"}, 0, true, "40|130|40 40"},
      {"run before long tab balanced", 130, {"40", "40", "40", "40", "300"}, 0, true, "40 40|40 40|130"},
      {"three rows", 130, {"40", "40", "40", "40", "40", "40", "40"}, 0, true, "40 40 40|40 40|40 40"},
      {"equal answers keep the greedy split", 100, {"30", "30", "30", "20", "50", "50"}, 0, true, "30 30 30|20 50|50"},
  };
  for (const MultiLineCase& k : cases) {
    Metrics().Spacing = POINT{k.spacing, 0};
    auto* c = MakeControl(k.width, 200);
    c->SetMultiLine(true);
    c->SetRaggedRight(k.ragged);
    for (const char* t : k.tabs) c->Tabs()->Add(t);
    EXPECT_EQ(Rows(c), k.rows) << k.name;
    c->Free();
  }
}

TEST_F(LayoutTest, ScrollOppositeAndRowRotation) {
  auto* c = MakeControl(130, 200, {"60", "60", "60", "60", "60", "60"});
  c->SetRaggedRight(true);
  c->SetMultiLine(true);
  ASSERT_EQ(c->RowCount(), 3);
  // Without ScrollOpposite the selected row moves next to the page, the others keep their cyclic order.
  c->SetTabIndex(0);
  EXPECT_EQ(c->NearRowCount(), 3);
  EXPECT_EQ(c->Tabs()->Tabs(0)->VisibleRow(), 2);
  EXPECT_EQ(c->Tabs()->Tabs(2)->VisibleRow(), 0);
  EXPECT_EQ(c->Tabs()->Tabs(4)->VisibleRow(), 1);
  EXPECT_EQ(RectStr(c->GetTabCellRect(0)), "0,40,60,60");
  EXPECT_EQ(RectStr(c->GetPageClientRect()), "0,60,130,200");
  // With it the selected first row stands at the top, next to the page, and the rest at the bottom.
  c->SetScrollOpposite(true);
  EXPECT_EQ(c->NearRowCount(), 1);
  EXPECT_EQ(RectStr(c->GetTabCellRect(0)), "0,0,60,20");
  EXPECT_EQ(RectStr(c->GetTabCellRect(2)), "0,160,60,180");
  EXPECT_EQ(RectStr(c->GetTabCellRect(4)), "0,180,60,200");
  EXPECT_EQ(RectStr(c->NearRowArea()), "0,0,130,20");
  EXPECT_EQ(RectStr(c->FarRowArea()), "0,160,130,200");
  EXPECT_EQ(RectStr(c->GetPageClientRect()), "0,20,130,160");
  c->SetTabIndex(4);
  EXPECT_EQ(c->NearRowCount(), 3);
}

TEST_F(LayoutTest, HitTestsFollowTheVisibleRectangles) {
  auto* c = MakeControl(150, 100, {"60", "60", "60"});
  struct Case {
    int x, y, tab;
  };
  const Case cases[] = {{0, 0, 0}, {59, 19, 0}, {60, 0, 1}, {109, 10, 1}, {115, 10, -1}, {125, 5, -1}, {10, 20, -1}, {10, 60, -1}};
  for (const Case& k : cases) EXPECT_EQ(c->TabAtPos(k.x, k.y), k.tab) << k.x << "," << k.y;
  c->SetTabIndex(2);  // the window moves: tab 0 no longer answers
  EXPECT_EQ(c->TabAtPos(10, 10), 2);
  EXPECT_EQ(c->TabAtPos(70, 10), -1);
}

TEST_F(LayoutTest, ScrollingTheSingleLine) {
  auto* c = MakeControl(150, 100, {"60", "60", "60", "60"});
  EXPECT_FALSE(c->CanScroll(nbTopLeft));
  EXPECT_TRUE(c->CanScroll(nbBottomRight));
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsDisabled);
  c->ScrollTabs(nbBottomRight);
  c->ScrollTabs(nbBottomRight);
  EXPECT_EQ(c->FirstVisibleTab(), 2);
  EXPECT_EQ(c->LastVisibleTab(), 3);
  EXPECT_TRUE(c->CanScroll(nbBottomRight));  // the last tab is only partly shown
  c->ScrollTabs(nbBottomRight);
  EXPECT_EQ(c->FirstVisibleTab(), 3);
  EXPECT_FALSE(c->CanScroll(nbBottomRight));
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsDisabled);
  c->ScrollTabs(nbBottomRight);  // disabled: nothing
  EXPECT_EQ(c->FirstVisibleTab(), 3);
  c->MakeTabVisible(0);
  EXPECT_EQ(c->FirstVisibleTab(), 0);
}

TEST_F(LayoutTest, FontMeasuredTabsAndClientRectangle) {
  auto* c = MakeControl(300, 100, {"Проекты", "Отчет"});
  TcxCanvas* canvas = c->ControlCanvas();
  canvas->Font()->Assign(c->Font());
  const int w0 = canvas->TextWidth("Проекты") + 12, w1 = canvas->TextWidth("Отчет") + 12;
  EXPECT_EQ(c->Tabs()->Tabs(0)->NormalWidth(), w0);
  EXPECT_EQ(RectStr(c->GetTabCellRect(1)), RectStr(RECT{w0, 0, w0 + w1, 20}));
  EXPECT_EQ(c->Tabs()->StandardTabHeight(), 20);
  c->SetHideTabs(true);
  EXPECT_EQ(RectStr(c->GetPageClientRect()), "0,0,300,100");
}

}  // namespace
