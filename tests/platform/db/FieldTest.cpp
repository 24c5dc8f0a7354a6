// The field family: native buffers, conversions, texts and errors under the Russian default settings.
#include <gtest/gtest.h>

#include <cstring>

#include "ArrayDataSet.h"
#include "rtl/ClassRegistry.h"
#include "rtl/DateTime.h"
#include "rtl/Filer.h"
#include "rtl/FormatSettings.h"
#include "rtl/SysUtils.h"

namespace {

const String NBSP = "\xC2\xA0";

class FieldTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFormatSettings(TFormatSettings::Russian());
    DS = New<TArrayDataSet>(static_cast<TComponent*>(nullptr));
    DS->SetName("T");
    auto* defs = DS->FieldDefs();
    defs->Add("S", ftString, 8);
    defs->Add("I", ftInteger);
    defs->Add("SI", ftSmallint);
    defs->Add("W", ftWord);
    defs->Add("L", ftLargeint);
    defs->Add("F", ftFloat);
    defs->Add("C", ftCurrency);
    defs->Add("B", ftBoolean);
    defs->Add("D", ftDate);
    defs->Add("TM", ftTime);
    defs->Add("DT", ftDateTime);
    defs->Add("BCD", ftBCD, 2);
    defs->Add("G", ftGuid, 38);
    defs->Add("VB", ftVarBytes, 4);
    DS->Open();
    DS->Append();
  }
  void TearDown() override {
    DS->Free();
    SetFormatSettings(TFormatSettings::Russian());
  }
  TField* F(const char* name) { return DS->FieldByName(name); }
  std::vector<uint8_t> Raw(const char* name) {
    TField* f = F(name);
    std::vector<uint8_t> b(f->DataSize());
    EXPECT_TRUE(f->GetData(b.data()));
    return b;
  }
  TArrayDataSet* DS = nullptr;
};

TEST_F(FieldTest, ClassesAndDataSizes) {
  const struct {
    const char* field;
    const char* cls;
    int size;
  } cases[] = {
      {"S", "TStringField", 9},   {"I", "TIntegerField", 4}, {"SI", "TSmallintField", 2},
      {"W", "TWordField", 2},     {"L", "TLargeintField", 8}, {"F", "TFloatField", 8},
      {"C", "TCurrencyField", 8}, {"B", "TBooleanField", 2},  {"D", "TDateField", 4},
      {"TM", "TTimeField", 4},    {"DT", "TDateTimeField", 8}, {"BCD", "TBCDField", static_cast<int>(sizeof(TBcd))},
      {"G", "TGuidField", 39},    {"VB", "TVarBytesField", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(F(c.field)->ClassName(), c.cls);
    EXPECT_EQ(F(c.field)->DataSize(), c.size);
  }
}

TEST_F(FieldTest, NativeBufferFormats) {
  F("S")->SetAsString("abc");
  EXPECT_EQ(Raw("S"), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 0, 0, 0, 0}));
  F("SI")->SetAsInteger(-2);
  EXPECT_EQ(Raw("SI"), (std::vector<uint8_t>{0xFE, 0xFF}));
  F("B")->SetAsBoolean(true);
  EXPECT_EQ(Raw("B"), (std::vector<uint8_t>{0xFF, 0xFF}));
  F("D")->SetAsDateTime(EncodeDate(2001, 1, 1));
  int32_t days;
  std::memcpy(&days, Raw("D").data(), 4);
  EXPECT_EQ(days, 730486);  // days since 0001-01-01, plus one
  F("TM")->SetAsDateTime(EncodeTime(1, 2, 3, 4));
  int32_t ms;
  std::memcpy(&ms, Raw("TM").data(), 4);
  EXPECT_EQ(ms, 3723004);
  F("DT")->SetAsDateTime(EncodeDate(2001, 1, 1) + EncodeTime(0, 0, 1, 0));
  double msecs;
  std::memcpy(&msecs, Raw("DT").data(), 8);
  EXPECT_EQ(msecs, (730486.0 - 0) * 86400000.0 + 1000.0);
  F("BCD")->SetAsCurrency(Currency::FromDouble(12.5));
  TBcd bcd;
  std::memcpy(&bcd, Raw("BCD").data(), sizeof bcd);
  EXPECT_EQ(BcdToStr(bcd), "12,5");
  F("VB")->SetAsString("xy");
  EXPECT_EQ(Raw("VB"), (std::vector<uint8_t>{2, 0, 'x', 'y', 0, 0}));
}

