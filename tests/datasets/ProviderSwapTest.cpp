// The extended dataset behind a data provider (its dialect's quote, table, key, transaction, records of a
// delta, statements run beside it, parameters), and the blob swap files of its blob fields with the
// connection's swap events. One database serves the suite; every test rolls its changes back.
#include <gtest/gtest.h>
#include <ibase.h>

#include <filesystem>

#include "datasets/pZAZDataSet.h"
#include "db/DBProvider.h"
#include "dbaccess/FIBBlobStream.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/StringLists.h"

#include "SuiteDatabase.h"
#include "ScratchFolder.h"

namespace {

class ProviderDatabaseTest : public scratch::SuiteDatabaseTest {
protected:
  static void SetUpTestSuite() {
    // Rows 1..4 carry a blob of 2000 letters each.
    auto row = [](int i) {
      return "INSERT INTO P (ID, K2, NAME, AMOUNT, DATA) VALUES (" + std::to_string(i) + ", 'k', 'n" +
             std::to_string(i) + "', " + std::to_string(i) + ".5, '" + String(2000, char('a' + i)) + "')";
    };
    CreateSuiteDatabase("vorn-datasets-provider",
                        {
                            "CREATE TABLE P (ID INTEGER NOT NULL, K2 VARCHAR(10) NOT NULL, NAME VARCHAR(40), "
                            "AMOUNT NUMERIC(9,2), STAMP TIMESTAMP, DATA BLOB, PRIMARY KEY (ID, K2))",
                            "CREATE TABLE Q (QID INTEGER NOT NULL PRIMARY KEY, P_ID INTEGER, LABEL VARCHAR(20))",
                        },
                        {row(1), row(2), row(3), row(4), "INSERT INTO Q (QID, P_ID, LABEL) VALUES (1, 1, 'one')"});
  }

  TpZAZDataSet* NewDataSet(const String& select) {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName("ds" + std::to_string(DataSets.size() + 1));
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    ds->UpdateSQL()->SetText("UPDATE P SET NAME = ?NEW_NAME WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
    ds->InsertSQL()->SetText("INSERT INTO P (ID, K2, NAME) VALUES (?ID, ?K2, ?NAME)");
    ds->DeleteSQL()->SetText("DELETE FROM P WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
    DataSets.push_back(ds);
    return ds;
  }
};

using ProviderTest = ProviderDatabaseTest;

TEST_F(ProviderTest, DialectTableKeyAndCommandText) {
  TpZAZDataSet* ds = NewDataSet("SELECT p.ID, p.K2, p.NAME, q.LABEL FROM P p JOIN Q q ON q.P_ID = p.ID");
  IProviderSupport* ps = GetProviderSupport(ds);
  ASSERT_NE(ps, nullptr);
  EXPECT_EQ(ps->PSGetQuoteChar(), "\"");
  TFIBDatabase* dialect1 = New<TFIBDatabase>(Owner);
  dialect1->SetSQLDialect(1);
  TpZAZDataSet* old = NewDataSet("SELECT ID FROM P");
  old->SetDatabase(dialect1);
  EXPECT_EQ(GetProviderSupport(old)->PSGetQuoteChar(), "");
  EXPECT_TRUE(ps->PSIsSQLBased());
  EXPECT_TRUE(ps->PSIsSQLSupported());

  EXPECT_EQ(ps->PSGetTableName(), "P");
  ds->AutoUpdateOptions()->SetUpdateTableName("Q");
  EXPECT_EQ(ps->PSGetTableName(), "Q");
  ds->AutoUpdateOptions()->SetUpdateTableName("NOT_SELECTED");
  EXPECT_EQ(ps->PSGetTableName(), "P");

  ds->AutoUpdateOptions()->SetKeyFields("ID;K2");
  ds->Open();
  EXPECT_EQ(ps->PSGetKeyFields(), "ID;K2");
  ds->FieldByName("K2")->SetProviderFlags({pfInUpdate, pfInKey});
  EXPECT_EQ(ps->PSGetKeyFields(), "K2");

  ds->Close();
  ps->PSSetCommandText("SELECT ID FROM P WHERE ID > 2");
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), 2);
  TField* kept = ds->FieldByName("ID");
  ps->PSReset();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->FieldByName("ID"), kept);
  // Running the select beside the open dataset would take its cursor away.
  EXPECT_THROW(ps->PSExecute(), EFIBClientError);
  ds->Close();
  ps->PSExecute();
}

