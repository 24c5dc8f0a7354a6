// Update objects on their own: attaching, ordering per kind, and running against a real database.
#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZUpdateObject.h"

namespace {

// The smallest dataset-like owner of update objects: what the extended dataset offers them.
class Host : public TComponent, public IUpdateObjectHost {
  RTL_CLASS(Host, TComponent)
public:
  explicit Host(TComponent* AOwner) : TComponent(AOwner) {}
  void AddUpdateObject(TpZAZUpdateObject* object) override { Lists.Add(object); }
  void RemoveUpdateObject(TpZAZUpdateObject* object) override { Lists.Remove(object); }
  TFIBDatabase* UpdateObjectDatabase() override { return DB; }
  TFIBTransaction* UpdateObjectTransaction() override { return TR; }
  TUpdateObjectLists Lists;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
};

class UpdateObjects : public ::testing::Test {
protected:
  TempDir Dir;
  Owned Own;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  Host* H = nullptr;

  void SetUp() override {
    const String path = Dir.File("u.fdb");
    CreateDialectDatabase(path, 3);
    DB = Own(NewDatabase(path));
    TR = Own(NewTransaction(DB));
    DB->Open();
    TR->StartTransaction();
    ExecSQL(DB, TR, "INSERT INTO T VALUES (1, 'one')");
    H = New<Host>(nullptr);
    H->SetName("Host1");
    H->DB = DB;
    H->TR = TR;
  }
  void TearDown() override {
    if (H) H->Free();
  }

  TpZAZUpdateObject* Object(const String& name, TUpdateKind kind, int32_t place, const String& sql = String()) {
    auto* o = Own(New<TpZAZUpdateObject>(nullptr));
    o->SetName(name);
    o->SetKindUpdate(kind);
    o->SetOrderInList(place);
    o->SQL()->SetText(sql);
    o->SetDataSet(H);
    return o;
  }

  String Names(TUpdateKind kind) {
    String names;
    for (TpZAZUpdateObject* o : H->Lists.Items(kind)) names += o->Name() + "@" + std::to_string(o->OrderInList()) + " ";
    return names;
  }

