#include <gtest/gtest.h>

#include "dbaccess/SqlTxtRtns.h"
#include "rtl/StringLists.h"

namespace {
struct Parser {
  TSQLParser* P;
  explicit Parser(const String& sql) : P(New<TSQLParser>(sql)) {}
  ~Parser() { P->Free(); }
  TSQLParser* operator->() const { return P; }
};

String WhereText(const String& sql, int32_t n) {
  int32_t wherePos = -7, endPos = -7;
  String text = "untouched";
  GetWhereClauseOfSQL(sql, n, wherePos, text, endPos);
  return text;
}
}  // namespace

TEST(SQLParser, StatementKinds) {
  struct Case {
    const char* sql;
    TSQLKind kind;
  } cases[] = {
      {"  (select * from t", sqkSelect},
      {"-- note\r\nselect 1 from rdb$database", sqkSelect},
      {"/* a */ SELECT 1 FROM T", sqkSelect},
      {"update t set a=1", sqkUpdate},
      {"insert into t values(1)", sqkInsert},
      {"delete from t", sqkDelete},
      {"execute procedure p", sqkExecProc},
      {"EXECUTE /* x */ PROCEDURE p(1)", sqkExecProc},
      {"execute block as begin end", sqkExecBlock},
      {"set generator g to 1", sqkDDL},
      {"create table t (a integer)", sqkDDL},
      {"recreate view v as select 1 from t", sqkDDL},
      {"commit", sqkUnknown},
      {"selected from t", sqkUnknown},
      {"- select 1 from t", sqkUnknown},
      {"/ x", sqkUnknown},
      {"", sqkUnknown},
  };
  for (const Case& c : cases) {
    Parser p(c.sql);
    EXPECT_EQ(p->SQLKind(), c.kind) << c.sql;
    EXPECT_EQ(p->IsDataStatement(), c.kind != sqkUnknown && c.kind != sqkDDL) << c.sql;
  }
}

TEST(SQLParser, MainTable) {
  struct Case {
    const char* sql;
    const char* table;
  } cases[] = {
      {"UPDATE T1 A SET X=1", "T1 A"},
      {"UPDATE T1 SET X=1", "T1"},
      {"DELETE FROM T WHERE ID=1", "T"},
      {"DELETE FROM T X WHERE X.ID=1", "T X"},
      {"INSERT INTO T(A) VALUES(1)", "T"},
      {"INSERT T VALUES(1)", "Unknown"},
      {"UPDATE \"My Table\" SET X=1", "\"My Table\""},
      {"SELECT * FROM T", ""},
  };
  for (const Case& c : cases) {
    Parser p(c.sql);
    EXPECT_EQ(p->MainTable(), c.table) << c.sql;
  }
  EXPECT_EQ(MainTableFromSQL("update orders o set x=1"), "ORDERS");
  EXPECT_EQ(MainTableFromSQL("update \"Orders\" set x=1"), "Orders");
  EXPECT_EQ(MainTableFromSQL("update \"Orders\" set x=1", true), "\"Orders\"");
}

TEST(SQLParser, WhereCountsIgnoreQuotesAndComments) {
  struct Case {
    const char* sql;
    int32_t count;
    int32_t mainIndex;
  } cases[] = {
      {"SELECT 'WHERE' FROM T", 0, -1},
      {"SELECT \"WHERE\" FROM T", 0, -1},
      {"SELECT A FROM T /* WHERE X=1 */", 0, -1},
      {"SELECT A FROM T -- WHERE X=1\r\nWHERE B=2", 1, 1},
      {"SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE C=1)", 2, 1},
      {"SELECT * FROM T T1 JOIN (SELECT B FROM U WHERE C=1) T2 ON 1=1 WHERE T1.A=2", 2, 2},
      {"SELECT A FROM SOMEWHERE", 0, -1},
      {"/* a where b */ SELECT A FROM T", 0, -1},
      {"-- where\r\nSELECT A FROM T WHERE B=1", 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WhereCountOfSQL(c.sql), c.count) << c.sql;
    EXPECT_EQ(MainWhereIndexOfSQL(c.sql), c.mainIndex) << c.sql;
  }
}

