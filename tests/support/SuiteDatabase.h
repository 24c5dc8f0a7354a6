#pragma once
// One scratch database for a whole GoogleTest suite: made once by the suite's SetUpTestSuite (schema,
// then rows), and opened anew by every test on a connection and transaction of its own that roll back
// at the test's end, so the tests see the same rows whatever their order.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "ScratchDatabase.h"
#include "ScratchFolder.h"
#include "datasets/ZAZDataSet.h"
#include "dbaccess/pZAZDataInfo.h"

namespace scratch {

class SuiteDatabaseTest : public ::testing::Test {
protected:
  // Creates the suite's database in a folder of its own and runs the schema statements, then the row
  // statements, each group in a transaction of its own (the rows need the committed schema).
  static void CreateSuiteDatabase(const char* folder, std::initializer_list<String> schema,
                                  std::initializer_list<String> rows) {
    Dir = new Folder(folder);
    Path = Dir->File("suite.fdb");
    CreateDatabase(Path);
    TFIBDatabase* db = New<TFIBDatabase>(nullptr);
    TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
    Configure(db, Path);
    tr->SetDefaultDatabase(db);
    db->Open();
    for (const auto* group : {&schema, &rows}) {
      tr->StartTransaction();
      for (const String& sql : *group) Exec(db, tr, sql);
      tr->Commit();
    }
    tr->Free();
    db->Close();
    db->Free();
  }
  static void TearDownTestSuite() {
    delete Dir;
    Dir = nullptr;
  }

  void SetUp() override {
    Owner = New<TComponent>(nullptr);
    DB = New<TFIBDatabase>(Owner);
    Configure(DB, Path);
    TR = New<TFIBTransaction>(Owner);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
  }

  void TearDown() override {
    for (TFIBCustomDataSet* ds : DataSets) ds->Free();
    ListTableInfo()->RemoveDatabase(DB);
    if (TR->InTransaction()) TR->Rollback();
    DB->Close();
    Owner->Free();
  }

  // The first column of the first row of a select, Null when it returns none.
  Variant Value(const String& sql) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    try {
      q->SetDatabase(DB);
      q->SetTransaction(TR);
      q->SQL()->SetText(sql);
      q->ExecQuery();
      Variant v = q->Eof() ? Variant::Null() : q->Fields(0)->GetAsVariant();
      q->Free();
      return v;
    } catch (...) {
      q->Free();
      throw;
    }
  }

  static inline Folder* Dir = nullptr;
  static inline String Path;
  TComponent* Owner = nullptr;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  // Datasets a test made; freed before the connection goes.
  std::vector<TFIBCustomDataSet*> DataSets;
};

}  // namespace scratch
