// The dataset-bound controller over the in-memory dataset: lookup fields through their keys, deleting a
// list of records, the filter text handed to the dataset and the filter of the copy; the adapter
// registries and the field utilities.
#include <gtest/gtest.h>

#include <functional>

#include "DBDataSupport.h"

namespace {

// An in-memory dataset whose class name says it is a query.
class TMemQuery : public TdxMemData {
  RTL_CLASS(TMemQuery, TdxMemData)
public:
  using TdxMemData::TdxMemData;
};

// An in-memory dataset re-queried through a parameter.
class TParamMemData : public TdxMemData {
  RTL_CLASS(TParamMemData, TdxMemData)
public:
  using TdxMemData::TdxMemData;
  ~TParamMemData() override { delete FParams; }
  TParams* GetDetailParams() const override { return FParams; }
  TParams* FParams = new TParams();
  int32_t Opens = 0;

protected:
  void DoAfterOpen() override {
    ++Opens;
    TdxMemData::DoAfterOpen();
  }
};

class DBDataMem : public ::testing::Test {
protected:
  TComponent* Owner = New<TComponent>(nullptr);
  TdxMemData* Customers = nullptr;
  TdxMemData* Data = nullptr;
  TDataSource* Source = New<TDataSource>(Owner);
  std::unique_ptr<dbdata::BoundController> C;

  template <class F>
  F* AddField(TDataSet* ds, const String& name, int32_t size = 0) {
    F* f = New<F>(Owner);
    f->SetFieldName(name);
    if (size) f->SetSize(size);
    f->SetDataSet(ds);
    return f;
  }

  void SetUp() override { Build<TdxMemData>(); }
  void TearDown() override {
    C.reset();
    Owner->Free();
  }

  template <class D>
  void Build() {
    Customers = New<TdxMemData>(Owner);
    AddField<TIntegerField>(Customers, "CID");
    AddField<TStringField>(Customers, "CNAME", 20);
    Customers->Open();
    for (int i = 1; i <= 3; ++i) {
      Customers->Append();
      Customers->FieldByName("CID")->SetAsInteger(i);
      Customers->FieldByName("CNAME")->SetAsString("cust" + std::to_string(i));
      Customers->Post();
    }
    Data = New<D>(Owner);
    AddField<TIntegerField>(Data, "ID");
    AddField<TStringField>(Data, "NAME", 40);
    AddField<TIntegerField>(Data, "CUST");
    TStringField* lookup = AddField<TStringField>(Data, "CUSTNAME", 20);
    lookup->SetFieldKind(fkLookup);
    lookup->SetKeyFields("CUST");
    lookup->SetLookupDataSet(Customers);
    lookup->SetLookupKeyFields("CID");
    lookup->SetLookupResultField("CNAME");
    Data->Open();
    for (int i = 1; i <= 10; ++i) {
      Data->Append();
      Data->FieldByName("ID")->SetAsInteger(i);
      Data->FieldByName("NAME")->SetAsString(i == 4 ? String("O'Brien") : "n" + std::to_string(i));
      Data->FieldByName("CUST")->SetAsInteger(i % 3 + 1);
      Data->Post();
    }
    Data->First();
    Source->SetDataSet(Data);
  }

