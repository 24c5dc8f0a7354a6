#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"

namespace {

class MetadataCache : public ::testing::Test {
protected:
  void SetUp() override {
    const String path = Dir.File("m.fdb");
    CreateDialectDatabase(path, 3);
    DB = Own(NewDatabase(path));
    TR = Own(NewTransaction(DB));
    DB->Open();
    TR->StartTransaction();
    ExecSQL(DB, TR, "CREATE DOMAIN D_BOOLEAN AS SMALLINT DEFAULT 0");
    ExecSQL(DB, TR,
            "CREATE TABLE \"Clients\" (A INTEGER NOT NULL, B INTEGER NOT NULL, NAME VARCHAR(20) DEFAULT 'abc', "
            "QTY INTEGER DEFAULT 0, NOTE VARCHAR(10) DEFAULT '', FLAG D_BOOLEAN, MEMO BLOB, "
            "TWICE COMPUTED BY (QTY * 2), PRIMARY KEY (A, B))");
    ExecSQL(DB, TR,
            "CREATE PROCEDURE P RETURNS (X INTEGER, Y VARCHAR(5)) AS BEGIN X = 1; Y = 'y'; SUSPEND; END");
    TR->Commit();
    Cache = Own(New<TpZAZTableInfoCollect>(nullptr));
  }
  TempDir Dir;
  Owned Own;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  TpZAZTableInfoCollect* Cache = nullptr;
};

TEST_F(MetadataCache, ColumnFactsDefaultsAndPrimaryKey) {
  TpZAZTableInfo* t = Cache->GetTableInfo(DB, "\"Clients\"", false);
  EXPECT_EQ(Cache->GetTableInfo(DB, "Clients", false), t);  // quotes do not make another entry
  ASSERT_EQ(t->FieldCount(), 8);
  EXPECT_EQ(t->FieldName(0), "A");
  struct {
    const char* column;
    const char* def;
    bool empty, computed, inWhere;
  } cases[] = {
      {"NAME", "abc", false, false, true}, {"QTY", "0", false, false, true},
      {"NOTE", "", true, false, true},     {"FLAG", "0", false, false, true},
      {"MEMO", "", true, false, false},    {"TWICE", "", true, true, true},
  };
  for (const auto& c : cases) {
    TpZAZFieldInfo* f = t->FindFieldInfo(c.column);
    ASSERT_NE(f, nullptr) << c.column;
    EXPECT_EQ(f->DefaultValue, c.def) << c.column;
    EXPECT_EQ(f->DefaultValueEmptyString, c.empty) << c.column;
    EXPECT_EQ(f->IsComputed, c.computed) << c.column;
    EXPECT_EQ(f->CanIncToWhereClause, c.inWhere) << c.column;
  }
  EXPECT_TRUE(t->FindFieldInfo("\"FLAG\"")->IsBoolean());
  EXPECT_FALSE(t->FindFieldInfo("QTY")->IsBoolean());
  EXPECT_EQ(t->GetPrimaryKeyFields(DB), "A;B");
  EXPECT_EQ(Cache->GetFieldInfo(DB, "Clients", false, "NOPE"), nullptr);
}

TEST_F(MetadataCache, ProcedureOutputsServeAsColumns) {
  TpZAZTableInfo* t = Cache->GetTableInfo(DB, "P", false);
  ASSERT_EQ(t->FieldCount(), 2);
  EXPECT_EQ(t->FieldName(0), "X");
  EXPECT_EQ(t->FieldName(1), "Y");
}

TEST_F(MetadataCache, FileRoundTripAndValidationAfterAChange) {
  Cache->GetTableInfo(DB, "Clients", false)->GetPrimaryKeyFields(DB);
  const String file = Dir.File("schema.cache");
  Cache->SaveToFile(file);
  ASSERT_TRUE(FileExists(file));

  auto* loaded = Own(New<TpZAZTableInfoCollect>(nullptr));
  ASSERT_TRUE(loaded->LoadFromFile(file));
  EXPECT_EQ(loaded->TableCount(), 1);
  loaded->SetValidateAfterLoad(true);
  TR->StartTransaction();
  ExecSQL(DB, TR, "ALTER TABLE \"Clients\" ADD EXTRA INTEGER");
  TR->Commit();
  TpZAZTableInfo* t = loaded->GetTableInfo(DB, "Clients", false);
  EXPECT_FALSE(t->NeedsValidation());
  EXPECT_NE(t->FindFieldInfo("EXTRA"), nullptr);  // the changed format made it reload

  // An older format version loads nothing.
  TMemoryStream* old = New<TMemoryStream>();
  const String magic = "ZAZ$MCF";
  old->WriteBuffer(magic.data(), 7);
  const int32_t version = 4, count = 1;
  old->WriteBuffer(&version, 4);
  old->WriteBuffer(&count, 4);
  old->SetPosition(0);
  loaded->LoadFromStream(old);
  old->Free();
  EXPECT_EQ(loaded->TableCount(), 0);

  // An empty cache deletes the file.
  loaded->SaveToFile(file);
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