// The one scanner of quotes and comments: where each piece ends, doubled quotes and unclosed pieces.
TEST(SQLLexer, Pieces) {
  struct Case {
    const char* text;
    const char* pieces;  // one letter a piece: c code, s string, q quoted name, b block, l line; ! unclosed
  } cases[] = {
      {"a'b''c'd", "csc"},
      {"\"Tab \"\"q\"\" 'x'\"", "q"},
      {"x--y\r\nz", "clccc"},
      {"x--y\nz", "clcc"},
      {"--end", "l"},
      {"/*a*/b", "bc"},
      {"/*/ x", "b!"},
      {"'open", "s!"},
      {"\"open\"\"", "q!"},
      {"-/", "cc"},
  };
  for (const Case& c : cases) {
    const String text = c.text;
    TSQLLexer lexer(text);
    TSQLPiece piece;
    String kinds;
    size_t at = 0;
    while (lexer.Next(piece)) {
      EXPECT_EQ(piece.Start, at) << c.text;
      at = piece.End;
      kinds += "csqbl"[piece.Kind];
      if (!piece.Closed) kinds += '!';
    }
    EXPECT_EQ(at, text.size()) << c.text;
    EXPECT_EQ(kinds, c.pieces) << c.text;
  }
}

TEST(SQLParser, WhereClauses) {
  const String nested = "SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE C=1)";
  EXPECT_EQ(WhereText(nested, 2), "C=1");
  EXPECT_EQ(WhereText(nested, 1), "A IN (SELECT B FROM U WHERE C=1)");
  EXPECT_EQ(WhereText("SELECT * FROM T WHERE B=2 ORDER BY C", 1), "B=2");
  EXPECT_EQ(WhereText("SELECT * FROM T WHERE B=2\r\n  GROUP BY C", 1), "B=2");
  EXPECT_EQ(WhereText("SELECT * FROM T WHERE B=2;\r\n", 1), "B=2");
  EXPECT_EQ(WhereText("SELECT * FROM T", 1), "untouched");  // absent: outputs left alone
  EXPECT_EQ(WhereText("SELECT * FROM T WHERE A=1", -1), "");
}

TEST(SQLParser, SetWhereClauseKeepsLayout) {
  Parser p("SELECT *\r\nFROM T\r\nWHERE A=1\r\nORDER BY B");
  EXPECT_EQ(p->SetWhereClause(1, "A=2"), "SELECT *\r\nFROM T\r\nWHERE A=2\r\nORDER BY B");
  EXPECT_EQ(p->SetWhereClause(1, " "), "SELECT *\r\nFROM T\r\n\r\n\r\nORDER BY B");
  Parser q("SELECT * FROM T WHERE A=1 ORDER BY B");
  EXPECT_EQ(q->SetWhereClause(1, "X=1"), "SELECT * FROM T \r\nWHERE X=1\r\n ORDER BY B");
  EXPECT_EQ(q->SetWhereClause(2, "X=1"), "SELECT * FROM T WHERE A=1 ORDER BY B");
  Parser r("SELECT * FROM T ORDER BY B");
  EXPECT_EQ(r->SetMainWhereClause("X=1"), "SELECT * FROM T \r\n WHERE X=1\r\nORDER BY B");
}