TEST_F(ProviderTest, UpdateExceptionCarriesTheServerCodes) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID FROM P");
  IProviderSupport* ps = GetProviderSupport(ds);
  try {
    Value("SELECT NO_SUCH_COLUMN FROM P");
    FAIL() << "no error";
  } catch (const EFIBError& e) {
    const EUpdateError first = ps->PSGetUpdateException(e, nullptr);
    EXPECT_EQ(first.Message(), e.Message());
    EXPECT_EQ(first.ErrorCode(), e.SQLCode());
    EXPECT_EQ(first.PreviousError(), 0);
    const EUpdateError second = ps->PSGetUpdateException(e, &first);
    EXPECT_EQ(second.PreviousError(), e.SQLCode());
  }
  const EUpdateError plain = ps->PSGetUpdateException(Exception("plain"), nullptr);
  EXPECT_EQ(plain.Message(), "plain");
  EXPECT_EQ(plain.ErrorCode(), 0);
}

TEST_F(ProviderTest, TransactionStartsAndEnds) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID FROM P");
  IProviderSupport* ps = GetProviderSupport(ds);
  TR->Rollback();
  DB->Close();
  EXPECT_FALSE(ps->PSInTransaction());
  ps->PSStartTransaction();
  EXPECT_TRUE(DB->Connected());
  EXPECT_TRUE(ps->PSInTransaction());
  ps->PSEndTransaction(false);
  EXPECT_FALSE(ps->PSInTransaction());
  ps->PSEndTransaction(true);  // nothing to end

  TpZAZDataSet* lone = NewDataSet("SELECT ID FROM P");
  lone->SetDatabase(nullptr);
  lone->SetTransaction(nullptr);
  try {
    GetProviderSupport(lone)->PSStartTransaction();
    FAIL() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_NE(e.Message().find("Database not assigned"), String::npos);
  }
  lone->SetDatabase(DB);
  try {
    GetProviderSupport(lone)->PSStartTransaction();
    FAIL() << "no error";
  } catch (const EFIBClientError& e) {
    EXPECT_NE(e.Message().find("Transaction not assigned"), String::npos);
  }
  TR->StartTransaction();
}

TEST_F(ProviderTest, DeltaRecordsGoThroughTheStatementsOrTheHandler) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, NAME FROM P");
  IProviderSupport* ps = GetProviderSupport(ds);
  // The delta: a record being edited, whose old values name the row and whose new ones are written.
  TpZAZDataSet* delta = NewDataSet("SELECT ID, K2, NAME FROM P WHERE ID = 2");
  delta->Open();
  delta->Edit();
  delta->FieldByName("NAME")->SetAsString("changed");
  EXPECT_TRUE(ps->PSUpdateRecord(ukModify, delta));
  EXPECT_EQ(Value("SELECT NAME FROM P WHERE ID = 2").AsString(), "changed");
  delta->Cancel();

  TpZAZDataSet* inserted = NewDataSet("SELECT ID, K2, NAME FROM P WHERE ID = 0");
  inserted->Open();
  inserted->Insert();
  inserted->FieldByName("ID")->SetAsInteger(9);
  inserted->FieldByName("K2")->SetAsString("z");
  inserted->FieldByName("NAME")->SetAsString("nine");
  EXPECT_TRUE(ps->PSUpdateRecord(ukInsert, inserted));
  EXPECT_EQ(Value("SELECT NAME FROM P WHERE ID = 9").AsString(), "nine");
  inserted->Cancel();

  // With a handler its action decides, and the statements stay unused.
  struct Handler : TObject {
    explicit Handler(TUpdateAction answer) : Answer(answer) {}
    TUpdateAction Answer;
    int Calls = 0;
    void OnUpdate(TDataSet*, TUpdateKind, TUpdateAction& action) {
      ++Calls;
      action = Answer;
    }
  } handler(uaSkip);
  ds->OnUpdateRecord = TFIBUpdateRecordEvent(&handler, &Handler::OnUpdate);
  delta->Edit();
  delta->FieldByName("NAME")->SetAsString("not written");
  EXPECT_FALSE(ps->PSUpdateRecord(ukModify, delta));
  handler.Answer = uaApplied;
  EXPECT_TRUE(ps->PSUpdateRecord(ukModify, delta));
  EXPECT_EQ(handler.Calls, 2);
  EXPECT_EQ(Value("SELECT NAME FROM P WHERE ID = 2").AsString(), "changed");
  delta->Cancel();
}

TEST_F(ProviderTest, StatementsRunBesideTheDataSet) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID FROM P");
  IProviderSupport* ps = GetProviderSupport(ds);
  TParams* params = New<TParams>();
  params->CreateParam(ftInteger, "a", ptInput)->SetAsInteger(1);
  params->CreateParam(ftString, "b", ptInput)->SetAsString("k");

  TDataSet* rows = nullptr;
  EXPECT_EQ(ps->PSExecuteStatement("SELECT ID FROM P WHERE ID > ? AND K2 = ? ORDER BY ID", params, &rows), 3);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->FieldByName("ID")->AsInteger(), 2);
  rows->Free();
  // A quoted question mark is text, not a placeholder.
  EXPECT_EQ(ps->PSExecuteStatement("UPDATE P SET NAME = '?' WHERE ID = ? AND K2 = ?", params, nullptr), 1);
  EXPECT_EQ(Value("SELECT NAME FROM P WHERE ID = 1").AsString(), "?");
  EXPECT_EQ(ps->PSExecuteStatement("SELECT ID FROM P WHERE ID > ?", params, nullptr), 3);
  params->Free();
}

