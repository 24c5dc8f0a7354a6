// Cached updates, update objects and statements written per post, against an embedded database.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDatabase.h"
#include "dbaccess/pZAZUpdateObject.h"
#include "rtl/StringLists.h"
#include "rtl/TypInfo.h"

#include "ScratchDatabase.h"

namespace {

using scratch::Folder;

class CachedUpdates : public ::testing::Test {
protected:
  void SetUp() override {
    const String path = Dir.Path() + "/items.fdb";
    scratch::CreateDatabase(path);
    DB = New<TpZAZDatabase>(nullptr);
    DB->SetName("Database");
    scratch::Configure(DB, path);
    TR = New<TpZAZTransaction>(nullptr);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    Exec("CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), QTY INTEGER)");
    Exec("CREATE GENERATOR LOG_N");
    Exec("CREATE TABLE LOG (N INTEGER, NOTE VARCHAR(80))");
    TR->Commit();
    TR->StartTransaction();
    Exec("INSERT INTO ITEMS VALUES (1, 'один', 10)");
    Exec("INSERT INTO ITEMS VALUES (2, 'two', 20)");
    Exec("INSERT INTO ITEMS VALUES (3, 'three', 30)");
    TR->CommitRetaining();

    DS = New<TpZAZDataSet>(nullptr);
    DS->SetName("qItems");
    DS->SetDatabase(DB);
    DS->SetTransaction(TR);
    DS->SelectSQL()->SetText("SELECT ID, NAME, QTY FROM ITEMS ORDER BY ID");
    DS->UpdateSQL()->SetText("UPDATE ITEMS SET ID = ?ID, NAME = ?NAME, QTY = ?QTY WHERE ID = ?OLD_ID");
    DS->InsertSQL()->SetText("INSERT INTO ITEMS (ID, NAME, QTY) VALUES (?ID, ?NAME, ?QTY)");
    DS->DeleteSQL()->SetText("DELETE FROM ITEMS WHERE ID = ?OLD_ID");
    DS->RefreshSQL()->SetText("SELECT ID, NAME, QTY FROM ITEMS WHERE ID = ?OLD_ID");
  }

  void TearDown() override {
    for (TpZAZUpdateObject* o : Objects) o->Free();
    DS->Free();
    if (TR->InTransaction()) TR->Commit();
    TR->Free();
    DB->Close();
    DB->Free();
  }

  struct Statement {
    TFIBQuery* Q;
    ~Statement() { Q->Free(); }
  };

  void Exec(const String& sql) { scratch::Exec(DB, TR, sql); }

  // The rows on the server as "id:name:qty" in key order.
  String ServerRows(const String& table = "ITEMS") {
    Statement s{New<TFIBQuery>(nullptr)};
    TFIBQuery* q = s.Q;
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(table == "LOG" ? "SELECT NOTE FROM LOG ORDER BY N" : "SELECT ID, NAME, QTY FROM ITEMS ORDER BY ID");
    q->ExecQuery();
    String rows;
    while (!q->Eof()) {
      if (!rows.empty()) rows += " ";
      for (int32_t i = 0; i < q->GetFieldCount(); ++i) {
        const Variant v = q->Fields(i)->GetAsVariant();
        rows += (i ? ":" : "") + (VarIsNull(v) ? String() : v.AsString());
      }
      q->FetchNext();
    }
    return rows;
  }

  // The shown rows as "id:name:qty".
  String ShownRows() {
    String rows;
    DS->First();
    while (!DS->Eof()) {
      if (!rows.empty()) rows += " ";
      rows += DS->FieldByName("ID")->AsString() + ":" + DS->FieldByName("NAME")->AsString() + ":" +
              DS->FieldByName("QTY")->AsString();
      DS->Next();
    }
    return rows;
  }

  void OpenCached() {
    DS->SetCachedUpdates(true);
    DS->Open();
  }

  void EditCurrent(const String& name) {
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString(name);
    DS->Post();
  }

  void Locate(int32_t id) {
    DS->First();
    while (!DS->Eof() && DS->FieldByName("ID")->AsInteger() != id) DS->Next();
    ASSERT_FALSE(DS->Eof()) << id;
  }