TEST(SQLParser, AddMainWhereCondition) {
  struct Case {
    const char* sql;
    bool newLine;
    const char* result;
  } cases[] = {
      {"SELECT * FROM T WHERE B=2 ORDER BY C", false, "SELECT * FROM T WHERE(  B=2 ) and ( A=1 ) ORDER BY C"},
      {"SELECT * FROM T", false, "SELECT * FROM T\r\n WHERE A=1\r\n"},
      {"SELECT * FROM T", true, "SELECT * FROM T\r\n WHERE \r\n    A=1\r\n"},
      {"SELECT * FROM T WHERE B=2", true, "SELECT * FROM T WHERE(  B=2\r\n     ) and ( A=1 )\r\n    "},
      {"SELECT * FROM T GROUP BY X", false, "SELECT * FROM T \r\n WHERE A=1\r\nGROUP BY X"},
      {"SELECT * FROM T WHERE 'ORDER'=B", false, "SELECT * FROM T WHERE(  'ORDER'=B ) and ( A=1 )"},
      // A comment after the condition stays after the added one, never around it.
      {"SELECT * FROM T WHERE B=2 -- note", false, "SELECT * FROM T WHERE(  B=2 ) and ( A=1 ) -- note"},
      {"SELECT * FROM T\r\nWHERE B=2\r\n-- note", false, "SELECT * FROM T\r\nWHERE(  B=2 ) and ( A=1 )\r\n-- note"},
      {"SELECT * FROM T WHERE B=2 /* x */ ORDER BY C", false,
       "SELECT * FROM T WHERE(  B=2 ) and ( A=1 ) /* x */ ORDER BY C"},
      {"SELECT * FROM T WHERE -- c\r\n B=-2", false, "SELECT * FROM T WHERE(  -- c\r\n B=-2 ) and ( A=1 )"},
      {"SELECT * FROM T -- note", false, "SELECT * FROM T -- note\r\n WHERE A=1\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddToWhereClause(c.sql, "A=1", c.newLine), c.result) << c.sql;
  EXPECT_EQ(AddToWhereClause("SELECT * FROM T", "  "), "SELECT * FROM T");
}

TEST(SQLParser, FromClauseRange) {
  struct Case {
    const char* sql;
    int32_t from;
    int32_t end;
  } cases[] = {
      {"SELECT A FROM T WHERE B=1", 10, 16},
      {"SELECT A FROM T", 10, 15},
      {"SELECT (SELECT X FROM U) FROM T\r\nGROUP BY A", 26, 33},
      {"SELECT EXTRACT(YEAR FROM D) FROM T", 29, 34},
      {"SELECT 1 FROM RDB$DATABASE UNION SELECT 2 FROM RDB$DATABASE", 10, 27},
      {"SELECT 1", 0, 0},
  };
  for (const Case& c : cases) {
    Parser p(c.sql);
    int32_t from = -1, end = -1;
    p->FromClauseRange(from, end);
    EXPECT_EQ(from, c.from) << c.sql;
    EXPECT_EQ(end, c.end) << c.sql;
  }
}

TEST(SQLParser, CountSQL) {
  EXPECT_EQ(MakeRecordCountSQL("SELECT A FROM T WHERE B=1 ORDER BY A"), "Select Count(*) FROM T \r\n WHERE B=1");
  EXPECT_EQ(MakeRecordCountSQL("SELECT A FROM T"), "Select Count(*) FROM T");
  EXPECT_EQ(MakeRecordCountSQL("SELECT A FROM T PLAN (T NATURAL)"), "Select Count(*) FROM T ");
  EXPECT_EQ(MakeRecordCountSQL("UPDATE T SET A=1"), "");
  EXPECT_EQ(MakeRecordCountSQL("SELECT 1"), "");
  // Counting FROM and WHERE would count the rows before grouping, DISTINCT or a cut: no such count.
  for (const char* select : {"SELECT A, COUNT(*) FROM T GROUP BY A", "SELECT DISTINCT A FROM T",
                             "select distinct A from T where B = 1", "SELECT FIRST 5 A FROM T", "SELECT SKIP 2 A FROM T",
                             "SELECT A FROM T ROWS 3", "SELECT A FROM T UNION SELECT B FROM U"})
    EXPECT_EQ(MakeRecordCountSQL(select), "") << select;
  // Inside a subquery they change nothing.
  EXPECT_EQ(MakeRecordCountSQL("SELECT A FROM T WHERE B IN (SELECT DISTINCT B FROM U GROUP BY B)"),
            "Select Count(*) FROM T \r\n WHERE B IN (SELECT DISTINCT B FROM U GROUP BY B)");
}

TEST(SQLParser, OrderClause) {
  Parser p("SELECT A FROM T ORDER BY A");
  EXPECT_EQ(p->GetOrderClause(), " A");
  EXPECT_EQ(p->SetOrderClause(""), "SELECT A FROM T ");
  EXPECT_EQ(p->SetOrderClause("B DESC"), "SELECT A FROM T \r\nORDER BY B DESC");
  Parser q("SELECT A FROM T\r\nORDER BY A");
  EXPECT_EQ(q->SetOrderClause("B"), "SELECT A FROM T\r\nORDER BY B");
  Parser r("SELECT A FROM T  ");
  EXPECT_EQ(r->SetOrderClause("B"), "SELECT A FROM T\r\nORDER BY B");
  EXPECT_EQ(r->SetOrderClause(" "), "SELECT A FROM T  ");
  Parser s("SELECT A FROM (SELECT A FROM U ORDER BY A) ");
  EXPECT_EQ(s->GetOrderClause(), "");
}

TEST(SQLParser, PlanClause) {
  Parser p("SELECT A FROM T PLAN (T NATURAL) ORDER BY A");
  EXPECT_EQ(p->MainPlanIndex(), 1);
  int32_t start = 0, end = 0;
  String text;
  p->PlanClause(1, start, text, end);
  EXPECT_EQ(text, "(T NATURAL)");
  EXPECT_EQ(p->SetPlanClause("(T INDEX (PK_T))"), "SELECT A FROM T PLAN (T INDEX (PK_T)) ORDER BY A");
  EXPECT_EQ(p->SetPlanClause(""), "SELECT A FROM T  ORDER BY A");

  Parser q("SELECT A FROM T ORDER BY A");
  EXPECT_EQ(q->MainPlanIndex(), -1);
  EXPECT_EQ(q->SetPlanClause("(T NATURAL)"), "SELECT A FROM T \r\nPLAN (T NATURAL)\r\nORDER BY A");
  EXPECT_EQ(q->SetPlanClause(""), "SELECT A FROM T ORDER BY A");
  Parser r("SELECT A FROM T\r\n");
  EXPECT_EQ(r->SetPlanClause("(T NATURAL)"), "SELECT A FROM T\r\nPLAN (T NATURAL)");
  Parser s("SELECT A FROM T PLAN (T NATURAL)");
  EXPECT_EQ(s->SetPlanClause(""), "SELECT A FROM T ");
  Parser u("SELECT A FROM T WHERE 'PLAN'=A");
  EXPECT_EQ(u->MainPlanIndex(), -1);
}

TEST(SQLParser, OperationsDoNotDisturbEachOther) {
  Parser p("SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE C=1) ORDER BY A");
  int32_t wherePos = 0, endPos = 0;
  String text;
  p->WhereClause(2, wherePos, text, endPos);
  EXPECT_EQ(text, "C=1");
  EXPECT_EQ(p->GetOrderClause(), " A");
  EXPECT_EQ(p->WhereCount(), 2);
  p->WhereClause(2, wherePos, text, endPos);
  EXPECT_EQ(text, "C=1");
  EXPECT_EQ(p->MainWhereIndex(), 1);
}

TEST(SQLParser, TablesOfSelect) {
  struct Case {
    const char* sql;
    bool keep;
    const char* tables;  // comma-joined
  } cases[] = {
      {"select * from orders o, customers c where o.c=c.id", false, "ORDERS O|CUSTOMERS C"},
      {"select * from orders o left join customers c on o.c=c.id join items i on i.o=o.id", false,
       "ORDERS O|CUSTOMERS C|ITEMS I"},
      {"select * from orders o\r\n  inner join /* x */ customers c on o.c = c.id\r\nwhere 1=1", false,
       "ORDERS O|CUSTOMERS C"},
      {"select * from \"Orders\" o, t", false, "\"Orders\" O|T"},
      {"select * from proc(1, 2) p, t", true, "PROC P|T"},
      {"select * from proc(1, 2) p, t", false, "T"},
      {"select * from t, (select 1 from u) x", false, "T"},
      {"select * from t as a", false, "T AS A"},
  };
  for (const Case& c : cases) {
    Parser p(c.sql);
    p->TablesOfSelect(c.keep);
    String joined;
    TStringList* list = p->TableList();
    for (int32_t i = 0; i < list->Count(); ++i) joined += (i ? "|" : "") + list->Strings(i);
    EXPECT_EQ(joined, c.tables) << c.sql;
  }
  Parser u("update t set a=1");
  EXPECT_EQ(u->Tables(false)->Text(), "t\r\n");
}

TEST(SQLParser, FreeHelpers) {
  EXPECT_EQ(SQLWordPos("where", "select 'x' from t WHERE a=1"), 19);
  EXPECT_EQ(SQLWordPos("WHERE", "select a from somewhere"), 0);
  EXPECT_EQ(StripComments("a /* x */b -- c\r\nd '/* q */' \"--\""), "a b \r\nd '/* q */' \"--\"");
  // A comment separates words; a line comment also ends at a bare LF.
  EXPECT_EQ(StripComments("select/**/x -- a\nfrom t"), "select x \nfrom t");
  EXPECT_TRUE(IsWhereAt(" WHERE A", 2));
  EXPECT_FALSE(IsWhereAt("WHERE A", 1));
  EXPECT_TRUE(IsWhereClauseEnd("A=1 ORDER BY", 5));
  EXPECT_FALSE(IsWhereClauseEnd("A=1 ORDERS", 5));
  String def = "keep", name;
  SplitParamDefault("P%10", ':', def, name);
  EXPECT_EQ(name, ":P");
  EXPECT_EQ(def, "10");
  def = "keep";
  SplitParamDefault(":Q", ':', def, name);
  EXPECT_EQ(name, ":Q");
  EXPECT_EQ(def, "keep");
}

TEST(SQLNames, IdentifiersEqual) {
  EXPECT_TRUE(IdentifiersEqual("name", "NAME"));
  EXPECT_FALSE(IdentifiersEqual("\"Name\"", "NAME"));
  EXPECT_TRUE(IdentifiersEqual("\"NAME\"", "NAME"));
  EXPECT_TRUE(IdentifiersEqual("name", "\"NAME\""));
  EXPECT_TRUE(IdentifiersEqual("", "X"));
}

TEST(SQLNames, AliasesOfItems) {
  EXPECT_EQ(AliasOfRef("ORDERS AS O"), "O");
  EXPECT_EQ(AliasOfRef("ORDERS ASSETS"), "ASSETS");
  EXPECT_EQ(AliasOfRef("ORDERS"), "ORDERS");
  EXPECT_EQ(TableNameOfRef("ORDERS AS O"), "ORDERS");
  EXPECT_EQ(TableNameOfRef("\"My Orders\" O"), "\"My Orders\"");
  EXPECT_EQ(AliasPosition("T"), 0);
  EXPECT_EQ(QualifiedFieldName("", "id"), "\"id\"");
  EXPECT_EQ(QualifiedFieldName("T", "ID"), "T.ID");
}

TEST(SQLNames, TablesAndAliasesOfSelect) {
  const String sql = "SELECT * FROM ORDERS O, CUSTOMERS C";
  EXPECT_EQ(TableNameByAlias(sql, "C"), "CUSTOMERS");
  EXPECT_EQ(TableNameByAlias(sql, "CUSTOMERS"), "CUSTOMERS");
  EXPECT_EQ(TableNameByAlias(sql, "X"), "");
  EXPECT_EQ(AliasOfTable(sql, "customers"), "C");
  EXPECT_EQ(AliasOfTable(sql, "ITEMS"), "ITEMS");
  EXPECT_EQ(ExpandFieldAlias("SELECT * FROM orders o", "o.id"), "ORDERS.ID");
  EXPECT_EQ(ExpandFieldAlias("SELECT * FROM orders o", "x.id"), "x.id");
  EXPECT_EQ(ExpandFieldAlias("SELECT * FROM orders o", "id"), "id");
  TStringList* list = New<TStringList>();
  ListSelectTables(sql, list, true, false);
  EXPECT_EQ(list->Text(), "ORDERS\r\nCUSTOMERS\r\n");
  ListTablesOfSQL("delete from t x where x.a=1", list, true, true);
  EXPECT_EQ(list->Text(), "t x\r\n");
  list->Free();
}

TEST(SQLNames, OrderByToVariantArray) {
  const Variant a = OrderByToVariantArray("SELECT * FROM T ORDER BY a.x DESC, y NULLS FIRST");
  ASSERT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayHighBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 2), 2);
  EXPECT_EQ(VarArrayGet(a, {0, 0}).AsString(), "A.X");
  EXPECT_FALSE(VarArrayGet(a, {0, 1}).AsBoolean());
  EXPECT_FALSE(VarArrayGet(a, {0, 2}).AsBoolean());
  EXPECT_EQ(VarArrayGet(a, {1, 0}).AsString(), "y");
  EXPECT_TRUE(VarArrayGet(a, {1, 1}).AsBoolean());
  EXPECT_TRUE(VarArrayGet(a, {1, 2}).AsBoolean());
  const Variant b = OrderByToVariantArray("SELECT * FROM T ORDER BY NAME COLLATE PXW_CYRL ASC NULLS LAST");
  EXPECT_EQ(VarArrayGet(b, {0, 0}).AsString(), "NAME");
  EXPECT_TRUE(VarArrayGet(b, {0, 1}).AsBoolean());
  EXPECT_FALSE(VarArrayGet(b, {0, 2}).AsBoolean());
  EXPECT_TRUE(VarIsNull(OrderByToVariantArray("SELECT * FROM T")));
}

TEST(SQLNames, ReverseOrderBy) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"A, B DESC", "A desc,B"},
      {"A COLLATE PXW_CYRL", "A COLLATE PXW_CYRL desc"},
      {"A ASC", "A desc"},
      {"A DESCENDING, B ASCENDING", "A,B desc"},
      {"\"a b\" desc", "\"a b\""},
      {"A NULLS FIRST", "A desc"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ReverseOrderBy(c.in), c.out) << c.in;
}

TEST(SQLNames, FieldNameByParam) {
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ID=:ID", "ID"), "ID");
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE T.ID = :id AND X>:LO", "LO"), "X");
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE T.ID = :id", "id"), "T.ID");
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ID=:ID", "IDX"), "");
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ID=?ID", "ID"), "ID");
  EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE U.C=:P)", "P"), "U.C");
}
