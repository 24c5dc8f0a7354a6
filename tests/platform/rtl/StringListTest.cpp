#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "rtl/Streams.h"
#include "rtl/StringLists.h"

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(TStrings* list) {
  Lines result;
  for (int32_t i = 0; i < list->Count(); ++i) result.push_back(list->Strings(i));
  return result;
}

void Fill(TStrings* list, const Lines& lines) {
  list->Clear();
  for (const auto& s : lines) list->Add(s);
}

std::string ListErrorText(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
  return "no error";
}

// Owns a TStringList for the length of a test.
struct List {
  TStringList* p = New<TStringList>();
  ~List() { p->Free(); }
  TStringList* operator->() const { return p; }
  operator TStringList*() const { return p; }
};

// The smallest storage a TStrings descendant can supply; everything else must come from TStrings.
class TVectorStrings : public TStrings {
  RTL_CLASS(TVectorStrings, TStrings)
public:
  void Clear() override { FItems.clear(); }
  void Delete(int32_t index) override { FItems.erase(FItems.begin() + index); }
  void Insert(int32_t index, const String& s) override { FItems.insert(FItems.begin() + index, s); }
  std::vector<String> FItems;

protected:
  String Get(int32_t index) override { return FItems.at(static_cast<size_t>(index)); }
  int32_t GetCount() override { return static_cast<int32_t>(FItems.size()); }
};

class TCounted : public TObject {
  RTL_CLASS(TCounted, TObject)
public:
  explicit TCounted(int* alive) : FAlive(alive) { ++*FAlive; }
  ~TCounted() override { --*FAlive; }

private:
  int* FAlive;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Names and values

TEST(TStringsTest, NamesAndValuesSplitAtTheFirstSeparator) {
  List list;
  Fill(list, {"a=1", "b=", "c", "=d", "e=f=g", "Имя=Значение"});
  struct Case {
    int32_t index;
    std::string name, value;
  } cases[] = {{0, "a", "1"}, {1, "b", ""}, {2, "", ""}, {3, "", "d"}, {4, "e", "f=g"}, {5, "Имя", "Значение"}};
  for (const Case& tc : cases) {
    EXPECT_EQ(list->Names(tc.index), tc.name) << tc.index;
    EXPECT_EQ(list->ValueFromIndex(tc.index), tc.value) << tc.index;
  }
  EXPECT_EQ(list->ValueFromIndex(-1), "");
  EXPECT_EQ(list->Values("A"), "1");  // names compare without regard to case
  EXPECT_EQ(list->Values("имя"), "Значение");
  EXPECT_EQ(list->Values("c"), "");  // a line without "=" has no name
  EXPECT_EQ(list->IndexOfName("c"), -1);
  EXPECT_EQ(list->IndexOfName("E"), 4);
  EXPECT_EQ(list->IndexOfName(""), 3);
}

TEST(TStringsTest, SettingValuesReplacesAddsAndDeletes) {
  List list;
  Fill(list, {"a=1", "b=2"});
  list->SetValues("A", "9");
  list->SetValues("c", "3");
  list->SetValues("b", "");
  list->SetValues("missing", "");
  EXPECT_EQ(LinesOf(list), (Lines{"A=9", "c=3"}));
  list->SetValueFromIndex(1, "4");
  list->SetValueFromIndex(-1, "5");
  EXPECT_EQ(LinesOf(list), (Lines{"A=9", "c=4", "=5"}));
  list->SetValueFromIndex(0, "");
  EXPECT_EQ(LinesOf(list), (Lines{"c=4", "=5"}));
  list->SetNameValueSeparator(':');
  list->AddPair("k", "v");
  EXPECT_EQ(list->Values("k"), "v");
  EXPECT_EQ(list->Names(0), "");
}

// ---------------------------------------------------------------------------------------------------
// Comma and delimited text

TEST(TStringsTest, CommaTextQuotesItemsWithBlanksQuotesOrCommas) {
  struct Case {
    Lines lines;
    std::string text;
  } cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", "b"}, "a,b"},
      {{"a b"}, "\"a b\""},
      {{"a\"b"}, "\"a\"\"b\""},
      {{"a,b", "c"}, "\"a,b\",c"},
      {{"", "x", ""}, ",x,"},
      {{"tab\there"}, "\"tab\there\""},
      {{"привет мир", "ёж"}, "\"привет мир\",ёж"},
      {{"it's"}, "it's"},
  };
  List list;
  for (const Case& tc : cases) {
    Fill(list, tc.lines);
    EXPECT_EQ(list->CommaText(), tc.text);
    List back;
    back->SetCommaText(tc.text);
    if (tc.lines.size() == 1 && tc.lines[0].empty())
      EXPECT_EQ(LinesOf(back), Lines{""});
    else
      EXPECT_EQ(LinesOf(back), tc.lines) << tc.text;
  }
}

