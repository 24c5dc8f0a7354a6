// TdxMemData through the dataset framework: where posted records land, sorting, locating with and
// without order, indexes, auto-increment, bookmarks, filtering, blobs, the text file and the data stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "MutationLoop.h"
#include "ScratchFolder.h"
#include "memdata/dxmdaset.h"
#include "rtl/Filer.h"
#include "rtl/Streams.h"
#include "rtl/Variants.h"

namespace {

// A form-like owner with a dataset of three persistent fields: name (string 20), num (integer),
// big (largeint).
struct MemDataFixture : ::testing::Test {
  TComponent* owner = nullptr;
  TdxMemData* ds = nullptr;
  TStringField* name = nullptr;
  TIntegerField* num = nullptr;
  TLargeintField* big = nullptr;

  void SetUp() override {
    owner = New<TComponent>(nullptr);
    ds = New<TdxMemData>(owner);
    ds->SetName("mdTest");
    name = AddField<TStringField>("name");
    name->SetSize(20);
    num = AddField<TIntegerField>("num");
    big = AddField<TLargeintField>("big");
  }
  void TearDown() override { owner->Free(); }

  template <class F>
  F* AddField(const String& fieldName) {
    F* f = New<F>(owner);
    f->SetFieldName(fieldName);
    f->SetDataSet(ds);
    return f;
  }