TEST_F(FieldTest, TextsInRussianSettings) {
  auto* f = static_cast<TFloatField*>(F("F"));
  auto* i = static_cast<TIntegerField*>(F("I"));
  const struct {
    std::function<void()> set;
    TField* field;
    String text;
    String display;
  } cases[] = {
      {[&] { F("F")->SetAsFloat(1234.5); }, F("F"), "1234,5", "1234,5"},
      // Without an edit format the edit text follows the display format, as on the platform.
      {[&] { f->SetDisplayFormat("#,##0.00"); }, F("F"), "1" + NBSP + "234,50", ("1" + NBSP + "234,50")},
      {[&] { f->SetEditFormat("0.000"); }, F("F"), "1234,500", ("1" + NBSP + "234,50")},
      {[&] { F("C")->SetAsFloat(1234.5); }, F("C"), "1234,50", ("1" + NBSP + "234,50 р.")},
      {[&] { F("I")->SetAsInteger(1234567); }, F("I"), "1234567", "1234567"},
      {[&] { i->SetDisplayFormat("#,##0"); }, F("I"), "1" + NBSP + "234" + NBSP + "567", ("1" + NBSP + "234" + NBSP + "567")},
      {[&] { F("D")->SetAsDateTime(EncodeDate(2024, 3, 9)); }, F("D"), "09.03.2024", "09.03.2024"},
      {[&] { F("TM")->SetAsDateTime(EncodeTime(7, 5, 3, 0)); }, F("TM"), "7:05:03", "7:05:03"},
      {[&] { F("DT")->SetAsDateTime(EncodeDate(2024, 3, 9) + EncodeTime(17, 0, 0, 0)); }, F("DT"),
       "09.03.2024 17:00:00", "09.03.2024 17:00:00"},
      {[&] { static_cast<TDateTimeField*>(F("DT"))->SetDisplayFormat("dd-mm-yyyy-hh-nn-ss"); }, F("DT"),
       "09.03.2024 17:00:00", "09-03-2024-17-00-00"},
      {[&] { F("B")->SetAsBoolean(false); }, F("B"), "False", "False"},
      {[&] { static_cast<TBooleanField*>(F("B"))->SetDisplayValues("Да;Нет"); }, F("B"), "Нет", "Нет"},
      {[&] { F("BCD")->SetAsFloat(-3.25); }, F("BCD"), "-3,25", "-3,25"},
      {[&] { F("S")->SetAsString("Привет"); }, F("S"), "Прив", "Прив"},  // 8 bytes, never half a letter
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field->FieldName() + " " + c.display);
    c.set();
    EXPECT_EQ(c.field->Text(), c.text);
    EXPECT_EQ(c.field->DisplayText(), c.display);
  }
}

TEST_F(FieldTest, ConversionsBetweenAccessors) {
  F("I")->SetAsString(" 42 ");
  EXPECT_EQ(F("I")->AsFloat(), 42.0);
  EXPECT_EQ(F("I")->AsVariant().VType(), varInteger);
  F("F")->SetAsString("2,5");
  EXPECT_EQ(F("F")->AsInteger(), 2);  // banker's rounding
  EXPECT_EQ(F("F")->AsCurrency(), Currency::FromDouble(2.5));
  F("S")->SetAsInteger(17);
  EXPECT_EQ(F("S")->AsInteger(), 17);
  F("B")->SetAsString("t");
  EXPECT_TRUE(F("B")->AsBoolean());
  F("L")->SetAsVariant(Variant(int64_t{5000000000}));
  EXPECT_EQ(F("L")->AsLargeInt(), 5000000000);
  F("D")->SetAsString("31.12.1999");
  EXPECT_EQ(F("D")->AsDateTime(), EncodeDate(1999, 12, 31));
  F("DT")->SetAsVariant(VarFromDateTime(EncodeDate(2000, 1, 2) + 0.5));
  EXPECT_EQ(F("DT")->AsDateTime(), EncodeDate(2000, 1, 2) + 0.5);
  F("G")->SetAsString("{12345678-1234-1234-1234-123456789ABC}");
  EXPECT_EQ(GUIDToString(static_cast<TGuidField*>(F("G"))->AsGuid()), "{12345678-1234-1234-1234-123456789ABC}");
  F("I")->SetAsVariant(Null());
  EXPECT_TRUE(F("I")->IsNull());
  EXPECT_TRUE(VarIsNull(F("I")->AsVariant()));
  EXPECT_EQ(F("I")->AsInteger(), 0);
  EXPECT_EQ(F("I")->DisplayText(), "");
  F("S")->Clear();
  EXPECT_EQ(F("S")->AsString(), "");
}