  void AppendItem(int32_t id, const String& name, int32_t qty) {
    DS->Append();
    DS->FieldByName("ID")->SetAsInteger(id);
    DS->FieldByName("NAME")->SetAsString(name);
    DS->FieldByName("QTY")->SetAsInteger(qty);
    DS->Post();
  }

  TpZAZUpdateObject* AddObject(TUpdateKind kind, TFIBOrderExecUO order, int32_t place, const String& sql) {
    auto* o = New<TpZAZUpdateObject>(nullptr);
    Objects.push_back(o);
    o->SQL()->SetText(sql);
    o->SetKindUpdate(kind);
    o->SetExecuteOrder(order);
    o->SetOrderInList(place);
    o->SetDataSet(DS);
    return o;
  }

  static String LogInsert(const String& note) {
    return "INSERT INTO LOG (N, NOTE) VALUES (GEN_ID(LOG_N, 1), " + note + ")";
  }

  Folder Dir;
  TpZAZDatabase* DB = nullptr;
  TpZAZTransaction* TR = nullptr;
  TpZAZDataSet* DS = nullptr;
  std::vector<TpZAZUpdateObject*> Objects;
  const String Fetched = "1:один:10 2:two:20 3:three:30";
};

TEST_F(CachedUpdates, ChangesStayInTheCacheUntilAppliedThenTheServerMatches) {
  OpenCached();
  EditCurrent("первый");
  Locate(2);
  DS->Delete();
  AppendItem(4, "four", 40);
  EXPECT_EQ(DS->UpdateStatus(), usInserted);
  Locate(1);
  EXPECT_EQ(DS->UpdateStatus(), usModified);
  EXPECT_EQ(DS->PendingChanges(), 3);
  EXPECT_TRUE(DS->HasPendingChanges());
  EXPECT_EQ(DS->RecordCount(), 3);
  EXPECT_EQ(ShownRows(), "1:первый:10 3:three:30 4:four:40");
  EXPECT_EQ(ServerRows(), Fetched);

  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), "1:первый:10 3:three:30 4:four:40");
  EXPECT_TRUE(DS->HasPendingChanges());  // until committed
  TR->CommitRetaining();
  DS->CommitUpdates();
  EXPECT_FALSE(DS->HasPendingChanges());
  EXPECT_EQ(DS->PendingChanges(), 0);
  EXPECT_EQ(ShownRows(), "1:первый:10 3:three:30 4:four:40");
  Locate(4);
  EXPECT_EQ(DS->UpdateStatus(), usUnmodified);
  // Nothing is applied twice.
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), "1:первый:10 3:three:30 4:four:40");
}

TEST_F(CachedUpdates, RowEditedTwiceIsFoundByItsKeyAsFetched) {
  OpenCached();
  DS->Edit();
  DS->FieldByName("ID")->SetAsInteger(100);
  DS->Post();
  Locate(100);
  EditCurrent("hundred");
  Locate(3);
  DS->Edit();
  DS->FieldByName("QTY")->SetAsInteger(33);
  DS->Post();
  DS->Delete();  // an edited row deleted: the delete looks for its key as fetched
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), "2:two:20 100:hundred:10");
}

TEST_F(CachedUpdates, CancelUpdatesRestoresEveryRowAsFetched) {
  OpenCached();
  EditCurrent("a");
  EditCurrent("b");
  Locate(3);
  DS->Delete();
  AppendItem(5, "five", 50);
  Locate(2);
  DS->Edit();
  DS->FieldByName("NAME")->SetAsString("pending edit");
  DS->CancelUpdates();
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(DS->PendingChanges(), 0);
  EXPECT_FALSE(DS->HasPendingChanges());
  EXPECT_EQ(DS->RecordCount(), 3);
  EXPECT_EQ(ShownRows(), Fetched);
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), Fetched);
  // The log starts afresh: a new edit and a cancel give the fetched values again.
  EditCurrent("c");
  DS->CancelUpdates();
  EXPECT_EQ(ShownRows(), Fetched);
}

TEST_F(CachedUpdates, RevertRecordUndoesOnlyTheCurrentRow) {
  OpenCached();
  EditCurrent("x");
  Locate(2);
  EditCurrent("y");
  DS->RevertRecord();
  EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "two");
  EXPECT_EQ(DS->UpdateStatus(), usUnmodified);
  EXPECT_EQ(DS->PendingChanges(), 1);
  EXPECT_EQ(ShownRows(), "1:x:10 2:two:20 3:three:30");
  AppendItem(6, "six", 60);
  DS->RevertRecord();  // an inserted row goes away
  EXPECT_EQ(DS->RecordCount(), 3);
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), "1:x:10 2:two:20 3:three:30");
}

