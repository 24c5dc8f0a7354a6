#include <gtest/gtest.h>

#include <cmath>

#include "FIBDatabaseTest.h"
#include "dbaccess/FIBConditions.h"
#include "dbaccess/FIBDecimals.h"
#include "dbaccess/StrUtil.h"
#include "dbaccess/ZAZQuery.h"
#include "rtl/DateTime.h"
#include "rtl/SysUtils.h"

namespace {

// One connection per dialect with a table of every column type.
class QueryTest : public scratch::DatabaseTest, public ::testing::WithParamInterface<int> {
protected:
  Owned Own;

  void SetUp() override {
    const int dialect = GetParam();
    OpenScratch("q.fdb", dialect);
    const String bigint = dialect == 3 ? "BIGINT" : "NUMERIC(9,0)";
    const String times = dialect == 3 ? "DT DATE, TM TIME, " : "DT DATE, ";
    ExecSQL(DB, TR,
            "CREATE TABLE ALLT (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, BI " + bigint +
                ", N2 NUMERIC(18,2), N4 NUMERIC(9,4), D DOUBLE PRECISION, F FLOAT, " + times +
                "TS TIMESTAMP, VC VARCHAR(40), CH CHAR(10), BL BLOB SUB_TYPE TEXT, BB BLOB" +
                (dialect == 3 ? ", B BOOLEAN" : "") + ")");
    TR->Commit();
    TR->StartTransaction();
  }

  TFIBQuery* NewQuery(const String& sql) { return scratch::DatabaseTest::NewQuery(sql, "Q1"); }
  bool D3() const { return GetParam() == 3; }
};

TEST_P(QueryTest, EveryTypeWrittenThroughParametersAndReadBack) {
  TFIBQuery* ins = NewQuery(
      D3() ? "insert into ALLT (ID, S, I, BI, N2, N4, D, F, DT, TM, TS, VC, CH, BL, BB, B) values "
             "(:ID, :S, :I, :BI, :N2, :N4, :D, :F, :DT, :TM, :TS, :VC, :CH, :BL, :BB, :B)"
           : "insert into ALLT (ID, S, I, BI, N2, N4, D, F, DT, TS, VC, CH, BL, BB) values "
             "(:ID, :S, :I, :BI, :N2, :N4, :D, :F, :DT, :TS, :VC, :CH, :BL, :BB)");
  const TDateTime ts = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250);
  ins->ParamByName("ID")->SetAsInteger(1);
  ins->ParamByName("S")->SetAsShort(-7);
  ins->ParamByName("I")->SetAsInteger(2000000000);
  ins->ParamByName("BI")->SetAsInt64(D3() ? 9000000000000000001LL : 123456789);
  ins->ParamByName("N2")->SetAsCurrency(Currency::FromScaled(-15500));  // -1.55
  TBcd bcd;
  ScaledInt64ToBcd(4, bcd, 12345678);  // 1234.5678
  ins->ParamByName("N4")->SetAsBcd(bcd);
  ins->ParamByName("D")->SetAsDouble(2.5e10);
  ins->Prepare();  // the server's type decides how the text of a number is sent
  ins->ParamByName("F")->SetAsString("1,5");
  ins->ParamByName("DT")->SetAsDate(ts);
  if (D3()) ins->ParamByName("TM")->SetAsTime(0.5);
  ins->ParamByName("TS")->SetAsDateTime(ts);
  ins->ParamByName("VC")->SetAsString("Привет, мир");
  ins->ParamByName("CH")->SetAsString("абв");
  ins->ParamByName("BL")->SetAsString("Текст блоба");
  ins->ParamByName("BB")->SetAsString(String(40000, 'x'));
  if (D3()) ins->ParamByName("B")->SetAsBoolean(true);
  ins->ExecQuery();
  EXPECT_EQ(ins->GetRowsAffected(), 1);
  EXPECT_EQ(ins->SQLType(), SQLInsert);

  // A second row of NULLs through a variant.
  ins->ParamByName("ID")->SetAsVariant(Variant(2));
  for (const char* n : {"S", "I", "BI", "N2", "N4", "D", "F", "DT", "TS", "VC", "CH", "BL", "BB"})
    ins->ParamByName(n)->SetAsVariant(Null());
  if (D3()) {
    ins->ParamByName("TM")->SetIsNull(true);
    ins->ParamByName("B")->SetAsVariant(Null());
  }
  ins->ExecQuery();

