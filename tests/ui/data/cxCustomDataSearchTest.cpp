// Search and locate: the incremental search (wrap once, keep the current match, next and previous
// without wrap), the prefix and whole-text scans of lookup editors, and locating a record by key values.
#include <gtest/gtest.h>

#include "DataControllerSupport.h"

namespace search_tests {

enum { kText, kKey };

struct Search : RecordingController {
  Search() {
    AddItems({TcxStringValueType::StaticClass(), TcxIntegerValueType::StaticClass()});
    //      0        1         2        3        4          5
    Fill({{"Ёлка"}, {"бор"}, {"Берёза"}, {"ель"}, {Null()}, {"борщ"}});
    for (int32_t r = 0; r < DC->GetRecordCount(); ++r) DC->SetValue(r, kKey, 100 + r);
    Log.clear();
  }
  TcxDataControllerSearch* S() const { return DC->Search(); }
};

}  // namespace search_tests

using namespace search_tests;

TEST_F(Search, FindRowByTextTable) {
  struct Case {
    int32_t Start;
    const char* Text;
    bool Partial, Wrap, Forward;
    int32_t Expected;
  } cases[] = {
      {0, "бо", true, false, true, 1},     {2, "бо", true, false, true, 5},   {2, "бор", false, false, true, -1},
      {0, "БОР", false, false, true, 1},   {3, "бор", false, true, true, 1},  {3, "бор", false, false, true, -1},
      {0, "ёл", true, false, true, 0},     {0, "е", true, true, false, 3},    {0, "е", true, false, false, -1},
      {5, "Ё", true, false, false, 0},     {4, "", false, false, true, 4},    {0, "x", true, true, true, -1},
      {6, "бор", true, true, true, -1},    {-1, "бор", true, true, true, -1}, {5, "бор", true, true, false, 5},
      // Backward with wrap from the last position tests nothing more after the first pass.
      {5, "Ё", true, true, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DC->FindRowByText(c.Start, kText, c.Text, c.Partial, c.Wrap, c.Forward), c.Expected)
        << c.Start << " '" << c.Text << "' partial " << c.Partial << " wrap " << c.Wrap << " forward " << c.Forward;
  EXPECT_THROW(DC->FindRowByText(0, 5, "a", true, false, true), EcxInvalidDataControllerOperation);
}

TEST_F(Search, LocateWrapsOnceAndKeepsAMatchingFocus) {
  DC->ChangeFocusedRowIndex(2);
  Log.clear();
  EXPECT_TRUE(S()->Locate(kText, "б"));  // the focused record itself matches
  EXPECT_EQ(DC->GetFocusedRowIndex(), 2);
  EXPECT_TRUE(S()->GetSearching());
  EXPECT_EQ(S()->GetSearchText(), "б");
  EXPECT_EQ(Joined(), "Search");
  EXPECT_TRUE(S()->Locate(kText, "бо"));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 5);
  EXPECT_TRUE(S()->Locate(kText, "ёл"));  // wraps to the records before the focus
  EXPECT_EQ(DC->GetFocusedRowIndex(), 0);
  // A text nothing starts with leaves everything as it was.
  EXPECT_FALSE(S()->Locate(kText, "ёлкаx"));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 0);
  EXPECT_EQ(S()->GetSearchText(), "ёл");
  EXPECT_FALSE(S()->Locate(kText, ""));
}

TEST_F(Search, LocateNextNeverWrapsAndFocusMovesEndTheSearch) {
  DC->ChangeFocusedRowIndex(0);
  ASSERT_TRUE(S()->Locate(kText, "Б"));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 1);
  EXPECT_TRUE(S()->LocateNext(true));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 2);
  EXPECT_TRUE(S()->LocateNext(true));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 5);
  EXPECT_FALSE(S()->LocateNext(true));
  EXPECT_TRUE(S()->LocateNext(false));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 2);
  EXPECT_TRUE(S()->LocateNext(false));
  EXPECT_FALSE(S()->LocateNext(false));
  EXPECT_EQ(DC->GetFocusedRowIndex(), 1);
  EXPECT_TRUE(S()->GetSearching());
  Log.clear();
  DC->ChangeFocusedRowIndex(3);  // a focus move the search did not make
  EXPECT_FALSE(S()->GetSearching());
  EXPECT_NE(Joined().find("Search"), std::string::npos);
  EXPECT_FALSE(S()->LocateNext(true));
}

TEST_F(Search, EmptyListsAndFilteredRows) {
  DC->Filter()->AddItem(nullptr, DC->GetItem(kKey), foGreater, 102, "102");
  DC->Filter()->SetActive(true);
  EXPECT_EQ(RowRecords(), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(DC->FindRowByText(0, kText, "бор", true, true, true), 2);  // positions of the row view
  EXPECT_FALSE(S()->Locate(kText, "Ёл"));
  DC->Filter()->AddItem(nullptr, DC->GetItem(kKey), foLess, 0, "0");
  EXPECT_EQ(DC->GetRowCount(), 0);
  EXPECT_EQ(DC->FindRowByText(0, kText, "", false, true, true), -1);
  EXPECT_FALSE(S()->Locate(kText, "б"));
  EXPECT_FALSE(S()->LocateNext(true));
}

TEST_F(Search, KeyLocateFindsTheFirstRecordWithTheValues) {
  TcxDataControllerKeyLocateObject locate(DC);
  EXPECT_EQ(locate.FindRecordIndex(), -1);  // nothing loaded
  TcxValueDefUnboundReader reader;
  reader.SetValue(DC->Fields(kKey)->GetValueDef(), 103);
  locate.ReadRecord(&reader);
  EXPECT_EQ(locate.FindRecordIndex(), -1);  // no key fields
  locate.KeyFields = {DC->Fields(kKey)};
  EXPECT_EQ(locate.FindRecordIndex(), 3);
  reader.SetValue(DC->Fields(kText)->GetValueDef(), "бор");
  locate.KeyFields = {DC->Fields(kText), DC->Fields(kKey)};
  locate.ReadRecord(&reader);
  EXPECT_EQ(locate.FindRecordIndex(), -1);
  reader.SetValue(DC->Fields(kKey)->GetValueDef(), 101);
  locate.ReadRecord(&reader);
  EXPECT_EQ(locate.FindRecordIndex(), 1);
  // A record's own values, read back through the record reader, find that record.
  TcxValueDefRecordReader own(DC, 5);
  locate.ReadRecord(&own);
  EXPECT_EQ(locate.FindRecordIndex(), 5);
}
