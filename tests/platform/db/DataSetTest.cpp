// The dataset's state machine, event order, notifications, fields and errors, proved on an array-backed
// descendant.
#include <gtest/gtest.h>

#include <memory>

#include "ArrayDataSet.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"

namespace {

using Log = std::vector<String>;

// A data link that records every notification it receives.
class TLogLink : public TDataLink {
  RTL_CLASS(TLogLink, TDataLink)
public:
  explicit TLogLink(Log* log) : FLog(log) {}

protected:
  void ActiveChanged() override { FLog->push_back("ActiveChanged"); }
  void CheckBrowseMode() override { FLog->push_back("CheckBrowseMode"); }
  void DataSetChanged() override { FLog->push_back("DataSetChanged"); }
  void DataSetScrolled(int32_t distance) override { FLog->push_back("DataSetScrolled(" + IntToStr(distance) + ")"); }
  void EditingChanged() override { FLog->push_back("EditingChanged"); }
  void LayoutChanged() override { FLog->push_back("LayoutChanged"); }
  void RecordChanged(TField* field) override {
    FLog->push_back("RecordChanged(" + (field ? field->FieldName() : String("nil")) + ")");
  }
  void UpdateData() override { FLog->push_back("UpdateData"); }

private:
  Log* FLog;
};

class DataSetTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFormatSettings(TFormatSettings::Russian());
    Owner = New<TComponent>(static_cast<TComponent*>(nullptr));
    DS = New<TArrayDataSet>(Owner);
    DS->SetName("Table");
    Id = AddField<TIntegerField>("ID");
    Name = AddField<TStringField>("NAME", 10);
    Source = New<TDataSource>(Owner);
    Source->SetDataSet(DS);
  }
  void TearDown() override {
    delete Link;
    Owner->Free();
    SetFormatSettings(TFormatSettings::Russian());
  }

  template <class F>
  F* AddField(const String& name, int32_t size = 0, TFieldKind kind = fkData) {
    F* f = New<F>(Owner);
    f->SetFieldName(name);
    if (size) f->SetSize(size);
    f->SetFieldKind(kind);
    f->SetDataSet(DS);
    return f;
  }

  void Fill(int n) {
    DS->Open();
    for (int i = 1; i <= n; ++i) DS->AppendRecord({i, "row" + IntToStr(i)});
    DS->First();
  }

  void Attach() {
    Link = new TLogLink(&L);
    Link->SetDataSource(Source);
  }

  void HookEvents() {
    auto hook = [this](const char* name) { return TDataSetNotifyEvent([this, name](TDataSet*) { L.push_back(name); }); };
    DS->BeforeOpen = hook("BeforeOpen");
    DS->AfterOpen = hook("AfterOpen");
    DS->BeforeClose = hook("BeforeClose");
    DS->AfterClose = hook("AfterClose");
    DS->BeforeInsert = hook("BeforeInsert");
    DS->AfterInsert = hook("AfterInsert");
    DS->BeforeEdit = hook("BeforeEdit");
    DS->AfterEdit = hook("AfterEdit");
    DS->BeforePost = hook("BeforePost");
    DS->AfterPost = hook("AfterPost");
    DS->BeforeCancel = hook("BeforeCancel");
    DS->AfterCancel = hook("AfterCancel");
    DS->BeforeDelete = hook("BeforeDelete");
    DS->AfterDelete = hook("AfterDelete");
    DS->BeforeScroll = hook("BeforeScroll");
    DS->AfterScroll = hook("AfterScroll");
    DS->OnNewRecord = hook("OnNewRecord");
  }

  std::vector<int> Ids() {
    std::vector<int> out;
    TBookmark bm = DS->GetBookmark();
    DS->DisableControls();
    for (DS->First(); !DS->Eof(); DS->Next()) out.push_back(Id->AsInteger());
    if (!bm.empty()) DS->GotoBookmark(bm);
    DS->EnableControls();
    return out;
  }

  TComponent* Owner = nullptr;
  TArrayDataSet* DS = nullptr;
  TDataSource* Source = nullptr;
  TLogLink* Link = nullptr;
  TIntegerField* Id = nullptr;
  TStringField* Name = nullptr;
  Log L;
};