  TFIBQuery* sel = NewQuery("select * from ALLT order by ID");
  sel->ExecQuery();
  ASSERT_FALSE(sel->Eof());
  EXPECT_EQ(sel->RecordCount(), 1);
  EXPECT_EQ(sel->FieldByName("S")->GetAsInteger(), -7);
  EXPECT_EQ(sel->FieldByName("I")->GetAsInt64(), 2000000000);
  EXPECT_EQ(sel->FieldByName("BI")->GetAsInt64(), D3() ? 9000000000000000001LL : 123456789);
  TFIBXSQLVAR* n2 = sel->FieldByName("N2");
  EXPECT_EQ(n2->GetAsInt64(), -1);
  EXPECT_EQ(n2->GetAsInteger(), -1);
  EXPECT_DOUBLE_EQ(n2->GetAsDouble(), -1.55);
  EXPECT_EQ(n2->GetAsCurrency().Value, -15500);
  EXPECT_EQ(n2->GetAsString(), ScaledInt64ToStr(2, -155));
  if (D3()) {
    EXPECT_EQ(n2->GetSQLType(), SQLTypeInt64);
    EXPECT_EQ(n2->GetSQLScale(), -2);
    EXPECT_EQ(BcdToStrDot(sel->FieldByName("N4")->GetAsBcd()), "1234.5678");
  }
  EXPECT_NEAR(sel->FieldByName("N4")->GetAsDouble(), 1234.5678, 1e-9);
  EXPECT_DOUBLE_EQ(sel->FieldByName("D")->GetAsDouble(), 2.5e10);
  EXPECT_FLOAT_EQ(sel->FieldByName("F")->GetAsFloat(), 1.5f);
  EXPECT_DOUBLE_EQ(sel->FieldByName("DT")->GetAsDateTime(), D3() ? std::trunc(ts) : std::trunc(ts));
  EXPECT_NEAR(sel->FieldByName("TS")->GetAsDateTime(), ts, 1e-8);
  if (D3()) {
    EXPECT_DOUBLE_EQ(sel->FieldByName("TM")->GetAsDateTime(), 0.5);
  }
  EXPECT_EQ(sel->FieldByName("VC")->GetAsString(), "Привет, мир");
  EXPECT_EQ(sel->FieldByName("CH")->GetAsString().substr(0, 6), "абв");
  EXPECT_EQ(sel->FieldByName("BL")->GetAsString(), "Текст блоба");
  EXPECT_EQ(sel->FieldByName("BB")->GetAsString(), String(40000, 'x'));
  EXPECT_EQ(VarToStr(sel->FieldByName("VC")->GetAsVariant()), "Привет, мир");
  if (D3()) {
    TFIBXSQLVAR* b = sel->FieldByName("B");
    EXPECT_TRUE(b->GetSQLType() == SQLTypeBoolean64 || b->GetSQLType() == SQLTypeBoolean);
    EXPECT_TRUE(b->GetAsBoolean());
    EXPECT_EQ(b->GetAsString(), "True");
    EXPECT_TRUE(b->GetAsVariant().AsBoolean());
  }
  const fbapi::ISC_QUAD blobId = sel->FieldByName("BL")->GetAsQuad();
  EXPECT_TRUE(blobId.gds_quad_high != 0 || blobId.gds_quad_low != 0);

  ASSERT_NE(sel->FetchNext(), nullptr);
  for (int32_t i = 1; i < sel->GetFieldCount(); ++i) {
    TFIBXSQLVAR* v = sel->GetFieldByIndex(i);
    EXPECT_TRUE(v->GetIsNull()) << v->Name();
    EXPECT_TRUE(VarIsNull(v->GetAsVariant())) << v->Name();
    EXPECT_EQ(v->GetAsString(), "") << v->Name();
  }
  EXPECT_EQ(sel->FetchNext(), nullptr);
  EXPECT_TRUE(sel->Eof());
  EXPECT_EQ(sel->FetchNext(), nullptr);
  EXPECT_EQ(sel->RecordCount(), 2);
}

TEST_P(QueryTest, BlobIdentifiersCopiedBetweenRows) {
  TFIBQuery* ins = NewQuery("insert into ALLT (ID, BL) values (:ID, :BL)");
  ins->ParamByName("ID")->SetAsInteger(1);
  ins->ParamByName("BL")->SetAsString("первый");
  ins->ExecQuery();
  TFIBQuery* sel = NewQuery("select BL from ALLT where ID = 1");
  sel->ExecQuery();
  const fbapi::ISC_QUAD id = sel->FieldByName("BL")->GetAsQuad();
  sel->CloseCursor();
  ins->ParamByName("ID")->SetAsInteger(2);
  ins->ParamByName("BL")->SetAsQuad(id);
  ins->ExecQuery();
  TFIBQuery* check = NewQuery("select BL from ALLT where ID = 2");
  check->ExecQuery();
  EXPECT_EQ(check->FieldByName("BL")->GetAsString(), "первый");
}