TEST_F(FieldTest, ConversionAndRangeErrors) {
  auto message = [](std::function<void()> fn) -> String {
    try {
      fn();
    } catch (Exception& e) {
      return e.Message();
    }
    return "(none)";
  };
  static_cast<TIntegerField*>(F("I"))->SetMinValue(1);
  static_cast<TIntegerField*>(F("I"))->SetMaxValue(10);
  const struct {
    std::function<void()> fn;
    const char* message;
  } cases[] = {
      {[&] { F("I")->SetAsString("12x"); }, "'12x' is not a valid integer value"},
      {[&] { F("I")->SetAsInteger(11); }, "I must be between 1 and 10"},
      {[&] { F("SI")->SetAsInteger(40000); }, "SI must be between -32768 and 32767"},
      {[&] { F("W")->SetAsInteger(-1); }, "W must be between 0 and 65535"},
      {[&] { F("F")->SetAsString("abc"); }, "'abc' is not a valid floating point value for field 'F'"},
      {[&] { F("D")->SetAsString("32.13.2000"); }, "Invalid value for field 'D'"},
      {[&] { F("B")->SetAsString("maybe"); }, "'maybe' is not a valid boolean value for field 'B'"},
      {[&] { F("D")->SetAsBoolean(true); }, "Cannot access field 'D' as type Boolean"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(message(c.fn), c.message);
  }
  EXPECT_THROW(F("I")->SetAsString("12x"), EConvertError);
}

TEST_F(FieldTest, PostedValuesReadBackAfterScrolling) {
  F("S")->SetAsString("first");
  F("DT")->SetAsDateTime(EncodeDate(1970, 1, 1) + EncodeTime(10, 0, 0, 0));
  DS->Post();
  DS->AppendRecord({"second", 2});
  DS->First();
  EXPECT_EQ(F("S")->AsString(), "first");
  EXPECT_EQ(F("DT")->AsString(), "01.01.1970 10:00:00");
  EXPECT_TRUE(F("I")->IsNull());
  DS->Next();
  EXPECT_EQ(F("I")->AsInteger(), 2);
}

TEST(Params, ByNameValuesAndParsing) {
  TParams params;
  String sql = params.ParseSQL("select * from T where A = :A and B = :\"b c\" and C = ':x' -- :y", true);
  EXPECT_EQ(sql, "select * from T where A = ? and B = ? and C = ':x' -- :y");
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params[1]->Name(), "b c");
  params.ParamByName("a")->SetAsInteger(5);
  EXPECT_EQ(params[0]->DataType(), ftInteger);
  EXPECT_TRUE(params[0]->Bound());
  EXPECT_TRUE(params[1]->IsNull());
  params.SetParamValues("A;b c", VarArrayOf({1, "x"}));
  EXPECT_EQ(params.ParamByName("b c")->AsString(), "x");
  EXPECT_EQ(params.FindParam("zz"), nullptr);
  try {
    params.ParamByName("zz");
    FAIL();
  } catch (EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Parameter 'zz' not found");
  }
}

}  // namespace

namespace {

TEST(DBStreaming, PersistentFieldsAndDataSourceReadFromAFormResource) {
  RegisterClass(TArrayDataSet::StaticClass());
  const String text =
      "object Root: TComponent\n"
      "  object Table: TArrayDataSet\n"
      "    Active = True\n"
      "    object TableID: TIntegerField\n"
      "      FieldName = 'ID'\n"
      "      Required = True\n"
      "    end\n"
      "    object TableNAME: TStringField\n"
      "      DisplayLabel = 'Имя'\n"
      "      FieldName = 'NAME'\n"
      "      Size = 30\n"
      "    end\n"
      "  end\n"
      "  object Src: TDataSource\n"
      "    DataSet = Table\n"
      "  end\n"
      "end\n";
  TComponent* root = New<TComponent>(static_cast<TComponent*>(nullptr));
  ReadComponentFromText(text, root);
  auto* table = static_cast<TDataSet*>(root->FindComponent("Table"));
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->Active());
  ASSERT_EQ(table->FieldCount(), 2);
  TField* name = table->FieldByName("NAME");
  EXPECT_EQ(name->Owner(), root);  // persistent fields belong to the form
  EXPECT_EQ(name->Size(), 30);
  EXPECT_EQ(name->DisplayLabel(), "Имя");
  EXPECT_TRUE(table->FieldByName("ID")->Required());
  auto* src = static_cast<TDataSource*>(root->FindComponent("Src"));
  EXPECT_EQ(src->DataSet(), table);
  EXPECT_EQ(src->State(), dsBrowse);
  // A form writes the fields it owns as the dataset's children.
  std::vector<TComponent*> children;
  table->GetChildren([&](TComponent* c) { children.push_back(c); }, root);
  EXPECT_EQ(children, (std::vector<TComponent*>{table->FieldByName("ID"), name}));
  root->Free();
}

}  // namespace
