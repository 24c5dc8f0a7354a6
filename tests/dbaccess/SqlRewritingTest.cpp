// Conditions added to a user's select run on the server: comments after the WHERE clause, a WHERE on a
// line of its own, nested selects, quoted names holding quotes, and the counts built from a select.
#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "dbaccess/SqlTxtRtns.h"
#include "dbaccess/ZAZQuery.h"

namespace {

class SqlRewritingOnServer : public scratch::DatabaseTest {
protected:
  void SetUp() override {
    OpenScratch("w.fdb");
    Exec(kCreateTableT);
    Exec(R"(CREATE TABLE "Tab ""q"" 'x'" ("I""d" INTEGER NOT NULL PRIMARY KEY))");
    TR->Commit();
    TR->StartTransaction();
    for (int i = 1; i <= 5; ++i) {
      Exec("INSERT INTO T (ID, NAME) VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "')");
      Exec(R"(INSERT INTO "Tab ""q"" 'x'" ("I""d") VALUES ()" + std::to_string(i) + ")");
    }
  }

  // The first column of every row, joined by blanks.
  String Ids(const String& sql) {
    TFIBQuery* q = NewQuery(sql);
    q->ExecQuery();
    String ids;
    while (!q->Eof()) {
      ids += (ids.empty() ? "" : " ") + q->Fields(0)->GetAsString();
      q->FetchNext();
    }
    q->CloseCursor();
    return ids;
  }
};

TEST_F(SqlRewritingOnServer, AddedConditionGivesAValidStatementWithBothConditions) {
  const struct {
    const char* sql;
    const char* condition;
    const char* ids;
  } cases[] = {
      {"select ID from T where ID > 1 -- note", "ID < 5", "2 3 4"},
      {"select ID from T\r\nwhere ID > 1\r\n-- note", "ID < 5", "2 3 4"},
      {"select ID from T\r\nwhere\r\n  ID > 1 -- note\r\norder by ID desc", "ID < 5", "4 3 2"},
      {"select ID from T where ID > 1 /* ORDER BY */ order by ID", "ID < 4", "2 3"},
      {"select ID from T where -- first\r\n ID > -2 and ID <> 3", "ID < 5", "1 2 4"},
      {"select ID from T -- no condition yet", "ID = 2", "2"},
      {"select ID from T where ID in (select ID from T where ID > 3) order by 1", "ID < 5", "4"},
      {"select ID from T where NAME <> 'a -- b' order by 1", "ID >= 4", "4 5"},
      {R"(select "I""d" from "Tab ""q"" 'x'" where "I""d" > 2 -- q)", R"("I""d" < 5)", "3 4"},
  };
  for (const auto& c : cases) {
    const String sql = AddToWhereClause(c.sql, c.condition);
    EXPECT_EQ(Ids(sql), c.ids) << c.sql << "\n=> " << sql;
    const String onNewLine = AddToWhereClause(c.sql, c.condition, true);
    EXPECT_EQ(Ids(onNewLine), c.ids) << c.sql << "\n=> " << onNewLine;
  }
}

TEST_F(SqlRewritingOnServer, RecordCountStatementsCountTheRowsOfTheSelect) {
  const struct {
    const char* sql;
    const char* count;
  } cases[] = {
      {"select ID from T where ID > 1 -- note", "4"},
      {"select ID from T where ID > 1 order by ID", "4"},
      {"select ID, NAME from T\r\nwhere ID <> 2\r\n-- note", "4"},
  };
  for (const auto& c : cases) {
    const String sql = MakeRecordCountSQL(c.sql);
    EXPECT_EQ(Ids(sql), c.count) << c.sql << "\n=> " << sql;
  }
  // A UNION has no count statement of this form: refused rather than counting its first branch.
  EXPECT_EQ(MakeRecordCountSQL("select ID from T where ID < 2 union select ID from T where ID > 4"), "");
  EXPECT_TRUE(IsUnionSQL("select 1 from T union all select 2 from T"));
  EXPECT_FALSE(IsUnionSQL("select ID from T where ID in (select 1 from T union select 2 from T)"));
  EXPECT_FALSE(IsUnionSQL("select 'union' from T -- union"));
}

}  // namespace
