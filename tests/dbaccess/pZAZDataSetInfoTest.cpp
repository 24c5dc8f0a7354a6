#include <gtest/gtest.h>

#include "FIBDatabaseTest.h"
#include "MutationLoop.h"
#include "dbaccess/pFIBProps.h"
#include "dbaccess/pZAZDataInfo.h"
#include "dbaccess/pZAZDataSetInfo.h"
#include "dbaccess/pZAZDatabase.h"
#include "rtl/Files.h"
#include "rtl/Streams.h"

namespace {

// Dataset repository without the optional columns an older library version did not have.
const char* const RepositoryDDL =
    "CREATE TABLE ZAZ$DATASETS_INFO (DS_ID INTEGER NOT NULL PRIMARY KEY, DESCRIPTION VARCHAR(60), "
    "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
    "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, NAME_GENERATOR VARCHAR(68), "
    "KEY_FIELD VARCHAR(100), ZAZ$VERSION INTEGER)";

class SchemaCache : public ::testing::Test {
protected:
  void SetUp() override {
    DB = MakeDatabase("a.fdb", "DB1", true);
    TR = Own(NewTransaction(DB));
  }
  void TearDown() override {
    ListTableInfo()->Clear();
    ListDataSetInfo()->Clear();
    ListDataSetInfo()->SetValidateAfterLoad(false);
    ListTableInfo()->SetValidateAfterLoad(false);
    ListErrorMessages()->Clear();
  }
  TpZAZDatabase* MakeDatabase(const String& file, const String& name, bool withRepository) {
    const String path = Dir.File(file);
    CreateDialectDatabase(path, 3);
    auto* db = Own(New<TpZAZDatabase>(nullptr));
    db->SetName(name);
    db->SetDBName(path);
    db->SetSQLDialect(3);
    db->DBParams()->Add("user_name=SYSDBA");
    db->DBParams()->Add("lc_ctype=UTF8");
    db->Open();
    if (withRepository) {
      auto* tr = NewTransaction(db, "Setup");
      tr->StartTransaction();
      ExecSQL(db, tr, RepositoryDDL);
      tr->Commit();
      tr->StartTransaction();
      ExecSQL(db, tr,
              "INSERT INTO ZAZ$DATASETS_INFO (DS_ID, DESCRIPTION, SELECT_SQL, NAME_GENERATOR, KEY_FIELD, "
              "ZAZ$VERSION) VALUES (7, 'clients', 'SELECT *' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'FROM T', "
              "'GEN_T_ID', 'ID', 1)");
      tr->Commit();
      tr->Free();
    }
    return db;
  }
  void Exec(const String& sql) {
    TR->StartTransaction();
    ExecSQL(DB, TR, sql);
    TR->Commit();
  }

  TempDir Dir;
  Owned Own;
  TpZAZDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
};

TEST_F(SchemaCache, RepositoryRowIsReadOncePerDatabase) {
  TpDataSetInfoCollect* cache = ListDataSetInfo();
  TpDataSetInfo* info = cache->GetDataSetInfo(DB, TR, 7);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->SelectSQL->Count(), 2);
  EXPECT_EQ(info->SelectSQL->Strings(1), "FROM T");
  EXPECT_EQ(info->KeyField, "ID");
  EXPECT_EQ(info->GeneratorName, "GEN_T_ID");
  EXPECT_EQ(info->Description, "clients");
  EXPECT_EQ(info->Version, 1);
  // The columns this repository lacks read empty, false and empty.
  EXPECT_EQ(info->UpdateTableName, "");
  EXPECT_FALSE(info->UpdateOnlyModifiedFields);
  EXPECT_EQ(info->Conditions, "");
  EXPECT_EQ(cache->GetDataSetInfo(DB, TR, 7), info);
  EXPECT_EQ(cache->GetDataSetInfo(DB, TR, 0), nullptr);
  EXPECT_EQ(cache->GetDataSetInfo(nullptr, TR, 7), nullptr);
  TpDataSetInfo* missing = cache->GetDataSetInfo(DB, TR, 8);  // no row: cached empty all the same
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->SelectSQL->Count(), 0);
  EXPECT_EQ(cache->Count(), 2);

  TpZAZDatabase* other = MakeDatabase("b.fdb", "DB2", true);
  TpDataSetInfo* second = cache->GetDataSetInfo(other, nullptr, 7);
  EXPECT_NE(second, info);
  EXPECT_EQ(cache->Count(), 3);
  cache->RemoveDataSetInfo(other, 7);
  EXPECT_EQ(cache->Count(), 2);
  EXPECT_EQ(cache->GetDataSetInfo(DB, TR, 7), info);  // the first database's row stays
}