  String Rows() {
    TFIBQuery* q = Own(New<TFIBQuery>(nullptr));
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText("SELECT ID, NAME FROM T ORDER BY ID");
    q->ExecQuery();
    String rows;
    for (; !q->Eof(); q->FetchNext()) rows += q->Fields(0)->GetAsVariant().AsString() + ":" + q->Fields(1)->GetAsString() + " ";
    return rows;
  }
};

TEST_F(UpdateObjects, DefaultsAndOnlyHostsAccepted) {
  auto* o = Own(New<TpZAZUpdateObject>(nullptr));
  EXPECT_TRUE(o->ParamCheck());
  EXPECT_EQ(o->KindUpdate(), ukModify);
  EXPECT_TRUE(o->Active());
  EXPECT_EQ(o->ExecuteOrder(), oeBeforeDefault);
  EXPECT_EQ(o->OrderInList(), 0);
  o->SetKindUpdate(ukDelete);  // without a dataset only stored
  EXPECT_EQ(o->KindUpdate(), ukDelete);
  auto* plain = Own(New<TComponent>(nullptr));
  plain->SetName("Plain");
  try {
    o->SetDataSet(plain);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Plain is not TpZAZDataSet");
  }
  EXPECT_EQ(o->DataSet(), nullptr);
  // Attached, it takes the host's connection and transaction.
  o->SetDataSet(H);
  EXPECT_EQ(o->Database(), DB);
  EXPECT_EQ(o->Transaction(), TR);
}

TEST_F(UpdateObjects, PlacesPerKindAreKeptDense) {
  Object("A", ukModify, 0);
  TpZAZUpdateObject* b = Object("B", ukModify, 0);
  Object("C", ukModify, 9);
  TpZAZUpdateObject* d = Object("D", ukInsert, 3);
  EXPECT_EQ(Names(ukModify), "B@0 A@1 C@2 ");
  EXPECT_EQ(Names(ukInsert), "D@0 ");
  b->SetOrderInList(2);
  EXPECT_EQ(Names(ukModify), "A@0 C@1 B@2 ");
  d->SetKindUpdate(ukModify);  // joins the other list at its place
  EXPECT_EQ(Names(ukModify), "D@0 A@1 C@2 B@3 ");
  EXPECT_EQ(Names(ukInsert), "");
  b->SetDataSet(nullptr);
  EXPECT_EQ(Names(ukModify), "D@0 A@1 C@2 ");
  EXPECT_TRUE(H->Lists.HasActive(ukModify));
  EXPECT_FALSE(H->Lists.HasActive(ukDelete));
}

TEST_F(UpdateObjects, FreeingEitherSideUnlinks) {
  auto* a = New<TpZAZUpdateObject>(nullptr);
  a->SetName("A");
  a->SetKindUpdate(ukDelete);
  a->SetDataSet(H);
  Object("B", ukDelete, 1);
  a->Free();  // leaves the host's list
  EXPECT_EQ(Names(ukDelete), "B@0 ");
  TpZAZUpdateObject* b = H->Lists.Items(ukDelete)[0];
  H->Free();
  H = nullptr;
  EXPECT_EQ(b->DataSet(), nullptr);
  // Owned by the host: freed with it after leaving its list.
  Host* owner = New<Host>(nullptr);
  auto* owned = New<TpZAZUpdateObject>(owner);
  owned->SetDataSet(owner);
  EXPECT_EQ(owner->Lists.Items(ukModify).size(), 1u);
  owner->Free();
  // Recreate the fixture's host for TearDown symmetry.
  H = New<Host>(nullptr);
  // The earlier object still works without a dataset.
  EXPECT_FALSE(b->Runnable());  // no text
}

TEST_F(UpdateObjects, RunInListOrderWithParametersFromTheSource) {
  TFIBQuery* source = Own(New<TFIBQuery>(nullptr));
  source->SetDatabase(DB);
  source->SetTransaction(TR);
  source->SQL()->SetText("SELECT 1 AS ID, CAST('neu' AS VARCHAR(10)) AS NAME FROM RDB$DATABASE");
  source->ExecQuery();

  Object("Second", ukModify, 1, "UPDATE T SET NAME = NAME || '+' || ?NEW_NAME WHERE ID = ?OLD_ID");
  Object("First", ukModify, 0, "UPDATE T SET NAME = ?NAME WHERE ID = ?ID");
  Object("Off", ukModify, 2, "UPDATE T SET NAME = 'inactive'")->SetActive(false);
  Object("None", ukModify, 3, "No Action\r\nUPDATE T SET NAME = 'never'");
  TpZAZUpdateObject* after = Object("After", ukModify, 0, "INSERT INTO T VALUES (?ID + 1, 'after')");
  after->SetExecuteOrder(oeAfterDefault);

  H->Lists.Execute(ukModify, oeBeforeDefault, source, true);
  EXPECT_EQ(Rows(), "1:neu+neu ");
  H->Lists.Execute(ukModify, oeAfterDefault, source, true);
  EXPECT_EQ(Rows(), "1:neu+neu 2:after ");
  H->Lists.Execute(ukInsert, oeBeforeDefault, source, true);  // no objects of that kind
  EXPECT_EQ(Rows(), "1:neu+neu 2:after ");
}

TEST_F(UpdateObjects, ExecutionErrorsReachTheObjectsHandler) {
  TFIBQuery* source = Own(New<TFIBQuery>(nullptr));
  source->SetDatabase(DB);
  source->SetTransaction(TR);
  source->SQL()->SetText("SELECT 1 AS ID FROM RDB$DATABASE");
  source->ExecQuery();
  TpZAZUpdateObject* o = Object("Dup", ukInsert, 0, "INSERT INTO T VALUES (?ID, 'dup')");
  int calls = 0;
  o->OnExecuteError = TFIBQueryErrorEvent([&](TpZAZQuery*, EFIBError&, TDataAction& action) {
    ++calls;
    if (calls == 1) {
      ExecSQL(DB, TR, "DELETE FROM T WHERE ID = 1");  // makes room and retries
      action = daRetry;
    }
  });
  H->Lists.Execute(ukInsert, oeBeforeDefault, source, true);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Rows(), "1:dup ");
  EXPECT_THROW(H->Lists.Execute(ukInsert, oeBeforeDefault, source, true), EFIBError);
  EXPECT_EQ(calls, 2);
}

}  // namespace
