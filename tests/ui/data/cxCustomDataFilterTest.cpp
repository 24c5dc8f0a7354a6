// The controller's filter: conditions on its fields narrowing the row view, the incremental filter, the
// value lists of the filter drop-downs, and the criteria's streams (binary, the "Criteria" property of
// the component stream) with damaged input.
#include <gtest/gtest.h>

#include "DataControllerSupport.h"
#include "MutationLoop.h"
#include "rtl/Filer.h"
#include "rtl/Utf8.h"
#include "ui/data/cxLike.h"

#include <random>

namespace filter_tests {

// Items with captions; the filter names them by caption unless told otherwise.
class CaptionController : public TcxDataController {
  RTL_CLASS(CaptionController, TcxDataController)
public:
  using TcxDataController::TcxDataController;
  std::vector<String> Captions;
  String GetItemCaption(int32_t AItemIndex) override { return Captions.at(static_cast<size_t>(AItemIndex)); }
  String GetItemFilterName(int32_t AItemIndex) override { return AItemIndex == 0 ? "NAME" : GetItemCaption(AItemIndex); }
};

enum { kName, kAge, kPrice };

struct FilterController {
  CaptionController* C = New<CaptionController>(nullptr);
  std::vector<std::unique_ptr<TObject>> Cols;

  FilterController() {
    C->Captions = {"Имя", "Возраст", "Цена"};
    const TcxValueTypeClass types[] = {TcxStringValueType::StaticClass(), TcxIntegerValueType::StaticClass(),
                                       TcxFloatValueType::StaticClass()};
    for (TcxValueTypeClass t : types) {
      Cols.push_back(std::make_unique<TObject>());
      C->AddItem(Cols.back().get());
      C->ChangeValueTypeClass(static_cast<int32_t>(Cols.size()) - 1, t);
    }
    const std::vector<std::vector<Variant>> rows = {
        {"Анна", 30, 10.5}, {"борис", 25, Null()}, {"Вера", Null(), 7.0}, {"анатолий", 41, 12.0}, {Null(), 19, 3.0}};
    C->BeginUpdate();
    C->SetRecordCount(static_cast<int32_t>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c) C->SetValue(static_cast<int32_t>(r), static_cast<int32_t>(c), rows[r][c]);
    C->EndUpdate();
  }
  ~FilterController() { C->Free(); }

  std::vector<int32_t> Rows() const {
    std::vector<int32_t> r;
    for (int32_t i = 0; i < C->GetRowCount(); ++i) r.push_back(C->GetRowInfo(i).RecordIndex);
    return r;
  }
  TcxDataFilterCriteria* F() const { return C->Filter(); }
};

struct ControllerFilter : ::testing::Test, FilterController {};

String CriteriaBytes(TcxFilterCriteria* ACriteria) {
  TStringStream s;
  ACriteria->WriteData(&s);
  return s.DataString();
}

}  // namespace filter_tests

using namespace filter_tests;