TEST_F(SchemaCache, RepositoryPreconditionsRaise) {
  TpDataSetInfo* info = Own(New<TpDataSetInfo>(DB->DBName()));
  TpZAZDatabase* bare = MakeDatabase("c.fdb", "Bare", false);
  TpZAZDatabase* excluded = MakeDatabase("d.fdb", "Excluded", true);
  excluded->SetUseRepositories(TpFIBRepositoryOptions{urFieldsInfo});
  struct {
    TFIBDatabase* db;
    int32_t id;
    const char* message;
  } cases[] = {
      {DB, 0, "DS1.DataSet_ID should be greater than 0"},
      {nullptr, 7, "Database is not assigned"},
      {excluded, 7, "Can't use ZAZ$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories."},
      {bare, 7, "Table ZAZ$DATASETS_INFO does not exist."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RaisedMessage([&] { ReadDataSetInfo(c.db, c.id, info, "DS1"); }), c.message) << c.message;
  EXPECT_TRUE(DataSetsInfoExists(DB));
  EXPECT_FALSE(FieldsInfoExists(DB));
  EXPECT_FALSE(DataSetsInfoExists(bare));
}

TEST_F(SchemaCache, FilesRoundTripAndStaleEntriesAreDroppedAfterLoading) {
  ListTableInfo()->GetTableInfo(DB, "T", false);
  ListDataSetInfo()->GetDataSetInfo(DB, TR, 7);
  ListErrorMessages()->AddMessage(DB->DBName(), "E_KEY", 3, "Key violated");
  const String file = Dir.File("schema.cache");
  DB->SaveSchemaCacheToFile(file);
  for (const char* name : {"schema.cache", "schema.dt", "schema.err"}) EXPECT_TRUE(FileExists(Dir.File(name))) << name;

  // The schema and the repository row change while the files rest.
  Exec("ALTER TABLE T ADD EXTRA INTEGER");
  Exec("UPDATE ZAZ$DATASETS_INFO SET SELECT_SQL = 'SELECT ID FROM T', ZAZ$VERSION = 2 WHERE DS_ID = 7");
  ListTableInfo()->Clear();
  ListDataSetInfo()->Clear();
  ListErrorMessages()->Clear();

  ASSERT_TRUE(DB->LoadSchemaCacheFromFile(file, true));
  EXPECT_EQ(ListTableInfo()->TableCount(), 1);
  EXPECT_EQ(ListDataSetInfo()->Count(), 1);
  ASSERT_NE(ListErrorMessages()->FindMessage(DB->DBName(), "E_KEY"), nullptr);
  EXPECT_EQ(ListErrorMessages()->FindMessage(DB->DBName(), "E_KEY")->Text, "Key violated");
  EXPECT_TRUE(ListTableInfo()->ValidateAfterLoad());
  EXPECT_TRUE(ListDataSetInfo()->ValidateAfterLoad());
  EXPECT_NE(ListTableInfo()->GetTableInfo(DB, "T", false)->FindFieldInfo("EXTRA"), nullptr);
  TpDataSetInfo* info = ListDataSetInfo()->GetDataSetInfo(DB, TR, 7);
  EXPECT_EQ(info->Version, 2);
  EXPECT_EQ(info->SelectSQL->Text(), "SELECT ID FROM T\r\n");
  EXPECT_FALSE(info->NeedsValidation);

  // An entry still current survives its check.
  DB->SaveSchemaCacheToFile(file);
  DB->LoadSchemaCacheFromFile(file, true);
  TpDataSetInfo* kept = ListDataSetInfo()->GetDataSetInfo(DB, TR, 7);
  EXPECT_EQ(kept->SelectSQL->Text(), "SELECT ID FROM T\r\n");
  EXPECT_FALSE(kept->NeedsValidation);
  EXPECT_EQ(ListDataSetInfo()->Count(), 1);

  // Empty caches delete their files; a missing metadata file loads nothing.
  ListTableInfo()->Clear();
  ListDataSetInfo()->Clear();
  ListErrorMessages()->Clear();
  DB->SaveSchemaCacheToFile(file);
  for (const char* name : {"schema.cache", "schema.dt", "schema.err"}) EXPECT_FALSE(FileExists(Dir.File(name))) << name;
  EXPECT_FALSE(DB->LoadSchemaCacheFromFile(file, false));
}

TEST_F(SchemaCache, RowsOfARepositoryWithoutVersionsAreKeptAfterLoading) {
  Exec("ALTER TABLE ZAZ$DATASETS_INFO DROP ZAZ$VERSION");
  TpDataSetInfoCollect* cache = ListDataSetInfo();
  EXPECT_EQ(cache->GetDataSetInfo(DB, TR, 7)->Version, 0);
  const String file = Dir.File("v.dt");
  cache->SaveToFile(file);
  ASSERT_TRUE(cache->LoadFromFile(file));
  cache->SetValidateAfterLoad(true);
  Exec("UPDATE ZAZ$DATASETS_INFO SET DESCRIPTION = 'changed' WHERE DS_ID = 7");
  TpDataSetInfo* info = nullptr;
  EXPECT_NO_THROW(info = cache->GetDataSetInfo(DB, TR, 7));  // the version query cannot run here
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->NeedsValidation);
  EXPECT_EQ(info->Description, "clients");  // nothing tells it changed
}

