#include <gtest/gtest.h>


#include "FIBDatabaseTest.h"
#include "dbaccess/VariantRtn.h"

namespace {

TEST(FIBBase, TakesTheConnectionsDefaultTransaction) {
  Owned own;
  auto* owner = own(New<TComponent>(nullptr));
  auto* db = own(New<TFIBDatabase>(nullptr));
  auto* tr = own(New<TFIBTransaction>(nullptr));
  db->SetDefaultTransaction(tr);
  TFIBBase link(owner);
  link.SetDatabase(db);
  EXPECT_EQ(link.Transaction(), tr);
  EXPECT_EQ(db->GetLink(link.IndexInDatabase()), &link);
  EXPECT_EQ(tr->GetLink(link.IndexInTransaction()), &link);
  // Without an owner nothing is taken.
  TFIBBase bare(nullptr);
  bare.SetDatabase(db);
  EXPECT_EQ(bare.Transaction(), nullptr);
}

TEST(FIBBase, MovesToTheTransactionsConnection) {
  Owned own;
  auto* owner = own(New<TComponent>(nullptr));
  auto* db1 = own(New<TFIBDatabase>(nullptr));
  auto* db2 = own(New<TFIBDatabase>(nullptr));
  auto* tr = own(New<TFIBTransaction>(nullptr));
  tr->SetDefaultDatabase(db2);
  TFIBBase link(owner);
  link.SetDatabase(db1);
  link.SetTransaction(tr);
  EXPECT_EQ(link.Database(), db2);
  EXPECT_EQ(db1->LinkCount(), 0);
  EXPECT_EQ(db2->LinkCount(), 1);
  // A transaction that lists the link's connection keeps it there.
  tr->AddDatabase(db1);
  TFIBBase other(owner);
  other.SetDatabase(db1);
  other.SetTransaction(tr);
  EXPECT_EQ(other.Database(), db1);
}

TEST(FIBBase, RemovingTheMiddleLinkMovesTheLastIntoItsSlot) {
  Owned own;
  auto* db = own(New<TFIBDatabase>(nullptr));
  auto* tr = own(New<TFIBTransaction>(nullptr));
  TFIBBase a(nullptr), b(nullptr), c(nullptr);
  for (TFIBBase* l : {&a, &b, &c}) {
    l->SetDatabase(db);
    l->SetTransaction(tr);
  }
  EXPECT_EQ(c.IndexInDatabase(), 2);
  b.SetDatabase(nullptr);
  b.SetTransaction(nullptr);
  EXPECT_EQ(db->LinkCount(), 2);
  EXPECT_EQ(c.IndexInDatabase(), 1);
  EXPECT_EQ(c.IndexInTransaction(), 1);
  EXPECT_EQ(db->GetLink(1), &c);
  EXPECT_EQ(tr->GetLink(1), &c);
  EXPECT_EQ(tr->LinkCount(), 2);
}

TEST(FIBBase, ChecksNameTheOwner) {
  Owned own;
  auto* form = own(New<TComponent>(nullptr));
  form->SetName("Form1");
  auto* query = New<TComponent>(form);
  query->SetName("Query1");
  TFIBBase link(query);
  EXPECT_EQ(RaisedMessage([&] { link.GetDBHandle(); }), "Database not assigned for Form1.Query1.");
  EXPECT_EQ(RaisedMessage([&] { link.GetTRHandle(); }), "Transaction not assigned for Form1.Query1.");
  auto* db = own(New<TFIBDatabase>(nullptr));
  db->SetName("DB1");
  auto* tr = own(New<TFIBTransaction>(nullptr));
  tr->SetName("TR1");
  link.SetDatabase(db);
  link.SetTransaction(tr);
  EXPECT_EQ(RaisedMessage([&] { link.CheckDatabase(); }), "DB1: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(RaisedMessage([&] { link.CheckTransaction(); }), "TR1 :Transaction is not active.");
  link.SetDatabase(nullptr);
  link.SetTransaction(nullptr);
}

TEST(FIBBase, HandsOutTheHandlesOfAnOpenConnection) {
  TempDir dir;
  CreateDialectDatabase(dir.File("a.fdb"), 3);
  Owned own;
  auto* db = own(NewDatabase(dir.File("a.fdb")));
  auto* tr = own(NewTransaction(db));
  TFIBBase link(nullptr);
  link.SetTransaction(tr);
  EXPECT_EQ(link.Database(), db);
  db->Open();
  tr->StartTransaction();
  EXPECT_EQ(link.GetDBHandle(), db->HandleAddress());
  EXPECT_EQ(*link.GetDBHandle(), db->Handle());
  EXPECT_EQ(*link.GetTRHandle(), tr->Handle());
}

// A parameter-and-field object with named fields (current and old values) and parameters.
class FakeSQLObject : public ISQLObject {
public:
  std::vector<String> Params;
  std::vector<Variant> ParamValues;
  std::vector<String> Fields;
  std::vector<Variant> Current, Old;

  int32_t QueryInterface(const TGUID&, void**) override { return RTL_E_NOINTERFACE; }
  int32_t _AddRef() override { return -1; }
  int32_t _Release() override { return -1; }
  int32_t ParamCount() override { return static_cast<int32_t>(Params.size()); }
  String ParamName(int32_t i) override { return Params[i]; }
  int32_t FieldsCount() override { return static_cast<int32_t>(Fields.size()); }
  bool FieldExist(const String& name, int32_t& index) override { return Find(Fields, name, index); }
  bool ParamExist(const String& name, int32_t& index) override { return Find(Params, name, index); }
  Variant FieldValue(const String& name, bool old) override {
    int32_t i = -1;
    Find(Fields, name, i);
    return FieldValue(i, old);
  }
  Variant FieldValue(int32_t i, bool old) override { return old ? Old[i] : Current[i]; }
  Variant ParamValue(const String& name) override {
    int32_t i = -1;
    Find(Params, name, i);
    return ParamValues[i];
  }
  Variant ParamValue(int32_t i) override { return ParamValues[i]; }
  void SetParamValue(int32_t i, const Variant& v) override { ParamValues[i] = v; }
  String FieldName(int32_t i) override { return Fields[i]; }

private:
  static bool Find(const std::vector<String>& names, const String& name, int32_t& index) {
    for (size_t i = 0; i < names.size(); ++i)
      if (AnsiUpperCase(names[i]) == AnsiUpperCase(name)) {
        index = static_cast<int32_t>(i);
        return true;
      }
    return false;
  }
};

TEST(AssignSQLObjectParams, FillsFromFieldsAndParametersOfTheSources) {
  FakeSQLObject dest;
  dest.Params = {"OLD_PRICE", "new_price", "NEW_", "ID", "UNKNOWN", "QTY"};
  dest.ParamValues = {Variant(), Variant(), Variant(), Variant(), Variant(7), Variant()};
  FakeSQLObject first;
  first.Fields = {"PRICE", "ID"};
  first.Current = {Variant(10), Variant(1)};
  first.Old = {Variant(9), Variant(1)};
  first.Params = {"NEW_"};
  first.ParamValues = {Variant(String("param"))};
  FakeSQLObject second;
  second.Fields = {"price"};
  second.Current = {Variant(20)};
  second.Old = {Variant(19)};
  second.Params = {"QTY"};
  second.ParamValues = {Variant(3)};

  AssignSQLObjectParams(&dest, {&first, nullptr, &second});
  struct Case {
    int index;
    Variant expected;
  } cases[] = {{0, Variant(19)}, {1, Variant(20)}, {2, Variant(String("param"))},
               {3, Variant(1)},  {4, Variant(7)},  {5, Variant(3)}};
  for (const Case& c : cases) EXPECT_TRUE(VariantsEqual(dest.ParamValues[c.index], c.expected)) << dest.Params[c.index];
  AssignSQLObjectParams(nullptr, {&first});
}

}  // namespace