  void AddRow(const char* n, int32_t v = 0) {
    ds->Append();
    if (n) name->SetAsString(n);
    num->SetAsInteger(v);
    ds->Post();
  }
  // The names of all records in order ("-" for null).
  String Names() {
    String out;
    ds->First();
    while (!ds->Eof()) {
      if (!out.empty()) out += ",";
      out += name->IsNull() ? String("-") : name->AsString();
      ds->Next();
    }
    return out;
  }
  String Ids() {
    String out;
    ds->First();
    while (!ds->Eof()) {
      if (!out.empty()) out += ",";
      out += ds->RecIdField()->AsString();
      ds->Next();
    }
    return out;
  }
  // A new empty file in the test's scratch folder.
  String TempFile() {
    const String path = Scratch.File("f" + std::to_string(++FileCount));
    std::ofstream(path).close();
    return path;
  }
  scratch::Folder Scratch{"vorn-memdata"};
  int FileCount = 0;
};

String ReadAll(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

TEST_F(MemDataFixture, RecIdIsAHiddenCalculatedFirstFieldNumberingRecordsInCreationOrder) {
  ASSERT_NE(ds->RecIdField(), nullptr);
  EXPECT_EQ(ds->RecIdField()->FieldName(), "RecId");
  EXPECT_EQ(ds->RecIdField()->FieldKind(), fkCalculated);
  EXPECT_FALSE(ds->RecIdField()->Visible());
  EXPECT_EQ(ds->Fields()->Fields(0), ds->RecIdField());
  ds->Open();
  AddRow("a");
  AddRow("b");
  AddRow("c");
  EXPECT_EQ(Ids(), "1,2,3");
}

TEST_F(MemDataFixture, PostedInsertLandsAtTheCurrentRecordAndAppendRecordAtTheEnd) {
  ds->Open();
  AddRow("a");
  AddRow("b");
  AddRow("c");
  ds->First();
  ds->Next();  // on "b"
  ds->Insert();
  name->SetAsString("x");
  ds->Post();
  EXPECT_EQ(name->AsString(), "x");
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_EQ(Names(), "a,x,b,c");
  ds->First();
  ds->InsertRecord({Variant(), Variant("y"), Variant(1)});
  EXPECT_EQ(Names(), "a,x,b,c,y");
}

TEST_F(MemDataFixture, SortingKeepsCreationOrderForTiesAndNullsFirstInBothDirections) {
  ds->Open();
  for (const char* n : std::initializer_list<const char*>{"b", nullptr, "a", "b", nullptr, "a"}) AddRow(n);
  ds->SetSortedField("name");
  EXPECT_EQ(Ids(), "2,5,3,6,1,4");
  ds->SetSortOptions(TdxSortOptions{soDesc});
  EXPECT_EQ(Ids(), "2,5,1,4,3,6");
  // A posted record goes to its sorted place.
  AddRow("c");
  EXPECT_EQ(Names(), "-,-,c,b,b,a,a");
  ds->First();
  ds->Edit();
  name->SetAsString("0");
  ds->Post();
  EXPECT_EQ(Names(), "-,c,b,b,a,a,0");
}

TEST_F(MemDataFixture, SortedFieldThatIsNoFieldKeepsInsertionOrder) {
  ds->SetSortedField("nosuch");
  ds->Open();
  for (const char* n : {"c", "a", "b"}) AddRow(n);
  EXPECT_EQ(ds->SortedFieldObj(), nullptr);
  EXPECT_EQ(Names(), "c,a,b");
  ds->First();
  ds->Edit();
  name->SetAsString("z");
  ds->Post();
  EXPECT_EQ(Names(), "z,a,b");
  EXPECT_TRUE(ds->Locate("name", "b", {}));
  EXPECT_EQ(ds->RecNo(), 3);
}

TEST_F(MemDataFixture, LargeintSortsValuesAbove32Bits) {
  ds->Open();
  for (int64_t v : {(int64_t{1} << 33) + 1, int64_t{5}, int64_t{1} << 32, -(int64_t{1} << 35)}) {
    ds->Append();
    big->SetAsLargeInt(v);
    ds->Post();
  }
  ds->SetSortedField("big");
  EXPECT_EQ(Ids(), "4,2,3,1");
}

TEST_F(MemDataFixture, AutoIncrementKeepsAGreaterValueAndContinuesAfterIt) {
  auto* auto_ = AddField<TAutoIncField>("id");
  ds->Open();
  for (int i = 0; i < 3; ++i) AddRow("r");
  ds->Append();
  auto_->SetAsInteger(10);
  ds->Post();
  EXPECT_EQ(auto_->AsInteger(), 10);
  AddRow("n");
  EXPECT_EQ(auto_->AsInteger(), 11);
  ds->Append();
  auto_->SetAsInteger(2);  // not above the highest: replaced
  ds->Post();
  EXPECT_EQ(auto_->AsInteger(), 12);
}

TEST_F(MemDataFixture, BookmarkTakenBeforeAnInsertStillFindsItsRecord) {
  ds->Open();
  AddRow("a");
  AddRow("b");
  ds->First();
  ds->Next();
  TBookmark bm = ds->GetBookmark();
  ds->First();
  ds->Insert();
  name->SetAsString("new");
  ds->Post();
  ASSERT_TRUE(ds->BookmarkValid(bm));
  ds->GotoBookmark(bm);
  EXPECT_EQ(name->AsString(), "b");
  ds->Delete();
  EXPECT_FALSE(ds->BookmarkValid(bm));
}

// Every locate case runs on an unordered dataset, a sorted one and one with an index, which must agree.
TEST_F(MemDataFixture, LocateWithOptionsAgreesAcrossScanSortAndIndex) {
  struct Case {
    const char* fields;
    Variant key;
    TLocateOptions options;
    int32_t recNoUnsorted;  // 0: not found
  };
  const Case cases[] = {
      {"name", Variant("Борис"), {}, 2},
      {"name", Variant("борис"), {}, 0},
      {"name", Variant("борис"), {loCaseInsensitive}, 2},
      {"name", Variant("Бор"), {}, 0},
      {"name", Variant("Бор"), {loPartialKey}, 2},
      {"name", Variant("бо"), {loPartialKey, loCaseInsensitive}, 2},
      {"name", Null(), {}, 5},
      {"name;num", VarArrayOf({Variant("anna"), Variant(3)}), {}, 4},
      {"name;num", VarArrayOf({Variant("anna"), Variant(9)}), {}, 0},
      {"name;num", Variant("anna"), {}, 0},
  };
  auto run = [&](const char* mode) {
    ds->Open();
    AddRow("Вера", 1);
    AddRow("Борис", 2);
    AddRow("anna", 1);
    AddRow("anna", 3);
    AddRow(nullptr, 5);
    for (const Case& c : cases) {
      const bool found = ds->Locate(c.fields, c.key, c.options);
      EXPECT_EQ(found, c.recNoUnsorted != 0) << mode << " " << c.fields << " " << VarToStr(c.key);
      if (found && c.recNoUnsorted) {
        EXPECT_EQ(ds->RecIdField()->AsInteger(), c.recNoUnsorted) << mode << " " << VarToStr(c.key);
      }
    }
    ds->Close();
  };
  run("scan");
  ds->SetSortedField("name");
  run("sorted");
  ds->SetSortOptions(TdxSortOptions{soCaseInsensitive});
  run("sorted, case-insensitive");
  ds->SetSortedField("");
  TdxMemIndex* idx = ds->Indexes()->Add();
  idx->SetFieldName("name");
  run("index");
  idx->SetSortOptions(TdxSortOptions{soCaseInsensitive, soDesc});
  run("index, case-insensitive, descending");
}

TEST_F(MemDataFixture, LocateOfAnUnknownFieldRaises) {
  ds->Open();
  AddRow("a");
  try {
    ds->Locate("nosuch", "a", {});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'nosuch' not found");
  }
}

TEST_F(MemDataFixture, IndexFollowsInsertsEditsAndDeletes) {
  TdxMemIndex* idx = ds->Indexes()->Add();
  idx->SetFieldName("num");
  ds->Open();
  for (int i = 0; i < 50; ++i) AddRow("r", (i * 37) % 50);
  EXPECT_TRUE(ds->Locate("num", 13, {}));
  EXPECT_FALSE(idx->IsDirty());
  EXPECT_EQ(num->AsInteger(), 13);
  ds->Edit();
  num->SetAsInteger(1000);
  ds->Post();
  EXPECT_TRUE(idx->IsDirty());
  EXPECT_TRUE(ds->Locate("num", 1000, {}));
  EXPECT_FALSE(ds->Locate("num", 13, {}));
  ds->Delete();
  EXPECT_FALSE(idx->IsDirty());
  EXPECT_FALSE(ds->Locate("num", 1000, {}));
  EXPECT_TRUE(ds->Locate("num", 49, {}));
  EXPECT_EQ(num->AsInteger(), 49);
  const Variant found = ds->Lookup("num", 49, "name;num");
  ASSERT_TRUE(VarIsArray(found));
  EXPECT_EQ(VarToStr(found[0]), "r");
  EXPECT_EQ(found[1].AsInteger(), 49);
  EXPECT_TRUE(VarIsNull(ds->Lookup("num", 1000, "name")));
}

TEST_F(MemDataFixture, FilterKeepsAcceptedRecordsAndDropsARejectedPost) {
  ds->Open();
  for (int i = 1; i <= 6; ++i) AddRow("r", i);
  ds->SetOnFilterRecord([this](TDataSet*, bool& accept) { accept = num->AsInteger() % 2 == 0; });
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Last();
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_EQ(num->AsInteger(), 6);
  AddRow("odd", 7);
  EXPECT_EQ(ds->RecordCount(), 3);
  AddRow("even", 8);
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->SetFiltered(false);
  EXPECT_EQ(ds->RecordCount(), 8);
}

TEST_F(MemDataFixture, BlobValuesThroughStreams) {
  auto* memo = AddField<TMemoField>("memo");
  ds->Open();
  ds->Append();
  memo->SetAsString("Текст заметки");
  ds->Post();
  EXPECT_EQ(memo->AsString(), "Текст заметки");
  TStream* s = ds->CreateBlobStream(memo, bmRead);
  String read(5, '\0');
  EXPECT_EQ(s->Read(read.data(), 5), 5);
  s->Free();
  EXPECT_EQ(read, String("Текст заметки").substr(0, 5));
  EXPECT_THROW(ds->CreateBlobStream(memo, bmWrite)->Free(), EDatabaseError);
  ds->Edit();
  memo->Clear();
  ds->Post();
  EXPECT_TRUE(memo->IsNull());
}

TEST_F(MemDataFixture, TextFileRoundTripKeepsCyrillicTabsAndLineBreaks) {
  ds->Open();
  AddRow("Привет\tмир", 1);
  AddRow("две\r\nстроки", 2);
  AddRow("Ёлка", 3);
  AddRow(nullptr, 4);
  const String path = TempFile();
  ds->WriteTextFile(path);
  ds->Close();
  ds->Open();
  ds->ReadTextFile(path);
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_EQ(Names(), "Привет\tмир,две\r\nстроки,Ёлка,-");
  EXPECT_EQ(Ids(), "1,2,3,4");
}

TEST_F(MemDataFixture, TextFileWithoutSpecialCharactersKeepsThePlainLayout) {
  ds->Open();
  AddRow("Иван", 7);
  AddRow(nullptr, 8);
  const String path = TempFile();
  ds->WriteTextFile(path);
  EXPECT_EQ(ReadAll(path), "name\tnum\tbig\r\nИван\t7\t\r\n\t8\t\r\n");
}

TEST_F(MemDataFixture, TextFileErrorLeavesTheDatasetUsable) {
  const String path = TempFile();
  {
    std::ofstream out(path, std::ios::binary);
    out << "name\tnum\r\nok\t1\r\nbad\tnot a number\r\n";
  }
  ds->Open();
  EXPECT_THROW(ds->ReadTextFile(path), Exception);
  EXPECT_FALSE(ds->IsLoading());
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 1);
}

namespace {

void PutStr(TStream* s, const String& v) {
  int32_t n = static_cast<int32_t>(v.size());
  s->WriteBuffer(&n, 4);
  s->WriteBuffer(v.data(), n);
}

void PutColumn(TStream* s, int32_t size, int16_t code, const String& name) {
  int16_t n = static_cast<int16_t>(name.size());
  s->WriteBuffer(&size, 4);
  s->WriteBuffer(&code, 2);
  s->WriteBuffer(&n, 2);
  s->WriteBuffer(name.data(), n);
}

// A versioned stream of three rows: NAME (string), NUM (integer), EXTRA (a column no field has).
TMemoryStream* MakeStream() {
  auto* s = New<TMemoryStream>();
  s->WriteBuffer("Ver", 3);
  double version = 1;
  s->WriteBuffer(&version, 8);
  int32_t count = 3;
  s->WriteBuffer(&count, 4);
  PutColumn(s, 20, 1, "NAME");
  PutColumn(s, 4, 3, "NUM");
  PutColumn(s, 0, 20, "EXTRA");
  const char* names[] = {"Москва", "", "Київ"};
  for (int i = 0; i < 3; ++i) {
    PutStr(s, names[i]);
    uint8_t flag = i == 1 ? 0 : 1;
    int32_t v = 10 * (i + 1);
    s->WriteBuffer(&flag, 1);
    s->WriteBuffer(&v, 4);
    int32_t wlen = 1;
    s->WriteBuffer(&wlen, 4);
    s->WriteBuffer(&flag, 1);
    char16_t ch = u'Ж';
    s->WriteBuffer(&ch, 2);
  }
  return s;
}

}  // namespace

TEST_F(MemDataFixture, DataStreamLoadsRowsNumbersThemAndSorts) {
  TMemoryStream* s = MakeStream();
  ds->SetSortedField("num");
  ds->SetSortOptions(TdxSortOptions{soDesc});
  ds->Open();
  AddRow("gone");
  s->SetPosition(0);
  ds->ReadDataStream(s);
  s->Free();
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Names(), "-,Київ,Москва");  // the null NUM first, then descending
  EXPECT_EQ(Ids(), "2,3,1");
  ds->Last();
  EXPECT_EQ(num->AsInteger(), 10);
  EXPECT_EQ(ds->RecNo(), 3);
}

