// The dataset-bound controller over an SQL dataset on the embedded engine, in loaded mode: binding by
// name, keys, the cursor and the focus following each other, and edits reaching the server.
#include <gtest/gtest.h>

#include "DBDataSupport.h"

namespace {


class DBDataLoaded : public dbdata::FirebirdSuite {};

TEST_F(DBDataLoaded, LoadsEveryRecordAndStartsOnTheCursor) {
  TpZAZDataSet* ds = OpenDataSet();
  ds->MoveBy(3);
  dbdata::BoundController& c = NewController();
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  EXPECT_EQ(c.Column(1).front(), "name1");
  EXPECT_EQ(c.Column(2).back(), "100");
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), 3);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
}

TEST_F(DBDataLoaded, OpeningTheDataSetReadsItsRecordsOnce) {
  dbdata::BoundController& c = NewController();
  TpZAZDataSet* ds = OpenDataSet();
  EXPECT_EQ(c.DC->Reads, 1);
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), 0);
  ds->Close();
  EXPECT_EQ(c.DC->GetRecordCount(), 0);
  ds->Open();
  EXPECT_EQ(c.DC->Reads, 2);
}

TEST_F(DBDataLoaded, ReopeningWithOtherFieldsRebindsByName) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController({"ID", "NAME", "QTY", "EXTRA"});
  EXPECT_EQ(c.DC->GetItemField(3), nullptr);
  ds->Close();
  EXPECT_EQ(c.DC->GetItemField(1), nullptr);  // default fields went with the closed dataset
  ds->SelectSQL()->SetText("SELECT QTY, NAME, ID, NAME || '!' AS EXTRA FROM P ORDER BY ID DESC");
  ds->Open();
  EXPECT_EQ(c.DC->GetItemField(1), ds->FieldByName("NAME"));
  EXPECT_EQ(c.DC->GetItemField(3), ds->FieldByName("EXTRA"));
  EXPECT_EQ(c.Column(0).front(), "10");
  EXPECT_EQ(c.Column(3).front(), "name10!");
  EXPECT_EQ(c.Column(2).back(), "10");
}

TEST_F(DBDataLoaded, FocusAndCursorFollowEachOther) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  const struct {
    int focusRow;  // -1: move the dataset instead
    int moveBy;
    int expectedRow;
    int expectedId;
  } steps[] = {{5, 0, 5, 6}, {-1, 2, 7, 8}, {-1, -6, 1, 2}, {9, 0, 9, 10}, {-1, -20, 0, 1}};
  for (const auto& s : steps) {
    if (s.focusRow >= 0)
      c.DC->ChangeFocusedRowIndex(s.focusRow);
    else
      ds->MoveBy(s.moveBy);
    EXPECT_EQ(c.DC->GetFocusedRowIndex(), s.expectedRow);
    EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), s.expectedId);
  }
}

TEST_F(DBDataLoaded, BindsByNameWithTheDuplicateAndCompositeRules) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController({"ID", "NAME", "name", "NAME;QTY", "NOSUCH"});
  TcxDBDataController* dc = c.DC;
  // The second binding of NAME (other case) refers to the first one's data.
  EXPECT_EQ(dc->GetItemField(2), ds->FieldByName("NAME"));
  EXPECT_EQ(dc->Fields(2)->ReferenceField(), dc->Fields(1));
  EXPECT_EQ(c.Column(2), c.Column(1));
  // A composite has one internal sub-field per name; its value is the array of theirs.
  TcxDBDataField* composite = dc->DBField(3);
  ASSERT_EQ(composite->FieldCount(), 2);
  EXPECT_EQ(composite->SubFields(1)->Field(), ds->FieldByName("QTY"));
  const Variant v = dc->GetValue(0, 3);
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarToStr(VarArrayGet(v, {0})), "name1");
  EXPECT_EQ(VarToStr(VarArrayGet(v, {1})), "10");
  // A name the dataset lacks binds nothing and reads Null.
  EXPECT_EQ(dc->GetItemField(4), nullptr);
  EXPECT_TRUE(VarIsNull(dc->GetValue(0, 4)));
  // The field decides the value type; the view cannot change it.
  EXPECT_EQ(dc->GetItemValueTypeClass(0), TcxIntegerValueType::StaticClass());
  dc->ChangeValueTypeClass(0, TcxStringValueType::StaticClass());
  EXPECT_EQ(dc->GetItemValueTypeClass(0), TcxIntegerValueType::StaticClass());
  EXPECT_THROW(dc->ChangeFieldName(9, "ID"), EcxInvalidDataControllerOperation);
}

