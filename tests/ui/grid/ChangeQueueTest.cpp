// The grid's change queue: changes run at once outside an update bracket; inside one they wait, and when the
// outermost bracket closes duplicates and changes made redundant by broader ones are dropped.

#include "GridTestSupport.h"
#include "rtl/SysUtils.h"

namespace grid_test {
namespace {

std::vector<std::string> gRunLog;
int gLiveChanges = 0;

std::string ViewTag(TcxCustomGridView* AView) { return AView ? AView->Name() : std::string("grid"); }

// The spine's change classes, each also writing what ran into the log and counting its life.
class TLoggedLayoutChange : public TcxGridLayoutChange {
  RTL_CLASS(TLoggedLayoutChange, TcxGridLayoutChange)
public:
  explicit TLoggedLayoutChange(TcxCustomGridView* AView) : TcxGridLayoutChange(AView) { ++gLiveChanges; }
  ~TLoggedLayoutChange() override { --gLiveChanges; }
  void Run() override {
    gRunLog.push_back("layout " + ViewTag(GridView()));
    inherited::Run();
  }
};

class TLoggedSizeChange : public TcxGridSizeChange {
  RTL_CLASS(TLoggedSizeChange, TcxGridSizeChange)
public:
  TLoggedSizeChange(TcxCustomGridView* AView, bool AMastersUnchanged, bool AThisViewOnly)
      : TcxGridSizeChange(AView, AMastersUnchanged, AThisViewOnly) {
    ++gLiveChanges;
  }
  ~TLoggedSizeChange() override { --gLiveChanges; }
  void Run() override {
    gRunLog.push_back("size " + ViewTag(GridView()) + (MastersUnchanged() ? " M" : "") + (ThisViewOnly() ? " T" : ""));
    inherited::Run();
  }
};

class TLoggedViewChange : public TcxGridViewChange {
  RTL_CLASS(TLoggedViewChange, TcxGridViewChange)
public:
  using TcxGridViewChange::TcxGridViewChange;
  TLoggedViewChange(TcxCustomGridView* AView, const RECT& R) : TcxGridViewChange(AView, R) { ++gLiveChanges; }
  explicit TLoggedViewChange(TcxCustomGridView* AView) : TcxGridViewChange(AView) { ++gLiveChanges; }
  ~TLoggedViewChange() override { --gLiveChanges; }
  void Run() override {
    gRunLog.push_back("repaint " + ViewTag(GridView()));
    inherited::Run();
  }
};

class TFailingChange : public TcxCustomGridChange {
  RTL_CLASS(TFailingChange, TcxCustomGridChange)
public:
  TFailingChange() { ++gLiveChanges; }
  ~TFailingChange() override { --gLiveChanges; }
  void Run() override {
    gRunLog.push_back("fail");
    throw EInvalidOperation("the change failed");
  }
};

class ChangeQueueTest : public GridTest {
protected:
  void SetUp() override {
    GridTest::SetUp();
    gRunLog.clear();
    gLiveChanges = 0;
    Grid = MakeGrid();
    Grid->SetName("Grid");
    View = MakeView(Grid);
    View->SetName("V");
    Other = MakeView(Grid);
    Other->SetName("W");
    AddLevel(Grid, View);
    AddLevel(Grid, Other);
    Grid->OnLayoutChanged = [this](TcxCustomGrid*, TcxCustomGridView* AView) { Layouts.push_back(ViewTag(AView)); };
    Idle();
    gRunLog.clear();
  }
  void TearDown() override {
    EXPECT_EQ(gLiveChanges, 0) << "every change is freed, run or not";
    GridTest::TearDown();
  }
  // Queues the changes inside one bracket of the grid and answers what ran when it closed.
  std::vector<std::string> RunBracket(const std::vector<TcxCustomGridChange*>& AChanges) {
    gRunLog.clear();
    Grid->BeginUpdate();
    for (TcxCustomGridChange* change : AChanges) Grid->AddChange(change);
    EXPECT_TRUE(gRunLog.empty()) << "nothing runs inside the bracket";
    Grid->EndUpdate();
    return gRunLog;
  }
  TcxGrid* Grid = nullptr;
  TTestView* View = nullptr;
  TTestView* Other = nullptr;
  std::vector<std::string> Layouts;
};

using Log = std::vector<std::string>;

TEST_F(ChangeQueueTest, OutsideABracketEachChangeRunsAtOnce) {
  Grid->AddChange(New<TLoggedViewChange>(View));
  EXPECT_EQ(gRunLog, Log{"repaint V"});
  Grid->AddChange(New<TLoggedLayoutChange>(View));
  EXPECT_EQ(gRunLog, (Log{"repaint V", "layout V"}));
}

TEST_F(ChangeQueueTest, MergeTable) {
  struct TCase {
    const char* Name;
    std::function<std::vector<TcxCustomGridChange*>()> Changes;
    Log Ran;
  };
  const RECT r1{0, 0, 10, 10}, r2{0, 10, 10, 20};
  const std::vector<TCase> cases = {
      {"three repaints of the whole site leave one",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedViewChange>(View), New<TLoggedViewChange>(View), New<TLoggedViewChange>(View)}; },
       {"repaint V"}},
      {"repaints of different rectangles stay apart",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedViewChange>(View, r1), New<TLoggedViewChange>(View, r2)}; },
       {"repaint V", "repaint V"}},
      {"a view's layout and then the grid's leave the grid's",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedLayoutChange>(View), New<TLoggedLayoutChange>(nullptr)}; },
       {"layout grid"}},
      {"the grid's layout and then a view's leave the grid's",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedLayoutChange>(nullptr), New<TLoggedLayoutChange>(View)}; },
       {"layout grid"}},
      {"a repaint and then the view's layout leave the layout",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedViewChange>(View), New<TLoggedLayoutChange>(View)}; },
       {"layout V"}},
      {"the view's layout and then a repaint leave the layout",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedLayoutChange>(View), New<TLoggedViewChange>(View)}; },
       {"layout V"}},
      {"another view's repaint survives a layout",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedViewChange>(Other), New<TLoggedLayoutChange>(View)}; },
       {"repaint W", "layout V"}},
      {"size of this view only, then of the view and its masters: the broader one",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedSizeChange>(View, false, true), New<TLoggedSizeChange>(View, false, false)}; },
       {"size V"}},
      {"the same in the other order",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedSizeChange>(View, false, false), New<TLoggedSizeChange>(View, false, true)}; },
       {"size V"}},
      {"equal sizes merge",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedSizeChange>(View, true, true), New<TLoggedSizeChange>(View, true, true)}; },
       {"size V M T"}},
      {"sizes that differ in the masters flag stay apart",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedSizeChange>(View, true, true), New<TLoggedSizeChange>(View, false, false)}; },
       {"size V M T", "size V"}},
      {"a size change of the view covers its layout",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedLayoutChange>(View), New<TLoggedSizeChange>(View, false, false)}; },
       {"size V"}},
      {"a size change of the grid covers a view's layout",
       [&] { return std::vector<TcxCustomGridChange*>{New<TLoggedSizeChange>(nullptr, false, false), New<TLoggedLayoutChange>(View)}; },
       {"size grid"}},
  };
  // Only the logged changes write the log: what running them adds on its own does not show here.
  for (const TCase& c : cases) EXPECT_EQ(RunBracket(c.Changes()), c.Ran) << c.Name;
}

