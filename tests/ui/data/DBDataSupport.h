#pragma once
// The dataset-bound controller's fixtures: one scratch database per suite (embedded engine) with a table
// of people that each test refills, SQL datasets over it, an in-memory dataset, and a controller whose
// items are plain objects bound by field name.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScratchDatabase.h"
#include "datasets/pZAZDataSet.h"
#include "dbaccess/pZAZDataInfo.h"
#include "memdata/dxmdaset.h"
#include "rtl/SysUtils.h"
#include "ui/data/cxDBData.h"

namespace dbdata {

// Counts how often the controller reads the dataset's records (a full reload), and answers its hooks as a
// view would: the grid-mode window it wants, whether it starts editing an item, and what it was told.
class TCountingDBDataController : public TcxDBDataController {
  RTL_CLASS(TCountingDBDataController, TcxDBDataController)
public:
  using TcxDBDataController::TcxDBDataController;
  int32_t Reads = 0;
  int32_t WindowWanted = 0;  // 0: the base's default
  bool StartsEditing = false;
  int32_t PositionChanges = 0;
  std::vector<int32_t> EditingAsked, TypeChanged;

  int32_t GetDefaultBufferCount() override {
    return WindowWanted ? WindowWanted : TcxDBDataController::GetDefaultBufferCount();
  }
  void GetItemFlag150(int32_t AItemIndex, bool& AResult) override {
    EditingAsked.push_back(AItemIndex);
    AResult = StartsEditing;
  }
  void DataSetPositionChanged() override { ++PositionChanges; }
  void DoValueTypeClassChanged(int32_t AItemIndex) override { TypeChanged.push_back(AItemIndex); }
  bool DeferStructure = false;  // a structure change arrives while the view cannot take it
  bool IsGridModeStructureChanged() override {
    return DeferStructure || TcxDBDataController::IsGridModeStructureChanged();
  }

protected:
  void ReadRecords() override {
    ++Reads;
    TcxDBDataController::ReadRecords();
  }
};

// A controller with plain items bound by name and a log of what it delivers.
struct BoundController {
  TCountingDBDataController* DC = New<TCountingDBDataController>(nullptr);
  std::vector<std::unique_ptr<TObject>> Items;
  std::vector<std::string> Log;

  BoundController() {
    DC->OnUpdateControl = [this](TcxUpdateControlInfo* info) {
      if (auto* d = dynamic_cast<TcxDataChangedInfo*>(info))
        Log.push_back("Data(" + std::to_string(d->Kind) + "," + std::to_string(d->RecordIndex) + ")");
    };
  }
  ~BoundController() { DC->Free(); }
  BoundController(const BoundController&) = delete;
  BoundController& operator=(const BoundController&) = delete;

  int32_t Bind(const String& AFieldName) {
    Items.push_back(std::make_unique<TObject>());
    DC->AddItem(Items.back().get());
    const int32_t index = static_cast<int32_t>(Items.size()) - 1;
    DC->ChangeFieldName(index, AFieldName);
    return index;
  }
  // The item's values down the rows.
  std::vector<String> Column(int32_t AItem) const {
    std::vector<String> r;
    for (int32_t i = 0; i < DC->GetRowCount(); ++i) r.push_back(VarToStr(DC->GetValue(DC->GetRowInfo(i).RecordIndex, AItem)));
    return r;
  }
  String FocusedText(int32_t AItem) const {
    const int32_t row = DC->GetFocusedRowIndex();
    return row < 0 ? String("-") : VarToStr(DC->GetValue(DC->GetRowInfo(row).RecordIndex, AItem));
  }
  bool Reloaded() const { return DC->Reads > 0; }
  void ClearLog() {
    Log.clear();
    DC->Reads = 0;
  }
};

// One database for the whole suite; every test starts from the same ten rows of P.
class FirebirdSuite : public ::testing::Test {
protected:
  static inline scratch::Folder* Dir = nullptr;
  static inline TComponent* Owner = nullptr;
  static inline TFIBDatabase* DB = nullptr;
  static inline TFIBTransaction* TR = nullptr;

  static void SetUpTestSuite() {
    Dir = new scratch::Folder("vorn-ui-data-db");
    const String path = Dir->File("p.fdb");
    scratch::CreateDatabase(path);
    Owner = New<TComponent>(nullptr);
    DB = New<TFIBDatabase>(Owner);
    scratch::Configure(DB, path);
    TR = New<TFIBTransaction>(Owner);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    scratch::Exec(DB, TR,
                  "CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), QTY INTEGER CHECK (QTY >= 0))");
    TR->Commit();
  }

  static void TearDownTestSuite() {
    ListTableInfo()->RemoveDatabase(DB);
    if (TR->InTransaction()) TR->Rollback();
    DB->Close();
    Owner->Free();
    delete Dir;
  }

  void SetUp() override {
    TR->StartTransaction();
    Exec("DELETE FROM P");
    Exec("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(RowCount()) +
         ") DO BEGIN INSERT INTO P VALUES (:I, 'name' || :I, :I * 10); I = I + 1; END END");
    Source = New<TDataSource>(Owner);
  }

  void TearDown() override {
    Controllers.clear();
    for (TFIBCustomDataSet* ds : DataSets) ds->Free();
    DataSets.clear();
    Source->Free();
    if (TR->InTransaction()) TR->Rollback();
  }

  virtual int RowCount() const { return 10; }

  void Exec(const String& sql) { scratch::Exec(DB, TR, sql); }

  // A value read through the test's transaction: what the dataset has written to the server.
  Variant Scalar(const String& sql) {
    TFIBQuery* q = New<TFIBQuery>(nullptr);
    q->SetDatabase(DB);
    q->SetTransaction(TR);
    q->SQL()->SetText(sql);
    q->ExecQuery();
    Variant v = q->Eof() ? Variant::Null() : q->Fields(0)->GetAsVariant();
    q->Free();
    return v;
  }

  TpZAZDataSet* OpenDataSet(const String& select = "SELECT ID, NAME, QTY FROM P ORDER BY ID") {
    auto* ds = New<TpZAZDataSet>(nullptr);
    ds->SetName("ds" + std::to_string(DataSets.size() + 1));
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText(select);
    ds->UpdateSQL()->SetText("UPDATE P SET NAME = ?NAME, QTY = ?QTY WHERE ID = ?OLD_ID");
    ds->InsertSQL()->SetText("INSERT INTO P (ID, NAME, QTY) VALUES (?ID, ?NAME, ?QTY)");
    ds->DeleteSQL()->SetText("DELETE FROM P WHERE ID = ?OLD_ID");
    ds->RefreshSQL()->SetText("SELECT ID, NAME, QTY FROM P WHERE ID = ?OLD_ID");
    DataSets.push_back(ds);
    Source->SetDataSet(ds);
    ds->Open();
    return ds;
  }

  // A controller on the data source with items ID, NAME, QTY (bound before the data source is set).
  BoundController& NewController(std::initializer_list<const char*> AFields = {"ID", "NAME", "QTY"}) {
    Controllers.push_back(std::make_unique<BoundController>());
    BoundController& c = *Controllers.back();
    for (const char* f : AFields) c.Bind(f);
    c.DC->SetDataSource(Source);
    c.ClearLog();
    return c;
  }

  TDataSource* Source = nullptr;
  std::vector<TFIBCustomDataSet*> DataSets;
  std::vector<std::unique_ptr<BoundController>> Controllers;
};

}  // namespace dbdata