TEST_F(SchemaCache, SavedOnCloseAndLoadedOnOpenWhenAsked) {
  const String file = Dir.File("auto.cache");
  DB->CacheSchemaOptions()->SetLocalCacheFile(file);
  ListTableInfo()->GetTableInfo(DB, "T", false);
  DB->Close();
  EXPECT_FALSE(FileExists(file));  // not asked to save
  DB->Open();
  DB->CacheSchemaOptions()->SetAutoSaveToFile(true);
  DB->Close();
  ASSERT_TRUE(FileExists(file));
  ListTableInfo()->Clear();
  DB->Open();
  EXPECT_EQ(ListTableInfo()->TableCount(), 0);  // not asked to load
  DB->CacheSchemaOptions()->SetAutoSaveToFile(false);  // else the empty cache would delete the file
  DB->Close();
  DB->CacheSchemaOptions()->SetAutoLoadFromFile(true);
  DB->CacheSchemaOptions()->SetValidateAfterLoad(false);
  DB->Open();
  EXPECT_EQ(ListTableInfo()->TableCount(), 1);
  EXPECT_FALSE(ListTableInfo()->ValidateAfterLoad());
}

TEST_F(SchemaCache, DataSetFileFormats) {
  TpDataSetInfoCollect* cache = ListDataSetInfo();
  cache->GetDataSetInfo(DB, TR, 7);
  TMemoryStream* saved = New<TMemoryStream>();
  cache->SaveToStream(saved);
  const String bytes(static_cast<const char*>(saved->Memory()), static_cast<size_t>(saved->Size()));
  saved->Free();
  auto load = [&](const String& data) {
    TMemoryStream* s = New<TMemoryStream>();
    s->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    s->SetPosition(0);
    cache->LoadFromStream(s);
    s->Free();
    return cache->Count();
  };
  const String bare = bytes.substr(4);  // the magic without its length
  String version0 = bytes;
  version0[13] = 0;  // after the 4-byte length and the 9-byte magic
  String otherMagic = bytes;
  otherMagic[4] = 'X';
  struct {
    const char* name;
    String data;
    int32_t count;
  } cases[] = {{"as saved", bytes, 1}, {"bare magic", bare, 1}, {"version 0", version0, 0},
               {"other magic", otherMagic, 0}, {"truncated", bytes.substr(0, 20), 0}};
  for (const auto& c : cases) EXPECT_EQ(load(c.data), c.count) << c.name;
}

TEST_F(SchemaCache, MutatedDataSetCacheFilesLoadOrAreDroppedCleanly) {
  TpDataSetInfoCollect* cache = ListDataSetInfo();
  cache->GetDataSetInfo(DB, TR, 7);
  const String valid = mutation::Saved([&](TStream* s) { cache->SaveToStream(s); });
  mutation::RunStream(valid, [&](TStream* s) { cache->LoadFromStream(s); });
}

TEST(ErrorMessages, MutatedFilesLoadOrAreDroppedCleanly) {
  TpErrorMessagesCollect* store = New<TpErrorMessagesCollect>();
  store->AddMessage("db1", "E1", 3, "three");
  store->AddMessage("db1", "E2", 5, String(300, 'x'));
  store->AddMessage("db2", "E1", 1, "other database");
  const String valid = mutation::Saved([&](TStream* s) { store->SaveToStream(s); });
  mutation::RunStream(valid, [&](TStream* s) { store->LoadFromStream(s); });
  TStringStream whole(valid);
  store->LoadFromStream(&whole);
  EXPECT_EQ(store->DatabaseCount(), 2);
  store->Free();
}

TEST(ErrorMessages, HigherVersionsWinAndTheFileRoundTrips) {
  TpErrorMessagesCollect* store = New<TpErrorMessagesCollect>();
  store->AddMessage("db1", "E1", 3, "three");
  store->AddMessage("db1", "E1", 5, "five");
  store->AddMessage("db1", "E1", 4, "four");
  store->AddMessage("db2", "E1", 1, "other database");
  EXPECT_EQ(store->FindMessage("db1", "E1")->Text, "five");
  EXPECT_EQ(store->FindMessage("db1", "E1")->Version, 5);
  EXPECT_EQ(store->FindMessage("db2", "E1")->Text, "other database");
  EXPECT_EQ(store->FindMessage("db3", "E1"), nullptr);
  EXPECT_EQ(store->FindMessage("db1", "E2"), nullptr);

  TempDir dir;
  const String file = dir.File("m.err");
  store->SaveToFile(file);
  TpErrorMessagesCollect* loaded = New<TpErrorMessagesCollect>();
  ASSERT_TRUE(loaded->LoadFromFile(file));
  EXPECT_EQ(loaded->DatabaseCount(), 2);
  EXPECT_EQ(loaded->HighestVersion(), 5);
  EXPECT_EQ(loaded->FindMessage("db1", "E1")->Text, "five");

  // Another format version loads nothing.
  TMemoryStream* s = New<TMemoryStream>();
  const int32_t version = 2;
  s->WriteBuffer(&version, 4);
  s->SetPosition(0);
  loaded->LoadFromStream(s);
  s->Free();
  EXPECT_EQ(loaded->DatabaseCount(), 0);
  EXPECT_FALSE(loaded->LoadFromFile(dir.File("none.err")));
  loaded->Free();
  store->Free();
}

}  // namespace