TEST(TStringsTest, SetCommaTextSplitsOnCommasAndBlanks) {
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a,b", {"a", "b"}},
      {"  a , b  ", {"a", "b"}},
      {"a b", {"a", "b"}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"a b\"c", {"a b", "c"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {"a,,b", {"a", "", "b"}},
      {"\"\"", {""}},
      {"\"open", {"open"}},
      {"x\ny", {"x", "y"}},
  };
  List list;
  list->Add("old");
  for (const Case& tc : cases) {
    list->SetCommaText(tc.text);
    EXPECT_EQ(LinesOf(list), tc.lines) << "[" << tc.text << "]";
  }
}

TEST(TStringsTest, DelimitedTextFollowsDelimiterQuoteCharAndStrictDelimiter) {
  List list;
  list->SetDelimiter(';');
  list->SetQuoteChar('\'');
  list->SetDelimitedText("a b;'c;d';e,f");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c;d", "e,f"}));
  Fill(list, {"a b", "c;d", "it's", "x,y"});
  EXPECT_EQ(list->DelimitedText(), "'a b';'c;d';'it''s';x,y");
  EXPECT_EQ(list->CommaText(), "\"a b\",c;d,it's,\"x,y\"");  // its own delimiter and quote, then restored
  EXPECT_EQ(list->Delimiter(), ';');

  list->SetStrictDelimiter(true);
  EXPECT_EQ(list->DelimitedText(), "a b;'c;d';'it''s';x,y");
  list->SetDelimitedText(" a b ; c;");
  EXPECT_EQ(LinesOf(list), (Lines{" a b ", " c", ""}));
}

// ---------------------------------------------------------------------------------------------------
// Text

TEST(TStringsTest, TextSplitsOnAnyLineBreakAndJoinsWithCrLf) {
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"строка 1\nстрока 2", {"строка 1", "строка 2"}},
  };
  List list;
  for (const Case& tc : cases) {
    list->SetText(tc.text);
    EXPECT_EQ(LinesOf(list), tc.lines) << "[" << tc.text << "]";
  }
  Fill(list, {"a", "", "b"});
  EXPECT_EQ(list->Text(), "a\r\n\r\nb\r\n");
  list->Clear();
  EXPECT_EQ(list->Text(), "");
}

TEST(TStringsTest, StreamsAndFilesAreUtf8TextWithOptionalBom) {
  List list;
  TStringStream in("\xEF\xBB\xBFпервая\r\nвторая");
  list->LoadFromStream(&in);
  EXPECT_EQ(LinesOf(list), (Lines{"первая", "вторая"}));
  TStringStream out;
  list->SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "первая\r\nвторая\r\n");

  char tmpl[] = "/tmp/vorn-strings-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string file = std::string(tmpl) + "/list.txt";
  list->SaveToFile(file);
  List loaded;
  loaded->LoadFromFile(file);
  EXPECT_TRUE(loaded->Equals(list));
  std::filesystem::remove_all(tmpl);
  EXPECT_EQ(ListErrorText([&] { loaded->LoadFromFile(file); }).rfind("EFOpenError: Cannot open file \"", 0), 0u);
}

