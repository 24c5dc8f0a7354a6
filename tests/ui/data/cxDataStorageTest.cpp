#include <gtest/gtest.h>

#include "MutationLoop.h"
#include "rtl/SysUtils.h"
#include "ui/base/cxVariants.h"
#include "ui/data/cxDataStorage.h"

namespace {

struct StorageFixture : ::testing::Test {
  TcxDataStorage* Storage = New<TcxDataStorage>();
  ~StorageFixture() override { Storage->Free(); }
};

}  // namespace

TEST(TcxValueTypeClassList, RegistersTheFourteenTypesFoundByCaptionAndClassName) {
  TcxValueTypeClassList* list = cxValueTypeClassList();
  const char* captions[] = {"String", "WideString", "Smallint", "Integer", "Word",         "Boolean", "Float",
                            "Currency", "DateTime", "LargeInt", "FMTBcd",  "SQLTimeStamp", "Variant", "Object"};
  ASSERT_EQ(list->Count(), 14);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(list->Items(i)->Caption(), captions[i]);
    EXPECT_EQ(list->FindByClassName(list->Items(i)->ClassName()), list->Items(i));
  }
  EXPECT_EQ(list->FindByCaption("String"), TcxStringValueType::StaticClass());
  EXPECT_EQ(list->FindByCaption("string"), nullptr);
  EXPECT_EQ(TcxValueType::StaticClass()->Caption(), "");
  EXPECT_TRUE(TcxObjectValueType::StaticClass()->InheritsFrom(TcxIntegerValueType::StaticClass()));
}

TEST(TcxValueType, CoerceVariantCastsOrRefuses) {
  Variant v = String("12");
  EXPECT_TRUE(TcxIntegerValueType::StaticClass()->CoerceVariant(v));
  EXPECT_EQ(v.VType(), varInteger);
  Variant bad = String("abc");
  EXPECT_FALSE(TcxIntegerValueType::StaticClass()->CoerceVariant(bad));
  Variant null = Null();
  EXPECT_TRUE(TcxIntegerValueType::StaticClass()->CoerceVariant(null));
}

TEST_F(StorageFixture, RecordWithoutBufferReadsNullAndSortsFirst) {
  TcxValueDef* def = Storage->MainDefs()->Add(TcxStringValueType::StaticClass(), true, true, nullptr);
  Storage->ResizeTo(2);
  Storage->PutRecordValue(1, def, String("a"));
  EXPECT_TRUE(VarIsNull(Storage->RecordValue(0, def)));
  EXPECT_EQ(Storage->RecordText(0, def), "");
  EXPECT_EQ(Storage->CompareRecords(0, 1, def), -1);
  EXPECT_EQ(Storage->CompareRecords(1, 0, def), 1);
  EXPECT_EQ(Storage->BufferOf(0), nullptr);
  EXPECT_EQ(Storage->IdOfRecord(0), 0);
  EXPECT_NE(Storage->BufferOf(0), nullptr);
}

TEST_F(StorageFixture, NullReleasesTheStringHolder) {
  TcxValueDef* def = Storage->MainDefs()->Add(TcxStringValueType::StaticClass(), true, false, nullptr);
  Storage->AddRecord();
  Storage->PutRecordValue(0, def, String("Привет"));
  EXPECT_NE(TcxStringValueType::HolderOf(def->DataOf(Storage->BufferOf(0))), nullptr);
  Storage->PutRecordValue(0, def, Null());
  EXPECT_EQ(TcxStringValueType::HolderOf(def->DataOf(Storage->BufferOf(0))), nullptr);
  EXPECT_TRUE(VarIsNull(Storage->RecordValue(0, def)));
  Storage->PutRecordValue(0, def, String("снова"));
  EXPECT_EQ(VarToStr(Storage->RecordValue(0, def)), "снова");
}

