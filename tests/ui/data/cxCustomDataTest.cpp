#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "DataControllerSupport.h"

namespace {

using Op = std::function<void(TcxDataController*)>;

struct Events {
  std::string Text;
  void Hook(TcxDataController* dc) {
    dc->OnBeforeInsert = [this](TcxCustomDataController*) { Text += "BeforeInsert "; };
    dc->OnAfterInsert = [this](TcxCustomDataController*) { Text += "AfterInsert "; };
    dc->OnNewRecord = [this](TcxCustomDataController*, int32_t r) { Text += "New" + std::to_string(r) + " "; };
    dc->OnBeforePost = [this](TcxCustomDataController*) { Text += "BeforePost "; };
    dc->OnAfterPost = [this](TcxCustomDataController*) { Text += "AfterPost "; };
    dc->OnBeforeCancel = [this](TcxCustomDataController*) { Text += "BeforeCancel "; };
    dc->OnAfterCancel = [this](TcxCustomDataController*) { Text += "AfterCancel "; };
    dc->OnBeforeDelete = [this](TcxCustomDataController*, int32_t r) { Text += "BeforeDelete" + std::to_string(r) + " "; };
    dc->OnAfterDelete = [this](TcxCustomDataController*) { Text += "AfterDelete "; };
  }
};

class Controller : public RecordingController {
protected:
  void SetUp() override {
    AddItems({TcxIntegerValueType::StaticClass(), TcxStringValueType::StaticClass()});
    Fill({{30, "c"}, {10, "a"}, {20, "b"}});
  }
};

}  // namespace