TEST_F(ProviderTest, ParametersOfTheSelect) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID FROM P WHERE ID = :ID AND NAME = :NAME AND AMOUNT > :AMOUNT AND "
                                "STAMP < :STAMP");
  IProviderSupport* ps = GetProviderSupport(ds);
  ds->Prepare();
  ds->QSelect()->ParamByName("ID")->SetAsInteger(3);
  TParams* params = ps->PSGetParams();
  ASSERT_EQ(params->Count(), 4);
  struct Case {
    const char* name;
    TFieldType type;
  };
  const Case cases[] = {
      {"ID", ftInteger}, {"NAME", ftString}, {"AMOUNT", ftInteger}, {"STAMP", ftDateTime}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(params->Items(i)->Name(), cases[i].name);
    EXPECT_EQ(int(params->Items(i)->DataType()), int(cases[i].type)) << cases[i].name << " sqltype "
        << ds->QSelect()->Params()->GetVar(i)->GetSQLType();
    EXPECT_EQ(params->Items(i)->ParamType(), ptInputOutput);
  }
  EXPECT_EQ(params->ParamByName("ID")->AsInteger(), 3);

  TParams* given = New<TParams>();
  given->CreateParam(ftString, "NAME", ptInput)->SetAsString("n4");
  given->CreateParam(ftString, "UNKNOWN", ptInput)->SetAsString("ignored");
  ps->PSSetParams(given);
  given->Free();
  EXPECT_EQ(ds->QSelect()->ParamByName("NAME")->GetAsString(), "n4");
}

// --- blob swap files of dataset blobs ------------------------------------------------------------------------

class DataSetSwapTest : public ProviderDatabaseTest {
protected:
  void SetUp() override {
    ProviderDatabaseTest::SetUp();
    DB->BlobSwapSupport()->SetSwapDir(Swap.Path());
    DB->BlobSwapSupport()->SetActive(true);
  }

  String Read(TpZAZDataSet* ds) { return ds->FieldByName("DATA")->AsString(); }

  struct Recorder : TObject {
    std::vector<String> Log;
    bool Save = true;
    bool Load = true;
    String Keys(const std::vector<Variant>& keys) {
      String s;
      for (const Variant& v : keys) s += (s.empty() ? "" : ",") + v.AsString();
      return s;
    }
    void BeforeSave(const String& t, const String& c, const std::vector<Variant>& k, TStream* stream, String&,
                    bool& canSave) {
      Log.push_back("before save " + t + "." + c + " " + Keys(k) + " " + std::to_string(stream->Size()));
      canSave = Save;
    }
    void AfterSave(const String& t, const String& c, const std::vector<Variant>& k, const String& file) {
      Log.push_back("after save " + t + "." + c + " " + Keys(k) + " " + std::filesystem::path(file).filename().string());
    }
    void BeforeLoad(const String& t, const String& c, const std::vector<Variant>& k, String&, bool& canLoad) {
      Log.push_back("before load " + t + "." + c + " " + Keys(k));
      canLoad = Load;
    }
    void AfterLoad(const String& t, const String& c, const std::vector<Variant>& k, const String&) {
      Log.push_back("after load " + t + "." + c + " " + Keys(k));
    }
  } Events;

  void Listen() {
    DB->BeforeSaveBlobToSwap = TBeforeSaveBlobToSwap(&Events, &Recorder::BeforeSave);
    DB->AfterSaveBlobToSwap = TAfterSaveLoadBlobSwap(&Events, &Recorder::AfterSave);
    DB->BeforeLoadBlobFromSwap = TBeforeLoadBlobFromSwap(&Events, &Recorder::BeforeLoad);
    DB->AfterLoadBlobFromSwap = TAfterSaveLoadBlobSwap(&Events, &Recorder::AfterLoad);
  }

  scratch::Folder Swap{"vorn-datasets-swap"};
};