TEST_F(ChangeQueueTest, TwoLayoutsOfTheGridFireOnLayoutChangedOnce) {
  Layouts.clear();
  RunBracket({New<TLoggedLayoutChange>(nullptr), New<TLoggedLayoutChange>(nullptr)});
  EXPECT_EQ(gRunLog, Log{"layout grid"});
  EXPECT_EQ(Layouts, Log{"grid"});
}

TEST_F(ChangeQueueTest, CancelUpdateDropsWhatWaited) {
  Layouts.clear();
  Grid->BeginUpdate();
  Grid->AddChange(New<TLoggedLayoutChange>(nullptr));
  Grid->AddChange(New<TLoggedViewChange>(View));
  EXPECT_EQ(Grid->QueuedChangeCount(), 2);
  Grid->CancelUpdate();
  EXPECT_EQ(Grid->QueuedChangeCount(), 0);
  EXPECT_TRUE(gRunLog.empty());
  EXPECT_TRUE(Layouts.empty());
  Grid->EndUpdate();  // below zero: nothing
  Grid->CancelUpdate();
  EXPECT_FALSE(Grid->IsUpdating());
}

TEST_F(ChangeQueueTest, AViewsBracketIsTheGridsBracket) {
  View->BeginUpdate();
  EXPECT_TRUE(Grid->IsUpdating());
  Grid->AddChange(New<TLoggedViewChange>(Other));
  View->Invalidate();
  View->Invalidate();
  EXPECT_TRUE(gRunLog.empty());
  View->EndUpdate();
  EXPECT_EQ(gRunLog, Log{"repaint W"});
  EXPECT_FALSE(Grid->IsUpdating());
  View->BeginUpdate();
  Grid->AddChange(New<TLoggedViewChange>(Other));
  View->CancelUpdate();
  EXPECT_EQ(gRunLog, Log{"repaint W"}) << "the view's cancel drops the grid's queue";
}

