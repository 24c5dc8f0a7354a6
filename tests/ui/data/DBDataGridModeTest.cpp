// Grid mode over an SQL dataset on the embedded engine: the controller's records are the data link's
// window of buffered rows, scrolling moves the dataset, bookmarks stand for rows outside the window.
#include <gtest/gtest.h>

#include "DBDataSupport.h"

namespace {

class DBDataGridMode : public dbdata::FirebirdSuite {
protected:
  int RowCount() const override { return 300; }

  dbdata::BoundController& GridController(int32_t ABufferCount) {
    dbdata::BoundController& c = NewController();
    c.DC->DataModeController()->SetGridModeBufferCount(ABufferCount);
    c.DC->DataModeController()->SetGridMode(true);
    return c;
  }
  static String Id(TDataSet* ds) { return ds->FieldByName("ID")->AsString(); }
};

TEST_F(DBDataGridMode, TheWindowHoldsTheBufferCount) {
  OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->DataModeController()->SetGridModeBufferCount(-5);
  EXPECT_EQ(c.DC->DataModeController()->GridModeBufferCount(), 0);
  c.DC->DataModeController()->SetGridMode(true);
  EXPECT_TRUE(c.DC->IsGridMode());
  EXPECT_EQ(c.DC->GetRecordCount(), 100);
  c.DC->DataModeController()->SetGridModeBufferCount(20);
  EXPECT_EQ(c.DC->GetRecordCount(), 20);
  EXPECT_EQ(c.Column(0).front(), "1");
  EXPECT_EQ(c.Column(0).back(), "20");
  c.DC->DataModeController()->SetGridMode(false);
  EXPECT_EQ(c.DC->GetRecordCount(), 300);
}

TEST_F(DBDataGridMode, GroupingSuspendsTheWindow) {
  OpenDataSet();
  dbdata::BoundController& c = GridController(20);
  ASSERT_EQ(c.DC->GetRecordCount(), 20);
  c.DC->Groups()->ChangeGrouping(2, 0);
  EXPECT_FALSE(c.DC->IsGridMode());
  EXPECT_EQ(c.DC->GetRecordCount(), 300);
  c.DC->Groups()->ClearGrouping();
  EXPECT_TRUE(c.DC->IsGridMode());
  EXPECT_EQ(c.DC->GetRecordCount(), 20);
  EXPECT_EQ(c.Column(1).front(), "name1");
}

TEST_F(DBDataGridMode, ScrollingMovesTheWindow) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = GridController(20);
  ASSERT_EQ(c.DC->GetFocusedRowIndex(), 0);
  const struct {
    int distance;
    const char* cursorId;
    const char* firstRowId;
    int focusedRow;
  } steps[] = {
      {20, "40", "21", 19},    // from the last buffered row: 20 + 20 - 0 - 1 = 39 records
      {-5, "16", "16", 0},     // from the first buffered row: -5 - 19 = -24 records
      {1, "36", "17", 19},     // one record past the window's end
      {400, "300", "281", 19}, // clamped at the end
      {-300, "1", "1", 0},
  };
  for (const auto& s : steps) {
    c.DC->Provider()->Scroll(s.distance);
    SCOPED_TRACE(s.distance);
    EXPECT_EQ(Id(ds), s.cursorId);
    EXPECT_EQ(c.Column(0).front(), s.firstRowId);
    EXPECT_EQ(c.DC->GetFocusedRowIndex(), s.focusedRow);
    EXPECT_EQ(c.FocusedText(0), s.cursorId);
  }
  // Focusing a row of the window moves the cursor there.
  c.DC->ChangeFocusedRowIndex(7);
  EXPECT_EQ(Id(ds), "8");
}

TEST_F(DBDataGridMode, BookmarksStandForRowsOutsideTheWindow) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = GridController(10);
  c.DC->Provider()->Scroll(15);  // cursor on 25, window 16..25
  ASSERT_EQ(Id(ds), "25");
  EXPECT_FALSE(c.DC->IsBookmarkAvailable());
  c.DC->SaveBookmark();
  EXPECT_TRUE(c.DC->IsBookmarkAvailable());
  EXPECT_TRUE(c.DC->IsBookmarkRow(9));
  EXPECT_FALSE(c.DC->IsBookmarkRow(8));
  c.DC->Provider()->Scroll(100);
  for (int32_t row = 0; row < c.DC->GetRowCount(); ++row) EXPECT_FALSE(c.DC->IsBookmarkRow(row));
  EXPECT_FALSE(c.DC->IsBookmarkAffected(-1));
  c.DC->GotoBookmark();
  EXPECT_EQ(Id(ds), "25");
  EXPECT_EQ(c.FocusedText(0), "25");
  EXPECT_TRUE(c.DC->IsBookmarkRow(c.DC->GetFocusedRowIndex()));
  EXPECT_EQ(c.DC->GetSelectedBookmark(0), ds->Bookmark());
  c.DC->ClearBookmark();
  EXPECT_FALSE(c.DC->IsBookmarkAvailable());
}