// ---------------------------------------------------------------------------------------------------
// The storage contract

TEST(TStringsTest, DescendantWithMinimalStorageGetsTheRestFromTheBase) {
  auto* s = New<TVectorStrings>();
  s->SetText("b=2\na=1\nc");
  s->SetValues("a", "7");    // Put through Delete + Insert
  s->Exchange(0, 2);         // through Put
  s->Move(0, 1);             // through Delete + InsertObject
  EXPECT_EQ(s->FItems, (std::vector<String>{"a=7", "c", "b=2"}));
  EXPECT_EQ(s->IndexOf("C"), 1);
  EXPECT_EQ(s->Objects(0), nullptr);
  EXPECT_EQ(s->Capacity(), 3);
  List copy;
  copy->Assign(s);
  EXPECT_TRUE(copy->Equals(s));
  copy->SetStrings(0, "A=7");
  EXPECT_FALSE(copy->Equals(s));  // Equals compares exactly
  List empty;
  s->Assign(empty);
  EXPECT_EQ(s->Count(), 0);
  s->Free();
}

TEST(TStringsTest, AssignFromAnotherKindFails) {
  List list;
  auto* other = New<TPersistent>();
  EXPECT_EQ(ListErrorText([&] { list->Assign(other); }), "EConvertError: Cannot assign a TPersistent to a TStringList");
  other->Free();
}

// ---------------------------------------------------------------------------------------------------
// TStringList

TEST(TStringListTest, IndexErrorsAndSortedListRestrictions) {
  List list;
  Fill(list, {"a", "b", "c"});
  struct Case {
    std::function<void()> call;
    std::string expected;
  } cases[] = {
      {[&] { list->Strings(3); }, "EStringListError: List index out of bounds (3)"},
      {[&] { list->Objects(-1); }, "EStringListError: List index out of bounds (-1)"},
      {[&] { list->SetStrings(5, "x"); }, "EStringListError: List index out of bounds (5)"},
      {[&] { list->Delete(3); }, "EStringListError: List index out of bounds (3)"},
      {[&] { list->Insert(4, "x"); }, "EStringListError: List index out of bounds (4)"},
      {[&] { list->Exchange(0, 3); }, "EStringListError: List index out of bounds (3)"},
      {[&] { list->Move(0, 3); }, "EStringListError: List index out of bounds (3)"},
      {[&] { list->SetCapacity(2); }, "EStringListError: List capacity out of bounds (2)"},
  };
  for (const Case& tc : cases) EXPECT_EQ(ListErrorText(tc.call), tc.expected);
  list->SetSorted(true);
  for (auto call : std::vector<std::function<void()>>{[&] { list->Insert(0, "x"); }, [&] { list->Exchange(0, 1); },
                                                      [&] { list->SetStrings(0, "x"); }, [&] { list->Move(0, 1); }})
    EXPECT_EQ(ListErrorText(call), "EStringListError: Operation not allowed on sorted list");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
}

TEST(TStringListTest, SortedAddFindsThePlaceAndHandlesDuplicates) {
  struct Case {
    TDuplicates dup;
    std::string added;
    int32_t expectedIndex;
    Lines expected;
  } cases[] = {
      {dupIgnore, "beta", 1, {"alpha", "Beta", "gamma"}},
      {dupAccept, "beta", 1, {"alpha", "beta", "Beta", "gamma"}},  // before the equal one
      {dupAccept, "delta", 2, {"alpha", "Beta", "delta", "gamma"}},
      {dupIgnore, "zeta", 3, {"alpha", "Beta", "gamma", "zeta"}},
      {dupError, "Alpha", -1, {"alpha", "Beta", "gamma"}},
  };
  for (const Case& tc : cases) {
    List list;
    Fill(list, {"gamma", "alpha", "Beta"});
    list->SetSorted(true);
    list->SetDuplicates(tc.dup);
    if (tc.expectedIndex < 0)
      EXPECT_EQ(ListErrorText([&] { list->Add(tc.added); }), "EStringListError: String list does not allow duplicates");
    else
      EXPECT_EQ(list->Add(tc.added), tc.expectedIndex) << tc.added;
    EXPECT_EQ(LinesOf(list), tc.expected) << tc.added;
  }
}