TEST_F(ChangeQueueTest, ADataChangeRunsAtOnceInsideABracket) {
  const int before = View->DataChanges;
  Grid->BeginUpdate();
  View->AddChange(New<TcxGridDataChange>(View));
  EXPECT_EQ(View->DataChanges, before + 1);
  Grid->EndUpdate();
}

TEST_F(ChangeQueueTest, RemovingAViewPurgesItsQueuedChanges) {
  Grid->BeginUpdate();
  Grid->AddChange(New<TLoggedViewChange>(Other));
  Grid->AddChange(New<TLoggedViewChange>(View));
  Grid->AddChange(New<TLoggedLayoutChange>(Other));
  Grid->RemoveView(Other);
  EXPECT_EQ(Grid->QueuedChangeCount(), 1);
  Grid->EndUpdate();
  EXPECT_EQ(gRunLog, Log{"repaint V"});
  Grid->AddView(Other);
}

TEST_F(ChangeQueueTest, AFailingChangeFreesTheRestAndLeavesTheQueueUsable) {
  Grid->BeginUpdate();
  Grid->AddChange(New<TLoggedViewChange>(View));
  Grid->AddChange(New<TFailingChange>());
  Grid->AddChange(New<TLoggedViewChange>(Other));
  Grid->AddChange(New<TLoggedLayoutChange>(nullptr));
  EXPECT_THROW(Grid->EndUpdate(), EInvalidOperation);
  EXPECT_EQ(gRunLog, (Log{"repaint V", "fail"}));
  EXPECT_EQ(gLiveChanges, 0) << "the changes after the failing one are freed, not leaked";
  EXPECT_EQ(Grid->QueuedChangeCount(), 0);
  EXPECT_FALSE(Grid->IsUpdating());
  RunBracket({New<TLoggedViewChange>(View)});
  EXPECT_EQ(gRunLog, Log{"repaint V"});
}

TEST_F(ChangeQueueTest, AViewRefusesChangesDuringItsMainCalculation) {
  // In the middle of its main calculation the view takes no change: its own resizing would recalculate it.
  bool taken = true;
  View->TestViewInfo()->OnCellMade = [&](TTestCell*) { taken = View->InvalidateLayout(true); };
  Fill(View, {"a"});
  View->TestViewInfo()->OnCellMade = nullptr;
  EXPECT_FALSE(taken);
}

}  // namespace
}  // namespace grid_test
