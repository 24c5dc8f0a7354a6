// A form placed on another control: a child window inside it while it has a parent, a top-level window
// again once the parent is taken away.

#include "FormsSupport.h"

using namespace ft;

namespace {

class ParentedFormTest : public FormsTest {};

TEST_F(ParentedFormTest, AFormWithAParentIsAChildWindowAndTopLevelWithout) {
  auto* main = New<TForm>(Application, 0);
  main->SetBounds(100, 100, 400, 300);
  main->Show();
  auto* panel = New<TPanel>(main);
  panel->SetParent(main);
  panel->SetBounds(10, 10, 300, 200);
  Pump();
  auto* form = New<TForm>(Application, 0);
  form->SetBorderStyle(bsNone);
  form->SetBounds(20, 30, 120, 80);
  form->SetParent(panel);
  form->SetVisible(true);
  Pump();
  ASSERT_TRUE(form->HandleAllocated());
  LONG style = GetWindowLong(form->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_EQ(panel->Handle(), GetParent(form->Handle()));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Placed in the panel's client coordinates.
  POINT origin = form->ClientToScreen(POINT{0, 0});
  POINT want = panel->ClientToScreen(POINT{20, 30});
  EXPECT_EQ(want.x, origin.x);
  EXPECT_EQ(want.y, origin.y);
  // A click on it reaches the form's window, not one under it.
  POINT c = form->ClientToScreen(POINT{60, 40});
  EXPECT_EQ(form->Handle(), WindowFromPoint(c));

  form->SetVisible(false);
  form->SetParent(nullptr);
  form->SetBorderStyle(bsSingle);
  form->SetVisible(true);
  Pump();
  ASSERT_TRUE(form->HandleAllocated());
  style = GetWindowLong(form->Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_NE(panel->Handle(), GetParent(form->Handle()));
  form->Free();
  main->Free();
}

}  // namespace