  dbdata::BoundController& Bind(std::initializer_list<const char*> AFields) {
    C = std::make_unique<dbdata::BoundController>();
    for (const char* f : AFields) C->Bind(f);
    C->DC->SetDataSource(Source);
    return *C;
  }
};

TEST_F(DBDataMem, ALookupItemIsReadAndWrittenThroughItsKeys) {
  dbdata::BoundController& c = Bind({"ID", "CUSTNAME"});
  TcxDBDataField* f = c.DC->DBField(1);
  ASSERT_TRUE(f->IsLookup());
  ASSERT_EQ(f->FieldCount(), 1);
  EXPECT_EQ(f->SubFields(0)->Field(), Data->FieldByName("CUST"));
  EXPECT_EQ(c.Column(1)[0], "cust2");  // ID 1: CUST 2
  EXPECT_EQ(VarToStr(c.DC->GetFilterDataValue(0, f)), "2");
  EXPECT_TRUE(f->CanModify(evsKey));
  EXPECT_FALSE(f->CanModify(evsValue));
  ASSERT_TRUE(c.DC->SetEditValue(1, 3, evsKey));
  EXPECT_EQ(Data->FieldByName("CUST")->AsInteger(), 3);
  c.DC->Post();
  EXPECT_EQ(c.Column(1)[0], "cust3");
  EXPECT_EQ(c.DC->GetItemFilterName(1), "CUST");
}

TEST_F(DBDataMem, DeletingAListWithoutKeysRemovesExactlyThoseRecords) {
  dbdata::BoundController& c = Bind({"ID"});
  c.DC->DeleteRecords({2, 5, 9});
  EXPECT_EQ(c.Column(0), (std::vector<String>{"1", "2", "4", "5", "7", "8", "9"}));
  EXPECT_EQ(Data->RecordCount(), 7);
}

TEST_F(DBDataMem, AKeyedListIsDeletedByLocatingEachKey) {
  dbdata::BoundController& c = Bind({"ID", "NAME"});
  c.DC->SetKeyFieldNames("ID");
  c.DC->DeleteRecords({0, 9, 3});
  EXPECT_EQ(c.Column(0), (std::vector<String>{"2", "3", "5", "6", "7", "8", "9"}));
}

TEST_F(DBDataMem, TheFilterTextDoublesApostrophesAndFiltersTheCopy) {
  dbdata::BoundController& c = Bind({"ID", "NAME"});
  TcxDBDataFilterCriteria* filter = c.DC->Filter();
  filter->AddItem(filter->Root(), c.Items[1].get(), foEqual, Variant("O'Brien"), "O'Brien");
  filter->SetActive(true);
  // The copy is filtered by the criteria themselves.
  EXPECT_TRUE(filter->IsFiltering());
  EXPECT_EQ(c.Column(0), (std::vector<String>{"4"}));
  // Handed to the dataset, the text keeps the value as one literal.
  filter->SetAutoDataSetFilter(true);
  EXPECT_FALSE(filter->IsFiltering());
  EXPECT_EQ(Data->Filter(), "(NAME = 'O''Brien')");
  EXPECT_TRUE(Data->Filtered());
  String formatted;
  filter->OnFormatFilterTextValue = [&](TcxDBDataFilterCriteria*, const Variant&, String& text) { formatted = text; };
  filter->Changed();
  EXPECT_EQ(formatted, "'O''Brien'");
}

TEST_F(DBDataMem, AnExtraFilterLeavesTheDataSetAndTheRowsAlone) {
  dbdata::BoundController& c = Bind({"ID", "NAME"});
  auto* extra = dynamic_cast<TcxDBDataFilterCriteria*>(c.DC->GetFilterList()->AddFilter());
  ASSERT_NE(extra, nullptr);
  extra->SetAutoDataSetFilter(true);
  extra->AddItem(extra->Root(), c.Items[1].get(), foEqual, Variant("O'Brien"), "O'Brien");
  extra->SetActive(true);
  EXPECT_EQ(extra->GetFilterText(), "(NAME = 'O''Brien')");
  EXPECT_EQ(Data->Filter(), "");
  EXPECT_FALSE(Data->Filtered());
  EXPECT_EQ(c.DC->GetRowCount(), 10);
}

TEST_F(DBDataMem, NullTestsTakeTheSqlFormOnlyForQueries) {
  const struct {
    bool query;
    const char* text;
  } cases[] = {{false, "(NAME = NULL)"}, {true, "(NAME IS NULL)"}};
  for (const auto& k : cases) {
    C.reset();
    Owner->Free();
    Owner = New<TComponent>(nullptr);
    Source = New<TDataSource>(Owner);
    if (k.query)
      Build<TMemQuery>();
    else
      Build<TdxMemData>();
    dbdata::BoundController& c = Bind({"ID", "NAME"});
    TcxDBDataFilterCriteria* filter = c.DC->Filter();
    filter->AddItem(filter->Root(), c.Items[1].get(), foEqual, Null(), "");
    EXPECT_EQ(filter->GetFilterText(), k.text);
  }
}

TEST_F(DBDataMem, FieldNamesGoToTheFilterQuotedOrByOrigin) {
  Data->Close();
  AddField<TStringField>(Data, "FULL NAME", 20);
  Data->FieldByName("NAME")->SetOrigin("P.NAME");
  Data->Open();
  dbdata::BoundController& c = Bind({"FULL NAME", "NAME"});
  EXPECT_EQ(c.DC->GetItemFilterName(0), "[FULL NAME]");
  EXPECT_EQ(c.DC->GetItemFilterName(1), "NAME");
  c.DC->Filter()->SetIgnoreOrigin(false);
  EXPECT_EQ(c.DC->GetItemFilterName(1), "[P.NAME]");
}

TEST(DBAdapterList, FindsTheMostDerivedRegisteredClass) {
  TcxDBAdapterList* list = New<TcxDBAdapterList>();
  auto kind = cxDBAdapterClass<TcxDBFilterOperatorAdapter>();
  list->RegisterAdapter(TdxMemData::StaticClass(), kind);
  list->RegisterAdapter(TDataSet::StaticClass(), kind);  // more general: goes in front
  list->RegisterAdapter(TMemQuery::StaticClass(), kind);
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->GetAdapter(0)->RegisteredClass(), TDataSet::StaticClass());
  EXPECT_EQ(list->GetAdapter(1)->RegisteredClass(), TdxMemData::StaticClass());
  EXPECT_EQ(list->GetAdapter(2)->RegisteredClass(), TMemQuery::StaticClass());
  const struct {
    TClass cls;
    int32_t index;
  } cases[] = {{TMemQuery::StaticClass(), 2}, {TParamMemData::StaticClass(), 1}, {TdxMemData::StaticClass(), 1},
               {TDataSet::StaticClass(), 0}};
  for (const auto& k : cases) {
    int32_t index = -1;
    EXPECT_TRUE(list->Find(k.cls, index));
    EXPECT_EQ(index, k.index) << k.cls->ClassName();
  }
  int32_t index = -1;
  EXPECT_FALSE(list->Find(TComponent::StaticClass(), index));
  list->UnregisterAdapter(TdxMemData::StaticClass(), cxDBAdapterClass<TcxDBProviderDetailFilterAdapter>());
  EXPECT_EQ(list->Count(), 3);
  list->UnregisterAdapter(TdxMemData::StaticClass(), kind);
  EXPECT_EQ(list->Count(), 2);
  list->Free();
  // The process-wide registries start with the entry for every dataset.
  EXPECT_EQ(cxFilterOperatorAdapters()->Count(), 1);
  EXPECT_EQ(cxDetailFilterControllers()->Count(), 1);
}