TEST_F(Controller, ErrorTextsAreTheControllerOwn) {
  auto message = [](const std::function<void()>& f) -> std::string {
    try {
      f();
    } catch (const EcxInvalidDataControllerOperation& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(message([&] { DC->GetValue(0, 2); }), "ItemIndex выходит за допустимые границы");
  EXPECT_EQ(message([&] { DC->GetValue(3, 0); }), "RecordIndex выходит за допустимые границы");
  EXPECT_EQ(message([&] { DC->GetRowInfo(3); }), "RowIndex выходит за допустимые границы");
  EXPECT_EQ(message([&] { DC->AddItem(Items[0].get()); }), "Элемент уже существует");
  EXPECT_EQ(DC->GetFocusedDataRecordIndex(), cxNullEditingRecordIndex);
  EXPECT_EQ(message([&] { DC->GetEditValue(0); }), "RecordIndex выходит за допустимые границы");
  TMemoryStream bad;
  StreamWriteAnsiString(&bad, "datacontroller1");
  bad.SetPosition(0);
  EXPECT_EQ(message([&] { DC->LoadFromStream(&bad); }), "Неверный формат потока");
  TcxCustomDataSource source;
  DC->SetCustomDataSource(&source);
  TMemoryStream s;
  EXPECT_EQ(message([&] { DC->SaveToStream(&s); }), "Эта операция не поддерживается в режиме провайдера");
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(message([&] { DC->LoadFromStream(&s); }), "Эта операция не поддерживается в режиме провайдера");
  DC->SetCustomDataSource(nullptr);
}

// The edit cycle: each case runs from a browsing controller focused on row 1 (record 2, value 20) and
// pins the edit state, the records, the events and the notifications the view received.
struct EditCase {
  const char* Name;
  Op Run;
  int32_t State;
  std::vector<std::string> Values;  // item 0 by row
  const char* Events;
  const char* Notifications;
};

class EditCycle : public Controller, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditCycle, StateTransitions) {
  DC->ChangeSorting(0, soAscending);
  DC->ChangeFocusedRowIndex(1);
  Events events;
  events.Hook(DC);
  Log.clear();
  GetParam().Run(DC);
  EXPECT_EQ(DC->GetEditState(), GetParam().State);
  EXPECT_EQ(Column(0), GetParam().Values);
  EXPECT_EQ(events.Text, GetParam().Events);
  EXPECT_EQ(Joined(), GetParam().Notifications);
}

INSTANTIATE_TEST_SUITE_P(
    Controller, EditCycle,
    ::testing::Values(
        EditCase{"Edit", [](TcxDataController* dc) { dc->Edit(); }, dceEdit, {"10", "20", "30"}, "", "Record(2)"},
        EditCase{"EditSetValue",
                 [](TcxDataController* dc) {
                   dc->Edit();
                   dc->SetEditValue(0, 5, evsValue);
                 },
                 dceEdit | dceChanging | dceModified, {"10", "5", "30"}, "", "Record(2) Data(0,0,2)"},
        EditCase{"EditPostResorts",
                 [](TcxDataController* dc) {
                   dc->SetEditValue(0, 5, evsValue);
                   dc->Post();
                 },
                 0, {"5", "10", "30"}, "BeforePost AfterPost ",
                 "Record(2) Data(0,0,2) Data(1,-1,2) Row(1->0) Focus(2->2) Sel(0)"},
        EditCase{"EditCancelRestores",
                 [](TcxDataController* dc) {
                   dc->SetEditValue(0, 99, evsValue);
                   dc->Cancel();
                 },
                 0, {"10", "20", "30"}, "BeforeCancel AfterCancel ", "Record(2) Data(0,0,2) Data(1,-1,2)"},
        EditCase{"EmptyTextStoresNull",
                 [](TcxDataController* dc) { dc->SetEditValue(0, String(""), evsText); },
                 dceEdit | dceChanging | dceModified, {"10", "", "30"}, "", "Record(2) Data(0,0,2)"},
        EditCase{"InsertUntouchedPostCancels",
                 [](TcxDataController* dc) {
                   dc->Insert();
                   dc->Post();
                 },
                 0, {"10", "20", "30"}, "BeforeInsert New2 AfterInsert BeforeCancel AfterCancel ",
                 "Data(2,-1,-1) Focus(2->2) Data(3,-1,-1) Focus(2->2) Data(4,-1,-1)"},
        EditCase{"InsertTwiceDoesNothing",
                 [](TcxDataController* dc) {
                   dc->Insert();
                   dc->Insert();
                 },
                 dceInsert, {"10", "", "20", "30"}, "BeforeInsert New2 AfterInsert ", "Data(2,-1,-1) Focus(2->2)"},
        EditCase{"InsertPostSorts",
                 [](TcxDataController* dc) {
                   dc->Insert();
                   dc->SetEditValue(0, 25, evsValue);
                   dc->Post();
                 },
                 0, {"10", "20", "25", "30"}, "BeforeInsert New2 AfterInsert BeforePost AfterPost ",
                 "Data(2,-1,-1) Focus(2->2) Data(0,0,2) Data(1,-1,2) Row(1->2) Focus(2->2) Sel(2)"},
        EditCase{"AppendStaysLastUntilPosted",
                 [](TcxDataController* dc) {
                   dc->Append();
                   dc->SetEditValue(0, 1, evsValue);
                 },
                 dceInsert | dceChanging | dceModified, {"10", "20", "30", "1"},
                 "BeforeInsert New3 AfterInsert ", "Data(2,-1,-1) Focus(2->2) Row(1->3) Focus(2->3) Sel(1,3) Data(0,0,3)"},
        EditCase{"InsertCancelDeletes",
                 [](TcxDataController* dc) {
                   dc->Insert();
                   dc->SetEditValue(0, 1, evsValue);
                   dc->Cancel();
                 },
                 0, {"10", "20", "30"}, "BeforeInsert New2 AfterInsert BeforeCancel AfterCancel ",
                 "Data(2,-1,-1) Focus(2->2) Data(0,0,2) Data(3,-1,-1) Focus(2->2)"},
        EditCase{"DeleteFocusedMovesToNearest",
                 [](TcxDataController* dc) { dc->DeleteFocused(); },
                 0, {"10", "30"}, "BeforeDelete2 AfterDelete ",
                 "Data(3,-1,-1) Row(1->-1) Focus(2->-1) Row(-1->1) Focus(-1->0) Sel(1)"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.Name); });

TEST_F(Controller, ImmediatePostPostsAtOnce) {
  DC->SetOptions(DC->GetOptions() + dcoImmediatePost);
  DC->ChangeFocusedRowIndex(0);
  EXPECT_TRUE(DC->SetEditValue(0, 77, evsValue));
  EXPECT_EQ(DC->GetEditState(), 0);
  EXPECT_EQ(DC->GetValue(0, 0).AsInteger(), 77);
}

TEST_F(Controller, DeletingTheFocusedLastRecordFocusesThePreviousRow) {
  DC->ChangeSorting(0, soAscending);
  DC->GotoLast();
  ASSERT_EQ(DC->GetFocusedRecordIndex(), 0);
  DC->DeleteFocused();
  EXPECT_EQ(DC->GetRecordCount(), 2);
  EXPECT_EQ(DC->GetFocusedRowIndex(), 1);
  EXPECT_EQ(VarToStr(DC->GetValue(DC->GetFocusedRecordIndex(), 0)), "20");
}

TEST_F(Controller, DeletingTheEditingRecordResetsTheEditState) {
  DC->ChangeFocusedRowIndex(0);
  DC->Edit();
  ASSERT_TRUE(DC->IsEditing());
  DC->DeleteRecordAt(0);
  EXPECT_FALSE(DC->IsEditing());
  EXPECT_EQ(DC->Provider()->EditRecord(), cxNullEditingRecordIndex);
}

TEST_F(Controller, ValueChangesAccumulateIntoOneNotificationOfTheRightBreadth) {
  struct Case {
    std::vector<std::pair<int32_t, int32_t>> Sets;  // (record, item)
    const char* Expected;
  };
  const Case cases[] = {
      {{{1, 0}}, "Data(0,0,1)"},
      {{{1, 0}, {1, 1}}, "Data(1,-1,1)"},
      {{{1, 0}, {2, 0}}, "Data(4,0,2)"},
  };
  for (const Case& c : cases) {
    Log.clear();
    DC->BeginUpdate();
    for (auto [record, item] : c.Sets) DC->SetValue(record, item, item == 0 ? Variant(1) : Variant(String("z")));
    EXPECT_TRUE(Log.empty());
    DC->EndUpdate();
    EXPECT_EQ(Joined(), c.Expected);
  }
}

TEST_F(Controller, StructureChangesInsideBracketsAreReportedOnce) {
  int sortingEvents = 0, groupingEvents = 0, dataEvents = 0;
  DC->OnSortingChanged = [&](TObject*) { ++sortingEvents; };
  DC->OnGroupingChanged = [&](TObject*) { ++groupingEvents; };
  DC->OnDataChanged = [&](TObject*) { ++dataEvents; };
  DC->BeginUpdate();
  DC->BeginUpdate();
  DC->ChangeSorting(1, soDescending);
  DC->ChangeSorting(0, soAscending);
  DC->Groups()->ChangeGrouping(1, 0);
  Items.push_back(std::make_unique<TObject>());
  DC->AddItem(Items.back().get());
  DC->ChangeValueTypeClass(2, TcxFloatValueType::StaticClass());
  DC->SetRecordCount(5);
  DC->EndUpdate();
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(sortingEvents + groupingEvents + dataEvents, 0);
  DC->EndUpdate();
  EXPECT_EQ(Joined(), "Data(2,-1,-1)");  // the record count change was the last data change
  EXPECT_EQ(sortingEvents, 1);
  EXPECT_EQ(groupingEvents, 1);
  EXPECT_EQ(dataEvents, 1);
  EXPECT_EQ(DC->GetRowCount(), 4);  // groups "", "a", "b", "c", collapsed
}

TEST_F(Controller, SortingHandlerThatSortsAgainIsNotReentered) {
  int calls = 0;
  DC->OnSortingChanged = [&](TObject*) {
    ++calls;
    DC->ChangeSorting(0, calls == 1 ? soDescending : soAscending);
  };
  DC->ChangeSorting(0, soAscending);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"30", "20", "10"}));
}