TEST_F(CachedUpdates, InsertedThenDeletedRowIsNeverSent) {
  OpenCached();
  AppendItem(7, "seven", 70);
  EXPECT_EQ(DS->RecordCount(), 4);
  DS->Delete();
  EXPECT_EQ(DS->RecordCount(), 3);
  EXPECT_EQ(DS->PendingChanges(), 0);
  EXPECT_FALSE(DS->HasPendingChanges());
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), Fetched);
}

TEST_F(CachedUpdates, UpdateRecordTypesChooseTheShownRows) {
  OpenCached();
  Locate(2);
  DS->Delete();
  AppendItem(8, "eight", 80);
  DS->SetUpdateRecordTypes({cusDeleted});
  EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(ShownRows(), "2:two:20");
  EXPECT_EQ(DS->UpdateStatus(), usDeleted);
  DS->SetUpdateRecordTypes({cusInserted, cusDeleted});
  EXPECT_EQ(ShownRows(), "2:two:20 8:eight:80");
  DS->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted});
  EXPECT_EQ(ShownRows(), "1:один:10 3:three:30 8:eight:80");
  EXPECT_EQ(DS->RecordCount(), 3);
}

TEST_F(CachedUpdates, ModeChangesOnlyWhileClosedAndSwitchingOffDiscards) {
  DS->Open();
  try {
    DS->SetCachedUpdates(true);
    FAIL() << "switched on while open";
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("CachedUpdates"), String::npos) << e.Message();
  }
  EXPECT_FALSE(DS->CachedUpdates());
  DS->Close();
  OpenCached();
  EditCurrent("discarded");
  DS->SetCachedUpdates(false);
  EXPECT_EQ(ShownRows(), Fetched);
  DS->First();
  EditCurrent("direct");  // now straight to the server
  EXPECT_EQ(ServerRows(), "1:direct:10 2:two:20 3:three:30");
}

// A failing row (a key that exists already) under each answer of OnUpdateError.
struct ErrorCase {
  TUpdateAction Action;
  bool Raises;
  const char* Server;
  const char* Name;
};

class UpdateErrorActions : public CachedUpdates, public ::testing::WithParamInterface<ErrorCase> {
protected:
  void OnError(TDataSet* ds, EFIBError& e, TUpdateKind kind, TUpdateAction& action) {
    ++Calls;
    EXPECT_EQ(kind, ukInsert);
    EXPECT_NE(e.Message().find("PRIMARY"), String::npos) << e.Message();
    action = GetParam().Action;
    // A retry after correcting the record.
    if (action == uaRetry) ds->FieldByName("ID")->SetAsInteger(Calls == 1 ? 1 : 9);
  }
  int Calls = 0;
};

TEST_P(UpdateErrorActions, DecideAboutTheFailingRow) {
  OpenCached();
  EditCurrent("edited");
  AppendItem(2, "clash", 0);
  Locate(3);
  DS->Delete();
  DS->OnUpdateError = TFIBUpdateErrorEvent(
      [this](TDataSet* ds, EFIBError& e, TUpdateKind kind, TUpdateAction& action) { OnError(ds, e, kind, action); });
  bool raised = false;
  try {
    DS->ApplyUpdates();
  } catch (const EFIBError& e) {
    raised = true;
    if (GetParam().Action == uaAbort) {
      EXPECT_NE(e.Message().find("User abort apply updates for  qItems"), String::npos) << e.Message();
    }
  }
  EXPECT_EQ(raised, GetParam().Raises);
  EXPECT_EQ(ServerRows(), GetParam().Server);
  EXPECT_EQ(DS->State(), dsBrowse);
  EXPECT_EQ(Calls, GetParam().Action == uaRetry ? 2 : 1);
  // The failing row stays pending whatever the answer.
  DS->Last();
  EXPECT_EQ(DS->UpdateStatus(), usInserted);
}