TEST_F(DBDataLoaded, LocatesByKey) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->SetKeyFieldNames("ID");
  EXPECT_TRUE(c.DC->IsKeyFieldMode());
  EXPECT_EQ(c.DC->FindRecordIndexByKey(4), 3);
  EXPECT_TRUE(c.DC->LocateByKey(7));
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), 6);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
  EXPECT_FALSE(c.DC->LocateByKey(99));
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), -1);
  // Two key fields want an array.
  c.DC->SetKeyFieldNames("ID;NAME");
  EXPECT_EQ(c.DC->FindRecordIndexByKey(4), -1);
  EXPECT_EQ(c.DC->FindRecordIndexByKey(VarArrayOf({Variant(4), Variant("name4")})), 3);
  // A missing key field is reported when the key is first needed.
  c.DC->SetKeyFieldNames("NOPE");
  try {
    c.DC->GetDataSetKeyValues();
    FAIL() << "no error";
  } catch (const EcxInvalidDataControllerOperation& e) {
    EXPECT_EQ(e.Message(), cxSDataKeyFieldNotFound);
  }
  c.DC->SetKeyFieldNames("");
  EXPECT_FALSE(c.DC->IsKeyFieldMode());
}

TEST_F(DBDataLoaded, EditPostAndCancelReachTheServer) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->ChangeFocusedRowIndex(1);
  ASSERT_TRUE(c.DC->SetEditValue(1, Variant("changed"), evsValue));
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(c.DC->IsEditing());
  EXPECT_EQ(c.FocusedText(1), "changed");
  c.DC->Post();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 2")), "changed");
  EXPECT_EQ(c.FocusedText(1), "changed");
  EXPECT_EQ(c.DC->GetFocusedRowIndex(), 1);

  ASSERT_TRUE(c.DC->SetEditValue(2, Variant(555), evsValue));
  EXPECT_EQ(c.FocusedText(2), "555");
  c.DC->Cancel();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(c.FocusedText(2), "20");
  EXPECT_EQ(Scalar("SELECT QTY FROM P WHERE ID = 2").AsInteger(), 20);
}

TEST_F(DBDataLoaded, InsertAndDeleteReachTheServer) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->Append();
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_EQ(c.DC->GetRecordCount(), 11);
  c.DC->SetEditValue(0, 11, evsValue);
  c.DC->SetEditValue(1, Variant("new"), evsValue);
  c.DC->SetEditValue(2, 7, evsText);
  c.DC->Post();
  EXPECT_EQ(Scalar("SELECT NAME FROM P WHERE ID = 11").AsString(), "new");
  EXPECT_EQ(c.DC->GetRecordCount(), 11);
  EXPECT_EQ(c.FocusedText(0), "11");

  c.DC->ChangeFocusedRowIndex(2);
  c.DC->DeleteFocused();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM P WHERE ID = 3").AsInteger(), 0);
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  EXPECT_EQ(c.Column(0)[2], "4");
  EXPECT_EQ(ds->FieldByName("ID")->AsString(), c.FocusedText(0));
}

TEST_F(DBDataLoaded, AnInsertStartedInTheDataSetIsTakenOver) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  ds->Append();
  EXPECT_EQ(c.DC->GetRecordCount(), 11);
  EXPECT_TRUE(c.DC->IsEditing());
  EXPECT_EQ(c.DC->GetEditState() & dceInsert, dceInsert);
  ds->FieldByName("ID")->SetAsInteger(12);
  ds->FieldByName("NAME")->SetAsString("from code");
  EXPECT_EQ(c.FocusedText(1), "from code");
  ds->Cancel();
  EXPECT_FALSE(c.DC->IsEditing());
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  // Lookup grids switch the take-over off.
  c.DC->DataModeController()->SetInsertSyncEnabled(false);
  ds->Append();
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
  ds->Cancel();
}