TEST_F(ControllerFilter, ConditionsOnFieldsGiveTextsAndRows) {
  struct Case {
    int Item;
    TcxFilterOperatorKind Kind;
    Variant Value;
    const char* Display;
    TcxFilterCriteriaOptions Options;
    const char* Plain;
    const char* Caption;
    std::vector<int32_t> Rows;
  } cases[] = {
      {kAge, foGreater, 25, "25", 0, "(Возраст > 25)", "(Возраст > 25)", {0, 3}},
      {kAge, foBetween, VarArrayOf({19, 30}), "19;30", 0, "(Возраст BETWEEN 19 AND 30)", "(Возраст между 19 и 30)", {0, 1, 4}},
      {kName, foLike, "ан%", "ан%", fcoCaseInsensitive, "(NAME LIKE 'ан%')", "(Имя LIKE ан%)", {0, 3}},
      {kName, foLike, "%а%", "%а%", fcoShowOperatorDescription, "(NAME LIKE '%а%')", "(Имя содержит а)", {0, 2, 3}},
      {kName, foEqual, "O'Brien", "O'Brien", 0, "(NAME = 'O''Brien')", "(Имя = O'Brien)", {}},
      {kPrice, foEqual, Null(), "", 0, "(Цена = NULL)", "(Цена = пусто)", {1}},
      {kPrice, foNotEqual, Null(), "", fcoShowOperatorDescription, "(Цена <> NULL)", "(Цена непустой)", {0, 2, 3, 4}},
      {kAge, foInList, VarArrayOf({19, 41}), "19;41", 0, "(Возраст IN (19, 41))", "(Возраст в (19, 41))", {3, 4}},
      {kPrice, foLessEqual, 7, "7", 0, "(Цена <= 7)", "(Цена <= 7)", {2, 4}},
  };
  for (const Case& c : cases) {
    F()->BeginUpdate();
    F()->Clear();
    F()->SetOptions(c.Options);
    F()->AddItem(nullptr, C->GetItem(c.Item), c.Kind, c.Value, c.Display);  // an item object stands for its field
    F()->SetActive(true);
    F()->EndUpdate();
    EXPECT_EQ(F()->GetFilterText(), c.Plain);
    EXPECT_EQ(F()->GetFilterCaption(), c.Caption);
    EXPECT_EQ(Rows(), c.Rows) << c.Plain;
  }
  // Inactive, the same tree filters nothing.
  F()->SetActive(false);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
}

TEST_F(ControllerFilter, HandlerIncrementalFilterAndCriteriaApplyInOrder) {
  std::vector<int32_t> seenByHandler;
  C->OnFilterRecord = [&](TcxCustomDataController*, int32_t r, bool& accept) {
    seenByHandler.push_back(r);
    accept = r != 3;
  };
  C->Refresh();
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 1, 2, 4}));
  EXPECT_EQ(seenByHandler, (std::vector<int32_t>{4, 3, 2, 1, 0}));  // every record, from the last

  EXPECT_EQ(C->SetIncrementalFilter(kName, "А"), 0);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0}));
  EXPECT_TRUE(C->HasIncrementalFilter());
  EXPECT_FALSE(C->ChangeIncrementalFilterText("А"));
  EXPECT_TRUE(C->ChangeIncrementalFilterText("в"));
  EXPECT_EQ(Rows(), (std::vector<int32_t>{2}));
  EXPECT_EQ(C->SetIncrementalFilter(kName, "Ю"), -1);
  EXPECT_EQ(C->GetRowCount(), 0);
  EXPECT_THROW(C->SetIncrementalFilter(7, "x"), EcxInvalidDataControllerOperation);
  C->ResetIncrementalFilter();
  EXPECT_FALSE(C->HasIncrementalFilter());
  EXPECT_EQ(C->SetIncrementalFilter(kName, ""), 0);  // an empty text is no filter
  EXPECT_FALSE(C->HasIncrementalFilter());
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 1, 2, 4}));
  C->OnFilterRecord = nullptr;
  C->ResetIncrementalFilter();
  C->Refresh();

  // Setting Active to its current value does not refilter.
  F()->AddItem(nullptr, C->GetItem(kAge), foLess, 26, "26");
  int changes = 0;
  F()->OnChanged = [&](TObject*) { ++changes; };
  F()->SetActive(true);
  EXPECT_EQ(changes, 1);
  F()->SetActive(true);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 4}));
}

TEST_F(ControllerFilter, RecordBeingInsertedStaysUntilPosted) {
  F()->AddItem(nullptr, C->GetItem(kAge), foGreater, 40, "40");
  F()->SetActive(true);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{3}));
  C->Append();
  C->SetEditValue(kAge, 1, evsValue);
  C->UpdateData();
  C->Refresh();
  EXPECT_EQ(C->GetRowCount(), 2);  // the new record fails the filter but is being edited
  C->Post();
  C->Refresh();
  EXPECT_EQ(Rows(), (std::vector<int32_t>{3}));
}