INSTANTIATE_TEST_SUITE_P(
    CachedUpdates, UpdateErrorActions,
    // The rows before the failing one are applied already: the transaction decides about them.
    ::testing::Values(ErrorCase{uaFail, true, "1:edited:10 2:two:20", "Fail"},
                      ErrorCase{uaAbort, true, "1:edited:10 2:two:20", "Abort"},
                      ErrorCase{uaSkip, false, "1:edited:10 2:two:20", "Skip"},
                      // Corrected twice: first to another existing key, then to a free one.
                      ErrorCase{uaRetry, false, "1:edited:10 2:two:20 9:clash:0", "Retry"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return String(info.param.Name); });

TEST_F(CachedUpdates, RetriedRowKeepsTheCorrectedValues) {
  OpenCached();
  AppendItem(3, "clash", 0);
  DS->OnUpdateError = TFIBUpdateErrorEvent(
      [](TDataSet* ds, EFIBError&, TUpdateKind, TUpdateAction& action) {
        ds->FieldByName("ID")->SetAsInteger(11);
        action = uaRetry;
      });
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), Fetched + " 11:clash:0");
  EXPECT_EQ(ShownRows(), Fetched + " 11:clash:0");
}

TEST_F(CachedUpdates, OnUpdateRecordAppliesOrLeavesRows) {
  // Deletes are applied by the handler itself, inserts by the dataset, edits are left.
  OpenCached();
  EditCurrent("left alone");
  Locate(2);
  DS->Delete();
  AppendItem(12, "twelve", 120);
  std::vector<TUpdateKind> kinds;
  DS->OnUpdateRecord = TFIBUpdateRecordEvent([&](TDataSet* ds, TUpdateKind kind, TUpdateAction& action) {
    kinds.push_back(kind);
    if (kind == ukDelete) {
      Exec("DELETE FROM ITEMS WHERE ID = " + ds->FieldByName("ID")->OldValue().AsString());
      action = uaApplied;
    } else {
      action = kind == ukInsert ? uaRetry : uaSkip;
    }
  });
  DS->ApplyUpdates();
  EXPECT_EQ(kinds, (std::vector<TUpdateKind>{ukModify, ukDelete, ukInsert}));
  EXPECT_EQ(ServerRows(), "1:один:10 3:three:30 12:twelve:120");
}

TEST_F(CachedUpdates, HandlerErrorGoesToOnUpdateError) {
  OpenCached();
  EditCurrent("x");
  int errors = 0;
  DS->OnUpdateRecord = TFIBUpdateRecordEvent([&](TDataSet*, TUpdateKind, TUpdateAction&) {
    Exec("INSERT INTO ITEMS VALUES (2, 'dup', 0)");
  });
  DS->OnUpdateError = TFIBUpdateErrorEvent([&](TDataSet*, EFIBError&, TUpdateKind, TUpdateAction& action) {
    ++errors;
    action = uaFail;
  });
  EXPECT_THROW(DS->ApplyUpdates(), EFIBError);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(ServerRows(), Fetched);
}

// --- update objects -------------------------------------------------------------------------------------------

TEST_F(CachedUpdates, UpdateObjectsRunInTheirOrderAroundTheOwnStatement) {
  AddObject(ukModify, oeBeforeDefault, 0, LogInsert("'A ' || (SELECT NAME FROM ITEMS WHERE ID = ?OLD_ID)"));
  AddObject(ukModify, oeBeforeDefault, 0, LogInsert("'B ' || ?NEW_NAME"));  // placed before A
  AddObject(ukModify, oeAfterDefault, 5, LogInsert("'C ' || (SELECT NAME FROM ITEMS WHERE ID = ?OLD_ID)"));
  TpZAZUpdateObject* off = AddObject(ukModify, oeBeforeDefault, 1, LogInsert("'inactive'"));
  off->SetActive(false);
  AddObject(ukModify, oeAfterDefault, 0, "No Action");
  AddObject(ukDelete, oeAfterDefault, 0, LogInsert("'D ' || ?OLD_ID"));
  AddObject(ukInsert, oeBeforeDefault, 0, LogInsert("'I ' || ?NAME"));
  const auto& modify = DS->UpdateObjects().Items(ukModify);
  ASSERT_EQ(modify.size(), 5u);
  for (size_t i = 0; i < modify.size(); ++i) EXPECT_EQ(modify[i]->OrderInList(), static_cast<int32_t>(i));
  // Each new object took its place: "No Action" first, then B before the inactive one, A and C.
  EXPECT_NE(modify[1]->SQL()->Text().find("'B '"), String::npos);
  EXPECT_EQ(modify[2], off);

  DS->Open();
  EditCurrent("new");
  EXPECT_EQ(ServerRows("LOG"), "B new A один C new");
  DS->Delete();
  AppendItem(20, "twenty", 0);
  EXPECT_EQ(ServerRows("LOG"), "B new A один C new D 1 I twenty");
}