TEST_F(Controller, EqualKeysKeepRecordOrderInBothDirections) {
  Fill({{1, "x"}, {2, "y"}, {1, "z"}, {2, "w"}});
  DC->ChangeSorting(0, soAscending);
  EXPECT_EQ(RowRecords(), (std::vector<int32_t>{0, 2, 1, 3}));
  DC->ChangeSorting(0, soDescending);
  EXPECT_EQ(RowRecords(), (std::vector<int32_t>{1, 3, 0, 2}));
}

TEST_F(Controller, TextSortsFollowTheOptions) {
  Fill({{1, "ёж"}, {2, "Яблоко"}, {3, "apple"}, {4, "Banana"}, {5, "ель"}, {6, Null()}, {7, "Ель"}});
  const struct {
    TcxDataControllerOptions Options;
    std::vector<std::string> Expected;
  } cases[] = {
      {{}, {"", "Banana", "apple", "Ель", "Яблоко", "ель", "ёж"}},
      // "ё" weighs as "е"; case decides only between otherwise equal texts, lower case first.
      {{dcoAnsiSort, dcoCaseInsensitive}, {"", "apple", "Banana", "ёж", "ель", "Ель", "Яблоко"}},
      {{dcoAnsiSort}, {"", "apple", "Banana", "ёж", "ель", "Ель", "Яблоко"}},
      // Upper-cased bytes: "Ё" (D0 81) comes before "Е" (D0 95).
      {{dcoCaseInsensitive}, {"", "apple", "Banana", "ёж", "ель", "Ель", "Яблоко"}},
  };
  DC->ChangeSorting(1, soAscending);
  for (const auto& c : cases) {
    DC->SetOptions(c.Options);
    EXPECT_EQ(Column(1), c.Expected);
  }
  // The generic comparison (an OnCompare handler asking for the same rule) agrees with the keys.
  DC->SetOptions({dcoAnsiSort, dcoCaseInsensitive});
  const std::vector<std::string> keyed = Column(1);
  DC->OnCompare = [](TcxCustomDataController* dc, int32_t, int32_t, int32_t, const Variant& a, const Variant& b,
                     int32_t& result) {
    result = VarIsNull(a) || VarIsNull(b) ? (VarIsNull(a) ? (VarIsNull(b) ? 0 : -1) : 1)
                                          : dc->CompareStringValues(a, b);
  };
  DC->Refresh();
  EXPECT_EQ(Column(1), keyed);
}