// ---------------------------------------------------------------------------------------------------
// Event order

struct OrderCase {
  const char* name;
  void (*act)(TArrayDataSet* ds, TField* name);
  Log expected;
};

TEST_F(DataSetTest, NotificationOrderAsLinkAndEventsSeeIt) {
  const OrderCase cases[] = {
      {"scroll", [](TArrayDataSet* ds, TField*) { ds->Next(); },
       {"CheckBrowseMode", "BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}},
      {"edit", [](TArrayDataSet* ds, TField*) { ds->Edit(); },
       {"CheckBrowseMode", "BeforeEdit", "EditingChanged", "RecordChanged(nil)", "AfterEdit"}},
      {"field change", [](TArrayDataSet* ds, TField* name) { ds->Edit(); name->SetAsString("x"); },
       {"CheckBrowseMode", "BeforeEdit", "EditingChanged", "RecordChanged(nil)", "AfterEdit", "RecordChanged(NAME)"}},
      {"post", [](TArrayDataSet* ds, TField* name) { ds->Edit(); name->SetAsString("x"); ds->Post(); },
       {"CheckBrowseMode", "BeforeEdit", "EditingChanged", "RecordChanged(nil)", "AfterEdit", "RecordChanged(NAME)",
        "UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged", "DataSetChanged", "AfterPost"}},
      {"insert", [](TArrayDataSet* ds, TField*) { ds->Insert(); },
       {"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "EditingChanged", "OnNewRecord", "DataSetChanged",
        "AfterInsert", "AfterScroll"}},
      {"cancel insert", [](TArrayDataSet* ds, TField*) { ds->Insert(); ds->Cancel(); },
       {"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "EditingChanged", "OnNewRecord", "DataSetChanged",
        "AfterInsert", "AfterScroll", "CheckBrowseMode", "BeforeCancel", "BeforeScroll", "EditingChanged",
        "DataSetChanged", "AfterCancel", "AfterScroll"}},
      {"cancel edit", [](TArrayDataSet* ds, TField*) { ds->Edit(); ds->Cancel(); },
       {"CheckBrowseMode", "BeforeEdit", "EditingChanged", "RecordChanged(nil)", "AfterEdit", "CheckBrowseMode",
        "BeforeCancel", "EditingChanged", "DataSetChanged", "AfterCancel"}},
      {"delete", [](TArrayDataSet* ds, TField*) { ds->Delete(); },
       {"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}},
      {"unmodified edit left by scrolling", [](TArrayDataSet* ds, TField*) { ds->Edit(); ds->Next(); },
       {"CheckBrowseMode", "BeforeEdit", "EditingChanged", "RecordChanged(nil)", "AfterEdit", "CheckBrowseMode",
        "UpdateData", "CheckBrowseMode", "BeforeCancel", "EditingChanged", "DataSetChanged", "AfterCancel",
        "BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}},
      {"close", [](TArrayDataSet* ds, TField*) { ds->Close(); },
       {"BeforeClose", "ActiveChanged", "AfterClose"}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    DS->Close();
    delete Link;
    Link = nullptr;
    Fill(3);
    Attach();
    HookEvents();
    L.clear();
    c.act(DS, Name);
    EXPECT_EQ(L, c.expected);
    DS->BeforeOpen = DS->AfterOpen = DS->BeforeClose = DS->AfterClose = DS->BeforeInsert = DS->AfterInsert =
        DS->BeforeEdit = DS->AfterEdit = DS->BeforePost = DS->AfterPost = DS->BeforeCancel = DS->AfterCancel =
            DS->BeforeDelete = DS->AfterDelete = DS->BeforeScroll = DS->AfterScroll = DS->OnNewRecord = nullptr;
  }
}

TEST_F(DataSetTest, OpenTellsTheLinkOnceAndScrollsToTheFirstRecord) {
  Attach();
  HookEvents();
  int stateChanges = 0, dataChanges = 0;
  Source->OnStateChange = [&](TObject*) { ++stateChanges; };
  Source->OnDataChange = [&](TObject*, TField*) { ++dataChanges; };
  DS->Open();
  EXPECT_EQ(L, (Log{"BeforeOpen", "ActiveChanged", "AfterOpen"}));  // empty: no AfterScroll
  EXPECT_EQ(stateChanges, 1);
  EXPECT_EQ(dataChanges, 1);
  EXPECT_TRUE(Link->Active());
  EXPECT_TRUE(DS->Bof() && DS->Eof() && DS->IsEmpty());
  DS->Close();
  Fill(2);
  DS->Close();
  L.clear();
  DS->Open();
  EXPECT_EQ(L, (Log{"BeforeOpen", "ActiveChanged", "AfterOpen", "AfterScroll"}));
}

TEST_F(DataSetTest, NavigationAndBufferRing) {
  Fill(10);
  Attach();
  Link->SetBufferCount(4);
  EXPECT_EQ(DS->BufferCount(), 4);
  EXPECT_EQ(Link->RecordCount(), 4);
  EXPECT_TRUE(DS->Bof());
  EXPECT_EQ(DS->MoveBy(5), 5);
  EXPECT_EQ(Id->AsInteger(), 6);
  EXPECT_EQ(Link->ActiveRecord(), 3);  // the link's window follows with the active record at its end
  EXPECT_EQ(DS->MoveBy(-2), -2);
  EXPECT_EQ(Id->AsInteger(), 4);
  EXPECT_EQ(Link->ActiveRecord(), 1);
  EXPECT_EQ(DS->MoveBy(100), 6);
  EXPECT_TRUE(DS->Eof());
  EXPECT_EQ(Id->AsInteger(), 10);
  DS->Last();
  EXPECT_TRUE(DS->Eof());
  EXPECT_EQ(DS->MoveBy(-100), -9);
  EXPECT_TRUE(DS->Bof());
  EXPECT_EQ(Id->AsInteger(), 1);
  DS->Prior();
  EXPECT_TRUE(DS->Bof());
  EXPECT_EQ(DS->RecordCount(), 10);
}

TEST_F(DataSetTest, NestedDisableControlsDefersOneNotificationToTheOuterEnable) {
  Fill(5);
  Attach();
  HookEvents();
  L.clear();
  DS->DisableControls();
  DS->DisableControls();
  DS->Next();
  DS->Next();
  DS->Edit();
  EXPECT_EQ(L, (Log{"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll", "BeforeEdit", "AfterEdit"}));
  DS->EnableControls();
  EXPECT_TRUE(DS->ControlsDisabled());
  EXPECT_EQ(L.size(), 6u);
  DS->EnableControls();
  EXPECT_FALSE(DS->ControlsDisabled());
  // The state changed while controls were off: the link learns it first, then one data set change.
  EXPECT_EQ(Log(L.begin() + 6, L.end()), (Log{"EditingChanged", "DataSetChanged"}));
  EXPECT_EQ(Id->AsInteger(), 3);
  DS->Cancel();
}

TEST_F(DataSetTest, DisabledStateChangeReachesLinksAroundTheDisabledSpan) {
  Fill(2);
  struct TStateLink : TDataLink {
    std::vector<intptr_t> seen;
    void DataEvent(TDataEvent e, intptr_t info) override {
      if (e == deDisabledStateChange) seen.push_back(info);
      TDataLink::DataEvent(e, info);
    }
  } link;
  link.SetDataSource(Source);
  DS->DisableControls();
  DS->DisableControls();
  DS->EnableControls();
  DS->EnableControls();
  EXPECT_EQ(link.seen, (std::vector<intptr_t>{1, 0}));
  link.SetDataSource(nullptr);
}

TEST_F(DataSetTest, LayoutChangeWhileDisabledIsDeliveredAsLayoutChange) {
  Fill(2);
  Attach();
  L.clear();
  DS->DisableControls();
  Name->SetDisplayLabel("Имя");
  DS->EnableControls();
  EXPECT_EQ(L, (Log{"LayoutChanged"}));
}

// ---------------------------------------------------------------------------------------------------
// Editing

TEST_F(DataSetTest, InsertLandsBeforeTheCurrentRecordAndAppendAtTheEnd) {
  Fill(3);
  DS->Next();
  DS->Insert();
  EXPECT_EQ(DS->State(), dsInsert);
  Id->SetAsInteger(10);
  DS->Post();
  EXPECT_EQ(Id->AsInteger(), 10);
  DS->Append();
  Id->SetAsInteger(20);
  DS->Post();
  EXPECT_EQ(Ids(), (std::vector<int>{1, 10, 2, 3, 20}));
  DS->First();
  DS->InsertRecord({30, "thirty"});
  EXPECT_EQ(Ids(), (std::vector<int>{30, 1, 10, 2, 3, 20}));
  EXPECT_EQ(Name->AsString(), "thirty");
}

TEST_F(DataSetTest, EditKeepsValuesUntilPostAndCancelRestoresThem) {
  Fill(2);
  DS->Edit();
  Name->SetAsString("changed");
  EXPECT_TRUE(DS->Modified());
  EXPECT_EQ(Name->OldValue().AsString(), "row1");
  DS->Cancel();
  EXPECT_EQ(Name->AsString(), "row1");
  DS->Edit();
  Name->SetAsString("changed");
  DS->Post();
  DS->Refresh();
  EXPECT_EQ(Name->AsString(), "changed");
  DS->Delete();
  EXPECT_EQ(Id->AsInteger(), 2);
  EXPECT_EQ(DS->RecordCount(), 1);
  DS->Delete();
  EXPECT_TRUE(DS->IsEmpty());
  EXPECT_TRUE(DS->Bof() && DS->Eof());
  EXPECT_TRUE(Id->IsNull());
  try {
    DS->Delete();
    FAIL() << "deleted from an empty dataset";
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Table: Cannot perform this operation on an empty dataset");
  }
  DS->Edit();  // editing an empty dataset inserts
  EXPECT_EQ(DS->State(), dsInsert);
  DS->Cancel();
}

TEST_F(DataSetTest, AbortInABeforeEventLeavesTheStateAsItWas) {
  Fill(2);
  DS->BeforeEdit = [](TDataSet*) { Abort(); };
  EXPECT_THROW(DS->Edit(), EAbort);
  EXPECT_EQ(DS->State(), dsBrowse);
  DS->BeforeEdit = nullptr;
  DS->BeforeInsert = [](TDataSet*) { Abort(); };
  EXPECT_THROW(DS->Append(), EAbort);
  EXPECT_EQ(DS->State(), dsBrowse);
  DS->Edit();
  Name->SetAsString("kept");
  DS->BeforePost = [](TDataSet*) { Abort(); };
  EXPECT_THROW(DS->Post(), EAbort);
  EXPECT_EQ(DS->State(), dsEdit);
  EXPECT_EQ(Name->AsString(), "kept");
  DS->BeforePost = nullptr;
  DS->BeforeDelete = [](TDataSet*) { Abort(); };
  DS->Post();
  EXPECT_THROW(DS->Delete(), EAbort);
  EXPECT_EQ(DS->RecordCount(), 2);
}

TEST_F(DataSetTest, ErrorEventsRetryAbortOrFail) {
  Fill(2);
  struct Case {
    TDataAction action;
    int failures;
    bool throwsAbort, throwsError;
    TDataSetState after;
  } cases[] = {
      {daRetry, 2, false, false, dsBrowse},
      {daAbort, 1, true, false, dsEdit},
      {daFail, 1, false, true, dsEdit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    int calls = 0;
    String message;
    DS->OnPostError = [&](TDataSet*, EDatabaseError* e, TDataAction& action) {
      ++calls;
      message = e->Message();
      action = c.action;
    };
    DS->Edit();
    Name->SetAsString("v");
    DS->FailPosts = c.failures;
    if (c.throwsAbort) EXPECT_THROW(DS->Post(), EAbort);
    else if (c.throwsError) EXPECT_THROW(DS->Post(), EDatabaseError);
    else DS->Post();
    EXPECT_EQ(calls, c.failures);
    EXPECT_EQ(message, "Post failed");
    EXPECT_EQ(DS->State(), c.after);
    DS->FailPosts = 0;
    DS->Cancel();
  }
  int deleteCalls = 0;
  DS->OnDeleteError = [&](TDataSet*, EDatabaseError*, TDataAction& action) {
    ++deleteCalls;
    action = daRetry;
  };
  DS->FailDeletes = 1;
  DS->Delete();
  EXPECT_EQ(deleteCalls, 1);
  EXPECT_EQ(DS->RecordCount(), 1);
}

TEST_F(DataSetTest, RequiredFieldsAreCheckedOnPost) {
  Name->SetRequired(true);
  Name->SetDisplayLabel("Имя");
  DS->Open();
  DS->Append();
  Id->SetAsInteger(1);
  try {
    DS->Post();
    FAIL() << "posted without a required value";
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'Имя' must have a value");
  }
  EXPECT_EQ(DS->State(), dsInsert);
  Name->SetAsString("ok");
  DS->Post();
  EXPECT_EQ(DS->RecordCount(), 1);
}

TEST_F(DataSetTest, StateErrorsUseThePlatformTexts) {
  auto message = [](auto fn) -> String {
    try {
      fn();
    } catch (EDatabaseError& e) {
      return e.Message();
    }
    return "(none)";
  };
  EXPECT_EQ(message([&] { DS->Next(); }), "Table: Cannot perform this operation on a closed dataset");
  Fill(1);
  EXPECT_EQ(message([&] { Name->SetAsString("x"); }), "Table: Dataset not in edit or insert mode");
  EXPECT_EQ(message([&] { Id->SetFieldName("other"); }), "Table: Cannot perform this operation on an open dataset");
  EXPECT_EQ(message([&] { DS->FieldByName("nope"); }), "Table: Field 'nope' not found");
  Name->SetReadOnly(true);
  DS->Edit();
  EXPECT_EQ(message([&] { Name->SetAsString("x"); }), "Field 'NAME' cannot be modified");
  DS->Cancel();
  DS->ReadOnlyDataSet = true;
  EXPECT_EQ(message([&] { DS->Edit(); }), "Table: Cannot modify a read-only dataset");
}

// ---------------------------------------------------------------------------------------------------
// Fields

TEST_F(DataSetTest, DefaultFieldsComeFromFieldDefsWhenThereAreNoPersistentOnes) {
  TArrayDataSet* plain = New<TArrayDataSet>(Owner);
  plain->FieldDefs()->Add("CODE", ftInteger);
  plain->FieldDefs()->Add("TITLE", ftString, 5, true);
  plain->Open();
  ASSERT_EQ(plain->FieldCount(), 2);
  EXPECT_TRUE(plain->DefaultFields());
  EXPECT_EQ(plain->FieldByName("title")->ClassName(), "TStringField");
  EXPECT_EQ(plain->FieldByName("TITLE")->Size(), 5);
  EXPECT_TRUE(plain->FieldByName("TITLE")->Required());
  EXPECT_EQ(plain->FieldByNumber(1)->FieldName(), "CODE");
  EXPECT_EQ(plain->FieldByName("CODE")->Owner(), plain);
  plain->AppendRecord({7, "abcdefgh"});
  EXPECT_EQ(plain->FieldByName("TITLE")->AsString(), "abcde");
  plain->Close();
  EXPECT_EQ(plain->FieldCount(), 0);
  std::vector<TField*> list;
  DS->GetFieldList(list, "NAME; ID");
  EXPECT_EQ(list, (std::vector<TField*>{Name, Id}));
}

TEST_F(DataSetTest, CalculatedAndLookupFields) {
  TArrayDataSet* cities = New<TArrayDataSet>(Owner);
  cities->FieldDefs()->Add("CID", ftInteger);
  cities->FieldDefs()->Add("CITY", ftString, 20);
  cities->Open();
  cities->AppendRecord({1, "Москва"});
  cities->AppendRecord({2, "Казань"});

  auto* cityId = AddField<TIntegerField>("CITY_ID");
  auto* upper = AddField<TStringField>("UPPER", 10, fkCalculated);
  auto* city = AddField<TStringField>("CITY", 20, fkLookup);
  city->SetKeyFields("CITY_ID");
  city->SetLookupDataSet(cities);
  city->SetLookupKeyFields("CID");
  city->SetLookupResultField("CITY");
  int calcRuns = 0;
  DS->OnCalcFields = [&](TDataSet*) {
    ++calcRuns;
    upper->SetAsString(AnsiUpperCase(Name->AsString()));
  };
  DS->Open();
  EXPECT_GT(DS->CalcFieldsSize(), 0);
  DS->AppendRecord({1, "анна", 2});
  DS->AppendRecord({2, "борис", 1});
  DS->AppendRecord({3, "вера", 9});
  DS->First();
  EXPECT_EQ(upper->AsString(), "АННА");
  EXPECT_EQ(city->AsString(), "Казань");
  DS->Next();
  EXPECT_EQ(city->AsString(), "Москва");
  DS->Next();
  EXPECT_TRUE(city->IsNull());
  // Changing a data field recomputes the calculated area at once.
  DS->Edit();
  int before = calcRuns;
  Name->SetAsString("галя");
  cityId->SetAsInteger(1);
  EXPECT_GT(calcRuns, before);
  EXPECT_EQ(upper->AsString(), "ГАЛЯ");
  EXPECT_EQ(city->AsString(), "Москва");
  DS->Post();
  EXPECT_THROW(upper->SetAsString("x"), EDatabaseError);  // calculated fields are not written outside calculation
  // The lookup cache answers from the list it read once.
  city->SetLookupCache(true);
  DS->First();
  EXPECT_EQ(city->AsString(), "Казань");
}

TEST_F(DataSetTest, LocateLookupAndBookmarks) {
  Fill(5);
  EXPECT_TRUE(DS->Locate("NAME", "ROW3", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Id->AsInteger(), 3);
  EXPECT_FALSE(DS->Locate("NAME", "ROW3", TLocateOptions()));
  EXPECT_TRUE(DS->Locate("NAME", "row", TLocateOptions{loPartialKey}));
  EXPECT_EQ(Id->AsInteger(), 1);
  EXPECT_EQ(DS->Lookup("ID", 4, "NAME").AsString(), "row4");
  EXPECT_TRUE(VarIsNull(DS->Lookup("ID", 44, "NAME")));
  Variant both = DS->Lookup("ID;NAME", VarArrayOf({5, "row5"}), "NAME;ID");
  EXPECT_EQ(Variant(both[1]).AsInteger(), 5);

  DS->MoveBy(3);
  TBookmarkStr mark = DS->Bookmark();
  TBookmark bm = DS->GetBookmark();
  EXPECT_EQ(mark.size(), 4u);
  DS->First();
  DS->Insert();
  Id->SetAsInteger(100);
  DS->Post();
  DS->SetBookmark(mark);
  EXPECT_EQ(Id->AsInteger(), 4);
  DS->First();
  DS->GotoBookmark(bm);
  EXPECT_EQ(Id->AsInteger(), 4);
}

TEST_F(DataSetTest, FilterRecordEventHidesRecords) {
  Fill(6);
  DS->SetOnFilterRecord([&](TDataSet*, bool& accept) { accept = Id->AsInteger() % 2 == 0; });
  DS->SetFiltered(true);
  DS->First();
  EXPECT_EQ(Ids(), (std::vector<int>{2, 4, 6}));
}

TEST_F(DataSetTest, FieldValidationAndChangeEvents) {
  Fill(1);
  Log seen;
  Name->OnValidate = [&](TField* f) {
    seen.push_back("validate:" + f->AsString());
    if (f->AsString() == "bad") DatabaseError("rejected");
  };
  Name->OnChange = [&](TField* f) { seen.push_back("change:" + f->AsString()); };
  DS->Edit();
  Name->SetAsString("good");
  EXPECT_THROW(Name->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(Name->AsString(), "good");
  EXPECT_EQ(seen, (Log{"validate:good", "change:good", "validate:bad"}));
  DS->Cancel();
}

TEST_F(DataSetTest, DataSourceAutoEditAndDataChange) {
  Fill(2);
  Attach();
  std::vector<String> changes;
  Source->OnDataChange = [&](TObject*, TField* f) { changes.push_back(f ? f->FieldName() : String("nil")); };
  Source->SetAutoEdit(false);
  EXPECT_FALSE(Link->Edit());
  EXPECT_EQ(DS->State(), dsBrowse);
  Source->SetAutoEdit(true);
  EXPECT_TRUE(Link->Edit());
  EXPECT_EQ(DS->State(), dsEdit);
  Name->SetAsString("z");
  DS->Post();
  EXPECT_EQ(changes, (std::vector<String>{"nil", "NAME", "nil"}));
  Link->SetReadOnly(true);
  EXPECT_FALSE(Link->Edit());
  Source->SetEnabled(false);
  EXPECT_FALSE(Link->Active());
  Source->SetEnabled(true);
  EXPECT_TRUE(Link->Active());
}

TEST_F(DataSetTest, BlockReadKeepsControlsQuietUntilItEnds) {
  Fill(4);
  Attach();
  L.clear();
  DS->SetBlockReadSize(10);
  EXPECT_EQ(DS->State(), dsBlockRead);
  int sum = 0;
  for (DS->First(); !DS->Eof(); DS->Next()) sum += Id->AsInteger();
  EXPECT_EQ(sum, 10);
  EXPECT_TRUE(L.empty());
  DS->SetBlockReadSize(0);
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(L, (Log{"DataSetChanged"}));
}

TEST_F(DataSetTest, EditingWithAWideBufferRing) {
  Fill(8);
  Attach();
  Link->SetBufferCount(5);
  DS->MoveBy(6);  // record 7, near the end of the window
  DS->Insert();
  Id->SetAsInteger(70);
  EXPECT_EQ(Link->RecordCount(), 5);
  DS->Post();
  EXPECT_EQ(Id->AsInteger(), 70);
  DS->Prior();
  EXPECT_EQ(Id->AsInteger(), 6);
  DS->Next();
  DS->Next();
  EXPECT_EQ(Id->AsInteger(), 7);
  DS->MoveBy(-3);
  DS->Insert();
  DS->Cancel();
  EXPECT_EQ(Id->AsInteger(), 5);
  DS->Last();
  DS->Append();
  Id->SetAsInteger(90);
  DS->Post();
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5, 6, 70, 7, 8, 90}));
  EXPECT_EQ(Id->AsInteger(), 90);
  EXPECT_TRUE(DS->Locate("ID", 3, TLocateOptions()));
  EXPECT_EQ(Id->AsInteger(), 3);
  EXPECT_EQ(Link->ActiveRecord(), 2);  // centred in the window
}

}  // namespace
