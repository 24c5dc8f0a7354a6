// The group locate object over a grouped dataset-bound controller (in-memory dataset): a record of the
// group named by the grouping values of its path, by halving over the grouped record list, or by a scan
// when a grouping field sorts by display text.
#include <gtest/gtest.h>

#include "DBDataSupport.h"

namespace {

class DBGroupLocate : public ::testing::Test {
protected:
  void SetUp() override {
    Data = New<TdxMemData>(Owner);
    TStringField* grp = New<TStringField>(Owner);
    grp->SetFieldName("GRP");
    grp->SetSize(10);
    grp->SetDataSet(Data);
    for (const char* name : {"SUB", "ID"}) {
      TIntegerField* f = New<TIntegerField>(Owner);
      f->SetFieldName(name);
      f->SetDataSet(Data);
    }
    Data->Open();
    // Stored out of group order, so that only the row view's grouping brings groups together.
    const char* groups[] = {"c", "a", "b"};
    for (int i = 0; i < 12; ++i) {
      Data->Append();
      Data->FieldByName("GRP")->SetAsString(groups[i % 3]);
      Data->FieldByName("SUB")->SetAsInteger(i % 2 + 1);
      Data->FieldByName("ID")->SetAsInteger(i + 1);
      Data->Post();
    }
    Data->First();
    Source->SetDataSet(Data);
    C = std::make_unique<dbdata::BoundController>();
    C->Bind("ID");
    C->Bind("GRP");
    C->Bind("SUB");
    C->DC->SetDataSource(Source);
    C->DC->Groups()->ChangeGrouping(1, 0);
    C->DC->Groups()->ChangeGrouping(2, 1);
  }
  void TearDown() override {
    C.reset();
    Owner->Free();
  }

  // The record found for a path of grouping values, checked to lie in that group; -1 when none.
  int32_t Find(TcxDataControllerGroupLocateObject* ALocate, const std::vector<Variant>& APath) {
    TcxValueDefUnboundReader* reader = New<TcxValueDefUnboundReader>();
    for (size_t level = 0; level < APath.size(); ++level)
      reader->SetValue(C->DC->Fields(static_cast<int32_t>(level) + 1)->GetValueDef(), APath[level]);
    ALocate->SetLevel(static_cast<int32_t>(APath.size()) - 1);
    ALocate->ReadRecord(reader);
    reader->Free();
    const int32_t record = ALocate->FindRecordIndex();
    for (size_t level = 0; record != -1 && level < APath.size(); ++level)
      EXPECT_EQ(VarToStr(C->DC->GetValue(record, static_cast<int32_t>(level) + 1)), VarToStr(APath[level]));
    return record;
  }

  TComponent* Owner = New<TComponent>(nullptr);
  TdxMemData* Data = nullptr;
  TDataSource* Source = New<TDataSource>(Owner);
  std::unique_ptr<dbdata::BoundController> C;
};

TEST_F(DBGroupLocate, FindsARecordOfTheGroupByItsPath) {
  ASSERT_EQ(C->DC->GetRecordCount(), 12);
  for (bool byText : {false, true}) {
    SCOPED_TRACE(byText ? "by display text: a scan" : "by value: halving");
    if (byText) C->DC->SetOptions(C->DC->GetOptions() + TcxDataControllerOptions{dcoSortByDisplayText});
    TcxDataControllerGroupLocateObject* locate = New<TcxDataControllerGroupLocateObject>(C->DC);
    EXPECT_EQ(locate->BinarySearch(), !byText);
    EXPECT_EQ(locate->GroupingFields().size(), 2u);
    EXPECT_EQ(locate->FindRecordIndex(), -1);  // nothing read yet
    const struct {
      std::vector<Variant> path;
      bool found;
    } cases[] = {
        {{Variant("b")}, true},
        {{Variant("a"), Variant(2)}, true},
        {{Variant("c"), Variant(1)}, true},
        {{Variant("z")}, false},
        {{Variant("b"), Variant(3)}, false},
        {{Variant("a")}, true},
    };
    for (const auto& k : cases) {
      SCOPED_TRACE(VarToStr(k.path[0]) + (k.path.size() > 1 ? "/" + VarToStr(k.path[1]) : String()));
      EXPECT_EQ(Find(locate, k.path) != -1, k.found);
    }
    locate->Free();
  }
  // Halving over the row view's list directly: the first level only, then both.
  const int32_t record = C->DC->DataControllerInfo()->GetRecordListItem(7);
  const int32_t found = C->DC->LocateGroupRecord(record, 2);
  ASSERT_NE(found, -1);
  EXPECT_EQ(C->DC->GetValue(found, 1), C->DC->GetValue(record, 1));
  EXPECT_EQ(C->DC->GetValue(found, 2), C->DC->GetValue(record, 2));
  EXPECT_EQ(C->DC->LocateGroupRecord(record, 0), -1);
}

}  // namespace
