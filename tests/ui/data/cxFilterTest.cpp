#include <gtest/gtest.h>

#include <map>

#include "MutationLoop.h"
#include "rtl/Clock.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxFilter.h"
#include "ui/data/cxLike.h"

namespace {

// An item link: a column with a stream id, a plain name and a caption.
class TestColumn : public TObject {
  RTL_CLASS(TestColumn, TObject)
public:
  TestColumn(int32_t AId, String AName, String ACaption) : Id(AId), Name(std::move(AName)), Caption(std::move(ACaption)) {}
  int32_t Id;
  String Name, Caption;
};

class TestCriteria;

class TestCondition : public TcxFilterCriteriaItem {
  RTL_CLASS(TestCondition, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(int32_t ARecordIndex, Variant& AValue) override;
  // An id the criteria does not know comes back as no link.
  String GetFieldCaption() override { return Column() ? Column()->Caption : String("?"); }
  String GetFieldName() override { return Column() ? Column()->Name : String("?"); }
  TestColumn* Column() { return static_cast<TestColumn*>(ItemLink()); }
};

// Records are rows of values by column id.
class TestCriteria : public TcxFilterCriteria {
  RTL_CLASS(TestCriteria, TcxFilterCriteria)
public:
  std::vector<TestColumn*> Columns;
  std::vector<std::map<int32_t, Variant>> Records;

  int32_t GetIDByItemLink(TObject* AItemLink) override { return static_cast<TestColumn*>(AItemLink)->Id; }
  TObject* GetItemLinkByID(int32_t AID) override {
    for (TestColumn* c : Columns)
      if (c->Id == AID) return c;
    return nullptr;
  }
  TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                    TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                    const String& ADisplayValue) override {
    return New<TestCondition>(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
  }
};

void TestCondition::GetDataValue(int32_t ARecordIndex, Variant& AValue) {
  auto* criteria = static_cast<TestCriteria*>(GetCriteria());
  AValue = criteria->Records.at(static_cast<size_t>(ARecordIndex))[Column()->Id];
}

struct FilterFixture : ::testing::Test {
  TestColumn Name{1, "Name", "Имя"}, Age{2, "Age", "Возраст"}, Price{3, "Price", "Цена"}, When{4, "Date", "Дата"};
  TestCriteria* Criteria = New<TestCriteria>();
  TTestClock Clock{EncodeDate(2026, 12, 10) + 0.5};
  TClockInstaller Installer{Clock};
  TFormatSettings Saved = FormatSettings();