TEST_F(Controller, InsertIntoAGroupTakesTheGroupValuesBeforeOnNewRecord) {
  DC->Groups()->ChangeGrouping(1, 0);
  DC->Groups()->FullExpand();
  DC->ChangeFocusedRecordIndex(2);  // group "b"
  Variant seen;
  DC->OnNewRecord = [&](TcxCustomDataController* dc, int32_t record) { seen = dc->GetValue(record, 1); };
  DC->Insert();
  EXPECT_EQ(VarToStr(seen), "b");
}

// The sort keys must order texts exactly as the comparisons they replace.
TEST(SortKeys, OrderTextsAsTheAnsiComparisons) {
  const std::vector<String> alphabet = {"a", "B", "я", "Я", "е", "ё", "Ё", "Е", "1", "9", " ", "-", "z", "Ж",
                                        "ж", "ä", "Ä", "\xFF", "é", "ω", "€", "0", "_", "A"};
  std::mt19937 rng(7);
  std::vector<String> texts = {"", "елка", "ёлка", "Ёлка", "ELKA", "elka", "Elka"};
  for (int i = 0; i < 400; ++i) {
    String s;
    const int n = static_cast<int>(rng() % 5);
    for (int k = 0; k < n; ++k) s += alphabet[rng() % alphabet.size()];
    texts.push_back(s);
  }
  auto keyOf = [](const String& s, int rule) {
    std::vector<uint16_t> key;
    if (rule == 2)
      cxAppendOrdinalSortKey(AnsiUpperCase(s), key);
    else
      cxAppendAnsiSortKey(s, rule == 1, key);
    return key;
  };
  auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
  for (int rule = 0; rule < 3; ++rule)
    for (const String& a : texts)
      for (const String& b : texts) {
        const int expected = rule == 0   ? AnsiCompareText(a, b)
                             : rule == 1 ? AnsiCompareStr(a, b)
                                         : CompareStr(AnsiUpperCase(a), AnsiUpperCase(b));
        const std::vector<uint16_t> ka = keyOf(a, rule), kb = keyOf(b, rule);
        const int got = ka < kb ? -1 : (kb < ka ? 1 : 0);
        ASSERT_EQ(got, sign(expected)) << "rule " << rule << ": '" << a << "' vs '" << b << "'";
      }
}