TEST(TStringListTest, FindReportsPresenceAndInsertPosition) {
  List list;
  Fill(list, {"cherry", "apple", "banana", "banana"});
  list->SetDuplicates(dupAccept);
  list->SetSorted(true);
  struct Case {
    std::string s;
    bool found;
    int32_t index;
  } cases[] = {{"apple", true, 0}, {"BANANA", true, 1}, {"blueberry", false, 3}, {"", false, 0}, {"zzz", false, 4}};
  for (const Case& tc : cases) {
    int32_t index = -7;
    EXPECT_EQ(list->Find(tc.s, index), tc.found) << tc.s;
    EXPECT_EQ(index, tc.index) << tc.s;
  }
  EXPECT_EQ(list->IndexOf("Cherry"), 3);
  EXPECT_EQ(list->IndexOf("date"), -1);
}

TEST(TStringListTest, CaseSensitivityIncludingCyrillic) {
  List list;
  Fill(list, {"ПРИВЕТ", "Ёлка", "Straße"});
  EXPECT_EQ(list->IndexOf("привет"), 0);
  EXPECT_EQ(list->IndexOf("ёлка"), 1);
  EXPECT_EQ(list->IndexOf("STRASSE"), -1);
  list->SetCaseSensitive(true);
  EXPECT_EQ(list->IndexOf("привет"), -1);
  EXPECT_EQ(list->IndexOf("ПРИВЕТ"), 0);

  struct Case {
    bool caseSensitive;
    Lines input, sorted;
  } cases[] = {
      {false, {"жук", "ёж", "Еда", "Яма", "абв", "zebra", "Apple"}, {"Apple", "zebra", "абв", "Еда", "ёж", "жук", "Яма"}},
      {true, {"B", "a", "A", "b"}, {"a", "A", "b", "B"}},
      {true, {"Б", "а", "А", "б", "ё", "Ё", "е"}, {"а", "А", "б", "Б", "е", "ё", "Ё"}},
  };
  for (const Case& tc : cases) {
    List sorted;
    sorted->SetCaseSensitive(tc.caseSensitive);
    sorted->SetDuplicates(dupAccept);
    Fill(sorted, tc.input);
    sorted->Sort();
    EXPECT_EQ(LinesOf(sorted), tc.sorted);
  }
}

TEST(TStringListTest, ChangingCaseSensitivityResortsASortedList) {
  List list;
  list->SetDuplicates(dupAccept);
  list->SetSorted(true);
  for (const char* s : {"b", "B", "a", "A"}) list->Add(s);
  EXPECT_EQ(list->Strings(0).size(), 1u);
  EXPECT_EQ(list->CompareStrings(list->Strings(0), "a"), 0);
  list->SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "A", "b", "B"}));
  EXPECT_EQ(list->IndexOf("B"), 3);
}