TEST_F(DBDataGridMode, EditsGoToTheServerAndTheWindowFollows) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = GridController(10);
  c.DC->Provider()->Scroll(5);  // cursor on 15
  ASSERT_TRUE(c.DC->SetEditValue(1, Variant("grid"), evsValue));
  EXPECT_EQ(ds->State(), dsEdit);
  c.DC->Post();
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 15")), "grid");
  EXPECT_EQ(c.FocusedText(1), "grid");
  c.DC->DeleteFocused();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM P WHERE ID = 15").AsInteger(), 0);
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  EXPECT_EQ(c.FocusedText(0), Id(ds));
  // Outside grid mode the selected bookmark is refused.
  c.DC->DataModeController()->SetGridMode(false);
  EXPECT_THROW(c.DC->GetSelectedBookmark(0), EcxInvalidDataControllerOperation);
}

TEST_F(DBDataGridMode, AnAppendedRecordReachesTheServer) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = GridController(10);
  c.DC->Append();
  EXPECT_EQ(ds->State(), dsInsert);
  c.DC->SetEditValue(0, 301, evsValue);
  c.DC->SetEditValue(1, Variant("appended"), evsValue);
  EXPECT_EQ(c.FocusedText(1), "appended");
  c.DC->Post();
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 301")), "appended");
  EXPECT_EQ(Id(ds), "301");
  EXPECT_EQ(c.FocusedText(0), "301");
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
}

TEST_F(DBDataGridMode, LocateByKeyOutsideTheWindowLocatesTheDataSet) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = GridController(10);
  c.DC->SetKeyFieldNames("ID");
  EXPECT_FALSE(c.DC->IsKeyFieldMode());
  EXPECT_TRUE(c.DC->LocateByKey(250));
  EXPECT_EQ(Id(ds), "250");
  EXPECT_EQ(c.FocusedText(0), "250");
  EXPECT_FALSE(c.DC->LocateByKey(9999));
}


TEST_F(DBDataGridMode, TheWindowTakesTheCountItsControllerWantsNow) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->WindowWanted = 30;
  c.DC->DataModeController()->SetGridMode(true);
  ASSERT_EQ(c.DC->GetRecordCount(), 30);
  // The view grew smaller: the window follows on the check, and only then.
  c.DC->WindowWanted = 12;
  EXPECT_EQ(c.DC->GetRecordCount(), 30);
  c.DC->CheckGridModeBufferCount();
  EXPECT_EQ(c.DC->GetRecordCount(), 12);
  EXPECT_EQ(c.Column(0).front(), "1");
  EXPECT_EQ(c.Column(0).back(), "12");
  EXPECT_EQ(Id(ds), "1");
  c.ClearLog();
  c.DC->CheckGridModeBufferCount();  // the count it wants already
  EXPECT_TRUE(c.Log.empty());
  // A count set for the window wins over what the controller would want.
  c.DC->DataModeController()->SetGridModeBufferCount(5);
  c.DC->WindowWanted = 40;
  c.DC->CheckGridModeBufferCount();
  EXPECT_EQ(c.DC->GetRecordCount(), 5);
  // Outside grid mode every record is there, whatever the window would be.
  c.DC->DataModeController()->SetGridMode(false);
  c.DC->CheckGridModeBufferCount();
  EXPECT_EQ(c.DC->GetRecordCount(), 300);
}

TEST_F(DBDataGridMode, AStructureChangeTheViewPutsOffIsAppliedOnceAtTheFlush) {
  OpenDataSet();
  dbdata::BoundController& c = GridController(20);
  for (const bool defer : {false, true}) {
    c.DC->DeferStructure = defer;
    const int32_t reads = c.DC->Reads;
    c.DC->LockInfo();
    c.DC->LayoutChanged(1);
    EXPECT_EQ(c.DC->Reads, defer ? reads : reads + 1) << defer;
    c.DC->UnlockInfo();
    EXPECT_EQ(c.DC->Reads, reads + 1) << defer;
    EXPECT_EQ(c.DC->GetRecordCount(), 20);
  }
}

}  // namespace