TEST_F(DBDataLoaded, UnpostedEditSurvivesALocate) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->SetKeyFieldNames("ID");
  ASSERT_TRUE(c.DC->SetEditValue(1, Variant("kept"), evsValue));
  ASSERT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(c.DC->LocateByKey(5));
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 1")), "kept");
  EXPECT_EQ(c.Column(1)[0], "kept");
}

// A second control on the same dataset reloads while the first one has an unposted edit: the edit is
// posted, not dropped; an edit the server refuses stays pending and the reload is refused.
TEST_F(DBDataLoaded, AnotherControlsPendingEditIsPostedNotDropped) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& editor = NewController();
  dbdata::BoundController& other = NewController({"ID"});
  ASSERT_TRUE(editor.DC->SetEditValue(1, Variant("pending"), evsValue));
  ASSERT_EQ(ds->State(), dsEdit);
  other.Bind("NAME");  // a new binding reloads the other controller
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 1")), "pending");
  EXPECT_EQ(other.Column(1)[0], "pending");

  ASSERT_TRUE(editor.DC->SetEditValue(2, -5, evsValue));  // breaks the CHECK constraint
  ASSERT_EQ(ds->State(), dsEdit);
  EXPECT_THROW(other.Bind("QTY"), EcxInvalidDataControllerOperation);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), -5);
  ds->Cancel();
}

TEST_F(DBDataLoaded, WithoutSyncModeEditsStayInTheController) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->DataModeController()->SetSyncMode(false);
  EXPECT_FALSE(c.DC->Provider()->IsSyncMode());
  c.DC->ChangeFocusedRowIndex(4);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  ASSERT_TRUE(c.DC->SetEditValue(1, Variant("local"), evsValue));
  c.DC->Post();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(c.Column(1)[4], "local");
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 5")), "name5");
}

TEST_F(DBDataLoaded, SmartRefreshUpdatesOneRecordInsteadOfReloading) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  c.DC->SetKeyFieldNames("ID");
  c.DC->DataModeController()->SetSmartRefresh(true);
  c.DC->ChangeFocusedRowIndex(3);
  c.ClearLog();
  ASSERT_TRUE(c.DC->SetEditValue(1, Variant("smart"), evsValue));
  c.DC->Post();
  EXPECT_FALSE(c.Reloaded()) << ::testing::PrintToString(c.Log);
  EXPECT_EQ(c.Column(1)[3], "smart");
  EXPECT_EQ(VarToStr(Scalar("SELECT NAME FROM P WHERE ID = 4")), "smart");

  c.ClearLog();
  c.DC->DeleteFocused();
  EXPECT_FALSE(c.Reloaded()) << ::testing::PrintToString(c.Log);
  EXPECT_EQ(c.DC->GetRecordCount(), 9);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM P").AsInteger(), 9);
  EXPECT_EQ(c.FocusedText(0), ds->FieldByName("ID")->AsString());
}

TEST_F(DBDataLoaded, ADataSetFilterCarriesAnApostrophe) {
  Exec("UPDATE P SET NAME = 'O''Brien' WHERE ID = 3");
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  TcxDBDataFilterCriteria* filter = c.DC->Filter();
  filter->SetAutoDataSetFilter(true);
  filter->AddItem(filter->Root(), c.Items[1].get(), foEqual, Variant("O'Brien"), "O'Brien");
  filter->SetActive(true);
  EXPECT_EQ(ds->Filter(), "(NAME = 'O''Brien')");
  EXPECT_TRUE(ds->Filtered());
  EXPECT_EQ(c.DC->GetRecordCount(), 1);
  EXPECT_EQ(c.FocusedText(0), "3");
  // Clearing the last condition leaves the dataset unfiltered.
  filter->Clear();
  EXPECT_EQ(ds->Filter(), "");
  EXPECT_FALSE(ds->Filtered());
  EXPECT_EQ(c.DC->GetRecordCount(), 10);
}