TEST(TStringListTest, ChangeEventsFireAroundChangesAndOnceForAnUpdate) {
  List list;
  std::vector<std::string> log;
  list->SetOnChanging([&](TObject* sender) {
    EXPECT_EQ(sender, list.p);
    log.push_back("changing:" + std::to_string(list->Count()));
  });
  list->SetOnChange([&](TObject*) { log.push_back("change:" + std::to_string(list->Count())); });
  struct Case {
    std::function<void()> action;
    std::vector<std::string> expected;
  } cases[] = {
      {[&] { list->Add("x"); }, {"changing:0", "change:1"}},
      {[&] { list->SetObjects(0, nullptr); }, {"changing:1", "change:1"}},
      {[&] {
         list->BeginUpdate();
         list->Add("y");
         list->BeginUpdate();
         list->Delete(0);
         list->EndUpdate();
         list->Add("z");
         list->EndUpdate();
       },
       {"changing:1", "change:2"}},
      {[&] {
         list->BeginUpdate();
         list->EndUpdate();
       },
       {"changing:2", "change:2"}},
      {[&] { list->SetText("1\n2\n3"); }, {"changing:2", "change:3"}},
      {[&] { list->SetCommaText("c,b,a"); }, {"changing:3", "change:3"}},
      {[&] { list->Sort(); }, {"changing:3", "change:3"}},
      {[&] { list->Exchange(0, 1); }, {"changing:3", "change:3"}},
      {[&] { list->Move(0, 2); }, {"changing:3", "change:3"}},
      {[&] { list->Clear(); }, {"changing:3", "change:0"}},
      {[&] { list->Clear(); }, {}},
      {[&] { list->Strings(0); }, {}},
  };
  int n = 0;
  for (const Case& tc : cases) {
    log.clear();
    try {
      tc.action();
    } catch (const EStringListError&) {
    }
    EXPECT_EQ(log, tc.expected) << "case " << n;
    ++n;
  }
}

TEST(TStringListTest, CustomSortOrdersByTheCallerAndObjectsFollow) {
  List list;
  int objects[4];
  const char* words[] = {"ccc", "a", "bbbb", "dd"};
  for (int i = 0; i < 4; ++i) list->AddObject(words[i], reinterpret_cast<TObject*>(&objects[i]));
  list->CustomSort([](TStringList* l, int32_t i, int32_t j) {
    return static_cast<int32_t>(l->Strings(i).size()) - static_cast<int32_t>(l->Strings(j).size());
  });
  EXPECT_EQ(LinesOf(list), (Lines{"a", "dd", "ccc", "bbbb"}));
  EXPECT_EQ(list->Objects(0), reinterpret_cast<TObject*>(&objects[1]));
  EXPECT_EQ(list->Objects(3), reinterpret_cast<TObject*>(&objects[2]));
  EXPECT_EQ(list->IndexOfObject(reinterpret_cast<TObject*>(&objects[0])), 2);
  list->SetSorted(true);  // sorts by CompareStrings
  EXPECT_EQ(LinesOf(list), (Lines{"a", "bbbb", "ccc", "dd"}));
  list->CustomSort([](TStringList*, int32_t, int32_t) -> int32_t { return 0; });  // a sorted list stays as it is
  EXPECT_EQ(LinesOf(list), (Lines{"a", "bbbb", "ccc", "dd"}));
}

TEST(TStringListTest, OwnsObjectsFreesOnDeleteClearAndDestructionButNotOnMove) {
  int alive = 0;
  auto* list = New<TStringList>(true);
  for (const char* s : {"a", "b", "c", "d"}) list->AddObject(s, new TCounted(&alive));
  list->Move(0, 3);
  EXPECT_EQ(alive, 4);
  EXPECT_EQ(LinesOf(list), (Lines{"b", "c", "d", "a"}));
  list->Delete(0);
  EXPECT_EQ(alive, 3);
  list->Free();
  EXPECT_EQ(alive, 0);

  TStringList plain;
  TCounted kept(&alive);
  plain.AddObject("k", &kept);
  plain.Clear();
  EXPECT_EQ(alive, 1);
}

TEST(TStringListTest, AddStringsAndAssignCopyObjects) {
  List source, dest;
  int tag;
  source->AddObject("one", reinterpret_cast<TObject*>(&tag));
  source->Add("two");
  dest->Add("old");
  dest->AddStrings(source);
  EXPECT_EQ(LinesOf(dest), (Lines{"old", "one", "two"}));
  EXPECT_EQ(dest->Objects(1), reinterpret_cast<TObject*>(&tag));
  dest->Assign(source);
  EXPECT_EQ(LinesOf(dest), (Lines{"one", "two"}));
  EXPECT_EQ(dest->Objects(0), reinterpret_cast<TObject*>(&tag));
}
