#pragma once
// A fresh dialect 3 database per test with two related tables, for the dataset services tests.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <filesystem>

#include "datasets/pZAZDataSet.h"
#include "dbaccess/FIBErrors.h"
#include "dbaccess/IB_Intf.h"
#include "dbaccess/ZAZQuery.h"
#include "dbaccess/pZAZDataInfo.h"
#include "rtl/StringLists.h"

#include "ScratchDatabase.h"

namespace dss {

class ServicesTest : public ::testing::Test {
protected:
  void SetUp() override {
    const String path = Dir.File("s.fdb");
    scratch::CreateDatabase(path);
    Owner = New<TComponent>(nullptr);
    DB = New<TFIBDatabase>(Owner);
    scratch::Configure(DB, path);
    TR = New<TFIBTransaction>(Owner);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    Exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL, "
         "QTY INTEGER DEFAULT 5 CHECK (QTY >= 0), PRICE NUMERIC(9,2) DEFAULT 1.5, NOTE VARCHAR(20) DEFAULT 'abc', "
         "WHO VARCHAR(31) DEFAULT USER, CREATED TIMESTAMP DEFAULT CURRENT_TIMESTAMP, DAY_ DATE DEFAULT '2026-05-04', "
         "TOTAL COMPUTED BY (QTY * 2))");
    Exec("CREATE TABLE U (ID INTEGER NOT NULL PRIMARY KEY, T_ID INTEGER REFERENCES T (ID), LABEL VARCHAR(20))");
    TR->Commit();
    TR->StartTransaction();
    for (int i = 1; i <= 5; ++i)
      Exec("INSERT INTO T (ID, NAME, QTY) VALUES (" + std::to_string(i) + ", 'row" + std::to_string(i) + "', " +
           std::to_string(i) + ")");
    Exec("INSERT INTO U (ID, T_ID, LABEL) VALUES (1, 1, 'first')");
    TR->Commit();
  }

  void TearDown() override {
    for (TFIBCustomDataSet* ds : DataSets) ds->Free();
    ListTableInfo()->RemoveDatabase(DB);
    if (TR->InTransaction()) TR->Rollback();
    DB->Close();
    Owner->Free();
  }

  void Exec(const String& sql, TFIBTransaction* tr = nullptr) { scratch::Exec(DB, tr ? tr : TR, sql); }

  // A value read in a transaction of its own, so that only committed data is seen.
  Variant Committed(const String& sql) {
    TFIBTransaction* tr = New<TFIBTransaction>(nullptr);
    tr->SetDefaultDatabase(DB);
    tr->StartTransaction();
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(tr);
    q->SQL()->SetText(sql);
    q->ExecQuery();
    Variant v = q->Eof() ? Variant::Null() : q->Fields(0)->GetAsVariant();
    q->Free();
    tr->Commit();
    tr->Free();
    return v;
  }

  TFIBTransaction* NewTransaction() {
    auto* tr = New<TFIBTransaction>(Owner);
    tr->SetDefaultDatabase(DB);
    return tr;
  }

  template <class D = TpZAZDataSet>
  D* NewDataSet(const String& select = "SELECT ID, NAME, QTY FROM T ORDER BY ID") {
    auto* ds = New<D>(nullptr);
    ds->SetName("ds" + std::to_string(DataSets.size() + 1));
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    ds->UpdateSQL()->SetText("UPDATE T SET NAME = ?NAME, QTY = ?QTY WHERE ID = ?OLD_ID");
    ds->InsertSQL()->SetText("INSERT INTO T (ID, NAME, QTY) VALUES (?ID, ?NAME, ?QTY)");
    ds->DeleteSQL()->SetText("DELETE FROM T WHERE ID = ?OLD_ID");
    ds->RefreshSQL()->SetText("SELECT ID, NAME, QTY FROM T WHERE ID = ?OLD_ID");
    DataSets.push_back(ds);
    return ds;
  }

  scratch::Folder Dir{"vorn-datasets-services"};
  TComponent* Owner = nullptr;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  std::vector<TFIBCustomDataSet*> DataSets;
};

}  // namespace dss