TEST_F(CachedUpdates, KindChangeMovesAnObjectAndFreeingDetachesIt) {
  TpZAZUpdateObject* o = AddObject(ukModify, oeBeforeDefault, 0, LogInsert("'x'"));
  EXPECT_EQ(DS->UpdateObjects().Items(ukModify).size(), 1u);
  o->SetKindUpdate(ukDelete);
  EXPECT_TRUE(DS->UpdateObjects().Items(ukModify).empty());
  EXPECT_EQ(DS->UpdateObjects().Items(ukDelete).size(), 1u);
  Objects.clear();
  o->Free();
  EXPECT_TRUE(DS->UpdateObjects().Items(ukDelete).empty());
  // An object that outlives its dataset forgets it.
  TpZAZUpdateObject* survivor = AddObject(ukInsert, oeBeforeDefault, 0, LogInsert("'y'"));
  DS->Free();
  DS = New<TpZAZDataSet>(nullptr);
  EXPECT_EQ(survivor->DataSet(), nullptr);
}

TEST_F(CachedUpdates, UpdateObjectAloneAllowsEditingAndAppliesCachedRows) {
  DS->UpdateSQL()->Clear();
  AddObject(ukModify, oeBeforeDefault, 0, "UPDATE ITEMS SET NAME = ?NAME WHERE ID = ?OLD_ID");
  OpenCached();
  EditCurrent("by object");
  EXPECT_EQ(ServerRows(), Fetched);
  DS->ApplyUpdates();
  EXPECT_EQ(ServerRows(), "1:by object:10 2:two:20 3:three:30");
}

TEST_F(CachedUpdates, PlainDataSetIsRefused) {
  auto* plain = New<TFIBDataSet>(nullptr);
  plain->SetName("qPlain");
  auto* o = New<TpZAZUpdateObject>(nullptr);
  try {
    o->SetDataSet(plain);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "qPlain is not TpZAZDataSet");
  }
  EXPECT_EQ(o->DataSet(), nullptr);
  o->Free();
  plain->Free();
}

// --- statements of the modified fields only ---------------------------------------------------------------

class ModifiedFieldsOnly : public CachedUpdates {
protected:
  void SetUp() override {
    CachedUpdates::SetUp();
    for (TStrings* s : {DS->UpdateSQL(), DS->InsertSQL(), DS->DeleteSQL(), DS->RefreshSQL()}) s->Clear();
    TAutoUpdateOptions* a = DS->AutoUpdateOptions();
    a->SetUpdateTableName("ITEMS");
    a->SetKeyFields("ID");
    a->SetAutoReWriteSqls(true);
    a->SetCanChangeSQLs(true);
    a->SetUpdateOnlyModifiedFields(true);
  }
};

TEST_F(ModifiedFieldsOnly, UpdateListsOnlyChangedFieldsAndLeavesOthersOnTheServer) {
  DS->Open();
  Exec("UPDATE ITEMS SET QTY = 99 WHERE ID = 1");  // behind the dataset's back
  EditCurrent("только имя");
  EXPECT_EQ(DS->UpdateSQL()->Text(), "Update ITEMS ITEMS Set\r\n     NAME=?NEW_NAME\r\nwhere ITEMS.ID=?OLD_ID\r\n");
  EXPECT_EQ(ServerRows(), "1:только имя:99 2:two:20 3:three:30");

  DS->Edit();
  DS->FieldByName("QTY")->SetAsInteger(5);
  DS->FieldByName("NAME")->Clear();
  DS->Post();
  EXPECT_EQ(DS->UpdateSQL()->Text(),
            "Update ITEMS ITEMS Set\r\n     NAME=?NEW_NAME,\r\n     QTY=?NEW_QTY\r\nwhere ITEMS.ID=?OLD_ID\r\n");

  DS->Append();
  DS->FieldByName("ID")->SetAsInteger(30);
  DS->FieldByName("QTY")->SetAsInteger(3);
  DS->Post();
  EXPECT_EQ(DS->InsertSQL()->Text(),
            "Insert into ITEMS(\r\n     ID,\r\n     QTY\r\n)\r\nvalues (\r\n     ?NEW_ID,\r\n     ?NEW_QTY\r\n)\r\n");
  EXPECT_EQ(ServerRows(), "1::5 2:two:20 3:three:30 30::3");
}