TEST_F(ControllerFilter, RemovingAFieldRemovesItsConditions) {
  F()->AddItem(nullptr, C->GetItem(kAge), foGreater, 20, "20");
  TcxFilterCriteriaItemList* g = F()->Root()->AddItemList(fboOr);
  F()->AddItem(g, C->GetItem(kPrice), foLess, 5, "5");
  F()->AddItem(g, C->GetItem(kName), foEqual, "Вера", "Вера");
  F()->SetActive(true);
  C->RemoveItem(C->GetItem(kPrice));
  EXPECT_EQ(F()->GetFilterText(), "(Возраст > 20) AND (NAME = 'Вера')");
}

TEST_F(ControllerFilter, ValueListHasSpecialEntriesThenSortedDistinctValues) {
  C->SetValue(1, kAge, 30);  // a duplicate
  auto texts = [&](int32_t AItem) {
    TcxDataFilterValueList* list = F()->CreateValueList();
    list->Load(AItem);
    std::vector<std::string> r;
    for (int32_t i = 0; i < list->Count(); ++i) r.push_back(std::to_string(list->GetItem(i).ItemKind) + ":" + list->GetItem(i).EntryText);
    list->Free();
    return r;
  };
  EXPECT_EQ(texts(kAge), (std::vector<std::string>{"0:(Все)", "1:(Выбор...)", "2:(Пустые)", "3:(Непустые)", "5:19", "5:30",
                                                   "5:41"}));
  C->SetValue(2, kAge, 50);
  EXPECT_EQ(texts(kAge), (std::vector<std::string>{"0:(Все)", "1:(Выбор...)", "5:19", "5:30", "5:41", "5:50"}));
  F()->SetMaxValueListCount(4);
  // Values come in record order (30, 30, 50, 41, 19); the list stops growing at the limit.
  EXPECT_EQ(texts(kAge), (std::vector<std::string>{"0:(Все)", "1:(Выбор...)", "5:30", "5:50"}));
  F()->SetMaxValueListCount(0);
  // The handler may change the list.
  F()->OnGetValueList = [](TcxFilterCriteria*, int32_t, TcxDataFilterValueList* AList) { AList->Add(fviMRU, 41, "41", false); };
  EXPECT_EQ(texts(kAge), (std::vector<std::string>{"6:41", "7:", "0:(Все)", "1:(Выбор...)", "5:19", "5:30", "5:41", "5:50"}));
}

TEST_F(ControllerFilter, ValueListPreselectsTheEntryOfACondition) {
  TcxDataFilterValueList* list = F()->CreateValueList();
  list->Load(kAge);
  auto* eq = F()->AddItem(nullptr, C->GetItem(kAge), foEqual, 25, "25");
  auto* blank = F()->AddItem(nullptr, C->GetItem(kAge), foEqual, Null(), "");
  auto* nonBlank = F()->AddItem(nullptr, C->GetItem(kAge), foNotEqual, Null(), "");
  auto* gt = F()->AddItem(nullptr, C->GetItem(kAge), foGreater, 25, "25");
  auto* missing = F()->AddItem(nullptr, C->GetItem(kAge), foEqual, 99, "99");
  EXPECT_EQ(list->GetIndexByCriteriaItem(nullptr), -1);
  EXPECT_EQ(list->GetItem(list->GetIndexByCriteriaItem(eq)).EntryText, "25");
  EXPECT_EQ(list->GetIndexByCriteriaItem(blank), list->IndexOfKind(fviBlanks));
  EXPECT_EQ(list->GetIndexByCriteriaItem(nonBlank), list->IndexOfKind(fviNonBlanks));
  EXPECT_EQ(list->GetIndexByCriteriaItem(gt), list->IndexOfKind(fviCustom));
  EXPECT_EQ(list->GetIndexByCriteriaItem(missing), list->IndexOfKind(fviAll));
  list->Free();
}