TEST_P(QueryTest, FirstRowOnExecuteAndNullsBeforeFetch) {
  ExecSQL(DB, TR, "insert into ALLT (ID, I) values (1, 10)");
  ExecSQL(DB, TR, "insert into ALLT (ID, I) values (2, 20)");
  TFIBQuery* q = NewQuery("select I from ALLT order by ID");
  q->ExecQuery();
  EXPECT_EQ(q->RecordCount(), 1);
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 10);
  q->CloseCursor();
  q->SetGoToFirstRecordOnExecute(false);
  q->ExecQuery();
  EXPECT_TRUE(q->Fields(0)->GetIsNull());
  EXPECT_EQ(q->RecordCount(), 0);
  ASSERT_NE(q->FetchNext(), nullptr);
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 10);
}

TEST_P(QueryTest, NamedParametersRepeatedAndNullRewrites) {
  ExecSQL(DB, TR, "insert into ALLT (ID, I, S) values (1, 5, 5)");
  ExecSQL(DB, TR, "insert into ALLT (ID, I, S) values (2, NULL, NULL)");
  ExecSQL(DB, TR, "insert into ALLT (ID, I, S) values (3, 7, 5)");
  TFIBQuery* q = NewQuery("select ID from ALLT where I = :A and S = :A order by ID");
  ASSERT_EQ(q->Params()->Count(), 2);
  EXPECT_EQ(q->Params()->GetVar(0)->Name(), "A");
  EXPECT_EQ(q->Params()->GetVar(1)->Name(), "A");
  q->Params()->GetVar(1)->SetAsInteger(5);
  EXPECT_EQ(q->Params()->GetVar(0)->GetAsInteger(), 5);
  q->ExecQuery();
  EXPECT_EQ(q->FieldByName("ID")->GetAsInteger(), 1);
  EXPECT_EQ(q->FetchNext(), nullptr);

  TFIBQuery* n = NewQuery("select ID from ALLT where I = :p order by ID");
  n->ParamByName("p")->SetIsNull(true);
  n->ExecQuery();
  EXPECT_NE(n->ExecText().find(" IS NULL "), String::npos);
  EXPECT_EQ(n->FieldByName("ID")->GetAsInteger(), 2);
  n->CloseCursor();
  n->ParamByName("p")->SetAsInteger(7);
  n->ExecQuery();
  EXPECT_EQ(n->FieldByName("ID")->GetAsInteger(), 3);

  struct Case {
    const char* sql;
    const char* expected;  // part of the text sent; empty: not rewritten
  } cases[] = {
      {"select ID from ALLT where I <> :p", " IS NOT NULL "},
      {"select ID from ALLT where I != :p", " IS NOT NULL "},
      {"select ID from ALLT where I >= :p", ""},
      {"select ID from ALLT where I = :p + 1", ""},
      {"select ID from ALLT where I = (:p)", " IS NULL "},
      {"select ID from ALLT where (I = (:p)) or ID = 1", " IS NULL "},
  };
  for (const Case& c : cases) {
    TFIBQuery* r = NewQuery(c.sql);
    r->ParamByName("P")->SetIsNull(true);
    r->Prepare();
    if (*c.expected) {
      EXPECT_NE(r->ExecText().find(c.expected), String::npos) << c.sql << " -> " << r->ExecText();
      EXPECT_EQ(r->ExecText().find(':'), String::npos) << r->ExecText();
    } else {
      EXPECT_EQ(r->ExecText().find("NULL"), String::npos) << c.sql << " -> " << r->ExecText();
    }
    r->ExecQuery();  // the server accepts the text
  }
  TFIBQuery* keep = NewQuery("select ID from ALLT where I = :p");
  keep->SetOptions(TpZAZQueryOptions{qoNoForceIsNull});
  keep->ParamByName("P")->SetIsNull(true);
  keep->ExecQuery();
  EXPECT_EQ(keep->ExecText().find("NULL"), String::npos);
  EXPECT_TRUE(keep->Eof());
}