TEST_F(MemDataFixture, PersistedDataShowsAfterEveryOpening) {
  TMemoryStream* s = MakeStream();
  ds->Persistent()->SaveData(s);
  s->Free();
  EXPECT_EQ(ds->Persistent()->Option(), poActive);
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Close();
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Close();
  ds->Persistent()->SetOption(poNone);
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 0);
}

TEST_F(MemDataFixture, UnsupportedFieldTypeRefusesToOpen) {
  auto* f = AddField<TBytesField>("raw");
  f->SetSize(4);
  try {
    ds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Unsupported field type: raw");
  }
}

namespace {

// A root that streams the components it owns, as a form or data module does.
class TTestModule : public TComponent {
  RTL_CLASS(TTestModule, TComponent)
public:
  using TComponent::TComponent;
  void GetChildren(TGetChildProc proc, TComponent* /*root*/) override {
    for (int32_t i = 0; i < ComponentCount(); ++i)
      if (!Components(i)->HasParent()) proc(Components(i));
  }
};

}  // namespace

TEST_F(MemDataFixture, FormResourceKeepsThePersistedDataAndTheSettings) {
  auto* module = New<TTestModule>(nullptr);
  auto* md = New<TdxMemData>(module);
  md->SetName("mdFiles");
  auto* f = New<TStringField>(module);
  f->SetName("mdFilesNAME");
  f->SetFieldName("NAME");
  f->SetSize(20);
  f->SetDataSet(md);
  md->SetSortedField("NAME");
  md->Indexes()->Add()->SetFieldName("num");  // no such field yet: stays unresolved
  md->Indexes()->Add()->SetFieldName("NAME");
  TMemoryStream* s = MakeStream();
  md->Persistent()->SaveData(s);
  s->Free();
  const String text = ComponentToText(module);
  module->Free();
  EXPECT_NE(text.find("Persistent.Data = {"), String::npos) << text;
  EXPECT_EQ(text.find("RecId"), String::npos) << text;

  auto* copy = New<TTestModule>(nullptr);
  ReadComponentFromText(text, copy);
  auto* loaded = dynamic_cast<TdxMemData*>(copy->FindComponent("mdFiles"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->SortedField(), "NAME");
  EXPECT_EQ(loaded->RecIdField()->Name(), "mdFilesRecId");
  ASSERT_EQ(loaded->Indexes()->Count(), 2);
  EXPECT_EQ(loaded->Indexes()->Items(0)->Field(), nullptr);
  EXPECT_EQ(loaded->Indexes()->Items(1)->Field(), loaded->FieldByName("NAME"));
  loaded->Open();
  EXPECT_EQ(loaded->RecordCount(), 3);
  loaded->First();
  EXPECT_EQ(loaded->FieldByName("NAME")->AsString(), "");  // the null name sorts first
  loaded->Last();
  EXPECT_EQ(loaded->FieldByName("NAME")->AsString(), "Москва");
  copy->Free();
}

TEST_F(MemDataFixture, LoadingFromAFileFiresNoDatasetEvents) {
  int posts = 0;
  ds->AfterPost = [&](TDataSet*) { ++posts; };
  ds->Open();
  AddRow("a", 1);
  EXPECT_EQ(posts, 1);
  const String path = TempFile();
  ds->WriteTextFile(path);
  ds->ReadTextFile(path);
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(ds->RecordCount(), 1);
}

TEST_F(MemDataFixture, RefreshStoresCalculatedAndLookupValuesAgain) {
  auto* twice = AddField<TIntegerField>("twice");
  twice->SetFieldKind(fkCalculated);
  int factor = 2;
  ds->OnCalcFields = [&](TDataSet*) {
    if (!num->IsNull()) twice->SetAsInteger(num->AsInteger() * factor);
  };
  // A lookup into a second in-memory dataset.
  auto* names = New<TdxMemData>(owner);
  auto* key = New<TIntegerField>(owner);
  key->SetFieldName("k");
  key->SetDataSet(names);
  auto* label = New<TStringField>(owner);
  label->SetFieldName("label");
  label->SetDataSet(names);
  names->Open();
  names->AppendRecord({Variant(), Variant(1), Variant("один")});
  names->AppendRecord({Variant(), Variant(2), Variant("два")});
  auto* look = AddField<TStringField>("look");
  look->SetFieldKind(fkLookup);
  look->SetKeyFields("num");
  look->SetLookupDataSet(names);
  look->SetLookupKeyFields("k");
  look->SetLookupResultField("label");

  ds->Open();
  AddRow("a", 1);
  AddRow("b", 2);
  EXPECT_EQ(ds->Lookup("name", "b", "twice").AsInteger(), 4);
  EXPECT_EQ(VarToStr(ds->Lookup("name", "b", "look")), "два");
  factor = 10;
  ds->Edit();  // a pending edit is posted first
  ds->Refresh();
  EXPECT_EQ(ds->Lookup("name", "b", "twice").AsInteger(), 20);
  EXPECT_EQ(ds->Lookup("name", "a", "twice").AsInteger(), 10);
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(MemDataFixture, WideStringsSortLocateAndSurviveEdits) {
  auto* wide = AddField<TWideStringField>("wide");
  wide->SetSize(30);
  ds->Open();
  for (const char16_t* w : {u"щука", u"Арбуз", u"ёж", u"банан"}) {
    ds->Append();
    wide->SetAsWideString(w);
    ds->Post();
  }
  ds->SetSortOptions(TdxSortOptions{soCaseInsensitive});
  ds->SetSortedField("wide");
  ds->First();
  EXPECT_EQ(wide->AsString(), "Арбуз");
  ds->Last();
  EXPECT_EQ(wide->AsWideString(), u"щука");
  ASSERT_TRUE(ds->Locate("wide", Variant(WideString(u"БАН")), {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(wide->AsString(), "банан");
  ds->Edit();
  wide->SetAsWideString(u"яблоко");
  ds->Post();
  EXPECT_EQ(ds->RecNo(), 4);
  ds->Edit();
  wide->Clear();
  ds->Post();
  EXPECT_TRUE(wide->IsNull());
  EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(MemDataFixture, RecNoCountsInTheFilteredSortedView) {
  ds->Open();
  for (int i = 1; i <= 9; ++i) AddRow(i % 2 ? "odd" : "even", 10 - i);
  ds->SetSortedField("num");
  ds->SetOnFilterRecord([this](TDataSet*, bool& accept) { accept = name->AsString() == "odd"; });
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 5);
  ds->SetRecNo(3);
  EXPECT_EQ(num->AsInteger(), 5);
  ds->SetRecNo(99);  // out of range: nothing happens
  EXPECT_EQ(num->AsInteger(), 5);
  EXPECT_TRUE(ds->Locate("num", 9, {}));
  EXPECT_EQ(ds->RecNo(), 5);
  EXPECT_FALSE(ds->Locate("num", 8, {}));  // filtered out
  EXPECT_EQ(ds->FindRecordNumber("num", 3, {}), 2);
}

TEST_F(MemDataFixture, ReadOnlyRefusesEditsButNotLoads) {
  ds->Open();
  AddRow("a", 1);
  const String path = TempFile();
  ds->WriteTextFile(path);
  ds->SetReadOnly(true);
  EXPECT_THROW(ds->Append(), EDatabaseError);
  ds->ReadTextFile(path);
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(name->AsString(), "a");
}

TEST_F(MemDataFixture, OldValueIsTheStoredRecordWhileEditing) {
  ds->Open();
  AddRow("a", 1);
  AddRow("b", 2);
  AddRow("c", 3);
  ds->First();
  ds->Next();
  ds->Edit();
  name->SetAsString("changed");
  EXPECT_EQ(VarToStr(name->OldValue()), "b");
  EXPECT_EQ(name->AsString(), "changed");
  ds->Cancel();
  EXPECT_EQ(name->AsString(), "b");
  int32_t gone = 12345;
  TBookmark bm(reinterpret_cast<uint8_t*>(&gone), reinterpret_cast<uint8_t*>(&gone) + 4);
  try {
    ds->GotoBookmark(bm);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Bookmark not found");
  }
}

// The program fills its file list this way: controls disabled, one insert after another, no scrolling.
TEST_F(MemDataFixture, SuccessiveInsertsEachLandBeforeTheLastPosted) {
  ds->SetSortedField("nosuch");
  ds->Open();
  ds->DisableControls();
  for (const char* n : {"a.gdb", "b.gdb", "c.gdb"}) {
    ds->Insert();
    name->SetAsString(n);
    ds->Post();
  }
  ds->EnableControls();
  EXPECT_EQ(Names(), "c.gdb,b.gdb,a.gdb");
  EXPECT_EQ(Ids(), "3,2,1");
}

namespace {
// A module with the dataset mdList (one field, NUM) whose persisted data loads when the form has
// loaded; the dataset is open and still empty.
TTestModule* ModuleWithDataToLoad() {
  auto* module = New<TTestModule>(nullptr);
  auto* md = New<TdxMemData>(module);
  md->SetName("mdList");
  auto* f = New<TIntegerField>(module);
  f->SetName("mdListNUM");
  f->SetFieldName("NUM");
  f->SetDataSet(md);
  md->Persistent()->SetOption(poLoad);
  TMemoryStream* s = MakeStream();
  md->Persistent()->SaveData(s);
  s->Free();
  md->Open();
  return module;
}
}  // namespace

TEST_F(MemDataFixture, PersistedDataWithLoadOptionFillsOnlyWhenTheFormLoads) {
  TTestModule* module = ModuleWithDataToLoad();
  EXPECT_EQ(dynamic_cast<TdxMemData*>(module->FindComponent("mdList"))->RecordCount(), 0);
  const String text = ComponentToText(module);
  module->Free();

  auto* copy = New<TTestModule>(nullptr);
  ReadComponentFromText(text, copy);
  auto* loaded = dynamic_cast<TdxMemData*>(copy->FindComponent("mdList"));
  ASSERT_NE(loaded, nullptr);
  ASSERT_TRUE(loaded->Active());
  EXPECT_EQ(loaded->RecordCount(), 3);
  loaded->Close();
  loaded->Open();
  EXPECT_EQ(loaded->RecordCount(), 0);
  copy->Free();
}

TEST(MemDataStreaming, ALoneDatasetReadsBackFromTextAndBinaryForms) {
  auto* md = New<TdxMemData>(nullptr);
  md->SetName("md");
  auto* f = New<TStringField>(md);
  f->SetName("mdNAME");
  f->SetFieldName("NAME");
  f->SetSize(20);
  f->SetDataSet(md);
  TMemoryStream* s = MakeStream();
  md->Persistent()->SaveData(s);
  s->Free();
  const String text = ComponentToText(md);
  const String binary = ComponentToBinary(md);
  md->Free();
  // The hidden RecId field is made by the constructor, so it is not written.
  EXPECT_EQ(text.find("RecId"), String::npos) << text;
  EXPECT_NE(text.find("object mdNAME: TStringField"), String::npos) << text;

  for (const String* form : {&text, &binary}) {
    auto* copy = dynamic_cast<TdxMemData*>(ReadComponentFromText(*form, nullptr));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->RecIdField()->Name(), "mdRecId");
    ASSERT_EQ(copy->FieldCount(), 2);
    EXPECT_EQ(copy->Fields()->Fields(0), copy->RecIdField());
    copy->Open();
    EXPECT_EQ(copy->RecordCount(), 3);
    copy->Last();
    EXPECT_EQ(copy->FieldByName("NAME")->AsString(), "Київ");
    EXPECT_EQ(copy->RecIdField()->AsInteger(), 3);
    copy->Close();
    // Written again it gives the same form, and reads back into an existing dataset as well.
    EXPECT_EQ(ComponentToText(copy), text);
    auto* into = New<TdxMemData>(nullptr);
    ReadComponentFromText(text, into);
    EXPECT_EQ(into->Name(), "md");
    EXPECT_EQ(into->FieldCount(), 2);
    into->Free();
    copy->Free();
  }
}

TEST_F(MemDataFixture, MutatedDataStreamsLoadOrFailCleanly) {
  TMemoryStream* s = MakeStream();
  const String valid(static_cast<const char*>(s->Memory()), static_cast<size_t>(s->Size()));
  s->Free();
  ds->Open();
  mutation::Limits limits;
  limits.Inputs = 2000;
  mutation::RunStream(valid, [&](TStream* in) { ds->ReadDataStream(in); }, limits);
  // Whatever the damage, the dataset stays usable.
  AddRow("after");
  EXPECT_EQ(ds->RecordCount() > 0, true);
}

TEST(MemDataStreaming, MutatedFormsWithPersistedDataLoadOrFailCleanly) {
  TTestModule* module = ModuleWithDataToLoad();
  const String binary = ComponentToBinary(module);
  module->Free();
  mutation::Limits limits;
  limits.Inputs = 2000;
  mutation::RunStream(binary, [](TStream* in) {
    auto* copy = New<TTestModule>(nullptr);
    try {
      ReadComponentFromStream(in, copy);
    } catch (...) {
      copy->Free();
      throw;
    }
    copy->Free();
  }, limits);
}