TEST_F(StorageFixture, RecordIdsCountUpResetWhenEmptyAndFollowLoadedIds) {
  Storage->MainDefs()->Add(TcxIntegerValueType::StaticClass(), true, false, nullptr);
  Storage->SetRecordIdsOn(true);
  Storage->ResizeTo(3);
  EXPECT_EQ(Storage->IdOfRecord(0), 1);
  EXPECT_EQ(Storage->IdOfRecord(2), 3);
  Storage->ResizeTo(0);
  Storage->AddRecord();
  EXPECT_EQ(Storage->IdOfRecord(0), 1);
  TMemoryStream s;
  StreamWriteBoolean(&s, false);
  StreamWriteInt32(&s, 10);
  StreamWriteBoolean(&s, true);
  s.SetPosition(0);
  Storage->LoadRecord(0, &s);
  EXPECT_EQ(Storage->IdOfRecord(0), 10);
  EXPECT_EQ(Storage->NextRecordId(), 11);
}

TEST_F(StorageFixture, AddingADefWidensRecordsAndDetachingTheOnlyOneDropsBuffers) {
  TcxValueDef* a = Storage->MainDefs()->Add(TcxIntegerValueType::StaticClass(), true, false, nullptr);
  Storage->ResizeTo(2);
  Storage->PutRecordValue(0, a, 7);
  Storage->PutRecordValue(1, a, 8);
  TcxValueDef* b = Storage->MainDefs()->Add(TcxStringValueType::StaticClass(), true, true, nullptr);
  EXPECT_EQ(Storage->RecordValue(0, a).AsInteger(), 7);
  EXPECT_TRUE(VarIsNull(Storage->RecordValue(0, b)));
  Storage->PutRecordValue(1, b, String("x"));
  Storage->PutRecordText(1, b, "икс");
  EXPECT_EQ(Storage->RecordText(1, b), "икс");
  a->Free();
  EXPECT_EQ(VarToStr(Storage->RecordValue(1, b)), "x");
  b->Free();
  EXPECT_EQ(Storage->BufferOf(0), nullptr);
  EXPECT_EQ(Storage->BufferOf(1), nullptr);
}

TEST_F(StorageFixture, FreedInternalSlotIsReusedAndMirrorsMainDefs) {
  TcxValueDef* def = Storage->MainDefs()->Add(TcxFloatValueType::StaticClass(), true, false, nullptr);
  const int32_t a = Storage->NewInternalRecord();
  const int32_t b = Storage->NewInternalRecord();
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, -2);
  Storage->PutRecordValue(a, def, 1.5);
  EXPECT_DOUBLE_EQ(Storage->RecordValue(a, def).AsDouble(), 1.5);
  Storage->FreeInternalRecord(a);
  EXPECT_EQ(Storage->NewInternalRecord(), -1);
  EXPECT_TRUE(VarIsNull(Storage->RecordValue(-1, def)));
}

TEST_F(StorageFixture, ComparisonOrdersNullsFirstAndIntegersBySign) {
  TcxValueDef* def = Storage->MainDefs()->Add(TcxIntegerValueType::StaticClass(), true, false, nullptr);
  Storage->ResizeTo(3);
  Storage->PutRecordValue(0, def, INT32_MIN);
  Storage->PutRecordValue(1, def, INT32_MAX);
  Storage->PutRecordValue(2, def, Null());
  EXPECT_LT(Storage->CompareRecords(0, 1, def), 0);
  EXPECT_LT(Storage->CompareRecords(2, 0, def), 0);
  EXPECT_EQ(Storage->CompareRecords(2, 2, def), 0);
}

// The object type keeps a full pointer: nothing is cut off on this platform, and the storage frees it.
TEST_F(StorageFixture, ObjectValueKeepsTheWholePointerAndOwnsTheObject) {
  TcxValueDef* def = Storage->MainDefs()->Add(TcxObjectValueType::StaticClass(), true, false, nullptr);
  EXPECT_EQ(def->ValueSize(), static_cast<int32_t>(sizeof(void*)));
  Storage->AddRecord();
  TObject* obj = New<TcxLookupList>();
  Storage->PutRecordValue(0, def, static_cast<int64_t>(reinterpret_cast<intptr_t>(obj)));
  const Variant v = Storage->RecordValue(0, def);
  EXPECT_EQ(reinterpret_cast<TObject*>(static_cast<intptr_t>(v.AsInt64())), obj);
  Storage->RemoveRecord(0);  // frees the object (the sanitizer build would report a leak otherwise)
}