  FilterFixture() { Criteria->Columns = {&Name, &Age, &Price, &When}; }
  ~FilterFixture() override {
    Criteria->Free();
    SetFormatSettings(Saved);
  }
  // One record holding V in every column; evaluates a criteria of the single condition.
  bool Holds(TcxFilterOperatorKind AKind, const Variant& R, const Variant& C) {
    Criteria->Clear();
    Criteria->Records = {{{1, R}, {2, R}, {3, R}, {4, R}}};
    Criteria->AddItem(nullptr, &Name, AKind, C, "");
    return Criteria->EvaluateRecord(0);
  }
};

Variant D(int y, int m, int d) { return VarFromDateTime(EncodeDate(uint16_t(y), uint16_t(m), uint16_t(d))); }

}  // namespace

TEST(MatchLikePattern, WildcardsByCharacter) {
  struct Case {
    const char* Text;
    const char* Pattern;
    bool Expected;
  } cases[] = {
      {"", "%", true},          {"a", "a%%", true},        {"a", "a%", true},       {"abc", "a_c", true},
      {"ac", "a_c", false},     {"abc", "%b%", true},      {"abc", "%c", true},     {"abc", "%a", false},
      {"abc", "a%c%", true},    {"abc", "abc", true},      {"abc", "ABC", false},   {"", "", true},
      {"", "_", false},         {"abcbc", "%bc", true},    {"abxbc", "a%bc", true}, {"ab", "a%%b%%", true},
      {"Иванов", "Ив%", true},  {"Иванов", "_ванов", true}, {"ж", "_", true},       {"жж", "_", false},
      {"Иванов", "ив%", false}, {"ёлка", "е%", false},     {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "%a%a%a%a%a%a%a%a%c", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchLikePattern(c.Text, c.Pattern, '%', '_'), c.Expected) << c.Text << " LIKE " << c.Pattern;
  EXPECT_TRUE(LikeMatch("50%", "50!%", '%', '_', '!'));
  EXPECT_FALSE(LikeMatch("500", "50!%", '%', '_', '!'));
  EXPECT_TRUE(MatchLikePattern("a*c", "a*c", '*', '?'));
  EXPECT_TRUE(MatchLikePattern("a%c", "a?c", '*', '?'));
}

TEST_F(FilterFixture, OperatorTableAgainstTypicalValuesAndNulls) {
  const Variant n = Null();
  const Variant between = VarArrayOf({1, 5});
  const Variant list = VarArrayOf({1, 2, 3});
  struct Case {
    TcxFilterOperatorKind Kind;
    Variant R, C;
    bool Expected;
  } cases[] = {
      {foEqual, 5, 5, true},           {foEqual, 5, 6, false},          {foEqual, n, 5, false},
      {foEqual, n, n, true},           {foEqual, "", n, false},         {foEqual, "Жук", "Жук", true},
      {foNotEqual, 5, 6, true},        {foNotEqual, 5, 5, false},       {foNotEqual, n, 5, false},
      {foNotEqual, 5, n, true},        {foNotEqual, n, n, false},
      {foLess, 4, 5, true},            {foLess, 5, 5, false},           {foLess, n, 5, false},
      {foLessEqual, 5, 5, true},       {foLessEqual, 6, 5, false},      {foGreater, 6, 5, true},
      {foGreater, 5, 5, false},        {foGreaterEqual, 5, 5, true},    {foGreaterEqual, 4, 5, false},
      // A text that is no number against a number: the number orders first, whichever side it is on.
      {foGreater, "Яков", "Анна", true}, {foLess, "abc", 5, false},     {foGreater, "abc", 5, true},
      {foLike, "Смирнов", "См%", true}, {foLike, "Смирнов", "%ов", true}, {foLike, "Смирнов", "Ив%", false},
      {foLike, n, "%", false},         {foLike, n, n, true},            {foNotLike, "Смирнов", "Ив%", true},
      {foNotLike, "Смирнов", "См%", false}, {foNotLike, n, "%", false},  {foNotLike, "x", n, true},
      {foBetween, 1, between, true},   {foBetween, 5, between, true},   {foBetween, 6, between, false},
      {foBetween, 0, between, false},  {foBetween, n, between, false},  {foNotBetween, 6, between, true},
      {foNotBetween, 3, between, false}, {foInList, 2, list, true},     {foInList, 4, list, false},
      {foInList, n, list, false},      {foNotInList, 4, list, true},    {foNotInList, 1, list, false},
      {foNull, n, n, true},            {foNull, 5, n, false},           {foNull, "", n, false},
      {foNotNull, 5, n, true},         {foNotNull, n, n, false},
      {foYesterday, D(2026, 12, 9), n, true},   {foYesterday, D(2026, 12, 10), n, false},
      {foToday, D(2026, 12, 10), n, true},      {foToday, VarFromDateTime(EncodeDate(2026, 12, 10) + 0.99), n, true},
      {foToday, D(2026, 12, 11), n, false},     {foToday, n, n, false},
      {foTomorrow, D(2026, 12, 11), n, true},   {foTomorrow, D(2026, 12, 12), n, false},
      {foLastWeek, D(2026, 11, 30), n, true},   {foLastWeek, D(2026, 12, 7), n, false},
      {foThisWeek, D(2026, 12, 7), n, true},    {foThisWeek, D(2026, 12, 13), n, true},
      {foThisWeek, D(2026, 12, 14), n, false},  {foNextWeek, D(2026, 12, 14), n, true},
      {foLastMonth, D(2026, 11, 30), n, true},  {foLastMonth, D(2026, 12, 1), n, false},
      {foThisMonth, D(2026, 12, 31), n, true},  {foNextMonth, D(2027, 1, 31), n, true},
      {foLastYear, D(2025, 6, 1), n, true},     {foThisYear, D(2026, 1, 1), n, true},
      {foNextYear, D(2027, 12, 31), n, true},   {foNextYear, D(2028, 1, 1), n, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Holds(c.Kind, c.R, c.C), c.Expected)
        << "kind " << int(c.Kind) << " R=" << VarToStr(c.R) << " C=" << (VarIsArray(c.C) ? "[..]" : VarToStr(c.C));
}

TEST_F(FilterFixture, SignsAndCaptionsOfTheTwentySixKinds) {
  struct Case {
    const char* Sign;
    const char* Caption;
    bool HasCaption;
  } cases[] = {
      {"=", "равно", false},          {"<>", "не равно", false},      {"<", "меньше", false},
      {"<=", "меньше или равно", false}, {">", "больше", false},      {">=", "больше или равно", false},
      {"LIKE", "походит", false},     {"NOT LIKE", "не походит", false}, {"BETWEEN", "между", true},
      {"NOT BETWEEN", "не между", true}, {"IN", "в", true},           {"NOT IN", "не в", true},
      {"вчера", "вчера", false},      {"сегодня", "сегодня", false},  {"завтра", "завтра", false},
      {"прошлая неделя", "прошлая неделя", false}, {"прошлый месяц", "прошлый месяц", false},
      {"прошлый год", "прошлый год", false}, {"эта неделя", "эта неделя", false},
      {"этот месяц", "этот месяц", false}, {"этот год", "этот год", false},
      {"следующая неделя", "следующая неделя", false}, {"следующий месяц", "следующий месяц", false},
      {"следующий год", "следующий год", false}, {"=", "пустой", false}, {"<>", "непустой", false},
  };
  for (int k = 0; k < cxFilterOperatorKindCount; ++k) {
    TcxFilterCriteriaItem* item = Criteria->AddItem(nullptr, &Name, TcxFilterOperatorKind(k), "x", "");
    TcxFilterOperator* op = CreateFilterOperator(TcxFilterOperatorKind(k), item);
    EXPECT_EQ(op->Sign(), cases[k].Sign) << k;
    EXPECT_EQ(op->DisplayCaption(), cases[k].Caption) << k;
    EXPECT_EQ(op->HasDisplayCaption(), cases[k].HasCaption) << k;
    EXPECT_EQ(op->AcceptsNull(), k >= foNull) << k;
    op->Free();
  }
  // LIKE words follow the pattern's outer wildcards.
  const char* like[][3] = {{"abc%", "начинается с", "начинается не с"},
                           {"%abc", "кончается на", "кончается не на"},
                           {"%%abc%%", "содержит", "не содержит"},
                           {"a%c", "походит", "не походит"}};
  for (auto& l : like) {
    EXPECT_EQ(Criteria->AddItem(nullptr, &Name, foLike, l[0], "")->Operator()->DisplayCaption(), l[1]);
    EXPECT_EQ(Criteria->AddItem(nullptr, &Name, foNotLike, l[0], "")->Operator()->DisplayCaption(), l[2]);
  }
}

TEST_F(FilterFixture, TextCaseRulesAndSoftOptions) {
  EXPECT_FALSE(Holds(foLike, "abc", "A%"));
  EXPECT_FALSE(Holds(foEqual, "иванов", "ИВАНОВ"));
  Criteria->SetOptions(fcoCaseInsensitive);
  EXPECT_TRUE(Holds(foLike, "abc", "A%"));
  EXPECT_TRUE(Holds(foEqual, "иванов", "ИВАНОВ"));
  EXPECT_TRUE(Holds(foLike, "щука", "Щ_КА"));
  // Soft null: an empty string is a null value on both sides.
  EXPECT_FALSE(Holds(foEqual, "", Null()));
  Criteria->SetOptions(fcoSoftNull);
  EXPECT_TRUE(Holds(foEqual, "", Null()));
  EXPECT_TRUE(Holds(foEqual, Null(), ""));
  EXPECT_FALSE(Holds(foNotEqual, "", Null()));
  EXPECT_TRUE(Holds(foNotEqual, "x", ""));
  EXPECT_FALSE(Holds(foGreater, "", "a"));
  // A conversion error of the platform's "=" raises unless soft compare is set.
  Criteria->SetOptions(0);
  EXPECT_THROW(Holds(foInList, "abc", VarArrayOf({1, 2})), EVariantError);
  Criteria->SetOptions(fcoSoftCompare);
  EXPECT_FALSE(Holds(foInList, "abc", VarArrayOf({1, 2})));
  EXPECT_TRUE(Holds(foEqual, Variant(Currency::FromDouble(2.5)), 2.5));
}

TEST_F(FilterFixture, DatePeriodsAroundWeekMonthAndYearEnds) {
  struct Case {
    TDateTime Today;
    int FirstDay;  // regional: 0 Monday, 6 Sunday
    TcxFilterOperatorKind Kind;
    TDateTime Start, End;
  } cases[] = {
      // Sunday 2026-12-13: Monday-first weeks start six days earlier, Sunday-first ones that day.
      {EncodeDate(2026, 12, 13), 0, foThisWeek, EncodeDate(2026, 12, 7), EncodeDate(2026, 12, 14)},
      {EncodeDate(2026, 12, 13), 6, foThisWeek, EncodeDate(2026, 12, 13), EncodeDate(2026, 12, 20)},
      {EncodeDate(2026, 12, 14), 0, foThisWeek, EncodeDate(2026, 12, 14), EncodeDate(2026, 12, 21)},
      {EncodeDate(2026, 12, 14), 6, foThisWeek, EncodeDate(2026, 12, 13), EncodeDate(2026, 12, 20)},
      {EncodeDate(2026, 12, 12), 6, foThisWeek, EncodeDate(2026, 12, 6), EncodeDate(2026, 12, 13)},
      {EncodeDate(2027, 1, 1), 0, foLastWeek, EncodeDate(2026, 12, 21), EncodeDate(2026, 12, 28)},
      {EncodeDate(2026, 12, 31), 6, foNextWeek, EncodeDate(2027, 1, 3), EncodeDate(2027, 1, 10)},
      {EncodeDate(2027, 1, 15), 0, foLastMonth, EncodeDate(2026, 12, 1), EncodeDate(2027, 1, 1)},
      {EncodeDate(2026, 12, 31), 0, foThisMonth, EncodeDate(2026, 12, 1), EncodeDate(2027, 1, 1)},
      {EncodeDate(2026, 12, 1), 0, foNextMonth, EncodeDate(2027, 1, 1), EncodeDate(2027, 2, 1)},
      {EncodeDate(2026, 11, 30), 0, foNextMonth, EncodeDate(2026, 12, 1), EncodeDate(2027, 1, 1)},
      {EncodeDate(2024, 2, 29), 0, foThisMonth, EncodeDate(2024, 2, 1), EncodeDate(2024, 3, 1)},
      {EncodeDate(2027, 1, 1), 0, foLastYear, EncodeDate(2026, 1, 1), EncodeDate(2027, 1, 1)},
      {EncodeDate(2026, 12, 31), 0, foThisYear, EncodeDate(2026, 1, 1), EncodeDate(2027, 1, 1)},
      {EncodeDate(2026, 12, 31), 0, foNextYear, EncodeDate(2027, 1, 1), EncodeDate(2028, 1, 1)},
      {EncodeDate(2027, 1, 1), 0, foYesterday, EncodeDate(2026, 12, 31), EncodeDate(2027, 1, 1)},
      {EncodeDate(2026, 12, 31), 0, foTomorrow, EncodeDate(2027, 1, 1), EncodeDate(2027, 1, 2)},
  };
  for (const Case& c : cases) {
    TFormatSettings fs = Saved;
    fs.FirstDayOfWeek = c.FirstDay;
    SetFormatSettings(fs);
    Clock.SetNow(c.Today + 0.75);
    Criteria->Clear();
    auto* op = static_cast<TcxFilterDateOperator*>(Criteria->AddItem(nullptr, &When, c.Kind, Null(), "")->Operator());
    EXPECT_EQ(op->RangeStart(), c.Start) << DateToStr(c.Today) << " kind " << int(c.Kind) << " first " << c.FirstDay;
    EXPECT_EQ(op->RangeEnd(), c.End) << DateToStr(c.Today) << " kind " << int(c.Kind) << " first " << c.FirstDay;
  }
}

TEST_F(FilterFixture, TreeEvaluationWithAndOrNot) {
  // Records: Age 10, 25, 40.
  Criteria->Records = {{{2, 10}}, {{2, 25}}, {{2, 40}}};
  auto result = [&] {
    String s;
    for (int32_t r = 0; r < 3; ++r) s += Criteria->EvaluateRecord(r) ? '1' : '0';
    return s;
  };
  EXPECT_EQ(result(), "111");
  // Age > 30 , Age < 20 under each root kind.
  const char* expected[] = {"000", "101", "111", "010"};
  for (uint8_t kind = fboAnd; kind <= fboNotOr; ++kind) {
    Criteria->Clear();
    Criteria->Root()->SetBoolOperatorKind(kind);
    EXPECT_EQ(result(), "111") << "an empty group holds, kind " << int(kind);
    Criteria->AddItem(nullptr, &Age, foGreater, 30, "");
    Criteria->AddItem(nullptr, &Age, foLess, 20, "");
    EXPECT_EQ(result(), expected[kind]) << int(kind);
  }
  // Age >= 20 AND NOT (Age > 30 OR Age < 20)  -> only 25; nested NOT AND of one child negates it.
  Criteria->Clear();
  Criteria->AddItem(nullptr, &Age, foGreaterEqual, 20, "");
  TcxFilterCriteriaItemList* g = Criteria->Root()->AddItemList(fboNotOr);
  g->AddItem(&Age, foGreater, 30, "");
  g->AddItem(&Age, foLess, 20, "");
  EXPECT_EQ(result(), "010");
  TcxFilterCriteriaItemList* n = Criteria->Root()->AddItemList(fboNotAnd);
  n->AddItem(&Age, foEqual, 25, "");
  EXPECT_EQ(result(), "000");
}

TEST_F(FilterFixture, RemovingAnItemLinkDissolvesGroupsLeftWithOneChild) {
  int changes = 0;
  Criteria->OnChanged = [&](TObject*) { ++changes; };
  Criteria->AddItem(nullptr, &Name, foEqual, "a", "a");
  TcxFilterCriteriaItemList* g = Criteria->Root()->AddItemList(fboNotOr);
  g->AddItem(&Age, foGreater, 1, "1");
  g->AddItem(&Price, foLess, 2, "2");
  Criteria->AddItem(nullptr, &Name, foEqual, "b", "b");
  changes = 0;
  Criteria->RemoveItemByItemLink(&Age);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Criteria->GetFilterText(), "(Name = 'a') AND (Name = 'b') AND (Price < 2)");
  Criteria->RemoveItemByItemLink(&When);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Criteria->FindItemByItemLink(&Price)->Parent(), Criteria->Root());
}

TEST_F(FilterFixture, PlainAndDisplayTexts) {
  struct Case {
    TestColumn* Column;
    TcxFilterOperatorKind Kind;
    Variant Value;
    const char* Display;
    TcxFilterCriteriaOptions Options;
    bool TranslateBetween, TranslateIn;
    const char* Plain;
    const char* Caption;
  };
  const Variant n = Null();
  const Case cases[] = {
      {&Name, foEqual, "Smith", "Smith", 0, false, false, "(Name = 'Smith')", "(Имя = Smith)"},
      {&Name, foEqual, "O'Brien", "O'Brien", 0, false, false, "(Name = 'O''Brien')", "(Имя = O'Brien)"},
      {&Name, foEqual, "x') OR (1=1", "", 0, false, false, "(Name = 'x'') OR (1=1')", "(Имя =)"},
      {&Price, foBetween, VarArrayOf({10, 20}), "10;20", 0, false, false, "(Price BETWEEN 10 AND 20)",
       "(Цена между 10 и 20)"},
      {&Price, foBetween, VarArrayOf({10, 20}), "10", 0, true, false, "((Price >= 10) AND (Price <= 20))",
       "(Цена между 10 и )"},
      {&Price, foNotBetween, VarArrayOf({10, 20}), "10;20", 0, true, false,
       "(NOT ((Price >= 10) AND (Price <= 20)))", "(Цена не между 10 и 20)"},
      {&Age, foInList, VarArrayOf({1, 2, 3}), "1;2; 3", 0, false, false, "(Age IN (1, 2, 3))", "(Возраст в (1, 2, 3))"},
      {&Age, foInList, VarArrayOf({1, 2, 3}), "1;2;3", 0, false, true, "((Age = 1) OR (Age = 2) OR (Age = 3))",
       "(Возраст в (1, 2, 3))"},
      {&Age, foNotInList, VarArrayOf({"a", "b"}), "a;b", 0, false, true, "(NOT ((Age = 'a') OR (Age = 'b')))",
       "(Возраст не в (a, b))"},
      {&When, foToday, n, "", 0, false, false, "((Date >= '2026-12-10') AND (Date < '2026-12-11'))", "(Дата сегодня)"},
      {&Name, foLike, "%abc%", "%abc%", fcoShowOperatorDescription, false, false, "(Name LIKE '%abc%')",
       "(Имя содержит abc)"},
      {&Name, foLike, "%abc%", "%abc%", 0, false, false, "(Name LIKE '%abc%')", "(Имя LIKE %abc%)"},
      {&Name, foNotLike, "ab%", "ab%", fcoShowOperatorDescription, false, false, "(Name NOT LIKE 'ab%')",
       "(Имя начинается не с ab)"},
      {&Name, foEqual, n, "", 0, false, false, "(Name = NULL)", "(Имя = пусто)"},
      {&Name, foEqual, n, "", fcoShowOperatorDescription, false, false, "(Name = NULL)", "(Имя пустой)"},
      {&Name, foNotEqual, n, "", 0, false, false, "(Name <> NULL)", "(Имя <> пусто)"},
      {&Age, foGreaterEqual, 18, "18", fcoShowOperatorDescription, false, false, "(Age >= 18)",
       "(Возраст больше или равно 18)"},
      {&Age, foEqual, true, "True", 0, false, false, "(Age = True)", "(Возраст = True)"},
  };
  Criteria->SetDateTimeFormat("yyyy-mm-dd");
  for (const Case& c : cases) {
    Criteria->Clear();
    Criteria->SetOptions(c.Options);
    Criteria->SetTranslateBetween(c.TranslateBetween);
    Criteria->SetTranslateIn(c.TranslateIn);
    Criteria->AddItem(nullptr, c.Column, c.Kind, c.Value, c.Display);
    EXPECT_EQ(Criteria->GetFilterText(), c.Plain);
    EXPECT_EQ(Criteria->GetFilterCaption(), c.Caption);
  }
  // Groups: words between children, NOT in front, empty groups.
  Criteria->Clear();
  Criteria->SetOptions(0);
  EXPECT_EQ(Criteria->GetFilterText(), "");
  Criteria->Root()->SetBoolOperatorKind(fboNotAnd);
  EXPECT_EQ(Criteria->GetFilterText(), "NOT ()");
  EXPECT_EQ(Criteria->GetFilterCaption(), "не ()");
  Criteria->Clear();
  Criteria->AddItem(nullptr, &Name, foEqual, "Smith", "Smith");
  TcxFilterCriteriaItemList* g = Criteria->Root()->AddItemList(fboOr);
  g->AddItem(&Age, foGreater, 30, "30");
  g->AddItem(&Age, foLess, 20, "20");
  EXPECT_EQ(Criteria->GetFilterText(), "(Name = 'Smith') AND ((Age > 30) OR (Age < 20))");
  EXPECT_EQ(Criteria->GetFilterCaption(), "(Имя = Smith) и ((Возраст > 30) или (Возраст < 20))");
  g->SetBoolOperatorKind(fboNotOr);
  EXPECT_EQ(Criteria->GetFilterText(), "(Name = 'Smith') AND (NOT ((Age > 30) OR (Age < 20)))");
}

TEST(FilterTextRoutines, StripCollapseAndParse) {
  struct Case {
    const char* In;
    int Result;
    const char* Out;
  } cases[] = {{"%abc%", 3, "abc"}, {"abc%%%", 1, "abc"}, {"%abc", 2, "abc"}, {"a%c", 0, "a%c"},
               {"%", 0, "%"},       {"%%", 0, "%"},       {"", 0, ""},         {"%ж%", 3, "ж"}};
  for (const Case& c : cases) {
    String s = c.In;
    EXPECT_EQ(StripLikeWildcards(s, '%'), c.Result) << c.In;
    EXPECT_EQ(s, c.Out) << c.In;
  }
  EXPECT_EQ(ListDisplayText(ParseListText(" a ; b;c")), "(a, b, c)");
  EXPECT_EQ(VarToStr(ParseListText("")), "");
  EXPECT_EQ(BetweenDisplayText(CreateVariantPair(Null(), 5)), "пусто и 5");
  EXPECT_EQ(BetweenDisplayText(ParseBetweenText("1 ; 2")), "1 и 2");
}

TEST_F(FilterFixture, TranslationHookReachesEveryDisplayWord) {
  FilterTextHook = [](const String& AText, String& AResult) { AResult = "<" + AText + ">"; };
  Criteria->AddItem(nullptr, &Name, foEqual, Null(), "");
  Criteria->AddItem(nullptr, &When, foLastMonth, Null(), "");
  const String caption = Criteria->GetFilterCaption();
  FilterTextHook = nullptr;
  EXPECT_EQ(caption, "(Имя = <пусто>) <и> (Дата <прошлый месяц>)");
}

namespace {
String Bytes(TcxFilterCriteria* C) { return mutation::Saved([&](TStream* s) { C->WriteData(s); }); }
}  // namespace

TEST_F(FilterFixture, StreamRoundTripKeepsTreeAndTexts) {
  Criteria->Root()->SetBoolOperatorKind(fboNotOr);
  Criteria->AddItem(nullptr, &Name, foLike, "O'Br%", "O'Br%");
  TcxFilterCriteriaItemList* g = Criteria->Root()->AddItemList(fboNotAnd);
  g->AddItem(&Price, foBetween, VarArrayOf({1.5, Variant(Currency::FromDouble(20))}), "1,5;20");
  g->AddItemList(fboOr)->AddItem(&When, foEqual, D(2026, 1, 2), "02.01.2026");
  g->AddItem(&Age, foInList, VarArrayOf({1, Null(), "ё"}), "1;;ё");
  Criteria->AddItem(nullptr, &Name, foNotEqual, Null(), "");
  Criteria->AddItem(nullptr, &When, foNextWeek, Null(), "");
  const String bytes = Bytes(Criteria);
  ASSERT_EQ(bytes.substr(0, 5), String("\xFF\xFF\xFF\xFF\x03", 5));

  TestCriteria* copy = New<TestCriteria>();
  copy->Columns = Criteria->Columns;
  TStringStream in(bytes);
  copy->ReadData(&in);
  EXPECT_EQ(in.Position(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(copy->GetFilterText(), Criteria->GetFilterText());
  EXPECT_EQ(copy->GetFilterCaption(), Criteria->GetFilterCaption());
  EXPECT_EQ(Bytes(copy), bytes);
  // Assign travels through the same stream.
  copy->Clear();
  copy->Assign(Criteria);
  EXPECT_EQ(Bytes(copy), bytes);
  copy->Free();
}

TEST_F(FilterFixture, OldFormatStreamLoadsUnderAnAndRoot) {
  Criteria->Root()->SetBoolOperatorKind(fboOr);
  TStringStream s;
  StreamWriteInt32(&s, 2);
  for (int v : {7, 8}) {
    StreamWriteBoolean(&s, false);
    StreamWriteByte(&s, foGreater);
    StreamWriteAnsiString(&s, IntToStr(v));
    StreamWriteInt32(&s, 2);
    StreamWriteVariant(&s, v);
  }
  s.SetPosition(0);
  Criteria->ReadData(&s);
  EXPECT_EQ(Criteria->Root()->BoolOperatorKind(), fboAnd);
  EXPECT_EQ(Criteria->GetFilterText(), "(Age > 7) AND (Age > 8)");
}

TEST_F(FilterFixture, DamagedStreamsAreRefusedCleanly) {
  auto load = [&](const String& bytes) {
    TStringStream s(bytes);
    Criteria->ReadData(&s);
  };
  auto header = [](int32_t count) {
    TStringStream s;
    StreamWriteInt32(&s, -1);
    StreamWriteByte(&s, 0);
    StreamWriteInt32(&s, count);
    return s.DataString();
  };
  EXPECT_THROW(load(header(0x7FFFFFFF)), EReadError);
  EXPECT_THROW(load(header(-5)), EReadError);
  EXPECT_THROW(load(header(1) + String("\0\x1A", 2)), EReadError);  // operator kind 26
  EXPECT_THROW(load(String("\xFF\xFF\xFF\xFF\x04\0\0\0\0", 9)), EReadError);  // root kind 4
  // Groups nested past the limit.
  String deep = header(1);
  for (int i = 0; i < cxMaxFilterNesting + 5; ++i) deep += String("\x01\x00\x01\x00\x00\x00", 6);
  EXPECT_THROW(load(deep), EReadError);
  // A failed read keeps what it read and releases the update lock.
  int changes = 0;
  Criteria->OnChanged = [&](TObject*) { ++changes; };
  TStringStream good;
  Criteria->Clear();
  Criteria->AddItem(nullptr, &Age, foEqual, 1, "1");
  Criteria->AddItem(nullptr, &Age, foEqual, 2, "2");
  Criteria->WriteData(&good);
  changes = 0;
  EXPECT_THROW(load(good.DataString().substr(0, good.DataString().size() - 3)), EReadError);
  EXPECT_EQ(Criteria->GetFilterText(), "(Age = 1)");
  EXPECT_GE(changes, 1);
  Criteria->OnChanged = nullptr;

  Criteria->Clear();
  Criteria->AddItem(nullptr, &Name, foLike, "Жу%", "Жу%");
  TcxFilterCriteriaItemList* g = Criteria->Root()->AddItemList(fboNotOr);
  g->AddItem(&Price, foBetween, VarArrayOf({1, 2}), "1;2");
  g->AddItem(&When, foToday, Null(), "");
  mutation::RunStream(Bytes(Criteria), [&](TStream* s) {
    Criteria->ReadData(s);
    (void)Criteria->GetFilterText();
    (void)Criteria->GetFilterCaption();
  });
}

namespace {

// A condition of a criteria whose text goes to a query: null tests in SQL form.
class QueryCondition : public TestCondition {
  RTL_CLASS(QueryCondition, TestCondition)
public:
  using TestCondition::TestCondition;
  TcxFilterOperatorClass GetOperatorClass() override {
    TcxFilterOperatorClass c = TestCondition::GetOperatorClass();
    if (c == FilterOperatorClass(foNull)) return FilterSQLNullOperatorClass();
    if (c == FilterOperatorClass(foNotNull)) return FilterSQLNotNullOperatorClass();
    return c;
  }
};

class QueryCriteria : public TestCriteria {
  RTL_CLASS(QueryCriteria, TestCriteria)
public:
  TcxFilterCriteriaItem* CreateItem(TcxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                    TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                    const String& ADisplayValue) override {
    return New<QueryCondition>(AParent, AItemLink, AOperatorKind, AValue, ADisplayValue);
  }
};

}  // namespace

TEST(FilterSQLNullOperators, QueryFormSaysIsAndIsNotAndEvaluatesAsNullTests) {
  TestColumn custno{1, "CUSTNO", "Клиент"};
  QueryCriteria* c = New<QueryCriteria>();
  c->Columns = {&custno};
  c->Records = {{{1, Null()}}, {{1, 7}}};
  c->AddItem(nullptr, &custno, foEqual, Null(), "");
  EXPECT_EQ(c->GetFilterText(), "(CUSTNO IS NULL)");
  EXPECT_TRUE(c->EvaluateRecord(0));
  EXPECT_FALSE(c->EvaluateRecord(1));
  c->Clear();
  c->AddItem(nullptr, &custno, foNotLike, Null(), "");
  EXPECT_EQ(c->GetFilterText(), "(CUSTNO IS NOT NULL)");
  EXPECT_EQ(c->GetFilterCaption(), "(Клиент IS NOT пусто)");
  EXPECT_FALSE(c->EvaluateRecord(0));
  EXPECT_TRUE(c->EvaluateRecord(1));
  c->Clear();
  c->AddItem(nullptr, &custno, foEqual, 7, "7");
  EXPECT_EQ(c->GetFilterText(), "(CUSTNO = 7)");
  c->Free();
}