// The filter and the incremental search read a text field's stored text in place where the controller
// keeps its own copy; in grid mode and for a composite they take the values the slow way, and both ways
// agree with the values the filter and the search compare.
TEST_F(DBDataLoaded, FilterAndSearchReadTheSameTextsInLoadedAndGridMode) {
  for (const bool grid : {false, true}) {
    SCOPED_TRACE(grid ? "grid" : "loaded");
    TpZAZDataSet* ds = OpenDataSet();
    dbdata::BoundController& c = NewController({"ID", "NAME", "NAME;QTY"});
    c.DC->DataModeController()->SetGridMode(grid);
    ASSERT_EQ(c.DC->IsGridMode(), grid);
    ASSERT_EQ(c.DC->GetRecordCount(), 10);
    for (int32_t r = 0; r < c.DC->GetRecordCount(); ++r) {
      TcxCustomDataField* name = c.DC->Fields(1);
      const String* text = nullptr;
      ASSERT_EQ(c.DC->GetFilterDataTextRef(r, name, text), !grid);
      if (!grid) {
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(*text, VarToStr(c.DC->GetFilterDataValue(r, name)));
      }
      ASSERT_EQ(c.DC->GetSearchDisplayTextRef(r, name, text), !grid);
      if (!grid) {
        EXPECT_EQ(*text, c.DC->GetSearchDisplayText(r, name));
      }
      TcxCustomDataField* composite = c.DC->Fields(2);
      EXPECT_FALSE(c.DC->GetFilterDataTextRef(r, composite, text));
      EXPECT_FALSE(c.DC->GetSearchDisplayTextRef(r, composite, text));
    }
    // Incremental search by a prefix, on the name and on the composite's joined text.
    EXPECT_TRUE(c.DC->Search()->Locate(1, "name7"));
    EXPECT_EQ(c.FocusedText(0), "7");
    // From 7 the composite's "name4;40" lies past the end: a new search wraps.
    EXPECT_TRUE(c.DC->Search()->Locate(2, "name4;4"));
    EXPECT_EQ(c.FocusedText(0), "4");
    // Any case; from 4 the first "name1..." is name10, and the next match forward does not wrap.
    EXPECT_TRUE(c.DC->Search()->Locate(1, "NAME1"));
    EXPECT_EQ(c.FocusedText(0), "10");
    EXPECT_FALSE(c.DC->Search()->LocateNext(true));
    EXPECT_EQ(c.FocusedText(0), "10");
    EXPECT_TRUE(c.DC->Search()->LocateNext(false));
    EXPECT_EQ(c.FocusedText(0), "1");
    // A failed search leaves the focus and the cursor where they were.
    EXPECT_FALSE(c.DC->Search()->Locate(1, "nobody"));
    EXPECT_EQ(c.FocusedText(0), "1");
    EXPECT_EQ(ds->FieldByName("ID")->AsString(), "1");
    c.DC->Search()->Cancel();
    // The copy is filtered in loaded mode; grid mode hands the condition to the dataset.
    TcxDBDataFilterCriteria* filter = c.DC->Filter();
    filter->SetAutoDataSetFilter(grid);
    filter->AddItem(filter->Root(), c.Items[1].get(), foLike, Variant("name1%"), "name1%");
    filter->SetActive(true);
    EXPECT_EQ(filter->IsFiltering(), !grid);
    EXPECT_EQ(c.Column(0), (std::vector<String>{"1", "10"}));
    EXPECT_EQ(ds->Filtered(), grid);
    filter->Clear();
    EXPECT_EQ(c.DC->GetRowCount(), 10);
    EXPECT_FALSE(ds->Filtered());
    ds->Close();
  }
}

TEST_F(DBDataLoaded, AFilterChangeThatCannotPostThePendingEditSwitchesTheFilterOff) {
  TpZAZDataSet* ds = OpenDataSet();
  dbdata::BoundController& c = NewController();
  TcxDBDataFilterCriteria* filter = c.DC->Filter();
  filter->AddItem(filter->Root(), c.Items[1].get(), foEqual, Variant("name3"), "name3");
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(-1);  // the table's check refuses it
  EXPECT_ANY_THROW(filter->SetActive(true));
  EXPECT_FALSE(filter->Active());
  EXPECT_FALSE(filter->IsFiltering());
  ds->Cancel();
  EXPECT_EQ(c.DC->GetRowCount(), 10);
  // Once the edit is gone the filter applies as usual.
  filter->SetActive(true);
  EXPECT_EQ(c.Column(0), (std::vector<String>{"3"}));
}

}  // namespace