TEST(DBDetailAdapter, ReQueriesOnlyThroughDetailParameters) {
  TComponent* owner = New<TComponent>(nullptr);
  auto* plain = New<TdxMemData>(owner);
  auto* withParams = New<TParamMemData>(owner);
  for (TdxMemData* ds : {static_cast<TdxMemData*>(plain), static_cast<TdxMemData*>(withParams)}) {
    TIntegerField* f = New<TIntegerField>(owner);
    f->SetFieldName("MID");
    f->SetDataSet(ds);
    ds->Open();
  }
  withParams->FParams->CreateParam(ftInteger, "MID", ptInput);
  TcxDBProviderDetailFilterAdapter* adapter = New<TcxDBProviderDetailFilterAdapter>(TDataSet::StaticClass());
  EXPECT_FALSE(adapter->IsCurrentQuery(plain, "MID", 5));
  bool reopened = false;
  adapter->ReopenSQL(plain, "MID", 5, reopened);
  EXPECT_FALSE(reopened);
  EXPECT_FALSE(adapter->IsCurrentQuery(withParams, "MID", 5));
  const int32_t opens = withParams->Opens;
  adapter->DetailFirst(withParams, "MID", 5, reopened, true);
  EXPECT_TRUE(reopened);
  EXPECT_EQ(withParams->Opens, opens + 1);
  EXPECT_TRUE(adapter->IsCurrentQuery(withParams, "MID", 5));
  reopened = false;
  adapter->DetailFirst(withParams, "MID", 5, reopened, true);
  EXPECT_FALSE(reopened);
  EXPECT_EQ(withParams->Opens, opens + 1);
  adapter->Free();
  owner->Free();
}

TEST(DBFieldUtilities, NameListsAndQuoting) {
  const struct {
    const char* names;
    int32_t count;
    const char* second;
  } lists[] = {{"", 0, ""}, {"A", 1, ""}, {"A;B", 2, "B"}, {" A ; B ;C", 3, "B"}, {"A;", 1, ""}};
  for (const auto& l : lists) {
    std::vector<String> parts;
    SplitFieldNames(l.names, parts);
    EXPECT_EQ(GetFieldNameCount(l.names), l.count) << l.names;
    EXPECT_EQ(HasMultipleFieldNames(l.names), l.count > 1);
    if (l.count > 1) {
      EXPECT_EQ(parts[1], l.second);
    }
  }
  const struct {
    const char* in;
    const char* out;
  } quoted[] = {{"NAME", "NAME"}, {"FULL NAME", "[FULL NAME]"}, {"1ST", "[1ST]"}, {"_X1", "_X1"}};
  for (const auto& q : quoted) {
    String s = q.in;
    QuoteFieldName(s);
    EXPECT_EQ(s, q.out);
  }
  EXPECT_TRUE(IsSameFieldName("Name", "NAME"));
  EXPECT_FALSE(IsSameFieldName("Name", "NAMES"));
}