TEST_F(ControllerFilter, BinaryStreamRoundTripMapsFieldsByItemId) {
  F()->Root()->SetBoolOperatorKind(fboOr);
  F()->AddItem(nullptr, C->GetItem(kName), foLike, "O'B%", "O'B%");
  TcxFilterCriteriaItemList* g = F()->Root()->AddItemList(fboNotAnd);
  F()->AddItem(g, C->GetItem(kAge), foBetween, VarArrayOf({20, 40}), "20;40");
  F()->AddItem(g, C->GetItem(kPrice), foInList, VarArrayOf({1.5, Null()}), "1,5;");
  const String bytes = CriteriaBytes(F());
  const String plain = F()->GetFilterText(), caption = F()->GetFilterCaption();

  // Another controller with the same items in the same order reads the same tree.
  FilterController other;
  TStringStream in(bytes);
  other.F()->ReadData(&in);
  EXPECT_EQ(other.F()->GetFilterText(), plain);
  EXPECT_EQ(other.F()->GetFilterCaption(), caption);
  EXPECT_EQ(CriteriaBytes(other.F()), bytes);
  EXPECT_EQ(static_cast<TcxDataFilterCriteriaItem*>(other.F()->Root()->Items(0))->Field(), other.C->Fields(kName));

  // The old format: a count without the marker, under an AND root.
  TStringStream old;
  StreamWriteInt32(&old, 1);
  StreamWriteBoolean(&old, false);
  StreamWriteByte(&old, foGreaterEqual);
  StreamWriteAnsiString(&old, "30");
  StreamWriteInt32(&old, kAge);
  StreamWriteVariant(&old, 30);
  old.SetPosition(0);
  other.F()->ReadData(&old);
  EXPECT_EQ(other.F()->GetFilterText(), "(Возраст >= 30)");
}

TEST_F(ControllerFilter, ComponentStreamCarriesPropertiesAndTheCriteriaProperty) {
  F()->SetOptions(fcoCaseInsensitive | fcoSoftNull);
  F()->SetPercentWildcard('*');
  F()->SetMaxValueListCount(12);
  F()->AddItem(nullptr, C->GetItem(kAge), foLess, 26, "26");
  F()->AddItem(nullptr, C->GetItem(kName), foLike, "Б*", "Б*");
  F()->SetActive(true);
  TStringStream out;
  F()->SaveToStream(&out);
  const String text = ObjectBinaryToText(out.DataString());
  EXPECT_NE(text.find("Filter.Active = True"), String::npos) << text;
  EXPECT_NE(text.find("Filter.Options = [fcoCaseInsensitive, fcoSoftNull]"), String::npos) << text;
  EXPECT_NE(text.find("Filter.PercentWildcard = '*'"), String::npos) << text;
  EXPECT_NE(text.find("Filter.MaxValueListCount = 12"), String::npos) << text;
  EXPECT_NE(text.find("Filter.Criteria = {"), String::npos) << text;
  EXPECT_EQ(text.find("UnderscoreWildcard"), String::npos) << "defaults are not written";

  FilterController other;
  TStringStream in(out.DataString());
  other.F()->LoadFromStream(&in);
  EXPECT_TRUE(other.F()->Active());
  EXPECT_EQ(other.F()->Options(), fcoCaseInsensitive | fcoSoftNull);
  EXPECT_EQ(other.F()->PercentWildcard(), '*');
  EXPECT_EQ(other.F()->MaxValueListCount(), 12);
  EXPECT_EQ(other.F()->GetFilterText(), F()->GetFilterText());
  EXPECT_EQ(other.Rows(), (std::vector<int32_t>{1}));

  // An empty AND root writes no "Criteria"; reading it leaves the tree alone.
  F()->Clear();
  TStringStream empty;
  F()->SaveToStream(&empty);
  EXPECT_EQ(ObjectBinaryToText(empty.DataString()).find("Criteria"), String::npos);
}