TEST_P(QueryTest, MacrosReplaceTextAndPrepareAgain) {
  ExecSQL(DB, TR, "insert into ALLT (ID, I, VC) values (1, 5, 'it''s')");
  TFIBQuery* q = NewQuery("select @@cols%*@ from ALLT");
  ASSERT_EQ(q->Params()->Count(), 1);
  EXPECT_TRUE(q->Params()->GetVar(0)->IsMacro);
  q->ExecQuery();
  EXPECT_EQ(TrimStr(q->ExecText()), "select * from ALLT");
  EXPECT_GT(q->GetFieldCount(), 3);
  q->CloseCursor();
  q->ParamByName("COLS")->SetAsString("ID, I");
  q->ExecQuery();
  EXPECT_EQ(q->GetFieldCount(), 2);
  EXPECT_EQ(q->FieldByName("I")->GetAsInteger(), 5);

  TFIBQuery* quoted = NewQuery("select ID from ALLT where VC = @@v%#abc@");
  quoted->ExecQuery();
  EXPECT_NE(quoted->ExecText().find("'abc'"), String::npos);
  EXPECT_TRUE(quoted->Eof());
  quoted->CloseCursor();
  quoted->ParamByName("V")->SetAsString("it's");
  quoted->ExecQuery();
  EXPECT_NE(quoted->ExecText().find("'it''s'"), String::npos);
  EXPECT_EQ(quoted->FieldByName("ID")->GetAsInteger(), 1);
}

TEST_P(QueryTest, ValuesSurviveTextChangesAndQuotedNames) {
  TFIBQuery* q = NewQuery("select * from ALLT where ID = :a");
  q->ParamByName("A")->SetAsInteger(42);
  q->SQL()->SetText("select * from ALLT where ID = :a and I = :b");
  EXPECT_EQ(q->ParamByName("A")->GetAsInteger(), 42);
  EXPECT_TRUE(q->ParamByName("B")->GetIsNull());
  TFIBQuery* quoted = NewQuery("select * from ALLT where ID = :\"my Param\"");
  ASSERT_EQ(quoted->Params()->Count(), 1);
  EXPECT_EQ(quoted->Params()->GetVar(0)->Name(), "my Param");
  EXPECT_NE(quoted->FindParam("\"my Param\""), nullptr);
  TFIBQuery* minus = NewQuery("select ID from ALLT where I = 10 - :p");
  EXPECT_NE(minus->FindParam("P"), nullptr);
}

TEST_P(QueryTest, ScanErrors) {
  TFIBQuery* q = NewQuery("select 1 from RDB$DATABASE");
  struct Case {
    const char* sql;
    const char* message;
  } cases[] = {{"select * from ALLT where ID = :A and VC = 'abc", "EOF in string detected"},
               {"select * from ALLT where ID = :A /* where", "EOF in comment detected"},
               {"select * from ALLT where ID = ? ", "Parameter name expected"}};
  for (const Case& c : cases) {
    const String msg = RaisedMessage([&] { q->SQL()->SetText(c.sql); });
    EXPECT_NE(msg.find(c.message), String::npos) << c.sql << ": " << msg;
    EXPECT_NE(msg.find("SQL Parse Error in :Q1"), String::npos) << msg;
  }
}

TEST_P(QueryTest, ExecuteBlockBodyKeepsItsVariables) {
  TFIBQuery* q = NewQuery("execute block (x integer = :x) returns (y integer) as begin y = :x + 1; suspend; end");
  ASSERT_EQ(q->Params()->Count(), 1);
  q->ParamByName("X")->SetAsInteger(41);
  q->ExecQuery();
  EXPECT_EQ(q->FieldByName("Y")->GetAsInteger(), 42);
}

TEST_P(QueryTest, ExecuteProcedureOutputs) {
  ExecSQL(DB, TR, "create procedure P2 (A integer) returns (B integer, C varchar(10)) as begin B = A * 2; C = 'ок'; end");
  TR->Commit();
  TR->StartTransaction();
  TFIBQuery* q = NewQuery("execute procedure P2 :A");
  q->ParamByName("A")->SetAsInteger(21);
  q->ExecQuery();
  EXPECT_EQ(q->SQLType(), SQLExecProcedure);
  EXPECT_EQ(q->FieldByName("B")->GetAsInteger(), 42);
  EXPECT_EQ(q->ParamByName("C")->GetAsString(), "ок");
}

