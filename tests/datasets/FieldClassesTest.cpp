// Before-event handlers that close the dataset, and the field classes beyond their platform ancestors:
// array fields (texts, variant values, the identifier kept at edit), GUID fields, wide text of memo
// fields and the old-value helpers of the generated statements.
#include "DataSetServicesSupport.h"
#include "rtl/Utf8.h"
#include "rtl/Variants.h"

namespace {

class FieldClassesTest : public dss::ServicesTest {};

TEST_F(FieldClassesTest, AHandlerThatClosesTheDataSetStopsTheOperation) {
  struct Case {
    const char* Handler;
    TDataSetNotifyEvent TDataSet::*Event;
    void (*Run)(TDataSet*);
  };
  const Case cases[] = {
      {"BeforeEdit", &TDataSet::BeforeEdit, [](TDataSet* d) { d->Edit(); }},
      {"BeforeDelete", &TDataSet::BeforeDelete, [](TDataSet* d) { d->Delete(); }},
      {"BeforeCancel", &TDataSet::BeforeCancel, [](TDataSet* d) { d->Edit(); d->Cancel(); }},
      {"BeforePost", &TDataSet::BeforePost, [](TDataSet* d) { d->Edit(); d->Post(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Handler);
    auto* ds = NewDataSet();
    ds->Open();
    ds->*c.Event = TDataSetNotifyEvent([](TDataSet* d) { d->Close(); });
    try {
      c.Run(ds);
      FAIL() << "the operation went on";
    } catch (const EFIBError& e) {
      EXPECT_EQ(e.Message(), "Can't continue after " + String(c.Handler) + " because " + ds->Name() +
                                 " dataset closed.");
    }
    EXPECT_FALSE(ds->Active());
  }
  EXPECT_EQ(Committed("SELECT COUNT(*) FROM T").AsInteger(), 5) << "nothing was deleted";
}

TEST_F(FieldClassesTest, ArrayFieldTextsValuesAndTheIdentifierKeptAtEdit) {
  TR->StartTransaction();
  Exec("CREATE TABLE ARR (ID INTEGER NOT NULL PRIMARY KEY, IA INTEGER[1:3])");
  TR->Commit();
  TR->StartTransaction();
  Exec("INSERT INTO ARR (ID) VALUES (1)");
  Exec("INSERT INTO ARR (ID) VALUES (2)");
  TR->CommitRetaining();
  auto* ds = NewDataSet("SELECT ID, IA FROM ARR ORDER BY ID");
  ds->UpdateSQL()->SetText("UPDATE ARR SET IA = ?IA WHERE ID = ?OLD_ID");
  ds->Open();
  auto* field = dynamic_cast<TFIBArrayField*>(ds->FieldByName("IA"));
  ASSERT_NE(field, nullptr) << "array columns come as array fields";
  EXPECT_EQ(field->AsString(), "(Array)");
  EXPECT_EQ(field->DisplayText(), "(Array)");

  ds->Edit();
  EXPECT_EQ(field->OldArrayId(), 0u) << "a null array has no identifier";
  field->SetAsVariant(VarArrayOf({7, 8, 9}));
  EXPECT_EQ(field->AsString(), "(ARRAY)");
  ds->Post();
  TR->CommitRetaining();
  ds->Close();
  ds->Open();
  field = dynamic_cast<TFIBArrayField*>(ds->FieldByName("IA"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(VarArrayGet(field->AsVariant(), {3}).AsInteger(), 9);
  const uint64_t stored = field->ArrayId();
  EXPECT_NE(stored, 0u);

  // The edit keeps the identifier the record had, while a new array replaces it.
  ds->Edit();
  EXPECT_EQ(field->OldArrayId(), stored);
  field->SetAsVariant(VarArrayOf({1, 2, 3}));
  EXPECT_NE(field->ArrayId(), stored);
  EXPECT_EQ(field->OldArrayId(), stored);
  ds->Cancel();
  EXPECT_EQ(field->ArrayId(), stored);
}

TEST_F(FieldClassesTest, GuidAndMemoFieldsAndOldValues) {
  auto* ds = NewDataSet("SELECT ID, NAME, QTY FROM T ORDER BY ID");
  EXPECT_EQ(ds->GetFieldClass(ftGuid), TFIBGuidField::StaticClass());
  EXPECT_EQ(ds->GetFieldClass(ftBytes), TFIBArrayField::StaticClass());

  TR->StartTransaction();
  Exec("CREATE TABLE M (ID INTEGER NOT NULL PRIMARY KEY, BIG BIGINT, AMOUNT NUMERIC(15,2), TXT BLOB SUB_TYPE 1)");
  TR->Commit();
  TR->StartTransaction();
  Exec("INSERT INTO M VALUES (1, 5000000000, 1.10, 'Щука')");
  TR->CommitRetaining();
  auto* m = NewDataSet("SELECT ID, BIG, AMOUNT, TXT FROM M");
  m->UpdateSQL()->SetText("UPDATE M SET BIG = ?BIG, AMOUNT = ?AMOUNT, TXT = ?TXT WHERE ID = ?OLD_ID");
  m->Open();
  TField* memo = m->FieldByName("TXT");
  // Looked up by the interface's identifier, as editors do.
  auto* wide = static_cast<IWideTextAccess*>(memo->InterfaceByIID(IWideTextAccess::IID));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->WideValue(), Utf8ToUtf16("Щука"));
  m->Edit();
  wide->SetWideValue(u"Ёж");
  EXPECT_EQ(memo->AsString(), "Ёж");
  EXPECT_EQ(wide->WideEditText(), u"Ёж");

  TField* big = m->FieldByName("BIG");
  TField* amount = m->FieldByName("AMOUNT");
  EXPECT_FALSE(BCDValueChanged(amount));
  amount->SetAsFloat(1.1);
  EXPECT_FALSE(BCDValueChanged(amount)) << "the same value written again";
  amount->SetAsFloat(1.11);
  EXPECT_TRUE(BCDValueChanged(amount));
  big->SetAsLargeInt(7);
  EXPECT_EQ(OldLargeintValue(big), 5000000000LL);
  amount->Clear();
  EXPECT_TRUE(BCDValueChanged(amount)) << "null against a value";
  m->Cancel();
}

}  // namespace
