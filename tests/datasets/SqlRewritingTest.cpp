// Statements the dataset writes from the user's select: generated modify and refresh statements for a
// table whose quoted name holds quotes, refresh and record count of a UNION select, and a select that
// ends in a comment. Each generated statement runs on the server and must touch the right rows.
#include "DataSetServicesSupport.h"

namespace {

using dss::ServicesTest;

class SqlRewriting : public ServicesTest {
protected:
  // Every row of a query in the dataset's transaction as "ID:NAME" joined by blanks.
  String Rows(const String& sql) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    if (!TR->InTransaction()) TR->StartTransaction();
    q->ExecQuery();
    String rows;
    while (!q->Eof()) {
      rows += (rows.empty() ? "" : " ") + q->Fields(0)->GetAsString() + ":" + q->Fields(1)->GetAsString();
      q->FetchNext();
    }
    q->Free();
    return rows;
  }

  // A dataset whose modify and refresh statements are all generated for the given table and key.
  TpZAZDataSet* Generated(const String& select, const String& table, const String& keys) {
    auto* ds = NewDataSet(select);
    for (TStrings* s : {ds->UpdateSQL(), ds->InsertSQL(), ds->DeleteSQL(), ds->RefreshSQL()}) s->Clear();
    TAutoUpdateOptions* a = ds->AutoUpdateOptions();
    a->SetUpdateTableName(table);
    a->SetKeyFields(keys);
    a->SetAutoReWriteSqls(true);
    a->SetCanChangeSQLs(true);
    return ds;
  }
};

TEST_F(SqlRewriting, TableNameWithEmbeddedQuotesWorksInEveryGeneratedStatement) {
  TR->StartTransaction();
  Exec(R"(CREATE TABLE "Tab ""q"" 'x'" (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20)))");
  TR->Commit();
  TR->StartTransaction();
  Exec(R"(INSERT INTO "Tab ""q"" 'x'" (ID, NAME) VALUES (1, 'one'))");
  Exec(R"(INSERT INTO "Tab ""q"" 'x'" (ID, NAME) VALUES (2, 'two'))");
  const String table = R"("Tab ""q"" 'x'")";
  const String select = "SELECT ID, NAME FROM " + table + " ORDER BY ID";
  // Without key fields the primary key comes from the metadata lookup by the table's name.
  auto* ds = Generated(select, table, "");
  ds->Open();
  EXPECT_EQ(ds->AutoUpdateOptions()->KeyFields(), "ID");
  EXPECT_NE(ds->DeleteSQL()->Text().find(table), String::npos);

  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(3);
  ds->FieldByName("NAME")->SetAsString("three");
  ds->Post();
  ds->First();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("uno");
  ds->Post();
  ds->Next();
  ds->Delete();
  EXPECT_EQ(Rows("SELECT ID, NAME FROM " + table + " ORDER BY ID"), "1:uno 3:three");

  Exec("UPDATE " + table + " SET NAME = 'server' WHERE ID = 1");
  ds->First();
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "server");
  ds->Close();
}

TEST_F(SqlRewriting, RefreshOfAUnionSelectReadsTheRowOfItsOwnBranch) {
  // A condition on the first branch only would let every row of the second one through: the refresh of
  // row 11 would read row 10, the first of them.
  TR->StartTransaction();
  Exec("CREATE TABLE T2 (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))");
  TR->Commit();
  TR->StartTransaction();
  Exec("INSERT INTO T2 (ID, NAME) VALUES (10, 'ten')");
  Exec("INSERT INTO T2 (ID, NAME) VALUES (11, 'eleven')");
  const String select = "SELECT ID, NAME FROM T WHERE ID <= 2 UNION SELECT ID, NAME FROM T2 ORDER BY 1";
  auto* ds = Generated(select, "T", "ID");
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->Last();
  ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), 11);
  Exec("UPDATE T2 SET NAME = 'changed' WHERE ID = 11");
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 11);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed");
  ds->First();
  Exec("UPDATE T SET NAME = 'first' WHERE ID = 1");
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "first");
  ds->Close();
}

TEST_F(SqlRewriting, RecordCountCoversEveryBranchAndASelectEndingInAComment) {
  TR->StartTransaction();
  const struct {
    const char* select;
    int32_t count;
  } cases[] = {
      {"SELECT ID, NAME FROM T WHERE ID < 3 UNION ALL SELECT ID, NAME FROM T WHERE ID > 3", 4},
      {"SELECT ID, NAME FROM T WHERE ID > 1 -- only some", 4},
      {"SELECT DISTINCT QTY / 10, 'x' FROM T", 1},
  };
  for (const auto& c : cases) {
    auto* ds = NewDataSet(c.select);
    EXPECT_EQ(ds->AskServerRecordCount(), c.count) << c.select;
  }
}

TEST_F(SqlRewriting, RefreshStatementOfASelectEndingInALineCommentIsValid) {
  auto* ds = Generated("SELECT ID, NAME FROM T\r\nWHERE ID > 1 -- rows after the first", "T", "ID");
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), 4);
  Exec("UPDATE T SET NAME = 'again' WHERE ID = 2");
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "again");
  ds->Close();
}

}  // namespace