TEST_F(ControllerFilter, DamagedComponentAndBinaryStreamsAreRefusedCleanly) {
  F()->SetOptions(fcoCaseInsensitive);
  F()->AddItem(nullptr, C->GetItem(kAge), foBetween, VarArrayOf({1, 2}), "1;2");
  TcxFilterCriteriaItemList* g = F()->Root()->AddItemList(fboNotOr);
  F()->AddItem(g, C->GetItem(kName), foLike, "Ж%", "Ж%");
  F()->AddItem(g, C->GetItem(kPrice), foEqual, Null(), "");
  F()->SetActive(true);
  const std::string component = mutation::Saved([&](TStream* s) { F()->SaveToStream(s); });
  const std::string binary = mutation::Saved([&](TStream* s) { F()->WriteData(s); });
  FilterController other;
  mutation::Limits limits;
  limits.Inputs = 1500;
  mutation::Run(component, [&](const std::string& bytes) {
    TStringStream s(bytes);
    other.F()->LoadFromStream(&s);
    (void)other.F()->GetFilterText();
    (void)other.Rows();
  }, limits);
  mutation::Run(binary, [&](const std::string& bytes) {
    TStringStream s(bytes);
    other.F()->ReadData(&s);
    (void)other.F()->GetFilterCaption();
    (void)other.Rows();
  }, limits);
}

namespace filter_tests {

// The LIKE rules character by character, as plainly as they can be said: a multiple wildcard takes any
// run of characters (none included), a single one exactly one character.
bool ReferenceLike(const std::u32string& t, size_t ti, const std::u32string& p, size_t pi) {
  if (pi == p.size()) return ti == t.size();
  if (p[pi] == U'%') {
    for (size_t k = ti; k <= t.size(); ++k)
      if (ReferenceLike(t, k, p, pi + 1)) return true;
    return false;
  }
  if (ti == t.size()) return false;
  return (p[pi] == U'_' || p[pi] == t[ti]) && ReferenceLike(t, ti + 1, p, pi + 1);
}

}  // namespace filter_tests

TEST(LikePattern, CompiledMatcherAgreesWithTheRulesOnSeededTexts) {
  // Cyrillic two-byte characters whose lead bytes repeat, ASCII, a three-byte character.
  const char* const pieces[] = {"к", "а", "ка", "a", "b", "€", "Ё"};
  std::mt19937 rng(20261211);
  auto text = [&](int maxLen) {
    String s;
    const int n = static_cast<int>(rng() % static_cast<unsigned>(maxLen + 1));
    for (int i = 0; i < n; ++i) s += pieces[rng() % std::size(pieces)];
    return s;
  };
  for (int i = 0; i < 4000; ++i) {
    String pattern;
    const int n = static_cast<int>(rng() % 6);
    for (int k = 0; k < n; ++k) {
      const unsigned r = rng() % 10;
      pattern += r < 3 ? String("%") : r < 4 ? String("_") : String(pieces[rng() % std::size(pieces)]);
    }
    const String t = text(8);
    const bool expected = ReferenceLike(Utf8ToCodePoints(t), 0, Utf8ToCodePoints(pattern), 0);
    ASSERT_EQ(MatchLikePattern(t, pattern, U'%', U'_'), expected) << "text '" << t << "' pattern '" << pattern << "'";
  }
  // Malformed bytes are characters of their own on either side.
  EXPECT_TRUE(MatchLikePattern("a\xFF" "b", "a_b", U'%', U'_'));
  EXPECT_TRUE(MatchLikePattern("\xD0\xD0\xBA", "%к", U'%', U'_'));
  EXPECT_FALSE(MatchLikePattern("\xD0\xBA", "\xD0%", U'%', U'_'));
  EXPECT_TRUE(MatchLikePattern("\xD0x", "\xD0%", U'%', U'_'));
}

TEST_F(ControllerFilter, TextConditionsFollowCaseSoftNullAndWildcardChanges) {
  F()->AddItem(nullptr, C->GetItem(kName), foLike, "А%", "А%");
  F()->SetActive(true);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0}));
  F()->SetOptions(fcoCaseInsensitive);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 3}));
  F()->SetPercentWildcard('*');  // the same pattern now has no wildcard
  EXPECT_EQ(Rows(), (std::vector<int32_t>{}));
  F()->SetPercentWildcard('%');
  F()->Clear();
  F()->AddItem(nullptr, C->GetItem(kName), foNotLike, "%о%", "%о%");
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 2}));  // the Null name fails both LIKE and NOT LIKE
  C->SetValue(4, kName, "");
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 2, 4}));
  F()->SetOptions(fcoSoftNull);  // an empty text counts as Null
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 2}));
}