TEST(TcxValueTypes, RecordEncodingRoundTripsEveryStreamedType) {
  FreeingPtr<TcxDataStorage> storage(New<TcxDataStorage>());
  struct Case {
    TcxValueTypeClass Type;
    Variant Value;
  };
  const Case cases[] = {
      {TcxStringValueType::StaticClass(), String("Ёжик in Nebel")},
      {TcxWideStringValueType::StaticClass(), WideString(u"Широкий")},
      {TcxSmallintValueType::StaticClass(), int16_t(-1234)},
      {TcxIntegerValueType::StaticClass(), int32_t(-7)},
      {TcxWordValueType::StaticClass(), uint16_t(65000)},
      {TcxBooleanValueType::StaticClass(), true},
      {TcxFloatValueType::StaticClass(), 3.25},
      {TcxCurrencyValueType::StaticClass(), Variant(Currency::FromDouble(12.3456))},
      {TcxDateTimeValueType::StaticClass(), VarFromDateTime(45000.5)},
      {TcxLargeIntValueType::StaticClass(), int64_t(-9000000000LL)},
      {TcxVariantValueType::StaticClass(), String("var")},
  };
  std::vector<TcxValueDef*> defs;
  for (const Case& c : cases) defs.push_back(storage->MainDefs()->Add(c.Type, true, false, nullptr));
  storage->ResizeTo(2);
  for (size_t i = 0; i < defs.size(); ++i) storage->PutRecordValue(0, defs[i], cases[i].Value);
  TMemoryStream s;
  storage->SaveRecord(0, &s);
  storage->SaveRecord(1, &s);
  s.SetPosition(0);
  storage->LoadRecord(1, &s);
  for (size_t i = 0; i < defs.size(); ++i) {
    SCOPED_TRACE(cases[i].Type->Caption());
    EXPECT_EQ(storage->CompareRecords(0, 1, defs[i]), 0);
    EXPECT_EQ(VarToStr(storage->RecordValue(1, defs[i])), VarToStr(cases[i].Value));
  }
}

TEST(TcxLookupList, FindReportsTheInsertionPlace) {
  TcxLookupList list;
  int32_t index = -1;
  EXPECT_FALSE(list.Find(5, index));
  EXPECT_EQ(index, 0);
  list.Insert(0, 1, "one");
  list.Insert(1, 3, "three");
  EXPECT_TRUE(list.Find(3, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(2, index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.Items(1).DisplayText, "three");
}

TEST(TcxValueTypes, DamagedRecordsFailInBoundedMemory) {
  FreeingPtr<TcxDataStorage> storage(New<TcxDataStorage>());
  for (TcxValueTypeClass t : {TcxStringValueType::StaticClass(), TcxWideStringValueType::StaticClass(),
                              TcxVariantValueType::StaticClass(), TcxFloatValueType::StaticClass()})
    storage->MainDefs()->Add(t, true, true, nullptr);
  storage->ResizeTo(1);
  for (int32_t i = 0; i < 4; ++i) {
    storage->PutRecordValue(0, storage->MainDefs()->Defs(i), i == 3 ? Variant(1.5) : Variant(String("значение")));
    storage->PutRecordText(0, storage->MainDefs()->Defs(i), "текст");
  }
  const std::string valid = mutation::Saved([&](TStream* s) { storage->SaveRecord(0, s); });
  mutation::Limits limits;
  limits.Inputs = 1500;
  mutation::RunStream(valid, [&](TStream* s) { storage->LoadRecord(0, s); }, limits);
}