// Texts with long common beginnings make the keyed sort refine its runs window by window; its order
// must be the order of the record-by-record comparison for every rule and direction.
TEST_F(Controller, KeyedSortMatchesTheGenericComparison) {
  std::mt19937 rng(11);
  const char* const parts[] = {"ab", "Ab", "ёж", "Еж", "ель", "\xFF", "z", "€", "1", " "};
  std::vector<std::vector<Variant>> rows;
  for (int i = 0; i < 600; ++i) {
    String s = "Общее начало ";
    const int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) s += parts[rng() % std::size(parts)];
    rows.push_back({static_cast<int32_t>(rng() % 5), i % 37 == 0 ? Variant(Null()) : Variant(s)});
  }
  Fill(rows);
  for (TcxDataControllerOptions options : {TcxDataControllerOptions{dcoAnsiSort, dcoCaseInsensitive},
                                           TcxDataControllerOptions{dcoAnsiSort}, TcxDataControllerOptions{dcoCaseInsensitive},
                                           TcxDataControllerOptions{}})
    for (TcxDataSortOrder order : {soAscending, soDescending}) {
      DC->OnCompare = nullptr;
      DC->SetOptions(options);
      DC->ClearSorting(false);
      DC->ChangeSorting(1, order);
      DC->ChangeSorting(0, soDescending);
      const std::vector<int32_t> keyed = RowRecords();
      DC->OnCompare = [](TcxCustomDataController* dc, int32_t a, int32_t b, int32_t item, const Variant& v1,
                         const Variant& v2, int32_t& result) {
        if (item == 0 || !(dc->GetOptions().Contains(dcoAnsiSort) || dc->GetOptions().Contains(dcoCaseInsensitive))) {
          result = dc->CompareStoredValues(a, b, dc->Fields(item));
          return;
        }
        result = VarIsNull(v1) || VarIsNull(v2) ? (VarIsNull(v1) ? (VarIsNull(v2) ? 0 : -1) : 1)
                                                : dc->CompareStringValues(v1, v2);
      };
      DC->Refresh();
      const std::vector<int32_t> generic = RowRecords();
      size_t at = 0;
      while (at < keyed.size() && keyed[at] == generic[at]) ++at;
      EXPECT_EQ(at, keyed.size()) << "options " << options.ToInt() << " order " << int(order) << ": keyed '"
                                  << (at < keyed.size() ? VarToStr(DC->GetValue(keyed[at], 1)) : "") << "' generic '"
                                  << (at < keyed.size() ? VarToStr(DC->GetValue(generic[at], 1)) : "") << "'";
    }
}

namespace {

// A controller as a view's controller sees its hooks.
class HookedController : public TcxDataController {
  RTL_CLASS(HookedController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  std::vector<std::string> Calls;
  void DoValueTypeClassChanged(int32_t AItemIndex) override { Calls.push_back("type " + std::to_string(AItemIndex)); }
  void MarkInfoChanged(bool AOneItem) override {
    Calls.push_back(AOneItem ? "repaint" : "recalculate");
    TcxDataController::MarkInfoChanged(AOneItem);
  }
};

}  // namespace

TEST(ControllerHooks, ValueTypeChangesAndRowViewMarksReachTheDescendant) {
  HookedController* dc = New<HookedController>(nullptr);
  TObject a, b;
  dc->AddItem(&a);
  dc->AddItem(&b);
  dc->ChangeValueTypeClass(1, TcxIntegerValueType::StaticClass());
  dc->ChangeValueTypeClass(1, TcxIntegerValueType::StaticClass());  // unchanged: not told
  dc->ChangeValueTypeClass(0, TcxStringValueType::StaticClass());
  EXPECT_EQ(dc->Calls, (std::vector<std::string>{"type 1", "type 0"}));
  dc->Calls.clear();
  dc->Summary()->SetOptions(TcxSummaryOptions{soNullIgnore});
  EXPECT_EQ(dc->Calls, (std::vector<std::string>{"recalculate"}));
  dc->Free();
}

TEST_F(Controller, FilteredRecordCountAndTheProviderLock) {
  EXPECT_EQ(DC->GetFilteredRecordCount(), 3);
  DC->Filter()->AddItem(nullptr, Items[0].get(), foGreater, 15, "15");
  DC->Filter()->SetActive(true);
  EXPECT_EQ(DC->GetFilteredRecordCount(), 2);
  EXPECT_EQ(DC->GetRecordCount(), 3);
  DC->SetIncrementalFilter(1, "c");
  EXPECT_EQ(DC->GetFilteredRecordCount(), 1);
  DC->ResetIncrementalFilter();
  EXPECT_EQ(DC->GetFilteredRecordCount(), 2);

  EXPECT_FALSE(DC->IsProviderLocked());
  DC->BeginProviderUpdate();
  DC->BeginProviderUpdate();
  EXPECT_TRUE(DC->IsProviderLocked());
  DC->EndProviderUpdate();
  EXPECT_TRUE(DC->IsProviderLocked());
  DC->EndProviderUpdate();
  EXPECT_FALSE(DC->IsProviderLocked());
}