TEST_P(QueryTest, AliasesNamesPlanAndRowsAffected) {
  for (int i = 1; i <= 5; ++i) ExecSQL(DB, TR, "insert into ALLT (ID, I) values (" + IntToStr(i) + ", 1)");
  TFIBQuery* q = NewQuery("select a.ID as NAME, a.I as NAME, 1, 2, 3 from ALLT a where a.ID = 1");
  q->Prepare();
  ASSERT_EQ(q->GetFieldCount(), 5);
  EXPECT_EQ(q->Fields(0)->Name(), "NAME");
  EXPECT_EQ(q->Fields(1)->Name(), "NAME1");
  EXPECT_EQ(q->Fields(2)->Name().substr(0, 2), D3() ? "CO" : "CO");  // server alias of a constant
  EXPECT_NE(q->GetPlan().find("INDEX"), String::npos) << q->GetPlan();
  EXPECT_EQ(q->GetPlan().substr(0, 4), "PLAN");
  EXPECT_EQ(q->FieldRelationAlias(0), "A");
  EXPECT_NE(q->FieldByOrigin("ALLT", "I"), nullptr);
  EXPECT_THROW(q->FieldByName("MISSING"), EFIBClientError);
  TFIBQuery* u = NewQuery("update ALLT set I = 2 where ID > 2");
  u->ExecQuery();
  EXPECT_EQ(u->GetRowsAffected(), 3);
  TFIBQuery* d = NewQuery("delete from ALLT where ID = 1");
  d->ExecQuery();
  EXPECT_EQ(d->GetRowsAffected(), 1);
  EXPECT_EQ(NewQuery("update ALLT set I = 1")->GetMainTable(), "ALLT");
}

TEST_P(QueryTest, TextChangeWhileOpenRefusedAndCursorRules) {
  ExecSQL(DB, TR, "insert into ALLT (ID) values (1)");
  TFIBQuery* q = NewQuery("select ID from ALLT");
  q->ExecQuery();
  const String msg = RaisedMessage([&] { q->SQL()->SetText("select 2 from ALLT"); });
  EXPECT_NE(msg.find("Can't change sql text because Q1 dataset open."), String::npos) << msg;
  EXPECT_EQ(TrimStr(q->SQL()->Text()), "select ID from ALLT");
  TR->CommitRetaining();
  EXPECT_TRUE(q->Open());
  TR->Commit();
  EXPECT_FALSE(q->Open());
  TR->StartTransaction();
  const String fetchMsg = RaisedMessage([&] { q->FetchNext(); });
  EXPECT_NE(fetchMsg.find("Can't fetch next record because Q1 dataset closed."), String::npos) << fetchMsg;
  TFIBQuery* empty = NewQuery("  ");
  EXPECT_NE(RaisedMessage([&] { empty->Prepare(); }).find("Prepare"), String::npos);
}

TEST_P(QueryTest, FreeHandleAfterExecuteAndAutoCommit) {
  TFIBQuery* q = NewQuery("insert into ALLT (ID) values (:ID)");
  q->SetOptions(TpZAZQueryOptions{qoFreeHandleAfterExecute, qoAutoCommit});
  TR->SetTimeoutAction(TACommitRetaining);
  q->ParamByName("ID")->SetAsInteger(1);
  q->ExecQuery();
  EXPECT_FALSE(q->Prepared());
  EXPECT_TRUE(TR->Active());  // committed with retaining
  q->ParamByName("ID")->SetAsInteger(2);
  q->ExecQuery();
  TFIBQuery* c = NewQuery("select count(*) from ALLT");
  c->ExecQuery();
  EXPECT_EQ(c->Fields(0)->GetAsInteger(), 2);
}

TEST_P(QueryTest, SelectForUpdateGetsCursorName) {
  ExecSQL(DB, TR, "insert into ALLT (ID) values (1)");
  TFIBQuery* q = NewQuery("select ID from ALLT for update");
  q->ExecQuery();
  EXPECT_EQ(q->SQLType(), SQLSelectForUpdate);
  ASSERT_EQ(q->CursorName().size(), 10u);
  const String name = q->CursorName();
  q->CloseCursor();
  q->FreeHandle();
  q->Prepare();
  EXPECT_EQ(q->CursorName(), name);
}

