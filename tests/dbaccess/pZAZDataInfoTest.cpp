#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "MutationLoop.h"
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

TEST_F(MetadataCache, MutatedCacheFilesLoadOrAreDroppedCleanly) {
  Cache->GetTableInfo(DB, "Clients", false)->GetPrimaryKeyFields(DB);
  Cache->GetTableInfo(DB, "P", false);
  const String valid = mutation::Saved([&](TStream* s) { Cache->SaveToStream(s); });
  auto* loaded = Own(New<TpZAZTableInfoCollect>(nullptr));
  mutation::RunStream(valid, [&](TStream* s) { loaded->LoadFromStream(s); });
  TStringStream whole(valid);
  loaded->LoadFromStream(&whole);
  EXPECT_EQ(loaded->TableCount(), 2);
}

TEST_F(MetadataCache, RepositoryRowsMergeIntoColumnsAndTheirVersionIsChecked) {
  TR->StartTransaction();
  ExecSQL(DB, TR,
          "CREATE TABLE ZAZ$FIELDS_INFO (TABLE_NAME VARCHAR(31), FIELD_NAME VARCHAR(31), DISPLAY_LABEL "
          "VARCHAR(40), VISIBLE SMALLINT, DISPLAY_WIDTH INTEGER, TRIGGERED SMALLINT, HINT VARCHAR(20), "
          "ZAZ$VERSION INTEGER)");
  ExecSQL(DB, TR, "CREATE TABLE \"O'Brien\" (NAME VARCHAR(10), QTY INTEGER)");
  TR->Commit();
  TR->StartTransaction();
  ExecSQL(DB, TR, "INSERT INTO ZAZ$FIELDS_INFO VALUES ('O''Brien', 'NAME', 'Name', 1, 12, 0, 'who', 4)");
  ExecSQL(DB, TR, "INSERT INTO ZAZ$FIELDS_INFO VALUES ('Clients', 'QTY', 'Quantity', 0, 5, 1, NULL, 2)");
  TR->Commit();

  // A quote in the table name reaches the server as a value, not as SQL.
  TpZAZTableInfo* t = Cache->GetTableInfo(DB, "O'Brien", true);
  TpZAZFieldInfo* name = t->FindFieldInfo("NAME");
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(name->WithAdditionalInfo);
  EXPECT_EQ(name->DisplayLabel, "Name");
  EXPECT_TRUE(name->Visible);
  EXPECT_EQ(name->DisplayWidth, 12);
  EXPECT_FALSE(name->IsTriggered);
  EXPECT_EQ(name->OtherInfo, std::vector<String>{"HINT=who"});
  EXPECT_FALSE(t->FindFieldInfo("QTY")->WithAdditionalInfo);
  EXPECT_EQ(t->RepositoryVersion(), 4);

  // An entry read without repository facts gets them from the first request that wants them.
  TpZAZTableInfo* c = Cache->GetTableInfo(DB, "Clients", false);
  EXPECT_FALSE(c->FindFieldInfo("QTY")->WithAdditionalInfo);
  EXPECT_EQ(Cache->GetTableInfo(DB, "Clients", true), c);
  EXPECT_TRUE(c->FindFieldInfo("QTY")->IsTriggered);
  EXPECT_EQ(c->FindFieldInfo("QTY")->DisplayLabel, "Quantity");

  // After loading from a file, a changed repository row makes the entry reload; an unchanged one stays.
  const String file = Dir.File("repo.cache");
  Cache->SaveToFile(file);
  auto* loaded = Own(New<TpZAZTableInfoCollect>(nullptr));
  ASSERT_TRUE(loaded->LoadFromFile(file));
  loaded->SetValidateAfterLoad(true);
  TR->StartTransaction();
  ExecSQL(DB, TR, "UPDATE ZAZ$FIELDS_INFO SET DISPLAY_LABEL = 'Who', ZAZ$VERSION = 5 WHERE FIELD_NAME = 'NAME'");
  TR->Commit();
  EXPECT_EQ(loaded->GetTableInfo(DB, "O'Brien", true)->FindFieldInfo("NAME")->DisplayLabel, "Who");
  EXPECT_EQ(loaded->GetTableInfo(DB, "Clients", true)->FindFieldInfo("QTY")->DisplayLabel, "Quantity");
  EXPECT_EQ(loaded->TableCount(), 2);
}

TEST_F(MetadataCache, ConnectionWithoutTheFieldsRepositoryNeverReadsIt) {
  TR->StartTransaction();
  ExecSQL(DB, TR, "CREATE TABLE ZAZ$FIELDS_INFO (TABLE_NAME VARCHAR(31), FIELD_NAME VARCHAR(31), DISPLAY_LABEL "
                  "VARCHAR(40), ZAZ$VERSION INTEGER)");
  TR->Commit();
  TR->StartTransaction();
  ExecSQL(DB, TR, "INSERT INTO ZAZ$FIELDS_INFO VALUES ('Clients', 'QTY', 'Quantity', 1)");
  TR->Commit();
  DB->SetUseRepositories(TpFIBRepositoryOptions{urDataSetInfo});
  EXPECT_FALSE(FieldsInfoExists(DB));
  EXPECT_FALSE(Cache->GetTableInfo(DB, "Clients", true)->FindFieldInfo("QTY")->WithAdditionalInfo);
  DB->SetUseRepositories(TpFIBRepositoryOptions{urFieldsInfo});
  EXPECT_TRUE(FieldsInfoExists(DB));  // the status was left unknown, so it is asked now
}

}  // namespace