TEST_F(DBDataMem, ValueTypesAndStoredTextFollowTheField) {
  const struct {
    const char* field;
    TcxValueTypeClass cls;
  } types[] = {{"ID", TcxIntegerValueType::StaticClass()},
               {"NAME", TcxStringValueType::StaticClass()},
               {"CUSTNAME", TcxStringValueType::StaticClass()}};
  for (const auto& t : types) EXPECT_EQ(GetValueTypeClassForField(Data->FieldByName(t.field)), t.cls) << t.field;
  EXPECT_EQ(GetValueTypeClassForField(nullptr), TcxStringValueType::StaticClass());
  TField* id = Data->FieldByName("ID");
  EXPECT_FALSE(NeedsStoredText(id, true));
  static_cast<TIntegerField*>(id)->SetDisplayFormat("0000");
  EXPECT_TRUE(NeedsStoredText(id, false));
  EXPECT_FALSE(IsCurrencyField(id));
  EXPECT_TRUE(CanEditField(id, false));
  EXPECT_TRUE(CanModifyLookupField(Data->FieldByName("CUSTNAME")));
  Variant v;
  GetFieldValues(Data, {Data->FieldByName("ID"), Data->FieldByName("NAME")}, v);
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(VarToStr(VarArrayGet(v, {1})), "n1");
}

// A link after the controller's on the same source: it sees a field's focusing request only when no one
// before it took the request.
class TFocusWitness : public TDataLink {
  RTL_CLASS(TFocusWitness, TDataLink)
public:
  std::vector<String> Seen;

protected:
  void FocusControl(TField** AField) override { Seen.push_back(*AField ? (*AField)->FieldName() : String("-")); }
};

TEST_F(DBDataMem, AFieldsFocusRequestIsTakenOnlyWhenTheViewStartsEditing) {
  dbdata::BoundController& c = Bind({"ID", "NAME"});
  auto* witness = New<TFocusWitness>();
  witness->SetDataSource(Source);
  Data->FieldByName("NAME")->FocusControl();
  c.DC->StartsEditing = true;
  Data->FieldByName("NAME")->FocusControl();
  Data->FieldByName("CUST")->FocusControl();  // no item shows it: the controller is not asked
  EXPECT_EQ(c.DC->EditingAsked, (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(witness->Seen, (std::vector<String>{"NAME", "-", "CUST"}));
  witness->Free();
}

TEST_F(DBDataMem, TheControllerHearsWhenTheDataSetMovesChangesOrCloses) {
  dbdata::BoundController& c = Bind({"ID"});
  const struct {
    const char* step;
    std::function<void()> run;
  } steps[] = {
      {"next", [&] { Data->Next(); }},
      {"last", [&] { Data->Last(); }},
      {"append", [&] {
         Data->Append();
         Data->FieldByName("ID")->SetAsInteger(11);
         Data->Post();
       }},
      {"close", [&] { Data->Close(); }},
      {"open", [&] { Data->Open(); }},
  };
  for (const auto& s : steps) {
    const int32_t before = c.DC->PositionChanges;
    s.run();
    EXPECT_GT(c.DC->PositionChanges, before) << s.step;
  }
}

TEST_F(DBDataMem, ItemsHearWhenTheirFieldsValueTypeFollowsAnotherField) {
  dbdata::BoundController& c = Bind({"ID", "NAME"});
  EXPECT_EQ(c.DC->TypeChanged, (std::vector<int32_t>{0, 1})) << "both items took their fields' types";
  c.DC->TypeChanged.clear();
  c.DC->ChangeFieldName(1, "CUST");  // text to integer: told once
  EXPECT_EQ(c.DC->TypeChanged, (std::vector<int32_t>{1}));
  c.DC->ChangeFieldName(1, "CUST");  // the same name: nothing to adapt
  c.DC->ChangeFieldName(1, "ID");    // read through item 0's field: already an integer
  EXPECT_EQ(c.DC->TypeChanged, (std::vector<int32_t>{1}));
  c.DC->ChangeFieldName(1, "NAME");  // back to text, through item 1's own field again
  EXPECT_EQ(c.DC->TypeChanged, (std::vector<int32_t>{1, 1}));
}

}  // namespace