namespace {

// Summary items of this controller name their dataset field themselves; the sum follows the name,
// whether or not a grid item shows that field (a shown field is shared, not bound twice).
TEST_F(DBDataLoaded, FooterSumThroughAnItemNamingItsField) {
  struct Case {
    std::initializer_list<const char*> Items;
    const char* FieldName;
    double Sum;
  };
  const Case cases[] = {{{"ID", "NAME"}, "QTY", 550}, {{"ID", "NAME", "QTY"}, "QTY", 550}, {{"NAME"}, "ID", 55}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.FieldName);
    OpenDataSet();
    dbdata::BoundController& c = NewController(k.Items);
    TcxDataFooterSummaryItems* footer = c.DC->Summary()->FooterSummaryItems();
    auto* item = dynamic_cast<TcxDBDataSummaryItem*>(footer->Add());
    ASSERT_NE(item, nullptr);
    item->SetKind(skSum);
    item->SetFieldName(k.FieldName);
    ASSERT_NE(item->GetDataField(), nullptr);
    EXPECT_DOUBLE_EQ(c.DC->Summary()->GetFooterSummaryValue(0).AsDouble(), k.Sum);
    EXPECT_EQ(c.DC->Summary()->GetFooterSummaryText(0), FormatFloat("0.00;-0.00", k.Sum));
    // The name dropped: a footer item without a field is not calculated.
    item->SetFieldName("");
    EXPECT_EQ(item->GetDataField(), nullptr);
    EXPECT_TRUE(VarIsEmpty(c.DC->Summary()->GetFooterSummaryValue(0)));
    Controllers.clear();
  }
}

TEST_F(DBDataLoaded, SummaryItemNamedBeforeTheDataArrivesSumsAndCopies) {
  dbdata::BoundController& c = NewController({"ID", "NAME"});
  auto* item = static_cast<TcxDBDataSummaryItem*>(c.DC->Summary()->FooterSummaryItems()->Add());
  item->SetKind(skSum);
  item->SetFieldName("QTY");
  OpenDataSet();
  EXPECT_EQ(c.DC->Summary()->GetFooterSummaryValue(0).AsDouble(), 550);
  // A copy sums the same field.
  auto* copy = static_cast<TcxDBDataSummaryItem*>(c.DC->Summary()->FooterSummaryItems()->Add());
  copy->Assign(item);
  EXPECT_EQ(copy->FieldName(), "QTY");
  EXPECT_EQ(copy->Kind(), skSum);
  EXPECT_EQ(c.DC->Summary()->GetFooterSummaryValue(1).AsDouble(), 550);
  // A changed row read again changes the sum.
  Exec("UPDATE P SET QTY = 0 WHERE ID = 10");
  c.DC->GetDataSet()->Close();
  c.DC->GetDataSet()->Open();
  EXPECT_EQ(c.DC->Summary()->GetFooterSummaryValue(0).AsDouble(), 450);
}

TEST_F(DBDataLoaded, SummaryCollectionsTakeTheControllersItemClasses) {
  dbdata::BoundController& c = NewController({"ID"});
  TcxDataSummary* s = c.DC->Summary();
  EXPECT_NE(dynamic_cast<TcxDBDataSummaryItem*>(s->FooterSummaryItems()->Add()), nullptr);
  EXPECT_NE(dynamic_cast<TcxDBDataSummaryItem*>(s->DefaultGroupSummaryItems()->Add()), nullptr);
  TcxDataSummaryGroup* g = s->SummaryGroups()->Add();
  EXPECT_NE(dynamic_cast<TcxDBDataSummaryItem*>(g->SummaryItems()->Add()), nullptr);
  EXPECT_EQ(g->Links()->ItemClass(), TcxDataSummaryGroupItemLink::StaticClass());
}

}  // namespace