TEST_F(ModifiedFieldsOnly, UnchangedEditIsNoActionAndCachedRowsGetTheirOwnTexts) {
  DS->SetCachedUpdates(true);
  DS->Open();
  DS->Edit();
  DS->FieldByName("NAME")->SetAsString("один");  // the same value
  DS->Post();
  Locate(2);
  DS->Edit();
  DS->FieldByName("QTY")->SetAsInteger(21);
  DS->Post();
  Exec("UPDATE ITEMS SET NAME = 'server' WHERE ID = 2");
  DS->ApplyUpdates();
  EXPECT_EQ(DS->UpdateSQL()->Text(), "Update ITEMS ITEMS Set\r\n     QTY=?NEW_QTY\r\nwhere ITEMS.ID=?OLD_ID\r\n");
  EXPECT_EQ(ServerRows(), "1:один:10 2:server:21 3:three:30");
}

}  // namespace

namespace {

TEST(CachedUpdatesProperties, PublishedForFormResources) {
  auto* ds = New<TpZAZDataSet>(nullptr);
  EXPECT_EQ(GetOrdProp(ds, "CachedUpdates"), 0);
  EXPECT_EQ(GetSetProp(ds, GetPropInfo(ds, "UpdateRecordTypes")), "cusUnmodified,cusModified,cusInserted");
  SetOrdProp(ds, "CachedUpdates", 1);
  EXPECT_TRUE(ds->CachedUpdates());
  SetSetProp(ds, GetPropInfo(ds, "UpdateRecordTypes"), "[cusDeleted]");
  EXPECT_EQ(ds->UpdateRecordTypes(), TFIBUpdateRecordTypes{cusDeleted});
  EXPECT_NE(GetPropInfo(ds, "OnUpdateRecord"), nullptr);
  EXPECT_NE(GetPropInfo(ds, "OnUpdateError"), nullptr);
  ds->Free();
}

}  // namespace

namespace {

// What a load found, read inside the preload.
String FirstName(TpZAZDataSet* ds) {
  TFIBQuery* q = New<TFIBQuery>(nullptr);
  q->SetDatabase(ds->Database());
  q->SetTransaction(ds->Transaction());
  q->SQL()->SetText("SELECT NAME FROM ITEMS WHERE ID = 1");
  try {
    q->ExecQuery();
  } catch (...) {
    q->Free();
    throw;
  }
  const String name = q->Fields(0)->GetAsString();
  q->Free();
  return name;
}

TEST_F(CachedUpdates, PreloadClosesWhatItOpenedOnEveryPath) {
  TR->Commit();
  DB->Close();
  String name;
  DS->PreloadForCachedUpdates([&] { name = FirstName(DS); });
  EXPECT_EQ(name, "один");
  EXPECT_FALSE(DB->Connected());
  EXPECT_FALSE(TR->InTransaction());

  // A load that fails on the server, and one that fails on its own: nothing stays open.
  DS->SelectSQL()->SetText("SELECT NOPE FROM ITEMS");
  EXPECT_THROW(DS->PreloadForCachedUpdates([&] { DS->Prepare(); }), EFIBError);
  EXPECT_FALSE(DB->Connected());
  EXPECT_FALSE(TR->InTransaction());
  EXPECT_THROW(DS->PreloadForCachedUpdates([] { throw EAbort("stop"); }), EAbort);
  EXPECT_FALSE(DB->Connected());
  EXPECT_FALSE(TR->InTransaction());

  // What was open before stays open, also after a failure.
  DB->Open();
  TR->StartTransaction();
  EXPECT_THROW(DS->PreloadForCachedUpdates([] { throw EAbort("stop"); }), EAbort);
  DS->PreloadForCachedUpdates([&] { name = FirstName(DS); });
  EXPECT_TRUE(DB->Connected());
  EXPECT_TRUE(TR->InTransaction());
}

}  // namespace