TEST_F(DataSetSwapTest, BlobsAreSwappedUnderTheirRowKeysAndEventsMayVeto) {
  Listen();
  const String file = Swap.Path() + "/P/DATA/1_k.blb";
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, DATA FROM P WHERE ID = 1");

  // A vetoed save writes nothing.
  Events.Save = false;
  ds->Open();
  EXPECT_EQ(Read(ds), String(2000, 'b'));
  EXPECT_FALSE(std::filesystem::exists(file));
  // The load is offered first, whether or not a file exists.
  const std::vector<String> vetoed{"before load P.DATA 1,k", "before save P.DATA 1,k 2000"};
  EXPECT_EQ(Events.Log, vetoed);

  // Allowed, the file is named after the row's key.
  Events.Log.clear();
  Events.Save = true;
  ds->Close();
  ds->Open();
  EXPECT_EQ(Read(ds), String(2000, 'b'));
  EXPECT_TRUE(std::filesystem::exists(file));
  const std::vector<String> saved{"before load P.DATA 1,k", "before save P.DATA 1,k 2000",
                                  "after save P.DATA 1,k 1_k.blb"};
  EXPECT_EQ(Events.Log, saved);

  // The next read of the same blob comes from the file, unless the load is refused.
  Events.Log.clear();
  ds->Close();
  ds->Open();
  EXPECT_EQ(Read(ds), String(2000, 'b'));
  const std::vector<String> loaded{"before load P.DATA 1,k", "after load P.DATA 1,k"};
  EXPECT_EQ(Events.Log, loaded);

  Events.Log.clear();
  Events.Load = false;
  ds->Close();
  ds->Open();
  EXPECT_EQ(Read(ds), String(2000, 'b'));
  ASSERT_GE(Events.Log.size(), 1u);
  EXPECT_EQ(Events.Log[0], "before load P.DATA 1,k");
  for (const String& line : Events.Log) EXPECT_EQ(line.find("after load"), String::npos);
}

TEST_F(DataSetSwapTest, WrittenBlobIsSwappedUnderItsRowKey) {
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, DATA FROM P WHERE ID = 3");
  ds->UpdateSQL()->SetText("UPDATE P SET DATA = ?DATA WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->RefreshSQL()->SetText("SELECT ID, K2, DATA FROM P WHERE ID = ?OLD_ID AND K2 = ?OLD_K2");
  ds->Open();
  ds->Edit();
  ds->FieldByName("DATA")->SetAsString(String(3000, 'x'));
  ds->Post();
  EXPECT_EQ(Value("SELECT CHAR_LENGTH(DATA) FROM P WHERE ID = 3").AsInteger(), 3000);
  ds->Close();
  ds->Open();
  EXPECT_EQ(Read(ds), String(3000, 'x'));
  EXPECT_TRUE(std::filesystem::exists(Swap.Path() + "/P/DATA/3_k.blb"));
  // A table without a primary key gets no swap keys, so no swap file.
  std::vector<Variant> keys;
  String table, column;
  TpZAZDataSet* joined = NewDataSet("SELECT q.QID, q.LABEL FROM Q q");
  joined->Open();
  EXPECT_TRUE(joined->GetBlobSwapKeys(joined->FieldByName("LABEL"), table, keys, column));
  EXPECT_EQ(table, "Q");
  EXPECT_EQ(column, "LABEL");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].AsInteger(), 1);
  TpZAZDataSet* keyless = NewDataSet("SELECT q.LABEL FROM Q q");
  keyless->Open();
  EXPECT_FALSE(keyless->GetBlobSwapKeys(keyless->FieldByName("LABEL"), table, keys, column));
}

TEST_F(DataSetSwapTest, KeyValuesThatWouldLeaveTheSwapFolderGetNoSwapFile) {
  Value("INSERT INTO P (ID, K2, NAME, DATA) VALUES (7, '../../out', 'x', '" + String(1500, 'q') + "')");
  TpZAZDataSet* ds = NewDataSet("SELECT ID, K2, DATA FROM P WHERE ID = 7");
  ds->Open();
  EXPECT_EQ(Read(ds), String(1500, 'q'));
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Swap.Path()))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(files, 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(Swap.Path()).parent_path() / "out.blb"));

  // Names are checked part by part: a whole part of "." or ".." is refused, dots inside a name are not.
  struct Case {
    const char* table;
    const char* column;
    Variant key;
    bool named;
  };
  const Case cases[] = {
      {"T", "C", Variant(".."), false}, {"T", "C", Variant("."), false},   {"..", "C", Variant(1), false},
      {"T", "a/b", Variant(1), false},  {"T", "C", Variant("a\\b"), false}, {"T", "C", Variant("1..2"), true},
      {"T", "C", Variant(5), true},
  };
  for (const Case& c : cases) {
    TFIBBlobStream stream(1, {c.key}, c.column, c.table, nullptr);
    stream.SetDatabase(DB);
    EXPECT_EQ(!stream.SwapFileName(true).empty(), c.named) << c.table << " " << c.column << " " << c.key.AsString();
  }
}

}  // namespace