TEST_P(QueryTest, DbKeyTextShorterThanTheKeyRefused) {
  ExecSQL(DB, TR, "insert into ALLT (ID, I) values (1, 9)");
  TFIBQuery* k = NewQuery("select RDB$DB_KEY from ALLT");
  k->ExecQuery();
  const String key = k->Fields(0)->GetAsString();
  ASSERT_EQ(key.size(), 8u);
  // An entry described as the key takes exactly the key's bytes; a shorter text is refused.
  TFIBXSQLVAR* column = k->Fields(0);
  ASSERT_EQ(column->GetSQLName(), "DB_KEY");
  EXPECT_THROW(column->SetAsString("abc"), EFIBClientError);
  column->SetAsString(key + "tail");
  EXPECT_EQ(column->GetSQLLen(), 8);
  EXPECT_EQ(column->GetAsString(), key);
  TFIBQuery* q = NewQuery("select I from ALLT where RDB$DB_KEY = :K");
  q->ParamByName("K")->SetAsString(key);
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 9);
}

TEST_P(QueryTest, EmptyTextByServerType) {
  TFIBQuery* ins = NewQuery("insert into ALLT (ID, I, DT, VC) values (1, :I, :DT, :VC)");
  ins->Prepare();
  ins->ParamByName("I")->SetAsString("");
  ins->ParamByName("DT")->SetAsString("");
  ins->ParamByName("VC")->SetAsString("");
  EXPECT_TRUE(ins->ParamByName("I")->GetIsNull());
  EXPECT_TRUE(ins->ParamByName("DT")->GetIsNull());
  EXPECT_FALSE(ins->ParamByName("VC")->GetIsNull());
  ins->ExecQuery();
  TFIBQuery* sel = NewQuery("select I, DT, VC from ALLT");
  sel->ExecQuery();
  EXPECT_TRUE(sel->Fields(0)->GetIsNull());
  EXPECT_TRUE(sel->Fields(1)->GetIsNull());
  EXPECT_FALSE(sel->Fields(2)->GetIsNull());
  EXPECT_EQ(sel->Fields(2)->GetAsString(), "");
}

TEST_P(QueryTest, StartsItsTransactionRunsDDLAndKeepsConditionsAcrossOrderChanges) {
  TR->Commit();
  TFIBQuery* ddl = NewQuery("create table EXTRA (K integer)");
  ddl->SetOptions(TpZAZQueryOptions{qoStartTransaction});
  ddl->ExecQuery();
  EXPECT_TRUE(TR->Active());
  EXPECT_EQ(ddl->SQLType(), SQLDDL);
  TR->Commit();
  TR->StartTransaction();
  ExecSQL(DB, TR, "insert into EXTRA (K) values (1)");
  ExecSQL(DB, TR, "insert into EXTRA (K) values (2)");
  ExecSQL(DB, TR, "insert into EXTRA (K) values (3)");
  TFIBQuery* q = NewQuery("select K from EXTRA where K > 0 or K < -5");
  q->Conditions()->AddCondition("SMALL", "K < 3", true);
  q->Conditions()->Apply();
  q->SetOrderClause("K desc");
  EXPECT_TRUE(q->Conditions()->Applied());
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 2);
  ASSERT_NE(q->FetchNext(), nullptr);
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 1);
  EXPECT_EQ(q->FetchNext(), nullptr);
  q->CloseCursor();
  q->Conditions()->CancelApply();
  EXPECT_NE(q->SQL()->Text().find("K desc"), String::npos);
  q->ExecQuery();
  EXPECT_EQ(q->Fields(0)->GetAsInteger(), 3);
}

TEST_P(QueryTest, ParametersFilledFromAnotherStatementsFields) {
  ExecSQL(DB, TR, "insert into ALLT (ID, I, VC) values (1, 7, 'семь')");
  TFIBQuery* src = NewQuery("select I, VC from ALLT");
  src->ExecQuery();
  TFIBQuery* dst = NewQuery("insert into ALLT (ID, I, VC) values (2, :NEW_I, :VC)");
  ISQLObject* target = dst;
  AssignSQLObjectParams(target, {static_cast<ISQLObject*>(src)});
  EXPECT_EQ(target->ParamCount(), 2);
  EXPECT_EQ(VarToStr(target->ParamValue("VC")), "семь");
  dst->ExecQuery();
  TFIBQuery* check = NewQuery("select I, VC from ALLT where ID = 2");
  check->ExecQuery();
  ISQLObject* result = check;
  EXPECT_EQ(result->FieldValue(0, false).AsInteger(), 7);
  EXPECT_EQ(VarToStr(result->FieldValue("VC", false)), "семь");
  int32_t index = -1;
  EXPECT_TRUE(result->FieldExist("VC", index));
  EXPECT_EQ(index, 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, QueryTest, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return "Dialect" + std::to_string(info.param); });

}  // namespace