namespace {

// A master over P and a detail over its own dataset: the detail names the master's key fields, the
// relation binds them in the master (even when no master item shows them), and a detail made for one
// master record carries that record's key.
TEST_F(DBDataLoaded, DetailOfAMasterRecordCarriesTheMasterKey) {
  TpZAZDataSet* detailSet = OpenDataSet("SELECT ID, NAME, QTY FROM P ORDER BY ID DESC");
  TDataSource* detailSource = New<TDataSource>(Owner);
  detailSource->SetDataSet(detailSet);
  OpenDataSet();
  dbdata::BoundController& master = NewController({"ID", "NAME"});
  TObject relationItem;
  auto* relation = dynamic_cast<TcxDBDataRelation*>(master.DC->GetRelations()->Add(&relationItem));
  ASSERT_NE(relation, nullptr);

  Controllers.push_back(std::make_unique<dbdata::BoundController>());
  TcxDBDataController* pattern = Controllers.back()->DC;
  Controllers.back()->Bind("ID");
  pattern->SetDataSource(detailSource);
  pattern->SetMasterRelation(relation, -1);
  EXPECT_FALSE(relation->IsLinked());  // no key names yet
  pattern->SetDetailKeyFieldNames("ID;QTY");
  pattern->SetMasterKeyFieldNames("ID;QTY");
  ASSERT_TRUE(relation->IsLinked());
  EXPECT_EQ(relation->MasterKeyDataField()->FieldCount(), 2);

  struct Case {
    const char* MasterKeys;
    int32_t Record;
    const char* Key;
  };
  const Case cases[] = {{"ID;QTY", 2, "3,30"}, {"QTY", 0, "10"}, {"ID", 9, "10"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.MasterKeys);
    pattern->SetMasterKeyFieldNames(k.MasterKeys);
    TcxDBDataController* clone = New<TcxDBDataController>(nullptr);
    clone->SetMasterRelation(relation, k.Record);
    const Variant key = clone->MasterKeyValues();
    std::string text;
    if (VarIsArray(key))
      for (int32_t i = VarArrayLowBound(key, 1); i <= VarArrayHighBound(key, 1); ++i)
        text += (text.empty() ? "" : ",") + std::string(VarToStr(key[i]));
    else
      text = VarToStr(key);
    EXPECT_EQ(text, k.Key);
    clone->SetMasterRelation(nullptr, -1);
    clone->Free();
  }
  EXPECT_THROW(master.DC->GetMasterRecordKeyValues(relation, 10), EcxInvalidDataControllerOperation);
  // Without master key names the relation unlinks and a detail record gets no key.
  pattern->SetMasterKeyFieldNames("");
  EXPECT_EQ(relation->MasterKeyDataField(), nullptr);
  EXPECT_TRUE(VarIsEmpty(master.DC->GetMasterRecordKeyValues(relation, 0)));
  pattern->SetMasterRelation(nullptr, -1);
  Controllers.clear();
  detailSource->Free();
}

}  // namespace

namespace {

// A detail made for one master record reads only the detail rows carrying that record's key: the run
// the locate of the first step lands on, up to the first row with another key.
TEST_F(DBDataLoaded, DetailReadsTheRowsOfItsMasterRecord) {
  TpZAZDataSet* detailSet = OpenDataSet("SELECT ID / 4 AS GRP, ID, NAME FROM P ORDER BY 1, 2");
  TDataSource* detailSource = New<TDataSource>(Owner);
  detailSource->SetDataSet(detailSet);
  OpenDataSet();
  dbdata::BoundController& master = NewController({"ID", "NAME"});
  TObject relationItem;
  auto* relation = static_cast<TcxDBDataRelation*>(master.DC->GetRelations()->Add(&relationItem));
  auto detailController = [&](int32_t AMasterRecord) {
    Controllers.push_back(std::make_unique<dbdata::BoundController>());
    dbdata::BoundController& d = *Controllers.back();
    d.Bind("ID");
    d.DC->SetDetailKeyFieldNames("GRP");
    d.DC->SetMasterKeyFieldNames("ID");
    d.DC->SetDataSource(detailSource);
    d.DC->SetMasterRelation(relation, AMasterRecord);
    return &d;
  };
  dbdata::BoundController* pattern = detailController(-1);
  EXPECT_EQ(pattern->DC->GetRecordCount(), 0);  // the pattern has no master record
  struct Case {
    int32_t MasterRecord;
    std::vector<String> Ids;
  };
  const Case cases[] = {{1, {"8", "9", "10"}}, {0, {"4", "5", "6", "7"}}, {5, {}}};
  std::vector<dbdata::BoundController*> clones;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.MasterRecord);
    dbdata::BoundController* clone = detailController(k.MasterRecord);
    EXPECT_EQ(clone->Column(0), k.Ids);
    clones.push_back(clone);
  }
  for (dbdata::BoundController* c : clones) c->DC->SetMasterRelation(nullptr, -1);
  pattern->DC->SetMasterRelation(nullptr, -1);
  Controllers.clear();
  detailSource->Free();
}

}  // namespace
