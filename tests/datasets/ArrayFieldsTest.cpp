// Array fields of the SQL dataset against an embedded database: the field's array read whole, a new array
// written while editing and posted through the modify statement, and a null array.
#include <gtest/gtest.h>

#include "datasets/ZAZDataSet.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/StringLists.h"

#include "ScratchDatabase.h"

namespace {

class ArrayFields : public scratch::DatabaseTest {
protected:
  TFIBDataSet* DS = nullptr;

  void SetUp() override {
    OpenScratch("arr.fdb");
    DB->SetName("Database");
    Exec("CREATE TABLE ARR (ID INTEGER NOT NULL PRIMARY KEY, IA INTEGER[1:3], VA VARCHAR(10)[2])");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO ARR (ID) VALUES (1)");
    TR->CommitRetaining();
    DS = New<TFIBDataSet>(nullptr);
    DS->SetName("qArr");
    DS->SetDatabase(DB);
    DS->SetTransaction(TR);
    DS->SelectSQL()->SetText("SELECT ID, IA, VA FROM ARR ORDER BY ID");
    DS->UpdateSQL()->SetText("UPDATE ARR SET IA = ?IA, VA = ?VA WHERE ID = ?OLD_ID");
  }

  void TearDown() override { DS->Free(); }

  Variant Values(const char* field) {
    Variant v;
    DS->GetArrayFieldValues(DS->FieldByName(field), v);
    return v;
  }
};

TEST_F(ArrayFields, EditedArraysArePostedAndReadBack) {
  DS->Open();
  // A null array: the column's bounds with Null elements.
  const Variant empty = Values("IA");
  ASSERT_EQ(VarArrayDimCount(empty), 1);
  EXPECT_EQ(VarArrayLowBound(empty, 1), 1);
  EXPECT_TRUE(VarIsNull(VarArrayGet(empty, {3})));
  // Not editing: nothing is written.
  DS->SetArrayFieldValues(DS->FieldByName("IA"), VarArrayOf({1, 2, 3}));
  EXPECT_TRUE(DS->FieldByName("IA")->IsNull());

  DS->Edit();
  DS->SetArrayFieldValues(DS->FieldByName("IA"), VarArrayOf({4, 5, 6}));
  DS->SetArrayFieldValues(DS->FieldByName("VA"), VarArrayOf({Variant("Щука"), Variant("ok")}));
  DS->Post();
  TR->CommitRetaining();

  auto* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(DB);
  q->SetTransaction(TR);
  q->SQL()->SetText("SELECT IA[3], VA[1] FROM ARR WHERE ID = 1");
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 6);
  EXPECT_EQ(q->Fields(1)->GetAsString(), "Щука");
  q->CloseCursor();
  q->Free();

  DS->Close();
  DS->Open();
  const Variant ia = Values("IA");
  EXPECT_EQ(VarArrayGet(ia, {1}).AsInteger(), 4);
  EXPECT_EQ(VarArrayGet(ia, {3}).AsInteger(), 6);
  EXPECT_EQ(VarArrayGet(Values("VA"), {2}).AsString(), "ok");
  EXPECT_TRUE(VarIsType(Values("ID"), varBoolean));  // no array behind the field

  // Null clears the array.
  DS->Edit();
  DS->SetArrayFieldValues(DS->FieldByName("IA"), Variant::Null());
  DS->Post();
  EXPECT_TRUE(DS->FieldByName("IA")->IsNull());
  EXPECT_TRUE(VarIsNull(VarArrayGet(Values("IA"), {1})));
}

}  // namespace
